#include "BookBuilder.h"

#include "BookDatabaseWriter.h"
#include "BookFileWriter.h"
#include "BuildLog.h"
#include "CharacterMapping.h"
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

// Source and output must differ, the source must be readable and the output
// writable. The output check runs even when the source check failed, so both
// problems are reported at once.
bool checkPaths(const BuildContext& context) {
  if (context.sourcePath == context.outputPath) {
    reportError("The input and output files are the same! (%s)", context.sourcePath.c_str());
    return false;
  }
  bool ok = true;
  if (!canOpenForReading(context.sourcePath)) {
    reportError("The input file \"%s\" could not be opened.", context.sourcePath.c_str());
    ok = false;
  }
  if (!createAndOpenForWriting(context.outputPath)) {
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

void nameTemporaryFiles(BuildContext& context) {
  context.textTempPath = context.sourcePath + ".tmp";
  context.sidebarTempPath = context.sourcePath + ".sid";
  context.footnoteTempPath = context.sourcePath + ".ftn";
}

void removeTemporaryFiles(const BuildContext& context) {
  removePath(context.textTempPath);
  removePath(context.sidebarTempPath);
  removePath(context.footnoteTempPath);
}

// An earlier book at the output path goes now: if this build fails, no old
// book is left to be mistaken for its result.
void removeEarlierFiles(const BuildContext& context) {
  removePath(context.outputPath);
  removeTemporaryFiles(context);
}

void startTables(BuildContext& context) { context.tables = BuildTables(); }

bool readSource(BuildContext& context) {
  if (!readWholeFile(context.sourcePath, context.source)) {
    reportError("An error occurred reading the file %s.\n", context.sourcePath.c_str());
    return false;
  }
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
  if (!out.open(context.textTempPath)) {
    if (!pathExists(context.textTempPath)) {
      reportError("Could not create file %s.", context.textTempPath.c_str());
    } else {
      reportError("Could not open file %s for writing.", context.textTempPath.c_str());
    }
    return false;
  }
  context.tables.textRecordEnds.push_back(0);
  context.tables.textRecordSizes.push_back(0);
  bool compressed = compressRecords(context.source.data(), context.textLength, out, context.tables.textRecordSizes,
                                    &context.tables.textRecordEnds);
  bool closed = out.close();
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
  TextPass pass;
  if (pass.run(input)) {
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
  bool written = writeNoteBodies(context.notes, kind, ids, tempPath, sizes, images);
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

// The phases from reading the source to the written book; clean-up follows
// whatever they return.
bool compileSource(BuildContext& context) {
  if (!readSource(context)) return false;
  // Control bytes, character mapping and line ends, in place.
  context.textLength = normaliseText(context.source.data(), context.source.size());
  context.source.resize(context.textLength);
  context.notes = NotesBlock::splitFrom(context.source);
  context.textLength = context.source.size();
  if (!checkTextPresent(context)) return false;
  if (!writeTextRecords(context)) return false;
  PassCollections collections;
  if (!paginateText(context, collections)) return false;
  if (!resolveReferences(context, collections)) return false;
  if (!writeBodies(context, collections)) return false;
  return writeDatabase(context, collections);
}

void cleanUp(BuildContext& context) {
  context.notes.release();
  context.source.clear();
  context.source.shrink_to_fit();
  context.textLength = 0;
  context.tables = BuildTables();
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
  (void)options;
  BuildContext context;
  context.sourcePath = sourcePath;
  context.outputPath = outputPath;
  context.info = info;
  if (!checkPaths(context)) return false;
  context.bookName = bookNameFromTitle(info.title);
  context.imageDirectory = imageDirectoryFor(sourcePath);
  checkImageDirectory(context);
  nameTemporaryFiles(context);
  removeEarlierFiles(context);
  startTables(context);
  reportStatus("Writing book <%s> from file <%s>...", context.bookName.c_str(), fileNameOf(context.sourcePath).c_str());
  bool written = compileSource(context);
  cleanUp(context);
  return written;
}

}  // namespace scrivora
