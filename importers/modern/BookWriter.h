#pragma once
// Writes the documents of a book as TML, element by element, with the
// survey's anchors, chapters and footnote references: the main text through
// one composer, each moved note's text through a composer of its own for the
// footnote block.

#include <functional>
#include <string>
#include <vector>

#include "BookSurvey.h"
#include "TmlComposer.h"

namespace scrivora::modern {

// Gives the file name (for \m) of a picture referred to from a document, at
// most `maxWidth` pixels wide; empty when it cannot be used, the reason
// having been reported.
using PictureFiler = std::function<std::string(size_t document, const std::string& reference, unsigned maxWidth)>;

class BookWriter {
 public:
  BookWriter(const std::vector<ContentDocument>& documents, const BookSurvey& survey, TmlCharacters& characters,
             PictureFiler pictures);

  TmlComposer& mainText() { return main_; }
  // Writes one document into the main text; every document after the first
  // starts on a new page.
  void writeDocument(size_t document);
  // The TML of a moved note's text, for its footnote block.
  std::string noteBody(const xmlNode* note);

 private:
  struct ListState {
    bool ordered = false;
    long next = 1;
    char numbering = '1';
    bool hanging = false;
  };
  struct TableState {
    unsigned columns = 1;
    unsigned cell = 0;
  };
  struct Frame {
    InlineStyle style;
    LineAlignment alignment = LineAlignment::Left;
    bool indented = false;
    bool preformatted = false;
    int indentDepth = 0;
    int breakAfter = 0;  // 1 line, 2 paragraph
    bool closesLink = false;
    bool closesHeading = false;
    bool closesQuote = false;
    bool popsList = false;
    bool popsTable = false;
  };
  enum class Mode { Main, Note };

  void walk(xmlNode* root, size_t document, Mode mode, TmlComposer& out);
  bool enterElement(xmlNode* element, size_t document, Mode mode, TmlComposer& out);
  void leaveElement(TmlComposer& out);
  void writeText(const xmlNode* node, TmlComposer& out);
  void applyInlineStyle(const xmlNode* element, std::string_view name, TmlComposer& out);
  void applyBlockAlignment(const xmlNode* element, std::string_view name, TmlComposer& out);
  void writePicture(size_t document, const std::string& reference, const std::string& alt, TmlComposer& out);
  void writeSvgPictures(xmlNode* svg, size_t document, TmlComposer& out);
  void writeListItem(const xmlNode* item, TmlComposer& out);
  void writeTableCell(const xmlNode* cell, TmlComposer& out);
  void writeHeading(const xmlNode* heading, Mode mode, TmlComposer& out);
  void writeLink(xmlNode* link, size_t document, Mode mode, TmlComposer& out, bool& descend);
  void placeAnchorsWithin(xmlNode* element, TmlComposer& out);
  void setIndentDepth(int depth, TmlComposer& out);

  const std::vector<ContentDocument>& documents_;
  const BookSurvey& survey_;
  TmlCharacters& characters_;
  PictureFiler pictures_;
  TmlComposer main_;
  std::vector<Frame> frames_;
  std::vector<ListState> lists_;
  std::vector<TableState> tables_;
  int indentDepth_ = 0;
  bool stripNewline_ = false;  // the next text starts a <pre>
};

}  // namespace scrivora::modern
