#include "DocumentCharset.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "BuildLog.h"
#include "CodePage.h"
#include "TextEncoding.h"

namespace scrivora::modern {

namespace {

// How far into a document its charset declaration is looked for.
constexpr size_t kDeclarationScanLength = 8192;

const char kUtf8[] = "UTF-8";
const char kWindows1252[] = "WINDOWS-1252";

std::string lowerCase(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return lower;
}

std::string xmlDeclarationCharset(const std::string& head) {
  if (head.compare(0, 5, "<?xml") != 0) return std::string();
  const size_t end = head.find("?>");
  const size_t encoding = head.find("encoding", 5);
  if (encoding == std::string::npos || encoding > end) return std::string();
  return charsetLabelAfter(head, encoding + 8);
}

std::string metaCharset(const std::string& head) {
  for (size_t meta = head.find("<meta"); meta != std::string::npos; meta = head.find("<meta", meta + 5)) {
    size_t tagEnd = head.find('>', meta);
    if (tagEnd == std::string::npos) tagEnd = head.size();
    const size_t charset = head.find("charset", meta);
    if (charset != std::string::npos && charset < tagEnd) {
      std::string label = charsetLabelAfter(head, charset + 7);
      if (!label.empty()) return label;
    }
  }
  return std::string();
}

struct ByteOrderMark {
  const char* charset;
  size_t length;
};

ByteOrderMark byteOrderMarkOf(std::string_view bytes) {
  auto startsWith = [&](const char* mark, size_t length) {
    return bytes.size() >= length && bytes.compare(0, length, std::string_view(mark, length)) == 0;
  };
  if (startsWith("\xEF\xBB\xBF", 3)) return {kUtf8, 3};
  if (startsWith("\xFF\xFE\0\0", 4)) return {"UTF-32LE", 4};
  if (startsWith("\0\0\xFE\xFF", 4)) return {"UTF-32BE", 4};
  if (startsWith("\xFF\xFE", 2)) return {"UTF-16LE", 2};
  if (startsWith("\xFE\xFF", 2)) return {"UTF-16BE", 2};
  // An XML document in UTF-16 without a mark still begins with "<?".
  if (startsWith("<\0?\0", 4)) return {"UTF-16LE", 0};
  if (startsWith("\0<\0?", 4)) return {"UTF-16BE", 0};
  return {nullptr, 0};
}

// UTF-8 as it stands; a byte that is not part of a valid sequence is read as
// the Windows-1252 character it would be, as browsers do with stray bytes.
std::string decodeUtf8Leniently(std::string_view bytes, size_t& strayBytes) {
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size();) {
    size_t run = i;
    while (run < bytes.size() && (unsigned char)bytes[run] < 0x80) ++run;
    out.append(bytes, i, run - i);
    if (run >= bytes.size()) break;
    i = run;
    uint32_t codePoint;
    const size_t length = decodeUtf8At(bytes, i, codePoint);
    if (length == 0) {
      appendUtf8(unicodeFromWindows1252((unsigned char)bytes[i]), out);
      ++strayBytes;
      ++i;
    } else {
      out.append(bytes, i, length);
      i += length;
    }
  }
  return out;
}

std::string decodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (unsigned char c : bytes) {
    if (c < 0x80)
      out += char(c);
    else
      appendUtf8(unicodeFromWindows1252(c), out);
  }
  return out;
}

class Converter {
 public:
  explicit Converter(const std::string& charset) : handle_(iconv_open(kUtf8, charset.c_str())) {}
  ~Converter() {
    if (usable()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool usable() const { return handle_ != iconv_t(-1); }

  // Converts everything; a byte sequence the charset does not have becomes
  // U+FFFD and is counted.
  std::string convert(std::string_view bytes, size_t& badSequences) {
    std::string out;
    out.reserve(bytes.size() * 2);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    char buffer[16384];
    while (inLeft > 0) {
      char* to = buffer;
      size_t toLeft = sizeof buffer;
      const size_t result = iconv(handle_, &in, &inLeft, &to, &toLeft);
      out.append(buffer, size_t(to - buffer));
      if (result != size_t(-1)) continue;
      if (errno == E2BIG) continue;
      // EILSEQ, or EINVAL for a sequence cut off at the end.
      appendUtf8(0xFFFD, out);
      ++badSequences;
      ++in;
      --inLeft;
      iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    }
    char* to = buffer;
    size_t toLeft = sizeof buffer;
    iconv(handle_, nullptr, nullptr, &to, &toLeft);
    out.append(buffer, size_t(to - buffer));
    return out;
  }

 private:
  iconv_t handle_;
};

bool looksLikeUtf8(std::string_view bytes) {
  return std::any_of(bytes.begin(), bytes.end(), [](char c) { return (unsigned char)c >= 0x80; }) && isValidUtf8(bytes);
}

}  // namespace

std::string iconvNameOfCharset(std::string label) {
  label = lowerCase(label);
  static const char* const kWindows1252Labels[] = {
      "iso-8859-1", "iso8859-1", "iso_8859-1", "latin1",   "l1",           "us-ascii",       "ascii",
      "cp819",      "ibm819",    "cp1252",     "x-cp1252", "windows-1252", "ansi_x3.4-1968", "iso-ir-100"};
  for (const char* name : kWindows1252Labels)
    if (label == name) return kWindows1252;
  if (label == "utf8" || label == "utf-8" || label == "unicode-1-1-utf-8") return kUtf8;
  if (label == "iso-8859-9" || label == "latin5") return "WINDOWS-1254";
  if (label == "tis-620" || label == "iso-8859-11") return "WINDOWS-874";
  if (label == "gb2312" || label == "x-gbk" || label == "gbk") return "GB18030";
  if (label == "x-sjis" || label == "shift-jis" || label == "ms_kanji") return "SHIFT_JIS";
  if (label == "ks_c_5601-1987" || label == "euc-kr") return "CP949";
  std::transform(label.begin(), label.end(), label.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return label;
}

std::string declaredCharset(std::string_view bytes, MarkupSyntax syntax) {
  const std::string head = lowerCase(bytes.substr(0, kDeclarationScanLength));
  std::string label = syntax == MarkupSyntax::Xml ? xmlDeclarationCharset(head) : metaCharset(head);
  if (label.empty()) label = syntax == MarkupSyntax::Xml ? metaCharset(head) : xmlDeclarationCharset(head);
  return label;
}

DecodedText decodeDocumentText(std::string_view bytes, MarkupSyntax syntax, const std::string& documentName) {
  DecodedText decoded;
  const ByteOrderMark mark = byteOrderMarkOf(bytes);
  std::string charset;
  if (mark.charset) {
    charset = mark.charset;
    bytes.remove_prefix(mark.length);
  } else {
    const std::string label = declaredCharset(bytes, syntax);
    if (!label.empty()) {
      charset = iconvNameOfCharset(label);
      // The declaration was read as ASCII, so the bytes cannot be UTF-16 or
      // UTF-32 whatever they say; browsers read such pages as UTF-8.
      if (charset.compare(0, 6, "UTF-16") == 0 || charset.compare(0, 6, "UTF-32") == 0) charset = kUtf8;
      if (charset != kUtf8 && charset != kWindows1252 && !Converter(charset).usable()) {
        reportWarning("The charset \"%s\" of %s is not one this program knows; the text is read without it.",
                      label.c_str(), documentName.c_str());
        charset.clear();
      }
    }
  }
  if (charset.empty()) charset = syntax == MarkupSyntax::Xml || looksLikeUtf8(bytes) ? kUtf8 : kWindows1252;

  size_t badBytes = 0;
  decoded.converted_ = true;
  if (charset == kUtf8 && isValidUtf8(bytes)) {
    decoded.original = bytes;
    decoded.converted_ = false;
  } else if (charset == kUtf8) {
    decoded.converted = decodeUtf8Leniently(bytes, badBytes);
  } else if (charset == kWindows1252) {
    decoded.converted = decodeWindows1252(bytes);
  } else {
    Converter converter(charset);
    decoded.converted = converter.convert(bytes, badBytes);
  }
  if (badBytes > 0)
    reportWarning("%zu bytes of %s are not valid %s; they were read as well as they could be.", badBytes,
                  documentName.c_str(), charset.c_str());
  decoded.charset = charset;
  return decoded;
}

}  // namespace scrivora::modern
