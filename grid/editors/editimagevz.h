// Two small parts of the editors that describe something painted inside an edit control: the
// image at the left of the text (TEditImageVz), and the grey hint text an empty control shows
// (TCustomControlEmptyDataInfoVz; each editor supplies its own defaults and its painting).
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/graphics.h"

class TCustomImageList;

// Sent to the edit control when the image's size or visibility changed (WParam: the image).
constexpr UINT CM_EDITIMAGECHANGEDVz = WM_USER + 101;

class TEditImageVz : public TPersistent {
    SDELKA_CLASS(TEditImageVz, TPersistent)
protected:
    explicit TEditImageVz(TWinControl* EditControl) : FEditControl(EditControl) {}
    ~TEditImageVz() override = default;

public:

    void Assign(TPersistent* Source) override;

    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* Value);
    bool UseImageHeight() const { return FUseImageHeight; }
    void SetUseImageHeight(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TWinControl* EditControl() const { return FEditControl; }

    // Visible with images and an image chosen.
    bool Showing() const;
    // The room the image takes at the left of the text (0 when not visible or without images).
    int DrawWidth() const;

private:
    void Changed();

    TWinControl* FEditControl = nullptr;
    int FImageIndex = -1;
    TCustomImageList* FImages = nullptr;
    bool FUseImageHeight = true;
    bool FVisible = false;
    int FWidth = 0;
};

// The hint text painted inside a control while it is empty: grey italic in its own font (which
// follows the control's while ParentFont), an optional background colour and an alignment that
// follows the control's until set.
class TCustomControlEmptyDataInfoVz : public TPersistent {
    SDELKA_CLASS(TCustomControlEmptyDataInfoVz, TPersistent)
protected:
    explicit TCustomControlEmptyDataInfoVz(TControl* AControl);
    ~TCustomControlEmptyDataInfoVz() override;

public:
    // Takes the descendant's defaults (font, alignment) once the object is made.
    void AfterConstruction() override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    const String& Text() const { return FText; }
    void SetText(const String& Value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    TAlignment Alignment() const { return FAlignmentIsStored ? FAlignment : DefaultAlignment(); }
    void SetAlignment(TAlignment Value);
    bool AlignmentIsStored() const { return FAlignmentIsStored; }
    void SetAlignmentIsStored(bool Value);
    TControl* Control() const { return FControl; }

    // Shown only with a text or a colour of its own, and while the control is empty.
    bool Showing() const;
    // While ParentFont: size, name and charset of the default font (colour and italic stay).
    void RefreshDefaultFont();
    // Color, or the default colour while Color is clDefault.
    virtual TColor ActualColor() const;

    virtual TAlignment DefaultAlignment() const { return taLeftJustify; }
    virtual TFont* DefaultFont() const { return nullptr; }
    virtual TColor DefaultColor() const { return clWindow; }
    virtual bool ControlIsEmpty() const { return false; }
    virtual void PaintEmptyDataInfo() {}

private:
    void FontChanged(TObject* Sender);
    void Invalidate();

    TControl* FControl = nullptr;
    TOwned<TFont> FFont;
    bool FParentFont = true;
    TColor FColor = clDefault;
    String FText;
    TAlignment FAlignment = taLeftJustify;
    bool FAlignmentIsStored = false;
};
