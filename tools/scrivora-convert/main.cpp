// scrivora-convert: opens IN as the editor does (TML and text through the TML
// loader, HTML through the HTML importer and then the loader) and saves it as
// TML to OUT, without a window. --info prints the book's information.
//
// Exit status: 0 done, 1 when IN could not be opened or OUT not written, 2
// for a usage error.

#include <cstdio>
#include <string>

#include <QGuiApplication>

#include "BookInfo.h"
#include "BuildLog.h"
#include "CommandLine.h"
#include "DocumentFile.h"
#include "FileSystem.h"
#include "LogPrinter.h"
#include "TextDocumentModel.h"
#include "ToolMain.h"

using namespace scrivora;
using namespace scrivora::cli;

namespace {

const ProgramSpec kProgram = {
    "scrivora-convert",
    SCRIVORA_VERSION,
    "[--info] IN OUT",
    "Opens IN as the editor opens it and saves it to OUT as the editor writes TML.",
    {
        {"info", 0, nullptr, "print the book information found in IN"},
    },
    {"IN", "OUT"},
    "Loader messages go to standard error, one per line, as scrivora-make prints\n"
    "them: a message about a place in IN starts with IN:LINE:COLUMN: (the column\n"
    "counts bytes of the file). Exit status: 0 done, 1 failure, 2 usage error.\n",
};

// Qt's own notes about the platform (no runtime folder and the like) are not
// this program's output; its real failures come back as results.
void dropQtNotes(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

void printBookInfo(const BookInfo& info) {
  std::printf("Title: %s\n", info.title.c_str());
  std::printf("Author: %s\n", info.author.c_str());
  std::printf("Publisher: %s\n", info.publisher.c_str());
  std::printf("eISBN: %s\n", info.eisbn.c_str());
  std::printf("Copyright: %s\n", info.copyright.c_str());
}

int convertDocument(int argc, char** argv) {
  CommandLine commandLine;
  const int parsed = parseCommandLine(argc, argv, kProgram, commandLine);
  if (parsed >= 0) return parsed;
  const std::string in = commandLine.operands[0];
  const std::string out = commandLine.operands[1];
  if (sameFile(in, out)) return failure(kProgram.name, "The input and output files are the same! (" + out + ")");

  // Headless unless a display is given.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(dropQtNotes);
  QGuiApplication application(argc, argv);

  LogPrinter printer(stderr, LogFormat::Text, false);
  ScopedLogSink installed(printer);
  TextDocumentModel view;
  BookInfo bookInfo;
  const DocumentOpenResult opened = openDocumentFile(in, view, bookInfo);
  if (!opened.loaded()) {
    failure(kProgram.name, opened.message);
    return failure(kProgram.name, opened.detail);
  }
  if (commandLine.has("info")) printBookInfo(bookInfo);
  std::string reason;
  if (!saveDocumentFile(view, bookInfo, out, reason))
    return failure(kProgram.name, "cannot write " + out + ": " + reason);
  return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv) { return runTool(kProgram.name, convertDocument, argc, argv); }
