#include "RandomTml.h"

#include <set>
#include <vector>

namespace scrivora::test {

const char* const kRandomBookImages[2] = {"lighthouse.png", "flag.png"};

namespace {

class TmlGenerator {
 public:
  explicit TmlGenerator(std::mt19937& random) : random_(random), boldStyle_(chance(2)) {}

  std::string book() {
    if (chance(2)) infoBlock();
    const int paragraphs = number(1, 14);
    for (int i = 0; i < paragraphs; ++i) paragraph();
    notes();
    return std::move(out_);
  }

 private:
  int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool chance(int oneIn) { return number(1, oneIn) == 1; }
  template <size_t N>
  const char* pick(const char* const (&choices)[N]) {
    return choices[number(0, int(N) - 1)];
  }
  std::string lineEnd() { return chance(4) ? "\n" : "\r\n"; }

  // Letters for running text: ASCII, raw Windows-1252 bytes, their codes.
  std::string word() {
    static const char* const letters[] = {"a",      "b",      "e",      "k",    "o",    "s",    "t",
                                          "W",      "M",      "\xE9",   "\xFC", "\x86", "\x97", "\x95",
                                          "\\a233", "\\a150", "\\a065", "i",    "n",    "r"};
    std::string w;
    for (int i = number(1, 9); i > 0; --i) w += pick(letters);
    if (chance(12)) w += pick({"\\\\", "\\-", "-", "_", "\\U0141", "\\U263A", ".", ","});
    return w;
  }
  std::string words(int low, int high) {
    std::string text;
    for (int i = number(low, high); i > 0; --i) text += (text.empty() ? "" : " ") + word();
    return text;
  }
  // Text of a tag argument: no quote, no backslash; raw high bytes welcome.
  std::string argumentText() {
    static const char* const letters[] = {"a", "n", "o", "T", "z", "\xE9", "\xE0", "\x86", " ", "-", "1"};
    std::string text = "x";
    for (int i = number(0, 8); i > 0; --i) text += pick(letters);
    return text;
  }
  // Letters that read the same in chapter titles and index terms.
  std::string titleText() {
    static const char* const pieces[] = {"Chapter", "One", "the", "\xC9t\xE9", "\\a233", "Two", "\\U0141", "x"};
    std::string text = pick(pieces);
    for (int i = number(0, 3); i > 0; --i) text += std::string(" ") + pick(pieces);
    return text;
  }

  void infoBlock() {
    out_ += "\\v\r\n";
    static const char* const keys[] = {"TITLE", "AUTHOR", "PUBLISHER", "EISBN", "COPYRIGHT", "SUBTITLE"};
    for (int i = number(1, 6); i > 0; --i)
      out_ += std::string(pick(keys)) + "=\"" + pick({"The Book", "Caf\xE9", "A \"quoted\" word", "Caf\\a233", ""}) +
              "\"\r\n";
    out_ += "\\v";
  }

  // Running text with styles, links, references and objects. `open` holds
  // the toggles already on, which must not be opened again inside.
  void inlineText(int depth, std::set<std::string>& open, bool allowIndex) {
    for (int i = number(1, 6); i > 0; --i) {
      if (!out_.empty() && out_.back() != '\n' && chance(2)) out_ += ' ';
      const int kind = depth > 2 ? 0 : number(0, 19);
      switch (kind) {
        case 1: span(depth, open, "\\i"); break;
        case 2: span(depth, open, "\\u"); break;
        case 3: span(depth, open, "\\o"); break;
        case 4:
          if (boldStyle_)
            span(depth, open, "\\B");
          else
            fontSpan(depth, open, "\\b");
          break;
        case 5: fontSpan(depth, open, chance(2) ? "\\s" : "\\l"); break;
        case 6:
          if (!open.count("\\Sp") && !open.count("\\Sb")) span(depth, open, chance(2) ? "\\Sp" : "\\Sb");
          break;
        case 7:
          // Link text is always underlined in the editor.
          if (!open.count("link") && !open.count("\\u")) link(open);
          break;
        case 8: anchor(); break;
        case 9: reference(open, "\\Fn", footnotes_); break;
        case 10: reference(open, "\\Sd", sidebars_); break;
        case 11: out_ += std::string("\\m=\"") + pick(kRandomBookImages) + "\""; break;
        case 12: out_ += "\\T=\"" + std::to_string(number(0, 120)) + "%\""; break;
        case 13: out_ += "\\d"; break;
        case 14: out_ += "\\v" + words(0, 3) + (chance(3) ? "\\a233\\\\" : "") + "\\v"; break;
        case 15:
          if (allowIndex && open.empty()) out_ += "\\I" + std::string(chance(3) ? "\\a149 " : "") + titleText() + "\\I";
          break;
        case 16:
          // A page break inside an indented block is not shown as one block.
          if (chance(2) && !open.count("\\t"))
            out_ += "\\p";
          else
            out_ += "\\C" + std::to_string(number(0, 4)) + "=\"" + argumentText() + "\"";
          break;
        default: out_ += words(1, 6);
      }
    }
  }

  void span(int depth, std::set<std::string>& open, const std::string& tag) {
    if (open.count(tag)) return;
    open.insert(tag);
    out_ += tag;
    spanText(depth, open);
    out_ += tag;
    open.erase(tag);
  }
  // A style switched on and off around nothing is not kept (between two
  // spaces it would be a place to break the line), so spans hold text.
  void spanText(int depth, std::set<std::string>& open) {
    const size_t start = out_.size();
    inlineText(depth + 1, open, false);
    if (out_.size() == start) out_ += word();
  }
  // One font at a time: the fonts return to the base font, not to the one
  // around them. Script text takes no font of its own in the editor.
  void fontSpan(int depth, std::set<std::string>& open, const std::string& tag) {
    if (open.count("font") || open.count("\\Sp") || open.count("\\Sb")) return;
    open.insert("font");
    open.insert("\\Sp");
    out_ += tag;
    spanText(depth, open);
    out_ += tag;
    open.erase("font");
    open.erase("\\Sp");
  }
  void link(std::set<std::string>& open) {
    open.insert("link");
    out_ += "\\q=\"#" +
            (anchors_.empty() || chance(4) ? argumentText() : anchors_[size_t(number(0, int(anchors_.size()) - 1))]) +
            "\"";
    out_ += words(1, 3);
    if (chance(3)) out_ += " \\iword\\i";
    // A kept tag at the very end of link text is written after the link.
    while (out_.size() > 2 && out_.compare(out_.size() - 2, 2, "\\-") == 0) out_.resize(out_.size() - 2);
    out_ += "\\q";
    open.erase("link");
  }
  void anchor() {
    std::string name = argumentText() + std::to_string(anchors_.size());
    anchors_.push_back(name);
    out_ += "\\Q=\"" + name + "\"";
  }
  // A reference's text holds no tag at all.
  void reference(const std::set<std::string>& open, const char* tag, std::vector<std::string>& ids) {
    if (open.count("link")) return;
    std::string id = argumentText() + std::to_string(ids.size());
    ids.push_back(id);
    static const char* const texts[] = {"*", "\x86", "note", "\xE9t\xE9", "1"};
    out_ += std::string(tag) + "=\"" + id + "\"" + pick(texts) + tag;
  }

  void paragraph() {
    std::set<std::string> open;
    switch (number(0, 9)) {
      case 0: out_ += "\\x" + titleText() + "\\x" + lineEnd(); return;
      case 1: {
        const std::string level = std::to_string(number(0, 4));
        out_ += "\\X" + level + titleText() + "\\X" + level + lineEnd();
        return;
      }
      case 2:
      case 3: {
        // Alignment holds whole paragraphs; the closing tag stands on either
        // side of the line end.
        const char* tag = chance(2) ? "\\c" : "\\r";
        out_ += tag;
        inlineText(0, open, false);
        if (chance(2))
          out_ += std::string(tag) + lineEnd();
        else
          out_ += lineEnd() + tag;
        return;
      }
      case 4:
        open.insert("\\t");
        out_ += "\\t";
        inlineText(0, open, false);
        if (chance(2)) {
          out_ += lineEnd();
          inlineText(0, open, false);
        }
        out_ += "\\t" + lineEnd();
        return;
      case 5: out_ += "\\w=\"" + std::to_string(number(1, 100)) + "%\"" + lineEnd(); return;
      case 6: out_ += lineEnd(); return;
      default: inlineText(0, open, true); out_ += lineEnd();
    }
  }

  void notes() {
    if (footnotes_.empty() && sidebars_.empty()) return;
    out_ += "\r\n\r\n";
    for (const std::string& id : footnotes_)
      out_ += "<footnote id=\"" + id + "\">\r\n" + noteBody() + "\r\n</footnote>\r\n";
    for (const std::string& id : sidebars_)
      out_ += "<sidebar id=\"" + id + "\">\r\n" + noteBody() + "\r\n</sidebar>\r\n";
  }
  std::string noteBody() {
    std::string body = words(1, 8);
    if (chance(2)) body += " \\iin italics\\i \\a233";
    if (chance(3)) body += std::string("\r\n\\m=\"") + pick(kRandomBookImages) + "\"";
    return body;
  }

  std::mt19937& random_;
  bool boldStyle_;
  std::string out_;
  std::vector<std::string> anchors_, footnotes_, sidebars_;
};

}  // namespace

std::string randomWellFormedTml(std::mt19937& random) { return TmlGenerator(random).book(); }

}  // namespace scrivora::test
