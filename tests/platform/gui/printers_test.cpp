#include "platform/gui/canvas.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/rtl/lists.h"
#include "platform/testing/fakeprinter.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

namespace {

// A fake backend for one test.
class FakePrinters : public ::testing::Test {
protected:
    void SetUp() override {
        TPrinterDevice narrow = TFakePrinterBackend::Device(QStringLiteral("Narrow"), {DMPAPER_A4});
        narrow.DpiX = narrow.DpiY = 300;
        narrow.MarginX = 50;
        narrow.MarginY = 30;
        Backend.Table = {TFakePrinterBackend::Device(QStringLiteral("Office")), narrow};
        Backend.Default = 1;
        Previous = SetPrinterBackend(&Backend);
    }
    void TearDown() override { SetPrinterBackend(Previous == QtPrinterBackend() ? nullptr : Previous); }
    TFakePrinterBackend Backend;
    TPrinterBackend* Previous = nullptr;
};

}  // namespace

TEST(Printers, ThePdfFilePrinterIsAlwaysListed) {
    TOwned<TPrinter> p = NewOwned<TPrinter>();
    ASSERT_GE(p->Printers()->Count(), 1);
    EXPECT_EQ(p->Printers()->Strings(p->Printers()->Count() - 1), PdfFilePrinterName());
    EXPECT_GE(p->PrinterIndex(), 0);
    double w = 0, l = 0;
    EXPECT_TRUE(DevicePaperDimensions(DMPAPER_A4, w, l));
    EXPECT_EQ(w, 210);
    EXPECT_EQ(l, 297);
    EXPECT_FALSE(DevicePaperDimensions(DMPAPER_USER, w, l));
}

TEST_F(FakePrinters, SelectionAndDeviceMode) {
    TOwned<TPrinter> p = NewOwned<TPrinter>();
    EXPECT_EQ(p->PrinterIndex(), 1);  // the backend's default
    EXPECT_THROW(p->SetPrinterIndex(2), EPrinter);
    p->SetPrinterIndex(0);
    String device, driver, port;
    TDeviceMode* mode = nullptr;
    p->GetPrinter(device, driver, port, mode);
    EXPECT_EQ(device, QStringLiteral("Office"));
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->dmPaperSize, DMPAPER_A4);
    TDeviceMode changed = *mode;
    changed.dmOrientation = DMORIENT_LANDSCAPE;
    changed.dmCopies = 3;
    p->SetPrinter(QStringLiteral("Narrow"), String(), String(), &changed);
    EXPECT_EQ(p->PrinterIndex(), 1);
    EXPECT_EQ(p->Orientation(), poLandscape);
    EXPECT_EQ(p->Copies(), 3);
    EXPECT_THROW(p->SetPrinter(QStringLiteral("Elsewhere"), String(), String(), nullptr), EPrinter);
    p->SetPrinter(QStringLiteral("Narrow"), String(), String(), nullptr);  // the device's defaults again
    EXPECT_EQ(p->Orientation(), poPortrait);

    // A4 at 300 per inch, 5 mm and 3 mm unprintable; turned when landscape.
    TPrinterGeometry g = p->Geometry();
    EXPECT_EQ(g.Physical, TSize(2480, 3508));
    EXPECT_EQ(g.Offset, TPoint(59, 35));
    EXPECT_EQ(p->PageWidth(), 2480 - 118);
    p->SetOrientation(poLandscape);
    g = p->Geometry();
    EXPECT_EQ(g.Physical, TSize(3508, 2480));
    EXPECT_EQ(p->Canvas()->Handle()->LogPixelsX(), 300);

    // A refreshed list keeps the selected device.
    Backend.Table.insert(Backend.Table.begin(), TFakePrinterBackend::Device(QStringLiteral("New")));
    p->Refresh();
    EXPECT_EQ(p->Printers()->Count(), 3);
    EXPECT_EQ(p->PrinterIndex(), 2);
}

TEST_F(FakePrinters, Jobs) {
    TOwned<TPrinter> p = NewOwned<TPrinter>();
    p->SetTitle(QStringLiteral("Наряд"));
    p->BeginDoc();
    ASSERT_TRUE(p->Printing());
    EXPECT_THROW(p->BeginDoc(), EPrinter);
    EXPECT_THROW(p->SetPrinterIndex(0), EPrinter);
    p->Canvas()->TextOut(10, 10, QStringLiteral("Лист 1"));
    p->NewPage();
    EXPECT_EQ(p->PageNumber(), 2);
    p->Canvas()->TextOut(10, 10, QStringLiteral("Лист 2"));
    p->EndDoc();
    EXPECT_FALSE(p->Printing());
    ASSERT_EQ(Backend.Jobs.size(), 1u);
    EXPECT_EQ(Backend.Jobs[0].Title, QStringLiteral("Наряд"));
    EXPECT_EQ(Backend.Jobs[0].Device, QStringLiteral("Narrow"));
    ASSERT_EQ(Backend.Jobs[0].Sheets.size(), 2u);
    TEnhMetaHeader h;
    ASSERT_TRUE(GetEnhMetaFileHeader(Backend.Jobs[0].Sheets[1], h));
    EXPECT_EQ(h.szlDevice, TSize(2480 - 118, 3508 - 70));

    p->BeginDoc();
    p->Abort();
    EXPECT_TRUE(p->Aborted());
    EXPECT_TRUE(Backend.Jobs[1].Aborted);
    EXPECT_THROW(p->NewPage(), EPrinter);

    Backend.RefuseJobs = true;
    p->BeginDoc();
    EXPECT_FALSE(p->Printing());

    Backend.Table.clear();
    TOwned<TPrinter> none = NewOwned<TPrinter>();
    EXPECT_EQ(none->PrinterIndex(), -1);
    EXPECT_THROW(none->BeginDoc(), EPrinter);
}

// The canvas's font is measured at the device's resolution: a size in points comes out in points
// on the sheet, whatever device or sheet the canvas stands on.
TEST_F(FakePrinters, TheCanvasFontKeepsItsPointsAtTheDeviceResolution) {
    TOwned<TPrinter> p = NewOwned<TPrinter>();  // "Narrow", 300 per inch
    TFont* f = p->Canvas()->Font();
    EXPECT_EQ(f->PixelsPerInch(), 300);
    f->SetSize(10);
    EXPECT_EQ(f->Height(), -42);
    TOwned<TFont> screen = NewOwned<TFont>();  // 96 per inch
    screen->SetSize(12);
    p->Canvas()->SetFont(screen.get());
    EXPECT_EQ(f->Size(), 12);
    EXPECT_EQ(f->Height(), -50);

    p->BeginDoc();
    EXPECT_EQ(p->Canvas()->Font()->Height(), -50);
    // 12 points at 300 per inch: an em of 50 pixels, a cell a little taller.
    const int cell = p->Canvas()->TextHeight(QStringLiteral("W"));
    EXPECT_GE(cell, 50);
    EXPECT_LE(cell, 70);
    p->NewPage();
    EXPECT_EQ(p->Canvas()->Font()->Height(), -50);
    p->EndDoc();

    // Another device: the same points in its pixels; a cell height is scaled alike.
    p->SetPrinterIndex(0);  // "Office", 600 per inch
    EXPECT_EQ(p->Canvas()->Font()->PixelsPerInch(), 600);
    EXPECT_EQ(p->Canvas()->Font()->Size(), 12);
    EXPECT_EQ(p->Canvas()->Font()->Height(), -100);
    p->Canvas()->Font()->SetHeight(120);
    p->SetPrinterIndex(1);
    EXPECT_EQ(p->Canvas()->Font()->Height(), 60);
}

TEST(Printers, ThePdfFilePrinterAsksForItsFile) {
    TOwned<TPrinter> p = NewOwned<TPrinter>();
    p->SetPrinterIndex(p->Printers()->IndexOf(PdfFilePrinterName()));
    TScriptedResponder responder;
    TResponderScope scope(&responder);
    p->SetTitle(QStringLiteral("Наряд"));
    responder.AnswerPrintFile(false);
    EXPECT_THROW(p->BeginDoc(), EAbort);
    EXPECT_FALSE(p->Printing());
    // The printer asks the responder, with the title's file suggested; it opens no dialog itself.
    ASSERT_EQ(responder.CallCount(), 1);
    EXPECT_EQ(responder.LastCall().Kind, TScriptedResponder::ckPrintFile);
    EXPECT_EQ(responder.LastCall().Caption, QStringLiteral("Наряд"));
    EXPECT_EQ(responder.LastCall().Text, QStringLiteral("Наряд.pdf"));

    const String file = QDir::temp().filePath(QStringLiteral("printers_test_%1.pdf").arg(QCoreApplication::applicationPid()));
    responder.AnswerPrintFile(true, file);
    p->BeginDoc();
    ASSERT_TRUE(p->Printing());
    p->Canvas()->TextOut(100, 100, QStringLiteral("Проба"));
    p->EndDoc();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");
    f.close();
    QFile::remove(file);

    // An aborted job leaves no file behind.
    p->SetFileName(file);
    p->BeginDoc();
    p->Abort();
    EXPECT_FALSE(QFile::exists(file));
}
