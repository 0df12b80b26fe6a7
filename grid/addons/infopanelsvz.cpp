// The navigator panel's two info boxes: the records box (record count, marked rows) and the
// selection box (sum, count, average, minimum and maximum of the selected cells, each value
// copyable through a one-item menu).
#include "grid/addons/navigatorvz.h"

#include "grid/base/toolsvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/menus.h"

#include <algorithm>

namespace {

enum { AggrSum, AggrCount, AggrAverage, AggrMin, AggrMax };

IMemTableVz* MemTableOf(TCustomDBGridVz* Grid) {
    TDataSet* ds = Grid && Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
    return ds && ds->Active() ? dynamic_cast<IMemTableVz*>(ds) : nullptr;
}

void Accumulate(const Variant& V, std::array<Variant, 5>& R, int& NumCount) {
    if (VarIsNullish(V)) return;
    if (!(VarIsStr(V) && VarToStr(V).isEmpty())) R[AggrCount] = R[AggrCount] + Variant(1);
    if (!VarIsNumericVz(V)) return;
    const Variant n = VarAsType(V, varFMTBcd);
    ++NumCount;
    R[AggrSum] = VarIsNull(R[AggrSum]) ? n : R[AggrSum] + n;
    if (VarIsNull(R[AggrMin]) || R[AggrMin] > n) R[AggrMin] = n;
    if (VarIsNull(R[AggrMax]) || R[AggrMax] < n) R[AggrMax] = n;
}

}  // namespace

// The copy menu of the selection box: its one item carries the value to copy in its hint.
TPopupMenu* TDBGridVzNavigatorPanel::CopyMenu() {
    if (!FCopyMenu) {
        FCopyMenu = New<TPopupMenu>(this);
        auto* item = New<TMenuItem>(FCopyMenu);
        item->SetCaption(u"Copy"_S);
        item->OnClick = [item](TObject*) { Clipboard()->SetAsText(item->Hint()); };
        FCopyMenu->Items()->Add(item);
    }
    return FCopyMenu;
}

TGridAggrSelectionVz TDBGridVzNavigatorPanel::GridSelection() {
    TGridAggrSelectionVz s;
    TBookmarkListVz* rows = FGrid ? FGrid->SelectedRows() : nullptr;
    if (rows && rows->Count() > 0) {
        s.Kind = gstRecordBookmarks;
        for (int i = 0; i < rows->Count(); ++i) s.Bookmarks.push_back(rows->Items(i));
    }
    return s;
}

void TDBGridVzNavigatorPanel::GetGridAggrInfo(std::array<Variant, 5>& ResultArr) {
    AggregateSelection(FGrid, GridSelection(), ResultArr);
}

void TDBGridVzNavigatorPanel::AggregateSelection(TCustomDBGridVz* AGrid, const TGridAggrSelectionVz& Sel,
                                                 std::array<Variant, 5>& R) {
    R = {Variant::Null(), Variant(0), Variant::Null(), Variant::Null(), Variant::Null()};
    int numCount = 0;
    IMemTableVz* mt = MemTableOf(AGrid);
    if (!mt) return;
    const int viewRows = mt->InstantReadRowCount();
    std::vector<TField*> fields;
    auto fieldOf = [](TColumnVz* C) { return C ? C->Field() : nullptr; };
    const TColumnsVzList visible = AGrid->VisibleColumns();
    auto addVisible = [&] {
        for (int i = 0; i < visible.Count(); ++i) fields.push_back(fieldOf(visible.Items(i)));
    };
    // Rows to visit: view rows in order.
    std::vector<int> rows;
    switch (Sel.Kind) {
    case gstRectangle: {
        const int top = mt->InstantReadIndexOfBookmark(Sel.RectTop);
        const int bottom = mt->InstantReadIndexOfBookmark(Sel.RectBottom);
        if (top < 0) return;
        for (int r = top; r <= bottom && r < viewRows; ++r) rows.push_back(r);
        TDBGridColumnsVz* all = AGrid->Columns();
        for (int c = Sel.RectLeft; c <= Sel.RectRight && c < all->Count(); ++c)
            if (c == Sel.RectLeft || all->Items(c)->Visible()) fields.push_back(fieldOf(all->Items(c)));
        break;
    }
    case gstColumns:
        for (int r = 0; r < viewRows; ++r) rows.push_back(r);
        for (int c : Sel.Columns)
            if (c >= 0 && c < AGrid->Columns()->Count()) fields.push_back(fieldOf(AGrid->Columns()->Items(c)));
        break;
    case gstAll:
        for (int r = 0; r < viewRows; ++r) rows.push_back(r);
        addVisible();
        break;
    case gstRecordBookmarks:
        // A marked record that is no longer in the view (filtered out, deleted) takes no part.
        for (const TBookmark& b : Sel.Bookmarks) {
            const int r = mt->InstantReadIndexOfBookmark(b);
            if (r >= 0 && r < viewRows) rows.push_back(r);
        }
        addVisible();
        break;
    default: return;
    }
    for (int r : rows) {
        mt->InstantReadEnter(r);
        try {
            for (TField* f : fields) Accumulate(f ? f->AsVariant() : Variant::Null(), R, numCount);
        } catch (...) {
            mt->InstantReadLeave();
            throw;
        }
        mt->InstantReadLeave();
    }
    if (!VarIsNull(R[AggrSum])) R[AggrAverage] = R[AggrSum] / Variant(numCount);
}

String TDBGridVzNavigatorPanel::RecordsInfoText() {
    TDataSet* ds = FDataLink->DataSet();
    if (!FDataLink->Active() || !ds || !ds->Active()) return String();
    IMemTableVz* mt = MemTableOf(FGrid);
    String s = IntToStr(mt ? mt->InstantReadRowCount() : ds->RecordCount());
    if (FGrid && FGrid->SelectedRows()->Count() > 0) s += u" ("_S + IntToStr(FGrid->SelectedRows()->Count()) + u")"_S;
    return s;
}

String TDBGridVzNavigatorPanel::GetSelectionInfoPanelText() {
    FSelectionItems.clear();
    String result;
    const TGridAggrSelectionVz sel = GridSelection();
    if (!FGrid || sel.Kind == gstNon || !MemTableOf(FGrid)) return result;
    std::array<Variant, 5> aggr;
    AggregateSelection(FGrid, sel, aggr);
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(FGrid->Font());
    const auto* t = GetViZevLanguageConsts();
    const String captions[] = {t->GridSelectionInfo_Sum(), t->GridSelectionInfo_Cnt(), t->GridSelectionInfo_Evg(),
                               t->GridSelectionInfo_Min(), t->GridSelectionInfo_Max()};
    for (int i = 0; i < 5; ++i) {
        if (VarIsNull(aggr[static_cast<std::size_t>(i)])) continue;
        if (!result.isEmpty()) result += u"   "_S;
        TSelectionInfoPanelDataItemVz item;
        result += u" "_S + captions[i] + u": "_S;
        item.Text = VarToStr(aggr[static_cast<std::size_t>(i)]);
        item.Start = c->TextWidth(result);
        result += item.Text;
        item.Finish = c->TextWidth(result);
        FSelectionItems.push_back(item);
    }
    if (!result.isEmpty()) result += u" "_S;
    return result;
}

int TDBGridVzNavigatorPanel::CalcRecordsInfoWidth() {
    TDataSet* ds = FDataLink->DataSet();
    if (!FDataLink->Active() || !ds || !ds->Active()) return 0;
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(FGrid ? FGrid->Font() : Font());
    c->Font()->SetSize(c->Font()->Size() - 1);
    int w = c->TextWidth(u" "_S + RecordsInfoText() + u" "_S);
    if (FGrid && FGrid->IsIndicatorColumnShown()) w = std::max(w, FGrid->CalcIndicatorColWidth());
    return w;
}

int TDBGridVzNavigatorPanel::CalcSelectionInfoWidth() {
    if (!FDataLink->Active()) return 0;
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(FGrid ? FGrid->Font() : Font());
    int w = c->TextWidth(u" "_S + FSelectionInfoPanelText + u" "_S);
    if (FGrid && FGrid->IsIndicatorColumnShown()) w = std::max(w, FGrid->CalcIndicatorColWidth());
    return w;
}

void TDBGridVzNavigatorPanel::UpdateInfoPanels() {
    if (!FRecordsInfoPanel || !FSelectionInfoPanel) return;
    if (FRecordsInfoPanel->Visible()) FRecordsInfoPanel->Invalidate();
    if (!FVisibleItems.Contains(gsbiSelAggregationInfoVz)) {
        FSelectionInfoPanelText.clear();
        FSelectionItems.clear();
        FSelectionInfoPanel->SetVisible(false);
        FSelectionInfoDivider->SetVisible(false);
        Invalidate();
        return;
    }
    FSelectionInfoPanelText = GetSelectionInfoPanelText();
    const bool shown = !FSelectionInfoPanelText.isEmpty();
    FSelectionInfoPanel->SetVisible(shown);
    FSelectionInfoDivider->SetVisible(shown);
    FSelectionInfoPanel->Invalidate();
    ResetWidth();
}

int TDBGridVzNavigatorPanel::SelectionItemAt(int X) const {
    // The text is centred in the box: offsets count from where it starts.
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(FGrid ? FGrid->Font() : Font());
    const int textWidth = c->TextWidth(FSelectionInfoPanelText);
    const int x = X - (FSelectionInfoPanel->Width() - textWidth) / 2;
    for (std::size_t i = 0; i < FSelectionItems.size(); ++i)
        if (FSelectionItems[i].Start <= x && x <= FSelectionItems[i].Finish) return static_cast<int>(i);
    return -1;
}

void TDBGridVzNavigatorPanel::SelectionInfoPanelMouseUp(TObject*, TMouseButton, TShiftState, int X, int Y) {
    const int i = SelectionItemAt(X);
    if (i < 0) return;
    TPopupMenu* menu = CopyMenu();
    menu->Items()->Items(0)->SetHint(FSelectionItems[static_cast<std::size_t>(i)].Text);
    const TPoint p = FSelectionInfoPanel->ClientToScreen(TPoint(X, Y));
    menu->Popup(p.X, p.Y);
}

void TDBGridVzNavigatorPanel::PaintInfoPanel(TObject* Sender) {
    if (!FDataLink->Active()) return;
    auto* box = static_cast<TNavButtonVz*>(Sender);
    TCanvas* c = box->Canvas();
    if (FGrid) c->Font()->Assign(FGrid->Font());
    const bool records = box == FRecordsInfoPanel;
    if (records) c->Font()->SetSize(c->Font()->Size() - 1);
    const String text = records ? RecordsInfoText() : FSelectionInfoPanelText;
    c->Brush()->SetStyle(bsClear);
    c->TextOut((box->Width() - c->TextWidth(text)) / 2, (box->Height() - c->TextHeight(text)) / 2, text);
}
