#include "grid/axis/lookuplistvz.h"

#include "grid/core/valueutilsvz.h"

#include <utility>

void TLookupListVz::Add(const Variant& KeyValue, const Variant& DisplayValue) {
    FList.push_back(TLookupPairVz{KeyValue, DisplayValue});
}

Variant TLookupListVz::ValueOfKey(const Variant& KeyValue) const {
    int i = 0;
    if (FindKeyIndex(KeyValue, i)) return FList[static_cast<size_t>(i)].DisplayValue;
    return Variant::Unassigned();
}

bool TLookupListVz::FindKeyIndex(const Variant& KeyValue, int& Index) const {
    bool found = false;
    int lo = 0;
    int hi = Count() - 1;
    while (hi >= lo) {
        const int mid = static_cast<int>((static_cast<unsigned>(lo) + static_cast<unsigned>(hi)) >> 1);
        switch (CompareVarValuesVz(FList[static_cast<size_t>(mid)].KeyValue, KeyValue)) {
        case vrNotEqual:
            throw Exception(QStringLiteral("TMTIndexVz.FindKeyValueIndex: values is not comparable."));
        case vrLessThan:
            lo = mid + 1;
            break;
        case vrEqual:
            hi = mid - 1;
            found = true;
            lo = mid;
            break;
        case vrGreaterThan:
            hi = mid - 1;
            break;
        }
    }
    Index = lo;
    return found;
}

void TLookupListVz::SortData() {
    if (!FList.empty()) QuickSort(0, Count() - 1);
}

void TLookupListVz::QuickSort(int L, int R) {
    auto key = [this](int I) -> const Variant& { return FList[static_cast<size_t>(I)].KeyValue; };
    int i = 0;
    do {
        i = L;
        int j = R;
        int p = (L + R) >> 1;
        do {
            while (CompareVarValuesVz(key(i), key(p)) == vrLessThan) ++i;
            while (CompareVarValuesVz(key(j), key(p)) == vrGreaterThan) --j;
            if (i <= j) {
                if (i != j) std::swap(FList[static_cast<size_t>(i)], FList[static_cast<size_t>(j)]);
                if (p == i) p = j;
                else if (p == j) p = i;
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j) QuickSort(L, j);
        L = i;
    } while (i < R);
}
