// The data grid's row detail panel: a scrolling child control (component name "RowDetailData")
// that opens under the current record, between its cells and the next row, indented past the
// first column's tree area, group indent and the 18-pixel expand sign every data row shows while
// the panel is active. The settings object is the grid's RowDetailPanel, the control its
// RowDetailPanelControl.
#pragma once

#include "platform/gui/extctrls.h"
#include "platform/gui/stdctrls.h"

class TCustomDBGridVz;

using TDBGridVzRowDetailPanelShowEvent = TEvent<void(TCustomDBGridVz* Sender, bool& CanShow)>;
using TDBGridVzRowDetailPanelHideEvent = TEvent<void(TCustomDBGridVz* Sender, bool& CanHide)>;
using TDBGridVzCheckRowHaveDetailPanelEvent = TEvent<void(TCustomDBGridVz* Sender, bool& RowHaveDetailPanel)>;

class TRowDetailPanelControlVz : public TScrollBox {
    SDELKA_CLASS(TRowDetailPanelControlVz, TScrollBox)
protected:
    explicit TRowDetailPanelControlVz(TComponent* AOwner);
    ~TRowDetailPanelControlVz() override = default;

public:
    bool VertSizing() const { return FVertSizing; }
    void SetVertSizing(bool Value) { FVertSizing = Value; }
    int SizingBarHeight() const { return FSizingBarHeight; }
    void SetSizingBarHeight(int Value) { FSizingBarHeight = Value; }
    bool SizingBarBeveled() const { return FSizingBarBeveled; }
    void SetSizingBarBeveled(bool Value) { FSizingBarBeveled = Value; }
    TCustomDBGridVz* Grid() const;

private:
    bool FVertSizing = false;
    int FSizingBarHeight = 8;
    bool FSizingBarBeveled = true;
};

class TRowDetailPanelVz : public TPersistent {
    SDELKA_CLASS(TRowDetailPanelVz, TPersistent)
protected:
    explicit TRowDetailPanelVz(TCustomDBGridVz* AGrid);
    ~TRowDetailPanelVz() override = default;

public:
    static void Published(TPublished<TRowDetailPanelVz>& P);
    // From another panel only Active.
    void Assign(TPersistent* Source) override;

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    // Shown under the current record; showing asks the centre and OnRowDetailPanelShow, hiding
    // OnRowDetailPanelHide, either of which may refuse.
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    int MinHeight() const { return FMinHeight; }
    void SetMinHeight(int Value);
    int MaxHeight() const { return FMaxHeight; }
    void SetMaxHeight(int Value);
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TColor Color() const;
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    bool VertSizing() const { return FVertSizing; }
    void SetVertSizing(bool Value);
    int SizingBarHeight() const { return FSizingBarHeight; }
    void SetSizingBarHeight(int Value);
    bool SizingBarBeveled() const { return FSizingBarBeveled; }
    void SetSizingBarBeveled(bool Value);
    TCustomDBGridVz* Grid() const { return FGrid; }

private:
    void Relayout();
    TCustomDBGridVz* FGrid;
    bool FActive = false;
    bool FVisible = false;
    int FWidth = 0;
    int FHeight = 120;
    int FMinHeight = 1;
    int FMaxHeight = 0;
    TWinControl* FActiveControl = nullptr;
    TBevelCut FBevelInner = bvRaised;
    TBevelCut FBevelOuter = bvLowered;
    int FBevelWidth = 1;
    TFormBorderStyle FBorderStyle = bsSingle;
    TColor FColor = clBtnFace;
    bool FParentColor = false;
    bool FVertSizing = false;
    int FSizingBarHeight = 8;
    bool FSizingBarBeveled = true;
};
