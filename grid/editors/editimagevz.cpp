#include "grid/editors/editimagevz.h"

#include "platform/gui/imaging.h"
#include "platform/gui/messages.h"

// ---- TEditImageVz --------------------------------------------------------------------------------

void TEditImageVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TEditImageVz*>(Source)) {
        SetImages(s->Images());
        SetImageIndex(s->ImageIndex());
        SetVisible(s->Visible());
        SetWidth(s->Width());
        return;
    }
    TPersistent::Assign(Source);
}

void TEditImageVz::Changed() {
    if (FEditControl) FEditControl->Perform(CM_EDITIMAGECHANGEDVz, reinterpret_cast<WPARAM>(this), 0);
}

void TEditImageVz::SetImageIndex(int Value) {
    if (FImageIndex == Value) return;
    FImageIndex = Value;
    if (FEditControl) FEditControl->Invalidate();
}

void TEditImageVz::SetImages(TCustomImageList* Value) {
    if (FImages == Value) return;
    FImages = Value;
    if (FImages && FEditControl) FImages->FreeNotification(FEditControl);
    Changed();
}

void TEditImageVz::SetUseImageHeight(bool Value) {
    if (FUseImageHeight == Value) return;
    FUseImageHeight = Value;
    Changed();
}

void TEditImageVz::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    Changed();
}

void TEditImageVz::SetWidth(int Value) {
    if (FWidth == Value) return;
    FWidth = Value;
    Changed();
}

bool TEditImageVz::Showing() const { return FVisible && FImages && FImageIndex >= 0; }

int TEditImageVz::DrawWidth() const {
    if (!FVisible || !FImages) return 0;
    return FWidth > 0 ? FWidth + 4 : FImages->Width() + 4;
}

// ---- TCustomControlEmptyDataInfoVz -----------------------------------------------------------------

TCustomControlEmptyDataInfoVz::TCustomControlEmptyDataInfoVz(TControl* AControl)
    : FControl(AControl), FFont(NewOwned<TFont>()) {}

TCustomControlEmptyDataInfoVz::~TCustomControlEmptyDataInfoVz() = default;

void TCustomControlEmptyDataInfoVz::AfterConstruction() {
    TPersistent::AfterConstruction();
    if (TFont* d = DefaultFont()) FFont->Assign(d);
    FFont->SetColor(TColor(12632256));  // RGB 192, 192, 192
    TFontStyles st = FFont->Style();
    st.Include(fsItalic);
    FFont->SetStyle(st);
    FFont->OnChange = TNotifyEvent(this, &TCustomControlEmptyDataInfoVz::FontChanged);
    FAlignment = DefaultAlignment();
    FParentFont = true;
    FColor = clDefault;
}

void TCustomControlEmptyDataInfoVz::Invalidate() {
    if (FControl) FControl->Invalidate();
}

void TCustomControlEmptyDataInfoVz::FontChanged(TObject*) {
    FParentFont = false;
    Invalidate();
}

bool TCustomControlEmptyDataInfoVz::Showing() const {
    if (FText.isEmpty() && FColor == clDefault) return false;
    return ControlIsEmpty();
}

void TCustomControlEmptyDataInfoVz::RefreshDefaultFont() {
    if (!FParentFont) return;
    TFont* d = DefaultFont();
    if (!d) return;
    TNotifyEvent saved = FFont->OnChange;
    FFont->OnChange = nullptr;
    FFont->SetSize(d->Size());
    FFont->SetName(d->Name());
    FFont->SetCharset(d->Charset());
    FFont->OnChange = saved;
}

TColor TCustomControlEmptyDataInfoVz::ActualColor() const { return FColor == clDefault ? DefaultColor() : FColor; }

void TCustomControlEmptyDataInfoVz::SetColor(TColor Value) {
    if (FColor == Value) return;
    FColor = Value;
    Invalidate();
}

void TCustomControlEmptyDataInfoVz::SetText(const String& Value) {
    if (FText == Value) return;
    FText = Value;
    Invalidate();
}

void TCustomControlEmptyDataInfoVz::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    RefreshDefaultFont();
    Invalidate();
}

void TCustomControlEmptyDataInfoVz::SetAlignment(TAlignment Value) {
    FAlignmentIsStored = true;
    if (FAlignment == Value) return;
    FAlignment = Value;
    Invalidate();
}

void TCustomControlEmptyDataInfoVz::SetAlignmentIsStored(bool Value) {
    if (FAlignmentIsStored == Value) return;
    if (Value) {
        FAlignment = DefaultAlignment();
        FAlignmentIsStored = true;
    } else {
        FAlignmentIsStored = false;
    }
    Invalidate();
}
