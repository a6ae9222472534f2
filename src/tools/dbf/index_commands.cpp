// vantorel-dbf index TABLE EXPR SPEC: MakeIndex(EXPR, SPEC) on the table; SPEC is the index
// file name with option words ("kwkey UNIQUE"), relative names beside the table.
// File names are paths as the terminal gives them; NDX is one whole index file (a blank in it
// is part of its path).
// vantorel-dbf walk TABLE NDX: SetIndexTo(NDX), then the record numbers from the first
// record to the end of file in index order, one per line.
// vantorel-dbf find [--exact] TABLE NDX KEY: SetIndexTo(NDX), then Find(KEY) (FindExact with
// --exact): "found" and the record number, or "not found".
// Tables are opened read-only and shared, as the program opens them: opening an index logs
// in to the table's SemaphoreFile, which the end of the command removes again.
#include "dbf_tool.h"
#include "tables/ndx_builder.h"
#include "tables/ndx_orders.h"
#include "tables/semaphore_file.h"

namespace vantorel::tools::dbf {

namespace {

std::unique_ptr<tables::WorkArea> OpenShared(const ToolContext& context, const std::string& table) {
  auto area = context.OpenTable(table);
  tables::RemoveStaleSemaphoreFile(area->OpenPath(), area->SemaphorePath());
  return area;
}

}  // namespace

int RunIndex(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 3) throw UsageError("index takes a table, an expression and an index file");
  const auto area = OpenShared(context, arguments[0]);
  tables::MakeIndex(area.get(), context.Argument(arguments[1]), arguments[2]);
  return 0;
}

int RunWalk(const ToolContext& context, const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) throw UsageError("walk takes a table and an index file");
  const auto area = OpenShared(context, arguments[0]);
  tables::SetIndexToFiles(area.get(), {arguments[1]});
  area->GoTop();
  while (!area->Eof()) {
    context.Line({std::to_string(area->RecNo())});
    area->Skip(1);
  }
  return 0;
}

int RunFind(const ToolContext& context, const std::vector<std::string>& arguments) {
  std::vector<std::string> positional;
  bool exact = false;
  for (const std::string& argument : arguments) {
    if (argument == "--exact")
      exact = true;
    else
      positional.push_back(argument);
  }
  if (positional.size() != 3) throw UsageError("find takes a table, an index file and a key");
  const auto area = OpenShared(context, positional[0]);
  tables::SetIndexToFiles(area.get(), {positional[1]});
  const std::string key = context.Argument(positional[2]);
  const bool found = exact ? tables::FindExact(*area, key) : tables::Find(*area, key);
  context.Line({found ? "found " + std::to_string(area->RecNo()) : std::string("not found")});
  return 0;
}

}  // namespace vantorel::tools::dbf
