#pragma once
// The Font, Style and Paragraph commands (and raising and lowering text) on
// a document's text: their check marks follow the selection.

#include "CommandGroup.h"

namespace scrivora {

class TextDocumentModel;

class FormattingCommands : public CommandGroup {
 public:
  explicit FormattingCommands(TextDocumentModel& text);
  bool enabled(Command) const override { return true; }
  int checkState(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  TextDocumentModel& text_;
};

}  // namespace scrivora
