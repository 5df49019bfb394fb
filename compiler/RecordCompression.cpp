#include "RecordCompression.h"

#include <zlib.h>

#include <memory>
#include <vector>

namespace scrivora {

namespace {

// A tag that starts this close to the end of a full piece moves whole into
// the next record (chapter titles are at most 80 characters, so a chapter tag
// with its argument fits).
constexpr size_t kTagLookBack = 91;

bool isRecordWhitespace(uint8_t byte) {
  return byte == ' ' || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' || byte == '\r';
}

// Where a piece ends when a backslash at backslashAt would otherwise be cut
// off from its tag: before the whole run of backslashes it ends.
size_t endBeforeBackslashRun(const uint8_t* piece, size_t backslashAt) {
  size_t start = backslashAt;
  while (start > 0 && piece[start - 1] == '\\') --start;
  return start;
}

size_t endAfterLastWhitespace(const uint8_t* piece, size_t length) {
  for (size_t end = length; end > 0; --end) {
    if (isRecordWhitespace(piece[end - 1])) return end;
  }
  return 0;
}

}  // namespace

size_t findRecordEnd(const uint8_t* piece, size_t length) {
  size_t end = 0;
  bool decided = false;
  for (size_t examined = 0; examined < kTagLookBack && examined < length; ++examined) {
    size_t at = length - 1 - examined;
    uint8_t byte = piece[at];
    if (byte == '\n' || byte == '\r') break;
    if (byte == '\\') {
      // A backslash as the very last byte may be the second half of an
      // escaped backslash; the whitespace rule handles that case.
      if (at == length - 1) break;
      end = endBeforeBackslashRun(piece, at);
      decided = true;
      break;
    }
  }
  if (!decided) end = endAfterLastWhitespace(piece, length);
  // Nowhere to end (a piece without whitespace, or of nothing but
  // backslashes): keep the whole piece rather than make an empty record.
  return end == 0 ? length : end;
}

// One deflate state for every piece: reset between pieces it gives exactly
// the stream compress() gives, without allocating and clearing a fresh state
// (some 270 KB) for every record.
class RecordCompressor::PieceCompressor {
 public:
  PieceCompressor() { ready_ = deflateInit(&stream_, Z_DEFAULT_COMPRESSION) == Z_OK; }
  ~PieceCompressor() {
    if (ready_) deflateEnd(&stream_);
  }
  bool compress(const uint8_t* piece, size_t length, std::vector<uint8_t>& out, size_t& outLength) {
    if (!ready_ || deflateReset(&stream_) != Z_OK) return false;
    stream_.next_in = const_cast<Bytef*>(piece);
    stream_.avail_in = uInt(length);
    stream_.next_out = out.data();
    stream_.avail_out = uInt(out.size());
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) return false;
    outLength = size_t(stream_.total_out);
    return true;
  }

 private:
  z_stream stream_{};
  bool ready_ = false;
};

// Room for the worst case, so a piece that deflate cannot shrink is still
// stored whole rather than cut or rejected.
RecordCompressor::RecordCompressor()
    : pieces_(std::make_unique<PieceCompressor>()), compressed_(compressBound(kTextRecordSize)) {}

RecordCompressor::~RecordCompressor() = default;

bool RecordCompressor::compressRecords(const uint8_t* text, size_t length, BookFileWriter& out, U32Table& sizes,
                                       U32Table* ends, BuildProgress* progress) {
  size_t offset = 0;
  uint32_t runningEnd = 0;
  while (offset < length) {
    size_t pieceLength = length - offset < kTextRecordSize ? length - offset : kTextRecordSize;
    if (pieceLength == kTextRecordSize && offset + pieceLength < length) {
      pieceLength = findRecordEnd(text + offset, pieceLength);
    }
    size_t compressedLength = 0;
    if (!pieces_->compress(text + offset, pieceLength, compressed_, compressedLength)) return false;
    runningEnd += uint32_t(pieceLength);
    if (ends) ends->push_back(runningEnd);
    sizes.push_back(uint32_t(compressedLength));
    out.write(compressed_.data(), compressedLength);
    offset += pieceLength;
    if (progress && !progress->advance(offset, length)) return false;
  }
  return !out.failed();
}

bool compressRecords(const uint8_t* text, size_t length, BookFileWriter& out, U32Table& sizes, U32Table* ends,
                     BuildProgress* progress) {
  RecordCompressor compressor;
  return compressor.compressRecords(text, length, out, sizes, ends, progress);
}

}  // namespace scrivora
