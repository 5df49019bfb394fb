#pragma once
// A window's keyboard shortcuts: 2048 command slots, one per key and
// modifier combination. The slot of a shortcut is its virtual-key code plus
// 256 with Ctrl, 512 with Shift and 1024 with Alt.

#include <array>
#include <cstdint>

#include "CommandTarget.h"

class QKeyEvent;

namespace scrivora {

// Modifier bits of a menu record's shortcut.
constexpr uint8_t kShiftKey = 1;
constexpr uint8_t kCtrlKey = 2;
constexpr uint8_t kAltKey = 16;

// Virtual-key codes of the keys the menus use besides letters and digits,
// which are their own upper-case character codes.
constexpr uint8_t kKeyReturn = 0x0D;
constexpr uint8_t kKeyDelete = 0x2E;
constexpr uint8_t kKeyF1 = 0x70;
constexpr uint8_t kKeyEquals = 0xBB;  // the = and + key
constexpr uint8_t kKeyMinus = 0xBD;   // the - and _ key

class ShortcutTable {
 public:
  static constexpr int kSlots = 2048;

  static int slotOf(uint8_t key, uint8_t modifiers);
  void assign(uint8_t key, uint8_t modifiers, Command command);
  // The command in a slot, 0 for none or a slot out of range.
  Command commandAt(int slot) const;

 private:
  std::array<Command, kSlots> slots_{};
};

// The virtual-key code of a key press, 0 for a key without one.
uint8_t virtualKeyOf(const QKeyEvent& event);
// The slot of a key press, 0 when the key has no virtual-key code.
int shortcutSlotOf(const QKeyEvent& event);

}  // namespace scrivora
