// The grid's side of the filter row: which filter cell is edited, the editor over it, the keys that
// move between filter cells, the drop-down list's contents, applying and clearing the filters, and
// the painting of the row.
#include "grid/base/buttonpaintvz.h"
#include "grid/base/graphutilsvz.h"
#include "grid/base/toolsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridfilterhostvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/filterrowvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "platform/db/datasource.h"
#include "platform/gui/forms.h"

#include <algorithm>

namespace {
// Runs a routine when the scope ends, also on an exception.
template <class F>
struct TFilterRowFinallyVz {
    F f;
    ~TFilterRowFinallyVz() { f(); }
};
template <class F>
TFilterRowFinallyVz(F) -> TFilterRowFinallyVz<F>;

int FilterRowButtonWidthVz(bool Flat) { return Flat ? DefaultEditButtonWidthVz() : GetSystemMetrics(SM_CXVSCROLL); }
}  // namespace

int TCustomDBGridVz::FilterRowCount() {
    return FSTFilter && FSTFilter->Visible() && FSTFilter->Location() == stflUnderTitleFilterVz ? 1 : 0;
}

int TCustomDBGridVz::CalcFilterRowHeight() {
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(FSTFilter->Font());
    const int th = c->TextHeight(u"Wg"_S);
    const int h = FSTFilter->RowFullRowHeight(th, FStdDefaultRowHeight, th + (Flat() ? 1 : 3), 0);
    FSTFilter->UpdateInplaceEditorButtonHeight(h, FilterRowButtonWidthVz(Flat()), Flat());
    return h;
}

bool TCustomDBGridVz::CanEditColumnFilter(int Index) {
    if (!FSTFilter || Index < 0 || !Columns() || Index >= Columns()->Count()) return false;
    TColumnVz* c = Columns()->Items(Index);
    return c->Visible() && c->STFilter() && c->STFilter()->Visible() &&
           FSTFilter->Location() == stflUnderTitleFilterVz;
}

String TCustomDBGridVz::GetColumnFilterText(int Index) {
    if (!Columns() || Index < 0 || Index >= Columns()->Count() || !Columns()->Items(Index)->STFilter()) return String();
    return Columns()->Items(Index)->STFilter()->ExpressionStr();
}

void TCustomDBGridVz::SetFilterEditMode(bool Value) {
    if (Value == FFilterEditMode) return;
    if (Value) StartFilterEdit(SelectedIndex());
    else StopFilterEdit();
}

TInplaceFilterEditVz* TCustomDBGridVz::CreateFilterEditor() { return New<TInplaceFilterEditVz>(this); }

void TCustomDBGridVz::StartFilterEdit(int Index) {
    if (!FSTFilter || !FSTFilter->Visible() || !CanEditColumnFilter(Index) ||
        FSTFilter->Location() != stflUnderTitleFilterVz)
        return;
    if (DataLink() && DataLink()->Active() && DataLink()->DataSet()) DataLink()->DataSet()->CheckBrowseMode();
    if (!FFilterEdit) {
        FFilterEdit = CreateFilterEditor();
        FFilterEdit->SetVisible(false);
        FFilterEdit->SetParent(this);
        FFilterEdit->SetBorderStyle(bsNone);
        FFilterEdit->SetFont(FSTFilter->Font());
        FFilterEdit->SetColor(FSTFilter->Color() == clDefault ? Color() : FSTFilter->Color());
        FFilterEdit->SetFlat(Flat());
    }
    const TEditButtonDrawBackTimeVz back = FSTFilter->FilterButtonDrawBackTime(edbtAlwaysVz);
    FFilterEdit->EditButton()->SetStyle(back == edbtAlwaysVz ? ebsDropDownVz : ebsAltDropDownVz);
    if (FFilterCol != -1 && FFilterCol != Index && FFilterEdit->Visible()) HideFilterEditor();
    FFilterCol = Index;
    FFilterEditMode = true;
    HideInplaceEditor();
    // Bring the column into view; moving the current cell may end filter editing on the way.
    if (TColumnVz* c = Columns()->Items(Index); c->STFilter()->Visible()) {
        if (FOptions.Contains(dgRowSelect)) {
            const int gc = DataColToGridCol(Index);
            if (gc < LeftCol()) SetLeftCol(std::max(FixedColCount(), gc));
        } else if (SelectedIndex() != Index) {
            SetSelectedIndex(Index);
        }
        FFilterCol = Index;
        FFilterEditMode = true;
    }
    if (HandleAllocated() && FilterRowCount() > 0) {
        RepaintRow(TopDataOffset() - 1);
        if (Row() < RowCount()) RepaintRow(Row());
    }
    UpdateFilterEditor(true);
}

void TCustomDBGridVz::MoveFilterEditTo(int Index) {
    if (Index == FFilterCol || Index < 0) return;
    StartFilterEdit(Index);
}

void TCustomDBGridVz::StopFilterEdit() {
    if (FSTFilter && FSTFilter->UpdateCount() > 0) return;
    if (FFilterEditMode) {
        FFilterEditMode = false;
        if (HandleAllocated() && FilterRowCount() > 0) {
            RepaintRow(TopDataOffset() - 1);
            if (Row() < RowCount()) RepaintRow(Row());
        }
    }
    HideFilterEditor();
    // The cell editor comes back where the grid always shows it.
    if (!FOptions.Contains(dgAlwaysShowEditor) || FFilterEditMode || ComponentState().Contains(csDestroying))
        HideInplaceEditor();
    else
        ShowEditor();
}

bool TCustomDBGridVz::IsFilterEditModeActive() {
    if (!FFilterEditMode) return false;
    if (FOptionsVz.Contains(dghClearSelection) && FSelectedRows && FSelectedRows->Count() > 0) return false;
    return true;
}

void TCustomDBGridVz::UpdateFilterEditor(bool Activate) {
    if (!FSTFilter || FSTFilter->UpdateCount() > 0) return;
    if (!FSTFilter->Visible() || FSTFilter->Location() != stflUnderTitleFilterVz || !CanEditColumnFilter(FFilterCol) ||
        !FFilterEditMode) {
        SetFilterEditMode(false);
        return;
    }
    if (!FFilterEdit) return;
    TRect r = CellRect(DataColToGridCol(FFilterCol), TopDataOffset() - 1);
    if (Columns()->Items(FFilterCol) == FirstVisibleColumn()) r.Left -= FExtraFirstColumnWidth;
    r.Left += 1;
    TSTColumnFilterVz* filter = Columns()->Items(FFilterCol)->STFilter();
    if (filter->InFilterListBox) {
        FFilterEdit->SetBoundsRect(r);
        return;
    }
    if (!IsFilterEditModeActive()) {
        HideFilterEditor();
        return;
    }
    if (HandleAllocated() && FFilterEditMode && (Focused() || (IsEditorVisible() && InplaceEditor()->Focused())) &&
        FFilterEdit->CanFocus())
        FFilterEdit->SetFocus();
    if (Activate) {
        InitFilterEditorForColumn(FFilterCol);
        if (HandleAllocated()) FFilterEdit->SelectAll();
    }
    if (HandleAllocated()) {
        if (r.IsEmpty()) {
            FFilterEdit->SetVisible(false);
            return;
        }
        FFilterEdit->SetBoundsRect(r);
        FFilterEdit->SetVisible(true);
        if (Focused() && FFilterEdit->CanFocus()) FFilterEdit->SetFocus();
    }
}

void TCustomDBGridVz::InitFilterEditorForColumn(int Index) {
    if (!FFilterEdit) return;
    TColumnVz* col = Columns()->Items(Index);
    TSTColumnFilterVz* filter = col->STFilter();
    FFilterEdit->SetColumn(col);
    FFilterEdit->Items()->Clear();
    FFilterEdit->OnCloseUp = [this](TObject* S, bool A) { FilterEditorCloseUp(S, A); };
    FFilterEdit->OnClosingUp = [this](TObject* S, bool& A) { FilterEditorClosingUp(S, A); };
    FFilterEdit->OnGetItemsList = [this](TObject* S) { FilterEditorGetItemsList(S); };
    FFilterEdit->Clear();
    FFilterEdit->EditButton()->SetVisible(true);
    FFilterEdit->DropDownBox()->SetSizable(true);
    FFilterEdit->SetText(filter->ExpressionStr());
    FFilterEdit->DropDownBox()->SetWidth(filter->DropDownListWidth() > 0 ? filter->DropDownListWidth() : 100);
    FFilterEdit->DropDownBox()->SetRows(filter->DropDownListRows() > 0 ? filter->DropDownListRows() : 17);
}

void TCustomDBGridVz::HideFilterEditor() {
    if (!FFilterEdit) return;
    FFilterEdit->SetColumn(nullptr);
    if (!FFilterEdit->Visible()) return;
    if (Visible() && CanFocus() && FFilterEdit->Focused()) SetFocus();
    FFilterEdit->SetVisible(false);
    if (FFilterCol != -1) {
        CommitFilterEditorText(FFilterCol);
        if (HandleAllocated() && FilterRowCount() > 0) RepaintRow(TopDataOffset() - 1);
    }
}

void TCustomDBGridVz::CommitFilterEditorText(int Index) {
    if (!FFilterEdit || !Columns() || Index < 0 || Index >= Columns()->Count()) return;
    TColumnVz* col = Columns()->Items(Index);
    if (col->FieldName().isEmpty() || !col->STFilter()) return;
    if (FFilterEdit->Text() == col->STFilter()->ExpressionStr()) return;
    col->STFilter()->ParseExpressionStr(FFilterEdit->Text());
}

void TCustomDBGridVz::CommitCurrentFilterEditorText() {
    if (FFilterEdit && FFilterEdit->Visible()) CommitFilterEditorText(FFilterCol);
}

// ---- the drop-down list ------------------------------------------------------------------------

void TCustomDBGridVz::FillSTFilterListValues(TSTColumnFilterVz* Filter, TStrings* Items) {
    auto* column = Filter ? dynamic_cast<TColumnVz*>(Filter->Column()) : nullptr;
    bool processed = false;
    if (OnFillSTFilterListValues) OnFillSTFilterListValues(this, column, Items, processed);
    TDBGridVzCenter* center = FilterHost()->STFilterCenter();
    if (center && center->OnFillSTFilterListValues) center->OnFillSTFilterListValues(FilterHost(), column, Items, processed);
    if (!processed) DefaultFillSTFilterListValues(column, Items);
}

void TCustomDBGridVz::DefaultFillSTFilterListValues(TColumnVz* Column, TStrings* Items) {
    TDBGridVzCenter* center = FilterHost()->STFilterCenter();
    if (!center || !Column || FSTFilter->Location() != stflUnderTitleFilterVz) return;
    center->DefaultFillSTFilterListCommandValues(FilterHost(), Column, Items);
    center->DefaultFillSTFilterListDataValues(FilterHost(), Column, Items);
}

void TCustomDBGridVz::FilterEditorGetItemsList(TObject*) {
    if (!FFilterEdit || !CanEditColumnFilter(FFilterCol)) return;
    TSTColumnFilterVz* filter = Columns()->Items(FFilterCol)->STFilter();
    TStrings* items = FFilterEdit->Items();
    FillSTFilterListValues(filter, items);
    // The list is as wide as its widest command with a check box's room and a scroll bar.
    int width = FFilterEdit->DropDownBox()->Width();
    TCanvas* measure = GetScreenCanvasVz();
    measure->Font()->Assign(FFilterEdit->GetListFont());
    const int extra = CheckBoxSizeVz().cx + GetSystemMetrics(SM_CXVSCROLL) + 4 + 4;
    for (int i = 0; i < items->Count(); ++i) {
        auto* item = dynamic_cast<TDBGridFilterPopupListboxItemVz*>(items->Objects(i));
        if (item && !item->IsDataItem()) width = std::max(width, measure->TextWidth(items->Strings(i)) + extra);
    }
    filter->PopupListboxDownIndex = -1;
    items->BeginUpdate();
    for (int i = 0; i < items->Count(); ++i)
        if (!items->Objects(i)) items->SetObjects(i, STFilterListItemDataVz());
    items->EndUpdate();
    filter->ListValuesCheckingState.assign(size_t(items->Count()), false);
    FFilterEdit->DropDownBox()->SetWidth(width);
    filter->SetCheckedItemsFromExpression(items, filter->ListValuesCheckingState);
}

void TCustomDBGridVz::FilterEditorClosingUp(TObject*, bool& Accept) {
    TSTColumnFilterVz* filter = FFilterEdit ? FFilterEdit->ColumnFilter() : nullptr;
    if (!filter) return;
    filter->PopupListboxDownIndex = -1;
    if (FFilterEdit->Visible()) {
        filter->SetDropDownListWidth(FFilterEdit->PopupListbox()->Width());
        filter->SetDropDownListRows(FFilterEdit->PopupListbox()->RowCount());
    }
    TPopupListboxFormVz* list = FFilterEdit->PopupListbox();
    const int index = list->ItemIndex();
    if (Accept && index >= 0 && index < FFilterEdit->Items()->Count()) {
        if (auto* item = dynamic_cast<TCustomListboxItemVz*>(FFilterEdit->Items()->Objects(index))) {
            item->Execute(list->ListGrid(), index, TPoint(-1, -1), TShiftState());
            Accept = false;
        }
    }
    filter->EnterNotClearData = false;
}

void TCustomDBGridVz::FilterEditorCloseUp(TObject*, bool Accept) {
    TDBGridVzCenter* center = FilterHost()->STFilterCenter();
    if (Accept && center && center->FilterEditCloseUpApplyFilter) InternalApplyFilter();
}

// ---- keys --------------------------------------------------------------------------------------

void TCustomDBGridVz::FilterEditorKeyDown(Word& Key, TShiftState Shift) {
    if (!FFilterEdit || FFilterEdit->ListVisible()) return;
    if (UseRightToLeftAlignment()) {
        if (Key == VK_LEFT) Key = VK_RIGHT;
        else if (Key == VK_RIGHT) Key = VK_LEFT;
    }
    const int count = Columns()->Count();
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool noShift = !Shift.Contains(ssShift) && !ctrl && !Shift.Contains(ssAlt);
    const String text = FFilterEdit->Text();
    const int selStart = FFilterEdit->SelStart();
    const int selLength = FFilterEdit->SelLength();
    const bool atEnd = selLength == 0 && selStart == text.size();
    const bool atStart = (selStart == 0 && selLength == 0) || (selLength == text.size() && selLength > 0);
    // The next editable filter cell from From in the direction Step (no wrapping), -1 when none.
    auto next = [&](int From, int Step) {
        for (int i = From; i >= 0 && i < count; i += Step)
            if (CanEditColumnFilter(i)) return i;
        return -1;
    };
    auto moveTo = [&](int Index) {
        Key = 0;
        if (Index >= 0 && Index != FFilterCol) MoveFilterEditTo(Index);
    };
    switch (Key) {
        case VK_TAB:
            if (!FOptions.Contains(dgTabs)) break;
            {
                const int step = Shift.Contains(ssShift) ? -1 : 1;
                int i = next(FFilterCol + step, step);
                if (i < 0) i = next(step > 0 ? 0 : count - 1, step);  // wraps past the ends
                moveTo(i);
            }
            break;
        case VK_END:
            if (ctrl || atEnd) moveTo(next(count - 1, -1));
            break;
        case VK_HOME:
            if (ctrl || atStart) moveTo(next(0, 1));
            break;
        case VK_LEFT:
            if (ctrl) moveTo(next(0, 1));
            else if (atStart) moveTo(next(FFilterCol - 1, -1));
            break;
        case VK_RIGHT:
            if (ctrl) moveTo(next(count - 1, -1));
            else if (atEnd) moveTo(next(FFilterCol + 1, 1));
            break;
        case VK_UP:
            if (noShift) Key = 0;
            break;
        case VK_DOWN:
            if ((noShift || (ctrl && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt))) && DataLink() &&
                DataLink()->Active()) {
                Key = 0;
                const int col = FFilterCol;
                SetSelectedIndex(col);
                if (noShift) DataLink()->DataSet()->First();
                StopFilterEdit();
                if (CanFocus()) SetFocus();
            }
            break;
        case VK_F2:
            FFilterEdit->SetSelStart(int(text.size()));
            FFilterEdit->SetSelLength(0);
            Key = 0;
            break;
        default:
            break;
    }
}

void TCustomDBGridVz::FilterEditorKeyPress(Char& Key, TShiftState Shift) {
    if (Key == u'\t') {
        Key = Char();
        return;
    }
    TSTColumnFilterVz* filter = FFilterEdit ? FFilterEdit->ColumnFilter() : nullptr;
    if (Key == u'\r') {
        Key = Char();
        InternalApplyFilter();
        return;
    }
    // Ctrl+Space on an open list runs the selected item and keeps the list open.
    if (Key == u' ' && filter && FFilterEdit->ListVisible() && Shift.Contains(ssCtrl)) {
        TPopupListboxFormVz* list = FFilterEdit->PopupListbox();
        const int index = list->ItemIndex();
        if (index >= 0 && index < FFilterEdit->Items()->Count()) {
            if (auto* item = dynamic_cast<TPopupListboxItemVz*>(FFilterEdit->Items()->Objects(index))) {
                if (!item->CloseOnExecute(list->ListGrid(), index))
                    item->Execute(list->ListGrid(), index, TPoint(-1, -1), Shift);
                filter->EnterNotClearData = true;
                list->SetItemIndex(index);
                Key = Char();
            }
        }
    }
}

// ---- applying ----------------------------------------------------------------------------------

void TCustomDBGridVz::InternalApplyFilter() {
    if (FFilterEdit && FFilterEdit->Visible() && FFilterCol >= 0) CommitFilterEditorText(FFilterCol);
    const int left = LeftCol();
    TFilterRowFinallyVz after{[this, left] {
        if (ComponentState().Contains(csDestroying)) return;
        if (left >= FixedColCount() && left < ColCount() && left != LeftCol()) SetLeftCol(left);
        UpdateFilterEditor(false);
        Invalidate();
    }};
    if (OnApplyFilter) OnApplyFilter(this);
    else DefaultApplyFilter();
}

void TCustomDBGridVz::DefaultApplyFilter() {
    BeginUpdate();
    TFilterRowFinallyVz after{[this] {
        EndUpdate();
        if (ComponentState().Contains(csDestroying)) return;
        DataLinkDataChanged();
        Invalidate();
    }};
    if (TDBGridVzCenter* c = FilterHost()->STFilterCenter()) c->ApplyFilter(FilterHost());
}

void TCustomDBGridVz::ClearFilter() {
    StopFilterEdit();
    for (int i = 0; Columns() && i < Columns()->Count(); ++i)
        if (TSTColumnFilterVz* f = Columns()->Items(i)->STFilter()) f->Clear();
    Invalidate();
}

// ---- the mouse --------------------------------------------------------------------------------

bool TCustomDBGridVz::FilterRowMouseDown(TMouseButton Button, TShiftState, int X, int Y) {
    if (ComponentState().Contains(csDesigning) || FilterRowCount() == 0) return false;
    const TGridCoord cell = MouseCoord(X, Y);
    const int dataCol = GridColToDataCol(cell.X);
    if (cell.Y != TopDataOffset() - 1) {
        if (FFilterEditMode && cell.Y >= TopDataOffset()) StopFilterEdit();
        return false;
    }
    if (dataCol < 0 || cell.X < FIndicatorOffset || !CanEditColumnFilter(dataCol) ||
        (Button != mbLeft && Button != mbRight))
        return false;
    if (FSelectedRows) FSelectedRows->Clear();
    StartFilterEdit(dataCol);
    if (Button == mbLeft && FFilterEdit && FFilterEdit->Visible()) {
        const TRect r = CellRect(cell.X, cell.Y);
        if (FilterButtonAtPos(cell.X, X - r.Left, Y - r.Top)) FFilterEdit->DropDown();
        else if (FFilterEdit->CanFocus()) FFilterEdit->SetFocus();
    }
    return true;
}

bool TCustomDBGridVz::FilterRowUpKey(TShiftState Shift) {
    if (FilterRowCount() == 0 || !DataLink() || !DataLink()->Active() || !DataLink()->DataSet()) return false;
    if (!DataLink()->DataSet()->Bof() && !Shift.Contains(ssCtrl)) return false;
    const int count = Columns()->Count();
    // With whole-row selection: the first editable filter cell from the last one edited onward.
    int index = FOptions.Contains(dgRowSelect) ? std::max(FFilterCol, 0) : SelectedIndex();
    if (!CanEditColumnFilter(index)) {
        int found = -1;
        for (int i = std::max(index, 0); i < count && found < 0; ++i)
            if (CanEditColumnFilter(i)) found = i;
        for (int i = std::max(0, GridColToDataCol(LeftCol())); i < count && found < 0; ++i)
            if (CanEditColumnFilter(i)) found = i;
        index = found;
    }
    if (index >= 0) StartFilterEdit(index);
    return true;
}

// ---- painting ----------------------------------------------------------------------------------


bool TCustomDBGridVz::FilterButtonAtPos(int ACol, int X, int Y) {
    const int dataCol = GridColToDataCol(ACol);
    if (!CanEditColumnFilter(dataCol)) return false;
    const TRect cell = CellRect(ACol, TopDataOffset() - 1);
    const int bw = FilterRowButtonWidthVz(Flat());
    const int bh = std::min(cell.Height(), FSTFilter->InplaceEditorButtonHeight() > 0 ? FSTFilter->InplaceEditorButtonHeight()
                                                                                      : cell.Height());
    return X >= cell.Width() - bw && X < cell.Width() && Y >= 0 && Y < bh;
}

void TCustomDBGridVz::DrawFilterRowCell(int ACol, int ARow, const TRect& ARect, TGridDrawState State) {
    TCanvas* c = Canvas();
    const int dataCol = GridColToDataCol(ACol);
    TColumnVz* col = dataCol >= 0 && dataCol < Columns()->Count() ? Columns()->Items(dataCol) : nullptr;
    if (!col || ACol < FIndicatorOffset || !IsFilterRow(ARow) || !CanEditColumnFilter(dataCol)) {
        c->Brush()->SetColor(col ? col->Title()->Color() : FixedColor());
        c->FillRect(ARect);
        return;
    }
    TSTColumnFilterVz* filter = col->STFilter();
    const bool flat = Flat();
    const int bw = FilterRowButtonWidthVz(flat);
    TRect textRect = ARect;
    if (filter->IsDropDownButtonVisible()) textRect.Right -= bw + (flat ? 1 : 0);
    c->Font()->Assign(FSTFilter->Font());
    const TColor back = FSTFilter->Color() == clDefault ? Color() : FSTFilter->Color();
    c->Brush()->SetColor(back);
    c->Brush()->SetStyle(bsSolid);
    if (!textRect.IsEmpty())
        WriteCellTextVz(c, textRect, true, 1, 1, filter->ExpressionStr(), col->Alignment(), tlCenter, false, false, 0, 0,
                        UseRightToLeftAlignment(), true);
    if (!filter->IsDropDownButtonVisible()) return;
    if (flat) c->FillRect(TRect(textRect.Right, ARect.Top, textRect.Right + 1, ARect.Bottom));
    const int left = flat ? textRect.Right + 1 : textRect.Right;
    const int bh = std::min(ARect.Height(), FSTFilter->InplaceEditorButtonHeight() > 0
                                                ? FSTFilter->InplaceEditorButtonHeight()
                                                : ARect.Height());
    const TRect button(left, ARect.Top, std::min(ARect.Right, left + bw), ARect.Top + bh);
    const TEditButtonDrawBackTimeVz backTime = FSTFilter->FilterButtonDrawBackTime(edbtAlwaysVz);
    const TDrawButtonControlStyleVz style = backTime == edbtAlwaysVz ? bcsDropDownVz : bcsAltDropDownVz;
    c->FillRect(button);
    PaintEditButtonVz(c, button, clNone, style, 0, flat, DataLink() && DataLink()->Active(), true, cbUnchecked, 1.0,
                      backTime == edbtAlwaysVz);
    if (button.Bottom < ARect.Bottom) c->FillRect(TRect(button.Left, button.Bottom, button.Right, ARect.Bottom));
    (void)State;
}
