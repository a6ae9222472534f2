// The engine's error: code texts, the report text and the reporting policy.
#include <gtest/gtest.h>

#include "scripted_ui.h"
#include "tables/kv_error.h"

namespace vantorel::tables {
namespace {

TEST(KvError, CodeTexts) {
  const struct {
    int code;
    const char* text;
  } cases[] = {{0, ""},
               {2, "File not found"},
               {32, "File sharing violation"},
               {101, "Disk write error (probable cause: Disk Full)."},
               {210, "Not a dBASE data file"},
               {212, "Request beyond range"},
               {227, "Insufficient disk space "},
               {1003, "Invalid memo address"},
               {1202, "Semaphore file error. Possible solutions: log into network or load "
                      "SHARE.EXE before running Windows"},
               {1203, "Network Error"},
               {1250, "Network Error"},
               {1299, "Network Error"},
               {1300, "File format not supported"},
               {7, "Undefined error"},
               {1301, "Undefined error"},
               {-5, "Undefined error"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(ErrorCodeText(c.code), c.text);
  }
}

TEST(KvError, ReportTextAndWhat) {
  const EKvError error(212, "Database \"X.DBF\" is past EOF. [SKIP]");
  const std::string text =
      "Error # 212 (Request beyond range)\r\nDatabase \"X.DBF\" is past EOF. [SKIP]";
  EXPECT_EQ(ErrorReportText(error.Code(), error.Detail()), text);
  EXPECT_EQ(error.what(), text);
}

TEST(KvError, SystemErrorNumbers) {
  EXPECT_EQ(DosErrorCode(ENOENT), 2);
  EXPECT_EQ(DosErrorCode(ENOTDIR), 3);
  EXPECT_EQ(DosErrorCode(EACCES), 5);
  EXPECT_EQ(DosErrorCode(EWOULDBLOCK), 32);
  EXPECT_EQ(DosErrorCode(EIO), 100);
}

class ErrorReportTest : public ::testing::Test {
 protected:
  ErrorReportTest() {
    previous_ = SetHaltHandler([this](int code) {
      halts_.push_back(code);
      // A report made while the program is ending is ignored.
      ErrorReport(EKvError(1, "during the halt"));
    });
    ClearLastError();
  }
  ~ErrorReportTest() override {
    SetHaltHandler(previous_);
    SetErrorReporting(true);
    ClearLastError();
  }

  testing::ScriptedUi ui_;
  std::vector<int> halts_;
  HaltHandler previous_;
};

TEST_F(ErrorReportTest, ReportingOnShowsTheBoxAndHaltsWithTheCode) {
  ui_.Expect(core::BoxKind::Error, "Error # 215 (No database in use)\r\nNo database in use [Skip]  WorkArea = 3",
             core::Buttons::Ok, core::Answer::Ok, "Program halted.");
  EXPECT_FALSE(WithErrorReport([] { throw EKvError(215, "No database in use [Skip]  WorkArea = 3"); }));
  EXPECT_EQ(halts_, std::vector<int>{215});
  EXPECT_TRUE(ui_.Done());
  EXPECT_EQ(ui_.boxes.size(), 1u);
  EXPECT_EQ(LastErrorCode(), 1);  // the ignored report was still stored
}

TEST_F(ErrorReportTest, ReportingOffKeepsTheErrorForTheCaller) {
  {
    ErrorReportingOff off;
    EXPECT_FALSE(ErrorReportingOn());
    EXPECT_FALSE(WithErrorReport([] { throw EKvError(2, "Failure to open X [USE/OpenDbf]"); }));
    EXPECT_TRUE(WithErrorReport([] {}));
  }
  EXPECT_TRUE(ErrorReportingOn());
  EXPECT_EQ(LastErrorCode(), 2);
  EXPECT_EQ(LastErrorDetail(), "Failure to open X [USE/OpenDbf]");
  EXPECT_TRUE(ui_.boxes.empty());  // switching reporting on again reports nothing
  EXPECT_TRUE(halts_.empty());
  ClearLastError();
  EXPECT_EQ(LastErrorCode(), 0);
  EXPECT_EQ(LastErrorDetail(), "");
}

}  // namespace
}  // namespace vantorel::tables
