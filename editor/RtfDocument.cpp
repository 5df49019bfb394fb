#include "RtfDocument.h"

#include <new>
#include <vector>

#include "BuildLog.h"
#include "QXException.h"

namespace scrivora {

namespace {

// Line feeds are dropped and line breaks end the paragraph: the editor has
// no line break inside a paragraph.
QString editorTextOf(const std::string& utf8) {
  QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
  text.remove(QChar('\n'));
  text.replace(QChar(0x0B), QChar('\r'));
  return text;
}

// Whether a run leaves anything in the editor (line feeds do not).
bool hasEditorText(const RtfRun& run) { return run.text.find_first_not_of('\n') != std::string::npos; }

// For each paragraph, the format of the first text after it; plain where
// none follows. Worked out from the end, so that long stretches of empty
// paragraphs cost no more than the rest.
std::vector<RtfCharFormat> formatsAfter(const std::vector<RtfParagraph>& paragraphs) {
  std::vector<RtfCharFormat> after(paragraphs.size());
  RtfCharFormat next;
  for (size_t p = paragraphs.size(); p-- > 0;) {
    after[p] = next;
    for (const RtfRun& run : paragraphs[p].runs)
      if (hasEditorText(run)) {
        next = run.format;
        break;
      }
  }
  return after;
}

class SuspendedUndo {
 public:
  explicit SuspendedUndo(RichTextView& view)
      : view_(view), undo_(view.setUndoEnabled(false)), notifications_(view.setNotificationsEnabled(false)) {}
  ~SuspendedUndo() {
    view_.setNotificationsEnabled(notifications_);
    view_.setUndoEnabled(undo_);
  }
  SuspendedUndo(const SuspendedUndo&) = delete;
  SuspendedUndo& operator=(const SuspendedUndo&) = delete;

 private:
  RichTextView& view_;
  bool undo_, notifications_;
};

}  // namespace

CharStyle editorStyleOf(const RtfCharFormat& format, const std::string& normalFace, int zoom) {
  FontKind font = fontOfFace(format.face);
  // Bold is no effect of the editor but a font of its own.
  if (font == FontKind::Normal && format.bold) font = FontKind::Bold;
  if (format.script != RtfScript::Normal) font = FontKind::Script;
  CharStyle style;
  faceAndSizeOf(font, normalFace, zoom, style.face, style.size);
  if (format.script == RtfScript::Raised) style.offset = int16_t(3 * zoom);
  if (format.script == RtfScript::Lowered) style.offset = int16_t(-zoom);
  style.italic = format.italic;
  style.underline = format.underline;
  style.overstrike = format.strike;
  return style;
}

void insertRtfContent(const RtfContent& content, RichTextView& view) {
  SuspendedUndo suspended(view);
  const std::string normalFace = view.normalFace();
  const int zoom = view.zoom();
  const int start = view.caret();
  view.beginEditGroup();
  const auto& paragraphs = content.paragraphs;
  const std::vector<RtfCharFormat> after = formatsAfter(paragraphs);
  for (size_t p = 0; p < paragraphs.size(); ++p) {
    for (const RtfRun& run : paragraphs[p].runs) {
      if (!hasEditorText(run)) continue;
      view.applyStyleAtCaret(editorStyleOf(run.format, normalFace, zoom));
      view.insertText(editorTextOf(run.text));
    }
    if (!paragraphs[p].ended) continue;
    // The paragraph end goes with the text after it, so that a format which
    // stops with the paragraph is closed before the line end when saved.
    view.applyStyleAtCaret(editorStyleOf(after[p], normalFace, zoom));
    view.insertText(QStringLiteral("\r"));
  }
  const int end = view.caret();
  view.setAttribute(attr::alignment, start, end, AttributeValue{std::string(), int32_t(kAlignLeft), Rgb()});
  view.setAttribute(attr::noIndent, start, end, AttributeValue());
  view.endEditGroup();
}

bool loadRtf(const std::string& path, RichTextView* view, std::string* error) {
  auto fail = [&](const std::string& message) {
    if (error != nullptr) *error = message;
    return false;
  };
  if (view == nullptr) return fail("There is no view to load the file into.");
  RtfReadResult read;
  try {
    read = readRtfFile(path);
  } catch (const QXFileException&) {
    return fail("The file \"" + path + "\" could not be read.");
  } catch (const QXException& e) {
    return fail(e.message());
  } catch (const std::bad_alloc&) {
    return fail(QXMemoryException().message());
  }
  if (!read.isRtf || (read.content.empty() && !read.problem.empty())) return fail(read.problem);
  reportStatus("Opening file \"%s\"", path.c_str());
  insertRtfContent(read.content, *view);
  if (!read.problem.empty()) reportWarning("%s", read.problem.c_str());
  return true;
}

}  // namespace scrivora
