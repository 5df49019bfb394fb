#include "FormattingToolBar.h"

#include <QPainter>

#include "Commands.h"

namespace scrivora {

namespace {

constexpr int kIconSize = 32;

// A letter in a given style, or a little page of lines showing an alignment
// or an indent.
QIcon letterIcon(const QString& letter, int pointSize, bool bold, bool italic, bool underline, bool strike) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font(QStringLiteral("DejaVu Serif"));
  font.setPixelSize(pointSize);
  font.setBold(bold);
  font.setItalic(italic);
  font.setUnderline(underline);
  font.setStrikeOut(strike);
  painter.setFont(font);
  painter.setPen(QColor(30, 30, 30));
  painter.drawText(QRect(0, 0, kIconSize, kIconSize), Qt::AlignCenter, letter);
  return QIcon(pixmap);
}

// Five lines; for each, where it starts and ends in eighths of the width.
QIcon linesIcon(const std::vector<std::pair<int, int>>& lines) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setPen(QPen(QColor(30, 30, 30), 2.5, Qt::SolidLine, Qt::FlatCap));
  const double unit = (kIconSize - 8) / 8.0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const double y = 6 + double(i) * 5;
    painter.drawLine(QPointF(4 + lines[i].first * unit, y), QPointF(4 + lines[i].second * unit, y));
  }
  return QIcon(pixmap);
}

// The button's own picture, faded, with a dash in its corner: some of the
// selection has the format, some has not.
QIcon partlyIcon(const QIcon& icon) {
  QPixmap pixmap(kIconSize, kIconSize);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setOpacity(0.45);
  painter.drawPixmap(0, 0, icon.pixmap(kIconSize, kIconSize));
  painter.setOpacity(1.0);
  painter.setPen(QPen(QColor(30, 30, 30), 4, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(QPointF(kIconSize - 14, kIconSize - 4), QPointF(kIconSize - 2, kIconSize - 4));
  return QIcon(pixmap);
}

struct Button {
  Command command;
  const char* tip;
  QIcon (*icon)();
};

const Button kButtons[] = {
    {cmd::kFontNormal, "Normal Font", [] { return letterIcon(QStringLiteral("N"), 20, false, false, false, false); }},
    {cmd::kFontSmall, "Small Font", [] { return letterIcon(QStringLiteral("S"), 15, false, false, false, false); }},
    {cmd::kFontBold, "Bold Font", [] { return letterIcon(QStringLiteral("B"), 20, true, false, false, false); }},
    {cmd::kFontLarge, "Large Font", [] { return letterIcon(QStringLiteral("L"), 26, false, false, false, false); }},
    {0, nullptr, nullptr},
    {cmd::kItalic, "Italic", [] { return letterIcon(QStringLiteral("I"), 22, false, true, false, false); }},
    {cmd::kUnderline, "Underline", [] { return letterIcon(QStringLiteral("U"), 22, false, false, true, false); }},
    {cmd::kOverstrike, "Overstrike", [] { return letterIcon(QStringLiteral("O"), 22, false, false, false, true); }},
    {0, nullptr, nullptr},
    {cmd::kAlignLeft, "Align Left",
     [] {
       return linesIcon({{0, 8}, {0, 5}, {0, 7}, {0, 4}, {0, 6}});
     }},
    {cmd::kAlignCenter, "Center",
     [] {
       return linesIcon({{0, 8}, {2, 6}, {1, 7}, {2, 6}, {1, 7}});
     }},
    {cmd::kAlignRight, "Align Right",
     [] {
       return linesIcon({{0, 8}, {3, 8}, {1, 8}, {4, 8}, {2, 8}});
     }},
    {0, nullptr, nullptr},
    {cmd::kNoIndent, "No Indent",
     [] {
       return linesIcon({{0, 8}, {0, 8}, {0, 6}, {0, 8}, {0, 5}});
     }},
    {cmd::kBlockIndent, "Block Indent",
     [] {
       return linesIcon({{3, 8}, {3, 8}, {3, 7}, {3, 8}, {3, 6}});
     }},
    {cmd::kBodyIndent, "Body Indent",
     [] {
       return linesIcon({{0, 8}, {3, 8}, {3, 7}, {3, 8}, {3, 6}});
     }},
    {cmd::kFirstLineIndent, "First Line Indent",
     [] {
       return linesIcon({{3, 8}, {0, 8}, {0, 7}, {0, 8}, {0, 6}});
     }},
};

}  // namespace

FormattingToolBar::FormattingToolBar(CommandRouter& router, QWidget* parent)
    : QToolBar(QStringLiteral("Formatting"), parent), router_(router) {
  setMovable(false);
  setFloatable(false);
  setIconSize(QSize(16, 16));
  // Fifteen buttons have to fit the handheld-wide window.
  setStyleSheet(QStringLiteral("QToolBar { spacing: 0px; padding: 0px; } QToolButton { padding: 1px; }"));
  setContextMenuPolicy(Qt::PreventContextMenu);
  for (const Button& button : kButtons) {
    if (button.command == 0) {
      addSeparator();
      continue;
    }
    const QIcon icon = button.icon();
    QAction* action = addAction(icon, QString::fromLatin1(button.tip));
    action->setToolTip(QString::fromLatin1(button.tip));
    action->setCheckable(true);
    const Command command = button.command;
    connect(action, &QAction::triggered, this, [this, command] {
      router_.dispatchCommand(command);
      refresh();
    });
    buttons_.push_back({command, action, icon, partlyIcon(icon), kUnchecked});
  }
}

void FormattingToolBar::refresh() {
  for (ButtonState& button : buttons_) {
    button.action->setEnabled(router_.commandEnabled(button.command));
    const int state = router_.commandCheckState(button.command);
    button.action->setChecked(state == kChecked);
    if ((state == kPartlyChecked) != (button.shown == kPartlyChecked))
      button.action->setIcon(state == kPartlyChecked ? button.partly : button.normal);
    button.shown = state;
  }
}

QAction* FormattingToolBar::actionFor(Command command) const {
  for (const ButtonState& button : buttons_)
    if (button.command == command) return button.action;
  return nullptr;
}

int FormattingToolBar::shownState(Command command) const {
  for (const ButtonState& button : buttons_)
    if (button.command == command) return button.shown;
  return kUnchecked;
}

}  // namespace scrivora
