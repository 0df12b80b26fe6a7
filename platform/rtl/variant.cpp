#include "platform/rtl/variant.h"

#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

#include <atomic>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <utility>
#include <vector>

struct Variant::ArrayData {
    TVarType ElemType = varVariant;
    std::vector<std::pair<int, int>> Bounds;  // low, high per dimension
    std::vector<Variant> Items;               // every element type but varByte
    std::vector<Byte> Bytes;                  // varByte
    int Locks = 0;

    std::size_t Count() const {
        std::size_t n = 1;
        for (auto [lo, hi] : Bounds) n *= std::size_t(hi - lo + 1);
        return n;
    }
};

// The number of an FMT-BCD Variant, shared by its copies: it is never changed in place.
struct Variant::BcdData {
    std::atomic<int> Refs{1};
    TBcd Value;
    explicit BcdData(const TBcd& v) : Value(v) {}
};

using Int128 = __int128;

// Access to the representation for the free functions of this unit.
struct VariantAccess {
    using Arr = Variant::ArrayData;
    static Variant::Payload& D(Variant& v) { return v.FData; }
    static const Variant::Payload& D(const Variant& v) { return v.FData; }
    // The text of a string kind (only those hold one).
    static String& S(Variant& v) { return *std::launder(reinterpret_cast<String*>(v.FData.Str)); }
    static const String& S(const Variant& v) { return *std::launder(reinterpret_cast<const String*>(v.FData.Str)); }
    // The number of a varFMTBcd.
    static const TBcd& Bcd(const Variant& v) { return v.FData.Bcd->Value; }
    // The array block, or nullptr when v is not an array.
    static Arr* A(const Variant& v) { return (v.FType & varArray) ? v.FData.Arr : nullptr; }
    // Changes one string kind into another (the payload stays the same String).
    static void SetStringType(Variant& v, TVarType t) { v.FType = t; }
    // A Variant of a kind with no owned payload, its payload zero.
    static Variant Make(TVarType t) { Variant v; v.FType = t; return v; }
    static Variant MakeArray(TVarType t, std::unique_ptr<Arr> a) {
        Variant v;
        v.FData.Arr = a.release();
        v.FType = varArray | t;
        return v;
    }
};

namespace {

using VA = VariantAccess;

// ---- type classes and names --------------------------------------------------------------------

bool IsSignedInt(TVarType t) {
    return t == varSmallint || t == varInteger || t == varShortInt || t == varInt64;
}
bool IsUnsignedInt(TVarType t) {
    return t == varByte || t == varWord || t == varLongWord || t == varUInt64;
}
bool IsIntType(TVarType t) { return IsSignedInt(t) || IsUnsignedInt(t); }
bool IsFloatType(TVarType t) { return t == varSingle || t == varDouble; }
bool IsStrType(TVarType t) { return t == varOleStr || t == varString || t == varUString; }
bool IsStampType(TVarType t) { return t == varSQLTimeStamp || t == varSQLTimeStampOffset; }

String BaseTypeName(TVarType t) {
    switch (t) {
        case varEmpty: return QStringLiteral("Empty");
        case varNull: return QStringLiteral("Null");
        case varSmallint: return QStringLiteral("Smallint");
        case varInteger: return QStringLiteral("Integer");
        case varSingle: return QStringLiteral("Single");
        case varDouble: return QStringLiteral("Double");
        case varCurrency: return QStringLiteral("Currency");
        case varDate: return QStringLiteral("Date");
        case varOleStr: return QStringLiteral("OleStr");
        case varDispatch: return QStringLiteral("Dispatch");
        case varError: return QStringLiteral("Error");
        case varBoolean: return QStringLiteral("Boolean");
        case varVariant: return QStringLiteral("Variant");
        case varUnknown: return QStringLiteral("Unknown");
        case varShortInt: return QStringLiteral("ShortInt");
        case varByte: return QStringLiteral("Byte");
        case varWord: return QStringLiteral("Word");
        case varLongWord: return QStringLiteral("LongWord");
        case varInt64: return QStringLiteral("Int64");
        case varUInt64: return QStringLiteral("UInt64");
        case varString: return QStringLiteral("String");
        case varAny: return QStringLiteral("Any");
        case varUString: return QStringLiteral("UnicodeString");
        case varSQLTimeStamp: return QStringLiteral("SQLTimeStampVariantType");
        case varSQLTimeStampOffset: return QStringLiteral("SQLTimeStampOffsetVariantType");
        case varFMTBcd: return QStringLiteral("FMTBcdVariantType");
        case varObject: return QStringLiteral("Object");
        default: return QStringLiteral("$%1").arg(t, 4, 16, QChar(u'0')).toUpper();
    }
}

[[noreturn]] void CastError(TVarType from, TVarType to) {
    throw EVariantTypeCastError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                                    .arg(VarTypeAsText(from), VarTypeAsText(to)));
}

[[noreturn]] void OverflowError(TVarType from, TVarType to) {
    throw EVariantOverflowError(QStringLiteral("Overflow while converting variant of type (%1) into type (%2)")
                                    .arg(VarTypeAsText(from), VarTypeAsText(to)));
}

[[noreturn]] void InvalidOp() { throw EVariantInvalidOpError(QStringLiteral("Invalid variant operation")); }
[[noreturn]] void NotAnArray() { throw EVariantNotAnArrayError(QStringLiteral("Variant is not an array")); }
[[noreturn]] void BadIndex() {
    throw EVariantBadIndexError(QStringLiteral("Variant or safe array index out of bounds"));
}
[[noreturn]] void IntOverflow() { throw EIntOverflow(QStringLiteral("Integer overflow")); }

// ---- scalar readers ----------------------------------------------------------------------------

// Exact integer value of an integer or Boolean variant.
Int128 IntValue(const Variant& v) {
    const TVarType t = v.VType();
    if (t == varBoolean) return VA::D(v).Bool ? -1 : 0;
    if (t == varUInt64) return Int128(VA::D(v).UInt);
    return Int128(VA::D(v).Int);
}

bool IsIntOrBool(TVarType t) { return IsIntType(t) || t == varBoolean; }
// Integers, Boolean, Single, Double and dates: the kinds read straight from the payload.
bool IsPlainNumber(TVarType t) { return IsIntOrBool(t) || IsFloatType(t) || t == varDate; }

// The value of a plain number as a long double.
long double PlainFloat(const Variant& v) {
    const TVarType t = v.VType();
    if (t == varSingle) return VA::D(v).Sgl;
    if (t == varDouble || t == varDate) return VA::D(v).Dbl;
    return static_cast<long double>(IntValue(v));
}

bool StrToInt128(const String& s, Int128& out) {
    Int64 i;
    if (TryStrToInt64(s, i)) { out = i; return true; }
    return false;
}

// A float rounded half to even; beyond Int64 the value is already integral.
Int128 RoundWide(long double d, TVarType from, TVarType target) {
    if (std::fabs(d) >= 1.8e19L) OverflowError(from, target);
    if (std::fabs(d) >= 9.2e18L) return static_cast<Int128>(d);
    return Round(d);
}

// Integer value (rounded half to even from fractions) for conversion into target, with the
// target's failures.
Int128 ToInteger(const Variant& v, TVarType target) {
    const TVarType t = v.VType();
    switch (t) {
        case varEmpty: return 0;
        case varBoolean: case varSmallint: case varInteger: case varShortInt: case varByte:
        case varWord: case varLongWord: case varInt64: case varUInt64:
            return IntValue(v);
        case varSingle: case varDouble: case varDate: {
            long double d = t == varSingle ? VA::D(v).Sgl : VA::D(v).Dbl;
            if (!std::isfinite(d)) OverflowError(t, target);
            return RoundWide(d, t, target);
        }
        case varCurrency: {
            Int64 raw = VA::D(v).Int;
            Int128 q = raw / 10000, r = raw % 10000;
            if (r > 5000 || (r == 5000 && q % 2 != 0)) ++q;
            else if (r < -5000 || (r == -5000 && q % 2 != 0)) --q;
            return q;
        }
        case varFMTBcd: {
            TBcd rounded;
            if (!NormalizeBcd(VA::Bcd(v), rounded, 64, 0)) OverflowError(t, target);
            String s = BcdToStr(rounded);
            Int128 out = 0;
            bool neg = s.startsWith(u'-');
            for (QChar c : s.mid(neg ? 1 : 0)) {
                out = out * 10 + (c.unicode() - '0');
                if (out > (Int128(1) << 65)) OverflowError(t, target);
            }
            return neg ? -out : out;
        }
        case varOleStr: case varString: case varUString: {
            const String& s = VA::S(v);
            Int128 i;
            if (StrToInt128(Trim(s), i)) return i;
            Extended f;
            if (TryStrToFloat(s, f)) {
                if (!std::isfinite(f)) OverflowError(t, target);
                return RoundWide(f, t, target);
            }
            bool b;
            if (TryStrToBool(s, b)) return b ? -1 : 0;
            CastError(t, target);
        }
        case varSQLTimeStamp: case varSQLTimeStampOffset:
            return Round(VarToDateTime(v));
        default:
            CastError(t, target);
    }
}

Int128 CheckedRange(const Variant& v, TVarType target, Int128 lo, Int128 hi) {
    if (v.VType() == varNull) CastError(varNull, target);
    Int128 i = ToInteger(v, target);
    if (i < lo || i > hi) OverflowError(v.VType(), target);
    return i;
}

long double ToFloat(const Variant& v, TVarType target) {
    const TVarType t = v.VType();
    switch (t) {
        case varEmpty: return 0;
        case varBoolean: case varSmallint: case varInteger: case varShortInt: case varByte:
        case varWord: case varLongWord: case varInt64: case varUInt64:
            return static_cast<long double>(IntValue(v));
        case varSingle: return VA::D(v).Sgl;
        case varDouble: case varDate: return VA::D(v).Dbl;
        case varCurrency: return Currency::FromRaw(VA::D(v).Int).ToExtended();
        case varFMTBcd: return BcdToDouble(VA::Bcd(v));
        case varSQLTimeStamp: case varSQLTimeStampOffset: return VarToDateTime(v);
        case varOleStr: case varString: case varUString: {
            Extended f;
            if (TryStrToFloat(VA::S(v), f)) return f;
            bool b;
            if (TryStrToBool(VA::S(v), b)) return b ? -1 : 0;
            CastError(t, target);
        }
        default: CastError(t, target);
    }
}

Currency ToCurrency(const Variant& v) {
    const TVarType t = v.VType();
    try {
        switch (t) {
            case varEmpty: return Currency();
            case varCurrency: return Currency::FromRaw(VA::D(v).Int);
            case varBoolean: case varSmallint: case varInteger: case varShortInt: case varByte:
            case varWord: case varLongWord: case varInt64: {
                Int128 i = IntValue(v);
                if (i > INT64_MAX / 10000 || i < INT64_MIN / 10000) OverflowError(t, varCurrency);
                return Currency::FromRaw(Int64(i) * 10000);
            }
            case varUInt64:
                if (VA::D(v).UInt > UInt64(INT64_MAX / 10000)) OverflowError(t, varCurrency);
                return Currency::FromRaw(Int64(VA::D(v).UInt) * 10000);
            case varSingle: return Currency(VA::D(v).Sgl);
            case varDouble: case varDate: return Currency(VA::D(v).Dbl);
            case varFMTBcd: {
                Currency c;
                if (!BCDToCurr(VA::Bcd(v), c)) OverflowError(t, varCurrency);
                return c;
            }
            case varSQLTimeStamp: case varSQLTimeStampOffset: return Currency(VarToDateTime(v));
            case varOleStr: case varString: case varUString: {
                Currency c;
                if (TryStrToCurr(VA::S(v), c)) return c;
                Extended f;
                if (TryStrToFloat(VA::S(v), f)) OverflowError(t, varCurrency);
                bool b;
                if (TryStrToBool(VA::S(v), b)) return b ? Currency(-1) : Currency();
                CastError(t, varCurrency);
            }
            default: CastError(t, varCurrency);
        }
    } catch (const EOverflow&) {
        OverflowError(t, varCurrency);
    } catch (const EInvalidOp&) {
        OverflowError(t, varCurrency);
    }
}

bool ToBoolean(const Variant& v) {
    const TVarType t = v.VType();
    switch (t) {
        case varEmpty: return false;
        case varBoolean: return VA::D(v).Bool;
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
        case varLongWord: case varInt64: case varUInt64:
            return IntValue(v) != 0;
        case varSingle: return VA::D(v).Sgl != 0;
        case varDouble: case varDate: return VA::D(v).Dbl != 0;
        case varCurrency: return VA::D(v).Int != 0;
        case varFMTBcd: return BcdCompare(VA::Bcd(v), IntegerToBcd(0)) != 0;
        case varOleStr: case varString: case varUString: {
            bool b;
            if (TryStrToBool(VA::S(v), b)) return b;
            CastError(t, varBoolean);
        }
        default: CastError(t, varBoolean);
    }
}

String StampText(TDateTime dt) { return DateTimeToStr(dt); }

String ToText(const Variant& v, TVarType target) {
    const TVarType t = v.VType();
    switch (t) {
        case varEmpty: return String();
        case varBoolean: return BoolToStr(VA::D(v).Bool, true);
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
        case varLongWord: case varInt64:
            return QString::number(VA::D(v).Int);
        case varUInt64: return QString::number(VA::D(v).UInt);
        case varSingle: return FloatToStrF(VA::D(v).Sgl, ffGeneral, 7, 0);
        case varDouble: return FloatToStr(VA::D(v).Dbl);
        case varCurrency: return CurrToStr(Currency::FromRaw(VA::D(v).Int));
        case varDate: return DateTimeToStr(VA::D(v).Dbl);
        case varOleStr: case varString: case varUString: return VA::S(v);
        case varFMTBcd: return BcdToStr(VA::Bcd(v));
        case varSQLTimeStamp: return StampText(SQLTimeStampToDateTime(VA::D(v).Stamp));
        case varSQLTimeStampOffset: return StampText(SQLTimeStampOffsetToDateTime(VA::D(v).StampOffset));
        default: CastError(t, target);
    }
}

TDateTime ToDate(const Variant& v) {
    const TVarType t = v.VType();
    switch (t) {
        case varSQLTimeStamp: return SQLTimeStampToDateTime(VA::D(v).Stamp);
        case varSQLTimeStampOffset: return SQLTimeStampOffsetToDateTime(VA::D(v).StampOffset);
        case varOleStr: case varString: case varUString: {
            TDateTime d;
            if (TryStrToDateTime(VA::S(v), d)) return d;
            CastError(t, varDate);
        }
        case varNull: CastError(t, varDate);
        default: {
            long double d = ToFloat(v, varDate);
            if (!std::isfinite(d) || std::fabs(d) > 1e7L) OverflowError(t, varDate);
            return static_cast<double>(d);
        }
    }
}

TBcd ToBcdValue(const Variant& v) {
    const TVarType t = v.VType();
    switch (t) {
        case varEmpty: return IntegerToBcd(0);
        case varFMTBcd: return VA::Bcd(v);
        case varBoolean: case varSmallint: case varInteger: case varShortInt: case varByte:
        case varWord: case varLongWord: case varInt64:
            return IntegerToBcd(Int64(IntValue(v)));
        case varUInt64: {
            TBcd b;
            TryStrToBcd(QString::number(VA::D(v).UInt), b);
            return b;
        }
        case varSingle: case varDouble: case varDate: {
            double d = t == varSingle ? VA::D(v).Sgl : VA::D(v).Dbl;
            if (!std::isfinite(d)) OverflowError(t, varFMTBcd);
            try {
                return DoubleToBcd(d);
            } catch (const EBcdOverflowException&) {
                OverflowError(t, varFMTBcd);
            }
        }
        case varCurrency: return CurrToBCD(Currency::FromRaw(VA::D(v).Int));
        case varOleStr: case varString: case varUString: {
            TBcd b;
            if (TryStrToBcd(VA::S(v), b)) return b;
            Extended f;
            if (TryStrToFloat(VA::S(v), f) && std::isfinite(f)) return DoubleToBcd(double(f));
            bool bb;
            if (TryStrToBool(VA::S(v), bb)) return IntegerToBcd(bb ? -1 : 0);
            CastError(t, varFMTBcd);
        }
        case varSQLTimeStamp: case varSQLTimeStampOffset: return DoubleToBcd(VarToDateTime(v));
        default: CastError(t, varFMTBcd);
    }
}

// ---- numbers for comparison and arithmetic -----------------------------------------------------

// A numeric operand: integers exactly, currency as its raw value, floats as long double, BCD.
struct Num {
    enum Kind { kInt, kCurr, kFloat, kBcd } kind = kInt;
    Int128 i = 0;       // kInt: value; kCurr: raw
    long double f = 0;  // kFloat
    TBcd b;             // kBcd
};

Num NumOf(const Variant& v) {
    Num n;
    const TVarType t = v.VType();
    if (t == varEmpty) return n;
    if (IsIntType(t) || t == varBoolean) { n.i = IntValue(v); return n; }
    if (t == varCurrency) { n.kind = Num::kCurr; n.i = VA::D(v).Int; return n; }
    if (t == varFMTBcd) { n.kind = Num::kBcd; n.b = VA::Bcd(v); return n; }
    if (IsFloatType(t) || t == varDate || IsStampType(t)) { n.kind = Num::kFloat; n.f = ToFloat(v, varDouble); return n; }
    if (IsStrType(t)) {
        const String& s = VA::S(v);
        Int128 i;
        if (StrToInt128(Trim(s), i)) { n.i = i; return n; }
        Extended f;
        if (TryStrToFloat(s, f)) { n.kind = Num::kFloat; n.f = f; return n; }
        TDateTime d;
        if (TryStrToDateTime(s, d)) { n.kind = Num::kFloat; n.f = d; return n; }
        bool b;
        if (TryStrToBool(s, b)) { n.i = b ? -1 : 0; return n; }
        CastError(t, varDouble);
    }
    CastError(t, varDouble);
}

TBcd BcdOfInt(Int128 i) {
    if (i >= INT64_MIN && i <= INT64_MAX) return IntegerToBcd(Int64(i));
    TBcd b;
    TryStrToBcd(QString::number(static_cast<unsigned long long>(i)), b);  // only UInt64 range gets here
    return b;
}

Num Promote(const Num& n, Num::Kind kind) {
    if (n.kind == kind) return n;
    Num r;
    r.kind = kind;
    switch (kind) {
        case Num::kInt: break;
        case Num::kCurr:
            r.i = n.i * 10000;  // only from kInt
            break;
        case Num::kFloat:
            r.f = n.kind == Num::kInt ? static_cast<long double>(n.i) : static_cast<long double>(n.i) / 10000.0L;
            break;
        case Num::kBcd:
            if (n.kind == Num::kInt) r.b = BcdOfInt(n.i);
            else if (n.kind == Num::kCurr) r.b = CurrToBCD(Currency::FromRaw(Int64(n.i)));
            else {
                if (!std::isfinite(n.f)) throw EBcdOverflowException(QStringLiteral("BCD overflow"));
                r.b = DoubleToBcd(double(n.f));
            }
            break;
    }
    return r;
}

int CompareNum(Num a, Num b) {
    const auto kind = std::max(a.kind, b.kind);
    a = Promote(a, kind);
    b = Promote(b, kind);
    switch (kind) {
        case Num::kInt: case Num::kCurr: return a.i < b.i ? -1 : (a.i > b.i ? 1 : 0);
        case Num::kFloat: return a.f < b.f ? -1 : (a.f > b.f ? 1 : 0);
        case Num::kBcd: return BcdCompare(a.b, b.b);
    }
    return 0;
}

int CompareTexts(const String& a, const String& b) {
    if (a == b) return 0;
    int c = AnsiCompareStr(a, b);
    if (c == 0) c = CompareStr(a, b);
    return c < 0 ? -1 : 1;
}

// Order of two values that are neither Null nor arrays (see the header's rules).
int CompareValues(const Variant& a, const Variant& b) {
    const TVarType ta = a.VType(), tb = b.VType();
    // The common pairs first, with the same result as the general promotion below: integers
    // (and Booleans) exactly, and with a Single, Double or date as long doubles.
    if (IsPlainNumber(ta) && IsPlainNumber(tb)) {
        if (IsIntOrBool(ta) && IsIntOrBool(tb)) {
            const Int128 x = IntValue(a), y = IntValue(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        const long double x = PlainFloat(a), y = PlainFloat(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (ta == varObject || tb == varObject) {
        auto ptr = [](const Variant& v) { return v.VType() == varObject ? VA::D(v).Obj : nullptr; };
        if ((ta != varObject && ta != varEmpty) || (tb != varObject && tb != varEmpty)) InvalidOp();
        auto pa = ptr(a), pb = ptr(b);
        return pa == pb ? 0 : (std::less<TObject*>()(pa, pb) ? -1 : 1);
    }
    if (ta == varEmpty && tb == varEmpty) return 0;
    const bool sa = IsStrType(ta) || (ta == varEmpty && IsStrType(tb));
    const bool sb = IsStrType(tb) || (tb == varEmpty && IsStrType(ta));
    if (IsStrType(ta) && IsStrType(tb)) return CompareTexts(VA::S(a), VA::S(b));  // no copies
    if (sa && sb) return CompareTexts(VarToStr(a), VarToStr(b));
    if (sa || sb) {
        // Text against a value: as that value's kind; text that does not read as one cannot be
        // compared with it (EVariantTypeCastError, as the framework raises).
        const Variant& text = sa ? a : b;
        const Variant& other = sa ? b : a;
        const TVarType to = other.VType();
        const int flip = sa ? 1 : -1;
        if (to == varBoolean) {
            bool tv;
            if (!TryStrToBool(VA::S(text), tv)) CastError(text.VType(), varBoolean);
            return flip * CompareNum(NumOf(Variant(tv)), NumOf(other));
        } else if (to == varFMTBcd) {
            TBcd tb;
            if (!TryStrToBcd(VA::S(text), tb)) CastError(text.VType(), varFMTBcd);
            return flip * BcdCompare(tb, VA::Bcd(other));
        } else if (to == varDate || IsStampType(to)) {
            TDateTime d;
            if (!TryStrToDateTime(VA::S(text), d)) CastError(text.VType(), varDate);
            long double o = ToFloat(other, varDate);
            return flip * (d < o ? -1 : (d > o ? 1 : 0));
        }
        return flip * CompareNum(NumOf(text), NumOf(other));
    }
    return CompareNum(NumOf(a), NumOf(b));
}

void CheckComparable(const Variant& a, const Variant& b) {
    if (VarIsArray(a) || VarIsArray(b)) InvalidOp();
}

// ---- arithmetic --------------------------------------------------------------------------------

bool IsSmallIntType(TVarType t) {
    return t == varSmallint || t == varInteger || t == varShortInt || t == varByte || t == varWord ||
           t == varBoolean || t == varEmpty;
}

Variant FromInt(Int128 v, bool small) {
    if (small && v >= INT32_MIN && v <= INT32_MAX) return Variant(int(v));
    if (v >= INT64_MIN && v <= INT64_MAX) return Variant(static_cast<long long>(v));
    if (v >= 0 && v <= Int128(UINT64_MAX)) return Variant(static_cast<unsigned long long>(v));
    IntOverflow();
}

Variant FromNum(const Num& n, bool smallInts, bool dateResult) {
    switch (n.kind) {
        case Num::kInt: return FromInt(n.i, smallInts);
        case Num::kCurr:
            if (n.i < INT64_MIN || n.i > INT64_MAX) throw EOverflow(QStringLiteral("Floating point overflow"));
            return Variant(Currency::FromRaw(Int64(n.i)));
        case Num::kFloat:
            return dateResult ? VarFromDateTime(double(n.f)) : Variant(double(n.f));
        case Num::kBcd: return Variant(n.b);
    }
    return Variant();
}

enum class Op { Add, Sub, Mul };

// x op y of two integer operands (each within Int64 or UInt64); a product past the 128-bit range is
// past UInt64 too, and raises as every result beyond it does.
Int128 IntArith(Int128 x, Int128 y, Op op) {
    if (op == Op::Add) return x + y;
    if (op == Op::Sub) return x - y;
    Int128 r;
    if (__builtin_mul_overflow(x, y, &r)) IntOverflow();
    return r;
}

Variant Arith(const Variant& a, const Variant& b, Op op) {
    const TVarType ta = a.VType(), tb = b.VType();
    if (ta == varNull || tb == varNull) return Variant::Null();
    if (VarIsArray(a) || VarIsArray(b) || ta == varObject || tb == varObject) InvalidOp();
    if (op == Op::Add) {
        const bool sa = IsStrType(ta), sb = IsStrType(tb);
        if ((sa && (sb || tb == varEmpty)) || (sb && ta == varEmpty)) {
            Variant r(VarToStr(a) + VarToStr(b));
            if (sa && sb && ta == tb) VA::SetStringType(r, ta);
            return r;
        }
    }
    // Integers with integers and Single or Double with numbers: the common cases, with the same
    // result as the general promotion below.
    if (IsIntOrBool(ta) && IsIntOrBool(tb))
        return FromInt(IntArith(IntValue(a), IntValue(b), op), IsSmallIntType(ta) && IsSmallIntType(tb));
    if (IsPlainNumber(ta) && IsPlainNumber(tb) && ta != varDate && tb != varDate) {
        const long double x = PlainFloat(a), y = PlainFloat(b);
        return Variant(double(op == Op::Add ? x + y : op == Op::Sub ? x - y : x * y));
    }
    const bool dateA = ta == varDate || IsStampType(ta), dateB = tb == varDate || IsStampType(tb);
    bool dateResult = false;
    if (op == Op::Add) dateResult = dateA != dateB || (dateA && dateB);
    else if (op == Op::Sub) dateResult = dateA && !dateB;
    Num x = NumOf(a), y = NumOf(b);
    auto kind = std::max(x.kind, y.kind);
    if (IsStrType(ta) || IsStrType(tb)) kind = std::max(kind, Num::kFloat);  // text counts as Double
    x = Promote(x, kind);
    y = Promote(y, kind);
    Num r;
    r.kind = kind;
    switch (kind) {
        case Num::kInt:
            r.i = IntArith(x.i, y.i, op);
            return FromNum(r, IsSmallIntType(ta) && IsSmallIntType(tb), false);
        case Num::kCurr: {
            for (Int128 raw : {x.i, y.i})
                if (raw < INT64_MIN || raw > INT64_MAX) throw EOverflow(QStringLiteral("Floating point overflow"));
            Currency cx = Currency::FromRaw(Int64(x.i)), cy = Currency::FromRaw(Int64(y.i));
            Currency c = op == Op::Add ? cx + cy : op == Op::Sub ? cx - cy : cx * cy;
            return Variant(c);
        }
        case Num::kFloat:
            r.f = op == Op::Add ? x.f + y.f : op == Op::Sub ? x.f - y.f : x.f * y.f;
            return FromNum(r, false, dateResult);
        case Num::kBcd:
            if (op == Op::Add) BcdAdd(x.b, y.b, r.b);
            else if (op == Op::Sub) BcdSubtract(x.b, y.b, r.b);
            else BcdMultiply(x.b, y.b, r.b);
            return Variant(r.b);
    }
    return Variant();
}

// Integer operand of div, mod and the bitwise operations.
Int128 IntOperand(const Variant& v) {
    if (VarIsArray(v) || v.VType() == varObject) InvalidOp();
    return ToInteger(v, varInt64);
}

bool IsBoolish(const Variant& v) {
    if (v.VType() == varBoolean) return true;
    if (IsStrType(v.VType())) {
        const String s = Trim(VA::S(v));
        return s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
               s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0;
    }
    return false;
}

enum class LogicOp { And, Or, Xor };

Variant Logic(const Variant& a, const Variant& b, LogicOp op) {
    if (VarIsNull(a) || VarIsNull(b)) return Variant::Null();
    const bool boolA = IsBoolish(a) || (a.VType() == varEmpty && IsBoolish(b));
    const bool boolB = IsBoolish(b) || (b.VType() == varEmpty && IsBoolish(a));
    if (boolA && boolB) {
        bool x = ToBoolean(a), y = ToBoolean(b);
        return Variant(op == LogicOp::And ? (x && y) : op == LogicOp::Or ? (x || y) : (x != y));
    }
    Int128 x = IntOperand(a), y = IntOperand(b);
    Int64 xi = Int64(UInt64(x)), yi = Int64(UInt64(y));
    Int64 r = op == LogicOp::And ? (xi & yi) : op == LogicOp::Or ? (xi | yi) : (xi ^ yi);
    return FromInt(r, IsSmallIntType(a.VType()) && IsSmallIntType(b.VType()));
}

// ---- arrays ------------------------------------------------------------------------------------

Variant DefaultOf(TVarType t) {
    if (t == varVariant) return Variant();
    if (t == varObject) return VarFromObject(nullptr);
    return VarAsType(Variant(), t);
}

bool ValidElementType(TVarType t) {
    return t == varVariant || IsIntType(t) || IsFloatType(t) || IsStrType(t) || t == varCurrency ||
           t == varDate || t == varBoolean || t == varFMTBcd || IsStampType(t) || t == varObject;
}

VA::Arr* ArrayOf(const Variant& v) {
    auto* a = const_cast<VA::Arr*>(VA::A(v));
    if (!a) NotAnArray();
    return a;
}

std::size_t Offset(const VA::Arr& a, const int* idx, std::size_t n) {
    if (n != a.Bounds.size()) BadIndex();
    std::size_t off = 0, stride = 1;
    for (std::size_t d = 0; d < n; ++d) {
        auto [lo, hi] = a.Bounds[d];
        if (idx[d] < lo || idx[d] > hi) BadIndex();
        off += std::size_t(idx[d] - lo) * stride;
        stride *= std::size_t(hi - lo + 1);
    }
    return off;
}

Variant GetAt(const Variant& arr, const int* idx, std::size_t n) {
    const auto* a = ArrayOf(arr);
    std::size_t off = Offset(*a, idx, n);
    if (a->ElemType == varByte) return Variant(static_cast<unsigned char>(a->Bytes[off]));
    return a->Items[off];
}

void PutAt(Variant& arr, const Variant& value, const int* idx, std::size_t n) {
    auto* a = ArrayOf(arr);
    std::size_t off = Offset(*a, idx, n);
    if (a->ElemType == varByte) {
        a->Bytes[off] = Byte(CheckedRange(value, varByte, 0, 255));
        return;
    }
    a->Items[off] = a->ElemType == varVariant ? value : VarAsType(value, a->ElemType);
}

}  // namespace

// ---- SQL time stamps ---------------------------------------------------------------------------

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime DateTime) {
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(DateTime, y, m, d, h, n, s, ms);
    TSQLTimeStamp t;
    t.Year = SmallInt(y);
    t.Month = m;
    t.Day = d;
    t.Hour = h;
    t.Minute = n;
    t.Second = s;
    t.Fractions = ms;
    return t;
}

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& DateTime) {
    if (DateTime == TSQLTimeStamp()) return 0;  // a blank stamp
    TDateTime d, t;
    if (DateTime.Year < 1 || !TryEncodeDate(Word(DateTime.Year), DateTime.Month, DateTime.Day, d) ||
        DateTime.Fractions > 999 ||
        !TryEncodeTime(DateTime.Hour, DateTime.Minute, DateTime.Second, Word(DateTime.Fractions), t))
        throw EConvertError(QStringLiteral("Invalid SQL date/time values"));
    return d >= 0 ? d + t : d - t;
}

TDateTime SQLTimeStampOffsetToDateTime(const TSQLTimeStampOffset& DateTime) {
    TSQLTimeStamp s{DateTime.Year, DateTime.Month, DateTime.Day, DateTime.Hour,
                    DateTime.Minute, DateTime.Second, DateTime.Fractions};
    return SQLTimeStampToDateTime(s);
}

TSQLTimeStampOffset DateTimeToSQLTimeStampOffset(TDateTime DateTime, SmallInt TZHour, SmallInt TZMinute) {
    TSQLTimeStamp s = DateTimeToSQLTimeStamp(DateTime);
    return TSQLTimeStampOffset{s.Year, s.Month, s.Day, s.Hour, s.Minute, s.Second, s.Fractions, TZHour, TZMinute};
}

// ---- Variant members ---------------------------------------------------------------------------

void Variant::CopyOwned(const Variant& o) {
    if (FType & varArray) {
        auto copy = std::make_unique<ArrayData>(*o.FData.Arr);
        copy->Locks = 0;
        FData.Arr = copy.release();
    } else if (FType == varFMTBcd) {
        FData.Bcd->Refs.fetch_add(1, std::memory_order_relaxed);  // the same block as o
    } else {
        new (FData.Str) String(VA::S(o));
    }
}

Variant& Variant::AssignOwned(const Variant& o) {
    if (this != &o) {
        Variant tmp(o);
        *this = std::move(tmp);
    }
    return *this;
}

void Variant::ReleaseOwned() noexcept {
    if (FType & varArray) delete FData.Arr;
    else if (FType == varFMTBcd) {
        if (FData.Bcd->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1) delete FData.Bcd;
    }
    else VA::S(*this).~String();
}

Variant::Variant(const TBcd& v) : FType(varFMTBcd) { FData.Bcd = new BcdData(v); }
Variant::Variant(const char* v) : Variant(QString::fromUtf8(v)) {}
Variant::Variant(const char16_t* v) : Variant(QString::fromUtf16(v)) {}
Variant::Variant(QChar v) : Variant(String(v)) {}
Variant::Variant(char v) : Variant(String(QChar::fromLatin1(v))) {}
Variant::Variant(char16_t v) : Variant(String(QChar(v))) {}

Variant Variant::Null() { return VA::Make(varNull); }
Variant Variant::Unassigned() { return Variant(); }

// Each typed read answers a value already of its kind at once (the common case in the stores and
// the drivers); the rest goes through the general conversion.
Integer Variant::AsInteger() const {
    if (FType == varInteger) return Integer(FData.Int);
    return Integer(CheckedRange(*this, varInteger, INT32_MIN, INT32_MAX));
}
Int64 Variant::AsInt64() const {
    // The kinds held as an Int64 are in range as they are.
    if (FType == varInteger || FType == varInt64) return FData.Int;
    return Int64(CheckedRange(*this, varInt64, INT64_MIN, INT64_MAX));
}
UInt64 Variant::AsUInt64() const { return UInt64(CheckedRange(*this, varUInt64, 0, Int128(UINT64_MAX))); }

double Variant::AsDouble() const {
    if (FType == varDouble || FType == varDate) return FData.Dbl;
    if (FType == varNull || VarIsArray(*this)) CastError(FType, varDouble);
    long double f = ToFloat(*this, varDouble);
    if (std::isfinite(f) && std::fabs(f) > DBL_MAX) OverflowError(FType, varDouble);
    return double(f);
}

Extended Variant::AsExtended() const {
    if (FType == varNull || VarIsArray(*this)) CastError(FType, varDouble);
    return ToFloat(*this, varDouble);
}

Currency Variant::AsCurrency() const {
    if (FType == varCurrency) return Currency::FromRaw(FData.Int);
    if (FType == varNull || VarIsArray(*this)) CastError(FType, varCurrency);
    return ToCurrency(*this);
}

bool Variant::AsBoolean() const {
    if (FType == varBoolean) return FData.Bool;
    if (FType == varNull || VarIsArray(*this)) CastError(FType, varBoolean);
    return ToBoolean(*this);
}

String Variant::AsString() const& {
    if (FType == varUString) return VA::S(*this);
    if (FType == varNull || VarIsArray(*this)) CastError(FType, varUString);
    return ToText(*this, varUString);
}

String Variant::AsString() && {
    if (FType == varUString || FType == varOleStr || FType == varString) return std::move(VA::S(*this));
    return static_cast<const Variant&>(*this).AsString();
}

TDateTime Variant::AsDateTime() const {
    if (FType == varNull || VarIsArray(*this)) CastError(FType, varDate);
    return ToDate(*this);
}

TBcd Variant::AsBcd() const {
    if (FType == varNull || VarIsArray(*this)) CastError(FType, varFMTBcd);
    return ToBcdValue(*this);
}

TObject* Variant::AsObject() const {
    if (FType == varObject) return FData.Obj;
    if (FType == varEmpty || FType == varNull) return nullptr;
    CastError(FType, varObject);
}

Variant Variant::GetElement(int Index) const { return GetAt(*this, &Index, 1); }

void Variant::PutElement(int Index, const Variant& Value) { PutAt(*this, Value, &Index, 1); }

Variant::operator TVarRec() const {
    switch (FType) {
        case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
            return TVarRec(int(FData.Int));
        case varLongWord: case varInt64: return TVarRec(static_cast<long long>(FData.Int));
        case varUInt64: return TVarRec(static_cast<unsigned long long>(FData.UInt));
        case varSingle: return TVarRec(static_cast<long double>(FData.Sgl));
        case varDouble: return TVarRec(static_cast<long double>(FData.Dbl));
        case varCurrency: return TVarRec::FromCurrencyRaw(FData.Int);
        default: return TVarRec(VarToStr(*this));
    }
}

Variant Variant::operator-() const {
    switch (FType) {
        case varNull: case varEmpty: return *this;
        case varCurrency: return Variant(-Currency::FromRaw(FData.Int));
        case varSingle: return Variant(-FData.Sgl);
        case varDouble: return Variant(-FData.Dbl);
        case varDate: return VarFromDateTime(-FData.Dbl);
        case varFMTBcd: {
            TBcd r;
            BcdSubtract(IntegerToBcd(0), FData.Bcd->Value, r);
            return Variant(r);
        }
        default:
            if (VarIsArray(*this) || FType == varObject) InvalidOp();
            if (IsStrType(FType) || IsStampType(FType)) return Variant(0) - *this;
            return FromInt(-IntValue(*this), IsSmallIntType(FType));
    }
}

Variant& Variant::operator+=(const Variant& o) { return *this = *this + o; }
Variant& Variant::operator-=(const Variant& o) { return *this = *this - o; }
Variant& Variant::operator*=(const Variant& o) { return *this = *this * o; }
Variant& Variant::operator/=(const Variant& o) { return *this = *this / o; }

// ---- operators ---------------------------------------------------------------------------------

Variant operator+(const Variant& a, const Variant& b) { return Arith(a, b, Op::Add); }
Variant operator-(const Variant& a, const Variant& b) { return Arith(a, b, Op::Sub); }
Variant operator*(const Variant& a, const Variant& b) { return Arith(a, b, Op::Mul); }

Variant operator/(const Variant& a, const Variant& b) {
    if (VarIsNull(a) || VarIsNull(b)) return Variant::Null();
    if (VarIsArray(a) || VarIsArray(b) || a.VType() == varObject || b.VType() == varObject) InvalidOp();
    Num x = Promote(NumOf(a), Num::kFloat), y = Promote(NumOf(b), Num::kFloat);
    if (NumOf(a).kind == Num::kBcd) x.f = BcdToDouble(NumOf(a).b);
    if (NumOf(b).kind == Num::kBcd) y.f = BcdToDouble(NumOf(b).b);
    if (y.f == 0) {
        if (x.f == 0) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
        throw EZeroDivide(QStringLiteral("Floating point division by zero"));
    }
    return Variant(double(x.f / y.f));
}

Variant VarIntDiv(const Variant& a, const Variant& b) {
    if (VarIsNull(a) || VarIsNull(b)) return Variant::Null();
    Int128 x = IntOperand(a), y = IntOperand(b);
    if (y == 0) throw EDivByZero(QStringLiteral("Division by zero"));
    return FromInt(x / y, IsSmallIntType(a.VType()) && IsSmallIntType(b.VType()));
}

Variant VarMod(const Variant& a, const Variant& b) {
    if (VarIsNull(a) || VarIsNull(b)) return Variant::Null();
    Int128 x = IntOperand(a), y = IntOperand(b);
    if (y == 0) throw EDivByZero(QStringLiteral("Division by zero"));
    return FromInt(x % y, IsSmallIntType(a.VType()) && IsSmallIntType(b.VType()));
}

Variant VarAnd(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::And); }
Variant VarOr(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::Or); }
Variant VarXor(const Variant& a, const Variant& b) { return Logic(a, b, LogicOp::Xor); }

Variant VarNot(const Variant& a) {
    if (VarIsNull(a)) return Variant::Null();
    if (IsBoolish(a)) return Variant(!ToBoolean(a));
    Int128 x = IntOperand(a);
    return FromInt(~Int64(UInt64(x)), IsSmallIntType(a.VType()));
}

bool operator==(const Variant& a, const Variant& b) {
    CheckComparable(a, b);
    const bool na = VarIsNull(a), nb = VarIsNull(b);
    if (na || nb) return na && nb;
    return CompareValues(a, b) == 0;
}

bool operator<(const Variant& a, const Variant& b) {
    CheckComparable(a, b);
    const bool na = VarIsNull(a), nb = VarIsNull(b);
    if (na || nb) return na && !nb;
    return CompareValues(a, b) < 0;
}

TVariantRelationship VarCompareValue(const Variant& A, const Variant& B) {
    const TVarType ta = A.VType(), tb = B.VType();
    if (ta == varEmpty) return tb == varEmpty ? vrEqual : vrNotEqual;
    if (ta == varNull) return tb == varNull ? vrEqual : vrNotEqual;
    if (tb == varEmpty || tb == varNull) return vrNotEqual;
    CheckComparable(A, B);
    int c = CompareValues(A, B);
    return c == 0 ? vrEqual : (c < 0 ? vrLessThan : vrGreaterThan);
}

bool VarSameValue(const Variant& A, const Variant& B) {
    const TVarType ta = A.VType(), tb = B.VType();
    if (ta == varEmpty || ta == varNull || tb == varEmpty || tb == varNull) return ta == tb;
    return A == B;
}

// ---- construction helpers ----------------------------------------------------------------------

Variant VarFromDateTime(TDateTime DateTime) {
    Variant v = VA::Make(varDate);
    VA::D(v).Dbl = DateTime;
    return v;
}

Variant VarFromObject(TObject* Obj) {
    Variant v = VA::Make(varObject);
    VA::D(v).Obj = Obj;
    return v;
}

Variant VarSQLTimeStampCreate(const TSQLTimeStamp& ATimeStamp) {
    Variant v = VA::Make(varSQLTimeStamp);
    VA::D(v).Stamp = ATimeStamp;
    return v;
}

Variant VarSQLTimeStampCreate(TDateTime DateTime) { return VarSQLTimeStampCreate(DateTimeToSQLTimeStamp(DateTime)); }

Variant VarSQLTimeStampCreate(const String& AValue) {
    TDateTime d;
    if (!TryStrToDateTime(AValue, d))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(AValue));
    return VarSQLTimeStampCreate(d);
}

Variant VarSQLTimeStampOffsetCreate(const TSQLTimeStampOffset& ATimeStamp) {
    Variant v = VA::Make(varSQLTimeStampOffset);
    VA::D(v).StampOffset = ATimeStamp;
    return v;
}

Variant VarSQLTimeStampOffsetCreate(TDateTime DateTime) {
    return VarSQLTimeStampOffsetCreate(DateTimeToSQLTimeStampOffset(DateTime));
}

Variant VarFMTBcdCreate(const TBcd& ABcd) { return Variant(ABcd); }

Variant VarFMTBcdCreate(const String& AValue, Word Precision, Word Scale) {
    TBcd b = StrToBcd(AValue), out;
    if (!NormalizeBcd(b, out, Precision, Scale)) throw EBcdOverflowException(QStringLiteral("BCD overflow"));
    return Variant(out);
}

Variant VarFMTBcdCreate(double AValue, Word Precision, Word Scale) {
    TBcd out;
    if (!NormalizeBcd(DoubleToBcd(AValue), out, Precision, Scale))
        throw EBcdOverflowException(QStringLiteral("BCD overflow"));
    return Variant(out);
}

TSQLTimeStamp VarToSQLTimeStamp(const Variant& V) {
    if (V.VType() == varSQLTimeStamp) return VA::D(V).Stamp;
    if (V.VType() == varNull || VarIsArray(V)) CastError(V.VType(), varSQLTimeStamp);
    return DateTimeToSQLTimeStamp(ToDate(V));
}

TSQLTimeStampOffset VarToSQLTimeStampOffset(const Variant& V) {
    if (V.VType() == varSQLTimeStampOffset) return VA::D(V).StampOffset;
    if (V.VType() == varNull || VarIsArray(V)) CastError(V.VType(), varSQLTimeStampOffset);
    return DateTimeToSQLTimeStampOffset(ToDate(V));
}

// ---- inspection --------------------------------------------------------------------------------

TVarType VarType(const Variant& V) { return V.VType(); }
bool VarIsType(const Variant& V, TVarType AVarType) { return V.VType() == AVarType; }
bool VarIsType(const Variant& V, std::initializer_list<TVarType> AVarTypes) {
    for (TVarType t : AVarTypes)
        if (V.VType() == t) return true;
    return false;
}
bool VarIsNull(const Variant& V) { return V.VType() == varNull; }
bool VarIsEmpty(const Variant& V) { return V.VType() == varEmpty; }
bool VarIsClear(const Variant& V) { return V.VType() == varEmpty; }
bool VarIsOrdinal(const Variant& V) { return IsIntType(V.VType()) || V.VType() == varBoolean; }
bool VarIsFloat(const Variant& V) {
    const TVarType t = V.VType();
    return IsFloatType(t) || t == varCurrency || t == varFMTBcd;
}
bool VarIsNumeric(const Variant& V) { return VarIsOrdinal(V) || VarIsFloat(V); }
bool VarIsStr(const Variant& V) { return IsStrType(V.VType()); }
bool VarIsArray(const Variant& V) { return (V.VType() & varArray) != 0; }
bool VarIsFMTBcd(const Variant& V) { return V.VType() == varFMTBcd; }
bool VarIsSQLTimeStamp(const Variant& V) { return V.VType() == varSQLTimeStamp; }
bool VarIsSQLTimeStampOffset(const Variant& V) { return V.VType() == varSQLTimeStampOffset; }

String VarTypeAsText(TVarType AType) {
    String s = BaseTypeName(AType & varTypeMask);
    if (AType & varArray) s = QStringLiteral("Array ") + s;
    if (AType & varByRef) s = QStringLiteral("ByRef ") + s;
    return s;
}

// ---- conversions -------------------------------------------------------------------------------

String VarToStr(const Variant& V) { return VarToStrDef(V, String()); }

String VarToStrDef(const Variant& V, const String& ADefault) {
    if (VarIsNull(V)) return ADefault;
    if (VarIsArray(V)) CastError(V.VType(), varUString);
    return ToText(V, varUString);
}

Variant VarAsType(const Variant& V, TVarType AVarType) {
    const TVarType from = V.VType();
    if (from == AVarType) return V;
    if (AVarType == varEmpty) return Variant();
    if (AVarType == varNull) return Variant::Null();
    if (AVarType == varVariant) return V;
    if (from == varNull || VarIsArray(V) || (AVarType & ~varTypeMask)) CastError(from, AVarType);
    switch (AVarType) {
        case varSmallint: return Variant(short(CheckedRange(V, AVarType, INT16_MIN, INT16_MAX)));
        case varInteger: return Variant(int(CheckedRange(V, AVarType, INT32_MIN, INT32_MAX)));
        case varShortInt: return Variant(static_cast<signed char>(CheckedRange(V, AVarType, INT8_MIN, INT8_MAX)));
        case varByte: return Variant(static_cast<unsigned char>(CheckedRange(V, AVarType, 0, UINT8_MAX)));
        case varWord: return Variant(static_cast<unsigned short>(CheckedRange(V, AVarType, 0, UINT16_MAX)));
        case varLongWord: return Variant(unsigned(CheckedRange(V, AVarType, 0, UINT32_MAX)));
        case varInt64: return Variant(static_cast<long long>(CheckedRange(V, AVarType, INT64_MIN, INT64_MAX)));
        case varUInt64:
            return Variant(static_cast<unsigned long long>(CheckedRange(V, AVarType, 0, Int128(UINT64_MAX))));
        case varSingle: {
            long double f = ToFloat(V, varSingle);
            if (std::isfinite(f) && std::fabs(f) > FLT_MAX) OverflowError(from, varSingle);
            return Variant(float(f));
        }
        case varDouble: return Variant(V.AsDouble());
        case varCurrency: return Variant(ToCurrency(V));
        case varDate: return VarFromDateTime(ToDate(V));
        case varBoolean: return Variant(ToBoolean(V));
        case varOleStr: case varString: case varUString: {
            Variant r(ToText(V, AVarType));
            VA::SetStringType(r, AVarType);
            return r;
        }
        case varFMTBcd: return Variant(ToBcdValue(V));
        case varSQLTimeStamp: return VarSQLTimeStampCreate(ToDate(V));
        case varSQLTimeStampOffset: return VarSQLTimeStampOffsetCreate(ToDate(V));
        default: CastError(from, AVarType);
    }
}

TDateTime VarToDateTime(const Variant& V) {
    if (V.VType() == varNull || VarIsArray(V)) CastError(V.VType(), varDate);
    return ToDate(V);
}

Variant VarToDateTimeVariant(const Variant& V) { return VarAsType(V, varDate); }

// ---- arrays ------------------------------------------------------------------------------------

Variant VarArrayCreate(std::initializer_list<int> Bounds, TVarType AVarType) {
    auto createError = [] { throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array")); };
    if (Bounds.size() == 0 || Bounds.size() % 2 != 0 || !ValidElementType(AVarType)) createError();
    auto data = std::make_unique<VA::Arr>();
    data->ElemType = AVarType;
    for (auto it = Bounds.begin(); it != Bounds.end(); it += 2) {
        if (it[1] < it[0] - 1) createError();
        data->Bounds.emplace_back(it[0], it[1]);
    }
    const std::size_t n = data->Count();
    if (AVarType == varByte) data->Bytes.assign(n, 0);
    else data->Items.assign(n, DefaultOf(AVarType));
    return VA::MakeArray(AVarType, std::move(data));
}

Variant VarArrayOf(std::initializer_list<Variant> Values) {
    Variant v = VarArrayCreate({0, int(Values.size()) - 1}, varVariant);
    VA::A(v)->Items.assign(Values.begin(), Values.end());
    return v;
}

int VarArrayDimCount(const Variant& A) {
    const auto* a = VA::A(A);
    return a ? int(a->Bounds.size()) : 0;
}

int VarArrayLowBound(const Variant& A, int Dim) {
    const auto* a = ArrayOf(A);
    if (Dim < 1 || Dim > int(a->Bounds.size())) BadIndex();
    return a->Bounds[Dim - 1].first;
}

int VarArrayHighBound(const Variant& A, int Dim) {
    const auto* a = ArrayOf(A);
    if (Dim < 1 || Dim > int(a->Bounds.size())) BadIndex();
    return a->Bounds[Dim - 1].second;
}

void VarArrayRedim(Variant& A, int HighBound) {
    auto* a = ArrayOf(A);
    if (a->Locks > 0) throw EVariantArrayLockedError(QStringLiteral("Variant or safe array is locked"));
    auto& last = a->Bounds.back();
    if (HighBound < last.first - 1) BadIndex();
    last.second = HighBound;
    const std::size_t n = a->Count();
    if (a->ElemType == varByte) a->Bytes.resize(n, 0);
    else a->Items.resize(n, DefaultOf(a->ElemType));
}

Variant VarArrayGet(const Variant& A, std::initializer_list<int> Indices) {
    return GetAt(A, Indices.begin(), Indices.size());
}

void VarArrayPut(Variant& A, const Variant& Value, std::initializer_list<int> Indices) {
    PutAt(A, Value, Indices.begin(), Indices.size());
}

void* VarArrayLock(Variant& A) {
    auto* a = ArrayOf(A);
    if (a->ElemType != varByte) throw EVariantInvalidArgError(QStringLiteral("Invalid argument"));
    ++a->Locks;
    return a->Bytes.data();
}

void VarArrayUnlock(Variant& A) {
    auto* a = ArrayOf(A);
    if (a->Locks > 0) --a->Locks;
}

Variant VarByteArrayOf(const QByteArray& Bytes) {
    Variant v = VarArrayCreate({0, int(Bytes.size()) - 1}, varByte);
    if (!Bytes.isEmpty()) std::memcpy(VA::A(v)->Bytes.data(), Bytes.constData(), std::size_t(Bytes.size()));
    return v;
}

QByteArray VarByteArrayToBytes(const Variant& A) {
    const auto* a = ArrayOf(A);
    if (a->ElemType == varByte)
        return QByteArray(reinterpret_cast<const char*>(a->Bytes.data()), qsizetype(a->Bytes.size()));
    QByteArray out;
    for (const Variant& item : a->Items) out.append(char(CheckedRange(item, varByte, 0, 255)));
    return out;
}

Variant operator%(const Variant& a, const Variant& b) { return VarMod(a, b); }
Variant operator&(const Variant& a, const Variant& b) { return VarAnd(a, b); }
Variant operator|(const Variant& a, const Variant& b) { return VarOr(a, b); }
Variant operator^(const Variant& a, const Variant& b) { return VarXor(a, b); }
Variant operator~(const Variant& a) { return VarNot(a); }
