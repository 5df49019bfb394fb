#pragma once
// One open document: its text (a QTextDocument seen through the editor's
// text model), its file, its book information and the state of its file:
// untitled number, modified, writable.

#include <QString>
#include <QTextDocument>

#include <cstdint>
#include <memory>
#include <string>

#include "BookInfo.h"
#include "TextDocumentModel.h"

namespace scrivora {

// How opening a file went.
enum class LoadStatus { Loaded = 0, ReadFailed = 1, NotWritable = 2 };

class EditorDocument {
 public:
  // An empty document, to be loaded from a file.
  EditorDocument();
  // An untitled document, numbered from the process-wide counter.
  static std::unique_ptr<EditorDocument> untitled();
  ~EditorDocument();
  EditorDocument(const EditorDocument&) = delete;
  EditorDocument& operator=(const EditorDocument&) = delete;

  // Reads the file into the (empty) document and keeps it as the document's
  // file. A file that cannot be read leaves the document untitled.
  LoadStatus load(const std::string& path);

  QTextDocument& textDocument() { return document_; }
  TextDocumentModel& text() { return *model_; }
  const TextDocumentModel& text() const { return *model_; }
  BookInfo& bookInfo() { return bookInfo_; }

  bool hasFile() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  uint32_t untitledNumber() const { return untitledNumber_; }
  // The file name without its folder; Untitled.tml, Untitled2.tml ... without one.
  QString name() const;

  // Set once the text has something to undo, and by changes that are not
  // recorded for undo; cleared only by saving.
  bool modified() const { return modified_; }
  void markModified() { modified_ = true; }
  bool writable() const { return writable_; }

 private:
  QTextDocument document_;
  std::unique_ptr<TextDocumentModel> model_;
  BookInfo bookInfo_;
  std::string path_;
  uint32_t untitledNumber_ = 0;
  bool modified_ = false;
  bool writable_ = true;
};

// The name an untitled document with this number is shown under.
QString untitledName(uint32_t number);

}  // namespace scrivora
