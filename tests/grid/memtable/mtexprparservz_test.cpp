#include "grid/memtable/mtexprparservz.h"

#include "grid/memtable/memtablevz.h"
#include "grid/memtable/recordsviewvz.h"
#include "platform/db/fields.h"
#include "platform/rtl/dateutils.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

// (Id integer, Name string, Price float, D date-time, Flag boolean) with five records.
struct ExprFixture : ::testing::Test {
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    TDateTime Stamp = EncodeDateTime(2024, 5, 1, 10, 20, 30, 250);

    ExprFixture() {
        T->FieldDefs()->Add(u"Id"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftString, 20);
        T->FieldDefs()->Add(u"Price"_S, ftFloat);
        T->FieldDefs()->Add(u"D"_S, ftDateTime);
        T->FieldDefs()->Add(u"Flag"_S, ftBoolean);
        T->CreateDataSet();
        T->AppendRecord({1, u"ABC"_S, 2.0, VarFromDateTime(Stamp), true});
        T->AppendRecord({2, u"abc"_S, 4.0, VarFromDateTime(Stamp + 1), false});
        T->AppendRecord({3, u"ABBC"_S, Null(), Null(), Null()});
        T->AppendRecord({4, u"  x  "_S, 6.0, VarFromDateTime(EncodeDate(2023, 2, 3)), true});
        T->AppendRecord({5, u"Ёлка"_S, Null(), Null(), false});
    }
    std::vector<int> Ids() {
        std::vector<int> r;
        T->First();
        while (!T->Eof()) {
            r.push_back(T->FieldByName(u"Id"_S)->AsInteger());
            T->Next();
        }
        return r;
    }
    std::vector<int> Filtered(const String& Text, TFilterOptions Options = {}) {
        T->SetFilterOptions(Options);
        T->SetFilter(Text);
        T->SetFiltered(true);
        std::vector<int> r = Ids();
        T->SetFiltered(false);
        return r;
    }
    TMemoryRecordVz* Rec(int Index) { return T->MemTableData()->RecordsList()->Rec(Index); }
};

TEST_F(ExprFixture, FilterTexts) {
    struct Case {
        const char16_t* Text;
        TFilterOptions Options;
        std::vector<int> Expected;
    } cases[] = {
        {u"Name = 'abc'", {}, {2}},
        {u"Name = 'abc'", {foCaseInsensitive}, {1, 2}},
        {u"Name LIKE 'A%'", {}, {1, 3}},
        {u"Name LIKE 'A_C'", {}, {1}},
        {u"Name LIKE 'x%ab%b%'", {}, {}},
        {u"Name = 'AB*'", {}, {1, 3}},
        {u"Name = 'AB*'", {foNoPartialCompare}, {}},
        {u"Price > 3 AND Id < 5", {}, {2, 4}},
        {u"Id IN (1, 4, 9)", {}, {1, 4}},
        {u"NOT (Id IN (1, 4))", {}, {2, 3, 5}},
        {u"Price IS NULL", {}, {3, 5}},
        {u"Price + 1 = 3", {}, {1}},
        {u"Name + '!' = 'abc!'", {}, {2}},
        // Each call has its own arguments: nested calls stand anywhere.
        {u"UPPER(TRIM(Name)) = 'X'", {}, {4}},
        {u"SUBSTRING(Name, 1, MONTH(D) - 3) = 'AB'", {}, {1}},
        {u"TRIM(Name, 'A') = 'BC'", {}, {1}},
        {u"YEAR(D) = 2023", {}, {4}},
        // A Boolean field alone: a Null value rejects the record, no error.
        {u"Flag", {}, {1, 4}},
        {u"NOT Flag", {}, {2, 5}},
        {u"Name = 'ёлка'", {foCaseInsensitive}, {5}},
    };
    for (const Case& c : cases) EXPECT_EQ(Filtered(String::fromUtf16(c.Text), c.Options), c.Expected) << String::fromUtf16(c.Text).toStdString();
}

TEST_F(ExprFixture, DateEqualityAndInequalityIgnoreMilliseconds) {
    // The stored value has 250 ms; the constant has none: = holds and <> does not.
    const String when = DateTimeToStr(EncodeDateTime(2024, 5, 1, 10, 20, 30, 0));
    EXPECT_EQ(Filtered("D = '" + when + "'"), (std::vector<int>{1}));
    // Null differs from every value and sorts first.
    EXPECT_EQ(Filtered("D <> '" + when + "'"), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(Filtered("D > '" + when + "'"), (std::vector<int>{1, 2}));  // ordering keeps the milliseconds
}

TEST_F(ExprFixture, EvaluationErrors) {
    auto p = NewOwned<TDataSetExprParserVz>(T.get(), dsptFilterVz);
    EXPECT_FALSE(p->HasData());
    EXPECT_FALSE(p->IsCurRecordInFilter(Rec(0)));
    struct Case {
        const char* Text;
        const char* Message;
    } cases[] = {
        {"TRIM() = ''", "Incorrect number of arguments in function <TRIM>"},
        {"SUBSTRING(Name) = ''", "Incorrect number of arguments in function <SUBSTRING>"},
        {"UPPER(Name, Name) = ''", "Incorrect number of arguments in function <UPPER>"},
    };
    for (const Case& c : cases) {
        p->ParseExpression(String(c.Text));
        try {
            p->IsCurRecordInFilter(Rec(0));
            ADD_FAILURE() << c.Text;
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), String(c.Message));
        }
    }
    // Parser errors come from the parser; aggregate functions are no filter functions.
    EXPECT_THROW(p->ParseExpression(u"SUM(Price) > 1"_S), EDatabaseError);
    EXPECT_THROW(p->ParseExpression(u"Id = "_S), EDatabaseError);
    // A text that is no Boolean word is a conversion error.
    p->ParseExpression(u"Name"_S);
    EXPECT_THROW(p->IsCurRecordInFilter(Rec(0)), Exception);
}

// The filter's compiled form answers as the general evaluation does, record by record: the same
// value, the same Null rules (a Null comparison is a value, a Null under NOT or AND stays Null),
// the same errors.
TEST(CompiledFilter, AgreesWithTheGeneralEvaluation) {
    auto t = NewOwned<TMemTableVz>(nullptr);
    t->FieldDefs()->Add(u"Id"_S, ftInteger);
    t->FieldDefs()->Add(u"Name"_S, ftWideString, 20);
    t->FieldDefs()->Add(u"Amount"_S, ftFloat);
    t->FieldDefs()->Add(u"D"_S, ftDateTime);
    t->FieldDefs()->Add(u"Flag"_S, ftBoolean);
    t->FieldDefs()->Add(u"Price"_S, ftBCD, 4);
    t->FieldDefs()->Add(u"Big"_S, ftLargeint);
    t->CreateDataSet();
    const TDateTime stamp = EncodeDateTime(2024, 5, 1, 10, 20, 30, 250);
    const long long big = (1LL << 53) + 1;  // not a double
    t->AppendRecord({1, u"ABC"_S, 2.0, VarFromDateTime(stamp), true, Currency(2.5), big});
    t->AppendRecord({2, u"abc"_S, 4.5, VarFromDateTime(EncodeDate(2024, 5, 2)), false, Currency(-1), big - 1});
    t->AppendRecord({3, u""_S, Null(), Null(), Null(), Null(), Null()});
    t->AppendRecord({4, Null(), -3.0, VarFromDateTime(EncodeDate(2023, 2, 3)), true, Currency(3), 0});
    t->AppendRecord({5, u"Ёлка"_S, 10.0, VarFromDateTime(EncodeDate(2024, 5, 1)), false, Currency(10), -5});
    t->AppendRecord({6, u"ёлка-2"_S, 7.25, VarFromDateTime(stamp + 0.5), true, Currency(7.25), 7});
    TRecordsListVz* list = t->MemTableData()->RecordsList();

    const String day = DateTimeToStr(EncodeDateTime(2024, 5, 1, 10, 20, 30, 0));
    const String texts[] = {
        u"Id = 2"_S, u"Id <> 2"_S, u"Id > 2"_S, u"Id >= 2"_S, u"Id < 4"_S, u"Id <= 4"_S, u"2 < Id"_S,
        u"Amount > 2"_S, u"Amount = 4.5"_S, u"Amount < Id"_S, u"Amount <> -3"_S, u"Amount >= 10"_S,
        u"Big = 9007199254740993"_S, u"Big > 9007199254740992"_S, u"Big < 0"_S, u"Big >= Id"_S,
        u"Price = 2.5"_S, u"Price > 2"_S, u"Price < Amount"_S, u"Price = 3"_S,
        "D = '" + day + "'", "D <> '" + day + "'", "D > '" + day + "'", u"D < '01.05.2024'"_S, u"D >= '02.05.2024'"_S,
        u"Flag"_S, u"NOT Flag"_S, u"Flag = True"_S, u"Flag <> False"_S,
        u"Name = 'abc'"_S, u"Name <> 'abc'"_S, u"Name > 'abc'"_S, u"Name < 'ёлка'"_S, u"Name = ''"_S,
        u"Name = 'AB*'"_S, u"Name <> 'ab*'"_S, u"Name = '*'"_S, u"Name LIKE '%b%'"_S, u"Name LIKE 'ё%'"_S,
        u"Name IS NULL"_S, u"Name IS NOT NULL"_S, u"Amount IS NULL"_S, u"Price IS NOT NULL"_S, u"D IS NULL"_S,
        u"Id IN (1, 3, 5)"_S, u"Name IN ('abc', 'Ёлка')"_S, u"Amount IN (2, 10)"_S,
        u"Amount > 3 AND Flag"_S, u"NOT (Amount > 3 AND Flag)"_S, u"Amount > 3 OR Flag"_S, u"NOT (Amount > 3 OR Flag)"_S,
        u"NOT (Flag AND Id > 0) OR Name IS NULL"_S, u"Id > 1 AND (Name = 'abc' OR Amount < 0)"_S,
        u"UPPER(Name) = 'ABC' OR Id = 1"_S, u"Id + 1 = 3 AND Flag"_S, u"NOT (Name LIKE '%a%')"_S,
        u"Name"_S, u"Flag AND Name"_S,
        // A constant on the left of a stored number.
        u"4.5 = Amount"_S, u"3 > Amount"_S, u"-3 <> Amount"_S, u"9007199254740992 < Big"_S, u"2.5 >= Id"_S,
        u"0 <= Big AND 10 > Amount"_S,
    };
    for (TFilterOptions options : {TFilterOptions(), TFilterOptions{foCaseInsensitive}}) {
        t->SetFilterOptions(options);
        for (const String& text : texts) {
            auto compiled = NewOwned<TDataSetExprParserVz>(t.get(), dsptFilterVz);
            auto general = NewOwned<TDataSetExprParserVz>(t.get(), dsptFilterVz);
            compiled->ParseExpression(text);
            general->ParseExpression(text);
            for (int i = 0; i < list->Count(); ++i) {
                auto answer = [](const std::function<bool()>& Fn) -> std::string {
                    try {
                        return Fn() ? "true" : "false";
                    } catch (const Exception& e) {
                        return "error: " + e.Message().toStdString();
                    }
                };
                TMemoryRecordVz* rec = list->Rec(i);
                const std::string want = answer([&] {
                    const Variant v = general->Evaluate(rec);
                    return !VarIsNull(v) && !VarIsEmpty(v) && v.AsBoolean();
                });
                EXPECT_EQ(answer([&] { return compiled->IsCurRecordInFilter(rec); }), want)
                    << text.toStdString() << " on record " << i + 1 << (options.Empty() ? "" : " ignoring case");
            }
            // Many records at once: the same answers, and a record whose test raises is named.
            std::vector<TMemoryRecordVz*> recs;
            for (int i = 0; i < list->Count(); ++i) recs.push_back(list->Rec(i));
            std::vector<unsigned char> passes(recs.size(), 9);
            auto batch = NewOwned<TDataSetExprParserVz>(t.get(), dsptFilterVz);
            batch->ParseExpression(text);
            for (int at = 0; at < static_cast<int>(recs.size());) {
                std::string got;
                const int from = at;
                try {
                    batch->FilterRecords(recs.data(), static_cast<int>(recs.size()), passes.data(), at);
                } catch (const Exception& e) {
                    got = "error: " + e.Message().toStdString();
                }
                for (int i = from; i < at; ++i) {
                    const Variant v = general->Evaluate(recs[static_cast<size_t>(i)]);
                    EXPECT_EQ(passes[static_cast<size_t>(i)], !VarIsNull(v) && !VarIsEmpty(v) && v.AsBoolean() ? 1 : 0)
                        << text.toStdString() << " on record " << i + 1 << " at once";
                }
                if (!got.empty()) {
                    EXPECT_ANY_THROW({
                        const Variant v = general->Evaluate(recs[static_cast<size_t>(at)]);
                        if (!VarIsNull(v) && !VarIsEmpty(v)) v.AsBoolean();
                    }) << text.toStdString() << " " << got;
                    ++at;
                }
            }
        }
    }
    // A few answers pinned, so that both paths cannot be wrong together.
    auto ids = [&](const String& Text) {
        t->SetFilter(Text);
        t->SetFiltered(true);
        std::vector<int> r;
        for (t->First(); !t->Eof(); t->Next()) r.push_back(t->FieldByName(u"Id"_S)->AsInteger());
        t->SetFiltered(false);
        return r;
    };
    t->SetFilterOptions({});
    EXPECT_EQ(ids(u"Big > 9007199254740992"_S), (std::vector<int>{1}));
    EXPECT_EQ(ids(u"NOT (Amount > 3 AND Flag)"_S), (std::vector<int>{1, 2, 4, 5}));  // 3: Null stays Null
    EXPECT_EQ(ids(u"Amount <> -3"_S), (std::vector<int>{1, 2, 3, 5, 6}));             // Null differs from -3
    EXPECT_EQ(ids("D = '" + day + "'"), (std::vector<int>{1}));
    EXPECT_EQ(ids(u"Price > 2"_S), (std::vector<int>{1, 4, 5, 6}));
}

TEST_F(ExprFixture, ParsedBytesLayout) {
    auto p = NewOwned<TDataSetExprParserVz>(T.get(), dsptFilterVz);
    p->ParseExpression(u"Id = 5"_S);
    const TExprData& d = p->ExprData();
    auto u16 = [&](size_t at) { return d[at] | (d[at + 1] << 8); };
    auto u32 = [&](size_t at) { return u16(at) | (u16(at + 2) << 16); };
    // Root: binary coEQ over two nodes; then the field (number 1, name "Id") and the constant.
    ASSERT_GE(d.size(), 10u + 12u);
    EXPECT_EQ(u32(10), nodeBINARY);
    EXPECT_EQ(u32(14), coEQ);
    const size_t field = 10 + static_cast<size_t>(u16(18)), value = 10 + static_cast<size_t>(u16(20));
    EXPECT_EQ(u32(field), nodeFIELD);
    EXPECT_EQ(u32(field + 4), coFIELD2);
    EXPECT_EQ(u16(field + 8), 1);
    const size_t lit = static_cast<size_t>(u16(8));
    EXPECT_EQ(String::fromLatin1(reinterpret_cast<const char*>(d.data() + lit + static_cast<size_t>(u16(field + 10)))), u"Id"_S);
    EXPECT_EQ(u32(value), nodeCONST);
    EXPECT_EQ(u16(value + 8), 6);  // ftInteger's code
    EXPECT_EQ(u16(value + 10), 4);
    EXPECT_EQ(u32(lit + static_cast<size_t>(u16(value + 12))), 5);
}

// Aggregate fields over the dataset's visible records.
struct AggregateFixture : ExprFixture {
    TAggregateField* Agg(const String& Name, const String& Expr) {
        auto* a = New<TAggregateField>(T.get());
        a->SetFieldName(Name);
        a->SetExpression(Expr);
        a->SetActive(true);
        a->SetDataSet(T.get());
        return a;
    }
    AggregateFixture() {
        T->Close();
        for (int i = 0; i < T->FieldDefs()->Count(); ++i) T->FieldDefs()->Items(i)->CreateField(T.get());
    }
};

TEST_F(AggregateFixture, ValuesFollowTheView) {
    TAggregateField* sum = Agg(u"S"_S, u"SUM(Price * Id)"_S);
    TAggregateField* avg = Agg(u"A"_S, u"AVG(Price)"_S);
    TAggregateField* mn = Agg(u"Mn"_S, u"MIN(Price)"_S);
    TAggregateField* mx = Agg(u"Mx"_S, u"Max(Name)"_S);
    TAggregateField* cnt = Agg(u"C"_S, u"COUNT(Price)"_S);
    TAggregateField* all = Agg(u"All"_S, u"COUNT(*)"_S);
    T->SetAggregatesActive(true);
    T->Open();
    EXPECT_DOUBLE_EQ(sum->AsVariant().AsDouble(), 2 + 8 + 24);
    EXPECT_DOUBLE_EQ(avg->AsVariant().AsDouble(), 4);  // (2 + 4 + 6) / 3: Nulls are skipped
    EXPECT_DOUBLE_EQ(mn->AsVariant().AsDouble(), 2);   // the Null value does not win
    EXPECT_EQ(mx->AsVariant().AsString(), u"Ёлка"_S);
    EXPECT_EQ(cnt->AsVariant().AsInteger(), 3);
    EXPECT_EQ(all->AsVariant().AsInteger(), 5);
    // A change of the records reaches the values.
    T->AppendRecord({6, u"z"_S, 10.0, Null(), Null()});
    EXPECT_DOUBLE_EQ(sum->AsVariant().AsDouble(), 2 + 8 + 24 + 60);
    EXPECT_EQ(all->AsVariant().AsInteger(), 6);
    // Only the visible records count; none left gives Null, and COUNT 0.
    T->SetFilter(u"Price IS NULL"_S);
    T->SetFiltered(true);
    EXPECT_EQ(all->AsVariant().AsInteger(), 2);
    EXPECT_TRUE(VarIsNull(sum->AsVariant()));
    EXPECT_TRUE(VarIsNull(avg->AsVariant()));
    EXPECT_EQ(cnt->AsVariant().AsInteger(), 0);
    T->SetFilter(u"Id > 100"_S);
    EXPECT_TRUE(VarIsNull(mx->AsVariant()));
    EXPECT_TRUE(VarIsNull(all->AsVariant()));  // no row: no value
    T->SetFiltered(false);
    // A new expression recomputes; switching aggregates off gives Null.
    sum->SetExpression(u"SUM(Id)"_S);
    EXPECT_EQ(sum->AsVariant().AsInteger(), 21);
    T->SetAggregatesActive(false);
    EXPECT_TRUE(VarIsNull(sum->AsVariant()));
}

TEST_F(AggregateFixture, ItemsLinkToFieldsAndUnlinkWhenFreed) {
    TAggregateField* sum = Agg(u"S"_S, u"SUM(Id)"_S);
    T->SetAggregatesActive(true);
    T->Open();
    TMTAggregatesVz* aggs = T->RecordsView()->Aggregates();
    ASSERT_EQ(aggs->Count(), 1);
    EXPECT_EQ(sum->Handle(), aggs->Items(0));
    EXPECT_EQ(aggs->Items(0)->DisplayName(), u"SUM(Id)"_S);
    EXPECT_EQ(aggs->Items(0)->DataType(), ftFloat);
    T->Close();
    EXPECT_EQ(aggs->Count(), 0);
    EXPECT_EQ(sum->Handle(), nullptr);
    // A bad expression leaves its aggregate inactive.
    T->Open();
    EXPECT_THROW(aggs->Items(0)->SetExpression(u"SUM(Id"_S), EDatabaseError);
    auto* item = aggs->Add();
    item->SetExpression(u"SUM(Id +)"_S);
    EXPECT_THROW(item->SetActive(true), EDatabaseError);
    EXPECT_FALSE(item->Active());
}

}  // namespace
