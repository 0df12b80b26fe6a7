// The installed font file behind a font of a layout, for writers that measure or embed the font
// program itself (the PDF export).
//
// The layout's face name goes through the canvas's table of metric-compatible faces (MapFontName),
// fontconfig finds the installed file of that face in the wanted weight and slant, and FreeType
// reads its metrics. All sizes are in thousandths of the em, as PDF font dictionaries want them;
// the italic angle is in degrees. The file's bytes are kept whole, for embedding.
#pragma once

#include "platform/rtl/system.h"

#include <QByteArray>
#include <memory>

class TStrings;

// The face names of the installed fonts (the screen's fonts), added to List.
void GetScreenFontNames(TStrings* List);

class TFontFile {
public:
    TFontFile();
    ~TFontFile();
    TFontFile(const TFontFile&) = delete;
    TFontFile& operator=(const TFontFile&) = delete;

    // False when no installed file answers for the face (fontconfig offers its best match, so
    // only a machine without fonts or an unreadable file fails).
    bool Load(const String& FaceName, bool Bold, bool Italic);

    String FileName() const { return FFileName; }
    String FamilyName() const { return FFamilyName; }
    // The whole font file.
    const QByteArray& Data() const { return FData; }
    // A single TrueType font (glyph outlines, not a collection): the kind a PDF embeds as is.
    bool IsTrueType() const { return FTrueType; }

    int Ascent() const { return FAscent; }
    int Descent() const { return FDescent; }
    int CapHeight() const { return FCapHeight; }
    double ItalicAngle() const { return FItalicAngle; }
    // Minimum x, minimum y, maximum x, maximum y of all glyphs.
    const int* BBox() const { return FBBox; }
    // The high byte of the OS/2 family class (0 when the font has no OS/2 table).
    int FamilyClass() const { return FFamilyClass; }
    bool FixedPitch() const { return FFixedPitch; }

    // The advance width of a character; 0 when the font has no glyph for it.
    int CharWidth(char32_t Ch) const;
    bool HasGlyph(char32_t Ch) const;

private:
    struct TFace;
    std::unique_ptr<TFace> FFace;
    String FFileName, FFamilyName;
    QByteArray FData;
    bool FTrueType = false;
    int FAscent = 0, FDescent = 0, FCapHeight = 0;
    double FItalicAngle = 0;
    int FBBox[4] = {0, 0, 0, 0};
    int FFamilyClass = 0;
    bool FFixedPitch = false;
};
