#include "NoteDialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "AlertBox.h"
#include "BookObject.h"
#include "DialogDriver.h"
#include "NoteCommands.h"
#include "ObjectCommands.h"
#include "ObjectDialogs.h"
#include "TextDocumentModel.h"

namespace scrivora {

namespace {

QDialogButtonBox* addOkCancel(QDialog& dialog, QFormLayout& layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout.addRow(buttons);
  return buttons;
}

const char* const kLevelNames[] = {"Chapter", "Heading 1", "Heading 2", "Heading 3", "Heading 4"};

// The id a reference gets: the note is added at the end of the text when
// there is none of that id yet. False when cancelled or empty.
bool askNoteId(TextDocumentModel& text, Marking marking, const std::string& current, QWidget* owner, std::string& id) {
  NoteIdDialog dialog(marking, noteIds(text, marking), current, owner);
  if (!runDialog(dialog)) return false;
  id = cleanNoteId(dialog.id());
  return !id.empty();
}

void addNoteWhenMissing(TextDocumentModel& text, Marking marking, const std::string& id) {
  if (findNoteBody(text, marking, id) >= 0) return;
  const int start = text.selectionStart(), end = text.selectionEnd();
  appendNote(text, marking, id);
  text.setSelection(start, end);
}

bool titleRefused(const QString& title, QWidget* owner) {
  std::string written;
  if (hiddenChapterTitleFromText(title, written)) return false;
  showAlert(
      {AlertKind::Warning, QStringLiteral("A chapter title cannot hold a double quote or a backslash."), QString()},
      owner);
  return true;
}

}  // namespace

NoteIdDialog::NoteIdDialog(Marking marking, const std::vector<std::string>& ids, const std::string& current,
                           QWidget* parent)
    : QDialog(parent) {
  const bool sidebar = marking == Marking::Sidebar;
  setWindowTitle(sidebar ? QStringLiteral("Sidebar Reference") : QStringLiteral("Footnote Reference"));
  ids_ = new QComboBox(this);
  ids_->setEditable(true);
  for (const std::string& id : ids) ids_->addItem(textFromCodePage(id));
  setId(current.empty() && !ids.empty() ? textFromCodePage(ids.front()) : textFromCodePage(current));
  auto* layout = new QFormLayout(this);
  layout->addRow(sidebar ? QStringLiteral("Sidebar id:") : QStringLiteral("Footnote id:"), ids_);
  addOkCancel(*this, *layout);
}

std::string NoteIdDialog::id() const { return codePageFromText(ids_->currentText()); }

void NoteIdDialog::setId(const QString& id) { ids_->setEditText(id); }

HiddenChapterDialog::HiddenChapterDialog(bool editing, int level, const QString& title, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(editing ? QStringLiteral("Edit Hidden Chapter Entry") : QStringLiteral("Insert Hidden Chapter Entry"));
  level_ = new QComboBox(this);
  for (const char* name : kLevelNames) level_->addItem(QString::fromLatin1(name));
  title_ = new QLineEdit(this);
  auto* layout = new QFormLayout(this);
  layout->addRow(QStringLiteral("Level:"), level_);
  layout->addRow(QStringLiteral("Title:"), title_);
  addOkCancel(*this, *layout);
  setEntry(level, title);
}

int HiddenChapterDialog::level() const { return std::max(level_->currentIndex(), 0); }

QString HiddenChapterDialog::title() const { return title_->text(); }

void HiddenChapterDialog::setEntry(int level, const QString& title) {
  level_->setCurrentIndex(std::clamp(level, 0, 4));
  title_->setText(title);
}

bool createReferenceByDialog(TextDocumentModel& text, Marking marking, QWidget* owner) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  std::string id;
  if (!askNoteId(text, marking, std::string(), owner, id)) return false;
  text.setSelection(start, end);
  if (!createReference(text, marking, id)) {
    showAlert(
        {AlertKind::Warning, QStringLiteral("A reference's text must stay on one line and hold no object."), QString()},
        owner);
    return false;
  }
  addNoteWhenMissing(text, marking, id);
  return true;
}

bool editReferenceByDialog(TextDocumentModel& text, int position, QWidget* owner) {
  const BookObject reference = bookObjectAt(text, position);
  const Marking marking = reference.kind() == kind::sidebar ? Marking::Sidebar : Marking::Footnote;
  std::string id;
  if (!askNoteId(text, marking, reference.text(), owner, id)) return false;
  replaceReferenceId(text, position, id);
  addNoteWhenMissing(text, marking, id);
  return true;
}

bool insertHiddenChapterByDialog(TextDocumentModel& text, QWidget* owner) {
  HiddenChapterDialog dialog(false, 0, QString(), owner);
  if (!runDialog(dialog) || titleRefused(dialog.title(), owner)) return false;
  return insertHiddenChapterAtCaret(text, dialog.level(), dialog.title());
}

bool editHiddenChapterByDialog(TextDocumentModel& text, int position, QWidget* owner) {
  const BookObject entry = bookObjectAt(text, position);
  HiddenChapterDialog dialog(true, entry.level(), hiddenChapterTitleText(entry.text()), owner);
  if (!runDialog(dialog) || titleRefused(dialog.title(), owner)) return false;
  return replaceHiddenChapter(text, position, dialog.level(), dialog.title());
}

}  // namespace scrivora
