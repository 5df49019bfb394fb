#include "EpubArchive.h"

#include <sys/stat.h>
#include <zip.h>

#include <cctype>
#include <vector>

namespace scrivora::modern {

namespace {

std::string zipErrorText(zip_error_t* error) {
  const char* text = zip_error_strerror(error);
  return text ? text : "unknown error";
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::unique_ptr<EpubArchive> EpubArchive::checked(zip* archive, const EpubArchiveLimits& limits, std::string& problem) {
  const zip_int64_t entries = zip_get_num_entries(archive, 0);
  if (entries < 0 || size_t(entries) > limits.maxEntries) {
    zip_discard(archive);
    problem = "the archive has more than " + std::to_string(limits.maxEntries) + " entries";
    return nullptr;
  }
  return std::unique_ptr<EpubArchive>(new EpubArchive(archive, limits));
}

std::unique_ptr<EpubArchive> EpubArchive::openFile(const std::string& path, const EpubArchiveLimits& limits,
                                                   std::string& problem) {
  int errorCode = 0;
  zip* archive = zip_open(path.c_str(), ZIP_RDONLY, &errorCode);
  if (archive == nullptr) {
    zip_error_t error;
    zip_error_init_with_code(&error, errorCode);
    problem = "it is not a ZIP archive that can be read (" + zipErrorText(&error) + ")";
    zip_error_fini(&error);
    return nullptr;
  }
  return checked(archive, limits, problem);
}

std::unique_ptr<EpubArchive> EpubArchive::openMemory(std::string_view bytes, const EpubArchiveLimits& limits,
                                                     std::string& problem) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
  zip* archive = source ? zip_open_from_source(source, ZIP_RDONLY, &error) : nullptr;
  if (archive == nullptr) {
    if (source) zip_source_free(source);
    problem = "it is not a ZIP archive that can be read (" + zipErrorText(&error) + ")";
    zip_error_fini(&error);
    return nullptr;
  }
  zip_error_fini(&error);
  return checked(archive, limits, problem);
}

EpubArchive::~EpubArchive() { zip_discard(archive_); }

long long EpubArchive::locate(const std::string& name) const {
  if (name.empty()) return -1;
  zip_int64_t index = zip_name_locate(archive_, name.c_str(), ZIP_FL_ENC_GUESS);
  // Books made on systems that ignore letter case sometimes spell a name
  // differently from the entry.
  if (index < 0) index = zip_name_locate(archive_, name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_GUESS);
  return index;
}

bool EpubArchive::contains(const std::string& name) const { return locate(name) >= 0; }

bool EpubArchive::read(const std::string& name, size_t limit, std::string& contents, std::string& problem) {
  contents.clear();
  lastReadTooLarge_ = false;
  const zip_int64_t index = locate(name);
  if (index < 0) {
    problem = "the book has no file \"" + name + "\"";
    return false;
  }
  zip_uint8_t system = 0;
  zip_uint32_t attributes = 0;
  if (zip_file_get_external_attributes(archive_, zip_uint64_t(index), 0, &system, &attributes) == 0 &&
      system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK) {
    problem = "\"" + name + "\" is a symbolic link";
    return false;
  }
  zip_file_t* file = zip_fopen_index(archive_, zip_uint64_t(index), 0);
  if (file == nullptr) {
    problem = "\"" + name + "\" cannot be unpacked (" + zipErrorText(zip_get_error(archive_)) + ")";
    return false;
  }
  // The sizes the archive declares are not trusted: reading stops as soon as
  // the unpacked bytes pass the limit.
  const size_t allowed = std::min(limit, limits_.maxTotalBytes - std::min(bytesRead_, limits_.maxTotalBytes));
  std::vector<char> chunk(65536);
  bool ok = true;
  for (;;) {
    const zip_int64_t got = zip_fread(file, chunk.data(), chunk.size());
    if (got < 0) {
      problem = "\"" + name + "\" is damaged (" + zipErrorText(zip_file_get_error(file)) + ")";
      ok = false;
      break;
    }
    if (got == 0) break;
    if (contents.size() + size_t(got) > allowed) {
      lastReadTooLarge_ = true;
      problem = allowed < limit ? "the book unpacks to more than " + std::to_string(limits_.maxTotalBytes) + " bytes"
                                : "\"" + name + "\" unpacks to more than " + std::to_string(limit) + " bytes";
      ok = false;
      break;
    }
    contents.append(chunk.data(), size_t(got));
  }
  zip_fclose(file);
  bytesRead_ += contents.size();
  if (!ok) contents.clear();
  return ok;
}

std::string percentDecoded(std::string_view text) {
  std::string decoded;
  decoded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        decoded += char(high * 16 + low);
        i += 2;
        continue;
      }
    }
    decoded += text[i];
  }
  return decoded;
}

bool isExternalReference(std::string_view reference) {
  if (reference.compare(0, 2, "//") == 0) return true;
  for (size_t i = 0; i < reference.size(); ++i) {
    const char c = reference[i];
    if (c == ':') return i > 0;
    if (!(std::isalnum((unsigned char)c) || c == '+' || c == '-' || c == '.')) return false;
  }
  return false;
}

std::string referenceFragment(std::string_view reference) {
  const size_t hash = reference.find('#');
  return hash == std::string_view::npos ? std::string() : percentDecoded(reference.substr(hash + 1));
}

std::string resolveArchivePath(const std::string& fromFile, std::string_view reference) {
  if (isExternalReference(reference)) return std::string();
  reference = reference.substr(0, reference.find_first_of("#?"));
  const std::string path = percentDecoded(reference);
  if (path.empty()) return fromFile;
  if (path[0] == '/' || path.find('\0') != std::string::npos) return std::string();
  std::vector<std::string> parts;
  auto push = [&](const std::string& part) -> bool {
    if (part.empty() || part == ".") return true;
    if (part == "..") {
      if (parts.empty()) return false;
      parts.pop_back();
      return true;
    }
    parts.push_back(part);
    return true;
  };
  auto pushAll = [&](const std::string& text, bool dropLast) -> bool {
    size_t start = 0;
    std::vector<std::string> pieces;
    for (size_t slash; (slash = text.find('/', start)) != std::string::npos; start = slash + 1)
      pieces.push_back(text.substr(start, slash - start));
    pieces.push_back(text.substr(start));
    if (dropLast) pieces.pop_back();
    for (const std::string& piece : pieces)
      if (!push(piece)) return false;
    return true;
  };
  if (!pushAll(fromFile, true) || !pushAll(path, false)) return std::string();
  std::string resolved;
  for (const std::string& part : parts) {
    if (!resolved.empty()) resolved += '/';
    resolved += part;
  }
  return resolved;
}

}  // namespace scrivora::modern
