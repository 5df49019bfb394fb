#pragma once
// Undo, Redo, Cut, Copy, Paste, Delete and Select All on a document's view.

#include "CommandGroup.h"

namespace scrivora {

class DocumentTextView;

class EditCommands : public CommandGroup {
 public:
  explicit EditCommands(DocumentTextView& view);
  bool enabled(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  DocumentTextView& view_;
};

}  // namespace scrivora
