#include "NavigationCollector.h"

#include <algorithm>

#include "TitleCollector.h"
#include "TmlTags.h"

namespace scrivora {

namespace {

// The leading spaces of a chapter title of the given level; a wrong level
// (-1, already reported) has none.
std::string indentationFor(int level) {
  if (level < 0 || level > tml::kHighestChapterLevel) return std::string();
  return std::string(tml::kSpacesPerChapterLevel * size_t(level), ' ');
}

void warnLongChapterTitle(TextPassContext& context, size_t tag, const std::string& title) {
  context.smallPassWarning(tag, "Chapter name is > 80 characters; mismatched chapter markers? Begins with \"%s\"",
                           title.substr(0, 40).c_str());
}

}  // namespace

void NavigationCollector::beginPass(TextPassContext& context) { lists_.chapters.beginPass(context.pass()); }

// ---- chapters

void NavigationCollector::chapterTag(TextPassContext& context, ChapterForm form, size_t tag, int level,
                                     size_t titleBegin, size_t titleEnd) {
  switch (form) {
    case ChapterForm::Argument: collectChapterArgument(context, tag, level, titleBegin, titleEnd); break;
    case ChapterForm::PageTitle: collectChapterScope(context, tag, false, 0, titleBegin); break;
    case ChapterForm::LevelTitle: collectChapterScope(context, tag, true, level, titleBegin); break;
  }
}

void NavigationCollector::collectChapterArgument(TextPassContext& context, size_t tag, int level, size_t titleBegin,
                                                 size_t titleEnd) {
  CollectedTitle title =
      TitleCollector(context).collect(TitleForm::ChapterArgument, titleBegin, titleEnd, indentationFor(level));
  if (title.cut) {
    // Text records are cut so that a chapter tag of at most 80 characters
    // stays whole; a longer one may straddle two, which the reader cannot show.
    const size_t resume = std::min(titleEnd + 1, context.length());
    if (context.locationOf(titleBegin).record != context.locationOf(resume).record) {
      context.excerptError(tag, "Chapter tag spans text records -- reduce chapter to 80 characters. \"%s\"",
                           (long long)titleBegin, 40);
    }
    warnLongChapterTitle(context, tag, title.text);
  }
  lists_.chapters.add(context.pass(), uint32_t(tag), title.text);
}

void NavigationCollector::collectChapterScope(TextPassContext& context, size_t tag, bool levelled, int level,
                                              size_t titleBegin) {
  const TitleForm form = levelled ? TitleForm::LevelChapterScope : TitleForm::ChapterScope;
  CollectedTitle title = TitleCollector(context).collect(form, titleBegin, context.length(),
                                                         levelled ? indentationFor(level) : std::string());
  if (levelled && title.closing != CollectedTitle::kNone) {
    const size_t closingDigit = title.closing + 2;
    if (closingDigit >= context.length() || context.byteAt(closingDigit) != context.byteAt(tag + 2)) {
      context.excerptError(title.closing, "\"\\X%s\" does not match closing \\X", (long long)closingDigit, 10);
    }
  }
  if (title.cut) warnLongChapterTitle(context, tag, title.text);
  lists_.chapters.add(context.pass(), uint32_t(tag), title.text);
}

void NavigationCollector::withdrawChapters(TextPassContext& context, size_t lineStart) {
  lists_.chapters.withdrawFrom(context.pass(), lineStart);
}

// The scanner calls the index, link, anchor and reference hooks in the small
// pass only, so what they collect is listed once.

// ---- index

void NavigationCollector::indexTerm(TextPassContext& context, size_t tag, TextLocation location) {
  CollectedTitle term =
      TitleCollector(context).collect(TitleForm::IndexTerm, tag + tml::kPlainTagLength, context.length());
  if (term.cut) {
    context.smallPassWarning(tag, "Indexed item is > 80 characters; mismatched index markers? Begins with \"%s\"",
                             term.text.substr(0, 40).c_str());
  }
  lists_.index.add(location, term.text);
}

// ---- links and anchors

void NavigationCollector::linkReference(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd) {
  std::string name = context.slice(nameBegin, nameEnd);
  if (LinkTable::isTooLong(name)) {
    context.excerptError(tag, "Link reference is longer than 80 characters: \"%s\"", (long long)tag, 40);
  }
  lists_.links.addReference(LinkTable::cutName(name), context.placeOf(tag));
}

void NavigationCollector::anchor(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd,
                                 uint32_t target) {
  std::string name = context.slice(nameBegin, nameEnd);
  if (LinkTable::isTooLong(name)) {
    context.excerptError(tag, "Link is longer than 80 characters: \"%s\"", (long long)tag - 1, 40);
  }
  lists_.links.addDefinition(LinkTable::cutName(name), target, context.placeOf(tag));
}

// ---- footnote and sidebar references

void NavigationCollector::footnoteReference(TextPassContext& context, size_t tag, size_t idBegin, size_t idEnd) {
  lists_.footnotes.add(context.slice(idBegin, idEnd), context.placeOf(tag));
}

void NavigationCollector::sidebarReference(TextPassContext& context, size_t tag, size_t idBegin, size_t idEnd) {
  lists_.sidebars.add(context.slice(idBegin, idEnd), context.placeOf(tag));
}

// ---- after both passes

void NavigationCollector::finishLinks(TextPassContext&) { lists_.links.finish(); }

void NavigationCollector::finishChapters(TextPassContext&) { lists_.chapters.removeDuplicates(); }

void NavigationCollector::finishSidebarReferences(TextPassContext&) { lists_.sidebars.finish(); }

void NavigationCollector::finishFootnoteReferences(TextPassContext&) { lists_.footnotes.finish(); }

void NavigationCollector::finishIndex(TextPassContext&) {
  if (!lists_.index.empty()) reportStatus("Processing index records...");
  lists_.index.buildRecords();
}

}  // namespace scrivora
