#include "report/rpcomposite.h"

#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/metafile.h"
#include "report/rperror.h"
#include "report/rplabels.h"
#include "report/rpreport.h"
#include "report/rppages.h"
#include "report/rpprev.h"
#include "report/rpprinter.h"

#include "rpprinter_support.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTimer>

#include <ctime>

namespace {

using namespace Qt::StringLiterals;

// A report stand-in: prints Rows lines of 100 native units, each "Name page N", starting a new
// page when the next line does not fit the paper length.
class TFakeMember : public TComponent, public IRpCompositeMember {
    SDELKA_CLASS(TFakeMember, TComponent)
protected:
    explicit TFakeMember(TComponent* AOwner) : TComponent(AOwner) {}
    ~TFakeMember() override = default;

public:
    TComponent* MemberComponent() override { return this; }
    void SetParentComposite(TRpCompositeReport* C) override { Composite = C; }
    void SwitchToNativeUnits() override {}
    Extended PageLength() override { return 2970; }
    Extended PageLeftMargin() override { return 100; }
    int PageColumns() override { return 1; }
    bool StartNewPageInComposite() override { return NewPageFirst; }
    void SetExportFilter(TRpExportFilter* F) override { Filter = F; }
    void SetRpPrinter(TRpPrinter* P) override { Printer = P; }
    void SetZoom(int) override {}
    int CurrentY() override { return Y; }
    void SetCurrentY(int V) override { Y = V; }
    void SetCurrentX(int) override {}
    int PageCount() override { return Pages; }
    void SetPageCount(int V) override { Pages = V; }
    int CurrentColumn() override { return Column; }
    void SetCurrentColumn(int V) override { Column = V; }
    void GenerateReport(bool) override {
        TagDuringRun = Tag();
        if (Fail) throw ERpError(u"generation failed"_s);
        for (int i = 0; i < Rows; ++i) {
            if (Y + 100 > Printer->PaperLengthValue()) {
                Printer->NewPage();
                ++Composite->GlobalPageCount;
                ++Pages;
                Y = 100;
            }
            Printer->Canvas()->TextOut(Printer->XPos(100), Printer->YPos(Y),
                                       Name() + u" page "_s + QString::number(Composite->GlobalPageCount));
            Y += 100;
        }
        if (CancelAfter) Cancelled_ = true;
    }
    void ExportComposite(TRpExportFilter*, TRpPrinter*) override {}
    void DoAfterPrint() override { ++AfterPrints; }
    bool Cancelled() override { return Cancelled_; }
    void Cancel() override { Cancelled_ = true; }

    TRpCompositeReport* Composite = nullptr;
    TRpExportFilter* Filter = nullptr;
    TRpPrinter* Printer = nullptr;
    int Y = 0, Pages = 0, Column = 0, Rows = 0, AfterPrints = 0;
    Integer TagDuringRun = 0;
    bool NewPageFirst = false, Fail = false, CancelAfter = false, Cancelled_ = false;
};

struct CompositeFixture {
    TOwned<TRpCompositeReport> Composite = NewOwned<TRpCompositeReport>(nullptr);
    TOwned<TFakeMember> A = NewOwned<TFakeMember>(nullptr);
    TOwned<TFakeMember> B = NewOwned<TFakeMember>(nullptr);
    std::vector<TObject*> Finished;
    CompositeFixture() {
        A->SetName(u"A"_s);
        B->SetName(u"B"_s);
        Composite->PrinterSettings()->SetPaperSize(A4);
        A->SetTag(7);
        B->SetTag(8);
        Composite->OnAddReports = [this](TObject*) {
            Composite->Reports()->Add(A.get());
            Composite->Reports()->Add(B.get());
        };
        Composite->OnFinished = [this](TObject* S) { Finished.push_back(S); };
    }
    std::vector<std::vector<String>> Pages() {
        std::vector<std::vector<String>> R;
        TRpPrinter* P = Composite->RpPrinter();
        for (int i = 1; i <= P->PageList()->PageCount(); ++i) {
            TOwned<TMetafile> M(P->GetPage(i));
            std::vector<String> Texts;
            EnumEnhMetaFile(M->Data(), [&](const TEnhMetaRecord& Rec) {
                TEnhMetaText T;
                if (DecodeExtTextOutW(Rec, T)) Texts.push_back(T.Text);
                return true;
            });
            R.push_back(Texts);
        }
        return R;
    }
};

TEST(RpComposite, SecondReportContinuesOnThePageAndNumberingGoesOn) {
    CompositeFixture F;
    F.A->Rows = 40;  // one full page (28 rows) and 12 on the second
    F.B->Rows = 5;
    F.Composite->Prepare();
    auto Pages = F.Pages();
    ASSERT_EQ(Pages.size(), 2u);
    EXPECT_EQ(F.Composite->PageCount(), 2);
    EXPECT_EQ(Pages[1].size(), 17u);
    EXPECT_EQ(Pages[1].back(), u"B page 2"_s);
    for (size_t p = 0; p < Pages.size(); ++p)
        for (const auto& T : Pages[p]) EXPECT_TRUE(T.endsWith(u" page "_s + QString::number(p + 1))) << T.toStdString();
    // The last report closes the document; tags are back afterwards.
    EXPECT_EQ(F.A->TagDuringRun, 7);
    EXPECT_EQ(F.B->TagDuringRun, 999);
    EXPECT_EQ(F.A->Tag(), 7);
    EXPECT_EQ(F.B->Tag(), 8);
    EXPECT_EQ(F.A->Composite, F.Composite.get());
    EXPECT_EQ(F.Finished, (std::vector<TObject*>{F.A.get(), F.B.get(), F.Composite.get()}));
    EXPECT_FALSE(F.Composite->Generating());
}

TEST(RpComposite, ReportAskingForANewPageStartsOne) {
    CompositeFixture F;
    F.A->Rows = 3;
    F.B->Rows = 3;
    F.B->NewPageFirst = true;
    F.Composite->Prepare();
    auto Pages = F.Pages();
    ASSERT_EQ(Pages.size(), 2u);
    EXPECT_EQ(Pages[1].front(), u"B page 2"_s);
}

TEST(RpComposite, FailingReportLeavesTagsAndStateRestored) {
    CompositeFixture F;
    F.A->Rows = 3;
    F.B->Fail = true;
    EXPECT_THROW(F.Composite->Prepare(), ERpError);
    EXPECT_EQ(F.B->Tag(), 8);
    EXPECT_FALSE(F.Composite->Generating());
}

TEST(RpComposite, CancelEndsTheRunAndDropsThePages) {
    CompositeFixture F;
    F.A->Rows = 3;
    F.A->CancelAfter = true;
    F.B->Rows = 3;
    F.Composite->Prepare();
    EXPECT_EQ(F.Composite->RpPrinter(), nullptr);
    EXPECT_EQ(F.B->AfterPrints, 0);
    EXPECT_EQ(F.Finished, (std::vector<TObject*>{F.Composite.get()}));
}

TEST(RpComposite, PreviewGeneratesAndLetsGoOfThePrinter) {
    CompositeFixture F;
    F.A->Rows = 3;
    F.B->Rows = 3;
    int Previews = 0;
    F.Composite->OnCompositePreview = [&](TObject* S, TObject* R, int N) {
        EXPECT_EQ(R, F.Composite.get());
        ++Previews;
    };
    F.Composite->Preview();
    EXPECT_EQ(Previews, 1);
    EXPECT_EQ(F.A->Printer != nullptr, true);
    EXPECT_EQ(F.Composite->RpPrinter(), nullptr);  // no preview window keeps it
    EXPECT_EQ(F.Composite->PageCount(), 1);
}

// The preview's wait sleeps on the message queue: an idle preview window costs the UI thread no
// processor time.
TEST(RpComposite, ThePreviewWaitsOnTheMessageQueue) {
    const TComponentClass Saved = PreviewInterfaceClass;
    RpInstallStandardPreview();
    CompositeFixture F;
    F.A->Rows = 3;
    F.B->Rows = 3;
    auto ThreadCpu = [] {
        timespec T{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &T);
        return double(T.tv_sec) * 1000 + double(T.tv_nsec) / 1e6;
    };
    double CpuStart = 0, CpuEnd = 0;
    QElapsedTimer Wall;
    qint64 WallMs = 0;
    bool Shown = false;
    QTimer::singleShot(500, [&] {
        CpuStart = ThreadCpu();
        Wall.start();
    });
    QTimer::singleShot(1300, [&] {
        CpuEnd = ThreadCpu();
        WallMs = Wall.elapsed();
        TRpPrinter* P = F.Composite->RpPrinter();
        auto* W = P ? dynamic_cast<TCustomForm*>(P->PreviewControl()) : nullptr;
        Shown = W != nullptr;
        if (W) W->Close();
    });
    F.Composite->Preview();
    PreviewInterfaceClass = Saved;
    ASSERT_TRUE(Shown);
    EXPECT_EQ(F.Composite->RpPrinter(), nullptr);
    ASSERT_GT(WallMs, 500);
    EXPECT_LT(CpuEnd - CpuStart, 0.3 * double(WallMs)) << "the UI thread spun while the preview was idle";
}

TEST(RpComposite, EmptyListOnlyAsksForReports) {
    TOwned<TRpCompositeReport> C = NewOwned<TRpCompositeReport>(nullptr);
    int Asked = 0, Finished = 0;
    C->OnAddReports = [&](TObject*) { ++Asked; };
    C->OnFinished = [&](TObject*) { ++Finished; };
    C->Print();
    EXPECT_EQ(Asked, 1);
    EXPECT_EQ(Finished, 0);
    C->Prepare();
    EXPECT_EQ(Asked, 2);
    EXPECT_EQ(Finished, 1);
    EXPECT_EQ(C->PrinterSettings()->MemoryLimit(), 250000);
    EXPECT_EQ(C->PrinterSettings()->PrintQuality(), 600);
}

}  // namespace

// ---- real reports in a composite ------------------------------------------------------------------

namespace {

// A report on A5 whose detail band of 100 prints Rows lines "<Prefix><n>" (19 a page).
struct TLinesReport {
    TRpReport* Report = nullptr;
    int Given = 0;
    TLinesReport(TComponent* Root, const String& Prefix, int Rows) {
        Report = NewReportOnA5(Root);
        Report->SetShowProgress(false);
        TRpBand* Detail = Report->CreateBand(rbDetail);
        Detail->SetNativeHeight(100);
        auto* L = New<TRpLabel>(Root);
        L->SetParent(Detail);
        L->Size()->SetUnits(Native);
        L->Size()->SetWidth(800);
        L->Size()->SetHeight(80);
        L->SetCaption(u"x"_s);
        L->OnPrint = [this, Prefix](TObject*, String& Value) { Value = Prefix + QString::number(Given); };
        Report->BeforePrint = [this](TObject*, bool&) { Given = 0; };
        Report->OnNeedData = [this, Rows](TObject*, bool& More) {
            More = Given < Rows;
            if (More) ++Given;
        };
    }
};

// Keeps the texts an export hands over.
class TTextRecorder : public TRpExportFilter {
    SDELKA_CLASS(TTextRecorder, TRpExportFilter)
public:
    TTextRecorder() = default;
    void TextOut(Extended, Extended, TFont*, TColor, TAlignment, const String& Text) override { Texts << Text; }
    QStringList Texts;
};

std::vector<QStringList> SheetTexts(const std::vector<QByteArray>& Sheets) {
    std::vector<QStringList> R;
    for (const QByteArray& S : Sheets) R.push_back(MetafileTexts(S));
    return R;
}

}  // namespace

TEST(RpComposite, TwoRealReportsPrepareAndPrintTheirPagesInOrder) {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TLinesReport A(Root.get(), u"A"_s, 25), B(Root.get(), u"B"_s, 5);
    TOwned<TRpCompositeReport> C = NewOwned<TRpCompositeReport>(nullptr);
    C->PrinterSettings()->SetPaperSize(A5);
    C->OnAddReports = [&](TObject*) {
        C->Reports()->Add(A.Report);
        C->Reports()->Add(B.Report);
    };
    QStringList Expected;
    for (int i = 1; i <= 25; ++i) Expected << u"A%1"_s.arg(i);
    for (int i = 1; i <= 5; ++i) Expected << u"B%1"_s.arg(i);

    // Prepared: the second report goes on on the first one's last page.
    C->Prepare();
    ASSERT_NE(C->RpPrinter(), nullptr);
    std::vector<QByteArray> Pages;
    for (int i = 1; i <= C->RpPrinter()->PageList()->PageCount(); ++i) {
        TOwned<TMetafile> M(C->RpPrinter()->GetPage(i));
        Pages.push_back(M->Data());
    }
    auto Texts = SheetTexts(Pages);
    ASSERT_EQ(Texts.size(), 2u);
    EXPECT_EQ(Texts[0] + Texts[1], Expected);
    EXPECT_TRUE(Texts[1].contains(u"B1"_s));
    EXPECT_EQ(C->PageCount(), 2);
    EXPECT_EQ(A.Report->ParentComposite, C.get());
    EXPECT_EQ(A.Report->RpPrinter(), nullptr);  // the report's own printer is back
    EXPECT_TRUE(A.Report->Available() && B.Report->Available());

    // Printed: the same sheets on the printer, and a report's own Print prints the composite.
    {
        TFakePrinterScope Device;
        B.Report->StartNewPageInComposite = true;
        B.Report->Print();
        ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
        EXPECT_TRUE(Device.Backend.Jobs[0].Ended);
        Texts = SheetTexts(Device.Backend.Jobs[0].Sheets);
        ASSERT_EQ(Texts.size(), 3u);
        EXPECT_EQ(Texts[0] + Texts[1] + Texts[2], Expected);
        EXPECT_EQ(Texts[2].front(), u"B1"_s);
    }

    // Previewed: the preview gets every page and lets go of its printer (the prepared one stays).
    TRpPrinter* Prepared = C->RpPrinter();
    C->Preview();
    EXPECT_EQ(C->PageCount(), 3);
    EXPECT_EQ(C->RpPrinter(), Prepared);

    // Exported: the filter gets every report's lines in order.
    TOwned<TTextRecorder> Filter = NewOwned<TTextRecorder>();
    C->ExportToFilter(Filter.get());
    EXPECT_EQ(Filter->Texts, Expected);
}

