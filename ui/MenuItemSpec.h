#pragma once
// Menus are built from one table of constant records. A record names the
// submenu it belongs to (0 for the menu bar), its label ("&" before the
// mnemonic, "&&" for an ampersand, a tab before the shortcut's display text),
// its command and its shortcut. A record without a label is a separator.

#include <cstdint>

#include "CommandTarget.h"

namespace scrivora {

struct MenuItemSpec {
  Command parent;     // the submenu's command; 0 for the menu bar
  const char* label;  // null for a separator
  Command command;
  uint8_t key;        // virtual-key code; 0 for no shortcut
  uint8_t modifiers;  // kShiftKey, kCtrlKey, kAltKey

  // Records whose command lies in this range are submenus.
  static constexpr Command kFirstSubmenu = 15000;
  static constexpr Command kLastSubmenu = 19999;
  bool isSeparator() const { return label == nullptr; }
  bool isSubmenu() const { return parent == 0 || (command >= kFirstSubmenu && command <= kLastSubmenu); }
};

}  // namespace scrivora
