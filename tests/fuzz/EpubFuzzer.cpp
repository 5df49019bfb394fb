// libFuzzer target: the EPUB import on arbitrary bytes, pictures included.
// Bytes that start like a ZIP archive ("PK") are the book; any other bytes
// are the one page of a book made around them, so that the mutations reach
// the markup too (libzip refuses an entry whose checksum no longer fits).
// Each run imports the book into a private folder and aborts when a promise
// of the import is broken:
//   - nothing but the image folder appears beside the TML, and the image
//     folder holds only PNG files whose names the book can keep (31
//     characters at most);
//   - the TML is 7-bit text (every other character written as a code);
//   - every link has its anchor and every footnote reference its footnote.
// A QXException is an import that says why it failed, which is fine.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "BuildLog.h"
#include "FileSystem.h"
#include "ModernImporter.h"
#include "QXException.h"

namespace {

class DroppingSink : public scrivora::BuildLogSink {
 public:
  void receive(const scrivora::LogMessage&) override {}
};

std::vector<std::string> namesIn(const std::string& folder) {
  std::vector<std::string> names;
  if (DIR* listing = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(listing))
      if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") names.push_back(entry->d_name);
    closedir(listing);
  }
  return names;
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = char(std::tolower((unsigned char)c));
  return text;
}

// The arguments of the tags \Q, \q and \Fn in the text, as the compiler's
// scanner meets them (an escaped backslash is no tag), lower case.
struct TagArguments {
  std::set<std::string> anchors, links, notes;
};

TagArguments tagArguments(const std::string& tml) {
  TagArguments found;
  auto argument = [&](size_t start) {
    const size_t end = tml.find('"', start);
    if (end == std::string::npos) std::abort();
    return lowerCase(tml.substr(start, end - start));
  };
  for (size_t at = tml.find('\\'); at != std::string::npos && at + 1 < tml.size(); at = tml.find('\\', at + 2)) {
    const std::string_view rest = std::string_view(tml).substr(at + 1);
    if (rest.substr(0, 3) == "Q=\"") found.anchors.insert(argument(at + 4));
    if (rest.substr(0, 4) == "q=\"#") found.links.insert(argument(at + 5));
    if (rest.substr(0, 4) == "Fn=\"") found.notes.insert(argument(at + 5));
  }
  return found;
}

void checkImport(const scrivora::ModernImport& book, const std::string& folder, const std::string& images) {
  for (const std::string& name : namesIn(folder))
    if (name != "book_img") std::abort();
  for (const std::string& name : namesIn(images))
    if (name.size() > 31 || name.size() < 5 || name.compare(name.size() - 4, 4, ".png") != 0) std::abort();
  for (unsigned char c : book.tml)
    if (c >= 0x80) std::abort();
  const TagArguments tags = tagArguments(book.tml);
  for (const std::string& link : tags.links)
    if (!tags.anchors.count(link)) std::abort();
  const std::string lower = lowerCase(book.tml);
  for (const std::string& note : tags.notes)
    if (lower.find("<footnote id=\"" + note + "\">") == std::string::npos) std::abort();
}

// A book of one page holding the bytes, with a picture beside it.
std::string bookAround(std::string_view page) {
  static const char kContainer[] =
      "<container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
      "<rootfile full-path=\"p.opf\"/></rootfiles></container>";
  static const char kPackage[] =
      "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"3.0\"><metadata/><manifest>"
      "<item id=\"a\" href=\"a.xhtml\" media-type=\"application/xhtml+xml\"/></manifest>"
      "<spine><itemref idref=\"a\"/></spine></package>";
  // A 2 by 2 greyscale PNG.
  static const unsigned char kPicture[] = {
      0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
      0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x00, 0x00, 0x00, 0x00, 0x57, 0xDD, 0x52, 0xF8, 0x00, 0x00, 0x00,
      0x0C, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0x60, 0xF8, 0x0F, 0x84, 0x00, 0x06, 0x00, 0x01, 0xFF, 0x93,
      0xD1, 0xE4, 0x89, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* archive = zip_open_from_source(source, ZIP_TRUNCATE, &error);
  if (archive == nullptr) std::abort();
  zip_source_keep(source);
  const std::pair<const char*, std::string_view> entries[] = {
      {"META-INF/container.xml", kContainer},
      {"p.opf", kPackage},
      {"a.xhtml", page},
      {"p.png", std::string_view(reinterpret_cast<const char*>(kPicture), sizeof kPicture)}};
  for (const auto& [name, data] : entries)
    zip_file_add(archive, name, zip_source_buffer(archive, data.data(), data.size(), 0), 0);
  if (zip_close(archive) != 0) std::abort();
  std::string bytes;
  zip_stat_t stat;
  if (zip_source_stat(source, &stat) == 0 && zip_source_open(source) == 0) {
    bytes.resize(size_t(stat.size));
    zip_source_read(source, bytes.data(), bytes.size());
    zip_source_close(source);
  }
  zip_source_free(source);
  zip_error_fini(&error);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string folder = scrivora::makeUniqueFolder(scrivora::systemTemporaryFolder(), "epub-fuzz-");
  if (folder.empty()) std::abort();
  const std::string images = folder + "/book_img";
  DroppingSink sink;
  scrivora::ScopedLogSink installed(sink);
  scrivora::ModernImportOptions options;
  options.imageFolder = images;
  // Small limits keep each run quick; the limits themselves are what is tried.
  options.archive.maxDocumentBytes = 1 << 20;
  options.archive.maxImageBytes = 1 << 20;
  options.archive.maxTotalBytes = 8 << 20;
  options.pictures.maxSourcePixels = 4'000'000;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string book;
  if (bytes.substr(0, 2) != "PK") {
    book = bookAround(bytes);
    bytes = book;
  }
  try {
    const scrivora::ModernImport imported = scrivora::importEpubData(bytes, "fuzz.epub", options);
    checkImport(imported, folder, images);
  } catch (const scrivora::QXException&) {
  }
  for (const std::string& name : namesIn(images)) unlink((images + "/" + name).c_str());
  return 0;
}
