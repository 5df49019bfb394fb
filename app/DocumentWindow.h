#pragma once
// A document's top-level window: its own menu bar and shortcuts, the
// formatting toolbar, and the text view, as wide as the handheld's screen at
// the document's zoom. The window only wires: each command is answered by
// the engine it belongs to.

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "CommandMenus.h"
#include "EditorDocument.h"
#include "SettingsStore.h"
#include "ShortcutTable.h"

namespace scrivora {

class DocumentTextView;
class FormattingToolBar;
class PagePreviewPane;
class FindSettings;

// The geometry of a document window at a zoom factor.
struct ZoomGeometry {
  int width, minimumHeight, defaultHeight, maximumHeight;
  static ZoomGeometry at(int zoom);
};

class DocumentWindow : public QMainWindow, public CommandTarget, public CommandRouter {
  Q_OBJECT

 public:
  // `closing` is told when the window has agreed to close, before it goes.
  DocumentWindow(std::unique_ptr<EditorDocument> document, FindSettings& find, SettingsStore& settings,
                 std::function<void(DocumentWindow*)> closing);
  ~DocumentWindow() override;

  EditorDocument& document() { return *document_; }
  DocumentTextView& view() { return *view_; }
  // The character at the top left of the text view, kept for the next run.
  int firstVisibleCharacter() const;
  FormattingToolBar& toolBar() { return *toolBar_; }
  PagePreviewPane& preview() { return *preview_; }
  CommandMenus& menus() { return *menus_; }
  const ShortcutTable& shortcuts() const { return shortcuts_; }

  // Asks the close query and, when it agrees, closes the window. Mode 0
  // asks the user, 1 saves, 2 discards.
  bool requestClose(int mode = 0);
  // What decides whether the window may close; allows it by default.
  void setCloseQuery(std::function<bool(int mode)> query) { closeQuery_ = std::move(query); }

  // CommandTarget.
  bool handles(Command command) const override;
  bool enabled(Command command) const override;
  int checkState(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

  // CommandRouter: through the chain, this window first.
  bool commandEnabled(Command command) const override;
  int commandCheckState(Command command) const override;
  void dispatchCommand(Command command) override;

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void applyZoomGeometry(int zoom);
  // The window's place, size, zoom, selection and first visible character,
  // kept for its file from one run to the next.
  void restorePlacement();
  void savePlacement();
  SettingsScope settingsScope() const;
  void scrollToFirstChar(int position);
  CommandTarget* groupFor(Command command) const;
  void scheduleToolBarRefresh();

  std::unique_ptr<EditorDocument> document_;
  DocumentTextView* view_;
  FormattingToolBar* toolBar_;
  PagePreviewPane* preview_;
  CommandMenus* menus_;
  ShortcutTable shortcuts_;
  std::vector<std::unique_ptr<CommandTarget>> groups_;
  SettingsStore& settings_;
  std::function<void(DocumentWindow*)> closing_;
  std::function<bool(int)> closeQuery_;
  bool closeAgreed_ = false;
  bool toolBarRefreshPending_ = false;
  std::optional<int> firstCharToShow_;
};

}  // namespace scrivora
