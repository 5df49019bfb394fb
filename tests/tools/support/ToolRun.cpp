#include "support/ToolRun.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace tooltest {

Folder::Folder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "scrivora-tool-XXXXXX").string();
  path_ = mkdtemp(pattern.data()) ? pattern : std::string();
}

Folder::~Folder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string Folder::write(const std::string& name, const std::string& contents) const {
  std::ofstream(path(name), std::ios::binary) << contents;
  return path(name);
}

std::vector<std::string> Folder::entriesOf(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

ToolRun Folder::run(const std::string& tool, const std::vector<std::string>& arguments,
                    const RunOptions& options) const {
  const std::string program = std::string(SCRIVORA_BINARY_DIR) + "/bin/" + tool;
  const std::string outPath = options.standardOutputPath.empty() ? path_ + "/.out" : options.standardOutputPath;
  const std::string errPath = path_ + "/.err";
  const pid_t child = fork();
  if (child == 0) {
    if (chdir(path_.c_str()) != 0) _exit(126);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(126);
    if (options.fileSizeLimit >= 0) {
      rlimit limit{rlim_t(options.fileSizeLimit), rlim_t(options.fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    for (const std::string& variable : options.environment) putenv(const_cast<char*>(variable.c_str()));
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ToolRun run;
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child) return run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (options.standardOutputPath.empty()) {
    run.out = readFile(outPath);
    std::remove(outPath.c_str());
  }
  run.err = readFile(errPath);
  std::remove(errPath.c_str());
  return run;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

bool contains(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

}  // namespace tooltest
