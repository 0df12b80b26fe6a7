#include "app/dirstore.h"

#include "app/datamodule.h"
#include "app/daycell.h"
#include "app/sqlrun.h"

namespace {

TADOConnection* Db() { return DataModule6->ADO_DB; }

// Upper case by the locale-aware rules, as the duplicate checks compare names.
String Upper(const String& Text) { return Text.toUpper(); }

// Whether another row holds what is about to be stored. Runs inside the write's transaction,
// after the lock named LockName is taken, so a second client storing the same value waits for the
// first one's commit and then finds its row; nothing is asked of the user in between.
bool TakenUnderLock(TADOConnection* Connection, const String& LockName, const String& CountSql,
                    const TSqlValues& Values) {
    LockForTransaction(Connection, LockName);
    return SqlSelectValue(Connection, CountSql, Values).AsInteger() > 0;
}

}  // namespace

// ---- operation kinds ---------------------------------------------------------------------------

bool SaveOperationKind(TADOConnection* Connection, int Id, const String& Name) {
    TTransactionScope transaction(Connection);
    if (TakenUnderLock(Connection, QStringLiteral("accounts_dep.vid_oper|") + Upper(Name),
                       QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)=:vid and id<>:id"),
                       {{QStringLiteral("vid"), Upper(Name)}, {QStringLiteral("id"), Id}}))
        return false;
    if (Id == 0)
        SqlExecute(Connection, QStringLiteral("insert into accounts_dep.vid_oper(vid) values (:vid)"),
                   {{QStringLiteral("vid"), Name}});
    else
        SqlExecute(Connection, QStringLiteral("update accounts_dep.vid_oper set vid=:vid where id=:id"),
                   {{QStringLiteral("vid"), Name}, {QStringLiteral("id"), Id}});
    transaction.Commit();
    return true;
}

bool DeleteOperationKind(int Id) {
    TTransactionScope transaction(Db());
    // the operations priced for the kind would lose it, and their production records every list
    if (SqlSelectValue(Db(), QStringLiteral("select count(*) from accounts_dep.oper where vid=:id"),
                       {{QStringLiteral("id"), Id}})
            .AsInteger() > 0)
        return false;
    SqlExecute(Db(), QStringLiteral("delete from accounts_dep.vid_oper where id=:id"), {{QStringLiteral("id"), Id}});
    transaction.Commit();
    return true;
}

// ---- products ----------------------------------------------------------------------------------

bool SaveProduct(TADOConnection* Connection, int Id, const String& Mark, double Massa, const Variant& GroupId) {
    TTransactionScope transaction(Connection);
    if (TakenUnderLock(Connection, QStringLiteral("cmn_gds_and_srv.gds_and_srv|") + Upper(Mark),
                       QStringLiteral("select count(*) as cnt from accounts_dep.izdel where upper(marka)=:marka and id<>:id"),
                       {{QStringLiteral("marka"), Upper(Mark)}, {QStringLiteral("id"), Id}}))
        return false;
    TSqlValues values{{QStringLiteral("marka"), Mark}, {QStringLiteral("massa"), Massa}, {QStringLiteral("grp"), GroupId}};
    const TSqlTypes types{{QStringLiteral("massa"), ftFloat}, {QStringLiteral("grp"), ftInteger}};
    if (Id == 0) {
        SqlExecute(Connection,
                   QStringLiteral("INSERT INTO cmn_gds_and_srv.gds_and_srv(s_caption, s_description, id_msm_bs, massa, "
                                  "id_class_item)VALUES(:marka, '', 6, :massa, :grp)"),
                   values, types);
    } else {
        values.push_back({QStringLiteral("id"), Id});
        SqlExecute(Connection,
                   QStringLiteral("UPDATE cmn_gds_and_srv.gds_and_srv SET s_caption=:marka, s_description='', "
                                  "id_msm_bs=6, massa=:massa, id_class_item=:grp where id=:id"),
                   values, types);
    }
    transaction.Commit();
    return true;
}

TProductUse ProductUse(int Id, TDateTime StartDate) {
    TProductUse use;
    use.Records = SqlSelectValue(Db(),
                                 QStringLiteral("select count(*) as cnt from accounts_dep.smena s where s.i_id =:id_ii "
                                                "and s.\"data\">=:dt"),
                                 {{QStringLiteral("id_ii"), Id}, {QStringLiteral("dt"), VarFromDateTime(StartDate)}})
                      .AsInteger();
    use.Operations = SqlSelectValue(Db(), QStringLiteral("select count(*) as cnt from accounts_dep.oper o where o.i_id =:id_ii"),
                                    {{QStringLiteral("id_ii"), Id}})
                         .AsInteger();
    return use;
}

void DeleteProductParts(int Id, bool Operations, bool Records, bool Product) {
    TTransactionScope transaction(Db());
    const TSqlValues id{{QStringLiteral("id"), Id}};
    if (Operations) SqlExecute(Db(), QStringLiteral("delete from accounts_dep.oper o where o.i_id =:id"), id);
    if (Records) {
        // the records' helper rows and the day cells they filled go with them
        SqlExecute(Db(),
                   QStringLiteral("delete from accounts_dep.person_temp where id_smena in "
                                  "(select s.id from accounts_dep.smena s where s.i_id =:id)"),
                   id);
        TADOQuery* q = New<TADOQuery>(nullptr);
        std::vector<TDayCell> cells;
        try {
            q->SetConnection(Db());
            q->SQL()->SetText(QStringLiteral(
                "delete from accounts_dep.smena s where s.i_id =:id returning s.w_id, s.smena, s.\"data\""));
            BindSqlValues(q->Parameters(), id);
            q->Open();
            for (q->First(); !q->Eof(); q->Next()) {
                const Variant w = q->Fields()->Fields(0)->AsVariant();
                const Variant s = q->Fields()->Fields(1)->AsVariant();
                const Variant d = q->Fields()->Fields(2)->AsVariant();
                if (!VarIsNull(w) && !VarIsNull(s) && !VarIsNull(d))
                    cells.push_back(ProductionDayCell(w.AsInteger(), s.AsInteger(), VarToDateTime(d)));
            }
            q->Close();
        } catch (...) {
            q->Free();
            throw;
        }
        q->Free();
        RecomputeDayCells(Db(), std::move(cells));
    }
    if (Product) SqlExecute(Db(), QStringLiteral("delete from cmn_gds_and_srv.gds_and_srv  where id=:id"), id);
    transaction.Commit();
}

// ---- nomenclature groups -----------------------------------------------------------------------

void SaveGroup(int Id, const String& Caption, bool Excluded) {
    TTransactionScope transaction(Db());
    TSqlValues values{{QStringLiteral("cap"), Caption}, {QStringLiteral("excl"), Excluded ? 1 : 0}};
    if (Id == 0) {
        SqlExecute(Db(), QStringLiteral("INSERT INTO cmn_classifier.item(s_caption, b_excluded) VALUES(:cap, :excl)"),
                   values);
    } else {
        values.push_back({QStringLiteral("id"), Id});
        SqlExecute(Db(), QStringLiteral("UPDATE cmn_classifier.item SET s_caption=:cap, b_excluded=:excl where id=:id"),
                   values);
    }
    transaction.Commit();
}

TGroupUse GroupUse(int Id) {
    const std::vector<Variant> row = SqlSelectRow(
        Db(),
        QStringLiteral("select (select count(gds.*) cnt_gds from cmn_gds_and_srv.gds_and_srv gds where "
                       "gds.id_class_item = :id_nom3),\n"
                       "(select count(f.*) cnt_f from accounts_dep.fatigue f where f.id_nom = :id_nom1),\n"
                       "(select count(s.*) cnt_s from accounts_dep.smena s,cmn_gds_and_srv.gds_and_srv gds where "
                       "gds.id = s.i_id and gds.id_class_item = :id_nom2)"),
        {{QStringLiteral("id_nom1"), Id}, {QStringLiteral("id_nom2"), Id}, {QStringLiteral("id_nom3"), Id}});
    TGroupUse use;
    if (row.size() == 3) {
        use.Products = row[0].AsInteger();
        use.Auxiliary = row[1].AsInteger();
        use.Records = row[2].AsInteger();
    }
    return use;
}

void DeleteGroup(int Id) {
    TTransactionScope transaction(Db());
    SqlExecute(Db(), QStringLiteral("DELETE FROM cmn_classifier.item WHERE id=:id"), {{QStringLiteral("id"), Id}});
    transaction.Commit();
}

// ---- operations --------------------------------------------------------------------------------

bool SaveOperation(TADOConnection* Connection, int Id, int KindId, int Naimen, int ProductId) {
    TTransactionScope transaction(Connection);
    TSqlValues values{{QStringLiteral("vid"), KindId}, {QStringLiteral("naimen"), Naimen}, {QStringLiteral("i_id"), ProductId}};
    const TSqlTypes types{{QStringLiteral("naimen"), ftSmallint}};
    TSqlValues check = values;
    check.push_back({QStringLiteral("id"), Id});
    if (TakenUnderLock(Connection, QStringLiteral("accounts_dep.oper|vid=%1|naimen=%2|i_id=%3").arg(KindId).arg(Naimen).arg(ProductId),
                       QStringLiteral("select count(*) as cnt from accounts_dep.OPER where vid=:vid and naimen=:naimen "
                                      "and i_id=:i_id and id<>:id"),
                       check))
        return false;
    if (Id != 0) values.push_back({QStringLiteral("id"), Id});
    if (Id == 0)
        SqlExecute(Connection,
                   QStringLiteral("insert into accounts_dep.oper(vid, naimen, i_id, cena_new)values (:vid, :naimen, :i_id, 0)"),
                   values, types);
    else
        SqlExecute(Connection, QStringLiteral("update accounts_dep.oper set vid=:vid, naimen=:naimen,  i_id=:i_id where id=:id"),
                   values, types);
    transaction.Commit();
    return true;
}

bool DeleteOperation(int Id) {
    TTransactionScope transaction(Db());
    // production records of the operation would vanish from every list
    if (SqlSelectValue(Db(), QStringLiteral("select count(*) from accounts_dep.smena where o_id=:id"),
                       {{QStringLiteral("id"), Id}})
            .AsInteger() > 0)
        return false;
    TADOCommand* del = DataModule6->Oper_del;
    del->Parameters()->ParamByName(QStringLiteral("id"))->SetValue(Id);
    int rows = 0;
    del->Execute(rows);
    transaction.Commit();
    return true;
}
