#include "TextContextMenu.h"

#include <QMenu>
#include <QTextEdit>

#include <memory>

#include "CommandChain.h"
#include "Commands.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "ObjectCommands.h"

namespace scrivora {

namespace {

Command commandOf(ContextAction action) {
  switch (action) {
    case ContextAction::Cut: return cmd::kCut;
    case ContextAction::Copy: return cmd::kCopy;
    case ContextAction::Paste: return cmd::kPaste;
    case ContextAction::Clear: return cmd::kDelete;
    case ContextAction::InsertCharacter: return cmd::kInsertCharacter;
    case ContextAction::GoToAnchor: return cmd::kGoToAnchor;
    case ContextAction::RemoveLink: return cmd::kRemoveLink;
    case ContextAction::RemoveChapter: return cmd::kRemoveChapter;
    case ContextAction::RemoveHeading: return cmd::kRemoveHeading;
    case ContextAction::RemoveIndexTerm: return cmd::kRemoveIndexTerm;
    case ContextAction::GoToNote: return cmd::kGoToNote;
    case ContextAction::EditObject: return cmd::kEditObject;
  }
  return 0;
}

}  // namespace

int characterUnderPoint(const QTextEdit& view, const QPoint& viewportPoint) {
  const QTextCursor gap = view.cursorForPosition(viewportPoint);
  const int position = gap.position();
  if (position == 0) return 0;
  // The nearest gap lies behind the character when the point is on its
  // right half; the character is then the one before, if on the same line.
  const QRect at = view.cursorRect(gap);
  if (viewportPoint.x() >= at.left()) return position;
  QTextCursor before = gap;
  before.setPosition(position - 1);
  return view.cursorRect(before).top() == at.top() ? position - 1 : position;
}

QMenu* buildTextContextMenu(DocumentWindow& window, const QPoint& viewportPoint, QWidget* parent) {
  TextDocumentModel& text = window.document().text();
  placeCaretForContextMenu(text, characterUnderPoint(window.view(), viewportPoint));
  ContextAvailability available;
  available.cut = window.commandEnabled(cmd::kCut);
  available.copy = window.commandEnabled(cmd::kCopy);
  available.paste = window.commandEnabled(cmd::kPaste);
  available.clear = window.commandEnabled(cmd::kDelete);
  available.insertCharacter = window.commandEnabled(cmd::kInsertCharacter);

  auto* menu = new QMenu(parent);
  QPointer<DocumentWindow> target(&window);
  for (const ContextEntry& entry : contextMenuEntries(text, available)) {
    if (entry.separatorBefore) menu->addSeparator();
    QAction* action = menu->addAction(QString::fromStdString(entry.label));
    action->setEnabled(entry.enabled);
    const Command command = commandOf(entry.action);
    const int object = entry.object;
    QObject::connect(action, &QAction::triggered, menu, [target, command, object] {
      if (target.isNull()) return;
      CommandChain::instance().dispatch(command, object >= 0 ? &object : nullptr, 0, target.data());
    });
  }
  return menu;
}

void showTextContextMenu(DocumentWindow& window, const QPoint& viewportPoint) {
  std::unique_ptr<QMenu> menu(buildTextContextMenu(window, viewportPoint, &window));
  menu->exec(window.view().viewport()->mapToGlobal(viewportPoint));
}

}  // namespace scrivora
