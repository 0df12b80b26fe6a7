#include "platform/testing/memdata.h"
#include "platform/gui/forms.h"
#include "platform/gui/metafile.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/filer.h"
#include "report/rpdbtexts.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"
#include "report/rpsupport.h"
#include "rpprinter_support.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// A page with one text-output call per given string.
QByteArray Page(const QStringList& Texts) {
    TMetafileDC dc(96, 96, TSize(800, 1100));
    int y = 10;
    for (const String& t : Texts) {
        dc.ExtTextOut(10, y, 0, nullptr, t);
        y += 20;
    }
    return dc.Finish();
}

// An EMR_EXTTEXTOUTA record of Bytes (ANSI code page) appended before the end of Page.
QByteArray WithAnsiText(const QByteArray& Page, const QByteArray& Bytes) {
    QByteArray rec(76, '\0');
    auto put = [&rec](int at, quint32 v) {
        for (int i = 0; i < 4; ++i) rec[at + i] = static_cast<char>(v >> (8 * i));
    };
    rec.append(Bytes);
    while (rec.size() % 4) rec.append('\0');
    put(0, 83);
    put(4, static_cast<quint32>(rec.size()));
    put(36, static_cast<quint32>(Bytes.size()));
    put(40, 76);
    // The end-of-file record is the last 20 bytes; the header's counts follow the insertion.
    QByteArray out = Page.left(Page.size() - 20) + rec + Page.right(20);
    const quint32 bytes = static_cast<quint32>(out.size());
    for (int i = 0; i < 4; ++i) out[48 + i] = static_cast<char>(bytes >> (8 * i));
    quint32 records = 0;
    for (int i = 0; i < 4; ++i) records |= static_cast<quint32>(static_cast<quint8>(out[52 + i])) << (8 * i);
    ++records;
    for (int i = 0; i < 4; ++i) out[52 + i] = static_cast<char>(records >> (8 * i));
    return out;
}

}  // namespace

TEST(RpSupport, SearchPageText) {
    const QByteArray page = Page({QStringLiteral("Табель за Январь"), QStringLiteral("Итого"), QStringLiteral(" часов")});
    struct TCase {
        const char16_t* Text;
        bool MatchCase;
        bool Found;
    };
    const TCase cases[] = {
        {u"январь", false, true},  {u"январь", true, false}, {u"Январь", true, true},
        {u"ТАБЕЛЬ", false, true},  {u"бель за Ян", true, true}, {u"Итого часов", false, false},
        {u"итого", false, true},   {u"Сделка", false, false},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(SearchPageText(String::fromUtf16(c.Text), page, c.MatchCase), c.Found)
            << String::fromUtf16(c.Text).toStdString() << c.MatchCase;
    // 8-bit text records are read in the Cyrillic code page.
    const QByteArray ansi = WithAnsiText(page, QByteArray("\xd1\xec\xe5\xed\xe0 2"));  // "Смена 2"
    EXPECT_TRUE(SearchPageText(QStringLiteral("смена 2"), ansi, false));
    EXPECT_FALSE(SearchPageText(QStringLiteral("смена 2"), ansi, true));
    EXPECT_FALSE(SearchPageText(QStringLiteral("x"), QByteArray("not a metafile"), false));
}

TEST(RpSupport, SearchFindsTheRightPagesOfAReport) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    const QStringList lines{QStringLiteral("Смирнов — сборка"), QStringLiteral("Иванова — покраска"),
                            QStringLiteral("Смирнова — СБОРКА")};
    p->BeginDoc();
    for (const String& l : lines) {
        p->NewPage();
        p->Canvas()->TextOut(p->XPos(100), p->YPos(100), l);
    }
    p->EndDoc();
    auto pagesWith = [&p](const String& Text, bool MatchCase) {
        QList<int> found;
        for (int i = 1; i <= p->PageCount(); ++i) {
            TOwned<TMetafile> m(p->GetPage(i));
            if (SearchPageText(Text, m.get(), MatchCase)) found << i;
        }
        return found;
    };
    EXPECT_EQ(pagesWith(QStringLiteral("сборка"), false), (QList<int>{1, 3}));
    EXPECT_EQ(pagesWith(QStringLiteral("сборка"), true), (QList<int>{1}));
    EXPECT_EQ(pagesWith(QStringLiteral("СМИРНОВ"), false), (QList<int>{1, 3}));
    EXPECT_EQ(pagesWith(QStringLiteral("Смирнова"), true), (QList<int>{3}));
}

TEST(RpSupport, FindSubstringAndListDataSets) {
    EXPECT_EQ(FindSubstring(QStringLiteral("бель"), QStringLiteral("Табель")), 3);
    EXPECT_EQ(FindSubstring(QStringLiteral("x"), QStringLiteral("Табель")), 0);
    EXPECT_EQ(FindSubstring(String(), QStringLiteral("Табель")), 0);

    TOwned<TForm> form = NewOwned<TForm>(nullptr);
    auto* a = New<TTestTableDataSet>(form.get());
    a->SetName(QStringLiteral("Smena"));
    auto* panel = New<TPanel>(form.get());
    auto* b = New<TTestTableDataSet>(panel);  // owned by a windowed control of the form
    b->SetName(QStringLiteral("Oper"));
    auto* module = New<TDataModule>(nullptr);
    auto* c = New<TTestTableDataSet>(module);
    c->SetName(QStringLiteral("Workers"));
    TOwned<TStringList> only(ListDataSets(form.get(), false));
    ASSERT_EQ(only->Count(), 2);
    EXPECT_EQ(only->Strings(0), QStringLiteral("Smena"));
    EXPECT_EQ(only->Objects(0), a);
    EXPECT_EQ(only->Strings(1), QStringLiteral("Oper"));
    TOwned<TStringList> all(ListDataSets(form.get(), true));
    EXPECT_EQ(all->IndexOf(QStringLiteral("Workers")), 2);
    EXPECT_EQ(all->Objects(2), c);
    module->Free();
}

// A form stream names the report's classes; reading it creates them.
TEST(RpSupport, FormStreamsCreateTheReportClassesByName) {
    const char* Names[] = {"TRpReport", "TRpBand", "TRpGroup", "TRpSubDetail", "TRpExpr", "TRpShape", "TRpChildBand"};
    for (const char* Name : Names) {
        TClass C = GetClass(String::fromLatin1(Name));
        ASSERT_NE(C, nullptr) << Name;
        EXPECT_EQ(C->ClassName(), String::fromLatin1(Name));
    }
    const String Text = u"object Report1: TRpReport\n"
                        u"  object Detail1: TRpBand\n"
                        u"    object Expr1: TRpExpr\n"
                        u"    end\n"
                        u"    object Shape1: TRpShape\n"
                        u"    end\n"
                        u"  end\n"
                        u"  object Child1: TRpChildBand\n"
                        u"  end\n"
                        u"end\n"_s;
    TOwned<TComponent> Root(TextToComponent(Text, nullptr));
    auto* R = dynamic_cast<TRpReport*>(Root.get());
    ASSERT_NE(R, nullptr);
    EXPECT_NE(dynamic_cast<TRpBand*>(R->FindComponent(u"Detail1"_s)), nullptr);
    EXPECT_NE(dynamic_cast<TRpExpr*>(R->FindComponent(u"Expr1"_s)), nullptr);
    EXPECT_NE(dynamic_cast<TRpShape*>(R->FindComponent(u"Shape1"_s)), nullptr);
    EXPECT_NE(dynamic_cast<TRpChildBand*>(R->FindComponent(u"Child1"_s)), nullptr);
}
