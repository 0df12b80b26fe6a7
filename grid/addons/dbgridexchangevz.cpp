#include "grid/addons/dbgridexchangevz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/lists.h"

TDBGridExchangeVz::TDBGridExchangeVz(TCustomDBGridVz* Grid) : FGrid(Grid), FCols(Grid->VisibleColumns()) {
    if (Grid->DataSource()) FDataSet = Grid->DataSource()->DataSet();
    if (FDataSet && FDataSet->Active()) FRowCount = FDataSet->RecordCount();
}

String TDBGridExchangeVz::Title(int Col) const { return FCols.Items(Col)->Title()->Caption(); }

int TDBGridExchangeVz::ColumnWidth(int Col) const { return FCols.Items(Col)->Width(); }

void TDBGridExchangeVz::GoToRow(int Row) const {
    if (FRow == Row) return;
    if (FRow < 0 || Row < FRow) {
        FDataSet->First();
        FRow = 0;
    }
    FRow += FDataSet->MoveBy(Row - FRow);
}

String TDBGridExchangeVz::DisplayText(int Row, int Col) const {
    GoToRow(Row);
    return FCols.Items(Col)->DisplayText();
}

Variant TDBGridExchangeVz::Value(int Row, int Col) const {
    GoToRow(Row);
    TField* Field = FCols.Items(Col)->Field();
    if (!Field) return Variant::Unassigned();
    return Field->AsVariant();
}

bool TDBGridExchangeVz::BeginRecord() {
    if (!FDataSet || !FDataSet->Active()) return false;
    if (!FFirstRecord) {
        FDataSet->Next();
        if (FDataSet->Eof()) FDataSet->Append();
    }
    FFirstRecord = false;
    return true;
}

bool TDBGridExchangeVz::Writable(int Col) {
    TColumnVz* Column = FCols.Items(Col);
    if (!Column->CanModify(false) || !FDataSet->CanModify()) return false;
    if (FDataSet->State() != dsEdit && FDataSet->State() != dsInsert) FDataSet->Edit();
    return FDataSet->State() == dsEdit || FDataSet->State() == dsInsert;
}

void TDBGridExchangeVz::SetText(int Col, const String& Text) {
    if (!Writable(Col)) return;
    TColumnVz* Column = FCols.Items(Col);
    TField* Field = Column->Field();
    if (Column->GetBarType() == ctKeyPickList) {
        // the shown text stands for its key; a text that is not in the list leaves the cell as it was
        int Index = Column->PickList()->IndexOf(Text);
        if (Index < 0 || Index >= Column->KeyList()->Count())
            throw Exception(u"Значение \""_S + Text + u"\" отсутствует в списке"_S);
        Column->SetValueAsText(Column->KeyList()->Strings(Index));
        return;
    }
    // a number keeps every character but blanks and grouping, so that a wrong one is refused
    Column->SetValueAsText(dynamic_cast<TNumericField*>(Field) ? ImportedNumberTextVz(Text)
                                                               : Column->GetAcceptableEditText(Text));
}

void TDBGridExchangeVz::SetValue(int Col, const Variant& Value) {
    if (!Writable(Col)) return;
    TColumnVz* Column = FCols.Items(Col);
    TField* Field = Column->Field();
    if (dynamic_cast<TNumericField*>(Field) && !VarIsNull(Value) && Value.AsString().isEmpty())
        Column->SetValueAsVariant(Variant::Null());
    else
        Column->SetValueAsVariant(Value);
}

void TDBGridExchangeVz::EndRecord() {
    if (FDataSet->State() == dsEdit || FDataSet->State() == dsInsert) {
        try {
            FDataSet->Post();
        } catch (...) {
            FDataSet->Cancel();
            throw;
        }
    }
}

void ExportDBGridVz(TDBGridVzExport* Export, TCustomDBGridVz* Grid, TStream* Stream) {
    TDBGridExchangeVz Source(Grid);
    TDataSet* DataSet = Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
    if (!DataSet || !DataSet->Active()) {
        Export->ExportToStream(Stream, &Source);
        return;
    }
    DataSet->CheckBrowseMode();
    TBookmark Mark = DataSet->GetBookmark();
    DataSet->DisableControls();
    try {
        Export->ExportToStream(Stream, &Source);
    } catch (...) {
        if (DataSet->BookmarkValid(Mark)) DataSet->GotoBookmark(Mark);
        DataSet->EnableControls();
        throw;
    }
    if (DataSet->BookmarkValid(Mark)) DataSet->GotoBookmark(Mark);
    DataSet->EnableControls();
}

void ImportDBGridVz(TDBGridVzImport* Import, TCustomDBGridVz* Grid, TStream* Stream) {
    TDBGridExchangeVz Target(Grid);
    TDataSet* DataSet = Grid->DataSource() ? Grid->DataSource()->DataSet() : nullptr;
    if (DataSet) DataSet->DisableControls();
    try {
        Import->ImportFromStream(Stream, &Target);
    } catch (...) {
        if (DataSet) {
            if (DataSet->State() == dsEdit || DataSet->State() == dsInsert) DataSet->Cancel();
            DataSet->EnableControls();
        }
        throw;
    }
    if (DataSet) DataSet->EnableControls();
}

String ImportedNumberTextVz(const String& Text) {
    String R;
    for (QChar C : Text)
        if (C != u' ' && C != QChar(0xA0) && C != QChar(0x202F) && C != FormatSettings.ThousandSeparator) R += C;
    return R;
}
