#include "FormattingCommands.h"

#include "AlertBox.h"
#include "Commands.h"
#include "FormatCommands.h"
#include "TextDocumentModel.h"

namespace scrivora {

namespace {

FontKind fontOf(Command command) {
  switch (command) {
    case cmd::kFontSmall: return FontKind::Small;
    case cmd::kFontBold: return FontKind::Bold;
    case cmd::kFontLarge: return FontKind::Large;
    default: return FontKind::Normal;
  }
}

CharEffect effectOf(Command command) {
  switch (command) {
    case cmd::kUnderline: return CharEffect::Underline;
    case cmd::kOverstrike: return CharEffect::Overstrike;
    case cmd::kSuperscript: return CharEffect::Superscript;
    case cmd::kSubscript: return CharEffect::Subscript;
    case cmd::kBoldStyle: return CharEffect::BoldStyle;
    default: return CharEffect::Italic;
  }
}

FourCC alignmentOf(Command command) {
  return command == cmd::kAlignCenter ? kAlignCentre : command == cmd::kAlignRight ? kAlignRight : kAlignLeft;
}

IndentMode indentOf(Command command) {
  switch (command) {
    case cmd::kBlockIndent: return IndentMode::Block;
    case cmd::kBodyIndent: return IndentMode::Body;
    case cmd::kFirstLineIndent: return IndentMode::FirstLine;
    default: return IndentMode::None;
  }
}

}  // namespace

FormattingCommands::FormattingCommands(TextDocumentModel& text)
    : CommandGroup({cmd::kFontNormal, cmd::kFontSmall, cmd::kFontBold, cmd::kFontLarge, cmd::kPlain, cmd::kItalic,
                    cmd::kUnderline, cmd::kOverstrike, cmd::kSuperscript, cmd::kSubscript, cmd::kAlignLeft,
                    cmd::kAlignCenter, cmd::kAlignRight, cmd::kNoIndent, cmd::kBlockIndent, cmd::kBodyIndent,
                    cmd::kFirstLineIndent, cmd::kBoldStyle}),
      text_(text) {}

const CharacterMarks& FormattingCommands::marks() const {
  const int start = text_.selectionStart(), end = text_.selectionEnd();
  // The caret's own format can change without a change of the text.
  if (start == end || !cache_.valid || cache_.changes != text_.changeCount() || cache_.start != start ||
      cache_.end != end) {
    cache_.marks = characterMarks(text_);
    cache_.valid = true;
    cache_.changes = text_.changeCount();
    cache_.start = start;
    cache_.end = end;
  }
  return cache_.marks;
}

int FormattingCommands::checkState(Command command) const {
  Marked marked = Marked::No;
  if (command >= cmd::kFontNormal && command <= cmd::kFontLarge)
    marked = marks().font[int(fontOf(command))];
  else if (command == cmd::kPlain)
    marked = marks().plain;
  else if ((command >= cmd::kItalic && command <= cmd::kSubscript) || command == cmd::kBoldStyle)
    marked = marks().effect[int(effectOf(command))];
  else if (command >= cmd::kAlignLeft && command <= cmd::kAlignRight)
    marked = alignmentMarked(text_, alignmentOf(command));
  else if (command >= cmd::kNoIndent && command <= cmd::kFirstLineIndent)
    marked = indentMarked(text_, indentOf(command));
  return int(marked);
}

bool FormattingCommands::perform(Command command, const void*, uintptr_t) {
  const bool effect = (command >= cmd::kItalic && command <= cmd::kSubscript) || command == cmd::kBoldStyle;
  // The book refuses the bold font and the bold style in one file.
  const bool clash =
      (command >= cmd::kFontNormal && command <= cmd::kFontLarge && fontWouldClash(text_, fontOf(command))) ||
      (effect && effectWouldClash(text_, effectOf(command)));
  if (clash) {
    showAlert({AlertKind::Warning, QString::fromLatin1(kBoldClashMessage),
               QStringLiteral("Use either Bold in the Font menu or Bold in the Style menu throughout the book.")});
    return false;
  }
  if (command >= cmd::kFontNormal && command <= cmd::kFontLarge)
    setFont(text_, fontOf(command));
  else if (command == cmd::kPlain)
    makePlain(text_);
  else if (effect)
    toggleEffect(text_, effectOf(command));
  else if (command >= cmd::kAlignLeft && command <= cmd::kAlignRight)
    setAlignment(text_, alignmentOf(command));
  else if (command >= cmd::kNoIndent && command <= cmd::kFirstLineIndent)
    setIndentMode(text_, indentOf(command));
  else
    return false;
  return true;
}

}  // namespace scrivora
