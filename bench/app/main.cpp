// bench-app [BOOK.html] [RUNS]
// Opens War and Peace (imported from the corpus HTML into TML) in a document
// window and shows it, against QTextEdit::setPlainText of the same text shown
// in a plain QTextEdit; then types characters at the end of each. Prints the
// times and their ratios; each time is the best of a few runs.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>

#include "BuildLog.h"
#include "CodePage.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "FindSettings.h"
#include "FormattingToolBar.h"
#include "HtmlImporter.h"
#include "QXException.h"
#include "ReaderFonts.h"
#include "SettingsStore.h"

using namespace scrivora;

namespace {

double seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Lets the window appear and paint, as the user would see it.
void showAndPaint(QWidget& window) {
  window.show();
  (void)QTest::qWaitForWindowExposed(&window);
  QCoreApplication::processEvents();
}

QString unicodeOf(const std::string& bytes) {
  QString text(qsizetype(bytes.size()), Qt::Uninitialized);
  for (size_t i = 0; i < bytes.size(); ++i) text[qsizetype(i)] = QChar(unicodeFromWindows1252(uint8_t(bytes[i])));
  return text;
}

// Seconds per character typed at the end of the text.
double typingAtEnd(QTextEdit& view, int characters) {
  view.moveCursor(QTextCursor::End);
  view.setFocus();
  QCoreApplication::processEvents();
  return seconds([&] {
           for (int i = 0; i < characters; ++i) {
             QTest::keyClick(&view, Qt::Key_A);
             QCoreApplication::processEvents();
           }
         }) /
         characters;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string page = argc > 1 ? argv[1] : std::string(SCRIVORA_CORPUS_DIR) + "/books/war-and-peace.html";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const ReaderFontRegistration fonts(QString::fromLatin1(SCRIVORA_FONT_DIR));
  substituteReaderFonts();

  std::string tml;
  try {
    tml = HtmlImporter(htmlSupportFolderBesideProgram()).convertFile(page);
  } catch (const QXException& failure) {
    std::fprintf(stderr, "bench-app: %s: %s\n", page.c_str(), failure.message());
    return 1;
  }
  QTemporaryDir dir;
  const std::string path = dir.filePath("war-and-peace.tml").toStdString();
  std::ofstream(path, std::ios::binary) << tml;
  std::printf("book: %s as TML, %.1f MB\n", page.c_str(), double(tml.size()) / 1e6);
  const QString plain = unicodeOf(tml);

  // The loader's status lines would mix with the results.
  CollectingLogSink messages;
  const ScopedLogSink quiet(messages);
  SettingsStore settings("Scrivora", dir.filePath("bench.conf"));
  FindSettings find;
  double selectAllChecks = 1e30;
  double openBest = 1e30, plainBest = 1e30, typeWindow = 1e30, typePlain = 1e30;
  for (int run = 0; run < runs; ++run) {
    std::unique_ptr<DocumentWindow> window;
    double load = 0, make = 0, show = 0;
    auto document = std::make_unique<EditorDocument>();
    load = seconds([&] {
      if (!document->load(path).loaded()) std::abort();
    });
    make = seconds([&] { window = std::make_unique<DocumentWindow>(std::move(document), find, settings, nullptr); });
    show = seconds([&] { showAndPaint(*window); });
    openBest = std::min(openBest, load + make + show);
    std::printf("run %d: load %.3f s, window %.3f s, show %.3f s\n", run + 1, load, make, show);
    typeWindow = std::min(typeWindow, typingAtEnd(window->view(), 20));
    window->view().selectAll();
    selectAllChecks = std::min(selectAllChecks, seconds([&] { window->toolBar().refresh(); }));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    window.reset();

    std::unique_ptr<QTextEdit> edit;
    plainBest = std::min(plainBest, seconds([&] {
                           edit = std::make_unique<QTextEdit>();
                           edit->setPlainText(plain);
                           showAndPaint(*edit);
                         }));
    typePlain = std::min(typePlain, typingAtEnd(*edit, 20));
    edit.reset();
  }
  std::printf("open and show in a document window: %8.3f s\n", openBest);
  std::printf("setPlainText and show in a QTextEdit: %6.3f s\n", plainBest);
  std::printf("ratio: %.2f (target at most 3)\n", openBest / plainBest);
  std::printf("typing at the end, document window: %8.3f ms per key\n", typeWindow * 1e3);
  std::printf("typing at the end, plain QTextEdit: %9.3f ms per key\n", typePlain * 1e3);
  std::printf("ratio: %.2f (target: not measurably slower)\n", typeWindow / typePlain);
  std::printf("toolbar check marks for the whole book selected: %.3f s\n", selectAllChecks);
  return 0;
}
