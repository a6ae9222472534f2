// What every command of vantorel-dbf shares: the options, the conversions between the
// engine's ANSI texts and the terminal, opening a table, and the command table.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "tables/work_area.h"

namespace vantorel::tools::dbf {

// A wrong command line: the message goes to standard error with the usage, exit status 1.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class ToolContext {
 public:
  // language: the table language --oem or --ansi gave; nullopt: the table's language driver
  // byte decides (language_driver.h).
  ToolContext(std::optional<tables::KvTableLanguage> language, bool raw, std::ostream& out)
      : language_(language), raw_(raw), out_(out) {}

  // A text given on the command line, for the engine: UTF-8 to ANSI 1252 (as given with --raw).
  std::string Argument(std::string_view text) const;
  // A text of the engine for the terminal: ANSI 1252 to UTF-8 (as it is with --raw).
  std::string Shown(std::string_view text) const;
  // Writes one line: the fields separated by one TAB each, converted by Shown.
  void Line(const std::vector<std::string>& fields) const;
  // Writes one line of fields that are ready for the terminal, separated by one TAB each.
  void ShownLine(const std::vector<std::string>& fields) const;

  // Opens a table read-only for the engine: character data converted from OEM unless the
  // table is read as ANSI (TableLanguage).
  std::unique_ptr<tables::WorkArea> OpenTable(std::string_view file_argument) const;
  // Opens a table read-only with its character data as the file holds it (no conversion), for
  // the commands that show the stored text through StoredText.
  std::unique_ptr<tables::WorkArea> OpenStoredTable(std::string_view file_argument) const;
  // The language the table's text is read in: the option, else its language driver byte.
  tables::KvTableLanguage TableLanguage(const tables::WorkArea& area) const;

  // Stored character data of a table read in language, for the terminal: OEM 437 or ANSI
  // 1252 straight to UTF-8 (with --raw: the engine's ANSI bytes). With escape, the text
  // stays on one line: "\r", "\n", "\t", "\\" for CR, LF, TAB and backslash, "\xNN" (the
  // stored byte in hexadecimal) for every other control character.
  std::string StoredText(std::string_view bytes, tables::KvTableLanguage language,
                         bool escape) const;

  // A record number argument (1 or more); UsageError otherwise.
  static std::int64_t RecordNumber(std::string_view text);

 private:
  std::optional<tables::KvTableLanguage> language_;  // --oem or --ansi, when given
  bool raw_;           // --raw: texts pass as bytes, no UTF-8 conversion
  std::ostream& out_;  // standard output
};

// One command: its name, the arguments it takes (for the usage text) and its entry point,
// which returns the exit status. A command throws UsageError for wrong arguments and lets
// the engine's EKvError through.
struct Command {
  const char* name;
  const char* arguments;
  int (*run)(const ToolContext& context, const std::vector<std::string>& arguments);
};

// Every command, in the order the usage text lists them.
const std::vector<Command>& Commands();

int RunInfo(const ToolContext& context, const std::vector<std::string>& arguments);
int RunDump(const ToolContext& context, const std::vector<std::string>& arguments);
int RunMemo(const ToolContext& context, const std::vector<std::string>& arguments);
int RunEval(const ToolContext& context, const std::vector<std::string>& arguments);
int RunFilter(const ToolContext& context, const std::vector<std::string>& arguments);
int RunIndex(const ToolContext& context, const std::vector<std::string>& arguments);
int RunWalk(const ToolContext& context, const std::vector<std::string>& arguments);
int RunFind(const ToolContext& context, const std::vector<std::string>& arguments);
int RunSearch(const ToolContext& context, const std::vector<std::string>& arguments);

}  // namespace vantorel::tools::dbf
