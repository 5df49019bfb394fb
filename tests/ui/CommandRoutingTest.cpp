#include <gtest/gtest.h>

#include <QKeyEvent>

#include <map>

#include "CommandChain.h"
#include "ShortcutTable.h"

namespace scrivora {
namespace {

// A target that handles a fixed set of commands and counts what it performs.
class Target : public CommandTarget {
 public:
  explicit Target(std::map<Command, bool> enabled) : enabled_(std::move(enabled)) {}
  bool handles(Command c) const override { return enabled_.count(c) != 0; }
  bool enabled(Command c) const override { return enabled_.at(c); }
  int checkState(Command) const override { return kChecked; }
  bool perform(Command c, const void*, uintptr_t) override {
    performed.push_back(c);
    return true;
  }
  std::vector<Command> performed;

 private:
  std::map<Command, bool> enabled_;
};

TEST(CommandChainTest, NewestHandlerFirstAndDisabledCommandsDoNothing) {
  CommandChain chain;
  Target application({{1, true}, {2, true}});
  Target older({{1, true}, {3, false}});
  Target newer({{1, true}});
  chain.joinAtTail(&application);
  chain.join(&older);
  chain.join(&newer);

  EXPECT_TRUE(chain.dispatch(1));
  EXPECT_EQ(newer.performed, std::vector<Command>{1});
  EXPECT_TRUE(older.performed.empty());
  EXPECT_TRUE(chain.dispatch(2));  // only the application handles it
  EXPECT_EQ(application.performed, std::vector<Command>{2});
  EXPECT_FALSE(chain.dispatch(3));  // handled but disabled
  EXPECT_TRUE(older.performed.empty());
  EXPECT_FALSE(chain.dispatch(4));  // nobody's
  EXPECT_EQ(chain.checkState(4), kUnchecked);

  // A deactivated window leaves; the next one down answers again.
  chain.leave(&newer);
  EXPECT_EQ(chain.activeWindow(), nullptr);
  EXPECT_TRUE(chain.dispatch(1));
  EXPECT_EQ(older.performed, std::vector<Command>{1});
  // A window asks for itself first, active or not.
  EXPECT_TRUE(chain.dispatch(1, nullptr, 0, &newer));
  EXPECT_EQ(newer.performed, (std::vector<Command>{1, 1}));
}

TEST(ShortcutTableTest, SlotsAndKeyPresses) {
  ShortcutTable table;
  table.assign('B', kCtrlKey, 20072);
  table.assign('1', kCtrlKey | kShiftKey, 20040);
  table.assign('1', kAltKey | kShiftKey, 20061);
  table.assign(kKeyF1 + 2, kShiftKey, 20022);
  table.assign(kKeyReturn, kShiftKey, 20055);
  EXPECT_EQ(ShortcutTable::slotOf('B', kCtrlKey), 'B' + 256);
  EXPECT_EQ(ShortcutTable::slotOf(0xFF, kCtrlKey | kShiftKey | kAltKey), 2047);

  struct Case {
    int key;
    Qt::KeyboardModifiers modifiers;
    quint32 scanCode;
    Command command;
  };
  const Case cases[] = {
      {Qt::Key_B, Qt::ControlModifier, 0, 20072},
      {Qt::Key_B, Qt::NoModifier, 0, 0},
      {Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier, 0, 0},
      {Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier, 0, 20040},
      // Shift turns the digit into its symbol; the key is still the digit.
      {Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, 0, 20040},
      {Qt::Key_section, Qt::AltModifier | Qt::ShiftModifier, 10, 20061},
      {Qt::Key_F3, Qt::ShiftModifier, 0, 20022},
      {Qt::Key_Enter, Qt::ShiftModifier, 0, 20055},
      {Qt::Key_Delete, Qt::NoModifier, 0, 0},
  };
  for (const Case& c : cases) {
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.scanCode, 0, 0);
    EXPECT_EQ(table.commandAt(shortcutSlotOf(event)), c.command) << c.key;
  }
}

}  // namespace
}  // namespace scrivora
