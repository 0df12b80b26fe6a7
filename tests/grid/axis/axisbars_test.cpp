// The column model without a window: a bar's assigned values and their fallbacks, field binding,
// the bar type, copying, the collection's operations, and the bar's values written through a data
// link into an in-memory dataset.
#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/axisbarsvz.h"
#include "grid/axis/axisgridlinkvz.h"
#include "grid/base/specrowvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

namespace {

// The smallest grid the model can live in: colours, fonts and the data link, no window.
class FakeBarsGrid : public IAxisBarsGridVz, public IAxisGridLinkOwnerVz {
public:
    FakeBarsGrid() {
        Link.reset(New<TAxisGridDataLinkVz>(this));
        Bars.reset(CreateAxisBars());
    }
    ~FakeBarsGrid() override {
        Bars.reset();
        Link.reset();
    }
    TColor Color = clWindow;
    TFont GridFont;
    bool ReadOnly = false;
    TAxisBarDefValuesVz DefValues;
    TOwned<TAxisGridDataLinkVz> Link;
    TOwned<TGridAxisBarsVz> Bars;
    int Layouts = 0;
    int LayoutLevel = 0;
    Variant KeyValue;
    String Text;
    TFont Dummy;

    TColor AxisGridColor() override { return Color; }
    TFont* AxisGridFont() override { return &GridFont; }
    TBiDiMode AxisGridBiDiMode() override { return bdLeftToRight; }
    bool AxisGridReadOnly() override { return ReadOnly; }
    bool AxisGridFlat() override { return false; }
    bool AxisGridLoading() override { return false; }
    bool DrawGraphicData() override { return false; }
    bool DrawMemoText() override { return false; }
    TAxisBarDefValuesVz* AxisBarDefValues() override { return &DefValues; }
    TAxisGridDataLinkVz* AxisGridDataLink() override { return Link.get(); }
    TComponent* AxisGridComponent() override { return nullptr; }
    void InvalidateAxisGrid() override {}
    void BeginLayout() override {
        ++LayoutLevel;
        Bars ? Bars->BeginUpdate() : void();
    }
    void EndLayout() override {
        if (Bars) Bars->EndUpdate();
        if (--LayoutLevel == 0) ++Layouts;
    }
    void AxisBarDeleting(TAxisBarVz*) override {}
    void AxisBarLookupChanged(TAxisBarVz*) override {}
    void AxisBarChanged(TAxisBarVz*) override {}
    void GetDataSetFields(std::vector<TField*>& List) override {
        if (TDataSet* ds = Link->DataSet())
            for (int i = 0; i < ds->FieldCount(); ++i) List.push_back(ds->Fields()->Fields(i));
    }
    TGridAxisBarsVz* CreateAxisBars() override { return New<TGridAxisBarsVz>(this, TAxisBarVz::StaticClass()); }
    TAxisColCellParamsVz* CreateColCellParams() override { return new TAxisColCellParamsVz(); }
    Variant& EditKeyValue() override { return KeyValue; }
    String& EditText() override { return Text; }
    bool InplaceEditorShowing() override { return false; }
    String InplaceEditorText() override { return String(); }
    bool OperationsAllowEdit() override { return true; }
    void GetAxisBarCell(TAxisBarVz*, int& Col, int& Row) override { Col = Row = 0; }
    TFont* DummyFont() override { return &Dummy; }
    TCanvas* AxisGridCanvas() override { return nullptr; }
    TGridCoord AxisGridHotTrackCell() override { return TGridCoord{-1, -1}; }
    bool IsHotTrackTextLink() override { return false; }
    int InplaceEditorButtonWidth() override { return 17; }
    int InplaceEditorButtonHeight() override { return 17; }
    int AxisGridDefaultRowHeight() override { return 18; }
    int AxisGridRowHeight(int) override { return 18; }
    int AxisGridInterlinear() override { return 4; }
    void FormSystemPopupMenuForBar(TAxisBarVz*, TPopupMenu*) override {}
    void DoEditButtonClick() override {}
    void EditButtonDefaultAction(TAxisBarVz*, TEditButtonVz*, TEditButtonControlVz*, bool, bool&) override {}
    void AxisGridTakeFocus() override {}

    void DataLinkActiveChanged(bool) override {}
    void DataLinkDataChanged() override {}
    void DataLinkScrolled(int) override {}
    void DataLinkLayoutChanged() override {}
    void DataLinkEditingChanged() override {}
    void DataLinkRecordChanged(TField*) override {}
    void DataLinkUpdateData() override {}
};

struct BarsFixture : ::testing::Test {
    FakeBarsGrid G;
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    TOwned<TDataSource> Src = NewOwned<TDataSource>(nullptr);

    BarsFixture() {
        T->FieldDefs()->Add(u"ID"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 20);
        T->FieldDefs()->Add(u"Price"_S, ftFloat);
        T->FieldDefs()->Add(u"Kind"_S, ftString, 5);
        T->CreateDataSet();
        T->AppendRecord({Variant(1), Variant(u"Болт"_S), Variant(1.5), Variant(u"2"_S)});
        T->AppendRecord({Variant(2), Null(), Null(), Variant(u"7"_S)});
        T->First();
        Src->SetDataSet(T.get());
        G.Link->SetDataSource(Src.get());
    }
    ~BarsFixture() override {
        G.Bars.reset();
        G.Link->SetDataSource(nullptr);
    }
    TAxisBarVz* Bar(const String& FieldName) {
        TAxisBarVz* b = G.Bars->Add();
        b->SetFieldName(FieldName);
        return b;
    }
};

TEST(AxisBarModel, WithoutAGridEveryFallbackIsTheBarsOwn) {
    TOwned<TGridAxisBarsVz> bars = NewOwned<TGridAxisBarsVz>(nullptr, TAxisBarVz::StaticClass());
    TAxisBarVz* b = bars->Add();
    EXPECT_EQ(b->Color(), clWindow);
    EXPECT_EQ(b->Layout(), tlTop);
    for (bool v : {b->AlwaysShowEditButton(), b->EndEllipsis(), b->AutoDropDown(), b->DblClickNextVal(), b->ToolTips(),
                   b->DropDownSizing(), b->DropDownShowTitles(), b->HighlightRequired(), b->WordWrap()})
        EXPECT_FALSE(v);
    EXPECT_THROW(
        {
            TRect r;
            b->SetTextArea(r);
        },
        Exception);
}

TEST_F(BarsFixture, AnAssignedColourOutlivesTheGridsAndRestoreDefaultsFollowsItAgain) {
    G.Color = clRed;
    TAxisBarVz* b = Bar(u"ID"_S);
    EXPECT_EQ(b->Color(), clRed);
    b->SetColor(clBlue);
    G.Color = clGreen;
    EXPECT_EQ(b->Color(), clBlue);
    EXPECT_TRUE(b->AssignedValues().Contains(cvColor));
    b->RestoreDefaults();
    EXPECT_EQ(b->Color(), clGreen);
    EXPECT_FALSE(b->AssignedValues().Contains(cvColor));
}

TEST_F(BarsFixture, DefaultValuesComeFromTheGridUntilAssigned) {
    TAxisBarVz* b = Bar(u"ID"_S);
    G.DefValues.SetEndEllipsis(true);
    G.DefValues.SetLayout(tlCenter);
    EXPECT_TRUE(b->EndEllipsis());
    EXPECT_EQ(b->Layout(), tlCenter);
    b->SetEndEllipsis(false);
    EXPECT_FALSE(b->EndEllipsis());
    EXPECT_TRUE(b->AssignedValues().Contains(cvEndEllipsis));
}

TEST_F(BarsFixture, AnUnassignedFontFollowsTheGridsAndAChangeToItMakesItTheBarsOwn) {
    TAxisBarVz* b = Bar(u"ID"_S);
    G.GridFont.SetSize(14);
    EXPECT_EQ(b->Font()->Size(), 14);
    EXPECT_FALSE(b->AssignedValues().Contains(cvFont));
    b->Font()->SetSize(9);
    EXPECT_TRUE(b->AssignedValues().Contains(cvFont));
    G.GridFont.SetSize(20);
    EXPECT_EQ(b->Font()->Size(), 9);
}

TEST_F(BarsFixture, WordWrapFallsBackByFieldTypeAndSettingItsEffectiveValueStillAssigns) {
    TAxisBarVz* name = Bar(u"Name"_S);
    TAxisBarVz* id = Bar(u"ID"_S);
    EXPECT_TRUE(name->WordWrap());
    EXPECT_FALSE(id->WordWrap());
    name->SetWordWrap(true);
    EXPECT_TRUE(name->AssignedValues().Contains(cvWordWrap));
}

TEST_F(BarsFixture, ADefaultBarWritesAlignmentAndReadOnlyThroughToItsField) {
    TAxisBarVz* b = Bar(u"Price"_S);
    b->SetStored(false);
    b->SetAlignment(taCenter);
    EXPECT_EQ(T->FieldByName(u"Price"_S)->Alignment(), taCenter);
    EXPECT_FALSE(b->AssignedValues().Contains(cvAlignment));
    EXPECT_EQ(b->Alignment(), taCenter);
    TAxisBarVz* s = Bar(u"ID"_S);
    s->SetAlignment(taCenter);
    EXPECT_TRUE(s->AssignedValues().Contains(cvAlignment));
    EXPECT_EQ(T->FieldByName(u"ID"_S)->Alignment(), taRightJustify);
}

TEST_F(BarsFixture, BarTypeFollowsListsAndCheckboxes) {
    TAxisBarVz* b = Bar(u"Kind"_S);
    EXPECT_EQ(b->GetBarType(), ctCommon);
    EXPECT_FALSE(b->HasPickListItems());  // reading the type makes no list
    b->PickList()->Add(u"Да"_S);
    EXPECT_EQ(b->GetBarType(), ctPickList);
    b->KeyList()->Add(u"1"_S);
    EXPECT_EQ(b->GetBarType(), ctKeyPickList);
    b->SetCheckboxes(true);
    EXPECT_EQ(b->GetBarType(), ctCheckboxes);
}

TEST_F(BarsFixture, NamesAreFoundCaseSensitively) {
    Bar(u"ID"_S);
    Bar(u"Name"_S);
    EXPECT_EQ(G.Bars->FindBarByName(u"Column_0_ID"_S), G.Bars->AxisBar(0));
    EXPECT_EQ(G.Bars->FindBarByName(u"column_0_id"_S), nullptr);
    EXPECT_EQ(G.Bars->AxisBar(1)->Name(), u"Column_1_Name"_S);
}

TEST_F(BarsFixture, AddingABarInsideAnUpdateDoesNotRelayOutUntilItEnds) {
    const int before = G.Layouts;
    Bar(u"ID"_S);
    EXPECT_EQ(G.Layouts, before + 1);
    G.Bars->BeginUpdate();
    Bar(u"Name"_S);
    Bar(u"Price"_S);
    EXPECT_EQ(G.Layouts, before + 1);
    G.Bars->EndUpdate();
}

TEST_F(BarsFixture, AssignCopiesAssignedValuesAndTheAlwaysCopiedSettings) {
    TAxisBarVz* a = Bar(u"Name"_S);
    a->SetColor(clYellow);
    a->PickList()->Add(u"x"_S);
    a->SetIncrement(2.5);
    a->SetTag(7);
    a->SetCellDataIsLink(true);
    TAxisBarVz* b = Bar(u"ID"_S);
    b->Assign(a);
    EXPECT_EQ(b->FieldName(), u"Name"_S);
    EXPECT_EQ(b->Color(), clYellow);
    EXPECT_EQ(b->PickList()->Count(), 1);
    EXPECT_EQ(static_cast<double>(b->Increment()), 2.5);
    EXPECT_EQ(b->Tag(), 7);
    EXPECT_FALSE(b->CellDataIsLink());  // not copied
    EXPECT_TRUE(b->AssignedValues().Contains(cvEndEllipsis));
    EXPECT_TRUE(b->AssignedValues().Contains(cvLayout));
    EXPECT_FALSE(b->AssignedValues().Contains(cvAlignment));
}

TEST_F(BarsFixture, AddAllBarsMakesOneStoredBarPerField) {
    G.Bars->AddAllBars(true);
    ASSERT_EQ(G.Bars->Count(), 4);
    EXPECT_EQ(G.Bars->State(), csCustomized);
    EXPECT_EQ(G.Bars->AxisBar(3)->FieldName(), u"Kind"_S);
    G.Bars->SetState(csDefault);
    EXPECT_EQ(G.Bars->Count(), 0);
}

TEST_F(BarsFixture, ABarBindsLazilyOnlyToAnOpenDataSetOrPersistentFields) {
    TAxisBarVz* b = Bar(u"Price"_S);
    EXPECT_EQ(b->Field(), T->FieldByName(u"Price"_S));
    TAxisBarVz* none = Bar(u"Missing"_S);
    EXPECT_EQ(none->Field(), nullptr);
}

TEST_F(BarsFixture, SavedBarsLoadIntoAnotherCollectionWithTheirOrderAndAssignedValues) {
    TAxisBarVz* a = Bar(u"Price"_S);
    a->SetColor(clYellow);
    a->SetDisplayFormat(u"0.00"_S);
    a->PickList()->Add(u"x"_S);
    TAxisBarVz* b = Bar(u"ID"_S);
    b->SetEndEllipsis(true);
    b->SetIncrement(0.5);
    TMemoryStream s;
    G.Bars->SaveToStream(&s);

    FakeBarsGrid other;
    other.Link->SetDataSource(Src.get());
    for (auto n : {u"Name"_S, u"Kind"_S, u"ID"_S}) other.Bars->Add()->SetFieldName(n);
    s.SetPosition(0);
    other.Bars->LoadFromStream(&s);
    ASSERT_EQ(other.Bars->Count(), 2);
    TAxisBarVz* la = other.Bars->AxisBar(0);
    TAxisBarVz* lb = other.Bars->AxisBar(1);
    EXPECT_EQ(la->FieldName(), u"Price"_S);
    EXPECT_EQ(la->Color(), clYellow);
    EXPECT_EQ(la->DisplayFormat(), u"0.00"_S);
    EXPECT_EQ(la->PickList()->Count(), 1);
    EXPECT_EQ(lb->FieldName(), u"ID"_S);
    EXPECT_TRUE(lb->EndEllipsis());
    EXPECT_TRUE(lb->AssignedValues().Contains(cvEndEllipsis));
    EXPECT_FALSE(lb->AssignedValues().Contains(cvColor));
    EXPECT_EQ(static_cast<double>(lb->Increment()), 0.5);

    TMemoryStream junk;
    junk.Write("not a stream", 12);
    junk.SetPosition(0);
    EXPECT_ANY_THROW(other.Bars->LoadFromStream(&junk));
    EXPECT_EQ(other.Bars->Count(), 2);  // the bars it had stay
    other.Bars.reset();
    other.Link->SetDataSource(nullptr);
}

// ---- values ------------------------------------------------------------------------------------

TEST_F(BarsFixture, KeyListTextsShowPickListItemsAndTheNotInListIndex) {
    TAxisBarVz* b = Bar(u"Kind"_S);
    b->KeyList()->Add(u"1"_S);
    b->KeyList()->Add(u"2"_S);
    b->PickList()->Add(u"Да"_S);
    b->PickList()->Add(u"Нет"_S);
    EXPECT_EQ(b->DisplayText(), u"Нет"_S);  // Kind = 2
    T->Next();                              // Kind = 7
    EXPECT_EQ(b->DisplayText(), String());
    b->SetNotInKeyListIndex(0);
    EXPECT_EQ(b->DisplayText(), u"Да"_S);
}

TEST_F(BarsFixture, ADisplayFormatFormatsNumbersAndNothingShowsForNull) {
    TAxisBarVz* b = Bar(u"Price"_S);
    b->SetDisplayFormat(u"0.00"_S);
    EXPECT_EQ(b->DisplayText(), u"1,50"_S);
    T->Next();
    EXPECT_EQ(b->DisplayText(), String());
    TAxisBarVz* s = Bar(u"Name"_S);
    s->SetDisplayFormat(u"0.00"_S);
    T->First();
    EXPECT_EQ(s->DisplayText(), String());
}

TEST_F(BarsFixture, CheckboxStatesMapToValuesAndKeyListItems) {
    TAxisBarVz* id = Bar(u"ID"_S);
    EXPECT_EQ(id->CheckboxState(), cbChecked);  // ID = 1
    T->Next();
    EXPECT_EQ(id->CheckboxState(), cbUnchecked);  // ID = 2
    TAxisBarVz* k = Bar(u"Kind"_S);
    k->KeyList()->Add(u"Y;y;2"_S);
    k->KeyList()->Add(u"N;n"_S);
    T->First();
    EXPECT_EQ(k->CheckboxState(), cbChecked);  // "2" belongs to item 0
    T->Next();
    EXPECT_EQ(k->CheckboxState(), cbGrayed);
    T->Edit();
    k->SetCheckboxState(cbChecked);
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"Y"_S);
    T->Cancel();
    EXPECT_TRUE(TAxisBarVz::TextInKeyListItem(String(), u"Y;"_S));
}

TEST_F(BarsFixture, StepsThroughNumbersAndPickListsAlwaysThroughOnUpdateData) {
    TAxisBarVz* price = Bar(u"Price"_S);
    T->Next();  // Price Null
    price->SetNextFieldValue(1);
    EXPECT_EQ(T->FieldByName(u"Price"_S)->AsFloat(), 0.0);
    price->SetNextFieldValue(2.5);
    EXPECT_EQ(T->FieldByName(u"Price"_S)->AsFloat(), 2.5);
    T->Post();

    TAxisBarVz* kind = Bar(u"Kind"_S);
    for (auto s : {u"a"_S, u"b"_S, u"c"_S}) kind->PickList()->Add(s);
    int updates = 0;
    kind->OnUpdateData = [&](TObject*, String&, Variant&, bool&, bool&) { ++updates; };
    T->Edit();
    T->FieldByName(u"Kind"_S)->SetAsString(u"c"_S);
    kind->SetNextFieldValue(1);  // wraps to the first
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"a"_S);
    kind->SetNextFieldValue(-1);  // wraps to the last
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"c"_S);
    kind->SetNextFieldValue(2);  // any increment but 1 steps back
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"b"_S);
    EXPECT_EQ(updates, 3);
    T->Cancel();
}

TEST_F(BarsFixture, AFailedNumericStepRaisesAndCancelsTheEditItStarted) {
    TAxisBarVz* price = Bar(u"Price"_S);
    T->FieldByName(u"Price"_S)->OnValidate = [](TField*) { throw EDatabaseError(u"слишком дорого"_S); };
    EXPECT_THROW(price->SetNextFieldValue(1), EDatabaseError);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->FieldByName(u"Price"_S)->AsFloat(), 1.5);
}

TEST_F(BarsFixture, AHandledUpdateLeavesTheFieldAndTheMRUListAlone) {
    TAxisBarVz* b = Bar(u"Name"_S);
    b->OnUpdateData = [](TObject*, String&, Variant&, bool&, bool& Handled) { Handled = true; };
    T->Edit();
    b->SetValueAsText(u"Гайка"_S);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Болт"_S);
    T->Cancel();
}

TEST_F(BarsFixture, AReadOnlyGridOrAReadOnlyCellHookForbidsModifying) {
    TAxisBarVz* b = Bar(u"Name"_S);
    EXPECT_TRUE(b->CanModify(false));
    G.ReadOnly = true;
    EXPECT_FALSE(b->CanModify(false));
    G.ReadOnly = false;
    T->FieldByName(u"Name"_S)->SetReadOnly(true);
    EXPECT_FALSE(b->CanModify(false));
}

TEST_F(BarsFixture, WritersAskCanModifyBeforeEditing) {
    TAxisBarVz* b = Bar(u"Name"_S);
    G.ReadOnly = true;
    b->ClearValue();
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Болт"_S);
    G.ReadOnly = false;
    b->ClearValue();
    EXPECT_TRUE(T->FieldByName(u"Name"_S)->IsNull());
    T->Cancel();
}

TEST_F(BarsFixture, ATextFilterDoublesApostrophesAndWrapsContainsInWildcards) {
    TAxisBarVz* b = Bar(u"Name"_S);
    b->DefaultDropDownBoxApplyTextFilter(T.get(), u"Name"_S, lsftContainsVz, u"O'B"_S);
    EXPECT_EQ(T->Filter(), u"[Name] like '%O''B%'"_S);
    EXPECT_TRUE(T->Filtered());
    b->DefaultDropDownBoxApplyTextFilter(T.get(), u"Name"_S, lsftBeginsWithVz, u"Б"_S);
    EXPECT_EQ(T->Filter(), u"[Name] like 'Б%'"_S);
    T->SetFiltered(false);
}

}  // namespace
