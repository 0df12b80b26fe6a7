// SQL drivers beyond the ADO driver's own connection: filters sent as generated SQL, the plain
// SQL driver through an ADO connection provider, the inline connection, server types and the
// PostgreSQL key reading, the process-wide resolver, and generated statements' layout.
#include "grid/memtable/adodatadrivervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/db/params.h"
#include "platform/rtl/lists.h"

#include "support/pg_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(SqlFilter, FilterTextBecomesQuotedNamesAndBoundValues) {
    struct Case {
        const char16_t* Filter;
        const char16_t* Sql;
        std::vector<Variant> Values;
    };
    const Case cases[] = {
        {u"name = 'x' and qty > 5", u"((\"name\" = :FILTER_VALUE_1) AND (\"qty\" > :FILTER_VALUE_2))", {Variant(u"x"_S), Variant(5)}},
        {u"not (qty <= 1) or name is null", u"((NOT (\"qty\" <= :FILTER_VALUE_1)) OR (\"name\" IS NULL))", {Variant(1)}},
        {u"name = 'Ив_%*'", u"(\"name\" LIKE :FILTER_VALUE_1)", {Variant(u"Ив\\_\\%%"_S)}},
        {u"id in (1, 2) and upper(name) like 'A%'",
         u"((\"id\" IN (:FILTER_VALUE_1, :FILTER_VALUE_2)) AND (upper(\"name\") LIKE :FILTER_VALUE_3))",
         {Variant(1), Variant(2), Variant(u"A%"_S)}},
        {u"year(d) = 2024 and name <> null", u"((extract(year from \"d\") = :FILTER_VALUE_1) AND (\"name\" IS NOT NULL))", {Variant(2024)}},
        {u"name = 'O''Brien''); drop table t;--'", u"(\"name\" = :FILTER_VALUE_1)", {Variant(u"O'Brien'); drop table t;--"_S)}},
    };
    for (const Case& c : cases) {
        std::vector<TMacroParamVz> params;
        EXPECT_EQ(FilterTextToSQL(QString::fromUtf16(c.Filter), params), QString::fromUtf16(c.Sql))
            << QString::fromUtf16(c.Filter).toStdString();
        ASSERT_EQ(params.size(), c.Values.size()) << QString::fromUtf16(c.Filter).toStdString();
        for (size_t i = 0; i < params.size(); ++i) EXPECT_EQ(params[i].second.AsString(), c.Values[i].AsString());
    }
    for (const char16_t* bad : {u"[na\"me] = 1", u"name = ", u"foo(name) = 1", u"name = 'x'; drop table t"}) {
        std::vector<TMacroParamVz> params;
        EXPECT_THROW(FilterTextToSQL(QString::fromUtf16(bad), params), EDatabaseError) << QString::fromUtf16(bad).toStdString();
    }
}

TEST(SqlServerTypes, RegistryNamesTypesIgnoringCase) {
    const QStringList names{u"AnsiServer"_S, u"Oracle"_S, u"MSSQL"_S, u"Interbase"_S, u"Infromix"_S,
                            u"DB2"_S, u"Sybase"_S, u"MSAccess"_S, u"PostgreSQL"_S};
    ASSERT_EQ(TConnectionProviderVz::ServerTypesCount(), names.size());
    for (int i = 0; i < names.size(); ++i) EXPECT_EQ(TConnectionProviderVz::ServerTypes(i), names[i]);
    auto p = NewOwned<TConnectionProviderVz>(nullptr);
    EXPECT_EQ(p->ServerType(), String());
    p->SetServerType(u"postgresql"_S);
    EXPECT_EQ(p->ServerType(), u"PostgreSQL"_S);
    EXPECT_NE(dynamic_cast<TPostgreSQLSpecOperationsVz*>(p->ServerSpecOperations()), nullptr);
    p->SetServerType(u"oracle"_S);
    EXPECT_EQ(p->ServerType(), u"Oracle"_S);
    try {
        p->SetServerType(u"Informix"_S);
        ADD_FAILURE() << "an unknown server type was taken";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"Server type w ith name \"Informix\" does not exist."_S);
    }
    EXPECT_EQ(p->ServerSpecOperations(), nullptr);
    try {
        RegisterServerSpecOperationsClass<TServerSpecOperationsVz>();
        ADD_FAILURE() << "a server type was registered twice";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"Server type w ith name: \"AnsiServer\" is already registered"_S);
    }
}

// Each server type's operations for an inserted record: the key queries they run around the
// insert (texts as each server wants them) and the value they put into the key field. The
// provider answers every query with 77 and records what ran.
TEST(SqlServerTypes, KeyQueriesOfEveryServerType) {
    auto answer = NewOwned<TMemTableVz>(nullptr);
    answer->FieldDefs()->Add(u"v"_S, ftInteger);
    answer->CreateDataSet();
    answer->AppendRecord({Variant(77)});
    auto prov = NewOwned<TConnectionProviderVz>(nullptr);
    std::vector<String> ran;
    prov->OnExecuteCommand = [&](TCustomSQLDataDriverVz*, TCustomSQLCommandVz* C, TDataSet*& Cursor, bool& FreeOnEof,
                                 bool& Processed) {
        ran.push_back(C->CommandText());
        Processed = true;
        Cursor = C->CommandType() == cthSelectQuery ? static_cast<TDataSet*>(answer.get()) : nullptr;
        FreeOnEof = false;
        return 1;
    };
    auto drv = NewOwned<TSQLDataDriverVz>(nullptr);
    drv->SetConnectionProvider(prov.get());
    drv->InsertCommand()->SetCommandText(u"insert into t (id, name) values (:id, :name)"_S);
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"ID"_S, ftInteger);
    t->FieldDefs()->Add(u"name"_S, ftString, 10);
    t->CreateDataSet();
    t->SetCachedUpdates(true);
    t->AppendRecord({Null(), Variant(u"a"_S)});
    TMemoryRecordVz* rec = t->MemTableData()->RecordsList()->Rec(0);
    ASSERT_EQ(rec->UpdateStatus(), usInserted);
    const String insert = drv->InsertCommand()->CommandText();
    struct Case {
        const char16_t* Type;
        const char16_t* SpecParams;
        std::vector<String> Ran;
    };
    const std::vector<Case> cases = {
        {u"AnsiServer", u"AUTO_INCREMENT_FIELD=ID", {insert}},
        {u"Oracle", u"SEQUENCE=ord_seq\nSEQUENCE_FIELD=ID", {u"SELECT ord_seq.curval FROM dual"_S, insert}},
        {u"MSSQL", u"AUTO_INCREMENT_FIELD=ID", {insert, u"SELECT @@IDENTITY"_S}},
        {u"MSAccess", u"AUTO_INCREMENT_FIELD=ID", {insert, u"SELECT @@IDENTITY"_S}},
        {u"Interbase", u"GENERATOR=gen_t\nGENERATOR_FIELD=ID",
         {u"SELECT GEN_ID(gen_t, 1) FROM RDB$DATABASE"_S, insert, u"SELECT GEN_ID(gen_t, 0) FROM RDB$DATABASE"_S}},
        {u"Infromix", u"AUTO_INCREMENT_FIELD=ID",
         {insert, u"select DBINFO(\"sqlca.sqlerrd1\") from systables where tabid=1"_S}},
        {u"DB2", u"AUTO_INCREMENT_FIELD=ID", {insert}},
        {u"Sybase", u"SEQUENCE=s\nGENERATOR=g\nAUTO_INCREMENT_FIELD=ID", {insert}},
        // A key field the record does not have: no query.
        {u"MSSQL", u"AUTO_INCREMENT_FIELD=NOPE", {insert}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.Type).toStdString() + " " + QString::fromUtf16(c.SpecParams).toStdString());
        drv->SpecParams()->SetText(QString::fromUtf16(c.SpecParams));
        rec->SetDataValue(0, dvvValueVz, Null());
        TServerSpecOperationsVz* ops = CreateServerSpecOperations(QString::fromUtf16(c.Type));
        ran.clear();
        try {
            ops->UpdateRecord(drv.get(), t->MemTableData(), rec);
            ops->GetBackUpdatedValues(rec, drv->InsertCommand(), nullptr);
        } catch (...) {
            ops->Free();
            throw;
        }
        ops->Free();
        EXPECT_EQ(ran, c.Ran);
        EXPECT_EQ(VarToStr(rec->Value(0)), c.Ran.size() > 1 ? u"77"_S : String());
    }
    // A sequence name stands in the SQL text: anything but a plain name is refused unrun.
    drv->SpecParams()->SetText(u"SEQUENCE=s; drop table t\nSEQUENCE_FIELD=ID"_S);
    TServerSpecOperationsVz* ops = CreateServerSpecOperations(u"Oracle"_S);
    ran.clear();
    EXPECT_THROW(ops->UpdateRecord(drv.get(), t->MemTableData(), rec), EDatabaseError);
    ops->Free();
    EXPECT_TRUE(ran.empty());
}

TEST(SqlInlineConnection, RunTimeUseFollowsTheProviderUntilStored) {
    auto conn = NewOwned<TADOConnection>(nullptr);
    auto p = NewOwned<TADOConnectionProviderVz>(nullptr);
    TADOInlineConnectionVz* in = p->InlineConnection();
    EXPECT_FALSE(in->UseAtRunTime());
    in->SetConnectionString(u"DATABASE=x"_S);
    EXPECT_TRUE(in->UseAtRunTime());
    p->SetConnection(conn.get());
    EXPECT_FALSE(in->UseAtRunTime());  // an external connection is used
    EXPECT_EQ(p->CurrentTimeConnection(), conn.get());
    in->SetUseAtRunTimeStored(true);   // keeps the default that held now
    p->SetConnection(nullptr);
    EXPECT_FALSE(in->UseAtRunTime());
    in->SetUseAtRunTime(true);
    EXPECT_EQ(p->CurrentTimeConnection(), in->InlineConnection());
    EXPECT_EQ(p->UnmacrosConnectionString(u"A=%PROJECT_PATH%/x;B=%project_path%"_S), u"A=/x;B=%project_path%"_S);
    conn.reset();

    // The ADO driver's three connection settings exclude each other.
    auto drv = NewOwned<TADODataDriverVz>(nullptr);
    drv->SetConnectionString(u"DATABASE=x"_S);
    drv->SetConnectionProvider(p.get());
    EXPECT_EQ(drv->ConnectionString(), String());
    EXPECT_EQ(drv->ConnectionProvider(), p.get());
    drv->SetConnectionString(u"DATABASE=y"_S);
    EXPECT_EQ(drv->ConnectionProvider(), nullptr);
}

class SqlProviderTest : public sdelka::test::PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists prv_t; drop sequence if exists prv_seq;"
            "create table prv_t (id serial primary key, name text, qty int);"
            "insert into prv_t (name, qty) values ('Иванов', 5), (null, null), ('ёлкин Пётр', 7);"
            "create sequence prv_seq start 100;");
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(OdbcString());
        Prov = NewOwned<TADOConnectionProviderVz>(nullptr);
        Prov->SetConnection(Conn.get());
        T = NewOwned<TMemTableVz>(nullptr);
        T->SetFetchAllOnOpen(true);
        T->SetCachedUpdates(true);
    }
    void TearDown() override {
        T.reset();
        Prov.reset();
        Conn.reset();
    }
    String OdbcString() { return QString::fromStdString(Db().OdbcConnectionString()); }
    std::string Rows() {
        return Db().Value("select coalesce(string_agg(id || '|' || coalesce(name, '<null>') || '|' ||"
                          " coalesce(qty::text, '<null>'), ';' order by id), '') from prv_t");
    }
    TMemoryRecordVz* LogItem(int I) {
        return static_cast<TMemoryRecordVz*>(T->MemTableData()->RecordsList()->DeltaList()->Items(I));
    }

    TOwned<TADOConnection> Conn;
    TOwned<TADOConnectionProviderVz> Prov;
    TOwned<TMemTableVz> T;
};

TEST_F(SqlProviderTest, TheFilterMacroSelectsWithBoundValues) {
    auto drv = NewOwned<TADODataDriverVz>(nullptr);
    drv->SetADOConnection(Conn.get());
    drv->SelectCommand()->SetCommandText(u"select id, name, qty from prv_t %Filter% order by id"_S);
    drv->MacroVars()->SpecMacrosUsages.Include(smuUseFilterMacroVz);
    ASSERT_TRUE(drv->FilterTextSupported());
    drv->ApplyFilterText(u"name = 'O''Brien''); drop table prv_t;--' or qty >= 6"_S);
    EXPECT_TRUE(drv->FinalSelectSQL().startsWith(u"select id, name, qty from prv_t WHERE ((\"name\" = :FILTER_VALUE_1)"_S));
    T->SetDataDriver(drv.get());
    T->Open();
    ASSERT_EQ(T->RecordCount(), 1);
    EXPECT_EQ(T->FieldByName(u"name"_S)->AsString(), u"ёлкин Пётр"_S);
    T->Close();
    EXPECT_EQ(Db().Value("select to_regclass('prv_t') is not null"), "t");

    // After another condition: "AND (...)"; an empty filter removes the macro.
    drv->SelectCommand()->SetCommandText(u"select id, name, qty from prv_t where id > 1 %Filter% order by id"_S);
    drv->MacroVars()->SpecMacrosUsages = TSpecMacrosUsagesVz{smuUseFilterMacroVz, smuFilterWithANDPrecedingVz};
    drv->ApplyFilterText(u"name = 'ёл*'"_S);
    EXPECT_EQ(drv->FinalSelectSQL(), u"select id, name, qty from prv_t where id > 1 AND ((\"name\" LIKE :FILTER_VALUE_1)) order by id"_S);
    T->Open();
    EXPECT_EQ(T->RecordCount(), 1);
    T->Close();
    drv->ApplyFilterText(String());
    T->Open();
    EXPECT_EQ(T->RecordCount(), 2);
    T->Close();

    // A text compared with a date field is read as a date in the program's format, whatever
    // the server's date style.
    Db().Exec("create table prv_d (id int, d date); insert into prv_d values (1, '2024-01-02'), (2, '2024-02-01');");
    Conn->Execute(u"set datestyle to 'ISO, MDY'"_S);
    drv->SelectCommand()->SetCommandText(u"select id, d from prv_d %Filter% order by id"_S);
    drv->MacroVars()->SpecMacrosUsages = TSpecMacrosUsagesVz{smuUseFilterMacroVz, smuFilterAsWhereClauseVz};
    drv->ApplyFilterText(String());
    T->Open();  // the fields the filter reads its types from
    drv->ApplyFilterText(u"d = '02.01.2024' or id in ('7')"_S);
    T->Close();
    T->Open();
    ASSERT_EQ(T->RecordCount(), 1);
    EXPECT_EQ(T->FieldByName(u"id"_S)->AsInteger(), 1);
    T->SetDataDriver(nullptr);
}

TEST_F(SqlProviderTest, ThePlainSqlDriverWorksThroughTheProviderAndNowhereElse) {
    auto drv = NewOwned<TSQLDataDriverVz>(nullptr);
    drv->SelectCommand()->SetCommandText(u"select id, name, qty from prv_t where qty > :minqty or qty is null order by id"_S);
    drv->SelectCommand()->Params()->ParamByName(u"minqty"_S)->SetAsInteger(5);
    drv->UpdateCommand()->SetCommandText(u"update prv_t set name = :name, qty = :qty where id = :OLD_id"_S);
    drv->GetrecCommand()->SetCommandText(u"select id, name, qty from prv_t where id = :OLD_ID"_S);
    T->SetDataDriver(drv.get());

    // Without a provider nothing runs: no reader, and a change is an update error kept in the log.
    EXPECT_THROW(T->Open(), EDatabaseError);  // "SelectCommand.Execute does not get DataSet"

    drv->SetConnectionProvider(Prov.get());
    T->Open();
    ASSERT_EQ(T->RecordCount(), 2);
    EXPECT_TRUE(T->FieldByName(u"qty"_S)->IsNull());
    T->Last();
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(70);
    T->Post();
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|70");

    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(71);
    T->Post();
    drv->SetConnectionProvider(nullptr);
    String message;
    drv->OnUpdateError = [&](TDataDriverVz*, TMemTableDataVz*, TMemoryRecordVz* Rec, TUpdateErrorActionVz& A) {
        A = ueaCountinueSkip;
        (void)Rec;
    };
    EXPECT_EQ(T->ApplyUpdates(-1), 0);
    ASSERT_EQ(T->MemTableData()->RecordsList()->DeltaList()->Count(), 1);
    ASSERT_NE(LogItem(0)->UpdateError(), nullptr);
    EXPECT_TRUE(LogItem(0)->UpdateError()->ExceptionObject()->Message().contains(u"ran nowhere"_S));
    // A get-record command that yields no cursor.
    try {
        T->RefreshRecord();
        ADD_FAILURE() << "refreshed from nowhere";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"There are no fresh record on server"_S);
    }
    drv->SetConnectionProvider(Prov.get());
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|71");
    Db().Exec("update prv_t set name = 'Новое' where id = 3");
    T->RefreshRecord();
    EXPECT_EQ(T->FieldByName(u"name"_S)->AsString(), u"Новое"_S);
    T->SetDataDriver(nullptr);
}

// A provider of the plain kind, whose event runs the commands somewhere (here on an ADO
// connection), keeps an apply in one transaction too: a failing record undoes the others.
TEST_F(SqlProviderTest, AnyProviderAppliesAllOrNothing) {
    auto prov = NewOwned<TConnectionProviderVz>(nullptr);
    std::vector<String> ran;
    prov->OnExecuteCommand = [&](TCustomSQLDataDriverVz*, TCustomSQLCommandVz* Command, TDataSet*& Cursor,
                                 bool& FreeOnEof, bool& Processed) {
        Processed = true;
        ran.push_back(Command->CommandText().section(u' ', 0, 0).toLower());
        return ExecuteSQLCommandOnADOConnection(Conn.get(), Command, Cursor, FreeOnEof);
    };
    auto drv = NewOwned<TSQLDataDriverVz>(nullptr);
    drv->SelectCommand()->SetCommandText(u"select id, name, qty from prv_t order by id"_S);
    drv->UpdateCommand()->SetCommandText(u"update prv_t set name = :name, qty = :qty where id = :OLD_id"_S);
    drv->InsertCommand()->SetCommandText(u"insert into prv_t (id, name, qty) values (:id, :name, :qty)"_S);
    drv->SetConnectionProvider(prov.get());
    T->SetDataDriver(drv.get());
    T->Open();
    ASSERT_EQ(T->RecordCount(), 3);
    T->First();
    T->Edit();
    T->FieldByName(u"qty"_S)->SetAsInteger(50);
    T->Post();
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(3);  // taken: the server refuses it
    T->Post();
    ran.clear();
    EXPECT_THROW(T->ApplyUpdates(-1), EDatabaseError);
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|7");
    EXPECT_EQ(ran, (std::vector<String>{u"begin"_S, u"savepoint"_S, u"update"_S, u"release"_S, u"savepoint"_S,
                                         u"insert"_S, u"rollback"_S, u"rollback"_S}));
    EXPECT_FALSE(Conn->InTransaction());
    EXPECT_EQ(T->MemTableData()->RecordsList()->DeltaList()->Count(), 2);
    // The failing record skipped: the other one is written and committed.
    drv->OnUpdateError = [](TDataDriverVz*, TMemTableDataVz*, TMemoryRecordVz*, TUpdateErrorActionVz& A) {
        A = ueaCountinueSkip;
    };
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(Rows(), "1|Иванов|50;2|<null>|<null>;3|ёлкин Пётр|7");
    EXPECT_FALSE(Conn->InTransaction());
    T->SetDataDriver(nullptr);
}

// A detail read by the provider follows its master: in mdsOnProviderVz it holds exactly the
// current master's rows, read again on each change; in mdsOnSelfAfterProviderVz each master's rows
// are read once, kept, and shown filtered.
TEST_F(SqlProviderTest, ProviderSideDetailsFollowTheirMaster) {
    Db().Exec("create table prv_dep (dep int primary key, title text);"
              "insert into prv_dep values (1, 'Цех 1'), (2, 'Цех 2'), (3, 'Склад');"
              "create table prv_emp (id int primary key, dep int, fio text);"
              "insert into prv_emp values (10, 1, 'Иванов'), (11, 1, 'Петров'), (20, 2, 'Сидоров'),"
              " (21, 2, 'Орлов'), (22, 2, 'Ёлкин');");
    auto mq = NewOwned<TADOQuery>(nullptr);
    mq->SetConnection(Conn.get());
    mq->SQL()->SetText(u"select dep, title from prv_dep order by dep"_S);
    mq->Open();
    auto src = NewOwned<TDataSource>(nullptr);
    src->SetDataSet(mq.get());
    int selects = 0;
    Prov->OnExecuteCommand = [&](TCustomSQLDataDriverVz* D, TCustomSQLCommandVz* C, TDataSet*& Cursor, bool& Free,
                                 bool& Processed) {
        if (C->CommandType() == cthSelectQuery && C->CommandText().contains(u"prv_emp"_S)) ++selects;
        Processed = true;
        return ExecuteSQLCommandOnADOConnection(Conn.get(), C, Cursor, Free);
    };
    auto drv = NewOwned<TSQLDataDriverVz>(nullptr);
    drv->SetConnectionProvider(Prov.get());
    drv->SelectCommand()->SetCommandText(u"select id, dep, fio from prv_emp where dep = :dep order by id"_S);
    auto ids = [&] {
        std::vector<int> r;
        T->First();
        while (!T->Eof()) {
            r.push_back(T->FieldByName(u"id"_S)->AsInteger());
            T->Next();
        }
        return r;
    };
    auto serverIds = [&] {
        std::vector<int> r;
        const std::string list = Db().Value("select coalesce(string_agg(id::text, ',' order by id), '') from prv_emp"
                                            " where dep = " + std::to_string(mq->FieldByName(u"dep"_S)->AsInteger()));
        for (const QString& p : QString::fromStdString(list).split(u',', Qt::SkipEmptyParts)) r.push_back(p.toInt());
        return r;
    };

    T->SetMasterDetailSide(mdsOnProviderVz);
    T->SetMasterSource(src.get());
    T->SetDataDriver(drv.get());
    T->Open();
    EXPECT_EQ(ids(), serverIds());
    EXPECT_EQ(ids(), (std::vector<int>{10, 11}));
    for (int step = 0; step < 2; ++step) {
        mq->Next();
        EXPECT_EQ(ids(), serverIds()) << "master row " << mq->RecNo();
    }
    EXPECT_TRUE(ids().empty());
    mq->First();
    EXPECT_EQ(ids(), (std::vector<int>{10, 11}));
    EXPECT_EQ(selects, 4);
    T->Close();

    // Kept after reading: going back to a master already read reads nothing.
    T->SetMasterFields(u"dep"_S);
    T->SetDetailFields(u"dep"_S);
    T->SetMasterDetailSide(mdsOnSelfAfterProviderVz);
    selects = 0;
    T->Open();
    EXPECT_EQ(ids(), (std::vector<int>{10, 11}));
    mq->Next();
    EXPECT_EQ(ids(), serverIds());
    EXPECT_EQ(ids(), (std::vector<int>{20, 21, 22}));
    mq->First();
    EXPECT_EQ(ids(), (std::vector<int>{10, 11}));
    mq->Next();
    EXPECT_EQ(ids(), (std::vector<int>{20, 21, 22}));
    EXPECT_EQ(selects, 2);
    EXPECT_EQ(T->MemTableData()->RecordsList()->Count(), 5);
    // A new detail row takes its master's key.
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(23);
    T->Post();
    EXPECT_EQ(T->FieldByName(u"dep"_S)->AsInteger(), 2);
    T->Close();
    T->SetDataDriver(nullptr);
    Prov->OnExecuteCommand = {};
}

TEST_F(SqlProviderTest, ReaderParametersComeFromAMasterDataSet) {
    auto drv = NewOwned<TSQLDataDriverVz>(nullptr);
    drv->SetConnectionProvider(Prov.get());
    drv->SelectCommand()->SetCommandText(u"select id, name, qty from prv_t where qty < :qty order by id"_S);
    auto master = NewOwned<TADOQuery>(nullptr);
    master->SetConnection(Conn.get());
    master->SQL()->SetText(u"select 6 as qty union all select 10 order by 1"_S);
    master->Open();
    drv->SetReaderParamsFromCursor(master.get());
    EXPECT_FALSE(drv->RefreshReaderParamsFromCursor(master.get()));
    T->SetDataDriver(drv.get());
    T->Open();
    EXPECT_EQ(T->RecordCount(), 1);
    T->Close();
    master->Next();
    ASSERT_TRUE(drv->RefreshReaderParamsFromCursor(master.get()));
    drv->SetReaderParamsFromCursor(master.get());
    T->Open();
    EXPECT_EQ(T->RecordCount(), 2);
    T->SetDataDriver(nullptr);

    // A table never reads itself through its own driver.
    T->SetDataDriver(drv.get());
    EXPECT_THROW(drv->SetProviderDataSet(T.get()), EDatabaseError);
    T->SetDataDriver(nullptr);
}

TEST_F(SqlProviderTest, ThePostgreSqlOperationsReadGeneratedKeys) {
    auto drv = NewOwned<TADODataDriverVz>(nullptr);
    drv->SetConnectionProvider(Prov.get());
    Prov->SetServerType(u"PostgreSQL"_S);
    drv->SelectCommand()->SetCommandText(u"select id, name, qty from prv_t order by id"_S);
    TDynaSQLParamsVz* d = drv->DynaSQLParams();
    d->UpdateTable = u"prv_t"_S;
    d->KeyFields = u"id"_S;
    d->UpdateFieldListSource = tflsDataBaseSchemaVz;  // the columns the server names
    d->Options = TDynaSQLOptionsVz{dsoDynamicSQLInsertVz, dsoDynamicSQLUpdateVz, dsoDynamicSQLDeleteVz};
    drv->SpecParams()->SetValues(u"AUTO_INCREMENT_FIELD"_S, u"id"_S);
    T->SetDataDriver(drv.get());
    T->Open();
    Db().Exec("select nextval('prv_seq')");  // another session's sequences change nothing here
    T->Append();
    T->FieldByName(u"name"_S)->SetAsString(u"Новый"_S);
    T->Post();
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(T->FieldByName(u"id"_S)->AsInteger(), 4);
    EXPECT_EQ(Rows(), "1|Иванов|5;2|<null>|<null>;3|ёлкин Пётр|7;4|Новый|<null>");
    // An insert that sends the key itself keeps the key it sent (the sequence's current value
    // belongs to another row).
    d->Options = TDynaSQLOptionsVz{dsoDynamicSQLUpdateVz, dsoDynamicSQLDeleteVz};
    drv->InsertCommand()->SetCommandText(u"insert into prv_t (id, name) values (:id, :name)"_S);
    T->Append();
    T->FieldByName(u"name"_S)->SetAsString(u"Свой ключ"_S);
    T->Post();
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(std::to_string(T->FieldByName(u"id"_S)->AsInteger()), Db().Value("select id from prv_t where name = 'Свой ключ'"));
    d->Options = TDynaSQLOptionsVz{dsoDynamicSQLInsertVz, dsoDynamicSQLUpdateVz, dsoDynamicSQLDeleteVz};

    // A key from a sequence before the insert.
    drv->SpecParams()->Clear();
    drv->SpecParams()->SetValues(u"SEQUENCE"_S, u"prv_seq"_S);
    drv->SpecParams()->SetValues(u"SEQUENCE_FIELD"_S, u"id"_S);
    T->Append();
    T->FieldByName(u"name"_S)->SetAsString(u"Из последовательности"_S);
    T->Post();
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(T->FieldByName(u"id"_S)->AsInteger(), 101);
    EXPECT_EQ(Db().Value("select name from prv_t where id = 101"), "Из последовательности");
    T->SetDataDriver(nullptr);
}

TEST_F(SqlProviderTest, TheResolverMayTakeOverEveryDriversCommands) {
    auto drv = NewOwned<TSQLDataDriverVz>(nullptr);
    drv->SelectCommand()->SetCommandText(u"select id, name from prv_t order by id"_S);
    auto* resolver = New<TSQLDataDriverResolver>();
    std::vector<String> seen;
    resolver->OnExecuteCommand = [&](TCustomSQLDataDriverVz*, TCustomSQLCommandVz* Cmd, TDataSet*& Cursor,
                                     bool& FreeOnEof, bool& Processed) {
        seen.push_back(Cmd->FinalCommandText());
        Processed = true;
        return ExecuteSQLCommandOnADOConnection(Conn.get(), Cmd, Cursor, FreeOnEof);
    };
    TSQLDataDriverResolver* previous = SetSQLDataDriverResolver(resolver);
    try {
        T->SetDataDriver(drv.get());
        T->Open();
        EXPECT_EQ(T->RecordCount(), 3);
        EXPECT_FALSE(seen.empty());
        T->SetDataDriver(nullptr);
    } catch (...) {
        SetSQLDataDriverResolver(previous)->Free();
        throw;
    }
    SetSQLDataDriverResolver(previous)->Free();
}

TEST_F(SqlProviderTest, AdHocSqlThroughTheProvider) {
    EXPECT_EQ(Prov->ExecuteSQLGetRecordAsVarArray(u"select name from prv_t where id = :id"_S, {Variant(u"id"_S), Variant(9)}).size(), 0u);
    const std::vector<Variant> row =
        Prov->ExecuteSQLGetRecordAsVarArray(u"select id, name, qty from prv_t where name = :n"_S, {Variant(u"n"_S), Variant(u"Иванов"_S)});
    ASSERT_EQ(row.size(), 3u);
    EXPECT_EQ(row[1].AsString(), u"Иванов"_S);
    EXPECT_THROW(Prov->ExecuteSQLGetRecordAsVarArray(u"select 1"_S, {Variant(u"n"_S)}), Exception);

    TDataSet* cursor = nullptr;
    bool freeOnEof = false, processed = false;
    Prov->GetDataReaderForSQL(u"select id from prv_t"_S, nullptr, cursor, freeOnEof, processed);
    ASSERT_NE(cursor, nullptr);
    EXPECT_TRUE(freeOnEof && processed);
    EXPECT_EQ(cursor->RecordCount(), 3);
    cursor->Free();

    TStringList names;
    Prov->GetDatabaseSchemaInfo()->GetTableFieldNames(u"prv_t"_S, &names);
    EXPECT_EQ(names.CommaText(), u"id,name,qty"_S);

    processed = false;
    Prov->FillMemTableForSQL(u"select name, qty from prv_t order by id"_S, nullptr, T->MemTableData(), processed);
    EXPECT_TRUE(processed);
    EXPECT_EQ(T->MemTableData()->DataStruct()->Count(), 2);
    EXPECT_EQ(T->MemTableData()->RecordsList()->Count(), 3);
}

TEST_F(SqlProviderTest, TheInlineConnectionOpensTheDataSetsThatWaitedForIt) {
    Prov->SetConnection(nullptr);
    Prov->InlineConnection()->SetConnectionString(OdbcString());
    ASSERT_TRUE(Prov->UseInlineConnection());
    auto drv = NewOwned<TADODataDriverVz>(nullptr);
    drv->SetConnectionProvider(Prov.get());
    drv->SelectCommand()->SetCommandText(u"select id, name from prv_t order by id"_S);
    T->SetDataDriver(drv.get());
    ASSERT_TRUE(drv->ConnectionIsPostponed());
    drv->AddPostponedActivationDataSet(T.get());
    int before = 0;
    Prov->InlineConnectionBeforeConnect = [&](TObject*) { ++before; };
    EXPECT_FALSE(T->Active());
    Prov->InlineConnection()->Open();
    EXPECT_EQ(before, 1);
    EXPECT_TRUE(T->Active());
    EXPECT_EQ(T->RecordCount(), 3);
    EXPECT_FALSE(drv->ConnectionIsPostponed());
    EXPECT_TRUE(Prov->InlineConnection()->PostponedDataSets().empty());
    T->SetDataDriver(nullptr);
}

TEST_F(SqlProviderTest, GeneratedColumnListsWrapAtSeventyCharacters) {
    std::string ddl = "create table prv_wide (id int primary key";
    QStringList names;
    for (int i = 0; i < 20; ++i) {
        names << QString::asprintf("col%05d", i);
        ddl += ", " + names.last().toStdString() + " int";
    }
    Db().Exec(ddl + ")");
    auto drv = NewOwned<TADODataDriverVz>(nullptr);
    drv->SetADOConnection(Conn.get());
    drv->SelectCommand()->SetCommandText(u"select * from prv_wide"_S);
    drv->DynaSQLParams()->UpdateTable = u"prv_wide"_S;
    drv->DynaSQLParams()->KeyFields = u"id"_S;
    drv->DynaSQLParams()->UpdateFields = names.join(u',');
    drv->DynaSQLParams()->Options = TDynaSQLOptionsVz{dsoDynamicSQLInsertVz};
    T->SetDataDriver(drv.get());
    T->Open();
    T->Append();
    T->FieldByName(u"id"_S)->SetAsInteger(1);
    T->Post();
    drv->GenerateDynamicSQLCommand(LogItem(0), drv->ServiceCommand());
    const QStringList lines = drv->ServiceCommand()->CommandText().split(u'\n');
    ASSERT_GT(lines.size(), 4);
    EXPECT_EQ(lines[0], u"insert into \"prv_wide\""_S);
    EXPECT_TRUE(lines[1].startsWith(u"  (\"id\", \"col00000\""_S));
    EXPECT_TRUE(lines[2].startsWith(u"   , "_S)) << lines[2].toStdString();
    for (const String& l : lines) EXPECT_LE(l.size(), 70 + 14) << l.toStdString();
    const int values = static_cast<int>(lines.indexOf(u"values"_S));
    ASSERT_GT(values, 1);
    EXPECT_TRUE(lines[values - 1].endsWith(u"\"col00019\")"_S));
    EXPECT_TRUE(lines.last().endsWith(u":col00019)"_S));
    EXPECT_EQ(T->ApplyUpdates(-1), 1);
    EXPECT_EQ(Db().Value("select count(*) from prv_wide"), "1");
    T->SetDataDriver(nullptr);
}

}  // namespace
