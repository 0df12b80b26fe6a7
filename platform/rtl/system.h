// The framework's basic types: String, the integer and floating types, sets and the
// "array of const" record that Format and the exception constructors take.
#pragma once

#include <QChar>
#include <QString>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <type_traits>

using String = QString;
using Char = QChar;
using WideChar = QChar;
using AnsiChar = char;
using Integer = std::int32_t;
using Cardinal = std::uint32_t;
using LongInt = std::int32_t;
using LongWord = std::uint32_t;
using ShortInt = std::int8_t;
using SmallInt = std::int16_t;
using Byte = std::uint8_t;
using Word = std::uint16_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;
using NativeInt = std::intptr_t;
using Boolean = bool;
using Single = float;
using Double = double;
using Extended = long double;
using TDateTime = double;  // days since 1899-12-30, time of day as the fraction
using TDate = double;
using TTime = double;

// A set over an enumeration whose values lie in 0..N-1: the framework's "set of".
template <class E, std::size_t N = 64>
class TSet {
    static constexpr std::size_t Words = (N + 63) / 64;
    std::array<std::uint64_t, Words> bits_{};
    static constexpr std::size_t idx(E e) { return static_cast<std::size_t>(e); }

public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items) Include(e);
    }
    constexpr bool Contains(E e) const { return (bits_[idx(e) / 64] >> (idx(e) % 64)) & 1u; }
    constexpr TSet& Include(E e) { bits_[idx(e) / 64] |= std::uint64_t(1) << (idx(e) % 64); return *this; }
    constexpr TSet& Exclude(E e) { bits_[idx(e) / 64] &= ~(std::uint64_t(1) << (idx(e) % 64)); return *this; }
    constexpr bool Empty() const {
        for (auto w : bits_) if (w) return false;
        return true;
    }
    constexpr TSet operator+(const TSet& o) const { TSet r; for (std::size_t i = 0; i < Words; ++i) r.bits_[i] = bits_[i] | o.bits_[i]; return r; }
    constexpr TSet operator-(const TSet& o) const { TSet r; for (std::size_t i = 0; i < Words; ++i) r.bits_[i] = bits_[i] & ~o.bits_[i]; return r; }
    constexpr TSet operator*(const TSet& o) const { TSet r; for (std::size_t i = 0; i < Words; ++i) r.bits_[i] = bits_[i] & o.bits_[i]; return r; }
    constexpr TSet& operator+=(const TSet& o) { return *this = *this + o; }
    constexpr TSet& operator-=(const TSet& o) { return *this = *this - o; }
    constexpr TSet& operator*=(const TSet& o) { return *this = *this * o; }
    constexpr TSet operator+(E e) const { TSet r = *this; r.Include(e); return r; }
    constexpr TSet operator-(E e) const { TSet r = *this; r.Exclude(e); return r; }
    constexpr TSet& operator+=(E e) { return Include(e); }
    constexpr TSet& operator-=(E e) { return Exclude(e); }
    constexpr bool operator==(const TSet& o) const { return bits_ == o.bits_; }
    // a <= b: every member of a is in b.
    constexpr bool operator<=(const TSet& o) const { return (*this - o).Empty(); }
    // The set as an integer bit mask (first 64 members), as the component stream stores small sets.
    constexpr std::uint64_t ToBits() const { return bits_[0]; }
    static constexpr TSet FromBits(std::uint64_t b) { TSet r; r.bits_[0] = b; return r; }
};

// One argument of Format/CreateFmt ("array of const"). Other value types (Currency, Variant)
// convert themselves to it.
struct TVarRec {
    enum TVType : std::uint8_t {
        vtInteger, vtBoolean, vtChar, vtExtended, vtString, vtPointer, vtWideChar,
        vtCurrency, vtInt64, vtUnicodeString, vtUInt64
    };
    TVType VType = vtInteger;
    union {
        std::int64_t VInt64;
        std::uint64_t VUInt64;
        bool VBoolean;
        char16_t VWideChar;
        long double VExtended;
        const void* VPointer;
    };
    String VString;  // vtUnicodeString / vtString / vtChar

    TVarRec() : VInt64(0) {}
    TVarRec(int v) : VType(vtInteger), VInt64(v) {}
    TVarRec(unsigned v) : VType(vtInt64), VInt64(v) {}
    TVarRec(long v) : VType(vtInt64), VInt64(v) {}
    TVarRec(long long v) : VType(vtInt64), VInt64(v) {}
    TVarRec(unsigned long v) : VType(vtUInt64), VUInt64(v) {}
    TVarRec(unsigned long long v) : VType(vtUInt64), VUInt64(v) {}
    TVarRec(short v) : VType(vtInteger), VInt64(v) {}
    TVarRec(unsigned short v) : VType(vtInteger), VInt64(v) {}
    TVarRec(signed char v) : VType(vtInteger), VInt64(v) {}
    TVarRec(unsigned char v) : VType(vtInteger), VInt64(v) {}
    TVarRec(bool v) : VType(vtBoolean), VBoolean(v) {}
    TVarRec(float v) : VType(vtExtended), VExtended(v) {}
    TVarRec(double v) : VType(vtExtended), VExtended(v) {}
    TVarRec(long double v) : VType(vtExtended), VExtended(v) {}
    TVarRec(QChar c) : VType(vtWideChar), VWideChar(c.unicode()) {}
    TVarRec(char c) : VType(vtChar), VInt64(0), VString(QChar::fromLatin1(c)) {}
    TVarRec(const String& s) : VType(vtUnicodeString), VInt64(0), VString(s) {}
    TVarRec(const char* s) : VType(vtUnicodeString), VInt64(0), VString(QString::fromUtf8(s)) {}
    TVarRec(const char16_t* s) : VType(vtUnicodeString), VInt64(0), VString(QString::fromUtf16(s)) {}
    TVarRec(const void* p) : VType(vtPointer), VPointer(p) {}
    TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}
    // Currency: the raw value scaled by 10 000.
    static TVarRec FromCurrencyRaw(std::int64_t raw) { TVarRec r; r.VType = vtCurrency; r.VInt64 = raw; return r; }
};

using TVarRecs = std::initializer_list<TVarRec>;

// String literal helper: u"текст"_S without going through the locale. The string refers to the
// literal's own characters (nothing is allocated or copied until it is changed).
inline String operator""_S(const char16_t* s, std::size_t n) {
    return QString(QStringPrivate(nullptr, const_cast<char16_t*>(s), static_cast<qsizetype>(n)));
}
