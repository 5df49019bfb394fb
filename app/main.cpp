// The Scrivora program: each file named on the command line opens in a
// window of its own (or one untitled document when none opened), and the
// program ends when the last document window closes.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include "Application.h"
#include "Product.h"
#include "ReaderFonts.h"

namespace {

// The reader's fonts are installed beside the program's data, or found in
// the build tree when the program runs from there.
QString readerFontFolder() {
  const QDir programDir(QCoreApplication::applicationDirPath());
  for (const char* relative : {"../share/scrivora/fonts", "../fonts"}) {
    const QString folder = programDir.filePath(QString::fromLatin1(relative));
    if (QDir(folder).exists(scrivora::readerFontFiles().first())) return folder;
  }
  return QString();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName(QString::fromLatin1(scrivora::kProductName));
  QApplication::setOrganizationName(QStringLiteral("Tolm"));
  QApplication::setApplicationVersion(QString::fromLatin1(scrivora::kProductVersion));
  QApplication::setDesktopFileName(QStringLiteral("scrivora"));
  // The program ends with its last document window, not with its last window.
  QApplication::setQuitOnLastWindowClosed(false);

  QCommandLineParser parser;
  parser.setApplicationDescription(
      QStringLiteral("Write handheld eBooks in TML: each FILE opens in a window of its own; without one, an "
                     "untitled document opens."));
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("A TML or text file to open."),
                               QStringLiteral("[FILE...]"));
  parser.process(qapp);

  const scrivora::ReaderFontRegistration fonts(readerFontFolder());
  scrivora::substituteReaderFonts();
  int code = 0;
  {
    scrivora::Application application;
    application.start(parser.positionalArguments());
    code = application.run();
  }
  return code;
}
