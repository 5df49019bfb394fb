#include "support/NavigationTestSupport.h"

#include "TextPass.h"

namespace navtest {

PassedBook::PassedBook(std::string source, scrivora::U32Table recordEnds)
    : text(std::move(source)), ends(std::move(recordEnds)) {
  if (ends.empty()) ends = {0, uint32_t(text.size())};
  scrivora::TextPassInput input;
  input.text = reinterpret_cast<const uint8_t*>(text.data());
  input.length = text.size();
  input.textRecordEnds = &ends;
  input.smallPages = &smallPages;
  input.largePages = &largePages;
  input.collector = &collector;
  failed = scrivora::TextPass().run(input);
}

std::vector<uint8_t> recordBytes(const scrivora::BookSection& section, size_t i) {
  scrivora::ByteBuffer buffer;
  section.appendRecord(i, buffer);
  return buffer.bytes();
}

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

std::vector<uint8_t> u32(uint32_t value) {
  return {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
}

std::vector<uint8_t> u16(uint16_t value) { return {uint8_t(value >> 8), uint8_t(value)}; }

std::vector<uint8_t> cstring(const std::string& text) {
  std::vector<uint8_t> bytes = bytesOf(text);
  bytes.push_back(0);
  return bytes;
}

std::vector<uint8_t> join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace navtest
