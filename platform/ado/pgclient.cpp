#include "platform/ado/pgclient.h"

#include "platform/ado/pgsqltext.h"
#include "platform/rtl/bcd.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/apphooks.h"
#include "platform/rtl/formatsettings.h"

#include <libpq-fe.h>
#include <poll.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

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

// The error of a failed statement (res may be null); res is cleared.
EPgError ResultError(PGconn* conn, PGresult* res) {
    String message = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_PRIMARY)) : String();
    if (message.isEmpty()) message = ConnectionMessage(conn);
    const String state = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_SQLSTATE)) : String();
    const String detail = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_DETAIL)) : String();
    const String hint = res ? FromUtf8(PQresultErrorField(res, PG_DIAG_MESSAGE_HINT)) : String();
    if (res) PQclear(res);
    return EPgError(message, state, detail, hint);
}

// The texts the user reads when an action was not done for a reason of the connection.
const char16_t* const SConnectionLost = u"Связь с сервером базы данных потеряна, действие не выполнено.";
const char16_t* const SStatementCancelled = u"Запрос отменён, действие не выполнено.";
const char16_t* const SStatementTimedOut = u"Сервер не выполнил запрос за %1 с, действие не выполнено.";
const char16_t* const SServerNotAnswering = u"Сервер базы данных не отвечает (нет ответа %1 с).";

String WithReason(const String& AFirstLine, const String& AReason) {
    return AReason.isEmpty() ? AFirstLine : AFirstLine + u'\n' + AReason;
}
String WithReason(const char16_t* AFirstLine, const String& AReason) {
    return WithReason(QString::fromUtf16(AFirstLine), AReason);
}

String Seconds(int AMilliseconds) { return QString::number((AMilliseconds + 999) / 1000); }

// The statement the UI thread waits for: a cancel request from anywhere reaches it.
std::atomic<int> gWaiting{0};
std::atomic<bool> gCancelRequested{false};

using TClock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// One wait for the server: after the delay the application shows the wait cursor and keeps its
// windows painted while the socket is watched in short steps; the user's Escape, or a cancel
// asked from elsewhere, is reported once.
class TServerWait {
public:
    TServerWait() : FStart(TClock::now()) {
        ++gWaiting;
        gCancelRequested = false;
    }
    ~TServerWait() {
        if (FShown && LongWaitEnd) LongWaitEnd();
        --gWaiting;
    }
    TServerWait(const TServerWait&) = delete;
    TServerWait& operator=(const TServerWait&) = delete;

    // Waits up to one step for the socket; returns its events.
    short Poll(int ASocket, short AEvents) {
        pollfd p{ASocket, AEvents, 0};
        if (ASocket < 0 || ::poll(&p, 1, FShown ? 20 : 50) <= 0) return 0;
        return p.revents;
    }
    // After each step: true once the user (or PgCancelRunningStatement) asked to cancel.
    bool CancelAsked() {
        if (!FShown && TClock::now() - FStart >= milliseconds(PgWaitLimits().WaitCursorDelay)) {
            FShown = true;
            if (LongWaitBegin) LongWaitBegin();
        }
        const bool escape = FShown && LongWaitPoll && LongWaitPoll();
        return gCancelRequested.exchange(false) || escape;
    }
    TClock::time_point Start() const { return FStart; }
    int Elapsed() const {
        return static_cast<int>(std::chrono::duration_cast<milliseconds>(TClock::now() - FStart).count());
    }

private:
    TClock::time_point FStart;
    bool FShown = false;
};

const char16_t* const SConnectCancelled = u"Подключение к серверу базы данных отменено.";

// Notices are not shown; a FATAL message that arrives while the session is idle (the server
// ending it: restart, terminate) marks the session ended.
void ReceiveNotice(void* AEnded, const PGresult* ANotice) {
    const char* severity = PQresultErrorField(ANotice, PG_DIAG_SEVERITY_NONLOCALIZED);
    if (severity && (std::strcmp(severity, "FATAL") == 0 || std::strcmp(severity, "PANIC") == 0))
        *static_cast<bool*>(AEnded) = true;
}

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

TPgWaitLimits& PgWaitLimits() {
    static TPgWaitLimits limits;
    return limits;
}

void PgCancelRunningStatement() {
    if (gWaiting.load() > 0) gCancelRequested = true;
}

bool PgStatementRunning() { return gWaiting.load() > 0; }

struct TPgConnection::TCancelHandle {
    std::mutex Lock;
    PGcancel* Cancel = nullptr;
};

TPgConnection::TPgConnection() : FCancel(std::make_unique<TCancelHandle>()) {}

TPgConnection::~TPgConnection() { Close(); }

void TPgConnection::Open(const String& AConnectionString) {
    Close();
    FConnectionString = AConnectionString;
    Connect();
    FOpened = true;
}

namespace {

// The keywords that the environment or the service file (PGSERVICE) already give a value.
QStringList KeywordsGivenOutside() {
    QStringList given;
    if (PQconninfoOption* defaults = PQconndefaults()) {
        for (PQconninfoOption* o = defaults; o->keyword; ++o)
            if (o->val && *o->val) given << QString::fromLatin1(o->keyword);
        PQconninfoFree(defaults);
    }
    return given;
}

}  // namespace

void TPgConnection::Connect() {
    // Windows keep painting while the server is reached: no statement may come in meanwhile.
    FBusy = true;
    struct TNotBusy {
        bool& Busy;
        ~TNotBusy() { Busy = false; }
    } notBusy{FBusy};
    auto params = PgConnectionParams(FConnectionString);
    const TPgWaitLimits& limits = PgWaitLimits();
    const QStringList outside = KeywordsGivenOutside();
    auto add = [&](const char* AKey, int AValue) {
        const String key = QString::fromLatin1(AKey);
        if (outside.contains(key)) return;
        for (const auto& kv : params)
            if (kv.first == key) return;
        params.emplace_back(key, QString::number(AValue));
    };
    add("connect_timeout", limits.ConnectTimeout);
    add("keepalives", 1);
    add("keepalives_idle", limits.KeepalivesIdle);
    add("keepalives_interval", limits.KeepalivesInterval);
    add("keepalives_count", limits.KeepalivesCount);
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
    // The connection is made step by step, so the windows keep painting and Escape gives up.
    FConn = PQconnectStartParams(keys.data(), values.data(), 0);
    if (!FConn || PQstatus(FConn) == CONNECTION_BAD) RaiseConnectionError();
    int timeout = 0;
    if (PQconninfoOption* used = PQconninfo(FConn)) {
        for (PQconninfoOption* o = used; o->keyword; ++o)
            if (std::strcmp(o->keyword, "connect_timeout") == 0 && o->val) timeout = std::atoi(o->val);
        PQconninfoFree(used);
    }
    if (timeout > 0 && timeout < 2) timeout = 2;  // as the library does
    {
        TServerWait wait;
        PostgresPollingStatusType state = PGRES_POLLING_WRITING;
        for (;;) {
            if (state == PGRES_POLLING_OK) break;
            if (state == PGRES_POLLING_FAILED) RaiseConnectionError();
            const short events = wait.Poll(PQsocket(FConn), state == PGRES_POLLING_READING ? POLLIN : POLLOUT);
            if (events) {
                state = PQconnectPoll(FConn);
                continue;
            }
            if (wait.CancelAsked()) {
                DropConnection();
                throw EPgError(QString::fromUtf16(SConnectCancelled));
            }
            if (timeout > 0 && wait.Elapsed() >= timeout * 1000) {
                DropConnection();
                throw EPgError(QStringLiteral("timeout expired"));
            }
        }
    }
    if (PQstatus(FConn) != CONNECTION_OK) RaiseConnectionError();
    FServerEnded = false;
    PQsetNoticeReceiver(FConn, &ReceiveNotice, &FServerEnded);
    {
        std::lock_guard<std::mutex> g(FCancel->Lock);
        FCancel->Cancel = PQgetCancel(FConn);
    }
    try {
        ApplySessionLimits();
    } catch (...) {
        DropConnection();
        throw;
    }
}

void TPgConnection::ApplySessionLimits() {
    // The statement timeout goes to the session unless the server already has one from the
    // client's options (PGOPTIONS, the service), the role, the database or its configuration.
    const QByteArray value = QByteArray::number(PgWaitLimits().StatementTimeout);
    const char* values[] = {value.constData()};
    PGresult* r = PQexecParams(FConn,
                               "select set_config('statement_timeout', $1, false) from pg_catalog.pg_settings "
                               "where name = 'statement_timeout' and source = 'default'",
                               1, nullptr, values, nullptr, nullptr, 0);
    if (PQresultStatus(r) != PGRES_TUPLES_OK) throw ResultError(FConn, r);
    PQclear(r);
    r = PQexec(FConn, "select setting from pg_catalog.pg_settings where name = 'statement_timeout'");
    if (PQresultStatus(r) != PGRES_TUPLES_OK) throw ResultError(FConn, r);
    FStatementTimeout = PQntuples(r) ? std::atoi(PQgetvalue(r, 0, 0)) : 0;
    PQclear(r);
}

void TPgConnection::RaiseConnectionError() {
    const String message = ConnectionMessage(FConn);
    DropConnection();
    throw EPgError(message);
}

void TPgConnection::DropConnection() {
    {
        std::lock_guard<std::mutex> g(FCancel->Lock);
        if (FCancel->Cancel) PQfreeCancel(FCancel->Cancel);
        FCancel->Cancel = nullptr;
    }
    if (FConn) PQfinish(FConn);
    FConn = nullptr;
}

void TPgConnection::Close() {
    DropConnection();
    FOpened = false;
    FLostInTransaction = false;
}

bool TPgConnection::Connected() const { return FConn && PQstatus(FConn) == CONNECTION_OK; }

void TPgConnection::CheckConnected() const {
    if (!FOpened) throw EPgError(QStringLiteral("Connection is not open"));
}

void TPgConnection::Cancel() {
    std::lock_guard<std::mutex> g(FCancel->Lock);
    if (!FCancel->Cancel) return;
    char buffer[256];
    PQcancel(FCancel->Cancel, buffer, sizeof buffer);
}

void TPgConnection::GiveUpSession() {
    // A stopped server would run what it has already received once it resumes, however long
    // after: a new session asks the server to end the old one, which then ends before it reads on.
    const QByteArray pid = QByteArray::number(PQbackendPID(FConn));
    DropConnection();
    try {
        Connect();
        const char* values[] = {pid.constData()};
        PQclear(PQexecParams(FConn, "select pg_catalog.pg_terminate_backend($1::int, 0)", 1, nullptr, values, nullptr,
                             nullptr, 0));
    } catch (const EPgError&) {
        DropConnection();  // the next statement tries again
    }
}

void TPgConnection::RaiseLost(const String& AReason) {
    EPgError e(WithReason(SConnectionLost, AReason), QStringLiteral("08006"));
    e.SetConnectionLost(true);
    throw e;
}

void TPgConnection::EnsureAlive() {
    CheckConnected();
    if (FBusy) throw EPgError(QStringLiteral("The connection is busy with another statement"));
    if (FConn && PQstatus(FConn) == CONNECTION_OK && PQtransactionStatus(FConn) == PQTRANS_IDLE) {
        // A session the server ended while it was idle has left its last words in the socket.
        for (int i = 0; i < 8 && PQstatus(FConn) == CONNECTION_OK; ++i) {
            pollfd p{PQsocket(FConn), POLLIN, 0};
            if (::poll(&p, 1, 0) <= 0 || !PQconsumeInput(FConn)) break;
            while (PGnotify* n = PQnotifies(FConn)) PQfreemem(n);
        }
    }
    if (FConn && PQstatus(FConn) == CONNECTION_OK && !FServerEnded) return;
    if (FConn && PQstatus(FConn) == CONNECTION_OK && PQtransactionStatus(FConn) != PQTRANS_IDLE) FLostInTransaction = true;
    if (FLostInTransaction) RaiseLost(QStringLiteral("The transaction was rolled back by the server"));
    // Nothing is in flight: connect again, once.
    DropConnection();
    try {
        Connect();
    } catch (const EPgError& e) {
        RaiseLost(e.Message());
    }
}

bool TPgConnection::SendStatement(const QByteArray& ASql, const std::vector<TPgParam>& AParams) {
    if (AParams.empty()) return PQsendQuery(FConn, ASql.constData()) == 1;
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
    return PQsendQueryParams(FConn, ASql.constData(), n, types.data(), values.data(), lengths.data(),
                             formats.data(), 0) == 1;
}

PGresult* TPgConnection::AwaitResult() {
    const TPgWaitLimits& limits = PgWaitLimits();
    TServerWait wait;
    const TClock::time_point deadline = FStatementTimeout > 0
                                            ? wait.Start() + milliseconds(FStatementTimeout + limits.ServerGrace)
                                            : TClock::time_point::max();
    TClock::time_point cancelDeadline = TClock::time_point::max();
    bool cancelled = false;

    PGresult* kept = nullptr;
    auto keep = [&](PGresult* r) {
        // The first error stands, as a single statement's would; otherwise the last result.
        if (kept && PQresultStatus(kept) == PGRES_FATAL_ERROR) {
            PQclear(r);
            return;
        }
        if (kept) PQclear(kept);
        kept = r;
    };
    for (;;) {
        if (!PQisBusy(FConn) || PQstatus(FConn) == CONNECTION_BAD) {
            PGresult* r = PQgetResult(FConn);
            if (!r) break;
            keep(r);
            continue;
        }
        const int flush = PQflush(FConn);
        if (flush < 0) continue;  // the connection went: the next round collects its error
        if (wait.Poll(PQsocket(FConn), static_cast<short>(POLLIN | (flush ? POLLOUT : 0))) & (POLLIN | POLLERR | POLLHUP))
            PQconsumeInput(FConn);
        if (wait.CancelAsked() && !cancelled) {
            cancelled = true;
            cancelDeadline = TClock::now() + milliseconds(limits.ServerGrace);
            Cancel();
        }
        const TClock::time_point now = TClock::now();
        if (now >= deadline || now >= cancelDeadline) {
            // The server does not answer at all (stopped, or the network is cut): give the
            // statement up with its connection; the server rolls back what it did.
            if (!cancelled) Cancel();
            if (kept) PQclear(kept);
            GiveUpSession();
            EPgError e(WithReason(cancelled ? SStatementCancelled : SConnectionLost,
                                  QString::fromUtf16(SServerNotAnswering).arg(Seconds(wait.Elapsed()))),
                       QStringLiteral("57014"));
            e.SetConnectionLost(true);
            throw e;
        }
    }
    if (cancelled && kept && PQresultStatus(kept) == PGRES_FATAL_ERROR) {
        EPgError e = ResultError(FConn, kept);
        if (e.SqlState() == u"57014") throw EPgError(WithReason(SStatementCancelled, e.Message()), e.SqlState());
        throw e;
    }
    return kept;
}

TPgResult TPgConnection::Execute(const String& ASql, const std::vector<TPgParam>& AParams) {
    EnsureAlive();
    const QByteArray sql = ASql.toUtf8();
    const bool inTransaction = PQtransactionStatus(FConn) != PQTRANS_IDLE;
    if (!SendStatement(sql, AParams)) {
        // Nothing went out: outside a transaction the statement can go again on a new connection.
        if (PQstatus(FConn) != CONNECTION_BAD) throw ResultError(FConn, nullptr);
        const String reason = ConnectionMessage(FConn);
        DropConnection();
        if (inTransaction) {
            FLostInTransaction = true;
            RaiseLost(reason);
        }
        EnsureAlive();
        if (!SendStatement(sql, AParams)) {
            const String again = ConnectionMessage(FConn);
            DropConnection();
            RaiseLost(again);
        }
    }
    PGresult* res;
    FBusy = true;
    try {
        res = AwaitResult();
    } catch (const EPgError& e) {
        FBusy = false;
        if (e.ConnectionLost() && inTransaction) FLostInTransaction = true;
        throw;
    }
    FBusy = false;
    if (!FConn || PQstatus(FConn) == CONNECTION_BAD) {
        // The connection went with the statement in flight.
        EPgError e = ResultError(FConn, res);
        DropConnection();
        if (inTransaction) FLostInTransaction = true;
        RaiseLost(e.Message());
    }
    if (!res) throw ResultError(FConn, nullptr);
    const ExecStatusType st = PQresultStatus(res);
    if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK && st != PGRES_EMPTY_QUERY) {
        EPgError e = ResultError(FConn, res);
        if (e.SqlState() == u"57014")
            throw EPgError(WithReason(QString::fromUtf16(SStatementTimedOut).arg(Seconds(FStatementTimeout)), e.Message()),
                           e.SqlState());
        throw e;
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
    if (FLostInTransaction) RaiseLost(QStringLiteral("The transaction was rolled back by the server"));
    if (InTransaction()) throw EPgError(QStringLiteral("A transaction is already in progress"), QStringLiteral("25001"));
    Execute(QStringLiteral("BEGIN"));
}

void TPgConnection::Commit() {
    CheckConnected();
    if (FLostInTransaction) {
        FLostInTransaction = false;
        RaiseLost(QStringLiteral("The transaction was rolled back by the server"));
    }
    if (!InTransaction()) throw EPgError(QStringLiteral("No transaction is active"), QStringLiteral("25P01"));
    const bool failed = FConn && PQtransactionStatus(FConn) == PQTRANS_INERROR;
    TPgResult r;
    try {
        r = Execute(QStringLiteral("COMMIT"));
    } catch (const EPgError& e) {
        if (e.ConnectionLost()) FLostInTransaction = false;  // the transaction went with the session
        throw;
    }
    // COMMIT of a failed transaction answers ROLLBACK without an error: that is no success.
    if (failed || r.CommandStatus() == u"ROLLBACK")
        throw EPgError(QStringLiteral("The transaction was rolled back because a statement in it failed"),
                       QStringLiteral("40000"));
}

void TPgConnection::Rollback() {
    CheckConnected();
    if (FLostInTransaction) {  // the server has rolled it back with the session
        FLostInTransaction = false;
        return;
    }
    if (!InTransaction()) throw EPgError(QStringLiteral("No transaction is active"), QStringLiteral("25P01"));
    try {
        Execute(QStringLiteral("ROLLBACK"));
    } catch (const EPgError& e) {
        if (!e.ConnectionLost()) throw;
        FLostInTransaction = false;  // the server rolls it back with the session
    }
}

bool TPgConnection::InTransaction() const {
    if (FLostInTransaction) return true;
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
