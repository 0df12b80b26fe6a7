// Device contexts and the canvas.
//
// TDeviceContext is the GDI-level drawing surface: selected logical font/pen/brush, text and
// background colours, background mode, text alignment, raster operation, current position, a
// clip region with save/restore, window/viewport origins and a right-to-left layout. The base
// class keeps that state and the clip bookkeeping; an implementation draws (TPainterDC over a
// QPainter on a widget, QImage, printer or PDF writer) or only measures (TMeasureDC). A metafile
// recorder is another implementation of the same interface.
//
// Coordinates are logical units; device = logical - window origin + viewport origin, mirrored
// across the device width under LAYOUT_RTL. Drawing follows GDI's pixel rules: rectangles exclude
// their right and bottom edges, lines do not draw their last point, a pen of width 0 or 1 is one
// device pixel wide, and shapes are not antialiased.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/types.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QRegion>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QPaintDevice;
class TGraphic;

// ---------------------------------------------------------------------------------------------
// GDI constants

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr unsigned TA_NOUPDATECP = 0;
constexpr unsigned TA_UPDATECP = 1;
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;
constexpr unsigned TA_RTLREADING = 256;

constexpr unsigned ETO_OPAQUE = 0x0002;
constexpr unsigned ETO_CLIPPED = 0x0004;
constexpr unsigned ETO_RTLREADING = 0x0080;

constexpr unsigned LAYOUT_RTL = 0x00000001;

// Graphics modes and the world transform's modify modes.
constexpr int GM_COMPATIBLE = 1;
constexpr int GM_ADVANCED = 2;
constexpr unsigned MWT_IDENTITY = 1;
constexpr unsigned MWT_LEFTMULTIPLY = 2;
constexpr unsigned MWT_RIGHTMULTIPLY = 3;
constexpr unsigned LAYOUT_BITMAPORIENTATIONPRESERVED = 0x00000008;

// Region results of the clip operations.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// Raster operations of the block transfers.
constexpr unsigned SRCCOPY = 0x00CC0020;
constexpr unsigned SRCPAINT = 0x00EE0086;
constexpr unsigned SRCAND = 0x008800C6;
constexpr unsigned SRCINVERT = 0x00660046;
constexpr unsigned SRCERASE = 0x00440328;
constexpr unsigned NOTSRCCOPY = 0x00330008;
constexpr unsigned NOTSRCERASE = 0x001100A6;
constexpr unsigned MERGEPAINT = 0x00BB0226;
constexpr unsigned DSTINVERT = 0x00550009;
constexpr unsigned PATCOPY = 0x00F00021;
constexpr unsigned BLACKNESS = 0x00000042;
constexpr unsigned WHITENESS = 0x00FF0062;

struct TTextMetric {
    int tmHeight = 0;          // ascent + descent
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0; // tmHeight - character (em) height
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = FW_NORMAL;
    int tmOverhang = 0;
    bool tmItalic = false;
    bool tmUnderlined = false;
    bool tmStruckOut = false;
    Byte tmPitchAndFamily = 0;
    TFontCharset tmCharSet = DEFAULT_CHARSET;
};

// A world transform: (x, y) maps to (x eM11 + y eM21 + eDx, x eM12 + y eM22 + eDy).
struct XFORM {
    double eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
    bool IsIdentity() const { return eM11 == 1 && eM12 == 0 && eM21 == 0 && eM22 == 1 && eDx == 0 && eDy == 0; }
};
// First applies A, then B.
XFORM CombineXForm(const XFORM& A, const XFORM& B);

// A clip region: a list of rectangles (logical units when given to a device context).
class TRegion {
public:
    TRegion() = default;
    explicit TRegion(const TRect& R) { Add(R); }
    explicit TRegion(std::vector<TRect> Rects) : FRects(std::move(Rects)) {}
    void Add(const TRect& R) { if (!R.IsEmpty()) FRects.push_back(R); }
    const std::vector<TRect>& Rects() const { return FRects; }
    bool Empty() const { return FRects.empty(); }

private:
    std::vector<TRect> FRects;
};

// ---------------------------------------------------------------------------------------------
// The device context interface

class TDeviceContext {
public:
    TDeviceContext();
    TDeviceContext(const TDeviceContext&) = delete;
    TDeviceContext& operator=(const TDeviceContext&) = delete;
    virtual ~TDeviceContext();

    // Device capabilities.
    virtual int LogPixelsX() const = 0;
    virtual int LogPixelsY() const = 0;
    virtual TSize DeviceSize() const = 0;  // pixels; the clip box without a clip region

    // Selected objects and attributes. Setters return the previous value.
    virtual void SelectFont(const TLogFont& Font);
    virtual void SelectPen(const TLogPen& Pen);
    virtual void SelectBrush(const TLogBrush& Brush);
    const TLogFont& Font() const { return S.Font; }
    const TLogPen& Pen() const { return S.Pen; }
    const TLogBrush& Brush() const { return S.Brush; }
    virtual COLORREF SetTextColor(COLORREF Color);
    virtual COLORREF SetBkColor(COLORREF Color);
    virtual int SetBkMode(int Mode);
    virtual unsigned SetTextAlign(unsigned Align);
    virtual int SetROP2(int Rop);
    COLORREF TextColor() const { return S.TextColor; }
    COLORREF BkColor() const { return S.BkColor; }
    int BkMode() const { return S.BkMode; }
    unsigned TextAlign() const { return S.TextAlign; }
    int ROP2() const { return S.Rop2; }

    // Coordinate spaces.
    virtual TPoint SetWindowOrg(const TPoint& P);
    virtual TPoint SetViewportOrg(const TPoint& P);
    virtual unsigned SetLayout(unsigned Layout);
    TPoint WindowOrg() const { return S.WindowOrg; }
    TPoint ViewportOrg() const { return S.ViewportOrg; }
    unsigned Layout() const { return S.Layout; }
    // The world transform stands before the window/viewport mapping. It can be set only in the
    // advanced graphics mode, and that mode can be left only with an identity transform. Shapes
    // and rectangles map to the bounding box of their turned corners (exact for quarter turns);
    // text turns with the transform.
    virtual int SetGraphicsMode(int Mode);  // the previous mode, 0 when refused
    int GraphicsMode() const { return S.GraphicsMode; }
    virtual bool SetWorldTransform(const XFORM& X);
    virtual bool ModifyWorldTransform(const XFORM* X, unsigned Mode);
    const XFORM& WorldTransform() const { return S.World; }
    TPoint LPtoDP(const TPoint& P) const;
    TPoint DPtoLP(const TPoint& P) const;
    TRect LPtoDP(const TRect& R) const;  // normalised (mirroring swaps left and right)
    TRect DPtoLP(const TRect& R) const;

    // State stack: SaveDC returns the new level (1, 2, ...); RestoreDC(-1) pops one level,
    // RestoreDC(n) returns to the state saved as level n.
    virtual int SaveDC();
    virtual bool RestoreDC(int SavedDC);

    // Clipping (rectangles in logical units). The results are region kinds (NULLREGION ...).
    virtual int IntersectClipRect(const TRect& R);
    virtual int ExcludeClipRect(const TRect& R);
    virtual int SelectClipRgn(const TRegion* Rgn);  // nullptr: no clipping
    int GetClipBox(TRect& R) const;                 // logical units
    bool RectVisible(const TRect& R) const;
    bool HasClip() const { return S.HasClip; }
    const QRegion& ClipRegion() const { return S.Clip; }  // device pixels (when HasClip)

    // Drawing. Shapes use the selected pen and brush; text the font, colours, mode, alignment.
    virtual TPoint MoveTo(const TPoint& P);
    TPoint PenPos() const { return S.PenPos; }
    virtual void LineTo(const TPoint& P) = 0;
    virtual void Polyline(const TPoint* Points, int Count) = 0;
    virtual void Polygon(const TPoint* Points, int Count) = 0;
    virtual void Rectangle(const TRect& R) = 0;
    virtual void RoundRect(const TRect& R, int EllipseWidth, int EllipseHeight) = 0;
    virtual void Ellipse(const TRect& R) = 0;
    virtual void FillRect(const TRect& R, const TLogBrush& Brush) = 0;
    virtual void FrameRect(const TRect& R, const TLogBrush& Brush) = 0;
    virtual void InvertRect(const TRect& R) = 0;
    virtual void DrawFocusRect(const TRect& R) = 0;
    // Text at (X, Y) per the text alignment; Dx: optional advance of each character.
    virtual void ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, const String& Text,
                            const int* Dx = nullptr) = 0;
    virtual void SetPixel(const TPoint& P, COLORREF Color) = 0;
    virtual COLORREF GetPixel(const TPoint& P) const = 0;  // CLR_INVALID when unreadable
    // Copies Src (its SrcRect, in image pixels) to Dest, stretched, with a raster operation.
    virtual void StretchBlt(const TRect& Dest, const QImage& Src, const TRect& SrcRect,
                            unsigned Rop = SRCCOPY) = 0;
    // Draws Src over Dest with the source's alpha channel (transparent pictures, icons, blends),
    // ConstAlpha (0..255) multiplying it.
    virtual void AlphaBlend(const TRect& Dest, const QImage& Src, const TRect& SrcRect, int ConstAlpha = 255) = 0;
    // The device pixels under a logical rectangle, when the device can be read (else null image).
    virtual QImage GrabImage(const TRect& R) const = 0;

    // Measuring, with the selected font at the device's resolution.
    // The height is the font's line height (ascent and descent), whatever the text.
    virtual TSize GetTextExtent(const String& Text) const;
    // That line height, without measuring a text.
    int LineHeight() const;
    virtual bool GetTextMetrics(TTextMetric& TM) const;
    // The realised Qt font of the selected logical font and its metrics.
    const QFont& QtFont() const;
    const QFontMetricsF& FontMetrics() const;

    // Drawing of all pending output (a no-op except on painters that buffer).
    virtual void Flush() {}

protected:
    struct TState {
        TLogFont Font;
        TLogPen Pen;
        TLogBrush Brush;
        COLORREF TextColor = 0x000000;
        COLORREF BkColor = 0xFFFFFF;
        int BkMode = OPAQUE;
        unsigned TextAlign = TA_LEFT | TA_TOP;
        int Rop2 = R2_COPYPEN;
        TPoint PenPos;
        TPoint WindowOrg;
        TPoint ViewportOrg;
        unsigned Layout = 0;
        int GraphicsMode = GM_COMPATIBLE;
        XFORM World;
        bool HasClip = false;
        QRegion Clip;  // device pixels
    };
    TState S;
    std::vector<TState> FSaved;

    // Called after the clip region changed (painters apply it).
    virtual void ClipChanged() {}
    // Called after the font changed.
    virtual void FontChanged() {}

    QRegion DeviceRegion(const TRect& LogicalRect) const;

private:
    mutable std::optional<QFont> FQtFont;
    mutable std::optional<QFontMetricsF> FMetrics;
};

using HDC = TDeviceContext*;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// A device context that draws with a QPainter. It either opens its own painter on a paint device
// (an image, a printer, a PDF writer, a widget inside its paint event) or borrows an open one.
class TPainterDC : public TDeviceContext {
public:
    explicit TPainterDC(QPaintDevice* Device);
    explicit TPainterDC(QPainter* Painter);  // borrowed; the caller ends it
    ~TPainterDC() override;

    QPainter* Painter() const { return FPainter; }
    QPaintDevice* Device() const { return FDevice; }

    int LogPixelsX() const override;
    int LogPixelsY() const override;
    TSize DeviceSize() const override;

    void LineTo(const TPoint& P) override;
    void Polyline(const TPoint* Points, int Count) override;
    void Polygon(const TPoint* Points, int Count) override;
    void Rectangle(const TRect& R) override;
    void RoundRect(const TRect& R, int EllipseWidth, int EllipseHeight) override;
    void Ellipse(const TRect& R) override;
    void FillRect(const TRect& R, const TLogBrush& Brush) override;
    void FrameRect(const TRect& R, const TLogBrush& Brush) override;
    void InvertRect(const TRect& R) override;
    void DrawFocusRect(const TRect& R) override;
    void ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, const String& Text,
                    const int* Dx = nullptr) override;
    void SetPixel(const TPoint& P, COLORREF Color) override;
    COLORREF GetPixel(const TPoint& P) const override;
    void StretchBlt(const TRect& Dest, const QImage& Src, const TRect& SrcRect, unsigned Rop = SRCCOPY) override;
    void AlphaBlend(const TRect& Dest, const QImage& Src, const TRect& SrcRect, int ConstAlpha = 255) override;
    QImage GrabImage(const TRect& R) const override;

protected:
    void ClipChanged() override;

private:
    void Prepare();  // transform, clip, raster op of the current state
    void ApplyPen(bool ForShape);
    void ApplyBrush();
    QImage* TargetImage() const;

    QPaintDevice* FDevice = nullptr;
    QPainter* FPainter = nullptr;
    bool FOwnsPainter = false;
};

// A device context with no pixels: measuring at a resolution (96 by default). Drawing does nothing.
class TMeasureDC : public TDeviceContext {
public:
    explicit TMeasureDC(int Dpi = 96, TSize Size = TSize(0x7FFF, 0x7FFF));
    int LogPixelsX() const override { return FDpi; }
    int LogPixelsY() const override { return FDpi; }
    TSize DeviceSize() const override { return FSize; }

    void LineTo(const TPoint& P) override { S.PenPos = P; }
    void Polyline(const TPoint*, int) override {}
    void Polygon(const TPoint*, int) override {}
    void Rectangle(const TRect&) override {}
    void RoundRect(const TRect&, int, int) override {}
    void Ellipse(const TRect&) override {}
    void FillRect(const TRect&, const TLogBrush&) override {}
    void FrameRect(const TRect&, const TLogBrush&) override {}
    void InvertRect(const TRect&) override {}
    void DrawFocusRect(const TRect&) override {}
    void ExtTextOut(int, int, unsigned, const TRect*, const String&, const int* = nullptr) override {}
    void SetPixel(const TPoint&, COLORREF) override {}
    COLORREF GetPixel(const TPoint&) const override { return CLR_INVALID; }
    void StretchBlt(const TRect&, const QImage&, const TRect&, unsigned = SRCCOPY) override {}
    void AlphaBlend(const TRect&, const QImage&, const TRect&, int = 255) override {}
    QImage GrabImage(const TRect&) const override { return QImage(); }

private:
    int FDpi;
    TSize FSize;
};

// The screen's measuring context (96 pixels per inch), for code that measures text with no canvas.
HDC ScreenDC();

// GDI-style free functions over a device context, for code written against the API.
inline unsigned SetTextAlign(HDC DC, unsigned Align) { return DC->SetTextAlign(Align); }
inline unsigned GetTextAlign(HDC DC) { return DC->TextAlign(); }
inline int SetBkMode(HDC DC, int Mode) { return DC->SetBkMode(Mode); }
inline COLORREF SetBkColor(HDC DC, COLORREF C) { return DC->SetBkColor(C); }
inline COLORREF SetTextColor(HDC DC, COLORREF C) { return DC->SetTextColor(C); }
inline int SetROP2(HDC DC, int Rop) { return DC->SetROP2(Rop); }
inline int SetGraphicsMode(HDC DC, int Mode) { return DC->SetGraphicsMode(Mode); }
inline int GetGraphicsMode(HDC DC) { return DC->GraphicsMode(); }
inline bool SetWorldTransform(HDC DC, const XFORM* X) { return X && DC->SetWorldTransform(*X); }
inline bool ModifyWorldTransform(HDC DC, const XFORM* X, unsigned Mode) { return DC->ModifyWorldTransform(X, Mode); }
inline bool GetWorldTransform(HDC DC, XFORM* X) {
    if (!X) return false;
    *X = DC->WorldTransform();
    return true;
}
inline int SaveDC(HDC DC) { return DC->SaveDC(); }
inline bool RestoreDC(HDC DC, int Saved) { return DC->RestoreDC(Saved); }
inline int IntersectClipRect(HDC DC, int L, int T, int R, int B) { return DC->IntersectClipRect(TRect(L, T, R, B)); }
inline int ExcludeClipRect(HDC DC, int L, int T, int R, int B) { return DC->ExcludeClipRect(TRect(L, T, R, B)); }
inline int SelectClipRgn(HDC DC, const TRegion* Rgn) { return DC->SelectClipRgn(Rgn); }
inline int GetClipBox(HDC DC, TRect& R) { return DC->GetClipBox(R); }
inline bool RectVisible(HDC DC, const TRect& R) { return DC->RectVisible(R); }
inline bool GetTextMetrics(HDC DC, TTextMetric& TM) { return DC->GetTextMetrics(TM); }
inline bool GetTextExtentPoint32(HDC DC, const String& S, TSize& Size) { Size = DC->GetTextExtent(S); return true; }
inline bool ExtTextOut(HDC DC, int X, int Y, unsigned Options, const TRect* R, const String& S, const int* Dx = nullptr) {
    DC->ExtTextOut(X, Y, Options, R, S, Dx);
    return true;
}
inline bool SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Old = nullptr) {
    TPoint o = DC->SetWindowOrg(TPoint(X, Y));
    if (Old) *Old = o;
    return true;
}
inline bool SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Old = nullptr) {
    TPoint o = DC->SetViewportOrg(TPoint(X, Y));
    if (Old) *Old = o;
    return true;
}
inline unsigned SetLayout(HDC DC, unsigned Layout) { return DC->SetLayout(Layout); }
inline bool DrawFocusRect(HDC DC, const TRect& R) { DC->DrawFocusRect(R); return true; }
inline int GetDeviceCapsLogPixelsY(HDC DC) { return DC->LogPixelsY(); }

// ---------------------------------------------------------------------------------------------
// TCanvas

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates, 4>;
enum TCanvasOrientation { coLeftToRight, coRightToLeft };
enum TFillStyle { fsSurface, fsBorder };
using TCopyMode = unsigned;
constexpr TCopyMode cmSrcCopy = SRCCOPY;
constexpr TCopyMode cmSrcPaint = SRCPAINT;
constexpr TCopyMode cmSrcAnd = SRCAND;
constexpr TCopyMode cmSrcInvert = SRCINVERT;
constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
constexpr TCopyMode cmDstInvert = DSTINVERT;
constexpr TCopyMode cmBlackness = BLACKNESS;
constexpr TCopyMode cmWhiteness = WHITENESS;

class TCanvas : public TPersistent {
    SDELKA_CLASS(TCanvas, TPersistent)
public:
    TCanvas();
    ~TCanvas() override;

    TFont* Font() const { return FFont.get(); }
    TPen* Pen() const { return FPen.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }
    void SetPen(TPen* Value) { FPen->Assign(Value); }
    void SetBrush(TBrush* Value) { FBrush->Assign(Value); }

    // The device context; asks CreateHandle for one when none is set.
    HDC Handle();
    // Gives the canvas a device context it does not own (nullptr detaches). Selected objects are
    // realised again on the next drawing call.
    void SetHandle(HDC Value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
    TPoint PenPos() const;
    void SetPenPos(const TPoint& Value) { MoveTo(Value.X, Value.Y); }
    int TextFlags() const { return FTextFlags; }  // ETO_* options of TextOut
    void SetTextFlags(int Value) { FTextFlags = Value; }
    TCanvasOrientation CanvasOrientation();
    TRect ClipRect();
    int LockCount() const { return FLockCount; }

    TColor Pixels(int X, int Y);
    void SetPixels(int X, int Y, TColor Value);

    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const std::vector<TPoint>& Points);
    void Polygon(const std::vector<TPoint>& Points);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    void FillRect(const TRect& R);      // with the brush; right and bottom excluded
    void FrameRect(const TRect& R);     // one-pixel frame in the brush colour
    void DrawFocusRect(const TRect& R); // dotted XOR frame; a second call erases it

    void TextOut(int X, int Y, const String& Text);
    // Text clipped to R (opaque background with a solid brush).
    void TextRect(const TRect& R, int X, int Y, const String& Text);
    int TextWidth(const String& Text);   // advance width
    int TextHeight(const String& Text);  // tmHeight of the font
    TSize TextExtent(const String& Text);

    void Draw(int X, int Y, TGraphic* Graphic);
    void StretchDraw(const TRect& R, TGraphic* Graphic);
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);

    void Lock() { ++FLockCount; }
    void Unlock() { --FLockCount; }
    bool TryLock() { if (FLockCount) return false; Lock(); return true; }

    void Refresh();  // forgets the realised objects: they are selected again when next used

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void CreateHandle() {}
    void RequiredState(TCanvasState ReqState);
    virtual void Changing();
    virtual void Changed();
    void DeselectHandles();

private:
    void FontChanged(TObject*);
    void PenChanged(TObject*);
    void BrushChanged(TObject*);

    TOwned<TFont> FFont;
    TOwned<TPen> FPen;
    TOwned<TBrush> FBrush;
    HDC FHandle = nullptr;
    TCanvasState FState;
    TCopyMode FCopyMode = cmSrcCopy;
    int FTextFlags = 0;
    int FLockCount = 0;
};
