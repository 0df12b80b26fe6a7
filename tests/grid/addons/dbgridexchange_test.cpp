#include "grid/addons/dbgridexchangevz.h"
#include "grid/addons/textexportvz.h"
#include "grid/addons/textimportvz.h"
#include "grid/addons/vcldbifvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/modalresults.h"
#include "platform/rtl/codepages.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/streams.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

namespace {

// Two data grids over two tables of names, dates, sums and counts.
class DBGridExchange : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Source = MakeTable(3);
        Target = MakeTable(1);
        SourceGrid = MakeGrid(Source);
        TargetGrid = MakeGrid(Target);
    }
    void TearDown() override { FreeAndNil(Form); }

    TMemTableVz* MakeTable(int Records) {
        auto* T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 40);
        T->FieldDefs()->Add(u"Day"_S, ftDate);
        T->FieldDefs()->Add(u"Sum"_S, ftFloat);
        T->FieldDefs()->Add(u"Qty"_S, ftInteger);
        T->CreateDataSet();
        for (int R = 0; R < Records; ++R) {
            T->Append();
            T->FieldByName(u"Name"_S)->SetAsString(u"Петров-"_S + String::number(R) + u" Ω"_S);
            T->FieldByName(u"Day"_S)->SetAsDateTime(EncodeDate(2026, 3, 1 + R));
            if (R != 1) T->FieldByName(u"Sum"_S)->SetAsFloat(1234.5 + R);
            T->FieldByName(u"Qty"_S)->SetAsInteger(R * 100);
            T->Post();
        }
        T->First();
        return T;
    }
    TDBGridVz* MakeGrid(TMemTableVz* T) {
        auto* S = New<TDataSource>(Form);
        S->SetDataSet(T);
        auto* G = New<TDBGridVz>(Form);
        G->SetParent(Form);
        G->SetDataSource(S);
        return G;
    }

    TForm* Form = nullptr;
    TMemTableVz *Source = nullptr, *Target = nullptr;
    TDBGridVz *SourceGrid = nullptr, *TargetGrid = nullptr;
};

TEST_F(DBGridExchange, CopyAndPasteThroughTheBinaryFormatKeepsEveryValue) {
    Source->Next();  // the cursor comes back here
    auto Out = NewOwned<TDBGridVzExportAsVCLDBIF>();
    TBytesStream Bytes;
    ExportDBGridVz(Out.get(), SourceGrid, &Bytes);
    EXPECT_EQ(Source->RecNo(), 2);

    Bytes.SetPosition(0);
    auto In = NewOwned<TDBGridVzImportAsVCLDBIF>();
    ImportDBGridVz(In.get(), TargetGrid, &Bytes);
    ASSERT_EQ(Target->RecordCount(), 3);
    Source->First();
    Target->First();
    for (int R = 0; R < 3; ++R, Source->Next(), Target->Next())
        for (int F = 0; F < 4; ++F) {
            Variant A = Source->Fields()->Fields(F)->AsVariant(), B = Target->Fields()->Fields(F)->AsVariant();
            EXPECT_EQ(VarIsNull(A), VarIsNull(B)) << R << ":" << F;
            if (!VarIsNull(A)) {
                EXPECT_EQ(A.AsString(), B.AsString()) << R << ":" << F;
            }
        }
}

TEST_F(DBGridExchange, PastedNumbersLoseOnlyBlanksAndGrouping) {
    TScriptedResponder Resp;
    TResponderScope Scope(&Resp);
    Resp.Answer(mrYes);
    // record 1: a decimal point where the program expects a comma is refused, not read as 125;
    // record 2: grouping blanks are dropped
    QByteArray Text = StringToCodePage(u"Сидоров\t\t12.5\t7\r\nКозлов\t\t1 234,5\t2 000"_S, 1251);
    TBytesStream Bytes(TBytes(Text.begin(), Text.end()));
    auto In = NewOwned<TDBGridVzImportAsText>();
    ImportDBGridVz(In.get(), TargetGrid, &Bytes);
    EXPECT_EQ(Resp.MessageCount(), 1);
    ASSERT_EQ(Target->RecordCount(), 2);
    Target->First();
    EXPECT_EQ(Target->FieldByName(u"Name"_S)->AsString(), u"Сидоров"_S);
    EXPECT_EQ(Target->FieldByName(u"Sum"_S)->AsFloat(), 1234.5);  // left as it was
    EXPECT_EQ(Target->FieldByName(u"Qty"_S)->AsInteger(), 7);
    Target->Next();
    EXPECT_EQ(Target->FieldByName(u"Sum"_S)->AsFloat(), 1234.5);
    EXPECT_EQ(Target->FieldByName(u"Qty"_S)->AsInteger(), 2000);
}

TEST_F(DBGridExchange, KeyPickListTakesTheKeyOfAListedTextOnly) {
    TColumnVz* Qty = TargetGrid->Columns()->Items(3);
    Qty->PickList()->Add(u"сто"_S);
    Qty->PickList()->Add(u"двести"_S);
    Qty->KeyList()->Add(u"100"_S);
    Qty->KeyList()->Add(u"200"_S);
    ASSERT_EQ(Qty->GetBarType(), ctKeyPickList);
    TScriptedResponder Resp;
    TResponderScope Scope(&Resp);
    Resp.Answer(mrYes);
    QByteArray Text = StringToCodePage(u"\t\t\tДвести\r\n\t\t\tтриста"_S, 1251);
    TBytesStream Bytes(TBytes(Text.begin(), Text.end()));
    auto In = NewOwned<TDBGridVzImportAsText>();
    ImportDBGridVz(In.get(), TargetGrid, &Bytes);
    EXPECT_EQ(Resp.MessageCount(), 1);
    EXPECT_TRUE(Resp.LastCall().Text.contains(u"триста"_S));
    ASSERT_EQ(Target->RecordCount(), 2);
    Target->First();
    EXPECT_EQ(Target->FieldByName(u"Qty"_S)->AsInteger(), 200);
    Target->Next();
    EXPECT_TRUE(Target->FieldByName(u"Qty"_S)->IsNull());  // a new record, left empty
}

TEST_F(DBGridExchange, TextExportShowsTheGridsTitlesAndTexts) {
    auto Out = NewOwned<TDBGridVzExportAsText>();
    TBytesStream Bytes;
    ExportDBGridVz(Out.get(), SourceGrid, &Bytes);
    String Text = CodePageToString(QByteArray(reinterpret_cast<const char*>(Bytes.Bytes().data()),
                                              qsizetype(Bytes.Bytes().size())), 1251);
    QStringList Lines = Text.split(u"\r\n"_S);
    ASSERT_EQ(Lines.size(), 4);
    EXPECT_EQ(Lines[0], u"Name\tDay\tSum\tQty"_S);
    EXPECT_TRUE(Lines[2].startsWith(u"Петров-1 ?\t02.03.2026\t\t100"_S)) << Lines[2].toStdString();
}

}  // namespace
