#include "FormatCommands.h"

#include "TextDocumentModel.h"

namespace scrivora {

namespace {

// Folds a property over the selection's runs (or the caret's style) into a
// check state, stopping as soon as the selection is known to be mixed.
template <typename Has>
Marked markedOverStyles(const TextDocumentModel& text, Has has) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start == end) return has(text.caretStyle()) ? Marked::Yes : Marked::No;
  bool some = false, all = true;
  text.visitStyles(start, end, [&](int, int, const CharStyle& style) {
    if (has(style))
      some = true;
    else
      all = false;
    return !(some && !all);
  });
  return all ? Marked::Yes : some ? Marked::Partly : Marked::No;
}

template <typename Has>
Marked markedOverParagraphs(const TextDocumentModel& text, Has has) {
  bool some = false, all = true;
  text.visitParagraphs(text.selectionStart(), text.selectionEnd(), [&](const ParagraphFormat& format) {
    if (has(format))
      some = true;
    else
      all = false;
    return !(some && !all);
  });
  return all ? Marked::Yes : some ? Marked::Partly : Marked::No;
}

bool isLinkText(const CharStyle& style) { return style.colour == kLinkColour; }

bool hasEffect(const CharStyle& style, CharEffect effect) {
  switch (effect) {
    case CharEffect::Italic: return style.italic;
    case CharEffect::Underline: return style.underline && !isLinkText(style);
    case CharEffect::Overstrike: return style.overstrike;
    case CharEffect::Superscript: return style.offset > 0;
    case CharEffect::Subscript: return style.offset < 0;
  }
  return false;
}

// Applies a change to the selection's text, or to the caret's insertion
// format when nothing is selected.
template <typename Change>
void changeSelection(TextDocumentModel& text, Change change) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start == end) {
    CharStyle style = text.caretStyle();
    change(style);
    text.applyStyleAtCaret(style);
    return;
  }
  text.beginEditGroup();
  // Run by run, so that each keeps what the change leaves alone.
  struct Run {
    int start, end;
    CharStyle style;
  };
  std::vector<Run> runs;
  text.visitStyles(start, end, [&](int a, int b, const CharStyle& style) {
    runs.push_back({a, b, style});
    return true;
  });
  for (Run& run : runs) {
    change(run.style);
    text.applyStyle(run.start, run.end, run.style);
  }
  text.endEditGroup();
  text.setSelection(start, end);
}

void setFontOf(CharStyle& style, FontKind font, const TextDocumentModel& text) {
  faceAndSizeOf(font, text.normalFace(), text.zoom(), style.face, style.size);
}

}  // namespace

Marked fontMarked(const TextDocumentModel& text, FontKind font) {
  return markedOverStyles(text, [font](const CharStyle& style) { return fontOfFace(style.face) == font; });
}

Marked plainMarked(const TextDocumentModel& text) {
  return markedOverStyles(text, [](const CharStyle& style) {
    return !style.italic && !style.overstrike && !hasEffect(style, CharEffect::Underline);
  });
}

Marked effectMarked(const TextDocumentModel& text, CharEffect effect) {
  return markedOverStyles(text, [effect](const CharStyle& style) { return hasEffect(style, effect); });
}

Marked alignmentMarked(const TextDocumentModel& text, FourCC alignment) {
  return markedOverParagraphs(text, [alignment](const ParagraphFormat& f) { return f.alignment == alignment; });
}

Marked indentMarked(const TextDocumentModel& text, IndentMode mode) {
  return markedOverParagraphs(text, [mode](const ParagraphFormat& f) { return indentModeOf(f) == mode; });
}

void setFont(TextDocumentModel& text, FontKind font) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start == end) {
    changeSelection(text, [&](CharStyle& style) { setFontOf(style, font, text); });
    return;
  }
  // The face attribute also sets the normal weight.
  AttributeValue face, size;
  uint16_t points = 0;
  faceAndSizeOf(font, text.normalFace(), text.zoom(), face.text, points);
  size.number = points;
  text.beginEditGroup();
  text.setAttribute(attr::face, start, end, face);
  text.setAttribute(attr::pointSize, start, end, size);
  text.endEditGroup();
}

void makePlain(TextDocumentModel& text) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start == end) {
    changeSelection(text, [](CharStyle& style) { style.italic = style.underline = style.overstrike = false; });
    return;
  }
  text.beginEditGroup();
  text.setAttribute(attr::plain, start, end, AttributeValue());
  text.endEditGroup();
}

void toggleEffect(TextDocumentModel& text, CharEffect effect) {
  const bool set = effectMarked(text, effect) != Marked::Yes;
  const int zoom = text.zoom();
  changeSelection(text, [&](CharStyle& style) {
    switch (effect) {
      case CharEffect::Italic: style.italic = set; return;
      case CharEffect::Underline:
        // Link text stays underlined: its underline marks the link.
        if (!isLinkText(style)) style.underline = set;
        return;
      case CharEffect::Overstrike: style.overstrike = set; return;
      case CharEffect::Superscript:
      case CharEffect::Subscript:
        style.offset = int16_t(!set ? 0 : effect == CharEffect::Superscript ? 3 * zoom : -zoom);
        setFontOf(style, set ? FontKind::Script : FontKind::Normal, text);
        return;
    }
  });
}

void setAlignment(TextDocumentModel& text, FourCC alignment) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  text.beginEditGroup();
  text.setAttribute(attr::alignment, start, end, AttributeValue{{}, int32_t(alignment), {}});
  if (alignment != kAlignLeft) text.setAttribute(attr::noIndent, start, end, AttributeValue());
  text.endEditGroup();
}

void setIndentMode(TextDocumentModel& text, IndentMode mode) {
  const int start = text.selectionStart(), end = text.selectionEnd();
  const AttributeValue indent{{}, int32_t(8 * text.zoom()), {}};
  text.beginEditGroup();
  switch (mode) {
    case IndentMode::None: text.setAttribute(attr::noIndent, start, end, indent); break;
    case IndentMode::Block: text.setAttribute(attr::blockIndent, start, end, indent); break;
    case IndentMode::Body: text.setAttribute(attr::bodyIndent, start, end, indent); break;
    case IndentMode::FirstLine: text.setAttribute(attr::firstLineIndent, start, end, indent); break;
  }
  if (mode != IndentMode::None)
    text.setAttribute(attr::alignment, start, end, AttributeValue{{}, int32_t(kAlignLeft), {}});
  text.endEditGroup();
}

}  // namespace scrivora
