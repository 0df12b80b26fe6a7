#include "grid/core/bmlistvz.h"

#include "grid/core/coretoolsvz.h"

namespace {

[[noreturn]] void ListIndexErrorVz(int Index) {
    throw EListError(u"List index out of bounds (%d)"_S, {Index});
}

}  // namespace

TBMListVz::~TBMListVz() = default;

void TBMListVz::BeforeDestruction() {
    Clear();
    UpdateState();
    TObject::BeforeDestruction();
}

int TBMListVz::Compare(const TBookmark& A, const TBookmark& B) {
    return DataSetCompareBookmarksVz(GetDataSet(), A, B);
}

void TBMListVz::ClearCache() {
    FCache.clear();
    FCacheFind = false;
    FCacheIndex = -1;
}

void TBMListVz::Changed() { ClearCache(); }

void TBMListVz::Error(const String& Msg) { throw Exception(Msg); }

bool TBMListVz::Find(const TBookmark& Item, int& Index) {
    if (FCacheIndex != -1 && Item == FCache) {
        Index = FCacheIndex;
        return FCacheFind;
    }
    bool found = false;
    const int n = Count();
    if (n == 0 || Compare(FList.front(), Item) > 0) {
        Index = 0;
    } else if (Compare(FList.back(), Item) < 0) {
        Index = n;
    } else {
        int low = 0, high = n - 1;
        while (low <= high) {
            const int mid = (low + high) / 2;
            const int c = Compare(FList[static_cast<std::size_t>(mid)], Item);
            if (c < 0) {
                low = mid + 1;
            } else {
                high = mid - 1;
                if (c == 0) {
                    low = mid;
                    found = true;
                    break;
                }
            }
        }
        Index = low;
    }
    FCache = Item;
    FCacheIndex = Index;
    FCacheFind = found;
    return found;
}

int TBMListVz::IndexOf(const TBookmark& Item) {
    int index;
    return Find(Item, index) ? index : -1;
}

const TBookmark& TBMListVz::Items(int Index) const {
    if (Index < 0 || Index >= Count()) ListIndexErrorVz(Index);
    return FList[static_cast<std::size_t>(Index)];
}

void TBMListVz::SetItems(int Index, const TBookmark& Item) {
    if (Index < 0 || Index >= Count()) ListIndexErrorVz(Index);
    FList[static_cast<std::size_t>(Index)] = Item;
    ClearCache();
}

void TBMListVz::InsertItem(int Index, const TBookmark& Item) {
    if (Index < 0 || Index > Count()) ListIndexErrorVz(Index);
    FList.insert(FList.begin() + Index, Item);
    // The find cache holds an index: it is stale after any insert, inside an update bracket too.
    ClearCache();
    if (!Updating()) Changed();
}

void TBMListVz::DeleteItem(int Index) {
    if (Index < 0 || Index >= Count()) ListIndexErrorVz(Index);
    FList.erase(FList.begin() + Index);
    ClearCache();
    if (!Updating()) Changed();
}

void TBMListVz::AppendItem(const TBookmark& Item) { InsertItem(Count(), Item); }

void TBMListVz::AppendBookmark(const TBookmark& Item) {
    int index;
    if (!Find(Item, index)) InsertItem(index, Item);
}

bool TBMListVz::DeleteBookmark(const TBookmark& Item) {
    int index;
    if (!Find(Item, index)) return false;
    DeleteItem(index);
    return true;
}

void TBMListVz::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TBMListVz::Clear() {
    if (FList.empty()) return;
    BeginUpdate();
    try {
        for (int i = Count() - 1; i >= 0; --i) DeleteItem(i);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    Changed();
    Invalidate();
}

TBookmark TBMListVz::CurrentRow() {
    if (!FLinkActive || !GetDataSet()) Error(String::fromLatin1(DbConsts::SDataSetClosed));
    return GetDataSet()->GetBookmark();
}

bool TBMListVz::CurrentRowSelected() {
    if (FList.empty()) return false;
    int index;
    return Find(CurrentRow(), index);
}

void TBMListVz::SetCurrentRowSelected(bool Value) {
    const TBookmark current = CurrentRow();
    int index;
    if (Find(current, index) == Value) return;
    if (Value) InsertItem(index, current);
    else DeleteItem(index);
}

void TBMListVz::SelectAll() {
    if (!FLinkActive) return;
    TDataSet* ds = GetDataSet();
    ds->DisableControls();
    BeginUpdate();
    const TBookmark bm = ds->GetBookmark();
    auto finish = [&] {
        if (!bm.empty() && ds->BookmarkValid(bm)) ds->GotoBookmark(bm);
        ds->EnableControls();
        EndUpdate();
    };
    try {
        ds->First();
        while (!ds->Eof()) {
            SetCurrentRowSelected(true);
            ds->Next();
        }
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TBMListVz::Delete() {
    TDataSet* ds = GetDataSet();
    ds->DisableControls();
    try {
        for (int i = Count() - 1; i >= 0; --i) {
            ds->GotoBookmark(FList[static_cast<std::size_t>(i)]);
            ds->Delete();
            DeleteItem(i);
        }
    } catch (...) {
        ds->EnableControls();
        UpdateState();
        throw;
    }
    ds->EnableControls();
    UpdateState();
}

bool TBMListVz::Refresh(bool DeleteInvalid) {
    TDataSet* ds = GetDataSet();
    const bool hadItems = !FList.empty();
    bool removed = false;
    auto finish = [&] {
        UpdateState();
        ds->UpdateCursorPos();
        if (hadItems && removed) Changed();
        if (removed) Invalidate();
    };
    try {
        ds->CheckBrowseMode();
        if (DeleteInvalid) {
            for (int i = Count() - 1; i >= 0; --i) {
                if (!DataSetBookmarkValidVz(ds, FList[static_cast<std::size_t>(i)])) {
                    DeleteItem(i);
                    removed = true;
                }
            }
        }
        Sort();
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return removed;
}

void TBMListVz::Sort() {
    CustomSort(GetDataSet(), [this](TObject*, int I1, int I2) {
        return Compare(FList[static_cast<std::size_t>(I1)], FList[static_cast<std::size_t>(I2)]);
    });
}

void TBMListVz::CustomSort(TObject* Param, const TBMListSortCompareVz& CompareFunc) {
    if (Count() < 2) return;
    QuickSort(0, Count() - 1, Param, CompareFunc);
    ClearCache();
}

void TBMListVz::QuickSort(int L, int R, TObject* Param, const TBMListSortCompareVz& CompareFunc) {
    int low = L;
    do {
        int i = low, j = R;
        int p = (low + R) / 2;
        do {
            while (CompareFunc(Param, i, p) < 0) ++i;
            while (CompareFunc(Param, j, p) > 0) --j;
            if (i <= j) {
                if (i != j) {
                    std::swap(FList[static_cast<std::size_t>(i)], FList[static_cast<std::size_t>(j)]);
                    if (p == i) p = j;
                    else if (p == j) p = i;
                }
                ++i;
                --j;
            }
        } while (i <= j);
        if (low < j) QuickSort(low, j, Param, CompareFunc);
        low = i;
    } while (low < R);
}

void TBMListVz::SetLinkActive(bool Value) {
    Clear();
    UpdateState();
    FLinkActive = Value;
}
