// Lists: TList of pointers, TObjectList that may own its objects, a typed wrapper TListT, and the
// string lists TStrings / TStringList.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/codepages.h"
#include "platform/rtl/events.h"
#include "platform/rtl/system.h"

#include <functional>
#include <vector>

class TStream;

// ---- TList -------------------------------------------------------------------------------------

enum TListNotification { lnAdded, lnExtracted, lnDeleted };

// Returns <0, 0, >0 as Item1 sorts before, with, after Item2.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of pointers. Index errors raise EListError "List index out of bounds (%d)".
// Notify runs for every non-nil item that enters or leaves the list.
class TList : public TObject {
    SDELKA_CLASS(TList, TObject)
protected:
    TList() = default;
    ~TList() override;

public:
    // Clears the list through Notify while the whole object is alive.
    void BeforeDestruction() override;

    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    // Deletes the first occurrence; returns its index or -1.
    int Remove(void* Item);
    // Takes the first occurrence out without deleting it (lnExtracted); returns it or nullptr.
    void* Extract(void* Item);
    int IndexOf(void* Item) const;
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    // Sorts with Compare (stable).
    void Sort(const TListSortCompare& Compare);
    // Removes the nil items.
    void Pack();
    virtual void Clear();

    int Count() const { return static_cast<int>(FList.size()); }
    // Shrinking deletes items from the end; growing appends nils.
    void SetCount(int NewCount);
    int Capacity() const { return static_cast<int>(FList.capacity()); }
    void SetCapacity(int NewCapacity);
    void* First() const;
    void* Last() const;
    void* Items(int Index) const { return Get(Index); }
    void SetItems(int Index, void* Item) { Put(Index, Item); }
    void* operator[](int Index) const { return Get(Index); }
    void* Get(int Index) const;
    void Put(int Index, void* Item);
    // The items as an array (the framework's List property).
    void* const* List() const { return FList.data(); }

protected:
    virtual void Notify(void* Ptr, TListNotification Action) {}
    [[noreturn]] static void Error(const String& Msg, int Data);
    void CheckIndex(int Index) const;

private:
    std::vector<void*> FList;
};

// A list of objects that frees the deleted ones when it owns them (the default).
class TObjectList : public TList {
    SDELKA_CLASS(TObjectList, TList)
protected:
    explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
    ~TObjectList() override;

public:
    int Add(TObject* AObject) { return TList::Add(AObject); }
    void Insert(int Index, TObject* AObject) { TList::Insert(Index, AObject); }
    int Remove(TObject* AObject) { return TList::Remove(AObject); }
    TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
    int IndexOf(TObject* AObject) const { return TList::IndexOf(AObject); }
    TObject* First() const { return static_cast<TObject*>(TList::First()); }
    TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
    TObject* Items(int Index) const { return static_cast<TObject*>(Get(Index)); }
    void SetItems(int Index, TObject* AObject) { Put(Index, AObject); }
    TObject* operator[](int Index) const { return Items(Index); }

    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

protected:
    void Notify(void* Ptr, TListNotification Action) override;

private:
    bool FOwnsObjects = true;
};

// Typed access to a TList or a TObjectList of T*: TListT<TColumn, TObjectList>.
template <class T, class Base = TList>
class TListT : public Base {
    friend struct ::sdelka_detail::TObjectFactory;

protected:
    using Base::Base;
    TListT() = default;
    ~TListT() override = default;

public:
    int Add(T* Item) { return Base::Add(Item); }
    void Insert(int Index, T* Item) { Base::Insert(Index, Item); }
    int Remove(T* Item) { return Base::Remove(Item); }
    T* Extract(T* Item) { return static_cast<T*>(Base::Extract(Item)); }
    int IndexOf(T* Item) const { return Base::IndexOf(Item); }
    T* First() const { return static_cast<T*>(Base::First()); }
    T* Last() const { return static_cast<T*>(Base::Last()); }
    T* Items(int Index) const { return static_cast<T*>(Base::Get(Index)); }
    void SetItems(int Index, T* Item) { Base::Put(Index, Item); }
    T* operator[](int Index) const { return Items(Index); }
    void Sort(const std::function<int(T*, T*)>& Compare) {
        Base::Sort([&Compare](void* a, void* b) { return Compare(static_cast<T*>(a), static_cast<T*>(b)); });
    }
};

// ---- TStrings ----------------------------------------------------------------------------------

enum TDuplicates { dupIgnore, dupAccept, dupError };

// Abstract list of strings with associated objects. Descendants implement Get, GetCount, Insert,
// Delete and Clear (and GetObject/PutObject when they keep objects).
class TStrings : public TPersistent {
    SDELKA_CLASS(TStrings, TPersistent)
public:
    // Streams the lines as the defined property "Strings" (a list of strings), written only
    // when there are lines.
    void DefineProperties(TFiler* Filer) override;
    TStrings() = default;

    virtual int Add(const String& S);
    virtual int AddObject(const String& S, TObject* AObject);
    virtual void Insert(int Index, const String& S) = 0;
    virtual void InsertObject(int Index, const String& S, TObject* AObject);
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    virtual int IndexOf(const String& S) const;
    virtual int IndexOfName(const String& Name) const;
    virtual int IndexOfObject(TObject* AObject) const;
    // Adds every string with its object, inside one update bracket.
    virtual void AddStrings(TStrings* Strings);
    // Copies strings, objects and the text settings of another TStrings.
    void Assign(TPersistent* Source) override;
    // Same count and the same strings (case-sensitive).
    bool Equals(const TStrings* Strings) const;

    void BeginUpdate();
    void EndUpdate();

    int Count() const { return GetCount(); }
    String Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const String& S) { Put(Index, S); }
    String operator[](int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }
    int Capacity() const { return GetCapacity(); }
    void SetCapacity(int NewCapacity) { DoSetCapacity(NewCapacity); }

    // Name=Value pairs with NameValueSeparator.
    String Names(int Index) const;
    String Values(const String& Name) const;
    // An empty value deletes the pair; a new name is added.
    void SetValues(const String& Name, const String& Value);
    String ValueFromIndex(int Index) const;
    void SetValueFromIndex(int Index, const String& Value);
    Char NameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(Char C) { FNameValueSeparator = C; }

    // Every string followed by LineBreak; setting splits on CR, LF or CR LF (or on LineBreak when
    // it is not the default).
    String Text() const { return GetTextStr(); }
    void SetText(const String& Value) { SetTextStr(Value); }
    const String& LineBreak() const { return FLineBreak; }
    void SetLineBreak(const String& S) { FLineBreak = S; }

    // DelimitedText with Delimiter ',' and QuoteChar '"'.
    String CommaText() const;
    void SetCommaText(const String& Value);
    String DelimitedText() const;
    void SetDelimitedText(const String& Value);
    Char Delimiter() const { return FDelimiter; }
    void SetDelimiter(Char C) { FDelimiter = C; }
    Char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(Char C) { FQuoteChar = C; }
    bool StrictDelimiter() const { return FStrictDelimiter; }
    void SetStrictDelimiter(bool V) { FStrictDelimiter = V; }

    // Loading reads from the stream's position to its end and decodes by the byte-order mark
    // (UTF-8, UTF-16 LE or BE); with none, valid UTF-8 is UTF-8 and anything else the Windows
    // client's code page 1251. Saving writes the encoding the lines were loaded in (UTF-8 without
    // a mark for lines never loaded; text 1251 cannot hold goes out as UTF-8 with a mark).
    virtual void LoadFromStream(TStream* Stream);
    virtual void SaveToStream(TStream* Stream);
    void LoadFromFile(const String& FileName);
    void SaveToFile(const String& FileName);
    TTextFileEncoding Encoding() const { return FEncoding; }
    void SetEncoding(TTextFileEncoding Value) { FEncoding = Value; }

protected:
    virtual String Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual TObject* GetObject(int Index) const { return nullptr; }
    virtual void Put(int Index, const String& S);
    virtual void PutObject(int Index, TObject* AObject) {}
    virtual int GetCapacity() const { return GetCount(); }
    virtual void DoSetCapacity(int NewCapacity) {}
    virtual String GetTextStr() const;
    virtual void SetTextStr(const String& Value);
    // Called by the outermost BeginUpdate (true) and EndUpdate (false).
    virtual void SetUpdateState(bool Updating) {}
    // AnsiCompareText by default.
    virtual int CompareStrings(const String& S1, const String& S2) const;
    [[noreturn]] void Error(const String& Msg, int Data) const;
    int UpdateCount() const { return FUpdateCount; }

private:
    String GetDelimitedText(Char Delim, Char Quote) const;
    void SetDelimitedText(const String& Value, Char Delim, Char Quote);

    int FUpdateCount = 0;
    Char FDelimiter = u',';
    Char FQuoteChar = u'"';
    Char FNameValueSeparator = u'=';
    bool FStrictDelimiter = false;
    String FLineBreak = QStringLiteral("\r\n");
    TTextFileEncoding FEncoding = tfeUtf8;
};

class TStringList;
// Returns <0, 0, >0 as the string at Index1 sorts before, with, after the one at Index2.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
    SDELKA_CLASS(TStringList, TStrings)
public:
    TStringList() = default;
    explicit TStringList(bool AOwnsObjects) : FOwnsObjects(AOwnsObjects) {}
    ~TStringList() override;

    int Add(const String& S) override;
    // On a sorted list the string goes to its place (Duplicates decides about equal ones).
    int AddObject(const String& S, TObject* AObject) override;
    void Insert(int Index, const String& S) override;
    void InsertObject(int Index, const String& S, TObject* AObject) override;
    void Delete(int Index) override;
    void Clear() override;
    void Exchange(int Index1, int Index2) override;
    // Moves the string with its object (an owned object is not freed on the way).
    void Move(int CurIndex, int NewIndex) override;
    int IndexOf(const String& S) const override;
    // Binary search of a sorted list: true when found; Index is the match or the insertion place.
    virtual bool Find(const String& S, int& Index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }
    // Comparisons by AnsiCompareStr when set, else AnsiCompareText (the default).
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    // Deleted and cleared objects are freed when the list owns them.
    bool OwnsObjects() const { return FOwnsObjects; }
    void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    String Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(FList.size()); }
    TObject* GetObject(int Index) const override;
    void Put(int Index, const String& S) override;
    void PutObject(int Index, TObject* AObject) override;
    int GetCapacity() const override { return static_cast<int>(FList.capacity()); }
    void DoSetCapacity(int NewCapacity) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const String& S1, const String& S2) const override;
    virtual void Changed();
    virtual void Changing();
    void InsertItem(int Index, const String& S, TObject* AObject);

private:
    struct TStringItem {
        String FString;
        TObject* FObject = nullptr;
    };
    void CheckIndex(int Index) const;
    std::vector<TStringItem> FList;
    TDuplicates FDuplicates = dupIgnore;
    bool FSorted = false;
    bool FCaseSensitive = false;
    bool FOwnsObjects = false;
};
