// Buttons: TSpeedButton (painted by us, with groups of buttons that stay down) and TBitBtn (a
// push button with a kind and a glyph).
#pragma once

#include "platform/gui/actnlist.h"
#include "platform/gui/controls.h"
#include "platform/gui/imaging.h"
#include "platform/gui/stdctrls.h"

#include <memory>

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;

class TSpeedButton;

// The link of a speed button: Checked follows as Down, GroupIndex as the button's.
class TSpeedButtonActionLink : public TControlActionLink {
    SDELKA_CLASS(TSpeedButtonActionLink, TControlActionLink)
public:
    explicit TSpeedButtonActionLink(TObject* AClient) : TControlActionLink(AClient) {}
    void SetChecked(bool Value) override;
    void SetGroupIndex(int Value) override;
};

class TSpeedButton : public TGraphicControl {
    SDELKA_CLASS(TSpeedButton, TGraphicControl)
protected:
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

public:
    bool Down() const { return FDown; }
    // Only a button of a group (GroupIndex > 0) can be down. Putting one down raises the others of
    // its group on the same parent; the last down button of a group without AllowAllUp stays down.
    void SetDown(bool Value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int Value);
    bool AllowAllUp() const { return FAllowAllUp; }
    // Shared by the whole group.
    void SetAllowAllUp(bool Value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    // The glyph: NumGlyphs images side by side (up, disabled, clicked, down).
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    TNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TNumGlyphs Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value);
    // Distance of the glyph (or the text) from the edge of its layout; -1 centres.
    int Margin() const { return FMargin; }
    void SetMargin(int Value);
    // Between glyph and text; -1 centres the text in the remaining space.
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    TButtonState State() const { return FState; }

    TBasicAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TBasicAction* Value);

    // OnClick, or the action.
    void Click() override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void EnabledChanged() override;
    void TextChanged() override { Invalidate(); }

private:
    void UpdateExclusive();
    void GlyphChanged(TObject*);
    TOwned<TBitmap> FGlyph;
    bool FDown = false;
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FFlat = false;
    TNumGlyphs FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FTransparent = true;
    bool FDragging = false;
    bool FMouseInControl = false;
    TButtonState FState = bsUp;
    TOwned<TSpeedButtonActionLink> FActionLink;
};

// Lays out a glyph and a caption in a button's client rectangle (shared by the painted buttons).
void CalcButtonLayout(const TRect& Client, TSize GlyphSize, TSize TextSize, TButtonLayout Layout, int Margin,
                      int Spacing, TPoint& GlyphPos, TRect& TextBounds);

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };

// A push button with a glyph; a Kind other than bkCustom gives the caption, the modal result and
// Default/Cancel of that kind (bkClose closes the form).
class TBitBtn : public TButton {
    SDELKA_CLASS(TBitBtn, TButton)
protected:
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

public:
    TBitBtnKind Kind() const { return FKind; }
    void SetKind(TBitBtnKind Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(TBitmap* Value);
    TNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TNumGlyphs Value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout Value) { FLayout = Value; }
    int Margin() const { return FMargin; }
    void SetMargin(int Value) { FMargin = Value; }
    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value) { FSpacing = Value; }

    TBasicAction* Action() const { return FActionLink ? FActionLink->Action() : nullptr; }
    void SetAction(TBasicAction* Value);

    void Click() override;

protected:
    void InitWidget() override;

private:
    void GlyphChanged(TObject*);
    void ApplyGlyph();
    TBitBtnKind FKind = bkCustom;
    TOwned<TBitmap> FGlyph;
    TNumGlyphs FNumGlyphs = 1;
    TButtonLayout FLayout = blGlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    TOwned<TControlActionLink> FActionLink;
};
