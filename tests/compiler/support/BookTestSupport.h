#pragma once
// Helpers for the compiler's tests: a temporary folder, files, log capture,
// byte builders, and small stand-ins for the collections that become sections
// of a book.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "BookDatabaseWriter.h"
#include "BookSection.h"
#include "BuildLog.h"
#include "BuildTables.h"
#include "ByteBuffer.h"

namespace booktest {

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with all its
// contents at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  // Names of everything in the folder, sorted.
  std::vector<std::string> entries() const;

 private:
  std::string path_;
};

// Names of everything in a folder, sorted.
std::vector<std::string> entriesOf(const std::string& folder);

void writeFile(const std::string& path, const std::string& contents);
void writeFile(const std::string& path, const Bytes& contents);
Bytes readFile(const std::string& path);
std::string readText(const std::string& path);
bool fileExists(const std::string& path);
void makeFolder(const std::string& path);

// Collects what the build log reports on this thread while it lives.
class LogCapture {
 public:
  LogCapture() : installed_(sink_) {}
  std::vector<std::string> errors() const { return sink_.textsOf(scrivora::LogKind::Error); }
  std::vector<std::string> warnings() const { return sink_.textsOf(scrivora::LogKind::Warning); }
  std::vector<std::string> statuses() const { return sink_.textsOf(scrivora::LogKind::Status); }
  const std::vector<scrivora::LogMessage>& messages() const { return sink_.messages; }
  bool hasError(const std::string& text) const { return count(scrivora::LogKind::Error, text) > 0; }
  int count(scrivora::LogKind kind, const std::string& text) const;
  void clear() { sink_.clear(); }

 private:
  scrivora::CollectingLogSink sink_;
  scrivora::ScopedLogSink installed_;
};

// Writes the text records of `text` to STEM.tmp in `dir` and returns a writer
// input for STEM.tdb with the temporary files beside it and `tables`; the
// caller adds the name, information, time and sections.
scrivora::BookDatabaseInput bookInputFor(const TempDir& dir, const std::string& stem, const std::string& text,
                                         scrivora::BuildTables& tables);

// zlib-inflates one record; fails the test when the stream is not whole.
std::string inflateRecord(const uint8_t* data, size_t size);

// A pseudo-random text that deflate cannot shrink.
std::string noiseText(size_t length, uint32_t seed);

// Byte runs as records hold them, to be joined in the order written.
Bytes u16(uint16_t value);
Bytes u32(uint32_t value);
Bytes cstring(const std::string& text);
Bytes join(std::initializer_list<Bytes> parts);

// The bytes of a section's record i.
Bytes recordBytes(const scrivora::BookSection& section, size_t i);

// Page tables with entries whose bytes tell their index: page i, record 1,
// offset i, position i, state 0.
class FakePageTable : public scrivora::EntryTable {
 public:
  explicit FakePageTable(size_t count) : count_(count) {}
  size_t entryCount() const override { return count_; }
  size_t entrySize() const override { return 12; }
  void appendEntry(size_t i, scrivora::ByteBuffer& out) const override;

 private:
  size_t count_;
};

// A section whose records are given bytes; sizeError makes recordSize lie by
// that many bytes for record 0, as a faulty collection would.
class FakeSection : public scrivora::BookSection {
 public:
  explicit FakeSection(std::vector<Bytes> records, long sizeError = 0)
      : records_(std::move(records)), sizeError_(sizeError) {}
  size_t recordCount() const override { return records_.size(); }
  size_t recordSize(size_t i) const override { return records_[i].size() + (i == 0 ? sizeError_ : 0); }
  void appendRecord(size_t i, scrivora::ByteBuffer& out) const override {
    out.append(records_[i].data(), records_[i].size());
  }

 private:
  std::vector<Bytes> records_;
  long sizeError_;
};

class FakeReferences : public scrivora::ReferenceSource {
 public:
  FakeReferences(std::vector<std::string> ids, std::vector<uint32_t> counts)
      : ids_(std::move(ids)), counts_(std::move(counts)) {}
  size_t idCount() const override { return ids_.size(); }
  const std::string& idAt(size_t i) const override { return ids_[i]; }
  uint32_t recordCountAt(size_t i) const override { return counts_[i]; }

 private:
  std::vector<std::string> ids_;
  std::vector<uint32_t> counts_;
};

// A record made of a big-endian u32 and a zero-terminated string, as chapter
// and link records are.
Bytes numberAndName(uint32_t number, const std::string& name);

}  // namespace booktest
