#pragma once
// Lays out and writes a book database (.tdb): database header, record list,
// book header record, the compressed text records and ten sections of
// further records in a fixed order. Sizes come first: the whole record list
// is computed before any record is written, and the writer then checks that
// every record came out exactly as long as it announced.

#include <cstddef>
#include <cstdint>
#include <string>

#include "BookInfo.h"
#include "BookSection.h"
#include "BuildProgress.h"
#include "BuildTables.h"

namespace scrivora {

struct BookDatabaseInput {
  // The compressed text records, and the compressed sidebar and footnote
  // bodies (those two are only read when their section has ids).
  std::string textTempPath;
  std::string sidebarTempPath;
  std::string footnoteTempPath;
  std::string outputPath;
  // The database name: at most 29 characters, already made from the title.
  std::string bookName;
  BookInfo info;
  // A null pointer stands for an empty section.
  const EntryTable* smallPageTable = nullptr;
  const EntryTable* largePageTable = nullptr;
  const BookSection* chapters = nullptr;
  const BookSection* links = nullptr;
  const BookSection* images = nullptr;
  const BookSection* index = nullptr;
  const ReferenceSource* sidebars = nullptr;
  const ReferenceSource* footnotes = nullptr;
  const BuildTables* tables = nullptr;
  // Seconds since 1970 UTC; the modification date is one second later.
  uint32_t creationTime = 0;
  // Hears how far the writing is; may be null. A cancelled build writes no
  // book and reports nothing here.
  BuildProgress* progress = nullptr;
};

// Writes the complete book and reports "Done."; true on success. On any
// failure an error naming the book file is reported and what was at the
// output path stays as it was: the book is written beside it under a
// temporary name and renamed into place only when complete. An output that
// is a symbolic link keeps the link: the book replaces the file it points to.
// Temporary books that an earlier, killed build left beside the output are
// removed.
bool writeBookDatabase(const BookDatabaseInput& input);

// The name under which a book for `outputPath` is written before it is
// renamed into place: the output's name, ".writing-", the writing process's
// id, "-" and a number unique within that process.
std::string temporaryBookPath(const std::string& outputPath, long processId, unsigned serial);

// The creation date of a book built now: SOURCE_DATE_EPOCH when it is set
// (so that two builds of one source give identical files), else the current
// time.
uint32_t bookCreationTime();

// Fixed sizes of the container.
constexpr size_t kDatabaseHeaderSize = 78;
constexpr size_t kRecordListEntrySize = 8;
constexpr size_t kBookHeaderRecordSize = 132;
constexpr uint32_t kFirstUniqueId = 0x6F8000;
constexpr size_t kPageTableRecordBytes = 16000;
constexpr size_t kMetadataWarningLength = 256;
constexpr size_t kMaxRecordCount = 0xFFFF;

// The ten sections that follow the text records, in the order they are
// written.
enum BookSectionNumber {
  kSmallPageSection = 0,
  kLargePageSection,
  kChapterSection,
  kLinkSection,
  kImageSection,
  kIndexSection,
  kMetadataSection,
  kSidebarSection,
  kFootnoteSection,
  kTextLengthSection,
  kSectionCount
};

}  // namespace scrivora
