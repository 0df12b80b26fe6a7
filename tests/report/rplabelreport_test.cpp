#include "report/rplabelreport.h"

#include "platform/testing/memdata.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/rtl/lists.h"
#include "report/rpframe.h"
#include "report/rpgrimage.h"
#include "report/rphtmllabel.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rppages.h"
#include "report/rppctrls.h"

#include "platform/rtl/threads.h"
#include "rpprinter_support.h"
#include "support/tools.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>

#include <map>

using namespace Qt::StringLiterals;

namespace {

// One text on a page: where it starts, in page units.
struct TPlaced {
    String Text;
    int X, Y;
};

// A label sheet: a page of 2100 x (800 + margins of 100) native units in two columns, a label
// band ("DetailBand") of 100 with the record's NAME, so eight labels fit one column.
struct LabelFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpPRpReport* Report = nullptr;
    TTestTableDataSet* Data = nullptr;
    TRpBand* Detail = nullptr;

    explicit LabelFixture(int Records, int Length = 1000) {
        Report = New<TRpPRpReport>(Root.get());
        Report->SetUnits(Native);
        TRpPage* Pg = Report->Page();
        Pg->SetPaperSize(Custom);
        Pg->SetUnits(Native);
        Pg->SetWidth(2100);
        Pg->SetLength(Length);
        for (auto Set : {&TRpPage::SetLeftMargin, &TRpPage::SetRightMargin, &TRpPage::SetTopMargin,
                         &TRpPage::SetBottomMargin})
            (Pg->*Set)(100);
        Pg->SetColumns(2);
        Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"NAME"_s, ftString, 20);
        Data->CreateDataSet();
        for (int i = 1; i <= Records; ++i) Data->AppendRecord({u"R%1"_s.arg(i)});
        Data->First();
        Report->SetDataSet(Data);
        Detail = Report->CreateBand(rbDetail);
        Detail->SetName(u"DetailBand"_s);
        Detail->SetNativeHeight(100);
        Detail->Size()->SetUnits(Native);
        Detail->Size()->SetWidth(900);
        auto T = New<TRpDBText>(Root.get());
        T->SetParent(Detail);
        T->SetDataSet(Data);
        T->SetDataField(u"NAME"_s);
        T->SetBounds(0, 0, 200, 20);
    }
    TRpLabel* AddLabel(TRpCustomBand* B, const String& Text) {
        auto L = New<TRpLabel>(Root.get());
        L->SetParent(B);
        L->SetBounds(0, 0, 100, 10);
        L->SetCaption(Text);
        return L;
    }
    // The texts of every page, with their page positions.
    std::vector<std::vector<TPlaced>> Run() {
        Report->Prepare();
        std::vector<std::vector<TPlaced>> Pages;
        for (int i = 1; i <= Report->RpPrinter()->PageList()->PageCount(); ++i) Pages.push_back(PageTexts(i));
        return Pages;
    }
    // The texts of one page of the report's page printer.
    std::vector<TPlaced> PageTexts(int Number) {
        TOwned<TMetafile> Page(Report->RpPrinter()->GetPage(Number));
        std::vector<TPlaced> Texts;
        EnumEnhMetaFile(Page->Data(), [&Texts](const TEnhMetaRecord& R) {
            TEnhMetaText T;
            if (DecodeExtTextOutW(R, T)) Texts.push_back({T.Text, T.Reference.X, T.Reference.Y});
            return true;
        });
        return Texts;
    }
    int Y(int Native) { return Report->RpPrinter()->YPos(Native); }
    int X(int Native) { return Report->RpPrinter()->XPos(Native); }
};

const TPlaced* Find(const std::vector<TPlaced>& Page, const String& Text) {
    for (auto& T : Page)
        if (T.Text == Text) return &T;
    return nullptr;
}

// ---- label sheets --------------------------------------------------------------------------------

TEST(RpPRpReport, PrintingStartsAtTheFirstLabelOfTheSettingsColumnByColumn) {
    struct Case {
        int FirstLabel;
        int Column;  // of the first record
        int Slot;    // label position in that column, from 0
        bool SecondForced;
    } Cases[] = {{1, 1, 0, false}, {4, 1, 3, false}, {12, 2, 3, false}};
    for (const Case& C : Cases) {
        LabelFixture F(12);
        F.Report->LabelSettings()->SetFirstLabel(C.FirstLabel);
        // the skip bands exist from the preparation until a later operation ends the label run
        auto Pages = F.Run();
        ASSERT_FALSE(Pages.empty());
        if (C.FirstLabel > 1) {
            ASSERT_NE(F.Report->SkipLabelsBand3(), nullptr);
            EXPECT_EQ(F.Report->SkipLabelsBand2()->ForceNewColumn, C.Column > 1);
            EXPECT_EQ(F.Report->SkipLabelsBand3()->ForceNewColumn, C.SecondForced);
            EXPECT_NEAR(double(F.Report->SkipLabelsBand3()->NativeHeight()), C.Slot * 100.0, 0.5);
        } else {
            EXPECT_EQ(F.Report->SkipLabelsBand1(), nullptr);
        }
        const TPlaced* R1 = Find(Pages[0], u"R1"_s);
        ASSERT_NE(R1, nullptr) << C.FirstLabel;
        EXPECT_EQ(R1->Y, F.Y(100 + 100 * C.Slot)) << C.FirstLabel;
        // the first column starts at the left margin, the second past the page's middle
        if (C.Column == 1)
            EXPECT_EQ(R1->X, F.X(100)) << C.FirstLabel;
        else
            EXPECT_GE(R1->X, F.X(1000)) << C.FirstLabel;
        // the column fills up, then the next one starts at its top
        const int InFirst = 8 - C.Slot;
        if (C.Column == 1) {
            const TPlaced* Next = Find(Pages[0], u"R%1"_s.arg(InFirst + 1));
            ASSERT_NE(Next, nullptr);
            EXPECT_EQ(Next->Y, F.Y(100));
            EXPECT_GE(Next->X, F.X(1000));
        }
        TOwned<TRpExportFilter> Plain = NewOwned<TRpExportFilter>();
        F.Report->ExportToFilter(Plain.get());  // ends the label run
        EXPECT_EQ(F.Report->SkipLabelsBand3(), nullptr);
        EXPECT_FALSE(F.Report->ReportPrintPrepared());
    }
}

// Printed in a report thread, the sheet starts at the first label too, and the skip bands stay
// until the thread is done.
TEST(RpPRpReport, APrintInTheBackgroundStartsAtTheFirstLabelAndEndsTheLabelRunWhenDone) {
    TFakePrinterScope Device;
    LabelFixture F(12);
    F.Report->SetShowProgress(false);
    F.Report->LabelSettings()->SetFirstLabel(4);
    auto FirstText = [&Device](size_t Job) {
        TPlaced R1{String(), -1, -1};
        EnumEnhMetaFile(Device.Backend.Jobs.at(Job).Sheets.at(0), [&R1](const TEnhMetaRecord& R) {
            TEnhMetaText T;
            if (DecodeExtTextOutW(R, T) && T.Text == u"R1"_s) R1 = {T.Text, T.Reference.X, T.Reference.Y};
            return true;
        });
        return R1;
    };
    F.Report->Print();
    ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
    const TPlaced Foreground = FirstText(0);
    ASSERT_GE(Foreground.Y, 0);

    F.Report->PrintBackground();
    EXPECT_TRUE(F.Report->ReportPrintPrepared() || !F.Report->RunningInBackground());
    QElapsedTimer T;
    T.start();
    while ((F.Report->RunningInBackground() || F.Report->ReportPrintPrepared()) && T.elapsed() < 20000) {
        Application->ProcessMessages();
        CheckSynchronize(1);
    }
    EXPECT_FALSE(F.Report->RunningInBackground());
    EXPECT_FALSE(F.Report->ReportPrintPrepared());
    EXPECT_EQ(F.Report->SkipLabelsBand1(), nullptr);
    ASSERT_EQ(Device.Backend.Jobs.size(), 2u);
    EXPECT_TRUE(Device.Backend.Jobs[1].Ended);
    const TPlaced Background = FirstText(1);
    EXPECT_EQ(Background.X, Foreground.X);
    EXPECT_EQ(Background.Y, Foreground.Y);
}

// Both previews start the sheet at the first label: the modal one holds the label run until its
// window closes, the one generated in a report thread until the thread is done.
TEST(RpPRpReport, BothPreviewsStartAtTheFirstLabelAndEndTheLabelRun) {
    TFakePrinterScope Device;
    LabelFixture F(12);
    F.Report->SetShowProgress(false);
    F.Report->LabelSettings()->SetFirstLabel(4);
    // the fourth slot of the first column
    auto SlotY = [&F]() { return F.Y(100 + 100 * 3); };
    auto FirstY = [&F]() {
        for (const TPlaced& T : F.PageTexts(1))
            if (T.Text == u"R1"_s) return T.Y;
        return -1;
    };

    int ShownY = -1, ShownSlotY = -2;
    bool RunDuringPreview = false;
    F.Report->OnPreviewShowing = [&](TObject*) {
        ShownY = FirstY();
        ShownSlotY = SlotY();
        RunDuringPreview = F.Report->ReportPrintPrepared();
    };
    F.Report->PreviewModal();
    F.Report->OnPreviewShowing = nullptr;
    EXPECT_TRUE(RunDuringPreview);
    EXPECT_EQ(ShownY, ShownSlotY);
    EXPECT_FALSE(F.Report->ReportPrintPrepared());
    EXPECT_EQ(F.Report->SkipLabelsBand1(), nullptr);

    F.Report->PreviewModeless();
    QElapsedTimer T;
    T.start();
    while ((F.Report->RunningInBackground() || F.Report->ReportPrintPrepared()) && T.elapsed() < 20000) {
        Application->ProcessMessages();
        CheckSynchronize(1);
    }
    EXPECT_FALSE(F.Report->RunningInBackground());
    EXPECT_FALSE(F.Report->ReportPrintPrepared());
    EXPECT_EQ(F.Report->SkipLabelsBand1(), nullptr);
    ASSERT_NE(F.Report->RpPrinter(), nullptr);
    EXPECT_EQ(FirstY(), SlotY());
}

TEST(RpPRpReport, ABandTooHighForOneLabelSkipsNoColumnsAndDoesNotHang) {
    LabelFixture F(3);
    F.Detail->SetNativeHeight(5000);
    F.Report->LabelSettings()->SetFirstLabel(5);
    EXPECT_TRUE(F.Report->PrepareReportPrint());
    EXPECT_EQ(F.Report->LabelsPerColumn(F.Detail, nullptr), 0);
    EXPECT_FALSE(F.Report->SkipLabelsBand2()->ForceNewColumn);
    F.Report->DoneReportPrint();
    // nor does a band of no height: no label count is divided out of it, and the run ends
    F.Detail->SetNativeHeight(0);
    EXPECT_TRUE(F.Report->PrepareReportPrint());
    EXPECT_EQ(F.Report->LabelsPerColumn(F.Detail, nullptr), 0);
    EXPECT_FALSE(F.Report->SkipLabelsBand2()->ForceNewColumn);
    F.Report->DoneReportPrint();
    TOwned<TRpExportFilter> Plain = NewOwned<TRpExportFilter>();
    F.Report->ExportToFilter(Plain.get());
    // a form without a label band makes no skip bands
    F.Detail->SetName(u"Other"_s);
    EXPECT_TRUE(F.Report->PrepareReportPrint());
    EXPECT_EQ(F.Report->SkipLabelsBand1(), nullptr);
    F.Report->DoneReportPrint();
}

TEST(RpPRpReport, TheAutomaticPreparationKnowsThePageCountOnlyDuringTheRun) {
    LabelFixture F(40);
    F.Report->SetPrepareAutomatically(true);
    std::vector<int> Seen;
    F.Report->OnStartPage = [&](TObject*) { Seen.push_back(F.Report->TotalPageCount); };
    auto Filter = New<TRpExportFilter>();
    F.Report->ExportToFilter(Filter);
    Filter->Free();
    ASSERT_FALSE(Seen.empty());
    // 40 labels, 16 a page: three pages, known on every page of the real run
    EXPECT_EQ(Seen.back(), 3);
    EXPECT_EQ(F.Report->TotalPageCount, 0);
}

TEST(RpPChildBand, TheRowSpaceIsLeftOutAfterTheLastLabelOfEachColumn) {
    // printable 700: five labels of 100 with spaces of 50 fit one column
    LabelFixture F(8, 900);
    auto Space = New<TRpPChildBand>(F.Root.get());
    Space->SetName(u"RowSpace"_s);
    Space->SetParent(F.Report);
    Space->SetParentBand(F.Detail);
    Space->SetNativeHeight(50);
    F.AddLabel(Space, u"sp"_s);
    F.Report->LabelSettings()->SetFirstLabel(3);
    auto Pages = F.Run();
    ASSERT_EQ(Pages.size(), 1u);
    std::vector<int> SpaceYs;
    for (auto& T : Pages[0])
        if (T.Text == u"sp"_s && T.X < F.X(1000)) SpaceYs.push_back(T.Y);
    // first column: labels in slots 3, 4, 5; a space after the first two only
    EXPECT_EQ(Find(Pages[0], u"R1"_s)->Y, F.Y(100 + 300));
    EXPECT_EQ(SpaceYs.size(), 2u);
    int Total = 0;
    for (auto& T : Pages[0]) Total += T.Text == u"sp"_s;
    EXPECT_EQ(Total, 6);  // and four in the second column, none after its fifth label
    EXPECT_GT(Find(Pages[0], u"R4"_s)->X, F.X(1000));
    F.Report->DoneReportPrint();
}

TEST(RpPChildBand, ABandPrintsOnlyWhileItsExpressionHolds) {
    for (auto [Expr, Prints] : {std::pair{u"1=0"_s, false}, {u"'x'"_s, true}, {String(), true}}) {
        LabelFixture F(2);
        auto Child = New<TRpPChildBand>(F.Root.get());
        Child->SetParent(F.Report);
        Child->SetParentBand(F.Detail);
        Child->SetNativeHeight(50);
        Child->SetExpression(Expr);
        F.AddLabel(Child, u"child"_s);
        int Handler = 0;
        Child->BeforePrint = [&](TObject*, bool&) { ++Handler; };
        auto Pages = F.Run();
        int Printed = 0;
        for (auto& T : Pages[0]) Printed += T.Text == u"child"_s;
        EXPECT_EQ(Printed, Prints ? 2 : 0) << Expr.toStdString();
        EXPECT_EQ(Handler, Prints ? 2 : 0) << Expr.toStdString();
        EXPECT_EQ(Child->PagePrints(), Prints ? 2 : 0);
    }
}

TEST(RpPChildBand, ChangingItsHeightMovesBottomFixedAndStretchesStretchingPrintables) {
    LabelFixture F(1);
    auto Child = New<TRpPChildBand>(F.Root.get());
    Child->SetParent(F.Report);
    Child->SetParentBand(F.Detail);
    Child->SetBounds(0, 0, 300, 60);
    auto G = New<TRpPGrid>(F.Root.get());
    G->SetParent(Child);
    G->SetBounds(5, 10, 65, 30);
    G->SetFixBottomPosition(true);
    auto B = New<TRpPCheckBox>(F.Root.get());
    B->SetParent(Child);
    B->SetBounds(100, 5, 17, 17);
    B->SetStretchHeightWithBand(true);
    Child->SetBounds(0, 0, 300, 80);
    EXPECT_EQ(G->Top(), 30);
    EXPECT_EQ(B->Height(), 37);
    Child->SetBounds(0, 0, 300, 30);
    EXPECT_EQ(G->Top(), 0);
    EXPECT_EQ(B->Height(), 0);
}

// ---- the add-on printables on a real page --------------------------------------------------------

TEST(RpAddOnPrintables, AGridRuleCheckBoxesAndLinkLabelPrintToPdfInTheirPlaces) {
    LabelFixture F(1, 2970);
    F.Report->Page()->SetColumns(1);
    F.Detail->SetNativeHeight(1500);
    F.Detail->Size()->SetWidth(1900);
    auto G = New<TRpPGrid>(F.Root.get());
    G->SetParent(F.Detail);
    G->SetColumns(3);
    G->SetRows(4);
    G->SetBounds(0, 60, 600, 200);
    // the first two columns listed, the third takes the rest; the rows share the height
    TOwned<TStringList> Sizes = NewOwned<TStringList>();
    Sizes->Add(u"150"_s);
    Sizes->Add(u"250"_s);
    G->SetColumnSizes(Sizes.get());
    const char* Names[3] = {"Alpha", "Bravo", "Charlie"};
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 4; ++r) G->Cells(c, r)->Caption = u"%1%2"_s.arg(QLatin1String(Names[c])).arg(r + 1);
    G->SetFirstRowColor(clSilver);
    auto Rule = New<TRpHRule>(F.Root.get());
    Rule->SetParent(F.Detail);
    Rule->SetBounds(0, 280, 600, 10);
    int X = 0;
    for (int k = 0; k < 3; ++k) {
        auto B = New<TRpPCheckBox>(F.Root.get());
        B->SetParent(F.Detail);
        B->SetBounds(X, 300, 17, 17);
        X += 40;
        if (k == 1) B->SetChecked(false);
        if (k == 2) B->SetCheckmarkType(cmGlyph);  // no value: an empty box
    }
    auto Link = New<TRpHTMLLabel>(F.Root.get());
    Link->SetParent(F.Detail);
    Link->SetBounds(0, 340, 300, 20);
    Link->SetCaption(u"Go to the index"_s);
    Link->SetLinkText(u"index"_s);
    Link->SetLinkType(ldNameJump);
    F.Report->Prepare();
    TRpPrinter* P = F.Report->RpPrinter();
    ASSERT_EQ(P->PageList()->PageCount(), 1);

    SetPrinter(nullptr);  // the standard backend with its PDF file printer
    const int Pdf = P->Printers()->IndexOf(PdfFilePrinterName());
    ASSERT_GE(Pdf, 0);
    P->SetPrinterIndex(Pdf);
    const String File = QDir::temp().filePath(u"rppctrls_%1.pdf"_s.arg(QCoreApplication::applicationPid()));
    P->PrinterObject()->SetFileName(File);
    P->Print();
    auto PdfText = [&File](const QString& Mode) {
        return sdelka::test::ToolText(u"pdftotext"_s, {Mode, File, u"-"_s});
    };
    const QStringList Out = PdfText(u"-layout"_s).split(u'\n');
    // word boxes: the left edge of each word in points
    std::map<QString, double> Left;
    const QRegularExpression Word(uR"re(<word xMin="([0-9.]+)"[^>]*>([^<]*)</word>)re"_s);
    for (auto M = Word.globalMatch(PdfText(u"-bbox"_s)); M.hasNext();) {
        auto W = M.next();
        Left[W.captured(2)] = W.captured(1).toDouble();
    }
    QFile::remove(File);
    SetPrinter(nullptr);

    // each row on a line of its own, the three cells in column order at the same offsets
    int Rows = 0;
    std::vector<qsizetype> Offsets;
    for (const QString& Line : Out) {
        const qsizetype A = Line.indexOf(u"Alpha"_s);
        if (A < 0) continue;
        ++Rows;
        const qsizetype B = Line.indexOf(u"Bravo"_s), C = Line.indexOf(u"Charlie"_s);
        ASSERT_TRUE(A < B && B < C) << Line.toStdString();
        EXPECT_TRUE(Line.contains(u"Alpha%1"_s.arg(Rows)) && Line.contains(u"Charlie%1"_s.arg(Rows))) << Line.toStdString();
        if (Offsets.empty()) Offsets = {A, B, C};
        EXPECT_EQ((std::vector<qsizetype>{A, B, C}), Offsets) << Line.toStdString();
    }
    EXPECT_EQ(Rows, 4);
    // the listed column widths, 150 and 250 pixels, set the distances between the columns' texts
    ASSERT_TRUE(Left.count(u"Alpha1"_s) && Left.count(u"Bravo1"_s) && Left.count(u"Charlie1"_s));
    EXPECT_NEAR((Left[u"Charlie1"_s] - Left[u"Bravo1"_s]) / (Left[u"Bravo1"_s] - Left[u"Alpha1"_s]), 250.0 / 150.0, 0.05);
    EXPECT_NEAR(Left[u"Alpha3"_s], Left[u"Alpha1"_s], 0.5);
    EXPECT_TRUE(Out.join(u'\n').contains(u"Go to the index"_s));
    // the row before the link label holds no text: the rule and the boxes are graphics
}

}  // namespace
