#include "CommandMenus.h"

#include <QMenu>

#include "CheckMarks.h"

namespace scrivora {

namespace {
constexpr const char* kCommandProperty = "scrivoraCommand";

Command commandOf(const QAction* action) { return Command(action->property(kCommandProperty).toUInt()); }
}  // namespace

CommandMenus::CommandMenus(const std::vector<MenuItemSpec>& table, QMenuBar& bar, ShortcutTable& shortcuts,
                           CommandRouter& router)
    : QObject(&bar), bar_(bar), router_(router) {
  for (const MenuItemSpec& record : table) {
    if (record.isSubmenu() && !record.isSeparator()) {
      QMenu* parentMenu = record.parent == 0 ? nullptr : menuFor(record.parent);
      if (parentMenu != nullptr)
        addMenu(*parentMenu, record.label, record.command, false);
      else
        addMenu(bar_, record.label, record.command, true);
      continue;
    }
    QMenu* menu = menuFor(record.parent);
    if (menu == nullptr) continue;
    if (record.isSeparator()) {
      menu->addSeparator();
      continue;
    }
    addItem(*menu, record.label, record.command);
    shortcuts.assign(record.key, record.modifiers, record.command);
  }
}

QMenu* CommandMenus::addMenu(QWidget& parent, const char* label, Command command, bool onBar) {
  QMenu* menu = new QMenu(QString::fromLatin1(label), &parent);
  menu->menuAction()->setProperty(kCommandProperty, uint(command));
  if (onBar)
    bar_.addMenu(menu);
  else
    static_cast<QMenu&>(parent).addMenu(menu);
  menus_[command] = menu;
  connect(menu, &QMenu::aboutToShow, this, [this, menu] { refresh(*menu); });
  return menu;
}

QAction* CommandMenus::addItem(QMenu& menu, const char* label, Command command) {
  // The text after the tab is shown as the shortcut; the key itself is
  // handled by the window's shortcut table, not by the action.
  QAction* action = menu.addAction(QString::fromLatin1(label));
  action->setProperty(kCommandProperty, uint(command));
  action->setIconVisibleInMenu(true);
  connect(action, &QAction::triggered, this, [this, command] { router_.dispatchCommand(command); });
  actions_.push_back(action);
  return action;
}

void CommandMenus::appendMenu(const char* title, Command menuCommand, const char* itemLabel, Command itemCommand) {
  QMenu* menu = addMenu(bar_, title, menuCommand, true);
  addItem(*menu, itemLabel, itemCommand);
}

QAction* CommandMenus::actionFor(Command command) const {
  for (QAction* action : actions_)
    if (commandOf(action) == command) return action;
  return nullptr;
}

QMenu* CommandMenus::menuFor(Command command) const {
  const auto found = menus_.find(command);
  return found != menus_.end() ? found->second : nullptr;
}

void CommandMenus::refresh(QMenu& menu) {
  for (QAction* action : menu.actions()) {
    if (action->isSeparator()) continue;
    const Command command = commandOf(action);
    if (action->menu() != nullptr) {
      action->setEnabled(true);  // submenus are always enabled
      continue;
    }
    action->setEnabled(router_.commandEnabled(command));
    action->setIcon(checkMarkIcon(router_.commandCheckState(command)));
  }
}

}  // namespace scrivora
