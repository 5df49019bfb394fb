#pragma once
// The book's information block at the head of a TML file: "\v", a line end,
// one KEY="value" line per item, then "\v". For the compiler it is ordinary
// invisible text; every program that reads or writes the items (the
// command-line compiler, the editor's loader and writer) goes through this
// one reader and this one writer, so they always agree on the title.
//
// Reading is line by line: a line is an item when it begins with one of the
// keys, directly followed by =" and the value runs to the last double quote
// on the line, so a value may hold quotes and another key's name. The first
// line of a key wins. A line "OUT=..." is recognised and dropped. Every
// other line (unknown keys, free text) is kept as the block's other text.

#include <cstddef>
#include <string>
#include <string_view>

#include "BookInfo.h"

namespace scrivora {

enum InfoField : unsigned {
  kInfoTitle = 1u << 0,
  kInfoAuthor = 1u << 1,
  kInfoPublisher = 1u << 2,
  kInfoEisbn = 1u << 3,
  kInfoCopyright = 1u << 4,
};

struct InfoBlock {
  // The text begins with "\v" and a line end.
  bool present = false;
  // The block's closing "\v" was found; an unclosed block runs to the end of
  // the text, as the compiler sees it.
  bool closed = false;
  BookInfo info;
  // InfoField bits of the items found.
  unsigned fields = 0;
  // Where the block's lines start (after the opening "\v" and its line end),
  // where they end (at the closing "\v", or the end of the text) and where
  // the text after the block starts (after the closing "\v").
  size_t contentStart = 0;
  size_t contentEnd = 0;
  size_t end = 0;
  // The lines that are not items, each with the line end it had, as written.
  std::string otherText;
};

// Reads the block at the start of a text; present is false when there is none.
InfoBlock readInfoBlock(std::string_view text);

// The block for a book's information, with CR LF line ends:
// "\v" CRLF, TITLE, AUTHOR, PUBLISHER, EISBN and COPYRIGHT lines, "\v".
// A value keeps its quotes; a backslash is written "\\", a byte from 0x80 up
// "\aDDD" (the file stays 7-bit) and a line end as a space, so that a value
// can neither end the invisible block nor change what the compiler reads.
std::string writeInfoBlock(const BookInfo& info);

// One value as the writer spells it, and back.
std::string escapeInfoValue(std::string_view value);
std::string unescapeInfoValue(std::string_view value);

}  // namespace scrivora
