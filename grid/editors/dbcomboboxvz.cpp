#include "grid/editors/dbcomboboxvz.h"

#include "grid/base/listboxvz.h"
#include "grid/base/popupformvz.h"
#include "grid/core/valueutilsvz.h"
#include "platform/db/fields.h"
#include "platform/gui/imaging.h"
#include "platform/gui/messages.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>

// ---- drop-down box settings

void TDropDownBoxVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDropDownBoxVz*>(Source)) {
        FAlign = s->FAlign;
        FRows = s->FRows;
        FWidth = s->FWidth;
        FSizable = s->FSizable;
        return;
    }
    TPersistent::Assign(Source);
}

// ---- construction

TCustomDBComboBoxVz::TCustomDBComboBoxVz(TComponent* AOwner) : TCustomDBEditVz(AOwner) {
    FItems = NewOwned<TStringList>();
    FItems->SetCaseSensitive(false);
    FItems->OnChange = TNotifyEvent(this, &TCustomDBComboBoxVz::ItemsChanged);
    FKeyItems = NewOwned<TStringListVz>();
    FKeyItems->SetCaseSensitive(true);
    FKeyItems->OnChange = TNotifyEvent(this, &TCustomDBComboBoxVz::KeyItemsChanged);
    FVarValue = Variant::Null();
    FDropDownBox = NewOwned<TDropDownBoxVz>();
    FDropDownBox->SetRows(7);
}

TCustomDBComboBoxVz::~TCustomDBComboBoxVz() = default;

void TCustomDBComboBoxVz::BeforeDestruction() {
    SetDataSource(nullptr);
    FItems->OnChange = nullptr;
    FKeyItems->OnChange = nullptr;
    TCustomDBEditVz::BeforeDestruction();
}

TEditButtonVz* TCustomDBComboBoxVz::CreateEditButton() {
    TEditButtonVz* b = NewEditButtonVz<TEditButtonVz>(this);
    b->SetVisible(true);
    b->SetShortCut(ShortCut(VK_DOWN, {ssAlt}));
    return b;
}

// ---- items

void TCustomDBComboBoxVz::Recount() {
    FItemsCount = FItems->Count();
    const bool keyBased = FKeyItems->Count() > 0;
    const bool switched = keyBased != FKeyBased;
    FKeyBased = keyBased;
    if (FKeyBased) {
        FItemsCount = std::min(FItems->Count(), FKeyItems->Count());
        if (switched) TCustomDBEditVz::InternalSetText(String());
    }
    UpdateControlReadOnly();
}

void TCustomDBComboBoxVz::ItemsChanged(TObject*) {
    Recount();
    UpdateItemIndex();
    ResetMaxLength();
}

void TCustomDBComboBoxVz::KeyItemsChanged(TObject*) {
    Recount();
    UpdateItemIndex();
    ResetMaxLength();
    DataLinkDataChanged();
    if (ControlLabel()) ControlLabel()->UpdateCaption();
}

void TCustomDBComboBoxVz::SetCaseInsensitiveTextSearch(bool Value) {
    if (FCaseInsensitiveTextSearch == Value) return;
    FCaseInsensitiveTextSearch = Value;
    FItems->SetCaseSensitive(!Value);
    if (!FKeyBased) UpdateItemIndex();
}

bool TCustomDBComboBoxVz::LimitTextToListValues() const {
    if (FLimitTextToListValuesStored) return FLimitTextToListValues;
    return FKeyBased && !OnNotInList;
}

void TCustomDBComboBoxVz::SetLimitTextToListValues(bool Value) {
    if (FLimitTextToListValuesStored && FLimitTextToListValues == Value) return;
    FLimitTextToListValuesStored = true;
    FLimitTextToListValues = Value;
    UpdateControlReadOnly();
}

void TCustomDBComboBoxVz::SetLimitTextToListValuesStored(bool Value) {
    if (FLimitTextToListValuesStored == Value) return;
    FLimitTextToListValuesStored = Value;
    FLimitTextToListValues = FKeyBased && !OnNotInList;
    UpdateControlReadOnly();
}

void TCustomDBComboBoxVz::RequestItemsList() {
    if (FItems->Count() == 0 && OnGetItemsList) OnGetItemsList(this);
}

void TCustomDBComboBoxVz::UpdateImageIndex() {
    FDefaultItemIndex = FItemIndex;
    if (OnGetItemImageIndex) OnGetItemImageIndex(this, FItemIndex, FDefaultItemIndex);
    TCustomDBEditVz::UpdateImageIndex();
}

void TCustomDBComboBoxVz::UpdateListItemIndex() {
    if (FListVisible && FPopupListbox) FPopupListbox->SetItemIndex(FItemIndex);
}

void TCustomDBComboBoxVz::UpdateItemIndex() {
    FItemIndex = FItems->IndexOf(Text());
    UpdateListItemIndex();
    UpdateImageIndex();
}

void TCustomDBComboBoxVz::InternalSetItemIndex(int Index) {
    if (Index == FItemIndex) return;
    RequestItemsList();
    FSettingItem = true;
    try {
        if (Index < 0 || Index >= FItemsCount) {
            FItemIndex = -1;
            FVarValue = Variant::Null();
            UpdateImageIndex();
            UpdateListItemIndex();
            TCustomDBEditVz::InternalSetText(String());
        } else {
            FItemIndex = Index;
            if (FKeyBased) FVarValue = Variant(FKeyItems->Strings(Index));
            UpdateImageIndex();
            UpdateListItemIndex();
            TCustomMaskEdit::SetText(FItems->Strings(Index));
        }
    } catch (...) {
        FSettingItem = false;
        throw;
    }
    FSettingItem = false;
    // A choice is a change of the user's: it is written on Enter or when the combo is left.
    SetModified(true);
    DataLink()->Modified();
}

void TCustomDBComboBoxVz::SetItemIndex(int Value) {
    if (ComponentState().Contains(csDesigning) && !DataIndepended()) return;
    if (!DataIndepended() && DataLink()->DataSet()) DataLink()->DataSet()->Edit();
    InternalSetItemIndex(Value);
    try {
        UpdateData();
    } catch (...) {
        DataLink()->Reset();
        throw;
    }
}

// ---- value

Variant TCustomDBComboBoxVz::InternalGetValue() const {
    return FKeyBased ? FVarValue : TCustomDBEditVz::InternalGetValue();
}

void TCustomDBComboBoxVz::InternalSetValue(const Variant& AValue) {
    if (!FKeyBased) {
        TCustomDBEditVz::InternalSetValue(AValue);
        UpdateItemIndex();
        return;
    }
    FVarValue = AValue;
    FSettingItem = true;
    try {
        if (!VarIsNullish(AValue)) {
            FItemIndex = FKeyItems->IndexOf(SafeVarToStrVz(AValue));
            TCustomDBEditVz::InternalSetText(FItemIndex >= 0 && FItemIndex < FItemsCount ? FItems->Strings(FItemIndex)
                                                                                      : String());
        } else {
            FItemIndex = -1;
            TCustomDBEditVz::InternalSetText(String());
        }
    } catch (...) {
        FSettingItem = false;
        throw;
    }
    FSettingItem = false;
    UpdateImageIndex();
    UpdateListItemIndex();
}

void TCustomDBComboBoxVz::InternalSetText(const String& AText) {
    if (!FKeyBased) {
        TCustomDBEditVz::InternalSetText(AText);
        UpdateItemIndex();
        return;
    }
    const int i = FItems->IndexOf(AText);
    if (i < 0 || i >= FItemsCount) return;
    FSettingItem = true;
    FItemIndex = i;
    FVarValue = Variant(FKeyItems->Strings(i));
    try {
        TCustomDBEditVz::InternalSetText(AText);
    } catch (...) {
        FSettingItem = false;
        throw;
    }
    FSettingItem = false;
    UpdateListItemIndex();
}

void TCustomDBComboBoxVz::InternalUpdateData() {
    if (FKeyBased || !DataIndepended())
        DataLink()->SetText(SafeVarToStrVz(InternalGetValue()));
    else
        DataLink()->SetText(IsMasked() ? EditText() : Text());
}

void TCustomDBComboBoxVz::UpdateData() {
    if (OnNotInList && FItemIndex == -1) {
        bool recheck = false;
        OnNotInList(this, IsMasked() ? EditText() : Text(), recheck);
    }
    TCustomDBEditVz::UpdateData();
}

void TCustomDBComboBoxVz::Clear() {
    if (FKeyBased)
        SetValue(Variant::Null());
    else
        TCustomDBEditVz::Clear();
}

void TCustomDBComboBoxVz::DataLinkDataChanged() {
    if (ComponentState().Contains(csDestroying)) return;
    TField* f = Field();
    const bool maskGiven = AssignedValues().Contains(evEditMaskVz);
    const bool modifiable = Focused() && DataLink()->CanModify();
    if (f) {
        bool handled = false;
        Variant value;
        if (OnGetFieldData) OnGetFieldData(this, value, handled);
        if (!handled) {
            value = Variant(modifiable || FKeyBased ? f->Text() : f->DisplayText());
            if (!maskGiven) TCustomMaskEdit::SetEditMask(f->EditMask());
            if (!ComponentState().Contains(csDesigning) && (f->DataType() == ftString || f->DataType() == ftWideString) &&
                MaxLength() == 0 && !FKeyBased)
                SetMaxLength(f->Size());
        }
        if (modifiable || FKeyBased)
            InternalSetValue(Variant(SafeVarToStrVz(value)));
        else
            TCustomDBEditVz::InternalSetText(SafeVarToStrVz(value));
    } else if (DataIndepended()) {
        if (!maskGiven) TCustomMaskEdit::SetEditMask(String());
        if (FKeyBased)
            InternalSetValue(DataLink()->DataIndependentValue);
        else
            TCustomDBEditVz::InternalSetText(SafeVarToStrVz(DataLink()->DataIndependentValue));
    } else {
        if (!maskGiven) TCustomMaskEdit::SetEditMask(String());
        TCustomDBEditVz::InternalSetText(String());
    }
    if (!FKeyBased) UpdateItemIndex();
    UpdateControlReadOnly();
    SetModified(false);
    DataLink()->SetModified(false);
}

TAlignment TCustomDBComboBoxVz::DefaultAlignment() const {
    return FKeyBased ? taLeftJustify : TCustomDBEditVz::DefaultAlignment();
}

bool TCustomDBComboBoxVz::IsValidChar(Char InputChar) const {
    return FKeyBased || TCustomDBEditVz::IsValidChar(InputChar);
}

void TCustomDBComboBoxVz::UpdateControlReadOnly() {
    TCustomDBEditVz::UpdateControlReadOnly();
    // A list-only combo types through its own search, never into the edit line.
    const bool limited = FItems && LimitTextToListValues();
    if (limited) TCustomMaskEdit::SetReadOnly(true);
    SetCursor(limited ? crArrow : crDefault);
}

void TCustomDBComboBoxVz::PasteFromClipboard() {
    if (!LimitTextToListValues()) {
        TCustomDBEditVz::PasteFromClipboard();
        return;
    }
    if (!ReadOnly()) PasteSearch();
}

bool TCustomDBComboBoxVz::HostEvent(QEvent* Event) {
    const bool handled = TCustomDBEditVz::HostEvent(Event);
    // The mouse of a list-only combo opens its list; it places no caret and selects no text.
    switch (Event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return handled || LimitTextToListValues();
    default: return handled;
    }
}

void TCustomDBComboBoxVz::ResetMaxLength() {
    if (MaxLength() <= 0) return;
    if (FKeyBased)
        SetMaxLength(0);
    else
        TCustomDBEditVz::ResetMaxLength();
}

String TCustomDBComboBoxVz::GetDisplayTextForPaintCopy() {
    if (ComponentState().Contains(csDesigning) && !DataLink()->Active()) return Name();
    if (ControlState().Contains(csPaintCopy) && Field()) {
        if (!FKeyBased) return Field()->DisplayText();
        const int i = FKeyItems->IndexOf(Field()->Text());
        return i >= 0 && i < FItemsCount ? FItems->Strings(i) : String();
    }
    return EditText();
}

// ---- search

void TCustomDBComboBoxVz::SetSelection(int Start, int Length) {
    auto* line = qobject_cast<QLineEdit*>(Handle());
    if (!line) return;
    if (Length == 0)
        line->setCursorPosition(Start);
    else
        line->setSelection(Start, Length);
}

bool TCustomDBComboBoxVz::LocateText(const String& AText, bool Partial) {
    const int before = FItemIndex;
    if (!EditCanModify()) return false;
    int found = -1;
    try {
        TLocateOptions opts;
        if (Partial) opts.Include(loPartialKey);
        found = LocateInStringsVz(FItems.get(), AText, opts);
        if (found < 0 && FCaseInsensitiveTextSearch) {
            opts.Include(loCaseInsensitive);
            found = LocateInStringsVz(FItems.get(), AText, opts);
        }
        if (found >= FItemsCount) found = -1;
        if (found >= 0) {
            InternalSetItemIndex(found);
            if (Text() != FItems->Strings(found)) {
                FSettingItem = true;
                TCustomMaskEdit::SetText(FItems->Strings(found));
                FSettingItem = false;
                SetModified(true);
            }
            const int len = static_cast<int>(Text().size());
            SetSelection(len, static_cast<int>(AText.size()) - len);
        } else if (!LimitTextToListValues()) {
            UpdateItemIndex();
        }
    } catch (...) {
        FSettingItem = false;
        try {
            InternalSetItemIndex(before);
        } catch (...) {
        }
        return false;
    }
    return (found >= 0 ? found : (LimitTextToListValues() ? before : FItemIndex)) != before;
}

bool TCustomDBComboBoxVz::ProcessSearchKey(const String& Key) {
    if ((!DataIndepended() && !Field()) || !EditCanModify()) return false;
    auto* line = qobject_cast<QLineEdit*>(Handle());
    const int len = static_cast<int>(Text().size());
    if (Key == u"\b"_S) {
        const int selected = line ? static_cast<int>(line->selectedText().size()) : 0;
        if (selected == len)
            SetSelection(len, -1);
        else
            SetSelection(len, -(selected + 1));
        return false;
    }
    const String search = Text().left(SelStart()) + Key;
    if (search.isEmpty()) return false;
    RequestItemsList();
    return LocateText(search, true);
}

bool TCustomDBComboBoxVz::PasteSearch() {
    const String clip = QApplication::clipboard()->text();
    if (clip.isEmpty()) return false;
    ProcessSearchKey(clip);
    return true;
}

// ---- stepping

void TCustomDBComboBoxVz::SelectNextValue(bool IsPrior) {
    if (!EditCanModify()) return;
    RequestItemsList();
    int i = FItemIndex;
    if (IsPrior) {
        if (i > 0)
            --i;
        else if (i == -1)
            i = FItemsCount - 1;
    } else {
        if (i < FItemsCount - 1) ++i;
    }
    if (i == FItemIndex) return;
    InternalSetItemIndex(i);
    SelectAll();
}

// ---- the list

TPopupListboxFormVz* TCustomDBComboBoxVz::PopupListbox() {
    if (!FPopupListbox) {
        FPopupListbox = New<TPopupListboxFormVz>(this);
        FPopupListbox->SetVisible(false);
        FPopupListbox->ListGrid()->SetCtl3D(true);
        FPopupListbox->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
            ListMouseUp(S, B, Sh, X, Y);
        };
        FPopupListbox->ListGrid()->OnGetImageIndex = [this](TObject*, int Index, int& ImageIndex) {
            if (OnGetItemImageIndex) OnGetItemImageIndex(this, Index, ImageIndex);
        };
    }
    return FPopupListbox;
}

void TCustomDBComboBoxVz::DropDown(TEditButtonVz* AEditButton) {
    if (FListVisible) return;
    if (!AEditButton) AEditButton = GetFirstDefaultActionEditButton();
    if (AEditButton) SetDroppedDownState(AEditButton, GetEditButtonControlByEditButton(AEditButton));
    if (OnDropDown) OnDropDown(this);
    TPopupListboxFormVz* list = PopupListbox();
    list->HandleNeeded();
    RequestItemsList();
    list->SetColor(GetListColor());
    list->SetFont(GetListFont());
    list->ListGrid()->SetColor(GetListColor());
    list->ListGrid()->SetFont(GetListFont());
    TCustomImageList* images = EditImage()->Images();
    list->ListGrid()->SetImageList(images);
    int itemHeight = list->GetTextHeight();
    if (images && EditImage()->UseImageHeight() && itemHeight < images->Height()) itemHeight = images->Height();
    list->SetItemHeight(itemHeight);
    list->SetExtItems(FItems.get());
    list->SetCount(FItems->Count());
    list->SetItemIndex(FItemIndex < FItems->Count() ? FItemIndex : -1);
    int rows = FDropDownBox->Rows();
    int width;
    if (FDropDownBox->Width() == -1) {
        const QFontMetrics fm(qobject_cast<QWidget*>(Handle()) ? qobject_cast<QWidget*>(Handle())->font() : QFont());
        int widest = 0;
        for (int i = 0; i < FItemsCount; ++i) widest = std::max(widest, fm.horizontalAdvance(FItems->Strings(i)));
        width = widest + 5 + (images ? images->Width() + 4 : 0) + list->GetBorderSize() + 2 * list->BorderWidth();
    } else if (FDropDownBox->Width() <= 0) {
        width = Width();
    } else {
        width = FDropDownBox->Width();
    }
    width = std::max(width, Width());
    if (FItems->Count() < rows) rows = FItems->Count();
    list->SetInternalResizing(true);
    try {
        list->SetBounds(list->Left(), list->Top(), width, list->Height());
        list->SetRowCount(std::max(1, rows));
        TDropDownAlign align = FDropDownBox->Align();
        if (UseRightToLeftAlignment()) {
            if (align == daLeft)
                align = daRight;
            else if (align == daRight)
                align = daLeft;
        }
        const TPoint p = CalcDropDownPosForControlVz(this, list, align);
        list->SetBounds(p.X, p.Y, list->Width(), list->Height());
    } catch (...) {
        list->SetInternalResizing(false);
        throw;
    }
    list->SetInternalResizing(false);
    list->SetMasterFocusControl(this);
    list->Show();
    FListVisible = true;
    list->SetSizeGripResized(false);
}

void TCustomDBComboBoxVz::CloseUp(bool Accept) {
    if (!FListVisible) return;
    TPopupListboxFormVz* list = FPopupListbox;
    list->SetVisible(false);
    if (list->SizeGripResized()) {
        FDropDownBox->SetRows(list->ResizedRowCount());
        FDropDownBox->SetWidth(list->ResizedWidth());
    }
    FListVisible = false;
    ClearDroppedDownState();
    TCustomDBEditVz::CloseUp(Accept);
    if (OnClosingUp) OnClosingUp(this, Accept);
    if (Accept && !ReadOnly() && DataLink()->Edit()) {
        InternalSetItemIndex(list->ItemIndex());
        if (Focused()) SelectAll();
    }
    if (OnCloseUp) OnCloseUp(this, Accept);
}

void TCustomDBComboBoxVz::ListMouseUp(TObject*, TMouseButton Button, TShiftState, int X, int Y) {
    if (Button != mbLeft || !FPopupListbox || !FPopupListbox->IsMouseUpCloseListbox()) return;
    CloseUp(FPopupListbox->ListGrid()->ClientRect().Contains(TPoint(X, Y)));
}

void TCustomDBComboBoxVz::EditButtonDropDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl) {
    if (AControl) AControl->SetAlwaysDown(true);
    TCustomDBEditVz::EditButtonDropDown(AEditButton, AControl);
    DropDown(AEditButton);
}

void TCustomDBComboBoxVz::EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl,
                                                      bool& Handled) {
    if (IsUpDownStyleVz(AEditButton->Style())) {
        if (!ReadOnly() && DataLink()->Edit()) SelectNextValue(AControl && AControl->ButtonNum() == 1);
        Handled = true;
        return;
    }
    if (DroppedDown()) return;
    EditButtonDropDown(AEditButton, AControl);
    FNoClickCloseUp = true;
    Handled = true;
}

// ---- keys

void TCustomDBComboBoxVz::KeyDown(Word& Key, TShiftState Shift) {
    // While the list is open its navigation keys go to it.
    if (FListVisible && FPopupListbox) {
        const bool ctrl = Shift.Contains(ssCtrl);
        if (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN ||
            ((Key == VK_HOME || Key == VK_END) && ctrl)) {
            if (!(Key == VK_DOWN && Shift.Contains(ssAlt))) {
                Word k = Key;
                FPopupListbox->ListGrid()->DoKeyDown(k, Shift);
                Key = 0;
                return;
            }
        }
    }
    TCustomDBEditVz::KeyDown(Key, Shift);
    if (Key == 0) return;
    const bool limited = LimitTextToListValues();
    if ((Key == VK_UP || Key == VK_DOWN) && Shift.Contains(ssAlt) == false && !ReadOnly() && !FListVisible &&
        EditCanModify()) {
        SelectNextValue(Key == VK_UP);
        Key = 0;
    } else if (Key == VK_DELETE && limited && !ReadOnly() && EditCanModify() &&
               (DataIndepended() || !Field() || !Field()->Required())) {
        InternalSetValue(Variant::Null());
        Key = 0;
    }
}

void TCustomDBComboBoxVz::KeyPress(Char& Key) {
    if (FListVisible && (Key.unicode() == 13 || Key.unicode() == 27)) {
        CloseUp(Key.unicode() == 13);
        Key = Char();
        return;
    }
    TCustomDBEditVz::KeyPress(Key);
    if (Key.isNull()) return;
    const ushort k = Key.unicode();
    const bool limited = LimitTextToListValues();
    if (k == 8 && limited && !ReadOnly()) {
        ProcessSearchKey(u"\b"_S);
        Key = Char();
        return;
    }
    if (k >= 32) {
        if (FDropDownBox->AutoDrop() && !FListVisible && CanDropDown()) DropDown();
        if (limited && !ReadOnly()) {
            ProcessSearchKey(String(Key));
            Key = Char();
            return;
        }
    }
    // The completion of an unlimited combo runs once the character is in the text.
    const bool ctrl = QApplication::keyboardModifiers() & Qt::ControlModifier;
    if (!limited && k != 46 && !ctrl) FTypedChar = Key;
}

void TCustomDBComboBoxVz::Change() {
    if (!FSettingItem && !ComponentState().Contains(csDestroying)) {
        if (FKeyBased) {
            // Typed text of a key-based combo: the position follows, the key follows the position.
            const int i = FItems->IndexOf(Text());
            FItemIndex = i < FItemsCount ? i : -1;
            if (FItemIndex >= 0) FVarValue = Variant(FKeyItems->Strings(FItemIndex));
            UpdateListItemIndex();
        } else {
            UpdateItemIndex();
        }
    }
    TCustomDBEditVz::Change();
    if (FTypedChar.isNull() || FSettingItem) return;
    const Char typed = FTypedChar;
    FTypedChar = Char();
    auto* line = qobject_cast<QLineEdit*>(Handle());
    if (!line) return;
    const int len = static_cast<int>(Text().size());
    if (line->cursorPosition() != len || line->hasSelectedText() || typed.unicode() == 8) {
        const int start = SelStart();
        RequestItemsList();
        if (LocateText(Text(), false)) SetSelection(static_cast<int>(Text().size()), start - static_cast<int>(Text().size()));
    } else {
        ProcessSearchKey(String());
    }
}

// ---- mouse and focus

void TCustomDBComboBoxVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomDBEditVz::MouseDown(Button, Shift, X, Y);
    if (!LimitTextToListValues() || Button != mbLeft) return;
    if (ButtonsRect().Contains(TPoint(X, Y)) || !CanDropDown() || FListVisible || Shift.Contains(ssDouble)) return;
    if (!Focused() && CanFocus()) SetFocus();
    FNoClickCloseUp = true;
    DropDown();
}

void TCustomDBComboBoxVz::Click() {
    TCustomDBEditVz::Click();
    if (LimitTextToListValues() && CanDropDown() && FListVisible && !FNoClickCloseUp) CloseUp(false);
    FNoClickCloseUp = false;
}

bool TCustomDBComboBoxVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (FListVisible && FPopupListbox && FPopupListbox->ListGrid()->WheelFromOwner(Shift, WheelDelta, MousePos))
        return true;
    if (TCustomDBEditVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt)) return false;
    if (ReadOnly() || !DataLink()->Edit()) return false;
    SelectNextValue(WheelDelta > 0);
    return true;
}

void TCustomDBComboBoxVz::DoExit() {
    CloseUp(false);
    TCustomDBEditVz::DoExit();
}

void TCustomDBComboBoxVz::CMCancelMode(TMessage& Message) {
    TCustomDBEditVz::CMCancelMode(Message);
    auto* sender = reinterpret_cast<TControl*>(Message.LParam);
    if (!FListVisible) return;
    if (sender == this || (sender && ContainsControl(sender))) return;
    if (FPopupListbox && (sender == FPopupListbox || sender == FPopupListbox->ListGrid())) return;
    CloseUp(false);
}
