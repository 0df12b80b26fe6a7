// Column footers of the data grid: each column has one footer definition for every column-footer
// row (its single Footer, or the item of its Footers for that row). A footer shows nothing, a
// total, an average or a record count kept by the grid's sum list, the value of a field in the
// current record, or a fixed text. A footer with a total, an average or a count owns one sum
// definition in the grid's sum list while its column belongs to a grid.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/gridtypes.h"
#include "platform/gui/types.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/variant.h"

class TColumnVz;
class TCustomDBGridVz;
class TDBSum;

enum TFooterValueType { fvtNon, fvtSum, fvtAvg, fvtCount, fvtFieldValue, fvtStaticText };

// The appearance values set on the footer itself rather than followed from the grid.
enum TColumnFooterVzValue { cvFooterAlignment, cvFooterFont, cvFooterColor, cvFooterToolTips };
using TColumnFooterValues = TSet<TColumnFooterVzValue, 8>;

class TColumnFooterVz : public TCollectionItem {
    SDELKA_CLASS(TColumnFooterVz, TCollectionItem)
protected:
    explicit TColumnFooterVz(TCollection* Collection);
    ~TColumnFooterVz() override = default;

public:
    // A footer outside any collection: the column's single Footer.
    static TColumnFooterVz* CreateApart(TColumnVz* Column);
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TColumnFooterVz>& P);
    // From another footer: the appearance values it has set, then the rest through the setters.
    void Assign(TPersistent* Source) override;
    // Forgets the appearance values set on the footer.
    void RestoreDefaults();

    TColumnVz* Column() const { return FColumn; }
    TColumnFooterValues AssignedValues() const { return FAssignedValues; }

    TAlignment Alignment();
    void SetAlignment(TAlignment Value);
    TColor Color();
    void SetColor(TColor Value);
    TFont* Font();
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ToolTips();
    void SetToolTips(bool Value);
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);
    bool EndEllipsis() const { return FEndEllipsis; }
    void SetEndEllipsis(bool Value);
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    const String& Value() const { return FValue; }
    void SetValue(const String& Value);
    TFooterValueType ValueType() const { return FValueType; }
    void SetValueType(TFooterValueType Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);

    TAlignment DefaultAlignment();
    TColor DefaultColor();
    TFont* DefaultFont();
    bool DefaultToolTips();
    // Null without a sum definition, else the definition's value as a Currency.
    Variant SumValue() const;
    TDBSum* DBSum() const { return FDBSum; }
    // Keeps the sum definition in step with ValueType (only while the column belongs to a grid).
    void EnsureSumValue();

    // The stored-tests of the form stream.
    bool AlignmentStored();
    bool ColorStored();
    bool FontStored() const { return FAssignedValues.Contains(cvFooterFont); }
    bool ToolTipsStored() const { return FAssignedValues.Contains(cvFooterToolTips) && FToolTips; }

private:
    void FontChanged(TObject* Sender);
    void RefreshDefaultFont();
    void NotifyColumn(bool AllItems);
    void InvalidateGridFooter();
    TCustomDBGridVz* GridOfColumn() const;

    TColumnVz* FColumn = nullptr;
    TColumnFooterValues FAssignedValues;
    TAlignment FAlignment = taLeftJustify;
    TColor FColor = clWindow;
    TOwned<TFont> FFont;
    bool FToolTips = false;
    String FDisplayFormat;
    bool FEndEllipsis = false;
    String FFieldName;
    String FValue;
    TFooterValueType FValueType = fvtNon;
    bool FWordWrap = false;
    TDBSum* FDBSum = nullptr;
    bool FCopyingFont = false;
};

// The grid's defaults of its columns' footers.
class TColumnFooterDefValuesVz : public TPersistent {
    SDELKA_CLASS(TColumnFooterDefValuesVz, TPersistent)
public:
    TColumnFooterDefValuesVz() = default;
    void Assign(TPersistent* Source) override {
        if (auto* s = dynamic_cast<TColumnFooterDefValuesVz*>(Source)) FToolTips = s->FToolTips;
        else TPersistent::Assign(Source);
    }
    bool ToolTips() const { return FToolTips; }
    void SetToolTips(bool Value) { FToolTips = Value; }

private:
    bool FToolTips = false;
};

class TColumnFootersVz : public TCollection {
    SDELKA_CLASS(TColumnFootersVz, TCollection)
protected:
    TColumnFootersVz(TColumnVz* Column, TClass FooterClass);
    ~TColumnFootersVz() override = default;

public:
    TColumnVz* Column() const { return FColumn; }
    TColumnFooterVz* Add() { return static_cast<TColumnFooterVz*>(TCollection::Add()); }
    TColumnFooterVz* Items(int Index) const { return ItemsAs<TColumnFooterVz>(Index); }
    void SetFooter(int Index, TColumnFooterVz* Value) { Items(Index)->Assign(Value); }
    TPersistent* GetOwner() override;

private:
    TColumnVz* FColumn;
};

// The grid's footer events.
using TGetFooterParamsEvent =
    TEvent<void(TObject* Sender, int DataCol, int Row, TColumnVz* Column, TFont* AFont, TColor& Background,
                TAlignment& Alignment, TGridDrawState State, String& Text)>;
using TDrawFooterCellEvent =
    TEvent<void(TObject* Sender, int DataCol, int Row, TColumnVz* Column, const TRect& Rect, TGridDrawState State)>;
using TGetCellVzParamsEvent =
    TEvent<void(TObject* Sender, TColumnVz* Column, TFont* AFont, TColor& Background, TGridDrawState State)>;
