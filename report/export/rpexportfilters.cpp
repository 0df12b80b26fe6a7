#include "report/export/rpexportfilters.h"

#include "report/rpexportfilter.h"

void RpRegisterExportFilters() {
    [[maybe_unused]] TRpExportFilterLibrary* Library = RpExportFilterLibrary();
}
