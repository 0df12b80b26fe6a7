// The axis grid over the server: an in-memory dataset filled and written by the ADO data driver,
// a thousand rows with a lookup bar and a pick-list bar. What the user types and leaves is written
// to the server (psql sees it); a lookup text that names no row is refused and the key stays.
#include "testaxisgrid.h"

#include "grid/memtable/adodatadrivervz.h"
#include "platform/ado/adodb.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "support/input.h"
#include "support/pg_fixture.h"
#include "support/tools.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>

namespace {

using namespace sdelka::test;

class AxisGridPg : public PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists axg_item; drop table if exists axg_dept;"
            "create table axg_dept (id int primary key, title varchar(40));"
            "insert into axg_dept select g, 'Цех ' || g from generate_series(1, 10) g;"
            "create table axg_item (id int primary key, name varchar(40), dept int, kind varchar(10));"
            "insert into axg_item select g, 'Деталь ' || g, 1 + g % 10, case when g % 3 = 0 then 'Брак' else 'Годная' end"
            " from generate_series(1, 1000) g;");
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 520, 260);
        Conn = New<TADOConnection>(Form);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        DeptDrv = New<TADODataDriverVz>(Form);
        DeptDrv->SetADOConnection(Conn);
        DeptDrv->SelectCommand()->SetCommandText(u"select id, title from axg_dept order by id"_S);
        Depts = New<TMemTableVz>(Form);
        Depts->SetFetchAllOnOpen(true);
        Depts->SetDataDriver(DeptDrv);
        ItemDrv = New<TADODataDriverVz>(Form);
        ItemDrv->SetADOConnection(Conn);
        ItemDrv->SelectCommand()->SetCommandText(u"select id, name, dept, kind from axg_item order by id"_S);
        ItemDrv->UpdateCommand()->SetCommandText(
            u"update axg_item set name = :name, dept = :dept, kind = :kind where id = :old_id"_S);
        Items = New<TMemTableVz>(Form);
        Items->SetFetchAllOnOpen(true);
        Items->SetDataDriver(ItemDrv);
        Items->SetCachedUpdates(false);
        Src = New<TDataSource>(Form);
        Src->SetDataSet(Items);
        Depts->Open();
        Items->Open();

        G = New<TTestAxisGridVz>(Form);
        G->SetBounds(0, 0, 520, 260);
        G->SetParent(Form);
        G->SetDataSource(Src);
        G->BeginLayout();
        G->AxisBars()->Clear();
        for (auto n : {u"id"_S, u"name"_S, u"dept"_S, u"kind"_S}) G->AxisBars()->Add()->SetFieldName(n);
        G->EndLayout();
        Dept = G->AxisBars()->AxisBar(2);
        Dept->LookupParams()->SetKeyFieldNames(u"dept"_S);
        Dept->LookupParams()->SetLookupDataSet(Depts);
        Dept->LookupParams()->SetLookupKeyFieldNames(u"id"_S);
        Dept->LookupParams()->SetLookupDisplayFieldName(u"title"_S);
        Kind = G->AxisBars()->AxisBar(3);
        Kind->PickList()->Add(u"Годная"_S);
        Kind->PickList()->Add(u"Брак"_S);
        Form->Show();
        G->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    // What psql reads from the server.
    QString Psql(const QString& Sql) {
        return ToolText(u"psql"_S, {u"-X"_S, u"-A"_S, u"-t"_S, u"-d"_S, QString::fromStdString(Db().Name()), u"-c"_S, Sql})
            .trimmed();
    }
    void TypeInto(int Col, const String& Text) {
        G->SetCol(Col);
        QWidget* w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr);
        SendKey(w, Qt::Key_A, Qt::ControlModifier);
        for (QChar c : Text) SendKey(w, Qt::Key_unknown, Qt::NoModifier, QString(c));
    }
    void Down() { SendKey(QApplication::focusWidget(), Qt::Key_Down); }
    QImage Grab() {
        G->Invalidate();
        return G->Handle()->grab().toImage();
    }
    TForm* Form = nullptr;
    TADOConnection* Conn = nullptr;
    TADODataDriverVz* DeptDrv = nullptr;
    TADODataDriverVz* ItemDrv = nullptr;
    TMemTableVz* Depts = nullptr;
    TMemTableVz* Items = nullptr;
    TDataSource* Src = nullptr;
    TTestAxisGridVz* G = nullptr;
    TAxisBarVz* Dept = nullptr;
    TAxisBarVz* Kind = nullptr;
};

TEST_F(AxisGridPg, AThousandRowsShowTheServersValuesThroughTheLookupAndPickListBars) {
    ASSERT_EQ(G->RowCount(), 1001);
    EXPECT_EQ(Dept->GetBarType(), ctLookupField);
    EXPECT_EQ(Kind->GetBarType(), ctPickList);
    EXPECT_EQ(Dept->DisplayText(), u"Цех 2"_S);  // item 1 is in workshop 2
    EXPECT_EQ(Kind->DisplayText(), u"Годная"_S);
    Items->SetRecNo(999);
    EXPECT_EQ(Dept->DisplayText(), u"Цех 10"_S);
    EXPECT_EQ(Kind->DisplayText(), u"Брак"_S);
    EXPECT_EQ(G->Row(), 999);
    const QImage img = Grab();
    QString dir = QDir::temp().filePath(QStringLiteral("sdelka-axisgrid"));
    QDir().mkpath(dir);
    img.save(dir + u"/pg-1000.png"_S);
    EXPECT_FALSE(img.isNull());
}

TEST_F(AxisGridPg, TypedTextIsWrittenToTheServerWhenTheUserMovesOff) {
    TypeInto(2, u"Шпилька М8"_S);
    EXPECT_EQ(Items->State(), dsEdit);
    EXPECT_EQ(Psql(u"select name from axg_item where id = 1"_S), u"Деталь 1"_S);
    Down();
    EXPECT_EQ(Items->State(), dsBrowse);
    EXPECT_EQ(Psql(u"select name from axg_item where id = 1"_S), u"Шпилька М8"_S);

    TypeInto(3, u"цех 7"_S);  // the lookup finds its row without regard to case
    Down();
    EXPECT_EQ(Psql(u"select dept from axg_item where id = 2"_S), u"7"_S);

    TypeInto(4, u"Брак"_S);
    Down();
    EXPECT_EQ(Psql(u"select kind from axg_item where id = 3"_S), u"Брак"_S);
}

TEST_F(AxisGridPg, ALookupTextThatNamesNoRowIsRefusedAndTheKeyStays) {
    Dept->SetLimitTextToListValues(false);
    TypeInto(3, u"Нет такого цеха"_S);
    Down();
    EXPECT_EQ(Items->State(), dsBrowse);
    EXPECT_EQ(Psql(u"select coalesce(dept::text, 'NULL') from axg_item where id = 1"_S), u"2"_S);
    Items->First();
    EXPECT_EQ(Dept->DisplayText(), u"Цех 2"_S);
}

}  // namespace
