#include "DocumentWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "BookCommands.h"
#include "CommandChain.h"
#include "Commands.h"
#include "DocumentTextView.h"
#include "EditCommands.h"
#include "FileCommands.h"
#include "FormattingCommands.h"
#include "FormattingToolBar.h"
#include "MenuTable.h"
#include "PagePreviewPane.h"
#include "Product.h"
#include "SearchCommands.h"
#include "SettingsStore.h"
#include "ShortcutRouter.h"
#include "TextContextMenu.h"
#include "ViewCommands.h"
#include "WindowPlacement.h"

namespace scrivora {

ZoomGeometry ZoomGeometry::at(int zoom) {
  const int width = zoom == 1 ? 349 : 158 * zoom + 33;
  return {width, 148 * zoom + 4, 296 * zoom + 4, 32767};
}

DocumentWindow::DocumentWindow(std::unique_ptr<EditorDocument> document, FindSettings& find, SettingsStore& settings,
                               std::function<void(DocumentWindow*)> closing)
    : document_(std::move(document)),
      view_(new DocumentTextView(document_->text(), this)),
      toolBar_(new FormattingToolBar(*this, this)),
      preview_(new PagePreviewPane(document_->text(), *view_, this)),
      settings_(settings),
      closing_(std::move(closing)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(document_->name());
  setCentralWidget(view_);
  addToolBar(Qt::TopToolBarArea, toolBar_);
  addDockWidget(Qt::RightDockWidgetArea, preview_);
  preview_->hide();
  setContextMenuPolicy(Qt::NoContextMenu);

  menus_ = new CommandMenus(menuTable(), *menuBar(), shortcuts_, *this);
  const QByteArray about = QStringLiteral("&About %1...").arg(QString::fromLatin1(kProductName)).toLatin1();
  menus_->appendMenu(kHelpMenuLabel, cmd::kHelpMenu, about.constData(), cmd::kAbout);
  // Nine menus have to fit the handheld-wide window as far as they can; the
  // bar's own button shows the rest at the narrowest zooms.
  menuBar()->setStyleSheet(QStringLiteral("QMenuBar { font-size: 8pt; } QMenuBar::item { padding: 2px 2px; }"));
  // Raising and lowering have no menu entry, only their keys.
  shortcuts_.assign(kKeyEquals, kCtrlKey | kShiftKey, cmd::kSuperscript);
  shortcuts_.assign(kKeyEquals, kCtrlKey, cmd::kSubscript);
  ShortcutRouter::instance().registerWindow(this, &shortcuts_);

  TextDocumentModel& text = document_->text();
  groups_.push_back(std::make_unique<EditCommands>(*view_));
  groups_.push_back(std::make_unique<FormattingCommands>(text));
  groups_.push_back(std::make_unique<ViewCommands>(*document_, [this](int zoom) { applyZoomGeometry(zoom); }));
  groups_.push_back(std::make_unique<BookCommands>(text, *this));
  groups_.push_back(std::make_unique<SearchCommands>(find, *document_, *view_));
  groups_.push_back(std::make_unique<FileCommands>(*this));
  groups_.push_back(
      std::make_unique<PagePreviewCommands>(*preview_, [this] { applyZoomGeometry(document_->text().zoom()); }));

  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view_, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { showTextContextMenu(*this, at); });
  connect(view_, &QTextEdit::cursorPositionChanged, this, &DocumentWindow::scheduleToolBarRefresh);
  connect(view_, &QTextEdit::selectionChanged, this, &DocumentWindow::scheduleToolBarRefresh);
  connect(view_->document(), &QTextDocument::contentsChanged, this, &DocumentWindow::scheduleToolBarRefresh);

  restorePlacement();
  toolBar_->refresh();
  view_->setFocus();
}

DocumentWindow::~DocumentWindow() {
  ShortcutRouter::instance().unregisterWindow(this);
  CommandChain::instance().leave(this);
  // The view and the preview go before the document they show.
  delete preview_;
  delete view_;
}

void DocumentWindow::applyZoomGeometry(int zoom) {
  const ZoomGeometry geometry = ZoomGeometry::at(zoom);
  // The page preview sits beside the text and widens the window.
  const int width = geometry.width + (preview_->shown() ? preview_->widthAt(zoom) : 0);
  setMinimumSize(width, geometry.minimumHeight);
  setMaximumSize(width, geometry.maximumHeight);
  resize(width, std::max(height(), geometry.minimumHeight));
  view_->setZoom(zoom);
  preview_->setZoom(zoom);
}

void DocumentWindow::restorePlacement() {
  const std::optional<WindowPlacement> stored = readWindowPlacement(settings_, settingsScope());
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
  const FittedPlacement fitted =
      stored ? fitWindowPlacement(*stored, document_->text().length(), screens) : FittedPlacement();
  // The zoom comes back the way the zoom commands set it: window, fonts and
  // objects together.
  if (fitted.zoom != document_->text().zoom()) perform(cmd::kZoom1 + Command(fitted.zoom - 1), nullptr, 0);
  applyZoomGeometry(fitted.zoom);
  const ZoomGeometry geometry = ZoomGeometry::at(fitted.zoom);
  resize(geometry.width, stored ? fitted.height : geometry.defaultHeight);
  if (!stored) return;
  if (fitted.position) move(*fitted.position);
  document_->text().setSelection(fitted.selectionStart, fitted.selectionEnd);
  // The view can scroll only once it is shown at its final size.
  firstCharToShow_ = fitted.firstChar;
}

void DocumentWindow::scrollToFirstChar(int position) {
  QTextCursor first(view_->document());
  first.setPosition(std::clamp(position, 0, document_->text().length()));
  QScrollBar* bar = view_->verticalScrollBar();
  bar->setValue(bar->value() + view_->cursorRect(first).top());
}

void DocumentWindow::savePlacement() {
  const TextDocumentModel& text = document_->text();
  WindowPlacement placement;
  placement.x = x();
  placement.y = y();
  placement.width = width();
  placement.height = height();
  placement.zoom = text.zoom();
  placement.selectionStart = text.selectionStart();
  placement.selectionEnd = text.selectionEnd();
  placement.firstChar = firstVisibleCharacter();
  writeWindowPlacement(settings_, settingsScope(), placement);
}

int DocumentWindow::firstVisibleCharacter() const {
  // One pixel down: a line scrolled exactly to the top edge shares that edge
  // with the bottom of the line above, which would win at the edge itself.
  return view_->cursorForPosition(QPoint(0, 1)).position();
}

SettingsScope DocumentWindow::settingsScope() const {
  // Untitled documents and imports have no file and keep nothing.
  return SettingsScope::ofDocumentFile(QString::fromStdString(document_->path()));
}

CommandTarget* DocumentWindow::groupFor(Command command) const {
  for (const auto& group : groups_)
    if (group->handles(command)) return group.get();
  return nullptr;
}

bool DocumentWindow::handles(Command command) const { return command == cmd::kClose || groupFor(command) != nullptr; }

bool DocumentWindow::enabled(Command command) const {
  if (command == cmd::kClose) return true;
  CommandTarget* group = groupFor(command);
  return group != nullptr && group->enabled(command);
}

int DocumentWindow::checkState(Command command) const {
  CommandTarget* group = groupFor(command);
  return group != nullptr ? group->checkState(command) : kUnchecked;
}

bool DocumentWindow::perform(Command command, const void* argument, uintptr_t extra) {
  if (command == cmd::kClose) return requestClose(int(extra));
  CommandTarget* group = groupFor(command);
  if (group == nullptr) return false;
  const bool done = group->perform(command, argument, extra);
  scheduleToolBarRefresh();
  return done;
}

bool DocumentWindow::commandEnabled(Command command) const {
  return CommandChain::instance().enabled(command, const_cast<DocumentWindow*>(this));
}

int DocumentWindow::commandCheckState(Command command) const {
  return CommandChain::instance().checkState(command, const_cast<DocumentWindow*>(this));
}

void DocumentWindow::dispatchCommand(Command command) { CommandChain::instance().dispatch(command, nullptr, 0, this); }

bool DocumentWindow::requestClose(int mode) {
  if (closeQuery_ && !closeQuery_(mode)) return false;
  savePlacement();
  closeAgreed_ = true;
  if (closing_) closing_(this);
  hide();
  close();
  return true;
}

bool DocumentWindow::event(QEvent* event) {
  if (event->type() == CommandEvent::eventType()) {
    dispatchCommand(static_cast<CommandEvent*>(event)->command());
    return true;
  }
  if (event->type() == QEvent::WindowActivate) CommandChain::instance().join(this);
  if (event->type() == QEvent::WindowDeactivate) CommandChain::instance().leave(this);
  const bool handled = QMainWindow::event(event);
  if (event->type() == QEvent::Show && firstCharToShow_) {
    scrollToFirstChar(*firstCharToShow_);
    firstCharToShow_.reset();
  }
  return handled;
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
  if (closeAgreed_) {
    event->accept();
    return;
  }
  // The close box asks as Close with mode 0; the command closes the window
  // itself when the query agrees.
  event->ignore();
  CommandChain::instance().dispatch(cmd::kClose, nullptr, 0, this);
}

void DocumentWindow::scheduleToolBarRefresh() {
  // Coalesced: typing fires several signals per key.
  if (toolBarRefreshPending_) return;
  toolBarRefreshPending_ = true;
  QTimer::singleShot(0, this, [this] {
    toolBarRefreshPending_ = false;
    toolBar_->refresh();
  });
}

}  // namespace scrivora
