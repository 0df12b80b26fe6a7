// What an axis bar, its collection and the grid's data link ask of the grid that shows them. The
// column model reaches its grid only through this interface, so it is built and tested without a
// window; the data-aware axis grid (dbaxisgridvz.h) implements it.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/gridtypes.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/variant.h"

#include <vector>

class TAxisBarVz;
class TAxisBarDefValuesVz;
class TAxisColCellParamsVz;
class TAxisGridDataLinkVz;
class TCanvas;
class TField;
class TGridAxisBarsVz;
class TPopupMenu;
class TEditButtonVz;
class TEditButtonControlVz;

class IAxisBarsGridVz {
public:
    virtual ~IAxisBarsGridVz() = default;

    // ---- look the bars fall back to
    virtual TColor AxisGridColor() = 0;
    virtual TFont* AxisGridFont() = 0;
    virtual TBiDiMode AxisGridBiDiMode() = 0;
    virtual bool AxisGridReadOnly() = 0;
    virtual bool AxisGridFlat() = 0;
    virtual bool AxisGridLoading() = 0;
    virtual bool DrawGraphicData() = 0;
    virtual bool DrawMemoText() = 0;
    virtual TAxisBarDefValuesVz* AxisBarDefValues() = 0;
    virtual TAxisGridDataLinkVz* AxisGridDataLink() = 0;
    // The component that hears the free notifications of menus, image lists and fields.
    virtual TComponent* AxisGridComponent() = 0;
    virtual void InvalidateAxisGrid() = 0;

    // ---- layout of the bars
    virtual void BeginLayout() = 0;
    virtual void EndLayout() = 0;
    virtual void AxisBarDeleting(TAxisBarVz* Bar) = 0;
    virtual void AxisBarLookupChanged(TAxisBarVz* Bar) = 0;
    virtual void AxisBarChanged(TAxisBarVz* Bar) = 0;
    virtual void GetDataSetFields(std::vector<TField*>& List) = 0;
    virtual TGridAxisBarsVz* CreateAxisBars() = 0;
    virtual TAxisColCellParamsVz* CreateColCellParams() = 0;

    // ---- values and editing
    virtual Variant& EditKeyValue() = 0;
    virtual String& EditText() = 0;
    // The in-place editor is visible; its text.
    virtual bool InplaceEditorShowing() = 0;
    virtual String InplaceEditorText() = 0;
    virtual bool OperationsAllowEdit() = 0;
    virtual void GetAxisBarCell(TAxisBarVz* Bar, int& Col, int& Row) = 0;
    // The scratch font that cell parameters point to, and the font cells are measured with.
    virtual TFont* DummyFont() = 0;
    virtual TCanvas* AxisGridCanvas() = 0;
    virtual TGridCoord AxisGridHotTrackCell() = 0;
    virtual bool IsHotTrackTextLink() = 0;
    virtual int InplaceEditorButtonWidth() = 0;
    virtual int InplaceEditorButtonHeight() = 0;
    virtual int AxisGridDefaultRowHeight() = 0;
    virtual int AxisGridRowHeight(int Row) = 0;
    virtual int AxisGridInterlinear() = 0;
    virtual void FormSystemPopupMenuForBar(TAxisBarVz* Bar, TPopupMenu* Menu) = 0;

    // ---- in-cell buttons
    virtual void DoEditButtonClick() = 0;
    // The default action of a button that has no handler of its own (opening a drop-down form ...).
    virtual void EditButtonDefaultAction(TAxisBarVz* Bar, TEditButtonVz* Button, TEditButtonControlVz* Control,
                                         bool IsMouseDown, bool& Handled) = 0;
    virtual void AxisGridTakeFocus() = 0;
};
