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
  // Pressed, partly pressed and enabled states from the router.
  void refresh();
  QAction* actionFor(Command command) const;
  // The check state a button shows: pressed, partly (a faded picture with a
  // dash) or neither.
  int shownState(Command command) const;

 private:
  CommandRouter& router_;
  struct ButtonState {
    Command command;
    QAction* action;
    QIcon normal, partly;
    int shown;
  };
  std::vector<ButtonState> buttons_;
};

}  // namespace scrivora
