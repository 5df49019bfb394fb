#pragma once
// Decodes the bytes of a legacy Windows code page into Unicode, one byte at a
// time, as files written on older systems name them (an RTF file's \ansicpg,
// a font's \fcharset). Windows-1252 uses the project's own table; the other
// pages this system knows go through the C library's iconv, which also
// handles the double-byte pages of East Asian systems.

#include <cstdint>
#include <string>
#include <vector>

namespace scrivora {

class CodePageDecoder {
 public:
  // A code page number as Windows counts them (1252, 1251, 932, 10000 ...).
  // A page this system does not know, or cannot open, decodes as
  // Windows-1252, so no byte is dropped.
  explicit CodePageDecoder(int codePage);
  ~CodePageDecoder();
  CodePageDecoder(const CodePageDecoder&) = delete;
  CodePageDecoder& operator=(const CodePageDecoder&) = delete;

  // The page really used (1252 when the asked one is not available).
  int codePage() const { return codePage_; }

  // Decodes one byte and appends the characters it completes: none while a
  // lead byte waits for the rest of its character, U+FFFD for a sequence the
  // page does not define.
  void decode(uint8_t byte, std::u32string& out);
  // Ends a character left waiting for its remaining bytes (as U+FFFD).
  void flush(std::u32string& out);
  bool waiting() const { return !pending_.empty(); }

 private:
  static constexpr char32_t kLeadByte = 0xFFFFFFFF;
  enum class Outcome { Complete, Incomplete, Invalid };
  // Converts a whole byte sequence, appending its characters when it is
  // complete; Incomplete when it is a valid start that needs more bytes.
  Outcome convert(const uint8_t* bytes, size_t length, std::u32string& out);

  int codePage_;
  void* iconv_ = nullptr;  // an iconv_t, kept opaque here
  // Characters of the bytes 0x80 to 0xFF on their own (kLeadByte for the lead
  // bytes of a multi-byte page).
  char32_t upperHalf_[128];
  std::vector<uint8_t> pending_;
};

// The code page of an RTF font charset number (\fcharset), or 0 when the
// charset means "the document's own page" or is not one this system knows.
int codePageOfCharset(int charset);

}  // namespace scrivora
