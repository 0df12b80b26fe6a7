// Registration of the export filters of this library into the process-wide filter registry
// (RpExportFilterLibrary, report/rpexportfilter.h). The application calls it once at start-up, so
// the preview's save command offers the filters; a filter of this library adds its class here.
// It also installs the PDF writer of stored pages (the report printer's ExportMetafile) and the
// XML document viewer that XML report documents open.
// Registering twice changes nothing.
#pragma once

void RpRegisterExportFilters();
