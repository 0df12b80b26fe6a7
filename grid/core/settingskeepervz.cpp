#include "grid/core/settingskeepervz.h"

#include "platform/rtl/sysutils.h"

#include <cmath>
#include <memory>

// ---- values -------------------------------------------------------------------------------------

String TIntegerObject::ToString() const {
    return IntToStr(Value);
}

// ---- TSettingsKeeperDicVz -----------------------------------------------------------------------

TSettingsKeeperDicVz::~TSettingsKeeperDicVz() {
    Clear();
}

void TSettingsKeeperDicVz::CheckNewKey(const String& Key) const {
    if (FIndex.contains(Key)) throw EListError(QStringLiteral("Duplicates not allowed"));
}

void TSettingsKeeperDicVz::Add(const String& Key, TObject* Value) {
    CheckNewKey(Key);
    FIndex.insert(Key, static_cast<int>(FItems.size()));
    FItems.push_back({Key, Value});
}

bool TSettingsKeeperDicVz::TryGetValue(const String& Key, TObject*& Value) const {
    auto it = FIndex.constFind(Key);
    if (it == FIndex.constEnd()) {
        Value = nullptr;
        return false;
    }
    Value = FItems[static_cast<std::size_t>(it.value())].Value;
    return true;
}

void TSettingsKeeperDicVz::Reindex() {
    FIndex.clear();
    for (std::size_t i = 0; i < FItems.size(); ++i) FIndex.insert(FItems[i].Key, static_cast<int>(i));
}

TObject* TSettingsKeeperDicVz::Extract(const String& Key) {
    auto it = FIndex.constFind(Key);
    if (it == FIndex.constEnd()) return nullptr;
    const auto at = static_cast<std::size_t>(it.value());
    TObject* value = FItems[at].Value;
    FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(at));
    Reindex();
    return value;
}

void TSettingsKeeperDicVz::Remove(const String& Key) {
    if (TObject* value = Extract(Key)) value->Free();
}

void TSettingsKeeperDicVz::Clear() {
    std::vector<TSettingsPairVz> items;
    items.swap(FItems);
    FIndex.clear();
    for (auto& p : items)
        if (p.Value) p.Value->Free();
}

// ---- TSettingsKeeperVz --------------------------------------------------------------------------

TSettingsKeeperVz::TSettingsKeeperVz() : FDic(New<TSettingsKeeperDicVz>()) {}

TSettingsKeeperVz::~TSettingsKeeperVz() {
    FDic->Free();
}

void TSettingsKeeperVz::Add(const String& Key, const String& Value) {
    // The value object is made only for a new key, so a refused Add leaves nothing behind.
    FDic->CheckNewKey(Key);
    FDic->Add(Key, New<TStringObject>(Value));
}

void TSettingsKeeperVz::Add(const String& Key, Integer Value) {
    FDic->CheckNewKey(Key);
    FDic->Add(Key, New<TIntegerObject>(Value));
}

void TSettingsKeeperVz::Add(const String& Key, TSettingsKeeperVz* Value) {
    FDic->Add(Key, Value);
}

bool TSettingsKeeperVz::TryGetValue(const String& Key, TObject*& Value) const {
    return FDic->TryGetValue(Key, Value);
}

bool TSettingsKeeperVz::TryGetStringValue(const String& Key, String& Value) const {
    Value.clear();
    TObject* o = nullptr;
    if (!FDic->TryGetValue(Key, o) || !o || !o->Is<TStringObject>()) return false;
    Value = static_cast<TStringObject*>(o)->Value;
    return true;
}

bool TSettingsKeeperVz::TryGetIntegerValue(const String& Key, Integer& Value) const {
    TObject* o = nullptr;
    if (!FDic->TryGetValue(Key, o) || !o) return false;
    if (o->Is<TIntegerObject>()) {
        Value = static_cast<TIntegerObject*>(o)->Value;
        return true;
    }
    if (o->Is<TStringObject>()) return TryStrToInt(static_cast<TStringObject*>(o)->Value, Value);
    return false;
}

bool TSettingsKeeperVz::TryGetSubsettingsValue(const String& Key, TSettingsKeeperVz*& Value) const {
    TObject* o = nullptr;
    if (!FDic->TryGetValue(Key, o) || !o || !o->Is<TSettingsKeeperVz>()) return false;
    Value = static_cast<TSettingsKeeperVz*>(o);
    return true;
}

// ---- comparer -----------------------------------------------------------------------------------

TSettingsKeeperVzCollectionByIndexComparer* TSettingsKeeperVzCollectionByIndexComparer::Ordinal() {
    static const auto instance = std::make_unique<TSettingsKeeperVzCollectionByIndexComparer>();
    return instance.get();
}

namespace {
Integer ColIndexOf(const TSettingsPairVz& Pair) {
    TSettingsKeeperVz* node = As<TSettingsKeeperVz>(Pair.Value);
    Integer index = 0;
    if (!node || !node->TryGetIntegerValue(QStringLiteral("ColIndex"), index)) index = 0;
    return index;
}
}  // namespace

int TSettingsKeeperVzCollectionByIndexComparer::Compare(const TSettingsPairVz& Left, const TSettingsPairVz& Right) const {
    return ColIndexOf(Left) - ColIndexOf(Right);
}

bool TSettingsKeeperVzCollectionByIndexComparer::Equals(const TSettingsPairVz& Left, const TSettingsPairVz& Right) const {
    return Compare(Left, Right) == 0;
}

int TSettingsKeeperVzCollectionByIndexComparer::GetHashCode(const TSettingsPairVz&) const {
    return 0;
}
