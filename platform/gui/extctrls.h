// Painted containers and graphic controls: TGroupBox, TRadioGroup, TBevel, TShape, TImage,
// TSplitter and the scrolling container TScrollBox.
#pragma once

#include "platform/gui/imaging.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/lists.h"

#include <memory>
#include <vector>

class QScrollBar;

// ---- group box and radio group -----------------------------------------------------------------

// A classic etched frame with the caption in its top edge; children sit inside it.
class TCustomGroupBox : public TCustomControl {
    SDELKA_CLASS(TCustomGroupBox, TCustomControl)
protected:
    explicit TCustomGroupBox(TComponent* AOwner);
    ~TCustomGroupBox() override = default;

public:
    TRect AdjustClientRect() const override;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    int CaptionHeight() const;
};

class TGroupBox : public TCustomGroupBox {
    SDELKA_CLASS(TGroupBox, TCustomGroupBox)
protected:
    ~TGroupBox() override = default;

private:
public:
    using TCustomGroupBox::TCustomGroupBox;
};

// A group of radio buttons made from Items, laid out in Columns. Choosing an item (by the user or
// by setting ItemIndex) fires OnClick, as the framework's radio group does.
class TCustomRadioGroup : public TCustomGroupBox {
    SDELKA_CLASS(TCustomRadioGroup, TCustomGroupBox)
protected:
    explicit TCustomRadioGroup(TComponent* AOwner);
    ~TCustomRadioGroup() override;

public:
    void BeforeDestruction() override;

    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int Value);
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    int ButtonCount() const { return static_cast<int>(FButtons.size()); }
    TRadioButton* Buttons(int Index) const { return FButtons.at(static_cast<size_t>(Index)); }

protected:
    void Resize() override;
    void EnabledChanged() override;
    void FontChanged() override;

private:
    void ItemsChanged(TObject*);
    void UpdateButtons();
    void ArrangeButtons();
    void ButtonClick(TObject* Sender);
    TOwned<TStringList> FItems;
    std::vector<TRadioButton*> FButtons;
    int FItemIndex = -1;
    int FColumns = 1;
    bool FUpdating = false;
};

class TRadioGroup : public TCustomRadioGroup {
    SDELKA_CLASS(TRadioGroup, TCustomRadioGroup)
protected:
    ~TRadioGroup() override = default;

private:
public:
    using TCustomRadioGroup::TCustomRadioGroup;
};

// ---- bevel and shape ---------------------------------------------------------------------------

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
    SDELKA_CLASS(TBevel, TGraphicControl)
protected:
    explicit TBevel(TComponent* AOwner);
    ~TBevel() override = default;

public:
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape Value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle Value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
    SDELKA_CLASS(TShape, TGraphicControl)
protected:
    explicit TShape(TComponent* AOwner);
    ~TShape() override;

public:
    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType Value);
    TPen* Pen() const { return FPen.get(); }
    void SetPen(TPen* Value) { FPen->Assign(Value); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetBrush(TBrush* Value) { FBrush->Assign(Value); }

protected:
    void Paint() override;

private:
    void StyleChanged(TObject*) { Invalidate(); }
    TShapeType FShape = stRectangle;
    TOwned<TPen> FPen;
    TOwned<TBrush> FBrush;
};

// ---- image -------------------------------------------------------------------------------------

class TImage : public TGraphicControl {
    SDELKA_CLASS(TImage, TGraphicControl)
protected:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

public:
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    // A canvas on the picture's bitmap; an empty picture gets a bitmap of the control's size.
    // EInvalidOperation when the picture holds another kind of graphic.
    TCanvas* Canvas();
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    // Where the picture is drawn in the control.
    TRect DestRect() const;

    TNotifyEvent OnProgress;

protected:
    void Paint() override;

private:
    void PictureChanged(TObject*);
    TOwned<TPicture> FPicture;
    bool FStretch = false;
    bool FCenter = false;
    bool FProportional = false;
    bool FTransparent = false;
    bool FAutoSize = false;
    bool FDrawing = false;
};

// ---- splitter ----------------------------------------------------------------------------------

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using TCanResizeEvent = TEvent<void(TObject* Sender, int& NewSize, bool& Accept)>;

// Drags the edge of the control aligned just before it (on its Align side). The new size stays
// between MinSize and what leaves MinSize to the rest of the parent; rsUpdate resizes while
// dragging, the other styles when the button is released. OnMoved after each resize.
class TSplitter : public TGraphicControl {
    SDELKA_CLASS(TSplitter, TGraphicControl)
protected:
    explicit TSplitter(TComponent* AOwner);
    ~TSplitter() override = default;

public:
    int MinSize() const { return FMinSize; }
    void SetMinSize(int Value) { FMinSize = std::max(1, Value); }
    TResizeStyle ResizeStyle() const { return FResizeStyle; }
    void SetResizeStyle(TResizeStyle Value) { FResizeStyle = Value; }
    bool AutoSnap() const { return FAutoSnap; }
    void SetAutoSnap(bool Value) { FAutoSnap = Value; }
    // The control this splitter resizes (found when a drag starts).
    TControl* FindControl() const;

    TNotifyEvent OnMoved;
    TCanResizeEvent OnCanResize;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void CalcSplitSize(int X, int Y, int& NewSize, int& Split);
    void UpdateSize();
    TControl* FControl = nullptr;
    TPoint FDownPos;
    int FMinSize = 30;
    int FMaxSize = 0;
    int FNewSize = 0;
    int FOldSize = 0;
    bool FDragging = false;
    bool FAutoSnap = true;
    TResizeStyle FResizeStyle = rsPattern;
};

// ---- scroll box --------------------------------------------------------------------------------

class TScrollBox;

// One scroll bar of a scrolling container: Range is the extent of the contents (with AutoScroll,
// the farthest child edge), Position how far they are scrolled.
class TControlScrollBar : public TPersistent {
    SDELKA_CLASS(TControlScrollBar, TPersistent)
public:
    TControlScrollBar(TScrollBox* AControl, TScrollBarKind AKind) : FControl(AControl), FKind(AKind) {}
    TScrollBarKind Kind() const { return FKind; }
    int Range() const { return FRange; }
    void SetRange(int Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = std::max(1, Value); }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // Shown: visible and the range exceeds the client size.
    bool IsScrollBarVisible() const { return FShown; }
    int ScrollPos() const { return IsScrollBarVisible() ? FPosition : 0; }

private:
    friend class TScrollBox;
    TScrollBox* FControl;
    TScrollBarKind FKind;
    int FRange = 0;
    int FPosition = 0;
    int FIncrement = 8;
    bool FVisible = true;
    bool FRangeSet = false;  // set by code: AutoScroll does not compute it
    bool FShown = false;
};

class TScrollBox : public TCustomControl {
    SDELKA_CLASS(TScrollBox, TCustomControl)
protected:
    explicit TScrollBox(TComponent* AOwner);
    ~TScrollBox() override;

public:
    TControlScrollBar* HorzScrollBar() const { return FHorz.get(); }
    TControlScrollBar* VertScrollBar() const { return FVert.get(); }
    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool Value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    // Moves every child by (DeltaX, DeltaY).
    void ScrollBy(int DeltaX, int DeltaY);
    // Scrolls so that the control is in view.
    void ScrollInView(TControl* AControl);
    TRect ClientRect() const override;
    // Recomputes the ranges (AutoScroll) and the scroll bars.
    void UpdateScrollBars();

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void Paint() override;
    void Resize() override;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

private:
    friend class TControlScrollBar;
    void CalcAutoRange();
    void PlaceBars();
    TOwned<TControlScrollBar> FHorz;
    TOwned<TControlScrollBar> FVert;
    QScrollBar* FHBar = nullptr;
    QScrollBar* FVBar = nullptr;
    bool FAutoScroll = true;
    TFormBorderStyle FBorderStyle = bsSingle;
    bool FUpdating = false;
};
