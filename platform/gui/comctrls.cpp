#include "platform/gui/comctrls.h"
#include "platform/gui/qthost.h"

#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"

#include <QProgressBar>

#include <algorithm>

namespace {

void FillSolid(HDC DC, const TRect& R, TColor Color) {
    TLogBrush b;
    b.lbColor = ColorToRGB(Color);
    DC->FillRect(R, b);
}

int FontHeight(TControl* C) {
    TMeasureDC dc(96);
    dc.SelectFont(C->Font()->LogFont());
    TTextMetric tm;
    dc.GetTextMetrics(tm);
    return tm.tmHeight;
}

}  // namespace

// ================================================================================================
// TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = {csAcceptsControls};
    FVisible = false;
}

void TTabSheet::BeforeDestruction() {
    if (FPageControl) FPageControl->RemovePage(this);
    TWinControl::BeforeDestruction();
}

void TTabSheet::SetPageControl(TPageControl* Value) { SetParent(Value); }

void TTabSheet::SetParent(TWinControl* AParent) {
    if (FPageControl && AParent != FPageControl) FPageControl->RemovePage(this);
    TWinControl::SetParent(AParent);
    if (auto* pc = dynamic_cast<TPageControl*>(AParent); pc && FPageControl != pc) pc->InsertPage(this);
}

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    const auto& v = FPageControl->FPages;
    return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

void TTabSheet::SetPageIndex(int Value) {
    if (!FPageControl) return;
    auto& v = FPageControl->FPages;
    Value = std::clamp(Value, 0, static_cast<int>(v.size()) - 1);
    v.erase(v.begin() + PageIndex());
    v.insert(v.begin() + Value, this);
    FPageControl->Invalidate();
}

int TTabSheet::TabIndex() const {
    if (!FPageControl || !FTabVisible) return -1;
    int n = 0;
    for (TTabSheet* p : FPageControl->FPages) {
        if (p == this) return n;
        if (p->FTabVisible) ++n;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool Value) {
    FTabVisible = Value;
    if (FPageControl) FPageControl->Invalidate();
}

void TTabSheet::TextChanged() {
    if (FPageControl) FPageControl->Invalidate();
}

// ================================================================================================
// TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csDoubleClicks};
    FWidth = 289;
    FHeight = 193;
    FColor = clBtnFace;
    FParentColor = false;
    FTabStop = true;
}

void TPageControl::BeforeDestruction() {
    for (TTabSheet* p : FPages) p->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
    TCustomControl::BeforeDestruction();
}

TTabSheet* TPageControl::Pages(int Index) const {
    if (Index < 0 || Index >= PageCount()) throw EListError(QStringLiteral("List index out of bounds (%d)"), {Index});
    return FPages[static_cast<size_t>(Index)];
}

void TPageControl::InsertPage(TTabSheet* Page) {
    FPages.push_back(Page);
    Page->FPageControl = this;
    Page->FreeNotification(this);
    PlacePages();
    if (!FActivePage) SetActivePage(Page);
    else Page->SetVisible(false);
    Invalidate();
}

void TPageControl::RemovePage(TTabSheet* Page) {
    auto it = std::find(FPages.begin(), FPages.end(), Page);
    if (it == FPages.end()) return;
    TTabSheet* next = FActivePage == Page ? FindNextPage(Page, true, true) : nullptr;
    FPages.erase(it);
    Page->FPageControl = nullptr;
    if (FActivePage == Page) {
        FActivePage = nullptr;
        if (next != Page) SetActivePage(next);
    }
    Invalidate();
}

void TPageControl::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FImages) FImages = nullptr;
    if (auto* p = dynamic_cast<TTabSheet*>(AComponent); p && p->FPageControl == this) RemovePage(p);
}

void TPageControl::SetImages(TCustomImageList* Value) {
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = Value;
    if (FImages) FImages->FreeNotification(this);
    Invalidate();
}

void TPageControl::SetActivePage(TTabSheet* Page) {
    if (Page && Page->FPageControl != this) return;
    if (Page == FActivePage) return;
    TTabSheet* old = FActivePage;
    FActivePage = Page;
    if (Page) {
        Page->SetBoundsRect(DisplayRect());
        Page->SetVisible(true);
        Page->BringToFront();
        if (Page->OnShow) Page->OnShow(Page);
    }
    if (old) {
        old->SetVisible(false);
        if (old->OnHide) old->OnHide(old);
    }
    Invalidate();
}

void TPageControl::SetActivePageIndex(int Value) {
    SetActivePage(Value >= 0 && Value < PageCount() ? FPages[static_cast<size_t>(Value)] : nullptr);
}

void TPageControl::SetTabHeight(int Value) {
    FTabHeight = std::max(0, Value);
    PlacePages();
    Invalidate();
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* CurPage, bool GoForward, bool CheckTabVisible) const {
    int n = PageCount();
    if (n == 0) return nullptr;
    auto it = std::find(FPages.begin(), FPages.end(), CurPage);
    int start = it == FPages.end() ? (GoForward ? n - 1 : 0) : static_cast<int>(it - FPages.begin());
    int i = start;
    for (int k = 0; k < n; ++k) {
        i = GoForward ? (i + 1) % n : (i + n - 1) % n;
        TTabSheet* p = FPages[static_cast<size_t>(i)];
        if (!CheckTabVisible || p->FTabVisible) return p;
    }
    return nullptr;
}

bool TPageControl::ChangeActivePage(TTabSheet* Page) {
    if (!Page || Page == FActivePage) return false;
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    if (!allow) return false;
    SetActivePage(Page);
    if (OnChange) OnChange(this);
    return true;
}

void TPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible) {
    ChangeActivePage(FindNextPage(FActivePage, GoForward, CheckTabVisible));
}

TRect TPageControl::TabRect(int TabIdx) {
    int h = FTabHeight > 0 ? FTabHeight : FontHeight(this) + 6;
    int x = 2, n = 0;
    TMeasureDC dc(96);
    dc.SelectFont(Font()->LogFont());
    for (TTabSheet* p : FPages) {
        if (!p->FTabVisible) continue;
        TRect calc(0, 0, 0x7FFF, 0);
        DrawText(&dc, p->Caption(), calc, DT_CALCRECT | DT_SINGLELINE);
        int w = calc.Width() + 12 + (FImages && p->FImageIndex >= 0 ? FImages->Width() + 4 : 0);
        if (n == TabIdx) return Rect(x, 2, x + w, 2 + h);
        x += w;
        ++n;
    }
    return TRect();
}

TRect TPageControl::DisplayRect() const {
    int h = FTabHeight > 0 ? FTabHeight : FontHeight(const_cast<TPageControl*>(this)) + 6;
    TRect r = ClientRect();
    r.Top += h + 2;
    r.Inflate(-4, -4);
    r.Top -= 2;
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

void TPageControl::PlacePages() {
    TRect d = DisplayRect();
    for (TTabSheet* p : FPages) p->SetBoundsRect(d);
}

void TPageControl::Resize() {
    PlacePages();
    TCustomControl::Resize();
}

void TPageControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    for (TTabSheet* p : std::vector<TTabSheet*>(FPages)) {
        int t = p->TabIndex();
        if (t >= 0 && TabRect(t).Contains(TPoint(X, Y))) {
            ChangeActivePage(p);
            return;
        }
    }
}

void TPageControl::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    FillSolid(dc, r, FColor);
    TRect frame = DisplayRect();
    frame.Inflate(4, 4);
    frame.Top += 2;
    DrawEdge(dc, frame, EDGE_RAISED, BF_RECT);
    dc->SelectFont(Font()->LogFont());
    dc->SetBkMode(TRANSPARENT);
    for (TTabSheet* p : FPages) {
        int t = p->TabIndex();
        if (t < 0) continue;
        TRect tr = TabRect(t);
        bool active = p == FActivePage;
        if (active) tr.Inflate(2, 2);
        FillSolid(dc, tr, FColor);
        TRect e = tr;
        DrawEdge(dc, e, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
        TRect text = tr;
        if (FImages && p->FImageIndex >= 0 && p->FImageIndex < FImages->Count()) {
            QImage img = FImages->GetImage(p->FImageIndex).convertToFormat(QImage::Format_ARGB32_Premultiplied);
            int y = tr.Top + (tr.Height() - img.height()) / 2;
            dc->AlphaBlend(Bounds(tr.Left + 4, y, img.width(), img.height()), img, Rect(0, 0, img.width(), img.height()));
            text.Left += img.width() + 4;
        }
        dc->SetTextColor(ColorToRGB(p->Enabled() ? Font()->Color() : clGrayText));
        DrawText(dc, p->Caption(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// ================================================================================================
// TStatusPanel / TStatusPanels

void TStatusPanel::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TStatusPanel*>(Source)) {
        FText = s->FText;
        FWidth = s->FWidth;
        FAlignment = s->FAlignment;
        FStyle = s->FStyle;
        FBevel = s->FBevel;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

void TStatusPanel::SetText(const String& Value) {
    if (FText == Value) return;
    FText = Value;
    Changed(false);
}

void TStatusPanel::SetWidth(int Value) {
    if (FWidth == Value) return;
    FWidth = Value;
    Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle Value) {
    FStyle = Value;
    Changed(false);
}

void TStatusPanel::SetBevel(TStatusPanelBevel Value) {
    FBevel = Value;
    Changed(false);
}

TStatusPanels::TStatusPanels(TStatusBar* AStatusBar)
    : TCollection(TStatusPanel::StaticClass()), FStatusBar(AStatusBar) {}

TPersistent* TStatusPanels::GetOwner() { return FStatusBar; }

void TStatusPanels::Update(TCollectionItem*) {
    if (FStatusBar) FStatusBar->Invalidate();
}

// ================================================================================================
// TStatusBar

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner), FPanels(New<TStatusPanels>(this)) {
    FControlStyle = {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque};
    FColor = clBtnFace;
    FParentColor = false;
    FHeight = 19;
    FWidth = 150;
    FAlign = alBottom;
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool Value) {
    FSimplePanel = Value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const String& Value) {
    FSimpleText = Value;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool Value) {
    FSizeGrip = Value;
    Invalidate();
}

TRect TStatusBar::PanelRect(int Index) {
    TRect c = ClientRect();
    int x = 0;
    int n = FPanels->Count();
    for (int i = 0; i < n; ++i) {
        int w = FPanels->Items(i)->Width();
        int right = i == n - 1 ? c.Right : x + w;
        if (i == Index) return Rect(x, 2, std::max(x, right - 2), c.Bottom);
        x += w;
    }
    return TRect();
}

void TStatusBar::DrawPanel(TStatusPanel* Panel, const TRect& Rect) {
    if (OnDrawPanel) OnDrawPanel(this, Panel, Rect);
}

void TStatusBar::Paint() {
    HDC dc = Canvas()->Handle();
    TRect c = ClientRect();
    FillSolid(dc, c, FColor);
    Canvas()->Font()->Assign(Font());
    dc->SelectFont(Font()->LogFont());
    dc->SetBkMode(TRANSPARENT);
    dc->SetTextColor(ColorToRGB(Font()->Color()));
    auto drawText = [&](const String& Text, TRect R, TAlignment A) {
        R.Inflate(-2, -1);
        unsigned f = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX;
        if (A == taCenter) f |= DT_CENTER;
        else if (A == taRightJustify) f |= DT_RIGHT;
        DrawText(dc, Text, R, f);
    };
    if (FSimplePanel || FPanels->Count() == 0) {
        TRect r(0, 2, c.Right, c.Bottom);
        if (FSimplePanel) {
            TRect e = r;
            DrawEdge(dc, e, BDR_SUNKENOUTER, BF_RECT);
            drawText(FSimpleText, r, taLeftJustify);
        }
    } else {
        for (int i = 0; i < FPanels->Count(); ++i) {
            TStatusPanel* p = FPanels->Items(i);
            TRect r = PanelRect(i);
            if (r.IsEmpty()) continue;
            if (p->Bevel() != pbNone) {
                TRect e = r;
                DrawEdge(dc, e, p->Bevel() == pbLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            }
            if (p->Style() == psOwnerDraw) {
                TRect inner = r;
                inner.Inflate(-1, -1);
                int saved = dc->SaveDC();
                dc->IntersectClipRect(inner);
                DrawPanel(p, inner);
                dc->RestoreDC(saved);
                // The handler may have changed the canvas's objects: select them again.
                Canvas()->Refresh();
                dc->SelectFont(Font()->LogFont());
                dc->SetBkMode(TRANSPARENT);
                dc->SetTextColor(ColorToRGB(Font()->Color()));
            } else {
                drawText(p->Text(), r, p->Alignment());
            }
        }
    }
    if (FSizeGrip && FParent && !FParent->Parent()) {
        TRect g(c.Right - 15, c.Bottom - 15, c.Right, c.Bottom);
        DrawFrameControl(dc, g, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
    }
}

// ================================================================================================
// TProgressBar

TProgressBar::TProgressBar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 150;
    FHeight = 16;
}

QWidget* TProgressBar::CreateWidget(QWidget* ParentWidget) {
    return new TQtHost<QProgressBar>(this, ParentWidget);
}

void TProgressBar::InitWidget() {
    auto* b = static_cast<QProgressBar*>(FHandle);
    b->setTextVisible(false);
    Apply();
    TWinControl::InitWidget();
}

void TProgressBar::Apply() {
    if (!FHandle) return;
    auto* b = static_cast<QProgressBar*>(FHandle);
    b->setOrientation(FOrientation == pbHorizontal ? Qt::Horizontal : Qt::Vertical);
    b->setRange(FMin, FMax);
    b->setValue(FPosition);
}

void TProgressBar::SetMin(int Value) {
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Apply();
}

void TProgressBar::SetMax(int Value) {
    FMax = Value;
    if (FMin > FMax) FMin = FMax;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Apply();
}

void TProgressBar::SetPosition(int Value) {
    FPosition = std::clamp(Value, FMin, FMax);
    Apply();
}

void TProgressBar::StepIt() {
    int p = FPosition + FStep;
    // The common control wraps a step past the end back to the start of the range.
    if (p > FMax) p = FMin + (p - FMax);
    else if (p < FMin) p = FMax - (FMin - p);
    FPosition = std::clamp(p, FMin, FMax);
    Apply();
}

void TProgressBar::StepBy(int Delta) { SetPosition(FPosition + Delta); }

void TProgressBar::SetOrientation(TProgressBarOrientation Value) {
    FOrientation = Value;
    Apply();
}

// ================================================================================================
// TToolButton

void TToolButtonActionLink::SetChecked(bool Value) { static_cast<TToolButton*>(FClient)->SetDown(Value); }
void TToolButtonActionLink::SetImageIndex(int Value) { static_cast<TToolButton*>(FClient)->SetImageIndex(Value); }

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    FControlStyle = {csCaptureMouse, csSetCaption};
    FWidth = 23;
    FHeight = 22;
}

TToolButton::~TToolButton() = default;

void TToolButton::BeforeDestruction() {
    if (TToolBar* tb = ToolBar()) tb->RemoveButton(this);
    FActionLink.reset();
    TGraphicControl::BeforeDestruction();
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(FParent); }

int TToolButton::Index() const {
    TToolBar* tb = ToolBar();
    if (!tb) return -1;
    auto it = std::find(tb->FButtons.begin(), tb->FButtons.end(), this);
    return it == tb->FButtons.end() ? -1 : static_cast<int>(it - tb->FButtons.begin());
}

void TToolButton::SetParent(TWinControl* AParent) {
    if (TToolBar* old = ToolBar(); old && old != AParent) old->RemoveButton(this);
    TGraphicControl::SetParent(AParent);
    if (auto* tb = dynamic_cast<TToolBar*>(AParent)) tb->InsertButton(this);
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    if (TToolBar* tb = ToolBar()) {
        if (Value == tbsSeparator || Value == tbsDivider) FWidth = 8;
        tb->ArrangeButtons();
    }
    Invalidate();
}

void TToolButton::SetDown(bool Value) {
    if (FDown == Value) return;
    FDown = Value;
    if (Value) UpdateGroup();
    Invalidate();
}

void TToolButton::UpdateGroup() {
    TToolBar* tb = ToolBar();
    if (!tb || !FGrouped || FStyle != tbsCheck) return;
    int i = Index();
    auto raise = [&](int j) {
        TToolButton* b = tb->FButtons[static_cast<size_t>(j)];
        if (b->FDown) {
            b->FDown = false;
            b->Invalidate();
        }
    };
    for (int j = i - 1; j >= 0; --j) {
        TToolButton* b = tb->FButtons[static_cast<size_t>(j)];
        if (!b->FGrouped || b->FStyle != tbsCheck) break;
        raise(j);
    }
    for (int j = i + 1; j < tb->ButtonCount(); ++j) {
        TToolButton* b = tb->FButtons[static_cast<size_t>(j)];
        if (!b->FGrouped || b->FStyle != tbsCheck) break;
        raise(j);
    }
}

void TToolButton::SetImageIndex(int Value) {
    FImageIndex = Value;
    Invalidate();
}

void TToolButton::SetIndeterminate(bool Value) {
    FIndeterminate = Value;
    Invalidate();
}

void TToolButton::SetWrap(bool Value) {
    FWrap = Value;
    if (TToolBar* tb = ToolBar()) tb->ArrangeButtons();
}

void TToolButton::SetDropdownMenu(TCustomPopupMenu* Value) {
    if (FDropdownMenu) FDropdownMenu->RemoveFreeNotification(this);
    FDropdownMenu = Value;
    if (FDropdownMenu) FDropdownMenu->FreeNotification(this);
}

void TToolButton::SetMenuItem(TMenuItem* Value) {
    if (FMenuItem) FMenuItem->RemoveFreeNotification(this);
    FMenuItem = Value;
    if (FMenuItem) {
        FMenuItem->FreeNotification(this);
        SetCaption(FMenuItem->Caption());
        SetEnabled(FMenuItem->Enabled());
        SetVisible(FMenuItem->Visible());
        SetHint(FMenuItem->Hint());
        SetImageIndex(FMenuItem->ImageIndex());
        if (FMenuItem->Checked()) {
            if (FStyle == tbsButton) FStyle = tbsCheck;
            SetDown(true);
        }
    }
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDropdownMenu) FDropdownMenu = nullptr;
    if (AComponent == FMenuItem) FMenuItem = nullptr;
}

void TToolButton::SetAction(TBasicAction* Value) {
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) FActionLink = NewOwned<TToolButtonActionLink>(this);
    FActionLink->SetAction(Value);
    FActionLink->AssignFromAction();
}

void TToolButton::TextChanged() {
    if (TToolBar* tb = ToolBar(); tb && tb->ShowCaptions()) tb->ArrangeButtons();
    Invalidate();
}

bool TToolButton::CheckMenuDropdown() {
    if (!FDropdownMenu) return false;
    TPoint p = ClientToScreen(TPoint(0, FHeight));
    FDropdownMenu->SetPopupComponent(this);
    FDropdownMenu->Popup(p.X, p.Y);
    return true;
}

void TToolButton::Click() {
    if (FStyle == tbsCheck) {
        if (FDown) {
            if (!FGrouped || FAllowAllUp) SetDown(false);
        } else {
            SetDown(true);
        }
    }
    if (FMenuItem) {
        FMenuItem->Click();
        return;
    }
    TBasicAction* action = Action();
    if (OnClick && action && OnClick != action->OnExecute) OnClick(this);
    else if (FActionLink && action) FActionLink->Execute(this);
    else if (OnClick) OnClick(this);
    else if (FDropdownMenu && FStyle != tbsDropDown) CheckMenuDropdown();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !FEnabled || FStyle == tbsSeparator || FStyle == tbsDivider) return;
    // The arrow part of a drop-down button opens the menu at once.
    if (FStyle == tbsDropDown && X >= FWidth - 13) {
        CheckMenuDropdown();
        return;
    }
    FPressed = true;
    Invalidate();
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (!FPressed) return;
    FPressed = false;
    Invalidate();
    if (X >= 0 && X < FWidth && Y >= 0 && Y < FHeight) Click();
}

void TToolButton::CMMouseEnter(TMessage& Message) {
    TGraphicControl::CMMouseEnter(Message);
    FMouseIn = true;
    Invalidate();
}

void TToolButton::CMMouseLeave(TMessage& Message) {
    TGraphicControl::CMMouseLeave(Message);
    FMouseIn = false;
    Invalidate();
}

void TToolButton::Paint() {
    HDC dc = Canvas()->Handle();
    TRect r = ClientRect();
    TToolBar* tb = ToolBar();
    if (FStyle == tbsSeparator || FStyle == tbsDivider) {
        if (FStyle == tbsDivider || (tb && tb->Flat())) {
            TRect e(r.Width() / 2 - 1, r.Top + 1, r.Width() / 2 + 1, r.Bottom - 1);
            DrawEdge(dc, e, EDGE_ETCHED, BF_LEFT);
        }
        return;
    }
    bool flat = tb && tb->Flat();
    bool pressed = FPressed || FDown;
    if (FDown && !FPressed) FillSolid(dc, r, clBtnHighlight);
    if (pressed) {
        TRect e = r;
        DrawEdge(dc, e, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
    } else if (!flat || (FMouseIn && FEnabled)) {
        TRect e = r;
        DrawEdge(dc, e, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    }
    TRect content = r;
    if (FStyle == tbsDropDown) {
        content.Right -= 13;
        TRect arrow(content.Right, r.Top, r.Right, r.Bottom);
        TRect e = arrow;
        if (!flat || FMouseIn) DrawEdge(dc, e, BDR_RAISEDINNER, BF_LEFT);
        int cx = arrow.Left + arrow.Width() / 2, cy = arrow.Top + arrow.Height() / 2;
        TLogBrush b;
        b.lbColor = ColorToRGB(FEnabled ? clBtnText : clGrayText);
        for (int i = 0; i < 3; ++i) dc->FillRect(Rect(cx - 2 + i, cy - 1 + i, cx + 3 - i, cy + i), b);
    }
    if (pressed) content.Offset(1, 1);
    TCustomImageList* images = tb ? tb->Images() : nullptr;
    if (tb && !FEnabled && tb->DisabledImages()) images = tb->DisabledImages();
    int imgH = 0;
    if (images && FImageIndex >= 0 && FImageIndex < images->Count()) {
        int x = content.Left + (content.Width() - images->Width()) / 2;
        int y = content.Top + (tb && tb->ShowCaptions() ? 3 : (content.Height() - images->Height()) / 2);
        images->Draw(Canvas(), x, y, FImageIndex, FEnabled || (tb && tb->DisabledImages()));
        imgH = images->Height() + 3;
    }
    if (tb && tb->ShowCaptions() && !Caption().isEmpty()) {
        dc->SelectFont(Font()->LogFont());
        dc->SetBkMode(TRANSPARENT);
        dc->SetTextColor(ColorToRGB(FEnabled ? Font()->Color() : clGrayText));
        TRect t = content;
        t.Top += imgH;
        DrawText(dc, Caption(), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

// ================================================================================================
// TToolBar

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks};
    FColor = clBtnFace;
    FParentColor = false;
    FWidth = 150;
    FHeight = 29;
    FAlign = alTop;
    FImageChangeLink = NewOwned<TChangeLink>();
    FImageChangeLink->OnChange = TNotifyEvent(this, &TToolBar::ImageListChange);
}

TToolBar::~TToolBar() {
    if (FImages) FImages->UnRegisterChanges(FImageChangeLink.get());
    if (FDisabledImages) FDisabledImages->UnRegisterChanges(FImageChangeLink.get());
}

void TToolBar::BeforeDestruction() {
    SetImages(nullptr);
    SetDisabledImages(nullptr);
    FButtons.clear();
    TCustomControl::BeforeDestruction();
}

TToolButton* TToolBar::Buttons(int Index) const {
    if (Index < 0 || Index >= ButtonCount()) throw EListError(QStringLiteral("List index out of bounds (%d)"), {Index});
    return FButtons[static_cast<size_t>(Index)];
}

void TToolBar::InsertButton(TToolButton* Button) {
    if (std::find(FButtons.begin(), FButtons.end(), Button) != FButtons.end()) return;
    FButtons.push_back(Button);
    if (Button->FStyle == tbsSeparator || Button->FStyle == tbsDivider) Button->FWidth = 8;
    ArrangeButtons();
}

void TToolBar::RemoveButton(TToolButton* Button) {
    FButtons.erase(std::remove(FButtons.begin(), FButtons.end(), Button), FButtons.end());
    if (!ComponentState().Contains(csDestroying)) ArrangeButtons();
}

void TToolBar::SetButtonWidth(int Value) {
    FButtonWidth = Value;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int Value) {
    FButtonHeight = Value;
    ArrangeButtons();
}

void TToolBar::SetImages(TCustomImageList* Value) {
    if (FImages == Value) return;
    if (FImages) {
        FImages->UnRegisterChanges(FImageChangeLink.get());
        FImages->RemoveFreeNotification(this);
    }
    FImages = Value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    Invalidate();
}

void TToolBar::SetDisabledImages(TCustomImageList* Value) {
    if (FDisabledImages == Value) return;
    if (FDisabledImages) {
        FDisabledImages->UnRegisterChanges(FImageChangeLink.get());
        FDisabledImages->RemoveFreeNotification(this);
    }
    FDisabledImages = Value;
    if (FDisabledImages) {
        FDisabledImages->RegisterChanges(FImageChangeLink.get());
        FDisabledImages->FreeNotification(this);
    }
    Invalidate();
}

void TToolBar::ImageListChange(TObject*) { Invalidate(); }

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FImages) FImages = nullptr;
    if (AComponent == FDisabledImages) FDisabledImages = nullptr;
}

void TToolBar::SetShowCaptions(bool Value) {
    FShowCaptions = Value;
    ArrangeButtons();
}

void TToolBar::SetFlat(bool Value) {
    FFlat = Value;
    Invalidate();
}

void TToolBar::SetList(bool Value) {
    FList = Value;
    ArrangeButtons();
}

void TToolBar::ArrangeButtons() {
    if (FArranging) return;
    FArranging = true;
    int x = 0, y = 2;
    for (TToolButton* b : FButtons) {
        if (!b->Visible()) continue;
        bool sep = b->FStyle == tbsSeparator || b->FStyle == tbsDivider;
        int w = sep ? b->Width() : FButtonWidth + (b->FStyle == tbsDropDown ? 13 : 0);
        b->SetBounds(x, y, w, FButtonHeight);
        x += w;
        if (b->FWrap) {
            x = 0;
            y += FButtonHeight;
        }
    }
    FArranging = false;
    Invalidate();
}

void TToolBar::Resize() {
    ArrangeButtons();
    TCustomControl::Resize();
}

void TToolBar::Paint() { FillSolid(Canvas()->Handle(), ClientRect(), FColor); }
