#include "grid/editors/dbricheditvz.h"

#include "grid/core/dynvarsvz.h"
#include "grid/editors/richeditformvz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/messages.h"

#include <QApplication>

namespace {

struct TDBRichEditUnitVz {
    TDBRichEditUnitVz() { DBRichEditVzDefaultButtonActionProc() = DefaultDBRichEditVzButtonAction; }
} DBRichEditUnitVz;


}  // namespace

TDBRichEditVzButtonActionProc& DBRichEditVzDefaultButtonActionProc() {
    static TDBRichEditVzButtonActionProc proc;
    return proc;
}

TCustomDBRichEditVz::TCustomDBRichEditVz(TComponent* AOwner)
    : TCustomRichEdit(AOwner), FDataLink(NewOwned<TFieldDataLinkVz>()) {
    TCustomRichEdit::SetReadOnly(true);
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TCustomDBRichEditVz::DataChange);
    FDataLink->OnEditingChange = TNotifyEvent(this, &TCustomDBRichEditVz::EditingChange);
    FDataLink->OnUpdateData = TNotifyEvent(this, &TCustomDBRichEditVz::LinkUpdateData);
    FDynProps = New<TDynVarsVz>(this);
    FButtonsBox = New<TEditButtonsBoxVz>(this);
    FButtonsBox->SetVisible(false);
    FButtonsBox->SetBounds(0, 0, 0, 0);
    FButtonsBox->SetParent(this);
    FButtonsBox->OnDown = TButtonDownEventVz(this, &TCustomDBRichEditVz::ButtonControlDown);
    FButtonsBox->OnClick = TNotifyEvent(this, &TCustomDBRichEditVz::ButtonControlClick);
    FButtonsBox->OnCreateEditButtonControl = [this] { return CreateEditButtonControl(); };
    FEditButtons = New<TEditButtonsVz>(this, TVisibleEditButtonVz::StaticClass());
    FEditButtons->OnChanged = TNotifyEvent(this, &TCustomDBRichEditVz::EditButtonsChanged);
    FControlLabelLocation = NewOwned<TControlLabelLocationVz>(static_cast<IControlLabelOwnerVz*>(this));
    FControlLabel = New<TControlLabelVz>(static_cast<TWinControl*>(this), static_cast<IControlLabelOwnerVz*>(this));
    FControlLabel->FreeNotification(this);
    DataLinkEditingChanged();
}

TCustomDBRichEditVz::~TCustomDBRichEditVz() = default;

void TCustomDBRichEditVz::BeforeDestruction() {
    FDataLink->SetDataSource(nullptr);
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnEditingChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    if (FEditButtons) {
        FEditButtons->OnChanged = nullptr;
        FreeAndNil(FEditButtons);
    }
    if (FDynProps) FreeAndNil(FDynProps);
    TCustomRichEdit::BeforeDestruction();
}

void TCustomDBRichEditVz::SetDataSource(TDataSource* Value) {
    if (Value == FDataLink->DataSource()) return;
    if (FDataLink->DataSourceFixed() &&
        (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)))
        return;
    if (FDataLink->DataSource()) FDataLink->DataSource()->RemoveFreeNotification(this);
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TCustomDBRichEditVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomRichEdit::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FControlLabel) FControlLabel = nullptr;
    if (FDataLink && AComponent == FDataLink->DataSource()) SetDataSource(nullptr);
    if (AComponent == FButtonsBox) FButtonsBox = nullptr;
}

void TCustomDBRichEditVz::SetReadOnly(bool Value) {
    FDataLink->SetReadOnly(Value);
    DataLinkEditingChanged();
}

void TCustomDBRichEditVz::SetAutoDisplay(bool Value) {
    if (FAutoDisplay == Value) return;
    FAutoDisplay = Value;
    if (Value) LoadMemo();
}

// ---- the text

String TCustomDBRichEditVz::RtfText() { return GetRichEditRtfTextVz(this); }

void TCustomDBRichEditVz::SetRtfText(const String& Value) {
    if (ComponentState().Contains(csDesigning) && !DataIndepended()) return;
    if (!DataIndepended() && FDataLink->DataSet()) FDataLink->DataSet()->Edit();
    SetRichEditRtfTextVz(this, Value);
    FMemoLoaded = true;
    try {
        DataLinkUpdateData();
    } catch (...) {
        FDataLink->Reset();
        throw;
    }
}

void TCustomDBRichEditVz::LoadMemo() {
    TField* f = Field();
    if (FMemoLoaded || !f || !f->IsBlob()) return;
    SetRichEditRtfTextVz(this, f->AsString());
    SetModified(false);
    FMemoLoaded = true;
    DataLinkEditingChanged();
}

void TCustomDBRichEditVz::ShowPlaceholder(const String& Text) {
    // A placeholder is not the field's content: it is never marked modified nor written back.
    FMemoLoaded = false;
    SetRichEditRtfTextVz(this, Text);
    FMemoLoaded = false;
    FDataLink->SetModified(false);
}

bool TCustomDBRichEditVz::BeginEditing() {
    if (FDataLink->Editing()) return true;
    TField* f = Field();
    if (f && f->IsBlob()) FDataSave = f->AsString();
    bool ok = false;
    try {
        ok = FDataLink->Edit();
    } catch (...) {
        FDataSave.clear();
        throw;
    }
    FDataSave.clear();
    return ok;
}

// ---- the data link

void TCustomDBRichEditVz::DataChange(TObject*) {
    if (ComponentState().Contains(csDestroying)) return;
    DataLinkDataChanged();
    if (FControlLabel) FControlLabel->UpdateCaption();
}

void TCustomDBRichEditVz::EditingChange(TObject*) { DataLinkEditingChanged(); }

void TCustomDBRichEditVz::LinkUpdateData(TObject*) { DataLinkUpdateData(); }

void TCustomDBRichEditVz::DataLinkDataChanged() {
    TField* f = Field();
    if (f && !f->IsBlob()) {
        SetRichEditRtfTextVz(this, FFocused && FDataLink->CanModify() ? f->Text() : f->DisplayText());
        FMemoLoaded = true;
    } else if (f) {
        if (FAutoDisplay || (FDataLink->Editing() && FMemoLoaded)) {
            // Entering edit mode re-reads the record: a blob that did not change is not reloaded.
            if (!FDataSave.isEmpty() && FDataSave == f->AsString()) return;
            FMemoLoaded = false;
            LoadMemo();
        } else {
            ShowPlaceholder(u"("_S + f->DisplayLabel() + u")"_S);
        }
    } else if (!DataIndepended()) {
        ShowPlaceholder(ComponentState().Contains(csDesigning) ? Name() : String());
    }
    SetModified(false);
    DataLinkEditingChanged();
    Invalidate();
}

void TCustomDBRichEditVz::DataLinkEditingChanged() {
    if (DataIndepended())
        TCustomRichEdit::SetReadOnly(ReadOnly());
    else
        TCustomRichEdit::SetReadOnly(!(FDataLink->Editing() && FMemoLoaded));
}

void TCustomDBRichEditVz::DataLinkUpdateData() {
    if (DataIndepended()) return;
    TField* f = Field();
    if (!f) return;
    if (f->IsBlob()) {
        // "(label)" and other placeholders never reach the blob.
        if (!FMemoLoaded) return;
        f->SetAsString(RtfText());
    } else {
        f->SetAsString(Text());
    }
}

// ---- typing

void TCustomDBRichEditVz::Change() {
    if (FMemoLoaded) FDataLink->Modified();
    FMemoLoaded = true;
    TCustomRichEdit::Change();
}

void TCustomDBRichEditVz::KeyDown(Word& Key, TShiftState Shift) {
    TCustomRichEdit::KeyDown(Key, Shift);
    if (Key == 0 || DataIndepended() || !FMemoLoaded) return;
    const bool edits = Key == VK_DELETE || Key == VK_BACK || (Key == VK_INSERT && Shift == TShiftState{ssShift}) ||
                       ((Key == 'V' || Key == 'X') && Shift == TShiftState{ssCtrl});
    if (edits && !BeginEditing()) Key = 0;
}

void TCustomDBRichEditVz::KeyPress(Char& Key) {
    TCustomRichEdit::KeyPress(Key);
    if (Key.isNull() || DataIndepended()) return;
    const char16_t k = Key.unicode();
    if (!FMemoLoaded) {
        if (k == 13) LoadMemo();
        Key = Char();
        return;
    }
    TField* f = Field();
    if (k >= 32 && f && !f->IsValidChar(Key)) {
        QApplication::beep();
        Key = Char();
        return;
    }
    const bool passes = k <= 7 || k == 11 || k == 12 || (k >= 14 && k <= 21) || k == 23 || k == 25 || k == 26 ||
                        (k >= 28 && k <= 31);
    if (passes) return;
    if (k == 27) {
        FDataLink->Reset();
        return;
    }
    if (!BeginEditing()) Key = Char();
}

void TCustomDBRichEditVz::DblClick() {
    if (!FMemoLoaded)
        LoadMemo();
    else
        TCustomRichEdit::DblClick();
}

void TCustomDBRichEditVz::SetFocused(bool Value) {
    if (FFocused == Value) return;
    FFocused = Value;
    FDataLink->Reset();
}

void TCustomDBRichEditVz::DoEnter() {
    SetFocused(true);
    TCustomRichEdit::DoEnter();
}

void TCustomDBRichEditVz::DoExit() {
    try {
        FDataLink->UpdateRecord();
    } catch (...) {
        SetFocus();
        throw;
    }
    SetFocused(false);
    TCustomRichEdit::DoExit();
}

// ---- edit buttons

TEditButtonVz* TCustomDBRichEditVz::ButtonOf(TEditButtonControlVz* Control) const {
    const int i = FButtonsBox ? FButtonsBox->IndexOfControl(Control) : -1;
    return i >= 0 ? FButtonsBox->Entry(i).EditButton : nullptr;
}

TRect TCustomDBRichEditVz::GetButtonsRect() const {
    TRect r(ClientWidth() - ButtonsWidth(), 0, ClientWidth(), ClientHeight());
    if (UseRightToLeftAlignment()) r.Offset(-(ClientWidth() - ButtonsWidth()), 0);
    return r;
}

TRect TCustomDBRichEditVz::CalcEditRect() const {
    if (UseRightToLeftAlignment()) return TRect(ButtonsWidth(), 0, ClientWidth(), ClientHeight());
    return TRect(0, 0, ClientWidth() - ButtonsWidth(), ClientHeight());
}

TEditButtonControlVz* TCustomDBRichEditVz::CreateEditButtonControl() {
    TEditButtonControlVz* c = New<TEditButtonControlVz>(this);
    c->SetControlStyle(c->ControlStyle() + TControlStyle{csReplicatable});
    c->SetBounds(0, 0, 10, 17);
    c->SetVisible(true);
    return c;
}

void TCustomDBRichEditVz::UpdateEditButtons() {
    if (!FButtonsBox || !FEditButtons) return;
    FButtonsBox->BeginLayout();
    FButtonsBox->SetButtonsCount(FEditButtons->Count());
    FButtonsBox->SetMaxButtonHeight(ClientHeight());
    for (int i = 0; i < FEditButtons->Count(); ++i) FButtonsBox->Entry(i).EditButton = FEditButtons->Items(i);
    FButtonsBox->EndLayout();
    if (FButtonsBox->ButtonsWidth() <= 0) {
        FButtonsBox->SetVisible(false);
    } else {
        const TRect r = GetButtonsRect();
        FButtonsBox->SetBounds(r.Left, r.Top, r.Width(), r.Height());
        FButtonsBox->SetVisible(true);
    }
}

void TCustomDBRichEditVz::UpdateEditButtonsState() {
    if (!FButtonsBox || !FEditButtons) return;
    FButtonsBox->SetBorderActive(true);
    FButtonsBox->UpdateEditButtonControlsState();
    bool given = false;
    for (int i = 0; i < FEditButtons->Count(); ++i) {
        TEditButtonVz* b = FEditButtons->Items(i);
        const bool bare = !b->OnClick && !b->OnDown && !b->DropDownFormParams()->DropDownForm() &&
                          b->DropDownFormParams()->DropDownFormClassName().isEmpty();
        b->SetParentDefinedDefaultAction(bare && !given);
        if (bare) given = true;
    }
}

void TCustomDBRichEditVz::EditButtonsChanged(TObject*) {
    UpdateEditButtons();
    UpdateEditButtonsState();
    if (HandleAllocated()) {
        const TRect r = CalcEditRect();
        Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&r));
    }
    Invalidate();
}

void TCustomDBRichEditVz::Resize() {
    TCustomRichEdit::Resize();
    UpdateEditButtons();
}

void TCustomDBRichEditVz::ButtonControlDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
    EditButtonDown(static_cast<TEditButtonControlVz*>(Sender), TopButton, AutoRepeat, Handled);
}

void TCustomDBRichEditVz::ButtonControlClick(TObject* Sender) {
    EditButtonClick(static_cast<TEditButtonControlVz*>(Sender));
}

void TCustomDBRichEditVz::EditButtonDown(TEditButtonControlVz* Control, bool TopButton, bool& AutoRepeat,
                                         bool& Handled) {
    if (CanFocus()) SetFocus();
    Handled = false;
    TEditButtonVz* b = ButtonOf(Control);
    if (!b) return;
    if (b->OnDown) b->OnDown(b, TopButton, AutoRepeat, Handled);
    if (!Handled) EditButtonDropDown(b, Control, Handled);
    if (!Handled && b->DropdownMenu()) {
        const TPoint p = ClientToScreen(TPoint(0, Height()));
        b->DropdownMenu()->Popup(p.X, p.Y);
        Handled = true;
    }
    if (!Handled && b->DefaultAction() && DBRichEditVzDefaultButtonActionProc())
        DBRichEditVzDefaultButtonActionProc()(this, b, Control, Handled, true);
}

void TCustomDBRichEditVz::EditButtonClick(TEditButtonControlVz* Control) {
    TEditButtonVz* b = ButtonOf(Control);
    if (!b) return;
    bool handled = false;
    b->Click(b, handled);
    if (!handled && b->DefaultAction() && DBRichEditVzDefaultButtonActionProc())
        DBRichEditVzDefaultButtonActionProc()(this, b, Control, handled, false);
}

void TCustomDBRichEditVz::PrepareDropDownParams(TEditButtonVz* Button, TEditButtonControlVz* Control) {
    TDropDownFormCallParamsVz* p = Button->DropDownFormParams();
    p->FEditButton = Button;
    p->FEditButtonControl = Control;
    p->FEditControl = this;
    p->FOnOpenDropDownFormProc = OnOpenDropDownForm;
    p->FOnCloseDropDownFormProc = [this](TWinControl* Edit, TEditButtonVz* B, bool Accept, TCustomForm* Form,
                                         TDynVarsVz* D) {
        if (FButtonsBox)
            for (const TEditButtonControlLineRec& r : FButtonsBox->BtnCtlList())
                if (r.EditButtonControl) r.EditButtonControl->SetAlwaysDown(false);
        if (OnCloseDropDownForm) OnCloseDropDownForm(Edit, B, Accept, Form, D);
    };
    p->FDataLink = FDataLink.get();
    p->FField = Field();
    p->FOnSetVarValueProc = [this](const Variant& V) { SetRtfText(SafeVarToStrVz(V)); };
    p->FOnGetVarValueProc = [this](Variant& V) { V = Variant(RtfText()); };
    p->FOnGetActualDropDownFormProc = nullptr;
}

void TCustomDBRichEditVz::EditButtonDropDown(TEditButtonVz* Button, TEditButtonControlVz* Control, bool& Handled) {
    PrepareDropDownParams(Button, Control);
    Button->DropDownFormParams()->CheckShowDropDownForm(Handled);
}

void TCustomDBRichEditVz::CloseUp(bool) {
    if (FButtonsBox && FButtonsBox->ButtonsCount() > 0 && FButtonsBox->Entry(0).EditButtonControl)
        FButtonsBox->Entry(0).EditButtonControl->SetAlwaysDown(false);
}

void DefaultDBRichEditVzButtonAction(TCustomDBRichEditVz* Control, TEditButtonVz* Button,
                                     TEditButtonControlVz* ButtonControl, bool& Handled, bool IsDown) {
    const TEditButtonStyleVz style = Button->Style();
    if (IsDown && (style == ebsDropDownVz || style == ebsAltDropDownVz)) {
        Control->PrepareDropDownParams(Button, ButtonControl);
        Button->DropDownFormParams()->FOnGetActualDropDownFormProc = [](TCustomForm*& Form, bool& FreeFormOnClose) {
            Form = TRichEditWinVz::GetGlobalRef();
            if (Form) FreeFormOnClose = false;
        };
        Button->DropDownFormParams()->CheckShowDropDownForm(Handled);
    } else if (!IsDown && style == ebsEllipsisVz) {
        TRichEditWinVz* win = TRichEditWinVz::GetGlobalRef();
        TOwned<TDynVarsVz> params = NewOwned<TDynVarsVz>(nullptr);
        params->CreateDynVar(String(), Variant(Control->RtfText()));
        win->SetInDynParams(params.get());
        try {
            if (win->ShowModal() == mrOk) {
                TDynVarsVz* out = nullptr;
                win->GetOutDynParams(out);
                if (out && out->Count() > 0) Control->SetRtfText(out->GetItem(0)->AsString());
            }
        } catch (...) {
            win->SetInDynParams(nullptr);
            throw;
        }
        win->SetInDynParams(nullptr);
        Handled = true;
    }
}

// ---- caption label

void TCustomDBRichEditVz::GetControlLabelCaption(String& Caption) {
    Caption = Field() ? Field()->DisplayName() : Name();
}

int TCustomDBRichEditVz::GetControlTextBaseLine() { return ControlTextBaseLineVz(Font()); }

void TCustomDBRichEditVz::AdjustLabelBounds() {
    if (ComponentState().Contains(csLoading)) return;
    PlaceControlLabelVz(this, FControlLabel, FControlLabelLocation.get(), GetControlTextBaseLine());
}

void TCustomDBRichEditVz::LabelLocationChanged() { AdjustLabelBounds(); }

void TCustomDBRichEditVz::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomRichEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    AdjustLabelBounds();
}

void TCustomDBRichEditVz::SetParent(TWinControl* AParent) {
    TCustomRichEdit::SetParent(AParent);
    if (FControlLabel) {
        FControlLabel->UpdateParent();
        FControlLabel->UpdateVisibility();
        AdjustLabelBounds();
    }
}

void TCustomDBRichEditVz::SetName(const String& NewName) {
    TCustomRichEdit::SetName(NewName);
    if (FControlLabel) {
        FControlLabel->UpdateCaption();
        AdjustLabelBounds();
    }
}

void TCustomDBRichEditVz::VisibleChanged() {
    TCustomRichEdit::VisibleChanged();
    if (FControlLabel) FControlLabel->UpdateVisibility();
}
