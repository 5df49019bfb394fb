#include "FileCommands.h"

#include "Commands.h"
#include "EditorDocument.h"

namespace scrivora {

FileCommands::FileCommands(EditorDocument& document)
    : CommandGroup({cmd::kSave, cmd::kSaveAs, cmd::kRevert, cmd::kMakeBook, cmd::kEditObjects}), document_(document) {}

bool FileCommands::enabled(Command command) const {
  switch (command) {
    case cmd::kSave: return document_.modified() && document_.writable();
    case cmd::kRevert: return document_.hasFile() && document_.textDocument().isUndoAvailable();
    default: return true;
  }
}

bool FileCommands::perform(Command, const void*, uintptr_t) {
  // Saving, reverting, building the book and the objects list are done by
  // the document-file engine, the book builder's command and their dialogs.
  return false;
}

}  // namespace scrivora
