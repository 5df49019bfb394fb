#include "ModernTestSupport.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <QBuffer>
#include <QImage>

#include <algorithm>
#include <fstream>

#include "BookBuilder.h"
#include "FileSystem.h"

namespace scrivora::test {

std::string zipArchive(const std::vector<ZipEntry>& entries) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(nullptr, 0, 0, &error);
  zip_t* archive = zip_open_from_source(source, ZIP_TRUNCATE, &error);
  zip_source_keep(source);
  for (const ZipEntry& entry : entries) {
    zip_source_t* data = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
    const zip_int64_t index = zip_file_add(archive, entry.name.c_str(), data, ZIP_FL_ENC_UTF_8);
    if (entry.unixMode && index >= 0)
      zip_file_set_external_attributes(archive, zip_uint64_t(index), 0, ZIP_OPSYS_UNIX, entry.unixMode << 16);
  }
  zip_close(archive);
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

std::string xhtmlPage(const std::string& body, const std::string& title) {
  return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE html>\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
         "<head><title>" +
         title + "</title></head><body>" + body + "</body></html>";
}

namespace {

std::string mediaTypeOf(const std::string& path) {
  const std::string ending = path.substr(path.rfind('.') + 1);
  if (ending == "png") return "image/png";
  if (ending == "jpg" || ending == "jpeg") return "image/jpeg";
  if (ending == "gif") return "image/gif";
  if (ending == "webp") return "image/webp";
  return "application/xhtml+xml";
}

}  // namespace

std::vector<ZipEntry> epubEntries(const EpubBookPlan& plan) {
  std::string manifest, spine;
  for (size_t i = 0; i < plan.pages.size(); ++i) {
    manifest += "<item id=\"p" + std::to_string(i) + "\" href=\"" + plan.pages[i].first +
                "\" media-type=\"application/xhtml+xml\"/>";
    spine += "<itemref idref=\"p" + std::to_string(i) + "\"/>";
  }
  for (size_t i = 0; i < plan.pictures.size(); ++i) {
    const bool cover = plan.pictures[i].name == plan.coverPicture;
    manifest += "<item id=\"i" + std::to_string(i) + "\" href=\"" + plan.pictures[i].name + "\" media-type=\"" +
                mediaTypeOf(plan.pictures[i].name) + "\"" +
                (cover && plan.version == 3 ? " properties=\"cover-image\"" : "") + "/>";
  }
  std::string metadata = plan.metadata;
  if (!plan.coverPicture.empty() && plan.version == 2)
    for (size_t i = 0; i < plan.pictures.size(); ++i)
      if (plan.pictures[i].name == plan.coverPicture)
        metadata += "<meta name=\"cover\" content=\"i" + std::to_string(i) + "\"/>";

  std::vector<ZipEntry> entries;
  entries.push_back({"mimetype", "application/epub+zip"});
  entries.push_back({"META-INF/container.xml",
                     "<?xml version=\"1.0\"?><container version=\"1.0\" "
                     "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles><rootfile "
                     "full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/></rootfiles>"
                     "</container>"});
  std::string toc;
  if (plan.version == 3) {
    manifest += "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" properties=\"nav\"/>";
    toc = "<nav epub:type=\"toc\"><h1>Contents</h1>" + plan.tableOfContents + "</nav>";
    entries.push_back({"OEBPS/nav.xhtml", xhtmlPage(toc, "Contents")});
  } else {
    manifest += "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>";
    entries.push_back({"OEBPS/toc.ncx",
                       "<?xml version=\"1.0\"?><ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" "
                       "version=\"2005-1\"><navMap>" +
                           plan.tableOfContents + "</navMap></ncx>"});
  }
  entries.push_back({"OEBPS/content.opf",
                     "<?xml version=\"1.0\" encoding=\"utf-8\"?><package xmlns=\"http://www.idpf.org/2007/opf\" "
                     "version=\"" +
                         std::to_string(plan.version) +
                         ".0\" unique-identifier=\"id\"><metadata "
                         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" xmlns:opf=\"http://www.idpf.org/2007/opf\">" +
                         metadata + "</metadata><manifest>" + manifest + "</manifest><spine" +
                         (plan.version == 2 ? " toc=\"ncx\"" : "") + ">" + spine + "</spine></package>"});
  for (const auto& [path, body] : plan.pages) entries.push_back({"OEBPS/" + path, xhtmlPage(body)});
  for (const ZipEntry& picture : plan.pictures) entries.push_back({"OEBPS/" + picture.name, picture.data});
  return entries;
}

std::string picture(int width, int height, const char* format) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes.toStdString();
}

CompiledBook compileTml(const std::string& folder, const std::string& tml) {
  CompiledBook book;
  std::ofstream(folder + "/book.tml", std::ios::binary) << tml;
  CollectingLogSink log;
  {
    ScopedLogSink installed(log);
    book.built = buildBook(folder + "/book.tml", folder + "/book.tdb", BookInfo());
  }
  book.errors = log.textsOf(LogKind::Error);
  book.warnings = log.textsOf(LogKind::Warning);
  if (book.built) {
    BookReader reader;
    if (reader.readFile(folder + "/book.tdb")) book.contents = reader.contents();
  }
  return book;
}

std::vector<std::string> undefinedLinks(const CompiledBook& book) {
  std::vector<std::string> undefined;
  for (const std::string& warning : book.warnings)
    if (warning.find("has not been defined") != std::string::npos) undefined.push_back(warning);
  return undefined;
}

ScratchFolder::ScratchFolder() { path_ = makeUniqueFolder(systemTemporaryFolder(), "modern-import-test-"); }

ScratchFolder::~ScratchFolder() {
  // Depth first: names below a folder come after it in the tree's listing.
  std::vector<std::string> names = treeOf(path_);
  std::reverse(names.begin(), names.end());
  for (const std::string& name : names) removePath(path_ + "/" + name);
  removePath(path_);
}

std::string ScratchFolder::write(const std::string& name, const std::string& contents) const {
  std::ofstream(file(name), std::ios::binary) << contents;
  return file(name);
}

std::vector<std::string> treeOf(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return names;
  std::vector<std::string> here;
  while (const dirent* entry = readdir(listing))
    if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..") here.push_back(entry->d_name);
  closedir(listing);
  std::sort(here.begin(), here.end());
  for (const std::string& name : here) {
    names.push_back(name);
    struct stat info;
    if (lstat((folder + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode))
      for (const std::string& below : treeOf(folder + "/" + name)) names.push_back(name + "/" + below);
  }
  return names;
}

}  // namespace scrivora::test
