#include "PagePainter.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include "CodePage.h"
#include "Pagination.h"
#include "WidthTables.h"

namespace scrivora {

namespace {

// How far a superscript rises and a subscript sinks, in handheld pixels.
constexpr int kScriptRise = 3;
constexpr int kScriptDrop = 1;

// The reader's face for what an item was measured in; a face of L lengths
// is drawn L pixels high per zoom step. (The editor's face names cannot be
// used here: its text model and the pass name their alignments alike.)
QFont readerFontFor(const PageItem& item, int zoom) {
  const bool bold = (item.style & kBoldStyle) != 0;
  const char* face = "TolmText9";
  int lengths = 9;
  if (item.style & (kSuperscriptStyle | kSubscriptStyle)) {
    lengths = 6;
  } else if (item.font == kLargeFont) {
    face = bold ? "TolmText12B" : "TolmText12";
    lengths = 11;
  } else if (item.font == kBoldFont || bold) {
    face = "TolmText9B";
  }
  QFont font(QString::fromLatin1(face));
  font.setPixelSize(lengths * zoom);
  font.setItalic((item.style & kItalicStyle) != 0);
  return font;
}

// A character's baseline: text stands on the bottom of its line, raised or
// lowered for scripts.
int baselineOf(const PageItem& item, const PageLine& line, const QFontMetrics& metrics, int zoom) {
  int baseline = int(line.top + line.height) * zoom - metrics.descent();
  if (item.style & kSuperscriptStyle) baseline -= kScriptRise * zoom;
  if (item.style & kSubscriptStyle) baseline += kScriptDrop * zoom;
  return baseline;
}

void paintCharacter(QPainter& painter, const PageItem& item, const PageLine& line, int left, int zoom) {
  const QChar character = item.kind == PlacedKind::UnicodeCharacter
                              ? QChar(char16_t(item.value))
                              : QChar(unicodeFromWindows1252(uint8_t(item.value)));
  const QFont font = readerFontFor(item, zoom);
  const QFontMetrics metrics(font);
  const int baseline = baselineOf(item, line, metrics, zoom);
  const int width = int(item.width) * zoom;
  painter.setFont(font);
  // Control bytes take their width on the handheld but show nothing.
  if (item.kind == PlacedKind::UnicodeCharacter || item.value >= 0x20) {
    // Centred in its cell: the installed substitutes are not as wide as the
    // width table says, the reader's faces are.
    const int glyph = metrics.horizontalAdvance(character);
    painter.drawText(QPoint(left + (width - glyph) / 2, baseline), QString(character));
  }
  const int thickness = std::max(1, zoom / 2);
  if (item.style & (kUnderlineStyle | kLinkStyle)) {
    painter.fillRect(QRect(left, baseline + zoom, width, thickness), painter.pen().color());
  }
  if (item.style & kOverstrikeStyle) {
    painter.fillRect(QRect(left, baseline - metrics.xHeight() / 2, width, thickness), painter.pen().color());
  }
}

void paintRule(QPainter& painter, const PageItem& item, const PageLine& line, int zoom) {
  const unsigned percent = std::min<unsigned>(item.value, 100);
  const int width = int(kLineWidth * percent / 100) * zoom;
  const int left = (int(kLineWidth) * zoom - width) / 2;
  const int middle = int(line.top * 2 + line.height) * zoom / 2;
  painter.fillRect(QRect(left, middle - zoom / 2, std::max(width, 1), zoom), Qt::black);
}

void paintSidebarMark(QPainter& painter, const PageItem& item, const PageLine& line, int left, int zoom) {
  const int size = int(item.width) * zoom;
  const QRect box(left + zoom, int(line.top + line.height - item.height) * zoom + zoom, size - 2 * zoom,
                  int(item.height) * zoom - 2 * zoom);
  painter.setPen(QPen(Qt::black, zoom));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(box);
  painter.fillRect(box.adjusted(3 * zoom, 4 * zoom, -3 * zoom, -box.height() / 2), Qt::black);
}

void paintImage(QPainter& painter, const PageItem& item, const PageLine& line, int left, int zoom,
                PreviewImages& images) {
  const QRect box(left, int(line.top + line.height - item.height) * zoom, int(item.width) * zoom,
                  int(item.height) * zoom);
  const QImage& image = images.image(item.imagePath);
  if (image.isNull()) {
    // Missing or unreadable: a crossed box where the image would stand.
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawRect(box.adjusted(0, 0, -1, -1));
    painter.drawLine(box.topLeft(), box.bottomRight());
    painter.drawLine(box.topRight(), box.bottomLeft());
    return;
  }
  // An image too large for the page is shown in its 16 by 16 place.
  painter.drawImage(box, image);
}

}  // namespace

const QImage& PreviewImages::image(const std::string& path) {
  const QString key = QString::fromStdString(path);
  auto found = images_.find(key);
  if (found == images_.end()) found = images_.insert(key, QImage(key, "PNG"));
  return *found;
}

QSize pageSizeAt(int zoom) { return QSize(int(kLineWidth) * zoom, int(kPageHeight) * zoom); }

void paintPage(QPainter& painter, const PageLayout& page, int zoom, PreviewImages& images) {
  painter.fillRect(QRect(QPoint(0, 0), pageSizeAt(zoom)), Qt::white);
  painter.setPen(Qt::black);
  for (const PageLine& line : page.lines) {
    const int shift = int(PageLayout::alignmentShift(line));
    for (size_t i = line.firstItem; i < line.firstItem + line.itemCount; ++i) {
      const PageItem& item = page.items[i];
      const int left = int(item.x + shift) * zoom;
      painter.setPen(Qt::black);
      switch (item.kind) {
        case PlacedKind::Character:
        case PlacedKind::UnicodeCharacter: paintCharacter(painter, item, line, left, zoom); break;
        case PlacedKind::Rule: paintRule(painter, item, line, zoom); break;
        case PlacedKind::SidebarMark: paintSidebarMark(painter, item, line, left, zoom); break;
        case PlacedKind::Image: paintImage(painter, item, line, left, zoom, images); break;
      }
    }
  }
}

}  // namespace scrivora
