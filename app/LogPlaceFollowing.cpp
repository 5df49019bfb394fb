#include "LogPlaceFollowing.h"

#include <QScrollBar>

#include "Application.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "SourcePlaces.h"

namespace scrivora {

namespace {

// The place is shown in the middle of the view, with the text around it, as
// far as the text allows; at the view's edge it would be easy to miss.
void showCaretMidway(QTextEdit& view) {
  view.ensureCursorVisible();
  QScrollBar& bar = *view.verticalScrollBar();
  bar.setValue(bar.value() + view.cursorRect().center().y() - view.viewport()->height() / 2);
}

}  // namespace

DocumentWindow* followLogPlace(Application& application, const SourcePosition& place) {
  if (!place.known() || place.file.empty()) return nullptr;
  DocumentWindow* window = nullptr;
  {
    // The entries stay for the next click; the file was reported on by the
    // build that named it.
    BuildLogWindow::Hold held(application.buildLog());
    window = application.openDocument(place.file);
  }
  if (window == nullptr) return nullptr;
  // The editor text differs from the file (tags are gone, objects take one
  // position, the author may have typed since): the loader tells where the
  // place went.
  EditorDocument& document = window->document();
  EditorRange range;
  if (document.hasFile() && findSourcePlace(document.path(), place.line, place.column, document.text(), range)) {
    document.text().setSelection(range.start, range.end);
    showCaretMidway(window->view());
  }
  window->raise();
  window->activateWindow();
  window->view().setFocus(Qt::OtherFocusReason);
  return window;
}

}  // namespace scrivora
