// Group footers of the data grid's grouping: a footer is one row under the records of every group
// (and, for the grouping object's own footers, the grand totals); its column items hold one
// aggregate per grid column (sum, average, count, maximum, minimum, a fixed text or a value the
// grid's events compute). The items follow the grid's columns by position, accumulate the values
// of the records over the group tree and turn the results into display text.
#pragma once

#include "grid/dbgrid/groupsintfvz.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/variant.h"

#include <functional>
#include <vector>

class TGridDataGroupsVz;
class TGridDataGroupLevelVz;
class TGridDataGroupFooterVz;
class TGridDataGroupFootersVz;
class TGroupDataTreeNodeVz;

// Copies Default into Own when they differ, without Own's change notification (so that a font that
// follows its parent does not take the copy for a change of its own). True when it copied.
bool CopyParentFontVz(TFont* Own, TFont* Default);
// The stored-test of a published property that depends on the object.
using TGroupStoredFnVz = std::function<bool(TObject*)>;
// Lets a published colour property stream the colours' names (clWindow ...).
void GroupColorIdentsVz(TPropBuilder Builder);

// The colour and font of a grouping object, a level, a footer or a column item: its own, or its
// parent's while ParentColor / ParentFont. Setting the colour or changing the font clears the
// parent flag and repaints; a font that follows its parent is copied again when read.
class TGroupAppearanceVz {
public:
    explicit TGroupAppearanceVz(std::function<void()> Invalidate);
    TColor Color(TColor Default) const { return FParentColor ? Default : FColor; }
    TColor OwnColor() const { return FColor; }
    void SetColor(TColor Value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool Value);
    // The own font, first copied from Default while ParentFont (a nil Default leaves it).
    TFont* Font(TFont* Default);
    TFont* OwnFont() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value, TFont* Default);
    // Copies colour, font and both flags, without repainting.
    void Assign(const TGroupAppearanceVz& Source);

private:
    std::function<void()> FInvalidate;
    TOwned<TFont> FFont;
    TColor FColor = clWindow;
    bool FParentColor = true;
    bool FParentFont = true;
    bool FCopyingFont = false;
};

// The defaults of ShowFunctionName and RunTimeCustomizable for every footer of a grouping object.
class TGridDataGroupFootersDefValuesVz : public TPersistent {
    SDELKA_CLASS(TGridDataGroupFootersDefValuesVz, TPersistent)
protected:
    explicit TGridDataGroupFootersDefValuesVz(TGridDataGroupsVz* ADataGroups) : FDataGroups(ADataGroups) {}
    ~TGridDataGroupFootersDefValuesVz() override = default;

public:
    static void Published(TPublished<TGridDataGroupFootersDefValuesVz>& P);
    void Assign(TPersistent* Source) override;

    bool ShowFunctionName() const { return FShowFunctionName; }
    // Recalculates the footer values (their texts may gain or lose the function's name).
    void SetShowFunctionName(bool Value);
    bool RunTimeCustomizable() const { return FRunTimeCustomizable; }
    void SetRunTimeCustomizable(bool Value) { FRunTimeCustomizable = Value; }
    TGridDataGroupsVz* DataGroups() const { return FDataGroups; }

private:
    TGridDataGroupsVz* FDataGroups;
    bool FShowFunctionName = false;
    bool FRunTimeCustomizable = false;
};

// The aggregate of one grid column in one footer.
class TGridDataGroupFooterColumnItemVz : public TCollectionItem {
    SDELKA_CLASS(TGridDataGroupFooterColumnItemVz, TCollectionItem)
protected:
    explicit TGridDataGroupFooterColumnItemVz(TCollection* Collection);
    ~TGridDataGroupFooterColumnItemVz() override;

public:
    static void Published(TPublished<TGridDataGroupFooterColumnItemVz>& P);
    // Copies the appearance, the value type and the stored flags; not Text, Column or FieldName.
    void Assign(TPersistent* Source) override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TColor Color() const;
    void SetColor(TColor Value);
    bool ParentColor() const { return FLook.ParentColor(); }
    void SetParentColor(bool Value) { FLook.SetParentColor(Value); }
    TFont* Font();
    void SetFont(TFont* Value) { FLook.SetFont(Value); }
    bool ParentFont() const { return FLook.ParentFont(); }
    void SetParentFont(bool Value);
    const String& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const String& Value);
    TGroupFooterValueTypeVz ValueType() const { return FValueType; }
    void SetValueType(TGroupFooterValueTypeVz Value);
    const String& Text() const { return FText; }
    void SetText(const String& Value);
    // The own value while stored, else the footer's.
    bool ShowFunctionName() const;
    void SetShowFunctionName(bool Value);
    bool ShowFunctionNameStored() const { return FShowFunctionNameStored; }
    void SetShowFunctionNameStored(bool Value);
    bool RunTimeCustomizable() const;
    void SetRunTimeCustomizable(bool Value);
    bool RunTimeCustomizableStored() const { return FRunTimeCustomizableStored; }
    void SetRunTimeCustomizableStored(bool Value);

    TPersistent* Column() const { return FColumn; }
    void SetColumn(TPersistent* Value) { FColumn = Value; }
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value) { FFieldName = Value; }
    // The column's field, nil without a column or field.
    TField* Field() const;

    TGridDataGroupFooterVz* Footer() const;
    TGridDataGroupsVz* MasterGroups() const;

    virtual void InvalidateGrid();
    virtual bool DefaultRunTimeCustomizable() const;
    virtual bool IsShowFunctionNameStored() const { return FShowFunctionNameStored; }
    // One record's step (the record is the current instant-read record) and the last step.
    virtual void AggregateValue(Variant& AValue, TGroupDataTreeNodeVz* Node);
    virtual void FinalizeValue(Variant& AValue);

    // The step with the record's value V already read (AggregateValue reads it from the field).
    void AggregateFieldValue(Variant& AValue, const Variant& V, TGroupDataTreeNodeVz* Node);
    // Adds to AValue the value Part accumulated over other records (before the last step), as if
    // those records had been aggregated into AValue one by one.
    void CombineValue(Variant& AValue, const Variant& Part) const;
    // The footer node's value of this item's column (the node's value at the column's index in
    // the grid's columns); Unassigned when the column is not found.
    Variant AggrValue(TGroupDataTreeNodeVz* FooterNode) const;
    // Ask the grid's (and the column's) event handlers; True when one processed the value.
    bool CheckCustomAggregateValue(Variant& AValue, TGroupDataTreeNodeVz* Node);
    bool CheckCustomFinalizeValue(Variant& AValue);
    bool CheckCustomConvertToDisplayText(Variant& AValue, String& DisplayValue);
    // The text shown in the footer cell.
    String ConvertToDisplayText(const Variant& AValue);

protected:
    String GetDisplayName() override;

private:
    bool EventsEnabled() const;
    void ValuesChanged();

    TAlignment FAlignment = taRightJustify;
    TGroupAppearanceVz FLook;
    TGroupFooterValueTypeVz FValueType = gfvNonVz;
    TPersistent* FColumn = nullptr;
    String FFieldName;
    String FDisplayFormat;
    bool FShowFunctionName = false;
    bool FShowFunctionNameStored = false;
    bool FRunTimeCustomizable = false;
    bool FRunTimeCustomizableStored = false;
    String FText;
    // The item's place among the fields read once per record while the tree sums its footers.
    int FAggrSlot = -1;
    friend class TGridGroupDataTreeVz;
};

// The column items of one footer, one per grid column.
class TGridDataGroupFooterColumnItemsVz : public TCollection {
    SDELKA_CLASS(TGridDataGroupFooterColumnItemsVz, TCollection)
protected:
    TGridDataGroupFooterColumnItemsVz(TGridDataGroupFooterVz* AOwner, TClass ItemClass)
        : TCollection(ItemClass), FOwner(AOwner) {}
    ~TGridDataGroupFooterColumnItemsVz() override = default;

public:
    // Assigns item by item by position, for the items of the source (the target must have at
    // least as many).
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() override;

    TGridDataGroupFooterColumnItemVz* Items(int Index) const {
        return static_cast<TGridDataGroupFooterColumnItemVz*>(TCollection::Items(Index));
    }
    void SetItem(int Index, TGridDataGroupFooterColumnItemVz* Value) { TCollection::SetItem(Index, Value); }
    TGridDataGroupFooterColumnItemVz* Add() { return static_cast<TGridDataGroupFooterColumnItemVz*>(TCollection::Add()); }
    // The first index whose item's Column is Column, else -1.
    int ItemIndexByColumn(TPersistent* Column) const;
    TGridDataGroupFooterVz* Footer() const { return FOwner; }
    virtual void FooterValuesChanged();

private:
    TGridDataGroupFooterVz* FOwner;
};

// One group footer row definition.
class TGridDataGroupFooterVz : public TCollectionItem {
    SDELKA_CLASS(TGridDataGroupFooterVz, TCollectionItem)
protected:
    explicit TGridDataGroupFooterVz(TCollection* Collection);
    ~TGridDataGroupFooterVz() override;

public:
    static void Published(TPublished<TGridDataGroupFooterVz>& P);
    void AfterConstruction() override;
    void BeforeDestruction() override;
    void Assign(TPersistent* Source) override;

    TColor Color() const;
    void SetColor(TColor Value);
    bool ParentColor() const { return FLook.ParentColor(); }
    void SetParentColor(bool Value) { FLook.SetParentColor(Value); }
    TFont* Font();
    void SetFont(TFont* Value) { FLook.SetFont(Value); }
    bool ParentFont() const { return FLook.ParentFont(); }
    void SetParentFont(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    TGridDataGroupFooterColumnItemsVz* ColumnItems() const { return FColumnItems.get(); }
    void SetColumnItems(TGridDataGroupFooterColumnItemsVz* Value) { FColumnItems->Assign(Value); }
    bool ShowFunctionName() const;
    void SetShowFunctionName(bool Value);
    bool ShowFunctionNameStored() const { return FShowFunctionNameStored; }
    void SetShowFunctionNameStored(bool Value);
    bool RunTimeCustomizable() const;
    void SetRunTimeCustomizable(bool Value);
    bool RunTimeCustomizableStored() const { return FRunTimeCustomizableStored; }
    void SetRunTimeCustomizableStored(bool Value);
    // Always 0; writing it does nothing.
    Integer RowHeight() const { return 0; }
    void SetRowHeight(Integer) {}
    bool RowHeightNeedUpdate() const { return FRowHeightNeedUpdate; }
    void SetRowHeightNeedUpdate(bool Value) { FRowHeightNeedUpdate = Value; }
    Integer AutoCalcHeight() const { return FAutoCalcHeight; }
    void SetAutoCalcHeight(Integer Value) { FAutoCalcHeight = Value; }

    TGridDataGroupFootersVz* FootersCollection() const;
    TGridDataGroupsVz* MasterGroups() const;
    TColor DefaultColor() const;
    TFont* DefaultFont() const;
    bool DefaultShowFunctionName() const;

    // Aligns the items with the grid's columns; True when an item was deleted, added, moved or
    // given a new field name.
    virtual bool UpdateColumnItems(TCollection* Columns);
    virtual void InvalidateGrid();
    virtual void FooterValuesChanged();
    virtual bool DefaultRunTimeCustomizable() const;

protected:
    String GetDisplayName() override;

private:
    TOwned<TGridDataGroupFooterColumnItemsVz> FColumnItems;
    TGroupAppearanceVz FLook;
    bool FVisible = false;
    bool FRowHeightNeedUpdate = false;
    bool FShowFunctionName = false;
    bool FRunTimeCustomizable = false;
    bool FRunTimeCustomizableStored = false;
    bool FShowFunctionNameStored = false;
    Integer FAutoCalcHeight = 0;
};

// The footers of a level or of the grouping object.
class TGridDataGroupFootersVz : public TCollection {
    SDELKA_CLASS(TGridDataGroupFootersVz, TCollection)
protected:
    // AOwner is a level or the grouping object.
    TGridDataGroupFootersVz(TPersistent* AOwner, TClass FooterClass) : TCollection(FooterClass), FOwner(AOwner) {}
    ~TGridDataGroupFootersVz() override = default;

public:
    TPersistent* GetOwner() override { return FOwner; }
    TGridDataGroupFooterVz* Items(int Index) const { return static_cast<TGridDataGroupFooterVz*>(TCollection::Items(Index)); }
    void SetItem(int Index, TGridDataGroupFooterVz* Value) { TCollection::SetItem(Index, Value); }
    TGridDataGroupFooterVz* Add() { return static_cast<TGridDataGroupFooterVz*>(TCollection::Add()); }
    // The footers whose Visible is True, in collection order (EListError out of range).
    TGridDataGroupFooterVz* VisibleItems(int Index) const;
    int VisibleItemsCount() const { return static_cast<int>(FVisibleFooters.size()); }

    // The owner when it is a level, else nil.
    TGridDataGroupLevelVz* GroupLevel() const;
    // The owner when it is the grouping object, else nil.
    TGridDataGroupsVz* Groups() const;
    // The grouping object in both cases.
    TGridDataGroupsVz* GetMasterGroups() const;

    virtual void InvalidateGrid();
    virtual void FooterValuesChanged();
    virtual void VisibleFootersChanged();

protected:
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;
    void Update(TCollectionItem* Item) override;

private:
    TPersistent* FOwner;
    std::vector<TGridDataGroupFooterVz*> FVisibleFooters;
};
