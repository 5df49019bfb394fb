#pragma once
// Zoom (1x to 4x) and the normal-font choice of a document. A zoom change
// resizes the window first, then re-lays out the text for the new factor.

#include <functional>

#include "CommandGroup.h"

namespace scrivora {

class EditorDocument;

class ViewCommands : public CommandGroup {
 public:
  // `resizeForZoom` gives the window the geometry of a zoom factor.
  ViewCommands(EditorDocument& document, std::function<void(int)> resizeForZoom);
  bool enabled(Command) const override { return true; }
  int checkState(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  EditorDocument& document_;
  std::function<void(int)> resizeForZoom_;
};

}  // namespace scrivora
