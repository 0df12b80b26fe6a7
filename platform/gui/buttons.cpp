#include "platform/gui/buttons.h"

#include "platform/gui/dialogs.h"

#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"

#include <QIcon>
#include <QPixmap>
#include <QPushButton>

#include <algorithm>

namespace {

// The glyph image Index (0: up, 1: disabled, 2: clicked, 3: down) with the transparent colour (the
// bottom-left pixel) cleared.
QImage GlyphImage(TBitmap* Glyph, int NumGlyphs, int Index) {
    if (!Glyph || Glyph->Empty()) return QImage();
    NumGlyphs = std::clamp(NumGlyphs, 1, 4);
    if (Index >= NumGlyphs) Index = 0;
    int w = Glyph->Width() / NumGlyphs;
    QImage all = Glyph->Image().convertToFormat(QImage::Format_ARGB32);
    QImage img = all.copy(Index * w, 0, w, all.height());
    QRgb key = all.pixel(0, all.height() - 1) | 0xFF000000u;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] | 0xFF000000u) == key) line[x] = 0;
    }
    return img.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The classic look of a disabled glyph: its shape embossed in highlight and shadow.
QImage DisabledGlyph(const QImage& Img) {
    QImage r(Img.width() + 1, Img.height() + 1, QImage::Format_ARGB32_Premultiplied);
    r.fill(0);
    QRgb hi = ColorToQColor(clBtnHighlight).rgba(), sh = ColorToQColor(clBtnShadow).rgba();
    auto dark = [&](int x, int y) {
        QRgb p = Img.pixel(x, y);
        return qAlpha(p) != 0 && qGray(p) < 192;
    };
    for (int y = 0; y < Img.height(); ++y)
        for (int x = 0; x < Img.width(); ++x)
            if (dark(x, y)) r.setPixel(x + 1, y + 1, hi);
    for (int y = 0; y < Img.height(); ++y)
        for (int x = 0; x < Img.width(); ++x)
            if (dark(x, y)) r.setPixel(x, y, sh);
    return r;
}

}  // namespace

void CalcButtonLayout(const TRect& Client, TSize GlyphSize, TSize TextSize, TButtonLayout Layout, int Margin,
                      int Spacing, TPoint& GlyphPos, TRect& TextBounds) {
    TPoint center(Client.Width() / 2, Client.Height() / 2);
    bool horz = Layout == blGlyphLeft || Layout == blGlyphRight;
    if (GlyphSize.cx == 0 || GlyphSize.cy == 0 || TextSize.cx == 0) Spacing = 0;
    if (horz) {
        GlyphPos.Y = (Client.Height() - GlyphSize.cy + 1) / 2;
        TextBounds.Top = (Client.Height() - TextSize.cy + 1) / 2;
    } else {
        GlyphPos.X = (Client.Width() - GlyphSize.cx + 1) / 2;
        TextBounds.Left = (Client.Width() - TextSize.cx + 1) / 2;
    }
    int total = horz ? Client.Width() : Client.Height();
    int g = horz ? GlyphSize.cx : GlyphSize.cy;
    int t = horz ? TextSize.cx : TextSize.cy;
    if (Margin == -1) {
        if (Spacing == -1) {
            int space = (total - g - t) / 3;
            Margin = space;
            Spacing = space;
        } else {
            int size = g + Spacing + t;
            Margin = (total - size + 1) / 2;
        }
    } else if (Spacing == -1) {
        Spacing = (total - Margin - g - t) / 2;
    }
    (void)center;
    int gpos = 0, tpos = 0;
    switch (Layout) {
    case blGlyphLeft:
    case blGlyphTop:
        gpos = Margin;
        tpos = gpos + g + Spacing;
        break;
    case blGlyphRight:
    case blGlyphBottom:
        gpos = total - Margin - g;
        tpos = gpos - Spacing - t;
        break;
    }
    if (horz) {
        GlyphPos.X = gpos;
        TextBounds.Left = tpos;
    } else {
        GlyphPos.Y = gpos;
        TextBounds.Top = tpos;
    }
    TextBounds.Right = TextBounds.Left + TextSize.cx;
    TextBounds.Bottom = TextBounds.Top + TextSize.cy;
    GlyphPos = GlyphPos + Client.TopLeft();
    TextBounds.Offset(Client.Left, Client.Top);
}

// ================================================================================================
// TSpeedButton

void TSpeedButtonActionLink::SetChecked(bool Value) { static_cast<TSpeedButton*>(FClient)->SetDown(Value); }
void TSpeedButtonActionLink::SetGroupIndex(int Value) { static_cast<TSpeedButton*>(FClient)->SetGroupIndex(Value); }

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle = {csCaptureMouse, csDoubleClicks};
    FWidth = 23;
    FHeight = 22;
    FColor = clBtnFace;
    FParentColor = false;
    FGlyph.reset(New<TBitmap>());
    FGlyph->OnChange = TNotifyEvent(this, &TSpeedButton::GlyphChanged);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::GlyphChanged(TObject*) {
    if (!FGlyph->Empty() && FGlyph->Height() > 0) {
        int n = FGlyph->Width() / FGlyph->Height();
        if (n >= 1 && n <= 4 && FGlyph->Width() % FGlyph->Height() == 0) FNumGlyphs = n;
    }
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* Value) {
    if (Value) FGlyph->Assign(Value);
    else FGlyph->SetSize(0, 0);
    GlyphChanged(nullptr);
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs Value) {
    FNumGlyphs = std::clamp(Value, 1, 4);
    Invalidate();
}

void TSpeedButton::SetDown(bool Value) {
    if (FGroupIndex == 0) Value = false;
    if (Value == FDown) return;
    if (FDown && !FAllowAllUp) return;
    FDown = Value;
    if (Value) {
        if (FState == bsUp) Invalidate();
        FState = bsExclusive;
    } else {
        FState = bsUp;
        Invalidate();
    }
    if (Value) UpdateExclusive();
    Invalidate();
}

void TSpeedButton::UpdateExclusive() {
    if (FGroupIndex == 0 || !FParent) return;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        auto* b = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
        if (!b || b == this || b->FGroupIndex != FGroupIndex) continue;
        if (FDown && b->FDown) {
            b->FDown = false;
            b->FState = bsUp;
            b->Invalidate();
        }
        b->FAllowAllUp = FAllowAllUp;
    }
}

void TSpeedButton::SetGroupIndex(int Value) {
    if (FGroupIndex == Value) return;
    FGroupIndex = Value;
    if (FGroupIndex == 0 && FDown) {
        FDown = false;
        FState = bsUp;
        Invalidate();
    }
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool Value) {
    if (FAllowAllUp == Value) return;
    FAllowAllUp = Value;
    UpdateExclusive();
}

void TSpeedButton::SetFlat(bool Value) {
    FFlat = Value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout Value) {
    FLayout = Value;
    Invalidate();
}

void TSpeedButton::SetMargin(int Value) {
    FMargin = std::max(-1, Value);
    Invalidate();
}

void TSpeedButton::SetSpacing(int Value) {
    FSpacing = Value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool Value) {
    FTransparent = Value;
    Invalidate();
}

void TSpeedButton::EnabledChanged() {
    FState = FEnabled ? (FDown ? bsExclusive : bsUp) : bsDisabled;
    TGraphicControl::EnabledChanged();
    Invalidate();
}

void TSpeedButton::SetAction(TBasicAction* Value) {
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = NewOwned<TSpeedButtonActionLink>(this);
    FActionLink->SetAction(Value);
    FActionLink->AssignFromAction();
}

void TSpeedButton::Click() {
    TBasicAction* action = Action();
    if (OnClick && action && OnClick != action->OnExecute) OnClick(this);
    else if (FActionLink && action) FActionLink->Execute(this);
    else if (OnClick) OnClick(this);
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !FEnabled) return;
    if (!FDown) {
        FState = bsDown;
        Invalidate();
    }
    FDragging = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging) return;
    TButtonState newState = FDown ? bsExclusive : bsUp;
    if (X >= 0 && X < FWidth && Y >= 0 && Y < FHeight) newState = FDown ? bsExclusive : bsDown;
    if (newState != FState) {
        FState = newState;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FDragging) return;
    FDragging = false;
    bool doClick = X >= 0 && X < FWidth && Y >= 0 && Y < FHeight;
    if (FGroupIndex == 0) {
        FState = bsUp;
        FMouseInControl = false;
        Invalidate();
    } else if (doClick) {
        SetDown(!FDown);
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
    } else {
        FState = FDown ? bsExclusive : bsUp;
        Invalidate();
    }
    if (doClick) Click();
}

void TSpeedButton::CMMouseEnter(TMessage& Message) {
    TGraphicControl::CMMouseEnter(Message);
    FMouseInControl = true;
    if (FFlat && FEnabled) Invalidate();
}

void TSpeedButton::CMMouseLeave(TMessage& Message) {
    TGraphicControl::CMMouseLeave(Message);
    FMouseInControl = false;
    if (FFlat && FEnabled) Invalidate();
}

void TSpeedButton::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    TButtonState state = FEnabled ? FState : bsDisabled;
    bool pressed = state == bsDown || state == bsExclusive;
    TLogBrush face;
    face.lbColor = ColorToRGB(FColor);
    if (FFlat) {
        if (!FTransparent || pressed) dc->FillRect(r, face);
        if (pressed) {
            TRect e = r;
            DrawEdge(dc, e, BDR_SUNKENOUTER, BF_RECT);
        } else if (FMouseInControl && FEnabled) {
            TRect e = r;
            DrawEdge(dc, e, BDR_RAISEDINNER, BF_RECT);
        }
    } else {
        DrawFrameControl(dc, r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
    }
    if (state == bsExclusive) {
        // A button that stays down shows a lighter face.
        TLogBrush light;
        light.lbColor = ColorToRGB(clBtnHighlight);
        TRect in = r;
        in.Inflate(-2, -2);
        dc->FillRect(in, light);
    }
    TRect client = r;
    client.Inflate(-1, -1);
    if (pressed) client.Offset(1, 1);

    int glyphIndex = 0;
    if (state == bsDisabled) glyphIndex = 1;
    else if (state == bsDown) glyphIndex = 2;
    else if (state == bsExclusive) glyphIndex = 3;
    QImage glyph = GlyphImage(FGlyph.get(), FNumGlyphs, glyphIndex);
    if (!glyph.isNull() && state == bsDisabled && FNumGlyphs < 2) glyph = DisabledGlyph(glyph);

    String caption = Caption();
    dc->SelectFont(Font()->LogFont());
    TRect textCalc(0, 0, client.Width(), 0);
    if (!caption.isEmpty()) DrawText(dc, caption, textCalc, DT_CALCRECT | DT_SINGLELINE);
    TSize textSize = caption.isEmpty() ? TSize() : TSize(textCalc.Width(), textCalc.Height());
    TSize glyphSize = glyph.isNull() ? TSize() : TSize(glyph.width(), glyph.height());
    TPoint gp;
    TRect tb;
    CalcButtonLayout(client, glyphSize, textSize, FLayout, FMargin, FSpacing, gp, tb);
    if (!glyph.isNull())
        dc->AlphaBlend(Bounds(gp.X, gp.Y, glyph.width(), glyph.height()), glyph, Rect(0, 0, glyph.width(), glyph.height()));
    if (!caption.isEmpty()) {
        dc->SetBkMode(TRANSPARENT);
        if (state == bsDisabled) {
            TRect o = tb;
            o.Offset(1, 1);
            dc->SetTextColor(ColorToRGB(clBtnHighlight));
            DrawText(dc, caption, o, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            dc->SetTextColor(ColorToRGB(clBtnShadow));
        } else {
            dc->SetTextColor(ColorToRGB(Font()->Color()));
        }
        DrawText(dc, caption, tb, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// ================================================================================================
// TBitBtn

namespace {

struct TKindInfo {
    String Caption;
    int ModalResult;
};

// A kind's caption is the message-box button's of the same meaning.
TKindInfo KindInfo(TBitBtnKind Kind) {
    switch (Kind) {
    case bkOK: return {MsgDlgButtonCaption(mbOK), mrOk};
    case bkCancel: return {MsgDlgButtonCaption(mbCancel), mrCancel};
    case bkHelp: return {MsgDlgButtonCaption(mbHelp), mrNone};
    case bkYes: return {MsgDlgButtonCaption(mbYes), mrYes};
    case bkNo: return {MsgDlgButtonCaption(mbNo), mrNo};
    case bkClose: return {MsgDlgButtonCaption(mbClose), mrNone};
    case bkAbort: return {MsgDlgButtonCaption(mbAbort), mrAbort};
    case bkRetry: return {MsgDlgButtonCaption(mbRetry), mrRetry};
    case bkIgnore: return {MsgDlgButtonCaption(mbIgnore), mrIgnore};
    case bkAll: return {MsgDlgButtonCaption(mbAll), mrAll};
    case bkCustom: break;
    }
    return {String(), mrNone};
}

}  // namespace

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner) {
    FGlyph.reset(New<TBitmap>());
    FGlyph->OnChange = TNotifyEvent(this, &TBitBtn::GlyphChanged);
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind Value) {
    if (FKind == Value) return;
    FKind = Value;
    if (Value == bkCustom) return;
    TKindInfo k = KindInfo(Value);
    SetCaption(k.Caption);
    SetModalResult(k.ModalResult);
    if (Value == bkOK || Value == bkYes) SetDefault(true);
    if (Value == bkCancel || Value == bkNo) SetCancel(true);
}

void TBitBtn::GlyphChanged(TObject*) {
    if (!FGlyph->Empty() && FGlyph->Height() > 0) {
        int n = FGlyph->Width() / FGlyph->Height();
        if (n >= 1 && n <= 4 && FGlyph->Width() % FGlyph->Height() == 0) FNumGlyphs = n;
    }
    ApplyGlyph();
}

void TBitBtn::SetGlyph(TBitmap* Value) {
    if (Value) FGlyph->Assign(Value);
    else FGlyph->SetSize(0, 0);
    GlyphChanged(nullptr);
}

void TBitBtn::SetNumGlyphs(TNumGlyphs Value) {
    FNumGlyphs = std::clamp(Value, 1, 4);
    ApplyGlyph();
}

void TBitBtn::ApplyGlyph() {
    if (!FHandle) return;
    auto* b = static_cast<QPushButton*>(FHandle);
    QImage up = GlyphImage(FGlyph.get(), FNumGlyphs, 0);
    if (up.isNull()) {
        b->setIcon(QIcon());
        return;
    }
    QIcon icon(QPixmap::fromImage(up));
    QImage dis = FNumGlyphs > 1 ? GlyphImage(FGlyph.get(), FNumGlyphs, 1) : DisabledGlyph(up);
    icon.addPixmap(QPixmap::fromImage(dis), QIcon::Disabled);
    b->setIcon(icon);
    b->setIconSize(up.size());
}

void TBitBtn::InitWidget() {
    TButton::InitWidget();
    ApplyGlyph();
}

void TBitBtn::SetAction(TBasicAction* Value) {
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = NewOwned<TControlActionLink>(this);
    FActionLink->SetAction(Value);
    FActionLink->AssignFromAction();
}

void TBitBtn::Click() {
    if (FKind == bkClose) {
        if (TCustomForm* f = GetParentForm(this)) {
            f->Close();
            return;
        }
    }
    TBasicAction* action = Action();
    if (action && (!OnClick || OnClick == action->OnExecute)) {
        if (TCustomForm* f = GetParentForm(this)) f->SetModalResult(ModalResult());
        FActionLink->Execute(this);
        return;
    }
    TButton::Click();
}
