#pragma once
// Looks up key presses in the shortcut table of the window they are typed
// in, before any widget sees them. A key that has a command in the table is
// posted to that window as the command and consumed, also when the command
// turns out to be disabled; every other key goes on to its widget.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <vector>

#include "ShortcutTable.h"

namespace scrivora {

// A command posted to a window, to be dispatched when the event loop gets to it.
class CommandEvent : public QEvent {
 public:
  static QEvent::Type eventType();
  explicit CommandEvent(Command command) : QEvent(eventType()), command_(command) {}
  Command command() const { return command_; }

 private:
  Command command_;
};

class ShortcutRouter : public QObject {
  Q_OBJECT

 public:
  // The router of the running application, installed on first use.
  static ShortcutRouter& instance();

  void registerWindow(QWidget* window, const ShortcutTable* table);
  void unregisterWindow(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    QPointer<QWidget> window;
    const ShortcutTable* table;
  };
  std::vector<Entry> entries_;
};

}  // namespace scrivora
