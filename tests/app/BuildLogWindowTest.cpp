#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextEdit>

#include "BuildLog.h"
#include "support/AppTestSupport.h"

namespace scrivora {
namespace {

using test::AppFixture;

TEST(BuildLogWindowTest, MadeAtTheFirstMessageShownAtTheFirstWarning) {
  AppFixture f;
  BuildLogWindow& log = f.app->buildLog();
  EXPECT_EQ(log.view(), nullptr);
  reportStatus("Generating page tables for the small font...");
  ASSERT_NE(log.view(), nullptr);
  EXPECT_FALSE(log.view()->isVisible());
  reportWarning("Unrecognized tag: %s", "\\B");
  EXPECT_TRUE(log.view()->isVisible());
  EXPECT_EQ(log.view()->windowTitle(), "Errors");
  EXPECT_EQ(log.view()->size(), QSize(512, 384));
  EXPECT_EQ(log.view()->minimumSize(), log.view()->maximumSize());
  EXPECT_FALSE(log.view()->testAttribute(Qt::WA_QuitOnClose));
  EXPECT_EQ(log.view()->text().toPlainText(),
            "Generating page tables for the small font...\nWarning: Unrecognized tag: \\B\n");

  // Closed by the user: forgotten, and the next message starts afresh.
  log.view()->close();
  AppFixture::settle();
  EXPECT_EQ(log.view(), nullptr);
  // Through the function slots too, as older callers report.
  reportError("The input file \"%s\" could not be opened.", "gone.tml");
  ASSERT_NE(log.view(), nullptr);
  EXPECT_TRUE(log.view()->isVisible());
  EXPECT_EQ(log.view()->text().toPlainText(), "Error: The input file \"gone.tml\" could not be opened.\n");
}

TEST(BuildLogWindowTest, ErrorLabelIsBoldRedAndTheMessagePlainBlack) {
  AppFixture f;
  f.app->buildLog().addError(QString::fromLatin1("Image \"caf\xE9.png\" doesn't exist!"));
  QTextEdit& text = f.app->buildLog().view()->text();
  const QTextBlock block = text.document()->firstBlock();
  std::vector<QTextFragment> fragments;
  for (auto it = block.begin(); !it.atEnd(); ++it) fragments.push_back(it.fragment());
  ASSERT_EQ(fragments.size(), 2u);
  EXPECT_EQ(fragments[0].text(), "Error: ");
  EXPECT_EQ(fragments[0].charFormat().fontWeight(), QFont::Bold);
  EXPECT_EQ(fragments[0].charFormat().foreground().color(), QColor(255, 0, 0));
  EXPECT_EQ(fragments[1].text(), QString::fromUtf8("Image \"café.png\" doesn't exist!"));
  EXPECT_EQ(fragments[1].charFormat().fontWeight(), QFont::Normal);
  EXPECT_EQ(fragments[1].charFormat().foreground().color(), QColor(0, 0, 0));
  EXPECT_EQ(fragments[1].charFormat().fontPointSize(), 8);
  EXPECT_TRUE(fragments[1].charFormat().fontFamilies().toStringList().contains("Courier New"));
}

TEST(BuildLogWindowTest, OpeningAFileEmptiesTheLogBeforeTheLoadersMessages) {
  AppFixture f;
  f.app->buildLog().addWarning("from an earlier build");
  const std::string path = f.writeFile("tags.tml", "A \\Zstrange tag.");
  ASSERT_NE(f.app->openDocument(path), nullptr);
  ASSERT_NE(f.app->buildLog().view(), nullptr);
  const QString log = f.app->buildLog().view()->text().toPlainText();
  EXPECT_FALSE(log.contains("earlier"));
  EXPECT_TRUE(log.contains("Warning: tags.tml:1:3: Unrecognized tag: \\Z")) << log.toStdString();
}

}  // namespace
}  // namespace scrivora
