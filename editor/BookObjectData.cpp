#include "BookObjectData.h"

#include <cstring>

namespace scrivora {

bool isLineContent(FourCC code) {
  return code == kind::image || code == kind::rule || code == kind::tab || code == kind::bookPlate ||
         code == kind::comment;
}

bool isBookObjectKind(FourCC code) {
  return code == kind::anchor || code == kind::link || code == kind::comment || code == kind::image ||
         code == kind::bookPlate || code == kind::rule || code == kind::tab || code == kind::chapter ||
         code == kind::indexTerm || code == kind::footnote || code == kind::sidebar || code == kind::hiddenChapter ||
         code == kind::softHyphen;
}

FourCC openingKindOf(Marking marking) {
  switch (marking) {
    case Marking::Link: return kind::link;
    case Marking::IndexTerm: return kind::indexTerm;
    case Marking::Footnote: return kind::footnote;
    case Marking::Sidebar: return kind::sidebar;
    default: return 0;
  }
}

Marking markingOfOpeningKind(FourCC code) {
  if (code == kind::link) return Marking::Link;
  if (code == kind::indexTerm) return Marking::IndexTerm;
  if (code == kind::footnote) return Marking::Footnote;
  if (code == kind::sidebar) return Marking::Sidebar;
  return Marking::None;
}

namespace {
void putU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}
void putU16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}
uint32_t getU32(const uint8_t* in) {
  return uint32_t(in[0]) | (uint32_t(in[1]) << 8) | (uint32_t(in[2]) << 16) | (uint32_t(in[3]) << 24);
}
uint16_t getU16(const uint8_t* in) { return uint16_t(in[0] | (in[1] << 8)); }
}  // namespace

std::string cutToRecordText(const std::string& text, size_t limit) {
  std::string cut = text.substr(0, std::min(text.size(), limit));
  // The record text ends at its first NUL.
  const size_t nul = cut.find('\0');
  if (nul != std::string::npos) cut.resize(nul);
  return cut;
}

std::vector<uint8_t> BookObjectData::toRecord() const {
  std::vector<uint8_t> out(kRecordSize, 0);
  putU32(out, 0, kind);
  putU32(out, 4, owner);
  putU32(out, 8, linkSerial);
  putU32(out, 12, picture);
  putU16(out, 16, zoom);
  putU16(out, 18, level);
  putU32(out, 20, percent);
  putU32(out, 24, uint32_t(tabTarget));
  putU32(out, 28, uint32_t(tabStart));
  const std::string stored = cutToRecordText(text);
  std::memcpy(out.data() + 32, stored.data(), stored.size());
  return out;
}

bool BookObjectData::fromRecord(const uint8_t* bytes, size_t size, BookObjectData& out) {
  if (bytes == nullptr || size < kRecordSize) return false;
  BookObjectData data;
  data.kind = getU32(bytes);
  if (!isBookObjectKind(data.kind)) return false;
  data.owner = getU32(bytes + 4);
  data.linkSerial = getU32(bytes + 8);
  data.picture = getU32(bytes + 12);
  data.zoom = getU16(bytes + 16);
  data.level = getU16(bytes + 18);
  data.percent = getU32(bytes + 20);
  data.tabTarget = int32_t(getU32(bytes + 24));
  data.tabStart = int32_t(getU32(bytes + 28));
  const char* text = reinterpret_cast<const char*>(bytes + 32);
  data.text.assign(text, strnlen(text, kMaxText));
  out = std::move(data);
  return true;
}

}  // namespace scrivora
