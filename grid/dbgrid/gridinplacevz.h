// The data grid's in-place editor: the axis grid's editor (text, edit buttons, pick and MRU lists,
// completion) with the grid's own shortcuts routed from the editor to the grid while a cell is
// being edited: Enter as Tab, the previous record's value, the incremental search and the find
// dialog.
#pragma once

#include "grid/axis/dbaxisgridinplacevz.h"

class TCustomDBGridVz;

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
