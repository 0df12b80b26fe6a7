#include "grid/addons/filterdropdownvz.h"

#include "grid/addons/simplefiltervz.h"
#include "grid/base/buttonpaintvz.h"
#include "grid/base/graphutilsvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/editors/dbeditvz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"

namespace {

// Asks the form to fill its list again once the keys queued before this message are handled.
constexpr UINT CM_REFILLFILTERLISTVz = CM_BASE + 0x7F0;
constexpr TColor SearchMatchColorVz = TColor(0x96FFFF);  // RGB(255, 255, 150)

TFilterDropDownForm* SharedFilterForm = nullptr;
TDBGridFilterDropDownForm* SharedGridFilterForm = nullptr;

// The list box of the form: its key presses go to the form first.
class TFilterListboxVz : public TCustomListboxVz {
    SDELKA_CLASS(TFilterListboxVz, TCustomListboxVz)
public:
    explicit TFilterListboxVz(TComponent* AOwner) : TCustomListboxVz(AOwner) {}
    TFilterDropDownForm* Form = nullptr;

protected:
    ~TFilterListboxVz() override = default;
    void KeyPress(Char& Key) override {
        if (Form) Form->FilterListKeyPress(Key);
        if (Key != Char()) TCustomListboxVz::KeyPress(Key);
    }
};

bool InDragRange(TFilterDropDownForm* F, int Index) {
    const int down = F->PopupListboxDownIndex, hover = F->PopupListboxDragHoverIndex;
    if (down < 0) return false;
    return (Index >= down && Index <= hover) || (Index <= down && Index >= hover);
}

// Steps 1 to 3 of drawing a row: background, the check box in its cell, the text after it.
void DrawCheckRow(TCustomListboxVz* Sender, int Index, const TRect& ARect, TGridDrawState State,
                  TCheckBoxState Check) {
    TFilterDropDownForm* f = TDDFormFilterPopupListboxItemVz::FormOf(Sender);
    TCanvas* c = Sender->Canvas();
    const bool dragged = f && InDragRange(f, Index);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(dragged ? clHighlight : Sender->Color());
    c->Font()->Assign(Sender->Font());
    if (dragged) {
        c->Font()->SetColor(clHighlightText);
        State.Include(gdSelected);
    }
    TRect box = ARect;
    box.Right = box.Left + CheckBoxSizeVz().cx + 2;
    if (Sender->UseRightToLeftAlignment()) {
        box.Right = ARect.Right;
        box.Left = ARect.Right - (CheckBoxSizeVz().cx + 2);
    }
    c->FillRect(box);
    DrawCheckBoxVz(c->Handle(), box, Check, true, true, dragged, false);
    TRect rest = ARect;
    if (Sender->UseRightToLeftAlignment()) rest.Right = box.Left;
    else rest.Left = box.Right;
    Sender->DefaultDrawItem(Index, rest, State);
}

}  // namespace

// ================================================================================================
// item objects

TFilterDropDownForm* TDDFormFilterPopupListboxItemVz::FormOf(TCustomListboxVz* Sender) {
    return Sender ? dynamic_cast<TFilterDropDownForm*>(Sender->Owner()) : nullptr;
}

String TDDFormListboxItemVzData::GetDisplayText(TCustomListboxVz* Sender, int Index) {
    const String t = Sender->GetItemText(Index);
    return t.isEmpty() ? GetViZevLanguageConsts()->STFilterListItem_Empties() : t;
}

void TDDFormListboxItemVzData::DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect,
                                        TGridDrawState State) {
    TFilterDropDownForm* f = FormOf(Sender);
    if (!f) return;
    const int ref = Index < int(f->ListRefCheckingState().size()) ? f->ListRefCheckingState()[size_t(Index)] : -1;
    const bool ticked = ref >= 0 && ref < int(f->ListValuesCheckingState().size()) && f->ListValuesCheckingState()[size_t(ref)];
    DrawCheckRow(Sender, Index, ARect, State, ticked ? cbChecked : cbUnchecked);
    const String search = f->SearchEdit()->Text();
    if (!search.isEmpty()) {
        TRect rest = ARect;
        rest.Left += CheckBoxSizeVz().cx + 2;
        int hidden = 0;
        PaintSearchMatchesVz(Sender->Canvas(), rest, 2, 1, GetDisplayText(Sender, Index), taLeftJustify, true, false,
                             search, true, false, false, SearchMatchColorVz, hidden);
    }
}

void TDDFormListboxItemVzData::MouseDown(TCustomListboxVz* Sender, int Index, const TPoint&, TMouseButton Button,
                                         TShiftState) {
    if (Button != mbLeft) return;
    TFilterDropDownForm* f = FormOf(Sender);
    if (!f) return;
    f->PopupListboxDownIndex = Index;
    f->PopupListboxDragHoverIndex = Index;
    Sender->InvalidateIndex(Index);
}

void TDDFormListboxItemVzData::MouseMove(TCustomListboxVz* Sender, int Index, const TPoint&, TShiftState) {
    TFilterDropDownForm* f = FormOf(Sender);
    if (!f || f->PopupListboxDownIndex < 0 || Index == f->PopupListboxDragHoverIndex) return;
    Sender->InvalidateIndex(f->PopupListboxDownIndex);
    f->PopupListboxDragHoverIndex = Index;
    Sender->Invalidate();
}

void TDDFormListboxItemVzData::MouseUp(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TMouseButton,
                                       TShiftState Shift) {
    TFilterDropDownForm* f = FormOf(Sender);
    if (!f) return;
    const int down = f->PopupListboxDownIndex;
    if (down >= 0 && down == Index) {
        Execute(Sender, Index, Pos, Shift);
        Sender->SetItemIndex(Sender->ItemAtPos(Pos));
    } else if (down >= 0) {
        // A drag: every row it went over takes the opposite of the pressed row's tick.
        const std::vector<int>& refs = f->ListRefCheckingState();
        std::vector<bool>& ticks = f->ListValuesCheckingState();
        const int first = std::max(down, 1);
        const int pressedRef = first < int(refs.size()) ? refs[size_t(first)] : -1;
        const bool tick = pressedRef >= 0 ? !ticks[size_t(pressedRef)] : true;
        const int hover = f->PopupListboxDragHoverIndex;
        for (int r = std::min(down, hover); r <= std::max(down, hover); ++r)
            if (r > 0 && r < int(refs.size()) && refs[size_t(r)] >= 0) ticks[size_t(refs[size_t(r)])] = tick;
        f->ListValuesCheckingStateChanged();
    }
    f->PopupListboxDownIndex = -1;
    Sender->Invalidate();
}

void TDDFormListboxItemVzData::Execute(TCustomListboxVz* Sender, int Index, const TPoint&, TShiftState) {
    TFilterDropDownForm* f = FormOf(Sender);
    if (!f || Index < 0 || Index >= int(f->ListRefCheckingState().size())) return;
    const int ref = f->ListRefCheckingState()[size_t(Index)];
    if (ref < 0) return;
    f->ListValuesCheckingState()[size_t(ref)] = !f->ListValuesCheckingState()[size_t(ref)];
    f->ListValuesCheckingStateChanged();
    Sender->Invalidate();
}

void TDDFormListboxItemVzSelectAll::DrawItem(TCustomListboxVz* Sender, int Index, const TRect& ARect,
                                             TGridDrawState State) {
    TFilterDropDownForm* f = FormOf(Sender);
    DrawCheckRow(Sender, Index, ARect, State, f ? f->SelectAllState() : cbUnchecked);
}

void TDDFormListboxItemVzSelectAll::MouseUp(TCustomListboxVz* Sender, int Index, const TPoint& Pos, TMouseButton,
                                            TShiftState Shift) {
    TFilterDropDownForm* f = FormOf(Sender);
    if (!f) return;
    if (f->PopupListboxDownIndex >= 0 && f->PopupListboxDownIndex == Index) {
        Execute(Sender, Index, Pos, Shift);
        Sender->SetItemIndex(Sender->ItemAtPos(Pos));
    }
    f->PopupListboxDownIndex = -1;
    Sender->Invalidate();
}

void TDDFormListboxItemVzSelectAll::Execute(TCustomListboxVz* Sender, int, const TPoint&, TShiftState) {
    TFilterDropDownForm* f = FormOf(Sender);
    if (!f) return;
    const bool tick = f->SelectAllState() == cbUnchecked;
    f->SetSelectAllState(tick ? cbChecked : cbUnchecked);
    // Only the shown values: those hidden by the search text keep their ticks.
    for (int ref : f->ListRefCheckingState())
        if (ref >= 0) f->ListValuesCheckingState()[size_t(ref)] = tick;
    Sender->Invalidate();
}

TDDFormListboxItemVzData* FilterListDataItemVz() {
    static TDDFormListboxItemVzData* item = New<TDDFormListboxItemVzData>();
    return item;
}

TDDFormListboxItemVzSelectAll* FilterListSelectAllItemVz() {
    static TDDFormListboxItemVzSelectAll* item = New<TDDFormListboxItemVzSelectAll>();
    return item;
}

// ================================================================================================
// TMenuButtonVz

TMenuButtonVz::TMenuButtonVz(TComponent* AOwner) : TCustomControl(AOwner) {}

void TMenuButtonVz::CMMouseEnter(TMessage& Message) {
    TCustomControl::CMMouseEnter(Message);
    if (!FMouseInControl) {
        FMouseInControl = true;
        Invalidate();
    }
}

void TMenuButtonVz::CMMouseLeave(TMessage& Message) {
    TCustomControl::CMMouseLeave(Message);
    if (FMouseInControl) {
        FMouseInControl = false;
        Invalidate();
    }
}

void TMenuButtonVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && Enabled() && X >= 0 && Y >= 0 && X < Width() && Y < Height() && OnClick) OnClick(this);
}

void TMenuButtonVz::Paint() {
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    c->Font()->Assign(Font());
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Parent() ? Parent()->Color() : clBtnFace);
    c->FillRect(r);
    if (IsLine()) {
        c->Pen()->SetColor(clBtnShadow);
        const int y = (r.Top + r.Bottom) / 2;
        c->MoveTo(r.Left + FCaptionMargin, y);
        c->LineTo(r.Right - 2, y);
        return;
    }
    if (FMouseInControl || Focused()) {
        c->Brush()->SetColor(clHighlight);
        c->FillRect(r);
        c->Font()->SetColor(clHighlightText);
    }
    TRect t = r;
    const bool rtl = Parent() && Parent()->UseRightToLeftAlignment();
    if (rtl) t.Right -= FCaptionMargin;
    else t.Left += FCaptionMargin;
    WriteCellTextVz(c, t, false, 2, 0, Caption(), rtl ? taRightJustify : taLeftJustify, tlCenter, false, false, 0, 0,
                    rtl, true);
}

// ================================================================================================
// TFilterDropDownForm

TFilterDropDownForm* GetFilterDropDownForm() {
    if (!SharedFilterForm) SharedFilterForm = New<TFilterDropDownForm>(Application);
    return SharedFilterForm;
}

TFilterDropDownForm::TFilterDropDownForm(TComponent* AOwner)
    : TCustomDropDownFormVz(AOwner), FBaseList(NewOwned<TStringList>()) {
    SetKeyPreview(true);
    SetDropDownMode(true);
    SetFormElements({ddfeLeftGripVz, ddfeRightGripVz});
    SetParentFont(true);
    SetClientWidth(273);
    SetClientHeight(320);
    FMenuItemHeight = GetSystemMetrics(SM_CYMENU) + 2;
    FLeftMargin = FMenuItemHeight;

    Panel1 = New<TPanel>(this);
    Panel1->SetParent(this);
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetHeight(41);
    Panel1->SetAlign(alBottom);
    bOk = New<TButton>(this);
    bOk->SetParent(Panel1);
    bOk->SetBounds(101, 10, 75, 22);
    bOk->SetDefault(true);
    bOk->SetModalResult(mrOk);
    bOk->SetAnchors({akTop, akRight});
    bCancel = New<TButton>(this);
    bCancel->SetParent(Panel1);
    bCancel->SetBounds(182, 10, 75, 22);
    bCancel->SetModalResult(mrCancel);
    bCancel->SetAnchors({akTop, akRight});
    bOk->OnClick = TNotifyEvent(this, &TFilterDropDownForm::bOkClick);
    bCancel->OnClick = TNotifyEvent(this, &TFilterDropDownForm::bCancelClick);
    bOk->SetCaption(GetViZevLanguageConsts()->OKButtonVz());
    bCancel->SetCaption(GetViZevLanguageConsts()->CancelButtonVz());

    FSearchEdit = New<TDBEditVz>(this);
    FSearchEdit->SetParent(this);
    FSearchEdit->SetBounds(FLeftMargin, 0, ClientWidth() - FLeftMargin - 5, 21);
    FSearchEdit->SetAnchors({akLeft, akTop, akRight});
    FSearchEdit->SetFlat(true);
    FSearchEdit->OnChange = TNotifyEvent(this, &TFilterDropDownForm::SearchEditChange);
    TEditButtonVz* b = FSearchEdit->EditButtons()->Add();
    b->SetStyle(ebsGlyphVz);
    b->SetEnabled(false);
    b->OnClick = TButtonClickEventVz(this, &TFilterDropDownForm::SearchButtonClick);

    auto* list = New<TFilterListboxVz>(this);
    list->Form = this;
    FFilterList = list;
    FFilterList->SetParent(this);
    FFilterList->SetUseItemObjects(true);
    FFilterList->SetBounds(FLeftMargin, FSearchEdit->Top() + FSearchEdit->Height() + 5,
                           ClientWidth() - FLeftMargin - 5, 200);
    FFilterList->SetAnchors({akLeft, akTop, akRight, akBottom});
}

TFilterDropDownForm::~TFilterDropDownForm() {
    if (SharedFilterForm == this) SharedFilterForm = nullptr;
}

void TFilterDropDownForm::InitDataForBaseList() {
    FBaseList->BeginUpdate();
    for (int i = 0; i < FBaseList->Count(); ++i)
        if (!FBaseList->Objects(i)) FBaseList->SetObjects(i, FilterListDataItemVz());
    FBaseList->EndUpdate();
    FListValuesCheckingState.assign(size_t(FBaseList->Count()), false);
    FListRefCheckingState.assign(size_t(FBaseList->Count() + 1), -1);
}

void TFilterDropDownForm::UpdateFilterList() {
    FRefillPending = false;
    const String search = FSearchEdit->Text().toUpper();
    TStrings* items = FFilterList->Items();
    items->BeginUpdate();
    FListRefCheckingState.assign(size_t(FBaseList->Count() + 1), -1);
    items->Clear();
    items->AddObject(GetViZevLanguageConsts()->STFilterListItem_SelectAll(), FilterListSelectAllItemVz());
    int rows = 1;
    for (int i = 0; i < FBaseList->Count(); ++i) {
        TMsg msg;
        if (FSearchEdit->HandleAllocated() && PeekMessage(msg, FSearchEdit->Handle(), WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE)) {
            // Typing goes on: stop here, and fill again after the waiting key.
            FRefillPending = true;
            PostMessage(Handle(), CM_REFILLFILTERLISTVz, 0, 0);
            break;
        }
        const String text = FBaseList->Strings(i);
        if (!search.isEmpty() && !text.toUpper().contains(search)) continue;
        items->AddObject(text, FilterListDataItemVz());
        FListRefCheckingState[size_t(rows++)] = i;
    }
    FListRefCheckingState.resize(size_t(rows));
    items->EndUpdate();
}

void TFilterDropDownForm::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_REFILLFILTERLISTVz) {
        if (FRefillPending) {
            UpdateFilterList();
            UpdateSelectAllState();
            FFilterList->Invalidate();
        }
        return;
    }
    TCustomDropDownFormVz::Dispatch(Message);
}

void TFilterDropDownForm::UpdateSelectAllState() {
    int rows = 0, ticked = 0;
    for (int ref : FListRefCheckingState)
        if (ref >= 0) {
            ++rows;
            if (FListValuesCheckingState[size_t(ref)]) ++ticked;
        }
    FSelectAllState = ticked == 0 ? cbUnchecked : ticked == rows ? cbChecked : cbGrayed;
}

void TFilterDropDownForm::SearchEditChange(TObject*) {
    UpdateFilterList();
    UpdateSelectAllState();
    if (FSearchEdit->EditButtons()->Count() > 0)
        FSearchEdit->EditButtons()->Items(0)->SetEnabled(!FSearchEdit->Text().isEmpty());
    FFilterList->Invalidate();
}

void TFilterDropDownForm::SearchButtonClick(TObject*, bool& Handled) {
    SearchEditButtonClick();
    Handled = true;
}

void TFilterDropDownForm::SearchEditButtonClick() { FSearchEdit->SetText(String()); }

void TFilterDropDownForm::FilterListKeyPress(Char& Key) {
    if (Key != u' ') return;
    const int i = FFilterList->ItemIndex();
    if (i >= 0)
        if (TCustomListboxItemVz* o = FFilterList->ItemObject(i))
            o->Execute(FFilterList, i, TPoint(-1, -1), GetAsyncShiftState());
    Key = Char();
}

void TFilterDropDownForm::Init() {
    if (FFilterList->CanFocus()) SetActiveControl(FFilterList);
    FSearchEdit->SetText(String());
}

void TFilterDropDownForm::RealignControls() {
    const bool rtl = UseRightToLeftAlignment();
    const TAnchors side = rtl ? TAnchors{akTop, akLeft} : TAnchors{akTop, akRight};
    const bool okLeft = bOk->Left() < bCancel->Left();
    if (okLeft == rtl) {  // the panel's buttons stand mirrored for this direction
        const int w = Panel1->ClientWidth();
        for (TButton* b : {bOk, bCancel}) b->SetLeft(w - b->Left() - b->Width());
    }
    bOk->SetAnchors(side);
    bCancel->SetAnchors(side);
    const int editLeft = rtl ? 5 : FLeftMargin;
    const int width = ClientWidth() - FLeftMargin - 5;
    FSearchEdit->SetBounds(editLeft, 5, width, FSearchEdit->Height());
    const int top = FSearchEdit->Top() + FSearchEdit->Height() + 5;
    FFilterList->SetBounds(editLeft, top, width, Panel1->Top() - top);
}

void TFilterDropDownForm::InitForm(TComponent* Host, TDynVarsVz* DynParams) {
    TCustomDropDownFormVz::InitForm(Host, DynParams);
    FFilterList->SetItemHeight(FFilterList->GetTextHeight() + 1);
    UpdateFilterList();
    PopupListboxDownIndex = -1;
    UpdateSelectAllState();
    RealignControls();
    Init();
}

void TFilterDropDownForm::KeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_ESCAPE && Shift.Empty()) {
        SetModalResult(mrCancel);
        Close();
        Key = 0;
        return;
    }
    TCustomDropDownFormVz::KeyDown(Key, Shift);
}

void TFilterDropDownForm::bOkClick(TObject*) { Close(); }

void TFilterDropDownForm::bCancelClick(TObject*) {
    SetModalResult(mrCancel);
    Close();
}

void TFilterDropDownForm::DrawBorder() { TCustomDropDownFormVz::DrawBorder(); }

// ================================================================================================
// the data grid's variant

TColumnVz* TDDFormGridFilterPopupListboxItemVz::ColumnOf(TCustomListboxVz* Sender) {
    auto* f = dynamic_cast<TDBGridFilterDropDownForm*>(FormOf(Sender));
    return f ? f->Column() : nullptr;
}

void TDDFormListboxItemVzSort::Execute(TCustomListboxVz* Sender, int, const TPoint&, TShiftState) {
    TColumnVz* col = ColumnOf(Sender);
    if (!col || !col->Grid()) return;
    col->Title()->SetSortMarker(FSortState);
    col->Grid()->SortMarkingChanged();
}

void TDDFormListboxItemVzSpec::Execute(TCustomListboxVz* Sender, int, const TPoint&, TShiftState) {
    TColumnVz* col = ColumnOf(Sender);
    TCustomDBGridVz* g = col ? col->Grid() : nullptr;
    if (!g) return;
    switch (FType) {
    case ptFilterSpecItemClearFilter:
        for (int i = 0; i < g->Columns()->Count(); ++i) g->Columns()->Items(i)->STFilter()->Clear();
        break;
    case ptFilterSpecItemClearColumnFilter: col->STFilter()->SetExpressionStr(String()); break;
    case ptFilterSpecItemDialog:
        if (ShowSimpleFilterDialog(col) && g->STFilter()->InstantApply()) g->FilterHost()->STFilterApply();
        if (g->CanFocus()) g->SetFocus();
        return;
    case ptFilterApply:
        if (auto* f = dynamic_cast<TFilterDropDownForm*>(FormOf(Sender)))
            col->STFilter()->SetExpressionFromCheckedItems(f->BaseList(), f->ListValuesCheckingState());
        break;
    }
    g->FilterHost()->STFilterApply();
}

namespace {

TDDFormListboxItemVzSort* SortUpItem() {
    static auto* i = New<TDDFormListboxItemVzSort>(smUpVz);
    return i;
}
TDDFormListboxItemVzSort* SortDownItem() {
    static auto* i = New<TDDFormListboxItemVzSort>(smDownVz);
    return i;
}
TDDFormListboxItemVzSpec* SpecItem(TPopupListboxItemVzSpecType T) {
    static TDDFormListboxItemVzSpec* items[] = {New<TDDFormListboxItemVzSpec>(ptFilterSpecItemClearFilter),
                                                New<TDDFormListboxItemVzSpec>(ptFilterSpecItemClearColumnFilter),
                                                New<TDDFormListboxItemVzSpec>(ptFilterSpecItemDialog),
                                                New<TDDFormListboxItemVzSpec>(ptFilterApply)};
    return items[T];
}

String Bracketed(const String& S) { return S.startsWith(u'(') ? S : u'(' + S + u')'; }

}  // namespace

TDBGridFilterDropDownForm* GetDBGridFilterDropDownForm() {
    if (!SharedGridFilterForm) SharedGridFilterForm = New<TDBGridFilterDropDownForm>(Application);
    return SharedGridFilterForm;
}

TDBGridMenuButtonVz* TDBGridFilterDropDownForm::MakeButton(const String& Caption, TCustomListboxItemVz* Item,
                                                           TSortMarkerVz Sort) {
    auto* b = New<TDBGridMenuButtonVz>(this);
    b->SetParent(this);
    b->SetCaption(Caption);
    b->SetCaptionMargin(LeftMargin());
    b->SetDropDownForm(this);
    b->SetSortState(Sort);
    b->SetBounds(0, 0, ClientWidth(), Item ? MenuItemHeight() : 5);
    b->SetAnchors({akLeft, akTop, akRight});
    if (Item) {
        b->SetActionItem(Item);
        b->OnClick = TNotifyEvent(this, &TDBGridFilterDropDownForm::MenuButtonClick);
    } else {
        b->SetEnabled(false);
    }
    return b;
}

TDBGridFilterDropDownForm::TDBGridFilterDropDownForm(TComponent* AOwner) : TFilterDropDownForm(AOwner) {
    const auto* t = GetViZevLanguageConsts();
    SortButton1 = MakeButton(Bracketed(t->STFilterListItem_SortingByAscend()), SortUpItem(), smUpVz);
    SortButton2 = MakeButton(Bracketed(t->STFilterListItem_SortingByDescend()), SortDownItem(), smDownVz);
    LineMenuButton1 = MakeButton(u"-"_S, nullptr, smNoneVz);
    ClearFilterButton = MakeButton(Bracketed(t->STFilterListItem_ClearFilter()), SpecItem(ptFilterSpecItemClearFilter),
                                   smNoneVz);
    ClearColumnFilterButton = MakeButton(Bracketed(t->STFilterListItem_ClearFilterInColumn()),
                                         SpecItem(ptFilterSpecItemClearColumnFilter), smNoneVz);
    CustomFilterButton = MakeButton(Bracketed(t->STFilterListItem_CustomFilter()), SpecItem(ptFilterSpecItemDialog),
                                    smNoneVz);
    LineMenuButton2 = MakeButton(u"-"_S, nullptr, smNoneVz);
}

void TDBGridFilterDropDownForm::MenuButtonClick(TObject* Sender) {
    auto* b = dynamic_cast<TMenuButtonVz*>(Sender);
    if (!b || !b->ActionItem()) return;
    b->ActionItem()->Execute(FilterList(), -1, TPoint(0, 0), TShiftState());
    SetModalResult(mrCancel);
    Close();
}

void TDBGridFilterDropDownForm::RealignControls() {
    TFilterDropDownForm::RealignControls();
    TCustomDBGridVz* g = FColumn ? FColumn->Grid() : nullptr;
    const bool sorts = g && g->OptionsVz().Contains(dghAutoSortMarking) && FColumn->Title()->TitleButton();
    int top = 0;
    for (TDBGridMenuButtonVz* b : {SortButton1, SortButton2, LineMenuButton1}) {
        b->SetVisible(sorts);
        if (sorts) {
            b->SetBounds(0, top, ClientWidth(), b->Height());
            top += b->Height();
        }
    }
    for (TDBGridMenuButtonVz* b : {ClearFilterButton, ClearColumnFilterButton, CustomFilterButton, LineMenuButton2}) {
        b->SetBounds(0, top, ClientWidth(), b->Height());
        top += b->Height();
    }
    const int editLeft = UseRightToLeftAlignment() ? 5 : LeftMargin();
    const int width = ClientWidth() - LeftMargin() - 5;
    SearchEdit()->SetBounds(editLeft, top + 5, width, SearchEdit()->Height());
    const int listTop = SearchEdit()->Top() + SearchEdit()->Height() + 5;
    FilterList()->SetBounds(editLeft, listTop, width, Panel1->Top() - listTop);
}

void TDBGridFilterDropDownForm::FillForColumn(TColumnVz* AColumn) {
    FColumn = AColumn;
    BaseList()->Clear();
    TCustomDBGridVz* g = AColumn->Grid();
    TDBGridVzCenter* center = g->FilterHost()->STFilterCenter();
    (center ? center : DBGridVzCenter())->StandardFillSTFilterListDataValues(g->FilterHost(), AColumn, BaseList());
    InitDataForBaseList();
    AColumn->STFilter()->SetCheckedItemsFromExpression(BaseList(), ListValuesCheckingState());
}

void TDBGridFilterDropDownForm::ApplyCheckedValues() {
    if (!FColumn) return;
    FColumn->STFilter()->SetExpressionFromCheckedItems(BaseList(), ListValuesCheckingState());
    FColumn->Grid()->FilterHost()->STFilterApply();
}

void TDBGridMenuButtonVz::Paint() {
    TMenuButtonVz::Paint();
    if (FSortState == smNoneVz) return;
    const int h = Height();
    const bool rtl = Parent() && Parent()->UseRightToLeftAlignment();
    DrawSortMarker(rtl ? TRect(Width() - h, 0, Width(), h) : TRect(0, 0, h, h));
}

void TDBGridMenuButtonVz::DrawSortMarker(const TRect& ARect) {
    if (FSortState != smDownVz && FSortState != smUpVz) return;
    // A small triangle centred in the square: up for ascending, down for descending.
    TCanvas* c = Canvas();
    const int cx = (ARect.Left + ARect.Right) / 2, cy = (ARect.Top + ARect.Bottom) / 2;
    const int s = 3;
    c->Brush()->SetColor(clBtnShadow);
    c->Pen()->SetColor(clBtnShadow);
    if (FSortState == smUpVz) c->Polygon({TPoint(cx - s, cy + s / 2), TPoint(cx + s, cy + s / 2), TPoint(cx, cy - s)});
    else c->Polygon({TPoint(cx - s, cy - s / 2), TPoint(cx + s, cy - s / 2), TPoint(cx, cy + s)});
}
