#include "CodePageDecoder.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>

#include "CodePage.h"

namespace scrivora {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
// The longest character of the pages below (UTF-8).
constexpr size_t kLongestSequence = 4;

// The iconv name of a code page, or nullptr for one this system does not
// decode. Only pages that keep ASCII in their lower half are listed: bytes
// below 0x80 are taken as ASCII without asking the table.
const char* iconvNameOf(int codePage, char (&buffer)[24]) {
  switch (codePage) {
    case 437:
    case 737:
    case 775:
    case 850:
    case 852:
    case 855:
    case 857:
    case 860:
    case 861:
    case 862:
    case 863:
    case 864:
    case 865:
    case 866:
    case 869:
    case 874:
    case 932:
    case 936:
    case 949:
    case 950:
    case 1250:
    case 1251:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
    case 1361: std::snprintf(buffer, sizeof buffer, "CP%d", codePage); return buffer;
    case 10000: return "MACINTOSH";
    case 10007: return "MAC-CYRILLIC";
    case 10029: return "MAC-CENTRALEUROPE";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 65001: return "UTF-8";
    default: break;
  }
  if ((codePage >= 28591 && codePage <= 28599) || codePage == 28605) {
    std::snprintf(buffer, sizeof buffer, "ISO-8859-%d", codePage - 28590);
    return buffer;
  }
  return nullptr;
}

}  // namespace

int codePageOfCharset(int charset) {
  switch (charset) {
    case 77: return 10000;  // Mac Roman
    case 128: return 932;   // Shift-JIS
    case 129: return 949;   // Hangul
    case 130: return 1361;  // Johab
    case 134: return 936;   // GB2312
    case 136: return 950;   // Big5
    case 161: return 1253;  // Greek
    case 162: return 1254;  // Turkish
    case 163: return 1258;  // Vietnamese
    case 177: return 1255;  // Hebrew
    case 178: return 1256;  // Arabic
    case 186: return 1257;  // Baltic
    case 204: return 1251;  // Cyrillic
    case 222: return 874;   // Thai
    case 238: return 1250;  // Central European
    case 254: return 437;   // PC 437
    case 255: return 850;   // OEM
    default: return 0;      // ANSI, default, symbol and the rest: the document's page
  }
}

CodePageDecoder::CodePageDecoder(int codePage) : codePage_(1252) {
  char buffer[24];
  const char* name = codePage == 1252 ? nullptr : iconvNameOf(codePage, buffer);
  if (name != nullptr) {
    iconv_t handle = iconv_open("UTF-32LE", name);
    if (handle != iconv_t(-1)) {
      iconv_ = handle;
      codePage_ = codePage;
    }
  }
  for (int byte = 0x80; byte <= 0xFF; ++byte) {
    if (iconv_ == nullptr) {
      upperHalf_[byte - 0x80] = unicodeFromWindows1252(uint8_t(byte));
      continue;
    }
    const uint8_t single = uint8_t(byte);
    std::u32string characters;
    char32_t& slot = upperHalf_[byte - 0x80];
    switch (convert(&single, 1, characters)) {
      case Outcome::Complete: slot = characters.size() == 1 ? characters[0] : kReplacement; break;
      case Outcome::Incomplete: slot = kLeadByte; break;
      case Outcome::Invalid: slot = kReplacement; break;
    }
  }
}

CodePageDecoder::~CodePageDecoder() {
  if (iconv_ != nullptr) iconv_close(iconv_t(iconv_));
}

CodePageDecoder::Outcome CodePageDecoder::convert(const uint8_t* bytes, size_t length, std::u32string& out) {
  iconv_t handle = iconv_t(iconv_);
  iconv(handle, nullptr, nullptr, nullptr, nullptr);  // a fresh shift state
  char input[kLongestSequence];
  for (size_t i = 0; i < length; ++i) input[i] = char(bytes[i]);
  char output[32];
  char* in = input;
  size_t inLeft = length;
  char* outAt = output;
  size_t outLeft = sizeof output;
  Outcome outcome = Outcome::Complete;
  if (iconv(handle, &in, &inLeft, &outAt, &outLeft) == size_t(-1)) {
    if (errno == EINVAL) return Outcome::Incomplete;
    if (errno == EILSEQ) return Outcome::Invalid;
    outcome = Outcome::Invalid;
  }
  // Pages that combine accents hold a character back until told the input
  // has ended.
  iconv(handle, nullptr, nullptr, &outAt, &outLeft);
  for (const char* at = output; at + 4 <= outAt; at += 4) {
    const auto b = [&](int k) { return char32_t(uint8_t(at[k])); };
    out.push_back(b(0) | (b(1) << 8) | (b(2) << 16) | (b(3) << 24));
  }
  return outcome;
}

void CodePageDecoder::decode(uint8_t byte, std::u32string& out) {
  if (pending_.empty()) {
    if (byte < 0x80) {
      out.push_back(byte);
      return;
    }
    const char32_t character = upperHalf_[byte - 0x80];
    if (character != kLeadByte) {
      out.push_back(character);
      return;
    }
    pending_.push_back(byte);
    return;
  }
  pending_.push_back(byte);
  std::u32string characters;
  switch (convert(pending_.data(), pending_.size(), characters)) {
    case Outcome::Complete:
      out += characters;
      pending_.clear();
      return;
    case Outcome::Incomplete:
      if (pending_.size() < kLongestSequence) return;
      out.push_back(kReplacement);
      pending_.clear();
      return;
    case Outcome::Invalid: {
      // The lead byte is lost; the bytes after it start afresh.
      out.push_back(kReplacement);
      std::vector<uint8_t> rest(pending_.begin() + 1, pending_.end());
      pending_.clear();
      for (uint8_t again : rest) decode(again, out);
      return;
    }
  }
}

void CodePageDecoder::flush(std::u32string& out) {
  if (pending_.empty()) return;
  out.push_back(kReplacement);
  pending_.clear();
}

}  // namespace scrivora
