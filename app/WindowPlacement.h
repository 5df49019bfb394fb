#pragma once
// What a document window remembers of itself for its file between runs:
// where it stood, its size, its zoom, the selection and the first character
// in view. The values are kept in the settings store under the file, read
// and written each in its fixed order; a file that has moved or shrunk since
// gets back what still fits.

#include <QList>
#include <QRect>

#include <cstdint>
#include <optional>

namespace scrivora {

class SettingsScope;
class SettingsStore;

struct WindowPlacement {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t selectionStart = 0;
  int32_t selectionEnd = 0;
  int32_t zoom = 2;
  int32_t firstChar = 0;
};

// The stored placement, or nothing when any of its values cannot be read:
// then the window keeps all of its defaults.
std::optional<WindowPlacement> readWindowPlacement(const SettingsStore& store, const SettingsScope& scope);
void writeWindowPlacement(SettingsStore& store, const SettingsScope& scope, const WindowPlacement& placement);

// A stored placement made to fit the file and the screens as they are now.
struct FittedPlacement {
  int zoom = 2;
  // The window's height, within the zoom's limits and the screen's height.
  int height = 0;
  // Where the window goes; nothing when it would stand off every screen.
  std::optional<QPoint> position;
  int selectionStart = 0;
  int selectionEnd = 0;
  int firstChar = 0;
};

// Fits a stored placement to a text of `textLength` characters and to the
// screens' available areas: a zoom out of range is the default 2; the
// selection and the first character are held within the text; the position
// is kept only when enough of the window's top edge lies on a screen to grab
// it.
FittedPlacement fitWindowPlacement(const WindowPlacement& stored, int textLength, const QList<QRect>& screens);

}  // namespace scrivora
