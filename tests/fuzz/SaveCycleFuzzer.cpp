// libFuzzer target: the editor's load-save cycle on arbitrary bytes. Loading
// a saved text and saving it again must write the same bytes: whatever a file
// holds, the first save is already the form the editor keeps.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <QGuiApplication>

#include "BuildLog.h"
#include "TextDocumentModel.h"
#include "TmlLoader.h"
#include "TmlWriter.h"

namespace {

// The loader reports every tag it keeps as written; the fuzzer has no use for
// the messages.
class DiscardingSink : public scrivora::BuildLogSink {
 public:
  void receive(const scrivora::LogMessage&) override {}
};

std::string loadAndSave(const std::string& text) {
  scrivora::TextDocumentModel view;
  scrivora::BookInfo info;
  scrivora::TmlLoadOptions options;
  options.documentPath = "/fuzz/book.tml";
  scrivora::loadTmlFromMemory(text, options, &info, &view);
  return scrivora::writeTml(view, &info);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int argc = 1;
  static char name[] = "save-cycle-fuzzer";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* application = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)application;
  DiscardingSink sink;
  scrivora::ScopedLogSink scope(sink);
  const std::string firstSave = loadAndSave(std::string(reinterpret_cast<const char*>(data), size));
  if (loadAndSave(firstSave) != firstSave) std::abort();
  return 0;
}
