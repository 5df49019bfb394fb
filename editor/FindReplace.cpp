#include "FindReplace.h"

#include <cstdio>
#include <optional>

#include "FindEscapes.h"
#include "HorspoolSearch.h"
#include "RangeReplacement.h"
#include "RegexSearch.h"
#include "TextSnapshot.h"

namespace scrivora {

const char* const kTooManyGroupsMessage = "Currently the Tolm Editor only supports up to 9 backreferences.";

namespace {

FindOutcome notFound() { return FindOutcome{FindStatus::NotFound, std::string(), 0, false}; }

FindOutcome badPattern(const RegexSearch& regex) {
  return FindOutcome{FindStatus::BadPattern, regex.error(), 0, false};
}

FindOutcome tooManyGroups() { return FindOutcome{FindStatus::TooManyGroups, kTooManyGroupsMessage, 0, false}; }

TextRange selectionOf(const TextDocumentModel& view) { return TextRange{view.selectionStart(), view.selectionEnd()}; }

QString unicodeOfEditorText(const std::string& text) {
  QString out(qsizetype(text.size()), Qt::Uninitialized);
  for (size_t i = 0; i < text.size(); ++i) out[qsizetype(i)] = QChar(unicodeFromCodePage(uint8_t(text[i])));
  return out;
}

// Appends the document's characters of [start, end) to the pieces: text
// joins the text before it, each object becomes a copy of itself.
void appendCopyOf(const TextSnapshot& snapshot, int start, int end, ReplacementPieces& pieces) {
  int run = start;
  auto flushText = [&](int upTo) {
    if (upTo <= run) return;
    if (pieces.empty() || pieces.back().objectAt >= 0) pieces.push_back(ReplacementPiece{});
    pieces.back().text += snapshot.unicodeOf(run, upTo);
  };
  for (int at = start; at < end; ++at) {
    if (!snapshot.isObjectAt(at)) continue;
    flushText(at);
    pieces.push_back(ReplacementPiece{QString(), at});
    run = at + 1;
  }
  flushText(end);
}

void appendText(const QString& text, ReplacementPieces& pieces) {
  if (text.isEmpty()) return;
  if (pieces.empty() || pieces.back().objectAt >= 0) pieces.push_back(ReplacementPiece{});
  pieces.back().text += text;
}

// A parsed replacement with its literal parts already in the document's
// characters.
class RegexReplacement {
 public:
  RegexReplacement(const std::string& replacement, size_t groupCount) : template_(replacement) {
    // A group the expression does not have inserts nothing.
    usedGroups_ = std::min<size_t>(size_t(template_.highestGroup()), groupCount);
    for (const ReplacementTemplate::Piece& piece : template_.pieces())
      texts_.push_back(unicodeOfEditorText(piece.text));
  }

  // How many group spans each match keeps for its expansion.
  size_t usedGroups() const { return usedGroups_; }

  // The pieces for one match, given the spans of groups 1 to usedGroups().
  void expand(const TextSnapshot& snapshot, const RegexSearch::Span* groups, ReplacementPieces& pieces) const {
    const auto& parts = template_.pieces();
    for (size_t i = 0; i < parts.size(); ++i) {
      if (parts[i].group == 0) {
        appendText(texts_[i], pieces);
        continue;
      }
      if (size_t(parts[i].group) > usedGroups_) continue;
      const RegexSearch::Span& group = groups[parts[i].group - 1];
      if (group.matched)
        appendCopyOf(snapshot, snapshot.start + int(group.start), snapshot.start + int(group.end), pieces);
    }
  }

 private:
  ReplacementTemplate template_;
  std::vector<QString> texts_;
  size_t usedGroups_ = 0;
};

int lengthOf(const ReplacementPieces& pieces) {
  int length = 0;
  for (const ReplacementPiece& piece : pieces) length += piece.objectAt >= 0 ? 1 : int(piece.text.size());
  return length;
}

// A regular-expression match is taken as a find result unless it is empty
// and sits exactly on the empty selection, where it would never move on.
bool movesOn(const RegexSearch::Span& match, TextRange selection) {
  return !(match.start == match.end && selection.start == selection.end && int(match.start) == selection.start);
}

std::optional<TextRange> findLiteral(const TextSnapshot& snapshot, const std::string& pattern,
                                     const FindOptions& options, Direction direction, TextRange selection) {
  const HorspoolSearch search(rewriteLiteralEscapes(pattern), options.caseSensitive, options.entireWord);
  const bool selected = selection.start < selection.end;
  size_t found;
  if (direction == Direction::Forwards) {
    found = search.find(snapshot.bytes, size_t(selected ? selection.start + 1 : selection.start));
  } else {
    const int end = selected ? selection.start : selection.start - 1;
    found = end < 0 ? HorspoolSearch::npos : search.findLast(snapshot.bytes, size_t(end));
  }
  if (found == HorspoolSearch::npos) return std::nullopt;
  return TextRange{int(found), int(found + search.patternLength())};
}

std::optional<TextRange> findRegex(const RegexSearch& regex, const std::string& text, Direction direction,
                                   TextRange selection) {
  std::vector<RegexSearch::Span> spans;
  if (direction == Direction::Forwards) {
    size_t from = size_t(selection.end);
    while (regex.match(text, from, text.size(), spans)) {
      if (movesOn(spans[0], selection)) return TextRange{int(spans[0].start), int(spans[0].end)};
      from = spans[0].end + 1;
    }
    return std::nullopt;
  }
  // Backwards: every match before the selection in turn; the last counts.
  std::optional<TextRange> last;
  const size_t end = size_t(selection.start);
  for (size_t from = 0; from <= end && regex.match(text, from, end, spans);) {
    if (movesOn(spans[0], selection)) last = TextRange{int(spans[0].start), int(spans[0].end)};
    from = spans[0].end > spans[0].start ? spans[0].end : spans[0].end + 1;
  }
  return last;
}

struct RecordedMatches {
  std::vector<TextRange> ranges;
  std::vector<RegexSearch::Span> groups;  // usedGroups() spans per range, for a regular expression
};

void recordLiteralMatches(const TextSnapshot& snapshot, const std::string& pattern, const FindOptions& options,
                          size_t from, RecordedMatches& matches) {
  const HorspoolSearch search(pattern, options.caseSensitive, options.entireWord);
  const size_t length = search.patternLength();
  for (size_t at = search.find(snapshot.bytes, from); at != HorspoolSearch::npos;
       at = search.find(snapshot.bytes, at + length))
    matches.ranges.push_back(TextRange{int(at), int(at + length)});
}

void recordRegexMatches(const RegexSearch& regex, const std::string& text, size_t usedGroups, size_t from,
                        RecordedMatches& matches) {
  std::vector<RegexSearch::Span> spans;
  while (from <= text.size() && regex.match(text, from, text.size(), spans)) {
    const RegexSearch::Span& whole = spans[0];
    matches.ranges.push_back(TextRange{int(whole.start), int(whole.end)});
    matches.groups.insert(matches.groups.end(), spans.begin() + 1, spans.begin() + 1 + ptrdiff_t(usedGroups));
    // An empty match would be found again at once: move one character on.
    from = whole.end > whole.start ? whole.end : whole.end + 1;
  }
}

}  // namespace

std::string replacedCountMessage(int count) {
  if (count <= 0) return std::string();
  char message[64];
  std::snprintf(message, sizeof message, count == 1 ? "Replaced %d occurrence." : "Replaced %d occurrences.", count);
  return message;
}

FindOutcome find(TextDocumentModel& view, const std::string& pattern, const FindOptions& options, Direction direction) {
  if (pattern.empty()) return notFound();
  const TextRange selection = selectionOf(view);
  const TextSnapshot snapshot = takeSnapshot(view, 0, view.length());
  std::optional<TextRange> found;
  if (options.regex) {
    const RegexSearch regex(rewriteRegexEscapes(pattern), options.caseSensitive);
    if (!regex.isValid()) return badPattern(regex);
    found = findRegex(regex, searchTextOf(snapshot.bytes), direction, selection);
  } else {
    found = findLiteral(snapshot, pattern, options, direction, selection);
  }
  if (!found) return notFound();
  view.setSelection(found->start, found->end);
  return FindOutcome{FindStatus::Done, std::string(), 0, true};
}

FindOutcome replaceSelection(TextDocumentModel& view, const std::string& pattern, const std::string& replacement,
                             const FindOptions& options) {
  const TextRange selection = selectionOf(view);
  if (selection.start == selection.end) return notFound();
  // The selection with one character on each side, which decide `^`, `$`
  // and word boundaries for an expression.
  const TextSnapshot snapshot = takeSnapshot(view, selection.start - 1, selection.end + 1);
  ReplacementPieces pieces;
  if (options.regex) {
    const RegexSearch regex(rewriteRegexEscapes(pattern), options.caseSensitive);
    if (!regex.isValid()) return badPattern(regex);
    if (regex.groupCount() > kMaxBackreferences) return tooManyGroups();
    const std::string text = searchTextOf(snapshot.bytes);
    const size_t start = size_t(selection.start - snapshot.start), end = size_t(selection.end - snapshot.start);
    std::vector<RegexSearch::Span> spans;
    if (!regex.match(text, start, end, spans) || spans[0].start != start || spans[0].end != end) return notFound();
    const RegexReplacement expansion(replacement, regex.groupCount());
    expansion.expand(snapshot, spans.data() + 1, pieces);
  } else {
    appendText(unicodeOfEditorText(rewriteLiteralEscapes(replacement)), pieces);
  }
  const int caret = selection.start + lengthOf(pieces);
  replaceRanges(
      view, snapshot, {selection}, [&pieces](size_t, ReplacementPieces& out) { out = pieces; }, selection,
      TextRange{caret, caret});
  return FindOutcome{FindStatus::Done, std::string(), 1, false};
}

FindOutcome replaceAll(TextDocumentModel& view, const std::string& pattern, const std::string& replacement,
                       const FindOptions& options) {
  const TextRange selection = selectionOf(view);
  const TextSnapshot snapshot = takeSnapshot(view, 0, view.length());
  RecordedMatches matches;
  std::function<void(size_t, ReplacementPieces&)> piecesOf;
  std::optional<RegexSearch> regex;
  std::optional<RegexReplacement> expansion;
  QString literalReplacement;
  if (options.regex) {
    regex.emplace(rewriteRegexEscapes(pattern), options.caseSensitive);
    if (!regex->isValid()) return badPattern(*regex);
    if (regex->groupCount() > kMaxBackreferences) return tooManyGroups();
    expansion.emplace(replacement, regex->groupCount());
    recordRegexMatches(*regex, searchTextOf(snapshot.bytes), expansion->usedGroups(), size_t(selection.start), matches);
    piecesOf = [&](size_t i, ReplacementPieces& pieces) {
      expansion->expand(snapshot, matches.groups.data() + i * expansion->usedGroups(), pieces);
    };
  } else {
    recordLiteralMatches(snapshot, rewriteLiteralEscapes(pattern), options, size_t(selection.start), matches);
    literalReplacement = unicodeOfEditorText(rewriteLiteralEscapes(replacement));
    piecesOf = [&literalReplacement](size_t, ReplacementPieces& pieces) { appendText(literalReplacement, pieces); };
  }
  if (matches.ranges.empty()) return notFound();

  // A selection that was the first match grows or shrinks with its
  // replacement; otherwise it is put back where it was.
  TextRange after = selection;
  const TextRange& first = matches.ranges.front();
  if (first.start == selection.start && first.end == selection.end) {
    ReplacementPieces firstPieces;
    piecesOf(0, firstPieces);
    after.end = selection.start + lengthOf(firstPieces);
  }
  replaceRanges(view, snapshot, matches.ranges, piecesOf, selection, after);
  const int count = int(matches.ranges.size());
  return FindOutcome{FindStatus::Done, replacedCountMessage(count), count, false};
}

bool isSearchCommandEnabled(SearchCommand command, const FindSettings& settings, const RichTextView& view) {
  const bool hasFindText = !settings.findText().empty();
  const bool hasSelection = view.selectionStart() < view.selectionEnd();
  switch (command) {
    case SearchCommand::FindNext:
    case SearchCommand::FindPrevious:
    case SearchCommand::ReplaceAll: return hasFindText;
    case SearchCommand::FindSelectionNext:
    case SearchCommand::FindSelectionPrevious:
    case SearchCommand::EnterFindString:
    case SearchCommand::ReplaceSelection: return hasSelection;
    case SearchCommand::ReplaceAndFindNext:
    case SearchCommand::ReplaceAndFindPrevious: return hasSelection && hasFindText;
  }
  return false;
}

namespace {

void enterSelectionAsFindText(FindSettings& settings, const TextDocumentModel& view) {
  const TextSnapshot selected = takeSnapshot(view, view.selectionStart(), view.selectionEnd());
  settings.setFindText(escapeForSearch(selected.bytes, settings.regex()));
}

FindOutcome replaceThenFind(FindSettings& settings, TextDocumentModel& view, Direction direction) {
  const FindOptions options = FindOptions::of(settings);
  const FindOutcome replaced = replaceSelection(view, settings.findText(), settings.replaceText(), options);
  if (replaced.status == FindStatus::BadPattern || replaced.status == FindStatus::TooManyGroups) return replaced;
  FindOutcome found = find(view, settings.findText(), options, direction);
  // A selection that did not match still beeps, even when the search goes on.
  if (replaced.status == FindStatus::NotFound && found.status == FindStatus::Done) found.status = FindStatus::NotFound;
  found.count = replaced.count;
  return found;
}

}  // namespace

FindOutcome runSearchCommand(SearchCommand command, FindSettings& settings, TextDocumentModel& view) {
  const FindOptions options = FindOptions::of(settings);
  switch (command) {
    case SearchCommand::FindNext: return find(view, settings.findText(), options, Direction::Forwards);
    case SearchCommand::FindPrevious: return find(view, settings.findText(), options, Direction::Backwards);
    case SearchCommand::FindSelectionNext:
      enterSelectionAsFindText(settings, view);
      return find(view, settings.findText(), options, Direction::Forwards);
    case SearchCommand::FindSelectionPrevious:
      enterSelectionAsFindText(settings, view);
      return find(view, settings.findText(), options, Direction::Backwards);
    case SearchCommand::EnterFindString: enterSelectionAsFindText(settings, view); return FindOutcome{};
    case SearchCommand::ReplaceSelection:
      return replaceSelection(view, settings.findText(), settings.replaceText(), options);
    case SearchCommand::ReplaceAndFindNext: return replaceThenFind(settings, view, Direction::Forwards);
    case SearchCommand::ReplaceAndFindPrevious: return replaceThenFind(settings, view, Direction::Backwards);
    case SearchCommand::ReplaceAll: return replaceAll(view, settings.findText(), settings.replaceText(), options);
  }
  return FindOutcome{};
}

}  // namespace scrivora
