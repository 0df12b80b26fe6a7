// A small concrete axis grid for the tests: row 0 holds the field names, column 0 is blank, grid
// column i + 1 shows bar i and grid row r (from 1) shows record r of an in-memory dataset, read
// through its instant reads; the current row is the dataset's current record.
#pragma once

#include "grid/axis/dbaxisgridvz.h"
#include "grid/base/graphutilsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"

class TTestAxisGridVz : public TCustomDBAxisGridVz {
    SDELKA_CLASS(TTestAxisGridVz, TCustomDBAxisGridVz)
protected:
    explicit TTestAxisGridVz(TComponent* AOwner) : TCustomDBAxisGridVz(AOwner) {}
    ~TTestAxisGridVz() override = default;

public:
    void AfterConstruction() override {
        TCustomDBAxisGridVz::AfterConstruction();
        SetFixedColCount(1);
        SetFixedRowCount(1);
        SetDefaultColWidth(110);
        SetColWidths(0, 14);
        SetOptions(Options() + TGridOptionsVz{goEditingVz, goAlwaysShowEditorVz, goTabsVz});
    }

    int Layouts = 0;
    bool FailLayout = false;
    int GetSelectedIndex() override {
        const int i = Col() - 1;
        return i >= 0 && i < AxisBars()->Count() ? i : -1;
    }
    void SetSelectedIndex(int Value) override { SetCol(Value + 1); }
    void GetAxisBarCell(TAxisBarVz* Bar, int& ACol, int& ARow) override {
        ACol = Bar->Index() + 1;
        ARow = Row();
    }
    void UpdateCellTextBoundsAtPos(int ACol, int ARow) override {
        if (ACol >= 1 && ACol - 1 < AxisBars()->Count() && ARow >= 1)
            UpdateCellTextBounds(ACol, ARow, AxisBars()->AxisBar(ACol - 1));
    }
    void UpdatePlaceBoxListForCell(int, int) override {}
    // This grid relays out when a bar changes (a bar's field, visibility, a bar added).
    void AxisBarChanged(TAxisBarVz*) override { LayoutChanged(); }
    bool CanModifyCellText() override { return TryEditSelectedField(); }
    int DefaultActions = 0;
    void EditButtonDefaultAction(TAxisBarVz* Bar, TEditButtonVz* Button, TEditButtonControlVz* Control, bool IsMouseDown,
                                 bool& Handled) override {
        ++DefaultActions;
        TCustomDBAxisGridVz::EditButtonDefaultAction(Bar, Button, Control, IsMouseDown, Handled);
    }

    void LayoutChanged() override {
        TCustomDBAxisGridVz::LayoutChanged();
        if (FUpdateLock == 0) SyncCounts();
    }

    TCustomMemTableVz* Table() const { return dynamic_cast<TCustomMemTableVz*>(DataLink()->DataSet()); }

    // Keeps the grid's counts and current row in step with the bars and the dataset.
    void SyncCounts() {
        if (FSyncing) return;
        FSyncing = true;
        SetColCount(1 + std::max(1, AxisBars()->Count()));
        TCustomMemTableVz* t = Table();
        const int rows = t && t->Active() ? t->InstantReadRowCount() : 0;
        SetRowCount(1 + std::max(1, rows));
        if (t && t->Active() && t->RecNo() >= 1 && t->RecNo() != Row()) MoveCurrentCell(Col(), t->RecNo(), false, true);
        FSyncing = false;
    }

protected:
    void InternalLayout() override {
        TCustomDBAxisGridVz::InternalLayout();
        ++Layouts;
        SyncCounts();
        if (FailLayout) throw Exception(u"layout failed"_S);
    }
    void DataLinkRecordChanged(TField* Field) override {
        SyncCounts();
        TCustomDBAxisGridVz::DataLinkRecordChanged(Field);
    }
    void DataLinkActiveChanged(bool Active) override {
        TCustomDBAxisGridVz::DataLinkActiveChanged(Active);
        SyncCounts();
    }
    void CurrentCellMoved(const TGridCoord& Old) override {
        TCustomDBAxisGridVz::CurrentCellMoved(Old);
        TCustomMemTableVz* t = Table();
        if (FSyncing || !t || !t->Active() || Row() == Old.Y || Row() < 1) return;
        FSyncing = true;
        try {
            t->SetRecNo(Row());  // leaving the record writes what was typed (the link's update)
        } catch (...) {
            FSyncing = false;
            MoveCurrentCell(Col(), t->RecNo(), false, true);
            throw;
        }
        FSyncing = false;
    }
    void DrawCellData(int ACol, int ARow, TGridDrawState State, TRect ARect) override {
        if (ARow == 0 || ACol == 0) {
            Canvas()->Brush()->SetColor(FixedColor());
            Canvas()->FillRect(ARect);
        }
        if (ARow == 0) {
            if (ACol >= 1 && ACol - 1 < AxisBars()->Count())
                WriteCellTextVz(Canvas(), ARect, false, 3, 2, AxisBars()->AxisBar(ACol - 1)->FieldName(), taLeftJustify,
                                tlTop, false, false, 0, 0, false, true);
            return;
        }
        if (ACol == 0 || ACol - 1 >= AxisBars()->Count()) return;
        TCustomMemTableVz* t = Table();
        if (!t || !t->Active() || ARow - 1 >= t->InstantReadRowCount()) return;
        TAxisBarVz* bar = AxisBars()->AxisBar(ACol - 1);
        const bool other = ARow != Row();
        if (other) t->InstantReadEnter(ARow - 1);
        try {
            TAxisColCellParamsVz p;
            bar->FillColCellParams(&p);
            p.FCol = ACol;
            p.FRow = ARow;
            p.FState = State;
            bar->GetColCellParams(false, &p);
            DefaultDrawDataCell(TGridCoord{ACol, ARow}, TGridCoord{ACol - 1, ARow - 1}, bar, ARect, &p);
        } catch (...) {
            if (other) t->InstantReadLeave();
            throw;
        }
        if (other) t->InstantReadLeave();
    }

private:
    bool FSyncing = false;
};
