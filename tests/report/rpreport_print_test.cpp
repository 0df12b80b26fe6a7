#include "report/rpreport.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/testing/scriptedresponder.h"
#include "platform/gui/forms.h"
#include "platform/rtl/lists.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/rtl/threads.h"
#include "report/rperror.h"
#include "report/rpframe.h"
#include "report/rplabels.h"
#include "report/rpprgres.h"
#include "report/rpprintersettings.h"
#include "rpprinter_support.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <thread>

namespace {

using namespace Qt::StringLiterals;

// A report on a small custom page (2100 × 1000 native units, margins 100) whose detail band of 100
// prints one label per record: eight records a page. The records come from OnNeedData.
struct PrintFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TRpBand* Detail = nullptr;
    std::atomic<int> Records{0};
    int Limit = 20;  // 0: no end
    std::function<void()> OnRecord;

    PrintFixture() {
        Report = NewReportOnCustomPage(Root.get());
        Detail = Report->CreateBand(rbDetail);
        Detail->SetNativeHeight(100);
        auto L = New<TRpLabel>(Root.get());
        L->SetParent(Detail);
        L->Size()->SetUnits(Native);
        L->Size()->SetLeft(0);
        L->Size()->SetTop(0);
        L->Size()->SetWidth(600);
        L->Size()->SetHeight(80);
        L->SetCaption(u"Record"_s);
        Report->BeforePrint = [this](TObject*, bool&) { Records = 0; };
        Report->OnNeedData = [this](TObject*, bool& More) {
            More = Limit == 0 || Records < Limit;
            if (More) ++Records;
            if (OnRecord) OnRecord();
        };
    }
};

// Handles the UI thread's messages until Done holds or the time is up.
bool PumpUntilDone(const std::function<bool()>& Done, int Ms = 20000) {
    QElapsedTimer T;
    T.start();
    while (!Done()) {
        if (T.elapsed() > Ms) return false;
        if (Application) Application->ProcessMessages();
        QThread::msleep(1);
    }
    return true;
}

std::vector<TRpProgressForm*> ProgressWindows() {
    std::vector<TRpProgressForm*> R;
    for (int i = 0; i < Screen->FormCount(); ++i)
        if (auto P = dynamic_cast<TRpProgressForm*>(Screen->Forms(i))) R.push_back(P);
    return R;
}

TEST(RpReportPrint, PrintBackgroundRunsInAReportThreadWhileTheUIThreadGoesOn) {
    TFakePrinterScope Device;
    PrintFixture F;
    const auto UI = std::this_thread::get_id();
    std::atomic<bool> Release{false}, OnUI{false};
    F.OnRecord = [&] {
        if (std::this_thread::get_id() == UI) OnUI = true;
        if (F.Records == 3) {
            // The run waits here until the test, back on the UI thread, lets it go on.
            QElapsedTimer T;
            T.start();
            while (!Release && T.elapsed() < 5000) QThread::msleep(1);
        }
    };
    F.Report->PrintBackground();
    const bool ReturnedWhileRunning = !Release && F.Report->RunningInBackground();
    EXPECT_TRUE(ReturnedWhileRunning);
    ASSERT_TRUE(PumpUntilDone([&] { return F.Records >= 3; }));
    EXPECT_FALSE(F.Report->Available());
    // One run at a time: this report refuses a second one, another report is told why.
    F.Report->PrintBackground();
    {
        PrintFixture Other;
        try {
            Other.Report->Print();
            ADD_FAILURE() << "a second run started";
        } catch (const ERpError& E) {
            EXPECT_EQ(E.Message(), u"Another report is being generated"_s);
        }
        EXPECT_TRUE(Other.Report->Available());
    }
    Release = true;
    ASSERT_TRUE(PumpUntilDone([&] { return !F.Report->RunningInBackground(); }));
    EXPECT_TRUE(F.Report->Available());
    EXPECT_FALSE(OnUI);
    ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
    const auto& Job = Device.Backend.Jobs[0];
    EXPECT_TRUE(Job.Ended);
    EXPECT_FALSE(Job.Aborted);
    ASSERT_EQ(Job.Sheets.size(), 3u);  // 20 records, eight a page
    EXPECT_EQ(MetafileTexts(Job.Sheets[2]).count(u"Record"_s), 4);

    // The report is free again for a run of its own.
    F.OnRecord = nullptr;
    F.Report->Print();
    EXPECT_EQ(Device.Backend.Jobs.size(), 2u);
}

// A run in a report thread that fails: the user is told why on the UI thread, and the page printer
// says its document is incomplete.
TEST(RpReportPrint, AFailedBackgroundRunReachesTheUserAndMarksTheDocumentIncomplete) {
    TFakePrinterScope Device;
    TScriptedResponder Answers;
    TResponderScope Scope(&Answers);
    PrintFixture F;
    F.Report->SetShowProgress(false);
    const auto UI = std::this_thread::get_id();
    std::atomic<bool> ToldOnUI{false};
    F.OnRecord = [&] {
        if (F.Records == 10) throw ERpError(u"Нет связи с сервером"_s);
    };
    F.Report->PrintBackground();
    ASSERT_TRUE(PumpUntilDone([&] {
        CheckSynchronize(0);
        if (Answers.MessageCount() > 0 && std::this_thread::get_id() == UI) ToldOnUI = true;
        return !F.Report->RunningInBackground() && Answers.MessageCount() > 0;
    }));
    EXPECT_TRUE(ToldOnUI);
    EXPECT_TRUE(Answers.LastCall().Text.contains(u"Нет связи с сервером"_s)) << Answers.LastCall().Text.toStdString();
    ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
    EXPECT_FALSE(Device.Backend.Jobs[0].Ended);
    EXPECT_TRUE(F.Report->Available());

    // A preview generated in the background keeps the pages made and says the rest is missing.
    Answers.Clear();
    F.Report->PreviewModeless();
    ASSERT_TRUE(PumpUntilDone([&] {
        CheckSynchronize(0);
        return !F.Report->RunningInBackground() && Answers.MessageCount() > 0;
    }));
    ASSERT_NE(F.Report->RpPrinter(), nullptr);
    EXPECT_EQ(F.Report->RpPrinter()->RunError(), u"Нет связи с сервером"_s);
    EXPECT_GE(F.Report->RpPrinter()->PageCount(), 1);
}

// An export asked for while the report generates in a report thread is refused aloud, not
// skipped in silence.
TEST(RpReportPrint, AnExportWhileTheReportRunsInTheBackgroundRaises) {
    TFakePrinterScope Device;
    PrintFixture F;
    F.Report->SetShowProgress(false);
    std::atomic<bool> Release{false};
    F.OnRecord = [&] {
        QElapsedTimer T;
        T.start();
        while (F.Records == 2 && !Release && T.elapsed() < 5000) QThread::msleep(1);
    };
    F.Report->PrintBackground();
    ASSERT_TRUE(PumpUntilDone([&] { return F.Records >= 2; }));
    TOwned<TRpExportFilter> Filter = NewOwned<TRpExportFilter>();
    EXPECT_THROW(F.Report->ExportToFilter(Filter.get()), ERpError);
    EXPECT_FALSE(Filter->Active());
    EXPECT_FALSE(F.Report->Exporting());
    Release = true;
    ASSERT_TRUE(PumpUntilDone([&] { return !F.Report->RunningInBackground(); }));
    ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
    EXPECT_TRUE(Device.Backend.Jobs[0].Ended);
}

// Each printer setting of the report reaches the page printer and the device mode of the job, and
// the report's printer-settings events are raised with the report as sender.
TEST(RpReportPrint, EveryPrinterSettingReachesThePagePrinterAndTheJob) {
    using TSet = std::function<void(TRpPrinterSettings*)>;
    using TModeCheck = std::function<bool(const TDeviceMode&)>;
    using TPrinterCheck = std::function<bool(TRpPrinter*)>;
    struct TCase {
        const char* Name;
        TSet Set;
        TModeCheck Mode;        // on the job's device mode (none: nothing to see there)
        TPrinterCheck Printer;  // on the page printer while the job starts
    };
    const TCase Cases[] = {
        {"copies", [](TRpPrinterSettings* S) { S->SetCopies(3); }, [](const TDeviceMode& M) { return M.dmCopies == 3; },
         [](TRpPrinter* P) { return P->Copies() == 3; }},
        {"bin", [](TRpPrinterSettings* S) { S->SetOutputBin(Lower); },
         [](const TDeviceMode& M) { return M.dmDefaultSource == DMBIN_LOWER; }, [](TRpPrinter* P) { return P->OutputBin() == Lower; }},
        {"custom bin",
         [](TRpPrinterSettings* S) {
             S->SetUseCustomBinCode(true);
             S->SetCustomBinCode(DMBIN_CASSETTE);
         },
         [](const TDeviceMode& M) { return M.dmDefaultSource == DMBIN_CASSETTE; },
         [](TRpPrinter* P) { return P->UseCustomBinCode() && P->CustomBinCode() == DMBIN_CASSETTE; }},
        {"duplex", [](TRpPrinterSettings* S) { S->SetDuplex(true); },
         [](const TDeviceMode& M) { return M.dmDuplex == DMDUP_HORIZONTAL; }, [](TRpPrinter* P) { return P->Duplex(); }},
        {"extended duplex",
         [](TRpPrinterSettings* S) {
             S->SetUseExtendedDuplex(true);
             S->SetExtendedDuplex(DMDUP_VERTICAL);
         },
         [](const TDeviceMode& M) { return M.dmDuplex == DMDUP_VERTICAL; },
         [](TRpPrinter* P) { return P->UseExtendedDuplex() && P->ExtendedDuplex() == DMDUP_VERTICAL; }},
        {"custom paper",
         [](TRpPrinterSettings* S) {
             S->SetUseCustomPaperCode(true);
             S->SetCustomPaperCode(11);
         },
         [](const TDeviceMode& M) { return M.dmPaperSize == 11; },
         [](TRpPrinter* P) { return P->UseCustomPaperCode() && P->CustomPaperCode() == 11; }},
        {"quality", [](TRpPrinterSettings* S) { S->SetPrintQuality(300); },
         [](const TDeviceMode& M) { return M.dmPrintQuality == 300; }, [](TRpPrinter* P) { return P->PrintQuality() == 300; }},
        {"collate", [](TRpPrinterSettings* S) { S->SetCollate(DMCOLLATE_TRUE); },
         [](const TDeviceMode& M) { return M.dmCollate == DMCOLLATE_TRUE; }, [](TRpPrinter* P) { return P->Collate() == 1; }},
        {"colour", [](TRpPrinterSettings* S) { S->SetColorOption(DMCOLOR_MONOCHROME); },
         [](const TDeviceMode& M) { return M.dmColor == DMCOLOR_MONOCHROME; },
         [](TRpPrinter* P) { return P->ColorOption() == DMCOLOR_MONOCHROME; }},
        {"metafile printing", [](TRpPrinterSettings* S) { S->SetPrintMetafile(true); }, nullptr,
         [](TRpPrinter* P) { return P->PrintMetafile(); }},
        {"page range",
         [](TRpPrinterSettings* S) {
             S->SetFirstPage(2);
             S->SetLastPage(3);
         },
         nullptr, [](TRpPrinter* P) { return P->FirstPage() == 2 && P->LastPage() == 3; }},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        TFakePrinterScope Device;
        PrintFixture F;
        F.Report->SetShowProgress(false);
        C.Set(F.Report->ReportPrinterSettings());
        int Applied = 0, Read = 0;
        bool Held = false;
        F.Report->OnGetPrinterSettings = [&](TObject* Sender, bool&, TDeviceMode*) {
            EXPECT_EQ(Sender, F.Report);
            ++Read;
        };
        F.Report->OnApplyPrinterSettings = [&](TObject* Sender, bool&, TDeviceMode*) {
            EXPECT_EQ(Sender, F.Report);
            ++Applied;
            Held = C.Printer(F.Report->RpPrinter());
        };
        F.Report->Print();
        EXPECT_GT(Read, 0);
        EXPECT_EQ(Applied, 1);
        EXPECT_TRUE(Held);
        ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
        if (C.Mode) EXPECT_TRUE(C.Mode(Device.Backend.Jobs[0].Mode));
    }
}

TEST(RpReportPrint, PrintShowsAProgressWindowThatCancelsTheRun) {
    TFakePrinterScope Device;
    PrintFixture F;
    F.Limit = 40;  // five pages
    std::vector<String> Seen;
    int CancelAt = 0;
    F.Detail->BeforePrint = [&](TObject*, bool&) {
        for (TRpProgressForm* P : ProgressWindows()) {
            if (!P->Visible() || P->FRpPrinter != F.Report->RpPrinter()) continue;
            if (F.Records == 1) Seen.push_back(P->Caption());
            if (F.Records == CancelAt) P->CancelButtonClick(nullptr);
        }
    };
    F.Report->Print();
    EXPECT_EQ(Seen, std::vector<String>{u"Printing progress"_s});
    EXPECT_TRUE(ProgressWindows().empty());
    ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
    EXPECT_EQ(Device.Backend.Jobs[0].Sheets.size(), 5u);

    // Its cancel button stops the run on the second page.
    Seen.clear();
    CancelAt = 10;
    F.Report->Print();
    EXPECT_LE(F.Records, 11);
    EXPECT_TRUE(ProgressWindows().empty());
    EXPECT_TRUE(F.Report->Available());
    ASSERT_EQ(Device.Backend.Jobs.size(), 2u);
    EXPECT_LE(Device.Backend.Jobs[1].Sheets.size(), 2u);

    // Without ShowProgress no window comes.
    Seen.clear();
    CancelAt = 0;
    F.Report->SetShowProgress(false);
    F.Report->Print();
    EXPECT_TRUE(Seen.empty());
    ASSERT_EQ(Device.Backend.Jobs.size(), 3u);
    EXPECT_EQ(Device.Backend.Jobs[2].Sheets.size(), 5u);
}

TEST(RpReportPrint, AReportFreedWhileItsThreadRunsStopsAndWaitsForIt) {
    TFakePrinterScope Device;
    {
        PrintFixture F;
        F.Limit = 0;  // records without end: only a stop ends the run
        F.Report->PrintBackground();
        ASSERT_TRUE(PumpUntilDone([&] { return F.Records > 20; }));
        F.Report->Free();
        // Freed only once the thread let go of it; the job never reached the printer.
        ASSERT_EQ(Device.Backend.Jobs.size(), 1u);
        EXPECT_FALSE(Device.Backend.Jobs[0].Ended);
    }
    // The process is free for the next run.
    PrintFixture Next;
    Next.Report->Print();
    ASSERT_EQ(Device.Backend.Jobs.size(), 2u);
    EXPECT_TRUE(Device.Backend.Jobs[1].Ended);
}

TEST(RpReportPrint, TheReportFrameIsPaintedAroundEveryPage) {
    PrintFixture F;
    F.Limit = 10;  // two pages
    auto RedAt = [](const QImage& I, int X, int Y) {
        const QColor C = I.pixelColor(X, Y);
        return C.red() > 200 && C.green() < 80 && C.blue() < 80;
    };
    auto Pages = [&] {
        F.Report->Prepare();
        TRpPrinter* P = F.Report->RpPrinter();
        std::vector<QImage> R;
        for (int i = 1; i <= P->PageCount(); ++i) {
            TOwned<TMetafile> Page(P->GetPage(i));
            R.push_back(Page->ToImage());
        }
        return R;
    };
    // Points on the left and right sides half-way down the printable area, and inside it.
    auto Left = [&] { return F.Report->RpPrinter()->XPos(100) + 1; };
    auto Right = [&] { return F.Report->RpPrinter()->XPos(2000) - 2; };
    auto Mid = [&] { return F.Report->RpPrinter()->YPos(500); };
    auto Inside = [&] { return F.Report->RpPrinter()->XPos(1500); };

    for (const QImage& I : Pages()) EXPECT_FALSE(RedAt(I, Left(), Mid()));  // no frame by default

    TRpFrame Red;
    Red.SetColor(TColor(0x0000FF));
    Red.SetWidth(5);
    Red.SetDrawLeft(true);
    Red.SetDrawRight(true);
    F.Report->SetFrame(&Red);
    EXPECT_NE(F.Report->Frame(), &Red);  // copied, not adopted
    EXPECT_TRUE(F.Report->Frame()->DrawLeft());
    const std::vector<QImage> Framed = Pages();
    ASSERT_EQ(Framed.size(), 2u);
    for (const QImage& I : Framed) {
        EXPECT_TRUE(RedAt(I, Left(), Mid()));
        EXPECT_TRUE(RedAt(I, Right(), Mid()));
        EXPECT_FALSE(RedAt(I, Inside(), Mid()));
    }
}

TEST(RpReportPrint, DescriptionHideBandsStateSnapToGridAndPassiveRecordCount) {
    PrintFixture F;
    TRpReport* R = F.Report;
    EXPECT_EQ(R->State, rpAvailable);
    EXPECT_TRUE(R->SnapToGrid);
    EXPECT_FALSE(R->HideBands());
    EXPECT_FALSE(R->usePassiveRecordCount);
    EXPECT_EQ(R->Description()->Count(), 0);

    // The description is copied, not adopted.
    TOwned<TStringList> Lines = NewOwned<TStringList>();
    Lines->Add(u"Выработка бригады"_s);
    Lines->Add(u"за месяц"_s);
    R->SetDescription(Lines.get());
    Lines->Clear();
    ASSERT_EQ(R->Description()->Count(), 2);
    EXPECT_EQ(R->Description()->Strings(1), u"за месяц"_s);

    // Hidden bands lie below the page on the design surface; shown again, inside the margins.
    const int OnPage = F.Detail->Top();
    R->SetHideBands(true);
    EXPECT_GE(F.Detail->Top(), R->Height() - 1);
    R->SetHideBands(false);
    EXPECT_EQ(F.Detail->Top(), OnPage);

    // The record count: with the passive switch the dataset stays where it is.
    auto D = New<TTestTableDataSet>(F.Root.get());
    D->FieldDefs()->Add(u"NAME"_s, ftString, 10);
    D->CreateDataSet();
    for (int i = 1; i <= 5; ++i) D->AppendRecord({u"R%1"_s.arg(i)});
    R->SetDataSet(D);
    D->First();
    D->Next();
    D->Next();
    R->usePassiveRecordCount = true;
    EXPECT_EQ(R->RecordCount(), 5);
    EXPECT_EQ(D->RecNo(), 3);
    R->usePassiveRecordCount = false;
    EXPECT_EQ(R->RecordCount(), 5);
    EXPECT_EQ(D->RecNo(), 1);
}

}  // namespace
