// A grid and its columns as the filter models see them, over any dataset: one column per field
// name, the current record's field texts as cell texts, the selection and the search panel as
// plain values the test sets.
#pragma once

#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "platform/db/db.h"

#include <memory>
#include <ostream>
#include <vector>

// Texts in test failures as text.
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

// The strings of a list joined by "|".
inline String JoinedVz(TStrings* L) {
    QStringList r;
    for (int i = 0; i < L->Count(); ++i) r << L->Strings(i);
    return r.join(u'|');
}

class TTestFilterGrid;

class TTestFilterColumn : public ISTFilterColumnVz {
public:
    TTestFilterColumn(TTestFilterGrid* AGrid, const String& AFieldName, int AIndex);
    ISTFilterGridVz* STFilterGrid() override;
    TSTColumnFilterVz* STFilter() override { return Filter.get(); }
    int STFilterColumnIndex() override { return Index; }
    String STFilterFieldName() override { return FieldName; }
    TField* STFilterField() override;
    bool STFilterVisible() override { return Visible; }
    String STFilterTitleCaption() override { return FieldName; }
    bool STFilterLookupActive() override { return false; }
    String STFilterLookupKeyFieldNames() override { return String(); }
    TDataSet* STFilterLookupDataSet() override { return nullptr; }
    String STFilterLookupDisplayFieldName() override { return String(); }
    bool STFilterSpecRowVisible() override { return false; }
    String STFilterSpecRowCellText() override { return String(); }
    Variant STFilterSpecRowValue() override { return Null(); }
    TStrings* STFilterKeyList() override { return KeyList.get(); }
    TStrings* STFilterPickList() override { return PickList.get(); }
    bool STFilterShowsKeysByPickList() override { return KeyList->Count() > 0; }
    String STFilterDisplayText() override { return STFilterField() ? STFilterField()->DisplayText() : String(); }
    String STFilterEditText() override { return STFilterField() ? STFilterField()->AsString() : String(); }
    void STFilterNotifyChanged() override { ++Changes; }
    void STFilterDropValueList() override {}

    TTestFilterGrid* Grid;
    String FieldName;
    int Index;
    bool Visible = true;
    int Changes = 0;
    TOwned<TStringList> KeyList = NewOwned<TStringList>();
    TOwned<TStringList> PickList = NewOwned<TStringList>();
    TOwned<TSTColumnFilterVz> Filter;
};

class TTestFilterGrid : public ISTFilterGridVz {
public:
    explicit TTestFilterGrid(TDataSet* ADataSet, std::initializer_list<const char16_t*> Fields = {})
        : DataSet(ADataSet), GridFont(NewOwned<TFont>()), Settings(NewOwned<TSTDBGridVzFilter>(this)) {
        for (auto f : Fields) AddColumn(String::fromUtf16(f));
    }
    TTestFilterColumn* AddColumn(const String& FieldName) {
        Columns.push_back(std::make_unique<TTestFilterColumn>(this, FieldName, int(Columns.size())));
        return Columns.back().get();
    }
    TTestFilterColumn* Column(int I) { return Columns[size_t(I)].get(); }

    TDataSet* STFilterDataSet() override { return DataSet; }
    bool STFilterDataLinkActive() override { return DataSet && DataSet->Active(); }
    int STFilterColumnCount() override { return int(Columns.size()); }
    ISTFilterColumnVz* STFilterColumn(int Index) override { return Columns[size_t(Index)].get(); }
    TDBGridVzCenter* STFilterCenter() override { return Center; }
    TSTDBGridVzFilter* STFilterSettings() override { return Settings.get(); }
    void STFilterCenterGone() override { Center = nullptr; }
    bool STFilterDesigning() override { return false; }
    bool STFilterLoading() override { return false; }
    void STFilterInvalidate() override { ++Repaints; }
    void STFilterInvalidateTitle() override { ++TitleRepaints; }
    bool STFilterEditorVisible() override { return false; }
    void STFilterUpdateEditor(bool) override {}
    void STFilterSetEditorText(const String&) override {}
    void STFilterApply() override {
        if (Center) Center->ApplyFilter(this);
    }
    String STFilterSortText() override { return SortText; }
    bool STFilterSortItemsAllowed(ISTFilterColumnVz*) override { return SortItems; }
    TFont* STFilterGridFont() override { return GridFont.get(); }
    bool STFilterFontChanging() override { return false; }
    void STFilterLayoutChanged() override { ++Layouts; }
    void STFilterEndFilterEditing() override {}
    void STFilterRepaintInplaceEditor() override {}
    int STFilterColumnOfField(const String& FieldName) override {
        for (auto& c : Columns)
            if (c->FieldName.compare(FieldName, Qt::CaseInsensitive) == 0) return c->Index;
        return -1;
    }
    int SelectedIndex() override { return Selected; }
    void SetSelectedIndex(int Value) override { Selected = Value; }
    bool SearchPanelActive() override { return PanelActive; }
    int SearchPanelFoundColumnIndex() override { return FoundColumn; }
    void SetSearchPanelFoundColumnIndex(int Value) override { FoundColumn = Value; }
    bool RowSelectOption() override { return RowSelect; }
    TSelectionKindVz SelectionKind() override { return Selection; }
    std::vector<TBookmark> SelectedRows() override { return Rows; }
    void SelectedRect(int& L, int& R, TBookmark& T, TBookmark& B) override {
        L = RectLeft;
        R = RectRight;
        T = RectTop;
        B = RectBottom;
    }
    std::vector<int> SelectedColumns() override { return SelColumns; }
    void SaveBookmark() override { Saved = DataSet->GetBookmark(); }
    void RestoreBookmark() override { DataSet->GotoBookmark(Saved); }
    bool TakeEscapePending() override { return false; }
    bool KeyPending() override { return false; }

    TDataSet* DataSet;
    TDBGridVzCenter* Center = DBGridVzCenter();
    TOwned<TFont> GridFont;
    TOwned<TSTDBGridVzFilter> Settings;
    std::vector<std::unique_ptr<TTestFilterColumn>> Columns;
    String SortText;
    bool SortItems = false;
    int Repaints = 0, TitleRepaints = 0, Layouts = 0;
    int Selected = 0;
    bool PanelActive = false;
    int FoundColumn = 0;
    bool RowSelect = false;
    TSelectionKindVz Selection = gskNoneVz;
    std::vector<TBookmark> Rows;
    std::vector<int> SelColumns;
    int RectLeft = 0, RectRight = 0;
    TBookmark RectTop, RectBottom, Saved;
};

inline TTestFilterColumn::TTestFilterColumn(TTestFilterGrid* AGrid, const String& AFieldName, int AIndex)
    : Grid(AGrid), FieldName(AFieldName), Index(AIndex), Filter(NewOwned<TSTColumnFilterVz>(this)) {}
inline ISTFilterGridVz* TTestFilterColumn::STFilterGrid() { return Grid; }
inline TField* TTestFilterColumn::STFilterField() {
    return Grid->DataSet ? Grid->DataSet->FindField(FieldName) : nullptr;
}
