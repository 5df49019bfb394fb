#include "NavigationCollector.h"

namespace scrivora {

namespace {

NavigationPass navigationPassOf(const TextPassContext& context) {
  return context.smallPass() ? NavigationPass::Small : NavigationPass::Large;
}

}  // namespace

void NavigationCollector::beginPass(TextPassContext& context) {
  // Every failure raised so far has been handed on to the pass already.
  failed_ = false;
  reader_.emplace(context.text(), context.length(), context.textRecordEnds(), lists_, failed_,
                  context.mappingWarningCount());
  reader_->beginPass(navigationPassOf(context));
}

NavigationReader& NavigationCollector::reader(TextPassContext& context) {
  if (!reader_ || reader_->pass() != navigationPassOf(context)) beginPass(context);
  return *reader_;
}

void NavigationCollector::passOnFailure(TextPassContext& context) const {
  if (failed_) context.raiseFailure();
}

void NavigationCollector::chapterTag(TextPassContext& context, ChapterForm form, size_t tag, int level,
                                     size_t titleBegin, size_t /*titleEnd*/) {
  NavigationReader& r = reader(context);
  switch (form) {
    case ChapterForm::Argument: r.collectChapterArgument(tag, level, titleBegin); break;
    case ChapterForm::PageTitle: r.collectChapterScope(tag, false, 0); break;
    case ChapterForm::LevelTitle: r.collectChapterScope(tag, true, level); break;
  }
  passOnFailure(context);
}

void NavigationCollector::withdrawChapters(TextPassContext& context, size_t lineStart, int /*count*/) {
  // Every entry at or after the line's start was made on the moved line.
  reader(context).lineMovedToNextPage(lineStart);
}

void NavigationCollector::indexTerm(TextPassContext& context, size_t tag, RecordLocation /*location*/) {
  reader(context).readIndexTerm(tag);
  passOnFailure(context);
}

void NavigationCollector::linkReference(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd) {
  reader(context).collectLink(tag, nameBegin, nameEnd);
  passOnFailure(context);
}

void NavigationCollector::anchor(TextPassContext& context, size_t tag, size_t nameBegin, size_t nameEnd,
                                 uint32_t target) {
  reader(context).collectAnchor(tag, nameBegin, nameEnd, target);
  passOnFailure(context);
}

void NavigationCollector::footnoteReference(TextPassContext& context, size_t idBegin, size_t idEnd) {
  reader(context).collectFootnote(idBegin, idEnd);
}

void NavigationCollector::sidebarReference(TextPassContext& context, size_t idBegin, size_t idEnd) {
  reader(context).collectSidebar(idBegin, idEnd);
}

void NavigationCollector::finishLinks(TextPassContext&) { lists_.links.finish(); }

void NavigationCollector::finishChapters(TextPassContext&) { lists_.chapters.removeDuplicates(); }

void NavigationCollector::finishSidebarReferences(TextPassContext&) { lists_.sidebars.finish(); }

void NavigationCollector::finishFootnoteReferences(TextPassContext&) { lists_.footnotes.finish(); }

void NavigationCollector::finishIndex(TextPassContext&) {
  if (!lists_.index.empty()) reportStatus("Processing index records...");
  lists_.index.buildRecords();
}

}  // namespace scrivora
