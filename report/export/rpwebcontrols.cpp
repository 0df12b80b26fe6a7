#include "report/export/rpwebcontrols.h"

#include "report/export/rpwebfilter.h"

void RpWebScanHeadFlags(TRpGHTMLDocumentFilter* Filter) {}

void TRpGHTMLDocumentFilter::AcceptControl(Extended Xoff, Extended Yoff, TControl* GControl) {}
