// Foundation of the grid library: the base classes every other unit derives from or creates
// (object list, field list, custom control, memory stream) and the small free routines that put
// one stable name in front of a framework call or a small computation, so the rest of the
// library calls these instead of the platform directly.
#pragma once

#include "platform/db/db.h"
#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/graphics.h"
#include "platform/gui/messages.h"
#include "platform/gui/stdctrls.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

#include <cstdint>
#include <vector>

class TField;
class TDataSet;

// ---- array types --------------------------------------------------------------------------------
using TPointArrayVz = std::vector<TPoint>;
using TDWORDArrayVz = std::vector<std::uint32_t>;
using TVariantDynArray = std::vector<Variant>;
using TRectDynArray = std::vector<TRect>;

// ---- base classes -------------------------------------------------------------------------------

// A plain list of field references (filled by the caller from a data set's field-list lookup);
// it never owns the fields.
class TFieldListVz : public TListT<TField, TList> {
    SDELKA_CLASS(TFieldListVz, TList)
public:
    TFieldListVz() = default;
};

// The library's object list. Unlike the framework's default, a list made without arguments does
// not own its objects: deleting, clearing or freeing the list leaves them alive.
class TObjectListVz : public TObjectList {
    SDELKA_CLASS(TObjectListVz, TObjectList)
public:
    TObjectListVz() : TObjectList(false) {}
    explicit TObjectListVz(bool AOwnsObjects) : TObjectList(AOwnsObjects) {}
};

// Empty base of the library's custom-drawn windowed controls (the base grid, calendars, the
// calculator, size grips). It lets the library's routines reach the window re-creation.
class TCustomControlVz : public TCustomControl {
    SDELKA_CLASS(TCustomControlVz, TCustomControl)
public:
    explicit TCustomControlVz(TComponent* AOwner) : TCustomControl(AOwner) {}
};

// A memory stream whose capacity grows in steps of 2 * HalfMemoryDelta bytes (8 192 by
// default), so that streaming many small records does not reallocate on every write.
class TMemoryStreamVz : public TMemoryStream {
    SDELKA_CLASS(TMemoryStreamVz, TMemoryStream)
public:
    TMemoryStreamVz() = default;

    Integer Write(const void* Buffer, Integer Count) override;
    void SetSize(Int64 NewSize) override;
    // The capacity passes through Realloc (rounded up to a step unless it equals the size).
    void SetCapacity(Int64 NewCapacity);

    // Must be a power of two (the rounding masks with the step).
    Integer HalfMemoryDelta() const { return FHalfMemoryDelta; }
    void SetHalfMemoryDelta(Integer Value) { FHalfMemoryDelta = Value; }

protected:
    // Decides the capacity for a request: a positive request other than the current size is
    // rounded up to a multiple of the step; 0 releases the memory. Answers the capacity taken.
    virtual Int64 Realloc(Int64 NewCapacity);

private:
    void ApplyCapacity(Int64 NewCapacity);
    Integer FHalfMemoryDelta = 4096;
};

// ---- objects, no-operations and process ---------------------------------------------------------
void FreeObjectVz(TObject* Obj);
void DoNothingVz();
void IgnoreObjectVz(TObject* Obj);
void RecreateWndVz(TCustomControlVz* Control);
// Writes the text to the debugger output (standard error here).
void OutputDebugStringVz(const String& Text);
// Milliseconds since the process clock started, as a 32-bit counter widened to 64 bits (it wraps
// after 2^32 ms, as the system tick count does).
Int64 GetTickCountVz();
// Takes at most one queued message of that number for the window out of the posted-message queue.
void RemovePendingMessageVz(HWND Wnd, UINT Msg);

// ---- rectangles and points ----------------------------------------------------------------------
TRect EmptyRectVz();
// False only when Left < Right and Top < Bottom.
bool IsRectEmptyVz(const TRect& R);
TRect OffsetRectSidesVz(const TRect& R, int DLeft, int DTop, int DRight, int DBottom);
void MoveRectToVz(TRect& R, int X, int Y);
void MoveRectToPointVz(TRect& R, const TPoint& P);
// X the low 16 bits, Y the high 16 bits, both sign-extended.
void SmallPointToPointVz(std::uint32_t SmallPoint, TPoint& P);
inline std::uint32_t SmallPointToLParamVz(std::uint32_t SmallPoint) { return SmallPoint; }
inline std::uint32_t LParamToSmallPointVz(std::uint32_t LParam) { return LParam; }
// The client rectangle when the control has a window, else (0, 0, Width, Height); then the
// control's AdjustClientRect.
void GetControlClientRectVz(TWinControl* Control, TRect& R);

// ---- windows and messages -----------------------------------------------------------------------
LRESULT SendMessageVz(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);

// ---- text, characters and locale ----------------------------------------------------------------
// A set of characters in the range 0..255 (the framework's "set of AnsiChar").
using TCharSetVz = TSet<unsigned char, 256>;
// Membership; a character above U+00FF is never a member.
bool CharInSetVz(Char C, const TCharSetVz& CharSet);
inline Char GetMiddleDotCharVz() { return Char(0x00B7); }
inline Integer TextLengthVz(const String& Text) { return static_cast<Integer>(Text.size()); }
inline Integer NextCharIndexVz(const String& /*Text*/, Integer Index) { return Index + 1; }
String AnsiUpperCaseVz(const String& S);
String AnsiLowerCaseVz(const String& S);
Integer AnsiCompareStrVz(const String& S1, const String& S2);
Integer AnsiCompareTextVz(const String& S1, const String& S2);
// Locale comparison of the first Length characters of both texts (Length 0: the whole texts):
// -1, 0 or 1.
Integer CompareStringsLocaleVz(const String& S1, const String& S2, Integer Length, bool IgnoreCase);
// First day of the week of the user's locale: 0 = Monday .. 6 = Sunday (Monday in this system).
Integer GetLocaleFirstDayOfWeekVz();
// Null (and Unassigned) give an empty text, anything else VarToStr.
void VarToStrNullAsEmptyVz(const Variant& V, String& S);

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

// ---- data sets, properties and Variants ---------------------------------------------------------
int DataSetCompareBookmarksVz(TDataSet* DataSet, const TBookmark& Bookmark1, const TBookmark& Bookmark2);
// False for an empty bookmark, else the data set's BookmarkValid.
bool DataSetBookmarkValidVz(TDataSet* DataSet, const TBookmark& Bookmark);
// The data set of the data source that an object-typed property of Instance holds; nil when the
// property is missing, not of class type, unreadable or not a data source.
TDataSet* GetDataSetFromSourcePropVz(TObject* Instance, PPropInfo PropInfo);
void VarArrayRedimVz(Variant& A, int HighBound);
// An object reference kept in a Variant (not owned), and back. VarToRefObjectVz raises
// EInvalidCast "Interface not supported" when the Variant holds something else.
void RefObjectToVarVz(TObject* Obj, Variant& V);
TObject* VarToRefObjectVz(const Variant& V);
