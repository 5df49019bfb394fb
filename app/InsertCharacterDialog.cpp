#include "InsertCharacterDialog.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "EditorText.h"

namespace scrivora {

const std::vector<uint8_t>& CharacterGrid::bytes() {
  // 129, 157 and 158 have no character on the handheld.
  static const std::vector<uint8_t> list = [] {
    std::vector<uint8_t> bytes;
    for (int b = 128; b <= 255; ++b)
      if (b != 129 && b != 157 && b != 158) bytes.push_back(uint8_t(b));
    return bytes;
  }();
  return list;
}

QString characterNote(uint8_t byte) {
  if (byte == 160) return QStringLiteral("Non-breaking space");
  switch (byte) {
    case 128:
    case 141:
    case 142:
    case 143:
    case 144:
    case 153:
      return QStringLiteral(
          "Warning: This character is not recommended for use in Tolm eBooks. This character may not be available "
          "on all supported platforms, or on older versions of Tolm OS.");
    default: return QString();
  }
}

CharacterGrid::CharacterGrid(QWidget* parent) : QWidget(parent) {
  setFixedSize(sizeHint());
  setFocusPolicy(Qt::StrongFocus);
}

void CharacterGrid::chooseCell(int cell) {
  if (cell < 0 || cell >= int(bytes().size()) || cell == chosen_) return;
  chosen_ = cell;
  update();
  emit chosen(cell);
}

int CharacterGrid::cellAt(const QPoint& point) const {
  const int column = point.x() / kCell, row = point.y() / kCell;
  if (point.x() < 0 || point.y() < 0 || column >= kColumns || row >= kRows) return -1;
  const int cell = row * kColumns + column;
  return cell < int(bytes().size()) ? cell : -1;
}

void CharacterGrid::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  QFont face;
  face.setFamilies({QString::fromLatin1(kFaceSmall)});
  face.setPixelSize(18);
  painter.setFont(face);
  for (int cell = 0; cell < kColumns * kRows; ++cell) {
    const QRect box((cell % kColumns) * kCell, (cell / kColumns) * kCell, kCell, kCell);
    const bool filled = cell < int(bytes().size());
    if (cell == chosen_) painter.fillRect(box, palette().highlight());
    painter.setPen(palette().mid().color());
    painter.drawRect(box);
    if (!filled) continue;
    painter.setPen(cell == chosen_ ? palette().highlightedText().color() : palette().text().color());
    painter.drawText(box, Qt::AlignCenter, QString(QChar(unicodeFromCodePage(bytes()[size_t(cell)]))));
  }
}

void CharacterGrid::mousePressEvent(QMouseEvent* event) { chooseCell(cellAt(event->position().toPoint())); }

void CharacterGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const int cell = cellAt(event->position().toPoint());
  if (cell < 0) return;
  chooseCell(cell);
  emit confirmed(cell);
}

void CharacterGrid::keyPressEvent(QKeyEvent* event) {
  const int from = chosen_ < 0 ? 0 : chosen_;
  switch (event->key()) {
    case Qt::Key_Left: chooseCell(from - 1); return;
    case Qt::Key_Right: chooseCell(chosen_ < 0 ? 0 : from + 1); return;
    case Qt::Key_Up: chooseCell(from - kColumns); return;
    case Qt::Key_Down: chooseCell(chosen_ < 0 ? 0 : from + kColumns); return;
    default: QWidget::keyPressEvent(event);
  }
}

InsertCharacterDialog::InsertCharacterDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Insert Character"));
  grid_ = new CharacterGrid(this);
  note_ = new QLabel(this);
  note_->setWordWrap(true);
  note_->setMinimumHeight(3 * fontMetrics().height());
  note_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setEnabled(false);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(grid_, &CharacterGrid::chosen, this, &InsertCharacterDialog::showNote);
  connect(grid_, &CharacterGrid::confirmed, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_);
  layout->addWidget(note_);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString InsertCharacterDialog::note() const { return note_->text(); }

int InsertCharacterDialog::chosenByte() const {
  const int cell = grid_->chosenCell();
  return cell < 0 ? -1 : int(CharacterGrid::bytes()[size_t(cell)]);
}

void InsertCharacterDialog::showNote(int cell) {
  note_->setText(characterNote(CharacterGrid::bytes()[size_t(cell)]));
  ok_->setEnabled(true);
}

}  // namespace scrivora
