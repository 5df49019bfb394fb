#include "BenchBookText.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace benchbuild {

namespace {

const char* const kNovels[] = {"war-and-peace.txt", "monte-cristo-1.txt", "pride-and-prejudice.txt", "flatland.txt"};

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Hard-wrapped lines joined into paragraphs; blank lines separate them.
void splitParagraphs(const std::string& text, std::vector<std::string>& out) {
  std::string paragraph;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) {
      if (!paragraph.empty()) out.push_back(paragraph);
      paragraph.clear();
    } else {
      std::string clean;
      for (unsigned char c : line) {
        if (c >= 0x80 || c < 0x20) continue;  // UTF-8 and control bytes
        if (c == '\\') clean += '\\';
        clean += char(c);
      }
      if (!paragraph.empty()) paragraph += ' ';
      paragraph += clean;
    }
    at = end + 1;
  }
  if (!paragraph.empty()) out.push_back(paragraph);
}

// The paragraph's first word (letters only), for an index term.
std::string firstWord(const std::string& paragraph) {
  std::string word;
  for (char c : paragraph) {
    bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter) {
      if (!word.empty()) break;
      continue;
    }
    word += c;
    if (word.size() == 40) break;
  }
  return word;
}

}  // namespace

std::vector<std::string> corpusParagraphs(const std::string& corpusDir) {
  std::vector<std::string> paragraphs;
  for (const char* novel : kNovels) splitParagraphs(readFile(corpusDir + "/books/" + novel), paragraphs);
  return paragraphs;
}

std::string makeBookText(const std::vector<std::string>& paragraphs, size_t bytes) {
  std::string text;
  std::string notes;
  text.reserve(bytes + 4096);
  size_t n = 0;
  int chapter = 0;
  while (text.size() + notes.size() < bytes && !paragraphs.empty()) {
    const std::string& paragraph = paragraphs[n % paragraphs.size()];
    if (n % 60 == 0) text += "\\x Chapter " + std::to_string(++chapter) + "\\x\n";
    if (n % 200 == 17) text += "\\X1Part " + std::to_string(n) + "\\X1\n";
    std::string word = firstWord(paragraph);
    if (n % 25 == 3 && !word.empty()) text += "\\I" + word + "\\I ";
    if (n % 50 == 5) text += "\\Q=\"a" + std::to_string(n) + "\"";
    if (n % 9 == 1 && paragraph.find('\\') == std::string::npos) {
      text += "\\i" + paragraph.substr(0, 20) + "\\i" + paragraph.substr(std::min<size_t>(20, paragraph.size()));
    } else {
      text += paragraph;
    }
    if (n % 50 == 30) text += " (see \\q=\"#a" + std::to_string(n - 25) + "\"there\\q)";
    if (n % 100 == 40) {
      std::string id = "f" + std::to_string(n);
      text += "\\Fn=\"" + id + "\"*\\Fn";
      notes += "<footnote id=\"" + id + "\">\n" + paragraphs[(n * 7 + 3) % paragraphs.size()] + "\n</footnote>\n";
    }
    if (n % 300 == 70) {
      std::string id = "s" + std::to_string(n);
      text += " \\Sd=\"" + id + "\"aside\\Sd";
      notes += "<sidebar id=\"" + id + "\">\n\\B" + word + "\\B\n" + paragraphs[(n * 5 + 1) % paragraphs.size()] +
               "\n</sidebar>\n";
    }
    text += '\n';
    if (n % 15 == 14) text += '\n';
    ++n;
  }
  return text + "\n\n" + notes;
}

std::string makeFootnotedText(const std::vector<std::string>& paragraphs, size_t bytes, size_t marks, bool withNotes) {
  std::vector<std::string> body;
  size_t size = 0;
  for (size_t n = 0; size < bytes && !paragraphs.empty(); ++n) {
    body.push_back(paragraphs[n % paragraphs.size()]);
    size += body.back().size() + 1;
  }
  const size_t every = std::max<size_t>(1, body.size() / std::max<size_t>(1, marks));
  std::string text;
  std::string notes;
  size_t made = 0;
  for (size_t n = 0; n < body.size(); ++n) {
    text += body[n];
    if (n % every == 0 && made < marks) {
      const std::string id = "note" + std::to_string(made++);
      const std::string note = body[(n * 7 + 3) % body.size()].substr(0, 80);
      if (withNotes) {
        text += "\\Fn=\"" + id + "\"*\\Fn";
        notes += "<footnote id=\"" + id + "\">\n" + note + "\n</footnote>\n";
      } else {
        text += "*";
        notes += note + "\n";
      }
    }
    text += '\n';
  }
  return text + "\n" + notes;
}

}  // namespace benchbuild
