// Column footers, their texts and the grid's footer area: the grand totals of the grouping first,
// then the column-footer rows; the grid's reactions to its sum list.
#include "grid/dbgrid/footersvz.h"

#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupfootersvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"
#include "grid/dbgrid/sumlistvz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/sysutils.h"

// ---- TColumnFooterVz ---------------------------------------------------------------------------

TColumnFooterVz::TColumnFooterVz(TCollection* Collection) : TCollectionItem(Collection) {
    if (auto* fs = dynamic_cast<TColumnFootersVz*>(Collection)) FColumn = fs->Column();
}

TColumnFooterVz* TColumnFooterVz::CreateApart(TColumnVz* Column) {
    auto* f = New<TColumnFooterVz>(nullptr);
    f->FColumn = Column;
    f->RefreshDefaultFont();
    return f;
}

void TColumnFooterVz::AfterConstruction() {
    TCollectionItem::AfterConstruction();
    FFont = NewOwned<TFont>();
    if (TFont* d = DefaultFont()) FFont->Assign(d);
    FFont->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
    if (Collection()) InvalidateGridFooter();
}

void TColumnFooterVz::BeforeDestruction() {
    InvalidateGridFooter();
    if (FDBSum) FDBSum->Free();
    FDBSum = nullptr;
    TCollectionItem::BeforeDestruction();
}

void TColumnFooterVz::Published(TPublished<TColumnFooterVz>& P) {
    using C = TColumnFooterVz;
    P.Enum("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"})
        .Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->AlignmentStored(); }));
    GroupColorIdentsVz(P.Integer("Color", &C::Color, &C::SetColor).Stored(TGroupStoredFnVz([](TObject* O) {
        return static_cast<C*>(O)->ColorStored();
    })));
    P.String("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    P.Boolean("EndEllipsis", &C::EndEllipsis, &C::SetEndEllipsis).Default(false);
    P.String("FieldName", &C::FieldName, &C::SetFieldName);
    P.Object("Font", &C::Font, &C::SetFont).Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->FontStored(); }));
    P.Boolean("ToolTips", &C::ToolTips, &C::SetToolTips)
        .Stored(TGroupStoredFnVz([](TObject* O) { return static_cast<C*>(O)->ToolTipsStored(); }));
    P.String("Value", &C::Value, &C::SetValue);
    P.Enum("ValueType", &C::ValueType, &C::SetValueType,
           {"fvtNon", "fvtSum", "fvtAvg", "fvtCount", "fvtFieldValue", "fvtStaticText"})
        .Default(fvtNon);
    P.Boolean("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(false);
}

TCustomDBGridVz* TColumnFooterVz::GridOfColumn() const { return FColumn ? FColumn->Grid() : nullptr; }

void TColumnFooterVz::InvalidateGridFooter() {
    TCustomDBGridVz* g = GridOfColumn();
    if (g && !g->ComponentState().Contains(csDestroying)) g->InvalidateFooter();
}

void TColumnFooterVz::NotifyColumn(bool AllItems) {
    if (FColumn) FColumn->NotifyChanged(AllItems);
}

TAlignment TColumnFooterVz::DefaultAlignment() {
    TField* f = FColumn ? FColumn->Field() : nullptr;
    return f ? f->Alignment() : taLeftJustify;
}

TColor TColumnFooterVz::DefaultColor() {
    TCustomDBGridVz* g = GridOfColumn();
    return g ? g->FooterParams()->Color() : clWindow;
}

TFont* TColumnFooterVz::DefaultFont() {
    if (!FColumn) return nullptr;
    TCustomDBGridVz* g = GridOfColumn();
    return g ? g->FooterParams()->Font() : FColumn->Font();
}

bool TColumnFooterVz::DefaultToolTips() {
    TCustomDBGridVz* g = GridOfColumn();
    return g && g->ColumnDefValues() ? g->ColumnDefValues()->Footer()->ToolTips() : false;
}

TAlignment TColumnFooterVz::Alignment() {
    return FAssignedValues.Contains(cvFooterAlignment) ? FAlignment : DefaultAlignment();
}

void TColumnFooterVz::SetAlignment(TAlignment Value) {
    if (FAssignedValues.Contains(cvFooterAlignment) && Value == FAlignment) return;
    FAlignment = Value;
    FAssignedValues.Include(cvFooterAlignment);
    NotifyColumn(false);
}

TColor TColumnFooterVz::Color() { return FAssignedValues.Contains(cvFooterColor) ? FColor : DefaultColor(); }

void TColumnFooterVz::SetColor(TColor Value) {
    if (FAssignedValues.Contains(cvFooterColor) && Value == FColor) return;
    FColor = Value;
    FAssignedValues.Include(cvFooterColor);
    NotifyColumn(false);
}

bool TColumnFooterVz::ToolTips() {
    return FAssignedValues.Contains(cvFooterToolTips) ? FToolTips : DefaultToolTips();
}

void TColumnFooterVz::SetToolTips(bool Value) {
    FToolTips = Value;
    FAssignedValues.Include(cvFooterToolTips);
}

TFont* TColumnFooterVz::Font() {
    if (!FAssignedValues.Contains(cvFooterFont)) RefreshDefaultFont();
    return FFont.get();
}

void TColumnFooterVz::RefreshDefaultFont() {
    if (!FFont) return;
    FCopyingFont = true;
    TGroupFinallyVz done([this] { FCopyingFont = false; });
    CopyParentFontVz(FFont.get(), DefaultFont());
}

void TColumnFooterVz::FontChanged(TObject*) {
    if (FCopyingFont) return;
    FAssignedValues.Include(cvFooterFont);
    NotifyColumn(true);
}

bool TColumnFooterVz::AlignmentStored() {
    return FAssignedValues.Contains(cvFooterAlignment) && FAlignment != DefaultAlignment();
}

bool TColumnFooterVz::ColorStored() { return FAssignedValues.Contains(cvFooterColor) && FColor != DefaultColor(); }

void TColumnFooterVz::SetDisplayFormat(const String& Value) {
    if (FDisplayFormat == Value) return;
    FDisplayFormat = Value;
    NotifyColumn(false);
}

void TColumnFooterVz::SetEndEllipsis(bool Value) {
    FEndEllipsis = Value;
    NotifyColumn(false);
}

void TColumnFooterVz::SetWordWrap(bool Value) {
    FWordWrap = Value;
    NotifyColumn(false);
}

void TColumnFooterVz::SetValue(const String& Value) {
    FValue = Value;
    NotifyColumn(false);
}

void TColumnFooterVz::SetFieldName(const String& Value) {
    FFieldName = Value;
    if (FColumn) FColumn->EnsureFooterSumValues();
    NotifyColumn(false);
}

void TColumnFooterVz::SetValueType(TFooterValueType Value) {
    if (FValueType == Value) return;
    FValueType = Value;
    if (FColumn) FColumn->EnsureFooterSumValues();
    NotifyColumn(false);
}

void TColumnFooterVz::RestoreDefaults() {
    const bool fontWasSet = FAssignedValues.Contains(cvFooterFont);
    FAssignedValues = TColumnFooterValues{};
    RefreshDefaultFont();
    NotifyColumn(fontWasSet);
}

void TColumnFooterVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TColumnFooterVz*>(Source);
    if (!s) {
        TCollectionItem::Assign(Source);
        return;
    }
    if (s->FAssignedValues.Contains(cvFooterAlignment)) SetAlignment(s->Alignment());
    if (s->FAssignedValues.Contains(cvFooterColor)) SetColor(s->Color());
    if (s->FAssignedValues.Contains(cvFooterFont)) SetFont(s->Font());
    SetEndEllipsis(s->EndEllipsis());
    SetValueType(s->ValueType());
    SetFieldName(s->FieldName());
    SetValue(s->Value());
    SetWordWrap(s->WordWrap());
    SetDisplayFormat(s->DisplayFormat());
    if (s->FAssignedValues.Contains(cvFooterToolTips)) SetToolTips(s->ToolTips());
}

Variant TColumnFooterVz::SumValue() const { return FDBSum ? Variant(FDBSum->SumValue) : Null(); }

void TColumnFooterVz::EnsureSumValue() {
    TCustomDBGridVz* g = GridOfColumn();
    if (!g || !g->SumList()) return;
    const String name = FFieldName.isEmpty() ? FColumn->FieldName() : FFieldName;
    const bool summed = FValueType == fvtSum || FValueType == fvtAvg || FValueType == fvtCount;
    if (!FDBSum && !summed) return;
    TDBSumCollection* sums = g->SumList()->SumCollection();
    if (!FDBSum) {
        sums->BeginUpdate();
        TGroupFinallyVz done([sums] { sums->EndUpdate(); });
        FDBSum = sums->Add();
        if (FValueType == fvtCount) FDBSum->SetGroupOperation(goCount);
        else {
            FDBSum->SetGroupOperation(FValueType == fvtSum ? goSum : goAvg);
            FDBSum->SetFieldName(name);
        }
        return;
    }
    switch (FValueType) {
    case fvtSum:
    case fvtAvg:
        sums->BeginUpdate();
        {
            TGroupFinallyVz done([sums] { sums->EndUpdate(); });
            FDBSum->SetGroupOperation(FValueType == fvtSum ? goSum : goAvg);
            FDBSum->SetFieldName(name);
        }
        break;
    case fvtCount:
        sums->BeginUpdate();
        {
            TGroupFinallyVz done([sums] { sums->EndUpdate(); });
            FDBSum->SetGroupOperation(goCount);
            FDBSum->SetFieldName(String());
        }
        break;
    default: {
        TDBSum* s = FDBSum;
        FDBSum = nullptr;
        s->Free();
    }
    }
}

// ---- TColumnFootersVz --------------------------------------------------------------------------

TColumnFootersVz::TColumnFootersVz(TColumnVz* Column, TClass FooterClass) : TCollection(FooterClass), FColumn(Column) {}

TPersistent* TColumnFootersVz::GetOwner() { return FColumn; }

// ---- the grid's footer area --------------------------------------------------------------------

namespace {

bool FooterFloatTypeVz(TFieldType T) { return T == ftFloat || T == ftCurrency || T == ftBCD || T == ftFMTBcd; }

bool FooterFieldIsCurrencyVz(TField* F) {
    if (auto* f = dynamic_cast<TFloatField*>(F)) return f->Currency();
    if (auto* f = dynamic_cast<TBCDField*>(F)) return f->Currency();
    if (auto* f = dynamic_cast<TFMTBCDField*>(F)) return f->Currency();
    return false;
}

// A total or an average in the footer's format, else the field's, else the field's number style.
String FormatFooterSumVz(TColumnFooterVz* Footer, TField* Field, Currency Value) {
    String fmt = Footer->DisplayFormat();
    if (fmt.isEmpty())
        if (auto* nf = dynamic_cast<TNumericField*>(Field)) fmt = nf->DisplayFormat();
    if (!fmt.isEmpty()) return FormatFloat(fmt, Value.ToExtended());
    if (FooterFloatTypeVz(Field->DataType()) && FooterFieldIsCurrencyVz(Field))
        return CurrToStrF(Value, ffCurrency, FormatSettings.CurrencyDecimals);
    return CurrToStrF(Value, ffGeneral, 0);
}

}  // namespace

TColumnFooterVz* TColumnVz::UsedFooter(int Index) const {
    return Index >= 0 && Index < FFooters->Count() ? FFooters->Items(Index) : FFooter;
}

void TColumnVz::SetFooter(TColumnFooterVz* Value) { FFooter->Assign(Value); }

void TColumnVz::SetFooters(TColumnFootersVz* Value) { FFooters->Assign(Value); }

void TColumnVz::EnsureFooterSumValues() {
    if (!FFooter || !FFooters) return;
    FFooter->EnsureSumValue();
    for (int i = 0; i < FFooters->Count(); ++i) FFooters->Items(i)->EnsureSumValue();
}

TField* TColumnVz::GetField() {
    const bool bound = FField != nullptr;
    TField* f = TBaseColumnVz::GetField();
    if (f && !bound) EnsureFooterSumValues();
    return f;
}

void TColumnVz::SetField(TField* Value) {
    TBaseColumnVz::SetField(Value);
    if (Value) EnsureFooterSumValues();
}

int TCustomDBGridVz::GetFullFooterRowCount() {
    int n = FFooterRowCount;
    if (GroupingWorks()) n += FDataGrouping->Footers()->VisibleItemsCount();
    return n;
}

void TCustomDBGridVz::InvalidateFooter() {
    if (!HandleAllocated()) return;
    const int full = FullRowCount();
    for (int i = 1; i <= GetFullFooterRowCount() && full - i >= 0; ++i) RepaintRow(full - i);
}

void TCustomDBGridVz::InvalidateTitle() {
    if (!HandleAllocated()) return;
    for (int i = 0; i < TopDataOffset(); ++i) RepaintRow(i);
}

void TCustomDBGridVz::SetSumList(TDBGridVzSumList* Value) { FSumList->Assign(Value); }

void TCustomDBGridVz::SumListChanged(TObject*) {
    if (ComponentState().Contains(csDestroying)) return;
    TDataSet* ds = DataLink() ? DataLink()->DataSet() : nullptr;
    if (DataLink() && DataLink()->Active() && ds && !ds->ControlsDisabled()) UpdateScrollBars();
    InvalidateFooter();
}

void TCustomDBGridVz::SumListRecalcAll(TObject*) {
    if (OnSumListRecalcAll) OnSumListRecalcAll(FSumList);
}

void TCustomDBGridVz::SumListAfterRecalcAll(TObject*) {
    if (OnSumListAfterRecalcAll) OnSumListAfterRecalcAll(FSumList);
}

String TCustomDBGridVz::GetFooterValue(int Row, TColumnVz* Column) {
    TColumnFooterVz* footer = Column->UsedFooter(Row);
    TDataSet* ds = DataSource() ? DataSource()->DataSet() : nullptr;
    switch (footer->ValueType()) {
    case fvtSum:
    case fvtAvg: {
        if (!ds) return u"0"_S;
        TField* f = ds->FindField(footer->FieldName().isEmpty() ? Column->FieldName() : footer->FieldName());
        if (!f) return u"0"_S;
        TDBSum* s = FSumList->SumCollection()->GetSumByOpAndFName(footer->ValueType() == fvtSum ? goSum : goAvg,
                                                                  f->FieldName());
        return s ? FormatFooterSumVz(footer, f, s->SumValue) : u"0"_S;
    }
    case fvtCount: {
        TDBSum* s = FSumList->SumCollection()->GetSumByOpAndFName(goCount, String());
        if (!s) return u"0"_S;
        const Extended v = s->SumValue.ToExtended();
        return footer->DisplayFormat().isEmpty() ? FloatToStr(v) : FormatFloat(footer->DisplayFormat(), v);
    }
    case fvtFieldValue: {
        // A name that matches no field shows nothing rather than failing every paint.
        if (!ds || !ds->Active() || footer->FieldName().isEmpty()) return String();
        TField* f = ds->FindField(footer->FieldName());
        return f ? FormatFieldTextVz(f, footer->DisplayFormat()) : String();
    }
    case fvtStaticText: return footer->Value();
    case fvtNon: break;
    }
    return String();
}

void TCustomDBGridVz::DoGetFooterParams(int DataCol, int Row, TColumnVz* Column, TFont* AFont, TColor& Background,
                                        TAlignment& Alignment, TGridDrawState State, String& Text) {
    if (OnGetFooterParams) OnGetFooterParams(this, DataCol, Row, Column, AFont, Background, Alignment, State, Text);
}

void TCustomDBGridVz::GetCellParams(TColumnVz* Column, TFont* AFont, TColor& Background, TGridDrawState State) {
    if (OnGetCellParams) OnGetCellParams(this, Column, AFont, Background, State);
}

bool TCustomDBGridVz::FooterWordWrapAllowed() {
    // Wrapping pays only when a row is at least two lines of the grid's font high.
    TCanvas* c = Canvas();
    TFont saved;
    saved.Assign(c->Font());
    c->Font()->Assign(Font());
    const int line = c->TextHeight(u"Wg"_S);
    c->Font()->Assign(&saved);
    return FStdDefaultRowHeight >= 2 * line;
}

void TCustomDBGridVz::DefaultDrawFooterCell(const TRect& Rect, int DataCol, int Row, TColumnVz* Column,
                                            TGridDrawState State) {
    TRect r = Rect;
    int margin = 2;
    if (FOptionsVz.Contains(dghFooter3D)) {
        r = TRect{r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
        margin = 1;
    }
    const int vmargin = Flat() ? margin - 1 : margin;
    TCanvas* c = Canvas();
    String text = GetFooterValue(Row, Column);
    TColor back = c->Brush()->Color();
    TAlignment align = Column->Footer()->Alignment();
    DoGetFooterParams(DataCol, Row, Column, Font(), back, align, State, text);
    c->Brush()->SetColor(back);
    const bool wrap = Column->Footer()->WordWrap() && FooterWordWrapAllowed();
    WriteCellText(Column, c, r, true, margin, vmargin, text, align, Column->Layout(), wrap,
                  Column->Footer()->EndEllipsis(), 0, 0, !wrap);
}

void TCustomDBGridVz::DrawFooterAreaCell(int ACol, int ARow, TRect ARect, TGridDrawState State) {
    TCanvas* c = Canvas();
    const int dataCol = GridColToDataCol(ACol);
    TColumnVz* col = dataCol >= 0 && dataCol < Columns()->Count() ? Columns()->Items(dataCol) : nullptr;
    const int areaRow = ARow - RowCount();
    const bool draw3D = IsCellDraw3D(ACol, ARow, State);
    const int margin = draw3D ? 1 : 2;
    const int vmargin = Flat() ? margin - 1 : margin;
    const int grand = GroupingWorks() ? FDataGrouping->Footers()->VisibleItemsCount() : 0;
    if (!col) {
        c->Brush()->SetColor(FFooterParams->Color());
        c->FillRect(ARect);
        return;
    }
    if (areaRow < grand) {
        // The grand totals: the root's footer for this visible footer of the grouping.
        TGridDataGroupFooterVz* footer = FDataGrouping->Footers()->VisibleItems(areaRow);
        TGroupDataTreeNodeVz* root = FDataGrouping->GroupDataTree()->Root();
        TGroupDataTreeNodeVz* node = nullptr;
        for (int i = 0; i < root->FooterItemCount() && !node; ++i)
            if (root->FooterItems(i)->DataGroupFooter() == footer) node = root->FooterItems(i);
        TGridDataGroupFooterColumnItemVz* item =
            dataCol < footer->ColumnItems()->Count() ? footer->ColumnItems()->Items(dataCol) : nullptr;
        String text;
        TAlignment align = taLeftJustify;
        if (item) {
            c->Brush()->SetColor(item->Color());
            c->Font()->Assign(item->Font());
            align = item->Alignment();
            if (node && DataLink()->Active()) text = item->ConvertToDisplayText(node->FooterValues(dataCol));
        } else {
            c->Brush()->SetColor(footer->Color());
            c->Font()->Assign(footer->Font());
        }
        WriteCellText(col, c, ARect, true, margin, vmargin, text, align, col->Layout(), false, col->EndEllipsis(), 0,
                      0, true);
        return;
    }
    const int row = areaRow - grand;
    TColumnFooterVz* footer = col->UsedFooter(row);
    c->Font()->Assign(footer->Font());
    TColor back = footer->Color();
    TAlignment align = footer->Alignment();
    String text = GetFooterValue(row, col);
    DoGetFooterParams(dataCol, row, col, c->Font(), back, align, State, text);
    c->Brush()->SetColor(back);
    const bool wrap = footer->WordWrap() && FooterWordWrapAllowed();
    TRect inner = draw3D ? TRect{ARect.Left + 1, ARect.Top + 1, ARect.Right - 1, ARect.Bottom - 1} : ARect;
    c->FillRect(ARect);
    WriteCellText(col, c, inner, true, margin, vmargin, text, align, col->Layout(), wrap, footer->EndEllipsis(), 0,
                  0, !wrap);
    if (draw3D) Draw3DCellFrame(c, ARect, false, false, true, true, Flat());
    if (OnDrawFooterCell) OnDrawFooterCell(this, dataCol, row, col, ARect, State);
}
