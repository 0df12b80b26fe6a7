#include "report/export/rpexportfilters.h"

#include "report/export/rppdffilt.h"
#include "report/export/rpxbrowser.h"
#include "report/export/rpwebfilter.h"
#include "report/export/rpxlsxfilter.h"
#include "report/export/rpxmlfilter.h"
#include "report/rpexportfilter.h"
#include "report/rpprinter.h"

void RpRegisterExportFilters() {
    TRpExportFilterLibrary* Library = RpExportFilterLibrary();
    Library->AddFilter(RpExportFilterClass<TRpXLSXDocumentFilter>());
    Library->AddFilter(RpExportFilterClass<TRpXDocumentFilter>());
    Library->AddFilter(RpExportFilterClass<TRpGHTMLDocumentFilter>());
    Library->AddFilter(RpExportFilterClass<TRpPDFDocumentFilter>());
    RpMetafileExport = RpPDFExportMetafile;
    RpInstallXMLViewer();
}
