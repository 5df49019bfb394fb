#pragma once
// The page preview: a pane beside the text that shows the page holding the
// caret as the handheld will show it, in the reader's small or large font,
// with "Page N of M" and buttons to go a page back or forward. Going to a
// page puts the caret on its first character; moving the caret shows its
// page. The pages are made again after each pause in typing.

#include <QDockWidget>

#include <functional>

#include "CommandGroup.h"
#include "PagePainter.h"
#include "PreviewPagination.h"

class QLabel;
class QTextEdit;
class QToolButton;

namespace scrivora {

class TextDocumentModel;

// Draws the page the pane shows.
class PageCanvas : public QWidget {
 public:
  explicit PageCanvas(QWidget* parent = nullptr);
  void setPage(PageLayout page);
  void setZoom(int zoom);
  const PageLayout& page() const { return page_; }
  QSize sizeHint() const override;
  // A new pagination may have new pictures under the same names.
  void forgetImages() { images_.clear(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PageLayout page_;
  int zoom_ = 2;
  PreviewImages images_;
};

class PagePreviewPane : public QDockWidget {
  Q_OBJECT

 public:
  // `view` is the widget that shows `text` and holds its caret.
  PagePreviewPane(TextDocumentModel& text, QTextEdit& view, QWidget* parent = nullptr);

  // How much wider the window grows while the pane is shown: the pane and
  // the separator between it and the text.
  int widthAt(int zoom) const;

  bool shown() const { return shown_; }
  // Shows the pane and starts paginating, or hides it and stops.
  void setShown(bool shown);
  void setZoom(int zoom);
  void setReaderFont(ReaderFont font);

  size_t currentPage() const { return page_; }
  size_t pageCount() const;
  // Shows the page and puts the caret on its first character.
  void goToPage(size_t page);
  void pageBack() {
    if (page_ > 0) goToPage(page_ - 1);
  }
  void pageForward() { goToPage(page_ + 1); }

  PreviewPagination& pagination() { return pagination_; }
  PageCanvas& canvas() const { return *canvas_; }
  QString pageLabel() const;

 private:
  void caretMoved();
  void pagesArrived();
  void showPage(size_t page);
  void refreshControls();

  TextDocumentModel& text_;
  QTextEdit& view_;
  PreviewPagination pagination_;
  PageCanvas* canvas_;
  QLabel* label_;
  QToolButton* back_;
  QToolButton* forward_;
  QToolButton* small_;
  QToolButton* large_;
  size_t page_ = 0;
  bool shown_ = false;
  bool movingCaret_ = false;
};

// The View menu's Page Preview entry: checked while the pane is shown.
// `relayout` gives the window its width for the pane's new state.
class PagePreviewCommands : public CommandGroup {
 public:
  PagePreviewCommands(PagePreviewPane& pane, std::function<void()> relayout);
  bool enabled(Command) const override { return true; }
  int checkState(Command command) const override;
  bool perform(Command command, const void* argument, uintptr_t extra) override;

 private:
  PagePreviewPane& pane_;
  std::function<void()> relayout_;
};

}  // namespace scrivora
