#include "unprivileged.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vantorel::testing {

bool RunAgainUnprivileged() {
  if (::geteuid() != 0) return false;
  if (std::system("command -v setpriv >/dev/null") != 0) {
    [] { GTEST_SKIP() << "running as root without setpriv: no user to whom a folder is read-only"; }();
    return true;
  }
  const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups '" + self +
                              "' --gtest_filter='" + test->test_suite_name() + "." + test->name() +
                              "' --gtest_brief=1";
  const int raw = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << "the run as \"nobody\" failed";
  return true;
}

}  // namespace vantorel::testing
