// Enhanced metafiles: the EMF byte format written and read by our own code.
//
// TMetafileDC records the drawing of a device context as EMF records (little-endian, the standard
// record layouts); PlayEnhMetaFile replays such bytes onto any device context, mapping the
// header's frame onto a destination rectangle; EnumEnhMetaFile walks the records. TMetafile is the
// picture kind that holds the bytes, and TMetafileCanvas a canvas that records into one.
//
// Coordinates in the records are the recorder's logical units over a reference device (its
// resolution and size go into the header); the frame is in 0.01 mm.
#pragma once

#include "platform/gui/canvas.h"
#include "platform/gui/imaging.h"

#include <QByteArray>
#include <QByteArrayView>
#include <functional>
#include <memory>
#include <vector>

// Record types.
enum : unsigned {
    EMR_HEADER = 1, EMR_POLYGON = 3, EMR_POLYLINE = 4, EMR_SETWINDOWORGEX = 10, EMR_SETVIEWPORTORGEX = 12,
    EMR_EOF = 14, EMR_SETPIXELV = 15, EMR_SETBKMODE = 18, EMR_SETROP2 = 20, EMR_SETTEXTALIGN = 22,
    EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR = 25, EMR_MOVETOEX = 27, EMR_EXCLUDECLIPRECT = 29,
    EMR_INTERSECTCLIPRECT = 30, EMR_SAVEDC = 33, EMR_RESTOREDC = 34, EMR_SELECTOBJECT = 37,
    EMR_CREATEPEN = 38, EMR_CREATEBRUSHINDIRECT = 39, EMR_DELETEOBJECT = 40, EMR_ELLIPSE = 42,
    EMR_RECTANGLE = 43, EMR_ROUNDRECT = 44, EMR_LINETO = 54, EMR_FILLRGN = 71, EMR_FRAMERGN = 72,
    EMR_INVERTRGN = 73, EMR_EXTSELECTCLIPRGN = 75, EMR_BITBLT = 76, EMR_STRETCHDIBITS = 81,
    EMR_EXTCREATEFONTINDIRECTW = 82, EMR_EXTTEXTOUTW = 84, EMR_POLYGON16 = 86, EMR_POLYLINE16 = 87,
    EMR_ALPHABLEND = 114
};

constexpr std::uint32_t ENHMETA_SIGNATURE = 0x464D4520;  // " EMF"
constexpr std::uint32_t ENHMETA_STOCK_OBJECT = 0x80000000;

// Stock objects (selected as ENHMETA_STOCK_OBJECT | index).
enum : unsigned {
    WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4, NULL_BRUSH = 5,
    WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, SYSTEM_FONT = 13, DEVICE_DEFAULT_FONT = 14
};

// Clip region combination modes.
enum : unsigned { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };

// The fields of the header record that matter to a reader.
struct TEnhMetaHeader {
    TRect rclBounds;       // inclusive, reference device pixels; (0,0,-1,-1) for an empty picture
    TRect rclFrame;        // 0.01 mm; right and bottom are the picture's edge
    std::uint32_t nBytes = 0;
    std::uint32_t nRecords = 0;
    int nHandles = 0;      // object table size including the reserved entry 0
    TSize szlDevice;       // reference device, pixels
    TSize szlMillimeters;  // reference device, millimetres
    TSize szlMicrometers;  // reference device, micrometres (0 when the header has no such field)
};

// One record: its type and all its bytes (type and size words included).
struct TEnhMetaRecord {
    unsigned Type = 0;
    QByteArrayView Bytes;
};

// The text of an EMR_EXTTEXTOUTW record.
struct TEnhMetaText {
    TPoint Reference;      // logical units
    unsigned Options = 0;  // ETO_*
    TRect Rect;            // the clip/opaque rectangle of the options
    String Text;
    std::vector<int> Dx;   // advance of each UTF-16 unit
};

// Reads the header; false when Data is not an enhanced metafile.
bool GetEnhMetaFileHeader(QByteArrayView Data, TEnhMetaHeader& Header);
// Calls Proc for each record from the header to EOF; Proc returns false to stop. False when the
// bytes are not a well-formed metafile (the records before the fault have been passed).
using TEnhMetaFileProc = std::function<bool(const TEnhMetaRecord& Record)>;
bool EnumEnhMetaFile(QByteArrayView Data, const TEnhMetaFileProc& Proc);
// Decodes an EMR_EXTTEXTOUTW record; false for another type or a damaged record.
bool DecodeExtTextOutW(const TEnhMetaRecord& Record, TEnhMetaText& Text);
// Replays the metafile onto DC, its frame mapped onto Dest (logical units of DC). The state of
// DC is saved before and restored after. False when the bytes are not a metafile.
bool PlayEnhMetaFile(HDC DC, QByteArrayView Data, const TRect& Dest);

// ---------------------------------------------------------------------------------------------
// The recorder

class TMetafileDC : public TDeviceContext {
public:
    // Records over a reference device of the given resolution and size (pixels).
    TMetafileDC(int DpiX, int DpiY, TSize ReferenceSize);
    ~TMetafileDC() override;

    int LogPixelsX() const override { return FDpiX; }
    int LogPixelsY() const override { return FDpiY; }
    TSize DeviceSize() const override { return FSize; }

    void SelectFont(const TLogFont& Font) override;
    void SelectPen(const TLogPen& Pen) override;
    void SelectBrush(const TLogBrush& Brush) override;
    COLORREF SetTextColor(COLORREF Color) override;
    COLORREF SetBkColor(COLORREF Color) override;
    int SetBkMode(int Mode) override;
    unsigned SetTextAlign(unsigned Align) override;
    int SetROP2(int Rop) override;
    TPoint SetWindowOrg(const TPoint& P) override;
    TPoint SetViewportOrg(const TPoint& P) override;
    int SaveDC() override;
    bool RestoreDC(int SavedDC) override;
    int IntersectClipRect(const TRect& R) override;
    int ExcludeClipRect(const TRect& R) override;
    int SelectClipRgn(const TRegion* Rgn) override;
    TPoint MoveTo(const TPoint& P) override;

    void LineTo(const TPoint& P) override;
    void Polyline(const TPoint* Points, int Count) override;
    void Polygon(const TPoint* Points, int Count) override;
    void Rectangle(const TRect& R) override;
    void RoundRect(const TRect& R, int EllipseWidth, int EllipseHeight) override;
    void Ellipse(const TRect& R) override;
    void FillRect(const TRect& R, const TLogBrush& Brush) override;
    void FrameRect(const TRect& R, const TLogBrush& Brush) override;
    void InvertRect(const TRect& R) override;
    void DrawFocusRect(const TRect& R) override;  // not recorded: a screen-only XOR frame
    void ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, const String& Text,
                    const int* Dx = nullptr) override;
    void SetPixel(const TPoint& P, COLORREF Color) override;
    COLORREF GetPixel(const TPoint&) const override { return CLR_INVALID; }
    void StretchBlt(const TRect& Dest, const QImage& Src, const TRect& SrcRect, unsigned Rop = SRCCOPY) override;
    void AlphaBlend(const TRect& Dest, const QImage& Src, const TRect& SrcRect, int ConstAlpha = 255) override;
    QImage GrabImage(const TRect&) const override { return QImage(); }

    // Drawn area so far (inclusive device pixels; empty when nothing was drawn).
    TRect Bounds() const { return FBounds; }
    // Ends the recording and returns the metafile bytes. Frame: 0.01 mm; null means the drawn
    // bounds. The recorder is empty afterwards.
    QByteArray Finish(const TRect* Frame = nullptr);

private:
    class TWriter;
    struct TObjects;
    void AddBounds(const TRect& LogicalRect);
    unsigned PenHandle(const TLogPen& Pen);
    unsigned BrushHandle(const TLogBrush& Brush);
    unsigned FontHandle(const TLogFont& Font);
    void Select(unsigned& Current, unsigned Handle);
    void Poly(unsigned Type16, unsigned Type32, const TPoint* Points, int Count);
    void EmitDib(unsigned Type, const TRect& Dest, const QImage& Src, const TRect& SrcRect, unsigned Rop,
                 int ConstAlpha);

    int FDpiX, FDpiY;
    TSize FSize;
    std::unique_ptr<TWriter> FOut;
    std::unique_ptr<TObjects> FObj;
    TRect FBounds{0, 0, -1, -1};
};

// ---------------------------------------------------------------------------------------------

class TMetafile : public TGraphic {
    SDELKA_CLASS(TMetafile, TGraphic)
public:
    TMetafile();
    ~TMetafile() override;
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return FData.isEmpty(); }
    // Size in pixels at 96 per inch, from MMWidth/MMHeight.
    int Width() const override;
    int Height() const override;
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    // Size in 0.01 mm: the frame of the picture (a canvas opened next records with it).
    int MMWidth() const { return FMMWidth; }
    int MMHeight() const { return FMMHeight; }
    void SetMMWidth(int Value);
    void SetMMHeight(int Value);
    // Always written as an enhanced metafile; the flag is kept for code that sets it.
    bool Enhanced() const { return FEnhanced; }
    void SetEnhanced(bool Value) { FEnhanced = Value; }
    void Clear();

    // The EMF bytes. SetData checks them (EInvalidGraphic "Metafile is not valid").
    const QByteArray& Data() const { return FData; }
    void SetData(const QByteArray& Value);

    // Reads one metafile (its header's byte count) from the position.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // The picture at Width x Height on a transparent background.
    QImage ToImage() const override;

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    QByteArray FData;
    int FMMWidth = 0;
    int FMMHeight = 0;
    bool FEnhanced = true;
};

// A canvas that records into a metafile. Drawing is in the reference device's pixels (the
// screen's 96 per inch when none is given); the metafile receives the bytes when the canvas is
// destroyed. When the metafile has an MMWidth/MMHeight it is the frame, else the drawn bounds.
class TMetafileCanvas : public TCanvas {
    SDELKA_CLASS(TMetafileCanvas, TCanvas)
public:
    TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice);
    ~TMetafileCanvas() override;

private:
    TMetafile* FMetafile;
    std::unique_ptr<TMetafileDC> FRecorder;
};
