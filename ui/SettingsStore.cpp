#include "SettingsStore.h"

#include <QSettings>

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

}  // namespace

SettingsStore::SettingsStore(const QString& productName)
    : productName_(productName), settings_(std::make_unique<QSettings>(QStringLiteral("Tolm"), productName)) {}

SettingsStore::SettingsStore(const QString& productName, const QString& iniFile)
    : productName_(productName), settings_(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

SettingsStore::~SettingsStore() = default;

QByteArray SettingsStore::storedValue(const char* name) const {
  // A value that is not a byte array (a hand-edited file) reads as missing,
  // as does anything in a file that could not be parsed.
  const QVariant value = settings_->value(QString::fromLatin1(name));
  if (value.typeId() != QMetaType::QByteArray) return QByteArray();
  return value.toByteArray();
}

size_t SettingsStore::sizeOf(SettingsScope, const char* name) const { return size_t(storedValue(name).size()); }

uint16_t SettingsStore::typeOf(SettingsScope, const char* name) const { return tagOf(storedValue(name)); }

bool SettingsStore::exists(SettingsScope, const char* name) const {
  return settings_->contains(QString::fromLatin1(name));
}

bool SettingsStore::read(SettingsScope scope, const char* name, uint16_t tag, void* buffer, size_t size) const {
  if (scope != kApplicationScope) return false;
  const QByteArray value = storedValue(name);
  if (value.size() < kTagSize || tagOf(value) != tag) return false;
  // The last byte is the pad; a value cut short of it gives what it has.
  const qsizetype payload = std::max<qsizetype>(0, value.size() - kTagSize - kPadSize);
  std::memcpy(buffer, value.constData() + kTagSize, std::min(size_t(payload), size));
  return true;
}

void SettingsStore::write(SettingsScope scope, const char* name, uint16_t tag, const void* data, size_t size) {
  if (scope != kApplicationScope) return;
  const QByteArray old = storedValue(name);
  if (!old.isEmpty() && tagOf(old) != tag) return;
  QByteArray value;
  value.reserve(qsizetype(size) + kTagSize + kPadSize);
  value.append(char(tag & 0xFF));
  value.append(char(tag >> 8));
  value.append(static_cast<const char*>(data), qsizetype(size));
  value.append(kPadByte);
  settings_->setValue(QString::fromLatin1(name), value);
  settings_->sync();
}

bool SettingsStore::readInteger(SettingsScope scope, const char* name, int32_t& value) const {
  // A payload shorter than four bytes overwrites only the low bytes.
  const uint32_t old = uint32_t(value);
  uint8_t bytes[4] = {uint8_t(old), uint8_t(old >> 8), uint8_t(old >> 16), uint8_t(old >> 24)};
  if (!read(scope, name, kIntegerTag, bytes, sizeof bytes)) return false;
  // Stored little-endian whatever the machine.
  value =
      int32_t(uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[3]) << 24));
  return true;
}

void SettingsStore::writeInteger(SettingsScope scope, const char* name, int32_t value) {
  const uint32_t v = uint32_t(value);
  const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  write(scope, name, kIntegerTag, bytes, sizeof bytes);
}

void SettingsStore::ensureDefault(const char* name, uint16_t tag, const void* data, size_t size) {
  if (!exists(kApplicationScope, name)) write(kApplicationScope, name, tag, data, size);
}

}  // namespace scrivora
