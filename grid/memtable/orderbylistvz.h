// Parsed sort texts ("Name DESC, [Other Name] ASC; Third"): one item per field with its
// direction. Descendants resolve the names in their own field structure.
#pragma once

#include "grid/base/toolsvz.h"
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

class TOrderByList : public TObjectListVz {
    SDELKA_CLASS(TOrderByList, TObjectListVz)
public:
    TOrderByList() : TObjectListVz(false) {}
    explicit TOrderByList(bool AOwnsObjects) : TObjectListVz(AOwnsObjects) {}
    ~TOrderByList() override;

    TOrderByItemVz* Items(int Index) const { return static_cast<TOrderByItemVz*>(TObjectListVz::Items(Index)); }
    void SetItems(int Index, TOrderByItemVz* Item) { TObjectListVz::SetItems(Index, Item); }
    TOrderByItemVz* operator[](int Index) const { return Items(Index); }

    // The next token from FromIndex (1-based; moved past the token): a separator, a name or a
    // bracketed name; empty at the end of the text.
    static String GetToken(const String& Exp, int& FromIndex);
    // Replaces the items by the parsed text; on an error the list keeps its previous items.
    void ParseOrderByStr(const String& OrderByStr);
    void ClearFreeItems();

protected:
    virtual void SetItemFieldIndex(TOrderByItemVz* /*Item*/, int /*FieldIndex*/) {}
    virtual int FindFieldIndex(const String& /*FieldName*/) { return -1; }
};
