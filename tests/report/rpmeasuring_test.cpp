// The pages of a report do not depend on how its texts are measured: one measuring context per font
// kept for the run gives the same page stream, byte for byte, as a fresh context for every measure.
#include "report/rpreport.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rppages.h"
#include "support/report_page.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// A grouped report of 120 records on A5 pages: left, right-aligned and centred fields, auto-sized
// and word-wrapped texts, money under a mask, group sums in a bold font, page numbers.
std::vector<QByteArray> MeasuredPages(bool Shared) {
    TCustomRpReport::SetSharedMeasuring(Shared);
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto Data = New<TTestTableDataSet>(Root.get());
    Data->FieldDefs()->Add(u"SHOP"_s, ftString, 40);
    Data->FieldDefs()->Add(u"NAME"_s, ftString, 60);
    Data->FieldDefs()->Add(u"QTY"_s, ftInteger);
    Data->FieldDefs()->Add(u"PRICE"_s, ftFloat);
    Data->CreateDataSet();
    for (int i = 0; i < 120; ++i)
        Data->AppendRecord({u"Участок %1"_s.arg(i / 25 + 1),
                            i % 9 == 0 ? u"Сборка узла с длинным названием, которое переносится на строки №%1"_s.arg(i)
                                       : u"Рабочий Пётр №%1"_s.arg(i * 7 % 101),
                            i % 7 + 1, (i % 13) * 12.5 + 3});
    Data->First();

    TRpReport* Report = NewReportOnA5(Root.get());
    Report->SetDataSet(Data);
    auto Place = [](TRpPrintable* P, int Left, int Width, int Height = 40) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(Left);
        P->Size()->SetTop(0);
        P->Size()->SetWidth(Width);
        P->Size()->SetHeight(Height);
    };
    auto Band = [&](TRpBandType T, int Height = 50) {
        TRpBand* B = Report->CreateBand(T);
        B->SetNativeHeight(Height);
        return B;
    };
    auto Expr = [&](TRpCustomBand* B, const QString& E, int Left, int Width, TAlignment A = taLeftJustify,
                    const QString& Mask = {}) {
        auto X = New<TRpExpr>(Root.get());
        X->SetParent(B);
        Place(X, Left, Width);
        X->SetExpression(E);
        X->SetAlignment(A);
        X->SetMask(Mask);
        return X;
    };
    auto Title = New<TRpLabel>(Root.get());
    TRpBand* Header = Band(rbPageHeader);
    Title->SetParent(Header);
    Place(Title, 0, 1280);
    Title->SetAlignment(taCenter);
    Title->SetCaption(u"Выработка по участкам"_s);
    auto G = New<TRpGroup>(Root.get());
    G->SetParent(Report);
    G->SetNativeHeight(50);
    G->SetExpression(u"SHOP"_s);
    Expr(G, u"SHOP"_s, 0, 600);
    TRpBand* D = Band(rbDetail);
    auto Name = New<TRpDBText>(Root.get());
    Name->SetParent(D);
    Place(Name, 0, 500);
    Name->SetAutoSize(false);
    Name->SetWordWrap(true);
    Name->SetAutoStretch(true);
    Name->SetDataSet(Data);
    Name->SetDataField(u"NAME"_s);
    Expr(D, u"QTY"_s, 520, 150, taRightJustify);
    Expr(D, u"PRICE"_s, 690, 250, taCenter, u"#,##0.00"_s);
    Expr(D, u"QTY*PRICE"_s, 960, 300, taRightJustify, u"#,##0.00"_s);
    TRpBand* Foot = Band(rbGroupFooter);
    auto Sum = Expr(Foot, u"'Итого: '+FORMATNUMERIC('#,##0.00',SUM(QTY*PRICE))"_s, 500, 760, taRightJustify);
    Sum->SetResetAfterPrint(true);
    Sum->Font()->SetStyle({fsBold});
    G->SetFooterBand(Foot);
    Expr(Band(rbPageFooter), u"'Страница '+STR(PAGENUMBER)"_s, 0, 1280, taRightJustify);

    Report->Prepare();
    TRpPageList* List = Report->RpPrinter()->PageList();
    std::vector<QByteArray> R;
    for (int i = 1; i <= List->PageCount(); ++i) R.push_back(List->GetPage(i).value_or(QByteArray()));
    TCustomRpReport::SetSharedMeasuring(true);
    return R;
}

TEST(RpMeasuring, SharedMeasuringContextsLeaveThePageStreamByteForByte) {
    const std::vector<QByteArray> Reference = MeasuredPages(false);
    const std::vector<QByteArray> Shared = MeasuredPages(true);
    ASSERT_GE(Reference.size(), 3u);
    ASSERT_EQ(Shared.size(), Reference.size());
    for (size_t i = 0; i < Reference.size(); ++i) EXPECT_EQ(Shared[i], Reference[i]) << "page " << i + 1;
}

}  // namespace
