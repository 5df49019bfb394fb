#include "RecoveryCopy.h"

#include <QByteArray>

#include <charconv>

namespace scrivora {

namespace {

constexpr std::string_view kMagic = "Scrivora recovery copy 1";

// Header values are percent-encoded, so that a path may hold line breaks.
std::string encoded(const QByteArray& value) { return value.toPercentEncoding().toStdString(); }
QByteArray decoded(std::string_view value) {
  return QByteArray::fromPercentEncoding(QByteArray(value.data(), qsizetype(value.size())));
}

// Takes the next line off the front of `rest`; false when no line end is left.
bool takeLine(std::string_view& rest, std::string_view& line) {
  const size_t end = rest.find('\n');
  if (end == std::string_view::npos) return false;
  line = rest.substr(0, end);
  rest.remove_prefix(end + 1);
  return true;
}

}  // namespace

std::string composeRecoveryCopy(const std::string& originPath, const QString& originName, const QDateTime& takenAt,
                                std::string_view tml) {
  std::string out;
  out.reserve(tml.size() + 256);
  out += kMagic;
  out += "\norigin: " + encoded(QByteArray::fromStdString(originPath));
  out += "\nname: " + encoded(originName.toUtf8());
  out += "\ntaken: " + takenAt.toUTC().toString(Qt::ISODateWithMs).toStdString();
  out += "\nlength: " + std::to_string(tml.size());
  out += "\n\n";
  out += tml;
  return out;
}

RecoveryCopy parseRecoveryCopy(std::string_view bytes) {
  RecoveryCopy copy;
  copy.damaged = true;
  std::string_view rest = bytes, line;
  if (!takeLine(rest, line) || line != kMagic) return copy;
  size_t length = 0;
  bool haveLength = false;
  while (takeLine(rest, line)) {
    if (line.empty()) {
      // The text follows, exactly as long as the header says: a copy cut
      // short by a full disk or a crash is damaged, never half restored.
      if (!haveLength || rest.size() != length) return copy;
      copy.tml.assign(rest);
      copy.damaged = false;
      return copy;
    }
    const size_t colon = line.find(": ");
    if (colon == std::string_view::npos) return copy;
    const std::string_view key = line.substr(0, colon), value = line.substr(colon + 2);
    if (key == "origin") {
      copy.originPath = decoded(value).toStdString();
    } else if (key == "name") {
      copy.originName = QString::fromUtf8(decoded(value));
    } else if (key == "taken") {
      copy.takenAt = QDateTime::fromString(QString::fromLatin1(value.data(), qsizetype(value.size())), Qt::ISODate);
    } else if (key == "length") {
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
      haveLength = error == std::errc() && end == value.data() + value.size();
    }
    // Other keys are from a later version and are not needed to restore.
  }
  return copy;
}

}  // namespace scrivora
