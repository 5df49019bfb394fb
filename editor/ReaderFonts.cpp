#include "ReaderFonts.h"

#include <QFont>
#include <QStringList>

#include "EditorText.h"

namespace scrivora {

void substituteReaderFonts() {
  static bool done = false;
  if (done) return;
  done = true;
  // Plain sans-serif faces, the closest thing to the handheld's own.
  const QStringList installed = {"DejaVu Sans", "Liberation Sans", "Arial", "Helvetica"};
  for (const char* face : {kFaceNormal9, kFaceNormal12, kFaceSmall, kFaceBold, kFaceLarge, kFaceScript})
    QFont::insertSubstitutions(QString::fromLatin1(face), installed);
}

}  // namespace scrivora
