#include "platform/dbctrls/dbctrls.h"
#include "platform/gui/qthost.h"

#include "platform/rtl/sysutils.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

// The focus really leaves the control (not to its own popup menu, not because another window of
// the application became active).
bool IsRealFocusOut(QEvent* Event) {
    if (Event->type() != QEvent::FocusOut) return false;
    Qt::FocusReason r = static_cast<QFocusEvent*>(Event)->reason();
    return r != Qt::PopupFocusReason && r != Qt::ActiveWindowFocusReason;
}

// Writes a control's pending edit when it loses the focus. A failure (a value the field refuses)
// is shown through the application and the text stays for the user to correct; false then.
bool UpdateRecordOnExit(TWinControl* Control, TFieldDataLink* Link) {
    try {
        Link->UpdateRecord();
        return true;
    } catch (...) {
        HandleGuardedException(Control);
        return false;
    }
}

// ";"-separated alternatives compared without case (the check box's value lists).
bool ValueMatch(const String& ValueList, const String& Value) {
    for (const String& v : ExtractFieldNames(ValueList))
        if (AnsiCompareText(v, Value) == 0) return true;
    return false;
}

}  // namespace

// ================================================================================================
// TFieldDataLink

TFieldDataLink::TFieldDataLink() { SetVisualControl(true); }

void TFieldDataLink::SetFieldName(const String& Value) {
    if (FFieldName == Value) return;
    FFieldName = Value;
    UpdateField();
}

bool TFieldDataLink::CanModify() const { return !ReadOnly() && FField && FField->CanModify(); }

bool TFieldDataLink::Edit() {
    if (CanModify()) TDataLink::Edit();
    return FEditing;
}

void TFieldDataLink::UpdateField() {
    if (Active() && !FFieldName.isEmpty()) {
        FField = nullptr;
        TField* f = DataSet()->FindField(FFieldName);
        if (!f) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldNotFound), {FFieldName}, FControl);
        SetField(f);
    } else {
        SetField(nullptr);
    }
}

void TFieldDataLink::SetField(TField* Value) {
    if (FField == Value) return;
    FField = Value;
    EditingChanged();
    RecordChanged(nullptr);
}

void TFieldDataLink::SetEditingValue(bool Value) {
    if (FEditing == Value) return;
    FEditing = Value;
    FModified = false;
    if (OnEditingChange) OnEditingChange(this);
}

void TFieldDataLink::ActiveChanged() {
    UpdateField();
    FModified = false;
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLink::EditingChanged() { SetEditingValue(TDataLink::Editing() && CanModify()); }

void TFieldDataLink::FocusControl(TField** Field) {
    if (!Field || !*Field || *Field != FField) return;
    auto* w = dynamic_cast<TWinControl*>(FControl);
    if (w && w->CanFocus()) {
        *Field = nullptr;
        w->SetFocus();
    }
}

void TFieldDataLink::LayoutChanged() { UpdateField(); }

void TFieldDataLink::RecordChanged(TField* Field) {
    if (Field && Field != FField) return;
    if (OnDataChange) OnDataChange(this);
    FModified = false;
}

void TFieldDataLink::UpdateData() {
    if (!FModified) return;
    if (FField && OnUpdateData) OnUpdateData(this);
    FModified = false;
}

// ================================================================================================
// TDBEdit

TDBEdit::TDBEdit(TComponent* AOwner) : TEdit(AOwner), FDataLink(New<TFieldDataLink>()) {
    TEdit::SetReadOnly(true);
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TDBEdit::DataChange);
    FDataLink->OnEditingChange = TNotifyEvent(this, &TDBEdit::EditingChange);
    FDataLink->OnUpdateData = TNotifyEvent(this, &TDBEdit::UpdateData);
}

TDBEdit::~TDBEdit() { FDataLink.reset(); }

void TDBEdit::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }

void TDBEdit::DataChange(TObject*) {
    TField* f = FDataLink->Field();
    if (!f) {
        SetText(String());
        return;
    }
    if (MaxLength() == 0 && (f->DataType() == ftString || f->DataType() == ftWideString)) SetMaxLength(f->Size());
    // While the user is in the control the edit text shows; elsewhere the display text.
    SetText(FFocused && FDataLink->CanModify() ? f->Text() : f->DisplayText());
    SetModified(false);
}

void TDBEdit::EditingChange(TObject*) { TEdit::SetReadOnly(!FDataLink->Editing()); }

void TDBEdit::UpdateData(TObject*) { FDataLink->Field()->SetText(Text()); }

void TDBEdit::Change() {
    FDataLink->Modified();
    TEdit::Change();
}

void TDBEdit::KeyDown(Word& Key, TShiftState Shift) {
    TEdit::KeyDown(Key, Shift);
    if (Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))) FDataLink->Edit();
}

void TDBEdit::KeyPress(Char& Key) {
    TEdit::KeyPress(Key);
    if (Key.isNull()) return;
    ushort k = Key.unicode();
    if (k >= 32 && FDataLink->Field() && !FDataLink->Field()->IsValidChar(Key)) {
        Key = Char();
        return;
    }
    if (k == 8 || k == 22 || k == 24 || k >= 32) {
        FDataLink->Edit();
    } else if (k == 27) {
        FDataLink->Reset();
        SelectAll();
        Key = Char();
    }
}

void TDBEdit::SetFocused(bool Value) {
    if (FFocused == Value) return;
    FFocused = Value;
    FDataLink->Reset();
}

bool TDBEdit::HostEvent(QEvent* Event) {
    if (Event->type() == QEvent::FocusIn) {
        GuardedCall(this, [this] { SetFocused(true); });
    } else if (IsRealFocusOut(Event)) {
        if (UpdateRecordOnExit(this, FDataLink.get()))
            GuardedCall(this, [this] { SetFocused(false); });
        else
            SelectAll();
    }
    return TEdit::HostEvent(Event);
}

// ================================================================================================
// TDBText

TDBText::TDBText(TComponent* AOwner) : TLabel(AOwner), FDataLink(New<TFieldDataLink>()) {
    SetAutoSize(false);
    SetShowAccelChar(false);
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TDBText::DataChange);
}

TDBText::~TDBText() { FDataLink.reset(); }

void TDBText::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }

String TDBText::GetText() const {
    TField* f = FDataLink ? FDataLink->Field() : nullptr;
    return f ? f->DisplayText() : String();
}

void TDBText::DataChange(TObject*) {
    if (AutoSize()) AdjustBounds();
    Invalidate();
}

// ================================================================================================
// TDBCheckBox

TDBCheckBox::TDBCheckBox(TComponent* AOwner) : TCheckBox(AOwner), FDataLink(New<TFieldDataLink>()) {
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TDBCheckBox::DataChange);
    FDataLink->OnUpdateData = TNotifyEvent(this, &TDBCheckBox::UpdateData);
}

TDBCheckBox::~TDBCheckBox() { FDataLink.reset(); }

void TDBCheckBox::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }

void TDBCheckBox::SetValueChecked(const String& Value) {
    FValueCheck = Value;
    DataChange(nullptr);
}

void TDBCheckBox::SetValueUnchecked(const String& Value) {
    FValueUncheck = Value;
    DataChange(nullptr);
}

TCheckBoxState TDBCheckBox::GetFieldState() const {
    TField* f = FDataLink->Field();
    if (!f) return cbUnchecked;
    if (f->IsNull()) return cbGrayed;
    if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
    String text = f->Text();
    if (ValueMatch(FValueCheck, text)) return cbChecked;
    if (ValueMatch(FValueUncheck, text)) return cbUnchecked;
    return cbGrayed;
}

void TDBCheckBox::DataChange(TObject*) {
    ++FSyncing;
    try {
        SetState(GetFieldState());
    } catch (...) {
        --FSyncing;
        throw;
    }
    --FSyncing;
}

void TDBCheckBox::Click() {
    if (FQuiet) return;
    if (FSyncing == 0) {
        // The user (or code) changed the box: the dataset must take the change, or the box goes
        // back to the field's value. Going into edit state shows the record again, so the
        // choice is put back after it; neither step is a click of its own.
        TCheckBoxState chosen = State();
        ++FQuiet;
        bool editing = false;
        try {
            editing = FDataLink->Edit();
            if (editing) SetState(chosen);
            else DataChange(nullptr);
        } catch (...) {
            --FQuiet;
            throw;
        }
        --FQuiet;
        if (!editing) return;
        FDataLink->Modified();
    }
    TCheckBox::Click();
}

void TDBCheckBox::UpdateData(TObject*) {
    TField* f = FDataLink->Field();
    if (State() == cbGrayed) {
        f->Clear();
    } else if (f->DataType() == ftBoolean) {
        f->SetAsBoolean(Checked());
    } else {
        std::vector<String> values = ExtractFieldNames(Checked() ? FValueCheck : FValueUncheck);
        f->SetText(values.empty() ? String() : values.front());
    }
}

bool TDBCheckBox::HostEvent(QEvent* Event) {
    if (IsRealFocusOut(Event)) UpdateRecordOnExit(this, FDataLink.get());
    return TCheckBox::HostEvent(Event);
}

// ================================================================================================
// TDBComboBox

TDBComboBox::TDBComboBox(TComponent* AOwner) : TCustomComboBox(AOwner), FDataLink(New<TFieldDataLink>()) {
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TDBComboBox::DataChange);
    FDataLink->OnUpdateData = TNotifyEvent(this, &TDBComboBox::UpdateData);
}

TDBComboBox::~TDBComboBox() { FDataLink.reset(); }

void TDBComboBox::SetDataSource(TDataSource* Value) { FDataLink->SetDataSource(Value); }

void TDBComboBox::SetComboText(const String& Value) {
    ++FSyncing;
    try {
        if (Style() == csDropDown || Style() == csSimple)
            SetText(Value);
        else
            SetItemIndex(Value.isEmpty() ? -1 : Items()->IndexOf(Value));
    } catch (...) {
        --FSyncing;
        throw;
    }
    --FSyncing;
}

void TDBComboBox::DataChange(TObject*) {
    if (Style() == csSimple && DroppedDown()) return;
    TField* f = FDataLink->Field();
    SetComboText(f ? f->Text() : String());
}

void TDBComboBox::UpdateData(TObject*) { FDataLink->Field()->SetText(Text()); }

void TDBComboBox::Change() {
    if (FSyncing) return;
    String typed = Text();
    if (!FDataLink->Editing()) {
        FDataLink->Edit();
        if (Text() != typed) SetComboText(typed);
    }
    TCustomComboBox::Change();
    FDataLink->Modified();
}

void TDBComboBox::Select() {
    // A pick from the list: the dataset must go into edit state, or the text goes back.
    int chosen = ItemIndex();
    if (!FDataLink->Edit()) {
        DataChange(nullptr);
        return;
    }
    // Going into edit state shows the record again: the choice is put back after it.
    if (ItemIndex() != chosen) {
        ++FSyncing;
        SetItemIndex(chosen);
        --FSyncing;
    }
    TCustomComboBox::Select();
    FDataLink->Modified();
}

void TDBComboBox::KeyDown(Word& Key, TShiftState Shift) {
    TCustomComboBox::KeyDown(Key, Shift);
    if (Key == VK_BACK || Key == VK_DELETE || Key == VK_UP || Key == VK_DOWN ||
        (Key == VK_INSERT && Shift.Contains(ssShift))) {
        if (!FDataLink->Edit() && (Key == VK_UP || Key == VK_DOWN)) Key = 0;
    }
}

void TDBComboBox::KeyPress(Char& Key) {
    TCustomComboBox::KeyPress(Key);
    if (Key.isNull()) return;
    ushort k = Key.unicode();
    if (k >= 32 && FDataLink->Field() && !FDataLink->Field()->IsValidChar(Key)) {
        Key = Char();
        return;
    }
    if (k == 8 || k == 22 || k == 24 || k >= 32) {
        // Typing without an edit state is refused.
        if (!FDataLink->Edit()) Key = Char();
    } else if (k == 27) {
        FDataLink->Reset();
        SelectAll();
        Key = Char();
    }
}

bool TDBComboBox::HostEvent(QEvent* Event) {
    if (IsRealFocusOut(Event)) {
        if (!UpdateRecordOnExit(this, FDataLink.get())) SelectAll();
    }
    return TCustomComboBox::HostEvent(Event);
}

// ================================================================================================
// TDBLookupComboBox

class TDBLookupComboBox::TListSourceLink : public TDataLink {
public:
    explicit TListSourceLink(TDBLookupComboBox* AOwner) : FOwner(AOwner) {}

protected:
    void ActiveChanged() override { FOwner->ListLinkActiveChanged(); }
    void LayoutChanged() override { FOwner->ListLinkActiveChanged(); }
    void DataSetChanged() override { FOwner->ListLinkDataChanged(); }
    // The list follows the dataset's records, not its cursor.
    void DataSetScrolled(int) override {}
    void RecordChanged(TField*) override {}

private:
    TDBLookupComboBox* FOwner;
};

TDBLookupComboBox::TDBLookupComboBox(TComponent* AOwner)
    : TCustomComboBox(AOwner), FDataLink(New<TFieldDataLink>()), FListLink(New<TListSourceLink>(this)) {
    SetStyle(csDropDownList);
    SetDropDownCount(7);
    FKeyValue = Null();
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TDBLookupComboBox::DataLinkDataChange);
}

TDBLookupComboBox::~TDBLookupComboBox() {
    FListLink.reset();
    FDataLink.reset();
}

void TDBLookupComboBox::SetDataSource(TDataSource* Value) {
    if (Value && Value == ListSource()) DatabaseError(QString::fromLatin1(DbConsts::SCircularDataLink), this);
    FDataLink->SetDataSource(Value);
}

TDataSource* TDBLookupComboBox::ListSource() const { return FListLink->DataSource(); }

void TDBLookupComboBox::SetListSource(TDataSource* Value) {
    if (Value && Value == DataSource()) DatabaseError(QString::fromLatin1(DbConsts::SCircularDataLink), this);
    FListLink->SetDataSource(Value);
}

void TDBLookupComboBox::SetKeyField(const String& Value) {
    if (FKeyFieldName == Value) return;
    FKeyFieldName = Value;
    UpdateListFields();
}

void TDBLookupComboBox::SetListField(const String& Value) {
    if (FListFieldName == Value) return;
    FListFieldName = Value;
    UpdateListFields();
}

void TDBLookupComboBox::SetListFieldIndex(int Value) {
    if (FListFieldIndex == Value) return;
    FListFieldIndex = Value;
    UpdateListFields();
}

void TDBLookupComboBox::ListLinkActiveChanged() { UpdateListFields(); }

void TDBLookupComboBox::UpdateListFields() {
    FListActive = false;
    FKeyFieldObj = nullptr;
    FListFieldObj = nullptr;
    if (FListLink->Active() && !FKeyFieldName.isEmpty()) {
        TDataSet* ds = FListLink->DataSet();
        FKeyFieldObj = ds->FindField(FKeyFieldName);
        if (!FKeyFieldObj) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldNotFound), {FKeyFieldName}, this);
        std::vector<TField*> list;
        ds->GetFieldList(list, FListFieldName);
        if (list.empty()) list.push_back(FKeyFieldObj);
        int i = FListFieldIndex >= 0 && FListFieldIndex < static_cast<int>(list.size()) ? FListFieldIndex : 0;
        FListFieldObj = list[static_cast<size_t>(i)];
        FListActive = true;
    }
    RefreshList();
    KeyValueChanged();
}

void TDBLookupComboBox::RefreshList() {
    if (FFilling) return;
    // A list dataset that is being edited keeps its record: walking it would post the edit. The
    // list is read again when the dataset is browsing.
    if (FListActive && FListLink->DataSet()->State() != dsBrowse) return;
    FFilling = true;
    ++FSyncing;
    try {
        FKeys.clear();
        Items()->BeginUpdate();
        Items()->Clear();
        if (FListActive) {
            TDataSet* ds = FListLink->DataSet();
            ds->DisableControls();
            try {
                TBookmark bm = ds->GetBookmark();
                ds->First();
                while (!ds->Eof()) {
                    Items()->Add(FListFieldObj->DisplayText());
                    FKeys.push_back(FKeyFieldObj->Value());
                    ds->Next();
                }
                if (!bm.empty() && ds->BookmarkValid(bm)) ds->GotoBookmark(bm);
            } catch (...) {
                ds->EnableControls();
                throw;
            }
            ds->EnableControls();
        }
        Items()->EndUpdate();
    } catch (...) {
        Items()->EndUpdate();
        FFilling = false;
        --FSyncing;
        throw;
    }
    FFilling = false;
    --FSyncing;
    ShowItemIndex();
}

void TDBLookupComboBox::ListLinkDataChanged() {
    if (FFilling) return;
    RefreshList();
    // The shown text follows the list's new contents without moving its cursor.
    int i = IndexOfKey(FKeyValue);
    FKeyText = i >= 0 ? Items()->Strings(i) : String();
}

void TDBLookupComboBox::DataLinkDataChange(TObject*) {
    TField* f = FDataLink->Field();
    SetKeyValue(f ? f->Value() : Null());
}

Variant TDBLookupComboBox::ItemKey(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(FKeys.size())) return Null();
    return FKeys[static_cast<size_t>(Index)];
}

int TDBLookupComboBox::IndexOfKey(const Variant& Value) const {
    if (VarIsNull(Value) || VarIsEmpty(Value)) return -1;
    for (size_t i = 0; i < FKeys.size(); ++i) {
        try {
            if (!VarIsNull(FKeys[i]) && FKeys[i] == Value) return static_cast<int>(i);
        } catch (const Exception&) {
            // A key of another kind (text against a number) is not this one.
        }
    }
    return -1;
}

void TDBLookupComboBox::ShowItemIndex() {
    ++FSyncing;
    SetItemIndex(IndexOfKey(FKeyValue));
    --FSyncing;
}

bool TDBLookupComboBox::LocateKey() {
    if (VarIsNull(FKeyValue) || VarIsEmpty(FKeyValue)) return false;
    bool wasFilling = FFilling;
    FFilling = true;  // the list does not rebuild for its own cursor move
    bool found = false;
    try {
        found = FListLink->DataSet()->Locate(FKeyFieldName, FKeyValue, {});
    } catch (const Exception&) {
        found = false;
    }
    FFilling = wasFilling;
    return found;
}

void TDBLookupComboBox::KeyValueChanged() {
    if (FListActive && LocateKey())
        FKeyText = FListFieldObj->DisplayText();
    else
        FKeyText = String();
    ShowItemIndex();
}

void TDBLookupComboBox::SetKeyValue(const Variant& Value) {
    // A key of another kind (text that is not a number against a number) is a different key,
    // not an error.
    bool same = false;
    try {
        same = VarSameValue(FKeyValue, Value);
    } catch (const EVariantError&) {
    }
    if (same) return;
    FKeyValue = Value;
    KeyValueChanged();
    TCustomComboBox::Change();
}

String TDBLookupComboBox::GetText() const { return FKeyText; }

void TDBLookupComboBox::SelectKeyValue(const Variant& Value) {
    if (TField* f = FDataLink->Field()) {
        if (!FReadOnly && FDataLink->Edit()) f->SetValue(Value);
    } else if (!FReadOnly) {
        SetKeyValue(Value);
    }
    ShowItemIndex();
    TControl::Click();
}

void TDBLookupComboBox::SelectItem(int Index) {
    if (!FListActive || Index < 0 || Index >= static_cast<int>(FKeys.size())) {
        ShowItemIndex();
        return;
    }
    Variant key = FKeys[static_cast<size_t>(Index)];
    if (!FReadOnly) {
        // The list dataset goes to the chosen record, also when its key is the one shown.
        bool wasFilling = FFilling;
        FFilling = true;
        try {
            TDataSet* ds = FListLink->DataSet();
            if (!ds->Locate(FKeyFieldName, key, {})) {
                ds->First();
                ds->MoveBy(Index);
            }
        } catch (...) {
            FFilling = wasFilling;
            throw;
        }
        FFilling = wasFilling;
    }
    SelectKeyValue(key);
}

void TDBLookupComboBox::DropDown() {
    ShowItemIndex();
    TCustomComboBox::DropDown();
}

void TDBLookupComboBox::FireCloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}

void TDBLookupComboBox::CloseUp() {
    // The popup has closed. When it closed on a chosen item, the widget reports the choice right
    // after this (Select), and the choice is made before OnCloseUp, as the framework orders them;
    // when it closed without one, OnCloseUp follows from the event loop.
    if (FClosingByCode) return;
    FCloseUpPending = true;
    QWidget* w = HandleAllocated() ? Handle() : nullptr;
    if (!w) {
        FCloseUpPending = false;
        FireCloseUp();
        return;
    }
    QTimer::singleShot(0, w, [w, this] {
        THostLink* link = HostLink(w);
        if (!link || link->Control != this || !FCloseUpPending) return;
        GuardedCall(this, [this] {
            FCloseUpPending = false;
            ShowItemIndex();
            FireCloseUp();
        });
    });
}

void TDBLookupComboBox::CloseUp(bool Accept) {
    int index = ItemIndex();
    if (HandleAllocated()) {
        auto* c = static_cast<QComboBox*>(Handle());
        if (DroppedDown() && c->view() && c->view()->currentIndex().isValid()) index = c->view()->currentIndex().row();
        if (DroppedDown()) {
            FClosingByCode = true;
            try {
                SetDroppedDown(false);
            } catch (...) {
                FClosingByCode = false;
                throw;
            }
            FClosingByCode = false;
        }
    }
    FCloseUpPending = false;
    if (Accept)
        SelectItem(index);
    else
        ShowItemIndex();
    FireCloseUp();
}

void TDBLookupComboBox::Select() {
    if (FSyncing) return;
    int index = ItemIndex();
    if (FCloseUpPending) {
        FCloseUpPending = false;
        SelectItem(index);
        FireCloseUp();
    } else {
        SelectItem(index);
    }
}

void TDBLookupComboBox::KeyDown(Word& Key, TShiftState Shift) {
    TCustomComboBox::KeyDown(Key, Shift);
    if (FReadOnly && (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT || Key == VK_HOME || Key == VK_END))
        Key = 0;
}
