// Running the built vantorel-dbf program from a test and capturing what it printed.
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

// Runs vantorel-dbf with the arguments (each quoted for the shell); its standard output and
// error are captured through files in dir.
ToolRun RunTool(const TempDir& dir, const std::vector<std::string>& arguments);

}  // namespace vantorel::testing
