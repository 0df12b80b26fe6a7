// The data grid's navigator panel: from left to right a records box (the record count, and how
// many rows are marked), ten navigation buttons (first, prior, next, last, insert, delete, edit,
// post, cancel, refresh) and a selection box with sum, count, average, minimum and maximum of the
// selected cells. The boxes are painted by the panel itself (infopanelsvz.cpp); the buttons act
// on the grid's dataset through the panel's data link.
#pragma once

#include "platform/db/datasource.h"
#include "platform/gui/buttons.h"
#include "platform/gui/controls.h"

#include <array>
#include <memory>
#include <vector>

class TCustomDBGridVz;
class TStringList;
class TPopupMenu;

enum TNavigateBtnVz {
    nbFirstVz, nbPriorVz, nbNextVz, nbLastVz, nbInsertVz, nbDeleteVz, nbEditVz, nbPostVz, nbCancelVz, nbRefreshVz
};
using TNavButtonSetVz = TSet<TNavigateBtnVz, 16>;
enum TGridSBItemVz { gsbiRecordsInfoVz, gsbiNavigator, gsbiSelAggregationInfoVz };
using TGridSBItemsVz = TSet<TGridSBItemVz, 8>;
using TNavClickVz = TEvent<void(TObject* Sender, TNavigateBtnVz Button)>;

constexpr int NavButtonCountVz = 10;

// One button of the panel (also the two info boxes and the dividers, which paint through OnPaint).
class TNavButtonVz : public TSpeedButton {
    SDELKA_CLASS(TNavButtonVz, TSpeedButton)
protected:
    explicit TNavButtonVz(TComponent* AOwner);
    ~TNavButtonVz() override;

public:
    TNavigateBtnVz Index() const { return FIndex; }
    void SetIndex(TNavigateBtnVz Value) { FIndex = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    // Auto-repeat while held down with the mouse (prior and next).
    bool AllowTimer() const { return FAllowTimer; }
    void SetAllowTimer(bool Value) { FAllowTimer = Value; }
    // Replaces the whole painting when assigned.
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    void TimerExpired(TObject* Sender);
    void DrawGlyph(const TRect& R, bool Enabled);

    TNavigateBtnVz FIndex = nbFirstVz;
    int FImageIndex = -1;
    bool FAllowTimer = false;
    class TTimer* FRepeatTimer = nullptr;
};

class TDBGridVzNavigatorPanel;

class TNavDataLinkVz : public TDataLink {
    SDELKA_CLASS(TNavDataLinkVz, TDataLink)
public:
    explicit TNavDataLinkVz(TDBGridVzNavigatorPanel* ANavigator);
    ~TNavDataLinkVz() override;
    void Detach() { FNavigator = nullptr; }

protected:
    void EditingChanged() override;
    void DataSetChanged() override;
    void ActiveChanged() override;

private:
    TDBGridVzNavigatorPanel* FNavigator;
};

// One aggregate shown in the selection box: its text and where it stands in the box's text
// (pixel offsets of its first and last character from the text's start).
struct TSelectionInfoPanelDataItemVz {
    String Text;
    int Start = 0;
    int Finish = 0;
};

// What the selection box aggregates: the kind of selection and its parts (the grid passes what it
// has; rows are rows of the in-memory table's view).
struct TGridAggrSelectionVz {
    int Kind = 4;                              // a TDBGridVzSelectionType; 4 is gstNon
    TBookmark RectTop, RectBottom;             // gstRectangle: the rows
    int RectLeft = 0, RectRight = -1;          // gstRectangle: columns of the grid's full list
    std::vector<int> Columns;                  // gstColumns: the columns of the selection
    std::vector<TBookmark> Bookmarks;          // gstRecordBookmarks
};

class TDBGridVzNavigatorPanel : public TCustomControl {
    SDELKA_CLASS(TDBGridVzNavigatorPanel, TCustomControl)
protected:
    explicit TDBGridVzNavigatorPanel(TComponent* AOwner);
    ~TDBGridVzNavigatorPanel() override;

public:
    // The grid the panel serves (its read-only state, allowed operations, selection and font).
    TCustomDBGridVz* Grid() const { return FGrid; }
    void SetGrid(TCustomDBGridVz* Value);
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TNavButtonSetVz VisibleButtons() const { return FVisibleButtons; }
    void SetVisibleButtons(TNavButtonSetVz Value);
    TGridSBItemsVz VisibleItems() const { return FVisibleItems; }
    void SetVisibleItems(TGridSBItemsVz Value);
    TStringList* Hints() const { return FHints.get(); }
    TColor BorderColor() const { return FBorderColor; }
    void SetBorderColor(TColor Value);
    TNavigateBtnVz FocusedButton() const { return FFocusedButton; }
    int ButtonWidth() const { return FButtonWidth; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);

    TNavButtonVz* NavButtons(int Index) const { return FNavButtons[static_cast<std::size_t>(Index)]; }
    TNavButtonVz* RecordsInfoPanel() const { return FRecordsInfoPanel; }
    TNavButtonVz* SelectionInfoPanel() const { return FSelectionInfoPanel; }
    TNavButtonVz* NavButtonsDivider() const { return FNavButtonsDivider; }
    TNavButtonVz* SelectionInfoDivider() const { return FSelectionInfoDivider; }

    // Runs a button's action (as a click on it does).
    void NavBtnClick(TNavigateBtnVz Index);
    bool CheckConfirmDelete();
    void UpdateButtons();
    void UpdateButtonStates();
    void RefreshEditState() { UpdateButtonStates(); }
    void RefreshActiveState();
    void InitHints();
    // Lays the items out in W x H from the left (or the right when reading right to left); W
    // becomes the extent used.
    void LayoutItems(int& W, int H);
    int OptimalWidth();
    void ResetWidth();
    static int DividerWidth() { return 7; }
    // The grid's selection changed.
    void GridSelectionChanged() { UpdateInfoPanels(); }

    // ---- the info boxes (infopanelsvz.cpp)
    void UpdateInfoPanels();
    String RecordsInfoText();
    String GetSelectionInfoPanelText();
    // Sum, count, average, minimum, maximum over the grid's selection (Null where none).
    void GetGridAggrInfo(std::array<Variant, 5>& ResultArr);
    // The same over a given selection of a grid.
    static void AggregateSelection(TCustomDBGridVz* AGrid, const TGridAggrSelectionVz& Selection,
                                   std::array<Variant, 5>& ResultArr);
    int CalcRecordsInfoWidth();
    int CalcSelectionInfoWidth();
    const String& SelectionInfoPanelText() const { return FSelectionInfoPanelText; }
    const std::vector<TSelectionInfoPanelDataItemVz>& SelectionInfoPanelDataVz() const { return FSelectionItems; }
    // The aggregate under X of the selection box's client area, -1 when none.
    int SelectionItemAt(int X) const;
    // The grid's selection as the aggregation sees it.
    virtual TGridAggrSelectionVz GridSelection();

    TNavClickVz BeforeAction;
    TNavClickVz OnNavClick;
    // The grid's say on a button: Handled stops the panel's own action.
    TEvent<void(TObject* Sender, TNavigateBtnVz Button, bool& Handled)> OnGridButtonClick;

protected:
    void Paint() override;
    void Resize() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void InitButtons();
    void BtnClick(TObject* Sender);
    void BtnMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void PaintDivider(TObject* Sender);
    void PaintInfoPanel(TObject* Sender);
    void SelectionInfoPanelMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    bool DataActive();
    void MoveFocus(int Step);
    TPopupMenu* CopyMenu();

    TCustomDBGridVz* FGrid = nullptr;
    TOwned<TNavDataLinkVz> FDataLink;
    TNavButtonSetVz FVisibleButtons;
    TGridSBItemsVz FVisibleItems;
    TOwned<TStringList> FHints;
    TOwned<TStringList> FDefHints;
    class TPopupMenu* FCopyMenu = nullptr;
    TColor FBorderColor = clBtnShadow;
    TNavigateBtnVz FFocusedButton = nbFirstVz;
    int FButtonWidth = 0;
    bool FFlat = true;
    std::array<TNavButtonVz*, NavButtonCountVz> FNavButtons{};
    TNavButtonVz* FRecordsInfoPanel = nullptr;
    TNavButtonVz* FNavButtonsDivider = nullptr;
    TNavButtonVz* FSelectionInfoDivider = nullptr;
    TNavButtonVz* FSelectionInfoPanel = nullptr;
    String FSelectionInfoPanelText;
    std::vector<TSelectionInfoPanelDataItemVz> FSelectionItems;
    bool FDestroying = false;
};
