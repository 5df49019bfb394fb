#include "BookMeaning.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <tuple>

#include "BookBuilder.h"
#include "BookReader.h"
#include "BuildLog.h"

namespace scrivora::test {

namespace {

// Walks a book text as the handheld reader meets it: tags change the state
// word, measured things become items. The tag lengths are those the compiler
// consumes, so both texts are cut into the same items.
class ItemScanner {
 public:
  ItemScanner(const std::string& text, int baseFont) : text_(text), baseFont_(baseFont), font_(baseFont) {}

  void run() {
    size_t p = 0;
    while (p < text_.size()) p = step(p);
  }
  std::vector<std::string> items;
  std::vector<size_t> itemStarts;

 private:
  enum : uint16_t {
    kItalic = 0x8000,
    kUnderline = 0x4000,
    kIndented = 0x2000,
    kOverstrike = 0x1000,
    kInvisible = 0x0800,
    kLink = 0x0400,
    kSuper = 0x0200,
    kSub = 0x0100,
    kBold = 0x0080
  };

  char at(size_t i) const { return i < text_.size() ? text_[i] : '\0'; }
  uint16_t state() const { return uint16_t(style_ | alignment_ | ((font_ & 15) << 3)); }

  void item(size_t start, const std::string& what) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "@%04x", unsigned(state()));
    items.push_back(what + suffix);
    itemStarts.push_back(start);
  }
  static std::string hex(unsigned char c) {
    char code[4];
    std::snprintf(code, sizeof code, "%02x", unsigned(c));
    return code;
  }
  // Past the closing quote of an argument that starts at `from`, or the end.
  size_t afterQuote(size_t from) const {
    const size_t close = text_.find('"', from);
    return close == std::string::npos ? text_.size() : close + 1;
  }
  bool argumentAt(size_t p) const { return at(p) == '=' && at(p + 1) == '"'; }
  // The value of `="value"` at a position.
  std::string argument(size_t equals) const {
    const size_t end = afterQuote(equals + 2);
    return text_.substr(equals + 2, end - equals - 3);
  }

  size_t step(size_t p) {
    const unsigned char c = static_cast<unsigned char>(text_[p]);
    if (c == '\n' || c == '\r') {
      // A line end shows nothing, so it has no state of its own.
      if (!(style_ & kInvisible)) {
        items.push_back("LF");
        itemStarts.push_back(p);
      }
      return p + 1;
    }
    if (c != '\\') {
      if (!(style_ & kInvisible)) item(p, hex(c));
      return p + 1;
    }
    const char tag = at(p + 1);
    switch (tag) {
      case '\\': item(p, "5c"); return p + 2;
      case '-': item(p, "soft-hyphen"); return p + 2;
      case 'a': {
        int code = 0;
        for (size_t i = p + 2; i < p + 5; ++i) code = code * 10 + ((static_cast<unsigned char>(at(i)) - '0') & 0xFF);
        item(p, hex(static_cast<unsigned char>(code & 0xFF)));
        return p + 5;
      }
      case 'U': item(p, "U+" + text_.substr(p + 2, 4)); return p + 6;
      case 'B': style_ ^= kBold; return p + 2;
      case 'C': return argumentAt(p + 3) ? afterQuote(p + 5) : p + 3;
      case 'F':
        if (at(p + 2) != 'n') return p + 2;
        if (style_ & kLink) {
          style_ ^= kLink;
          return p + 3;
        }
        style_ ^= kLink;
        return argumentAt(p + 3) ? afterQuote(p + 5) : p + 3;
      case 'I':
        if (!inIndexTerm_ && (alignment_ != 0 || (style_ & ~kInvisible) != 0)) {
          alignment_ = 0;
          style_ &= kInvisible;
        }
        inIndexTerm_ = !inIndexTerm_;
        return p + 2;
      case 'Q': return argumentAt(p + 2) ? afterQuote(p + 4) : p + 2;
      case 'S':
        if (at(p + 2) == 'b') style_ ^= kSub;
        if (at(p + 2) == 'p') style_ ^= kSuper;
        if (at(p + 2) == 'd') {
          if (style_ & kLink) {
            style_ ^= kLink;
            return p + 3;
          }
          item(p, "sidebar-mark");
          style_ ^= kLink;
          return argumentAt(p + 3) ? afterQuote(p + 5) : p + 3;
        }
        return p + 3;
      case 'T':
        // Indents beyond the line's end count as 100 percent.
        if (!argumentAt(p + 2)) return p + 2;
        item(p, "indent " + std::to_string(std::min(std::atoi(argument(p + 2).c_str()), 100)));
        return afterQuote(p + 4);
      case 'w':
        if (!argumentAt(p + 2)) return p + 2;
        item(p, "rule " + argument(p + 2));
        return afterQuote(p + 4);
      case 'm':
        if (!argumentAt(p + 2)) return p + 2;
        item(p, "image " + argument(p + 2));
        return afterQuote(p + 4);
      case 'X': return p + 3;
      case 'b': font_ = font_ == 1 ? baseFont_ : 1; return p + 2;
      case 'c': alignment_ = alignment_ == 1 ? 0 : 1; return p + 2;
      case 'r': alignment_ = alignment_ == 2 ? 0 : 2; return p + 2;
      case 'd': item(p, "plate"); return p + 2;
      case 'i': style_ ^= kItalic; return p + 2;
      case 'u': style_ ^= kUnderline; return p + 2;
      case 'o': style_ ^= kOverstrike; return p + 2;
      case 'v': style_ ^= kInvisible; return p + 2;
      case 't': style_ ^= kIndented; return p + 2;
      case 'l': font_ = font_ == 2 ? baseFont_ : 2; return p + 2;
      case 's': font_ = font_ != 0 ? 0 : baseFont_; return p + 2;
      case 'n': font_ = baseFont_; return p + 2;
      case 'q':
        if (style_ & kLink) {
          style_ ^= kLink;
          return p + 2;
        }
        style_ ^= kLink;
        return argumentAt(p + 2) ? afterQuote(p + 4) : p + 2;
      default: return p + 2;
    }
  }

  const std::string& text_;
  int baseFont_;
  int font_;
  uint16_t style_ = 0;
  uint16_t alignment_ = 0;
  bool inIndexTerm_ = false;
};

// The number of items that begin before a text position.
size_t itemIndexAt(const std::vector<size_t>& starts, size_t position) {
  return size_t(std::lower_bound(starts.begin(), starts.end(), position) - starts.begin());
}

std::string joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += item + " ";
  return out;
}

std::string noteMeaning(const NoteEntry& note) {
  ItemScanner scanner(note.body, 0);
  scanner.run();
  return note.id + ": " + joined(scanner.items);
}

}  // namespace

BookMeaning compileMeaning(const std::string& tml, const std::string& folder) {
  const std::string source = folder + "/book.tml", output = folder + "/book.tdb";
  std::ofstream(source, std::ios::binary | std::ios::trunc) << tml;
  BookMeaning meaning;
  CollectingLogSink log;
  {
    ScopedLogSink scope(log);
    meaning.built = buildBook(source, output, BookInfo());
  }
  meaning.errors = log.textsOf(LogKind::Error);
  if (!meaning.built) return meaning;
  BookReader reader;
  if (!reader.readFile(output)) {
    meaning.built = false;
    return meaning;
  }
  const BookContents& book = reader.contents();
  ItemScanner scanners[2] = {ItemScanner(book.text, 0), ItemScanner(book.text, 2)};
  for (int font = 0; font < 2; ++font) {
    scanners[font].run();
    meaning.items[font] = scanners[font].items;
    // Line ends at the very end of the text end nothing that the end of the
    // text would not end.
    while (!meaning.items[font].empty() && meaning.items[font].back() == "LF") meaning.items[font].pop_back();
    for (const StoredPageEntry& page : font == 0 ? book.smallPages : book.largePages)
      meaning.pageStarts[font].push_back(itemIndexAt(scanners[font].itemStarts, page.position));
    // A last page that begins after every item shows nothing.
    while (!meaning.pageStarts[font].empty() && meaning.pageStarts[font].back() >= meaning.items[font].size())
      meaning.pageStarts[font].pop_back();
  }
  const std::vector<size_t>& starts = scanners[0].itemStarts;
  for (const ChapterEntry& chapter : book.chapters)
    meaning.chapters.push_back(chapter.title + "@" + std::to_string(itemIndexAt(starts, chapter.position)));
  for (const IndexEntry& entry : book.indexEntries) {
    const size_t position = entry.record >= 1 && entry.record < book.textRecordEnds.size()
                                ? book.textRecordEnds[entry.record - 1] + entry.offset
                                : 0;
    meaning.indexTerms.push_back(entry.term + "@" + std::to_string(itemIndexAt(starts, position)));
  }
  // An anchor's target lies one byte into what follows its tag.
  for (const LinkEntry& link : book.links)
    meaning.links.push_back(link.name + "->" +
                            (link.target == kUndefinedLinkTarget
                                 ? std::string("undefined")
                                 : std::to_string(itemIndexAt(starts, link.target > 0 ? link.target - 1 : 0))));
  for (const ImageEntry& image : book.images)
    meaning.images.push_back(image.name + " " + std::to_string(image.width) + "x" + std::to_string(image.height));
  for (const NoteEntry& note : book.footnotes) meaning.footnotes.push_back(noteMeaning(note));
  for (const NoteEntry& note : book.sidebars) meaning.sidebars.push_back(noteMeaning(note));
  return meaning;
}

namespace {

template <typename T>
std::string firstDifference(const char* what, const std::vector<T>& a, const std::vector<T>& b,
                            std::string (*show)(const T&)) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i)
    if (a[i] != b[i]) return std::string(what) + " " + std::to_string(i) + ": " + show(a[i]) + " / " + show(b[i]);
  if (a.size() != b.size())
    return std::string(what) + ": " + std::to_string(a.size()) + " / " + std::to_string(b.size()) +
           " (next: " + (a.size() > common ? show(a[common]) : show(b[common])) + ")";
  return std::string();
}

std::string showText(const std::string& s) { return s; }
std::string showNumber(const size_t& n) { return std::to_string(n); }

}  // namespace

std::string differenceBetween(const BookMeaning& original, const BookMeaning& saved) {
  // A book the compiler refuses stays refused, for the same reasons.
  if (!original.built || !saved.built) {
    if (original.built != saved.built)
      return std::string(original.built ? "only the original" : "only the saved copy") +
             " builds; errors: " + joined(original.built ? saved.errors : original.errors).substr(0, 500);
    return firstDifference("error", original.errors, saved.errors, showText);
  }
  const char* const fonts[2] = {"small", "large"};
  for (int font = 0; font < 2; ++font) {
    std::string difference = firstDifference((std::string(fonts[font]) + " item").c_str(), original.items[font],
                                             saved.items[font], showText);
    if (difference.empty())
      difference = firstDifference((std::string(fonts[font]) + " page").c_str(), original.pageStarts[font],
                                   saved.pageStarts[font], showNumber);
    if (!difference.empty()) return difference;
  }
  for (const auto& [what, a, b] : {std::make_tuple("chapter", &original.chapters, &saved.chapters),
                                   std::make_tuple("index term", &original.indexTerms, &saved.indexTerms),
                                   std::make_tuple("link", &original.links, &saved.links),
                                   std::make_tuple("image", &original.images, &saved.images),
                                   std::make_tuple("footnote", &original.footnotes, &saved.footnotes),
                                   std::make_tuple("sidebar", &original.sidebars, &saved.sidebars)}) {
    const std::string difference = firstDifference(what, *a, *b, showText);
    if (!difference.empty()) return difference;
  }
  return std::string();
}

}  // namespace scrivora::test
