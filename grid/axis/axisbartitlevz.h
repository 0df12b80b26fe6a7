// The title of an axis bar: caption, alignment, colour, font, tool tips, title button, end ellipsis,
// hint, image and popup menu. Every value follows the grid's title defaults until it is set on the
// title; which ones are set is remembered in the bar's assigned values.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/rtl/classes.h"

class TAxisBarVz;
class TPopupMenu;

class TAxisBarTitleVz : public TPersistent {
    SDELKA_CLASS(TAxisBarTitleVz, TPersistent)
public:
    explicit TAxisBarTitleVz(TAxisBarVz* AAxisBar);
    void Assign(TPersistent* Source) override;

    TAxisBarVz* AxisBar() const { return FAxisBar; }
    TAlignment Alignment();
    void SetAlignment(TAlignment Value);
    String Caption();
    // For a bar made from the data set's fields the caption goes to the field's display label.
    virtual void SetCaption(const String& Value);
    TColor Color();
    void SetColor(TColor Value);
    bool EndEllipsis();
    void SetEndEllipsis(bool Value);
    TFont* Font();
    void SetFont(TFont* Value) { FFont.Assign(Value); }
    bool TitleButton();
    void SetTitleButton(bool Value);
    bool ToolTips();
    void SetToolTips(bool Value);
    const String& Hint() const { return FHint; }
    void SetHint(const String& Value) { FHint = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value);

    TAlignment DefaultAlignment();
    TColor DefaultColor();
    TFont* DefaultFont();
    String DefaultCaption();
    bool DefaultTitleButton();
    bool DefaultEndEllipsis();
    bool DefaultToolTips();

    bool IsAlignmentStored();
    bool IsColorStored();
    bool IsCaptionStored();
    bool IsFontStored();
    bool IsTitleButtonStored();
    bool IsEndEllipsisStored();
    bool IsToolTipsStored();

    // Follow the grid again in every value.
    virtual void RestoreDefaults();

private:
    bool Assigned(int Value) const;
    void Include(int Value);
    void SyncFontSilently();
    void FontChanged();

    TAxisBarVz* FAxisBar;
    TAlignment FAlignment = taLeftJustify;
    String FCaption;
    TColor FColor = clBtnFace;
    bool FEndEllipsis = false;
    TFont FFont;
    String FHint;
    int FImageIndex = -1;
    TPopupMenu* FPopupMenu = nullptr;
    bool FToolTips = false;
    bool FTitleButton = false;
    bool FFontSyncing = false;
};
