// The library's UI texts: every text the grid library shows or raises by itself is a published
// string property of one component, TViZevLanguageConsts, of which the process keeps a single
// instance (GetViZevLanguageConsts). The instance starts with the texts built into this program
// (Russian); the language resource manager may later replace them with another language's.
#pragma once

#include "grid/core/langmanvz.h"
#include "platform/rtl/classes.h"

#include <array>

class TViZevLanguageConsts : public TComponent {
    SDELKA_CLASS(TViZevLanguageConsts, TComponent)
protected:
    // Fills the properties from the built-in texts.
    explicit TViZevLanguageConsts(TComponent* AOwner);
    ~TViZevLanguageConsts() override = default;

public:
    enum TTextIndex {
#define VZ_TEXT(Name, Text) ti##Name,
#include "grid/core/uitextsvz.inc"
#undef VZ_TEXT
        TextCount
    };

    static void Published(TPublished<TViZevLanguageConsts>& P);

    const String& Text(TTextIndex Index) const { return FTexts[Index]; }
    void SetText(TTextIndex Index, const String& Value) { FTexts[Index] = Value; }

#define VZ_TEXT(Name, Text)                                                   \
    const String& Name() const { return FTexts[ti##Name]; }                  \
    void Set##Name(const String& Value) { FTexts[ti##Name] = Value; }
#include "grid/core/uitextsvz.inc"
#undef VZ_TEXT

private:
    std::array<String, TextCount> FTexts;
};

// The process-wide texts component, created on the first call (and registered with the language
// resource manager as "TViZevLanguageConsts", files "ViZevLangConsts", built-in language "ENU").
TViZevLanguageConsts* GetViZevLanguageConsts();
