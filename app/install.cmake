# The program as a Linux desktop installs it: the binary, a menu entry, an
# icon, the TML file type and the manual page.
include(GNUInstallDirs)
install(TARGETS scrivora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/desktop/scrivora.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/desktop/scrivora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/desktop/scrivora-tml.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${PROJECT_SOURCE_DIR}/docs/man/scrivora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
