// The most-recently-used text list of an editor or column, with prefix filtering for its
// drop-down.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/lists.h"

#include <memory>

// The library's string list (a plain TStringList under its own name).
class TStringListVz : public TStringList {
    SDELKA_CLASS(TStringListVz, TStringList)
public:
    TStringListVz() = default;
};

class TMRUListVz;

enum TMRUListSourceKindVz { lskMRUListItemsVz, lskDataSetFieldValuesVz };

using TMRUListFillAutogenItemsEventVz = TEvent<void(TMRUListVz* Sender, TStrings* AutogenItems)>;
using TFilterMRUItemEventVz = TEvent<void(TObject* Sender, bool& Accept)>;
using TSetCloseUpEventVz = TEvent<void(TObject* Sender, bool Accept)>;
using TSetDropDownEventVz = TEvent<void(TObject* Sender)>;

class TMRUListVz : public TPersistent {
    SDELKA_CLASS(TMRUListVz, TPersistent)
public:
    explicit TMRUListVz(TPersistent* AOwner);
    ~TMRUListVz() override;

    void Assign(TPersistent* Source) override;
    // Moves a text already in the list (compared as CaseSensitive says) to the end, else appends
    // it and drops the oldest items above Limit. A text of blanks only is ignored.
    void Add(const String& S);
    // Fills FilteredItems with the active items that start with MaskText (OnFilterItem may
    // decide otherwise). False when the pass stopped because a key stroke is waiting.
    bool FilterItemsTo(TStrings* FilteredItems, const String& MaskText);
    virtual void CloseUp(bool Accept);
    virtual void DropDown();
    virtual void PrepareActiveItems();

    bool Active() const { return FActive; }
    void SetActive(bool Value);
    bool AutoAdd() const { return FAutoAdd; }
    void SetAutoAdd(bool Value) { FAutoAdd = Value; }
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
    TStrings* Items() const { return FItems.get(); }
    void SetItems(TStrings* Value) { FItems->Assign(Value); }
    TStrings* AutogenItems() const { return FAutogenItems.get(); }
    // Items for the MRU source kind, AutogenItems for the data-set values kind.
    TStrings* ActiveItems() const;
    int Limit() const { return FLimit; }
    void SetLimit(int Value);
    TMRUListSourceKindVz ListSourceKind() const { return FListSourceKind; }
    void SetListSourceKind(TMRUListSourceKindVz Value) { FListSourceKind = Value; }
    int Rows() const { return FRows; }
    void SetRows(int Value) { FRows = Value; }
    int Width() const { return FWidth; }
    void SetWidth(int Value) { FWidth = Value; }
    bool DroppedDown() const { return FDroppedDown; }
    void SetDroppedDown(bool Value) { FDroppedDown = Value; }
    bool CancelIfKeyInQueue() const { return FCancelIfKeyInQueue; }
    void SetCancelIfKeyInQueue(bool Value) { FCancelIfKeyInQueue = Value; }
    TPersistent* Owner() const { return FOwner; }

    static void Published(TPublished<TMRUListVz>& P);

    TNotifyEvent OnActiveChanged;
    TSetCloseUpEventVz OnSetCloseUp;
    TSetDropDownEventVz OnSetDropDown;
    TFilterMRUItemEventVz OnFilterItem;
    TMRUListFillAutogenItemsEventVz OnFillAutogenItems;

private:
    void TrimToLimit();

    bool FActive = false;
    bool FAutoAdd = true;
    TOwned<TStringList> FAutogenItems;
    bool FCancelIfKeyInQueue = true;
    bool FCaseSensitive = false;
    TOwned<TStringList> FItems;
    int FLimit = 100;
    TMRUListSourceKindVz FListSourceKind = lskMRUListItemsVz;
    TPersistent* FOwner = nullptr;
    int FRows = 7;
    int FWidth = 0;
    bool FDroppedDown = false;
};
