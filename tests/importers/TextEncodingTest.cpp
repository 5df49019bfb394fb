// Reading a page in its declared encoding and writing characters as TML codes.

#include <gtest/gtest.h>

#include <string>

#include "HtmlSource.h"
#include "TextEncoding.h"

using namespace scrivora;

TEST(EncodingDetection, MarkThenMetaOrXmlDeclarationThenWindows1252) {
  const struct {
    std::string page;
    TextEncoding encoding;
  } cases[] = {
      {"\xEF\xBB\xBF<meta charset=iso-8859-1>", TextEncoding::Utf8},  // the byte-order mark wins
      {std::string("\xFF\xFE<\0", 4), TextEncoding::Utf16LittleEndian},
      {std::string("\xFE\xFF\0<", 4), TextEncoding::Utf16BigEndian},
      {"<html><head><META CHARSET=\"UTF-8\">", TextEncoding::Utf8},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">", TextEncoding::Utf8},
      {"<meta content=\"text/html;charset=iso-8859-1\">", TextEncoding::Windows1252},
      {"<?xml version=\"1.0\" encoding='utf-8'?><html>", TextEncoding::Utf8},
      {"<html><p>caf\xE9", TextEncoding::Windows1252},
      {"<p>charset=utf-8</p>", TextEncoding::Windows1252},  // outside a meta element it declares nothing
  };
  for (const auto& c : cases) EXPECT_EQ(detectHtmlEncoding(c.page).encoding, c.encoding) << c.page;
  EXPECT_EQ(detectHtmlEncoding("\xEF\xBB\xBFx").byteOrderMarkLength, 3u);
}

TEST(Decoding, Windows1252BytesBecomeTheirCharacters) {
  DetectedEncoding legacy;
  EXPECT_EQ(decodeToUtf8("\x80\x92\xE9\x81", legacy), "\xE2\x82\xAC\xE2\x80\x99\xC3\xA9\xC2\x81");
}

TEST(Decoding, InvalidUtf8BytesAreReadAsWindows1252) {
  DetectedEncoding utf8{TextEncoding::Utf8, 0};
  // A stray Latin-1 e-acute between valid text, and an overlong slash.
  EXPECT_EQ(decodeToUtf8("a\xE9z \xC3\xA9 \xC0\xAF", utf8), "a\xC3\xA9z \xC3\xA9 \xC3\x80\xC2\xAF");
}

TEST(Decoding, Utf16WithSurrogatePairs) {
  DetectedEncoding le{TextEncoding::Utf16LittleEndian, 2};
  EXPECT_EQ(decodeToUtf8(std::string("\xFF\xFE"
                                     "A\0\xE9\0\x3D\xD8\x00\xDE",
                                     10),
                         le),
            "A\xC3\xA9\xF0\x9F\x98\x80");
}

TEST(TmlCodes, CodePageCharactersAndOthers) {
  auto code = [](uint32_t c) {
    std::string out;
    appendTmlEscapedCharacter(c, out);
    return out;
  };
  EXPECT_EQ(code(0x2019), "\\a146");
  EXPECT_EQ(code(0xE9), "\\a233");
  EXPECT_EQ(code(0x20AC), "\\a128");
  EXPECT_EQ(code(0x0178), "\\a159");
  EXPECT_EQ(code(0x0151), "\\U0151");
  EXPECT_EQ(code(0x03B1), "\\U03B1");
  EXPECT_EQ(code(0xFB01), "\\UFB01");
  EXPECT_EQ(code(0x1F600), "\\UFFFD");  // beyond what \U can name
}

TEST(ParserProlog, OwnDeclarationsAreReplaced) {
  std::string page =
      "<?xml version=\"1.0\"?>\n<!-- saved -->\n<!DOCTYPE html PUBLIC \"a\" \"b\" [ <!ENTITY x \"y\"> ]>\n<html>";
  EXPECT_EQ(page.substr(replaceablePrologLength(page)), "<html>");
  EXPECT_EQ(replaceablePrologLength("<html><!DOCTYPE x>"), 0u);
  std::string prepared = prepareHtmlForParser("<!doctype html><p>x");
  EXPECT_EQ(prepared, std::string("<!DOCTYPE HTML PUBLIC \"") + kImportDocumentTypePublicId + "\">\n<p>x");
}
