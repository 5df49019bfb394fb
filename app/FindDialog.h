#pragma once
// The modeless Find dialog: the search and replacement texts, the three
// options and the Find, Replace and Replace All buttons. It shows the one
// FindSettings and copies every edit into it at once; its buttons act on the
// document window the user worked in last. It remembers where it was put.

#include <QDialog>

#include <functional>

#include "CommandTarget.h"
#include "FindSettings.h"
#include "ShortcutTable.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace scrivora {

class SettingsStore;

class FindDialog : public QDialog {
  Q_OBJECT

 public:
  // `activeDocument` gives the window the buttons act on, null when there is
  // none.
  FindDialog(FindSettings& settings, SettingsStore& store, std::function<CommandTarget*()> activeDocument);
  ~FindDialog() override;

  // Shows the dialog filled from the settings, in front, with the Find
  // field's text selected for typing over.
  void showForSearch();

  QLineEdit& findField() { return *findField_; }
  QLineEdit& replaceField() { return *replaceField_; }
  QCheckBox& caseSensitiveBox() { return *caseSensitive_; }
  QCheckBox& entireWordBox() { return *entireWord_; }
  QCheckBox& regexBox() { return *regex_; }
  QPushButton& findButton() { return *findButton_; }
  QPushButton& replaceButton() { return *replaceButton_; }
  QPushButton& replaceAllButton() { return *replaceAllButton_; }

 protected:
  bool event(QEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void buildControls();
  void settingsChanged(FindSettings::Change change);
  void showTexts();
  void showOptions();
  // Sends the command to the active document; a beep when it cannot run.
  void act(Command command);
  void restorePosition();
  void storePosition();

  FindSettings& settings_;
  SettingsStore& store_;
  std::function<CommandTarget*()> activeDocument_;
  int listener_ = 0;
  ShortcutTable shortcuts_;
  QLineEdit* findField_ = nullptr;
  QLineEdit* replaceField_ = nullptr;
  QCheckBox* caseSensitive_ = nullptr;
  QCheckBox* entireWord_ = nullptr;
  QCheckBox* regex_ = nullptr;
  QPushButton* findButton_ = nullptr;
  QPushButton* replaceButton_ = nullptr;
  QPushButton* replaceAllButton_ = nullptr;
};

}  // namespace scrivora
