#include "report/rpreport.h"

#include "platform/db/fields.h"
#include "platform/db/memdata.h"
#include "platform/gui/metafile.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rppages.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;
using Pages = std::vector<std::vector<String>>;

// A report on a small custom page (2100 × 1000 native units, margins 100): a page header, title,
// detail and summary of 100 each, and a page footer of 100 with the page number.
struct ReportFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TTestTableDataSet* Data = nullptr;

    ReportFixture() {
        Report = New<TRpReport>(Root.get());
        Report->SetUnits(Native);
        TRpPage* Pg = Report->Page();
        Pg->SetPaperSize(Custom);
        Pg->SetUnits(Native);
        Pg->SetWidth(2100);
        Pg->SetLength(1000);
        for (auto Set : {&TRpPage::SetLeftMargin, &TRpPage::SetRightMargin, &TRpPage::SetTopMargin,
                         &TRpPage::SetBottomMargin})
            (Pg->*Set)(100);
        Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"GRP"_s, ftString, 10);
        Data->FieldDefs()->Add(u"NAME"_s, ftString, 20);
        Data->CreateDataSet();
    }
    void AddRecords(int N, int PerGroup = 1000) {
        for (int i = 1; i <= N; ++i)
            Data->AppendRecord({u"G%1"_s.arg((i - 1) / PerGroup + 1), u"R%1"_s.arg(i)});
        Data->First();
    }
    TRpBand* Band(TRpBandType T, const String& Text) {
        TRpBand* B = Report->CreateBand(T);
        B->SetNativeHeight(100);
        if (!Text.isEmpty()) AddLabel(B, Text);
        return B;
    }
    TRpLabel* AddLabel(TRpCustomBand* B, const String& Text) {
        auto L = New<TRpLabel>(Root.get());
        L->SetParent(B);
        Place(L);
        L->SetCaption(Text);
        return L;
    }
    TRpDBText* AddField(TRpCustomBand* B, const String& Field) {
        auto T = New<TRpDBText>(Root.get());
        T->SetParent(B);
        Place(T);
        T->SetDataSet(Data);
        T->SetDataField(Field);
        return T;
    }
    TRpExpr* AddExpr(TRpCustomBand* B, const String& Expr) {
        auto T = New<TRpExpr>(Root.get());
        T->SetParent(B);
        Place(T);
        T->SetExpression(Expr);
        return T;
    }
    static void Place(TRpPrintable* P) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(0);
        P->Size()->SetTop(0);
        P->Size()->SetWidth(600);
        P->Size()->SetHeight(80);
    }
    // The standard layout over the dataset.
    void Standard() {
        Report->SetDataSet(Data);
        Band(rbPageHeader, u"PH"_s);
        Band(rbTitle, u"Title"_s);
        AddField(Band(rbDetail, String()), u"NAME"_s);
        Band(rbSummary, u"Summary"_s);
        AddExpr(Band(rbPageFooter, String()), u"'P'+STR(PAGENUMBER)"_s);
    }
    // Generates and reads the text records of every page.
    Pages Run() {
        Report->Prepare();
        Pages R;
        TRpPrinter* P = Report->RpPrinter();
        for (int i = 1; i <= P->PageList()->PageCount(); ++i) {
            TOwned<TMetafile> Page(P->GetPage(i));
            std::vector<String> Texts;
            EnumEnhMetaFile(Page->Data(), [&Texts](const TEnhMetaRecord& Rec) {
                TEnhMetaText T;
                if (DecodeExtTextOutW(Rec, T)) Texts.push_back(T.Text);
                return true;
            });
            R.push_back(Texts);
        }
        return R;
    }
};

std::vector<String> L(std::initializer_list<const char16_t*> S) {
    std::vector<String> R;
    for (auto s : S) R.push_back(String::fromUtf16(s));
    return R;
}

TEST(RpReport, GeneratesPagesOverADataSetAcrossAPageBreak) {
    ReportFixture F;
    F.AddRecords(8);
    F.Standard();
    Pages P = F.Run();
    ASSERT_EQ(P.size(), 2u);
    EXPECT_EQ(P[0], L({u"PH", u"Title", u"R1", u"R2", u"R3", u"R4", u"R5", u"P1"}));
    EXPECT_EQ(P[1], L({u"PH", u"R6", u"R7", u"R8", u"Summary", u"P2"}));
    EXPECT_TRUE(F.Report->Available());
}

} // namespace
