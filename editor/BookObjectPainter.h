#pragma once
// Lets the document layout size and draw book objects.

#include <QObject>
#include <QTextObjectInterface>

namespace scrivora {

class RichTextView;

class BookObjectPainter : public QObject, public QTextObjectInterface {
  Q_OBJECT
  Q_INTERFACES(QTextObjectInterface)

 public:
  explicit BookObjectPainter(RichTextView& view) : view_(view) {}
  QSizeF intrinsicSize(QTextDocument* document, int position, const QTextFormat& format) override;
  void drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document, int position,
                  const QTextFormat& format) override;

 private:
  RichTextView& view_;
};

}  // namespace scrivora
