#include "DocumentLayout.h"

#include "BookObject.h"
#include "TextDocumentModel.h"

namespace scrivora {

namespace {

// Undo recording, change notifications and redrawing are held for the whole
// re-layout: it is not an edit of the author's, and the widget hears of it
// once, at the end.
class HeldSwitches {
 public:
  explicit HeldSwitches(TextDocumentModel& text)
      : text_(text),
        undo_(text.setUndoEnabled(false)),
        notifications_(text.setNotificationsEnabled(false)),
        redraw_(text.setRedrawEnabled(false)) {}
  ~HeldSwitches() {
    text_.setRedrawEnabled(redraw_);
    text_.setNotificationsEnabled(notifications_);
    text_.setUndoEnabled(undo_);
  }

 private:
  TextDocumentModel& text_;
  bool undo_, notifications_, redraw_;
};

bool isNormalFace(const std::string& face) { return face == kFaceNormal9 || face == kFaceNormal12; }

// Face and size of every run (and of the caret) made again; `refont` says
// which runs to touch.
template <typename Refont>
void refontRuns(TextDocumentModel& text, Refont refont) {
  const int caretStart = text.selectionStart(), caretEnd = text.selectionEnd();
  for (const StyleRun& run : text.styleRuns()) {
    CharStyle style = run.style;
    if (refont(style)) text.applyStyle(run.start, run.end, style);
  }
  text.setSelection(caretStart, caretEnd);
  if (caretStart == caretEnd) {
    CharStyle caret = text.caretStyle();
    if (refont(caret)) text.applyStyleAtCaret(caret);
  }
}

}  // namespace

void relayoutForZoom(TextDocumentModel& text, int zoom) {
  HeldSwitches held(text);
  text.setZoom(zoom);
  zoom = text.zoom();
  const AttributeValue indent{{}, int32_t(8 * zoom), {}};
  for (const ParagraphRun& run : text.paragraphRuns()) {
    switch (indentModeOf(run.format)) {
      case IndentMode::None: break;
      case IndentMode::Block: text.setAttribute(attr::blockIndent, run.start, run.end, indent); break;
      case IndentMode::Body: text.setAttribute(attr::bodyIndent, run.start, run.end, indent); break;
      case IndentMode::FirstLine: text.setAttribute(attr::firstLineIndent, run.start, run.end, indent); break;
    }
  }
  refontRuns(text, [&](CharStyle& style) {
    const FontKind font = fontOfFace(style.face);
    // Raised and lowered text keeps its direction at the new scale.
    if (style.offset > 0) style.offset = int16_t(3 * zoom);
    if (style.offset < 0) style.offset = int16_t(-zoom);
    faceAndSizeOf(font, font == FontKind::Normal && isNormalFace(style.face) ? style.face : text.normalFace(), zoom,
                  style.face, style.size);
    return true;
  });
  // Objects are measured at the zoom of their record.
  for (int position = text.nextObject(-1); position >= 0; position = text.nextObject(position)) {
    BookObjectData data;
    if (text.objectAt(position, data) && data.zoom != zoom) {
      data.zoom = uint16_t(zoom);
      text.setObjectData(position, data);
    }
  }
  relayoutTabs(text);
}

void changeNormalFont(TextDocumentModel& text, const std::string& normalFace) {
  HeldSwitches held(text);
  text.setNormalFace(normalFace);
  refontRuns(text, [&](CharStyle& style) {
    if (!isNormalFace(style.face)) return false;
    faceAndSizeOf(FontKind::Normal, normalFace, text.zoom(), style.face, style.size);
    return true;
  });
  relayoutTabs(text);
}

}  // namespace scrivora
