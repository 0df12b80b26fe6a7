#include "grid/memtable/memtabledatavz.h"
#include "grid/memtable/memtableindexesvz.h"

#include "platform/rtl/filer.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <new>
#include <random>
#include <type_traits>
#include <utility>

namespace {

const char* const SCantAssignDataTypeBase = "Can't assign DataType from Field";
const char* const SCanNotAssignDataType = "Can not assign DataType from Field";
const char* const SInvalidFieldSize = "Invalid field size";
const char* const SFieldNameMissing = "Field name missing";
const char* const SDuplicateFieldName = "Duplicate field name '%s'";
const char* const SListIndexError = "List index out of bounds (%d)";

// A new identity in the usual braced upper-case text form.
String NewGUIDText() {
    static std::mt19937_64 gen{std::random_device{}()};
    std::uint64_t a = gen(), b = gen();
    unsigned char bytes[16];
    std::memcpy(bytes, &a, 8);
    std::memcpy(bytes + 8, &b, 8);
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);
    String s = QStringLiteral("{");
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) s += QLatin1Char('-');
        s += QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    s += QLatin1Char('}');
    return s;
}

bool IsTextVarType(TVarType t) { return t == varString || t == varOleStr || t == varUString; }

// Keeps digits, Latin letters and the underscore.
String FilterComponentNameChars(const String& S) {
    String r;
    for (QChar c : S) {
        const char16_t u = c.unicode();
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_') r += c;
    }
    return r;
}

template <class T>
void SetIfChanged(T& Field, const T& Value, const std::function<void()>& Changed) {
    if (Field == Value) return;
    Field = Value;
    Changed();
}

// Doubles count as changed on any difference, NaN included.
bool SameDouble(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

[[noreturn]] void ListIndexError(int Index) { throw EListError(QString::fromLatin1(SListIndexError), {Index}); }

}  // namespace

// ---- free routines ------------------------------------------------------------------------------

TVarType MTFieldTypeVarTypeVz(TFieldType DataType) {
    switch (DataType) {
        case ftString: case ftMemo: case ftFmtMemo: case ftFixedChar: case ftOraClob: case ftGuid: case ftOraInterval:
            return varString;
        case ftWideString: return varUString;
        case ftFixedWideChar: case ftWideMemo: return varOleStr;
        case ftSmallint: return varSmallint;
        case ftInteger: case ftWord: case ftAutoInc: return varInteger;
        case ftShortint: return varShortInt;
        case ftByte: return varByte;
        case ftLongWord: return varLongWord;
        case ftLargeint: return varInt64;
        case ftBoolean: return varBoolean;
        case ftFloat: case ftExtended: return varDouble;
        case ftSingle: return varSingle;
        case ftCurrency: case ftBCD: return varCurrency;
        case ftDate: case ftTime: case ftDateTime: return varDate;
        case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftParadoxOle: case ftDBaseOle:
        case ftTypedBinary: case ftOraBlob:
            return varByteArrayVz;
        case ftTimeStamp: case ftOraTimeStamp: return varSQLTimeStamp;
        case ftTimeStampOffset: return varSQLTimeStampOffset;
        case ftFMTBcd: return varFMTBcd;
        case ftVariant: return varVariant;
        case ftInterface: return varUnknown;
        case ftIDispatch: return varDispatch;
        case ftObject: return varEmpty;
        default: return varError;
    }
}

TMTDataFieldClassVz DataFieldClassForFieldTypeVz(TFieldType DataType) {
    switch (DataType) {
        case ftUnknown: return TMTRefObjectFieldVz::StaticClass();
        case ftString: case ftFixedChar: case ftWideString: case ftGuid: case ftFixedWideChar: case ftOraInterval:
            return TMTStringDataFieldVz::StaticClass();
        case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
        case ftLargeint: case ftFMTBcd: case ftLongWord: case ftShortint: case ftByte: case ftExtended: case ftSingle:
            return TMTNumericDataFieldVz::StaticClass();
        case ftBoolean: return TMTBooleanDataFieldVz::StaticClass();
        case ftDate: case ftTime: case ftDateTime: return TMTDateTimeDataFieldVz::StaticClass();
        case ftBytes: case ftVarBytes: case ftVariant: return TMTVariantDataFieldVz::StaticClass();
        case ftBlob: case ftMemo: case ftGraphic: case ftFmtMemo: case ftParadoxOle: case ftDBaseOle:
        case ftTypedBinary: case ftOraBlob: case ftOraClob: case ftWideMemo:
            return TMTBlobDataFieldVz::StaticClass();
        case ftInterface: case ftIDispatch: return TMTInterfaceDataFieldVz::StaticClass();
        case ftTimeStamp: case ftOraTimeStamp: case ftTimeStampOffset: return TMTSQLTimeStampDataFieldVz::StaticClass();
        default: return nullptr;
    }
}

Variant CastValueToVarTypeVz(const Variant& Value, TVarType VarType) {
    const TVarType from = Value.VType();
    if (from == varNull) return Null();
    if (from == varEmpty) return Unassigned();
    if (VarType == varVariant || from == VarType) return Value;
    if (VarType == varString && from == varByteArrayVz) {
        Variant r = VarAsType(Variant(QString::fromLatin1(VarByteArrayToBytes(Value))), varString);
        return r;
    }
    if ((VarType == varUnknown || VarType == varDispatch) && from == varObject) return Value;
    return VarAsType(Value, VarType);
}

// ---- record value blocks ------------------------------------------------------------------------

// How a field's value is kept in a block.
enum TMTSlotKindVz : unsigned char { skVariantVz, skStringVz, skInt64Vz, skDoubleVz, skInt32Vz, skSingleVz, skBoolVz };
// The state byte of a packed slot (a whole Variant slot keeps its own); a boolean is kept in its
// state byte alone.
enum : unsigned char { vsValueVz = 0, vsNullVz = 1, vsEmptyVz = 2, vsTrueVz = 3 };

// ---- record pieces ------------------------------------------------------------------------------

namespace {
#if defined(__SANITIZE_ADDRESS__)
#define SDELKA_POOL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SDELKA_POOL_ASAN 1
#endif
#endif
#ifdef SDELKA_POOL_ASAN
extern "C" void __asan_poison_memory_region(void const volatile* Addr, size_t Size);
extern "C" void __asan_unpoison_memory_region(void const volatile* Addr, size_t Size);
// A free piece is poisoned, so a record used after it was freed is caught as on the heap.
inline void PoisonPiece(const void* P, size_t Size) { __asan_poison_memory_region(P, Size); }
inline void UnpoisonPiece(const void* P, size_t Size) { __asan_unpoison_memory_region(P, Size); }
#else
inline void PoisonPiece(const void*, size_t) {}
inline void UnpoisonPiece(const void*, size_t) {}
#endif
}  // namespace

// The pieces (record header and value block) of the records made with one layout: all of one
// size, cut from slabs taken from the heap, with a list of the freed ones for the next records;
// no heap word or rounding per record. The layout holds its pool; the pool goes once the layout
// let go and the last piece came back. A record finds the pool of its piece through its layout,
// or, once a restructure moved it to another layout, through its side part. When every piece is
// back the slabs go too, so an emptied or closed table gives its memory back.
class TMTRecPoolVz {
public:
    // Pieces keep the record's alignment (the value block after the header needs no more).
    static constexpr size_t PieceAlign = alignof(TMemoryRecordVz);
    static_assert(PieceAlign >= alignof(Int64) && PieceAlign >= alignof(void*));

    explicit TMTRecPoolVz(size_t PieceSize) : FPieceSize((PieceSize + PieceAlign - 1) / PieceAlign * PieceAlign) {}
    TMTRecPoolVz(const TMTRecPoolVz&) = delete;
    TMTRecPoolVz& operator=(const TMTRecPoolVz&) = delete;
    ~TMTRecPoolVz() { FreeSlabs(); }

    size_t PieceSize() const { return FPieceSize; }

    void* Take() {
        void* p = FFree;
        if (p) {
            UnpoisonPiece(p, FPieceSize);
            FFree = *static_cast<void**>(p);
        } else {
            if (static_cast<size_t>(FEnd - FNext) < FPieceSize) [[unlikely]] NewSlab();
            p = FNext;
            UnpoisonPiece(p, FPieceSize);
            FNext += FPieceSize;
        }
        ++FLive;
        return p;
    }
    // Takes a piece back; the last one back frees the slabs (and the pool the layout let go of).
    void Give(void* P) {
        *static_cast<void**>(P) = FFree;
        FFree = P;
        PoisonPiece(P, FPieceSize);
        if (--FLive > 0) return;
        if (!FHeld) delete this;
        else FreeSlabs();
    }
    // The layout lets go of the pool.
    void Drop() {
        FHeld = false;
        if (FLive == 0) delete this;
    }

private:
    // A slab starts with the link to the slab before it (a whole alignment unit, so the pieces
    // after it stay aligned).
    static constexpr size_t HeadSize = PieceAlign > sizeof(void*) ? PieceAlign : sizeof(void*);
    // Slabs grow from a few pieces (a small table takes little) to MaxSlab, a size the heap
    // still cuts from its own arena and takes back for reuse.
    static constexpr size_t MaxSlab = size_t{64} * 1024 - 64;

    [[gnu::noinline]] void NewSlab() {
        size_t size = HeadSize + FPieceSize * FSlabPieces;
        if (size > MaxSlab) size = std::max(MaxSlab, HeadSize + FPieceSize);
        else FSlabPieces *= 2;
        auto* slab = static_cast<std::byte*>(::operator new(size));
        *reinterpret_cast<std::byte**>(slab) = FSlabs;
        FSlabs = slab;
        FNext = slab + HeadSize;
        FEnd = FNext + (size - HeadSize) / FPieceSize * FPieceSize;
        PoisonPiece(FNext, size - HeadSize);
    }
    void FreeSlabs() {
        for (std::byte* slab = FSlabs; slab;) {
            std::byte* before = *reinterpret_cast<std::byte**>(slab);
            ::operator delete(slab);
            slab = before;
        }
        FSlabs = nullptr;
        FFree = nullptr;
        FNext = FEnd = nullptr;
        FSlabPieces = FirstSlabPieces;
    }

    static constexpr size_t FirstSlabPieces = 8;
    size_t FPieceSize;
    bool FHeld = true;
    size_t FSlabPieces = FirstSlabPieces;
    size_t FLive = 0;
    void* FFree = nullptr;
    std::byte* FNext = nullptr;  // the current slab's unused pieces
    std::byte* FEnd = nullptr;
    std::byte* FSlabs = nullptr;  // the newest slab (each links to the one before)
};

// The layout of a record's value block: per field the slot's kind and place, the slots sorted by
// alignment so the block has no holes. The Variant and text slots come first, then plain data
// (numbers and the state bytes, which also hold the booleans) that a copy moves as bytes. A layout is shared by the
// records made with it and freed with the last of them; a structure change makes a new one for
// new records, and RelayoutRecords moves the stored records over.
struct TMTRecLayoutVz {
    struct TSlot {
        TVarType VarType;
        unsigned char Kind;
        TMTValueClassVz Class;  // of a value (not Null or Unassigned) in the slot
        unsigned Offset;
    };
    TMTDataStructVz* Struct = nullptr;
    std::vector<TSlot> Slots;
    size_t Size = 0;
    size_t PlainEnd = 0;   // bytes before this are plain data (the numbers and the states)
    size_t StatesAt = 0;   // one state byte per field
    mutable long Refs = 0;
    // The records list of the structure's store: the list of every record made with the layout
    // (the list sets it when it makes a record; one store has one list).
    mutable TRecordsListVz* List = nullptr;
    // The pieces of the records made with the layout (made with the first of them).
    mutable TMTRecPoolVz* Pool = nullptr;

    static TMTSlotKindVz KindOf(TVarType VarType) {
        switch (VarType) {
            case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
                return skInt32Vz;
            case varInt64: case varUInt64: case varCurrency: return skInt64Vz;
            case varDouble: case varDate: return skDoubleVz;
            case varSingle: return skSingleVz;
            case varBoolean: return skBoolVz;
            case varString: case varUString: case varOleStr: return skStringVz;
            default: return skVariantVz;
        }
    }
    static TMTValueClassVz ClassOf(TVarType VarType) {
        switch (VarType) {
            case varSmallint: case varInteger: case varShortInt: case varByte: case varWord: case varLongWord:
            case varInt64:
                return mvcIntegerVz;
            case varCurrency: return mvcCurrencyVz;
            case varBoolean: return mvcBooleanVz;
            case varDouble: case varSingle: return mvcFloatVz;
            case varDate: return mvcDateVz;
            case varString: case varUString: case varOleStr: return mvcTextVz;
            default: return mvcVariantVz;  // varUInt64 and the whole Variant slots
        }
    }

    explicit TMTRecLayoutVz(TMTDataStructVz* AStruct, const std::vector<TVarType>& Kinds) : Struct(AStruct) {
        const size_t n = Kinds.size();
        Slots.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const TMTSlotKindVz k = KindOf(Kinds[i]);
            Slots[i] = TSlot{Kinds[i], k, k == skVariantVz ? mvcVariantVz : ClassOf(Kinds[i]), 0};
        }
        // The plain data first, largest alignment first, and the state bytes after it: a walk
        // that tests numbers finds them next to the record's header. The Variant and text slots
        // follow, aligned.
        static constexpr TMTSlotKindVz order[] = {skInt64Vz, skDoubleVz, skInt32Vz, skSingleVz, skBoolVz, skVariantVz, skStringVz};
        size_t at = 0;
        for (TMTSlotKindVz k : order) {
            if (k == skVariantVz) {
                StatesAt = at;
                at = (at + n + alignof(Int64) - 1) / alignof(Int64) * alignof(Int64);
                PlainEnd = at;
            }
            for (TSlot& s : Slots) {
                if (s.Kind != k) continue;
                s.Offset = static_cast<unsigned>(at);
                at += SlotSize(k);
            }
        }
        static_assert(sizeof(Variant) % alignof(Int64) == 0 && sizeof(String) % alignof(Int64) == 0 &&
                      alignof(Variant) <= alignof(Int64) && alignof(String) <= alignof(Int64));
        Size = at;
        for (const TSlot& s : Slots) {
            if (s.Kind == skVariantVz) ++VariantCount;
            else if (s.Kind == skStringVz) ++TextCount;
        }
        // A new block's plain data: zero numbers, every state Null.
        Blank.assign(PlainEnd, std::byte{0});
        if (n > 0) std::memset(Blank.data() + StatesAt, vsNullVz, n);
    }
    // The Variant slots follow the plain data, the text slots follow them.
    size_t VariantCount = 0;
    size_t TextCount = 0;
    std::vector<std::byte> Blank;
    Variant* VariantSlots(std::byte* B) const { return reinterpret_cast<Variant*>(B + PlainEnd); }
    String* TextSlots(std::byte* B) const { return reinterpret_cast<String*>(B + PlainEnd + VariantCount * sizeof(Variant)); }

    static size_t SlotSize(TMTSlotKindVz Kind) {
        switch (Kind) {
            case skVariantVz: return sizeof(Variant);
            case skStringVz: return sizeof(String);
            case skInt64Vz: return sizeof(Int64);
            case skDoubleVz: return sizeof(double);
            case skInt32Vz: return sizeof(int32_t);
            case skSingleVz: return sizeof(float);
            case skBoolVz: return 0;
        }
        return 0;
    }

    ~TMTRecLayoutVz() {
        if (Pool) Pool->Drop();
    }
    TMTRecLayoutVz(const TMTRecLayoutVz&) = delete;
    TMTRecLayoutVz& operator=(const TMTRecLayoutVz&) = delete;

    int Count() const { return static_cast<int>(Slots.size()); }
    void AddRef() const { ++Refs; }
    static void Release(const TMTRecLayoutVz* L) {
        if (L && --L->Refs == 0) delete L;
    }

    // Makes every value of the Size bytes at B Null.
    void InitBlock(std::byte* B) const {
        // The plain data is whole words (the Variant and text slots after it are word-aligned).
        const size_t plain = PlainEnd, variants = VariantCount, texts = TextCount;
        const std::byte* blank = Blank.data();
        for (size_t i = 0; i < plain; i += sizeof(UInt64)) std::memcpy(B + i, blank + i, sizeof(UInt64));
        Variant* v = reinterpret_cast<Variant*>(B + plain);
        for (size_t i = 0; i < variants; ++i) new (v + i) Variant(Null());
        String* t = reinterpret_cast<String*>(v + variants);
        for (size_t i = 0; i < texts; ++i) new (t + i) String();
    }
    // A new block with every value Null.
    std::byte* NewBlock() const {
        if (Size == 0) return nullptr;
        auto* b = static_cast<std::byte*>(::operator new(Size));
        InitBlock(b);
        return b;
    }
    std::byte* CopyBlock(const std::byte* Source) const {
        if (Size == 0) return nullptr;
        auto* b = static_cast<std::byte*>(::operator new(Size));
        std::memcpy(b, Source, PlainEnd);
        auto* from = const_cast<std::byte*>(Source);
        const Variant* sv = VariantSlots(from);
        Variant* v = VariantSlots(b);
        for (size_t i = 0; i < VariantCount; ++i) new (v + i) Variant(sv[i]);
        const String* st = TextSlots(from);
        String* t = TextSlots(b);
        for (size_t i = 0; i < TextCount; ++i) new (t + i) String(st[i]);
        return b;
    }
    // Ends the values' lives (the memory stays).
    void ClearBlock(std::byte* B) const {
        Variant* v = VariantSlots(B);
        for (size_t i = 0; i < VariantCount; ++i) v[i].~Variant();
        String* t = TextSlots(B);
        for (size_t i = 0; i < TextCount; ++i) t[i].~String();
    }
    void FreeBlock(std::byte* B) const {
        if (!B) return;
        ClearBlock(B);
        ::operator delete(B);
    }
    // Exchanges the values of two blocks (cannot fail).
    void SwapBlocks(std::byte* A, std::byte* B) const {
        for (size_t i = 0; i < PlainEnd; ++i) std::swap(A[i], B[i]);
        std::swap_ranges(VariantSlots(A), VariantSlots(A) + VariantCount, VariantSlots(B));
        std::swap_ranges(TextSlots(A), TextSlots(A) + TextCount, TextSlots(B));
    }

    Variant Get(const std::byte* B, int Index) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        const std::byte* p = B + s.Offset;
        if (s.Kind == skVariantVz) return *reinterpret_cast<const Variant*>(p);
        const unsigned char state = static_cast<unsigned char>(B[StatesAt + static_cast<size_t>(Index)]);
        if (s.Kind == skBoolVz) {
            if (state == vsNullVz || state == vsEmptyVz) return state == vsNullVz ? Null() : Unassigned();
            return Variant(state == vsTrueVz);
        }
        if (state != vsValueVz) return state == vsNullVz ? Null() : Unassigned();
        switch (s.VarType) {
            case varSmallint: return Variant(static_cast<short>(Load<int32_t>(p)));
            case varInteger: return Variant(static_cast<int>(Load<int32_t>(p)));
            case varShortInt: return Variant(static_cast<signed char>(Load<int32_t>(p)));
            case varByte: return Variant(static_cast<unsigned char>(Load<int32_t>(p)));
            case varWord: return Variant(static_cast<unsigned short>(Load<int32_t>(p)));
            case varLongWord: return Variant(static_cast<unsigned>(Load<uint32_t>(p)));
            case varInt64: return Variant(static_cast<long long>(Load<Int64>(p)));
            case varUInt64: return Variant(static_cast<unsigned long long>(Load<UInt64>(p)));
            case varCurrency: return Variant(Currency::FromRaw(Load<Int64>(p)));
            case varDouble: return Variant(Load<double>(p));
            case varDate: return VarFromDateTime(TDateTime(Load<double>(p)));
            case varSingle: return Variant(Load<float>(p));
            case varUString: return Variant(*reinterpret_cast<const String*>(p));
            default: return VarAsType(Variant(*reinterpret_cast<const String*>(p)), s.VarType);
        }
    }

    // The class of a value in the block and the kind its Variant would have.
    TMTValueClassVz Class(const std::byte* B, int Index, TVarType& VarType) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        if (s.Kind == skVariantVz) {
            VarType = reinterpret_cast<const Variant*>(B + s.Offset)->VType();
            if (VarType == varNull) return mvcNullVz;
            return VarType == varEmpty ? mvcEmptyVz : mvcVariantVz;
        }
        const unsigned char state = static_cast<unsigned char>(B[StatesAt + static_cast<size_t>(Index)]);
        if (state == vsNullVz || state == vsEmptyVz) {
            VarType = state == vsNullVz ? varNull : varEmpty;
            return state == vsNullVz ? mvcNullVz : mvcEmptyVz;
        }
        VarType = s.VarType;
        return s.Class;
    }
    Int64 GetInt(const std::byte* B, int Index) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        const std::byte* p = B + s.Offset;
        switch (s.Class) {
            case mvcBooleanVz:
                return static_cast<unsigned char>(B[StatesAt + static_cast<size_t>(Index)]) == vsTrueVz ? -1 : 0;
            case mvcIntegerVz: case mvcCurrencyVz: break;
            default: return 0;
        }
        switch (s.VarType) {
            case varSmallint: return static_cast<short>(Load<int32_t>(p));
            case varInteger: return Load<int32_t>(p);
            case varShortInt: return static_cast<signed char>(Load<int32_t>(p));
            case varByte: return static_cast<unsigned char>(Load<int32_t>(p));
            case varWord: return static_cast<unsigned short>(Load<int32_t>(p));
            case varLongWord: return Load<uint32_t>(p);
            default: return Load<Int64>(p);  // varInt64, varCurrency
        }
    }
    double GetFloat(const std::byte* B, int Index) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        if (s.Class != mvcFloatVz && s.Class != mvcDateVz) return 0;
        return s.Kind == skSingleVz ? static_cast<double>(Load<float>(B + s.Offset)) : Load<double>(B + s.Offset);
    }
    const String& GetText(const std::byte* B, int Index) const {
        static const String empty;
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        return s.Class == mvcTextVz ? *reinterpret_cast<const String*>(B + s.Offset) : empty;
    }

    // Stores a value that is of the slot's kind, Null or Unassigned (a whole Variant slot takes
    // anything).
    void Put(std::byte* B, int Index, const Variant& Value) const { PutAs(B, Index, Value); }
    // The same from a value about to go: a text or a whole Variant is moved into its slot, not
    // copied (no count taken on the text only to drop it with the Variant).
    void Put(std::byte* B, int Index, Variant&& Value) const { PutAs(B, Index, std::move(Value)); }

    // Stores any value, cast to the slot's kind first (the cast's errors propagate, the block is
    // then unchanged).
    void PutCast(std::byte* B, int Index, const Variant& Value) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        const TVarType vt = Value.VType();
        if (s.Kind == skVariantVz || vt == s.VarType || vt == varNull || vt == varEmpty) Put(B, Index, Value);
        else Put(B, Index, CastValueToVarTypeVz(Value, s.VarType));
    }
    void PutCast(std::byte* B, int Index, Variant&& Value) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        const TVarType vt = Value.VType();
        if (s.Kind == skVariantVz || vt == s.VarType || vt == varNull || vt == varEmpty) Put(B, Index, std::move(Value));
        else Put(B, Index, CastValueToVarTypeVz(Value, s.VarType));
    }

    // Typed stores of a value of one kind, without a Variant: each writes into a slot of that kind
    // (and of the kinds whose cast from it is exact, as the Variant cast would store them) and
    // answers true; for any other slot (a whole Variant slot too) it does nothing and answers
    // false, and the caller stores the value's Variant through PutCast, whose casts and errors
    // are the rule.
    bool PutInteger(std::byte* B, int Index, int Value) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        std::byte* p = B + s.Offset;
        if (s.VarType == varInteger) [[likely]] Store<int32_t>(p, Value);
        else if (s.VarType == varInt64) Store<Int64>(p, Value);
        else if (s.VarType == varDouble) Store<double>(p, Value);
        else return false;
        SetValueState(B, Index);
        return true;
    }
    bool PutLargeInt(std::byte* B, int Index, Int64 Value) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        std::byte* p = B + s.Offset;
        if (s.VarType == varInt64) [[likely]] {
            Store<Int64>(p, Value);
        } else if (s.VarType == varInteger && Value >= INT32_MIN && Value <= INT32_MAX) {
            Store<int32_t>(p, static_cast<int32_t>(Value));
        } else {
            return false;  // out of an integer's range too: the cast raises its overflow error
        }
        SetValueState(B, Index);
        return true;
    }
    // A double as Variant(double) (AsDate false) or as a date (VarFromDateTime).
    bool PutFloat(std::byte* B, int Index, double Value, bool AsDate) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        if (s.VarType != (AsDate ? varDate : varDouble)) return false;
        Store<double>(B + s.Offset, Value);
        SetValueState(B, Index);
        return true;
    }
    bool PutCurrency(std::byte* B, int Index, Currency Value) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        if (s.VarType != varCurrency) return false;
        Store<Int64>(B + s.Offset, Value.Raw());
        SetValueState(B, Index);
        return true;
    }
    bool PutBoolean(std::byte* B, int Index, bool Value) const {
        if (Slots[static_cast<size_t>(Index)].VarType != varBoolean) return false;
        B[StatesAt + static_cast<size_t>(Index)] = static_cast<std::byte>(Value ? vsTrueVz : vsValueVz);
        return true;
    }
    // Value is moved from only when the answer is true. Every text slot takes it: the cast
    // between the text kinds keeps the text.
    bool PutText(std::byte* B, int Index, String& Value) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        if (s.Kind != skStringVz) return false;
        *reinterpret_cast<String*>(B + s.Offset) = std::move(Value);
        SetValueState(B, Index);
        return true;
    }
    // A value of a kind with a typed store, stored through it (true); false, with nothing done,
    // for another kind or a slot the typed store does not take.
    template <class V>
    bool PutKnown(std::byte* B, int Index, V&& Value) const {
        switch (Value.VType()) {
            case varInteger: return PutInteger(B, Index, Value.AsInteger());
            case varInt64: return PutLargeInt(B, Index, Value.AsInt64());
            case varDouble: return PutFloat(B, Index, Value.AsDouble(), false);
            case varDate: return PutFloat(B, Index, Value.AsDouble(), true);
            case varCurrency: return PutCurrency(B, Index, Value.AsCurrency());
            case varBoolean: return PutBoolean(B, Index, Value.AsBoolean());
            case varUString: case varString: case varOleStr: {
                const TSlot& s = Slots[static_cast<size_t>(Index)];
                if (s.Kind != skStringVz) return false;
                *reinterpret_cast<String*>(B + s.Offset) = std::forward<V>(Value).AsString();
                SetValueState(B, Index);
                return true;
            }
            default: return false;
        }
    }
    void PutNull(std::byte* B, int Index) const {
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        std::byte* p = B + s.Offset;
        if (s.Kind == skVariantVz) {
            *reinterpret_cast<Variant*>(p) = Null();
            return;
        }
        if (s.Kind == skStringVz) reinterpret_cast<String*>(p)->clear();
        B[StatesAt + static_cast<size_t>(Index)] = static_cast<std::byte>(vsNullVz);
    }

    // True when the layout was made for the kinds of these fields (asked for every new record:
    // a plain walk over the field list).
    bool Fits(void* const* Fields, int FieldCount) const {
        if (FieldCount != Count()) return false;
        for (size_t i = 0; i < Slots.size(); ++i)
            if (static_cast<const TMTDataFieldVz*>(Fields[i])->VarDataType() != Slots[i].VarType) return false;
        return true;
    }

private:
    // Both Puts in one body, so a record's write of a fresh value runs it in place.
    template <class V>
    [[gnu::always_inline]] void PutAs(std::byte* B, int Index, V&& Value) const {
        constexpr bool moved = !std::is_lvalue_reference_v<V>;
        const TSlot& s = Slots[static_cast<size_t>(Index)];
        std::byte* p = B + s.Offset;
        if (s.Kind == skVariantVz) {
            *reinterpret_cast<Variant*>(p) = std::forward<V>(Value);
            return;
        }
        auto& state = reinterpret_cast<unsigned char&>(B[StatesAt + static_cast<size_t>(Index)]);
        const TVarType vt = Value.VType();
        if (vt == varNull || vt == varEmpty) {
            if (s.Kind == skStringVz) reinterpret_cast<String*>(p)->clear();
            state = vt == varNull ? vsNullVz : vsEmptyVz;
            return;
        }
        switch (s.Kind) {
            case skStringVz:
                if constexpr (moved) *reinterpret_cast<String*>(p) = std::move(Value).AsString();
                else *reinterpret_cast<String*>(p) = Value.AsString();
                break;
            case skInt32Vz:
                if (s.VarType == varLongWord) Store<uint32_t>(p, static_cast<uint32_t>(Value.AsInt64()));
                else Store<int32_t>(p, Value.AsInteger());
                break;
            case skInt64Vz:
                if (s.VarType == varCurrency) Store<Int64>(p, Value.AsCurrency().Raw());
                else if (s.VarType == varUInt64) Store<UInt64>(p, Value.AsUInt64());
                else Store<Int64>(p, Value.AsInt64());
                break;
            case skDoubleVz: Store<double>(p, Value.AsDouble()); break;
            case skSingleVz: Store<float>(p, static_cast<float>(Value.AsDouble())); break;
            case skBoolVz: state = Value.AsBoolean() ? vsTrueVz : vsValueVz; return;
            default: break;
        }
        state = vsValueVz;
    }

    void SetValueState(std::byte* B, int Index) const { B[StatesAt + static_cast<size_t>(Index)] = static_cast<std::byte>(vsValueVz); }

    template <class T>
    static T Load(const std::byte* P) {
        T v;
        std::memcpy(&v, P, sizeof(T));
        return v;
    }
    template <class T>
    static void Store(std::byte* P, T V) {
        std::memcpy(P, &V, sizeof(T));
    }
};

// What a record holds only while it is edited or has changes.
struct TMemoryRecordVz::TSideVz {
    std::byte* Values = nullptr;  // the current values when the record does not carry them
    std::byte* Old = nullptr;     // the old values (while HasOld)
    std::byte* TmpOld = nullptr;  // the values when the edit began (while HasTmpOld)
    TUpdateErrorVz* UpdateError = nullptr;
    // The pool of the record's piece once the record left the layout it was made with.
    TMTRecPoolVz* PiecePool = nullptr;
    int UpdateIndex = -1;
    bool HasOld = false;
    bool HasTmpOld = false;
};

bool TMTDataStructVz::LayoutFits() const { return FLayout->Fits(FList->List(), FList->Count()); }

const TMTRecLayoutVz* TMTDataStructVz::MakeRecordLayout() {
    std::vector<TVarType> kinds(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i) kinds[static_cast<size_t>(i)] = GetDataField(i)->VarDataType();
    auto* l = new TMTRecLayoutVz(this, kinds);
    l->AddRef();
    ReleaseLayout();
    FLayout = l;
    return l;
}

void TMTDataStructVz::ReleaseLayout() {
    TMTRecLayoutVz::Release(FLayout);
    FLayout = nullptr;
}

// ---- TMTDataStructVz ----------------------------------------------------------------------------

TMTDataStructVz::TMTDataStructVz(TMemTableDataVz* AMemTableData) : TComponent(nullptr), FMemTableData(AMemTableData) {}

TMTDataStructVz::~TMTDataStructVz() {
    FreeFields();
    ReleaseLayout();
}

void TMTDataStructVz::BeforeDestruction() {
    ++FUpdateCount;  // freeing the fields is no structure change anybody listens to any more
    FreeFields();
    TComponent::BeforeDestruction();
}

void TMTDataStructVz::FreeFields() {
    for (int i = FList->Count() - 1; i >= 0; --i) {
        auto* f = static_cast<TMTDataFieldVz*>(FList->Items(i));
        FList->Delete(i);
        f->FDataStruct = nullptr;
        f->Free();
    }
    ReleaseLayout();
}

TMTDataFieldVz* TMTDataStructVz::GetDataField(int Index) const {
    return static_cast<TMTDataFieldVz*>(FList->Items(Index));
}

void TMTDataStructVz::Clear() {
    FreeFields();
    StructChanged();
}

TMTDataFieldVz* TMTDataStructVz::CreateField(TMTDataFieldClassVz FieldClass) {
    TComponent* c = FieldClass->CreateComponent(this);
    auto* f = static_cast<TMTDataFieldVz*>(c);
    f->FDataStruct = this;
    FList->Add(f);
    ReleaseLayout();
    f->FFieldId = FNextFieldId++;
    return f;
}

void TMTDataStructVz::InsertField(TMTDataFieldVz* Field) {
    FList->Add(Field);
    Field->FDataStruct = this;
    ReleaseLayout();
    StructChanged();
}

void TMTDataStructVz::RemoveField(TMTDataFieldVz* Field) {
    if (Field->FDataStruct != this) return;
    FList->Remove(Field);
    Field->FDataStruct = nullptr;
    ReleaseLayout();
    StructChanged();
}

int TMTDataStructVz::IndexOfField(const TMTDataFieldVz* Field) const {
    return FList->IndexOf(const_cast<TMTDataFieldVz*>(Field));
}

void TMTDataStructVz::MoveField(TMTDataFieldVz* Field, int NewIndex) {
    const int cur = IndexOfField(Field);
    if (cur < 0 || cur == NewIndex) return;
    FList->Move(cur, NewIndex);
    ReleaseLayout();
    StructChanged();
}

TMTDataFieldVz* TMTDataStructVz::FindField(const String& FieldName) const {
    for (int i = 0; i < Count(); ++i)
        if (GetDataField(i)->FieldName().compare(FieldName, Qt::CaseInsensitive) == 0) return GetDataField(i);
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(GetDataField(i)->FieldName(), FieldName)) return GetDataField(i);
    return nullptr;
}

TMTDataFieldVz* TMTDataStructVz::FieldByName(const String& FieldName) const {
    TMTDataFieldVz* f = FindField(FieldName);
    if (!f) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldNotFound), {FieldName}, const_cast<TMTDataStructVz*>(this));
    return f;
}

int TMTDataStructVz::FieldIndex(const String& FieldName) const {
    for (int i = 0; i < Count(); ++i)
        if (SameText(GetDataField(i)->FieldName(), FieldName)) return i;
    return -1;
}

TIntArrayVz TMTDataStructVz::FieldsIndex(const String& FieldNames) const {
    TIntArrayVz r;
    if (FieldNames.contains(QLatin1Char(';'))) {
        for (const String& n : ExtractFieldNames(FieldNames)) r.push_back(IndexOfField(FieldByName(n)));
    } else {
        const int i = FieldIndex(FieldNames);
        if (i >= 0) r.push_back(i);
    }
    return r;
}

void TMTDataStructVz::GetFieldList(std::vector<TMTDataFieldVz*>* List, const String& FieldNames) const {
    for (const String& n : ExtractFieldNames(FieldNames)) {
        TMTDataFieldVz* f = FieldByName(n);
        if (List) List->push_back(f);
    }
}

TMTDataFieldVz* TMTDataStructVz::FindFieldByGIUD(const String& GUID) const {
    for (int i = 0; i < Count(); ++i)
        if (GetDataField(i)->FGUID == GUID) return GetDataField(i);
    return nullptr;
}

void TMTDataStructVz::CheckFieldName(const String& FieldName) const {
    if (FieldName.isEmpty()) DatabaseError(QString::fromLatin1(SFieldNameMissing), FMemTableData);
    if (FindField(FieldName)) DatabaseErrorFmt(QString::fromLatin1(SDuplicateFieldName), {FieldName}, FMemTableData);
}

TMTDataFieldVz* TMTDataStructVz::ChangeFieldType(const String& FieldName, TMTDataFieldClassVz FieldClass) {
    TMTDataFieldVz* old = FieldByName(FieldName);
    const int pos = IndexOfField(old);
    BeginUpdate();
    TMTDataFieldVz* nf = nullptr;
    try {
        nf = CreateField(FieldClass);
        FList->Move(FList->Count() - 1, pos);
        FList->Remove(old);
        old->FDataStruct = nullptr;
        ReleaseLayout();
        nf->Assign(old);
        if (nf->GetDefaultAlignment() != old->GetDefaultAlignment()) nf->SetAlignment(nf->GetDefaultAlignment());
        nf->CopyGUIDFrom(old);
        const String name = old->FieldName();
        old->Free();
        nf->FFieldName.clear();
        nf->SetFieldName(name);
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
    return nf;
}

TMTDataFieldVz* TMTDataStructVz::BuildFieldOfType(TFieldType DataType) {
    TMTDataFieldClassVz cls = DataFieldClassForFieldTypeVz(DataType);
    if (!cls) throw Exception(QString::fromLatin1(SCanNotAssignDataType));
    TMTDataFieldVz* f = CreateField(cls);
    try {
        f->AssignDataType(DataType);
    } catch (...) {
        RemoveField(f);
        f->Free();
        throw;
    }
    return f;
}

namespace {
// Runs the setup of a freshly built field; a failure takes the field out again.
template <class F>
TMTDataFieldVz* SetUpBuiltField(TMTDataStructVz* S, TMTDataFieldVz* Field, F Setup) {
    try {
        Setup(Field);
    } catch (...) {
        S->RemoveField(Field);
        Field->Free();
        throw;
    }
    return Field;
}
}  // namespace

TMTDataFieldVz* TMTDataStructVz::BuildDataFieldForFieldDef(TFieldDef* FieldDef) {
    return SetUpBuiltField(this, BuildFieldOfType(FieldDef->DataType()), [FieldDef](TMTDataFieldVz* f) {
    f->SetFieldName(FieldDef->Name());
    f->SetRequired(FieldDef->Required());
    if (auto* n = dynamic_cast<TMTNumericDataFieldVz*>(f); n && FieldDef->Precision() != 0)
        n->SetPrecision(FieldDef->Precision());
    if (f->CanDinaSize()) f->SetSize(FieldDef->Size());
    if (FieldDef->DataType() == ftAutoInc) f->SetAutoIncrement(true);
    f->SetCalculated(FieldDef->InternalCalcField());
    });
}

TMTDataFieldVz* TMTDataStructVz::BuildDataFieldForDef(const String& Name, TFieldType DataType, int Precision, int Size) {
    return SetUpBuiltField(this, BuildFieldOfType(DataType), [&](TMTDataFieldVz* f) {
        f->SetFieldName(Name);
        if (auto* n = dynamic_cast<TMTNumericDataFieldVz*>(f); n && Precision != 0) n->SetPrecision(Precision);
        if (f->CanDinaSize()) f->SetSize(Size);
    });
}

TMTDataFieldVz* TMTDataStructVz::BuildDataFieldForField(TField* Field) { return BuildFieldOfType(Field->DataType()); }

TMTDataFieldVz* TMTDataStructVz::BuildAndCopyDataFieldForField(TField* Field) {
    return SetUpBuiltField(this, BuildDataFieldForField(Field), [Field](TMTDataFieldVz* f) {
        f->SetFieldName(Field->FieldName());
        f->AssignProps(Field);
    });
}

void TMTDataStructVz::BuildStructFromFieldDefs(TFieldDefs* FieldDefs) {
    if (FMemTableData) FMemTableData->DestroyTable();
    else Clear();
    for (int i = 0; i < FieldDefs->Count(); ++i) BuildDataFieldForFieldDef(FieldDefs->Items(i));
}

void TMTDataStructVz::BuildStructFromFields(TFields* Fields) {
    if (FMemTableData) FMemTableData->DestroyTable();
    else Clear();
    for (TField* fld : *Fields)
        if (fld->FieldKind() == fkData || fld->FieldKind() == fkInternalCalc) BuildAndCopyDataFieldForField(fld);
}

void TMTDataStructVz::BuildFieldDefsFromStruct(TFieldDefs* FieldDefs) const {
    FieldDefs->BeginUpdate();
    try {
        FieldDefs->Clear();
        for (int i = 0; i < Count(); ++i) {
            TMTDataFieldVz* f = GetDataField(i);
            TFieldDef* d = FieldDefs->AddFieldDef();
            d->SetName(f->FieldName());
            d->SetDataType(f->DataType());
            d->SetSize(f->Size());
            d->SetInternalCalcField(f->Calculated());
            if (f->Required()) d->SetRequired(true);
            if (auto* n = dynamic_cast<TMTNumericDataFieldVz*>(f)) d->SetPrecision(n->Precision());
        }
    } catch (...) {
        FieldDefs->EndUpdate();
        throw;
    }
    FieldDefs->EndUpdate();
}

TMTDataStructVz* TMTDataStructVz::GetCopy() const {
    auto* copy = New<TMTDataStructVz>(nullptr);
    copy->BeginUpdate();
    for (int i = 0; i < Count(); ++i) {
        TMTDataFieldVz* src = GetDataField(i);
        TMTDataFieldVz* f = copy->CreateField(src->ClassType());
        f->Assign(src);
        f->CopyGUIDFrom(src);
    }
    copy->FUpdateCount = 0;
    copy->FStructChanged = false;
    return copy;
}

void TMTDataStructVz::EndRestructure(TMTDataStructVz* NewStructure, bool ApplyNewStructure) {
    try {
        if (ApplyNewStructure) Assign(NewStructure);
    } catch (...) {
        NewStructure->Free();
        throw;
    }
    NewStructure->Free();
}

namespace {

// The value of Current converted for Target, under the rules of a structure replacement.
Variant ConvertForRelayout(const Variant& Value, const TMTDataFieldVz* Current, const TMTDataFieldVz* Target) {
    const TVarType vt = Target->VarDataType();
    Variant r;
    try {
        r = CastValueToVarTypeVz(Value, vt);
    } catch (const EVariantTypeCastError&) {
        return Null();
    }
    const bool targetText = Target->InheritsFrom(TMTStringDataFieldVz::StaticClass());
    const bool currentText = Current->InheritsFrom(TMTStringDataFieldVz::StaticClass());
    if (targetText && IsTextVarType(r.VType()) && (!currentText || Target->Size() < Current->Size())) {
        const String s = r.AsString();
        if (s.size() > Target->Size()) r = VarAsType(Variant(s.left(Target->Size())), vt);
    }
    return r;
}

}  // namespace

void TMTDataStructVz::RelayoutRecords(const TMTDataStructVz* Source) {
    TRecordsListVz* list = FMemTableData ? FMemTableData->RecordsList() : nullptr;
    if (!list || list->Count() == 0) return;
    std::vector<std::pair<TMTDataFieldVz*, int>> map;  // current field and its position per source field
    std::vector<TVarType> kinds;
    for (int i = 0; i < Source->Count(); ++i) {
        TMTDataFieldVz* cur = FindFieldByGIUD(Source->GetDataField(i)->FGUID);
        map.emplace_back(cur, cur ? IndexOfField(cur) : -1);
        kinds.push_back(Source->GetDataField(i)->VarDataType());
    }
    // The new layout is the one the structure makes for these kinds once the fields are replaced.
    auto* layout = new TMTRecLayoutVz(this, kinds);
    layout->AddRef();
    layout->List = list;
    auto relay = [&](const TMemoryRecordVz* rec, const std::byte* values) {
        std::byte* r = layout->NewBlock();
        try {
            for (int i = 0; i < Source->Count(); ++i) {
                const auto& [cur, pos] = map[static_cast<size_t>(i)];
                if (cur && pos < rec->ValueCount())
                    layout->PutCast(r, i, ConvertForRelayout(rec->FLayout->Get(values, pos), cur, Source->GetDataField(i)));
            }
        } catch (...) {
            layout->FreeBlock(r);
            throw;
        }
        return r;
    };
    // Everything is converted before any record changes, so a failure leaves the store as it was.
    struct TLaid {
        std::byte* Values = nullptr;
        std::byte* Old = nullptr;
        std::byte* TmpOld = nullptr;
    };
    std::vector<TLaid> laid(static_cast<size_t>(list->Count()));
    try {
        for (int i = 0; i < list->Count(); ++i) {
            const TMemoryRecordVz* rec = list->Rec(i);
            TLaid& l = laid[static_cast<size_t>(i)];
            l.Values = relay(rec, rec->Values());
            if (rec->FSide && rec->FSide->HasOld) l.Old = relay(rec, rec->FSide->Old);
            if (rec->FSide && rec->FSide->HasTmpOld) l.TmpOld = relay(rec, rec->FSide->TmpOld);
        }
    } catch (...) {
        for (TLaid& l : laid) {
            layout->FreeBlock(l.Values);
            layout->FreeBlock(l.Old);
            layout->FreeBlock(l.TmpOld);
        }
        TMTRecLayoutVz::Release(layout);
        throw;
    }
    for (int i = 0; i < list->Count(); ++i) {
        TMemoryRecordVz* rec = list->Rec(i);
        TLaid& l = laid[static_cast<size_t>(i)];
        rec->DropValues();
        if (l.Values) rec->Side().Values = l.Values;
        if (rec->FSide) {
            rec->FreeValues(rec->FSide->Old);
            rec->FSide->Old = l.Old;
            rec->FreeValues(rec->FSide->TmpOld);
            rec->FSide->TmpOld = l.TmpOld;
        }
        rec->SetLayout(layout);
    }
    ReleaseLayout();
    FLayout = layout;
}

void TMTDataStructVz::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TMTDataStructVz*>(Source);
    if (!src) {
        TComponent::Assign(Source);
        return;
    }
    BeginUpdate();
    try {
        RelayoutRecords(src);
        FreeFields();
        for (int i = 0; i < src->Count(); ++i) {
            TMTDataFieldVz* s = src->GetDataField(i);
            TMTDataFieldVz* f = CreateField(s->ClassType());
            f->Assign(s);
        }
    } catch (...) {
        EndUpdate(true);
        throw;
    }
    EndUpdate(true);
}

void TMTDataStructVz::EndUpdate(bool AStructChanged) {
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount == 0 && AStructChanged) StructChanged();
}

void TMTDataStructVz::StructChanged() {
    if (FUpdateCount > 0) return;
    if (FMemTableData) FMemTableData->DataStructChanged();
    else FStructChanged = true;
    if (OnStructChanged.Assigned()) OnStructChanged(this);
}

void TMTDataStructVz::GetChildren(const TGetChildProc& Proc, TComponent* /*Root*/) {
    for (int i = 0; i < Count(); ++i) Proc(GetDataField(i));
}

// ---- TMTDataFieldVz -----------------------------------------------------------------------------

TMTDataFieldVz::TMTDataFieldVz(TComponent* AOwner) : TComponent(AOwner), FGUID(NewGUIDText()) {}

TMTDataFieldVz::~TMTDataFieldVz() = default;

void TMTDataFieldVz::AfterConstruction() {
    TComponent::AfterConstruction();
    FVarDataType = GetVarDataType();
}

void TMTDataFieldVz::DataTypeChanged() {
    const TVarType vt = GetVarDataType();
    if (vt == FVarDataType) return;
    FVarDataType = vt;
    if (FDataStruct) FDataStruct->ReleaseLayout();
}

void TMTDataFieldVz::BeforeDestruction() {
    if (FDataStruct) {
        FDataStruct->FList->Remove(this);
        FDataStruct->ReleaseLayout();
        FDataStruct = nullptr;
    }
    TComponent::BeforeDestruction();
}

void TMTDataFieldVz::Published(TPublished<TMTDataFieldVz>& P) {
    P.String("FieldName", &TMTDataFieldVz::FieldName, &TMTDataFieldVz::SetFieldName);
    P.Boolean("Calculated", &TMTDataFieldVz::Calculated, &TMTDataFieldVz::SetCalculated);
}

int TMTDataFieldVz::Index() const { return FDataStruct ? FDataStruct->IndexOfField(this) : -1; }

void TMTDataFieldVz::SetIndex(int Value) {
    if (FDataStruct) FDataStruct->MoveField(this, Value);
}

void TMTDataFieldVz::Changed() {
    if (FDataStruct) FDataStruct->StructChanged();
}

void TMTDataFieldVz::AssignDataType(TFieldType /*FieldType*/) {
    throw Exception(QString::fromLatin1(SCantAssignDataTypeBase));
}

void TMTDataFieldVz::SetAlignment(TAlignment Value) { SetIfChanged(FAlignment, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetAutoIncrement(bool Value) { SetIfChanged(FAutoIncrement, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetCalculated(bool Value) { SetIfChanged(FCalculated, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetDefaultExpression(const String& Value) {
    SetIfChanged(FDefaultExpression, Value, [this] { Changed(); });
}
void TMTDataFieldVz::SetDisplayLabel(const String& Value) { SetIfChanged(FDisplayLabel, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetDisplayWidth(int Value) { SetIfChanged(FDisplayWidth, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetEditMask(const String& Value) { SetIfChanged(FEditMask, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetReadOnly(bool Value) { SetIfChanged(FReadOnly, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetRequired(bool Value) { SetIfChanged(FRequired, Value, [this] { Changed(); }); }
void TMTDataFieldVz::SetVisible(bool Value) { SetIfChanged(FVisible, Value, [this] { Changed(); }); }

void TMTDataFieldVz::SetSize(int Value) {
    if (!CanDinaSize()) DatabaseError(QString::fromLatin1(SInvalidFieldSize));
    SetSizeInternal(Value);
}

void TMTDataFieldVz::SetSizeInternal(int Value) { SetIfChanged(FSize, Value, [this] { Changed(); }); }

void TMTDataFieldVz::SetFieldName(const String& Value) {
    if (FFieldName == Value) return;
    if (FDataStruct && !AnsiSameText(FFieldName, Value)) FDataStruct->CheckFieldName(Value);
    FFieldName = Value;
    UpdateComponentName();
    Changed();
}

void TMTDataFieldVz::UpdateComponentName() {
    String base = FilterComponentNameChars(FFieldName);
    if (base.isEmpty() || base.at(0).isDigit()) {
        base = ClassName() + base;
        if (base.startsWith(QLatin1Char('T'))) base.remove(0, 1);
        base = FilterComponentNameChars(base);
    }
    auto taken = [this](const String& candidate) {
        if (AnsiSameText(Name(), candidate)) return true;
        if (FDataStruct)
            for (int i = 0; i < FDataStruct->Count(); ++i)
                if (AnsiSameText(FDataStruct->GetDataField(i)->Name(), candidate)) return true;
        if (TComponent* o = Owner())
            for (int i = 0; i < o->ComponentCount(); ++i)
                if (o->Components(i) != this && AnsiSameText(o->Components(i)->Name(), candidate)) return true;
        return false;
    };
    for (int i = 1;; ++i) {
        const String candidate = i == 1 ? base : base + QString::number(i);
        if (!taken(candidate)) {
            SetName(candidate);
            return;
        }
    }
}

TComponent* TMTDataFieldVz::GetParentComponent() const { return FDataStruct; }

void TMTDataFieldVz::SetParentComponent(TComponent* Value) {
    if (ComponentState().Contains(csLoading)) return;
    if (auto* s = dynamic_cast<TMTDataStructVz*>(Value)) FDataStruct = s;
}

void TMTDataFieldVz::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TMTDataFieldVz*>(Source);
    if (!src) {
        TComponent::Assign(Source);
        return;
    }
    SetFieldName(src->FieldName());
    if (CanDinaSize() && src->CanDinaSize()) SetSize(src->Size());
    SetAlignment(src->Alignment());
    SetDefaultExpression(src->DefaultExpression());
    SetDisplayLabel(src->DisplayLabel());
    SetDisplayWidth(src->DisplayWidth());
    SetEditMask(src->EditMask());
    SetReadOnly(src->ReadOnly());
    SetRequired(src->Required());
    SetVisible(src->Visible());
    SetAutoIncrement(src->AutoIncrement());
    SetCalculated(src->Calculated());
}

void TMTDataFieldVz::AssignProps(TField* Field) {
    SetAlignment(Field->Alignment());
    SetDefaultExpression(Field->DefaultExpression());
    SetDisplayLabel(Field->DisplayLabel());
    SetDisplayWidth(Field->DisplayWidth());
    SetEditMask(Field->EditMask());
    SetRequired(Field->Required());
    SetAutoIncrement(Field->AutoGenerateValue() == arAutoInc);
    if (CanDinaSize()) SetSize(Field->Size());
    SetVisible(Field->Visible());
    SetCalculated(Field->FieldKind() == fkInternalCalc);
}

void TMTDataFieldVz::AssignPropsTo(TField* Field) const {
    Field->SetAlignment(Alignment());
    Field->SetDefaultExpression(DefaultExpression());
    Field->SetDisplayLabel(DisplayLabel());
    Field->SetDisplayWidth(DisplayWidth());
    Field->SetEditMask(EditMask());
    Field->SetRequired(Required());
    if (AutoIncrement()) Field->SetAutoGenerateValue(arAutoInc);
    if (CanDinaSize()) Field->SetSize(Size());
    Field->SetVisible(Visible());
}

// ---- typed fields -------------------------------------------------------------------------------

namespace {
template <class E>
E FindSubType(TFieldType FieldType, std::initializer_list<TFieldType> Types, bool& Found) {
    int i = 0;
    for (TFieldType t : Types) {
        if (t == FieldType) {
            Found = true;
            return static_cast<E>(i);
        }
        ++i;
    }
    Found = false;
    return static_cast<E>(0);
}

constexpr std::initializer_list<TFieldType> StringTypes = {ftString, ftFixedChar, ftWideString, ftGuid, ftFixedWideChar, ftOraInterval};
constexpr std::initializer_list<TFieldType> NumericTypes = {ftSmallint, ftInteger, ftWord, ftFloat, ftCurrency,
                                                             ftBCD, ftAutoInc, ftLargeint, ftFMTBcd, ftLongWord,
                                                             ftShortint, ftByte, ftExtended, ftSingle};
constexpr std::initializer_list<TFieldType> DateTimeTypes = {ftDate, ftTime, ftDateTime};
constexpr std::initializer_list<TFieldType> InterfaceTypes = {ftInterface, ftIDispatch};
constexpr std::initializer_list<TFieldType> VariantTypes = {ftVariant, ftBytes, ftVarBytes};
constexpr std::initializer_list<TFieldType> TimeStampTypes = {ftTimeStamp, ftOraTimeStamp, ftTimeStampOffset};

template <class E>
E SubTypeOrRaise(TFieldType FieldType, std::initializer_list<TFieldType> Types) {
    bool found = false;
    E e = FindSubType<E>(FieldType, Types, found);
    if (!found) throw Exception(QString::fromLatin1(SCanNotAssignDataType));
    return e;
}

TFieldType TypeOf(int SubType, std::initializer_list<TFieldType> Types) { return *(Types.begin() + SubType); }
}  // namespace

// string
TMTStringDataFieldVz::TMTStringDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) { SetSizeInternal(20); }

TFieldType TMTStringDataFieldVz::DataType() const { return TypeOf(FStringDataType, StringTypes); }

void TMTStringDataFieldVz::AssignDataType(TFieldType FieldType) {
    SetStringDataType(SubTypeOrRaise<TStringDataFieldTypesVz>(FieldType, StringTypes));
}

void TMTStringDataFieldVz::SetStringDataType(TStringDataFieldTypesVz Value) {
    if (FStringDataType == Value) return;
    FStringDataType = Value;
    DataTypeChanged();
    if (Value == fdtGuidVz) SetSizeInternal(38);
    Changed();
}

void TMTStringDataFieldVz::SetFixedChar(bool Value) { SetIfChanged(FFixedChar, Value, [this] { Changed(); }); }
void TMTStringDataFieldVz::SetTransliterate(bool Value) { SetIfChanged(FTransliterate, Value, [this] { Changed(); }); }

void TMTStringDataFieldVz::Assign(TPersistent* Source) {
    TMTDataFieldVz::Assign(Source);
    if (auto* s = dynamic_cast<TMTStringDataFieldVz*>(Source)) {
        SetStringDataType(s->StringDataType());
        if (s->Size() != Size()) SetSizeInternal(s->Size());
        SetFixedChar(s->FixedChar());
        SetTransliterate(s->Transliterate());
    }
}

void TMTStringDataFieldVz::AssignProps(TField* Field) {
    TMTDataFieldVz::AssignProps(Field);
    if (auto* f = dynamic_cast<TStringField*>(Field)) {
        SetFixedChar(f->FixedChar());
        SetTransliterate(f->Transliterate());
    }
}

void TMTStringDataFieldVz::AssignPropsTo(TField* Field) const {
    TMTDataFieldVz::AssignPropsTo(Field);
    if (auto* f = dynamic_cast<TStringField*>(Field)) {
        f->SetFixedChar(FixedChar());
        f->SetTransliterate(Transliterate());
    }
}

// numeric
TMTNumericDataFieldVz::TMTNumericDataFieldVz(TComponent* AOwner) : TMTDataFieldVz(AOwner) { SetAlignment(taRightJustify); }

TFieldType TMTNumericDataFieldVz::DataType() const { return TypeOf(FNumericDataType, NumericTypes); }

int TMTNumericDataFieldVz::GetDefaultWidth() const {
    if (FNumericDataType == fdtLargeintVz) return 15;
    if (IsBCD() && FPrecision > 0) return FPrecision + 1;
    return 10;
}

void TMTNumericDataFieldVz::AssignDataType(TFieldType FieldType) {
    SetNumericDataType(SubTypeOrRaise<TNumericDataFieldTypesVz>(FieldType, NumericTypes));
}

void TMTNumericDataFieldVz::SetNumericDataType(TNumericDataFieldTypesVz Value) {
    if (FNumericDataType == Value) return;
    FNumericDataType = Value;
    DataTypeChanged();
    if (IsBCD() && Size() == 0) SetSizeInternal(4);
    Changed();
}

void TMTNumericDataFieldVz::SetDisplayFormat(const String& Value) { SetIfChanged(FDisplayFormat, Value, [this] { Changed(); }); }
void TMTNumericDataFieldVz::SetEditFormat(const String& Value) { SetIfChanged(FEditFormat, Value, [this] { Changed(); }); }
void TMTNumericDataFieldVz::Setcurrency(bool Value) { SetIfChanged(FCurrency, Value, [this] { Changed(); }); }
void TMTNumericDataFieldVz::SetPrecision(int Value) { SetIfChanged(FPrecision, Value, [this] { Changed(); }); }
void TMTNumericDataFieldVz::SetMaxValue(double Value) {
    if (SameDouble(FMaxValue, Value)) return;
    FMaxValue = Value;
    Changed();
}
void TMTNumericDataFieldVz::SetMinValue(double Value) {
    if (SameDouble(FMinValue, Value)) return;
    FMinValue = Value;
    Changed();
}

void TMTNumericDataFieldVz::Assign(TPersistent* Source) {
    TMTDataFieldVz::Assign(Source);
    if (auto* s = dynamic_cast<TMTNumericDataFieldVz*>(Source)) {
        SetNumericDataType(s->NumericDataType());
        SetDisplayFormat(s->DisplayFormat());
        SetEditFormat(s->EditFormat());
        Setcurrency(s->currency());
        SetMaxValue(s->MaxValue());
        SetMinValue(s->MinValue());
        SetPrecision(s->Precision());
        if (CanDinaSize()) SetScale(s->Scale());
    }
}

void TMTNumericDataFieldVz::AssignProps(TField* Field) {
    TMTDataFieldVz::AssignProps(Field);
    auto* nf = dynamic_cast<TNumericField*>(Field);
    if (!nf) return;
    SetDisplayFormat(nf->DisplayFormat());
    SetEditFormat(nf->EditFormat());
    if (auto* f = dynamic_cast<TIntegerField*>(Field)) {
        SetMaxValue(static_cast<double>(f->MaxValue()));
        SetMinValue(static_cast<double>(f->MinValue()));
    } else if (auto* f = dynamic_cast<TFloatField*>(Field)) {
        Setcurrency(f->Currency());
        SetMaxValue(f->MaxValue());
        SetMinValue(f->MinValue());
        SetPrecision(f->Precision());
    } else if (auto* f = dynamic_cast<TBCDField*>(Field)) {
        Setcurrency(f->Currency());
        SetMaxValue(static_cast<double>(f->MaxValue().Raw()) / 10000.0);
        SetMinValue(static_cast<double>(f->MinValue().Raw()) / 10000.0);
        SetPrecision(f->Precision());
        if (CanDinaSize()) SetScale(f->Size());
    } else if (auto* f = dynamic_cast<TFMTBCDField*>(Field)) {
        Setcurrency(f->Currency());
        SetPrecision(f->Precision());
        if (CanDinaSize()) SetScale(f->Size());
    }
}

void TMTNumericDataFieldVz::AssignPropsTo(TField* Field) const {
    TMTDataFieldVz::AssignPropsTo(Field);
    auto* nf = dynamic_cast<TNumericField*>(Field);
    if (!nf) return;
    nf->SetDisplayFormat(DisplayFormat());
    nf->SetEditFormat(EditFormat());
    if (auto* f = dynamic_cast<TIntegerField*>(Field)) {
        f->SetMaxValue(static_cast<Int64>(std::llround(MaxValue())));
        f->SetMinValue(static_cast<Int64>(std::llround(MinValue())));
    } else if (auto* f = dynamic_cast<TFloatField*>(Field)) {
        f->SetCurrency(currency());
        f->SetMaxValue(MaxValue());
        f->SetMinValue(MinValue());
        f->SetPrecision(Precision());
    } else if (auto* f = dynamic_cast<TBCDField*>(Field)) {
        f->SetCurrency(currency());
        f->SetMaxValue(::Currency::FromRaw(std::llround(MaxValue() * 10000.0)));
        f->SetMinValue(::Currency::FromRaw(std::llround(MinValue() * 10000.0)));
        f->SetPrecision(Precision());
    } else if (auto* f = dynamic_cast<TFMTBCDField*>(Field)) {
        f->SetCurrency(currency());
        f->SetPrecision(Precision());
    }
}

// date and time
TFieldType TMTDateTimeDataFieldVz::DataType() const { return TypeOf(FDateTimeDataType, DateTimeTypes); }

void TMTDateTimeDataFieldVz::AssignDataType(TFieldType FieldType) {
    SetDateTimeDataType(SubTypeOrRaise<TDateTimeDataFieldTypesVz>(FieldType, DateTimeTypes));
}

void TMTDateTimeDataFieldVz::SetDateTimeDataType(TDateTimeDataFieldTypesVz Value) {
    if (FDateTimeDataType == Value) return;
    FDateTimeDataType = Value;
    DataTypeChanged();
    Changed();
}

void TMTDateTimeDataFieldVz::SetDisplayFormat(const String& Value) { SetIfChanged(FDisplayFormat, Value, [this] { Changed(); }); }

void TMTDateTimeDataFieldVz::Assign(TPersistent* Source) {
    TMTDataFieldVz::Assign(Source);
    if (auto* s = dynamic_cast<TMTDateTimeDataFieldVz*>(Source)) {
        SetDateTimeDataType(s->DateTimeDataType());
        SetDisplayFormat(s->DisplayFormat());
    }
}

void TMTDateTimeDataFieldVz::AssignProps(TField* Field) {
    TMTDataFieldVz::AssignProps(Field);
    if (auto* f = dynamic_cast<TDateTimeField*>(Field)) SetDisplayFormat(f->DisplayFormat());
}

void TMTDateTimeDataFieldVz::AssignPropsTo(TField* Field) const {
    TMTDataFieldVz::AssignPropsTo(Field);
    if (auto* f = dynamic_cast<TDateTimeField*>(Field)) f->SetDisplayFormat(DisplayFormat());
}

// Boolean
int TMTBooleanDataFieldVz::GetDefaultWidth() const {
    const int t = static_cast<int>(QStringLiteral("True").size());
    const int f = static_cast<int>(QStringLiteral("False").size());
    return t > f ? t : f;
}

void TMTBooleanDataFieldVz::AssignDataType(TFieldType FieldType) {
    if (FieldType != ftBoolean) throw Exception(QString::fromLatin1(SCanNotAssignDataType));
}

void TMTBooleanDataFieldVz::SetDisplayValues(const String& Value) { SetIfChanged(FDisplayValues, Value, [this] { Changed(); }); }

void TMTBooleanDataFieldVz::Assign(TPersistent* Source) {
    TMTDataFieldVz::Assign(Source);
    if (auto* s = dynamic_cast<TMTBooleanDataFieldVz*>(Source)) SetDisplayValues(s->DisplayValues());
}

void TMTBooleanDataFieldVz::AssignProps(TField* Field) {
    TMTDataFieldVz::AssignProps(Field);
    if (auto* f = dynamic_cast<TBooleanField*>(Field)) SetDisplayValues(f->DisplayValues());
}

void TMTBooleanDataFieldVz::AssignPropsTo(TField* Field) const {
    TMTDataFieldVz::AssignPropsTo(Field);
    if (auto* f = dynamic_cast<TBooleanField*>(Field); f && !DisplayValues().isEmpty()) f->SetDisplayValues(DisplayValues());
}

// blob
void TMTBlobDataFieldVz::AssignDataType(TFieldType FieldType) {
    if (FieldType > 14 && FieldType < 40) SetBlobType(FieldType);
}

void TMTBlobDataFieldVz::SetBlobType(TFieldType Value) {
    if (FBlobType == Value) return;
    FBlobType = Value;
    DataTypeChanged();
    Changed();
}

void TMTBlobDataFieldVz::SetGraphicHeader(bool Value) { SetIfChanged(FGraphicHeader, Value, [this] { Changed(); }); }
void TMTBlobDataFieldVz::SetTransliterate(bool Value) { SetIfChanged(FTransliterate, Value, [this] { Changed(); }); }

void TMTBlobDataFieldVz::Assign(TPersistent* Source) {
    TMTDataFieldVz::Assign(Source);
    if (auto* s = dynamic_cast<TMTBlobDataFieldVz*>(Source)) {
        SetBlobType(s->BlobType());
        SetGraphicHeader(s->GraphicHeader());
        SetTransliterate(s->Transliterate());
    }
}

void TMTBlobDataFieldVz::AssignProps(TField* Field) {
    TMTDataFieldVz::AssignProps(Field);
    if (auto* f = dynamic_cast<TBlobField*>(Field)) {
        SetBlobType(f->BlobType());
    }
}

void TMTBlobDataFieldVz::AssignPropsTo(TField* Field) const {
    TMTDataFieldVz::AssignPropsTo(Field);
    if (auto* f = dynamic_cast<TBlobField*>(Field)) {
        f->SetBlobType(BlobType());
    }
}

// interface
void TMTInterfaceDataFieldVz::AssignDataType(TFieldType FieldType) {
    SetInterfaceDataType(SubTypeOrRaise<TInterfaceDataFieldTypesVz>(FieldType, InterfaceTypes));
}

void TMTInterfaceDataFieldVz::SetInterfaceDataType(TInterfaceDataFieldTypesVz Value) {
    if (FInterfaceDataType == Value) return;
    FInterfaceDataType = Value;
    DataTypeChanged();
    Changed();
}

void TMTInterfaceDataFieldVz::Assign(TPersistent* Source) {
    TMTDataFieldVz::Assign(Source);
    if (auto* s = dynamic_cast<TMTInterfaceDataFieldVz*>(Source)) SetInterfaceDataType(s->InterfaceDataType());
}

// variant
TFieldType TMTVariantDataFieldVz::DataType() const { return TypeOf(FVariantDataType, VariantTypes); }

void TMTVariantDataFieldVz::AssignDataType(TFieldType FieldType) {
    SetVariantDataType(SubTypeOrRaise<TVariantDataFieldTypesVz>(FieldType, VariantTypes));
}

void TMTVariantDataFieldVz::SetVariantDataType(TVariantDataFieldTypesVz Value) {
    if (FVariantDataType == Value) return;
    FVariantDataType = Value;
    DataTypeChanged();
    Changed();
}

void TMTVariantDataFieldVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TMTVariantDataFieldVz*>(Source)) SetVariantDataType(s->VariantDataType());
    TMTDataFieldVz::Assign(Source);
}

// object reference
void TMTRefObjectFieldVz::AssignDataType(TFieldType FieldType) {
    if (FieldType != ftUnknown) throw Exception(QString::fromLatin1(SCanNotAssignDataType));
}

// SQL time stamp
TFieldType TMTSQLTimeStampDataFieldVz::DataType() const { return TypeOf(FSQLTimeStampDataFieldType, TimeStampTypes); }

void TMTSQLTimeStampDataFieldVz::AssignDataType(TFieldType FieldType) {
    SetSQLTimeStampDataFieldType(SubTypeOrRaise<TSQLTimeStampDataFieldTypesVz>(FieldType, TimeStampTypes));
}

void TMTSQLTimeStampDataFieldVz::SetSQLTimeStampDataFieldType(TSQLTimeStampDataFieldTypesVz Value) {
    if (FSQLTimeStampDataFieldType == Value) return;
    FSQLTimeStampDataFieldType = Value;
    DataTypeChanged();
    Changed();
}

void TMTSQLTimeStampDataFieldVz::SetDisplayFormat(const String& Value) {
    SetIfChanged(FDisplayFormat, Value, [this] { Changed(); });
}

void TMTSQLTimeStampDataFieldVz::Assign(TPersistent* Source) {
    TMTDataFieldVz::Assign(Source);
    if (auto* s = dynamic_cast<TMTSQLTimeStampDataFieldVz*>(Source)) {
        SetSQLTimeStampDataFieldType(s->SQLTimeStampDataFieldType());
        SetDisplayFormat(s->DisplayFormat());
    }
}

void TMTSQLTimeStampDataFieldVz::AssignProps(TField* Field) {
    TMTDataFieldVz::AssignProps(Field);
    if (auto* f = dynamic_cast<TSQLTimeStampField*>(Field)) SetDisplayFormat(f->DisplayFormat());
}

void TMTSQLTimeStampDataFieldVz::AssignPropsTo(TField* Field) const {
    TMTDataFieldVz::AssignPropsTo(Field);
    if (auto* f = dynamic_cast<TSQLTimeStampField*>(Field)) f->SetDisplayFormat(DisplayFormat());
}

// ---- TMemoryRecordVz ----------------------------------------------------------------------------

namespace {
const char* const SOldValuesNotAccessible = "TMemoryRecordVz.GetDataValues: Old values is not accessible.";
const char* const SEditValuesNotAccessible = "TMemoryRecordVz.GetDataValues: Edit values is not accessible.";
const char* const SEditForRefreshInEdit = "procedure TMemoryRecordVz.EditForRefresh: The MemoryRecord is in resEditVz state.";
const char* const SNotEditing = "Dataset not in edit or insert mode";
const char* const SRecordsListNotSame = "Record.RecordsList is not the same.";
const char* const SAlreadyAttached = "The record is already attached to RecordsList.";
const char* const SCantMarkDelDeleted = "Can't MarkDel the Deleted record";
const char* const SRangeDeleteCached = "Delete a range of record in CachedUpdates mode is not supported";
}  // namespace

// The header of every stored record: six words, before its value block in one pooled piece.
static_assert(sizeof(TMemoryRecordVz) <= 6 * sizeof(void*));
static_assert(sizeof(TMemoryRecordVz) % alignof(Int64) == 0);  // the carried value block follows aligned

void* TMemoryRecordVz::operator new(std::size_t Size, TInlineValuesVz, const TMTRecLayoutVz* Layout) {
    if (!Layout->Pool) Layout->Pool = new TMTRecPoolVz(Size + Layout->Size);
    assert(Layout->Pool->PieceSize() >= Size + Layout->Size);
    return Layout->Pool->Take();
}

void TMemoryRecordVz::operator delete(void* P, TInlineValuesVz, const TMTRecLayoutVz* Layout) { Layout->Pool->Give(P); }

void TMemoryRecordVz::operator delete(TMemoryRecordVz* P, std::destroying_delete_t) {
    // The pool is found before the record goes (its layout and side part go with it); the pool
    // itself stays while the piece is out.
    TMTRecPoolVz* pool = nullptr;
    if (P->FPooled) pool = P->FSide && P->FSide->PiecePool ? P->FSide->PiecePool : P->FLayout->Pool;
    P->~TMemoryRecordVz();
    if (pool) pool->Give(P);
    else ::operator delete(P);
}

TMemoryRecordVz::~TMemoryRecordVz() {
    DropValues();
    if (FSide) {
        FreeValues(FSide->Old);
        FreeValues(FSide->TmpOld);
        FreeAndNil(FSide->UpdateError);
        delete FSide;
    }
    TMTRecLayoutVz::Release(FLayout);
}

void TMemoryRecordVz::FreeValues(std::byte*& B) {
    if (FLayout) FLayout->FreeBlock(B);
    B = nullptr;
}

std::byte* TMemoryRecordVz::SideValues() const { return FSide ? FSide->Values : nullptr; }

void TMemoryRecordVz::DropValues() {
    if (FInlineValues) {
        FLayout->ClearBlock(InlineValues());
        FInlineValues = false;
    } else if (FSide) {
        FreeValues(FSide->Values);
    }
}

void TMemoryRecordVz::SetLayout(const TMTRecLayoutVz* Layout) {
    if (Layout == FLayout) return;
    // A record that leaves the layout it was made with keeps its piece: the side part keeps
    // the piece's pool.
    if (FPooled && FLayout && !(FSide && FSide->PiecePool)) Side().PiecePool = FLayout->Pool;
    if (Layout) Layout->AddRef();
    TMTRecLayoutVz::Release(FLayout);
    FLayout = Layout;
}

TMTDataStructVz* TMemoryRecordVz::DataStruct() const { return FLayout ? FLayout->Struct : nullptr; }

TRecordsListVz* TMemoryRecordVz::RecordsList() const { return FLayout ? FLayout->List : nullptr; }

int TMemoryRecordVz::ValueCount() const { return FLayout ? FLayout->Count() : 0; }

TMemoryRecordVz::TSideVz& TMemoryRecordVz::Side() {
    if (!FSide) FSide = new TSideVz;
    return *FSide;
}

void TMemoryRecordVz::TrimSide() {
    if (FSide && !FSide->Values && !FSide->HasOld && !FSide->HasTmpOld && !FSide->UpdateError && FSide->UpdateIndex < 0 &&
        !FSide->PiecePool) {
        delete FSide;
        FSide = nullptr;
    }
}

bool TMemoryRecordVz::HasOldData() const { return FSide && FSide->HasOld; }

TUpdateErrorVz* TMemoryRecordVz::UpdateError() const { return FSide ? FSide->UpdateError : nullptr; }

void TMemoryRecordVz::SetUpdateError(TUpdateErrorVz* Value) {
    if (UpdateError() == Value) return;
    if (FSide) FreeAndNil(FSide->UpdateError);
    if (Value) Side().UpdateError = Value;
    TrimSide();
}

int TMemoryRecordVz::UpdateIndex() const { return FSide ? FSide->UpdateIndex : -1; }

void TMemoryRecordVz::SetUpdateIndex(int Value) {
    if (Value < 0 && !FSide) return;
    Side().UpdateIndex = Value < 0 ? -1 : Value;
    TrimSide();
}

void TMemoryRecordVz::KeepOldData() {
    std::byte* copy = FLayout ? FLayout->CopyBlock(Values()) : nullptr;
    TSideVz& side = Side();
    FreeValues(side.Old);
    side.Old = copy;
    side.HasOld = true;
}

void TMemoryRecordVz::RestoreOldData() {
    if (FSide && FSide->HasOld && FLayout && FSide->Old) FLayout->SwapBlocks(Values(), FSide->Old);
    DropOldData();
}

void TMemoryRecordVz::DropOldData() {
    if (!FSide) return;
    FreeValues(FSide->Old);
    FSide->Old = nullptr;
    FSide->HasOld = false;
    TrimSide();
}

TRecDataValues TMemoryRecordVz::OldData() const {
    TRecDataValues r;
    if (!HasOldData()) return r;
    r.reserve(static_cast<size_t>(ValueCount()));
    for (int i = 0; i < ValueCount(); ++i) r.push_back(FLayout->Get(FSide->Old, i));
    return r;
}

void TMemoryRecordVz::CheckValueIndex(int FieldIndex) const {
    if (FieldIndex < 0 || FieldIndex >= ValueCount()) ListIndexError(FieldIndex);
}

Variant TMemoryRecordVz::Value(int FieldIndex) const {
    CheckValueIndex(FieldIndex);
    return FLayout->Get(Values(), FieldIndex);
}

TMTValueClassVz TMemoryRecordVz::ValueClass(int FieldIndex, TVarType& VarType) const {
    CheckValueIndex(FieldIndex);
    return FLayout->Class(Values(), FieldIndex, VarType);
}

Int64 TMemoryRecordVz::IntValue(int FieldIndex) const {
    CheckValueIndex(FieldIndex);
    return FLayout->GetInt(Values(), FieldIndex);
}

TMTValueClassVz TMemoryRecordVz::NumberValue(int FieldIndex, TVarType& VarType, Int64& Int, double& Float) const {
    CheckValueIndex(FieldIndex);
    const std::byte* values = Values();
    const TMTValueClassVz cls = FLayout->Class(values, FieldIndex, VarType);
    switch (cls) {
    case mvcIntegerVz: case mvcCurrencyVz: case mvcBooleanVz: Int = FLayout->GetInt(values, FieldIndex); break;
    case mvcFloatVz: case mvcDateVz: Float = FLayout->GetFloat(values, FieldIndex); break;
    default: break;
    }
    return cls;
}

double TMemoryRecordVz::FloatValue(int FieldIndex) const {
    CheckValueIndex(FieldIndex);
    return FLayout->GetFloat(Values(), FieldIndex);
}

const String& TMemoryRecordVz::TextValue(int FieldIndex) const {
    CheckValueIndex(FieldIndex);
    return FLayout->GetText(Values(), FieldIndex);
}

Variant TMemoryRecordVz::OldValue(int FieldIndex) const {
    if (!HasOldData()) throw Exception(QString::fromLatin1(SOldValuesNotAccessible));
    CheckValueIndex(FieldIndex);
    return FLayout->Get(FSide->Old, FieldIndex);
}

void TMemoryRecordVz::StoreValue(int FieldIndex, const Variant& Value) {
    CheckValueIndex(FieldIndex);
    FLayout->PutCast(Values(), FieldIndex, Value);
}

const std::byte* TMemoryRecordVz::ReadValues(TDataValueVersionVz Version) const {
    const std::byte* cur = Values();
    const std::byte* old = FSide ? FSide->Old : nullptr;
    const std::byte* tmp = FSide ? FSide->TmpOld : nullptr;
    const bool hasOld = FSide && FSide->HasOld, hasTmp = FSide && FSide->HasTmpOld;
    switch (Version) {
        case dvvOldValueVz:
            if (!hasOld) throw Exception(QString::fromLatin1(SOldValuesNotAccessible));
            return old;
        case dvvCurValueVz: return hasTmp ? tmp : cur;
        case dvvEditValueVz:
            if (FEditState == resBrowseVz) throw Exception(QString::fromLatin1(SEditValuesNotAccessible));
            return cur;
        case dvvValueVz: return cur;
        case dvvOldestValue:
            if (hasOld) return old;
            return hasTmp ? tmp : cur;
        case dvvRefreshValue: return hasOld ? old : cur;
    }
    return cur;
}

Variant TMemoryRecordVz::GetDataValue(int FieldIndex, TDataValueVersionVz DataValueVersion) const {
    const std::byte* v = ReadValues(DataValueVersion);
    CheckValueIndex(FieldIndex);
    return FLayout->Get(v, FieldIndex);
}

// The typed writes run in place: a check, a compare and a store, with the Variant made only on the
// way to a cast.
[[gnu::always_inline]] inline std::byte* TMemoryRecordVz::WriteValues(int FieldIndex) const {
    if (!FLayout || static_cast<size_t>(FieldIndex) >= FLayout->Slots.size()) [[unlikely]]
        ListIndexError(FieldIndex);
    return FInlineValues ? InlineValues() : FSide ? FSide->Values : nullptr;
}

void TMemoryRecordVz::SetDataValue(int FieldIndex, TDataValueVersionVz DataValueVersion, const Variant& Value) {
    // The stored values (what a fetch writes) straight, a value of a typed kind as the typed
    // writes store it; the other versions as ReadValues says.
    if (DataValueVersion == dvvValueVz) [[likely]] {
        std::byte* v = WriteValues(FieldIndex);
        if (!FLayout->PutKnown(v, FieldIndex, Value)) FLayout->PutCast(v, FieldIndex, Value);
        return;
    }
    auto* v = const_cast<std::byte*>(ReadValues(DataValueVersion));
    CheckValueIndex(FieldIndex);
    FLayout->PutCast(v, FieldIndex, Value);
}

void TMemoryRecordVz::SetDataValue(int FieldIndex, TDataValueVersionVz DataValueVersion, Variant&& Value) {
    if (DataValueVersion == dvvValueVz) [[likely]] {
        std::byte* v = WriteValues(FieldIndex);
        if (!FLayout->PutKnown(v, FieldIndex, std::move(Value))) FLayout->PutCast(v, FieldIndex, std::move(Value));
        return;
    }
    auto* v = const_cast<std::byte*>(ReadValues(DataValueVersion));
    CheckValueIndex(FieldIndex);
    FLayout->PutCast(v, FieldIndex, std::move(Value));
}

template <class V, class T>
[[gnu::noinline, gnu::cold]] void TMemoryRecordVz::StoreAsVariant(int FieldIndex, T Value) {
    if constexpr (std::is_same_v<V, TDateTime>) FLayout->PutCast(Values(), FieldIndex, VarFromDateTime(Value));
    else FLayout->PutCast(Values(), FieldIndex, Variant(std::move(Value)));
}

void TMemoryRecordVz::SetIntegerValue(int FieldIndex, int Value) {
    if (!FLayout->PutInteger(WriteValues(FieldIndex), FieldIndex, Value)) [[unlikely]]
        StoreAsVariant<Variant>(FieldIndex, Value);
}

void TMemoryRecordVz::SetLargeIntValue(int FieldIndex, Int64 Value) {
    if (!FLayout->PutLargeInt(WriteValues(FieldIndex), FieldIndex, Value)) [[unlikely]]
        StoreAsVariant<Variant>(FieldIndex, static_cast<long long>(Value));
}

void TMemoryRecordVz::SetFloatValue(int FieldIndex, double Value) {
    if (!FLayout->PutFloat(WriteValues(FieldIndex), FieldIndex, Value, false)) [[unlikely]]
        StoreAsVariant<Variant>(FieldIndex, Value);
}

void TMemoryRecordVz::SetDateTimeValue(int FieldIndex, TDateTime Value) {
    if (!FLayout->PutFloat(WriteValues(FieldIndex), FieldIndex, Value, true)) [[unlikely]]
        StoreAsVariant<TDateTime>(FieldIndex, Value);
}

void TMemoryRecordVz::SetCurrencyValue(int FieldIndex, Currency Value) {
    if (!FLayout->PutCurrency(WriteValues(FieldIndex), FieldIndex, Value)) [[unlikely]]
        StoreAsVariant<Variant>(FieldIndex, Value);
}

void TMemoryRecordVz::SetBooleanValue(int FieldIndex, bool Value) {
    if (!FLayout->PutBoolean(WriteValues(FieldIndex), FieldIndex, Value)) [[unlikely]]
        StoreAsVariant<Variant>(FieldIndex, Value);
}

void TMemoryRecordVz::SetTextValue(int FieldIndex, String Value) {
    if (!FLayout->PutText(WriteValues(FieldIndex), FieldIndex, Value)) [[unlikely]]
        StoreAsVariant<Variant, String&&>(FieldIndex, std::move(Value));
}

void TMemoryRecordVz::SetNullValue(int FieldIndex) { FLayout->PutNull(WriteValues(FieldIndex), FieldIndex); }

void TMemoryRecordVz::SetFieldValue(int FieldIndex, const TField* Field) {
    // How the field's AsVariant makes its value from the dataset's (read by GetData): the
    // framework's classes are known; any other class answers through its own AsVariant.
    enum THow : unsigned char { asIs, asText, asFloat, asCurrency, asBoolean, asDate, asVariant };
    static const std::pair<TClass, THow> known[] = {
        {TIntegerField::StaticClass(), asIs},      {TWideStringField::StaticClass(), asText},
        {TFloatField::StaticClass(), asFloat},     {TDateTimeField::StaticClass(), asDate},
        {TDateField::StaticClass(), asDate},       {TBCDField::StaticClass(), asCurrency},
        {TBooleanField::StaticClass(), asBoolean}, {TStringField::StaticClass(), asText},
        {TLargeintField::StaticClass(), asIs},     {TAutoIncField::StaticClass(), asIs},
        {TSmallintField::StaticClass(), asIs},     {TWordField::StaticClass(), asIs},
        {TLongWordField::StaticClass(), asIs},     {TShortintField::StaticClass(), asIs},
        {TByteField::StaticClass(), asIs},         {TCurrencyField::StaticClass(), asFloat},
        {TExtendedField::StaticClass(), asFloat},  {TSingleField::StaticClass(), asFloat},
        {TTimeField::StaticClass(), asDate},       {TGuidField::StaticClass(), asText},
    };
    const TClass c = Field->ClassType();
    THow how = asVariant;
    for (const auto& [cls, h] : known)
        if (cls == c) {
            how = h;
            break;
        }
    if (how == asVariant) {
        SetDataValue(FieldIndex, dvvValueVz, Field->AsVariant());
        return;
    }
    Variant v;
    if (!Field->GetData(v)) {
        SetNullValue(FieldIndex);
        return;
    }
    switch (how) {
        case asIs: SetDataValue(FieldIndex, dvvValueVz, std::move(v)); break;  // typed kinds go the typed way
        case asText: SetTextValue(FieldIndex, v.VType() == varUString ? std::move(v).AsString() : VarToStr(v)); break;
        case asFloat: SetFloatValue(FieldIndex, v.AsDouble()); break;
        case asCurrency: SetCurrencyValue(FieldIndex, v.AsCurrency()); break;
        case asBoolean: SetBooleanValue(FieldIndex, v.AsBoolean()); break;
        case asDate: SetDateTimeValue(FieldIndex, v.AsDateTime()); break;
        case asVariant: break;
    }
}

Variant TMemoryRecordVz::GetDataValues(const String& FieldNames, TDataValueVersionVz DataValueVersion) const {
    if (DataValueVersion == dvvOldValueVz && !HasOldData()) throw Exception(QString::fromLatin1(SOldValuesNotAccessible));
    if (FieldNames.contains(QLatin1Char(';'))) {
        std::vector<TMTDataFieldVz*> fields;
        DataStruct()->GetFieldList(&fields, FieldNames);
        Variant r = VarArrayCreate({0, static_cast<int>(fields.size()) - 1}, varVariant);
        for (size_t i = 0; i < fields.size(); ++i)
            r.PutElement(static_cast<int>(i), GetDataValue(fields[i]->Index(), DataValueVersion));
        return r;
    }
    const int i = DataStruct()->FieldIndex(FieldNames);
    if (i < 0) DatabaseErrorFmt(QString::fromLatin1(DbConsts::SFieldNotFound), {FieldNames});
    return GetDataValue(i, DataValueVersion);
}

void TMemoryRecordVz::SetDataValues(const String& FieldNames, TDataValueVersionVz DataValueVersion,
                                    const Variant& VarValue) {
    if (FieldNames.contains(QLatin1Char(';'))) {
        std::vector<TMTDataFieldVz*> fields;
        DataStruct()->GetFieldList(&fields, FieldNames);
        for (size_t i = 0; i < fields.size(); ++i)
            SetDataValue(fields[i]->Index(), DataValueVersion, VarValue.GetElement(static_cast<int>(i)));
        return;
    }
    SetDataValue(DataStruct()->FieldIndex(FieldNames), DataValueVersion, VarValue);
}

Variant TMemoryRecordVz::GetDataIndexValues(const TIntArrayVz& FieldIndexes, TDataValueVersionVz DataValueVersion) const {
    if (FieldIndexes.empty()) return Variant(String());
    if (FieldIndexes.size() == 1) return GetDataValue(FieldIndexes[0], DataValueVersion);
    Variant r = VarArrayCreate({0, static_cast<int>(FieldIndexes.size()) - 1}, varVariant);
    for (size_t i = 0; i < FieldIndexes.size(); ++i)
        r.PutElement(static_cast<int>(i), GetDataValue(FieldIndexes[i], DataValueVersion));
    return r;
}

void TMemoryRecordVz::SetDataIndexValues(const TIntArrayVz& FieldIndexes, TDataValueVersionVz DataValueVersion,
                                         const Variant& VarValue) {
    if (FieldIndexes.empty()) ListIndexError(0);
    if (FieldIndexes.size() < 2) {
        SetDataValue(FieldIndexes[0], DataValueVersion, VarValue);
        return;
    }
    for (size_t i = 0; i < FieldIndexes.size(); ++i)
        SetDataValue(FieldIndexes[i], DataValueVersion, VarValue.GetElement(static_cast<int>(i)));
}

void TMemoryRecordVz::Edit() {
    if (FEditState != resBrowseVz) return;
    std::byte* copy = FLayout ? FLayout->CopyBlock(Values()) : nullptr;
    TSideVz& side = Side();
    FreeValues(side.TmpOld);
    side.TmpOld = copy;
    side.HasTmpOld = true;
    FEditState = resEditVz;
}

void TMemoryRecordVz::EditForRefresh() {
    if (FEditState == resEditVz || FEditState == resInsertVz) throw Exception(QString::fromLatin1(SEditForRefreshInEdit));
    FEditState = resEditForRefresh;
}

void TMemoryRecordVz::DropTmpOldData() {
    if (!FSide) return;
    FreeValues(FSide->TmpOld);
    FSide->TmpOld = nullptr;
    FSide->HasTmpOld = false;
    TrimSide();
}

void TMemoryRecordVz::Post() {
    TRecordsListVz* list = RecordsList();
    switch (FEditState) {
        case resInsertVz: list->AddRecord(this); return;
        case resEditVz: {
            list->Notify(this, Index(), rlnRecChangingVz);
            if (list->CachedUpdates()) {
                if (FUpdateStatus == usUnmodified) FUpdateStatus = usModified;
                if (UpdateIndex() < 0) list->AppendToChangeLog(this);
                if (FUpdateStatus == usModified && !HasOldData()) {
                    // The values from before the edit become the old values.
                    TSideVz& side = Side();
                    if (side.HasTmpOld) {
                        side.Old = side.TmpOld;
                        side.TmpOld = nullptr;
                        side.HasTmpOld = false;
                    } else {
                        side.Old = FLayout ? FLayout->NewBlock() : nullptr;
                    }
                    side.HasOld = true;
                }
            }
            DropTmpOldData();
            FEditState = resBrowseVz;
            list->Notify(this, Index(), rlnRecChangedVz);
            return;
        }
        case resEditForRefresh:
            FEditState = resBrowseVz;
            list->Notify(this, Index(), rlnRecChangedVz);
            return;
        default: DatabaseError(QString::fromLatin1(SNotEditing));
    }
}

void TMemoryRecordVz::Cancel() {
    if (FEditState == resBrowseVz) DatabaseError(QString::fromLatin1(SNotEditing));
    if (FEditState == resInsertVz) {
        Free();
        return;
    }
    if (FSide && FSide->HasTmpOld && FLayout && FSide->TmpOld) FLayout->SwapBlocks(Values(), FSide->TmpOld);
    DropTmpOldData();
    FEditState = resBrowseVz;
}

void TMemoryRecordVz::LeaveChangeLog() {
    const int ui = UpdateIndex();
    TRecordsListVz* list = RecordsList();
    if (ui >= 0 && list && ui < list->FDeltaList->Count() && list->FDeltaList->Items(ui) == this)
        list->FDeltaList->SetItems(ui, nullptr);
    SetUpdateIndex(-1);
}

void TMemoryRecordVz::DoMergeChanges(bool Immediate) {
    if (FUpdateStatus == usUnmodified) return;
    if (FUpdateStatus == usDeleted) {
        TRecordsListVz* list = RecordsList();
        if (Immediate) {
            list->PersistRemoveRecord(Index());
        } else {
            const int idx = Index();
            list->Notify(this, idx, rlnRecDeletingVz);
            list->FDeletedList->Add(this);
            list->FRecList->SetItems(idx, nullptr);
            FIndex = -1;
            list->Notify(this, idx, rlnRecDeletedVz);
        }
    }
    DropOldData();
    FUpdateStatus = usUnmodified;
    LeaveChangeLog();
    SetUpdateError(nullptr);
}

void TMemoryRecordVz::MergeChanges() { DoMergeChanges(true); }
void TMemoryRecordVz::MergeChangesDeferred() { DoMergeChanges(false); }

void TMemoryRecordVz::RevertRecord() {
    if (FUpdateStatus == usModified || FUpdateStatus == usDeleted) {
        TRecordsListVz* list = RecordsList();
        list->Notify(this, Index(), rlnRecChangingVz);
        RestoreOldData();
        FUpdateStatus = usUnmodified;
        list->Notify(this, Index(), rlnRecChangedVz);
    }
    SetUpdateError(nullptr);
}

void TMemoryRecordVz::RefreshRecord(TMemoryRecordVz* FromRec) {
    std::byte* target = FUpdateStatus == usModified && HasOldData() ? FSide->Old : Values();
    if (!FLayout || !target) return;
    if (FromRec->FLayout == FLayout) {
        // Same layout: the block is copied whole (a failure cannot leave half of it).
        std::byte* copy = FLayout->CopyBlock(FromRec->Values());
        FLayout->SwapBlocks(target, copy);
        FLayout->FreeBlock(copy);
        return;
    }
    std::byte* copy = FLayout->CopyBlock(target);
    try {
        for (int i = 0; i < ValueCount(); ++i)
            FLayout->PutCast(copy, i, i < FromRec->ValueCount() ? FromRec->Value(i) : Null());
    } catch (...) {
        FLayout->FreeBlock(copy);
        throw;
    }
    FLayout->SwapBlocks(target, copy);
    FLayout->FreeBlock(copy);
}

// ---- TRecordsListVz -----------------------------------------------------------------------------

TRecordsListVz::TRecordsListVz(TComponent* AOwner) : TComponent(AOwner) {
    if (AOwner && !AOwner->InheritsFrom(TMemTableDataVz::StaticClass())) throw Exception(AOwner->ClassName());
    FMemTableData = static_cast<TMemTableDataVz*>(AOwner);
    FIndexes = New<TMTIndexesVz>(this);
}

TRecordsListVz::~TRecordsListVz() {
    // The records block by block (the walk does not change the list; it is emptied after).
    FRecList->ForEach([](TMemoryRecordVz* r) {
        if (!r) return;
        r->FIndex = -1;
        r->Free();
    });
    FRecList->Clear();
    FreeDeletedRecords();
    FreeAndNil(FIndexes);
}

void TRecordsListVz::BeforeDestruction() {
    FRecList->ForEach([](TMemoryRecordVz* r) {
        if (r && r->FSide) r->SetUpdateIndex(-1);
    });
    ++FUpdateCount;  // nobody is told about a list that goes away
    Clear();
    TComponent::BeforeDestruction();
}

TMTDataStructVz* TRecordsListVz::DataStruct() const { return FMemTableData ? FMemTableData->DataStruct() : nullptr; }

int TRecordsListVz::RecValCount() const { return DataStruct() ? DataStruct()->Count() : 0; }

TMemoryRecordVz* TRecordsListVz::NewRecord() {
    TMTDataStructVz* st = FMemTableData ? FMemTableData->DataStruct() : nullptr;
    const TMTRecLayoutVz* layout = st ? st->RecordLayout() : nullptr;
    TMemoryRecordVz* r;
    if (layout) {
        // The header and the values in one piece of the layout's pool.
        r = new (TMemoryRecordVz::TInlineValuesVz{}, layout) TMemoryRecordVz();
        r->FPooled = true;
        layout->AddRef();
        r->FLayout = layout;
        layout->List = this;
        if (layout->Size > 0) {
            layout->InitBlock(r->InlineValues());
            r->FInlineValues = true;
        }
    } else {
        r = new TMemoryRecordVz();
    }
    try {
        r->AfterConstruction();
    } catch (...) {
        r->Free();
        throw;
    }
    r->FHashCode = FNewHashCode++;
    return r;
}

void TRecordsListVz::Notify(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    if (FUpdateCount > 0) return;
    if (MemRec && FMemTableData && (Action == rlnRecAddedVz || Action == rlnRecChangedVz))
        FMemTableData->CalcRecordFields(MemRec);
    if (FIndexes) FIndexes->Notify(MemRec, Index, Action);
    if (FMemTableData) FMemTableData->NotifyDataEvent(MemRec, Index, Action);
}

void TRecordsListVz::NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) {
    if (FIndexes) FIndexes->NotifyRecordMoved(Item, OldIndex, NewIndex);
    if (FMemTableData) FMemTableData->NotifyRecordMoved(Item, OldIndex, NewIndex);
}

void TRecordsListVz::SetAutoIncValue(TMemoryRecordVz* Rec) {
    if (FMemTableData) FMemTableData->SetAutoIncValue(Rec);
}

void TRecordsListVz::RenumberFrom(int Index) {
    int i = std::max(std::min(Index, FStaleFrom), 0);
    if (i < FRecList->Count()) {
        // A walk from position i: the block list is read in order.
        int k = 0;
        FRecList->ForEach([&](TMemoryRecordVz* r) {
            if (k >= i && r) r->FIndex = k;
            ++k;
        });
    }
    FStaleFrom = INT_MAX;
    FBlockLookups = 0;
}

void TRecordsListVz::Shifted(int Index) {
    if (Index < Count()) FStaleFrom = std::min(FStaleFrom, Index);
}

int TRecordsListVz::PositionOf(const TMemoryRecordVz* Rec) const {
    if (++FBlockLookups > std::max(Count() / 4, 64)) {
        const_cast<TRecordsListVz*>(this)->RenumberFrom(FStaleFrom);
        if (Rec->FIndex >= 0 && Rec->FIndex < Count() && FRecList->Items(Rec->FIndex) == Rec) return Rec->FIndex;
    }
    const int i = FRecList->IndexOf(Rec);
    if (i >= 0) Rec->FIndex = i;
    return i;
}

void TRecordsListVz::AppendToChangeLog(TMemoryRecordVz* Rec) {
    Rec->SetUpdateIndex(FDeltaList->Add(Rec));
}

void TRecordsListVz::AttachRecord(int Index, TMemoryRecordVz* Rec, bool Append, bool Fetched) {
    if (!Rec->FLayout || Rec->FLayout->List != this) throw Exception(QString::fromLatin1(SRecordsListNotSame));
    if (Rec->Attached()) throw Exception(QString::fromLatin1(SAlreadyAttached));
    const int pos = Append ? Count() : Index;
    Notify(Rec, pos, rlnRecAddingVz);
    if (!Fetched) SetAutoIncValue(Rec);
    if (Append) FRecList->Add(Rec);
    else FRecList->Insert(pos, Rec);
    Rec->FIndex = pos;
    if (!Append) Shifted(pos);
    if (FCachedUpdates) {
        Rec->FUpdateStatus = usInserted;
        if (Rec->UpdateIndex() < 0) AppendToChangeLog(Rec);
    } else {
        Rec->FUpdateStatus = usUnmodified;
    }
    Rec->FEditState = resBrowseVz;
    if (Rec->FSide) Rec->DropTmpOldData();
    Notify(Rec, pos, rlnRecAddedVz);
}

int TRecordsListVz::AddRecord(TMemoryRecordVz* Rec) {
    AttachRecord(0, Rec, true, false);
    return Rec->Index();
}

void TRecordsListVz::InsertRecord(int Index, TMemoryRecordVz* Rec) {
    if (Index < 0 || Index > Count()) ListIndexError(Index);
    AttachRecord(Index, Rec, false, false);
}

int TRecordsListVz::FetchRecord(TMemoryRecordVz* Rec) {
    // A fetched record is no change to apply: it is attached as without cached updates.
    if (!FCachedUpdates) {
        AttachRecord(0, Rec, true, true);
        return Rec->Index();
    }
    FCachedUpdates = false;
    try {
        AttachRecord(0, Rec, true, true);
    } catch (...) {
        FCachedUpdates = true;
        throw;
    }
    FCachedUpdates = true;
    return Rec->Index();
}

void TRecordsListVz::DeleteRecord(int Index) {
    TMemoryRecordVz* r = Rec(Index);
    if (FCachedUpdates && r->FUpdateStatus != usInserted) {
        if (r->FUpdateStatus == usDeleted) throw Exception(QString::fromLatin1(SCantMarkDelDeleted));
        // A modified record keeps its oldest values: the writer finds the row by them.
        if (r->FUpdateStatus == usModified && !r->HasOldData()) r->KeepOldData();
        r->SetUpdateError(nullptr);
        r->FUpdateStatus = usDeleted;
        if (r->UpdateIndex() < 0) AppendToChangeLog(r);
        Notify(r, Index, rlnRecMarkedForDelVz);
        return;
    }
    PersistDeleteRecord(Index);
}

void TRecordsListVz::PersistDeleteRecord(int Index) {
    TMemoryRecordVz* r = Rec(Index);
    Notify(r, Index, rlnRecDeletingVz);
    FRecList->Delete(Index);
    r->FIndex = -1;
    Shifted(Index);
    // A record must not stay in the change log once it is freed.
    r->LeaveChangeLog();
    Notify(r, Index, rlnRecDeletedVz);
    r->Free();
}

void TRecordsListVz::PersistRemoveRecord(int Index) {
    TMemoryRecordVz* r = Rec(Index);
    Notify(r, Index, rlnRecDeletingVz);
    FDeletedList->Add(r);
    FRecList->Delete(Index);
    r->FIndex = -1;
    Shifted(Index);
    Notify(r, Index, rlnRecDeletedVz);
}

void TRecordsListVz::DeleteRecords(const TRecordsRangesVz& RecordsRanges) {
    if (FCachedUpdates) throw Exception(QString::fromLatin1(SRangeDeleteCached));
    PersistDeleteRecords(RecordsRanges);
}

void TRecordsListVz::PersistDeleteRecords(const TRecordsRangesVz& RecordsRanges) {
    for (const auto& [first, last] : RecordsRanges)
        for (int i = first; i <= last; ++i) {
            TMemoryRecordVz* r = Rec(i);
            if (!r) continue;
            FRecList->SetItems(i, nullptr);
            r->FIndex = -1;
            r->LeaveChangeLog();
            r->Free();
        }
    FRecList->Pack();
    RenumberFrom(0);
    Notify(nullptr, -1, rlnListChangedVz);
}

Variant TRecordsListVz::GetValue(int RecNo, int ValNo) const {
    return Rec(RecNo)->Value(ValNo);
}

void TRecordsListVz::SetValue(int RecNo, int ValNo, const Variant& Value) {
    TMemoryRecordVz* r = Rec(RecNo);
    r->CheckValueIndex(ValNo);
    // The value is cast to the field's kind before anybody is told of a change.
    const Variant v = CastValueToVarTypeVz(Value, r->FLayout->Slots[static_cast<size_t>(ValNo)].VarType);
    Notify(r, RecNo, rlnRecChangingVz);
    r->StoreValue(ValNo, v);
    Notify(r, RecNo, rlnRecChangedVz);
}

void TRecordsListVz::FreeDeletedRecords() {
    for (int i = 0; i < FDeletedList->Count(); ++i)
        if (TObject* r = static_cast<TObject*>(FDeletedList->Items(i))) r->Free();
    FDeletedList->Clear();
}

void TRecordsListVz::Clear() {
    // Records removed by a merge are no longer in the list: they are freed here, not forgotten.
    FreeDeletedRecords();
    FDeltaList->Clear();
    if (FIndexes) FIndexes->ClearIndexes();
    FRecList->ForEach([](TMemoryRecordVz* r) {
        if (!r) return;
        r->FIndex = -1;
        if (r->FSide) r->SetUpdateIndex(-1);
        r->Free();
    });
    FRecList->Clear();
    FStaleFrom = INT_MAX;
    Notify(nullptr, -1, rlnListChangedVz);
}

void TRecordsListVz::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    TMemoryRecordVz* r = Rec(CurIndex);
    FRecList->Move(CurIndex, NewIndex);
    Shifted(std::min(CurIndex, NewIndex));
    NotifyRecordMoved(r, CurIndex, NewIndex);
}

void TRecordsListVz::QuickSort(int L, int R, TObject* ParamSort, const TCompareRecords& Compare) {
    while (L < R) {
        int i = L, j = R;
        TMemoryRecordVz* pivot = Rec((L + R) / 2);
        do {
            while (Compare(Rec(i), pivot, ParamSort) < 0) ++i;
            while (Compare(Rec(j), pivot, ParamSort) > 0) --j;
            if (i <= j) {
                if (i != j) FRecList->Exchange(i, j);
                ++i;
                --j;
            }
        } while (i <= j);
        if (L < j) QuickSort(L, j, ParamSort, Compare);
        L = i;
    }
}

void TRecordsListVz::SortData(TObject* ParamSort, const TCompareRecords& Compare) {
    SettlePositions();  // the comparison may read positions while records trade places
    if (Count() > 1) QuickSort(0, Count() - 1, ParamSort, Compare);
    RenumberFrom(0);
    Notify(nullptr, -1, rlnListChangedVz);
}

void TRecordsListVz::RevertRecord(int Index) {
    TMemoryRecordVz* r = Rec(Index);
    if (r->FUpdateStatus == usInserted) PersistDeleteRecord(Index);
    else r->RevertRecord();
}

void TRecordsListVz::RefreshRecord(int Index, TMemoryRecordVz* FromRec) { Rec(Index)->RefreshRecord(FromRec); }

void TRecordsListVz::EndUpdate() {
    if (FUpdateCount == 0) return;
    if (--FUpdateCount == 0) {
        if (FMemTableData) FMemTableData->CalcAllRecordFields();
        Notify(nullptr, -1, rlnListChangedVz);
    }
}

void TRecordsListVz::MergeChangeLog() {
    const int n = FDeltaList->Count();
    if (n == 0) return;
    if (n >= 2) BeginUpdate();
    try {
        for (int i = 0; i < n; ++i) {
            auto* r = static_cast<TMemoryRecordVz*>(FDeltaList->Items(i));
            if (!r) continue;
            if (n == 1) r->MergeChanges();
            else r->MergeChangesDeferred();
            // A reverted record stays in the log unmodified; it must not keep a stale position.
            r->SetUpdateIndex(-1);
        }
        FreeDeletedRecords();
        const int before = FRecList->Count();
        FRecList->Pack();
        if (FRecList->Count() != before) RenumberFrom(0);
        FDeltaList->Clear();
    } catch (...) {
        if (n >= 2) EndUpdate();
        throw;
    }
    if (n >= 2) EndUpdate();
}

void TRecordsListVz::CancelUpdates() {
    for (int i = Count() - 1; i >= 0; --i) {
        TMemoryRecordVz* r = Rec(i);
        switch (r->FUpdateStatus) {
            case usModified:
            case usDeleted:
                // A modified record without old values has nothing to go back to; the others
                // are still cancelled.
                r->RestoreOldData();
                r->FUpdateStatus = usUnmodified;
                r->SetUpdateIndex(-1);
                break;
            case usInserted:
                r->LeaveChangeLog();
                FRecList->Delete(i);
                r->FIndex = -1;
                Shifted(i);
                r->Free();
                break;
            case usUnmodified:
                r->SetUpdateIndex(-1);
                break;
        }
    }
    FDeltaList->Clear();
    Notify(nullptr, -1, rlnListChangedVz);
}

void TRecordsListVz::CleanupChangedRecs() {
    FreeDeletedRecords();
    FDeltaList->Pack();
    for (int i = 0; i < FDeltaList->Count(); ++i) static_cast<TMemoryRecordVz*>(FDeltaList->Items(i))->SetUpdateIndex(i);
}

// ---- TMemTableDataVz ----------------------------------------------------------------------------

TMemTableDataVz::~TMemTableDataVz() = default;

void TMemTableDataVz::AfterConstruction() {
    TComponent::AfterConstruction();
    FDataStruct = New<TMTDataStructVz>(this);
    FRecordsList = New<TRecordsListVz>(this);
}

TMTDataStructVz* TMemTableDataVz::BeginRestruct() {
    if (FRestructStruct) throw Exception(u"MemTableData already in RestructMode."_S);
    FRestructStruct = FDataStruct->BeginRestructure();
    return FRestructStruct;
}

void TMemTableDataVz::CancelRestruct() {
    if (TMTDataStructVz* s = std::exchange(FRestructStruct, nullptr)) FDataStruct->EndRestructure(s, false);
}

void TMemTableDataVz::CommitRestruct() {
    if (TMTDataStructVz* s = std::exchange(FRestructStruct, nullptr)) FDataStruct->EndRestructure(s, true);
}

void TMemTableDataVz::BeforeDestruction() {
    CancelRestruct();
    // Receivers let go one at a time before anything is freed.
    while (FNotificators->Count() > 0)
        static_cast<TRecordsListNotificatorVz*>(FNotificators->Last())->SetDataObject(nullptr);
    if (FRecordsList) {
        TRecordsListVz* l = FRecordsList;
        FRecordsList = nullptr;
        l->Free();
    }
    if (FDataStruct) {
        TMTDataStructVz* s = FDataStruct;
        FDataStruct = nullptr;
        s->Free();
    }
    TComponent::BeforeDestruction();
}

void TMemTableDataVz::DestroyTable() {
    FRecordsList->Clear();
    FDataStruct->Clear();
}

void TMemTableDataVz::RegisterNotificator(TRecordsListNotificatorVz* Receiver) {
    if (FNotificators->IndexOf(Receiver) < 0) FNotificators->Add(Receiver);
}

void TMemTableDataVz::UnregisterNotificator(TRecordsListNotificatorVz* Receiver) { FNotificators->Remove(Receiver); }

namespace {
// Every attached receiver hears a change, also when one of them fails; the first failure is
// raised after all of them.
template <class Fn>
void NotifyAll(const TObjectListVz& Receivers, Fn&& Call) {
    if (Receivers.Count() == 1) {
        Call(static_cast<TRecordsListNotificatorVz*>(Receivers.Items(0)));
        return;
    }
    std::exception_ptr failure;
    std::vector<TRecordsListNotificatorVz*> list;
    for (int i = 0; i < Receivers.Count(); ++i) list.push_back(static_cast<TRecordsListNotificatorVz*>(Receivers.Items(i)));
    for (TRecordsListNotificatorVz* r : list) {
        if (Receivers.IndexOf(r) < 0) continue;  // detached by an earlier receiver
        try {
            Call(r);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}
}  // namespace

void TMemTableDataVz::DataStructChanged() {
    NotifyAll(*FNotificators, [&](TRecordsListNotificatorVz* r) { r->DoStructChanged(this); });
}


void TMemTableDataVz::SetOnFieldCalculation(const TFieldCalculationEventVz& Value) {
    FOnFieldCalculation = Value;
    CalcAllRecordFields();
}

void TMemTableDataVz::CalcRecordFields(TMemoryRecordVz* MemRec) {
    if (!FOnFieldCalculation.Assigned() || !FDataStruct) return;
    const int n = FDataStruct->Count();
    bool any = false;
    for (int i = 0; i < n && !any; ++i) any = FDataStruct->GetDataField(i)->Calculated();
    if (!any) return;
    std::vector<Variant> values(static_cast<size_t>(n));
    FOnFieldCalculation(MemRec, values);
    for (int i = 0; i < n; ++i)
        if (FDataStruct->GetDataField(i)->Calculated()) {
            Variant& v = values[static_cast<size_t>(i)];
            MemRec->SetDataValue(i, dvvValueVz, VarIsEmpty(v) ? Variant::Null() : std::move(v));
        }
}

void TMemTableDataVz::CalcAllRecordFields() {
    if (!FOnFieldCalculation.Assigned() || !FRecordsList) return;
    for (int i = 0; i < FRecordsList->Count(); ++i) CalcRecordFields(FRecordsList->Rec(i));
}

void TMemTableDataVz::NotifyDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    NotifyAll(*FNotificators, [&](TRecordsListNotificatorVz* r) { r->DoDataEvent(MemRec, Index, Action); });
}

void TMemTableDataVz::NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) {
    NotifyAll(*FNotificators, [&](TRecordsListNotificatorVz* r) { r->DoRecordMoved(Item, OldIndex, NewIndex); });
}

// ---- TRecordsListNotificatorVz ------------------------------------------------------------------

void TRecordsListNotificatorVz::BeforeDestruction() {
    SetDataObject(nullptr);
    TComponent::BeforeDestruction();
}

void TRecordsListNotificatorVz::SetDataObject(TComponent* Value) {
    if (Value == FDataObject) return;
    DoDataEvent(nullptr, -1, rlnListChangingVz);
    Detach();
    Attach(Value);
    FDataObject = Value;
    DoDataEvent(nullptr, -1, rlnListChangedVz);
}

void TRecordsListNotificatorVz::Detach() {
    if (!FDataObject) return;
    if (auto* store = dynamic_cast<TMemTableDataVz*>(FDataObject)) store->UnregisterNotificator(this);
    else if (auto* r = dynamic_cast<TRecordsListNotificatorVz*>(FDataObject)) r->UnregisterNotificator(this);
    FDataObject->RemoveFreeNotification(this);
}

void TRecordsListNotificatorVz::Attach(TComponent* Value) {
    if (!Value) return;
    bool attached = false;
    if (auto* store = dynamic_cast<TMemTableDataVz*>(Value)) {
        store->RegisterNotificator(this);
        attached = true;
    } else if (auto* r = dynamic_cast<TRecordsListNotificatorVz*>(Value)) {
        attached = r->RegisterNotificator(this);
    }
    if (attached) Value->FreeNotification(this);
}

void TRecordsListNotificatorVz::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FDataObject && AComponent) SetDataObject(nullptr);
}

void TRecordsListNotificatorVz::DoAfterDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    if (OnAfterDataEvent.Assigned()) OnAfterDataEvent(MemRec, Index, Action);
}

void TRecordsListNotificatorVz::DoDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) {
    if (OnDataEvent.Assigned()) OnDataEvent(MemRec, Index, Action);
    switch (Action) {
    case rlnRecAddedVz: RecordAdded(MemRec, Index); break;
    case rlnRecChangedVz: RecordChanged(MemRec, Index); break;
    case rlnRecDeletedVz: RecordDeleted(MemRec, Index); break;
    case rlnListChangedVz: ListChanged(); break;
    default: break;
    }
}

void TRecordsListNotificatorVz::DoRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) {
    if (OnRecordMoved.Assigned()) OnRecordMoved(Item, OldIndex, NewIndex);
}

void TRecordsListNotificatorVz::DoStructChanged(TMemTableDataVz* AMemTableData) {
    if (OnStructChanged.Assigned()) OnStructChanged(AMemTableData);
}

// ---- TAutoIncrementVz ---------------------------------------------------------------------------

void TAutoIncrementVz::Published(TPublished<TAutoIncrementVz>& P) {
    P.Integer("InitValue", &TAutoIncrementVz::InitValue, &TAutoIncrementVz::SetInitValue).Default(-1);
    P.Integer("Step", &TAutoIncrementVz::Step, &TAutoIncrementVz::SetStep).Default(-1);
}

void TAutoIncrementVz::SetInitValue(int Value) {
    if (FCurValue == FInitValue) FCurValue = Value;
    FInitValue = Value;
}

int TAutoIncrementVz::Promote() {
    const int r = FCurValue;
    FCurValue += FStep;
    return r;
}

void TAutoIncrementVz::Assign(TPersistent* Source) {
    auto* src = dynamic_cast<TAutoIncrementVz*>(Source);
    if (!src) {
        TPersistent::Assign(Source);
        return;
    }
    SetStep(src->Step());
    SetInitValue(src->InitValue());
}

// ---- store: counter, records, streaming ---------------------------------------------------------

void TMemTableDataVz::ResetRecords() {
    if (TMTIndexesVz* ix = FRecordsList->Indexes()) ix->ClearIndexes();
    FRecordsList->Clear();
    FAutoIncrement->Reset();
}

int TMemTableDataVz::FetchRecords(int Count) {
    int r = 0;
    for (int i = 0; i < FNotificators->Count(); ++i)
        r += static_cast<TRecordsListNotificatorVz*>(FNotificators->Items(i))->DoFetchRecords(Count);
    return r;
}

void TMemTableDataVz::SetAutoIncValue(TMemoryRecordVz* Rec) {
    bool drawn = false;
    int value = 0;
    for (int i = 0; i < FDataStruct->Count(); ++i) {
        TMTDataFieldVz* f = FDataStruct->GetDataField(i);
        if (f->DataType() != ftAutoInc && !f->AutoIncrement()) continue;
        if (!drawn) {
            value = FAutoIncrement->Promote();
            drawn = true;
        }
        Rec->SetIntegerValue(i, value);
    }
}

void TMemTableDataVz::GetChildren(const TGetChildProc& Proc, TComponent* /*Root*/) {
    if (FStoreStructInStream) Proc(FDataStruct);
    if (FStoreRecordsInStream) Proc(FRecordsList);
}

void TMemTableDataVz::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(
        u"AutoIncCurValue"_S, [this](TReader* R) { FAutoIncrement->SetCurValue(R->ReadInteger()); },
        [this](TWriter* W) { W->WriteInteger(FAutoIncrement->CurValue()); }, FAutoIncrement->Used());
}

void TRecordsListVz::TakeRecordsFrom(TRecordsListVz* Source) {
    BeginUpdate();
    try {
        while (Source->Count() > 0) {
            TMemoryRecordVz* src = Source->Rec(0);
            TMemoryRecordVz* rec = NewRecord();
            try {
                for (int i = 0; i < rec->ValueCount() && i < src->ValueCount(); ++i) rec->StoreValue(i, src->Value(i));
            } catch (...) {
                rec->Free();
                throw;
            }
            Source->PersistDeleteRecord(0);
            FetchRecord(rec);
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

namespace {
const char* const SWriteDataEmpty = "\"TMemoryRecordVz.WriteData\" - Invalid variant type - varEmpty";

bool IsByteFieldType(TFieldType t) {
    switch (t) {
        case ftBytes: case ftVarBytes: case ftBlob: case ftGraphic: case ftParadoxOle: case ftDBaseOle:
        case ftTypedBinary: case ftOraBlob:
            return true;
        default:
            return false;
    }
}

String TimeStampText(const TSQLTimeStamp& t) {
    String s = QString::asprintf("%.4d-%.2d-%.2dT%.2d:%.2d:%.2d", int(t.Year), int(t.Month), int(t.Day), int(t.Hour),
                                 int(t.Minute), int(t.Second));
    if (t.Fractions != 0) s += QString::asprintf(".%.3d", int(t.Fractions));
    return s;
}

// "yyyy-mm-ddThh:nn:ss[.zzz][±hh:nn]"; a malformed text fails with the conversion error.
TSQLTimeStampOffset ParseTimeStampText(const String& Text) {
    auto num = [&Text](int from, int len) {
        bool ok = false;
        const int v = Text.mid(from, len).toInt(&ok);
        if (!ok) throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(Text));
        return v;
    };
    if (Text.size() < 19) throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(Text));
    TSQLTimeStampOffset r{};
    r.Year = static_cast<SmallInt>(num(0, 4));
    r.Month = static_cast<Word>(num(5, 2));
    r.Day = static_cast<Word>(num(8, 2));
    r.Hour = static_cast<Word>(num(11, 2));
    r.Minute = static_cast<Word>(num(14, 2));
    r.Second = static_cast<Word>(num(17, 2));
    int p = 19;
    if (p < Text.size() && Text[p] == u'.') {
        r.Fractions = static_cast<LongWord>(num(p + 1, 3));
        p += 4;
    }
    if (p < Text.size() && (Text[p] == u'+' || Text[p] == u'-')) {
        const int sign = Text[p] == u'-' ? -1 : 1;
        r.TimeZoneHour = static_cast<SmallInt>(sign * num(p + 1, 2));
        r.TimeZoneMinute = static_cast<SmallInt>(sign * num(p + 4, 2));
    }
    return r;
}
}  // namespace

void TRecordsListVz::DefineProperties(TFiler* Filer) {
    TComponent::DefineProperties(Filer);
    Filer->DefineProperty(u"Data"_S, [this](TReader* R) { ReadData(R); }, [this](TWriter* W) { WriteData(W); },
                          Count() > 0);
}

void TRecordsListVz::WriteData(TWriter* Writer) {
    TMTDataStructVz* st = DataStruct();
    const int n = st ? st->Count() : 0;
    Writer->WriteListBegin();
    for (int r = 0; r < Count(); ++r) {
        TMemoryRecordVz* rec = Rec(r);
        if (!rec) continue;
        Writer->WriteListBegin();
        for (int i = 0; i < n; ++i) {
            const Variant v = rec->Value(i);
            const TFieldType t = st->GetDataField(i)->DataType();
            if (IsByteFieldType(t)) {
                QByteArray bytes;
                if (VarIsArray(v)) {
                    const int lo = VarArrayLowBound(v, 1), hi = VarArrayHighBound(v, 1);
                    for (int k = lo; k <= hi; ++k) bytes.append(static_cast<char>(v.GetElement(k).AsInteger()));
                } else if (!VarIsNull(v) && !VarIsEmpty(v)) {
                    bytes = v.AsString().toLatin1();
                }
                Writer->WriteBinary(bytes);
                continue;
            }
            if (VarIsEmpty(v)) throw Exception(QString::fromLatin1(SWriteDataEmpty));
            if (VarIsNull(v)) {
                Writer->WriteValue(vaNil);
            } else if (VarIsSQLTimeStamp(v)) {
                Writer->WriteString(TimeStampText(VarToSQLTimeStamp(v)));
            } else if (VarIsSQLTimeStampOffset(v)) {
                const TSQLTimeStampOffset o = VarToSQLTimeStampOffset(v);
                TSQLTimeStamp t{o.Year, o.Month, o.Day, o.Hour, o.Minute, o.Second, o.Fractions};
                String s = TimeStampText(t);
                if (o.TimeZoneHour != 0 || o.TimeZoneMinute != 0) {
                    const int m = o.TimeZoneHour * 60 + o.TimeZoneMinute;
                    s += m < 0 ? u'-' : u'+';
                    s += QString::asprintf("%.2d:%.2d", std::abs(int(o.TimeZoneHour)), std::abs(int(o.TimeZoneMinute)));
                }
                Writer->WriteString(s);
            } else if (VarIsFMTBcd(v)) {
                Writer->WriteString(BcdToStr(v.AsBcd()).replace(FormatSettings.DecimalSeparator, u'.'));
            } else if (VarIsArray(v)) {
                throw EWriteError(u"Stream write error"_S);
            } else {
                switch (VarType(v)) {
                    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
                    case varLongWord: case varInt64:
                        Writer->WriteInteger(v.AsInt64());
                        break;
                    case varSingle: Writer->WriteSingle(static_cast<Single>(v.AsDouble())); break;
                    case varDouble: Writer->WriteFloat(v.AsExtended()); break;
                    case varCurrency: Writer->WriteCurrency(v.AsCurrency()); break;
                    case varDate: Writer->WriteDate(v.AsDateTime()); break;
                    case varBoolean: Writer->WriteBoolean(v.AsBoolean()); break;
                    default: Writer->WriteString(v.AsString()); break;
                }
            }
        }
        Writer->WriteListEnd();
    }
    Writer->WriteListEnd();
}

void TRecordsListVz::ReadData(TReader* Reader) {
    TMTDataStructVz* st = DataStruct();
    const int n = st ? st->Count() : 0;
    Reader->ReadListBegin();
    BeginUpdate();
    try {
        while (!Reader->EndOfList()) {
            TMemoryRecordVz* rec = NewRecord();
            try {
                Reader->ReadListBegin();
                int i = 0;
                while (!Reader->EndOfList()) {
                    if (i >= n) {
                        Reader->SkipValue();
                        ++i;
                        continue;
                    }
                    const TFieldType t = st->GetDataField(i)->DataType();
                    Variant v;
                    if (IsByteFieldType(t)) {
                        if (Reader->NextValue() != vaBinary) throw EReadError(u"Invalid property value"_S);
                        const QByteArray bytes = Reader->ReadBinary();
                        v = VarArrayCreate({0, static_cast<int>(bytes.size()) - 1}, varByte);
                        for (int k = 0; k < bytes.size(); ++k) v.PutElement(k, Variant(static_cast<Byte>(bytes[k])));
                    } else if (Reader->NextValue() == vaNil || Reader->NextValue() == vaNull) {
                        Reader->ReadValue();
                        v = Null();
                    } else if (t == ftTimeStamp || t == ftOraTimeStamp) {
                        const TSQLTimeStampOffset o = ParseTimeStampText(Reader->ReadString());
                        v = VarSQLTimeStampCreate(TSQLTimeStamp{o.Year, o.Month, o.Day, o.Hour, o.Minute, o.Second, o.Fractions});
                    } else if (t == ftTimeStampOffset) {
                        v = VarSQLTimeStampOffsetCreate(ParseTimeStampText(Reader->ReadString()));
                    } else if (t == ftFMTBcd) {
                        String s = Reader->ReadString();
                        v = VarFMTBcdCreate(StrToBcd(s.replace(u'.', FormatSettings.DecimalSeparator)));
                    } else {
                        v = Reader->ReadVariant();
                    }
                    rec->StoreValue(i, CastValueToVarTypeVz(v, st->GetDataField(i)->VarDataType()));
                    ++i;
                }
                Reader->ReadListEnd();
                FetchRecord(rec);
            } catch (...) {
                if (!rec->Attached()) rec->Free();
                throw;
            }
        }
        Reader->ReadListEnd();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- published properties of the field classes (the stream's order) -----------------------------

namespace {
const std::initializer_list<const char*> AlignmentNames{"taLeftJustify", "taRightJustify", "taCenter"};
const std::initializer_list<const char*> FieldTypeIdents{
    "ftUnknown", "ftString", "ftSmallint", "ftInteger", "ftWord", "ftBoolean", "ftFloat", "ftCurrency", "ftBCD",
    "ftDate", "ftTime", "ftDateTime", "ftBytes", "ftVarBytes", "ftAutoInc", "ftBlob", "ftMemo", "ftGraphic",
    "ftFmtMemo", "ftParadoxOle", "ftDBaseOle", "ftTypedBinary", "ftCursor", "ftFixedChar", "ftWideString",
    "ftLargeint", "ftADT", "ftArray", "ftReference", "ftDataSet", "ftOraBlob", "ftOraClob", "ftVariant",
    "ftInterface", "ftIDispatch", "ftGuid", "ftTimeStamp", "ftFMTBcd", "ftFixedWideChar", "ftWideMemo",
    "ftOraTimeStamp", "ftOraInterval", "ftLongWord", "ftShortint", "ftByte", "ftExtended", "ftConnection",
    "ftParams", "ftStream", "ftTimeStampOffset", "ftObject", "ftSingle"};

template <class C>
void CommonHead(TPublished<C>& P, TAlignment DefaultAlignment) {
    P.Enum("Alignment", &C::Alignment, &C::SetAlignment, AlignmentNames).Default(DefaultAlignment);
    P.String("DefaultExpression", &C::DefaultExpression, &C::SetDefaultExpression);
    P.String("DisplayLabel", &C::DisplayLabel, &C::SetDisplayLabel);
    P.Integer("DisplayWidth", &C::DisplayWidth, &C::SetDisplayWidth)
        .NoDefault()
        .Stored(std::function<bool(TObject*)>([](TObject* o) { return static_cast<C*>(o)->DisplayWidthStored(); }));
}
template <class C>
void EditMaskRequiredVisible(TPublished<C>& P) {
    P.String("EditMask", &C::EditMask, &C::SetEditMask);
    P.Boolean("Required", &C::Required, &C::SetRequired).Default(0);
    P.Boolean("Visible", &C::Visible, &C::SetVisible).Default(1);
}
}  // namespace

void TMTStringDataFieldVz::Published(TPublished<TMTStringDataFieldVz>& P) {
    using C = TMTStringDataFieldVz;
    P.Enum("StringDataType", &C::StringDataType, &C::SetStringDataType,
           {"fdtStringVz", "fdtFixedCharVz", "fdtWideStringVz", "fdtGuidVz", "fdtFixedWideCharVz", "fdtOraIntervalVz"})
        .NoDefault();
    CommonHead(P, taLeftJustify);
    EditMaskRequiredVisible(P);
    P.Boolean("FixedChar", &C::FixedChar, &C::SetFixedChar).Default(0);
    P.Integer("Size", &C::Size, &C::SetSize).Default(20);
    P.Boolean("Transliterate", &C::Transliterate, &C::SetTransliterate).Default(0);
}

void TMTNumericDataFieldVz::Published(TPublished<TMTNumericDataFieldVz>& P) {
    using C = TMTNumericDataFieldVz;
    P.Enum("NumericDataType", &C::NumericDataType, &C::SetNumericDataType,
           {"fdtSmallintVz", "fdtIntegerVz", "fdtWordVz", "fdtFloatVz", "fdtCurrencyVz", "fdtBCDVz", "fdtAutoIncVz",
            "fdtLargeintVz", "fdtFMTBcdVz", "fdtLongWordVz", "fdtShortintVz", "fdtByteVz", "fdtExtendedVz",
            "fdtSingleVz"})
        .NoDefault();
    P.Boolean("AutoIncrement", &C::AutoIncrement, &C::SetAutoIncrement).NoDefault();
    CommonHead(P, taRightJustify);
    EditMaskRequiredVisible(P);
    P.String("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    P.String("EditFormat", &C::EditFormat, &C::SetEditFormat);
    P.Boolean("currency", &C::currency, &C::Setcurrency).NoDefault();
    P.Extended("MaxValue", &C::MaxValue, &C::SetMaxValue).Stored(std::function<bool(TObject*)>([](TObject* o) { return static_cast<C*>(o)->MaxValue() != 0; }));
    P.Extended("MinValue", &C::MinValue, &C::SetMinValue).Stored(std::function<bool(TObject*)>([](TObject* o) { return static_cast<C*>(o)->MinValue() != 0; }));
    P.Integer("Precision", &C::Precision, &C::SetPrecision).NoDefault();
    P.Integer("Scale", &C::Scale, &C::SetScale).NoDefault().Stored(std::function<bool(TObject*)>([](TObject* o) {
        const auto t = static_cast<C*>(o)->NumericDataType();
        return t == fdtBCDVz || t == fdtFMTBcdVz;
    }));
}

void TMTDateTimeDataFieldVz::Published(TPublished<TMTDateTimeDataFieldVz>& P) {
    using C = TMTDateTimeDataFieldVz;
    P.Enum("DateTimeDataType", &C::DateTimeDataType, &C::SetDateTimeDataType, {"fdtDateVz", "fdtTimeVz", "fdtDateTimeVz"})
        .NoDefault();
    CommonHead(P, taLeftJustify);
    EditMaskRequiredVisible(P);
    P.String("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
}

void TMTBlobDataFieldVz::Published(TPublished<TMTBlobDataFieldVz>& P) {
    using C = TMTBlobDataFieldVz;
    CommonHead(P, taLeftJustify);
    EditMaskRequiredVisible(P);
    P.Enum("BlobType", &C::BlobType, &C::SetBlobType, FieldTypeIdents).Default(ftBlob);
    P.Boolean("GraphicHeader", &C::GraphicHeader, &C::SetGraphicHeader).Default(1);
    P.Boolean("Transliterate", &C::Transliterate, &C::SetTransliterate).NoDefault();
}

void TMTBooleanDataFieldVz::Published(TPublished<TMTBooleanDataFieldVz>& P) {
    using C = TMTBooleanDataFieldVz;
    CommonHead(P, taLeftJustify);
    EditMaskRequiredVisible(P);
    P.String("DisplayValues", &C::DisplayValues, &C::SetDisplayValues);
}

void TMTInterfaceDataFieldVz::Published(TPublished<TMTInterfaceDataFieldVz>& P) {
    using C = TMTInterfaceDataFieldVz;
    CommonHead(P, taLeftJustify);
    P.Enum("InterfaceDataType", &C::InterfaceDataType, &C::SetInterfaceDataType, {"fdtInterfaceVz", "fdtIDispatchVz"})
        .NoDefault();
    P.Boolean("Required", &C::Required, &C::SetRequired).Default(0);
    P.Boolean("Visible", &C::Visible, &C::SetVisible).Default(1);
}

void TMTVariantDataFieldVz::Published(TPublished<TMTVariantDataFieldVz>& P) {
    using C = TMTVariantDataFieldVz;
    CommonHead(P, taLeftJustify);
    P.Enum("VariantDataType", &C::VariantDataType, &C::SetVariantDataType, {"fdtVariant", "fdtBytes", "fdtVarBytes"})
        .NoDefault();
    P.Boolean("Required", &C::Required, &C::SetRequired).Default(0);
    P.Integer("Size", &C::Size, &C::SetSize).NoDefault().Stored(std::function<bool(TObject*)>([](TObject* o) {
        auto* f = static_cast<C*>(o);
        return f->VariantDataType() != fdtVariant && f->Size() != 16;
    }));
    P.Boolean("Visible", &C::Visible, &C::SetVisible).Default(1);
}

void TMTRefObjectFieldVz::Published(TPublished<TMTRefObjectFieldVz>& P) {
    using C = TMTRefObjectFieldVz;
    P.Enum("Alignment", &C::Alignment, &C::SetAlignment, AlignmentNames).Default(taLeftJustify);
    P.String("DisplayLabel", &C::DisplayLabel, &C::SetDisplayLabel);
    P.Integer("DisplayWidth", &C::DisplayWidth, &C::SetDisplayWidth)
        .NoDefault()
        .Stored(std::function<bool(TObject*)>([](TObject* o) { return static_cast<C*>(o)->DisplayWidthStored(); }));
    P.Boolean("Required", &C::Required, &C::SetRequired).Default(0);
    P.Boolean("Visible", &C::Visible, &C::SetVisible).Default(1);
}

void TMTSQLTimeStampDataFieldVz::Published(TPublished<TMTSQLTimeStampDataFieldVz>& P) {
    using C = TMTSQLTimeStampDataFieldVz;
    P.Enum("SQLTimeStampDataFieldType", &C::SQLTimeStampDataFieldType, &C::SetSQLTimeStampDataFieldType,
           {"fdtTimeStampVz", "fdtOraTimeStampVz", "fdtTimeStampOffsetVz"})
        .NoDefault();
    CommonHead(P, taLeftJustify);
    EditMaskRequiredVisible(P);
    P.String("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
}

void TMTDataFieldVz::ReadState(TReader* Reader) {
    TComponent::ReadState(Reader);
    if (FDataStruct) return;
    if (auto* s = dynamic_cast<TMTDataStructVz*>(Reader->Parent())) {
        FFieldId = s->FNextFieldId++;
        s->InsertField(this);
    }
}

// The store's classes are created by name when a stream is read.
namespace {
const bool StoreClassesRegistered = [] {
    RegisterClasses({TMemTableDataVz::StaticClass(), TMTDataStructVz::StaticClass(), TRecordsListVz::StaticClass(),
                     TMTDataFieldVz::StaticClass(), TMTStringDataFieldVz::StaticClass(),
                     TMTNumericDataFieldVz::StaticClass(), TMTDateTimeDataFieldVz::StaticClass(),
                     TMTBooleanDataFieldVz::StaticClass(), TMTBlobDataFieldVz::StaticClass(),
                     TMTInterfaceDataFieldVz::StaticClass(), TMTVariantDataFieldVz::StaticClass(),
                     TMTRefObjectFieldVz::StaticClass(), TMTSQLTimeStampDataFieldVz::StaticClass()});
    return true;
}();
}  // namespace
