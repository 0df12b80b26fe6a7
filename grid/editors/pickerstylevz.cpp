#include "grid/editors/pickerstylevz.h"

#include "grid/base/graphutilsvz.h"
#include "grid/core/coretoolsvz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/rtl/rtlmath.h"

#include <algorithm>
#include <cmath>
#include <vector>

// ---- the transition surface --------------------------------------------------------------------

TImageTransformatorVz::TImageTransformatorVz(TComponent* AOwner)
    : TCustomControlVz(AOwner), FBitmap1(NewOwned<TBitmap>()), FBitmap2(NewOwned<TBitmap>()),
      FResultBitmap(NewOwned<TBitmap>()) {}

TImageTransformatorVz::~TImageTransformatorVz() = default;

void TImageTransformatorVz::Reset(TWinControl* Control1, TWinControl* Control2) {
    FBitmap1Transparency = 0;
    FBitmap2Transparency = 255;
    FBitmap1->SetSize(Width(), Height());
    FResultBitmap->SetSize(Width(), Height());
    if (Control1) Control1->PaintTo(FBitmap1->Canvas()->Handle());
    FBitmap2->SetSize(Width(), Height());
    if (Control2) {
        Control2->PaintTo(FBitmap2->Canvas()->Handle());
        Control2->PaintTo(FResultBitmap->Canvas()->Handle());
    }
}

void TImageTransformatorVz::AnimatedTransform() {
    const Int64 start = GetTickCountVz();
    Int64 t = 1;
    int step = 1;
    if (FOutputDebugString) {
        OutputDebugStringVz(String());
        OutputDebugStringVz(QStringLiteral("--"));
        OutputDebugStringVz(QStringLiteral("Start Time: %1").arg(start));
    }
    FLastFrameCount = 0;
    while (t < FTransformTime) {
        DrawFrame(int(t));
        ++FLastFrameCount;
        Repaint();
        ++step;
        if (FOutputDebugString) OutputDebugStringVz(QStringLiteral("Step: %1  Duration: (%2)").arg(step).arg(t));
        t = GetTickCountVz() - start;
    }
    if (FOutputDebugString) {
        const Int64 finish = GetTickCountVz();
        OutputDebugStringVz(QStringLiteral("Finish Time: %1").arg(finish));
        OutputDebugStringVz(QStringLiteral("Transformation Duration: (%1)").arg(finish - start));
        OutputDebugStringVz(QStringLiteral("--"));
    }
}

namespace {
void Blend(TCanvas* Dest, const TRect& R, TBitmap* Src, int Alpha) {
    if (Src->Empty() || R.Width() <= 0 || R.Height() <= 0) return;
    Dest->Handle()->AlphaBlend(R, Src->Image(), TRect(0, 0, Src->Width(), Src->Height()), std::clamp(Alpha, 0, 255));
}
} // namespace

void TImageTransformatorVz::DrawFrame(int Elapsed) {
    const int W = Width(), H = Height();
    const double T = std::max(FTransformTime, 1);
    TCanvas* c = FResultBitmap->Canvas();
    c->Brush()->SetColor(clWindow);
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(TRect(0, 0, W, H));
    const int A = RoundToInt(Elapsed * 255 / T);
    const int D = RoundToInt(Elapsed * W / T);
    switch (FTransformStyle) {
    case itsTransparentTransformVz:
        Blend(c, TRect(0, 0, W, H), FBitmap1.get(), 255 - A);
        Blend(c, TRect(0, 0, W, H), FBitmap2.get(), A);
        break;
    case itsLeftToRightTransformVz:
        c->Draw(D, 0, FBitmap1.get());
        c->Draw(D - W, 0, FBitmap2.get());
        break;
    case itsRightToLeftTransformVz:
        c->Draw(-D, 0, FBitmap1.get());
        c->Draw(W - D, 0, FBitmap2.get());
        break;
    case itsZoomInTransformVz: DrawZoom(FBitmap1.get(), FBitmap2.get(), Elapsed, A); break;
    case itsZoomOutTransformVz: DrawZoom(FBitmap2.get(), FBitmap1.get(), T - Elapsed, 255 - A); break;
    }
}

void TImageTransformatorVz::DrawZoom(TBitmap* Big, TBitmap* Small, double S, int SmallAlpha) {
    const int W = Width(), H = Height();
    const double T = std::max(FTransformTime, 1);
    const TRect& Z = FZoomWinRect;
    if (Z.Width() <= 0 || Z.Height() <= 0) return;
    const double kx = double(W) / Z.Width(), ky = double(H) / Z.Height();
    TCanvas* c = FResultBitmap->Canvas();
    const TRect big(RoundToInt(-S * Z.Left * kx / T), RoundToInt(-S * Z.Top * ky / T),
                    RoundToInt(W + S * (W - Z.Right) * kx / T), RoundToInt(H + S * (H - Z.Bottom) * ky / T));
    Blend(c, big, Big, 255 - SmallAlpha);
    const TRect small(RoundToInt(Z.Left - S * Z.Left / T), RoundToInt(Z.Top - S * Z.Top / T),
                      RoundToInt(Z.Right + S * (W - Z.Right) / T), RoundToInt(Z.Bottom + S * (H - Z.Bottom) / T));
    Blend(c, small, Small, SmallAlpha);
}

void TImageTransformatorVz::Paint() { Canvas()->Draw(0, 0, FResultBitmap.get()); }

// ---- the draw style ----------------------------------------------------------------------------

namespace {
std::vector<TControl*>& LivePickers() {
    static std::vector<TControl*> pickers;
    return pickers;
}
TOwned<TDateTimeCalendarPickerDrawStyleVz> OwnStyle;
TDateTimeCalendarPickerDrawStyleVz* CurrentStyle = nullptr;
} // namespace

void RegisterCalendarPickerVz(TControl* Picker, bool Register) {
    auto& list = LivePickers();
    if (Register) list.push_back(Picker);
    else list.erase(std::remove(list.begin(), list.end(), Picker), list.end());
}

TDateTimeCalendarPickerDrawStyleVz* GetDateTimeCalendarPickerDrawStyleVz() {
    if (!CurrentStyle) {
        if (!OwnStyle) OwnStyle.reset(New<TDateTimeCalendarPickerDrawStyleVz>());
        CurrentStyle = OwnStyle.get();
    }
    return CurrentStyle;
}

TDateTimeCalendarPickerDrawStyleVz* SetDateTimeCalendarPickerDrawStyleVz(TDateTimeCalendarPickerDrawStyleVz* Value) {
    TDateTimeCalendarPickerDrawStyleVz* previous = GetDateTimeCalendarPickerDrawStyleVz();
    CurrentStyle = Value;
    for (TControl* p : LivePickers()) p->Invalidate();
    return previous;
}

void TDateTimeCalendarPickerDrawStyleVz::SetHolidayBaseFontColor(TColor Value) {
    if (FHolidayBaseFontColor == Value) return;
    FHolidayBaseFontColor = Value;
    for (TControl* p : LivePickers()) p->Invalidate();
}

TColor TDateTimeCalendarPickerDrawStyleVz::GetHolidayFontColor() {
    const TColor base = GetHolidayBaseFontColor() == clDefault ? clRed : GetHolidayBaseFontColor();
    return SetColorLightnessVz(base, GetColorLuminanceVz(GetNormalCellFontColor()) > 127 ? 160 : 100);
}

TColor TDateTimeCalendarPickerDrawStyleVz::GetHolidayOutsidePeriodFontColor() {
    return MixColorsByPercentVz(GetHolidayFontColor(), GetOutsidePeriodCellFontColor(), 66);
}

TColor TDateTimeCalendarPickerDrawStyleVz::GetHolidaySelectedFontColor() {
    return SetColorLightnessVz(clRed, GetColorLuminanceVz(GetSelectedCellFontColor()) > 99 ? 180 : 60);
}

TColor TDateTimeCalendarPickerDrawStyleVz::GetHotTrackCellBrushColor() {
    if (CanDrawSelectionByStyle()) return clWindow;
    const TColor window = ColorToRGB(clWindow), highlight = ColorToRGB(clHighlight);
    if (window != FHotTrackCellBrushColor1 || highlight != FHotTrackCellBrushColor2) {
        const int l1 = GetColorLuminanceVz(window), l2 = GetColorLuminanceVz(highlight);
        const int c = int(std::trunc(std::abs(l1 - l2) / 255.0 * 100));
        const int d = c <= 19 ? 50 : c <= 25 ? 40 : c <= 31 ? 30 : 15;
        FHotTrackCellBrushColor = MixColorsByPercentVz(window, highlight, l1 > 127 ? d : d + 10);
        FHotTrackCellBrushColor1 = window;
        FHotTrackCellBrushColor2 = highlight;
    }
    return FHotTrackCellBrushColor;
}

TColor TDateTimeCalendarPickerDrawStyleVz::GetHotTrackCellFontColor() { return clWindowText; }
TColor TDateTimeCalendarPickerDrawStyleVz::GetInsideHorzFrameColor() {
    return MixColorsByPercentVz(clWindow, clWindowText, 8);
}
TColor TDateTimeCalendarPickerDrawStyleVz::GetInsideVertFrameColor() {
    return MixColorsByPercentVz(clWindow, clWindowText, 8);
}
TColor TDateTimeCalendarPickerDrawStyleVz::GetNormalCellBrushColor() { return clWindow; }
TColor TDateTimeCalendarPickerDrawStyleVz::GetNormalCellFontColor() { return clWindowText; }
TColor TDateTimeCalendarPickerDrawStyleVz::GetOutsidePeriodCellFontColor() {
    return MixColorsByPercentVz(clWindow, clWindowText, 50);
}
TColor TDateTimeCalendarPickerDrawStyleVz::GetSelectedCellBrushColor() {
    return CanDrawSelectionByStyle() ? clWindow : clHighlight;
}
TColor TDateTimeCalendarPickerDrawStyleVz::GetSelectedCellFontColor() {
    return CanDrawSelectionByStyle() ? clWindowText : clHighlightText;
}
TColor TDateTimeCalendarPickerDrawStyleVz::GetTodayCellFrameColor() {
    return MixColorsByPercentVz(clHighlight, clWindowText, 66);
}

void TDateTimeCalendarPickerDrawStyleVz::DrawCalendarViewCellBackgraund(TCustomCalendarViewVz*, TCanvas* Canvas,
                                                                        int State, const TRect& ARect) {
    Canvas->FillRect(ARect);
    if (State & cvcsTodayVz) {
        const TColor brush = Canvas->Brush()->Color();
        Canvas->Brush()->SetColor(GetTodayCellFrameColor());
        Canvas->FrameRect(ARect);
        Canvas->Brush()->SetColor(brush);
    }
}

void TDateTimeCalendarPickerDrawStyleVz::SetCalendarFontData(TControl*, TFont* MasterFont, TFont* CalendarFont) {
    CalendarFont->Assign(MasterFont);
    CalendarFont->SetName(QStringLiteral("Segoe UI"));
    CalendarFont->SetSize(RoundToInt(MasterFont->Size() * 1.1));
    CalendarFont->SetColor(GetNormalCellFontColor());
}

void TDateTimeCalendarPickerDrawStyleVz::SetCalendarWeekNoFontData(TControl*, TFont* CalendarFont,
                                                                   TFont* CalendarWeekNoFont) {
    CalendarWeekNoFont->Assign(CalendarFont);
    int size = RoundToInt(CalendarFont->Size() * 0.8);
    if (size == CalendarFont->Size()) --size;
    CalendarWeekNoFont->SetSize(size);
}
