// The lookup cache: key/display pairs of a lookup list, kept sorted by key so that the text shown for
// a key is found by halving instead of by reading the list data set.
#pragma once

#include "platform/rtl/variant.h"

#include <vector>

struct TLookupPairVz {
    Variant KeyValue;
    Variant DisplayValue;
};

class TLookupListVz {
public:
    void Add(const Variant& KeyValue, const Variant& DisplayValue);
    void Clear() { FList.clear(); }
    int Count() const { return static_cast<int>(FList.size()); }
    const TLookupPairVz& Items(int Index) const { return FList[static_cast<size_t>(Index)]; }
    // The display value of the key; Unassigned (not Null) when the key is not in the list.
    Variant ValueOfKey(const Variant& KeyValue) const;
    // Sorts ascending by key (CompareVarValuesVz); pairs that cannot be compared stay where the
    // partitioning leaves them, the sort itself never raises.
    void SortData();
    // Halving search over a sorted list: Index is the position of the first equal key the halving
    // meets, or the insertion position when none is found. Raises for keys that cannot be compared.
    bool FindKeyIndex(const Variant& KeyValue, int& Index) const;

private:
    void QuickSort(int L, int R);
    std::vector<TLookupPairVz> FList;
};
