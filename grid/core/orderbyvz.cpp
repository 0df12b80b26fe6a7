#include "grid/core/orderbyvz.h"

#include "platform/rtl/exceptions.h"

#include <memory>
#include <vector>

namespace {

bool IsBlank(const String& S, int Index) { return S[Index - 1] == QLatin1Char(' '); }

// Whether the next token of Exp from FromIndex is a bracketed name: "[]" reads as an empty
// token, which must not be taken for the end of the text.
bool NextIsBracketed(const String& Exp, int FromIndex) {
    while (FromIndex <= Exp.length() && IsBlank(Exp, FromIndex)) ++FromIndex;
    return FromIndex <= Exp.length() && Exp[FromIndex - 1] == QLatin1Char('[');
}

}  // namespace

TOrderByList::~TOrderByList() = default;

void TOrderByList::BeforeDestruction() {
    ClearFreeItems();
    inherited::BeforeDestruction();
}

void TOrderByList::ClearFreeItems() {
    std::vector<TObject*> items;
    items.reserve(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) items.push_back(TObjectListVz::Items(i));
    const bool owns = OwnsObjects();
    SetOwnsObjects(false);
    Clear();
    SetOwnsObjects(owns);
    for (TObject* o : items)
        if (o) o->Free();
}

String TOrderByList::GetToken(const String& Exp, int& FromIndex) {
    const int n = Exp.length();
    if (FromIndex < 1) FromIndex = 1;
    while (FromIndex <= n && IsBlank(Exp, FromIndex)) ++FromIndex;
    if (FromIndex > n) return String();
    const QChar c = Exp[FromIndex - 1];
    if (c == QLatin1Char(',') || c == QLatin1Char(';')) {
        ++FromIndex;
        return String(c);
    }
    if (c == QLatin1Char('[')) {
        const int start = ++FromIndex;
        while (FromIndex <= n && Exp[FromIndex - 1] != QLatin1Char(']') && Exp[FromIndex - 1] != QChar(0)) ++FromIndex;
        const String token = Exp.mid(start - 1, FromIndex - start);
        if (FromIndex <= n && Exp[FromIndex - 1] == QLatin1Char(']')) ++FromIndex;
        return token;
    }
    const int start = FromIndex;
    while (FromIndex <= n) {
        const QChar d = Exp[FromIndex - 1];
        if (d == QChar(0) || d == QLatin1Char(' ') || d == QLatin1Char(',') || d == QLatin1Char(';')) break;
        ++FromIndex;
    }
    return Exp.mid(start - 1, FromIndex - start);
}

void TOrderByList::ParseOrderByStr(const String& OrderByStr) {
    std::vector<TOwned<TOrderByItemVz>> parsed;
    int from = 1;
    bool bracketed = NextIsBracketed(OrderByStr, from);
    String token = GetToken(OrderByStr, from);
    while (!token.isEmpty() || bracketed) {
        const int index = FindFieldIndex(token);
        if (index == -1) throw Exception(" Field - \"" + token + "\" not found.");
        bool desc = false;
        for (;;) {
            const bool quoted = NextIsBracketed(OrderByStr, from);
            const String t = GetToken(OrderByStr, from);
            if (quoted && t.isEmpty()) throw Exception(" Invalid token - \"" + t + "\"");
            if (t.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) continue;
            if (t.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0) {
                desc = true;
                continue;
            }
            if (t.isEmpty() || t == QLatin1String(",") || t == QLatin1String(";")) break;
            throw Exception(" Invalid token - \"" + t + "\"");
        }
        auto item = NewOwned<TOrderByItemVz>();
        item->FieldIndex = -1;
        item->MTFieldIndex = -1;
        SetItemFieldIndex(item.get(), index);
        item->Desc = desc;
        parsed.push_back(std::move(item));
        bracketed = NextIsBracketed(OrderByStr, from);
        token = GetToken(OrderByStr, from);
    }
    ClearFreeItems();
    for (auto& item : parsed) Add(item.release());
}
