#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include "SettingsStore.h"

namespace scrivora {
namespace {

class SettingsStoreTest : public ::testing::Test {
 protected:
  QString file() const { return dir_.filePath("Scrivora.conf"); }
  SettingsStore store() const { return SettingsStore("Scrivora", file()); }
  // Stores raw bytes under a name, as another program (or an older one) might.
  void storeRaw(const char* name, const QByteArray& bytes) {
    QSettings raw(file(), QSettings::IniFormat);
    raw.setValue(name, bytes);
  }
  QByteArray raw(const char* name) const { return QSettings(file(), QSettings::IniFormat).value(name).toByteArray(); }

  QTemporaryDir dir_;
};

TEST_F(SettingsStoreTest, IntegerIsTagPayloadAndPad) {
  SettingsStore s("Scrivora", file());
  s.writeInteger("Find.WindowPos.x", -2);
  EXPECT_EQ(raw("Find.WindowPos.x"), QByteArray("\x01\x00\xFE\xFF\xFF\xFF\x00", 7));
  int32_t value = 0;
  EXPECT_TRUE(s.readInteger("Find.WindowPos.x", value));
  EXPECT_EQ(value, -2);
  EXPECT_EQ(s.sizeOf(kApplicationScope, "Find.WindowPos.x"), 7u);
  EXPECT_EQ(s.typeOf(kApplicationScope, "Find.WindowPos.x"), kIntegerTag);
}

TEST_F(SettingsStoreTest, ReadsKeepTheCallersDefaultUnlessTheTagMatches) {
  struct Case {
    const char* what;
    QByteArray stored;
    bool read;
    int32_t value;
  };
  const Case cases[] = {
      {"missing", QByteArray(), false, 77},
      {"longer than expected: first four payload bytes", QByteArray("\x01\x00\x05\x00\x00\x00\x09\x09\x09\x09\x00", 11),
       true, 5},
      {"another tag", QByteArray("\x02\x00\x05\x00\x00\x00\x00", 7), false, 77},
      {"shorter than its tag", QByteArray("\x01", 1), false, 77},
      {"cut before its pad: low bytes only", QByteArray("\x01\x00\x05\x00", 4), true, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(file());
    if (!c.stored.isEmpty()) storeRaw("Find.WindowPos.x", c.stored);
    int32_t value = 77;
    EXPECT_EQ(store().readInteger("Find.WindowPos.x", value), c.read);
    EXPECT_EQ(value, c.value);
  }
}

TEST_F(SettingsStoreTest, WriteLeavesAValueOfAnotherTagAlone) {
  const QByteArray find("\x02\x00\x01\x00\x01\x00", 6);
  storeRaw("Find.WindowPos.x", find);
  store().writeInteger("Find.WindowPos.x", 40);
  EXPECT_EQ(raw("Find.WindowPos.x"), find);
}

TEST_F(SettingsStoreTest, DocumentValuesAreKeptForEachFileUnderItsCanonicalPath) {
  // Names that a settings file could mistake for its own syntax, and two
  // names that a careless encoding would give the same key.
  const QStringList names = {"plain.tml", "with space.tml", "50% [draft]; #1 = a\\b.tml", "line\nbreak.tml",
                             "Zürich €.tml", "a%2Fb.tml"};
  ASSERT_TRUE(QDir(dir_.path()).mkdir("a"));
  QStringList paths = {dir_.filePath("a/b.tml")};
  for (const QString& name : names) paths << dir_.filePath(name);
  for (const QString& path : paths) {
    QFile out(path);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << path.toStdString();
  }
  SettingsStore s("Scrivora", file());
  for (int i = 0; i < paths.size(); ++i) s.writeInteger(SettingsScope::ofDocumentFile(paths[i]), "Editor.zoom", i + 1);
  s.writeInteger("Editor.zoom", 99);

  SettingsStore again("Scrivora", file());
  for (int i = 0; i < paths.size(); ++i) {
    int32_t zoom = 0;
    EXPECT_TRUE(again.readInteger(SettingsScope::ofDocumentFile(paths[i]), "Editor.zoom", zoom));
    EXPECT_EQ(zoom, i + 1) << paths[i].toStdString();
  }
  int32_t zoom = 0;
  // The same file reached through a link and a roundabout path.
  ASSERT_TRUE(QFile::link(paths[1], dir_.filePath("link.tml")));
  EXPECT_TRUE(again.readInteger(SettingsScope::ofDocumentFile(dir_.filePath("link.tml")), "Editor.zoom", zoom));
  EXPECT_EQ(zoom, 2);
  EXPECT_TRUE(again.readInteger(SettingsScope::ofDocumentFile(dir_.filePath("a/../plain.tml")), "Editor.zoom", zoom));
  EXPECT_EQ(zoom, 2);
  // The application's value is its own, and stored as every value is.
  EXPECT_TRUE(again.readInteger("Editor.zoom", zoom));
  EXPECT_EQ(zoom, 99);
  EXPECT_EQ(raw("Editor.zoom"), QByteArray("\x01\x00\x63\x00\x00\x00\x00", 7));

  // No file, or a file that is gone: nothing kept, nothing found.
  for (const QString& path : {QString(), dir_.filePath("gone.tml")}) {
    const SettingsScope scope = SettingsScope::ofDocumentFile(path);
    s.writeInteger(scope, "Editor.firstChar", 5);
    int32_t value = 7;
    EXPECT_FALSE(s.readInteger(scope, "Editor.firstChar", value));
    EXPECT_EQ(value, 7);
  }
  EXPECT_FALSE(QSettings(file(), QSettings::IniFormat).allKeys().join(' ').contains("firstChar"));
}

TEST_F(SettingsStoreTest, DamagedOrUnreadableFileGivesDefaults) {
  const QByteArray damaged[] = {
      QByteArray("\xFF\xFE[General\n\x00\x01=@ByteArray(\x01\nFind.WindowPos.x=not a number\n", 52),
      QByteArray("Find.WindowPos.x=@ByteArray(\\x1\\0\\x5)\n[[[\n=\n"),
  };
  for (const QByteArray& bytes : damaged) {
    QFile out(file());
    ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
    out.close();
    int32_t value = 9;
    store().readInteger("Find.WindowPos.x", value);
    EXPECT_EQ(value, 9);
  }
  // A folder where the file should be: nothing can be read or written.
  QFile::remove(file());
  ASSERT_TRUE(QDir(dir_.path()).mkdir("Scrivora.conf"));
  int32_t value = 9;
  EXPECT_FALSE(store().readInteger("Find.WindowPos.x", value));
  EXPECT_EQ(value, 9);
}

}  // namespace
}  // namespace scrivora
