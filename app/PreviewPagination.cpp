#include "PreviewPagination.h"

#include "RichTextView.h"
#include "TmlWriter.h"

namespace scrivora {

namespace {

// Long enough that a typist's keys fall within it, short enough to feel
// immediate once they stop.
constexpr int kDefaultPauseMs = 300;

}  // namespace

size_t PreviewPages::pageOfPosition(int position) const {
  if (positions.empty()) return 0;
  return pages.pageAt(pages.textPositionOf(positions.offsetOf(position)));
}

int PreviewPages::firstPositionOf(size_t page) const {
  if (positions.empty() || page >= pages.pageCount()) return 0;
  return positions.positionOf(pages.sourceOffsetOf(pages.pageStart(page)));
}

PreviewPagination::PreviewPagination(RichTextView& view, QObject* parent) : QObject(parent), view_(view) {
  pause_.setSingleShot(true);
  pause_.setInterval(kDefaultPauseMs);
  connect(&pause_, &QTimer::timeout, this, &PreviewPagination::paginateNow);
}

PreviewPagination::~PreviewPagination() {
  ++generation_;
  if (worker_.joinable()) worker_.join();
}

void PreviewPagination::setFont(ReaderFont font) {
  if (font == font_) return;
  font_ = font;
  if (active_) paginateNow();
}

void PreviewPagination::setActive(bool active) {
  active_ = active;
  if (active) {
    paginateNow();
  } else {
    pause_.stop();
    pending_ = false;
    ++generation_;
  }
}

void PreviewPagination::textChanged() {
  if (!active_) return;
  // Whatever is under way is already out of date.
  ++generation_;
  pause_.start();
}

void PreviewPagination::paginateNow() {
  pause_.stop();
  ++generation_;
  pending_ = true;
  // A worker still finishing an abandoned pagination starts the new one
  // when it is done.
  if (!worker_.joinable()) startWorker();
}

void PreviewPagination::startWorker() {
  pending_ = false;
  auto result = std::make_shared<PreviewPages>();
  TmlWriteOptions options;
  // The images are found where the image objects keep them, whether or not
  // the document was saved since they were inserted.
  options.fullImagePaths = true;
  options.positions = &result->positions;
  // Written here, on the thread that owns the text; only the copy travels.
  std::string tml = writeTml(view_, nullptr, options);
  const unsigned generation = generation_.load();
  const ReaderFont font = font_;
  worker_ = std::thread([this, result, tml = std::move(tml), generation, font]() mutable {
    PreviewOptions preview;
    preview.keepGoing = [this, generation] { return generation_.load() == generation; };
    result->pages = PagePreview::paginate(tml, font, preview);
    QMetaObject::invokeMethod(
        this, [this, result, generation] { workerDone(result, generation); }, Qt::QueuedConnection);
  });
}

void PreviewPagination::workerDone(std::shared_ptr<PreviewPages> result, unsigned generation) {
  if (worker_.joinable()) worker_.join();
  const bool current = generation == generation_.load() && !result->pages.abandoned();
  if (current) {
    pages_ = std::move(result);
    emit paginated();
  }
  if (pending_ && active_) startWorker();
}

}  // namespace scrivora
