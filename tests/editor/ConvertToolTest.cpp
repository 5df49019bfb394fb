// scrivora-convert as a program: exit codes, messages, --info, and a saved
// file that converts to itself.

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

namespace {

const QString kTool = QStringLiteral(SCRIVORA_BINARY_DIR "/bin/scrivora-convert");

struct ToolRun {
  int exitCode = -1;
  QString out, err;
};

ToolRun convert(const QStringList& arguments) {
  QProcess process;
  process.start(kTool, arguments);
  ToolRun run;
  if (!process.waitForFinished(60000)) return run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
  run.err = QString::fromLocal8Bit(process.readAllStandardError());
  return run;
}

std::string readFile(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

class ConvertToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(kTool)) GTEST_SKIP() << "scrivora-convert is not built";
  }
  QTemporaryDir dir;
  QString path(const char* name) const { return dir.filePath(name); }
};

TEST_F(ConvertToolTest, WrongUsageExitsWithTwo) {
  EXPECT_EQ(convert({}).exitCode, 2);
  EXPECT_EQ(convert({"only-one"}).exitCode, 2);
  EXPECT_EQ(convert({"--bogus", "a", "b"}).exitCode, 2);
  EXPECT_EQ(convert({"a", "b", "c"}).exitCode, 2);
}

TEST_F(ConvertToolTest, UnreadableInputExitsWithOne) {
  const ToolRun run = convert({path("missing.tml"), path("out.tml")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains("missing.tml"));
  EXPECT_FALSE(QFile::exists(path("out.tml")));
}

TEST_F(ConvertToolTest, ConvertsAndReportsOnStandardError) {
  std::ofstream(path("in.tml").toStdString(), std::ios::binary)
      << "\\v\r\nTITLE=\"Tide\"\r\nAUTHOR=\"K.\"\r\n\\v\\cHead\\B\r\n\\ctext \xE9";
  const ToolRun run = convert({"--info", path("in.tml"), path("out.tml")});
  ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
  EXPECT_TRUE(run.out.contains("Title: Tide\n"));
  EXPECT_TRUE(run.out.contains("Author: K.\n"));
  EXPECT_TRUE(run.err.contains("warning: Unrecognized tag: \\B"));
  EXPECT_TRUE(run.err.contains("Opening file"));
  EXPECT_EQ(readFile(path("out.tml")), "\\v\r\nTITLE=\"Tide\"\r\nAUTHOR=\"K.\"\r\n\\v\\cHead\\B\\c\r\ntext \\a233");
  // A saved file converts to itself.
  ASSERT_EQ(convert({path("out.tml"), path("again.tml")}).exitCode, 0);
  EXPECT_EQ(readFile(path("again.tml")), readFile(path("out.tml")));
}

TEST_F(ConvertToolTest, UnwritableOutputExitsWithOne) {
  std::ofstream(path("in.txt").toStdString(), std::ios::binary) << "plain";
  const ToolRun run = convert({path("in.txt"), path("no/such/folder/out.tml")});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(run.err.contains("cannot write"));
}

}  // namespace
