#pragma once
// Find and replace on a document: literal strings (Boyer-Moore-Horspool) and
// POSIX extended regular expressions, forwards and backwards, replacing the
// selection or every occurrence. Nothing here shows anything: each operation
// says what happened, and the caller beeps or shows the message.

#include <string>

#include "FindSettings.h"
#include "TextDocumentModel.h"

namespace scrivora {

// The message for an expression whose groups a replacement could not all
// refer to.
extern const char* const kTooManyGroupsMessage;
// Replacements refer to groups \1 to \9 at most.
constexpr size_t kMaxBackreferences = 9;

struct FindOptions {
  bool caseSensitive = true;
  bool entireWord = false;  // literal search only
  bool regex = false;

  static FindOptions of(const FindSettings& settings) {
    return FindOptions{settings.caseSensitive(), settings.entireWordApplies(), settings.regex()};
  }
};

enum class FindStatus {
  Done,           // found, replaced, or the command needed no search
  NotFound,       // nothing found, or the selection does not match: beep
  BadPattern,     // the expression does not compile: message holds the library's text
  TooManyGroups,  // message holds kTooManyGroupsMessage
};

struct FindOutcome {
  FindStatus status = FindStatus::Done;
  std::string message;  // for a message box; empty when there is nothing to show
  int count = 0;        // occurrences replaced
  // A match found is scrolled into view; Replace All leaves the view alone.
  bool revealSelection = false;

  bool shouldBeep() const { return status == FindStatus::NotFound; }
};

enum class Direction { Forwards, Backwards };

// Selects the next match. Literal forwards: the first match starting after
// the selection's start (at the caret when nothing is selected). Literal
// backwards: the last match ending by the selection's start (one before the
// caret when nothing is selected). A regular expression searches forwards
// from the selection's end and backwards through the text before the
// selection's start. No wrap-around.
FindOutcome find(TextDocumentModel& view, const std::string& pattern, const FindOptions& options, Direction direction);

// Replaces the selection. A regular expression must match the whole selection.
// The caret then stands behind the replacement.
FindOutcome replaceSelection(TextDocumentModel& view, const std::string& pattern, const std::string& replacement,
                             const FindOptions& options);

// Replaces every match from the selection's start to the end of the text, in
// one undo step, and reports the count in `message`.
FindOutcome replaceAll(TextDocumentModel& view, const std::string& pattern, const std::string& replacement,
                       const FindOptions& options);

// "Replaced %d occurrence." or "Replaced %d occurrences."; empty for 0.
std::string replacedCountMessage(int count);

// The Search menu's commands below the Find dialog itself.
enum class SearchCommand {
  FindNext,
  FindPrevious,
  FindSelectionNext,
  FindSelectionPrevious,
  EnterFindString,
  ReplaceSelection,
  ReplaceAndFindNext,
  ReplaceAndFindPrevious,
  ReplaceAll,
};

bool isSearchCommandEnabled(SearchCommand command, const FindSettings& settings, const RichTextView& view);
FindOutcome runSearchCommand(SearchCommand command, FindSettings& settings, TextDocumentModel& view);

}  // namespace scrivora
