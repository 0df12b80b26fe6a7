#include "platform/gui/extctrls.h"

#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"

#include <QScrollBar>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace {
int FontHeight(const TFont* F) {
    TMeasureDC dc(Screen ? Screen->PixelsPerInch() : 96);
    dc.SelectFont(F->LogFont());
    TTextMetric tm;
    dc.GetTextMetrics(tm);
    return tm.tmHeight;
}
}  // namespace

// ================================================================================================
// TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks,
                     csReplicatable, csParentBackground};
    FWidth = 185;
    FHeight = 105;
    FColor = clBtnFace;
}

int TCustomGroupBox::CaptionHeight() const { return FontHeight(Font()); }

TRect TCustomGroupBox::AdjustClientRect() const {
    TRect r = ClientRect();
    r.Top += CaptionHeight();
    r.Inflate(-2, -2);
    return r;
}

void TCustomGroupBox::TextChanged() {
    Invalidate();
    Realign();
}

void TCustomGroupBox::FontChanged() {
    TCustomControl::FontChanged();
    Realign();
}

void TCustomGroupBox::Paint() {
    HDC dc = Canvas()->Handle();
    TLogBrush face;
    face.lbColor = ColorToRGB(FColor);
    dc->FillRect(ClientRect(), face);
    int h = CaptionHeight();
    TRect frame(0, h / 2 - 1, FWidth, FHeight);
    DrawEdge(dc, frame, EDGE_ETCHED, BF_RECT);
    String text = Caption();
    if (text.isEmpty()) return;
    dc->SelectFont(Font()->LogFont());
    TRect calc(0, 0, 0, h);
    unsigned flags = DT_SINGLELINE | DT_CALCRECT;
    if (UseRightToLeftReading()) flags |= DT_RTLREADING;
    DrawText(dc, text, calc, flags);
    TRect tr = UseRightToLeftAlignment() ? TRect(FWidth - 8 - calc.Width(), 0, FWidth - 8, h) : TRect(8, 0, 8 + calc.Width(), h);
    dc->FillRect(tr, face);
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(ColorToRGB(FEnabled ? Font()->Color() : clGrayText));
    DrawText(dc, text, tr, flags & ~DT_CALCRECT);
}

// ================================================================================================
// TCustomRadioGroup

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner) : TCustomGroupBox(AOwner), FItems(New<TStringList>()) {
    FControlStyle.Exclude(csAcceptsControls);
    FItems->OnChange = TNotifyEvent(this, &TCustomRadioGroup::ItemsChanged);
}

TCustomRadioGroup::~TCustomRadioGroup() = default;

void TCustomRadioGroup::BeforeDestruction() {
    FItems->OnChange = nullptr;
    FButtons.clear();  // the buttons are owned components and go with them
    TCustomGroupBox::BeforeDestruction();
}

void TCustomRadioGroup::ItemsChanged(TObject*) {
    if (FItemIndex >= FItems->Count()) FItemIndex = FItems->Count() - 1;
    UpdateButtons();
}

void TCustomRadioGroup::UpdateButtons() {
    int n = FItems->Count();
    while (ButtonCount() > n) {
        TRadioButton* b = FButtons.back();
        FButtons.pop_back();
        b->Free();
    }
    while (ButtonCount() < n) {
        auto* b = New<TRadioButton>(this);
        b->OnClick = TNotifyEvent(this, &TCustomRadioGroup::ButtonClick);
        b->SetEnabled(FEnabled);
        b->SetParent(this);
        FButtons.push_back(b);
    }
    for (int i = 0; i < n; ++i) FButtons[static_cast<size_t>(i)]->SetCaption(FItems->Strings(i));
    FUpdating = true;
    for (int i = 0; i < n; ++i) FButtons[static_cast<size_t>(i)]->SetChecked(i == FItemIndex);
    FUpdating = false;
    ArrangeButtons();
    Invalidate();
}

void TCustomRadioGroup::ArrangeButtons() {
    int n = ButtonCount();
    if (n == 0) return;
    int perCol = (n + FColumns - 1) / FColumns;
    int buttonWidth = (FWidth - 10) / FColumns;
    int th = CaptionHeight();
    int i = FHeight - th - 5;
    int buttonHeight = std::max(0, i / perCol);
    int topMargin = th + 1 + (i % perCol) / 2;
    for (int k = 0; k < n; ++k) {
        int left = (k / perCol) * buttonWidth + 8;
        if (UseRightToLeftAlignment()) left = ClientWidth() - left - buttonWidth;
        FButtons[static_cast<size_t>(k)]->SetBounds(left, (k % perCol) * buttonHeight + topMargin, buttonWidth, buttonHeight);
    }
}

void TCustomRadioGroup::ButtonClick(TObject* Sender) {
    if (FUpdating) return;
    auto it = std::find(FButtons.begin(), FButtons.end(), Sender);
    if (it == FButtons.end()) return;
    FItemIndex = static_cast<int>(it - FButtons.begin());
    Click();
}

void TCustomRadioGroup::SetItemIndex(int Value) {
    Value = std::clamp(Value, -1, ButtonCount() - 1);
    if (Value == FItemIndex) return;
    if (FItemIndex >= 0) {
        FUpdating = true;
        FButtons[static_cast<size_t>(FItemIndex)]->SetChecked(false);
        FUpdating = false;
    }
    FItemIndex = Value;
    // Checking the button clicks it: OnClick of the group, as for the user.
    if (FItemIndex >= 0) FButtons[static_cast<size_t>(FItemIndex)]->SetChecked(true);
}

void TCustomRadioGroup::SetColumns(int Value) {
    Value = std::clamp(Value, 1, 16);
    if (FColumns == Value) return;
    FColumns = Value;
    ArrangeButtons();
    Invalidate();
}

void TCustomRadioGroup::Resize() {
    TCustomGroupBox::Resize();
    ArrangeButtons();
}

void TCustomRadioGroup::EnabledChanged() {
    TCustomGroupBox::EnabledChanged();
    for (TRadioButton* b : FButtons) b->SetEnabled(FEnabled);
}

void TCustomRadioGroup::FontChanged() {
    TCustomGroupBox::FontChanged();
    ArrangeButtons();
}

// ================================================================================================
// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle.Include(csReplicatable);
    FWidth = 50;
    FHeight = 50;
}

void TBevel::SetShape(TBevelShape Value) {
    if (FShape == Value) return;
    FShape = Value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = Canvas();
    TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    c->Pen()->SetWidth(1);
    c->Pen()->SetStyle(psSolid);
    auto bevelRect = [&](const TRect& R, TColor A, TColor B) {
        c->Pen()->SetColor(A);
        c->Polyline({TPoint(R.Left, R.Bottom), TPoint(R.Left, R.Top), TPoint(R.Right, R.Top)});
        c->Pen()->SetColor(B);
        c->Polyline({TPoint(R.Right, R.Top), TPoint(R.Right, R.Bottom), TPoint(R.Left, R.Bottom)});
    };
    auto bevelLine = [&](TColor C, int X1, int Y1, int X2, int Y2) {
        c->Pen()->SetColor(C);
        c->MoveTo(X1, Y1);
        c->LineTo(X2, Y2);
    };
    int w = FWidth, h = FHeight;
    switch (FShape) {
    case bsBox: bevelRect(TRect(0, 0, w - 1, h - 1), c1, c2); break;
    case bsFrame:
        bevelRect(TRect(1, 1, w - 1, h - 1), c2, c2);
        bevelRect(TRect(0, 0, w - 2, h - 2), c1, c1);
        break;
    case bsTopLine:
        bevelLine(c1, 0, 0, w, 0);
        bevelLine(c2, 0, 1, w, 1);
        break;
    case bsBottomLine:
        bevelLine(c1, 0, h - 2, w, h - 2);
        bevelLine(c2, 0, h - 1, w, h - 1);
        break;
    case bsLeftLine:
        bevelLine(c1, 0, 0, 0, h);
        bevelLine(c2, 1, 0, 1, h);
        break;
    case bsRightLine:
        bevelLine(c1, w - 2, 0, w - 2, h);
        bevelLine(c2, w - 1, 0, w - 1, h);
        break;
    case bsSpacer: break;
    }
}

// ================================================================================================
// TShape

TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner), FPen(New<TPen>()), FBrush(New<TBrush>()) {
    FControlStyle.Include(csReplicatable);
    FWidth = 65;
    FHeight = 65;
    FPen->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
    FBrush->OnChange = TNotifyEvent(this, &TShape::StyleChanged);
}

TShape::~TShape() = default;

void TShape::SetShape(TShapeType Value) {
    if (FShape == Value) return;
    FShape = Value;
    Invalidate();
}

void TShape::Paint() {
    TCanvas* c = Canvas();
    c->SetPen(FPen.get());
    c->SetBrush(FBrush.get());
    int pw = FPen->Width();
    int x = pw / 2, y = x;
    int w = FWidth - pw + 1, h = FHeight - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    int s = std::min(w, h);
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect:
    case stRoundSquare: c->RoundRect(x, y, x + w, y + h, s / 4, s / 4); break;
    case stEllipse:
    case stCircle: c->Ellipse(x, y, x + w, y + h); break;
    }
}

// ================================================================================================
// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(New<TPicture>()) {
    FControlStyle.Include(csReplicatable);
    FWidth = 105;
    FHeight = 105;
    FPicture->OnChange = TNotifyEvent(this, &TImage::PictureChanged);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::PictureChanged(TObject*) {
    TGraphic* g = FPicture->Graphic();
    if (g && !g->Is<TIcon>() && g->Transparent() != FTransparent) g->SetTransparent(FTransparent);
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
    if (!FDrawing) Invalidate();
}

TCanvas* TImage::Canvas() {
    if (!FPicture->Graphic()) {
        TBitmap* bmp = New<TBitmap>();
        bmp->SetSize(FWidth, FHeight);
        try {
            FPicture->SetGraphic(bmp);
        } catch (...) {
            bmp->Free();
            throw;
        }
        bmp->Free();
    }
    if (!FPicture->Graphic()->Is<TBitmap>())
        throw EInvalidOperation(QStringLiteral("Can only modify an image if it contains a bitmap"));
    Invalidate();
    return static_cast<TBitmap*>(FPicture->Graphic())->Canvas();
}

void TImage::SetStretch(bool Value) {
    if (FStretch == Value) return;
    FStretch = Value;
    Invalidate();
}

void TImage::SetCenter(bool Value) {
    if (FCenter == Value) return;
    FCenter = Value;
    Invalidate();
}

void TImage::SetProportional(bool Value) {
    if (FProportional == Value) return;
    FProportional = Value;
    Invalidate();
}

void TImage::SetTransparent(bool Value) {
    if (FTransparent == Value) return;
    FTransparent = Value;
    PictureChanged(this);
}

void TImage::SetAutoSize(bool Value) {
    FAutoSize = Value;
    if (Value) PictureChanged(this);
}

TRect TImage::DestRect() const {
    int w = FPicture->Width(), h = FPicture->Height();
    int cw = ClientWidth(), ch = ClientHeight();
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            double aspect = double(w) / h;
            if (w > h) {
                w = cw;
                h = static_cast<int>(std::trunc(cw / aspect));
                if (h > ch) {
                    h = ch;
                    w = static_cast<int>(std::trunc(ch * aspect));
                }
            } else {
                h = ch;
                w = static_cast<int>(std::trunc(ch * aspect));
                if (w > cw) {
                    w = cw;
                    h = static_cast<int>(std::trunc(cw / aspect));
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r(0, 0, w, h);
    if (FCenter) r.Offset((cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty()) return;
    FDrawing = true;
    try {
        TGraphicControl::Canvas()->StretchDraw(DestRect(), g);
    } catch (...) {
        FDrawing = false;
        throw;
    }
    FDrawing = false;
}

// ================================================================================================
// TSplitter

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
    FAlign = alLeft;
    FWidth = 3;
    FHeight = 100;
    FCursor = crHSplit;
    FColor = clBtnFace;
}

TControl* TSplitter::FindControl() const {
    if (!FParent) return nullptr;
    TPoint p(FLeft, FTop);
    switch (FAlign) {
    case alLeft: --p.X; break;
    case alRight: p.X += FWidth; break;
    case alTop: --p.Y; break;
    case alBottom: p.Y += FHeight; break;
    default: return nullptr;
    }
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (c == this || !c->Visible() || !c->Enabled()) continue;
        TRect r = c->BoundsRect();
        if (r.Width() == 0) {
            if (FAlign == alTop || FAlign == alLeft) --r.Left;
            else ++r.Right;
        }
        if (r.Height() == 0) {
            if (FAlign == alTop || FAlign == alLeft) --r.Top;
            else ++r.Bottom;
        }
        if (r.Contains(p)) return c;
    }
    return nullptr;
}

void TSplitter::CalcSplitSize(int X, int Y, int& NewSize, int& Split) {
    bool horz = FAlign == alLeft || FAlign == alRight;
    Split = horz ? X - FDownPos.X : Y - FDownPos.Y;
    int s = 0;
    switch (FAlign) {
    case alLeft: s = FControl->Width() + Split; break;
    case alRight: s = FControl->Width() - Split; break;
    case alTop: s = FControl->Height() + Split; break;
    case alBottom: s = FControl->Height() - Split; break;
    default: break;
    }
    NewSize = s;
    if (s < FMinSize) NewSize = FMinSize;
    else if (s > FMaxSize) NewSize = FMaxSize;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    FControl = FindControl();
    FDownPos = TPoint(X, Y);
    if (!FControl) return;
    bool horz = FAlign == alLeft || FAlign == alRight;
    FMaxSize = (horz ? FParent->ClientWidth() : FParent->ClientHeight()) - FMinSize;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (!c->Visible()) continue;
        if (horz && (c->Align() == alLeft || c->Align() == alRight)) FMaxSize -= c->Width();
        if (!horz && (c->Align() == alTop || c->Align() == alBottom)) FMaxSize -= c->Height();
    }
    FMaxSize += horz ? FControl->Width() : FControl->Height();
    FOldSize = horz ? FControl->Width() : FControl->Height();
    FNewSize = FOldSize;
    FDragging = true;
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging || !FControl || !Shift.Contains(ssLeft)) return;
    int newSize, split;
    CalcSplitSize(X, Y, newSize, split);
    bool accept = true;
    if (OnCanResize) OnCanResize(this, newSize, accept);
    if (!accept) return;
    if (newSize <= FMinSize && FAutoSnap) newSize = 0;
    FNewSize = newSize;
    if (FResizeStyle == rsUpdate) UpdateSize();
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (FDragging && FControl) UpdateSize();
    FDragging = false;
    FControl = nullptr;
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSplitter::UpdateSize() {
    if (FNewSize == FOldSize || !FControl) return;
    switch (FAlign) {
    case alLeft: FControl->SetWidth(FNewSize); break;
    case alTop: FControl->SetHeight(FNewSize); break;
    case alRight:
        FParent->DisableAlign();
        FControl->SetBounds(FControl->Left() + FControl->Width() - FNewSize, FControl->Top(), FNewSize, FControl->Height());
        FParent->EnableAlign();
        break;
    case alBottom:
        FParent->DisableAlign();
        FControl->SetBounds(FControl->Left(), FControl->Top() + FControl->Height() - FNewSize, FControl->Width(), FNewSize);
        FParent->EnableAlign();
        break;
    default: break;
    }
    FOldSize = FNewSize;
    if (OnMoved) OnMoved(this);
}

void TSplitter::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(FColor);
    c->FillRect(ClientRect());
}

// ================================================================================================
// TControlScrollBar and TScrollBox

void TControlScrollBar::SetRange(int Value) {
    FRange = std::max(0, Value);
    FRangeSet = true;
    FControl->UpdateScrollBars();
}

void TControlScrollBar::SetPosition(int Value) {
    TRect cr = FControl->ClientRect();
    int extent = FKind == sbHorizontal ? cr.Width() : cr.Height();
    Value = std::clamp(Value, 0, std::max(0, FRange - extent));
    if (Value == FPosition) return;
    int delta = FPosition - Value;
    FPosition = Value;
    if (FKind == sbHorizontal) FControl->ScrollBy(delta, 0);
    else FControl->ScrollBy(0, delta);
    FControl->PlaceBars();
}

void TControlScrollBar::SetVisible(bool Value) {
    FVisible = Value;
    FControl->UpdateScrollBars();
}

TScrollBox::TScrollBox(TComponent* AOwner)
    : TCustomControl(AOwner), FHorz(New<TControlScrollBar>(this, sbHorizontal)), FVert(New<TControlScrollBar>(this, sbVertical)) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
}

TScrollBox::~TScrollBox() = default;

QWidget* TScrollBox::CreateWidget(QWidget* ParentWidget) {
    QWidget* w = TCustomControl::CreateWidget(ParentWidget);
    FHBar = new QScrollBar(Qt::Horizontal, w);
    FVBar = new QScrollBar(Qt::Vertical, w);
    FHBar->hide();
    FVBar->hide();
    QObject::connect(FHBar, &QScrollBar::valueChanged, w, [this](int V) {
        if (!FUpdating) GuardedCall(this, [this, V] { FHorz->SetPosition(V); });
    });
    QObject::connect(FVBar, &QScrollBar::valueChanged, w, [this](int V) {
        if (!FUpdating) GuardedCall(this, [this, V] { FVert->SetPosition(V); });
    });
    return w;
}

void TScrollBox::InitWidget() {
    TCustomControl::InitWidget();
    PlaceBars();
}

TRect TScrollBox::ClientRect() const {
    TRect r(0, 0, FWidth, FHeight);
    if (FVert->FShown) r.Right -= GetSystemMetrics(SM_CXVSCROLL);
    if (FHorz->FShown) r.Bottom -= GetSystemMetrics(SM_CYHSCROLL);
    r.Right = std::max(r.Right, 0);
    r.Bottom = std::max(r.Bottom, 0);
    return r;
}

void TScrollBox::SetAutoScroll(bool Value) {
    FAutoScroll = Value;
    UpdateScrollBars();
}

void TScrollBox::SetBorderStyle(TFormBorderStyle Value) {
    FBorderStyle = Value == bsSingle ? bsSingle : bsNone;
    Invalidate();
}

void TScrollBox::CalcAutoRange() {
    if (!FAutoScroll) return;
    int right = 0, bottom = 0;
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        right = std::max(right, c->Left() + c->Width() + FHorz->FPosition);
        bottom = std::max(bottom, c->Top() + c->Height() + FVert->FPosition);
    }
    if (!FHorz->FRangeSet) FHorz->FRange = right;
    if (!FVert->FRangeSet) FVert->FRange = bottom;
}

void TScrollBox::UpdateScrollBars() {
    if (FUpdating) return;
    FUpdating = true;
    CalcAutoRange();
    int sw = GetSystemMetrics(SM_CXVSCROLL), sh = GetSystemMetrics(SM_CYHSCROLL);
    bool v = FVert->FVisible && FVert->FRange > FHeight;
    bool h = FHorz->FVisible && FHorz->FRange > FWidth - (v ? sw : 0);
    v = FVert->FVisible && FVert->FRange > FHeight - (h ? sh : 0);
    FHorz->FShown = h;
    FVert->FShown = v;
    FUpdating = false;
    // Positions that no longer fit scroll back.
    if (!h && FHorz->FPosition != 0) FHorz->SetPosition(0);
    if (!v && FVert->FPosition != 0) FVert->SetPosition(0);
    FHorz->SetPosition(FHorz->FPosition);
    FVert->SetPosition(FVert->FPosition);
    PlaceBars();
}

void TScrollBox::PlaceBars() {
    if (!FHandle || !FHBar) return;
    FUpdating = true;
    TRect cr = ClientRect();
    FHBar->setGeometry(0, cr.Bottom, cr.Width(), FHeight - cr.Bottom);
    FVBar->setGeometry(cr.Right, 0, FWidth - cr.Right, cr.Height());
    FHBar->setRange(0, std::max(0, FHorz->FRange - cr.Width()));
    FHBar->setPageStep(std::max(1, cr.Width()));
    FHBar->setSingleStep(FHorz->FIncrement);
    FHBar->setValue(FHorz->FPosition);
    FVBar->setRange(0, std::max(0, FVert->FRange - cr.Height()));
    FVBar->setPageStep(std::max(1, cr.Height()));
    FVBar->setSingleStep(FVert->FIncrement);
    FVBar->setValue(FVert->FPosition);
    FHBar->setVisible(FHorz->FShown);
    FVBar->setVisible(FVert->FShown);
    FHBar->raise();
    FVBar->raise();
    FUpdating = false;
}

void TScrollBox::ScrollBy(int DeltaX, int DeltaY) {
    if (DeltaX == 0 && DeltaY == 0) return;
    bool was = FUpdating;
    FUpdating = true;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
    }
    FControlState.Exclude(csAlignmentNeeded);
    EnableAlign();
    FUpdating = was;
    Invalidate();
}

void TScrollBox::ScrollInView(TControl* AControl) {
    if (!AControl || !ContainsControl(AControl)) return;
    TRect cr = ClientRect();
    TRect r = AControl->BoundsRect();
    if (r.Left < 0) FHorz->SetPosition(FHorz->FPosition + r.Left);
    else if (r.Right > cr.Right) FHorz->SetPosition(FHorz->FPosition + std::min(r.Right - cr.Right, r.Left));
    if (r.Top < 0) FVert->SetPosition(FVert->FPosition + r.Top);
    else if (r.Bottom > cr.Bottom) FVert->SetPosition(FVert->FPosition + std::min(r.Bottom - cr.Bottom, r.Top));
}

void TScrollBox::AlignControls(TControl* AControl, TRect& Rect) {
    TCustomControl::AlignControls(AControl, Rect);
    UpdateScrollBars();
}

void TScrollBox::Resize() {
    TCustomControl::Resize();
    UpdateScrollBars();
}

bool TScrollBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    TControlScrollBar* bar = FVert->FShown ? FVert.get() : FHorz->FShown ? FHorz.get() : nullptr;
    if (!bar) return false;
    bar->SetPosition(bar->FPosition - WheelDelta / 120 * bar->FIncrement * 3);
    return true;
}

void TScrollBox::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(FColor);
    c->FillRect(TRect(0, 0, FWidth, FHeight));
    if (FBorderStyle == bsSingle) {
        TRect r(0, 0, FWidth, FHeight);
        DrawEdge(c->Handle(), r, EDGE_SUNKEN, BF_RECT);
    }
}
