#include "report/rptypes.h"

#include "platform/rtl/rtlmath.h"

#include <QLocale>

const char* const RpPaperSizeNames[RpPaperSizeCount] = {
    "Default", "Letter", "LetterSmall", "Tabloid", "Ledger", "Legal", "Statement", "Executive", "A3", "A4",
    "A4Small", "A5", "B4", "B5", "Folio", "Quarto", "rp10X14", "rp11X17", "Note", "Env9", "Env10", "Env11",
    "Env12", "Env14", "CSheet", "DSheet", "ESheet", "EnvDL", "EnvC5", "EnvC3", "EnvC4", "EnvC6", "EnvC65",
    "EnvB4", "EnvB5", "EnvB6", "EnvItaly", "EnvMonarch", "EnvPersonal", "FanfoldUSStd", "FanfoldGerStd",
    "FanfoldGerLegal", "B4ISO", "PostcardJap", "rp9X11", "rp10X11", "rp15X11", "EnvInvite", "Reserved1",
    "Reserved2", "LetterExtra", "LegalExtra", "TabloidExtra", "A4Extra", "LetterTrans", "A4Trans",
    "LetterExtraTrans", "SuperASuperAA4", "SuperBSuperBA3", "LetterPlus", "A4Plus", "A5Trans", "B5Trans",
    "A3Extra", "A5Extra", "B5Extra", "A2", "A3Trans", "A3ExtraTrans", "Custom"};

namespace {

// Millimetres, portrait.
const TRpPaperDimensions PaperTable[RpPaperSizeCount] = {
    {0, 0},             // Default
    {215.9L, 279.4L},   // Letter
    {215.9L, 279.4L},   // LetterSmall
    {279.4L, 431.8L},   // Tabloid
    {431.8L, 279.4L},   // Ledger
    {215.9L, 355.6L},   // Legal
    {139.7L, 215.9L},   // Statement
    {190.5L, 254},      // Executive
    {297, 420},         // A3
    {210, 297},         // A4
    {210, 297},         // A4Small
    {148, 210},         // A5
    {250, 354},         // B4
    {182, 257},         // B5
    {215.9L, 330.2L},   // Folio
    {215, 275},         // Quarto
    {254, 355.6L},      // rp10X14
    {279.4L, 431.8L},   // rp11X17
    {215.9L, 279.4L},   // Note
    {98.43L, 225.4L},   // Env9
    {104.8L, 241.3L},   // Env10
    {114.3L, 263.5L},   // Env11
    {120.7L, 279.4L},   // Env12
    {127, 292.1L},      // Env14
    {431.8L, 558.8L},   // CSheet
    {558.8L, 863.6L},   // DSheet
    {863.6L, 1117.6L},  // ESheet
    {110, 220},         // EnvDL
    {162, 229},         // EnvC5
    {324, 458},         // EnvC3
    {229, 324},         // EnvC4
    {114, 162},         // EnvC6
    {114, 229},         // EnvC65
    {250, 353},         // EnvB4
    {176, 250},         // EnvB5
    {176, 125},         // EnvB6
    {110, 230},         // EnvItaly
    {98.43L, 190.5L},   // EnvMonarch
    {92.01L, 165.1L},   // EnvPersonal
    {377.8L, 279.4L},   // FanfoldUSStd
    {215.9L, 304.8L},   // FanfoldGerStd
    {215.9L, 330.2L},   // FanfoldGerLegal
    {250, 353},         // B4ISO
    {100, 148},         // PostcardJap
    {228.6L, 279.4L},   // rp9X11
    {254, 279.4L},      // rp10X11
    {381, 279.4L},      // rp15X11
    {220, 220},         // EnvInvite
    {100, 100},         // Reserved1
    {100, 100},         // Reserved2
    {241.3L, 304.8L},   // LetterExtra
    {241.3L, 381},      // LegalExtra
    {296.9L, 457.2L},   // TabloidExtra
    {236, 322},         // A4Extra
    {279.4L, 215.9L},   // LetterTrans
    {297, 210},         // A4Trans
    {304.8L, 241.3L},   // LetterExtraTrans
    {227, 356},         // SuperASuperAA4
    {305, 487},         // SuperBSuperBA3
    {215.9L, 322.3L},   // LetterPlus
    {210, 330},         // A4Plus
    {210, 148},         // A5Trans
    {257, 182},         // B5Trans
    {322, 445},         // A3Extra
    {174, 235},         // A5Extra
    {201, 276},         // B5Extra
    {420, 594},         // A2
    {420, 297},         // A3Trans
    {445, 322},         // A3ExtraTrans
    {0, 0},             // Custom
};

int ForcedUSMeasurement = -1;

}  // namespace

TRpPaperDimensions RpPaperDimensions(TRpPaperSize Size) {
    int i = int(Size);
    if (i < 0 || i >= RpPaperSizeCount) return {0, 0};
    return PaperTable[i];
}

int NativeToDevice(Extended X, int PixelsPerInch) {
    return int(Round(X * PixelsPerInch / 254.0L));
}

bool UsesUSMeasurement() {
    if (ForcedUSMeasurement >= 0) return ForcedUSMeasurement != 0;
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem;
}

void SetUsesUSMeasurement(int Forced) { ForcedUSMeasurement = Forced < 0 ? -1 : (Forced ? 1 : 0); }
