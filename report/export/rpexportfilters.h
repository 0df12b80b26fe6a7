// Registration of the export filters of this library into the process-wide filter registry
// (RpExportFilterLibrary, report/rpexportfilter.h). The application calls it once at start-up, so
// the preview's save command offers the filters; a filter of this library adds its class here.
// It also installs the PDF writer of stored pages (the report printer's ExportMetafile) and the
// XML document viewer that XML report documents open, and the viewer's previews of a report and a
// composite report (their PreviewXML).
// Registering twice changes nothing.
#pragma once

class TCustomRpReport;
class TRpCompositeReport;

void RpRegisterExportFilters();
// The document viewer's previews of a report (modal or not) and of a composite report.
void RpViewReportXML(TCustomRpReport* Report, bool Modal);
void RpViewCompositeXML(TRpCompositeReport* Composite);
