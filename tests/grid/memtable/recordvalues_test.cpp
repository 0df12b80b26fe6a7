// The values of stored records: each field keeps its kind, Null and Unassigned stay apart, and the
// values survive edits, change logs and structure changes on a filled store.
#include "grid/memtable/memtabledatavz.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

namespace {

struct KindCase {
    const char* Name;
    TFieldType Type;
    int Size;
    Variant Value;
    TVarType Kind;
};

struct ValuesFixture : ::testing::Test {
    TMemTableDataVz* Store = New<TMemTableDataVz>(nullptr);
    TMTDataStructVz* S = Store->DataStruct();
    TRecordsListVz* L = Store->RecordsList();
    ~ValuesFixture() override { Store->Free(); }

    struct Records {
        TMemoryRecordVz* Valued;
        TMemoryRecordVz* Nulls;
        TMemoryRecordVz* Empties;
    };
    // A field per case, and three stored records: one with every case's value, one left Null, one
    // Unassigned.
    Records StoreCases(const std::vector<KindCase>& Cases) {
        for (const KindCase& c : Cases) S->BuildDataFieldForDef(c.Name, c.Type, 0, c.Size);
        Records r{L->NewRecord(), L->NewRecord(), L->NewRecord()};
        for (int i = 0; i < static_cast<int>(Cases.size()); ++i) {
            r.Valued->SetDataValue(i, dvvValueVz, Cases[static_cast<size_t>(i)].Value);
            r.Empties->SetDataValue(i, dvvValueVz, Unassigned());
        }
        for (TMemoryRecordVz* x : {r.Valued, r.Nulls, r.Empties}) L->FetchRecord(x);
        return r;
    }
};

// Values equal and of one kind (arrays element by element).
void ExpectSameValue(const Variant& Got, const Variant& Want, const char* Name) {
    SCOPED_TRACE(Name);
    ASSERT_EQ(Got.VType(), Want.VType());
    if (VarIsArray(Want)) {
        ASSERT_EQ(VarArrayHighBound(Got, 1), VarArrayHighBound(Want, 1));
        for (int i = VarArrayLowBound(Want, 1); i <= VarArrayHighBound(Want, 1); ++i)
            EXPECT_EQ(Got.GetElement(i), Want.GetElement(i));
        return;
    }
    if (VarIsNull(Want) || VarIsEmpty(Want)) return;
    EXPECT_TRUE(Got == Want) << Got.AsString().toStdString() << " vs " << Want.AsString().toStdString();
}

std::vector<KindCase> Kinds() {
    Variant bytes = VarArrayCreate({0, 2}, varByte);
    for (int i = 0; i < 3; ++i) bytes.PutElement(i, Variant(static_cast<unsigned char>(250 + i)));
    Variant any = VarArrayCreate({0, 1}, varVariant);
    any.PutElement(0, Variant(7));
    any.PutElement(1, Variant("seven"));
    return {
        {"Small", ftSmallint, 0, Variant(static_cast<short>(-32768)), varSmallint},
        {"Int", ftInteger, 0, Variant(INT_MIN), varInteger},
        {"Word", ftWord, 0, Variant(65535), varInteger},
        {"ShortInt", ftShortint, 0, Variant(static_cast<signed char>(-128)), varShortInt},
        {"Byte", ftByte, 0, Variant(static_cast<unsigned char>(255)), varByte},
        {"LongWord", ftLongWord, 0, Variant(4294967295u), varLongWord},
        {"Large", ftLargeint, 0, Variant(static_cast<long long>(LLONG_MIN)), varInt64},
        {"Float", ftFloat, 0, Variant(-1.0e300), varDouble},
        {"Single", ftSingle, 0, Variant(1.5f), varSingle},
        {"Money", ftCurrency, 0, Variant(Currency::FromRaw(-922337203685477580LL)), varCurrency},
        {"Bcd", ftBCD, 4, Variant(Currency::FromRaw(12345)), varCurrency},
        {"Day", ftDate, 0, VarFromDateTime(TDateTime(45000.0)), varDate},
        {"Moment", ftDateTime, 0, VarFromDateTime(TDateTime(45000.75)), varDate},
        {"Flag", ftBoolean, 0, Variant(true), varBoolean},
        {"Text", ftString, 20, VarAsType(Variant("ansi"), varString), varString},
        {"Wide", ftWideString, 20, Variant(QStringLiteral("широкий")), varUString},
        {"Fixed", ftFixedWideChar, 5, VarAsType(Variant("ole"), varOleStr), varOleStr},
        {"Stamp", ftTimeStamp, 0, VarSQLTimeStampCreate(TSQLTimeStamp{2024, 2, 29, 13, 5, 7, 120}), varSQLTimeStamp},
        {"Fmt", ftFMTBcd, 4, VarFMTBcdCreate(12345.6789, 18, 4), varFMTBcd},
        {"Blob", ftBlob, 0, bytes, varByteArrayVz},
        {"Any", ftVariant, 0, any, static_cast<TVarType>(varArray | varVariant)},
    };
}

// Every kind comes back as stored, in each value version, next to Null and Unassigned of the
// same field; a stored value is cast to its field's kind.
TEST_F(ValuesFixture, EveryKindComesBackAsStoredInEveryVersion) {
    const std::vector<KindCase> cases = Kinds();
    const int n = static_cast<int>(cases.size());
    const auto [valued, nulls, empties] = StoreCases(cases);
    L->SetCachedUpdates(true);
    for (TMemoryRecordVz* r : {valued, nulls, empties}) {
        r->Edit();
        for (int i = 0; i < n; ++i) r->SetDataValue(i, dvvValueVz, Null());
        r->Post();
    }
    for (int i = 0; i < n; ++i) {
        const KindCase& c = cases[static_cast<size_t>(i)];
        ExpectSameValue(valued->GetDataValue(i, dvvOldValueVz), c.Value, c.Name);
        ExpectSameValue(valued->OldValue(i), c.Value, c.Name);
        EXPECT_EQ(valued->GetDataValue(i, dvvOldValueVz).VType(), c.Kind) << c.Name;
        EXPECT_TRUE(VarIsNull(nulls->GetDataValue(i, dvvOldValueVz))) << c.Name;
        EXPECT_TRUE(VarIsEmpty(empties->GetDataValue(i, dvvOldValueVz))) << c.Name;
        EXPECT_TRUE(VarIsNull(valued->Value(i))) << c.Name;
    }
    // Going back puts the values in place again, kinds and all.
    valued->RevertRecord();
    empties->RevertRecord();
    for (int i = 0; i < n; ++i) {
        const KindCase& c = cases[static_cast<size_t>(i)];
        ExpectSameValue(valued->Value(i), c.Value, c.Name);
        EXPECT_TRUE(VarIsEmpty(empties->Value(i))) << c.Name;
    }
    EXPECT_THROW(valued->Value(n), Exception);
    EXPECT_THROW(valued->Value(-1), Exception);

    // A value of another kind is cast to the field's; a value it cannot take leaves it as it was.
    TMemoryRecordVz* r = valued;
    r->SetDataValue(0, dvvValueVz, Variant("12"));
    EXPECT_EQ(r->Value(0).VType(), varSmallint);
    EXPECT_EQ(r->Value(0).AsInteger(), 12);
    EXPECT_THROW(r->SetDataValue(1, dvvValueVz, Variant("not a number")), EVariantTypeCastError);
    ExpectSameValue(r->Value(1), cases[1].Value, "Int after a refused value");
    r->SetDataValue(14, dvvValueVz, Variant(5));
    EXPECT_EQ(r->Value(14).VType(), varString);
    EXPECT_EQ(r->Value(14).AsString(), String("5"));
}

// A value handed over (a fetch's fresh Variant) is stored as a copied one would be: every kind,
// Null and Unassigned, the casts and a refused cast, in the stored and in the edited values.
TEST_F(ValuesFixture, AValueHandedOverIsStoredAsACopiedOne) {
    const std::vector<KindCase> cases = Kinds();
    const int n = static_cast<int>(cases.size());
    for (const KindCase& c : cases) S->BuildDataFieldForDef(c.Name, c.Type, 0, c.Size);
    TMemoryRecordVz* copied = L->NewRecord();
    TMemoryRecordVz* moved = L->NewRecord();
    for (int i = 0; i < n; ++i) {
        const KindCase& c = cases[static_cast<size_t>(i)];
        copied->SetDataValue(i, dvvValueVz, c.Value);
        Variant v = c.Value;
        moved->SetDataValue(i, dvvValueVz, std::move(v));
    }
    L->FetchRecord(copied);
    L->FetchRecord(moved);
    for (int i = 0; i < n; ++i) {
        const KindCase& c = cases[static_cast<size_t>(i)];
        ExpectSameValue(moved->Value(i), c.Value, c.Name);
        ExpectSameValue(copied->Value(i), c.Value, c.Name);
        EXPECT_EQ(moved->Value(i).VType(), c.Kind) << c.Name;
    }
    // Texts of another kind are cast first; a text a number field cannot take leaves it alone.
    moved->SetDataValue(14, dvvValueVz, Variant(QStringLiteral("ещё")));
    EXPECT_EQ(moved->Value(14).VType(), varString);
    moved->SetDataValue(15, dvvValueVz, VarAsType(Variant("wide"), varOleStr));
    EXPECT_EQ(moved->Value(15).VType(), varUString);
    EXPECT_EQ(moved->TextValue(15), String("wide"));
    EXPECT_THROW(moved->SetDataValue(1, dvvValueVz, Variant("not a number")), EVariantTypeCastError);
    ExpectSameValue(moved->Value(1), cases[1].Value, "Int after a refused value");
    // In an edit the new values change and the values before the edit stay.
    moved->Edit();
    moved->SetDataValue(15, dvvEditValueVz, Variant(QStringLiteral("новый")));
    moved->SetDataValue(0, dvvEditValueVz, Null());
    moved->SetDataValue(16, dvvEditValueVz, Unassigned());
    EXPECT_EQ(moved->GetDataValue(15, dvvCurValueVz).AsString(), String("wide"));
    EXPECT_EQ(moved->TextValue(15), String("новый"));
    moved->Post();
    EXPECT_EQ(moved->TextValue(15), String("новый"));
    EXPECT_TRUE(VarIsNull(moved->Value(0)));
    EXPECT_TRUE(VarIsEmpty(moved->Value(16)));
    EXPECT_EQ(moved->Value(16).VType(), varEmpty);
}

// The reads in place give what Value gives: the same kind, and the number or the text it holds;
// kinds that are not numbers or texts are read through Value.
TEST_F(ValuesFixture, ReadsInPlaceAgreeWithValueForEveryKind) {
    std::vector<KindCase> cases = Kinds();
    cases.push_back({"False", ftBoolean, 0, Variant(false), varBoolean});
    cases.push_back({"Single2", ftSingle, 0, Variant(-0.1f), varSingle});
    const int n = static_cast<int>(cases.size());
    const auto [valued, nulls, empties] = StoreCases(cases);
    for (int i = 0; i < n; ++i) {
        const char* name = cases[static_cast<size_t>(i)].Name;
        for (TMemoryRecordVz* r : {valued, nulls, empties}) {
            const Variant v = r->Value(i);
            TVarType vt = varError;
            const TMTValueClassVz cls = r->ValueClass(i, vt);
            EXPECT_EQ(vt, v.VType()) << name;
            switch (cls) {
                case mvcNullVz: EXPECT_TRUE(VarIsNull(v)) << name; break;
                case mvcEmptyVz: EXPECT_TRUE(VarIsEmpty(v)) << name; break;
                case mvcIntegerVz: EXPECT_EQ(r->IntValue(i), v.AsInt64()) << name; break;
                case mvcCurrencyVz: EXPECT_EQ(r->IntValue(i), v.AsCurrency().Raw()) << name; break;
                case mvcBooleanVz: EXPECT_EQ(r->IntValue(i), v.AsBoolean() ? -1 : 0) << name; break;
                case mvcFloatVz: case mvcDateVz: EXPECT_EQ(r->FloatValue(i), v.AsDouble()) << name; break;
                case mvcTextVz: EXPECT_EQ(r->TextValue(i), v.AsString()) << name; break;
                case mvcVariantVz:
                    EXPECT_TRUE(vt == varSQLTimeStamp || vt == varFMTBcd || (vt & varArray)) << name;
                    break;
            }
            if (r == valued) {
                EXPECT_NE(cls, mvcNullVz) << name;
            }
            // The one-call read answers the same class, kind and number.
            TVarType nvt = varError;
            Int64 iv = 0;
            double fv = 0;
            EXPECT_EQ(r->NumberValue(i, nvt, iv, fv), cls) << name;
            EXPECT_EQ(nvt, vt) << name;
            if (cls == mvcIntegerVz || cls == mvcCurrencyVz || cls == mvcBooleanVz) {
                EXPECT_EQ(iv, r->IntValue(i)) << name;
            }
            if (cls == mvcFloatVz || cls == mvcDateVz) {
                EXPECT_EQ(fv, r->FloatValue(i)) << name;
            }
        }
    }
    TVarType vt;
    EXPECT_THROW(valued->ValueClass(n, vt), Exception);
    EXPECT_THROW(valued->IntValue(-1), Exception);
    Int64 iv;
    double fv;
    EXPECT_THROW(valued->NumberValue(n, vt, iv, fv), Exception);
    EXPECT_THROW(valued->TextValue(n), Exception);
}

// An edit keeps the values it began with apart from the record: cancel puts them back, post
// makes them the old values of a cached change, and nothing of it stays once merged.
TEST_F(ValuesFixture, EditCancelPostAndMergeKeepTheRightValues) {
    S->BuildDataFieldForDef("Id", ftInteger, 0, 0);
    S->BuildDataFieldForDef("Name", ftWideString, 0, 20);
    TMemoryRecordVz* r = L->NewRecord();
    r->SetDataValue(0, dvvValueVz, 1);
    r->SetDataValue(1, dvvValueVz, "one");
    L->FetchRecord(r);

    r->Edit();
    r->SetDataValue(1, dvvValueVz, "uno");
    EXPECT_EQ(r->GetDataValue(1, dvvCurValueVz), Variant("one"));
    EXPECT_EQ(r->GetDataValue(1, dvvEditValueVz), Variant("uno"));
    r->Cancel();
    EXPECT_EQ(r->Value(1), Variant("one"));
    EXPECT_EQ(r->GetDataValue(1, dvvCurValueVz), Variant("one"));
    EXPECT_THROW(r->GetDataValue(1, dvvEditValueVz), Exception);
    EXPECT_FALSE(r->HasOldData());

    L->SetCachedUpdates(true);
    r->Edit();
    r->SetDataValue(1, dvvValueVz, "uno");
    r->Post();
    EXPECT_TRUE(r->HasOldData());
    EXPECT_EQ(r->OldData(), (TRecDataValues{Variant(1), Variant("one")}));
    EXPECT_EQ(r->UpdateIndex(), 0);
    r->SetUpdateError(New<TUpdateErrorVz>(std::make_unique<Exception>(String("refused"))));
    ASSERT_NE(r->UpdateError(), nullptr);
    L->MergeChangeLog();
    EXPECT_FALSE(r->HasOldData());
    EXPECT_EQ(r->UpdateError(), nullptr);
    EXPECT_EQ(r->UpdateIndex(), -1);
    EXPECT_EQ(r->Value(1), Variant("uno"));
    EXPECT_THROW(r->OldValue(1), Exception);
}

// Records made before a field was added or changed keep their values as they were made; a
// restructure brings every record, its old values and an edit in progress to the new fields.
TEST_F(ValuesFixture, StructureChangesOnAFilledStore) {
    S->BuildDataFieldForDef("Id", ftInteger, 0, 0);
    S->BuildDataFieldForDef("Name", ftWideString, 0, 20);
    auto add = [&](int Id, const char* Name) {
        TMemoryRecordVz* r = L->NewRecord();
        r->SetDataValue(0, dvvValueVz, Id);
        r->SetDataValue(1, dvvValueVz, Name);
        L->FetchRecord(r);
        return r;
    };
    TMemoryRecordVz* before = add(1, "one");
    // A field added to the filled store: the record made before it has no value for it.
    S->BuildDataFieldForDef("Amount", ftFloat, 0, 0);
    TMemoryRecordVz* after = add(2, "two");
    after->SetDataValue(2, dvvValueVz, 2.5);
    EXPECT_EQ(before->ValueCount(), 2);
    EXPECT_THROW(before->Value(2), Exception);
    EXPECT_EQ(after->Value(2), Variant(2.5));
    // A kind changed in place: old records still read what they hold.
    static_cast<TMTNumericDataFieldVz*>(S->GetDataField(0))->SetNumericDataType(fdtLargeintVz);
    TMemoryRecordVz* third = add(3, "three");
    EXPECT_EQ(before->Value(0).VType(), varInteger);
    EXPECT_EQ(third->Value(0).VType(), varInt64);

    L->SetCachedUpdates(true);
    after->Edit();
    after->SetDataValue(1, dvvValueVz, "dos");
    after->Post();
    third->Edit();
    third->SetDataValue(1, dvvValueVz, "tres");

    // Move the text first, make the number text and drop the amount.
    TMTDataStructVz* copy = S->BeginRestructure();
    copy->MoveField(copy->GetDataField(1), 0);
    copy->ChangeFieldType("Id", TMTStringDataFieldVz::StaticClass());
    copy->RemoveField(copy->GetDataField(2));
    S->EndRestructure(copy, true);
    ASSERT_EQ(S->Count(), 2);
    for (TMemoryRecordVz* r : {before, after, third}) {
        ASSERT_EQ(r->ValueCount(), 2);
        EXPECT_EQ(r->Value(1).VType(), varString);
    }
    EXPECT_EQ(before->Value(0), Variant("one"));
    EXPECT_EQ(before->Value(1), Variant("1"));
    EXPECT_EQ(after->Value(0), Variant("dos"));
    EXPECT_EQ(after->GetDataValue(0, dvvOldValueVz), Variant("two"));
    EXPECT_EQ(after->GetDataValue(1, dvvOldValueVz), Variant("2"));
    EXPECT_EQ(third->GetDataValue(0, dvvCurValueVz), Variant("three"));
    third->Cancel();
    EXPECT_EQ(third->Value(0), Variant("three"));
    EXPECT_EQ(third->Value(1), Variant("3"));
    // New records are made in the new layout.
    TMemoryRecordVz* fresh = L->NewRecord();
    EXPECT_EQ(fresh->ValueCount(), 2);
    fresh->SetDataValue(1, dvvValueVz, 4);
    EXPECT_EQ(fresh->Value(1).VType(), varString);
    fresh->Free();
    // Fields moved, added and freed on the live structure: each new record takes the kinds of
    // the fields as they are then.
    S->BuildDataFieldForDef("When", ftDate, 0, 0);
    S->MoveField(S->GetDataField(2), 0);
    TMemoryRecordVz* moved = L->NewRecord();
    moved->SetDataValue(0, dvvValueVz, Variant(45000.5));
    EXPECT_EQ(moved->Value(0).VType(), varDate);
    moved->Free();
    S->GetDataField(0)->Free();
    ASSERT_EQ(S->Count(), 2);
    TMemoryRecordVz* freed = L->NewRecord();
    EXPECT_EQ(freed->ValueCount(), 2);
    freed->SetDataValue(0, dvvValueVz, 5);
    EXPECT_EQ(freed->Value(0), Variant("5"));
    freed->Free();
}

// A typed write of a value of one kind stores what the general cast stores from its Variant, into
// a field of every kind: the same value and kind, or the same error with the field left as it
// was. So does a write of the Variant itself into the stored values (copied or handed over),
// which takes the typed way for the typed kinds; the general cast is the one of the edit values.
TEST_F(ValuesFixture, TypedWritesAgreeWithTheVariantWrite) {
    const std::vector<KindCase> cases = Kinds();
    const int n = static_cast<int>(cases.size());
    for (const KindCase& c : cases) S->BuildDataFieldForDef(c.Name, c.Type, 0, c.Size);
    // New records are in insert state: their edit values are the stored ones.
    TMemoryRecordVz* viaVariant = L->NewRecord();
    TMemoryRecordVz* typed = L->NewRecord();
    TMemoryRecordVz* copied = L->NewRecord();
    TMemoryRecordVz* moved = L->NewRecord();

    struct Write {
        std::string Name;
        Variant AsVariant;  // what the typed write stands for
        std::function<void(TMemoryRecordVz*, int)> Typed;
    };
    std::vector<Write> writes;
    for (int v : {0, -1, 255, 70000, INT_MIN, INT_MAX})
        writes.push_back({"int " + std::to_string(v), Variant(v), [v](TMemoryRecordVz* r, int i) { r->SetIntegerValue(i, v); }});
    for (Int64 v : {Int64(7), Int64(INT_MAX) + 1, Int64(INT_MIN) - 1, Int64(LLONG_MIN), Int64(LLONG_MAX)})
        writes.push_back({"int64 " + std::to_string(v), Variant(static_cast<long long>(v)),
                          [v](TMemoryRecordVz* r, int i) { r->SetLargeIntValue(i, v); }});
    for (double v : {0.0, 2.5, -3.75, 1.0e10, -1.0e300, 45000.25})
        writes.push_back({"double " + std::to_string(v), Variant(v), [v](TMemoryRecordVz* r, int i) { r->SetFloatValue(i, v); }});
    for (double v : {45000.75, 0.0, -1.0e12})
        writes.push_back({"date " + std::to_string(v), VarFromDateTime(v), [v](TMemoryRecordVz* r, int i) { r->SetDateTimeValue(i, v); }});
    for (Int64 raw : {Int64(12345), Int64(-922337203685477580LL), Int64(1000000) * 10000})
        writes.push_back({"currency " + std::to_string(raw), Variant(Currency::FromRaw(raw)),
                          [raw](TMemoryRecordVz* r, int i) { r->SetCurrencyValue(i, Currency::FromRaw(raw)); }});
    for (bool v : {true, false})
        writes.push_back({v ? "true" : "false", Variant(v), [v](TMemoryRecordVz* r, int i) { r->SetBooleanValue(i, v); }});
    for (const char16_t* t : {u"12", u"-3,5", u"not a number", u"", u"True", u"29.02.2024", u"широкий текст"}) {
        const String v = String::fromUtf16(t);
        writes.push_back({"text " + v.toStdString(), Variant(v), [v](TMemoryRecordVz* r, int i) { r->SetTextValue(i, v); }});
    }
    writes.push_back({"null", Null(), [](TMemoryRecordVz* r, int i) { r->SetNullValue(i); }});
    // Variants with no typed write of their own: only the Variant writes are compared.
    writes.push_back({"ansi text", VarAsType(Variant("34"), varString), nullptr});
    writes.push_back({"ole text", VarAsType(Variant("ole"), varOleStr), nullptr});
    writes.push_back({"unassigned", Unassigned(), nullptr});
    writes.push_back({"small", Variant(static_cast<short>(-300)), nullptr});

    // The outcome of one write: the value the field then holds and the error, if any.
    auto outcome = [](TMemoryRecordVz* r, int i, const std::function<void(TMemoryRecordVz*, int)>& w) {
        std::string error;
        try {
            w(r, i);
        } catch (const Exception& e) {
            error = e.ClassName().toStdString() + ": " + e.Message().toStdString();
        }
        return std::make_pair(r->Value(i), error);
    };
    int stored = 0, refused = 0;
    for (int i = 0; i < n; ++i) {
        const KindCase& c = cases[static_cast<size_t>(i)];
        for (const Write& w : writes) {
            SCOPED_TRACE(std::string(c.Name) + " <- " + w.Name);
            // Both start from the field's own value, so a refused write shows it left alone.
            for (TMemoryRecordVz* r : {viaVariant, typed, copied, moved}) r->SetDataValue(i, dvvValueVz, c.Value);
            const auto [want, wantError] = outcome(viaVariant, i, [&w](TMemoryRecordVz* r, int k) {
                r->SetDataValue(k, dvvEditValueVz, w.AsVariant);
            });
            if (w.Typed) {
                const auto [got, gotError] = outcome(typed, i, w.Typed);
                EXPECT_EQ(gotError, wantError);
                ExpectSameValue(got, want, "typed");
            }
            const auto [gotCopied, copiedError] = outcome(copied, i, [&w](TMemoryRecordVz* r, int k) {
                r->SetDataValue(k, dvvValueVz, w.AsVariant);
            });
            EXPECT_EQ(copiedError, wantError);
            ExpectSameValue(gotCopied, want, "copied");
            const auto [gotMoved, movedError] = outcome(moved, i, [&w](TMemoryRecordVz* r, int k) {
                r->SetDataValue(k, dvvValueVz, Variant(w.AsVariant));
            });
            EXPECT_EQ(movedError, wantError);
            ExpectSameValue(gotMoved, want, "handed over");
            (wantError.empty() ? stored : refused)++;
        }
    }
    // The table holds both outcomes in numbers (a guard against a table that tests nothing).
    EXPECT_GT(stored, 100);
    EXPECT_GT(refused, 20);
    // An index out of range is the list index error of SetDataValue.
    for (int bad : {-1, n}) {
        EXPECT_THROW(typed->SetIntegerValue(bad, 1), EListError);
        EXPECT_THROW(typed->SetTextValue(bad, u"x"_S), EListError);
        EXPECT_THROW(typed->SetNullValue(bad), EListError);
    }
    for (int bad : {-1, n}) EXPECT_THROW(copied->SetDataValue(bad, dvvValueVz, Variant(1)), EListError);
    for (TMemoryRecordVz* r : {viaVariant, typed, copied, moved}) r->Free();
}

}  // namespace
