#include "report/rpenved.h"

#include "platform/gui/buttons.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/grids.h"
#include "platform/gui/stdctrls.h"
#include "report/rpevenvironment.h"
#include "report/rpexpbld.h"

using namespace Qt::StringLiterals;

void TRpEnvironmentEditor::AfterConstruction() {
    SetName(u"RpEnvironmentEditor"_s);
    SetCaption(u"User Defined Functions Edtor"_s);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(460);
    SetClientHeight(330);

    AvailableGB = NewControl<TGroupBox>(this, this, "AvailableGB", 8, 8, 444, 270);
    AvailableGB->SetCaption(u"Available User Defined Functions"_s);
    LocalCB = NewControl<TRadioButton>(this, AvailableGB, "LocalCB", 10, 20, 150, 20);
    LocalCB->SetCaption(u"&Local defines"_s);
    GlobalCB = NewControl<TRadioButton>(this, AvailableGB, "GlobalCB", 170, 20, 150, 20);
    GlobalCB->SetCaption(u"&Global defines"_s);
    LocalCB->SetChecked(true);
    UDFGrid = NewControl<TStringGrid>(this, AvailableGB, "UDFGrid", 10, 45, 424, 215);
    UDFGrid->SetColCount(2);
    UDFGrid->SetFixedCols(0);
    UDFGrid->SetColWidths(0, 120);
    UDFGrid->SetColWidths(1, 280);
    TGridOptions O = UDFGrid->Options();
    O.Include(goEditing);
    UDFGrid->SetOptions(O);
    UDFGrid->OnSetEditText = TSetEditEvent(this, &TRpEnvironmentEditor::GridSetEditText);
    UDFGrid->OnDblClick = TNotifyEvent(this, &TRpEnvironmentEditor::EditClick);

    auto Button = [this](const char* Name, const char* Caption, int Left) {
        TButton* B = NewControl<TButton>(this, this, Name, Left, 290, 100, 28);
        B->SetCaption(QString::fromUtf8(Caption));
        return B;
    };
    AddBtn = Button("AddBtn", "&Add", 8);
    EditBtn = Button("EditBtn", "&Edit", 116);
    DeleteBtn = Button("DeleteBtn", "&Delete", 224);
    VariableOKBtn = Button("VariableOKBtn", "Close", 352);
    VariableOKBtn->SetDefault(true);
    VariableOKBtn->SetModalResult(mrOk);
    AddBtn->OnClick = TNotifyEvent(this, &TRpEnvironmentEditor::AddClick);
    EditBtn->OnClick = TNotifyEvent(this, &TRpEnvironmentEditor::EditClick);
    DeleteBtn->OnClick = TNotifyEvent(this, &TRpEnvironmentEditor::DeleteClick);
    VariableOKBtn->OnClick = [this](TObject*) { CloseDialog = true; };

    NewEntryGB = NewControl<TGroupBox>(this, this, "NewEntryGB", 8, 8, 444, 270);
    NewEntryGB->SetCaption(u"New entry"_s);
    NewControl<TLabel>(this, NewEntryGB, "NameLabel", 10, 30, 90, 20)->SetCaption(u"Name :"_s);
    Name = NewControl<TEdit>(this, NewEntryGB, "Name", 100, 28, 300, 24);
    NewControl<TLabel>(this, NewEntryGB, "ExpressionLabel", 10, 70, 90, 20)->SetCaption(u"Expression :"_s);
    Expression = NewControl<TEdit>(this, NewEntryGB, "Expression", 100, 68, 300, 24);
    ExpressionBuilderBtn = NewControl<TSpeedButton>(this, NewEntryGB, "ExpressionBuilderBtn", 405, 68, 24, 24);
    ExpressionBuilderBtn->SetCaption(u"..."_s);
    ExpressionBuilderBtn->OnClick = TNotifyEvent(this, &TRpEnvironmentEditor::NewExpressionBuilderClick);
    NewOKBtn = NewControl<TButton>(this, NewEntryGB, "NewOKBtn", 220, 230, 100, 28);
    NewOKBtn->SetCaption(u"&OK"_s);
    NewOKBtn->OnClick = [this](TObject*) { NewResult = 1; };
    NewCancelBtn = NewControl<TButton>(this, NewEntryGB, "NewCancelBtn", 330, 230, 100, 28);
    NewCancelBtn->SetCaption(u"&Cancel"_s);
    NewCancelBtn->OnClick = [this](TObject*) { NewResult = 2; };
    NewEntryGB->SetVisible(false);

    LocalCB->OnClick = [this](TObject*) { PopulateGrid(); };
    GlobalCB->OnClick = [this](TObject*) { PopulateGrid(); };
    OnClose = [this](TObject*, TCloseAction&) {
        CloseDialog = true;
        NewResult = 2;
    };
    inherited::AfterConstruction();
}

TRpEvEnvironment* TRpEnvironmentEditor::CurrentEnvironment() const {
    return LocalCB->Checked() ? Environment : GlobalEnvironment();
}

void TRpEnvironmentEditor::PopulateGrid() {
    TRpEvEnvironment* E = CurrentEnvironment();
    if (!E) return;
    UDFGrid->SetRowCount(std::max(2, E->Count() + 1));
    UDFGrid->SetFixedRows(1);
    UDFGrid->SetCells(0, 0, u"Name"_s);
    UDFGrid->SetCells(1, 0, u"Expression"_s);
    if (E->Count() == 0) {
        UDFGrid->SetCells(0, 1, String());
        UDFGrid->SetCells(1, 1, String());
    }
    for (int i = 0; i < E->Count(); ++i) {
        TRpEvEmbeddedFunction* F = E->EmbeddedFunction(i);
        UDFGrid->SetCells(0, i + 1, E->Strings(i));
        UDFGrid->SetCells(1, i + 1, F ? F->Expression() : String());
    }
}

void TRpEnvironmentEditor::GridSetEditText(TObject*, int ACol, int ARow, const String& Value) {
    TRpEvEnvironment* E = CurrentEnvironment();
    const int Entry = ARow - 1;
    if (!E || Entry < 0 || Entry >= E->Count()) return;
    if (ACol == 0) {
        E->SetStrings(Entry, Value.toUpper());
        return;
    }
    if (E->Prepared()) {
        // a prepared entry keeps its expression
        TRpEvEmbeddedFunction* F = E->EmbeddedFunction(Entry);
        UDFGrid->SetCells(1, ARow, F ? F->Expression() : String());
        return;
    }
    TObject* Old = E->Objects(Entry);
    E->SetObjects(Entry, New<TRpEvEmbeddedFunction>(Value));
    if (Old) Old->Free();
    UDFGrid->SetCells(1, ARow, Value);
}

void TRpEnvironmentEditor::EditClick(TObject*) {
    TRpEvEnvironment* E = CurrentEnvironment();
    const int Row = UDFGrid->Row();
    if (!E || Row < 1 || Row - 1 >= E->Count()) return;
    TRpEvEmbeddedFunction* F = E->EmbeddedFunction(Row - 1);
    String Text = F ? F->Expression() : String();
    if (RunExpressionBuilder(E->Strings(Row - 1), Text, this, Environment, this)) GridSetEditText(UDFGrid, 1, Row, Text);
}

void TRpEnvironmentEditor::DeleteClick(TObject*) {
    TRpEvEnvironment* E = CurrentEnvironment();
    const int Row = UDFGrid->Row();
    if (!E || Row < 1 || Row - 1 >= E->Count()) return;
    // an entry that expressions are compiled against stays while the environment is prepared
    if (E->Prepared()) return;
    E->Delete(Row - 1);
    PopulateGrid();
}

void TRpEnvironmentEditor::AddClick(TObject*) {
    for (TControl* C : {static_cast<TControl*>(AddBtn), static_cast<TControl*>(EditBtn),
                        static_cast<TControl*>(DeleteBtn), static_cast<TControl*>(VariableOKBtn)})
        C->SetVisible(false);
    AvailableGB->SetVisible(false);
    NewEntryGB->SetVisible(true);
    NewEntryGB->BringToFront();
    Name->SetText(String());
    Expression->SetText(String());
    NewResult = 0;
    while (NewResult == 0 && !Application->Terminated()) Application->HandleMessage();
    const bool Ok = NewResult == 1;
    const String NewName = Name->Text(), NewExpression = Expression->Text();
    if (ComponentState().Contains(csDestroying)) return;
    for (TControl* C : {static_cast<TControl*>(AddBtn), static_cast<TControl*>(EditBtn),
                        static_cast<TControl*>(DeleteBtn), static_cast<TControl*>(VariableOKBtn)})
        C->SetVisible(true);
    NewEntryGB->SetVisible(false);
    AvailableGB->SetVisible(true);
    AvailableGB->BringToFront();
    if (Ok && CurrentEnvironment() && !NewName.trimmed().isEmpty()) {
        CurrentEnvironment()->AddFunction(NewName, NewExpression);
        PopulateGrid();
    }
}

void TRpEnvironmentEditor::NewExpressionBuilderClick(TObject*) {
    String Text = Expression->Text();
    if (RunExpressionBuilder(Name->Text(), Text, this, Environment, this)) Expression->SetText(Text);
}

void EditEnvironment(TRpEvEnvironment* Environment, bool AllowGlobal) {
    TOwned<TRpEnvironmentEditor> E = NewOwned<TRpEnvironmentEditor>(nullptr);
    if (!AllowGlobal) E->GlobalCB->SetEnabled(false);
    if (Environment) {
        E->Environment = Environment;
    } else {
        E->LocalCB->SetEnabled(false);
        E->GlobalCB->SetChecked(true);
    }
    E->PopulateGrid();
    E->CloseDialog = false;
    E->ShowModal();
}
