#include "BuildProgressWindow.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace scrivora {

BuildProgressWindow::BuildProgressWindow(const QString& bookName, QWidget* owner)
    : QDialog(owner),
      caption_(new QLabel(QStringLiteral("Compressing:"), this)),
      bookName_(new QLabel(bookName, this)),
      bar_(new QProgressBar(this)),
      cancel_(new QPushButton(QStringLiteral("Cancel"), this)) {
  setWindowTitle(QStringLiteral("Building Books"));
  // Nothing else may change the document or start another build meanwhile.
  setWindowModality(Qt::ApplicationModal);
  caption_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  bookName_->setTextFormat(Qt::PlainText);
  bar_->setRange(0, 100);
  bar_->setValue(0);
  auto* layout = new QGridLayout(this);
  layout->addWidget(caption_, 0, 0);
  layout->addWidget(bookName_, 0, 1);
  layout->addWidget(bar_, 1, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cancel_);
  layout->addLayout(buttons, 2, 0, 1, 2);
  layout->setColumnStretch(1, 1);
  setMinimumWidth(480);
  connect(cancel_, &QPushButton::clicked, this, &BuildProgressWindow::reject);
}

void BuildProgressWindow::setPercent(int percent) { bar_->setValue(percent); }

void BuildProgressWindow::reject() {
  if (!cancel_->isEnabled()) return;
  cancel_->setEnabled(false);
  emit cancelRequested();
}

}  // namespace scrivora
