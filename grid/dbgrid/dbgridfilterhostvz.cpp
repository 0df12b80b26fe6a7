#include "grid/dbgrid/dbgridfilterhostvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/filterrowvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "platform/db/datasource.h"

TDataSet* TDBGridFilterHostVz::STFilterDataSet() { return FGrid->DataLink() ? FGrid->DataLink()->DataSet() : nullptr; }

bool TDBGridFilterHostVz::STFilterDataLinkActive() { return FGrid->DataLink() && FGrid->DataLink()->Active(); }

int TDBGridFilterHostVz::STFilterColumnCount() { return FGrid->Columns() ? FGrid->Columns()->Count() : 0; }

ISTFilterColumnVz* TDBGridFilterHostVz::STFilterColumn(int Index) { return FGrid->Columns()->Items(Index); }

TDBGridVzCenter* TDBGridFilterHostVz::STFilterCenter() { return FCenterGone ? nullptr : DBGridVzCenter(); }

TSTDBGridVzFilter* TDBGridFilterHostVz::STFilterSettings() { return FGrid->STFilter(); }

bool TDBGridFilterHostVz::STFilterDesigning() { return FGrid->ComponentState().Contains(csDesigning); }

bool TDBGridFilterHostVz::STFilterLoading() { return FGrid->ComponentState().Contains(csLoading); }

void TDBGridFilterHostVz::STFilterInvalidate() { FGrid->Invalidate(); }

void TDBGridFilterHostVz::STFilterInvalidateTitle() {
    if (FGrid->TitleRowCount() > 0) FGrid->RepaintRow(0);
}

void TDBGridFilterHostVz::STFilterApply() { FGrid->InternalApplyFilter(); }

bool TDBGridFilterHostVz::STFilterEditorVisible() { return FGrid->FilterEdit() && FGrid->FilterEdit()->Visible(); }

void TDBGridFilterHostVz::STFilterUpdateEditor(bool Refresh) { FGrid->UpdateFilterEditor(Refresh); }

void TDBGridFilterHostVz::STFilterSetEditorText(const String& Text) {
    if (FGrid->FilterEdit()) FGrid->FilterEdit()->SetText(Text);
}

void TDBGridFilterHostVz::STFilterEndFilterEditing() { FGrid->StopFilterEdit(); }

bool TDBGridFilterHostVz::STFilterSortItemsAllowed(ISTFilterColumnVz* Column) {
    auto* c = dynamic_cast<TColumnVz*>(Column);
    return FGrid->OptionsVz().Contains(dghAutoSortMarking) && c && c->Title()->TitleButton();
}

// The sort markers in their order: the up marker sorts ascending, the down marker descending.
String TDBGridFilterHostVz::STFilterSortText() {
    String s;
    const TColumnsVzList& marked = FGrid->SortMarkedColumns();
    for (int i = 0; i < marked.Count(); ++i) {
        TColumnVz* c = marked.Items(i);
        if (c->FieldName().isEmpty() || c->Title()->SortMarker() == smNoneVz) continue;
        if (!s.isEmpty()) s += u"; "_S;
        s += c->FieldName();
        if (c->Title()->SortMarker() == smDownVz) s += u" DESC"_S;
    }
    return s;
}

TFont* TDBGridFilterHostVz::STFilterGridFont() { return FGrid->Font(); }

void TDBGridFilterHostVz::STFilterLayoutChanged() { FGrid->LayoutChanged(); }

void TDBGridFilterHostVz::STFilterRepaintInplaceEditor() {
    if (FGrid->IsEditorVisible()) FGrid->RepaintInplaceEditor();
}

int TDBGridFilterHostVz::STFilterColumnOfField(const String& FieldName) {
    TAxisBarVz* b = FGrid->FindFieldColumn(FieldName);
    return b ? b->Index() : -1;
}

int TDBGridFilterHostVz::SelectedIndex() { return FGrid->SelectedIndex(); }

void TDBGridFilterHostVz::SetSelectedIndex(int Value) { FGrid->SetSelectedIndex(Value); }

bool TDBGridFilterHostVz::RowSelectOption() { return FGrid->Options().Contains(dgRowSelect); }

ISTFilterGridVz::TSelectionKindVz TDBGridFilterHostVz::SelectionKind() {
    return FGrid->SelectedRows() && FGrid->SelectedRows()->Count() > 0 ? gskRowsVz : gskNoneVz;
}

std::vector<TBookmark> TDBGridFilterHostVz::SelectedRows() {
    std::vector<TBookmark> r;
    TBookmarkListVz* l = FGrid->SelectedRows();
    for (int i = 0; l && i < l->Count(); ++i) r.push_back(l->Items(i));
    return r;
}

void TDBGridFilterHostVz::SelectedRect(int& LeftCol, int& RightCol, TBookmark& TopRow, TBookmark& BottomRow) {
    LeftCol = RightCol = -1;
    TopRow.clear();
    BottomRow.clear();
}

void TDBGridFilterHostVz::SaveBookmark() {
    TDataSet* ds = STFilterDataSet();
    FSavedBookmark = ds && ds->Active() ? ds->Bookmark() : TBookmark();
}

void TDBGridFilterHostVz::RestoreBookmark() {
    TDataSet* ds = STFilterDataSet();
    if (ds && ds->Active() && ds->BookmarkValid(FSavedBookmark)) ds->GotoBookmark(FSavedBookmark);
}
