#pragma once
// A recovery copy as it lies on disk: a short header that says which
// document it is a copy of and when it was taken, then the document as TML
// (its book information included, images named by their full paths so the
// copy does not depend on where it lies).

#include <QDateTime>
#include <QString>

#include <string>
#include <string_view>

namespace scrivora {

struct RecoveryCopy {
  // Where the copy lies.
  std::string file;
  // The document's file; empty when it had none.
  std::string originPath;
  // The document's name when the copy was taken.
  QString originName;
  QDateTime takenAt;
  std::string tml;
  // Empty, cut short or not a recovery copy at all: the header fields hold
  // what could be read, and the text cannot be restored.
  bool damaged = false;
};

std::string composeRecoveryCopy(const std::string& originPath, const QString& originName, const QDateTime& takenAt,
                                std::string_view tml);
RecoveryCopy parseRecoveryCopy(std::string_view bytes);

}  // namespace scrivora
