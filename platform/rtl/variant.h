// Variant: the framework's self-describing value (Variants unit), with its type codes, Empty
// (Unassigned) and Null kept apart, arrays with bounds, conversions and comparisons.
//
// Kinds beyond the framework's built-in codes have fixed numbers here: SQL time stamp, time stamp
// with offset and FMT-BCD (the dataset layer's custom kinds), and varObject, which holds a TObject*
// (pointer size, not owned).
//
// Rules (the framework's defaults):
// - Empty converts to 0, '', False (so Empty == 0, Empty == '' and Empty == False hold); Null
//   converts to nothing: casting Null to a type raises EVariantTypeCastError, VarToStr gives ''.
// - Arithmetic and logic with a Null operand give Null. '+' of two strings concatenates; a string
//   with a number converts the string to a Double. Integer results widen (Integer to Int64) rather
//   than wrap; past Int64 they raise EIntOverflow. '/' always gives a Double.
// - Comparison operators: Null == Null, Null != anything else; in ordering Null is less than any
//   other value (Null < 1, Null < ''). VarCompareValue instead answers vrNotEqual for Null or Empty
//   against anything other than itself.
// - Text against number compares as numbers; text that is not a number raises
//   EVariantTypeCastError (so do text against a date or a boolean that it does not read as).
//   Callers that need an answer for any two values (keys of the in-memory indexes) use
//   CompareVarValuesVz, which answers vrNotEqual.
// - Booleans are -1 (True) and 0 (False) as numbers; any non-zero number is True.
// - Text <-> number uses the global FormatSettings decimal separator; text <-> date uses
//   DateTimeToStr / TryStrToDateTime; text <-> bool uses "True"/"False".
#pragma once

#include "platform/rtl/bcd.h"
#include "platform/rtl/currency.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/system.h"

#include <QByteArray>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <new>
#include <utility>

class TObject;

using TVarType = Word;

inline constexpr TVarType varEmpty = 0x0000;
inline constexpr TVarType varNull = 0x0001;
inline constexpr TVarType varSmallint = 0x0002;
inline constexpr TVarType varInteger = 0x0003;
inline constexpr TVarType varSingle = 0x0004;
inline constexpr TVarType varDouble = 0x0005;
inline constexpr TVarType varCurrency = 0x0006;
inline constexpr TVarType varDate = 0x0007;
inline constexpr TVarType varOleStr = 0x0008;
inline constexpr TVarType varDispatch = 0x0009;
inline constexpr TVarType varError = 0x000A;
inline constexpr TVarType varBoolean = 0x000B;
inline constexpr TVarType varVariant = 0x000C;
inline constexpr TVarType varUnknown = 0x000D;
inline constexpr TVarType varShortInt = 0x0010;
inline constexpr TVarType varByte = 0x0011;
inline constexpr TVarType varWord = 0x0012;
inline constexpr TVarType varLongWord = 0x0013;
inline constexpr TVarType varInt64 = 0x0014;
inline constexpr TVarType varUInt64 = 0x0015;
inline constexpr TVarType varString = 0x0100;
inline constexpr TVarType varAny = 0x0101;
inline constexpr TVarType varUString = 0x0102;
inline constexpr TVarType varTypeMask = 0x0FFF;
inline constexpr TVarType varArray = 0x2000;
inline constexpr TVarType varByRef = 0x4000;
// Custom kinds (fixed codes of this runtime).
inline constexpr TVarType varSQLTimeStamp = 0x0110;
inline constexpr TVarType varSQLTimeStampOffset = 0x0111;
inline constexpr TVarType varFMTBcd = 0x0112;
inline constexpr TVarType varObject = 0x0113;

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

// Errors of the Variants unit.
SDELKA_EXCEPTION(EVariantError, Exception)
SDELKA_EXCEPTION(EVariantTypeCastError, EVariantError)    // "Could not convert variant of type (%s) into type (%s)"
SDELKA_EXCEPTION(EVariantOverflowError, EVariantError)    // "Overflow while converting variant of type (%s) into type (%s)"
SDELKA_EXCEPTION(EVariantInvalidOpError, EVariantError)   // "Invalid variant operation"
SDELKA_EXCEPTION(EVariantInvalidArgError, EVariantError)  // "Invalid argument"
SDELKA_EXCEPTION(EVariantBadVarTypeError, EVariantError)  // "Invalid variant type"
SDELKA_EXCEPTION(EVariantBadIndexError, EVariantError)    // "Variant or safe array index out of bounds"
SDELKA_EXCEPTION(EVariantNotAnArrayError, EVariantError)  // "Variant is not an array"
SDELKA_EXCEPTION(EVariantArrayCreateError, EVariantError) // "Error creating variant or safe array"
SDELKA_EXCEPTION(EVariantArrayLockedError, EVariantError) // "Variant or safe array is locked"

// Data.SqlTimSt's records. Fractions are milliseconds.
struct TSQLTimeStamp {
    SmallInt Year = 0;
    Word Month = 0;
    Word Day = 0;
    Word Hour = 0;
    Word Minute = 0;
    Word Second = 0;
    LongWord Fractions = 0;
    friend bool operator==(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};

struct TSQLTimeStampOffset {
    SmallInt Year = 0;
    Word Month = 0;
    Word Day = 0;
    Word Hour = 0;
    Word Minute = 0;
    Word Second = 0;
    LongWord Fractions = 0;
    SmallInt TimeZoneHour = 0;
    SmallInt TimeZoneMinute = 0;
    friend bool operator==(const TSQLTimeStampOffset&, const TSQLTimeStampOffset&) = default;
};

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime DateTime);
// EConvertError "Invalid argument to date encode" for an impossible date.
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& DateTime);
// The local wall time of the stamp (the offset is kept in the record, not applied).
TDateTime SQLTimeStampOffsetToDateTime(const TSQLTimeStampOffset& DateTime);
TSQLTimeStampOffset DateTimeToSQLTimeStampOffset(TDateTime DateTime, SmallInt TZHour = 0, SmallInt TZMinute = 0);

class Variant {
public:
    // Making, copying, moving and destroying a Variant of a number (or Empty, Null, a date, an
    // object, a time stamp) touches no heap; a string shares its text, and so does an FMT-BCD its
    // number (which never changes in place); an array lives in a block of its own, copied with
    // the Variant.
    Variant() noexcept { FData.Int = 0; }  // Empty (Unassigned)
    Variant(const Variant& o) : FType(o.FType), FData(o.FData) {
        if (OwnsPayload(FType)) CopyOwned(o);
    }
    Variant(Variant&& o) noexcept : FType(o.FType), FData(o.FData) { o.Forget(); }
    Variant& operator=(const Variant& o) {
        if (OwnsPayload(FType) || OwnsPayload(o.FType)) return AssignOwned(o);
        FType = o.FType;
        FData = o.FData;
        return *this;
    }
    Variant& operator=(Variant&& o) noexcept {
        if (this != &o) {
            if (OwnsPayload(FType)) ReleaseOwned();
            FType = o.FType;
            FData = o.FData;
            o.Forget();
        }
        return *this;
    }
    ~Variant() {
        if (OwnsPayload(FType)) ReleaseOwned();
    }

    Variant(bool v) noexcept : FType(varBoolean) { FData.Int = 0; FData.Bool = v; }
    Variant(signed char v) noexcept : FType(varShortInt) { FData.Int = v; }       // varShortInt
    Variant(unsigned char v) noexcept : FType(varByte) { FData.Int = v; }         // varByte
    Variant(short v) noexcept : FType(varSmallint) { FData.Int = v; }             // varSmallint
    Variant(unsigned short v) noexcept : FType(varWord) { FData.Int = v; }        // varWord
    Variant(int v) noexcept : FType(varInteger) { FData.Int = v; }                // varInteger
    Variant(unsigned v) noexcept : FType(varLongWord) { FData.Int = v; }          // varLongWord
    Variant(long v) noexcept : FType(varInt64) { FData.Int = v; }                 // varInt64
    Variant(unsigned long v) noexcept : FType(varUInt64) { FData.UInt = v; }      // varUInt64
    Variant(long long v) noexcept : FType(varInt64) { FData.Int = v; }            // varInt64
    Variant(unsigned long long v) noexcept : FType(varUInt64) { FData.UInt = v; } // varUInt64
    Variant(float v) noexcept : FType(varSingle) { FData.Int = 0; FData.Sgl = v; }  // varSingle
    // varDouble (not a date: see VarFromDateTime)
    Variant(double v) noexcept : FType(varDouble) { FData.Dbl = v; }
    Variant(long double v) noexcept : FType(varDouble) { FData.Dbl = double(v); }  // varDouble
    Variant(Currency v) noexcept : FType(varCurrency) { FData.Int = v.Raw(); }     // varCurrency
    Variant(const TBcd& v);      // varFMTBcd
    Variant(const String& v) noexcept : FType(varUString) { new (FData.Str) String(v); }  // varUString
    Variant(String&& v) noexcept : FType(varUString) { new (FData.Str) String(std::move(v)); }
    Variant(const char* v);      // varUString (UTF-8)
    Variant(const char16_t* v);  // varUString
    Variant(QChar v);            // varUString of one character
    Variant(char v);             // varUString of one character
    Variant(char16_t v);         // varUString of one character
    Variant(std::nullptr_t) = delete;
    template <class T>
    Variant(T*) = delete;  // no silent pointer-to-bool: use VarFromObject for objects

    static Variant Null();
    static Variant Unassigned();

    TVarType VType() const { return FType; }

    // Typed reads, with the framework's conversion rules and errors (EVariantTypeCastError,
    // EVariantOverflowError).
    Integer AsInteger() const;
    Int64 AsInt64() const;
    UInt64 AsUInt64() const;
    double AsDouble() const;
    Extended AsExtended() const;
    Currency AsCurrency() const;
    bool AsBoolean() const;
    String AsString() const&;
    // The same from a Variant about to go: a held text is moved out, not copied (the Variant is
    // left with an empty one).
    String AsString() &&;
    TDateTime AsDateTime() const;
    TBcd AsBcd() const;
    // The object of a varObject variant (nullptr for Empty and Null), else EVariantTypeCastError.
    TObject* AsObject() const;

    // Elements of a one-dimensional array (index within the bounds), converted to the element
    // type on store unless the array holds varVariant.
    Variant GetElement(int Index) const;
    void PutElement(int Index, const Variant& Value);

    // Format argument: integers as vtInteger/vtInt64/vtUInt64, floats as vtExtended, Currency as
    // vtCurrency, everything else (strings, booleans, dates, BCD, Null/Empty as '') as text.
    operator TVarRec() const;

    Variant operator-() const;
    Variant& operator+=(const Variant& o);
    Variant& operator-=(const Variant& o);
    Variant& operator*=(const Variant& o);
    Variant& operator/=(const Variant& o);

    // Binary operators are hidden friends: they take part only when an operand really is a
    // Variant, so String + u"…" or String == 5 never turn into Variant arithmetic by accident.
    friend Variant operator+(const Variant& a, const Variant& b);
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    friend Variant operator/(const Variant& a, const Variant& b);
    friend Variant operator%(const Variant& a, const Variant& b);
    friend Variant operator&(const Variant& a, const Variant& b);
    friend Variant operator|(const Variant& a, const Variant& b);
    friend Variant operator^(const Variant& a, const Variant& b);
    friend Variant operator~(const Variant& a);
    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator<(const Variant& a, const Variant& b);
    friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
    friend bool operator>(const Variant& a, const Variant& b) { return b < a; }
    friend bool operator<=(const Variant& a, const Variant& b) { return a < b || a == b; }
    friend bool operator>=(const Variant& a, const Variant& b) { return b < a || a == b; }

private:
    friend struct VariantAccess;
    struct ArrayData;
    struct BcdData;

    // The kinds whose payload owns something: the String held in place, or the heap block.
    static constexpr bool OwnsPayload(TVarType t) noexcept {
        return (t & varArray) != 0 || t == varUString || t == varOleStr || t == varString || t == varFMTBcd;
    }
    void CopyOwned(const Variant& o);  // after the payload's bits were copied from o
    Variant& AssignOwned(const Variant& o);
    void ReleaseOwned() noexcept;
    // After the payload moved out: Empty, owning nothing (the bits are not released).
    void Forget() noexcept {
        FType = varEmpty;
        FData.Int = 0;
    }

    TVarType FType = varEmpty;
    // Numbers, Boolean, the object pointer and the time stamps in place; a String in place
    // (constructed and destroyed by hand; it is moved with the payload's bits, as Qt's own
    // containers move it); FMT-BCD in a shared counted block; an array in a block of its own.
    union Payload {
        Int64 Int;
        UInt64 UInt;
        double Dbl;
        float Sgl;
        bool Bool;
        TObject* Obj;
        TSQLTimeStamp Stamp;
        TSQLTimeStampOffset StampOffset;
        alignas(String) unsigned char Str[sizeof(String)];
        BcdData* Bcd;
        ArrayData* Arr;
        Payload() noexcept {}
    } FData;
};

static_assert(sizeof(Variant) == 32, "a Variant is its type word and a 24-byte payload");

// Arithmetic (see the rules at the top): the operators are friends of Variant above.
Variant VarIntDiv(const Variant& a, const Variant& b);  // div: integers, EDivByZero
Variant VarMod(const Variant& a, const Variant& b);     // mod: integers, EDivByZero
// and/or/xor/not: Boolean for booleans (and texts "True"/"False"), bitwise for integers.
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);

// Comparison operators (see the rules at the top). Arrays raise EVariantInvalidOpError; objects
// compare by identity with objects (and Empty, as nil) and raise against anything else.
// (operators ==, <, != … are friends of Variant above)

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B);
// Same value and same kind class (VarSameValue): Empty and Null only equal themselves.
bool VarSameValue(const Variant& A, const Variant& B);

// Construction helpers.
inline Variant Null() { return Variant::Null(); }
inline Variant Unassigned() { return Variant::Unassigned(); }
Variant VarFromDateTime(TDateTime DateTime);
Variant VarFromObject(TObject* Obj);
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ATimeStamp);
Variant VarSQLTimeStampCreate(TDateTime DateTime);
Variant VarSQLTimeStampCreate(const String& AValue);  // EConvertError when not a date and time
Variant VarSQLTimeStampOffsetCreate(const TSQLTimeStampOffset& ATimeStamp);
Variant VarSQLTimeStampOffsetCreate(TDateTime DateTime);
Variant VarFMTBcdCreate(const TBcd& ABcd);
Variant VarFMTBcdCreate(const String& AValue, Word Precision, Word Scale);
Variant VarFMTBcdCreate(double AValue, Word Precision = 18, Word Scale = 4);
TSQLTimeStamp VarToSQLTimeStamp(const Variant& V);
TSQLTimeStampOffset VarToSQLTimeStampOffset(const Variant& V);

// Type inspection.
TVarType VarType(const Variant& V);
bool VarIsType(const Variant& V, TVarType AVarType);
bool VarIsType(const Variant& V, std::initializer_list<TVarType> AVarTypes);
bool VarIsNull(const Variant& V);
bool VarIsEmpty(const Variant& V);
bool VarIsClear(const Variant& V);  // Empty (nothing else in this runtime is "clear")
// Null or Empty: no value at all, as filters and field reads treat both.
inline bool VarIsNullish(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V); }
bool VarIsNumeric(const Variant& V);  // ordinal, float, Currency, FMT-BCD
bool VarIsOrdinal(const Variant& V);  // integers and Boolean
bool VarIsFloat(const Variant& V);    // Single, Double, Currency, FMT-BCD
bool VarIsStr(const Variant& V);      // OleStr, String, UString
bool VarIsArray(const Variant& V);
bool VarIsFMTBcd(const Variant& V);
bool VarIsSQLTimeStamp(const Variant& V);
bool VarIsSQLTimeStampOffset(const Variant& V);
// "Integer", "Null", "Array Variant", "FMTBcdVariantType" …
String VarTypeAsText(TVarType AType);

// Conversions.
String VarToStr(const Variant& V);  // Null and Empty give ''
String VarToStrDef(const Variant& V, const String& ADefault);  // ADefault for Null
Variant VarAsType(const Variant& V, TVarType AVarType);
TDateTime VarToDateTime(const Variant& V);
Variant VarToDateTimeVariant(const Variant& V);  // VarAsType(V, varDate)

// Arrays. Bounds are given as pairs low, high per dimension ({0, 9} or {1, 3, 0, 1}).
Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType AVarType);
Variant VarArrayOf(std::initializer_list<Variant> Values);  // array of varVariant, bounds 0..n-1
int VarArrayDimCount(const Variant& A);  // 0 when not an array
int VarArrayLowBound(const Variant& A, int Dim);   // Dim counts from 1
int VarArrayHighBound(const Variant& A, int Dim);
// Changes the high bound of the last dimension, keeping the elements that remain.
void VarArrayRedim(Variant& A, int HighBound);
Variant VarArrayGet(const Variant& A, std::initializer_list<int> Indices);
void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<int> Indices);
// Raw data of an array of varByte (blobs, bookmarks); other element types raise
// EVariantInvalidArgError. Lock/Unlock nest; Redim of a locked array raises
// EVariantArrayLockedError.
void* VarArrayLock(Variant& A);
void VarArrayUnlock(Variant& A);
// Byte arrays to and from QByteArray (bounds 0..n-1).
Variant VarByteArrayOf(const QByteArray& Bytes);
QByteArray VarByteArrayToBytes(const Variant& A);
