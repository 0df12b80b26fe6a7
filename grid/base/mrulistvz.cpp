#include "grid/base/mrulistvz.h"

#include "grid/base/toolsvz.h"
#include "platform/gui/messages.h"
#include "platform/rtl/sysutils.h"

TMRUListVz::TMRUListVz(TPersistent* AOwner)
    : FAutogenItems(NewOwned<TStringList>()), FItems(NewOwned<TStringList>()), FOwner(AOwner) {}

TMRUListVz::~TMRUListVz() = default;

void TMRUListVz::Published(TPublished<TMRUListVz>& P) {
    P.Boolean("Active", &TMRUListVz::Active, &TMRUListVz::SetActive).Default(0);
    P.Boolean("AutoAdd", &TMRUListVz::AutoAdd, &TMRUListVz::SetAutoAdd).Default(1);
    P.Boolean("CaseSensitive", &TMRUListVz::CaseSensitive, &TMRUListVz::SetCaseSensitive).Default(0);
    P.Object("Items", &TMRUListVz::Items, &TMRUListVz::SetItems);
    P.Integer("Limit", &TMRUListVz::Limit, &TMRUListVz::SetLimit).Default(100);
    P.Enum("ListSourceKind", &TMRUListVz::ListSourceKind, &TMRUListVz::SetListSourceKind,
           {"lskMRUListItemsVz", "lskDataSetFieldValuesVz"}).Default(0);
    P.Integer("Rows", &TMRUListVz::Rows, &TMRUListVz::SetRows).Default(7);
}

void TMRUListVz::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TMRUListVz*>(Source)) {
        SetActive(src->Active());
        SetItems(src->Items());
        SetLimit(src->Limit());
        SetRows(src->Rows());
        SetCaseSensitive(src->CaseSensitive());
        return;
    }
    TPersistent::Assign(Source);
}

void TMRUListVz::Add(const String& S) {
    if (Trim(S).isEmpty()) return;
    for (int i = 0; i < FItems->Count(); ++i) {
        const String item = FItems->Strings(i);
        const bool same = FCaseSensitive ? item == S : AnsiCompareText(item, S) == 0;
        if (same) {
            FItems->Move(i, FItems->Count() - 1);
            return;
        }
    }
    FItems->Add(S);
    TrimToLimit();
}

void TMRUListVz::TrimToLimit() {
    // A negative limit keeps nothing rather than failing on an empty list.
    while (FItems->Count() > 0 && FItems->Count() > FLimit) FItems->Delete(0);
}

void TMRUListVz::SetLimit(int Value) {
    FLimit = Value;
    TrimToLimit();
}

void TMRUListVz::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    if (OnActiveChanged) OnActiveChanged(this);
}

TStrings* TMRUListVz::ActiveItems() const {
    return FListSourceKind == lskMRUListItemsVz ? static_cast<TStrings*>(FItems.get()) : FAutogenItems.get();
}

bool TMRUListVz::FilterItemsTo(TStrings* FilteredItems, const String& MaskText) {
    FilteredItems->BeginUpdate();
    bool result = true;
    try {
        FilteredItems->Clear();
        TStrings* items = ActiveItems();
        const int len = static_cast<int>(MaskText.size());
        for (int i = 0; i < items->Count(); ++i) {
            const String item = items->Strings(i);
            const String head = item.left(len);
            bool accept = FCaseSensitive ? AnsiCompareStr(head, MaskText) == 0 : AnsiCompareText(head, MaskText) == 0;
            if (OnFilterItem) OnFilterItem(this, accept);
            if (accept) FilteredItems->Add(item);
            if (i % 100 == 0 && FCancelIfKeyInQueue) {
                TMsg msg;
                if (PeekMessage(msg, nullptr, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) {
                    result = false;
                    break;
                }
            }
        }
    } catch (...) {
        FilteredItems->EndUpdate();
        throw;
    }
    FilteredItems->EndUpdate();
    return result;
}

void TMRUListVz::CloseUp(bool Accept) {
    if (OnSetCloseUp) OnSetCloseUp(this, Accept);
}

void TMRUListVz::DropDown() {
    if (OnSetDropDown) OnSetDropDown(this);
}

void TMRUListVz::PrepareActiveItems() {
    if (FListSourceKind == lskDataSetFieldValuesVz && OnFillAutogenItems) OnFillAutogenItems(this, FAutogenItems.get());
}
