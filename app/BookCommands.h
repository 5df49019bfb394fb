#pragma once
// The Book menu (inserting characters and objects, anchors, links and
// headings), the object commands of the context menu (edit an object,
// remove a link or a heading, go to a link's anchor) and Edit Objects, on
// one document window's text.

#include "CommandGroup.h"

class QWidget;

namespace scrivora {

class DocumentWindow;
class TextDocumentModel;

class BookCommands : public CommandGroup {
 public:
  // Dialogs are owned by the window.
  BookCommands(TextDocumentModel& text, DocumentWindow& window);
  bool enabled(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  TextDocumentModel& text_;
  DocumentWindow& window_;
};

}  // namespace scrivora
