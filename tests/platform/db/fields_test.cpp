// Field conversions and texts, parameters and the ":name" scan.
#include "platform/db/db.h"
#include "platform/testing/memdata.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

namespace {

using sdelka::test::S;

class FieldTest : public ::testing::Test {
protected:
    void SetUp() override {
        FormatSettings = TFormatSettings();
        ds = New<TTestTableDataSet>(nullptr);
        ds->FieldDefs()->Add(QStringLiteral("I"), ftInteger);
        ds->FieldDefs()->Add(QStringLiteral("S"), ftString, 5);
        ds->FieldDefs()->Add(QStringLiteral("F"), ftFloat);
        ds->FieldDefs()->Add(QStringLiteral("C"), ftBCD);
        ds->FieldDefs()->Add(QStringLiteral("D"), ftDateTime);
        ds->FieldDefs()->Add(QStringLiteral("B"), ftBoolean);
        ds->FieldDefs()->Add(QStringLiteral("W"), ftSmallint);
        ds->FieldDefs()->Add(QStringLiteral("M"), ftMemo);
        ds->CreateDataSet();
        ds->Append();
    }
    void TearDown() override {
        ds->Cancel();
        ds->Free();
    }
    TField* F(const char* n) { return ds->FieldByName(QString::fromLatin1(n)); }
    TTestTableDataSet* ds = nullptr;
};

std::string Error(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return S(e.Message());
    }
    return "no error";
}

TEST_F(FieldTest, DefaultFieldClassesFollowTheTypes) {
    EXPECT_TRUE(F("I")->Is<TIntegerField>());
    EXPECT_TRUE(F("W")->Is<TSmallintField>() && F("W")->Is<TIntegerField>());
    EXPECT_TRUE(F("C")->Is<TBCDField>());
    EXPECT_TRUE(F("D")->Is<TDateTimeField>());
    EXPECT_TRUE(F("M")->Is<TMemoField>() && F("M")->IsBlob());
    EXPECT_EQ(F("S")->Size(), 5);
    EXPECT_EQ(F("F")->FieldNo(), 3);
    EXPECT_EQ(F("F")->Index(), 2);
    EXPECT_EQ(F("I")->Alignment(), taRightJustify);
    EXPECT_EQ(FieldTypeVarMap(ftBCD), varCurrency);
    EXPECT_EQ(S(FieldTypeName(ftWideMemo)), "WideMemo");
}

TEST_F(FieldTest, ConversionsAsATable) {
    struct Case { const char* field; Variant in; const char* asString; const char* display; const char* fmt; };
    const Case cases[] = {
        {"I", Variant(42), "42", "42", ""},
        {"I", Variant(u" 17"), "17", "17", ""},
        {"I", Variant(1234567), "1234567", "1 234 567", "#,##0"},
        {"I", Variant(2.5), "2", "2", ""},  // floats round to even
        {"F", Variant(1.25), "1,25", "1,25", ""},
        {"F", Variant(u"3,5"), "3,5", "3,50", "0.00"},
        {"F", Variant(1234.5), "1234,5", "1 234,50", "#,##0.00"},
        {"C", Variant(u"12,3456"), "12,3456", "12,35", "0.00"},
        {"S", Variant(u"abcdefgh"), "abcde", "abcde", ""},  // cut to Size
        {"B", Variant(true), "True", "True", ""},
        {"B", Variant(u"false"), "False", "False", ""},
        {"D", VarFromDateTime(EncodeDate(2024, 3, 5)), "05.03.2024", "05.03.2024", ""},
        {"D", VarFromDateTime(EncodeDateTime(2024, 3, 5, 14, 7, 9, 0)), "05.03.2024 14:07:09", "5 March", "d mmmm"},
        {"D", Variant(u"06.03.2024 10:00"), "06.03.2024 10:00:00", "06.03.2024 10:00:00", ""},
        {"M", Variant(u"длинный текст"), "длинный текст", "(MEMO)", ""},
    };
    FormatSettings.ThousandSeparator = QLatin1Char(' ');
    FormatSettings.LongMonthNames[2] = QStringLiteral("March");
    for (const Case& c : cases) {
        TField* f = F(c.field);
        if (auto* n = dynamic_cast<TNumericField*>(f)) n->SetDisplayFormat(QString::fromLatin1(c.fmt));
        if (auto* d = dynamic_cast<TDateTimeField*>(f)) d->SetDisplayFormat(QString::fromLatin1(c.fmt));
        f->SetAsVariant(c.in);
        EXPECT_EQ(S(f->AsString()), c.asString) << c.field << " " << S(VarToStr(c.in));
        EXPECT_EQ(S(f->DisplayText()), c.display) << c.field << " " << S(VarToStr(c.in));
    }
    F("I")->SetAsString(QStringLiteral("12"));
    EXPECT_EQ(F("I")->AsInteger(), 12);
    EXPECT_DOUBLE_EQ(F("I")->AsFloat(), 12);
    EXPECT_EQ(F("I")->AsVariant().VType(), varInteger);
    F("C")->SetAsFloat(1.23456);
    EXPECT_EQ(F("C")->AsCurrency(), Currency::FromRaw(12346));
    EXPECT_EQ(F("C")->AsVariant().VType(), varCurrency);
    F("D")->SetAsDateTime(EncodeDate(2020, 2, 29));
    EXPECT_EQ(F("D")->AsDateTime(), EncodeDate(2020, 2, 29));
    EXPECT_EQ(F("D")->AsVariant().VType(), varDate);
}

TEST_F(FieldTest, NullHandling) {
    for (const char* n : {"I", "S", "F", "C", "D", "B", "M"}) {
        TField* f = F(n);
        f->SetAsString(QStringLiteral("1"));
        f->Clear();
        EXPECT_TRUE(f->IsNull()) << n;
        EXPECT_TRUE(VarIsNull(f->AsVariant())) << n;
        EXPECT_EQ(S(f->AsString()), "") << n;
    }
    EXPECT_EQ(F("I")->AsInteger(), 0);
    EXPECT_EQ(F("F")->AsFloat(), 0);
    EXPECT_FALSE(F("B")->AsBoolean());
    F("I")->SetAsInteger(5);
    F("I")->SetAsString(QStringLiteral(""));  // empty text clears a number
    EXPECT_TRUE(F("I")->IsNull());
    F("I")->SetAsVariant(Unassigned());
    EXPECT_TRUE(F("I")->IsNull());
}

TEST_F(FieldTest, ConversionErrors) {
    // Conversion errors name the field by its display name.
    EXPECT_EQ(Error([&] { F("I")->SetAsString(QStringLiteral("abc")); }), "'abc' is not a valid integer value for field 'I'");
    EXPECT_EQ(Error([&] { F("F")->SetAsString(QStringLiteral("1.2.3")); }),
              "'1.2.3' is not a valid floating point value for field 'F'");
    EXPECT_EQ(Error([&] { F("C")->SetAsString(QStringLiteral("x")); }), "'x' is not a valid floating point value for field 'C'");
    EXPECT_EQ(Error([&] { F("D")->SetAsString(QStringLiteral("32.13.2024")); }), "'32.13.2024' is not a valid date and time");
    EXPECT_EQ(Error([&] { F("B")->SetAsString(QStringLiteral("maybe")); }), "'maybe' is not a valid boolean value for field 'B'");
    F("I")->SetDisplayLabel(u"Табельный номер"_S);
    EXPECT_EQ(Error([&] { F("I")->SetAsVariant(Variant(u"12а"_S)); }),
              "'12а' is not a valid integer value for field 'Табельный номер'");
    EXPECT_EQ(Error([&] { F("W")->SetAsInteger(40000); }),
              "40000 is not a valid value for field 'W'. The allowed range is -32768 to 32767");
    EXPECT_EQ(Error([&] { F("B")->AsDateTime(); }), "Cannot access field 'B' as type DateTime");
    F("S")->SetAsString(QStringLiteral("1q"));
    EXPECT_EQ(Error([&] { F("S")->AsInteger(); }), "'1q' is not a valid integer value for field 'S'");
    // The field keeps its previous value after a refused conversion.
    F("I")->SetAsInteger(3);
    EXPECT_ANY_THROW(F("I")->SetAsString(QStringLiteral("q")));
    EXPECT_EQ(F("I")->AsInteger(), 3);
}

TEST(FieldMemoText, PlaceholdersNameTheTypeInCapitalsWhenThereIsText) {
    auto ds = NewOwned<TTestTableDataSet>(nullptr);
    ds->FieldDefs()->Add(u"M"_S, ftMemo);
    ds->FieldDefs()->Add(u"W"_S, ftWideMemo);
    ds->FieldDefs()->Add(u"B"_S, ftBlob);
    ds->CreateDataSet();
    ds->Append();
    struct Case { const char* field; Variant value; const char* text; };
    const Case cases[] = {
        {"M", Null(), "(Memo)"},          {"M", Variant(u""_S), "(Memo)"},     {"M", Variant(u"текст"_S), "(MEMO)"},
        {"W", Null(), "(WideMemo)"},      {"W", Variant(u"текст"_S), "(WIDEMEMO)"},
        {"B", Null(), "(Blob)"},          {"B", VarByteArrayOf(QByteArray("\x01", 1)), "(BLOB)"},
    };
    for (const Case& c : cases) {
        TField* f = ds->FieldByName(QString::fromLatin1(c.field));
        f->SetAsVariant(c.value);
        EXPECT_EQ(S(f->DisplayText()), c.text) << c.field << " " << S(VarToStr(c.value));
    }
    ds->Cancel();
}

TEST_F(FieldTest, TextEventsValidationAndBlobStreams) {
    TField* s = F("S");
    s->OnGetText = [](TField* Sender, String& Text, bool Display) {
        Text = (Display ? QStringLiteral("<") : QStringLiteral("[")) + Sender->AsString();
    };
    s->OnSetText = [](TField* Sender, const String& Text) { Sender->SetAsString(Text.toUpper()); };
    s->SetText(QStringLiteral("ab"));
    EXPECT_EQ(S(s->AsString()), "AB");
    EXPECT_EQ(S(s->DisplayText()), "<AB");
    EXPECT_EQ(S(s->Text()), "[AB");

    // OnValidate sees the new value and can refuse it.
    String seen;
    F("I")->OnValidate = [&](TField* Sender) {
        seen = Sender->AsString();
        if (Sender->AsInteger() < 0) throw EDatabaseError(QStringLiteral("negative"));
    };
    F("I")->SetAsInteger(8);
    EXPECT_EQ(S(seen), "8");
    EXPECT_THROW(F("I")->SetAsInteger(-1), EDatabaseError);
    EXPECT_EQ(F("I")->AsInteger(), 8);

    TStream* w = ds->CreateBlobStream(F("M"), bmWrite);
    QByteArray text = QStringLiteral("строка").toUtf8();
    w->WriteBuffer(text.constData(), static_cast<Integer>(text.size()));
    w->Free();
    EXPECT_EQ(S(F("M")->AsString()), "строка");
    TStream* r = ds->CreateBlobStream(F("M"), bmRead);
    EXPECT_EQ(r->Size(), text.size());
    r->Free();
    EXPECT_THROW(ds->CreateBlobStream(F("I"), bmRead), EDatabaseError);
}

TEST(ParamsTest, ParseSQLSkipsQuotesAndCasts) {
    TParams* p = New<TParams>(nullptr);
    std::vector<String> names;
    String sql = p->ParseSQL(
        QStringLiteral("select ':no', \"col:x\" from t where a = :A and b::date = :b -- :c\n and d = :a or e = :\"my name\" /* :z */"),
        true, &names);
    EXPECT_EQ(S(sql), "select ':no', \"col:x\" from t where a = ? and b::date = ? -- :c\n and d = ? or e = ? /* :z */");
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(S(names[3]), "my name");
    EXPECT_EQ(p->Count(), 3);  // A and a are one parameter
    p->ParamByName(QStringLiteral("a"))->SetValue(5);
    EXPECT_EQ(p->ParamByName(QStringLiteral("A"))->DataType(), ftInteger);
    EXPECT_TRUE(p->ParamByName(QStringLiteral("A"))->Bound());
    EXPECT_THROW(p->ParamByName(QStringLiteral("zz")), EDatabaseError);
    TParams* q = New<TParams>(nullptr);
    q->CreateParam(ftInteger, QStringLiteral("A"), ptInput);
    q->CreateParam(ftString, QStringLiteral("other"), ptInput);
    q->AssignValues(p);
    EXPECT_EQ(q->ParamByName(QStringLiteral("A"))->AsInteger(), 5);
    EXPECT_TRUE(q->ParamByName(QStringLiteral("other"))->IsNull());
    p->ParamByName(QStringLiteral("b"))->SetAsDate(EncodeDate(2024, 1, 2));
    EXPECT_EQ(p->ParamByName(QStringLiteral("b"))->DataType(), ftDate);
    q->Free();
    p->Free();
}

TEST(ParamsTest, IsEqualAnswersNotEqualForValuesThatCannotBeCompared) {
    TParams* p = New<TParams>(nullptr);
    TParams* q = New<TParams>(nullptr);
    p->CreateParam(ftInteger, QStringLiteral("A"), ptInput)->SetValue(Variant(u"abc"));
    q->CreateParam(ftInteger, QStringLiteral("A"), ptInput)->SetValue(5);
    ASSERT_EQ(p->ParamByName(QStringLiteral("A"))->DataType(), q->ParamByName(QStringLiteral("A"))->DataType());
    EXPECT_FALSE(p->IsEqual(q));
    EXPECT_FALSE(q->IsEqual(p));
    q->ParamByName(QStringLiteral("A"))->SetValue(Variant(u"abc"));
    EXPECT_TRUE(p->IsEqual(q));
    q->Free();
    p->Free();
}

}  // namespace

namespace {

// Names are found ignoring case (Cyrillic too), the first of the list first, and through every
// change of the list and of a name: renames, moves, removals.
TEST(FieldNames, FoundIgnoringCaseThroughRenamesMovesAndRemovals) {
    auto* ds = New<TTestTableDataSet>(nullptr);
    ds->FieldDefs()->Add(u"Id"_S, ftInteger);
    ds->FieldDefs()->Add(u"Фамилия"_S, ftString, 20);
    ds->FieldDefs()->Add(u"Qty"_S, ftInteger);
    ds->CreateDataSet();
    TFields* fields = ds->Fields();
    TField* id = fields->Fields(0);
    TField* name = fields->Fields(1);
    TField* qty = fields->Fields(2);
    EXPECT_EQ(ds->FindField(u"ID"_S), id);
    EXPECT_EQ(ds->FindField(u"фамилия"_S), name);
    EXPECT_EQ(ds->FindField(u"ФАМИЛИЯ"_S), name);
    EXPECT_EQ(ds->FindField(u"qTY"_S), qty);
    EXPECT_EQ(ds->FindField(u"Qt"_S), nullptr);
    EXPECT_EQ(ds->FindField(String()), nullptr);

    qty->SetFieldName(u"Количество"_S);
    EXPECT_EQ(ds->FindField(u"Qty"_S), nullptr);
    EXPECT_EQ(ds->FindField(u"КОЛИЧЕСТВО"_S), qty);
    EXPECT_EQ(Error([&] { name->SetFieldName(u"количество"_S); }), "Duplicate field name 'количество'");

    qty->SetIndex(0);
    EXPECT_EQ(fields->Fields(0), qty);
    EXPECT_EQ(ds->FindField(u"id"_S), id);
    EXPECT_EQ(ds->FindField(u"количество"_S), qty);

    fields->Remove(id);
    EXPECT_EQ(ds->FindField(u"Id"_S), nullptr);
    EXPECT_EQ(ds->FindField(u"Фамилия"_S), name);
    fields->Add(id);
    EXPECT_EQ(ds->FindField(u"iD"_S), id);
    ds->Free();
}

}  // namespace
