#pragma once
// Document-file tests answer the open and save dialogs and the Edit Book Info
// dialog from queues, so no test has to click.

#include <deque>
#include <string>

#include "BookInfoDialog.h"
#include "FileDialog.h"
#include "support/AppTestSupport.h"

namespace scrivora::test {

// Gives the title from its queue (confirming), or cancels when the queue is
// empty.
class QueuedTitleEditor : public BookInfoEditor {
 public:
  bool edit(BookInfo& info, BookInfoForm form, QWidget*) override {
    forms.push_back(form);
    if (titles.empty()) return false;
    info.title = titles.front();
    titles.pop_front();
    return true;
  }
  std::deque<std::string> titles;
  std::deque<BookInfoForm> forms;
};

class FileFixture : public AppFixture {
 public:
  FileFixture() : files_(files), titles_(titles) {
    app->openOptions().htmlSupportFolder = SCRIVORA_BINARY_DIR "/bin/HTML Support";
  }
  std::string path(const char* name) const { return dir.filePath(name).toStdString(); }

  RecordingFileDialogPresenter files;
  QueuedTitleEditor titles;

 private:
  ScopedFileDialogPresenter files_;
  ScopedBookInfoEditor titles_;
};

}  // namespace scrivora::test
