#include "grid/addons/textexportvz.h"
#include "grid/addons/textimportvz.h"
#include "exchangesource.h"

#include "platform/gui/modalresults.h"
#include "platform/rtl/codepages.h"
#include "platform/rtl/streams.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

namespace {

// The rows an import wrote, each value's text ("-" for a column left alone).
std::vector<String> Import(TDBGridVzImport* I, const QByteArray& Bytes, TTableTarget& Target) {
    TBytesStream In(TBytes(Bytes.begin(), Bytes.end()));
    I->ImportFromStream(&In, &Target);
    std::vector<String> Rows;
    for (const auto& Row : Target.Rows) {
        QStringList Cells;
        for (const Variant& V : Row) Cells << (VarIsEmpty(V) ? u"-"_S : V.AsString());
        Rows.push_back(Cells.join(u'|'));
    }
    return Rows;
}

TEST(TextImport, SplitsValuesAndRecords) {
    using namespace std::literals;
    struct Case {
        std::string_view Text;
        int Cols;
        std::vector<String> Rows;
    } Cases[] = {
        {"a\t\tb"sv, 3, {u"a||b"_S}},
        {"a\tb\r\nc\td\r\n\0junk"sv, 2, {u"a|b"_S, u"c|d"_S}},  // the 0 terminator ends the text
        {"a\tb\tc\r\nd"sv, 2, {u"a|b"_S, u"d|-"_S}},          // extra values dropped, missing ones untouched
        {"\tx\r\n\r\ny"sv, 2, {u"|x"_S, u"|-"_S, u"y|-"_S}},   // leading separator and an empty line
        {"line\nbreak\tz"sv, 2, {u"line\nbreak|z"_S}},        // a lone LF is part of the value
        {""sv, 2, {}},
    };
    for (const Case& C : Cases) {
        TTableTarget Target(C.Cols);
        auto I = NewOwned<TDBGridVzImportAsText>();
        QByteArray Bytes(C.Text.data(), qsizetype(C.Text.size()));
        EXPECT_EQ(Import(I.get(), Bytes, Target), C.Rows) << Bytes.toStdString();
    }
}

TEST(TextImport, CarriageReturnWithoutLineFeedIsAFormatError) {
    TTableTarget Target(2);
    auto I = NewOwned<TDBGridVzImportAsText>();
    try {
        Import(I.get(), QByteArray("a\rb"), Target);
        FAIL();
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"TDBGridVzImportAsText.CheckState: Неверный формат текста"_S);
    }
    auto U = NewOwned<TDBGridVzImportAsUnicodeText>();
    EXPECT_THROW(Import(U.get(), QByteArray("a\0\r\0", 4), Target), Exception);
}

TEST(TextImport, RefusedValuesAskYesNoAllOncePerImport) {
    TScriptedResponder Resp;
    TResponderScope Scope(&Resp);
    auto I = NewOwned<TDBGridVzImportAsText>();
    TTableTarget Target(2);
    Target.Refuse = {1};
    Resp.Answer(mrAll);
    EXPECT_EQ(Import(I.get(), QByteArray("a\t12.5\r\nb\tx\r\nc\ty"), Target),
              (std::vector<String>{u"a|-"_S, u"b|-"_S, u"c|-"_S}));
    ASSERT_EQ(Resp.MessageCount(), 1);
    EXPECT_EQ(Resp.LastCall().Text, u"Ошибка при вставке значения:\n'12.5' is not a valid integer value\n\nИгнорировать ошибку?"_S);
    EXPECT_TRUE(Resp.LastCall().Buttons.Contains(mbAll));

    // the next import asks again; No stops it silently after the first record
    TTableTarget Second(2);
    Second.Refuse = {1};
    Resp.Answer(mrNo);
    EXPECT_THROW(Import(I.get(), QByteArray("a\t1\r\nb\t2"), Second), EAbort);
    EXPECT_EQ(Resp.MessageCount(), 2);
    EXPECT_EQ(Second.Rows.size(), 1u);
}

TEST(TextImport, ReadsBackWhatTheTextExportsWrote) {
    TTableSource S = PayGridSource(200);
    for (auto& Row : S.Texts) Row[0].remove(u'\t');  // a TAB inside a value cannot travel in this format
    struct Pair {
        TOwned<TDBGridVzExport> Out;
        TOwned<TDBGridVzImport> In;
    } Pairs[] = {{NewOwned<TDBGridVzExportAsText>(), NewOwned<TDBGridVzImportAsText>()},
                 {NewOwned<TDBGridVzExportAsUnicodeText>(), NewOwned<TDBGridVzImportAsUnicodeText>()}};
    for (Pair& P : Pairs) {
        TBytesStream Bytes;
        P.Out->ExportToStream(&Bytes, &S);
        Bytes.SetPosition(0);
        TTableTarget Target(4);
        P.In->ImportFromStream(&Bytes, &Target);
        ASSERT_EQ(Target.Rows.size(), S.Rows.size() + 1);
        for (size_t R = 0; R < S.Rows.size(); ++R)
            for (int C = 0; C < 4; ++C) EXPECT_EQ(Target.Rows[R + 1][C].AsString(), S.Texts[R][C]);
    }
}

}  // namespace
