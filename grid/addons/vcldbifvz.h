// "VCLDBIF", the grid's own typed exchange format: each cell travels as a tagged value (integer,
// float, text, wide text, binary, null), so that a copy and paste between grids keeps values exact.
// Layout, little-endian and unpadded: "VCLDBIF", version byte 1, 32-bit column count; per column a
// visible byte and a 0-ended name; the values of each record in column order; a 0 end tag.
#pragma once

#include "grid/addons/gridexchangevz.h"

#include <QByteArray>
#include <QStringList>

enum TVCLDBIFTagVz : Byte {
    vtEndVz = 0, vtNoValueVz = 1, vtNullVz = 2, vtIntegerVz = 3, vtFloatVz = 4, vtTextVz = 5, vtBinaryVz = 6,
    vtWideTextVz = 7
};

class TDBGridVzExportAsVCLDBIF : public TDBGridVzExport {
    SDELKA_CLASS(TDBGridVzExportAsVCLDBIF, TDBGridVzExport)
protected:
    TDBGridVzExportAsVCLDBIF() = default;
    ~TDBGridVzExportAsVCLDBIF() override = default;

public:
    // The tagged form of one value: Unassigned has no value, 32-bit integers are integers, floats,
    // currency and dates are doubles, text goes in the ANSI code page when the page holds every
    // character and as UTF-16 otherwise, byte arrays as binary, anything else as its text.
    static void WriteValue(QByteArray& Out, const Variant& Value);

protected:
    void BeginExport() override;
    void EndExport() override;
    void ExportDataCell(int Row, int Col) override;
};

class TDBGridVzImportAsVCLDBIF : public TDBGridVzImport {
    SDELKA_CLASS(TDBGridVzImportAsVCLDBIF, TDBGridVzImport)
protected:
    TDBGridVzImportAsVCLDBIF() = default;
    ~TDBGridVzImportAsVCLDBIF() override = default;

public:
    struct TContents {
        Integer ColCount = 0;
        QStringList FieldNames;
        std::vector<bool> Visible;
        std::vector<Variant> Values;  // ColCount per record
    };
    // Reads the whole stream from its position and checks it: every length against the bytes that
    // remain, every tag known, the end tag present. A damaged stream raises the format error and
    // nothing is returned, so an import never writes part of a damaged paste.
    static TContents ReadContents(TStream* Stream);

protected:
    void ReadPrefix() override;
    void FinishImport() override { FContents = TContents(); }
    void ImportRecord() override;

private:
    TContents FContents;
    size_t FNext = 0;
};
