#include "FormatCommands.h"

#include <algorithm>
#include <iterator>

#include "TextDocumentModel.h"

namespace scrivora {

namespace {

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
    case CharEffect::BoldStyle: return style.bold;
  }
  return false;
}

// Whether any run of the whole text has the property; kept tags do not count.
template <typename Has>
bool anyText(const TextDocumentModel& text, Has has) {
  bool found = false;
  text.visitStyles(0, text.length(), [&](int, int, const CharStyle& style) {
    found = !isKeptColour(style.colour) && has(style);
    return !found;
  });
  return found;
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

CharacterMarks characterMarks(const TextDocumentModel& text) {
  // Counts of runs with and without each property; a property is marked
  // when no run lacks it, partly when some have it.
  constexpr int kChecks = 5 + kCharEffects + 1;  // five fonts, the effects, plain
  constexpr int kPlainCheck = kChecks - 1;
  auto checksOf = [](const CharStyle& style, bool(&has)[kChecks]) {
    const FontKind font = fontOfFace(style.face);
    for (int f = 0; f < 5; ++f) has[f] = font == FontKind(f);
    for (int e = 0; e < kCharEffects; ++e) has[5 + e] = hasEffect(style, CharEffect(e));
    has[kPlainCheck] = !style.italic && !style.overstrike && !style.bold && !hasEffect(style, CharEffect::Underline);
  };
  bool some[kChecks] = {}, all[kChecks];
  std::fill(std::begin(all), std::end(all), true);
  auto add = [&](const CharStyle& style) {
    bool has[kChecks];
    checksOf(style, has);
    bool undecided = false;
    for (int i = 0; i < kChecks; ++i) {
      if (has[i])
        some[i] = true;
      else
        all[i] = false;
      undecided = undecided || !(some[i] && !all[i]);
    }
    return undecided;  // stop once every check is mixed
  };
  const int start = text.selectionStart(), end = text.selectionEnd();
  if (start == end)
    add(text.caretStyle());
  else
    text.visitStyles(start, end, [&](int, int, const CharStyle& style) { return add(style); });
  auto marked = [&](int i) { return all[i] ? Marked::Yes : some[i] ? Marked::Partly : Marked::No; };
  CharacterMarks marks;
  for (int f = 0; f < 5; ++f) marks.font[f] = marked(f);
  for (int e = 0; e < kCharEffects; ++e) marks.effect[e] = marked(5 + e);
  marks.plain = marked(kPlainCheck);
  return marks;
}

Marked fontMarked(const TextDocumentModel& text, FontKind font) { return characterMarks(text).font[int(font)]; }

Marked plainMarked(const TextDocumentModel& text) { return characterMarks(text).plain; }

Marked effectMarked(const TextDocumentModel& text, CharEffect effect) {
  return characterMarks(text).effect[int(effect)];
}

Marked alignmentMarked(const TextDocumentModel& text, FourCC alignment) {
  return markedOverParagraphs(text, [alignment](const ParagraphFormat& f) { return f.alignment == alignment; });
}

Marked indentMarked(const TextDocumentModel& text, IndentMode mode) {
  return markedOverParagraphs(text, [mode](const ParagraphFormat& f) { return indentModeOf(f) == mode; });
}

const char* const kBoldClashMessage = "You can't use \\b and \\B in the same file.";

bool usesBoldFont(const TextDocumentModel& text) {
  return anyText(text, [](const CharStyle& style) { return fontOfFace(style.face) == FontKind::Bold; });
}

bool usesBoldStyle(const TextDocumentModel& text) {
  return anyText(text, [](const CharStyle& style) { return style.bold; });
}

bool fontWouldClash(const TextDocumentModel& text, FontKind font) {
  return font == FontKind::Bold && usesBoldStyle(text);
}

bool effectWouldClash(const TextDocumentModel& text, CharEffect effect) {
  return effect == CharEffect::BoldStyle && effectMarked(text, effect) != Marked::Yes && usesBoldFont(text);
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
    changeSelection(text,
                    [](CharStyle& style) { style.italic = style.underline = style.overstrike = style.bold = false; });
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
      case CharEffect::BoldStyle: style.bold = set; return;
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
