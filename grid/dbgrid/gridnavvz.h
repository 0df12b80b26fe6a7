// The data grid's keyboard and navigation state and its two small settings objects: the title of
// the indicator column and the parameters of the cell popup menus. The grid keeps the state behind
// one pointer so that a change here does not rebuild every file that includes the grid.
#pragma once

#include "grid/dbgrid/dbgridvz.h"
#include "platform/db/db.h"
#include "platform/gui/graphics.h"
#include "platform/gui/shortcuts.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/variant.h"

#include <functional>

class TCustomDBGridVz;
class TPopupMenu;
class TTimer;

// The title cell of the indicator column: a button with a drop-down menu.
class TDBGridVzIndicatorTitle : public TPersistent {
    SDELKA_CLASS(TDBGridVzIndicatorTitle, TPersistent)
public:
    explicit TDBGridVzIndicatorTitle(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* Value);
    bool ShowDropDownSign() const { return FShowDropDownSign; }
    void SetShowDropDownSign(bool Value);
    bool TitleButton() const { return FTitleButton; }
    void SetTitleButton(bool Value) { FTitleButton = Value; }
    bool UseGlobalMenu() const { return FUseGlobalMenu; }
    void SetUseGlobalMenu(bool Value) { FUseGlobalMenu = Value; }
    bool Down() const { return FDown; }
    void SetDown(bool Value) { FDown = Value; }
    // The grid forgets a menu that is being freed.
    void MenuRemoved(TComponent* AComponent);
    void Assign(TPersistent* Source) override;

private:
    TCustomDBGridVz* FGrid;
    TPopupMenu* FDropdownMenu = nullptr;
    bool FShowDropDownSign = false;
    bool FTitleButton = false;
    bool FUseGlobalMenu = true;
    bool FDown = false;
};

// How the grid's popup menus over cells are built.
class TDBGridVzPopupMenuParams : public TPersistent {
    SDELKA_CLASS(TDBGridVzPopupMenuParams, TPersistent)
public:
    explicit TDBGridVzPopupMenuParams(TCustomDBGridVz* AGrid) : FGrid(AGrid) {}
    bool UseGlobalMenu() const { return FUseGlobalMenu; }
    void SetUseGlobalMenu(bool Value) { FUseGlobalMenu = Value; }
    bool UseIndicatorMenu() const { return FUseIndicatorMenu; }
    void SetUseIndicatorMenu(bool Value) { FUseIndicatorMenu = Value; }
    bool BuildMenuOnPopup() const { return FBuildMenuOnPopup; }
    void SetBuildMenuOnPopup(bool Value) { FBuildMenuOnPopup = Value; }
    void Assign(TPersistent* Source) override;

private:
    TCustomDBGridVz* FGrid;
    bool FUseGlobalMenu = false;
    bool FUseIndicatorMenu = false;
    bool FBuildMenuOnPopup = false;
};

// The in-place search of all data grids (its short cuts are with the grid's editor, gridinplacevz.h).
extern int DBGridVzInplaceSearchTimeOut;         // 1500 ms
extern TColor DBGridVzInplaceSearchColor;
extern TColor DBGridVzInplaceSearchTextColor;

// Copying, cutting, pasting and deleting a selection and the find dialog live with the grid add-ons, above
// this library: they set these at start-up. A key whose routine is not set does nothing.
using TDBGridVzSelectionRoutine = std::function<void(TCustomDBGridVz* Grid)>;
extern TDBGridVzSelectionRoutine DBGridVzCopySelectionRoutine;  // unset: the grid's own texts
extern TDBGridVzSelectionRoutine DBGridVzCutSelectionRoutine;
extern TDBGridVzSelectionRoutine DBGridVzPasteSelectionRoutine;
extern TDBGridVzSelectionRoutine DBGridVzDeleteSelectionRoutine;
extern TDBGridVzSelectionRoutine DBGridVzShowFindDialogRoutine;

// What the grid keeps for its keyboard, its in-place search and its saved positions.
struct TDBGridVzNavStateVz {
    explicit TDBGridVzNavStateVz(TCustomDBGridVz* AGrid);
    ~TDBGridVzNavStateVz();

    TOwned<TDBGridVzIndicatorTitle> IndicatorTitle;
    TOwned<TDBGridVzPopupMenuParams> PopupMenuParams;
    TDBGridVzEditActions EditActions;
    // In-place search.
    bool InplaceSearching = false;
    String InplaceSearchText;
    int InplaceSearchTimeOut = 0;
    TTimer* InplaceSearchTimer = nullptr;  // owned by the grid
    bool InplaceSearchTimerActive = false;
    String CompleteKeyPress;
    bool InternalUpdatingDatasetPos = false;
    // Kept positions.
    TBookmark LockedBookmark;
    int LookedOffset = 0;
    Variant LookedKeyValue;
};
