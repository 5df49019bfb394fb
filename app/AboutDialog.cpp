#include "AboutDialog.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "Product.h"

namespace scrivora {

namespace {

// 280 by 215 dialog units of the classic dialog font.
constexpr int kWidth = 420;
constexpr int kHeight = 350;

class AboutPicture : public QPushButton {
 public:
  explicit AboutPicture(QWidget* parent) : QPushButton(parent) {
    setFixedSize(kWidth, kHeight);
    setDefault(true);
    setAutoDefault(true);
    setFocusPolicy(Qt::StrongFocus);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(28, 58, 94));
    sky.setColorAt(1, QColor(92, 140, 178));
    painter.fillRect(rect(), sky);

    // A small handheld with a page of text.
    const QRectF device(width() / 2.0 - 55, 40, 110, 150);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 40, 46));
    painter.drawRoundedRect(device, 12, 12);
    const QRectF screen = device.adjusted(12, 14, -12, -30);
    painter.setBrush(QColor(238, 236, 224));
    painter.drawRect(screen);
    painter.setPen(QPen(QColor(120, 120, 120), 2));
    for (int line = 0; line < 7; ++line) {
      const double y = screen.top() + 12 + line * 13;
      const double right = screen.right() - 8 - (line % 3 == 2 ? 22 : 0);
      painter.drawLine(QPointF(screen.left() + 8, y), QPointF(right, y));
    }

    painter.setPen(Qt::white);
    QFont name = font();
    name.setPointSize(26);
    name.setBold(true);
    painter.setFont(name);
    painter.drawText(QRect(0, 200, width(), 50), Qt::AlignCenter, QString::fromLatin1(kProductName));
    QFont small = font();
    small.setPointSize(11);
    painter.setFont(small);
    painter.drawText(QRect(0, 250, width(), 24), Qt::AlignCenter,
                     QStringLiteral("Version %1").arg(QString::fromLatin1(kProductVersion)));
    painter.drawText(QRect(0, 280, width(), 24), Qt::AlignCenter,
                     QStringLiteral("Authoring eBooks for handheld readers"));
    if (hasFocus()) {
      painter.setPen(QPen(QColor(255, 255, 255, 90), 1, Qt::DotLine));
      painter.setBrush(Qt::NoBrush);
      painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
  }
};

}  // namespace

QString AboutDialog::title() { return QStringLiteral("About %1...").arg(QString::fromLatin1(kProductName)); }

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(title());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* picture = new AboutPicture(this);
  layout->addWidget(picture);
  connect(picture, &QPushButton::clicked, this, &QDialog::accept);
  setFixedSize(kWidth, kHeight);
  picture->setFocus();
}

}  // namespace scrivora
