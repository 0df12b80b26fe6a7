#include "grid/editors/dbeditvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/base/listboxvz.h"
#include "grid/base/toolsvz.h"
#include "grid/core/dynvarsvz.h"
#include "platform/db/fields.h"
#include "platform/gui/hints.h"
#include "platform/gui/messages.h"

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

// ---- the red line under an empty required value

namespace {

// The image at the left of the text, drawn centred.
class TEditImageBoxVz : public TCustomControl {
    SDELKA_CLASS(TEditImageBoxVz, TCustomControl)
protected:
    explicit TEditImageBoxVz(TComponent* AOwner) : TCustomControl(AOwner) {}
    ~TEditImageBoxVz() override = default;

public:
    TEditImageVz* Image = nullptr;

protected:
    void Paint() override {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
        if (!Image || !Image->Images()) return;
        TRect r = ClientRect();
        r.Inflate(-2, -1);
        DrawImageCenteredVz(Canvas(), r, Image->Images(), Image->ImageIndex(), false);
    }
};

// A one-pixel strip along the editor's bottom edge, shown while the value is required and empty.
class TEditRequiredLineVz : public TCustomControl {
    SDELKA_CLASS(TEditRequiredLineVz, TCustomControl)
protected:
    explicit TEditRequiredLineVz(TComponent* AOwner) : TCustomControl(AOwner) {}
    ~TEditRequiredLineVz() override = default;

public:
    TCustomDBEditVz* Editor = nullptr;
    std::function<void(TCanvas*)> PaintProc;

protected:
    void Paint() override {
        if (PaintProc) PaintProc(Canvas());
    }
};

}  // namespace

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
    FMRUList = NewOwned<TMRUListVz>(this);
    FMRUList->OnSetDropDown = [this](TObject* S) { MRUListDropDown(S); };
    FMRUList->OnSetCloseUp = [this](TObject* S, bool A) { MRUListCloseUp(S, A); };
    FMRUList->OnFillAutogenItems = [this](TMRUListVz* S, TStrings* I) { FillMRUAutogenItems(S, I); };
    FControlLabelLocation = NewOwned<TControlLabelLocationVz>(static_cast<IControlLabelOwnerVz*>(this));
    FEditImage = NewOwned<TEditImageVz>(static_cast<TWinControl*>(this));
    UpdateControlReadOnly();
}

TCustomDBEditVz::~TCustomDBEditVz() = default;

void TCustomDBEditVz::AfterConstruction() {
    TCustomMaskEdit::AfterConstruction();
    FEditButton = CreateEditButton();
    FEditButton->OnChanged = TNotifyEvent(this, &TCustomDBEditVz::EditButtonsChanged);
    FEditButtons = CreateEditButtons();
    FEditButtons->OnChanged = TNotifyEvent(this, &TCustomDBEditVz::EditButtonsChanged);
    FButtonsBox = New<TEditButtonsBoxVz>(this);
    FButtonsBox->SetBounds(0, 0, 0, 0);
    FButtonsBox->SetVisible(false);
    FButtonsBox->SetParent(this);
    FButtonsBox->OnDown = [this](TObject* S, bool T, bool& A, bool& H) { EditButtonDown(S, T, A, H); };
    FButtonsBox->OnClick = TNotifyEvent(this, &TCustomDBEditVz::EditButtonClick);
    FButtonsBox->OnMouseMove = [this](TObject* S, TShiftState Sh, int X, int Y) { EditButtonMouseMove(S, Sh, X, Y); };
    FButtonsBox->OnMouseUp = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
        EditButtonMouseUp(S, B, Sh, X, Y);
    };
    FButtonsBox->OnCreateEditButtonControl = [this] { return CreateEditButtonControl(); };
    auto* line = New<TEditRequiredLineVz>(this);
    line->SetVisible(false);
    line->SetParent(this);
    line->PaintProc = [this](TCanvas* C) { PaintRequiredState(C); };
    FRequiredLine = line;
    auto* imageBox = New<TEditImageBoxVz>(this);
    imageBox->SetVisible(false);
    imageBox->SetParent(this);
    imageBox->Image = FEditImage.get();
    FImageBox = imageBox;
    FControlLabel = New<TControlLabelVz>(static_cast<TWinControl*>(this), static_cast<IControlLabelOwnerVz*>(this));
    FControlLabel->FreeNotification(this);
}

void TCustomDBEditVz::BeforeDestruction() {
    if (FMRUList && FMRUList->DroppedDown()) FMRUList->SetDroppedDown(false);
    if (FMRUList) {
        FMRUList->OnSetDropDown = nullptr;
        FMRUList->OnSetCloseUp = nullptr;
        FMRUList->OnFillAutogenItems = nullptr;
    }
    FDataLink->SetDataSource(nullptr);
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnEditingChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    FDataLink->OnActiveChange = nullptr;
    if (FEmptyDataInfo) FreeAndNil(FEmptyDataInfo);
    if (FDynProps) FreeAndNil(FDynProps);
    TCustomMaskEdit::BeforeDestruction();
    if (FEditButton) FreeAndNil(FEditButton);
    if (FEditButtons) FreeAndNil(FEditButtons);
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
    UpdateEditButtonsState();
    if (FControlLabel) FControlLabel->UpdateCaption();
    Invalidate();
}

void TCustomDBEditVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomMaskEdit::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (FDataLink && AComponent == FDataLink->DataSource()) SetDataSource(nullptr);
    if (AComponent == FControlLabel) FControlLabel = nullptr;
    if (AComponent == FButtonsBox) FButtonsBox = nullptr;
    if (AComponent == FMRUListControl) FMRUListControl = nullptr;
    if (AComponent == FRequiredLine) FRequiredLine = nullptr;
    if (AComponent == FImageBox) FImageBox = nullptr;
    if (FEditImage && AComponent == FEditImage->Images()) FEditImage->SetImages(nullptr);
    if (FEditButton && AComponent == FEditButton->DropdownMenu()) FEditButton->SetDropdownMenu(nullptr);
    for (int i = 0; FEditButtons && i < FEditButtons->Count(); ++i)
        if (AComponent == FEditButtons->Items(i)->DropdownMenu()) FEditButtons->Items(i)->SetDropdownMenu(nullptr);
}

// A length taken from a string field goes when the editor moves to another field.
void TCustomDBEditVz::ResetMaxLength() {
    if (MaxLength() <= 0 || !DataSource() || !DataSource()->DataSet()) return;
    TField* f = DataSource()->DataSet()->FindField(DataField());
    if (f && (f->DataType() == ftString || f->DataType() == ftWideString) && f->Size() == MaxLength())
        SetMaxLength(0);
}

void TCustomDBEditVz::LinkActiveChange(TObject*) { ActiveChanged(); }

void TCustomDBEditVz::ActiveChanged() {
    ResetMaxLength();
    UpdateEditButtonsState();
}

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
    UpdateEditButtonsState();
    if (FControlLabel) FControlLabel->UpdateCaption();
    UpdateRequiredLine();
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

void TCustomDBEditVz::DataLinkEditingChanged() {
    UpdateControlReadOnly();
    UpdateRequiredLine();
}

void TCustomDBEditVz::UpdateControlReadOnly() {
    bool readOnly = FReadOnly;
    if (!readOnly && !FDataLink->Editing()) {
        TDataSet* ds = FDataLink->DataSet();
        readOnly = !(ds && ds->State() == dsEdit && OnUpdateData);
    }
    // A grid may let its in-place editor write where the link alone would not.
    if (readOnly && FIntfInplaceEditHolder && FIntfInplaceEditHolder->CheckEditorCanModify(this)) readOnly = false;
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
    if (FMRUList->AutoAdd() && FMRUList->Active() && Showing()) FMRUList->Add(Text());
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
    UpdateImageIndex();
    TCustomMaskEdit::Change();
    UpdateRequiredLine();
    if (!FInternalTextSetting && !ComponentState().Contains(csDestroying)) UserTextChanged();
}

// ---- keys and focus

bool TCustomDBEditVz::IsValidChar(Char InputChar) const { return !Field() || Field()->IsValidChar(InputChar); }

void TCustomDBEditVz::KeyDown(Word& Key, TShiftState Shift) {
    if (FIntfInplaceEditHolder) {
        FIntfInplaceEditHolder->HandleEditorKeyDown(this, Key, Shift);
        if (Key == 0) return;
    }
    FMRUCharPending = false;
    if (MRUListKey(Key, Shift)) {
        Key = 0;
        return;
    }
    TCustomMaskEdit::KeyDown(Key, Shift);
    if (Key == 0) return;
    if (ButtonShortCut(Key, Shift)) {
        Key = 0;
        return;
    }
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

void TCustomDBEditVz::KeyUp(Word& Key, TShiftState Shift) {
    if (FIntfInplaceEditHolder) {
        FIntfInplaceEditHolder->HandleEditorKeyUp(this, Key, Shift);
        if (Key == 0) return;
    }
    TCustomMaskEdit::KeyUp(Key, Shift);
}

bool TCustomDBEditVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (FMRUList->DroppedDown() && FMRUListControl && FMRUListControl->ListGrid()->WheelFromOwner(Shift, WheelDelta, MousePos))
        return true;
    return TCustomMaskEdit::DoMouseWheel(Shift, WheelDelta, MousePos);
}

void TCustomDBEditVz::WndProc(TMessage& Message) {
    if (FIntfInplaceEditHolder) {
        Message.Result = 0;
        FIntfInplaceEditHolder->HandleEditorMessage(this, Message);
        if (Message.Result != 0) return;
    }
    if (Message.Msg == CM_EDITIMAGECHANGEDVz) {
        ImageChanged();
        return;
    }
    TCustomMaskEdit::WndProc(Message);
}

void TCustomDBEditVz::CMCancelMode(TMessage& Message) {
    TCustomMaskEdit::CMCancelMode(Message);
    auto* sender = reinterpret_cast<TControl*>(Message.LParam);
    if (!FMRUList->DroppedDown() || !FMRUListControl) return;
    if (sender == this || (sender && ContainsControl(sender))) return;
    if (sender == FMRUListControl || (sender && FMRUListControl->ContainsControl(sender))) return;
    FMRUList->CloseUp(false);
}

void TCustomDBEditVz::KeyPress(Char& Key) {
    if (FIntfInplaceEditHolder) {
        FIntfInplaceEditHolder->HandleEditorKeyPress(this, Key);
        if (Key.isNull()) return;
    }
    const ushort k = Key.unicode();
    if (FMRUCharPending) {
        FMRUCharPending = false;
        if (k == 13 || k == 27) {
            Key = Char();
            return;
        }
    }
    if (k == 8 && Text().isEmpty() && Showing() && FMRUList->Active() && !FMRUList->DroppedDown() && !FDroppedDown) {
        FMRUList->DropDown();
    }
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
    UpdateBorderActive();
    TCustomMaskEdit::DoEnter();
    if (AutoSelect() && !(QApplication::mouseButtons() & Qt::LeftButton)) SelectAll();
}

void TCustomDBEditVz::DoExit() {
    if (FMRUList->DroppedDown()) FMRUList->CloseUp(false);
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
    UpdateBorderActive();
}

void TCustomDBEditVz::SetFocused(bool Value) {
    if (FFocused == Value) return;
    FFocused = Value;
    if (FAssignedValues.Contains(evAlignmentVz) && !IsMasked()) Invalidate();
    FDataLink->Reset();
}

void TCustomDBEditVz::InitWidget() {
    TCustomMaskEdit::InitWidget();
    UpdateHeight();
    if (auto* line = qobject_cast<QLineEdit*>(Handle())) line->setFrame(FBorderStyle != bsNone);
    UpdateBorderActive();
    PaintFlatBorder();
    UpdateEditButtons();
    UpdateEditButtonsState();
    SetEditRect();
    UpdateControlReadOnly();
    ApplyAlignment();
    UpdateEmptyHint();
    UpdateImageIndex();
    UpdateRequiredLine();
}

void TCustomDBEditVz::Resize() {
    TCustomMaskEdit::Resize();
    UpdateEditButtons();
    SetEditRect();
    UpdateRequiredLine();
}

void TCustomDBEditVz::FontChanged() {
    TCustomMaskEdit::FontChanged();
    if (!ComponentState().Contains(csLoading)) UpdateHeight();
    SetEditRect();
    if (FControlLabel) AdjustLabelBounds();
}

// ---- image and height

void TCustomDBEditVz::SetImages(TCustomImageList* Value) {
    FEditImage->SetImages(Value);
    if (Value) FEditImage->SetVisible(true);
}

TRect TCustomDBEditVz::ImageRect() const {
    const int inset = FBorderStyle == bsNone ? 0 : 2;
    const int w = FEditImage ? FEditImage->DrawWidth() : 0;
    if (UseRightToLeftAlignment()) return TRect(Width() - inset - w, inset, Width() - inset, Height() - inset);
    return TRect(inset, inset, inset + w, Height() - inset);
}

void TCustomDBEditVz::ImageChanged() {
    UpdateHeight();
    UpdateEditButtons();
    SetEditRect();
    UpdateImageIndex();
    UpdateRequiredLine();
    Invalidate();
}

void TCustomDBEditVz::UpdateImageIndex() {
    if (!FEditImage || !FImageBox) return;
    const bool showing = FEditImage->Visible() && FEditImage->Images() && HandleAllocated();
    if (showing) {
        int index = DefaultImageIndex();
        const Variant v = Value();
        switch (VarType(v)) {
        case varSmallint:
        case varInteger:
        case varSingle:
        case varDouble:
        case varCurrency: index = static_cast<int>(std::lround(v.AsDouble())); break;
        default: break;
        }
        if (OnGetImageIndex) OnGetImageIndex(this, index);
        FEditImage->SetImageIndex(index);
        FImageBox->SetBoundsRect(ImageRect());
        FImageBox->SetColor(Color());
        FImageBox->Invalidate();
    }
    FImageBox->SetVisible(showing);
}

void TCustomDBEditVz::SetAutoSize(bool Value) {
    if (FAutoSize == Value) return;
    FAutoSize = Value;
    UpdateHeight();
}

void TCustomDBEditVz::UpdateHeight() {
    if (FAutoSize && FBorderStyle == bsSingle) AdjustHeight();
}

int TCustomDBEditVz::AutoHeight() const {
    int textHeight = GetFontTextHeightVz(nullptr, Font(), false);
    if (FEditImage && FEditImage->UseImageHeight() && FEditImage->Visible() && FEditImage->Images())
        textHeight = std::max(textHeight, FEditImage->Images()->Height());
    return GetSystemMetrics(SM_CYBORDER) * (FFlat ? 6 : 8) + textHeight;
}

void TCustomDBEditVz::AdjustHeight() {
    if (FAdjustingHeight || (ComponentState().Contains(csLoading) && ComponentState().Contains(csDesigning))) return;
    // SetBounds keeps the height of an auto-sized editor.
    if (AutoHeight() != Height()) SetBounds(Left(), Top(), Width(), Height());
}

// ---- required state and the copy painted into a grid

void TCustomDBEditVz::SetHighlightRequired(bool Value) {
    if (FHighlightRequired == Value) return;
    FHighlightRequired = Value;
    UpdateRequiredLine();
}

bool TCustomDBEditVz::NeedsRequiredState() {
    bool draw = false;
    if (FHighlightRequired && FDataLink->Active()) {
        if (DataIndepended()) {
            draw = VarIsNull(Value()) || Text().isEmpty();
        } else if (TField* f = Field()) {
            TDataSet* ds = f->DataSet();
            draw = ds && (ds->State() == dsEdit || ds->State() == dsInsert) && f->Required() && f->IsNull();
        }
    }
    if (OnCheckDrawRequiredState) OnCheckDrawRequiredState(this, draw);
    return draw;
}

void TCustomDBEditVz::UpdateRequiredLine() {
    if (!FRequiredLine || ComponentState().Contains(csDestroying)) return;
    const bool show = NeedsRequiredState();
    if (show) {
        const TRect er = EditRect();
        const int inset = FBorderStyle == bsNone ? 0 : 2;
        FRequiredLine->SetBounds(er.Left + 2, Height() - inset - 1, std::max(0, er.Width() - 5), 1);
        FRequiredLine->Invalidate();
    }
    FRequiredLine->SetVisible(show);
}

void TCustomDBEditVz::PaintRequiredState(TCanvas* ACanvas) {
    ACanvas->Brush()->SetColor(GetActualColor());
    ACanvas->FillRect(TRect(0, 0, FRequiredLine->Width(), FRequiredLine->Height()));
    ACanvas->Pen()->SetColor(clRed);
    ACanvas->Pen()->SetStyle(psDot);
    ACanvas->MoveTo(0, 0);
    ACanvas->LineTo(FRequiredLine->Width(), 0);
}

String TCustomDBEditVz::GetDisplayTextForPaintCopy() {
    if (ComponentState().Contains(csDesigning) && !FDataLink->Active()) return Name();
    if (ControlState().Contains(csPaintCopy) && Field()) {
        return Field()->DisplayText();
    }
    return EditText();
}

TColor TCustomDBEditVz::GetActualColor() { return ColorToRGB(Color()); }

TColor TCustomDBEditVz::GetActualFontColor() { return Enabled() ? Font()->Color() : clGrayText; }

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
