#include "DocumentOpening.h"

#include <fcntl.h>
#include <unistd.h>

#include "TmlLoader.h"

namespace scrivora {

namespace {

// Whether the user may write the file, tried as the save will: open for
// reading and writing, without changing it.
bool canWrite(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

LoadStatus openDocumentFile(const std::string& path, TextDocumentModel& text, BookInfo& bookInfo) {
  if (!loadTml(path, &bookInfo, &text)) return LoadStatus::ReadFailed;
  return canWrite(path) ? LoadStatus::Loaded : LoadStatus::NotWritable;
}

}  // namespace scrivora
