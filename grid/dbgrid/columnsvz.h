// The data grid's columns: the axis bar with the grid's width rules (minimum, maximum, the initial
// width that weighs a column when the grid fits its columns to its width), the title with its sort
// marker and sort index, the row-panel line placement and the navigation order of the collection.
// Which columns exist and how they bind to fields is the axis grid's business; the collection here
// adds the grid's reactions to a changed column.
#pragma once

#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/axisbarsvz.h"
#include "grid/axis/axisbartitlevz.h"
#include "grid/dbgrid/columnfilterhostvz.h"
#include "grid/dbgrid/footersvz.h"
#include "grid/dbgrid/rowpanelvz.h"
#include "grid/dbgrid/groupsintfvz.h"

#include <vector>

class TCustomDBGridVz;
class TColumnVz;
class TDBGridColumnsVz;

enum TSortMarkerVz : int { smNoneVz, smDownVz, smUpVz };

// The cell parameters handed to the painting events of the data grid.
class TColCellParamsVz : public TAxisColCellParamsVz {};

using TColumnGetCellParamsEventVz = TEvent<void(TColumnVz* Sender, bool EditMode, TColCellParamsVz* Params)>;

// The title of a data grid column: the axis bar's title with the sort marker and the 1-based place
// of the column in a sort by several columns (0 when the column is not sorted).
class TColumnTitleVz : public TAxisBarTitleVz {
    SDELKA_CLASS(TColumnTitleVz, TAxisBarTitleVz)
public:
    explicit TColumnTitleVz(TAxisBarVz* AColumn);
    void Assign(TPersistent* Source) override;

    TColumnVz* Column() const;
    TSortMarkerVz SortMarker() const { return FSortMarker; }
    void SetSortMarker(TSortMarkerVz Value);
    int SortIndex() const { return FSortIndex; }
    void SetSortIndex(int Value);
    // The marker a click on the title gives: without KeepMulti the other columns lose theirs.
    void SetNextSortMarkerValue(bool KeepMulti);
    // The marker a first click gives this column (the grid's rule; down by default).
    TSortMarkerVz GetFirstSortMarkerState();
    bool ShowImageAndText();
    void SetShowImageAndText(bool Value);
    bool ShowImageAndTextStored() const { return FShowImageAndTextStored; }

    int GetSortMarkingWidth();
    int GetFilterButtonAreaWidth() { return 0; }
    int ImageAreaWidth();

private:
    TSortMarkerVz FSortMarker = smNoneVz;
    int FSortIndex = 0;
    bool FShowImageAndText = false;
    bool FShowImageAndTextStored = false;
};

// The grid's defaults of the columns' titles.
class TColumnTitleDefValuesVz : public TPersistent {
    SDELKA_CLASS(TColumnTitleDefValuesVz, TPersistent)
public:
    TColumnTitleDefValuesVz() = default;
    void Assign(TPersistent* Source) override;
    bool ShowImageAndText() const { return FShowImageAndText; }
    void SetShowImageAndText(bool Value);
    TNotifyEvent OnChanged;

private:
    bool FShowImageAndText = false;
};

class TColumnDefValuesVz : public TAxisBarDefValuesVz {
    SDELKA_CLASS(TColumnDefValuesVz, TAxisBarDefValuesVz)
public:
    TColumnDefValuesVz() = default;
    void Assign(TPersistent* Source) override;
    TColumnTitleDefValuesVz* ColumnTitle() { return &FColumnTitle; }
    TColumnFooterDefValuesVz* Footer() { return &FFooter; }

private:
    TColumnTitleDefValuesVz FColumnTitle;
    TColumnFooterDefValuesVz FFooter;
};

class TSTColumnFilterVz;

// The column is what the filter and grouping models see of a column (their interfaces).
class TColumnVz : public TBaseColumnVz, public ISTFilterColumnVz, public IDataGroupsColumnVz {
    SDELKA_CLASS(TColumnVz, TBaseColumnVz)
protected:
    explicit TColumnVz(TCollection* Collection);
    ~TColumnVz() override = default;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    void Assign(TPersistent* Source) override;

    TCustomDBGridVz* Grid() const;
    TColumnTitleVz* Title() const { return static_cast<TColumnTitleVz*>(TAxisBarVz::Title()); }

    // ---- widths
    int Width() { return GetWidth(); }
    int GetWidth() override;
    void SetWidth(int Value) override;
    bool WidthAssigned() const { return FWidthAssigned; }
    int DefaultWidth();
    // Width plus the room the first visible column gives the group indent.
    int FullWidth();
    int GetMinWidth() override { return FMinWidth; }
    void SetMinWidth(int Value) override;
    int GetMaxWidth() override { return FMaxWidth; }
    void SetMaxWidth(int Value) override;
    int MinWidth() { return FMinWidth; }
    int MaxWidth() { return FMaxWidth; }
    bool GetAutoFitColWidth() override { return FAutoFitColWidth; }
    void SetAutoFitColWidth(bool Value) override;
    bool AutoFitColWidth() { return FAutoFitColWidth; }
    int InitWidth() const { return FInitWidth; }
    // The width the grid's auto-fit gives the column: stored as is, nothing announced.
    void SetFittedWidth(int Value) {
        FWidth = ClampWidth(Value);
        FWidthAssigned = true;
    }
    void SetInitWidth(int Value) { FInitWidth = Value; }

    // ---- other properties
    bool HideDuplicates() const { return FHideDuplicates; }
    virtual void SetHideDuplicates(bool Value);
    int InRowLinePos() const { return FInRowLinePos; }
    void SetInRowLinePos(int Value);
    int InRowLineHeight() const { return FInRowLineHeight; }
    void SetInRowLineHeight(int Value);
    // The column's cell inside a row panel (laid out by the collection).
    TColumnVzInRowPanelPlacement& RowPlacement() { return FRowPlacement; }

    void GetColCellParams(bool EditMode, TAxisColCellParamsVz* Params) override;
    int GetCellHeight(int Row) override;

    // ---- footers (footersvz.cpp): the single Footer, or the item of Footers for a footer row
    TColumnFooterVz* Footer() const { return FFooter; }
    void SetFooter(TColumnFooterVz* Value);
    TColumnFootersVz* Footers() const { return FFooters; }
    void SetFooters(TColumnFootersVz* Value);
    TColumnFooterVz* UsedFooter(int Index) const;
    // Every footer makes sure its sum definition matches its value type.
    void EnsureFooterSumValues();

    // ---- the column's filter
    TSTColumnFilterVz* GetSTFilter() const { return FSTFilter; }
    void SetSTFilter(TSTColumnFilterVz* Value);

    // ---- ISTFilterColumnVz
    ISTFilterGridVz* STFilterGrid() override;
    TSTColumnFilterVz* STFilter() override { return FSTFilter; }
    int STFilterColumnIndex() override { return Index(); }
    String STFilterFieldName() override { return FieldName(); }
    TField* STFilterField() override { return Field(); }
    bool STFilterVisible() override { return Visible(); }
    String STFilterTitleCaption() override { return Title()->Caption(); }
    bool STFilterLookupActive() override;
    String STFilterLookupKeyFieldNames() override;
    TDataSet* STFilterLookupDataSet() override;
    String STFilterLookupDisplayFieldName() override;
    bool STFilterSpecRowVisible() override;
    String STFilterSpecRowCellText() override;
    Variant STFilterSpecRowValue() override;
    TStrings* STFilterKeyList() override { return HasKeyListItems() ? KeyList() : nullptr; }
    TStrings* STFilterPickList() override { return HasPickListItems() ? PickList() : nullptr; }
    bool STFilterShowsKeysByPickList() override;
    String STFilterDisplayText() override { return DisplayText(); }
    String STFilterEditText() override { return EditText(); }
    void STFilterNotifyChanged() override { NotifyChanged(false); }
    void STFilterDropValueList() override {}

    // ---- IDataGroupsColumnVz
    TField* GroupingField() override { return Field(); }
    String GroupingFieldName() override { return FieldName(); }
    String GroupingDisplayFormat() override { return DisplayFormat(); }

    TColumnGetCellParamsEventVz OnGetCellParams;

protected:
    TAxisBarTitleVz* CreateTitle() override { return New<TColumnTitleVz>(this); }
    virtual TColumnFooterVz* CreateFooter() { return TColumnFooterVz::CreateApart(this); }
    virtual TColumnFootersVz* CreateFooters() { return New<TColumnFootersVz>(this, TColumnFooterVz::StaticClass()); }
    // Binding a field makes the footers' sum definitions follow it.
    TField* GetField() override;
    void SetField(TField* Value) override;
    // Keeps the last measured width inside the bounds (the minimum wins).
    int ClampWidth(int Value) const;

private:
    int FWidth = 0;
    bool FWidthAssigned = false;
    int FMinWidth = 0;
    int FMaxWidth = 0;
    int FInitWidth = 0;
    bool FAutoFitColWidth = true;
    bool FHideDuplicates = false;
    int FInRowLinePos = 0;
    int FInRowLineHeight = 1;
    TSTColumnFilterVz* FSTFilter = nullptr;
    TColumnFooterVz* FFooter = nullptr;
    TColumnFootersVz* FFooters = nullptr;
    TColumnVzInRowPanelPlacement FRowPlacement;
};

// The column class the grid's collection makes.
class TDBGridColumnVz : public TColumnVz {
    SDELKA_CLASS(TDBGridColumnVz, TColumnVz)
protected:
    explicit TDBGridColumnVz(TCollection* Collection) : TColumnVz(Collection) {}
    ~TDBGridColumnVz() override = default;
};

// Columns that the list does not own (visible, sort-marked, selected columns).
class TColumnsVzList {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TColumnVz* Items(int Index) const { return FItems[static_cast<std::size_t>(Index)]; }
    void Add(TColumnVz* Column) { FItems.push_back(Column); }
    void Insert(int Index, TColumnVz* Column) { FItems.insert(FItems.begin() + Index, Column); }
    int IndexOf(TColumnVz* Column) const;
    void Remove(TColumnVz* Column);
    void Delete(int Index) { FItems.erase(FItems.begin() + Index); }
    void Exchange(int A, int B) { std::swap(FItems[static_cast<std::size_t>(A)], FItems[static_cast<std::size_t>(B)]); }
    void Clear() { FItems.clear(); }
    const std::vector<TColumnVz*>& Vector() const { return FItems; }

private:
    std::vector<TColumnVz*> FItems;
};

class TDBGridColumnsVz : public TBaseColumnsVz {
    SDELKA_CLASS(TDBGridColumnsVz, TBaseColumnsVz)
protected:
    TDBGridColumnsVz(TCustomDBGridVz* AGrid, TClass ColumnClass);
    ~TDBGridColumnsVz() override = default;

public:
    TColumnVz* Add() { return static_cast<TColumnVz*>(TGridAxisBarsVz::Add()); }
    TColumnVz* Items(int Index) const { return ItemsAs<TColumnVz>(Index); }
    TColumnVz* operator[](int Index) const { return Items(Index); }
    TCustomDBGridVz* Grid() const { return FGrid; }
    void AddAllColumns(bool DeleteExisting) { AddAllBars(DeleteExisting); }
    void RebuildColumns() { AddAllColumns(true); }
    TColumnVz* FindColumnByName(const String& Name) const;
    void GetColumnNames(TStrings* List) const;

    // ---- navigation
    TColumnVz* GetNextTabColumn(TColumnVz* ForColumn, bool GoForward);
    TColumnVz* GetFirstTabColumn();
    TColumnVz* GetLastTabColumn();

    // ---- row panel mode (rowpanelvz.cpp)
    // Places every column inside a panel and gives the grid the panel's size.
    void RelayoutCellsInRowPanel();
    void ScaleWidths(int Divisor, int Denominator);
    // Shares GridWidth among the auto-fit columns of every line.
    void FixupAutoFitColWidths(int GridWidth);
    TColumnVz* UpDownBaseColumn() const { return FUpDownBaseColumn; }
    void SetUpDownBaseColumn(TColumnVz* Value) { FUpDownBaseColumn = Value; }

protected:
    void Update(TCollectionItem* Item) override;

private:
    friend class TColumnVz;
    TCustomDBGridVz* FGrid;
    TColumnVz* FUpDownBaseColumn = nullptr;
};
