// The "Printing progress" window: shows the percentage of its report printer (it is the printer's
// client window and receives its posted progress) and lets the user cancel the run.
#pragma once

#include "platform/gui/forms.h"

class TLabel;
class TButton;
class TProgressBar;
class TRpPrinter;

class TRpProgressForm : public TForm {
    SDELKA_CLASS(TRpProgressForm, TForm)
protected:
    explicit TRpProgressForm(TComponent* AOwner) : TForm(AOwner) {}
    ~TRpProgressForm() override = default;

public:
    void AfterConstruction() override;
    void CancelButtonClick(TObject* Sender);

    TLabel* Info = nullptr;
    TButton* CancelButton = nullptr;
    TProgressBar* Gauge = nullptr;
    // The printer whose progress is shown; set by the creator.
    TRpPrinter* FRpPrinter = nullptr;

protected:
    void Dispatch(TMessage& Message) override;
};
