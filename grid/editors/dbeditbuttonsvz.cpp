// The edit's buttons and what they run, its drop-down forms, its most-recently-used list, its
// caption label and its in-place use by a grid.
#include "grid/base/listboxvz.h"
#include "grid/base/popupformvz.h"
#include "grid/base/toolsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/editors/dbeditvz.h"
#include "grid/editors/editbuttondropdownvz.h"
#include "grid/editors/memoeditwinvz.h"
#include "platform/gui/menus.h"
#include "platform/gui/messages.h"

#include "platform/rtl/dateutils.h"

#include <QLineEdit>
#include <QMouseEvent>

#include <cmath>

// ---- process-wide defaults

TDBEditVzDefaultButtonActionProcVz& DBEditVzDefaultButtonActionProc() {
    static TDBEditVzDefaultButtonActionProcVz proc = DefaultDBEditVzButtonAction;
    return proc;
}

TClass& DBEditVzDropDownFormClass() {
    static TClass cls = TMemoEditWinVz::StaticClass();
    return cls;
}

void DefaultDBEditVzButtonAction(TCustomDBEditVz* Editor, TEditButtonVz* EditButton,
                                 TEditButtonControlVz* EditButtonControl, bool& Handled, bool IsDown) {
    switch (EditButton->Style()) {
    case ebsDropDownVz:
    case ebsAltDropDownVz: {
        // A form already open for this button closes through its own callback first.
        if (!IsDown || (EditButtonControl && EditButtonControl->AlwaysDown())) return;
        TDropDownFormCallParamsVz* p = EditButton->DropDownFormParams();
        p->FEditButton = EditButton;
        p->FEditButtonControl = EditButtonControl;
        p->FEditControl = Editor;
        p->FDataLink = Editor->DataLink();
        p->FField = Editor->Field();
        p->FOnOpenDropDownFormProc = [Editor](TWinControl* C, TEditButtonVz* B, TCustomForm*& F, TDynVarsVz* D) {
            Editor->OpenDropDownFormProc(C, B, F, D);
        };
        p->FOnGetActualDropDownFormProc = [Editor](TCustomForm*& F, bool& FreeOnClose) {
            Editor->GetActualDropDownFormProc(F, FreeOnClose);
        };
        p->FOnGetVarValueProc = [Editor](Variant& V) { Editor->GetVarValueProc(V); };
        p->FOnSetVarValueProc = [Editor](const Variant& V) { Editor->SetVarValueProc(V); };
        p->FOnCloseDropDownFormProc = [Editor](TWinControl* C, TEditButtonVz* B, bool A, TCustomForm* F,
                                               TDynVarsVz* D) { Editor->CloseDropDownFormProc(C, B, A, F, D); };
        p->CheckShowDropDownForm(Handled);
        break;
    }
    case ebsEllipsisVz:
    case ebsGlyphVz: {
        if (IsDown) return;
        TMemoEditWinVz* form = TMemoEditWinVz::Shared();
        TDynVarsVz* params = New<TDynVarsVz>(nullptr);
        try {
            params->CreateDynVar(String(), Variant(Editor->Text()));
            form->SetInDynParams(params);
            const int result = form->ShowModal();
            form->SetInDynParams(nullptr);
            if (result == mrOk && params->Count() > 0) Editor->SetText(SafeVarToStrVz(params->GetItem(0)->Value()));
        } catch (...) {
            form->SetInDynParams(nullptr);
            params->Free();
            throw;
        }
        params->Free();
        Handled = true;
        break;
    }
    default: break;
    }
}

// ---- the buttons

TEditButtonVz* TCustomDBEditVz::CreateEditButton() { return NewEditButtonVz<TEditButtonVz>(this); }

TEditButtonsVz* TCustomDBEditVz::CreateEditButtons() {
    return New<TEditButtonsVz>(this, TVisibleEditButtonVz::StaticClass());
}

TEditButtonControlVz* TCustomDBEditVz::CreateEditButtonControl() {
    auto* c = New<TEditButtonControlVz>(FButtonsBox);
    TControlStyle style = c->ControlStyle();
    style.Include(csReplicatable);
    c->SetControlStyle(style);
    c->SetBounds(0, 0, 10, 17);
    c->SetTransparent(false);
    return c;
}

void TCustomDBEditVz::EditButtonsChanged(TObject*) {
    if (!HandleAllocated()) return;
    UpdateEditButtons();
    UpdateEditButtonsState();
    SetEditRect();
    Invalidate();
}

TRect TCustomDBEditVz::ButtonsRect() const {
    const int inset = FBorderStyle == bsNone ? 0 : 2;
    const int w = FButtonsBox ? FButtonsBox->ButtonsWidth() : 0;
    if (UseRightToLeftAlignment()) return TRect(inset, inset, inset + w, Height() - inset);
    return TRect(Width() - inset - w, inset, Width() - inset, Height() - inset);
}

TRect TCustomDBEditVz::EditRect() const {
    const int inset = FBorderStyle == bsNone ? 0 : 2;
    TRect r(inset, inset, Width() - inset, Height() - inset);
    const int w = FButtonsBox ? FButtonsBox->ButtonsWidth() : 0;
    const int iw = FEditImage ? FEditImage->DrawWidth() : 0;
    if (UseRightToLeftAlignment()) {
        r.Left += w;
        r.Right -= iw;
    } else {
        r.Right -= w;
        r.Left += iw;
    }
    return r;
}

void TCustomDBEditVz::UpdateEditButtons() {
    if (!FButtonsBox) return;
    FButtonsBox->BeginLayout();
    FButtonsBox->SetButtonsCount(FEditButtons->Count() + 1);
    FButtonsBox->SetFlat(FFlat);
    const int inset = FBorderStyle == bsNone ? 0 : 2;
    FButtonsBox->SetMaxButtonHeight(std::max(0, Height() - 2 * inset));
    FButtonsBox->Entry(0).EditButton = FEditButton;
    for (int i = 0; i < FEditButtons->Count(); ++i) FButtonsBox->Entry(i + 1).EditButton = FEditButtons->Items(i);
    FButtonsBox->EndLayout();
    if (FButtonsBox->ButtonsWidth() <= 0) {
        FButtonsBox->SetVisible(false);
    } else {
        FButtonsBox->SetBoundsRect(ButtonsRect());
        FButtonsBox->SetVisible(true);
    }
}

void TCustomDBEditVz::UpdateEditButtonsState() {
    if (!FButtonsBox) return;
    FButtonsBox->SetBorderActive(FBorderActive);
    FButtonsBox->UpdateEditButtonControlsState();
    FEditButton->SetParentDefinedDefaultAction(GetEditButtonDefaultAction(FEditButton));
    for (int i = 0; i < FEditButtons->Count(); ++i)
        FEditButtons->Items(i)->SetParentDefinedDefaultAction(GetEditButtonDefaultAction(FEditButtons->Items(i)));
}

bool TCustomDBEditVz::GetEditButtonDefaultAction(TEditButtonVz* AEditButton) {
    if (AEditButton == FEditButton) return AEditButton->Visible();
    TDropDownFormCallParamsVz* p = AEditButton->DropDownFormParams();
    return !AEditButton->OnClick && !AEditButton->OnDown && !p->DropDownForm() && p->DropDownFormClassName().isEmpty() &&
           !AEditButton->DropdownMenu();
}

TEditButtonVz* TCustomDBEditVz::GetFirstDefaultActionEditButton() const {
    if (FEditButton->DefaultAction() && FEditButton->Visible()) return FEditButton;
    for (int i = 0; i < FEditButtons->Count(); ++i) {
        TEditButtonVz* b = FEditButtons->Items(i);
        if (b->DefaultAction() && b->Visible()) return b;
    }
    return nullptr;
}

TEditButtonControlVz* TCustomDBEditVz::GetEditButtonControlByEditButton(TEditButtonVz* EditButton) const {
    if (!FButtonsBox) return nullptr;
    for (const TEditButtonControlLineRec& r : FButtonsBox->BtnCtlList())
        if (r.EditButton == EditButton) return r.EditButtonControl;
    return nullptr;
}

void TCustomDBEditVz::SetEditRect() {
    auto* line = qobject_cast<QLineEdit*>(Handle());
    if (!line || !FButtonsBox) return;
    const int w = FButtonsBox->ButtonsWidth();
    const int iw = FEditImage ? FEditImage->DrawWidth() : 0;
    if (UseRightToLeftAlignment())
        line->setTextMargins(w, 0, iw, 0);
    else
        line->setTextMargins(iw, 0, w, 0);
}

void TCustomDBEditVz::SetFlat(bool Value) {
    if (FFlat == Value) return;
    FFlat = Value;
    UpdateHeight();
    PaintFlatBorder();
    EditButtonsChanged(this);
}

void TCustomDBEditVz::PaintFlatBorder() {
    auto* line = qobject_cast<QLineEdit*>(Handle());
    if (!line) return;
    if (!FFlat || FBorderStyle != bsSingle) {
        if (!line->styleSheet().isEmpty()) line->setStyleSheet(QString());
        return;
    }
    // Active: a sunken edge; inactive: a frame in the face colour that hides the edge.
    const auto name = [](TColor C) { return ColorToQColor(C).name(); };
    const QString topLeft = name(FBorderActive ? clBtnShadow : clBtnFace);
    const QString bottomRight = name(FBorderActive ? clBtnHighlight : clBtnFace);
    line->setStyleSheet(QStringLiteral("QLineEdit { border-style: solid; border-width: 2px; "
                                       "border-color: %1 %2 %2 %1; background: %3; }")
                            .arg(topLeft, bottomRight, name(GetActualColor())));
}

void TCustomDBEditVz::SetAlwaysShowBorder(bool Value) {
    if (FAlwaysShowBorder == Value) return;
    FAlwaysShowBorder = Value;
    UpdateBorderActive();
}

void TCustomDBEditVz::UpdateBorderActive() {
    if (ComponentState().Contains(csLoading)) return;
    const bool active = ComponentState().Contains(csDesigning) || FFocused || FMouseAboveControl || FAlwaysShowBorder;
    if (active == FBorderActive) return;
    FBorderActive = active;
    UpdateEditButtonsState();
    PaintFlatBorder();
    Invalidate();
}

void TCustomDBEditVz::CMMouseEnter(TMessage& Message) {
    TCustomMaskEdit::CMMouseEnter(Message);
    FMouseAboveControl = true;
    UpdateBorderActive();
}

void TCustomDBEditVz::CMMouseLeave(TMessage& Message) {
    TCustomMaskEdit::CMMouseLeave(Message);
    FMouseAboveControl = false;
    UpdateBorderActive();
}

void TCustomDBEditVz::ReleaseButtonControls() {
    if (!FButtonsBox) return;
    for (const TEditButtonControlLineRec& r : FButtonsBox->BtnCtlList())
        if (r.EditButtonControl) r.EditButtonControl->SetAlwaysDown(false);
}

bool TCustomDBEditVz::ButtonShortCut(Word Key, TShiftState Shift) {
    if (!FEditButton) return false;
    const TShortCut sc = ShortCut(Key, Shift);
    TEditButtonVz* found = nullptr;
    if (FEditButton->ShortCut() == sc) found = FEditButton;
    for (int i = 0; !found && i < FEditButtons->Count(); ++i)
        if (FEditButtons->Items(i)->ShortCut() == sc) found = FEditButtons->Items(i);
    if (!found) return false;
    if (found->Enabled()) {
        if (TEditButtonControlVz* c = GetEditButtonControlByEditButton(found)) {
            bool autoRepeat = false;
            bool handled = false;
            EditButtonDown(c, false, autoRepeat, handled);
            EditButtonClick(c);
        }
    }
    return true;
}

// ---- pressing and clicking

void TCustomDBEditVz::EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
    Handled = false;
    if (!FFocused) {
        if (CanFocus()) SetFocus();
        if (!TWinControl::Focused() && !FFocused) return;
    }
    const int index = FButtonsBox->IndexOfControl(Sender);
    if (index < 0) return;
    auto* control = static_cast<TEditButtonControlVz*>(Sender);
    TEditButtonVz* button = index == 0 ? FEditButton : FEditButtons->Items(index - 1);
    if (index == 0) {
        if (!control->Enabled()) return;
        if (OnButtonDown) OnButtonDown(Sender, TopButton, AutoRepeat, Handled);
    } else if (button->OnDown) {
        button->OnDown(button, TopButton, AutoRepeat, Handled);
    }
    if (!Handled)
        ShowEditButtonDropDownFormVz(
            this, FDataLink.get(), Field(), Variant(Text()), button, control,
            [this](TWinControl* C, TEditButtonVz* B, TCustomForm*& F, TDynVarsVz* D) { OpenDropDownFormProc(C, B, F, D); },
            [this](TCustomForm* F, bool A, TDynVarsVz* D, TDropDownFormSysParams* S) {
                DropDownFormCallbackProc(F, A, D, S);
            },
            Handled);
    if (!Handled && button->DropdownMenu()) {
        TPopupMenu* menu = button->DropdownMenu();
        const TPoint p = control->ClientToScreen(
            TPoint(0, control->Height()));
        // The press ends here: the menu takes the mouse, and the button must not stay down.
        control->SetState(bsUp, control->Active(), 0);
        menu->Popup(p.X, p.Y);
        control->SetState(bsUp, control->Active(), 0);
        Handled = true;
    } else if (!Handled && (index != 0 || !button->Action()) && button->DefaultAction()) {
        EditButtonDefaultActionDown(button, control, Handled);
    }
}

void TCustomDBEditVz::EditButtonClick(TObject* Sender) {
    const int index = FButtonsBox->IndexOfControl(Sender);
    if (index < 0) return;
    auto* control = static_cast<TEditButtonControlVz*>(Sender);
    TEditButtonVz* button = index == 0 ? FEditButton : FEditButtons->Items(index - 1);
    bool handled = false;
    button->Click(Sender, handled);
    if (!handled && index == 0 && OnButtonClick) OnButtonClick(Sender, handled);
    if (!handled && button->DefaultAction() && DBEditVzDefaultButtonActionProc())
        EditButtonDefaultActionClick(button, control, handled);
    if (!handled && FDroppedDown && !FNoClickCloseUp && control == FDroppedDownButtonControl) CloseUp(false);
    FNoClickCloseUp = false;
}

void TCustomDBEditVz::EditButtonMouseMove(TObject*, TShiftState, int, int) {}

void TCustomDBEditVz::EditButtonMouseUp(TObject* Sender, TMouseButton, TShiftState, int X, int Y) {
    auto* c = static_cast<TControl*>(Sender);
    if (!c->ClientRect().Contains(TPoint(X, Y))) FNoClickCloseUp = false;
}

void TCustomDBEditVz::EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl,
                                                  bool& Handled) {
    if (DBEditVzDefaultButtonActionProc()) DBEditVzDefaultButtonActionProc()(this, AEditButton, AControl, Handled, true);
}

void TCustomDBEditVz::EditButtonDefaultActionClick(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl,
                                                   bool& Handled) {
    if (DBEditVzDefaultButtonActionProc())
        DBEditVzDefaultButtonActionProc()(this, AEditButton, AControl, Handled, false);
}

void TCustomDBEditVz::EditButtonDropDown(TEditButtonVz*, TEditButtonControlVz*) {
    if (FMRUList->DroppedDown()) FMRUList->CloseUp(false);
}

void TCustomDBEditVz::CloseUp(bool) {}

void TCustomDBEditVz::SetDroppedDownState(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl) {
    FDroppedDownButton = AEditButton;
    FDroppedDownButtonControl = AControl;
    FDroppedDown = true;
    if (AControl) AControl->SetAlwaysDown(true);
}

void TCustomDBEditVz::ClearDroppedDownState() {
    if (FDroppedDownButtonControl) FDroppedDownButtonControl->SetAlwaysDown(false);
    FDroppedDownButton = nullptr;
    FDroppedDownButtonControl = nullptr;
    FDroppedDown = false;
}

// ---- the drop-down form protocol

void TCustomDBEditVz::OpenDropDownFormProc(TWinControl*, TEditButtonVz* Button, TCustomForm*& Form,
                                           TDynVarsVz* DynParams) {
    if (auto* f = dynamic_cast<TCustomDropDownFormVz*>(Form)) f->SetReadOnly(FReadOnly || !FDataLink->CanModify());
    if (OnOpenDropDownForm) OnOpenDropDownForm(this, Button, Form, DynParams);
}

void TCustomDBEditVz::GetActualDropDownFormProc(TCustomForm*& Form, bool& FreeFormOnClose) {
    Form = DBEditVzDropDownFormClass() ? TCustomDropDownFormVz::GetGlobalRef(DBEditVzDropDownFormClass()) : nullptr;
    if (Form) FreeFormOnClose = false;
}

void TCustomDBEditVz::GetVarValueProc(Variant& Value) { Value = InternalGetValue(); }

void TCustomDBEditVz::SetVarValueProc(const Variant& Value) { SetValue(Value); }

void TCustomDBEditVz::CloseDropDownFormProc(TWinControl*, TEditButtonVz* Button, bool Accept, TCustomForm* Form,
                                            TDynVarsVz* DynParams) {
    ReleaseButtonControls();
    if (OnCloseDropDownForm) OnCloseDropDownForm(this, Button, Accept, Form, DynParams);
}

void TCustomDBEditVz::DropDownFormCallbackProc(TCustomForm* Form, bool Accept, TDynVarsVz* DynParams,
                                               TDropDownFormSysParams* SysParams) {
    ReleaseButtonControls();
    TEditControlCloseDropDownFormEventVz onClose;
    if (OnCloseDropDownForm)
        onClose = [this](TWinControl*, TEditButtonVz* B, bool A, TCustomForm* F, TDynVarsVz* D) {
            OnCloseDropDownForm(this, B, A, F, D);
        };
    CloseEditButtonDropDownFormVz(this, FDataLink.get(), Form, onClose, [this](const Variant& V) { SetValue(V); },
                                  dynamic_cast<TEditControlDropDownFormSysParams*>(SysParams), DynParams, Accept);
}

// ---- most-recently-used values

TMRUListboxVz* TCustomDBEditVz::CreateMRUListControl() {
    auto* list = New<TMRUListboxVz>(this);
    list->SetVisible(false);
    list->ListGrid()->SetCtl3D(false);
    list->ListGrid()->SetSorted(true);
    list->SetMasterFocusControl(this);
    list->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) { MRUListMouseUp(S, B, Sh, X, Y); };
    return list;
}

void TCustomDBEditVz::FilterMRUItem(const String& AText, bool& Accept) {
    const String head = AText.left(Text().size());
    Accept = FMRUList->CaseSensitive() ? AnsiCompareStr(head, Text()) == 0 : AnsiCompareText(head, Text()) == 0;
    if (FMRUList->OnFilterItem) FMRUList->OnFilterItem(this, Accept);
}

void TCustomDBEditVz::MRUListDropDown(TObject*) {
    if (!FMRUListControl) FMRUListControl = CreateMRUListControl();
    TMRUListboxVz* list = FMRUListControl;
    TStringList items;
    FMRUList->PrepareActiveItems();
    if (!FMRUList->FilterItemsTo(&items, Text())) {
        FMRUList->CloseUp(false);
        return;
    }
    list->Items()->Assign(&items);
    const int rows = std::min(items.Count(), FMRUList->Rows());
    if (items.Count() == 0) {
        if (FMRUList->DroppedDown()) FMRUList->CloseUp(false);
        return;
    }
    list->SetInternalResizing(true);
    try {
        if (!FMRUList->DroppedDown()) {
            list->SetColor(Color());
            list->SetFont(Font());
            list->HandleNeeded();
            list->SetItemHeight(list->GetTextHeight());
            list->SetItemIndex(-1);
        }
        const TRect er = EditRect();
        const int width = FMRUList->Width() > 0 ? FMRUList->Width() : er.Width();
        list->SetBounds(list->Left(), list->Top(), width, list->Height());
        list->SetRowCount(rows);
        const TPoint tl = ClientToScreen(TPoint(er.Left, 0));
        const TRect screenRect(tl.X, tl.Y, tl.X + er.Width(), tl.Y + Height());
        const TPoint p = CalcDropDownPosForRectVz(screenRect, list, daLeft);
        list->SetBounds(p.X, p.Y, list->Width(), list->Height());
    } catch (...) {
        list->SetInternalResizing(false);
        throw;
    }
    list->SetInternalResizing(false);
    list->SetSizeGripResized(false);
    list->Show();
    FMRUList->SetDroppedDown(true);
}

void TCustomDBEditVz::MRUListCloseUp(TObject*, bool Accept) {
    if (!FMRUListControl || !FMRUList->DroppedDown()) return;
    TMRUListboxVz* list = FMRUListControl;
    list->SetVisible(false);
    if (list->SizeGripResized()) {
        FMRUList->SetRows(list->ResizedRowCount());
        FMRUList->SetWidth(list->ResizedWidth());
    }
    FMRUList->SetDroppedDown(false);
    if (Accept && !FReadOnly && FDataLink->Edit()) {
        const int i = list->ItemIndex();
        if (i >= 0 && i < list->Items()->Count()) {
            InternalSetText(list->Items()->Strings(i));
            FDataLink->Modified();
            SetModified(true);
            if (FFocused) SelectAll();
        }
    }
}

void TCustomDBEditVz::MRUListMouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft || !FMRUListControl) return;
    FMRUList->CloseUp(FMRUListControl->ClientRect().Contains(TPoint(X, Y)));
}

void TCustomDBEditVz::FillMRUAutogenItems(TMRUListVz*, TStrings* AutogenItems) {
    // No dataset handler is registered in this system, so a field offers no values of its own.
    AutogenItems->Clear();
}

void TCustomDBEditVz::UserTextChanged() {
    const String empty = IsMasked() ? FormatMaskTextVz(EditMask(), String()) : String();
    const String text = IsMasked() ? EditText() : Text();
    if (FMRUList->DroppedDown() && text == empty) {
        FMRUList->CloseUp(false);
    } else if (FMRUList->Active() && Showing() && !FDroppedDown && text != empty && FFocused) {
        FMRUList->DropDown();
    }
}

bool TCustomDBEditVz::MRUListKey(Word Key, TShiftState Shift) {
    if (!FMRUList->DroppedDown() || !FMRUListControl) return false;
    const bool alt = Shift.Contains(ssAlt);
    const bool ctrl = Shift.Contains(ssCtrl);
    if (Key == VK_RETURN || Key == VK_ESCAPE) {
        // The character of the same key stroke belongs to the list too.
        FMRUCharPending = true;
        FMRUList->CloseUp(Key == VK_RETURN);
        return true;
    }
    const bool toList = ((Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) && !alt) ||
                        ((Key == VK_END || Key == VK_HOME) && ctrl);
    if (!toList) return false;
    Word k = Key;
    FMRUListControl->ListGrid()->DoKeyDown(k, Shift);
    return true;
}

// ---- caption label

void TCustomDBEditVz::GetControlLabelCaption(String& Caption) {
    if (Field())
        Caption = Field()->DisplayName();
    else
        Caption = Name();
}

int TCustomDBEditVz::GetControlTextBaseLine() {
    const int cy = GetSystemMetrics(SM_CYBORDER);
    return 2 * cy + (FFlat ? 0 : 1) + GetFontTextHeightVz(nullptr, Font(), false);
}

void TCustomDBEditVz::AdjustLabelBounds() {
    if (ComponentState().Contains(csLoading)) return;
    PlaceControlLabelVz(this, FControlLabel, FControlLabelLocation.get(), GetControlTextBaseLine());
}

void TCustomDBEditVz::LabelLocationChanged() { AdjustLabelBounds(); }

void TCustomDBEditVz::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    // An auto-sized editor with a border takes the height of its font (or its image).
    if (FAutoSize && FBorderStyle == bsSingle && FEditImage && !ComponentState().Contains(csLoading))
        AHeight = AutoHeight();
    TCustomMaskEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    AdjustLabelBounds();
}

void TCustomDBEditVz::SetParent(TWinControl* AParent) {
    TCustomMaskEdit::SetParent(AParent);
    if (FControlLabel) {
        FControlLabel->UpdateParent();
        FControlLabel->UpdateVisibility();
        AdjustLabelBounds();
    }
}

void TCustomDBEditVz::VisibleChanged() {
    TCustomMaskEdit::VisibleChanged();
    if (FControlLabel) FControlLabel->UpdateVisibility();
}

// ---- in-place use

void TCustomDBEditVz::SetInplaceEditHolder(TWinControl* Holder) {
    IInplaceEditHolderVz* intf = nullptr;
    if (Holder) {
        intf = dynamic_cast<IInplaceEditHolderVz*>(Holder);
        if (!intf) throw Exception(u"InplaceEditHolder have to support IInplaceEditHolderVz interface"_S);
    }
    FInplaceEditHolder = Holder;
    FIntfInplaceEditHolder = intf;
    UpdateControlReadOnly();
}

bool TCustomDBEditVz::HostEvent(QEvent* Event) {
    // The press that opened the editor in place and this one make a double click when they are
    // close enough in time and place: the word under the pointer is selected.
    if (FIntfInplaceEditHolder && Event->type() == QEvent::MouseButtonPress) {
        auto* e = static_cast<QMouseEvent*>(Event);
        if (e->button() == Qt::LeftButton) {
            TPoint pos;
            unsigned time = 0;
            FIntfInplaceEditHolder->TakeMouseDownPoint(pos, time);
            const auto now = static_cast<unsigned>(std::fmod(Now() * 86400000.0, 4294967296.0));
            const TPoint here = TPoint::FromQPoint(e->globalPosition().toPoint());
            auto* line = qobject_cast<QLineEdit*>(Handle());
            if (time != 0 && line && IsWithinDoubleClickVz(pos, here, now - time)) {
                line->setCursorPosition(line->cursorPositionAt(e->position().toPoint()));
                line->cursorWordBackward(false);
                line->cursorWordForward(true);
                const TPoint p = TPoint::FromQPoint(e->position().toPoint());
                DoMouseDown(mbLeft, TShiftState{ssLeft, ssDouble}, p.X, p.Y);
                DblClick();
                return true;
            }
        }
    }
    return TCustomMaskEdit::HostEvent(Event);
}

void TCustomDBEditVz::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    if (auto* line = qobject_cast<QLineEdit*>(Handle())) line->setFrame(Value != bsNone);
    PaintFlatBorder();
    EditButtonsChanged(this);
}

void TCustomDBEditVz::SetFont(TFont* Value) { TCustomMaskEdit::SetFont(Value); }

void TCustomDBEditVz::SetColor(TColor Value) { TCustomMaskEdit::SetColor(Value); }

void TCustomDBEditVz::Move(const TRect& Loc) {
    if (!InplaceMode()) {
        SetBoundsRect(Loc);
        return;
    }
    if (Loc.IsEmpty()) {
        HideEditor();
        return;
    }
    HandleNeeded();
    Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(this));
    SetBoundsRect(Loc);
    SetVisible(true);
    Invalidate();
    if (FInplaceEditHolder->Focused()) SetFocus();
}

void TCustomDBEditVz::HideEditor() {
    if (!InplaceMode()) {
        SetVisible(false);
        return;
    }
    if (!HandleAllocated() || !Visible()) return;
    const bool hadFocus = TWinControl::Focused();
    Invalidate();
    SetVisible(false);
    if (hadFocus && FInplaceEditHolder->CanFocus()) FInplaceEditHolder->SetFocus();
}
