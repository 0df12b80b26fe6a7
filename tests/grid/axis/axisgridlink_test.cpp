// The grid's data link without a grid: the field map (growth, holes, missing names), the modified
// state across scrolls, data changes and writes, resetting, and focus requests from fields.
#include "grid/axis/axisgridlinkvz.h"
#include "grid/base/gridsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"

#include <gtest/gtest.h>

namespace {

struct Recorder : IAxisGridLinkOwnerVz {
    int Writes = 0;
    int Cancels = 0;
    int WholeRecordChanges = 0;
    bool FailWrite = false;
    bool TakeFocus = false;
    TField* Focused = nullptr;
    void DataLinkActiveChanged(bool) override {}
    void DataLinkDataChanged() override {}
    void DataLinkScrolled(int) override {}
    void DataLinkLayoutChanged() override {}
    void DataLinkEditingChanged() override {}
    void DataLinkRecordChanged(TField* Field) override { WholeRecordChanges += Field ? 0 : 1; }
    void DataLinkUpdateData() override {
        ++Writes;
        if (FailWrite) throw Exception(u"refused"_S);
    }
    bool DataLinkFocusControl(TField* Field) override {
        Focused = Field;
        return TakeFocus;
    }
    void DataLinkCancelEditing() override { ++Cancels; }
};

struct LinkFixture : ::testing::Test {
    Recorder R;
    TOwned<TMemTableVz> T = NewOwned<TMemTableVz>(nullptr);
    TOwned<TDataSource> Src = NewOwned<TDataSource>(nullptr);
    TOwned<TAxisGridDataLinkVz> Link = NewOwned<TAxisGridDataLinkVz>(&R);

    LinkFixture() {
        T->FieldDefs()->Add(u"ID"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 20);
        T->CreateDataSet();
        T->AppendRecord({Variant(1), Variant(u"Болт"_S)});
        T->AppendRecord({Variant(2), Variant(u"Гайка"_S)});
        T->First();
        Src->SetDataSet(T.get());
        Link->SetDataSource(Src.get());
    }
    ~LinkFixture() override { Link->SetDataSource(nullptr); }
};

TEST_F(LinkFixture, TheMapGrowsByDoublingAndHoldsHolesOnlyInSparseMode) {
    Link->SetSparseMap(true);
    const std::vector<std::pair<int, int>> growth = {{1, 8}, {8, 8}, {9, 16}, {16, 16}, {17, 32}};
    int added = 0;
    for (auto [count, size] : growth) {
        while (added < count) Link->AddMapping(added++ % 2 ? u"Name"_S : u"ID"_S);
        EXPECT_EQ(Link->FieldCount(), count);
        EXPECT_EQ(Link->FieldMapSize(), size) << count;
    }
    EXPECT_TRUE(Link->DefaultFields());
    EXPECT_TRUE(Link->AddMapping(u"Missing"_S));
    EXPECT_EQ(Link->GetMappedFieldIndex(17), -1);
    EXPECT_EQ(Link->Fields(17), nullptr);
    EXPECT_FALSE(Link->DefaultFields());
    EXPECT_EQ(Link->Fields(1), T->FieldByName(u"Name"_S));
    EXPECT_EQ(Link->GetMappedFieldIndex(1), 1);
    EXPECT_EQ(Link->GetMappedFieldIndex(-1), -1);
    EXPECT_EQ(Link->Fields(18), nullptr);

    Link->ClearMapping();
    Link->SetSparseMap(false);
    Link->AddMapping(u"ID"_S);
    EXPECT_THROW(Link->AddMapping(u"Missing"_S), EDatabaseError);
    EXPECT_EQ(Link->FieldCount(), 1);
    EXPECT_TRUE(Link->DefaultFields());
}

TEST_F(LinkFixture, APendingValueSurvivesAScrollIsWrittenOnceAndStaysPendingWhenTheWriteFails) {
    Link->UpdateRecord();  // nothing modified: nothing written
    EXPECT_EQ(R.Writes, 0);
    Link->SetModified();
    T->Next();
    EXPECT_TRUE(Link->Modified());
    R.FailWrite = true;
    EXPECT_THROW(Link->UpdateRecord(), Exception);
    EXPECT_TRUE(Link->Modified());
    EXPECT_FALSE(Link->InUpdateData());
    R.FailWrite = false;
    Link->UpdateRecord();
    EXPECT_EQ(R.Writes, 2);
    EXPECT_FALSE(Link->Modified());
    // A change of the data drops a pending value; an inactive link writes nothing.
    Link->SetModified();
    T->Refresh();
    EXPECT_FALSE(Link->Modified());
    Link->SetModified();
    T->Close();
    Link->SetModified();
    Link->UpdateRecord();
    EXPECT_EQ(R.Writes, 2);
}

TEST_F(LinkFixture, ResetRereadsAPendingRecordOrCancelsTheGridsEditing) {
    Link->SetModified();
    const int before = R.WholeRecordChanges;
    Link->Reset();
    EXPECT_EQ(R.WholeRecordChanges, before + 1);
    EXPECT_FALSE(Link->Modified());
    EXPECT_EQ(R.Cancels, 0);
    Link->Reset();
    EXPECT_EQ(R.Cancels, 1);
}

TEST_F(LinkFixture, TheStateAndBookmarkAreRememberedAndFocusRequestsReachTheGrid) {
    T->Last();
    EXPECT_EQ(Link->LastBookmark(), T->GetBookmark());
    T->Edit();
    T->Post();
    EXPECT_EQ(Link->LastDataSetState(), dsEdit);
    EXPECT_TRUE(Link->WasEditingAtLastBrowseCheck());

    TField* name = T->FieldByName(u"Name"_S);
    name->FocusControl();
    EXPECT_EQ(R.Focused, name);
    R.TakeFocus = true;
    R.Focused = nullptr;
    name->FocusControl();
    EXPECT_EQ(R.Focused, name);
}

}  // namespace
