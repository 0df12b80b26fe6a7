#include "grid/base/buttonsvz.h"

#include "grid/base/dropdownparamsvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/base/toolsvz.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr unsigned kRepeatDelay = 400;
constexpr unsigned kRepeatInterval = 100;

TDrawButtonControlStyleVz PaintStyleOf(TEditButtonStyleVz Style) {
    switch (Style) {
    case ebsDropDownVz: return bcsDropDownVz;
    case ebsEllipsisVz: return bcsEllipsisVz;
    case ebsGlyphVz: return bcsDropDownVz;  // glyph buttons paint their images, never a face
    case ebsUpDownVz: return bcsUpDownVz;
    case ebsPlusVz: return bcsPlusVz;
    case ebsMinusVz: return bcsMinusVz;
    case ebsAltDropDownVz: return bcsAltDropDownVz;
    case ebsAltUpDownVz: return bcsAltUpDownVz;
    }
    return bcsDropDownVz;
}

void FillSolid(TCanvas* Canvas, const TRect& R, TColor Color) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->FillRect(R);
}

// The framework's checked pattern: clBtnFace and clBtnHighlight pixels alternating.
void FillCheckedPattern(TCanvas* Canvas, const TRect& R) {
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x) Canvas->SetPixels(x, y, ((x + y) & 1) ? clBtnHighlight : clBtnFace);
}

void DrawStateImage(TCanvas* Canvas, TButtonImagesVz* Images, TEditButtonStateVz State, const TRect& R,
                    const TPoint& Offset, bool Enabled) {
    if (!Images) return;
    TCustomImageList* list = Images->GetStateImages(State);
    int index = Images->GetStateIndex(State);
    if (!list || index < 0 || index >= list->Count()) return;
    int x = R.Left + (R.Width() - list->Width()) / 2 + Offset.X;
    int y = R.Top + (R.Height() - list->Height()) / 2 + Offset.Y;
    list->Draw(Canvas, x, y, index, Enabled);
}

}  // namespace

// ================================================================================================
// TButtonImagesVz

void TButtonImagesVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TButtonImagesVz*>(Source)) {
        SetNormalImages(s->FNormalImages);
        SetHotImages(s->FHotImages);
        SetPressedImages(s->FPressedImages);
        SetDisabledImages(s->FDisabledImages);
        SetNormalIndex(s->FNormalIndex);
        SetHotIndex(s->FHotIndex);
        SetPressedIndex(s->FPressedIndex);
        SetDisabledIndex(s->FDisabledIndex);
        return;
    }
    TPersistent::Assign(Source);
}

void TButtonImagesVz::SetList(TCustomImageList*& Field, TCustomImageList* Value) {
    if (Field == Value) return;
    Field = Value;
    RefComponentChanged(Value);
}

void TButtonImagesVz::SetIndex(int& Field, int Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
}

TCustomImageList* TButtonImagesVz::GetStateImages(TEditButtonStateVz State) const {
    TCustomImageList* list = nullptr;
    switch (State) {
    case ebstNormalVz: list = FNormalImages; break;
    case ebstControlHotVz: list = nullptr; break;
    case ebstHotVz: list = FHotImages; break;
    case ebstPressedVz: list = FPressedImages; break;
    case ebstDisabledVz: list = FDisabledImages; break;
    }
    return list ? list : FNormalImages;
}

int TButtonImagesVz::GetStateIndex(TEditButtonStateVz State) const {
    switch (State) {
    case ebstNormalVz: return FNormalIndex;
    case ebstControlHotVz: return -1;
    case ebstHotVz: return FHotIndex;
    case ebstPressedVz: return FPressedIndex;
    case ebstDisabledVz: return FDisabledIndex;
    }
    return -1;
}

TPersistent* TEditButtonImagesVz::GetOwner() { return FOwner; }

void TEditButtonImagesVz::Changed() {
    if (FOwner) FOwner->NotifyChanged();
}

void TEditButtonImagesVz::RefComponentChanged(TComponent* RefComponent) {
    if (FOwner) FOwner->RefComponentChanged(RefComponent);
}

// ================================================================================================
// TEditButtonActionLinkVz

namespace {
TCustomAction* CustomActionOf(TBasicAction* Action) { return dynamic_cast<TCustomAction*>(Action); }
}  // namespace

TEditButtonActionLinkVz::TEditButtonActionLinkVz(TObject* AClient)
    : TActionLink(AClient), FClient(static_cast<TEditButtonVz*>(AClient)) {}

bool TEditButtonActionLinkVz::IsEnabledLinked() const {
    auto* a = CustomActionOf(FAction);
    return TActionLink::IsEnabledLinked() && a && FClient->Enabled() == a->Enabled();
}

bool TEditButtonActionLinkVz::IsHintLinked() const {
    auto* a = CustomActionOf(FAction);
    return TActionLink::IsHintLinked() && a && FClient->Hint() == a->Hint();
}

bool TEditButtonActionLinkVz::IsShortCutLinked() const {
    auto* a = CustomActionOf(FAction);
    return TActionLink::IsShortCutLinked() && a && FClient->ShortCut() == a->ShortCut();
}

bool TEditButtonActionLinkVz::IsVisibleLinked() const {
    auto* a = CustomActionOf(FAction);
    return TActionLink::IsVisibleLinked() && a && FClient->Visible() == a->Visible();
}

void TEditButtonActionLinkVz::SetEnabled(bool Value) {
    if (IsEnabledLinked()) FClient->SetEnabled(Value);
}

void TEditButtonActionLinkVz::SetHint(const String& Value) {
    if (IsHintLinked()) FClient->SetHint(Value);
}

void TEditButtonActionLinkVz::SetShortCut(TShortCut Value) {
    if (IsShortCutLinked()) FClient->SetShortCut(Value);
}

void TEditButtonActionLinkVz::SetVisible(bool Value) {
    if (IsVisibleLinked()) FClient->SetVisible(Value);
}

// ================================================================================================
// TEditButtonVz

// A component that hears when the drop-down menu is freed, so the button forgets it.
class TEditButtonVz::TMenuWatch : public TComponent {
    SDELKA_CLASS(TMenuWatch, TComponent)
protected:
    explicit TMenuWatch(TComponent* AOwner) : TComponent(AOwner) {}

public:
    TEditButtonVz* Button = nullptr;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && Button && AComponent == Button->FDropdownMenu) Button->FDropdownMenu = nullptr;
    }
};

TEditButtonVz::TEditButtonVz(TCollection* Collection) : TCollectionItem(Collection), FCreateCollection(Collection) {}

TEditButtonVz::~TEditButtonVz() {
    if (FMenuWatch && FDropdownMenu) FDropdownMenu->RemoveFreeNotification(FMenuWatch.get());
}

TDropDownFormCallParamsVz* TEditButtonVz::CreateDropDownFormParams() { return New<TDropDownFormCallParamsVz>(); }

void TEditButtonVz::SetDropDownFormParams(TDropDownFormCallParamsVz* Value) { FDropDownFormParams->Assign(Value); }

void TEditButtonVz::AfterConstruction() {
    // The item joins its collection in the inherited step; the owned parts come first so the
    // collection's notifications see a complete button.
    FGlyph.reset(New<TBitmap>());
    FGlyph->SetTransparent(true);
    FGlyph->OnChange = TNotifyEvent(this, &TEditButtonVz::GlyphChanged);
    FImages = NewOwned<TEditButtonImagesVz>(this);
    FDropDownFormParams.reset(CreateDropDownFormParams());
    // Joining the collection is one change of it, told once the button is complete.
    TCollection* c = FCreateCollection;
    if (c) c->BeginUpdate();
    try {
        TCollectionItem::AfterConstruction();
    } catch (...) {
        if (c) c->EndUpdate();
        throw;
    }
    if (c) c->EndUpdate();
}

void TEditButtonVz::GlyphChanged(TObject*) { NotifyChanged(); }

void TEditButtonVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TEditButtonVz*>(Source)) {
        SetAction(s->Action());
        SetDropdownMenu(s->FDropdownMenu);
        SetEnabled(s->FEnabled);
        SetGlyph(s->FGlyph.get());
        SetHint(s->FHint);
        SetNumGlyphs(s->FNumGlyphs);
        SetShortCut(s->FShortCut);
        SetStyle(s->FStyle);
        SetVisible(s->Visible());
        SetWidth(s->FWidth);
        OnClick = s->OnClick;
        OnDown = s->OnDown;
        SetImages(s->FImages.get());
        return;
    }
    TCollectionItem::Assign(Source);
}

void TEditButtonVz::NotifyChanged() {
    if (OnChanged) OnChanged(this);
    else if (Collection()) Changed(false);
}

void TEditButtonVz::SetAction(TBasicAction* Value) {
    if (!Value) {
        FActionLink.reset();
        return;
    }
    if (!FActionLink) {
        TObject* link = GetActionLinkClass()->CreateObject(this);
        auto* typed = dynamic_cast<TEditButtonActionLinkVz*>(link);
        if (!typed) {
            link->Free();
            throw EComponentError(QStringLiteral("Invalid action link class"));
        }
        FActionLink.reset(typed);
        FActionLink->OnChange = TNotifyEvent(this, &TEditButtonVz::ActionLinkChanged);
    }
    FActionLink->SetAction(Value);
    ActionChange(Value, Value->ComponentState().Contains(csLoading));
}

void TEditButtonVz::ActionLinkChanged(TObject*) {
    if (TBasicAction* a = Action()) ActionChange(a, false);
}

void TEditButtonVz::ActionChange(TObject* Sender, bool CheckDefaults) {
    auto* a = dynamic_cast<TCustomAction*>(Sender);
    if (!a) return;
    if (!CheckDefaults || FEnabled) SetEnabled(a->Enabled());
    if (!CheckDefaults || FHint.isEmpty()) SetHint(a->Hint());
    if (!CheckDefaults || FShortCut == 0) FShortCut = a->ShortCut();
    if (!CheckDefaults || Visible()) SetVisible(a->Visible());
}

void TEditButtonVz::InitiateAction() {
    if (FActionLink) FActionLink->Update();
}

bool TEditButtonVz::IsEnabledStored() const { return !FActionLink || !FActionLink->IsEnabledLinked(); }
bool TEditButtonVz::IsHintStored() const { return !FActionLink || !FActionLink->IsHintLinked(); }
bool TEditButtonVz::IsShortCutStored() const { return !FActionLink || !FActionLink->IsShortCutLinked(); }
bool TEditButtonVz::IsVisibleStored() const { return !FActionLink || !FActionLink->IsVisibleLinked(); }

void TEditButtonVz::SetDefaultAction(bool Value) {
    FDefaultAction = Value;
    FDefaultActionStored = true;
}

void TEditButtonVz::SetDropdownMenu(TPopupMenu* Value) {
    if (FDropdownMenu == Value) return;
    if (!FMenuWatch) {
        FMenuWatch.reset(New<TMenuWatch>(nullptr));
        FMenuWatch->Button = this;
    }
    if (FDropdownMenu) FDropdownMenu->RemoveFreeNotification(FMenuWatch.get());
    FDropdownMenu = Value;
    if (FDropdownMenu) FDropdownMenu->FreeNotification(FMenuWatch.get());
    NotifyChanged();
}

void TEditButtonVz::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    NotifyChanged();
}

void TEditButtonVz::SetGlyph(TBitmap* Value) {
    if (Value) FGlyph->Assign(Value);
    else FGlyph->SetSize(0, 0);
}

void TEditButtonVz::SetHint(const String& Value) {
    if (FHint == Value) return;
    FHint = Value;
    NotifyChanged();
}

void TEditButtonVz::SetImages(TEditButtonImagesVz* Value) {
    if (Value && Value != FImages.get()) FImages->Assign(Value);
}

void TEditButtonVz::SetNumGlyphs(int Value) {
    Value = std::clamp(Value, 1, 4);
    if (FNumGlyphs == Value) return;
    FNumGlyphs = Value;
    NotifyChanged();
}

void TEditButtonVz::SetStyle(TEditButtonStyleVz Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    NotifyChanged();
}

void TEditButtonVz::DoSetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    NotifyChanged();
}

void TEditButtonVz::SetWidth(int Value) {
    if (FWidth == Value) return;
    FWidth = Value;
    NotifyChanged();
}

TEditButtonDrawBackTimeVz TEditButtonVz::DefaultDrawBackTime() const {
    if (auto* c = dynamic_cast<TEditButtonsVz*>(Collection())) return c->DefaultDrawBackTime();
    return edbtAlwaysVz;
}

TEditButtonDrawBackTimeVz TEditButtonVz::DrawBackTime() const {
    return GetDrawBackTimeStored() ? FDrawBackTime : DefaultDrawBackTime();
}

void TEditButtonVz::SetDrawBackTime(TEditButtonDrawBackTimeVz Value) {
    if (FDrawBackTimeStored && FDrawBackTime == Value) return;
    FDrawBackTime = Value;
    FDrawBackTimeStored = true;
    NotifyChanged();
}

void TEditButtonVz::SetDrawBackTimeStored(bool Value) {
    if (FDrawBackTimeStored == Value) return;
    if (Value) FDrawBackTime = DefaultDrawBackTime();
    FDrawBackTimeStored = Value;
    NotifyChanged();
}

void TEditButtonVz::Click(TObject* Sender, bool& Handled) {
    if (OnClick) {
        OnClick(Sender, Handled);
        return;
    }
    if (Action()) {
        TComponent* target = FEditControl;
        if (!target && Collection()) target = dynamic_cast<TComponent*>(Collection()->GetOwner());
        FActionLink->Execute(target);
        Handled = true;
    }
}

void TEditButtonVz::RefComponentChanged(TComponent* RefComponent) {
    if (OnRefComponentChanged) {
        OnRefComponentChanged(this, RefComponent);
        return;
    }
    if (auto* c = dynamic_cast<TEditButtonsVz*>(Collection()); c && c->OnRefComponentChanged)
        c->OnRefComponentChanged(this, RefComponent);
}

TEditButtonControlVz* TEditButtonVz::CreateEditButtonControl() {
    auto* c = New<TEditButtonControlVz>(FEditControl);
    TControlStyle style = c->ControlStyle();
    style.Include(csReplicatable);
    c->SetControlStyle(style);
    c->SetBounds(0, 0, 10, 17);
    c->SetVisible(true);
    c->SetTransparent(false);
    c->SetParent(FEditControl);
    return c;
}

TDropDownEditButtonVz::TDropDownEditButtonVz(TCollection* Collection) : TEditButtonVz(Collection) {
    FShortCut = ::ShortCut(VK_DOWN, {ssAlt});
}

TVisibleEditButtonVz::TVisibleEditButtonVz(TCollection* Collection) : TEditButtonVz(Collection) {
    FShortCut = ::ShortCut(VK_DOWN, {ssAlt});
    FVisible = true;
}

// ================================================================================================
// TEditButtonsVz

TEditButtonsVz::TEditButtonsVz(TPersistent* AOwner, TClass EditButtonClass)
    : TCollection(EditButtonClass), FOwner(AOwner) {}

TEditButtonDrawBackTimeVz TEditButtonsVz::DefaultDrawBackTime() const {
    if (auto* o = dynamic_cast<IEditButtonsOwnerVz*>(FOwner)) return o->GetEditButtonsDefaultDrawBackTime();
    return edbtAlwaysVz;
}

void TEditButtonsVz::Update(TCollectionItem* Item) {
    TCollection::Update(Item);
    if (OnChanged) OnChanged(Item);
}

// ================================================================================================
// TCustomSpeedButtonVz

TCustomSpeedButtonVz::TCustomSpeedButtonVz(TComponent* AOwner) : TSpeedButton(AOwner) {
    FColor = clMenu;
    FInternalEditButtonImages = NewOwned<TButtonImagesVz>();
}

TCustomSpeedButtonVz::~TCustomSpeedButtonVz() = default;

void TCustomSpeedButtonVz::SetExternalEditButtonImages(TEditButtonImagesVz* Value) {
    FExternalEditButtonImages = Value;
    Invalidate();
}

TButtonImagesVz* TCustomSpeedButtonVz::GetButtonImages() const {
    if (FExternalEditButtonImages) return FExternalEditButtonImages;
    return FInternalEditButtonImages.get();
}

TEditButtonStateVz TCustomSpeedButtonVz::GetState() const {
    if (!Enabled()) return ebstDisabledVz;
    if (TSpeedButton::State() == bsDown || Down() || TSpeedButton::State() == bsExclusive) return ebstPressedVz;
    return FMouseInControlVz ? ebstHotVz : ebstNormalVz;
}

void TCustomSpeedButtonVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (!FAutoRepeat) return;
    if (!FRepeatTimer) {
        FRepeatTimer = New<TTimer>(this);
        FRepeatTimer->SetEnabled(false);
        FRepeatTimer->OnTimer = TNotifyEvent(this, &TCustomSpeedButtonVz::RepeatTimerTick);
    }
    FRepeatTimer->SetInterval(kRepeatDelay);
    FRepeatTimer->SetEnabled(true);
}

void TCustomSpeedButtonVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseUp(Button, Shift, X, Y);
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TCustomSpeedButtonVz::RepeatTimerTick(TObject*) {
    FRepeatTimer->SetInterval(kRepeatInterval);
    // Down under the mouse: the press is still held inside the button.
    if (TSpeedButton::State() != bsDown) return;
    try {
        Click();
    } catch (...) {
        FRepeatTimer->SetEnabled(false);
        throw;
    }
}

void TCustomSpeedButtonVz::CMMouseEnter(TMessage& Message) {
    TSpeedButton::CMMouseEnter(Message);
    FMouseInControlVz = true;
    Invalidate();
}

void TCustomSpeedButtonVz::CMMouseLeave(TMessage& Message) {
    TSpeedButton::CMMouseLeave(Message);
    FMouseInControlVz = false;
    Invalidate();
}

void TCustomSpeedButtonVz::Paint() {
    if (OnPaint) OnPaint(this);
    else DefaultPaint();
}

void TCustomSpeedButtonVz::DefaultPaint() {
    TRect paintRect;
    TPoint offset;
    PaintBackground(paintRect, offset);
    PaintForeground(paintRect, offset);
}

void TCustomSpeedButtonVz::PaintBackground(TRect& PaintRect, TPoint& PressOffset) {
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    TButtonState state = TSpeedButton::State();
    if (!Enabled()) state = bsDisabled;
    bool pressed = state == bsDown || state == bsExclusive;
    bool hot = FMouseInControlVz;
    PaintRect = ClientRect();
    PressOffset = TPoint(0, 0);
    HDC dc = canvas->Handle();
    if (Flat()) {
        bool design = ComponentState().Contains(csDesigning);
        if (pressed || (hot && state != bsDisabled) || design) {
            TRect r = PaintRect;
            unsigned flags = BF_RECT | (Transparent() ? 0 : BF_MIDDLE);
            if (!Transparent()) FillSolid(canvas, r, Color());
            DrawEdge(dc, r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, flags);
        } else if (!Transparent()) {
            FillSolid(canvas, PaintRect, Color());
        }
        PaintRect.Inflate(-1, -1);
    } else {
        DrawFrameControl(dc, PaintRect, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
        PaintRect.Inflate(-2, -2);
    }
    if (pressed) {
        PressOffset = TPoint(1, 1);
        if (state == bsExclusive && (!Flat() || !hot)) FillCheckedPattern(canvas, PaintRect);
    }
}

void TCustomSpeedButtonVz::PaintForeground(const TRect& PaintRect, const TPoint& PressOffset) {
    DrawStateImage(Canvas(), GetButtonImages(), GetState(), PaintRect, PressOffset, true);
}

// ================================================================================================
// TEditButtonControlVz

TEditButtonControlVz::TEditButtonControlVz(TComponent* AOwner) : TSpeedButton(AOwner) {
    FInternalEditButtonImages = NewOwned<TButtonImagesVz>();
    FParentColor = true;
}

TEditButtonControlVz::~TEditButtonControlVz() = default;

void TEditButtonControlVz::SetExternalEditButtonImages(TEditButtonImagesVz* Value) {
    FExternalEditButtonImages = Value;
    Invalidate();
}

TButtonImagesVz* TEditButtonControlVz::GetButtonImages() const {
    if (FExternalEditButtonImages) return FExternalEditButtonImages;
    return FInternalEditButtonImages.get();
}

bool TEditButtonControlVz::IsDrawnActive() const { return FActive; }

bool TEditButtonControlVz::IsPressed() const {
    if (FStateForced) return FForcedState == bsDown || FForcedState == bsExclusive;
    if (FLeftPressedHalf) return false;
    TButtonState s = TSpeedButton::State();
    return s == bsDown || s == bsExclusive || Down();
}

TEditButtonStateVz TEditButtonControlVz::GetState() const {
    if (!Enabled()) return ebstDisabledVz;
    if (IsPressed()) return ebstPressedVz;
    return FMouseInControl ? ebstHotVz : ebstNormalVz;
}

void TEditButtonControlVz::SetState(TButtonState NewState, bool IsActive, int ButtonNum) {
    if (FStateForced && FForcedState == NewState && FActive == IsActive && FButtonNum == ButtonNum) return;
    FStateForced = true;
    FForcedState = NewState;
    FActive = IsActive;
    FButtonNum = ButtonNum;
    Invalidate();
}

void TEditButtonControlVz::SetWidthNoNotify(int AWidth) { FWidth = AWidth; }

void TEditButtonControlVz::Click() {
    if (FNoDoClick) return;
    TSpeedButton::Click();
}

void TEditButtonControlVz::SetActive(bool Value) {
    if (FActive == Value) return;
    FActive = Value;
    Invalidate();
}

void TEditButtonControlVz::SetStyle(TEditButtonStyleVz Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    Invalidate();
}

void TEditButtonControlVz::SetDrawBackTime(TEditButtonDrawBackTimeVz Value) {
    if (FDrawBackTime == Value) return;
    FDrawBackTime = Value;
    Invalidate();
}

void TEditButtonControlVz::SetAlwaysDown(bool Value) {
    FAlwaysDown = Value;
    if (Value) {
        SetGroupIndex(1);
        SetDown(true);
        SetAllowAllUp(false);
        FButtonNum = 1;
    } else {
        SetAllowAllUp(true);
        SetDown(false);
        SetGroupIndex(0);
        FButtonNum = 0;
    }
    Invalidate();
}

void TEditButtonControlVz::EditButtonDown(int ButtonNum, bool& AutoRepeat) {
    bool handled = false;
    if (OnDown) OnDown(this, ButtonNum == 1, AutoRepeat, handled);
}

void TEditButtonControlVz::UpdateDownButtonNum(int /*X*/, int Y) {
    int num;
    TButtonState s = TSpeedButton::State();
    if (!(Down() || s == bsDown || s == bsExclusive)) num = 0;
    else if (IsUpDownStyleVz(FStyle)) {
        int half = FHeight / 2;
        if (Y < half) num = 1;
        else if (Y > FHeight - half) num = 2;
        else num = 0;
    } else {
        num = 1;
    }
    if (num != FButtonNum) {
        FButtonNum = num;
        Invalidate();
    }
}

void TEditButtonControlVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    bool autoRepeat = IsUpDownStyleVz(FStyle);
    FStateForced = false;
    FLeftPressedHalf = false;
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    UpdateDownButtonNum(X, Y);
    EditButtonDown(FButtonNum, autoRepeat);
    if (!autoRepeat) return;
    if (!FTimer) {
        FTimer = New<TTimer>(this);
        FTimer->SetEnabled(false);
        FTimer->OnTimer = TNotifyEvent(this, &TEditButtonControlVz::TimerTick);
    }
    if (FTimer->Interval() != kRepeatDelay || !FTimer->Enabled()) {
        FTimer->SetInterval(kRepeatDelay);
        FTimer->SetEnabled(true);
    }
}

void TEditButtonControlVz::MouseMove(TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseMove(Shift, X, Y);
    if (!IsUpDownStyleVz(FStyle) || TSpeedButton::State() != bsDown) {
        return;
    }
    int half = FHeight / 2;
    bool left = (Y < half && FButtonNum == 2) || (Y > FHeight - half && FButtonNum == 1);
    if (left != FLeftPressedHalf) {
        FLeftPressedHalf = left;
        Invalidate();
    }
}

void TEditButtonControlVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    bool suppress = IsUpDownStyleVz(FStyle) && !IsPressed();
    if (suppress) FNoDoClick = true;
    try {
        TSpeedButton::MouseUp(Button, Shift, X, Y);
    } catch (...) {
        FNoDoClick = false;
        throw;
    }
    FNoDoClick = false;
    FLeftPressedHalf = false;
    UpdateDownButtonNum(X, Y);
    if (FTimer) FTimer->SetEnabled(false);
}

void TEditButtonControlVz::TimerTick(TObject*) {
    bool autoRepeat = IsUpDownStyleVz(FStyle);
    if (!IsPressed()) return;
    if (FTimer->Interval() == kRepeatDelay) FTimer->SetInterval(kRepeatInterval);
    EditButtonDown(FButtonNum, autoRepeat);
    if (!autoRepeat) FTimer->SetEnabled(false);
}

void TEditButtonControlVz::CMMouseEnter(TMessage& Message) {
    TSpeedButton::CMMouseEnter(Message);
    FMouseInControl = true;
    Invalidate();
}

void TEditButtonControlVz::CMMouseLeave(TMessage& Message) {
    TSpeedButton::CMMouseLeave(Message);
    FMouseInControl = false;
    Invalidate();
}

TColor TEditButtonControlVz::BackColor() const {
    if (FParentColor && FParent) return FParent->Color();
    return FColor;
}

void TEditButtonControlVz::Paint() {
    if (OnPaint) OnPaint(this);
    else DefaultPaint();
}

void TEditButtonControlVz::DefaultPaint() {
    TCanvas* canvas = Canvas();
    bool pressed = IsPressed();
    bool drawBack = FDrawBackTime == edbtAlwaysVz || (FDrawBackTime == edbtWhenHotVz && (FMouseInControl || pressed));
    if (FStyle == ebsGlyphVz && !Glyph()->Empty()) drawBack = true;
    int num = pressed ? FButtonNum : 0;
    bool active = IsDrawnActive();
    TRect client = ClientRect();
    TButtonImagesVz* images = GetButtonImages();

    if (FStyle == ebsGlyphVz && images && images->NormalImages()) {
        if (drawBack) {
            FillSolid(canvas, client, BackColor());
            HDC dc = canvas->Handle();
            TRect r = client;
            if (Flat()) {
                FillSolid(canvas, r, clBtnFace);
                if (active || num > 0) DrawEdge(dc, r, num > 0 ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
            } else {
                DrawFrameControl(dc, r, DFC_BUTTON, DFCS_BUTTONPUSH | (num > 0 ? DFCS_PUSHED : 0));
            }
        } else {
            FillSolid(canvas, client, BackColor());
        }
        DrawImages(client);
        return;
    }
    if (FStyle != ebsGlyphVz) {
        FillSolid(canvas, client, BackColor());
        PaintEditButtonVz(canvas, client, clNone, PaintStyleOf(FStyle), num, Flat(), active, Enabled(), cbUnchecked, 1.0,
                          drawBack);
        return;
    }
    // Glyph style without image lists: the caption on the parent's background, or the speed
    // button's own look with its glyph.
    if (!drawBack) {
        FillSolid(canvas, client, FParent ? FParent->Color() : FColor);
        PaintCaption();
    } else {
        TSpeedButton::Paint();
    }
    if (Flat()) {
        TRect r = client;
        if (active) {
            DrawEdge(canvas->Handle(), r, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        } else {
            canvas->Brush()->SetColor(FParent ? FParent->Color() : FColor);
            canvas->FrameRect(r);
        }
    }
}

void TEditButtonControlVz::PaintCaption() {
    TCanvas* canvas = Canvas();
    String text = Caption();
    if (text.isEmpty()) return;
    canvas->SetFont(Font());
    canvas->Brush()->SetStyle(bsClear);
    unsigned bidi = UseRightToLeftReading() ? DT_RTLREADING : 0;
    TRect client = ClientRect();
    TRect calc = client;
    DrawTextVz(canvas->Handle(), text, -1, calc, DT_CALCRECT | bidi);
    int h = calc.Height();
    TRect r(client.Left, (client.Top + client.Bottom - h + 1) / 2, client.Right, 0);
    r.Bottom = r.Top + h;
    unsigned flags = DT_CENTER | DT_VCENTER | bidi;
    if (!Enabled()) {
        TRect shadow = r;
        shadow.Offset(1, 1);
        canvas->Font()->SetColor(clBtnHighlight);
        DrawTextVz(canvas->Handle(), text, -1, shadow, flags);
        canvas->Font()->SetColor(clBtnShadow);
    }
    DrawTextVz(canvas->Handle(), text, -1, r, flags);
}

void TEditButtonControlVz::DrawImages(const TRect& ARect) {
    int shift = (IsPressed() && FButtonNum > 0) ? 1 : 0;
    DrawStateImage(Canvas(), GetButtonImages(), GetState(), ARect, TPoint(shift, shift), Enabled());
}

// ================================================================================================

int GetDefaultEditButtonWidthVz() {
    TTextMetric tm;
    GetTextMetricsVz(GetScreenCanvasVz(), tm);
    int w = static_cast<int>(std::lround(tm.tmHeight * 2.0 / 3.0));
    if (w % 2 == 0) ++w;  // odd: no themes
    return std::min(w, GetSystemMetrics(SM_CXVSCROLL));
}

int DefaultEditButtonWidthVz() {
    static const int width = GetDefaultEditButtonWidthVz();
    return width;
}

int GetEditButtonHeightVz(int Width, bool Flat) {
    return Flat ? static_cast<int>(std::lround(Width * 4.0 / 3.0)) : Width;
}
