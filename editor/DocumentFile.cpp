#include "DocumentFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <mutex>
#include <vector>

#include "FileSystem.h"
#include "HtmlImporter.h"
#include "ImportPath.h"
#include "Importer.h"
#include "ModernImporter.h"
#include "QXException.h"
#include "RtfDocument.h"
#include "TmlLoader.h"
#include "TmlWriter.h"

namespace scrivora {

namespace {

const char kReadFailed[] = "An error occurred while reading the file from disk.";
const char kNotWritable[] = "The file is not writable.";
const char kNotWritableDetail[] = "Changes will have to be saved to a different file.";

// The extension counts only when the name is longer than it.
bool hasExtension(const std::string& path, const char* extension) {
  const size_t length = std::char_traits<char>::length(extension);
  return path.size() > length && strcasecmp(path.c_str() + path.size() - length, extension) == 0;
}

DocumentOpenResult failed(DocumentLoadStatus status, const std::string& message, const std::string& detail) {
  DocumentOpenResult result;
  result.status = status;
  result.message = message;
  result.detail = detail;
  return result;
}

// Why a file cannot be loaded, checked before the loader opens it: a pipe or
// a device would never end (or never start) to be read.
std::string whyNotARegularFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) return systemErrorText(errno);
  if (S_ISDIR(info.st_mode)) return systemErrorText(EISDIR);
  return S_ISREG(info.st_mode) ? std::string() : "not a regular file";
}

bool openableForWriting(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

DocumentOpenResult openTml(const std::string& path, RichTextView& view, BookInfo& bookInfo) {
  const std::string problem = whyNotARegularFile(path);
  if (!problem.empty()) return failed(DocumentLoadStatus::ReadFailed, kReadFailed, path + ": " + problem);
  if (!loadTml(path, &bookInfo, &view)) {
    std::string contents, reason;
    const bool readable = readRegularFile(path, contents, reason);
    return failed(DocumentLoadStatus::ReadFailed, kReadFailed, readable ? path : path + ": " + reason);
  }
  DocumentOpenResult result;
  result.status = DocumentLoadStatus::Loaded;
  if (!openableForWriting(path)) {
    result.status = DocumentLoadStatus::NotWritable;
    result.message = kNotWritable;
    result.detail = kNotWritableDetail;
  }
  return result;
}

// An imported book has no file until it is saved, so its pictures wait in a
// private folder of this process; saving copies them into the image folder
// of the file the book is saved as. The folders go when the program ends.
class ImportedPictureFolders {
 public:
  ~ImportedPictureFolders() {
    for (const std::string& folder : folders_) {
      const std::string pictures = folder + "/book_img";
      if (DIR* listing = ::opendir(pictures.c_str())) {
        while (const dirent* entry = ::readdir(listing))
          if (entry->d_name[0] != '.') ::unlink((pictures + "/" + entry->d_name).c_str());
        ::closedir(listing);
      }
      ::rmdir(pictures.c_str());
      ::rmdir(folder.c_str());
    }
  }
  // The path of a TML file that was never written, whose image folder is
  // new and empty; empty when no folder can be made.
  std::string newDocumentPath() {
    const std::string folder = makeUniqueFolder(systemTemporaryFolder(), "scrivora-import-");
    if (folder.empty()) return std::string();
    std::lock_guard<std::mutex> lock(mutex_);
    folders_.push_back(folder);
    return folder + "/book.tml";
  }

 private:
  std::mutex mutex_;
  std::vector<std::string> folders_;
};

ImportedPictureFolders& importedPictureFolders() {
  static ImportedPictureFolders folders;
  return folders;
}

DocumentOpenResult loadImported(const std::string& tml, const std::string& documentPath, const std::string& path,
                                RichTextView& view, BookInfo& bookInfo) {
  TmlLoadOptions load;
  load.documentPath = documentPath;
  if (!loadTmlFromMemory(tml, load, &bookInfo, &view)) return failed(DocumentLoadStatus::ReadFailed, kReadFailed, path);
  DocumentOpenResult result;
  result.status = DocumentLoadStatus::Loaded;
  result.imported = true;
  return result;
}

// An RTF file is an import too: its text and formatting come into the
// editor's own fonts, and it is saved as TML under a new name.
DocumentOpenResult importRtf(const std::string& path, RichTextView& view) {
  const std::string problem = whyNotARegularFile(path);
  if (!problem.empty()) return failed(DocumentLoadStatus::ReadFailed, kReadFailed, path + ": " + problem);
  std::string error;
  if (!loadRtf(path, &view, &error)) return failed(DocumentLoadStatus::ReadFailed, kReadFailed, path + ": " + error);
  DocumentOpenResult result;
  result.status = DocumentLoadStatus::Loaded;
  result.imported = true;
  return result;
}

template <typename Import>
DocumentOpenResult importWith(const std::string& path, Import&& import, std::string& tml) {
  try {
    tml = import();
  } catch (const QXFileException& failure) {
    return failed(DocumentLoadStatus::ReadFailed, kReadFailed, failure.path() + ": " + failure.reason());
  } catch (const QXException& failure) {
    return failed(DocumentLoadStatus::ReadFailed, failure.message(), path);
  }
  DocumentOpenResult result;
  result.status = DocumentLoadStatus::Loaded;
  return result;
}

DocumentOpenResult importModern(const std::string& path, bool book, RichTextView& view, BookInfo& bookInfo) {
  const std::string documentPath = importedPictureFolders().newDocumentPath();
  ModernImportOptions options;
  if (!documentPath.empty()) options.imageFolder = imageFolderOf(documentPath);
  std::string tml;
  const DocumentOpenResult imported = importWith(
      path, [&] { return book ? importEpubFile(path, options).tml : importModernPage(path, options).tml; }, tml);
  if (!imported.loaded()) return imported;
  return loadImported(tml, documentPath, path, view, bookInfo);
}

DocumentOpenResult importHtml(const std::string& path, RichTextView& view, BookInfo& bookInfo,
                              const DocumentOpenOptions& options) {
  std::string page;
  const DocumentOpenResult read = importWith(
      path, [&] { return readWholeFile(path); }, page);
  if (!read.loaded()) return read;
  if (chooseHtmlImportPath(path, page) == HtmlImportPath::Modern) return importModern(path, false, view, bookInfo);
  std::string tml;
  const DocumentOpenResult imported = importWith(
      path,
      [&] {
        HtmlImporter importer(options.htmlSupportFolder.empty() ? htmlSupportFolderBesideProgram()
                                                                : options.htmlSupportFolder);
        return importer.convert(page);
      },
      tml);
  if (!imported.loaded()) return imported;
  // An imported page keeps no file, and so no image folder either.
  return loadImported(tml, std::string(), path, view, bookInfo);
}

}  // namespace

DocumentKind documentKindOf(const std::string& path) {
  if (hasExtension(path, ".htm") || hasExtension(path, ".html") || hasExtension(path, ".xhtml") ||
      hasExtension(path, ".xht"))
    return DocumentKind::Html;
  if (hasExtension(path, ".rtf")) return DocumentKind::Rtf;
  if (hasExtension(path, ".epub")) return DocumentKind::Epub;
  return DocumentKind::Tml;
}

DocumentOpenResult openDocumentFile(const std::string& path, RichTextView& view, BookInfo& bookInfo,
                                    const DocumentOpenOptions& options) {
  switch (documentKindOf(path)) {
    case DocumentKind::Html: return importHtml(path, view, bookInfo, options);
    case DocumentKind::Epub: return importModern(path, true, view, bookInfo);
    case DocumentKind::Rtf: return importRtf(path, view);
    case DocumentKind::Tml: break;
  }
  return openTml(path, view, bookInfo);
}

bool saveDocumentFile(RichTextView& view, const BookInfo& bookInfo, const std::string& path, std::string& reason) {
  if (path.empty()) {
    reason = "No file name was given.";
    return false;
  }
  TmlWriteOptions options;
  options.imageFolder = imageFolderOf(path);
  return writeFileReplacing(path, writeTml(view, &bookInfo, options), reason);
}

}  // namespace scrivora
