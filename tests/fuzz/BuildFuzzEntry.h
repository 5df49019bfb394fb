#pragma once
// One whole build of arbitrary bytes, shared by the libFuzzer target and the
// ordinary test that replays the seed corpus. The bytes become a TML source
// in a private temporary folder, beside an image folder holding a greyscale
// and a palette PNG (a.png, b.png) so image tags can succeed too. After the
// build the promises every build keeps are checked, and a broken one aborts:
//   - no temporary file (.tmp, .sid, .ftn) is left beside the source;
//   - a build that reports success leaves a book the reader finds sound;
//   - a build that reports failure leaves no book.
// The build log goes to a sink that drops it; the hooks still format every
// message, so bad format arguments show.

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BookBuilder.h"
#include "BookReader.h"
#include "BuildLog.h"

namespace buildfuzz {

class DroppingSink : public scrivora::BuildLogSink {
 public:
  void receive(const scrivora::LogMessage&) override {}
};

inline void writeBytes(const std::string& path, const uint8_t* data, size_t size) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) std::abort();
  if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
  if (std::fclose(file) != 0) std::abort();
}

// A 4 x 2 greyscale PNG and a 2 x 2 two-colour palette PNG, byte for byte.
inline const std::vector<uint8_t>& greyPng() {
  static const std::vector<uint8_t> png = {
      0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
      0x04, 0x00, 0x00, 0x00, 0x02, 0x08, 0x00, 0x00, 0x00, 0x00, 0x5a, 0xc3, 0x22, 0xbf, 0x00, 0x00, 0x00, 0x12, 0x49,
      0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x08, 0x58, 0xf0, 0x9f, 0xe1, 0xff, 0x82, 0x00, 0x06, 0x00, 0x13, 0x60,
      0x03, 0xdf, 0x76, 0x42, 0x11, 0xee, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  return png;
}

inline const std::vector<uint8_t>& palettePng() {
  static const std::vector<uint8_t> png = {
      0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00,
      0x00, 0x02, 0x00, 0x00, 0x00, 0x02, 0x08, 0x03, 0x00, 0x00, 0x00, 0x45, 0x68, 0xfd, 0x16, 0x00, 0x00, 0x00,
      0x06, 0x50, 0x4c, 0x54, 0x45, 0x00, 0x00, 0x00, 0xff, 0xff, 0xff, 0xa5, 0xd9, 0x9f, 0xdd, 0x00, 0x00, 0x00,
      0x0c, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0x60, 0x60, 0x04, 0x42, 0x00, 0x00, 0x0c, 0x00, 0x03, 0x2b,
      0x63, 0xcb, 0x50, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
  return png;
}

// The folder the builds run in, made once per process.
inline const std::string& workFolder() {
  static const std::string folder = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/scrivora-buildfuzz-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!::mkdtemp(name.data())) std::abort();
    std::string made(name.data());
    std::string images = made + "/book_img";
    if (::mkdir(images.c_str(), 0755) != 0) std::abort();
    writeBytes(images + "/a.png", greyPng().data(), greyPng().size());
    writeBytes(images + "/b.png", palettePng().data(), palettePng().size());
    return made;
  }();
  return folder;
}

// Removes the work folder and what the builds left in it (for a test that
// replays inputs and should leave nothing behind).
inline void removeWorkFolder() {
  const std::string& folder = workFolder();
  for (const char* name : {"book_img/a.png", "book_img/b.png", "book.tml", "book.tdb"}) {
    ::unlink((folder + "/" + name).c_str());
  }
  ::rmdir((folder + "/book_img").c_str());
  ::rmdir(folder.c_str());
}

inline bool soundBook(const scrivora::BookReader& reader, std::string& firstProblem) {
  if (reader.problems().empty()) return true;
  firstProblem = reader.problems().front();
  return false;
}

inline bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// Builds `data` as book.tml; returns whether a book was written. Aborts when
// a promise of the build is broken.
inline bool buildOnce(const uint8_t* data, size_t size) {
  DroppingSink dropped;
  scrivora::ScopedLogSink installed(dropped);
  const std::string& folder = workFolder();
  const std::string source = folder + "/book.tml";
  const std::string output = folder + "/book.tdb";
  ::unlink(output.c_str());
  writeBytes(source, data, size);
  scrivora::BookInfo info;
  info.title = "Fuzz: a book";
  bool written = scrivora::buildBook(source, output, info);
  for (const char* suffix : {".tmp", ".sid", ".ftn"}) {
    if (exists(source + suffix)) {
      std::fprintf(stderr, "temporary file %s%s left behind\n", source.c_str(), suffix);
      std::abort();
    }
  }
  if (written) {
    scrivora::BookReader reader;
    std::string problem = "unreadable";
    if (!reader.readFile(output) || !soundBook(reader, problem)) {
      std::fprintf(stderr, "book written but not sound: %s\n", problem.c_str());
      std::abort();
    }
  } else if (exists(output)) {
    std::fprintf(stderr, "failed build left a book behind\n");
    std::abort();
  }
  return written;
}

}  // namespace buildfuzz
