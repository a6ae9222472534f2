// vantorel-dbf [--oem | --ansi] [--raw] COMMAND ARGUMENTS...
// Exit status: 0 done, 1 wrong command line, 2 an error of the table engine (its report text
// goes to standard error). --help and --version print their texts on standard output.
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "core/code_pages.h"
#include "core/command_line_info.h"
#include "dbf_tool.h"
#include "tables/kv_error.h"

namespace {

using vantorel::tools::dbf::Command;
using vantorel::tools::dbf::Commands;

constexpr int kUsageStatus = 1;
constexpr int kEngineErrorStatus = 2;

void WriteCommands(std::ostream& out) {
  for (const Command& command : Commands())
    out << "  " << command.name << ' ' << command.arguments << '\n';
}

int Usage(const std::string& message) {
  if (!message.empty()) std::cerr << "vantorel-dbf: " << message << '\n';
  std::cerr << "usage: vantorel-dbf [--oem | --ansi] [--raw] COMMAND ARGUMENTS\n"
               "  --oem   the table's character data is OEM 437\n"
               "  --ansi  the table's character data is ANSI 1252\n"
               "          (default: as the table's language driver byte says, else OEM 437)\n"
               "  --raw   write the engine's ANSI bytes (default: UTF-8)\n"
               "commands:\n";
  WriteCommands(std::cerr);
  std::cerr << "Try 'vantorel-dbf --help' for more information.\n";
  return kUsageStatus;
}

void Help() {
  std::cout << "Usage: vantorel-dbf [OPTION]... COMMAND ARGUMENTS...\n"
               "Inspect dBASE tables, memo files and NDX indexes with the program's table\n"
               "engine: show a table's structure and records, evaluate expressions, build and\n"
               "walk indexes, search the text of a table.\n"
               "\n"
               "      --oem      the table's character data is OEM 437\n"
               "      --ansi     the table's character data is ANSI 1252\n"
               "                 (default: as the table's language driver byte says; a table\n"
               "                 without one is OEM 437)\n"
               "      --raw      write the engine's ANSI bytes (default: UTF-8)\n"
            << vantorel::core::kHelpAndVersionOptions
            << "\n"
               "Commands:\n";
  WriteCommands(std::cout);
  std::cout << "\n"
               "dump, info and memo show the text as the file stores it, decoded straight from\n"
               "its code page; dump writes one line per record, with CR, LF, TAB, backslash\n"
               "and other control characters as \\r, \\n, \\t, \\\\ and \\xNN, and numbers\n"
               "as the digits the file holds. The other commands show the engine's view, in\n"
               "which OEM text is converted to ANSI 1252.\n"
               "\n"
               "Exit status:\n"
               " 0  the command was done\n"
               " 1  a wrong command line\n"
               " 2  an error of the table engine (its report on standard error)\n"
               "\n"
               "Example:\n"
               "  vantorel-dbf info keyword.dbf\n";
}

}  // namespace

int main(int argc, char** argv) {
  switch (vantorel::core::InfoRequestOf(argc, argv)) {
    case vantorel::core::InfoRequest::Help:
      Help();
      return 0;
    case vantorel::core::InfoRequest::Version:
      std::cout << vantorel::core::VersionText("vantorel-dbf");
      return 0;
    case vantorel::core::InfoRequest::None:
      break;
  }
  std::optional<vantorel::tables::KvTableLanguage> language;
  bool raw = false;
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--ansi" || argument == "--oem") {
      const auto chosen = argument == "--ansi" ? vantorel::tables::KvTableLanguage::tlAnsi
                                               : vantorel::tables::KvTableLanguage::tlOem;
      if (language && *language != chosen) return Usage("--oem and --ansi exclude each other");
      language = chosen;
    } else if (argument == "--raw") {
      raw = true;
    } else if (argument == "--record" || argument == "--exact" || argument == "--field") {
      words.push_back(argument);  // the commands read their options
    } else if (argument.size() > 2 && argument.compare(0, 2, "--") == 0) {
      return Usage("unknown option " + argument);
    } else {
      words.push_back(argument);
    }
  }
  if (words.empty()) return Usage("no command");
  const Command* command = nullptr;
  for (const Command& candidate : Commands())
    if (words[0] == candidate.name) command = &candidate;
  if (!command) return Usage("unknown command " + words[0]);

  const vantorel::tools::dbf::ToolContext context(language, raw, std::cout);
  try {
    const int status = command->run(context, {words.begin() + 1, words.end()});
    std::cout.flush();
    return status;
  } catch (const vantorel::tools::dbf::UsageError& error) {
    return Usage(error.what());
  } catch (const vantorel::tables::EKvError& error) {
    std::cout.flush();
    // Engine messages are UTF-8 (paths), an expression text among them perhaps 1252.
    std::cerr << vantorel::core::Utf8OrCp1252ToUtf8(error.what()) << '\n';
    return kEngineErrorStatus;
  }
}
