// The data grid as the exchange formats see it: its visible columns over the records of its data
// set. As a source it walks every record from the first one; as a target it writes from the
// current record on, appending records past the last one. ExportDBGridVz and ImportDBGridVz hold
// the data set's controls and put the cursor back where it was.
#pragma once

#include "grid/addons/gridexchangevz.h"
#include "grid/dbgrid/columnsvz.h"

class TCustomDBGridVz;
class TDataSet;

class TDBGridExchangeVz : public IGridExchangeSourceVz, public IGridExchangeTargetVz {
public:
    explicit TDBGridExchangeVz(TCustomDBGridVz* Grid);

    int ColCount() const override { return FCols.Count(); }
    int RowCount() const override { return FRowCount; }
    bool HasTitles() const override { return true; }
    String Title(int Col) const override;
    int ColumnWidth(int Col) const override;
    String DisplayText(int Row, int Col) const override;
    Variant Value(int Row, int Col) const override;

    bool BeginRecord() override;
    void SetText(int Col, const String& Text) override;
    void SetValue(int Col, const Variant& Value) override;
    void EndRecord() override;

private:
    void GoToRow(int Row) const;
    bool Writable(int Col);

    TCustomDBGridVz* FGrid;
    TDataSet* FDataSet = nullptr;
    TColumnsVzList FCols;
    int FRowCount = 0;
    mutable int FRow = -1;
    bool FFirstRecord = true;
};

// Writes every record of the grid in the format.
void ExportDBGridVz(TDBGridVzExport* Export, TCustomDBGridVz* Grid, TStream* Stream);
// Reads the stream into the grid from its current record on; the import's records are posted one
// by one, and a record whose write fails is cancelled.
void ImportDBGridVz(TDBGridVzImport* Import, TCustomDBGridVz* Grid, TStream* Stream);

// The text of a number as the user typed or pasted it, ready for the field: blanks and the
// grouping separator go, nothing else is touched, so that "12.5" reaches a field expecting ","
// and is refused rather than read as 125.
String ImportedNumberTextVz(const String& Text);
