// Painting of the small pieces that editors, grid cells, filter lists and check-box columns
// share: edit-button faces in every button style, push-button faces, check boxes, tree lines with
// their expand buttons, and the clip-region helpers they use. Everything paints onto the canvas or
// device context it is given and leaves its clip region as it was. The look is the classic one:
// visual themes are never in force.
#pragma once

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/imaging.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/types.h"

#include <memory>
#include <vector>

enum TDrawButtonControlStyleVz {
    bcsDropDownVz, bcsEllipsisVz, bcsUpDownVz, bcsCheckboxVz, bcsPlusVz, bcsMinusVz, bcsAltDropDownVz,
    bcsAltUpDownVz
};

enum TTreeViewGlyphStyleVz { tvgsDefaultVz, tvgsClassicVz, tvgsThemedVz, tvgsExplorerThemedVz };

// ---- theme queries (classic look: always false) ------------------------------------------------
bool ThemesEnabledVz();
bool VistaThemesEnabledVz();
bool IsCustomStyleActiveVz();

// ---- clip region --------------------------------------------------------------------------------
// Intersects the canvas's clip region with ARect (logical units). Returns the previous region
// (device units), or nullptr when the canvas had none.
std::unique_ptr<TRegion> IntersectCanvasClipRectVz(TCanvas* Canvas, const TRect& ARect);
// Selects the saved region back (no clipping when nullptr) and drops it.
void RestoreCanvasClipRgnVz(TCanvas* Canvas, std::unique_ptr<TRegion>& Rgn);

// ---- edit buttons -------------------------------------------------------------------------------
// One edit-button face over ARect. DownButton: 0 none, 1 the whole button or the upper half of an
// up/down button, 2 its lower half. LineColor (clNone: none) frames flat inactive buttons and
// fills the middle row of up/down buttons. Scale is 1.0 throughout the system.
void PaintEditButtonVz(TCanvas* Canvas, const TRect& ARect, TColor LineColor, TDrawButtonControlStyleVz Style,
                       int DownButton, bool Flat, bool Active, bool Enabled, TCheckBoxState State,
                       double Scale = 1.0, bool DrawBack = true);

// Background (when DrawBack) and glyph of one style over ARect; Half (0 upper, 1 lower) picks the
// arrow of the up/down styles.
void DrawEditButtonGlyphVz(TCanvas* Canvas, TDrawButtonControlStyleVz Style, const TRect& ARect, bool Enabled,
                           bool Flat, bool Active, bool Pressed, int Half, bool DrawBack);

// ---- check boxes and push buttons ---------------------------------------------------------------
// Width and height of one check-box image.
TSize CheckBoxSizeVz();
// One check box squared and centred in ARect.
bool DrawCheckBoxVz(HDC DC, const TRect& ARect, TCheckBoxState State, bool Enabled, bool Flat, bool Pressed,
                    bool Active);
// Where a check box stands in a cell of the given alignment and layout.
TRect GetCheckBoxRectVz(const TRect& ARect, TAlignment Alignment, TTextLayout Layout);
// A push-button face; FillColor clNone means no fill.
void DrawButtonFaceVz(TCanvas* Canvas, const TRect& ARect, TColor FillColor, bool Enabled, bool Hot, bool Flat,
                      bool Pressed);

// ---- tree lines ---------------------------------------------------------------------------------
// Tree lines and expand buttons in one cell. Codes 0..4: expanded (minus) button, 5..9 collapsed
// (plus) button, with k = code mod 5: 0 tee, 1 end corner, 2 start corner, 3 right line only,
// 4 bare button. Codes 10..14 lines only: 10 tee, 11 end corner, 12 start corner, 13 straight
// vertical, 14 half horizontal. Lines are dotted on a checkerboard whose parity DotPhase (0 or 1)
// shifts, so dots of neighbouring cells line up.
void DrawTreeElementVz(TCanvas* Canvas, const TRect& ARect, int Element, TTreeViewGlyphStyleVz GlyphStyle,
                       bool SysColors, bool LeftShift, double VScale = 1.0, double HScale = 1.0, int DotPhase = 0);

// ---- images, gradients ---------------------------------------------------------------------------
class TCustomImageList;

// The image centred in ARect (clipped to it when it does not fit), in its selected look when
// Selected; nothing for an index outside the list.
void DrawImageCenteredVz(TCanvas* Canvas, const TRect& ARect, TCustomImageList* ImageList, int ImageIndex,
                         bool Selected);
// The same on a device context.
void DrawImageCenteredDCVz(HDC DC, const TRect& ARect, TCustomImageList* ImageList, int ImageIndex, bool Selected);
// An image of the list (or the bitmap) placed in a cell by the alignment, offset by DX and DY,
// stretched by Zoom around the cell's centre; clipped to the cell when it overhangs.
void DrawClippedImageVz(TCustomImageList* ImageList, TBitmap* Bitmap, TCanvas* Canvas, const TRect& Cell,
                        int ImageIndex, int DX, int DY, TAlignment Alignment, const TRect& ClipRect, double Zoom,
                        bool Enabled);
// A vertical gradient from TopColor (first row) to BottomColor (last row).
void FillGradientVz(TCanvas* Canvas, const TRect& ARect, TColor TopColor, TColor BottomColor);
// Horizontal segments, given as pairs (start, end) relative to Origin, each drawn up to one pixel
// before its end; segment k is coloured from Color2 (the first) toward Color1.
void DrawGradientLinesVz(TCanvas* Canvas, const TPoint& Origin, const std::vector<TPoint>& Points, TColor Color1,
                         TColor Color2);

// ---- the shared alpha bitmap and the button-bitmap cache -------------------------------------------

// A 32-bit bitmap one painter at a time writes graded lines into (DrawGradientLinesVz writes here
// while it is captured).
class TCacheAlphaBitmapVz : public TBitmap {
    SDELKA_CLASS(TCacheAlphaBitmapVz, TBitmap)
public:
    TCacheAlphaBitmapVz();
    // "CacheAlphaBitmap have captured" when it is captured already.
    void Capture();
    void Release() { FCapture = false; }
    bool Captured() const { return FCapture; }
    // Opaque pixels from Point over LineWidth pixels (clipped to the bitmap).
    void DrawHorzLine(const TPoint& Point, int LineWidth, TColor Color);

private:
    bool FCapture = false;
};
// The process's alpha bitmap, grown (never shrunk) to at least AWidth x AHeight.
TCacheAlphaBitmapVz* GetCacheAlphaBitmapVz(int AWidth, int AHeight);

// What a cached button bitmap shows; equal requests share one bitmap.
struct TButtonBitmapInfoVz {
    TPoint Size;
    TDrawButtonControlStyleVz BitmapType = bcsDropDownVz;
    bool Flat = false;
    bool Pressed = false;
    bool Active = false;
    bool Enabled = true;
    bool DownDirect = false;
    TCheckBoxState CheckState = cbUnchecked;
    bool DrawBack = true;
    bool operator==(const TButtonBitmapInfoVz&) const = default;
};

// Painted button faces kept until Clear; the cache owns the bitmaps, callers must not free them.
class TButtonsBitmapCache {
public:
    TBitmap* GetButtonBitmap(TButtonBitmapInfoVz Info);
    int Count() const { return static_cast<int>(FItems.size()); }
    void Clear() { FItems.clear(); }

private:
    struct TItem {
        TButtonBitmapInfoVz Info;
        TOwned<TBitmap> Bitmap;
    };
    std::vector<TItem> FItems;
};
TButtonsBitmapCache* ButtonsBitmapCacheVz();
void ClearButtonsBitmapCacheVz();
// Routes the edit-button painting through the cache (off by default).
bool UseButtonsBitmapCacheVz();
void SetUseButtonsBitmapCacheVz(bool Value);
