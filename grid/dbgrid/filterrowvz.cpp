#include "grid/dbgrid/filterrowvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/base/graphutilsvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/dbgrid/groupsvz.h"

#include <QApplication>

#include <algorithm>

// ---- item objects ------------------------------------------------------------------------------

namespace {
// The filter editor a list belongs to: the list's form is owned by the editor.
TInplaceFilterEditVz* FilterEditOfListboxVz(TCustomListboxVz* Listbox) {
    for (TComponent* c = Listbox; c; c = c->Owner())
        if (auto* e = dynamic_cast<TInplaceFilterEditVz*>(c)) return e;
    return nullptr;
}

TSTColumnFilterVz* ColumnFilterOfListboxVz(TCustomListboxVz* Listbox) {
    TInplaceFilterEditVz* e = FilterEditOfListboxVz(Listbox);
    return e ? e->ColumnFilter() : nullptr;
}
}  // namespace

TCustomDBGridVz* TDBGridFilterPopupListboxItemVz::GridOfListbox(TCustomListboxVz* Listbox) {
    TInplaceFilterEditVz* e = FilterEditOfListboxVz(Listbox);
    return e ? e->Grid() : nullptr;
}

TColumnVz* TDBGridFilterPopupListboxItemVz::GetColumn(TCustomListboxVz* Listbox) {
    TInplaceFilterEditVz* e = FilterEditOfListboxVz(Listbox);
    return e ? e->Column() : nullptr;
}

TGridDataGroupLevelVz* TDBGridFilterPopupListboxItemVz::GetGroupLevel(TCustomListboxVz*) { return nullptr; }

int TDBGridFilterPopupListboxItemVz::LeftMargin() { return CheckBoxSizeVz().cx + 2; }

TRect TDBGridFilterPopupListboxItemVz::DrawItemText(TCustomListboxVz* Sender, const TRect& ARect,
                                                    TGridDrawState State, const String& Text, bool Pressed) {
    TCanvas* c = Sender->Canvas();
    const bool rtl = Sender->UseRightToLeftAlignment();
    const bool selected = State.Contains(gdSelected) || Pressed;
    c->Font()->Assign(Sender->Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(selected ? clHighlight : Sender->Color());
    c->Font()->SetColor(selected ? clHighlightText : Sender->Font()->Color());
    c->FillRect(ARect);
    const int m = LeftMargin();
    const TRect margin = rtl ? TRect(ARect.Right - m, ARect.Top, ARect.Right, ARect.Bottom)
                             : TRect(ARect.Left, ARect.Top, ARect.Left + m, ARect.Bottom);
    const TRect text = rtl ? TRect(ARect.Left, ARect.Top, margin.Left, ARect.Bottom)
                           : TRect(margin.Right, ARect.Top, ARect.Right, ARect.Bottom);
    WriteCellTextVz(c, text, false, 2, 0, Text, taLeftJustify, tlCenter, false, false, 0, 0, rtl, true);
    return margin;
}

void TPopupListboxItemVzLine::DrawItem(TCustomListboxVz* Sender, int, const TRect& ARect, TGridDrawState) {
    TCanvas* c = Sender->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Sender->Color());
    c->FillRect(ARect);
    c->Pen()->SetColor(clBtnShadow);
    const int y = (ARect.Top + ARect.Bottom) / 2;
    c->MoveTo(ARect.Left, y);
    c->LineTo(ARect.Right, y);
}

void TPopupListboxItemVzSort::DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) {
    const TRect margin = DrawItemText(Sender, ARect, State, Sender->GetDisplayItemText(Index));
    TDBGridVzStyle* style = DBGridVzDefaultStyle();
    if (TCustomDBGridVz* g = GridOfListbox(Sender); g && g->Style()) style = g->Style();
    const TSortMarkerStyleVz ms = style->ResolveSortMarkerStyle(smstDefaultVz);
    const TSize sz = style->GetSortMarkerSize(ms);
    const int x = margin.Left + (margin.Width() - sz.cx) / 2;
    const int y = margin.Top + (margin.Height() - sz.cy) / 2;
    Sender->Canvas()->Pen()->SetColor(clBtnShadow);
    style->DrawSortMarker(Sender->Canvas(), ms, TRect(x, y, x + sz.cx, y + sz.cy), State.Contains(gdSelected),
                          FSortState, clBtnShadow, clBtnHighlight);
}

void TPopupListboxItemVzSort::Execute(TCustomListboxVz* Sender, int, const TPoint&, TShiftState) {
    if (TGridDataGroupLevelVz* level = GetGroupLevel(Sender)) {
        // A group level sorts the way the marker reads, as a column does.
        if (FSortState == smUpVz) level->SetSortOrder(soAscVz);
        else if (FSortState == smDownVz) level->SetSortOrder(soDescVz);
        return;
    }
    TColumnVz* column = GetColumn(Sender);
    TCustomDBGridVz* grid = GridOfListbox(Sender);
    if (!column || !grid) return;
    column->Title()->SetSortMarker(FSortState);
    grid->SortMarkingChanged();
}

void TPopupListboxItemVzSpec::DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) {
    DrawItemText(Sender, ARect, State, Sender->GetDisplayItemText(Index));
}

void TPopupListboxItemVzSpec::Execute(TCustomListboxVz* Sender, int, const TPoint&, TShiftState) {
    TCustomDBGridVz* grid = GridOfListbox(Sender);
    TColumnVz* column = GetColumn(Sender);
    if (!grid || !column || !column->STFilter()) return;
    TSTColumnFilterVz* filter = column->STFilter();
    switch (FType) {
        case ptFilterSpecItemClearFilter: grid->ClearFilter(); break;
        case ptFilterSpecItemAll: filter->SetExpressionStr(String()); break;
        case ptFilterSpecItemEmpties: filter->SetExpressionStr(u"=Null"_S); break;
        case ptFilterSpecItemNotEmties: filter->SetExpressionStr(u"<>Null"_S); break;
        case ptFilterSpecItemDialog:
            // The condition dialog belongs to the grid add-ons; the edited text is kept for it.
            grid->CommitCurrentFilterEditorText();
            return;
        case ptFilterApply: grid->InternalApplyFilter(); break;
    }
    TDBGridVzCenter* center = grid->FilterHost()->STFilterCenter();
    if (FType == ptFilterSpecItemClearFilter || (center && center->FilterEditCloseUpApplyFilter) ||
        grid->STFilter()->InstantApply())
        grid->InternalApplyFilter();
}

String TPopupListboxItemVzData::GetDisplayText(TCustomListboxVz* Sender, int Index) {
    const String text = Sender->GetItemText(Index);
    return text.isEmpty() ? GetViZevLanguageConsts()->STFilterListItem_Empties() : text;
}

void TPopupListboxItemVzData::DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) {
    TSTColumnFilterVz* filter = ColumnFilterOfListboxVz(Sender);
    bool pressed = false;
    bool checked = false;
    if (filter) {
        const int down = filter->PopupListboxDownIndex;
        const int hover = filter->PopupListboxDragHoverIndex;
        pressed = down >= 0 && Index >= std::min(down, hover) && Index <= std::max(down, hover);
        checked = Index < int(filter->ListValuesCheckingState.size()) && filter->ListValuesCheckingState[size_t(Index)];
    }
    const TRect margin = DrawItemText(Sender, ARect, State, GetDisplayText(Sender, Index), pressed);
    const bool hot = static_cast<TCustomPopupListboxVz*>(Sender)->MouseIndex() == Index;
    DrawCheckBoxVz(Sender->Canvas()->Handle(), margin, checked ? cbChecked : cbUnchecked, true, true, pressed, hot);
}

void TPopupListboxItemVzData::MouseDown(TCustomListboxVz* Sender, int Index, const TPoint&, TMouseButton Button,
                                        TShiftState) {
    TSTColumnFilterVz* filter = ColumnFilterOfListboxVz(Sender);
    if (!filter || Button != mbLeft) return;
    filter->PopupListboxDownIndex = Index;
    filter->PopupListboxDragHoverIndex = Index;
    Sender->InvalidateIndex(Index);
}

void TPopupListboxItemVzData::MouseMove(TCustomListboxVz* Sender, int Index, const TPoint&, TShiftState) {
    TSTColumnFilterVz* filter = ColumnFilterOfListboxVz(Sender);
    if (!filter || filter->PopupListboxDownIndex < 0 || filter->PopupListboxDragHoverIndex == Index) return;
    filter->PopupListboxDragHoverIndex = Index;
    Sender->Invalidate();
}

void TPopupListboxItemVzData::MouseUp(TCustomListboxVz* Sender, int Index, const TPoint&, TMouseButton Button,
                                      TShiftState Shift) {
    TSTColumnFilterVz* filter = ColumnFilterOfListboxVz(Sender);
    if (!filter || Button != mbLeft || filter->PopupListboxDownIndex < 0) return;
    const int down = filter->PopupListboxDownIndex;
    if (Index == down) {
        filter->EnterNotClearData = true;
        Execute(Sender, Index, TPoint(-1, -1), Shift);
        Sender->SetItemIndex(Index);
    } else {
        // A drag sets every value from the pressed one to this one to the opposite of the
        // pressed value's former check, and the filter follows the checks.
        std::vector<bool>& checks = filter->ListValuesCheckingState;
        TStrings* items = Sender->Items();
        const bool state = down < int(checks.size()) ? !checks[size_t(down)] : true;
        for (int i = std::min(down, Index); i <= std::max(down, Index) && i < int(checks.size()); ++i) {
            auto* item = items ? dynamic_cast<TCustomListboxItemVz*>(items->Objects(i)) : nullptr;
            if (item && item->IsDataItem()) checks[size_t(i)] = state;
        }
        filter->InFilterListBox = true;
        try {
            filter->SetExpressionFromCheckedItems(items, checks);
        } catch (...) {
            filter->InFilterListBox = false;
            throw;
        }
        filter->InFilterListBox = false;
    }
    filter->PopupListboxDownIndex = -1;
    filter->PopupListboxDragHoverIndex = -1;
    Sender->Invalidate();
}

void TPopupListboxItemVzData::ListboxMouseUp(TCustomListboxVz* Sender, int ItemIndex, bool& IsCloseListbox,
                                             TMouseButton Button, TShiftState Shift) {
    IsCloseListbox = false;
    MouseUp(Sender, ItemIndex, TPoint(-1, -1), Button, Shift);
}

void TPopupListboxItemVzData::Execute(TCustomListboxVz* Sender, int Index, const TPoint&, TShiftState) {
    TSTColumnFilterVz* filter = ColumnFilterOfListboxVz(Sender);
    if (!filter) return;
    std::vector<bool>& checks = filter->ListValuesCheckingState;
    TStrings* items = Sender->Items();
    if (items && int(checks.size()) < items->Count()) checks.resize(size_t(items->Count()), false);
    if (Index < 0 || Index >= int(checks.size())) return;
    filter->InFilterListBox = true;
    try {
        if (!filter->EnterNotClearData) std::fill(checks.begin(), checks.end(), false);
        checks[size_t(Index)] = !checks[size_t(Index)];
        filter->SetExpressionFromCheckedItems(items, checks);
    } catch (...) {
        filter->InFilterListBox = false;
        throw;
    }
    filter->InFilterListBox = false;
    Sender->Invalidate();
}

namespace {
struct TSharedFilterListItemsVz {
    TOwned<TPopupListboxItemVzLine> Line;
    TOwned<TPopupListboxItemVzSort> Up, Down;
    TOwned<TPopupListboxItemVzSpec> Spec[6];
    TOwned<TPopupListboxItemVzData> Data;
};
TSharedFilterListItemsVz& SharedFilterListItemsVz() {
    static TSharedFilterListItemsVz items;
    return items;
}
}  // namespace

TPopupListboxItemVzLine* STFilterListItemLineVz() {
    auto& s = SharedFilterListItemsVz();
    if (!s.Line) s.Line = NewOwned<TPopupListboxItemVzLine>();
    return s.Line.get();
}

TPopupListboxItemVzSort* STFilterListItemSortVz(TSortMarkerVz State) {
    auto& s = SharedFilterListItemsVz();
    auto& item = State == smDownVz ? s.Down : s.Up;
    if (!item) item = NewOwned<TPopupListboxItemVzSort>(State == smDownVz ? smDownVz : smUpVz);
    return item.get();
}

TPopupListboxItemVzSpec* STFilterListItemSpecVz(TPopupListboxItemVzSpecType Type) {
    auto& item = SharedFilterListItemsVz().Spec[int(Type)];
    if (!item) item = NewOwned<TPopupListboxItemVzSpec>(Type);
    return item.get();
}

TPopupListboxItemVzData* STFilterListItemDataVz() {
    auto& s = SharedFilterListItemsVz();
    if (!s.Data) s.Data = NewOwned<TPopupListboxItemVzData>();
    return s.Data.get();
}

// ---- the editor --------------------------------------------------------------------------------

TInplaceFilterEditVz::TInplaceFilterEditVz(TComponent* AOwner) : TDBComboBoxVz(AOwner) {}

TCustomDBGridVz* TInplaceFilterEditVz::Grid() const { return dynamic_cast<TCustomDBGridVz*>(Owner()); }

TSTColumnFilterVz* TInplaceFilterEditVz::ColumnFilter() const { return FColumn ? FColumn->STFilter() : nullptr; }

TColor TInplaceFilterEditVz::GetListColor() { return Grid() ? Grid()->Color() : Color(); }

TFont* TInplaceFilterEditVz::GetListFont() { return Grid() ? Grid()->Font() : Font(); }

void TInplaceFilterEditVz::DropDown(TEditButtonVz* AEditButton) {
    if (ListVisible()) return;
    TPopupListboxFormVz* list = PopupListbox();
    list->SetUseItemObjects(true);
    list->ListGrid()->SelectionDrawParams()->Assign(Grid() ? Grid()->SelectionDrawParams() : nullptr);
    TDBComboBoxVz::DropDown(AEditButton);
    list->SetItemIndex(-1);
}

void TInplaceFilterEditVz::CloseUp(bool Accept) {
    // A value toggled from the list keeps the list open.
    if (TSTColumnFilterVz* f = ColumnFilter(); f && f->InFilterListBox) return;
    TDBComboBoxVz::CloseUp(Accept);
}

void TInplaceFilterEditVz::SelectNextValue(bool IsPrior) {
    if (!EditCanModify()) return;
    RequestItemsList();
    TStrings* items = Items();
    const int from = items->IndexOf(Text());
    const int step = IsPrior ? -1 : 1;
    int i = from < 0 ? (IsPrior ? items->Count() - 1 : 0) : from + step;
    for (; i >= 0 && i < items->Count(); i += step)
        if (dynamic_cast<TPopupListboxItemVzData*>(items->Objects(i))) break;
    if (i < 0 || i >= items->Count() || i == from) return;
    SetText(items->Strings(i));
    SelectAll();
}

void TInplaceFilterEditVz::KeyDown(Word& Key, TShiftState Shift) {
    if (TCustomDBGridVz* g = Grid()) g->FilterEditorKeyDown(Key, Shift);
    if (Key == 0) return;
    TDBComboBoxVz::KeyDown(Key, Shift);
}

void TInplaceFilterEditVz::KeyPress(Char& Key) {
    if (!ListVisible() || (Key == u' ' && (QApplication::keyboardModifiers() & Qt::ControlModifier)))
        if (TCustomDBGridVz* g = Grid()) {
            TShiftState shift;
            if (QApplication::keyboardModifiers() & Qt::ControlModifier) shift.Include(ssCtrl);
            g->FilterEditorKeyPress(Key, shift);
        }
    if (Key.isNull()) return;
    TDBComboBoxVz::KeyPress(Key);
}

bool TInplaceFilterEditVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    TDBComboBoxVz::DoMouseWheel(Shift, WheelDelta, MousePos);
    return true;
}

void TInplaceFilterEditVz::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (Grid() && Grid()->Options().Contains(dgTabs)) Message.Result |= DLGC_WANTTAB;
        return;
    }
    TDBComboBoxVz::Dispatch(Message);
}
