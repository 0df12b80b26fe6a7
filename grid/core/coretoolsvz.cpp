#include "grid/core/coretoolsvz.h"

#include "platform/db/datasource.h"
#include "platform/rtl/collation.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

#include <QDebug>
#include <algorithm>
#include <chrono>

// ---- TMemoryStreamVz ----------------------------------------------------------------------------

Int64 TMemoryStreamVz::Realloc(Int64 NewCapacity) {
    if (NewCapacity > 0 && NewCapacity != Size()) {
        const Int64 step = 2 * static_cast<Int64>(FHalfMemoryDelta);
        NewCapacity = (NewCapacity + (step - 1)) & ~(step - 1);
    }
    if (NewCapacity != Capacity()) ApplyCapacity(NewCapacity);
    return NewCapacity;
}

void TMemoryStreamVz::ApplyCapacity(Int64 NewCapacity) {
    if (NewCapacity <= 0) {
        TBytes().swap(FData);
        return;
    }
    try {
        if (NewCapacity > Capacity()) {
            FData.reserve(static_cast<std::size_t>(NewCapacity));
        } else {
            // A smaller block: a new one of exactly that capacity with the contents that fit.
            TBytes block;
            block.reserve(static_cast<std::size_t>(NewCapacity));
            block.assign(FData.begin(), FData.begin() + std::min<Int64>(NewCapacity, Size()));
            FData.swap(block);
        }
    } catch (const std::bad_alloc&) {
        throw EStreamError(QStringLiteral("Out of memory while expanding memory stream"));
    } catch (const std::length_error&) {
        throw EStreamError(QStringLiteral("Out of memory while expanding memory stream"));
    }
}

void TMemoryStreamVz::SetCapacity(Int64 NewCapacity) {
    Realloc(NewCapacity);
}

Integer TMemoryStreamVz::Write(const void* Buffer, Integer Count) {
    if (FPosition < 0 || Count <= 0) return 0;
    const Int64 end = FPosition + Count;
    if (end > Capacity()) Realloc(end);
    return TMemoryStream::Write(Buffer, Count);
}

void TMemoryStreamVz::SetSize(Int64 NewSize) {
    if (NewSize < 0) NewSize = 0;
    // The capacity follows the request first (the size is still the old one), as the framework's
    // SetSize sets the capacity before the size.
    Realloc(NewSize);
    TMemoryStream::SetSize(NewSize);
}

// ---- objects, no-operations and process ---------------------------------------------------------

void FreeObjectVz(TObject* Obj) {
    if (Obj) Obj->Free();
}

void DoNothingVz() {}

void IgnoreObjectVz(TObject*) {}

void OutputDebugStringVz(const String& Text) {
    qDebug().noquote() << Text;
}

Int64 GetTickCountVz() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<Int64>(static_cast<std::uint32_t>(ms));
}

// ---- text, characters and locale ----------------------------------------------------------------

bool CharInSetVz(Char C, const TCharSetVz& CharSet) {
    const char16_t u = C.unicode();
    return u <= 0xFF && CharSet.Contains(static_cast<unsigned char>(u));
}

String AnsiUpperCaseVz(const String& S) {
    return AnsiUpperCase(S);
}

String AnsiLowerCaseVz(const String& S) {
    return AnsiLowerCase(S);
}

Integer AnsiCompareStrVz(const String& S1, const String& S2) {
    return AnsiCompareStr(S1, S2);
}

Integer AnsiCompareTextVz(const String& S1, const String& S2) {
    return AnsiCompareText(S1, S2);
}

Integer CompareStringsLocaleVz(const String& S1, const String& S2, Integer Length, bool IgnoreCase) {
    const qsizetype n1 = Length > 0 ? std::min<qsizetype>(Length, S1.size()) : S1.size();
    const qsizetype n2 = Length > 0 ? std::min<qsizetype>(Length, S2.size()) : S2.size();
    const Integer r = CollateCompare(S1.constData(), n1, S2.constData(), n2, IgnoreCase);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

Integer GetLocaleFirstDayOfWeekVz() {
    // The format settings count from Sunday (the Russian default, 1, is Monday); the result from Monday.
    return (FormatSettings.FirstDayOfWeek + 6) % 7;
}

void VarToStrNullAsEmptyVz(const Variant& V, String& S) {
    S = VarIsNull(V) ? String() : VarToStr(V);
}

// ---- data sets, properties and Variants ---------------------------------------------------------

int DataSetCompareBookmarksVz(TDataSet* DataSet, const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
    return DataSet->CompareBookmarks(Bookmark1, Bookmark2);
}

bool DataSetBookmarkValidVz(TDataSet* DataSet, const TBookmark& Bookmark) {
    if (Bookmark.empty()) return false;
    return DataSet->BookmarkValid(Bookmark);
}

TDataSet* GetDataSetFromSourcePropVz(TObject* Instance, PPropInfo PropInfo) {
    if (!Instance || !PropInfo) return nullptr;
    if (PropInfo->Kind != pkClass && PropInfo->Kind != pkComponent) return nullptr;
    TObject* value = nullptr;
    try {
        value = GetObjectProp(Instance, PropInfo);
    } catch (const Exception&) {
        return nullptr;
    }
    if (!value || !value->Is<TDataSource>()) return nullptr;
    return static_cast<TDataSource*>(value)->DataSet();
}

void VarArrayRedimVz(Variant& A, int HighBound) {
    VarArrayRedim(A, HighBound);
}

void RefObjectToVarVz(TObject* Obj, Variant& V) {
    V = VarFromObject(Obj);
}

TObject* VarToRefObjectVz(const Variant& V) {
    if (VarType(V) != varObject) throw EInvalidCast(QStringLiteral("Interface not supported"));
    return V.AsObject();
}
