#include "platform/dbctrls/dbgrids.h"

#include "platform/gui/dialogs.h"
#include "platform/gui/drawtext.h"
#include "platform/gui/forms.h"
#include "platform/rtl/sysutils.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QWidget>

#include <algorithm>

namespace {

constexpr int IndicatorWidth = 11;
constexpr int DefaultColumnWidth = 64;
const char* const SDeleteRecordQuestion = "Delete record?";

// Text measurement outside painting, with a font at the screen's resolution.
class TMeasure {
public:
    explicit TMeasure(TFont* Font) {
        FCanvas.SetHandle(&FDC);
        FCanvas.Font()->Assign(Font);
    }
    ~TMeasure() { FCanvas.SetHandle(nullptr); }
    int Width(const String& S) { return FCanvas.TextWidth(S); }
    int Height() { return FCanvas.TextHeight(QStringLiteral("Wg")); }

private:
    TMeasureDC FDC;
    TCanvas FCanvas;
};

// The framework's cell text: DX pixels in from the side the alignment names, DY from the top,
// clipped to the cell and on an opaque background.
void WriteText(TCanvas* Canvas, const TRect& R, int DX, int DY, const String& Text, TAlignment Alignment) {
    int left;
    switch (Alignment) {
    case taRightJustify: left = R.Right - Canvas->TextWidth(Text) - 3; break;
    case taCenter: left = R.Left + R.Width() / 2 - Canvas->TextWidth(Text) / 2; break;
    default: left = R.Left + DX; break;
    }
    Canvas->TextRect(R, left, R.Top + DY, Text);
}

// The focus went to this widget, or to one of its children.
bool FocusInside(QWidget* W) {
    QWidget* f = QApplication::focusWidget();
    return W && f && (f == W || W->isAncestorOf(f));
}

}  // namespace

// ================================================================================================
// TColumnTitle

TColumnTitle::TColumnTitle(TColumn* Column) : FColumn(Column), FFont(New<TFont>()) {
    FFont->OnChange = TNotifyEvent(this, &TColumnTitle::FontChanged);
}

TColumnTitle::~TColumnTitle() = default;

String TColumnTitle::Caption() const {
    if (FColumn->FAssignedValues.Contains(cvTitleCaption)) return FCaption;
    if (TField* f = FColumn->Field()) return f->DisplayLabel();
    return FColumn->FieldName();
}

void TColumnTitle::SetCaption(const String& Value) {
    FCaption = Value;
    FColumn->FAssignedValues.Include(cvTitleCaption);
    FColumn->Changed(false);
}

TAlignment TColumnTitle::Alignment() const {
    return FColumn->FAssignedValues.Contains(cvTitleAlignment) ? FAlignment : taLeftJustify;
}

void TColumnTitle::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    FColumn->FAssignedValues.Include(cvTitleAlignment);
    FColumn->Changed(false);
}

TColor TColumnTitle::Color() const {
    if (FColumn->FAssignedValues.Contains(cvTitleColor)) return FColor;
    TCustomDBGrid* g = FColumn->Grid();
    return g ? g->FixedColor() : clBtnFace;
}

void TColumnTitle::SetColor(TColor Value) {
    FColor = Value;
    FColumn->FAssignedValues.Include(cvTitleColor);
    FColumn->Changed(false);
}

void TColumnTitle::RefreshDefaultFont() {
    if (FColumn->FAssignedValues.Contains(cvTitleFont)) return;
    TCustomDBGrid* g = FColumn->Grid();
    if (!g) return;
    FUpdatingFont = true;
    FFont->Assign(g->TitleFont());
    FUpdatingFont = false;
}

TFont* TColumnTitle::Font() {
    RefreshDefaultFont();
    return FFont.get();
}

void TColumnTitle::FontChanged(TObject*) {
    if (FUpdatingFont) return;
    FColumn->FAssignedValues.Include(cvTitleFont);
    FColumn->Changed(false);
}

void TColumnTitle::RestoreDefaults() {
    FColumn->FAssignedValues -= TColumnValues{cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont};
    FCaption.clear();
    RefreshDefaultFont();
    FColumn->Changed(false);
}

void TColumnTitle::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TColumnTitle*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    TColumnValues v = s->FColumn->FAssignedValues;
    if (v.Contains(cvTitleCaption)) SetCaption(s->FCaption);
    if (v.Contains(cvTitleAlignment)) SetAlignment(s->FAlignment);
    if (v.Contains(cvTitleColor)) SetColor(s->FColor);
    if (v.Contains(cvTitleFont)) FFont->Assign(s->FFont.get());
}

// ================================================================================================
// TColumn

TColumn::TColumn(TCollection* Collection)
    : TCollectionItem(Collection), FTitle(New<TColumnTitle>(this)), FFont(New<TFont>()) {
    FFont->OnChange = TNotifyEvent(this, &TColumn::FontChanged);
}

TColumn::~TColumn() = default;

TCustomDBGrid* TColumn::Grid() const {
    auto* c = dynamic_cast<TDBGridColumns*>(Collection());
    return c ? c->Grid() : nullptr;
}

void TColumn::SetFieldName(const String& Value) {
    if (FFieldName == Value) return;
    FFieldName = Value;
    FField = nullptr;
    Changed(false);
}

TField* TColumn::Field() {
    if (!FField && !FFieldName.isEmpty()) {
        TCustomDBGrid* g = Grid();
        if (g && g->DataLink()->Active()) FField = g->DataLink()->DataSet()->FindField(FFieldName);
    }
    return FField;
}

void TColumn::SetField(TField* Value) {
    if (FField == Value) return;
    FField = Value;
    if (Value) FFieldName = Value->FieldName();
    Changed(false);
}

int TColumn::DefaultWidth() {
    TCustomDBGrid* g = Grid();
    TField* f = Field();
    if (!g || !f) return DefaultColumnWidth;
    int w;
    {
        TMeasure m(Font());
        w = f->DisplayWidth() * m.Width(QStringLiteral("0"));
    }
    if (g->Options().Contains(dgTitles)) {
        TMeasure m(FTitle->Font());
        w = std::max(w, m.Width(FTitle->Caption()));
    }
    return w + 4;
}

int TColumn::Width() { return FAssignedValues.Contains(cvWidth) ? FWidth : DefaultWidth(); }

void TColumn::SetWidth(int Value) {
    FWidth = std::max(Value, 0);
    FAssignedValues.Include(cvWidth);
    Changed(false);
}

void TColumn::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    Changed(true);
}

TColor TColumn::Color() const {
    if (FAssignedValues.Contains(cvColor)) return FColor;
    TCustomDBGrid* g = Grid();
    return g ? g->Color() : clWindow;
}

void TColumn::SetColor(TColor Value) {
    FColor = Value;
    FAssignedValues.Include(cvColor);
    Changed(false);
}

void TColumn::RefreshDefaultFont() {
    if (FAssignedValues.Contains(cvFont)) return;
    TCustomDBGrid* g = Grid();
    if (!g) return;
    FUpdatingFont = true;
    FFont->Assign(g->Font());
    FUpdatingFont = false;
}

TFont* TColumn::Font() {
    RefreshDefaultFont();
    return FFont.get();
}

void TColumn::FontChanged(TObject*) {
    if (FUpdatingFont) return;
    FAssignedValues.Include(cvFont);
    Changed(false);
}

TAlignment TColumn::Alignment() {
    if (FAssignedValues.Contains(cvAlignment)) return FAlignment;
    TField* f = Field();
    return f ? f->Alignment() : taLeftJustify;
}

void TColumn::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    FAssignedValues.Include(cvAlignment);
    Changed(false);
}

bool TColumn::ReadOnly() {
    if (FAssignedValues.Contains(cvReadOnly) && FReadOnly) return true;
    TField* f = Field();
    return f && f->ReadOnly();
}

void TColumn::SetReadOnly(bool Value) {
    FReadOnly = Value;
    FAssignedValues.Include(cvReadOnly);
    Changed(false);
}

String TColumn::DisplayText() {
    TField* f = Field();
    return f ? f->DisplayText() : String();
}

void TColumn::RestoreDefaults() {
    FAssignedValues -= TColumnValues{cvColor, cvWidth, cvFont, cvAlignment, cvReadOnly};
    RefreshDefaultFont();
    FTitle->RestoreDefaults();
    Changed(false);
}

void TColumn::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TColumn*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    SetFieldName(s->FFieldName);
    TColumnValues v = s->FAssignedValues;
    if (v.Contains(cvColor)) SetColor(s->FColor);
    if (v.Contains(cvWidth)) SetWidth(s->FWidth);
    if (v.Contains(cvFont)) FFont->Assign(s->FFont.get());
    if (v.Contains(cvAlignment)) SetAlignment(s->FAlignment);
    if (v.Contains(cvReadOnly)) SetReadOnly(s->FReadOnly);
    SetVisible(s->FVisible);
    FTitle->Assign(s->FTitle.get());
}

String TColumn::GetDisplayName() { return FFieldName.isEmpty() ? ClassName() : FFieldName; }

// ================================================================================================
// TDBGridColumns

TDBGridColumns::TDBGridColumns(TCustomDBGrid* Grid, TClass ColumnClass) : TCollection(ColumnClass), FGrid(Grid) {}

TPersistent* TDBGridColumns::GetOwner() { return FGrid; }

TDBGridColumnsState TDBGridColumns::State() const {
    return Count() > 0 && Items(0)->FStored ? csCustomized : csDefault;
}

TColumn* TDBGridColumns::Add() {
    // The caller's columns replace the ones made from the fields.
    if (!FGrid->FRebuilding && Count() > 0 && State() == csDefault) {
        FGrid->FRebuilding = true;
        Clear();
        FGrid->FRebuilding = false;
    }
    auto* c = static_cast<TColumn*>(TCollection::Add());
    c->FStored = !FGrid->FRebuilding;
    return c;
}

void TDBGridColumns::SetState(TDBGridColumnsState Value) {
    if (Value == State()) return;
    if (Value == csDefault) {
        FGrid->FRebuilding = true;
        Clear();
        FGrid->FRebuilding = false;
        FGrid->LayoutChanged();
    } else {
        RebuildColumns();
    }
}

void TDBGridColumns::RebuildColumns() {
    BeginUpdate();
    try {
        FGrid->FRebuilding = true;
        Clear();
        FGrid->FRebuilding = false;
        if (FGrid->DataLink()->Active())
            for (TField* f : *FGrid->DataLink()->DataSet()->Fields())
                if (f->Visible()) Add()->SetFieldName(f->FieldName());
    } catch (...) {
        FGrid->FRebuilding = false;
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TDBGridColumns::RestoreDefaults() {
    BeginUpdate();
    for (int i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
    EndUpdate();
}

void TDBGridColumns::Update(TCollectionItem*) {
    if (!FGrid->FRebuilding) FGrid->LayoutChanged();
}

// ================================================================================================
// TGridDataLink

TGridDataLink::TGridDataLink(TCustomDBGrid* Grid) : FGrid(Grid) { SetVisualControl(true); }

void TGridDataLink::Reset() {
    if (FModified)
        RecordChanged(nullptr);
    else if (DataSet())
        DataSet()->Cancel();
}

void TGridDataLink::ActiveChanged() {
    FGrid->LinkActive(Active());
    FModified = false;
}

void TGridDataLink::DataSetChanged() {
    FGrid->DataChanged();
    FModified = false;
}

void TGridDataLink::DataSetScrolled(int Distance) { FGrid->Scroll(Distance); }

void TGridDataLink::FocusControl(TField** Field) {
    if (!Field || !*Field || !FGrid->CanFocus()) return;
    for (TColumn* c : FGrid->FVisibleColumns) {
        if (c->Field() == *Field) {
            FGrid->SetSelectedIndex(c->Index());
            *Field = nullptr;
            FGrid->SetFocus();
            return;
        }
    }
}

void TGridDataLink::EditingChanged() { FGrid->EditingChanged(); }

void TGridDataLink::LayoutChanged() {
    FGrid->LayoutChanged();
    TDataLink::LayoutChanged();
}

void TGridDataLink::RecordChanged(TField* Field) {
    // The record's values replace whatever the editor held.
    FModified = false;
    FGrid->RecordChanged(Field);
}

void TGridDataLink::UpdateData() {
    if (FInUpdateData) return;
    if (!FModified) return;
    FInUpdateData = true;
    try {
        FGrid->UpdateData();
    } catch (...) {
        FInUpdateData = false;
        throw;
    }
    FInUpdateData = false;
    FModified = false;
}

// ================================================================================================
// TBookmarkList

int TBookmarkList::IndexOf(const TBookmark& Item) const {
    TDataSet* ds = FGrid->DataLink()->DataSet();
    for (size_t i = 0; i < FList.size(); ++i)
        if (ds ? ds->CompareBookmarks(FList[i], Item) == 0 : FList[i] == Item) return static_cast<int>(i);
    return -1;
}

bool TBookmarkList::CurrentRowSelected() const {
    if (!FGrid->DataLink()->Active() || FList.empty()) return false;
    TDataSet* ds = FGrid->DataLink()->DataSet();
    if (ds->IsEmpty()) return false;
    return IndexOf(ds->GetBookmark()) >= 0;
}

void TBookmarkList::SetCurrentRowSelected(bool Value) {
    if (!FGrid->DataLink()->Active()) return;
    TDataSet* ds = FGrid->DataLink()->DataSet();
    if (ds->IsEmpty()) return;
    TBookmark bm = ds->GetBookmark();
    int i = IndexOf(bm);
    if (Value && i < 0)
        FList.push_back(bm);
    else if (!Value && i >= 0)
        FList.erase(FList.begin() + i);
    else
        return;
    FGrid->Invalidate();
}

void TBookmarkList::Clear() {
    if (FList.empty()) return;
    FList.clear();
    FGrid->Invalidate();
}

void TBookmarkList::Delete() {
    TDataSet* ds = FGrid->DataLink()->DataSet();
    if (!ds) return;
    ds->DisableControls();
    try {
        while (!FList.empty()) {
            TBookmark bm = FList.back();
            if (ds->BookmarkValid(bm)) {
                ds->GotoBookmark(bm);
                ds->Delete();
            }
            FList.pop_back();
        }
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
}

// ================================================================================================
// TDBGridInplaceEdit

void TDBGridInplaceEdit::UpdateContents() {
    auto* g = static_cast<TCustomDBGrid*>(Grid());
    if (!g) return;
    SetEditMask(String());
    SetText(g->GetEditText(g->Col(), g->Row()));
    SetMaxLength(g->GetEditLimit());
    SetReadOnly(!g->CellCanModify());
    SelectAll();
}

bool TDBGridInplaceEdit::HostEvent(QEvent* Event) {
    auto* g = static_cast<TCustomDBGrid*>(Grid());
    if (Event->type() == QEvent::FocusOut && g) {
        Qt::FocusReason r = static_cast<QFocusEvent*>(Event)->reason();
        if (r != Qt::PopupFocusReason && r != Qt::ActiveWindowFocusReason &&
            !FocusInside(g->HandleAllocated() ? g->Handle() : nullptr))
            GuardedCall(g, [g] { g->GridExit(); });
    }
    return TInplaceEdit::HostEvent(Event);
}

// ================================================================================================
// TCustomDBGrid

TCustomDBGrid::TCustomDBGrid(TComponent* AOwner) : TCustomGrid(AOwner), FTitleFont(New<TFont>()) {
    FTitleFont->OnChange = TNotifyEvent(this, &TCustomDBGrid::TitleFontChanged);
}

TCustomDBGrid::~TCustomDBGrid() {
    FDataLink.reset();
    FColumns.reset();
}

void TCustomDBGrid::AfterConstruction() {
    TCustomGrid::AfterConstruction();
    FDataLink = NewOwned<TGridDataLink>(this);
    FSelectedRows = std::make_unique<TBookmarkList>(this);
    FColumns.reset(CreateColumns());
    TDBGridOptions o = FDBOptions;
    FDBOptions = {};
    SetOptions(o);
}

void TCustomDBGrid::BeforeDestruction() {
    // The grid stops listening before its parts go (no relayout on the way out).
    FRebuilding = true;
    if (FDataLink) FDataLink->SetDataSource(nullptr);
    TCustomGrid::BeforeDestruction();
}

TDBGridColumns* TCustomDBGrid::CreateColumns() { return New<TDBGridColumns>(this, TColumn::StaticClass()); }

TInplaceEdit* TCustomDBGrid::CreateEditor() { return New<TDBGridInplaceEdit>(this); }

void TCustomDBGrid::SetDataSource(TDataSource* Value) {
    if (Value == DataSource()) return;
    FSelectedRows->FList.clear();
    FDataLink->SetDataSource(Value);
    // A source whose dataset is closed, or none: the grid is empty.
    if (!FDataLink->Active()) LinkActive(false);
}

TField* TCustomDBGrid::Fields(int Index) const {
    if (Index < 0 || Index >= FieldCount()) return nullptr;
    return FVisibleColumns[static_cast<size_t>(Index)]->Field();
}

int TCustomDBGrid::SelectedIndex() const {
    if (!FColumns || FColumns->Count() == 0) return -1;
    return std::clamp(Col() - IndicatorOffset(), 0, FColumns->Count() - 1);
}

TColumn* TCustomDBGrid::SelectedColumn() const {
    int i = SelectedIndex();
    return i < 0 ? nullptr : FColumns->Items(i);
}

TField* TCustomDBGrid::SelectedField() const {
    TColumn* c = SelectedColumn();
    return c ? c->Field() : nullptr;
}

void TCustomDBGrid::SetSelectedField(TField* Value) {
    if (!Value) return;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Items(i)->Field() == Value) {
            SetSelectedIndex(i);
            return;
        }
}

void TCustomDBGrid::SetSelectedIndex(int Value) {
    if (Value < 0 || Value >= FColumns->Count() || !FColumns->Items(Value)->Visible()) return;
    MoveCol(Value + IndicatorOffset(), 0);
}

int TCustomDBGrid::ColumnToGridCol(int ColumnIndex) const {
    if (ColumnIndex < 0 || ColumnIndex >= FColumns->Count() || !FColumns->Items(ColumnIndex)->Visible()) return -1;
    return ColumnIndex + IndicatorOffset();
}

TColumn* TCustomDBGrid::GridColToColumn(int ACol) const {
    int i = ACol - IndicatorOffset();
    if (i < 0 || i >= FColumns->Count()) return nullptr;
    return FColumns->Items(i);
}

void TCustomDBGrid::SetOptions(TDBGridOptions Value) {
    if (Value.Contains(dgRowSelect)) Value -= TDBGridOptions{dgEditing, dgAlwaysShowEditor};
    bool multiWas = FDBOptions.Contains(dgMultiSelect);
    FDBOptions = Value;
    if (multiWas && !Value.Contains(dgMultiSelect)) FSelectedRows->FList.clear();
    TGridOptions g;
    if (Value.Contains(dgEditing)) g.Include(goEditing);
    if (Value.Contains(dgAlwaysShowEditor)) g.Include(goAlwaysShowEditor);
    if (Value.Contains(dgColLines)) g += TGridOptions{goVertLine, goFixedVertLine};
    if (Value.Contains(dgRowLines)) g += TGridOptions{goHorzLine, goFixedHorzLine};
    if (Value.Contains(dgColumnResize)) g += TGridOptions{goColSizing, goColMoving};
    if (Value.Contains(dgTabs)) g.Include(goTabs);
    if (Value.Contains(dgRowSelect)) g.Include(goRowSelect);
    if (!Value.Contains(dgEditing)) TCustomGrid::HideEditor();
    TCustomGrid::SetOptions(g);
    LayoutChanged();
}

void TCustomDBGrid::SetReadOnly(bool Value) {
    FReadOnly = Value;
    if (Value) TCustomGrid::HideEditor();
}

void TCustomDBGrid::TitleFontChanged(TObject*) { LayoutChanged(); }

void TCustomDBGrid::FontChanged() {
    TCustomGrid::FontChanged();
    LayoutChanged();
}

void TCustomDBGrid::Invalidate() {
    // While the dataset's controls are disabled the grid keeps what it shows.
    if (FDataLink && FDataLink->Active() && FDataLink->DataSet()->ControlsDisabled()) return;
    TCustomGrid::Invalidate();
}

bool TCustomDBGrid::HasFocus() const {
    return const_cast<TCustomDBGrid*>(this)->HandleAllocated() && FocusInside(const_cast<TCustomDBGrid*>(this)->Handle());
}

// ---- layout ------------------------------------------------------------------------------------

void TCustomDBGrid::LayoutChanged() {
    if (!FColumns || FRebuilding) return;
    InternalLayout();
}

void TCustomDBGrid::InternalLayout() {
    if (FLayoutLock) {
        FLayoutPending = true;
        return;
    }
    ++FLayoutLock;
    try {
        int selected = SelectedIndex();
        if (FColumns->State() == csDefault) {
            FColumns->BeginUpdate();
            FRebuilding = true;
            try {
                // Default columns follow the visible fields in their order; a column keeps what
                // was set on it as long as its field stays.
                std::vector<TField*> fields;
                if (FDataLink->Active())
                    for (TField* f : *FDataLink->DataSet()->Fields())
                        if (f->Visible()) fields.push_back(f);
                for (size_t i = 0; i < fields.size(); ++i) {
                    int found = -1;
                    for (int j = static_cast<int>(i); j < FColumns->Count() && found < 0; ++j)
                        if (AnsiCompareText(FColumns->Items(j)->FFieldName, fields[i]->FieldName()) == 0) found = j;
                    if (found < 0) {
                        TColumn* c = FColumns->Add();
                        c->FFieldName = fields[i]->FieldName();
                        found = c->Index();
                    }
                    if (found != static_cast<int>(i)) FColumns->Items(found)->SetIndex(static_cast<int>(i));
                }
                while (FColumns->Count() > static_cast<int>(fields.size())) FColumns->Delete(FColumns->Count() - 1);
            } catch (...) {
                FRebuilding = false;
                FColumns->EndUpdate();
                throw;
            }
            FColumns->EndUpdate();
            FRebuilding = false;
        }
        for (int i = 0; i < FColumns->Count(); ++i) FColumns->Items(i)->FField = nullptr;
        UpdateVisibleColumns();

        // The plain grid: one column per column (hidden ones without width), the fixed indicator
        // column and title row.
        int cols = IndicatorOffset() + std::max(1, FColumns->Count());
        SetColCount(std::max(cols, IndicatorOffset() + 1));
        SetFixedCols(IndicatorOffset());
        int rowH, titleH;
        {
            TMeasure m(Font());
            rowH = m.Height() + 3;
        }
        {
            TMeasure m(FTitleFont.get());
            titleH = std::max(m.Height() + 4, rowH);
        }
        FTitleRowHeight = titleH;
        if (DefaultRowHeight() != rowH) SetDefaultRowHeight(rowH);
        if (IndicatorOffset()) SetColWidths(0, IndicatorWidth);
        for (int i = 0; i < FColumns->Count(); ++i) {
            TColumn* c = FColumns->Items(i);
            SetColWidths(i + IndicatorOffset(), c->Visible() ? c->Width() : -1);
        }
        if (FColumns->Count() == 0) SetColWidths(IndicatorOffset(), DefaultColumnWidth);
        UpdateRowCount();
        // The selected column stays, or the first visible one is taken.
        if (selected < 0 || selected >= FColumns->Count() || !FColumns->Items(selected)->Visible())
            selected = FVisibleColumns.empty() ? 0 : FVisibleColumns.front()->Index();
        int col = selected + IndicatorOffset();
        if (col < ColCount() && col != Col()) MoveCurrent(col, Row(), true, false);
    } catch (...) {
        --FLayoutLock;
        throw;
    }
    --FLayoutLock;
    if (FLayoutPending) {
        FLayoutPending = false;
        InternalLayout();
        return;
    }
    InvalidateEditor();
    Invalidate();
}

void TCustomDBGrid::UpdateVisibleColumns() {
    FVisibleColumns.clear();
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Items(i)->Visible()) FVisibleColumns.push_back(FColumns->Items(i));
}

void TCustomDBGrid::UpdateRowCount() {
    int lh = FDBOptions.Contains(dgRowLines) ? GridLineWidth() : 0;
    int top = TitleOffset() ? FTitleRowHeight + lh : 0;
    int step = DefaultRowHeight() + lh;
    int rows = step > 0 ? (ClientHeight() - top) / step : 1;
    FDataRowCapacity = std::max(1, rows);
    if (FDataLink->Active() && FDataLink->BufferCount() != FDataRowCapacity) FDataLink->SetBufferCount(FDataRowCapacity);
    int records = FDataLink->Active() ? FDataLink->RecordCount() : 0;
    if (RowCount() <= TitleOffset()) SetRowCount(TitleOffset() + 1);
    SetFixedRows(TitleOffset());
    SetRowCount(TitleOffset() + std::max(1, records));
    if (TitleOffset()) SetRowHeights(0, FTitleRowHeight);
    if (TopRow() != FixedRows()) SetTopRow(FixedRows());
    UpdateActive();
}

// The current row of the plain grid is the data link's active record.
void TCustomDBGrid::UpdateActive() {
    if (!FDataLink->Active()) return;
    int newRow = FDataLink->ActiveRecord() + TitleOffset();
    if (newRow >= RowCount()) return;
    if (Row() != newRow) {
        if (!FDBOptions.Contains(dgAlwaysShowEditor)) TCustomGrid::HideEditor();
        MoveCurrent(Col(), newRow, true, false);
        InvalidateEditor();
    }
}

void TCustomDBGrid::Resize() {
    TCustomGrid::Resize();
    if (FDataLink) {
        UpdateRowCount();
        Invalidate();
    }
}

void TCustomDBGrid::ColWidthsChanged() {
    TCustomGrid::ColWidthsChanged();
    if (FLayoutLock || !FColumns) return;
    // The user sized a column: the column takes the width.
    ++FLayoutLock;
    try {
        for (int i = 0; i < FColumns->Count(); ++i) {
            int gc = i + IndicatorOffset();
            if (gc >= ColCount()) break;
            int w = ColWidths(gc);
            TColumn* c = FColumns->Items(i);
            if (c->Visible() && w > 0 && w != c->Width()) c->SetWidth(w);
        }
    } catch (...) {
        --FLayoutLock;
        throw;
    }
    --FLayoutLock;
    if (FLayoutPending) {
        FLayoutPending = false;
        InternalLayout();
    }
}

void TCustomDBGrid::ColumnMoved(int FromIndex, int ToIndex) {
    TCustomGrid::ColumnMoved(FromIndex, ToIndex);
    int from = FromIndex - IndicatorOffset(), to = ToIndex - IndicatorOffset();
    if (from < 0 || to < 0 || from >= FColumns->Count() || to >= FColumns->Count()) return;
    if (FColumns->State() == csDefault) {
        // Moving a column by hand makes the columns the caller's.
        for (int i = 0; i < FColumns->Count(); ++i) FColumns->Items(i)->FStored = true;
    }
    FColumns->Items(from)->SetIndex(to);
}

// ---- data link reactions ----------------------------------------------------------------------

void TCustomDBGrid::LinkActive(bool Value) {
    if (!Value) TCustomGrid::HideEditor();
    FSelectedRows->FList.clear();
    LayoutChanged();
    if (Value && FDBOptions.Contains(dgAlwaysShowEditor)) SetEditorMode(true);
}

void TCustomDBGrid::DataChanged() {
    UpdateRowCount();
    InvalidateEditor();
    Invalidate();
}

void TCustomDBGrid::Scroll(int Distance) {
    (void)Distance;
    UpdateRowCount();
    Invalidate();
}

void TCustomDBGrid::EditingChanged() {
    if (IndicatorOffset()) InvalidateCell(0, Row());
}

void TCustomDBGrid::RecordChanged(TField* Field) {
    // The editor shows the field's text again when the record changed under it (Esc, a value set
    // by code); a record that only went into edit state leaves the typing where it is.
    TField* f = SelectedField();
    if (f && (!Field || Field == f) && f->Text() != FEditText && FInplaceEdit && FInplaceCol >= 0) {
        InvalidateEditor();
        FInplaceEdit->SetSelStart(static_cast<int>(FInplaceEdit->Text().size()));
    }
    Invalidate();
}

void TCustomDBGrid::UpdateData() {
    TField* f = SelectedField();
    if (!f) return;
    if (FInplaceEdit && FInplaceCol >= 0) FEditText = FInplaceEdit->Text();
    f->SetText(FEditText);
}

void TCustomDBGrid::GridExit() {
    if (!FDataLink->Active()) return;
    TDataSet* ds = FDataLink->DataSet();
    if (FDBOptions.Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !FDataLink->IsModified())
        ds->Cancel();
    else
        FDataLink->UpdateRecord();
    Invalidate();
}

// ---- editing -----------------------------------------------------------------------------------

String TCustomDBGrid::GetEditText(int ACol, int ARow) {
    (void)ARow;
    FEditText.clear();
    if (FDataLink->Active())
        if (TColumn* c = GridColToColumn(ACol))
            if (TField* f = c->Field()) FEditText = f->Text();
    return FEditText;
}

void TCustomDBGrid::SetEditText(int ACol, int ARow, const String& Value) {
    (void)ACol;
    (void)ARow;
    FEditText = Value;
}

int TCustomDBGrid::GetEditLimit() {
    TField* f = SelectedField();
    return f && IsStringFieldType(f->DataType()) && !f->IsBlob() ? f->Size() : 0;
}

bool TCustomDBGrid::CanEditAcceptKey(Char Key) {
    TField* f = SelectedField();
    return !f || f->IsValidChar(Key);
}

bool TCustomDBGrid::CanModifyData() {
    return FDataLink->Active() && !FReadOnly && !FDataLink->ReadOnly() && FDBOptions.Contains(dgEditing) &&
           FDataLink->DataSet()->CanModify();
}

bool TCustomDBGrid::CanEditShow() {
    if (FLayoutLock || !FDataLink || !FDataLink->Active() || FReadOnly) return false;
    TColumn* c = SelectedColumn();
    if (!c || !c->Visible() || !c->Field()) return false;
    return TCustomGrid::CanEditShow();
}

bool TCustomDBGrid::CellCanModify() {
    if (FReadOnly || !FDataLink->Active() || FDataLink->ReadOnly()) return false;
    TColumn* c = SelectedColumn();
    if (!c || c->ReadOnly()) return false;
    TField* f = c->Field();
    return f && f->CanModify() && (!f->IsBlob() || f->OnSetText);
}

bool TCustomDBGrid::CanEditModify() {
    if (!CellCanModify()) return false;
    FDataLink->Edit();
    if (!FDataLink->Editing()) return false;
    FDataLink->Modified();
    return true;
}

void TCustomDBGrid::SetEditorMode(bool Value) {
    if (Value && (!FDBOptions.Contains(dgEditing) || !FDataLink->Active())) return;
    TCustomGrid::SetEditorMode(Value);
}

// ---- navigation --------------------------------------------------------------------------------

void TCustomDBGrid::MoveCol(int RawCol, int Direction) {
    if (FDataLink->Active()) FDataLink->UpdateRecord();
    if (RawCol >= ColCount()) RawCol = ColCount() - 1;
    if (RawCol < IndicatorOffset()) RawCol = IndicatorOffset();
    if (Direction != 0) {
        while (RawCol < ColCount() && RawCol >= IndicatorOffset() && ColWidths(RawCol) <= 0) RawCol += Direction;
        if (RawCol >= ColCount() || RawCol < IndicatorOffset()) return;
    }
    if (GridColToColumn(RawCol) == nullptr) return;
    int oldCol = Col();
    if (RawCol == oldCol) return;
    if (!FInColExit) {
        FInColExit = true;
        try {
            ColExit();
        } catch (...) {
            FInColExit = false;
            throw;
        }
        FInColExit = false;
        if (Col() != oldCol) return;
    }
    if (!FDBOptions.Contains(dgAlwaysShowEditor)) TCustomGrid::HideEditor();
    SetCol(RawCol);
    ColEnter();
}

void TCustomDBGrid::ClearSelection() {
    if (FDBOptions.Contains(dgMultiSelect)) FSelectedRows->Clear();
}

void TCustomDBGrid::NextRow(bool Select) {
    (void)Select;
    TDataSet* ds = FDataLink->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !FDataLink->IsModified()) {
        if (ds->Eof()) return;
        ds->Cancel();
    } else {
        FDataLink->MoveBy(1);
    }
    if (ds->Eof() && CanModifyData()) ds->Append();
}

void TCustomDBGrid::PriorRow(bool Select) {
    (void)Select;
    TDataSet* ds = FDataLink->DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && ds->Eof() && !FDataLink->IsModified())
        ds->Cancel();
    else
        FDataLink->MoveBy(-1);
}

void TCustomDBGrid::Tab(bool GoForward) {
    int first = -1, last = -1;
    for (TColumn* c : FVisibleColumns) {
        int gc = c->Index() + IndicatorOffset();
        if (first < 0) first = gc;
        last = gc;
    }
    if (first < 0) return;
    int c = Col();
    if (GoForward) {
        if (c < last) {
            MoveCol(c + 1, 1);
        } else {
            NextRow(false);
            MoveCol(first, 1);
        }
    } else {
        if (c > first) {
            MoveCol(c - 1, -1);
        } else if (!FDataLink->DataSet()->Bof()) {
            PriorRow(false);
            MoveCol(last, -1);
        }
    }
}

void TCustomDBGrid::ConfirmAndDelete() {
    TDataSet* ds = FDataLink->DataSet();
    if (FReadOnly || ds->IsEmpty() || !ds->CanModify()) return;
    if (FDBOptions.Contains(dgConfirmDelete) &&
        MessageDlg(QString::fromLatin1(SDeleteRecordQuestion), mtConfirmation, mbOKCancel, 0) != mrOk)
        return;
    if (FDBOptions.Contains(dgMultiSelect) && FSelectedRows->Count() > 0)
        FSelectedRows->Delete();
    else
        ds->Delete();
}

void TCustomDBGrid::KeyDown(Word& Key, TShiftState Shift) {
    // The data grid moves the dataset, not the plain grid's cells.
    TCustomControl::KeyDown(Key, Shift);
    if (Key == 0 || !FDataLink->Active()) return;
    TDataSet* ds = FDataLink->DataSet();
    int lastCol = ColCount() - 1;
    if (Shift.Contains(ssCtrl)) {
        switch (Key) {
        case VK_UP:
        case VK_PRIOR: FDataLink->MoveBy(-FDataLink->ActiveRecord()); break;
        case VK_DOWN:
        case VK_NEXT: FDataLink->MoveBy(FDataLink->BufferCount() - FDataLink->ActiveRecord() - 1); break;
        case VK_LEFT: MoveCol(IndicatorOffset(), 1); break;
        case VK_RIGHT: MoveCol(lastCol, -1); break;
        case VK_HOME: ClearSelection(); ds->First(); break;
        case VK_END: ClearSelection(); ds->Last(); break;
        case VK_DELETE: ConfirmAndDelete(); break;
        default: return;
        }
    } else {
        bool rowSelect = FDBOptions.Contains(dgRowSelect);
        switch (Key) {
        case VK_UP: ClearSelection(); PriorRow(true); break;
        case VK_DOWN: ClearSelection(); NextRow(true); break;
        case VK_LEFT:
            if (rowSelect) SetLeftCol(std::max(FixedCols(), LeftCol() - 1));
            else MoveCol(Col() - 1, -1);
            break;
        case VK_RIGHT:
            if (rowSelect) SetLeftCol(std::min(lastCol, LeftCol() + 1));
            else MoveCol(Col() + 1, 1);
            break;
        case VK_HOME:
            if (FieldCount() <= 1 || rowSelect) {
                ClearSelection();
                ds->First();
            } else {
                MoveCol(IndicatorOffset(), 1);
            }
            break;
        case VK_END:
            if (FieldCount() <= 1 || rowSelect) {
                ClearSelection();
                ds->Last();
            } else {
                MoveCol(lastCol, -1);
            }
            break;
        case VK_NEXT: ClearSelection(); FDataLink->MoveBy(FDataRowCapacity); break;
        case VK_PRIOR: ClearSelection(); FDataLink->MoveBy(-FDataRowCapacity); break;
        case VK_INSERT:
            if (CanModifyData()) {
                ClearSelection();
                ds->Insert();
            }
            break;
        case VK_TAB:
            if (!Shift.Contains(ssAlt)) Tab(!Shift.Contains(ssShift));
            break;
        case VK_ESCAPE:
            FDataLink->Reset();
            ClearSelection();
            if (!FDBOptions.Contains(dgAlwaysShowEditor)) TCustomGrid::HideEditor();
            break;
        case VK_F2: SetEditorMode(true); break;
        default: return;
        }
    }
    Key = 0;
}

void TCustomDBGrid::KeyPress(Char& Key) {
    if (Key == Char(13) && FDataLink->Active()) {
        TCustomControl::KeyPress(Key);
        if (Key.isNull()) return;
        if (EditorMode()) {
            FDataLink->UpdateRecord();
            if (!FDBOptions.Contains(dgAlwaysShowEditor)) TCustomGrid::HideEditor();
        } else {
            SetEditorMode(true);
        }
        Key = Char();
        return;
    }
    if (!FDataLink->Active() && Key.unicode() >= 32) {
        TCustomControl::KeyPress(Key);
        Key = Char();
        return;
    }
    TCustomGrid::KeyPress(Key);
}

void TCustomDBGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FTitlePressed = false;
    FDownCell = TGridCoord{-1, -1};
    TGridCoord cell = MouseCoord(X, Y);
    bool dataCell = cell.X >= IndicatorOffset() && cell.Y >= TitleOffset() && cell.X >= 0 && cell.Y >= 0;
    if (Shift.Contains(ssDouble)) {
        // The double click itself reached DblClick on its way here.
        TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (Button != mbLeft || !dataCell || !FDataLink->Active()) {
        // Titles (column sizing and moving), the indicator, double clicks: the plain grid.
        if (Button == mbLeft && !Shift.Contains(ssDouble) && cell.Y >= 0 && cell.Y < TitleOffset()) {
            FTitlePressed = true;
            FDownCell = cell;
        }
        if (Button == mbLeft && !Shift.Contains(ssDouble) && cell.X >= 0 && cell.X < IndicatorOffset() &&
            cell.Y >= TitleOffset() && FDataLink->Active()) {
            int row = cell.Y - TitleOffset();
            if (row < FDataLink->RecordCount() && row != FDataLink->ActiveRecord())
                FDataLink->MoveBy(row - FDataLink->ActiveRecord());
        }
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (CanFocus() && !HasFocus()) SetFocus();
    int row = cell.Y - TitleOffset();
    if (row >= FDataLink->RecordCount()) {
        TCustomControl::MouseDown(Button, Shift, X, Y);
        return;
    }
    bool sameCell = cell.Y == Row() && cell.X == Col();
    if (FDBOptions.Contains(dgMultiSelect) && !Shift.Contains(ssCtrl) && !Shift.Contains(ssShift)) FSelectedRows->Clear();
    FDataLink->UpdateRecord();
    if (row != FDataLink->ActiveRecord()) FDataLink->MoveBy(row - FDataLink->ActiveRecord());
    if (FDBOptions.Contains(dgMultiSelect) && Shift.Contains(ssCtrl))
        FSelectedRows->SetCurrentRowSelected(!FSelectedRows->CurrentRowSelected());
    MoveCol(cell.X, 0);
    FDownCell = cell;
    if (sameCell && FDBOptions.Contains(dgEditing)) SetEditorMode(true);
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomDBGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    TGridCoord cell = MouseCoord(X, Y);
    TGridCoord down = FDownCell;
    bool title = FTitlePressed;
    FTitlePressed = false;
    FDownCell = TGridCoord{-1, -1};
    if (down.X < 0 || cell.X != down.X || cell.Y != down.Y) return;
    if (title) {
        if (TColumn* c = GridColToColumn(cell.X)) TitleClick(c);
    } else if (cell.X >= IndicatorOffset()) {
        if (TColumn* c = SelectedColumn()) CellClick(c);
    }
}

bool TCustomDBGrid::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (!FDataLink->Active() || WheelDelta == 0) return false;
    FDataLink->MoveBy(WheelDelta > 0 ? -1 : 1);
    return true;
}

void TCustomDBGrid::CellClick(TColumn* Column) {
    if (OnCellClick) OnCellClick(Column);
}

void TCustomDBGrid::TitleClick(TColumn* Column) {
    if (OnTitleClick) OnTitleClick(Column);
}

void TCustomDBGrid::ColEnter() {
    if (OnColEnter) OnColEnter(this);
}

void TCustomDBGrid::ColExit() {
    if (OnColExit) OnColExit(this);
}

void TCustomDBGrid::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_WANTSPECIALKEY) {
        // Esc and Enter belong to the grid while there is something to cancel or to edit.
        bool want = false;
        if (FDataLink && FDataLink->Active()) {
            if (Message.WParam == VK_ESCAPE)
                want = EditorMode() || dsEditModes.Contains(FDataLink->DataSet()->State());
            else if (Message.WParam == VK_RETURN)
                want = FDBOptions.Contains(dgEditing) && !FDBOptions.Contains(dgRowSelect);
        }
        if (want) {
            Message.Result = 1;
            return;
        }
    }
    TCustomGrid::Dispatch(Message);
}

bool TCustomDBGrid::HostEvent(QEvent* Event) {
    if (Event->type() == QEvent::FocusOut && FDataLink) {
        Qt::FocusReason r = static_cast<QFocusEvent*>(Event)->reason();
        if (r != Qt::PopupFocusReason && r != Qt::ActiveWindowFocusReason && !FocusInside(Handle()))
            GuardedCall(this, [this] { GridExit(); });
    }
    return TCustomGrid::HostEvent(Event);
}

// ---- painting ----------------------------------------------------------------------------------

void TCustomDBGrid::DefaultDrawColumnCell(const TRect& Rect, int DataCol, TColumn* Column, TGridDrawState State) {
    (void)DataCol;
    (void)State;
    if (!Column) return;
    WriteText(Canvas(), Rect, 2, 2, Column->DisplayText(), Column->Alignment());
}

void TCustomDBGrid::DefaultDrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
    (void)State;
    WriteText(Canvas(), Rect, 2, 2, Field ? Field->DisplayText() : String(), Field ? Field->Alignment() : taLeftJustify);
}

void TCustomDBGrid::DrawColumnCell(const TRect& Rect, int DataCol, TColumn* Column, TGridDrawState State) {
    if (OnDrawColumnCell) OnDrawColumnCell(this, Rect, DataCol, Column, State);
}

void TCustomDBGrid::DrawIndicator(const TRect& R, int ARow) {
    TCanvas* c = Canvas();
    bool current = ARow - TitleOffset() == FDataLink->ActiveRecord();
    bool multi = false;
    if (FDBOptions.Contains(dgMultiSelect)) {
        int saved = FDataLink->ActiveRecord();
        FDataLink->SetActiveRecord(ARow - TitleOffset());
        multi = FSelectedRows->CurrentRowSelected();
        FDataLink->SetActiveRecord(saved);
    }
    if (!current && !multi) return;
    c->Pen()->SetColor(clWindowText);
    c->Brush()->SetColor(clWindowText);
    int cx = (R.Left + R.Right) / 2, cy = (R.Top + R.Bottom) / 2;
    if (current) {
        switch (FDataLink->DataSet()->State()) {
        case dsEdit:
            // An I-beam.
            c->MoveTo(cx - 2, cy - 4);
            c->LineTo(cx + 3, cy - 4);
            c->MoveTo(cx, cy - 4);
            c->LineTo(cx, cy + 4);
            c->MoveTo(cx - 2, cy + 4);
            c->LineTo(cx + 3, cy + 4);
            break;
        case dsInsert:
            // A star.
            c->MoveTo(cx - 3, cy);
            c->LineTo(cx + 4, cy);
            c->MoveTo(cx, cy - 3);
            c->LineTo(cx, cy + 4);
            c->MoveTo(cx - 2, cy - 2);
            c->LineTo(cx + 3, cy + 3);
            c->MoveTo(cx + 2, cy - 2);
            c->LineTo(cx - 3, cy + 3);
            break;
        default:
            // The pointing triangle.
            c->Polygon({TPoint(cx - 2, cy - 4), TPoint(cx + 2, cy), TPoint(cx - 2, cy + 4)});
            break;
        }
    } else {
        c->Ellipse(cx - 2, cy - 2, cx + 3, cy + 3);
    }
}

void TCustomDBGrid::DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) {
    TCanvas* c = Canvas();
    if (AState.Contains(gdFixed)) {
        TColumn* col = ARow < TitleOffset() ? GridColToColumn(ACol) : nullptr;
        if (col) {
            c->Font()->Assign(col->Title()->Font());
            c->Brush()->SetColor(col->Title()->Color());
            WriteText(c, ARect, 2, 2, col->Title()->Caption(), col->Title()->Alignment());
        } else if (ACol < IndicatorOffset() && ARow >= TitleOffset() && FDataLink->Active()) {
            DrawIndicator(ARect, ARow);
        }
        return;
    }
    TColumn* col = GridColToColumn(ACol);
    if (!col || !col->Visible()) return;
    c->Font()->Assign(col->Font());
    c->Brush()->SetColor(col->Color());
    int row = ARow - TitleOffset();
    if (!FDataLink->Active() || row >= FDataLink->RecordCount()) {
        c->FillRect(ARect);
        return;
    }
    // The cell is drawn with its record active, as fields read the active record.
    int saved = FDataLink->ActiveRecord();
    FDataLink->SetActiveRecord(row);
    try {
        bool highlight = FDBOptions.Contains(dgMultiSelect) && FSelectedRows->CurrentRowSelected();
        if (!highlight)
            highlight = AState.Contains(gdSelected) && (FDBOptions.Contains(dgAlwaysShowSelection) || HasFocus());
        if (highlight) {
            c->Brush()->SetColor(clHighlight);
            c->Font()->SetColor(clHighlightText);
        }
        if (!Enabled()) c->Font()->SetColor(clGrayText);
        if (DefaultDrawing()) DefaultDrawColumnCell(ARect, col->Index(), col, AState);
        else c->FillRect(ARect);
        DrawColumnCell(ARect, col->Index(), col, AState);
    } catch (...) {
        FDataLink->SetActiveRecord(saved);
        throw;
    }
    FDataLink->SetActiveRecord(saved);
}
