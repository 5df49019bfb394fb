#include "EditObjectsDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "BookObjectData.h"
#include "DocumentTextView.h"
#include "DocumentWindow.h"
#include "ObjectCommands.h"
#include "ObjectDialogs.h"
#include "ObjectEditing.h"
#include "SettingsStore.h"

namespace scrivora {

namespace {
constexpr const char* kPlaceX = "EditObjects.WindowPos.x";
constexpr const char* kPlaceY = "EditObjects.WindowPos.y";
}  // namespace

const std::vector<std::pair<const char*, FourCC>>& EditObjectsDialog::filters() {
  static const std::vector<std::pair<const char*, FourCC>> list = {
      {"All Objects", 0},
      {"Links", kind::link},
      {"Link Anchors", kind::anchor},
      {"Chapters/Headings", kind::chapter},
      {"Comments", kind::comment},
      {"Images", kind::image},
      {"Book Plates", kind::bookPlate},
      {"Horizontal Rules", kind::rule},
      {"Tabs", kind::tab},
      {"Index Terms", kind::indexTerm},
      {"Footnotes", kind::footnote},
      {"Sidebars", kind::sidebar},
  };
  return list;
}

EditObjectsDialog::EditObjectsDialog(SettingsStore& settings, QWidget* parent) : QDialog(parent), settings_(settings) {
  setWindowTitle(QStringLiteral("Edit Objects"));
  setModal(false);
  list_ = new QListWidget(this);
  list_->setUniformItemSizes(true);  // long lists lay out without measuring every line
  filter_ = new QComboBox(this);
  for (const auto& entry : filters()) filter_->addItem(QString::fromLatin1(entry.first));
  auto* show = new QLabel(QStringLiteral("Show:"), this);
  show->setBuddy(filter_);
  edit_ = new QPushButton(QStringLiteral("Edit"), this);

  auto* row = new QHBoxLayout;
  row->addWidget(show);
  row->addWidget(filter_, 1);
  row->addWidget(edit_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(list_, 1);
  layout->addLayout(row);
  resize(360, 320);

  connect(list_, &QListWidget::itemSelectionChanged, this, &EditObjectsDialog::lineChosen);
  connect(list_, &QListWidget::itemDoubleClicked, this, [this] { editSelected(); });
  connect(edit_, &QPushButton::clicked, this, [this] { editSelected(); });
  connect(filter_, QOverload<int>::of(&QComboBox::activated), this, &EditObjectsDialog::filterChosen);
  connect(qApp, &QApplication::focusChanged, this, &EditObjectsDialog::activeWindowChanged);
  // Typing fires a change per key; the list follows once the typing pauses.
  refillSoon_.setSingleShot(true);
  refillSoon_.setInterval(150);
  connect(&refillSoon_, &QTimer::timeout, this, &EditObjectsDialog::refill);

  int32_t x = 0, y = 0;
  if (settings_.readInteger(kPlaceX, x) && settings_.readInteger(kPlaceY, y)) move(x, y);
}

EditObjectsDialog::~EditObjectsDialog() {
  // What the widgets say while they are taken down is no longer for us.
  disconnect(qApp, nullptr, this, nullptr);
  disconnect(contentsConnection_);
  disconnect(closingConnection_);
  list_->blockSignals(true);
  filter_->blockSignals(true);
}

void EditObjectsDialog::showFor(DocumentWindow* window) {
  bind(window);
  show();
  raise();
  activateWindow();
  refill();
}

void EditObjectsDialog::bind(DocumentWindow* window) {
  if (window == window_.data() && window != nullptr) return;
  disconnect(contentsConnection_);
  disconnect(closingConnection_);
  window_ = window;
  selectedObject_ = -1;
  dirty_ = true;
  if (window != nullptr) {
    contentsConnection_ = connect(window->view().document(), &QTextDocument::contentsChanged, this, [this] {
      dirty_ = true;
      if (isVisible()) refillSoon_.start();
    });
    // A closing window leaves the dialog bound to nothing and empty.
    closingConnection_ = connect(window, &QObject::destroyed, this, [this] {
      // Only the QObject is left of the window by now: never look at it.
      window_.clear();
      refill();
    });
  }
  refill();
}

void EditObjectsDialog::refresh() {
  dirty_ = true;
  refill();
}

void EditObjectsDialog::activeWindowChanged() {
  auto* window = qobject_cast<DocumentWindow*>(QApplication::activeWindow());
  if (window != nullptr && window != window_.data()) bind(window);
}

void EditObjectsDialog::refill() {
  if (!isVisible()) return;
  DocumentWindow* window = window_.data();
  if (window == listedDocument_ && !dirty_ && window != nullptr) return;
  refillSoon_.stop();
  listedDocument_ = window;
  dirty_ = false;
  refilling_ = true;
  const int scroll = list_->verticalScrollBar()->value();
  list_->setUpdatesEnabled(false);
  list_->clear();
  positions_.clear();
  int selectedRow = -1;
  if (window != nullptr) {
    QStringList lines;
    for (const ObjectListLine& line : listObjects(window->document().text(), kind_)) {
      if (line.position == selectedObject_) selectedRow = int(positions_.size());
      positions_.push_back(line.position);
      lines << textFromCodePage(line.description);
    }
    list_->addItems(lines);
    setWindowTitle(QStringLiteral("Edit Objects: ") + window->document().name());
  } else {
    setWindowTitle(QStringLiteral("Edit Objects"));
  }
  if (selectedRow >= 0)
    list_->setCurrentRow(selectedRow);
  else
    selectedObject_ = -1;
  list_->verticalScrollBar()->setValue(scroll);
  list_->setUpdatesEnabled(true);
  refilling_ = false;
}

void EditObjectsDialog::lineChosen() {
  if (refilling_ || window_.isNull()) return;
  const QList<QListWidgetItem*> chosen = list_->selectedItems();
  if (chosen.isEmpty()) return;
  const int position = positions_[size_t(list_->row(chosen.first()))];
  selectedObject_ = position;
  window_->document().text().setCaret(position);
  window_->view().ensureCursorVisible();
}

bool EditObjectsDialog::editSelected() {
  if (window_.isNull() || list_->selectedItems().isEmpty()) return false;
  const int position = positions_[size_t(list_->row(list_->selectedItems().first()))];
  if (!editObjectByDialog(window_->document().text(), position, this)) return false;
  selectedObject_ = position;
  refresh();
  return true;
}

void EditObjectsDialog::filterChosen(int index) {
  const FourCC kind = filters()[size_t(std::clamp(index, 0, int(filters().size()) - 1))].second;
  if (kind == kind_) return;
  kind_ = kind;
  refresh();
}

void EditObjectsDialog::storePlace() {
  settings_.writeInteger(kPlaceX, x());
  settings_.writeInteger(kPlaceY, y());
}

void EditObjectsDialog::reject() {
  storePlace();
  QDialog::reject();
}

}  // namespace scrivora
