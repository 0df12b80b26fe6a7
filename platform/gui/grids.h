// The framework's plain grids: TCustomGrid (a self-painted control of cells in columns and rows,
// the first FixedCols columns and FixedRows rows fixed), TDrawGrid (cells drawn by OnDrawCell),
// TStringGrid (a string and an object per cell) and TInplaceEdit, the masked edit that edits a cell.
//
// Geometry: every column has a width and every row a height (a negative one hides it); a grid line
// of GridLineWidth pixels follows each cell. The fixed cells stay put; the others scroll, TopRow
// and LeftCol being the first ones shown after the fixed ones.
//
// Current cell and selection: Col/Row is the current cell; Selection is the rectangle between it and
// the anchor (goRangeSelect: Shift with the keys moves the current cell, a mouse drag the anchor;
// goRowSelect: whole rows). Each move asks SelectCell (OnSelectCell), which may refuse it: the old
// cell stays. Moves by code or by the user scroll the new cell into view and end with Click.
//
// Editing (goEditing, not goRowSelect): Enter or F2 or a typed character shows the in-place editor
// over the current cell with GetEditText (OnGetEditText) and GetEditMask (OnGetEditMask); each
// change of its text is handed to SetEditText (OnSetEditText); Enter or a move to another cell ends
// the edit with a last SetEditText; Esc ends it with the text the cell had when the edit began.
//
// Scroll bars (ScrollBars) show when there is something to scroll; their positions run 0..127 over
// the scrollable rows or columns, as the framework's do; the thumb scrolls on release, or while it
// is dragged with goThumbTracking. WM_VSCROLL and WM_HSCROLL (code in the low word, the thumb's
// position in the high word) scroll as the bars do.
//
// Not here: right-to-left layout, the single-column pixel scrolling, the drag image of a moving row
// or column (the move is applied on release), automatic scrolling while a drag leaves the grid, and
// a border (place the grid on a panel for a frame).
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/gridtypes.h"
#include "platform/gui/memo.h"
#include "platform/gui/rangectrls.h"
#include "platform/rtl/lists.h"

#include <memory>
#include <vector>

class QScrollBar;
class TCustomGrid;

// "Grid index out of range", "Fixed column count must be less than column count" ...
SDELKA_EXCEPTION(EInvalidGridOperation, Exception)

enum TGridOption {
    goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect, goDrawFocusSelected, goRowSizing,
    goColSizing, goRowMoving, goColMoving, goEditing, goTabs, goRowSelect, goAlwaysShowEditor, goThumbTracking
};
using TGridOptions = TSet<TGridOption, 16>;
inline const TGridOptions DefaultGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                                             goRangeSelect};

enum TGridState { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

// One axis of the grid as laid out in the client area (pixels).
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0;
    int FixedBoundary = 0;        // end of the fixed cells (with their lines)
    int GridBoundary = 0;         // end of the cells shown (clipped to GridExtent)
    int GridExtent = 0;           // the client width or height
    int LastFullVisibleCell = 0;  // the last cell shown whole (at least FirstGridCell)
    int FullVisBoundary = 0;      // end of LastFullVisibleCell
    int FixedCellCount = 0;
    int FirstGridCell = 0;        // LeftCol or TopRow
    int GridCellCount = 0;
    const std::vector<int>* Extents = nullptr;
    int GetExtent(int Index) const;
    // The extent and the line after it; 0 for a hidden cell.
    int Span(int Index) const;
};

struct TGridDrawInfo {
    TGridAxisDrawInfo Horz;
    TGridAxisDrawInfo Vert;
};

using TMovedEvent = TEvent<void(TObject* Sender, int FromIndex, int ToIndex)>;
using TDrawCellEvent = TEvent<void(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State)>;
using TSelectCellEvent = TEvent<void(TObject* Sender, int ACol, int ARow, bool& CanSelect)>;
using TGetEditEvent = TEvent<void(TObject* Sender, int ACol, int ARow, String& Value)>;
using TSetEditEvent = TEvent<void(TObject* Sender, int ACol, int ARow, const String& Value)>;

// ---- in-place editor ---------------------------------------------------------------------------
// Keys that move in the grid (Up, Down, PgUp, PgDn, Tab, Ctrl with Left/Right/Home/End, Left or
// Right at the ends of the text, Enter, Esc) go to the grid; the others edit the text.
class TInplaceEdit : public TCustomMaskEdit {
    SDELKA_CLASS(TInplaceEdit, TCustomMaskEdit)
protected:
    explicit TInplaceEdit(TComponent* AOwner);
    ~TInplaceEdit() override = default;

public:
    TCustomGrid* Grid() const { return FGrid; }
    void SetGrid(TCustomGrid* Value) { FGrid = Value; }
    // Reads the text and the mask of the grid's current cell and selects the text.
    virtual void UpdateContents();
    // Places the editor over the rectangle (client coordinates of the grid) and shows it.
    void Move(const TRect& Loc);
    // A character typed on the grid that opens the editor: it replaces the selected text.
    void TypeChar(Char Key);

protected:
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void Dispatch(TMessage& Message) override;

private:
    friend class TCustomGrid;
    TCustomGrid* FGrid = nullptr;
    int FUpdating = 0;
};

// ---- the grid ----------------------------------------------------------------------------------
class TCustomGrid : public TCustomControl {
    SDELKA_CLASS(TCustomGrid, TCustomControl)
protected:
    explicit TCustomGrid(TComponent* AOwner);
    ~TCustomGrid() override;

public:
    // ---- size
    int ColCount() const { return FColCount; }
    // Fewer columns than fixed ones lower FixedCols; at least one column.
    void SetColCount(int Value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    int FixedCols() const { return FFixedCols; }
    // EInvalidGridOperation when not below ColCount.
    void SetFixedCols(int Value);
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int Value);
    TColor FixedColor() const { return FFixedColor; }
    void SetFixedColor(TColor Value);
    int DefaultColWidth() const { return FDefaultColWidth; }
    // Sets every column to the width.
    void SetDefaultColWidth(int Value);
    int DefaultRowHeight() const { return FDefaultRowHeight; }
    void SetDefaultRowHeight(int Value);
    int ColWidths(int Index) const;
    void SetColWidths(int Index, int Value);
    int RowHeights(int Index) const;
    void SetRowHeights(int Index, int Value);
    int GridLineWidth() const { return FGridLineWidth; }
    void SetGridLineWidth(int Value);
    // The total width and height of all columns and rows with their lines.
    int GridWidth() const;
    int GridHeight() const;

    // ---- position
    int Col() const { return FCurrent.X; }
    void SetCol(int Value);
    int Row() const { return FCurrent.Y; }
    void SetRow(int Value);
    TGridRect Selection() const;
    void SetSelection(const TGridRect& Value);
    int TopRow() const { return FTopLeft.Y; }
    void SetTopRow(int Value);
    int LeftCol() const { return FTopLeft.X; }
    void SetLeftCol(int Value);
    // Columns and rows after the fixed ones shown whole (at least 1).
    int VisibleColCount() const;
    int VisibleRowCount() const;

    // ---- behaviour and look
    TGridOptions Options() const { return FOptions; }
    void SetOptions(TGridOptions Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool DefaultDrawing() const { return FDefaultDrawing; }
    void SetDefaultDrawing(bool Value) { FDefaultDrawing = Value; Invalidate(); }
    bool EditorMode() const { return FEditorMode; }
    void SetEditorMode(bool Value);
    TInplaceEdit* InplaceEditor() const { return FInplaceEdit; }
    TGridState GridState() const { return FGridState; }

    // ---- geometry
    // The cell's rectangle in client coordinates, clipped to the client area; empty when the cell
    // is not shown.
    TRect CellRect(int ACol, int ARow) const;
    // The cell under a client point; (-1, -1) outside the cells.
    TGridCoord MouseCoord(int X, int Y) const;
    void MouseToCell(int X, int Y, int& ACol, int& ARow) const;
    // The client area less the scroll bars shown.
    TRect ClientRect() const override;

    // ---- events
    TMovedEvent OnColumnMoved;
    TMovedEvent OnRowMoved;
    TNotifyEvent OnTopLeftChanged;

protected:
    // ---- hooks the data grid overrides
    virtual void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {}
    virtual bool SelectCell(int ACol, int ARow) { return true; }
    virtual void SizeChanged(int OldColCount, int OldRowCount) {}
    virtual void TopLeftChanged();
    virtual void ColumnMoved(int FromIndex, int ToIndex);
    virtual void RowMoved(int FromIndex, int ToIndex);
    virtual void ColWidthsChanged();
    virtual void RowHeightsChanged();
    virtual String GetEditText(int ACol, int ARow) { return String(); }
    virtual void SetEditText(int ACol, int ARow, const String& Value) {}
    virtual String GetEditMask(int ACol, int ARow) { return String(); }
    virtual int GetEditLimit() { return 0; }
    virtual bool CanEditAcceptKey(Char Key) { return true; }
    virtual bool CanEditShow();
    virtual bool CanEditModify() { return true; }
    virtual bool CanGridAcceptKey(Word Key, TShiftState Shift) { return true; }
    virtual TInplaceEdit* CreateEditor();
    virtual bool BeginColumnDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual bool BeginRowDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual bool EndColumnDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual bool EndRowDrag(int& Origin, int& Destination, const TPoint& MousePt) { return true; }
    virtual void InvalidateCell(int ACol, int ARow);
    virtual void InvalidateCol(int ACol);
    virtual void InvalidateRow(int ARow);
    void InvalidateGrid() { Invalidate(); }
    void InvalidateEditor();
    // Moves a column (IsColumn) or a row with its width or height, then ColumnMoved/RowMoved.
    virtual void MoveColRow(bool IsColumn, int FromIndex, int ToIndex);
    void MoveColumn(int FromIndex, int ToIndex) { MoveColRow(true, FromIndex, ToIndex); }
    void MoveRow(int FromIndex, int ToIndex) { MoveColRow(false, FromIndex, ToIndex); }
    void Paint() override;

    // ---- the editor
    void ShowEditor();
    void HideEditor();
    void ShowEditorChar(Char Ch);
    void UpdateEdit();
    // Hands the editor's text to SetEditText.
    void UpdateText();
    // Ends the edit dropping what was typed.
    void CancelEdit();

    // ---- moving
    void FocusCell(int ACol, int ARow, bool MoveAnchor);
    void MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show);
    void MoveAnchor(const TGridCoord& NewAnchor);
    void MoveTopLeft(int ALeft, int ATop);
    void ClampInView(const TGridCoord& Coord);
    void ScrollData(int DX, int DY) { Invalidate(); }
    void DeleteColumn(int ACol);
    void DeleteRow(int ARow);

    // ---- layout
    void CalcDrawInfo(TGridDrawInfo& DrawInfo) const;
    // The layout for a given client size.
    void CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight) const;
    TGridCoord CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo) const;
    TGridCoord CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo) const;
    TRect BoxRect(int ALeft, int ATop, int ARight, int ABottom) const;
    void GridRectToScreenRect(const TGridRect& GridRect, TRect& ScreenRect, bool IncludeLine) const;
    void UpdateScrollRange();
    void UpdateScrollPos();
    // One scroll action of a bar (SB_*); Pos is the thumb's position (0..127) for the thumb codes.
    void ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos, bool UseRightToLeft = false);
    int FixedBoundaryX() const;

    // ---- input
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void Dispatch(TMessage& Message) override;
    bool HostEvent(QEvent* Event) override;
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void DestroyWnd() override;
    void Resize() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Colour of the lines between the non-fixed cells.
    TColor GridLineColor() const;

    TGridCoord FCurrent{1, 1};
    TGridCoord FAnchor{1, 1};
    TGridCoord FTopLeft{1, 1};
    TGridOptions FOptions = DefaultGridOptions;
    TGridState FGridState = gsNormal;
    TInplaceEdit* FInplaceEdit = nullptr;
    int FInplaceCol = -1;
    int FInplaceRow = -1;
    bool FEditorMode = false;

    void ChangeSize(int NewColCount, int NewRowCount);

private:
    friend class TInplaceEdit;
    void CalcAxis(TGridAxisDrawInfo& Axis, int Extent) const;
    void CalcFixedInfo(TGridDrawInfo& DrawInfo) const;
    void SizingState(int X, int Y, const TGridDrawInfo& DrawInfo);
    void ResizeLine(const TGridDrawInfo& DrawInfo);
    void SelectionMoved(const TGridRect& OldSel);
    void InvalidateGridRect(const TGridRect& R);
    void DrawLines(HDC DC, bool DoHorz, bool DoVert, int StartCol, int StartRow, const TRect& Area, TColor LineColor,
                   const TGridDrawInfo& DrawInfo);
    void DrawCells(int ACol, int ARow, int StartX, int StartY, int StopX, int StopY, TColor AColor,
                   TGridDrawState IncludeDrawState, const TGridDrawInfo& DrawInfo);
    bool ScrollBarShown(bool Vertical) const { return Vertical ? FVertShown : FHorzShown; }
    void PlaceBars();
    void BarAction(bool Vertical, int Action);
    bool IsActiveControl() const;

    int FColCount = 5;
    int FRowCount = 5;
    int FFixedCols = 1;
    int FFixedRows = 1;
    TColor FFixedColor = clBtnFace;
    int FDefaultColWidth = 64;
    int FDefaultRowHeight = 24;
    int FGridLineWidth = 1;
    std::vector<int> FColWidths;
    std::vector<int> FRowHeights;
    TScrollStyle FScrollBars = ssBoth;
    bool FDefaultDrawing = true;
    bool FHorzShown = false;
    bool FVertShown = false;
    QScrollBar* FHBar = nullptr;
    QScrollBar* FVBar = nullptr;
    int FBarSyncing = 0;
    // Sizing and moving with the mouse.
    int FSizingIndex = 0;
    int FSizingPos = 0;
    int FSizingOfs = 0;
    int FMoveIndex = 0;
    int FMovePos = 0;
    String FEditStartText;  // the cell's text when the edit began (Esc puts it back)
};

// ---- draw grid ---------------------------------------------------------------------------------
class TDrawGrid : public TCustomGrid {
    SDELKA_CLASS(TDrawGrid, TCustomGrid)
protected:
    explicit TDrawGrid(TComponent* AOwner) : TCustomGrid(AOwner) {}
    ~TDrawGrid() override = default;

public:
    TDrawCellEvent OnDrawCell;
    TSelectCellEvent OnSelectCell;
    TGetEditEvent OnGetEditMask;
    TGetEditEvent OnGetEditText;
    TSetEditEvent OnSetEditText;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    bool SelectCell(int ACol, int ARow) override;
    String GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const String& Value) override;
    String GetEditMask(int ACol, int ARow) override;
};

// ---- string grid -------------------------------------------------------------------------------
class TStringGrid;

// A column (or a row) of a string grid as a list of strings: as many strings as the grid has rows
// (columns). Add fills the first empty cell; Insert and Delete are not possible.
class TStringGridStrings : public TStrings {
    SDELKA_CLASS(TStringGridStrings, TStrings)
public:
    TStringGridStrings(TStringGrid* AGrid, bool AIsCol, int AIndex) : FGrid(AGrid), FIsCol(AIsCol), FIndex(AIndex) {}
    int Add(const String& S) override;
    int AddObject(const String& S, TObject* AObject) override;
    void Insert(int Index, const String& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void Assign(TPersistent* Source) override;

protected:
    String Get(int Index) const override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void Put(int Index, const String& S) override;
    void PutObject(int Index, TObject* AObject) override;

private:
    int ColOf(int Index) const { return FIsCol ? FIndex : Index; }
    int RowOf(int Index) const { return FIsCol ? Index : FIndex; }
    TStringGrid* FGrid;
    bool FIsCol;
    int FIndex;
};

class TStringGrid : public TDrawGrid {
    SDELKA_CLASS(TStringGrid, TDrawGrid)
protected:
    explicit TStringGrid(TComponent* AOwner);
    ~TStringGrid() override;

public:
    // EInvalidGridOperation "Grid index out of range" outside the grid.
    String Cells(int ACol, int ARow) const;
    void SetCells(int ACol, int ARow, const String& Value);
    TObject* Objects(int ACol, int ARow) const;
    void SetObjects(int ACol, int ARow, TObject* Value);
    // The views stay valid while the grid lives; an index outside the grid raises.
    TStrings* Cols(int Index);
    void SetCols(int Index, TStrings* Value) { Cols(Index)->Assign(Value); }
    TStrings* Rows(int Index);
    void SetRows(int Index, TStrings* Value) { Rows(Index)->Assign(Value); }

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    String GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const String& Value) override;
    void SizeChanged(int OldColCount, int OldRowCount) override;
    void ColumnMoved(int FromIndex, int ToIndex) override;
    void RowMoved(int FromIndex, int ToIndex) override;

private:
    struct TCell {
        String Text;
        TObject* Object = nullptr;
    };
    TCell* CellAt(int ACol, int ARow) const;
    void CheckCell(int ACol, int ARow) const;
    // FData[row][col]; rows and columns as the grid has them.
    mutable std::vector<std::vector<TCell>> FData;
    std::vector<TOwned<TStringGridStrings>> FColViews;
    std::vector<TOwned<TStringGridStrings>> FRowViews;
    int FEditUpdate = 0;
};

