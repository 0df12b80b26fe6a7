#include "report/rpprgres.h"

#include "platform/gui/comctrls.h"
#include "platform/gui/stdctrls.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"

void TRpProgressForm::AfterConstruction() {
    SetName(QStringLiteral("RpProgressForm"));
    SetCaption(QStringLiteral("Printing progress"));
    SetBorderStyle(bsDialog);
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientWidth(149);
    SetClientHeight(97);
    Info = NewControl<TLabel>(this, this, "Info", 2, 44, 145, 13);
    Info->SetAutoSize(false);
    Info->SetAlignment(taCenter);
    CancelButton = NewControl<TButton>(this, this, "CancelButton", 36, 68, 75, 25);
    CancelButton->SetCaption(QStringLiteral("Cancel"));
    CancelButton->OnClick = TNotifyEvent(this, &TRpProgressForm::CancelButtonClick);
    Gauge = NewControl<TProgressBar>(this, this, "Gauge", 16, 18, 114, 16);
    inherited::AfterConstruction();
}

void TRpProgressForm::Dispatch(TMessage& Message) {
    if (Message.Msg == RP_WM_PROGRESS) {
        if (!FRpPrinter) return;
        const int p = FRpPrinter->Progress();
        if (p % 5 == 0) {
            Gauge->SetPosition(p);
            Info->SetCaption(QString::number(p) + QStringLiteral("% ") + QStringLiteral(" Completed"));
            if (Application) Application->ProcessMessages();
        }
        return;
    }
    inherited::Dispatch(Message);
}

void TRpProgressForm::CancelButtonClick(TObject*) {
    if (!FRpPrinter) return;
    if (auto* r = dynamic_cast<TCustomRpReport*>(FRpPrinter->ParentReport())) r->UserCancel = true;
    FRpPrinter->Cancel();
}
