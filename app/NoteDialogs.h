#pragma once
// The dialogs of footnote and sidebar references (choose a note's id, or
// type a new one) and of hidden chapter entries (level and title), and the
// commands that run them on a document's text.

#include <QDialog>

#include "EditorText.h"

class QComboBox;
class QLineEdit;

namespace scrivora {

class TextDocumentModel;

class NoteIdDialog : public QDialog {
 public:
  // The ids of the existing notes of the kind are offered; any other may be
  // typed, which makes a new note.
  NoteIdDialog(Marking marking, const std::vector<std::string>& ids, const std::string& current,
               QWidget* parent = nullptr);
  std::string id() const;
  void setId(const QString& id);

 private:
  QComboBox* ids_;
};

class HiddenChapterDialog : public QDialog {
 public:
  HiddenChapterDialog(bool editing, int level, const QString& title, QWidget* parent = nullptr);
  int level() const;
  QString title() const;
  void setEntry(int level, const QString& title);

 private:
  QComboBox* level_;
  QLineEdit* title_;
};

// A reference over the selection (or a "*" at the caret) to the note the
// author chooses; a note not yet in the text is added at its end, and the
// caret stays at the reference.
bool createReferenceByDialog(TextDocumentModel& text, Marking marking, QWidget* owner);
bool editReferenceByDialog(TextDocumentModel& text, int position, QWidget* owner);
bool insertHiddenChapterByDialog(TextDocumentModel& text, QWidget* owner);
bool editHiddenChapterByDialog(TextDocumentModel& text, int position, QWidget* owner);

}  // namespace scrivora
