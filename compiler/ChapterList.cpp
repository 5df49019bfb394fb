#include "ChapterList.h"

namespace scrivora {

void ChapterList::beginPass(FontPass) { passPositions_.clear(); }

void ChapterList::dropFrom(size_t position, FontPass pass) {
  while (!passPositions_.empty() && passPositions_.back() >= position) passPositions_.pop_back();
  if (pass != FontPass::Small) return;
  while (!entries_.empty() && entries_.back().position >= position) entries_.pop_back();
}

void ChapterList::add(FontPass pass, uint32_t position, const std::string& title) {
  dropFrom(position, pass);
  passPositions_.push_back(position);
  if (pass == FontPass::Small) entries_.push_back(Entry{position, title});
}

size_t ChapterList::withdrawFrom(FontPass pass, size_t lineStart) {
  size_t before = passPositions_.size();
  dropFrom(lineStart, pass);
  return before - passPositions_.size();
}

void ChapterList::removeDuplicates() {
  std::vector<Entry> kept;
  kept.reserve(entries_.size());
  for (Entry& entry : entries_) {
    if (!kept.empty() && kept.back().position == entry.position && kept.back().title == entry.title) continue;
    kept.push_back(std::move(entry));
  }
  entries_ = std::move(kept);
}

size_t ChapterList::recordSize(size_t i) const { return 4 + entries_[i].title.size() + 1; }

void ChapterList::appendRecord(size_t i, ByteBuffer& out) const {
  out.appendU32(entries_[i].position);
  out.appendCString(entries_[i].title);
}

}  // namespace scrivora
