// The data-aware axis grid's drawing: a data cell from its bar's cell parameters (background,
// highlight, image, text, key image, check box, picture), fixed and title backgrounds, 3D frames,
// the data hint of a cell, and how fonts follow a font change and scaling.
#include "grid/axis/dbaxisgridvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/base/graphutilsvz.h"
#include "platform/db/db.h"
#include "platform/db/fields.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"

#include <cmath>

namespace {
bool AxisThemesEnabled() { return ThemesEnabledVz(); }
}  // namespace

int TCustomDBAxisGridVz::GetCellFrameStyle() {
    if (Flat()) return 2;
    return AxisThemesEnabled() ? 1 : 2;
}

// Texts are measured on the shared screen canvas: the grid's own draws only while it paints.
TCanvas* TCustomDBAxisGridVz::AxisGridCanvas() { return GetScreenCanvasVz(); }

TColor TCustomDBAxisGridVz::GetGrayHighlightColor() { return ColorToGrayVz(clHighlight); }

void TCustomDBAxisGridVz::Paint() { TCustomGridVz::Paint(); }

void TCustomDBAxisGridVz::FlatChanged() { FInterlinear = Flat() ? 2 : 4; }

void TCustomDBAxisGridVz::FontChanged() {
    TCustomGridVz::FontChanged();
    if (!FAxisBars) return;
    BeginLayout();
    try {
        for (int i = 0; i < FAxisBars->Count(); ++i) FAxisBars->AxisBar(i)->Font();  // re-syncs an unassigned font
    } catch (...) {
        EndLayout();
        throw;
    }
    EndLayout();
}

void TCustomDBAxisGridVz::ChangeScale(int M, int D) {
    if (M == D) return;
    FAxisBars->BeginUpdate();
    try {
        // A bar's own font keeps its own proportion to the grid's: its own size is scaled.
        for (int i = 0; i < FAxisBars->Count(); ++i) {
            TAxisBarVz* b = FAxisBars->AxisBar(i);
            if (b->AssignedValues().Contains(cvFont)) b->Font()->SetSize(MulDiv(b->Font()->Size(), M, D));
        }
    } catch (...) {
        FAxisBars->EndUpdate();
        throw;
    }
    FAxisBars->EndUpdate();
    Font()->SetSize(MulDiv(Font()->Size(), M, D));
}

// ---- one data cell -----------------------------------------------------------------------------

void TCustomDBAxisGridVz::DefaultDrawDataCell(const TGridCoord& Cell, const TGridCoord& AreaCell, TAxisBarVz* AxisBar,
                                              const TRect& AreaRect, TAxisColCellParamsVz* Params) {
    bool d3 = IsCellDraw3D(Cell.X, Cell.Y, Params->FState);
    if (Params->FBlankCell && !d3) d3 = IsFixed3D();
    TRect r = AreaRect;
    const int horz = AxisBar ? AxisBar->GetDataCellHorzOffset() : 3;
    if (d3) {
        Params->FXFrameOffs = horz - 1;
        if (Params->FDrawCellByThemes) {
            r.Right += 2;
            r.Bottom += 2;
        } else if (Flat()) {
            r.Left += 1;
            r.Top += 1;
        } else r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    } else Params->FXFrameOffs = horz;
    Params->FYFrameOffs = std::min(Params->FXFrameOffs, 2);
    if (Flat() && Params->FYFrameOffs > 0) --Params->FYFrameOffs;

    if (!Params->FSuppressActiveCellColor && Params->FBlankCell) Params->FBackground = FixedColor();
    const bool currentRow = Cell.Y == Row() && (Cell.X == Col() || Options().Contains(goRowSelectVz));
    if (Params->FSuppressActiveCellColor && currentRow) Params->FHighlight = false;
    else {
        TFont* f = Params->FFont ? Params->FFont : Canvas()->Font();
        Params->FHighlight = HighlightDataCellColor(AreaCell.X, AreaCell.Y, Params->FText, Params->FState,
                                                    Params->FBackground, f);
    }
    if (Params->FHighlight) Params->FState.Include(gdSelected);
    if (Params->FFont) Canvas()->Font()->Assign(Params->FFont);
    Canvas()->Brush()->SetColor(Params->FBackground);

    DrawDataCellBackground(Cell, AreaCell, AxisBar, r, Params);
    if (!Params->FBlankCell && FDefaultDrawing && !r.IsEmpty()) {
        std::vector<TCellPlaceBoxChildVz> box;
        if (AxisBar) BuildCellPlaceBox(Cell.X, Cell.Y, TRect(0, 0, r.Width(), r.Height()), AxisBar, box);
        if (box.empty()) DrawDataCellContent(Cell, AreaCell, AxisBar, r, Params, TRect(0, 0, r.Width(), r.Height()));
        for (const TCellPlaceBoxChildVz& child : box) {
            if (!child.Button) DrawDataCellContent(Cell, AreaCell, AxisBar, r, Params, child.AreaRect);
            else {
                TRect br = child.ClientRect;
                br.Offset(r.Left, r.Top);
                const TEditButtonStyleVz st = child.Button->Style();
                PaintEditButton(AxisBar, Canvas(), st, br, r, 0, false, Flat(), child.Button->Enabled(),
                                Params->FBackground);
            }
        }
    }
    if (Params->FBlankCell) DrawTitleCellBackground(r, Params->FHighlight, d3, Params);
    if (d3 && !Params->FDrawCellByThemes)
        Draw3DCellFrame(Canvas(), AreaRect, false, Params->FHighlight, true, !(Flat() && AxisThemesEnabled()), Flat());
}

bool TCustomDBAxisGridVz::HighlightDataCellColor(int, int, const String&, TGridDrawState AState, TColor& AColor,
                                                 TFont* AFont) {
    if (!Focused() && !ContainsFocus()) {
        // The grid shows no selection while the focus is elsewhere.
        return false;
    }
    if (!AState.Contains(gdSelected)) return false;
    if (ContainsFocus() && !CellUsesThemedSelection(AState)) {
        AColor = clHighlight;
        if (AFont) AFont->SetColor(clHighlightText);
        return true;
    }
    AColor = clBtnFace;
    return true;
}

bool TCustomDBAxisGridVz::CheckFillDataCell(const TGridCoord& Cell, const TGridCoord&, TAxisBarVz*,
                                            const TRect& AreaRect, TAxisColCellParamsVz* Params) {
    const bool d3 = IsCellDraw3D(Cell.X, Cell.Y, Params->FState);
    const bool ok = d3 && !FColCellParamsVz->FState.Contains(gdSelected) &&
                    (Params->FDrawCellByThemes || (Flat() && AxisThemesEnabled()));
    if (ok)
        FillFixedCellBackground(Canvas(), Params->FDrawCellByThemes ? 1 : GetCellFrameStyle(), AreaRect, false, false,
                                TRect(), true, FColCellParamsVz->FState.Contains(gdFocused), clDefault);
    return ok;
}

void TCustomDBAxisGridVz::DrawDataCellBackground(const TGridCoord& Cell, const TGridCoord& AreaCell,
                                                 TAxisBarVz* AxisBar, const TRect& ARect,
                                                 TAxisColCellParamsVz* Params) {
    Params->FCellBackgroundDrawnByThemed = false;
    Params->FIsCellFilled = CheckFillDataCell(Cell, AreaCell, AxisBar, ARect, Params);
    if (IsBackgroundShowing() && Canvas()->Brush()->Color() == InternalColor()) Params->FIsCellFilled = true;
    if (!Params->FIsCellFilled) {
        Canvas()->FillRect(ARect);
        Params->FIsCellFilled = true;
    }
}

void TCustomDBAxisGridVz::DrawDataCellContent(const TGridCoord& Cell, const TGridCoord& AreaCell, TAxisBarVz* AxisBar,
                                              const TRect& AreaRect, TAxisColCellParamsVz* Params, TRect R) {
    R.Offset(AreaRect.Left, AreaRect.Top);
    if (R.IsEmpty() || !AxisBar) return;
    if (Params->FHighlight && CellUsesThemedSelection(Params->FState)) {
        if (!Params->FIsCellFilled) Canvas()->FillRect(R);
        DrawThemedSelection(Cell.X, Cell.Y, Params->FState, R);
        Params->FCellBackgroundDrawnByThemed = true;
    }
    if (AxisBar->ImageList() && AxisBar->ShowImageAndText()) {
        TRect img(R.Left, R.Top, std::min(R.Right, R.Left + AxisBar->ImageList()->Width() + 4), R.Bottom);
        if (!Params->FIsCellFilled) {
            Canvas()->Brush()->SetColor(AxisBar->Color());
            Canvas()->FillRect(img);
        }
        DrawClippedImageVz(AxisBar->ImageList(), nullptr, Canvas(), img, Params->FImageIndex, 0, 0, taCenter, img, 1.0,
                           true);
        Canvas()->Brush()->SetColor(Params->FBackground);
        R.Left = img.Right + 1;
    }
    switch (AxisBar->GetBarType()) {
    case ctCommon:
    case ctPickList:
    case ctLookupField:
    case ctKeyPickList:
    case ctDataList: {
        const bool wrap = AxisBar->WordWrap() && AxisBar->CurLineWordWrap(R.Height());
        DrawCellText(Cell, AreaCell, AxisBar, Canvas(), R, !Params->FIsCellFilled, Params->FXFrameOffs,
                     Params->FYFrameOffs, Params->FText, Params->FAlignment, AxisBar->Layout(), wrap,
                     AxisBar->EndEllipsis(), 0, 0, !wrap);
        break;
    }
    case ctKeyImageList:
        if (!Params->FIsCellFilled) Canvas()->FillRect(R);
        PaintListImage(AxisBar->ImageList(), Canvas(), R, Params->FImageIndex, taCenter, R);
        break;
    case ctCheckboxes: {
        if (!Params->FIsCellFilled) Canvas()->FillRect(R);
        const TSize cb = CheckBoxSizeVz();
        TRect box = R;
        if (R.Width() > cb.cx) {
            box.Left = R.Left + (R.Width() - cb.cx) / 2;
            box.Right = box.Left + cb.cx;
        }
        if (R.Height() > cb.cy) {
            box.Top = R.Top + (R.Height() - cb.cy) / 2;
            box.Bottom = box.Top + cb.cy;
        }
        PaintCheckBox(Canvas(), box, Canvas()->Brush()->Color(), Flat(), Params->FCheckboxState);
        break;
    }
    case ctGraphicData:
        DrawGraphicCellData(Canvas(), AxisBar, R, Canvas()->Brush()->Color(), !Params->FIsCellFilled, 1.0);
        break;
    }
}

void TCustomDBAxisGridVz::DrawCellText(const TGridCoord&, const TGridCoord&, TAxisBarVz* AxisBar, TCanvas* ACanvas,
                                       const TRect& ARect, bool FillRect, int DX, int DY, const String& Text,
                                       TAlignment Alignment, TTextLayout Layout, bool WordWrap, bool EndEllipsis,
                                       int LeftMarg, int RightMarg, bool SingleLine) {
    WriteCellText(AxisBar, ACanvas, ARect, FillRect, DX, DY, Text, Alignment, Layout, WordWrap, EndEllipsis, LeftMarg,
                  RightMarg, SingleLine);
}

void TCustomDBAxisGridVz::WriteCellText(TAxisBarVz* AxisBar, TCanvas* ACanvas, const TRect& ARect, bool FillRect,
                                        int DX, int DY, const String& Text, TAlignment Alignment, TTextLayout Layout,
                                        bool WordWrap, bool EndEllipsis, int LeftMarg, int RightMarg, bool SingleLine) {
    const bool rtl = AxisBar ? AxisBar->UseRightToLeftAlignment() : false;
    WriteCellTextVz(ACanvas, ARect, FillRect, DX, DY, Text, Alignment, Layout, WordWrap, EndEllipsis, LeftMarg,
                    RightMarg, rtl, SingleLine);
}

void TCustomDBAxisGridVz::PaintCheckBox(TCanvas* ACanvas, const TRect& ARect, TColor LineColor, bool AFlat,
                                        TCheckBoxState State) {
    PaintEditButtonVz(ACanvas, ARect, LineColor, bcsCheckboxVz, 0, AFlat, false, true, State, 1.0, true);
}

void TCustomDBAxisGridVz::PaintListImage(TCustomImageList* ImageList, TCanvas* ACanvas, const TRect& ARect,
                                         int ImageIndex, TAlignment Alignment, const TRect& ClipRect) {
    if (!ImageList) return;
    DrawClippedImageVz(ImageList, nullptr, ACanvas, ARect, ImageIndex, 0, 0, Alignment, ClipRect, 1.0, true);
}

void TCustomDBAxisGridVz::FillFixedCellBackground(TCanvas* ACanvas, int StyleKind, const TRect& ARect, bool, bool Hot,
                                                  const TRect& ClipRect, bool, bool, TColor AColor) {
    if (StyleKind == 3) {
        const TColor brush = ACanvas->Brush()->Color();
        TColor top;
        if (Hot) top = BlendColorsVz(brush, clWindow, 127);
        else if (AColor == clDefault) top = ColorToGrayVz(BlendColorsVz(brush, Color(), 240));
        else top = AColor;
        FillGradientVz(ACanvas, ARect, top, brush);
        return;
    }
    ACanvas->FillRect(StyleKind == 1 && !ClipRect.IsEmpty() ? ClipRect : ARect);
}

void TCustomDBAxisGridVz::DrawTitleCellBackground(const TRect& ARect, bool Highlight, bool Is3D,
                                                  TAxisColCellParamsVz* Params) {
    FillFixedCellBackground(Canvas(), Params->FDrawCellByThemes ? 1 : GetCellFrameStyle(), ARect, false, Highlight,
                            ARect, Is3D, false, clDefault);
}

void TCustomDBAxisGridVz::Draw3DCellFrame(TCanvas* ACanvas, const TRect& ARect, bool Sunken, bool, bool LeadingEdges,
                                          bool TrailingEdges, bool AFlat) {
    const unsigned edge = Sunken ? BDR_SUNKENINNER : BDR_RAISEDINNER;
    TRect r = ARect;
    if (!AFlat) {
        if (LeadingEdges && TrailingEdges) DrawEdge(ACanvas->Handle(), r, edge, BF_RECT);
        else {
            DrawEdge(ACanvas->Handle(), r, edge, LeadingEdges ? BF_TOPLEFT : BF_TOP);
            r = ARect;
            DrawEdge(ACanvas->Handle(), r, edge, TrailingEdges ? BF_BOTTOMRIGHT : BF_BOTTOM);
        }
        return;
    }
    ACanvas->Pen()->SetColor(ACanvas->Brush()->Color());
    if (TrailingEdges) {
        ACanvas->MoveTo(ARect.Left, ARect.Bottom - 1);
        ACanvas->LineTo(ARect.Right - 1, ARect.Bottom - 1);
        ACanvas->LineTo(ARect.Right - 1, ARect.Top - 1);
    } else {
        ACanvas->MoveTo(ARect.Left, ARect.Bottom - 1);
        ACanvas->LineTo(ARect.Right, ARect.Bottom - 1);
    }
    DrawEdge(ACanvas->Handle(), r, edge, LeadingEdges ? BF_TOPLEFT : BF_TOP);
}

// ---- pictures ----------------------------------------------------------------------------------

TOwned<TPicture> TCustomDBAxisGridVz::LoadPictureFromBlobField(TAxisBarVz* AxisBar) {
    TOwned<TPicture> pic = NewOwned<TPicture>();
    TField* f = AxisBar ? AxisBar->Field() : nullptr;
    if (!f || !f->IsBlob() || f->IsNull()) return pic;
    const TBytes bytes = f->AsBytes();
    auto load = [&pic](const TBytes& B, size_t From) {
        TMemoryStream s;
        if (B.size() > From) s.WriteBuffer(B.data() + From, static_cast<Integer>(B.size() - From));
        s.SetPosition(0);
        pic->LoadFromStream(&s);
    };
    try {
        load(bytes, 0);
    } catch (const EInvalidGraphic&) {
        // The framework's graphic header before the picture's own bytes.
        int header = 0;
        if (!HasGraphicHeader(bytes, header)) throw;
        load(bytes, static_cast<size_t>(header));
    }
    return pic;
}

void TCustomDBAxisGridVz::DrawGraphicCellData(TCanvas* ACanvas, TAxisBarVz* AxisBar, const TRect& ARect, TColor,
                                              bool FillBack, double Scale) {
    if (!FDrawGraphicData) {
        if (FillBack) ACanvas->FillRect(ARect);
        TField* f = AxisBar ? AxisBar->Field() : nullptr;
        WriteCellTextVz(ACanvas, ARect, false, 0, 0, f ? f->DisplayText() : String(), taCenter, tlCenter, false, false,
                        0, 0, false, true);
        return;
    }
    TOwned<TPicture> pic;
    try {
        pic = LoadPictureFromBlobField(AxisBar);
    } catch (const EInvalidGraphic& E) {
        if (FillBack) ACanvas->FillRect(ARect);
        ACanvas->Font()->Assign(Font());
        WriteCellTextVz(ACanvas, ARect, false, 0, 0, E.Message() + u" - Incorrect image format."_S, taCenter, tlCenter,
                        true, false, 0, 0, false, false);
        return;
    }
    TGraphic* g = pic->Graphic();
    if (!g || g->Empty()) {
        if (FillBack) ACanvas->FillRect(ARect);
        return;
    }
    const int w = static_cast<int>(std::trunc(pic->Width() * Scale));
    const int h = static_cast<int>(std::trunc(pic->Height() * Scale));
    int tw = w, th = h;
    if (w > ARect.Width() || h > ARect.Height()) {
        const double rx = double(w) / std::max(1, ARect.Width()), ry = double(h) / std::max(1, ARect.Height());
        if (ry >= rx) {
            th = ARect.Height();
            tw = static_cast<int>(std::nearbyint(w / ry));
        } else {
            tw = ARect.Width();
            th = static_cast<int>(std::nearbyint(h / rx));
        }
    }
    const int x = ARect.Left + (ARect.Width() - tw) / 2, y = ARect.Top + (ARect.Height() - th) / 2;
    if (FillBack) ACanvas->FillRect(ARect);
    ACanvas->StretchDraw(TRect(x, y, x + tw, y + th), g);
}

// ---- data hint ---------------------------------------------------------------------------------

void TCustomDBAxisGridVz::DefaultFillDataHintShowInfo(const TPoint& CursorPos, const TGridCoord& Cell,
                                                      TAxisBarVz* AxisBar, TDBAxisGridDataHintParamsVz* Params) {
    if (!AxisBar) return;
    const TAxisBarVzType t = AxisBar->GetBarType();
    String text;
    TField* f = AxisBar->Field();
    if (t == ctKeyImageList) {
        const int i = f ? AxisBar->KeyListIndexOf(f->Text()) : -1;
        if (i >= 0 && AxisBar->HasPickListItems() && i < AxisBar->PickList()->Count()) text = AxisBar->PickList()->Strings(i);
    } else if (t == ctCheckboxes) {
        const int i = static_cast<int>(AxisBar->CheckboxState());
        if (AxisBar->HasPickListItems() && i < AxisBar->PickList()->Count()) text = AxisBar->PickList()->Strings(i);
    } else if (f) text = AxisBar->DisplayText();

    if (TEditButtonVz* b = GetInCellButtonAtPos(Cell.X, Cell.Y, AxisBar, CursorPos.X - CellRect(Cell.X, Cell.Y).Left,
                                                CursorPos.Y - CellRect(Cell.X, Cell.Y).Top)) {
        Params->HintStr = b->Hint();
        Params->EditButtonControl = b;
        return;
    }
    TRect textArea = CellDataRect(Cell.X, Cell.Y);
    TRect area = textArea;
    area.Right -= AxisBar->EditButtonsWidth() * (AxisBar->AlwaysShowEditButton() ? 1 : 0);
    if (AxisBar->AlwaysShowEditButton() && CursorPos.X > area.Right) text.clear();
    TAlignment al = t == ctKeyImageList || t == ctCheckboxes ? taLeftJustify : AxisBar->Alignment();
    const bool wrap = AxisBar->WordWrap() && AxisBar->CurLineWordWrap(area.Height());
    FHintFont.Assign(AxisBar->Font());
    AxisBar->FillColCellParams(FColCellParamsVz.get());
    FColCellParamsVz->FBackground = Color();
    FColCellParamsVz->FFont = &FHintFont;
    FColCellParamsVz->FState = TGridDrawState();
    FColCellParamsVz->FAlignment = al;
    FColCellParamsVz->FText = text;
    GetCellParams(AxisBar, &FHintFont, TGridDrawState(), FColCellParamsVz->FBackground);
    AxisBar->GetColCellParams(false, FColCellParamsVz.get());
    FHintFont.SetColor(clWindowText);
    text = FColCellParamsVz->FText;
    al = FColCellParamsVz->FAlignment;
    TCanvas* measure = AxisGridCanvas();
    measure->Font()->Assign(&FHintFont);
    Params->HintFont = &FHintFont;
    const int tw = measure->TextWidth(text);
    bool fits = t != ctKeyImageList && t != ctCheckboxes;
    if (fits) {
        if (wrap) {
            TRect calc(0, 0, std::max(0, area.Width() - 4), 0);
            DrawTextEx(measure->Handle(), text, calc, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX, nullptr);
            fits = calc.Height() + FInterlinear <= area.Height() && calc.Width() <= std::max(0, area.Width() - 4);
        } else fits = tw + 4 <= area.Width();
    }
    if (!fits || (al == taRightJustify && area.Right < textArea.Right - 2)) {
        Params->HintStr = text;
        Params->CursorRect = area;
        Params->HintPos.Y = area.Top - (Flat() ? 2 : 1);
        if (al == taLeftJustify) Params->HintPos.X = area.Left - 1;
        else if (al == taRightJustify) Params->HintPos.X = textArea.Right - tw - 6;
        else Params->HintPos.X = textArea.Right + tw / 2 - tw - (textArea.Width() - 4) / 2 - 5;
        Params->HintPos.X += 1;
        if (wrap) Params->HintMaxWidth = area.Width() - 4;
    } else Params->HintStr.clear();
}
