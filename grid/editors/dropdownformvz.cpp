#include "grid/editors/dropdownformvz.h"

#include "grid/base/buttonsvz.h"
#include "grid/core/dynvarsvz.h"
#include "platform/gui/canvas.h"

#include <map>

namespace {

std::map<TClass, std::function<TCustomForm*()>>& DropDownGlobalRefs() {
    static std::map<TClass, std::function<TCustomForm*()>> refs;
    return refs;
}

struct TDropDownFormUnitVz {
    TDropDownFormUnitVz() { RegisterClass(TCustomDropDownFormVz::StaticClass()); }
    ~TDropDownFormUnitVz() { UnRegisterClass(TCustomDropDownFormVz::StaticClass()); }
} DropDownFormUnitVz;

}  // namespace

// ================================================================================================
// TDDFCloseButtonVz

TDDFCloseButtonVz::TDDFCloseButtonVz(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 17, 16);
    FButtonControl = New<TSpeedButtonVz>(this);
    FButtonControl->SetParent(this);
    FButtonControl->SetAlign(alClient);
    FButtonControl->SetStyle(ebsGlyphVz);
    FButtonControl->OnPaint = TNotifyEvent(this, &TDDFCloseButtonVz::ButtonPaint);
    FButtonControl->OnClick = TNotifyEvent(this, &TDDFCloseButtonVz::ButtonClick);
}

void TDDFCloseButtonVz::ButtonPaint(TObject*) {
    TCanvas* c = FButtonControl->Canvas();
    if (!c) return;
    const TRect r = FButtonControl->ClientRect();
    c->Brush()->SetColor(FButtonControl->MouseInControl() ? clBtnHighlight : clBtnFace);
    c->FillRect(r);
    if (FButtonControl->IsPressed()) {
        c->Brush()->SetColor(clBtnShadow);
        c->FrameRect(r);
    }
    // The cross, 7 pixels square in the middle.
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    c->Pen()->SetColor(clBtnText);
    for (int d = 0; d < 2; ++d) {
        c->MoveTo(cx - 3 + d, cy - 3);
        c->LineTo(cx + 4 + d, cy + 4);
        c->MoveTo(cx + 3 + d, cy - 3);
        c->LineTo(cx - 4 + d, cy + 4);
    }
}

void TDDFCloseButtonVz::ButtonClick(TObject*) {
    if (auto* form = dynamic_cast<TCustomForm*>(Parent())) form->Close();
}

// ================================================================================================
// TDDFSizingBarVz

TDDFSizingBarVz::TDDFSizingBarVz(TComponent* AOwner) : TPanel(AOwner) {
    SetBevelOuter(bvNone);
    SetHeight(GetSystemMetrics(SM_CYVSCROLL) + 3);
}

void TDDFSizingBarVz::Resize() {
    TPanel::Resize();
    FSizingArea = Height() >= 10 ? 10 : Height() / 2;
}

bool TDDFSizingBarVz::InSizingArea(int Y) const {
    if (Align() == alBottom) return Y > Height() - FSizingArea;
    if (Align() == alTop) return Y < FSizingArea;
    return false;
}

void TDDFSizingBarVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TPanel::MouseDown(Button, Shift, X, Y);
    FMouseDownPos = (Button == mbLeft && InSizingArea(Y)) ? TPoint(X, Y) : TPoint(-1, -1);
}

void TDDFSizingBarVz::MouseMove(TShiftState Shift, int X, int Y) {
    TPanel::MouseMove(Shift, X, Y);
    SetCursor(InSizingArea(Y) || FMouseDownPos.Y >= 0 ? crSizeNS : crDefault);
    if (!Shift.Contains(ssLeft) || FMouseDownPos.Y < 0 || !FHostControl) return;
    if (Align() == alBottom) {
        FHostControl->SetHeight(FHostControl->Height() + (Y - FMouseDownPos.Y));
    } else if (Align() == alTop) {
        const int d = FMouseDownPos.Y - Y;
        FHostControl->SetBounds(FHostControl->Left(), FHostControl->Top() - d, FHostControl->Width(),
                                FHostControl->Height() + d);
    }
}

void TDDFSizingBarVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FMouseDownPos = TPoint(-1, -1);
    TPanel::MouseUp(Button, Shift, X, Y);
}

// ================================================================================================
// TCustomDropDownFormVz

TCustomDropDownFormVz::TCustomDropDownFormVz(TComponent* AOwner) : TForm(AOwner), FCanvas(New<TCanvas>()) {
    FCloseButton = New<TDDFCloseButtonVz>(nullptr);
    FCloseButton->SetVisible(false);
    FCloseButton->SetAnchors({akTop, akRight});
    FCloseButton->SetParent(this);
    FSizingBar = New<TDDFSizingBarVz>(nullptr);
    FSizingBar->SetVisible(false);
    FSizingBar->SetHostControl(this);
    FSizingBar->SetParent(this);
    FSizeGrip = New<TSizeGripVz>(nullptr);
    FSizeGrip->SetHostControl(this);
    FSizeGrip->SetVisible(false);
    FSizeGrip->SetParent(this);
    FSizeGrip2 = New<TSizeGripVz>(nullptr);
    FSizeGrip2->SetHostControl(this);
    FSizeGrip2->SetPosition(sgpBottomLeft);
    FSizeGrip2->SetVisible(false);
    FSizeGrip2->SetParent(this);
    SetBorderIcons({});
    SetBorderStyle(bsNone);
    SetPosition(poDesigned);
    SetFormStyle(fsStayOnTop);
}

TCustomDropDownFormVz::~TCustomDropDownFormVz() = default;

void TCustomDropDownFormVz::BeforeDestruction() {
    TForm::BeforeDestruction();
    FreeAndNil(FSizeGrip2);
    FreeAndNil(FSizeGrip);
    FreeAndNil(FSizingBar);
    FreeAndNil(FCloseButton);
}

TCustomForm* TCustomDropDownFormVz::GetGlobalRef(TClass FormClass) {
    auto& refs = DropDownGlobalRefs();
    auto it = refs.find(FormClass);
    return it == refs.end() ? nullptr : it->second();
}

void TCustomDropDownFormVz::RegisterGlobalRef(TClass FormClass, std::function<TCustomForm*()> Ref) {
    DropDownGlobalRefs()[FormClass] = std::move(Ref);
    // The edit buttons' parameter objects ask the same registry.
    if (!DropDownFormGlobalRefVz())
        DropDownFormGlobalRefVz() = [](TClass C) { return TCustomDropDownFormVz::GetGlobalRef(C); };
}

void TCustomDropDownFormVz::UnregisterGlobalRef(TClass FormClass) { DropDownGlobalRefs().erase(FormClass); }

void TCustomDropDownFormVz::SetBorderWidth(int Value) {
    if (FBorderWidth == Value) return;
    FBorderWidth = Value;
    Realign();
    Invalidate();
}

void TCustomDropDownFormVz::SetDropDownMode(bool Value) {
    if (FDropDownMode == Value) return;
    FDropDownMode = Value;
    SetFormStyle(Value ? fsStayOnTop : fsNormal);
}

void TCustomDropDownFormVz::SetFormElements(TDropDownFormElementsVz Value) {
    if (FFormElements == Value) return;
    FFormElements = Value;
    if (Visible()) InitElements();
}

TRect TCustomDropDownFormVz::AdjustClientRect() const {
    TRect r = TForm::AdjustClientRect();
    r.Left += FBorderWidth;
    r.Right -= FBorderWidth;
    r.Top += 2 * FBorderWidth;
    r.Bottom -= FBorderWidth;
    return r;
}

void TCustomDropDownFormVz::PaintWindow(HDC DC) {
    FCanvas->Lock();
    FCanvas->SetHandle(DC);
    try {
        DrawBorder();
    } catch (...) {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
        throw;
    }
    FCanvas->SetHandle(nullptr);
    FCanvas->Unlock();
}

void TCustomDropDownFormVz::DrawBorder() {
    // One dark frame with two light frames inside it.
    TRect r = ClientRect();
    FCanvas->Brush()->SetColor(cl3DDkShadow);
    FCanvas->FrameRect(r);
    FCanvas->Brush()->SetColor(cl3DLight);
    for (int i = 1; i < FBorderWidth; ++i) {
        r.Inflate(-1, -1);
        FCanvas->FrameRect(r);
    }
    // The top band is twice as high.
    FCanvas->FillRect(TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Top + 1 + FBorderWidth));
}

void TCustomDropDownFormVz::Resize() {
    TForm::Resize();
    if (FDropDownMode) Invalidate();
}

TDropLayoutVz TCustomDropDownFormVz::PlaceForRect(const TRect& Rect, TDropDownAlign Align) {
    const TRect work = Screen->WorkAreaRect();
    int left = Rect.Left, top = Rect.Bottom + 1, width = Width(), height = Height();
    TDropLayoutVz result = dlUnderControlVz;
    if (Align == daRight)
        left = Rect.Right - width;
    else if (Align == daCenter)
        left = left - (width - (Rect.Right - Rect.Left)) / 2;
    if (work.Right - work.Left < width) width = work.Right - work.Left;
    if (left + width > work.Right) left = work.Right - width;
    if (left < work.Left) left = work.Left;
    if (top + height > work.Bottom && work.Bottom - Rect.Bottom < Rect.Top - work.Top) {
        top = Rect.Top - height;
        result = dlAboveControlVz;
    }
    if (top < work.Top) {
        height -= work.Top - top;
        top = work.Top;
    }
    if (top + height > work.Bottom) height = work.Bottom - top;
    SetBounds(left, top, width, height);
    return result;
}

void TCustomDropDownFormVz::InitElements() {
    const bool under = FDropLayout == dlUnderControlVz;
    if (FFormElements.Contains(ddfeSizingBarVz)) {
        FSizingBar->SetVisible(false);
        FSizingBar->BringToFront();
        if (under) {
            FSizingBar->SetTop(Height() + 1);
            FSizingBar->SetAlign(alBottom);
        } else {
            FSizingBar->SetTop(-1);
            FSizingBar->SetAlign(alTop);
        }
        FSizingBar->SetHeight(GetSystemMetrics(SM_CYVSCROLL) + 3);
        FSizingBar->SetVisible(true);
    } else {
        FSizingBar->SetVisible(false);
    }
    if (FFormElements.Contains(ddfeCloseButtonVz)) {
        TDDFCloseButtonVz* b = FCloseButton;
        b->BringToFront();
        b->SetTop(2);
        b->SetLeft(ClientWidth() - b->Width() - 3);
        b->SetVisible(true);
        if (under && FSizingBar->Visible()) {
            b->SetLeft(FFormElements.Contains(ddfeLeftGripVz) ? 17 : 2);
            b->SetTop(ClientHeight() - b->Height() - 1);
            b->SetAnchors({akLeft, akBottom});
        } else if (under) {
            b->SetLeft(ClientWidth() - b->Width() - 3);
            b->SetAnchors({akTop, akRight});
        } else {
            b->SetLeft(ClientWidth() - b->Width() - 17);
            b->SetTop(1);
            b->SetAnchors({akTop, akRight});
        }
    } else {
        FCloseButton->SetVisible(false);
    }
    FSizeGrip->SetVisible(FFormElements.Contains(ddfeRightGripVz));
    FSizeGrip2->SetVisible(FFormElements.Contains(ddfeLeftGripVz));
    for (TSizeGripVz* g : {FSizeGrip, FSizeGrip2})
        if (g->Visible()) {
            g->UpdatePosition();
            g->BringToFront();
        }
}

void TCustomDropDownFormVz::InitForm(TComponent*, TDynVarsVz* DynParams) {
    if (OnInitForm) OnInitForm(this, DynParams);
}

void TCustomDropDownFormVz::ReturnParams(TComponent*, TDynVarsVz* DynParams) {
    if (OnReturnParams) OnReturnParams(this, DynParams);
}

bool TCustomDropDownFormVz::Execute(TControl* RelativePosControl, TControl*, TDropDownAlign Align,
                                    TDynVarsVz* DynParams) {
    FModalMode = true;
    FDynParams = DynParams;
    if (Visible()) SetVisible(false);
    const TPoint p = RelativePosControl->ClientOrigin();
    FDropLayout = PlaceForRect(
        TRect(p.X, p.Y, p.X + RelativePosControl->Width(), p.Y + RelativePosControl->Height()), Align);
    const bool above = FDropLayout == dlAboveControlVz;
    FSizeGrip->SetPosition(above ? sgpTopRight : sgpBottomRight);
    FSizeGrip2->SetPosition(above ? sgpTopLeft : sgpBottomLeft);
    InitForm(nullptr, DynParams);
    SetModalResult(0);
    SetVisible(true);
    while (Active() && ModalResult() == 0) Application->HandleMessage();
    SetVisible(false);
    FModalMode = false;
    if (ModalResult() == mrOk) {
        ReturnParams(nullptr, DynParams);
        return true;
    }
    return false;
}

void TCustomDropDownFormVz::ExecuteNomodal(const TRect& RelativePosRect, TControl*, TDropDownAlign Align,
                                           TDynVarsVz* DynParams, TDropDownFormSysParams* SysParams,
                                           TDropDownFormCallbackProcVz CallbackProc) {
    SetBorderStyle(bsNone);
    SetDropDownMode(true);
    FModalMode = false;
    FDynParams = DynParams;
    FSysParams = SysParams;
    FMasterForm = Screen->ActiveCustomForm();
    FMasterFocusControl = Screen->ActiveControl();
    if (Visible()) SetVisible(false);
    UpdateSize();
    FDropLayout = PlaceForRect(RelativePosRect, Align);
    const bool under = FDropLayout == dlUnderControlVz;
    FSizeGrip->SetPosition(under ? sgpBottomRight : sgpTopRight);
    FSizeGrip2->SetPosition(under ? sgpBottomLeft : sgpTopLeft);
    InitElements();
    InitForm(nullptr, DynParams);
    SetModalResult(0);
    FActivateShowing = true;
    try {
        SetVisible(true);
    } catch (...) {
        FActivateShowing = false;
        throw;
    }
    FActivateShowing = false;
    FCallbackProc = std::move(CallbackProc);
}

void TCustomDropDownFormVz::Close() {
    if (FClosing) return;
    FClosing = true;
    try {
        TForm::Close();
    } catch (...) {
        FClosing = false;
        throw;
    }
    if (FMasterFocusControl && !FActivateClosing && FMasterFocusControl->CanFocus())
        FMasterFocusControl->SetFocus();
    FClosing = false;
}

void TCustomDropDownFormVz::DoClose(TCloseAction& Action) {
    if (FSysParams && FSysParams->FreeFormOnClose()) Action = caFree;
    if (!FModalMode && FCallbackProc) {
        if (ModalResult() == mrOk) ReturnParams(nullptr, FDynParams);
        TDropDownFormCallbackProcVz callback = std::move(FCallbackProc);
        FCallbackProc = nullptr;
        TDynVarsVz* dynParams = FDynParams;
        TDropDownFormSysParams* sysParams = FSysParams;
        FDynParams = nullptr;
        FSysParams = nullptr;
        FMasterForm = nullptr;
        callback(this, ModalResult() == mrOk, dynParams, sysParams);
    }
    TForm::DoClose(Action);
}

void TCustomDropDownFormVz::Deactivate() {
    TForm::Deactivate();
    if (FDropDownMode && !FModalMode && !FKeepFormVisible && !FActivateClosing && !FActivateShowing && Visible()) {
        FActivateClosing = true;
        try {
            Close();
        } catch (...) {
            FActivateClosing = false;
            throw;
        }
        FActivateClosing = false;
    }
}

void TCustomDropDownFormVz::Show() {
    SetDropDownMode(false);
    TForm::Show();
}

int TCustomDropDownFormVz::ShowModal() {
    SetDropDownMode(false);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetBorderIcons({biSystemMenu, biMinimize, biMaximize});
    InitForm(nullptr, FDynParams);
    const int result = TForm::ShowModal();
    if (result == mrOk) ReturnParams(nullptr, FDynParams);
    return result;
}
