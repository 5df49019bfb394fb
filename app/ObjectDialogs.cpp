#include "ObjectDialogs.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "AlertBox.h"
#include "BookObjectData.h"
#include "DialogDriver.h"
#include "ObjectCommands.h"
#include "PngPicture.h"
#include "TextDocumentModel.h"

namespace scrivora {

QString textFromCodePage(const std::string& bytes) {
  QString text;
  text.reserve(qsizetype(bytes.size()));
  for (char c : bytes) text.append(QChar(unicodeFromCodePage(uint8_t(c))));
  return text;
}

std::string codePageFromText(const QString& text) {
  std::string bytes;
  bytes.reserve(size_t(text.size()));
  for (QChar c : text) {
    const int byte = codePageFromUnicode(c.unicode());
    bytes.push_back(byte > 0 ? char(byte) : '?');
  }
  return bytes;
}

namespace {

struct FieldDialogText {
  const char* insertCaption;
  const char* editCaption;
  const char* label;
  const char* insertText;  // null: taken from the caller
  const char* explanation;
};

const FieldDialogText& fieldDialogText(FieldDialogKind kind) {
  static const FieldDialogText texts[] = {
      {"Insert Anchor", "Edit Anchor", "Name:", nullptr,
       "This text will be used to identify a location to jump to from a hyperlink."},
      {"Insert Comment", "Edit Comment", "Comment:", "",
       "This text will be inserted into the book, but will not be visible to someone reading the book."},
      {"Insert Rule", "Edit Rule", "Percent:", "80",
       "This is the length of the horizontal rule, expressed as a percentage of the page width"},
      {"Insert Tab", "Edit Tab", "Percent:", "50",
       "This is the position of the tab, expressed as a percentage of the page width"},
  };
  return texts[int(kind)];
}

QDialogButtonBox* okCancel(QDialog& dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

}  // namespace

SingleFieldDialog::SingleFieldDialog(FieldDialogKind kind, bool editing, const QString& initialText, QWidget* parent)
    : QDialog(parent) {
  const FieldDialogText& texts = fieldDialogText(kind);
  setWindowTitle(QString::fromLatin1(editing ? texts.editCaption : texts.insertCaption));
  initialText_ = !editing && texts.insertText != nullptr ? QString::fromLatin1(texts.insertText) : initialText;
  label_ = new QLabel(QString::fromLatin1(texts.label), this);
  field_ = new QLineEdit(this);
  field_->setMaxLength(std::max<int>(kFieldLength, int(initialText_.size())));
  field_->setText(initialText_);
  field_->selectAll();
  label_->setBuddy(field_);
  explanation_ = new QLabel(QString::fromLatin1(texts.explanation), this);
  explanation_->setWordWrap(true);

  auto* row = new QHBoxLayout;
  row->addWidget(label_);
  row->addWidget(field_, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(explanation_);
  layout->addWidget(okCancel(*this));
  setMinimumWidth(360);
}

QString SingleFieldDialog::value() const {
  if (!field_->isModified() && field_->text() == initialText_.left(field_->maxLength())) return initialText_;
  return field_->text().left(kFieldLength);
}

QString SingleFieldDialog::label() const { return label_->text(); }
QString SingleFieldDialog::explanation() const { return explanation_->text(); }

LinkDialog::LinkDialog(TextDocumentModel& text, const std::string& currentTarget, QWidget* parent)
    : QDialog(parent), text_(text) {
  setWindowTitle(QStringLiteral("Edit Link"));
  auto* prompt = new QLabel(QStringLiteral("Select anchor to link to:"), this);
  list_ = new QListWidget(this);
  prompt->setBuddy(list_);
  buttons_ = okCancel(*this);
  const bool namesAnchor = !currentTarget.empty() && currentTarget[0] == '#';
  const std::string current = anchorNameOfTarget(currentTarget);
  int preselected = -1;
  for (const BookObject& anchor : bookObjectsOfKind(text, kind::anchor)) {
    if (namesAnchor && preselected < 0 && anchor.text() == current) preselected = int(names_.size());
    positions_.push_back(anchor.position);
    names_.push_back(anchor.text());
    list_->addItem(textFromCodePage(anchor.text()));
  }
  // Preselecting is no choice of the author's: the caret stays.
  if (preselected >= 0) list_->setCurrentRow(preselected);
  connect(list_, &QListWidget::itemSelectionChanged, this, &LinkDialog::selectionChanged);
  connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  okButton()->setEnabled(preselected >= 0);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  layout->addWidget(list_, 1);
  layout->addWidget(buttons_);
  resize(320, 300);
}

std::string LinkDialog::chosenName() const {
  const QList<QListWidgetItem*> chosen = list_->selectedItems();
  return chosen.isEmpty() ? std::string() : names_[size_t(list_->row(chosen.first()))];
}

QPushButton* LinkDialog::okButton() const { return buttons_->button(QDialogButtonBox::Ok); }

void LinkDialog::selectionChanged() {
  const QList<QListWidgetItem*> chosen = list_->selectedItems();
  okButton()->setEnabled(!chosen.isEmpty());
  if (chosen.isEmpty()) return;
  text_.setCaret(positions_[size_t(list_->row(chosen.first()))]);
}

HeadingDialog::HeadingDialog(int level, QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Edit Chapter/Heading"));
  auto* group = new QGroupBox(QStringLiteral("Heading Level"), this);
  auto* groupLayout = new QVBoxLayout(group);
  levels_ = new QButtonGroup(this);
  const char* const names[] = {"Chapter Heading", "Heading 1", "Heading 2", "Heading 3", "Heading 4"};
  for (int i = 0; i < 5; ++i) {
    auto* button = new QRadioButton(QString::fromLatin1(names[i]), group);
    levels_->addButton(button, i);
    groupLayout->addWidget(button);
  }
  chooseLevel(level);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(group);
  layout->addWidget(okCancel(*this));
}

int HeadingDialog::level() const { return std::max(levels_->checkedId(), 0); }

void HeadingDialog::chooseLevel(int level) {
  if (QAbstractButton* button = levels_->button(std::clamp(level, 0, 4))) button->setChecked(true);
}

bool chooseImageFile(QWidget* owner, const std::string& current, std::string& chosen) {
  const QString path =
      chooseOpenFile(owner, current.empty() ? QStringLiteral("Insert Image") : QStringLiteral("Select New Image"),
                     QString::fromStdString(current), QStringLiteral("PNG Images (*.png *.PNG);;All Files (*)"));
  if (path.isEmpty() || !path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) return false;
  const QString name = QFileInfo(path).fileName();
  const std::string bytes = path.toStdString();
  if (bytes.size() > BookObjectData::kMaxImagePath) {
    showAlert({AlertKind::Warning, QStringLiteral("The picture's path is too long."),
               QStringLiteral("A picture's full path may have at most 259 characters. Move \"%1\" to a shorter "
                              "path and choose it again.")
                   .arg(name),
               AlertButtons::Ok},
              owner);
    return false;
  }
  if (decodePngFile(bytes).isNull()) {
    showAlert({AlertKind::Warning, QStringLiteral("The picture could not be read."),
               QStringLiteral("\"%1\" is not a PNG picture, or it is damaged. The book could not show it; choose "
                              "another picture.")
                   .arg(name),
               AlertButtons::Ok},
              owner);
    return false;
  }
  chosen = bytes;
  return true;
}

}  // namespace scrivora
