// A table and its memo file as the catalogue opens them: opened read-only, walked forward and
// back, and every field of every record read. Input: SplitTwoFiles, the table then the memo.
#include <cstddef>
#include <cstdint>

#include "fuzz_input.h"
#include "table_engine.h"
#include "tables/kv_dbf.h"
#include "tables/kv_error.h"

namespace {

using vantorel::tables::EDatabaseError;
using vantorel::tables::EKvError;
using vantorel::tables::KvDbf;

// Walks are cut here: a header may claim billions of records.
constexpr int kMaxSteps = 200;

void ReadFields(KvDbf& table) {
  std::vector<std::string> lines;
  for (const vantorel::tables::DbfField& field : table.Fields()) {
    try {
      table.FieldAsString(field.name);
      if (field.type == 'N' || field.type == 'F' || field.type == 'C') table.FieldAsInteger(field.name);
      if (field.type == 'M') table.GetMField(field.name, lines);
    } catch (const EDatabaseError&) {
    } catch (const EKvError&) {
    }
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
  vantorel::fuzz::WriteScratchFile("T.DBT", files.second);

  KvDbf table("T");
  vantorel::fuzz::SetReadOnlyQuiet(table);
  table.SetHideDeletedRecs(size % 2 == 1);
  try {
    table.SetDbfFileName(table_path.string());
    table.SetActive(true);
    table.RecordCount();
    for (int step = 0; step < kMaxSteps && !table.Eof(); ++step) {
      ReadFields(table);
      table.Skip(1);
    }
    for (int step = 0; step < kMaxSteps && !table.Bof(); ++step) {
      table.Skip(-1);
      ReadFields(table);
    }
  } catch (const EDatabaseError&) {
  } catch (const EKvError&) {
  }
  vantorel::tables::ClearLastError();
  return 0;
}
