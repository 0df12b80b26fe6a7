#include "platform/rtl/lists.h"
#include "platform/testing/fakeprinter.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "rpprinter_support.h"

#include <gtest/gtest.h>

namespace {

TPrinterDevice DuplexDevice() {
    TPrinterDevice d = TFakePrinterBackend::Device(QStringLiteral("Duplex"), {DMPAPER_A4, DMPAPER_LETTER, 11});
    d.Defaults.dmDuplex = DMDUP_VERTICAL;
    d.Defaults.dmDefaultSource = DMBIN_CASSETTE;
    d.Defaults.dmPaperSize = DMPAPER_LETTER;
    d.Defaults.dmCopies = 3;
    return d;
}

TPrinterDevice BareDevice() {
    TPrinterDevice d = TFakePrinterBackend::Device(QStringLiteral("Bare"));
    d.Fields = 0;
    d.Defaults.dmDefaultSource = DMBIN_UPPER;
    return d;
}

}  // namespace

TEST(RpPrinterSettingsDevice, ReadsTheDevice) {
    TFakePrinterScope fake({DuplexDevice(), BareDevice()});
    TOwned<TPrinter> printer = NewOwned<TPrinter>();
    TOwned<TPrinterSettings> s = NewOwned<TPrinterSettings>();
    s->SetPrinter(printer.get());
    EXPECT_EQ(s->Device(), QStringLiteral("Duplex"));
    EXPECT_EQ(s->Index(), 0);
    EXPECT_EQ(s->PixelsPerX(), 600);
    EXPECT_EQ(s->LeftOffset(), 40);
    EXPECT_EQ(s->Copies(), 3);
    EXPECT_TRUE(s->Duplex());
    EXPECT_EQ(s->ExtendedDuplex(), 2);
    EXPECT_EQ(s->OutputBin(), Cassette);
    EXPECT_EQ(s->PaperSize(), Letter);
    EXPECT_EQ(s->PaperWidth(), 2159);
    EXPECT_EQ(s->PaperLength(), 2794);
    EXPECT_TRUE(s->GetPaperSizeSupported(A5));
    EXPECT_TRUE(s->GetPaperSizeSupported(Custom));
    EXPECT_FALSE(s->GetPaperSizeSupported(Legal));

    // Guarded setters: a paper the device lists, Default always, others ignored.
    s->SetPaperSize(Legal);
    EXPECT_EQ(s->PaperSize(), Letter);
    s->SetPaperSize(A4);
    EXPECT_EQ(s->PaperSize(), A4);
    s->SetPaperWidth(1234);
    EXPECT_EQ(s->PaperWidth(), 2100);  // the table's size, whatever was stored
    EXPECT_EQ(s->PaperLength(), 2970);
    s->SetPaperSize(Custom);
    EXPECT_EQ(s->PaperWidth(), 1234);
    s->SetPaperSize(Default);
    EXPECT_EQ(s->PaperSize(), Default);

    // A device that supports no field: its source 1 reads as First, and nothing can be set.
    printer->SetPrinterIndex(1);
    s->ReadDeviceSettings();
    EXPECT_EQ(s->OutputBin(), First);
    EXPECT_EQ(s->Copies(), 1);
    s->SetCopies(5);
    s->SetOrientation(poLandscape);
    s->SetOutputBin(Lower);
    s->SetDuplex(true);
    EXPECT_EQ(s->Copies(), 1);
    EXPECT_EQ(s->Orientation(), poPortrait);
    EXPECT_EQ(s->OutputBin(), First);
}

TEST(RpPrinterSettingsDevice, AppliesToTheDeviceMode) {
    TFakePrinterScope fake({DuplexDevice()});
    TOwned<TPrinter> printer = NewOwned<TPrinter>();
    TOwned<TPrinterSettings> s = NewOwned<TPrinterSettings>();
    s->SetPrinter(printer.get());
    s->SetPaperSize(A4);
    s->SetOrientation(poLandscape);
    s->SetCopies(2);
    s->SetOutputBin(Lower);
    s->ApplySettings();
    String device, driver, port;
    TDeviceMode* mode = nullptr;
    printer->GetPrinter(device, driver, port, mode);
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(mode->dmPaperWidth, 2100);
    EXPECT_EQ(mode->dmPaperLength, 2970);
    EXPECT_EQ(mode->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(mode->dmCopies, 2);
    EXPECT_EQ(mode->dmDefaultSource, DMBIN_LOWER);
    EXPECT_EQ(mode->dmDuplex, DMDUP_VERTICAL);  // the device's own duplex code goes back unchanged
    EXPECT_EQ(printer->Orientation(), poLandscape);

    // Raw codes, and simple two-sided printing without one.
    s->SetUseCustomPaperCode(true);
    s->SetCustomPaperCode(70);
    s->SetUseCustomBinCode(true);
    s->SetCustomBinCode(260);
    s->SetExtendedDuplex(0);
    s->ApplySettings();
    printer->GetPrinter(device, driver, port, mode);
    EXPECT_EQ(mode->dmPaperSize, 70);
    EXPECT_EQ(mode->dmDefaultSource, 260);
    EXPECT_EQ(mode->dmDuplex, DMDUP_HORIZONTAL);

    // A cancelling hook leaves the printer's device mode untouched.
    s->OnApplyPrinterSettings = [](TObject*, bool& Cancel, TDeviceMode* M) {
        M->dmCopies = 9;
        Cancel = true;
    };
    s->SetCopies(4);
    s->ApplySettings();
    printer->GetPrinter(device, driver, port, mode);
    EXPECT_EQ(mode->dmCopies, 2);
    // A cancelling reading hook reads nothing: the setters stay guarded.
    TOwned<TPrinterSettings> t = NewOwned<TPrinterSettings>();
    t->OnGetPrinterSettings = [](TObject*, bool& Cancel, TDeviceMode*) { Cancel = true; };
    t->SetPrinter(printer.get());
    t->SetCopies(7);
    EXPECT_EQ(t->Copies(), 1);
}

TEST(RpPrinterSettingsDevice, ReportSettingsReachTheReportPrinter) {
    TFakePrinterScope fake({TFakePrinterBackend::Device(QStringLiteral("A")), DuplexDevice()});
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    TOwned<TRpPrinterSettings> rs = NewOwned<TRpPrinterSettings>();
    EXPECT_EQ(rs->PaperSize(), Letter);
    EXPECT_EQ(rs->OutputBin(), Auto);
    EXPECT_EQ(rs->MemoryLimit(), 1000000);
    rs->SetPrinterIndex(1);
    rs->SetPaperSize(A5);
    rs->SetOrientation(poLandscape);
    rs->SetCopies(2);
    rs->SetTitle(QStringLiteral("Табель"));
    rs->ApplySettings(p.get());
    EXPECT_EQ(p->PrinterIndex(), 1);
    EXPECT_EQ(p->PrinterSettings()->Device(), QStringLiteral("Duplex"));
    EXPECT_EQ(p->PaperSize(), A5);
    EXPECT_EQ(p->Orientation(), poLandscape);
    EXPECT_EQ(p->Copies(), 2);
    EXPECT_EQ(p->Title(), QStringLiteral("Табель"));
    EXPECT_EQ(GetPrinterPaperSize(), A4);  // the application-wide printer's device mode
}
