#include "report/export/rpexportfilters.h"

#include "report/export/rppdffilt.h"
#include "report/export/rpxbrowser.h"
#include "report/export/rpwebfilter.h"
#include "report/export/rpxlsxfilter.h"
#include "report/export/rpxmlfilter.h"
#include "report/export/rpxdocument.h"
#include "report/rpcomposite.h"
#include "report/rpexportfilter.h"
#include "report/rpreport.h"
#include "report/rpprinter.h"

void RpRegisterExportFilters() {
    TRpExportFilterLibrary* Library = RpExportFilterLibrary();
    Library->AddFilter(RpExportFilterClass<TRpXLSXDocumentFilter>());
    Library->AddFilter(RpExportFilterClass<TRpXDocumentFilter>());
    Library->AddFilter(RpExportFilterClass<TRpGHTMLDocumentFilter>());
    Library->AddFilter(RpExportFilterClass<TRpPDFDocumentFilter>());
    RpMetafileExport = RpPDFExportMetafile;
    RpInstallXMLViewer();
    RpPreviewReportXML = RpViewReportXML;
    RpPreviewCompositeXML = RpViewCompositeXML;
}

namespace {
// The viewer's settings taken from a report.
void TakeViewerSettings(TRpXDocument* D, TCustomRpReport* R) {
    D->Showthumbs = R->PrevShowThumbs;
    D->ShowSearch = R->PrevShowSearch;
    D->ShowToolbar = D->ShowPrintButtons = D->ShowSaveButton = D->ShowLoadButton = true;
    D->InitViewerWidth = R->PreviewWidth();
    D->InitViewerHeight = R->PreviewHeight();
    D->InitViewerTop = R->PreviewTop;
    D->InitViewerLeft = R->PreviewLeft;
    D->InitViewerZoom = R->Zoom();
    D->InitViewerZoomState = R->PrevInitialZoom;
    D->InitViewerState = R->PreviewInitialState;
}
}  // namespace

void RpViewReportXML(TCustomRpReport* Report, bool Modal) {
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    TakeViewerSettings(D.get(), Report);
    if (Modal)
        D->ViewReportModal(Report);
    else
        D->ViewReport(Report);
}

void RpViewCompositeXML(TRpCompositeReport* Composite) {
    if (Composite->OnAddReports) {
        Composite->Reports()->Clear();
        Composite->OnAddReports(Composite);
    }
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    if (Composite->Reports()->Count() > 0)
        if (auto* First = dynamic_cast<TCustomRpReport*>(Composite->Reports()->Items(0))) TakeViewerSettings(D.get(), First);
    D->ViewCompositeReport(Composite);
}
