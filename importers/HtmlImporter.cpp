#include "HtmlImporter.h"

#include <OpenSP/ParserEventGeneratorKit.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "HtmlSource.h"
#include "HtmlTmlWriter.h"
#include "QXException.h"

namespace scrivora {

namespace {

// The parser reads its settings from the environment when its kit is made.
// They are set for that moment only and then put back as they were, so that
// the importer leaves the process environment unchanged.
class ScopedEnvironment {
 public:
  void set(const char* name, const char* value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old != nullptr, old ? old : ""});
    setenv(name, value, 1);
  }
  ~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->existed)
        setenv(it->name, it->value.c_str(), 1);
      else
        unsetenv(it->name);
    }
  }

 private:
  struct Saved {
    const char* name;
    bool existed;
    std::string value;
  };
  std::vector<Saved> saved_;
};

// The prepared document lives in an anonymous in-memory file for the parser to
// read, so no temporary file is left anywhere, whatever happens.
class MemoryFile {
 public:
  explicit MemoryFile(const std::string& contents) {
    descriptor_ = memfd_create("scrivora-html", MFD_CLOEXEC);
    if (descriptor_ < 0) throw QXFileException("(in-memory copy of the page)", std::strerror(errno));
    size_t written = 0;
    while (written < contents.size()) {
      ssize_t n = ::write(descriptor_, contents.data() + written, contents.size() - written);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        const int error = n < 0 ? errno : ENOSPC;
        ::close(descriptor_);
        throw QXFileException("(in-memory copy of the page)", std::strerror(error));
      }
      written += size_t(n);
    }
  }
  ~MemoryFile() { ::close(descriptor_); }
  MemoryFile(const MemoryFile&) = delete;
  MemoryFile& operator=(const MemoryFile&) = delete;

  std::string path() const { return "/proc/self/fd/" + std::to_string(descriptor_); }

 private:
  int descriptor_ = -1;
};

// Empty when the file can be read, else why not.
std::string whyUnreadable(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || ::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  return S_ISREG(info.st_mode) ? std::string() : "not a regular file";
}

}  // namespace

HtmlImporter::HtmlImporter(std::string supportFolder)
    : catalogPath_(std::move(supportFolder) + "/catalog"), cleanup_(kHtmlCleanupRules) {}

std::string HtmlImporter::convertWithoutCleanup(const std::string& pageBytes) {
  const std::string catalogProblem = whyUnreadable(catalogPath_);
  if (!catalogProblem.empty()) throw QXFileException(catalogPath_, catalogProblem);
  try {
    MemoryFile document(prepareHtmlForParser(pageBytes));
    // The document is handed over in UTF-8 and the parser's characters are
    // Unicode code points throughout.
    std::string systemId = "<osfile encoding=utf-8>" + document.path();

    std::unique_ptr<ParserEventGeneratorKit> kit;
    {
      ScopedEnvironment environment;
      environment.set("SP_CHARSET_FIXED", "1");
      environment.set("SP_USE_DOCUMENT_CATALOG", "NO");
      kit = std::make_unique<ParserEventGeneratorKit>();
    }
    kit->setOption(ParserEventGeneratorKit::addCatalog, catalogPath_.c_str());
    // Keep inferring omitted tags but do not validate: parser messages are not
    // shown, and parsing goes on as far as it can.
    kit->setOption(ParserEventGeneratorKit::enableWarning, "no-valid");
    // Reports the declared entities, which tell whether the document type was read.
    kit->setOption(ParserEventGeneratorKit::outputGeneralEntities);
    char* files[] = {systemId.data()};
    std::unique_ptr<EventGenerator> generator(kit->makeEventGenerator(1, files));
    generator->inhibitMessages(true);

    HtmlTmlWriter writer(pageBytes.size());
    generator->run(writer);
    // Without the document type nothing is implied, no body starts and the
    // text would silently vanish: a broken "HTML Support" folder is a failure.
    if (writer.declaredEntityCount() == 0)
      throw QXFileException(catalogPath_, "the HTML document type it names cannot be read");
    return writer.takeOutput();
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
}

std::string HtmlImporter::convert(const std::string& pageBytes) {
  return cleanup_.convert(convertWithoutCleanup(pageBytes));
}

std::string HtmlImporter::convertFile(const std::string& path) { return convert(readWholeFile(path)); }

std::string htmlSupportFolderBesideProgram() {
  std::vector<char> buffer(4096);
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return "HTML Support";
  std::string program(buffer.data(), size_t(length));
  size_t slash = program.rfind('/');
  std::string folder = slash == std::string::npos ? std::string(".") : program.substr(0, slash);
  // In the build the folder sits beside the program; an installed program
  // finds it in the installation's shared data.
  const std::string beside = folder + "/HTML Support";
  const std::string installed = folder + "/../share/scrivora/HTML Support";
  if (whyUnreadable(beside + "/catalog").empty() || !whyUnreadable(installed + "/catalog").empty()) return beside;
  return installed;
}

}  // namespace scrivora
