#pragma once
// How the object dialogs reach the author: shown modally, with the system's
// file chooser for pictures. Tests install a driver that fills and confirms
// each dialog (or picks a file) without a click.

#include <QDialog>
#include <QString>

#include <functional>

namespace scrivora {

class DialogDriver {
 public:
  virtual ~DialogDriver() = default;
  // True when the dialog was confirmed.
  virtual bool run(QDialog& dialog) = 0;
  // The file chosen to open, or an empty text when the choice was cancelled.
  virtual QString chooseOpenFile(QWidget* owner, const QString& caption, const QString& proposed,
                                 const QString& filter) = 0;
};

// Through the installed driver, or modally on screen.
bool runDialog(QDialog& dialog);
QString chooseOpenFile(QWidget* owner, const QString& caption, const QString& proposed, const QString& filter);

// A driver made of two functions: `fill` gets each dialog and accepts or
// rejects it; `choose` answers the file chooser.
class ScriptedDialogDriver : public DialogDriver {
 public:
  std::function<void(QDialog&)> fill;
  std::function<QString(const QString& proposed)> choose;
  int dialogsRun = 0;

  bool run(QDialog& dialog) override;
  QString chooseOpenFile(QWidget*, const QString&, const QString& proposed, const QString&) override {
    return choose ? choose(proposed) : QString();
  }
};

// Installs a driver for the life of this object; the previous one comes
// back after it.
class ScopedDialogDriver {
 public:
  explicit ScopedDialogDriver(DialogDriver& driver);
  ~ScopedDialogDriver();
  ScopedDialogDriver(const ScopedDialogDriver&) = delete;
  ScopedDialogDriver& operator=(const ScopedDialogDriver&) = delete;

 private:
  DialogDriver* previous_;
};

}  // namespace scrivora
