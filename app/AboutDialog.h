#pragma once
// The About box: one picture of the product's name and version that is also
// its OK button, so a click on it, Enter or Esc closes it.

#include <QDialog>

namespace scrivora {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  explicit AboutDialog(QWidget* parent = nullptr);
  static QString title();  // "About Scrivora..."
};

}  // namespace scrivora
