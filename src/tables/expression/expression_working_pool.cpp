#include "tables/expression/expression_working_pool.h"

#include "tables/kv_error.h"

namespace vantorel::tables {

namespace {

constexpr int kWorkingPoolOverflowCode = 354;

}  // namespace

void WorkingPool::Overflow() {
  throw EKvError(kWorkingPoolOverflowCode, "Working pool overflow [PARSER/Allocate]");
}

}  // namespace vantorel::tables
