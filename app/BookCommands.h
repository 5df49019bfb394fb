#pragma once
// The Book menu: book information, inserting characters and objects, links
// and headings. Page breaks, book plates, chapters and headings work on the
// text directly; the commands that open a dialog are routed and enabled
// here and performed once their dialogs exist.

#include "CommandGroup.h"

namespace scrivora {

class TextDocumentModel;

class BookCommands : public CommandGroup {
 public:
  explicit BookCommands(TextDocumentModel& text);
  bool enabled(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  TextDocumentModel& text_;
};

}  // namespace scrivora
