#include <gtest/gtest.h>

#include <QDialog>
#include <QSettings>
#include <QTimer>

#include "Commands.h"
#include "EditorDocument.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;

QStringList titlesOf(const Application& app) {
  QStringList titles;
  for (DocumentWindow* window : app.documents()) titles << window->windowTitle();
  return titles;
}

TEST(ApplicationTest, CommandLineOpensExistingFilesOrOneUntitledDocument) {
  AppFixture f;
  const std::string one = f.writeFile("one story.tml", "First.");
  const std::string two = f.writeFile("two.TXT", "Second.");
  f.app->start({QString::fromStdString(one), QString::fromStdString(two)});
  EXPECT_EQ(titlesOf(*f.app), (QStringList{"two.TXT", "one story.tml"}));  // newest first
  EXPECT_TRUE(f.presenter_.shown.empty());

  AppFixture g;
  g.app->start({g.dir.filePath("missing.tml"), g.dir.filePath("nor this")});
  ASSERT_EQ(g.app->documents().size(), 1u);
  EXPECT_TRUE(g.app->documents().front()->windowTitle().startsWith("Untitled"));
  EXPECT_TRUE(g.presenter_.shown.empty());  // a missing file is skipped silently
}

TEST(ApplicationTest, UnreadableFileIsReportedAndTheProgramStillOpens) {
  AppFixture f;
  // A folder exists but cannot be read as a file.
  f.app->start({f.dir.path()});
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].caption(), "Error");
  EXPECT_EQ(f.presenter_.shown[0].message, "An error occurred while reading the file from disk.");
  EXPECT_TRUE(f.presenter_.shown[0].detail.startsWith(f.dir.path())) << f.presenter_.shown[0].detail.toStdString();
  ASSERT_EQ(f.app->documents().size(), 1u);
  EXPECT_FALSE(f.app->documents().front()->document().hasFile());
}

TEST(ApplicationTest, OpeningAnOpenFileAgainBringsItsWindowForward) {
  AppFixture f;
  const std::string path = f.writeFile("story.tml", "Text.");
  DocumentWindow* first = f.app->openDocument(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(f.app->openDocument(f.dir.path().toStdString() + "/./story.tml"), first);
  EXPECT_EQ(f.app->documents().size(), 1u);
}

TEST(ApplicationTest, UntitledNamesCountOnAfterClosing) {
  AppFixture f;
  DocumentWindow* a = f.app->newDocument();
  const uint32_t first = a->document().untitledNumber();
  a->requestClose();
  // Opening a file takes no number.
  ASSERT_NE(f.app->openDocument(f.writeFile("named.tml", "Text.")), nullptr);
  f.app->newDocument()->requestClose();
  DocumentWindow* third = f.app->newDocument();
  EXPECT_EQ(third->windowTitle(), untitledName(first + 2));
  EXPECT_EQ(untitledName(1), "Untitled.tml");
  EXPECT_EQ(untitledName(3), "Untitled3.tml");
}

TEST(ApplicationTest, QuitStopsAtTheFirstWindowThatRefuses) {
  AppFixture f;
  DocumentWindow* older = f.app->newDocument();
  DocumentWindow* refusing = f.app->newDocument();
  DocumentWindow* newest = f.app->newDocument();
  refusing->setCloseQuery([](int) { return false; });
  EXPECT_FALSE(f.app->perform(cmd::kQuit, nullptr, 0));
  AppFixture::settle();
  // The newest closed, the refusing one and everything after it stayed.
  EXPECT_EQ(f.app->documents(), (std::list<DocumentWindow*>{refusing, older}));
  (void)newest;
  refusing->setCloseQuery(nullptr);
  EXPECT_TRUE(f.app->perform(cmd::kQuit, nullptr, 0));
  EXPECT_TRUE(f.app->documents().empty());
}

TEST(ApplicationTest, ClosingTheLastDocumentWindowEndsTheMainLoop) {
  AppFixture f;
  f.app->start({});
  DocumentWindow* window = f.app->documents().front();
  // A build log window that is open does not keep the program running.
  f.app->buildLog().addWarning("still here");
  QTimer::singleShot(0, window, [window] { window->close(); });
  // Fails by timing out (the loop never ends) rather than by hanging for ever.
  QTimer guard;
  guard.setSingleShot(true);
  bool timedOut = false;
  QObject::connect(&guard, &QTimer::timeout, [&] {
    timedOut = true;
    QApplication::exit(1);
  });
  guard.start(10000);
  EXPECT_EQ(f.app->run(), 0);
  EXPECT_FALSE(timedOut);
  EXPECT_TRUE(f.app->documents().empty());
  EXPECT_NE(f.app->buildLog().view(), nullptr);
}

TEST(ApplicationTest, AboutBoxClosesWithEscape) {
  AppFixture f;
  QString title;
  bool closedByKey = false;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QDialog*>(widget);
      if (box == nullptr || !box->isVisible()) continue;
      title = box->windowTitle();
      QTest::keyClick(box->focusWidget() != nullptr ? box->focusWidget() : box, Qt::Key_Escape);
      closedByKey = !box->isVisible();
      box->reject();  // never leave the test waiting
    }
  });
  EXPECT_TRUE(f.app->perform(cmd::kAbout, nullptr, 0));
  EXPECT_EQ(title, "About Scrivora...");
  EXPECT_TRUE(closedByKey);
}

TEST(ApplicationTest, FindOptionsAreTheOnlyStoredValueAfterARun) {
  AppFixture f;
  f.app->start({});
  f.app->findSettings().setEntireWord(true);
  f.app->perform(cmd::kQuit, nullptr, 0);
  f.app.reset();
  QSettings stored(f.settingsFile(), QSettings::IniFormat);
  EXPECT_EQ(stored.allKeys(), QStringList{"FindSettings"});
  EXPECT_EQ(stored.value("FindSettings").toByteArray(), QByteArray("\x02\x00\x01\x01\x00\x00", 6));

  // The defaults are stored at once when there are none.
  AppFixture g;
  EXPECT_EQ(QSettings(g.settingsFile(), QSettings::IniFormat).value("FindSettings").toByteArray(),
            QByteArray("\x02\x00\x01\x00\x00\x00", 6));
}

}  // namespace
}  // namespace scrivora
