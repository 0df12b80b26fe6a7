// The data-aware axis grid's editing: whether the editor may show and what it accepts, putting the
// data set into edit mode, writing the edited text back through the selected bar, focus and the
// grid timer.
#include "grid/axis/dbaxisgridvz.h"

#include "grid/base/specrowvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"

#include <cmath>

TAxisBarVz* TCustomDBAxisGridVz::SelectedBar() {
    const int i = GetSelectedIndex();
    return i >= 0 && i < FAxisBars->Count() ? FAxisBars->AxisBar(i) : nullptr;
}

TField* TCustomDBAxisGridVz::SelectedField() {
    TAxisBarVz* b = SelectedBar();
    return b ? b->Field() : nullptr;
}

void TCustomDBAxisGridVz::SetSelectedField(TField* Value) {
    if (!Value) return;
    for (int i = 0; i < FAxisBars->Count(); ++i)
        if (FAxisBars->AxisBar(i)->Field() == Value) {
            SetSelectedIndex(i);
            return;
        }
}

bool TCustomDBAxisGridVz::IsEditorVisible() { return InplaceEditor() && InplaceEditor()->Visible(); }

String TCustomDBAxisGridVz::InplaceEditorText() { return InplaceEditor() ? InplaceEditor()->Text() : String(); }

bool TCustomDBAxisGridVz::OperationsAllowEdit() {
    if (!FDataLink->Active()) return false;
    TDataSet* ds = FDataLink->DataSet();
    const bool update = FAllowedOperations.Contains(alopUpdateVz) || (ds && ds->State() == dsInsert);
    const bool rows = (ds && !ds->IsEmpty()) || FAllowedOperations.Contains(alopInsertVz) ||
                      FAllowedOperations.Contains(alopAppendVz);
    return update && rows;
}

bool TCustomDBAxisGridVz::TryEditSelectedField() {
    if (FReadOnly || !FDataLink->Active() || FDataLink->ReadOnly()) return false;
    TAxisBarVz* bar = SelectedBar();
    if (!bar) return false;
    bool r;
    if (bar->LookupParams()->Active()) {
        std::vector<TField*> keys = bar->LookupParams()->KeyFields();
        r = !keys.empty();
        for (TField* k : keys)
            if (!k->CanModify()) r = false;
    } else {
        TField* f = bar->Field();
        r = f && f->CanModify();
        if (r && f->FieldKind() == fkLookup && FDataLink->DataSet()) {
            std::vector<TField*> keys;
            FDataLink->DataSet()->GetFieldList(keys, f->KeyFields());
            for (TField* k : keys)
                if (!k->CanModify()) r = false;
        }
        if (r && f->IsBlob()) r = static_cast<bool>(f->OnSetText) || (IsMemoFieldTypeVz(f->DataType()) && FDrawMemoText);
    }
    if (!r) return false;
    if (bar->ReadOnly() || !bar->TextEditing() || !bar->CanModify(false)) return false;
    FDataLink->Edit();
    const bool editing = FDataLink->Editing();
    if (editing) FDataLink->SetModified();
    return editing;
}

// A lookup or key pick list bar whose text matches no row refuses the text and keeps the key it had.
void TCustomDBAxisGridVz::UpdateData() {
    TAxisBarVz* bar = SelectedBar();
    if (!bar) return;
    TDBLookupDataVz* lookup = bar->LookupParams();
    if (lookup->Active()) {
        const bool special = bar->DropDownSpecRow()->Visible() && FEditText == bar->DropDownSpecRow()->GetCellText(0);
        if (VarIsNull(FEditKeyValue) && !FEditText.isEmpty() && !special) {
            Variant keys;
            bool found = lookup->LocateDisplayText(FEditText, keys);
            if (!found && bar->OnNotInList) {
                bool recheck = false;
                bar->OnNotInList(bar, FEditText, recheck);
                if (recheck) found = lookup->LocateDisplayText(FEditText, keys);
            }
            if (!found) return;  // never Null into the key fields for a text that names no row
            FEditKeyValue = keys;
        }
        std::vector<TField*> keys = lookup->KeyFields();
        if (keys.empty()) return;
        for (TField* k : keys)
            if (!k->CanModify()) return;
        FDataLink->DataSet()->Edit();
        bar->UpdateDataValues(FEditText, FEditKeyValue, false);
        return;
    }
    TField* f = bar->Field();
    if (!f) {
        bar->UpdateDataValues(FEditText, Variant(FEditText), true);
        return;
    }
    switch (bar->GetBarType()) {
    case ctPickList:
        if (bar->OnNotInList && bar->LocatePickList(FEditText, false) < 0) {
            bool recheck = false;
            bar->OnNotInList(bar, FEditText, recheck);
        }
        bar->UpdateDataValues(FEditText, Variant(FEditText), true);
        return;
    case ctKeyPickList: {
        // The key of the typed text: the key-list item at its pick-list position.
        const int i = bar->LocatePickList(FEditText, false);
        if (i >= 0 && i < bar->KeyList()->Count()) FEditKeyValue = Variant(bar->KeyList()->Strings(i));
        else if (!FEditText.isEmpty()) {
            bool recheck = false;
            if (bar->OnNotInList) bar->OnNotInList(bar, FEditText, recheck);
            const int again = recheck ? bar->LocatePickList(FEditText, false) : -1;
            if (again < 0 || again >= bar->KeyList()->Count()) return;  // refused: the key stays
            FEditKeyValue = Variant(bar->KeyList()->Strings(again));
        } else FEditKeyValue = Variant::Null();
        bar->UpdateDataValues(FEditText, FEditKeyValue, false);
        return;
    }
    default: bar->UpdateDataValues(FEditText, Variant(FEditText), true); return;
    }
}

bool TCustomDBAxisGridVz::CanShowInplaceEditor() {
    if (FLayoutLock > 0) return false;
    if (!TCustomGridVz::CanShowInplaceEditor()) return false;
    TAxisBarVz* bar = SelectedBar();
    if (!bar || !FDataLink->Active()) return false;
    TAxisColCellParamsVz* p = FColCellParamsVz.get();
    bar->FillColCellParams(p);
    if (!ComponentState().Contains(csLoading)) bar->GetColCellParams(false, p);
    return p->FTextEditing;
}

bool TCustomDBAxisGridVz::CanEditAcceptKey(Char Key) {
    TAxisBarVz* bar = SelectedBar();
    if (!FDataLink->Active() || !bar || !bar->Field()) return false;
    // A lookup bar's text is a display text looked up in the list, not a value of its key field.
    if (bar->HasKeyListItems() || bar->LookupParams()->Active()) return true;
    return bar->Field()->IsValidChar(Key);
}

String TCustomDBAxisGridVz::GetCellEditMask(int, int) {
    TAxisBarVz* bar = SelectedBar();
    return bar ? bar->GetActualEditMask() : String();
}

String TCustomDBAxisGridVz::GetCellEditText(int, int) {
    TAxisBarVz* bar = SelectedBar();
    if (!bar) return String();
    bar->PrepareEditText();
    return FEditText;
}

int TCustomDBAxisGridVz::GetCellEditMaxLength(int, int) {
    TAxisBarVz* bar = SelectedBar();
    TField* f = bar ? bar->Field() : nullptr;
    if (!f || bar->HasKeyListItems()) return 0;
    return f->DataType() == ftString || f->DataType() == ftWideString ? f->Size() : 0;
}

void TCustomDBAxisGridVz::SetCellEditText(int, int, const String& Value) {
    if (FEditText == Value) return;
    FEditText = Value;
    // A typed text no longer stands for the key it was loaded with.
    if (TAxisBarVz* bar = SelectedBar(); bar && (bar->LookupParams()->Active() || bar->GetBarType() == ctKeyPickList))
        FEditKeyValue = Variant::Null();
}

void TCustomDBAxisGridVz::RepaintInplaceEditor() { TCustomGridVz::RepaintInplaceEditor(); }

bool TCustomDBAxisGridVz::ContainsFocus() {
    if (!HandleAllocated() || !Screen) return false;
    for (TWinControl* c = Screen->ActiveControl(); c; c = c->Parent())
        if (c == this) return true;
    return false;
}

bool TCustomDBAxisGridVz::AcquireFocus() {
    auto focused = [this] { return Focused() || (InplaceEditor() && InplaceEditor()->Focused()); };
    if (focused() || !FAcquireFocus || !CanFocus() || ComponentState().Contains(csDesigning)) return true;
    SetFocus();
    return focused();
}

void TCustomDBAxisGridVz::AxisGridTakeFocus() {
    if (CanFocus()) SetFocus();
}

void TCustomDBAxisGridVz::SelectionActiveChanged() {
    Invalidate();
    FSelectionActive = ContainsFocus();
}

void TCustomDBAxisGridVz::DoEnter() {
    TCustomGridVz::DoEnter();
    SelectionActiveChanged();
}

void TCustomDBAxisGridVz::DoExit() {
    TCustomGridVz::DoExit();
    SelectionActiveChanged();
}

void TCustomDBAxisGridVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FDownMousePos = ClientToScreen(TPoint(X, Y));
    FDownMouseMessageTime = static_cast<unsigned>(std::fmod(Now() * 86400000.0, 4294967296.0));
    if (FDownMouseMessageTime == 0) FDownMouseMessageTime = 1;
    TCustomGridVz::MouseDown(Button, Shift, X, Y);
}

void TCustomDBAxisGridVz::MouseMove(TShiftState Shift, int X, int Y) {
    FMoveMousePos = TPoint(X, Y);
    TCustomGridVz::MouseMove(Shift, X, Y);
}

void TCustomDBAxisGridVz::TakeMouseDownPoint(TPoint& Point, unsigned& Time) {
    Point = FDownMousePos;
    Time = FDownMouseMessageTime;
    FDownMouseMessageTime = 0;
}

void TCustomDBAxisGridVz::StopGridTimer() {
    if (!FTimerActive) return;
    SetGridTimer(false, 0);
    FTimerActive = false;
    FTimerInterval = -1;
}

void TCustomDBAxisGridVz::StartGridTimer(int Interval) {
    if (!FTimerActive) SetGridTimer(true, Interval);
    else if (FTimerInterval != Interval) {
        SetGridTimer(false, 0);
        SetGridTimer(true, Interval);
    }
    FTimerActive = true;
    FTimerInterval = Interval;
}
