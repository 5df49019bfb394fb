#include "AlertBox.h"

#include <QMessageBox>

namespace scrivora {

QString AlertBox::caption() const {
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
    const QMessageBox::StandardButtons buttons =
        box.buttons == AlertButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok;
    QMessageBox messageBox(icon, box.caption(), box.text(), buttons, owner);
    // Modal for the whole program, as the user expects of an error.
    messageBox.setWindowModality(Qt::ApplicationModal);
    return messageBox.exec() == QMessageBox::Ok ? AlertAnswer::Ok : AlertAnswer::Cancel;
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
