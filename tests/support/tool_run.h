// Running a built command-line program from a test and capturing what it printed.
#pragma once

#include <string>
#include <vector>

#include "temp_dir.h"

namespace vantorel::testing {

struct ToolRun {
  int status;  // the exit status; -1 when the program did not exit normally
  std::string out;
  std::string err;
};

// Runs program with the arguments (each quoted for the shell); its standard output and error
// are captured through the files out.txt and err.txt in dir.
ToolRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const TempDir& dir);

}  // namespace vantorel::testing
