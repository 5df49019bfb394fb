#include "BookBuilder.h"

#include <algorithm>

#include "BookDatabaseWriter.h"
#include "BookFileWriter.h"
#include "BuildLog.h"
#include "CharacterMapping.h"
#include "CodePage.h"
#include "FileSystem.h"
#include "ImageList.h"
#include "NavigationCollector.h"
#include "NoteBodies.h"
#include "PageTable.h"
#include "RecordCompression.h"
#include "TextPass.h"

namespace scrivora {

namespace {

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

const char* const kTemporarySuffixes[] = {".tmp", ".sid", ".ftn"};

// Whether the user has not asked to stop; checked between phases.
bool goOn(const BuildContext& context) { return !context.progress || !context.progress->cancelled(); }

// Source and output must be different files, however they are spelt, and the
// output must not be one of the files the build itself writes and removes.
bool checkOutputIsNoInput(const BuildContext& context) {
  if (sameFile(context.sourcePath, context.outputPath)) {
    reportError("The input and output files are the same! (%s)", context.sourcePath.c_str());
    return false;
  }
  for (const char* suffix : kTemporarySuffixes) {
    if (sameFile(context.sourcePath + suffix, context.outputPath)) {
      reportError("The output file \"%s\" is one of the build's own temporary files.", context.outputPath.c_str());
      return false;
    }
  }
  return true;
}

// The source must be a readable file and the output a place a book can be
// put. Neither check changes anything on the disk: whatever is at the output
// path stays as it is until a complete book replaces it. The output check
// runs even when the source check failed, so both problems are reported at
// once.
bool checkPaths(const BuildContext& context) {
  if (!checkOutputIsNoInput(context)) return false;
  bool ok = true;
  if (!canOpenForReading(context.sourcePath)) {
    reportError("The input file \"%s\" could not be opened.", context.sourcePath.c_str());
    ok = false;
  }
  if (!canReplaceFile(followSymbolicLinks(context.outputPath))) {
    reportError("The file \"%s\" could not be opened for writing.", context.outputPath.c_str());
    ok = false;
  }
  return ok;
}

// A file (not a folder) in the folder's place is worth a warning, though a
// book without images builds fine.
void checkImageDirectory(const BuildContext& context) {
  if (pathExists(context.imageDirectory) && !isDirectory(context.imageDirectory)) {
    reportWarning("The image directory \"%s\" isn't a directory.", context.imageDirectory.c_str());
  }
}

// The temporary files of a build, all three in one folder under the source's
// file name.
void nameTemporaryFiles(BuildContext& context, const std::string& stem) {
  context.textTempPath = stem + kTemporarySuffixes[0];
  context.sidebarTempPath = stem + kTemporarySuffixes[1];
  context.footnoteTempPath = stem + kTemporarySuffixes[2];
}

void removeTemporaryFiles(const BuildContext& context) {
  removePath(context.textTempPath);
  removePath(context.sidebarTempPath);
  removePath(context.footnoteTempPath);
  if (!context.temporaryFolder.empty()) removePath(context.temporaryFolder);
}

// Opens the text temporary file: beside the source, or, when that folder
// cannot be written (a book on a read-only medium), in a private folder
// beside the output and then in the system's folder for temporary files. The
// sidebar and footnote temporaries follow it.
bool openTextTemporary(BuildContext& context, BookFileWriter& out) {
  if (out.open(context.textTempPath)) return true;
  const std::string besideSource = context.textTempPath;
  const std::string sourceName = fileNameOf(context.sourcePath);
  for (const std::string& parent : {directoryOf(followSymbolicLinks(context.outputPath)), systemTemporaryFolder()}) {
    const std::string folder = makeUniqueFolder(parent, sourceName + ".build-");
    if (folder.empty()) continue;
    context.temporaryFolder = folder;
    nameTemporaryFiles(context, folder + "/" + sourceName);
    if (out.open(context.textTempPath)) return true;
    removePath(folder);
    context.temporaryFolder.clear();
  }
  nameTemporaryFiles(context, context.sourcePath);
  if (!pathExists(besideSource)) {
    reportError("Could not create file %s.", besideSource.c_str());
  } else {
    reportError("Could not open file %s for writing.", besideSource.c_str());
  }
  return false;
}

void startTables(BuildContext& context) { context.tables = BuildTables(); }

// The line and byte column of a position in the bytes as the file holds
// them (any of the three line ends counts once; a byte-order mark is no part
// of the first line).
SourcePosition positionIn(const std::string& path, std::string_view bytes, size_t offset) {
  SourcePosition position;
  position.file = path;
  position.line = 1;
  position.column = 1;
  const size_t start = bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
  for (size_t at = start; at < offset && at < bytes.size(); ++at) {
    const char c = bytes[at];
    if (c == '\n' || (c == '\r' && (at + 1 >= bytes.size() || bytes[at + 1] != '\n'))) {
      ++position.line;
      position.column = 1;
    } else if (c != '\r') {
      ++position.column;
    }
  }
  return position;
}

// Where the first byte stands that is not part of a well-formed UTF-8
// character, or the text length when there is none.
size_t firstNonUtf8Byte(std::string_view bytes) {
  for (size_t at = 0; at < bytes.size();) {
    uint32_t codePoint = 0;
    const size_t length = decodeUtf8At(bytes, at, codePoint);
    if (length == 0) return at;
    at += length;
  }
  return bytes.size();
}

void convertSourceFromUtf8(BuildContext& context) {
  const std::string_view bytes(reinterpret_cast<const char*>(context.source.data()), context.source.size());
  reportStatus("The file %s is UTF-8; converting it to Windows-1252.", context.sourcePath.c_str());
  const size_t stray = firstNonUtf8Byte(bytes);
  if (stray < bytes.size()) {
    reportWarningAt(positionIn(context.sourcePath, bytes, stray),
                    "The file %s is not entirely UTF-8; the bytes that are not are kept as Windows-1252.",
                    context.sourcePath.c_str());
  }
  OffsetMap* offsets = context.places ? &context.sourceMap.conversion() : nullptr;
  const std::string converted = utf8ToWindows1252Tml(bytes, offsets);
  context.source.assign(converted.begin(), converted.end());
}

// TML is Windows-1252, but many editors save UTF-8: a source that says it is
// UTF-8 (its byte-order mark) or that the caller declares UTF-8 is converted;
// one that only looks like UTF-8 compiles as it is, with a warning pointing
// at its first multi-byte character.
void applyInputEncoding(BuildContext& context) {
  if (context.inputEncoding == InputEncoding::Windows1252) return;
  if (context.inputEncoding == InputEncoding::Utf8) {
    convertSourceFromUtf8(context);
    return;
  }
  // Text without a byte above 0x7F reads the same either way, and most books
  // are such text: a quick look spares them the full reading as UTF-8.
  const auto isHigh = [](uint8_t byte) { return byte >= 0x80; };
  if (std::none_of(context.source.begin(), context.source.end(), isHigh)) return;
  const std::string_view bytes(reinterpret_cast<const char*>(context.source.data()), context.source.size());
  const SourceEncodingGuess guess = guessSourceEncoding(bytes);
  if (guess.byteOrderMark) {
    convertSourceFromUtf8(context);
  } else if (guess.looksLikeUtf8) {
    SourcePosition position;
    position.file = context.sourcePath;
    position.line = guess.firstMultiByteLine;
    position.column = guess.firstMultiByteColumn;
    reportWarningAt(position,
                    "The file looks like UTF-8; TML files are Windows-1252. Use --input-encoding=utf-8 to "
                    "convert it.");
  }
}

bool readSource(BuildContext& context) {
  if (!readWholeFile(context.sourcePath, context.source)) {
    reportError("An error occurred reading the file %s.\n", context.sourcePath.c_str());
    return false;
  }
  applyInputEncoding(context);
  context.textLength = context.source.size();
  return true;
}

// A book needs at least one text record: its first page points into text
// record 1, and without one the reader would take the record after the
// text (a page table) for the book's text.
bool checkTextPresent(const BuildContext& context) {
  if (context.textLength > 0) return true;
  reportError("The file %s has no text before its footnotes and sidebars. No output file generated.",
              context.sourcePath.c_str());
  return false;
}

bool writeTextRecords(BuildContext& context) {
  BookFileWriter out;
  if (!openTextTemporary(context, out)) return false;
  context.tables.textRecordEnds.push_back(0);
  context.tables.textRecordSizes.push_back(0);
  bool compressed = compressRecords(context.source.data(), context.textLength, out, context.tables.textRecordSizes,
                                    &context.tables.textRecordEnds, context.progress);
  bool closed = out.close();
  if (!goOn(context)) return false;
  if (!compressed || !closed) {
    std::string why = out.errorText().empty() ? std::string("compression failed") : out.errorText();
    reportError("An error occurred writing the file %s: %s.", context.textTempPath.c_str(), why.c_str());
    return false;
  }
  return true;
}

// What the text pass fills for the book.
struct PassCollections {
  PageTable smallPages;
  PageTable largePages;
  ImageList images;
  ChapterList chapters;
  IndexList index;
  LinkTable links;
  ReferenceList sidebars;
  ReferenceList footnotes;
};

// Both font passes over the main text; errors in them end the build.
bool paginateText(const BuildContext& context, PassCollections& collections) {
  TextPassInput input;
  input.text = context.source.data();
  input.length = context.textLength;
  input.imageDirectory = context.imageDirectory;
  input.textRecordEnds = &context.tables.textRecordEnds;
  input.smallPages = &collections.smallPages;
  input.largePages = &collections.largePages;
  input.images = &collections.images;
  NavigationCollector collector(NavigationLists{collections.chapters, collections.index, collections.links,
                                                collections.sidebars, collections.footnotes});
  input.collector = &collector;
  input.progress = context.progress;
  input.sourceMap = context.places;
  TextPass pass;
  if (pass.run(input)) {
    if (!goOn(context)) return false;
    reportError("Errors occurred while paginating the book. No output file generated.");
    reportStatus("Done.");
    return false;
  }
  return true;
}

bool writeDatabase(const BuildContext& context, const PassCollections& collections) {
  BookDatabaseInput input;
  input.smallPageTable = &collections.smallPages;
  input.largePageTable = &collections.largePages;
  input.images = &collections.images;
  input.chapters = &collections.chapters;
  input.links = &collections.links;
  input.index = &collections.index;
  input.sidebars = &collections.sidebars;
  input.footnotes = &collections.footnotes;
  input.textTempPath = context.textTempPath;
  input.sidebarTempPath = context.sidebarTempPath;
  input.footnoteTempPath = context.footnoteTempPath;
  input.outputPath = context.outputPath;
  input.bookName = context.bookName;
  input.info = context.info;
  input.tables = &context.tables;
  input.creationTime = bookCreationTime();
  input.progress = context.progress;
  return writeBookDatabase(input);
}

// Every id the text refers to needs its block; all missing ones are
// reported before the build stops.
bool resolveReferences(const BuildContext& context, PassCollections& collections) {
  bool sidebarsFound = resolveNoteReferences(context.notes, NoteKind::Sidebar, collections.sidebars);
  bool footnotesFound = resolveNoteReferences(context.notes, NoteKind::Footnote, collections.footnotes);
  return sidebarsFound && footnotesFound;
}

// The bodies of one kind into its temporary file. When a body named an
// image, the list is sorted and loaded again right after the kind, so its
// reports follow that kind's own.
bool writeBodiesOfKind(BuildContext& context, NoteKind kind, ReferenceList& ids, const std::string& tempPath,
                       U32Table& sizes, ImageList& list, bool& imagesLoaded) {
  NoteImages images;
  images.imageDirectory = context.imageDirectory;
  images.images = &list;
  bool written = writeNoteBodies(context.notes, kind, ids, tempPath, sizes, images, context.places);
  if (images.failed) imagesLoaded = false;
  if (images.named && !list.finish()) imagesLoaded = false;
  return written;
}

// The sidebar bodies, then the footnote bodies, each kind into its own
// temporary file. Images named in them join the book's images: a book whose
// image records would lack their PNG data is a failed build, not a finished
// one.
bool writeBodies(BuildContext& context, PassCollections& collections) {
  bool imagesLoaded = true;
  bool sidebarsWritten = writeBodiesOfKind(context, NoteKind::Sidebar, collections.sidebars, context.sidebarTempPath,
                                           context.tables.sidebarRecordSizes, collections.images, imagesLoaded);
  bool footnotesWritten =
      writeBodiesOfKind(context, NoteKind::Footnote, collections.footnotes, context.footnoteTempPath,
                        context.tables.footnoteRecordSizes, collections.images, imagesLoaded);
  if (!imagesLoaded) {
    reportError("Errors occurred in the images of the footnotes or sidebars. No output file generated.");
  }
  return sidebarsWritten && footnotesWritten && imagesLoaded;
}

// An image of the book is read before the book is written; a book written
// over one would destroy the very file it was made from.
bool checkOutputIsNoImage(const BuildContext& context, const ImageList& images) {
  for (size_t i = 0; i < images.size(); ++i) {
    const std::string path = hostImagePath(images.entry(i).path);
    if (sameFile(path, context.outputPath)) {
      reportError("The input and output files are the same! (%s)", path.c_str());
      return false;
    }
  }
  return true;
}

// Control bytes, character mapping and line ends, in place; the warnings
// point into the text as the file has it.
void normaliseSourceText(BuildContext& context) {
  std::vector<NormalisationWarning> warnings;
  OffsetMap* dropped = context.places ? &context.sourceMap.normalisation() : nullptr;
  context.textLength = normaliseSource(context.source.data(), context.source.size(), dropped, warnings);
  context.source.resize(context.textLength);
  context.sourceMap.setText(context.source.data(), context.source.size());
  for (const NormalisationWarning& warning : warnings) {
    reportWarningAt(TextPlace{context.places, warning.offset, false}, "%s", warning.text.c_str());
  }
}

// The footnote and sidebar blocks go into the notes block; the main text
// stays.
void splitOffNotes(BuildContext& context) {
  context.notes = NotesBlock::splitFrom(context.source);
  context.textLength = context.source.size();
  context.sourceMap.setText(context.source.data(), context.textLength, context.notes.data(), context.notes.size());
}

// The phases from reading the source to the written book, each moving the
// progress through its share; clean-up follows whatever they return.
bool compileSource(BuildContext& context) {
  BuildProgress& progress = *context.progress;
  progress.beginPhase(0, 5);
  if (!readSource(context)) return false;
  normaliseSourceText(context);
  splitOffNotes(context);
  if (!checkTextPresent(context)) return false;
  progress.beginPhase(5, 15);
  if (!goOn(context) || !writeTextRecords(context)) return false;
  progress.beginPhase(15, 85);
  PassCollections collections;
  if (!goOn(context) || !paginateText(context, collections)) return false;
  progress.beginPhase(85, 92);
  if (!goOn(context) || !resolveReferences(context, collections)) return false;
  if (!writeBodies(context, collections)) return false;
  progress.beginPhase(92, 100);
  if (!goOn(context) || !checkOutputIsNoImage(context, collections.images)) return false;
  return writeDatabase(context, collections);
}

void cleanUp(BuildContext& context) {
  context.notes.release();
  context.source.clear();
  context.source.shrink_to_fit();
  context.textLength = 0;
  context.tables = BuildTables();
  context.places = nullptr;
  context.sourceMap = SourceMap();
  removeTemporaryFiles(context);
}

}  // namespace

std::string bookNameFromTitle(const std::string& title) {
  std::string name = title;
  if (name.size() > kMaxBookNameLength) {
    reportWarning("Book name is greater than 29 characters.  Truncating.");
    name.resize(kMaxBookNameLength);
  }
  bool warned = false;
  for (char& c : name) {
    if (c != ':') continue;
    if (!warned) {
      reportWarning("Colons are not currently permitted in the book title. Translating colons to hyphens.");
      warned = true;
    }
    c = '-';
  }
  return name;
}

std::string imageDirectoryFor(const std::string& sourcePath) {
  std::string base = sourcePath;
  if (endsWith(base, ".tml") || endsWith(base, ".txt")) base.resize(base.size() - 4);
  return base + "_img";
}

bool buildBook(const std::string& sourcePath, const std::string& outputPath, const BookInfo& info,
               const BuildOptions& options) {
  BuildProgress progress(options.progress);
  BuildContext context;
  context.sourcePath = sourcePath;
  context.outputPath = outputPath;
  context.info = info;
  context.inputEncoding = options.inputEncoding;
  context.progress = &progress;
  context.sourceMap = SourceMap(sourcePath);
  if (options.sourcePositions) context.places = &context.sourceMap;
  if (!checkPaths(context)) return false;
  context.bookName = bookNameFromTitle(info.title);
  context.imageDirectory = imageDirectoryFor(sourcePath);
  checkImageDirectory(context);
  // Leftovers of an earlier build beside the source go; an earlier book at
  // the output stays until a new one is complete.
  nameTemporaryFiles(context, context.sourcePath);
  removeTemporaryFiles(context);
  startTables(context);
  reportStatus("Writing book <%s> from file <%s>...", context.bookName.c_str(), fileNameOf(context.sourcePath).c_str());
  bool written = compileSource(context);
  cleanUp(context);
  if (progress.cancelled()) {
    reportStatus("Book build cancelled.");
    return false;
  }
  if (written) progress.finish();
  return written;
}

}  // namespace scrivora
