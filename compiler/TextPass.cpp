#include "TextPass.h"

#include <algorithm>

#include "BuildLog.h"
#include "CharacterMapping.h"
#include "ImageList.h"
#include "ImageTag.h"
#include "LinkTable.h"
#include "TmlTags.h"

namespace scrivora {

namespace {

constexpr unsigned kFitsBelow = kLineWidth + 1;  // x below 159 still fits
constexpr unsigned kMaxPercent = 100;
constexpr unsigned kMaxPercentDigits = 3;
// How many bytes the scan goes between two progress reports: often enough for
// a smooth bar, rarely enough to cost nothing.
constexpr size_t kProgressStride = 64 * 1024;

// The messages of one percentage tag (\w or \T).
struct PercentMessages {
  const char* syntax;  // with an excerpt
  const char* onlyDigits;
  const char* tooManyDigits;
  const char* forgotPercent;
};

const PercentMessages kRuleMessages = {
    "Rule syntax is '\\w=\"xx%\"'.  You have '%s'",
    "Rule width specifier must be only digits!",
    "More than three digits were specified for the rule width",
    "Rule syntax is '\\w=\"xx%\"' -- you forgot the %.",
};

const PercentMessages kIndentMessages = {
    "Indent syntax is '\\T=\"xx%\"'.  You have '%s'",
    "Indent specifier must be only digits!",
    "More than three digits were specified for the indent",
    "Indent syntax is '\\T=\"xx%\"' -- you forgot the %.",
};

struct Percentage {
  bool syntaxOk = false;
  unsigned value = 0;
  size_t resume = 0;
};

}  // namespace

bool TextPass::run(const TextPassInput& input) {
  input_ = &input;
  static const U32Table kNoRecords;
  TextPassContext context(input.text, input.text ? input.length : 0,
                          input.textRecordEnds ? *input.textRecordEnds : kNoRecords, input.sourceMap);
  context_ = &context;
  TextPassCollector noCollector;
  collector_ = input.collector ? input.collector : &noCollector;
  ImageList unlistedImages;
  images_ = input.images ? input.images : &unlistedImages;
  boldFontSeen_ = false;
  boldStyleSeen_ = false;
  cancelled_ = false;

  if (input.onlyPass) {
    runPass(*input.onlyPass);
    forgetInput();
    return cancelled_ || context.failed();
  }
  runPass(FontPass::Small);
  if (!cancelled_) runPass(FontPass::Large);
  if (cancelled_) {
    forgetInput();
    return true;
  }

  // Page numbers and counts are 16 bits in the book.
  if (input.smallPages && input.smallPages->count() > kMaxPages) {
    context.bookError("The book has too many pages (%d) for the %s font; at most 65535 are allowed.",
                      int(input.smallPages->count()), "small");
  }
  if (input.largePages && input.largePages->count() > kMaxPages) {
    context.bookError("The book has too many pages (%d) for the %s font; at most 65535 are allowed.",
                      int(input.largePages->count()), "large");
  }

  if (!images_->finish()) context.raiseFailure();
  collector_->finishLinks(context);
  collector_->finishChapters(context);
  collector_->finishSidebarReferences(context);
  collector_->finishFootnoteReferences(context);
  collector_->finishIndex(context);

  bool failed = context.failed();
  forgetInput();
  return failed;
}

void TextPass::forgetInput() {
  context_ = nullptr;
  collector_ = nullptr;
  images_ = nullptr;
  input_ = nullptr;
}

void TextPass::runPass(FontPass pass) {
  bool small = pass == FontPass::Small;
  context_->beginPass(pass);
  reportStatus(small ? "Generating page tables for the small font..." : "Generating page tables for the large font...");
  PageTable scratch;
  PageTable* table = small ? input_->smallPages : input_->largePages;
  if (!table) table = &scratch;
  table->clear();

  Paginator paginator(*context_, *table, small ? kStandardFont : kLargeFont);
  paginator_ = &paginator;
  paginator.setObserver(input_->observer);
  paginator.setPageStarts(input_->pageStarts);
  collector_->beginPass(*context_);
  const PageStart* from = input_->onePageFrom;
  if (from) {
    paginator.resumeAt(*from);
  } else {
    paginator.begin();
  }

  const size_t length = context_->length();
  size_t p = from ? std::min(from->scanFrom, length) : 0;
  // A page begun by a title tag that ends the text still has its line.
  if (from && p == length && from->position < length) paginator.finishStep(p, p);
  size_t nextProgressReport = 0;
  while (p < length && !(from && table->count() > 0)) {
    if (p >= nextProgressReport) {
      if (!reportProgress(pass, p)) break;
      nextProgressReport = p + kProgressStride;
    }
    // Runs of ordinary characters that fit on the line need no step each.
    if (input_->measurePlainRunsInOneGo && !styleOn(kInvisibleStyle)) {
      p = paginator.measureFittingRun(context_->text(), p, length - 1);
    }
    bool pageTitleOpened = false;
    bool levelTitleOpened = false;
    const size_t pagesBefore = table->count();
    size_t q = step(p, pageTitleOpened, levelTitleOpened);
    StepOutcome outcome = paginator.finishStep(p, q);
    if (outcome.lineMoved) collector_->withdrawChapters(*context_, outcome.next);
    size_t next = outcome.next;
    // An opening \x or \Xn goes on past its tag only when its line stayed;
    // a moved line is scanned again from its start and meets the tag again.
    if (!outcome.lineMoved && next == q && (pageTitleOpened || levelTitleOpened)) {
      next = std::min(q + 2, length);
      // A page this step began on the tag goes on from here.
      std::vector<PageStart>* starts = input_->pageStarts;
      if (starts && table->count() > pagesBefore) starts->back().scanFrom = next;
      // That advance may reach the end of the text unseen by the line
      // handling, which must still end the last line.
      if (next == length) {
        outcome = paginator.finishStep(next, next);
        if (outcome.lineMoved) collector_->withdrawChapters(*context_, outcome.next);
        next = outcome.next;
      }
    }
    p = std::min(next, length);
  }
  paginator_ = nullptr;
}

bool TextPass::reportProgress(FontPass pass, size_t position) {
  if (!input_->progress) return true;
  const size_t length = context_->length();
  const uint64_t done = pass == FontPass::Small ? position : length + position;
  if (!input_->progress->advance(done, 2 * uint64_t(length))) cancelled_ = true;
  return !cancelled_;
}

size_t TextPass::step(size_t p, bool& pageTitleOpened, bool& levelTitleOpened) {
  uint8_t c = context_->text()[p];
  bool invisible = styleOn(kInvisibleStyle);
  if (tml::isLineEnd(c)) {
    if (!invisible) {
      paginator_->closeSpaceRun();
      if (!paginator_->pageStillEmpty()) paginator_->requestLineEnd();
    }
    return p + 1;
  }
  if (c == ' ' || c == '-' || c == '_') return handleSpaceOrBreakCharacter(p);
  if (c == tml::kEscape) return handleTag(p, pageTitleOpened, levelTitleOpened);
  if (!invisible) {
    paginator_->closeSpaceRun();
    paginator_->measureAt(p, c);
  }
  return p + 1;
}

size_t TextPass::handleSpaceOrBreakCharacter(size_t p) {
  if (styleOn(kInvisibleStyle)) return p + 1;
  uint8_t c = context_->text()[p];
  if (c == ' ') {
    paginator_->openSpaceRun();
  } else {
    paginator_->closeSpaceRun();
  }
  paginator_->measureAt(p, c);
  if (p + 1 >= context_->length() || tml::isLineEnd(context_->byteAt(p + 1))) {
    // The line ends here anyway; trailing spaces never make it overflow.
    paginator_->setBreakPoint(p + 1);
    return p + 1;
  }
  uint8_t next = context_->byteAt(p + 1);
  if (next == ' ') return p + 1;
  if (next == '-' || next == '_') {
    paginator_->closeSpaceRun();
    return p + 1;
  }
  if (paginator_->effectiveX() < kFitsBelow) paginator_->setBreakPoint(p + 1);
  paginator_->closeSpaceRun();
  return p + 1;
}

size_t TextPass::clip(size_t position) const { return std::min(position, context_->length()); }

size_t TextPass::handleTag(size_t p, bool& pageTitleOpened, bool& levelTitleOpened) {
  PassState& state = paginator_->state();
  if (p + 1 >= context_->length()) {
    // A backslash that ends the text has no tag letter.
    context_->excerptError(p, "Illegal control code starting at \"\\%s\"", (long long)p + 1, 40);
    return context_->length();
  }
  char letter = char(context_->byteAt(p + 1));
  switch (letter) {
    case tml::kSoftHyphen: return handleSoftHyphen(p);
    case tml::kBoldStyle:
      if (boldFontSeen_ && !boldStyleSeen_) context_->plainError(p, "You can't use \\b and \\B in the same file.");
      boldStyleSeen_ = true;
      toggleStyle(kBoldStyle);
      return p + 2;
    case tml::kChapterEntry: return handleChapterEntry(p);
    case tml::kFootnote: return handleFootnote(p);
    case tml::kIndexTerm: return handleIndexTerm(p);
    case tml::kAnchor: return handleAnchor(p);
    case tml::kScriptOrSidebar: return handleScriptOrSidebar(p);
    case tml::kIndent: return handleIndent(p);
    case tml::kUnicodeCharacter: {
      const uint16_t value = checkedHexEscape(*context_, p);
      paginator_->addItemAt(p, PlacedKind::UnicodeCharacter, kUnicodeCharacterWidth, kUnicodeLineHeight, value);
      return clip(p + tml::kUnicodeEscapeLength);
    }
    case tml::kChapterTitle: return handleLevelTitle(p, levelTitleOpened);
    case tml::kBackslash: paginator_->measureAt(p, uint8_t('\\')); return p + 2;
    case tml::kDecimalCharacter:
      paginator_->measureAt(p, decimalEscapeValue(context_->text(), context_->length(), p + 2));
      return clip(p + tml::kDecimalEscapeLength);
    case tml::kBoldFont:
      if (boldStyleSeen_ && !boldFontSeen_) context_->plainError(p, "You can't use \\b and \\B in the same file.");
      boldFontSeen_ = true;
      state.font = state.font == kBoldFont ? state.baseFont : kBoldFont;
      return p + 2;
    case tml::kCentre: switchAlignment(p, kAlignCentre); return p + 2;
    case tml::kRight: switchAlignment(p, kAlignRight); return p + 2;
    case tml::kVerticalSpace: state.y += kVerticalSpaceHeight; return p + 2;
    case tml::kItalic: toggleStyle(kItalicStyle); return p + 2;
    case tml::kUnderline: toggleStyle(kUnderlineStyle); return p + 2;
    case tml::kOverstrike: toggleStyle(kOverstrikeStyle); return p + 2;
    case tml::kInvisible: toggleStyle(kInvisibleStyle); return p + 2;
    case tml::kLargeFont: state.font = state.font == kLargeFont ? state.baseFont : kLargeFont; return p + 2;
    case tml::kImage: return handleImage(p);
    case tml::kBaseFont: state.font = state.baseFont; return p + 2;
    case tml::kPageBreak:
      if (!paginator_->pageStillEmpty()) paginator_->requestPageBreak();
      return p + 2;
    case tml::kLink: return handleLink(p);
    case tml::kStandardFont: state.font = state.font != kStandardFont ? kStandardFont : state.baseFont; return p + 2;
    case tml::kIndentedParagraph:
      if (!styleOn(kIndentedStyle)) {
        state.style |= kIndentedStyle;
        state.lineIndent = kParagraphIndent;
        if (state.x == 0) state.x = kParagraphIndent;
      } else {
        state.style &= uint16_t(~kIndentedStyle);
        state.lineIndent = 0;
        if (state.x == kParagraphIndent) state.x = 0;
      }
      return p + 2;
    case tml::kRule: return handleRule(p);
    case tml::kChapterPageTitle: return handlePageTitle(p, pageTitleOpened);
    default: context_->excerptError(p, "Illegal control code starting at \"\\%s\"", (long long)p + 1, 40); return p + 2;
  }
}

size_t TextPass::handleSoftHyphen(size_t p) {
  const PassState& state = paginator_->state();
  if (state.x + paginator_->widthOf(kSoftHyphenCode) < kFitsBelow) paginator_->setBreakPoint(p + 2, true);
  return p + 2;
}

void TextPass::switchAlignment(size_t p, int alignment) {
  PassState& state = paginator_->state();
  if (state.alignment == alignment) {
    state.alignment = kAlignLeft;
    return;
  }
  if (state.alignment != kAlignLeft) {
    context_->excerptWarning(p, "Should close alignment tag before switching to another, before \"%s\"", (long long)p,
                             30);
  }
  state.alignment = alignment;
}

size_t TextPass::handleScriptOrSidebar(size_t p) {
  char second = char(context_->byteAt(p + 2));
  bool present = p + 2 < context_->length();
  if (present && second == tml::kSubscript) {
    if (styleOn(kSuperscriptStyle) && !styleOn(kSubscriptStyle)) {
      context_->plainError(p, "Can't have superscript and subscript at the same time!");
    }
    toggleStyle(kSubscriptStyle);
    return p + 3;
  }
  if (present && second == tml::kSuperscript) {
    if (styleOn(kSubscriptStyle) && !styleOn(kSuperscriptStyle)) {
      context_->plainError(p, "Can't have superscript and subscript at the same time!");
    }
    toggleStyle(kSuperscriptStyle);
    return p + 3;
  }
  if (present && second == tml::kSidebar) {
    size_t resume = p + 3;
    if (!styleOn(kLinkStyle)) {
      paginator_->setBreakPoint(p);
      resume = readReference(p, true);
      // The sidebar mark, then a space after it.
      paginator_->addItemAt(p, PlacedKind::SidebarMark, kSidebarMarkSize, kSidebarMarkSize);
      paginator_->measureAt(p, uint8_t(' '));
    }
    toggleStyle(kLinkStyle);
    return resume;
  }
  context_->excerptError(p, "Illegal control code: \\%s", (long long)p + 1, 2);
  return clip(p + 3);
}

size_t TextPass::handleFootnote(size_t p) {
  if (p + 2 >= context_->length() || context_->byteAt(p + 2) != tml::kFootnoteSecond) return clip(p + 2);
  size_t resume = p + 3;
  if (!styleOn(kLinkStyle)) resume = readReference(p, false);
  toggleStyle(kLinkStyle);
  return resume;
}

size_t TextPass::readReference(size_t p, bool sidebar) {
  Argument argument = readArgument(p + 3);
  if (!argument.present) {
    context_->excerptError(p,
                           sidebar ? "Sidebar syntax incorrect.  You have '%s' and it should be \\Sd=\""
                                   : "Footnote syntax incorrect.  You have '%s' and it should be \\Fn=\"",
                           (long long)p - 7, 20);
    return p + 3;
  }
  if (context_->smallPass()) {
    if (sidebar) {
      collector_->sidebarReference(*context_, p, argument.begin, argument.end);
    } else {
      collector_->footnoteReference(*context_, p, argument.begin, argument.end);
    }
  }
  // The reference text must hold no tag before the closing one.
  size_t nextTag = context_->find(uint8_t(tml::kEscape), argument.resume);
  if (nextTag < context_->length()) {
    char first = sidebar ? tml::kScriptOrSidebar : tml::kFootnote;
    char second = sidebar ? tml::kSidebar : tml::kFootnoteSecond;
    bool closing = context_->byteAt(nextTag + 1) == first && context_->byteAt(nextTag + 2) == second;
    if (!closing) {
      // The id as written in the tag, so the author can find it.
      std::string id = context_->slice(argument.begin, argument.end);
      context_->plainError(nextTag,
                           sidebar ? "Tags are not permitted within sidebar references, see reference to %s"
                                   : "Tags are not permitted within footnote references, see reference to %s",
                           id.c_str());
    }
  }
  return argument.resume;
}

size_t TextPass::handleIndexTerm(size_t p) {
  PassState& state = paginator_->state();
  if (!state.inIndexTerm) {
    if (state.alignment != kAlignLeft || state.style != 0) {
      context_->excerptError(p, "No styles permitted before \"%s\"", (long long)p, 20);
      state.alignment = kAlignLeft;
      state.style = 0;
    }
    if (context_->smallPass()) collector_->indexTerm(*context_, p, context_->locationOf(p));
    state.inIndexTerm = true;
  } else {
    state.inIndexTerm = false;
  }
  return p + 2;
}

int TextPass::chapterLevel(size_t digitPosition, const char* syntaxMessage, size_t tag) {
  uint8_t digit = context_->byteAt(digitPosition);
  if (digitPosition < context_->length() && digit >= '0' && digit <= '0' + tml::kHighestChapterLevel) {
    return digit - '0';
  }
  context_->excerptError(tag, syntaxMessage, (long long)tag + 1, 5);
  return -1;
}

size_t TextPass::handleChapterEntry(size_t p) {
  int level = chapterLevel(p + 2, "Chapter syntax is \\Cn (0 <= n <= 4); you have \"%s\"", p);
  if (!context_->hasAt(p + 3, "=\"")) {
    context_->excerptError(p, "Chapter syntax is \\Cx=\"chapter title\"; you have \"%s\"", (long long)p + 1, 5);
    return clip(p + 3);
  }
  // The title ends at the first quote that is not inside an escape.
  size_t i = p + 5;
  const size_t length = context_->length();
  while (i < length && context_->byteAt(i) != tml::kQuote) {
    if (context_->byteAt(i) != tml::kEscape) {
      ++i;
      continue;
    }
    char letter = char(context_->byteAt(i + 1));
    if (letter == tml::kUnicodeCharacter) {
      i += tml::kUnicodeEscapeLength;
    } else if (letter == tml::kDecimalCharacter) {
      i += tml::kDecimalEscapeLength;
    } else {
      i += tml::kPlainTagLength;
    }
  }
  size_t titleEnd = std::min(i, length);
  collector_->chapterTag(*context_, TextPassCollector::ChapterForm::Argument, p, level, p + 5, titleEnd);
  return clip(titleEnd + 1);
}

size_t TextPass::handlePageTitle(size_t p, bool& opened) {
  PassState& state = paginator_->state();
  paginator_->setBreakPoint(p);
  if (state.inChapterTitle) {
    state.inChapterTitle = false;
    return p + 2;
  }
  if (!paginator_->pageStillEmpty()) paginator_->requestPageBreak();
  collector_->chapterTag(*context_, TextPassCollector::ChapterForm::PageTitle, p, 0, p + 2,
                         TextPassCollector::kOpenScope);
  state.inChapterTitle = true;
  opened = true;
  // The position stays on the tag while the line is handled, so that the
  // new page begins with the \x itself.
  return p;
}

size_t TextPass::handleLevelTitle(size_t p, bool& opened) {
  PassState& state = paginator_->state();
  paginator_->setBreakPoint(p);
  if (state.inChapterTitle) {
    state.inChapterTitle = false;
    return clip(p + 3);
  }
  int level = chapterLevel(p + 2, "Chapter syntax is \\Xn (0 <= n <= 4); you have \"%s\"", p);
  collector_->chapterTag(*context_, TextPassCollector::ChapterForm::LevelTitle, p, level, clip(p + 3),
                         TextPassCollector::kOpenScope);
  state.inChapterTitle = true;
  opened = true;
  return p + 1;
}

size_t TextPass::handleLink(size_t p) {
  if (styleOn(kLinkStyle)) {
    toggleStyle(kLinkStyle);
    return p + 2;
  }
  size_t resume;
  if (!context_->hasAt(p + 2, "=\"#")) {
    context_->excerptError(p, "Link syntax incorrect.  You have '%s' and it should be \\q=\"#", (long long)p - 8, 20);
    resume = clip(p + 2);
  } else {
    size_t nameBegin = p + 5;
    size_t nameEnd = context_->find(uint8_t(tml::kQuote), nameBegin);
    resume = clip(nameEnd + 1);
    if (context_->smallPass()) {
      collector_->linkReference(*context_, p, nameBegin, nameEnd);
      checkFirstTagInLink(nameBegin, nameEnd, resume);
    }
  }
  toggleStyle(kLinkStyle);
  return resume;
}

void TextPass::checkFirstTagInLink(size_t nameBegin, size_t nameEnd, size_t afterQuote) {
  size_t tag = context_->find(uint8_t(tml::kEscape), afterQuote);
  if (tag + 1 >= context_->length()) return;
  char letter = char(context_->byteAt(tag + 1));
  if (!tml::isForbiddenFirstTagInLink(letter)) return;
  std::string name = LinkTable::cutName(context_->slice(nameBegin, nameEnd));
  context_->smallPassErrorWithoutFailure(tag, "Illegal tag \"\\%c\" in link reference to \"%s\"", letter, name.c_str());
}

size_t TextPass::handleAnchor(size_t p) {
  Argument argument = readArgument(p + 2);
  if (!argument.present) {
    context_->excerptError(p, "Link syntax incorrect.  You have '%s' and it should be \\Q=\"", (long long)p - 8, 20);
    return clip(p + 2);
  }
  if (context_->smallPass()) {
    // An anchor that ends the text (or whose quote is never closed) would
    // point past the text; the reader may only be sent to its end.
    const size_t target = std::min(argument.end + 2, context_->length());
    collector_->anchor(*context_, p, argument.begin, argument.end, uint32_t(target));
  }
  return argument.resume;
}

size_t TextPass::handleImage(size_t p) {
  paginator_->setBreakPoint(p);
  Argument argument = readArgument(p + 2);
  if (!argument.present) {
    context_->excerptError(p, "Image syntax incorrect.  You have '%s' and it should be \\m=\"", (long long)p - 8, 20);
    return clip(p + 2);
  }
  std::string name = context_->slice(argument.begin, argument.end);
  ImageMeasure measure = measureImage(p, name);
  paginator_->addItemAt(p, PlacedKind::Image, measure.width, measure.height, 0, name);
  return argument.resume;
}

ImageMeasure TextPass::measureImage(size_t tag, const std::string& name) {
  bool failed = false;
  ImageMeasure measure =
      imageTag(input_->imageDirectory, name, context_->smallPass() ? ImagePass::Small : ImagePass::Large,
               styleOn(kIndentedStyle), *images_, failed, context_->placeOf(tag));
  if (failed) context_->raiseFailure();
  return measure;
}

namespace {

Percentage readPercentage(TextPassContext& context, size_t p, const PercentMessages& messages) {
  Percentage result;
  if (!context.hasAt(p + 2, "=\"")) {
    context.excerptError(p, messages.syntax, (long long)p, 7);
    return result;
  }
  result.syntaxOk = true;
  const size_t length = context.length();
  size_t i = p + 4;
  size_t bytes = 0;
  for (; i < length && context.byteAt(i) != '%' && context.byteAt(i) != tml::kQuote; ++i, ++bytes) {
    uint8_t c = context.byteAt(i);
    if (!tml::isDecimalDigit(c)) {
      context.plainError(p, "%s", messages.onlyDigits);
    } else if (result.value <= kMaxPercent) {
      result.value = result.value * 10 + (c - '0');
    }
  }
  if (bytes > kMaxPercentDigits) context.plainError(p, "%s", messages.tooManyDigits);
  if (i < length && context.byteAt(i) == '%') {
    if (context.byteAt(i + 1) != tml::kQuote || i + 1 >= length) {
      context.excerptError(p, messages.syntax, (long long)i - 1, 7);
      size_t quote = i + 1;
      while (quote < length && context.byteAt(quote) != tml::kQuote) ++quote;
      result.resume = std::min(quote + 1, length);
    } else {
      result.resume = i + 2;
    }
  } else {
    context.plainError(p, "%s", messages.forgotPercent);
    result.resume = std::min(i + 1, length);
  }
  result.value = std::min(result.value, kMaxPercent);
  return result;
}

}  // namespace

size_t TextPass::handleRule(size_t p) {
  paginator_->setBreakPoint(p);
  Percentage rule = readPercentage(*context_, p, kRuleMessages);
  if (!rule.syntaxOk) return clip(p + 2);
  paginator_->placeRule(p, rule.value);
  return rule.resume;
}

size_t TextPass::handleIndent(size_t p) {
  paginator_->setBreakPoint(p);
  Percentage indent = readPercentage(*context_, p, kIndentMessages);
  if (!indent.syntaxOk) {
    paginator_->setBreakPoint(clip(p + 2));
    return clip(p + 2);
  }
  PassState& state = paginator_->state();
  unsigned target = indent.value * kLineWidth / 100;
  if (state.x >= target) {
    context_->warning(p, "You specified an indent of %d%%, which is before the current position of %d pixels",
                      int(indent.value), int(state.x));
  } else {
    state.x = target;
  }
  paginator_->setBreakPoint(indent.resume);
  return indent.resume;
}

TextPass::Argument TextPass::readArgument(size_t at) const {
  Argument argument;
  if (!context_->hasAt(at, "=\"")) return argument;
  argument.present = true;
  argument.begin = at + 2;
  argument.end = context_->find(uint8_t(tml::kQuote), argument.begin);
  argument.resume = std::min(argument.end + 1, context_->length());
  return argument;
}

}  // namespace scrivora
