#pragma once
// The program's modal message boxes: an error (stop icon, caption "Error"),
// a note (information icon, no caption) or a warning (exclamation icon,
// caption "Warning"), with OK or OK and Cancel. The text is the message, two
// line breaks and the detail. Boxes go through a presenter that tests replace,
// so no test has to click.

#include <QString>

#include <vector>

class QWidget;

namespace scrivora {

enum class AlertKind { Error, Note, Warning };
enum class AlertButtons { Ok, OkCancel };
enum class AlertAnswer { Ok, Cancel };

struct AlertBox {
  AlertKind kind = AlertKind::Error;
  QString message;
  QString detail;
  AlertButtons buttons = AlertButtons::Ok;

  QString caption() const;
  // The message, and the detail after two line breaks when there is one.
  QString text() const;
};

class AlertPresenter {
 public:
  virtual ~AlertPresenter() = default;
  virtual AlertAnswer present(const AlertBox& box, QWidget* owner) = 0;
};

// Shows the box modally through the installed presenter (a QMessageBox
// unless a test installed another).
AlertAnswer showAlert(const AlertBox& box, QWidget* owner = nullptr);

// Installs a presenter for the life of this object; the previous one comes
// back after it.
class ScopedAlertPresenter {
 public:
  explicit ScopedAlertPresenter(AlertPresenter& presenter);
  ~ScopedAlertPresenter();
  ScopedAlertPresenter(const ScopedAlertPresenter&) = delete;
  ScopedAlertPresenter& operator=(const ScopedAlertPresenter&) = delete;

 private:
  AlertPresenter* previous_;
};

// A presenter that answers every box the same way and keeps what it was
// shown.
class RecordingAlertPresenter : public AlertPresenter {
 public:
  explicit RecordingAlertPresenter(AlertAnswer answer = AlertAnswer::Ok) : answer_(answer) {}
  AlertAnswer present(const AlertBox& box, QWidget*) override {
    shown.push_back(box);
    return answer_;
  }
  std::vector<AlertBox> shown;

 private:
  AlertAnswer answer_;
};

}  // namespace scrivora
