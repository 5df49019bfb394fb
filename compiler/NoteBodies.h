#pragma once
// The footnote and sidebar bodies of a book: finding the block of every id
// the text refers to, checking each body's tags, taking in the images it
// names and writing it as compressed records into the kind's temporary file.
//
// Messages:
//   "No sidebar named "%s" was found." / "No footnote named "%s" was found."
//       (the id; every missing id is reported, at its first reference in the
//       text, and the build fails)
//   "No end tag for sidebar or footnote named %s was found." (the id, at the
//       block's opening; the body is then empty, the build goes on)
//   "Illegal tag "\%c" in file "%s"" / "Illegal tag "\S" in file "%s""
//       (the tag letter and the id of the body holding it, at the tag; the
//       build goes on)
//   "Image syntax incorrect.  It should be \m="" (warning, at the tag)
//   "Could not open file %s for writing." (the temporary file; fails)

#include <cstddef>
#include <cstdint>
#include <string>

#include "BuildTables.h"
#include "ImageList.h"
#include "NotesBlock.h"
#include "ReferenceList.h"
#include "SourceMap.h"

namespace scrivora {

// Sets the body start of every id of the list, in list order, from its block
// in the notes block (ids match the block's id in any letter case). Reports
// each id without a block; true when every id has one.
bool resolveNoteReferences(const NotesBlock& notes, NoteKind kind, ReferenceList& ids);

// Where the images of the bodies are looked up and listed.
struct NoteImages {
  std::string imageDirectory;
  ImageList* images = nullptr;
  // Set when a body named an image (the list then has to be loaded again).
  bool named = false;
  // Set when an image named in a body failed its checks.
  bool failed = false;
};

// Checks one body's tags (reporting the illegal ones with the body's id),
// then lists the images it names. `bodyPlace` is the place of the body's first
// byte, from which the messages' places are counted.
void checkNoteBody(const uint8_t* body, size_t length, const std::string& id, NoteImages& images,
                   const TextPlace& bodyPlace = TextPlace());

// Writes the bodies of one kind into tempPath: removes any earlier file; with
// no ids writes nothing and leaves `sizes` empty; otherwise appends 0 and one
// compressed size per body record to `sizes`, and stores each id's record
// count in the list. False when the file could not be opened or written.
// With a source map the messages about the bodies carry their places.
bool writeNoteBodies(const NotesBlock& notes, NoteKind kind, ReferenceList& ids, const std::string& tempPath,
                     U32Table& sizes, NoteImages& images, const SourceMap* sourceMap = nullptr);

}  // namespace scrivora
