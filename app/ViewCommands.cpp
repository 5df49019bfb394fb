#include "ViewCommands.h"

#include <QApplication>

#include "Commands.h"
#include "DocumentLayout.h"
#include "EditorDocument.h"

namespace scrivora {

namespace {

// Re-laying out a long book takes a moment.
class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

ViewCommands::ViewCommands(EditorDocument& document, std::function<void(int)> resizeForZoom)
    : CommandGroup({cmd::kZoom1, cmd::kZoom1 + 1, cmd::kZoom1 + 2, cmd::kZoom4, cmd::kNormalFontSmall,
                    cmd::kNormalFontLarge, cmd::kRelayoutZoom, cmd::kRelayoutNormalFont}),
      document_(document),
      resizeForZoom_(std::move(resizeForZoom)) {}

int ViewCommands::checkState(Command command) const {
  const TextDocumentModel& text = document_.text();
  if (command >= cmd::kZoom1 && command <= cmd::kZoom4) return text.zoom() == command - cmd::kZoom1 + 1;
  if (command == cmd::kNormalFontSmall) return text.normalFace() == kFaceNormal9;
  if (command == cmd::kNormalFontLarge) return text.normalFace() == kFaceNormal12;
  return kUnchecked;
}

bool ViewCommands::perform(Command command, const void* argument, uintptr_t extra) {
  TextDocumentModel& text = document_.text();
  if (command >= cmd::kZoom1 && command <= cmd::kZoom4) {
    const int zoom = command - cmd::kZoom1 + 1;
    resizeForZoom_(zoom);
    return perform(cmd::kRelayoutZoom, argument, uintptr_t(zoom));
  }
  if (command == cmd::kRelayoutZoom) {
    WaitCursor wait;
    relayoutForZoom(text, extra != 0 ? int(extra) : text.zoom());
    return true;
  }
  if (command == cmd::kNormalFontSmall || command == cmd::kNormalFontLarge) {
    const char* face = command == cmd::kNormalFontSmall ? kFaceNormal9 : kFaceNormal12;
    if (text.normalFace() == face) return true;
    return perform(cmd::kRelayoutNormalFont, face, extra);
  }
  if (command == cmd::kRelayoutNormalFont) {
    WaitCursor wait;
    changeNormalFont(text, argument != nullptr ? static_cast<const char*>(argument) : text.normalFace());
    document_.markModified();
    return true;
  }
  return false;
}

}  // namespace scrivora
