#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <fstream>
#include <functional>

#include "Commands.h"
#include "DocumentRecovery.h"
#include "FileSystem.h"
#include "RecoveryCopy.h"
#include "RecoveryFolder.h"
#include "RecoveryOfferDialog.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using namespace std::chrono_literals;
using test::AppFixture;

// The recovery copies lying in a folder.
QStringList copiesIn(const std::string& folder) {
  return QDir(QString::fromStdString(folder)).entryList({QStringLiteral("*.recovery")}, QDir::Files);
}

std::string contentsOf(const std::string& path) {
  std::string bytes, reason;
  return readRegularFile(path, bytes, reason) ? bytes : "(" + reason + ")";
}

void type(DocumentWindow& window, const char* text) {
  AppFixture::activate(window);
  QTest::keyClicks(&window.view(), QString::fromLatin1(text));
}

// Waits for the window's copy to be written after its delay.
bool waitForCopy(DocumentWindow& window) {
  DocumentRecovery* recovery = CrashRecovery::of(window);
  if (recovery == nullptr) return false;
  return QTest::qWaitFor([&] { return !recovery->writePending() && pathExists(recovery->copyPath()); }, 5000);
}

TEST(CrashRecoveryTest, ACopyReadsBackOnlyWhenWhole) {
  const QDateTime taken = QDateTime::fromString(QStringLiteral("2026-03-04T05:06:07.089Z"), Qt::ISODate);
  const std::string tml = "\\v\r\nTITLE=\"A\"\r\n\\v\r\nText \\bbold\\b.\r\n";
  const std::string whole = composeRecoveryCopy("/books/odd\nname: x.tml", QStringLiteral("odd.tml"), taken, tml);
  const RecoveryCopy read = parseRecoveryCopy(whole);
  EXPECT_FALSE(read.damaged);
  EXPECT_EQ(read.originPath, "/books/odd\nname: x.tml");
  EXPECT_EQ(read.originName, "odd.tml");
  EXPECT_EQ(read.takenAt, taken);
  EXPECT_EQ(read.tml, tml);

  const std::string headerEnd = whole.substr(0, whole.find("\n\n") + 2);
  const struct {
    const char* what;
    std::string bytes;
  } damaged[] = {
      {"empty", ""},
      {"not a copy", "Just some text.\n\n" + tml},
      {"cut in the text", whole.substr(0, whole.size() - 3)},
      {"cut in the header", whole.substr(0, 40)},
      {"no text at all", headerEnd},
      {"longer than said", whole + "more"},
  };
  for (const auto& c : damaged) {
    SCOPED_TRACE(c.what);
    EXPECT_TRUE(parseRecoveryCopy(c.bytes).damaged);
  }
}

TEST(CrashRecoveryTest, ACopyIsKeptOnlyWhileThereAreUnsavedChanges) {
  AppFixture f;
  f.app->recovery().setDelay(20ms);
  const std::string path = f.writeFile("story.tml", "\\v\r\nTITLE=\"Story\"\r\n\\v\r\nStory.");
  DocumentWindow& window = *f.app->openDocument(path);
  AppFixture::activate(window);
  QTest::qWait(60);
  EXPECT_TRUE(copiesIn(f.recoveryFolder()).isEmpty()) << "an unchanged document has no copy";

  type(window, "New ");
  ASSERT_TRUE(waitForCopy(window));
  ASSERT_TRUE(window.perform(cmd::kSave, nullptr, 0));
  EXPECT_TRUE(copiesIn(f.recoveryFolder()).isEmpty()) << "a save removes the copy";

  // A close that discards the changes removes it too: the user chose.
  type(window, "More ");
  ASSERT_TRUE(waitForCopy(window));
  EXPECT_EQ(copiesIn(f.recoveryFolder()).size(), 1);
  f.presenter_.answers = {AlertAnswer::No};
  ASSERT_TRUE(window.requestClose(0));
  AppFixture::settle();
  EXPECT_TRUE(copiesIn(f.recoveryFolder()).isEmpty());
}

// Writing a big book's copy holds the window up for a moment, so a copy that
// falls due waits for a pause in the typing, but never for longer than the
// delay again.
TEST(CrashRecoveryTest, ACopyThatFallsDueWaitsForAPauseInTheTyping) {
  AppFixture f;
  f.app->recovery().setDelay(600ms);
  DocumentWindow& window = *f.app->openDocument(f.writeFile("story.tml", "Story."));
  DocumentRecovery* recovery = CrashRecovery::of(window);
  ASSERT_NE(recovery, nullptr);
  const auto typeFor = [&](int milliseconds, const std::function<bool()>& until) {
    QElapsedTimer typing;
    typing.start();
    while (typing.elapsed() < milliseconds && !until()) {
      type(window, "a");
      QTest::qWait(40);
    }
  };
  typeFor(900, [] { return false; });
  EXPECT_TRUE(recovery->writePending());
  EXPECT_TRUE(copiesIn(f.recoveryFolder()).isEmpty()) << "written in the middle of the typing";
  ASSERT_TRUE(waitForCopy(window)) << "not written at the pause";

  const std::string first = contentsOf(recovery->copyPath());
  typeFor(3000, [&] { return contentsOf(recovery->copyPath()) != first; });
  EXPECT_NE(contentsOf(recovery->copyPath()), first) << "typing without a pause kept no copy";
}

TEST(CrashRecoveryTest, ACopyThatCannotBeWrittenIsReportedOnce) {
  AppFixture f;
  // A file where the folder should be.
  std::ofstream(f.recoveryFolder()) << "in the way";
  f.app->recovery().setDelay(20ms);
  DocumentWindow& window = *f.app->newDocument();
  for (const char* text : {"One. ", "Two. "}) {
    type(window, text);
    DocumentRecovery* recovery = CrashRecovery::of(window);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !recovery->writePending(); }, 5000));
  }
  ASSERT_EQ(f.presenter_.shown.size(), 1u);
  EXPECT_EQ(f.presenter_.shown[0].kind, AlertKind::Warning);
  EXPECT_NE(f.presenter_.shown[0].text().indexOf("recovery"), -1);
}

// Two runs over one settings file and recovery folder: the first types and
// ends without closing its windows, the second is offered what it left.
class RecoveryCycle : public ::testing::Test {
 protected:
  std::unique_ptr<Application> startApplication() {
    return std::make_unique<Application>(std::make_unique<SettingsStore>("Scrivora", first.settingsFile()),
                                         first.recoveryFolder());
  }
  AppFixture first;
  RecordingRecoveryOfferPresenter offers;
  ScopedRecoveryOfferPresenter offersInstalled{offers};
};

TEST_F(RecoveryCycle, CopiesOfAnEndedRunAreOfferedRestoredOrDiscarded) {
  first.app->recovery().setDelay(20ms);
  const std::string path = first.writeFile("story.tml", "Story.");
  DocumentWindow& story = *first.app->openDocument(path);
  type(story, "Saved by the copy. ");
  ASSERT_TRUE(waitForCopy(story));
  DocumentWindow& untitled = *first.app->newDocument();
  type(untitled, "Never saved.");
  ASSERT_TRUE(waitForCopy(untitled));
  // The run ends without closing anything, as a crash would.
  first.app.reset();
  AppFixture::settle();
  ASSERT_EQ(copiesIn(first.recoveryFolder()).size(), 2);

  offers.answers = {RecoveryChoice::Restore, RecoveryChoice::Discard};
  std::unique_ptr<Application> second = startApplication();
  second->start({});
  ASSERT_EQ(offers.offered.size(), 1u);
  ASSERT_EQ(offers.offered[0].size(), 2u);
  EXPECT_EQ(offers.offered[0][0].originPath, path) << "the oldest copy comes first";
  EXPECT_TRUE(offers.offered[0][1].originPath.empty());
  ASSERT_EQ(second->documents().size(), 1u);
  DocumentWindow& restored = *second->documents().front();
  EXPECT_FALSE(restored.document().hasFile());
  EXPECT_TRUE(restored.document().modified());
  EXPECT_EQ(restored.document().name(), "story.tml");
  EXPECT_EQ(restored.view().toPlainText(), "Saved by the copy. Story.");
  EXPECT_EQ(contentsOf(path), "Story.") << "the file itself is untouched";
  EXPECT_EQ(copiesIn(first.recoveryFolder()).size(), 1) << "the discarded copy is gone, the restored one kept";

  // Closed without saving, the restored document lets its copy go.
  first.presenter_.answers = {AlertAnswer::No};
  ASSERT_TRUE(restored.requestClose(0));
  AppFixture::settle();
  EXPECT_TRUE(copiesIn(first.recoveryFolder()).isEmpty());
  second.reset();

  // Nothing is offered once nothing is left.
  startApplication()->start({});
  EXPECT_EQ(offers.offered.size(), 1u);
}

TEST_F(RecoveryCycle, DamagedCopiesAreOfferedAsDamagedAndCopiesPutOffStay) {
  const std::string folder = first.recoveryFolder();
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
  // Left by runs that were killed: one never wrote its lock's name into
  // place, one's lock is still there but held by nobody.
  std::ofstream(folder + "/111-a-1.recovery");
  std::ofstream(folder + "/222-b-1.recovery") << "Scrivora recovery copy 1\nlength: 90\n\nshort";
  std::ofstream(folder + "/222-b.lock");
  first.app.reset();

  offers.answers = {RecoveryChoice::Later, RecoveryChoice::Later};
  std::unique_ptr<Application> second = startApplication();
  second->start({});
  ASSERT_EQ(offers.offered.size(), 1u);
  ASSERT_EQ(offers.offered[0].size(), 2u);
  for (const RecoveryCopy& copy : offers.offered[0]) EXPECT_TRUE(copy.damaged) << copy.file;
  ASSERT_EQ(second->documents().size(), 1u) << "the user still gets an untitled document";
  EXPECT_EQ(copiesIn(folder).size(), 2);
  second.reset();

  offers.answers = {RecoveryChoice::Discard, RecoveryChoice::Discard};
  startApplication()->start({});
  EXPECT_EQ(offers.offered.size(), 2u) << "copies put off are offered again";
  EXPECT_TRUE(copiesIn(folder).isEmpty());
}

TEST(CrashRecoveryTest, CopiesOfARunningInstanceAreNotOffered) {
  QTemporaryDir dir;
  const std::string folder = dir.filePath("recovery").toStdString();
  RecoveryFolder running(folder);
  std::string reason;
  const std::string copy = running.newCopyPath(reason);
  ASSERT_FALSE(copy.empty()) << reason;
  ASSERT_TRUE(writeFileReplacing(copy, "x", reason)) << reason;

  RecoveryFolder starting(folder);
  EXPECT_TRUE(starting.claimCopiesOfEndedSessions().empty());
  EXPECT_TRUE(pathExists(copy));
}

TEST(CrashRecoveryTest, TheOfferDialogRestoresOnlyWhatCanBeRestored) {
  RecoveryCopy good, damaged;
  good.originName = QStringLiteral("story.tml");
  damaged.damaged = true;
  struct {
    bool accept;
    std::vector<RecoveryChoice> expected;
  } cases[] = {{true, {RecoveryChoice::Restore, RecoveryChoice::Discard}},
               {false, {RecoveryChoice::Later, RecoveryChoice::Later}}};
  for (const auto& c : cases) {
    RecoveryOfferDialog dialog({good, damaged});
    EXPECT_FALSE(dialog.restoreButton(1).isEnabled());
    if (c.accept)
      dialog.accept();
    else
      dialog.reject();
    EXPECT_EQ(dialog.choices(), c.expected);
  }
}

}  // namespace
}  // namespace scrivora
