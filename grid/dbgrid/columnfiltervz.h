// The column filter (a column's STFilter: its condition as text and as a parsed expression, and
// where the values of its drop-down list come from) and the grid's filter-row settings (the
// grid's STFilter).
#pragma once

#include "grid/base/buttonsvz.h"
#include "grid/core/datalinkvz.h"
#include "grid/dbgrid/columnfilterhostvz.h"
#include "grid/dbgrid/filterexprvz.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"

#include <memory>
#include <vector>

class TDataSource;
class TSTFilterListLinkVz;

class TSTColumnFilterVz : public TPersistent {
    SDELKA_CLASS(TSTColumnFilterVz, TPersistent)
protected:
    explicit TSTColumnFilterVz(ISTFilterColumnVz* AColumn = nullptr);
    ~TSTColumnFilterVz() override;

public:

    static void Published(TPublished<TSTColumnFilterVz>& P);
    void Assign(TPersistent* Source) override;

    ISTFilterColumnVz* Column() const { return FColumn; }
    ISTFilterGridVz* Grid() const { return FColumn ? FColumn->STFilterGrid() : nullptr; }

    const String& DataField() const { return FDataField; }
    void SetDataField(const String& Value) { FDataField = Value; }
    const String& KeyField() const { return FKeyField; }
    void SetKeyField(const String& Value) { FKeyField = Value; }
    const String& ListField() const { return FListField; }
    void SetListField(const String& Value) { FListField = Value; }
    TDataSource* ListSource() const { return GetListSource(); }
    void SetListSource(TDataSource* Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    int DropDownListRows() const { return FDropDownListRows; }
    void SetDropDownListRows(int Value) { FDropDownListRows = Value; }
    int DropDownListWidth() const { return FDropDownListWidth; }
    void SetDropDownListWidth(int Value) { FDropDownListWidth = Value; }
    const String& KeyCommaText() const { return FKeyCommaText; }
    void SetKeyCommaText(const String& Value) { FKeyCommaText = Value; }
    const Variant& KeyValues() const { return FKeyValues; }
    // The texts and keys read from the list dataset (ListField / KeyField), parallel.
    TStringList* List() const { return FList.get(); }
    TStringList* Keys() const { return FKeys.get(); }

    const TSTFilterExpressionVz& Expression() const { return FExpression; }
    void SetExpression(const TSTFilterExpressionVz& Value);
    const String& ExpressionStr() const { return FExpressionStr; }
    // Parses and stores the text; a text that does not parse raises and leaves the previous text
    // and expression in force.
    void SetExpressionStr(const String& Value);
    void Clear();

    // Working state of the filter row's drop-down list.
    int PopupListboxDownIndex = -1;
    int PopupListboxDragHoverIndex = -1;
    bool EnterNotClearData = false;
    bool InFilterListBox = false;
    std::vector<bool> ListValuesCheckingState;

    virtual String GetExpressionAsText();
    virtual bool IsDropDownButtonVisible() { return true; }
    virtual void ParseExpressionStr(const String& Text);
    virtual String GetFilterFieldName();
    virtual Variant GetOperand1();
    virtual Variant GetOperand2();
    // Maps operand texts between the column's PickList (displayed) and KeyList (stored).
    virtual void CheckRecodeKeyList(TSTFilterExpressionVz& AExpression, bool DisplayToData);

    String CurrentKeyField();
    String CurrentDataField();
    TDataSet* CurrentListDataSet();
    String CurrentListField();
    bool ListIsLookup();

    // A value list of the ListSource's field for the drop-down list (nullptr when none).
    TOwned<TDatasetFieldValueListVz> GetFieldValueList();

    void SetKeyListValues(const String& AText, const Variant& KeyVals);
    void SetKeysFromListValues(TStrings* Strings);
    // A filter from the checked data items of a drop-down list (Checked parallels Items).
    void SetExpressionFromCheckedItems(TStrings* Items, const std::vector<bool>& Checked);
    // The checked state of the data items that the expression names.
    void SetCheckedItemsFromExpression(TStrings* Items, std::vector<bool>& Checked);
    // An operand as a filter dialog shows it.
    String GetOperandAsString(TSTFilterOperatorVz Operator, const Variant& Value);

protected:
    TDataSource* GetListSource() const;
    // Parses Text into AExpression with the column's value kind and default operator.
    void ParseExpressionText(const String& Text, TSTFilterExpressionVz& AExpression);

private:
    friend class TSTFilterListLinkVz;
    friend class TDBGridVzCenter;  // leaves the column's own condition out of its value list
    void ListLinkActiveChanged();
    void RecodeDisplayToKeys(TSTFilterExpressionVz& AExpression);
    TField* DataSetLookupField();

    ISTFilterColumnVz* FColumn;
    String FDataField;
    int FDropDownListRows = 15;
    int FDropDownListWidth = 0;
    String FKeyCommaText;
    String FKeyField;
    TOwned<TStringList> FKeys;
    Variant FKeyValues = Null();
    TOwned<TStringList> FList;
    String FListField;
    TOwned<TSTFilterListLinkVz> FListLink;
    bool FVisible = true;
    TSTFilterExpressionVz FExpression;
    String FExpressionStr;
};

enum TSTFilterLocationVz { stflUnderTitleFilterVz, stflInTitleFilterVz };
enum TDBGridFilterButtonDrawTimeVz { fbdtAlwaysVz, fbdtWhenRowHotVz, fbdtWhenCellHotVz };

// The grid's filter-row settings.
class TSTDBGridVzFilter : public TPersistent {
    SDELKA_CLASS(TSTDBGridVzFilter, TPersistent)
protected:
    explicit TSTDBGridVzFilter(ISTFilterGridVz* AGrid = nullptr);
    ~TSTDBGridVzFilter() override;

public:

    static void Published(TPublished<TSTDBGridVzFilter>& P);
    // Copies Visible and Local.
    void Assign(TPersistent* Source) override;

    ISTFilterGridVz* Grid() const { return FGrid; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TSTFilterLocationVz Location() const { return FLocation; }
    void SetLocation(TSTFilterLocationVz Value);
    // Apply the filter at every change: the stored value once set, else Local.
    bool InstantApply() const { return FInstantApplyStored ? FInstantApply : FLocal; }
    void SetInstantApply(bool Value);
    bool IsInstantApplyStored() const { return FInstantApplyStored; }
    bool Local() const { return FLocal; }
    void SetLocal(bool Value) { FLocal = Value; }

    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    bool IsFontStored() const { return !FParentFont; }
    // The grid's font, blue unless a custom style paints the grid.
    virtual void DefaultFont(TFont* AFont);
    void RefreshDefaultFont();

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor HorzLineColor() const { return FHorzLineColor; }
    void SetHorzLineColor(TColor Value);
    TColor VertLineColor() const { return FVertLineColor; }
    void SetVertLineColor(TColor Value);
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int Value);
    int RowLines() const { return FRowLines; }
    void SetRowLines(int Value);
    TDBGridFilterButtonDrawTimeVz FilterButtonDrawTime() const { return FFilterButtonDrawTime; }
    void SetFilterButtonDrawTime(TDBGridFilterButtonDrawTimeVz Value);
    // The stored value once set, else Default (the grid column defaults' value).
    TEditButtonDrawBackTimeVz FilterButtonDrawBackTime(TEditButtonDrawBackTimeVz Default) const {
        return FFilterButtonDrawBackTimeStored ? FFilterButtonDrawBackTime : Default;
    }
    void SetFilterButtonDrawBackTime(TEditButtonDrawBackTimeVz Value);
    bool FilterButtonDrawBackTimeStored() const { return FFilterButtonDrawBackTimeStored; }
    void SetFilterButtonDrawBackTimeStored(bool Value, TEditButtonDrawBackTimeVz Default);

    int UpdateCount() const { return FUpdateCount; }
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() { --FUpdateCount; }

    // The row's height: RowHeight + RowLines text lines when either is set, else the grid's
    // default row height when the filter font is the grid font's size, else a text line of the
    // filter font and the grid's interlinear spacing. The measures are the caller's (the grid's
    // canvas).
    int RowFullRowHeight(int TextHeightWithLeading, int GridDefaultRowHeight, int WgTextHeight,
                         int Interlinear) const;
    // The in-place button's height: the row height unless it is above 1.5 button widths, then the
    // toolkit's height for that width.
    int UpdateInplaceEditorButtonHeight(int RowHeight, int ButtonWidth, bool Flat);
    int InplaceEditorButtonHeight() const { return FInplaceEditorButtonHeight; }

private:
    void FontChanged(TObject* Sender);
    void Repaint();

    ISTFilterGridVz* FGrid;
    bool FVisible = false;
    TSTFilterLocationVz FLocation = stflUnderTitleFilterVz;
    bool FInstantApply = false;
    bool FInstantApplyStored = false;
    bool FLocal = false;
    TOwned<TFont> FFont;
    bool FParentFont = true;
    bool FRefreshingFont = false;
    TColor FColor = clDefault;
    TColor FHorzLineColor = clDefault;
    TColor FVertLineColor = clDefault;
    int FRowHeight = 0;
    int FRowLines = 0;
    TDBGridFilterButtonDrawTimeVz FFilterButtonDrawTime = fbdtAlwaysVz;
    TEditButtonDrawBackTimeVz FFilterButtonDrawBackTime = edbtAlwaysVz;
    bool FFilterButtonDrawBackTimeStored = false;
    int FUpdateCount = 0;
    int FInplaceEditorButtonHeight = 0;
};
