#include <gtest/gtest.h>

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QTextDocument>

#include <memory>

#include "CodePage.h"
#include "EditorText.h"
#include "ReaderFonts.h"
#include "TextDocumentModel.h"
#include "WidthTables.h"

namespace scrivora {
namespace {

// Every character of the editor's reader faces is as wide as on the handheld,
// at every zoom: lines break where the handheld breaks them.
TEST(ReaderFontsTest, AdvancesAreTheHandheldsWidthsTimesTheZoom) {
  const QString folder = QString::fromLatin1(SCRIVORA_BINARY_DIR "/fonts");
  if (!QFile::exists(folder + "/NTolmText9.ttf")) GTEST_SKIP() << "reader fonts were not made in this build";
  auto fonts = std::make_unique<ReaderFontRegistration>(folder);
  ASSERT_EQ(fonts->registered(), 6);
  struct Face {
    FontKind font;
    const char* normalFace;
    const WidthTable& table;
  };
  const Face faces[] = {
      {FontKind::Normal, kFaceNormal9, standardWidthTable()}, {FontKind::Normal, kFaceNormal12, largeWidthTable()},
      {FontKind::Small, kFaceNormal9, standardWidthTable()},  {FontKind::Bold, kFaceNormal9, standardBoldWidthTable()},
      {FontKind::Large, kFaceNormal9, largeWidthTable()},
  };
  for (const Face& face : faces) {
    for (int zoom = 1; zoom <= 4; ++zoom) {
      CharStyle style;
      faceAndSizeOf(face.font, face.normalFace, zoom, style.face, style.size);
      QTextCharFormat format;
      writeStyleToFormat(style, format);
      const QFontMetricsF metrics(format.font());
      ASSERT_EQ(QFontInfo(format.font()).family().toStdString(), style.face);
      for (int byte = 0x20; byte <= 0xFF; ++byte) {
        const char16_t ch = unicodeFromWindows1252(uint8_t(byte));
        if (ch < 0x20 || ch == 0x7F || (ch >= 0x80 && ch < 0xA0)) continue;
        ASSERT_DOUBLE_EQ(metrics.horizontalAdvance(QChar(ch)), face.table.width(uint8_t(byte)) * zoom)
            << style.face << " zoom " << zoom << " byte " << byte;
      }
    }
  }
  // The faces are the program's only while it runs.
  fonts.reset();
  EXPECT_FALSE(QFontDatabase::families().contains(QString::fromLatin1(kFaceNormal9)));
}

}  // namespace
}  // namespace scrivora
