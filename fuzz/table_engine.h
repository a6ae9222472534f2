// What the fuzz targets of the table engine share: the engine quiet, and a table set up to
// open the scratch files read-only.
#pragma once

#include "fuzz_input.h"
#include "tables/kv_dbf.h"
#include "tables/kv_error.h"

namespace vantorel::fuzz {

// For LLVMFuzzerInitialize: no boxes and no error reports.
inline void SilenceTableEngine() {
  InstallSilentUi();
  tables::SetErrorReporting(false);
}

// table opens an existing file read-only, raising its errors as exceptions, showing nothing.
inline void SetReadOnlyQuiet(tables::KvDbf& table) {
  table.SetRaiseEngineErrors(true);
  table.SetShowMessages(false);
  table.SetCreateIfNotFound(false);
  table.SetReadOnly(true);
}

}  // namespace vantorel::fuzz
