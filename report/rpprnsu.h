// The printer-setup dialog that a report runs before printing: the platform's print dialog (through
// the responder), started on the application-wide printer with its page range and copies, and the
// chosen printer's device-mode values read back (bin, paper, orientation, quality, colour, duplex).
// A cancelled dialog changes neither the printer object nor the fields.
#pragma once

#include "platform/gui/dialogs.h"
#include "platform/rtl/classes.h"

class TRpPrintDialog : public TComponent {
    SDELKA_CLASS(TRpPrintDialog, TComponent)
protected:
    explicit TRpPrintDialog(TComponent* AOwner) : TComponent(AOwner) {}
    ~TRpPrintDialog() override = default;

public:
    // True when the user confirmed.
    bool Execute();

    int Copies() const { return FCopies; }
    // Also the printer object's number of copies.
    void SetCopies(int Value);

    int FromPage = 0;
    int ToPage = 0;
    // In: nonzero asks for collated copies; out: the device mode's collate value.
    int Collate = 0;
    TPrintDialogOptions Options;
    bool PrintToFile = false;
    TPrintRange PrintRange = prAllPages;
    int MinPage = 0;
    int MaxPage = 0;
    // The device mode after the dialog.
    int PrintQuality = 0;
    int ColorOption = 0;
    int OutputBin = 0;
    int PaperSize = 0;
    bool Duplex = false;
    Extended Paperwidth = 0;
    Extended Paperlength = 0;
    unsigned dmFields = 0;
    int Orientation = 0;
    int DuplexCode = 0;

private:
    int FCopies = 1;
};
