#include "platform/testing/scriptedresponder.h"
#include "report/rpreport.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/graphics.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"
#include "report/rpdbtexts.h"
#include "report/rppageinfo.h"
#include "report/rprichtext.h"
#include "report/rpevenvironment.h"
#include "report/rpexportfilter.h"
#include "report/rplabels.h"
#include "report/rppages.h"
#include "report/rpprgres.h"
#include "report/rpshapes.h"
#include "rpprinter_support.h"

#include "support/tools.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

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
        Report = NewReportOnCustomPage(Root.get());
        Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"GRP"_s, ftString, 10);
        Data->FieldDefs()->Add(u"SUB"_s, ftString, 10);
        Data->FieldDefs()->Add(u"NAME"_s, ftString, 20);
        Data->CreateDataSet();
    }
    void AddRecords(int N, int PerGroup = 1000) {
        for (int i = 1; i <= N; ++i)
            Data->AppendRecord({u"G%1"_s.arg((i - 1) / PerGroup + 1), u"S"_s, u"R%1"_s.arg(i)});
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

TEST(RpReport, EmptyDataAndOnNeedData) {
    struct Case {
        const char* Name;
        bool PrintIfEmpty;
        int NeedData;  // -1: the dataset (empty); else records given by OnNeedData
        Pages Expected;
    };
    const Case Cases[] = {
        {"empty, print if empty", true, -1, {L({u"PH", u"Title", u"D", u"Summary", u"P1"})}},
        {"empty, not printed", false, -1, {}},
        {"no data at once", true, 0, {}},
        {"three records", true, 3, {L({u"PH", u"Title", u"D", u"D", u"D", u"Summary", u"P1"})}},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(C.Name);
        ReportFixture F;
        F.Band(rbPageHeader, u"PH"_s);
        F.Band(rbTitle, u"Title"_s);
        F.Band(rbDetail, u"D"_s);
        F.Band(rbSummary, u"Summary"_s);
        F.AddExpr(F.Band(rbPageFooter, String()), u"'P'+STR(PAGENUMBER)"_s);
        F.Report->SetPrintIfEmpty(C.PrintIfEmpty);
        int Left = C.NeedData;
        if (C.NeedData < 0)
            F.Report->SetDataSet(F.Data);
        else
            F.Report->OnNeedData = [&Left](TObject*, bool& More) { More = Left-- > 0; };
        EXPECT_EQ(F.Run(), C.Expected);
    }
}

// A group without an expression is the report's header and summary: over no records it prints
// once, its totals at zero; a group over a field has nothing to print.
TEST(RpReport, EmptyDataPrintsTheWholeRunsGroupWithZeroTotals) {
    ReportFixture F;
    F.Report->SetDataSet(F.Data);
    F.Band(rbPageHeader, u"PH"_s);
    auto Group = [&F](const String& Expression, const String& Head, const String& Total) {
        auto G = New<TRpGroup>(F.Root.get());
        G->SetParent(F.Report);
        G->SetNativeHeight(100);
        G->SetExpression(Expression);
        F.AddLabel(G, Head);
        TRpBand* Foot = F.Band(rbGroupFooter, String());
        F.AddExpr(Foot, Total);
        G->SetFooterBand(Foot);
    };
    Group(String(), u"Header"_s, u"'Total '+STR(SUM(1))"_s);
    Group(u"GRP"_s, u"Group"_s, u"'Group total'"_s);
    TRpBand* Detail = F.Band(rbDetail, u"D"_s);
    Detail->BeforePrint = [&F](TObject*, bool& PrintIt) { PrintIt = !F.Data->IsEmpty(); };
    F.AddExpr(F.Band(rbPageFooter, String()), u"'P'+STR(PAGENUMBER)"_s);
    EXPECT_EQ(F.Run(), (Pages{L({u"PH", u"Header", u"Total 0", u"P1"})}));
    F.AddRecords(2);
    EXPECT_EQ(F.Run(), (Pages{L({u"PH", u"Header", u"Group", u"D", u"D", u"Group total", u"Total 2", u"P1"})}));
}

TEST(RpReport, FirstAndLastPageOptions) {
    struct Case {
        TRpReportOptions Options;
        Pages Expected;
    };
    const Case Cases[] = {
        {{LastPageFooter}, {L({u"Title", u"R1", u"R2", u"R3", u"R4", u"R5", u"R6", u"P1"}),
                            L({u"PH", u"R7", u"R8", u"Summary", u"P2"})}},
        {{FirstPageHeader}, {L({u"PH", u"Title", u"R1", u"R2", u"R3", u"R4", u"R5", u"P1"}),
                             L({u"PH", u"R6", u"R7", u"R8", u"Summary"})}},
    };
    for (const Case& C : Cases) {
        ReportFixture F;
        F.AddRecords(8);
        F.Standard();
        F.Report->Options = C.Options;
        EXPECT_EQ(F.Run(), C.Expected);
    }
}

TEST(RpReport, ThreeColumns) {
    ReportFixture F;
    F.AddRecords(20);
    F.Report->Page()->SetColumns(3);
    F.Report->Page()->SetColumnSpace(50);
    F.Standard();
    Pages P = F.Run();
    ASSERT_EQ(P.size(), 2u);
    std::vector<String> First = {u"PH"_s, u"Title"_s};
    for (int i = 1; i <= 15; ++i) First.push_back(u"R%1"_s.arg(i));
    First.push_back(u"P1"_s);
    EXPECT_EQ(P[0], First);
    EXPECT_EQ(P[1], L({u"PH", u"R16", u"R17", u"R18", u"R19", u"R20", u"Summary", u"P2"}));
}

TEST(RpReport, ForcedPageBreaksAndChildBands) {
    {
        ReportFixture F;
        F.AddRecords(3);
        F.Report->SetDataSet(F.Data);
        TRpBand* D = F.Band(rbDetail, String());
        F.AddField(D, u"NAME"_s);
        D->ForceNewPage = true;
        EXPECT_EQ(F.Run(), (Pages{L({u"R1"}), L({u"R2"}), L({u"R3"})}));
    }
    const std::pair<TCBPrintOrder, Pages> Orders[] = {
        {cboBeforeParent, {L({u"C", u"R1", u"C", u"R2"})}},
        {cboAfterParent, {L({u"R1", u"C", u"R2", u"C"})}},
        {cboBeforeAndAfter, {L({u"C", u"R1", u"C", u"C", u"R2", u"C"})}},
    };
    for (const auto& [Order, Expected] : Orders) {
        ReportFixture F;
        F.AddRecords(2);
        F.Report->SetDataSet(F.Data);
        TRpBand* D = F.Band(rbDetail, String());
        F.AddField(D, u"NAME"_s);
        D->SetHasChild(true);
        TRpChildBand* C = D->ChildBand();
        ASSERT_NE(C, nullptr);
        C->SetNativeHeight(100);
        C->PrintOrder = Order;
        F.AddLabel(C, u"C"_s);
        EXPECT_EQ(F.Run(), Expected);
    }
    // A band that its BeforePrint vetoes still has its after-child printed.
    {
        ReportFixture F;
        F.AddRecords(2);
        F.Report->SetDataSet(F.Data);
        TRpBand* D = F.Band(rbDetail, String());
        F.AddField(D, u"NAME"_s);
        D->SetHasChild(true);
        TRpChildBand* C = D->ChildBand();
        C->SetNativeHeight(100);
        F.AddLabel(C, u"C"_s);
        D->BeforePrint = [&F](TObject*, bool& PrintBand) { PrintBand = F.Data->FieldByName(u"NAME"_s)->AsString() != u"R1"_s; };
        EXPECT_EQ(F.Run(), (Pages{L({u"C", u"R2", u"C"})}));
    }
}

// A band kept on one page measures its rich text: a text taller than the room left moves the band
// whole to the next page.
TEST(RpReport, KeepOnOnePageMovesARichTextBandWhole) {
    ReportFixture F;
    F.Report->SetDataSet(F.Data);
    F.AddRecords(1);
    TRpBand* Title = F.Band(rbTitle, u"T"_s);
    Title->SetNativeHeight(600);
    TRpBand* D = F.Band(rbDetail, String());
    D->KeepOnOnePage = true;
    auto* Rich = New<TRpCustomRichText>(F.Root.get());
    Rich->SetParent(D);
    QByteArray Rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (int i = 1; i <= 12; ++i) Rtf += "Line" + QByteArray::number(i) + "\\par ";
    Rtf += "}";
    Rich->RichEdit()->LoadText(QString::fromLatin1(Rtf));
    Rich->SetAutoStretch(true);
    Rich->Size()->SetUnits(Native);
    Rich->Size()->SetWidth(1500);
    Rich->Size()->SetHeight(80);
    const Pages P = F.Run();
    ASSERT_GE(P.size(), 2u);
    EXPECT_EQ(P[0], L({u"T"}));
    EXPECT_EQ(P[1].front(), u"Line1"_s);
    EXPECT_EQ(P[1].back(), u"Line12"_s);
}

// With preview links a run keeps one link record per page (page N at index N) with the texts the
// page shows, their records, and the same again on the next run.
TEST(RpReport, PreviewLinksRecordEachPagesTexts) {
    ReportFixture F;
    F.AddRecords(10);
    F.Report->SetDataSet(F.Data);
    TRpDBText* T = F.AddField(F.Band(rbDetail, String()), u"NAME"_s);
    T->SetName(u"NameText"_s);
    T->SetActiveInPreview(true);
    F.Report->SetUsePreviewLinks(true);
    for (int Run = 0; Run < 2; ++Run) {
        const Pages P = F.Run();
        ASSERT_EQ(P.size(), 2u);
        TRpPageInfoList* Links = F.Report->PageLinkInfoList();
        ASSERT_EQ(Links->Count(), 3);
        EXPECT_EQ(Links->getPageRec(0)->linkitems->Count(), 0);
        TRpLinkPage* Second = Links->getPageRec(2);
        ASSERT_EQ(Second->linkitems->Count(), 2);
        TPageItemRec* Item = Second->getItemRec(0);
        EXPECT_EQ(Item->controlname, u"NameText"_s);
        EXPECT_EQ(Item->textcontent, u"R9"_s);
        EXPECT_EQ(Item->recordnumber, 8);
        EXPECT_EQ(Links->getPageRec(1)->linkitems->Count(), 8);
    }
}

TEST(RpReport, NestedGroupsCloseInnerFirst) {
    ReportFixture F;
    F.Report->Page()->SetLength(3000);
    const char16_t* Rows[][3] = {{u"A", u"x", u"R1"}, {u"A", u"x", u"R2"}, {u"A", u"y", u"R3"}, {u"B", u"y", u"R4"}};
    for (auto& R : Rows) F.Data->AppendRecord({String::fromUtf16(R[0]), String::fromUtf16(R[1]), String::fromUtf16(R[2])});
    F.Data->First();
    F.Report->SetDataSet(F.Data);
    auto Group = [&F](const String& Field) {
        auto G = New<TRpGroup>(F.Root.get());
        G->SetParent(F.Report);
        G->SetNativeHeight(100);
        G->SetExpression(Field);
        F.AddExpr(G, u"'H'+"_s + Field);
        TRpBand* Foot = F.Band(rbGroupFooter, String());
        F.AddExpr(Foot, u"'F'+"_s + Field);
        G->SetFooterBand(Foot);
        return G;
    };
    Group(u"GRP"_s);
    Group(u"SUB"_s);
    F.AddField(F.Band(rbDetail, String()), u"NAME"_s);
    EXPECT_EQ(F.Run(), (Pages{L({u"HA", u"Hx", u"R1", u"R2", u"Fx", u"Hy", u"R3", u"Fy", u"FA", u"HB", u"Hy",
                                 u"R4", u"Fy", u"FB"})}));
}

TEST(RpReport, GroupHeaderReprintedOnNewPage) {
    ReportFixture F;
    F.AddRecords(8);
    F.Report->SetDataSet(F.Data);
    F.Band(rbPageHeader, u"PH"_s);
    auto G = New<TRpGroup>(F.Root.get());
    G->SetParent(F.Report);
    G->SetNativeHeight(100);
    G->SetExpression(u"GRP"_s);
    G->ReprintOnNewPage = true;
    F.AddExpr(G, u"'H'+GRP"_s);
    F.AddField(F.Band(rbDetail, String()), u"NAME"_s);
    TRpBand* Foot = F.Band(rbGroupFooter, String());
    F.AddExpr(Foot, u"'F'+GRP"_s);
    G->SetFooterBand(Foot);
    // no page footer: six records fit below the header on the first page
    EXPECT_EQ(F.Run(), (Pages{L({u"PH", u"HG1", u"R1", u"R2", u"R3", u"R4", u"R5", u"R6"}),
                              L({u"PH", u"HG1", u"R7", u"R8", u"FG1"})}));
}

TEST(RpReport, SubDetailRunsPerMasterRecord) {
    ReportFixture F;
    F.AddRecords(2);
    F.Report->SetDataSet(F.Data);
    F.AddField(F.Band(rbDetail, String()), u"NAME"_s);
    auto Lines = New<TTestTableDataSet>(F.Root.get());
    Lines->SetName(u"LINES"_s);
    Lines->FieldDefs()->Add(u"LINE"_s, ftString, 10);
    Lines->CreateDataSet();
    Lines->AppendRecord({u"L1"_s});
    Lines->AppendRecord({u"L2"_s});
    auto Sub = New<TRpSubDetail>(F.Root.get());
    Sub->SetParent(F.Report);
    Sub->SetNativeHeight(100);
    Sub->SetDataSet(Lines);
    auto T = New<TRpDBText>(F.Root.get());
    T->SetParent(Sub);
    ReportFixture::Place(T);
    T->SetDataSet(Lines);
    T->SetDataField(u"LINE"_s);
    EXPECT_EQ(F.Run(), (Pages{L({u"R1", u"L1", u"L2", u"R2", u"L1", u"L2"})}));
    // the band switches make a header and a footer around each record's lines, and take them away
    Sub->Bands()->SetHasHeader(true);
    Sub->Bands()->SetHasFooter(true);
    ASSERT_TRUE(Sub->Bands()->HasHeader() && Sub->Bands()->HasFooter());
    EXPECT_EQ(Sub->HeaderBand()->BandType(), rbGroupHeader);
    EXPECT_EQ(Sub->FooterBand()->BandType(), rbGroupFooter);
    Sub->HeaderBand()->SetNativeHeight(100);
    Sub->FooterBand()->SetNativeHeight(100);
    F.AddLabel(Sub->HeaderBand(), u"H"_s);
    F.AddLabel(Sub->FooterBand(), u"F"_s);
    EXPECT_EQ(F.Run(), (Pages{L({u"R1", u"H", u"L1", u"L2", u"F", u"R2", u"H", u"L1"}), L({u"L2", u"F"})}));
    Sub->Bands()->SetHasHeader(false);
    Sub->Bands()->SetHasFooter(false);
    EXPECT_FALSE(Sub->Bands()->HasHeader() || Sub->Bands()->HasFooter());
    EXPECT_EQ(F.Run(), (Pages{L({u"R1", u"L1", u"L2", u"R2", u"L1", u"L2"})}));
    // an empty sub-detail that is not printed when empty prints nothing for its master records
    Lines->First();
    while (!Lines->Eof()) Lines->Delete();
    Sub->SetPrintIfEmpty(false);
    EXPECT_EQ(F.Run(), (Pages{L({u"R1", u"R2"})}));
}

TEST(RpReport, AStretchingMemoContinuesOnTheNextPages) {
    ReportFixture F;
    TRpBand* D = F.Band(rbDetail, String());
    auto M = New<TRpMemo>(F.Root.get());
    M->SetParent(D);
    ReportFixture::Place(M);
    M->SetAutoStretch(true);
    for (int i = 1; i <= 60; ++i) M->Lines()->Add(u"Line%1"_s.arg(i));
    F.Band(rbSummary, u"Summary"_s);
    const Pages P = F.Run();
    EXPECT_GT(P.size(), 1u);
    std::vector<String> All;
    for (const auto& Page : P) All.insert(All.end(), Page.begin(), Page.end());
    ASSERT_EQ(All.size(), 61u);
    for (int i = 1; i <= 60; ++i) EXPECT_EQ(All[size_t(i - 1)], u"Line%1"_s.arg(i));
    EXPECT_EQ(All.back(), u"Summary"_s);
}

TEST(RpReport, ALineTallerThanThePageDoesNotMakePagesWithoutEnd) {
    ReportFixture F;
    TRpBand* D = F.Band(rbDetail, String());
    auto M = New<TRpMemo>(F.Root.get());
    M->SetParent(D);
    ReportFixture::Place(M);
    M->SetAutoStretch(true);
    M->Font()->SetSize(400);
    M->Lines()->Add(u"Huge"_s);
    M->Lines()->Add(u"Huge"_s);
    const Pages P = F.Run();
    EXPECT_LE(P.size(), 3u);
    EXPECT_TRUE(F.Report->Available());
}

// Records the calls an export run makes.
class TRecordingFilter : public TRpExportFilter {
    SDELKA_CLASS(TRecordingFilter, TRpExportFilter)
public:
    TRecordingFilter() = default;
    void Start(int W, int H, TFont* Font) override {
        TRpExportFilter::Start(W, H, Font);
        Calls += u"Start "_s;
    }
    void EndPage() override { Calls += u"EndPage "_s; }
    void NewPage() override { Calls += u"NewPage "_s; }
    void Finish() override {
        TRpExportFilter::Finish();
        Calls += u"Finish"_s;
    }
    void AcceptGraphic(Extended X, Extended Y, TControl* C) override {
        Graphics += u"%1@%2,%3:%4x%5 "_s.arg(C->ClassName()).arg(double(X)).arg(double(Y)).arg(C->Width()).arg(C->Height());
    }
    String Calls;
    String Graphics;
};

TEST(RpReport, AnExportRunCallsTheFilterInOrderAndKeepsNoPages) {
    ReportFixture F;
    F.AddRecords(8);
    F.Standard();
    auto Filter = NewOwned<TRecordingFilter>();
    F.Report->ExportToFilter(Filter.get());
    EXPECT_EQ(Filter->Calls, u"Start EndPage NewPage EndPage NewPage EndPage Finish"_s);
    EXPECT_EQ(F.Report->RpPrinter(), nullptr);
    EXPECT_FALSE(F.Report->Exporting());
    EXPECT_TRUE(F.Report->FinalPass());
}

TEST(RpReport, BandOrderAndNames) {
    ReportFixture F;
    TRpBand* Footer = F.Band(rbPageFooter, String());
    TRpBand* Detail = F.Band(rbDetail, String());
    auto G = New<TRpGroup>(F.Root.get());
    G->SetParent(F.Report);
    TRpBand* GF = F.Band(rbGroupFooter, String());
    G->SetFooterBand(GF);
    TRpBand* Col = F.Band(rbColumnHeader, String());
    TRpBand* Title = F.Band(rbTitle, String());
    TRpBand* PH = F.Band(rbPageHeader, String());
    Detail->SetHasChild(true);
    TRpChildBand* Child = Detail->ChildBand();
    auto Order = [&F] {
        std::vector<TRpCustomBand*> R;
        for (int i = 0; i < F.Report->BandList()->Count(); ++i)
            R.push_back(static_cast<TRpCustomBand*>(F.Report->BandList()->Items(i)));
        return R;
    };
    EXPECT_EQ(Order(), (std::vector<TRpCustomBand*>{PH, Title, Col, G, Detail, Child, GF, Footer}));
    F.Report->RotateBands = 1;
    F.Report->RebuildBandList();
    EXPECT_EQ(Order(), (std::vector<TRpCustomBand*>{Title, Col, G, Detail, Child, GF, Footer, PH}));
    EXPECT_EQ(Detail->Name(), u"DetailBand1"_s);
    EXPECT_EQ(F.Report->CreateBand(rbDetail)->Name(), u"DetailBand2"_s);
}

TEST(RpReport, DefaultsSwitchesAndZoom) {
    ReportFixture F;
    TRpReport* R = F.Report;
    EXPECT_TRUE(R->Options == (TRpReportOptions{FirstPageHeader, LastPageFooter}));
    EXPECT_TRUE(R->PrintIfEmpty());
    EXPECT_EQ(R->Zoom(), 100);
    ASSERT_EQ(R->Functions()->Count(), 3);
    EXPECT_EQ(R->Functions()->Strings(0), u"PAGENUMBER"_s);
    EXPECT_EQ(R->Functions()->Strings(1), u"COLUMNNUMBER"_s);
    EXPECT_EQ(R->Functions()->Strings(2), u"REPORTTITLE"_s);
    for (int Z : {0, -5, 301}) {
        R->SetZoom(Z);
        EXPECT_EQ(R->Zoom(), 100) << Z;
    }
    R->SetZoom(300);
    EXPECT_EQ(R->Zoom(), 300);

    R->Bands()->SetHasTitle(true);
    R->Bands()->SetHasTitle(true);
    int Titles = 0;
    for (int i = 0; i < R->BandList()->Count(); ++i)
        Titles += static_cast<TRpCustomBand*>(R->BandList()->Items(i))->BandType() == rbTitle;
    EXPECT_EQ(Titles, 1);
    EXPECT_NE(R->Bands()->GetBand(1), nullptr);
    EXPECT_EQ(R->Bands()->GetBand(5), nullptr);
    R->Bands()->SetHasTitle(false);
    EXPECT_FALSE(R->Bands()->HasTitle());
    EXPECT_EQ(R->BandList()->Count(), 0);
}

// A new report takes the paper the current printer holds; a paper of no known size, or a device
// that does not tell its paper, leaves the page's default.
TEST(RpReport, ANewReportTakesThePrintersCurrentPaper) {
    struct Case {
        int DevicePaper;
        bool TellsPaper;
        TRpPaperSize Expected;
        int WidthMM, LengthMM;  // 0: not checked
    } Cases[] = {
        {DMPAPER_LETTER, true, Letter, 216, 279},
        {8 /* A3 */, true, A3, 297, 420},
        {9999, true, Default, 0, 0},
        {DMPAPER_LETTER, false, Default, 0, 0},
    };
    for (const Case& C : Cases) {
        TPrinterDevice D = TFakePrinterBackend::Device(u"Fake A"_s, {DMPAPER_LETTER, 8, DMPAPER_A4, 9999});
        D.Defaults.dmPaperSize = C.DevicePaper;
        if (!C.TellsPaper) D.Fields &= ~unsigned(DM_PAPERSIZE);
        TFakePrinterScope Device({D});
        TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
        auto* R = New<TRpReport>(Root.get());
        EXPECT_EQ(R->Page()->PaperSize(), C.Expected) << C.DevicePaper;
        if (C.WidthMM) {
            R->Page()->SetUnits(MM);
            EXPECT_NEAR(double(R->Page()->Width()), C.WidthMM, 1.0) << C.DevicePaper;
            EXPECT_NEAR(double(R->Page()->Length()), C.LengthMM, 1.0) << C.DevicePaper;
        }
    }
}

TEST(RpReport, TheDesignSurfaceStacksTheBandsInsideTheMargins) {
    ReportFixture F;
    F.Report->Page()->SetColumns(2);
    TRpBand* Title = F.Band(rbTitle, String());
    TRpBand* Detail = F.Band(rbDetail, String());
    const int Margin = int(Round(100 * 96 / 254.0));  // 100 native units at 96 pixels per inch
    EXPECT_NEAR(F.Report->Width(), 2100 * 96 / 254.0, 1);
    EXPECT_EQ(Title->Top(), Margin);
    EXPECT_EQ(Title->Left(), Margin);
    EXPECT_EQ(Detail->Top(), Title->Top() + Title->Height());
    const int Inner = F.Report->Width() - int(Round(200 * 96 / 254.0));
    EXPECT_EQ(Title->Width(), Inner);       // page-wide bands span the page
    EXPECT_EQ(Detail->Width(), Inner / 2);  // detail bands one column
}

// A band's height lives in its size: bounds set from code or by the designer go through the size,
// the width stays the report's, and the bands below move with every change of height.
TEST(RpReport, ABandsHeightGoesThroughItsSizeAndTheBandsBelowFollow) {
    ReportFixture F;
    TRpBand* Title = F.Band(rbTitle, String());
    TRpBand* Detail = F.Band(rbDetail, String());
    const int Width = Title->Width();
    Title->SetBounds(Title->Left(), Title->Top(), Width + 50, 80);
    EXPECT_EQ(Title->Height(), 80);
    EXPECT_EQ(Title->Width(), Width);
    EXPECT_NEAR(double(Title->NativeHeight()), 80 * 254 / 96.0, 1.0);
    EXPECT_EQ(Detail->Top(), Title->Top() + 80);
    Title->SetNativeHeight(300);
    EXPECT_EQ(Title->Height(), int(Round(300 * 96 / 254.0)));
    EXPECT_EQ(Detail->Top(), Title->Top() + Title->Height());

    // a printable added from code goes right of the rightmost one, owned with the band
    auto* First = static_cast<TRpLabel*>(Detail->AddPrintable(TRpLabel::StaticClass()));
    ASSERT_NE(First, nullptr);
    EXPECT_EQ(First->Parent(), Detail);
    EXPECT_EQ(First->Owner(), Detail->Owner());
    EXPECT_EQ(First->Left(), 1);
    First->SetBounds(40, 0, 30, 10);
    auto* Near = F.AddLabel(Detail, u"x"_s);
    Near->SetBounds(5, 0, 20, 10);
    TRpPrintable* Next = Detail->AddPrintable(TRpShape::StaticClass());
    ASSERT_NE(dynamic_cast<TRpShape*>(Next), nullptr);
    EXPECT_EQ(Next->Left(), 40 + 30 + 10);
    EXPECT_EQ(Detail->AddPrintable(TRpBand::StaticClass()), nullptr);
}

// While a band loads, only a height other than the default 40 pixels is kept; once loaded, a
// band whose size still gives 40 takes it, and its size follows.
TEST(RpReport, ALoadedBandTakesTheHeightSeenWhileLoading) {
    for (int H : {80, 40}) {
        TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
        auto* B = New<TRpBand>(Root.get());
        B->SetBounds(0, 0, 100, 40);  // the size of 40 pixels that a stream without a height gives
        B->SetLoading(true);
        B->SetBounds(3, 4, 500, H);
        EXPECT_EQ(B->Height(), 40);
        EXPECT_EQ(B->Left(), 0);
        B->SetLoading(false);
        B->Loaded();
        EXPECT_EQ(B->Height(), H);
        EXPECT_NEAR(double(B->NativeHeight()), H * 254 / 96.0, 1.0) << H;
    }
}

TEST(RpReport, AFailedRunLeavesTheReportUsable) {
    ReportFixture F;
    F.AddRecords(3);
    F.Standard();
    TRpCustomBand* D = F.Report->FirstBand(rbDetail);
    bool Fail = true;
    D->BeforePrint = [&Fail](TObject*, bool&) {
        if (Fail) throw Exception(u"broken"_s);
    };
    EXPECT_THROW(F.Report->Prepare(), Exception);
    EXPECT_TRUE(F.Report->Available());
    Fail = false;
    EXPECT_EQ(F.Run().size(), 1u);
}

TEST(RpReport, CircularLinksAreRefused) {
    ReportFixture F;
    TRpBand* A = F.Band(rbDetail, String());
    TRpBand* B = F.Band(rbGroupHeader, String());
    A->SetLinkBand(B);
    B->SetLinkBand(A);
    EXPECT_EQ(B->LinkBand(), nullptr);
    auto S1 = New<TRpSubDetail>(F.Root.get());
    S1->SetParent(F.Report);
    auto S2 = New<TRpSubDetail>(F.Root.get());
    S2->SetParent(F.Report);
    S2->SetMaster(S1);
    S1->SetMaster(S2);
    EXPECT_EQ(S1->Master(), F.Report);
}

TEST(RpReport, AThousandGroupedRecordsPrintToPdfOnceInOrderWithTotals) {
    ReportFixture F;
    F.Report->Page()->SetLength(2970);
    F.Data->Close();
    F.Data->FieldDefs()->Add(u"QTY"_s, ftInteger);
    F.Data->CreateDataSet();
    for (int i = 1; i <= 1000; ++i)
        F.Data->AppendRecord({u"G%1"_s.arg((i - 1) / 100 + 1, 2, 10, QChar(u'0')), u"S"_s, u"Rec%1"_s.arg(i, 4, 10, QChar(u'0')), 1});
    F.Data->First();
    F.Report->SetDataSet(F.Data);
    auto G = New<TRpGroup>(F.Root.get());
    G->SetParent(F.Report);
    G->SetNativeHeight(100);
    G->SetExpression(u"GRP"_s);
    F.AddExpr(G, u"'Group '+GRP"_s);
    F.AddField(F.Band(rbDetail, String()), u"NAME"_s);
    TRpBand* Foot = F.Band(rbGroupFooter, String());
    TRpExpr* Total = F.AddExpr(Foot, u"'Total '+GRP+' '+STR(SUM(QTY))"_s);
    Total->SetResetAfterPrint(true);
    G->SetFooterBand(Foot);
    F.Report->Prepare();
    TRpPrinter* P = F.Report->RpPrinter();
    ASSERT_GT(P->PageList()->PageCount(), 30);

    SetPrinter(nullptr);  // the standard backend with its PDF file printer
    const int Pdf = P->Printers()->IndexOf(PdfFilePrinterName());
    ASSERT_GE(Pdf, 0);
    P->SetPrinterIndex(Pdf);
    const String File = QDir::temp().filePath(u"rpreport_%1.pdf"_s.arg(QCoreApplication::applicationPid()));
    P->PrinterObject()->SetFileName(File);
    P->Print();
    const QStringList Lines = sdelka::test::ToolText(u"pdftotext"_s, {u"-layout"_s, File, u"-"_s}, 120000).split(u'\n');
    QFile::remove(File);
    SetPrinter(nullptr);
    int Next = 1, Group = 1;
    bool TotalsOk = true;
    for (QString Line : Lines) {
        Line = Line.trimmed();
        if (Line.startsWith(u"Rec"_s)) {
            EXPECT_EQ(Line, u"Rec%1"_s.arg(Next, 4, 10, QChar(u'0')));
            ++Next;
        } else if (Line.startsWith(u"Total"_s)) {
            TotalsOk = TotalsOk && Line == u"Total G%1 100"_s.arg(Group, 2, 10, QChar(u'0')) && Next == Group * 100 + 1;
            ++Group;
        }
    }
    EXPECT_EQ(Next, 1001);
    EXPECT_EQ(Group, 11);
    EXPECT_TRUE(TotalsOk);
}


// ---- runs: where they stop, what they refuse, what a zoom changes ---------------------------------

TEST(RpReport, PagesInPreviewStopsTheDataLoopOnceThePagePasses) {
    ReportFixture F;
    F.AddRecords(250);
    F.Standard();
    F.Report->PagesInPreview = 2;
    const Pages P = F.Run();
    // page 1: title and R1..R5, page 2: R6..R11; R12 begins page 3 and the loop stops there
    ASSERT_EQ(P.size(), 3u);
    EXPECT_EQ(P[2], L({u"PH", u"R12", u"Summary", u"P3"}));
    for (const auto& Page : P)
        for (const String& T : Page) EXPECT_NE(T, u"R13"_s);
    F.Report->PagesInPreview = 0;
    EXPECT_GT(F.Run().size(), 40u);
}

TEST(RpReport, ASecondRunWhileOneIsGoingOnIsRefusedAndLeavesTheFirstAlone) {
    ReportFixture A, B;
    A.AddRecords(10);
    A.Standard();
    B.AddRecords(2);
    B.Standard();
    const Pages Alone = A.Run();
    ASSERT_EQ(Alone.size(), 2u);

    String Refusal;
    bool BAvailableDuring = false;
    A.Report->FirstBand(rbDetail)->BeforePrint = [&](TObject*, bool&) {
        if (!Refusal.isEmpty()) return;
        try {
            B.Report->Prepare();
            Refusal = u"none"_s;
        } catch (const ERpError& E) {
            Refusal = E.Message();
        }
        BAvailableDuring = B.Report->Available();
    };
    // the refused run changes nothing of the one going on: same pages, same texts
    EXPECT_EQ(A.Run(), Alone);
    EXPECT_EQ(Refusal, u"Another report is being generated"_s);
    EXPECT_TRUE(BAvailableDuring);
    // once the first run ended the second one runs
    EXPECT_EQ(B.Run().size(), 1u);
}

TEST(RpReport, ADetailGoesToTheNextPageWhenItsLinkedBandWouldNotFitWithIt) {
    ReportFixture F;
    F.AddRecords(8);
    F.Report->SetDataSet(F.Data);
    F.AddField(F.Band(rbDetail, String()), u"NAME"_s);
    // the detail must share its page with the summary: 100 + 300 of the 800 a page holds
    TRpBand* Sum = F.Band(rbSummary, u"Summary"_s);
    Sum->SetNativeHeight(300);
    F.Report->FirstBand(rbDetail)->SetLinkBand(Sum);
    // five details leave 300 on page 1 for a linked height of 400: R6 starts page 2
    EXPECT_EQ(F.Run(), (Pages{L({u"R1", u"R2", u"R3", u"R4", u"R5"}), L({u"R6", u"R7", u"R8", u"Summary"})}));
    // without the link all eight fill page 1
    F.Report->FirstBand(rbDetail)->SetLinkBand(nullptr);
    EXPECT_EQ(F.Run().front().size(), 8u);
}

TEST(RpReport, PrintingWithoutAPrinterOrAStartedJobIsReportedAndKeepsThePages) {
    ReportFixture F;
    F.AddRecords(3);
    F.Standard();
    F.Report->Prepare();
    TRpPrinter* Prepared = F.Report->RpPrinter();
    {
        TFakePrinterScope None(std::vector<TPrinterDevice>{});
        try {
            F.Report->Print();
            ADD_FAILURE() << "no printer, no failure";
        } catch (const ERpError& E) {
            EXPECT_EQ(E.Message(), u"No printer is installed"_s);
        }
        EXPECT_EQ(F.Report->RpPrinter(), Prepared);
        EXPECT_TRUE(F.Report->Available());
    }
    {
        TFakePrinterScope Refusing;
        Refusing.Backend.RefuseJobs = true;
        EXPECT_THROW(F.Report->Print(), Exception);
        EXPECT_EQ(F.Report->RpPrinter(), Prepared);
        EXPECT_TRUE(F.Report->Available());
        EXPECT_TRUE(Refusing.Backend.Jobs.empty() || !Refusing.Backend.Jobs.back().Ended);
    }
    {
        TFakePrinterScope Device;
        F.Report->Print();
        ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
        const auto& Job = Device.Backend.Jobs[0];
        EXPECT_TRUE(Job.Ended);
        ASSERT_EQ(Job.Sheets.size(), 1u);
        EXPECT_TRUE(MetafileTexts(Job.Sheets[0]).contains(u"R3"_s));
    }
    EXPECT_EQ(F.Report->RpPrinter(), Prepared);
    EXPECT_EQ(Prepared->PageList()->PageCount(), 1);
}


TEST(RpReport, AnExportHandledByTheReportsOwnHandlerGeneratesNothing) {
    ReportFixture F;
    F.AddRecords(3);
    F.Standard();
    F.Report->Prepare();
    TRpPrinter* Prepared = F.Report->RpPrinter();
    bool Handle = true;
    int Asked = 0;
    F.Report->OnExport = [&](TObject* Sender, bool& Handled) {
        EXPECT_EQ(Sender, F.Report);
        ++Asked;
        Handled = Handle;
    };
    auto Filter = NewOwned<TRecordingFilter>();
    F.Report->ExportToFilter(Filter.get());
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(Filter->Calls, String());
    EXPECT_EQ(F.Report->RpPrinter(), Prepared);
    Handle = false;
    F.Report->ExportToFilter(Filter.get());
    EXPECT_EQ(Asked, 2);
    EXPECT_EQ(Filter->Calls, u"Start EndPage NewPage EndPage Finish"_s);
}

TEST(RpReport, TheBackgroundColourAndPictureComeFirstOnEveryPageAndGoToTheFilter) {
    ReportFixture F;
    F.AddRecords(8);
    F.Standard();
    auto Pic = New<TRpImage>(F.Root.get());
    Pic->SetParent(F.Report);
    Pic->SetName(u"Watermark"_s);
    Pic->Size()->SetUnits(Native);
    Pic->Size()->SetLeft(500);
    Pic->Size()->SetTop(300);
    Pic->Size()->SetWidth(400);
    Pic->Size()->SetHeight(200);
    TOwned<TBitmap> B = NewOwned<TBitmap>();
    B->SetPixelFormat(pf24bit);
    B->SetSize(8, 4);
    B->Canvas()->Brush()->SetColor(clRed);
    B->Canvas()->FillRect(TRect(0, 0, 8, 4));
    Pic->Picture()->SetGraphic(B.get());
    F.Report->BackImageControl = u"Watermark"_s;
    F.Report->BackgroundColor = TColor(0xE0FFFF);

    // On the pages the picture is drawn before any text, once a page.
    F.Report->Prepare();
    TRpPrinter* P = F.Report->RpPrinter();
    ASSERT_EQ(P->PageList()->PageCount(), 2);
    for (int i = 1; i <= 2; ++i) {
        TOwned<TMetafile> Page(P->GetPage(i));
        int Pictures = 0, TextsBefore = 0, Texts = 0;
        EnumEnhMetaFile(Page->Data(), [&](const TEnhMetaRecord& R) {
            if (R.Type == EMR_STRETCHDIBITS || R.Type == EMR_BITBLT) {
                ++Pictures;
                TextsBefore = Texts;
            }
            if (R.Type == EMR_EXTTEXTOUTW) ++Texts;
            return true;
        });
        EXPECT_EQ(Pictures, 1) << i;
        EXPECT_EQ(TextsBefore, 0) << i;
        EXPECT_GT(Texts, 0) << i;
    }

    // An export gets the page's colour as a shape of the whole page, then the picture, on every page.
    auto Filter = NewOwned<TRecordingFilter>();
    F.Report->ExportToFilter(Filter.get());
    const String Sheet = u"TRpShape@0,0:%1x%2 "_s.arg(int(Round(2100 * P->XFactor()))).arg(int(Round(1000 * P->YFactor())));
    const String Back = Sheet + u"TRpImage@%1,%2:"_s.arg(P->XPos(500)).arg(P->YPos(300));
    EXPECT_EQ(Filter->Graphics.count(Back), 2) << Filter->Graphics.toStdString();
    EXPECT_TRUE(Filter->Graphics.startsWith(Sheet)) << Filter->Graphics.toStdString();
    EXPECT_EQ(Filter->Graphics.count(u"TRpImage"_s), 2) << Filter->Graphics.toStdString();
}


TEST(RpReport, APreviewThatFailsTellsTheUserAndLeavesTheReportUsable) {
    ReportFixture F;
    F.AddRecords(3);
    F.Standard();
    bool Fail = true;
    F.Report->FirstBand(rbDetail)->BeforePrint = [&Fail](TObject*, bool&) {
        if (Fail) throw Exception(u"Поле не найдено"_s);
    };
    TScriptedResponder Responder;
    TResponderScope Scope(&Responder);
    F.Report->Preview();
    ASSERT_GT(Responder.CallCount(), 0);
    EXPECT_EQ(Responder.LastCall().Text, u"Поле не найдено"_s);
    EXPECT_EQ(F.Report->RpPrinter(), nullptr);
    EXPECT_TRUE(F.Report->Available());
    Fail = false;
    EXPECT_EQ(F.Run().size(), 1u);
}

TEST(RpReport, ThePreviewControllerIsReferredToNotOwned) {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto C = New<TRpPreviewController>(Root.get());
    auto R = New<TRpReport>(Root.get());
    R->SetPreviewController(C);
    EXPECT_EQ(R->PreviewController(), C);
    R->Free();  // the controller stays, and forgets the report
    ASSERT_EQ(Root->ComponentCount(), 1);
    EXPECT_EQ(Root->Components(0), C);
    C->ShowThumbs = false;
    R = New<TRpReport>(Root.get());
    R->SetPreviewController(C);
    C->Free();  // the report lets go of a controller that goes away
    EXPECT_EQ(R->PreviewController(), nullptr);
}


TEST(RpReport, AnExportShowsAProgressWindowThatCancelsTheRun) {
    ReportFixture F;
    F.AddRecords(30);  // six pages
    F.Standard();
    auto Windows = [] {
        std::vector<TRpProgressForm*> R;
        for (int i = 0; i < Screen->FormCount(); ++i)
            if (auto P = dynamic_cast<TRpProgressForm*>(Screen->Forms(i))) R.push_back(P);
        return R;
    };
    std::vector<String> Seen;
    int Record = 0, CancelAt = 0;
    F.Report->FirstBand(rbDetail)->BeforePrint = [&](TObject*, bool&) {
        ++Record;
        for (TRpProgressForm* P : Windows()) {
            if (!P->Visible() || P->FRpPrinter != F.Report->RpPrinter()) continue;
            if (Record == 1) Seen.push_back(P->Caption());
            if (Record == CancelAt) P->CancelButtonClick(nullptr);
        }
    };
    auto Run = [&] {
        Record = 0;
        Seen.clear();
        auto Filter = NewOwned<TRecordingFilter>();
        F.Report->ExportToFilter(Filter.get());
        EXPECT_TRUE(Windows().empty());
        EXPECT_TRUE(F.Report->Available());
        return Filter->Calls.count(u"NewPage"_s);
    };
    EXPECT_EQ(Run(), 6);
    EXPECT_EQ(Seen, std::vector<String>{u"Export Progress"_s});

    // the window's cancel button stops the run on the second page
    CancelAt = 8;
    EXPECT_LT(Run(), 6);
    EXPECT_LE(Record, 9);

    CancelAt = 0;
    F.Report->SetShowProgress(false);
    EXPECT_EQ(Run(), 6);
    EXPECT_TRUE(Seen.empty());
}

} // namespace

TEST(RpReport, AControllerReadFromAComponentStreamBelongsToItsOwner) {
    RegisterClassesOf<TComponent, TRpController>();
    TStringStream ts(QStringLiteral("object Root: TComponent\n  object Ctl: TRpController\n  end\nend\n"));
    TMemoryStream bin;
    ObjectTextToBinary(&ts, &bin);
    bin.SetPosition(0);
    TOwned<TComponent> root = NewOwned<TComponent>(nullptr);
    TReader r(&bin);
    r.ReadRootComponent(root.get());
    ASSERT_EQ(root->ComponentCount(), 1);
    auto* c = dynamic_cast<TRpController*>(root->Components(0));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Owner(), root.get());
    EXPECT_EQ(c->OrgOwner(), root.get());
    // a report's and a band's own controllers stay out of their components
    TOwned<TRpReport> report = NewOwned<TRpReport>(nullptr);
    EXPECT_EQ(report->ComponentCount(), 0);
    EXPECT_EQ(report->Controller()->OrgOwner(), report.get());
}
