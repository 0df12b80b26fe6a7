// What the filter models ask of the data grid and its columns. The filter expressions, the column
// filter, the grid filter settings, the behaviour centre and the text search talk to the grid
// only through these interfaces, so that they work and are tested without a window; the grid and
// its columns implement them.
#pragma once

#include "platform/db/db.h"
#include "platform/rtl/variant.h"

#include <vector>

class TDataSet;
class TField;
class TFont;
class TStrings;
class TSTColumnFilterVz;
class TDBGridVzCenter;
class TSTDBGridVzFilter;

class ISTFilterGridVz;

// A grid column as its filter sees it.
class ISTFilterColumnVz {
public:
    virtual ISTFilterGridVz* STFilterGrid() = 0;      // nullptr while the column has no grid
    virtual TSTColumnFilterVz* STFilter() = 0;        // the column's own filter
    virtual int STFilterColumnIndex() = 0;            // index among the grid's columns
    virtual String STFilterFieldName() = 0;           // the column's FieldName
    virtual TField* STFilterField() = 0;              // the column's field, nullptr when none
    virtual bool STFilterVisible() = 0;               // the column is shown
    virtual String STFilterTitleCaption() = 0;
    // The column's lookup (its key field names, its list dataset and its display field).
    virtual bool STFilterLookupActive() = 0;
    virtual String STFilterLookupKeyFieldNames() = 0;
    virtual TDataSet* STFilterLookupDataSet() = 0;
    virtual String STFilterLookupDisplayFieldName() = 0;
    // The drop-down's special row: shown, its cell text and its value.
    virtual bool STFilterSpecRowVisible() = 0;
    virtual String STFilterSpecRowCellText() = 0;
    virtual Variant STFilterSpecRowValue() = 0;
    // KeyList and PickList (nullptr or empty when not set); whether the column shows keys through
    // its pick list (key pick list, key image list, check boxes).
    virtual TStrings* STFilterKeyList() = 0;
    virtual TStrings* STFilterPickList() = 0;
    virtual bool STFilterShowsKeysByPickList() = 0;
    // The display and edit texts of the column's field in the current record (the text search).
    virtual String STFilterDisplayText() = 0;
    virtual String STFilterEditText() = 0;
    virtual void STFilterNotifyChanged() = 0;         // the column's NotifyChanged
    virtual void STFilterDropValueList() = 0;         // forget the cached drop-down value list

protected:
    ~ISTFilterColumnVz() = default;
};

// The grid as its filter models see it.
class ISTFilterGridVz {
public:
    virtual TDataSet* STFilterDataSet() = 0;          // nullptr without data source or dataset
    virtual bool STFilterDataLinkActive() = 0;
    virtual int STFilterColumnCount() = 0;
    virtual ISTFilterColumnVz* STFilterColumn(int Index) = 0;
    virtual TDBGridVzCenter* STFilterCenter() = 0;    // nullptr when the grid has none
    virtual TSTDBGridVzFilter* STFilterSettings() = 0; // the grid's STFilter
    virtual void STFilterCenterGone() = 0;            // the centre is destroyed: Center = nil
    virtual bool STFilterDesigning() = 0;
    virtual bool STFilterLoading() = 0;
    virtual void STFilterInvalidate() = 0;
    virtual void STFilterInvalidateTitle() = 0;
    // The filter row's editor: shown, refresh, set its text; InternalApplyFilter.
    virtual bool STFilterEditorVisible() = 0;
    virtual void STFilterUpdateEditor(bool Refresh) = 0;
    virtual void STFilterSetEditorText(const String& Text) = 0;
    virtual void STFilterApply() = 0;
    // dghAutoSortMarking is on and the column has a title button (sort items in its list).
    virtual bool STFilterSortItemsAllowed(ISTFilterColumnVz* Column) = 0;
    // The grid's sort markers as a sort text ("Name; Qty DESC"), empty when none.
    virtual String STFilterSortText() = 0;
    // The grid's own settings the grid filter's defaults follow.
    virtual TFont* STFilterGridFont() = 0;
    virtual bool STFilterFontChanging() = 0;          // the grid is changing its fonts itself
    virtual void STFilterLayoutChanged() = 0;
    virtual void STFilterEndFilterEditing() = 0;
    virtual void STFilterRepaintInplaceEditor() = 0;

    // What the text search reads and moves.
    virtual int STFilterColumnOfField(const String& FieldName) = 0;  // -1 when none
    virtual int SelectedIndex() = 0;
    virtual void SetSelectedIndex(int Value) = 0;
    virtual bool SearchPanelActive() = 0;
    virtual int SearchPanelFoundColumnIndex() = 0;
    virtual void SetSearchPanelFoundColumnIndex(int Value) = 0;
    virtual bool RowSelectOption() = 0;                // dgRowSelect in Options
    // The grid's selection: rows (bookmarks in list order), a rectangle (column range and the
    // bookmarks of its top and bottom rows) or columns (their indexes).
    enum TSelectionKindVz { gskNoneVz, gskRowsVz, gskRectVz, gskColumnsVz };
    virtual TSelectionKindVz SelectionKind() = 0;
    virtual std::vector<TBookmark> SelectedRows() = 0;
    virtual void SelectedRect(int& LeftCol, int& RightCol, TBookmark& TopRow, TBookmark& BottomRow) = 0;
    virtual std::vector<int> SelectedColumns() = 0;
    virtual void SaveBookmark() = 0;
    virtual void RestoreBookmark() = 0;
    // The stop checks of a long search: an Escape key-down waiting for the grid's window (taken
    // from the queue), any key-down waiting for the focused window (left there).
    virtual bool TakeEscapePending() = 0;
    virtual bool KeyPending() = 0;

protected:
    ~ISTFilterGridVz() = default;
};

// An item object of a filter drop-down list: data items are the values, the others commands.
class ISTFilterListItemVz {
public:
    virtual bool IsDataItem() const = 0;

protected:
    ~ISTFilterListItemVz() = default;
};
