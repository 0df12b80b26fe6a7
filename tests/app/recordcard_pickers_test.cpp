// The record card's rules and the directory lists' search and position, the latter over the demo
// database.
#include "app/pickers.h"
#include "app/recordcard.h"
#include "platform/ado/adodb.h"
#include "platform/rtl/formatsettings.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

namespace {

TEST(RecordCardRules, PickedPriceFactors) {
    struct Case {
        bool Weekend;
        int Shift;
        double Expected;
    } cases[] = {
        {false, 1, 10}, {false, 2, 10}, {false, 3, 12}, {false, 4, 15},
        {true, 1, 20},  {true, 2, 20},  {true, 3, 24},  {true, 4, 30},  // weekend overtime: three times
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(PickedPrice(10, c.Weekend, c.Shift), c.Expected) << c.Weekend << c.Shift;
}

TEST(RecordCardRules, OperationTextAndPaint) {
    EXPECT_EQ(OperationText(QStringLiteral(" ВШ-12 "), QStringLiteral("Покраска краской "), 0),
              QStringLiteral("ВШ-12; Покраска краской; Готовая продукция"));
    EXPECT_EQ(OperationText(QStringLiteral("ВШ-12"), QStringLiteral("Резка"), 1), QStringLiteral("ВШ-12; Резка; Заготовки"));
    EXPECT_TRUE(IsPaintOperation(QStringLiteral("ВШ-12; Краска; Заготовки")));
    EXPECT_TRUE(IsPaintOperation(QStringLiteral("ВШ-12; покраска; Заготовки")));
    EXPECT_FALSE(IsPaintOperation(QStringLiteral("ВШ-12; Резка; Заготовки")));
}

TEST(RecordCardRules, DigitFilter) {
    for (char16_t c : std::u16string(u"0123456789\b,.")) EXPECT_TRUE(DigitKeyAccepted(QChar(c))) << int(c);
    for (char16_t c : std::u16string(u"a- ЯZ\r\t")) EXPECT_FALSE(DigitKeyAccepted(QChar(c))) << int(c);
}

TEST(RecordCardRules, NumbersShownRoundedWithTheSystemSeparator) {
    const TFormatSettings saved = FormatSettings;
    FormatSettings.DecimalSeparator = u',';
    EXPECT_EQ(CardNumberText(12.5), QStringLiteral("12,5"));
    EXPECT_EQ(CardNumberText(3), QStringLiteral("3"));
    EXPECT_EQ(CardNumberText(1.23456), QStringLiteral("1,2346"));
    EXPECT_EQ(CardNumberText(4 * 2.50005), QStringLiteral("10,0002"));
    FormatSettings = saved;
}

TEST(RecordCardRules, Validation) {
    const String paint = QStringLiteral("М; Краска; Заготовки"), cut = QStringLiteral("М; Резка; Заготовки");
    const String w = QStringLiteral("Иванов"), z = QStringLiteral("0"), e, blank = QStringLiteral("  ");
    EXPECT_TRUE(RecordCardFilled(w, cut, z, z, e, z));        // "0" is filled; no colour without paint
    EXPECT_FALSE(RecordCardFilled(w, paint, z, z, e, z));     // paint needs a colour
    EXPECT_TRUE(RecordCardFilled(w, paint, z, z, QStringLiteral("1015"), z));
    EXPECT_FALSE(RecordCardFilled(blank, cut, z, z, e, z));
    EXPECT_FALSE(RecordCardFilled(w, e, z, z, e, z));
    EXPECT_FALSE(RecordCardFilled(w, cut, blank, z, e, z));
    EXPECT_FALSE(RecordCardFilled(w, cut, z, e, e, z));
    EXPECT_FALSE(RecordCardFilled(w, cut, z, z, e, blank));
}

TEST(RecordCardRules, TypedNumbersInEitherSeparator) {
    struct Case {
        const char* Text;
        bool Ok;
        double Value;
    } const cases[] = {{"2,5", true, 2.5}, {"2.5", true, 2.5}, {" 0,5 ", true, 0.5}, {"1", true, 1},
                       {"", false, 0},     {".", false, 0},     {"1,2,3", false, 0}, {"abc", false, 0},
                       {"1 000", false, 0}};
    for (const auto& c : cases) {
        double v = -1;
        EXPECT_EQ(TypedNumber(QString::fromUtf8(c.Text), v), c.Ok) << c.Text;
        if (c.Ok) {
            EXPECT_DOUBLE_EQ(v, c.Value) << c.Text;
        }
    }
}

TEST(ListSearch, FilterTextsQuoteTheTypedText) {
    EXPECT_EQ(SearchFilterText(QStringLiteral("fio"), QStringLiteral("Ив"), smPrefix), QStringLiteral("fio like 'Ив%'"));
    EXPECT_EQ(SearchFilterText(QStringLiteral("marka"), QStringLiteral("12"), smContains),
              QStringLiteral("marka like '%12%'"));
    EXPECT_EQ(SearchFilterText(QStringLiteral("fio"), QStringLiteral("О'Б"), smPrefix),
              QStringLiteral("fio like 'О''Б%'"));
    EXPECT_EQ(SearchFilterText(QStringLiteral("marka"), QStringLiteral("a%b_c\\"), smPrefix),
              QStringLiteral("marka like 'a\\%b\\_c\\\\%'"));
}

class ListSearchDb : public sdelka::test::PgSuite<true> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Conn = New<TADOConnection>(nullptr);
        Conn->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        Query = New<TADOQuery>(nullptr);
        Query->SetConnection(Conn);
    }
    void TearDown() override {
        if (Query) Query->Free();
        if (Conn) Conn->Free();
    }
    void OpenSql(const char* Sql) {
        Query->Close();
        Query->SQL()->SetText(QString::fromUtf8(Sql));
        Query->Open();
    }
    std::vector<String> Column(const char* Field) {
        std::vector<String> r;
        Query->First();
        while (!Query->Eof()) {
            r.push_back(Query->FieldByName(QString::fromLatin1(Field))->AsString());
            Query->Next();
        }
        return r;
    }

    TADOConnection* Conn = nullptr;
    TADOQuery* Query = nullptr;
};

TEST_F(ListSearchDb, QuoteInTheSearchTextFilters) {
    Db().Exec("insert into accounts_dep.person(fio) values ('О''Брайен Д.'), ('О Брайен'), ('  Пробелов')");
    OpenSql("select * from accounts_dep.person order by fio");
    const TListSearch workers{QStringLiteral("fio"), smPrefix, false};
    ApplySearch(Query, workers, QStringLiteral("О'"));
    EXPECT_EQ(Column("fio"), std::vector<String>{QStringLiteral("О'Брайен Д.")});
    ApplySearch(Query, workers, QStringLiteral("'"));
    EXPECT_TRUE(Column("fio").empty());
    // a text of blanks searches for names starting with blanks in the workers list
    ApplySearch(Query, workers, QStringLiteral("  "));
    EXPECT_EQ(Column("fio"), std::vector<String>{QStringLiteral("  Пробелов")});
    ApplySearch(Query, workers, String());
    EXPECT_FALSE(Query->Filtered());
    EXPECT_GE(Query->RecordCount(), 3);
}

TEST_F(ListSearchDb, PercentAndUnderscoreTypedByTheUserAreThemselves) {
    OpenSql("select 'ab%cd' as marka union all select 'abXXcd' union all select 'a_b' union all select 'aXb'"
            " union all select 'c\\d' union all select 'cd' order by 1");
    const TListSearch prices{QStringLiteral("marka"), smContains, true};
    ApplySearch(Query, prices, QStringLiteral("ab%cd"));
    EXPECT_EQ(Column("marka"), std::vector<String>{QStringLiteral("ab%cd")});
    ApplySearch(Query, prices, QStringLiteral("a_b"));
    EXPECT_EQ(Column("marka"), std::vector<String>{QStringLiteral("a_b")});
    ApplySearch(Query, prices, QStringLiteral("c\\d"));
    EXPECT_EQ(Column("marka"), std::vector<String>{QStringLiteral("c\\d")});
}

TEST_F(ListSearchDb, PricesFindAnywhereAndIgnoreBlanks) {
    OpenSql("select 'АБВ-12' as marka union all select 'X12' union all select 'Z-7' order by 1");
    const TListSearch prices{QStringLiteral("marka"), smContains, true};
    ApplySearch(Query, prices, QStringLiteral("12"));
    EXPECT_EQ(Column("marka"), (std::vector<String>{QStringLiteral("X12"), QStringLiteral("АБВ-12")}));
    ApplySearch(Query, prices, QStringLiteral("   "));
    EXPECT_FALSE(Query->Filtered());
    EXPECT_EQ(Query->RecordCount(), 3);
}

TEST_F(ListSearchDb, GroupPickerKeepsItsRestrictionWhileSearching) {
    Db().Exec("insert into cmn_classifier.item(s_caption, b_excluded) values ('Шкафы нержавеющие', 1), ('Шкафы новые', 0)");
    OpenSql("select *, case b_excluded when 1 then 'V' else '' end as s_excl from cmn_classifier.item "
            "where id_level=2 order by s_caption");
    const String restriction = QStringLiteral("b_excluded=0");
    const TListSearch groups{QStringLiteral("s_caption"), smPrefix, false};
    ApplySearch(Query, groups, QStringLiteral("Шкафы н"), restriction);
    EXPECT_EQ(Column("s_caption"), std::vector<String>{QStringLiteral("Шкафы новые")});
    ApplySearch(Query, groups, String(), restriction);  // emptied: the restriction alone
    EXPECT_TRUE(Query->Filtered());
    for (const String& excl : Column("s_excl")) EXPECT_EQ(excl, String());
}

TEST_F(ListSearchDb, PositionIsRestoredOnlyWhenTheListIsLongEnough) {
    OpenSql("select generate_series(1, 5) as n");
    ReopenAtRecNo(Query, 4);
    EXPECT_EQ(Query->FieldByName(QStringLiteral("n"))->AsInteger(), 4);
    ReopenAtRecNo(Query, 6);
    EXPECT_EQ(Query->FieldByName(QStringLiteral("n"))->AsInteger(), 1);
    ReopenAtRecNo(Query, 0);
    EXPECT_EQ(Query->FieldByName(QStringLiteral("n"))->AsInteger(), 1);
}

TEST(Pickers, ReservedRowsAndReceivers) {
    EXPECT_TRUE(IsReservedRow(7777));
    EXPECT_TRUE(IsReservedRow(7778));
    EXPECT_FALSE(IsReservedRow(7779));
    EXPECT_FALSE(IsReservedRow(1));

    int id = 0;
    TOwned<TEdit> edit = NewOwned<TEdit>(nullptr);
    EXPECT_TRUE(PickInto(edit.get(), &id)(42, QStringLiteral("  Иванов И.И. "), nullptr));
    EXPECT_EQ(edit->Text(), QStringLiteral("Иванов И.И."));
    EXPECT_EQ(id, 42);
    EXPECT_TRUE(PickInto(edit.get(), &id, false)(43, QStringLiteral(" Группа "), nullptr));
    EXPECT_EQ(edit->Text(), QStringLiteral(" Группа "));
    EXPECT_EQ(id, 43);
}

}  // namespace
