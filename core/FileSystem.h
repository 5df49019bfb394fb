#pragma once
// The few file operations a build needs, on the host's file calls. None of
// them reports through the build log; callers decide what a failure means.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace scrivora {

bool pathExists(const std::string& path);
bool isDirectory(const std::string& path);
// A regular file (after following symbolic links): not a folder, device,
// pipe or socket.
bool isRegularFile(const std::string& path);
// Removes a file, or an empty directory when the path names one. True when
// nothing is left at the path afterwards.
bool removePath(const std::string& path);
// Opens a regular file for reading. Anything else (a folder, a device, a
// pipe) is refused without waiting: opening a pipe that has no writer would
// otherwise block for ever. Null, with errno set, when refused or unopenable.
std::FILE* openRegularFile(const std::string& path);
// Opens the file for reading and closes it again. Never creates anything and
// never blocks; only a regular file counts as readable.
bool canOpenForReading(const std::string& path);
// Creates the file when it does not exist (empty), opens it for reading and
// writing without truncating it, and closes it again.
bool createAndOpenForWriting(const std::string& path);
// Whether a complete new file could be put at the path without touching
// anything there now: an existing file must be a regular file that opens for
// writing, and its folder must be a folder we may write in. Creates nothing.
bool canReplaceFile(const std::string& path);
// Reads the whole of a regular file; false when it is not one or cannot be
// opened or read completely. Anything else (a folder, a device, a pipe) is
// refused without blocking on it.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& contents);
// The same, with the system's reason when it fails.
bool readRegularFile(const std::string& path, std::string& contents, std::string& reason);
// Writes the contents under a unique temporary name beside the file, flushes
// them to disk and renames the temporary over the file. A symbolic link is
// written through to its target; an existing file keeps its permissions; a
// path that names something other than a regular file is refused. On any
// failure the old file is untouched, no temporary is left behind and the
// reason says why.
bool writeFileReplacing(const std::string& path, std::string_view contents, std::string& reason);
// The file's size in bytes, or -1 when it cannot be determined.
int64_t fileSize(const std::string& path);
// The name after the last directory separator.
std::string fileNameOf(const std::string& path);
// The folder part of a path: everything before the last separator, "/" for
// a file in the root and "." for a bare name.
std::string directoryOf(const std::string& path);
// Whether two paths name the same file, however they are spelt: through
// "./", "..", an absolute path, a symbolic link or a hard link. Paths of
// which one does not exist yet compare by their resolved spelling.
bool sameFile(const std::string& a, const std::string& b);
// Follows a chain of symbolic links to the path they end at, which may not
// exist yet. A path that is no link comes back as it is; so does a chain that
// loops or runs too deep.
std::string followSymbolicLinks(const std::string& path);
// The system's words for an errno value; safe to call from any thread.
std::string systemErrorText(int errorNumber);
// The system's folder for temporary files: TMPDIR when it is set, else /tmp.
std::string systemTemporaryFolder();
// Creates a new folder, only this process's, inside `parent`, named from
// `prefix` and a unique tail. Empty when it cannot be made.
std::string makeUniqueFolder(const std::string& parent, const std::string& prefix);

}  // namespace scrivora
