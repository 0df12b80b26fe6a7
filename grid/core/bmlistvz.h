// A sorted list of data-set bookmarks with binary search and a one-entry find cache: the base of
// the data grid's selected-rows list and of the sum-list producer's bookmark list.
#pragma once

#include "platform/db/db.h"

#include <functional>
#include <vector>

class TBMListVz;
// <0, 0, >0 as the item at Index1 sorts before, with or after the one at Index2.
using TBMListSortCompareVz = std::function<int(TObject* Param, int Index1, int Index2)>;

class TBMListVz : public TObject {
    SDELKA_CLASS(TBMListVz, TObject)
protected:
    TBMListVz() = default;
    ~TBMListVz() override;

public:
    void BeforeDestruction() override;

    // Binary search: True when found; Index is the position, or the insertion point.
    bool Find(const TBookmark& Item, int& Index);
    int IndexOf(const TBookmark& Item);
    int Count() const { return static_cast<int>(FList.size()); }
    const TBookmark& Items(int Index) const;
    void SetItems(int Index, const TBookmark& Item);
    TDataSet* DataSet() { return GetDataSet(); }
    // Whether the data set's current record is in the list; writing adds or removes it.
    bool CurrentRowSelected();
    void SetCurrentRowSelectedValue(bool Value) { SetCurrentRowSelected(Value); }
    // Drops (with DeleteInvalid) the bookmarks the data set no longer accepts and sorts again;
    // True when bookmarks were removed.
    bool Refresh(bool DeleteInvalid);
    void SelectAll();
    // Deletes every listed record from the data set, and empties the list.
    void Delete();
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    bool Updating() const { return FUpdateCount > 0; }
    // The owner calls this when its data link opens or closes: the list empties.
    void SetLinkActive(bool Value);
    bool LinkActive() const { return FLinkActive; }

    virtual TDataSet* GetDataSet() { return nullptr; }
    virtual void AppendItem(const TBookmark& Item);
    virtual void CustomSort(TObject* Param, const TBMListSortCompareVz& Compare);
    virtual void InsertItem(int Index, const TBookmark& Item);
    virtual void Invalidate() {}
    virtual void Changed();
    [[noreturn]] virtual void Error(const String& Msg);
    virtual void Sort();
    virtual void SetCurrentRowSelected(bool Value);
    virtual void UpdateState() {}
    virtual bool DeleteBookmark(const TBookmark& Item);
    virtual void AppendBookmark(const TBookmark& Item);
    virtual void Clear();
    virtual void DeleteItem(int Index);

private:
    TBookmark CurrentRow();
    int Compare(const TBookmark& A, const TBookmark& B);
    void QuickSort(int L, int R, TObject* Param, const TBMListSortCompareVz& Compare);
    void ClearCache();

    TBookmark FCache;
    bool FCacheFind = false;
    int FCacheIndex = -1;
    bool FLinkActive = false;
    int FUpdateCount = 0;
    std::vector<TBookmark> FList;
};
