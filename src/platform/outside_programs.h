// Programs outside this one: which program the desktop opens a kind of file with, and
// starting a program or a document.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel::platform {

// The desktop's file associations. The program uses the GIO implementation; tests install
// one with fixed answers.
class DesktopAssociations {
 public:
  virtual ~DesktopAssociations() = default;
  // The program the desktop opens this existing file with: the absolute path of its
  // executable, or the executable's name as the desktop gives it when no such program is on
  // the search path; empty when the desktop knows no program for the file.
  virtual std::string ProgramFor(const std::filesystem::path& file) const = 0;
  // Opens the file with the desktop's default program; false when that failed.
  virtual bool OpenWithDefault(const std::filesystem::path& file) const = 0;
};

// The process's associations: GIO's unless others were set.
const DesktopAssociations& CurrentAssociations();
// Installs associations (null: GIO's again) and returns the previous ones set. The caller
// keeps them alive while installed.
const DesktopAssociations* SetAssociations(const DesktopAssociations* associations);

// The program the desktop associates with the sample file of that name in DataDir (the
// settings' data folder), as a path text; empty when the sample file is missing or no program
// is associated. The result may name a program that does not exist.
std::string FindAssociatedProgram(std::string_view sample_file_name);

// Splits a parameter text into arguments as a Windows command line is split: blanks and tabs
// separate arguments; a double quote starts or ends a quoted part in which blanks are kept;
// 2n backslashes before a double quote give n backslashes and the quote acts, 2n+1 give n
// backslashes and a literal quote; other backslashes are literal; "" inside a quoted part is
// a literal quote.
std::vector<std::string> SplitCommandLine(std::string_view parameters);

// Starts program with the parameter text, detached, and returns once it has started (or
// failed to). The program is a path text (found through the file-system facade) or a bare
// name looked up on the search path. An executable file starts with the parameters as its
// arguments: a parameter text that names an existing file or folder is one argument,
// otherwise it is split as a Windows command line; each argument that names an existing
// file or folder through the facade is passed as its real path. Any other existing file (a
// document) opens with the desktop's default program. An empty parameter text passes no
// arguments. Failures are silent.
void LaunchProgram(std::string_view program, std::string_view parameters);

}  // namespace vantorel::platform
