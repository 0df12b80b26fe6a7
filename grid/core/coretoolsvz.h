// Foundation of the grid library, the part without controls: the object list, the field list, the
// memory stream, and the small routines for text, data sets and Variants that put one stable name
// in front of a framework call. The in-memory record store stands on this part only; the controls,
// drawing and message routines are in grid/base/toolsvz.h (the visual foundation).
#pragma once

#include "platform/db/db.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

#include <cstdint>
#include <vector>

class TField;
class TDataSet;

// ---- array types --------------------------------------------------------------------------------
using TDWORDArrayVz = std::vector<std::uint32_t>;
using TVariantDynArray = std::vector<Variant>;

// ---- base classes -------------------------------------------------------------------------------

// A plain list of field references (filled by the caller from a data set's field-list lookup);
// it never owns the fields.
class TFieldListVz : public TListT<TField, TList> {
    SDELKA_CLASS(TFieldListVz, TList)
protected:
    ~TFieldListVz() override = default;
    TFieldListVz() = default;
};

// A sort direction (of a grouping level, a sorted column).
enum TSortOrderVz { soAscVz, soDescVz };

// The library's object list. Unlike the framework's default, a list made without arguments does
// not own its objects: deleting, clearing or freeing the list leaves them alive.
class TObjectListVz : public TObjectList {
    SDELKA_CLASS(TObjectListVz, TObjectList)
protected:
    ~TObjectListVz() override = default;
    TObjectListVz() : TObjectList(false) {}
    explicit TObjectListVz(bool AOwnsObjects) : TObjectList(AOwnsObjects) {}
};

// A memory stream whose capacity grows in steps of 2 * HalfMemoryDelta bytes (8 192 by
// default), so that streaming many small records does not reallocate on every write.
class TMemoryStreamVz : public TMemoryStream {
    SDELKA_CLASS(TMemoryStreamVz, TMemoryStream)
public:
    TMemoryStreamVz() = default;

    Integer Write(const void* Buffer, Integer Count) override;
    void SetSize(Int64 NewSize) override;
    // The capacity passes through Realloc (rounded up to a step unless it equals the size).
    void SetCapacity(Int64 NewCapacity);

    // Must be a power of two (the rounding masks with the step).
    Integer HalfMemoryDelta() const { return FHalfMemoryDelta; }
    void SetHalfMemoryDelta(Integer Value) { FHalfMemoryDelta = Value; }

protected:
    // Decides the capacity for a request: a positive request other than the current size is
    // rounded up to a multiple of the step; 0 releases the memory. Answers the capacity taken.
    virtual Int64 Realloc(Int64 NewCapacity);

private:
    void ApplyCapacity(Int64 NewCapacity);
    Integer FHalfMemoryDelta = 4096;
};

// ---- objects, no-operations and process ---------------------------------------------------------
void FreeObjectVz(TObject* Obj);
void DoNothingVz();
void IgnoreObjectVz(TObject* Obj);
// Writes the text to the debugger output (standard error here).
void OutputDebugStringVz(const String& Text);
// Milliseconds since the process clock started, as a 32-bit counter widened to 64 bits (it wraps
// after 2^32 ms, as the system tick count does).
Int64 GetTickCountVz();

// ---- text, characters and locale ----------------------------------------------------------------
// A set of characters in the range 0..255 (the framework's "set of AnsiChar").
using TCharSetVz = TSet<unsigned char, 256>;
// Membership; a character above U+00FF is never a member.
bool CharInSetVz(Char C, const TCharSetVz& CharSet);
inline Char GetMiddleDotCharVz() { return Char(0x00B7); }
inline Integer TextLengthVz(const String& Text) { return static_cast<Integer>(Text.size()); }
inline Integer NextCharIndexVz(const String& /*Text*/, Integer Index) { return Index + 1; }
String AnsiUpperCaseVz(const String& S);
String AnsiLowerCaseVz(const String& S);
Integer AnsiCompareStrVz(const String& S1, const String& S2);
Integer AnsiCompareTextVz(const String& S1, const String& S2);
// Locale comparison of the first Length characters of both texts (Length 0: the whole texts):
// -1, 0 or 1.
Integer CompareStringsLocaleVz(const String& S1, const String& S2, Integer Length, bool IgnoreCase);
// First day of the week of the user's locale: 0 = Monday .. 6 = Sunday (Monday in this system).
Integer GetLocaleFirstDayOfWeekVz();
// Null (and Unassigned) give an empty text, anything else VarToStr.
void VarToStrNullAsEmptyVz(const Variant& V, String& S);

// ---- data sets, properties and Variants ---------------------------------------------------------
int DataSetCompareBookmarksVz(TDataSet* DataSet, const TBookmark& Bookmark1, const TBookmark& Bookmark2);
// False for an empty bookmark, else the data set's BookmarkValid.
bool DataSetBookmarkValidVz(TDataSet* DataSet, const TBookmark& Bookmark);
// The data set of the data source that an object-typed property of Instance holds; nil when the
// property is missing, not of class type, unreadable or not a data source.
TDataSet* GetDataSetFromSourcePropVz(TObject* Instance, PPropInfo PropInfo);
void VarArrayRedimVz(Variant& A, int HighBound);
// An object reference kept in a Variant (not owned), and back. VarToRefObjectVz raises
// EInvalidCast "Interface not supported" when the Variant holds something else.
void RefObjectToVarVz(TObject* Obj, Variant& V);
TObject* VarToRefObjectVz(const Variant& V);
