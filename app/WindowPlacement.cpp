#include "WindowPlacement.h"

#include <algorithm>

#include "DocumentWindow.h"
#include "SettingsStore.h"

namespace scrivora {

namespace {

// How much of the window's top edge (where a title bar is) must lie on one
// screen for the user to reach it and drag the window back.
constexpr int kTopEdgeHeight = 24;
constexpr int kGrabWidth = 48;
constexpr int kGrabHeight = 8;

bool reachable(const QRect& window, const QList<QRect>& screens) {
  const QRect topEdge(window.x(), window.y(), window.width(), kTopEdgeHeight);
  for (const QRect& screen : screens) {
    const QRect onScreen = screen.intersected(topEdge);
    if (onScreen.width() >= std::min(kGrabWidth, window.width()) && onScreen.height() >= kGrabHeight) return true;
  }
  return false;
}

// The tallest a window may be: the screen it stands on, or the tallest one
// when it stands on none.
int tallestFitting(const QRect& window, const QList<QRect>& screens) {
  int tallest = 0;
  for (const QRect& screen : screens) {
    if (screen.contains(window.topLeft())) return screen.height();
    tallest = std::max(tallest, screen.height());
  }
  return tallest;
}

}  // namespace

std::optional<WindowPlacement> readWindowPlacement(const SettingsStore& store, const SettingsScope& scope) {
  WindowPlacement p;
  // This order is part of the stored format: the first value missing ends
  // the restore.
  if (store.readInteger(scope, "Editor.WindowPos.x", p.x) && store.readInteger(scope, "Editor.WindowPos.y", p.y) &&
      store.readInteger(scope, "Editor.WindowPos.width", p.width) &&
      store.readInteger(scope, "Editor.WindowPos.height", p.height) &&
      store.readInteger(scope, "Editor.Selection.start", p.selectionStart) &&
      store.readInteger(scope, "Editor.Selection.end", p.selectionEnd) &&
      store.readInteger(scope, "Editor.zoom", p.zoom) && store.readInteger(scope, "Editor.firstChar", p.firstChar))
    return p;
  return std::nullopt;
}

void writeWindowPlacement(SettingsStore& store, const SettingsScope& scope, const WindowPlacement& p) {
  store.writeInteger(scope, "Editor.WindowPos.width", p.width);
  store.writeInteger(scope, "Editor.WindowPos.height", p.height);
  store.writeInteger(scope, "Editor.WindowPos.x", p.x);
  store.writeInteger(scope, "Editor.WindowPos.y", p.y);
  store.writeInteger(scope, "Editor.zoom", p.zoom);
  store.writeInteger(scope, "Editor.Selection.start", p.selectionStart);
  store.writeInteger(scope, "Editor.Selection.end", p.selectionEnd);
  store.writeInteger(scope, "Editor.firstChar", p.firstChar);
}

FittedPlacement fitWindowPlacement(const WindowPlacement& stored, int textLength, const QList<QRect>& screens) {
  FittedPlacement fitted;
  // The zoom is kept in the low 16 bits.
  const int zoom = stored.zoom & 0xFFFF;
  fitted.zoom = zoom >= 1 && zoom <= 4 ? zoom : 2;
  const ZoomGeometry geometry = ZoomGeometry::at(fitted.zoom);
  // The width follows from the zoom; a stored one is not looked at.
  const QRect window(stored.x, stored.y, geometry.width, std::max(stored.height, geometry.minimumHeight));
  const int tallest = screens.isEmpty() ? geometry.maximumHeight : tallestFitting(window, screens);
  fitted.height = std::clamp(stored.height, geometry.minimumHeight,
                             std::max(geometry.minimumHeight, std::min(tallest, geometry.maximumHeight)));
  if (reachable(window, screens)) fitted.position = window.topLeft();
  fitted.selectionStart = std::clamp(stored.selectionStart, 0, textLength);
  fitted.selectionEnd = std::clamp(stored.selectionEnd, 0, textLength);
  fitted.firstChar = std::clamp(stored.firstChar, 0, textLength);
  return fitted;
}

}  // namespace scrivora
