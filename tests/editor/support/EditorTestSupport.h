#pragma once
// Small helpers shared by the editor tests: load a TML text into a fresh view,
// write it back, read the model text, collect log messages.

#include <cstdarg>
#include <string>
#include <vector>

#include <QTemporaryDir>

#include "BookObject.h"
#include "BuildLog.h"
#include "FileSystem.h"
#include "TextDocumentModel.h"
#include "TmlLoader.h"
#include "TmlWriter.h"

namespace scrivora::test {

// Loads TML text (no file, unless a document path is given) into the view.
inline void loadText(TextDocumentModel& view, const std::string& tml, BookInfo* info = nullptr,
                     const std::string& documentPath = std::string()) {
  TmlLoadOptions options;
  options.documentPath = documentPath;
  loadTmlFromMemory(tml, options, info, &view);
}

// The bytes of a file as a test reads them back; "" when it cannot be read.
inline std::string readFile(const std::string& path) {
  std::string bytes, reason;
  return readRegularFile(path, bytes, reason) ? bytes : std::string();
}

inline std::string saveText(TextDocumentModel& view, const BookInfo* info = nullptr) { return writeTml(view, info); }

// The model text as a byte string, objects as '\1'; characters outside the
// code page as '?'.
inline std::string modelText(const TextDocumentModel& view) {
  std::string out;
  for (EditorChar c : view.textOf(0, view.length())) out.push_back(isOutsideCodePage(c) ? '?' : char(c));
  return out;
}

inline CharStyle plainStyle(int zoom = 1) {
  CharStyle style;
  faceAndSizeOf(FontKind::Normal, kFaceNormal9, zoom, style.face, style.size);
  return style;
}

// Collects warnings and status lines while alive.
class LogCapture {
 public:
  LogCapture() {
    warnings().clear();
    statuses().clear();
    setWarningSink(&LogCapture::captureWarning);
    setStatusSink(&LogCapture::captureStatus);
  }
  ~LogCapture() {
    setWarningSink(&standardLogSink);
    setStatusSink(&standardLogSink);
  }
  static std::vector<std::string>& warnings() {
    static std::vector<std::string> list;
    return list;
  }
  static std::vector<std::string>& statuses() {
    static std::vector<std::string> list;
    return list;
  }

 private:
  static std::string format(const char* fmt, va_list args) {
    char line[1024];
    std::vsnprintf(line, sizeof line, fmt, args);
    return line;
  }
  static int captureWarning(const char* fmt, va_list args) {
    warnings().push_back(format(fmt, args));
    return 0;
  }
  static int captureStatus(const char* fmt, va_list args) {
    statuses().push_back(format(fmt, args));
    return 0;
  }
};

}  // namespace scrivora::test
