#include "grid/addons/navigatorvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "platform/db/db.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/messages.h"
#include "platform/gui/stdctrls.h"

#include <algorithm>

// ---- TNavButtonVz

TNavButtonVz::TNavButtonVz(TComponent* AOwner) : TSpeedButton(AOwner) { SetColor(clMenu); }

TNavButtonVz::~TNavButtonVz() = default;

void TNavButtonVz::SetImageIndex(int Value) {
    if (FImageIndex == Value) return;
    FImageIndex = Value;
    Invalidate();
}

void TNavButtonVz::Paint() {
    if (OnPaint) {
        OnPaint(this);
        return;
    }
    TSpeedButton::Paint();
    TRect r = ClientRect();
    if (State() == bsDown) r.Offset(1, 1);
    DrawGlyph(r, Enabled());
}

// The glyphs of the navigation buttons, drawn as small figures 10 pixels across.
void TNavButtonVz::DrawGlyph(const TRect& R, bool IsEnabled) {
    if (FImageIndex < 0 || FImageIndex >= NavButtonCountVz) return;
    TCanvas* c = Canvas();
    const TColor col = IsEnabled ? clBtnText : clGrayText;
    c->Pen()->SetColor(col);
    c->Brush()->SetColor(col);
    c->Brush()->SetStyle(bsSolid);
    const int x = R.Left + (R.Width() - 10) / 2;
    const int y = R.Top + (R.Height() - 10) / 2;
    auto left = [&](int X) { c->Polygon({TPoint(X + 5, y + 1), TPoint(X + 5, y + 9), TPoint(X + 1, y + 5)}); };
    auto right = [&](int X) { c->Polygon({TPoint(X + 1, y + 1), TPoint(X + 1, y + 9), TPoint(X + 5, y + 5)}); };
    switch (static_cast<TNavigateBtnVz>(FImageIndex)) {
    case nbFirstVz: c->FillRect(TRect(x + 1, y + 1, x + 3, y + 10)); left(x + 3); break;
    case nbPriorVz: left(x + 2); break;
    case nbNextVz: right(x + 3); break;
    case nbLastVz: right(x + 2); c->FillRect(TRect(x + 7, y + 1, x + 9, y + 10)); break;
    case nbInsertVz: c->FillRect(TRect(x + 4, y + 1, x + 6, y + 9)); [[fallthrough]];
    case nbDeleteVz: c->FillRect(TRect(x + 1, y + 4, x + 9, y + 6)); break;
    case nbEditVz: c->Polygon({TPoint(x + 1, y + 8), TPoint(x + 7, y + 2), TPoint(x + 8, y + 3), TPoint(x + 2, y + 9)}); break;
    case nbPostVz:
        c->MoveTo(x + 1, y + 5); c->LineTo(x + 4, y + 8); c->LineTo(x + 9, y + 2);
        c->MoveTo(x + 1, y + 6); c->LineTo(x + 4, y + 9); c->LineTo(x + 9, y + 3);
        break;
    case nbCancelVz:
        c->MoveTo(x + 1, y + 1); c->LineTo(x + 9, y + 9); c->MoveTo(x + 8, y + 1); c->LineTo(x, y + 9);
        break;
    case nbRefreshVz:
        c->Brush()->SetStyle(bsClear);
        c->Rectangle(x + 1, y + 2, x + 9, y + 9);
        c->Brush()->SetStyle(bsSolid);
        c->Polygon({TPoint(x + 6, y), TPoint(x + 6, y + 4), TPoint(x + 9, y + 2)});
        break;
    }
}

void TNavButtonVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseDown(Button, Shift, X, Y);
    if (!FAllowTimer) return;
    if (!FRepeatTimer) {
        FRepeatTimer = New<TTimer>(this);
        FRepeatTimer->OnTimer = TNotifyEvent(this, &TNavButtonVz::TimerExpired);
    }
    FRepeatTimer->SetInterval(400);
    FRepeatTimer->SetEnabled(true);
}

void TNavButtonVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpeedButton::MouseUp(Button, Shift, X, Y);
    if (FRepeatTimer) FRepeatTimer->SetEnabled(false);
}

void TNavButtonVz::TimerExpired(TObject*) {
    FRepeatTimer->SetInterval(100);
    if (State() != bsDown) return;
    try {
        Click();
    } catch (...) {
        FRepeatTimer->SetEnabled(false);
        throw;
    }
}

// ---- TNavDataLinkVz

TNavDataLinkVz::TNavDataLinkVz(TDBGridVzNavigatorPanel* ANavigator) : FNavigator(ANavigator) {
    SetVisualControl(true);
}

TNavDataLinkVz::~TNavDataLinkVz() { FNavigator = nullptr; }

void TNavDataLinkVz::EditingChanged() {
    if (FNavigator) FNavigator->RefreshEditState();
}

void TNavDataLinkVz::DataSetChanged() {
    if (FNavigator) FNavigator->UpdateButtonStates();
}

void TNavDataLinkVz::ActiveChanged() {
    if (FNavigator) FNavigator->RefreshActiveState();
}

// ---- TDBGridVzNavigatorPanel

TDBGridVzNavigatorPanel::TDBGridVzNavigatorPanel(TComponent* AOwner)
    : TCustomControl(AOwner),
      FDataLink(NewOwned<TNavDataLinkVz>(this)),
      FHints(NewOwned<TStringList>()),
      FDefHints(NewOwned<TStringList>()) {
    for (int i = 0; i < NavButtonCountVz; ++i) FVisibleButtons.Include(static_cast<TNavigateBtnVz>(i));
    FVisibleItems = {gsbiRecordsInfoVz, gsbiNavigator, gsbiSelAggregationInfoVz};
    FHints->OnChange = [this](TObject*) { InitHints(); };
    SetTabStop(true);
    InitButtons();
    InitHints();
    UpdateButtons();
    RefreshActiveState();
}

TDBGridVzNavigatorPanel::~TDBGridVzNavigatorPanel() {
    FDestroying = true;
    FDataLink->Detach();
    FDataLink->SetDataSource(nullptr);
}

void TDBGridVzNavigatorPanel::InitButtons() {
    auto make = [this](TNotifyEvent Paint) {
        auto* b = New<TNavButtonVz>(this);
        b->SetParent(this);
        b->SetFlat(FFlat);
        b->SetBounds(0, 0, 0, 0);
        b->OnPaint = Paint;
        return b;
    };
    FRecordsInfoPanel = make(TNotifyEvent(this, &TDBGridVzNavigatorPanel::PaintInfoPanel));
    FNavButtonsDivider = make(TNotifyEvent(this, &TDBGridVzNavigatorPanel::PaintDivider));
    for (int i = 0; i < NavButtonCountVz; ++i) {
        TNavButtonVz* b = make(nullptr);
        b->SetIndex(static_cast<TNavigateBtnVz>(i));
        b->SetImageIndex(i);
        b->SetVisible(FVisibleButtons.Contains(static_cast<TNavigateBtnVz>(i)));
        b->OnClick = TNotifyEvent(this, &TDBGridVzNavigatorPanel::BtnClick);
        b->OnMouseDown = TMouseEvent(this, &TDBGridVzNavigatorPanel::BtnMouseDown);
        b->SetAllowTimer(i == nbPriorVz || i == nbNextVz);
        b->SetShowHint(true);
        FNavButtons[static_cast<std::size_t>(i)] = b;
    }
    FSelectionInfoDivider = make(TNotifyEvent(this, &TDBGridVzNavigatorPanel::PaintDivider));
    FSelectionInfoDivider->SetWidth(DividerWidth());
    FSelectionInfoPanel = make(TNotifyEvent(this, &TDBGridVzNavigatorPanel::PaintInfoPanel));
    FSelectionInfoPanel->OnMouseUp = TMouseEvent(this, &TDBGridVzNavigatorPanel::SelectionInfoPanelMouseUp);
}

void TDBGridVzNavigatorPanel::InitHints() {
    const auto* t = GetViZevLanguageConsts();
    FDefHints->Clear();
    for (const String& h : {t->FirstRecordVz(), t->PriorRecordVz(), t->NextRecordVz(), t->LastRecordVz(),
                            t->InsertRecordVz(), t->DeleteRecordVz(), t->EditRecordVz(), t->PostEditVz(),
                            t->CancelEditVz(), t->RefreshRecordVz()})
        FDefHints->Add(h);
    for (int i = 0; i < NavButtonCountVz; ++i) {
        String hint = FDefHints->Strings(i);
        if (i < FHints->Count() && !FHints->Strings(i).isEmpty()) hint = FHints->Strings(i);
        if (FNavButtons[static_cast<std::size_t>(i)]) FNavButtons[static_cast<std::size_t>(i)]->SetHint(hint);
    }
}

void TDBGridVzNavigatorPanel::SetGrid(TCustomDBGridVz* Value) {
    if (FGrid == Value) return;
    if (FGrid) FGrid->RemoveFreeNotification(this);
    FGrid = Value;
    if (FGrid) FGrid->FreeNotification(this);
    UpdateButtonStates();
}

void TDBGridVzNavigatorPanel::SetDataSource(TDataSource* Value) {
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    RefreshActiveState();
}

void TDBGridVzNavigatorPanel::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FGrid) FGrid = nullptr;
    if (FDataLink && AComponent == FDataLink->DataSource()) FDataLink->SetDataSource(nullptr);
}

void TDBGridVzNavigatorPanel::SetVisibleButtons(TNavButtonSetVz Value) {
    FVisibleButtons = Value;
    UpdateButtons();
}

void TDBGridVzNavigatorPanel::SetVisibleItems(TGridSBItemsVz Value) {
    FVisibleItems = Value;
    UpdateButtons();
    if (FGrid) FGrid->Invalidate();
}

void TDBGridVzNavigatorPanel::SetBorderColor(TColor Value) {
    FBorderColor = Value;
    Invalidate();
}

void TDBGridVzNavigatorPanel::SetFlat(bool Value) {
    FFlat = Value;
    for (TNavButtonVz* b : FNavButtons) b->SetFlat(Value);
}

void TDBGridVzNavigatorPanel::UpdateButtons() {
    FRecordsInfoPanel->SetVisible(FVisibleItems.Contains(gsbiRecordsInfoVz));
    FNavButtonsDivider->SetVisible(false);
    for (int i = 0; i < NavButtonCountVz; ++i) {
        TNavButtonVz* b = FNavButtons[static_cast<std::size_t>(i)];
        b->SetVisible(FVisibleButtons.Contains(static_cast<TNavigateBtnVz>(i)) &&
                      FVisibleItems.Contains(gsbiNavigator));
        if (FRecordsInfoPanel->Visible() && b->Visible()) FNavButtonsDivider->SetVisible(true);
    }
    UpdateInfoPanels();
    ResetWidth();
    Invalidate();
}

bool TDBGridVzNavigatorPanel::DataActive() {
    return Enabled() && FDataLink->Active() && FDataLink->DataSet();
}

void TDBGridVzNavigatorPanel::UpdateButtonStates() {
    if (FDestroying) return;
    TDataSet* ds = FDataLink->DataSet();
    const bool active = DataActive();
    const bool bof = active && ds->Bof();
    const bool eof = active && ds->Eof();
    const bool readOnly = FGrid && FGrid->ReadOnly();
    const TDBGridVzAllowedOperations ops =
        FGrid ? FGrid->AllowedOperations()
              : TDBGridVzAllowedOperations{alopInsertVz, alopUpdateVz, alopDeleteVz, alopAppendVz};
    const bool canModify = active && ds->CanModify() && !readOnly;
    auto set = [this](TNavigateBtnVz B, bool E) { FNavButtons[static_cast<std::size_t>(B)]->SetEnabled(E); };
    set(nbFirstVz, active && !bof);
    set(nbPriorVz, active && !bof);
    set(nbNextVz, active && !eof);
    set(nbLastVz, active && !eof);
    const bool insert = canModify && (ops.Contains(alopInsertVz) || ops.Contains(alopAppendVz));
    set(nbInsertVz, insert);
    set(nbDeleteVz, canModify && ops.Contains(alopDeleteVz) && !(bof && eof));
    set(nbEditVz, canModify && ops.Contains(alopUpdateVz) && !FDataLink->Editing() && (insert || !ds->IsEmpty()));
    set(nbPostVz, canModify && FDataLink->Editing());
    set(nbCancelVz, canModify && FDataLink->Editing());
    set(nbRefreshVz, true);
    UpdateInfoPanels();
}

void TDBGridVzNavigatorPanel::RefreshActiveState() {
    if (FDestroying) return;
    if (Enabled() && FDataLink->Active()) {
        UpdateButtonStates();
    } else {
        for (TNavButtonVz* b : FNavButtons) b->SetEnabled(false);
        UpdateInfoPanels();
    }
}

bool TDBGridVzNavigatorPanel::CheckConfirmDelete() { return FGrid && FGrid->Options().Contains(dgConfirmDelete); }

void TDBGridVzNavigatorPanel::BtnClick(TObject* Sender) { NavBtnClick(static_cast<TNavButtonVz*>(Sender)->Index()); }

void TDBGridVzNavigatorPanel::NavBtnClick(TNavigateBtnVz Index) {
    TDataSource* src = DataSource();
    if (src && src->DataSet() && src->DataSet()->State() != dsInactive) {
        if (BeforeAction) BeforeAction(this, Index);
        bool handled = false;
        if (OnGridButtonClick) OnGridButtonClick(this, Index, handled);
        TDataSet* ds = src->DataSet();
        if (!handled) switch (Index) {
            case nbFirstVz: ds->First(); break;
            case nbPriorVz: ds->Prior(); break;
            case nbNextVz: ds->Next(); break;
            case nbLastVz: ds->Last(); break;
            case nbInsertVz:
                if (!FGrid || FGrid->AllowedOperations().Contains(alopInsertVz)) ds->Insert();
                else ds->Append();
                break;
            case nbDeleteVz: {
                TBookmarkListVz* rows = FGrid ? FGrid->SelectedRows() : nullptr;
                if (rows && rows->Count() > 0) {
                    // The marked records go together, without the one-record question.
                    std::vector<TBookmark> marks;
                    for (int i = 0; i < rows->Count(); ++i) marks.push_back(rows->Items(i));
                    ds->DisableControls();
                    try {
                        for (const TBookmark& b : marks)
                            if (ds->BookmarkValid(b)) {
                                ds->GotoBookmark(b);
                                ds->Delete();
                            }
                    } catch (...) {
                        ds->EnableControls();
                        rows->Refresh(true);
                        throw;
                    }
                    ds->EnableControls();
                    rows->Clear();
                    break;
                }
                if (CheckConfirmDelete() &&
                    MessageDlg(u"Delete record?"_S, mtConfirmation, {mbOK, mbCancel}, 0) == mrCancel)
                    break;
                ds->Delete();
                break;
            }
            case nbEditVz: ds->Edit(); break;
            case nbPostVz: ds->Post(); break;
            case nbCancelVz: ds->Cancel(); break;
            case nbRefreshVz: ds->Refresh(); break;
            }
    }
    if (OnNavClick) OnNavClick(this, Index);
}

void TDBGridVzNavigatorPanel::BtnMouseDown(TObject* Sender, TMouseButton, TShiftState, int, int) {
    const TNavigateBtnVz old = FFocusedButton;
    if (FGrid && FGrid->CanFocus()) FGrid->SetFocus();
    FFocusedButton = static_cast<TNavButtonVz*>(Sender)->Index();
    if (old != FFocusedButton) {
        NavButtons(old)->Invalidate();
        NavButtons(FFocusedButton)->Invalidate();
    }
}

void TDBGridVzNavigatorPanel::MoveFocus(int Step) {
    int i = FFocusedButton + Step;
    while (i >= 0 && i < NavButtonCountVz && !NavButtons(i)->Visible()) i += Step;
    if (i < 0 || i >= NavButtonCountVz) return;
    const TNavigateBtnVz old = FFocusedButton;
    FFocusedButton = static_cast<TNavigateBtnVz>(i);
    NavButtons(old)->Invalidate();
    NavButtons(i)->Invalidate();
}

void TDBGridVzNavigatorPanel::KeyDown(Word& Key, TShiftState Shift) {
    switch (Key) {
    case VK_LEFT: MoveFocus(-1); break;
    case VK_RIGHT: MoveFocus(1); break;
    case VK_SPACE:
        if (NavButtons(FFocusedButton)->Enabled()) NavButtons(FFocusedButton)->Click();
        break;
    default: TCustomControl::KeyDown(Key, Shift); return;
    }
    Key = 0;
}

void TDBGridVzNavigatorPanel::LayoutItems(int& W, int H) {
    FButtonWidth = H;
    const bool rtl = UseRightToLeftAlignment();
    int x = rtl ? ClientWidth() : 0;
    auto place = [&](TControl* C, int Width) {
        if (rtl) {
            x -= Width;
            C->SetBounds(x, 0, Width, H);
        } else {
            C->SetBounds(x, 0, Width, H);
            x += Width;
        }
    };
    auto hide = [](TControl* C) { C->SetBounds(0, 0, 0, 0); };
    if (FRecordsInfoPanel->Visible()) place(FRecordsInfoPanel, CalcRecordsInfoWidth());
    else hide(FRecordsInfoPanel);
    if (FNavButtonsDivider->Visible()) place(FNavButtonsDivider, DividerWidth());
    else hide(FNavButtonsDivider);
    static constexpr int ltr[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    static constexpr int rtlOrder[] = {3, 2, 1, 0, 4, 5, 6, 7, 8, 9};
    for (int k = 0; k < NavButtonCountVz; ++k) {
        TNavButtonVz* b = NavButtons(rtl ? rtlOrder[k] : ltr[k]);
        if (b->Visible()) place(b, FButtonWidth);
        else b->SetBounds(Width() + 1, 0, FButtonWidth, Height());
    }
    if (FSelectionInfoDivider->Visible()) {
        place(FSelectionInfoDivider, DividerWidth());
        place(FSelectionInfoPanel, CalcSelectionInfoWidth());
    } else {
        hide(FSelectionInfoDivider);
        hide(FSelectionInfoPanel);
    }
    W = rtl ? ClientWidth() - x : x;
}

int TDBGridVzNavigatorPanel::OptimalWidth() {
    int w = 0;
    if (FRecordsInfoPanel->Visible()) w += CalcRecordsInfoWidth();
    if (FNavButtonsDivider->Visible()) w += DividerWidth();
    for (TNavButtonVz* b : FNavButtons)
        if (b->Visible()) w += ClientHeight();
    if (FSelectionInfoPanel->Visible()) w += DividerWidth() + CalcSelectionInfoWidth();
    return w + (Width() - ClientWidth());
}

void TDBGridVzNavigatorPanel::ResetWidth() {
    const int w = std::max(0, OptimalWidth());
    if (w != Width()) SetWidth(w);
    int lw = Width() - 1;
    LayoutItems(lw, Height() - 1);
}

void TDBGridVzNavigatorPanel::Resize() {
    TCustomControl::Resize();
    int w = Width() - 1;
    LayoutItems(w, Height() - 1);
}

void TDBGridVzNavigatorPanel::Paint() {
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    FillGradientVz(c, r, clBtnHighlight, clBtnFace);
    c->Pen()->SetColor(FBorderColor);
    c->MoveTo(0, 0);
    c->LineTo(r.Right, 0);
    c->MoveTo(r.Right - 1, 0);
    c->LineTo(r.Right - 1, r.Bottom);
}

void TDBGridVzNavigatorPanel::PaintDivider(TObject* Sender) {
    auto* d = static_cast<TNavButtonVz*>(Sender);
    TCanvas* c = d->Canvas();
    c->Pen()->SetColor(FBorderColor);
    c->MoveTo(0, 0);
    c->LineTo(0, d->Height());
}
