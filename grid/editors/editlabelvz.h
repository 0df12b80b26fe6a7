// The caption label of an editor: a label that follows its editor around (parent, visibility,
// bidi mode) at one of fourteen places above, below, left or right of it, at a spacing measured
// from the near or the far edge of the label. Without a caption of its own it shows what the
// editor answers (its field's display name, else its name).
#pragma once

#include "platform/gui/stdctrls.h"

class TControlLabelLocationVz;

enum TLabelPositionVz {
    lpAboveLeftVz, lpAboveCenterVz, lpAboveRightVz, lpBelowLeftVz, lpBelowCenterVz, lpBelowRightVz, lpLeftTopVz,
    lpLeftTextBaselineVz, lpLeftCenterVz, lpLeftBottomVz, lpRightTopVz, lpRightTextBaselineVz, lpRightCenterVz,
    lpRightBottomVz
};
enum TSpacingBoundVz { sbNearBoundVz, sbFarBoundVz };

// What a control with a caption label answers the label.
class IControlLabelOwnerVz {
public:
    virtual ~IControlLabelOwnerVz() = default;
    virtual void GetControlLabelCaption(String& Caption) = 0;
    virtual int GetControlTextBaseLine() = 0;
    virtual void AdjustLabelBounds() = 0;
    virtual void LabelLocationChanged() = 0;
};

// Where a label of LabelWidth x LabelHeight stands for an editor with bounds Editor and the text
// base line BaseLine (from the editor's top).
TPoint CalcLabelPosVz(const TRect& Editor, int LabelWidth, int LabelHeight, const TControlLabelLocationVz* Location,
                      int BaseLine);

class TControlLabelVz;
// Moves Label to where Location puts it beside Editor (nothing without a label or a location).
void PlaceControlLabelVz(TControl* Editor, TControlLabelVz* Label, const TControlLabelLocationVz* Location,
                         int BaseLine);
// The base line of a one-line text in Font inside a sunken single border.
int ControlTextBaseLineVz(TFont* Font);

class TControlLabelLocationVz : public TPersistent {
    SDELKA_CLASS(TControlLabelLocationVz, TPersistent)
public:
    explicit TControlLabelLocationVz(IControlLabelOwnerVz* AOwner) : FOwner(AOwner) {}
    void Assign(TPersistent* Source) override;

    int Spacing() const { return FSpacing; }
    void SetSpacing(int Value);
    int Offset() const { return FOffset; }
    void SetOffset(int Value);
    TLabelPositionVz Position() const { return FPosition; }
    void SetPosition(TLabelPositionVz Value);
    TSpacingBoundVz LabelSpacingBound() const { return FLabelSpacingBound; }
    void SetLabelSpacingBound(TSpacingBoundVz Value);

private:
    void Changed();
    IControlLabelOwnerVz* FOwner;
    int FSpacing = 3;
    int FOffset = 0;
    TLabelPositionVz FPosition = lpAboveLeftVz;
    TSpacingBoundVz FLabelSpacingBound = sbNearBoundVz;
};

class TControlLabelVz : public TLabel {
    SDELKA_CLASS(TControlLabelVz, TLabel)
protected:
    // Owned by the editor, which is its focus control.
    TControlLabelVz(TWinControl* AEditControl, IControlLabelOwnerVz* ALabelOwner);
    ~TControlLabelVz() override = default;

public:
    // The label's own flag; the label shows when it and the editor are visible.
    bool LabelVisible() const { return FLabelVisible; }
    void SetLabelVisible(bool Value);
    String Caption() const { return Text(); }
    // An empty caption goes back to the editor's answer.
    void SetCaption(const String& Value);
    bool CaptionStored() const { return FCaptionStored; }

    // The editor's answer while no caption is given.
    void UpdateCaption();
    // Parented with the editor while visible.
    void UpdateParent();
    void UpdateVisibility();
    // Sizes the label to its text, then lets the editor place it.
    void AdjustLabelBounds();

protected:
    void TextChanged() override;
    void FontChanged() override;

private:
    TWinControl* FEditControl;
    IControlLabelOwnerVz* FLabelOwner;
    bool FLabelVisible = false;
    bool FCaptionStored = false;
    bool FUpdatingCaption = false;
    bool FAdjusting = false;
};
