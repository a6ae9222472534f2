// The SemaphoreFile: its name, login and logout through index opening, two real processes
// counting up and down, stale files, and the lock timeouts.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "engine_test_helpers.h"
#include "tables/ndx_builder.h"
#include "tables/ndx_orders.h"
#include "tables/semaphore_file.h"

namespace vantorel::tables {
namespace {

using testing::ErrorOf;
using testing::OpenTable;
using testing::Rec;
using testing::ShownPath;
using testing::TableBytes;
using testing::TempDir;

TableBytes Small() {
  TableBytes t;
  t.fields = {{"KEY", 'C', 4}};
  t.records = {Rec({"b   "}), Rec({"a   "})};
  return t;
}

// A child process that runs body, tells the parent it is ready, waits until the parent
// says go on, runs after, and exits with the status body and after returned (0: fine).
class Child {
 public:
  template <typename Body, typename After>
  Child(Body body, After after) {
    int to_parent[2];
    int to_child[2];
    if (::pipe(to_parent) != 0 || ::pipe(to_child) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(to_parent[0]);
      ::close(to_child[1]);
      const int status = body();
      const char ready = static_cast<char>(status);
      if (::write(to_parent[1], &ready, 1) != 1) ::_exit(90);
      char go = 0;
      if (::read(to_child[0], &go, 1) != 1) ::_exit(91);
      ::_exit(status != 0 ? status : after());
    }
    ::close(to_parent[1]);
    ::close(to_child[0]);
    from_child_ = to_parent[0];
    to_child_ = to_child[1];
  }
  // Waits until the child is ready; its body's status.
  int Ready() {
    char status = 99;
    if (::read(from_child_, &status, 1) != 1) return 98;
    return status;
  }
  // Lets the child go on and waits for its end; its exit status.
  int Finish() {
    const char go = 1;
    if (::write(to_child_, &go, 1) != 1) return 97;
    int status = 0;
    ::waitpid(pid_, &status, 0);
    ::close(from_child_);
    ::close(to_child_);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 96;
  }

 private:
  pid_t pid_ = -1;
  int from_child_ = -1;
  int to_child_ = -1;
};

// A byte-range lock held by a child process on a file.
Child HoldLock(const std::string& path, off_t start, off_t length) {
  return Child(
      [path, start, length] {
        const int fd = ::open(path.c_str(), O_RDWR);
        struct flock lock {};
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = start;
        lock.l_len = length;
        return fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 0 : 1;
      },
      [] { return 0; });
}

class SemaphoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.Write("t.dbf", Small().Bytes());
    const auto area = Open();
    MakeIndex(area.get(), "KEY", "k");
  }
  std::unique_ptr<WorkArea> Open(bool exclusive = false) const {
    return WorkArea::Open(ParseUseCommand(dir_ / "t.dbf" + (exclusive ? " EXCLUSIVE" : "")), {});
  }
  std::string Semaphore() const { return TempDir::Read(dir_.path() / "t.@s@"); }
  bool SemaphoreExists() const { return std::filesystem::exists(dir_.path() / "t.@s@"); }

  TempDir dir_;
};

TEST(SemaphoreFileName, TheExtensionBecomesTheSemaphoreOne) {
  EXPECT_EQ(SemaphoreFileName("/data/KEYWORD.DBF"), "/data/KEYWORD.@s@");
  EXPECT_EQ(SemaphoreFileName("/data.old/keyword"), "/data.old/keyword.@s@");
  EXPECT_EQ(SemaphoreFileName("C:\\KV\\ARTICLE.DBF"), "C:\\KV\\ARTICLE.@s@");
}

TEST_F(SemaphoreTest, TheFirstIndexLogsInAndClosingTheTableLogsOut) {
  auto area = Open();
  EXPECT_FALSE(SemaphoreExists());
  SetIndexTo(area.get(), "k");
  EXPECT_EQ(Semaphore(), std::string("\x01\0\0\0", 4));
  SetIndexTo(area.get(), "");  // the login stays with the table
  SetIndexTo(area.get(), "k");
  EXPECT_EQ(Semaphore(), std::string("\x01\0\0\0", 4));
  area.reset();
  EXPECT_FALSE(SemaphoreExists());
}

TEST_F(SemaphoreTest, AnExclusiveTableUsesNoSemaphore) {
  auto area = Open(true);
  SetIndexTo(area.get(), "k");
  EXPECT_FALSE(SemaphoreExists());
}

// The child process logs in first, the test's process second; each keeps its table open
// until the count has been read.
TEST_F(SemaphoreTest, TwoProcessesCountToTwoAndBackToZero) {
  std::unique_ptr<WorkArea> child_area;
  Child child(
      [&] {
        child_area = Open();
        SetIndexTo(child_area.get(), "k");
        return child_area->RecNo() == 2 ? 0 : 1;
      },
      [&] {
        child_area.reset();
        return 0;
      });
  ASSERT_EQ(child.Ready(), 0);
  EXPECT_EQ(Semaphore(), std::string("\x01\0\0\0", 4));
  auto area = Open();
  RemoveStaleSemaphoreFile(area->OpenPath(), area->SemaphorePath());  // in use by the child: stays
  SetIndexTo(area.get(), "k");
  EXPECT_EQ(Semaphore(), std::string("\x02\0\0\0", 4));
  ASSERT_EQ(child.Finish(), 0);
  EXPECT_EQ(Semaphore(), std::string("\x01\0\0\0", 4));
  area.reset();
  EXPECT_FALSE(SemaphoreExists());
}

TEST_F(SemaphoreTest, AStaleFileIsRemovedWhenNobodyHasItOpen) {
  dir_.Write("t.@s@", std::string("\x03\0\0\0", 4));
  auto area = Open();
  RemoveStaleSemaphoreFile(area->OpenPath(), area->SemaphorePath());
  EXPECT_FALSE(SemaphoreExists());
  SetIndexTo(area.get(), "k");
  EXPECT_EQ(Semaphore(), std::string("\x01\0\0\0", 4));
  // While this work area has it open, a second one in the same process leaves it alone.
  auto second = WorkArea::Open(ParseUseCommand(dir_ / "t.dbf ALIAS SECOND"), {});
  RemoveStaleSemaphoreFile(second->OpenPath(), second->SemaphorePath());
  EXPECT_TRUE(SemaphoreExists());
}

TEST_F(SemaphoreTest, ALockHeldElsewhereEndsTheLoginWithError1202) {
  auto area = Open();
  {
    Child holder = HoldLock(dir_ / "t.dbf", static_cast<off_t>(kTableSemaphoreLockOffset), 1);
    ASSERT_EQ(holder.Ready(), 0);
    const EKvError error = ErrorOf([&] { SetIndexTo(area.get(), "k"); });
    EXPECT_EQ(error.Code(), 1202);
    EXPECT_EQ(error.Detail(),
              "Cannot lock database for: " + ShownPath(dir_, "t.dbf") + " Action=LOGIN [Database Semaphore]");
    EXPECT_EQ(holder.Finish(), 0);
  }
  dir_.Write("t.@s@", std::string(4, '\0'));
  {
    Child holder = HoldLock(dir_ / "t.@s@", 1, 4);
    ASSERT_EQ(holder.Ready(), 0);
    const EKvError error = ErrorOf([&] { SetIndexTo(area.get(), "k"); });
    EXPECT_EQ(error.Code(), 1202);
    EXPECT_EQ(error.Detail().rfind("10 second timeout: Cannot lock index semaphore file: " +
                                       (dir_ / "t") + ".@s@" +
                                       " LOCKSEMAPHORE\r\nPossible cause: Network lock limit exceeded\r\n"
                                       " Lock result code: ",
                                   0),
              0u)
        << error.Detail();
    EXPECT_EQ(holder.Finish(), 0);
  }
  // Once the locks are gone the login works.
  SetIndexTo(area.get(), "k");
  EXPECT_EQ(Semaphore(), std::string("\x01\0\0\0", 4));
}

}  // namespace
}  // namespace vantorel::tables
