#pragma once
// Draws one laid-out page as the handheld shows it, 158 by 148 of its pixels
// each drawn as zoom by zoom screen pixels: every character in its
// width-table cell in the reader's face, styles, alignment, rules, sidebar
// marks and images.

#include <QHash>
#include <QImage>
#include <QString>

#include "PagePreview.h"

class QPainter;

namespace scrivora {

// The book's images, read once each.
class PreviewImages {
 public:
  // A null image when the file cannot be read.
  const QImage& image(const std::string& path);
  void clear() { images_.clear(); }

 private:
  QHash<QString, QImage> images_;
};

// The size of a page on screen at a zoom.
QSize pageSizeAt(int zoom);

// Paints the page with its top left at (0, 0) of the painter.
void paintPage(QPainter& painter, const PageLayout& page, int zoom, PreviewImages& images);

}  // namespace scrivora
