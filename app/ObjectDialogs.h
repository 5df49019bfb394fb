#pragma once
// The small modal dialogs of the book objects: one single-field dialog for
// anchors, comments, rules and tabs, the link dialog (a list of the
// document's anchors), the heading dialog (the level) and the choice of a
// picture file.

#include <QDialog>

#include <string>
#include <vector>

class QButtonGroup;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace scrivora {

class TextDocumentModel;

// The editor's text is Windows-1252; dialogs show and take Unicode.
QString textFromCodePage(const std::string& bytes);
// Characters Windows-1252 lacks become '?'.
std::string codePageFromText(const QString& text);

enum class FieldDialogKind { Anchor, Comment, Rule, Tab };

class SingleFieldDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFieldLength = 255;

  SingleFieldDialog(FieldDialogKind kind, bool editing, const QString& initialText, QWidget* parent = nullptr);
  // What the field holds; an initial text left untouched comes back whole,
  // however long, so editing a long comment's neighbour never cuts it.
  QString value() const;
  QLineEdit& field() { return *field_; }
  QString label() const;
  QString explanation() const;

 private:
  QLineEdit* field_;
  QLabel* label_;
  QLabel* explanation_;
  QString initialText_;
};

class LinkDialog : public QDialog {
  Q_OBJECT

 public:
  // The anchors of the text in text order; the one the current target
  // names ("#" and the name) starts selected.
  LinkDialog(TextDocumentModel& text, const std::string& currentTarget, QWidget* parent = nullptr);
  // The chosen anchor's name, empty when none is chosen.
  std::string chosenName() const;
  QListWidget& anchorList() { return *list_; }
  QPushButton* okButton() const;

 private:
  void selectionChanged();

  TextDocumentModel& text_;
  std::vector<int> positions_;
  std::vector<std::string> names_;
  QListWidget* list_;
  QDialogButtonBox* buttons_;
};

class HeadingDialog : public QDialog {
  Q_OBJECT

 public:
  HeadingDialog(int level, QWidget* parent = nullptr);
  int level() const;
  // Chooses a level as a click on its button would.
  void chooseLevel(int level);

 private:
  QButtonGroup* levels_;
};

// Asks for a picture with the file chooser, proposing `current`. A name
// that does not end in ".png" (any letter case) changes nothing; a file
// that cannot be read as a PNG picture, or whose path does not fit an
// image object, is refused with a warning, since the book could not use
// it. False when nothing was chosen.
bool chooseImageFile(QWidget* owner, const std::string& current, std::string& chosen);

}  // namespace scrivora
