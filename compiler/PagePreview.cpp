#include "PagePreview.h"

#include <algorithm>

#include "BuildLog.h"
#include "BuildProgress.h"
#include "CharacterMapping.h"
#include "ImageList.h"
#include "NotesBlock.h"
#include "Pagination.h"
#include "TextPass.h"

namespace scrivora {

namespace {

// The preview is no build: what it would say, Make Book says. And on a worker
// thread no message may reach the process-wide hooks.
class SilentLogSink : public BuildLogSink {
 public:
  void receive(const LogMessage&) override {}
};

FontPass passOf(ReaderFont font) { return font == ReaderFont::Small ? FontPass::Small : FontPass::Large; }

// The source as a build reads it: UTF-8 that says so (or is declared so)
// becomes Windows-1252, anything else is taken as it is.
std::vector<uint8_t> convertedSource(std::string_view tml, InputEncoding encoding, OffsetMap& conversion) {
  bool convert = encoding == InputEncoding::Utf8;
  if (encoding == InputEncoding::Detect) {
    const bool high = std::any_of(tml.begin(), tml.end(), [](char c) { return uint8_t(c) >= 0x80; });
    convert = high && guessSourceEncoding(tml).byteOrderMark;
  }
  if (!convert) return std::vector<uint8_t>(tml.begin(), tml.end());
  const std::string converted = utf8ToWindows1252Tml(tml, &conversion);
  return std::vector<uint8_t>(converted.begin(), converted.end());
}

// Collects the items of one page line by line; items the scan goes back
// over are dropped, as the scan measures them again.
class PageCollector : public PageObserver {
 public:
  PageCollector(PageLayout& layout, const std::string& imageDirectory)
      : layout_(layout), imageDirectory_(imageDirectory) {}

  void placed(const PlacedItem& placed) override {
    PageItem item;
    item.kind = placed.kind;
    item.position = placed.position;
    item.x = placed.x;
    item.width = placed.width;
    item.height = placed.height;
    item.value = placed.value;
    item.font = placed.font;
    item.style = placed.style;
    item.inChapterTitle = placed.inChapterTitle;
    if (placed.kind == PlacedKind::Image) {
      item.imagePath = hostImagePath(joinImagePath(imageDirectory_, std::string(placed.imageName)));
    }
    pending_.push_back(std::move(item));
    pendingAlignments_.push_back(placed.alignment);
  }

  void cutBack(size_t position) override {
    while (!pending_.empty() && pending_.back().position >= position) {
      pending_.pop_back();
      pendingAlignments_.pop_back();
    }
  }

  void lineKept(size_t start, size_t end, unsigned top, unsigned height, int alignment) override {
    PageLine line;
    line.start = start;
    line.end = end;
    line.top = top;
    line.height = height;
    line.alignment = pending_.empty() ? alignment : alignmentOfText();
    line.firstItem = layout_.items.size();
    line.itemCount = pending_.size();
    for (PageItem& item : pending_) {
      const bool blank = item.kind == PlacedKind::Character && item.value == ' ';
      if (!blank) line.contentRight = std::max(line.contentRight, item.x + item.width);
      layout_.items.push_back(std::move(item));
    }
    pending_.clear();
    pendingAlignments_.clear();
    layout_.lines.push_back(line);
  }

 private:
  PageLayout& layout_;
  const std::string& imageDirectory_;
  // A line shows in the alignment its text is written in, that of its first
  // item other than a space: a closing \c or \r right after the text of a
  // centred line ends the alignment before the line does, yet the line was
  // centred.
  int alignmentOfText() const {
    for (size_t i = 0; i < pending_.size(); ++i) {
      const bool blank = pending_[i].kind == PlacedKind::Character && pending_[i].value == ' ';
      if (!blank) return pendingAlignments_[i];
    }
    return pendingAlignments_.front();
  }

  std::vector<PageItem> pending_;
  std::vector<int> pendingAlignments_;  // the alignment in force at each pending item
};

}  // namespace

unsigned PageLayout::alignmentShift(const PageLine& line) {
  const unsigned right = std::min(line.contentRight, kLineWidth);
  if (line.alignment == kAlignCentre) return (kLineWidth - right) / 2;
  if (line.alignment == kAlignRight) return kLineWidth - right;
  return 0;
}

PagePreview::PagePreview()
    : text_(std::make_shared<std::vector<uint8_t>>()), pages_(std::make_shared<std::vector<PageStart>>(1)) {}

size_t PagePreview::pageCount() const { return pages_->size(); }

size_t PagePreview::pageStart(size_t page) const { return (*pages_)[page].position; }

PagePreview PagePreview::paginate(std::string_view tml, ReaderFont font, const PreviewOptions& options) {
  SilentLogSink silent;
  ScopedLogSink quiet(silent);
  PagePreview preview;
  preview.font_ = font;
  preview.imageDirectory_ = options.imageDirectory;

  // The text as a build compiles it: converted, normalised, without the
  // footnote and sidebar blocks.
  std::vector<uint8_t> text = convertedSource(tml, options.inputEncoding, preview.conversion_);
  std::vector<NormalisationWarning> warnings;
  text.resize(normaliseSource(text.data(), text.size(), &preview.normalisation_, warnings));
  text.resize(mainTextEnd(text.data(), text.size()));

  BuildProgress progress(options.keepGoing ? BuildProgressCallback([&options](int) { return options.keepGoing(); })
                                           : BuildProgressCallback());
  progress.beginPhase(0, 100);
  PageTable table;
  std::vector<PageStart> starts;
  TextPassInput input;
  input.text = text.data();
  input.length = text.size();
  input.imageDirectory = options.imageDirectory;
  input.smallPages = &table;
  input.largePages = &table;
  input.onlyPass = passOf(font);
  input.pageStarts = &starts;
  input.progress = &progress;
  TextPass pass;
  pass.run(input);

  preview.abandoned_ = progress.cancelled();
  if (!starts.empty()) preview.pages_ = std::make_shared<const std::vector<PageStart>>(std::move(starts));
  preview.text_ = std::make_shared<const std::vector<uint8_t>>(std::move(text));
  return preview;
}

uint16_t PagePreview::pageState(size_t page) const {
  const LineState& line = (*pages_)[page].line;
  return uint16_t(line.style | (line.alignment & 3) | ((line.font & 15) << 3));
}

size_t PagePreview::pageAt(size_t textPosition) const {
  // The last page that starts at or before the position. Pages that start at
  // the same place (an empty last page at the text's end) give the later.
  const std::vector<PageStart>& pages = *pages_;
  auto after = std::upper_bound(pages.begin(), pages.end(), textPosition,
                                [](size_t position, const PageStart& start) { return position < start.position; });
  return after == pages.begin() ? 0 : size_t(after - pages.begin()) - 1;
}

size_t PagePreview::sourceOffsetOf(size_t textPosition) const {
  const size_t converted = normalisation_.originalOf(textPosition);
  return conversion_.empty() ? converted : conversion_.originalOf(converted);
}

size_t PagePreview::textPositionOf(size_t sourceOffset) const {
  // The source offsets grow with the text positions, so the first position
  // whose source is at or after the offset is found by halving.
  size_t low = 0, high = text_->size();
  while (low < high) {
    const size_t middle = low + (high - low) / 2;
    if (sourceOffsetOf(middle) < sourceOffset) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

PageLayout PagePreview::layOutPage(size_t page) const {
  PageLayout layout;
  if (page >= pages_->size()) return layout;
  SilentLogSink silent;
  ScopedLogSink quiet(silent);
  PageCollector collector(layout, imageDirectory_);
  PageTable next;
  TextPassInput input;
  input.text = text_->data();
  input.length = text_->size();
  input.imageDirectory = imageDirectory_;
  input.smallPages = &next;
  input.largePages = &next;
  input.onlyPass = passOf(font_);
  input.onePageFrom = &(*pages_)[page];
  input.observer = &collector;
  input.measurePlainRunsInOneGo = false;
  TextPass pass;
  pass.run(input);
  return layout;
}

}  // namespace scrivora
