#include "SearchCommands.h"

#include "Commands.h"
#include "FindSettings.h"
#include "TextDocumentModel.h"

namespace scrivora {

SearchCommands::SearchCommands(const FindSettings& find, TextDocumentModel& text)
    : CommandGroup({cmd::kFind, cmd::kFindNext, cmd::kFindPrevious, cmd::kFindSelectionNext,
                    cmd::kFindSelectionPrevious, cmd::kEnterFindString, cmd::kReplaceSelection, cmd::kReplaceFindNext,
                    cmd::kReplaceFindPrevious, cmd::kReplaceAll}),
      find_(find),
      text_(text) {}

bool SearchCommands::enabled(Command command) const {
  const bool selection = text_.selectionStart() != text_.selectionEnd();
  const bool findText = !find_.findText.empty();
  switch (command) {
    case cmd::kFind: return true;
    case cmd::kFindNext:
    case cmd::kFindPrevious:
    case cmd::kReplaceAll: return findText;
    case cmd::kReplaceFindNext:
    case cmd::kReplaceFindPrevious: return selection && findText;
    default: return selection;
  }
}

bool SearchCommands::perform(Command, const void*, uintptr_t) {
  // Searching belongs to the find engine and its dialog.
  return false;
}

}  // namespace scrivora
