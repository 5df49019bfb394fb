#pragma once
// File operations for programs that must never lose or half-write a user's
// file: reading only regular files (a device or a pipe has no end to read up
// to), telling whether two names are one file, and replacing a file only
// once its new contents are completely on disk. Every failure comes back with
// the system's reason, ready to be shown to the user.

#include <string>
#include <string_view>

namespace scrivora {

// The system's text for an errno value ("No such file or directory").
std::string systemReason(int error);

// Whether both names exist and are the same file (same device and inode), so
// "./a.tml", "a.tml", a symbolic link to it and a hard link all count.
bool sameFile(const std::string& first, const std::string& second);

// Reads the whole of a regular file. Anything else (a folder, a device, a
// pipe) is refused without blocking on it.
bool readRegularFile(const std::string& path, std::string& contents, std::string& reason);

// Writes the contents under a unique temporary name beside the file, flushes
// them to disk and renames the temporary over the file. A symbolic link is
// written through to its target; an existing file keeps its permissions; a
// path that names something other than a regular file is refused. On any
// failure the old file is untouched and no temporary is left behind.
bool writeFileReplacing(const std::string& path, std::string_view contents, std::string& reason);

}  // namespace scrivora
