// Helpers for tests that start real programs: a shell script that records its arguments, and
// desktop associations with fixed answers; a mount table's field.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/outside_programs.h"
#include "temp_dir.h"

namespace vantorel::platform {

// A mount point as the mount tables write it: a blank as "\\040", a backslash as "\\134".
inline std::string MountTableField(const std::string& path) {
  std::string field;
  for (char c : path) {
    if (c == ' ')
      field += "\\040";
    else if (c == '\\')
      field += "\\134";
    else
      field += c;
  }
  return field;
}

// Writes an executable script at dir/relative that writes each argument it gets on a line
// of dir/"arguments" (atomically, once complete). Returns its real path.
inline std::string WriteArgumentsScript(const testing::TempDir& dir, const std::string& relative) {
  const std::string out = (dir.path() / "arguments").string();
  const auto script = dir.Write(relative, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" +
                                              out + ".part'\nmv '" + out + ".part' '" + out + "'\n");
  ::chmod(script.c_str(), 0755);
  return script.string();
}

// Waits up to five seconds for dir/"arguments", returns its lines and removes it. Fails the
// test when it does not come.
inline std::vector<std::string> WaitForArguments(const testing::TempDir& dir) {
  const auto file = dir.path() / "arguments";
  for (int i = 0; i < 500 && !std::filesystem::exists(file); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!std::filesystem::exists(file)) {
    ADD_FAILURE() << "the program did not run";
    return {"(not run)"};
  }
  std::istringstream lines(testing::TempDir::Read(file));
  std::filesystem::remove(file);
  std::vector<std::string> arguments;
  for (std::string line; std::getline(lines, line);) arguments.push_back(line);
  return arguments;
}

// Associations with fixed answers, installed while the object lives.
class FixedAssociations : public DesktopAssociations {
 public:
  FixedAssociations() { previous_ = SetAssociations(this); }
  ~FixedAssociations() override { SetAssociations(previous_); }
  FixedAssociations(const FixedAssociations&) = delete;
  FixedAssociations& operator=(const FixedAssociations&) = delete;

  std::string ProgramFor(const std::filesystem::path& file) const override {
    asked.push_back(file);
    return program;
  }
  bool OpenWithDefault(const std::filesystem::path& file) const override {
    opened.push_back(file);
    return true;
  }

  std::string program;                                   // the answer to every question
  mutable std::vector<std::filesystem::path> asked;     // files asked about
  mutable std::vector<std::filesystem::path> opened;    // files opened

 private:
  const DesktopAssociations* previous_ = nullptr;  // the associations before
};

}  // namespace vantorel::platform
