// Foundation of the grid library: the base classes every other unit derives from or creates
// (object list, field list, custom control, memory stream) and the small free routines that put
// one stable name in front of a framework call or a small computation, so the rest of the
// library calls these instead of the platform directly. What needs no control is in
// grid/core/coretoolsvz.h, which this header includes.
#pragma once

#include "grid/core/coretoolsvz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/graphics.h"
#include "platform/gui/messages.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/types.h"

#include <vector>

struct TCursorHandle;

// How a picture is placed in a rectangle (TPictureVz, the grid's background picture).
enum TImagePlacementVz {
    ipTopLeftVz, ipTopCenterVz, ipTopRightVz, ipCenterLeftVz, ipCenterCenterVz, ipCenterRightVz, ipBottomLeftVz,
    ipBottomCenterVz, ipBottomRightVz, ipFillVz, ipReduceFitVz, ipFitVz, ipStretchVz, ipTileVz
};

// ---- array types --------------------------------------------------------------------------------
using TPointArrayVz = std::vector<TPoint>;
using TRectDynArray = std::vector<TRect>;

// ---- base classes -------------------------------------------------------------------------------

// Empty base of the library's custom-drawn windowed controls (the base grid, calendars, the
// calculator, size grips). It lets the library's routines reach the window re-creation.
class TCustomControlVz : public TCustomControl {
    SDELKA_CLASS(TCustomControlVz, TCustomControl)
protected:
    ~TCustomControlVz() override = default;
    explicit TCustomControlVz(TComponent* AOwner) : TCustomControl(AOwner) {}
};

// ---- windows, messages and controls ------------------------------------------------------------
void RecreateWndVz(TCustomControlVz* Control);
// Takes at most one queued message of that number for the window out of the posted-message queue.
void RemovePendingMessageVz(HWND Wnd, UINT Msg);
LRESULT SendMessageVz(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// ---- rectangles and points ----------------------------------------------------------------------
TRect EmptyRectVz();
// False only when Left < Right and Top < Bottom.
bool IsRectEmptyVz(const TRect& R);
TRect OffsetRectSidesVz(const TRect& R, int DLeft, int DTop, int DRight, int DBottom);
void MoveRectToVz(TRect& R, int X, int Y);
void MoveRectToPointVz(TRect& R, const TPoint& P);
TPoint InterpolatePointVz(const TPoint& P1, const TPoint& P2, double Fraction);
// Left <= X < Right and Top <= Y < Bottom.
bool PointInRectVz(const TRect& R, const TPoint& P);
// The control's client origin on the screen, extended by its Width and Height.
TRect GetControlScreenRectVz(TControl* Control);
// True when the second click came within the double-click time of the first and no farther from
// it than the double-click distances.
bool IsWithinDoubleClickVz(const TPoint& FirstClick, const TPoint& SecondClick, unsigned ElapsedMs);
// Whether the button is held down right now (asked of the window system, not of a message).
bool IsMouseButtonDownVz(TMouseButton Button);
// Shift, Alt and Ctrl as they are held right now.
TShiftState GetShiftStateVz();
// The mouse position on the screen.
void GetCursorPosVz(TPoint& P);
// The named cursor of the module (platform/gui/cursors.h); raises EOutOfResources "Cannot load
// cursor resource" when there is none.
TCursorHandle* LoadCursorOrRaiseVz(void* Instance, const char* Name);
// Loads the program's named cursor into the first free index (1 to 32 767) of the screen's cursor
// table and returns that index. A free index answers the default cursor. Each call takes a new
// index, even for a name registered before; raises when every index is taken.
TCursor LoadRegisterCursorVz(const char* Name);
// Posts the message to the application window unless one of that number is already waiting.
void PostApplicationMessageOnceVz(UINT Msg, WPARAM WParam, LPARAM LParam);
// Swallow the click that closed a drop-down over the same control. Both look at the first queued
// left-button message of the control's window (its own, or its parent's for a graphic control);
// only a press or a double click counts. In: the click's point lies in the control's client area
// (for a graphic control it must also be the graphic child at that point). On: the control is the
// graphic child at that point. When it passes, that message leaves the queue and the answer is true.
bool RemoveQueuedClickInControlVz(TControl* Control);
bool RemoveQueuedClickOnControlVz(TControl* Control);
// Every component that Component owns, to any depth, which is a control of class Class (or derives
// from it) receives the message through Perform.
void PerformOnComponentsVz(TComponent* Component, TClass Class, UINT Msg, WPARAM WParam, LPARAM LParam);
// X the low 16 bits, Y the high 16 bits, both sign-extended.
void SmallPointToPointVz(std::uint32_t SmallPoint, TPoint& P);
inline std::uint32_t SmallPointToLParamVz(std::uint32_t SmallPoint) { return SmallPoint; }
inline std::uint32_t LParamToSmallPointVz(std::uint32_t LParam) { return LParam; }
// The client rectangle when the control has a window, else (0, 0, Width, Height); then the
// control's AdjustClientRect.
void GetControlClientRectVz(TWinControl* Control, TRect& R);

// ---- fonts and text drawing ---------------------------------------------------------------------
// The shared canvas on the screen's measuring context, created on the first call.
TCanvas* GetScreenCanvasVz();
Integer GetFontSizeVz(TFont* Font, TCanvas* Canvas);
Integer GetFontPixelHeightVz(TFont* Font);
// The font's tmHeight (plus tmExternalLeading with the flag), measured on Canvas, or on the
// screen canvas when Canvas is nil or has no device context (that canvas keeps the font).
Integer GetFontTextHeightVz(TCanvas* Canvas, TFont* Font, bool WithExternalLeading);
void GetTextMetricsVz(TCanvas* Canvas, TTextMetric& TM);
// The size of the whole text and, for every code unit, the width of the text up to and including it.
void GetTextExtentExPointVz(TCanvas* Canvas, const String& Text, TSize& Size, std::vector<int>& Extents);
int DrawTextVz(HDC DC, const String& Text, int Length, TRect& R, unsigned Flags);
int DrawTextExVz(HDC DC, const String& Text, TRect& R, unsigned Flags, const TDrawTextParams& Params);
int DrawTextExPlainVz(HDC DC, const String& Text, TRect& R, unsigned Flags);

struct TDrawTextOptionsVz {
    TAlignment Alignment = taLeftJustify;
    TTextLayout Layout = tlTop;
    Byte LineMode = 0;  // 0 plain, 1 word wrap, 2 single line
    bool Opaque = false;
    bool RightToLeftReading = false;
    bool EndEllipsis = false;
};
void DrawTextWithOptionsVz(TCanvas* Canvas, const String& Text, const TRect& R, const TDrawTextOptionsVz& Options,
                           const TRect& Margins = TRect());
// Left, top, plain lines, opaque unless the brush is clear.
void DrawTextInRectVz(TCanvas* Canvas, const String& Text, const TRect& R);
void ExtTextOutVz(HDC DC, int X, int Y, unsigned Options, const TRect* R, const String& Text, int Length);
void PolyPolylineVz(TCanvas* Canvas, const TPointArrayVz& Points, const std::vector<int>& Counts, int PolylineCount);
constexpr COLORREF RGBVz(Byte R, Byte G, Byte B) { return RGB(R, G, B); }
// The value laid out by an edit mask (the mask engine is the window framework's).
String FormatMaskTextVz(const String& EditMask, const String& Value);
