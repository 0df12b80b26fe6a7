// Statements run with bound values on a connection, each through a dataset or command of its own
// (the shared ones of the data module keep their state for their own callers).
#pragma once

#include "app/datamodule.h"

#include <utility>

class TEdit;
#include <vector>

using TSqlValues = TSqlParams;
// Types for parameters whose value does not say it (a Null, a small integer column).
using TSqlTypes = std::vector<std::pair<String, TFieldType>>;

// A date-time value binds as a date (the client's statements pass days), every other value by its
// kind, unless Types names the parameter.
void BindSqlValues(TParameters* Parameters, const TSqlValues& Values, const TSqlTypes& Types = {});

// The first column of the first row of a select (Null when it returns no row).
Variant SqlSelectValue(TADOConnection* Connection, const String& Sql, const TSqlValues& Values = {},
                       const TSqlTypes& Types = {});
// The columns of the first row of a select (empty when it returns no row).
std::vector<Variant> SqlSelectRow(TADOConnection* Connection, const String& Sql, const TSqlValues& Values = {},
                                  const TSqlTypes& Types = {});
// The declared length of a text column of Table ("schema.table"); 0 when it has none.
int ColumnMaxLength(TADOConnection* Connection, const String& Table, const String& Column);
// Lets Edit take no more characters than the column its text is stored in holds (a longer text
// would only be refused by the server when saved).
void LimitToColumn(TEdit* Edit, TADOConnection* Connection, const String& Table, const String& Column);

// Runs a statement; returns the rows it touched.
int SqlExecute(TADOConnection* Connection, const String& Sql, const TSqlValues& Values = {},
               const TSqlTypes& Types = {});
