// Small helpers for the table engine's tests: opening a table written by the test, and
// catching the engine's error.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/texts.h"
#include "table_bytes_helpers.h"
#include "tables/kv_error.h"
#include "tables/work_area.h"
#include "temp_dir.h"

namespace vantorel::testing {

// The EKvError that operation throws; a test failure (and code -1) when it throws none.
template <typename Operation>
tables::EKvError ErrorOf(Operation&& operation) {
  try {
    operation();
  } catch (const tables::EKvError& error) {
    return error;
  }
  ADD_FAILURE() << "no engine error";
  return tables::EKvError(-1, "");
}

// Writes bytes as dir/name and opens it as a work area.
inline std::unique_ptr<tables::WorkArea> OpenTable(const TempDir& dir, const std::string& name,
                                                   const std::string& bytes,
                                                   tables::OpenOptions options = {}) {
  dir.Write(name, bytes);
  return tables::WorkArea::Open(tables::ParseUseCommand(dir / name), options);
}

// The name the engine shows for dir/name: the full path as the disk spells it (name as it is
// on disk, or as given for a file that does not exist).
inline std::string ShownPath(const TempDir& dir, const std::string& name) { return dir / name; }

}  // namespace vantorel::testing
