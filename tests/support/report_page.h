// Reports of the report tests: in native units (tenths of a millimetre), with margins of 10 mm on
// every side unless told otherwise, on a custom page of 210 x 100 mm or on an A5 page upright.
#pragma once

#include "report/rpreport.h"
#include "report/rpunits.h"

inline void SetTestPageMargins(TRpPage* Page, int Margin = 100) {
    for (auto Set : {&TRpPage::SetLeftMargin, &TRpPage::SetRightMargin, &TRpPage::SetTopMargin, &TRpPage::SetBottomMargin})
        (Page->*Set)(Margin);
}

// 210 x 100 mm; a negative Margin keeps the page's own margins.
inline TRpReport* NewReportOnCustomPage(TComponent* Owner, int Margin = 100) {
    TRpReport* Report = New<TRpReport>(Owner);
    Report->SetUnits(Native);
    TRpPage* Pg = Report->Page();
    Pg->SetPaperSize(Custom);
    Pg->SetUnits(Native);
    Pg->SetWidth(2100);
    Pg->SetLength(1000);
    if (Margin >= 0) SetTestPageMargins(Pg, Margin);
    return Report;
}

inline TRpReport* NewReportOnA5(TComponent* Owner) {
    TRpReport* Report = New<TRpReport>(Owner);
    Report->SetUnits(Native);
    TRpPage* Pg = Report->Page();
    Pg->SetUnits(Native);
    Pg->SetPaperSize(A5);
    Pg->SetOrientation(poPortrait);
    SetTestPageMargins(Pg);
    return Report;
}
