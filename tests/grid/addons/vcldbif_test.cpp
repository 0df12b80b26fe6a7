#include "grid/addons/vcldbifvz.h"
#include "exchangesource.h"

#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

namespace {

// The bytes of a literal, zeros inside it included.
template <size_t N>
QByteArray Bytes(const char (&Literal)[N]) {
    return QByteArray(Literal, N - 1);
}

QByteArray Export(TTableSource& S) {
    auto E = NewOwned<TDBGridVzExportAsVCLDBIF>();
    TBytesStream Out;
    E->ExportToStream(&Out, &S);
    return QByteArray(reinterpret_cast<const char*>(Out.Bytes().data()), qsizetype(Out.Bytes().size()));
}

void Import(const QByteArray& Bytes, TTableTarget& Target) {
    auto I = NewOwned<TDBGridVzImportAsVCLDBIF>();
    TBytesStream In(TBytes(Bytes.begin(), Bytes.end()));
    I->ImportFromStream(&In, &Target);
}

TEST(VCLDBIF, WritesTheDocumentedLayout) {
    TTableSource S;
    S.Titles = {u"N"_S, u"Name"_S};
    S.Rows = {{Variant(7), Variant(u"ab"_S)}, {Variant(-1), Variant(u"Ωx"_S)}};
    S.Footers = {{u"sum"_S, String()}};  // titles and footers do not travel
    QByteArray Expected = Bytes("VCLDBIF\x01\x02\0\0\0\x01\0\x01\0");
    Expected += Bytes("\x03\x07\0\0\0") + Bytes("\x05\x02\0\0\0ab");
    // a text the code page cannot hold travels as UTF-16
    Expected += Bytes("\x03\xFF\xFF\xFF\xFF") + Bytes("\x07\x04\0\0\0\xA9\x03x\0");
    Expected += QByteArray(1, '\0');
    EXPECT_EQ(Export(S).toHex(' '), Expected.toHex(' '));
}

TEST(VCLDBIF, EveryKindOfValueSurvivesTheTrip) {
    TTableSource S;
    S.Titles = {u"a"_S, u"b"_S, u"c"_S, u"d"_S, u"e"_S, u"f"_S, u"g"_S, u"h"_S};
    const Variant Date = VarFromDateTime(EncodeDate(2026, 12, 11));
    S.Rows = {{Variant(42), Variant(1234.5678), Variant(u"Иванов И.И."_S), Variant::Null(), Date,
               Variant(Int64(9007199254740993LL)), VarByteArrayOf(Bytes("\0\x01\xFF")),
               Variant::Unassigned()}};
    TTableTarget Target(8);
    Import(Export(S), Target);
    ASSERT_EQ(Target.Rows.size(), 1u);
    const auto& R = Target.Rows[0];
    EXPECT_EQ(R[0].VType(), varInteger);
    EXPECT_EQ(R[0].AsInteger(), 42);
    EXPECT_EQ(R[1].AsDouble(), 1234.5678);
    EXPECT_EQ(R[2].AsString(), u"Иванов И.И."_S);
    EXPECT_TRUE(VarIsNull(R[3]));
    EXPECT_EQ(R[4].AsDouble(), Date.AsDouble());  // a date travels as its day number
    EXPECT_EQ(R[5].AsString(), u"9007199254740993"_S);  // a large integer travels as text, exactly
    EXPECT_EQ(VarByteArrayToBytes(R[6]), Bytes("\0\x01\xFF"));
    EXPECT_TRUE(VarIsEmpty(R[7]));  // no value: the target column is left alone
}

TEST(VCLDBIF, DamagedStreamIsRefusedWholeBeforeAnythingIsWritten) {
    TTableSource S = PayGridSource(20);
    const QByteArray Good = Export(S);
    auto Refused = [](const QByteArray& Bytes) {
        TTableTarget Target(4);
        try {
            Import(Bytes, Target);
        } catch (const Exception&) {
            return Target.Rows.empty();
        }
        return false;
    };
    for (qsizetype Length = 0; Length < Good.size(); ++Length)
        ASSERT_TRUE(Refused(Good.left(Length))) << "cut at " << Length;
    QByteArray Foreign = Good;
    Foreign[0] = 'X';
    EXPECT_TRUE(Refused(Foreign));
    QByteArray HugeLength = Bytes("VCLDBIF\x01\x01\0\0\0\x01\0\x05\xFF\xFF\xFF\x7F");
    EXPECT_TRUE(Refused(HugeLength));
    QByteArray NegativeLength = Bytes("VCLDBIF\x01\x01\0\0\0\x01\0\x06\xFF\xFF\xFF\xFF\0");
    EXPECT_TRUE(Refused(NegativeLength));
    QByteArray HugeColumns = Bytes("VCLDBIF\x01\xFF\xFF\xFF\x7F\0");
    EXPECT_TRUE(Refused(HugeColumns));
    QByteArray BadTag = Bytes("VCLDBIF\x01\x01\0\0\0\x01\0\x09\0");
    try {
        TTableTarget Target(1);
        Import(BadTag, Target);
        FAIL();
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"ReadValueFromVCLDBIFStream: Unixpected value type: 9"_S);
    }
    try {
        TTableTarget Target(1);
        Import(Good.left(5), Target);
        FAIL();
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"TDBGridVzImportAsVCLDBIF.ReadPrefix: Неверный формат VCLDBIF"_S);
    }
}

TEST(VCLDBIF, PasteIntoFewerColumnsDropsTheRest) {
    TTableSource S;
    S.Titles = {u"a"_S, u"b"_S, u"c"_S};
    S.Rows = {{Variant(1), Variant(2), Variant(3)}, {Variant(4), Variant(5), Variant(6)}};
    TTableTarget Target(2);
    Import(Export(S), Target);
    ASSERT_EQ(Target.Rows.size(), 2u);
    EXPECT_EQ(Target.Rows[1][0].AsInteger(), 4);
    EXPECT_EQ(Target.Rows[1][1].AsInteger(), 5);
}

}  // namespace
