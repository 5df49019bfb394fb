#include "ReaderFonts.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>

#include "EditorText.h"

namespace scrivora {

void substituteReaderFonts() {
  static bool done = false;
  if (done) return;
  done = true;
  // Plain sans-serif faces, the closest thing to the handheld's own; a face
  // registered under the reader's name comes first all the same.
  const QStringList installed = {"DejaVu Sans", "Liberation Sans", "Arial", "Helvetica"};
  for (const char* face : {kFaceNormal9, kFaceNormal12, kFaceSmall, kFaceBold, kFaceLarge, kFaceScript})
    QFont::insertSubstitutions(QString::fromLatin1(face), installed);
}

const QStringList& readerFontFiles() {
  static const QStringList files = {"NTolmText9.ttf", "TolmText9.ttf",  "NTolmText12.ttf",
                                    "TolmText12.ttf", "TolmText9B.ttf", "TolmText12B.ttf"};
  return files;
}

ReaderFontRegistration::ReaderFontRegistration(const QString& folder) {
  const QDir dir(folder);
  for (const QString& file : readerFontFiles()) {
    const int id = QFontDatabase::addApplicationFont(dir.filePath(file));
    if (id >= 0) ids_.push_back(id);
  }
}

ReaderFontRegistration::~ReaderFontRegistration() {
  for (int id : ids_) QFontDatabase::removeApplicationFont(id);
}

}  // namespace scrivora
