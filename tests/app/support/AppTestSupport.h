#pragma once
// An application on a store in a temporary folder, with message boxes
// recorded instead of shown, and small helpers to drive its windows.

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>

#include "AlertBox.h"
#include "Application.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "TmlLoader.h"

namespace scrivora::test {

class AppFixture {
 public:
  AppFixture()
      : alerts_(presenter_),
        app(std::make_unique<Application>(std::make_unique<SettingsStore>("Scrivora", settingsFile()),
                                          recoveryFolder())) {}
  ~AppFixture() {
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  QString settingsFile() const { return dir.filePath("Scrivora.conf"); }
  std::string recoveryFolder() const { return dir.filePath("recovery").toStdString(); }
  // Writes a file into the temporary folder and gives its path.
  std::string writeFile(const char* name, const std::string& content) const;
  // Makes a window active and lets its activation arrive.
  static void activate(DocumentWindow& window);
  // Delivers posted commands and deferred deletions.
  static void settle();

  QTemporaryDir dir;
  RecordingAlertPresenter presenter_;
  ScopedAlertPresenter alerts_;
  std::unique_ptr<Application> app;
};

// Replaces a document's text with TML.
void loadInto(DocumentWindow& window, const std::string& tml);

}  // namespace scrivora::test
