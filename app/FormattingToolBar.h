#pragma once
// The formatting toolbar above a document's text: four groups of buttons
// (font, style, alignment, indent), each sending its command through the
// window's router exactly as the menu entry with the same number.

#include <QToolBar>

#include <vector>

#include "CommandMenus.h"

namespace scrivora {

class FormattingToolBar : public QToolBar {
  Q_OBJECT

 public:
  FormattingToolBar(CommandRouter& router, QWidget* parent = nullptr);
  // Pressed and enabled states from the router.
  void refresh();
  QAction* actionFor(Command command) const;

 private:
  CommandRouter& router_;
  std::vector<std::pair<Command, QAction*>> buttons_;
};

}  // namespace scrivora
