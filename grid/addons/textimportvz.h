// Tab-separated text into the grid: text in the ANSI code page or in UTF-16 little-endian, as the
// text exporters write it or any other program puts it on the clipboard. Values are separated by
// TAB, records by CR LF; a 0 character ends the text.
#pragma once

#include "grid/addons/gridexchangevz.h"

enum TImportTextSreamState { itssChar, itssTab, itssNewLine, itssEof };

class TDBGridVzImportAsText : public TDBGridVzImport {
    SDELKA_CLASS(TDBGridVzImportAsText, TDBGridVzImport)
protected:
    TDBGridVzImportAsText() = default;
    ~TDBGridVzImportAsText() override = default;

protected:
    void ReadPrefix() override;
    void FinishImport() override { FText.clear(); }
    void ImportRecord() override;
    void ImportValue(int Col);
    // The source's remaining bytes as text.
    virtual String DecodeSource(const QByteArray& Bytes);
    // The class name the format error names.
    virtual String ErrorPrefix() const { return u"TDBGridVzImportAsText"_S; }

    TImportTextSreamState CheckState();
    String ReadCellText();

    String FText;
    qsizetype FPos = 0;
    QChar FLastChar;
    TImportTextSreamState FLastState = itssNewLine;
    String FLastString;
};

class TDBGridVzImportAsUnicodeText : public TDBGridVzImportAsText {
    SDELKA_CLASS(TDBGridVzImportAsUnicodeText, TDBGridVzImportAsText)
protected:
    TDBGridVzImportAsUnicodeText() = default;
    ~TDBGridVzImportAsUnicodeText() override = default;
    // 16-bit little-endian code units; a trailing odd byte is not read.
    String DecodeSource(const QByteArray& Bytes) override;
    String ErrorPrefix() const override { return u"TDBGridVzImportAsUnicodeText"_S; }
};
