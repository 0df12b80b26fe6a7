// The grid as an XML Spreadsheet 2003 workbook: column widths, a title row, one row of typed cells
// per record (numbers, dates, text) and the footer rows, every cell with thin grid lines.
#pragma once

#include "grid/addons/gridexchangevz.h"

class TXMLSpreadsheetExportVz;

enum TExportAsXMLSpShOptionVz { xmlssColoredVz, xmlssDataAsDisplayTextVz, xmlssDataAsEditTextVz };
using TExportAsXMLSpShOptionsVz = TSet<TExportAsXMLSpShOptionVz, 3>;

class TDBGridVzExportAsXMLSpreadsheet : public TDBGridVzExport {
    SDELKA_CLASS(TDBGridVzExportAsXMLSpreadsheet, TDBGridVzExport)
protected:
    TDBGridVzExportAsXMLSpreadsheet();
    ~TDBGridVzExportAsXMLSpreadsheet() override;

public:
    TExportAsXMLSpShOptionsVz Options() const { return FOptions; }
    void SetOptions(TExportAsXMLSpShOptionsVz Value) { FOptions = Value; }

    void ExportToStream(TStream* Stream, IGridExchangeSourceVz* Source) override;

    // The cell's value and type ("Number", "DateTime" or "String") as the workbook holds it; numbers
    // always with "." whatever the program's format settings say.
    static void CellValueAndType(const Variant& Value, const String& DisplayText, bool PlainNumberFormat,
                                 String& CellValue, String& CellType, bool& IsDate);

protected:
    void BeginExport() override;
    void EndExport() override;
    void ExportTitleRow() override;
    void ExportRecordRow(int Row) override;
    void ExportDataCell(int Row, int Col) override;
    void ExportFooterRow(int FooterRow) override;
    void ExportFooterCell(int FooterRow, int Col, const String& Text) override;

private:
    TExportAsXMLSpShOptionsVz FOptions;
    TOwned<TXMLSpreadsheetExportVz> XMLSpreadsheet;
};
