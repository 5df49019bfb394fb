#include "ShortcutTable.h"

#include <QKeyEvent>

namespace scrivora {

int ShortcutTable::slotOf(uint8_t key, uint8_t modifiers) {
  int slot = key;
  if (modifiers & kCtrlKey) slot += 256;
  if (modifiers & kShiftKey) slot += 512;
  if (modifiers & kAltKey) slot += 1024;
  return slot;
}

void ShortcutTable::assign(uint8_t key, uint8_t modifiers, Command command) {
  if (key != 0) slots_[size_t(slotOf(key, modifiers))] = command;
}

Command ShortcutTable::commandAt(int slot) const {
  return slot > 0 && slot < kSlots ? slots_[size_t(slot)] : Command(0);
}

namespace {

// With Shift held, the digit row reports the symbol printed above the digit.
// The physical key tells the digit on Linux (evdev key codes 10 to 19 are the
// keys 1 to 9 and 0, whatever the layout); the US symbols cover the rest.
uint8_t digitOfShiftedKey(const QKeyEvent& event) {
  const quint32 scanCode = event.nativeScanCode();
  if (scanCode >= 10 && scanCode <= 19) return uint8_t(scanCode == 19 ? '0' : '1' + (scanCode - 10));
  switch (event.key()) {
    case Qt::Key_Exclam: return '1';
    case Qt::Key_At: return '2';
    case Qt::Key_NumberSign: return '3';
    case Qt::Key_Dollar: return '4';
    case Qt::Key_Percent: return '5';
    case Qt::Key_AsciiCircum: return '6';
    case Qt::Key_Ampersand: return '7';
    case Qt::Key_Asterisk: return '8';
    case Qt::Key_ParenLeft: return '9';
    case Qt::Key_ParenRight: return '0';
    default: return 0;
  }
}

}  // namespace

uint8_t virtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return uint8_t('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return uint8_t('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return uint8_t(kKeyF1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyReturn;
    case Qt::Key_Delete: return kKeyDelete;
    case Qt::Key_Backspace: return 0x08;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return 0x09;
    case Qt::Key_Escape: return 0x1B;
    case Qt::Key_Space: return 0x20;
    case Qt::Key_PageUp: return 0x21;
    case Qt::Key_PageDown: return 0x22;
    case Qt::Key_End: return 0x23;
    case Qt::Key_Home: return 0x24;
    case Qt::Key_Left: return 0x25;
    case Qt::Key_Up: return 0x26;
    case Qt::Key_Right: return 0x27;
    case Qt::Key_Down: return 0x28;
    case Qt::Key_Insert: return 0x2D;
    case Qt::Key_Equal:
    case Qt::Key_Plus:
      // The main keyboard's = key, whether or not Shift makes it a +.
      if (!(event.modifiers() & Qt::KeypadModifier)) return kKeyEquals;
      return 0;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
      if (!(event.modifiers() & Qt::KeypadModifier)) return kKeyMinus;
      return 0;
    default: break;
  }
  if (event.modifiers() & Qt::ShiftModifier) return digitOfShiftedKey(event);
  return 0;
}

int shortcutSlotOf(const QKeyEvent& event) {
  const uint8_t key = virtualKeyOf(event);
  if (key == 0) return 0;
  uint8_t modifiers = 0;
  const Qt::KeyboardModifiers held = event.modifiers();
  if (held & Qt::ControlModifier) modifiers |= kCtrlKey;
  if (held & Qt::ShiftModifier) modifiers |= kShiftKey;
  if (held & Qt::AltModifier) modifiers |= kAltKey;
  return ShortcutTable::slotOf(key, modifiers);
}

}  // namespace scrivora
