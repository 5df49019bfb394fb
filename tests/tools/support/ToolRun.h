#pragma once
// Running a built tool as a user would, in a folder of its own: arguments
// passed as they are (no shell quoting), standard output and error kept,
// optionally with standard output sent to a given file (/dev/full) or a
// limit on the size of the files the tool may write.

#include <string>
#include <vector>

namespace tooltest {

struct ToolRun {
  int status = -1;  // the exit status, or -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

struct RunOptions {
  std::string standardOutputPath;        // empty: captured into ToolRun::out
  long fileSizeLimit = -1;               // bytes; -1 for none
  std::vector<std::string> environment;  // NAME=VALUE added to the tool's environment
};

// A fresh folder, removed with its contents at the end.
class Folder {
 public:
  Folder();
  ~Folder();
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  std::string path(const std::string& name) const { return path_ + "/" + name; }
  // Writes a file in the folder and returns its path.
  std::string write(const std::string& name, const std::string& contents) const;
  // Runs a tool of this build with the folder as its working directory.
  ToolRun run(const std::string& tool, const std::vector<std::string>& arguments,
              const RunOptions& options = RunOptions()) const;
  // Every name in the folder, sorted.
  std::vector<std::string> entries() const { return entriesOf(path_); }
  static std::vector<std::string> entriesOf(const std::string& folder);

 private:
  std::string path_;
};

std::string readFile(const std::string& path);
bool exists(const std::string& path);
bool contains(const std::string& text, const std::string& piece);

}  // namespace tooltest
