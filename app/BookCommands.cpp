#include "BookCommands.h"

#include "BookObject.h"
#include "Commands.h"
#include "TextDocumentModel.h"

namespace scrivora {

BookCommands::BookCommands(TextDocumentModel& text)
    : CommandGroup({cmd::kEditBookInfo, cmd::kInsertCharacter, cmd::kInsertTab, cmd::kInsertComment, cmd::kInsertRule,
                    cmd::kInsertPageBreak, cmd::kInsertImage, cmd::kInsertBookPlate, cmd::kCreateAnchor,
                    cmd::kCreateLink, cmd::kChapter, cmd::kHeading1, cmd::kHeading1 + 1, cmd::kHeading1 + 2,
                    cmd::kHeading4}),
      text_(text) {}

bool BookCommands::enabled(Command command) const {
  const bool selection = text_.selectionStart() != text_.selectionEnd();
  if (command == cmd::kCreateLink || (command >= cmd::kChapter && command <= cmd::kHeading4)) return selection;
  return true;
}

bool BookCommands::perform(Command command, const void*, uintptr_t) {
  switch (command) {
    case cmd::kInsertPageBreak:
      text_.beginEditGroup();
      text_.insertText(QStringLiteral("\f"));
      text_.endEditGroup();
      return true;
    case cmd::kInsertBookPlate:
      text_.beginEditGroup();
      insertBookPlate(text_, kAtCaret, true);
      text_.endEditGroup();
      return true;
    default: break;
  }
  if (command >= cmd::kChapter && command <= cmd::kHeading4) {
    text_.beginEditGroup();
    makeHeading(text_, command - cmd::kChapter);
    text_.endEditGroup();
    return true;
  }
  // The dialog commands (book information, characters, tabs, comments,
  // rules, images, anchors, links) are performed by their dialogs.
  return false;
}

}  // namespace scrivora
