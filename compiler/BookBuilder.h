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
#include "BuildTables.h"
#include "NotesBlock.h"
#include "SourceEncoding.h"

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
  // Temporaries beside the source: the compressed text, sidebar and
  // footnote records.
  std::string textTempPath;
  std::string sidebarTempPath;
  std::string footnoteTempPath;
  BuildTables tables;
  // The whole source file; later phases normalise it in place.
  std::vector<uint8_t> source;
  // The main text is source[0, textLength); the notes block is split off
  // into its own buffer.
  size_t textLength = 0;
  // The footnote and sidebar blocks after the main text.
  NotesBlock notes;
};

// What a caller may ask of one build beyond the three inputs.
struct BuildOptions {
  InputEncoding inputEncoding = InputEncoding::Detect;
};

// Runs one build; true when the book was written.
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
