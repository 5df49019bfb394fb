#include "ShortcutRouter.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <algorithm>

namespace scrivora {

QEvent::Type CommandEvent::eventType() {
  static const QEvent::Type type = QEvent::Type(QEvent::registerEventType());
  return type;
}

ShortcutRouter& ShortcutRouter::instance() {
  static ShortcutRouter* router = nullptr;
  if (router == nullptr) {
    router = new ShortcutRouter;
    router->setParent(QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(router);
    // A later application in the same process (tests) gets a router anew.
    QObject::connect(router, &QObject::destroyed, [] { router = nullptr; });
  }
  return *router;
}

void ShortcutRouter::registerWindow(QWidget* window, const ShortcutTable* table) {
  unregisterWindow(window);
  entries_.push_back({window, table});
}

void ShortcutRouter::unregisterWindow(QWidget* window) {
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [window](const Entry& e) { return e.window == window || e.window.isNull(); }),
                 entries_.end());
}

bool ShortcutRouter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) return false;
  // Only keys typed in the window itself: its menus' pop-ups and its dialogs
  // are windows of their own and keep their keys.
  QWidget* window = static_cast<QWidget*>(watched)->window();
  for (const Entry& entry : entries_) {
    if (entry.window != window) continue;
    const Command command = entry.table->commandAt(shortcutSlotOf(*static_cast<QKeyEvent*>(event)));
    if (command == 0) return false;
    QCoreApplication::postEvent(window, new CommandEvent(command));
    return true;
  }
  return false;
}

}  // namespace scrivora
