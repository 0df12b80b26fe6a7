#include "grid/addons/finddialogvz.h"

#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/editors/dbcheckboxvz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/gui/messages.h"
#include "platform/gui/stdctrls.h"

#include <QGuiApplication>

namespace {

TDBGridVzFindDlg* SharedFindDlg = nullptr;

TDBComboBoxVz* MakeBox(TDBGridVzFindDlg* Form, int L, int T, int W, int H, int TabOrder,
                       std::initializer_list<const char16_t*> Keys, int Selected) {
    auto* b = New<TDBComboBoxVz>(Form);
    b->SetParent(Form);
    b->SetBounds(L, T, W, H);
    b->SetTabOrder(TabOrder);
    b->DropDownBox()->SetRows(17);
    b->DropDownBox()->SetSizable(true);
    for (const char16_t* k : Keys) {
        b->Items()->Add(String::fromUtf16(k));
        b->KeyItems()->Add(String::fromUtf16(k));
    }
    if (Selected >= 0) b->SetItemIndex(Selected);
    return b;
}

TLabel* MakeLabel(TDBGridVzFindDlg* Form, int L, int T, const char16_t* Caption) {
    auto* l = New<TLabel>(Form);
    l->SetParent(Form);
    l->SetBounds(L, T, 76, 13);
    l->SetCaption(String::fromUtf16(Caption));
    return l;
}

}  // namespace

TDBGridVzFindDlg* TDBGridVzFindDlg::Shared() {
    if (!SharedFindDlg) SharedFindDlg = New<TDBGridVzFindDlg>(Application);
    return SharedFindDlg;
}

TDBGridVzFindDlg::TDBGridVzFindDlg(TComponent* AOwner) : TForm(AOwner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetKeyPreview(true);
    SetColor(clBtnFace);
    SetCaption(u"Find text"_S);
    SetClientWidth(505);
    SetClientHeight(150);
    Label1 = MakeLabel(this, 10, 12, u"Fi&nd What:");
    Label2 = MakeLabel(this, 10, 35, u"Find &in:");
    cbMatchType = MakeLabel(this, 10, 58, u"Matc&h:");
    Label3 = MakeLabel(this, 10, 82, u"Sea&rch:");
    Label4 = MakeLabel(this, 10, 128, u"Find in Tree:");
    cbText = MakeBox(this, 88, 9, 316, 21, 0, {}, -1);
    cbFindIn = MakeBox(this, 88, 32, 192, 21, 1, {}, -1);
    cbMatchinType = MakeBox(this, 88, 55, 144, 21, 2,
                            {u"From any part of field", u"Whole field", u"From beging of field"}, 0);
    cbFindDirection = MakeBox(this, 88, 79, 144, 21, 3, {u"Up", u"Down", u"All"}, 2);
    cbCharCase = New<TDBCheckBoxVz>(this);
    cbCharCase->SetParent(this);
    cbCharCase->SetBounds(88, 105, 144, 14);
    cbCharCase->SetTabOrder(4);
    cbCharCase->SetCaption(u"Match &Case"_S);
    cbUseFormat = New<TDBCheckBoxVz>(this);
    cbUseFormat->SetParent(this);
    cbUseFormat->SetBounds(260, 105, 144, 14);
    cbUseFormat->SetTabOrder(5);
    cbUseFormat->SetCaption(u"Match F&ormat"_S);
    cbUseFormat->SetChecked(true);
    bFind = New<TButton>(this);
    bFind->SetParent(this);
    bFind->SetBounds(413, 9, 82, 23);
    bFind->SetTabOrder(6);
    bFind->SetCaption(u"&Find next"_S);
    bCancel = New<TButton>(this);
    bCancel->SetParent(this);
    bCancel->SetBounds(413, 37, 82, 22);
    bCancel->SetTabOrder(7);
    bCancel->SetCaption(u"Close"_S);
    bCancel->SetCancel(true);
    bCancel->SetModalResult(mrCancel);
    dbcTreeFindRange =
        MakeBox(this, 88, 124, 145, 21, 8,
                {u"In all nodes", u"In expanded nodes", u"In current level", u"In current node"}, 0);
    FSourceHeight = Height();

    bFind->OnClick = TNotifyEvent(this, &TDBGridVzFindDlg::bFindClick);
    bCancel->OnClick = TNotifyEvent(this, &TDBGridVzFindDlg::bCancelClick);
    cbText->OnChange = TNotifyEvent(this, &TDBGridVzFindDlg::cbTextChange);
    cbFindDirection->OnChange = TNotifyEvent(this, &TDBGridVzFindDlg::cbTextChange);
    dbcTreeFindRange->OnChange = TNotifyEvent(this, &TDBGridVzFindDlg::cbTextChange);
    cbFindIn->OnChange = TNotifyEvent(this, &TDBGridVzFindDlg::cbFindInChange);
    OnKeyDown = TKeyEvent(this, &TDBGridVzFindDlg::FormKeyDown);
    UpdateLanguageVars();
}

TDBGridVzFindDlg::~TDBGridVzFindDlg() {
    if (SharedFindDlg == this) SharedFindDlg = nullptr;
}

void TDBGridVzFindDlg::SetShownItems(TDBComboBoxVz* Box, std::initializer_list<String> Texts) {
    const int index = Box->ItemIndex();
    Box->Items()->Clear();
    for (const String& t : Texts) Box->Items()->Add(t);
    Box->SetItemIndex(index);
}

void TDBGridVzFindDlg::UpdateLanguageVars() {
    const auto* t = GetViZevLanguageConsts();
    SetCaption(t->DBGridVzFindDlg_Caption());
    Label1->SetCaption(t->DBGridVzFindDlg_FindWhat());
    Label2->SetCaption(t->DBGridVzFindDlg_FindIn());
    cbMatchType->SetCaption(t->DBGridVzFindDlg_Match());
    Label3->SetCaption(t->DBGridVzFindDlg_Search());
    Label4->SetCaption(t->DBGridVzFindDlg_FindInTree());
    bFind->SetCaption(t->DBGridVzFindDlg_FindNext());
    bCancel->SetCaption(t->DBGridVzFindDlg_Close());
    cbCharCase->SetCaption(t->DBGridVzFindDlg_MatchCase());
    cbUseFormat->SetCaption(t->DBGridVzFindDlg_MatchFormat());
    SetShownItems(cbMatchinType, {t->DBGridVzFindDlg_FromAnyPart(), t->DBGridVzFindDlg_WholeField(),
                                  t->DBGridVzFindDlg_FromBeging()});
    SetShownItems(cbFindDirection, {t->DBGridVzFindDlg_Direction_Up(), t->DBGridVzFindDlg_Direction_Down(),
                                    t->DBGridVzFindDlg_Direction_All()});
    SetShownItems(dbcTreeFindRange,
                  {t->DBGridVzFindDlg_TreeRange_InAllNodes(), t->DBGridVzFindDlg_TreeRange_InExpandedNodes(),
                   t->DBGridVzFindDlg_TreeRange_InCurrentLevel(), t->DBGridVzFindDlg_TreeRange_InCurrentNode()});
}

void TDBGridVzFindDlg::Execute(TCustomDBGridVz* AGrid, const String& Text, const String& /*ColumnFieldName*/,
                               const std::vector<TColumnFieldItemVz>& /*ColumnFields*/, bool Modal) {
    TDataSet* ds = AGrid && AGrid->DataSource() ? AGrid->DataSource()->DataSet() : nullptr;
    IMemTableVz* mt = ds && ds->Active() ? dynamic_cast<IMemTableVz*>(ds) : nullptr;
    const bool tree = mt && mt->GetViewAsTreeList();
    if (tree) {
        SetHeight(FSourceHeight);
    } else {
        SetClientHeight(dbcTreeFindRange->Top());
    }
    Label4->SetVisible(tree);
    dbcTreeFindRange->SetVisible(tree);

    cbText->SetText(Text);
    FGrid = AGrid;
    FillColumnsList();
    int sel = -1;
    const int si = AGrid ? AGrid->SelectedIndex() : -1;
    if (AGrid && si >= 0 && si < AGrid->Columns()->Count())
        sel = cbFindIn->Items()->IndexOfObject(AGrid->Columns()->Items(si));
    cbFindIn->SetItemIndex(sel);

    IsFirstTry = true;
    if (Showing()) Close();
    FillFindColumnsList();
    FModal = Modal;
    if (Modal) {
        SetFormStyle(fsNormal);
        ShowModal();
    } else {
        SetFormStyle(fsStayOnTop);
        Show();
        SetFocus();
    }
}

void TDBGridVzFindDlg::DoShow() {
    TForm::DoShow();
    if (cbText->CanFocus()) SetActiveControl(cbText);
}

void TDBGridVzFindDlg::FillColumnsList() {
    const TNotifyEvent change = cbFindIn->OnChange;
    cbFindIn->OnChange = nullptr;
    cbFindIn->Items()->Clear();
    if (!FColumnFields.empty()) {
        for (const auto& f : FColumnFields) cbFindIn->Items()->AddObject(f.Caption, f.Column);
    } else if (FGrid) {
        const TColumnsVzList cols = FGrid->VisibleColumns();
        for (int i = 0; i < cols.Count(); ++i) cbFindIn->Items()->AddObject(cols.Items(i)->Title()->Caption(), cols.Items(i));
    }
    cbFindIn->Items()->AddObject(GetViZevLanguageConsts()->FindItemNameAllVz(), nullptr);
    cbFindIn->KeyItems()->Assign(cbFindIn->Items());
    cbFindIn->OnChange = change;
}

void TDBGridVzFindDlg::FillFindColumnsList() {
    if (cbFindIn->ItemIndex() < 0) cbFindIn->SetItemIndex(cbFindIn->Items()->Count() - 1);
    FFindColumnsList.clear();
    FCurInListColIndex = -1;
    if (AllColumnsSelected()) {
        for (int i = 0; i + 1 < cbFindIn->Items()->Count(); ++i)
            FFindColumnsList.push_back(static_cast<TColumnVz*>(cbFindIn->Items()->Objects(i)));
    } else if (auto* c = static_cast<TColumnVz*>(cbFindIn->Items()->Objects(cbFindIn->ItemIndex()))) {
        FFindColumnsList.push_back(c);
    }
    if (!FFindColumnsList.empty()) FCurInListColIndex = 0;
    IsFirstTry = true;
}

bool TDBGridVzFindDlg::AllColumnsSelected() const {
    const int n = cbFindIn->Items()->Count();
    return n > 0 && cbFindIn->ItemIndex() == n - 1;
}

TFindDialogSearchVz TDBGridVzFindDlg::SearchParams(bool InvertDirection) const {
    TFindDialogSearchVz p;
    if (!cbCharCase->Checked()) p.Options.Include(ltoCaseInsensitiveVz);
    if (cbUseFormat->Checked()) p.Options.Include(ltoMatchFormatVz);
    if (AllColumnsSelected()) p.Options.Include(ltoAllFieldsVz);
    switch (cbFindDirection->ItemIndex()) {
    case 0: p.Direction = ltdUpVz; break;
    case 1: p.Direction = ltdDownVz; break;
    default: p.Direction = ltdAllVz; break;
    }
    if (InvertDirection) p.Direction = p.Direction == ltdUpVz ? ltdDownVz : ltdUpVz;
    if (!IsFirstTry && p.Direction == ltdAllVz) p.Direction = ltdDownVz;
    switch (cbMatchinType->ItemIndex()) {
    case 1: p.Matching = ltmWholeVz; break;
    case 2: p.Matching = ltmFromBegingVz; break;
    default: p.Matching = ltmAnyPartVz; break;
    }
    const int ci = cbFindIn->ItemIndex();
    if (ci >= 0 && !AllColumnsSelected())
        if (auto* c = static_cast<TColumnVz*>(cbFindIn->Items()->Objects(ci))) p.FieldName = c->FieldName();
    switch (dbcTreeFindRange->ItemIndex()) {
    case 1: p.TreeFindRange = lttInExpandedNodesVz; break;
    case 2: p.TreeFindRange = lttInCurrentLevelVz; break;
    case 3: p.TreeFindRange = lttInCurrentNodeVz; break;
    default: p.TreeFindRange = lttInAllNodesVz; break;
    }
    return p;
}

bool TDBGridVzFindDlg::FindNext(bool InvertDirection) {
    const String text = cbText->Text();
    if (cbText->Items()->IndexOf(text) < 0) cbText->Items()->Add(text);
    TDataSet* ds = FGrid && FGrid->DataSource() ? FGrid->DataSource()->DataSet() : nullptr;
    if (!ds || !ds->Active()) return false;
    const TFindDialogSearchVz p = SearchParams(InvertDirection);
    ISTFilterGridVz* host = FGrid->FilterHost();
    TDBGridVzCenter* centre = host->STFilterCenter();
    const bool found = centre ? centre->LocateText(host, p.FieldName, text, p.Options, p.Direction, p.Matching,
                                                   p.TreeFindRange, 0, nullptr)
                              : LocateTextInGrid(host, p.FieldName, text, p.Options, p.Direction, p.Matching, 0,
                                                 nullptr);
    if (found) IsFirstTry = false;
    return found;
}

void TDBGridVzFindDlg::bFindClick(TObject*) {
    FindNext(QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ControlModifier));
}

void TDBGridVzFindDlg::bCancelClick(TObject*) { Close(); }

void TDBGridVzFindDlg::cbTextChange(TObject*) { IsFirstTry = true; }

void TDBGridVzFindDlg::cbFindInChange(TObject*) { FillFindColumnsList(); }

void TDBGridVzFindDlg::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
    if (Key != VK_RETURN && Key != VK_ESCAPE) return;
    // An open drop-down list takes Enter and Esc itself.
    if (TWinControl* active = ActiveControl(); active && active->Perform(CM_WANTSPECIALKEY, Key, 0) != 0) return;
    if (Key == VK_ESCAPE) {
        if (!FModal) {
            Close();
            Key = 0;
        }
    } else {
        FindNext(Shift.Contains(ssCtrl));
        Key = 0;
    }
    cbText->SetModified(false);
}

void DefaultExecuteFindDialog(TCustomDBGridVz* AGrid, const String& Text, const String& ColumnFieldName,
                              const std::vector<TColumnFieldItemVz>& ColumnFields, bool Modal) {
    TDBGridVzFindDlg::Shared()->Execute(AGrid, Text, ColumnFieldName, ColumnFields, Modal);
}
