#include "EditorDocument.h"

#include <QFileInfo>

#include "DocumentOpening.h"

namespace scrivora {

namespace {
// Counts up for the whole run: the third untitled document is Untitled3.tml
// even when the first two were closed.
uint32_t untitledCounter = 0;
}  // namespace

QString untitledName(uint32_t number) {
  return number == 1 ? QStringLiteral("Untitled.tml") : QStringLiteral("Untitled%1.tml").arg(number);
}

std::unique_ptr<EditorDocument> EditorDocument::untitled() {
  auto document = std::make_unique<EditorDocument>();
  document->untitledNumber_ = ++untitledCounter;
  return document;
}

EditorDocument::EditorDocument() : model_(std::make_unique<TextDocumentModel>(&document_, 2)) {
  QObject::connect(&document_, &QTextDocument::undoAvailable, &document_, [this](bool available) {
    if (available) modified_ = true;
  });
}

EditorDocument::~EditorDocument() = default;

LoadStatus EditorDocument::load(const std::string& path) {
  const LoadStatus status = openDocumentFile(path, *model_, bookInfo_);
  if (status == LoadStatus::ReadFailed) return status;
  path_ = path;
  untitledNumber_ = 0;
  writable_ = status != LoadStatus::NotWritable;
  model_->setCaret(0);
  return status;
}

QString EditorDocument::name() const {
  if (hasFile()) return QFileInfo(QString::fromStdString(path_)).fileName();
  return untitledName(untitledNumber_);
}

}  // namespace scrivora
