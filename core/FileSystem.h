#pragma once
// The few file operations a build needs, on the host's file calls. None of
// them reports through the build log; callers decide what a failure means.

#include <cstdint>
#include <string>
#include <vector>

namespace scrivora {

bool pathExists(const std::string& path);
bool isDirectory(const std::string& path);
// Removes a file, or an empty directory when the path names one. True when
// nothing is left at the path afterwards.
bool removePath(const std::string& path);
// Opens the file for reading and closes it again. Never creates anything; a
// directory does not count as a readable file.
bool canOpenForReading(const std::string& path);
// Creates the file when it does not exist (empty), opens it for reading and
// writing without truncating it, and closes it again.
bool createAndOpenForWriting(const std::string& path);
// Reads the whole of a regular file; false when it is not one or cannot be
// opened or read completely.
bool readWholeFile(const std::string& path, std::vector<uint8_t>& contents);
// The file's size in bytes, or -1 when it cannot be determined.
int64_t fileSize(const std::string& path);
// The name after the last directory separator.
std::string fileNameOf(const std::string& path);

}  // namespace scrivora
