#pragma once
// Files dropped on a document window: text, TML, HTML and RTF files open as
// documents of their own (without the already-open check and without load
// boxes); everything else is the text view's own drop.

#include <QObject>

#include <functional>
#include <string>

namespace scrivora {

class DroppedFileOpener : public QObject {
  Q_OBJECT

 public:
  // `open` opens one file as a new document. Watches the view's viewport,
  // where drops arrive.
  DroppedFileOpener(QWidget& viewport, std::function<void(const std::string&)> open);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void(const std::string&)> open_;
};

}  // namespace scrivora
