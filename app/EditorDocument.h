#pragma once
// One open document: its text (a QTextDocument seen through the editor's
// text model), its file, its book information and the state of its file:
// untitled number, modified, writable.

#include <QString>
#include <QTextDocument>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "BookInfo.h"
#include "DocumentFile.h"
#include "TextDocumentModel.h"

namespace scrivora {

// How opening a file went: 0 loaded, 1 reading failed, 2 loaded but not
// writable, anything else a failure of another kind.
using LoadStatus = DocumentLoadStatus;

class EditorDocument {
 public:
  // An empty document, to be loaded from a file.
  EditorDocument();
  // An untitled document, numbered from the process-wide counter.
  static std::unique_ptr<EditorDocument> untitled();
  // A document restored from a recovery copy of the file at `originPath`
  // (empty for a document that never had one): it has no file, is modified,
  // and goes by the name of its file (or takes the next untitled number).
  // Image tags in the text name their images by full path. Null when the
  // text cannot be loaded.
  static std::unique_ptr<EditorDocument> recovered(const std::string& tml, const std::string& originPath);
  ~EditorDocument();
  EditorDocument(const EditorDocument&) = delete;
  EditorDocument& operator=(const EditorDocument&) = delete;

  // Reads the file into the (empty) document by its kind. A TML or text file
  // becomes the document's file; an imported one (HTML) leaves the document
  // untitled, numbered and modified. Nothing is kept when nothing loaded.
  DocumentOpenResult load(const std::string& path, const DocumentOpenOptions& options = DocumentOpenOptions());

  // Writes the document as TML into the file. On success the file is the
  // document's file, writable, unmodified and without undo history; on
  // failure (with the system's reason) nothing of the document changes and
  // the file on disk is as it was.
  bool saveTo(const std::string& path, std::string& reason);

  // Reloads the document's file in place of the text and the book
  // information, and forgets the undo history; the modified flag stays. On
  // failure (with the reason) the text is as it was.
  bool reloadFromFile(std::string& reason);

  QTextDocument& textDocument() { return document_; }
  TextDocumentModel& text() { return *model_; }
  const TextDocumentModel& text() const { return *model_; }
  const BookInfo& bookInfo() const { return bookInfo_; }
  BookInfo& bookInfo() { return bookInfo_; }
  // A confirmed change of the book information: the document is modified.
  void setBookInfo(const BookInfo& info);
  bool hasTitle() const { return !bookInfo_.title.empty(); }

  bool hasFile() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  // The file a restored document was a copy of; empty for any other.
  const std::string& recoveredFrom() const { return recoveredFrom_; }
  uint32_t untitledNumber() const { return untitledNumber_; }
  // The file name without its folder; Untitled.tml, Untitled2.tml ... without one.
  QString name() const;

  // Set once the text has something to undo, by imports and by a confirmed
  // change of the book information; cleared only by saving.
  bool modified() const { return modified_; }
  void markModified() {
    modified_ = true;
    notify(Event::Changed);
  }
  bool writable() const { return writable_; }

  // Told after a save, and after a change that the text may not show (the
  // book information, a mark of modification); one listener at a time.
  enum class Event { Saved, Changed };
  void setListener(std::function<void(Event)> listener) { listener_ = std::move(listener); }

 private:
  void takeUntitledNumber();
  void notify(Event event) {
    if (listener_) listener_(event);
  }

  QTextDocument document_;
  std::unique_ptr<TextDocumentModel> model_;
  BookInfo bookInfo_;
  std::string path_;
  std::string recoveredFrom_;
  uint32_t untitledNumber_ = 0;
  bool modified_ = false;
  bool writable_ = true;
  std::function<void(Event)> listener_;
};

// The name an untitled document with this number is shown under.
QString untitledName(uint32_t number);

}  // namespace scrivora
