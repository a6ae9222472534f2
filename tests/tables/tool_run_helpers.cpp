#include "tool_run_helpers.h"

namespace vantorel::testing {

ToolRun RunTool(const TempDir& dir, const std::vector<std::string>& arguments) {
  return RunProgram(VANTOREL_DBF_TOOL, arguments, dir);
}

}  // namespace vantorel::testing
