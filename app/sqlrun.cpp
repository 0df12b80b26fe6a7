#include "app/sqlrun.h"

#include "platform/gui/stdctrls.h"

#include <memory>

void BindSqlValues(TParameters* Parameters, const TSqlValues& Values, const TSqlTypes& Types) {
    for (const auto& [name, value] : Values) {
        TParameter* p = Parameters->ParamByName(name);
        if (VarType(value) == varDate) p->SetDataType(ftDate);
        for (const auto& [typed, type] : Types)
            if (typed.compare(name, Qt::CaseInsensitive) == 0) p->SetDataType(type);
        p->SetValue(value);
    }
}

Variant SqlSelectValue(TADOConnection* Connection, const String& Sql, const TSqlValues& Values,
                       const TSqlTypes& Types) {
    const std::vector<Variant> row = SqlSelectRow(Connection, Sql, Values, Types);
    return row.empty() ? Null() : row.front();
}

std::vector<Variant> SqlSelectRow(TADOConnection* Connection, const String& Sql, const TSqlValues& Values,
                                  const TSqlTypes& Types) {
    TOwned<TADOQuery> q(New<TADOQuery>(nullptr));
    q->SetConnection(Connection);
    q->SQL()->SetText(Sql);
    BindSqlValues(q->Parameters(), Values, Types);
    q->Open();
    std::vector<Variant> row;
    if (!q->IsEmpty())
        for (int i = 0; i < q->Fields()->Count(); ++i) row.push_back(q->Fields()->Fields(i)->AsVariant());
    q->Close();
    return row;
}

int SqlExecute(TADOConnection* Connection, const String& Sql, const TSqlValues& Values, const TSqlTypes& Types) {
    TOwned<TADOCommand> c(New<TADOCommand>(nullptr));
    c->SetConnection(Connection);
    c->SetCommandText(Sql);
    BindSqlValues(c->Parameters(), Values, Types);
    int rows = 0;
    c->Execute(rows);
    return rows;
}

int ColumnMaxLength(TADOConnection* Connection, const String& Table, const String& Column) {
    const int dot = static_cast<int>(Table.indexOf(u'.'));
    const Variant n = SqlSelectValue(Connection,
                                     QStringLiteral("select character_maximum_length from information_schema.columns "
                                                    "where table_schema=:s and table_name=:t and column_name=:c"),
                                     {{QStringLiteral("s"), Table.left(dot).toLower()},
                                      {QStringLiteral("t"), Table.mid(dot + 1).toLower()},
                                      {QStringLiteral("c"), Column.toLower()}});
    return VarIsNull(n) || VarIsEmpty(n) ? 0 : n.AsInteger();
}

void LimitToColumn(TEdit* Edit, TADOConnection* Connection, const String& Table, const String& Column) {
    Edit->SetMaxLength(ColumnMaxLength(Connection, Table, Column));
}
