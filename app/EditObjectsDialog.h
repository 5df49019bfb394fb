#pragma once
// Edit Objects: a modeless list of the active document's book objects, one
// line each with its description, optionally of one kind only. Selecting a
// line moves the document's caret to the object; Edit or a double-click
// opens the object's own dialog. One per application; it follows the active
// document window and refills when the text changes.

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <vector>

#include "EditorText.h"

class QComboBox;
class QListWidget;
class QPushButton;

namespace scrivora {

class DocumentWindow;
class SettingsStore;

class EditObjectsDialog : public QDialog {
  Q_OBJECT

 public:
  explicit EditObjectsDialog(SettingsStore& settings, QWidget* parent = nullptr);
  ~EditObjectsDialog() override;

  // Binds to the window's document and shows the dialog in front.
  void showFor(DocumentWindow* window);
  // Lists another document (none for null); refills when shown.
  void bind(DocumentWindow* window);
  // After edits made elsewhere: refill when shown.
  void refresh();

  DocumentWindow* listedWindow() const { return window_; }
  // The object's position behind each line, in list order.
  const std::vector<int>& positions() const { return positions_; }
  QListWidget& list() { return *list_; }
  QComboBox& filterBox() { return *filter_; }
  QPushButton& editButton() { return *edit_; }
  // Opens the dialog of the selected line's object; true when it changed.
  bool editSelected();
  // Cancel, Escape and the close box hide the dialog and keep its place.
  void reject() override;

  // "Show:" entries in order, with their kinds (0 for all).
  static const std::vector<std::pair<const char*, FourCC>>& filters();

 private:
  void refill();
  void lineChosen();
  void filterChosen(int index);
  void activeWindowChanged();
  void storePlace();

  SettingsStore& settings_;
  QPointer<DocumentWindow> window_;
  QMetaObject::Connection contentsConnection_, closingConnection_;
  QListWidget* list_;
  QComboBox* filter_;
  QPushButton* edit_;
  std::vector<int> positions_;
  FourCC kind_ = 0;
  int selectedObject_ = -1;
  DocumentWindow* listedDocument_ = nullptr;
  bool dirty_ = true;
  bool refilling_ = false;
  QTimer refillSoon_;
};

}  // namespace scrivora
