#pragma once
// The program's modal message boxes: an error (stop icon, caption "Error"),
// a note (information icon, no caption) or a warning (exclamation icon,
// caption "Warning"), with OK or OK and Cancel. The text is the message, two
// line breaks and the detail. A box may carry a caption of its own and ask
// Yes / No / Cancel (the save prompt). Boxes go through a presenter that
// tests replace, so no test has to click.

#include <QString>

#include <deque>
#include <vector>

class QWidget;

namespace scrivora {

enum class AlertKind { Error, Note, Warning };
enum class AlertButtons { Ok, OkCancel, YesNoCancel };
enum class AlertAnswer { Ok, Cancel, Yes, No };

struct AlertBox {
  AlertKind kind = AlertKind::Error;
  QString message;
  QString detail;
  AlertButtons buttons = AlertButtons::Ok;
  // Replaces the kind's caption when not empty.
  QString title = QString();

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

// A presenter that keeps what it was shown and answers from its queue of
// answers, then every further box the same way.
class RecordingAlertPresenter : public AlertPresenter {
 public:
  explicit RecordingAlertPresenter(AlertAnswer answer = AlertAnswer::Ok) : answer_(answer) {}
  AlertAnswer present(const AlertBox& box, QWidget*) override {
    shown.push_back(box);
    if (answers.empty()) return answer_;
    const AlertAnswer next = answers.front();
    answers.pop_front();
    return next;
  }
  std::vector<AlertBox> shown;
  std::deque<AlertAnswer> answers;

 private:
  AlertAnswer answer_;
};

}  // namespace scrivora
