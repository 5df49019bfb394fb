#include "EpubPackage.h"

#include <algorithm>
#include <map>

#include "BuildLog.h"
#include "DocumentCharset.h"
#include "MarkupTree.h"
#include "QXException.h"

namespace scrivora::modern {

namespace {

const char kContainerPath[] = "META-INF/container.xml";

struct ManifestItem {
  std::string path;
  std::string mediaType;
  std::string properties;
};

XmlDocument readXmlEntry(EpubArchive& archive, const std::string& path, const std::string& bookName) {
  std::string bytes, problem;
  if (!archive.read(path, archive.limits().maxDocumentBytes, bytes, problem)) throw QXFileException(bookName, problem);
  XmlDocument document = parseXmlText(decodeDocumentText(bytes, MarkupSyntax::Xml, path).utf8(), path);
  if (!document) throw QXFileException(bookName, "\"" + path + "\" is not well-formed XML");
  return document;
}

std::string packagePathFrom(xmlDoc* container) {
  for (xmlNode* rootfile = findElement(xmlDocGetRootElement(container), "rootfile"); rootfile;
       rootfile = nextElement(rootfile)) {
    if (!isElement(rootfile, "rootfile")) continue;
    const std::string type = attributeValue(rootfile, "media-type");
    if (type.empty() || type == "application/oebps-package+xml")
      return resolveArchivePath(std::string(), attributeValue(rootfile, "full-path"));
  }
  return std::string();
}

bool looksLikeIsbn(const std::string& value) {
  size_t digits = 0;
  for (char c : value) {
    if (c >= '0' && c <= '9') {
      ++digits;
    } else if (c != '-' && c != ' ' && c != 'X' && c != 'x') {
      return false;
    }
  }
  return digits == 10 || digits == 13 || (digits == 9 && (value.back() == 'X' || value.back() == 'x'));
}

std::string withoutPrefix(const std::string& value, const char* prefix) {
  const size_t length = std::char_traits<char>::length(prefix);
  if (value.size() > length) {
    std::string start = value.substr(0, length);
    std::transform(start.begin(), start.end(), start.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (start == prefix) return value.substr(length);
  }
  return value;
}

// The book's ISBN when one of its identifiers is an ISBN, else the
// identifier the package names as the book's own.
std::string chooseIdentifier(xmlNode* metadata, const std::string& uniqueId) {
  std::string unique, first;
  for (xmlNode* item = firstElementChild(metadata); item; item = nextElement(item)) {
    if (localName(item) != "identifier") continue;
    const std::string value = collapsedText(item);
    if (value.empty()) continue;
    const std::string bare = withoutPrefix(withoutPrefix(value, "urn:isbn:"), "isbn:");
    std::string scheme = attributeValue(item, "opf:scheme");
    std::transform(scheme.begin(), scheme.end(), scheme.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (scheme == "isbn" || bare != value || looksLikeIsbn(bare)) return bare;
    if (first.empty()) first = value;
    if (!uniqueId.empty() && attributeValue(item, "id") == uniqueId) unique = value;
  }
  return unique.empty() ? first : unique;
}

EpubMetadata readMetadata(xmlNode* package) {
  EpubMetadata metadata;
  xmlNode* block = findElement(package, "metadata");
  if (block == nullptr) return metadata;
  std::vector<std::string> authors, otherCreators;
  for (xmlNode* item = firstElementChild(block); item; item = nextElement(item)) {
    const std::string_view name = localName(item);
    const std::string value = collapsedText(item);
    if (value.empty()) continue;
    if (name == "title" && metadata.title.empty()) metadata.title = value;
    if (name == "publisher" && metadata.publisher.empty()) metadata.publisher = value;
    if (name == "date" && metadata.date.empty()) metadata.date = value;
    if (name == "rights" && metadata.rights.empty()) metadata.rights = value;
    if (name == "creator") {
      const std::string role = attributeValue(item, "opf:role");
      (role.empty() || role == "aut" ? authors : otherCreators).push_back(value);
    }
  }
  if (authors.empty()) authors = otherCreators;
  for (const std::string& author : authors) metadata.authors += (metadata.authors.empty() ? "" : ", ") + author;
  metadata.identifier = chooseIdentifier(block, attributeValue(package, "unique-identifier"));
  return metadata;
}

}  // namespace

EpubPackage readEpubPackage(EpubArchive& archive, const std::string& bookName) {
  if (!archive.contains(kContainerPath))
    throw QXFileException(bookName, "it is not an EPUB book: it has no META-INF/container.xml");
  EpubPackage package;
  {
    XmlDocument container = readXmlEntry(archive, kContainerPath, bookName);
    package.packagePath = packagePathFrom(container.get());
  }
  if (package.packagePath.empty())
    throw QXFileException(bookName, "META-INF/container.xml names no package file of the book");
  XmlDocument opf = readXmlEntry(archive, package.packagePath, bookName);
  xmlNode* root = xmlDocGetRootElement(opf.get());
  package.metadata = readMetadata(root);

  std::map<std::string, ManifestItem> manifest;
  std::string coverId;
  for (xmlNode* meta = firstElementChild(findElement(root, "metadata")); meta; meta = nextElement(meta))
    if (localName(meta) == "meta" && attributeValue(meta, "name") == "cover") coverId = attributeValue(meta, "content");
  for (xmlNode* item = firstElementChild(findElement(root, "manifest")); item; item = nextElement(item)) {
    if (localName(item) != "item") continue;
    ManifestItem entry{resolveArchivePath(package.packagePath, attributeValue(item, "href")),
                       attributeValue(item, "media-type"), attributeValue(item, "properties")};
    if (entry.path.empty()) continue;
    if (hasWord(entry.properties, "nav")) package.navigationPath = entry.path;
    if (hasWord(entry.properties, "cover-image")) package.coverImagePath = entry.path;
    if (entry.mediaType == "application/x-dtbncx+xml" && package.ncxPath.empty()) package.ncxPath = entry.path;
    manifest[attributeValue(item, "id")] = entry;
  }
  if (package.coverImagePath.empty() && manifest.count(coverId)) package.coverImagePath = manifest[coverId].path;

  xmlNode* spine = findElement(root, "spine");
  const std::string ncxId = attributeValue(spine, "toc");
  if (!ncxId.empty() && manifest.count(ncxId)) package.ncxPath = manifest[ncxId].path;
  for (xmlNode* itemref = firstElementChild(spine); itemref; itemref = nextElement(itemref)) {
    if (localName(itemref) != "itemref") continue;
    const std::string id = attributeValue(itemref, "idref");
    auto item = manifest.find(id);
    if (item == manifest.end()) {
      reportWarning("The reading order of %s names \"%s\", which the book does not list; it is left out.",
                    bookName.c_str(), id.c_str());
      continue;
    }
    if (!archive.contains(item->second.path)) {
      reportWarning("The reading order of %s names \"%s\", which is missing from the book; it is left out.",
                    bookName.c_str(), item->second.path.c_str());
      continue;
    }
    if (std::find(package.spine.begin(), package.spine.end(), item->second.path) == package.spine.end())
      package.spine.push_back(item->second.path);
  }
  if (package.spine.empty()) throw QXFileException(bookName, "its reading order names no text that the book holds");
  return package;
}

}  // namespace scrivora::modern
