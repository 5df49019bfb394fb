#pragma once
// Insert Character: the upper half of the character set in a grid of 16 by
// 8 cells drawn in the reader's small face. A click chooses a cell and shows
// its note; a double-click, or OK with a cell chosen, closes the dialog with
// that byte.

#include <QDialog>
#include <QWidget>

#include <cstdint>
#include <vector>

class QLabel;
class QPushButton;

namespace scrivora {

class CharacterGrid : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 16, kRows = 8, kCell = 28;

  explicit CharacterGrid(QWidget* parent = nullptr);
  // The byte in each cell, in order; cells past the last byte are empty.
  static const std::vector<uint8_t>& bytes();
  // The chosen cell, -1 for none.
  int chosenCell() const { return chosen_; }
  void chooseCell(int cell);
  QSize sizeHint() const override { return QSize(kColumns * kCell + 1, kRows * kCell + 1); }

 signals:
  void chosen(int cell);
  void confirmed(int cell);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int cellAt(const QPoint& point) const;

  int chosen_ = -1;
};

class InsertCharacterDialog : public QDialog {
  Q_OBJECT

 public:
  explicit InsertCharacterDialog(QWidget* parent = nullptr);
  CharacterGrid& grid() { return *grid_; }
  QString note() const;
  QPushButton* okButton() const { return ok_; }
  // The chosen byte, or -1.
  int chosenByte() const;

 private:
  void showNote(int cell);

  CharacterGrid* grid_;
  QLabel* note_;
  QPushButton* ok_;
};

// What the grid says under a byte: a name, a warning or nothing.
QString characterNote(uint8_t byte);

}  // namespace scrivora
