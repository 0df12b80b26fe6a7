// Moving over records (also over the rows of a grouped grid), cancelling an edit, the start and end
// flags, the filter drop-down button of a title cell and the two small settings objects.
#include "grid/dbgrid/gridnavvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "grid/base/buttonpaintvz.h"
#include "grid/base/buttonsvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/stdctrls.h"

#include <algorithm>

int DBGridVzInplaceSearchTimeOut = 1500;
TColor DBGridVzInplaceSearchColor = clYellow;
TColor DBGridVzInplaceSearchTextColor = clBlack;

TDBGridVzSelectionRoutine DBGridVzCopySelectionRoutine;
TDBGridVzSelectionRoutine DBGridVzCutSelectionRoutine;
TDBGridVzSelectionRoutine DBGridVzPasteSelectionRoutine;
TDBGridVzSelectionRoutine DBGridVzDeleteSelectionRoutine;
TDBGridVzSelectionRoutine DBGridVzShowFindDialogRoutine;

// ---- settings objects --------------------------------------------------------------------------

void TDBGridVzIndicatorTitle::SetDropdownMenu(TPopupMenu* Value) {
    if (FDropdownMenu == Value) return;
    FDropdownMenu = Value;
    if (Value && FGrid) Value->FreeNotification(FGrid);
}

void TDBGridVzIndicatorTitle::SetShowDropDownSign(bool Value) {
    if (FShowDropDownSign == Value) return;
    FShowDropDownSign = Value;
    if (FGrid && FGrid->HandleAllocated() && FGrid->ColCount() > 0 && FGrid->RowCount() > 0)
        FGrid->RepaintCell(0, 0);
}

void TDBGridVzIndicatorTitle::MenuRemoved(TComponent* AComponent) {
    if (AComponent && AComponent == FDropdownMenu) FDropdownMenu = nullptr;
}

void TDBGridVzIndicatorTitle::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDBGridVzIndicatorTitle*>(Source)) {
        SetDropdownMenu(s->FDropdownMenu);
        SetShowDropDownSign(s->FShowDropDownSign);
        FTitleButton = s->FTitleButton;
        FUseGlobalMenu = s->FUseGlobalMenu;
        return;
    }
    TPersistent::Assign(Source);
}

void TDBGridVzPopupMenuParams::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDBGridVzPopupMenuParams*>(Source)) {
        FUseGlobalMenu = s->FUseGlobalMenu;
        FUseIndicatorMenu = s->FUseIndicatorMenu;
        FBuildMenuOnPopup = s->FBuildMenuOnPopup;
        return;
    }
    TPersistent::Assign(Source);
}

TDBGridVzNavStateVz::TDBGridVzNavStateVz(TCustomDBGridVz* AGrid)
    : IndicatorTitle(NewOwned<TDBGridVzIndicatorTitle>(AGrid)),
      PopupMenuParams(NewOwned<TDBGridVzPopupMenuParams>(AGrid)),
      EditActions{geaCutVz, geaCopyVz, geaPasteVz, geaDeleteVz, geaSelectAllVz} {}

TDBGridVzNavStateVz::~TDBGridVzNavStateVz() = default;

TDBGridVzNavStateVz* TCustomDBGridVz::Nav() {
    if (!FNav) {
        FNav = std::make_unique<TDBGridVzNavStateVz>(this);
        FNav->InplaceSearchTimer = New<TTimer>(this);
        FNav->InplaceSearchTimer->SetEnabled(false);
        FNav->InplaceSearchTimer->OnTimer = [this](TObject*) { InplaceSearchTimeout(); };
    }
    return FNav.get();
}

TDBGridVzIndicatorTitle* TCustomDBGridVz::IndicatorTitle() { return Nav()->IndicatorTitle.get(); }

TDBGridVzPopupMenuParams* TCustomDBGridVz::PopupMenuParams() { return Nav()->PopupMenuParams.get(); }

TDBGridVzEditActions TCustomDBGridVz::EditActions() { return Nav()->EditActions; }

void TCustomDBGridVz::SetEditActions(TDBGridVzEditActions Value) { Nav()->EditActions = Value; }

// ---- moving ------------------------------------------------------------------------------------

int TCustomDBGridVz::MoveBy(int Distance) {
    if (!DataLink() || !DataLink()->Active()) return 0;
    if (GroupingWorks()) {
        // The rows of the group tree: the grid row moves and the data set follows it.
        const int top = TopDataOffset();
        const int count = InstantReadRecordCount();
        if (count <= 0) return 0;
        const int from = std::clamp(Row() - top, 0, count - 1);
        const int to = std::clamp(from + Distance, 0, count - 1);
        if (to != from) MoveCurrentCell(std::max(Col(), FixedColCount()), to + top, false, true);
        return to - from;
    }
    return DataLink()->MoveBy(Distance);
}

bool TCustomDBGridVz::Eof() {
    if (!DataLink() || !DataLink()->Active()) return true;
    if (GroupingWorks()) return Row() - TopDataOffset() >= InstantReadRecordCount() - 1;
    return DataLink()->DataSet()->Eof();
}

bool TCustomDBGridVz::Bof() {
    if (!DataLink() || !DataLink()->Active()) return true;
    if (GroupingWorks()) return Row() - TopDataOffset() <= 0;
    return DataLink()->DataSet()->Bof();
}

// A new record that is the last of its group goes away by moving to the record before it, which
// ends the insert as a move does: with a record nobody typed into, the data set drops it; with a
// modified one the move would write it, so the edit is cancelled first and nothing is written.
void TCustomDBGridVz::CancelEditing() {
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    if (!ds || !ds->Active()) return;
    TGroupDataTreeNodeVz* node = GroupingWorks() ? CurGroupDataNode() : nullptr;
    const bool lastOfGroup = node && node->NodeType() == dntDataSetRecordVz && node->RecordNodeLastInGroup();
    if (node && ds->State() == dsInsert && lastOfGroup && !ds->Eof()) {
        TDBGridVzNavStateVz* n = Nav();
        n->InternalUpdatingDatasetPos = true;
        try {
            ds->Cancel();
            ds->Prior();
        } catch (...) {
            n->InternalUpdatingDatasetPos = false;
            SyncCurrentCellWithData(0);
            throw;
        }
        n->InternalUpdatingDatasetPos = false;
        SyncCurrentCellWithData(0);
        return;
    }
    ds->Cancel();
}

// ---- the filter button of a title cell -------------------------------------------------------

bool TCustomDBGridVz::GetTitleFilterButtonRect(const TPoint& P, TRect CellRect, TRect& ButtonRect) {
    int w = Flat() ? DefaultEditButtonWidthVz() + (ThemesEnabledVz() ? 0 : 1) : GetSystemMetrics(SM_CXVSCROLL);
    if (OptionsVz().Contains(dghFixed3D)) CellRect = TRect{CellRect.Left + 1, CellRect.Top + 1, CellRect.Right - 1,
                                                          CellRect.Bottom - 1};
    w = std::min(w, (CellRect.Right - CellRect.Left) / 2);
    ButtonRect = CellRect;
    if (UseRightToLeftAlignment()) ButtonRect.Right = ButtonRect.Left + w;
    else ButtonRect.Left = ButtonRect.Right - w;
    const int bh = InplaceEditorButtonHeight();
    if (bh > 0 && CellRect.Bottom - CellRect.Top > bh) {
        ButtonRect.Top = (CellRect.Top + CellRect.Bottom - bh) / 2;
        ButtonRect.Bottom = ButtonRect.Top + bh;
    }
    return P.X >= ButtonRect.Left && P.X < ButtonRect.Right && P.Y >= ButtonRect.Top && P.Y < ButtonRect.Bottom;
}

void TCustomDBGridVz::DataLinkEditingChanged() {
    TCustomDBAxisGridVz::DataLinkEditingChanged();
    if (FOptions.Contains(dgIndicator) && FIndicatorOffset > 0 && HandleAllocated() && Row() < RowCount())
        RepaintCell(0, Row());
}
