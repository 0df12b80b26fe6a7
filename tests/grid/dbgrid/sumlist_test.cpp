// The sum list over a dataset without aggregates of its own: one scan, then corrections per record.
#include "grid/dbgrid/sumlistvz.h"
#include "platform/testing/memdata.h"

#include <gtest/gtest.h>

namespace {

struct SumListFixture : ::testing::Test {
    TOwned<TTestTableDataSet> D = NewOwned<TTestTableDataSet>(nullptr);
    TOwned<TDBSumListProducer> P = NewOwned<TDBSumListProducer>(nullptr);
    SumListFixture() {
        D->FieldDefs()->Add(u"Id"_S, ftInteger);
        D->FieldDefs()->Add(u"V"_S, ftFloat);
        D->CreateDataSet();
        for (int i = 1; i <= 4; ++i) D->AppendRecord({Variant(i), i % 2 ? Variant(i * 1.5) : Null()});
        Add(goSum, u"V");
        Add(goAvg, u"V");
        Add(goCount, u"");
        Add(goCount, u"V");
        P->SetDataSet(D.get());
    }
    void Add(TGroupOperation Op, const char16_t* Field) {
        TDBSum* s = P->SumCollection()->Add();
        s->SetGroupOperation(Op);
        s->SetFieldName(String::fromUtf16(Field));
    }
    // sum|avg|count|count of V, with four decimals.
    std::string Values() {
        std::string r;
        for (int i = 0; i < P->SumCollection()->Count(); ++i) {
            char b[32];
            std::snprintf(b, sizeof b, "%s%.4f", i ? "|" : "", P->SumCollection()->Items(i)->SumValue.ToDouble());
            r += b;
        }
        return r;
    }
};

TEST_F(SumListFixture, ScanThenCorrections) {
    EXPECT_EQ(Values(), "6.0000|3.0000|4.0000|2.0000");
    // An edit cancelled and a post of an unchanged record change nothing.
    D->First();
    D->Edit();
    D->FieldByName(u"V"_S)->SetAsFloat(100);
    D->Cancel();
    D->Edit();
    D->Post();
    EXPECT_EQ(Values(), "6.0000|3.0000|4.0000|2.0000");
    // A Null given a value, a value cleared.
    D->Next();
    D->Edit();
    D->FieldByName(u"V"_S)->SetAsFloat(3);
    D->Post();
    EXPECT_EQ(Values(), "9.0000|3.0000|4.0000|3.0000");
    D->First();
    D->Edit();
    D->FieldByName(u"V"_S)->Clear();
    D->Post();
    EXPECT_EQ(Values(), "7.5000|3.7500|4.0000|2.0000");
    // A new record whose counted field already holds a value is counted once, when posted.
    D->OnNewRecord = [](TDataSet* DS) { DS->FieldByName(u"V"_S)->SetAsFloat(0.5); };
    D->Append();
    D->FieldByName(u"Id"_S)->SetAsInteger(5);
    EXPECT_EQ(Values(), "7.5000|3.7500|4.0000|2.0000");
    D->Post();
    EXPECT_EQ(Values(), "8.0000|2.6667|5.0000|3.0000");
    // A delete takes the record's share off once it is done.
    D->Delete();
    EXPECT_EQ(Values(), "7.5000|3.7500|4.0000|2.0000");
}

TEST_F(SumListFixture, AverageOfNothingButNullsIsZero) {
    D->First();
    while (!D->Eof()) {
        D->Edit();
        D->FieldByName(u"V"_S)->Clear();
        D->Post();
        D->Next();
    }
    EXPECT_EQ(Values(), "0.0000|0.0000|4.0000|0.0000");
    P->RecalcAll();
    EXPECT_EQ(Values(), "0.0000|0.0000|4.0000|0.0000");
}

TEST_F(SumListFixture, FilterChangesRecalculateAtTheNextScroll) {
    D->SetFilter(u"Id <= 2"_S);
    D->SetFiltered(true);
    D->First();
    D->Next();
    EXPECT_EQ(Values(), "1.5000|1.5000|2.0000|1.0000");
    D->SetFilter(u"Id >= 2"_S);
    D->Next();
    EXPECT_EQ(Values(), "4.5000|4.5000|3.0000|1.0000");
    D->SetFiltered(false);
    D->Next();
    EXPECT_EQ(Values(), "6.0000|3.0000|4.0000|2.0000");
}

TEST_F(SumListFixture, DeactivatedProducerGivesBackTheHandlers) {
    int mine = 0;
    P->SetActive(false);
    EXPECT_FALSE(D->AfterPost.Assigned());
    D->AfterPost = [&](TDataSet*) { ++mine; };
    P->SetActive(true);
    D->Edit();
    D->Post();
    EXPECT_EQ(mine, 1);  // chained through the producer
    P->SetActive(false);
    D->Edit();
    D->Post();
    EXPECT_EQ(mine, 2);
    EXPECT_EQ(Values(), "0.0000|0.0000|0.0000|0.0000");
}

}  // namespace
