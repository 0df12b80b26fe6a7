// TDBGrid: the framework's plain data grid, on the plain grid TCustomGrid (geometry, scrolling of
// columns, lines, column sizing and moving, the in-place editor). It shows the records of its
// data link's buffer window, one row per record, and the dataset's current record is the selected
// row: moving the dataset moves the selection, and clicking a row or pressing Up/Down/PgUp/PgDn/
// Home/End moves the dataset. Columns (TDBGridColumns of TColumn) are declared by the caller or,
// when none are, follow the dataset's visible fields (a default column keeps what was set on it
// as long as its field stays).
//
// Cells paint through Canvas: the grid prepares the canvas (the column's font and colour; the
// selected cell with brush clHighlight and font colour clHighlightText), draws the field's
// DisplayText with the column's alignment when DefaultDrawing is on (DefaultDrawColumnCell), then
// calls OnDrawColumnCell(Sender, Rect, DataCol, Column, State), where the handler may change the
// canvas and draw again. Titles and the indicator column are drawn in the button-face colour.
//
// Editing (dgEditing, and neither the grid, the column nor the field read-only): F2, Enter or a
// typed character opens an in-place editor over the cell; typing puts the dataset in edit state
// through the data link (insert state for an empty dataset); the editor's text is written into the
// field when the row or column changes, on Enter, on post, and when the grid loses the focus; Esc
// drops the editor's text and, pressed again, cancels the record. Down past the last record
// appends one; Up or Down away from an appended record that nobody changed cancels it. Ctrl+Del
// deletes the current record after the "Delete record?" confirmation (dgConfirmDelete).
//
// The grid does not repaint while the dataset's controls are disabled: it hears nothing then, and
// repaints once when they are enabled again. Selected rows (dgMultiSelect) are kept by Ctrl+click.
#pragma once

#include "platform/db/db.h"
#include "platform/gui/controls.h"
#include "platform/gui/grids.h"
#include "platform/rtl/collections.h"

#include <memory>
#include <vector>

class TCustomDBGrid;
class TColumn;
class TDBGridColumns;

enum TDBGridOption {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
    dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect, dgTitleClick,
    dgTitleHotTrack
};
using TDBGridOptions = TSet<TDBGridOption, 16>;
inline const TDBGridOptions DefaultDBGridOptions{dgEditing, dgTitles, dgIndicator, dgColumnResize, dgColLines,
                                                 dgRowLines, dgTabs, dgConfirmDelete, dgCancelOnExit,
                                                 dgTitleClick, dgTitleHotTrack};

// Which properties of a column were set by the caller (the others follow the field or the grid).
enum TColumnValue {
    cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly, cvTitleColor, cvTitleCaption, cvTitleAlignment,
    cvTitleFont
};
using TColumnValues = TSet<TColumnValue, 16>;

// Default columns follow the dataset's fields; customized ones are the caller's.
enum TDBGridColumnsState { csDefault, csCustomized };

using TDrawColumnCellEvent =
    TEvent<void(TObject* Sender, const TRect& Rect, int DataCol, TColumn* Column, TGridDrawState State)>;
using TDBGridClickEvent = TEvent<void(TColumn* Column)>;

// ---- columns -----------------------------------------------------------------------------------
class TColumnTitle : public TPersistent {
    SDELKA_CLASS(TColumnTitle, TPersistent)
public:
    explicit TColumnTitle(TColumn* Column);
    ~TColumnTitle() override;

    TColumn* Column() const { return FColumn; }
    // The field's DisplayLabel (or the FieldName) unless set.
    String Caption() const;
    void SetCaption(const String& Value);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    // clBtnFace (the grid's FixedColor) unless set.
    TColor Color() const;
    void SetColor(TColor Value);
    // The grid's TitleFont unless changed.
    TFont* Font();
    void SetFont(TFont* Value) { Font()->Assign(Value); }
    void RestoreDefaults();
    void Assign(TPersistent* Source) override;

private:
    friend class TColumn;
    void FontChanged(TObject*);
    void RefreshDefaultFont();
    TColumn* FColumn;
    String FCaption;
    TAlignment FAlignment = taLeftJustify;
    TColor FColor = clBtnFace;
    TOwned<TFont> FFont;
    bool FUpdatingFont = false;
};

class TColumn : public TCollectionItem {
    SDELKA_CLASS(TColumn, TCollectionItem)
protected:
    explicit TColumn(TCollection* Collection);
    ~TColumn() override;

public:
    TCustomDBGrid* Grid() const;
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    // The dataset's field of that name (nullptr without a dataset or with an unknown name).
    TField* Field();
    void SetField(TField* Value);
    TColumnTitle* Title() const { return FTitle.get(); }
    void SetTitle(TColumnTitle* Value) { FTitle->Assign(Value); }
    // The width from the field's DisplayWidth and the title (in pixels) unless set.
    int Width();
    void SetWidth(int Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    // The grid's Color unless set.
    TColor Color() const;
    void SetColor(TColor Value);
    // The grid's Font unless changed.
    TFont* Font();
    void SetFont(TFont* Value) { Font()->Assign(Value); }
    // The field's Alignment unless set.
    TAlignment Alignment();
    void SetAlignment(TAlignment Value);
    // Set by the caller, or the field is read-only.
    bool ReadOnly();
    void SetReadOnly(bool Value);
    TColumnValues AssignedValues() const { return FAssignedValues; }
    // The field's text for the grid's current row.
    String DisplayText();
    void RestoreDefaults();
    void Assign(TPersistent* Source) override;
    int DefaultWidth();

protected:
    String GetDisplayName() override;

private:
    friend class TColumnTitle;
    friend class TCustomDBGrid;
    friend class TDBGridColumns;
    void FontChanged(TObject*);
    void RefreshDefaultFont();
    String FFieldName;
    TField* FField = nullptr;
    bool FStored = true;  // made by the caller (not a default column)
    TOwned<TColumnTitle> FTitle;
    int FWidth = 64;
    bool FVisible = true;
    TColor FColor = clWindow;
    TOwned<TFont> FFont;
    bool FUpdatingFont = false;
    TAlignment FAlignment = taLeftJustify;
    bool FReadOnly = false;
    TColumnValues FAssignedValues;
};

class TDBGridColumns : public TCollection {
    SDELKA_CLASS(TDBGridColumns, TCollection)
protected:
    TDBGridColumns(TCustomDBGrid* Grid, TClass ColumnClass);
    ~TDBGridColumns() override = default;

public:
    // A column added by the caller makes the columns customized.
    TColumn* Add();
    TColumn* Items(int Index) const { return ItemsAs<TColumn>(Index); }
    TColumn* operator[](int Index) const { return Items(Index); }
    TCustomDBGrid* Grid() const { return FGrid; }
    TDBGridColumnsState State() const;
    // csDefault drops the caller's columns and makes them from the fields again.
    void SetState(TDBGridColumnsState Value);
    // Makes one column for each visible field of the dataset (the columns become customized).
    void RebuildColumns();
    void RestoreDefaults();
    TPersistent* GetOwner() override;

protected:
    void Update(TCollectionItem* Item) override;

private:
    TCustomDBGrid* FGrid;
};

// ---- the grid's data link ----------------------------------------------------------------------
class TGridDataLink : public TDataLink {
    SDELKA_CLASS(TGridDataLink, TDataLink)
public:
    explicit TGridDataLink(TCustomDBGrid* Grid);
    TCustomDBGrid* Grid() const { return FGrid; }
    // The editor's text differs from the field: UpdateData writes it.
    void Modified() { FModified = true; }
    bool IsModified() const { return FModified; }
    // Esc: drops the editor's text, or (nothing pending) cancels the record.
    void Reset();

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int Distance) override;
    void FocusControl(TField** Field) override;
    void EditingChanged() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    TCustomDBGrid* FGrid;
    bool FModified = false;
    bool FInUpdateData = false;
};

// ---- selected rows (dgMultiSelect) -------------------------------------------------------------
class TBookmarkList {
public:
    explicit TBookmarkList(TCustomDBGrid* Grid) : FGrid(Grid) {}
    int Count() const { return static_cast<int>(FList.size()); }
    const TBookmark& Items(int Index) const { return FList.at(static_cast<size_t>(Index)); }
    bool CurrentRowSelected() const;
    void SetCurrentRowSelected(bool Value);
    void Clear();
    // Deletes the selected records from the dataset.
    void Delete();
    int IndexOf(const TBookmark& Item) const;

private:
    friend class TCustomDBGrid;
    TCustomDBGrid* FGrid;
    std::vector<TBookmark> FList;
};

// ---- the in-place editor -----------------------------------------------------------------------
// The plain grid's editor; it writes its text into the field when the focus leaves the grid.
class TDBGridInplaceEdit : public TInplaceEdit {
    SDELKA_CLASS(TDBGridInplaceEdit, TInplaceEdit)
protected:
    explicit TDBGridInplaceEdit(TComponent* AOwner) : TInplaceEdit(AOwner) {}
    ~TDBGridInplaceEdit() override = default;

public:
    // Reads the cell's text; the editor is read-only where the cell cannot be changed (showing
    // it does not put the dataset in edit state).
    void UpdateContents() override;

protected:
    bool HostEvent(QEvent* Event) override;
};

// ---- the grid ----------------------------------------------------------------------------------
// Grid coordinates: column 0 is the indicator (dgIndicator), then one grid column per column of
// Columns (hidden ones have no width); row 0 is the titles (dgTitles), then one row per record of
// the data link's window.
class TCustomDBGrid : public TCustomGrid {
    SDELKA_CLASS(TCustomDBGrid, TCustomGrid)
protected:
    explicit TCustomDBGrid(TComponent* AOwner);
    ~TCustomDBGrid() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- data
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    // Switching at run time: the grid shows the new dataset (default columns are rebuilt).
    void SetDataSource(TDataSource* Value);
    TGridDataLink* DataLink() const { return FDataLink.get(); }
    TDBGridColumns* Columns() const { return FColumns.get(); }
    void SetColumns(TDBGridColumns* Value) { FColumns->Assign(Value); }
    // The fields of the visible columns (nullptr for a column without a field).
    int FieldCount() const { return static_cast<int>(FVisibleColumns.size()); }
    TField* Fields(int Index) const;
    // The selected column: its index in Columns (-1 without columns).
    int SelectedIndex() const;
    void SetSelectedIndex(int Value);
    TField* SelectedField() const;
    void SetSelectedField(TField* Value);
    TBookmarkList* SelectedRows() const { return FSelectedRows.get(); }

    // ---- look and behaviour
    TDBGridOptions Options() const { return FDBOptions; }
    void SetOptions(TDBGridOptions Value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TFont* TitleFont() const { return FTitleFont.get(); }
    void SetTitleFont(TFont* Value) { FTitleFont->Assign(Value); }

    // ---- geometry
    int TitleRowHeight() const { return FTitleRowHeight; }
    int IndicatorOffset() const { return FDBOptions.Contains(dgIndicator) ? 1 : 0; }
    int TitleOffset() const { return FDBOptions.Contains(dgTitles) ? 1 : 0; }
    // The data rows that fit the client area (the data link's window), at least 1.
    int DataRowCapacity() const { return FDataRowCapacity; }
    // The grid column of a column of Columns, -1 when hidden; and back.
    int ColumnToGridCol(int ColumnIndex) const;
    TColumn* GridColToColumn(int ACol) const;

    // ---- editing
    void SetEditorMode(bool Value);
    TDBGridInplaceEdit* InplaceEditor() const { return static_cast<TDBGridInplaceEdit*>(FInplaceEdit); }
    void ShowEditor() { SetEditorMode(true); }
    void HideEditor() { TCustomGrid::HideEditor(); }

    // ---- drawing
    // Draws the column's field DisplayText in Rect with the column's alignment, 2 pixels in, on
    // the canvas's current brush and font.
    void DefaultDrawColumnCell(const TRect& Rect, int DataCol, TColumn* Column, TGridDrawState State);
    // The same for a field with its own alignment.
    void DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State);

    void Invalidate() override;

    TDrawColumnCellEvent OnDrawColumnCell;
    TDBGridClickEvent OnCellClick;
    TDBGridClickEvent OnTitleClick;
    TNotifyEvent OnColEnter;
    TNotifyEvent OnColExit;
    TNotifyEvent OnEditButtonClick;

protected:
    friend class TGridDataLink;
    friend class TColumn;
    friend class TColumnTitle;
    friend class TDBGridColumns;
    friend class TDBGridInplaceEdit;
    friend class TBookmarkList;

    // Virtual factories (run in AfterConstruction).
    virtual TDBGridColumns* CreateColumns();
    TInplaceEdit* CreateEditor() override;

    // The plain grid's hooks.
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override;
    String GetEditText(int ACol, int ARow) override;
    void SetEditText(int ACol, int ARow, const String& Value) override;
    int GetEditLimit() override;
    bool CanEditAcceptKey(Char Key) override;
    bool CanEditShow() override;
    // Puts the dataset in edit state through the data link; false where the cell cannot change.
    bool CanEditModify() override;
    void ColWidthsChanged() override;
    void ColumnMoved(int FromIndex, int ToIndex) override;

    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void Dispatch(TMessage& Message) override;
    bool HostEvent(QEvent* Event) override;
    void Resize() override;
    void FontChanged() override;

    virtual void DrawColumnCell(const TRect& Rect, int DataCol, TColumn* Column, TGridDrawState State);
    virtual void CellClick(TColumn* Column);
    virtual void TitleClick(TColumn* Column);
    virtual void ColEnter();
    virtual void ColExit();
    bool CanModifyData();
    // The cell may change (no edit state asked).
    bool CellCanModify();

    // Data link reactions.
    void LinkActive(bool Value);
    void DataChanged();
    void Scroll(int Distance);
    void EditingChanged();
    void RecordChanged(TField* Field);
    void LayoutChanged();
    void UpdateData();

private:
    void InternalLayout();
    void UpdateRowCount();
    void UpdateActive();
    void UpdateVisibleColumns();
    void MoveCol(int RawCol, int Direction);
    void NextRow(bool Select);
    void PriorRow(bool Select);
    void Tab(bool GoForward);
    void ClearSelection();
    void DrawIndicator(const TRect& R, int ARow);
    void TitleFontChanged(TObject*);
    TColumn* SelectedColumn() const;
    void ConfirmAndDelete();
    void GridExit();
    bool HasFocus() const;

    TOwned<TGridDataLink> FDataLink;
    TOwned<TDBGridColumns> FColumns;
    std::unique_ptr<TBookmarkList> FSelectedRows;
    TOwned<TFont> FTitleFont;
    std::vector<TColumn*> FVisibleColumns;
    TDBGridOptions FDBOptions = DefaultDBGridOptions;
    bool FReadOnly = false;
    int FTitleRowHeight = 18;
    int FDataRowCapacity = 1;
    String FEditText;
    int FLayoutLock = 0;
    bool FLayoutPending = false;
    bool FRebuilding = false;
    bool FInColExit = false;
    // Mouse state.
    TGridCoord FDownCell{-1, -1};
    bool FTitlePressed = false;
};

class TDBGrid : public TCustomDBGrid {
    SDELKA_CLASS(TDBGrid, TCustomDBGrid)
protected:
    ~TDBGrid() override = default;

private:
public:
    using TCustomDBGrid::TCustomDBGrid;
};
