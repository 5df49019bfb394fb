#pragma once
// The few values that outlive a run: the find options and the places of the
// tool dialogs. Each value is a byte array of a 16-bit little-endian type
// tag, the payload and one pad byte, stored under the organisation "Tolm" and
// the product name. Every failure is silent: a read that cannot be done
// reports false and leaves the caller's buffer (and so its default) as it was.
//
// Values have a scope: the application's, or one document file's. A
// document's values are kept in a group of their own, named after the file's
// canonical path, so a window comes back where it was for that file however
// the file was reached (a relative path, a symbolic link).

#include <QString>

#include <cstddef>
#include <cstdint>
#include <memory>

class QSettings;

namespace scrivora {

class SettingsScope {
 public:
  // The application's own values.
  SettingsScope() = default;
  // The values of the file at this path. A document without a file, or
  // whose file can no longer be found, has a scope that keeps nothing.
  static SettingsScope ofDocumentFile(const QString& path);

  bool isApplication() const { return !document_; }
  // The canonical path of the document's file; empty for the application
  // and for a document scope that keeps nothing.
  const QString& file() const { return file_; }

 private:
  bool document_ = false;
  QString file_;
};

inline const SettingsScope kApplicationScope{};

// Type tags of stored values.
constexpr uint16_t kIntegerTag = 1;  // 32-bit signed, little-endian
constexpr uint16_t kFindOptionsTag = 2;

class SettingsStore {
 public:
  // The user's store for the product.
  explicit SettingsStore(const QString& productName);
  // A store in one INI file, for tests.
  SettingsStore(const QString& productName, const QString& iniFile);
  virtual ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // These three look at the application's values whatever the scope.
  virtual size_t sizeOf(const SettingsScope& scope, const char* name) const;
  virtual uint16_t typeOf(const SettingsScope& scope, const char* name) const;  // 0 when missing
  virtual bool exists(const SettingsScope& scope, const char* name) const;
  // Copies up to `size` payload bytes when the value has the expected tag.
  virtual bool read(const SettingsScope& scope, const char* name, uint16_t tag, void* buffer, size_t size) const;
  // Leaves a value of another tag unchanged.
  virtual void write(const SettingsScope& scope, const char* name, uint16_t tag, const void* data, size_t size);

  bool readInteger(const char* name, int32_t& value) const { return readInteger(kApplicationScope, name, value); }
  void writeInteger(const char* name, int32_t value) { writeInteger(kApplicationScope, name, value); }
  bool readInteger(const SettingsScope& scope, const char* name, int32_t& value) const;
  void writeInteger(const SettingsScope& scope, const char* name, int32_t value);
  // Writes the value only when none exists.
  void ensureDefault(const char* name, uint16_t tag, const void* data, size_t size);

  const QString& productName() const { return productName_; }

 private:
  // The key of a value in the scope; empty when the scope keeps nothing.
  static QString keyOf(const SettingsScope& scope, const char* name);
  QByteArray storedValue(const QString& key) const;

  QString productName_;
  std::unique_ptr<QSettings> settings_;
};

}  // namespace scrivora
