#include "CheckMarks.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include "CommandTarget.h"

namespace scrivora {

namespace {

QPixmap markPixmap(bool partial) {
  constexpr int kSize = 32;  // drawn large, scaled down crisply by the menu
  QPixmap pixmap(kSize, kSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(30, 30, 30), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  if (partial) {
    // A dash: some of the selection has it, some does not.
    painter.drawLine(QPointF(8, 16), QPointF(24, 16));
  } else {
    QPainterPath tick;
    tick.moveTo(6, 17);
    tick.lineTo(13, 24);
    tick.lineTo(26, 8);
    painter.drawPath(tick);
  }
  return pixmap;
}

}  // namespace

QIcon checkMarkIcon(int checkState) {
  if (checkState == kChecked) return QIcon(markPixmap(false));
  if (checkState == kPartlyChecked) return QIcon(markPixmap(true));
  return QIcon();
}

}  // namespace scrivora
