#include "BookDatabaseWriter.h"

#include <dirent.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "BookFileWriter.h"
#include "BuildLog.h"
#include "ByteBuffer.h"
#include "FileSystem.h"
#include "RecordCompression.h"

namespace scrivora {

namespace {

constexpr size_t kDatabaseNameField = 32;
constexpr size_t kRecordBufferCapacity = 64000;

const char* const kSectionNames[kSectionCount] = {"small-font page table",
                                                  "large-font page table",
                                                  "chapter",
                                                  "link",
                                                  "image",
                                                  "index",
                                                  "metadata",
                                                  "sidebar",
                                                  "footnote",
                                                  "text-length"};

// Where one section's records sit in the book and how long each is.
struct SectionLayout {
  size_t first = 0;
  std::vector<uint32_t> sizes;
  size_t count() const { return sizes.size(); }
};

// Everything the writer decides before it writes a byte.
struct BookLayout {
  size_t textRecordCount = 0;
  SectionLayout sections[kSectionCount];
  size_t recordCount = 0;
  std::vector<uint64_t> offsets;  // per record, and one more: the file size
  ByteBuffer metadataRecord;
  ByteBuffer textLengthRecord;
  ByteBuffer sidebarIndexRecord;
  ByteBuffer footnoteIndexRecord;
};

bool reportBookFailure(const std::string& outputPath, const std::string& reason) {
  reportError("The book file \"%s\" could not be written: %s.", outputPath.c_str(), reason.c_str());
  return false;
}

size_t pageEntriesPerRecord(const EntryTable& table) { return kPageTableRecordBytes / table.entrySize(); }

bool layOutPageTable(const EntryTable* table, SectionLayout& section) {
  if (!table || table->entryCount() == 0) return true;
  if (table->entrySize() == 0 || table->entrySize() > kPageTableRecordBytes) return false;
  size_t perRecord = pageEntriesPerRecord(*table);
  for (size_t done = 0; done < table->entryCount(); done += perRecord) {
    size_t entries = table->entryCount() - done < perRecord ? table->entryCount() - done : perRecord;
    section.sizes.push_back(uint32_t(entries * table->entrySize()));
  }
  return true;
}

bool layOutSection(const BookSection* records, SectionLayout& section) {
  if (!records) return true;
  for (size_t i = 0; i < records->recordCount(); ++i) {
    size_t size = records->recordSize(i);
    if (size > UINT32_MAX) return false;
    section.sizes.push_back(uint32_t(size));
  }
  return true;
}

void appendMetadataString(ByteBuffer& record, const std::string& text) {
  if (text.size() > kMetadataWarningLength) {
    reportWarning("The string \"%s\" is longer than %d characters; is this necessary?", text.c_str(),
                  int(kMetadataWarningLength));
  }
  record.appendCString(text);
}

void composeMetadataRecord(const BookInfo& info, ByteBuffer& record) {
  appendMetadataString(record, info.title);
  appendMetadataString(record, info.author);
  appendMetadataString(record, info.copyright);
  appendMetadataString(record, info.publisher);
  appendMetadataString(record, info.eisbn);
}

void composeTextLengthRecord(const U32Table& ends, ByteBuffer& record) {
  for (size_t k = 1; k < ends.size(); ++k) record.appendU16(uint16_t(ends[k] - ends[k - 1]));
}

// The index record of the footnotes or sidebars: per id, its number of body
// records, the id's length, the id and a zero byte.
bool composeReferenceIndexRecord(const ReferenceSource& ids, ByteBuffer& record) {
  for (size_t i = 0; i < ids.idCount(); ++i) {
    const std::string& id = ids.idAt(i);
    if (id.size() > 255 || ids.recordCountAt(i) > 0xFFFF) return false;
    record.appendU16(uint16_t(ids.recordCountAt(i)));
    record.appendU8(uint8_t(id.size()));
    record.appendCString(id);
  }
  return true;
}

uint64_t sumOfBodySizes(const U32Table& sizes) {
  uint64_t sum = 0;
  for (size_t k = 1; k < sizes.size(); ++k) sum += sizes[k];
  return sum;
}

// The text tables must describe the text file exactly: a record list built
// from wrong sizes would point the reader into the middle of records.
bool checkTextTables(const BookDatabaseInput& input, std::string& reason) {
  const BuildTables& tables = *input.tables;
  if (tables.textRecordSizes.empty() || tables.textRecordEnds.size() != tables.textRecordSizes.size() ||
      tables.textRecordSizes[0] != 0 || tables.textRecordEnds[0] != 0) {
    reason = "the text record tables are inconsistent";
    return false;
  }
  for (size_t k = 1; k < tables.textRecordEnds.size(); ++k) {
    uint32_t length = tables.textRecordEnds[k] - tables.textRecordEnds[k - 1];
    if (tables.textRecordEnds[k] <= tables.textRecordEnds[k - 1] || length > kTextRecordSize) {
      reason = "text record " + std::to_string(k) + " has an impossible length";
      return false;
    }
  }
  int64_t size = fileSize(input.textTempPath);
  if (size < 0 || uint64_t(size) != sumOfBodySizes(tables.textRecordSizes)) {
    reason = "the text records in \"" + input.textTempPath + "\" do not match their sizes";
    return false;
  }
  return true;
}

bool layOutNotes(const ReferenceSource* ids, const U32Table& sizes, const std::string& tempPath, const char* kind,
                 SectionLayout& section, ByteBuffer& indexRecord, std::string& reason) {
  size_t idCount = ids ? ids->idCount() : 0;
  if (idCount == 0) {
    if (!sizes.empty()) {
      reason = std::string("there are ") + kind + " records but no " + kind + " ids";
      return false;
    }
    return true;
  }
  uint64_t announced = 0;
  for (size_t i = 0; i < idCount; ++i) announced += ids->recordCountAt(i);
  if (sizes.empty() || sizes[0] != 0 || announced != sizes.size() - 1) {
    reason = std::string("the ") + kind + " record counts do not match the " + kind + " records";
    return false;
  }
  if (!composeReferenceIndexRecord(*ids, indexRecord)) {
    reason = std::string("a ") + kind + " id is too long or has too many records";
    return false;
  }
  // Ids whose bodies are all empty have no records, and then the file is
  // not needed at all.
  int64_t size = sizes.size() > 1 ? fileSize(tempPath) : 0;
  if (size < 0 || uint64_t(size) != sumOfBodySizes(sizes)) {
    reason = std::string("the ") + kind + " records in \"" + tempPath + "\" do not match their sizes";
    return false;
  }
  section.sizes.push_back(uint32_t(indexRecord.size()));
  for (size_t k = 1; k < sizes.size(); ++k) section.sizes.push_back(sizes[k]);
  return true;
}

bool layOutBook(const BookDatabaseInput& input, BookLayout& layout, std::string& reason) {
  const BuildTables& tables = *input.tables;
  if (!checkTextTables(input, reason)) return false;
  layout.textRecordCount = tables.textRecordSizes.size() - 1;

  for (const EntryTable* table : {input.smallPageTable, input.largePageTable}) {
    if (table && table->entryCount() > 0xFFFF) {
      reason = "a page table has more than 65535 pages";
      return false;
    }
  }
  bool sized = layOutPageTable(input.smallPageTable, layout.sections[kSmallPageSection]) &&
               layOutPageTable(input.largePageTable, layout.sections[kLargePageSection]) &&
               layOutSection(input.chapters, layout.sections[kChapterSection]) &&
               layOutSection(input.links, layout.sections[kLinkSection]) &&
               layOutSection(input.images, layout.sections[kImageSection]) &&
               layOutSection(input.index, layout.sections[kIndexSection]);
  if (!sized) {
    reason = "a section announced an impossible record size";
    return false;
  }

  composeMetadataRecord(input.info, layout.metadataRecord);
  layout.sections[kMetadataSection].sizes.push_back(uint32_t(layout.metadataRecord.size()));
  if (!layOutNotes(input.sidebars, tables.sidebarRecordSizes, input.sidebarTempPath, "sidebar",
                   layout.sections[kSidebarSection], layout.sidebarIndexRecord, reason) ||
      !layOutNotes(input.footnotes, tables.footnoteRecordSizes, input.footnoteTempPath, "footnote",
                   layout.sections[kFootnoteSection], layout.footnoteIndexRecord, reason)) {
    return false;
  }
  composeTextLengthRecord(tables.textRecordEnds, layout.textLengthRecord);
  layout.sections[kTextLengthSection].sizes.push_back(uint32_t(layout.textLengthRecord.size()));

  // Record numbers: 0 is the book header, 1..t the text, then the sections.
  size_t next = 1 + layout.textRecordCount;
  for (SectionLayout& section : layout.sections) {
    section.first = next;
    next += section.count();
  }
  layout.recordCount = next;
  if (layout.recordCount > kMaxRecordCount) {
    reason = "the book needs " + std::to_string(layout.recordCount) + " records, more than the " +
             std::to_string(kMaxRecordCount) + " a book can hold";
    return false;
  }

  uint64_t offset = kDatabaseHeaderSize + kRecordListEntrySize * layout.recordCount + 2;
  layout.offsets.push_back(offset);
  offset += kBookHeaderRecordSize;
  for (size_t k = 1; k <= layout.textRecordCount; ++k) {
    layout.offsets.push_back(offset);
    offset += tables.textRecordSizes[k];
  }
  for (const SectionLayout& section : layout.sections) {
    for (uint32_t size : section.sizes) {
      layout.offsets.push_back(offset);
      offset += size;
    }
  }
  layout.offsets.push_back(offset);
  if (offset > UINT32_MAX) {
    reason = "the book would be larger than 4 GB";
    return false;
  }
  return true;
}

void writeDatabaseHeader(BookFileWriter& out, const BookDatabaseInput& input, const BookLayout& layout) {
  char name[kDatabaseNameField] = {};
  // At least one zero byte always ends the name.
  std::memcpy(name, input.bookName.data(),
              input.bookName.size() < kDatabaseNameField - 1 ? input.bookName.size() : kDatabaseNameField - 1);
  out.write(name, sizeof name);
  out.writeU16(0x0008);  // attributes
  out.writeU16(0);       // version
  out.writeU32(input.creationTime);
  out.writeU32(input.creationTime + 1);
  out.writeU32(0);  // last backup
  out.writeU32(0);  // modification number
  out.writeU32(0);  // application info
  out.writeU32(0);  // sort info
  out.write("QXbk", 4);
  out.write("QXmk", 4);
  out.writeU32(0);  // unique id seed
  out.writeU32(0);  // next record list
  out.writeU16(uint16_t(layout.recordCount));
}

void writeRecordList(BookFileWriter& out, const BookLayout& layout) {
  for (size_t k = 0; k < layout.recordCount; ++k) {
    out.writeU32(uint32_t(layout.offsets[k]));
    out.writeU8(0);
    out.writeU24(kFirstUniqueId + uint32_t(k));
  }
  out.writeU16(0);
}

void writeBookHeaderRecord(BookFileWriter& out, const BookDatabaseInput& input, const BookLayout& layout) {
  auto count = [&](int section) { return uint16_t(layout.sections[section].count()); };
  auto first = [&](int section) { return uint16_t(layout.sections[section].first); };
  out.writeU16(10);
  out.writeU16(0);
  out.writeU32(0x6240);
  out.writeU16(uint16_t(input.smallPageTable ? input.smallPageTable->entryCount() : 0));
  out.writeU16(uint16_t(input.largePageTable ? input.largePageTable->entryCount() : 0));
  out.writeU16(uint16_t(layout.textRecordCount + 1));
  out.writeU16(count(kChapterSection));
  out.writeU16(count(kSmallPageSection));
  out.writeU16(count(kLargePageSection));
  out.writeU16(count(kImageSection));
  out.writeU16(count(kLinkSection));
  out.writeU16(count(kMetadataSection));
  out.writeU16(count(kIndexSection));
  out.writeU16(count(kFootnoteSection));
  out.writeU16(count(kSidebarSection));
  out.writeU16(first(kChapterSection));
  out.writeU8(10);
  out.writeU8(0);
  out.writeU16(first(kSmallPageSection));
  out.writeU16(first(kLargePageSection));
  out.writeU16(first(kImageSection));
  out.writeU16(first(kLinkSection));
  out.writeU16(first(kMetadataSection));
  out.writeU16(first(kIndexSection));
  out.writeU16(first(kFootnoteSection));
  out.writeU16(first(kSidebarSection));
  out.writeU16(first(kTextLengthSection));
  out.writeU16(count(kTextLengthSection));
  out.writeU32(0);
  out.writeZeros(72);
}

// Writes one book under a temporary name; the caller renames it.
class BookWriteJob {
 public:
  BookWriteJob(const BookDatabaseInput& input, const BookLayout& layout, BookFileWriter& out)
      : input_(input), layout_(layout), out_(out), buffer_(kRecordBufferCapacity) {}

  bool run(std::string& reason) {
    writeDatabaseHeader(out_, input_, layout_);
    writeRecordList(out_, layout_);
    if (!reached(0, reason)) return false;
    writeBookHeaderRecord(out_, input_, layout_);
    out_.copyFile(input_.textTempPath);
    if (!reached(1 + layout_.textRecordCount, reason) || !goOn(reason)) return false;
    writePageTable(input_.smallPageTable, kSmallPageSection);
    writePageTable(input_.largePageTable, kLargePageSection);
    writeSection(input_.chapters, kChapterSection);
    writeSection(input_.links, kLinkSection);
    if (!goOn(reason)) return false;
    writeSection(input_.images, kImageSection);
    writeSection(input_.index, kIndexSection);
    writeComposed(layout_.metadataRecord, kMetadataSection);
    writeNotes(layout_.sidebarIndexRecord, input_.sidebarTempPath, kSidebarSection);
    writeNotes(layout_.footnoteIndexRecord, input_.footnoteTempPath, kFootnoteSection);
    writeComposed(layout_.textLengthRecord, kTextLengthSection);
    if (!goOn(reason)) return false;
    if (!mismatch_.empty()) {
      reason = mismatch_;
      return false;
    }
    return reached(layout_.recordCount, reason);
  }

 private:
  // Tells the progress how much of the book is written; false when the
  // build was cancelled.
  bool goOn(std::string& reason) {
    if (!input_.progress || input_.progress->advance(out_.bytesWritten(), layout_.offsets.back())) return true;
    reason = "cancelled";
    return false;
  }

  // Checks that the file has exactly the length at which the given record
  // (or, for recordCount, the end of the file) starts.
  bool reached(size_t record, std::string& reason) {
    if (out_.failed()) {
      reason = out_.errorText();
      return false;
    }
    if (out_.bytesWritten() != layout_.offsets[record]) {
      reason = "internal error: " + std::to_string(out_.bytesWritten()) + " bytes written where " +
               std::to_string(layout_.offsets[record]) + " were laid out";
      return false;
    }
    return true;
  }

  void noteMismatch(int section, size_t i, size_t written) {
    if (!mismatch_.empty()) return;
    mismatch_ = "internal error: " + std::string(kSectionNames[section]) + " record " + std::to_string(i) +
                " came out " + std::to_string(written) + " bytes long instead of " +
                std::to_string(layout_.sections[section].sizes[i]);
  }

  void writeBuffered(int section, size_t i) {
    if (buffer_.size() != layout_.sections[section].sizes[i]) noteMismatch(section, i, buffer_.size());
    out_.write(buffer_);
  }

  void writePageTable(const EntryTable* table, int section) {
    if (!table) return;
    size_t perRecord = pageEntriesPerRecord(*table);
    for (size_t i = 0; i < layout_.sections[section].count(); ++i) {
      buffer_.clear();
      size_t end = (i + 1) * perRecord < table->entryCount() ? (i + 1) * perRecord : table->entryCount();
      for (size_t entry = i * perRecord; entry < end; ++entry) table->appendEntry(entry, buffer_);
      writeBuffered(section, i);
    }
  }

  void writeSection(const BookSection* records, int section) {
    if (!records) return;
    for (size_t i = 0; i < layout_.sections[section].count(); ++i) {
      buffer_.clear();
      records->appendRecord(i, buffer_);
      writeBuffered(section, i);
    }
  }

  void writeComposed(const ByteBuffer& record, int section) {
    buffer_.clear();
    buffer_.append(record.data(), record.size());
    writeBuffered(section, 0);
  }

  void writeNotes(const ByteBuffer& indexRecord, const std::string& tempPath, int section) {
    if (layout_.sections[section].count() == 0) return;
    writeComposed(indexRecord, section);
    if (layout_.sections[section].count() > 1) out_.copyFile(tempPath);
  }

  const BookDatabaseInput& input_;
  const BookLayout& layout_;
  BookFileWriter& out_;
  ByteBuffer buffer_;
  std::string mismatch_;
};

constexpr const char* kWritingMarker = ".writing-";

// Tells apart the books being written at once by threads of this process.
std::atomic<unsigned> nextWritingSerial{0};

// The process id in a temporary book name made by temporaryBookPath for the
// output named `outputName`, or -1 when `entry` is no such name.
long writerOfTemporary(const std::string& entry, const std::string& outputName) {
  const std::string prefix = outputName + kWritingMarker;
  if (entry.compare(0, prefix.size(), prefix) != 0) return -1;
  size_t at = prefix.size();
  long processId = 0;
  size_t digits = 0;
  for (; at < entry.size() && entry[at] >= '0' && entry[at] <= '9' && digits < 10; ++at, ++digits) {
    processId = processId * 10 + (entry[at] - '0');
  }
  if (digits == 0 || at >= entry.size() || entry[at] != '-' || at + 1 >= entry.size()) return -1;
  for (++at; at < entry.size(); ++at) {
    if (entry[at] < '0' || entry[at] > '9') return -1;
  }
  return processId;
}

bool processIsGone(long processId) { return ::kill(pid_t(processId), 0) != 0 && errno == ESRCH; }

// A build that was killed while writing leaves its temporary book behind;
// the next build for the same output takes it away. Books other processes
// are still writing stay.
void removeStaleTemporaries(const std::string& target) {
  const std::string folder = directoryOf(target);
  const std::string outputName = fileNameOf(target);
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  std::vector<std::string> stale;
  while (dirent* entry = ::readdir(dir)) {
    const long writer = writerOfTemporary(entry->d_name, outputName);
    if (writer > 0 && writer != long(::getpid()) && processIsGone(writer)) stale.push_back(entry->d_name);
  }
  ::closedir(dir);
  for (const std::string& name : stale) removePath(folder + "/" + name);
}

// A name beside the output that nothing else uses.
bool openTemporaryBeside(const std::string& target, BookFileWriter& out, std::string& tempPath) {
  for (int tries = 0; tries < 100; ++tries) {
    tempPath = temporaryBookPath(target, long(::getpid()), nextWritingSerial++);
    if (pathExists(tempPath)) continue;
    return out.openNew(tempPath);
  }
  return false;
}

// A rebuilt book keeps the permissions the user gave the earlier one.
void keepPermissionsOf(const std::string& earlier, const std::string& tempPath) {
  struct stat info;
  if (::stat(earlier.c_str(), &info) == 0 && S_ISREG(info.st_mode)) ::chmod(tempPath.c_str(), info.st_mode & 07777);
}

bool cancelled(const BookDatabaseInput& input) { return input.progress && input.progress->cancelled(); }

}  // namespace

std::string temporaryBookPath(const std::string& outputPath, long processId, unsigned serial) {
  return outputPath + kWritingMarker + std::to_string(processId) + "-" + std::to_string(serial);
}

bool writeBookDatabase(const BookDatabaseInput& input) {
  if (!input.tables) return reportBookFailure(input.outputPath, "no build tables were given");
  BookLayout layout;
  std::string reason;
  if (!layOutBook(input, layout, reason)) return reportBookFailure(input.outputPath, reason);

  const std::string target = followSymbolicLinks(input.outputPath);
  removeStaleTemporaries(target);
  BookFileWriter out;
  std::string tempPath;
  if (!openTemporaryBeside(target, out, tempPath)) {
    return reportBookFailure(input.outputPath, out.errorText().empty() ? "cannot open" : out.errorText());
  }
  BookWriteJob job(input, layout, out);
  bool written = job.run(reason);
  if (!out.close(true) && written) {
    written = false;
    reason = out.errorText();
  }
  if (written && cancelled(input)) {
    removePath(tempPath);
    return false;
  }
  keepPermissionsOf(target, tempPath);
  if (written && std::rename(tempPath.c_str(), target.c_str()) != 0) {
    written = false;
    reason = std::string("cannot rename the finished book into place: ") + systemErrorText(errno);
  }
  if (!written) {
    removePath(tempPath);
    if (cancelled(input)) return false;
    return reportBookFailure(input.outputPath, reason);
  }
  reportStatus("Done.");
  return true;
}

uint32_t bookCreationTime() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch && *epoch) {
    char* end = nullptr;
    errno = 0;
    unsigned long long seconds = std::strtoull(epoch, &end, 10);
    // The modification date is one second later, so leave room for it.
    if (errno == 0 && *end == '\0' && epoch[0] >= '0' && epoch[0] <= '9' && seconds < UINT32_MAX) {
      return uint32_t(seconds);
    }
    reportWarning("SOURCE_DATE_EPOCH \"%s\" is not a usable date; the current time is used.", epoch);
  }
  return uint32_t(std::time(nullptr));
}

}  // namespace scrivora
