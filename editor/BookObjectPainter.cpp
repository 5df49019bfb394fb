#include "BookObjectPainter.h"

#include <QPainter>

#include "BookObject.h"
#include "TextDocumentModel.h"

namespace scrivora {

QSizeF BookObjectPainter::intrinsicSize(QTextDocument*, int, const QTextFormat& format) {
  const BookObjectData data = objectOfFormat(format.toCharFormat());
  const QImage picture = data.kind == kind::image ? view_.picture(data.text) : QImage();
  return QSizeF(bookObjectSize(data, picture));
}

void BookObjectPainter::drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                                   const QTextFormat& format) {
  const BookObjectData data = objectOfFormat(format.toCharFormat());
  const QImage picture = data.kind == kind::image ? view_.picture(data.text) : QImage();
  drawBookObject(*painter, rect.toAlignedRect(), data, picture);
}

}  // namespace scrivora
