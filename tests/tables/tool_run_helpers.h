// Running the built vantorel-dbf program from a test and capturing what it printed.
#pragma once

#include <string>
#include <vector>

#include "temp_dir.h"
#include "tool_run.h"

namespace vantorel::testing {

// Runs vantorel-dbf with the arguments (each quoted for the shell); its standard output and
// error are captured through files in dir.
ToolRun RunTool(const TempDir& dir, const std::vector<std::string>& arguments);

}  // namespace vantorel::testing
