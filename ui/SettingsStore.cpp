#include "SettingsStore.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cstring>

namespace scrivora {

namespace {

constexpr int kTagSize = 2;
constexpr int kPadSize = 1;
constexpr char kPadByte = 0;

uint16_t tagOf(const QByteArray& value) {
  if (value.size() < kTagSize) return 0;
  return uint16_t(uint8_t(value[0]) | (uint8_t(value[1]) << 8));
}

// Document values live in one group per file. The path is percent-encoded
// into a single key segment, so that any path (slashes, spaces, brackets,
// equals signs, line breaks) names exactly one group and no two paths share
// one.
QString documentGroupOf(const QString& canonicalPath) {
  return QStringLiteral("Documents/") + QString::fromLatin1(QUrl::toPercentEncoding(canonicalPath));
}

}  // namespace

SettingsScope SettingsScope::ofDocumentFile(const QString& path) {
  SettingsScope scope;
  scope.document_ = true;
  if (!path.isEmpty()) scope.file_ = QFileInfo(path).canonicalFilePath();
  return scope;
}

QString SettingsStore::keyOf(const SettingsScope& scope, const char* name) {
  if (scope.isApplication()) return QString::fromLatin1(name);
  if (scope.file().isEmpty()) return QString();
  return documentGroupOf(scope.file()) + QLatin1Char('/') + QString::fromLatin1(name);
}

SettingsStore::SettingsStore(const QString& productName)
    : productName_(productName), settings_(std::make_unique<QSettings>(QStringLiteral("Tolm"), productName)) {}

SettingsStore::SettingsStore(const QString& productName, const QString& iniFile)
    : productName_(productName), settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QByteArray SettingsStore::storedValue(const QString& key) const {
  // A value that is not a byte array (a hand-edited file) reads as missing,
  // as does anything in a file that could not be parsed.
  if (key.isEmpty()) return QByteArray();
  const QVariant value = settings_->value(key);
  if (value.typeId() != QMetaType::QByteArray) return QByteArray();
  return value.toByteArray();
}

// Size, type and existence are asked of the application's values whatever
// the scope: no caller asks them of a document.
size_t SettingsStore::sizeOf(const SettingsScope&, const char* name) const {
  return size_t(storedValue(keyOf(kApplicationScope, name)).size());
}

uint16_t SettingsStore::typeOf(const SettingsScope&, const char* name) const {
  return tagOf(storedValue(keyOf(kApplicationScope, name)));
}

bool SettingsStore::exists(const SettingsScope&, const char* name) const {
  return settings_->contains(keyOf(kApplicationScope, name));
}

bool SettingsStore::read(const SettingsScope& scope, const char* name, uint16_t tag, void* buffer, size_t size) const {
  const QByteArray value = storedValue(keyOf(scope, name));
  if (value.size() < kTagSize || tagOf(value) != tag) return false;
  // The last byte is the pad; a value cut short of it gives what it has.
  const qsizetype payload = std::max<qsizetype>(0, value.size() - kTagSize - kPadSize);
  std::memcpy(buffer, value.constData() + kTagSize, std::min(size_t(payload), size));
  return true;
}

void SettingsStore::write(const SettingsScope& scope, const char* name, uint16_t tag, const void* data,
                          size_t size) {
  const QString key = keyOf(scope, name);
  if (key.isEmpty()) return;
  const QByteArray old = storedValue(key);
  if (!old.isEmpty() && tagOf(old) != tag) return;
  QByteArray value;
  value.reserve(qsizetype(size) + kTagSize + kPadSize);
  value.append(char(tag & 0xFF));
  value.append(char(tag >> 8));
  value.append(static_cast<const char*>(data), qsizetype(size));
  value.append(kPadByte);
  settings_->setValue(key, value);
  settings_->sync();
}

bool SettingsStore::readInteger(const SettingsScope& scope, const char* name, int32_t& value) const {
  // A payload shorter than four bytes overwrites only the low bytes.
  const uint32_t old = uint32_t(value);
  uint8_t bytes[4] = {uint8_t(old), uint8_t(old >> 8), uint8_t(old >> 16), uint8_t(old >> 24)};
  if (!read(scope, name, kIntegerTag, bytes, sizeof bytes)) return false;
  // Stored little-endian whatever the machine.
  value =
      int32_t(uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[3]) << 24));
  return true;
}

void SettingsStore::writeInteger(const SettingsScope& scope, const char* name, int32_t value) {
  const uint32_t v = uint32_t(value);
  const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  write(scope, name, kIntegerTag, bytes, sizeof bytes);
}

void SettingsStore::ensureDefault(const char* name, uint16_t tag, const void* data, size_t size) {
  if (!exists(kApplicationScope, name)) write(kApplicationScope, name, tag, data, size);
}

}  // namespace scrivora
