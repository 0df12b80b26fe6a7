// The small controls a base grid places around its cells: the panels along the right and bottom
// edges that each hold a real scroll bar (the grid does not use window scroll bars) and the size
// grip in the corner between them. (The feedback windows of dragging are in dragwinvz.h.) The panels talk to their grid only: a scroll action goes to its ModifyScrollBar, a
// press on a bar first asks its ScrollBarPressed, and the bars take their thickness from the
// grid's scroll-bar settings.
#pragma once

#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"

#include <vector>

class TCustomGridVz;
class TGridScrollBarPanelControlVz;

// The scroll bar inside a grid's scroll-bar panel. A press on it first tells the panel (the grid
// takes the focus).
class TControlScrollBarVz : public TScrollBar {
    SDELKA_CLASS(TControlScrollBarVz, TScrollBar)
protected:
    explicit TControlScrollBarVz(TComponent* AOwner) : TScrollBar(AOwner) {}
    ~TControlScrollBarVz() override = default;

protected:
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;
};

// A panel that holds one scroll bar of a grid and hands the bar's actions to the grid.
class TGridScrollBarPanelControlVz : public TPanel {
    SDELKA_CLASS(TGridScrollBarPanelControlVz, TPanel)
protected:
    // AOwner is the grid.
    TGridScrollBarPanelControlVz(TComponent* AOwner, TScrollBarKind AKind);
    ~TGridScrollBarPanelControlVz() override = default;

public:
    TControlScrollBarVz* ScrollBar() const { return FScrollBar; }
    TScrollBarKind Kind() const { return FKind; }
    bool KeepMaxSizeInDefault() const { return FKeepMaxSizeInDefault; }
    void SetKeepMaxSizeInDefault(bool Value);
    // Position, range and page of the bar; the bar is disabled when there is nothing to scroll.
    void SetParams(int APosition, int AMin, int AMax, int APageSize);
    // The room an extra control beside the bar may take while leaving the bar usable.
    int MaxSizeForExtraPanel() const;
    // The scroll bar asks whether a mouse press may proceed.
    virtual bool ScrollBarPressed(TControlScrollBarVz* Bar);
    bool IgnoreCancelMode() const { return FIgnoreCancelMode; }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Invalidate() override;

protected:
    void Resize() override;
    TCustomGridVz* Grid() const;

private:
    void ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
    bool FIgnoreCancelMode = false;
    TControlScrollBarVz* FScrollBar = nullptr;
    bool FKeepMaxSizeInDefault = true;
    TScrollBarKind FKind;
};

enum TGripActiveStatusVz { gasNeverVz, gasAutoVz, gasAlwaysVz };
enum TSizeGripPosition { sgpTopLeft, sgpTopRight, sgpBottomRight, sgpBottomLeft };

// The triangle a grip of W x H is cut to, on the side of its corner (client points).
std::vector<TPoint> SizeGripTriangleVz(TSizeGripPosition Position, int W, int H);

// The square in a corner of a grid between its scroll bars. It is painted in the button face; an
// active grip draws the grip lines and sizes the window it sits in when dragged.
class TSizeGripPanelVz : public TPanel {
    SDELKA_CLASS(TSizeGripPanelVz, TPanel)
protected:
    explicit TSizeGripPanelVz(TComponent* AOwner);
    ~TSizeGripPanelVz() override = default;

public:
    bool TriangleWindow() const { return FTriangleWindow; }
    void SetTriangleWindow(bool Value);
    TGripActiveStatusVz GripActiveStatus() const { return FGripActiveStatus; }
    void SetGripActiveStatus(TGripActiveStatusVz Value);
    TSizeGripPosition Position() const { return FPosition; }
    void SetPosition(TSizeGripPosition Value);
    // Whether the grip sizes its host now.
    bool GripActive() const;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    void Paint() override;
    void InitWidget() override;
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void UpdateRegion();
    TWinControl* FindHost() const;
    void UpdateCursor();
    bool FTriangleWindow = false;
    TGripActiveStatusVz FGripActiveStatus = gasNeverVz;
    TSizeGripPosition FPosition = sgpBottomRight;
    TPoint FInitFormSize;
    TPoint FInitFormPos;
    TPoint FMouseMousePos{-1, -1};
};

