// The axis grid's in-place editor: loading from the bar, the edit style and its list, the pick list
// and the MRU list, keys, completion, the clipboard and the edit buttons.
#include "grid/axis/dbaxisgridinplacevz.h"

#include "grid/axis/axisbarsvz.h"
#include "grid/axis/axisgridroutinesvz.h"
#include "grid/axis/dbaxisgridvz.h"
#include "grid/base/buttonpaintvz.h"
#include "grid/base/dropdownparamsvz.h"
#include "grid/base/listboxvz.h"
#include "grid/base/mrulistvz.h"
#include "grid/base/popupformvz.h"
#include "grid/base/specrowvz.h"
#include "grid/core/valueutilsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/menus.h"
#include "platform/gui/messages.h"
#include "platform/gui/shortcuts.h"
#include "platform/rtl/formatsettings.h"

#include <algorithm>

namespace {

bool IsListBarType(TAxisBarVzType T) {
    return T == ctPickList || T == ctLookupField || T == ctKeyPickList || T == ctDataList;
}

bool IsNumericField(TField* F) { return F && dynamic_cast<TNumericField*>(F); }

}  // namespace

// ================================================================================================
// The text control

TDBAxisGridnplaceEditCoreControl::TDBAxisGridnplaceEditCoreControl(TComponent* AOwner)
    : GridsVz::TInplaceEditCoreControl(AOwner) {}

TDBAxisGridInplaceEdit* TDBAxisGridnplaceEditCoreControl::ParentEdit() const {
    return static_cast<TDBAxisGridInplaceEdit*>(GridsVz::TInplaceEditCoreControl::ParentEdit());
}

TAxisBarVz* TDBAxisGridnplaceEditCoreControl::AxisBar() const {
    return ParentEdit() ? ParentEdit()->AxisBar() : nullptr;
}

bool TDBAxisGridnplaceEditCoreControl::RouteListKey(bool IsChar, Word& Key, TShiftState Shift) {
    TDBAxisGridInplaceEdit* e = ParentEdit();
    if (!e) return false;
    const TEditStyle st = e->FEditStyle;
    const bool listStyle = IsLookupEditStyleVz(st) || IsPickListEditStyleVz(st) || IsCalendarEditStyleVz(st);
    if (listStyle || e->IsCalculatorStyle()) {
        e->ListKeyDown(Key, IsChar ? TShiftState() : Shift);
        if (Key == 0) return true;
        if (IsChar && Key >= 32 && !e->FListVisible && AxisBar() && AxisBar()->AutoDropDown()) e->DropDown();
        // Keys that move in an open list go to the list; the text follows its selected item.
        if (!IsChar && e->FListVisible && e->FActiveList == e->FPickList && e->FPickList) {
            const bool noShift = !Shift.Contains(ssShift);
            const bool ctrl = Shift.Contains(ssCtrl);
            const bool move = ((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) && noShift) ||
                              ((Key == VK_END || Key == VK_HOME) && ctrl);
            if (move) {
                Word k = Key;
                e->FPickList->ListGrid()->DoKeyDown(k, Shift);
                const int i = e->FPickList->ItemIndex();
                if (i >= 0 && i < e->FPickList->Items()->Count() && e->FPickList->Items()->Strings(i) != Text()) {
                    e->FInternalChange = true;
                    try {
                        e->SetText(e->FPickList->Items()->Strings(i));
                    } catch (...) {
                        e->FInternalChange = false;
                        throw;
                    }
                    e->FInternalChange = false;
                    e->SelectAll();
                }
                Key = 0;
                return true;
            }
        }
    }
    TMRUListVz* mru = e->FMRUList;
    if (mru && mru->DroppedDown() && e->FMRUListControl) {
        if (!IsChar) {
            const bool move = ((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) &&
                               !Shift.Contains(ssAlt)) ||
                              ((Key == VK_END || Key == VK_HOME) && Shift.Contains(ssCtrl));
            if (move) {
                Word k = Key;
                e->FMRUListControl->ListGrid()->DoKeyDown(k, Shift);
                Key = 0;
                return true;
            }
        } else if (Key == 13 || Key == 27) {
            e->CloseUpMRUList(Key == 13);
            Key = 0;
            return true;
        }
    }
    return false;
}

void TDBAxisGridnplaceEditCoreControl::KeyDown(Word& Key, TShiftState Shift) {
    FLastShift = Shift;
    FSwallowChar = false;
    if (RouteListKey(false, Key, Shift)) {
        FSwallowChar = true;
        return;
    }
    if (TDBAxisGridInplaceEdit* e = ParentEdit()) {
        e->EditKeyDown(Key, Shift);
        if (Key == 0) {
            FSwallowChar = true;
            return;
        }
    }
    GridsVz::TInplaceEditCoreControl::KeyDown(Key, Shift);
}

void TDBAxisGridnplaceEditCoreControl::KeyPress(Char& Key) {
    // The character of a key that a list or the editor took at its press goes no further.
    if (FSwallowChar && Key.unicode() < 32) {
        FSwallowChar = false;
        Key = Char();
        return;
    }
    FSwallowChar = false;
    Word k = Key.unicode();
    if (RouteListKey(true, k, FLastShift)) {
        Key = Char();
        return;
    }
    TDBAxisGridInplaceEdit* e = ParentEdit();
    if (e) {
        e->EditKeyPress(Key);
        if (Key.isNull()) return;
    }
    const bool backspaceOnEmpty = Key == Char(8) && Text().isEmpty();
    GridsVz::TInplaceEditCoreControl::KeyPress(Key);
    if (e && backspaceOnEmpty && e->FMRUList && e->FMRUList->Active() && e->Visible() && !e->FDroppedDown)
        e->DropDownMRUList();
}

void TDBAxisGridnplaceEditCoreControl::KeyUp(Word& Key, TShiftState Shift) {
    GridsVz::TInplaceEditCoreControl::KeyUp(Key, Shift);
}

void TDBAxisGridnplaceEditCoreControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    GridsVz::TInplaceEditCoreControl::MouseDown(Button, Shift, X, Y);
    TAxisBarVz* bar = AxisBar();
    if (bar && Button == mbLeft && Shift.Contains(ssDouble) && bar->DblClickNextVal())
        bar->SetNextFieldValue(Shift.Contains(ssShift) ? -1 : 1);
}

bool TDBAxisGridnplaceEditCoreControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    TDBAxisGridInplaceEdit* e = ParentEdit();
    if (e && e->FDroppedDown && e->FActiveList) return e->ListMouseWheel(Shift, WheelDelta, MousePos);
    if (e && e->FListVisible) return true;
    return GridsVz::TInplaceEditCoreControl::DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TDBAxisGridnplaceEditCoreControl::Change() {
    TDBAxisGridInplaceEdit* e = ParentEdit();
    // A text taken from an open list is not the grid's text until the list closes accepting it.
    if (e && e->FInternalChange) {
        TCustomMaskEdit::Change();
        return;
    }
    GridsVz::TInplaceEditCoreControl::Change();
    if (!e || e->InternalTextSetting()) return;
    e->UserTextChange();
    e->CheckUserTextChanged();
}

// ================================================================================================
// The editor

TDBAxisGridInplaceEdit::TDBAxisGridInplaceEdit(TComponent* AOwner) : GridsVz::TInplaceEdit(AOwner) {}

void TDBAxisGridInplaceEdit::AfterConstruction() { GridsVz::TInplaceEdit::AfterConstruction(); }

GridsVz::TInplaceEditCoreControl* TDBAxisGridInplaceEdit::CreateEditCoreControl() {
    return New<TDBAxisGridnplaceEditCoreControl>(this);
}

TDBAxisGridnplaceEditCoreControl* TDBAxisGridInplaceEdit::Core() const {
    return static_cast<TDBAxisGridnplaceEditCoreControl*>(EditCoreControl());
}

TCustomDBAxisGridVz* TDBAxisGridInplaceEdit::AxisGrid() const { return dynamic_cast<TCustomDBAxisGridVz*>(Grid()); }

TAxisBarVz* TDBAxisGridInplaceEdit::AxisBar() const {
    TCustomDBAxisGridVz* g = AxisGrid();
    return g ? g->SelectedBar() : nullptr;
}

bool TDBAxisGridInplaceEdit::IsCalculatorStyle() {
    if (FEditStyle != esDropDown && FEditStyle != esAltDropDown) return false;
    TAxisBarVz* bar = AxisBar();
    return bar && IsNumericField(bar->Field());
}

void TDBAxisGridInplaceEdit::SetWordWrap(bool Value) {
    if (FWordWrap == Value) return;
    FWordWrap = Value;
    Invalidate();
}

// ---- loading ------------------------------------------------------------------------------------

void TDBAxisGridInplaceEdit::UpdateContents() {
    FFixedDownButton = -1;
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar) {
        SetEditButtonStyle(esSimple);
        FMRUList = nullptr;
        GridsVz::TInplaceEdit::UpdateContents();
        return;
    }
    SetEditButtonStyle(GetAxisBarEditStyleVz(bar));
    SetFont(bar->Font());
    const bool canModify = bar->CanModify(false);
    TAxisColCellParamsVz* p = g->FColCellParamsVz.get();
    bar->FillColCellParams(p);
    bar->PrepareEditText();
    p->FBackground = bar->Color();
    p->FFont = Font();
    p->FState = TGridDrawState{gdFocused};
    p->FText = g->EditText();
    p->FReadOnly = !canModify;
    g->GetCellParams(bar, Font(), p->FState, p->FBackground);
    if (!g->ComponentState().Contains(csLoading)) bar->GetColCellParams(true, p);
    SetColor(p->FBackground);
    EditCoreControl()->SetColor(p->FBackground);
    FImageIndex = p->FImageIndex;
    // The editor is read-only by the cell's parameters unless a hook made them agree with the bar.
    if (p->FReadOnly != canModify) {
        SetReadOnly(p->FReadOnly);
        FReadOnlyStored = true;
    } else FReadOnlyStored = false;
    SetWordWrap(bar->CurLineWordWrap(g->Row() >= 0 && g->Row() < g->FullRowCount() ? g->RowHeights(g->Row()) : 0));
    const String text = p->FText;
    SetText(String());
    SetEditMask(bar->GetActualEditMask());
    SetText(text);
    SetMaxLength(g->GetCellEditMaxLength(g->Col(), g->Row()));
    FMRUList = bar->MRUList();
    SetMainButtonAlwaysDown(false);
    UpdateEditButtons();
    UpdateEditButtonsState();
}

void TDBAxisGridInplaceEdit::SetEditButtonStyle(TEditStyle Value) {
    FEditButtonStyle = Value;
    UpdateEditStyle();
    Invalidate();
}

void TDBAxisGridInplaceEdit::UpdateEditStyle() {
    TAxisBarVz* bar = AxisBar();
    if (FEditButtonStyle != esSimple) FEditStyle = FEditButtonStyle;
    else {
        const int first = FirstVisibleButtonIndex();
        if (first < 0) FEditStyle = esSimple;
        else if (bar) {
            TField* f = bar->Field();
            switch (FButtons[first].EditButton->Style()) {
            case ebsDropDownVz:
            case ebsAltDropDownVz:
                if (!f) break;
                if (bar->LookupParams()->LookupIsSetUp()) {
                    TCustomDBAxisGridVz* g = AxisGrid();
                    std::vector<TField*> keys = bar->LookupParams()->KeyFields();
                    bool ok = !keys.empty() && g && !g->ReadOnly() && g->DataLink()->Active() &&
                              !g->DataLink()->ReadOnly() &&
                              (!bar->ReadOnly() || !bar->AssignedValues().Contains(cvReadOnly));
                    for (TField* k : keys) ok = ok && k->CanModify();
                    if (ok) FEditStyle = esLookupDataList;
                } else if (bar->HasPickListItems() && !bar->ReadOnly()) FEditStyle = esPickList;
                else if ((f->DataType() == ftDate || f->DataType() == ftDateTime || f->DataType() == ftTimeStamp ||
                          f->DataType() == ftTime) &&
                         !bar->ReadOnly())
                    FEditStyle = esDateCalendar;
                else FEditStyle = esSimple;
                break;
            case ebsEllipsisVz: FEditStyle = esEllipsis; break;
            case ebsUpDownVz: FEditStyle = esUpDown; break;
            case ebsAltUpDownVz: FEditStyle = esAltUpDown; break;
            default: break;
            }
        }
    }
    // The list of the style: the pick list is the editor's own; the data grid box, the calendar
    // and the calculator come from the layers above and are not offered here.
    if (IsPickListEditStyleVz(FEditStyle)) {
        if (!FPickList) {
            FPickList = New<TPopupListboxFormVz>(this);
            FPickList->SetVisible(false);
            FPickList->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
                PickListMouseUp(S, B, Sh, X, Y);
            };
            FPickList->ListGrid()->SetCtl3D(true);
        }
        FPickList->ListGrid()->SetImageList(bar ? bar->ImageList() : nullptr);
        FActiveList = FPickList;
    } else FActiveList = nullptr;
}

TRect TDBAxisGridInplaceEdit::CalcEditRect() {
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    const bool flat = g && g->Flat();
    TRect r(g ? g->GetCellEditorLeftOffset() : 2, flat ? 1 : 2, Width() - 2, flat ? Height() - 1 : Height());
    if (r.Bottom > Height() - 2 && r.Bottom - r.Top > 4) r.Bottom = Height() - 2;
    if (FButtonsWidth > 0) {
        if (g && g->UseRightToLeftAlignment()) r.Left += FButtonsWidth;
        else r.Right -= FButtonsWidth;
    }
    if (bar && bar->ImageList() && bar->ShowImageAndText()) {
        if (g && g->UseRightToLeftAlignment()) r.Right -= bar->ImageList()->Width() + 5;
        else r.Left += bar->ImageList()->Width() + 5;
    }
    if (r.Right < r.Left) r.Right = r.Left;
    return r;
}

TRect TDBAxisGridInplaceEdit::GetEditCoreRect() { return CalcEditRect(); }

void TDBAxisGridInplaceEdit::BoundsChangedCore() {
    // The buttons first: the text's rectangle leaves their width free.
    UpdateEditButtons();
    UpdateEditButtonsState();
    UpdateEditStyle();
    GridsVz::TInplaceEdit::BoundsChangedCore();
}

void TDBAxisGridInplaceEdit::Paint() {
    GridsVz::TInplaceEdit::Paint();
    TAxisBarVz* bar = AxisBar();
    if (!bar || !bar->ImageList() || !bar->ShowImageAndText() || FImageIndex < 0) return;
    const int w = bar->ImageList()->Width();
    TCustomDBAxisGridVz* g = AxisGrid();
    const int x = g && g->UseRightToLeftAlignment() ? ClientWidth() - w - 2 : 2;
    DrawImageCenteredVz(Canvas(), TRect(x, 0, x + w, ClientHeight()), bar->ImageList(), FImageIndex, false);
}

void TDBAxisGridInplaceEdit::UpdateImageIndex() {
    TAxisBarVz* bar = AxisBar();
    if (!bar || !bar->ImageList()) return;
    int i = -1;
    TField* f = bar->Field();
    if (!bar->HasPickListItems()) i = GetFieldIntegerValueVz(f, -1);
    else i = bar->PickList()->IndexOf(Text());
    if (i == -1) i = bar->NotInKeyListIndex();
    if (i != FImageIndex) {
        FImageIndex = i;
        Invalidate();
    }
}

void TDBAxisGridInplaceEdit::Hide() {
    CloseUp(false);
    CloseUpMRUList(false);
    GridsVz::TInplaceEdit::Hide();
}

void TDBAxisGridInplaceEdit::EditCoreKillFocus() {
    GridsVz::TInplaceEdit::EditCoreKillFocus();
    TCustomDBAxisGridVz* g = AxisGrid();
    if (!g) return;
    if (g->ContainsFocus() != g->FSelectionActive) g->SelectionActiveChanged();
    // The lists never take the focus: losing it closes them.
    if (!g->InternalFocusResetting() && FListVisible && !FVisibleListWantFocus) CloseUp(false);
    if (FMRUList && FMRUList->DroppedDown()) CloseUpMRUList(false);
}

void TDBAxisGridInplaceEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_CANCELMODE) {
        GridsVz::TInplaceEdit::Dispatch(Message);
        auto* sender = reinterpret_cast<TControl*>(Message.LParam);
        auto within = [](TControl* C, TWinControl* Parent) {
            for (TControl* c = C; c; c = c->Parent())
                if (c == Parent) return true;
            return false;
        };
        if (sender && !within(sender, this)) {
            if (FActiveList && !within(sender, FActiveList)) CloseUp(false);
            if (FMRUListControl && !within(sender, FMRUListControl)) CloseUpMRUList(false);
        }
        return;
    }
    GridsVz::TInplaceEdit::Dispatch(Message);
}

void TDBAxisGridInplaceEdit::GetEditorValue(Variant& Value) { Value = Variant(Text()); }

void TDBAxisGridInplaceEdit::SetEditorValue(const Variant& Value) {
    SetText(VarToStr(Value));
    if (TAxisBarVz* bar = AxisBar()) bar->SetValueAsText(Text());
}

void TDBAxisGridInplaceEdit::UserTextChange() {
    FUserTextChanged = true;
    UpdateImageIndex();
}

bool TDBAxisGridInplaceEdit::ListMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (!FActiveList) return false;
    if (FActiveList == FPickList) return FPickList->ListGrid()->WheelFromOwner(Shift, WheelDelta, MousePos);
    return false;
}

// ---- the pick list ------------------------------------------------------------------------------

void TDBAxisGridInplaceEdit::DropDown() {
    if (FListVisible || !FActiveList) return;
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar) return;
    FVisibleListWantFocus = false;
    if (FActiveList == FPickList) {
        TPopupListboxFormVz* l = FPickList;
        l->SetInternalResizing(true);
        l->SetColor(Color());
        l->SetFont(Font());
        l->ListGrid()->SetColor(Color());
        l->ListGrid()->SetFont(Font());
        const int h = l->GetTextHeight();
        l->SetItemHeight(h);
        TStrings* items = l->Items();
        items->Clear();
        TStrings* pick = bar->PickList();
        const int n = bar->HasKeyListItems() ? std::min(bar->KeyList()->Count(), pick->Count()) : pick->Count();
        for (int i = 0; i < n; ++i) items->AddObject(pick->Strings(i), pick->Objects(i));
        const int rows = std::max(1, std::min(n, static_cast<int>(bar->DropDownRows())));
        int width = bar->DropDownWidth() > 0 ? bar->DropDownWidth() : Width();
        TCanvas* measure = g->AxisGridCanvas();
        measure->Font()->Assign(Font());
        int widest = 0;
        for (int i = 0; i < n; ++i) widest = std::max(widest, measure->TextWidth(items->Strings(i)));
        width = std::max(width, widest + 4 + l->GetBorderSize());
        l->SetBounds(l->Left(), l->Top(), width, rows * h + l->GetBorderSize());
        int sel;
        TField* f = bar->Field();
        if (f && f->IsNull()) sel = -1;
        else if (bar->HasKeyListItems()) sel = bar->KeyList()->IndexOf(VarToStr(g->EditKeyValue()));
        else sel = items->IndexOf(Text());
        l->SetItemIndex(sel < n ? sel : -1);
        const TPoint pos = CalcDropDownPosForControlVz(this, l, UseRightToLeftAlignment() ? daRight : daLeft);
        l->SetBounds(pos.X, pos.Y, l->Width(), l->Height());
        l->Show();
        l->SetInternalResizing(false);
        l->SetSizeGripResized(false);
    }
    CloseUpMRUList(false);
    FListVisible = true;
    Invalidate();
    if (!FVisibleListWantFocus && g->Focused() == false && Focused() == false && g->CanFocus())
        g->InternalSetFocus(EditCoreControl());
    const int first = FirstVisibleButtonIndex();
    if (first >= 0) FButtons[first].Control->SetAlwaysDown(true);
    FDroppedDown = true;
}

void TDBAxisGridInplaceEdit::CloseUp(bool Accept) {
    if (!FListVisible || !FDroppedDown) return;
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar) return;
    Variant key = Variant::Null();
    FDroppedDown = false;
    const int first = FirstVisibleButtonIndex();
    if (first >= 0) FButtons[first].Control->SetAlwaysDown(false);
    if (FLockCloseList) return;
    if (FActiveList == FPickList && FPickList) {
        const int i = FPickList->ItemIndex();
        if (i >= 0 && i < FPickList->Items()->Count())
            key = bar->HasKeyListItems() ? Variant(bar->KeyList()->Strings(i)) : Variant(FPickList->Items()->Strings(i));
        if (FPickList->SizeGripResized() && FPickList->ItemHeight() > 0) {
            bar->SetDropDownRows(static_cast<unsigned>(FPickList->ClientHeight() / FPickList->ItemHeight()));
            bar->SetDropDownWidth(FPickList->Width());
        }
    }
    if (FActiveList) FActiveList->SetVisible(false);
    FListVisible = false;
    Invalidate();
    if (!Accept) {
        // The text the grid held before the list opened.
        if (FActiveList == FPickList) SetText(g->EditText());
        return;
    }
    if (FActiveList == FPickList && FPickList && !VarIsNull(key) && g->TryEditSelectedField()) {
        const int i = FPickList->ItemIndex();
        if (!bar->HasKeyListItems()) {
            SetText(VarToStr(key));
            g->EditText() = Text();
        } else {
            SetText(FPickList->Items()->Strings(i));
            g->EditText() = Text();
            g->EditKeyValue() = Variant(bar->KeyList()->Strings(i));
        }
        UpdateImageIndex();
        g->UpdateData();
        SelectAll();
    }
}

void TDBAxisGridInplaceEdit::PickListMouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft || !FPickList) return;
    const TRect r = FPickList->ListGrid()->ClientRect();
    CloseUp(X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom);
}

// ---- the MRU list -------------------------------------------------------------------------------

TMRUListboxVz* TDBAxisGridInplaceEdit::CreateMRUListControl() {
    TMRUListboxVz* l = New<TMRUListboxVz>(this);
    l->SetVisible(false);
    l->ListGrid()->SetCtl3D(false);
    l->ListGrid()->SetSorted(true);
    l->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) { MRUListMouseUp(S, B, Sh, X, Y); };
    return l;
}

TMRUListboxVz* TDBAxisGridInplaceEdit::GetMRUListControl() {
    if (!FMRUListControl) FMRUListControl = CreateMRUListControl();
    return FMRUListControl;
}

void TDBAxisGridInplaceEdit::FilterMRUItem(const String& Text, bool& Accept) {
    const String typed = this->Text();
    const Qt::CaseSensitivity cs = FMRUList && FMRUList->CaseSensitive() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    Accept = Text.startsWith(typed, cs);
}

void TDBAxisGridInplaceEdit::DropDownMRUList() {
    if (!FMRUList) return;
    TMRUListboxVz* l = GetMRUListControl();
    l->SetInternalResizing(true);
    if (!FMRUList->DroppedDown()) FMRUList->PrepareActiveItems();
    l->Items()->Clear();
    FMRUList->FilterItemsTo(l->Items(), Text());
    const int count = l->Items()->Count();
    l->SetItemHeight(l->GetTextHeight());
    const int rows = std::max(1, std::min(count, FMRUList->Rows()));
    TRect tr = CalcEditRect();
    tr = TRect(ClientToScreen(tr.TopLeft()), ClientToScreen(tr.BottomRight()));
    if (FMRUList->DroppedDown()) {
        if (count == 0) {
            l->SetInternalResizing(false);
            CloseUpMRUList(false);
            return;
        }
        l->SetBounds(l->Left(), l->Top(), l->Width(), rows * l->ItemHeight() + l->GetBorderSize());
        const TPoint pos = CalcDropDownPosForRectVz(tr, l, daLeft);
        l->SetBounds(pos.X, pos.Y, l->Width(), l->Height());
    } else if (count > 0) {
        l->SetColor(Color());
        l->SetFont(Font());
        l->SetItemIndex(-1);
        const int w = FMRUList->Width() > 0 && FMRUList->Width() > tr.Width() ? FMRUList->Width() : tr.Width();
        l->SetBounds(l->Left(), l->Top(), w, rows * l->ItemHeight() + l->GetBorderSize());
        const TPoint pos = CalcDropDownPosForRectVz(tr, l, daLeft);
        l->SetBounds(pos.X, pos.Y, l->Width(), l->Height());
        l->Show();
        FMRUList->SetDroppedDown(true);
        l->SetSizeGripResized(false);
    } else FMRUList->CloseUp(false);
    l->SetInternalResizing(false);
}

void TDBAxisGridInplaceEdit::CloseUpMRUList(bool Accept) {
    if (!FMRUList || !FMRUList->DroppedDown() || !FMRUListControl) return;
    TMRUListboxVz* l = FMRUListControl;
    l->SetVisible(false);
    if (l->SizeGripResized()) {
        FMRUList->SetRows(l->ResizedRowCount());
        FMRUList->SetWidth(l->ResizedWidth());
    }
    FMRUList->SetDroppedDown(false);
    const int i = l->ItemIndex();
    TCustomDBAxisGridVz* g = AxisGrid();
    if (Accept && g && !ReadOnly() && i >= 0 && i < l->Items()->Count() && EditThroughLink()) {
        SetText(l->Items()->Strings(i));
        g->EditText() = Text();
        if (Focused()) SelectAll();
    }
}

void TDBAxisGridInplaceEdit::MRUListMouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft || !FMRUListControl) return;
    const TRect r = FMRUListControl->ListGrid()->ClientRect();
    CloseUpMRUList(X >= r.Left && X < r.Right && Y >= r.Top && Y < r.Bottom);
}

void TDBAxisGridInplaceEdit::CheckUserTextChanged() {
    if (!FUserTextChanged || !FMRUList) return;
    FUserTextChanged = false;
    const String empty;
    if (FMRUList->DroppedDown() && Text() == empty) CloseUpMRUList(false);
    else if (FMRUList->Active() && Visible() && !FDroppedDown && Text() != empty) DropDownMRUList();
}

// ---- values -------------------------------------------------------------------------------------

bool TDBAxisGridInplaceEdit::EditThroughLink() {
    TCustomDBAxisGridVz* g = AxisGrid();
    if (!g || !g->DataLink()->Active()) return false;
    g->DataLink()->Edit();
    if (!g->DataLink()->Editing()) return false;
    g->DataLink()->SetModified();
    return true;
}

bool TDBAxisGridInplaceEdit::LocateInList(const String& Typed, String& Display, Variant& Key) {
    TAxisBarVz* bar = AxisBar();
    TDataSet* list = bar ? bar->ListDataSet() : nullptr;
    const String field = bar ? bar->GetDropDownBoxListField() : String();
    if (!list || !list->Active() || field.isEmpty()) return false;
    bool found = list->Locate(field, Variant(Typed), TLocateOptions{loPartialKey});
    if (!found && bar->CaseInsensitiveTextSearch())
        found = list->Locate(field, Variant(Typed), TLocateOptions{loPartialKey, loCaseInsensitive});
    if (!found) return false;
    Display = list->FieldByName(field)->AsString();
    Key = bar->GetBarType() == ctDataList ? list->FieldByName(field)->Value()
                                          : list->FieldValues(bar->LookupParams()->LookupKeyFieldNames());
    return true;
}

void TDBAxisGridInplaceEdit::SetTextSelectingCompletion(const String& Text, int TypedLength, bool Found) {
    SetText(Text);
    const int len = static_cast<int>(Text.size());
    if (Found && TypedLength < len) SetSel(TypedLength, len - TypedLength);
    else SetSel(len, 0);
}

void TDBAxisGridInplaceEdit::UpdateEditKeyValue() {
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar || !bar->CanModify(true)) return;
    g->EditText() = Text();
    if (!IsLookupEditStyleVz(FEditStyle)) return;
    TDataSet* list = bar->ListDataSet();
    TDBLookupDataVz* lookup = bar->LookupParams();
    if (list && list->Active() && !lookup->LookupDisplayFieldName().isEmpty() &&
        list->Locate(lookup->LookupDisplayFieldName(), Variant(Text()), TLocateOptions{loCaseInsensitive}))
        g->EditKeyValue() = list->FieldValues(lookup->LookupKeyFieldNames());
    else g->EditKeyValue() = Variant::Null();
}

void TDBAxisGridInplaceEdit::SyncListToEditKey() {
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (g && bar && FPickList && FActiveList == FPickList) FPickList->SetItemIndex(bar->LocatePickList(g->EditText(), false));
}

String TDBAxisGridInplaceEdit::GetTextWithoutSelection() {
    const String t = Text();
    return t.left(SelStart()) + t.mid(SelStart() + SelLength());
}

// ---- keys ---------------------------------------------------------------------------------------

void TDBAxisGridInplaceEdit::ListKeyDown(Word& Key, TShiftState Shift) {
    const bool alt = Shift.Contains(ssAlt);
    if (Key == VK_RETURN || Key == VK_ESCAPE) {
        if (FListVisible) {
            if (!alt && !IsCalculatorStyle()) {
                CloseUp(Key == VK_RETURN);
                Key = 0;
            }
        } else if (Key == VK_RETURN && Shift == TShiftState{ssCtrl}) {
            DropDown();
            Key = 0;
        }
        return;
    }
    if ((Key == VK_UP || Key == VK_DOWN) && alt) {
        if (FListVisible) CloseUp(true);
        else DropDown();
        Key = 0;
    }
}

void TDBAxisGridInplaceEdit::EditKeyDown(Word& Key, TShiftState Shift) {
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar) return;
    const TAxisBarVzType type = bar->GetBarType();
    // Ctrl+Enter runs the editor's button.
    if (Key == VK_RETURN && Shift == TShiftState{ssCtrl} && (FEditStyle == esEllipsis || FEditStyle == esDropDown)) {
        g->DoEditButtonClick();
        Key = 0;
        return;
    }
    const bool limitedPick = type == ctPickList && bar->LimitTextToListValues();
    if (Key == VK_DELETE && Shift.Empty() && (type == ctLookupField || type == ctKeyPickList || limitedPick) &&
        bar->CanModify(false)) {
        const int len = GetTextLen();
        if (SelStart() == 0 && SelLength() == len && bar->CanModify(true)) {
            if (IsLookupEditStyleVz(FEditStyle)) {
                if (FieldsArrayCanModifyVz(bar->LookupParams()->KeyFields()) && EditThroughLink()) {
                    SetText(String());
                    g->EditKeyValue() = Variant::Null();
                    g->EditText() = String();
                }
            } else if (IsPickListEditStyleVz(FEditStyle) && type == ctKeyPickList) {
                SetText(String());
                g->EditText() = Text();
                g->EditKeyValue() = Variant::Null();
            }
        } else if (bar->OnNotInList && bar->CanModify(true)) {
            const int start = SelStart();
            SetText(GetTextWithoutSelection());
            SetSel(start, 0);
            UpdateEditKeyValue();
            SyncListToEditKey();
        }
        Key = 0;
        return;
    }
    if (Key == VK_BACK && IsListBarType(type)) {
        if (bar->LimitTextToListValues()) {
            const int start = SelStart();
            SetSel(start > 0 ? start - 1 : 0, 0);
            Key = 0;
            return;
        }
        if (type == ctPickList) return;  // the text control deletes as usual
        if (bar->CanModify(true)) {
            EditThroughLink();
            const int start = SelStart();
            String t = GetTextWithoutSelection();
            if (start > 0) t.remove(start - 1, 1);
            SetText(t);
            SetSel(std::max(0, start - 1), 0);
            UpdateEditKeyValue();
            SyncListToEditKey();
        }
        Key = 0;
        return;
    }
    TSpecRowVz* spec = bar->DropDownSpecRow();
    if (spec && spec->Visible() && IsLookupEditStyleVz(FEditStyle) && spec->ShortCut() != 0 &&
        ShortCut(Key, Shift) == spec->ShortCut() && bar->CanModify(false)) {
        if (bar->CanModify(true)) {
            SetText(spec->GetCellText(0));
            g->EditText() = Text();
            g->EditKeyValue() = spec->Value();
            SelectAll();
        }
        Key = 0;
        return;
    }
    if (TEditButtonVz* b = FindEditButtonByShortCut(ShortCut(Key, Shift))) {
        for (const TButtonEntry& e : FButtons)
            if (e.EditButton == b) {
                bool autoRepeat = false, handled = false;
                EditButtonDown(e.Control, false, autoRepeat, handled);
                EditButtonClick(e.Control);
                break;
            }
        Key = 0;
    }
}

void TDBAxisGridInplaceEdit::EditKeyUp(Word&, TShiftState) {}

void TDBAxisGridInplaceEdit::EditKeyPress(Char& Key) {
    TAxisBarVz* bar = AxisBar();
    if (bar && IsNumericField(bar->Field()) && (Key == u'.' || Key == u','))
        Key = FormatSettings.DecimalSeparator;
    ProcessCharKey(Key);
    if (Key == Char(10) && !FWordWrap && Core()->FLastShift == TShiftState{ssCtrl}) Key = Char();
}

void TDBAxisGridInplaceEdit::ProcessCharKey(Char& Key) {
    FCharKeyStr = String(Key);
    AutoCompleteText(FCharKeyStr);
    if (FCharKeyStr.isEmpty()) Key = Char();
}

void TDBAxisGridInplaceEdit::AutoCompleteText(String& Text) {
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar || Text.isEmpty()) return;
    const bool backspace = Text == String(Char(8));
    if (Text.size() == 1 && Text[0].unicode() < 32 && !backspace) return;
    const String before = this->Text().left(SelStart());
    const String typed = before + Text;
    const TAxisBarVzType type = bar->GetBarType();
    if (IsLookupEditStyleVz(FEditStyle) && g->TryEditSelectedField() && g->OperationsAllowEdit() &&
        bar->ListDataSet()) {
        if (backspace) {
            if (IsListBarType(type)) Text.clear();
            return;
        }
        String display;
        Variant key;
        const bool found = LocateInList(typed, display, key);
        if (found || !bar->LimitTextToListValues()) {
            if (EditThroughLink()) {
                SetTextSelectingCompletion(found ? display : typed, static_cast<int>(typed.size()), found);
                g->EditKeyValue() = found ? key : Variant::Null();
                g->EditText() = this->Text();
            }
        }
        Text.clear();
        return;
    }
    if ((type == ctPickList || type == ctKeyPickList) && g->TryEditSelectedField()) {
        if (backspace) {
            if (bar->LimitTextToListValues() || type == ctKeyPickList) Text.clear();
            return;
        }
        const int i = bar->LocatePickList(typed, true);
        if (i < 0) {
            if (bar->LimitTextToListValues()) Text.clear();
            return;
        }
        Text.clear();
        EditThroughLink();
        SetTextSelectingCompletion(bar->PickList()->Strings(i), static_cast<int>(typed.size()), true);
        g->EditText() = this->Text();
        if (bar->HasKeyListItems() && i < bar->KeyList()->Count())
            g->EditKeyValue() = Variant(bar->KeyList()->Strings(i));
        if (FPickList && i < FPickList->Items()->Count()) FPickList->SetItemIndex(i);
    }
}

// ---- the clipboard ------------------------------------------------------------------------------

bool TDBAxisGridInplaceEdit::HandlePaste() {
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar) return false;
    if (!g->OperationsAllowEdit() || !bar->CanModify(false)) return true;
    const TAxisBarVzType type = bar->GetBarType();
    const bool limit = bar->LimitTextToListValues();
    const bool listBound =
        type == ctLookupField || type == ctKeyPickList || ((type == ctPickList || type == ctDataList) && limit);
    const String text = Text();
    const int ss = SelStart(), sl = SelLength();
    if (!listBound) {
        if (!EditCanModify() ||
            !(Clipboard()->HasFormat(CF_TEXT) || Clipboard()->HasFormat(CF_OEMTEXT) ||
              Clipboard()->HasFormat(CF_UNICODETEXT)))
            return false;
        String clip = bar->GetAcceptableEditText(Clipboard()->AsText());
        const int max = MaxLength();
        const int len = static_cast<int>(text.size());
        if (max > 0 && len + static_cast<int>(clip.size()) - sl > max) clip = clip.left(std::max(0, max + sl - len));
        const String fresh = text.left(ss) + clip + text.mid(ss + sl);
        if (EditThroughLink()) {
            SetText(fresh);
            SetSel(ss + static_cast<int>(clip.size()), 0);
            g->EditText() = Text();
        }
        return true;
    }
    if (!Clipboard()->HasFormat(CF_TEXT)) return true;
    const String fresh = text.left(ss) + Clipboard()->AsText() + text.mid(ss + sl);
    const int freshLen = static_cast<int>(fresh.size());
    if ((type == ctLookupField || type == ctDataList) && bar->ListDataSet()) {
        String display;
        Variant key;
        const bool found = LocateInList(fresh, display, key);
        if (!found && limit) return true;
        if (EditThroughLink()) {
            SetTextSelectingCompletion(found ? display : fresh, freshLen, found);
            g->EditKeyValue() = found ? key : Variant::Null();
            g->EditText() = Text();
        }
        return true;
    }
    const int i = bar->LocatePickList(fresh, true);
    const bool found = i >= 0 && g->TryEditSelectedField();
    if (!found && limit) return true;
    // A text that names no item keeps the key the cell had.
    const Variant oldKey = g->EditKeyValue();
    EditThroughLink();
    SetTextSelectingCompletion(found ? bar->PickList()->Strings(i) : fresh, freshLen, found);
    g->EditText() = Text();
    if (found && bar->HasKeyListItems() && i < bar->KeyList()->Count())
        g->EditKeyValue() = Variant(bar->KeyList()->Strings(i));
    else g->EditKeyValue() = oldKey;
    return true;
}

bool TDBAxisGridInplaceEdit::HandleCut() {
    TAxisBarVz* bar = AxisBar();
    if (bar && bar->LimitTextToListValues()) return !(SelStart() == 0 && SelLength() == GetTextLen());
    return GridsVz::TInplaceEdit::HandleCut();
}

bool TDBAxisGridInplaceEdit::HandleClear() {
    TAxisBarVz* bar = AxisBar();
    if (bar && bar->LimitTextToListValues()) return !(SelStart() == 0 && SelLength() == GetTextLen());
    return GridsVz::TInplaceEdit::HandleClear();
}

// ---- edit buttons -------------------------------------------------------------------------------

void TDBAxisGridInplaceEdit::UpdateEditButtons() {
    TAxisBarVz* bar = AxisBar();
    TCustomDBAxisGridVz* g = AxisGrid();
    const int count = bar ? 1 + bar->EditButtons()->Count() : 0;
    while (static_cast<int>(FButtons.size()) > count) {
        FButtons.back().Control->Free();
        FButtons.pop_back();
    }
    while (static_cast<int>(FButtons.size()) < count) {
        TEditButtonControlVz* c = New<TEditButtonControlVz>(this);
        c->SetBounds(0, 0, 10, 17);
        c->SetParent(this);
        c->SetTag(static_cast<int>(FButtons.size()));
        c->OnDown = [this](TObject* S, bool Top, bool& AutoRepeat, bool& Handled) {
            EditButtonDown(S, Top, AutoRepeat, Handled);
        };
        c->OnClick = [this](TObject* S) { EditButtonClick(S); };
        c->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
            EditButtonMouseUp(S, B, Sh, X, Y);
        };
        FButtons.push_back(TButtonEntry{c, nullptr});
    }
    FButtonsWidth = 0;
    if (!bar) return;
    for (int i = 0; i < count; ++i) {
        TEditButtonVz* b = i == 0 ? static_cast<TEditButtonVz*>(bar->EditButton()) : bar->EditButtons()->Items(i - 1);
        FButtons[i].EditButton = b;
        TEditButtonControlVz* c = FButtons[i].Control;
        c->SetStyle(b->Style());
        c->SetExternalEditButtonImages(b->Images());
        c->SetVisible(b->Visible());
        if (b->Visible()) FButtonsWidth += bar->EditButtonWidth(b);
    }
    // Left to right at the right edge (right to left at the left edge for a mirrored grid).
    const bool rtl = g && g->UseRightToLeftAlignment();
    int x = rtl ? FButtonsWidth : Width() - FButtonsWidth;
    for (const TButtonEntry& e : FButtons) {
        if (!e.EditButton->Visible()) continue;
        const int w = bar->EditButtonWidth(e.EditButton);
        if (rtl) x -= w;
        e.Control->SetBounds(x, 0, w, Height());
        if (!rtl) x += w;
    }
}

void TDBAxisGridInplaceEdit::UpdateEditButtonsState() {
    TAxisBarVz* bar = AxisBar();
    bool given = false;
    for (size_t i = 0; i < FButtons.size(); ++i) {
        TEditButtonVz* b = FButtons[i].EditButton;
        if (!b) continue;
        FButtons[i].Control->SetEnabled(b->Enabled() && Enabled());
        bool mine;
        if (i == 0) {
            auto* main = static_cast<TAxisBarMainEditButtonVz*>(b);
            mine = b->Visible() && !main->OnEditButtonClick && !main->OnEditButtonDown;
        } else mine = !given && !b->OnClick && !b->OnDown;
        if (given && i > 0) mine = false;
        b->SetParentDefinedDefaultAction(mine);
        given = given || mine;
    }
    (void)bar;
}

int TDBAxisGridInplaceEdit::FirstVisibleButtonIndex() const {
    for (size_t i = 0; i < FButtons.size(); ++i)
        if (FButtons[i].EditButton && FButtons[i].EditButton->Visible()) return static_cast<int>(i);
    return -1;
}

TEditButtonVz* TDBAxisGridInplaceEdit::ButtonOfControl(TEditButtonControlVz* Control) const {
    for (const TButtonEntry& e : FButtons)
        if (e.Control == Control) return e.EditButton;
    return nullptr;
}

TEditButtonVz* TDBAxisGridInplaceEdit::FindEditButtonByShortCut(TShortCut Value) {
    TAxisBarVz* bar = AxisBar();
    if (!bar || Value == 0) return nullptr;
    for (int i = 0; i < bar->EditButtons()->Count(); ++i)
        if (bar->EditButtons()->Items(i)->ShortCut() == Value) return bar->EditButtons()->Items(i);
    return nullptr;
}

bool TDBAxisGridInplaceEdit::GetMainButtonAlwaysDown() const {
    return !FButtons.empty() && FButtons[0].Control->AlwaysDown();
}

void TDBAxisGridInplaceEdit::SetMainButtonAlwaysDown(bool Value) {
    if (!FButtons.empty()) FButtons[0].Control->SetAlwaysDown(Value);
}

bool TDBAxisGridInplaceEdit::CloseUpMessagePending(TEditButtonControlVz* Control, TEditButtonVz* EditButton) {
    if (Control && Control->AlwaysDown()) return false;
    if (!HandleAllocated()) return false;
    TMsg m;
    if (!PeekMessage(m, Handle(), WM_USER, WM_USER, PM_NOREMOVE)) return false;
    const TObject* expected = EditButton ? static_cast<TObject*>(EditButton) : static_cast<TObject*>(this);
    return m.wParam == reinterpret_cast<WPARAM>(Handle()) && m.lParam == reinterpret_cast<LPARAM>(expected);
}

void TDBAxisGridInplaceEdit::EditButtonClick(TObject* Sender) {
    auto* control = dynamic_cast<TEditButtonControlVz*>(Sender);
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    TEditButtonVz* b = ButtonOfControl(control);
    if (!g || !bar || !b) return;
    const bool main = b == bar->EditButton();
    if (main && (FEditStyle == esEllipsis || FEditStyle == esDropDown || FEditStyle == esAltDropDown))
        g->DoEditButtonClick();
    bool handled = false;
    if (main) {
        if (bar->EditButton()->OnEditButtonClick) bar->EditButton()->OnEditButtonClick(control, handled);
    } else b->Click(control, handled);
    if (!handled && b->DefaultAction()) g->EditButtonDefaultAction(bar, b, control, false, handled);
    const int first = FirstVisibleButtonIndex();
    if (!handled && FDroppedDown && !FNoClickCloseUp && (main || (first >= 0 && FButtons[first].Control == control)))
        CloseUp(false);
    FNoClickCloseUp = false;
}

void TDBAxisGridInplaceEdit::EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
    auto* control = dynamic_cast<TEditButtonControlVz*>(Sender);
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    SetFocus();
    Handled = false;
    TEditButtonVz* b = ButtonOfControl(control);
    if (!g || !bar || !b) return;
    TAxisBarMainEditButtonVz* main = bar->EditButton();
    TEditButtonControlVz* mainControl = FButtons.empty() ? nullptr : FButtons[0].Control;
    if (b == main) {
        if (main->OnEditButtonDown) main->OnEditButtonDown(control, TopButton, AutoRepeat, Handled);
    } else if (b->OnDown) b->OnDown(control, TopButton, AutoRepeat, Handled);
    if (!Handled && !CloseUpMessagePending(mainControl, b)) {
        TDropDownFormCallParamsVz* p = b->DropDownFormParams();
        if (p && (p->DropDownForm() || !p->DropDownFormClassName().isEmpty())) {
            p->FEditButtonControl = control;
            p->FEditButton = b;
            p->FDataLink = g->DataLink();
            p->FField = bar->Field();
            p->FOnGetActualDropDownFormProc = {};
            p->FEditControl = this;
            p->FEditControlScreenRect = TRect();
            p->FOnGetVarValueProc = [this](Variant& V) { GetEditorValue(V); };
            p->FOnSetVarValueProc = [this](const Variant& V) { SetEditorValue(V); };
            p->CheckShowDropDownForm(Handled);
        }
    }
    if (!Handled && b->DropdownMenu() && control) {
        TPopupMenu* m = b->DropdownMenu();
        const TPoint pt = control->ClientToScreen(TPoint(0, control->Height()));
        m->Popup(pt.X, pt.Y);
        Handled = true;
    }
    if (!Handled && b->DefaultAction()) DoEditButtonDefaultAction(!TopButton, Handled);
    if (!Handled && FEditStyle != esEllipsis && b->DefaultAction() && !CloseUpMessagePending(mainControl, main))
        g->EditButtonDefaultAction(bar, main, mainControl, true, Handled);
}

void TDBAxisGridInplaceEdit::EditButtonMouseUp(TObject* Sender, TMouseButton, TShiftState, int X, int Y) {
    auto* control = dynamic_cast<TControl*>(Sender);
    if (!control) return;
    const TRect r = control->ClientRect();
    if (X < r.Left || X >= r.Right || Y < r.Top || Y >= r.Bottom) FNoClickCloseUp = false;
}

void TDBAxisGridInplaceEdit::DoEditButtonDefaultAction(bool Down, bool& Handled) {
    if (FEditStyle == esUpDown || FEditStyle == esAltUpDown) {
        SpinValue(Down);
        Handled = true;
        return;
    }
    if (FDroppedDown) return;
    DropDown();
    Handled = FDroppedDown;
    FNoClickCloseUp = true;
}

void TDBAxisGridInplaceEdit::SpinValue(bool Down) {
    TCustomDBAxisGridVz* g = AxisGrid();
    TAxisBarVz* bar = AxisBar();
    if (!g || !bar || !bar->CanModify(true)) return;
    const String typed = Text();
    bar->PrepareEditText();
    if (typed != g->EditText()) {
        g->EditText() = typed;
        g->UpdateData();
    }
    const Extended inc = bar->Increment();
    const bool common = bar->GetBarType() == ctCommon;
    bar->SetNextFieldValue((Down == common) ? -inc : inc);
}
