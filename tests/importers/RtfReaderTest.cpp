// The RTF reader: what each control word does to the text and its format,
// the destinations it skips, Unicode and its fallbacks, code pages, and what
// it makes of damaged files.

#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../fuzz/RtfFuzzEntry.h"
#include "QXException.h"
#include "RtfReader.h"

using namespace scrivora;

namespace {

const std::string kSamples = std::string(SCRIVORA_SOURCE_DIR) + "/tests/importers/rtf/";
const std::string kFuzzCorpus = std::string(SCRIVORA_SOURCE_DIR) + "/tests/fuzz/rtf-corpus/";

// The content as one line of text: a paragraph opens with its alignment when
// it is not left (<c>, <r>, <j>) and closes with ¶ when it was ended; a run
// with any format is written [flags|text], the flags being b, i, u, s
// (strike), ^ (raised), _ (lowered) and, when asked, @face.
std::string describe(const RtfContent& content, bool withFaces = false) {
  std::string out;
  for (const RtfParagraph& paragraph : content.paragraphs) {
    if (paragraph.alignment == RtfAlignment::Centre) out += "<c>";
    if (paragraph.alignment == RtfAlignment::Right) out += "<r>";
    if (paragraph.alignment == RtfAlignment::Justify) out += "<j>";
    for (const RtfRun& run : paragraph.runs) {
      const RtfCharFormat& f = run.format;
      std::string flags;
      if (f.bold) flags += 'b';
      if (f.italic) flags += 'i';
      if (f.underline) flags += 'u';
      if (f.strike) flags += 's';
      if (f.script == RtfScript::Raised) flags += '^';
      if (f.script == RtfScript::Lowered) flags += '_';
      if (withFaces && !f.face.empty()) flags += "@" + f.face;
      out += flags.empty() ? run.text : "[" + flags + "|" + run.text + "]";
    }
    if (paragraph.ended) out += "¶";
  }
  return out;
}

RtfReadResult read(const std::string& rtf) {
  return rtffuzz::readOnce(reinterpret_cast<const uint8_t*>(rtf.data()), rtf.size());
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Case {
  const char* name;
  std::string rtf;
  std::string expected;
};

void expectCases(const std::vector<Case>& cases, bool withFaces = false) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RtfReadResult result = read(c.rtf);
    EXPECT_TRUE(result.isRtf);
    EXPECT_EQ(result.problem, "");
    EXPECT_EQ(describe(result.content, withFaces), c.expected);
  }
}

}  // namespace

TEST(RtfReader, FormattingWordsAndGroups) {
  expectCases({
      {"paragraphs", R"({\rtf1 Hello\par World})", "Hello¶World"},
      {"empty paragraphs and a final mark", R"({\rtf1 a\par\par b\par})", "a¶¶b¶"},
      {"line ends in the file wrap only", "{\\rtf1 one\r\n two\ntwo}", "one twotwo"},
      {"backslash before a line end is a paragraph mark", "{\\rtf1 a\\\r\nb}", "a¶b"},
      {"bold on and off", R"({\rtf1 a\b b\b0 c\b1 d})", "a[b|b]c[b|d]"},
      {"italic", R"({\rtf1 \i x\i0 y})", "[i|x]y"},
      {"underline kinds and their ends", R"({\rtf1 \ul a\ul0 b\uldb c\ulnone d\ulw e\ulc1 f})", "[u|a]b[u|c]d[u|ef]"},
      {"strike", R"({\rtf1 \strike a\strike0 b\striked1 c})", "[s|a]b[s|c]"},
      {"raised and lowered", R"({\rtf1 x\super 2\nosupersub y\sub 3\nosupersub z\up6 u\up0 v\dn4 d})",
       "x[^|2]y[_|3]z[^|u]v[_|d]"},
      {"groups restore what they change", R"({\rtf1 a{\b b{\i c}d}e})", "a[b|b][bi|c][b|d]e"},
      {"plain clears every effect", R"({\rtf1 \b\i\ul\strike\super a\plain b})", "[bius^|a]b"},
      {"hidden text is not text", R"({\rtf1 a{\v hidden}b\v c\v0 d})", "abd"},
      {"alignment", R"({\rtf1\qc centred\par\pard left\par\qr right\par\qj just\par\qd spread})",
       "<c>centred¶left¶<r>right¶<j>just¶<j>spread"},
      {"a paragraph takes the alignment at its mark", R"({\rtf1 a\qc\par\pard b\par c\qr})", "<c>a¶b¶<r>c"},
      {"plain keeps the paragraph, pard keeps the characters", R"({\rtf1\qc\b a\plain b\par\pard\i c})",
       "<c>[b|a]b¶[i|c]"},
      {"breaks", R"({\rtf1 a\line b\tab c\page d})", "a\vb\tc\fd"},
      {"symbols", R"({\rtf1 \\\{\}\~\-\_\:\|x})", "\\{}\u00A0\u00AD\u2011x"},
      {"typographic words", R"({\rtf1 \lquote a\rquote \ldblquote b\rdblquote \bullet\endash\emdash\enspace\emspace.})",
       "\u2018a\u2019\u201Cb\u201D\u2022\u2013\u2014\u2002\u2003."},
      {"table cells and rows", R"({\rtf1 \trowd a\cell b\cell\row c\cell d\cell\row})", "a\tb¶c\td¶"},
      {"unknown words are ignored, their text kept", R"({\rtf1 \foo12 a{\bar b}\baz-3 c})", "abc"},
      {"a word longer than RTF allows is ignored", "{\\rtf1 \\" + std::string(100, 'b') + " x}", "x"},
      {"empty document", R"({\rtf1})", ""},
  });
}

TEST(RtfReader, FontTableFacesAndDefaultFont) {
  const std::string fonts =
      R"({\rtf1\ansi\deff1{\fonttbl{\f0\fswiss\fcharset0{\*\panose 020b0604}Arial;}{\f1\froman Times New Roman;})"
      R"({\f2\fnil TolmText9B;}{\f3 TolmText9;}{\f4 TolmText12}{\f5{\*\falt Other}subscriptFont;}})";
  expectCases(
      {
          {"faces by number, the default font first", fonts + R"(a\f2 b\f3 c\f4 d\f5 e\f0 f\plain g})",
           "[@Times New Roman|a][@TolmText9B|b][@TolmText9|c][@TolmText12|d][@subscriptFont|e][@Arial|f]"
           "[@Times New Roman|g]"},
          {"entries without groups", R"({\rtf1{\fonttbl\f0\fswiss Helvetica;\f1\fmodern Courier;}\f1 a\f0 b})",
           "[@Courier|a][@Helvetica|b]"},
          {"a font the table lacks has no face", fonts + R"(\f9 a})", "a"},
      },
      true);
}

TEST(RtfReader, SkipsDestinationsItDoesNotKeep) {
  expectCases({
      {"tables and information",
       R"({\rtf1{\colortbl;\red0\green0\blue0;}{\stylesheet{\s1 heading 1;}}{\info{\title T}{\author A}}a})", "a"},
      {"ignorable destinations", R"({\rtf1 a{\*\generator Writer 1.0;}{\*\unknown {nested} text}b})", "ab"},
      {"pictures with hex and binary data", R"({\rtf1 a{\pict\pngblip 89504e47}{\pict\bin5 }}{\}b}c})", "ac"},
      {"binary data in text", R"({\rtf1 a\bin3 {{{b})", "ab"},
      {"headers, footers and footnotes", R"({\rtf1{\header head\par}{\footerl foot}a{\footnote note}b})", "ab"},
      {"a field keeps its result", R"({\rtf1 a{\field{\*\fldinst HYPERLINK "x"}{\fldrslt {\ul link}}}b})",
       "a[u|link]b"},
      {"a field instruction written without the star", R"({\rtf1 {\field{\fldinst PAGE}{\fldrslt 7}}})", "7"},
      {"list text stays for readers without lists",
       R"({\rtf1{\fonttbl{\f2\fcharset2 Symbol;}}{\listtext\f2 \'b7\tab}item{\*\pn\pnlvlblt{\pntxtb X}}})",
       "\u00B7\titem"},
      {"the plain-text copy of a Unicode alternative", R"({\rtf1 {\upr{\b ansi?}{\*\ud{\b \u1046?}}}!})",
       "[b|\u0416]!"},
  });
}

TEST(RtfReader, UnicodeAndItsFallbacks) {
  expectCases({
      {"one fallback character by default", R"({\rtf1 \u1046?x})", "\u0416x"},
      {"the delimiting space is not text", R"({\rtf1 \u233 ?x})", "\u00E9x"},
      {"hex fallbacks count one each", R"({\rtf1\uc2 \u12354\'82\'a0x})", "\u3042x"},
      {"no fallback", R"({\rtf1\uc0 \u233 x})", "\u00E9x"},
      {"a control word is one fallback character", R"({\rtf1 \u8212\emdash x})", "\u2014x"},
      {"negative numbers are the upper half", R"({\rtf1 \u-3913?})", "\uF0B7"},
      {"surrogate pairs join", R"({\rtf1 \u-10179?\u-8704?.})", "\U0001F600."},
      {"a lone surrogate is replaced", R"({\rtf1 \u-10179?x})", "\uFFFDx"},
      {"a brace ends the fallback", R"({\rtf1\uc3 {\u233 a}bc})", "\u00E9bc"},
      {"the count belongs to its group", R"({\rtf1 {\uc2 \u233 ab}\u233 cd})", "\u00E9\u00E9d"},
      {"a value beyond the range is replaced", R"({\rtf1\uc0 \u2000000 x})", "\uFFFDx"},
      {"control characters are dropped", R"({\rtf1 a\'01\u2?b\'0a\'0dc})", "ab\n\rc"},
  });
}

TEST(RtfReader, CodePages) {
  expectCases({
      {"Windows-1252 by default", R"({\rtf1 caf\'e9 \'80\'93})", "caf\u00E9 \u20AC\u201C"},
      {"raw bytes above 127", "{\\rtf1 caf\xE9}", "caf\u00E9"},
      {"the document's code page", R"({\rtf1\ansi\ansicpg1251 \'cf\'f0\'e8})", "\u041F\u0440\u0438"},
      {"a font's charset overrides it",
       R"({\rtf1\ansi{\fonttbl{\f0 Arial;}{\f1\fcharset204 Arial Cyr;}{\f2\fcharset161 Greek;}}\'e9\f1\'e9\f2\'e1})",
       "\u00E9\u0439\u03B1"},
      {"Macintosh", R"({\rtf1\mac caf\'8e})", "caf\u00E9"},
      {"a double-byte page joins lead and trail", R"({\rtf1\ansi\ansicpg932 \'82\'a0\'82\'a2x})", "\u3042\u3044x"},
      {"a lead byte without its trail is replaced", R"({\rtf1\ansi\ansicpg932 \'82\par x})", "\uFFFD¶x"},
      {"an unknown page reads as Windows-1252", R"({\rtf1\ansi\ansicpg4242 \'e9})", "\u00E9"},
  });
}

TEST(RtfReader, DamagedFilesKeepTheTextReadSoFar) {
  struct Damaged {
    const char* name;
    std::string rtf;
    std::string expected;
    const char* problem;
  };
  const std::vector<Damaged> cases = {
      {"cut short", R"({\rtf1 abc{\b d)", "abc[b|d]", kRtfUnclosedGroups},
      {"a lone backslash at the end", "{\\rtf1 ab\\", "ab", kRtfUnclosedGroups},
      {"half a hex escape at the end", "{\\rtf1 a\\'e", "a", kRtfUnclosedGroups},
      {"a closing brace too many", R"({\rtf1 abc}}def)", "abc", kRtfExtraClosingBrace},
      {"blank space after the end", std::string("{\\rtf1 abc}\r\n\0\0", 15), "abc", ""},
      {"nesting too deep", "{\\rtf1 a" + std::string(kRtfMaxGroupDepth + 10, '{') + "b", "a", kRtfNestedTooDeeply},
      {"deep but allowed",
       "{\\rtf1 a" + std::string(kRtfMaxGroupDepth - 2, '{') + "b" + std::string(kRtfMaxGroupDepth - 2, '}') + "}",
       "ab", ""},
      {"binary data past the end", R"({\rtf1 a\bin999999 xyz})", "a", kRtfBinaryPastEnd},
      {"binary data of a huge length", R"({\rtf1 a\bin99999999999999999999 xyz})", "a", kRtfBinaryPastEnd},
      {"negative binary length", R"({\rtf1 a\bin-5 b})", "ab", ""},
      {"huge parameters saturate", R"({\rtf1\b99999999999999999999 x\uc99999999999999 \u65 yz})", "[b|xA]", ""},
      {"a negative huge parameter", R"({\rtf1\b-99999999999999999999 x})", "[b|x]", ""},
  };
  for (const Damaged& c : cases) {
    SCOPED_TRACE(c.name);
    const RtfReadResult result = read(c.rtf);
    EXPECT_TRUE(result.isRtf);
    EXPECT_EQ(describe(result.content), c.expected);
    EXPECT_EQ(result.problem, c.problem);
  }
}

TEST(RtfReader, RefusesWhatIsNotRtf) {
  for (const std::string& bytes :
       {std::string(), std::string("Hello"), std::string("{\\rtx1 a}"), std::string("<html>{\\rtf1 a}</html>")}) {
    SCOPED_TRACE(bytes);
    const RtfReadResult result = read(bytes);
    EXPECT_FALSE(result.isRtf);
    EXPECT_EQ(result.problem, kRtfNotRtf);
  }
  EXPECT_THROW(readRtfFile(kSamples + "no-such-file.rtf"), QXFileException);
}

TEST(RtfReader, ReadsAMinimalFile) {
  const RtfReadResult result = readRtfFile(kSamples + "minimal.rtf");
  EXPECT_EQ(result.problem, "");
  EXPECT_EQ(describe(result.content, true),
            "[@Times New Roman|Hello, ][b@Times New Roman|bold][@Times New Roman| world.]¶");
}

// Every input the fuzzer kept goes through the same checks as when it was
// found, so what once broke the reader stays mended.
TEST(RtfReader, ReplaysTheFuzzCorpus) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(kFuzzCorpus.c_str())) {
    while (dirent* entry = ::readdir(dir))
      if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    ::closedir(dir);
  }
  ASSERT_GE(names.size(), 5u) << "seed corpus missing at " << kFuzzCorpus;
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const std::string bytes = readFile(kFuzzCorpus + name);
    rtffuzz::readOnce(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
}
