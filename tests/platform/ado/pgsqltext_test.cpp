// The text-level part of the PostgreSQL layer: parameter rewriting and the connection string,
// with no server.
#include "platform/ado/pgclient.h"
#include "platform/ado/pgsqltext.h"
#include "platform/rtl/dateutils.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* sql;
    const char* expected;
    const char* names;  // comma-separated
};

class ParsePgSqlParamsTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParsePgSqlParamsTest, RewritesNamesOutsideQuotesCommentsAndCasts) {
    const ParseCase& c = GetParam();
    const TPgParsedSql r = ParsePgSqlParams(QString::fromUtf8(c.sql));
    EXPECT_EQ(r.Sql, QString::fromUtf8(c.expected));
    EXPECT_EQ(r.Names.join(u','), QString::fromUtf8(c.names));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParsePgSqlParamsTest,
    ::testing::Values(
        ParseCase{"select * from t where id=:id", "select * from t where id=$1", "id"},
        ParseCase{"where a=:a and b=:b or a>:A", "where a=$1 and b=$2 or a>$1", "a,b"},
        ParseCase{"select kol_vo::numeric, :x::date", "select kol_vo::numeric, $1::date", "x"},
        ParseCase{"select ':nope', 'it''s :no', :yes", "select ':nope', 'it''s :no', $1", "yes"},
        ParseCase{"select E'\\':no', :p", "select E'\\':no', $1", "p"},
        ParseCase{"select \"col:x\" from t where c=:c", "select \"col:x\" from t where c=$1", "c"},
        ParseCase{"select $$ :a $$, $tag$ :b $x$ $tag$, :c", "select $$ :a $$, $tag$ :b $x$ $tag$, $1", "c"},
        ParseCase{"select :a -- :b\n, :c", "select $1 -- :b\n, $2", "a,c"},
        ParseCase{"select /* :a /* :b */ :c */ :d", "select /* :a /* :b */ :c */ $1", "d"},
        ParseCase{"select a[1:2], x : y, 'a' || :_q1", "select a[1:2], x : y, 'a' || $1", "_q1"},
        ParseCase{"select :дата, :Дата", "select $1, $1", "дата"},
        ParseCase{"select a$b, :v from t", "select a$b, $1 from t", "v"},
        ParseCase{"select 'unterminated :x", "select 'unterminated :x", ""},
        ParseCase{"smena.data=:data and ok!=:ok order by fio", "smena.data=$1 and ok!=$2 order by fio", "data,ok"}));

struct ConnCase {
    const char* connectionString;
    const char* conninfo;
};

class PgConnInfoTest : public ::testing::TestWithParam<ConnCase> {};

TEST_P(PgConnInfoTest, MapsTheOdbcForm) {
    EXPECT_EQ(PgConnInfo(QString::fromUtf8(GetParam().connectionString)), QString::fromUtf8(GetParam().conninfo));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PgConnInfoTest,
    ::testing::Values(
        ConnCase{"DRIVER={PostgreSQL UNICODE};DATABASE=mervadb;SERVER=10.0.0.5;PORT=5432;UID=sys;PWD=vexplum;"
                 "SSLmode=allow;ReadOnly=0;Protocol=7.4;FakeOidIndex=0;ShowOidColumn=0;RowVersioning=0;"
                 "ShowSystemTables=0;Fetch=100;UnknownSizes=0;MaxVarcharSize=255;MaxLongVarcharSize=8190;"
                 "Debug=0;CommLog=0;UseDeclareFetch=0;TextAsLongVarchar=1;UnknownsAsLongVarchar=0;BoolsAsChar=1;"
                 "Parse=0;ExtraSysTablePrefixes=;LFConversion=1;UpdatableCursors=1;TrueIsMinus1=0;BI=0;"
                 "ByteaAsLongVarBinary=1;UseServerSidePrepare=1;LowerCaseIdentifier=0;D6=-101;OptionalErrors=0;XaOpt=1",
                 "dbname='mervadb' host='10.0.0.5' port='5432' user='sys' password='vexplum' sslmode='allow' "
                 "client_encoding='UTF8'"},
        // keys in any case, braced values with ";" and "}}", a socket directory as the server
        ConnCase{"database = {my;db} ; server=/tmp/sock dir;uid=u;pwd={p}}w'd\\x};SSLMODE=Require",
                 "dbname='my;db' host='/tmp/sock dir' user='u' password='p}w\\'d\\\\x' sslmode='require' "
                 "client_encoding='UTF8'"},
        // a DSN or a data source names a service; an empty DATABASE is left to the defaults
        ConnCase{"DSN=factory;DATABASE=;SERVER=db1", "service='factory' host='db1' client_encoding='UTF8'"},
        ConnCase{"Data Source=factory", "service='factory' client_encoding='UTF8'"},
        ConnCase{"", "client_encoding='UTF8'"}));

TEST(PgUserDate, ReadsDayFirst) {
    struct {
        const char* text;
        int y, m, d, h, n, s;
    } ok[] = {
        {"5.3.2024", 2024, 3, 5, 0, 0, 0},      {"05/03/2024", 2024, 3, 5, 0, 0, 0},
        {"31-12-1999", 1999, 12, 31, 0, 0, 0},  {"2024-03-05", 2024, 3, 5, 0, 0, 0},
        {" 5.3.2024 14:30 ", 2024, 3, 5, 14, 30, 0}, {"2024-03-05T08:09:10", 2024, 3, 5, 8, 9, 10},
        {"29.02.2024", 2024, 2, 29, 0, 0, 0},
    };
    for (const auto& c : ok) {
        TDateTime v = 0;
        ASSERT_TRUE(TryPgUserTextToDateTime(QString::fromUtf8(c.text), v)) << c.text;
        EXPECT_EQ(PgTimestampText(v), QStringLiteral("%1-%2-%3 %4:%5:%6.000")
                                          .arg(c.y, 4, 10, QChar(u'0')).arg(c.m, 2, 10, QChar(u'0'))
                                          .arg(c.d, 2, 10, QChar(u'0')).arg(c.h, 2, 10, QChar(u'0'))
                                          .arg(c.n, 2, 10, QChar(u'0')).arg(c.s, 2, 10, QChar(u'0')))
            << c.text;
    }
    for (const char* bad : {"", "5.13.2024", "30.02.2024", "5 March 2024", "5.3", "5.3.2024 25:00", "5.3.2024x"}) {
        TDateTime v;
        EXPECT_FALSE(TryPgUserTextToDateTime(QString::fromUtf8(bad), v)) << bad;
    }
}

TEST(PgServerDate, ReadsEveryDateStyle) {
    struct {
        const char* text;
        TPgOid type;
        const char* style;
        const char* expected;  // as PgTimestampText
    } cases[] = {
        {"2024-03-05", PgType::Date, "ISO, MDY", "2024-03-05 00:00:00.000"},
        {"2024-03-05 14:30:15.123456", PgType::Timestamp, "ISO, DMY", "2024-03-05 14:30:15.123"},
        {"2024-03-05 14:30:15+03", PgType::TimestampTz, "ISO, DMY", "2024-03-05 14:30:15.000"},
        {"03/05/2024", PgType::Date, "SQL, MDY", "2024-03-05 00:00:00.000"},
        {"05/03/2024 14:30:15", PgType::Timestamp, "SQL, DMY", "2024-03-05 14:30:15.000"},
        {"05.03.2024 14:30:15", PgType::Timestamp, "German, DMY", "2024-03-05 14:30:15.000"},
        {"03-05-2024", PgType::Date, "Postgres, MDY", "2024-03-05 00:00:00.000"},
        {"Tue Mar 05 14:30:15 2024", PgType::Timestamp, "Postgres, MDY", "2024-03-05 14:30:15.000"},
        {"Tue 05 Mar 14:30:15.5 2024 MSK", PgType::TimestampTz, "Postgres, DMY", "2024-03-05 14:30:15.500"},
        {"14:30:15.9996", PgType::Time, "ISO, MDY", "1899-12-30 14:30:16.000"},
    };
    for (const auto& c : cases) {
        TDateTime v = 0;
        ASSERT_TRUE(TryPgTextToDateTime(c.text, c.type, QString::fromLatin1(c.style), v)) << c.text;
        EXPECT_EQ(PgTimestampText(v), QString::fromLatin1(c.expected)) << c.text;
    }
    TDateTime v;
    EXPECT_FALSE(TryPgTextToDateTime("infinity", PgType::Timestamp, QStringLiteral("ISO, MDY"), v));
    EXPECT_FALSE(TryPgTextToDateTime("2024-03-05 BC", PgType::Date, QStringLiteral("ISO, MDY"), v));
}

TEST(PgParam, SendsCanonicalTextWhateverTheFormatSettings) {
    const TFormatSettings saved = FormatSettings;
    FormatSettings.DecimalSeparator = u',';
    struct {
        Variant value;
        TPgValueKind kind;
        TPgOid type;
        const char* data;
    } cases[] = {
        {Variant(42), TPgValueKind::Auto, PgType::Int4, "42"},
        {Variant(static_cast<long long>(1) << 40), TPgValueKind::Auto, PgType::Int8, "1099511627776"},
        {Variant(12.5), TPgValueKind::Auto, PgType::Float8, "12.5"},
        {Variant(QStringLiteral("12,5")), TPgValueKind::Numeric, PgType::Numeric, "12.5"},
        {Variant(QStringLiteral(" 1 234.50")), TPgValueKind::Numeric, PgType::Numeric, "1234.5"},
        {VarFMTBcdCreate(QStringLiteral("-0,05"), 10, 2), TPgValueKind::Auto, PgType::Numeric, "-0.05"},
        {Variant(Currency(12.3456)), TPgValueKind::Auto, PgType::Numeric, "12.3456"},
        {Variant(true), TPgValueKind::Auto, PgType::Bool, "t"},
        {Variant(QStringLiteral("5.3.2024")), TPgValueKind::Date, PgType::Date, "2024-03-05"},
        {VarFromDateTime(EncodeDate(2024, 3, 5) + EncodeTime(14, 30, 0, 0)), TPgValueKind::Date, PgType::Date, "2024-03-05"},
        {VarFromDateTime(EncodeDate(2024, 3, 5) + EncodeTime(14, 30, 0, 0)), TPgValueKind::Auto, PgType::Timestamp,
         "2024-03-05 14:30:00.000"},
        {Variant(QStringLiteral("7:05")), TPgValueKind::Time, PgType::Time, "07:05:00.000"},
        {Variant(QStringLiteral("'); drop table t;--")), TPgValueKind::Auto, PgType::Unknown, "'); drop table t;--"},
        {Variant(QStringLiteral("17")), TPgValueKind::Integer, PgType::Int4, "17"},
    };
    for (const auto& c : cases) {
        const TPgParam p = TPgParam::FromVariant(c.value, c.kind);
        EXPECT_FALSE(p.IsNull);
        EXPECT_EQ(p.Type, c.type) << c.data;
        EXPECT_EQ(p.Data, QByteArray(c.data));
    }
    FormatSettings = saved;

    const TPgParam n = TPgParam::FromVariant(Null(), TPgValueKind::Date);
    EXPECT_TRUE(n.IsNull);
    EXPECT_EQ(n.Type, PgType::Date);
    const TPgParam b = TPgParam::FromVariant(VarByteArrayOf(QByteArray("\0\x01\xff", 3)));
    EXPECT_TRUE(b.Binary);
    EXPECT_EQ(b.Type, PgType::Bytea);
    EXPECT_EQ(b.Data, QByteArray("\0\x01\xff", 3));

    EXPECT_THROW(TPgParam::FromVariant(Variant(QStringLiteral("31.02.2024")), TPgValueKind::Date), EConvertError);
    EXPECT_THROW(TPgParam::FromVariant(Variant(QStringLiteral("abc")), TPgValueKind::Numeric), EConvertError);
    EXPECT_THROW(TPgParam::FromVariant(Variant(QStringLiteral("1.5")), TPgValueKind::Integer), EConvertError);
}

}  // namespace
