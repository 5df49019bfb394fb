#include <gtest/gtest.h>

#include <QScrollBar>
#include <QSettings>

#include <fstream>

#include "Commands.h"
#include "WindowPlacement.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;

TEST(WindowPlacementTest, StoredValuesAreFittedToTheTextAndTheScreens) {
  const QList<QRect> screens = {QRect(0, 0, 1280, 1024)};
  struct Case {
    const char* what;
    WindowPlacement stored;
    int textLength;
    FittedPlacement expected;
  };
  auto at = [](int x, int y) { return std::optional<QPoint>(QPoint(x, y)); };
  const Case cases[] = {
      {"as it was", {100, 80, 349, 700, 3, 9, 2, 5}, 50, {2, 700, at(100, 80), 3, 9, 5}},
      {"zoom in the low 16 bits; width follows it",
       {10, 10, 1, 800, 0, 0, 0x10003, 0},
       5,
       {3, 800, at(10, 10), 0, 0, 0}},
      {"zoom out of range", {10, 10, 349, 600, 0, 0, 7, 0}, 5, {2, 600, at(10, 10), 0, 0, 0}},
      {"text shrank", {10, 10, 349, 600, 40, 90, 2, 70}, 20, {2, 600, at(10, 10), 20, 20, 20}},
      {"negative positions", {10, 10, 349, 600, -4, -1, 2, -9}, 20, {2, 600, at(10, 10), 0, 0, 0}},
      {"too short for the zoom", {10, 10, 349, 20, 0, 0, 3, 0}, 0, {3, 448, at(10, 10), 0, 0, 0}},
      {"taller than the screen", {10, 10, 349, 5000, 0, 0, 2, 0}, 0, {2, 1024, at(10, 10), 0, 0, 0}},
      {"off every screen", {-5000, 40, 349, 600, 0, 0, 2, 0}, 0, {2, 600, std::nullopt, 0, 0, 0}},
      {"only a sliver on the right", {1270, 10, 349, 600, 0, 0, 2, 0}, 0, {2, 600, std::nullopt, 0, 0, 0}},
      {"enough of the top edge on the left", {-300, 10, 349, 600, 0, 0, 2, 0}, 0, {2, 600, at(-300, 10), 0, 0, 0}},
      {"top edge below the screen", {100, 1020, 349, 600, 0, 0, 2, 0}, 0, {2, 600, std::nullopt, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FittedPlacement fitted = fitWindowPlacement(c.stored, c.textLength, screens);
    EXPECT_EQ(fitted.zoom, c.expected.zoom);
    EXPECT_EQ(fitted.height, c.expected.height);
    EXPECT_EQ(fitted.position, c.expected.position);
    EXPECT_EQ(fitted.selectionStart, c.expected.selectionStart);
    EXPECT_EQ(fitted.selectionEnd, c.expected.selectionEnd);
    EXPECT_EQ(fitted.firstChar, c.expected.firstChar);
  }
}

TEST(WindowPlacementTest, AnyMissingValueLeavesEveryDefault) {
  AppFixture f;
  const std::string path = f.writeFile("book.tml", "Text.");
  const SettingsScope scope = SettingsScope::ofDocumentFile(QString::fromStdString(path));
  const WindowPlacement stored{1, 2, 3, 4, 5, 6, 3, 8};
  writeWindowPlacement(f.app->settings(), scope, stored);
  const std::optional<WindowPlacement> read = readWindowPlacement(f.app->settings(), scope);
  ASSERT_TRUE(read);
  EXPECT_EQ((std::vector<int>{read->x, read->y, read->width, read->height, read->selectionStart, read->selectionEnd,
                              read->zoom, read->firstChar}),
            (std::vector<int>{1, 2, 3, 4, 5, 6, 3, 8}));
  QSettings raw(f.settingsFile(), QSettings::IniFormat);
  raw.beginGroup("Documents");
  ASSERT_EQ(raw.childGroups().size(), 1);
  raw.beginGroup(raw.childGroups().front());
  const QStringList names = raw.childKeys();
  EXPECT_EQ(names.size(), 8);
  for (const QString& name : names) {
    SCOPED_TRACE(name.toStdString());
    const QByteArray value = raw.value(name).toByteArray();
    raw.remove(name);
    raw.sync();
    EXPECT_FALSE(readWindowPlacement(SettingsStore("Scrivora", f.settingsFile()), scope));
    raw.setValue(name, value);
    raw.sync();
  }
}

// A book long enough to scroll at every zoom.
std::string longBook() {
  std::string text;
  for (int i = 0; i < 400; ++i) text += "Line " + std::to_string(i) + " of a book that runs on and on.\r\n";
  return text;
}

TEST(WindowPlacementTest, EachFileReopensAsItsWindowWasLeft) {
  AppFixture f;
  struct Left {
    std::string path;
    int zoom;
    QPoint position;
    int height;
    int selectionStart, selectionEnd;
    int scroll;
    int firstChar = 0;
  };
  Left left[] = {{f.writeFile("long.tml", longBook()), 3, QPoint(40, 30), 600, 1200, 1260, 2000},
                 {f.writeFile("short.tml", "A short text.\r\n"), 1, QPoint(420, 60), 400, 2, 7, 0}};
  for (Left& l : left) {
    DocumentWindow& window = *f.app->openDocument(l.path);
    AppFixture::activate(window);
    window.perform(cmd::kZoom1 + Command(l.zoom - 1), nullptr, 0);
    window.move(l.position);
    window.resize(window.width(), l.height);
    window.document().text().setSelection(l.selectionStart, l.selectionEnd);
    window.view().verticalScrollBar()->setValue(l.scroll);
    AppFixture::settle();
    l.firstChar = window.firstVisibleCharacter();
    ASSERT_TRUE(window.perform(cmd::kClose, nullptr, 0));
    AppFixture::settle();
  }
  EXPECT_GT(left[0].firstChar, 500);
  for (const Left& l : left) {
    SCOPED_TRACE(l.path);
    DocumentWindow& window = *f.app->openDocument(l.path);
    AppFixture::activate(window);
    EXPECT_EQ(window.document().text().zoom(), l.zoom);
    EXPECT_EQ(window.commandCheckState(cmd::kZoom1 + Command(l.zoom - 1)), kChecked);
    EXPECT_EQ(window.width(), ZoomGeometry::at(l.zoom).width);
    EXPECT_EQ(window.pos(), l.position);
    EXPECT_EQ(window.height(), l.height);
    EXPECT_EQ(window.document().text().selectionStart(), l.selectionStart);
    EXPECT_EQ(window.document().text().selectionEnd(), l.selectionEnd);
    EXPECT_EQ(window.firstVisibleCharacter(), l.firstChar);
  }
}

TEST(WindowPlacementTest, AShrunkFileAndAVanishedScreenRestoreWhatStillFits) {
  AppFixture f;
  const std::string path = f.writeFile("shrunk.tml", longBook());
  writeWindowPlacement(f.app->settings(), SettingsScope::ofDocumentFile(QString::fromStdString(path)),
                       {90000, 90000, 349, 500, 9000, 9100, 2, 9050});
  std::ofstream(path, std::ios::trunc) << "Now short.";
  DocumentWindow& window = *f.app->openDocument(path);
  AppFixture::activate(window);
  const int length = window.document().text().length();
  EXPECT_EQ(window.document().text().selectionStart(), length);
  EXPECT_EQ(window.document().text().selectionEnd(), length);
  EXPECT_LT(window.x(), 5000);
  EXPECT_EQ(window.height(), 500);
}

}  // namespace
}  // namespace scrivora
