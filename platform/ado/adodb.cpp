#include "platform/ado/adodb.h"

#include "platform/ado/pgsqltext.h"
#include "platform/rtl/currency.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>

#include <libpq-fe.h>

namespace {

const char* const SMissingConnection = "Missing Connection or ConnectionString";
const char* const SNoResultSet = "CommandText does not return a result set";
const char* const SRowNotLocated =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";
const char* const SInsufficientKey = "Insufficient key column information for updating or refreshing.";
const char* const SSeveralTables = "Cannot update a row that comes from several tables";

String Latin(const char* s) { return QString::fromLatin1(s); }

String QuoteIdent(const String& Name) {
    String n = Name;
    n.replace(u'"', QStringLiteral("\"\""));
    return u'"' + n + u'"';
}

// The server type a value of a column is sent as.
TPgValueKind KindOfOid(TPgOid Type) {
    switch (Type) {
        case PgType::Int2: return TPgValueKind::SmallInt;
        case PgType::Int4: return TPgValueKind::Integer;
        case PgType::Int8: return TPgValueKind::LargeInt;
        case PgType::Float4:
        case PgType::Float8: return TPgValueKind::Float;
        case PgType::Numeric: return TPgValueKind::Numeric;
        case PgType::Bool: return TPgValueKind::Boolean;
        case PgType::Date: return TPgValueKind::Date;
        case PgType::Time: return TPgValueKind::Time;
        case PgType::Timestamp:
        case PgType::TimestampTz: return TPgValueKind::DateTime;
        case PgType::Bytea: return TPgValueKind::Bytes;
        default: return TPgValueKind::Text;
    }
}

bool IsNullish(const Variant& V) { return VarIsNull(V) || VarIsEmpty(V); }

bool SameValue(const Variant& A, const Variant& B) {
    if (IsNullish(A) || IsNullish(B)) return IsNullish(A) && IsNullish(B);
    if (VarIsArray(A) || VarIsArray(B)) {
        if (!(VarIsArray(A) && VarIsArray(B))) return false;
        return VarByteArrayToBytes(A) == VarByteArrayToBytes(B);
    }
    if (VarIsStr(A) && VarIsStr(B)) return A.AsString() == B.AsString();
    try {
        return VarSameValue(A, B) || A == B;
    } catch (const Exception&) {
        return false;
    }
}

TFieldType FieldTypeOfVariant(const Variant& V) {
    if (VarIsArray(V)) return ftBlob;
    switch (VarType(V) & varTypeMask) {
        case varSmallint: return ftSmallint;
        case varShortInt: return ftShortint;
        case varByte: return ftByte;
        case varWord: return ftWord;
        case varInteger: return ftInteger;
        case varLongWord: return ftLongWord;
        case varInt64:
        case varUInt64: return ftLargeint;
        case varSingle:
        case varDouble: return ftFloat;
        case varCurrency: return ftBCD;
        case varFMTBcd: return ftFMTBcd;
        case varBoolean: return ftBoolean;
        case varDate: return ftDateTime;
        case varSQLTimeStamp: return ftTimeStamp;
        case varOleStr:
        case varString:
        case varUString: return ftWideString;
        default: return ftUnknown;
    }
}

// The ADO filter language takes "*" as well as "%" for any run of characters in a LIKE
// pattern: the patterns that follow LIKE get "%" for "*".
String AdoFilterText(const String& Text) {
    String out = Text;
    const qsizetype n = out.size();
    qsizetype i = 0;
    bool afterLike = false;
    while (i < n) {
        const QChar c = out[i];
        if (c == u'\'') {
            const bool pattern = afterLike;
            ++i;
            while (i < n) {
                if (out[i] == u'\'') {
                    if (i + 1 < n && out[i + 1] == u'\'') {
                        i += 2;
                        continue;
                    }
                    break;
                }
                if (pattern && out[i] == u'*') out[i] = u'%';
                ++i;
            }
            ++i;
            afterLike = false;
            continue;
        }
        if (c.isLetter() || c == u'_') {
            const qsizetype start = i;
            while (i < n && (out[i].isLetterOrNumber() || out[i] == u'_')) ++i;
            afterLike = out.mid(start, i - start).compare(QStringLiteral("like"), Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!c.isSpace()) afterLike = false;
        ++i;
    }
    return out;
}

}  // namespace

TPgValueKind PgValueKindOf(TFieldType DataType) {
    switch (DataType) {
        case ftSmallint: return TPgValueKind::SmallInt;
        case ftInteger:
        case ftWord:
        case ftAutoInc:
        case ftShortint:
        case ftByte: return TPgValueKind::Integer;
        case ftLargeint:
        case ftLongWord: return TPgValueKind::LargeInt;
        case ftFloat:
        case ftSingle:
        case ftExtended: return TPgValueKind::Float;
        case ftCurrency:
        case ftBCD:
        case ftFMTBcd: return TPgValueKind::Numeric;
        case ftBoolean: return TPgValueKind::Boolean;
        case ftDate: return TPgValueKind::Date;
        case ftTime: return TPgValueKind::Time;
        case ftDateTime:
        case ftTimeStamp: return TPgValueKind::DateTime;
        case ftBytes:
        case ftVarBytes:
        case ftBlob:
        case ftGraphic:
        case ftTypedBinary:
        case ftOraBlob: return TPgValueKind::Bytes;
        case ftUnknown: return TPgValueKind::Auto;
        default: return TPgValueKind::Text;
    }
}

// ---- TParameter --------------------------------------------------------------------------------

TParameter::TParameter(TCollection* ACollection) : TCollectionItem(ACollection) {}

void TParameter::SetValue(const Variant& Value) {
    FValue = Value;
    if (FDataType == ftUnknown) FDataType = FieldTypeOfVariant(Value);
}

TPgParam TParameter::PgParam() const {
    if (FDirection == pdOutput || FDirection == pdReturnValue)
        return TPgParam::FromVariant(Null(), PgValueKindOf(FDataType));
    return TPgParam::FromVariant(FValue, PgValueKindOf(FDataType));
}

void TParameter::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TParameter*>(Source)) {
        FName = p->FName;
        FDataType = p->FDataType;
        FDirection = p->FDirection;
        FSize = p->FSize;
        FPrecision = p->FPrecision;
        FNumericScale = p->FNumericScale;
        FValue = p->FValue;
        return;
    }
    if (auto* p = dynamic_cast<TParam*>(Source)) {
        FName = p->Name();
        FDataType = p->DataType();
        switch (p->ParamType()) {
            case ptOutput: FDirection = pdOutput; break;
            case ptInputOutput: FDirection = pdInputOutput; break;
            case ptResult: FDirection = pdReturnValue; break;
            default: FDirection = pdInput; break;
        }
        FSize = p->Size();
        FPrecision = p->Precision();
        FNumericScale = p->NumericScale();
        FValue = p->Value();
        return;
    }
    inherited::Assign(Source);
}

// ---- TParameters -------------------------------------------------------------------------------

TParameters::TParameters(TPersistent* AOwner) : TOwnedCollection(AOwner, TParameter::StaticClass()) {}

TParameter* TParameters::CreateParameter(const String& Name, TFieldType DataType, TParameterDirection Direction,
                                         int Size, const Variant& Value) {
    TParameter* p = AddParameter();
    p->SetName(Name);
    p->SetDataType(DataType);
    p->SetDirection(Direction);
    p->SetSize(Size);
    p->SetValue(Value);
    return p;
}

TParameter* TParameters::FindParam(const String& Value) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Name().compare(Value, Qt::CaseInsensitive) == 0) return Items(i);
    return nullptr;
}

TParameter* TParameters::ParamByName(const String& Value) const {
    TParameter* p = FindParam(Value);
    if (!p) DatabaseErrorFmt(Latin(DbConsts::SParameterNotFound), {Value});
    return p;
}

Variant TParameters::ParamValues(const String& ParamName) const {
    const std::vector<String> names = ExtractFieldNames(ParamName);
    if (names.size() <= 1) return ParamByName(ParamName.trimmed())->Value();
    Variant result = VarArrayCreate({0, static_cast<int>(names.size()) - 1}, varVariant);
    for (size_t i = 0; i < names.size(); ++i) result.PutElement(static_cast<int>(i), ParamByName(names[i])->Value());
    return result;
}

void TParameters::SetParamValues(const String& ParamName, const Variant& Value) {
    const std::vector<String> names = ExtractFieldNames(ParamName);
    if (names.size() <= 1) {
        ParamByName(ParamName.trimmed())->SetValue(Value);
        return;
    }
    for (size_t i = 0; i < names.size(); ++i)
        ParamByName(names[i])->SetValue(Value.GetElement(VarArrayLowBound(Value, 1) + static_cast<int>(i)));
}

String TParameters::ParseSQL(const String& SQL, bool DoCreate) {
    const TPgParsedSql parsed = ParsePgSqlParams(SQL);
    if (DoCreate) {
        // keep what the caller set on parameters that stay
        std::vector<TOwned<TParameter>> old;
        for (int i = 0; i < Count(); ++i) {
            auto copy = NewOwned<TParameter>(nullptr);
            copy->Assign(Items(i));
            old.push_back(std::move(copy));
        }
        BeginUpdate();
        try {
            Clear();
            for (const String& name : parsed.Names) {
                TParameter* p = AddParameter();
                auto it = std::find_if(old.begin(), old.end(), [&](const auto& o) {
                    return o->Name().compare(name, Qt::CaseInsensitive) == 0;
                });
                if (it != old.end()) p->Assign(it->get());
                p->SetName(name);
            }
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
    }
    return parsed.Sql;
}

void TParameters::AssignValues(TParameters* Source) {
    for (int i = 0; i < Source->Count(); ++i)
        if (TParameter* p = FindParam(Source->Items(i)->Name())) p->Assign(Source->Items(i));
}

void TParameters::AssignParams(TParams* Source) {
    BeginUpdate();
    try {
        Clear();
        for (int i = 0; i < Source->Count(); ++i) AddParameter()->Assign(Source->Items(i));
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TParameters::AssignToParams(TParams* Dest) const {
    Dest->Clear();
    for (int i = 0; i < Count(); ++i) {
        const TParameter* s = Items(i);
        TParamType t = ptInput;
        switch (s->Direction()) {
            case pdOutput: t = ptOutput; break;
            case pdInputOutput: t = ptInputOutput; break;
            case pdReturnValue: t = ptResult; break;
            case pdUnknown: t = ptUnknown; break;
            default: break;
        }
        TParam* p = Dest->CreateParam(s->DataType(), s->Name(), t);
        p->SetSize(s->Size());
        p->SetPrecision(s->Precision());
        p->SetNumericScale(s->NumericScale());
        if (!VarIsEmpty(s->Value())) p->SetValue(s->Value());
    }
}

std::vector<TPgParam> PgParamsByName(TParameters* Parameters, const QStringList& Names) {
    std::vector<TPgParam> params;
    params.reserve(static_cast<size_t>(Names.size()));
    for (const String& name : Names) {
        TParameter* p = Parameters->FindParam(name);
        if (!p) DatabaseErrorFmt(Latin(DbConsts::SParameterNotFound), {name});
        params.push_back(p->PgParam());
    }
    return params;
}

// ---- TADOConnection ----------------------------------------------------------------------------

TADOConnection::TADOConnection(TComponent* AOwner) : TComponent(AOwner) {}

TADOConnection::~TADOConnection() = default;

void TADOConnection::BeforeDestruction() {
    // datasets and commands let go of the connection through the removal notification
    for (TCustomADODataSet* d : std::vector<TCustomADODataSet*>(FDataSets)) d->SetConnection(nullptr);
    for (TADOCommand* c : std::vector<TADOCommand*>(FCommands)) c->SetConnection(nullptr);
    FClient.Close();
    inherited::BeforeDestruction();
}

void TADOConnection::SetConnectionString(const String& Value) {
    if (Value == FConnectionString) return;
    if (Connected()) Close();
    FConnectionString = Value;
}

bool TADOConnection::Connected() const { return FClient.Connected(); }

void TADOConnection::SetConnected(bool Value) {
    if (ComponentState().Contains(csLoading) || ComponentState().Contains(csReading)) {
        FStreamedConnected = Value;
        return;
    }
    if (Value == Connected()) return;
    if (Value)
        DoConnect();
    else
        DoDisconnect();
}

void TADOConnection::Loaded() {
    inherited::Loaded();
    if (FStreamedConnected) SetConnected(true);
}

void TADOConnection::DoConnect() {
    if (BeforeConnect) BeforeConnect(this);
    String cs = FConnectionString;
    if (!FDefaultDatabase.isEmpty()) {
        bool hasDatabase = false;
        for (const auto& item : SplitPgConnectionString(cs))
            if (item.Key.compare(QStringLiteral("DATABASE"), Qt::CaseInsensitive) == 0 && !item.Value.isEmpty())
                hasDatabase = true;
        if (!hasDatabase) cs += QStringLiteral(";DATABASE={") + String(FDefaultDatabase).replace(u'}', QStringLiteral("}}")) + u'}';
    }
    FClient.Open(cs);
    if (AfterConnect) AfterConnect(this);
}

void TADOConnection::DoDisconnect() {
    if (BeforeDisconnect) BeforeDisconnect(this);
    for (TCustomADODataSet* d : std::vector<TCustomADODataSet*>(FDataSets))
        if (d->Active()) d->Close();
    FClient.Close();
    if (AfterDisconnect) AfterDisconnect(this);
}

TPgConnection& TADOConnection::Client() {
    // A connection the server dropped is opened again by the client connection itself, and only
    // where no transaction was lost with it (see TPgConnection::Execute).
    if (!FClient.Opened()) DoConnect();
    return FClient;
}

void TADOConnection::Execute(const String& CommandText) {
    int n;
    Execute(CommandText, n);
}

void TADOConnection::Execute(const String& CommandText, int& RecordsAffected) {
    RecordsAffected = static_cast<int>(Client().Execute(CommandText).RowsAffected());
}

int TADOConnection::BeginTrans() {
    Client().BeginTransaction();
    return 1;
}

void TADOConnection::CommitTrans() { Client().Commit(); }

void TADOConnection::RollbackTrans() { Client().Rollback(); }

bool TADOConnection::InTransaction() const { return FClient.InTransaction(); }

void TADOConnection::GetTableNames(TStrings* List, bool SystemTables) {
    const QStringList names = Client().TableNames();
    List->BeginUpdate();
    List->Clear();
    for (const String& n : names) List->Add(n);
    if (SystemTables) {
        const TPgResult r = FClient.Execute(QStringLiteral(
            "select c.oid::regclass::text from pg_catalog.pg_class c join pg_catalog.pg_namespace n "
            "on n.oid = c.relnamespace where n.nspname = 'pg_catalog' and c.relkind in ('r', 'v') order by 1"));
        for (int i = 0; i < r.RowCount(); ++i) List->Add(QString::fromUtf8(r.Text(i, 0)));
    }
    List->EndUpdate();
}

void TADOConnection::GetFieldNames(const String& TableName, TStrings* List) {
    const QStringList names = Client().FieldNames(TableName);
    List->BeginUpdate();
    List->Clear();
    for (const String& n : names) List->Add(n);
    List->EndUpdate();
}

void TADOConnection::RegisterClient(TObject* Client) {
    if (auto* d = dynamic_cast<TCustomADODataSet*>(Client)) {
        if (std::find(FDataSets.begin(), FDataSets.end(), d) == FDataSets.end()) FDataSets.push_back(d);
    } else if (auto* c = dynamic_cast<TADOCommand*>(Client)) {
        if (std::find(FCommands.begin(), FCommands.end(), c) == FCommands.end()) FCommands.push_back(c);
    }
}

void TADOConnection::UnRegisterClient(TObject* Client) {
    std::erase(FDataSets, static_cast<TCustomADODataSet*>(dynamic_cast<TCustomADODataSet*>(Client)));
    std::erase(FCommands, static_cast<TADOCommand*>(dynamic_cast<TADOCommand*>(Client)));
}

// ---- TCustomADODataSet -------------------------------------------------------------------------

namespace {

// How a fetched column's text reads into its field's Variant kind without the general decoding:
// integers, finite floats, booleans, texts, ISO dates and numerics with at most four decimals as
// currency. Anything a fast reader does not take goes the general way (decoded by type, then
// cast to the field's kind), which gives the same value.
enum class TCellKind : unsigned char { General, Int16, Int32, Int64, Double, Bool, Text, Date, Currency };

TCellKind CellKindOf(TPgOid Type, TVarType Target) {
    switch (Type) {
        case PgType::Int2:
            return Target == varSmallint ? TCellKind::Int16 : Target == varInteger ? TCellKind::Int32 : TCellKind::General;
        case PgType::Int4: return Target == varInteger ? TCellKind::Int32 : TCellKind::General;
        case PgType::Int8: return Target == varInt64 ? TCellKind::Int64 : TCellKind::General;
        case PgType::Float4:
        case PgType::Float8: return Target == varDouble ? TCellKind::Double : TCellKind::General;
        case PgType::Bool: return Target == varBoolean ? TCellKind::Bool : TCellKind::General;
        case PgType::Text:
        case PgType::VarChar:
        case PgType::BpChar: return Target == varUString ? TCellKind::Text : TCellKind::General;
        case PgType::Date: return Target == varDate ? TCellKind::Date : TCellKind::General;
        case PgType::Numeric: return Target == varCurrency ? TCellKind::Currency : TCellKind::General;
        default: return TCellKind::General;
    }
}

// A decimal integer filling the whole NUL-terminated text ("-" allowed, no "+", no spaces) within
// [Min, Max].
bool ReadInteger(const char* T, Int64 Min, Int64 Max, Int64& Out) {
    const bool neg = *T == '-';
    if (neg) ++T;
    UInt64 v = 0;
    const char* start = T;
    for (; static_cast<unsigned>(*T - '0') <= 9; ++T) {
        if (T - start >= 19) return false;
        v = v * 10 + static_cast<unsigned>(*T - '0');
    }
    if (*T || T == start) return false;
    if (neg) {
        if (v > static_cast<UInt64>(-(Min + 1)) + 1) return false;
        Out = static_cast<Int64>(0 - v);
    } else {
        if (v > static_cast<UInt64>(Max)) return false;
        Out = static_cast<Int64>(v);
    }
    return true;
}

int TwoDigits(const char* T) {
    const unsigned a = static_cast<unsigned>(T[0] - '0'), b = static_cast<unsigned>(T[1] - '0');
    return a <= 9 && b <= 9 ? static_cast<int>(a * 10 + b) : -1;
}

// ISO "YYYY-MM-DD" (years 1..9999) as days since 1899-12-30; any other form is left to the
// general reading.
bool ReadIsoDate(const char* T, TDateTime& Out) {
    if (T[4] != '-' || T[7] != '-' || T[10] != 0) return false;
    const int yh = TwoDigits(T), yl = TwoDigits(T + 2), m = TwoDigits(T + 5), d = TwoDigits(T + 8);
    if (yh < 0 || yl < 0 || m < 1 || m > 12 || d < 1) return false;
    const int y = yh * 100 + yl;
    if (y < 1) return false;
    static const unsigned char monthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
    if (d > monthDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
    // days from the civil date: years counted from March, so the leap day ends a year
    const int yy = m <= 2 ? y - 1 : y;
    const int era = yy / 400;  // yy >= 0
    const int yoe = yy - era * 400;
    const int doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int days = era * 146097 + doe - 719468;  // days since 1970-01-01
    Out = static_cast<TDateTime>(days + 25569);
    return true;
}

// A numeric with at most 14 whole digits and 4 decimals as currency.
bool ReadCurrency(const char* T, Int64& Raw) {
    const bool neg = *T == '-';
    if (neg) ++T;
    Int64 whole = 0;
    const char* start = T;
    for (; static_cast<unsigned>(*T - '0') <= 9; ++T) whole = whole * 10 + (*T - '0');
    const long digits = T - start;
    if (digits == 0 || digits > 14) return false;
    Int64 frac = 0;
    int places = 0;
    if (*T == '.') {
        for (++T; static_cast<unsigned>(*T - '0') <= 9 && places < 5; ++T, ++places) frac = frac * 10 + (*T - '0');
        if (places == 0 || places > 4) return false;
    }
    if (*T) return false;
    for (int i = places; i < 4; ++i) frac *= 10;
    Raw = whole * 10000 + frac;
    if (neg) Raw = -Raw;
    return true;
}

// Puts a value into Out in place: no Variant made on the side and moved over.
template <class T>
void SetValue(Variant& Out, T&& Value) noexcept {
    Out.~Variant();
    new (&Out) Variant(std::forward<T>(Value));
}

// The value of a non-Null cell by its column's fast reader; false when the text is not one the
// reader takes.
bool ReadFastCell(TCellKind Kind, pg_result* Res, int Row, int Col, const char* T, Variant& Out) {
    switch (Kind) {
        case TCellKind::Int16: {
            Int64 v;
            if (!ReadInteger(T, -32768, 32767, v)) return false;
            SetValue(Out, static_cast<short>(v));
            return true;
        }
        case TCellKind::Int32: {
            Int64 v;
            if (!ReadInteger(T, std::numeric_limits<int>::min(), std::numeric_limits<int>::max(), v)) return false;
            SetValue(Out, static_cast<int>(v));
            return true;
        }
        case TCellKind::Int64: {
            Int64 v;
            if (!ReadInteger(T, std::numeric_limits<Int64>::min(), std::numeric_limits<Int64>::max(), v)) return false;
            SetValue(Out, static_cast<long long>(v));
            return true;
        }
        case TCellKind::Double: {
            // digits only: NaN and the infinities go the general way
            const char* p = T + (*T == '-');
            if (static_cast<unsigned>(*p - '0') > 9) return false;
            const char* end = T + PQgetlength(Res, Row, Col);
            double v = 0;
            const auto r = std::from_chars(T, end, v);
            if (r.ec != std::errc() || r.ptr != end) return false;
            SetValue(Out, v);
            return true;
        }
        case TCellKind::Bool:
            SetValue(Out, T[0] == 't' && T[1] == 0);
            return true;
        case TCellKind::Text:
            SetValue(Out, QString::fromUtf8(T, PQgetlength(Res, Row, Col)));
            return true;
        case TCellKind::Date: {
            if (PQgetlength(Res, Row, Col) != 10) return false;
            TDateTime dt;
            if (!ReadIsoDate(T, dt)) return false;
            Out.~Variant();
            new (&Out) Variant(VarFromDateTime(dt));  // made in place
            return true;
        }
        case TCellKind::Currency: {
            Int64 raw;
            if (!ReadCurrency(T, raw)) return false;
            SetValue(Out, Currency::FromRaw(raw));
            return true;
        }
        case TCellKind::General:
            return false;
    }
    return false;
}

}  // namespace

struct TCustomADODataSet::TColumnInfo {
    TPgOid Type = 0;
    int TypMod = -1;
    TPgOid Table = 0;
    int TableColumn = 0;
    TVarType Target = varVariant;  // the Variant kind of the column's field
    TCellKind Kind = TCellKind::General;
};

struct TCustomADODataSet::TTableInfo {
    TPgOid Oid = 0;
    String Name;
    std::vector<std::pair<int, String>> Columns;
    std::vector<int> Key;
    String ColumnName(int AttNum) const {
        for (const auto& [n, name] : Columns)
            if (n == AttNum) return name;
        return {};
    }
};

TCustomADODataSet::TCustomADODataSet(TComponent* AOwner)
    : TDataSet(AOwner), FParameters(NewOwned<TParameters>(this)) {}

TCustomADODataSet::~TCustomADODataSet() {
    if (FConnection) FConnection->UnRegisterClient(this);  // deleted without Free
    for (TRecBuf* b : FAllocated) delete b;
}

void TCustomADODataSet::BeforeDestruction() {
    if (FConnection) {
        FConnection->UnRegisterClient(this);
        FConnection = nullptr;
    }
    inherited::BeforeDestruction();
}

void TCustomADODataSet::SetConnection(TADOConnection* Value) {
    if (Value == FConnection) return;
    if (Active()) Close();
    if (FConnection) {
        FConnection->UnRegisterClient(this);
        FConnection->RemoveFreeNotification(this);
    }
    FConnection = Value;
    if (FConnection) {
        FConnection->RegisterClient(this);
        FConnection->FreeNotification(this);
        FConnectionString.clear();
        FOwnClient.reset();
    }
}

void TCustomADODataSet::SetConnectionString(const String& Value) {
    if (Value == FConnectionString) return;
    if (Active()) Close();
    FConnectionString = Value;
    FOwnClient.reset();
    if (!Value.isEmpty()) SetConnection(nullptr);
}

void TCustomADODataSet::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FConnection) SetConnection(nullptr);
}

TPgConnection& TCustomADODataSet::Client() {
    if (FConnection) return FConnection->Client();
    if (FConnectionString.isEmpty()) DatabaseError(Latin(SMissingConnection), this);
    if (!FOwnClient) FOwnClient = std::make_unique<TPgConnection>();
    if (!FOwnClient->Connected()) FOwnClient->Open(FConnectionString);
    return *FOwnClient;
}

void TCustomADODataSet::CommandTextChanged(const String& Text) {
    if (FParamCheck) FParameters->ParseSQL(Text, true);
}

TPgResult TCustomADODataSet::Run() {
    const String text = CommandTextForOpen();
    if (!FParamCheck) return Client().Execute(text);
    const TPgParsedSql parsed = ParsePgSqlParams(text);
    return Client().Execute(parsed.Sql, PgParamsByName(FParameters.get(), parsed.Names));
}

int TCustomADODataSet::ExecuteCommand() {
    const TPgResult r = Run();
    FRowsAffected = static_cast<int>(r.RowsAffected());
    return FRowsAffected;
}

void TCustomADODataSet::DefineFields(const TPgResult& Result) {
    FColumns.clear();
    FieldDefs()->BeginUpdate();
    try {
        FieldDefs()->Clear();
        for (int c = 0; c < Result.ColumnCount(); ++c) {
            const TPgColumn& col = Result.Column(c);
            TFieldType type = ftWideString;
            int size = 0, precision = 0;
            switch (col.Type) {
                case PgType::Int2: type = ftSmallint; break;
                case PgType::Int4: type = ftInteger; break;
                case PgType::Int8:
                case PgType::Oid: type = ftLargeint; break;
                case PgType::Float4:
                case PgType::Float8: type = ftFloat; break;
                case PgType::Bool: type = ftBoolean; break;
                case PgType::Date: type = ftDate; break;
                case PgType::Time:
                case PgType::TimeTz: type = ftTime; break;
                case PgType::Timestamp:
                case PgType::TimestampTz: type = ftDateTime; break;
                case PgType::Bytea: type = ftBlob; break;
                case PgType::BpChar:
                    type = ftFixedChar;
                    size = col.Length() > 0 ? col.Length() : 1;
                    break;
                case PgType::VarChar:
                    size = col.Length() > 0 ? col.Length() : 255;
                    break;
                case PgType::Text:
                    size = 8190;
                    break;
                case PgType::Numeric:
                    if (col.TypMod >= 4) {
                        precision = col.Precision();
                        size = col.Scale();
                        type = precision <= 18 && size <= 4 ? ftBCD : ftFMTBcd;
                    } else {
                        type = ftFMTBcd;
                        precision = 28;
                        size = 6;
                    }
                    break;
                default:
                    size = 255;
                    break;
            }
            // a persistent data field of the caller decides the type its values take
            if (TField* f = FindField(col.Name); f && f->FieldKind() == fkData && f->DataType() != type) {
                type = f->DataType();
                size = f->Size();
                precision = 0;
                if (auto* b = dynamic_cast<TBCDField*>(f)) precision = b->Precision();
                if (auto* b = dynamic_cast<TFMTBCDField*>(f)) precision = b->Precision();
            }
            String name = col.Name;
            for (int k = 1; FieldDefs()->IndexOf(name) >= 0; ++k) name = col.Name + u'_' + QString::number(k);
            TFieldDef* def = FieldDefs()->AddFieldDef();
            def->SetName(name);
            def->SetDataType(type);
            def->SetSize(size);
            def->SetPrecision(precision);
            if (!col.Table) def->SetAttributes({faReadonly});
            const TVarType target = FieldTypeVarMap(type);
            FColumns.push_back({col.Type, col.TypMod, col.Table, col.TableColumn, target, CellKindOf(col.Type, target)});
        }
    } catch (...) {
        FieldDefs()->EndUpdate();
        throw;
    }
    FieldDefs()->EndUpdate();
    FieldDefs()->SetUpdated(true);
}

Variant TCustomADODataSet::ToFieldType(const Variant& Value, int DefIndex) const {
    if (IsNullish(Value)) return Null();
    const TFieldType type = FieldDefs()->Items(DefIndex)->DataType();
    const TVarType target = FieldTypeVarMap(type);
    if (VarIsArray(Value)) {
        if (IsStringFieldType(type)) return Variant(QString::fromUtf8(VarByteArrayToBytes(Value)));
        return Value;
    }
    if (target == varVariant || VarType(Value) == target) return Value;
    if ((target & varArray) != 0) return VarByteArrayOf(Value.AsString().toUtf8());
    return VarAsType(Value, target);
}

// The rows keep their values in the result and are decoded as they are read: opening costs the
// fetch, and a value is decoded once per read instead of held twice.
void TCustomADODataSet::LoadRows(TPgResult&& Result) {
    for (TRecBuf* b : FAllocated) b->Row = nullptr;
    if (FView) FView->Clear();  // the blocks stay for the new rows
    FRows.clear();
    FDeadRows = 0;
    FFetchedRows.clear();
    FResult = std::make_unique<TPgResult>(std::move(Result));
    FResultColumns = std::min(FColumns.size(), static_cast<size_t>(FResult->ColumnCount()));
    const int n = FResult->RowCount();
    constexpr int blockRows = FetchedBlockRows;
    FFetchedFirstId = FNextId;
    FFetchedEndId = FNextId + n;
    FFetchedRows.reserve(static_cast<size_t>((n + blockRows - 1) / blockRows));
    for (int r = 0; r < n; ++r) {
        if (r % blockRows == 0) FFetchedRows.push_back(std::make_unique<TRow[]>(static_cast<size_t>(std::min(blockRows, n - r))));
        TRow* row = &FFetchedRows.back()[static_cast<size_t>(r % blockRows)];
        row->Id = FNextId++;
        row->Fetched = true;
    }
}

bool TCustomADODataSet::ReadCell(const TRow& Row, size_t Col, Variant& Value) const {
    if (Row.Values || !Row.Fetched || !FResult) {
        if (!Row.Values || Col >= Row.Values->size() || IsNullish((*Row.Values)[Col])) return false;
        Value = (*Row.Values)[Col];
        return true;
    }
    if (Col >= FResultColumns) return false;
    pg_result* res = FResult->Handle();
    const int c = static_cast<int>(Col);
    const int r = ResultRowOf(Row);
    const char* t = PQgetvalue(res, r, c);
    if (!t || (*t == 0 && PQgetisnull(res, r, c))) return false;  // Null reads as ""
    if (ReadFastCell(FColumns[Col].Kind, res, r, c, t, Value)) return true;
    Value = ToFieldType(FResult->Value(r, c), c);
    return !IsNullish(Value);
}

Variant TCustomADODataSet::CellValue(const TRow& Row, size_t Col) const {
    if (Row.Values || !Row.Fetched || !FResult)
        return Row.Values && Col < Row.Values->size() ? (*Row.Values)[Col] : Null();
    Variant v;
    if (!ReadCell(Row, Col, v)) return Null();
    return v;
}

std::vector<Variant>& TCustomADODataSet::BufferValues(TRecBuf* B) const {
    if (B->Values.empty()) {
        if (B->Row) {
            B->Values.resize(FColumns.size());
            for (size_t c = 0; c < B->Values.size(); ++c) B->Values[c] = CellValue(*B->Row, c);
        } else {
            B->Values.assign(FColumns.size(), Null());
        }
    }
    return B->Values;
}

void TCustomADODataSet::ForgetRow(const TRow* Row) {
    for (TRecBuf* b : FAllocated)
        if (b->Row == Row) {
            BufferValues(b);  // the buffer keeps showing what it showed
            b->Row = nullptr;
        }
}

void TCustomADODataSet::ParseFilter() {
    FFilterExpr.reset();
    if (!FFilterText.trimmed().isEmpty())
        FFilterExpr = std::make_unique<TFilterExpr>(this, AdoFilterText(FFilterText), FFilterOptions + foCaseInsensitive);
}

bool TCustomADODataSet::RowAccepted(TRow* Row) {
    if (!FFiltered) return true;
    if (FFilterExpr && !FFilterExpr->IsEmpty()) {
        FFilterExpr->GetFieldValue = [this, Row](const String& Name) -> Variant {
            TField* f = FieldByName(Name);
            if (f->FieldNo() > 0 && f->FieldNo() <= static_cast<int>(FColumns.size()))
                return CellValue(*Row, static_cast<size_t>(f->FieldNo() - 1));
            return Null();
        };
        if (!FFilterExpr->Accept()) return false;
    }
    if (FOnFilterRecord) {
        // a buffer of its own: the ring does not exist yet while the dataset opens
        TRecBuf b;
        b.RowId = Row->Id;
        b.Row = Row;
        b.Calc.assign(static_cast<size_t>(FieldCount()), Null());
        bool accept = true;
        FFilterRec = &b;
        const TDataSetState old = SetTempState(dsFilter);
        try {
            GetCalcFields(reinterpret_cast<TRecordBuffer>(&b));
            FOnFilterRecord(this, accept);
        } catch (...) {
            RestoreState(old);
            FFilterRec = nullptr;
            throw;
        }
        RestoreState(old);
        FFilterRec = nullptr;
        if (!accept) return false;
    }
    return true;
}

void TCustomADODataSet::RebuildView() {
    // The server's order, then the inserted rows.
    std::vector<TRow*> view;
    view.reserve(static_cast<size_t>(FFetchedEndId - FFetchedFirstId) + FRows.size());
    auto take = [this, &view](TRow* Row) {
        if (!Row->Deleted && RowAccepted(Row)) view.push_back(Row);
    };
    for (int r = 0, n = FFetchedEndId - FFetchedFirstId; r < n; ++r)
        take(&FFetchedRows[static_cast<size_t>(r / FetchedBlockRows)][static_cast<size_t>(r % FetchedBlockRows)]);
    for (TRowPtr& r : FRows) take(r.get());
    // Sort: "a DESC, b ASC"
    struct Key { int Index; bool Desc; };
    std::vector<Key> keys;
    for (const String& part : FSort.split(u',', Qt::SkipEmptyParts)) {
        QStringList words = part.trimmed().split(u' ', Qt::SkipEmptyParts);
        if (words.isEmpty()) continue;
        bool desc = false;
        if (words.size() > 1) {
            const String dir = words.takeLast().toUpper();
            if (dir == u"DESC")
                desc = true;
            else if (dir != u"ASC")
                words << dir;
        }
        String name = words.join(u' ');
        if (name.startsWith(u'[') && name.endsWith(u']')) name = name.mid(1, name.size() - 2);
        TField* f = FieldByName(name);
        if (f->FieldNo() <= 0) DatabaseErrorFmt(Latin(DbConsts::SFieldNotFound), {name}, this);
        keys.push_back({f->FieldNo() - 1, desc});
    }
    if (!keys.empty()) {
        auto compare = [](const Variant& a, const Variant& b) -> int {
            const bool an = IsNullish(a), bn = IsNullish(b);
            if (an || bn) return an == bn ? 0 : (an ? -1 : 1);
            if (VarIsStr(a) && VarIsStr(b)) {
                const int c = AnsiCompareText(a.AsString(), b.AsString());
                return c ? c : AnsiCompareStr(a.AsString(), b.AsString());
            }
            if (VarIsArray(a) || VarIsArray(b)) return 0;
            return a < b ? -1 : (b < a ? 1 : 0);
        };
        // The keys are read once per row, not per comparison.
        const size_t nk = keys.size();
        std::vector<Variant> values(view.size() * nk);
        for (size_t i = 0; i < view.size(); ++i)
            for (size_t k = 0; k < nk; ++k) values[i * nk + k] = CellValue(*view[i], static_cast<size_t>(keys[k].Index));
        std::vector<size_t> order(view.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t x, size_t y) {
            for (size_t k = 0; k < nk; ++k) {
                const int c = compare(values[x * nk + k], values[y * nk + k]);
                if (c) return keys[k].Desc ? c > 0 : c < 0;
            }
            return false;
        });
        std::vector<TRow*> sorted(view.size());
        for (size_t i = 0; i < order.size(); ++i) sorted[i] = view[order[i]];
        view.swap(sorted);
    }
    if (!FView) FView.emplace();
    FView->Assign(view);
}

void TCustomADODataSet::InternalOpen() {
    TPgResult result = Run();
    if (result.ColumnCount() == 0) DatabaseError(Latin(SNoResultSet), this);
    DefineFields(result);
    if (DefaultFields()) CreateFields();
    BindFields(true);
    FTables.clear();
    LoadRows(std::move(result));
    ParseFilter();
    RebuildView();
    SetBookmarkSize(static_cast<int>(sizeof(int)));
    FCurrent = -1;
    FCursorOpen = true;
}

void TCustomADODataSet::InternalClose() {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    for (TRecBuf* b : FAllocated) b->Row = nullptr;
    FView.reset();  // its blocks go back to the heap with the rows
    FRows.clear();
    FDeadRows = 0;
    FFetchedRows.clear();
    FFetchedFirstId = FFetchedEndId = 0;
    FResult.reset();
    FTables.clear();
    FFilterExpr.reset();
    FCurrent = -1;
    FCursorOpen = false;
}

void TCustomADODataSet::InternalInitFieldDefs() {
    if (FCursorOpen) return;  // the open result defined them
    // Only the shape is wanted: the statement runs inside a transaction (or savepoint) that is
    // rolled back, so an "insert … returning" asked for its fields writes nothing.
    TPgConnection& c = Client();
    const bool own = !c.InTransaction();
    c.Execute(own ? QStringLiteral("begin") : QStringLiteral("savepoint sdelka_info"));
    auto undo = [&] {
        c.Execute(own ? QStringLiteral("rollback")
                      : QStringLiteral("rollback to savepoint sdelka_info; release savepoint sdelka_info"));
    };
    TPgResult result;
    try {
        result = Run();
    } catch (...) {
        try { undo(); } catch (const Exception&) {}
        throw;
    }
    undo();
    DefineFields(result);
}

void TCustomADODataSet::InternalHandleException() {}

TRecordBuffer TCustomADODataSet::AllocRecordBuffer() {
    auto* b = new TRecBuf;
    b->Values.assign(FColumns.size(), Null());
    b->Calc.assign(static_cast<size_t>(FieldCount()), Null());
    FAllocated.push_back(b);
    return reinterpret_cast<TRecordBuffer>(b);
}

void TCustomADODataSet::FreeRecordBuffer(TRecordBuffer& Buffer) {
    TRecBuf* b = Buf(Buffer);
    std::erase(FAllocated, b);
    delete b;
    Buffer = 0;
}

// Rows are numbered as they come, and rows made on their own are only ever appended: FRows stays
// in Id order.
TCustomADODataSet::TRow* TCustomADODataSet::FindRow(int Id) const {
    TRow* row = nullptr;
    if (Id >= FFetchedFirstId && Id < FFetchedEndId) {  // a fetched row: straight to its block
        const size_t k = static_cast<size_t>(Id - FFetchedFirstId);
        row = &FFetchedRows[k / FetchedBlockRows][k % FetchedBlockRows];
    } else {
        const auto it = std::lower_bound(FRows.begin(), FRows.end(), Id, [](const auto& r, int id) { return r->Id < id; });
        if (it != FRows.end() && (*it)->Id == Id) row = it->get();
    }
    return row && !row->Deleted ? row : nullptr;
}

// A deleted row of its own stays in FRows (a lookup by Id finds it deleted) until they are half
// of the list: a delete costs the same however many rows were inserted.
void TCustomADODataSet::DropOwnRow(TRow* Row) {
    if (Row->Fetched) return;
    if (++FDeadRows * 2 <= static_cast<int>(FRows.size())) return;
    std::erase_if(FRows, [](const TRowPtr& r) { return r->Deleted; });
    FDeadRows = 0;
}

// The row's block tells its place: a filtered-out row's block (if any) is one that does not hold it.
int TCustomADODataSet::ViewIndexOfRow(const TRow* Row) const {
    if (!Row || !FView) return -1;
    return FView->IndexOfNear(Row, FCurrent);
}

int TCustomADODataSet::ViewIndexOf(int Id) const { return ViewIndexOfRow(FindRow(Id)); }

void TCustomADODataSet::FillBuffer(TRecBuf* B, int ViewIndex) {
    TRow* row = ViewRow(ViewIndex);
    B->RowId = row->Id;
    B->Row = row;
    B->Flag = bfCurrent;
    B->RecNo = ViewIndex + 1;
    B->Values.clear();  // read through to the row
}

TGetResult TCustomADODataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    const int count = ViewCount();
    switch (GetMode) {
        case gmNext:
            if (FCurrent >= count - 1) {
                FCurrent = count;
                return grEOF;
            }
            ++FCurrent;
            break;
        case gmPrior:
            if (FCurrent <= 0) {
                FCurrent = -1;
                return grBOF;
            }
            --FCurrent;
            break;
        case gmCurrent:
            if (FCurrent < 0 || FCurrent >= count) {
                if (DoCheck) DatabaseError(Latin(DbConsts::SNoDataFound), this);
                return grError;
            }
            break;
    }
    FillBuffer(Buf(Buffer), FCurrent);
    GetCalcFields(Buffer);  // clears the calculated values first when there are any
    return grOK;
}

void TCustomADODataSet::GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) {
    Data.resize(sizeof(int));
    std::memcpy(Data.data(), &Buf(Buffer)->RowId, sizeof(int));
}

void TCustomADODataSet::SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) {
    if (Data.size() == sizeof(int)) std::memcpy(&Buf(Buffer)->RowId, Data.data(), sizeof(int));
}

TBookmarkFlag TCustomADODataSet::GetBookmarkFlag(TRecordBuffer Buffer) { return Buf(Buffer)->Flag; }

void TCustomADODataSet::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) { Buf(Buffer)->Flag = Value; }

bool TCustomADODataSet::BookmarkValid(const TBookmark& Bookmark) {
    if (Bookmark.size() != sizeof(int) || !FCursorOpen) return false;
    int id;
    std::memcpy(&id, Bookmark.data(), sizeof(int));
    return ViewIndexOf(id) >= 0;
}

int TCustomADODataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) {
    auto pos = [this](const TBookmark& b) {
        if (b.size() != sizeof(int)) return -2;
        int id;
        std::memcpy(&id, b.data(), sizeof(int));
        return ViewIndexOf(id);
    };
    const int a = pos(Bookmark1), b = pos(Bookmark2);
    return a < b ? -1 : (a > b ? 1 : 0);
}

void TCustomADODataSet::InternalFirst() { FCurrent = -1; }

void TCustomADODataSet::InternalLast() { FCurrent = ViewCount(); }

void TCustomADODataSet::InternalGotoBookmark(const TBookmark& Bookmark) {
    int id = -1;
    if (Bookmark.size() == sizeof(int)) std::memcpy(&id, Bookmark.data(), sizeof(int));
    const int index = ViewIndexOf(id);
    if (index < 0) DatabaseError(Latin(DbConsts::SRecordNotFound), this);
    FCurrent = index;
}

void TCustomADODataSet::InternalSetToRecord(TRecordBuffer Buffer) {
    const int index = ViewIndexOf(Buf(Buffer)->RowId);
    if (index >= 0) FCurrent = index;
}

void TCustomADODataSet::InternalInitRecord(TRecordBuffer Buffer) {
    TRecBuf* b = Buf(Buffer);
    b->Values.assign(FColumns.size(), Null());
    b->Row = nullptr;
    b->RowId = -1;
    b->RecNo = -1;
}

void TCustomADODataSet::ClearCalcFields(TRecordBuffer Buffer) {
    std::vector<Variant>& calc = Buf(Buffer)->Calc;
    if (calc.size() != static_cast<size_t>(FieldCount())) {
        calc.assign(static_cast<size_t>(FieldCount()), Null());
        return;
    }
    for (Variant& v : calc)
        if (!VarIsNull(v)) v = Null();
}

TCustomADODataSet::TRecBuf* TCustomADODataSet::ActiveRecBuf() { return ActiveRecBuf(State()); }

// Defined before its callers here, so a walk's field reads run it in place.
inline TCustomADODataSet::TRecBuf* TCustomADODataSet::ActiveRecBuf(TDataSetState State) {
    switch (State) {
        case dsBrowse:
            return IsEmpty() ? nullptr : Buf(ActiveBuffer());
        case dsEdit:
        case dsInsert:
        case dsNewValue:
        case dsOldValue:
        case dsCurValue:
            return Buf(ActiveBuffer());
        case dsCalcFields:
        case dsInternalCalc:
            return CalcBuffer() ? Buf(CalcBuffer()) : nullptr;
        case dsFilter:
            return FFilterRec ? FFilterRec : Buf(TempBuffer());
        default:
            return nullptr;
    }
}

bool TCustomADODataSet::GetFieldData(TField* Field, Variant& Value) {
    const TDataSetState state = State();
    TRecBuf* b = ActiveRecBuf(state);
    if (!b) return false;
    const std::vector<Variant>* values;
    size_t i;
    if (Field->FieldNo() > 0) {
        i = static_cast<size_t>(Field->FieldNo() - 1);
        if (state == dsOldValue || state == dsCurValue) {
            TRow* row = FindRow(b->RowId);
            if (!row || (state == dsOldValue && GetBookmarkFlag(ActiveBuffer()) == bfInserted)) return false;
            return ReadCell(*row, i, Value);
        }
        if (b->Values.empty() && b->Row) return ReadCell(*b->Row, i, Value);  // straight from the row
        values = &b->Values;
    } else {
        const int index = Field->Index();
        if (index < 0) return false;
        i = static_cast<size_t>(index);
        values = &b->Calc;
    }
    if (i >= values->size() || IsNullish((*values)[i])) return false;
    Value = (*values)[i];
    return true;
}

void TCustomADODataSet::SetFieldData(TField* Field, const Variant& Value) {
    TRecBuf* b = ActiveRecBuf();
    if (!b || !dsWriteModes.Contains(State())) DatabaseError(Latin(DbConsts::SNotEditing), this);
    Field->Validate(Value);
    const Variant v = IsNullish(Value) ? Null() : Value;
    if (Field->FieldNo() > 0) {
        const size_t i = static_cast<size_t>(Field->FieldNo() - 1);
        BufferValues(b);
        if (i >= b->Values.size()) b->Values.resize(FColumns.size(), Null());
        b->Values[i] = v;
    } else {
        const int i = Field->Index();
        if (i >= static_cast<int>(b->Calc.size())) b->Calc.resize(static_cast<size_t>(FieldCount()), Null());
        if (i >= 0) b->Calc[static_cast<size_t>(i)] = v;
    }
    const TDataSetState s = State();
    if (s != dsCalcFields && s != dsFilter && s != dsNewValue && s != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<NativeInt>(Field));
}

int TCustomADODataSet::GetRecordCount() {
    CheckActive();
    return ViewCount();
}

int TCustomADODataSet::GetRecNo() {
    CheckActive();
    if (State() == dsInsert) return -1;
    TRecBuf* b = ActiveRecBuf();
    return b ? b->RecNo : -1;
}

void TCustomADODataSet::SetRecNoValue(int Value) {
    CheckBrowseMode();
    const int count = ViewCount();
    if (count == 0) return;
    Value = std::clamp(Value, 1, count);
    if (Value == RecNo()) return;
    DoBeforeScroll();
    FCurrent = Value - 1;
    Resync({rmCenter});
    DoAfterScroll();
}

TUpdateStatus TCustomADODataSet::UpdateStatus() {
    if (State() == dsInsert) return usInserted;
    if (State() == dsEdit && Modified()) return usModified;
    return usUnmodified;
}

// ---- filters and sorting -----------------------------------------------------------------------

void TCustomADODataSet::SetFilterText(const String& Value) {
    if (Active() && FFiltered) {
        CheckBrowseMode();
        // an expression that does not parse (an unbalanced quote) raises and changes nothing
        TFilterExpr check(this, AdoFilterText(Value), FFilterOptions + foCaseInsensitive);
    }
    FFilterText = Value;
    if (Active() && FFiltered) {
        ParseFilter();
        RebuildView();
        First();
    }
}

void TCustomADODataSet::SetFiltered(bool Value) {
    if (Value == FFiltered) return;
    if (Active()) {
        CheckBrowseMode();
        if (Value) TFilterExpr check(this, AdoFilterText(FFilterText), FFilterOptions + foCaseInsensitive);
    }
    FFiltered = Value;
    if (Active()) {
        ParseFilter();
        RebuildView();
        First();
    }
}

void TCustomADODataSet::SetOnFilterRecord(const TFilterRecordEvent& Value) {
    FOnFilterRecord = Value;
    if (Active() && FFiltered) {
        CheckBrowseMode();
        RebuildView();
        First();
    }
}

void TCustomADODataSet::SetFilterOptions(TFilterOptions Value) {
    FFilterOptions = Value;
    if (Active() && FFiltered) {
        CheckBrowseMode();
        ParseFilter();
        RebuildView();
        First();
    }
}

void TCustomADODataSet::SetSort(const String& Value) {
    if (!Active()) {
        FSort = Value;
        return;
    }
    CheckBrowseMode();
    const String old = FSort;
    const TRecBuf* b = ActiveRecBuf();
    const int id = b ? b->RowId : -1;
    FSort = Value;
    try {
        RebuildView();
    } catch (...) {
        FSort = old;
        RebuildView();
        throw;
    }
    FCurrent = ViewIndexOf(id);
    if (FCurrent < 0)
        First();
    else
        Resync({});
}

// ---- requery, rows -----------------------------------------------------------------------------

void TCustomADODataSet::Requery() {
    CheckActive();
    CheckBrowseMode();
    TPgResult result = Run();
    if (result.ColumnCount() != static_cast<int>(FColumns.size())) {
        Close();
        Open();
        return;
    }
    LoadRows(std::move(result));
    RebuildView();
    First();
}

void TCustomADODataSet::InternalRefresh() {
    TPgResult result = Run();
    if (result.ColumnCount() != static_cast<int>(FColumns.size())) DatabaseError(Latin(SNoResultSet), this);
    const TRecBuf* b = ActiveRecBuf();
    const int index = b ? ViewIndexOf(b->RowId) : -1;
    LoadRows(std::move(result));
    RebuildView();
    FCurrent = std::min(index, ViewCount() - 1);
}

Variant TCustomADODataSet::GetRows(int Rows) {
    CheckBrowseMode();
    if (Eof() || ViewCount() == 0) return Null();
    const TRecBuf* b = ActiveRecBuf();
    const int start = b ? ViewIndexOf(b->RowId) : 0;
    int end = ViewCount();
    if (Rows >= 0) end = std::min(end, start + Rows);
    const int fields = static_cast<int>(FColumns.size());
    const int n = end - start;
    if (n <= 0 || fields == 0) return Null();
    Variant result = VarArrayCreate({0, fields - 1, 0, n - 1}, varVariant);
    for (int r = 0; r < n; ++r)
        for (int f = 0; f < fields; ++f)
            VarArrayPut(result, CellValue(*ViewRow(start + r), static_cast<size_t>(f)), {f, r});
    MoveBy(n);
    return result;
}

// ---- writing edits back ------------------------------------------------------------------------

const TCustomADODataSet::TTableInfo& TCustomADODataSet::TableFor(TPgOid Table) {
    for (const TTableInfo& t : FTables)
        if (t.Oid == Table) return t;
    TPgConnection& c = Client();
    TTableInfo info;
    info.Oid = Table;
    info.Name = c.TableName(Table);
    info.Columns = c.TableColumns(Table);
    info.Key = c.PrimaryKeyColumns(Table);
    FTables.push_back(std::move(info));
    return FTables.back();
}

String TCustomADODataSet::ColumnSql(int DefIndex) const {
    const TColumnInfo& col = FColumns[static_cast<size_t>(DefIndex)];
    for (const TTableInfo& t : FTables)
        if (t.Oid == col.Table) return QuoteIdent(t.ColumnName(col.TableColumn));
    return {};
}

TPgOid TCustomADODataSet::TargetTable(const std::vector<int>& Columns) const {
    TPgOid table = 0;
    for (int i : Columns) {
        const TColumnInfo& col = FColumns[static_cast<size_t>(i)];
        if (!col.Table) DatabaseErrorFmt(Latin(DbConsts::SFieldReadOnly), {FieldDefs()->Items(i)->Name()}, const_cast<TCustomADODataSet*>(this));
        if (table && col.Table != table) DatabaseError(Latin(SSeveralTables), const_cast<TCustomADODataSet*>(this));
        table = col.Table;
    }
    if (!table) {
        // nothing names the table: the one table all columns come from
        for (const TColumnInfo& col : FColumns) {
            if (!col.Table) continue;
            if (table && col.Table != table) DatabaseError(Latin(SSeveralTables), const_cast<TCustomADODataSet*>(this));
            table = col.Table;
        }
    }
    if (!table) DatabaseError(Latin(SInsufficientKey), const_cast<TCustomADODataSet*>(this));
    return table;
}

void TCustomADODataSet::ApplyReturned(const TPgResult& Result, TPgOid Table, std::vector<Variant>& Values) {
    if (Result.RowCount() != 1) return;
    int k = 0;
    for (size_t i = 0; i < FColumns.size(); ++i)
        if (FColumns[i].Table == Table) Values[i] = ToFieldType(Result.Value(0, k++), static_cast<int>(i));
}

TPgResult TCustomADODataSet::ExecuteOneRow(const String& Sql, const std::vector<TPgParam>& Params) {
    TPgConnection& c = Client();
    const bool own = !c.InTransaction();
    auto undo = [&] {
        try {
            if (own)
                c.Rollback();
            else
                c.Execute(QStringLiteral("rollback to savepoint sdelka_row; release savepoint sdelka_row"));
        } catch (const Exception&) {
        }
    };
    if (own)
        c.BeginTransaction();
    else
        c.Execute(QStringLiteral("savepoint sdelka_row"));
    TPgResult r;
    try {
        r = c.Execute(Sql, Params);
    } catch (...) {
        undo();
        throw;
    }
    if (r.RowsAffected() != 1) {
        undo();
        DatabaseError(Latin(r.RowsAffected() == 0 ? SRowNotLocated : SInsufficientKey), this);
    }
    if (own)
        c.Commit();
    else
        c.Execute(QStringLiteral("release savepoint sdelka_row"));
    return r;
}

String TCustomADODataSet::WhereOfRow(const TTableInfo& Table, const TRow& Row, std::vector<TPgParam>& Params) {
    // the key, when every key column is in the result
    std::vector<int> keyDefs;
    for (int attnum : Table.Key) {
        int found = -1;
        for (size_t i = 0; i < FColumns.size(); ++i)
            if (FColumns[i].Table == Table.Oid && FColumns[i].TableColumn == attnum) found = static_cast<int>(i);
        if (found < 0) {
            keyDefs.clear();
            break;
        }
        keyDefs.push_back(found);
    }
    const bool byKey = !Table.Key.empty() && !keyDefs.empty();
    if (!byKey)
        for (size_t i = 0; i < FColumns.size(); ++i)
            if (FColumns[i].Table == Table.Oid) keyDefs.push_back(static_cast<int>(i));
    if (keyDefs.empty()) DatabaseError(Latin(SInsufficientKey), this);
    QStringList terms;
    for (int i : keyDefs) {
        const TColumnInfo& col = FColumns[static_cast<size_t>(i)];
        TPgParam p = TPgParam::FromVariant(CellValue(Row, static_cast<size_t>(i)), KindOfOid(col.Type));
        String lhs = ColumnSql(i);
        switch (col.Type) {
            case PgType::Int2: case PgType::Int4: case PgType::Int8: case PgType::Float4: case PgType::Float8:
            case PgType::Numeric: case PgType::Bool: case PgType::Date: case PgType::Bytea:
                p.Type = col.Type;
                break;
            case PgType::Timestamp: case PgType::TimestampTz:
                // the client holds milliseconds
                lhs = lhs + QStringLiteral("::timestamp(3)");
                p.Type = PgType::Timestamp;
                break;
            case PgType::Time: case PgType::TimeTz:
                lhs = lhs + QStringLiteral("::time(3)");
                p.Type = PgType::Time;
                break;
            case PgType::Text: case PgType::VarChar: case PgType::BpChar:
                break;
            default:
                lhs = lhs + QStringLiteral("::text");
                p.Type = PgType::Text;
                break;
        }
        Params.push_back(std::move(p));
        const String ref = u'$' + QString::number(Params.size());
        terms << (byKey ? lhs + QStringLiteral(" = ") + ref : lhs + QStringLiteral(" is not distinct from ") + ref);
    }
    return terms.join(QStringLiteral(" and "));
}

namespace {
String ReturningList(const std::vector<String>& Columns) {
    QStringList l;
    for (const String& c : Columns) l << c;
    return l.join(QStringLiteral(", "));
}
}  // namespace

void TCustomADODataSet::ResolveInsert(std::vector<Variant>& Values) {
    std::vector<int> set;
    for (size_t i = 0; i < Values.size(); ++i)
        if (!IsNullish(Values[i])) set.push_back(static_cast<int>(i));
    const TPgOid table = TargetTable(set);
    const TTableInfo& info = TableFor(table);
    QStringList cols, refs;
    std::vector<TPgParam> params;
    for (int i : set) {
        cols << ColumnSql(i);
        params.push_back(TPgParam::FromVariant(Values[static_cast<size_t>(i)], KindOfOid(FColumns[static_cast<size_t>(i)].Type)));
        refs << u'$' + QString::number(params.size());
    }
    std::vector<String> returning;
    for (size_t i = 0; i < FColumns.size(); ++i)
        if (FColumns[i].Table == table) returning.push_back(ColumnSql(static_cast<int>(i)));
    String sql = QStringLiteral("insert into ") + info.Name;
    sql += cols.isEmpty() ? QStringLiteral(" default values")
                          : QStringLiteral(" (") + cols.join(QStringLiteral(", ")) + QStringLiteral(") values (") +
                                refs.join(QStringLiteral(", ")) + u')';
    sql += QStringLiteral(" returning ") + ReturningList(returning);
    const TPgResult r = Client().Execute(sql, params);
    ApplyReturned(r, table, Values);
}

void TCustomADODataSet::ResolveUpdate(const TRow& Row, std::vector<Variant>& Values) {
    std::vector<int> changed;
    for (size_t i = 0; i < Values.size() && i < FColumns.size(); ++i)
        if (!SameValue(CellValue(Row, i), Values[i])) changed.push_back(static_cast<int>(i));
    if (changed.empty()) return;
    const TPgOid table = TargetTable(changed);
    const TTableInfo& info = TableFor(table);
    QStringList sets;
    std::vector<TPgParam> params;
    for (int i : changed) {
        params.push_back(TPgParam::FromVariant(Values[static_cast<size_t>(i)], KindOfOid(FColumns[static_cast<size_t>(i)].Type)));
        sets << ColumnSql(i) + QStringLiteral(" = $") + QString::number(params.size());
    }
    const String where = WhereOfRow(info, Row, params);
    std::vector<String> returning;
    for (size_t i = 0; i < FColumns.size(); ++i)
        if (FColumns[i].Table == table) returning.push_back(ColumnSql(static_cast<int>(i)));
    const String sql = QStringLiteral("update ") + info.Name + QStringLiteral(" set ") + sets.join(QStringLiteral(", ")) +
                       QStringLiteral(" where ") + where + QStringLiteral(" returning ") + ReturningList(returning);
    const TPgResult r = ExecuteOneRow(sql, params);
    ApplyReturned(r, table, Values);
}

void TCustomADODataSet::ResolveDelete(const TRow& Row) {
    const TPgOid table = TargetTable({});
    const TTableInfo& info = TableFor(table);
    std::vector<TPgParam> params;
    const String where = WhereOfRow(info, Row, params);
    ExecuteOneRow(QStringLiteral("delete from ") + info.Name + QStringLiteral(" where ") + where, params);
}

void TCustomADODataSet::InternalPost() {
    inherited::InternalPost();
    TRecBuf* b = Buf(ActiveBuffer());
    if (State() == dsEdit) {
        TRow* row = FindRow(b->RowId);
        if (!row) DatabaseError(Latin(DbConsts::SRecordNotFound), this);
        std::vector<Variant> values = BufferValues(b);
        ResolveUpdate(*row, values);
        row->Values = std::make_unique<std::vector<Variant>>(values);
        b->Values = std::move(values);
        return;
    }
    // insert
    std::vector<Variant> values = BufferValues(b);
    values.resize(FColumns.size(), Null());
    ResolveInsert(values);
    TRowPtr row = std::make_unique<TRow>();
    row->Id = FNextId++;
    row->Values = std::make_unique<std::vector<Variant>>(values);
    int at = ViewCount();
    if (b->Flag == bfBOF) {
        at = 0;
    } else if (b->Flag != bfEOF) {
        const int i = ViewIndexOf(b->RowId);
        if (i >= 0) at = i;
    }
    FView->Insert(at, row.get());
    b->RowId = row->Id;
    b->Row = row.get();
    b->Values = std::move(values);
    FRows.push_back(std::move(row));
    FCurrent = at;
}

void TCustomADODataSet::InternalAddRecord(TRecordBuffer Buffer, bool Append) {
    TRecBuf* b = Buf(Buffer);
    std::vector<Variant> values = BufferValues(b);
    values.resize(FColumns.size(), Null());
    ResolveInsert(values);
    TRowPtr row = std::make_unique<TRow>();
    row->Id = FNextId++;
    row->Values = std::make_unique<std::vector<Variant>>(std::move(values));
    const int at = Append ? ViewCount() : std::max(0, std::min(FCurrent, ViewCount()));
    FView->Insert(at, row.get());
    FRows.push_back(std::move(row));
    FCurrent = at;
}

void TCustomADODataSet::InternalDelete() {
    TRecBuf* b = Buf(ActiveBuffer());
    TRow* row = FindRow(b->RowId);
    if (!row) DatabaseError(Latin(DbConsts::SRecordNotFound), this);
    ResolveDelete(*row);
    const int index = ViewIndexOfRow(row);
    if (index >= 0) FView->Delete(index);
    ForgetRow(row);
    row->Deleted = true;
    row->Values.reset();
    DropOwnRow(row);
    FCurrent = index >= 0 ? index : FCurrent;
    if (FCurrent >= ViewCount()) FCurrent = ViewCount() - 1;
}

// ---- TADOQuery, TADODataSet, TADOTable, TADOStoredProc -----------------------------------------

TADOQuery::TADOQuery(TComponent* AOwner) : TCustomADODataSet(AOwner), FSQL(NewOwned<TStringList>()) {
    FSQL->OnChange = TNotifyEvent(this, &TADOQuery::SQLChanged);
}

TADOQuery::~TADOQuery() = default;

void TADOQuery::SQLChanged(TObject*) {
    if (Active()) Close();
    CommandTextChanged(FSQL->Text());
}

int TADOQuery::ExecSQL() { return ExecuteCommand(); }

TADODataSet::TADODataSet(TComponent* AOwner) : TCustomADODataSet(AOwner) {}

void TADODataSet::SetCommandText(const String& Value) {
    if (Active()) Close();
    FCommandText = Value;
    if (FCommandType == cmdText || FCommandType == cmdUnknown) CommandTextChanged(Value);
}

String TADODataSet::CommandTextForOpen() const {
    if (FCommandType == cmdTable || FCommandType == cmdTableDirect) return QStringLiteral("select * from ") + FCommandText;
    return FCommandText;
}

TADOTable::TADOTable(TComponent* AOwner) : TCustomADODataSet(AOwner) { FCommandType = cmdTable; }

void TADOTable::SetTableName(const String& Value) {
    if (Active()) Close();
    FTableName = Value;
}

String TADOTable::CommandTextForOpen() const { return QStringLiteral("select * from ") + FTableName; }

TADOStoredProc::TADOStoredProc(TComponent* AOwner) : TCustomADODataSet(AOwner) { FCommandType = cmdStoredProc; }

String TADOStoredProc::CommandTextForOpen() const {
    QStringList args;
    for (int i = 0; i < Parameters()->Count(); ++i) {
        const TParameter* p = Parameters()->Items(i);
        if (p->Direction() == pdInput || p->Direction() == pdInputOutput || p->Direction() == pdUnknown)
            args << u':' + p->Name();
    }
    return QStringLiteral("select * from ") + FProcedureName + u'(' + args.join(QStringLiteral(", ")) + u')';
}

void TADOStoredProc::ExecProc() {
    const String text = CommandTextForOpen();
    const TPgParsedSql parsed = ParsePgSqlParams(text);
    const TPgResult r = Client().Execute(parsed.Sql, PgParamsByName(Parameters(), parsed.Names));
    if (r.RowCount() == 0) return;
    for (int i = 0; i < Parameters()->Count(); ++i) {
        TParameter* p = Parameters()->Items(i);
        if (p->Direction() == pdInput) continue;
        int col = r.ColumnIndex(p->Name());
        if (col < 0 && p->Direction() == pdReturnValue && r.ColumnCount() == 1) col = 0;
        if (col >= 0) p->SetValue(r.Value(0, col));
    }
}

// ---- TADOCommand -------------------------------------------------------------------------------

TADOCommand::TADOCommand(TComponent* AOwner) : TComponent(AOwner), FParameters(NewOwned<TParameters>(this)) {}

TADOCommand::~TADOCommand() {
    if (FConnection) FConnection->UnRegisterClient(this);  // deleted without Free
}

void TADOCommand::BeforeDestruction() {
    if (FConnection) {
        FConnection->UnRegisterClient(this);
        FConnection = nullptr;
    }
    inherited::BeforeDestruction();
}

void TADOCommand::SetConnection(TADOConnection* Value) {
    if (Value == FConnection) return;
    if (FConnection) {
        FConnection->UnRegisterClient(this);
        FConnection->RemoveFreeNotification(this);
    }
    FConnection = Value;
    if (FConnection) {
        FConnection->RegisterClient(this);
        FConnection->FreeNotification(this);
        FConnectionString.clear();
        FOwnClient.reset();
    }
}

void TADOCommand::SetConnectionString(const String& Value) {
    if (Value == FConnectionString) return;
    FConnectionString = Value;
    FOwnClient.reset();
    if (!Value.isEmpty()) SetConnection(nullptr);
}

void TADOCommand::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FConnection) SetConnection(nullptr);
}

void TADOCommand::SetCommandText(const String& Value) {
    FCommandText = Value;
    if (FParamCheck && (FCommandType == cmdText || FCommandType == cmdUnknown)) FParameters->ParseSQL(Value, true);
}

TPgConnection& TADOCommand::Client() {
    if (FConnection) return FConnection->Client();
    if (FConnectionString.isEmpty()) DatabaseError(Latin(SMissingConnection), this);
    if (!FOwnClient) FOwnClient = std::make_unique<TPgConnection>();
    if (!FOwnClient->Connected()) FOwnClient->Open(FConnectionString);
    return *FOwnClient;
}

void TADOCommand::Execute() {
    int n;
    Execute(n);
}

void TADOCommand::Execute(int& RecordsAffected) {
    String text = FCommandText;
    if (FCommandType == cmdTable || FCommandType == cmdTableDirect) text = QStringLiteral("select * from ") + text;
    TPgResult r;
    if (FParamCheck) {
        const TPgParsedSql parsed = ParsePgSqlParams(text);
        r = Client().Execute(parsed.Sql, PgParamsByName(FParameters.get(), parsed.Names));
    } else {
        r = Client().Execute(text);
    }
    RecordsAffected = static_cast<int>(r.RowsAffected());
}
