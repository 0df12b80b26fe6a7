#include "grid/core/uitextsvz.h"

namespace {
// The texts built into this program.
const char16_t* const BuiltInTexts[TViZevLanguageConsts::TextCount] = {
#define VZ_TEXT(Name, Text) Text,
#include "grid/core/uitextsvz.inc"
#undef VZ_TEXT
};

struct TTextsHolder {
    TViZevLanguageConsts* Texts = nullptr;
    ~TTextsHolder() {
        if (!Texts) return;
        GetLanguageResourceManagerVz()->DeleteLocalizableObject(Texts);
        Texts->Free();
    }
};
}  // namespace

TViZevLanguageConsts::TViZevLanguageConsts(TComponent* AOwner) : TComponent(AOwner) {
    for (int i = 0; i < TextCount; ++i) FTexts[static_cast<std::size_t>(i)] = QString::fromUtf16(BuiltInTexts[i]);
}

void TViZevLanguageConsts::Published(TPublished<TViZevLanguageConsts>& P) {
#define VZ_TEXT(Name, Text) P.String(#Name, &TViZevLanguageConsts::Name, &TViZevLanguageConsts::Set##Name);
#include "grid/core/uitextsvz.inc"
#undef VZ_TEXT
}

TViZevLanguageConsts* GetViZevLanguageConsts() {
    TLanguageResourceManagerVz* manager = GetLanguageResourceManagerVz();  // outlives the texts
    static TTextsHolder holder;
    if (!holder.Texts) {
        holder.Texts = New<TViZevLanguageConsts>(nullptr);
        manager->AddLocalizableObject(holder.Texts, holder.Texts->ClassName(), QStringLiteral("ViZevLangConsts"),
                                      QStringLiteral("ENU"));
    }
    return holder.Texts;
}
