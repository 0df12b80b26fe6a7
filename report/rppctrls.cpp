#include "report/rppctrls.h"

#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"
#include "report/rpframe.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

int ScreenDpi() { return Screen ? Screen->PixelsPerInch() : 96; }

// The frame's width taken as screen pixels (a one-pixel frame is stored as -1).
int FramePixels(const TRpFrame* F) { return F->Width() < 0 ? 1 : F->Width(); }

// The band the control sits on, when it is a report band.
TRpCustomBand* BandOf(TControl* C) { return dynamic_cast<TRpCustomBand*>(C->Parent()); }

// Keeps the control's pixel height of before a print and puts it back on every way out.
class THeightKeeper {
public:
    explicit THeightKeeper(TControl* C) : FControl(C), FHeight(C->Height()) {}
    ~THeightKeeper() {
        if (FControl->Height() != FHeight) FControl->SetHeight(FHeight);
    }
    THeightKeeper(const THeightKeeper&) = delete;
    THeightKeeper& operator=(const THeightKeeper&) = delete;

private:
    TControl* FControl;
    int FHeight;
};

// Moves the band offset down by the band's expansion, or stretches the control with it.
void FollowBand(TRpPrintable* C, bool FixBottom, bool Stretch, int& OfsY) {
    TRpCustomBand* Band = BandOf(C);
    if (!Band) return;
    if (FixBottom) OfsY += RoundToInt(Band->Expanded());
    if (Stretch && C->RpPrinter()) {
        const int Grow = RoundToInt(Band->Expanded() * C->RpPrinter()->YFactor());
        if (Grow != 0) C->SetHeight(C->Height() + Grow);
    }
}

// Draws a graphic into a page rectangle: a bitmap through its pixels (stretched), any other
// graphic stretched.
void StretchGraphic(TCanvas* C, const TRect& R, TGraphic* G) {
    if (!G || G->Empty()) return;
    C->StretchDraw(R, G);
}

}  // namespace

// ---- TRpPGridCell --------------------------------------------------------------------------------

TRpPGridCell::TRpPGridCell() : FFont(NewOwned<TFont>()), FBrush(NewOwned<TBrush>()) {}

TRpPGridCell::~TRpPGridCell() = default;

// ---- TRpPGrid ------------------------------------------------------------------------------------

TRpPGrid::TRpPGrid(TComponent* AOwner) : TRpPrintable(AOwner) {}

TRpPGrid::~TRpPGrid() = default;

void TRpPGrid::AfterConstruction() {
    inherited::AfterConstruction();
    FColumnSizes = New<TStringList>();
    FRowSizes = New<TStringList>();
    SetBounds(Left(), Top(), 65, 65);
    FPen = New<TPen>();
    FPen->OnChange = [this](TObject* S) { StyleChanged(S); };
    FBrush = New<TBrush>();
    FBrush->SetColor(TColor(0xFFFFFF));
    FBrush->OnChange = [this](TObject* S) { StyleChanged(S); };
    SetRows(3);
    SetColumns(3);
    SetTransparent(false);
    SetFirstRowColor(TColor(0xFFFFFF));
    SetFirstColumnColor(TColor(0xFFFFFF));
    SetFirstCellColor(TColor(0xFFFFFF));
    FLinebmp = New<TBitmap>();
}

void TRpPGrid::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPen);
    FreeAndNil(FBrush);
    FreeAndNil(FColumnSizes);
    FreeAndNil(FRowSizes);
    FCellColumns.clear();
    FreeAndNil(FLinebmp);
}

void TRpPGrid::Published(TPublished<TRpPGrid>& P) {
    P.Boolean("FixBottomPosition", &TRpPGrid::FixBottomPosition, &TRpPGrid::SetFixBottomPosition).Default(0);
    P.Boolean("StretchHeightWithBand", &TRpPGrid::StretchHeightWithBand, &TRpPGrid::SetStretchHeightWithBand)
        .Default(0);
    P.Enum("CellHorizAlignment", &TRpPGrid::CellHorizAlignment, &TRpPGrid::SetCellHorizAlignment,
           {"haNone", "haLeft", "haCenter", "haRight"})
        .Default(haNone);
    P.Enum("CellVertAlignment", &TRpPGrid::CellVertAlignment, &TRpPGrid::SetCellVertAlignment,
           {"vaNone", "vaTop", "vaCenter", "vaBottom"})
        .Default(vaNone);
    P.Integer("Columns", &TRpPGrid::Columns, &TRpPGrid::SetColumns);
    P.Object("ColumnSizes", &TRpPGrid::ColumnSizes, &TRpPGrid::SetColumnSizes);
    P.Integer("Rows", &TRpPGrid::Rows, &TRpPGrid::SetRows);
    P.Object("RowSizes", &TRpPGrid::RowSizes, &TRpPGrid::SetRowSizes);
    P.Boolean("DrawFirstRowLine", &TRpPGrid::DrawFirstRowLine, &TRpPGrid::SetDrawFirstRowLine).Default(1);
    P.Integer("FirstRowColor", &TRpPGrid::FirstRowColor, &TRpPGrid::SetFirstRowColor).NoDefault();
    P.Integer("FirstColumnColor", &TRpPGrid::FirstColumnColor, &TRpPGrid::SetFirstColumnColor).NoDefault();
    P.Integer("FirstCellColor", &TRpPGrid::FirstCellColor, &TRpPGrid::SetFirstCellColor).NoDefault();
    P.Boolean("FirstColumnJoined", &TRpPGrid::FirstColumnJoined, &TRpPGrid::SetFirstColumnJoined).Default(0);
    P.Boolean("FirstRowJoined", &TRpPGrid::FirstRowJoined, &TRpPGrid::SetFirstRowJoined).Default(0);
    P.Boolean("Transparent", &TRpPGrid::Transparent, &TRpPGrid::SetTransparent).Default(0);
    P.Object("Brush", &TRpPGrid::Brush, &TRpPGrid::SetBrush);
    P.Object("Pen", &TRpPGrid::Pen, &TRpPGrid::SetPen);
    P.Integer("XLColumn", &TRpPGrid::XLColumn, &TRpPGrid::SetXLColumn).Default(0);
}

TStrings* TRpPGrid::ColumnSizes() const { return FColumnSizes; }
TStrings* TRpPGrid::RowSizes() const { return FRowSizes; }

void TRpPGrid::SetColumns(int Value) {
    Value = std::clamp(Value, 0, 0xFFFF);
    FColumns = Value;
    while (FColumnSizes->Count() > FColumns) FColumnSizes->Delete(FColumnSizes->Count() - 1);
    while (int(FCellColumns.size()) > Value) FCellColumns.pop_back();
    while (int(FCellColumns.size()) < Value) {
        std::vector<TOwned<TRpPGridCell>> Column;
        for (int r = 0; r < FRows; ++r) Column.push_back(NewOwned<TRpPGridCell>());
        FCellColumns.push_back(std::move(Column));
    }
    Invalidate();
}

void TRpPGrid::SetRows(int Value) {
    Value = std::clamp(Value, 0, 0xFFFF);
    FRows = Value;
    while (FRowSizes->Count() > FRows) FRowSizes->Delete(FRowSizes->Count() - 1);
    for (int c = 0; c < FColumns && c < int(FCellColumns.size()); ++c) {
        auto& Column = FCellColumns[size_t(c)];
        while (int(Column.size()) > Value) Column.pop_back();
        while (int(Column.size()) < Value) Column.push_back(NewOwned<TRpPGridCell>());
    }
    Invalidate();
}

void TRpPGrid::WriteSizes(TStringList* List, TStrings* Value, int Count, bool Horizontal) {
    if (Value != List) List->Assign(Value);
    while (List->Count() > Count) List->Delete(List->Count() - 1);
    int Sum = 0;
    for (int i = 0; i < List->Count(); ++i) {
        Integer V = 0;
        if (!TryStrToInt(List->Strings(i).trimmed(), V)) {
            List->SetStrings(i, u"20"_s);
            V = 20;
        }
        Sum += V;
    }
    if (List->Count() == Count) {
        const int Fw = FramePixels(FFrame);
        if (Horizontal) {
            if (FFrame->DrawLeft()) Sum += Fw;
            if (FFrame->DrawRight()) Sum += Fw;
            SetWidth(Sum);
        } else {
            if (FFrame->DrawTop()) Sum += Fw;
            if (FFrame->DrawBottom()) Sum += Fw;
            SetHeight(Sum);
        }
    }
    Invalidate();
}

void TRpPGrid::SetColumnSizes(TStrings* Value) { WriteSizes(FColumnSizes, Value, FColumns, true); }
void TRpPGrid::SetRowSizes(TStrings* Value) { WriteSizes(FRowSizes, Value, FRows, false); }

int TRpPGrid::DesignSize(TStringList* List, int Count, int Available, int i) const {
    if (Count <= 0) return 0;
    int Listed = 0;
    for (int k = 0; k < List->Count(); ++k) Listed += StrToInt(List->Strings(k).trimmed());
    if (i < List->Count()) return StrToInt(List->Strings(i).trimmed());
    if (List->Count() == 0) return Available / Count;
    return RoundToInt(Extended(Available - Listed) / (Count - List->Count()));
}

int TRpPGrid::ColumnWidth(int i) const {
    const int Fw = FramePixels(FFrame);
    const int Wa = Width() - (FFrame->DrawLeft() ? Fw : 0) - (FFrame->DrawRight() ? Fw : 0);
    return DesignSize(FColumnSizes, FColumns, Wa, i);
}

int TRpPGrid::RowHeight(int i) const {
    const int Fw = FramePixels(FFrame);
    const int Ha = Height() - (FFrame->DrawTop() ? Fw : 0) - (FFrame->DrawBottom() ? Fw : 0);
    return DesignSize(FRowSizes, FRows, Ha, i);
}

std::vector<Extended> TRpPGrid::NativeSizes(TStringList* List, int Count, Extended Available) const {
    std::vector<Extended> R(size_t(std::max(Count, 0)), 0);
    if (Count <= 0) return R;
    const int Dpi = ScreenDpi();
    Extended Listed = 0;
    const int Lines = std::min(List->Count(), Count);
    for (int k = 0; k < Lines; ++k) {
        R[size_t(k)] = StrToFloat(List->Strings(k).trimmed()) * 254 / Dpi;
        Listed += R[size_t(k)];
    }
    for (int k = Lines; k < Count; ++k) R[size_t(k)] = Lines == 0 ? Available / Count : (Available - Listed) / (Count - Lines);
    return R;
}

TRpPGridCell* TRpPGrid::Cells(int ACol, int ARow) const {
    if (ACol < 0 || ARow < 0 || ACol >= int(FCellColumns.size())) return nullptr;
    const auto& Column = FCellColumns[size_t(ACol)];
    if (ARow >= int(Column.size())) return nullptr;
    return Column[size_t(ARow)].get();
}

TColor TRpPGrid::CellColor(int ACol, int ARow) const {
    TRpPGridCell* C = Cells(ACol, ARow);
    return C ? C->Brush()->Color() : TColor(0xFFFFFF);
}

void TRpPGrid::SetCellColor(int ACol, int ARow, TColor Value) {
    if (TRpPGridCell* C = Cells(ACol, ARow)) C->Brush()->SetColor(Value);
}

TColor TRpPGrid::FirstRowColor() const { return CellColor(FColumns - 1, 0); }
TColor TRpPGrid::FirstColumnColor() const { return CellColor(0, FRows - 1); }
TColor TRpPGrid::FirstCellColor() const { return CellColor(0, 0); }

void TRpPGrid::SetFirstRowColor(TColor Value) {
    for (int c = 1; c < FColumns; ++c) SetCellColor(c, 0, Value);
    Invalidate();
}

void TRpPGrid::SetFirstColumnColor(TColor Value) {
    for (int r = 1; r < FRows; ++r) SetCellColor(0, r, Value);
    Invalidate();
}

void TRpPGrid::SetFirstCellColor(TColor Value) {
    SetCellColor(0, 0, Value);
    Invalidate();
}

void TRpPGrid::SetDrawFirstRowLine(bool Value) {
    FDrawFirstRowLine = Value;
    Invalidate();
}

void TRpPGrid::SetFirstColumnJoined(bool Value) {
    FFirstColumnJoined = Value;
    Invalidate();
}

void TRpPGrid::SetFirstRowJoined(bool Value) {
    FFirstRowJoined = Value;
    Invalidate();
}

void TRpPGrid::SetBrush(TBrush* Value) {
    if (!Value || Value == FBrush) return;
    const TColor Old = FBrush->Color();
    if (!FFirstRowJoined && !FFirstColumnJoined && Value->Color() != Old) {
        if (FirstCellColor() == Old) SetFirstCellColor(Value->Color());
        if (FirstColumnColor() == Old) SetFirstColumnColor(Value->Color());
        if (FirstRowColor() == Old) SetFirstRowColor(Value->Color());
    }
    FBrush->Assign(Value);
    Invalidate();
}

void TRpPGrid::SetPen(TPen* Value) {
    if (Value && Value != FPen) FPen->Assign(Value);
}

void TRpPGrid::Paint() {
    TCanvas* C = Canvas();
    C->SetPen(FPen);
    C->SetBrush(FBrush);
    const int Fw = FramePixels(FFrame);
    const int Fx = FFrame->DrawLeft() ? Fw : 0;
    const int Fy = FFrame->DrawTop() ? Fw : 0;
    std::vector<int> Cw(static_cast<size_t>(FColumns)), Rh(static_cast<size_t>(FRows));
    for (int i = 0; i < FColumns; ++i) Cw[size_t(i)] = ColumnWidth(i);
    for (int i = 0; i < FRows; ++i) Rh[size_t(i)] = RowHeight(i);
    if (!Transparent()) {
        int X = 0;
        for (int c = 0; c < FColumns; ++c) {
            int Y = 0;
            for (int r = 0; r < FRows; ++r) {
                C->SetBrush(Cells(c, r)->Brush());
                C->FillRect(TRect(X + Fx, Y + Fy, X + Fx + Cw[size_t(c)], Y + Fy + Rh[size_t(r)]));
                Y += Rh[size_t(r)];
            }
            X += Cw[size_t(c)];
        }
    }
    int Y = 0;
    for (int i = 1; i < FRows; ++i) {
        Y += Rh[size_t(i - 1)];
        if (i == 1 && !FDrawFirstRowLine) continue;
        C->MoveTo(FFirstColumnJoined && FColumns > 0 ? Cw[0] + Fx : 0, Y + Fy);
        C->LineTo(Width(), Y + Fy);
    }
    int X = 0;
    for (int i = 1; i < FColumns; ++i) {
        X += Cw[size_t(i - 1)];
        C->MoveTo(X + Fx, FFirstRowJoined && FRows > 0 ? Rh[0] + Fy : 0);
        C->LineTo(X + Fx, Height());
    }
    PaintCorners();
    const Extended F = Extended(Zoom()) * (ScreenDpi() / 254.0L) / 100;
    TRect R = ClientRect();
    R.Right -= 1;
    R.Bottom -= 1;
    FFrame->PaintIt(C, R, F, F);
}

void TRpPGrid::ExportRectangle(Extended X, Extended Y, TColor Color, int W, int H) {
    TOwned<TRpShape> S = NewOwned<TRpShape>(this);
    S->SetShape(rpsRectangle);
    S->Pen()->SetStyle(psClear);
    S->Brush()->SetStyle(bsSolid);
    S->Brush()->SetColor(Color);
    S->SetBounds(0, 0, W, H);
    FParentReport->ExportFilter()->AcceptGraphic(X, Y, S.get());
}

void TRpPGrid::ExportLine(Extended X, Extended Y, bool Horizontal, int W, int H) {
    TOwned<TRpShape> S = NewOwned<TRpShape>(this);
    S->SetShape(Horizontal ? rpsHorLine : rpsVertLine);
    // The grid's own pen, as the printed lines have it.
    S->Pen()->Assign(FPen);
    if (S->Pen()->Width() < 1) S->Pen()->SetWidth(1);
    S->Brush()->SetStyle(bsClear);
    S->SetBounds(0, 0, W, H);
    FParentReport->ExportFilter()->AcceptGraphic(X, Y, S.get());
}

void TRpPGrid::ExportImage(Extended X, Extended Y, const String& Name, TGraphic* Graphic) {
    TOwned<TRpImage> I = NewOwned<TRpImage>(this);
    I->SetName(Name);
    I->SetBounds(0, 0, Graphic ? Graphic->Width() : 0, Graphic ? Graphic->Height() : 0);
    I->Picture()->SetGraphic(Graphic);
    FParentReport->ExportFilter()->AcceptGraphic(X, Y, I.get());
}

void TRpPGrid::Print(int OfsX, int OfsY) {
    if (FColumns == 0 || FRows == 0) return;
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P || !P->Canvas()) return;
    THeightKeeper KeepHeight(this);
    FollowBand(this, FFixBottomPosition, FStretchHeightWithBand, OfsY);

    const int Dpi = ScreenDpi();
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    const Extended W = FSize->NativeWidth();
    const Extended H = FSize->NativeHeight();
    const Extended XF = P->XFactor(), YF = P->YFactor();
    const Extended Fw = Round(Extended(FramePixels(FFrame)) * 254 / Dpi);
    const Extended FxL = FFrame->DrawLeft() ? Fw : 0;
    const Extended FyT = FFrame->DrawTop() ? Fw : 0;
    const Extended Wa = W - (FFrame->DrawLeft() ? Fw : 0) - (FFrame->DrawRight() ? Fw : 0);
    const Extended Ha = H - (FFrame->DrawTop() ? Fw : 0) - (FFrame->DrawBottom() ? Fw : 0);
    const std::vector<Extended> Cw = NativeSizes(FColumnSizes, FColumns, Wa);
    const std::vector<Extended> Rh = NativeSizes(FRowSizes, FRows, Ha);
    std::vector<Extended> Xs(size_t(FColumns) + 1, 0), Ys(size_t(FRows) + 1, 0);
    for (int c = 0; c < FColumns; ++c) Xs[size_t(c) + 1] = Xs[size_t(c)] + Cw[size_t(c)];
    for (int r = 0; r < FRows; ++r) Ys[size_t(r) + 1] = Ys[size_t(r)] + Rh[size_t(r)];
    auto CellRect = [&](int c, int r) {
        return TRect(P->XPos(L + Xs[size_t(c)] + FxL), P->YPos(T + Ys[size_t(r)] + FyT),
                     P->XPos(L + Xs[size_t(c)] + Cw[size_t(c)] + FxL), P->YPos(T + Ys[size_t(r)] + Rh[size_t(r)] + FyT));
    };
    const bool Exporting = FParentReport && FParentReport->Exporting() && FParentReport->ExportFilter();
    TRpExportFilter* Filter = Exporting ? FParentReport->ExportFilter() : nullptr;
    TCanvas* C = P->Canvas();

    if (Enabled()) {
        HDC DC = C->Handle();
        const int SavedBkMode = DC->BkMode();
        const unsigned SavedAlign = DC->TextAlign();
        if (Transparent()) DC->SetBkMode(TRANSPARENT);
        C->SetBrush(FBrush);
        C->SetPen(FPen);

        if (!Transparent()) {
            C->FillRect(TRect(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H)));
            if (Exporting && C->Brush()->Color() != TColor(0xFFFFFF))
                ExportRectangle(P->XPos(L), P->YPos(T), C->Brush()->Color(), Width(), Height());
            for (int c = 0; c < FColumns; ++c) {
                for (int r = 0; r < FRows; ++r) {
                    TRpPGridCell* Cell = Cells(c, r);
                    C->SetBrush(Cell->Brush());
                    TRect R = CellRect(c, r);
                    C->FillRect(R);
                    if (Exporting && C->Brush()->Color() != TColor(0xFFFFFF))
                        ExportRectangle(R.Left, R.Top, C->Brush()->Color(), RoundToInt(Cw[size_t(c)] * XF),
                                        RoundToInt(Rh[size_t(r)] * YF));
                    if (OnPrintImage) OnPrintImage(Cell, c, r, R, C);
                    TGraphic* G = Cell->Picture ? Cell->Picture->Graphic() : nullptr;
                    if (G && !G->Empty()) {
                        // The picture's size and offset are screen pixels.
                        const Extended PX = Extended(Cell->PicXoff) * 254 / Dpi;
                        const Extended PY = Extended(Cell->PicYoff) * 254 / Dpi;
                        const Extended PW = Extended(G->Width()) * 254 / Dpi;
                        const Extended PH = Extended(G->Height()) * 254 / Dpi;
                        const Extended Left = L + Xs[size_t(c)] + FxL + PX;
                        const Extended Top = T + Ys[size_t(r)] + FyT + PY;
                        const TRect Pic(P->XPos(Left), P->YPos(Top), P->XPos(Left + PW), P->YPos(Top + PH));
                        if (P->Destination() == rpdPrinter)
                            StretchGraphic(C, Pic, G);
                        else
                            C->Draw(Pic.Left, Pic.Top, G);
                        if (Exporting)
                            ExportImage(Pic.Left, Pic.Top, Name() + IntToStr(c) + IntToStr(r), G);
                    }
                }
            }
            C->SetBrush(FBrush);
        }

        // Row lines
        for (int i = 1; i < FRows; ++i) {
            if (i == 1 && !FDrawFirstRowLine) continue;
            const int LY = P->YPos(T + Ys[size_t(i)] + FyT);
            const TPoint S(FFirstColumnJoined ? P->XPos(L + Cw[0] + FxL) : P->XPos(L), LY);
            C->SetPen(FPen);
            C->MoveTo(S.X, S.Y);
            bool Done = false, UseBmp = false;
            FLinebmp->SetSize(Width(), 1);
            TBitmap* Bmp = FLinebmp;
            if (OnDrawLine) OnDrawLine(this, P->XPos(L), LY, S.X, S.Y, C, Bmp, Done, UseBmp);
            if (UseBmp && Bmp) {
                C->Draw(P->XPos(L), LY, Bmp);
                if (Exporting) ExportImage(S.X, S.Y, u"LineImage_H"_s, Bmp);
            } else if (!Done) {
                C->LineTo(P->XPos(L + W), LY);
                if (Exporting) ExportLine(S.X, S.Y, true, RoundToInt(Wa * XF) + RoundToInt(Dpi / 254.0L / XF), 1);
            }
        }
        // Column lines
        for (int i = 1; i < FColumns; ++i) {
            const int LX = P->XPos(L + Xs[size_t(i)] + FxL);
            const int Y0 = P->YPos(T);
            const TPoint S(LX, FFirstRowJoined ? P->YPos(T + Rh[0] + FyT) : Y0);
            C->SetPen(FPen);
            C->MoveTo(S.X, S.Y);
            bool Done = false, UseBmp = false;
            FLinebmp->SetSize(1, Height());
            TBitmap* Bmp = FLinebmp;
            if (OnDrawLine) OnDrawLine(this, LX, Y0, S.X, S.Y, C, Bmp, Done, UseBmp);
            if (UseBmp && Bmp) {
                C->Draw(LX, Y0, Bmp);
                if (Exporting) ExportImage(S.X, S.Y, u"LineImage_V"_s, Bmp);
            } else if (!Done) {
                C->LineTo(LX, P->YPos(T + H));
                if (Exporting) ExportLine(S.X, S.Y, false, 1, Height());
            }
        }

        // Texts
        const int Pw = FPen->Width();
        for (int c = 0; c < FColumns; ++c) {
            for (int r = 0; r < FRows; ++r) {
                TRpPGridCell* Cell = Cells(c, r);
                Extended A = L + FxL + Pw + 5 + Xs[size_t(c)];
                Extended B = T + FyT + Pw + 3 + Ys[size_t(r)];
                if (Cell->Caption.isEmpty()) {
                    if (OnDrawCell) {
                        TRect R(P->XPos(A - 2), P->YPos(B), P->XPos(A + Cw[size_t(c)] - 5), P->YPos(B + Rh[size_t(r)] - 4));
                        OnDrawCell(this, c, r, R, C);
                    }
                    continue;
                }
                C->SetFont(Cell->ParentFont ? Font() : Cell->Font());
                const THorizAlignment Ha = Cell->HorizAlignment == haNone ? FCellHorizAlignment : Cell->HorizAlignment;
                const Extended InnerW = Cw[size_t(c)] - 2 * (Pw + 5);
                TRect K(P->XPos(A), P->YPos(B), P->XPos(A + InnerW), P->YPos(B + Rh[size_t(r)] - 2 * (Pw + 3)));
                unsigned Align = TA_LEFT | TA_TOP;
                if (Ha == haCenter) {
                    Align = TA_CENTER | TA_TOP;
                    A += InnerW / 2;
                } else if (Ha == haRight) {
                    Align = TA_RIGHT | TA_TOP;
                    A += InnerW;
                    if (C->Font()->Style().Contains(fsItalic) && FParentReport)
                        A -= ScreenPixelsToNative(FParentReport->TextWidth(C->Font(), u" "_s));
                }
                const TVertAlignment Va = Cell->VertAlignment == vaNone ? FCellVertAlignment : Cell->VertAlignment;
                if ((Va == vaCenter || Va == vaBottom) && FParentReport) {
                    const Extended TH = FParentReport->TextHeight(C->Font(), u"Yy"_s);
                    const Extended Room = K.Bottom - K.Top - TH;
                    B += Va == vaCenter ? Room / (2 * YF) : Room / YF;
                }
                if (OnPaintCell) OnPaintCell(this, c, r, K, C);
                C->SetBrush(Cell->Brush());
                C->SetFont(Cell->Font());
                HDC TextDC = C->Handle();
                TextDC->SetTextAlign(Align);
                ExtTextOut(TextDC, P->XPos(A), P->YPos(B), ETO_CLIPPED, &K, Cell->Caption);
                if (Exporting) {
                    if (Filter->TakesGridCells()) {
                        TExportInfoRec Rec;
                        Rec.Xpos = P->XPos(A);
                        Rec.Ypos = P->YPos(B) + Top();
                        Rec.Font = C->Font();
                        TColor Bg = Cell->Brush()->Color();
                        if (c == 0 && r == 0 && FirstCellColor() != TColor(0xFFFFFF))
                            Bg = FirstCellColor();
                        else if (r == 0 && FirstRowColor() != TColor(0xFFFFFF))
                            Bg = FirstRowColor();
                        else if (c == 0 && FirstColumnColor() != TColor(0xFFFFFF))
                            Bg = FirstColumnColor();
                        Rec.BGColor = Bg;
                        Rec.Alignment = Cell->HorizAlignment == haCenter  ? taCenter
                                        : Cell->HorizAlignment == haRight ? taRightJustify
                                                                          : taLeftJustify;
                        Rec.Text = Cell->Caption;
                        Rec.Column = FXLColumnGrid + c;
                        Rec.ExportAs = Cell->ExportType;
                        Rec.XLNumFormat = Cell->XLNumFormat;
                        Filter->TextOutRec(Rec);
                    } else {
                        Filter->TextOut(A, B, C->Font(), C->Brush()->Color(), taLeftJustify, Cell->Caption);
                    }
                }
            }
        }
        C->Handle()->SetTextAlign(SavedAlign);
        C->Handle()->SetBkMode(SavedBkMode);
    }

    // Frame
    const bool WasTransparent = Transparent();
    SetTransparent(true);
    if (FFrame->AnyFrame() && Enabled())
        FFrame->PaintIt(C, TRect(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H)), XF, YF);
    SetTransparent(WasTransparent);
}

// ---- TRpPCheckBox --------------------------------------------------------------------------------

TRpPCheckBox::TRpPCheckBox(TComponent* AOwner) : TRpPrintable(AOwner) {}

TRpPCheckBox::~TRpPCheckBox() = default;

void TRpPCheckBox::AfterConstruction() {
    inherited::AfterConstruction();
    FPen = New<TPen>();
    FPen->OnChange = [this](TObject*) { Invalidate(); };
    FBrush = New<TBrush>();
    FBrush->SetColor(TColor(0xFFFFFF));
    FBrush->OnChange = [this](TObject*) { Invalidate(); };
    FChecked = true;
    for (int i = 0; i < 4; ++i) FFrame->SetSide(i, true);
    SetBounds(Left(), Top(), 17, 17);
    SetTransparent(false);
    FCtl3d = false;
    FCheckmarkDistance = 3;
    FGlyphChecked = New<TPicture>();
    FGlyphChecked->OnChange = [this](TObject*) { Invalidate(); };
    FGlyphUnchecked = New<TPicture>();
    FGlyphUnchecked->OnChange = [this](TObject*) { Invalidate(); };
}

void TRpPCheckBox::BeforeDestruction() {
    inherited::BeforeDestruction();
    FreeAndNil(FPen);
    FreeAndNil(FBrush);
    FreeAndNil(FGlyphChecked);
    FreeAndNil(FGlyphUnchecked);
}

void TRpPCheckBox::Published(TPublished<TRpPCheckBox>& P) {
    P.Object("GlyphChecked", &TRpPCheckBox::GlyphChecked, &TRpPCheckBox::SetGlyphChecked);
    P.Object("GlyphUnchecked", &TRpPCheckBox::GlyphUnchecked, &TRpPCheckBox::SetGlyphUnchecked);
    P.Enum("CheckmarkType", &TRpPCheckBox::CheckmarkType, &TRpPCheckBox::SetCheckmarkType,
           {"cmCross", "cmHook", "cmGlyph"})
        .Default(cmCross);
    P.Integer("CheckmarkDistance", &TRpPCheckBox::CheckmarkDistance, &TRpPCheckBox::SetCheckmarkDistance).Default(3);
    P.Boolean("Checked", &TRpPCheckBox::Checked, &TRpPCheckBox::SetChecked).Default(1);
    P.Object("Brush", &TRpPCheckBox::Brush, &TRpPCheckBox::SetBrush);
    P.Object("Pen", &TRpPCheckBox::Pen, &TRpPCheckBox::SetPen);
    P.Boolean("Transparent", &TRpPCheckBox::Transparent, &TRpPCheckBox::SetTransparent).Default(0);
    P.Boolean("Ctl3D", &TRpPCheckBox::Ctl3D, &TRpPCheckBox::SetCtl3D).Default(0);
    P.Boolean("FixBottomPosition", &TRpPCheckBox::FixBottomPosition, &TRpPCheckBox::SetFixBottomPosition).Default(0);
    P.Boolean("StretchHeightWithBand", &TRpPCheckBox::StretchHeightWithBand,
              &TRpPCheckBox::SetStretchHeightWithBand)
        .Default(0);
}

void TRpPCheckBox::SetGlyphChecked(TPicture* Value) {
    if (Value && Value != FGlyphChecked) FGlyphChecked->Assign(Value);
    Invalidate();
}

void TRpPCheckBox::SetGlyphUnchecked(TPicture* Value) {
    if (Value && Value != FGlyphUnchecked) FGlyphUnchecked->Assign(Value);
    Invalidate();
}

void TRpPCheckBox::SetCheckmarkType(TRpPCheckmarkType Value) {
    FCheckmarkType = Value;
    Invalidate();
}

void TRpPCheckBox::SetCheckmarkDistance(int Value) {
    FCheckmarkDistance = std::clamp(Value, 0, 0xFFFF);
    Invalidate();
}

void TRpPCheckBox::SetChecked(bool Value) {
    if (Value == FChecked) return;
    FChecked = Value;
    Invalidate();
}

void TRpPCheckBox::SetBrush(TBrush* Value) {
    if (Value && Value != FBrush) FBrush->Assign(Value);
    Invalidate();
}

void TRpPCheckBox::SetPen(TPen* Value) {
    if (Value && Value != FPen) FPen->Assign(Value);
    Invalidate();
}

void TRpPCheckBox::SetCtl3D(bool Value) {
    FCtl3d = Value;
    Invalidate();
}

void TRpPCheckBox::Print(int OfsX, int OfsY) {
    if (!FRpPrinter && FParentReport) FRpPrinter = FParentReport->RpPrinter();
    TRpPrinter* P = FRpPrinter;
    if (!P || !P->Canvas() || !FParentReport) return;
    THeightKeeper KeepHeight(this);
    FollowBand(this, FFixBottomPosition, FStretchHeightWithBand, OfsY);
    const int Dpi = ScreenDpi();
    const Extended L = FSize->NativeLeft() + OfsX;
    const Extended T = FSize->NativeTop() + OfsY;
    const Extended W = FSize->NativeWidth();
    const Extended H = FSize->NativeHeight();
    TCanvas* C = P->Canvas();
    const bool Exporting = FParentReport->Exporting() && FParentReport->ExportFilter();
    if ((FParentReport->FinalPass() || FParentReport->Exporting()) && Enabled()) {
        C->SetBrush(FBrush);
        C->SetPen(FPen);
        if (!Transparent()) C->FillRect(TRect(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H)));
        if (FCtl3d) {
            const int Fwp = FramePixels(FFrame);
            const Extended D = Extended(Fwp) * 254 / Dpi;
            const Extended D1 = Extended(Fwp + 1) * 254 / Dpi;
            C->Pen()->SetColor(TColor(0x808080));
            C->Pen()->SetWidth(1);
            C->Pen()->SetStyle(psSolid);
            C->MoveTo(P->XPos(L + D), P->YPos(T + D));
            C->LineTo(P->XPos(L + W - D), P->YPos(T + D));
            C->MoveTo(P->XPos(L + D), P->YPos(T + D));
            C->LineTo(P->XPos(L + D), P->YPos(T + H - D));
            C->Pen()->SetColor(TColor(0xC0C0C0));
            C->MoveTo(P->XPos(L + D1), P->YPos(T + D1));
            C->LineTo(P->XPos(L + W - D), P->YPos(T + D1));
            C->MoveTo(P->XPos(L + D1), P->YPos(T + D1));
            C->LineTo(P->XPos(L + D1), P->YPos(T + H - D));
            C->SetPen(FPen);
        }
        const Extended S = Extended(FCheckmarkDistance) * 254 / Dpi;
        auto DrawGlyph = [&](TPicture* Pic) {
            StretchGraphic(C, TRect(P->XPos(L + S), P->YPos(T + S), P->XPos(L + W - S), P->YPos(T + H - S)),
                           Pic->Graphic());
            if (Exporting) {
                TOwned<TRpImage> I = NewOwned<TRpImage>(this);
                I->SetBounds(0, 0, Width(), Height());
                I->Picture()->Assign(Pic);
                FParentReport->ExportFilter()->AcceptGraphic(P->XPos(L), P->YPos(T), I.get());
            }
        };
        if (FChecked) {
            switch (FCheckmarkType) {
                case cmCross:
                    C->MoveTo(P->XPos(L + S), P->YPos(T + S));
                    C->LineTo(P->XPos(L + W - S), P->YPos(T + H - S));
                    C->MoveTo(P->XPos(L + S), P->YPos(T + H - S));
                    C->LineTo(P->XPos(L + W - S), P->YPos(T + S));
                    break;
                case cmHook:
                    C->MoveTo(P->XPos(L + S), P->YPos(T + S + (H - 2 * S) / 2));
                    C->LineTo(P->XPos(L + S + (W - 2 * S) / 3), P->YPos(T + H - S));
                    C->LineTo(P->XPos(L + W - S), P->YPos(T + S));
                    break;
                case cmGlyph: DrawGlyph(FGlyphChecked); break;
            }
        } else if (FCheckmarkType == cmGlyph) {
            DrawGlyph(FGlyphUnchecked);
        }
    }
    if ((FParentReport->FinalPass() || FParentReport->Exporting()) && FFrame->AnyFrame())
        FFrame->PaintIt(C, TRect(P->XPos(L), P->YPos(T), P->XPos(L + W), P->YPos(T + H)), P->XFactor(),
                        P->YFactor());
}

void TRpPCheckBox::Paint() {
    TCanvas* C = Canvas();
    C->SetPen(FPen);
    C->SetBrush(FBrush);
    const int Cw = Width(), Ch = Height();
    if (!Transparent()) C->FillRect(ClientRect());
    if (FCtl3d) {
        const int Fwp = FramePixels(FFrame);
        C->Pen()->SetColor(TColor(0x808080));
        C->Pen()->SetWidth(1);
        C->Pen()->SetStyle(psSolid);
        C->MoveTo(Fwp, Fwp);
        C->LineTo(Cw - Fwp, Fwp);
        C->MoveTo(Fwp, Fwp);
        C->LineTo(Fwp, Ch - Fwp);
        C->Pen()->SetColor(TColor(0xC0C0C0));
        C->MoveTo(Fwp + 1, Fwp + 1);
        C->LineTo(Cw - Fwp, Fwp + 1);
        C->MoveTo(Fwp + 1, Fwp + 1);
        C->LineTo(Fwp + 1, Ch - Fwp);
        C->SetPen(FPen);
    }
    const int D = FCheckmarkDistance;
    if (FChecked && FCheckmarkType == cmCross) {
        C->MoveTo(D, D);
        C->LineTo(Cw - D, Ch - D);
        if (C->Pen()->Width() <= 1) {
            C->MoveTo(D, Ch - D - 1);
            C->LineTo(Cw - D, D - 1);
        } else {
            C->MoveTo(D, Ch - D);
            C->LineTo(Cw - D, D);
        }
    } else if (FChecked && FCheckmarkType == cmHook) {
        C->MoveTo(D, D + (Ch - 2 * D) / 2);
        C->LineTo(D + (Cw - 2 * D) / 3, Ch - D);
        C->LineTo(Cw - D, D);
    } else if (FCheckmarkType == cmGlyph) {
        TPicture* Pic = FChecked ? FGlyphChecked : FGlyphUnchecked;
        TRect R(D, D, Cw - D, Ch - D);
        if (Zoom() != 100) {
            R.Right = R.Left + (R.Right - R.Left) * Zoom() / 100;
            R.Bottom = R.Top + (R.Bottom - R.Top) * Zoom() / 100;
        }
        StretchGraphic(C, R, Pic->Graphic());
    }
    PaintCorners();
    const Extended F = Extended(Zoom()) * (ScreenDpi() / 254.0L) / 100;
    TRect R = ClientRect();
    R.Right -= 1;
    R.Bottom -= 1;
    FFrame->PaintIt(C, R, F, F);
}
