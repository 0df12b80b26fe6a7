// Row panel mode of the data grid: every record is one wide cell, a panel, in which the columns
// are laid out on lines (each column starts on its InRowLinePos line and covers InRowLineHeight
// lines; the columns of a line follow each other from the left). Titles and footers are laid out
// the same way.
#pragma once

#include "platform/rtl/classes.h"

class TCustomDBGridVz;

enum TGridRowPanelNavKeysNavigationTypeVz { rpntRowToRowVz, rpntCellToCellVz };
enum TGridRowPanelTabNavigationTypeVz { rpntUpToDownPriorityVz, rpntLeftToRightPriorityVz };

// A column's cell inside a panel, relative to the panel's top-left corner; the data part of a
// record's cell starts after the group indent in the first column of a line.
struct TColumnVzInRowPanelPlacement {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int DataCellLeft = 0;
    int DataCellWidth = 0;
};

class TGridRowPanelVz : public TPersistent {
    SDELKA_CLASS(TGridRowPanelVz, TPersistent)
protected:
    explicit TGridRowPanelVz(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    ~TGridRowPanelVz() override = default;

public:
    static void Published(TPublished<TGridRowPanelVz>& P);
    // From another row panel only Active.
    void Assign(TPersistent* Source) override;
    bool Active() const { return FActive; }
    // On: the grid's current column becomes the first data column; either way the grid relays out.
    void SetActive(bool Value);
    TGridRowPanelNavKeysNavigationTypeVz NavKeysNavigationType() const { return FNavKeys; }
    void SetNavKeysNavigationType(TGridRowPanelNavKeysNavigationTypeVz Value) { FNavKeys = Value; }
    TGridRowPanelTabNavigationTypeVz TabNavigationType() const { return FTab; }
    void SetTabNavigationType(TGridRowPanelTabNavigationTypeVz Value) { FTab = Value; }

private:
    TCustomDBGridVz* FGrid;
    bool FActive = false;
    TGridRowPanelNavKeysNavigationTypeVz FNavKeys = rpntRowToRowVz;
    TGridRowPanelTabNavigationTypeVz FTab = rpntUpToDownPriorityVz;
};
