#include "Application.h"

#include <QApplication>
#include <QFileInfo>

#include <algorithm>

#include "AboutDialog.h"
#include "CommandChain.h"
#include "Commands.h"
#include "DocumentOpening.h"
#include "DocumentWindow.h"
#include "EditObjectsDialog.h"
#include "FindDialog.h"
#include "FindOptionsStorage.h"
#include "LogPlaceFollowing.h"
#include "Product.h"

namespace scrivora {

namespace {

Application* theApplication = nullptr;

// Bound to the application's lifetime: the wait cursor while a file loads.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

Application::Application(std::unique_ptr<SettingsStore> settings, const std::string& recoveryFolder)
    : settings_(settings ? std::move(settings) : std::make_unique<SettingsStore>(QString::fromLatin1(kProductName))),
      recovery_(recoveryFolder.empty() ? RecoveryFolder::defaultPath() : recoveryFolder),
      logSink_(buildLog_) {
  if (theApplication == nullptr) theApplication = this;
  loadFindOptions(find_, *settings_);
  // The Find dialog acts on the document window that last had the keyboard.
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
    activeTracking_ = QObject::connect(app, &QApplication::focusChanged, [this](QWidget*, QWidget* now) {
      if (auto* window = qobject_cast<DocumentWindow*>(now != nullptr ? now->window() : nullptr)) lastActive_ = window;
    });
  CommandChain::instance().joinAtTail(this);
  // Every message of a build or a load reaches the build log window: from
  // reports under this thread's sink object and through the function slots.
  installedSink_ = std::make_unique<ScopedLogSink>(logSink_);
  routeLogSlotsTo(&buildLog_);
  buildLog_.setPlaceFollower([this](const SourcePosition& place) { followLogPlace(*this, place); });
}

Application::~Application() {
  running_ = false;
  QObject::disconnect(activeTracking_);
  saveFindOptions(find_, *settings_);
  // Windows still open (tests, or a session ended from outside) go without
  // asking.
  while (!documents_.empty()) {
    DocumentWindow* window = documents_.front();
    documents_.pop_front();
    delete window;
  }
  buildLog_.destroy();
  routeLogSlotsTo(nullptr);
  installedSink_.reset();
  CommandChain::instance().leave(this);
  if (theApplication == this) theApplication = nullptr;
}

Application* Application::instance() { return theApplication; }

EditObjectsDialog& Application::editObjects() {
  if (!editObjects_) editObjects_ = std::make_unique<EditObjectsDialog>(*settings_);
  return *editObjects_;
}

void Application::start(const QStringList& files) {
  bool opened = restoreLeftDocuments();
  for (const QString& file : files) {
    // A word that names no existing file is skipped without a word.
    if (!QFileInfo::exists(file)) continue;
    const std::string path = file.toStdString();
    if (perform(cmd::kOpen, &path, 0)) opened = true;
  }
  if (!opened) perform(cmd::kNew, nullptr, 0);
}

bool Application::restoreLeftDocuments() {
  bool restored = false;
  for (CrashRecovery::Restored& left : recovery_.offerLeftCopies(nullptr)) {
    CrashRecovery::adopt(*show(std::move(left.document)), left.copy);
    restored = true;
  }
  return restored;
}

int Application::run() {
  if (documents_.empty()) return 0;
  running_ = true;
  const int code = QApplication::exec();
  running_ = false;
  // The windows that closed last are deleted before the application goes.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return code;
}

DocumentWindow* Application::show(std::unique_ptr<EditorDocument> document) {
  auto* window = new DocumentWindow(std::move(document), find_, *settings_,
                                    [this](DocumentWindow* closing) { documentClosing(closing); });
  recovery_.watch(*window);
  documents_.push_front(window);
  lastActive_ = window;
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

DocumentWindow* Application::newDocument() { return show(EditorDocument::untitled()); }

std::unique_ptr<EditorDocument> Application::load(const std::string& path, DocumentOpenResult& result) {
  auto document = std::make_unique<EditorDocument>();
  WaitCursor wait;
  // The log shows this file's messages only.
  buildLog_.clear();
  result = document->load(path, openOptions_);
  if (!result.loaded()) return nullptr;
  return document;
}

DocumentWindow* Application::openDocument(const std::string& path) {
  if (DocumentWindow* open = windowWithFile(documents_, path)) {
    lastActive_ = open;
    open->raise();
    open->activateWindow();
    return open;
  }
  DocumentOpenResult result;
  std::unique_ptr<EditorDocument> document =
      load(QFileInfo(QString::fromStdString(path)).absoluteFilePath().toStdString(), result);
  if (document == nullptr) {
    reportLoadResult(result, QApplication::activeWindow());
    return nullptr;
  }
  DocumentWindow* window = show(std::move(document));
  reportLoadResult(result, window);
  return window;
}

DocumentWindow* Application::activeDocument() const {
  DocumentWindow* last = lastActive_.data();
  if (last != nullptr && std::find(documents_.begin(), documents_.end(), last) != documents_.end()) return last;
  return documents_.empty() ? nullptr : documents_.front();
}

void Application::showFindDialog() {
  if (!findDialog_)
    findDialog_ =
        std::make_unique<FindDialog>(find_, *settings_, [this]() -> CommandTarget* { return activeDocument(); });
  findDialog_->showForSearch();
}

DocumentWindow* Application::openDroppedDocument(const std::string& path) {
  DocumentOpenResult result;
  std::unique_ptr<EditorDocument> document = load(path, result);
  return document != nullptr ? show(std::move(document)) : nullptr;
}

void Application::documentClosing(DocumentWindow* window) {
  recovery_.closed(*window);
  documents_.remove(window);
  // The build log window does not keep the program alive.
  if (documents_.empty()) endMainLoop();
}

void Application::endMainLoop() {
  if (!running_) return;
  running_ = false;
  QApplication::exit(0);
}

bool Application::closeAll(int mode) {
  // The newest first, stopping at the first that refuses.
  while (!documents_.empty()) {
    DocumentWindow* window = documents_.front();
    if (!window->perform(cmd::kClose, nullptr, uintptr_t(mode))) return false;
  }
  return true;
}

bool Application::handles(Command command) const {
  switch (command) {
    case cmd::kNew:
    case cmd::kOpen:
    case cmd::kAbout:
    case cmd::kQuit:
    case cmd::kCloseAll:
    case cmd::kSaveAll:
    case cmd::kEnsureDocument:
    case cmd::kFind:
    case cmd::kFileMenu:
    case cmd::kEditMenu:
    case cmd::kHelpMenu: return true;
    default: return false;
  }
}

bool Application::enabled(Command command) const {
  if (command == cmd::kCloseAll) return !documents_.empty();
  if (command == cmd::kSaveAll) {
    for (DocumentWindow* window : documents_)
      if (window->enabled(cmd::kSave)) return true;
    return false;
  }
  return handles(command);
}

bool Application::perform(Command command, const void* argument, uintptr_t extra) {
  switch (command) {
    case cmd::kNew: newDocument(); return true;
    case cmd::kOpen:
      if (argument == nullptr) {
        const std::string chosen = chooseFileToOpen();
        return !chosen.empty() && openDocument(chosen) != nullptr;
      }
      return openDocument(*static_cast<const std::string*>(argument)) != nullptr;
    case cmd::kAbout: {
      AboutDialog about(QApplication::activeWindow());
      about.exec();
      return true;
    }
    case cmd::kQuit:
      if (!closeAll(int(extra))) return false;
      endMainLoop();
      return true;
    case cmd::kCloseAll: return closeAll(int(extra));
    case cmd::kSaveAll:
      for (DocumentWindow* window : std::list<DocumentWindow*>(documents_))
        if (window->enabled(cmd::kSave)) window->perform(cmd::kSave, nullptr, 0);
      return true;
    case cmd::kEnsureDocument:
      if (documents_.empty()) newDocument();
      return true;
    case cmd::kFind: showFindDialog(); return true;
    default: return false;
  }
}

}  // namespace scrivora
