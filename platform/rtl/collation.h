// The one text collation of the system: the word sort of the Russian locale. Every ordering of
// texts for people goes through it (AnsiCompareStr/AnsiCompareText, sorted string lists, Variant
// ordering, the grid library's sorting and indexes).
//
// Levels, each deciding only when the ones before tie:
// 1. letters and digits by their base: whitespace and control characters, then punctuation and
//    symbols, then digits, then Latin, Greek, Cyrillic (а … я, "ё" as "е"), then other scripts.
//    The hyphen, the soft hyphen and the apostrophe are skipped at this level ("Петрова" <
//    "Петров-Водкин", "Zeta" < "Альфа");
// 2. accents: the plain letter first ("е" < "ё");
// 3. case, unless ignored: lower case before upper case ("a" < "A");
// 4. the skipped hyphens and apostrophes: a text without them first ("coop" < "co-op").
// A case-sensitive comparison that ties on every level falls back to the code units, so it answers
// 0 only for equal texts.
//
// The comparison walks both texts in place: no allocation, safe from any thread.
#pragma once

#include "platform/rtl/system.h"

// < 0, 0, > 0.
int CollateCompare(const Char* S1, qsizetype Len1, const Char* S2, qsizetype Len2, bool IgnoreCase);

inline int CollateCompare(const String& S1, const String& S2, bool IgnoreCase) {
    return CollateCompare(S1.constData(), S1.size(), S2.constData(), S2.size(), IgnoreCase);
}
