#include "InfoBlock.h"

#include <algorithm>

namespace scrivora {

namespace {

// Length of the line end at a position (CR LF, LF or a lone CR), or 0.
size_t lineEndAt(std::string_view text, size_t at) {
  if (at >= text.size()) return 0;
  if (text[at] == '\r') return at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1;
  return text[at] == '\n' ? 1 : 0;
}

// The closing "\v": the first tag "\v" after the opening, stepping over
// every other tag as the compiler does (so "\\v" is a backslash and a v).
size_t findBlockClose(std::string_view text, size_t from) {
  for (size_t at = from; at < text.size(); ++at) {
    if (text[at] != '\\') continue;
    if (at + 1 >= text.size()) break;
    if (text[at + 1] == 'v') return at;
    ++at;
  }
  return std::string_view::npos;
}

struct KeySlot {
  const char* key;
  unsigned field;
  std::string BookInfo::*member;
};

const KeySlot kKeys[] = {
    {"TITLE", kInfoTitle, &BookInfo::title},
    {"AUTHOR", kInfoAuthor, &BookInfo::author},
    {"PUBLISHER", kInfoPublisher, &BookInfo::publisher},
    {"EISBN", kInfoEisbn, &BookInfo::eisbn},
    {"COPYRIGHT", kInfoCopyright, &BookInfo::copyright},
    {"OUT", 0, nullptr},
};

bool startsWithItemKey(std::string_view text) {
  for (const KeySlot& slot : kKeys) {
    const std::string_view key(slot.key);
    if (text.substr(0, key.size()) == key && text.substr(key.size(), 2) == "=\"") return true;
  }
  return false;
}

// Takes a line as an item when it is one; false leaves it to the other text.
bool takeItem(std::string_view line, InfoBlock& block, bool& outSeen) {
  for (const KeySlot& slot : kKeys) {
    const std::string_view key(slot.key);
    if (line.size() < key.size() + 2 || line.substr(0, key.size()) != key) continue;
    if (line.substr(key.size(), 2) != "=\"") continue;
    const size_t valueStart = key.size() + 2;
    const size_t close = line.rfind('"');
    if (close == std::string_view::npos || close < valueStart) return false;
    if (slot.member == nullptr) {
      if (outSeen) return false;
      outSeen = true;
      return true;
    }
    if (block.fields & slot.field) return false;  // the first line of a key wins
    block.fields |= slot.field;
    block.info.*slot.member = unescapeInfoValue(line.substr(valueStart, close - valueStart));
    return true;
  }
  return false;
}

}  // namespace

InfoBlock readInfoBlock(std::string_view text) {
  InfoBlock block;
  if (text.substr(0, 2) != "\\v") return block;
  // The editor writes a line end after the opening "\v"; the HTML importer
  // puts its title item right behind it.
  const size_t opening = lineEndAt(text, 2);
  if (opening == 0 && !startsWithItemKey(text.substr(2))) return block;
  block.present = true;
  block.contentStart = 2 + opening;
  const size_t close = findBlockClose(text, block.contentStart);
  block.closed = close != std::string_view::npos;
  block.contentEnd = block.closed ? close : text.size();
  block.end = block.closed ? close + 2 : text.size();

  bool outSeen = false;
  size_t at = block.contentStart;
  while (at < block.contentEnd) {
    size_t lineEnd = at;
    while (lineEnd < block.contentEnd && lineEndAt(text, lineEnd) == 0) ++lineEnd;
    const size_t breakLength = std::min(lineEndAt(text, lineEnd), block.contentEnd - lineEnd);
    const std::string_view line = text.substr(at, lineEnd - at);
    if (!takeItem(line, block, outSeen)) block.otherText.append(text.substr(at, lineEnd - at + breakLength));
    if (breakLength == 0) break;
    at = lineEnd + breakLength;
  }
  return block;
}

std::string escapeInfoValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r' || c == '\n') {
      out += ' ';
    } else if (byte >= 0x80) {
      out += "\\a";
      out += char('0' + byte / 100);
      out += char('0' + byte / 10 % 10);
      out += char('0' + byte % 10);
    } else {
      out += c;
    }
  }
  return out;
}

std::string unescapeInfoValue(std::string_view value) {
  std::string out;
  out.reserve(value.size());
  for (size_t i = 0; i < value.size(); ++i) {
    if (value[i] == '\\' && i + 1 < value.size()) {
      if (value[i + 1] == '\\') {
        out += '\\';
        ++i;
        continue;
      }
      if (value[i + 1] == 'a' && i + 4 < value.size()) {
        const char d1 = value[i + 2], d2 = value[i + 3], d3 = value[i + 4];
        if (d1 >= '0' && d1 <= '2' && d2 >= '0' && d2 <= '9' && d3 >= '0' && d3 <= '9') {
          const int code = (d1 - '0') * 100 + (d2 - '0') * 10 + (d3 - '0');
          if (code <= 255) {
            out += char(code);
            i += 4;
            continue;
          }
        }
      }
    }
    out += value[i];
  }
  return out;
}

std::string writeInfoBlock(const BookInfo& info) {
  std::string out = "\\v\r\n";
  for (const KeySlot& slot : kKeys) {
    if (slot.member == nullptr) continue;
    out += slot.key;
    out += "=\"";
    out += escapeInfoValue(info.*slot.member);
    out += "\"\r\n";
  }
  out += "\\v";
  return out;
}

}  // namespace scrivora
