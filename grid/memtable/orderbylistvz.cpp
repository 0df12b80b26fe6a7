#include "grid/memtable/orderbylistvz.h"

#include "platform/rtl/exceptions.h"

#include <memory>
#include <vector>

TOrderByList::~TOrderByList() {
    if (!OwnsObjects()) ClearFreeItems();
}

void TOrderByList::ClearFreeItems() {
    std::vector<TObject*> items;
    for (int i = 0; i < Count(); ++i) items.push_back(TObjectListVz::Items(i));
    bool owns = OwnsObjects();
    SetOwnsObjects(false);
    Clear();
    SetOwnsObjects(owns);
    for (TObject* o : items) delete o;
}

String TOrderByList::GetToken(const String& Exp, int& FromIndex) {
    const int n = Exp.length();
    while (FromIndex <= n && Exp[FromIndex - 1] == QLatin1Char(' ')) ++FromIndex;
    if (FromIndex > n) return String();
    QChar c = Exp[FromIndex - 1];
    if (c == QLatin1Char(',') || c == QLatin1Char(';')) {
        ++FromIndex;
        return String(c);
    }
    if (c == QLatin1Char('[')) {
        int start = ++FromIndex;
        while (FromIndex <= n && Exp[FromIndex - 1] != QLatin1Char(']') && Exp[FromIndex - 1] != QChar(0)) ++FromIndex;
        String token = Exp.mid(start - 1, FromIndex - start);
        if (FromIndex <= n && Exp[FromIndex - 1] == QLatin1Char(']')) ++FromIndex;
        return token;
    }
    int start = FromIndex;
    while (FromIndex <= n) {
        QChar d = Exp[FromIndex - 1];
        if (d == QChar(0) || d == QLatin1Char(' ') || d == QLatin1Char(',') || d == QLatin1Char(';')) break;
        ++FromIndex;
    }
    return Exp.mid(start - 1, FromIndex - start);
}

void TOrderByList::ParseOrderByStr(const String& OrderByStr) {
    std::vector<std::unique_ptr<TOrderByItemVz>> parsed;
    int from = 1;
    String token = GetToken(OrderByStr, from);
    while (!token.isEmpty()) {
        int index = FindFieldIndex(token);
        if (index == -1) throw Exception(" Field - \"" + token + "\" not found.");
        bool desc = false;
        for (;;) {
            String t = GetToken(OrderByStr, from);
            if (t.compare(QLatin1String("ASC"), Qt::CaseInsensitive) == 0) continue;
            if (t.compare(QLatin1String("DESC"), Qt::CaseInsensitive) == 0) {
                desc = true;
                continue;
            }
            if (t.isEmpty() || t == QLatin1String(",") || t == QLatin1String(";")) break;
            throw Exception(" Invalid token - \"" + t + "\"");
        }
        auto item = std::make_unique<TOrderByItemVz>();
        SetItemFieldIndex(item.get(), index);
        item->Desc = desc;
        parsed.push_back(std::move(item));
        token = GetToken(OrderByStr, from);
    }
    ClearFreeItems();
    for (auto& item : parsed) Add(item.release());
}
