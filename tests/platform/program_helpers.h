// Helpers for tests that start real programs: a shell script and a Linux program that record
// their arguments, and a desktop with fixed answers; a mount table's field.
#pragma once

#include <sys/stat.h>

#include <algorithm>
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

#ifdef ARGUMENTS_RECORDER
// Copies the Linux program that records its arguments (arguments_recorder.cpp) to
// dir/folder/name, where it writes dir/"arguments" as WriteArgumentsScript does. Returns its
// real path.
inline std::string CopyArgumentsProgram(const testing::TempDir& dir, const std::string& folder,
                                        const std::string& name) {
  const std::filesystem::path program = dir.path() / folder / name;
  std::filesystem::create_directories(program.parent_path());
  std::filesystem::copy_file(ARGUMENTS_RECORDER, program);
  return program.string();
}
#endif

// The desktop with fixed answers, installed while the object lives: every file has one
// content type, the types listed have a default application, and every launch goes as told.
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
  std::string ContentTypeOf(const std::filesystem::path&) const override { return content_type; }
  DesktopLaunch OpenWithDefault(const std::filesystem::path& file,
                                const std::string& type) const override {
    if (std::find(handled_types.begin(), handled_types.end(), type) == handled_types.end())
      return {DesktopLaunch::Outcome::NoApplication, {}};
    opened.push_back(file);
    opened_as.push_back(type);
    return launch;
  }
  DesktopLaunch OpenWithApplication(const std::filesystem::path& program_path,
                                    const std::string& target, bool is_url) const override {
    if (!registers_programs) return {DesktopLaunch::Outcome::NoApplication, {}};
    opened_with.push_back(program_path.string() + (is_url ? " url " : " file ") + target);
    return launch;
  }

  std::string program;                                          // ProgramFor's answer
  std::string content_type = "text/plain";                      // every file's type
  std::vector<std::string> handled_types = {"text/plain"};      // types with an application
  bool registers_programs = false;  // OpenWithApplication finds an application
  DesktopLaunch launch{DesktopLaunch::Outcome::Started, {}};    // how every launch goes
  mutable std::vector<std::filesystem::path> asked;    // files ProgramFor was asked about
  mutable std::vector<std::filesystem::path> opened;   // files opened with a default application
  mutable std::vector<std::string> opened_as;          // the type each was opened as
  mutable std::vector<std::string> opened_with;        // "program file|url target" opened

 private:
  const DesktopAssociations* previous_ = nullptr;  // the associations before
};

}  // namespace vantorel::platform
