#pragma once
// The small window shown while a book is built: "Building Books", the book's
// name, a bar that follows the build, and Cancel. Cancel (or the close box,
// or Escape) asks the build to stop; the window stays until the build has
// really ended.

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace scrivora {

class BuildProgressWindow : public QDialog {
  Q_OBJECT

 public:
  BuildProgressWindow(const QString& bookName, QWidget* owner = nullptr);

  void setPercent(int percent);
  QProgressBar& bar() { return *bar_; }
  QLabel& bookName() { return *bookName_; }
  QLabel& caption() { return *caption_; }
  QPushButton& cancelButton() { return *cancel_; }

 signals:
  void cancelRequested();

 public slots:
  // The user's close is a request to cancel, never a close while the build
  // still runs.
  void reject() override;

 private:
  QLabel* caption_;
  QLabel* bookName_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};

}  // namespace scrivora
