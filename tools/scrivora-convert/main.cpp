// scrivora-convert [--info] IN OUT
// Opens IN as the editor does (TML and text through the TML loader, HTML
// through the HTML importer and then the loader) and saves it as TML to OUT,
// without a window. --info prints the book's information.

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <QGuiApplication>

#include "BookInfo.h"
#include "BuildLog.h"
#include "HtmlImporter.h"
#include "QXException.h"
#include "TextDocumentModel.h"
#include "TmlLoader.h"
#include "TmlWriter.h"

namespace {

int printUsage() {
  std::fprintf(stderr, "usage: scrivora-convert [--info] IN OUT\n");
  return 2;
}

// Loader messages go to standard error, one per line, marked as in
// scrivora-make: "error: ", "warning: ", status lines as they are.
int printLine(const char* prefix, const char* format, va_list args) {
  char line[4096];
  const int length = std::vsnprintf(line, sizeof line, format, args);
  if (length < 0) return length;
  const bool endsLine = length > 0 && size_t(length) < sizeof line && line[length - 1] == '\n';
  std::fprintf(stderr, "%s%s%s", prefix, line, endsLine ? "" : "\n");
  std::fflush(stderr);
  return length;
}
int printError(const char* format, va_list args) { return printLine("error: ", format, args); }
int printWarning(const char* format, va_list args) { return printLine("warning: ", format, args); }
int printStatus(const char* format, va_list args) { return printLine("", format, args); }

// Qt's own notes about the platform (no runtime folder and the like) are not
// this program's output; its real failures come back as results.
void dropQtNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

std::string lowerExtension(const std::string& path) {
  const size_t dot = path.find_last_of('.');
  const size_t slash = path.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  std::string extension = path.substr(dot + 1);
  for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
  return extension;
}

void printBookInfo(const scrivora::BookInfo& info) {
  std::printf("Title: %s\n", info.title.c_str());
  std::printf("Author: %s\n", info.author.c_str());
  std::printf("Publisher: %s\n", info.publisher.c_str());
  std::printf("eISBN: %s\n", info.eisbn.c_str());
  std::printf("Copyright: %s\n", info.copyright.c_str());
}

// An imported page becomes an untitled document: it keeps no file, so it has
// no image folder either.
bool importHtml(const std::string& path, scrivora::BookInfo& bookInfo, scrivora::TextDocumentModel& view) {
  std::string tml;
  try {
    scrivora::HtmlImporter importer(scrivora::htmlSupportFolderBesideProgram());
    tml = importer.convertFile(path);
  } catch (const scrivora::QXFileException& failure) {
    std::fprintf(stderr, "scrivora-convert: %s: %s\n", failure.path().c_str(), failure.message());
    return false;
  } catch (const scrivora::QXException& failure) {
    std::fprintf(stderr, "scrivora-convert: %s\n", failure.message());
    return false;
  }
  return scrivora::loadTmlFromMemory(tml, scrivora::TmlLoadOptions(), &bookInfo, &view);
}

}  // namespace

int main(int argc, char** argv) {
  bool info = false;
  std::string in, out;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--info") {
      info = true;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return printUsage();
    } else if (in.empty()) {
      in = arg;
    } else if (out.empty()) {
      out = arg;
    } else {
      return printUsage();
    }
  }
  if (in.empty() || out.empty()) return printUsage();

  // Headless unless a display is given.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(dropQtNotes);
  QGuiApplication app(argc, argv);

  scrivora::setErrorSink(&printError);
  scrivora::setWarningSink(&printWarning);
  scrivora::setStatusSink(&printStatus);

  scrivora::TextDocumentModel view;
  scrivora::BookInfo bookInfo;
  const std::string extension = lowerExtension(in);
  if (extension == "htm" || extension == "html") {
    if (!importHtml(in, bookInfo, view)) return 1;
  } else if (!scrivora::loadTml(in, &bookInfo, &view)) {
    std::fprintf(stderr, "scrivora-convert: cannot read \"%s\"\n", in.c_str());
    return 1;
  }
  if (info) printBookInfo(bookInfo);
  std::string error;
  if (!scrivora::saveTml(view, &bookInfo, out, &error)) {
    std::fprintf(stderr, "scrivora-convert: cannot write \"%s\": %s\n", out.c_str(), error.c_str());
    return 1;
  }
  return 0;
}
