// What the filter models, the behaviour centre and the text search see of a data grid: an object
// the grid owns that answers for it through the filter models' grid interface.
#pragma once

#include "grid/dbgrid/columnfilterhostvz.h"

class TCustomDBGridVz;

class TDBGridFilterHostVz : public ISTFilterGridVz {
public:
    explicit TDBGridFilterHostVz(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    virtual ~TDBGridFilterHostVz() = default;
    TDBGridFilterHostVz(const TDBGridFilterHostVz&) = delete;
    TDBGridFilterHostVz& operator=(const TDBGridFilterHostVz&) = delete;

    TCustomDBGridVz* Grid() const { return FGrid; }
    // The centre went away: the grid has none from then on.
    bool CenterGone() const { return FCenterGone; }

    TDataSet* STFilterDataSet() override;
    bool STFilterDataLinkActive() override;
    int STFilterColumnCount() override;
    ISTFilterColumnVz* STFilterColumn(int Index) override;
    TDBGridVzCenter* STFilterCenter() override;
    TSTDBGridVzFilter* STFilterSettings() override;
    void STFilterCenterGone() override { FCenterGone = true; }
    bool STFilterDesigning() override;
    bool STFilterLoading() override;
    void STFilterInvalidate() override;
    void STFilterInvalidateTitle() override;
    bool STFilterEditorVisible() override;
    void STFilterUpdateEditor(bool Refresh) override;
    void STFilterSetEditorText(const String& Text) override;
    void STFilterApply() override;
    bool STFilterSortItemsAllowed(ISTFilterColumnVz* Column) override;
    String STFilterSortText() override;
    TFont* STFilterGridFont() override;
    bool STFilterFontChanging() override { return false; }
    void STFilterLayoutChanged() override;
    void STFilterEndFilterEditing() override;
    void STFilterRepaintInplaceEditor() override;
    int STFilterColumnOfField(const String& FieldName) override;
    int SelectedIndex() override;
    void SetSelectedIndex(int Value) override;
    bool SearchPanelActive() override { return false; }
    int SearchPanelFoundColumnIndex() override { return FFoundColumn; }
    void SetSearchPanelFoundColumnIndex(int Value) override { FFoundColumn = Value; }
    bool RowSelectOption() override;
    TSelectionKindVz SelectionKind() override;
    std::vector<TBookmark> SelectedRows() override;
    void SelectedRect(int& LeftCol, int& RightCol, TBookmark& TopRow, TBookmark& BottomRow) override;
    std::vector<int> SelectedColumns() override { return {}; }
    void SaveBookmark() override;
    void RestoreBookmark() override;
    bool TakeEscapePending() override { return false; }
    bool KeyPending() override { return false; }

private:
    TCustomDBGridVz* FGrid;
    bool FCenterGone = false;
    int FFoundColumn = -1;
    TBookmark FSavedBookmark;
};
