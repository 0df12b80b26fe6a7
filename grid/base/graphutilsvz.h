// Text and colour routines shared by every drawing layer of the grid library: the one routine that
// writes a cell text into a rectangle, a clipped one-line writer, text measuring with the same
// line breaking the grids use, reading direction, and colour arithmetic.
#pragma once

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"

#include <vector>

// Writes Text into ARect. DX and DY are the text offsets from the sides, LeftMarg and RightMarg
// margins of the formatted drawing. The common single-line case (no wrap, no ellipsis, no margins,
// SingleLine set) is a clipped TextRect; everything else goes through DrawTextEx. With FillRect the
// cell is filled with the brush, otherwise the text is written transparently. Brush colour and
// style come back as they were.
void WriteCellTextVz(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, const String& Text,
                     TAlignment Alignment, TTextLayout Layout, bool MultyL, bool EndEllipsis, int LeftMarg,
                     int RightMarg, bool RightToLeftReading, bool SingleLine);

// WriteCellTextVz for a text turned 90 degrees (reading upward) inside ARect: the device context
// writes through a world rotation of -90 degrees, laid over any transform already set, and comes
// back as it was, also on failure. Answers 0.
int WriteVerticalTextVz(TCanvas* ACanvas, const TRect& ARect, bool FillRect, int DX, int DY, const String& Text,
                        TAlignment Alignment, TTextLayout Layout, bool MultyL, bool EndEllipsis);

// One opaque line of text clipped to ARect (ExtTextOut with ETO_CLIPPED | ETO_OPAQUE). Right
// alignment ignores DX and ends 3 pixels inside the rectangle.
void WriteClippedTextVz(TCanvas* ACanvas, const TRect& ARect, int DX, int DY, const String& Text,
                        TAlignment Alignment);

// One line of a broken text: first code unit (0-based), length, width and height in pixels.
struct TTextLineVz {
    int Start = 0;
    int Length = 0;
    int Width = 0;
    int Height = 0;
};

// Cuts Text into lines no wider than MaxWidth, the way the grids lay out cell texts: a line breaks
// behind the last blank before the overflow; a word wider than MaxWidth with no blank before it
// stays on its line. With WordWrap, CR, LF and CR LF end lines too and the whole text is cut;
// without it only the first line is. MinRest (used by the search painting) stops cutting new lines
// when fewer characters than that remain behind the previous line.
std::vector<TTextLineVz> SplitTextLinesVz(TCanvas* ACanvas, int MaxWidth, const String& Text, bool WordWrap,
                                          int MinRest = 1);
// The widest line and the height of all lines of Text broken for MaxWidth.
void MeasureWrappedTextVz(TCanvas* ACanvas, int MaxWidth, const String& Text, TSize& Size, bool WordWrap);

// Paints the hits of SearchText inside a cell text laid out as WriteCellTextVz lays it out
// (left/right/centre, top or centred vertically, optionally word-wrapped): each hit is written over
// a rectangle in HighlightColor. HiddenCount gets the hits that are not on the first line or do not
// start inside the cell.
void PaintSearchMatchesVz(TCanvas* ACanvas, const TRect& ARect, int DX, int DY, const String& CellText,
                          TAlignment Alignment, bool LayoutCenter, bool WordWrap, const String& SearchText,
                          bool CaseInsensitive, bool WholeWord, bool FromBeginning, TColor HighlightColor,
                          int& HiddenCount);

// 1 when the first character of Text reads right to left (or is an Arabic number), 0 when it reads
// left to right, Default for neutral characters; an empty text gives 0.
int GetTextDirectionVz(const String& Text, int Default);

// ---- colours (all through ColorToRGB; results are RGB values, red in the low byte) ------------------
TColor BlendColorsVz(TColor Color1, TColor Color2, double Weight);
TColor MixColorsByPercentVz(TColor Color1, TColor Color2, int Percent);
int GetColorLuminanceVz(TColor Color);
TColor ColorToGrayVz(TColor Color);
TColor ChooseDarkerColorVz(TColor Color1, TColor Color2);
// Sets the lightness of the colour to Value / 256 keeping its hue and saturation.
TColor SetColorLightnessVz(TColor Color, int Value);
