#include "FindEscapes.h"

#include <cstring>

namespace scrivora {

namespace {

constexpr char kParagraphEnd = '\r';
constexpr char kPageBreak = '\f';

// The character an escape letter stands for in both modes, or 0 when the
// letter is not one of them.
char controlEscape(char letter) {
  switch (letter) {
    case 'n':
    case 'r': return kParagraphEnd;
    case 'p': return kPageBreak;
    case 't': return '\t';
    default: return 0;
  }
}

}  // namespace

std::string rewriteLiteralEscapes(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    const char control = controlEscape(next);
    out += control != 0 ? control : next;
  }
  return out;
}

std::string rewriteRegexEscapes(const std::string& pattern) {
  std::string out;
  out.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] != '\\' || i + 1 == pattern.size()) {
      out += pattern[i];
      continue;
    }
    const char next = pattern[++i];
    const char control = controlEscape(next);
    if (control != 0) {
      out += control;
    } else {
      out += '\\';
      out += next;
    }
  }
  return out;
}

std::string escapeForSearch(const std::string& text, bool regex) {
  static const char kRegexOperators[] = ".[]()*+?{}|^$";
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (const char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case kParagraphEnd: out += "\\n"; break;
      case kPageBreak: out += "\\p"; break;
      case '\t': out += "\\t"; break;
      default:
        if (regex && c != '\0' && std::strchr(kRegexOperators, c) != nullptr) out += '\\';
        out += c;
    }
  }
  return out;
}

ReplacementTemplate::ReplacementTemplate(const std::string& replacement) {
  auto addText = [this](char c) {
    if (pieces_.empty() || pieces_.back().group != 0) pieces_.push_back(Piece{});
    pieces_.back().text += c;
  };
  for (size_t i = 0; i < replacement.size(); ++i) {
    if (replacement[i] != '\\') {
      addText(replacement[i]);
      continue;
    }
    // A lone backslash at the end has nothing to escape and is dropped.
    if (++i == replacement.size()) break;
    const char next = replacement[i];
    if (next >= '1' && next <= '9') {
      pieces_.push_back(Piece{std::string(), next - '0'});
      if (next - '0' > highestGroup_) highestGroup_ = next - '0';
    } else if (next == '\\') {
      addText('\\');
    } else if (const char control = controlEscape(next); control != 0) {
      addText(control);
    }
  }
}

}  // namespace scrivora
