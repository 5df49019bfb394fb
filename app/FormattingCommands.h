#pragma once
// The Font, Style and Paragraph commands (and raising and lowering text) on
// a document's text: their check marks follow the selection.

#include "CommandGroup.h"
#include "FormatCommands.h"

namespace scrivora {

class TextDocumentModel;

class FormattingCommands : public CommandGroup {
 public:
  explicit FormattingCommands(TextDocumentModel& text);
  bool enabled(Command) const override { return true; }
  int checkState(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  // The character checks of the selection, worked out once for all the
  // buttons and items that ask while neither text nor selection changes.
  const CharacterMarks& marks() const;

  TextDocumentModel& text_;
  mutable struct {
    bool valid = false;
    uint64_t changes = 0;
    int start = 0, end = 0;
    CharacterMarks marks;
  } cache_;
};

}  // namespace scrivora
