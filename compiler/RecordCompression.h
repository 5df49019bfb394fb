#pragma once
// Cuts a text (the book's text, or one footnote or sidebar body) into pieces of
// at most 8192 bytes, compresses each piece on its own as a complete zlib
// stream and writes the streams one after another to an open file. A full
// piece ends where it does not split a tag if it can, so the handheld reader
// finds every tag whole in one record.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "BookFileWriter.h"
#include "BuildProgress.h"
#include "BuildTables.h"

namespace scrivora {

constexpr size_t kTextRecordSize = 8192;

// Writes the records and appends, per record, its compressed size to sizes
// and (when given) the text offset just after the piece to ends. The leading
// 0 entries of the tables are the caller's. Returns false when compression
// failed, the file reported a write failure (check the writer for why) or the
// build was cancelled through `progress`, which hears how far the text is.
bool compressRecords(const uint8_t* text, size_t length, BookFileWriter& out, U32Table& sizes, U32Table* ends,
                     BuildProgress* progress = nullptr);

// The same, for many texts in a row (the bodies of a book's footnotes): one
// compressor keeps its deflate state and buffer from text to text instead of
// setting up a fresh one for each.
class RecordCompressor {
 public:
  RecordCompressor();
  ~RecordCompressor();
  RecordCompressor(const RecordCompressor&) = delete;
  RecordCompressor& operator=(const RecordCompressor&) = delete;

  bool compressRecords(const uint8_t* text, size_t length, BookFileWriter& out, U32Table& sizes, U32Table* ends,
                       BuildProgress* progress = nullptr);

 private:
  class PieceCompressor;
  std::unique_ptr<PieceCompressor> pieces_;
  std::vector<uint8_t> compressed_;
};

// The length to use for a full piece (normally 8192 bytes) that more text
// follows: before a tag that starts in its last 91 bytes, else just after its
// last whitespace byte. A piece with no such place keeps its whole length.
size_t findRecordEnd(const uint8_t* piece, size_t length);

}  // namespace scrivora
