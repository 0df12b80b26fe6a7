// The grid's exchange formats: every exporter walks one grid source (a rectangle of cells, each with
// its display text and its value, under column titles and above footer rows) and every importer
// writes into one grid target, record by record. The data grid and the clipboard hand their cells
// over through these two interfaces, so each format can be tested without a window.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/variant.h"

#include <QByteArray>
#include <functional>
#include <vector>

class TStream;

// What an export reads: the exported records (rows) and columns, in export order.
class IGridExchangeSourceVz {
public:
    virtual ~IGridExchangeSourceVz() = default;
    virtual int ColCount() const = 0;
    virtual int RowCount() const = 0;
    // Whether a title row comes out, and each column's caption.
    virtual bool HasTitles() const = 0;
    virtual String Title(int Col) const = 0;
    // Column width in screen pixels and whether the column is shown.
    virtual int ColumnWidth(int Col) const = 0;
    virtual bool ColumnVisible(int Col) const { return true; }
    // The cell as the grid shows it, and its value (Null for an empty field, Unassigned for a
    // column that has no field).
    virtual String DisplayText(int Row, int Col) const = 0;
    virtual Variant Value(int Row, int Col) const = 0;
    // True when the column shows a number in a plain digit format (only "#", ",", ".", "0").
    virtual bool PlainNumberFormat(int Col) const { return true; }
    // Footer rows under the records and each footer cell's text.
    virtual int FooterRowCount() const { return 0; }
    virtual String FooterText(int FooterRow, int Col) const { return String(); }
};

// What an import writes to. An import calls BeginRecord before each record's values (the target
// moves to the next row, appending one when needed; false stops the import), then SetText or
// SetValue per column, then EndRecord. A value the column refuses raises an exception, which the
// importer turns into the question whether to go on.
class IGridExchangeTargetVz {
public:
    virtual ~IGridExchangeTargetVz() = default;
    virtual int ColCount() const = 0;
    virtual bool BeginRecord() = 0;
    virtual void SetText(int Col, const String& Text) = 0;
    virtual void SetValue(int Col, const Variant& Value) = 0;
    virtual void EndRecord() {}
};

// The ANSI code page of the exchange formats' 8-bit texts.
constexpr int GridExchangeCodePageVz = 1251;

// Text as UTF-16 little-endian code units without a byte-order signature, and back (a trailing
// odd byte is not read).
QByteArray StringToUtf16LEVz(const String& Text);
String Utf16LEToStringVz(const QByteArray& Bytes);
// The bytes from the stream's position to its end.
QByteArray ReadRemainingBytesVz(TStream* Stream);

class TDBGridVzExport : public TObject {
    SDELKA_CLASS(TDBGridVzExport, TObject)
protected:
    TDBGridVzExport() = default;
    ~TDBGridVzExport() override = default;

public:
    // The walk: begin, title row, one row per record, footer rows, end.
    virtual void ExportToStream(TStream* Stream, IGridExchangeSourceVz* Source);
    // Writes the file through a temporary file that replaces the target only when the export ends
    // without an error.
    void ExportToFile(const String& FileName, IGridExchangeSourceVz* Source);

protected:
    virtual void BeginExport() {}
    virtual void EndExport() {}
    virtual void ExportTitleRow() {}
    virtual void ExportRecordRow(int Row);
    virtual void ExportDataCell(int Row, int Col) {}
    virtual void ExportFooterRow(int FooterRow);
    virtual void ExportFooterCell(int FooterRow, int Col, const String& Text) {}

    void WriteBytes(const QByteArray& Bytes);

    IGridExchangeSourceVz* FSource = nullptr;
    TStream* FStream = nullptr;
};

// The user's answer to a value the target refused.
enum TImportErrorAnswerVz { ieaYes, ieaNo, ieaAll };

class TDBGridVzImport : public TObject {
    SDELKA_CLASS(TDBGridVzImport, TObject)
protected:
    TDBGridVzImport() = default;
    ~TDBGridVzImport() override = default;

public:
    virtual void ImportFromStream(TStream* Stream, IGridExchangeTargetVz* Target);
    void ImportFromFile(const String& FileName, IGridExchangeTargetVz* Target);

    // Asked for each refused value unless All was chosen; unassigned: the Yes/No/All message box.
    std::function<TImportErrorAnswerVz(const String& Message)> OnImportError;

protected:
    virtual void ReadPrefix() {}
    virtual void FinishImport() {}
    // Reads one record and hands its values to the target.
    virtual void ImportRecord() = 0;
    // Runs Write; a refusal asks the user. Returns false when the import must stop.
    bool GuardedWrite(const std::function<void()>& Write);

    IGridExchangeTargetVz* FTarget = nullptr;
    TStream* FStream = nullptr;
    bool Eos = false;
    bool FIgnoreAll = false;
};

// The formats known by name (for the clipboard and the save dialogs), filled by
// RegisterGridExchangeFormatsVz at start-up.
struct TGridExchangeFormatVz {
    String Name;
    std::function<TOwned<TDBGridVzExport>()> NewExport;
    std::function<TOwned<TDBGridVzImport>()> NewImport;  // empty for write-only formats
};
void RegisterGridExchangeFormatVz(const TGridExchangeFormatVz& Format);
const TGridExchangeFormatVz* FindGridExchangeFormatVz(const String& Name);
const std::vector<TGridExchangeFormatVz>& GridExchangeFormatsVz();
// Registers the formats of this library ("Text", "Unicode text", "CSV", "VCLDBIF",
// "XML Spreadsheet"); a second call changes nothing.
void RegisterGridExchangeFormatsVz();
