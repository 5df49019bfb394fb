// Every widget test program needs a QApplication. It is made in a global test
// environment so that listing the tests (which CMake does at build time)
// needs no display at all.
#include <gtest/gtest.h>

#include <QApplication>
#include <QStandardPaths>
#include <memory>

namespace {

class WidgetsTestEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "scrivora-test";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    // Nothing a test does reaches the user's own data folder.
    QStandardPaths::setTestModeEnabled(true);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const widgetsEnvironment =
    ::testing::AddGlobalTestEnvironment(new WidgetsTestEnvironment);

}  // namespace
