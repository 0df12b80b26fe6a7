#include "platform/ado/pgclient.h"

#include "platform/ado/pgsqltext.h"
#include "platform/rtl/bcd.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"

#include <libpq-fe.h>

#include <cmath>
#include <limits>

// ---- errors ------------------------------------------------------------------------------------

EPgError::EPgError(const String& AMessage, const String& ASqlState, const String& ADetail, const String& AHint)
    : EDatabaseError(AMessage), FSqlState(ASqlState), FDetail(ADetail), FHint(AHint) {}

namespace {

String FromUtf8(const char* s) { return s ? QString::fromUtf8(s) : String(); }

// libpq's message of the connection, without the "ERROR:  " prefix and the trailing line break.
String ConnectionMessage(PGconn* conn) {
    String m = FromUtf8(conn ? PQerrorMessage(conn) : "out of memory").trimmed();
    if (m.startsWith(QStringLiteral("ERROR:"))) m = m.mid(6).trimmed();
    return m;
}

[[noreturn]] void RaiseResultError(PGconn* conn, PGresult* res) {
    String message = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY)) : String();
    if (message.isEmpty()) message = ConnectionMessage(conn);
    const String state = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_SQLSTATE)) : String();
    const String detail = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL)) : String();
    const String hint = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_HINT)) : String();
    if (res) PQclear(res);
    throw EPgError(message, state, detail, hint);
}

void IgnoreNotice(void*, const char*) {}

const TFormatSettings& DotSettings() {
    static const TFormatSettings fs = [] {
        TFormatSettings f;
        f.DecimalSeparator = u'.';
        f.ThousandSeparator = u',';
        return f;
    }();
    return fs;
}

// ---- date and time text ------------------------------------------------------------------------

TDateTime Combine(TDateTime ADate, int AMSecs) {
    TTimeStamp ts = DateTimeToTimeStamp(ADate);
    ts.Time = AMSecs;
    return TimeStampToDateTime(ts);
}

// "HH:MM[:SS[.ffffff]]" with an optional zone suffix ("+03", "-05:30", " MSK") that is dropped.
bool ParseTimeText(QStringView s, int& AMSecs) {
    int h = 0, m = 0, sec = 0;
    double frac = 0;
    qsizetype i = 0;
    auto number = [&](int& v, int maxDigits) {
        const qsizetype start = i;
        v = 0;
        while (i < s.size() && s[i].isDigit() && i - start < maxDigits) v = v * 10 + s[i++].digitValue();
        return i > start;
    };
    if (!number(h, 2) || i >= s.size() || s[i] != u':') return false;
    ++i;
    if (!number(m, 2)) return false;
    if (i < s.size() && s[i] == u':') {
        ++i;
        if (!number(sec, 2)) return false;
        if (i < s.size() && (s[i] == u'.' || s[i] == u',')) {
            ++i;
            double scale = 0.1;
            while (i < s.size() && s[i].isDigit()) {
                frac += s[i++].digitValue() * scale;
                scale /= 10;
            }
        }
    }
    // rest: a zone or nothing
    if (i < s.size() && !(s[i] == u'+' || s[i] == u'-' || s[i].isSpace())) return false;
    if (h > 24 || m > 59 || sec > 60) return false;
    Int64 ms = ((static_cast<Int64>(h) * 60 + m) * 60 + sec) * 1000 + std::llround(frac * 1000);
    if (ms >= MSecsPerDay) ms = MSecsPerDay - 1;  // 24:00:00 and rounding at the day's end
    AMSecs = static_cast<int>(ms);
    return true;
}

int MonthByName(QStringView s) {
    static const char* names[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                  "jul", "aug", "sep", "oct", "nov", "dec"};
    for (int i = 0; i < 12; ++i)
        if (s.left(3).compare(QLatin1String(names[i]), Qt::CaseInsensitive) == 0) return i + 1;
    return 0;
}

int ExpandYear(int y, qsizetype digits) {
    if (digits > 2) return y;
    const int window = FormatSettings.TwoDigitYearCenturyWindow;
    const int thisYear = QDate::currentDate().year();
    int century = (thisYear - window) / 100 * 100;
    int full = century + y;
    if (window > 0 && full < thisYear - window) full += 100;
    return full;
}

}  // namespace

String PgDateText(TDateTime AValue) {
    Word y, m, d;
    DecodeDate(AValue, y, m, d);
    return QStringLiteral("%1-%2-%3").arg(y, 4, 10, QChar(u'0')).arg(m, 2, 10, QChar(u'0')).arg(d, 2, 10, QChar(u'0'));
}

String PgTimeText(TDateTime AValue) {
    Word h, n, s, ms;
    DecodeTime(AValue, h, n, s, ms);
    return QStringLiteral("%1:%2:%3.%4")
        .arg(h, 2, 10, QChar(u'0'))
        .arg(n, 2, 10, QChar(u'0'))
        .arg(s, 2, 10, QChar(u'0'))
        .arg(ms, 3, 10, QChar(u'0'));
}

String PgTimestampText(TDateTime AValue) { return PgDateText(AValue) + u' ' + PgTimeText(AValue); }

bool TryPgUserTextToDateTime(const String& AText, TDateTime& AValue) {
    const String t = AText.trimmed();
    if (t.isEmpty()) return false;
    // date part: three numbers separated by ".", "/" or "-"
    qsizetype i = 0;
    int parts[3] = {0, 0, 0};
    qsizetype digits[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (i >= t.size() || !(t[i] == u'.' || t[i] == u'/' || t[i] == u'-')) return false;
            ++i;
        }
        const qsizetype start = i;
        while (i < t.size() && t[i].isDigit() && i - start < 4) parts[k] = parts[k] * 10 + t[i++].digitValue();
        digits[k] = i - start;
        if (digits[k] == 0) return false;
    }
    int y, m, d;
    if (digits[0] == 4) {  // ISO order
        y = parts[0];
        m = parts[1];
        d = parts[2];
    } else {
        d = parts[0];
        m = parts[1];
        y = ExpandYear(parts[2], digits[2]);
    }
    TDateTime date;
    if (!TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date)) return false;
    while (i < t.size() && (t[i].isSpace() || t[i] == u'T')) ++i;
    if (i >= t.size()) {
        AValue = date;
        return true;
    }
    int ms = 0;
    const QStringView rest = QStringView(t).mid(i);
    if (!ParseTimeText(rest, ms)) return false;
    AValue = Combine(date, ms);
    return true;
}

bool TryPgTextToDateTime(const QByteArray& AText, TPgOid AType, const String& ADateStyle, TDateTime& AValue) {
    const String t = QString::fromLatin1(AText).trimmed();
    if (t.isEmpty() || t.endsWith(QStringLiteral(" BC")) || t.contains(QStringLiteral("infinity"))) return false;
    if (AType == PgType::Time || AType == PgType::TimeTz) {
        int ms;
        if (!ParseTimeText(t, ms)) return false;
        AValue = ms / static_cast<double>(MSecsPerDay);
        return true;
    }
    const bool dmy = ADateStyle.contains(QStringLiteral("DMY"), Qt::CaseInsensitive) ||
                     ADateStyle.contains(QStringLiteral("German"), Qt::CaseInsensitive);
    const QStringList tokens = t.split(u' ', Qt::SkipEmptyParts);
    int y = 0, m = 0, d = 0;
    QStringView timeText;
    if (!tokens.isEmpty() && tokens[0].size() >= 3 && tokens[0][0].isLetter()) {
        // Postgres style: "Tue Mar 05 14:30:00 2024 MSK" or, DMY, "Tue 05 Mar 14:30:00 2024"
        if (tokens.size() < 5) return false;
        const int monthFirst = MonthByName(tokens[1]);
        if (monthFirst) {
            m = monthFirst;
            d = tokens[2].toInt();
        } else {
            d = tokens[1].toInt();
            m = MonthByName(tokens[2]);
        }
        timeText = tokens[3];
        y = tokens[4].toInt();
    } else {
        // ISO "2024-03-05", SQL "03/05/2024", German "05.03.2024", Postgres date "03-05-2024"
        const String datePart = tokens.value(0);
        QStringList p = datePart.split(u'-');
        if (p.size() != 3) p = datePart.split(u'/');
        if (p.size() != 3) p = datePart.split(u'.');
        if (p.size() != 3) return false;
        if (p[0].size() == 4) {
            y = p[0].toInt();
            m = p[1].toInt();
            d = p[2].toInt();
        } else if (dmy) {
            d = p[0].toInt();
            m = p[1].toInt();
            y = p[2].toInt();
        } else {
            m = p[0].toInt();
            d = p[1].toInt();
            y = p[2].toInt();
        }
        if (tokens.size() > 1) timeText = tokens[1];
    }
    TDateTime date;
    if (!TryEncodeDate(static_cast<Word>(y), static_cast<Word>(m), static_cast<Word>(d), date)) return false;
    if (timeText.isEmpty()) {
        AValue = date;
        return true;
    }
    int ms;
    if (!ParseTimeText(timeText, ms)) return false;
    AValue = Combine(date, ms);
    return true;
}

// ---- parameters --------------------------------------------------------------------------------

namespace {

TPgValueKind KindOfVariant(const Variant& V) {
    if (VarIsArray(V)) return TPgValueKind::Bytes;
    switch (VarType(V) & varTypeMask) {
        case varSmallint:
        case varShortInt:
        case varByte:
        case varWord:
        case varInteger:
            return TPgValueKind::Integer;
        case varLongWord:
        case varInt64:
        case varUInt64:
            return TPgValueKind::LargeInt;
        case varSingle:
        case varDouble:
            return TPgValueKind::Float;
        case varCurrency:
        case varFMTBcd:
            return TPgValueKind::Numeric;
        case varBoolean:
            return TPgValueKind::Boolean;
        case varDate:
        case varSQLTimeStamp:
        case varSQLTimeStampOffset:
            return TPgValueKind::DateTime;
        default:
            break;
    }
    return TPgValueKind::Text;
}

TPgOid OidOfKind(TPgValueKind k) {
    switch (k) {
        case TPgValueKind::SmallInt: return PgType::Int2;
        case TPgValueKind::Integer: return PgType::Int4;
        case TPgValueKind::LargeInt: return PgType::Int8;
        case TPgValueKind::Float: return PgType::Float8;
        case TPgValueKind::Numeric: return PgType::Numeric;
        case TPgValueKind::Boolean: return PgType::Bool;
        case TPgValueKind::Date: return PgType::Date;
        case TPgValueKind::Time: return PgType::Time;
        case TPgValueKind::DateTime: return PgType::Timestamp;
        case TPgValueKind::Bytes: return PgType::Bytea;
        case TPgValueKind::Auto:
        case TPgValueKind::Text: return PgType::Unknown;
    }
    return PgType::Unknown;
}

[[noreturn]] void RaiseConvert(const String& fmt, const String& text) {
    throw EConvertError(fmt, {text});
}

TDateTime DateTimeOf(const Variant& V, TPgValueKind k) {
    if (VarIsStr(V)) {
        const String s = V.AsString();
        TDateTime dt;
        if (k == TPgValueKind::Time) {
            int ms;
            if (ParseTimeText(s.trimmed(), ms)) return ms / static_cast<double>(MSecsPerDay);
            if (TryPgUserTextToDateTime(s, dt)) return dt;
            RaiseConvert(QStringLiteral("'%s' is not a valid time"), s);
        }
        if (TryPgUserTextToDateTime(s, dt)) return dt;
        RaiseConvert(k == TPgValueKind::Date ? QStringLiteral("'%s' is not a valid date")
                                             : QStringLiteral("'%s' is not a valid date and time"),
                     s);
    }
    return V.AsDateTime();
}

String NumericText(const Variant& V) {
    switch (VarType(V) & varTypeMask) {
        case varFMTBcd:
            return BcdToStr(V.AsBcd(), DotSettings());
        case varCurrency:
            return BcdToStr(CurrToBCD(V.AsCurrency()), DotSettings());
        case varSingle:
        case varDouble: {
            const double d = V.AsDouble();
            if (std::isnan(d)) return QStringLiteral("NaN");
            if (std::isinf(d)) return d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
            return QString::number(d, 'g', QLocale::FloatingPointShortest);
        }
        default:
            break;
    }
    if (VarIsOrdinal(V)) return QString::number(V.AsInt64());
    // a text: either separator, spaces ignored
    String s = V.AsString().trimmed();
    s.remove(u' ');
    s.remove(QChar(0x00A0));
    s.replace(u',', u'.');
    TBcd bcd;
    if (!TryStrToBcd(s, bcd, DotSettings())) RaiseConvert(QStringLiteral("'%s' is not a valid number"), V.AsString());
    return BcdToStr(bcd, DotSettings());
}

String FloatText(const Variant& V) {
    double d;
    if (VarIsStr(V)) {
        String s = V.AsString().trimmed();
        s.replace(u',', u'.');
        bool ok = false;
        d = s.toDouble(&ok);
        if (!ok) RaiseConvert(QStringLiteral("'%s' is not a valid floating point value"), V.AsString());
    } else {
        d = V.AsDouble();
    }
    if (std::isnan(d)) return QStringLiteral("NaN");
    if (std::isinf(d)) return d > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

String IntegerText(const Variant& V) {
    if (VarIsStr(V)) {
        const String s = V.AsString().trimmed();
        bool ok = false;
        const qlonglong v = s.toLongLong(&ok);
        if (!ok) RaiseConvert(QStringLiteral("'%s' is not a valid integer value"), V.AsString());
        return QString::number(v);
    }
    if (VarType(V) == varUInt64) return QString::number(V.AsUInt64());
    return QString::number(V.AsInt64());
}

}  // namespace

TPgParam TPgParam::FromVariant(const Variant& AValue, TPgValueKind AKind) {
    TPgParam p;
    TPgValueKind k = AKind;
    if (k == TPgValueKind::Auto) k = VarIsNull(AValue) || VarIsEmpty(AValue) ? TPgValueKind::Text : KindOfVariant(AValue);
    p.Type = OidOfKind(k);
    if (VarIsNull(AValue) || VarIsEmpty(AValue)) return p;
    p.IsNull = false;
    String text;
    switch (k) {
        case TPgValueKind::Auto:
        case TPgValueKind::Text:
            text = AValue.AsString();
            break;
        case TPgValueKind::SmallInt:
        case TPgValueKind::Integer:
        case TPgValueKind::LargeInt:
            text = IntegerText(AValue);
            break;
        case TPgValueKind::Float:
            text = FloatText(AValue);
            break;
        case TPgValueKind::Numeric:
            text = NumericText(AValue);
            break;
        case TPgValueKind::Boolean:
            text = AValue.AsBoolean() ? QStringLiteral("t") : QStringLiteral("f");
            break;
        case TPgValueKind::Date:
            text = PgDateText(DateTimeOf(AValue, k));
            break;
        case TPgValueKind::Time:
            text = PgTimeText(DateTimeOf(AValue, k));
            break;
        case TPgValueKind::DateTime:
            text = PgTimestampText(DateTimeOf(AValue, k));
            break;
        case TPgValueKind::Bytes:
            p.Binary = true;
            p.Data = VarIsArray(AValue) ? VarByteArrayToBytes(AValue) : AValue.AsString().toUtf8();
            return p;
    }
    p.Data = text.toUtf8();
    return p;
}

// ---- results -----------------------------------------------------------------------------------

void TPgResult::Deleter::operator()(pg_result* r) const { PQclear(r); }

TPgResult::TPgResult() = default;
TPgResult::TPgResult(TPgResult&&) noexcept = default;
TPgResult& TPgResult::operator=(TPgResult&&) noexcept = default;
TPgResult::~TPgResult() = default;

int TPgResult::RowCount() const { return FResult ? PQntuples(FResult.get()) : 0; }

int TPgResult::ColumnIndex(const String& AName) const {
    for (size_t i = 0; i < FColumns.size(); ++i)
        if (FColumns[i].Name.compare(AName, Qt::CaseInsensitive) == 0) return static_cast<int>(i);
    return -1;
}

bool TPgResult::IsNull(int ARow, int ACol) const { return PQgetisnull(FResult.get(), ARow, ACol) != 0; }

QByteArray TPgResult::Text(int ARow, int ACol) const {
    if (IsNull(ARow, ACol)) return {};
    return QByteArray(PQgetvalue(FResult.get(), ARow, ACol), PQgetlength(FResult.get(), ARow, ACol));
}

const char* TPgResult::RawText(int ARow, int ACol, int& ALength) const {
    if (IsNull(ARow, ACol)) {
        ALength = 0;
        return nullptr;
    }
    ALength = PQgetlength(FResult.get(), ARow, ACol);
    return PQgetvalue(FResult.get(), ARow, ACol);
}

Variant TPgResult::Value(int ARow, int ACol) const {
    if (ARow < 0 || ARow >= RowCount() || ACol < 0 || ACol >= ColumnCount())
        throw EPgError(QStringLiteral("Row %1, column %2 is out of range").arg(ARow).arg(ACol));
    if (IsNull(ARow, ACol)) return Variant::Null();
    const QByteArray t = Text(ARow, ACol);
    const TPgOid type = FColumns[static_cast<size_t>(ACol)].Type;
    switch (type) {
        case PgType::Int2:
            return Variant(static_cast<short>(t.toShort()));
        case PgType::Int4:
            return Variant(t.toInt());
        case PgType::Int8:
            return Variant(static_cast<long long>(t.toLongLong()));
        case PgType::Oid:
            return Variant(static_cast<long long>(t.toULongLong()));
        case PgType::Float4:
        case PgType::Float8: {
            if (t == "NaN") return Variant(std::numeric_limits<double>::quiet_NaN());
            if (t == "Infinity") return Variant(std::numeric_limits<double>::infinity());
            if (t == "-Infinity") return Variant(-std::numeric_limits<double>::infinity());
            return Variant(t.toDouble());
        }
        case PgType::Numeric: {
            TBcd bcd;
            if (TryStrToBcd(QString::fromLatin1(t), bcd, DotSettings())) return VarFMTBcdCreate(bcd);
            return Variant(QString::fromLatin1(t));  // NaN
        }
        case PgType::Bool:
            return Variant(t == "t");
        case PgType::Date:
        case PgType::Time:
        case PgType::TimeTz:
        case PgType::Timestamp:
        case PgType::TimestampTz: {
            TDateTime dt;
            if (TryPgTextToDateTime(t, type, FDateStyle, dt)) return VarFromDateTime(dt);
            return Variant(QString::fromLatin1(t));
        }
        case PgType::Bytea: {
            size_t len = 0;
            unsigned char* raw = PQunescapeBytea(reinterpret_cast<const unsigned char*>(t.constData()), &len);
            if (!raw) throw EPgError(QStringLiteral("Out of memory"));
            const QByteArray bytes(reinterpret_cast<const char*>(raw), static_cast<qsizetype>(len));
            PQfreemem(raw);
            return VarByteArrayOf(bytes);
        }
        default:
            return Variant(QString::fromUtf8(t));
    }
}

// ---- connection --------------------------------------------------------------------------------

TPgConnection::TPgConnection() = default;

TPgConnection::~TPgConnection() { Close(); }

void TPgConnection::Open(const String& AConnectionString) {
    Close();
    const auto params = PgConnectionParams(AConnectionString);
    std::vector<QByteArray> store;
    store.reserve(params.size() * 2);
    std::vector<const char*> keys, values;
    for (const auto& [k, v] : params) {
        store.push_back(k.toUtf8());
        keys.push_back(store.back().constData());
        store.push_back(v.toUtf8());
        values.push_back(store.back().constData());
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    FConn = PQconnectdbParams(keys.data(), values.data(), 0);
    if (!FConn || PQstatus(FConn) != CONNECTION_OK) RaiseConnectionError();
    PQsetNoticeProcessor(FConn, &IgnoreNotice, nullptr);
}

void TPgConnection::RaiseConnectionError() {
    const String message = ConnectionMessage(FConn);
    if (FConn) PQfinish(FConn);
    FConn = nullptr;
    throw EPgError(message);
}

void TPgConnection::Close() {
    if (FConn) PQfinish(FConn);
    FConn = nullptr;
}

bool TPgConnection::Connected() const { return FConn && PQstatus(FConn) == CONNECTION_OK; }

void TPgConnection::CheckConnected() const {
    if (!FConn) throw EPgError(QStringLiteral("Connection is not open"));
}

TPgResult TPgConnection::Execute(const String& ASql, const std::vector<TPgParam>& AParams) {
    CheckConnected();
    const QByteArray sql = ASql.toUtf8();
    PGresult* res;
    if (AParams.empty()) {
        res = PQexec(FConn, sql.constData());
    } else {
        const int n = static_cast<int>(AParams.size());
        std::vector<Oid> types(AParams.size());
        std::vector<const char*> values(AParams.size());
        std::vector<int> lengths(AParams.size()), formats(AParams.size());
        for (int i = 0; i < n; ++i) {
            const TPgParam& p = AParams[static_cast<size_t>(i)];
            types[i] = p.Type;
            values[i] = p.IsNull ? nullptr : p.Data.constData();
            lengths[i] = static_cast<int>(p.Data.size());
            formats[i] = p.Binary ? 1 : 0;
        }
        res = PQexecParams(FConn, sql.constData(), n, types.data(), values.data(), lengths.data(), formats.data(), 0);
    }
    if (!res) RaiseResultError(FConn, nullptr);
    const ExecStatusType st = PQresultStatus(res);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_EMPTY_QUERY) {
        if (PQstatus(FConn) == CONNECTION_BAD && !PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY)) {
            PQclear(res);
            throw EPgError(ConnectionMessage(FConn));
        }
        RaiseResultError(FConn, res);
    }
    TPgResult r;
    r.FResult.reset(res);
    const int cols = PQnfields(res);
    r.FColumns.resize(static_cast<size_t>(cols));
    for (int c = 0; c < cols; ++c) {
        TPgColumn& col = r.FColumns[static_cast<size_t>(c)];
        col.Name = FromUtf8(PQfname(res, c));
        col.Type = PQftype(res, c);
        col.TypMod = PQfmod(res, c);
        col.Table = PQftable(res, c);
        col.TableColumn = PQftablecol(res, c);
    }
    r.FRowsAffected = QByteArray(PQcmdTuples(res)).toLongLong();
    r.FCommandStatus = FromUtf8(PQcmdStatus(res));
    r.FDateStyle = ParameterStatus("DateStyle");
    return r;
}

void TPgConnection::BeginTransaction() {
    CheckConnected();
    if (InTransaction()) throw EPgError(QStringLiteral("A transaction is already in progress"), QStringLiteral("25001"));
    Execute(QStringLiteral("BEGIN"));
}

void TPgConnection::Commit() {
    CheckConnected();
    if (!InTransaction()) throw EPgError(QStringLiteral("No transaction is active"), QStringLiteral("25P01"));
    const bool failed = PQtransactionStatus(FConn) == PQTRANS_INERROR;
    const TPgResult r = Execute(QStringLiteral("COMMIT"));
    // COMMIT of a failed transaction answers ROLLBACK without an error: that is no success.
    if (failed || r.CommandStatus() == u"ROLLBACK")
        throw EPgError(QStringLiteral("The transaction was rolled back because a statement in it failed"),
                       QStringLiteral("40000"));
}

void TPgConnection::Rollback() {
    CheckConnected();
    if (!InTransaction()) throw EPgError(QStringLiteral("No transaction is active"), QStringLiteral("25P01"));
    Execute(QStringLiteral("ROLLBACK"));
}

bool TPgConnection::InTransaction() const {
    if (!FConn) return false;
    const PGTransactionStatusType s = PQtransactionStatus(FConn);
    return s == PQTRANS_INTRANS || s == PQTRANS_INERROR || s == PQTRANS_ACTIVE;
}

String TPgConnection::ParameterStatus(const char* AName) const {
    return FConn ? FromUtf8(PQparameterStatus(FConn, AName)) : String();
}

QStringList TPgConnection::TableNames(bool AWithViews) {
    const TPgResult r = Execute(QStringLiteral(
        "select c.oid::regclass::text from pg_catalog.pg_class c "
        "join pg_catalog.pg_namespace n on n.oid = c.relnamespace "
        "where c.relkind = any($1::\"char\"[]) and n.nspname not in ('pg_catalog', 'information_schema') "
        "and n.nspname not like 'pg\\_toast%' and n.nspname not like 'pg\\_temp%' "
        "and has_table_privilege(c.oid, 'SELECT') order by 1"),
        {TPgParam::FromVariant(Variant(AWithViews ? QStringLiteral("{r,p,v,m,f}") : QStringLiteral("{r,p,f}")))});
    QStringList names;
    for (int i = 0; i < r.RowCount(); ++i) names << QString::fromUtf8(r.Text(i, 0));
    return names;
}

TPgOid TPgConnection::TableOid(const String& ATableName) {
    const TPgResult r = Execute(QStringLiteral("select to_regclass($1)::oid"),
                                {TPgParam::FromVariant(Variant(ATableName))});
    return r.RowCount() && !r.IsNull(0, 0) ? r.Text(0, 0).toUInt() : 0;
}

QStringList TPgConnection::FieldNames(const String& ATableName) {
    const TPgResult r = Execute(QStringLiteral(
        "select attname from pg_catalog.pg_attribute where attrelid = $1::text::regclass "
        "and attnum > 0 and not attisdropped order by attnum"),
        {TPgParam::FromVariant(Variant(ATableName))});
    QStringList names;
    for (int i = 0; i < r.RowCount(); ++i) names << QString::fromUtf8(r.Text(i, 0));
    return names;
}

String TPgConnection::TableName(TPgOid ATable) {
    if (!ATable) return {};
    const TPgResult r = Execute(QStringLiteral("select c.oid::regclass::text from pg_catalog.pg_class c where c.oid = $1::oid"),
                                {TPgParam::FromVariant(Variant(QString::number(ATable)))});
    return r.RowCount() ? QString::fromUtf8(r.Text(0, 0)) : String();
}

QStringList TPgConnection::PrimaryKey(TPgOid ATable) {
    const TPgResult r = Execute(QStringLiteral(
        "select a.attname from pg_catalog.pg_index i "
        "cross join lateral unnest(i.indkey) with ordinality as k(attnum, ord) "
        "join pg_catalog.pg_attribute a on a.attrelid = i.indrelid and a.attnum = k.attnum "
        "where i.indrelid = $1::oid and i.indisprimary order by k.ord"),
        {TPgParam::FromVariant(Variant(QString::number(ATable)))});
    QStringList names;
    for (int i = 0; i < r.RowCount(); ++i) names << QString::fromUtf8(r.Text(i, 0));
    return names;
}

std::vector<std::pair<int, String>> TPgConnection::TableColumns(TPgOid ATable) {
    const TPgResult r = Execute(QStringLiteral(
        "select attnum, attname from pg_catalog.pg_attribute where attrelid = $1::oid "
        "and attnum > 0 and not attisdropped order by attnum"),
        {TPgParam::FromVariant(Variant(QString::number(ATable)))});
    std::vector<std::pair<int, String>> cols;
    for (int i = 0; i < r.RowCount(); ++i) cols.emplace_back(r.Text(i, 0).toInt(), QString::fromUtf8(r.Text(i, 1)));
    return cols;
}

std::vector<int> TPgConnection::PrimaryKeyColumns(TPgOid ATable) {
    const TPgResult r = Execute(QStringLiteral(
        "select k.attnum from pg_catalog.pg_index i "
        "cross join lateral unnest(i.indkey) with ordinality as k(attnum, ord) "
        "where i.indrelid = $1::oid and i.indisprimary order by k.ord"),
        {TPgParam::FromVariant(Variant(QString::number(ATable)))});
    std::vector<int> cols;
    for (int i = 0; i < r.RowCount(); ++i) cols.push_back(r.Text(i, 0).toInt());
    return cols;
}
