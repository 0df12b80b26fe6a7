// The grid library's settings keeper.
//
// TSettingsKeeperVz is an in-memory tree of named settings: each node maps text keys (compared
// with case) to a text, an integer or a child node, and owns what it holds. The data grid builds
// one when it saves its layout and reads one back when it restores it; the comparer orders the
// children of a "Columns" node by their "ColIndex".
#pragma once

#include "platform/rtl/classes.h"

#include <QHash>
#include <vector>

class TStringObject : public TObject {
    SDELKA_CLASS(TStringObject, TObject)
public:
    explicit TStringObject(const String& AValue) : Value(AValue) {}
    String ToString() const { return Value; }
    String Value;
};

class TIntegerObject : public TObject {
    SDELKA_CLASS(TIntegerObject, TObject)
public:
    explicit TIntegerObject(Integer AValue) : Value(AValue) {}
    String ToString() const;
    Integer Value = 0;
};

// A (key, value) entry of a settings node.
struct TSettingsPairVz {
    String Key;
    TObject* Value = nullptr;
};

// Text keys (case-sensitive) to objects it owns: a value that is removed, cleared or left behind
// when the dictionary goes is freed; an extracted one is handed back to the caller.
class TSettingsKeeperDicVz : public TObject {
    SDELKA_CLASS(TSettingsKeeperDicVz, TObject)
public:
    TSettingsKeeperDicVz() = default;
    ~TSettingsKeeperDicVz() override;

    // A key already present raises EListError "Duplicates not allowed"; nothing is stored.
    void Add(const String& Key, TObject* Value);
    // Raises the duplicate error when the key is present.
    void CheckNewKey(const String& Key) const;
    bool TryGetValue(const String& Key, TObject*& Value) const;
    bool ContainsKey(const String& Key) const { return FIndex.contains(Key); }
    void Remove(const String& Key);
    TObject* Extract(const String& Key);
    void Clear();
    int Count() const { return static_cast<int>(FItems.size()); }
    std::vector<TSettingsPairVz> ToArray() const { return FItems; }

private:
    void Reindex();
    std::vector<TSettingsPairVz> FItems;
    QHash<String, int> FIndex;
};

class TSettingsKeeperVz : public TObject {
    SDELKA_CLASS(TSettingsKeeperVz, TObject)
public:
    TSettingsKeeperVz();
    ~TSettingsKeeperVz() override;

    // Each Add stores a new key; a key the node holds already raises EListError
    // "Duplicates not allowed" and the node is unchanged. A child node added is owned by this
    // node from then on (on failure it stays the caller's).
    void Add(const String& Key, const String& Value);
    void Add(const String& Key, const char16_t* Value) { Add(Key, String::fromUtf16(Value)); }
    void Add(const String& Key, Integer Value);
    void Add(const String& Key, TSettingsKeeperVz* Value);

    bool TryGetValue(const String& Key, TObject*& Value) const;
    // True with the text when the key holds a text (an integer is not turned into text).
    bool TryGetStringValue(const String& Key, String& Value) const;
    // True with the number when the key holds an integer or a text that is an integer.
    bool TryGetIntegerValue(const String& Key, Integer& Value) const;
    // True with the child when the key holds a child node; Value untouched otherwise.
    bool TryGetSubsettingsValue(const String& Key, TSettingsKeeperVz*& Value) const;
    // Every entry of the node (no defined order).
    std::vector<TSettingsPairVz> ToArray() const { return FDic->ToArray(); }

private:
    TSettingsKeeperDicVz* FDic;
};

// Orders (key, child node) pairs by the children's "ColIndex" (0 when missing); a value that is
// not a child node raises EInvalidCast.
class TSettingsKeeperVzCollectionByIndexComparer {
public:
    virtual ~TSettingsKeeperVzCollectionByIndexComparer() = default;
    static TSettingsKeeperVzCollectionByIndexComparer* Ordinal();
    virtual int Compare(const TSettingsPairVz& Left, const TSettingsPairVz& Right) const;
    virtual bool Equals(const TSettingsPairVz& Left, const TSettingsPairVz& Right) const;
    virtual int GetHashCode(const TSettingsPairVz& Value) const;
};
