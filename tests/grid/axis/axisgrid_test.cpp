// The data-aware axis grid on a form, over an in-memory dataset: rebuilding bars and the field map,
// the layout locks and the deferred layout, removal of fields and sources, drawing, hints, fonts,
// editing and writing back, place boxes and link hot-tracking.
#include "testaxisgrid.h"

#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/axisgridcursorsvz.h"
#include "platform/gui/cursors.h"
#include "grid/axis/axisgridroutinesvz.h"
#include "grid/base/specrowvz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/imaging.h"
#include "platform/gui/messages.h"
#include "platform/rtl/streams.h"
#include "support/input.h"

#include <QCursor>
#include <QPixmap>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>

namespace {

using namespace sdelka::test;

class AxisGrid : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 560, 300);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"ID"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
        T->FieldDefs()->Add(u"Price"_S, ftFloat);
        T->FieldDefs()->Add(u"Kind"_S, ftString, 5);
        T->CreateDataSet();
        T->FieldByName(u"Kind"_S)->SetVisible(false);
        T->AppendRecord({Variant(1), Variant(u"Болт"_S), Variant(1.5), Variant(u"1"_S)});
        T->AppendRecord({Variant(2), Variant(u"Гайка"_S), Null(), Variant(u"2"_S)});
        T->AppendRecord({Variant(3), Variant(u"Шайба"_S), Variant(0.25), Variant(u"7"_S)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        G = New<TTestAxisGridVz>(Form);
        G->SetBounds(0, 0, 560, 300);
        G->SetParent(Form);
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Show() {
        Form->Show();
        G->SetFocus();
        Application->ProcessMessages();
    }
    std::vector<String> BarFields() {
        std::vector<String> r;
        for (int i = 0; i < G->AxisBars()->Count(); ++i) r.push_back(G->AxisBars()->AxisBar(i)->FieldName());
        return r;
    }
    QImage Grab() {
        G->Invalidate();
        return G->Handle()->grab().toImage();
    }
    static void Save(const QImage& Img, const char* Name) {
        QString dir = QDir::temp().filePath(QStringLiteral("sdelka-axisgrid"));
        QDir().mkpath(dir);
        Img.save(dir + QLatin1Char('/') + QLatin1String(Name));
    }
    static QRgb Rgb(TColor C) {
        COLORREF c = ColorToRGB(C);
        return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TTestAxisGridVz* G = nullptr;
};

// ---- layout and binding ------------------------------------------------------------------------

TEST_F(AxisGrid, DefaultBarsFollowTheVisibleFieldsAndAnEmptyDataSetShowsOneEmptyBar) {
    G->SetDataSource(Src);
    EXPECT_EQ(BarFields(), (std::vector<String>{u"ID"_S, u"Name"_S, u"Price"_S}));
    EXPECT_FALSE(G->AxisBars()->AxisBar(0)->Stored());
    T->FieldByName(u"Name"_S)->SetVisible(false);
    EXPECT_EQ(BarFields(), (std::vector<String>{u"ID"_S, u"Price"_S}));
    for (int i = 0; i < T->FieldCount(); ++i) T->Fields()->Fields(i)->SetVisible(false);
    ASSERT_EQ(G->AxisBars()->Count(), 1);
    EXPECT_EQ(G->AxisBars()->AxisBar(0)->Field(), nullptr);
}

TEST_F(AxisGrid, ClosingKeepsOneEmptyDefaultBarButEveryStoredBar) {
    G->SetDataSource(Src);
    T->Close();
    ASSERT_EQ(G->AxisBars()->Count(), 1);
    EXPECT_TRUE(G->AxisBars()->AxisBar(0)->FieldName().isEmpty());
    T->Open();
    G->AxisBars()->AddAllBars(true);
    ASSERT_EQ(G->AxisBars()->Count(), 4);
    T->Close();
    ASSERT_EQ(G->AxisBars()->Count(), 4);
    EXPECT_EQ(G->AxisBars()->AxisBar(1)->Field(), nullptr);  // automatic fields are gone with the close
    EXPECT_EQ(G->AxisBars()->AxisBar(1)->FieldName(), u"Name"_S);
}

TEST_F(AxisGrid, StoredBarsKeepTheirOrderAndAMissingFieldLeavesAHole) {
    G->SetDataSource(Src);
    G->AxisBars()->Clear();
    for (auto n : {u"Price"_S, u"Nope"_S, u"ID"_S}) {
        TAxisBarVz* b = G->AxisBars()->Add();
        b->SetFieldName(n);
    }
    EXPECT_EQ(BarFields(), (std::vector<String>{u"Price"_S, u"Nope"_S, u"ID"_S}));
    ASSERT_EQ(G->FieldCount(), 3);
    EXPECT_EQ(G->Fields(0), T->FieldByName(u"Price"_S));
    EXPECT_EQ(G->Fields(1), nullptr);
    EXPECT_FALSE(G->ValidFieldIndex(1));
    EXPECT_EQ(G->Fields(2), T->FieldByName(u"ID"_S));
}

TEST_F(AxisGrid, ANonStoredBarBeforeAStoredOneGoesWithEveryNonStoredBar) {
    G->SetDataSource(Src);
    G->BeginLayout();
    G->AxisBars()->Clear();
    TAxisBarVz* a = G->AxisBars()->Add();
    a->SetFieldName(u"ID"_S);
    TAxisBarVz* tail = G->AxisBars()->Add();
    tail->SetStored(false);
    G->EndLayout();
    EXPECT_EQ(G->AxisBars()->Count(), 2);  // a non-stored bar after stored ones stays
    G->BeginLayout();
    G->AxisBars()->AxisBar(1)->TCollectionItem::SetIndex(0);
    G->EndLayout();
    EXPECT_EQ(BarFields(), (std::vector<String>{u"ID"_S}));
}

TEST_F(AxisGrid, LayoutChangesInsideAnUpdateRebuildOnceAtTheEnd) {
    G->SetDataSource(Src);
    const int before = G->Layouts;
    G->BeginUpdate();
    G->LayoutChanged();
    G->LayoutChanged();
    EXPECT_EQ(G->Layouts, before);
    G->EndUpdate();
    EXPECT_EQ(G->Layouts, before + 1);
    G->EndLayout();  // without a BeginLayout: nothing
    EXPECT_EQ(G->Layouts, before + 1);
    EXPECT_EQ(G->LayoutLock(), 0);
}

TEST_F(AxisGrid, ALayoutThatFailsStillReleasesEveryLock) {
    G->SetDataSource(Src);
    G->BeginLayout();
    G->FailLayout = true;
    EXPECT_THROW(G->EndLayout(), Exception);
    G->FailLayout = false;
    EXPECT_EQ(G->LayoutLock(), 0);
    EXPECT_EQ(G->UpdateLock(), 0);
    EXPECT_EQ(G->AxisBars()->UpdateCount(), 0);
}

TEST_F(AxisGrid, DeferredLayoutPostsOneMessageAndRebuildsWhenTheLoopRuns) {
    G->SetDataSource(Src);
    G->HandleNeeded();
    const int before = G->Layouts;
    G->DeferLayout();
    G->DeferLayout();
    TMsg m;
    EXPECT_TRUE(PeekMessage(m, G->Handle(), WM_AXISGRID_LAYOUT, WM_AXISGRID_LAYOUT, PM_REMOVE));
    EXPECT_FALSE(PeekMessage(m, G->Handle(), WM_AXISGRID_LAYOUT, WM_AXISGRID_LAYOUT, PM_NOREMOVE));
    G->DeferLayout();
    Application->ProcessMessages();
    EXPECT_EQ(G->Layouts, before + 1);
}

TEST_F(AxisGrid, FreeingABoundFieldUnbindsAndFreeingTheSourceDetachesIt) {
    T->Close();
    for (int i = 0; i < T->FieldDefs()->Count(); ++i) T->FieldDefs()->Items(i)->CreateField(T);
    T->Open();
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TField* price = T->FieldByName(u"Price"_S);
    EXPECT_EQ(G->AxisBars()->AxisBar(2)->Field(), price);
    T->Close();
    price->Free();
    Application->ProcessMessages();
    EXPECT_EQ(G->AxisBars()->AxisBar(2)->Field(), nullptr);
    Src->Free();
    Src = nullptr;
    EXPECT_EQ(G->DataSource(), nullptr);
}

TEST_F(AxisGrid, FieldLookupsByNameIgnoreCaseAndAMissingOneRaisesTheLibraryText) {
    G->SetDataSource(Src);
    EXPECT_EQ(G->FindFieldColumn(u"price"_S), G->AxisBars()->AxisBar(2));
    try {
        G->GetFieldAxisBars(u"Цена"_S);
        FAIL();
    } catch (const EInvalidGridOperationVz& E) {
        EXPECT_EQ(E.Message(), u"Имя поля 'Цена' не найдено"_S);
    }
}

// ---- drawing -----------------------------------------------------------------------------------

TEST_F(AxisGrid, CellsShowTheBarsTextsAndTheCurrentCellIsHighlightedOnlyWithFocus) {
    G->SetDataSource(Src);
    G->SetOptions(G->Options() - TGridOptionsVz{goAlwaysShowEditorVz});
    G->AxisBars()->AddAllBars(true);
    G->AxisBars()->AxisBar(2)->SetDisplayFormat(u"0.00"_S);
    TAxisBarVz* kind = G->AxisBars()->AxisBar(3);
    kind->SetCheckboxes(true);
    kind->KeyList()->Add(u"1"_S);
    kind->KeyList()->Add(u"2"_S);
    Show();
    G->SetCol(2);
    const QImage img = Grab();
    Save(img, "cells.png");
    const TRect cur = G->CellRect(2, 1);
    EXPECT_EQ(img.pixel(cur.Left + 2, cur.Bottom - 3), Rgb(clHighlight));
    const TRect other = G->CellRect(2, 2);
    EXPECT_EQ(img.pixel(other.Left + 2, other.Bottom - 3), Rgb(clWindow));
    EXPECT_EQ(G->AxisBars()->AxisBar(2)->DisplayText(), u"1,50"_S);
    // Kind 1 is checked, 7 is in neither key: grayed, drawn unlike the checked box.
    const TRect c1 = G->CellRect(4, 1), c3 = G->CellRect(4, 3);
    EXPECT_NE(img.copy(c1.Left, c1.Top, c1.Width(), c1.Height()), img.copy(c3.Left, c3.Top, c3.Width(), c3.Height()));
    T->Last();
    EXPECT_EQ(kind->CheckboxState(), cbGrayed);
}

TEST_F(AxisGrid, APictureIsFittedIntoItsCellKeepingItsProportionsAndABadOneIsShownAsText) {
    TOwned<TMemTableVz> pics = NewOwned<TMemTableVz>(nullptr);
    pics->FieldDefs()->Add(u"Pic"_S, ftGraphic);
    pics->CreateDataSet();
    TBitmap big;
    big.SetSize(64, 64);
    big.Canvas()->Brush()->SetColor(clRed);
    big.Canvas()->FillRect(TRect(0, 0, 64, 64));
    TMemoryStream bytes;
    big.SaveToStream(&bytes);
    const auto* p = static_cast<const Byte*>(bytes.Memory());
    pics->Append();
    pics->FieldByName(u"Pic"_S)->SetAsBytes(TBytes(p, p + bytes.Size()));
    pics->Post();
    TOwned<TDataSource> src = NewOwned<TDataSource>(nullptr);
    src->SetDataSet(pics.get());
    G->SetDrawGraphicData(true);
    G->SetDataSource(src.get());
    TAxisBarVz* bar = G->AxisBars()->AxisBar(0);
    EXPECT_EQ(bar->GetBarType(), ctGraphicData);
    EXPECT_TRUE(bar->UseInCellEditButtons());  // no text editing: its buttons would sit in the cell

    TBitmap cell;
    cell.SetSize(32, 48);
    cell.Canvas()->Brush()->SetColor(clWhite);
    G->DrawGraphicCellData(cell.Canvas(), bar, TRect(0, 0, 32, 48), clWhite, true, 1.0);
    QImage img = cell.ToImage();
    EXPECT_EQ(img.pixel(16, 7), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(16, 8), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(16, 39), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(16, 40), qRgb(255, 255, 255));

    pics->Edit();
    pics->FieldByName(u"Pic"_S)->SetAsBytes(TBytes{'t', 'e', 'x', 't', ' ', 'b', 'y', 't', 'e', 's'});
    pics->Post();
    cell.SetSize(200, 60);
    EXPECT_NO_THROW(G->DrawGraphicCellData(cell.Canvas(), bar, TRect(0, 0, 200, 60), clWhite, true, 1.0));
    EXPECT_THROW(G->LoadPictureFromBlobField(bar), EInvalidGraphic);
    G->SetDataSource(nullptr);
}

TEST_F(AxisGrid, ScalingScalesABarsOwnFontByItsOwnSize) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    G->Font()->SetSize(8);
    TAxisBarVz* b = G->AxisBars()->AxisBar(0);
    b->Font()->SetSize(12);
    TAxisBarVz* follower = G->AxisBars()->AxisBar(1);
    G->ChangeScale(2, 1);
    EXPECT_EQ(b->Font()->Size(), 24);
    EXPECT_EQ(G->Font()->Size(), 16);
    EXPECT_EQ(follower->Font()->Size(), 16);
}

TEST_F(AxisGrid, FlatGridsSpaceLinesMoreTightly) {
    EXPECT_EQ(G->Interlinear(), 4);
    G->SetFlat(true);
    EXPECT_EQ(G->Interlinear(), 2);
}

TEST_F(AxisGrid, AHintShowsOnlyForATextThatDoesNotFit) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    Show();
    TDBAxisGridDataHintParamsVz p;
    const TRect r = G->CellRect(2, 1);
    G->DefaultFillDataHintShowInfo(TPoint(r.Left + 5, r.Top + 5), TGridCoord{2, 1}, G->AxisBars()->AxisBar(1), &p);
    EXPECT_TRUE(p.HintStr.isEmpty());
    G->SetColWidths(2, 20);
    TDBAxisGridDataHintParamsVz q;
    G->DefaultFillDataHintShowInfo(TPoint(r.Left + 5, r.Top + 5), TGridCoord{2, 1}, G->AxisBars()->AxisBar(1), &q);
    EXPECT_EQ(q.HintStr, u"Болт"_S);
}

// ---- editing -----------------------------------------------------------------------------------

TEST_F(AxisGrid, AllowedOperationsDecideWhetherARecordMayBeEdited) {
    G->SetDataSource(Src);
    EXPECT_TRUE(G->OperationsAllowEdit());
    G->SetAllowedOperations(TDBGridVzAllowedOperations{alopInsertVz, alopAppendVz, alopDeleteVz});
    EXPECT_FALSE(G->OperationsAllowEdit());
    T->Append();
    EXPECT_TRUE(G->OperationsAllowEdit());
    T->Cancel();
    G->SetAllowedOperations(TDBGridVzAllowedOperations{alopUpdateVz});
    T->EmptyTable();
    EXPECT_FALSE(G->OperationsAllowEdit());
}

TEST_F(AxisGrid, ThePressTimeIsHandedOutOnce) {
    G->SetDataSource(Src);
    Show();
    Click(G->Handle(), QPointF(60, 30));
    TPoint p;
    unsigned t1 = 0, t2 = 0;
    G->TakeMouseDownPoint(p, t1);
    G->TakeMouseDownPoint(p, t2);
    EXPECT_NE(t1, 0u);
    EXPECT_EQ(t2, 0u);
}

TEST_F(AxisGrid, TypingIntoACellAndMovingOffWritesTheRecord) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    Show();
    G->SetCol(2);
    ASSERT_TRUE(G->InplaceEditor() && G->InplaceEditor()->Visible());
    EXPECT_EQ(G->InplaceEditor()->Text(), u"Болт"_S);
    QWidget* w = QApplication::focusWidget();
    ASSERT_NE(w, nullptr);
    SendKey(w, Qt::Key_A, Qt::ControlModifier);
    for (QChar c : u"Винт"_S) SendKey(w, Qt::Key_unknown, Qt::NoModifier, QString(c));
    EXPECT_EQ(G->InplaceEditor()->Text(), u"Винт"_S);
    EXPECT_EQ(T->State(), dsEdit);
    SendKey(w, Qt::Key_Down);
    EXPECT_EQ(T->State(), dsBrowse);
    EXPECT_EQ(T->RecNo(), 2);
    T->First();
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Винт"_S);
}

TEST_F(AxisGrid, EscapeBelongsToTheGridWhileTheRecordHasUnsavedChanges) {
    G->SetDataSource(Src);
    G->HandleNeeded();
    EXPECT_EQ(G->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 0);
    T->Edit();
    T->FieldByName(u"Name"_S)->SetAsString(u"Винт"_S);
    EXPECT_EQ(G->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 1);
    T->Cancel();
}

TEST_F(AxisGrid, WhileALayoutLevelIsHeldTheEditorNeverShows) {
    G->SetDataSource(Src);
    Show();
    G->BeginLayout();
    G->ShowEditor();
    EXPECT_FALSE(G->IsEditorVisible());
    G->EndLayout();
}

TEST_F(AxisGrid, APickListBarFiresNotInListOnceAndStillWritesTheText) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TAxisBarVz* name = G->AxisBars()->AxisBar(1);
    name->PickList()->Add(u"Болт"_S);
    name->PickList()->Add(u"Гайка"_S);
    int fired = 0;
    name->OnNotInList = [&](TObject*, const String&, bool&) { ++fired; };
    G->SetCol(2);
    T->Edit();
    G->EditText() = u"Заклёпка"_S;
    G->UpdateData();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Заклёпка"_S);
    T->Cancel();
}

TEST_F(AxisGrid, AKeyPickListRefusesATextThatIsNotInTheListAndKeepsTheKey) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TAxisBarVz* kind = G->AxisBars()->AxisBar(3);
    kind->KeyList()->Add(u"1"_S);
    kind->KeyList()->Add(u"2"_S);
    kind->PickList()->Add(u"Да"_S);
    kind->PickList()->Add(u"Нет"_S);
    int fired = 0;
    kind->OnNotInList = [&](TObject*, const String&, bool&) { ++fired; };
    kind->SetLimitTextToListValues(false);
    G->SetCol(4);
    T->Edit();
    G->EditText() = u"Может быть"_S;
    G->EditKeyValue() = Null();
    G->UpdateData();
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"1"_S);
    G->EditText() = u"нет"_S;
    G->UpdateData();
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"2"_S);
    T->Cancel();
}

TEST_F(AxisGrid, TheSystemMenuOffersEditingOnlyWhereTheCellMayBeModified) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TAxisBarVz* b = G->AxisBars()->AxisBar(1);
    TPopupMenu* m = b->GetPopupMenu();
    ASSERT_EQ(m->Items()->Count(), 4);
    EXPECT_TRUE(m->Items()->Items(0)->Enabled());
    G->SetAllowedOperations(TDBGridVzAllowedOperations{alopInsertVz});
    m = b->GetPopupMenu();
    EXPECT_FALSE(m->Items()->Items(0)->Enabled());  // Cut
    EXPECT_TRUE(m->Items()->Items(1)->Enabled());   // Copy
    EXPECT_FALSE(m->Items()->Items(2)->Enabled());  // Paste
}

// ---- place boxes and hot-tracking --------------------------------------------------------------

TEST_F(AxisGrid, APlaceBoxPutsLeftButtonsBeforeTheTextAndEditButtonsAfterIt) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    G->SetFlat(true);
    TAxisBarVz* b = G->AxisBars()->AxisBar(1);
    b->SetAlwaysShowEditButton(true);
    b->EditButton()->SetVisible(false);
    for (int i = 0; i < 2; ++i) b->EditButtons()->Add()->SetWidth(i == 0 ? 0 : 20);
    TCellButtonVz* left = static_cast<TCellButtonVz*>(b->CellButtons()->Add());
    left->SetHorzPlacement(ebhpLeftVz);
    left->SetWidth(10);
    std::vector<TCellPlaceBoxChildVz> box;
    G->BuildCellPlaceBox(2, 1, TRect(0, 0, 100, 18), b, box);
    ASSERT_EQ(box.size(), 4u);
    EXPECT_EQ(box[0].Button, nullptr);
    EXPECT_EQ(box[1].Button, left);
    EXPECT_EQ(box[1].ClientRect.Left, 0);
    EXPECT_EQ(box[0].ClientRect.Left, 12);
    const int w0 = G->InplaceEditorButtonWidth() + 1;
    EXPECT_EQ(box[2].ClientRect.Width(), w0);
    EXPECT_EQ(box[3].ClientRect.Width(), 22);
    EXPECT_EQ(box[3].ClientRect.Right, 100);
    std::vector<TCellPlaceBoxChildVz> narrow;
    G->BuildCellPlaceBox(2, 1, TRect(0, 0, 30, 18), b, narrow);
    EXPECT_EQ(narrow[0].ClientRect.Width(), 0);
}

TEST_F(AxisGrid, AMainButtonWithoutAHandlerRunsTheDefaultActionAndAHandlerThatHandlesStopsIt) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TAxisBarVz* b = G->AxisBars()->AxisBar(2);
    b->SetButtonStyle(cbsEllipsis);
    b->EditButton()->SetDefaultAction(true);
    int gridClicks = 0;
    G->OnEditButtonClick = [&](TObject*) { ++gridClicks; };
    b->CellEditButtonClick(b->EditButton(), nullptr);
    EXPECT_EQ(G->DefaultActions, 1);
    EXPECT_EQ(gridClicks, 1);
    b->EditButton()->OnEditButtonClick = [](TObject*, bool& Handled) { Handled = true; };
    b->CellEditButtonClick(b->EditButton(), nullptr);
    EXPECT_EQ(G->DefaultActions, 1);
    EXPECT_EQ(gridClicks, 2);
    // An up/down press steps the value by the bar's increment through the default action.
    b->SetButtonStyle(cbsUpDown);
    b->SetIncrement(0.5);
    bool repeat = false, handled = false;
    b->CellEditButtonDown(b->EditButton(), nullptr, true, repeat, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(T->FieldByName(u"Price"_S)->AsFloat(), 2.0);
    T->Cancel();
}

TEST_F(AxisGrid, ALookupFieldBarShowsTheListTextAndRefusesATextThatNamesNoRow) {
    TOwned<TMemTableVz> depts = NewOwned<TMemTableVz>(nullptr);
    depts->FieldDefs()->Add(u"Code"_S, ftString, 5);
    depts->FieldDefs()->Add(u"Title"_S, ftWideString, 20);
    depts->CreateDataSet();
    depts->AppendRecord({Variant(u"1"_S), Variant(u"Резка"_S)});
    depts->AppendRecord({Variant(u"2"_S), Variant(u"Сварка"_S)});
    T->Close();
    for (int i = 0; i < T->FieldDefs()->Count(); ++i) T->FieldDefs()->Items(i)->CreateField(T);
    TField* look = New<TWideStringField>(T);
    look->SetFieldName(u"KindTitle"_S);
    look->SetFieldKind(fkLookup);
    look->SetSize(20);
    look->SetKeyFields(u"Kind"_S);
    look->SetLookupDataSet(depts.get());
    look->SetLookupKeyFields(u"Code"_S);
    look->SetLookupResultField(u"Title"_S);
    look->SetDataSet(T);
    T->Open();
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TAxisBarVz* bar = G->FindFieldColumn(u"KindTitle"_S);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->GetBarType(), ctLookupField);
    EXPECT_TRUE(bar->LimitTextToListValues());
    T->First();  // Kind 1
    EXPECT_EQ(bar->DisplayText(), u"Резка"_S);
    bar->SetLimitTextToListValues(false);
    G->SetCol(bar->Index() + 1);
    T->Edit();
    G->EditText() = u"Покраска"_S;
    G->EditKeyValue() = Null();
    G->UpdateData();
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"1"_S);
    G->EditText() = u"сварка"_S;
    G->UpdateData();
    EXPECT_EQ(T->FieldByName(u"Kind"_S)->AsString(), u"2"_S);
    T->Cancel();
    G->SetDataSource(nullptr);
}

TEST_F(AxisGrid, ARightAlignedLinkIsHotOnlyOverItsText) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TAxisBarVz* b = G->AxisBars()->AxisBar(1);
    b->SetAlignment(taRightJustify);
    b->SetCellDataIsLink(true);
    Show();
    const TRect r = G->CellRect(2, 2);
    SendMouse(G->Handle(), QEvent::MouseMove, QPointF(r.Right - 8, r.Top + 8));
    EXPECT_TRUE(G->IsHotTrackTextLink());
    SendMouse(G->Handle(), QEvent::MouseMove, QPointF(r.Left + 4, r.Top + 8));
    EXPECT_FALSE(G->IsHotTrackTextLink());
}

TEST_F(AxisGrid, AnEllipsisEditsATextThroughTheMemoRoutineOnlyWhenOneIsInstalled) {
    G->SetDataSource(Src);
    G->AxisBars()->AddAllBars(true);
    TAxisBarVz* name = G->FindFieldColumn(u"Name"_S);
    ASSERT_NE(name, nullptr);
    name->SetButtonStyle(cbsEllipsis);
    TEditButtonVz* button = name->EditButton();
    bool handled = false;
    EditMemoRoutine() = nullptr;
    EXPECT_NO_THROW(G->EditButtonDefaultAction(name, button, nullptr, false, handled));
    EXPECT_FALSE(handled);

    String seen;
    bool accept = false;
    EditMemoRoutine() = [&](String& Text, const TRect&, bool ReadOnly) {
        seen = Text;
        EXPECT_FALSE(ReadOnly);
        Text = u"Болт М8"_S;
        return accept;
    };
    G->EditButtonDefaultAction(name, button, nullptr, false, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(seen, u"Болт"_S);
    EXPECT_EQ(T->State(), dsBrowse);  // cancelled: nothing written
    accept = true;
    handled = false;
    G->EditButtonDefaultAction(name, button, nullptr, false, handled);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Болт М8"_S);
    T->Cancel();
    // A number bar is not edited as text.
    handled = false;
    TAxisBarVz* price = G->FindFieldColumn(u"Price"_S);
    price->SetButtonStyle(cbsEllipsis);
    G->EditButtonDefaultAction(price, price->EditButton(), nullptr, false, handled);
    EXPECT_FALSE(handled);
    EditMemoRoutine() = nullptr;
    G->SetDataSource(nullptr);
}

TEST(AxisGridRoutines, TheCalculatorOpensWithZeroUntilTheTextIsANumber) {
    const String sep(FormatSettings.DecimalSeparator);
    const std::vector<std::pair<String, double>> cases = {
        {String(), 0}, {u"-"_S, 0}, {u" "_S, 0}, {sep, 0}, {u"1e"_S, 0}, {u"-"_S + sep, 0}, {u"абв"_S, 0},
        {u"12"_S, 12}, {u"-7"_S, -7}, {u"2"_S + sep + u"5"_S, 2.5}, {u" 3 "_S, 3}};
    for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(CalculatorStartValueVz(text), value) << text.toStdString();
}

TEST(AxisGridRoutines, MixingBlackAndWhiteLightensToTheSameGreyAndUngrayPushesItFurther) {
    EXPECT_EQ(MixAndLightenColor(clBlack, clWhite, false), static_cast<TColor>(186 * 65536 + 186 * 256 + 186));
    EXPECT_EQ(MixAndLightenColor(clBlack, clWhite, true), static_cast<TColor>(202 * 65536 + 202 * 256 + 202));
    // Channels keep their places: pure red mixed with itself stays reddest.
    const TColor red = MixAndLightenColor(clRed, clRed, false);
    EXPECT_GT(red & 0xFF, (red >> 16) & 0xFF);
}

TEST(AxisGridRoutines, AFieldGivesItsIntegerOnlyWhenItsTypeHoldsOneThatFits) {
    TOwned<TMemTableVz> t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"I"_S, ftInteger);
    t->FieldDefs()->Add(u"L"_S, ftLargeint);
    t->FieldDefs()->Add(u"F"_S, ftFloat);
    t->FieldDefs()->Add(u"S"_S, ftWideString, 10);
    t->CreateDataSet();
    t->AppendRecord({Variant(7), Variant(Int64(5000000000LL)), Variant(3.0), Variant(u"4"_S)});
    EXPECT_EQ(GetFieldIntegerValueVz(t->FieldByName(u"I"_S), -1), 7);
    EXPECT_EQ(GetFieldIntegerValueVz(t->FieldByName(u"L"_S), -1), -1);  // out of range
    EXPECT_EQ(GetFieldIntegerValueVz(t->FieldByName(u"F"_S), -1), 3);
    EXPECT_EQ(GetFieldIntegerValueVz(t->FieldByName(u"S"_S), -1), -1);  // a text is no integer
    t->Edit();
    t->FieldByName(u"L"_S)->SetAsLargeInt(-12);
    t->FieldByName(u"F"_S)->SetAsFloat(1e12);
    EXPECT_EQ(GetFieldIntegerValueVz(t->FieldByName(u"L"_S), -1), -12);
    EXPECT_EQ(GetFieldIntegerValueVz(t->FieldByName(u"F"_S), -1), -1);
    t->Cancel();
    EXPECT_EQ(GetFieldIntegerValueVz(nullptr, 9), 9);
}

}  // namespace

TEST(AxisGridCursors, ArrowsTakeOneSlotEachAndKeepIt) {
    const TCursor down = DownCursorVz();
    EXPECT_GT(down, 0);
    EXPECT_EQ(DownCursorVz(), down);
    EXPECT_NE(RightCursorVz(), down);
    EXPECT_NE(LeftCursorVz(), RightCursorVz());
    for (TCursor c : {down, RightCursorVz(), LeftCursorVz()}) {
        EXPECT_NE(Screen->Cursors(c), Screen->Cursors(0));
        EXPECT_FALSE(CursorHandleToQCursor(Screen->Cursors(c)).pixmap().isNull());
    }
    EXPECT_FALSE(DragWinNoDoubleBuffering);
}
