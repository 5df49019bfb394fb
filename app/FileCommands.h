#pragma once
// Save, Save As, Revert, Make Book and Edit Objects on a document: enabled
// by the document's state. Writing files, building books and the objects
// list are performed by their own engines and dialogs.

#include "CommandGroup.h"

namespace scrivora {

class EditorDocument;

class FileCommands : public CommandGroup {
 public:
  explicit FileCommands(EditorDocument& document);
  bool enabled(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  EditorDocument& document_;
};

}  // namespace scrivora
