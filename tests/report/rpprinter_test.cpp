#include "platform/gui/canvas.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/lists.h"
#include "report/rppages.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "rpprinter_support.h"

#include <gtest/gtest.h>

namespace {

// Draws "Страница N" at 10 mm, 10 mm on each of Count pages and ends the document.
void MakePages(TRpPrinter* P, int Count) {
    P->BeginDoc();
    for (int i = 1; i <= Count; ++i) {
        P->NewPage();
        P->Canvas()->TextOut(P->XPos(100), P->YPos(100), QStringLiteral("Страница %1").arg(i));
    }
    P->EndDoc();
}

QByteArray PageBytes(TRpPrinter* P, int N) {
    TOwned<TMetafile> m(P->GetPage(N));
    return m ? m->Data() : QByteArray();
}

}  // namespace

TEST(RpPrinter, UnitsAndWastes) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    EXPECT_TRUE(p->PrinterOK());
    EXPECT_DOUBLE_EQ(double(p->XFactor()), 0.37795);
    // Recorded pages: the screen's 96 per inch, no waste.
    p->BeginDoc();
    EXPECT_EQ(p->XPos(2100), 794);
    EXPECT_EQ(p->YSize(2970), 1123);
    p->AbortDoc();
    p->Cleanup();
    // Straight to the printer: 600 per inch, the device's 4 mm margins subtracted.
    p->SetDestination(rpdPrinter);
    EXPECT_EQ(p->LeftWaste(), 40);
    EXPECT_EQ(p->TopWaste(), 40);
    p->BeginDoc();
    EXPECT_EQ(p->XPos(40), 0);
    EXPECT_EQ(p->YPos(40), 0);
    EXPECT_LT(p->XPos(30), 0);
    EXPECT_EQ(p->XSize(254), 600);
    EXPECT_EQ(p->YPos(294), 600);
    p->AbortDoc();
}

TEST(RpPrinter, DocumentStates) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    EXPECT_EQ(p->Status(), mpReady);
    try {
        p->NewPage();
        ADD_FAILURE();
    } catch (const ERpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Illegal call to NewPage"));
    }
    p->BeginDoc();
    EXPECT_EQ(p->Status(), mpBusy);
    try {
        p->BeginDoc();
        ADD_FAILURE();
    } catch (const ERpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("RpPrinter not ready"));
    }
    p->NewPage();
    p->EndDoc();
    EXPECT_EQ(p->Status(), mpFinished);
    EXPECT_EQ(p->PageCount(), 1);
    EXPECT_EQ(p->AvailablePages(), 1);
    EXPECT_EQ(p->PageList()->PageCount(), 1);
    p->EndDoc();  // nothing while not busy
    EXPECT_EQ(p->AvailablePages(), 1);

    p->Cleanup();
    EXPECT_EQ(p->Status(), mpReady);
    EXPECT_EQ(p->GetPage(1), nullptr);
    MakePages(p.get(), 3);
    EXPECT_EQ(p->AvailablePages(), 3);
    EXPECT_EQ(p->PageList()->PageCount(), 3);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(MetafileTexts(PageBytes(p.get(), i)), QStringList{QStringLiteral("Страница %1").arg(i)});
    EXPECT_EQ(p->GetPage(0), nullptr);
    EXPECT_EQ(p->GetPage(4), nullptr);
}

TEST(RpPrinter, PagesAreThePaperInScreenPixels) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    p->SetPaperSize(A5);
    p->SetOrientation(poLandscape);
    EXPECT_EQ(p->PaperWidthValue(), 2100);
    EXPECT_EQ(p->PaperLengthValue(), 1480);
    MakePages(p.get(), 1);
    TOwned<TMetafile> m(p->GetPage(1));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Width(), 794);
    EXPECT_EQ(m->Height(), 559);
}

TEST(RpPrinter, AbortKeepsTheOpenPageAndCleanupDropsAll) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    p->BeginDoc();
    p->NewPage();
    p->NewPage();
    p->Canvas()->TextOut(0, 0, QStringLiteral("x"));
    p->AbortDoc();
    EXPECT_EQ(p->Status(), mpFinished);
    EXPECT_EQ(p->PageList()->PageCount(), 2);
    EXPECT_EQ(MetafileTexts(PageBytes(p.get(), 2)), QStringList{QStringLiteral("x")});
    // A busy document cleaned up is cancelled and its open page dropped.
    p->Cleanup();
    p->BeginDoc();
    p->NewPage();
    p->Cleanup();
    EXPECT_TRUE(p->Cancelled());
    EXPECT_EQ(p->Status(), mpReady);
    EXPECT_EQ(p->PageList()->PageCount(), 0);
}

TEST(RpPrinter, DirectPrintingOfARange) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    p->SetDestination(rpdPrinter);
    p->SetTitle(QStringLiteral("Табель"));
    p->SetFirstPage(3);
    p->SetLastPage(5);
    MakePages(p.get(), 7);
    ASSERT_EQ(fake.Backend.Jobs.size(), 1u);
    const TFakePrinterBackend::TJob& job = fake.Backend.Jobs[0];
    EXPECT_TRUE(job.Ended);
    EXPECT_EQ(job.Title, QStringLiteral("Табель"));
    ASSERT_EQ(job.Sheets.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(MetafileTexts(job.Sheets[i]), QStringList{QStringLiteral("Страница %1").arg(i + 3)}) << i;
    EXPECT_EQ(p->PageList()->PageCount(), 0);  // nothing stored
}
