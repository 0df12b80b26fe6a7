#include "grid/core/dynvarsvz.h"

#include "grid/core/uitextsvz.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"

// ---- TCustomDynVarVz ----------------------------------------------------------------------------

TCustomDynVarVz* TCustomDynVarVz::CreateAsDummy(TClass ItemClass, TCustomDynVarsVz* AOwnerWhenDummy) {
    auto* item = static_cast<TCustomDynVarVz*>(ItemClass->CreateItem(nullptr));
    item->FIsDummy = true;
    item->FOwnerWhenDummy = AOwnerWhenDummy;
    return item;
}

TCustomDynVarsVz* TCustomDynVarVz::VarCollection() const {
    return static_cast<TCustomDynVarsVz*>(Collection());
}

void TCustomDynVarVz::SetName(const String& Value) {
    // The placeholder has no collection yet: its name is checked against the list that owns it,
    // and it stays a placeholder until a value is written (which adds it under the new name).
    TCustomDynVarsVz* list = FIsDummy ? FOwnerWhenDummy : VarCollection();
    if (list) {
        TCustomDynVarVz* other = list->FindDynVar(Value);
        if (other && other != this) TCustomDynVarsVz::DuplicateError(Value);
    }
    FName = Value;
    Changed(false);
}

void TCustomDynVarVz::AdoptIfDummy() {
    if (FIsDummy && FOwnerWhenDummy) FOwnerWhenDummy->AdoptDummy(this);
}

void TCustomDynVarVz::StoreValue(const Variant& Value, bool Notify) {
    AdoptIfDummy();
    FData = Value;
    if (Notify) Changed(false);
}

void TCustomDynVarVz::SetValue(const Variant& Value) {
    StoreValue(Value, true);
}

bool TCustomDynVarVz::IsNull() const {
    if (VarIsEmpty(FData) || VarIsNull(FData)) return true;
    if (VarIsArray(FData)) return false;  // arrays do not compare; an array is a value
    try {
        return FData == Variant();
    } catch (const EVariantError&) {
        return false;
    }
}

bool TCustomDynVarVz::AsBoolean() const {
    return IsNull() ? false : FData.AsBoolean();
}

void TCustomDynVarVz::SetAsBoolean(bool Value) {
    StoreValue(Variant(Value), true);
}

Currency TCustomDynVarVz::AsCurrency() const {
    return IsNull() ? Currency() : FData.AsCurrency();
}

void TCustomDynVarVz::SetAsCurrency(Currency Value) {
    StoreValue(Variant(Value), true);
}

TDateTime TCustomDynVarVz::AsDateTime() const {
    return IsNull() ? 0.0 : FData.AsDateTime();
}

void TCustomDynVarVz::SetAsDateTime(TDateTime Value) {
    StoreValue(VarFromDateTime(Value), true);
}

double TCustomDynVarVz::AsFloat() const {
    return IsNull() ? 0.0 : FData.AsDouble();
}

void TCustomDynVarVz::SetAsFloat(double Value) {
    StoreValue(Variant(Value), true);
}

Integer TCustomDynVarVz::AsInteger() const {
    return IsNull() ? 0 : FData.AsInteger();
}

void TCustomDynVarVz::SetAsInteger(Integer Value) {
    StoreValue(Variant(Value), true);
}

TObject* TCustomDynVarVz::AsRefObject() const {
    return IsNull() ? nullptr : FData.AsObject();
}

void TCustomDynVarVz::SetAsRefObject(TObject* Value) {
    StoreValue(VarFromObject(Value), true);
}

String TCustomDynVarVz::AsString() const {
    return VarToStr(FData);
}

void TCustomDynVarVz::SetAsString(const String& Value) {
    StoreValue(Variant(Value), false);
}

bool TCustomDynVarVz::IsEqual(const TCustomDynVarVz* Other) const {
    if (VarType(FData) != VarType(Other->FData)) return false;
    if (!VarIsEmpty(FData)) {
        bool same;
        try {
            same = FData == Other->FData;
        } catch (const EVariantError&) {
            same = false;
        }
        if (!same) return false;
    }
    return FName == Other->FName && IsNull() == Other->IsNull();
}

void TCustomDynVarVz::AssignTo(TPersistent* Dest) {
    if (Dest && Dest->Is<TCustomDynVarVz>()) {
        auto* d = static_cast<TCustomDynVarVz*>(Dest);
        d->SetName(FName);
        d->SetValue(FData);
        return;
    }
    TCollectionItem::AssignTo(Dest);
}

String TCustomDynVarVz::GetDisplayName() {
    if (FName.isEmpty() && VarIsEmpty(FData)) return TCollectionItem::GetDisplayName();
    String s = FName.isEmpty() ? QStringLiteral("(EmptyName)") : FName;
    s += u'=';
    if (VarIsEmpty(FData)) s += QStringLiteral("(Empty)");
    else if (VarIsNull(FData)) s += QStringLiteral("(Null)");
    else {
        try {
            s += VarToStr(FData);
        } catch (const Exception&) {
            s += u'?';
        }
    }
    return s;
}

// ---- TCustomDynVarsVz ---------------------------------------------------------------------------

TCustomDynVarsVz::TCustomDynVarsVz(TPersistent* AOwner, TClass ItemClass) : TCollection(ItemClass), FOwner(AOwner) {}

TCustomDynVarsVz::~TCustomDynVarsVz() {
    // The items go first (the collection's destruction), then the placeholder.
    if (FDummyVar) {
        TCustomDynVarVz* dummy = FDummyVar;
        FDummyVar = nullptr;
        dummy->Free();
    }
}

void TCustomDynVarsVz::AfterConstruction() {
    TCollection::AfterConstruction();
    FDummyVar = TCustomDynVarVz::CreateAsDummy(GetDynVarClass(), this);
}

void TCustomDynVarsVz::DuplicateError(const String& VarName) {
    throw Exception(GetViZevLanguageConsts()->DuplicateVarNameVz(), {VarName});
}

TCustomDynVarVz* TCustomDynVarsVz::FindDynVar(const String& VarName) const {
    for (int i = 0; i < Count(); ++i) {
        TCustomDynVarVz* item = GetItem(i);
        if (SameText(item->FName, VarName)) return item;
    }
    return nullptr;
}

TCustomDynVarVz* TCustomDynVarsVz::GetDynVar(const String& VarName) {
    if (TCustomDynVarVz* item = FindDynVar(VarName)) return item;
    FDummyVar->FName = VarName;
    return FDummyVar;
}

TCustomDynVarVz* TCustomDynVarsVz::CreateDynVar(const String& VarName, const Variant& AValue) {
    if (FindDynVar(VarName)) DuplicateError(VarName);
    auto* item = static_cast<TCustomDynVarVz*>(Add());
    item->SetName(VarName);
    item->SetValue(AValue);
    return item;
}

TCustomDynVarVz* TCustomDynVarsVz::CreateDynVar(const String& VarName, TObject* AValue) {
    return CreateDynVar(VarName, VarFromObject(AValue));
}

void TCustomDynVarsVz::AddDynVar(TCustomDynVarVz* Value) {
    TCustomDynVarVz* same = FindDynVar(Value->FName);
    if (same && same != Value) DuplicateError(Value->FName);
    Value->SetCollection(this);
}

void TCustomDynVarsVz::RemoveDynVar(TCustomDynVarVz* Value) {
    if (Value && Value->Collection() == this) Value->SetCollection(nullptr);
}

void TCustomDynVarsVz::DeleteDynVar(const String& VarName) {
    if (TCustomDynVarVz* item = FindDynVar(VarName)) item->Free();
}

void TCustomDynVarsVz::AdoptDummy(TCustomDynVarVz* Item) {
    if (Item != FDummyVar) throw Exception(QStringLiteral("DummyVar must be same as collection DummyVar"));
    AddDynVar(Item);
    Item->FIsDummy = false;
    Item->FOwnerWhenDummy = nullptr;
    FDummyVar = TCustomDynVarVz::CreateAsDummy(GetDynVarClass(), this);
}

void TCustomDynVarsVz::AssignValues(TCustomDynVarsVz* Value) {
    for (int i = 0; i < Value->Count(); ++i) {
        TCustomDynVarVz* source = Value->GetItem(i);
        if (TCustomDynVarVz* target = FindDynVar(source->FName)) target->Assign(source);
    }
}

bool TCustomDynVarsVz::IsEqual(const TCustomDynVarsVz* Value) const {
    if (Count() != Value->Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (!GetItem(i)->IsEqual(Value->GetItem(i))) return false;
    return true;
}

void TCustomDynVarsVz::AssignTo(TPersistent* Dest) {
    if (Dest && Dest->Is<TCustomDynVarsVz>()) {
        Dest->Assign(this);
        return;
    }
    TCollection::AssignTo(Dest);
}

void TCustomDynVarsVz::Update(TCollectionItem* Item) {
    TCollection::Update(Item);
    if (OnChange) OnChange(this);
}

// ---- TDynVarVz ----------------------------------------------------------------------------------

void TDynVarVz::Published(TPublished<TDynVarVz>& P) {
    P.String("Name", &TDynVarVz::Name, &TDynVarVz::SetName);
}

void TDynVarVz::DefineProperties(TFiler* Filer) {
    TCustomDynVarVz::DefineProperties(Filer);
    Filer->DefineProperty(
        QStringLiteral("Value"), [this](TReader* Reader) { SetValue(Reader->ReadVariant()); },
        [this](TWriter* Writer) { Writer->WriteVariant(Value()); }, !VarIsEmpty(Value()));
}

// ---- TStringVarVz / TStringVarsVz ---------------------------------------------------------------

void TStringVarVz::Published(TPublished<TStringVarVz>& P) {
    P.String("Name", &TStringVarVz::Name, &TStringVarVz::SetName);
    P.String("Value", &TStringVarVz::Value, &TStringVarVz::SetValue);
}

TStringVarVz* TStringVarsVz::CreateDynVar(const String& VarName, const String& AValue) {
    if (TCustomDynVarsVz::FindDynVar(VarName)) DuplicateError(VarName);
    auto* item = static_cast<TStringVarVz*>(Add());
    item->SetName(VarName);
    item->SetValue(AValue);
    return item;
}

String TStringVarsVz::GetVarValue(const String& VarName) const {
    TStringVarVz* item = FindDynVar(VarName);
    if (!item)
        throw Exception(QStringLiteral("A Variable named '%s' doesn't exist in the Collection '%s'"),
                        {VarName, QStringLiteral("TStringVarsVz")});
    return item->Value();
}

void TStringVarsVz::SetVarValue(const String& VarName, const String& Value) {
    TStringVarVz* item = FindDynVar(VarName);
    if (!item)
        throw Exception(QStringLiteral("A Variable named '%s' doesn't exist in the Collection '%s'"),
                        {VarName, QStringLiteral("TStringVarsVz")});
    item->SetValue(Value);
}

String TStringVarsVz::GetAsTextString() const {
    TStringList lines;
    for (int i = 0; i < Count(); ++i) {
        TStringVarVz* item = GetItem(i);
        lines.Add(item->Name() + u'=' + item->Value());
    }
    return lines.Text();
}

void TStringVarsVz::SetFromTextString(const String& TextString) {
    BeginUpdate();
    try {
        Clear();
        TStringList lines;
        lines.SetText(TextString);
        for (int i = 0; i < lines.Count(); ++i) {
            const String line = lines.Strings(i);
            const qsizetype eq = line.indexOf(u'=');
            if (eq < 0) CreateDynVar(String(), String());
            else CreateDynVar(line.left(eq), line.mid(eq + 1));
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}
