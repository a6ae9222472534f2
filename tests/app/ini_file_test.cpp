#include "app/ini_file.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

namespace vantorel::app {
namespace {

using testing::TempDir;

TEST(ProfileInteger, ReadsDecimalAndHexadecimalTexts) {
  struct Case {
    const char* text;
    bool valid;
    std::int32_t value;
  };
  const Case cases[] = {
      {"72", true, 72},          {"0x50", true, 80},       {"0X1f", true, 31},
      {"abc", false, 0},         {"", false, 0},           {"0x", false, 0},
      {"12a", false, 0},         {"-5", true, -5},         {"+5", true, 5},
      {"  7", true, 7},          {"7 ", false, 0},         {"$10", true, 16},
      {"2147483647", true, 2147483647}, {"2147483648", false, 0},
      {"-2147483648", true, -2147483647 - 1}, {"0xFFFFFFFF", true, -1},
      {"0x100000000", false, 0}, {"0xG", false, 0},         {"00", true, 0},
  };
  for (const Case& c : cases) {
    std::int32_t value = 12345;
    EXPECT_EQ(ParseProfileInteger(c.text, value), c.valid) << '"' << c.text << '"';
    if (c.valid) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST(IniFile, MatchesSectionsAndKeysWithoutRegardToCase) {
  TempDir dir;
  const auto file = dir.Write("a.ini",
                              "[Other]\r\nAcrobat=wrong\r\n"
                              "[kvxbrowse]\r\n acrobat = C:\\ACRO\\ACRORD32.EXE \r\n"
                              "Browser=\"C:\\Program Files\\b.exe\"\r\nEmpty=\r\n");
  const IniFile ini(file);
  EXPECT_EQ(ini.ReadString("KVXBrowse", "ACROBAT", "-"), "C:\\ACRO\\ACRORD32.EXE");
  EXPECT_EQ(ini.ReadString("KVXBrowse", "Browser", "-"), "C:\\Program Files\\b.exe");
  EXPECT_EQ(ini.ReadString("KVXBrowse", "Empty", "-"), "");
  EXPECT_TRUE(ini.HasKey("KVXBROWSE", "empty"));
  EXPECT_EQ(ini.ReadString("KVXBrowse", "Missing", "fallback"), "fallback");
  EXPECT_EQ(ini.ReadString("Nowhere", "Acrobat", "fallback"), "fallback");
}

TEST(IniFile, IntegersAndBooleansFallBackWhenInvalid) {
  TempDir dir;
  const auto file = dir.Write("a.ini", "[S]\nA=0x50\nB=abc\nC=2\nD=0\nE=yes\n");
  const IniFile ini(file);
  EXPECT_EQ(ini.ReadInteger("S", "A", 1), 80);
  EXPECT_EQ(ini.ReadInteger("S", "B", 30), 30);
  EXPECT_EQ(ini.ReadInteger("S", "Z", 30), 30);
  EXPECT_TRUE(ini.ReadBool("S", "C", false));
  EXPECT_FALSE(ini.ReadBool("S", "D", true));
  EXPECT_TRUE(ini.ReadBool("S", "E", true));
  EXPECT_FALSE(ini.ReadBool("S", "E", false));
}

TEST(IniFile, WritesKeysInOrderIntoANewFile) {
  TempDir dir;
  IniFile ini(dir.path() / "sub" / "new.ini");
  ini.WriteString("KVXBrowse", "One", "C:\\X\\");
  ini.WriteInteger("KVXBrowse", "Two", -3);
  ini.WriteBool("KVXBrowse", "Three", true);
  ini.Save();
  EXPECT_EQ(TempDir::Read(dir.path() / "sub" / "new.ini"),
            "[KVXBrowse]\r\nOne=C:\\X\\\r\nTwo=-3\r\nThree=1\r\n");
}

TEST(IniFile, KeepsOtherSectionsKeysAndCommentsWhenWriting) {
  TempDir dir;
  const auto file = dir.Write("a.ini",
                              "; settings\r\n[kvxbrowse]\r\nACROBAT=old\r\nExtra=keep me\r\n\r\n"
                              "[Other]\r\nAcrobat=other\r\n");
  IniFile ini(file);
  ini.WriteString("KVXBrowse", "Acrobat", " raw \"value\" ");
  ini.WriteString("KVXBrowse", "Browser", "b");
  ini.WriteString("Third", "Key", "v");
  ini.Save();
  EXPECT_EQ(TempDir::Read(file),
            "; settings\r\n[kvxbrowse]\r\nACROBAT= raw \"value\" \r\nExtra=keep me\r\n"
            "Browser=b\r\n\r\n[Other]\r\nAcrobat=other\r\n[Third]\r\nKey=v\r\n");
}

TEST(IniFile, ReportsAFileThatCannotBeWritten) {
  TempDir dir;
  dir.Write("plain", "a file where a folder should be");
  const auto file = dir.path() / "plain" / "kvbrowse.ini";
  IniFile ini(file);
  ini.WriteString("KVXBrowse", "Acrobat", "");
  try {
    ini.Save();
    FAIL() << "no error";
  } catch (const IniWriteError& error) {
    EXPECT_EQ(std::string(error.what()), "Unable to write to " + file.string());
  }
}

}  // namespace
}  // namespace vantorel::app
