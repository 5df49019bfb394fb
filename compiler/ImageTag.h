#pragma once
// The \m="name" image tag after its syntax has been checked: the name's
// ending, the file's existence in the book's image folder, the PNG header
// check, listing the image and measuring it for the line.
//
// The text pass checks the `="` after \m itself (and reports the syntax error
// with its excerpt); it then calls imageTag() with the name between the quotes
// and applies the result: x grows by width, the line height becomes at least
// height.
//
// Messages (all errors, at the place of the \m tag) and in which pass they appear:
//   - "Image file "%s" doesn't end with .png!" (the name): small pass only.
//   - "Image "%s" doesn't exist!" (the name): small pass only.
//   - "Image name "%s" is longer than 255 characters." (the name's first 255
//     characters; also for a name whose folder + name path is too long):
//     small pass only.
//   - The header messages, every pass that meets the tag (%s is the stored
//     path, folder + backslash + name):
//     "Failed to open PNG file %s\n", "Failed to read PNG file %s\n",
//     "PNG file %s appears to be empty\n", "Bad PNG signature for %s",
//     "Couldn't find PNG header for %s", "Unrecognized PNG color type for %s".
// Every one of these failures sets `failed` in BOTH passes, whether or not the
// pass reports it. The checks stop at the first failure; the image then counts
// as 0 by 0 and is still listed (except a path too long to store), so the
// build fails through `failed` and not through a missing entry.
//
// Images named in footnote and sidebar bodies go through the same call with
// ImagePass::Small (checked, reported and listed once, like the text's), after
// which the driver runs ImageList::finish() again over the whole list.

#include <cstdint>
#include <string>
#include <string_view>

#include "ImageList.h"
#include "SourceMap.h"

namespace scrivora {

enum class ImagePass { Small, Large };

// What the image adds to the line.
struct ImageMeasure {
  unsigned width = 0;
  unsigned height = 0;
};

// The whole image tag: checks `name`, adds folder + '\\' + name to `images`
// in the small pass (unless already listed), and returns the measured size.
// `indentOn` tells whether \t is open (the line is then 8 pixels narrower).
// Raises `failed` (never clears it) when a check fails. The messages point at
// `tag`, the place of the \m.
ImageMeasure imageTag(const std::string& imageDirectory, std::string_view name, ImagePass pass, bool indentOn,
                      ImageList& images, bool& failed, const TextPlace& tag = TextPlace());

// True when the part of `name` after its last dot is "png" in any letter case.
bool hasPngEnding(std::string_view name);

// Reads the first 26 bytes of the image at `storedPath` and checks them,
// reporting one of the six header messages (at `tag`) on failure. On success
// the width and height come from the header; on failure both are 0.
bool checkPngHeader(const std::string& storedPath, uint16_t& width, uint16_t& height,
                    const TextPlace& tag = TextPlace());

// The size an image takes on the page: its own, or 16 by 16 when it is wider
// than the line (158 pixels, 150 while \t is on) or higher than 148.
ImageMeasure measureImage(uint16_t width, uint16_t height, bool indentOn);

}  // namespace scrivora
