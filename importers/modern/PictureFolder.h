#pragma once
// The book's image folder, as the import fills it: each picture converted
// once (per width) into a book image and written under a name of at most 31
// characters, the most the book keeps. Nothing is ever written outside the
// folder, and no file already in it is replaced: a name that is taken by a
// different file, or by anything but a regular file, makes the picture take
// another name.

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "BookImage.h"

namespace scrivora::modern {

class PictureFolder {
 public:
  // An empty folder path stores nothing.
  PictureFolder(std::string folder, const BookImageLimits& limits) : folder_(std::move(folder)), limits_(limits) {}

  bool available() const { return !folder_.empty(); }

  // Loads the picture's bytes into `bytes`, or says why it cannot.
  using Loader = std::function<bool(std::string& bytes, std::string& problem)>;

  // The file name of the picture known by `key` (its path), converted to fit
  // `maxWidth`; empty with the problem when it cannot be stored. `nameHint`
  // is the path the name is made from.
  std::string store(const std::string& key, const std::string& nameHint, unsigned maxWidth, const Loader& load,
                    std::string& problem);

  // Files the import wrote into the folder or found there already.
  const std::vector<std::string>& files() const { return files_; }

 private:
  bool ensureFolder(std::string& problem);
  std::string place(const std::string& stem, const std::string& png, std::string& problem);

  std::string folder_;
  BookImageLimits limits_;
  bool folderReady_ = false;
  std::map<std::pair<std::string, unsigned>, std::pair<std::string, std::string>> done_;  // name, problem
  std::set<std::string> takenNames_;
  std::vector<std::string> files_;
};

// The name a picture is stored under: the stem of its path, made of letters,
// digits, "-" and "_", at most 27 characters, and ".png".
std::string pictureFileStem(const std::string& path);

}  // namespace scrivora::modern
