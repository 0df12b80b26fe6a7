#include "grid/addons/textexportvz.h"
#include "exchangesource.h"
#include "support/safefile_check.h"
#include "support/tools.h"

#include "platform/rtl/codepages.h"
#include "platform/rtl/streams.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray Export(TDBGridVzExport* E, IGridExchangeSourceVz* S) {
    TBytesStream Out;
    E->ExportToStream(&Out, S);
    return QByteArray(reinterpret_cast<const char*>(Out.Bytes().data()), qsizetype(Out.Bytes().size()));
}

TTableSource AB() {
    TTableSource S;
    S.Titles = {u"A"_S, u"B"_S};
    S.Rows = {{Variant(1), Variant(u"x"_S)}};
    return S;
}

TEST(TextExport, RowsAreSeparatedNotTerminatedInEachEncoding) {
    TTableSource S = AB();
    auto Text = NewOwned<TDBGridVzExportAsText>();
    EXPECT_EQ(Export(Text.get(), &S), QByteArray("A\tB\r\n1\tx"));
    auto Unicode = NewOwned<TDBGridVzExportAsUnicodeText>();
    EXPECT_EQ(Export(Unicode.get(), &S), QByteArray(reinterpret_cast<const char*>(u"A\tB\r\n1\tx"), 16));
    auto Csv = NewOwned<TDBGridVzExportAsCSV>();
    EXPECT_EQ(Export(Csv.get(), &S), QByteArray("\"A\";\"B\"\r\n\"1\";\"x\""));

    // Cyrillic goes out in the ANSI code page, footers follow the records
    S.Titles = {u"Цех"_S, u"B"_S};
    S.Footers = {{u"Итого"_S, u"2"_S}};
    S.Titled = false;
    auto Text2 = NewOwned<TDBGridVzExportAsText>();
    EXPECT_EQ(Export(Text2.get(), &S), QByteArray("1\tx\r\n\xC8\xF2\xEE\xE3\xEE\t2"));
}

TEST(TextExport, CsvQuotingAndTheUnitDefaults) {
    TTableSource S = AB();
    S.Titled = false;
    S.Rows = {{Variant(u"он сказал \"да\""_S), Variant(u"a;b"_S)}};
    auto Csv = NewOwned<TDBGridVzExportAsCSV>();
    EXPECT_EQ(String::fromLatin1(Export(Csv.get(), &S)), String::fromLatin1(
        StringToCodePage(u"\"он сказал \"\"да\"\"\";\"a;b\""_S, 1251)));

    QChar OldQuote = DefaultCsvQuoteChar, OldSep = DefaultCsvSeparator;
    DefaultCsvQuoteChar = QChar();
    auto Bare = NewOwned<TDBGridVzExportAsCSV>();
    DefaultCsvSeparator = QChar();
    auto NoSep = NewOwned<TDBGridVzExportAsCSV>();
    DefaultCsvQuoteChar = OldQuote;
    DefaultCsvSeparator = OldSep;
    S.Rows = {{Variant(u"1"_S), Variant(u"x"_S)}};
    EXPECT_EQ(Export(Bare.get(), &S), QByteArray("1;x"));
    EXPECT_EQ(Export(NoSep.get(), &S), QByteArray("1x"));
}

TEST(TextExport, ThousandRecordCsvReadsBackThroughPython) {
    TTableSource S = PayGridSource();
    QTemporaryDir Dir;
    String File = Dir.filePath(u"pay.csv"_S);
    auto Csv = NewOwned<TDBGridVzExportAsCSV>();
    Csv->ExportToFile(File, &S);

    QJsonArray Expected;
    Expected.append(QJsonArray::fromStringList(QStringList(S.Titles.begin(), S.Titles.end())));
    for (const auto& Row : S.Texts) Expected.append(QJsonArray::fromStringList(QStringList(Row.begin(), Row.end())));
    String Json = Dir.filePath(u"expected.json"_S);
    QFile J(Json);
    ASSERT_TRUE(J.open(QIODevice::WriteOnly));
    J.write(QJsonDocument(Expected).toJson());
    J.close();

    const char* Script =
        "import csv, json, sys\n"
        "rows = list(csv.reader(open(sys.argv[1], encoding='cp1251', newline=''), delimiter=';'))\n"
        "exp = json.load(open(sys.argv[2], encoding='utf-8'))\n"
        "bad = [i for i, (a, b) in enumerate(zip(rows, exp)) if a != b]\n"
        "print(len(rows), len(exp), bad[:3])\n"
        "sys.exit(0 if rows == exp else 1)\n";
    sdelka::test::TRun R = sdelka::test::RunTool(u"python3"_S, {u"-c"_S, String::fromUtf8(Script), File, Json});
    EXPECT_EQ(R.Code, 0) << R.Out.constData() << R.Err.constData();
    EXPECT_EQ(R.Out.trimmed(), QByteArray("1001 1001 []"));
}

TEST(TextExport, FileExportKeepsTheOldFileWhenTheDiskFails) {
    TTableSource S = PayGridSource(50);
    sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) {
        auto Text = NewOwned<TDBGridVzExportAsText>();
        Text->ExportToFile(Name, &S);
    });
}

}  // namespace
