#include "BookCommands.h"

#include "Application.h"
#include "Commands.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "EditObjectsDialog.h"
#include "NoteCommands.h"
#include "NoteDialogs.h"
#include "ObjectCommands.h"
#include "ObjectEditing.h"
#include "TextDocumentModel.h"

namespace scrivora {

BookCommands::BookCommands(TextDocumentModel& text, DocumentWindow& window)
    : CommandGroup({cmd::kInsertCharacter,     cmd::kInsertTab,       cmd::kInsertComment,   cmd::kInsertRule,
                    cmd::kInsertPageBreak,     cmd::kInsertImage,     cmd::kInsertBookPlate, cmd::kCreateAnchor,
                    cmd::kCreateLink,          cmd::kChapter,         cmd::kHeading1,        cmd::kHeading1 + 1,
                    cmd::kHeading1 + 2,        cmd::kHeading4,        cmd::kEditObjects,     cmd::kEditObject,
                    cmd::kRemoveLink,          cmd::kRemoveChapter,   cmd::kRemoveHeading,   cmd::kGoToAnchor,
                    cmd::kInsertSoftHyphen,    cmd::kMarkIndexTerm,   cmd::kInsertFootnote,  cmd::kInsertSidebar,
                    cmd::kInsertHiddenChapter, cmd::kRemoveIndexTerm, cmd::kGoToNote}),
      text_(text),
      window_(window) {}

bool BookCommands::enabled(Command command) const {
  const bool selection = text_.selectionStart() != text_.selectionEnd();
  switch (command) {
    case cmd::kCreateLink:
    case cmd::kMarkIndexTerm: return selection;
    case cmd::kRemoveIndexTerm: return markingAtCaret(text_, Marking::IndexTerm).found();
    case cmd::kRemoveLink:
    case cmd::kGoToAnchor: return linkAtCaret(text_).found();
    case cmd::kRemoveChapter: {
      const MarkedStretch heading = headingAtCaret(text_);
      return heading.found() && heading.level == 0;
    }
    case cmd::kRemoveHeading: {
      const MarkedStretch heading = headingAtCaret(text_);
      return heading.found() && heading.level > 0;
    }
    default: break;
  }
  if (command >= cmd::kChapter && command <= cmd::kHeading4) return selection;
  return true;
}

bool BookCommands::perform(Command command, const void* argument, uintptr_t) {
  QWidget* owner = &window_;
  if (command >= cmd::kChapter && command <= cmd::kHeading4) {
    createHeading(text_, command - cmd::kChapter);
    return true;
  }
  switch (command) {
    case cmd::kInsertCharacter: return insertCharacterByDialog(text_, owner);
    case cmd::kInsertTab: return insertTabByDialog(text_, owner);
    case cmd::kInsertComment: return insertCommentByDialog(text_, owner);
    case cmd::kInsertRule: return insertRuleByDialog(text_, owner);
    case cmd::kInsertPageBreak: insertPageBreakAtCaret(text_); return true;
    case cmd::kInsertImage: return insertImageByDialog(text_, owner);
    case cmd::kInsertBookPlate: insertBookPlateAtCaret(text_); return true;
    case cmd::kCreateAnchor: return createAnchorByDialog(text_, owner);
    case cmd::kCreateLink: return createLinkByDialog(text_, owner);
    case cmd::kEditObject:
      return argument != nullptr && editObjectByDialog(text_, *static_cast<const int*>(argument), owner);
    case cmd::kRemoveLink: return removeLinkAtCaret(text_);
    case cmd::kRemoveChapter:
    case cmd::kRemoveHeading: return removeHeadingAtCaret(text_);
    case cmd::kGoToAnchor:
      if (!goToAnchorFromCaret(text_)) return false;
      window_.view().ensureCursorVisible();
      return true;
    case cmd::kInsertSoftHyphen: insertSoftHyphenAtCaret(text_); return true;
    case cmd::kMarkIndexTerm: return markIndexTerm(text_);
    case cmd::kRemoveIndexTerm: return removeMarkingAtCaret(text_, Marking::IndexTerm);
    case cmd::kInsertFootnote: return createReferenceByDialog(text_, Marking::Footnote, owner);
    case cmd::kInsertSidebar: return createReferenceByDialog(text_, Marking::Sidebar, owner);
    case cmd::kInsertHiddenChapter: return insertHiddenChapterByDialog(text_, owner);
    case cmd::kGoToNote:
      if (!goToNote(text_)) return false;
      window_.view().ensureCursorVisible();
      return true;
    case cmd::kEditObjects:
      if (Application* application = Application::instance()) application->editObjects().showFor(&window_);
      return true;
    default: return false;
  }
}

}  // namespace scrivora
