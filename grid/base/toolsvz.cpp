#include "grid/base/toolsvz.h"

#include "platform/gui/cursors.h"
#include "platform/gui/forms.h"
#include "platform/gui/maskutils.h"

#include <QCursor>

#include <cmath>

// ---- windows, messages and controls ------------------------------------------------------------

void RecreateWndVz(TCustomControlVz* Control) {
    if (Control) Control->RecreateWnd();
}

void RemovePendingMessageVz(HWND Wnd, UINT Msg) {
    TMsg m;
    // A posted quit request never reaches this queue on this platform (the application's
    // Terminate ends the loops), so a taken message is simply dropped.
    PeekMessage(m, Wnd, Msg, Msg, PM_REMOVE);
}

LRESULT SendMessageVz(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
    return SendMessage(Wnd, Msg, WParam, LParam);
}

// ---- rectangles and points ----------------------------------------------------------------------

TRect EmptyRectVz() {
    return TRect(0, 0, 0, 0);
}

bool IsRectEmptyVz(const TRect& R) {
    return !(R.Left < R.Right && R.Top < R.Bottom);
}

TRect OffsetRectSidesVz(const TRect& R, int DLeft, int DTop, int DRight, int DBottom) {
    return TRect(R.Left + DLeft, R.Top + DTop, R.Right + DRight, R.Bottom + DBottom);
}

void MoveRectToVz(TRect& R, int X, int Y) {
    const int w = R.Width();
    const int h = R.Height();
    R = TRect(X, Y, X + w, Y + h);
}

void MoveRectToPointVz(TRect& R, const TPoint& P) {
    MoveRectToVz(R, P.X, P.Y);
}

void SmallPointToPointVz(std::uint32_t SmallPoint, TPoint& P) {
    P.X = static_cast<std::int16_t>(SmallPoint & 0xFFFFu);
    P.Y = static_cast<std::int16_t>((SmallPoint >> 16) & 0xFFFFu);
}

void GetControlClientRectVz(TWinControl* Control, TRect& R) {
    // The client rectangle is the same with and without a window on this platform; the control's
    // adjustment (borders, panels) is applied to it.
    R = Control->AdjustClientRect();
}

// ---- fonts and text drawing ---------------------------------------------------------------------

namespace {
struct TScreenCanvasHolder {
    TCanvas* Canvas = nullptr;
    ~TScreenCanvasHolder() {
        if (!Canvas) return;
        Canvas->SetHandle(nullptr);
        Canvas->Free();
    }
};
}  // namespace

TCanvas* GetScreenCanvasVz() {
    HDC dc = ScreenDC();  // lives for the whole process
    static TScreenCanvasHolder holder;
    if (!holder.Canvas) {
        holder.Canvas = New<TCanvas>();
        holder.Canvas->SetHandle(dc);
    }
    return holder.Canvas;
}

Integer GetFontSizeVz(TFont* Font, TCanvas*) {
    return Font->Size();
}

Integer GetFontPixelHeightVz(TFont* Font) {
    return -Font->Height();
}

Integer GetFontTextHeightVz(TCanvas* Canvas, TFont* Font, bool WithExternalLeading) {
    TCanvas* c = (Canvas && Canvas->HandleAllocated()) ? Canvas : GetScreenCanvasVz();
    c->SetFont(Font);
    TTextMetric tm;
    GetTextMetrics(c->Handle(), tm);
    return WithExternalLeading ? tm.tmHeight + tm.tmExternalLeading : tm.tmHeight;
}

void GetTextMetricsVz(TCanvas* Canvas, TTextMetric& TM) {
    TCanvas* c = Canvas;
    if (!Canvas->HandleAllocated()) {
        c = GetScreenCanvasVz();
        c->SetFont(Canvas->Font());
    }
    c->TextHeight(String());  // realises the font on the device context
    GetTextMetrics(c->Handle(), TM);
}

void GetTextExtentExPointVz(TCanvas* Canvas, const String& Text, TSize& Size, std::vector<int>& Extents) {
    Size = TSize(0, 0);
    Extents.assign(static_cast<std::size_t>(Text.size()), 0);
    Canvas->TextHeight(String());  // realises the font on the device context
    HDC dc = Canvas->Handle();
    Size = dc->GetTextExtent(Text);
    for (qsizetype i = 0; i < Text.size(); ++i) Extents[static_cast<std::size_t>(i)] = dc->GetTextExtent(Text.left(i + 1)).cx;
}

int DrawTextVz(HDC DC, const String& Text, int Length, TRect& R, unsigned Flags) {
    return DrawText(DC, Length < 0 ? Text : Text.left(Length), R, Flags);
}

int DrawTextExVz(HDC DC, const String& Text, TRect& R, unsigned Flags, const TDrawTextParams& Params) {
    TDrawTextParams p = Params;
    return DrawTextEx(DC, Text, R, Flags, &p);
}

int DrawTextExPlainVz(HDC DC, const String& Text, TRect& R, unsigned Flags) {
    return DrawTextEx(DC, Text, R, Flags, nullptr);
}

void DrawTextWithOptionsVz(TCanvas* Canvas, const String& Text, const TRect& R, const TDrawTextOptionsVz& Options,
                           const TRect& /*Margins*/) {
    unsigned flags = 0;
    if (Options.LineMode == 1) flags |= DT_WORDBREAK;
    else if (Options.LineMode == 2) flags |= DT_SINGLELINE;
    if (Options.EndEllipsis) flags |= DT_END_ELLIPSIS;
    flags |= DT_EXPANDTABS | DT_NOPREFIX;
    switch (Options.Alignment) {
    case taRightJustify: flags |= DT_RIGHT; break;
    case taCenter: flags |= DT_CENTER; break;
    default: flags |= DT_LEFT; break;
    }
    if (Options.RightToLeftReading) flags |= DT_RTLREADING;
    if (!Options.Opaque) Canvas->Brush()->SetStyle(bsClear);

    Canvas->TextHeight(String());  // realises font and brush on the device context
    HDC dc = Canvas->Handle();
    TRect drawRect = R;
    if (Options.Layout != tlTop) {
        TRect calc = R;
        const int h = DrawTextEx(dc, Text, calc, flags | DT_CALCRECT, nullptr);
        if (Options.Layout == tlCenter) drawRect.Top = (R.Bottom + R.Top - h) / 2;
        else drawRect.Top = R.Bottom - h;
    }
    DrawTextEx(dc, Text, drawRect, flags, nullptr);
}

void DrawTextInRectVz(TCanvas* Canvas, const String& Text, const TRect& R) {
    TDrawTextOptionsVz o;
    o.Opaque = Canvas->Brush()->Style() != bsClear;
    DrawTextWithOptionsVz(Canvas, Text, R, o);
}

void ExtTextOutVz(HDC DC, int X, int Y, unsigned Options, const TRect* R, const String& Text, int Length) {
    ExtTextOut(DC, X, Y, Options, R, Length < 0 ? Text : Text.left(Length));
}

void PolyPolylineVz(TCanvas* Canvas, const TPointArrayVz& Points, const std::vector<int>& Counts, int PolylineCount) {
    std::size_t at = 0;
    for (int i = 0; i < PolylineCount && i < static_cast<int>(Counts.size()); ++i) {
        const std::size_t n = static_cast<std::size_t>(std::max(0, Counts[static_cast<std::size_t>(i)]));
        if (at + n > Points.size()) break;
        Canvas->Polyline(std::vector<TPoint>(Points.begin() + static_cast<std::ptrdiff_t>(at),
                                             Points.begin() + static_cast<std::ptrdiff_t>(at + n)));
        at += n;
    }
}

String FormatMaskTextVz(const String& EditMask, const String& Value) {
    return FormatMaskText(EditMask, Value);
}

TPoint InterpolatePointVz(const TPoint& P1, const TPoint& P2, double Fraction) {
    return TPoint(P1.X + static_cast<int>(std::trunc((P2.X - P1.X) * Fraction)),
                  P1.Y + static_cast<int>(std::trunc((P2.Y - P1.Y) * Fraction)));
}

TRect GetControlScreenRectVz(TControl* Control) {
    const TPoint o = Control->ClientOrigin();
    return TRect(o.X, o.Y, o.X + Control->Width(), o.Y + Control->Height());
}

bool IsWithinDoubleClickVz(const TPoint& FirstClick, const TPoint& SecondClick, unsigned ElapsedMs) {
    return ElapsedMs <= GetDoubleClickTime() &&
           std::abs(SecondClick.X - FirstClick.X) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
           std::abs(SecondClick.Y - FirstClick.Y) <= GetSystemMetrics(SM_CYDOUBLECLK);
}

bool IsMouseButtonDownVz(TMouseButton Button) {
    const TShiftState s = GetAsyncShiftState();
    switch (Button) {
        case mbLeft: return s.Contains(ssLeft);
        case mbRight: return s.Contains(ssRight);
        case mbMiddle: return s.Contains(ssMiddle);
    }
    return false;
}

TShiftState GetShiftStateVz() {
    const TShiftState s = GetAsyncShiftState();
    TShiftState r;
    for (TShiftStateItem i : {ssShift, ssAlt, ssCtrl})
        if (s.Contains(i)) r.Include(i);
    return r;
}

void GetCursorPosVz(TPoint& P) {
    const QPoint p = QCursor::pos();
    P = TPoint(p.x(), p.y());
}

namespace {
// The queued click of the control's window, tested by Passes(window, point in the window).
template <class Test>
bool RemoveQueuedClickVz(TControl* Control, Test Passes) {
    if (!Control) return false;
    auto* w = dynamic_cast<TWinControl*>(Control);
    if (!w) w = Control->Parent();
    if (!w || !w->HandleAllocated()) return false;
    const HWND wnd = w->Handle();
    TMsg m;
    if (!PeekMessage(m, wnd, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, PM_NOREMOVE)) return false;
    if (m.message != WM_LBUTTONDOWN && m.message != WM_LBUTTONDBLCLK) return false;
    TPoint p;
    SmallPointToPointVz(static_cast<std::uint32_t>(m.lParam), p);
    if (!Passes(w, p)) return false;
    PeekMessage(m, wnd, m.message, m.message, PM_REMOVE);
    return true;
}
}  // namespace

bool RemoveQueuedClickInControlVz(TControl* Control) {
    return RemoveQueuedClickVz(Control, [Control](TWinControl* W, const TPoint& P) {
        if (Control != W && W->ControlAtPos(P, true, false) != Control) return false;
        const TPoint c = Control == W ? P : Control->ScreenToClient(W->ClientToScreen(P));
        return PointInRectVz(Control->ClientRect(), c);
    });
}

bool RemoveQueuedClickOnControlVz(TControl* Control) {
    return RemoveQueuedClickVz(Control, [Control](TWinControl* W, const TPoint& P) {
        return W->ControlAtPos(P, true, false) == Control;
    });
}

void PerformOnComponentsVz(TComponent* Component, TClass Class, UINT Msg, WPARAM WParam, LPARAM LParam) {
    for (int i = 0; i < Component->ComponentCount(); ++i) {
        TComponent* c = Component->Components(i);
        if (c->InheritsFrom(Class))
            if (auto* control = dynamic_cast<TControl*>(c)) control->Perform(Msg, WParam, LParam);
        PerformOnComponentsVz(c, Class, Msg, WParam, LParam);
    }
}

bool PointInRectVz(const TRect& R, const TPoint& P) {
    return R.Left <= P.X && P.X < R.Right && R.Top <= P.Y && P.Y < R.Bottom;
}

TCursorHandle* LoadCursorOrRaiseVz(void* Instance, const char* Name) {
    HCURSOR h = LoadCursor(Instance, Name);
    if (!h) throw EOutOfResources(QStringLiteral("Cannot load cursor resource"));
    return h;
}

TCursor LoadRegisterCursorVz(const char* Name) {
    HCURSOR def = Screen->Cursors(0);
    for (int i = 1; i <= 32767; ++i) {
        if (Screen->Cursors(i) != def) continue;
        Screen->SetCursors(i, LoadCursorOrRaiseVz(HInstance, Name));
        return static_cast<TCursor>(i);
    }
    throw Exception(QStringLiteral("LoadRegisterCursorVz could not register cursor - \"%1\"").arg(QString::fromLatin1(Name)));
}

void PostApplicationMessageOnceVz(UINT Msg, WPARAM WParam, LPARAM LParam) {
    TMsg waiting;
    if (PeekMessage(waiting, nullptr, Msg, Msg, PM_NOREMOVE)) return;
    if (HWND app = Application ? Application->Handle() : nullptr) PostMessage(app, Msg, WParam, LParam);
}
