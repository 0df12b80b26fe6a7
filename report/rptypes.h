#pragma once
// Report units, paper sizes and the shared measuring helpers of the report engine.
//
// Every length of a report layout is kept in native units: tenths of a millimetre, as Extended.
// A device length is Round(native x pixels per inch / 254) (ties to even).

#include "platform/gui/printers.h"
#include "platform/rtl/system.h"

// The units a report shows its lengths in.
enum TRpUnit { MM, Inches, Pixels, Characters, Native };


// Order in which the columns of a multi-column page are filled.
enum TRpPrintOrder { ColByCol, RowByRow };

enum TRpPaperSize {
    Default, Letter, LetterSmall, Tabloid, Ledger, Legal, Statement, Executive, A3, A4, A4Small, A5,
    B4, B5, Folio, Quarto, rp10X14, rp11X17, Note, Env9, Env10, Env11, Env12, Env14, CSheet, DSheet,
    ESheet, EnvDL, EnvC5, EnvC3, EnvC4, EnvC6, EnvC65, EnvB4, EnvB5, EnvB6, EnvItaly, EnvMonarch,
    EnvPersonal, FanfoldUSStd, FanfoldGerStd, FanfoldGerLegal, B4ISO, PostcardJap, rp9X11, rp10X11,
    rp15X11, EnvInvite, Reserved1, Reserved2, LetterExtra, LegalExtra, TabloidExtra, A4Extra,
    LetterTrans, A4Trans, LetterExtraTrans, SuperASuperAA4, SuperBSuperBA3, LetterPlus, A4Plus,
    A5Trans, B5Trans, A3Extra, A5Extra, B5Extra, A2, A3Trans, A3ExtraTrans, Custom
};
constexpr int RpPaperSizeCount = int(Custom) + 1;

// Stream names of the paper sizes, in order.
extern const char* const RpPaperSizeNames[RpPaperSizeCount];

// Width and length of a paper in millimetres, portrait. Default and Custom have no size (0).
struct TRpPaperDimensions {
    Extended Width;
    Extended Length;
};
TRpPaperDimensions RpPaperDimensions(TRpPaperSize Size);

// Screen pixels per native unit the layout assumes for a 96 pixels-per-inch screen (stored value,
// not 96 / 254 exactly). Heights that printables report to their band in screen pixels come back
// to native units through it.
constexpr Extended RpDefaultPixelFactor = 0.37795L;
inline Extended ScreenPixelsToNative(Extended Pixels) { return Pixels / RpDefaultPixelFactor; }

// Device units of a native length at a resolution: Round(X x PixelsPerInch / 254).
int NativeToDevice(Extended X, int PixelsPerInch);

// Native length of a character cell per tenth of its font size: horizontally and vertically.
inline Extended CharWidthFactor(Extended Size) { return 80.0L / Size / 2.54L; }
inline Extended CharHeightFactor(Extended Size) { return 145.3L / Size / 2.54L; }

// True when the system measures in U.S. units (Letter paper and inches become the defaults).
// Reads the system locale; tests can force an answer with SetUsesUSMeasurement(0 or 1) and go back
// to the locale with -1.
bool UsesUSMeasurement();
void SetUsesUSMeasurement(int Forced);
