#include "FileCommands.h"

#include "Application.h"
#include "BookInfoDialog.h"
#include "Commands.h"
#include "DocumentSaving.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "DroppedFiles.h"
#include "MakeBook.h"

namespace scrivora {

FileCommands::FileCommands(DocumentWindow& window)
    : CommandGroup({cmd::kSave, cmd::kSaveAs, cmd::kRevert, cmd::kMakeBook, cmd::kEditBookInfo}), window_(window) {
  window.setCloseQuery([this](int mode) { return closeQuery(window_, mode); });
  new DroppedFileOpener(*window.view().viewport(), [](const std::string& path) {
    if (Application* application = Application::instance()) application->openDroppedDocument(path);
  });
}

bool FileCommands::enabled(Command command) const {
  EditorDocument& document = window_.document();
  switch (command) {
    case cmd::kSave: return document.modified() && document.writable();
    case cmd::kRevert: return document.hasFile() && document.textDocument().isUndoAvailable();
    default: return true;
  }
}

bool FileCommands::perform(Command command, const void*, uintptr_t) {
  switch (command) {
    case cmd::kSave: return saveDocument(window_, false);
    case cmd::kSaveAs: return saveDocument(window_, true);
    case cmd::kRevert: return revertDocument(window_);
    case cmd::kMakeBook: {
      Application* application = Application::instance();
      return application != nullptr && makeBook(window_, application->buildLog());
    }
    case cmd::kEditBookInfo: return editBookInfo(window_.document(), BookInfoForm::Normal, &window_);
    default: return false;
  }
}

}  // namespace scrivora
