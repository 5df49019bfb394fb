#pragma once
// The context menu of a document's text: a right-click moves the caret when
// it falls outside the selection, then the menu offers the editing
// commands, Insert Character, the link and heading commands where the caret
// stands in one, and an edit entry for the objects at hand. Each entry
// sends its command to the document window.

#include <QPoint>

class QMenu;
class QTextEdit;
class QWidget;

namespace scrivora {

class DocumentWindow;

// The position of the character under a point of the view's viewport (not
// the nearest gap between characters).
int characterUnderPoint(const QTextEdit& view, const QPoint& viewportPoint);
// Places the caret for a right-click at the point and builds the menu; the
// caller owns it.
QMenu* buildTextContextMenu(DocumentWindow& window, const QPoint& viewportPoint, QWidget* parent = nullptr);
// Builds the menu and tracks it at the pointer.
void showTextContextMenu(DocumentWindow& window, const QPoint& viewportPoint);

}  // namespace scrivora
