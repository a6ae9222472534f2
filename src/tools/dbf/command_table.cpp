#include "dbf_tool.h"

namespace vantorel::tools::dbf {

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"info", "TABLE", RunInfo},
      {"dump", "TABLE", RunDump},
      {"memo", "TABLE RECNO FIELD", RunMemo},
      {"eval", "TABLE EXPR [--record N]", RunEval},
      {"filter", "TABLE EXPR", RunFilter},
      {"index", "TABLE EXPR SPEC", RunIndex},
      {"walk", "TABLE NDX", RunWalk},
      {"find", "[--exact] TABLE NDX KEY", RunFind},
      {"search", "[--field N] TABLE TEXT", RunSearch},
  };
  return commands;
}

}  // namespace vantorel::tools::dbf
