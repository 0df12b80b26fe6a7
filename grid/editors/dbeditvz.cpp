#include "grid/editors/dbeditvz.h"

#include "grid/base/toolsvz.h"
#include "grid/core/dynvarsvz.h"
#include "platform/db/fields.h"
#include "platform/gui/hints.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QLineEdit>

// ---- the empty-data hint

TDBEditEmptyDataInfoVz::TDBEditEmptyDataInfoVz(TCustomDBEditVz* AEdit)
    : TCustomControlEmptyDataInfoVz(AEdit), FEdit(AEdit) {}

TAlignment TDBEditEmptyDataInfoVz::DefaultAlignment() const { return FEdit->Alignment(); }

bool TDBEditEmptyDataInfoVz::ControlIsEmpty() const { return FEdit->IsEmpty(); }

// The line edit draws the hint itself while it holds no text.
void TDBEditEmptyDataInfoVz::PaintEmptyDataInfo() {}

// ---- the edit

TCustomDBEditVz::TCustomDBEditVz(TComponent* AOwner)
    : TCustomMaskEdit(AOwner), FDataLink(NewOwned<TFieldDataLinkVz>()) {
    TControlStyle style = ControlStyle();
    style.Include(csCaptureMouse);
    style.Include(csReplicatable);
    SetControlStyle(style);
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TCustomDBEditVz::DataChange);
    FDataLink->OnEditingChange = TNotifyEvent(this, &TCustomDBEditVz::EditingChange);
    FDataLink->OnUpdateData = TNotifyEvent(this, &TCustomDBEditVz::LinkUpdateData);
    FDataLink->OnActiveChange = TNotifyEvent(this, &TCustomDBEditVz::LinkActiveChange);
    FDynProps = New<TDynVarsVz>(this);
    FEmptyDataInfo = New<TDBEditEmptyDataInfoVz>(this);
    UpdateControlReadOnly();
}

TCustomDBEditVz::~TCustomDBEditVz() = default;

void TCustomDBEditVz::BeforeDestruction() {
    FDataLink->SetDataSource(nullptr);
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnEditingChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    FDataLink->OnActiveChange = nullptr;
    if (FEmptyDataInfo) FreeAndNil(FEmptyDataInfo);
    if (FDynProps) FreeAndNil(FDynProps);
    TCustomMaskEdit::BeforeDestruction();
}

// ---- binding

void TCustomDBEditVz::SetDataSource(TDataSource* Value) {
    if (Value == FDataLink->DataSource()) return;
    if (!FDataLink->DataSourceFixed()) {
        if (FDataLink->DataSource()) FDataLink->DataSource()->RemoveFreeNotification(this);
        FDataLink->SetDataSource(Value);
        if (Value) Value->FreeNotification(this);
    }
    DataChange(this);
    Invalidate();
}

void TCustomDBEditVz::SetDataField(const String& Value) {
    if (!ComponentState().Contains(csDesigning)) ResetMaxLength();
    FDataLink->SetFieldName(Value);
    Invalidate();
}

void TCustomDBEditVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomMaskEdit::Notification(AComponent, Operation);
    if (Operation == opRemove && FDataLink && AComponent == FDataLink->DataSource()) SetDataSource(nullptr);
}

// A length taken from a string field goes when the editor moves to another field.
void TCustomDBEditVz::ResetMaxLength() {
    if (MaxLength() <= 0 || !DataSource() || !DataSource()->DataSet()) return;
    TField* f = DataSource()->DataSet()->FindField(DataField());
    if (f && (f->DataType() == ftString || f->DataType() == ftWideString) && f->Size() == MaxLength())
        SetMaxLength(0);
}

void TCustomDBEditVz::LinkActiveChange(TObject*) { ActiveChanged(); }

void TCustomDBEditVz::ActiveChanged() { ResetMaxLength(); }

bool TCustomDBEditVz::CanDropDown() const { return Enabled() && FDataLink->Active(); }

TAlignment TCustomDBEditVz::DefaultAlignment() const { return Field() ? Field()->Alignment() : taLeftJustify; }

String TCustomDBEditVz::DefaultEditMask() const { return Field() ? Field()->EditMask() : String(); }

TAlignment TCustomDBEditVz::Alignment() const {
    return FAssignedValues.Contains(evAlignmentVz) ? FAlignment : DefaultAlignment();
}

void TCustomDBEditVz::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    FAssignedValues.Include(evAlignmentVz);
    ApplyAlignment();
    Invalidate();
}

void TCustomDBEditVz::ApplyAlignment() {
    if (!HandleAllocated()) return;
    const TAlignment a = Alignment();
    if (auto* line = qobject_cast<QLineEdit*>(Handle()))
        line->setAlignment((a == taRightJustify ? Qt::AlignRight : a == taCenter ? Qt::AlignHCenter : Qt::AlignLeft) |
                           Qt::AlignVCenter);
}

void TCustomDBEditVz::SetEditMask(const String& Value) {
    if (FAssignedValues.Contains(evEditMaskVz) && EditMask() == Value) return;
    TCustomMaskEdit::SetEditMask(Value);
    FAssignedValues.Include(evEditMaskVz);
    if (DataIndepended())
        InternalUpdateData();
    else
        DataChange(this);
}

// ---- reading the data

void TCustomDBEditVz::DataChange(TObject*) {
    if (ComponentState().Contains(csDestroying)) return;
    DataLinkDataChanged();
}

void TCustomDBEditVz::DataLinkDataChanged() {
    TField* f = Field();
    const bool given = FAssignedValues.Contains(evEditMaskVz);
    if (f) {
        bool handled = false;
        Variant value;
        if (OnGetFieldData) OnGetFieldData(this, value, handled);
        if (!handled) {
            if (f->IsBlob())
                value = Variant(f->AsString());
            else if (FFocused && FDataLink->CanModify())
                value = Variant(f->Text());
            else
                value = Variant(f->DisplayText());
            if (!given) TCustomMaskEdit::SetEditMask(f->EditMask());
            if (!ComponentState().Contains(csDesigning) &&
                (f->DataType() == ftString || f->DataType() == ftWideString) && MaxLength() == 0)
                SetMaxLength(f->Size());
        }
        const String text = SafeVarToStrVz(value);
        if (FFocused && FDataLink->CanModify())
            InternalSetText(text);
        else
            InternalSetText(IsMasked() ? FormatMaskTextVz(EditMask(), text) : text);
    } else if (DataIndepended()) {
        if (!given) TCustomMaskEdit::SetEditMask(String());
        InternalSetText(SafeVarToStrVz(FDataLink->DataIndependentValue));
    } else {
        if (!given) TCustomMaskEdit::SetEditMask(String());
        InternalSetText(String());
    }
    ApplyAlignment();
    UpdateControlReadOnly();
    SetModified(false);
    FDataLink->SetModified(false);
}

void TCustomDBEditVz::EditingChange(TObject*) { DataLinkEditingChanged(); }

void TCustomDBEditVz::DataLinkEditingChanged() { UpdateControlReadOnly(); }

void TCustomDBEditVz::UpdateControlReadOnly() {
    bool readOnly = FReadOnly;
    if (!readOnly && !FDataLink->Editing()) {
        TDataSet* ds = FDataLink->DataSet();
        readOnly = !(ds && ds->State() == dsEdit && OnUpdateData);
    }
    TCustomMaskEdit::SetReadOnly(readOnly);
}

void TCustomDBEditVz::SetReadOnly(bool Value) {
    FReadOnly = Value;
    DataLinkEditingChanged();
}

// ---- writing the data

void TCustomDBEditVz::InternalSetText(const String& AText) {
    // The same text again keeps the caret and the selection (the dataset re-reads on Edit).
    if (Text() == AText) {
        UpdateEmptyHint();
        return;
    }
    FInternalTextSetting = true;
    try {
        TCustomMaskEdit::SetText(AText);
    } catch (...) {
        FInternalTextSetting = false;
        throw;
    }
    FInternalTextSetting = false;
    UpdateEmptyHint();
}

void TCustomDBEditVz::InternalSetValue(const Variant& AValue) { InternalSetText(SafeVarToStrVz(AValue)); }

Variant TCustomDBEditVz::InternalGetValue() const { return Variant(Text()); }

void TCustomDBEditVz::SetText(const String& Value) {
    if (ComponentState().Contains(csDesigning) && !DataIndepended()) return;
    if (!DataIndepended() && FDataLink->DataSet()) FDataLink->DataSet()->Edit();
    InternalSetText(Value);
    try {
        if (!FDataPosting) UpdateData();
    } catch (...) {
        FDataLink->Reset();
        throw;
    }
}

void TCustomDBEditVz::SetValue(const Variant& Value) {
    if (ComponentState().Contains(csDesigning) && !DataIndepended()) return;
    if (!DataIndepended() && FDataLink->DataSet()) FDataLink->DataSet()->Edit();
    InternalSetValue(Value);
    try {
        if (!FDataPosting) UpdateData();
    } catch (...) {
        FDataLink->Reset();
        throw;
    }
}

bool TCustomDBEditVz::IsEmpty() const {
    if (IsMasked()) return EditText() == FormatMaskTextVz(EditMask(), String());
    return Text().isEmpty();
}

void TCustomDBEditVz::Undo() {
    if (!DataIndepended() && FDataLink->DataSet()) FDataLink->DataSet()->Edit();
    if (auto* line = qobject_cast<QLineEdit*>(Handle())) line->undo();
    if (FDataPosting || FFocused) return;
    try {
        UpdateData();
    } catch (...) {
        FDataLink->Reset();
        throw;
    }
}

void TCustomDBEditVz::Reset() {
    FDataLink->Reset();
    SelectAll();
}

void TCustomDBEditVz::LinkUpdateData(TObject*) {
    if (!FDataPosting) UpdateData();
}

void TCustomDBEditVz::DoOnUpdateData(bool& Handled) {
    if (!OnUpdateData) return;
    FDataPosting = true;
    try {
        OnUpdateData(this, Handled);
    } catch (...) {
        FDataPosting = false;
        throw;
    }
    FDataPosting = false;
}

void TCustomDBEditVz::UpdateData() {
    if (FFocused) ValidateEdit();
    bool handled = false;
    DoOnUpdateData(handled);
    if (!handled) InternalUpdateData();
    SetModified(false);
    FDataLink->SetModified(false);
}

void TCustomDBEditVz::InternalUpdateData() {
    if (DataIndepended())
        FDataLink->SetText(IsMasked() ? EditText() : Text());
    else
        FDataLink->SetText(Text());
}

bool TCustomDBEditVz::EditCanModify() { return !FReadOnly && FDataLink->Edit(); }

void TCustomDBEditVz::Change() {
    if (ComponentState().Contains(csDestroying)) return;
    if (!FInternalTextSetting) {
        FDataLink->Modified();
        SetModified(true);
    }
    UpdateEmptyHint();
    TCustomMaskEdit::Change();
}

// ---- keys and focus

bool TCustomDBEditVz::IsValidChar(Char InputChar) const { return !Field() || Field()->IsValidChar(InputChar); }

void TCustomDBEditVz::KeyDown(Word& Key, TShiftState Shift) {
    TCustomMaskEdit::KeyDown(Key, Shift);
    if (Key == 0) return;
    if (Key == 'A' && Shift == TShiftState{ssCtrl}) {
        SelectAll();
        Key = 0;
        return;
    }
    if ((Key == 'V' && Shift == TShiftState{ssCtrl}) || (Key == VK_INSERT && Shift == TShiftState{ssShift})) {
        PasteFromClipboard();
        Key = 0;
        return;
    }
    if ((Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))) && !FReadOnly && !FDataLink->Edit())
        Key = 0;
    else if (Key == VK_RETURN && FDataLink->Active() && Modified())
        UpdateData();
}

void TCustomDBEditVz::KeyPress(Char& Key) {
    const ushort k = Key.unicode();
    if (k >= 32 && !DataIndepended() && Field() && !IsValidChar(Key)) {
        QApplication::beep();
        Key = Char();
        return;
    }
    if (k == 27) {
        FDataLink->Reset();
        SelectAll();
        Key = Char();
        return;
    }
    if ((k == 8 || k == 22 || k == 24 || k >= 32) && !FReadOnly && !FDataLink->Edit()) {
        Key = Char();
        return;
    }
    TCustomMaskEdit::KeyPress(Key);
}

void TCustomDBEditVz::DoEnter() {
    SetFocused(true);
    TCustomMaskEdit::DoEnter();
    if (AutoSelect() && !(QApplication::mouseButtons() & Qt::LeftButton)) SelectAll();
}

void TCustomDBEditVz::DoExit() {
    if (IsMasked() && !ComponentState().Contains(csDesigning)) ValidateEdit();
    TCustomMaskEdit::DoExit();
    try {
        FDataLink->UpdateRecord();
    } catch (...) {
        SelectAll();
        SetFocus();
        throw;
    }
    SetFocused(false);
}

void TCustomDBEditVz::SetFocused(bool Value) {
    if (FFocused == Value) return;
    FFocused = Value;
    if (FAssignedValues.Contains(evAlignmentVz) && !IsMasked()) Invalidate();
    FDataLink->Reset();
}

void TCustomDBEditVz::InitWidget() {
    TCustomMaskEdit::InitWidget();
    ApplyAlignment();
    UpdateEmptyHint();
}

void TCustomDBEditVz::UpdateEmptyHint() {
    if (!HandleAllocated() || !FEmptyDataInfo) return;
    if (auto* line = qobject_cast<QLineEdit*>(Handle())) line->setPlaceholderText(FEmptyDataInfo->Text());
}

// ---- clipboard

String TCustomDBEditVz::PreparePasteText(const String& AText) const {
    String r = AText;
    while (r.endsWith(u'\r') || r.endsWith(u'\n')) r.chop(1);
    for (const char16_t* br : {u"\r\n", u"\n\r", u"\n", u"\r"}) r.replace(String::fromUtf16(br), u" "_S);
    return r;
}

void TCustomDBEditVz::PasteFromClipboard() {
    if (!EditCanModify()) return;
    const String clip = QApplication::clipboard()->text();
    if (IsMasked() || clip.isEmpty()) {
        if (!clip.isEmpty()) SetSelText(clip);
        return;
    }
    String insert = PreparePasteText(clip);
    const String text = Text();
    const int start = SelStart();
    const int len = SelLength();
    if (MaxLength() > 0) {
        const int room = MaxLength() - (static_cast<int>(text.size()) - len);
        if (room < static_cast<int>(insert.size())) insert.truncate(std::max(0, room));
    }
    TCustomMaskEdit::SetText(text.left(start) + insert + text.mid(start + len));
    SetSelStart(start + static_cast<int>(insert.size()));
    SetSelLength(0);
}

// ---- hints

void TCustomDBEditVz::SetShowHint(bool Value) {
    FShowHint = Value;
    UpdateShowHint();
}

void TCustomDBEditVz::SetTooltips(bool Value) {
    FTooltips = Value;
    UpdateShowHint();
}

void TCustomDBEditVz::UpdateShowHint() { TCustomMaskEdit::SetShowHint(FTooltips || FShowHint); }

bool TCustomDBEditVz::TextClipped() {
    auto* line = qobject_cast<QLineEdit*>(Handle());
    if (!line) return false;
    // The text area: the client area less the frame and the line edit's own margins.
    const QMargins m = line->textMargins();
    const int width = ClientWidth() - 4 - m.left() - m.right();
    const int height = ClientHeight() - m.top() - m.bottom();
    const QFontMetrics fm(line->font());
    return fm.horizontalAdvance(Text()) > width - 2 || fm.height() > height;
}

void TCustomDBEditVz::CMHintShow(TMessage& Message) {
    auto* info = reinterpret_cast<THintInfo*>(Message.LParam);
    if (FTooltips && info && TextClipped()) {
        info->HintStr = Text();
        info->HintPos = ClientToScreen(TPoint(0, Height()));
        Message.Result = 0;
    } else if (!FShowHint) {
        Message.Result = 1;
    }
}
