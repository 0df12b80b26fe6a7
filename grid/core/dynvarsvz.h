// Named parameter lists: collections of named Variant values that a program attaches to grids,
// columns, editors and drop-down calls without declaring fields (DynProps, drop-down parameters,
// SQL macro variables). Names are unique in a list without regard to case. A lookup of a missing
// name answers the list's placeholder item bearing that name; writing a value to it turns it into
// a real member of the list, so a caller can write GetDynVar("X")->SetAsInteger(1) directly.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/variant.h"

class TCustomDynVarsVz;

class TCustomDynVarVz : public TCollectionItem {
    SDELKA_CLASS(TCustomDynVarVz, TCollectionItem)
protected:
    explicit TCustomDynVarVz(TCollection* Collection) : TCollectionItem(Collection) {}
    ~TCustomDynVarVz() override = default;

public:
    // A placeholder of AOwnerWhenDummy, in no collection.
    static TCustomDynVarVz* CreateAsDummy(TClass ItemClass, TCustomDynVarsVz* AOwnerWhenDummy);

    TCustomDynVarsVz* VarCollection() const;
    bool IsDummy() const { return FIsDummy; }

    const String& Name() const { return FName; }
    // A name another item of the list has (ignoring case) raises the duplicate-name error.
    void SetName(const String& Value);
    const Variant& Value() const { return FData; }
    void SetValue(const Variant& Value);
    // The value becomes Unassigned, without change notification.
    void Clear() { FData = Variant(); }

    bool AsBoolean() const;
    void SetAsBoolean(bool Value);
    Currency AsCurrency() const;
    void SetAsCurrency(Currency Value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime Value);
    double AsFloat() const;
    void SetAsFloat(double Value);
    Integer AsInteger() const;
    void SetAsInteger(Integer Value);
    TObject* AsRefObject() const;
    void SetAsRefObject(TObject* Value);
    String AsString() const;
    // Stores the text without change notification.
    void SetAsString(const String& Value);
    // Unassigned, Null, or equal to Unassigned under Variant equality (0, '', False, the zero date).
    bool IsNull() const;

    // Same type, equal values, same name (with case), same IsNull.
    bool IsEqual(const TCustomDynVarVz* Other) const;

protected:
    void AssignTo(TPersistent* Dest) override;
    String GetDisplayName() override;

private:
    friend class TCustomDynVarsVz;
    // Writing through a placeholder first makes it a member of its list.
    void AdoptIfDummy();
    void StoreValue(const Variant& Value, bool Notify);

    Variant FData;
    bool FIsDummy = false;
    String FName;
    TCustomDynVarsVz* FOwnerWhenDummy = nullptr;
};

class TCustomDynVarsVz : public TCollection {
    SDELKA_CLASS(TCustomDynVarsVz, TCollection)
protected:
    TCustomDynVarsVz(TPersistent* AOwner, TClass ItemClass);
    ~TCustomDynVarsVz() override;

public:
    void AfterConstruction() override;
    TPersistent* GetOwner() override { return FOwner; }

    TCustomDynVarVz* FindDynVar(const String& VarName) const;
    bool VarExists(const String& VarName) const { return FindDynVar(VarName) != nullptr; }
    // The item of that name, or the placeholder now bearing the name.
    TCustomDynVarVz* GetDynVar(const String& VarName);
    TCustomDynVarVz* CreateDynVar(const String& VarName, const Variant& AValue);
    // The object reference is kept in the value (not owned).
    TCustomDynVarVz* CreateDynVar(const String& VarName, TObject* AValue);
    // Moves the item into this list (out of any list it was in).
    void AddDynVar(TCustomDynVarVz* Value);
    // Detaches the item when it is in this list; the caller owns it then.
    void RemoveDynVar(TCustomDynVarVz* Value);
    void DeleteDynVar(const String& VarName);
    TCustomDynVarVz* GetItem(int Index) const { return ItemsAs<TCustomDynVarVz>(Index); }
    void SetItem(int Index, TCustomDynVarVz* Value) { TCollection::SetItem(Index, Value); }
    // For every item of Value, the namesake here takes its name and value; others are skipped.
    void AssignValues(TCustomDynVarsVz* Value);
    bool IsEqual(const TCustomDynVarsVz* Value) const;
    virtual TClass GetDynVarClass() const { return ItemClass(); }

    TNotifyEvent OnChange;

protected:
    void AssignTo(TPersistent* Dest) override;
    void Update(TCollectionItem* Item) override;
    [[noreturn]] static void DuplicateError(const String& VarName);

private:
    friend class TCustomDynVarVz;
    void AdoptDummy(TCustomDynVarVz* Item);

    TCustomDynVarVz* FDummyVar = nullptr;
    TPersistent* FOwner = nullptr;
};

// ---- typed Variant lists ------------------------------------------------------------------------

class TDynVarVz : public TCustomDynVarVz {
    SDELKA_CLASS(TDynVarVz, TCustomDynVarVz)
protected:
    explicit TDynVarVz(TCollection* Collection) : TCustomDynVarVz(Collection) {}
    ~TDynVarVz() override = default;

public:
    // Published: Name; the Value is streamed as a defined property (a Variant of any kind).
    static void Published(TPublished<TDynVarVz>& P);
    void DefineProperties(TFiler* Filer) override;
};

class TDynVarsVz : public TCustomDynVarsVz {
    SDELKA_CLASS(TDynVarsVz, TCustomDynVarsVz)
protected:
    explicit TDynVarsVz(TPersistent* AOwner) : TCustomDynVarsVz(AOwner, TDynVarVz::StaticClass()) {}
    ~TDynVarsVz() override = default;

public:
    TDynVarVz* FindDynVar(const String& VarName) const { return static_cast<TDynVarVz*>(TCustomDynVarsVz::FindDynVar(VarName)); }
    TDynVarVz* GetDynVar(const String& VarName) { return static_cast<TDynVarVz*>(TCustomDynVarsVz::GetDynVar(VarName)); }
    TDynVarVz* CreateDynVar(const String& VarName, const Variant& AValue) {
        return static_cast<TDynVarVz*>(TCustomDynVarsVz::CreateDynVar(VarName, AValue));
    }
    TDynVarVz* CreateDynVar(const String& VarName, TObject* AValue) {
        return static_cast<TDynVarVz*>(TCustomDynVarsVz::CreateDynVar(VarName, AValue));
    }
    TDynVarVz* GetItem(int Index) const { return ItemsAs<TDynVarVz>(Index); }
    TDynVarVz* operator[](const String& VarName) { return GetDynVar(VarName); }
};

// ---- text lists ---------------------------------------------------------------------------------

class TStringVarVz : public TCustomDynVarVz {
    SDELKA_CLASS(TStringVarVz, TCustomDynVarVz)
protected:
    explicit TStringVarVz(TCollection* Collection) : TCustomDynVarVz(Collection) {}
    ~TStringVarVz() override = default;

public:
    // Published: Name and Value (the text view of the value).
    static void Published(TPublished<TStringVarVz>& P);
    String Value() const { return AsString(); }
    void SetValue(const String& AValue) { TCustomDynVarVz::SetValue(Variant(AValue)); }
};

class TStringVarsVz : public TCustomDynVarsVz {
    SDELKA_CLASS(TStringVarsVz, TCustomDynVarsVz)
protected:
    explicit TStringVarsVz(TPersistent* AOwner) : TCustomDynVarsVz(AOwner, TStringVarVz::StaticClass()) {}
    ~TStringVarsVz() override = default;

public:
    TStringVarVz* FindDynVar(const String& VarName) const {
        return static_cast<TStringVarVz*>(TCustomDynVarsVz::FindDynVar(VarName));
    }
    TStringVarVz* GetDynVar(const String& VarName) { return static_cast<TStringVarVz*>(TCustomDynVarsVz::GetDynVar(VarName)); }
    TStringVarVz* CreateDynVar(const String& VarName, const String& AValue);
    TStringVarVz* GetItem(int Index) const { return ItemsAs<TStringVarVz>(Index); }

    // The named variable's text; a missing name raises
    // "A Variable named '%s' doesn't exist in the Collection '%s'".
    String GetVarValue(const String& VarName) const;
    void SetVarValue(const String& VarName, const String& Value);
    // One "Name=Value" line per item, each ending in CR LF.
    String GetAsTextString() const;
    // Replaces the items with the lines of the text (name before the first "=", value after it).
    void SetFromTextString(const String& TextString);
};
