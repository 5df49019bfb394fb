#pragma once
// The Edit Book Info dialog: title (required), author, publisher and
// copyright date of a book. It works on a copy of the information, which
// replaces the caller's only when the user confirms; OK is enabled only while
// the title is not empty. The eISBN has no field and keeps its value.
//
// The title-required form is shown when an action (saving, making the book)
// cannot go on without a title: its explanation stands out.

#include <QDialog>

#include "BookInfo.h"

class QDialogButtonBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;

namespace scrivora {

class EditorDocument;

enum class BookInfoForm { Normal, TitleRequired };

class BookInfoDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kMaxFieldLength = 255;

  BookInfoDialog(const BookInfo& info, BookInfoForm form, QWidget* owner = nullptr);

  // The copy as the fields have it now.
  const BookInfo& info() const { return info_; }

  QLineEdit& titleField() { return *title_; }
  QLineEdit& authorField() { return *author_; }
  QLineEdit& publisherField() { return *publisher_; }
  QLineEdit& copyrightField() { return *copyright_; }
  QPushButton& okButton();
  QLabel& explanation() { return *explanation_; }

 private:
  QLineEdit* addField(QFormLayout& form, const char* label, const std::string& value, std::string& field);
  void updateOk();

  BookInfo info_;
  QLineEdit* title_ = nullptr;
  QLineEdit* author_ = nullptr;
  QLineEdit* publisher_ = nullptr;
  QLineEdit* copyright_ = nullptr;
  QLabel* explanation_ = nullptr;
  QDialogButtonBox* buttons_ = nullptr;
};

// What shows the dialog; tests install their own so no test has to click.
class BookInfoEditor {
 public:
  virtual ~BookInfoEditor() = default;
  // Edits the information in place; true when the user confirmed.
  virtual bool edit(BookInfo& info, BookInfoForm form, QWidget* owner) = 0;
};

class ScopedBookInfoEditor {
 public:
  explicit ScopedBookInfoEditor(BookInfoEditor& editor);
  ~ScopedBookInfoEditor();
  ScopedBookInfoEditor(const ScopedBookInfoEditor&) = delete;
  ScopedBookInfoEditor& operator=(const ScopedBookInfoEditor&) = delete;

 private:
  BookInfoEditor* previous_;
};

// Shows the dialog for the document's information; on OK the document takes
// the new information and is modified. True when confirmed.
bool editBookInfo(EditorDocument& document, BookInfoForm form, QWidget* owner = nullptr);

// Book information is Windows-1252, as in TML; the dialog's fields are
// Unicode.
QString bookInfoText(const std::string& bytes);
std::string bookInfoBytes(const QString& text);

}  // namespace scrivora
