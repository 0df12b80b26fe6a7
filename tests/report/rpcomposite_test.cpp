#include "report/rpcomposite.h"

#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/metafile.h"
#include "report/rperror.h"
#include "report/rppages.h"
#include "report/rpprev.h"
#include "report/rpprinter.h"

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
                ++GlobalPageCount;
                ++Pages;
                Y = 100;
            }
            Printer->Canvas()->TextOut(Printer->XPos(100), Printer->YPos(Y),
                                       Name() + u" page "_s + QString::number(GlobalPageCount));
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
    QTimer::singleShot(300, [&] {
        CpuStart = ThreadCpu();
        Wall.start();
    });
    QTimer::singleShot(900, [&] {
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
    ASSERT_GT(WallMs, 400);
    EXPECT_LT(CpuEnd - CpuStart, 0.2 * double(WallMs)) << "the UI thread spun while the preview was idle";
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
