// The editors' data link over an in-memory dataset, without any control: data-independent values,
// binding and unbinding, one and several fields, text writes and the notifications the editor hears.
#include "grid/editors/fielddatalinkvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/rtl/sysutils.h"

#include <gtest/gtest.h>

namespace {

class FieldDataLink : public ::testing::Test {
protected:
    void SetUp() override {
        T = New<TMemTableVz>(nullptr);
        T->FieldDefs()->Add(u"ID"_S, ftInteger);
        T->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
        T->FieldDefs()->Add(u"Note"_S, ftWideMemo);
        T->CreateDataSet();
        T->AppendRecord({Variant(1), Variant(u"Болт"_S), Variant(u"первая"_S)});
        T->AppendRecord({Variant(2), Variant(u"Гайка"_S), Null()});
        T->First();
        Src = New<TDataSource>(nullptr);
        Src->SetDataSet(T);
        L = NewOwned<TFieldDataLinkVz>();
        L->OnDataChange = [this](TObject*) { ++DataChanges; };
        L->OnEditingChange = [this](TObject*) { ++EditingChanges; };
        L->OnUpdateData = [this](TObject*) { ++Updates; };
    }
    void TearDown() override {
        L.reset();
        FreeAndNil(Src);
        FreeAndNil(T);
    }

    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TOwned<TFieldDataLinkVz> L;
    int DataChanges = 0, EditingChanges = 0, Updates = 0;
};

TEST_F(FieldDataLink, WithoutSourceAndFieldTheLinkHoldsTheValueItself) {
    EXPECT_TRUE(L->DataIndepended());
    EXPECT_TRUE(L->Active());
    EXPECT_TRUE(L->CanModify());
    EXPECT_TRUE(VarIsNull(L->DataIndependentValue));
    EXPECT_EQ(L->Field(), nullptr);
    EXPECT_EQ(L->Fields(0), nullptr);

    EXPECT_TRUE(L->Edit());
    EXPECT_EQ(EditingChanges, 1);
    L->SetValue(Variant(42));
    EXPECT_EQ(L->DataIndependentValue.AsInteger(), 42);
    EXPECT_EQ(DataChanges, 1);
    L->SetText(u"текст"_S);
    EXPECT_EQ(L->DataIndependentValue.AsString(), u"текст"_S);

    // Writing back: the update event only for a modified value, and the edit ends.
    L->Modified();
    L->UpdateRecord();
    EXPECT_EQ(Updates, 1);
    EXPECT_FALSE(L->Editing());
    EXPECT_FALSE(L->IsModified());

    // A read-only independent link never starts editing.
    L->SetReadOnly(true);
    EXPECT_FALSE(L->Edit());
}

TEST_F(FieldDataLink, BindingAndUnbindingResetTheIndependentValue) {
    L->SetValue(Variant(7));
    L->SetDataSource(Src);
    EXPECT_FALSE(L->DataIndepended());
    EXPECT_TRUE(VarIsNull(L->DataIndependentValue));
    EXPECT_FALSE(L->Active());  // no field yet
    L->SetFieldName(u"Name"_S);
    EXPECT_TRUE(L->Active());
    EXPECT_TRUE(L->DataSetActive());
    EXPECT_EQ(L->Field(), T->FieldByName(u"Name"_S));

    ASSERT_TRUE(L->Edit());
    L->SetValue(Variant(u"Винт"_S));  // goes to the field now
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Винт"_S);
    EXPECT_TRUE(VarIsNull(L->DataIndependentValue));

    T->Cancel();
    const int before = DataChanges;
    L->SetFieldName(String());
    L->SetDataSource(nullptr);
    EXPECT_TRUE(L->DataIndepended());
    EXPECT_TRUE(VarIsNull(L->DataIndependentValue));
    EXPECT_GT(DataChanges, before);
    EXPECT_EQ(L->Field(), nullptr);
}

TEST_F(FieldDataLink, EditingFollowsTheDatasetAndRecordChangesOnlyForBoundFields) {
    L->SetDataSource(Src);
    L->SetFieldName(u"Name"_S);
    EditingChanges = 0;
    EXPECT_TRUE(L->Edit());
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_EQ(EditingChanges, 1);

    DataChanges = 0;
    T->FieldByName(u"ID"_S)->SetAsInteger(5);
    EXPECT_EQ(DataChanges, 0);
    T->FieldByName(u"Name"_S)->SetAsString(u"Винт"_S);
    EXPECT_EQ(DataChanges, 1);

    // A post asks the editor for its pending value only when it is modified.
    L->Modified();
    T->Post();
    EXPECT_EQ(Updates, 1);
    EXPECT_FALSE(L->Editing());
    EXPECT_FALSE(L->IsModified());

    L->SetReadOnly(true);
    EXPECT_FALSE(L->CanModify());
    EXPECT_FALSE(L->Edit());
    EXPECT_EQ(T->State(), dsBrowse);
}

TEST_F(FieldDataLink, SeveralFieldsTakeTheElementsOfAnArray) {
    L->SetDataSource(Src);
    L->SetMultiFields(true);
    L->SetFieldName(u"ID;Name"_S);
    ASSERT_EQ(L->FieldsCount(), 2);
    EXPECT_EQ(L->Fields(1), T->FieldByName(u"Name"_S));

    T->Edit();
    L->SetValue(VarArrayOf({Variant(9), Variant(u"Шуруп"_S)}));
    EXPECT_EQ(T->FieldByName(u"ID"_S)->AsInteger(), 9);
    EXPECT_EQ(T->FieldByName(u"Name"_S)->AsString(), u"Шуруп"_S);
    L->SetValue(Null());
    EXPECT_TRUE(T->FieldByName(u"ID"_S)->IsNull());
    EXPECT_TRUE(T->FieldByName(u"Name"_S)->IsNull());
    T->Cancel();

    EXPECT_THROW(L->SetFieldName(u"ID;Nope"_S), Exception);
}

TEST_F(FieldDataLink, TextGoesAsIsIntoMemosAndThroughTheFieldsConversionElsewhere) {
    L->SetDataSource(Src);
    L->SetFieldName(u"Note"_S);
    T->Edit();
    L->SetText(u"(не формат)"_S);
    EXPECT_EQ(T->FieldByName(u"Note"_S)->AsString(), u"(не формат)"_S);

    L->SetFieldName(u"ID"_S);
    L->SetText(u"12"_S);
    EXPECT_EQ(T->FieldByName(u"ID"_S)->AsInteger(), 12);
    EXPECT_THROW(L->SetText(u"abc"_S), Exception);
    T->Cancel();
}

TEST_F(FieldDataLink, DisabledControlsDropTheFieldsUntilEnabled) {
    L->SetDataSource(Src);
    L->SetFieldName(u"Name"_S);
    T->DisableControls();
    T->EnableControls();
    EXPECT_EQ(L->Field(), T->FieldByName(u"Name"_S));
    L->DataEvent(deDisabledStateChange, 0);
    EXPECT_EQ(L->Field(), nullptr);
    L->DataEvent(deDisabledStateChange, 1);
    EXPECT_EQ(L->Field(), T->FieldByName(u"Name"_S));
}

TEST(SafeVarToStr, ArraysAndFailedConversionsGiveEmptyText) {
    EXPECT_EQ(SafeVarToStrVz(VarArrayOf({Variant(1), Variant(2)})), String());
    EXPECT_EQ(SafeVarToStrVz(Null()), String());
    EXPECT_EQ(SafeVarToStrVz(Variant(15)), u"15"_S);
    EXPECT_EQ(SafeVarToStrVz(Variant(u"а"_S)), u"а"_S);
}

}  // namespace
