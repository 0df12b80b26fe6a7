#include "grid/dbgrid/groupfootersvz.h"

#include "grid/core/valueutilsvz.h"
#include "grid/dbgrid/groupsvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

namespace {

bool FooterFontsDiffer(const TFont* A, const TFont* B) {
    return A->Name() != B->Name() || A->Height() != B->Height() || A->Style() != B->Style() ||
           A->Color() != B->Color() || A->Charset() != B->Charset() || A->Orientation() != B->Orientation() ||
           A->Pitch() != B->Pitch() || A->Quality() != B->Quality() || A->PixelsPerInch() != B->PixelsPerInch();
}

bool ColumnInCollection(TCollection* Columns, TPersistent* Column) {
    if (!Column) return false;
    for (int I = 0; I < Columns->Count(); ++I)
        if (Columns->Items(I) == Column) return true;
    return false;
}

String ColumnFieldName(TPersistent* Column) {
    IDataGroupsColumnVz* C = DataGroupsColumnVz(Column);
    return C ? C->GroupingFieldName() : String();
}

const char16_t* FunctionNamePrefix(TGroupFooterValueTypeVz T) {
    switch (T) {
    case gfvSumVz: return u"Sum = ";
    case gfvAvgVz: return u"Avg = ";
    case gfvCountVz: return u"Cnt = ";
    case gfvMaxVz: return u"Max = ";
    case gfvMinVz: return u"Min = ";
    default: return nullptr;
    }
}

}  // namespace

bool CopyParentFontVz(TFont* Own, TFont* Default) {
    if (!Own || !Default || Own == Default || !FooterFontsDiffer(Own, Default)) return false;
    TNotifyEvent Saved = Own->OnChange;
    Own->OnChange.Clear();
    TGroupFinallyVz Restore([&] { Own->OnChange = Saved; });
    Own->Assign(Default);
    return true;
}

TGroupAppearanceVz::TGroupAppearanceVz(std::function<void()> Invalidate)
    : FInvalidate(std::move(Invalidate)), FFont(NewOwned<TFont>()) {
    FFont->OnChange = [this](TObject*) {
        if (FCopyingFont) return;
        FParentFont = false;
        FInvalidate();
    };
}

void TGroupAppearanceVz::SetColor(TColor Value) {
    FColor = Value;
    FParentColor = false;
    FInvalidate();
}

void TGroupAppearanceVz::SetParentColor(bool Value) {
    if (FParentColor == Value) return;
    FParentColor = Value;
    FInvalidate();
}

TFont* TGroupAppearanceVz::Font(TFont* Default) {
    if (FParentFont && Default) {
        FCopyingFont = true;
        TGroupFinallyVz Done([this] { FCopyingFont = false; });
        CopyParentFontVz(FFont.get(), Default);
    }
    return FFont.get();
}

void TGroupAppearanceVz::SetParentFont(bool Value, TFont* Default) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    if (Value) Font(Default);
    FInvalidate();
}

void TGroupAppearanceVz::Assign(const TGroupAppearanceVz& Source) {
    FColor = Source.FColor;
    FParentColor = Source.FParentColor;
    FCopyingFont = true;
    TGroupFinallyVz Done([this] { FCopyingFont = false; });
    FFont->Assign(Source.FFont.get());
    FParentFont = Source.FParentFont;
}

void GroupColorIdentsVz(TPropBuilder Builder) {
    Builder.Idents([](Int64 V, String& S) { return ColorToIdent(TColor(V), S); },
                   [](const String& S, Int64& V) {
                       TColor C;
                       if (!IdentToColor(S, C)) return false;
                       V = C;
                       return true;
                   });
}

// ---- TGridDataGroupFootersDefValuesVz ----

void TGridDataGroupFootersDefValuesVz::Published(TPublished<TGridDataGroupFootersDefValuesVz>& P) {
    using C = TGridDataGroupFootersDefValuesVz;
    P.Boolean("ShowFunctionName", &C::ShowFunctionName, &C::SetShowFunctionName).Default(false);
    P.Boolean("RunTimeCustomizable", &C::RunTimeCustomizable, &C::SetRunTimeCustomizable).Default(false);
}

void TGridDataGroupFootersDefValuesVz::Assign(TPersistent* Source) {
    if (auto* S = dynamic_cast<TGridDataGroupFootersDefValuesVz*>(Source)) {
        SetShowFunctionName(S->ShowFunctionName());
        SetRunTimeCustomizable(S->RunTimeCustomizable());
        return;
    }
    inherited::Assign(Source);
}

void TGridDataGroupFootersDefValuesVz::SetShowFunctionName(bool Value) {
    if (FShowFunctionName == Value) return;
    FShowFunctionName = Value;
    if (FDataGroups) FDataGroups->FooterValuesChanged();
}

// ---- TGridDataGroupFooterColumnItemVz ----

void TGridDataGroupFooterColumnItemVz::Published(TPublished<TGridDataGroupFooterColumnItemVz>& P) {
    using C = TGridDataGroupFooterColumnItemVz;
    P.Enum("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"})
        .Default(taRightJustify);
    GroupColorIdentsVz(P.Integer("Color", &C::Color, &C::SetColor).Stored(TGroupStoredFnVz([](TObject* O) {
        return !static_cast<C*>(O)->ParentColor();
    })));
    P.String("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    P.Object("Font", &C::Font, &C::SetFont).Stored(TGroupStoredFnVz([](TObject* O) { return !static_cast<C*>(O)->ParentFont(); }));
    P.Boolean("ParentColor", &C::ParentColor, &C::SetParentColor).Default(true);
    P.Boolean("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    P.Boolean("RunTimeCustomizable", &C::RunTimeCustomizable, &C::SetRunTimeCustomizable)
        .Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->RunTimeCustomizableStored(); }));
    P.Boolean("RunTimeCustomizableStored", &C::RunTimeCustomizableStored, &C::SetRunTimeCustomizableStored).Default(false);
    P.Boolean("ShowFunctionName", &C::ShowFunctionName, &C::SetShowFunctionName)
        .Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->ShowFunctionNameStored(); }));
    P.Boolean("ShowFunctionNameStored", &C::ShowFunctionNameStored, &C::SetShowFunctionNameStored).Default(false);
    P.String("Text", &C::Text, &C::SetText);
    P.Enum("ValueType", &C::ValueType, &C::SetValueType,
           {"gfvNonVz", "gfvSumVz", "gfvAvgVz", "gfvCountVz", "gfvMaxVz", "gfvMinVz", "gfvStaticTextVz", "gfvCustomVz"})
        .Default(gfvNonVz);
}

TGridDataGroupFooterColumnItemVz::TGridDataGroupFooterColumnItemVz(TCollection* Collection)
    : TCollectionItem(Collection), FLook([this] { InvalidateGrid(); }) {}

TColor TGridDataGroupFooterColumnItemVz::Color() const { return FLook.Color(Footer() ? Footer()->Color() : FLook.OwnColor()); }

void TGridDataGroupFooterColumnItemVz::SetColor(TColor Value) { FLook.SetColor(Value); }

TFont* TGridDataGroupFooterColumnItemVz::Font() { return FLook.Font(Footer() ? Footer()->Font() : nullptr); }

void TGridDataGroupFooterColumnItemVz::SetParentFont(bool Value) { FLook.SetParentFont(Value, Footer() ? Footer()->Font() : nullptr); }

TGridDataGroupFooterColumnItemVz::~TGridDataGroupFooterColumnItemVz() = default;

void TGridDataGroupFooterColumnItemVz::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TGridDataGroupFooterColumnItemVz*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    FAlignment = S->FAlignment;
    FLook.Assign(S->FLook);
    FDisplayFormat = S->FDisplayFormat;
    FValueType = S->FValueType;
    FShowFunctionName = S->FShowFunctionName;
    FShowFunctionNameStored = S->FShowFunctionNameStored;
    FRunTimeCustomizable = S->FRunTimeCustomizable;
    FRunTimeCustomizableStored = S->FRunTimeCustomizableStored;
    ValuesChanged();
}

TGridDataGroupFooterVz* TGridDataGroupFooterColumnItemVz::Footer() const {
    auto* C = static_cast<TGridDataGroupFooterColumnItemsVz*>(Collection());
    return C ? C->Footer() : nullptr;
}

TGridDataGroupsVz* TGridDataGroupFooterColumnItemVz::MasterGroups() const {
    return Footer() ? Footer()->MasterGroups() : nullptr;
}

void TGridDataGroupFooterColumnItemVz::SetAlignment(TAlignment Value) {
    if (FAlignment == Value) return;
    FAlignment = Value;
    InvalidateGrid();
}

void TGridDataGroupFooterColumnItemVz::SetDisplayFormat(const String& Value) {
    if (FDisplayFormat == Value) return;
    FDisplayFormat = Value;
    InvalidateGrid();
}

void TGridDataGroupFooterColumnItemVz::SetValueType(TGroupFooterValueTypeVz Value) {
    if (FValueType == Value) return;
    FValueType = Value;
    ValuesChanged();
}

void TGridDataGroupFooterColumnItemVz::SetText(const String& Value) {
    if (FText == Value) return;
    FText = Value;
    ValuesChanged();
}

bool TGridDataGroupFooterColumnItemVz::ShowFunctionName() const {
    if (FShowFunctionNameStored || !Footer()) return FShowFunctionName;
    return Footer()->ShowFunctionName();
}

void TGridDataGroupFooterColumnItemVz::SetShowFunctionName(bool Value) {
    if (FShowFunctionNameStored && FShowFunctionName == Value) return;
    FShowFunctionName = Value;
    FShowFunctionNameStored = true;
    InvalidateGrid();
}

void TGridDataGroupFooterColumnItemVz::SetShowFunctionNameStored(bool Value) {
    if (FShowFunctionNameStored == Value) return;
    FShowFunctionNameStored = Value;
    if (Footer()) FShowFunctionName = Footer()->ShowFunctionName();
    ValuesChanged();
}

bool TGridDataGroupFooterColumnItemVz::RunTimeCustomizable() const {
    return FRunTimeCustomizableStored ? FRunTimeCustomizable : DefaultRunTimeCustomizable();
}

void TGridDataGroupFooterColumnItemVz::SetRunTimeCustomizable(bool Value) {
    FRunTimeCustomizable = Value;
    FRunTimeCustomizableStored = true;
}

void TGridDataGroupFooterColumnItemVz::SetRunTimeCustomizableStored(bool Value) {
    if (FRunTimeCustomizableStored == Value) return;
    FRunTimeCustomizableStored = Value;
    FRunTimeCustomizable = DefaultRunTimeCustomizable();
}

bool TGridDataGroupFooterColumnItemVz::DefaultRunTimeCustomizable() const {
    return Footer() ? Footer()->RunTimeCustomizable() : false;
}

TField* TGridDataGroupFooterColumnItemVz::Field() const {
    IDataGroupsColumnVz* C = DataGroupsColumnVz(FColumn);
    return C ? C->GroupingField() : nullptr;
}

void TGridDataGroupFooterColumnItemVz::InvalidateGrid() {
    if (Footer()) Footer()->InvalidateGrid();
}

void TGridDataGroupFooterColumnItemVz::ValuesChanged() {
    if (auto* C = static_cast<TGridDataGroupFooterColumnItemsVz*>(Collection())) C->FooterValuesChanged();
}

String TGridDataGroupFooterColumnItemVz::GetDisplayName() {
    if (!Footer()) return inherited::GetDisplayName();
    String S = Footer()->DisplayName();
    String F = ColumnFieldName(FColumn);
    if (!F.isEmpty()) S += u"["_S + F + u"]"_S;
    return S;
}

bool TGridDataGroupFooterColumnItemVz::EventsEnabled() const {
    TGridDataGroupsVz* G = MasterGroups();
    return G && G->Grid() && !G->GridLoading();
}

bool TGridDataGroupFooterColumnItemVz::CheckCustomAggregateValue(Variant& AValue, TGroupDataTreeNodeVz* Node) {
    return EventsEnabled() && MasterGroups()->DoFooterAggregateValue(this, AValue, Node);
}

bool TGridDataGroupFooterColumnItemVz::CheckCustomFinalizeValue(Variant& AValue) {
    return EventsEnabled() && MasterGroups()->DoFooterFinalizeValue(this, AValue);
}

bool TGridDataGroupFooterColumnItemVz::CheckCustomConvertToDisplayText(Variant& AValue, String& DisplayValue) {
    return EventsEnabled() && MasterGroups()->DoFooterToDisplayText(this, AValue, DisplayValue);
}

void TGridDataGroupFooterColumnItemVz::AggregateValue(Variant& AValue, TGroupDataTreeNodeVz* Node) {
    TField* F = Field();
    AggregateFieldValue(AValue, F ? F->AsVariant() : Null(), Node);
}

void TGridDataGroupFooterColumnItemVz::AggregateFieldValue(Variant& AValue, const Variant& V, TGroupDataTreeNodeVz* Node) {
    if (FValueType != gfvNonVz && CheckCustomAggregateValue(AValue, Node)) return;
    const bool VNull = VarIsNullish(V);
    if (VarIsEmpty(AValue)) {
        switch (FValueType) {
        case gfvNonVz: AValue = Null(); break;
        case gfvSumVz:
        case gfvMaxVz:
        case gfvMinVz: AValue = VNull ? Null() : V; break;
        case gfvAvgVz:
            AValue = VarArrayCreate({0, 1}, varVariant);
            AValue.PutElement(0, VNull ? Null() : V);
            AValue.PutElement(1, Variant(VNull ? 0 : 1));
            break;
        case gfvCountVz: AValue = Variant(VNull ? 0 : 1); break;
        case gfvStaticTextVz: AValue = Variant(FText); break;
        case gfvCustomVz: AValue = Variant(u"Custom"_S); break;
        }
        return;
    }
    switch (FValueType) {
    case gfvNonVz: AValue = Variant(String()); break;
    case gfvSumVz:
        if (VNull) break;
        if (VarIsNull(AValue))
            AValue = V;
        else
            AValue += V;
        break;
    case gfvAvgVz: {
        if (VNull) break;
        Variant Sum = AValue.GetElement(0);
        AValue.PutElement(0, VarIsNull(Sum) ? V : Sum + V);
        AValue.PutElement(1, AValue.GetElement(1) + Variant(1));
        break;
    }
    case gfvCountVz:
        if (!VNull) AValue += Variant(1);
        break;
    case gfvMaxVz:
        if (!VNull && (VarIsNull(AValue) || AValue < V)) AValue = V;
        break;
    case gfvMinVz:
        if (!VNull && (VarIsNull(AValue) || AValue > V)) AValue = V;
        break;
    case gfvStaticTextVz: AValue = Variant(FText); break;
    case gfvCustomVz: AValue = Variant(u"Custom"_S); break;
    }
}

void TGridDataGroupFooterColumnItemVz::CombineValue(Variant& AValue, const Variant& Part) const {
    if (VarIsEmpty(Part)) return;
    if (VarIsEmpty(AValue)) {
        AValue = Part;
        return;
    }
    switch (FValueType) {
    case gfvNonVz: AValue = Variant(String()); break;
    case gfvSumVz:
        if (VarIsNull(Part)) break;
        if (VarIsNull(AValue))
            AValue = Part;
        else
            AValue += Part;
        break;
    case gfvAvgVz: {
        if (!VarIsArray(Part) || !VarIsArray(AValue)) break;
        const Variant PartSum = Part.GetElement(0);
        if (!VarIsNull(PartSum)) {
            const Variant Sum = AValue.GetElement(0);
            AValue.PutElement(0, VarIsNull(Sum) ? PartSum : Sum + PartSum);
        }
        AValue.PutElement(1, AValue.GetElement(1) + Part.GetElement(1));
        break;
    }
    case gfvCountVz: AValue += Part; break;
    case gfvMaxVz:
        if (!VarIsNull(Part) && (VarIsNull(AValue) || AValue < Part)) AValue = Part;
        break;
    case gfvMinVz:
        if (!VarIsNull(Part) && (VarIsNull(AValue) || AValue > Part)) AValue = Part;
        break;
    case gfvStaticTextVz: AValue = Variant(FText); break;
    case gfvCustomVz: AValue = Variant(u"Custom"_S); break;
    }
}

void TGridDataGroupFooterColumnItemVz::FinalizeValue(Variant& AValue) {
    if (FValueType != gfvNonVz && CheckCustomFinalizeValue(AValue)) return;
    if (FValueType == gfvAvgVz && VarIsArray(AValue)) {
        Variant Count = AValue.GetElement(1);
        if (!VarIsNullish(Count) && Count.AsInteger() != 0)
            AValue = AValue.GetElement(0) / Count;
        else
            AValue = Null();
    } else if (FValueType == gfvCountVz && VarIsEmpty(AValue)) {
        AValue = Variant(0);
    }
}

Variant TGridDataGroupFooterColumnItemVz::AggrValue(TGroupDataTreeNodeVz* FooterNode) const {
    if (!FooterNode) return Unassigned();
    TGridDataGroupsVz* G = MasterGroups();
    TCollection* Columns = G ? G->GridColumns() : nullptr;
    if (!Columns) return FooterNode->FooterValues(Index());
    for (int I = 0; I < Columns->Count(); ++I)
        if (Columns->Items(I) == FColumn) return FooterNode->FooterValues(I);
    return Unassigned();
}

String TGridDataGroupFooterColumnItemVz::ConvertToDisplayText(const Variant& AValue) {
    String Text;
    if (FValueType != gfvNonVz) {
        Variant V = AValue;
        if (CheckCustomConvertToDisplayText(V, Text)) return Text;
    }
    IDataGroupsColumnVz* C = DataGroupsColumnVz(FColumn);
    const String Fmt = FDisplayFormat.isEmpty() && C ? C->GroupingDisplayFormat() : FDisplayFormat;
    TField* F = Field();
    if (!F) {
        Text = VarToStr(AValue);
    } else {
        switch (FValueType) {
        case gfvSumVz:
        case gfvMaxVz:
        case gfvMinVz: Text = FormatFieldValueVz(AValue, F, Fmt); break;
        case gfvAvgVz: Text = FormatFieldValueVz(AValue, F, FDisplayFormat.isEmpty() ? u"0.####"_S : FDisplayFormat); break;
        default: Text = VarToStr(AValue); break;
        }
    }
    if (ShowFunctionName())
        if (const char16_t* P = FunctionNamePrefix(FValueType)) Text = String::fromUtf16(P) + Text;
    return Text;
}

// ---- TGridDataGroupFooterColumnItemsVz ----

void TGridDataGroupFooterColumnItemsVz::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TGridDataGroupFooterColumnItemsVz*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    BeginUpdate();
    TGroupFinallyVz End([this] { EndUpdate(); });
    for (int I = 0; I < S->Count(); ++I) Items(I)->Assign(S->Items(I));
}

TPersistent* TGridDataGroupFooterColumnItemsVz::GetOwner() { return FOwner; }

int TGridDataGroupFooterColumnItemsVz::ItemIndexByColumn(TPersistent* Column) const {
    for (int I = 0; I < Count(); ++I)
        if (Items(I)->Column() == Column) return I;
    return -1;
}

void TGridDataGroupFooterColumnItemsVz::FooterValuesChanged() {
    if (FOwner) FOwner->FooterValuesChanged();
}

// ---- TGridDataGroupFooterVz ----

void TGridDataGroupFooterVz::Published(TPublished<TGridDataGroupFooterVz>& P) {
    using C = TGridDataGroupFooterVz;
    GroupColorIdentsVz(P.Integer("Color", &C::Color, &C::SetColor).Stored(TGroupStoredFnVz([](TObject* O) {
        return !static_cast<C*>(O)->ParentColor();
    })));
    P.Object("ColumnItems", &C::ColumnItems, &C::SetColumnItems).Stored(TGroupStoredFnVz([](TObject* O) {
        return static_cast<C*>(O)->ColumnItems()->Count() > 0;
    }));
    P.Object("Font", &C::Font, &C::SetFont).Stored(TGroupStoredFnVz([](TObject* O) { return !static_cast<C*>(O)->ParentFont(); }));
    P.Boolean("ParentColor", &C::ParentColor, &C::SetParentColor).Default(true);
    P.Boolean("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    P.Boolean("RunTimeCustomizable", &C::RunTimeCustomizable, &C::SetRunTimeCustomizable)
        .Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->RunTimeCustomizableStored(); }));
    P.Boolean("RunTimeCustomizableStored", &C::RunTimeCustomizableStored, &C::SetRunTimeCustomizableStored).Default(false);
    P.Boolean("ShowFunctionName", &C::ShowFunctionName, &C::SetShowFunctionName)
        .Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->ShowFunctionNameStored(); }));
    P.Boolean("ShowFunctionNameStored", &C::ShowFunctionNameStored, &C::SetShowFunctionNameStored).Default(false);
    P.Boolean("Visible", &C::Visible, &C::SetVisible).Default(false);
}

TGridDataGroupFooterVz::TGridDataGroupFooterVz(TCollection* Collection)
    : TCollectionItem(Collection), FLook([this] { InvalidateGrid(); }) {
    FColumnItems = NewOwned<TGridDataGroupFooterColumnItemsVz>(this, TGridDataGroupFooterColumnItemVz::StaticClass());
}

TColor TGridDataGroupFooterVz::Color() const { return FLook.Color(DefaultColor()); }

void TGridDataGroupFooterVz::SetColor(TColor Value) { FLook.SetColor(Value); }

TFont* TGridDataGroupFooterVz::Font() { return FLook.Font(DefaultFont()); }

void TGridDataGroupFooterVz::SetParentFont(bool Value) { FLook.SetParentFont(Value, DefaultFont()); }

TGridDataGroupFooterVz::~TGridDataGroupFooterVz() = default;

void TGridDataGroupFooterVz::AfterConstruction() {
    inherited::AfterConstruction();
    TGridDataGroupsVz* G = MasterGroups();
    if (G && !G->GridLoading())
        if (TCollection* Columns = G->GridColumns()) UpdateColumnItems(Columns);
}

void TGridDataGroupFooterVz::BeforeDestruction() { inherited::BeforeDestruction(); }

void TGridDataGroupFooterVz::Assign(TPersistent* Source) {
    auto* S = dynamic_cast<TGridDataGroupFooterVz*>(Source);
    if (!S) {
        inherited::Assign(Source);
        return;
    }
    FLook.Assign(S->FLook);
    FVisible = S->FVisible;
    FColumnItems->Assign(S->ColumnItems());
    FShowFunctionName = S->FShowFunctionName;
    FShowFunctionNameStored = S->FShowFunctionNameStored;
    FRunTimeCustomizable = S->FRunTimeCustomizable;
    FRunTimeCustomizableStored = S->FRunTimeCustomizableStored;
    if (FootersCollection()) FootersCollection()->VisibleFootersChanged();
}

TGridDataGroupFootersVz* TGridDataGroupFooterVz::FootersCollection() const {
    return static_cast<TGridDataGroupFootersVz*>(Collection());
}

TGridDataGroupsVz* TGridDataGroupFooterVz::MasterGroups() const {
    return FootersCollection() ? FootersCollection()->GetMasterGroups() : nullptr;
}

TColor TGridDataGroupFooterVz::DefaultColor() const {
    TGridDataGroupFootersVz* C = FootersCollection();
    if (C && C->GroupLevel()) return C->GroupLevel()->GetDefaultFooterColor();
    if (TGridDataGroupsVz* G = MasterGroups()) return G->GetDefaultFooterColor();
    return clWindow;
}

TFont* TGridDataGroupFooterVz::DefaultFont() const {
    TGridDataGroupFootersVz* C = FootersCollection();
    if (C && C->GroupLevel()) return C->GroupLevel()->GetDefaultFooterFont();
    if (TGridDataGroupsVz* G = MasterGroups()) return G->GetDefaultFooterFont();
    return nullptr;
}

void TGridDataGroupFooterVz::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    if (FootersCollection()) FootersCollection()->VisibleFootersChanged();
}

bool TGridDataGroupFooterVz::DefaultShowFunctionName() const {
    TGridDataGroupsVz* G = MasterGroups();
    return G && G->FootersDefValues() ? G->FootersDefValues()->ShowFunctionName() : false;
}

bool TGridDataGroupFooterVz::ShowFunctionName() const {
    return FShowFunctionNameStored ? FShowFunctionName : DefaultShowFunctionName();
}

void TGridDataGroupFooterVz::SetShowFunctionName(bool Value) {
    if (FShowFunctionNameStored && FShowFunctionName == Value) return;
    FShowFunctionName = Value;
    FShowFunctionNameStored = true;
    InvalidateGrid();
}

void TGridDataGroupFooterVz::SetShowFunctionNameStored(bool Value) {
    if (FShowFunctionNameStored == Value) return;
    FShowFunctionNameStored = Value;
    FShowFunctionName = DefaultShowFunctionName();
    FooterValuesChanged();
}

bool TGridDataGroupFooterVz::DefaultRunTimeCustomizable() const {
    TGridDataGroupsVz* G = MasterGroups();
    return G && G->FootersDefValues() ? G->FootersDefValues()->RunTimeCustomizable() : false;
}

bool TGridDataGroupFooterVz::RunTimeCustomizable() const {
    return FRunTimeCustomizableStored ? FRunTimeCustomizable : DefaultRunTimeCustomizable();
}

void TGridDataGroupFooterVz::SetRunTimeCustomizable(bool Value) {
    FRunTimeCustomizable = Value;
    FRunTimeCustomizableStored = true;
}

void TGridDataGroupFooterVz::SetRunTimeCustomizableStored(bool Value) {
    if (FRunTimeCustomizableStored == Value) return;
    FRunTimeCustomizableStored = Value;
    FRunTimeCustomizable = DefaultRunTimeCustomizable();
}

bool TGridDataGroupFooterVz::UpdateColumnItems(TCollection* Columns) {
    if (!Columns) return false;
    // A deleted item moves the items after it, so the footer values must be laid out again: a
    // deletion is a change too.
    bool Changed = false;
    for (int I = FColumnItems->Count() - 1; I >= 0; --I)
        if (!ColumnInCollection(Columns, FColumnItems->Items(I)->Column())) {
            FColumnItems->Delete(I);
            Changed = true;
        }
    for (int I = 0; I < Columns->Count(); ++I) {
        TPersistent* Column = Columns->Items(I);
        const String FieldName = ColumnFieldName(Column);
        const int J = FColumnItems->ItemIndexByColumn(Column);
        if (J == I) {
            TGridDataGroupFooterColumnItemVz* Item = FColumnItems->Items(J);
            if (Item->FieldName() != FieldName) {
                Item->SetFieldName(FieldName);
                Changed = true;
            }
        } else if (J == -1) {
            TGridDataGroupFooterColumnItemVz* Item = FColumnItems->Add();
            Item->SetColumn(Column);
            Item->SetFieldName(FieldName);
            Changed = true;
        } else {
            FColumnItems->Items(J)->SetIndex(I);
            Changed = true;
        }
    }
    return Changed;
}

void TGridDataGroupFooterVz::InvalidateGrid() {
    if (FootersCollection()) FootersCollection()->InvalidateGrid();
}

void TGridDataGroupFooterVz::FooterValuesChanged() {
    if (FootersCollection()) FootersCollection()->FooterValuesChanged();
}

String TGridDataGroupFooterVz::GetDisplayName() {
    TGridDataGroupsVz* G = MasterGroups();
    if (!G) return inherited::GetDisplayName();
    String S = (G->Grid() ? G->Grid()->Name() : String()) + u".DataGrouping"_S;
    if (FootersCollection()->Groups()) S += u".Footers["_S + IntToStr(Index()) + u"]"_S;
    return S;
}

// ---- TGridDataGroupFootersVz ----

TGridDataGroupFooterVz* TGridDataGroupFootersVz::VisibleItems(int Index) const {
    if (Index < 0 || Index >= VisibleItemsCount())
        throw EListError(Format(u"List index out of bounds (%d)"_S, {Index}));
    return FVisibleFooters[std::size_t(Index)];
}

TGridDataGroupLevelVz* TGridDataGroupFootersVz::GroupLevel() const { return dynamic_cast<TGridDataGroupLevelVz*>(FOwner); }

TGridDataGroupsVz* TGridDataGroupFootersVz::Groups() const { return dynamic_cast<TGridDataGroupsVz*>(FOwner); }

TGridDataGroupsVz* TGridDataGroupFootersVz::GetMasterGroups() const {
    if (TGridDataGroupLevelVz* L = GroupLevel()) return L->DataGroups();
    return Groups();
}

void TGridDataGroupFootersVz::InvalidateGrid() {
    if (TGridDataGroupLevelVz* L = GroupLevel())
        L->InvalidateGrid();
    else if (TGridDataGroupsVz* G = Groups())
        G->InvalidateGrid();
}

void TGridDataGroupFootersVz::FooterValuesChanged() {
    if (TGridDataGroupsVz* G = GetMasterGroups()) G->FooterValuesChanged();
}

void TGridDataGroupFootersVz::VisibleFootersChanged() {
    FVisibleFooters.clear();
    for (int I = 0; I < Count(); ++I)
        if (Items(I)->Visible()) FVisibleFooters.push_back(Items(I));
    if (TGridDataGroupsVz* G = GetMasterGroups()) G->FooterStructureChanged();
}

void TGridDataGroupFootersVz::Notify(TCollectionItem* Item, TCollectionNotification Action) {
    inherited::Notify(Item, Action);
    // A footer on its way out must not be listed while the tree is told about it.
    if (Action == cnExtracting)
        FVisibleFooters.erase(std::remove(FVisibleFooters.begin(), FVisibleFooters.end(), Item), FVisibleFooters.end());
}

void TGridDataGroupFootersVz::Update(TCollectionItem* Item) {
    inherited::Update(Item);
    VisibleFootersChanged();
}

// ---- the grouping object's column binding ----

void TGridDataGroupsVz::ColumnsLoaded() {
    FColumsLoaded = true;
    TCollection* Columns = GridColumns();
    if (!Columns || !FFooters) return;
    for (int F = 0; F < FFooters->Count(); ++F) {
        TGridDataGroupFooterColumnItemsVz* Items = FFooters->Items(F)->ColumnItems();
        // A layout saved with more columns than the grid has now binds only the columns that exist.
        const int N = std::min(Items->Count(), Columns->Count());
        for (int I = 0; I < N; ++I) {
            Items->Items(I)->SetColumn(Columns->Items(I));
            Items->Items(I)->SetFieldName(ColumnFieldName(Columns->Items(I)));
        }
    }
}

void TGridDataGroupsVz::ColumnsChanged() {
    TCollection* Columns = GridColumns();
    if (!Columns || !FFooters) return;
    // An item never keeps a column the grid has freed: the items that are not aligned below (the
    // levels' own footers, or all while grouping is off) forget it and keep their places.
    auto Forget = [Columns](TGridDataGroupFootersVz* Footers) {
        for (int F = 0; F < Footers->Count(); ++F) {
            TGridDataGroupFooterColumnItemsVz* Items = Footers->Items(F)->ColumnItems();
            for (int I = 0; I < Items->Count(); ++I)
                if (Items->Items(I)->Column() && !ColumnInCollection(Columns, Items->Items(I)->Column()))
                    Items->Items(I)->SetColumn(nullptr);
        }
    };
    if (FGroupLevels)
        for (int L = 0; L < FGroupLevels->Count(); ++L) Forget(FGroupLevels->Items(L)->Footers());
    if (!FColumsLoaded || !FActive) {
        Forget(FFooters.get());
        return;
    }
    bool Changed = false;
    for (int F = 0; F < FFooters->Count(); ++F)
        if (FFooters->Items(F)->UpdateColumnItems(Columns)) Changed = true;
    if (Changed && FGroupDataTree) FGroupDataTree->RebuildFooters();
}

// ---- footer values over the tree ----

void TGridGroupDataTreeVz::RecalculateFootersValues() {
    TGridDataGroupsVz* G = FGridDataGroups;
    if (!G || !G->Footers() || !G->GroupLevels()) return;
    bool AnyFooters = G->Footers()->Count() > 0;
    for (int I = 0; !AnyFooters && I < G->GroupLevels()->Count(); ++I)
        AnyFooters = G->GroupLevels()->Items(I)->Footers()->Count() > 0;
    if (!AnyFooters) return;

    // Every footer node starts over, and every field the items read gets one slot, so that a
    // record's value is read once however many footers above it count it.
    std::vector<TField*> Fields;
    std::vector<TGroupDataTreeNodeVz*> FooterNodes;
    for (TGroupDataTreeNodeVz* N = GetFirst(); N; N = GetNext(N)) {
        if (N->NodeType() != dntDataGroupFooterVz || !N->DataGroupFooter()) continue;
        FooterNodes.push_back(N);
        TGridDataGroupFooterColumnItemsVz* Items = N->DataGroupFooter()->ColumnItems();
        N->FooterValue().assign(std::size_t(Items->Count()), Variant());
        for (int J = 0; J < Items->Count(); ++J) {
            TGridDataGroupFooterColumnItemVz* Item = Items->Items(J);
            TField* F = Item->Field();
            auto It = std::find(Fields.begin(), Fields.end(), F);
            Item->FAggrSlot = static_cast<int>(It - Fields.begin());
            if (It == Fields.end()) Fields.push_back(F);
        }
    }

    IMemTableVz* MT = G->GridMemTable();
    std::vector<Variant> Values(Fields.size());
    for (TGroupDataTreeNodeVz* R = GetFirst(); R; R = GetNext(R)) {
        if (R->NodeType() != dntDataSetRecordVz) continue;
        if (MT) MT->InstantReadEnter(R->DataSetRecordViewNo());
        TGroupFinallyVz Leave([MT] {
            if (MT) MT->InstantReadLeave();
        });
        for (std::size_t S = 0; S < Fields.size(); ++S) Values[S] = Fields[S] ? Fields[S]->AsVariant() : Null();
        TGroupDataTreeNodeVz* N = R;
        for (TGroupDataTreeNodeVz* P = N->Parent(); P; N = P, P = P->Parent()) {
            for (Integer K = 0; K < P->FooterItemCount(); ++K) {
                TGroupDataTreeNodeVz* F = P->FooterItems(K);
                if (!F->DataGroupFooter()) continue;
                TGridDataGroupFooterColumnItemsVz* Items = F->DataGroupFooter()->ColumnItems();
                std::vector<Variant>& Acc = F->FooterValue();
                const int N2 = std::min(Items->Count(), static_cast<int>(Acc.size()));
                for (int J = 0; J < N2; ++J) {
                    TGridDataGroupFooterColumnItemVz* Item = Items->Items(J);
                    Item->AggregateFieldValue(Acc[std::size_t(J)], Values[std::size_t(Item->FAggrSlot)], N);
                }
            }
        }
    }

    for (TGroupDataTreeNodeVz* F : FooterNodes) {
        TGridDataGroupFooterColumnItemsVz* Items = F->DataGroupFooter()->ColumnItems();
        F->FooterAcc() = F->FooterValue();
        std::vector<Variant>& Values = F->FooterValue();
        const int N2 = std::min(Items->Count(), static_cast<int>(Values.size()));
        for (int J = 0; J < N2; ++J) Items->Items(J)->FinalizeValue(Values[std::size_t(J)]);
    }
    UpdateAllDataRowHeights();
    RebuildFlatVisibleList();
}

void TGridGroupDataTreeVz::RecalculateFootersOnPaths(std::initializer_list<TGroupDataTreeNodeVz*> From) {
    std::vector<TGroupDataTreeNodeVz*> Dirty;
    for (TGroupDataTreeNodeVz* N : From)
        for (; N; N = N->Parent())
            if (std::find(Dirty.begin(), Dirty.end(), N) == Dirty.end()) Dirty.push_back(N);
    if (!RecalculateFooterPaths(std::move(Dirty))) RecalculateFootersValues();
}

bool TGridGroupDataTreeVz::RecalculateFooterPaths(std::vector<TGroupDataTreeNodeVz*> Dirty) {
    TGridDataGroupsVz* G = FGridDataGroups;
    if (!G || !G->Footers() || G->FooterAggregateEventsAssigned()) return false;
    // Every group must show the grouping object's footers, so that a parent's footer k is the
    // same definition as its groups' footer k.
    for (int I = 0; I < G->ActiveGroupLevelsCount(); ++I)
        if (G->ActiveGroupLevels(I)->UsedFooters() != G->Footers()) return false;
    TGridDataGroupFootersVz* Footers = G->Footers();
    std::vector<TField*> Fields;
    for (int K = 0; K < Footers->Count(); ++K) {
        TGridDataGroupFooterColumnItemsVz* Items = Footers->Items(K)->ColumnItems();
        for (int J = 0; J < Items->Count(); ++J) {
            TGridDataGroupFooterColumnItemVz* Item = Items->Items(J);
            TField* F = Item->Field();
            auto It = std::find(Fields.begin(), Fields.end(), F);
            Item->FAggrSlot = static_cast<int>(It - Fields.begin());
            if (It == Fields.end()) Fields.push_back(F);
        }
    }
    // The children's footers must have been summed for them to be combined.
    auto Summed = [Footers](TGroupDataTreeNodeVz* N) {
        if (N->FooterItemCount() != Footers->Count()) return false;
        for (Integer K = 0; K < N->FooterItemCount(); ++K) {
            TGroupDataTreeNodeVz* F = N->FooterItems(K);
            if (F->DataGroupFooter() != Footers->Items(K) ||
                F->FooterAcc().size() != std::size_t(Footers->Items(K)->ColumnItems()->Count()))
                return false;
        }
        return true;
    };
    // Deepest first: a group is summed after the groups in it.
    std::stable_sort(Dirty.begin(), Dirty.end(),
                     [](TGroupDataTreeNodeVz* A, TGroupDataTreeNodeVz* B) { return A->Level() > B->Level(); });
    for (TGroupDataTreeNodeVz* N : Dirty)
        if (N->FooterItemCount() != Footers->Count()) return false;
    IMemTableVz* MT = G->GridMemTable();
    std::vector<Variant> Values(Fields.size());
    for (TGroupDataTreeNodeVz* N : Dirty) {
        for (Integer K = 0; K < N->FooterItemCount(); ++K)
            N->FooterItems(K)->FooterAcc().assign(std::size_t(Footers->Items(K)->ColumnItems()->Count()), Variant());
        for (Integer C = 0; C < N->Count(); ++C) {
            TGroupDataTreeNodeVz* Child = N->Items(C);
            if (Child->NodeType() == dntDataSetRecordVz) {
                if (MT) MT->InstantReadEnter(Child->DataSetRecordViewNo());
                TGroupFinallyVz Leave([MT] {
                    if (MT) MT->InstantReadLeave();
                });
                for (std::size_t S = 0; S < Fields.size(); ++S) Values[S] = Fields[S] ? Fields[S]->AsVariant() : Null();
                for (Integer K = 0; K < N->FooterItemCount(); ++K) {
                    TGridDataGroupFooterColumnItemsVz* Items = Footers->Items(K)->ColumnItems();
                    std::vector<Variant>& Acc = N->FooterItems(K)->FooterAcc();
                    for (int J = 0; J < Items->Count(); ++J)
                        Items->Items(J)->AggregateFieldValue(Acc[std::size_t(J)], Values[std::size_t(Items->Items(J)->FAggrSlot)], Child);
                }
            } else {
                if (!Summed(Child)) return false;
                for (Integer K = 0; K < N->FooterItemCount(); ++K) {
                    TGridDataGroupFooterColumnItemsVz* Items = Footers->Items(K)->ColumnItems();
                    std::vector<Variant>& Acc = N->FooterItems(K)->FooterAcc();
                    const std::vector<Variant>& Part = Child->FooterItems(K)->FooterAcc();
                    for (int J = 0; J < Items->Count(); ++J) Items->Items(J)->CombineValue(Acc[std::size_t(J)], Part[std::size_t(J)]);
                }
            }
        }
        for (Integer K = 0; K < N->FooterItemCount(); ++K) {
            TGroupDataTreeNodeVz* F = N->FooterItems(K);
            TGridDataGroupFooterColumnItemsVz* Items = Footers->Items(K)->ColumnItems();
            F->FooterValue() = F->FooterAcc();
            for (int J = 0; J < Items->Count(); ++J) Items->Items(J)->FinalizeValue(F->FooterValue()[std::size_t(J)]);
            F->RowDataChanged();
        }
    }
    return true;
}
