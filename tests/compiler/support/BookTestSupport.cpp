#include "BookTestSupport.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "BookFileWriter.h"
#include "BuildLog.h"
#include "RecordCompression.h"

namespace booktest {

namespace {

void removeTree(const std::string& path) {
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    if (DIR* dir = ::opendir(path.c_str())) {
      while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") removeTree(path + "/" + name);
      }
      ::closedir(dir);
    }
    ::rmdir(path.c_str());
  } else {
    ::unlink(path.c_str());
  }
}

}  // namespace

TempDir::TempDir() {
  char pattern[] = "/tmp/scrivora-test-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  if (!made) std::abort();
  path_ = made;
}

TempDir::~TempDir() { removeTree(path_); }

std::vector<std::string> TempDir::entries() const { return entriesOf(path_); }

std::vector<std::string> entriesOf(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* entry = ::readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void writeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
  ASSERT_TRUE(out.good()) << path;
}

void writeFile(const std::string& path, const Bytes& contents) {
  writeFile(path, std::string(contents.begin(), contents.end()));
}

Bytes readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const std::string& path) {
  Bytes bytes = readFile(path);
  return std::string(bytes.begin(), bytes.end());
}

bool fileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

bool LogCapture::hasError(const std::string& text) const {
  const std::vector<std::string> all = errors();
  return std::find(all.begin(), all.end(), text) != all.end();
}

bool LogCapture::hasWarning(const std::string& text) const { return warningCount(text) > 0; }

size_t LogCapture::warningCount(const std::string& text) const {
  const std::vector<std::string> all = warnings();
  return size_t(std::count(all.begin(), all.end(), text));
}

void writeTextRecords(const std::string& path, const std::string& text, scrivora::BuildTables& tables) {
  scrivora::BookFileWriter out;
  ASSERT_TRUE(out.open(path));
  tables.textRecordEnds.push_back(0);
  tables.textRecordSizes.push_back(0);
  ASSERT_TRUE(scrivora::compressRecords(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out,
                                        tables.textRecordSizes, &tables.textRecordEnds));
  ASSERT_TRUE(out.close());
}

scrivora::BookDatabaseInput bookInputFor(const TempDir& dir, const std::string& stem, const std::string& text,
                                         scrivora::BuildTables& tables) {
  tables = scrivora::BuildTables();
  writeTextRecords(dir.file(stem + ".tmp"), text, tables);
  scrivora::BookDatabaseInput input;
  input.textTempPath = dir.file(stem + ".tmp");
  input.sidebarTempPath = dir.file(stem + ".sid");
  input.footnoteTempPath = dir.file(stem + ".ftn");
  input.outputPath = dir.file(stem + ".tdb");
  input.tables = &tables;
  return input;
}

std::string inflateRecord(const uint8_t* data, size_t size) {
  std::string out(65536, '\0');
  z_stream stream{};
  EXPECT_EQ(inflateInit(&stream), Z_OK);
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = uInt(size);
  stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
  stream.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(stream.avail_in, 0u) << "bytes left after the stream";
  out.resize(out.size() - stream.avail_out);
  inflateEnd(&stream);
  return out;
}

std::string noiseText(size_t length, uint32_t seed) {
  std::string text(length, '\0');
  uint32_t state = seed ? seed : 1;
  for (char& c : text) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    c = char(state >> 24);
  }
  return text;
}

void FakePageTable::appendEntry(size_t i, scrivora::ByteBuffer& out) const {
  out.appendU16(uint16_t(i));
  out.appendU16(1);
  out.appendU16(uint16_t(i));
  out.appendU32(uint32_t(i));
  out.appendU16(0);
}

Bytes numberAndName(uint32_t number, const std::string& name) {
  scrivora::ByteBuffer record;
  record.appendU32(number);
  record.appendCString(name);
  return record.bytes();
}

}  // namespace booktest
