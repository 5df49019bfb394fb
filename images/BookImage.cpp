#include "BookImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace scrivora {

namespace {

// Colour line art keeps its colours when it has at most this many.
constexpr size_t kMaxLineArtColours = 16;
// A colour whose channels differ by no more than this counts as grey.
constexpr int kGreyTolerance = 8;
// The grey levels tried, in turn, before the picture is made smaller.
constexpr std::array<unsigned, 3> kGreyLevelSteps = {256, 64, 16};
// Each step down in size keeps this share of the width and height.
constexpr double kShrinkStep = 0.8;

struct Decoded {
  QImage picture;
  std::string problem;
};

// A size that fits the box, keeping the proportions; never enlarged.
QSize fittedSize(QSize size, unsigned maxWidth, unsigned maxHeight) {
  if (size.width() <= int(maxWidth) && size.height() <= int(maxHeight)) return size;
  return size.scaled(int(maxWidth), int(maxHeight), Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

Decoded decodePicture(std::string_view bytes, const BookImageLimits& limits) {
  Decoded result;
  QByteArray data = QByteArray::fromRawData(bytes.data(), qsizetype(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  const QSize size = reader.size();
  if (!reader.canRead()) {
    result.problem = "it is not a picture in a format this program reads (PNG, JPEG, GIF, WebP)";
    return result;
  }
  if (size.isValid() && uint64_t(size.width()) * uint64_t(size.height()) > limits.maxSourcePixels) {
    result.problem = "the picture is too large to read (" + std::to_string(size.width()) + " by " +
                     std::to_string(size.height()) + " pixels)";
    return result;
  }
  // Formats that can decode straight into a smaller size (JPEG) are asked
  // for one still well above the page, which saves memory and time.
  const unsigned box = 4;
  if (size.isValid() && reader.supportsOption(QImageIOHandler::ScaledSize) &&
      (size.width() > int(box * limits.maxWidth) || size.height() > int(box * limits.maxHeight)))
    reader.setScaledSize(fittedSize(size, box * limits.maxWidth, box * limits.maxHeight));
  result.picture = reader.read();
  if (result.picture.isNull())
    result.problem = "the picture could not be decoded: " + reader.errorString().toStdString();
  return result;
}

// Premultiplied pixels laid on white paper.
QRgb onWhite(QRgb premultiplied) {
  const int missing = 255 - qAlpha(premultiplied);
  return qRgb(qRed(premultiplied) + missing, qGreen(premultiplied) + missing, qBlue(premultiplied) + missing);
}

bool isGrey(QRgb c) {
  return std::abs(qRed(c) - qGreen(c)) <= kGreyTolerance && std::abs(qGreen(c) - qBlue(c)) <= kGreyTolerance &&
         std::abs(qRed(c) - qBlue(c)) <= kGreyTolerance;
}

// The picture's colours when it is colour line art: a few colours, not all of
// them grey. Empty otherwise.
std::vector<QRgb> lineArtColours(const QImage& picture) {
  std::vector<QRgb> colours;
  for (int y = 0; y < picture.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb c = onWhite(row[x]);
      if (std::find(colours.begin(), colours.end(), c) != colours.end()) continue;
      if (colours.size() == kMaxLineArtColours) return {};
      colours.push_back(c);
    }
  }
  if (std::all_of(colours.begin(), colours.end(), isGrey)) return {};
  return colours;
}

uint8_t greyOf(QRgb c) { return uint8_t(qGray(c)); }

// One byte per pixel: the grey value, reduced to `levels` evenly spread values.
std::vector<uint8_t> greyPixels(const QImage& scaled, unsigned levels) {
  std::vector<uint8_t> pixels(size_t(scaled.width()) * size_t(scaled.height()));
  uint8_t* out = pixels.data();
  for (int y = 0; y < scaled.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
    for (int x = 0; x < scaled.width(); ++x) {
      unsigned grey = greyOf(onWhite(row[x]));
      if (levels < 256) grey = (grey * (levels - 1) + 127) / 255 * 255 / (levels - 1);
      *out++ = uint8_t(grey);
    }
  }
  return pixels;
}

// One byte per pixel: the index of the nearest palette colour.
std::vector<uint8_t> palettePixels(const QImage& scaled, const std::vector<QRgb>& colours) {
  std::vector<uint8_t> pixels(size_t(scaled.width()) * size_t(scaled.height()));
  uint8_t* out = pixels.data();
  for (int y = 0; y < scaled.height(); ++y) {
    const QRgb* row = reinterpret_cast<const QRgb*>(scaled.constScanLine(y));
    for (int x = 0; x < scaled.width(); ++x) {
      const QRgb c = onWhite(row[x]);
      size_t best = 0;
      int bestDistance = 1 << 30;
      for (size_t i = 0; i < colours.size(); ++i) {
        const int dr = qRed(c) - qRed(colours[i]), dg = qGreen(c) - qGreen(colours[i]),
                  db = qBlue(c) - qBlue(colours[i]);
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) bestDistance = distance, best = i;
      }
      *out++ = uint8_t(best);
    }
  }
  return pixels;
}

std::string paletteBytes(const std::vector<QRgb>& colours) {
  std::string bytes;
  for (QRgb c : colours) {
    bytes += char(qRed(c));
    bytes += char(qGreen(c));
    bytes += char(qBlue(c));
  }
  return bytes;
}

}  // namespace

BookImageResult makeBookImage(std::string_view encodedPicture, const BookImageLimits& limits) {
  BookImageResult result;
  if (limits.maxWidth == 0 || limits.maxHeight == 0) {
    result.problem = "there is no room for a picture";
    return result;
  }
  Decoded decoded = decodePicture(encodedPicture, limits);
  if (decoded.picture.isNull()) {
    result.problem = decoded.problem;
    return result;
  }
  const QImage source = decoded.picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const std::vector<QRgb> colours = lineArtColours(source);
  const bool paletted = !colours.empty();

  QSize size = fittedSize(source.size(), limits.maxWidth, limits.maxHeight);
  for (;;) {
    const QImage scaled =
        size == source.size() ? source : source.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const std::vector<unsigned> levelSteps =
        paletted ? std::vector<unsigned>{unsigned(colours.size())}
                 : std::vector<unsigned>(kGreyLevelSteps.begin(), kGreyLevelSteps.end());
    for (unsigned levels : levelSteps) {
      const std::vector<uint8_t> pixels = paletted ? palettePixels(scaled, colours) : greyPixels(scaled, levels);
      std::string png = encodePlainPng(unsigned(scaled.width()), unsigned(scaled.height()), pixels.data(),
                                       paletted ? paletteBytes(colours) : std::string());
      if (png.empty()) {
        result.problem = "the picture could not be written as PNG";
        return result;
      }
      if (png.size() <= limits.maxBytes) {
        result.ok = true;
        result.image = {std::move(png), unsigned(scaled.width()), unsigned(scaled.height()),
                        paletted ? BookImageTone::Palette : BookImageTone::Greyscale, levels};
        return result;
      }
    }
    if (size.width() == 1 && size.height() == 1) break;
    size = QSize(std::max(1, int(size.width() * kShrinkStep)), std::max(1, int(size.height() * kShrinkStep)));
  }
  result.problem = "the picture cannot be made small enough for a book (" + std::to_string(limits.maxBytes) + " bytes)";
  return result;
}

}  // namespace scrivora
