#include "platform/rtl/collation.h"

#include <array>
#include <cstdint>

namespace {

// The weights of one code unit. Primary: a group from bit 20 up, the place in the group below.
struct TWeight {
    std::uint32_t Primary = 0;
    std::uint16_t Accent = 0;  // 0 for a plain letter, else the accented letter's (lower-case) code
    std::uint8_t Upper = 0;    // 1 for an upper-case letter
    std::uint8_t Skip = 0;     // 1 for the hyphen and the apostrophe: weighed only at the last level
};

enum : std::uint32_t {
    gSpace = 1u << 20,
    gSymbol = 2u << 20,
    gDigit = 3u << 20,
    gLatin = 4u << 20,
    gGreek = 5u << 20,
    gCyrillic = 6u << 20,
    gOther = 7u << 20,
};

constexpr char16_t kTableEnd = 0x0500;  // Latin, Greek and Cyrillic blocks: weights from the table

bool IsSkipped(char16_t c) { return c == u'-' || c == u'\'' || c == 0x00AD || c == 0x2010 || c == 0x2011; }

// Letters outside the a-z/а-я alphabets that have no decomposition: a place right after a letter
// of the alphabet (place 1, 2 …) or that letter with an accent (place 0).
struct TExtra {
    char16_t Lower;
    char16_t Base;
    std::uint8_t Place;
};
constexpr TExtra kExtras[] = {
    {0x00DF, u's', 0}, {0x00E6, u'a', 1}, {0x00F0, u'd', 1}, {0x00F8, u'o', 0}, {0x00FE, u'z', 1},
    {0x0111, u'd', 0}, {0x0127, u'h', 0}, {0x0131, u'i', 0}, {0x0142, u'l', 0}, {0x014B, u'n', 1},
    {0x0153, u'o', 1}, {0x0167, u't', 0},
    {0x0452, u'д', 1}, {0x0454, u'е', 2}, {0x0455, u'з', 1}, {0x0456, u'и', 2}, {0x0458, u'й', 1},
    {0x0459, u'л', 1}, {0x045A, u'н', 1}, {0x045B, u'т', 1}, {0x045F, u'ч', 1}, {0x0491, u'г', 1},
};

std::uint32_t AlphabetPrimary(char16_t base, std::uint8_t place) {
    if (base >= u'a' && base <= u'z') return gLatin | (std::uint32_t(base - u'a') << 4) | place;
    return gCyrillic | (std::uint32_t(base - 0x0430) << 4) | place;
}

TWeight Compute(char16_t code) {
    TWeight w;
    const QChar c(code);
    if (IsSkipped(code)) {
        w.Skip = 1;
        w.Primary = gSymbol | code;
        return w;
    }
    const char16_t lower = c.toLower().unicode();
    w.Upper = lower != code ? 1 : 0;
    if (c.isDigit()) {
        w.Primary = gDigit | (std::uint32_t(c.digitValue()) << 4);
        if (code > u'9') w.Accent = code;
        return w;
    }
    if (!c.isLetter()) {
        if (c.isSpace() || code < 0x20 || code == 0x7F) w.Primary = gSpace | code;
        // Mathematical signs after the other punctuation, as the word sort puts them.
        else if (code == u'+' || (code >= u'<' && code <= u'>')) w.Primary = gSymbol | (0x80 + code);
        else w.Primary = gSymbol | (code < 0x80 ? code : 0x100 + code);
        return w;
    }
    if (code >= kTableEnd) {
        w.Primary = gOther | lower;
        return w;
    }
    if ((lower >= u'a' && lower <= u'z') || (lower >= 0x0430 && lower <= 0x044F)) {
        w.Primary = AlphabetPrimary(lower, 0);
        return w;
    }
    for (const TExtra& e : kExtras) {
        if (e.Lower == lower) {
            w.Primary = AlphabetPrimary(e.Base, e.Place);
            if (e.Place == 0) w.Accent = lower;
            return w;
        }
    }
    // An accented letter: the weight of its base letter, the accent at the second level.
    QChar base(lower);
    while (base.decompositionTag() != QChar::NoDecomposition) {
        const QString d = base.decomposition();
        if (d.isEmpty() || !d[0].isLetter()) break;
        base = d[0].toLower();
    }
    if (base.unicode() != lower && base.unicode() < kTableEnd) {
        TWeight b = Compute(base.unicode());
        w.Primary = b.Primary;
        w.Accent = lower;
        return w;
    }
    if (lower < 0x0250) w.Primary = gLatin | 0x8000 | lower;          // other Latin letters after z
    else if (lower < 0x0400) w.Primary = gGreek | lower;
    else w.Primary = gCyrillic | 0x8000 | lower;                      // other Cyrillic letters after я
    return w;
}

using TTable = std::array<TWeight, kTableEnd>;

const TTable& Table() {
    static const TTable table = [] {
        TTable t;
        for (char16_t c = 0; c < kTableEnd; ++c) t[c] = Compute(c);
        return t;
    }();
    return table;
}

inline TWeight WeightOf(const TTable& t, QChar c) {
    const char16_t u = c.unicode();
    return u < kTableEnd ? t[u] : Compute(u);
}

inline int Sign(bool less) { return less ? -1 : 1; }

}  // namespace

int CollateCompare(const Char* S1, qsizetype Len1, const Char* S2, qsizetype Len2, bool IgnoreCase) {
    // A common head weighs the same on every level in both texts: start where they part.
    {
        const qsizetype n = Len1 < Len2 ? Len1 : Len2;
        qsizetype k = 0;
        if (S1 != S2)
            while (k < n && S1[k] == S2[k]) ++k;
        else
            k = n;
        if (k == Len1 && k == Len2) return 0;
        S1 += k;
        S2 += k;
        Len1 -= k;
        Len2 -= k;
    }
    const TTable& t = Table();
    qsizetype i = 0, j = 0;
    int accent = 0, upper = 0;
    bool skipped = false;
    for (;;) {
        TWeight a, b;
        while (i < Len1 && (a = WeightOf(t, S1[i])).Skip) { ++i; skipped = true; }
        while (j < Len2 && (b = WeightOf(t, S2[j])).Skip) { ++j; skipped = true; }
        if (i == Len1 || j == Len2) break;
        if (a.Primary != b.Primary) return Sign(a.Primary < b.Primary);
        if (accent == 0 && a.Accent != b.Accent) accent = Sign(a.Accent < b.Accent);
        if (upper == 0 && a.Upper != b.Upper) upper = Sign(a.Upper < b.Upper);
        ++i;
        ++j;
    }
    if (i < Len1) return 1;
    if (j < Len2) return -1;
    if (accent != 0) return accent;
    if (!IgnoreCase && upper != 0) return upper;
    if (skipped) {
        // The hyphens and apostrophes: where they stand (counted in the other characters), then
        // which they are; a text that runs out of them first comes first.
        qsizetype p = 0, q = 0, np = 0, nq = 0;
        for (;;) {
            while (p < Len1 && !WeightOf(t, S1[p]).Skip) { ++p; ++np; }
            while (q < Len2 && !WeightOf(t, S2[q]).Skip) { ++q; ++nq; }
            if (p == Len1 || q == Len2) {
                if (p != Len1) return 1;
                if (q != Len2) return -1;
                break;
            }
            if (np != nq) return Sign(np < nq);
            if (S1[p] != S2[q]) return Sign(S1[p].unicode() < S2[q].unicode());
            ++p;
            ++q;
        }
    }
    if (IgnoreCase) return 0;
    for (qsizetype k = 0; k < Len1 && k < Len2; ++k)
        if (S1[k] != S2[k]) return Sign(S1[k].unicode() < S2[k].unicode());
    return Len1 == Len2 ? 0 : Sign(Len1 < Len2);
}
