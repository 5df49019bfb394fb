#include "ModernImporter.h"

#include <strings.h>

#include <algorithm>
#include <memory>
#include <new>

#include "BookSurvey.h"
#include "BookWriter.h"
#include "BuildLog.h"
#include "DocumentCharset.h"
#include "EpubPackage.h"
#include "FileSystem.h"
#include "HtmlEntities.h"
#include "Importer.h"
#include "InfoBlock.h"
#include "MarkupTree.h"
#include "PictureFolder.h"
#include "QXException.h"
#include "TableOfContents.h"

namespace scrivora {

using namespace modern;

namespace {

bool endsWithNoCase(const std::string& text, const char* suffix) {
  const size_t length = std::char_traits<char>::length(suffix);
  return text.size() >= length && strcasecmp(text.c_str() + text.size() - length, suffix) == 0;
}

// The text of a document: everything under its root, the head included
// (see isDroppedElement).
xmlNode* bodyOf(xmlDoc* tree) { return xmlDocGetRootElement(tree); }

// A content document as a tree: XML first for XHTML, HTML in recovery mode
// for HTML and for XHTML that is not well-formed.
ContentDocument parseContent(const std::string& bytes, const std::string& path, bool xml) {
  ContentDocument document;
  document.path = path;
  document.sourceSize = bytes.size();
  const DecodedText decoded = decodeDocumentText(bytes, xml ? MarkupSyntax::Xml : MarkupSyntax::Html, path);
  const std::string text = resolveNamedReferences(decoded.utf8());
  if (xml) {
    document.tree = parseXmlText(text, path);
    if (!document.tree) reportWarning("%s is not well-formed XML; it was read as HTML.", path.c_str());
  }
  if (!document.tree) document.tree = parseHtmlText(text, path);
  if (!document.tree) throw QXMemoryException();
  document.body = bodyOf(document.tree.get());
  return document;
}

bool decodeBase64(std::string_view text, std::string& bytes) {
  auto value = [](char c) -> int {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+' || c == '-') return 62;
    if (c == '/' || c == '_') return 63;
    return -1;
  };
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=' || c == ' ' || c == '\n' || c == '\r' || c == '\t') continue;
    const int v = value(c);
    if (v < 0) return false;
    buffer = (buffer << 6) | unsigned(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes += char((buffer >> bits) & 0xFF);
    }
  }
  return true;
}

// A picture written into the page itself: "data:image/png;base64,...".
bool loadDataReference(const std::string& reference, std::string& bytes, std::string& problem) {
  const size_t comma = reference.find(',');
  if (comma == std::string::npos) {
    problem = "its data is incomplete";
    return false;
  }
  const std::string header = reference.substr(0, comma);
  if (header.size() >= 7 && header.compare(header.size() - 7, 7, ";base64") == 0) {
    if (decodeBase64(std::string_view(reference).substr(comma + 1), bytes)) return true;
    problem = "its data is damaged";
    return false;
  }
  bytes = percentDecoded(std::string_view(reference).substr(comma + 1));
  return true;
}

// The book's information from its metadata, in the book's characters.
BookInfo bookInfoOf(const EpubMetadata& metadata, TmlCharacters& characters) {
  BookInfo info;
  info.title = windows1252Value(metadata.title, characters);
  info.author = windows1252Value(metadata.authors, characters);
  info.publisher = windows1252Value(metadata.publisher, characters);
  info.eisbn = windows1252Value(metadata.identifier, characters);
  std::string copyright = metadata.rights;
  const std::string year = metadata.date.substr(0, 4);
  if (copyright.empty())
    copyright = metadata.date;
  else if (!year.empty() && copyright.find(year) == std::string::npos)
    copyright += " (" + metadata.date + ")";
  info.copyright = windows1252Value(copyright, characters);
  return info;
}

bool hasInformation(const BookInfo& info) {
  return !(info.title.empty() && info.author.empty() && info.publisher.empty() && info.eisbn.empty() &&
           info.copyright.empty());
}

// The information block the text starts with, when there is information.
std::string informationBlock(const BookInfo& info) {
  return hasInformation(info) ? writeInfoBlock(info) : std::string();
}

// The text after its information block, and one block per footnote after
// all of the text.
std::string assembleTml(BookWriter& writer, const BookSurvey& survey) {
  std::string tml = writer.mainText().finish();
  for (const xmlNode* note : survey.movedNotes()) {
    tml += "\r\r<footnote id=\"" + survey.noteId(note) + "\">\r";
    tml += writer.noteBody(note);
    tml += "\r</footnote>";
  }
  return tml;
}

class PictureReporter {
 public:
  std::string file(PictureFolder& folder, const std::string& key, const std::string& where, unsigned maxWidth,
                   const PictureFolder::Loader& load) {
    std::string problem;
    // A picture written into the page has no name of its own.
    const std::string nameHint = key.compare(0, 5, "data:") == 0 ? std::string("picture") : key;
    std::string name = folder.store(key, nameHint, maxWidth, load, problem);
    if (name.empty()) refuse(folder, key, where, problem);
    return name;
  }

  // Says once why a picture is left out; always returns no file name.
  std::string refuse(const PictureFolder& folder, const std::string& key, const std::string& where,
                     const std::string& problem) {
    if (!reported_.insert(key).second) return std::string();
    if (!folder.available()) {
      if (!warnedNoFolder_)
        reportWarning("The pictures of %s are left out: there is no image folder to put them in.", where.c_str());
      warnedNoFolder_ = true;
    } else {
      // A picture written into the page can be long: its start names it.
      reportWarning("The picture \"%s\" of %s is left out: %s.", key.substr(0, 100).c_str(), where.c_str(),
                    problem.c_str());
    }
    return std::string();
  }

 private:
  std::set<std::string> reported_;
  bool warnedNoFolder_ = false;
};

ModernImport importEpub(EpubArchive& archive, const std::string& name, const ModernImportOptions& options) {
  const EpubPackage package = readEpubPackage(archive, name);
  TmlCharacters characters;
  ModernImport result;
  result.info = bookInfoOf(package.metadata, characters);

  std::vector<ContentDocument> documents;
  size_t textBytes = 0;
  for (const std::string& path : package.spine) {
    std::string bytes, problem;
    const size_t room = options.archive.maxTextBytes - textBytes;
    if (!archive.read(path, std::min(options.archive.maxDocumentBytes, room), bytes, problem)) {
      if (archive.lastReadTooLarge() && room < options.archive.maxDocumentBytes)
        problem = "its text is larger than " + std::to_string(options.archive.maxTextBytes) + " bytes in all";
      reportWarning("A part of %s is left out: %s.", name.c_str(), problem.c_str());
      continue;
    }
    textBytes += bytes.size();
    documents.push_back(parseContent(bytes, path, true));
  }
  if (documents.empty()) throw QXFileException(name, "none of the text of the book can be read");

  std::vector<TocEntry> toc;
  const std::string tocPath = !package.navigationPath.empty() ? package.navigationPath : package.ncxPath;
  if (!tocPath.empty()) {
    std::string bytes, problem;
    if (archive.read(tocPath, options.archive.maxDocumentBytes, bytes, problem)) {
      ContentDocument navigation = parseContent(bytes, tocPath, true);
      toc = tocPath == package.navigationPath ? readNavigationToc(navigation.tree.get(), tocPath)
                                              : readNcxToc(navigation.tree.get(), tocPath);
    } else {
      reportWarning("The table of contents of %s cannot be read: %s.", name.c_str(), problem.c_str());
    }
  }

  PictureFolder folder(options.imageFolder, options.pictures);
  PictureReporter reporter;
  auto pictureAt = [&](const std::string& path, unsigned maxWidth) {
    return reporter.file(folder, path, name, maxWidth, [&](std::string& bytes, std::string& problem) {
      return archive.read(path, options.archive.maxImageBytes, bytes, problem);
    });
  };
  const BookSurvey survey(documents, toc);
  BookWriter writer(documents, survey, characters,
                    [&](size_t document, const std::string& reference, unsigned maxWidth) -> std::string {
                      if (reference.compare(0, 5, "data:") == 0)
                        return reporter.file(folder, reference, name, maxWidth,
                                             [&](std::string& bytes, std::string& problem) {
                                               return loadDataReference(reference, bytes, problem);
                                             });
                      const std::string path = resolveArchivePath(documents[document].path, reference);
                      if (path.empty()) return reporter.refuse(folder, reference, name, "it lies outside the book");
                      return pictureAt(path, maxWidth);
                    });
  size_t textSize = 0;
  for (const ContentDocument& document : documents) textSize += document.sourceSize;
  writer.mainText().begin(informationBlock(result.info), textSize);
  // A cover the text does not show stands alone on the first page.
  if (!package.coverImagePath.empty() && !survey.showsPicture(package.coverImagePath)) {
    const std::string cover = pictureAt(package.coverImagePath, options.pictures.maxWidth);
    if (!cover.empty()) {
      TmlComposer& text = writer.mainText();
      text.setAlignment(LineAlignment::Centre);
      text.image(cover);
      text.setAlignment(LineAlignment::Left);
      text.requestPageBreak();
    }
  }
  for (size_t i = 0; i < documents.size(); ++i) writer.writeDocument(i);
  result.tml = assembleTml(writer, survey);
  result.pictures = folder.files();
  return result;
}

// The title and author a page names in its head.
BookInfo pageInfo(const ContentDocument& page, TmlCharacters& characters) {
  BookInfo info;
  xmlNode* head = findElement(xmlDocGetRootElement(page.tree.get()), "head");
  if (head == nullptr) return info;
  if (xmlNode* title = findElement(head, "title")) info.title = windows1252Value(collapsedText(title), characters);
  walkTree(
      head,
      [&](xmlNode* node) {
        if (isElement(node, "meta") && info.author.empty()) {
          std::string name = attributeValue(node, "name");
          for (char& c : name) c = char(std::tolower((unsigned char)c));
          if (name == "author" || name == "dc.creator")
            info.author = windows1252Value(attributeValue(node, "content"), characters);
        }
        return node->type == XML_ELEMENT_NODE;
      },
      [](xmlNode*) {});
  return info;
}

ModernImport importPage(const std::string& bytes, const std::string& path, const ModernImportOptions& options) {
  const std::string name = fileNameOf(path);
  const bool xml = endsWithNoCase(path, ".xhtml") || endsWithNoCase(path, ".xht");
  std::vector<ContentDocument> documents;
  documents.push_back(parseContent(bytes, name, xml));
  TmlCharacters characters;
  ModernImport result;
  result.info = pageInfo(documents[0], characters);

  const std::string pageFolder = directoryOf(path);
  PictureFolder folder(options.imageFolder, options.pictures);
  PictureReporter reporter;
  const BookSurvey survey(documents, {});
  BookWriter writer(
      documents, survey, characters, [&](size_t, const std::string& reference, unsigned maxWidth) -> std::string {
        return reporter.file(folder, reference, name, maxWidth, [&](std::string& data, std::string& problem) {
          if (reference.compare(0, 5, "data:") == 0) return loadDataReference(reference, data, problem);
          if (isExternalReference(reference)) {
            problem = "it is on the web, and pictures are not fetched from there";
            return false;
          }
          const std::string file =
              pageFolder + "/" + percentDecoded(reference.substr(0, reference.find_first_of("?#")));
          std::string reason;
          if (fileSize(file) > int64_t(options.archive.maxImageBytes)) {
            problem = "it is larger than " + std::to_string(options.archive.maxImageBytes) + " bytes";
            return false;
          }
          if (readRegularFile(file, data, reason)) return true;
          problem = reason;
          return false;
        });
      });
  writer.mainText().begin(informationBlock(result.info), bytes.size());
  writer.writeDocument(0);
  result.tml = assembleTml(writer, survey);
  result.pictures = folder.files();
  return result;
}

template <typename Import>
ModernImport guarded(Import&& import) {
  try {
    return import();
  } catch (const std::bad_alloc&) {
    throw QXMemoryException();
  }
}

}  // namespace

ModernImport importEpubFile(const std::string& path, const ModernImportOptions& options) {
  return guarded([&] {
    if (!isRegularFile(path)) {
      std::string contents, reason;
      readRegularFile(path, contents, reason);
      throw QXFileException(path, reason.empty() ? "not a regular file" : reason);
    }
    std::string problem;
    std::unique_ptr<EpubArchive> archive = EpubArchive::openFile(path, options.archive, problem);
    if (!archive) throw QXFileException(path, problem);
    return importEpub(*archive, path, options);
  });
}

ModernImport importEpubData(std::string_view bytes, const std::string& name, const ModernImportOptions& options) {
  return guarded([&] {
    std::string problem;
    std::unique_ptr<EpubArchive> archive = EpubArchive::openMemory(bytes, options.archive, problem);
    if (!archive) throw QXFileException(name, problem);
    return importEpub(*archive, name, options);
  });
}

ModernImport importModernPage(const std::string& path, const ModernImportOptions& options) {
  return guarded([&] { return importPage(readWholeFile(path), path, options); });
}

ModernImport importModernPageData(const std::string& bytes, const std::string& path,
                                  const ModernImportOptions& options) {
  return guarded([&] { return importPage(bytes, path, options); });
}

}  // namespace scrivora
