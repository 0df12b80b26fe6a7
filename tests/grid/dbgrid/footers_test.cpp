// Column footers: their texts by value type and format, their sum definitions in the grid's sum
// list, the font that follows the grid's until set, and the footer row as painted.
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/dbgrid/sumlistvz.h"

#include "dbgridfixture.h"

namespace {

class FootersTest : public DBGridFixture {
protected:
    void SetUp() override {
        DBGridFixture::SetUp();
        Customise(G);
        G->SumList()->SetActive(true);
    }
    TColumnVz* Col(int I) { return G->Columns()->Items(I); }
    std::string Text(int Row, int Column) { return G->GetFooterValue(Row, Col(Column)).toStdString(); }
};

// Records r = 0..4 hold r * 10 + i in column Ci: C1 sums to 105, averages 21.
TEST_F(FootersTest, TextsByValueType) {
    const struct {
        TFooterValueType Type;
        const char16_t* Field;
        const char16_t* Format;
        const char16_t* Value;
        const char* Expected;
    } cases[] = {
        {fvtSum, u"", u"", u"", "105"},
        {fvtAvg, u"", u"", u"", "21"},
        {fvtCount, u"", u"", u"", "5"},
        {fvtCount, u"", u"0.0", u"", "5,0"},
        {fvtSum, u"C2", u"", u"", "110"},            // another field than the column's
        {fvtSum, u"", u"#,##0.00", u"", "105,00"},   // the footer's format
        {fvtSum, u"NOSUCH", u"", u"", "0"},          // a total of a missing field
        {fvtFieldValue, u"C2", u"", u"", "2"},       // the current record's value
        {fvtFieldValue, u"C2", u"0.00", u"", "2,00"},
        {fvtFieldValue, u"NOSUCH", u"", u"", ""},    // a missing field shows nothing
        {fvtFieldValue, u"", u"", u"", ""},
        {fvtStaticText, u"", u"", u"Итого:", "Итого:"},
        {fvtNon, u"", u"", u"Итого:", ""},
    };
    for (const auto& c : cases) {
        TColumnFooterVz* f = Col(1)->Footer();
        f->SetValueType(fvtNon);
        f->SetFieldName(String::fromUtf16(c.Field));
        f->SetDisplayFormat(String::fromUtf16(c.Format));
        f->SetValue(String::fromUtf16(c.Value));
        f->SetValueType(c.Type);
        EXPECT_EQ(Text(0, 1), c.Expected) << int(c.Type) << " " << String::fromUtf16(c.Field).toStdString();
    }
    // Without a data set a total stays "0".
    Col(1)->Footer()->SetValueType(fvtSum);
    G->SetDataSource(nullptr);
    EXPECT_EQ(Text(0, 1), "0");
}

TEST_F(FootersTest, SumsFollowEditsAndEachRowUsesItsOwnFooter) {
    G->SetFooterRowCount(2);
    Col(1)->Footer()->SetValueType(fvtSum);
    TColumnFooterVz* second = Col(1)->Footers()->Add();
    Col(1)->Footers()->Add()->SetValueType(fvtCount);  // row 1
    second->SetValueType(fvtAvg);                      // row 0
    EXPECT_EQ(Col(1)->UsedFooter(0), second);
    EXPECT_EQ(Col(1)->UsedFooter(5), Col(1)->Footer());
    EXPECT_EQ(Text(0, 1), "21");
    EXPECT_EQ(Text(1, 1), "5");

    T->Append();
    T->FieldByName(u"C1"_S)->SetAsInteger(95);
    T->Post();
    T->First();
    T->Edit();
    T->FieldByName(u"C1"_S)->SetAsInteger(11);  // was 1
    T->Post();
    EXPECT_EQ(Text(0, 1), "35");  // (105 + 95 + 10) / 6
    EXPECT_EQ(Text(1, 1), "6");
    Col(1)->Footers()->Clear();
    EXPECT_EQ(Text(0, 1), "210");
}

TEST_F(FootersTest, EachSummingFooterOwnsOneDefinition) {
    TDBSumCollection* sums = G->SumList()->SumCollection();
    TColumnFooterVz* f = Col(3)->Footer();
    f->SetValueType(fvtSum);
    ASSERT_EQ(sums->Count(), 1);
    TDBSum* s = f->DBSum();
    EXPECT_EQ(s->GroupOperation(), goSum);
    EXPECT_EQ(s->FieldName().toStdString(), "C3");
    f->SetValueType(fvtAvg);  // re-typed in place
    EXPECT_EQ(sums->Count(), 1);
    EXPECT_EQ(f->DBSum(), s);
    EXPECT_EQ(s->GroupOperation(), goAvg);
    EXPECT_EQ(f->SumValue().AsCurrency().ToDouble(), 23.0);
    f->SetValueType(fvtCount);
    EXPECT_TRUE(s->FieldName().isEmpty());
    f->SetValueType(fvtStaticText);
    EXPECT_EQ(sums->Count(), 0);
    EXPECT_TRUE(VarIsNull(f->SumValue()));

    // Footers of a deleted column leave the sum list with it.
    Col(4)->Footer()->SetValueType(fvtSum);
    Col(4)->Footers()->Add()->SetValueType(fvtCount);
    EXPECT_EQ(sums->Count(), 2);
    G->Columns()->Delete(4);
    EXPECT_EQ(sums->Count(), 0);
}

TEST_F(FootersTest, FontFollowsTheGridsFooterFontUntilSet) {
    TColumnFooterVz* f = Col(0)->Footer();
    G->FooterFont()->SetSize(14);
    EXPECT_EQ(f->Font()->Size(), 14);
    EXPECT_FALSE(f->AssignedValues().Contains(cvFooterFont));
    f->Font()->SetStyle(TFontStyles{fsBold});
    EXPECT_TRUE(f->AssignedValues().Contains(cvFooterFont));
    G->FooterFont()->SetSize(9);
    EXPECT_EQ(f->Font()->Size(), 14);
    f->RestoreDefaults();
    EXPECT_EQ(f->Font()->Size(), 9);

    // Colour and alignment likewise.
    G->SetFooterColor(clYellow);
    EXPECT_EQ(f->Color(), clYellow);
    f->SetColor(clAqua);
    G->SetFooterColor(clLime);
    EXPECT_EQ(f->Color(), clAqua);
    EXPECT_EQ(f->Alignment(), taRightJustify);  // the integer field's
}

TEST(FooterFormats, FloatFieldsTakeTheirCurrencyStyleOrFormat) {
    TForm* form = New<TForm>(nullptr);
    auto* t = New<TMemTableVz>(form);
    t->FieldDefs()->Add(u"A"_S, ftFloat);
    t->CreateDataSet();
    for (double v : {1000.0, 1469.0}) t->AppendRecord({Variant(v)});
    auto* src = New<TDataSource>(form);
    src->SetDataSet(t);
    auto* g = New<TDBGridVz>(form);
    g->SetParent(form);
    g->SetDataSource(src);
    g->Columns()->Add()->SetFieldName(u"A"_S);
    g->SumList()->SetActive(true);
    TColumnVz* c = g->Columns()->Items(0);
    c->Footer()->SetValueType(fvtAvg);
    auto* f = static_cast<TFloatField*>(t->FieldByName(u"A"_S));
    EXPECT_EQ(g->GetFooterValue(0, c).toStdString(), "1234,5");
    f->SetCurrency(true);
    EXPECT_EQ(g->GetFooterValue(0, c), u"1\u00A0234,50 ₽"_S);
    f->SetDisplayFormat(u"0.0"_S);  // the field's format wins over its currency style
    EXPECT_EQ(g->GetFooterValue(0, c).toStdString(), "1234,5");
    c->Footer()->SetDisplayFormat(u"0"_S);  // and the footer's over the field's
    EXPECT_EQ(g->GetFooterValue(0, c).toStdString(), "1235");
    FreeAndNil(form);
}

// The footer row painted: the fixed text at the left of its cell, the total placed at the right
// by an OnGetFooterParams handler, the footer's colour as the cell's background.
TEST_F(FootersTest, FooterRowIsPaintedWithTheParamsHandlersAlignment) {
    G->SetFooterRowCount(1);
    Col(0)->Footer()->SetValueType(fvtStaticText);
    Col(0)->Footer()->SetValue(u"ИТОГО"_S);
    Col(1)->Footer()->SetValueType(fvtSum);
    Col(1)->Footer()->SetAlignment(taLeftJustify);
    Col(1)->Footer()->SetColor(clYellow);
    int calls = 0;
    G->OnGetFooterParams = [&](TObject*, int DataCol, int Row, TColumnVz*, TFont*, TColor&, TAlignment& Alignment,
                               TGridDrawState, String& Text) {
        ++calls;
        EXPECT_EQ(Row, 0);
        if (DataCol == 1) {
            Alignment = taRightJustify;
            Text = Text + u" ₽"_S;
        }
    };
    Show();
    const QImage img = Grab(G);
    Save(img, "footers_row.png");
    EXPECT_GT(calls, 0);
    ASSERT_EQ(G->ContraRowCount(), 1);
    const TRect r1 = G->CellRect(G->DataColToGridCol(1), G->FullRowCount() - 1);
    ASSERT_GT(r1.Width(), 20);
    // Ink (dark pixels) in the right half of the total's cell only; yellow behind it.
    auto ink = [&](int X0, int X1) {
        int n = 0;
        for (int y = r1.Top + 2; y < r1.Bottom - 2; ++y)
            for (int x = X0; x < X1; ++x)
                if (qGray(img.pixel(x, y)) < 100) ++n;
        return n;
    };
    const int mid = (r1.Left + r1.Right) / 2;
    EXPECT_EQ(ink(r1.Left + 2, mid - 8), 0);
    EXPECT_GT(ink(mid, r1.Right - 1), 0);
    EXPECT_EQ(img.pixel(r1.Left + 3, r1.Top + 2), Rgb(clYellow));
}

// Under grouping the grouping's visible footers give grand-total rows above the column footers.
TEST_F(FootersTest, GrandTotalsOfTheGroupingComeFirstInTheFooterArea) {
    G->SetFooterRowCount(1);
    Col(2)->Footer()->SetValueType(fvtCount);
    TDBGridVzDataGroupsVz* dg = G->DataGrouping();
    TGridDataGroupFooterVz* f = dg->Footers()->Add();
    f->SetVisible(true);
    f->ColumnItems()->Items(1)->SetValueType(gfvStaticTextVz);
    f->ColumnItems()->Items(1)->SetText(u"ИТОГО:"_S);
    f->ColumnItems()->Items(2)->SetValueType(gfvSumVz);
    dg->GroupLevels()->Add()->SetColumn(Col(0));
    dg->SetActive(true);
    Show();
    EXPECT_EQ(G->GetFullFooterRowCount(), 2);
    EXPECT_EQ(G->ContraRowCount(), 2);
    TGroupDataTreeNodeVz* root = dg->GroupDataTree()->Root();
    ASSERT_EQ(root->FooterItemCount(), 1);
    EXPECT_EQ(root->FooterItems(0)->FooterValues(2).AsInteger(), 110);
    EXPECT_EQ(Text(0, 2), "5");  // the column footer row counts records
    const QImage img = Grab(G);
    Save(img, "footers_grand_totals.png");
    // The grand-total row carries ink in the total's cell, as does the column-footer row below it.
    for (int areaRow : {0, 1}) {
        const TRect r = G->CellRect(G->DataColToGridCol(2), G->RowCount() + areaRow);
        int n = 0;
        for (int y = r.Top + 2; y < r.Bottom - 2; ++y)
            for (int x = r.Left + 2; x < r.Right - 2; ++x)
                if (qGray(img.pixel(x, y)) < 100) ++n;
        EXPECT_GT(n, 0) << areaRow;
    }
    dg->SetActive(false);
    EXPECT_EQ(G->GetFullFooterRowCount(), 1);
}

}  // namespace
