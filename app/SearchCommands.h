#pragma once
// The Search menu on a document: enabled by the find text and the selection.
// Searching and replacing are performed by the find engine and its dialog.

#include "CommandGroup.h"

namespace scrivora {

struct FindSettings;
class TextDocumentModel;

class SearchCommands : public CommandGroup {
 public:
  SearchCommands(const FindSettings& find, TextDocumentModel& text);
  bool enabled(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  const FindSettings& find_;
  TextDocumentModel& text_;
};

}  // namespace scrivora
