// An index file over a table: opened as the controlling order, walked both ways and searched.
// Input: SplitTwoFiles, the table then the index.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "table_engine.h"
#include "tables/kv_dbf.h"
#include "tables/kv_error.h"

namespace {

using vantorel::tables::EDatabaseError;
using vantorel::tables::EKvError;
using vantorel::tables::KvDbf;

constexpr int kMaxSteps = 200;

// Keys of every type an index may hold, and the first field of a record as a key.
void Search(KvDbf& table) {
  std::string own_key;
  if (!table.Fields().empty() && !table.Eof()) own_key = table.FieldAsString(table.Fields().front().name);
  for (const std::string& key : {std::string("A"), std::string("1"), std::string("19950101"),
                                 std::string(100, 'z'), own_key}) {
    table.Find(key);
    table.FindExact(key);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vantorel::fuzz::SilenceTableEngine();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto files = vantorel::fuzz::SplitTwoFiles(vantorel::fuzz::AsText(data, size));
  const auto table_path = vantorel::fuzz::WriteScratchFile("T.DBF", files.first);
  vantorel::fuzz::WriteScratchFile("T.NDX", files.second);

  KvDbf table("T");
  vantorel::fuzz::SetReadOnlyQuiet(table);
  try {
    table.SetDbfFileName(table_path.string());
    table.SetActive(true);
    table.SetIndexTo("T.NDX");
    for (int step = 0; step < kMaxSteps && !table.Eof(); ++step) table.Skip(1);
    for (int step = 0; step < kMaxSteps && !table.Bof(); ++step) table.Skip(-1);
    Search(table);
  } catch (const EDatabaseError&) {
  } catch (const EKvError&) {
  }
  vantorel::tables::ClearLastError();
  return 0;
}
