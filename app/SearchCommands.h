#pragma once
// The Search menu on a document, below "Find..." (which the application
// answers, as it owns the one Find dialog): finding, replacing and Replace
// All through the find engine, with the beep and the message boxes that
// tell the user how it went.

#include "CommandGroup.h"

namespace scrivora {

class DocumentTextView;
class EditorDocument;
class FindSettings;

class SearchCommands : public CommandGroup {
 public:
  SearchCommands(FindSettings& find, EditorDocument& document, DocumentTextView& view);
  bool enabled(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  FindSettings& find_;
  EditorDocument& document_;
  DocumentTextView& view_;
};

}  // namespace scrivora
