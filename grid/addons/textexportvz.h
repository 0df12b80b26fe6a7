// Delimited text out of the grid: tab-separated text in the ANSI code page, the same in UTF-16, and
// CSV (semicolon-separated, every value quoted). Rows are separated by CR LF, not terminated.
#pragma once

#include "grid/addons/gridexchangevz.h"

class TDBGridVzExportAsText : public TDBGridVzExport {
    SDELKA_CLASS(TDBGridVzExportAsText, TDBGridVzExport)
protected:
    TDBGridVzExportAsText() = default;
    ~TDBGridVzExportAsText() override = default;

public:
    void ExportToStream(TStream* Stream, IGridExchangeSourceVz* Source) override;

protected:
    void ExportTitleRow() override;
    void ExportRecordRow(int Row) override;
    void ExportDataCell(int Row, int Col) override;
    void ExportFooterRow(int FooterRow) override;
    void ExportFooterCell(int FooterRow, int Col, const String& Text) override;
    virtual void WriteRecordSeparator();
    virtual void WriteCellSeparator();
    // Puts text out in the format's encoding.
    virtual void WriteText(const String& Text);

    bool FirstRec = true;
    bool FirstCell = true;
};

class TDBGridVzExportAsUnicodeText : public TDBGridVzExportAsText {
    SDELKA_CLASS(TDBGridVzExportAsUnicodeText, TDBGridVzExportAsText)
protected:
    TDBGridVzExportAsUnicodeText() = default;
    ~TDBGridVzExportAsUnicodeText() override = default;
    // UTF-16 little-endian code units, no byte-order signature.
    void WriteText(const String& Text) override;
};

// The CSV defaults a new exporter copies; 0 means none.
extern QChar DefaultCsvSeparator;
extern QChar DefaultCsvQuoteChar;

class TDBGridVzExportAsCSV : public TDBGridVzExportAsText {
    SDELKA_CLASS(TDBGridVzExportAsCSV, TDBGridVzExportAsText)
protected:
    TDBGridVzExportAsCSV();
    ~TDBGridVzExportAsCSV() override = default;

public:
    QChar Separator() const { return FSeparator; }
    void SetSeparator(QChar Value) { FSeparator = Value; }
    QChar QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(QChar Value) { FQuoteChar = Value; }

protected:
    void BeginExport() override { FStringValue.clear(); }
    void EndExport() override;
    void ExportTitleRow() override;
    void ExportDataCell(int Row, int Col) override;
    void ExportFooterCell(int FooterRow, int Col, const String& Text) override;
    void WriteRecordSeparator() override;
    void WriteCellSeparator() override;
    String Quoted(const String& Text) const;

    QChar FSeparator;
    QChar FQuoteChar;
    String FStringValue;
};
