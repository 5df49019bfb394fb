#include "BookReader.h"

#include <zlib.h>

#include <algorithm>
#include <set>

#include "BookDatabaseWriter.h"
#include "ByteBuffer.h"
#include "FileSystem.h"
#include "RecordCompression.h"

namespace scrivora {

namespace {

constexpr size_t kPageEntrySize = 12;
constexpr size_t kPageEntriesPerRecord = kPageTableRecordBytes / kPageEntrySize;
constexpr size_t kImageHeaderSize = 62;
const uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::string number(uint64_t value) { return std::to_string(value); }

std::string recordName(const std::string& section, size_t i) { return section + " record " + number(i); }

// Reads zero-terminated strings off a record from a cursor; false when the
// record ends before the zero byte.
bool takeCString(const uint8_t* data, size_t size, size_t& at, std::string& text) {
  for (size_t end = at; end < size; ++end) {
    if (data[end] == 0) {
      text.assign(reinterpret_cast<const char*>(data + at), end - at);
      at = end + 1;
      return true;
    }
  }
  return false;
}

}  // namespace

bool BookReader::readFile(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!readWholeFile(path, bytes)) return false;
  readBytes(bytes);
  return true;
}

void BookReader::readBytes(const std::vector<uint8_t>& bytes) {
  bytes_ = bytes;
  contents_ = BookContents();
  problems_.clear();
  contents_.fileSize = bytes_.size();
  if (!readContainer()) return;
  readBookHeader();
  if (!contents_.hasBookHeader) return;
  planSections();
  readTextRecords();
  const std::vector<SectionPlacement>& s = contents_.sections;
  readPageTable(s[kSmallPageSection], contents_.bookHeader.smallPageEntries, contents_.smallPages);
  readPageTable(s[kLargePageSection], contents_.bookHeader.largePageEntries, contents_.largePages);
  readNamedRecords(s[kChapterSection], false);
  readNamedRecords(s[kLinkSection], true);
  readImages(s[kImageSection]);
  readIndex(s[kIndexSection]);
  readMetadata(s[kMetadataSection]);
  readNotes(s[kSidebarSection], contents_.sidebars);
  readNotes(s[kFootnoteSection], contents_.footnotes);
  readTextLengths();
}

bool BookReader::readContainer() {
  if (bytes_.size() < kDatabaseHeaderSize) {
    problem("the file has " + number(bytes_.size()) + " bytes, too few for a database header");
    return false;
  }
  const uint8_t* p = bytes_.data();
  DatabaseHeaderFields& h = contents_.header;
  size_t nameLength = 0;
  while (nameLength < 32 && p[nameLength] != 0) ++nameLength;
  h.name.assign(reinterpret_cast<const char*>(p), nameLength);
  if (nameLength == 32) problem("the database name has no zero byte within its 32 bytes");
  h.attributes = readU16(p + 32);
  h.version = readU16(p + 34);
  h.creationTime = readU32(p + 36);
  h.modificationTime = readU32(p + 40);
  h.backupTime = readU32(p + 44);
  h.modificationNumber = readU32(p + 48);
  h.appInfoOffset = readU32(p + 52);
  h.sortInfoOffset = readU32(p + 56);
  h.type.assign(reinterpret_cast<const char*>(p + 60), 4);
  h.creator.assign(reinterpret_cast<const char*>(p + 64), 4);
  h.uniqueIdSeed = readU32(p + 68);
  h.nextRecordList = readU32(p + 72);
  h.recordCount = readU16(p + 76);
  if (h.type != "QXbk" || h.creator != "QXmk") {
    problem("the database type and creator are \"" + h.type + "\" and \"" + h.creator + "\", not QXbk and QXmk");
  }
  if (h.attributes != 8) problem("the database attributes are " + number(h.attributes) + ", not 8");
  if (h.modificationTime != h.creationTime + 1) problem("the modification date is not the creation date plus 1");
  if (h.nextRecordList != 0) problem("the header points to a further record list");
  readRecordList();
  return !contents_.records.empty() && contents_.records[0].usable;
}

void BookReader::readRecordList() {
  size_t n = contents_.header.recordCount;
  size_t listEnd = kDatabaseHeaderSize + kRecordListEntrySize * n;
  if (n == 0) {
    problem("the book has no records");
    return;
  }
  if (listEnd + 2 > bytes_.size()) {
    problem("the record list of " + number(n) + " entries runs past the end of the file");
    return;
  }
  if (bytes_[listEnd] != 0 || bytes_[listEnd + 1] != 0)
    problem("the two zero bytes after the record list are not zero");
  std::set<uint32_t> ids;
  contents_.records.resize(n);
  for (size_t k = 0; k < n; ++k) {
    const uint8_t* entry = bytes_.data() + kDatabaseHeaderSize + kRecordListEntrySize * k;
    RecordListEntry& record = contents_.records[k];
    record.offset = readU32(entry);
    record.attributes = entry[4];
    record.uniqueId = readU24(entry + 5);
    if (record.attributes != 0) problem("record " + number(k) + " has attributes " + number(record.attributes));
    if (!ids.insert(record.uniqueId).second)
      problem("record " + number(k) + " repeats the unique id " + number(record.uniqueId));
    if (record.uniqueId != kFirstUniqueId + k) {
      problem("record " + number(k) + " has the unique id " + number(record.uniqueId) + ", expected " +
              number(kFirstUniqueId + k));
    }
  }
  if (contents_.records[0].offset != listEnd + 2) {
    problem("record 0 starts at " + number(contents_.records[0].offset) + ", not right after the record list at " +
            number(listEnd + 2));
  }
  for (size_t k = 0; k < n; ++k) {
    RecordListEntry& record = contents_.records[k];
    uint64_t end = k + 1 < n ? contents_.records[k + 1].offset : bytes_.size();
    if (record.offset < listEnd + 2 || record.offset > bytes_.size()) {
      problem("record " + number(k) + " starts at " + number(record.offset) +
              ", outside the records' part of the file");
      continue;
    }
    if (end < record.offset || end > bytes_.size()) {
      problem("record " + number(k + 1) + " starts at " + number(end) + ", not after record " + number(k) + " at " +
              number(record.offset) + " and within the file");
      continue;
    }
    record.size = uint32_t(end - record.offset);
    record.usable = true;
  }
}

void BookReader::readBookHeader() {
  const RecordListEntry& record = contents_.records[0];
  if (record.size != kBookHeaderRecordSize) {
    problem("the book header record has " + number(record.size) + " bytes, not 132");
    if (record.size < kBookHeaderRecordSize) return;
  }
  const uint8_t* p = bytes_.data() + record.offset;
  BookHeaderFields& b = contents_.bookHeader;
  b.marker = readU16(p);
  b.reserved2 = readU16(p + 2);
  b.magic = readU32(p + 4);
  b.smallPageEntries = readU16(p + 8);
  b.largePageEntries = readU16(p + 10);
  b.textRecordsPlusOne = readU16(p + 12);
  b.chapterCount = readU16(p + 14);
  b.smallPageRecords = readU16(p + 16);
  b.largePageRecords = readU16(p + 18);
  b.imageCount = readU16(p + 20);
  b.linkCount = readU16(p + 22);
  b.metadataCount = readU16(p + 24);
  b.indexCount = readU16(p + 26);
  b.footnoteCount = readU16(p + 28);
  b.sidebarCount = readU16(p + 30);
  b.firstChapter = readU16(p + 32);
  b.marker34 = p[34];
  b.marker35 = p[35];
  b.firstSmallPage = readU16(p + 36);
  b.firstLargePage = readU16(p + 38);
  b.firstImage = readU16(p + 40);
  b.firstLink = readU16(p + 42);
  b.firstMetadata = readU16(p + 44);
  b.firstIndex = readU16(p + 46);
  b.firstFootnote = readU16(p + 48);
  b.firstSidebar = readU16(p + 50);
  b.firstTextLength = readU16(p + 52);
  b.textLengthCount = readU16(p + 54);
  b.reserved56 = readU32(p + 56);
  contents_.hasBookHeader = true;
  if (b.marker != 10 || b.reserved2 != 0 || b.magic != 0x6240 || b.marker34 != 10 || b.marker35 != 0 ||
      b.reserved56 != 0) {
    problem("the fixed fields of the book header record do not hold 10, 0, 0x6240, 10, 0 and 0");
  }
  for (size_t i = 60; i < kBookHeaderRecordSize; ++i) {
    if (p[i] != 0) {
      problem("the last 72 bytes of the book header record are not all zero");
      break;
    }
  }
  if (b.textRecordsPlusOne == 0) problem("the book header counts 0 for the text records plus 1");
  if (b.metadataCount != 1) problem("the book header counts " + number(b.metadataCount) + " metadata records, not 1");
  if (b.textLengthCount != 1) {
    problem("the book header counts " + number(b.textLengthCount) + " text-length records, not 1");
  }
  if (b.smallPageRecords != (b.smallPageEntries + kPageEntriesPerRecord - 1) / kPageEntriesPerRecord ||
      b.largePageRecords != (b.largePageEntries + kPageEntriesPerRecord - 1) / kPageEntriesPerRecord) {
    problem("the page table record counts do not fit the page counts (1333 entries to a record)");
  }
}

// The sections in the order their records follow one another; each must
// start where the one before it ends, and the last must end with the book.
void BookReader::planSections() {
  const BookHeaderFields& b = contents_.bookHeader;
  contents_.sections = {
      {"small-font page table", b.firstSmallPage, b.smallPageRecords},
      {"large-font page table", b.firstLargePage, b.largePageRecords},
      {"chapter", b.firstChapter, b.chapterCount},
      {"link", b.firstLink, b.linkCount},
      {"image", b.firstImage, b.imageCount},
      {"index", b.firstIndex, b.indexCount},
      {"metadata", b.firstMetadata, b.metadataCount},
      {"sidebar", b.firstSidebar, b.sidebarCount},
      {"footnote", b.firstFootnote, b.footnoteCount},
      {"text-length", b.firstTextLength, b.textLengthCount},
  };
  size_t expected = b.textRecordsPlusOne == 0 ? 1 : b.textRecordsPlusOne;
  size_t n = contents_.records.size();
  if (expected > n) {
    problem("the book header counts " + number(expected - 1) + " text records but the book has only " + number(n) +
            " records");
  }
  for (const SectionPlacement& section : contents_.sections) {
    if (size_t(section.first) + section.count > n) {
      problem("the " + section.name + " section's records " + number(section.first) + " to " +
              number(size_t(section.first) + section.count - 1) + " lie beyond the record list");
    }
    if (section.first != expected) {
      problem("the " + section.name + " section starts at record " + number(section.first) + ", expected " +
              number(expected));
    }
    expected = size_t(section.first) + section.count;
  }
  if (expected != contents_.records.size()) {
    problem("the sections end at record " + number(expected) + " but the book has " + number(contents_.records.size()) +
            " records");
  }
}

bool BookReader::sectionRecord(const SectionPlacement& section, size_t i, Span& span) {
  // Sections that run past the record list were reported once, as a whole.
  size_t index = size_t(section.first) + i;
  if (index >= contents_.records.size()) return false;
  const RecordListEntry& record = contents_.records[index];
  if (!record.usable) return false;
  span.data = bytes_.data() + record.offset;
  span.size = record.size;
  return true;
}

bool BookReader::inflateRecord(const std::string& what, Span span, std::string& out) {
  // One byte of room beyond the limit shows a record that inflates too far.
  uint8_t buffer[kTextRecordSize + 1];
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) {
    problem(what + ": zlib could not start");
    return false;
  }
  stream.next_in = const_cast<Bytef*>(span.data);
  stream.avail_in = uInt(span.size);
  stream.next_out = buffer;
  stream.avail_out = sizeof buffer;
  int status = inflate(&stream, Z_FINISH);
  size_t produced = sizeof buffer - stream.avail_out;
  size_t unused = stream.avail_in;
  inflateEnd(&stream);
  if (status != Z_STREAM_END) {
    problem(what + " is not a complete zlib stream" + (produced > kTextRecordSize ? " of at most 8192 bytes" : ""));
    return false;
  }
  if (unused != 0) problem(what + " has " + number(unused) + " bytes after its zlib stream");
  if (produced > kTextRecordSize) {
    problem(what + " inflates to more than 8192 bytes");
    return false;
  }
  out.assign(reinterpret_cast<const char*>(buffer), produced);
  return true;
}

void BookReader::readTextRecords() {
  size_t t = contents_.bookHeader.textRecordsPlusOne == 0 ? 0 : contents_.bookHeader.textRecordsPlusOne - 1;
  contents_.textRecordEnds.push_back(0);
  SectionPlacement textSection{"text", 1, uint16_t(t)};
  for (size_t k = 0; k < t; ++k) {
    Span span;
    std::string piece;
    if (sectionRecord(textSection, k, span)) inflateRecord("text record " + number(k + 1), span, piece);
    contents_.text += piece;
    contents_.textRecordEnds.push_back(uint32_t(contents_.text.size()));
  }
}

void BookReader::readTextLengths() {
  const SectionPlacement& section = contents_.sections[kTextLengthSection];
  Span span;
  if (section.count == 0 || !sectionRecord(section, 0, span)) return;
  size_t t = contents_.textRecordEnds.size() - 1;
  if (span.size != 2 * t) {
    problem("the text-length record has " + number(span.size) + " bytes, not 2 for each of the " + number(t) +
            " text records");
  }
  for (size_t k = 0; k + 1 < span.size; k += 2) contents_.storedTextLengths.push_back(readU16(span.data + k));
  for (size_t k = 0; k < t && k < contents_.storedTextLengths.size(); ++k) {
    uint32_t actual = contents_.textRecordEnds[k + 1] - contents_.textRecordEnds[k];
    if (contents_.storedTextLengths[k] != actual) {
      problem("text record " + number(k + 1) + " inflates to " + number(actual) +
              " bytes but the text-length record says " + number(contents_.storedTextLengths[k]));
    }
  }
}

bool BookReader::textLocationValid(uint16_t record, uint16_t offset) const {
  if (record == 0 || record >= contents_.textRecordEnds.size()) return false;
  return offset <= contents_.textRecordEnds[record] - contents_.textRecordEnds[record - 1];
}

void BookReader::readPageTable(const SectionPlacement& section, uint16_t entryCount,
                               std::vector<StoredPageEntry>& pages) {
  for (size_t i = 0; i < section.count; ++i) {
    Span span;
    if (!sectionRecord(section, i, span)) continue;
    bool last = i + 1 == section.count;
    if (span.size % kPageEntrySize != 0 ||
        (!last && span.size != kPageTableRecordBytes - kPageTableRecordBytes % kPageEntrySize)) {
      problem(recordName(section.name, i) + " has " + number(span.size) +
              " bytes; a page table record holds 1333 entries of 12 bytes, only the last fewer");
    }
    for (size_t at = 0; at + kPageEntrySize <= span.size; at += kPageEntrySize) {
      StoredPageEntry entry;
      entry.page = readU16(span.data + at);
      entry.record = readU16(span.data + at + 2);
      entry.offset = readU16(span.data + at + 4);
      entry.position = readU32(span.data + at + 6);
      entry.state = readU16(span.data + at + 10);
      pages.push_back(entry);
    }
  }
  if (pages.size() != entryCount) {
    problem("the " + section.name + " holds " + number(pages.size()) + " entries but the book header counts " +
            number(entryCount));
  }
  checkPagePlaces(section.name, pages);
}

void BookReader::checkPagePlaces(const std::string& name, const std::vector<StoredPageEntry>& pages) {
  for (size_t i = 0; i < pages.size(); ++i) {
    const StoredPageEntry& entry = pages[i];
    std::string where = name + " entry " + number(i);
    if (entry.page != i) problem(where + " is numbered page " + number(entry.page));
    if (!textLocationValid(entry.record, entry.offset)) {
      problem(where + " points to text record " + number(entry.record) + " offset " + number(entry.offset) +
              ", which is not in the text");
    } else if (contents_.textRecordEnds[entry.record - 1] + entry.offset != entry.position) {
      problem(where + " gives the position " + number(entry.position) + " but its record and offset mean " +
              number(contents_.textRecordEnds[entry.record - 1] + entry.offset));
    }
    if (i > 0 && entry.position < pages[i - 1].position) problem(where + " starts before the page before it");
  }
}

// Chapter and link records share one layout: a u32, then a zero-terminated
// string that fills the rest of the record.
void BookReader::readNamedRecords(const SectionPlacement& section, bool links) {
  for (size_t i = 0; i < section.count; ++i) {
    Span span;
    if (!sectionRecord(section, i, span)) continue;
    std::string what = recordName(section.name, i);
    size_t at = 4;
    std::string name;
    if (span.size < 5 || !takeCString(span.data, span.size, at, name) || at != span.size) {
      problem(what + " is not a 4-byte number followed by one zero-terminated string");
      if (span.size < 4) continue;
      name.assign(reinterpret_cast<const char*>(span.data + 4), span.size - 4);
    }
    uint32_t value = readU32(span.data);
    if (links) {
      if (value != kUndefinedLinkTarget && value > contents_.text.size()) {
        problem(what + " targets position " + number(value) + ", beyond the text");
      }
      contents_.links.push_back({value, name});
    } else {
      if (value > contents_.text.size()) problem(what + " is at position " + number(value) + ", beyond the text");
      contents_.chapters.push_back({value, name});
    }
  }
}

void BookReader::readIndex(const SectionPlacement& section) {
  if (section.count == 0) return;
  Span directory;
  if (!sectionRecord(section, 0, directory)) return;
  for (size_t at = 0; at < directory.size;) {
    std::string term;
    if (!takeCString(directory.data, directory.size, at, term)) {
      problem("the index directory record ends inside a term");
      break;
    }
    contents_.indexDirectory.push_back(term);
  }
  if (contents_.indexDirectory.size() != size_t(section.count) - 1) {
    problem("the index directory names " + number(contents_.indexDirectory.size()) + " records but the index has " +
            number(section.count - 1u) + " data records");
  }
  for (size_t i = 1; i < section.count; ++i) {
    Span span;
    if (!sectionRecord(section, i, span)) continue;
    std::string what = recordName(section.name, i);
    bool first = true;
    for (size_t at = 0; at < span.size;) {
      IndexEntry entry;
      if (span.size - at < 5) {
        problem(what + " ends inside an entry");
        break;
      }
      entry.record = readU16(span.data + at);
      entry.offset = readU16(span.data + at + 2);
      at += 4;
      if (!takeCString(span.data, span.size, at, entry.term)) {
        problem(what + " ends inside a term");
        break;
      }
      if (!textLocationValid(entry.record, entry.offset)) {
        problem(what + ": the term \"" + entry.term + "\" points outside the text");
      }
      if (first && i - 1 < contents_.indexDirectory.size() && contents_.indexDirectory[i - 1] != entry.term) {
        problem(what + " begins with \"" + entry.term + "\" but the directory says \"" +
                contents_.indexDirectory[i - 1] + "\"");
      }
      first = false;
      contents_.indexEntries.push_back(entry);
    }
    if (first) problem(what + " holds no entry");
  }
}

void BookReader::readImages(const SectionPlacement& section) {
  for (size_t i = 0; i < section.count; ++i) {
    Span span;
    if (!sectionRecord(section, i, span)) continue;
    std::string what = recordName(section.name, i);
    if (span.size < kImageHeaderSize) {
      problem(what + " has " + number(span.size) + " bytes, too few for an image header");
      continue;
    }
    ImageEntry image;
    if (std::string(reinterpret_cast<const char*>(span.data), 4) != "PNG ")
      problem(what + " does not begin with \"PNG \"");
    size_t nameLength = 0;
    while (nameLength < 32 && span.data[4 + nameLength] != 0) ++nameLength;
    if (nameLength == 32) problem(what + ": the image name has no zero byte within its 32 bytes");
    image.name.assign(reinterpret_cast<const char*>(span.data + 4), nameLength);
    for (size_t at = 36; at < 58; ++at) {
      if (span.data[at] != 0) {
        problem(what + ": the reserved bytes are not zero");
        break;
      }
    }
    image.width = readU16(span.data + 58);
    image.height = readU16(span.data + 60);
    image.png.assign(span.data + kImageHeaderSize, span.data + span.size);
    if (image.png.size() < sizeof kPngSignature ||
        !std::equal(kPngSignature, kPngSignature + sizeof kPngSignature, image.png.begin())) {
      problem(what + " (" + image.name + ") does not hold a PNG file");
    }
    contents_.images.push_back(std::move(image));
  }
}

void BookReader::readMetadata(const SectionPlacement& section) {
  Span span;
  if (section.count == 0 || !sectionRecord(section, 0, span)) return;
  std::string strings[5];
  size_t at = 0;
  for (std::string& text : strings) {
    if (!takeCString(span.data, span.size, at, text)) {
      problem("the metadata record does not hold five zero-terminated strings");
      return;
    }
  }
  if (at != span.size) problem("the metadata record has " + number(span.size - at) + " bytes after its five strings");
  contents_.hasMetadata = true;
  contents_.metadata.title = strings[0];
  contents_.metadata.author = strings[1];
  contents_.metadata.copyright = strings[2];
  contents_.metadata.publisher = strings[3];
  contents_.metadata.eisbn = strings[4];
}

void BookReader::readNotes(const SectionPlacement& section, std::vector<NoteEntry>& notes) {
  if (section.count == 0) return;
  Span index;
  if (!sectionRecord(section, 0, index)) return;
  size_t announced = 0;
  for (size_t at = 0; at < index.size;) {
    NoteEntry note;
    if (index.size - at < 4) {
      problem("the " + section.name + " index record ends inside an entry");
      break;
    }
    note.recordCount = readU16(index.data + at);
    size_t length = index.data[at + 2];
    at += 3;
    if (index.size - at < length + 1 || index.data[at + length] != 0) {
      problem("the " + section.name + " index record ends inside an id, or an id lacks its zero byte");
      break;
    }
    note.id.assign(reinterpret_cast<const char*>(index.data + at), length);
    at += length + 1;
    announced += note.recordCount;
    notes.push_back(note);
  }
  if (announced != size_t(section.count) - 1) {
    problem("the " + section.name + " index record announces " + number(announced) +
            " body records but the section has " + number(section.count - 1u));
  }
  size_t record = 1;
  for (NoteEntry& note : notes) {
    for (size_t k = 0; k < note.recordCount && record < section.count; ++k, ++record) {
      Span span;
      std::string piece;
      if (sectionRecord(section, record, span)) {
        inflateRecord(recordName(section.name, record) + " (" + note.id + ")", span, piece);
      }
      note.body += piece;
    }
  }
}

}  // namespace scrivora
