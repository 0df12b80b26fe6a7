// Frames and band backgrounds reach every output: a report exported to PDF and the same report
// printed to the "PDF file" printer show the same lines, read back with pdftoppm at one pixel per
// tenth of a millimetre; an export filter receives them as shapes.
#include "report/export/rppdffilt.h"

#include "../../support/tools.h"
#include "platform/testing/scriptedresponder.h"
#include "platform/gui/printers.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/lists.h"
#include "report/rpframe.h"
#include "report/rplabels.h"
#include "report/rppctrls.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <functional>

namespace {

using namespace Qt::StringLiterals;
using sdelka::test::RunTool;

// Records the shapes an export hands over.
class TShapeRecorder : public TRpExportFilter {
    SDELKA_CLASS(TShapeRecorder, TRpExportFilter)
public:
    TShapeRecorder() = default;
    void AcceptGraphic(Extended, Extended, TControl* C) override {
        if (auto* S = dynamic_cast<TRpShape*>(C)) {
            static const char* Names[] = {"box", "circle", "vline", "hline", "tb", "lr", "round", "ld", "rd"};
            String Kind = String::fromLatin1(Names[S->Shape()]);
            if (S->Shape() == rpsRectangle) Kind = S->Brush()->Style() == bsClear ? u"outline"_s : u"fill"_s;
            Shapes << Kind;
        }
    }
    QStringList Shapes;
};

// A point of the page, in tenths of a millimetre, and whether a line (or fill) covers it: a dark
// point is looked for within 6 pixels across the line, a light one must be light all round.
struct TProbe {
    int X, Y;
    bool Dark;
};

struct TFrameCase {
    const char* Name;
    std::function<void(TRpReport*, TRpBand*)> Build;
    QStringList Shapes;  // what the export hands to the filter, sorted
    std::vector<TProbe> Probes;
};

TRpLabel* AddLabel(TRpBand* Band, int L, int T, int W, int H) {
    auto* Lb = New<TRpLabel>(Band->Owner());
    Lb->SetParent(Band);
    Lb->SetAutoSize(false);
    Lb->Size()->SetUnits(Native);
    Lb->Size()->SetLeft(L);
    Lb->Size()->SetTop(T);
    Lb->Size()->SetWidth(W);
    Lb->Size()->SetHeight(H);
    return Lb;
}

void FrameAll(TRpFrame* F, int Width) {
    for (int i = 0; i < 4; ++i) F->SetSide(i, true);
    F->SetWidth(Width);
}

// The band is a title band of 300 on an A5 page with margins of 10 mm: it covers x 100..1380,
// y 100..400.
const TFrameCase Cases[] = {
    {"FramedLabel",
     [](TRpReport*, TRpBand* B) { FrameAll(AddLabel(B, 100, 100, 800, 150)->Frame(), 2); },
     {u"outline"_s},
     {{203, 275, true}, {1004, 275, true}, {600, 203, true}, {600, 354, true}, {600, 275, false}, {150, 275, false}}},
    {"LabelWithTwoSides",
     [](TRpReport*, TRpBand* B) {
         TRpLabel* L = AddLabel(B, 100, 100, 800, 150);
         L->Frame()->SetDrawLeft(true);
         L->Frame()->SetDrawBottom(true);
         L->Frame()->SetWidth(2);
     },
     {u"hline"_s, u"vline"_s},
     {{203, 275, true}, {600, 354, true}, {1004, 275, false}, {600, 203, false}}},
    {"FramedBand",
     [](TRpReport*, TRpBand* B) { FrameAll(B->Frame(), 2); },
     {u"outline"_s},
     {{103, 250, true}, {1376, 250, true}, {700, 103, true}, {700, 397, true}, {700, 250, false}}},
    {"BandBackground",
     [](TRpReport*, TRpBand* B) {
         B->TransparentBand = false;
         B->SetColor(TColor(0x808080));
     },
     {u"fill"_s},
     {{700, 250, true}, {150, 150, true}, {700, 450, false}}},
    {"GridPrintable",
     [](TRpReport*, TRpBand* B) {
         auto* G = New<TRpPGrid>(B->Owner());
         G->SetParent(B);
         G->Size()->SetUnits(Native);
         G->Size()->SetLeft(100);
         G->Size()->SetTop(50);
         G->Size()->SetWidth(900);
         G->Size()->SetHeight(200);
         G->SetColumns(3);
         G->SetRows(2);
         G->SetDrawFirstRowLine(true);
         G->Pen()->SetWidth(3);
         FrameAll(G->Frame(), 2);
     },
     {u"hline"_s, u"outline"_s, u"vline"_s, u"vline"_s},
     {{203, 250, true}, {1096, 250, true}, {650, 153, true}, {650, 346, true},  // the frame
      {500, 200, true}, {800, 200, true}, {650, 250, true},                     // the cell lines
      {350, 200, false}, {650, 200, false}, {950, 300, false}}},
    {"FrameLine",
     [](TRpReport*, TRpBand* B) {
         auto* FL = New<TRpFrameline>(B->Owner());
         FL->SetParent(B);
         // centred on the band's middle
         FL->SetBounds(B->Width() / 2 - 5, 0, 10, 20);
         FL->Frame()->SetWidth(2);
     },
     {u"vline"_s},
     {{740, 150, true}, {740, 380, true}, {400, 250, false}, {1100, 250, false}}},
};

TRpReport* BuildReport(TComponent* Root, const TFrameCase& Case) {
    TRpReport* R = NewReportOnA5(Root);
    R->SetShowProgress(false);
    TRpBand* Title = R->CreateBand(rbTitle);
    Title->SetNativeHeight(300);
    Case.Build(R, Title);
    return R;
}

QImage Render(const String& Pdf, const String& Png) {
    const auto Run = RunTool(u"pdftoppm"_s, {u"-r"_s, u"254"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, u"-png"_s,
                                             u"-singlefile"_s, Pdf, Png});
    EXPECT_EQ(Run.Code, 0) << Run.Err.toStdString();
    QImage Page(Png + u".png"_s);
    if (qEnvironmentVariableIsSet("SDELKA_KEEP_PNG")) Page.save(qEnvironmentVariable("SDELKA_KEEP_PNG") + u"-"_s + QFileInfo(Png).fileName() + u".png"_s);
    return Page;
}

// The darkest and the lightest lightness within 6 pixels of a point.
std::pair<int, int> Around(const QImage& Page, int X, int Y) {
    int Min = 255, Max = 0;
    for (int dy = -6; dy <= 6; ++dy)
        for (int dx = -6; dx <= 6; ++dx) {
            const int L = QColor(Page.pixel(std::clamp(X + dx, 0, Page.width() - 1), std::clamp(Y + dy, 0, Page.height() - 1))).lightness();
            Min = std::min(Min, L);
            Max = std::max(Max, L);
        }
    return {Min, Max};
}

void ExpectProbes(const QImage& Page, const TFrameCase& Case, const char* Output) {
    ASSERT_FALSE(Page.isNull()) << Output;
    for (const TProbe& P : Case.Probes) {
        const auto [Min, Max] = Around(Page, P.X, P.Y);
        if (P.Dark)
            EXPECT_LT(Min, 170) << Output << " at " << P.X << "," << P.Y;
        else
            EXPECT_GT(Min, 235) << Output << " at " << P.X << "," << P.Y;
    }
}

class RpFrames : public ::testing::TestWithParam<TFrameCase> {
protected:
    void SetUp() override { SetPrinter(nullptr); }  // the standard backend with its "PDF file" printer
    void TearDown() override { SetPrinter(nullptr); }
};

}  // namespace

TEST_P(RpFrames, ExportAndPrinterGiveTheSameLines) {
    const TFrameCase& Case = GetParam();
    QTemporaryDir Dir;
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* R = BuildReport(Root.get(), Case);

    // The shapes an export hands over.
    TOwned<TShapeRecorder> Recorder = NewOwned<TShapeRecorder>();
    R->ExportToFilter(Recorder.get());
    QStringList Shapes = Recorder->Shapes;
    Shapes.sort();
    EXPECT_EQ(Shapes, Case.Shapes);

    // Exported to PDF.
    const String Exported = Dir.filePath(u"export.pdf"_s);
    {
        TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(Exported);
        R->ExportToFilter(F.get());
    }
    ExpectProbes(Render(Exported, Dir.filePath(u"export"_s)), Case, "export");

    // Printed to the "PDF file" printer.
    const int Pdf = Printer()->Printers()->IndexOf(PdfFilePrinterName());
    ASSERT_GE(Pdf, 0);
    const String Printed = Dir.filePath(u"printed.pdf"_s);
    TScriptedResponder Answers;
    TResponderScope Scope(&Answers);
    Answers.AnswerPrintFile(true, Printed);
    R->ReportPrinterSettings()->SetPrinterIndex(Pdf);
    R->Print();
    ASSERT_TRUE(FileExists(Printed));
    ExpectProbes(Render(Printed, Dir.filePath(u"printed"_s)), Case, "printer");
}

INSTANTIATE_TEST_SUITE_P(Cases, RpFrames, ::testing::ValuesIn(Cases),
                         [](const auto& Info) { return std::string(Info.param.Name); });
