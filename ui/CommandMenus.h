#pragma once
// A menu bar built from a table of MenuItemSpec records. Choosing an item
// hands its command to the window's router; before a menu opens, each of its
// items is refreshed from the router: greyed unless enabled, and marked with
// the full or the partial check mark.

#include <QMenuBar>
#include <QObject>

#include <map>
#include <vector>

#include "MenuItemSpec.h"
#include "ShortcutTable.h"

class QAction;
class QMenu;

namespace scrivora {

// What a window's menus, toolbar and shortcuts ask about their commands.
class CommandRouter {
 public:
  virtual ~CommandRouter() = default;
  virtual bool commandEnabled(Command command) const = 0;
  virtual int commandCheckState(Command command) const = 0;
  virtual void dispatchCommand(Command command) = 0;
};

class CommandMenus : public QObject {
  Q_OBJECT

 public:
  // Fills the bar and the shortcut table from the records, in table order.
  CommandMenus(const std::vector<MenuItemSpec>& table, QMenuBar& bar, ShortcutTable& shortcuts, CommandRouter& router);

  // Appends a last menu with a single entry (the Help menu).
  void appendMenu(const char* title, Command menuCommand, const char* itemLabel, Command itemCommand);

  QAction* actionFor(Command command) const;
  QMenu* menuFor(Command command) const;
  const std::vector<QAction*>& actions() const { return actions_; }

  // Refreshes every item of a menu from the router.
  void refresh(QMenu& menu);

 private:
  QAction* addItem(QMenu& menu, const char* label, Command command);
  QMenu* addMenu(QWidget& parentMenu, const char* label, Command command, bool onBar);

  QMenuBar& bar_;
  CommandRouter& router_;
  std::map<Command, QMenu*> menus_;
  std::vector<QAction*> actions_;
};

}  // namespace scrivora
