#include "platform/single_instance.h"

#include <unistd.h>

#include <QProcess>
#include <QThread>

#include <chrono>
#include <filesystem>
#include <thread>

#include <gtest/gtest.h>

#include "qt_application.h"
#include "temp_dir.h"

namespace vantorel::platform {
namespace {

using testing::TempDir;
using testing::TestApplication;

constexpr int kEnded = 0;         // the second copy found the first and ends
constexpr int kStartsNormally = 3;

// Two real processes of the probe (single_instance_probe.cpp) under a name of this test.
class SingleInstanceTest : public ::testing::Test {
 protected:
  SingleInstanceTest()
      : name_(QStringLiteral("vantorel-test-%1-%2").arg(::getpid()).arg(++counter_)) {
    TestApplication();
  }

  // Starts a first copy and waits until it listens.
  void StartFirst(QProcess& first) {
    first.start(QStringLiteral(SINGLE_INSTANCE_PROBE),
                {"first", name_, Path("ready"), Path("stop"), Path("result")});
    ASSERT_TRUE(first.waitForStarted());
    for (int i = 0; i < 500 && !std::filesystem::exists(dir_.path() / "ready"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(dir_.path() / "ready"));
  }

  // Lets the first copy finish its start-up; returns what it heard.
  std::string FinishFirst(QProcess& first) {
    dir_.Write("stop", "");
    EXPECT_TRUE(first.waitForFinished(10000));
    EXPECT_EQ(first.exitCode(), 0);
    return TempDir::Read(dir_.path() / "result");
  }

  int RunSecond() {
    QProcess second;
    second.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {"second", name_});
    EXPECT_TRUE(second.waitForFinished(10000));
    return second.exitCode();
  }

  QString Path(const char* name) const { return QString::fromStdString(dir_ / name); }

  static inline int counter_ = 0;
  TempDir dir_;
  QString name_;
};

TEST_F(SingleInstanceTest, ASecondCopyRestoresAStartingFirstCopyAndEnds) {
  QProcess first;
  StartFirst(first);
  EXPECT_EQ(RunSecond(), kEnded);
  EXPECT_EQ(FinishFirst(first), "restore");
}

TEST_F(SingleInstanceTest, ACopyStartsNormallyWhenNoneIsStarting) {
  EXPECT_EQ(RunSecond(), kStartsNormally);
  QProcess first;
  StartFirst(first);
  EXPECT_EQ(FinishFirst(first), "none");
  EXPECT_EQ(RunSecond(), kStartsNormally);  // the first copy's start-up is over
}

TEST_F(SingleInstanceTest, ANameLeftByACrashedCopyIsTakenOver) {
  QProcess crashed;
  StartFirst(crashed);
  crashed.kill();
  crashed.waitForFinished();
  EXPECT_EQ(RunSecond(), kStartsNormally);
  std::filesystem::remove(dir_.path() / "ready");
  QProcess first;
  StartFirst(first);
  EXPECT_EQ(RunSecond(), kEnded);
  EXPECT_EQ(FinishFirst(first), "restore");
}

TEST(SingleInstanceName, NamesTheProgramFileAndTheUser) {
  EXPECT_EQ(SingleInstance::NameFor("/opt/vantorel/bin/vantorel"),
            QStringLiteral("vantorel-%1").arg(::getuid()));
}

}  // namespace
}  // namespace vantorel::platform
