// The data grid's in-place editor and the grid's editing keys: Enter writes the cell's text into
// the field, Escape gives the cell its value back and then cancels the record's edit.
#include "grid/dbgrid/gridinplacevz.h"

#include "grid/base/mrulistvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridnavvz.h"
#include "platform/db/db.h"

TCustomDBGridVz* TDBGridInplaceEdit::DBGrid() const { return dynamic_cast<TCustomDBGridVz*>(Grid()); }

void TDBGridInplaceEdit::EditKeyDown(Word& Key, TShiftState Shift) {
    TCustomDBGridVz* g = DBGrid();
    if (!g) {
        TDBAxisGridInplaceEdit::EditKeyDown(Key, Shift);
        return;
    }
    const TShortCut sc = ShortCut(Key, Shift);
    const TDBGridVzOptions o = g->OptionsVz();
    const bool mruOpen = MRUList() && MRUList()->DroppedDown();
    auto toGrid = [&] {
        g->GridKeyDown(Key, Shift);
        Key = 0;
    };
    if (Key == VK_RETURN && !Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt) && o.Contains(dghEnterAsTab) && !mruOpen)
        return toGrid();
    if (sc == DBGridVzSetValueFromPrevRecordKey) return toGrid();
    // The incremental search and the find dialog are the grid's: it hides the editor first.
    if ((sc == DBGridVzInplaceSearchKey && o.Contains(dghIncSearch)) ||
        (sc == DBGridVzFindDialogKey && o.Contains(dghDialogFind)))
        return toGrid();
    TDBAxisGridInplaceEdit::EditKeyDown(Key, Shift);
}

// ---- the grid's editing keys --------------------------------------------------------------------

GridsVz::TInplaceEdit* TCustomDBGridVz::CreateEditor() { return New<TDBGridInplaceEdit>(this); }

bool TCustomDBGridVz::EscapeEditing() {
    if (!DataLink() || !DataLink()->Active()) return false;
    // The open editor gets the field's text back first: re-reading the record compares the field
    // with the editor's text, and the typed text would otherwise be taken for the cell's.
    if (DataLink()->Modified() && IsEditorVisible())
        if (TAxisBarVz* bar = SelectedBar()) {
            bar->PrepareEditText();
            InplaceEditor()->SetText(EditText());
        }
    DataLink()->Reset();
    if (!FOptions.Contains(dgAlwaysShowEditor)) HideInplaceEditor();
    return true;
}

void TCustomDBGridVz::PostCellEdit() {
    if (!DataLink() || !DataLink()->Active()) return;
    // The text typed so far is the cell's edit text before it goes into the field.
    if (EditorMode()) UpdateText();
    DataLink()->UpdateRecord();
}

void TCustomDBGridVz::MoveFocusToCell(int ACol, int ARow, bool MoveAnchor) {
    if (ACol != Col()) PostCellEdit();
    TCustomDBAxisGridVz::MoveFocusToCell(ACol, ARow, MoveAnchor);
}
