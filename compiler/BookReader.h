#pragma once
// Reads a book database back: the container, the book header record and every
// section, decompressing the text and the note bodies. Everything that does
// not add up (offsets, ids, counts, zlib streams, record layouts) is collected
// as a problem in words; reading goes on past a problem wherever it can, so
// one pass reports all of them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "BookInfo.h"

namespace scrivora {

struct DatabaseHeaderFields {
  std::string name;
  uint16_t attributes = 0;
  uint16_t version = 0;
  uint32_t creationTime = 0;
  uint32_t modificationTime = 0;
  uint32_t backupTime = 0;
  uint32_t modificationNumber = 0;
  uint32_t appInfoOffset = 0;
  uint32_t sortInfoOffset = 0;
  std::string type;
  std::string creator;
  uint32_t uniqueIdSeed = 0;
  uint32_t nextRecordList = 0;
  uint16_t recordCount = 0;
};

struct RecordListEntry {
  uint32_t offset = 0;
  uint8_t attributes = 0;
  uint32_t uniqueId = 0;
  // Derived: up to the next record's offset (or the end of the file); 0 when
  // the offsets make no sense.
  uint32_t size = 0;
  bool usable = false;
};

// Record 0, field by field in the order they are stored.
struct BookHeaderFields {
  uint16_t marker = 0;  // 10
  uint16_t reserved2 = 0;
  uint32_t magic = 0;  // 0x6240
  uint16_t smallPageEntries = 0;
  uint16_t largePageEntries = 0;
  uint16_t textRecordsPlusOne = 0;
  uint16_t chapterCount = 0;
  uint16_t smallPageRecords = 0;
  uint16_t largePageRecords = 0;
  uint16_t imageCount = 0;
  uint16_t linkCount = 0;
  uint16_t metadataCount = 0;
  uint16_t indexCount = 0;
  uint16_t footnoteCount = 0;
  uint16_t sidebarCount = 0;
  uint16_t firstChapter = 0;
  uint8_t marker34 = 0;  // 10
  uint8_t marker35 = 0;
  uint16_t firstSmallPage = 0;
  uint16_t firstLargePage = 0;
  uint16_t firstImage = 0;
  uint16_t firstLink = 0;
  uint16_t firstMetadata = 0;
  uint16_t firstIndex = 0;
  uint16_t firstFootnote = 0;
  uint16_t firstSidebar = 0;
  uint16_t firstTextLength = 0;
  uint16_t textLengthCount = 0;
  uint32_t reserved56 = 0;
};

struct StoredPageEntry {
  uint16_t page = 0;
  uint16_t record = 0;
  uint16_t offset = 0;
  uint32_t position = 0;
  uint16_t state = 0;
};

struct ChapterEntry {
  uint32_t position = 0;
  std::string title;
};

constexpr uint32_t kUndefinedLinkTarget = 0xFFFFFFFF;

struct LinkEntry {
  uint32_t target = 0;
  std::string name;
};

struct IndexEntry {
  uint16_t record = 0;
  uint16_t offset = 0;
  std::string term;
};

struct ImageEntry {
  std::string name;
  uint16_t width = 0;
  uint16_t height = 0;
  std::vector<uint8_t> png;
};

struct NoteEntry {
  std::string id;
  uint16_t recordCount = 0;
  std::string body;  // the decompressed body records, joined
};

// One of the ten sections as the book header describes it.
struct SectionPlacement {
  std::string name;
  uint16_t first = 0;
  uint16_t count = 0;
};

struct BookContents {
  uint64_t fileSize = 0;
  DatabaseHeaderFields header;
  std::vector<RecordListEntry> records;
  bool hasBookHeader = false;
  BookHeaderFields bookHeader;
  std::vector<SectionPlacement> sections;  // in record order
  std::string text;
  // 0, then the text offset after each decompressed text record.
  std::vector<uint32_t> textRecordEnds;
  std::vector<uint16_t> storedTextLengths;
  std::vector<StoredPageEntry> smallPages;
  std::vector<StoredPageEntry> largePages;
  std::vector<ChapterEntry> chapters;
  std::vector<LinkEntry> links;
  std::vector<std::string> indexDirectory;  // first term of each data record
  std::vector<IndexEntry> indexEntries;
  std::vector<ImageEntry> images;
  bool hasMetadata = false;
  BookInfo metadata;
  std::vector<NoteEntry> sidebars;
  std::vector<NoteEntry> footnotes;
};

class BookReader {
 public:
  // False only when the file cannot be read at all; a file that is not a
  // sound book reads as far as it can and lists its problems.
  bool readFile(const std::string& path);
  void readBytes(const std::vector<uint8_t>& bytes);

  const BookContents& contents() const { return contents_; }
  const std::vector<std::string>& problems() const { return problems_; }
  bool consistent() const { return problems_.empty(); }

 private:
  struct Span {
    const uint8_t* data = nullptr;
    size_t size = 0;
  };

  void problem(const std::string& text) { problems_.push_back(text); }
  bool readContainer();
  void readRecordList();
  void readBookHeader();
  void planSections();
  bool sectionRecord(const SectionPlacement& section, size_t i, Span& span);
  void readTextRecords();
  void readTextLengths();
  void readPageTable(const SectionPlacement& section, uint16_t entryCount, std::vector<StoredPageEntry>& pages);
  void checkPagePlaces(const std::string& name, const std::vector<StoredPageEntry>& pages);
  void readNamedRecords(const SectionPlacement& section, bool links);
  void readIndex(const SectionPlacement& section);
  void readImages(const SectionPlacement& section);
  void readMetadata(const SectionPlacement& section);
  void readNotes(const SectionPlacement& section, std::vector<NoteEntry>& notes);
  bool inflateRecord(const std::string& what, Span span, std::string& out);
  bool textLocationValid(uint16_t record, uint16_t offset) const;

  std::vector<uint8_t> bytes_;
  BookContents contents_;
  std::vector<std::string> problems_;
};

}  // namespace scrivora
