#include "grid/dbgrid/columnfiltervz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

// The link to the column filter's ListSource: reads the list's texts and keys when it becomes
// active.
class TSTFilterListLinkVz : public TDataLink {
    SDELKA_CLASS(TSTFilterListLinkVz, TDataLink)
protected:
    explicit TSTFilterListLinkVz(TSTColumnFilterVz* AFilter = nullptr) : FFilter(AFilter) {}
    ~TSTFilterListLinkVz() override = default;

    void ActiveChanged() override {
        if (FFilter) FFilter->ListLinkActiveChanged();
    }

private:
    TSTColumnFilterVz* FFilter;
};

namespace {

std::vector<Variant> ColumnFilterElementsVz(const Variant& A) {
    std::vector<Variant> r;
    if (!VarIsArray(A)) {
        r.push_back(A);
        return r;
    }
    for (int i = VarArrayLowBound(A, 1); i <= VarArrayHighBound(A, 1); ++i) r.push_back(VarArrayGet(A, {i}));
    return r;
}

Variant ColumnFilterArrayOfVz(const std::vector<Variant>& Values) {
    Variant A = VarArrayCreate({0, int(Values.size()) - 1}, varVariant);
    for (int i = 0; i < int(Values.size()); ++i) VarArrayPut(A, Values[size_t(i)], {i});
    return A;
}

// Applies Map to each value of an operand (each element of an array).
template <class F>
Variant MapOperandVz(const Variant& Operand, F Map) {
    if (!VarIsArray(Operand)) return Map(Operand);
    std::vector<Variant> e = ColumnFilterElementsVz(Operand);
    for (Variant& x : e) x = Map(x);
    return ColumnFilterArrayOfVz(e);
}

bool NonEmptyListVz(TStrings* L) { return L && L->Count() > 0; }

}  // namespace

// ---- TSTColumnFilterVz -----------------------------------------------------------------------

TSTColumnFilterVz::TSTColumnFilterVz(ISTFilterColumnVz* AColumn)
    : FColumn(AColumn),
      FKeys(NewOwned<TStringList>()),
      FList(NewOwned<TStringList>()),
      FListLink(NewOwned<TSTFilterListLinkVz>(this)) {}

TSTColumnFilterVz::~TSTColumnFilterVz() = default;

void TSTColumnFilterVz::Published(TPublished<TSTColumnFilterVz>& P) {
    P.String("DataField", &TSTColumnFilterVz::DataField, &TSTColumnFilterVz::SetDataField);
    P.String("KeyField", &TSTColumnFilterVz::KeyField, &TSTColumnFilterVz::SetKeyField);
    P.String("ListField", &TSTColumnFilterVz::ListField, &TSTColumnFilterVz::SetListField);
    P.Component("ListSource", &TSTColumnFilterVz::ListSource, &TSTColumnFilterVz::SetListSource);
    P.Boolean("Visible", &TSTColumnFilterVz::Visible, &TSTColumnFilterVz::SetVisible);
}

void TSTColumnFilterVz::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TSTColumnFilterVz*>(Source)) {
        SetDataField(s->DataField());
        SetVisible(s->Visible());
        SetKeyField(s->KeyField());
        SetListField(s->ListField());
        SetListSource(s->ListSource());
        return;
    }
    TPersistent::Assign(Source);
}

TDataSource* TSTColumnFilterVz::GetListSource() const { return FListLink->DataSource(); }

void TSTColumnFilterVz::SetListSource(TDataSource* Value) { FListLink->SetDataSource(Value); }

void TSTColumnFilterVz::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    if (FColumn) FColumn->STFilterNotifyChanged();
}

void TSTColumnFilterVz::ListLinkActiveChanged() {
    if (FListLink->Active() && !FListField.isEmpty() && !FKeyField.isEmpty()) {
        TDataSet* ds = FListLink->DataSet();
        FList->Clear();
        FKeys->Clear();
        TField* listField = ds->FieldByName(FListField);
        TField* keyField = ds->FieldByName(FKeyField);
        ds->DisableControls();
        try {
            ds->First();
            while (!ds->Eof()) {
                FList->Add(listField->AsString());
                FKeys->Add(keyField->AsString());
                ds->Next();
            }
            ds->First();
        } catch (...) {
            ds->EnableControls();
            throw;
        }
        ds->EnableControls();
    }
    if (FColumn) FColumn->STFilterDropValueList();
}

TField* TSTColumnFilterVz::DataSetLookupField() {
    ISTFilterGridVz* g = Grid();
    TDataSet* ds = g ? g->STFilterDataSet() : nullptr;
    if (!ds || !FColumn) return nullptr;
    TField* f = ds->FindField(FColumn->STFilterFieldName());
    return f && f->FieldKind() == fkLookup ? f : nullptr;
}

String TSTColumnFilterVz::CurrentKeyField() {
    ISTFilterGridVz* g = Grid();
    if (!g || !g->STFilterDataLinkActive()) return String();
    if (!FKeyField.isEmpty()) return FKeyField;
    if (TField* f = DataSetLookupField()) return f->LookupKeyFields();
    if (FColumn->STFilterLookupActive()) return FColumn->STFilterLookupKeyFieldNames();
    return String();
}

String TSTColumnFilterVz::CurrentDataField() {
    ISTFilterGridVz* g = Grid();
    if (!g || !g->STFilterDataLinkActive()) return String();
    if (!FDataField.isEmpty()) return FDataField;
    if (TField* f = DataSetLookupField()) return f->KeyFields();
    if (FColumn->STFilterLookupActive()) return FColumn->STFilterLookupKeyFieldNames();
    return FColumn->STFilterFieldName();
}

TDataSet* TSTColumnFilterVz::CurrentListDataSet() {
    ISTFilterGridVz* g = Grid();
    if (!g || !g->STFilterDataLinkActive()) return nullptr;
    if (TDataSource* s = GetListSource()) return s->DataSet();
    if (TField* f = DataSetLookupField()) return f->LookupDataSet();
    if (FColumn->STFilterLookupActive()) return FColumn->STFilterLookupDataSet();
    return nullptr;
}

String TSTColumnFilterVz::CurrentListField() {
    ISTFilterGridVz* g = Grid();
    if (!g || !g->STFilterDataLinkActive()) return String();
    if (!FListField.isEmpty()) return FListField;
    if (TField* f = DataSetLookupField()) return f->LookupResultField();
    if (FColumn->STFilterLookupActive()) return FColumn->STFilterLookupDisplayFieldName();
    return String();
}

bool TSTColumnFilterVz::ListIsLookup() {
    return !CurrentKeyField().isEmpty() && CurrentListDataSet() && !CurrentListField().isEmpty();
}

String TSTColumnFilterVz::GetFilterFieldName() { return CurrentDataField(); }

Variant TSTColumnFilterVz::GetOperand1() {
    // The keys chosen from the list stand for the displayed texts; a typed text is recoded into
    // Operand1 itself.
    if (!FKeyField.isEmpty() && !VarIsNull(FKeyValues)) return FKeyValues;
    return FExpression.Operand1;
}

Variant TSTColumnFilterVz::GetOperand2() { return FExpression.Operand2; }

void TSTColumnFilterVz::ParseExpressionText(const String& Text, TSTFilterExpressionVz& AExpression) {
    if (FColumn && FColumn->STFilterLookupActive()) AExpression.ExpressionType = botString;
    else if (TField* f = FColumn ? FColumn->STFilterField() : nullptr) AExpression.ExpressionType = FieldTypeOperandType(f->DataType());
    else AExpression.ExpressionType = botNon;
    if (FColumn && NonEmptyListVz(FColumn->STFilterKeyList()) && NonEmptyListVz(FColumn->STFilterPickList()))
        AExpression.ExpressionType = botString;
    TSTFilterDefaultOperatorVz d = fdoAuto;
    ISTFilterGridVz* g = Grid();
    if (g && g->STFilterCenter()) d = g->STFilterCenter()->GetSTFilterDefaultOperator(g, FColumn, AExpression);
    ParseColumnFilterText(Text, AExpression, d);
    if (!GetListSource()) CheckRecodeKeyList(AExpression, true);
}

void TSTColumnFilterVz::ParseExpressionStr(const String& Text) {
    // Parsed aside and taken only when the whole text is understood.
    TSTFilterExpressionVz e = FExpression;
    ParseExpressionText(Text, e);
    if (ListIsLookup() || (FColumn && FColumn->STFilterLookupActive())) RecodeDisplayToKeys(e);
    FExpression = e;
    FExpressionStr = Text;
    if (ISTFilterGridVz* g = Grid()) g->STFilterInvalidateTitle();
}

void TSTColumnFilterVz::RecodeDisplayToKeys(TSTFilterExpressionVz& E) {
    TDataSet* list = CurrentListDataSet();
    if (!list || !list->Active()) return;
    const String listField = CurrentListField();
    const String keyField = CurrentKeyField();
    auto recode = [&](const Variant& V) -> Variant {
        if (FColumn->STFilterSpecRowVisible() && VarEqualsVz(Variant(FColumn->STFilterSpecRowCellText()), V))
            return FColumn->STFilterSpecRowValue();
        Variant k = list->Lookup(listField, V, keyField);
        if (VarIsEmpty(k) && VarToStr(V).isEmpty()) return Null();
        return k;
    };
    if (E.Operator1 != foNon) {
        E.Operand1 = MapOperandVz(E.Operand1, recode);
        if (!VarIsArray(E.Operand1) && E.Operator1 == foEqual && VarIsNull(E.Operand1)) E.Operator1 = foNull;
    }
    if (E.Operator2 != foNon) {
        E.Operand2 = MapOperandVz(E.Operand2, recode);
        if (!VarIsArray(E.Operand2) && E.Operator2 == foEqual && VarIsNull(E.Operand2)) E.Operator2 = foNull;
    }
}

void TSTColumnFilterVz::CheckRecodeKeyList(TSTFilterExpressionVz& E, bool DisplayToData) {
    if (!FColumn) return;
    TStrings* keys = FColumn->STFilterKeyList();
    TStrings* picks = FColumn->STFilterPickList();
    if (!NonEmptyListVz(keys) || !NonEmptyListVz(picks)) return;
    TStrings* from = DisplayToData ? picks : keys;
    TStrings* to = DisplayToData ? keys : picks;
    auto recode = [&](const Variant& V) -> Variant {
        const int i = from->IndexOf(VarToStr(V));
        return i >= 0 && i < to->Count() ? Variant(to->Strings(i)) : V;
    };
    if (E.Operator1 >= foEqual && E.Operator1 <= foNotIn) E.Operand1 = MapOperandVz(E.Operand1, recode);
    if (E.Operator2 >= foEqual && E.Operator2 <= foNotIn) E.Operand2 = MapOperandVz(E.Operand2, recode);
}

void TSTColumnFilterVz::SetExpressionStr(const String& Value) {
    ParseExpressionStr(Value);
    if (ISTFilterGridVz* g = Grid()) {
        g->STFilterInvalidate();
        if (g->STFilterEditorVisible()) g->STFilterUpdateEditor(true);
    }
}

void TSTColumnFilterVz::Clear() {
    FKeyValues = Null();
    SetExpressionStr(String());
}

void TSTColumnFilterVz::SetExpression(const TSTFilterExpressionVz& Value) {
    FExpression = Value;
    FExpressionStr = GetExpressionAsText();
    if (ISTFilterGridVz* g = Grid()) g->STFilterInvalidateTitle();
}

String TSTColumnFilterVz::GetExpressionAsText() {
    if (FExpression.ExpressionType == botNon || FExpression.Operator1 == foNon) return String();
    if (GetListSource()) {
        if (!VarIsArray(FExpression.Operand1)) return VarToStr(FExpression.Operand1);
        String s;
        for (const Variant& v : ColumnFilterElementsVz(FExpression.Operand1)) {
            if (!s.isEmpty()) s += u',';
            s += u'\'' + VarToStr(v) + u'\'';
        }
        return s;
    }
    return FilterExpressionAsText(FExpression);
}

TOwned<TDatasetFieldValueListVz> TSTColumnFilterVz::GetFieldValueList() {
    ISTFilterGridVz* g = Grid();
    TDataSource* src = GetListSource();
    if (!g || !g->STFilterDataLinkActive() || !src || !src->DataSet() || !src->DataSet()->Active()) return nullptr;
    const String name = !FListField.isEmpty() ? FListField : FColumn->STFilterFieldName();
    if (!src->DataSet()->FindField(name)) return nullptr;
    auto list = NewOwned<TDatasetFieldValueListVz>();
    list->SetFieldName(name);
    list->SetDataSource(src);
    return list;
}

void TSTColumnFilterVz::SetKeyListValues(const String& AText, const Variant& KeyVals) {
    SetExpressionStr(String());
    if (VarIsNull(KeyVals)) {
        FKeyValues = Null();
        return;
    }
    TSTFilterExpressionVz e = FExpression;
    e.ExpressionType = botString;
    e.Operator1 = foIn;
    e.Operand1 = AText;
    SetExpression(e);
    FKeyValues = KeyVals;
}

void TSTColumnFilterVz::SetKeysFromListValues(TStrings* Strings) {
    if (!FListLink->Active() || FListField.isEmpty()) return;
    TDataSet* ds = FListLink->DataSet();
    std::vector<Variant> keys;
    String text;
    for (int i = 0; i < Strings->Count(); ++i) {
        const String s = Strings->Strings(i);
        keys.push_back(ds->Lookup(FListField, s, FKeyField.isEmpty() ? FListField : FKeyField));
        text += u'\'' + s + QStringLiteral("',");
    }
    text.chop(1);
    SetKeyListValues(text, keys.empty() ? Null() : ColumnFilterArrayOfVz(keys));
}

void TSTColumnFilterVz::SetExpressionFromCheckedItems(TStrings* Items, const std::vector<bool>& Checked) {
    TField* f = FColumn ? FColumn->STFilterField() : nullptr;
    const TSTOperandTypeVz kind = f ? FieldTypeOperandType(f->DataType()) : botNon;
    const bool lookup = FColumn && FColumn->STFilterLookupActive();
    QStringList entries;
    for (int i = 0; i < Items->Count() && i < int(Checked.size()); ++i) {
        auto* item = dynamic_cast<ISTFilterListItemVz*>(Items->Objects(i));
        if (!item || !item->IsDataItem() || !Checked[size_t(i)]) continue;
        const String text = Items->Strings(i);
        if (text.isEmpty() && !lookup && (kind == botNumber || kind == botDateTime || kind == botBoolean))
            entries << QStringLiteral("Null");
        else
            entries << QuotedStr(text);
    }
    String text;
    if (entries.size() == 1) text = u'=' + entries.front();
    else if (entries.size() > 1) text = QStringLiteral("in (") + entries.join(u',') + u')';
    ParseExpressionStr(text);
    ISTFilterGridVz* g = Grid();
    if (!g) return;
    if (g->STFilterEditorVisible()) g->STFilterSetEditorText(text);
    if (g->STFilterSettings() && g->STFilterSettings()->InstantApply()) g->STFilterApply();
}

void TSTColumnFilterVz::SetCheckedItemsFromExpression(TStrings* Items, std::vector<bool>& Checked) {
    std::vector<Variant> values;
    const TSTFilterExpressionVz& e = FExpression;
    const bool secondEqual = e.Relation == foOR && e.Operator2 == foEqual;
    if (e.Operator1 == foIn) {
        values = ColumnFilterElementsVz(e.Operand1);
    } else if (e.Operator1 == foEqual || e.Operator1 == foNull) {
        values.push_back(e.Operator1 == foNull ? Null() : e.Operand1);
        if (secondEqual) values.push_back(e.Operand2);
    }
    if (ListIsLookup()) {
        TDataSet* list = CurrentListDataSet();
        for (Variant& v : values) {
            if (FColumn->STFilterSpecRowVisible() && VarToStr(FColumn->STFilterSpecRowValue()) == VarToStr(v))
                v = FColumn->STFilterSpecRowCellText();
            else if (list)
                v = list->Lookup(CurrentKeyField(), v, CurrentListField());
        }
    }
    QStringList texts;
    for (const Variant& v : values) texts << VarToStr(v);
    TStrings* keys = FColumn ? FColumn->STFilterKeyList() : nullptr;
    TStrings* picks = FColumn ? FColumn->STFilterPickList() : nullptr;
    const bool byPick = FColumn && FColumn->STFilterShowsKeysByPickList() && keys && picks;
    Checked.resize(size_t(Items->Count()), false);
    for (int i = 0; i < Items->Count(); ++i) {
        auto* item = dynamic_cast<ISTFilterListItemVz*>(Items->Objects(i));
        if (!item || !item->IsDataItem()) continue;
        String text = Items->Strings(i);
        if (byPick) {
            const int k = picks->IndexOf(text);
            if (k >= 0 && k < keys->Count()) text = keys->Strings(k);
        }
        if (texts.contains(text)) Checked[size_t(i)] = true;
    }
}

String TSTColumnFilterVz::GetOperandAsString(TSTFilterOperatorVz Operator, const Variant& Value) {
    Variant v = Value;
    if (ListIsLookup()) {
        const String keyField = CurrentKeyField();
        if (VarIsNull(v)) {
            const int n = int(keyField.count(u';')) + 1;
            if (n > 1) v = ColumnFilterArrayOfVz(std::vector<Variant>(size_t(n), Null()));
        }
        v = CurrentListDataSet()->Lookup(keyField, v, CurrentListField());
    }
    String text;
    if (VarIsArray(v)) {
        std::vector<Variant> e = ColumnFilterElementsVz(v);
        if (!e.empty() && VarIsArray(e.front())) e = ColumnFilterElementsVz(e.front());
        QStringList parts;
        for (const Variant& x : e) parts << VarToStr(x);
        text = parts.join(u',');
    } else {
        text = VarToStr(v);
    }
    const String upper = text.toUpper();
    const bool quote = ((Operator == foIn || Operator == foNotIn) && text.contains(u',')) || text.startsWith(u' ') ||
                       text.endsWith(u' ') || text.startsWith(u'\'') || upper.endsWith(u" OR") ||
                       upper.endsWith(u" AND") || upper == u"OR" || upper == u"AND";
    return quote ? QuotedStr(text) : text;
}

// ---- TSTDBGridVzFilter -----------------------------------------------------------------------

TSTDBGridVzFilter::TSTDBGridVzFilter(ISTFilterGridVz* AGrid) : FGrid(AGrid), FFont(NewOwned<TFont>()) {
    RefreshDefaultFont();
    FFont->OnChange = TNotifyEvent(this, &TSTDBGridVzFilter::FontChanged);
}

TSTDBGridVzFilter::~TSTDBGridVzFilter() = default;

void TSTDBGridVzFilter::Published(TPublished<TSTDBGridVzFilter>& P) {
    P.Boolean("Visible", &TSTDBGridVzFilter::Visible, &TSTDBGridVzFilter::SetVisible);
    P.Enum("Location", &TSTDBGridVzFilter::Location, &TSTDBGridVzFilter::SetLocation,
           {"stflUnderTitleFilterVz", "stflInTitleFilterVz"});
    P.Boolean("Local", &TSTDBGridVzFilter::Local, &TSTDBGridVzFilter::SetLocal);
    P.Boolean("ParentFont", &TSTDBGridVzFilter::ParentFont, &TSTDBGridVzFilter::SetParentFont);
    P.Integer("RowHeight", &TSTDBGridVzFilter::RowHeight, &TSTDBGridVzFilter::SetRowHeight);
    P.Integer("RowLines", &TSTDBGridVzFilter::RowLines, &TSTDBGridVzFilter::SetRowLines);
}

void TSTDBGridVzFilter::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TSTDBGridVzFilter*>(Source)) {
        SetVisible(s->Visible());
        SetLocal(s->Local());
        return;
    }
    TPersistent::Assign(Source);
}

void TSTDBGridVzFilter::Repaint() {
    if (FGrid) FGrid->STFilterInvalidate();
}

void TSTDBGridVzFilter::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    if (!FGrid) return;
    if (!Value) FGrid->STFilterEndFilterEditing();
    FGrid->STFilterLayoutChanged();
    FGrid->STFilterRepaintInplaceEditor();
}

void TSTDBGridVzFilter::SetLocation(TSTFilterLocationVz Value) {
    if (FLocation == Value) return;
    FLocation = Value;
    if (FGrid) FGrid->STFilterLayoutChanged();
}

void TSTDBGridVzFilter::SetInstantApply(bool Value) {
    FInstantApply = Value;
    FInstantApplyStored = true;
}

void TSTDBGridVzFilter::DefaultFont(TFont* AFont) {
    if (FGrid && FGrid->STFilterGridFont()) AFont->Assign(FGrid->STFilterGridFont());
    if (!IsCustomStyleActiveVz()) AFont->SetColor(clBlue);
}

void TSTDBGridVzFilter::RefreshDefaultFont() {
    FRefreshingFont = true;
    try {
        DefaultFont(FFont.get());
    } catch (...) {
        FRefreshingFont = false;
        throw;
    }
    FRefreshingFont = false;
}

void TSTDBGridVzFilter::FontChanged(TObject*) {
    if (!FRefreshingFont && !(FGrid && (FGrid->STFilterFontChanging() || FGrid->STFilterLoading())))
        FParentFont = false;
    if (FGrid) FGrid->STFilterLayoutChanged();
}

void TSTDBGridVzFilter::SetParentFont(bool Value) {
    if (FParentFont == Value) return;
    FParentFont = Value;
    if (Value) RefreshDefaultFont();
    Repaint();
}

void TSTDBGridVzFilter::SetColor(TColor Value) {
    if (FColor == Value) return;
    FColor = Value;
    Repaint();
}

void TSTDBGridVzFilter::SetHorzLineColor(TColor Value) {
    if (FHorzLineColor == Value) return;
    FHorzLineColor = Value;
    Repaint();
}

void TSTDBGridVzFilter::SetVertLineColor(TColor Value) {
    if (FVertLineColor == Value) return;
    FVertLineColor = Value;
    Repaint();
}

void TSTDBGridVzFilter::SetRowHeight(int Value) {
    if (FRowHeight == Value) return;
    FRowHeight = Value;
    if (FGrid) FGrid->STFilterLayoutChanged();
}

void TSTDBGridVzFilter::SetRowLines(int Value) {
    if (FRowLines == Value) return;
    FRowLines = Value;
    if (FGrid) FGrid->STFilterLayoutChanged();
}

void TSTDBGridVzFilter::SetFilterButtonDrawTime(TDBGridFilterButtonDrawTimeVz Value) {
    if (FFilterButtonDrawTime == Value) return;
    FFilterButtonDrawTime = Value;
    Repaint();
}

void TSTDBGridVzFilter::SetFilterButtonDrawBackTime(TEditButtonDrawBackTimeVz Value) {
    FFilterButtonDrawBackTime = Value;
    FFilterButtonDrawBackTimeStored = true;
    Repaint();
}

void TSTDBGridVzFilter::SetFilterButtonDrawBackTimeStored(bool Value, TEditButtonDrawBackTimeVz Default) {
    if (FFilterButtonDrawBackTimeStored == Value) return;
    if (Value) FFilterButtonDrawBackTime = Default;
    FFilterButtonDrawBackTimeStored = Value;
    Repaint();
}

int TSTDBGridVzFilter::RowFullRowHeight(int TextHeightWithLeading, int GridDefaultRowHeight, int WgTextHeight,
                                        int Interlinear) const {
    if (FRowLines != 0 || FRowHeight != 0) return FRowHeight + FRowLines * TextHeightWithLeading;
    TFont* gridFont = FGrid ? FGrid->STFilterGridFont() : nullptr;
    if (!gridFont || gridFont->Size() == FFont->Size()) return GridDefaultRowHeight;
    return WgTextHeight + Interlinear;
}

int TSTDBGridVzFilter::UpdateInplaceEditorButtonHeight(int RowHeight, int ButtonWidth, bool Flat) {
    FInplaceEditorButtonHeight = RowHeight > RoundToInt(1.5 * ButtonWidth) ? GetEditButtonHeightVz(ButtonWidth, Flat)
                                                                           : RowHeight;
    return FInplaceEditorButtonHeight;
}
