#include "tool_run_helpers.h"

#include <sys/wait.h>

#include <cstdlib>
#include <string_view>

namespace vantorel::testing {
namespace {

// An argument quoted for the shell: in apostrophes, an apostrophe inside written as '\''.
std::string Quoted(std::string_view argument) {
  std::string quoted = "'";
  for (const char c : argument) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

ToolRun RunTool(const TempDir& dir, const std::vector<std::string>& arguments) {
  std::string command = Quoted(VANTOREL_DBF_TOOL);
  for (const std::string& argument : arguments) command += " " + Quoted(argument);
  command += " >'" + dir / "out.txt" + "' 2>'" + dir / "err.txt" + "'";
  const int result = std::system(command.c_str());
  return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, TempDir::Read(dir.path() / "out.txt"),
          TempDir::Read(dir.path() / "err.txt")};
}

}  // namespace vantorel::testing
