#include "grid/memtable/memtabledatavz.h"

#include <gtest/gtest.h>

#include <random>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define STORE_TEST_ASAN 1
#endif

#include <tuple>

namespace {

struct Event {
    TMemoryRecordVz* Rec;
    int Index;
    TRecordsListNotification Action;
};

class TRecordingStore : public TMemTableDataVz {
    SDELKA_CLASS(TRecordingStore, TMemTableDataVz)
protected:
    explicit TRecordingStore(TComponent* AOwner) : TMemTableDataVz(AOwner) {}
    ~TRecordingStore() override = default;

public:
    void NotifyDataEvent(TMemoryRecordVz* MemRec, int Index, TRecordsListNotification Action) override {
        Events.push_back({MemRec, Index, Action});
    }
    void NotifyRecordMoved(TMemoryRecordVz* Item, int OldIndex, int NewIndex) override {
        Moves.push_back({Item, OldIndex, NewIndex});
    }
    std::vector<Event> Events;
    std::vector<std::tuple<TMemoryRecordVz*, int, int>> Moves;
};

struct StoreFixture : ::testing::Test {
    TRecordingStore* Store = New<TRecordingStore>(nullptr);
    TMTDataStructVz* S = Store->DataStruct();
    TRecordsListVz* L = Store->RecordsList();
    ~StoreFixture() override { Store->Free(); }

    void TwoFields() {
        S->BuildDataFieldForDef("Id", ftInteger, 0, 0);
        S->BuildDataFieldForDef("Name", ftString, 0, 20);
    }
    TMemoryRecordVz* Fetch(int Id, const String& Name) {
        TMemoryRecordVz* r = L->NewRecord();
        r->SetDataValue(0, dvvValueVz, Id);
        r->SetDataValue(1, dvvValueVz, Name);
        L->FetchRecord(r);
        return r;
    }
    std::vector<TRecordsListNotification> Actions() const {
        std::vector<TRecordsListNotification> a;
        for (const Event& e : Store->Events) a.push_back(e.Action);
        return a;
    }
};

// ---- field types --------------------------------------------------------------------------------

TEST(MemStoreFieldTypes, ClassSubTypeAndValueKindPerFieldType) {
    struct Case {
        TFieldType Type;
        TClass Class;
        TVarType VarType;
    };
    const Case cases[] = {
        {ftUnknown, TMTRefObjectFieldVz::StaticClass(), varUnknown},
        {ftString, TMTStringDataFieldVz::StaticClass(), varString},
        {ftWideString, TMTStringDataFieldVz::StaticClass(), varUString},
        {ftFixedWideChar, TMTStringDataFieldVz::StaticClass(), varOleStr},
        {ftGuid, TMTStringDataFieldVz::StaticClass(), varString},
        {ftSmallint, TMTNumericDataFieldVz::StaticClass(), varSmallint},
        {ftWord, TMTNumericDataFieldVz::StaticClass(), varInteger},
        {ftAutoInc, TMTNumericDataFieldVz::StaticClass(), varInteger},
        {ftLargeint, TMTNumericDataFieldVz::StaticClass(), varInt64},
        {ftShortint, TMTNumericDataFieldVz::StaticClass(), varShortInt},
        {ftByte, TMTNumericDataFieldVz::StaticClass(), varByte},
        {ftLongWord, TMTNumericDataFieldVz::StaticClass(), varLongWord},
        {ftFloat, TMTNumericDataFieldVz::StaticClass(), varDouble},
        {ftExtended, TMTNumericDataFieldVz::StaticClass(), varDouble},
        {ftSingle, TMTNumericDataFieldVz::StaticClass(), varSingle},
        {ftCurrency, TMTNumericDataFieldVz::StaticClass(), varCurrency},
        {ftBCD, TMTNumericDataFieldVz::StaticClass(), varCurrency},
        {ftFMTBcd, TMTNumericDataFieldVz::StaticClass(), varFMTBcd},
        {ftBoolean, TMTBooleanDataFieldVz::StaticClass(), varBoolean},
        {ftDate, TMTDateTimeDataFieldVz::StaticClass(), varDate},
        {ftTime, TMTDateTimeDataFieldVz::StaticClass(), varDate},
        {ftBytes, TMTVariantDataFieldVz::StaticClass(), varByteArrayVz},
        {ftVariant, TMTVariantDataFieldVz::StaticClass(), varVariant},
        {ftBlob, TMTBlobDataFieldVz::StaticClass(), varByteArrayVz},
        {ftMemo, TMTBlobDataFieldVz::StaticClass(), varString},
        {ftWideMemo, TMTBlobDataFieldVz::StaticClass(), varOleStr},
        {ftInterface, TMTInterfaceDataFieldVz::StaticClass(), varUnknown},
        {ftIDispatch, TMTInterfaceDataFieldVz::StaticClass(), varDispatch},
        {ftTimeStamp, TMTSQLTimeStampDataFieldVz::StaticClass(), varSQLTimeStamp},
        {ftTimeStampOffset, TMTSQLTimeStampDataFieldVz::StaticClass(), varSQLTimeStampOffset},
    };
    auto* s = New<TMTDataStructVz>(nullptr);
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(FieldTypeName(c.Type).toStdString());
        TMTDataFieldVz* f = s->BuildDataFieldForDef(QStringLiteral("F%1").arg(n++), c.Type, 0, 0);
        EXPECT_EQ(f->ClassType(), c.Class);
        EXPECT_EQ(f->DataType(), c.Type);
        EXPECT_EQ(f->VarDataType(), c.VarType);
    }
    for (TFieldType t : {ftCursor, ftADT, ftDataSet, ftObject}) EXPECT_EQ(DataFieldClassForFieldTypeVz(t), nullptr);
    EXPECT_THROW(s->BuildDataFieldForDef("X", ftCursor, 0, 0), Exception);
    s->Free();
}

TEST(MemStoreFieldTypes, AssignDataTypeRefusesForeignTypes) {
    auto* s = New<TMTDataStructVz>(nullptr);
    auto* str = s->CreateField<TMTStringDataFieldVz>();
    try {
        str->AssignDataType(ftInteger);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can not assign DataType from Field");
    }
    EXPECT_THROW(s->CreateField<TMTBooleanDataFieldVz>()->AssignDataType(ftString), Exception);
    auto* blob = s->CreateField<TMTBlobDataFieldVz>();
    blob->AssignDataType(ftInteger);  // kept without error
    EXPECT_EQ(blob->BlobType(), ftBlob);
    blob->AssignDataType(ftMemo);
    EXPECT_EQ(blob->BlobType(), ftMemo);
    s->Free();
}

TEST(MemStoreFieldTypes, SizeRules) {
    auto* s = New<TMTDataStructVz>(nullptr);
    auto* str = s->CreateField<TMTStringDataFieldVz>();
    EXPECT_EQ(str->Size(), 20);
    str->SetStringDataType(fdtGuidVz);
    EXPECT_EQ(str->Size(), 38);
    EXPECT_EQ(s->BuildDataFieldForDef("S50", ftString, 0, 50)->Size(), 50);
    auto* num = s->CreateField<TMTNumericDataFieldVz>();
    EXPECT_EQ(num->Alignment(), taRightJustify);
    EXPECT_EQ(num->NumericDataType(), fdtIntegerVz);
    try {
        num->SetSize(2);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Invalid field size");
    }
    num->SetNumericDataType(fdtBCDVz);
    EXPECT_EQ(num->Scale(), 4);
    num->SetSize(2);
    EXPECT_EQ(num->Scale(), 2);
    EXPECT_EQ(num->DisplayWidth(), 16);  // precision 15 + 1
    num->SetDisplayWidth(7);
    EXPECT_EQ(num->DisplayWidth(), 7);
    EXPECT_EQ(s->CreateField<TMTBooleanDataFieldVz>()->DisplayWidth(), 5);
    s->Free();
}

TEST(MemStoreFieldTypes, ComponentNamesAndLookups) {
    auto* s = New<TMTDataStructVz>(nullptr);
    TMTDataFieldVz* a = s->BuildDataFieldForDef(QStringLiteral("Имя"), ftString, 0, 10);
    TMTDataFieldVz* b = s->BuildDataFieldForDef(QStringLiteral("Фамилия"), ftString, 0, 10);
    EXPECT_EQ(a->Name(), "MTStringDataFieldVz");
    EXPECT_EQ(b->Name(), "MTStringDataFieldVz2");
    TMTDataFieldVz* c = s->BuildDataFieldForDef("1 Sum", ftInteger, 0, 0);
    EXPECT_EQ(c->Name(), "MTNumericDataFieldVz1Sum");
    TMTDataFieldVz* d = s->BuildDataFieldForDef("NAME", ftInteger, 0, 0);
    EXPECT_EQ(d->Name(), "NAME");
    d->SetFieldName("Name");  // a case variant of its own name counts as taken
    EXPECT_EQ(d->Name(), "Name2");

    EXPECT_EQ(s->FieldIndex("name"), 3);
    EXPECT_EQ(s->FindField(QStringLiteral("имя")), a);
    EXPECT_EQ(s->FieldsIndex("Missing"), TIntArrayVz());
    EXPECT_EQ(s->FieldsIndex("name;1 Sum"), (TIntArrayVz{3, 2}));
    try {
        s->FieldsIndex("Name;Missing");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains("Field 'Missing' not found"));
    }
    try {
        s->BuildDataFieldForDef("NAME", ftString, 0, 5);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Duplicate field name 'NAME'");
    }
    EXPECT_EQ(s->Count(), 4);  // the refused field does not stay behind
    EXPECT_EQ(s->FindFieldByGIUD(c->GUID()), c);
    s->Free();
}

TEST(MemStoreFieldTypes, ChangesSignalUnlessInsideUpdate) {
    auto* s = New<TMTDataStructVz>(nullptr);
    int changes = 0;
    s->OnStructChanged = [&](TObject*) { ++changes; };
    TMTDataFieldVz* f = s->BuildDataFieldForDef("A", ftString, 0, 10);
    changes = 0;
    f->SetDisplayLabel("A");
    f->SetDisplayLabel("A");
    EXPECT_EQ(changes, 1);
    s->BeginUpdate();
    f->SetVisible(false);
    f->SetRequired(true);
    EXPECT_EQ(changes, 1);
    s->EndUpdate(true);
    EXPECT_EQ(changes, 2);
    EXPECT_TRUE(s->IsStructChanged());
    auto* n = s->CreateField<TMTNumericDataFieldVz>();
    changes = 0;
    n->SetMaxValue(std::nan(""));
    n->SetMaxValue(std::nan(""));
    EXPECT_EQ(changes, 1);
    s->Free();
}

TEST(MemStoreFieldTypes, ChangeFieldTypeKeepsPositionNameIdentity) {
    auto* s = New<TMTDataStructVz>(nullptr);
    s->BuildDataFieldForDef("A", ftInteger, 0, 0);
    TMTDataFieldVz* b = s->BuildDataFieldForDef("B", ftString, 0, 10);
    s->BuildDataFieldForDef("C", ftInteger, 0, 0);
    b->SetDisplayLabel("Bee");
    b->SetReadOnly(true);
    const String guid = b->GUID();
    TMTDataFieldVz* nb = s->ChangeFieldType("B", TMTNumericDataFieldVz::StaticClass());
    EXPECT_EQ(s->GetDataField(1), nb);
    EXPECT_EQ(s->Count(), 3);
    EXPECT_EQ(nb->FieldName(), "B");
    EXPECT_EQ(nb->Name(), "B");
    EXPECT_EQ(nb->GUID(), guid);
    EXPECT_EQ(nb->DisplayLabel(), "Bee");
    EXPECT_TRUE(nb->ReadOnly());
    EXPECT_EQ(nb->Alignment(), taRightJustify);
    s->Free();
}

TEST(MemStoreFieldTypes, FieldDefsRoundTrip) {
    auto* s = New<TMTDataStructVz>(nullptr);
    auto defs = NewOwned<TFieldDefs>(nullptr);
    defs->Add("Id", ftAutoInc, 0, true);
    defs->Add("Name", ftWideString, 50);
    defs->Add("Sum", ftBCD, 2);
    s->BuildStructFromFieldDefs(defs.get());
    ASSERT_EQ(s->Count(), 3);
    EXPECT_TRUE(s->GetDataField(0)->AutoIncrement());
    EXPECT_TRUE(s->GetDataField(0)->Required());
    EXPECT_EQ(s->GetDataField(1)->Size(), 50);
    EXPECT_EQ(s->GetDataField(2)->Size(), 2);
    auto back = NewOwned<TFieldDefs>(nullptr);
    s->BuildFieldDefsFromStruct(back.get());
    ASSERT_EQ(back->Count(), 3);
    EXPECT_EQ((*back)[1]->DataType(), ftWideString);
    EXPECT_EQ((*back)[1]->Size(), 50);
    EXPECT_TRUE((*back)[0]->Required());
    s->Free();
}

// ---- values -------------------------------------------------------------------------------------

TEST_F(StoreFixture, ValuesAreCastToTheFieldKind) {
    struct Case {
        TFieldType Type;
        Variant In;
        TVarType Kind;
        Variant Expected;
    };
    const Case cases[] = {
        {ftInteger, Variant("12"), varInteger, Variant(12)},
        {ftSmallint, Variant(7.0), varSmallint, Variant(short(7))},
        {ftLargeint, Variant(5), varInt64, Variant(5LL)},
        {ftString, Variant(42), varString, Variant("42")},
        {ftWideString, Variant(1.5), varUString, Variant("1,5")},
        {ftBoolean, Variant(1), varBoolean, Variant(true)},
        {ftCurrency, Variant(2.5), varCurrency, Variant(Currency(2.5))},
        {ftDateTime, Variant(45000.5), varDate, VarFromDateTime(45000.5)},
        {ftVariant, Variant("as is"), varUString, Variant("as is")},
        {ftMemo, VarByteArrayOf(QByteArray("abc")), varString, Variant("abc")},
    };
    for (const Case& c : cases) S->BuildDataFieldForDef(FieldTypeName(c.Type), c.Type, 0, 0);
    TMemoryRecordVz* r = L->NewRecord();
    int i = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(VarIsNull(r->GetDataValue(i, dvvValueVz)));
        r->SetDataValue(i, dvvValueVz, c.In);
        const Variant v = r->GetDataValue(i, dvvValueVz);
        EXPECT_EQ(v.VType(), c.Kind);
        EXPECT_EQ(v, c.Expected);
        r->SetDataValue(i, dvvValueVz, Null());
        EXPECT_TRUE(VarIsNull(r->GetDataValue(i, dvvValueVz)));
        ++i;
    }
    EXPECT_THROW(r->SetDataValue(0, dvvValueVz, Variant("abc")), EVariantTypeCastError);
    EXPECT_THROW(r->GetDataValue(99, dvvValueVz), EListError);
    L->AddRecord(r);
}

TEST_F(StoreFixture, ValuesByNameAndByPositions) {
    TwoFields();
    TMemoryRecordVz* r = Fetch(1, "One");
    Variant both = r->GetDataValues("Id;Name", dvvValueVz);
    ASSERT_TRUE(VarIsArray(both));
    EXPECT_EQ(VarArrayHighBound(both, 1), 1);
    EXPECT_EQ(both.GetElement(0), Variant(1));
    EXPECT_EQ(both.GetElement(1), Variant("One"));
    EXPECT_EQ(r->GetDataValues("name", dvvValueVz), Variant("One"));
    try {
        r->GetDataValues("Nope", dvvValueVz);
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "Field 'Nope' not found");
    }
    EXPECT_THROW(r->GetDataValues("Id", dvvOldValueVz), Exception);
    r->SetDataValues("Id;Name", dvvValueVz, VarArrayOf({Variant(2), Variant("Two")}));
    Variant key = r->GetDataIndexValues({0, 1}, dvvValueVz);
    EXPECT_EQ(key.GetElement(0), Variant(2));
    EXPECT_EQ(key.GetElement(1), Variant("Two"));
    EXPECT_EQ(r->GetDataIndexValues({}, dvvValueVz), Variant(String()));
    EXPECT_EQ(r->GetDataIndexValues({1}, dvvValueVz), Variant("Two"));
    EXPECT_THROW(r->GetDataValue(0, dvvEditValueVz), Exception);
}

// ---- restructuring ------------------------------------------------------------------------------

TEST_F(StoreFixture, RestructModeChangesAWorkingCopyUntilCommitted) {
    TwoFields();
    Fetch(1, u"one"_S);
    TMTDataStructVz* work = Store->BeginRestruct();
    EXPECT_TRUE(Store->RestructMode());
    try {
        Store->BeginRestruct();
        ADD_FAILURE() << "a second restructure began";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"MemTableData already in RestructMode."_S);
    }
    work->BuildDataFieldForDef("Qty", ftInteger, 0, 0);
    EXPECT_EQ(S->Count(), 2);  // the store keeps its structure meanwhile
    Store->CancelRestruct();
    EXPECT_FALSE(Store->RestructMode());
    EXPECT_EQ(S->Count(), 2);
    work = Store->BeginRestruct();
    work->BuildDataFieldForDef("Qty", ftInteger, 0, 0);
    Store->CommitRestruct();
    EXPECT_FALSE(Store->RestructMode());
    ASSERT_EQ(S->Count(), 3);
    EXPECT_EQ(L->Rec(0)->GetDataValue(1, dvvValueVz), Variant(u"one"_S));
    EXPECT_TRUE(VarIsNull(L->Rec(0)->GetDataValue(2, dvvValueVz)));
    // A copy left in the mode goes with the store.
    Store->BeginRestruct();
}

TEST_F(StoreFixture, RestructureCarriesValuesByIdentity) {
    TwoFields();
    S->BuildDataFieldForDef("Gone", ftInteger, 0, 0);
    for (int i = 0; i < 3; ++i) {
        TMemoryRecordVz* r = L->NewRecord();
        r->SetDataValue(0, dvvValueVz, 100 + i);
        r->SetDataValue(1, dvvValueVz, QStringLiteral("abcdefghij%1").arg(i));
        r->SetDataValue(2, dvvValueVz, i);
        L->FetchRecord(r);
    }
    TMemoryRecordVz* pending = L->NewRecord();  // made, not attached: it stays the list's
    TMTDataStructVz* copy = S->BeginRestructure();
    copy->GetDataField(1)->SetSize(5);
    copy->ChangeFieldType("Id", TMTStringDataFieldVz::StaticClass());
    copy->RemoveField(copy->GetDataField(2));
    copy->BuildDataFieldForDef("Extra", ftInteger, 0, 0);
    S->EndRestructure(copy, true);
    ASSERT_EQ(S->Count(), 3);
    EXPECT_EQ(S->GetDataField(0)->DataType(), ftString);
    for (int i = 0; i < 3; ++i) {
        TMemoryRecordVz* r = L->Rec(i);
        ASSERT_EQ(r->ValueCount(), 3);
        EXPECT_EQ(r->GetDataValue(0, dvvValueVz), Variant(QString::number(100 + i)));
        EXPECT_EQ(r->GetDataValue(0, dvvValueVz).VType(), varString);
        EXPECT_EQ(r->GetDataValue(1, dvvValueVz), Variant("abcde"));
        EXPECT_TRUE(VarIsNull(r->GetDataValue(2, dvvValueVz)));
        EXPECT_EQ(r->RecordsList(), L);
        EXPECT_EQ(L->IndexOf(r), i);
    }
    EXPECT_EQ(pending->RecordsList(), L);
    EXPECT_EQ(L->IndexOf(pending), -1);
    pending->Cancel();
    TMemoryRecordVz* later = L->NewRecord();
    EXPECT_EQ(later->RecordsList(), L);
    later->Post();
    EXPECT_EQ(L->IndexOf(later), 3);
}

// A record keeps its values with itself until a restructure gives it a block of its own: edits,
// cancels, reverts and refreshes must work on either, the record staying the same object.
TEST_F(StoreFixture, ValuesSurviveEditsBeforeAndAfterRestructures) {
    TwoFields();
    TMemoryRecordVz* a = Fetch(1, "one");
    TMemoryRecordVz* b = Fetch(2, "two");
    auto check = [&](const char* Step) {
        SCOPED_TRACE(Step);
        L->SetCachedUpdates(true);
        a->Edit();
        a->SetDataValue(1, dvvValueVz, "changed");
        a->Cancel();
        EXPECT_EQ(a->GetDataValue(1, dvvValueVz), Variant("one"));
        a->Edit();
        a->SetDataValue(1, dvvValueVz, "kept");
        a->Post();
        EXPECT_EQ(a->GetDataValue(1, dvvOldValueVz), Variant("one"));
        L->RevertRecord(0);
        EXPECT_EQ(a->GetDataValue(1, dvvValueVz), Variant("one"));
        EXPECT_FALSE(a->HasOldData());
        L->SetCachedUpdates(false);
        L->RefreshRecord(1, a);
        EXPECT_EQ(b->GetDataValue(1, dvvValueVz), Variant("one"));
        b->SetDataValue(1, dvvValueVz, "two");
        EXPECT_EQ(L->Rec(0), a);
        EXPECT_EQ(L->Rec(1), b);
    };
    check("carried values");
    TMTDataStructVz* copy = S->BeginRestructure();
    copy->BuildDataFieldForDef("Extra", ftString, 0, 30);
    S->EndRestructure(copy, true);
    check("after a restructure");
    copy = S->BeginRestructure();
    copy->RemoveField(copy->GetDataField(2));
    S->EndRestructure(copy, true);
    check("after a second one");
    TMemoryRecordVz* c = Fetch(3, "three");
    EXPECT_EQ(c->GetDataValue(1, dvvValueVz), Variant("three"));
    EXPECT_EQ(a->GetDataValue(0, dvvValueVz), Variant(1));
}

TEST_F(StoreFixture, RestructureCutsTextsAndRefusesOverflowWhole) {
    TwoFields();
    Fetch(1, "abcdefghij");
    Fetch(70000, "x");
    TMTDataStructVz* copy = S->BeginRestructure();
    copy->GetDataField(1)->SetSize(5);
    S->EndRestructure(copy, true);
    EXPECT_EQ(L->Rec(0)->GetDataValue(1, dvvValueVz), Variant("abcde"));
    EXPECT_EQ(L->Rec(0)->GetDataValue(1, dvvValueVz).VType(), varString);

    // Integer to small integer: the second record overflows; nothing may change.
    copy = S->BeginRestructure();
    static_cast<TMTNumericDataFieldVz*>(copy->GetDataField(0))->SetNumericDataType(fdtSmallintVz);
    EXPECT_THROW(S->EndRestructure(copy, true), EVariantOverflowError);
    EXPECT_EQ(S->GetDataField(0)->DataType(), ftInteger);
    EXPECT_EQ(L->Rec(0)->GetDataValue(0, dvvValueVz).VType(), varInteger);
    EXPECT_EQ(L->Rec(1)->GetDataValue(0, dvvValueVz), Variant(70000));
}

// ---- record list --------------------------------------------------------------------------------

TEST_F(StoreFixture, AttachingChecksOwnershipAndNotifies) {
    TwoFields();
    TMemoryRecordVz* a = Fetch(1, "a");
    EXPECT_EQ(a->UpdateStatus(), usUnmodified);
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnRecAddingVz, rlnRecAddedVz}));
    try {
        L->AddRecord(a);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "The record is already attached to RecordsList.");
    }
    auto* other = New<TRecordingStore>(nullptr);
    TMemoryRecordVz* foreign = other->RecordsList()->NewRecord();
    EXPECT_THROW(L->AddRecord(foreign), Exception);
    foreign->Cancel();  // a record in insert state frees itself
    other->Free();

    Fetch(3, "c");
    TMemoryRecordVz* b = L->NewRecord();
    Store->Events.clear();
    L->InsertRecord(1, b);
    EXPECT_EQ(Store->Events[0].Index, 1);
    EXPECT_EQ(L->Rec(2)->Index(), 2);
    EXPECT_EQ(b->Index(), 1);
    EXPECT_THROW(New<TRecordsListVz>(static_cast<TComponent*>(S)), Exception);
}

TEST_F(StoreFixture, CachedEditTwiceKeepsFirstOldValues) {
    TwoFields();
    TMemoryRecordVz* r = Fetch(1, "before");
    L->SetCachedUpdates(true);
    r->Edit();
    EXPECT_EQ(r->GetDataValue(1, dvvCurValueVz), Variant("before"));
    r->SetDataValue(1, dvvEditValueVz, "first");
    EXPECT_EQ(r->GetDataValue(1, dvvCurValueVz), Variant("before"));
    r->Post();
    r->Edit();
    r->SetDataValue(1, dvvValueVz, "second");
    r->Post();
    EXPECT_EQ(r->UpdateStatus(), usModified);
    EXPECT_EQ(L->DeltaList()->Count(), 1);
    EXPECT_EQ(r->GetDataValue(1, dvvOldValueVz), Variant("before"));
    EXPECT_EQ(r->GetDataValue(1, dvvValueVz), Variant("second"));
    EXPECT_THROW(r->Post(), EDatabaseError);

    // Edit then delete: the oldest values stay, so the writer finds the row by them.
    r->Edit();
    r->SetDataValue(1, dvvValueVz, "third");
    r->Post();
    Store->Events.clear();
    L->DeleteRecord(0);
    EXPECT_EQ(r->UpdateStatus(), usDeleted);
    EXPECT_TRUE(r->HasOldData());
    EXPECT_EQ(r->GetDataValue(1, dvvOldestValue), Variant("before"));
    EXPECT_EQ(L->Count(), 1);
    EXPECT_EQ(Actions().back(), rlnRecMarkedForDelVz);
    try {
        L->DeleteRecord(0);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Can't MarkDel the Deleted record");
    }
}

TEST_F(StoreFixture, DeletingAnInsertedRecordLeavesANilLogSlot) {
    TwoFields();
    L->SetCachedUpdates(true);
    TMemoryRecordVz* r = L->NewRecord();
    r->Post();
    EXPECT_EQ(r->UpdateStatus(), usInserted);
    EXPECT_EQ(L->DeltaList()->Count(), 1);
    Store->Events.clear();
    L->DeleteRecord(0);
    EXPECT_EQ(L->Count(), 0);
    EXPECT_EQ(L->DeltaList()->Items(0), nullptr);
    EXPECT_TRUE(L->HasCachedChanges());
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnRecDeletingVz, rlnRecDeletedVz}));
    L->CleanupChangedRecs();
    EXPECT_FALSE(L->HasCachedChanges());
}

TEST_F(StoreFixture, MergeChangeLogOneAndMany) {
    TwoFields();
    for (int i = 0; i < 4; ++i) Fetch(i, "r");
    L->SetCachedUpdates(true);
    L->DeleteRecord(1);
    Store->Events.clear();
    L->MergeChangeLog();
    EXPECT_EQ(L->Count(), 3);
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnRecDeletingVz, rlnRecDeletedVz}));
    EXPECT_FALSE(L->HasCachedChanges());

    L->DeleteRecord(0);
    L->Rec(1)->Edit();
    L->Rec(1)->SetDataValue(1, dvvValueVz, "x");
    L->Rec(1)->Post();
    L->DeleteRecord(2);
    L->NewRecord()->Post();
    Store->Events.clear();
    L->MergeChangeLog();
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnListChangedVz}));
    ASSERT_EQ(L->Count(), 2);
    for (int i = 0; i < L->Count(); ++i) {
        EXPECT_EQ(L->Rec(i)->Index(), i);
        EXPECT_EQ(L->Rec(i)->UpdateStatus(), usUnmodified);
        EXPECT_FALSE(L->Rec(i)->HasOldData());
    }
    EXPECT_EQ(L->Rec(0)->GetDataValue(1, dvvValueVz), Variant("x"));
}

TEST_F(StoreFixture, CancelUpdatesRestoresEverything) {
    TwoFields();
    for (int i = 0; i < 3; ++i) Fetch(i, "orig");
    L->SetCachedUpdates(true);
    L->Rec(0)->Edit();
    L->Rec(0)->SetDataValue(1, dvvValueVz, "changed");
    L->Rec(0)->Post();
    L->DeleteRecord(1);
    L->NewRecord()->Post();
    Store->Events.clear();
    L->CancelUpdates();
    ASSERT_EQ(L->Count(), 3);
    EXPECT_EQ(L->Rec(0)->GetDataValue(1, dvvValueVz), Variant("orig"));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(L->Rec(i)->UpdateStatus(), usUnmodified);
        EXPECT_EQ(L->Rec(i)->UpdateIndex(), -1);
    }
    EXPECT_FALSE(L->HasCachedChanges());
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnListChangedVz}));
}

TEST_F(StoreFixture, RevertedRecordIsLoggedAgainAfterAMerge) {
    TwoFields();
    Fetch(1, "a");
    L->SetCachedUpdates(true);
    TMemoryRecordVz* r = L->Rec(0);
    r->Edit();
    r->SetDataValue(1, dvvValueVz, "b");
    r->Post();
    L->RevertRecord(0);
    EXPECT_EQ(r->GetDataValue(1, dvvValueVz), Variant("a"));
    EXPECT_EQ(r->UpdateStatus(), usUnmodified);
    L->MergeChangeLog();
    r->Edit();
    r->SetDataValue(1, dvvValueVz, "c");
    r->Post();
    ASSERT_EQ(L->DeltaList()->Count(), 1);
    EXPECT_EQ(L->DeltaList()->Items(0), r);
}

TEST_F(StoreFixture, RangeDeleteMoveAndSort) {
    TwoFields();
    for (int i = 0; i < 6; ++i) Fetch(i, "r");
    Store->Events.clear();
    L->PersistDeleteRecords({{0, 1}, {4, 4}, {3, 2}});
    ASSERT_EQ(L->Count(), 3);
    EXPECT_EQ(L->GetValue(0, 0), Variant(2));
    EXPECT_EQ(L->GetValue(2, 0), Variant(5));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(L->Rec(i)->Index(), i);
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnListChangedVz}));

    L->SetCachedUpdates(true);
    EXPECT_THROW(L->DeleteRecords({{0, 0}}), Exception);
    L->SetCachedUpdates(false);

    TMemoryRecordVz* last = L->Rec(2);
    L->Move(2, 0);
    EXPECT_EQ(last->Index(), 0);
    ASSERT_EQ(Store->Moves.size(), 1u);
    EXPECT_EQ(Store->Moves[0], std::make_tuple(last, 2, 0));

    TCompareRecords byId = [](TMemoryRecordVz* a, TMemoryRecordVz* b, TObject*) {
        const int d = a->GetDataValue(0, dvvValueVz).AsInteger() - b->GetDataValue(0, dvvValueVz).AsInteger();
        return d != 0 ? d : a->Index() - b->Index();
    };
    L->SortData(nullptr, byId);
    EXPECT_EQ(L->GetValue(0, 0), Variant(2));
    EXPECT_EQ(L->GetValue(1, 0), Variant(3));
    EXPECT_EQ(L->GetValue(2, 0), Variant(5));
    EXPECT_EQ(L->Rec(2)->Index(), 2);

    Store->Events.clear();
    L->SetValue(1, 1, Variant(99));  // kept in the field's kind
    EXPECT_EQ(L->GetValue(1, 1).VType(), varString);
    EXPECT_EQ(L->GetValue(1, 1).AsString(), String("99"));
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnRecChangingVz, rlnRecChangedVz}));
    // A value the field cannot hold is refused before anybody hears of a change.
    Store->Events.clear();
    EXPECT_THROW(L->SetValue(1, 0, Variant("x")), EVariantTypeCastError);
    EXPECT_EQ(L->GetValue(1, 0), Variant(3));
    EXPECT_TRUE(Actions().empty());
}

// Thousands of records (the list then spans many blocks): after inserts, deletes and moves in
// the middle every record answers its position and the list finds it; cancelling many inserted
// records leaves the others numbered in order.
TEST_F(StoreFixture, PositionsStayTrueThroughChangesInTheMiddle) {
    TwoFields();
    for (int i = 0; i < 2500; ++i) Fetch(i, "r");
    std::mt19937 gen(3);
    auto check = [&] {
        for (int i = 0; i < L->Count(); ++i) {
            ASSERT_EQ(L->Rec(i)->Index(), i);
            ASSERT_EQ(L->IndexOf(L->Rec(i)), i);
        }
    };
    for (int step = 0; step < 900; ++step) {
        const int n = L->Count();
        switch (gen() % 3) {
            case 0: {
                TMemoryRecordVz* r = L->NewRecord();
                const int at = static_cast<int>(gen() % static_cast<unsigned>(n + 1));
                L->InsertRecord(at, r);
                ASSERT_EQ(r->Index(), at);
                break;
            }
            case 1: {
                const int at = static_cast<int>(gen() % static_cast<unsigned>(n));
                TMemoryRecordVz* next = at + 1 < n ? L->Rec(at + 1) : nullptr;
                L->DeleteRecord(at);
                if (next) {
                    ASSERT_EQ(next->Index(), at);
                }
                break;
            }
            default: L->Move(static_cast<int>(gen() % static_cast<unsigned>(n)), static_cast<int>(gen() % static_cast<unsigned>(n))); break;
        }
        // Single lookups between changes, as a dataset makes them.
        const int probe = static_cast<int>(gen() % static_cast<unsigned>(L->Count()));
        ASSERT_EQ(L->Rec(probe)->Index(), probe);
        if (step % 300 == 0) check();
    }
    check();
    const int before = L->Count();
    L->SetCachedUpdates(true);
    for (int i = 0; i < 600; ++i) L->InsertRecord(static_cast<int>(gen() % static_cast<unsigned>(L->Count() + 1)), L->NewRecord());
    L->CancelUpdates();
    ASSERT_EQ(L->Count(), before);
    check();
    TMemoryRecordVz* gone = L->Rec(10);
    L->SetCachedUpdates(false);
    L->DeleteRecord(5);
    EXPECT_EQ(gone->Index(), 9);
}

TEST_F(StoreFixture, UpdateBracketDropsNotificationsAndEndsWithListChanged) {
    TwoFields();
    L->BeginUpdate();
    L->BeginUpdate();
    Fetch(1, "a");
    L->EndUpdate();
    EXPECT_TRUE(Store->Events.empty());
    L->EndUpdate();
    L->EndUpdate();  // already at 0: nothing
    EXPECT_EQ(Actions(), (std::vector<TRecordsListNotification>{rlnListChangedVz}));
}

}  // namespace

namespace {
// Records made before and after a restructure, thousands of them (their pieces fill many slabs of
// the store's pools), freed in any order: every value stays its record's own, and the sanitizers
// see no piece used after it went back.
TEST_F(StoreFixture, ManyRecordsOutliveTheirLayoutAndFreeInAnyOrder) {
    TwoFields();
    const int n = 3000;
    for (int i = 0; i < n; ++i) Fetch(i, QStringLiteral("name %1").arg(i));
    TMTDataStructVz* copy = S->BeginRestructure();
    copy->BuildDataFieldForDef("Extra", ftInteger, 0, 0);
    S->EndRestructure(copy, true);
    for (int i = n - 1; i >= 0; i -= 2) L->DeleteRecord(i);  // the odd ones, from the end
    for (int i = 0; i < n / 2; ++i) {
        TMemoryRecordVz* r = Fetch(n + i, QStringLiteral("new %1").arg(i));
        r->SetDataValue(2, dvvValueVz, i);
    }
    ASSERT_EQ(L->Count(), n);
    for (int i = 0; i < n / 2; ++i) {
        TMemoryRecordVz* old = L->Rec(i);
        EXPECT_EQ(old->GetDataValue(0, dvvValueVz), Variant(2 * i));
        EXPECT_EQ(old->GetDataValue(1, dvvValueVz), Variant(QStringLiteral("name %1").arg(2 * i)));
        EXPECT_TRUE(VarIsNull(old->GetDataValue(2, dvvValueVz)));
        TMemoryRecordVz* made = L->Rec(n / 2 + i);
        EXPECT_EQ(made->GetDataValue(0, dvvValueVz), Variant(n + i));
        EXPECT_EQ(made->GetDataValue(1, dvvValueVz), Variant(QStringLiteral("new %1").arg(i)));
        EXPECT_EQ(made->GetDataValue(2, dvvValueVz), Variant(i));
    }
    L->Clear();
    EXPECT_EQ(L->Count(), 0);
    Fetch(1, "again");
    EXPECT_EQ(L->Rec(0)->GetDataValue(1, dvvValueVz), Variant("again"));
}

// A freed record's place is taken by the next record of its structure (and is out of bounds in
// between); records outlive the store that made them, and records copied from another store
// leave that store's records free to go.
TEST_F(StoreFixture, FreedRecordsMakeRoomForNewOnesAndRecordsOutliveTheirStore) {
    TwoFields();
    for (int i = 0; i < 50; ++i) Fetch(i, QStringLiteral("name %1").arg(i));
    TMemoryRecordVz* gone = L->Rec(7);
    L->DeleteRecord(7);
#ifdef STORE_TEST_ASAN
    EXPECT_TRUE(__asan_address_is_poisoned(gone));
#endif
    TMemoryRecordVz* next = Fetch(100, "next");
    EXPECT_EQ(next, gone);
    EXPECT_EQ(next->GetDataValue(1, dvvValueVz), Variant("next"));

    // Another store of the same structure: its records are copied over, one of them is still
    // loose when its store goes, and is freed after it.
    TMemTableDataVz* other = New<TMemTableDataVz>(nullptr);
    other->DataStruct()->BuildDataFieldForDef("Id", ftInteger, 0, 0);
    other->DataStruct()->BuildDataFieldForDef("Name", ftString, 0, 20);
    TRecordsListVz* ol = other->RecordsList();
    for (int i = 0; i < 30; ++i) {
        TMemoryRecordVz* r = ol->NewRecord();
        r->SetDataValue(0, dvvValueVz, 1000 + i);
        r->SetDataValue(1, dvvValueVz, QStringLiteral("other %1").arg(i));
        ol->FetchRecord(r);
    }
    TMemoryRecordVz* loose = ol->NewRecord();
    loose->SetDataValue(1, dvvValueVz, "loose");
    TMTDataStructVz* copy = other->DataStruct()->BeginRestructure();
    copy->BuildDataFieldForDef("Extra", ftInteger, 0, 0);
    other->DataStruct()->EndRestructure(copy, true);  // the attached ones move to a new layout
    TMemoryRecordVz* moved = ol->Rec(3);
    ol->DeleteRecord(3);
    L->TakeRecordsFrom(ol);
    EXPECT_EQ(ol->Count(), 0);
    ASSERT_EQ(L->Count(), 50 + 29);
    EXPECT_EQ(L->Rec(50 + 3)->GetDataValue(0, dvvValueVz), Variant(1004));
    EXPECT_EQ(L->Rec(L->Count() - 1)->GetDataValue(1, dvvValueVz), Variant("other 29"));
#ifdef STORE_TEST_ASAN
    EXPECT_TRUE(__asan_address_is_poisoned(moved));
#else
    (void)moved;
#endif
    other->Free();
    EXPECT_EQ(loose->GetDataValue(1, dvvValueVz), Variant("loose"));
    loose->Free();
    L->Clear();
    EXPECT_EQ(Fetch(1, "after")->GetDataValue(1, dvvValueVz), Variant("after"));
}
}  // namespace
