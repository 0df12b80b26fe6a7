#include "platform/rtl/lists.h"

#include "platform/rtl/filer.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

#include <QStringDecoder>

#include <algorithm>
#include <numeric>

namespace {

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SListCapacityError = "List capacity out of bounds (%d)";
const char* const SListCountError = "List count out of bounds (%d)";
const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted list";

// Characters that separate unquoted items when the delimiter is not strict: controls and space.
bool IsBlank(QChar c) { return c.unicode() <= u' '; }

}  // namespace

// ---- TList -------------------------------------------------------------------------------------

TList::~TList() = default;

void TList::BeforeDestruction() {
    Clear();
    TObject::BeforeDestruction();
}

void TList::Error(const String& Msg, int Data) { throw EListError(Msg, {Data}); }

void TList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) Error(QString::fromLatin1(SListIndexError), Index);
}

int TList::Add(void* Item) {
    int result = Count();
    FList.push_back(Item);
    if (Item) Notify(Item, lnAdded);
    return result;
}

void TList::Insert(int Index, void* Item) {
    if (Index < 0 || Index > Count()) Error(QString::fromLatin1(SListIndexError), Index);
    FList.insert(FList.begin() + Index, Item);
    if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
    CheckIndex(Index);
    void* temp = FList[static_cast<std::size_t>(Index)];
    FList.erase(FList.begin() + Index);
    if (temp) Notify(temp, lnDeleted);
}

int TList::Remove(void* Item) {
    int result = IndexOf(Item);
    if (result >= 0) Delete(result);
    return result;
}

void* TList::Extract(void* Item) {
    int i = IndexOf(Item);
    if (i < 0) return nullptr;
    void* result = FList[static_cast<std::size_t>(i)];
    FList.erase(FList.begin() + i);
    Notify(result, lnExtracted);
    return result;
}

int TList::IndexOf(void* Item) const {
    auto it = std::find(FList.begin(), FList.end(), Item);
    return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckIndex(NewIndex);
    CheckIndex(CurIndex);
    void* item = FList[static_cast<std::size_t>(CurIndex)];
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, item);
}

void TList::Sort(const TListSortCompare& Compare) {
    std::stable_sort(FList.begin(), FList.end(), [&Compare](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Pack() {
    FList.erase(std::remove(FList.begin(), FList.end(), nullptr), FList.end());
}

void TList::Clear() {
    SetCount(0);
    std::vector<void*>().swap(FList);
}

void TList::SetCount(int NewCount) {
    if (NewCount < 0) Error(QString::fromLatin1(SListCountError), NewCount);
    if (NewCount > Count()) {
        FList.resize(static_cast<std::size_t>(NewCount), nullptr);
        return;
    }
    for (int i = Count() - 1; i >= NewCount; --i) Delete(i);
}

void TList::SetCapacity(int NewCapacity) {
    if (NewCapacity < Count()) Error(QString::fromLatin1(SListCapacityError), NewCapacity);
    if (NewCapacity > Capacity()) FList.reserve(static_cast<std::size_t>(NewCapacity));
    else if (NewCapacity < Capacity()) std::vector<void*>(FList).swap(FList);
}

void* TList::First() const { return Get(0); }

void* TList::Last() const { return Get(Count() - 1); }

void* TList::Get(int Index) const {
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)];
}

void TList::Put(int Index, void* Item) {
    CheckIndex(Index);
    void* temp = FList[static_cast<std::size_t>(Index)];
    if (Item == temp) return;
    FList[static_cast<std::size_t>(Index)] = Item;
    if (temp) Notify(temp, lnDeleted);
    if (Item) Notify(Item, lnAdded);
}

// ---- TObjectList -------------------------------------------------------------------------------

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
    if (FOwnsObjects && Action == lnDeleted) static_cast<TObject*>(Ptr)->Free();
    TList::Notify(Ptr, Action);
}

// ---- TStrings ----------------------------------------------------------------------------------

void TStrings::Error(const String& Msg, int Data) const { throw EStringListError(Msg, {Data}); }

int TStrings::Add(const String& S) {
    int result = GetCount();
    Insert(result, S);
    return result;
}

int TStrings::AddObject(const String& S, TObject* AObject) {
    int result = Add(S);
    PutObject(result, AObject);
    return result;
}

void TStrings::InsertObject(int Index, const String& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::Put(int Index, const String& S) {
    TObject* obj = GetObject(Index);
    Delete(Index);
    InsertObject(Index, S, obj);
}

void TStrings::Exchange(int Index1, int Index2) {
    BeginUpdate();
    try {
        String temp = Get(Index1);
        TObject* tempObj = GetObject(Index1);
        Put(Index1, Get(Index2));
        PutObject(Index1, GetObject(Index2));
        Put(Index2, temp);
        PutObject(Index2, tempObj);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    BeginUpdate();
    try {
        String temp = Get(CurIndex);
        TObject* tempObj = GetObject(CurIndex);
        Delete(CurIndex);
        InsertObject(NewIndex, temp, tempObj);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

int TStrings::IndexOf(const String& S) const {
    for (int i = 0, n = GetCount(); i < n; ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const String& Name) const {
    for (int i = 0, n = GetCount(); i < n; ++i) {
        String s = Get(i);
        int p = static_cast<int>(s.indexOf(FNameValueSeparator));
        if (p >= 0 && CompareStrings(s.left(p), Name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
    for (int i = 0, n = GetCount(); i < n; ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

void TStrings::AddStrings(TStrings* Strings) {
    BeginUpdate();
    try {
        for (int i = 0, n = Strings->Count(); i < n; ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TStrings*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    BeginUpdate();
    try {
        Clear();
        FNameValueSeparator = src->FNameValueSeparator;
        FQuoteChar = src->FQuoteChar;
        FDelimiter = src->FDelimiter;
        FLineBreak = src->FLineBreak;
        FStrictDelimiter = src->FStrictDelimiter;
        AddStrings(src);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

bool TStrings::Equals(const TStrings* Strings) const {
    int n = GetCount();
    if (n != Strings->GetCount()) return false;
    for (int i = 0; i < n; ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

void TStrings::BeginUpdate() {
    if (FUpdateCount == 0) SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount <= 0) return;
    --FUpdateCount;
    if (FUpdateCount == 0) SetUpdateState(false);
}

String TStrings::Names(int Index) const {
    String s = Get(Index);
    int p = static_cast<int>(s.indexOf(FNameValueSeparator));
    return p >= 0 ? s.left(p) : String();
}

String TStrings::Values(const String& Name) const {
    int i = IndexOfName(Name);
    return i >= 0 ? ValueFromIndex(i) : String();
}

void TStrings::SetValues(const String& Name, const String& Value) {
    int i = IndexOfName(Name);
    if (!Value.isEmpty()) {
        if (i < 0) i = Add(String());
        Put(i, Name + FNameValueSeparator + Value);
    } else if (i >= 0) {
        Delete(i);
    }
}

String TStrings::ValueFromIndex(int Index) const {
    if (Index < 0) return String();
    String s = Get(Index);
    int p = static_cast<int>(s.indexOf(FNameValueSeparator));
    return p >= 0 ? s.mid(p + 1) : String();
}

void TStrings::SetValueFromIndex(int Index, const String& Value) {
    if (!Value.isEmpty()) {
        if (Index < 0) Index = Add(String());
        Put(Index, Names(Index) + FNameValueSeparator + Value);
    } else if (Index >= 0) {
        Delete(Index);
    }
}

String TStrings::GetTextStr() const {
    String result;
    for (int i = 0, n = GetCount(); i < n; ++i) {
        result += Get(i);
        result += FLineBreak;
    }
    return result;
}

void TStrings::SetTextStr(const String& Value) {
    BeginUpdate();
    try {
        Clear();
        const int n = static_cast<int>(Value.size());
        int p = 0;
        if (FLineBreak == QStringLiteral("\r\n") || FLineBreak.isEmpty()) {
            // A line ends at CR, LF or CR LF; the text's last line break makes no empty line.
            while (p < n) {
                int start = p;
                while (p < n && Value[p] != u'\r' && Value[p] != u'\n') ++p;
                Add(Value.mid(start, p - start));
                if (p < n && Value[p] == u'\r') ++p;
                if (p < n && Value[p] == u'\n') ++p;
            }
        } else {
            const int lb = static_cast<int>(FLineBreak.size());
            while (p < n) {
                int q = static_cast<int>(Value.indexOf(FLineBreak, p));
                if (q < 0) q = n;
                Add(Value.mid(p, q - p));
                p = q < n ? q + lb : n;
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

String TStrings::CommaText() const { return GetDelimitedText(u',', u'"'); }

void TStrings::SetCommaText(const String& Value) { SetDelimitedText(Value, u',', u'"'); }

String TStrings::DelimitedText() const { return GetDelimitedText(FDelimiter, FQuoteChar); }

void TStrings::SetDelimitedText(const String& Value) { SetDelimitedText(Value, FDelimiter, FQuoteChar); }

String TStrings::GetDelimitedText(Char Delim, Char Quote) const {
    const int n = GetCount();
    if (n == 1 && Get(0).isEmpty()) return String(Quote) + Quote;
    String result;
    for (int i = 0; i < n; ++i) {
        String s = Get(i);
        bool quote = std::any_of(s.cbegin(), s.cend(), [&](QChar c) {
            return c == Quote || c == Delim || c.unicode() == 0 || (!FStrictDelimiter && IsBlank(c));
        });
        if (i > 0) result += Delim;
        result += quote ? AnsiQuotedStr(s, Quote) : s;
    }
    return result;
}

void TStrings::SetDelimitedText(const String& Value, Char Delim, Char Quote) {
    BeginUpdate();
    try {
        Clear();
        const int n = static_cast<int>(Value.size());
        const bool strict = FStrictDelimiter;
        int p = 0;
        auto skipBlanks = [&] {
            if (!strict)
                while (p < n && IsBlank(Value[p])) ++p;
        };
        skipBlanks();
        while (p < n) {
            String s;
            if (Value[p] == Quote) {
                // Quoted item: doubled quotes stand for one; an unclosed quote takes the rest.
                ++p;
                while (p < n) {
                    if (Value[p] == Quote) {
                        if (p + 1 < n && Value[p + 1] == Quote) {
                            s += Quote;
                            p += 2;
                            continue;
                        }
                        ++p;
                        break;
                    }
                    s += Value[p++];
                }
            } else {
                int start = p;
                while (p < n && Value[p] != Delim && (strict || !IsBlank(Value[p]))) ++p;
                s = Value.mid(start, p - start);
            }
            Add(s);
            skipBlanks();
            if (p < n && Value[p] == Delim) {
                // A delimiter that ends the text stands before one more, empty, item.
                if (p + 1 == n) Add(String());
                ++p;
                skipBlanks();
            }
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::LoadFromStream(TStream* Stream) {
    Int64 size = Stream->Size() - Stream->Position();
    QByteArray bytes;
    if (size > 0) {
        bytes.resize(static_cast<qsizetype>(size));
        Stream->ReadBuffer(bytes.data(), static_cast<Integer>(size));
    }
    const String text = DecodeTextFile(bytes, &FEncoding);
    BeginUpdate();
    try {
        SetTextStr(text);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::SaveToStream(TStream* Stream) {
    const QByteArray bytes = EncodeTextFile(GetTextStr(), FEncoding);
    Stream->WriteBuffer(bytes.constData(), static_cast<Integer>(bytes.size()));
}

void TStrings::LoadFromFile(const String& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const String& FileName) {
    TSafeFileStream stream(FileName);
    SaveToStream(&stream);
    stream.Commit();
}

int TStrings::CompareStrings(const String& S1, const String& S2) const { return AnsiCompareText(S1, S2); }

// ---- TStringList -------------------------------------------------------------------------------

TStringList::~TStringList() {
    OnChange.Clear();
    OnChanging.Clear();
    std::vector<TStringItem> items;
    items.swap(FList);
    if (FOwnsObjects)
        for (auto& item : items)
            if (item.FObject) item.FObject->Free();
}

void TStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(QString::fromLatin1(SListIndexError), Index);
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
    if (Updating) Changing();
    else Changed();
}

int TStringList::Add(const String& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const String& S, TObject* AObject) {
    int result;
    if (!FSorted) {
        result = GetCount();
    } else if (Find(S, result)) {
        switch (FDuplicates) {
            case dupIgnore: return result;
            case dupError: throw EStringListError(QString::fromLatin1(SDuplicateString));
            case dupAccept: break;
        }
    }
    InsertItem(result, S, AObject);
    return result;
}

void TStringList::Insert(int Index, const String& S) { InsertObject(Index, S, nullptr); }

void TStringList::InsertObject(int Index, const String& S, TObject* AObject) {
    if (FSorted) throw EStringListError(QString::fromLatin1(SSortedListError));
    if (Index < 0 || Index > GetCount()) Error(QString::fromLatin1(SListIndexError), Index);
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const String& S, TObject* AObject) {
    Changing();
    FList.insert(FList.begin() + Index, TStringItem{S, AObject});
    Changed();
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    Changing();
    TObject* obj = FList[static_cast<std::size_t>(Index)].FObject;
    FList.erase(FList.begin() + Index);
    if (FOwnsObjects && obj) obj->Free();
    Changed();
}

void TStringList::Clear() {
    if (FList.empty()) return;
    Changing();
    std::vector<TStringItem> items;
    items.swap(FList);
    if (FOwnsObjects)
        for (auto& item : items)
            if (item.FObject) item.FObject->Free();
    Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(FList[static_cast<std::size_t>(Index1)], FList[static_cast<std::size_t>(Index2)]);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    if (FSorted) throw EStringListError(QString::fromLatin1(SSortedListError));
    Changing();
    TStringItem item = std::move(FList[static_cast<std::size_t>(CurIndex)]);
    FList.erase(FList.begin() + CurIndex);
    FList.insert(FList.begin() + NewIndex, std::move(item));
    Changed();
}

int TStringList::IndexOf(const String& S) const {
    if (!FSorted) return TStrings::IndexOf(S);
    int result;
    return Find(S, result) ? result : -1;
}

bool TStringList::Find(const String& S, int& Index) const {
    bool result = false;
    int l = 0, h = GetCount() - 1;
    while (l <= h) {
        int i = (l + h) >> 1;
        int c = CompareStrings(FList[static_cast<std::size_t>(i)].FString, S);
        if (c < 0) {
            l = i + 1;
        } else {
            h = i - 1;
            if (c == 0) {
                result = true;
                if (FDuplicates != dupAccept) l = i;
            }
        }
    }
    Index = l;
    return result;
}

void TStringList::Sort() {
    CustomSort([](TStringList* List, int Index1, int Index2) {
        return List->CompareStrings(List->FList[static_cast<std::size_t>(Index1)].FString,
                                    List->FList[static_cast<std::size_t>(Index2)].FString);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
    if (FSorted || GetCount() <= 1) return;
    Changing();
    // The comparer sees the list as it was before sorting; the new order is applied at the end.
    std::vector<int> order(FList.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(this, a, b) < 0; });
    std::vector<TStringItem> sorted;
    sorted.reserve(FList.size());
    for (int i : order) sorted.push_back(std::move(FList[static_cast<std::size_t>(i)]));
    FList.swap(sorted);
    Changed();
}

void TStringList::SetSorted(bool Value) {
    if (FSorted == Value) return;
    if (Value) Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (FCaseSensitive == Value) return;
    FCaseSensitive = Value;
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

String TStringList::Get(int Index) const {
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].FString;
}

TObject* TStringList::GetObject(int Index) const {
    CheckIndex(Index);
    return FList[static_cast<std::size_t>(Index)].FObject;
}

void TStringList::Put(int Index, const String& S) {
    if (FSorted) throw EStringListError(QString::fromLatin1(SSortedListError));
    CheckIndex(Index);
    Changing();
    FList[static_cast<std::size_t>(Index)].FString = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    FList[static_cast<std::size_t>(Index)].FObject = AObject;
    Changed();
}

void TStringList::DoSetCapacity(int NewCapacity) {
    if (NewCapacity < GetCount()) Error(QString::fromLatin1(SListCapacityError), NewCapacity);
    FList.reserve(static_cast<std::size_t>(NewCapacity));
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
    return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

void TStrings::DefineProperties(TFiler* Filer) {
    Filer->DefineProperty(
        QStringLiteral("Strings"),
        [this](TReader* R) {
            R->ReadListBegin();
            BeginUpdate();
            try {
                Clear();
                while (!R->EndOfList()) Add(R->ReadString());
            } catch (...) {
                EndUpdate();
                throw;
            }
            EndUpdate();
            R->ReadListEnd();
        },
        [this](TWriter* W) {
            W->WriteListBegin();
            for (int i = 0; i < Count(); ++i) W->WriteString(Strings(i));
            W->WriteListEnd();
        },
        Count() > 0);
}
