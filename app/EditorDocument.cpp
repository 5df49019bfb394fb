#include "EditorDocument.h"

#include <QFileInfo>

#include "FileSystem.h"
#include "TmlLoader.h"

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
  document->takeUntitledNumber();
  return document;
}

std::unique_ptr<EditorDocument> EditorDocument::recovered(const std::string& tml, const std::string& originPath) {
  auto document = std::make_unique<EditorDocument>();
  TmlLoadOptions options;
  options.imageValuesArePaths = true;
  if (!loadTmlFromMemory(tml, options, &document->bookInfo_, document->model_.get())) return nullptr;
  if (originPath.empty())
    document->takeUntitledNumber();
  else
    document->recoveredFrom_ = originPath;
  document->modified_ = true;
  document->model_->setCaret(0);
  return document;
}

EditorDocument::EditorDocument() : model_(std::make_unique<TextDocumentModel>(&document_, 2)) {
  QObject::connect(&document_, &QTextDocument::undoAvailable, &document_, [this](bool available) {
    if (available) modified_ = true;
  });
}

EditorDocument::~EditorDocument() = default;

void EditorDocument::takeUntitledNumber() {
  path_.clear();
  untitledNumber_ = ++untitledCounter;
}

DocumentOpenResult EditorDocument::load(const std::string& path, const DocumentOpenOptions& options) {
  const DocumentOpenResult result = openDocumentFile(path, *model_, bookInfo_, options);
  if (!result.loaded()) return result;
  if (result.imported) {
    // An import is a new text that has never been saved.
    takeUntitledNumber();
    modified_ = true;
  } else {
    path_ = path;
    untitledNumber_ = 0;
    writable_ = result.status != DocumentLoadStatus::NotWritable;
  }
  model_->setCaret(0);
  return result;
}

bool EditorDocument::saveTo(const std::string& path, std::string& reason) {
  if (!saveDocumentFile(*model_, bookInfo_, path, reason)) return false;
  path_ = path;
  recoveredFrom_.clear();
  untitledNumber_ = 0;
  writable_ = true;
  document_.clearUndoRedoStacks();
  modified_ = false;
  notify(Event::Saved);
  return true;
}

bool EditorDocument::reloadFromFile(std::string& reason) {
  // Read before anything is removed: a file that has gone or cannot be read
  // must not cost the author the text on screen.
  std::string contents;
  if (!hasFile() || !readRegularFile(path_, contents, reason)) {
    if (!hasFile()) reason = "The document has no file.";
    return false;
  }
  const bool wasModified = modified_;
  const bool undo = model_->setUndoEnabled(false);
  model_->removeText(0, model_->length());
  model_->setCaret(0);
  BookInfo info;
  if (!loadTml(path_, &info, model_.get())) {
    // The file changed under us between the two reads: load what was read.
    TmlLoadOptions options;
    options.documentPath = path_;
    model_->removeText(0, model_->length());
    loadTmlFromMemory(contents, options, &info, model_.get());
  }
  model_->setUndoEnabled(undo);
  bookInfo_ = info;
  document_.clearUndoRedoStacks();
  modified_ = wasModified;
  model_->setCaret(0);
  return true;
}

void EditorDocument::setBookInfo(const BookInfo& info) {
  bookInfo_ = info;
  modified_ = true;
  notify(Event::Changed);
}

QString EditorDocument::name() const {
  if (hasFile()) return QFileInfo(QString::fromStdString(path_)).fileName();
  if (!recoveredFrom_.empty()) return QFileInfo(QString::fromStdString(recoveredFrom_)).fileName();
  return untitledName(untitledNumber_);
}

}  // namespace scrivora
