#include "BookInfoDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

#include "CodePage.h"
#include "EditorDocument.h"

namespace scrivora {

namespace {

const char kExplanation[] =
    "You must enter a title for this book. This will be the title of the book as it appears in the Open Book dialog "
    "in the Tolm Reader. The remaining fields are optional.";

// A book's information can only hold what the handheld's character set has:
// a character outside Windows-1252 is refused as it is typed or pasted,
// rather than silently changed when the book is made.
class Windows1252Validator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    for (const QChar c : input)
      if (c.isSurrogate() || windows1252FromUnicode(c.unicode()) < 0) return Invalid;
    return Acceptable;
  }
};

class DialogBookInfoEditor : public BookInfoEditor {
 public:
  bool edit(BookInfo& info, BookInfoForm form, QWidget* owner) override {
    BookInfoDialog dialog(info, form, owner);
    if (dialog.exec() != QDialog::Accepted) return false;
    info = dialog.info();
    return true;
  }
};

DialogBookInfoEditor dialogEditor;
BookInfoEditor* currentEditor = &dialogEditor;

}  // namespace

QString bookInfoText(const std::string& bytes) {
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (char byte : bytes) text.append(QChar(unicodeFromWindows1252(uint8_t(byte))));
  return text;
}

std::string bookInfoBytes(const QString& text) {
  std::string bytes;
  bytes.reserve(size_t(text.size()));
  for (const QChar c : text) {
    const int byte = c.isSurrogate() ? -1 : windows1252FromUnicode(c.unicode());
    bytes.push_back(byte < 0 ? '?' : char(byte));
  }
  return bytes;
}

BookInfoDialog::BookInfoDialog(const BookInfo& info, BookInfoForm form, QWidget* owner) : QDialog(owner), info_(info) {
  setWindowTitle(QStringLiteral("Edit Book Info"));
  auto* layout = new QVBoxLayout(this);
  auto* fields = new QFormLayout;
  title_ = addField(*fields, "Title:", info_.title, info_.title);
  fields->addRow(QString(), new QLabel(QStringLiteral("(Required)"), this));
  author_ = addField(*fields, "Author:", info_.author, info_.author);
  publisher_ = addField(*fields, "Publisher:", info_.publisher, info_.publisher);
  copyright_ = addField(*fields, "Copyright Date:", info_.copyright, info_.copyright);
  layout->addLayout(fields);
  explanation_ = new QLabel(QString::fromLatin1(kExplanation), this);
  explanation_->setWordWrap(true);
  if (form == BookInfoForm::TitleRequired) {
    // The action the user asked for waits on the title: the reason stands out.
    QFont bold = explanation_->font();
    bold.setBold(true);
    explanation_->setFont(bold);
  }
  layout->addWidget(explanation_);
  buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout->addWidget(buttons_);
  setMinimumWidth(360);
  title_->setFocus();
  updateOk();
}

QLineEdit* BookInfoDialog::addField(QFormLayout& form, const char* label, const std::string& value,
                                    std::string& field) {
  auto* edit = new QLineEdit(this);
  edit->setMaxLength(kMaxFieldLength);
  edit->setValidator(new Windows1252Validator(edit));
  edit->setText(bookInfoText(value).left(kMaxFieldLength));
  // Every change is in the copy at once, so OK follows the title as typed.
  connect(edit, &QLineEdit::textChanged, this, [this, &field](const QString& text) {
    field = bookInfoBytes(text);
    updateOk();
  });
  form.addRow(QString::fromLatin1(label), edit);
  return edit;
}

QPushButton& BookInfoDialog::okButton() { return *buttons_->button(QDialogButtonBox::Ok); }

void BookInfoDialog::updateOk() {
  if (buttons_ != nullptr) okButton().setEnabled(!info_.title.empty());
}

ScopedBookInfoEditor::ScopedBookInfoEditor(BookInfoEditor& editor) : previous_(currentEditor) {
  currentEditor = &editor;
}

ScopedBookInfoEditor::~ScopedBookInfoEditor() { currentEditor = previous_; }

bool editBookInfo(EditorDocument& document, BookInfoForm form, QWidget* owner) {
  BookInfo info = document.bookInfo();
  if (!currentEditor->edit(info, form, owner)) return false;
  document.setBookInfo(info);
  return true;
}

}  // namespace scrivora
