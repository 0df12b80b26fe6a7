// Sort-order lists: the parsed form of a sort text such as "Name DESC, [Other Name] ASC; Third",
// one item per field with its direction. The list itself knows no field structure: descendants
// (the records view's and the tree list's order lists) resolve the names and store the index.
#pragma once

#include "grid/core/coretoolsvz.h"
#include "platform/db/db.h"

class TOrderByItemVz : public TObject {
    SDELKA_CLASS(TOrderByItemVz, TObject)
public:
    TOrderByItemVz() = default;
    int FieldIndex = -1;
    int MTFieldIndex = -1;
    bool Desc = false;
    bool CaseIns = false;
    int ExtObjIndex = -1;
    TFieldType DataType = ftUnknown;
};

// The items are made by ParseOrderByStr and belong to the list: ClearFreeItems and the
// destructor free them whether or not the list was made owning its objects.
class TOrderByList : public TObjectListVz {
    SDELKA_CLASS(TOrderByList, TObjectListVz)
protected:
    TOrderByList() : TObjectListVz(false) {}
    explicit TOrderByList(bool AOwnsObjects) : TObjectListVz(AOwnsObjects) {}
    ~TOrderByList() override;

public:
    // The items go before the list empties itself.
    void BeforeDestruction() override;
    TOrderByItemVz* Items(int Index) const { return static_cast<TOrderByItemVz*>(TObjectListVz::Items(Index)); }
    void SetItems(int Index, TOrderByItemVz* Item) { TObjectListVz::SetItems(Index, Item); }
    TOrderByItemVz* operator[](int Index) const { return Items(Index); }

    // The next token from FromIndex (1-based, moved past the token): "," or ";", a bracketed
    // name (without its brackets) or a plain word; empty at the end of the text or at a #0.
    static String GetToken(const String& Exp, int& FromIndex);
    // Replaces the items by the parsed text. An unknown name or a stray word raises an
    // exception and leaves the previous items in place.
    void ParseOrderByStr(const String& OrderByStr);
    // Frees every item and empties the list.
    void ClearFreeItems();

protected:
    virtual void SetItemFieldIndex(TOrderByItemVz* /*Item*/, int /*FieldIndex*/) {}
    virtual int FindFieldIndex(const String& /*FieldName*/) { return -1; }
};
