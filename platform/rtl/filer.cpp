#include "platform/rtl/filer.h"

#include "platform/rtl/codepages.h"
#include "platform/rtl/collections.h"

#include <QStringList>
#include <algorithm>
#include <cmath>
#include <limits>
#include <cstring>
#include <mutex>

namespace {

[[noreturn]] void InvalidValue() { throw EReadError(QStringLiteral("Invalid property value")); }

}  // namespace

// One level of nesting for as long as it lives; past the limit the stream is refused before the
// stack is.
class TNestingGuard {
public:
    explicit TNestingGuard(TReader& R) : FCount(R.FNesting) { Enter(FCount); }
    explicit TNestingGuard(int& Count) : FCount(Count) { Enter(FCount); }
    ~TNestingGuard() { --FCount; }
    TNestingGuard(const TNestingGuard&) = delete;
    TNestingGuard& operator=(const TNestingGuard&) = delete;

private:
    static void Enter(int& Count) {
        if (Count >= TReader::MaxNesting) throw EReadError(QStringLiteral("Stream nested too deeply"));
        ++Count;
    }
    int& FCount;
};

namespace {

template <class T>
void PutLE(Byte* out, T v) {
    using U = std::make_unsigned_t<T>;
    U u = static_cast<U>(v);
    for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<Byte>(u >> (8 * i));
}

template <class T>
T GetLE(const Byte* in) {
    using U = std::make_unsigned_t<T>;
    U u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) u |= static_cast<U>(in[i]) << (8 * i);
    return static_cast<T>(u);
}

bool IsAsciiOnly(const QByteArray& b) {
    for (char c : b)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// UTF-8 bytes of a name, cut at a character boundary within 255 bytes.
QByteArray ShortUtf8(const String& s) {
    QByteArray b = s.toUtf8();
    if (b.size() <= 255) return b;
    int n = 255;
    while (n > 0 && (static_cast<unsigned char>(b[n]) & 0xC0) == 0x80) --n;
    return b.left(n);
}

}  // namespace

// ---- 80-bit extended ---------------------------------------------------------------------------

void ExtendedToBytes(Extended Value, Byte Out[10]) {
    std::uint64_t mant = 0;
    int exp = 0;
    bool neg = std::signbit(Value);
    if (std::isnan(Value)) {
        exp = 0x7FFF;
        mant = 0xC000000000000000ull;
    } else if (std::isinf(Value)) {
        exp = 0x7FFF;
        mant = 0x8000000000000000ull;
    } else if (Value != 0) {
        int e = 0;
        Extended frac = std::frexp(std::fabs(Value), &e);  // [0.5, 1) * 2^e
        int biased = e - 1 + 16383;
        Extended hi = std::ldexp(frac, 32);  // [2^31, 2^32)
        auto h = static_cast<std::uint64_t>(hi);
        auto l = static_cast<std::uint64_t>(std::ldexp(hi - static_cast<Extended>(h), 32));
        mant = h << 32 | l;
        if (biased <= 0) {  // a subnormal of the 80-bit format
            int shift = 1 - biased;
            mant = shift >= 64 ? 0 : mant >> shift;
            biased = 0;
        }
        exp = biased;
    }
    PutLE<std::uint64_t>(Out, mant);
    PutLE<std::uint16_t>(Out + 8, static_cast<std::uint16_t>(exp | (neg ? 0x8000 : 0)));
}

Extended BytesToExtended(const Byte In[10]) {
    auto mant = GetLE<std::uint64_t>(In);
    auto se = GetLE<std::uint16_t>(In + 8);
    bool neg = se & 0x8000;
    int exp = se & 0x7FFF;
    Extended v;
    if (exp == 0x7FFF)
        v = (mant << 1) == 0 ? std::numeric_limits<Extended>::infinity() : std::numeric_limits<Extended>::quiet_NaN();
    else if (exp == 0 && mant == 0)
        v = 0;
    else
        v = std::ldexp(static_cast<Extended>(mant), (exp == 0 ? 1 : exp) - 16383 - 63);
    return neg ? -v : v;
}

// ---- TFiler ------------------------------------------------------------------------------------

TFiler::TFiler(TStream* Stream) : FStream(Stream) {}

// ---- global roots ------------------------------------------------------------------------------

namespace {
std::mutex GlobalFindLock;
std::vector<TFindGlobalComponent>& GlobalFinders() {
    static std::vector<TFindGlobalComponent> v;
    return v;
}
}  // namespace

void RegisterFindGlobalComponentProc(const TFindGlobalComponent& Proc) {
    std::lock_guard g(GlobalFindLock);
    GlobalFinders().push_back(Proc);
}

void ClearFindGlobalComponentProcs() {
    std::lock_guard g(GlobalFindLock);
    GlobalFinders().clear();
}

TComponent* FindGlobalComponent(const String& Name) {
    std::vector<TFindGlobalComponent> finders;
    {
        std::lock_guard g(GlobalFindLock);
        finders = GlobalFinders();
    }
    for (auto& f : finders)
        if (TComponent* c = f(Name)) return c;
    return nullptr;
}

TComponent* FindNestedComponent(TComponent* Root, const String& NamePath) {
    const QStringList parts = NamePath.split(u'.');
    TComponent* cur = nullptr;
    for (int i = 0; i < parts.size(); ++i) {
        const String& p = parts[i];
        if (i == 0) {
            if (Root && p.compare(u"Owner", Qt::CaseInsensitive) == 0)
                cur = Root;
            else {
                cur = Root ? Root->FindComponent(p) : nullptr;
                if (!cur) cur = FindGlobalComponent(p);
            }
        } else {
            cur = cur->FindComponent(p);
        }
        if (!cur) return nullptr;
    }
    return cur;
}

// ---- TWriter -----------------------------------------------------------------------------------

TWriter::TWriter(TStream* Stream) : TFiler(Stream) {}

void TWriter::Write(const void* Buf, Integer Count) { FStream->WriteBuffer(Buf, Count); }
void TWriter::WriteByte(Byte b) { Write(&b, 1); }
void TWriter::WriteValue(TValueType Value) { WriteByte(Value); }
void TWriter::WriteListBegin() { WriteValue(vaList); }
void TWriter::WriteListEnd() { WriteValue(vaNull); }

void TWriter::WriteInteger(Int64 Value) {
    Byte b[8];
    if (Value >= -128 && Value <= 127) {
        WriteValue(vaInt8);
        WriteByte(static_cast<Byte>(static_cast<std::int8_t>(Value)));
    } else if (Value >= -32768 && Value <= 32767) {
        WriteValue(vaInt16);
        PutLE<std::int16_t>(b, static_cast<std::int16_t>(Value));
        Write(b, 2);
    } else if (Value >= INT32_MIN && Value <= INT32_MAX) {
        WriteValue(vaInt32);
        PutLE<std::int32_t>(b, static_cast<std::int32_t>(Value));
        Write(b, 4);
    } else {
        WriteValue(vaInt64);
        PutLE<std::int64_t>(b, Value);
        Write(b, 8);
    }
}

void TWriter::WriteBoolean(bool Value) { WriteValue(Value ? vaTrue : vaFalse); }

void TWriter::WriteChar(QChar Value) { WriteString(String(Value)); }

void TWriter::WriteFloat(Extended Value) {
    Byte b[10];
    ExtendedToBytes(Value, b);
    WriteValue(vaExtended);
    Write(b, 10);
}

void TWriter::WriteSingle(Single Value) {
    Byte b[4];
    std::uint32_t u;
    std::memcpy(&u, &Value, 4);
    PutLE<std::uint32_t>(b, u);
    WriteValue(vaSingle);
    Write(b, 4);
}

void TWriter::WriteDouble(double Value) {
    Byte b[8];
    std::uint64_t u;
    std::memcpy(&u, &Value, 8);
    PutLE<std::uint64_t>(b, u);
    WriteValue(vaDouble);
    Write(b, 8);
}

void TWriter::WriteCurrency(Currency Value) {
    Byte b[8];
    PutLE<std::int64_t>(b, Value.Raw());
    WriteValue(vaCurrency);
    Write(b, 8);
}

void TWriter::WriteDate(TDateTime Value) {
    Byte b[8];
    std::uint64_t u;
    std::memcpy(&u, &Value, 8);
    PutLE<std::uint64_t>(b, u);
    WriteValue(vaDate);
    Write(b, 8);
}

void TWriter::WriteString(const String& Value) {
    QByteArray u8 = Value.toUtf8();
    if (u8.size() < 2 * Value.size()) {
        Byte b[4];
        if (!IsAsciiOnly(u8)) {
            WriteValue(vaUTF8String);
            PutLE<std::int32_t>(b, static_cast<std::int32_t>(u8.size()));
            Write(b, 4);
        } else if (u8.size() <= 255) {
            WriteValue(vaString);
            WriteByte(static_cast<Byte>(u8.size()));
        } else {
            WriteValue(vaLString);
            PutLE<std::int32_t>(b, static_cast<std::int32_t>(u8.size()));
            Write(b, 4);
        }
        Write(u8.constData(), static_cast<Integer>(u8.size()));
        return;
    }
    WriteWideString(Value);
}

void TWriter::WriteWideString(const String& Value) {
    Byte b[4];
    WriteValue(vaWString);
    PutLE<std::int32_t>(b, static_cast<std::int32_t>(Value.size()));
    Write(b, 4);
    QByteArray data(Value.size() * 2, '\0');
    for (int i = 0; i < Value.size(); ++i) PutLE<std::uint16_t>(reinterpret_cast<Byte*>(data.data()) + 2 * i, Value[i].unicode());
    Write(data.constData(), static_cast<Integer>(data.size()));
}

void TWriter::WriteUTF8Str(const String& Value) {
    QByteArray u8 = Value.toUtf8();
    Byte b[4];
    WriteValue(vaUTF8String);
    PutLE<std::int32_t>(b, static_cast<std::int32_t>(u8.size()));
    Write(b, 4);
    Write(u8.constData(), static_cast<Integer>(u8.size()));
}

void TWriter::WriteStr(const String& Value) {
    QByteArray b = ShortUtf8(Value);
    WriteByte(static_cast<Byte>(b.size()));
    Write(b.constData(), static_cast<Integer>(b.size()));
}

void TWriter::WriteIdent(const String& Ident) {
    if (Ident.compare(u"False", Qt::CaseInsensitive) == 0) WriteValue(vaFalse);
    else if (Ident.compare(u"True", Qt::CaseInsensitive) == 0) WriteValue(vaTrue);
    else if (Ident.compare(u"Null", Qt::CaseInsensitive) == 0) WriteValue(vaNull);
    else if (Ident.compare(u"nil", Qt::CaseInsensitive) == 0) WriteValue(vaNil);
    else {
        WriteValue(vaIdent);
        WriteStr(Ident);
    }
}

void TWriter::WriteBinary(const QByteArray& Data) {
    Byte b[4];
    WriteValue(vaBinary);
    PutLE<std::int32_t>(b, static_cast<std::int32_t>(Data.size()));
    Write(b, 4);
    Write(Data.constData(), static_cast<Integer>(Data.size()));
}

void TWriter::WriteSet(const std::vector<String>& Names) {
    WriteValue(vaSet);
    for (const String& n : Names) WriteStr(n);
    WriteStr(String());
}

void TWriter::WriteVariant(const Variant& Value) {
    if (VarIsArray(Value)) {
        if (VarType(Value) == (varArray | varByte)) {
            WriteBinary(VarByteArrayToBytes(Value));
            return;
        }
        throw EWriteError(QStringLiteral("Stream write error"));
    }
    switch (VarType(Value) & varTypeMask) {
        case varEmpty: WriteValue(vaNil); break;
        case varNull: WriteValue(vaNull); break;
        case varShortInt: case varByte: case varSmallint: case varWord: case varInteger:
        case varLongWord: case varInt64:
            WriteInteger(Value.AsInt64());
            break;
        case varUInt64: WriteInteger(static_cast<Int64>(Value.AsUInt64())); break;
        case varSingle: WriteSingle(static_cast<Single>(Value.AsDouble())); break;
        case varDouble: WriteFloat(Value.AsExtended()); break;
        case varCurrency: WriteCurrency(Value.AsCurrency()); break;
        case varDate: WriteDate(Value.AsDateTime()); break;
        case varBoolean: WriteBoolean(Value.AsBoolean()); break;
        default: WriteString(Value.AsString()); break;
    }
}

void TWriter::WriteSignature() { Write("TPF0", 4); }

void TWriter::WritePrefix(TFilerFlags Flags, Integer AChildPos) {
    if (Flags.Empty()) return;
    WriteByte(static_cast<Byte>(0xF0 | (Flags.ToBits() & 0x0F)));
    if (Flags.Contains(ffChildPos)) WriteInteger(AChildPos);
}

void TWriter::WritePropName(const String& Name) { WriteStr(FPropPath + Name); }

void TWriter::DefineProperty(const String& Name, const TReaderProc& /*ReadData*/, const TWriterProc& WriteData,
                             bool HasData) {
    if (!HasData || !WriteData) return;
    WritePropName(Name);
    WriteData(this);
}

void TWriter::DefineBinaryProperty(const String& Name, const TStreamProc& /*ReadData*/, const TStreamProc& WriteData,
                                   bool HasData) {
    if (!HasData || !WriteData) return;
    WritePropName(Name);
    TMemoryStream m;
    WriteData(&m);
    QByteArray bytes(static_cast<const char*>(m.Memory()), static_cast<qsizetype>(m.Size()));
    WriteBinary(bytes);
}

void TWriter::WriteProperties(TPersistent* Instance) {
    for (PPropInfo p : GetPropList(Instance))
        if (p->IsStored(Instance)) WriteProperty(Instance, p);
    Instance->DefineProperties(this);
}

namespace {
String ComponentRefName(TComponent* c, TComponent* lookupRoot) {
    if (c->Owner() == lookupRoot) return c->Name();
    if (c == lookupRoot) return QStringLiteral("Owner");
    if (c->Owner() && !c->Owner()->Name().isEmpty() && !c->Name().isEmpty())
        return c->Owner()->Name() + u'.' + c->Name();
    if (!c->Name().isEmpty()) return c->Name() + QStringLiteral(".Owner");
    return String();
}
}  // namespace

void TWriter::WriteProperty(TPersistent* Instance, PPropInfo Prop) {
    const bool isObject = Prop->Kind == pkClass;
    if (!isObject && !Prop->IsWritable()) return;
    if (!isObject && Prop->IsDefaultValue(Instance)) return;
    switch (Prop->Kind) {
        case pkInteger: case pkInt64: {
            Int64 v = Prop->GetOrd(Instance);
            WritePropName(Prop->Name);
            String ident;
            if (Prop->IntToIdent && Prop->IntToIdent(v, ident)) WriteIdent(ident);
            else WriteInteger(v);
            break;
        }
        case pkChar:
            WritePropName(Prop->Name);
            WriteChar(QChar(static_cast<char16_t>(Prop->GetOrd(Instance))));
            break;
        case pkBoolean:
            WritePropName(Prop->Name);
            WriteBoolean(Prop->GetOrd(Instance) != 0);
            break;
        case pkEnum:
            WritePropName(Prop->Name);
            WriteIdent(GetEnumName(Prop, Prop->GetOrd(Instance)));
            break;
        case pkSet: {
            auto bits = static_cast<std::uint64_t>(Prop->GetOrd(Instance));
            std::vector<String> names;
            for (int i = 0; i < 64; ++i)
                if (bits >> i & 1u) names.push_back(GetEnumName(Prop, i));
            WritePropName(Prop->Name);
            WriteSet(names);
            break;
        }
        case pkCurrency:
            WritePropName(Prop->Name);
            WriteCurrency(Currency::FromRaw(Prop->GetOrd(Instance)));
            break;
        case pkSingle:
            WritePropName(Prop->Name);
            WriteSingle(static_cast<Single>(Prop->GetFloat(Instance)));
            break;
        case pkDouble: case pkExtended:
            WritePropName(Prop->Name);
            WriteFloat(Prop->GetFloat(Instance));
            break;
        case pkDate:
            WritePropName(Prop->Name);
            WriteDate(static_cast<TDateTime>(Prop->GetFloat(Instance)));
            break;
        case pkString:
            WritePropName(Prop->Name);
            WriteString(Prop->GetStr(Instance));
            break;
        case pkEvent:
            WritePropName(Prop->Name);
            WriteIdent(Prop->GetStr(Instance));
            break;
        case pkComponent: {
            auto* c = static_cast<TComponent*>(Prop->GetObj(Instance));
            String name = ComponentRefName(c, FLookupRoot ? FLookupRoot : FRoot);
            if (name.isEmpty()) return;
            WritePropName(Prop->Name);
            WriteIdent(name);
            break;
        }
        case pkClass: {
            TObject* o = Prop->GetObj(Instance);
            if (!o) return;
            if (o->InheritsFrom(TCollection::StaticClass())) {
                if (static_cast<TCollection*>(o)->Count() == 0) return;  // an empty collection is the default
                WritePropName(Prop->Name);
                WriteCollection(static_cast<TCollection*>(o));
            } else if (o->InheritsFrom(TComponent::StaticClass())) {
                // A reference to a component through a class-typed property.
                String name = ComponentRefName(static_cast<TComponent*>(o), FLookupRoot ? FLookupRoot : FRoot);
                if (name.isEmpty()) return;
                WritePropName(Prop->Name);
                WriteIdent(name);
            } else if (o->InheritsFrom(TPersistent::StaticClass())) {
                WriteObjectProps(static_cast<TPersistent*>(o), Prop->Name);
            }
            break;
        }
    }
}

void TWriter::WriteObjectProps(TPersistent* Value, const String& Prefix) {
    String saved = FPropPath;
    FPropPath = FPropPath + Prefix + u'.';
    try {
        WriteProperties(Value);
    } catch (...) {
        FPropPath = saved;
        throw;
    }
    FPropPath = saved;
}

void TWriter::WriteCollection(TCollection* Value) {
    WriteValue(vaCollection);
    String saved = FPropPath;
    FPropPath.clear();
    for (int i = 0; i < Value->Count(); ++i) {
        WriteListBegin();
        WriteProperties(Value->Items(i));
        WriteListEnd();
    }
    FPropPath = saved;
    WriteListEnd();
}

void TWriter::WriteComponent(TComponent* Component) {
    Component->SetWriting(true);
    try {
        Component->WriteState(this);
    } catch (...) {
        Component->SetWriting(false);
        throw;
    }
    Component->SetWriting(false);
}

void TWriter::WriteData(TComponent* Instance) {
    TFilerFlags flags;
    if (Instance->ComponentState().Contains(csInline)) flags.Include(ffInline);
    WritePrefix(flags, 0);
    WriteStr(Instance->ClassName());
    WriteStr(Instance->Name());
    String saved = FPropPath;
    FPropPath.clear();
    WriteProperties(Instance);
    FPropPath = saved;
    WriteListEnd();
    if (!FIgnoreChildren) {
        TComponent* savedLookup = FLookupRoot;
        if (Instance != FRoot && Instance->ComponentState().Contains(csInline)) FLookupRoot = Instance;
        Instance->GetChildren([this](TComponent* c) { WriteComponent(c); }, FRoot);
        FLookupRoot = savedLookup;
    }
    WriteListEnd();
}

void TWriter::WriteRootComponent(TComponent* Root) { WriteDescendent(Root, nullptr); }

void TWriter::WriteDescendent(TComponent* Root, TComponent* AAncestor) {
    FRoot = Root;
    FLookupRoot = Root;
    FAncestor = AAncestor;
    WriteSignature();
    WriteComponent(Root);
}

// ---- TReader -----------------------------------------------------------------------------------

TReader::TReader(TStream* Stream) : TFiler(Stream) {}
TReader::~TReader() = default;

void TReader::Read(void* Buf, Integer Count) { FStream->ReadBuffer(Buf, Count); }

Byte TReader::ReadByte() {
    Byte b;
    Read(&b, 1);
    return b;
}

TValueType TReader::ReadValue() {
    Byte b = ReadByte();
    if (b > vaDouble) throw EReadError(QStringLiteral("Invalid property value"));
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
    // Not checked: a component record's prefix byte (0xF0 and up) is seen here too.
    Byte b = ReadByte();
    FStream->Seek(-1, soCurrent);
    return static_cast<TValueType>(b);
}

void TReader::CheckValue(TValueType Value) {
    if (ReadValue() != Value) {
        FStream->Seek(-1, soCurrent);
        SkipValue();
        InvalidValue();
    }
}

bool TReader::EndOfList() { return NextValue() == vaNull; }
void TReader::ReadListBegin() { CheckValue(vaList); }
void TReader::ReadListEnd() { CheckValue(vaNull); }

void TReader::SkipBytes(Int64 Count) {
    if (Count < 0) throw EReadError(QStringLiteral("Stream read error"));
    Int64 pos = FStream->Position();
    if (pos + Count > FStream->Size()) throw EReadError(QStringLiteral("Stream read error"));
    FStream->Seek(Count, soCurrent);
}

void TReader::SkipSetBody() {
    for (;;)
        if (ReadStr().isEmpty()) break;
}

void TReader::SkipValue() {
    Byte b[4];
    switch (ReadValue()) {
        case vaNull: case vaFalse: case vaTrue: case vaNil: break;
        case vaList: {
            TNestingGuard nest(*this);
            while (!EndOfList()) SkipValue();
            ReadListEnd();
            break;
        }
        case vaInt8: SkipBytes(1); break;
        case vaInt16: SkipBytes(2); break;
        case vaInt32: case vaSingle: SkipBytes(4); break;
        case vaExtended: SkipBytes(10); break;
        case vaString: case vaIdent: SkipBytes(ReadByte()); break;
        case vaBinary: case vaLString: case vaUTF8String:
            Read(b, 4);
            SkipBytes(GetLE<std::int32_t>(b));
            break;
        case vaWString:
            Read(b, 4);
            SkipBytes(2 * static_cast<Int64>(GetLE<std::int32_t>(b)));
            break;
        case vaSet: SkipSetBody(); break;
        case vaCollection: {
            TNestingGuard nest(*this);
            while (!EndOfList()) {
                TValueType n = NextValue();
                if (n == vaInt8 || n == vaInt16 || n == vaInt32) SkipValue();
                CheckValue(vaList);
                while (!EndOfList()) {
                    ReadStr();
                    SkipValue();
                }
                ReadListEnd();
            }
            ReadListEnd();
            break;
        }
        case vaCurrency: case vaDate: case vaInt64: case vaDouble: SkipBytes(8); break;
    }
}

Int64 TReader::ReadInt64() {
    Byte b[8];
    switch (ReadValue()) {
        case vaInt8: return static_cast<std::int8_t>(ReadByte());
        case vaInt16: Read(b, 2); return GetLE<std::int16_t>(b);
        case vaInt32: Read(b, 4); return GetLE<std::int32_t>(b);
        case vaInt64: Read(b, 8); return GetLE<std::int64_t>(b);
        default:
            FStream->Seek(-1, soCurrent);
            SkipValue();
            InvalidValue();
    }
}

Integer TReader::ReadInteger() {
    TValueType t = NextValue();
    if (t == vaInt64) InvalidValue();
    return static_cast<Integer>(ReadInt64());
}

bool TReader::ReadBoolean() {
    TValueType t = ReadValue();
    if (t == vaTrue) return true;
    if (t == vaFalse) return false;
    FStream->Seek(-1, soCurrent);
    SkipValue();
    InvalidValue();
}

QChar TReader::ReadChar() {
    String s = ReadString();
    if (s.size() != 1) InvalidValue();
    return s[0];
}

Extended TReader::ReadFloat() {
    Byte b[10];
    switch (NextValue()) {
        case vaExtended: ReadValue(); Read(b, 10); return BytesToExtended(b);
        case vaDouble: return ReadDouble();
        case vaSingle: return ReadSingle();
        case vaCurrency: return static_cast<Extended>(ReadCurrency().Raw()) / 10000;
        case vaDate: return ReadDate();
        case vaInt8: case vaInt16: case vaInt32: case vaInt64: return static_cast<Extended>(ReadInt64());
        default: SkipValue(); InvalidValue();
    }
}

Single TReader::ReadSingle() {
    if (NextValue() != vaSingle) return static_cast<Single>(ReadFloat());
    ReadValue();
    Byte b[4];
    Read(b, 4);
    auto u = GetLE<std::uint32_t>(b);
    Single f;
    std::memcpy(&f, &u, 4);
    return f;
}

double TReader::ReadDouble() {
    if (NextValue() != vaDouble) return static_cast<double>(ReadFloat());
    ReadValue();
    Byte b[8];
    Read(b, 8);
    auto u = GetLE<std::uint64_t>(b);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

Currency TReader::ReadCurrency() {
    if (NextValue() != vaCurrency) return Currency(static_cast<long double>(ReadFloat()));
    ReadValue();
    Byte b[8];
    Read(b, 8);
    return Currency::FromRaw(GetLE<std::int64_t>(b));
}

TDateTime TReader::ReadDate() {
    if (NextValue() != vaDate) return static_cast<TDateTime>(ReadFloat());
    ReadValue();
    Byte b[8];
    Read(b, 8);
    auto u = GetLE<std::uint64_t>(b);
    double d;
    std::memcpy(&d, &u, 8);
    return d;
}

String TReader::ReadStringOf(TValueType t) {
    Byte b[4];
    switch (t) {
        case vaString: case vaIdent: {
            int n = ReadByte();
            QByteArray d(n, '\0');
            Read(d.data(), n);
            // 8-bit strings of the Windows client's streams are in its code page 1251.
            return DecodeTextFile(d);
        }
        case vaLString: case vaUTF8String: {
            Read(b, 4);
            auto n = GetLE<std::int32_t>(b);
            if (n < 0 || FStream->Position() + n > FStream->Size()) throw EReadError(QStringLiteral("Stream read error"));
            QByteArray d(n, '\0');
            Read(d.data(), n);
            return t == vaUTF8String ? QString::fromUtf8(d) : DecodeTextFile(d);
        }
        case vaWString: {
            Read(b, 4);
            auto n = GetLE<std::int32_t>(b);
            if (n < 0 || FStream->Position() + 2 * static_cast<Int64>(n) > FStream->Size())
                throw EReadError(QStringLiteral("Stream read error"));
            QByteArray d(2 * n, '\0');
            Read(d.data(), 2 * n);
            String s(n, QChar());
            for (int i = 0; i < n; ++i) s[i] = QChar(GetLE<std::uint16_t>(reinterpret_cast<const Byte*>(d.constData()) + 2 * i));
            return s;
        }
        default: return String();
    }
}

String TReader::ReadString() {
    TValueType t = ReadValue();
    if (t != vaString && t != vaLString && t != vaWString && t != vaUTF8String) {
        FStream->Seek(-1, soCurrent);
        SkipValue();
        InvalidValue();
    }
    return ReadStringOf(t);
}

String TReader::ReadIdent() {
    switch (TValueType t = ReadValue()) {
        case vaIdent: return ReadStringOf(t);
        case vaFalse: return QStringLiteral("False");
        case vaTrue: return QStringLiteral("True");
        case vaNull: return QStringLiteral("Null");
        case vaNil: return QStringLiteral("nil");
        default:
            FStream->Seek(-1, soCurrent);
            SkipValue();
            InvalidValue();
    }
}

String TReader::ReadStr() { return ReadStringOf(vaString); }

QByteArray TReader::ReadBinary() {
    CheckValue(vaBinary);
    Byte b[4];
    Read(b, 4);
    auto n = GetLE<std::int32_t>(b);
    if (n < 0 || FStream->Position() + n > FStream->Size()) throw EReadError(QStringLiteral("Stream read error"));
    QByteArray d(n, '\0');
    if (n) Read(d.data(), n);
    return d;
}

std::vector<String> TReader::ReadSetNames() {
    CheckValue(vaSet);
    std::vector<String> names;
    for (;;) {
        String s = ReadStr();
        if (s.isEmpty()) break;
        names.push_back(s);
    }
    return names;
}

Variant TReader::ReadVariant() {
    switch (NextValue()) {
        case vaNil: ReadValue(); return Variant();
        case vaNull: ReadValue(); return Variant::Null();
        case vaInt8: return Variant(static_cast<signed char>(ReadInt64()));
        case vaInt16: return Variant(static_cast<short>(ReadInt64()));
        case vaInt32: return Variant(static_cast<int>(ReadInt64()));
        case vaInt64: return Variant(static_cast<long long>(ReadInt64()));
        case vaExtended: case vaDouble: return Variant(static_cast<double>(ReadFloat()));
        case vaSingle: return Variant(ReadSingle());
        case vaCurrency: return Variant(ReadCurrency());
        case vaDate: return VarFromDateTime(ReadDate());
        case vaFalse: case vaTrue: return Variant(ReadBoolean());
        case vaString: case vaLString: case vaWString: case vaUTF8String: return Variant(ReadString());
        case vaIdent: return Variant(ReadIdent());
        case vaBinary: return VarByteArrayOf(ReadBinary());
        case vaList: {
            TNestingGuard nest(*this);
            ReadListBegin();
            std::vector<Variant> items;
            while (!EndOfList()) items.push_back(ReadVariant());
            ReadListEnd();
            Variant a = VarArrayCreate({0, static_cast<int>(items.size()) - 1}, varVariant);
            for (size_t i = 0; i < items.size(); ++i) a.PutElement(static_cast<int>(i), items[i]);
            return a;
        }
        default: SkipValue(); InvalidValue();
    }
}

void TReader::ReadSignature() {
    char sig[4];
    Read(sig, 4);
    if (std::memcmp(sig, "TPF0", 4) != 0) throw EReadError(QStringLiteral("Invalid stream format"));
}

void TReader::ReadPrefix(TFilerFlags& Flags, Integer& AChildPos) {
    Flags = TFilerFlags();
    AChildPos = 0;
    Byte b = ReadByte();
    if ((b & 0xF0) == 0xF0) {
        Flags = TFilerFlags::FromBits(b & 0x0F);
        if (Flags.Contains(ffChildPos)) AChildPos = ReadInteger();
    } else {
        FStream->Seek(-1, soCurrent);
    }
}

bool TReader::Error(const String& Message) {
    bool handled = false;
    if (OnError) OnError(this, Message, handled);
    return handled;
}

void TReader::PropertyError(const String& Name) {
    SkipValue();
    String msg = QStringLiteral("Property %1 does not exist").arg(Name);
    if (!Error(msg)) throw EReadError(msg);
}

void TReader::DefineProperty(const String& Name, const TReaderProc& ReadData, const TWriterProc& /*WriteData*/,
                             bool /*HasData*/) {
    if (FPropName.isEmpty() || !ReadData || Name.compare(FPropName, Qt::CaseInsensitive) != 0) return;
    FPropName.clear();
    ReadData(this);
}

void TReader::DefineBinaryProperty(const String& Name, const TStreamProc& ReadData, const TStreamProc& /*WriteData*/,
                                   bool /*HasData*/) {
    if (FPropName.isEmpty() || !ReadData || Name.compare(FPropName, Qt::CaseInsensitive) != 0) return;
    FPropName.clear();
    QByteArray bytes = ReadBinary();
    TMemoryStream m;
    if (!bytes.isEmpty()) m.WriteBuffer(bytes.constData(), static_cast<Integer>(bytes.size()));
    m.SetPosition(0);
    ReadData(&m);
}

void TReader::ReadProperty(TPersistent* AInstance) {
    String full = ReadStr();
    FPropName = full;
    TPersistent* instance = AInstance;
    const QStringList parts = full.split(u'.');
    try {
        for (int i = 0; i + 1 < parts.size(); ++i) {
            PPropInfo p = GetPropInfo(instance, parts[i]);
            TObject* o = p && p->Kind == pkClass ? p->GetObj(instance) : nullptr;
            if (!o || !o->InheritsFrom(TPersistent::StaticClass())) {
                PropertyError(full);
                return;
            }
            instance = static_cast<TPersistent*>(o);
        }
        FPropName = parts.last();
        PPropInfo p = GetPropInfo(instance, FPropName);
        if (p) {
            ReadPropValue(instance, p);
            FPropName.clear();
            return;
        }
        instance->DefineProperties(this);
        if (!FPropName.isEmpty()) PropertyError(full);
    } catch (const EReadError&) {
        FPropName.clear();
        throw;
    } catch (const Exception& e) {
        // A setter refused the value: the value has been consumed; the error handler decides.
        FPropName.clear();
        if (!Error(e.Message())) throw;
    }
}

void TReader::ReadPropValue(TPersistent* Instance, PPropInfo Prop) {
    if (!Prop->IsWritable() && Prop->Kind != pkClass) {
        SkipValue();
        String msg = QStringLiteral("Property %1 is read-only").arg(Prop->Name);
        if (!Error(msg)) throw EReadError(msg);
        return;
    }
    switch (Prop->Kind) {
        case pkInteger: case pkInt64: {
            if (NextValue() == vaIdent) {
                String ident = ReadIdent();
                Int64 v = 0;
                if (!Prop->IdentToInt || !Prop->IdentToInt(ident, v)) InvalidValue();
                Prop->SetOrd(Instance, v);
            } else {
                Prop->SetOrd(Instance, ReadInt64());
            }
            break;
        }
        case pkChar: Prop->SetOrd(Instance, ReadChar().unicode()); break;
        case pkBoolean: {
            TValueType t = NextValue();
            if (t == vaTrue || t == vaFalse) {
                Prop->SetOrd(Instance, ReadBoolean() ? 1 : 0);
                break;
            }
            int v = GetEnumValue(Prop, ReadIdent());
            if (v < 0) InvalidValue();
            Prop->SetOrd(Instance, v);
            break;
        }
        case pkEnum: {
            int v = GetEnumValue(Prop, ReadIdent());
            if (v < 0) InvalidValue();
            Prop->SetOrd(Instance, v);
            break;
        }
        case pkSet: {
            std::uint64_t bits = 0;
            for (const String& n : ReadSetNames()) {
                int v = GetEnumValue(Prop, n);
                if (v < 0 || v >= 64) InvalidValue();
                bits |= std::uint64_t(1) << v;
            }
            Prop->SetOrd(Instance, static_cast<Int64>(bits));
            break;
        }
        case pkCurrency: Prop->SetOrd(Instance, ReadCurrency().Raw()); break;
        case pkSingle: Prop->SetFloat(Instance, ReadSingle()); break;
        case pkDouble: case pkExtended: Prop->SetFloat(Instance, ReadFloat()); break;
        case pkDate: Prop->SetFloat(Instance, ReadDate()); break;
        case pkString: Prop->SetStr(Instance, ReadString()); break;
        case pkEvent: {
            if (NextValue() == vaNil) {
                ReadValue();
                Prop->SetStr(Instance, String());
            } else {
                Prop->SetStr(Instance, ReadIdent());
            }
            break;
        }
        case pkComponent: case pkClass: {
            TValueType t = NextValue();
            if (t == vaNil) {
                ReadValue();
                if (Prop->SetObj) Prop->SetObj(Instance, nullptr);
            } else if (t == vaCollection) {
                TObject* o = Prop->GetObj ? Prop->GetObj(Instance) : nullptr;
                if (!o || !o->InheritsFrom(TCollection::StaticClass())) {
                    SkipValue();
                    InvalidValue();
                }
                ReadValue();
                ReadCollection(static_cast<TCollection*>(o));
            } else {
                String name = ReadIdent();
                if (!Prop->SetObj) InvalidValue();
                if (OnReferenceName) OnReferenceName(this, name);
                FFixups.push_back({FRoot, Instance, Prop, name});
            }
            break;
        }
    }
}

void TReader::ReadCollection(TCollection* Collection) {
    TNestingGuard nest(*this);
    Collection->BeginUpdate();
    try {
        if (!EndOfList()) Collection->Clear();
        while (!EndOfList()) {
            TValueType n = NextValue();
            if (n == vaInt8 || n == vaInt16 || n == vaInt32) ReadInteger();  // item order (ancestors)
            TCollectionItem* item = Collection->Add();
            ReadListBegin();
            while (!EndOfList()) ReadProperty(item);
            ReadListEnd();
        }
        ReadListEnd();
    } catch (...) {
        Collection->EndUpdate();
        throw;
    }
    Collection->EndUpdate();
}

void TReader::SetName(TComponent* Component, String& Name) {
    if (OnSetName) OnSetName(this, Component, Name);
    Component->SetName(Name);
}

TComponent* TReader::FindAncestorComponent(const String& Name, TClass ComponentClass) {
    TComponent* c = FOwner ? FOwner->FindComponent(Name) : nullptr;
    if (!c && OnAncestorNotFound) OnAncestorNotFound(this, Name, ComponentClass, c);
    return c;
}

TClass TReader::FindComponentClass(const String& ClassName) {
    TClass c = nullptr;
    if (OnFindComponentClass) OnFindComponentClass(this, ClassName, c);
    if (!c) c = GetClass(ClassName);
    if (!c) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(ClassName));
    return c;
}

TComponent* TReader::ReadComponent(TComponent* Component) {
    TNestingGuard nest(*this);
    TFilerFlags flags;
    Integer pos = 0;
    ReadPrefix(flags, pos);
    String className = ReadStr();
    String name = ReadStr();
    TComponent* result = Component;
    bool created = false;
    if (!result) {
        if (flags.Contains(ffInherited)) {
            TClass cls = GetClass(className);
            result = FindAncestorComponent(name, cls);
            if (!result) throw EReadError(QStringLiteral("Ancestor for '%1' not found").arg(name));
        } else {
            TClass cls = FindComponentClass(className);
            if (!cls->InheritsFrom(TComponent::StaticClass()))
                throw EReadError(QStringLiteral("Invalid class type: %1").arg(className));
            if (OnCreateComponent) OnCreateComponent(this, cls, result);
            if (!result) {
                if (cls->CtorKind != TCtorKind::Owner)
                    throw EReadError(QStringLiteral("Class %1 cannot be created").arg(className));
                result = static_cast<TComponent*>(cls->Ctor(FOwner, true));
                created = true;
            }
        }
    }
    try {
        result->SetLoading(true);
        result->SetReading(true);
        if (flags.Contains(ffInline)) result->SetInline(true);
        if (!flags.Contains(ffInherited)) SetName(result, name);
        if (flags.Contains(ffChildPos) && FParent) FParent->SetChildOrder(result, pos);
        result->ReadState(this);
        result->SetReading(false);
        if (std::find(FLoaded.begin(), FLoaded.end(), result) == FLoaded.end()) FLoaded.push_back(result);
    } catch (...) {
        if (created) {
            // Fix-ups recorded for the component (or what it owns) must not outlive it.
            auto owned = [result](TPersistent* p) {
                for (TPersistent* q = p; q; q = q->GetOwner())
                    if (q == result) return true;
                return false;
            };
            std::erase_if(FFixups, [&](const Fixup& f) { return owned(f.Instance); });
            std::erase_if(FLoaded, [&](TComponent* c) { return owned(c); });
            result->Free();
        } else {
            result->SetReading(false);
        }
        throw;
    }
    return result;
}

void TReader::ReadComponents(TComponent* AOwner, TComponent* AParent, const std::function<void(TComponent*)>& Proc) {
    TComponent* savedOwner = FOwner;
    TComponent* savedParent = FParent;
    TComponent* savedRoot = FRoot;
    FOwner = AOwner;
    FParent = AParent;
    FRoot = AOwner;
    try {
        while (!EndOfList()) {
            ReadSignature();
            TComponent* c = ReadComponent(nullptr);
            if (Proc) Proc(c);
        }
        ReadListEnd();
        DoFixupReferences();
        for (TComponent* c : FLoaded) c->Loaded();
        FLoaded.clear();
    } catch (...) {
        FFixups.clear();
        FLoaded.clear();
        FOwner = savedOwner;
        FParent = savedParent;
        FRoot = savedRoot;
        throw;
    }
    FOwner = savedOwner;
    FParent = savedParent;
    FRoot = savedRoot;
}

void TReader::ReadData(TComponent* Instance) {
    while (!EndOfList()) ReadProperty(Instance);
    ReadListEnd();
    TComponent* savedOwner = FOwner;
    TComponent* savedParent = FParent;
    FParent = Instance->GetChildParent();
    FOwner = Instance->GetChildOwner();
    if (!FOwner) FOwner = FRoot;
    try {
        while (!EndOfList()) ReadComponent(nullptr);
        ReadListEnd();
    } catch (...) {
        FOwner = savedOwner;
        FParent = savedParent;
        throw;
    }
    FOwner = savedOwner;
    FParent = savedParent;
}

void TReader::DoFixupReferences() {
    std::vector<Fixup> fixups;
    fixups.swap(FFixups);
    for (const Fixup& f : fixups) {
        TComponent* target = FindNestedComponent(f.Root, f.Name);
        if (target && f.Prop->PropClass && !target->InheritsFrom(f.Prop->PropClass)) {
            String msg = QStringLiteral("Invalid property value");
            if (!Error(msg)) throw EReadError(msg);
            continue;
        }
        // Unresolved names (a root not loaded) leave the reference nil.
        if (target) f.Prop->SetObj(f.Instance, target);
    }
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
    ReadSignature();
    TFilerFlags flags;
    Integer pos = 0;
    ReadPrefix(flags, pos);
    String className = ReadStr();
    String name = ReadStr();
    TComponent* result = Root;
    bool created = false;
    if (!result) {
        TClass cls = FindComponentClass(className);
        if (cls->CtorKind != TCtorKind::Owner)
            throw EReadError(QStringLiteral("Class %1 cannot be created").arg(className));
        result = static_cast<TComponent*>(cls->Ctor(nullptr, true));
        created = true;
    }
    try {
        result->SetLoading(true);
        result->SetReading(true);
        result->SetName(name);
        FRoot = result;
        FLookupRoot = result;
        FOwner = result;
        FLoaded.clear();
        FLoaded.push_back(result);
        result->ReadState(this);
        result->SetReading(false);
        DoFixupReferences();
        std::vector<TComponent*> loaded;
        loaded.swap(FLoaded);
        for (TComponent* c : loaded) c->Loaded();
    } catch (...) {
        FFixups.clear();
        std::vector<TComponent*> loaded;
        loaded.swap(FLoaded);
        if (created) {
            result->Free();
        } else {
            // Components read before the failure keep their properties; they are no longer loading.
            for (TComponent* c : loaded) {
                c->SetReading(false);
                c->SetLoading(false);
            }
        }
        throw;
    }
    return result;
}

// ---- one-call helpers ----------------------------------------------------------------------------

void WriteComponentToStream(TStream* Stream, TComponent* Instance) {
    TWriter w(Stream);
    w.WriteDescendent(Instance, nullptr);
}

TComponent* ReadComponentFromStream(TStream* Stream, TComponent* Instance) {
    TReader r(Stream);
    return r.ReadRootComponent(Instance);
}

// ---- text form ---------------------------------------------------------------------------------

namespace {

// Shortest text that reads back as the same value ("." decimal separator).
template <class F>
String FloatText(F v) {
    if (std::isnan(v)) return QStringLiteral("NAN");
    if (std::isinf(v)) return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    char buf[64];
    for (int prec = 1; prec <= 21; ++prec) {
        std::snprintf(buf, sizeof buf, "%.*Lg", prec, static_cast<long double>(v));
        if (static_cast<F>(std::strtold(buf, nullptr)) == v) break;
    }
    String s = QString::fromLatin1(buf);
    // Integral values keep a decimal point so the text reads back as a float.
    if (!s.contains(u'.') && !s.contains(u'e') && !s.contains(u'E')) s += QStringLiteral(".0");
    return s;
}

class TBinaryToText {
public:
    TBinaryToText(TStream* in, TStream* out) : R(in), Out(out) {}

    void Run() {
        R.ReadSignature();
        ConvertObject();
        Flush();
    }

private:
    void W(const String& s) { Buf += s.toUtf8(); }
    void NewLine() { Buf += "\r\n"; }
    // Indentation stops growing past a depth no real form reaches, so the text stays linear in
    // the size of the stream however deep it nests.
    void Indent() { Buf += QByteArray(2 * std::min(Level, 32), ' '); }
    void Flush() { Out->WriteBuffer(Buf.constData(), static_cast<Integer>(Buf.size())); }

    void ConvertObject() {
        TNestingGuard nest(Nesting);
        TFilerFlags flags;
        Integer pos = 0;
        R.ReadPrefix(flags, pos);
        String cls = R.ReadStr();
        String name = R.ReadStr();
        Indent();
        W(flags.Contains(ffInherited) ? u"inherited "_S : flags.Contains(ffInline) ? u"inline "_S : u"object "_S);
        if (!name.isEmpty()) W(name + QStringLiteral(": "));
        W(cls);
        if (flags.Contains(ffChildPos)) W(QStringLiteral(" [%1]").arg(pos));
        NewLine();
        ++Level;
        while (!R.EndOfList()) ConvertProperty();
        R.ReadListEnd();
        while (!R.EndOfList()) ConvertObject();
        R.ReadListEnd();
        --Level;
        Indent();
        W(u"end"_S);
        NewLine();
    }

    void ConvertProperty() {
        Indent();
        W(R.ReadStr() + QStringLiteral(" = "));
        ConvertValue();
        NewLine();
    }

    void ConvertString(const String& s) {
        // Pieces of at most 64 characters joined by " +" across lines.
        const int chunk = 64;
        if (s.isEmpty()) {
            W(u"''"_S);
            return;
        }
        ++Level;
        for (int start = 0; start < s.size(); start += chunk) {
            if (start > 0) {
                W(u" +"_S);
                NewLine();
                Indent();
            }
            String piece = s.mid(start, chunk);
            String t;
            bool inQuote = false;
            for (QChar c : piece) {
                bool plain = c.unicode() >= 32 && c.unicode() < 127;
                if (plain) {
                    if (!inQuote) { t += u'\''; inQuote = true; }
                    if (c == u'\'') t += u'\'';
                    t += c;
                } else {
                    if (inQuote) { t += u'\''; inQuote = false; }
                    t += u'#' + QString::number(c.unicode());
                }
            }
            if (inQuote) t += u'\'';
            W(t);
        }
        --Level;
    }

    void ConvertBinary() {
        QByteArray d = R.ReadBinary();
        W(u"{"_S);
        ++Level;
        for (qsizetype i = 0; i < d.size(); i += 32) {
            NewLine();
            Indent();
            W(QString::fromLatin1(d.mid(i, 32).toHex().toUpper()));
        }
        --Level;
        W(u"}"_S);
    }

    void ConvertValue() {
        switch (R.NextValue()) {
            case vaList: {
                TNestingGuard nest(Nesting);
                R.ReadListBegin();
                W(u"("_S);
                ++Level;
                while (!R.EndOfList()) {
                    NewLine();
                    Indent();
                    ConvertValue();
                }
                R.ReadListEnd();
                --Level;
                W(u")"_S);
                break;
            }
            case vaInt8: case vaInt16: case vaInt32: case vaInt64: W(QString::number(R.ReadInt64())); break;
            case vaExtended: case vaDouble: W(FloatText(R.ReadFloat())); break;
            case vaSingle: W(FloatText(R.ReadSingle()) + u's'); break;
            case vaCurrency: W(QString::number(R.ReadCurrency().Raw()) + u'c'); break;
            case vaDate: W(FloatText(R.ReadDate()) + u'd'); break;
            case vaString: case vaLString: case vaWString: case vaUTF8String: ConvertString(R.ReadString()); break;
            case vaIdent: case vaFalse: case vaTrue: case vaNil: case vaNull: W(R.ReadIdent()); break;
            case vaBinary: ConvertBinary(); break;
            case vaSet: {
                QStringList names;
                for (const String& n : R.ReadSetNames()) names << n;
                W(u'[' + names.join(u", ") + u']');
                break;
            }
            case vaCollection: {
                TNestingGuard nest(Nesting);
                R.ReadValue();
                W(u"<"_S);
                ++Level;
                while (!R.EndOfList()) {
                    NewLine();
                    Indent();
                    TValueType n = R.NextValue();
                    if (n == vaInt8 || n == vaInt16 || n == vaInt32) W(QStringLiteral("[%1] ").arg(R.ReadInteger()));
                    R.ReadListBegin();
                    W(u"item"_S);
                    NewLine();
                    ++Level;
                    while (!R.EndOfList()) ConvertProperty();
                    R.ReadListEnd();
                    --Level;
                    Indent();
                    W(u"end"_S);
                }
                R.ReadListEnd();
                --Level;
                W(u">"_S);
                break;
            }
            default: R.SkipValue();  // an unknown tag: EReadError
        }
    }

    TReader R;
    TStream* Out;
    QByteArray Buf;
    int Level = 0;
    int Nesting = 0;
};

// The object text parser: tokens and the grammar of the text form.
class TTextToBinary {
public:
    TTextToBinary(const String& text, TStream* out) : S(text), Wr(out) {}

    void Run() {
        Next();
        Wr.WriteSignature();
        ConvertObject();
    }

private:
    enum TokKind { tkEOF, tkSymbol, tkIdent, tkString, tkInteger, tkFloat };

    [[noreturn]] void Fail(const String& what) {
        throw EParserError(QStringLiteral("%1 on line %2").arg(what).arg(Line));
    }

    static bool IdentStart(QChar c) { return c.isLetter() || c == u'_'; }
    static bool IdentChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'.'; }

    void SkipBlanks() {
        while (P < S.size()) {
            QChar c = S[P];
            if (c == u'\n') ++Line;
            if (c.unicode() > 32) break;
            ++P;
        }
    }

    void Next() {
        SkipBlanks();
        TokText.clear();
        if (P >= S.size()) {
            Kind = tkEOF;
            return;
        }
        QChar c = S[P];
        if (IdentStart(c)) {
            int b = P;
            while (P < S.size() && IdentChar(S[P])) ++P;
            TokText = S.mid(b, P - b);
            Kind = tkIdent;
        } else if (c == u'\'' || c == u'#') {
            String v;
            while (P < S.size() && (S[P] == u'\'' || S[P] == u'#')) {
                if (S[P] == u'\'') {
                    ++P;
                    for (;;) {
                        if (P >= S.size() || S[P] == u'\n' || S[P] == u'\r') Fail(u"Unterminated string"_S);
                        if (S[P] == u'\'') {
                            if (P + 1 < S.size() && S[P + 1] == u'\'') {
                                v += u'\'';
                                P += 2;
                                continue;
                            }
                            ++P;
                            break;
                        }
                        v += S[P++];
                    }
                } else {
                    ++P;
                    int b = P;
                    while (P < S.size() && S[P].isDigit()) ++P;
                    bool ok = false;
                    uint code = S.mid(b, P - b).toUInt(&ok);
                    if (!ok || code > 0xFFFF) Fail(u"Invalid character code"_S);
                    v += QChar(static_cast<char16_t>(code));
                }
            }
            TokText = v;
            Kind = tkString;
        } else if (c.isDigit() || ((c == u'-' || c == u'+') && P + 1 < S.size() && S[P + 1].isDigit())) {
            int b = P++;
            bool isFloat = false;
            while (P < S.size()) {
                QChar d = S[P];
                if (d.isDigit()) ++P;
                else if (d == u'.' || ((d == u'e' || d == u'E') && P + 1 < S.size() &&
                                       (S[P + 1].isDigit() || S[P + 1] == u'-' || S[P + 1] == u'+'))) {
                    isFloat = true;
                    P += (d == u'.') ? 1 : 2;
                } else break;
            }
            TokText = S.mid(b, P - b);
            FloatType = QChar();
            if (P < S.size() && (S[P] == u's' || S[P] == u'S' || S[P] == u'c' || S[P] == u'C' || S[P] == u'd' || S[P] == u'D')) {
                FloatType = S[P].toLower();
                ++P;
                isFloat = true;
            }
            Kind = isFloat ? tkFloat : tkInteger;
        } else if (c == u'$') {
            int b = ++P;
            while (P < S.size() && isxdigit(S[P].toLatin1())) ++P;
            bool ok = false;
            TokText = QString::number(S.mid(b, P - b).toLongLong(&ok, 16));
            if (!ok) Fail(u"Invalid hexadecimal number"_S);
            Kind = tkInteger;
        } else {
            TokText = String(c);
            ++P;
            Kind = tkSymbol;
        }
    }

    bool IsSym(char16_t c) const { return Kind == tkSymbol && TokText.size() == 1 && TokText[0] == c; }
    bool IsIdent(const char16_t* w) const { return Kind == tkIdent && TokText.compare(QString::fromUtf16(w), Qt::CaseInsensitive) == 0; }
    void ExpectSym(char16_t c) {
        if (!IsSym(c)) Fail(QStringLiteral("'%1' expected").arg(QChar(c)));
        Next();
    }
    String ExpectIdent() {
        if (Kind != tkIdent) Fail(u"Identifier expected"_S);
        String s = TokText;
        Next();
        return s;
    }

    // Nesting of objects, lists and collections, with the reader's limit.
    class TNest {
    public:
        explicit TNest(TTextToBinary& P) : FP(P) {
            if (FP.Nesting >= TReader::MaxNesting) FP.Fail(u"Nested too deeply"_S);
            ++FP.Nesting;
        }
        ~TNest() { --FP.Nesting; }

    private:
        TTextToBinary& FP;
    };

    void ConvertObject() {
        TNest nest(*this);
        TFilerFlags flags;
        if (IsIdent(u"inherited")) flags.Include(ffInherited);
        else if (IsIdent(u"inline")) flags.Include(ffInline);
        else if (!IsIdent(u"object")) Fail(u"'object' expected"_S);
        Next();
        String name, cls = ExpectIdent();
        if (IsSym(u':')) {
            Next();
            name = cls;
            cls = ExpectIdent();
        }
        Integer pos = 0;
        if (IsSym(u'[')) {
            Next();
            if (Kind != tkInteger) Fail(u"Integer expected"_S);
            pos = TokText.toInt();
            Next();
            ExpectSym(u']');
            flags.Include(ffChildPos);
        }
        Wr.WritePrefix(flags, pos);
        Wr.WriteStr(cls);
        Wr.WriteStr(name);
        while (!IsIdent(u"end") && !IsIdent(u"object") && !IsIdent(u"inherited") && !IsIdent(u"inline")) {
            if (Kind == tkEOF) Fail(u"'end' expected"_S);
            ConvertProperty();
        }
        Wr.WriteListEnd();
        while (!IsIdent(u"end")) {
            if (Kind == tkEOF) Fail(u"'end' expected"_S);
            ConvertObject();
        }
        Wr.WriteListEnd();
        Next();  // end
    }

    void ConvertProperty() {
        String name = ExpectIdent();
        Wr.WriteStr(name);
        ExpectSym(u'=');
        ConvertValue();
    }

    void ConvertValue() {
        switch (Kind) {
            case tkInteger: {
                bool ok = false;
                qlonglong v = TokText.toLongLong(&ok);
                if (!ok) Fail(u"Integer out of range"_S);
                Wr.WriteInteger(v);
                Next();
                return;
            }
            case tkFloat: {
                QByteArray num = TokText.toLatin1();
                if (FloatType == u'c') {
                    bool ok = false;
                    qlonglong raw = TokText.toLongLong(&ok);
                    if (!ok) raw = std::llround(std::strtold(num.constData(), nullptr));
                    Wr.WriteCurrency(Currency::FromRaw(raw));
                } else if (FloatType == u's') {
                    Wr.WriteSingle(std::strtof(num.constData(), nullptr));
                } else if (FloatType == u'd') {
                    Wr.WriteDate(std::strtod(num.constData(), nullptr));
                } else {
                    Wr.WriteFloat(std::strtold(num.constData(), nullptr));
                }
                Next();
                return;
            }
            case tkString: {
                String v = TokText;
                Next();
                while (IsSym(u'+')) {
                    Next();
                    if (Kind != tkString) Fail(u"String expected"_S);
                    v += TokText;
                    Next();
                }
                Wr.WriteString(v);
                return;
            }
            case tkIdent:
                if (TokText == u"NAN" || TokText == u"INF") {
                    Wr.WriteFloat(TokText == u"NAN" ? std::numeric_limits<Extended>::quiet_NaN()
                                                    : std::numeric_limits<Extended>::infinity());
                } else {
                    Wr.WriteIdent(TokText);
                }
                Next();
                return;
            case tkSymbol: break;
            case tkEOF: Fail(u"Value expected"_S);
        }
        if (IsSym(u'-') ) {  // -INF
            Next();
            if (!IsIdent(u"INF")) Fail(u"Number expected"_S);
            Wr.WriteFloat(-std::numeric_limits<Extended>::infinity());
            Next();
        } else if (IsSym(u'[')) {
            Next();
            std::vector<String> names;
            while (!IsSym(u']')) {
                names.push_back(ExpectIdent());
                if (IsSym(u',')) Next();
                else if (!IsSym(u']')) Fail(u"']' expected"_S);
            }
            Next();
            Wr.WriteSet(names);
        } else if (IsSym(u'(')) {
            TNest nest(*this);
            Next();
            Wr.WriteListBegin();
            while (!IsSym(u')')) {
                if (Kind == tkEOF) Fail(u"')' expected"_S);
                ConvertValue();
            }
            Next();
            Wr.WriteListEnd();
        } else if (IsSym(u'{')) {
            // Hex digits up to the closing brace, blanks and line breaks ignored.
            QByteArray hex;
            while (P < S.size() && S[P] != u'}') {
                QChar c = S[P++];
                if (c == u'\n') ++Line;
                if (c.unicode() <= 32) continue;
                if (!isxdigit(c.toLatin1())) Fail(u"Invalid binary value"_S);
                hex += static_cast<char>(c.toLatin1());
            }
            if (P >= S.size() || hex.size() % 2) Fail(u"Invalid binary value"_S);
            ++P;
            Wr.WriteBinary(QByteArray::fromHex(hex));
            Next();
        } else if (IsSym(u'<')) {
            TNest nest(*this);
            Next();
            Wr.WriteValue(vaCollection);
            while (!IsSym(u'>')) {
                if (IsSym(u'[')) {
                    Next();
                    if (Kind != tkInteger) Fail(u"Integer expected"_S);
                    Wr.WriteInteger(TokText.toLongLong());
                    Next();
                    ExpectSym(u']');
                }
                if (!IsIdent(u"item")) Fail(u"'item' expected"_S);
                Next();
                Wr.WriteListBegin();
                while (!IsIdent(u"end")) {
                    if (Kind == tkEOF) Fail(u"'end' expected"_S);
                    ConvertProperty();
                }
                Next();
                Wr.WriteListEnd();
            }
            Next();
            Wr.WriteListEnd();
        } else {
            Fail(QStringLiteral("Invalid property value '%1'").arg(TokText));
        }
    }

    String S;
    int P = 0;
    int Line = 1;
    int Nesting = 0;
    TokKind Kind = tkEOF;
    String TokText;
    QChar FloatType;
    TWriter Wr;
};

QByteArray ReadRest(TStream* s) {
    Int64 n = s->Size() - s->Position();
    QByteArray b(static_cast<qsizetype>(std::max<Int64>(n, 0)), '\0');
    if (n > 0) s->ReadBuffer(b.data(), static_cast<Integer>(n));
    return b;
}

}  // namespace

TStreamOriginalFormat TestStreamFormat(TStream* Stream) {
    Int64 pos = Stream->Position();
    char buf[64] = {};
    Integer n = Stream->Read(buf, sizeof buf);
    Stream->SetPosition(pos);
    QByteArray b(buf, n);
    if (b.startsWith("TPF0")) return sofBinary;
    bool utf8 = false;
    if (b.startsWith("\xEF\xBB\xBF")) {
        utf8 = true;
        b = b.mid(3);
    }
    QByteArray t = b.trimmed().toLower();
    if (t.startsWith("object") || t.startsWith("inherited") || t.startsWith("inline")) return utf8 ? sofUTF8Text : sofText;
    return sofUnknown;
}

void ObjectBinaryToText(TStream* Input, TStream* Output) { TBinaryToText(Input, Output).Run(); }

void ObjectTextToBinary(TStream* Input, TStream* Output) {
    // A text form without a byte-order mark written by the Windows client is in its code page.
    TTextToBinary(DecodeTextFile(ReadRest(Input)), Output).Run();
}

String ComponentToText(TComponent* Component) {
    TMemoryStream bin, text;
    WriteComponentToStream(&bin, Component);
    bin.SetPosition(0);
    ObjectBinaryToText(&bin, &text);
    return QString::fromUtf8(static_cast<const char*>(text.Memory()), static_cast<qsizetype>(text.Size()));
}

TComponent* TextToComponent(const String& Text, TComponent* Instance) {
    TStringStream text(Text);
    TMemoryStream bin;
    ObjectTextToBinary(&text, &bin);
    bin.SetPosition(0);
    return ReadComponentFromStream(&bin, Instance);
}
