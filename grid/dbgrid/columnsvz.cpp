#include "grid/dbgrid/columnsvz.h"

#include "grid/base/specrowvz.h"
#include "grid/base/toolsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "platform/rtl/rtlmath.h"
#include "platform/db/fields.h"
#include "platform/gui/graphics.h"
#include "platform/rtl/sysutils.h"

// ---- the title ---------------------------------------------------------------------------------

TColumnTitleVz::TColumnTitleVz(TAxisBarVz* AColumn) : TAxisBarTitleVz(AColumn) {}

TColumnVz* TColumnTitleVz::Column() const { return static_cast<TColumnVz*>(AxisBar()); }

void TColumnTitleVz::Assign(TPersistent* Source) {
    TAxisBarTitleVz::Assign(Source);
    if (auto* s = dynamic_cast<TColumnTitleVz*>(Source)) {
        SetSortIndex(s->SortIndex());
        SetSortMarker(s->SortMarker());
    }
}

void TColumnTitleVz::SetSortMarker(TSortMarkerVz Value) {
    if (FSortMarker == Value) return;
    const TSortMarkerVz old = FSortMarker;
    FSortMarker = Value;
    TColumnVz* col = Column();
    auto* cols = dynamic_cast<TDBGridColumnsVz*>(col->Collection());
    if (!cols || cols->UpdateCount() > 0) return;
    TCustomDBGridVz* g = cols->Grid();
    if (!g) return;
    TColumnsVzList& marked = g->SortMarkedColumns();
    if (g->OptionsVz().Contains(dghMultiSortMarking)) {
        if (old == smNoneVz && FSortIndex == 0) {
            int n = 0;
            for (int i = 0; i < cols->Count(); ++i)
                if (cols->Items(i)->Title()->SortIndex() != 0) ++n;
            FSortIndex = n + 1;
            marked.Add(col);
        } else if (Value == smNoneVz && FSortIndex != 0) {
            for (int i = 0; i < cols->Count(); ++i) {
                TColumnTitleVz* t = cols->Items(i)->Title();
                if (t->FSortIndex > FSortIndex) --t->FSortIndex;
            }
            marked.Remove(col);
            FSortIndex = 0;
        }
    } else if (Value != smNoneVz) {
        for (int i = 0; i < cols->Count(); ++i)
            if (cols->Items(i) != col) cols->Items(i)->Title()->SetSortMarker(smNoneVz);
        FSortIndex = 1;
        marked.Clear();
        marked.Add(col);
    } else {
        FSortIndex = 0;
        marked.Clear();
    }
    g->ColumnSortMarkerChanged(col);
}

void TColumnTitleVz::SetSortIndex(int Value) {
    if (Value < 0) Value = 0;
    if (FSortIndex == Value) return;
    TColumnVz* col = Column();
    auto* cols = dynamic_cast<TDBGridColumnsVz*>(col->Collection());
    if (!cols || cols->UpdateCount() > 0 || !cols->Grid()) {
        FSortIndex = Value;
        return;
    }
    if (FSortMarker == smNoneVz) return;
    TColumnsVzList& marked = cols->Grid()->SortMarkedColumns();
    for (int i = 0; i < cols->Count(); ++i) {
        TColumnVz* other = cols->Items(i);
        if (other == col || other->Title()->FSortIndex != Value) continue;
        other->Title()->FSortIndex = FSortIndex;
        FSortIndex = Value;
        const int a = marked.IndexOf(col), b = marked.IndexOf(other);
        if (a >= 0 && b >= 0) marked.Exchange(a, b);
        cols->Grid()->ColumnSortMarkerChanged(col);
        return;
    }
}

TSortMarkerVz TColumnTitleVz::GetFirstSortMarkerState() {
    TColumnVz* col = Column();
    TCustomDBGridVz* g = col ? col->Grid() : nullptr;
    TDBGridVzCenter* center = g ? g->FilterHost()->STFilterCenter() : nullptr;
    return center ? center->GetFirstSortMarkerState(g->FilterHost(), col) : smDownVz;
}

void TColumnTitleVz::SetNextSortMarkerValue(bool KeepMulti) {
    TColumnVz* col = Column();
    if (!KeepMulti)
        if (auto* cols = dynamic_cast<TDBGridColumnsVz*>(col->Collection()))
            for (int i = 0; i < cols->Count(); ++i)
                if (cols->Items(i) != col) cols->Items(i)->Title()->SetSortMarker(smNoneVz);
    const TSortMarkerVz first = GetFirstSortMarkerState();
    switch (FSortMarker) {
    case smNoneVz: SetSortMarker(first); break;
    case smDownVz: SetSortMarker(KeepMulti && first == smUpVz ? smNoneVz : smUpVz); break;
    case smUpVz: SetSortMarker(KeepMulti && first == smDownVz ? smNoneVz : smDownVz); break;
    }
}

bool TColumnTitleVz::ShowImageAndText() {
    if (FShowImageAndTextStored) return FShowImageAndText;
    TCustomDBGridVz* g = Column()->Grid();
    return g && g->ColumnDefValues() ? g->ColumnDefValues()->ColumnTitle()->ShowImageAndText() : false;
}

void TColumnTitleVz::SetShowImageAndText(bool Value) {
    FShowImageAndText = Value;
    FShowImageAndTextStored = true;
    if (TCustomDBGridVz* g = Column()->Grid()) g->Invalidate();
}

int TColumnTitleVz::GetSortMarkingWidth() {
    if (FSortIndex == 0) return 0;
    int w = 16;
    TCustomDBGridVz* g = Column()->Grid();
    if (g && g->SortMarkedColumns().Count() >= 2) {
        TCanvas* c = GetScreenCanvasVz();
        TFont f;
        f.SetName(u"Arial"_S);
        f.SetHeight(-7);
        c->Font()->Assign(&f);
        w += c->TextWidth(IntToStr(FSortIndex));
    }
    const int cw = Column()->Width() - 4;
    if (cw >= w) return w;
    if (cw >= w - 14) return w - 14;
    return 0;
}

int TColumnTitleVz::ImageAreaWidth() { return 0; }

// ---- defaults ----------------------------------------------------------------------------------

void TColumnTitleDefValuesVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TColumnTitleDefValuesVz*>(Source)) {
        SetShowImageAndText(s->FShowImageAndText);
        return;
    }
    TPersistent::Assign(Source);
}

void TColumnTitleDefValuesVz::SetShowImageAndText(bool Value) {
    if (FShowImageAndText == Value) return;
    FShowImageAndText = Value;
    if (OnChanged) OnChanged(this);
}

void TColumnDefValuesVz::Assign(TPersistent* Source) {
    TAxisBarDefValuesVz::Assign(Source);
    if (auto* s = dynamic_cast<TColumnDefValuesVz*>(Source)) {
        FColumnTitle.Assign(&s->FColumnTitle);
        FFooter.Assign(&s->FFooter);
    }
}

// ---- the column --------------------------------------------------------------------------------

TColumnVz::TColumnVz(TCollection* Collection) : TBaseColumnVz(Collection) {}

void TColumnVz::AfterConstruction() {
    auto* cols = dynamic_cast<TDBGridColumnsVz*>(Collection());
    TCustomDBGridVz* g = cols ? cols->Grid() : nullptr;
    const bool bracket = g && cols->UpdateCount() == 0;
    if (bracket) g->BeginLayout();
    try {
        TBaseColumnVz::AfterConstruction();
        FFooter = CreateFooter();
        FFooters = CreateFooters();
        FSTFilter = New<TSTColumnFilterVz>(static_cast<ISTFilterColumnVz*>(this));
        FAutoFitColWidth = true;
        FInitWidth = Width();
    } catch (...) {
        if (bracket) g->EndLayout();
        throw;
    }
    if (bracket) g->EndLayout();
}

void TColumnVz::BeforeDestruction() {
    if (auto* cols = dynamic_cast<TDBGridColumnsVz*>(Collection())) {
        if (cols->Grid()) cols->Grid()->SortMarkedColumns().Remove(this);
        // Highlighted texts forget the column.
        if (cols->Grid())
            for (TGridHighlightTextParamsVz* h : cols->Grid()->HighlightTextParams()) h->ColumnsList().Remove(this);
        if (cols->FUpDownBaseColumn == this) cols->FUpDownBaseColumn = nullptr;
    }
    TBaseColumnVz::BeforeDestruction();
    if (FFooter) FFooter->Free();
    FFooter = nullptr;
    if (FFooters) FFooters->Free();
    FFooters = nullptr;
    if (FSTFilter) FSTFilter->Free();
    FSTFilter = nullptr;
}

void TColumnVz::SetSTFilter(TSTColumnFilterVz* Value) { FSTFilter->Assign(Value); }

ISTFilterGridVz* TColumnVz::STFilterGrid() { return Grid() ? Grid()->FilterHost() : nullptr; }

bool TColumnVz::STFilterLookupActive() { return LookupParams() && LookupParams()->Active(); }

String TColumnVz::STFilterLookupKeyFieldNames() { return LookupParams() ? LookupParams()->KeyFieldNames() : String(); }

TDataSet* TColumnVz::STFilterLookupDataSet() { return LookupParams() ? LookupParams()->LookupDataSet() : nullptr; }

String TColumnVz::STFilterLookupDisplayFieldName() {
    return LookupParams() ? LookupParams()->LookupDisplayFieldName() : String();
}

bool TColumnVz::STFilterSpecRowVisible() { return DropDownSpecRow() && DropDownSpecRow()->Visible(); }

String TColumnVz::STFilterSpecRowCellText() { return DropDownSpecRow() ? DropDownSpecRow()->GetCellText(0) : String(); }

Variant TColumnVz::STFilterSpecRowValue() { return DropDownSpecRow() ? DropDownSpecRow()->Value() : Variant(); }

bool TColumnVz::STFilterShowsKeysByPickList() {
    const TAxisBarVzType t = GetBarType();
    return t == ctKeyPickList || t == ctKeyImageList || t == ctCheckboxes;
}

TCustomDBGridVz* TColumnVz::Grid() const {
    auto* cols = dynamic_cast<TDBGridColumnsVz*>(Collection());
    return cols ? cols->Grid() : nullptr;
}

void TColumnVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TColumnVz*>(Source);
    if (!s) {
        TBaseColumnVz::Assign(Source);
        return;
    }
    TCollection* c = Collection();
    if (c) c->BeginUpdate();
    try {
        RestoreDefaults();
        TBaseColumnVz::Assign(Source);
        if (s->FWidthAssigned) SetWidth(s->Width());
        FInitWidth = s->FInitWidth;
        FAutoFitColWidth = s->FAutoFitColWidth;
        FMinWidth = s->FMinWidth;
        FMaxWidth = s->FMaxWidth;
        OnGetCellParams = s->OnGetCellParams;
        FFooter->Assign(s->FFooter);
        FFooters->Assign(s->FFooters);
        FSTFilter->Assign(s->FSTFilter);
        FHideDuplicates = s->FHideDuplicates;
        FInRowLinePos = s->FInRowLinePos;
        FInRowLineHeight = s->FInRowLineHeight;
    } catch (...) {
        if (c) c->EndUpdate();
        throw;
    }
    if (c) c->EndUpdate();
}

int TColumnVz::DefaultWidth() {
    TCustomDBGridVz* g = Grid();
    if (!g) return 64;
    if (TField* f = Field()) {
        TCanvas* c = GetScreenCanvasVz();
        c->Font()->Assign(Font());
        return f->DisplayWidth() * c->TextWidth(u"0"_S) + 4;
    }
    return g->DefaultColWidth();
}

int TColumnVz::GetWidth() { return FWidthAssigned ? FWidth : DefaultWidth(); }

int TColumnVz::ClampWidth(int Value) const {
    if (FMaxWidth > 0 && Value > FMaxWidth) Value = FMaxWidth;
    if (FMinWidth > 0 && Value < FMinWidth) Value = FMinWidth;
    return Value;
}

void TColumnVz::SetWidth(int Value) {
    TCustomDBGridVz* g = Grid();
    if (IsDefaultBar() && g && g->HandleAllocated() && Field()) {
        TCanvas* c = GetScreenCanvasVz();
        c->Font()->Assign(Font());
        const int zero = std::max(1, c->TextWidth(u"0"_S));
        const int avg = c->TextWidth(u"x"_S);
        Field()->SetDisplayWidth((Value + avg / 2 - 3) / zero);
        if (g->LayoutFromDataset() && !FWidthAssigned) return;
    }
    const bool loading = g && g->ComponentState().Contains(csLoading);
    if (Value != -1 && (FWidthAssigned || Value != DefaultWidth() || loading)) {
        FWidth = ClampWidth(Value);
        FWidthAssigned = true;
    }
    if (g) NotifyChanged(false);
}

int TColumnVz::FullWidth() {
    TCustomDBGridVz* g = Grid();
    if (g && g->FirstVisibleColumn() == this) return Width() + g->ExtraFirstColumnWidth();
    return Width();
}

void TColumnVz::SetMinWidth(int Value) {
    if (FMinWidth == Value) return;
    FMinWidth = Value;
    if (Value > 0 && Width() < Value) SetWidth(Value);
}

void TColumnVz::SetMaxWidth(int Value) {
    if (FMaxWidth == Value) return;
    FMaxWidth = Value;
    if (Value > 0 && Width() > Value) SetWidth(Value);
}

void TColumnVz::SetAutoFitColWidth(bool Value) {
    if (FAutoFitColWidth == Value) return;
    FAutoFitColWidth = Value;
    TCustomDBGridVz* g = Grid();
    if (g && g->CanAutoFitColWidths() && !g->ComponentState().Contains(csLoading)) SetWidth(FInitWidth);
    NotifyChanged(false);
}

void TColumnVz::SetHideDuplicates(bool Value) {
    if (FHideDuplicates == Value) return;
    FHideDuplicates = Value;
    if (TCustomDBGridVz* g = Grid()) g->Invalidate();
}

void TColumnVz::SetInRowLinePos(int Value) {
    if (FInRowLinePos == Value) return;
    FInRowLinePos = Value;
    NotifyChanged(true);
}

void TColumnVz::SetInRowLineHeight(int Value) {
    if (FInRowLineHeight == Value) return;
    FInRowLineHeight = Value;
    NotifyChanged(true);
}

void TColumnVz::GetColCellParams(bool EditMode, TAxisColCellParamsVz* Params) {
    TBaseColumnVz::GetColCellParams(EditMode, Params);
    if (OnGetCellParams) OnGetCellParams(this, EditMode, static_cast<TColCellParamsVz*>(Params));
}

int TColumnVz::GetCellHeight(int Row) {
    int h = TBaseColumnVz::GetCellHeight(Row);
    TCustomDBGridVz* g = Grid();
    if (g && g->Options().Contains(dgRowLines)) --h;
    return h;
}

// ---- the list ----------------------------------------------------------------------------------

int TColumnsVzList::IndexOf(TColumnVz* Column) const {
    for (std::size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i] == Column) return static_cast<int>(i);
    return -1;
}

void TColumnsVzList::Remove(TColumnVz* Column) {
    const int i = IndexOf(Column);
    if (i >= 0) Delete(i);
}

// ---- the collection ----------------------------------------------------------------------------

TDBGridColumnsVz::TDBGridColumnsVz(TCustomDBGridVz* AGrid, TClass ColumnClass)
    : TBaseColumnsVz(AGrid, ColumnClass), FGrid(AGrid) {}

TColumnVz* TDBGridColumnsVz::FindColumnByName(const String& Name) const {
    return static_cast<TColumnVz*>(FindBarByName(Name));
}

void TDBGridColumnsVz::GetColumnNames(TStrings* List) const { GetBarNames(List); }

TColumnVz* TDBGridColumnsVz::GetNextTabColumn(TColumnVz* ForColumn, bool GoForward) {
    const int contra = FGrid ? FGrid->ContraColCount() : 0;
    const int start = ForColumn->Index();
    int i = start;
    for (;;) {
        i += GoForward ? 1 : -1;
        if (i >= Count() - contra || i < 0 || i == start) return ForColumn;
        if (Items(i)->CanEditCell()) return Items(i);
    }
}

TColumnVz* TDBGridColumnsVz::GetFirstTabColumn() {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Visible() && Items(i)->CanEditCell()) return Items(i);
    return nullptr;
}

TColumnVz* TDBGridColumnsVz::GetLastTabColumn() {
    const int contra = FGrid ? FGrid->ContraColCount() : 0;
    TColumnVz* last = nullptr;
    for (int i = 0; i < Count() - contra; ++i)
        if (Items(i)->Visible() && Items(i)->CanEditCell()) last = Items(i);
    return last;
}

void TDBGridColumnsVz::Update(TCollectionItem* Item) {
    if (!FGrid || FGrid->ComponentState().Contains(csLoading) || FGrid->ComponentState().Contains(csDestroying))
        return;
    if (Item) {
        auto* col = static_cast<TColumnVz*>(Item);
        const int gc = FGrid->DataColToGridCol(col->Index());
        if (gc < FGrid->ColCount()) FGrid->RepaintColumn(gc);
        if (!FGrid->CanAutoFitColWidths() || FGrid->ColumnWidthsChanging()) {
            FGrid->LayoutChanged();
        } else {
            const int cw = gc < FGrid->ColCount() ? FGrid->ColWidths(gc) - FGrid->ExtraFirstColumnWidth() : 0;
            if (cw < 1) col->SetInitWidth(col->Width());
            else col->SetInitWidth(MulDiv(col->InitWidth(), col->Width(), cw));
            FGrid->LayoutChanged();
        }
    } else {
        FGrid->SetSortMarkedColumns();
        FGrid->LayoutChanged();
    }
    const int sel = FGrid->SelectedIndex();
    if (sel >= Count() || (sel >= 0 && !Items(sel)->Visible())) {
        for (int i = 0; i < Count(); ++i)
            if (Items(i)->Visible()) {
                FGrid->SetSelectedIndex(i);
                break;
            }
    }
}
