#include "report/export/rpexportfilters.h"

#include "report/export/rpxlsxfilter.h"
#include "report/rpexportfilter.h"

void RpRegisterExportFilters() {
    TRpExportFilterLibrary* Library = RpExportFilterLibrary();
    Library->AddFilter(RpExportFilterClass<TRpXLSXDocumentFilter>());
}
