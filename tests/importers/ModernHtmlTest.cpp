// HTML5 pages through the modern path: what each element becomes in TML,
// characters of every charset, which pages take which path, and that the
// text keeps the HTML importer's clean-up rules and compiles cleanly.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ImportPath.h"
#include "ModernImporter.h"
#include "RegexImporter.h"
#include "support/ImportTestSupport.h"
#include "support/ModernTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

struct PageImport {
  std::string tml;
  std::vector<std::string> warnings;
};

PageImport importPage(const std::string& page, const std::string& name = "/nowhere/page.html",
                      const std::string& imageFolder = std::string()) {
  CollectingLogSink log;
  ScopedLogSink installed(log);
  ModernImportOptions options;
  options.imageFolder = imageFolder;
  PageImport imported;
  imported.tml = importModernPageData(page, name, options).tml;
  imported.warnings = log.textsOf(LogKind::Warning);
  return imported;
}

std::string bodyTml(const std::string& body) { return importPage("<!DOCTYPE html><body>" + body).tml; }

// A page with every element the modern path converts, apart from <pre>.
const char kRichPage[] =
    "<!DOCTYPE html><html><head><title>Rich</title><style>p{}</style></head><body>"
    "<nav><a href=\"#one\">One</a> <a href=\"#two\">Two</a></nav>"
    "<section id=\"one\"><h1>First <em>Part</em></h1><p>It was her <i>own</i>; a <span>span</span>, "
    "<b>bold <u>under</u></b> and <s>gone</s> E=mc<sup>2</sup> H<sub>2</sub>O <small>s</small> <big>B</big>."
    "<a epub:type=\"noteref\" href=\"#n1\">*</a></p><blockquote><p>Quoted <q>words</q>.</p></blockquote>"
    "<ul><li>One<ul><li>Inner</li></ul></li><li>Two</li></ul><ol start=\"4\" type=\"i\"><li>four</li></ol>"
    "<center>centred</center><p style=\"text-align: right\">right</p><hr>"
    "<table><tr><th>Key</th><th>Value</th></tr><tr><td>a</td><td>1</td></tr></table></section>"
    "<section id=\"two\"><h2>Second</h2><p>Back to <a href=\"#one\">one</a>, <a href=\"#nowhere\">nowhere</a> "
    "and <a href=\"https://example.org\">away</a>.<br>Line two.</p><template><p>never</p></template>"
    "<script>document.write('never')</script><div hidden>hidden</div></section>"
    "<aside epub:type=\"footnote\" id=\"n1\"><p>A note.</p></aside></body></html>";

}  // namespace

TEST(ModernHtml, ElementsBecomeTml) {
  const struct {
    const char* what;
    std::string body, tml;
  } cases[] = {
      {"no space is added around inline elements", "<p>her <i>own</i>.</p>", "her \\iown\\i."},
      {"white space collapses; styles end before a space and begin after one", "<p>  a <b> b </b> c\n\n d  e   f </p>",
       "a \\bb\\b c d e f"},
      {"other elements keep their content and leave no mark",
       "<div><span class=\"x\">a</span><mark>b</mark><custom-tag>c</custom-tag><section>d</section></div>", "abc\rd"},
      {"headings are chapters at their levels; h6 is bold",
       "<h1>A</h1><h2>B</h2><h3>C</h3><h4>D</h4><h5>E</h5><h6>F</h6>",
       "\\x\\bA\\b\\x\r\r\\X1\\bB\\b\\X1\r\r\\X2\\bC\\b\\X2\r\r\\X3\\bD\\b\\X3\r\r\\X4\\bE\\b\\X4\r\r\\bF\\b"},
      {"the styles; neighbours of one style join",
       "<b>b</b><strong>s</strong> <i>i</i><em>e</em><cite>c</cite> <u>u</u> <s>s</s><del>d</del> "
       "<sup>p</sup><sub>b</sub> <small>m</small><big>g</big>",
       "\\bbs\\b \\iiec\\i \\uu\\u \\osd\\o \\Spp\\Sp\\Sbb\\Sb \\sm\\s\\lg\\l"},
      {"lists: a bullet or number, and an indent",
       "<ul><li>a</li><li>b<ol><li>c</li></ol></li></ul><ol start=\"9\"><li>i</li></ol>",
       "\\a149 \\ta\r\\t\\a149 \\tb\r\\T=\"6%\"1. c\r\\t\r9. \\ti\r\\t"},
      {"pre keeps its lines and spaces in the small face", "<pre>\n  a  b\n\tc</pre>", "\\s  a  b\r        c\\s"},
      {"line ends, paragraphs and rules", "<p>a<br>b<br><br><br><br>c</p><hr><p>d</p>",
       "a\rb\r\rc\r\r\\w=\"100%\"\r\rd"},
      {"alignment", "<center>c</center><p align=\"right\">r</p><div style=\"text-align:center\">d</div>",
       "\\cc\r\\c\r\\rr\r\\r\r\\cd\r\\c"},
      {"tables: rows of cells at tab stops",
       "<table><tr><th>Name</th><th>Age</th><td>x</td></tr><tr><td>Ann</td><td colspan=\"2\">32</td></tr></table>",
       "\\bName\\T=\"33%\"Age\\b\\T=\"66%\"x\rAnn\\T=\"33%\"32"},
      {"a cell too long for its column goes on to the next line",
       "<table><tr><td>a rather long first cell</td><td>b</td></tr></table>", "a rather long first cell\r\\T=\"50%\"b"},
      {"what never shows is dropped",
       "<p>a<script>x()</script><style>p{}</style><template>t</template><noscript>n</noscript>"
       "<span hidden>h</span><span style=\"display: none\">d</span>b</p>",
       "ab"},
      {"links inside the page, to nowhere and away",
       "<p id=\"top\">Go <a href=\"#top\">up</a>, <a href=\"#gone\">nowhere</a>, <a href=\"page.html#top\">here</a>"
       " or <a href=\"other.html\">away</a>.<a name=\"old\"></a></p><p><a href=\"#old\">old</a></p>",
       "\\Q=\"top\"Go \\q=\"#top\"up\\q, nowhere, \\q=\"#top\"here\\q or away.\r\r\\Q=\"old\"\\q=\"#old\"old\\q"},
      {"names that differ only in case are two anchors",
       "<p id=\"Note\">a</p><p id=\"note\">b</p><a href=\"#Note\">1</a><a href=\"#note\">2</a>",
       "\\Q=\"Note\"a\r\r\\Q=\"note-2\"b\r\r\\q=\"#Note\"1\\q\\q=\"#note-2\"2\\q"},
      {"notes become footnotes",
       "<p>Text<a href=\"#f1\"><sup>1</sup></a> and<a href=\"#e1\">[2]</a>.</p>"
       "<div role=\"doc-footnote\" id=\"f1\"><a href=\"#r\">^</a>Foot.</div>"
       "<ol><li role=\"doc-endnote\" id=\"e1\"><p>End <i>note</i>.</p></li><li>kept</li></ol>"
       "<aside epub:type=\"footnote\" id=\"unused\">Nobody refers here.</aside>",
       "Text\\Sp\\Fn=\"f1\"1\\Fn\\Sp and\\Fn=\"e1\"[2]\\Fn.\r\r1. \\tkept\r\\t\rNobody refers here."
       "\r\r<footnote id=\"f1\">\r^Foot.\r</footnote>\r\r<footnote id=\"e1\">\rEnd \\inote\\i.\r</footnote>"},
      {"named and numeric references",
       "<p>&eacute;&hellip;&star;&NotEqualTilde;&#x263A;&#150;&amp c&lt;&Tab;x&nbsp;y</p>",
       "\\a233\\a133\\U2606\\U2242\\U0338\\U263A\\a150& c< x y"},
      {"a quotation gets its marks", "<p><q>yes</q></p>", "\\a147yes\\a148"},
      {"markers the compiler cuts at are written as codes",
       "<p>&lt;footnote id=\"x\"&gt; &lt;/SIDEBAR&gt; &lt;p&gt;</p>", "\\a060footnote id=\"x\"> \\a060/SIDEBAR> <p>"},
  };
  for (const auto& c : cases) EXPECT_EQ(bodyTml(c.body), c.tml) << c.what;
}

TEST(ModernHtml, EveryCharsetIsReadAndEveryCharacterKept) {
  const std::string body = "<body><p>";
  const struct {
    const char* what;
    std::string page, name, tml;
  } cases[] = {
      {"ISO-8859-2 from a meta element",
       "<meta charset=\"ISO-8859-2\">" + body +
           "\xA3\xF3"
           "d\xBC",
       "p.html", "\\U0141\\a243d\\U017A"},
      {"KOI8-R from http-equiv",
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=koi8-r\">" + body + "\xF0\xD2\xC9\xD7\xC5\xD4",
       "p.html", "\\U041F\\U0440\\U0438\\U0432\\U0435\\U0442"},
      {"ISO-8859-15 has the euro where Latin-1 has another sign",
       "<meta charset=\"iso-8859-15\">" + body + "\xA4\xA6\xBD", "p.html", "\\a128\\a138\\a156"},
      {"ISO-8859-1 is read as Windows-1252, as browsers do",
       "<meta charset=\"iso-8859-1\">" + body +
           "\x93"
           "a\x94",
       "p.html", "\\a147a\\a148"},
      {"UTF-16 little-endian by its mark", std::string("\xFF\xFE<\0p\0>\0\xE9\0\x14\x20", 12), "p.html",
       "\\a233\\a151"},
      {"UTF-16 big-endian by its mark", std::string("\xFE\xFF\0<\0p\0>\x04\x16", 10), "p.html", "\\U0416"},
      {"an XHTML file's XML declaration",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>\xB1</p>"
       "</body></html>",
       "p.xhtml", "\\U0105"},
      {"UTF-8 without a declaration", body + "caf\xC3\xA9 \xE2\x82\xAC", "p.html", "caf\\a233 \\a128"},
      {"bytes that are not UTF-8 are Windows-1252", body + "caf\xE9", "p.html", "caf\\a233"},
  };
  for (const auto& c : cases) {
    const PageImport imported = importPage(c.page, c.name);
    EXPECT_EQ(imported.tml, c.tml) << c.what;
    EXPECT_TRUE(imported.warnings.empty()) << c.what << ": " << testing::PrintToString(imported.warnings);
  }
  // What the book cannot hold is said once per character.
  const PageImport unknown = importPage(
      "<meta charset=\"x-unheard-of\"><h1>\xD0\x96\xD0\x96 \xF0\x9F\x98\x80</h1>"
      "<p>\xD0\x96 \xF0\x9F\x98\x80 \xF0\x9F\x98\x80</p>");
  EXPECT_EQ(unknown.tml, "\\x\\bZhZh ?\\b\\x\r\r\\U0416 ? ?");
  EXPECT_EQ(unknown.warnings,
            (std::vector<std::string>{
                "The charset \"x-unheard-of\" of page.html is not one this program knows; the text is read without it.",
                "The character U+0416 cannot stand in the book's titles; it was written as \"Zh\".",
                "The character U+1F600 cannot stand in the book's titles; it was written as \"?\"."}));
}

TEST(ModernHtml, ThePathFollowsTheDocumentType) {
  const std::string xhtml1 =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Strict//EN\" "
      "\"http://www.w3.org/TR/xhtml1/DTD/xhtml1-strict.dtd\"><html><body><section>x</section>";
  const struct {
    const char* name;
    std::string bytes;
    HtmlImportPath path;
  } cases[] = {
      {"book.EPUB", "", HtmlImportPath::Modern},
      {"page.xhtml", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\">", HtmlImportPath::Modern},
      {"page.html", "<!DOCTYPE html><p>x", HtmlImportPath::Modern},
      {"page.htm", "\xEF\xBB\xBF<!-- saved --> <!doctype HTML SYSTEM \"about:legacy-compat\"><p>",
       HtmlImportPath::Modern},
      {"page.html", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\"><section>",
       HtmlImportPath::Legacy},
      {"page.html", xhtml1, HtmlImportPath::Legacy},
      {"page.html", "<html><body><p>x<span>y</span>", HtmlImportPath::Legacy},
      {"page.html", "<html><body><ARTICLE>x</ARTICLE>", HtmlImportPath::Modern},
      {"page.html", "<html><body><sections>x</sections>", HtmlImportPath::Legacy},
      {"page.html", "<meta charset=\"utf-8\"><p>x", HtmlImportPath::Modern},
      {"page.html", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"><p>x",
       HtmlImportPath::Legacy},
      {"page.html", std::string("\xFF\xFE<\0!\0D\0O\0C\0T\0Y\0P\0E\0 \0h\0t\0m\0l\0>\0", 30), HtmlImportPath::Modern},
  };
  for (const auto& c : cases) EXPECT_EQ(chooseHtmlImportPath(c.name, c.bytes), c.path) << c.name << ": " << c.bytes;
}

TEST(ModernHtml, ARichPageKeepsTheCleanupRulesAndCompilesWithEveryLinkDefined) {
  const PageImport page = importPage(kRichPage);
  const std::string info = "\\v\r\nTITLE=\"Rich\"\r\n";
  ASSERT_EQ(page.tml.compare(0, info.size(), info), 0) << page.tml;
  // The text is already as the HTML importer's clean-up rules leave text.
  EXPECT_EQ(RegexImporter(kHtmlCleanupRules).convert(page.tml), page.tml);
  for (const char* never : {"never", "hidden", "(SPAN", "(SECTION", "p{}"})
    EXPECT_EQ(page.tml.find(never), std::string::npos) << never;

  ScratchFolder folder;
  const CompiledBook book = compileTml(folder.path(), page.tml);
  ASSERT_TRUE(book.built) << testing::PrintToString(book.errors);
  EXPECT_TRUE(book.errors.empty()) << testing::PrintToString(book.errors);
  EXPECT_TRUE(book.warnings.empty()) << testing::PrintToString(book.warnings);
  ASSERT_EQ(book.contents.chapters.size(), 2u);
  EXPECT_EQ(book.contents.chapters[0].title, "First Part");
  EXPECT_EQ(book.contents.chapters[1].title, "    Second");
  EXPECT_EQ(book.contents.links.size(), 2u);
  EXPECT_EQ(book.contents.footnotes.size(), 1u);
}

TEST(ModernHtml, PicturesComeFromBesideThePageOrFromThePageItself) {
  ScratchFolder folder;
  ASSERT_EQ(mkdir(folder.file("art").c_str(), 0755), 0);
  folder.write("art/wide.jpg", picture(800, 200, "jpg"));
  folder.write("art/broken.png", "\x89PNG\r\n\x1A\n broken");
  const std::string png = picture(10, 10, "png");
  std::string base64;
  {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    size_t i = 0;
    for (; i + 2 < png.size(); i += 3) {
      const unsigned v = (unsigned char)png[i] << 16 | (unsigned char)png[i + 1] << 8 | (unsigned char)png[i + 2];
      for (int shift : {18, 12, 6, 0}) base64 += kDigits[(v >> shift) & 63];
    }
    unsigned v = (unsigned char)png[i] << 16;
    if (i + 1 < png.size()) v |= (unsigned char)png[i + 1] << 8;
    base64 += kDigits[(v >> 18) & 63];
    base64 += kDigits[(v >> 12) & 63];
    base64 += i + 1 < png.size() ? kDigits[(v >> 6) & 63] : '=';
    base64 += '=';
  }
  const std::string page =
      "<!DOCTYPE html><p><img src=\"art/wide.jpg\" alt=\"wide\"><img src=\"art/broken.png\" alt=\"broken\">"
      "<img src=\"http://example.org/x.png\" alt=\"web\"><img src=\"data:image/png;base64," +
      base64 + "\"><img src=\"art/missing.gif\"></p><blockquote><img src=\"art/wide.jpg\"></blockquote>";
  const std::string pagePath = folder.write("page.html", page);
  const PageImport imported = importPage(page, pagePath, folder.file("book_img"));
  EXPECT_EQ(imported.tml, "\\m=\"wide.png\"\\vbroken\\v\\vweb\\v\\m=\"picture.png\"\r\r\\t\\m=\"wide-2.png\"\r\\t");
  ASSERT_EQ(imported.warnings.size(), 3u) << testing::PrintToString(imported.warnings);
  EXPECT_NE(imported.warnings[1].find("on the web"), std::string::npos);
  // The picture in the indented quotation is narrower.
  const CompiledBook book = compileTml(folder.path(), imported.tml);
  ASSERT_TRUE(book.built) << testing::PrintToString(book.errors);
  ASSERT_EQ(book.contents.images.size(), 3u);
  EXPECT_EQ(book.contents.images[1].name, "wide-2.png");
  EXPECT_EQ(book.contents.images[1].width, 150);
  EXPECT_EQ(book.contents.images[2].width, 158);

  // Without an image folder the descriptions stay and one warning says why.
  const PageImport without = importPage(page, pagePath);
  EXPECT_EQ(without.tml, "\\vwide\\v\\vbroken\\v\\vweb\\v");
  EXPECT_EQ(
      without.warnings,
      (std::vector<std::string>{"The pictures of page.html are left out: there is no image folder to put them in."}));
}
