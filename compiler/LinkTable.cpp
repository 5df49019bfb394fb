#include "LinkTable.h"

#include <algorithm>

#include "BuildLog.h"

namespace scrivora {

std::string LinkTable::cutName(std::string name) {
  if (isTooLong(name)) name.resize(kLongestName - 1);
  return name;
}

std::string LinkTable::lowerCased(const std::string& name) {
  std::string lowered = name;
  for (char& c : lowered) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return lowered;
}

int LinkTable::compareSigned(const std::string& a, const std::string& b) {
  // The names are compared as the reader compares its zero-terminated
  // strings: the end of the shorter name counts as a zero byte, so it sorts
  // after a longer name going on with 0x80 to 0xFF and before any other.
  const size_t longer = std::max(a.size(), b.size());
  for (size_t i = 0; i < longer; ++i) {
    int ca = i < a.size() ? static_cast<signed char>(a[i]) : 0;
    int cb = i < b.size() ? static_cast<signed char>(b[i]) : 0;
    if (ca != cb) return ca - cb;
  }
  return 0;
}

LinkTable::Entry* LinkTable::findLowered(const std::string& lowered) {
  auto hit = byName_.find(lowered);
  return hit == byName_.end() ? nullptr : &entries_[hit->second];
}

const LinkTable::Entry* LinkTable::find(const std::string& name) const {
  auto hit = byName_.find(lowerCased(name));
  return hit == byName_.end() ? nullptr : &entries_[hit->second];
}

void LinkTable::addReference(const std::string& name, TextPlace place) {
  hasReferences_ = true;
  std::string lowered = lowerCased(name);
  if (Entry* entry = findLowered(lowered)) {
    // A link to a name whose anchor is not known yet leaves it as it is: the
    // anchor marks it when it comes.
    if (entry->target != kNoTarget) entry->referenced = true;
    return;
  }
  byName_.emplace(lowered, entries_.size());
  entries_.push_back(Entry{kNoTarget, std::move(lowered), true, place});
}

void LinkTable::addDefinition(const std::string& name, uint32_t target, TextPlace place) {
  std::string lowered = lowerCased(name);
  Entry* entry = findLowered(lowered);
  if (!entry) {
    byName_.emplace(lowered, entries_.size());
    entries_.push_back(Entry{target, std::move(lowered), false, TextPlace()});
    return;
  }
  if (entry->target == kNoTarget) {
    entry->target = target;
    entry->referenced = true;
    return;
  }
  if (entry->target != target) reportWarningAt(place, "Link \"%s\" defined more than once", name.c_str());
}

void LinkTable::rebuildLookup() {
  byName_.clear();
  for (size_t i = 0; i < entries_.size(); ++i) byName_.emplace(entries_[i].name, i);
}

void LinkTable::finish() {
  std::stable_sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    if (a.referenced != b.referenced) return a.referenced;
    return compareSigned(a.name, b.name) < 0;
  });
  std::vector<Entry> kept;
  kept.reserve(entries_.size());
  for (Entry& entry : entries_) {
    if (!kept.empty() && kept.back().name == entry.name) continue;
    if (hasReferences_ && !entry.referenced) continue;
    kept.push_back(std::move(entry));
  }
  entries_ = std::move(kept);
  for (const Entry& entry : entries_) {
    if (entry.target == kNoTarget) {
      reportWarningAt(entry.firstLink, "Link \"%s\" has not been defined", entry.name.c_str());
    }
  }
  rebuildLookup();
}

size_t LinkTable::recordSize(size_t i) const { return 4 + entries_[i].name.size() + 1; }

void LinkTable::appendRecord(size_t i, ByteBuffer& out) const {
  out.appendU32(entries_[i].target);
  out.appendCString(entries_[i].name);
}

}  // namespace scrivora
