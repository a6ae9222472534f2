// The engine's numbered work areas (1..33). A caller selects a work area by number before
// every operation; the dataset takes the first free one when it opens its table.
#pragma once

#include <array>
#include <memory>
#include <string_view>

#include "tables/work_area.h"

namespace vantorel::tables {

class WorkAreas {
 public:
  static constexpr int kCount = 33;

  WorkAreas() = default;
  WorkAreas(const WorkAreas&) = delete;
  WorkAreas& operator=(const WorkAreas&) = delete;

  // Selects work area number (1..33); 0 selects the first free one. Returns the number now
  // selected. Error 220: "No free workarea available [Select(0)]" when all are in use,
  // "Invalid work area number [Select(" + number + ")]" outside 0..33.
  int Select(int number);
  int Selected() const { return selected_; }

  // "USE": opens the table the command text names in the selected work area (closing the
  // table it held). Error 220 when the alias is in use by another work area:
  // "Alias name \"" + alias + "\" already in use. [USE]". Other errors as WorkArea::Open.
  WorkArea& Use(std::string_view command_text, const OpenOptions& options);

  // Closes the table of the selected work area (nothing when it holds none).
  void Close();

  // The table of the selected work area. Error 215
  // "No database in use [" + operation + "]  WorkArea = " + number when it holds none.
  WorkArea& Current(std::string_view operation);

  // The table in work area number, or null.
  WorkArea* At(int number) const;

 private:
  std::array<std::unique_ptr<WorkArea>, kCount> areas_;  // index = number - 1
  int selected_ = 1;                                     // the selected work area
};

// The process's work areas, shared by every dataset of the program.
WorkAreas& ProcessWorkAreas();

}  // namespace vantorel::tables
