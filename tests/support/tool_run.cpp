#include "tool_run.h"

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

ToolRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const TempDir& dir) {
  std::string command = Quoted(program);
  for (const std::string& argument : arguments) command += " " + Quoted(argument);
  command += " >" + Quoted(dir / "out.txt") + " 2>" + Quoted(dir / "err.txt");
  const int result = std::system(command.c_str());
  return {WIFEXITED(result) ? WEXITSTATUS(result) : -1, TempDir::Read(dir.path() / "out.txt"),
          TempDir::Read(dir.path() / "err.txt")};
}

}  // namespace vantorel::testing
