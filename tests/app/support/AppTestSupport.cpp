#include "AppTestSupport.h"

#include <fstream>

namespace scrivora::test {

std::string AppFixture::writeFile(const char* name, const std::string& content) const {
  const std::string path = dir.filePath(name).toStdString();
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

void AppFixture::activate(DocumentWindow& window) {
  window.show();
  window.activateWindow();
  (void)QTest::qWaitForWindowActive(&window);
  settle();
}

void AppFixture::settle() {
  QCoreApplication::processEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

void loadInto(DocumentWindow& window, const std::string& tml) {
  TextDocumentModel& text = window.document().text();
  text.removeText(0, text.length());
  TmlLoadOptions options;
  loadTmlFromMemory(tml, options, nullptr, &text);
  text.setCaret(0);
}

}  // namespace scrivora::test
