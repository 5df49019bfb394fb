#include "AlertBox.h"

#include <QMessageBox>

namespace scrivora {

QString AlertBox::caption() const {
  if (!title.isEmpty()) return title;
  switch (kind) {
    case AlertKind::Error: return QStringLiteral("Error");
    case AlertKind::Warning: return QStringLiteral("Warning");
    case AlertKind::Note: break;
  }
  return QString();
}

QString AlertBox::text() const { return detail.isEmpty() ? message : message + QStringLiteral("\n\n") + detail; }

namespace {

class MessageBoxPresenter : public AlertPresenter {
 public:
  AlertAnswer present(const AlertBox& box, QWidget* owner) override {
    const QMessageBox::Icon icon = box.kind == AlertKind::Error     ? QMessageBox::Critical
                                   : box.kind == AlertKind::Warning ? QMessageBox::Warning
                                                                    : QMessageBox::Information;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (box.buttons == AlertButtons::OkCancel) buttons = QMessageBox::Ok | QMessageBox::Cancel;
    if (box.buttons == AlertButtons::YesNoCancel) buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QMessageBox messageBox(icon, box.caption(), box.text(), buttons, owner);
    // Modal for the whole program, as the user expects of an error.
    messageBox.setWindowModality(Qt::ApplicationModal);
    switch (messageBox.exec()) {
      case QMessageBox::Ok: return AlertAnswer::Ok;
      case QMessageBox::Yes: return AlertAnswer::Yes;
      case QMessageBox::No: return AlertAnswer::No;
      default: return AlertAnswer::Cancel;  // Cancel, Escape or the close box
    }
  }
};

MessageBoxPresenter messageBoxPresenter;
AlertPresenter* currentPresenter = &messageBoxPresenter;

}  // namespace

AlertAnswer showAlert(const AlertBox& box, QWidget* owner) { return currentPresenter->present(box, owner); }

ScopedAlertPresenter::ScopedAlertPresenter(AlertPresenter& presenter) : previous_(currentPresenter) {
  currentPresenter = &presenter;
}

ScopedAlertPresenter::~ScopedAlertPresenter() { currentPresenter = previous_; }

}  // namespace scrivora
