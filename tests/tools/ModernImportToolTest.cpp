// scrivora-import on EPUB books and HTML5 pages: where the pictures go, the
// --html choice of path, and a book made of it that scrivora-make compiles
// and scrivora-inspect shows.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QBuffer>
#include <QImage>

#include <string>
#include <vector>

#include "support/ToolRun.h"

using namespace tooltest;

namespace {

void putWord(std::string& out, unsigned value) { out += char(value & 0xFF), out += char((value >> 8) & 0xFF); }
void putLong(std::string& out, unsigned long value) { putWord(out, value & 0xFFFF), putWord(out, value >> 16); }

// A ZIP archive with its entries stored as they are.
std::string storedZip(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string archive, directory;
  for (const auto& [name, data] : entries) {
    const unsigned long crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size()));
    std::string header;
    putLong(header, crc), putLong(header, data.size()), putLong(header, data.size()), putWord(header, name.size());
    putWord(header, 0);
    const unsigned long offset = archive.size();
    archive += std::string("PK\3\4\x14\0\0\0\0\0\0\0\0\0", 14) + header + name + data;
    // Comment length, disk, internal and external attributes, all zero.
    directory += std::string("PK\1\2\x14\0\x14\0\0\0\0\0\0\0\0\0", 16) + header + std::string(10, '\0');
    putLong(directory, offset);
    directory += name;
  }
  std::string end("PK\5\6\0\0\0\0", 8);
  putWord(end, entries.size()), putWord(end, entries.size()), putLong(end, directory.size()),
      putLong(end, archive.size()), putWord(end, 0);
  return archive + directory + end;
}

std::string pngPicture() {
  QImage image(300, 200, QImage::Format_RGB32);
  image.fill(qRgb(90, 120, 200));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "png");
  return bytes.toStdString();
}

std::string page(const std::string& body) {
  return "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\" "
         "xmlns:epub=\"http://www.idpf.org/2007/ops\"><body>" +
         body + "</body></html>";
}

std::string smallBook() {
  return storedZip({
      {"mimetype", "application/epub+zip"},
      {"META-INF/container.xml",
       "<container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
       "full-path=\"book.opf\"/></rootfiles></container>"},
      {"book.opf",
       "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata "
       "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title>Small Book</dc:title></metadata><manifest>"
       "<item id=\"a\" href=\"a.xhtml\" media-type=\"application/xhtml+xml\"/>"
       "<item id=\"b\" href=\"b.xhtml\" media-type=\"application/xhtml+xml\"/>"
       "<item id=\"c\" href=\"cover.png\" media-type=\"image/png\" properties=\"cover-image\"/></manifest>"
       "<spine><itemref idref=\"a\"/><itemref idref=\"b\"/></spine></package>"},
      {"a.xhtml", page("<h1>One</h1><p>See <a href=\"b.xhtml#x\">two</a>.<a epub:type=\"noteref\" "
                       "href=\"b.xhtml#n\">1</a></p>")},
      {"b.xhtml", page("<h1 id=\"x\">Two</h1><aside epub:type=\"footnote\" id=\"n\">A note.</aside>")},
      {"cover.png", pngPicture()},
  });
}

class ModernImportTool : public testing::Test {
 protected:
  Folder folder;
};

}  // namespace

TEST_F(ModernImportTool, ABookAndItsPicturesBecomeATmlFileThatCompiles) {
  folder.write("book.epub", smallBook());
  const ToolRun imported = folder.run("scrivora-import", {"-o", "story.tml", "book.epub"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.err, "");
  EXPECT_EQ(folder.entries(), (std::vector<std::string>{"book.epub", "story.tml", "story_img"}));
  EXPECT_EQ(Folder::entriesOf(folder.path("story_img")), (std::vector<std::string>{"cover.png"}));

  ASSERT_EQ(folder.run("scrivora-make", {"-q", "-o", "story.tdb", "story.tml"}).status, 0);
  const ToolRun shown = folder.run("scrivora-inspect", {"story.tdb"});
  EXPECT_EQ(shown.status, 0) << shown.out;
  for (const char* part :
       {"Chapters: 2", "level 0 \"One\"", "level 0 \"Two\"", "Links: 1", "Images: 1", "\"cover.png\"", "Footnotes: 1"})
    EXPECT_TRUE(contains(shown.out, part)) << part << "\n" << shown.out;

  // Without -o the pictures go beside the book, where book.tml would find them.
  const ToolRun toOutput = folder.run("scrivora-import", {"book.epub"});
  EXPECT_EQ(toOutput.status, 0) << toOutput.err;
  EXPECT_EQ(readFile(folder.path("story.tml")), toOutput.out);
  EXPECT_EQ(Folder::entriesOf(folder.path("book_img")), (std::vector<std::string>{"cover.png"}));
}

TEST_F(ModernImportTool, TheHtmlOptionChoosesThePath) {
  folder.write("old.html", "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"><title>T</title><p>a <span>b</span>");
  folder.write("new.html", "<!DOCTYPE html><title>T</title><section><p>a <span>b</span></section>");
  const std::string legacy = "\\vTITLE=\"T\"\\v \r\ra (SPANb )SPAN";
  const std::string modern =
      "\\v\r\nTITLE=\"T\"\r\nAUTHOR=\"\"\r\nPUBLISHER=\"\"\r\nEISBN=\"\"\r\nCOPYRIGHT=\"\"\r\n\\va b";
  const struct {
    std::vector<std::string> words;
    std::string out;
  } cases[] = {
      {{"old.html"}, legacy},
      {{"--html=auto", "old.html"}, legacy},
      {{"--html", "modern", "old.html"}, modern},
      {{"new.html"}, modern},
      {{"--html=legacy", "new.html"}, "\\vTITLE=\"T\"\\v (SECTION\r\ra (SPANb )SPAN)SECTION"},
  };
  for (const auto& c : cases) {
    const ToolRun run = folder.run("scrivora-import", c.words);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out) << c.words.back();
  }
  const ToolRun wrong = folder.run("scrivora-import", {"--html=new", "new.html"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_TRUE(contains(wrong.err, "--html takes legacy, modern or auto, not \"new\"")) << wrong.err;
  folder.write("broken.epub", "PK\3\4 and then nothing");
  const ToolRun broken = folder.run("scrivora-import", {"broken.epub"});
  EXPECT_EQ(broken.status, 1);
  EXPECT_TRUE(contains(broken.err, "scrivora-import: cannot read broken.epub: it is not a ZIP archive")) << broken.err;
}

TEST_F(ModernImportTool, TheEditorOpensABookAndSavingKeepsItsPictures) {
  folder.write("book.epub", smallBook());
  ASSERT_EQ(mkdir(folder.path("tmp").c_str(), 0700), 0);
  // scrivora-convert opens files as the program's Open does.
  const ToolRun converted =
      folder.run("scrivora-convert", {"book.epub", "saved.tml"}, {"", -1, {"TMPDIR=" + folder.path("tmp")}});
  ASSERT_EQ(converted.status, 0) << converted.err;
  const std::string saved = readFile(folder.path("saved.tml"));
  for (const char* part : {"TITLE=\"Small Book\"", "\\m=\"cover.png\"", "\\Fn=\"n\"", "<footnote id=\"n\">"})
    EXPECT_TRUE(contains(saved, part)) << part << "\n" << saved;
  EXPECT_EQ(Folder::entriesOf(folder.path("saved_img")), (std::vector<std::string>{"cover.png"}));
  // The pictures waited in a folder of the program's own, gone when it ended
  // (Qt leaves a runtime folder of its own there).
  for (const std::string& name : Folder::entriesOf(folder.path("tmp")))
    EXPECT_EQ(name.find("scrivora-import-"), std::string::npos) << name;
  ASSERT_EQ(folder.run("scrivora-make", {"-q", "-o", "saved.tdb", "saved.tml"}).status, 0);
}
