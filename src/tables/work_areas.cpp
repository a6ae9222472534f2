#include "tables/work_areas.h"

#include <string>

#include "tables/kv_error.h"

namespace vantorel::tables {

int WorkAreas::Select(int number) {
  if (number == 0) {
    for (int i = 0; i < kCount; ++i) {
      if (!areas_[static_cast<std::size_t>(i)]) {
        selected_ = i + 1;
        return selected_;
      }
    }
    throw EKvError(220, "No free workarea available [Select(0)]");
  }
  if (number < 0 || number > kCount)
    throw EKvError(220, "Invalid work area number [Select(" + std::to_string(number) + ")]");
  selected_ = number;
  return selected_;
}

WorkArea& WorkAreas::Use(std::string_view command_text, const OpenOptions& options) {
  const UseCommand command = ParseUseCommand(command_text);
  for (int i = 0; i < kCount; ++i) {
    const auto& area = areas_[static_cast<std::size_t>(i)];
    if (i + 1 != selected_ && area && area->Alias() == command.alias)
      throw EKvError(220, "Alias name \"" + command.alias + "\" already in use. [USE]");
  }
  auto& slot = areas_[static_cast<std::size_t>(selected_ - 1)];
  slot.reset();
  slot = WorkArea::Open(command, options);
  return *slot;
}

void WorkAreas::Close() { areas_[static_cast<std::size_t>(selected_ - 1)].reset(); }

WorkArea& WorkAreas::Current(std::string_view operation) {
  WorkArea* area = At(selected_);
  if (!area)
    throw EKvError(215, "No database in use [" + std::string(operation) + "]  WorkArea = " +
                            std::to_string(selected_));
  return *area;
}

WorkArea* WorkAreas::At(int number) const {
  if (number < 1 || number > kCount) return nullptr;
  return areas_[static_cast<std::size_t>(number - 1)].get();
}

WorkAreas& ProcessWorkAreas() {
  static WorkAreas areas;
  return areas;
}

}  // namespace vantorel::tables
