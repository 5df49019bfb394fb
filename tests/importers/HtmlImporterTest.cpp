// The HTML importer: what each element, attribute and character becomes in
// TML, the formatting flags and their stack, and the clean-up afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "HtmlImporter.h"
#include "HtmlTmlWriter.h"
#include "QXException.h"
#include "support/ImportTestSupport.h"

using namespace scrivora;
using scrivora::test::countOf;

namespace {

class HtmlImport : public ::testing::Test {
 protected:
  HtmlImporter importer{scrivora::test::htmlSupportFolder()};

  std::string import(const std::string& html) { return importer.convert(html); }
  std::string importBody(const std::string& body) {
    return import("<HTML><HEAD><TITLE>t</TITLE></HEAD><BODY>" + body + "</BODY></HTML>");
  }
  // The body's TML after the title comment and the paragraph breaks before it.
  std::string bodyTml(const std::string& body) {
    std::string tml = importBody(body);
    const std::string title = "\\vTITLE=\"t\"\\v ";
    EXPECT_EQ(tml.compare(0, title.size(), title), 0) << tml;
    return tml.substr(title.size());
  }
};

}  // namespace

TEST_F(HtmlImport, PagesBecomeTml) {
  const struct {
    const char* what;
    std::string page, tml;
  } cases[] = {
      {"the title becomes an invisible comment and the body follows",
       "<HTML><HEAD><TITLE>My  Book </TITLE></HEAD><BODY><P>Hello <B>world</B></P></BODY></HTML>",
       "\\vTITLE=\"My Book\"\\v \r\rHello \\bworld \\b"},
      {"elements in the head leave no marks",
       "<html><head><title>t</title><link rel=stylesheet href=a.css><base href=x></head><body><p>text</p></body>",
       "\\vTITLE=\"t\"\\v \r\rtext"},
      {"a page without head or title keeps its text", "<p>plain text", "\r\rplain text"},
      {"UTF-16 marked by its byte-order mark", std::string("\xFF\xFE<\0p\0>\0\xE9\0\x14\x20", 12), "\r\r\\a233\\a151"},
      {"XHTML prolog and empty elements",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
       "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\">\n<html xmlns=\"http://www.w3.org/1999/xhtml\">"
       "<head><title>X</title></head><body><p>one<br />two</p></body></html>",
       "\\vTITLE=\"X\"\\v \r\rone \r two"},
  };
  for (const auto& c : cases) EXPECT_EQ(import(c.page), c.tml) << c.what;
}

TEST_F(HtmlImport, BodiesBecomeTml) {
  const struct {
    const char* what;
    std::string body, tml;
  } cases[] = {
      {"centre", "<P ALIGN=center>x</P>", "\r\r\\cx \r\\c"},
      {"right", "<DIV ALIGN=right>y</DIV>", "\r\r\\ry \r\\r"},
      // Switching from centre to right turns the centring off first; the
      // third carriage return in a row goes in the clean-up.
      {"centre then right", "<DIV ALIGN=center>a<P ALIGN=right>b</P></DIV>", "\r\r\\ca \r\r\\c\\rb \r\\r\\c\r\\c"},
      {"font sizes", "<FONT SIZE=-1>s</FONT><FONT SIZE=+2>l</FONT><FONT SIZE=0>n</FONT><FONT SIZE=3>L</FONT>",
       "\\ss \\s\\ll \\ln \\lL \\l"},
      // Inside SMALL, BIG sets both font flags and small takes precedence.
      {"big inside small", "<SMALL>s<BIG>b</BIG></SMALL>", "\\ss \\s\\sb \\s\\s\\s"},
      {"link", "<A HREF=\"#note\">see</A>", "\\q=\"#note\"see \\q"},
      {"anchor", "<A NAME=\"here\">x</A>", "\\Q=\"here\"x"},
      {"links that leave the page keep their text",
       "<A HREF=\"other.html#x\">away</A> <A HREF=\"http://example.org/\">web</A>", "away web"},
      {"a quote cannot stand in a TML argument", "<A NAME='say\"hi'></A>", "\\Q=\"sayhi\""},
      {"a link inside bold closes before the bold", "<B><A HREF=\"#n\">x</A></B>", "\\b\\q=\"#n\"x \\q\\b"},
      {"Windows-1252 when nothing is declared", "caf&eacute; caf\xE9 a&nbsp;b", "caf\\a233 caf\\a233 a b"},
      {"quotes and dashes", "\x93q\x94 &#8217; &#150;", "\\a147q\\a148 \\a146 \\a150"},
      {"backslash, tab, soft hyphen, greater-than", "a\\b\tc co&shy;op a &gt; b", "a\\\\b c co\\-op a b"},
      {"unknown elements are marked", "<P>a <SPAN>b</SPAN> c</P>", "\r\ra (SPANb )SPAN c"},
      {"list items; the end of UL writes nothing", "<UL><LI>one<LI>two</UL>",
       "\r\\a149 \\tone \\t\r\\a149 \\ttwo \\t\r"},
      {"headings", "<H1>Top</H1><H3>Sub</H3>", "\r\\p\\X0\\bTop \\X0\\b\\X2\\bSub \\X2\\b"},
      {"nested styles write only the changes", "<B>a<STRONG>b<I>c</I></STRONG></B>", "\\ba b \\ic \\i\\b"},
      {"definition lists", "<DL><DT>t<DD>d</DL>", "\r\rt \r\\td \\t\r"},
      {"rules and raised text", "x<HR>y<SUP>2</SUP><SUB>i</SUB>", "x \\w=\"100%\"y \\Sp2 \\Sp\\Sbi \\Sb"},
      {"center", "<CENTER>c</CENTER>", "\rc \r"},
      {"table cells start lines", "<TABLE><TR><TD>a<TD>b</TABLE>", "\r\ra \rb"},
      {"and keep their alignment", "<TABLE><TR><TD ALIGN=right>a</TD></TR></TABLE>", "\r\r\\ra \r\\r"},
      {"align on images does nothing", "a<IMG SRC=\"x.png\" ALIGN=center>b", "a b"},
      {"processing instructions on a line of their own", "<P>a<?page break>b", "\r\ra?page break\rb"},
      {"their text as written", "<P>a<?x\ty\x7F>b", "\r\ra?x\ty\x7F\rb"},
  };
  for (const auto& c : cases) EXPECT_EQ(bodyTml(c.body), c.tml) << c.what;
}

TEST_F(HtmlImport, HeadStyleAndScriptTextIsDropped) {
  std::string tml = import(
      "<HTML><HEAD><TITLE>T</TITLE><STYLE>p { color: red }</STYLE><SCRIPT>var secret = 1;</SCRIPT></HEAD>"
      "<BODY><P>Body text</P><SCRIPT>hidden()</SCRIPT><P>more</P></BODY></HTML>");
  EXPECT_NE(tml.find("Body text"), std::string::npos);
  EXPECT_NE(tml.find("more"), std::string::npos);
  for (const char* hidden : {"color", "secret", "hidden"}) EXPECT_EQ(tml.find(hidden), std::string::npos) << hidden;
}

TEST_F(HtmlImport, NestingDeeperThanTheFlagStackStaysBalanced) {
  std::string body = "<P><I>";
  for (int i = 0; i < 1500; ++i) body += "<B>";
  body += "deep";
  for (int i = 0; i < 1500; ++i) body += "</B>";
  body += "</I>after</P>";
  std::string tml = bodyTml(body);
  EXPECT_NE(tml.find("deep"), std::string::npos);
  EXPECT_NE(tml.find("after"), std::string::npos);
  // Every style switched on is switched off again.
  EXPECT_EQ(countOf(tml, "\\i"), 2u);
  EXPECT_EQ(countOf(tml, "\\b") % 2, 0u);
}

TEST_F(HtmlImport, BeyondTheFlagStackElementsChangeNoFormatting) {
  // HTML, BODY, P and 1200 SPANs: the italic element lies beyond the 1000
  // saved flag sets, so it writes no tags; once the nesting unwinds,
  // formatting works again.
  std::string body = "<P>";
  for (int i = 0; i < 1200; ++i) body += "<SPAN>";
  body += "<I>deep</I>";
  for (int i = 0; i < 1200; ++i) body += "</SPAN>";
  body += "<I>shallow</I>";
  std::string tml = bodyTml(body);
  EXPECT_EQ(countOf(tml, "(SPAN"), 1200u);
  EXPECT_EQ(countOf(tml, ")SPAN"), 1200u);
  EXPECT_NE(tml.find("(SPANdeep )SPAN"), std::string::npos);
  const std::string ending = ")SPAN\\ishallow \\i";
  ASSERT_GT(tml.size(), ending.size());
  EXPECT_EQ(tml.substr(tml.size() - ending.size()), ending);
}

TEST_F(HtmlImport, PagesKeepTheirTextInAnyEncodingAndElement) {
  const struct {
    std::string page;
    std::vector<const char*> pieces;
  } cases[] = {
      {"<html><head><meta charset=\"utf-8\"><title>t</title></head><body>"
       "\xE2\x80\x9CIt\xE2\x80\x99s caf\xC3\xA9\xE2\x80\x9D \xE2\x80\x94 \xCE\xB1\xC5\x91</body></html>",
       {"\\a147It\\a146s caf\\a233\\a148 \\a151 \\U03B1\\U0151"}},
      {"\xEF\xBB\xBF<p>na\xC3\xAFve", {"na\\a239ve"}},
      {"<!DOCTYPE html><title>t</title><header>Heading text</header>"
       "<main><section><p>Main text</section><article>More <mark>marked</mark></article></main>"
       "<custom-thing>own</custom-thing>",
       {"Heading text", "Main text", "More", "marked", "own", "(CUSTOM-THING"}},
  };
  for (const auto& c : cases) {
    const std::string tml = import(c.page);
    for (const char* piece : c.pieces) EXPECT_NE(tml.find(piece), std::string::npos) << piece << " in " << tml;
  }
}

TEST_F(HtmlImport, BrokenMarkupImportsQuietlyAsFarAsItGoes) {
  ::testing::internal::CaptureStderr();
  std::string tml = bodyTml("<P>unclosed <B>bold <I>both</P> after </X> <");
  std::string messages = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(messages, "");
  EXPECT_NE(tml.find("bold"), std::string::npos);
  EXPECT_NE(tml.find("both"), std::string::npos);
  EXPECT_NE(tml.find("after"), std::string::npos);
}

TEST(HtmlImportSupport, MissingCatalogIsReportedWithItsPath) {
  HtmlImporter importer(::testing::TempDir() + "/no-such-folder");
  try {
    importer.convert("<p>x");
    FAIL() << "expected QXFileException";
  } catch (const QXFileException& failure) {
    EXPECT_NE(failure.path().find("no-such-folder/catalog"), std::string::npos);
    EXPECT_EQ(failure.reason(), "No such file or directory");
  }
}

TEST(HtmlImportSupport, CatalogWhoseDocumentTypeCannotBeReadIsReported) {
  std::string folder = ::testing::TempDir() + "/html-support-without-dtd";
  ASSERT_EQ(std::system(("mkdir -p '" + folder + "'").c_str()), 0);
  std::ofstream(folder + "/catalog") << "PUBLIC \"-//Scrivora//DTD HTML for import//EN\" \"missing.dtd\"\n";
  HtmlImporter importer(folder);
  EXPECT_THROW(importer.convert("<p>text"), QXFileException);
  std::system(("rm -rf '" + folder + "'").c_str());
}

TEST(HtmlElementTables, NamesMatchWithoutCaseAndInFullLength) {
  const HtmlElementRule* rule = findHtmlElementRule("blockquote", 10);
  ASSERT_NE(rule, nullptr);
  EXPECT_STREQ(rule->startText, "\\t");
  // "B" must not stand for "BR" or "BIG", nor "BIG" for "BIGGER".
  ASSERT_NE(findHtmlElementRule("Br", 2), nullptr);
  EXPECT_STREQ(findHtmlElementRule("Br", 2)->startText, "\r");
  EXPECT_EQ(findHtmlElementRule("big", 3)->flags, HtmlFlag::kLargeFont);
  EXPECT_EQ(findHtmlElementRule("BIGGER", 6), nullptr);
  EXPECT_EQ(findHtmlElementRule("SPAN", 4), nullptr);
}
