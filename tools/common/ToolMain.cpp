#include "ToolMain.h"

#include <csignal>
#include <cstdio>
#include <exception>

#include "CommandLine.h"
#include "FileSystem.h"

namespace scrivora::cli {

int failure(const char* programName, const std::string& text) {
  std::fprintf(stderr, "%s: %s\n", programName, text.c_str());
  std::fflush(stderr);
  return kExitFailure;
}

int runTool(const char* programName, int (*body)(int, char**), int argc, char** argv) {
  // Past the file size limit a write should fail with EFBIG, which the tool
  // reports, rather than end the process half-way.
  std::signal(SIGXFSZ, SIG_IGN);
  int status;
  try {
    status = body(argc, argv);
  } catch (const std::exception& unexpected) {
    std::fflush(stdout);
    return failure(programName, std::string("unexpected failure: ") + unexpected.what());
  } catch (...) {
    std::fflush(stdout);
    return failure(programName, "unexpected failure");
  }
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    const int error = errno;
    failure(programName, "cannot write standard output: " +
                             (error ? systemErrorText(error) : std::string("the output was not written completely")));
    return kExitFailure;
  }
  return status;
}

}  // namespace scrivora::cli
