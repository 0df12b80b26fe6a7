#include "grid/base/listboxvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/base/graphutilsvz.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/imaging.h"
#include "platform/gui/popupwnd.h"

#include <algorithm>

// ================================================================================================
// item objects

String TCustomListboxItemVz::GetDisplayText(TCustomListboxVz* Sender, int Index) { return Sender->GetItemText(Index); }

void TCustomListboxItemVz::DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State) {
    Sender->DefaultDrawItem(Index, ARect, State);
}

void TPopupListboxItemVz::ListboxMouseUp(TCustomListboxVz* Sender, int ItemIndex, bool& IsCloseListbox, TMouseButton,
                                         TShiftState) {
    IsCloseListbox = CloseOnExecute(Sender, ItemIndex);
}

namespace {
TOwned<TPopupListboxItemVz>& SharedPopupItem() {
    static TOwned<TPopupListboxItemVz> item;
    return item;
}
}  // namespace

TPopupListboxItemVz* GetPopupListboxItemVz() {
    auto& item = SharedPopupItem();
    if (!item) item = NewOwned<TPopupListboxItemVz>();
    return item.get();
}

// ================================================================================================
// TCustomListboxVz

TCustomListboxVz::TCustomListboxVz(TComponent* AOwner) : TCustomGridVz(AOwner), FItems(NewOwned<TStringList>()) {}

TCustomListboxVz::~TCustomListboxVz() = default;

void TCustomListboxVz::AfterConstruction() {
    TCustomGridVz::AfterConstruction();
    SetOptions(TGridOptionsVz{goDrawFocusSelectedVz});
    FItems->OnChange = [this](TObject* S) { ItemsChange(S); };
    SetFixedColCount(0);
    SetColCount(1);
    SetFixedRowCount(0);
    TCustomGridVz::SetRowCount(1);
    HorzScrollBar()->SetVisibleMode(sbNeverShowVz);
    SetSizeGripAlwaysShow(true);
    UpdateColWidth();
}

TStrings* TCustomListboxVz::GetItems() { return FItems.get(); }

void TCustomListboxVz::SetItems(TStrings* Value) { FItems->Assign(Value); }

String TCustomListboxVz::GetItemText(int Index) {
    TStrings* items = GetItems();
    return items && Index >= 0 && Index < items->Count() ? items->Strings(Index) : String();
}

TCustomListboxItemVz* TCustomListboxVz::ItemObject(int Index) {
    if (!FUseItemObjects || Index < 0) return nullptr;
    TStrings* items = GetItems();
    if (!items || Index >= items->Count()) return nullptr;
    return dynamic_cast<TCustomListboxItemVz*>(items->Objects(Index));
}

String TCustomListboxVz::GetDisplayItemText(int Index) {
    if (TCustomListboxItemVz* o = ItemObject(Index)) return o->GetDisplayText(this, Index);
    return GetItemText(Index);
}

void TCustomListboxVz::DrawItem(int Index, const TRect& Rect, TGridDrawState State) {
    if (TCustomListboxItemVz* o = ItemObject(Index)) o->DrawItem(this, Index, Rect, State);
    else DefaultDrawItem(Index, Rect, State);
}

int TCustomListboxVz::Count() {
    if (FVirtualItems) return FVirtualRowCount;
    TStrings* items = GetItems();
    return items ? items->Count() : 0;
}

void TCustomListboxVz::SetCount(int Value) {
    if (!FVirtualItems) throw Exception(QStringLiteral("Can't assign Count when list is not virtual"));
    FVirtualRowCount = Value;
    UpdateRowCount();
}

void TCustomListboxVz::UpdateRowCount() {
    TCustomGridVz::SetRowCount(std::max(1, Count()));
    const int h = DefaultRowHeight();
    for (int i = 0; i < FullRowCount(); ++i)
        if (RowHeights(i) != h) SetRowHeights(i, h);
}

void TCustomListboxVz::ItemsChange(TObject*) {
    if (FVirtualItems) return;
    UpdateRowCount();
    Invalidate();
}

int TCustomListboxVz::ItemIndex() const { return FRowSeleced ? Row() : -1; }

void TCustomListboxVz::SetItemIndex(int Value) {
    if (Value >= 0) {
        if (FRowSeleced && Value == Row()) return;
        if (Value >= FullRowCount()) return;
        MoveFocusToCell(0, Value, true);
        FRowSeleced = true;
        InvalidateIndex(Value);
    } else if (Value == -1 && FRowSeleced) {
        MoveFocusToCell(0, 0, true);
        FRowSeleced = false;
        Invalidate();
    }
}

void TCustomListboxVz::MoveFocusToCell(int ACol, int ARow, bool MoveAnchor) {
    TCustomGridVz::MoveFocusToCell(ACol, ARow, MoveAnchor);
    FRowSeleced = true;
}

void TCustomListboxVz::SetItemHeight(int Value) {
    if (Value == FItemHeight) return;
    FItemHeight = Value;
    SetDefaultRowHeight(Value);
    UpdateRowCount();
}

void TCustomListboxVz::SetVirtualItems(bool Value) {
    if (Value == FVirtualItems) return;
    FVirtualItems = Value;
    UpdateRowCount();
}

void TCustomListboxVz::SetTopIndex(int Value) {
    if (Value >= 0 && Value < FullRowCount()) SafeSetTopRow(Value);
}

int TCustomListboxVz::ItemAtPos(const TPoint& Pos, bool) { return MouseCoord(Pos.X, Pos.Y).Y; }

void TCustomListboxVz::InvalidateIndex(int AItemIndex) {
    if (AItemIndex < 0 || AItemIndex >= FullRowCount()) return;
    RepaintCell(0, AItemIndex);
}

int TCustomListboxVz::StrictIndexToClient(int X, int Y) {
    // The rows lie inside the grid's margins (a popup list draws its border there): a point
    // outside them is taken to the nearest row.
    TGridOutBoundaryDataVz* m = OutBoundaryData();
    const int bottom = ClientHeight() - m->BottomIndent();
    if (X < m->LeftIndent() || X >= ClientWidth() - m->RightIndent()) X = m->LeftIndent();
    if (Y < m->TopIndent()) return TopIndex();
    if (Y >= bottom) Y = bottom - 1;
    return MouseCoord(X, Y).Y;
}

int TCustomListboxVz::GetTextHeight() {
    TCanvas* c = GetScreenCanvasVz();
    c->Font()->Assign(Font());
    TTextMetric tm;
    GetTextMetricsVz(c, tm);
    return tm.tmHeight + tm.tmExternalLeading + tm.tmInternalLeading;
}

void TCustomListboxVz::UpdateColWidth() {
    if (FullColCount() < 1) return;
    const int w = HandleAllocated() ? ClientWidth() : Width() - 1;
    if (w > 0 && ColWidths(0) != w) SetColWidths(0, w);
}

void TCustomListboxVz::Resize() {
    TCustomGridVz::Resize();
    UpdateColWidth();
}

void TCustomListboxVz::DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) {
    if (ACol != 0) return;
    if (Count() == 0) {
        Canvas()->FillRect(ARect);
        return;
    }
    if (!FRowSeleced) {
        State.Exclude(gdSelected);
        State.Exclude(gdFocused);
        State.Exclude(gdCurrent);
    }
    DrawItem(ARow, ARect, State);
}

void TCustomListboxVz::DefaultDrawItem(int Index, const TRect& ARect, TGridDrawState State) {
    TCanvas* c = Canvas();
    const bool classic = SelectionDrawParams()->GetActualSelectionStyle() == gsdsClassicVz;
    const bool rtl = UseRightToLeftAlignment();
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsSolid);
    if (!FImageList) {
        const String text = GetDisplayItemText(Index);
        if (classic && ((FRowSeleced && Index == ItemIndex()) || State.Contains(gdSelected))) {
            c->Font()->SetColor(clHighlightText);
            c->Brush()->SetColor(clHighlight);
        } else {
            c->Font()->SetColor(Font()->Color());
            c->Brush()->SetColor(Color());
        }
        c->FillRect(ARect);
        if (!classic) DrawThemedSelection(0, Index, State, ARect);
        WriteCellTextVz(c, ARect, false, 2, 0, text, FItemAlignment, tlTop, false, false, 0, 0, rtl, true);
        return;
    }
    if (classic && State.Contains(gdSelected)) {
        c->Font()->SetColor(clHighlightText);
        c->Brush()->SetColor(clHighlight);
    } else {
        c->Font()->SetColor(Font()->Color());
        c->Brush()->SetColor(Color());
    }
    const int iw = FImageList->Width() + 4;
    TRect imageRect = rtl ? TRect(ARect.Right - iw, ARect.Top, ARect.Right, ARect.Bottom)
                          : TRect(ARect.Left, ARect.Top, ARect.Left + iw, ARect.Bottom);
    TRect textRect = rtl ? TRect(ARect.Left, ARect.Top, imageRect.Left, ARect.Bottom)
                         : TRect(imageRect.Right, ARect.Top, ARect.Right, ARect.Bottom);
    int imageIndex = Index;
    if (OnGetImageIndex) OnGetImageIndex(Owner(), Index, imageIndex);
    c->FillRect(imageRect);
    c->FillRect(textRect);
    if (State.Contains(gdSelected) && !classic) DrawThemedSelection(0, Index, State, textRect);
    DrawImageCenteredVz(c, imageRect, FImageList, imageIndex, State.Contains(gdSelected));
    TStrings* items = GetItems();
    if (items && Index < items->Count())
        WriteCellTextVz(c, textRect, false, 2, 0, GetDisplayItemText(Index), FItemAlignment, tlTop, false, false, 0, 0,
                        rtl, true);
}

void TCustomListboxVz::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_DOWN && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt) && !Shift.Contains(ssCtrl) &&
        !FRowSeleced) {
        SetItemIndex(0);
        return;
    }
    TCustomGridVz::KeyDown(Key, Shift);
}

void TCustomListboxVz::KeyPress(Char& Key) {
    if (FRowSeleced) {
        if (TCustomListboxItemVz* o = ItemObject(ItemIndex())) {
            bool close = false;
            o->KeyPress(this, ItemIndex(), Key, TShiftState(), close);
        }
    }
    TCustomGridVz::KeyPress(Key);
}

void TCustomListboxVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomGridVz::MouseDown(Button, Shift, X, Y);
    const int row = ItemAtPos(TPoint(X, Y));
    // A press that moved the current cell onto an item selects it.
    if (row >= 0 && row == Row() && Button == mbLeft) FRowSeleced = true;
    if (row >= 0)
        if (TCustomListboxItemVz* o = ItemObject(row)) o->MouseDown(this, row, TPoint(X, Y), Button, Shift);
}

void TCustomListboxVz::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomGridVz::MouseMove(Shift, X, Y);
    const int row = ItemAtPos(TPoint(X, Y));
    if (row >= 0)
        if (TCustomListboxItemVz* o = ItemObject(row)) o->MouseMove(this, row, TPoint(X, Y), Shift);
}

void TCustomListboxVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    int row = ItemAtPos(TPoint(X, Y));
    if (row < 0) row = StrictIndexToClient(X, Y);
    if (row >= 0)
        if (TCustomListboxItemVz* o = ItemObject(row)) o->MouseUp(this, row, TPoint(X, Y), Button, Shift);
    TCustomGridVz::MouseUp(Button, Shift, X, Y);
}

// ================================================================================================
// TCustomPopupListboxVz

TCustomPopupListboxVz::TCustomPopupListboxVz(TComponent* AOwner) : TCustomListboxVz(AOwner) {
    FControlStyle.Include(csReplicatable);
}

void TCustomPopupListboxVz::AfterConstruction() {
    TCustomListboxVz::AfterConstruction();
    OnDataObject = [this](TWinControl* C, int I, TObject*& O) { GetExtItemObject(C, I, O); };
    SetShowHint(true);
    UpdateBorderWidth();
}

void TCustomPopupListboxVz::UpdateBorderWidth() {}

void TCustomPopupListboxVz::InitWidget() {
    TCustomListboxVz::InitWidget();
    SetWindowTakesNoFocus(this);
}

void TCustomPopupListboxVz::SetCtl3D(bool Value) {
    if (Value == FCtl3D) return;
    FCtl3D = Value;
    UpdateBorderWidth();
}

int TCustomPopupListboxVz::GetBorderSize() { return 2 * FBorderWidth; }

void TCustomPopupListboxVz::SetRowCount(int Value) {
    const int h = ItemHeight() > 0 ? ItemHeight() : GetTextHeight();
    SetHeight(std::max(1, Value) * h + GetBorderSize());
}

void TCustomPopupListboxVz::SetExtItems(TStrings* Value) {
    if (Value == FExtItems) return;
    FExtItems = Value;
    SetVirtualItems(Value != nullptr);
}

TStrings* TCustomPopupListboxVz::GetItems() { return FExtItems ? FExtItems : TCustomListboxVz::GetItems(); }

String TCustomPopupListboxVz::GetItemText(int Index) {
    if (FExtItems) return Index >= 0 && Index < FExtItems->Count() ? FExtItems->Strings(Index) : String();
    return TCustomListboxVz::GetItemText(Index);
}

void TCustomPopupListboxVz::SetItems(TStrings* Value) {
    if (FExtItems) FExtItems->Assign(Value);
    else TCustomListboxVz::SetItems(Value);
}

void TCustomPopupListboxVz::GetExtItemObject(TWinControl*, int Index, TObject*& DataObject) {
    if (FExtItems && Index >= 0 && Index < FExtItems->Count()) DataObject = FExtItems->Objects(Index);
}

void TCustomPopupListboxVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FIsMouseUpCloseListbox = true;
    TCustomListboxVz::MouseDown(Button, Shift, X, Y);
}

void TCustomPopupListboxVz::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomListboxVz::MouseMove(Shift, X, Y);
    int row = ItemAtPos(TPoint(X, Y));
    if (row < 0) row = StrictIndexToClient(X, Y);
    const TPoint p(X, Y);
    if (p == FMousePos) return;
    if (row >= 0) SetItemIndex(row);
    const bool buttons = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
    if (!buttons && row != FMouseIndex) {
        if (FMouseIndex < Count()) InvalidateIndex(FMouseIndex);
        InvalidateIndex(row);
        FMouseIndex = row;
    }
    FMousePos = p;
}

void TCustomPopupListboxVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FIsMouseUpCloseListbox = true;
    int row = ItemAtPos(TPoint(X, Y));
    if (row < 0) row = StrictIndexToClient(X, Y);
    auto* item = row >= 0 ? dynamic_cast<TPopupListboxItemVz*>(ItemObject(row)) : nullptr;
    if (!item) {
        TCustomListboxVz::MouseUp(Button, Shift, X, Y);
        return;
    }
    item->ListboxMouseUp(this, row, FIsMouseUpCloseListbox, Button, Shift);
    CancelMode();
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TCustomPopupListboxVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomListboxVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    SetTopIndex(TopIndex() + (WheelDelta < 0 ? 1 : -1));
    return true;
}

void TCustomPopupListboxVz::Resize() {
    TCustomListboxVz::Resize();
    // Only a size change of the window counts (not the bounds set before it exists).
    if (!FInternalResizing && HandleAllocated()) {
        FResizedRowCount = FRowCount;
        FResizedWidth = Width();
        FSizeGripResized = true;
    }
    if (UseRightToLeftAlignment()) Invalidate();
}

void TCustomPopupListboxVz::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_SIZEGRIPCHANGEPOSITIONVz) {
        SetSizeGripPostion(
            ChangeSizeGripPositionVz(SizeGripPostion(), static_cast<TSizeGripChangePosition>(Message.WParam)));
        return;
    }
    TCustomListboxVz::Dispatch(Message);
}

void TCustomPopupListboxVz::CMMouseEnter(TMessage& Message) {
    TCustomListboxVz::CMMouseEnter(Message);
    InvalidateIndex(ItemIndex());
}

void TCustomPopupListboxVz::CMMouseLeave(TMessage& Message) {
    TCustomListboxVz::CMMouseLeave(Message);
    InvalidateIndex(ItemIndex());
}

// ================================================================================================
// TPopupListboxVz

TPopupListboxVz::TPopupListboxVz(TComponent* AOwner) : TCustomPopupListboxVz(AOwner) { FVisible = false; }

void TPopupListboxVz::AfterConstruction() {
    TCustomPopupListboxVz::AfterConstruction();
    UpdateBorderWidth();
}

void TPopupListboxVz::UpdateBorderWidth() {
    FBorderWidth = FCtl3D && BorderStyle() == bsSingle ? 2 : 0;
    // The border is drawn in the grid's margins.
    TGridOutBoundaryDataVz* m = OutBoundaryData();
    m->SetLeftIndent(FBorderWidth);
    m->SetTopIndent(FBorderWidth);
    m->SetRightIndent(FBorderWidth);
    m->SetBottomIndent(FBorderWidth);
    if (HandleAllocated()) Invalidate();
}

void TPopupListboxVz::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const int B = GetBorderSize();
    const int H = ItemHeight() > 0 ? ItemHeight() : GetTextHeight();
    const int rows = H > 0 ? std::max(1, (AHeight - B) / H) : 1;
    FRowCount = rows;
    TCustomPopupListboxVz::SetBounds(ALeft, ATop, AWidth, B + H * rows);
}

void TPopupListboxVz::SetRowCount(int Value) {
    SetHeight(std::max(1, Value) * ItemHeight() + GetBorderSize());
}

void TPopupListboxVz::InitWidget() {
    TCustomPopupListboxVz::InitWidget();
    if (!Parent()) MakePopupWindow(this);
}

void TPopupListboxVz::BoundsChanged() {
    TCustomPopupListboxVz::BoundsChanged();
    if (!Parent()) PlacePopupWindow(this);
}

void TPopupListboxVz::VisibleChanged() {
    if (Parent()) {
        TCustomPopupListboxVz::VisibleChanged();
        return;
    }
    if (FVisible) ShowPopupWindow(this);
    else HidePopupWindow(this);
}

void TPopupListboxVz::Show() { SetVisible(true); }

void TPopupListboxVz::Hide() { SetVisible(false); }

void TPopupListboxVz::Paint() {
    TCustomPopupListboxVz::Paint();
    DrawBorder();
}

void TPopupListboxVz::DrawBorder() {
    if (!FCtl3D || FBorderWidth == 0) return;
    TRect r(0, 0, Width(), Height());
    HDC dc = Canvas()->Handle();
    DrawEdge(dc, r, BDR_RAISEDOUTER, BF_RECT);
    r.Inflate(-1, -1);
    DrawEdge(dc, r, BDR_RAISEDINNER, BF_RECT);
}

// ================================================================================================
// TPopupListboxGridVz

TPopupListboxGridVz::TPopupListboxGridVz(TComponent* AOwner) : TCustomPopupListboxVz(AOwner) {}

// ================================================================================================
// TPopupListboxFormVz

TPopupListboxFormVz::TPopupListboxFormVz(TComponent* AOwner) : TPopupInactiveFormVz(AOwner) {
    FControlStyle.Include(csReplicatable);
    FListGrid = New<TPopupListboxGridVz>(this);
    FListGrid->SetParent(this);
    FListGrid->SetAlign(alClient);
    FListGrid->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        ListMouseUp(S, B, Sh, X, Y);
    };
    SetMasterActionsControl(FListGrid);
}

void TPopupListboxFormVz::HandleNeeded() {
    TPopupInactiveFormVz::HandleNeeded();
    FListGrid->HandleNeeded();
}

void TPopupListboxFormVz::ListMouseUp(TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

void TPopupListboxFormVz::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!FListGrid) {
        TPopupInactiveFormVz::SetBounds(ALeft, ATop, AWidth, AHeight);
        return;
    }
    const int B = FListGrid->GetBorderSize();
    const int W = BorderWidth();
    const int H = FListGrid->ItemHeight() > 0 ? FListGrid->ItemHeight() : FListGrid->GetTextHeight();
    const int rows = H > 0 ? std::max(1, (AHeight - B - 2 * W) / H) : 1;
    FRowCount = rows;
    TPopupInactiveFormVz::SetBounds(ALeft, ATop, AWidth, 2 * W + B + H * rows);
}

void TPopupListboxFormVz::SetRowCount(int Value) {
    SetHeight(std::max(1, Value) * FListGrid->ItemHeight() + FListGrid->GetBorderSize());
}

void TPopupListboxFormVz::Resize() {
    TPopupInactiveFormVz::Resize();
    if (!FInternalResizing && HandleAllocated()) {
        FResizedRowCount = FRowCount;
        FResizedWidth = Width();
        FSizeGripResized = true;
    }
}

bool TPopupListboxFormVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TPopupInactiveFormVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    return FListGrid->WheelFromOwner(Shift, WheelDelta, MousePos);
}
