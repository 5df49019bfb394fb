#pragma once
// Links (\q="#name") and anchors (\Q="name") of the book, matched by name
// without regard to letter case. Each entry holds the lower-cased name, the
// anchor's text position (kNoTarget while no anchor of that name is known)
// and whether some link names it.
//
// Entries are added in the small pass. After the second pass finish() sorts
// the table (signed bytes, as the reader searches it), drops the anchors no
// link names (only when the book has at least one link; a book without links
// keeps all its anchors) and warns about every link whose anchor is missing.
// The writer then stores one record per entry: the target (u32, big-endian;
// 0xFFFFFFFF for a missing anchor), the name and a zero byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "BookSection.h"
#include "SourceMap.h"

namespace scrivora {

class LinkTable : public BookSection {
 public:
  static constexpr uint32_t kNoTarget = 0xFFFFFFFF;

  struct Entry {
    uint32_t target = kNoTarget;
    std::string name;  // lower-cased
    bool referenced = false;
    // The link that entered the name, where a warning about a missing
    // anchor points.
    TextPlace firstLink;
  };

  // A link at `place` names `name`: a new name is entered as referenced,
  // without a target; a known one is marked referenced once its anchor is
  // known.
  void addReference(const std::string& name, TextPlace place = TextPlace());

  // An anchor `name` at text position `target`. A new name is entered
  // unreferenced; a name known only from links gets its target and counts as
  // referenced. A second anchor of a known name at another position warns
  // "Link "%s" defined more than once" (the name as written) and is ignored;
  // the same anchor met again (its line scanned anew) changes nothing. The
  // warning points at `place`, the second anchor.
  void addDefinition(const std::string& name, uint32_t target, TextPlace place = TextPlace());

  // After the second pass, once: sort referenced entries first, then by name
  // comparing bytes as signed values; drop repeated names; drop the
  // unreferenced entries when any link exists; warn "Link "%s" has not been
  // defined" (the lower-cased name) for each entry left without a target, at
  // the first link to it.
  void finish();

  // Whether some link was added.
  bool hasReferences() const { return hasReferences_; }
  size_t size() const { return entries_.size(); }
  const Entry& at(size_t i) const { return entries_[i]; }
  // The entry of a name, matched without regard to case; null when unknown.
  const Entry* find(const std::string& name) const;

  size_t recordCount() const override { return entries_.size(); }
  size_t recordSize(size_t i) const override;
  void appendRecord(size_t i, ByteBuffer& out) const override;

  // Names of links and anchors are at most this long; a longer one is
  // reported and cut to its first kLongestName - 1 bytes.
  static constexpr size_t kLongestName = 80;
  static bool isTooLong(const std::string& name) { return name.size() > kLongestName; }
  static std::string cutName(std::string name);

  static std::string lowerCased(const std::string& name);
  // <0, 0, >0, comparing bytes as signed 8-bit values (0x80 to 0xFF before
  // 0x00 to 0x7F), the end of a name counting as a zero byte: a name that is
  // a prefix of another comes first unless the other goes on with 0x80 to 0xFF.
  static int compareSigned(const std::string& a, const std::string& b);

 private:
  Entry* findLowered(const std::string& lowered);
  void rebuildLookup();

  std::vector<Entry> entries_;
  std::unordered_map<std::string, size_t> byName_;
  bool hasReferences_ = false;
};

}  // namespace scrivora
