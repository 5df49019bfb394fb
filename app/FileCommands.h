#pragma once
// Save, Save As, Revert and Make Book of a document window, its close
// query, and the files dropped on it.

#include "CommandGroup.h"

namespace scrivora {

class DocumentWindow;

class FileCommands : public CommandGroup {
 public:
  explicit FileCommands(DocumentWindow& window);
  bool enabled(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  DocumentWindow& window_;
};

}  // namespace scrivora
