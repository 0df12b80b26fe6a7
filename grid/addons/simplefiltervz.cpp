#include "grid/addons/simplefiltervz.h"

#include "grid/core/uitextsvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/db.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/graphics.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"

namespace {

TDBGridVzSimpleFilterDialog* SharedDialog = nullptr;

// The operator texts of the tags, in tag order (tag 0 is the empty item).
String TagText(int Tag) {
    const auto* t = GetViZevLanguageConsts();
    switch (Tag) {
    case sftEqualsVz: return t->SimpFilter_equals();
    case sftNotEqualVz: return t->SimpFilter_does_not_equal();
    case sftGreaterVz: return t->SimpFilter_is_greate_than();
    case sftGreaterOrEqualVz: return t->SimpFilter_is_greate_than_or_equall_to();
    case sftLessVz: return t->SimpFilter_is_less_than();
    case sftLessOrEqualVz: return t->SimpFilter_is_less_than_or_equall_to();
    case sftBeginsWithVz: return t->SimpFilter_begins_with();
    case sftNotBeginsWithVz: return t->SimpFilter_does_not_begin_with();
    case sftEndsWithVz: return t->SimpFilter_ends_with();
    case sftNotEndsWithVz: return t->SimpFilter_does_not_end_with();
    case sftContainsVz: return t->SimpFilter_contains();
    case sftNotContainsVz: return t->SimpFilter_does_not_contain();
    case sftLikeVz: return t->SimpFilter_like();
    case sftNotLikeVz: return t->SimpFilter_not_like();
    case sftInListVz: return t->SimpFilter_in_list();
    case sftNotInListVz: return t->SimpFilter_not_in_list();
    case sftIsBlankVz: return t->SimpFilter_is_blank();
    case sftIsNotBlankVz: return t->SimpFilter_is_not_blank();
    default: return String();
    }
}

const char16_t* TagPiece(int Tag) {
    static const char16_t* const pieces[] = {u"",   u"=",  u"<>", u">",  u">=", u"<",  u"<=",
                                             u"~",  u"!~", u"~",  u"!~", u"~",  u"!~", u"~",
                                             u"!~", u"in", u"!in", u"=Null", u"<>Null"};
    return Tag >= 0 && Tag <= sftIsNotBlankVz ? pieces[Tag] : u"";
}

TComboBox* MakeSignBox(TDBGridVzSimpleFilterDialog* Form, int Top, int TabOrder) {
    auto* b = New<TComboBox>(Form);
    b->SetParent(Form);
    b->SetBounds(8, Top, 191, 21);
    b->SetStyle(csDropDownList);
    b->SetTabOrder(TabOrder);
    return b;
}

TEdit* MakePlaceEdit(TDBGridVzSimpleFilterDialog* Form, int Top, int TabOrder) {
    auto* e = New<TEdit>(Form);
    e->SetParent(Form);
    e->SetBounds(207, Top, 191, 21);
    e->SetTabOrder(TabOrder);
    e->SetVisible(false);
    return e;
}

TDBComboBoxVz* MakeValueBox(TDBGridVzSimpleFilterDialog* Form, int L, int T, int W, int TabOrder) {
    auto* b = New<TDBComboBoxVz>(Form);
    b->SetParent(Form);
    b->SetBounds(L, T, W, 21);
    b->SetTabOrder(TabOrder);
    b->DropDownBox()->SetRows(17);
    b->DropDownBox()->SetSizable(true);
    b->SetVisible(false);
    return b;
}

TLabel* MakeLabel(TDBGridVzSimpleFilterDialog* Form, int L, int T, int W) {
    auto* l = New<TLabel>(Form);
    l->SetParent(Form);
    l->SetBounds(L, T, W, 13);
    return l;
}

TRadioButton* MakeRadio(TDBGridVzSimpleFilterDialog* Form, int L, int W, int TabOrder) {
    auto* r = New<TRadioButton>(Form);
    r->SetParent(Form);
    r->SetBounds(L, 69, W, 17);
    r->SetTabOrder(TabOrder);
    return r;
}

TButton* MakeButton(TDBGridVzSimpleFilterDialog* Form, int L, int TabOrder, int Result) {
    auto* b = New<TButton>(Form);
    b->SetParent(Form);
    b->SetBounds(L, 188, 78, 22);
    b->SetTabOrder(TabOrder);
    b->SetModalResult(Result);
    return b;
}

}  // namespace

String SimpleFilterConditionTextVz(int Tag, const String& Value, bool Quote) {
    if (Tag < 0 || Tag > sftIsNotBlankVz) Tag = sftNoneVz;
    String result = String::fromUtf16(TagPiece(Tag));
    String value = Value;
    if (Tag == sftBeginsWithVz || Tag == sftNotBeginsWithVz || Tag == sftContainsVz || Tag == sftNotContainsVz)
        value += u'%';
    if (Tag >= sftEndsWithVz && Tag <= sftNotContainsVz) value = u'%' + value;
    // A quote inside the value is doubled, so that the filter compares with the text as typed.
    if (Quote && Tag >= sftEqualsVz && Tag <= sftNotLikeVz)
        value = u'\'' + String(value).replace(u"'"_S, u"''"_S) + u'\'';
    if (Tag == sftInListVz || Tag == sftNotInListVz) value = u'(' + value + u')';
    if (Tag != sftIsBlankVz && Tag != sftIsNotBlankVz && !value.isEmpty()) result += value;
    return result;
}

int SimpleFilterTagOfOperationVz(TSTFilterOperatorVz Operator, String& ValueText) {
    switch (Operator) {
    case foNon: return sftNoneVz;
    case foEqual: return sftEqualsVz;
    case foNotEqual: return sftNotEqualVz;
    case foGreaterThan: return sftGreaterVz;
    case foGreaterOrEqual: return sftGreaterOrEqualVz;
    case foLessThan: return sftLessVz;
    case foLessOrEqual: return sftLessOrEqualVz;
    case foIn: return sftInListVz;
    case foNotIn: return sftNotInListVz;
    case foNull: return sftIsBlankVz;
    case foNotNull: return sftIsNotBlankVz;
    case foLike:
    case foNotLike: {
        const bool negated = Operator == foNotLike;
        const String& t = ValueText;
        const auto at = [&t](qsizetype i) { return i >= 0 && i < t.size() ? t[i] : QChar(); };
        const bool starts = at(0) == u'%' && at(1) != u'%';
        const bool ends = at(t.size() - 1) == u'%' && at(t.size() - 2) != u'%';
        if (starts && ends) {
            ValueText = t.mid(1, t.size() - 2);
            return negated ? sftNotContainsVz : sftContainsVz;
        }
        if (starts) {
            ValueText = t.mid(1);
            return negated ? sftNotEndsWithVz : sftEndsWithVz;
        }
        if (ends) {
            ValueText = t.left(t.size() - 1);
            return negated ? sftNotBeginsWithVz : sftBeginsWithVz;
        }
        return negated ? sftNotLikeVz : sftLikeVz;
    }
    default: return -1;
    }
}

bool SimpleFilterIsTextColumnVz(TColumnVz* Column) {
    TField* f = Column ? Column->Field() : nullptr;
    if (!f) return true;
    const TSTOperandTypeVz t = FieldTypeOperandType(f->DataType());
    return t != botNumber && t != botDateTime && t != botBoolean;
}

TDBGridVzSimpleFilterDialog* TDBGridVzSimpleFilterDialog::Shared() {
    if (!SharedDialog) SharedDialog = New<TDBGridVzSimpleFilterDialog>(Application);
    return SharedDialog;
}

TDBGridVzSimpleFilterDialog::TDBGridVzSimpleFilterDialog(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetColor(clBtnFace);
    SetClientWidth(410);
    SetClientHeight(218);
    Font()->SetName(DefFontName);
    Label1 = MakeLabel(this, 6, 7, 100);
    Bevel1 = New<TBevel>(this);
    Bevel1->SetParent(this);
    Bevel1->SetBounds(4, 27, 399, 8);
    ComboBox1 = MakeSignBox(this, 39, 0);
    Edit1 = MakePlaceEdit(this, 39, 1);
    rbAnd = MakeRadio(this, 38, 47, 2);
    rbOr = MakeRadio(this, 105, 53, 3);
    rbAnd->SetChecked(true);
    ComboBox2 = MakeSignBox(this, 92, 4);
    Edit2 = MakePlaceEdit(this, 92, 5);
    Label2 = MakeLabel(this, 6, 131, 189);
    Label3 = MakeLabel(this, 6, 151, 208);
    bOk = MakeButton(this, 237, 6, mrOk);
    bOk->SetDefault(true);
    bCancel = MakeButton(this, 323, 7, mrCancel);
    bCancel->SetCancel(true);
    DBComboBoxVz1 = MakeValueBox(this, 215, 46, 190, 8);
    DBComboBoxVz2 = MakeValueBox(this, 213, 98, 191, 9);
    OnCloseQuery = TCloseQueryEvent(this, &TDBGridVzSimpleFilterDialog::FormCloseQuery);
    UpdateLanguageVars();
}

TDBGridVzSimpleFilterDialog::~TDBGridVzSimpleFilterDialog() {
    if (SharedDialog == this) SharedDialog = nullptr;
}

void TDBGridVzSimpleFilterDialog::UpdateLanguageVars() {
    const auto* t = GetViZevLanguageConsts();
    SetCaption(t->DBGridVzSimpleFilterDialog_Caption());
    Label1->SetCaption(t->DBGridVzSimpleFilterDialog_ShowRecordsWhere());
    Label2->SetCaption(t->DBGridVzSimpleFilterDialog_OneCharWildcardInfo());
    Label3->SetCaption(t->DBGridVzSimpleFilterDialog_SeveralCharsWildcardInfo());
    rbOr->SetCaption(t->DBGridVzSimpleFilterDialog_Or_Caption());
    rbAnd->SetCaption(t->DBGridVzSimpleFilterDialog_And_Caption());
    bOk->SetCaption(t->OKButtonVz());
    bCancel->SetCaption(t->CancelButtonVz());
}

int TDBGridVzSimpleFilterDialog::SelectedTag(TComboBox* Box) const {
    const std::vector<int>& tags = TagsOf(Box);
    const int i = Box->ItemIndex();
    return i >= 0 && i < int(tags.size()) ? tags[size_t(i)] : sftNoneVz;
}

void TDBGridVzSimpleFilterDialog::SelectTag(TComboBox* Box, int Tag) {
    const std::vector<int>& tags = TagsOf(Box);
    for (size_t i = 0; i < tags.size(); ++i)
        if (tags[i] == Tag) {
            Box->SetItemIndex(int(i));
            return;
        }
    Box->SetItemIndex(-1);
}

void TDBGridVzSimpleFilterDialog::Init() {
    InitSignComboBox(ComboBox1);
    InitSignComboBox(ComboBox2);
    InitValuesComboBox(DBComboBoxVz1, TPoint{Edit1->Left(), Edit1->Top()});
    InitValuesComboBox(DBComboBoxVz2, TPoint{Edit2->Left(), Edit2->Top()});
    if (Column) FillDialogFromColumnFilter(Column->STFilter());
}

void TDBGridVzSimpleFilterDialog::InitSignComboBox(TComboBox* Box) {
    const bool text = SimpleFilterIsTextColumnVz(Column);
    std::vector<int>& tags = TagsOf(Box);
    tags.clear();
    Box->Items()->BeginUpdate();
    Box->Items()->Clear();
    for (int tag = sftNoneVz; tag <= sftIsNotBlankVz; ++tag) {
        if (!text && tag >= sftBeginsWithVz && tag <= sftNotLikeVz) continue;
        Box->Items()->Add(TagText(tag));
        tags.push_back(tag);
    }
    Box->Items()->EndUpdate();
    Box->SetDropDownCount(Box->Items()->Count());
}

void TDBGridVzSimpleFilterDialog::InitValuesComboBox(TDBComboBoxVz* Box, const TPoint& Pos) {
    Box->SetBounds(Pos.X, Pos.Y, Box->Width(), Box->Height());
    Box->SetVisible(true);
    Box->Items()->Clear();
    TCustomDBGridVz* g = Column ? Column->Grid() : nullptr;
    // The column's current values are offered for grids over an in-memory table.
    if (g && dynamic_cast<TCustomMemTableVz*>(g->FilterHost()->STFilterDataSet())) FillColumnValueList(Box->Items());
    Box->SetText(String());
}

void TDBGridVzSimpleFilterDialog::FillColumnValueList(TStrings* Items) {
    TCustomDBGridVz* g = Column->Grid();
    auto values = NewOwned<TStringList>();
    TDBGridVzCenter* center = g->FilterHost()->STFilterCenter();
    (center ? center : DBGridVzCenter())->StandardFillSTFilterListDataValues(g->FilterHost(), Column, values.get());
    const bool lookup = Column->STFilterLookupActive() && !Column->STFilterLookupKeyFieldNames().contains(u';');
    TDataSet* lookupSet = lookup ? Column->STFilterLookupDataSet() : nullptr;
    const String keyNames = lookup ? Column->STFilterLookupKeyFieldNames() : String();
    TField* keyField = lookupSet ? lookupSet->FindField(keyNames) : nullptr;
    Items->BeginUpdate();
    try {
        for (int i = 0; i < values->Count(); ++i) {
            const String text = values->Strings(i);
            if (!lookupSet) {
                Items->Add(text);
                continue;
            }
            Variant key = text;
            if (keyField && !IsStringFieldTypeVz(keyField->DataType()) && text.isEmpty()) key = Null();
            if (lookupSet->Locate(keyNames, key, TLocateOptions{}))
                Items->Add(lookupSet->FieldByName(Column->STFilterLookupDisplayFieldName())->DisplayText());
            else if (VarIsNull(key))
                Items->Add(String());
        }
    } catch (...) {
        Items->EndUpdate();
        throw;
    }
    Items->EndUpdate();
}

void TDBGridVzSimpleFilterDialog::FillDialogFromColumnFilter(TSTColumnFilterVz* Filter) {
    TSTFilterExpressionVz e = Filter->Expression();
    if (!Filter->ListSource()) Filter->CheckRecodeKeyList(e, false);
    FillDialogFromColumnFilter1(e.Operator1, e.Operand1, DBComboBoxVz1, ComboBox1);
    if (e.Relation == foOR) rbOr->SetChecked(true);
    else rbAnd->SetChecked(true);
    FillDialogFromColumnFilter1(e.Operator2, e.Operand2, DBComboBoxVz2, ComboBox2);
}

void TDBGridVzSimpleFilterDialog::FillDialogFromColumnFilter1(TSTFilterOperatorVz Operator, const Variant& Operand,
                                                              TDBComboBoxVz* ValueBox, TComboBox* OperatorBox) {
    String text = Column ? Column->STFilter()->GetOperandAsString(Operator, Operand) : VarToStr(Operand);
    const int tag = SimpleFilterTagOfOperationVz(Operator, text);
    ValueBox->SetText(text);
    if (tag >= 0) SelectTag(OperatorBox, tag);
    else OperatorBox->SetItemIndex(-1);
}

String TDBGridVzSimpleFilterDialog::SetFilterFromDialog1(TComboBox* OperatorBox, TDBComboBoxVz* ValueBox) {
    if (OperatorBox->ItemIndex() < 0) OperatorBox->SetItemIndex(0);
    const bool quote = Column && Column->STFilter()->Expression().ExpressionType == botString;
    return SimpleFilterConditionTextVz(SelectedTag(OperatorBox), ValueBox->Text(), quote);
}

void TDBGridVzSimpleFilterDialog::SetFilterFromDialog() {
    const String text1 = SetFilterFromDialog1(ComboBox1, DBComboBoxVz1);
    const String text2 = SetFilterFromDialog1(ComboBox2, DBComboBoxVz2);
    String text = text1;
    if (!text2.isEmpty()) text = text1 + (rbOr->Checked() ? u" OR "_S : u" AND "_S) + text2;
    Column->STFilter()->SetExpressionStr(text);
}

void TDBGridVzSimpleFilterDialog::FormCloseQuery(TObject*, bool& CanClose) {
    if (ModalResult() != mrOk) return;
    try {
        SetFilterFromDialog();
    } catch (const Exception&) {
        CanClose = false;
        Application->HandleException(this);
    }
}

bool ShowSimpleFilterDialog(TColumnVz* Column) {
    TDBGridVzSimpleFilterDialog* d = TDBGridVzSimpleFilterDialog::Shared();
    d->Column = Column;
    d->Init();
    return d->ShowModal() == mrOk;
}
