// The ADO data driver against the private cluster: reading a query into the in-memory dataset and
// writing its cached changes back with parameterised commands in one transaction.
#include "grid/memtable/memtablevz.h"
#include "grid/memtable/adodatadrivervz.h"
#include "platform/ado/adodb.h"
#include "grid/core/dynvarsvz.h"
#include "platform/db/fields.h"

#include "support/pg_fixture.h"

#include <gtest/gtest.h>

namespace {

class AdoDriverTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists drv_t;"
            "create table drv_t (id int primary key, name text, qty int);"
            "insert into drv_t values (1, 'Иванов', 5), (2, null, null), (3, 'ёлкин Пётр', 7);");
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Drv = NewOwned<TADODataDriverVz>(nullptr);
        Drv->SetADOConnection(Conn.get());
        Drv->SelectCommand()->SetCommandText(u"select id, name, qty from drv_t order by id"_S);
        Drv->UpdateCommand()->SetCommandText(
            u"update drv_t set id = :id, name = :name, qty = :qty where id = :old_id"_S);
        Drv->InsertCommand()->SetCommandText(u"insert into drv_t (id, name, qty) values (:id, :name, :qty)"_S);
        Drv->DeleteCommand()->SetCommandText(u"delete from drv_t where id = :old_id"_S);
        T = NewOwned<TMemTableVz>(nullptr);
        T->SetFetchAllOnOpen(true);
        T->SetDataDriver(Drv.get());
        T->SetCachedUpdates(true);
    }
    void TearDown() override {
        T.reset();
        Drv.reset();
        Conn.reset();
    }
    std::string Rows() {
        return Db().Value("select coalesce(string_agg(id || '|' || coalesce(name, '<null>') || '|' ||"
                          " coalesce(qty::text, '<null>'), ';' order by id), '') from drv_t");
    }
    bool Goto(int Id) { return T->Locate(u"id"_S, Variant(Id), TLocateOptions()); }

    TOwned<TADOConnection> Conn;
    TOwned<TADODataDriverVz> Drv;
    TOwned<TMemTableVz> T;
};

TEST_F(AdoDriverTest, ReadsRowsWithCyrillicAndNulls) {
    T->Open();
    ASSERT_EQ(T->RecordCount(), 3);
    EXPECT_EQ(T->FieldByName(u"name"_S)->AsString(), u"Иванов"_S);
    T->Next();
    EXPECT_TRUE(T->FieldByName(u"name"_S)->IsNull());
    EXPECT_TRUE(T->FieldByName(u"qty"_S)->IsNull());
    T->Next();
    EXPECT_EQ(T->FieldByName(u"name"_S)->AsString(), u"ёлкин Пётр"_S);
    EXPECT_TRUE(Drv->ProviderEOF());
    T->Close();
    T->Open();  // a second open reads afresh
    EXPECT_EQ(T->RecordCount(), 3);
}

TEST_F(AdoDriverTest, FieldsMatchColumnsIgnoringLetterCaseOnEveryReadingPath) {
    Drv->OnBuildDataStruct = [](TDataDriverVz*, TMTDataStructVz* S) {
        S->BuildDataFieldForDef(u"ID"_S, ftInteger, 0, 0);
        S->BuildDataFieldForDef(u"Name"_S, ftWideString, 0, 100);
    };
    for (bool fetchAll : {true, false}) {  // all rows in one block, or one row per call
        T->SetFetchAllOnOpen(fetchAll);
        T->Open();
        T->Last();
        ASSERT_EQ(T->RecordCount(), 3);
        EXPECT_EQ(T->FieldByName(u"ID"_S)->AsInteger(), 3);
        EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"ёлкин Пётр"_S);
        T->Close();
    }
}

TEST_F(AdoDriverTest, WithoutAConnectionNothingIsWritten) {
    T->Open();
    Drv->SetADOConnection(nullptr);
    ASSERT_TRUE(Goto(1));
    T->Delete();
    Drv->OnUpdateError = [](TDataDriverVz*, TMemTableDataVz*, TMemoryRecordVz*, TUpdateErrorActionVz& A) { A = ueaCountinueSkip; };
    EXPECT_EQ(T->ApplyUpdates(-1), 0);
    EXPECT_TRUE(T->HasCachedChanges());
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|7");
}

TEST_F(AdoDriverTest, AppliesEditInsertAndDeleteInOneGo) {
    T->Open();
    ASSERT_TRUE(Goto(2));
    T->Edit();
    T->FieldByName(u"name"_S)->SetAsString(u"Сидорова"_S);
    T->FieldByName(u"id"_S)->SetAsInteger(20);  // the key itself changes: the old one finds the row
    T->Post();
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(4);
    T->FieldByName(u"name"_S)->SetAsString(u"O'Brien'); drop table drv_t;--"_S);
    T->Post();
    ASSERT_TRUE(Goto(3));
    T->Delete();
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|7");  // nothing written yet
    EXPECT_EQ(T->ApplyUpdates(-1), 3);
    EXPECT_FALSE(T->HasCachedChanges());
    EXPECT_EQ(Rows(), "1|Иванов|5;4|O'Brien'); drop table drv_t;--|<null>;20|Сидорова|<null>");
    EXPECT_EQ(Db().Value("select count(*) from pg_tables where tablename = 'drv_t'"), "1");
    EXPECT_FALSE(Conn->InTransaction());
}

TEST_F(AdoDriverTest, ARowGoneOnTheServerIsAnUpdateErrorAndStaysInTheLog) {
    T->Open();
    ASSERT_TRUE(Goto(1));
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(50);
    T->Post();
    ASSERT_TRUE(Goto(2));
    T->Delete();
    ASSERT_TRUE(Goto(3));
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(70);
    T->Post();
    Db().Exec("delete from drv_t where id = 2");  // another client

    // The default: the first failure raises and nothing of the apply is written.
    EXPECT_THROW(T->ApplyUpdates(-1), EDatabaseError);
    EXPECT_EQ(Rows(), "1|Иванов|5;3|ёлкин Пётр|7");
    EXPECT_TRUE(T->HasCachedChanges());

    // Skipping: the others are written, the failing one keeps its change and its error.
    int errors = 0;
    String message;
    Drv->OnUpdateError = [&](TDataDriverVz*, TMemTableDataVz*, TMemoryRecordVz* Rec, TUpdateErrorActionVz& A) {
        ++errors;
        A = ueaCountinueSkip;
        EXPECT_EQ(Rec->UpdateStatus(), usDeleted);
    };
    EXPECT_EQ(T->ApplyUpdates(-1), 2);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(Rows(), "1|Иванов|50;3|ёлкин Пётр|70");
    ASSERT_TRUE(T->HasCachedChanges());
    TObjectListVz* log = T->MemTableData()->RecordsList()->DeltaList();
    ASSERT_EQ(log->Count(), 1);
    auto* rec = static_cast<TMemoryRecordVz*>(log->Items(0));
    EXPECT_EQ(rec->UpdateStatus(), usDeleted);
    ASSERT_NE(rec->UpdateError(), nullptr);
    EXPECT_FALSE(Conn->InTransaction());
}

TEST_F(AdoDriverTest, AChangeWithoutACommandOrAServerErrorIsNotWritten) {
    Drv->DeleteCommand()->SetCommandText(String());
    T->Open();
    ASSERT_TRUE(Goto(1));
    T->Delete();
    ASSERT_TRUE(Goto(2));
    T->Edit();
    T->FieldByName(u"id"_S)->SetAsInteger(3);  // duplicate key: the server refuses
    T->Post();
    std::vector<String> messages;
    Drv->OnUpdateError = [&](TDataDriverVz*, TMemTableDataVz*, TMemoryRecordVz* Rec, TUpdateErrorActionVz& A) {
        A = ueaCountinueSkip;
        (void)Rec;
    };
    EXPECT_EQ(T->ApplyUpdates(-1), 0);
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|7");
    TObjectListVz* log = T->MemTableData()->RecordsList()->DeltaList();
    ASSERT_EQ(log->Count(), 2);
    for (int i = 0; i < 2; ++i) {
        auto* rec = static_cast<TMemoryRecordVz*>(log->Items(i));
        ASSERT_NE(rec->UpdateError(), nullptr);
        messages.push_back(rec->UpdateError()->ExceptionObject()->Message());
    }
    EXPECT_TRUE(messages[0].contains(u"deleted"_S)) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains(u"drv_t_pkey"_S)) << messages[1].toStdString();  // the server's own words
    // Retrying after the cause is gone writes the record once.
    Drv->DeleteCommand()->SetCommandText(u"delete from drv_t where id = :old_id"_S);
    int calls = 0;
    Drv->OnUpdateError = [&](TDataDriverVz*, TMemTableDataVz*, TMemoryRecordVz*, TUpdateErrorActionVz& A) {
        ++calls;
        Db().Exec("update drv_t set id = 30 where id = 3");
        A = calls == 1 ? ueaRetryVz : ueaCountinueSkip;
    };
    EXPECT_EQ(T->ApplyUpdates(-1), 2);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(T->HasCachedChanges());
    EXPECT_EQ(Rows(), "3|<null>|<null>;30|ёлкин Пётр|7");
}

TEST_F(AdoDriverTest, GeneratedStatementsQuoteNamesBindValuesAndNeedKeys) {
    for (TCustomSQLCommandVz* c : {Drv->UpdateCommand(), Drv->InsertCommand(), Drv->DeleteCommand()})
        c->SetCommandText(String());
    TDynaSQLParamsVz* d = Drv->DynaSQLParams();
    d->UpdateTable = u"drv_t"_S;
    d->UpdateFields = u"name,qty"_S;
    d->Options = TDynaSQLOptionsVz{dsoDynamicSQLInsertVz, dsoDynamicSQLUpdateVz, dsoDynamicSQLDeleteVz};
    T->Open();
    ASSERT_TRUE(Goto(1));
    T->Edit();
    T->FieldByName(u"name"_S)->SetAsString(u"Петров"_S);
    T->Post();
    ASSERT_TRUE(Goto(2));
    T->Delete();

    // Without key fields nothing is generated and nothing changes.
    EXPECT_THROW(T->ApplyUpdates(-1), EDatabaseError);
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|7");
    EXPECT_TRUE(T->HasCachedChanges());

    d->KeyFields = u"id"_S;
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(4);
    T->FieldByName(u"name"_S)->SetAsString(u"O'Brien'); drop table drv_t;--"_S);
    T->Post();
    EXPECT_EQ(T->ApplyUpdates(-1), 3);
    EXPECT_EQ(Rows(), "1|Петров|5;3|ёлкин Пётр|7;4|O'Brien'); drop table drv_t;--|<null>");

    // The statement as generated: quoted names, bound values.
    T->Last();
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(9);
    T->Post();
    auto* rec = static_cast<TMemoryRecordVz*>(T->MemTableData()->RecordsList()->DeltaList()->Items(0));
    Drv->GenerateDynamicSQLCommand(rec, Drv->ServiceCommand());
    EXPECT_EQ(Drv->ServiceCommand()->CommandText(),
              u"update \"drv_t\"\nset\n \"name\" = :name,\n \"qty\" = :qty\nwhere\n \"id\" = :OLD_id"_S);
    // A name that is not a plain identifier never reaches SQL.
    d->UpdateTable = u"drv_t; drop table drv_t"_S;
    EXPECT_THROW(Drv->GenerateDynamicSQLCommand(rec, Drv->ServiceCommand()), EDatabaseError);
    d->UpdateTable = u"public.drv_t"_S;
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(Db().Value("select qty from drv_t where id = 4"), "9");
}

TEST(SqlMacros, SubstituteEveryOccurrenceOnceAndCaseSensitively) {
    struct Case {
        const char16_t* Text;
        const char16_t* Name;
        const char16_t* Value;
        const char16_t* Result;
    };
    const Case cases[] = {
        {u"a %M% b %M%", u"%M%", u"x", u"a x b x"},
        {u"%M%%M%", u"%M%", u"%M%!", u"%M%!%M%!"},  // the inserted value is not searched again
        {u"a %m% b", u"%M%", u"x", u"a %m% b"},      // other letter case stays
        {u"ends %M%", u"%M%", u"", u"ends "},
        {u"x%M%y%", u"%M%", u"1", u"x1y%"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SubstituteMacro(QString::fromUtf16(c.Text), QString::fromUtf16(c.Name), QString::fromUtf16(c.Value)), QString::fromUtf16(c.Result))
            << QString::fromUtf16(c.Text).toStdString();
}

TEST(SqlMacros, FinalTextAppliesSpecialMacrosOnlyWhenUsed) {
    auto drv = NewOwned<TADODataDriverVz>(nullptr);
    TCustomSQLCommandVz* sel = drv->SelectCommand();
    sel->SetCommandText(u"select * from t %Filter% %SortOrder% -- %Tab%"_S);
    drv->MacroVars()->Macros()->CreateDynVar(u"%Tab%"_S, u"t2 %Tab%"_S);
    drv->ApplyOrderByText(u"name desc, id"_S);
    EXPECT_EQ(sel->FinalCommandText(), u"select * from t %Filter% %SortOrder% -- t2 %Tab%"_S);
    drv->MacroVars()->SpecMacrosUsages.Include(smuUseSortOrderMacroVz);
    EXPECT_EQ(sel->FinalCommandText(), u"select * from t %Filter% ORDER BY \"name\" desc, \"id\" -- t2 %Tab%"_S);
    drv->ApplyOrderByText(String());
    EXPECT_EQ(sel->FinalCommandText(), u"select * from t %Filter%  -- t2 %Tab%"_S);
    for (const char16_t* bad : {u"name; drop table t", u"name desc nulls", u"1", u"name sideways"})
        EXPECT_THROW(drv->ApplyOrderByText(QString::fromUtf16(bad)), EDatabaseError) << QString::fromUtf16(bad).toStdString();
}

TEST_F(AdoDriverTest, TheSortOrderMacroReachesTheServer) {
    Drv->SelectCommand()->SetCommandText(u"select id, name, qty from drv_t %SortOrder%"_S);
    Drv->MacroVars()->SpecMacrosUsages.Include(smuUseSortOrderMacroVz);
    Drv->ApplyOrderByText(u"id desc"_S);
    T->Open();
    ASSERT_EQ(T->RecordCount(), 3);
    EXPECT_EQ(T->FieldByName(u"id"_S)->AsInteger(), 3);
}

TEST_F(AdoDriverTest, RefreshingARecordReadsTheServersRow) {
    Drv->GetrecCommand()->SetCommandText(u"select id, name, qty from drv_t where id = :OLD_id"_S);
    T->Open();
    ASSERT_TRUE(Goto(1));
    Db().Exec("update drv_t set name = 'Обновлён', qty = null where id = 1");
    T->RefreshRecord();
    EXPECT_EQ(T->FieldByName(u"name"_S)->AsString(), u"Обновлён"_S);
    EXPECT_TRUE(T->FieldByName(u"qty"_S)->IsNull());
    EXPECT_FALSE(T->HasCachedChanges());
    Db().Exec("delete from drv_t where id = 1");
    try {
        T->RefreshRecord();
        ADD_FAILURE() << "a vanished row refreshed";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"There are no fresh record on server"_S);
    }
}

// Key and update field names written in another case than the server's columns (which the
// dataset's fields spell as the server does) reach the server as it spells them.
TEST_F(AdoDriverTest, GeneratedStatementsSpellNamesAsTheFields) {
    for (TCustomSQLCommandVz* c : {Drv->UpdateCommand(), Drv->InsertCommand(), Drv->DeleteCommand()})
        c->SetCommandText(String());
    TDynaSQLParamsVz* d = Drv->DynaSQLParams();
    d->UpdateTable = u"drv_t"_S;
    d->UpdateFields = u"NAME,Qty"_S;
    d->KeyFields = u"ID"_S;
    d->Options = TDynaSQLOptionsVz{dsoDynamicSQLInsertVz, dsoDynamicSQLUpdateVz, dsoDynamicSQLDeleteVz};
    T->Open();
    ASSERT_TRUE(Goto(1));
    T->Edit();
    T->FieldByName(u"name"_S)->SetAsString(u"Петров"_S);
    T->Post();
    auto* rec = static_cast<TMemoryRecordVz*>(T->MemTableData()->RecordsList()->DeltaList()->Items(0));
    Drv->GenerateDynamicSQLCommand(rec, Drv->ServiceCommand());
    EXPECT_EQ(Drv->ServiceCommand()->CommandText(),
              u"update \"drv_t\"\nset\n \"name\" = :name,\n \"qty\" = :qty\nwhere\n \"id\" = :OLD_id"_S);
    ASSERT_TRUE(Goto(2));
    T->Delete();
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(4);
    T->FieldByName(u"qty"_S)->SetAsInteger(1);
    T->Post();
    EXPECT_EQ(T->ApplyUpdates(-1), 3);
    EXPECT_EQ(Rows(), "1|Петров|5;3|ёлкин Пётр|7;4|<null>|1");
}

// An apply is all or nothing on every path: here the driver resolves into its provider dataset
// (an ADO query) and the last change fails on the server, so none of the changes before it stay,
// and the provider dataset shows the server's rows again.
TEST_F(AdoDriverTest, AFailedApplyIntoTheProviderDataSetLeavesNothingWritten) {
    auto q = NewOwned<TADOQuery>(nullptr);
    q->SetConnection(Conn.get());
    q->SQL()->SetText(u"select id, name, qty from drv_t order by id"_S);
    auto base = NewOwned<TDataDriverVz>(nullptr);
    base->SetProviderDataSet(q.get());
    base->SetKeyFields(u"id"_S);
    T->SetDataDriver(base.get());
    T->Open();
    ASSERT_TRUE(Goto(3));
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(8);
    T->Post();
    ASSERT_TRUE(Goto(2));
    T->Delete();
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(1);  // the server's key: refused
    T->Post();
    EXPECT_THROW(T->ApplyUpdates(-1), EDatabaseError);
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|7");
    EXPECT_EQ(T->MemTableData()->RecordsList()->DeltaList()->Count(), 3);
    EXPECT_FALSE(Conn->InTransaction());
    ASSERT_TRUE(q->Locate(u"id"_S, Variant(3), {}));
    EXPECT_EQ(q->FieldByName(u"qty"_S)->AsInteger(), 7);
    EXPECT_EQ(q->RecordCount(), 3);
    // Without the failing record the rest goes through.
    T->Last();
    T->Delete();
    EXPECT_EQ(T->ApplyUpdates(-1), 2);
    EXPECT_EQ(Rows(), "1|Иванов|5;3|ёлкин Пётр|8");
    T->SetDataDriver(nullptr);
}

TEST_F(AdoDriverTest, TheBaseDriverReadsAndResolvesIntoItsProviderDataSet) {
    auto q = NewOwned<TADOQuery>(nullptr);
    q->SetConnection(Conn.get());
    q->SQL()->SetText(u"select id, name, qty from drv_t order by id"_S);
    auto base = NewOwned<TDataDriverVz>(nullptr);
    base->SetProviderDataSet(q.get());
    base->SetKeyFields(u"id"_S);
    T->SetDataDriver(base.get());
    T->Open();
    ASSERT_EQ(T->RecordCount(), 3);
    ASSERT_TRUE(Goto(3));
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(8);
    T->Post();
    ASSERT_TRUE(Goto(1));
    T->Delete();
    EXPECT_EQ(T->ApplyUpdates(-1), 2);
    EXPECT_EQ(Rows(), "2|<null>|<null>;3|ёлкин Пётр|8");

    // A record the provider no longer holds is an update error, not a silent success.
    ASSERT_TRUE(Goto(2));
    T->Delete();
    q->Close();
    q->SQL()->SetText(u"select id, name, qty from drv_t where id <> 2 order by id"_S);
    q->Open();
    TUpdateErrorActionVz answer = ueaCountinueSkip;
    base->OnUpdateError = [&](TDataDriverVz*, TMemTableDataVz*, TMemoryRecordVz*, TUpdateErrorActionVz& A) { A = answer; };
    EXPECT_EQ(T->ApplyUpdates(-1), 0);
    EXPECT_TRUE(T->HasCachedChanges());
    EXPECT_EQ(Rows(), "2|<null>|<null>;3|ёлкин Пётр|8");
    T->SetDataDriver(nullptr);
}

}  // namespace
