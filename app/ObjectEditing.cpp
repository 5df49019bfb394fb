#include "ObjectEditing.h"

#include "DialogDriver.h"
#include "InsertCharacterDialog.h"
#include "NoteDialogs.h"
#include "ObjectCommands.h"
#include "ObjectDialogs.h"
#include "TextDocumentModel.h"

namespace scrivora {

namespace {

// Runs the single-field dialog; the confirmed text in `value`.
bool askField(FieldDialogKind kind, bool editing, const std::string& initial, QWidget* owner, std::string& value) {
  SingleFieldDialog dialog(kind, editing, textFromCodePage(initial), owner);
  if (!runDialog(dialog)) return false;
  value = codePageFromText(dialog.value());
  return true;
}

bool askPercent(FieldDialogKind kind, bool editing, int current, QWidget* owner, int& percent) {
  std::string value;
  if (!askField(kind, editing, std::to_string(current), owner, value)) return false;
  percent = percentFromField(value);
  return true;
}

}  // namespace

bool insertCommentByDialog(TextDocumentModel& text, QWidget* owner) {
  std::string comment;
  if (!askField(FieldDialogKind::Comment, false, std::string(), owner, comment)) return false;
  insertCommentAtCaret(text, comment);
  return true;
}

bool insertRuleByDialog(TextDocumentModel& text, QWidget* owner) {
  int percent = 0;
  if (!askPercent(FieldDialogKind::Rule, false, 0, owner, percent)) return false;
  insertRuleAtCaret(text, percent);
  return true;
}

bool insertTabByDialog(TextDocumentModel& text, QWidget* owner) {
  int percent = 0;
  if (!askPercent(FieldDialogKind::Tab, false, 0, owner, percent)) return false;
  insertTabAtCaret(text, percent);
  return true;
}

bool insertImageByDialog(TextDocumentModel& text, QWidget* owner) {
  std::string path;
  if (!chooseImageFile(owner, std::string(), path)) return false;
  insertImageAtCaret(text, path);
  return true;
}

bool insertCharacterByDialog(TextDocumentModel& text, QWidget* owner) {
  InsertCharacterDialog dialog(owner);
  if (!runDialog(dialog) || dialog.chosenByte() < 0) return false;
  insertCharacterAtCaret(text, uint8_t(dialog.chosenByte()));
  return true;
}

bool createAnchorByDialog(TextDocumentModel& text, QWidget* owner) {
  std::string name;
  if (!askField(FieldDialogKind::Anchor, false, anchorNameFromSelection(text), owner, name) || name.empty())
    return false;
  createAnchor(text, name);
  return true;
}

bool createLinkByDialog(TextDocumentModel& text, QWidget* owner) {
  // Choosing an anchor moves the caret to it, so the range is taken first.
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start == end) return false;
  LinkDialog dialog(text, std::string(), owner);
  const bool confirmed = runDialog(dialog) && !dialog.chosenName().empty();
  if (!confirmed) {
    text.setSelection(start, end);
    return false;
  }
  createLink(text, dialog.chosenName(), start, end);
  return true;
}

bool objectHasDialog(uint32_t kind) {
  switch (kind) {
    case kind::link:
    case kind::anchor:
    case kind::chapter:
    case kind::comment:
    case kind::image:
    case kind::rule:
    case kind::tab:
    case kind::footnote:
    case kind::sidebar:
    case kind::hiddenChapter: return true;
    default: return false;
  }
}

namespace {

bool editLink(TextDocumentModel& text, const BookObject& link, QWidget* owner) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  LinkDialog dialog(text, link.text(), owner);
  const bool confirmed = runDialog(dialog) && !dialog.chosenName().empty();
  text.setSelection(start, end);
  if (!confirmed) return false;
  replaceLinkTarget(text, link.position, dialog.chosenName());
  return true;
}

bool editHeading(TextDocumentModel& text, const BookObject& marker, QWidget* owner) {
  HeadingDialog dialog(marker.level(), owner);
  if (!runDialog(dialog)) return false;
  changeHeadingLevel(text, marker.position, dialog.level());
  return true;
}

}  // namespace

bool editObjectByDialog(TextDocumentModel& text, int position, QWidget* owner) {
  const BookObject object = bookObjectAt(text, position);
  std::string value;
  int percent = 0;
  switch (object.kind()) {
    case kind::link: return editLink(text, object, owner);
    case kind::chapter: return editHeading(text, object, owner);
    case kind::footnote:
    case kind::sidebar: return editReferenceByDialog(text, position, owner);
    case kind::hiddenChapter: return editHiddenChapterByDialog(text, position, owner);
    case kind::anchor:
      if (!askField(FieldDialogKind::Anchor, true, object.text(), owner, value) || value.empty()) return false;
      replaceAnchor(text, position, value);
      return true;
    case kind::comment:
      if (!askField(FieldDialogKind::Comment, true, object.text(), owner, value)) return false;
      replaceComment(text, position, value);
      return true;
    case kind::rule:
      if (!askPercent(FieldDialogKind::Rule, true, object.percent(), owner, percent)) return false;
      replaceRule(text, position, percent);
      return true;
    case kind::tab:
      if (!askPercent(FieldDialogKind::Tab, true, object.percent(), owner, percent)) return false;
      replaceTab(text, position, percent);
      return true;
    case kind::image:
      if (!chooseImageFile(owner, object.text(), value)) return false;
      replaceImage(text, position, value);
      return true;
    default: return false;
  }
}

}  // namespace scrivora
