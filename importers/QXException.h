#pragma once
// The exceptions the importers and the object model throw. Each type has one
// fixed message; callers show it to the user (an alert, a line on standard
// error) without knowing which importer raised it.

#include <exception>
#include <string>

namespace scrivora {

class QXException : public std::exception {
 public:
  ~QXException() override = default;
  virtual const char* message() const { return "Unhandled exception."; }
  const char* what() const noexcept override { return message(); }
};

class QXMemoryException : public QXException {
 public:
  const char* message() const override { return "Out of memory."; }
};

class QXNullPtrException : public QXException {
 public:
  const char* message() const override { return "Null pointer."; }
};

class QXGenericImporterBadRulesException : public QXException {
 public:
  const char* message() const override { return "Importer: Error in regex rules."; }
};

class QXGenericImporterNoRulesException : public QXException {
 public:
  const char* message() const override { return "Importer: No regex rules specified."; }
};

class QXGenericImporterRegexException : public QXException {
 public:
  const char* message() const override { return "Importer: Error in regex search/replace."; }
};

// An input file that cannot be opened or read completely. Carries the path and
// the system's reason, so that the caller can say which file and why.
class QXFileException : public QXException {
 public:
  QXFileException(std::string path, std::string reason) : path_(std::move(path)), reason_(std::move(reason)) {}
  const char* message() const override { return "Importer: Cannot read the file."; }
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

}  // namespace scrivora
