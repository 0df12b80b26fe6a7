// The data grid's keyboard: the key map, stepping over records while a Shift range of records grows
// or shrinks, the tab step, the characters typed on the grid and the in-place search they start.
#include "grid/dbgrid/gridnavvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/dbgrid/gridinplacevz.h"
#include "grid/dbgrid/gridselectvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/formatsettings.h"

#include <algorithm>
#include <climits>

namespace {

bool KeysValueCyclingColumn(TColumnVz* C) {
    if (!C) return false;
    const TAxisBarVzType t = C->GetBarType();
    return t == ctKeyImageList || t == ctCheckboxes;
}

// Puts the flag back whatever way the block is left.
struct TKeysFlagRestore {
    bool& Flag;
    bool Old;
    TKeysFlagRestore(bool& F, bool V) : Flag(F), Old(F) { Flag = V; }
    ~TKeysFlagRestore() { Flag = Old; }
};

}  // namespace

// ---- selection steps ---------------------------------------------------------------------------

static bool KeysRectSelectionAllowed(TCustomDBGridVz* G) { return G->IsSelectionTypeAllowed(gstRectangle); }

void TCustomDBGridVz::ResetSelection() {
    if (FOptions.Contains(dgMultiSelect) && FSelectedRows) FSelectedRows->Clear();
    FSelecting = false;
    if (FSelection->SelectionType() != gstNon) {
        FSelection->Clear();
        Invalidate();
        if (IsEditorVisible()) RepaintInplaceEditor();
    }
}

// ---- row and column steps ------------------------------------------------------------------------

namespace {

// The record steps of the arrow keys.
struct TKeysRowSteps {
    TCustomDBGridVz* G;
    TDataSet* DS;

    bool UntouchedInsert() const {
        return DS->State() == dsInsert && !DS->Modified() && !G->DataLink()->Modified();
    }
    bool RectMode() const { return KeysRectSelectionAllowed(G); }

    void Next(bool Select, TShiftState Shift) {
        if (UntouchedInsert()) {
            if (!DS->Eof()) G->CancelEditing();
            return;
        }
        G->MoveAndSelect(Select && Shift.Contains(ssShift), 1, !RectMode(), false);
        if (DS->CanModify() && !G->ReadOnly() && G->Options().Contains(dgEditing) &&
            G->AllowedOperations().Contains(alopAppendVz) && G->Eof()) {
            if (G->GroupingWorks()) {
                if (TGroupDataTreeNodeVz* node = G->CurGroupDataNode()) {
                    TGroupDataTreeNodeVz* group = node->NodeType() == dntDataGroupVz ? node : node->Parent();
                    if (group && group->CanAppendDataRec()) {
                        group->AppendDataRec(G->MemTableInt(), DS);
                        return;
                    }
                }
            }
            DS->Append();
        }
    }
    void Prior(bool Select, TShiftState Shift) {
        if (UntouchedInsert() && DS->Eof()) {
            G->CancelEditing();
            return;
        }
        G->MoveAndSelect(Select && Shift.Contains(ssShift), -1, !RectMode(), false);
    }
};

}  // namespace

void TCustomDBGridVz::SelectDataColumn(int Index, int Step, bool Extend) {
    if (!DataLink() || Columns()->Count() == 0) return;
    const bool extend = Extend && KeysRectSelectionAllowed(this);
    if (extend && FSelection->SelectionType() != gstRectangle && DataLink()->Active())
        FSelection->Rect()->Select(std::max(0, SelectedIndex()), DataLink()->DataSet()->Bookmark(), false);
    DataLink()->UpdateRecord();
    Index = std::clamp(Index, 0, std::max(0, Columns()->Count() - ContraColCount() - 1));
    const int last = Columns()->Count() - ContraColCount() - 1;
    if (Step != 0) {
        while (Index >= 0 && Index <= last && !Columns()->Items(Index)->Visible()) Index += Step;
        if (Index < 0 || Index > last) return;
    }
    if (Index != SelectedIndex() && !FOptions.Contains(dgRowSelect)) {
        if (!FOptions.Contains(dgAlwaysShowEditor)) HideInplaceEditor();
        SetSelectedIndex(Index);
        if (FOptions.Contains(dgAlwaysShowEditor) && !KeysValueCyclingColumn(Columns()->Items(Index))) ShowEditor();
    }
    if (extend && DataLink()->Active()) FSelection->Rect()->Select(SelectedIndex(), DataLink()->DataSet()->Bookmark(), true);
}

bool TCustomDBGridVz::ConfirmDelete() {
    const String text = FSelectedRows && FSelectedRows->Count() > 1 ? u"Delete all selected records?"_S
                                                                     : u"Delete record?"_S;
    if (!FOptions.Contains(dgConfirmDelete)) return true;
    return MessageDlg(text, mtConfirmation, mbOKCancel, 0) != mrCancel;
}

// ---- in-place search -----------------------------------------------------------------------------

bool TCustomDBGridVz::InplaceSearching() { return FNav && FNav->InplaceSearching; }

String TCustomDBGridVz::InplaceSearchText() { return FNav ? FNav->InplaceSearchText : String(); }

String TCustomDBGridVz::GetCompleteKeyPress() { return FNav ? FNav->CompleteKeyPress : String(); }

static void KeysRestartSearchTimer(TDBGridVzNavStateVz* N) {
    if (N->InplaceSearchTimerActive) {
        N->InplaceSearchTimer->SetEnabled(false);
        N->InplaceSearchTimerActive = false;
    }
    if (N->InplaceSearchTimeOut < 0) return;
    N->InplaceSearchTimer->SetInterval(static_cast<unsigned>(std::max(1, N->InplaceSearchTimeOut)));
    N->InplaceSearchTimer->SetEnabled(true);
    N->InplaceSearchTimerActive = true;
}

void TCustomDBGridVz::StartInplaceSearch(const String& S, int TimeOut, TLocateTextDirectionVz Direction) {
    if (!DataLink() || !DataLink()->Active()) return;
    TDBGridVzNavStateVz* n = Nav();
    const String text = n->InplaceSearchText + S;
    bool hit = false;
    if (!text.isEmpty() && Columns()->Count() > 0) {
        TColumnVz* col = nullptr;
        if (FOptions.Contains(dgRowSelect)) col = FirstVisibleColumn();
        else if (SelectedIndex() >= 0) col = Columns()->Items(SelectedIndex());
        if (col) {
            TLocateTextOptionsVz opts{ltoStopOnEscapeVz};
            const bool numeric = dynamic_cast<TNumericField*>(col->Field()) != nullptr;
            if (!(numeric && DBGridVzCenter() && DBGridVzCenter()->PreferEditFormatForNumberFields))
                opts.Include(ltoMatchFormatVz);
            if (col->CaseInsensitiveTextSearch()) opts.Include(ltoCaseInsensitiveVz);
            const String field = FOptions.Contains(dgRowSelect) ? col->FieldName() : String();
            hit = DBGridVzCenter()->LocateText(FilterHost(), field, text, opts, Direction, ltmFromBegingVz,
                                               lttInAllNodesVz, 0, {});
            if (hit) {
                TColumnVz* found = FOptions.Contains(dgRowSelect) || SelectedIndex() < 0
                                       ? col
                                       : Columns()->Items(SelectedIndex());
                const String cell = opts.Contains(ltoMatchFormatVz) ? found->STFilterDisplayText()
                                                                    : found->STFilterEditText();
                // The search text takes the letters and the case of the value found.
                n->InplaceSearchText = cell.left(text.size());
                if (GroupingWorks() || MemTableRowMode()) SyncCurrentCellWithData(0);
                if (MemTableRowMode() && !GroupingWorks())
                    SafeSetTopRow(std::max(FixedRowCount(), Row() - VisibleDataRowCount() / 2));
            }
        }
    }
    if (IsEditorVisible()) HideInplaceEditor();
    n->InplaceSearching = true;
    if (!hit && text.isEmpty()) n->InplaceSearchText = String();
    Invalidate();
    n->InplaceSearchTimeOut = TimeOut;
    KeysRestartSearchTimer(n);
}

void TCustomDBGridVz::StopInplaceSearch() {
    if (!FNav || !FNav->InplaceSearching) return;
    FNav->InplaceSearchTimer->SetEnabled(false);
    FNav->InplaceSearchTimerActive = false;
    FNav->InplaceSearching = false;
    FNav->InplaceSearchText = String();
    Invalidate();
    if (FOptions.Contains(dgAlwaysShowEditor) && AllowsAutoShowEditor()) ShowEditor();
}

void TCustomDBGridVz::InplaceSearchTimeout() { StopInplaceSearch(); }

// ---- the key map -------------------------------------------------------------------------------

void TCustomDBGridVz::KeyDown(Word& Key, TShiftState Shift) {
    TDBGridVzNavStateVz* n = Nav();
    FAntiSelection = Shift.Contains(ssCtrl) || !FOptionsVz.Contains(dghClearSelection);
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
    if (Key == 0) return;
    if (UseRightToLeftAlignment()) {
        if (Key == VK_LEFT) Key = VK_RIGHT;
        else if (Key == VK_RIGHT) Key = VK_LEFT;
    }
    if (!DataLink() || !DataLink()->Active() || !CanGridAcceptKey(Key, Shift)) return;
    if (Key == VK_UP && FilterRowUpKey(Shift)) {
        Key = 0;
        return;
    }
    if (GroupingWorks() && GroupRowKeyDown(Key, Shift)) return;
    TDataSet* ds = DataLink()->DataSet();
    TKeysRowSteps rows{this, ds};
    const bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl), alt = Shift.Contains(ssAlt);
    const bool multi = FOptions.Contains(dgMultiSelect);
    const int sel = SelectedIndex();
    TColumnVz* column = sel >= 0 && sel < Columns()->Count() ? Columns()->Items(sel) : nullptr;
    const TShortCut sc = ShortCut(Key, Shift);
    auto run = [this](const TDBGridVzSelectionRoutine& R) {
        if (R) R(this);
    };
    auto toEnd = [&](bool Forward) {
        if (GroupingWorks()) MoveBy(Forward ? INT_MAX / 2 : -(INT_MAX / 2));
        else if (Forward) ds->Last();
        else ds->First();
    };
    // Records above and below the current one in the view.
    auto above = [&] {
        if (MemTableRowMode() || GroupingWorks()) return std::max(0, Row() - TopRow());
        return DataLink()->ActiveRecord();
    };
    auto below = [&] {
        if (MemTableRowMode() || GroupingWorks())
            return std::max(0, std::min(RowCount() - 1, TopRow() + VisibleDataRowCount() - 1) - Row());
        return std::max(0, DataLink()->RecordCount() - DataLink()->ActiveRecord() - 1);
    };

    // Short cuts, the first that matches.
    if (sc == DBGridVzInplaceSearchKey() && FOptionsVz.Contains(dghIncSearch)) {
        if (n->InplaceSearching && FOptionsVz.Contains(dghDialogFind) && DBGridVzFindDialogKey() == DBGridVzInplaceSearchKey()) {
            StopInplaceSearch();
            run(DBGridVzShowFindDialogRoutine);
        } else {
            StartInplaceSearch(String(), -1, ltdAllVz);
        }
        Key = 0;
        return;
    }
    if (sc == DBGridVzFindDialogKey() && FOptionsVz.Contains(dghDialogFind)) {
        run(DBGridVzShowFindDialogRoutine);
        Key = 0;
        return;
    }
    if (n->InplaceSearching) {
        if (Shift.Empty() && (Key == VK_RETURN || Key == VK_ESCAPE || Key == VK_F2)) {
            StopInplaceSearch();
        } else if (Shift.Empty() && Key == VK_BACK) {
            String& t = n->InplaceSearchText;
            if (!t.isEmpty()) t.chop(t.size() >= 2 && t.back().isLowSurrogate() ? 2 : 1);
            RepaintRow(Row());
            KeysRestartSearchTimer(n);
        } else if (sc == DBGridVzInplaceSearchNextKey()) {
            StartInplaceSearch(String(), n->InplaceSearchTimeOut, ltdDownVz);
        } else if (sc == DBGridVzInplaceSearchPriorKey()) {
            StartInplaceSearch(String(), n->InplaceSearchTimeOut, ltdUpVz);
        }
    }

    if (ctrl) {
        if (!shift && (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_END || Key == VK_HOME || Key == VK_UP ||
                       Key == VK_DOWN))
            ClearSelectionIfAllowed();
        switch (Key) {
            case VK_PRIOR:
            case VK_UP:
                if (shift && multi) MoveAndSelect(true, -above(), false, false);
                else MoveBy(-above());
                break;
            case VK_NEXT:
            case VK_DOWN:
                if (shift && multi) MoveAndSelect(true, below(), false, false);
                else MoveBy(below());
                break;
            case VK_END:
                if (shift && multi) MoveAndSelect(true, 1, false, true);
                else toEnd(true);
                break;
            case VK_HOME:
                if (shift && multi) MoveAndSelect(true, -1, false, true);
                else toEnd(false);
                break;
            case VK_LEFT: SelectDataColumn(0, 1, false); break;
            case VK_RIGHT: SelectDataColumn(Columns()->Count() - 1, -1, false); break;
            case VK_INSERT:
            case Word('C'):
                if (CheckCopyAction() && EditActions().Contains(geaCopyVz)) {
                    // The add-ons' clipboard when installed, else the selection's texts.
                    if (DBGridVzCopySelectionRoutine) run(DBGridVzCopySelectionRoutine);
                    else CopySelectionToClipboard();
                }
                break;
            case VK_DELETE:
                if (!EditActions().Contains(geaDeleteVz) || FSelection->SelectionType() == gstNon) {
                    if (!ReadOnly() && !ds->IsEmpty() && ds->CanModify() && AllowedOperations().Contains(alopDeleteVz) &&
                        ConfirmDelete()) {
                        if (FSelectedRows->Count() == 0) ds->Delete();
                        else FSelectedRows->Delete();
                    }
                } else if (CheckDeleteAction()) {
                    run(DBGridVzDeleteSelectionRoutine);
                }
                break;
            case Word('A'):
                if (Shift == TShiftState{ssCtrl}) {
                    if (CheckSelectAllAction() && EditActions().Contains(geaSelectAllVz))
                        FSelection->SelectAll();
                    else if (DataLink()->Active() && FAllowedSelections.Contains(gstRecordBookmarks))
                        FSelectedRows->SelectAll();
                }
                break;
            case Word('V'):
                if (n->InplaceSearching) StartInplaceSearch(Clipboard()->AsText(), n->InplaceSearchTimeOut, ltdAllVz);
                else if (CheckPasteAction() && EditActions().Contains(geaPasteVz)) run(DBGridVzPasteSelectionRoutine);
                break;
            case Word('X'):
                if (CheckCutAction() && EditActions().Contains(geaCutVz)) run(DBGridVzCutSelectionRoutine);
                break;
            default: return;
        }
        Key = 0;
        return;
    }

    switch (Key) {
        case VK_TAB:
            if (alt) return;
            TabStep(!shift);
            break;
        case VK_RETURN:
            if (!FOptionsVz.Contains(dghEnterAsTab)) return;
            TabStep(!shift);
            break;
        case VK_ESCAPE:
            EscapeEditing();
            ResetSelection();
            break;
        case VK_PRIOR:
        case VK_NEXT: {
            const int page = VisibleDataRowCount() * (Key == VK_PRIOR ? -1 : 1);
            if (shift && multi) {
                MoveAndSelect(true, page, !FAllowedSelections.Contains(gstRectangle), false);
            } else {
                ClearSelectionIfAllowed();
                MoveBy(page);
            }
            break;
        }
        case VK_END:
        case VK_HOME: {
            const bool end = Key == VK_END;
            if (FOptions.Contains(dgRowSelect)) {
                toEnd(end);
            } else if (Columns()->Count() == 1) {
                if (shift && multi) MoveAndSelect(true, end ? 1 : -1, false, true);
                else {
                    ClearSelectionIfAllowed();
                    toEnd(end);
                }
            } else {
                SelectDataColumn(end ? Columns()->Count() - 1 : 0, end ? -1 : 1, shift && multi);
            }
            break;
        }
        case VK_LEFT:
        case VK_RIGHT: {
            const int dir = Key == VK_LEFT ? -1 : 1;
            if (FOptions.Contains(dgRowSelect)) {
                HorzScrollBarMessage(dir < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
            } else if (shift && multi) {
                SelectDataColumn(sel + dir, dir, true);
            } else {
                ClearSelectionIfAllowed();
                SelectDataColumn(sel + dir, dir, false);
            }
            break;
        }
        case VK_UP: rows.Prior(true, Shift); break;
        case VK_DOWN: rows.Next(true, Shift); break;
        case VK_INSERT:
            if (!shift) {
                if (ds->CanModify() && !ReadOnly() && FOptions.Contains(dgEditing)) {
                    ClearSelectionIfAllowed();
                    if (AllowedOperations().Contains(alopInsertVz)) ds->Insert();
                    else if (AllowedOperations().Contains(alopAppendVz)) ds->Append();
                }
            } else if (n->InplaceSearching) {
                StartInplaceSearch(Clipboard()->AsText(), n->InplaceSearchTimeOut, ltdAllVz);
            } else if (CheckPasteAction() && EditActions().Contains(geaPasteVz)) {
                run(DBGridVzPasteSelectionRoutine);
            }
            break;
        case VK_DELETE:
            if (!shift) {
                // A check-box or image-key cell is cleared rather than edited.
                if (column && !alt && KeysValueCyclingColumn(column) && !FOptions.Contains(dgRowSelect)) {
                    if (column->Field() && !column->Field()->Required() && column->CanModify(true))
                        column->UpdateDataValues(String(), Variant::Null(), false);
                    Key = 0;
                }
                return;
            }
            if (CheckCutAction() && EditActions().Contains(geaCutVz)) run(DBGridVzCutSelectionRoutine);
            break;
        case VK_F2: SetEditorMode(true); break;
        default: return;
    }
    Key = 0;
}

void TCustomDBGridVz::TabStep(bool Forward) {
    ClearSelectionIfAllowed();
    if (Columns()->Count() == 0) return;
    const int sel = SelectedIndex();
    TColumnVz* cur = sel >= 0 && sel < Columns()->Count() ? Columns()->Items(sel) : nullptr;
    TColumnVz* next = cur ? Columns()->GetNextTabColumn(cur, Forward) : Columns()->GetFirstTabColumn();
    if (!next || next == cur) {
        TDataSet* ds = DataLink()->DataSet();
        TKeysRowSteps rows{this, ds};
        if (Forward) {
            rows.Next(false, TShiftState{});
            next = Columns()->GetFirstTabColumn();
        } else {
            rows.Prior(false, TShiftState{});
            TGroupDataTreeNodeVz* node = GroupingWorks() ? CurGroupDataNode() : nullptr;
            if (!GroupingWorks() || (node && node->NodeType() == dntDataSetRecordVz)) next = Columns()->GetLastTabColumn();
        }
    }
    if (next && next != cur) SelectDataColumn(next->Index(), 0, false);
    if (IsEditorVisible()) RepaintInplaceEditor();
}

// ---- characters --------------------------------------------------------------------------------

void TCustomDBGridVz::KeyPress(Char& Key) {
    TDBGridVzNavStateVz* n = Nav();
    const int sel = SelectedIndex();
    TColumnVz* column = sel >= 0 && sel < Columns()->Count() ? Columns()->Items(sel) : nullptr;
    if (column && Key == u'.' && dynamic_cast<TNumericField*>(column->Field()) &&
        FormatSettings.DecimalSeparator != u'.')
        Key = FormatSettings.DecimalSeparator;
    n->CompleteKeyPress = String(Key);
    struct TClear {
        String& S;
        ~TClear() { S.clear(); }
    } clear{n->CompleteKeyPress};

    if (FOptionsVz.Contains(dghEnterAsTab) && Key == Char(VK_RETURN)) Key = Char(VK_TAB);
    // Enter writes the edited text into the field before the editor closes.
    if (!FOptions.Contains(dgAlwaysShowEditor) && Key == Char(VK_RETURN) && DataLink()) PostCellEdit();

    TDataSet* ds = DataLink() && DataLink()->Active() ? DataLink()->DataSet() : nullptr;
    const bool browsing = ds && ds->State() != dsEdit && ds->State() != dsInsert && ds->State() != dsSetKey;
    const bool printable = Key.unicode() > 31;
    // A character the search takes never opens the editor.
    const bool searchTakes =
        (n->InplaceSearching || (FOptionsVz.Contains(dghIncSearch) && !IsBarEditable(sel)) ||
         (FOptionsVz.Contains(dghPreferIncSearch) && !FOptions.Contains(dgAlwaysShowEditor) && !IsEditorVisible())) &&
        (printable || Key == Char(VK_BACK)) && browsing;
    if (!searchTakes) {
        TCustomDBAxisGridVz::KeyPress(Key);
        return;
    }
    if (OnKeyPress) OnKeyPress(this, Key);
    if (Key.isNull()) return;
    const bool applies = (FOptionsVz.Contains(dghPreferIncSearch) ||
                          (FOptionsVz.Contains(dghIncSearch) && column && !IsBarEditable(sel))) &&
                         !FOptions.Contains(dgAlwaysShowEditor) && !IsEditorVisible();
    if ((applies || n->InplaceSearching) && printable) {
        StartInplaceSearch(n->CompleteKeyPress, n->InplaceSearching ? n->InplaceSearchTimeOut : DBGridVzInplaceSearchTimeOut,
                           ltdAllVz);
    }
    Key = Char();
}
