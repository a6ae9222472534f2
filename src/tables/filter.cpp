#include "tables/filter.h"

#include <memory>

#include "core/texts.h"
#include "tables/expression/expression_parser.h"

namespace vantorel::tables {

void SetFilterTo(WorkArea& area, std::string_view expression) {
  area.SetFilter(nullptr);
  const std::string text = core::RightTrim(expression);
  if (text.empty()) return;
  auto filter = std::make_shared<ParsedExpression>(AssignExpr(text, area.Fields(), area.Alias()));
  area.SetFilter([filter, &area](const char* record) {
    return filter->IsTrue(record, static_cast<std::uint32_t>(area.RecNo()));
  });
}

}  // namespace vantorel::tables
