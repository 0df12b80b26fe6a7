#include "report/rpprnsu.h"

#include "platform/gui/dialogs.h"
#include "platform/gui/printers.h"

void TRpPrintDialog::SetCopies(int Value) {
    FCopies = Value;
    Printer()->SetCopies(Value);
}

bool TRpPrintDialog::Execute() {
    TOwned<TPrintDialog> d = NewOwned<TPrintDialog>(nullptr);
    d->SetCopies(FCopies);
    d->SetCollate(Collate != 0);
    d->SetFromPage(FromPage);
    d->SetToPage(ToPage);
    d->SetMinPage(MinPage);
    d->SetMaxPage(MaxPage);
    d->SetPrintRange(PrintRange);
    d->SetOptions(Options);
    if (!d->Execute()) return false;
    TPrinter* p = Printer();
    PrintRange = d->PrintRange();
    if (PrintRange == prPageNums) {
        FromPage = d->FromPage();
        ToPage = d->ToPage();
    }
    // A driver that makes the copies itself reports one copy: the printer's own count stands.
    FCopies = d->Copies() == 1 ? p->Copies() : d->Copies();
    String device, driver, port;
    TDeviceMode* mode = nullptr;
    p->GetPrinter(device, driver, port, mode);
    if (mode) {
        dmFields = mode->dmFields;
        OutputBin = mode->dmDefaultSource;
        PaperSize = mode->dmPaperSize;
        Paperwidth = mode->dmPaperWidth;
        Paperlength = mode->dmPaperLength;
        Orientation = mode->dmOrientation;
        PrintQuality = mode->dmPrintQuality;
        ColorOption = mode->dmColor;
        DuplexCode = mode->dmDuplex;
        Duplex = DuplexCode != 1;
        Collate = mode->dmCollate;
    }
    if (d->Collate()) Collate = 1;
    return true;
}
