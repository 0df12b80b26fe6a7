// The data grid's in-place editor: the axis grid's editor (text, edit buttons, pick and MRU lists,
// completion) with the grid's own shortcuts routed from the editor to the grid while a cell is
// being edited: Enter as Tab, the previous record's value, the incremental search and the find
// dialog. The process-wide key settings of the data grid live here as well.
#pragma once

#include "grid/axis/dbaxisgridinplacevz.h"

class TCustomDBGridVz;

// The data grid's shortcuts, set once at start-up and read on every key press.
TShortCut& DBGridVzInplaceSearchKey();            // Ctrl+F: an incremental search without time-out
TShortCut& DBGridVzInplaceSearchNextKey();        // Ctrl+Enter: the next match of a running search
TShortCut& DBGridVzInplaceSearchPriorKey();       // Ctrl+Shift+Enter: the previous match
TShortCut& DBGridVzFindDialogKey();               // Ctrl+F: the find dialog
TShortCut& DBGridVzSetValueFromPrevRecordKey();   // Ctrl+': the previous record's value into the cell
TShortCut& DBGridVzFilterDropDownKey();           // Ctrl+T: the column's in-title filter list

class TDBGridInplaceEdit : public TDBAxisGridInplaceEdit {
    SDELKA_CLASS(TDBGridInplaceEdit, TDBAxisGridInplaceEdit)
protected:
    explicit TDBGridInplaceEdit(TComponent* AOwner) : TDBAxisGridInplaceEdit(AOwner) {}
    ~TDBGridInplaceEdit() override = default;

public:
    TCustomDBGridVz* DBGrid() const;
    // The grid's shortcuts go to the grid's key handling and end there; every other key is the
    // axis editor's.
    void EditKeyDown(Word& Key, TShiftState Shift) override;
};
