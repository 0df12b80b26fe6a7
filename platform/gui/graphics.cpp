#include "platform/gui/graphics.h"

#include "platform/rtl/exceptions.h"

#include <QHash>
#include <QFontMetricsF>
#include <cmath>

String DefFontName = QStringLiteral("Tahoma");
int DefFontHeight = -11;

// ---------------------------------------------------------------------------------------------
// Colours

namespace {

// The classic (standard grey) scheme.
constexpr COLORREF kSysColors[COLOR_ENDCOLORS + 1] = {
    RGB(212, 208, 200),  // COLOR_SCROLLBAR
    RGB(58, 110, 165),   // COLOR_BACKGROUND
    RGB(10, 36, 106),    // COLOR_ACTIVECAPTION
    RGB(128, 128, 128),  // COLOR_INACTIVECAPTION
    RGB(212, 208, 200),  // COLOR_MENU
    RGB(255, 255, 255),  // COLOR_WINDOW
    RGB(0, 0, 0),        // COLOR_WINDOWFRAME
    RGB(0, 0, 0),        // COLOR_MENUTEXT
    RGB(0, 0, 0),        // COLOR_WINDOWTEXT
    RGB(255, 255, 255),  // COLOR_CAPTIONTEXT
    RGB(212, 208, 200),  // COLOR_ACTIVEBORDER
    RGB(212, 208, 200),  // COLOR_INACTIVEBORDER
    RGB(128, 128, 128),  // COLOR_APPWORKSPACE
    RGB(10, 36, 106),    // COLOR_HIGHLIGHT
    RGB(255, 255, 255),  // COLOR_HIGHLIGHTTEXT
    RGB(212, 208, 200),  // COLOR_BTNFACE
    RGB(128, 128, 128),  // COLOR_BTNSHADOW
    RGB(128, 128, 128),  // COLOR_GRAYTEXT
    RGB(0, 0, 0),        // COLOR_BTNTEXT
    RGB(212, 208, 200),  // COLOR_INACTIVECAPTIONTEXT
    RGB(255, 255, 255),  // COLOR_BTNHIGHLIGHT
    RGB(64, 64, 64),     // COLOR_3DDKSHADOW
    RGB(212, 208, 200),  // COLOR_3DLIGHT
    RGB(0, 0, 0),        // COLOR_INFOTEXT
    RGB(255, 255, 225),  // COLOR_INFOBK
    RGB(181, 181, 181),  // (unused)
    RGB(0, 0, 128),      // COLOR_HOTLIGHT
    RGB(166, 202, 240),  // COLOR_GRADIENTACTIVECAPTION
    RGB(192, 192, 192),  // COLOR_GRADIENTINACTIVECAPTION
    RGB(10, 36, 106),    // COLOR_MENUHILIGHT
    RGB(212, 208, 200),  // COLOR_MENUBAR
};

struct ColorIdent {
    TColor Value;
    const char* Name;
};

constexpr ColorIdent kColorIdents[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clActiveBorder, "clActiveBorder"}, {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clBackground, "clBackground"}, {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"}, {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"}, {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"}, {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"}, {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"}, {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"}, {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"}, {clMenu, "clMenu"}, {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"}, {clMenuText, "clMenuText"}, {clNone, "clNone"},
    {clScrollBar, "clScrollBar"}, {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"}, {clWindowText, "clWindowText"},
};

}  // namespace

COLORREF GetSysColor(int Index) {
    if (Index < 0 || Index > COLOR_ENDCOLORS) return 0;
    return kSysColors[Index];
}

COLORREF ColorToRGB(TColor Color) {
    if (Color == clNone || Color == clDefault) return 0;
    auto u = static_cast<std::uint32_t>(Color);
    if ((u & 0xFF000000u) == 0xFF000000u) return GetSysColor(int(u & 0xFF));
    return u & 0x00FFFFFFu;
}

QColor ColorToQColor(TColor Color) {
    COLORREF c = ColorToRGB(Color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor& C) { return TColor(RGB(C.red(), C.green(), C.blue())); }

bool ColorToIdent(TColor Color, String& Ident) {
    for (const auto& ci : kColorIdents)
        if (ci.Value == Color) {
            Ident = QString::fromLatin1(ci.Name);
            return true;
        }
    return false;
}

bool IdentToColor(const String& Ident, TColor& Color) {
    for (const auto& ci : kColorIdents)
        if (Ident.compare(QLatin1String(ci.Name), Qt::CaseInsensitive) == 0) {
            Color = ci.Value;
            return true;
        }
    return false;
}

String ColorToString(TColor Color) {
    String s;
    if (ColorToIdent(Color, s)) return s;
    return QStringLiteral("$%1").arg(static_cast<std::uint32_t>(Color), 8, 16, QLatin1Char('0')).toUpper();
}

TColor StringToColor(const String& S) {
    TColor c;
    if (IdentToColor(S, c)) return c;
    String t = S.trimmed();
    bool ok = false;
    qint64 v = 0;
    if (t.startsWith(QLatin1Char('$')))
        v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toLongLong(&ok, 16);
    else
        v = t.toLongLong(&ok, 10);
    if (!ok || v < INT32_MIN || v > UINT32_MAX)
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(S));
    return TColor(static_cast<std::uint32_t>(v));
}

// ---------------------------------------------------------------------------------------------
// Fonts

String MapFontName(const String& WindowsName) {
    static const QHash<QString, QString> map = {
        {QStringLiteral("arial"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("ms sans serif"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("microsoft sans serif"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("tahoma"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("segoe ui"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("helvetica"), QStringLiteral("Liberation Sans")},
        {QStringLiteral("arial narrow"), QStringLiteral("Liberation Sans Narrow")},
        {QStringLiteral("verdana"), QStringLiteral("DejaVu Sans")},
        {QStringLiteral("times new roman"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("times"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("ms serif"), QStringLiteral("Liberation Serif")},
        {QStringLiteral("courier new"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("courier"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("lucida console"), QStringLiteral("Liberation Mono")},
        {QStringLiteral("consolas"), QStringLiteral("Liberation Mono")},
    };
    auto it = map.find(WindowsName.trimmed().toLower());
    return it == map.end() ? WindowsName : *it;
}

QFont QtFontFromLogFont(const TLogFont& LF) {
    String face = LF.lfFaceName.isEmpty() ? DefFontName : LF.lfFaceName;
    QFont f(MapFontName(face));
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    f.setWeight(LF.lfWeight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(LF.lfItalic);
    f.setUnderline(LF.lfUnderline);
    f.setStrikeOut(LF.lfStrikeOut);
    if (LF.lfPitchAndFamily & FIXED_PITCH) f.setFixedPitch(true);
    int h = LF.lfHeight;
    if (h == 0) h = DefFontHeight;
    if (h < 0) {
        f.setPixelSize(std::max(1, -h));
    } else {
        // Cell height: scale the em so that ascent + descent comes to h.
        QFont probe = f;
        probe.setPixelSize(100);
        QFontMetricsF fm(probe);
        qreal cell = fm.ascent() + fm.descent();
        int em = cell > 0 ? int(std::lround(h * 100.0 / cell)) : h;
        f.setPixelSize(std::max(1, em));
    }
    return f;
}

// ---------------------------------------------------------------------------------------------
// Graphics objects

void TGraphicsObject::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FPendingChange) {
        FPendingChange = false;
        Changed();
    }
}

void TGraphicsObject::Changing() {
    if (OnChanging) OnChanging(this);
}

void TGraphicsObject::Changed() {
    if (FUpdateCount > 0) {
        FPendingChange = true;
        return;
    }
    if (OnChange) OnChange(this);
}

TFont::TFont() : FName(DefFontName), FHeight(DefFontHeight), FColor(clWindowText), FCharset(DEFAULT_CHARSET) {}

void TFont::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TFont*>(Source)) {
        Changing();
        FName = src->FName;
        if (FPixelsPerInch != src->FPixelsPerInch) {
            // Keep the size in points across resolutions.
            FHeight = -int(std::lround(double(src->Size()) * FPixelsPerInch / 72.0));
            if (src->FHeight > 0) FHeight = int(std::lround(double(src->FHeight) * FPixelsPerInch / src->FPixelsPerInch));
        } else {
            FHeight = src->FHeight;
        }
        FStyle = src->FStyle;
        FColor = src->FColor;
        FCharset = src->FCharset;
        FOrientation = src->FOrientation;
        FPitch = src->FPitch;
        FQuality = src->FQuality;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

#define SDELKA_FONT_SETTER(Field, Value) \
    if (Field == Value) return;          \
    Changing();                          \
    Field = Value;                       \
    Changed();

void TFont::SetName(const String& Value) {
    if (Value.isEmpty()) return;
    SDELKA_FONT_SETTER(FName, Value)
}
int TFont::Size() const { return -int(std::lround(double(FHeight) * 72.0 / FPixelsPerInch)); }
void TFont::SetSize(int Value) { SetHeight(-int(std::lround(double(Value) * FPixelsPerInch / 72.0))); }
void TFont::SetHeight(int Value) { SDELKA_FONT_SETTER(FHeight, Value) }
void TFont::SetStyle(TFontStyles Value) { SDELKA_FONT_SETTER(FStyle, Value) }
void TFont::SetColor(TColor Value) { SDELKA_FONT_SETTER(FColor, Value) }
void TFont::SetCharset(TFontCharset Value) { SDELKA_FONT_SETTER(FCharset, Value) }
void TFont::SetOrientation(int Value) { SDELKA_FONT_SETTER(FOrientation, Value) }
void TFont::SetPitch(TFontPitch Value) { SDELKA_FONT_SETTER(FPitch, Value) }
void TFont::SetQuality(TFontQuality Value) { SDELKA_FONT_SETTER(FQuality, Value) }

TLogFont TFont::LogFont() const {
    TLogFont lf;
    lf.lfHeight = FHeight;
    lf.lfEscapement = FOrientation;
    lf.lfOrientation = FOrientation;
    lf.lfWeight = FStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
    lf.lfItalic = FStyle.Contains(fsItalic);
    lf.lfUnderline = FStyle.Contains(fsUnderline);
    lf.lfStrikeOut = FStyle.Contains(fsStrikeOut);
    lf.lfCharSet = FCharset;
    lf.lfQuality = Byte(FQuality);
    lf.lfPitchAndFamily = FPitch == fpFixed ? FIXED_PITCH : FPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
    lf.lfFaceName = FName;
    return lf;
}

QFont TFont::QtFont(int Dpi) const {
    TLogFont lf = LogFont();
    if (Dpi > 0 && Dpi != FPixelsPerInch) lf.lfHeight = int(std::lround(double(FHeight) * Dpi / FPixelsPerInch));
    return QtFontFromLogFont(lf);
}

// ---------------------------------------------------------------------------------------------

int PenModeToROP2(TPenMode Mode) {
    static constexpr int map[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN,
                                  R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN,
                                  R2_MERGEPEN, R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN,
                                  R2_NOTXORPEN};
    return map[Mode];
}

void TPen::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TPen*>(Source)) {
        Changing();
        FColor = src->FColor;
        FWidth = src->FWidth;
        FStyle = src->FStyle;
        FMode = src->FMode;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TPen::SetColor(TColor Value) { SDELKA_FONT_SETTER(FColor, Value) }
void TPen::SetWidth(int Value) {
    if (Value < 0) Value = 0;
    SDELKA_FONT_SETTER(FWidth, Value)
}
void TPen::SetStyle(TPenStyle Value) { SDELKA_FONT_SETTER(FStyle, Value) }
void TPen::SetMode(TPenMode Value) { SDELKA_FONT_SETTER(FMode, Value) }

TLogPen TPen::LogPen() const {
    TLogPen lp;
    switch (FStyle) {
        case psSolid: lp.lopnStyle = PS_SOLID; break;
        case psDash: lp.lopnStyle = PS_DASH; break;
        case psDot: case psAlternate: lp.lopnStyle = PS_DOT; break;
        case psDashDot: lp.lopnStyle = PS_DASHDOT; break;
        case psDashDotDot: lp.lopnStyle = PS_DASHDOTDOT; break;
        case psClear: lp.lopnStyle = PS_NULL; break;
        case psInsideFrame: lp.lopnStyle = PS_INSIDEFRAME; break;
        case psUserStyle: lp.lopnStyle = PS_SOLID; break;
    }
    lp.lopnWidth = FWidth;
    lp.lopnColor = ColorToRGB(FColor);
    return lp;
}

void TBrush::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TBrush*>(Source)) {
        Changing();
        FColor = src->FColor;
        FStyle = src->FStyle;
        Changed();
        return;
    }
    TPersistent::Assign(Source);
}

void TBrush::SetColor(TColor Value) {
    TBrushStyle style = Value == clNone ? bsClear : FStyle == bsClear ? bsSolid : FStyle;
    if (FColor == Value && FStyle == style) return;
    Changing();
    FColor = Value;
    FStyle = style;
    Changed();
}
void TBrush::SetStyle(TBrushStyle Value) { SDELKA_FONT_SETTER(FStyle, Value) }

TLogBrush TBrush::LogBrush() const {
    TLogBrush lb;
    lb.lbColor = ColorToRGB(FColor);
    switch (FStyle) {
        case bsSolid: lb.lbStyle = BS_SOLID; break;
        case bsClear: lb.lbStyle = BS_NULL; break;
        default:
            lb.lbStyle = BS_HATCHED;
            lb.lbHatch = int(FStyle) - int(bsHorizontal);
            break;
    }
    return lb;
}
