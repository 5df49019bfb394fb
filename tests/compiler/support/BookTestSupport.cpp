#include "BookTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "BookFileWriter.h"
#include "RecordCompression.h"

namespace booktest {

TempDir::TempDir() {
  char pattern[] = "/tmp/scrivora-test-XXXXXX";
  const char* made = ::mkdtemp(pattern);
  if (!made) std::abort();
  path_ = made;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> TempDir::entries() const { return entriesOf(path_); }

std::vector<std::string> entriesOf(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

void writeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
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

void makeFolder(const std::string& path) { ASSERT_EQ(::mkdir(path.c_str(), 0755), 0) << path; }

int LogCapture::count(scrivora::LogKind kind, const std::string& text) const {
  const std::vector<std::string> all = sink_.textsOf(kind);
  return int(std::count(all.begin(), all.end(), text));
}

namespace {

// Compresses text into a records file the way a build does and fills the
// text tables (leading 0 entries included).
void writeTextRecords(const std::string& path, const std::string& text, scrivora::BuildTables& tables) {
  scrivora::BookFileWriter out;
  ASSERT_TRUE(out.open(path));
  tables.textRecordEnds.push_back(0);
  tables.textRecordSizes.push_back(0);
  ASSERT_TRUE(scrivora::compressRecords(reinterpret_cast<const uint8_t*>(text.data()), text.size(), out,
                                        tables.textRecordSizes, &tables.textRecordEnds));
  ASSERT_TRUE(out.close());
}

}  // namespace

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

Bytes u16(uint16_t value) { return {uint8_t(value >> 8), uint8_t(value)}; }

Bytes u32(uint32_t value) { return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)}; }

Bytes cstring(const std::string& text) {
  Bytes bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes recordBytes(const scrivora::BookSection& section, size_t i) {
  scrivora::ByteBuffer buffer;
  section.appendRecord(i, buffer);
  EXPECT_EQ(buffer.size(), section.recordSize(i)) << "record " << i << " is not as long as announced";
  return buffer.bytes();
}

void FakePageTable::appendEntry(size_t i, scrivora::ByteBuffer& out) const {
  out.appendU16(uint16_t(i));
  out.appendU16(1);
  out.appendU16(uint16_t(i));
  out.appendU32(uint32_t(i));
  out.appendU16(0);
}

Bytes numberAndName(uint32_t number, const std::string& name) { return join({u32(number), cstring(name)}); }

}  // namespace booktest
