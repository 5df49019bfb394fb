#pragma once
// The entry point of the book compiler: one TML source file in, one book
// database out. A build either leaves a complete book at the output path or,
// after an error that stops it, none. Everything it has to say goes through
// the build log.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BookInfo.h"
#include "BuildProgress.h"
#include "BuildTables.h"
#include "NotesBlock.h"
#include "SourceEncoding.h"
#include "SourceMap.h"

namespace scrivora {

// The state of one build, handed from phase to phase.
struct BuildContext {
  std::string sourcePath;
  std::string outputPath;
  BookInfo info;
  // The database name: the title cut to 29 characters, colons made hyphens.
  std::string bookName;
  // Where the book's images are looked up.
  std::string imageDirectory;
  // Temporaries for the compressed text, sidebar and footnote records:
  // beside the source when its folder can be written, else in a private
  // folder (temporaryFolder) beside the output or in the system's folder for
  // temporary files.
  std::string textTempPath;
  std::string sidebarTempPath;
  std::string footnoteTempPath;
  std::string temporaryFolder;
  BuildTables tables;
  // The whole source file; later phases normalise it in place.
  std::vector<uint8_t> source;
  // The main text is source[0, textLength); the notes block is split off
  // into its own buffer.
  size_t textLength = 0;
  // The footnote and sidebar blocks after the main text.
  NotesBlock notes;
  InputEncoding inputEncoding = InputEncoding::Detect;
  BuildProgress* progress = nullptr;
  // Null when the build keeps no positions; else the map below.
  const SourceMap* places = nullptr;
  SourceMap sourceMap;
};

// What a caller may ask of one build beyond the three inputs.
struct BuildOptions {
  // How the source's bytes are read. Detect converts a source that starts
  // with the UTF-8 byte-order mark and warns about one that only looks like
  // UTF-8; Utf8 always converts; Windows1252 takes the bytes as they are.
  InputEncoding inputEncoding = InputEncoding::Detect;
  // Hears the build's progress from 0 to 100 through reading, both passes
  // and the writing; returning false cancels the build, which then stops
  // cleanly: no book, no temporary file, whatever was at the output path
  // untouched, and the status "Book build cancelled.".
  BuildProgressCallback progress;
  // Messages about a place in the text carry the line and column of the
  // place in the source file. Off, they carry none and the build keeps no
  // record of how its text was rewritten (for comparing the cost).
  bool sourcePositions = true;
};

// Runs one build; true when the book was written. A build keeps all its
// state to itself, so builds may run on several threads at once, each
// reporting to the log sink installed on its own thread.
bool buildBook(const std::string& sourcePath, const std::string& outputPath, const BookInfo& info,
               const BuildOptions& options = BuildOptions());

constexpr size_t kMaxBookNameLength = 29;

// The database name for a title, with the warnings for a long title and for
// colons.
std::string bookNameFromTitle(const std::string& title);

// The image folder of a source: the path without a final ".tml" or ".txt"
// (exact case), followed by "_img".
std::string imageDirectoryFor(const std::string& sourcePath);

}  // namespace scrivora
