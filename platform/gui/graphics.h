// Colours, fonts, pens and brushes: the drawing tools a canvas selects into its device context.
//
// TColor is $00BBGGRR. The high byte marks special values: system colours are $FF000000 | index
// and resolve through one fixed classic colour table (ColorToRGB), so pixels do not depend on the
// desktop's theme. clNone and clDefault are markers that resolve to black / the caller's default.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/system.h"

#include <QColor>
#include <QFont>
#include <cstdint>

// ---------------------------------------------------------------------------------------------
// Colours

using TColor = std::int32_t;
using COLORREF = std::uint32_t;  // a resolved colour, $00BBGGRR

constexpr COLORREF RGB(int R, int G, int B) {
    return COLORREF(R & 0xFF) | (COLORREF(G & 0xFF) << 8) | (COLORREF(B & 0xFF) << 16);
}
constexpr int GetRValue(COLORREF C) { return int(C & 0xFF); }
constexpr int GetGValue(COLORREF C) { return int((C >> 8) & 0xFF); }
constexpr int GetBValue(COLORREF C) { return int((C >> 16) & 0xFF); }

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

// System colour indices (the order of the classic table).
enum : int {
    COLOR_SCROLLBAR = 0, COLOR_BACKGROUND, COLOR_ACTIVECAPTION, COLOR_INACTIVECAPTION, COLOR_MENU,
    COLOR_WINDOW, COLOR_WINDOWFRAME, COLOR_MENUTEXT, COLOR_WINDOWTEXT, COLOR_CAPTIONTEXT,
    COLOR_ACTIVEBORDER, COLOR_INACTIVEBORDER, COLOR_APPWORKSPACE, COLOR_HIGHLIGHT,
    COLOR_HIGHLIGHTTEXT, COLOR_BTNFACE, COLOR_BTNSHADOW, COLOR_GRAYTEXT, COLOR_BTNTEXT,
    COLOR_INACTIVECAPTIONTEXT, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW, COLOR_3DLIGHT, COLOR_INFOTEXT,
    COLOR_INFOBK, COLOR_UNUSED25, COLOR_HOTLIGHT, COLOR_GRADIENTACTIVECAPTION,
    COLOR_GRADIENTINACTIVECAPTION, COLOR_MENUHILIGHT, COLOR_MENUBAR,
    COLOR_ENDCOLORS = COLOR_MENUBAR
};

constexpr TColor SystemColor(int Index) { return TColor(0xFF000000u | unsigned(Index)); }

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);
constexpr TColor clHotLight = SystemColor(COLOR_HOTLIGHT);
constexpr TColor clGradientActiveCaption = SystemColor(COLOR_GRADIENTACTIVECAPTION);
constexpr TColor clGradientInactiveCaption = SystemColor(COLOR_GRADIENTINACTIVECAPTION);
constexpr TColor clMenuHighlight = SystemColor(COLOR_MENUHILIGHT);
constexpr TColor clMenuBar = SystemColor(COLOR_MENUBAR);

// The classic table behind the system colours ($00BBGGRR).
COLORREF GetSysColor(int Index);
// Resolves a TColor to $00BBGGRR: system colours through the table, clNone and clDefault to black
// (callers that give clDefault a meaning check for it first).
COLORREF ColorToRGB(TColor Color);
QColor ColorToQColor(TColor Color);
TColor QColorToColor(const QColor& C);
// "clRed", "clBtnFace" or "$00BBGGRR" for a colour; the reverse accepts both forms and decimals.
String ColorToString(TColor Color);
TColor StringToColor(const String& S);  // EConvertError on bad text
bool IdentToColor(const String& Ident, TColor& Color);
bool ColorToIdent(TColor Color, String& Ident);

// ---------------------------------------------------------------------------------------------
// Font name mapping: the Windows names the layouts use, to installed metric-compatible fonts.
//   Arial, MS Sans Serif, Microsoft Sans Serif, Tahoma, Segoe UI, Helvetica -> Liberation Sans
//   Arial Narrow -> Liberation Sans Narrow
//   Verdana -> DejaVu Sans (same design widths)
//   Times New Roman, Times, MS Serif -> Liberation Serif
//   Courier New, Courier, Lucida Console, Consolas -> Liberation Mono
// Unknown names go through unchanged. Matching is case-insensitive.
String MapFontName(const String& WindowsName);

// ---------------------------------------------------------------------------------------------
// Logical drawing objects as the device context receives them.

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;

using TFontCharset = Byte;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset OEM_CHARSET = 255;

constexpr Byte DEFAULT_PITCH = 0;
constexpr Byte FIXED_PITCH = 1;
constexpr Byte VARIABLE_PITCH = 2;

struct TLogFont {
    int lfHeight = 0;       // < 0: character (em) height; > 0: cell height; logical units
    int lfWidth = 0;
    int lfEscapement = 0;   // tenths of a degree, counter-clockwise
    int lfOrientation = 0;
    int lfWeight = FW_NORMAL;
    bool lfItalic = false;
    bool lfUnderline = false;
    bool lfStrikeOut = false;
    TFontCharset lfCharSet = DEFAULT_CHARSET;
    Byte lfQuality = 0;
    Byte lfPitchAndFamily = DEFAULT_PITCH;
    String lfFaceName;      // the name as given (Windows name); mapped when realised
    bool operator==(const TLogFont&) const = default;
};

// The Qt font for a logical font: the mapped family, pixel size from lfHeight (device units),
// no kerning and no hinting so widths add up and do not depend on the device.
QFont QtFontFromLogFont(const TLogFont& LF);

enum : int { PS_SOLID = 0, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME };
struct TLogPen {
    int lopnStyle = PS_SOLID;
    int lopnWidth = 1;  // 0 or 1: cosmetic one-pixel pen
    COLORREF lopnColor = 0;
    bool operator==(const TLogPen&) const = default;
};

enum : int { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = BS_NULL, BS_HATCHED = 2 };
enum : int { HS_HORIZONTAL = 0, HS_VERTICAL, HS_FDIAGONAL, HS_BDIAGONAL, HS_CROSS, HS_DIAGCROSS };
struct TLogBrush {
    int lbStyle = BS_SOLID;
    COLORREF lbColor = 0xFFFFFF;
    int lbHatch = 0;
    bool operator==(const TLogBrush&) const = default;
};

// ---------------------------------------------------------------------------------------------
// Graphics objects

class TGraphicsObject : public TPersistent {
    SDELKA_CLASS(TGraphicsObject, TPersistent)
public:
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;  // before a change (the canvas flushes its drawing state here)

    // Nested updates: changes while updating fire one OnChange at the end.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

protected:
    virtual void Changing();
    virtual void Changed();

private:
    int FUpdateCount = 0;
    bool FPendingChange = false;
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, 4>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontQuality { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural };

class TFont : public TGraphicsObject {
    SDELKA_CLASS(TFont, TGraphicsObject)
public:
    TFont();

    void Assign(TPersistent* Source) override;

    const String& Name() const { return FName; }
    void SetName(const String& Value);
    // Size in points at PixelsPerInch; Height in pixels (negative: character height without the
    // internal leading, positive: cell height). Size = -Height * 72 / PixelsPerInch.
    int Size() const;
    void SetSize(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset Value);
    int Orientation() const { return FOrientation; }  // tenths of a degree
    void SetOrientation(int Value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch Value);
    TFontQuality Quality() const { return FQuality; }
    void SetQuality(TFontQuality Value);
    // The resolution Height is measured at. Changing it keeps Height (Size follows), as on a
    // printer canvas that is given the printer's resolution before sizes are set.
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int Value) { FPixelsPerInch = Value > 0 ? Value : 96; }

    // The logical font a device context selects (Height as is, in the font's own pixels).
    TLogFont LogFont() const;
    // The Qt font at a resolution: the character height scaled from PixelsPerInch to Dpi.
    QFont QtFont(int Dpi = 96) const;

private:
    String FName;
    int FHeight;
    TFontStyles FStyle;
    TColor FColor;
    TFontCharset FCharset;
    int FOrientation = 0;
    TFontPitch FPitch = fpDefault;
    TFontQuality FQuality = fqDefault;
    int FPixelsPerInch = 96;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame, psUserStyle, psAlternate };
enum TPenMode {
    pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, pmMergeNotPen,
    pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor
};
// The device context's binary raster operation (R2_*) for a pen mode.
int PenModeToROP2(TPenMode Mode);
enum : int {
    R2_BLACK = 1, R2_NOTMERGEPEN, R2_MASKNOTPEN, R2_NOTCOPYPEN, R2_MASKPENNOT, R2_NOT, R2_XORPEN,
    R2_NOTMASKPEN, R2_MASKPEN, R2_NOTXORPEN, R2_NOP, R2_MERGENOTPEN, R2_COPYPEN, R2_MERGEPENNOT,
    R2_MERGEPEN, R2_WHITE
};

class TPen : public TGraphicsObject {
    SDELKA_CLASS(TPen, TGraphicsObject)
public:
    TPen() = default;
    void Assign(TPersistent* Source) override;

    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle Value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode Value);

    TLogPen LogPen() const;

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
};

enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };

class TBrush : public TGraphicsObject {
    SDELKA_CLASS(TBrush, TGraphicsObject)
public:
    TBrush() = default;
    void Assign(TPersistent* Source) override;

    TColor Color() const { return FColor; }
    // Setting a colour on a clear brush makes it solid; clNone makes it clear.
    void SetColor(TColor Value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle Value);

    TLogBrush LogBrush() const;

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

// Default font of new TFont objects (name and height at 96 pixels per inch).
extern String DefFontName;   // "Tahoma"
extern int DefFontHeight;    // -11 (8 points)
