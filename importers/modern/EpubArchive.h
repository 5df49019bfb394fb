#pragma once
// The EPUB container: a ZIP archive read through libzip. Entries are only
// ever read into memory, never unpacked onto the disk, and every read is
// bounded: an entry that unpacks beyond its limit, an archive with too many
// entries, or more unpacked bytes in all than the import allows, is refused
// with a reason instead of filling memory (a "zip bomb").

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct zip;

namespace scrivora::modern {

struct EpubArchiveLimits {
  size_t maxEntries = 20000;
  size_t maxDocumentBytes = 32u << 20;  // one XHTML, OPF or NCX file
  // All the text documents together: they are kept in memory as trees,
  // several times their size, for the whole import.
  size_t maxTextBytes = 64u << 20;
  size_t maxImageBytes = 16u << 20;   // one picture
  size_t maxTotalBytes = 256u << 20;  // everything read from one book
};

class EpubArchive {
 public:
  // Opens an archive file, or an archive held in memory (which must outlive
  // the archive object). Null with the reason when it is not a ZIP archive
  // that can be read.
  static std::unique_ptr<EpubArchive> openFile(const std::string& path, const EpubArchiveLimits& limits,
                                               std::string& problem);
  static std::unique_ptr<EpubArchive> openMemory(std::string_view bytes, const EpubArchiveLimits& limits,
                                                 std::string& problem);
  ~EpubArchive();
  EpubArchive(const EpubArchive&) = delete;
  EpubArchive& operator=(const EpubArchive&) = delete;

  // Whether an entry of that name (or, failing that, of that name in another
  // letter case) can be read.
  bool contains(const std::string& name) const;
  // Reads one entry whole; false with the reason when it is missing, a
  // symbolic link, encrypted, damaged or larger than `limit` unpacked.
  bool read(const std::string& name, size_t limit, std::string& contents, std::string& problem);
  // Whether the last read failed for its size alone.
  bool lastReadTooLarge() const { return lastReadTooLarge_; }

  const EpubArchiveLimits& limits() const { return limits_; }

 private:
  EpubArchive(zip* archive, const EpubArchiveLimits& limits) : archive_(archive), limits_(limits) {}
  long long locate(const std::string& name) const;
  static std::unique_ptr<EpubArchive> checked(zip* archive, const EpubArchiveLimits& limits, std::string& problem);

  zip* archive_;
  EpubArchiveLimits limits_;
  size_t bytesRead_ = 0;
  bool lastReadTooLarge_ = false;
};

// A path inside the archive, from a reference written in a file at
// `fromFile`: resolved against that file's folder, "." and ".." applied and
// %XX escapes decoded; the query and fragment are not part of it. Empty when
// the reference leaves the archive (too many "..", an absolute path, a URL
// with a scheme).
std::string resolveArchivePath(const std::string& fromFile, std::string_view reference);

// The fragment of a reference (after "#"), %XX escapes decoded.
std::string referenceFragment(std::string_view reference);

// Whether a reference names something outside the book: a URL with a scheme
// (http:, mailto:, data:...) or a path starting with "//".
bool isExternalReference(std::string_view reference);

std::string percentDecoded(std::string_view text);

}  // namespace scrivora::modern
