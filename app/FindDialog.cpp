#include "FindDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include "Beep.h"
#include "CommandChain.h"
#include "Commands.h"
#include "EditorText.h"
#include "SettingsStore.h"
#include "ShortcutRouter.h"
#include "TextSnapshot.h"

namespace scrivora {

namespace {
constexpr const char* kPositionX = "Find.WindowPos.x";
constexpr const char* kPositionY = "Find.WindowPos.y";
constexpr uint8_t kKeyF3 = kKeyF1 + 2;

// The search texts are Windows-1252 bytes, the characters of the editor
// text; a character without a byte there becomes the unmapped byte, which
// matches any such character in the document.
std::string findTextBytesOf(const QString& text) {
  std::string bytes(size_t(text.size()), '\0');
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int byte = codePageFromUnicode(text[i].unicode());
    bytes[size_t(i)] = byte < 0 ? kUnmappedByte : char(byte);
  }
  return bytes;
}

QString findTextOfBytes(const std::string& bytes) {
  QString text(qsizetype(bytes.size()), Qt::Uninitialized);
  for (size_t i = 0; i < bytes.size(); ++i) text[qsizetype(i)] = QChar(unicodeFromCodePage(uint8_t(bytes[i])));
  return text;
}

}  // namespace

FindDialog::FindDialog(FindSettings& settings, SettingsStore& store, std::function<CommandTarget*()> activeDocument)
    : settings_(settings), store_(store), activeDocument_(std::move(activeDocument)) {
  setWindowTitle(QStringLiteral("Find"));
  buildControls();
  listener_ = settings_.addListener([this](FindSettings::Change change) { settingsChanged(change); });
  showTexts();
  showOptions();
  // Searching again goes on from the dialog as from the document.
  shortcuts_.assign(kKeyF3, 0, cmd::kFindNext);
  shortcuts_.assign(kKeyF3, kShiftKey, cmd::kFindPrevious);
  ShortcutRouter::instance().registerWindow(this, &shortcuts_);
  restorePosition();
}

FindDialog::~FindDialog() {
  if (isVisible()) storePosition();
  ShortcutRouter::instance().unregisterWindow(this);
  settings_.removeListener(listener_);
}

void FindDialog::buildControls() {
  findField_ = new QLineEdit;
  replaceField_ = new QLineEdit;
  for (QLineEdit* field : {findField_, replaceField_}) {
    field->setMaxLength(int(FindSettings::kMaxTextLength));
    field->setMinimumWidth(260);
  }
  auto* findLabel = new QLabel(QStringLiteral("Find:"));
  auto* replaceLabel = new QLabel(QStringLiteral("Replace:"));
  findLabel->setBuddy(findField_);
  replaceLabel->setBuddy(replaceField_);
  caseSensitive_ = new QCheckBox(QStringLiteral("Case Sensitive"));
  entireWord_ = new QCheckBox(QStringLiteral("Entire Word"));
  regex_ = new QCheckBox(QStringLiteral("RegEx"));
  findButton_ = new QPushButton(QStringLiteral("Find"));
  replaceButton_ = new QPushButton(QStringLiteral("Replace"));
  replaceAllButton_ = new QPushButton(QStringLiteral("Replace All"));
  findButton_->setDefault(true);

  auto* options = new QHBoxLayout;
  options->addWidget(caseSensitive_);
  options->addWidget(entireWord_);
  options->addWidget(regex_);
  options->addStretch();
  auto* grid = new QGridLayout(this);
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(findField_, 0, 1);
  grid->addWidget(findButton_, 0, 2);
  grid->addWidget(replaceLabel, 1, 0);
  grid->addWidget(replaceField_, 1, 1);
  grid->addWidget(replaceButton_, 1, 2);
  grid->addLayout(options, 2, 0, 1, 2);
  grid->addWidget(replaceAllButton_, 2, 2);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  // Tab goes from field to field, then through the options to the buttons.
  QWidget* const order[] = {findField_, replaceField_, caseSensitive_, entireWord_,
                            regex_,     findButton_,   replaceButton_, replaceAllButton_};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  // Each edit is the search's at once.
  connect(findField_, &QLineEdit::textEdited, this,
          [this](const QString& text) { settings_.setFindText(findTextBytesOf(text)); });
  connect(replaceField_, &QLineEdit::textEdited, this,
          [this](const QString& text) { settings_.setReplaceText(findTextBytesOf(text)); });
  connect(caseSensitive_, &QCheckBox::clicked, this, [this](bool on) { settings_.setCaseSensitive(on); });
  connect(entireWord_, &QCheckBox::clicked, this, [this](bool on) { settings_.setEntireWord(on); });
  connect(regex_, &QCheckBox::clicked, this, [this](bool on) { settings_.setRegex(on); });
  connect(findButton_, &QPushButton::clicked, this, [this] { act(cmd::kFindNext); });
  connect(replaceButton_, &QPushButton::clicked, this, [this] { act(cmd::kReplaceSelection); });
  connect(replaceAllButton_, &QPushButton::clicked, this, [this] { act(cmd::kReplaceAll); });
}

void FindDialog::showForSearch() {
  showTexts();
  showOptions();
  show();
  raise();
  activateWindow();
  findField_->setFocus();
  findField_->selectAll();
}

void FindDialog::settingsChanged(FindSettings::Change change) {
  if (change == FindSettings::Change::Options)
    showOptions();
  else
    showTexts();
}

void FindDialog::showTexts() {
  // A field that already says what the settings hold keeps its characters
  // (and its caret) as they are: one without a Windows-1252 byte would come
  // back as the unmapped byte's.
  for (auto [field, bytes] :
       {std::pair{findField_, &settings_.findText()}, std::pair{replaceField_, &settings_.replaceText()}})
    if (findTextBytesOf(field->text()) != *bytes) field->setText(findTextOfBytes(*bytes));
  const bool hasFindText = !settings_.findText().empty();
  findButton_->setEnabled(hasFindText);
  replaceAllButton_->setEnabled(hasFindText);
}

void FindDialog::showOptions() {
  caseSensitive_->setChecked(settings_.caseSensitive());
  entireWord_->setChecked(settings_.entireWord());
  regex_->setChecked(settings_.regex());
  // A regular expression says for itself where words end.
  entireWord_->setEnabled(!settings_.regex());
}

void FindDialog::act(Command command) {
  CommandTarget* document = activeDocument_();
  if (document == nullptr) return;
  if (!CommandChain::instance().dispatch(command, nullptr, 0, document)) beep();
}

bool FindDialog::event(QEvent* event) {
  if (event->type() == CommandEvent::eventType()) {
    act(static_cast<CommandEvent*>(event)->command());
    return true;
  }
  return QDialog::event(event);
}

void FindDialog::hideEvent(QHideEvent* event) {
  storePosition();
  QDialog::hideEvent(event);
}

void FindDialog::restorePosition() {
  int32_t x = 0, y = 0;
  if (!store_.readInteger(kPositionX, x) || !store_.readInteger(kPositionY, y)) return;
  // A place on a screen that is no longer there would hide the dialog.
  if (QGuiApplication::screenAt(QPoint(x, y)) == nullptr) return;
  move(x, y);
}

void FindDialog::storePosition() {
  store_.writeInteger(kPositionX, x());
  store_.writeInteger(kPositionY, y());
}

}  // namespace scrivora
