#pragma once
// Keeps a document's pages for the preview: after a pause in typing the
// document is written to TML in memory and paginated on a worker thread
// with a copy of that text, so typing never waits for it. A newer request
// abandons the one under way; only the latest result is delivered.

#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "PagePreview.h"
#include "TmlPositionMap.h"

namespace scrivora {

class RichTextView;

// One pagination of the document's text as it stood when it was written.
struct PreviewPages {
  PagePreview pages;
  TmlPositionMap positions;  // editor positions in the written TML

  // The page that holds the editor position.
  size_t pageOfPosition(int position) const;
  // The editor position of the page's first character.
  int firstPositionOf(size_t page) const;
};

class PreviewPagination : public QObject {
  Q_OBJECT

 public:
  explicit PreviewPagination(RichTextView& view, QObject* parent = nullptr);
  ~PreviewPagination() override;

  ReaderFont font() const { return font_; }
  // Paginates again for the other font at once.
  void setFont(ReaderFont font);
  // The pause after the last change before the pages are made again.
  void setPause(int milliseconds) { pause_.setInterval(milliseconds); }

  // The text changed: paginate after the pause (restarted by every change).
  void textChanged();
  // Paginates now, abandoning any pagination under way.
  void paginateNow();
  // Stops paginating when nothing is shown; paginateNow() starts again.
  void setActive(bool active);

  // The latest pages; null until the first pagination arrives.
  std::shared_ptr<const PreviewPages> pages() const { return pages_; }
  // A pagination is waiting or under way.
  bool busy() const { return worker_.joinable() || pending_ || pause_.isActive(); }

 signals:
  void paginated();

 private:
  void startWorker();
  void workerDone(std::shared_ptr<PreviewPages> result, unsigned generation);

  RichTextView& view_;
  ReaderFont font_ = ReaderFont::Small;
  bool active_ = false;
  QTimer pause_;
  std::thread worker_;
  // The text waiting for the worker to be free.
  bool pending_ = false;
  std::atomic<unsigned> generation_{0};
  std::shared_ptr<const PreviewPages> pages_;
};

}  // namespace scrivora
