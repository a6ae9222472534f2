#include "tables/expression/expression_logic_functions.h"

#include <cstring>

namespace vantorel::tables {

void Iif(const FunctionCall& call) {
  StackSlot* const arguments = call.arguments;
  if (arguments[0].number == 0.0) {
    // b moves down to where a starts, the place of IIF's character result.
    const StackSlot chosen = arguments[2];
    std::memmove(call.pool.BytesOf(arguments[1]), call.pool.BytesOf(chosen), chosen.length);
    call.pool.SetText(call.Result(), arguments[1].position, chosen.length);
  } else {
    const StackSlot chosen = arguments[1];
    call.pool.SetText(call.Result(), chosen.position, chosen.length);
  }
}

void Deleted(const FunctionCall& call) { call.Result().number = call.record[0] == '*' ? 1.0 : 0.0; }

void Recno(const FunctionCall& call) { call.Result().number = call.record_number; }

}  // namespace vantorel::tables
