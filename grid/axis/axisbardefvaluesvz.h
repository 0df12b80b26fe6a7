// The grid's default values for the bar settings a bar does not assign itself (the fallbacks of
// the axis bars' assignable properties that come from the grid).
#pragma once

#include "grid/base/buttonsvz.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/classes.h"

class TAxisBarDefValuesVz : public TPersistent {
    SDELKA_CLASS(TAxisBarDefValuesVz, TPersistent)
public:
    TAxisBarDefValuesVz() = default;
    void Assign(TPersistent* Source) override;

    bool AlwaysShowEditButton() const { return FAlwaysShowEditButton; }
    void SetAlwaysShowEditButton(bool Value) { Store(FAlwaysShowEditButton, Value); }
    bool AutoDropDown() const { return FAutoDropDown; }
    void SetAutoDropDown(bool Value) { Store(FAutoDropDown, Value); }
    bool DblClickNextVal() const { return FDblClickNextVal; }
    void SetDblClickNextVal(bool Value) { Store(FDblClickNextVal, Value); }
    bool DropDownShowTitles() const { return FDropDownShowTitles; }
    void SetDropDownShowTitles(bool Value) { Store(FDropDownShowTitles, Value); }
    bool DropDownSizing() const { return FDropDownSizing; }
    void SetDropDownSizing(bool Value) { Store(FDropDownSizing, Value); }
    bool EndEllipsis() const { return FEndEllipsis; }
    void SetEndEllipsis(bool Value) { Store(FEndEllipsis, Value); }
    bool HighlightRequired() const { return FHighlightRequired; }
    void SetHighlightRequired(bool Value) { Store(FHighlightRequired, Value); }
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value) { Store(FLayout, Value); }
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool Value) { Store(FToolTips, Value); }
    TEditButtonDrawBackTimeVz EditButtonDrawBackTime() const { return FEditButtonDrawBackTime; }
    void SetEditButtonDrawBackTime(TEditButtonDrawBackTimeVz Value) { Store(FEditButtonDrawBackTime, Value); }

    // A value changed (the grid repaints).
    TNotifyEvent OnChanged;

private:
    template <class T>
    void Store(T& Field, T Value) {
        if (Field == Value) return;
        Field = Value;
        if (OnChanged) OnChanged(this);
    }
    bool FAlwaysShowEditButton = false;
    bool FAutoDropDown = false;
    bool FDblClickNextVal = false;
    bool FDropDownShowTitles = false;
    bool FDropDownSizing = false;
    bool FEndEllipsis = false;
    bool FHighlightRequired = false;
    TTextLayout FLayout = tlTop;
    bool FToolTips = false;
    TEditButtonDrawBackTimeVz FEditButtonDrawBackTime = edbtWhenHotVz;
};
