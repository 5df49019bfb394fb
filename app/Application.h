#pragma once
// The one application object: the open documents (newest first), the find
// settings, the settings store and the build log window. It answers the
// commands that need no document (New, Open, About, Quit) and ends the main
// loop when the last document window has gone.

#include <QMetaObject>
#include <QPointer>
#include <QStringList>

#include <list>
#include <memory>
#include <string>

#include "BuildLogWindow.h"
#include "CommandTarget.h"
#include "CrashRecovery.h"
#include "DocumentFile.h"
#include "FindSettings.h"
#include "SettingsStore.h"

namespace scrivora {

class DocumentWindow;
class EditObjectsDialog;
class FindDialog;

class Application : public CommandTarget {
 public:
  // The store and the folder of recovery copies may be given (tests);
  // otherwise the user's own are used.
  explicit Application(std::unique_ptr<SettingsStore> settings = nullptr,
                       const std::string& recoveryFolder = std::string());
  ~Application() override;
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The application of this process, or null.
  static Application* instance();

  // Offers what a crashed run left, then opens each argument that names an
  // existing file; when nothing was restored or opened, one untitled
  // document, so the user always starts with a window.
  void start(const QStringList& files);
  // Runs the main loop until the last document window has closed or Quit
  // has closed them all; the exit code.
  int run();
  bool running() const { return running_; }

  // Newest first.
  const std::list<DocumentWindow*>& documents() const { return documents_; }
  DocumentWindow* newDocument();
  // Opens a file in a new window, or brings the window that has it to the
  // front. Null when the file could not be read (the user was told).
  DocumentWindow* openDocument(const std::string& path);
  // Opens a dropped file in a new window without the already-open check and
  // without a box; null when it could not be read.
  DocumentWindow* openDroppedDocument(const std::string& path);

  // The document window the user worked in last (or the newest), which the
  // Find dialog acts on; null when none is open.
  DocumentWindow* activeDocument() const;

  // How files are read: where the HTML importer finds its support folder.
  DocumentOpenOptions& openOptions() { return openOptions_; }
  FindSettings& findSettings() { return find_; }
  // Made by the first "Find..." and kept; null before.
  FindDialog* findDialog() { return findDialog_.get(); }
  SettingsStore& settings() { return *settings_; }
  CrashRecovery& recovery() { return recovery_; }
  BuildLogWindow& buildLog() { return buildLog_; }
  // The one Edit Objects dialog, made on first use.
  EditObjectsDialog& editObjects();

  bool handles(Command command) const override;
  bool enabled(Command command) const override;
  int checkState(Command) const override { return kUnchecked; }
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  DocumentWindow* show(std::unique_ptr<class EditorDocument> document);
  // Loads the file into a new document; null, with the result telling why,
  // when it did not load.
  std::unique_ptr<class EditorDocument> load(const std::string& path, DocumentOpenResult& result);
  void documentClosing(DocumentWindow* window);
  bool restoreLeftDocuments();
  bool closeAll(int mode);
  void endMainLoop();
  void showFindDialog();

  std::unique_ptr<SettingsStore> settings_;
  CrashRecovery recovery_;
  FindSettings find_;
  std::unique_ptr<FindDialog> findDialog_;
  QPointer<DocumentWindow> lastActive_;
  QMetaObject::Connection activeTracking_;
  BuildLogWindow buildLog_;
  BuildLogWindowSink logSink_;
  std::unique_ptr<ScopedLogSink> installedSink_;
  std::list<DocumentWindow*> documents_;
  DocumentOpenOptions openOptions_;
  bool running_ = false;
  std::unique_ptr<EditObjectsDialog> editObjects_;
};

}  // namespace scrivora
