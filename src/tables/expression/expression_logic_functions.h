// The logic and record functions of the expression language: IIF, which chooses between two
// character values, and DELETED and RECNO, which describe the record being evaluated.
#pragma once

#include "tables/expression/expression_functions.h"

namespace vantorel::tables {

// IIF(l, a, b): a when l is true, else b.
void Iif(const FunctionCall& call);

// DELETED(): true when the record's deletion flag is "*".
void Deleted(const FunctionCall& call);

// RECNO(): the record number the evaluation was given.
void Recno(const FunctionCall& call);

}  // namespace vantorel::tables
