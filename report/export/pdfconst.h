// Constants and small helpers of the PDF writer: the dictionary of per-font overrides and the
// table of glyph names by UTF-16 value (the names PDF readers know from font encodings).
#pragma once

#include "platform/rtl/system.h"

#include <QStringList>

// Keys with values, in insertion order; keys compare without regard to case and the first entry
// of a key keeps answering.
class TDictionary {
public:
    void Add(const String& Key, const String& Value);
    void Clear();
    int Count() const { return int(FKeys.size()); }
    String Key(int Index) const { return FKeys.value(Index); }
    bool KeyExists(const String& Key) const { return IndexOf(Key) >= 0; }
    // Empty when the key is absent.
    String Value(const String& Key) const;
    void RemoveKey(const String& Key);

private:
    int IndexOf(const String& Key) const;
    QStringList FKeys, FValues;
};

struct TPDFGlyphName {
    char16_t Code;
    const char* Name;
};

// The glyph-name table, in alphabetical order of the names; every value occurs once (the space
// and the no-break space are both "space").
extern const TPDFGlyphName PDFGlyphNames[];
extern const int PDFGlyphNameCount;
// The glyph name of a UTF-16 value; empty when the table has none.
const char* PDFGlyphName(char16_t Code);
