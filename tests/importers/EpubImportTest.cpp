// EPUB books made here, imported and compiled: chapters from the book's own
// table of contents, links between its files, footnotes, pictures and the
// cover, its information, and books that are damaged or hostile.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ModernImporter.h"
#include "QXException.h"
#include "support/ImportTestSupport.h"
#include "support/ModernTestSupport.h"

using namespace scrivora;
using namespace scrivora::test;

namespace {

struct Imported {
  ModernImport import;
  std::vector<std::string> warnings;
};

Imported importBook(const std::vector<ZipEntry>& entries, const std::string& imageFolder,
                    ModernImportOptions options = ModernImportOptions()) {
  CollectingLogSink log;
  ScopedLogSink installed(log);
  options.imageFolder = imageFolder;
  Imported imported;
  imported.import = importEpubData(zipArchive(entries), "book.epub", options);
  imported.warnings = log.textsOf(LogKind::Warning);
  return imported;
}

std::vector<std::string> chapterTitles(const BookContents& book) {
  std::vector<std::string> titles;
  for (const ChapterEntry& chapter : book.chapters) titles.push_back(chapter.title);
  return titles;
}

// A book with all the parts a book of today has: a cover that no page
// shows, a nested table of contents, chapters in several files, links
// between them, footnotes with links back, pictures in an img and in SVG,
// and text in Greek and Russian.
EpubBookPlan fullBook(int version) {
  EpubBookPlan plan;
  plan.version = version;
  plan.metadata =
      "<dc:title>\xD0\x92\xD0\xBE\xD0\xB9\xD0\xBD\xD0\xB0: A Caf\xC3\xA9 Tale</dc:title>"
      "<dc:creator opf:role=\"aut\">Anna Writer</dc:creator><dc:creator>Ben Second</dc:creator>"
      "<dc:publisher>Small Press</dc:publisher><dc:date>2021-05-04</dc:date>"
      "<dc:identifier id=\"id\">urn:isbn:978-3-16-148410-0</dc:identifier>"
      "<dc:rights>All rights reserved</dc:rights>";
  plan.pages = {
      {"text/part1.xhtml",
       "<section epub:type=\"part\"><h1>Part One</h1><p>Opening words.</p>"
       "<section id=\"s11\"><h2>The First Chapter</h2>"
       "<p>It was <i>her</i> own. A note<a epub:type=\"noteref\" id=\"r1\" href=\"notes.xhtml#n1\"><sup>1</sup></a> "
       "and another<a role=\"doc-noteref\" id=\"r2\" href=\"notes.xhtml#n2\">2</a>.</p>"
       "<p lang=\"el\">\xCE\x9A\xCE\xB1\xCE\xBB\xCE\xB7\xCE\xBC\xCE\xAD\xCF\x81\xCE\xB1 and "
       "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.</p>"
       "<figure><img src=\"../images/figure.png\" alt=\"A figure\"/><figcaption>Figure 1</figcaption></figure>"
       "</section></section>"},
      {"text/part2.xhtml",
       "<h1>Chapter \xD0\x94\xD0\xB2\xD0\xB0</h1><p>Back to <a href=\"part1.xhtml#s11\">the first chapter</a>, "
       "to <a href=\"part1.xhtml\">the start</a> and <a href=\"http://example.org/\">a site</a>.</p>"
       "<div id=\"appendix\"><p>An appendix without a heading.</p>"
       "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">"
       "<image xlink:href=\"../images/photo.jpg\"/></svg></div>"},
      {"text/notes.xhtml",
       "<aside epub:type=\"footnote\" id=\"n1\"><p><a href=\"part1.xhtml#r1\">1</a> The first note.</p></aside>"
       "<aside epub:type=\"footnote\" id=\"n2\"><p>The <b>second</b> note.</p></aside>"},
  };
  const std::string toc3 =
      "<ol><li><a href=\"text/part1.xhtml\">Part One</a><ol><li><a href=\"text/part1.xhtml#s11\">The First "
      "Chapter</a></li></ol></li><li><a href=\"text/part2.xhtml\">Chapter Two</a><ol><li><a "
      "href=\"text/part2.xhtml#appendix\">Appendix</a></li></ol></li></ol>";
  auto point = [](const std::string& label, const std::string& src, const std::string& inner) {
    return "<navPoint><navLabel><text>" + label + "</text></navLabel><content src=\"" + src + "\"/>" + inner +
           "</navPoint>";
  };
  const std::string toc2 =
      point("Part One", "text/part1.xhtml", point("The First Chapter", "text/part1.xhtml#s11", "")) +
      point("Chapter Two", "text/part2.xhtml", point("Appendix", "text/part2.xhtml#appendix", ""));
  plan.tableOfContents = version == 3 ? toc3 : toc2;
  plan.pictures = {{"images/figure.png", picture(400, 300, "png")},
                   {"images/photo.jpg", picture(120, 90, "jpg")},
                   {"images/cover.webp", picture(600, 900, "webp")}};
  plan.coverPicture = "images/cover.webp";
  return plan;
}

}  // namespace

class EpubVersions : public testing::TestWithParam<int> {};

TEST_P(EpubVersions, AWholeBookImportsAndCompilesWithEveryLinkDefined) {
  ScratchFolder folder;
  const Imported book = importBook(epubEntries(fullBook(GetParam())), folder.file("book_img"));
  const std::string& tml = book.import.tml;

  // The information block at the head, from the package's metadata.
  EXPECT_EQ(tml.rfind("\\v\r\nTITLE=\"Voyna: A Caf\\a233 Tale\"\r\nAUTHOR=\"Anna Writer, Ben Second\"\r\n"
                      "PUBLISHER=\"Small Press\"\r\nEISBN=\"978-3-16-148410-0\"\r\n"
                      "COPYRIGHT=\"All rights reserved (2021-05-04)\"\r\n\\v",
                      0),
            0u)
      << tml;
  EXPECT_EQ(countOf(tml, "<footnote id="), 2u);
  EXPECT_EQ(tml.find("\\v1"), std::string::npos) << "the link back from the note is dropped";
  EXPECT_NE(tml.find("\\U039A"), std::string::npos) << "Greek stays in the text";
  EXPECT_EQ(book.import.pictures.size(), 3u);
  EXPECT_EQ(treeOf(folder.path()),
            (std::vector<std::string>{"book_img", "book_img/cover.png", "book_img/figure.png", "book_img/photo.png"}));

  const CompiledBook compiled = compileTml(folder.path(), tml);
  ASSERT_TRUE(compiled.built) << testing::PrintToString(compiled.errors);
  EXPECT_TRUE(compiled.errors.empty()) << testing::PrintToString(compiled.errors);
  EXPECT_TRUE(undefinedLinks(compiled).empty()) << testing::PrintToString(compiled.warnings);
  const BookContents& contents = compiled.contents;
  // The table of contents decides: the parts' headings at its levels, and an
  // invisible entry where it points at a place without a heading.
  EXPECT_EQ(chapterTitles(contents),
            (std::vector<std::string>{"Part One", "    The First Chapter", "Chapter Dva", "    Appendix"}));
  EXPECT_EQ(contents.links.size(), 2u);
  for (const LinkEntry& link : contents.links) EXPECT_NE(link.target, kUndefinedLinkTarget) << link.name;
  EXPECT_EQ(contents.footnotes.size(), 2u);
  ASSERT_EQ(contents.images.size(), 3u);
  for (const ImageEntry& image : contents.images) {
    EXPECT_LE(image.width, 158) << image.name;
    EXPECT_LE(image.height, 148) << image.name;
  }
  // The cover no page shows opens the book, before the first part's page.
  EXPECT_NE(tml.find("\r\n\\v\\c\\m=\"cover.png\"\r\\c\r\\x"), std::string::npos) << tml;
}

INSTANTIATE_TEST_SUITE_P(Epub, EpubVersions, testing::Values(2, 3));

namespace {

ZipEntry containerFor(const std::string& package) {
  return {"META-INF/container.xml",
          "<?xml version=\"1.0\"?><container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\" "
          "version=\"1.0\"><rootfiles>" +
              (package.empty() ? std::string() : "<rootfile full-path=\"" + package + "\"/>") +
              "</rootfiles></container>"};
}

ZipEntry packageWith(const std::string& manifest, const std::string& spine) {
  return {"content.opf",
          "<?xml version=\"1.0\"?><package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata/>"
          "<manifest>" +
              manifest + "</manifest><spine>" + spine + "</spine></package>"};
}

ZipEntry page(const std::string& name, const std::string& body) { return {name, xhtmlPage(body)}; }

}  // namespace

TEST(EpubImport, ABookThatCannotBeReadSaysWhy) {
  modern::EpubArchiveLimits few;
  few.maxEntries = 3;
  modern::EpubArchiveLimits small;
  small.maxDocumentBytes = 1 << 20;
  const ZipEntry goodPage = page("a.xhtml", "<p>text</p>");
  const struct {
    const char* what;
    std::vector<ZipEntry> entries;
    modern::EpubArchiveLimits limits;
    const char* reason;
  } cases[] = {
      {"no container", {{"mimetype", "application/epub+zip"}, goodPage}, {}, "it has no META-INF/container.xml"},
      {"a container that is not XML", {{"META-INF/container.xml", "<container><rootfiles"}}, {}, "not well-formed"},
      {"a container without a package", {containerFor("")}, {}, "names no package file"},
      {"a package that is not there", {containerFor("OEBPS/gone.opf")}, {}, "the book has no file \"OEBPS/gone.opf\""},
      {"a reading order that leads nowhere",
       {containerFor("content.opf"),
        packageWith("<item id=\"a\" href=\"missing.xhtml\" media-type=\"application/xhtml+xml\"/>",
                    "<itemref idref=\"a\"/><itemref idref=\"unlisted\"/>")},
       {},
       "its reading order names no text that the book holds"},
      {"too many entries",
       {containerFor("content.opf"), goodPage, page("b.xhtml", "b"), page("c.xhtml", "c")},
       few,
       "more than 3 entries"},
      {"a package that unpacks beyond its limit",
       {containerFor("content.opf"), {"content.opf", std::string(2 << 20, ' ')}},
       small,
       "unpacks to more than 1048576 bytes"},
  };
  CollectingLogSink log;
  ScopedLogSink installed(log);
  for (const auto& c : cases) {
    ModernImportOptions options;
    options.archive = c.limits;
    try {
      importEpubData(zipArchive(c.entries), "book.epub", options);
      ADD_FAILURE() << c.what << ": imported";
    } catch (const QXFileException& failure) {
      EXPECT_EQ(failure.path(), "book.epub") << c.what;
      EXPECT_NE(failure.reason().find(c.reason), std::string::npos) << c.what << ": " << failure.reason();
    }
  }
  try {
    importEpubData("PK\x03\x04 but no archive", "book.epub");
    ADD_FAILURE() << "a file that is no archive imported";
  } catch (const QXFileException& failure) {
    EXPECT_NE(failure.reason().find("not a ZIP archive"), std::string::npos) << failure.reason();
  }
}

TEST(EpubImport, DamagedPartsAreLeftOutAndTheRestImports) {
  ModernImportOptions options;
  options.archive.maxDocumentBytes = 1 << 20;
  const std::vector<ZipEntry> entries = {
      containerFor("content.opf"),
      packageWith("<item id=\"a\" href=\"a.xhtml\" media-type=\"application/xhtml+xml\"/>"
                  "<item id=\"bomb\" href=\"bomb.xhtml\" media-type=\"application/xhtml+xml\"/>"
                  "<item id=\"gone\" href=\"gone.xhtml\" media-type=\"application/xhtml+xml\"/>"
                  "<item id=\"bad\" href=\"bad.xhtml\" media-type=\"application/xhtml+xml\"/>",
                  "<itemref idref=\"a\"/><itemref idref=\"nothing\"/><itemref idref=\"gone\"/>"
                  "<itemref idref=\"bomb\"/><itemref idref=\"bad\"/>"),
      page("a.xhtml", "<p>First part.</p>"),
      // Two megabytes of one letter pack into a few kilobytes.
      {"bomb.xhtml", "<html><body><p>" + std::string(2 << 20, 'z') + "</p></body></html>"},
      {"bad.xhtml", "<html><body><p>Unclosed <b>bold<p>Last part &nbsp;&eacute;</body>"},
  };
  CollectingLogSink log;
  ScopedLogSink installed(log);
  const ModernImport book = importEpubData(zipArchive(entries), "book.epub", options);
  EXPECT_EQ(book.tml, "First part.\r\r\\pUnclosed \\bbold\\b\r\rLast part \\a233");
  EXPECT_EQ(log.textsOf(LogKind::Warning),
            (std::vector<std::string>{
                "The reading order of book.epub names \"nothing\", which the book does not list; it is left out.",
                "The reading order of book.epub names \"gone.xhtml\", which is missing from the book; it is left out.",
                "A part of book.epub is left out: \"bomb.xhtml\" unpacks to more than 1048576 bytes.",
                "bad.xhtml is not well-formed XML; it was read as HTML."}));
  // All the text together has a limit too: what lies beyond it is left out.
  log.clear();
  options.archive.maxTextBytes = entries[2].data.size() + 10;
  EXPECT_EQ(importEpubData(zipArchive(entries), "book.epub", options).tml, "First part.");
  EXPECT_EQ(log.textsOf(LogKind::Warning).back(), "A part of book.epub is left out: its text is larger than " +
                                                      std::to_string(options.archive.maxTextBytes) + " bytes in all.");
}

TEST(EpubImport, NothingIsWrittenOutsideTheImageFolderWhateverTheNames) {
  ScratchFolder folder;
  const std::string images = folder.file("story_img");
  ASSERT_EQ(mkdir(images.c_str(), 0755), 0);
  // A different picture already has the first name: it stays as it is. A
  // symbolic link there is not written through.
  folder.write("story_img/figure.png", "the author's own picture");
  ASSERT_EQ(symlink("../victim.png", (images + "/photo.png").c_str()), 0);
  const std::string png = picture(40, 30, "png");
  const std::vector<ZipEntry> entries = {
      containerFor("OEBPS/content.opf"),
      {"OEBPS/content.opf", packageWith("<item id=\"a\" href=\"text/a.xhtml\" media-type=\"application/xhtml+xml\"/>",
                                        "<itemref idref=\"a\"/>")
                                .data},
      page("OEBPS/text/a.xhtml",
           "<p><img src=\"../../../../escape.png\" alt=\"up\"/><img src=\"/etc/passwd\" alt=\"root\"/>"
           "<img src=\"../figure.png\"/><img src=\"../photo.png\"/><img src=\"../link.png\" alt=\"link\"/>"
           "<img src=\"../../../story_img/figure.png\"/></p>"),
      {"../escape.png", png},
      {"OEBPS/figure.png", png},
      {"OEBPS/photo.png", png},
      {"OEBPS/link.png", "/etc/passwd", 0120777},
  };
  CollectingLogSink log;
  ScopedLogSink installed(log);
  ModernImportOptions options;
  options.imageFolder = images;
  const ModernImport book = importEpubData(zipArchive(entries), "book.epub", options);
  EXPECT_EQ(treeOf(folder.path()),
            (std::vector<std::string>{"story_img", "story_img/figure-2.png", "story_img/figure.png",
                                      "story_img/photo-2.png", "story_img/photo.png"}));
  EXPECT_EQ(book.pictures, (std::vector<std::string>{"figure-2.png", "photo-2.png"}));
  EXPECT_EQ(book.tml, "\\vup\\v\\vroot\\v\\m=\"figure-2.png\"\\m=\"photo-2.png\"\\vlink\\v");
  EXPECT_EQ(log.textsOf(LogKind::Warning),
            (std::vector<std::string>{
                "The picture \"../../../../escape.png\" of book.epub is left out: it lies outside the book.",
                "The picture \"/etc/passwd\" of book.epub is left out: it lies outside the book.",
                "The picture \"OEBPS/link.png\" of book.epub is left out: \"OEBPS/link.png\" is a symbolic link.",
                "The picture \"../../../story_img/figure.png\" of book.epub is left out: it lies outside the book."}));
}
