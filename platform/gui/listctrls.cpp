#include "platform/gui/listctrls.h"
#include "platform/gui/qthost.h"

#include "platform/gui/forms.h"
#include "platform/rtl/sysutils.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// Paints owner-drawn items of a list or a combo box's list through the control.
class TOwnerDrawDelegate : public QStyledItemDelegate {
public:
    using TPaint = std::function<void(HDC DC, int Index, const TRect& Rect, TOwnerDrawState State)>;
    TOwnerDrawDelegate(QObject* Parent, TPaint Paint, std::function<int()> Height)
        : QStyledItemDelegate(Parent), FPaint(std::move(Paint)), FHeight(std::move(Height)) {}

    void paint(QPainter* P, const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
        TRect r = TRect::FromQRect(Option.rect);
        if (r.IsEmpty()) return;
        TOwnerDrawState state;
        if (Option.state & QStyle::State_Selected) state.Include(odSelected);
        if (Option.state & QStyle::State_HasFocus) state.Include(odFocused);
        if (!(Option.state & QStyle::State_Enabled)) state.Include(odDisabled);
        // The item is drawn on an image of its own with client coordinates, then copied.
        QImage img(r.Width(), r.Height(), QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            TPainterDC dc(&img);
            dc.SetViewportOrg(TPoint(-r.Left, -r.Top));
            FPaint(&dc, Index.row(), r, state);
        }
        P->drawImage(Option.rect.topLeft(), img);
    }
    QSize sizeHint(const QStyleOptionViewItem& Option, const QModelIndex& Index) const override {
        QSize s = QStyledItemDelegate::sizeHint(Option, Index);
        s.setHeight(FHeight());
        return s;
    }

private:
    TPaint FPaint;
    std::function<int()> FHeight;
};

// The list's own drawing of an item when OnDrawItem is not assigned.
void DefaultDrawItem(TCanvas* C, const TRect& Rect, const String& Text) {
    C->FillRect(Rect);
    C->TextOut(Rect.Left + 2, Rect.Top, Text);
}

void PrepareItemCanvas(TCanvas* C, TWinControl* Control, TOwnerDrawState State) {
    C->Font()->Assign(Control->Font());
    C->Brush()->SetColor(Control->Color());
    if (State.Contains(odSelected)) {
        C->Brush()->SetColor(clHighlight);
        C->Font()->SetColor(clHighlightText);
    }
}

}  // namespace

// ================================================================================================
// Mouse routing of wrapped scroll areas

namespace {
class TViewportRouter : public QObject {
public:
    TViewportRouter(QObject* Parent, TWinControl* C) : QObject(Parent), FControl(C) {}
    TWinControl* FControl;

protected:
    bool eventFilter(QObject* Watched, QEvent* E) override {
        switch (E->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel: {
            QWidget* host = static_cast<QWidget*>(parent());
            THostLink* link = HostLink(host);
            if (!link || !link->Control) return false;
            THostDepthScope scope;
            return HostWidgetEvent(link, E);
        }
        default: return QObject::eventFilter(Watched, E);
        }
    }
};
}  // namespace

void RouteViewportMouse(QWidget* Host, QWidget* Viewport, TWinControl* Control) {
    Viewport->installEventFilter(new TViewportRouter(Host, Control));
}

// ================================================================================================
// TControlStrings

void TControlStrings::CheckIndex(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
}

String TControlStrings::Get(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].S;
}

TObject* TControlStrings::GetObject(int Index) const {
    CheckIndex(Index);
    return FItems[static_cast<size_t>(Index)].Obj;
}

int TControlStrings::AddObject(const String& S, TObject* AObject) {
    int index = GetCount();
    if (FSorted) {
        auto it = std::upper_bound(FItems.begin(), FItems.end(), S,
                                   [this](const String& s, const TItem& i) { return CompareStrings(s, i.S) < 0; });
        index = static_cast<int>(it - FItems.begin());
    }
    FItems.insert(FItems.begin() + index, TItem{S, AObject});
    Notify(chInsert, index);
    return index;
}

void TControlStrings::InsertObject(int Index, const String& S, TObject* AObject) {
    if (Index < 0 || Index > GetCount()) Error(QStringLiteral("List index out of bounds (%d)"), Index);
    FItems.insert(FItems.begin() + Index, TItem{S, AObject});
    Notify(chInsert, Index);
}

void TControlStrings::Delete(int Index) {
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
    Notify(chDelete, Index);
}

void TControlStrings::Clear() {
    if (FItems.empty()) return;
    FItems.clear();
    Notify(chReset, -1);
}

void TControlStrings::Put(int Index, const String& S) {
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)].S = S;
    Notify(chPut, Index);
}

void TControlStrings::PutObject(int Index, TObject* AObject) {
    CheckIndex(Index);
    FItems[static_cast<size_t>(Index)].Obj = AObject;
}

void TControlStrings::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
    Notify(chPut, Index1);
    Notify(chPut, Index2);
}

void TControlStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    TItem item = FItems[static_cast<size_t>(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
    Notify(chReset, -1);
}

int TControlStrings::IndexOf(const String& S) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(FItems[static_cast<size_t>(i)].S, S) == 0) return i;
    return -1;
}

void TControlStrings::SetSorted(bool Value) {
    if (FSorted == Value) return;
    FSorted = Value;
    if (Value) Sort();
}

void TControlStrings::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const TItem& a, const TItem& b) { return CompareStrings(a.S, b.S) < 0; });
    Notify(chReset, -1);
}

void TControlStrings::SetUpdateState(bool Updating) {
    if (OnUpdateState) OnUpdateState(Updating);
}

// ================================================================================================
// TCustomListBox

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(New<TControlStrings>()), FCanvas(New<TCanvas>()) {
    // No csClickEvents: OnClick comes from a change of the selection, as the list's notification.
    FControlStyle = {csSetCaption, csDoubleClicks, csOpaque};
    FWidth = 121;
    FHeight = 97;
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
    FItems->OnItemsChange = [this](TControlStrings::TChange C, int I) { ItemsChanged(C, I); };
    FItems->OnUpdateState = [this](bool U) {
        if (FHandle) FHandle->setUpdatesEnabled(!U);
    };
}

TCustomListBox::~TCustomListBox() = default;

QListWidget* TCustomListBox::List() const { return static_cast<QListWidget*>(FHandle); }

QWidget* TCustomListBox::CreateWidget(QWidget* ParentWidget) {
    auto* w = new TQtHost<QListWidget>(this, ParentWidget);
    RouteViewportMouse(w, w->viewport(), this);
    return w;
}

void TCustomListBox::InitWidget() {
    QListWidget* l = List();
    ++FSyncing;
    l->setUniformItemSizes(true);
    l->setEditTriggers(QAbstractItemView::NoEditTriggers);
    l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ApplySelectionMode();
    if (FStyle != lbStandard)
        l->setItemDelegate(new TOwnerDrawDelegate(
            l, [this](HDC DC, int I, const TRect& R, TOwnerDrawState S) { DrawItemTo(DC, I, R, S); },
            [this] { return FItemHeight; }));
    FillWidget();
    if (FMultiSelect) {
        for (int i : FSavedSelected)
            if (i < l->count()) l->item(i)->setSelected(true);
        if (FItemIndex >= 0 && FItemIndex < l->count())
            l->setCurrentRow(FItemIndex, QItemSelectionModel::NoUpdate);
    } else if (FItemIndex >= 0 && FItemIndex < l->count()) {
        l->setCurrentRow(FItemIndex);
    }
    --FSyncing;
    TWinControl::InitWidget();
    if (FTopIndex > 0) SetTopIndex(FTopIndex);
    // The user changed the selection (mouse or keys): the list's notification, OnClick.
    QObject::connect(l, &QListWidget::itemSelectionChanged, l, [this] {
        if (!FSyncing) GuardedCall(this, [this] { UserSelectionChanged(); });
    });
    QObject::connect(l, &QListWidget::itemDoubleClicked, l, [this](QListWidgetItem*) {
        GuardedCall(this, [this] { DblClick(); });
    });
}

void TCustomListBox::DestroyWnd() {
    QListWidget* l = List();
    FItemIndex = l->currentRow();
    FSavedSelected.clear();
    for (int i = 0; i < l->count(); ++i)
        if (l->item(i)->isSelected()) FSavedSelected.push_back(i);
    FTopIndex = TopIndex();
    TWinControl::DestroyWnd();
}

void TCustomListBox::UserSelectionChanged() { Click(); }

void TCustomListBox::FillWidget() {
    QListWidget* l = List();
    l->clear();
    for (int i = 0; i < FItems->Count(); ++i) l->addItem(FItems->Strings(i));
}

void TCustomListBox::ItemsChanged(TControlStrings::TChange C, int Index) {
    if (!FHandle) {
        // Keep the remembered current item on the same string.
        if (C == TControlStrings::chInsert && FItemIndex >= Index) ++FItemIndex;
        else if (C == TControlStrings::chDelete && FItemIndex >= Index) FItemIndex = FItemIndex == Index ? -1 : FItemIndex - 1;
        else if (C == TControlStrings::chReset) FItemIndex = -1;
        if (C != TControlStrings::chPut) FSavedSelected.clear();
        return;
    }
    QListWidget* l = List();
    ++FSyncing;
    switch (C) {
    case TControlStrings::chInsert: l->insertItem(Index, FItems->Strings(Index)); break;
    case TControlStrings::chDelete: delete l->takeItem(Index); break;
    case TControlStrings::chPut: l->item(Index)->setText(FItems->Strings(Index)); break;
    case TControlStrings::chReset: FillWidget(); break;
    }
    --FSyncing;
}

void TCustomListBox::ApplySelectionMode() {
    if (!FHandle) return;
    QAbstractItemView::SelectionMode m = QAbstractItemView::SingleSelection;
    if (FMultiSelect) m = FExtendedSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::MultiSelection;
    List()->setSelectionMode(m);
}

int TCustomListBox::ItemIndex() const {
    if (!FHandle) return FItemIndex;
    QListWidget* l = List();
    if (!FMultiSelect) {
        int r = l->currentRow();
        return r >= 0 && l->item(r)->isSelected() ? r : -1;
    }
    return l->currentRow();
}

void TCustomListBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= Count()) Value = -1;
    if (!FHandle) {
        FItemIndex = Value;
        if (!FMultiSelect) FSavedSelected.clear();
        return;
    }
    ++FSyncing;
    QListWidget* l = List();
    if (FMultiSelect) {
        l->setCurrentRow(Value, QItemSelectionModel::NoUpdate);
        if (Value >= 0) l->scrollToItem(l->item(Value));
    } else if (Value < 0) {
        l->clearSelection();
        l->setCurrentRow(-1);
    } else {
        l->setCurrentRow(Value, QItemSelectionModel::ClearAndSelect);
        l->scrollToItem(l->item(Value));
    }
    --FSyncing;
}

void TCustomListBox::SetMultiSelect(bool Value) {
    if (FMultiSelect == Value) return;
    FMultiSelect = Value;
    ApplySelectionMode();
}

void TCustomListBox::SetExtendedSelect(bool Value) {
    if (FExtendedSelect == Value) return;
    FExtendedSelect = Value;
    ApplySelectionMode();
}

bool TCustomListBox::Selected(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    if (!FHandle) {
        if (!FMultiSelect) return Index == FItemIndex;
        return std::find(FSavedSelected.begin(), FSavedSelected.end(), Index) != FSavedSelected.end();
    }
    return List()->item(Index)->isSelected();
}

void TCustomListBox::SetSelected(int Index, bool Value) {
    if (Index < 0 || Index >= Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    if (!FMultiSelect) {
        if (Value) SetItemIndex(Index);
        else if (ItemIndex() == Index) SetItemIndex(-1);
        return;
    }
    if (!FHandle) {
        auto it = std::find(FSavedSelected.begin(), FSavedSelected.end(), Index);
        if (Value && it == FSavedSelected.end()) FSavedSelected.push_back(Index);
        if (!Value && it != FSavedSelected.end()) FSavedSelected.erase(it);
        return;
    }
    ++FSyncing;
    List()->item(Index)->setSelected(Value);
    --FSyncing;
}

int TCustomListBox::SelCount() const {
    if (!FMultiSelect) return -1;
    if (!FHandle) return static_cast<int>(FSavedSelected.size());
    return static_cast<int>(List()->selectedItems().size());
}

void TCustomListBox::SelectAll() {
    if (!FMultiSelect) return;
    for (int i = 0; i < Count(); ++i) SetSelected(i, true);
}

void TCustomListBox::ClearSelection() {
    if (!FMultiSelect) {
        SetItemIndex(-1);
        return;
    }
    for (int i = 0; i < Count(); ++i) SetSelected(i, false);
}

void TCustomListBox::DeleteSelected() {
    if (!FMultiSelect) {
        if (int i = ItemIndex(); i >= 0) FItems->Delete(i);
        return;
    }
    for (int i = Count() - 1; i >= 0; --i)
        if (Selected(i)) FItems->Delete(i);
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    RecreateWnd();
}

int TCustomListBox::ItemHeight() const {
    if (FStyle == lbStandard && FHandle && Count() > 0) return List()->sizeHintForRow(0);
    return FItemHeight;
}

void TCustomListBox::SetItemHeight(int Value) {
    if (Value <= 0 || FItemHeight == Value) return;
    FItemHeight = Value;
    if (FHandle && FStyle != lbStandard) RecreateWnd();
}

int TCustomListBox::TopIndex() const {
    if (!FHandle) return FTopIndex;
    QModelIndex i = List()->indexAt(QPoint(1, 1));
    return i.isValid() ? i.row() : 0;
}

void TCustomListBox::SetTopIndex(int Value) {
    if (!FHandle) {
        FTopIndex = std::max(0, Value);
        return;
    }
    QListWidget* l = List();
    if (Value < 0 || Value >= l->count()) return;
    // The scroll bar counts items (per-item scrolling).
    l->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    l->verticalScrollBar()->setValue(Value);
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) const {
    if (FHandle) {
        QListWidget* l = List();
        if (l->viewport()->rect().contains(Pos.ToQPoint())) {
            QModelIndex i = l->indexAt(Pos.ToQPoint());
            if (i.isValid()) return i.row();
        }
    } else {
        int h = FItemHeight;
        if (Pos.X >= 0 && Pos.X < FWidth && Pos.Y >= 0 && h > 0) {
            int i = FTopIndex + Pos.Y / h;
            if (i < Count()) return i;
        }
    }
    return Existing ? -1 : Count();
}

TRect TCustomListBox::ItemRect(int Index) const {
    if (FHandle && Index >= 0 && Index < Count()) return TRect::FromQRect(List()->visualItemRect(List()->item(Index)));
    int h = ItemHeight();
    return Bounds(0, (Index - TopIndex()) * h, ClientWidth(), h);
}

void TCustomListBox::DrawItemTo(HDC DC, int Index, const TRect& Rect, TOwnerDrawState State) {
    GuardedCall(this, [&] {
        FCanvas->Lock();
        FCanvas->SetHandle(DC);
        try {
            PrepareItemCanvas(FCanvas.get(), this, State);
            DrawItem(Index, Rect, State);
            if (State.Contains(odFocused)) DC->DrawFocusRect(Rect);
        } catch (...) {
            FCanvas->SetHandle(nullptr);
            FCanvas->Unlock();
            throw;
        }
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
    });
}

void TCustomListBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
    if (OnDrawItem) OnDrawItem(this, Index, Rect, State);
    else DefaultDrawItem(FCanvas.get(), Rect, Index < Count() ? FItems->Strings(Index) : String());
}

void TCustomListBox::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    }
    TWinControl::Dispatch(Message);
}

// ================================================================================================
// TCustomComboBox

namespace {
class TComboHost : public TQtHost<QComboBox> {
public:
    TComboHost(TCustomComboBox* C, QWidget* Parent) : TQtHost<QComboBox>(C, Parent) {}
    void showPopup() override {
        if (auto* c = static_cast<TCustomComboBox*>(Control)) c->DoDropDown();
        QComboBox::showPopup();
    }
    void hidePopup() override {
        bool wasOpen = view() && view()->isVisible();
        QComboBox::hidePopup();
        if (auto* c = static_cast<TCustomComboBox*>(Control); c && wasOpen) c->DoCloseUp();
    }
};
}  // namespace

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(New<TControlStrings>()), FCanvas(New<TCanvas>()) {
    FControlStyle = {csCaptureMouse, csSetCaption, csDoubleClicks, csFixedHeight};
    FWidth = 145;
    FHeight = 21;
    FTabStop = true;
    FColor = clWindow;
    FParentColor = false;
    FItems->OnItemsChange = [this](TControlStrings::TChange C, int I) { ItemsChanged(C, I); };
}

TCustomComboBox::~TCustomComboBox() = default;

QComboBox* TCustomComboBox::Combo() const { return static_cast<QComboBox*>(FHandle); }

QWidget* TCustomComboBox::CreateWidget(QWidget* ParentWidget) { return new TComboHost(this, ParentWidget); }

void TCustomComboBox::InitWidget() {
    QComboBox* c = Combo();
    ++FSyncing;
    c->setEditable(Editable());
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMaxVisibleItems(std::max(1, FDropDownCount));
    if (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable)
        c->setItemDelegate(new TOwnerDrawDelegate(
            c, [this](HDC DC, int I, const TRect& R, TOwnerDrawState S) { DrawItemTo(DC, I, R, S); },
            [this] { return FItemHeight; }));
    FillWidget();
    c->setCurrentIndex(FItemIndex < c->count() ? FItemIndex : -1);
    if (QLineEdit* e = c->lineEdit()) {
        e->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
        e->setText(FText);
        QObject::connect(e, &QLineEdit::textEdited, c, [this](const QString&) {
            if (!FSyncing) GuardedCall(this, [this] { Change(); });
        });
    }
    --FSyncing;
    TWinControl::InitWidget();
    QObject::connect(c, &QComboBox::activated, c, [this](int Index) {
        if (!FSyncing) GuardedCall(this, [this, Index] { DoSelectItem(Index); });
    });
}

void TCustomComboBox::DestroyWnd() {
    QComboBox* c = Combo();
    FItemIndex = c->currentIndex();
    FText = c->lineEdit() ? c->lineEdit()->text() : c->currentText();
    FDroppedDown = false;
    TWinControl::DestroyWnd();
}

void TCustomComboBox::FillWidget() {
    QComboBox* c = Combo();
    String text = c->lineEdit() ? c->lineEdit()->text() : String();
    c->clear();
    for (int i = 0; i < FItems->Count(); ++i) c->addItem(FItems->Strings(i));
    c->setCurrentIndex(-1);
    if (c->lineEdit()) c->lineEdit()->setText(text);
}

void TCustomComboBox::ItemsChanged(TControlStrings::TChange C, int Index) {
    if (!FHandle) {
        if (C == TControlStrings::chInsert && FItemIndex >= Index) ++FItemIndex;
        else if (C == TControlStrings::chDelete && FItemIndex >= Index) FItemIndex = FItemIndex == Index ? -1 : FItemIndex - 1;
        else if (C == TControlStrings::chReset) FItemIndex = -1;
        return;
    }
    QComboBox* c = Combo();
    ++FSyncing;
    String text = c->lineEdit() ? c->lineEdit()->text() : String();
    switch (C) {
    case TControlStrings::chInsert: c->insertItem(Index, FItems->Strings(Index)); break;
    case TControlStrings::chDelete: c->removeItem(Index); break;
    case TControlStrings::chPut: c->setItemText(Index, FItems->Strings(Index)); break;
    case TControlStrings::chReset: FillWidget(); break;
    }
    // The edit part keeps what it showed; only the list changed.
    if (c->lineEdit() && c->lineEdit()->text() != text) c->lineEdit()->setText(text);
    --FSyncing;
}

int TCustomComboBox::ItemIndex() const { return FHandle ? Combo()->currentIndex() : FItemIndex; }

void TCustomComboBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= FItems->Count()) Value = -1;
    if (!FHandle) {
        FItemIndex = Value;
        FText = Value >= 0 ? FItems->Strings(Value) : String();
        return;
    }
    ++FSyncing;
    QComboBox* c = Combo();
    c->setCurrentIndex(Value);
    if (c->lineEdit()) c->lineEdit()->setText(Value >= 0 ? FItems->Strings(Value) : String());
    --FSyncing;
}

String TCustomComboBox::GetText() const {
    if (!FHandle) return FText;
    QComboBox* c = Combo();
    return c->lineEdit() ? c->lineEdit()->text() : c->currentText();
}

void TCustomComboBox::SetTextValue(const String& Value) {
    String v = ApplyCase(Value);
    if (FMaxLength > 0 && Editable()) v = v.left(FMaxLength);
    if (!Editable()) {
        // A drop-down list shows only its items: the text selects the item that has it.
        int i = FItems->IndexOf(v);
        if (i >= 0) SetItemIndex(i);
        return;
    }
    if (!FHandle) {
        FText = v;
        return;
    }
    ++FSyncing;
    Combo()->lineEdit()->setText(v);
    --FSyncing;
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
    if (FStyle == Value) return;
    FStyle = Value;
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int Value) {
    FDropDownCount = Value;
    if (FHandle) Combo()->setMaxVisibleItems(std::max(1, Value));
}

bool TCustomComboBox::DroppedDown() const { return FDroppedDown; }

void TCustomComboBox::SetDroppedDown(bool Value) {
    if (!FHandle || Value == FDroppedDown) return;
    if (Value) Combo()->showPopup();
    else Combo()->hidePopup();
}

void TCustomComboBox::SetCharCase(TEditCharCase Value) {
    if (FCharCase == Value) return;
    FCharCase = Value;
    if (Editable()) SetTextValue(GetText());
}

String TCustomComboBox::ApplyCase(const String& S) const {
    switch (FCharCase) {
    case ecUpperCase: return AnsiUpperCase(S);
    case ecLowerCase: return AnsiLowerCase(S);
    default: return S;
    }
}

void TCustomComboBox::SetMaxLength(int Value) {
    FMaxLength = std::max(0, Value);
    if (FHandle && Combo()->lineEdit()) Combo()->lineEdit()->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
}

void TCustomComboBox::SetItemHeight(int Value) {
    if (Value <= 0 || FItemHeight == Value) return;
    FItemHeight = Value;
    if (FHandle && (FStyle == csOwnerDrawFixed || FStyle == csOwnerDrawVariable)) RecreateWnd();
}

int TCustomComboBox::SelStart() const {
    if (!FHandle || !Combo()->lineEdit()) return 0;
    QLineEdit* e = Combo()->lineEdit();
    return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
}

void TCustomComboBox::SetSelStart(int Value) {
    if (FHandle && Combo()->lineEdit()) Combo()->lineEdit()->setCursorPosition(Value);
}

int TCustomComboBox::SelLength() const {
    if (!FHandle || !Combo()->lineEdit()) return 0;
    return static_cast<int>(Combo()->lineEdit()->selectedText().size());
}

void TCustomComboBox::SetSelLength(int Value) {
    if (FHandle && Combo()->lineEdit()) Combo()->lineEdit()->setSelection(SelStart(), Value);
}

String TCustomComboBox::SelText() const {
    if (!FHandle || !Combo()->lineEdit()) return String();
    return Combo()->lineEdit()->selectedText();
}

void TCustomComboBox::SelectAll() {
    if (FHandle && Combo()->lineEdit()) Combo()->lineEdit()->selectAll();
}

void TCustomComboBox::Clear() {
    FItems->Clear();
    SetItemIndex(-1);
    if (Editable()) SetTextValue(String());
}

void TCustomComboBox::KeyPress(Char& Key) {
    TWinControl::KeyPress(Key);
    if (Key.isNull() || FCharCase == ecNormal || Key.unicode() < 32) return;
    Key = FCharCase == ecUpperCase ? Key.toUpper() : Key.toLower();
}

void TCustomComboBox::DoDropDown() {
    GuardedCall(this, [this] {
        FDroppedDown = true;
        DropDown();
    });
}

void TCustomComboBox::DoCloseUp() {
    GuardedCall(this, [this] {
        FDroppedDown = false;
        CloseUp();
    });
}

void TCustomComboBox::DoSelectItem(int Index) {
    if (Index < 0 || Index >= FItems->Count()) return;
    if (FHandle && Combo()->currentIndex() != Index) {
        ++FSyncing;
        Combo()->setCurrentIndex(Index);
        --FSyncing;
    }
    if (!FHandle) {
        FItemIndex = Index;
        FText = FItems->Strings(Index);
    } else if (Combo()->lineEdit()) {
        ++FSyncing;
        Combo()->lineEdit()->setText(FItems->Strings(Index));
        --FSyncing;
    }
    Click();
    Select();
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect) OnSelect(this);
    else Change();
}

void TCustomComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::DrawItemTo(HDC DC, int Index, const TRect& Rect, TOwnerDrawState State) {
    GuardedCall(this, [&] {
        FCanvas->Lock();
        FCanvas->SetHandle(DC);
        try {
            PrepareItemCanvas(FCanvas.get(), this, State);
            DrawItem(Index, Rect, State);
        } catch (...) {
            FCanvas->SetHandle(nullptr);
            FCanvas->Unlock();
            throw;
        }
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
    });
}

void TCustomComboBox::DrawItem(int Index, const TRect& Rect, TOwnerDrawState State) {
    if (OnDrawItem) OnDrawItem(this, Index, Rect, State);
    else DefaultDrawItem(FCanvas.get(), Rect, Index >= 0 && Index < FItems->Count() ? FItems->Strings(Index) : String());
}

void TCustomComboBox::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    }
    TWinControl::Dispatch(Message);
    // The edit part of a combo box selects its text when the combo box is entered, as an edit's.
    if (Message.Msg == CM_ENTER) SelectAll();
}
