#pragma once
// The widget that shows a document's text and takes the author's typing. It
// works on the document's own QTextDocument and holds the one cursor that
// the editor's text model also uses; copy, cut, paste and drags carry book
// objects through the editor's clipboard format.

#include <QTextEdit>

#include "TextDocumentModel.h"

namespace scrivora {

class DocumentTextView : public QTextEdit, public CaretHost {
  Q_OBJECT

 public:
  DocumentTextView(TextDocumentModel& text, QWidget* parent = nullptr);
  ~DocumentTextView() override;

  // Lines are as wide as the handheld's screen at the zoom factor.
  void setZoom(int zoom);

  QTextCursor caretCursor() const override { return textCursor(); }
  void setCaretCursor(const QTextCursor& cursor) override { setTextCursor(cursor); }

 protected:
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;
  // The notes at the end of the text are set apart by a rule and a heading
  // line, drawn here and never written to the file.
  void paintEvent(QPaintEvent* event) override;

 private:
  int notesStart() const;

  TextDocumentModel& text_;
  mutable struct {
    bool valid = false;
    uint64_t changes = 0;
    int position = -1;
  } notes_;
};

// The width of the handheld's screen in view pixels at a zoom factor.
int lineWidthAt(int zoom);

}  // namespace scrivora
