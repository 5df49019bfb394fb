#include "PlainLetters.h"

#include <algorithm>
#include <iterator>

namespace scrivora::modern {

namespace {

// U+00A0 to U+00FF, one entry per character.
const char* const kLatin1[96] = {
    " ", "!", "c",  "L",  "?", "Y", "|", "S",  "",    "(c)", "a",   "<<", "-", "",  "(R)", "-", "o", "+-", "2",  "3",
    "'", "u", "P",  ".",  ",", "1", "o", ">>", "1/4", "1/2", "3/4", "?",  "A", "A", "A",   "A", "A", "A",  "AE", "C",
    "E", "E", "E",  "E",  "I", "I", "I", "I",  "D",   "N",   "O",   "O",  "O", "O", "O",   "x", "O", "U",  "U",  "U",
    "U", "Y", "Th", "ss", "a", "a", "a", "a",  "a",   "a",   "ae",  "c",  "e", "e", "e",   "e", "i", "i",  "i",  "i",
    "d", "n", "o",  "o",  "o", "o", "o", "/",  "o",   "u",   "u",   "u",  "u", "y", "th",  "y"};

// U+0100 to U+017F: the letter without its mark.
const char kLatinExtendedA[] =
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "Ii..JjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo"
    "Oo..RrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZzs";

// U+0400 to U+045F; the hard sign is left out.
const char* const kCyrillic[96] = {
    "E", "Yo", "Dj", "G", "Ye", "Dz", "I",  "Yi", "J",  "Lj",   "Nj", "C", "K", "I", "U",  "Dz",
    "A", "B",  "V",  "G", "D",  "E",  "Zh", "Z",  "I",  "Y",    "K",  "L", "M", "N", "O",  "P",
    "R", "S",  "T",  "U", "F",  "Kh", "Ts", "Ch", "Sh", "Shch", "",   "Y", "'", "E", "Yu", "Ya",
    "a", "b",  "v",  "g", "d",  "e",  "zh", "z",  "i",  "y",    "k",  "l", "m", "n", "o",  "p",
    "r", "s",  "t",  "u", "f",  "kh", "ts", "ch", "sh", "shch", "",   "y", "'", "e", "yu", "ya",
    "e", "yo", "dj", "g", "ye", "dz", "i",  "yi", "j",  "lj",   "nj", "c", "k", "i", "u",  "dz"};

// U+0386 to U+03CE.
const char* const kGreek[73] = {
    "A", ".", "E", "I", "I", nullptr, "O", nullptr, "Y",  "O",     "i", "A", "V",  "G", "D",  "E",  "Z", "I", "Th",
    "I", "K", "L", "M", "N", "X",     "O", "P",     "R",  nullptr, "S", "T", "Y",  "F", "Ch", "Ps", "O", "I", "Y",
    "a", "e", "i", "i", "y", "a",     "v", "g",     "d",  "e",     "z", "i", "th", "i", "k",  "l",  "m", "n", "x",
    "o", "p", "r", "s", "s", "t",     "y", "f",     "ch", "ps",    "o", "i", "y",  "o", "y",  "o"};

struct Single {
  char32_t code;
  const char* text;
};

// Single characters elsewhere, sorted by code.
const Single kSingles[] = {
    {0x0152, "OE"},  {0x0153, "oe"}, {0x0160, "S"},  {0x0161, "s"},   {0x0178, "Y"},   {0x017D, "Z"},   {0x017E, "z"},
    {0x0192, "f"},   {0x01CD, "A"},  {0x01CE, "a"},  {0x01CF, "I"},   {0x01D0, "i"},   {0x01D1, "O"},   {0x01D2, "o"},
    {0x01D3, "U"},   {0x01D4, "u"},  {0x0218, "S"},  {0x0219, "s"},   {0x021A, "T"},   {0x021B, "t"},   {0x02BC, "'"},
    {0x02C6, "^"},   {0x02DC, "~"},  {0x2002, " "},  {0x2003, " "},   {0x2004, " "},   {0x2005, " "},   {0x2006, " "},
    {0x2007, " "},   {0x2008, " "},  {0x2009, " "},  {0x200A, " "},   {0x2010, "-"},   {0x2011, "-"},   {0x2012, "-"},
    {0x2013, "-"},   {0x2014, "--"}, {0x2015, "--"}, {0x2016, "||"},  {0x2018, "'"},   {0x2019, "'"},   {0x201A, ","},
    {0x201B, "'"},   {0x201C, "''"}, {0x201D, "''"}, {0x201E, ",,"},  {0x201F, "''"},  {0x2020, "+"},   {0x2021, "++"},
    {0x2022, "*"},   {0x2024, "."},  {0x2025, ".."}, {0x2026, "..."}, {0x2027, "."},   {0x202F, " "},   {0x2030, "%o"},
    {0x2032, "'"},   {0x2033, "''"}, {0x2039, "<"},  {0x203A, ">"},   {0x2043, "-"},   {0x2044, "/"},   {0x205F, " "},
    {0x20AC, "EUR"}, {0x2116, "No"}, {0x2122, "TM"}, {0x2190, "<-"},  {0x2192, "->"},  {0x2194, "<->"}, {0x21D0, "<="},
    {0x21D2, "=>"},  {0x2212, "-"},  {0x2215, "/"},  {0x2217, "*"},   {0x2219, "."},   {0x2260, "!="},  {0x2264, "<="},
    {0x2265, ">="},  {0x2500, "-"},  {0x2502, "|"},  {0x25CF, "o"},   {0x3000, " "},   {0x3001, ","},   {0x3002, "."},
    {0xFB00, "ff"},  {0xFB01, "fi"}, {0xFB02, "fl"}, {0xFB03, "ffi"}, {0xFB04, "ffl"}, {0xFB05, "st"},  {0xFB06, "st"},
};

}  // namespace

bool isInvisibleCharacter(char32_t c) {
  return (c >= 0x200B && c <= 0x200F) || c == 0x2060 || c == 0xFEFF || (c >= 0xFE00 && c <= 0xFE0F) ||
         (c >= 0xE0100 && c <= 0xE01EF);
}

const char* plainLettersFor(char32_t c) {
  if (c < 0x80) return nullptr;
  if (c >= 0xA0 && c <= 0xFF) return kLatin1[c - 0xA0];
  if (c >= 0x100 && c <= 0x17F) {
    static char letters[0x80][2];
    static const bool filled = [] {
      for (int i = 0; i < 0x80; ++i) letters[i][0] = kLatinExtendedA[i];
      return true;
    }();
    (void)filled;
    if (c == 0x132) return "IJ";
    if (c == 0x133) return "ij";
    if (kLatinExtendedA[c - 0x100] != '.') return letters[c - 0x100];
  }
  if (c >= 0x400 && c <= 0x45F) return kCyrillic[c - 0x400];
  if (c >= 0x386 && c <= 0x3CE) return kGreek[c - 0x386];
  // Full-width forms of ASCII.
  if (c >= 0xFF01 && c <= 0xFF5E && c != 0xFF02 && c != 0xFF3C) {
    static char ascii[0x5E][2];
    static const bool filled = [] {
      for (int i = 0; i < 0x5E; ++i) ascii[i][0] = char(0x21 + i);
      return true;
    }();
    (void)filled;
    return ascii[c - 0xFF01];
  }
  const Single* end = std::end(kSingles);
  const Single* found =
      std::lower_bound(std::begin(kSingles), end, c, [](const Single& s, char32_t code) { return s.code < code; });
  if (found != end && found->code == c) return found->text;
  return nullptr;
}

}  // namespace scrivora::modern
