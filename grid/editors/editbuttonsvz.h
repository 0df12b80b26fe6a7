// The row of edit buttons of a data-aware editor: TEditButtonsBoxVz is the child window at the
// editor's right edge (left for right-to-left) that holds one button control per edit button,
// entry 0 being the editor's main button, each followed by its separator line. The editor fills
// the entries and hands the box its events; the box lays the controls out side by side.
#pragma once

#include "grid/base/buttonsvz.h"

#include <vector>

class TShape;

// One entry of the box: the button, the control that draws and runs it, and the line after it.
struct TEditButtonControlLineRec {
    TShape* ButtonLine = nullptr;
    TEditButtonControlVz* EditButtonControl = nullptr;
    TEditButtonVz* EditButton = nullptr;
};
using TEditButtonControlList = std::vector<TEditButtonControlLineRec>;

using TCreateEditButtonControlEventVz = std::function<TEditButtonControlVz*()>;

// The width of flat edit buttons that have no Width of their own (the grids read it too).
int& FlatEditButtonWidthVz();

// Copies the button's look and state onto its control and sizes it: a hidden button is 0 wide,
// otherwise the button's Width, or FlatEditButtonWidthVz (flat) or the scroll bar's width.
// ButtonHeight becomes the smaller of itself and the height this button wants: MaxButtonHeight, or
// a flat button's own height when MaxButtonHeight is more than one and a half widths.
void UpdateEditButtonControlVz(TEditButtonControlLineRec& Rec, bool Flat, int& ButtonHeight, int MaxButtonHeight);

class TEditButtonsBoxVz : public TWinControl {
    SDELKA_CLASS(TEditButtonsBoxVz, TWinControl)
protected:
    explicit TEditButtonsBoxVz(TComponent* AOwner);
    ~TEditButtonsBoxVz() override = default;

public:
    void BeginLayout() { ++FLayoutCount; }
    // The outermost one lays the buttons out.
    void EndLayout();
    int ButtonsCount() const { return static_cast<int>(FBtnCtlList.size()); }
    // Frees the surplus entries' controls and lines; new entries get a control from
    // OnCreateEditButtonControl and a line, both parented to the box.
    void SetButtonsCount(int Value);
    TEditButtonControlLineRec& Entry(int Index) { return FBtnCtlList[static_cast<size_t>(Index)]; }
    const TEditButtonControlList& BtnCtlList() const { return FBtnCtlList; }
    int ButtonsWidth() const { return FButtonsWidth; }
    int ButtonHeight() const { return FButtonHeight; }
    int MaxButtonHeight() const { return FMaxButtonHeight; }
    void SetMaxButtonHeight(int Value) { FMaxButtonHeight = Value; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value) { FFlat = Value; }
    bool BorderActive() const { return FBorderActive; }
    void SetBorderActive(bool Value);

    // Sizes the controls from their buttons and places them from the leading edge.
    void UpdateEditButtonControlList();
    // Enabled as each button (all disabled with the box), active with the border.
    void UpdateEditButtonControlsState();
    // The entry whose control this is, -1 when none.
    int IndexOfControl(TObject* Control) const;

    TButtonDownEventVz OnDown;
    TNotifyEvent OnClick;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TCreateEditButtonControlEventVz OnCreateEditButtonControl;

protected:
    void EnabledChanged() override;

private:
    TEditButtonControlList FBtnCtlList;
    int FButtonsWidth = 0;
    int FButtonHeight = 0;
    int FMaxButtonHeight = 0;
    bool FFlat = false;
    bool FBorderActive = false;
    int FLayoutCount = 0;
};
