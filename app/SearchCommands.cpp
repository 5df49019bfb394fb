#include "SearchCommands.h"

#include <QApplication>

#include "AlertBox.h"
#include "Beep.h"
#include "Commands.h"
#include "DocumentTextView.h"
#include "EditorDocument.h"
#include "FindReplace.h"

namespace scrivora {

namespace {

SearchCommand searchCommandOf(Command command) {
  switch (command) {
    case cmd::kFindNext: return SearchCommand::FindNext;
    case cmd::kFindPrevious: return SearchCommand::FindPrevious;
    case cmd::kFindSelectionNext: return SearchCommand::FindSelectionNext;
    case cmd::kFindSelectionPrevious: return SearchCommand::FindSelectionPrevious;
    case cmd::kEnterFindString: return SearchCommand::EnterFindString;
    case cmd::kReplaceSelection: return SearchCommand::ReplaceSelection;
    case cmd::kReplaceFindNext: return SearchCommand::ReplaceAndFindNext;
    case cmd::kReplaceFindPrevious: return SearchCommand::ReplaceAndFindPrevious;
    default: return SearchCommand::ReplaceAll;
  }
}

// A bad expression is an error; the group limit is a warning; a count is
// news.
AlertKind alertKindOf(FindStatus status) {
  switch (status) {
    case FindStatus::BadPattern: return AlertKind::Error;
    case FindStatus::TooManyGroups: return AlertKind::Warning;
    default: return AlertKind::Note;
  }
}

}  // namespace

SearchCommands::SearchCommands(FindSettings& find, EditorDocument& document, DocumentTextView& view)
    : CommandGroup({cmd::kFindNext, cmd::kFindPrevious, cmd::kFindSelectionNext, cmd::kFindSelectionPrevious,
                    cmd::kEnterFindString, cmd::kReplaceSelection, cmd::kReplaceFindNext, cmd::kReplaceFindPrevious,
                    cmd::kReplaceAll}),
      find_(find),
      document_(document),
      view_(view) {}

bool SearchCommands::enabled(Command command) const {
  return isSearchCommandEnabled(searchCommandOf(command), find_, document_.text());
}

bool SearchCommands::perform(Command command, const void*, uintptr_t) {
  const FindOutcome outcome = runSearchCommand(searchCommandOf(command), find_, document_.text());
  // Replacing is a change even where the document's undo history already
  // had steps (after a save, say).
  if (outcome.count > 0) document_.markModified();
  if (outcome.revealSelection) view_.ensureCursorVisible();
  if (outcome.shouldBeep()) beep();
  if (!outcome.message.empty()) {
    // Over the Find dialog when the command came from there.
    QWidget* owner = QApplication::activeWindow() != nullptr ? QApplication::activeWindow() : view_.window();
    showAlert({alertKindOf(outcome.status), QString::fromStdString(outcome.message), QString(), AlertButtons::Ok},
              owner);
  }
  return true;
}

}  // namespace scrivora
