#include "NoteBodies.h"

#include "BookFileWriter.h"
#include "BuildLog.h"
#include "FileSystem.h"
#include "ImageTag.h"
#include "RecordCompression.h"

namespace scrivora {

namespace {

// Tags that only make sense in the main text: chapters, footnote and sidebar
// references, index terms, anchors, links and the \d spacer.
bool illegalInBody(uint8_t letter) {
  switch (letter) {
    case 'C':
    case 'F':
    case 'I':
    case 'Q':
    case 'X':
    case 'd':
    case 'q':
    case 'x': return true;
    default: return false;
  }
}

// \m at `tag` (the backslash); returns where the tag scan resumes.
size_t takeImage(const uint8_t* body, size_t length, size_t tag, NoteImages& images, const TextPlace& bodyPlace) {
  const TextPlace place = bodyPlace.advancedBy(tag);
  size_t afterLetter = tag + 2;
  if (afterLetter + 1 >= length || body[afterLetter] != '=' || body[afterLetter + 1] != '"') {
    reportWarningAt(place, "Image syntax incorrect.  It should be \\m=\"");
    return afterLetter;
  }
  size_t nameBegin = afterLetter + 2;
  size_t nameEnd = nameBegin;
  while (nameEnd < length && body[nameEnd] != '"') ++nameEnd;
  std::string_view name(reinterpret_cast<const char*>(body + nameBegin), nameEnd - nameBegin);
  images.named = true;
  if (images.images) {
    imageTag(images.imageDirectory, name, ImagePass::Small, false, *images.images, images.failed, place);
  }
  return nameEnd < length ? nameEnd + 1 : length;
}

const char* noteKindName(NoteKind kind) { return kind == NoteKind::Sidebar ? "sidebar" : "footnote"; }

}  // namespace

bool resolveNoteReferences(const NotesBlock& notes, NoteKind kind, ReferenceList& ids) {
  bool allFound = true;
  for (size_t i = 0; i < ids.idCount(); ++i) {
    size_t start = notes.findBodyStart(kind, ids.idAt(i));
    if (start == kMarkerNotFound) {
      reportErrorAt(ids.referenceAt(i), "No %s named \"%s\" was found.", noteKindName(kind), ids.idAt(i).c_str());
      allFound = false;
      continue;
    }
    ids.setBodyStart(i, uint32_t(start));
  }
  return allFound;
}

namespace {

// Every backslash and the byte after it, as the reader would take them: the
// scan resumes after the letter, so an escaped backslash is never a tag, and
// an image name is scanned like any other text.
void checkBodyTags(const uint8_t* body, size_t length, const std::string& id, const TextPlace& bodyPlace) {
  for (size_t p = 0; p < length; ++p) {
    if (body[p] != '\\') continue;
    if (p + 1 >= length) break;  // a lone backslash ends the body
    const TextPlace tag = bodyPlace.advancedBy(p);
    uint8_t letter = body[++p];
    if (illegalInBody(letter)) {
      reportErrorAt(tag, "Illegal tag \"\\%c\" in file \"%s\"", letter, id.c_str());
    } else if (letter == 'S') {
      if (p + 1 >= length) {
        reportErrorAt(tag, "Illegal tag \"\\S\" in file \"%s\"", id.c_str());
      } else if (body[p + 1] == 'd') {
        reportErrorAt(tag, "Illegal tag \"\\%c\" in file \"%s\"", 'd', id.c_str());
      }
    }
  }
}

// The images a body names, checked and listed once its tags were checked.
void takeBodyImages(const uint8_t* body, size_t length, NoteImages& images, const TextPlace& bodyPlace) {
  size_t p = 0;
  while (p < length) {
    if (body[p] != '\\' || p + 1 >= length) {
      ++p;
      continue;
    }
    if (body[p + 1] == 'm') {
      p = takeImage(body, length, p, images, bodyPlace);
      continue;
    }
    // The letter goes with its backslash, so "\\m" is no image.
    p += 2;
  }
}

}  // namespace

void checkNoteBody(const uint8_t* body, size_t length, const std::string& id, NoteImages& images,
                   const TextPlace& bodyPlace) {
  checkBodyTags(body, length, id, bodyPlace);
  takeBodyImages(body, length, images, bodyPlace);
}

bool writeNoteBodies(const NotesBlock& notes, NoteKind kind, ReferenceList& ids, const std::string& tempPath,
                     U32Table& sizes, NoteImages& images, const SourceMap* sourceMap) {
  removePath(tempPath);
  if (ids.empty()) return true;
  BookFileWriter out;
  if (!out.open(tempPath)) {
    reportError("Could not open file %s for writing.", tempPath.c_str());
    return false;
  }
  sizes.push_back(0);
  RecordCompressor compressor;
  bool written = true;
  for (size_t i = 0; i < ids.idCount(); ++i) {
    const std::string& id = ids.idAt(i);
    NoteBody body = notes.bodyFrom(kind, ids.bodyStartAt(i));
    if (!body.hasEndTag) {
      const TextPlace opening{sourceMap, notes.openingBefore(kind, ids.bodyStartAt(i), id.size()), true};
      reportErrorAt(opening, "No end tag for sidebar or footnote named %s was found.", id.c_str());
    }
    const uint8_t* bytes = notes.data() + body.begin;
    checkNoteBody(bytes, body.length(), id, images, TextPlace{sourceMap, body.begin, true});
    size_t before = sizes.size();
    if (!compressor.compressRecords(bytes, body.length(), out, sizes, nullptr)) {
      written = false;
      break;
    }
    ids.setRecordCount(i, uint32_t(sizes.size() - before));
  }
  bool closed = out.close();
  if (!written || !closed) {
    std::string why = out.errorText().empty() ? std::string("compression failed") : out.errorText();
    reportError("An error occurred writing the file %s: %s.", tempPath.c_str(), why.c_str());
    return false;
  }
  return true;
}

}  // namespace scrivora
