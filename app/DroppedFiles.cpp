#include "DroppedFiles.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "DocumentOpening.h"

namespace scrivora {

namespace {

// The dropped files that open as documents, and the rest of the drop's URLs.
struct DropSplit {
  QList<QUrl> documents;
  QList<QUrl> others;
};

DropSplit splitDrop(const QMimeData& data) {
  DropSplit split;
  for (const QUrl& url : data.urls()) {
    if (url.isLocalFile() && opensWhenDropped(url.toLocalFile()))
      split.documents << url;
    else
      split.others << url;
  }
  return split;
}

}  // namespace

DroppedFileOpener::DroppedFileOpener(QWidget& viewport, std::function<void(const std::string&)> open)
    : QObject(&viewport), open_(std::move(open)) {
  viewport.installEventFilter(this);
}

bool DroppedFileOpener::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop) return false;
  auto* drop = static_cast<QDropEvent*>(event);
  const QMimeData* data = drop->mimeData();
  if (data == nullptr || !data->hasUrls()) return false;
  const DropSplit split = splitDrop(*data);
  if (split.documents.isEmpty()) return false;
  if (type != QEvent::Drop) {
    drop->acceptProposedAction();
    return true;
  }
  for (const QUrl& url : split.documents) open_(url.toLocalFile().toStdString());
  drop->acceptProposedAction();
  if (split.others.isEmpty()) return true;
  // The other files are handed to the view as a drop of their own.
  QMimeData rest;
  rest.setUrls(split.others);
  QDropEvent forwarded(drop->position(), drop->possibleActions(), &rest, drop->buttons(), drop->modifiers());
  QCoreApplication::sendEvent(watched, &forwarded);
  return true;
}

}  // namespace scrivora
