#include "PagePreviewPane.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include "Commands.h"
#include "TextDocumentModel.h"

namespace scrivora {

namespace {

constexpr int kCanvasFrame = 1;
// The controls need this much even when the page is drawn small.
constexpr int kMinimumPaneWidth = 200;
constexpr int kPaneMargins = 12;

QToolButton* makeButton(const QString& text, const QString& tip, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(tip);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

PageCanvas::PageCanvas(QWidget* parent) : QWidget(parent) { setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed); }

void PageCanvas::setPage(PageLayout page) {
  page_ = std::move(page);
  update();
}

void PageCanvas::setZoom(int zoom) {
  zoom_ = zoom;
  updateGeometry();
  setFixedSize(sizeHint());
  update();
}

QSize PageCanvas::sizeHint() const { return pageSizeAt(zoom_) + QSize(2 * kCanvasFrame, 2 * kCanvasFrame); }

void PageCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setPen(Qt::darkGray);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  painter.translate(kCanvasFrame, kCanvasFrame);
  painter.setClipRect(QRect(QPoint(0, 0), pageSizeAt(zoom_)));
  paintPage(painter, page_, zoom_, images_);
}

PagePreviewPane::PagePreviewPane(TextDocumentModel& text, QTextEdit& view, QWidget* parent)
    : QDockWidget(QStringLiteral("Page Preview"), parent), text_(text), view_(view), pagination_(text) {
  setObjectName(QStringLiteral("PagePreview"));
  // F9 shows and hides it; it stays beside the text it previews.
  setFeatures(QDockWidget::NoDockWidgetFeatures);
  setAllowedAreas(Qt::RightDockWidgetArea);

  auto* body = new QWidget(this);
  auto* column = new QVBoxLayout(body);
  column->setContentsMargins(kPaneMargins / 2, 2, kPaneMargins / 2, 2);
  auto* navigation = new QHBoxLayout;
  back_ = makeButton(QStringLiteral("<"), QStringLiteral("Previous page"), body);
  forward_ = makeButton(QStringLiteral(">"), QStringLiteral("Next page"), body);
  label_ = new QLabel(body);
  label_->setAlignment(Qt::AlignCenter);
  navigation->addWidget(back_);
  navigation->addWidget(label_, 1);
  navigation->addWidget(forward_);
  column->addLayout(navigation);

  auto* fonts = new QHBoxLayout;
  small_ = makeButton(QStringLiteral("Small Font"), QStringLiteral("The reader's small font"), body);
  large_ = makeButton(QStringLiteral("Large Font"), QStringLiteral("The reader's large font"), body);
  auto* fontGroup = new QButtonGroup(body);
  for (QToolButton* button : {small_, large_}) {
    button->setCheckable(true);
    fontGroup->addButton(button);
    fonts->addWidget(button);
  }
  small_->setChecked(true);
  column->addLayout(fonts);

  canvas_ = new PageCanvas(body);
  column->addWidget(canvas_, 0, Qt::AlignHCenter);
  column->addStretch(1);
  setWidget(body);
  setZoom(text.zoom());

  connect(back_, &QToolButton::clicked, this, [this] { pageBack(); });
  connect(forward_, &QToolButton::clicked, this, [this] { pageForward(); });
  connect(small_, &QToolButton::clicked, this, [this] { setReaderFont(ReaderFont::Small); });
  connect(large_, &QToolButton::clicked, this, [this] { setReaderFont(ReaderFont::Large); });
  connect(view.document(), &QTextDocument::contentsChanged, &pagination_, &PreviewPagination::textChanged);
  connect(&view, &QTextEdit::cursorPositionChanged, this, &PagePreviewPane::caretMoved);
  connect(&pagination_, &PreviewPagination::paginated, this, &PagePreviewPane::pagesArrived);
  refreshControls();
}

namespace {

int paneWidthAt(int zoom) {
  return std::max(pageSizeAt(zoom).width() + 2 * kCanvasFrame, kMinimumPaneWidth) + kPaneMargins;
}

}  // namespace

int PagePreviewPane::widthAt(int zoom) const {
  const QWidget* window = parentWidget() != nullptr ? parentWidget() : this;
  return paneWidthAt(zoom) + window->style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, window);
}

void PagePreviewPane::setShown(bool shown) {
  if (shown == shown_) return;
  shown_ = shown;
  setVisible(shown);
  pagination_.setActive(shown);
}

void PagePreviewPane::setZoom(int zoom) {
  canvas_->setZoom(zoom);
  widget()->setFixedWidth(paneWidthAt(zoom));
}

void PagePreviewPane::setReaderFont(ReaderFont font) {
  (font == ReaderFont::Small ? small_ : large_)->setChecked(true);
  pagination_.setFont(font);
  refreshControls();
}

size_t PagePreviewPane::pageCount() const {
  const auto pages = pagination_.pages();
  return pages ? pages->pages.pageCount() : 0;
}

QString PagePreviewPane::pageLabel() const { return label_->text(); }

void PagePreviewPane::goToPage(size_t page) {
  const auto pages = pagination_.pages();
  if (!pages || page >= pages->pages.pageCount()) return;
  showPage(page);
  // The caret goes to the page's first character; the page stays the one
  // asked for even where that character maps back to a neighbour.
  movingCaret_ = true;
  const int position = std::clamp(pages->firstPositionOf(page), 0, text_.length());
  text_.setSelection(position, position);
  view_.ensureCursorVisible();
  movingCaret_ = false;
}

void PagePreviewPane::caretMoved() {
  if (movingCaret_ || !shown_) return;
  const auto pages = pagination_.pages();
  if (!pages) return;
  const size_t page = pages->pageOfPosition(text_.selectionStart());
  if (page != page_) showPage(page);
}

void PagePreviewPane::pagesArrived() {
  canvas_->forgetImages();
  const auto pages = pagination_.pages();
  showPage(std::min(pages->pageOfPosition(text_.selectionStart()), pages->pages.pageCount() - 1));
}

void PagePreviewPane::showPage(size_t page) {
  const auto pages = pagination_.pages();
  if (!pages) return;
  page_ = page;
  canvas_->setPage(pages->pages.layOutPage(page));
  refreshControls();
}

void PagePreviewPane::refreshControls() {
  const size_t count = pageCount();
  if (count == 0) {
    label_->setText(QStringLiteral("Paginating..."));
  } else {
    label_->setText(QStringLiteral("Page %1 of %2").arg(page_ + 1).arg(count));
  }
  back_->setEnabled(count > 0 && page_ > 0);
  forward_->setEnabled(page_ + 1 < count);
}

PagePreviewCommands::PagePreviewCommands(PagePreviewPane& pane, std::function<void()> relayout)
    : CommandGroup({cmd::kPagePreview}), pane_(pane), relayout_(std::move(relayout)) {}

int PagePreviewCommands::checkState(Command) const { return pane_.shown() ? kChecked : kUnchecked; }

bool PagePreviewCommands::perform(Command, const void*, uintptr_t) {
  pane_.setShown(!pane_.shown());
  relayout_();
  return true;
}

}  // namespace scrivora
