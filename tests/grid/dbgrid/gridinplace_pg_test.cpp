// Editing data grid cells over the server: the cells typed in one row are written by one statement
// in one transaction when the user moves off the row, and a row the server refuses stays in edit
// with the server's message shown, nothing of it written.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/memtable/adodatadrivervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/testing/scriptedresponder.h"
#include "support/input.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <QApplication>

#include <memory>

namespace {

using namespace sdelka::test;

class GridInplacePg : public PgSuite<> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec(
            "drop table if exists gip_log; drop table if exists gip_item;"
            "create table gip_item (id int primary key, name varchar(40), qty int check (qty >= 0));"
            "insert into gip_item select g, 'Деталь ' || g, g from generate_series(1, 50) g;"
            "create table gip_log (tx bigint, id int);"
            "create or replace function gip_trace() returns trigger language plpgsql as $$"
            " begin insert into gip_log values (txid_current(), new.id); return new; end $$;"
            "create trigger gip_trace after update on gip_item for each row execute function gip_trace();");
        Scope = std::make_unique<TResponderScope>(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 520, 260);
        Conn = New<TADOConnection>(Form);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Drv = New<TADODataDriverVz>(Form);
        Drv->SetADOConnection(Conn);
        Drv->SelectCommand()->SetCommandText(u"select id, name, qty from gip_item order by id"_S);
        Drv->UpdateCommand()->SetCommandText(u"update gip_item set name = :name, qty = :qty where id = :old_id"_S);
        Items = New<TMemTableVz>(Form);
        Items->SetFetchAllOnOpen(true);
        Items->SetDataDriver(Drv);
        Items->SetCachedUpdates(false);
        Src = New<TDataSource>(Form);
        Src->SetDataSet(Items);
        Items->Open();
        G = New<TDBGridVz>(Form);
        G->SetBounds(0, 0, 520, 260);
        G->SetParent(Form);
        G->SetDataSource(Src);
        Form->Show();
        G->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        if (Items && Items->State() != dsBrowse) Items->Cancel();
        FreeAndNil(Form);
        Application->ProcessMessages();
        Scope.reset();
    }
    void Key(int K, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        SendKey(QApplication::focusWidget(), K, Mods);
        Application->ProcessMessages();
    }
    void TypeInto(int DataCol, const String& Text) {
        G->SetSelectedIndex(DataCol);
        Application->ProcessMessages();
        // F2 opens the editor with the cell's text, Ctrl+A selects it to be typed over.
        Key(Qt::Key_F2);
        Key(Qt::Key_A, Qt::ControlModifier);
        for (QChar c : Text) SendKey(QApplication::focusWidget(), Qt::Key_unknown, Qt::NoModifier, QString(c));
        Application->ProcessMessages();
    }

    TScriptedResponder Resp;
    std::unique_ptr<TResponderScope> Scope;
    TForm* Form = nullptr;
    TADOConnection* Conn = nullptr;
    TADODataDriverVz* Drv = nullptr;
    TMemTableVz* Items = nullptr;
    TDataSource* Src = nullptr;
    TDBGridVz* G = nullptr;
};

TEST_F(GridInplacePg, TwoCellsOfARowAreWrittenInOneTransactionWhenTheUserMovesOff) {
    TypeInto(1, u"Шпилька М8"_S);
    Key(Qt::Key_Tab);
    TypeInto(2, u"17"_S);
    Key(Qt::Key_Return);
    EXPECT_EQ(Items->State(), dsEdit);
    EXPECT_EQ(Db().Value("select count(*) from gip_log"), "0");
    EXPECT_EQ(Db().Value("select name || '/' || qty from gip_item where id = 1"), "Деталь 1/1");
    Key(Qt::Key_Down);
    EXPECT_EQ(Items->State(), dsBrowse);
    EXPECT_EQ(Db().Value("select name || '/' || qty from gip_item where id = 1"), "Шпилька М8/17");
    // One statement, one transaction, for the row.
    EXPECT_EQ(Db().Value("select count(*) || '/' || count(distinct tx) from gip_log"), "1/1");
    EXPECT_EQ(Resp.CallCount(), 0);
}

TEST_F(GridInplacePg, ARowTheServerRefusesStaysInEditWithTheServersMessage) {
    TypeInto(1, u"Гайка"_S);
    Key(Qt::Key_Tab);
    TypeInto(2, u"-5"_S);
    Key(Qt::Key_Down);
    ASSERT_EQ(Resp.CallCount(), 1);
    EXPECT_TRUE(Resp.LastCall().Text.contains(u"gip_item_qty_check"_S)) << Resp.LastCall().Text.toStdString();
    EXPECT_EQ(Items->State(), dsEdit);
    EXPECT_EQ(Items->RecNo(), 1);
    EXPECT_EQ(G->Row(), G->TopDataOffset());
    EXPECT_EQ(Items->FieldByName(u"name"_S)->AsString(), u"Гайка"_S);
    EXPECT_EQ(Db().Value("select name || '/' || qty from gip_item where id = 1"), "Деталь 1/1");
    EXPECT_EQ(Db().Value("select count(*) from gip_log"), "0");
    // Mended by the user, the row goes through.
    Resp.Clear();
    TypeInto(2, u"5"_S);
    Key(Qt::Key_Down);
    EXPECT_EQ(Resp.CallCount(), 0);
    EXPECT_EQ(Items->State(), dsBrowse);
    EXPECT_EQ(Db().Value("select name || '/' || qty from gip_item where id = 1"), "Гайка/5");
}

}  // namespace
