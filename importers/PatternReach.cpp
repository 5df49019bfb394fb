#include "PatternReach.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace scrivora {

namespace {

using ByteSet = std::bitset<256>;

// What one piece of the pattern can match.
struct Reach {
  bool canMatchEmpty = true;
  ByteSet first;
  size_t minimumLength = 0;
  bool onlyEmpty = true;        // never takes a byte: anchors, empty groups
  bool startsAnchored = false;  // every way through passes "^" before its first byte
  bool endsAnchored = false;    // every way through passes "$" after its last byte
};

constexpr size_t kLengthCap = size_t(1) << 24;

size_t cappedSum(size_t a, size_t b) { return a + b > kLengthCap ? kLengthCap : a + b; }

// Bytes of 128 and above: in a multibyte locale they form characters that a
// bracket or "." can match as a whole, so they are always counted in.
ByteSet highBytes() {
  ByteSet set;
  for (int b = 128; b < 256; ++b) set.set(size_t(b));
  return set;
}

class PatternAnalyser {
 public:
  explicit PatternAnalyser(const std::string& pattern) : pattern_(pattern) {}

  PatternReach analyse() {
    PatternReach result;
    Reach whole = alternation();
    if (failed_ || position_ != pattern_.size()) return result;
    result.usable = true;
    result.canMatchEmpty = whole.canMatchEmpty;
    result.firstBytes = whole.first;
    result.bytes = bytes_ | whole.first;
    result.minimumLength = whole.minimumLength;
    result.startsAtLineStart = whole.startsAnchored;
    result.endsAtLineEnd = whole.endsAnchored;
    return result;
  }

 private:
  bool atEnd() const { return position_ >= pattern_.size(); }
  unsigned char peek() const { return (unsigned char)pattern_[position_]; }
  Reach fail() {
    failed_ = true;
    return Reach();
  }

  Reach alternation() {
    Reach result = branch();
    while (!failed_ && !atEnd() && peek() == '|') {
      ++position_;
      Reach next = branch();
      result.canMatchEmpty = result.canMatchEmpty || next.canMatchEmpty;
      result.first |= next.first;
      result.minimumLength = std::min(result.minimumLength, next.minimumLength);
      result.onlyEmpty = result.onlyEmpty && next.onlyEmpty;
      result.startsAnchored = result.startsAnchored && next.startsAnchored;
      result.endsAnchored = result.endsAnchored && next.endsAnchored;
    }
    return result;
  }

  Reach branch() {
    Reach result;  // the empty branch matches the empty string
    while (!failed_ && !atEnd() && peek() != '|' && peek() != ')') {
      Reach next = piece();
      if (result.canMatchEmpty) result.first |= next.first;
      result.canMatchEmpty = result.canMatchEmpty && next.canMatchEmpty;
      result.minimumLength = cappedSum(result.minimumLength, next.minimumLength);
      // Anchored at the start: so far only zero-width pieces, and one of them "^".
      if (result.onlyEmpty) result.startsAnchored = result.startsAnchored || next.startsAnchored;
      // Anchored at the end: the last piece that can take a byte is followed,
      // on every way, by "$".
      if (next.onlyEmpty)
        result.endsAnchored = result.endsAnchored || next.endsAnchored;
      else
        result.endsAnchored = next.endsAnchored;
      result.onlyEmpty = result.onlyEmpty && next.onlyEmpty;
    }
    return result;
  }

  Reach piece() {
    Reach result = atom();
    while (!failed_ && !atEnd()) {
      unsigned char c = peek();
      if (c == '*' || c == '?') {
        ++position_;
        makeOptional(result);
      } else if (c == '+') {
        ++position_;
      } else if (c == '{') {
        long minimum = interval();
        if (failed_) break;
        if (minimum == 0) {
          makeOptional(result);
        } else {
          size_t length = result.minimumLength;
          for (long i = 1; i < minimum && length < kLengthCap; ++i) length = cappedSum(length, result.minimumLength);
          result.minimumLength = length;
        }
      } else {
        break;
      }
    }
    return result;
  }

  // A piece that may be left out can no longer be relied on for anything.
  static void makeOptional(Reach& reach) {
    reach.canMatchEmpty = true;
    reach.minimumLength = 0;
    reach.startsAnchored = false;
    reach.endsAnchored = false;
  }

  // "{m}", "{m,}", "{m,n}" or "{,n}"; returns m.
  long interval() {
    ++position_;
    size_t digitsStart = position_;
    while (!atEnd() && std::isdigit(peek())) ++position_;
    long minimum =
        position_ > digitsStart ? std::atol(pattern_.substr(digitsStart, position_ - digitsStart).c_str()) : 0;
    if (!atEnd() && peek() == ',') {
      ++position_;
      while (!atEnd() && std::isdigit(peek())) ++position_;
    }
    if (atEnd() || peek() != '}') {
      fail();
      return 0;
    }
    ++position_;
    return minimum;
  }

  Reach single(const ByteSet& set) {
    bytes_ |= set;
    Reach result;
    result.canMatchEmpty = false;
    result.first = set;
    result.minimumLength = 1;
    result.onlyEmpty = false;
    return result;
  }

  Reach literal(unsigned char c) {
    if (c >= 128 && MB_CUR_MAX > 1) return fail();
    ByteSet set;
    set.set(c);
    return single(set);
  }

  Reach atom() {
    unsigned char c = peek();
    ++position_;
    switch (c) {
      case '(': {
        ++groupDepth_;
        Reach inner = alternation();
        --groupDepth_;
        if (failed_ || atEnd() || peek() != ')') return fail();
        ++position_;
        return inner;
      }
      case '^': {
        // Inside a group (a repeated one above all) the library's own
        // searching does not always find what the pattern allows; the
        // shortcut must give exactly what the library gives, so it steps
        // aside for such a pattern.
        if (groupDepth_ > 0) return fail();
        Reach anchor;  // zero width
        anchor.startsAnchored = true;
        return anchor;
      }
      case '$': {
        Reach anchor;
        anchor.endsAnchored = true;
        return anchor;
      }
      case '.': {
        ByteSet set;
        set.set();
        set.reset('\n');
        return single(set);
      }
      case '[': return bracket();
      case '\\': {
        if (atEnd()) return fail();
        unsigned char escaped = peek();
        ++position_;
        if (std::isalnum(escaped) || escaped >= 128) return fail();  // GNU escapes, back references
        return literal(escaped);
      }
      case ')':
      case '*':
      case '+':
      case '?':
      case '{': return fail();
      default: return literal(c);
    }
  }

  // The members of a character class, for the ASCII part; the rest is added
  // by the caller as high bytes.
  bool addClass(const std::string& name, ByteSet& set) {
    int (*test)(int) = nullptr;
    if (name == "alpha")
      test = isalpha;
    else if (name == "digit")
      test = isdigit;
    else if (name == "alnum")
      test = isalnum;
    else if (name == "upper")
      test = isupper;
    else if (name == "lower")
      test = islower;
    else if (name == "space")
      test = isspace;
    else if (name == "blank")
      test = isblank;
    else if (name == "punct")
      test = ispunct;
    else if (name == "print")
      test = isprint;
    else if (name == "graph")
      test = isgraph;
    else if (name == "cntrl")
      test = iscntrl;
    else if (name == "xdigit")
      test = isxdigit;
    if (!test) return false;
    for (int b = 0; b < 128; ++b)
      if (test(b)) set.set(size_t(b));
    return true;
  }

  Reach bracket() {
    ByteSet set;
    bool negated = false;
    bool anyHigh = false;
    if (!atEnd() && peek() == '^') {
      negated = true;
      ++position_;
    }
    bool firstMember = true;
    for (;;) {
      if (atEnd()) return fail();
      unsigned char c = peek();
      if (c == ']' && !firstMember) {
        ++position_;
        break;
      }
      firstMember = false;
      if (c == '[' && position_ + 1 < pattern_.size() &&
          (pattern_[position_ + 1] == ':' || pattern_[position_ + 1] == '=' || pattern_[position_ + 1] == '.')) {
        char kind = pattern_[position_ + 1];
        size_t close = pattern_.find(std::string(1, kind) + "]", position_ + 2);
        if (close == std::string::npos) return fail();
        std::string name = pattern_.substr(position_ + 2, close - position_ - 2);
        position_ = close + 2;
        if (kind == ':') {
          if (!addClass(name, set)) return fail();
          anyHigh = true;
        } else if (name.size() == 1) {
          set.set((unsigned char)name[0]);
          anyHigh = true;  // an equivalence class may take accented letters along
        } else {
          return fail();
        }
        continue;
      }
      ++position_;
      if (c >= 128) anyHigh = true;
      if (position_ + 1 < pattern_.size() && peek() == '-' && pattern_[position_ + 1] != ']') {
        unsigned char last = (unsigned char)pattern_[position_ + 1];
        if (last == '[' || last < c) return fail();
        position_ += 2;
        for (unsigned b = c; b <= last; ++b) set.set(b);
        anyHigh = true;  // a range in another locale may reach further
        continue;
      }
      set.set(c);
    }
    if (anyHigh) set |= highBytes();
    if (negated) {
      set.flip();
      set |= highBytes();
      set.reset('\n');  // with REG_NEWLINE a negated list never matches a line feed
    }
    return single(set);
  }

  const std::string& pattern_;
  size_t position_ = 0;
  bool failed_ = false;
  int groupDepth_ = 0;
  ByteSet bytes_;
};

}  // namespace

PatternReach analysePattern(const std::string& pattern) { return PatternAnalyser(pattern).analyse(); }

}  // namespace scrivora
