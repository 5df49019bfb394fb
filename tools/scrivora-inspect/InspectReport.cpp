#include "InspectReport.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>

#include "JsonText.h"
#include "FileSystem.h"
#include "TerminalText.h"

namespace scrivora {

namespace {

using cli::jsonString;

// Text from the book may hold any byte; in the readable report it is quoted
// so that control bytes cannot garble the terminal.
bool terminalUtf8 = false;
std::string quoted(const std::string& text) { return cli::quotedForTerminal(text, terminalUtf8); }

// A chapter's level is not stored: a level-n title begins with 4 x n spaces.
unsigned chapterLevel(const std::string& title) {
  size_t spaces = title.find_first_not_of(' ');
  if (spaces == std::string::npos) spaces = title.size();
  return unsigned(std::min<size_t>(spaces / 4, 4));
}

std::string hexNumber(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06" PRIX32, value);
  return text;
}

void printPages(std::FILE* out, const char* title, const std::vector<StoredPageEntry>& pages) {
  std::fprintf(out, "%s: %zu pages\n", title, pages.size());
  for (const StoredPageEntry& page : pages) {
    std::fprintf(out, "  page %u: record %u offset %u position %" PRIu32 " state 0x%04X\n", unsigned(page.page),
                 unsigned(page.record), unsigned(page.offset), page.position, unsigned(page.state));
  }
}

void printNotes(std::FILE* out, const char* title, const std::vector<NoteEntry>& notes) {
  std::fprintf(out, "%s: %zu\n", title, notes.size());
  for (const NoteEntry& note : notes) {
    std::fprintf(out, "  %s: %u records, %zu bytes of text\n", quoted(note.id).c_str(), unsigned(note.recordCount),
                 note.body.size());
  }
}

// A tiny JSON writer: keeps track of commas so the printing code stays flat.
class JsonOut {
 public:
  explicit JsonOut(std::FILE* out) : out_(out) {}
  void open(const char* key, char bracket) {
    prefix(key);
    std::fputc(bracket, out_);
    first_ = true;
  }
  void close(char bracket) {
    std::fputc(bracket, out_);
    first_ = false;
  }
  void string(const char* key, const std::string& value) {
    prefix(key);
    std::fputs(jsonString(value).c_str(), out_);
  }
  // A value already written as JSON.
  void prefixed(const char* key, const std::string& json) {
    prefix(key);
    std::fputs(json.c_str(), out_);
  }
  void number(const char* key, uint64_t value) {
    prefix(key);
    std::fprintf(out_, "%" PRIu64, value);
  }
  void boolean(const char* key, bool value) {
    prefix(key);
    std::fputs(value ? "true" : "false", out_);
  }
  void null(const char* key) {
    prefix(key);
    std::fputs("null", out_);
  }

 private:
  void prefix(const char* key) {
    if (!first_) std::fputs(", ", out_);
    first_ = false;
    if (key) std::fprintf(out_, "%s: ", jsonString(key).c_str());
  }
  std::FILE* out_;
  bool first_ = true;
};

void jsonPages(JsonOut& json, const char* key, const std::vector<StoredPageEntry>& pages) {
  json.open(key, '[');
  for (const StoredPageEntry& page : pages) {
    json.open(nullptr, '{');
    json.number("page", page.page);
    json.number("record", page.record);
    json.number("offset", page.offset);
    json.number("position", page.position);
    json.number("state", page.state);
    json.close('}');
  }
  json.close(']');
}

void jsonNotes(JsonOut& json, const char* key, const std::vector<NoteEntry>& notes) {
  json.open(key, '[');
  for (const NoteEntry& note : notes) {
    json.open(nullptr, '{');
    json.string("id", note.id);
    json.number("records", note.recordCount);
    json.string("text", note.body);
    json.close('}');
  }
  json.close(']');
}

}  // namespace

std::string isoDate(uint32_t seconds) {
  const std::time_t time = std::time_t(seconds);
  std::tm parts;
  char text[32];
  if (!gmtime_r(&time, &parts) || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts) == 0) return "?";
  return text;
}

void printReadableReport(std::FILE* out, const std::string& path, const BookContents& book,
                         const std::vector<std::string>& problems, bool utf8) {
  terminalUtf8 = utf8;
  const DatabaseHeaderFields& h = book.header;
  std::fprintf(out, "Book %s: %" PRIu64 " bytes\n", path.c_str(), book.fileSize);
  std::fprintf(out, "Database header: name %s, attributes %u, version %u, type %s, creator %s\n",
               quoted(h.name).c_str(), unsigned(h.attributes), unsigned(h.version), quoted(h.type).c_str(),
               quoted(h.creator).c_str());
  std::fprintf(out, "  created %" PRIu32 " (%s), modified %" PRIu32 " (%s), %u records\n", h.creationTime,
               isoDate(h.creationTime).c_str(), h.modificationTime, isoDate(h.modificationTime).c_str(),
               unsigned(h.recordCount));
  std::fprintf(out, "Records:\n");
  for (size_t k = 0; k < book.records.size(); ++k) {
    const RecordListEntry& r = book.records[k];
    std::fprintf(out, "  %zu: offset %" PRIu32 ", %" PRIu32 " bytes, id %s\n", k, r.offset, r.size,
                 hexNumber(r.uniqueId).c_str());
  }
  if (book.hasBookHeader) {
    const BookHeaderFields& b = book.bookHeader;
    std::fprintf(out, "Book header: %u text records, %u small-font pages, %u large-font pages\n",
                 unsigned(b.textRecordsPlusOne ? b.textRecordsPlusOne - 1 : 0), unsigned(b.smallPageEntries),
                 unsigned(b.largePageEntries));
    std::fprintf(out, "Sections (first record, records):\n");
    for (const SectionPlacement& section : book.sections) {
      std::fprintf(out, "  %-22s %5u %5u\n", section.name.c_str(), unsigned(section.first), unsigned(section.count));
    }
  }
  if (book.hasMetadata) {
    const BookInfo& m = book.metadata;
    std::fprintf(out, "Metadata: title %s, author %s, copyright %s, publisher %s, eISBN %s\n", quoted(m.title).c_str(),
                 quoted(m.author).c_str(), quoted(m.copyright).c_str(), quoted(m.publisher).c_str(),
                 quoted(m.eisbn).c_str());
  }
  std::fprintf(out, "Text: %zu bytes in %zu records; lengths", book.text.size(),
               book.textRecordEnds.empty() ? 0 : book.textRecordEnds.size() - 1);
  for (uint16_t length : book.storedTextLengths) std::fprintf(out, " %u", unsigned(length));
  std::fprintf(out, "\n");
  printPages(out, "Small-font page table", book.smallPages);
  printPages(out, "Large-font page table", book.largePages);
  std::fprintf(out, "Chapters: %zu\n", book.chapters.size());
  for (const ChapterEntry& c : book.chapters) {
    std::fprintf(out, "  %" PRIu32 ": level %u %s\n", c.position, chapterLevel(c.title), quoted(c.title).c_str());
  }
  std::fprintf(out, "Links: %zu\n", book.links.size());
  for (const LinkEntry& l : book.links) {
    if (l.target == kUndefinedLinkTarget) {
      std::fprintf(out, "  %s -> undefined\n", quoted(l.name).c_str());
    } else {
      std::fprintf(out, "  %s -> %" PRIu32 "\n", quoted(l.name).c_str(), l.target);
    }
  }
  std::fprintf(out, "Index: %zu terms in %zu records\n", book.indexEntries.size(), book.indexDirectory.size());
  for (const IndexEntry& e : book.indexEntries) {
    std::fprintf(out, "  %s: record %u offset %u\n", quoted(e.term).c_str(), unsigned(e.record), unsigned(e.offset));
  }
  std::fprintf(out, "Images: %zu\n", book.images.size());
  for (const ImageEntry& image : book.images) {
    std::fprintf(out, "  %s: %u x %u, %zu bytes of PNG\n", quoted(image.name).c_str(), unsigned(image.width),
                 unsigned(image.height), image.png.size());
  }
  printNotes(out, "Sidebars", book.sidebars);
  printNotes(out, "Footnotes", book.footnotes);
  if (problems.empty()) {
    std::fprintf(out, "No inconsistencies found.\n");
  } else {
    std::fprintf(out, "Inconsistencies: %zu\n", problems.size());
    for (const std::string& p : problems) std::fprintf(out, "  %s\n", p.c_str());
  }
}

void printJsonReport(std::FILE* out, const std::string& path, const BookContents& book,
                     const std::vector<std::string>& problems) {
  JsonOut json(out);
  json.open(nullptr, '{');
  json.prefixed("file", cli::jsonFileName(path));
  json.number("fileSize", book.fileSize);
  const DatabaseHeaderFields& h = book.header;
  json.open("header", '{');
  json.string("name", h.name);
  json.number("attributes", h.attributes);
  json.number("version", h.version);
  json.number("creationTime", h.creationTime);
  json.number("modificationTime", h.modificationTime);
  json.string("creationDate", isoDate(h.creationTime));
  json.string("modificationDate", isoDate(h.modificationTime));
  json.number("backupTime", h.backupTime);
  json.number("modificationNumber", h.modificationNumber);
  json.number("appInfoOffset", h.appInfoOffset);
  json.number("sortInfoOffset", h.sortInfoOffset);
  json.number("uniqueIdSeed", h.uniqueIdSeed);
  json.number("nextRecordList", h.nextRecordList);
  json.string("type", h.type);
  json.string("creator", h.creator);
  json.number("recordCount", h.recordCount);
  json.close('}');
  json.open("records", '[');
  for (const RecordListEntry& r : book.records) {
    json.open(nullptr, '{');
    json.number("offset", r.offset);
    json.number("size", r.size);
    json.number("attributes", r.attributes);
    json.number("uniqueId", r.uniqueId);
    json.close('}');
  }
  json.close(']');
  if (book.hasBookHeader) {
    const BookHeaderFields& b = book.bookHeader;
    json.open("bookHeader", '{');
    json.number("marker", b.marker);
    json.number("reserved2", b.reserved2);
    json.number("magic", b.magic);
    json.number("smallPageEntries", b.smallPageEntries);
    json.number("largePageEntries", b.largePageEntries);
    json.number("textRecordsPlusOne", b.textRecordsPlusOne);
    json.number("chapterCount", b.chapterCount);
    json.number("smallPageRecords", b.smallPageRecords);
    json.number("largePageRecords", b.largePageRecords);
    json.number("imageCount", b.imageCount);
    json.number("linkCount", b.linkCount);
    json.number("metadataCount", b.metadataCount);
    json.number("indexCount", b.indexCount);
    json.number("footnoteCount", b.footnoteCount);
    json.number("sidebarCount", b.sidebarCount);
    json.number("firstChapter", b.firstChapter);
    json.number("marker34", b.marker34);
    json.number("marker35", b.marker35);
    json.number("firstSmallPage", b.firstSmallPage);
    json.number("firstLargePage", b.firstLargePage);
    json.number("firstImage", b.firstImage);
    json.number("firstLink", b.firstLink);
    json.number("firstMetadata", b.firstMetadata);
    json.number("firstIndex", b.firstIndex);
    json.number("firstFootnote", b.firstFootnote);
    json.number("firstSidebar", b.firstSidebar);
    json.number("firstTextLength", b.firstTextLength);
    json.number("textLengthCount", b.textLengthCount);
    json.close('}');
    json.open("sections", '[');
    for (const SectionPlacement& s : book.sections) {
      json.open(nullptr, '{');
      json.string("name", s.name);
      json.number("first", s.first);
      json.number("count", s.count);
      json.close('}');
    }
    json.close(']');
  } else {
    json.null("bookHeader");
  }
  if (book.hasMetadata) {
    json.open("metadata", '{');
    json.string("title", book.metadata.title);
    json.string("author", book.metadata.author);
    json.string("copyright", book.metadata.copyright);
    json.string("publisher", book.metadata.publisher);
    json.string("eisbn", book.metadata.eisbn);
    json.close('}');
  } else {
    json.null("metadata");
  }
  json.string("text", book.text);
  json.open("textLengths", '[');
  for (uint16_t length : book.storedTextLengths) json.number(nullptr, length);
  json.close(']');
  jsonPages(json, "smallPages", book.smallPages);
  jsonPages(json, "largePages", book.largePages);
  json.open("chapters", '[');
  for (const ChapterEntry& c : book.chapters) {
    json.open(nullptr, '{');
    json.number("position", c.position);
    json.number("level", chapterLevel(c.title));
    json.string("title", c.title);
    json.close('}');
  }
  json.close(']');
  json.open("links", '[');
  for (const LinkEntry& l : book.links) {
    json.open(nullptr, '{');
    json.string("name", l.name);
    if (l.target == kUndefinedLinkTarget) {
      json.null("target");
    } else {
      json.number("target", l.target);
    }
    json.close('}');
  }
  json.close(']');
  json.open("index", '{');
  json.open("directory", '[');
  for (const std::string& term : book.indexDirectory) json.string(nullptr, term);
  json.close(']');
  json.open("entries", '[');
  for (const IndexEntry& e : book.indexEntries) {
    json.open(nullptr, '{');
    json.string("term", e.term);
    json.number("record", e.record);
    json.number("offset", e.offset);
    json.close('}');
  }
  json.close(']');
  json.close('}');
  json.open("images", '[');
  for (const ImageEntry& image : book.images) {
    json.open(nullptr, '{');
    json.string("name", image.name);
    json.number("width", image.width);
    json.number("height", image.height);
    json.number("pngSize", image.png.size());
    json.close('}');
  }
  json.close(']');
  jsonNotes(json, "sidebars", book.sidebars);
  jsonNotes(json, "footnotes", book.footnotes);
  json.open("problems", '[');
  for (const std::string& p : problems) json.string(nullptr, p);
  json.close(']');
  json.boolean("consistent", problems.empty());
  json.close('}');
  std::fputc('\n', out);
}

bool extractImages(const BookContents& book, const std::string& directory, std::string& problem) {
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  if (error) {
    problem = "cannot create " + directory + ": " + error.message();
    return false;
  }
  std::set<std::string> used;
  for (size_t i = 0; i < book.images.size(); ++i) {
    const ImageEntry& image = book.images[i];
    // A stored name is only trusted as a plain file name; anything else, or a
    // repeated name, gets a numbered one.
    std::string name = image.name;
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
        !used.insert(name).second) {
      name = "image-" + std::to_string(i) + ".png";
      used.insert(name);
    }
    const std::string path = directory + "/" + name;
    std::string reason;
    const std::string_view png(reinterpret_cast<const char*>(image.png.data()), image.png.size());
    if (!writeFileReplacing(path, png, reason)) {
      problem = "cannot write " + path + ": " + reason;
      return false;
    }
  }
  return true;
}

}  // namespace scrivora
