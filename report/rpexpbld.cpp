#include "report/rpexpbld.h"

#include "platform/db/db.h"
#include "platform/gui/buttons.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"
#include "report/rpenved.h"
#include "report/rpevaluator.h"
#include "report/rpevenvironment.h"
#include "report/rpevfunctions.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int PageTop = 40;
constexpr int PageWidth = 400;
constexpr int PageHeight = 320;

const char* const CategoryNames[] = {"All",      "Date & time", "Math & trig", "Statistical",
                                     "Database", "Logical",     "Information", "Other"};

// The text an evaluation result shows; an error shows its message.
String ResultText(const TRpEvResult& R) {
    switch (R.Kind) {
        case resInt: return IntToStr(R.intResult);
        case resDouble: return FloatToStr(R.dblResult);
        case resString: return R.StringVal;
        case resBool: return R.booResult ? u"True"_s : u"False"_s;
        case resError: return R.StringVal;
    }
    return String();
}

void AddDatasets(TComponent* Holder, TStrings* List) {
    for (int i = 0; i < Holder->ComponentCount(); ++i) {
        TComponent* C = Holder->Components(i);
        if (auto D = dynamic_cast<TDataSet*>(C)) List->AddObject(D->Name(), D);
        // components owned by the form's windowed controls, at any depth
        if (dynamic_cast<TWinControl*>(C)) AddDatasets(C, List);
    }
}

}  // namespace

String StripLineBreaks(const String& Text) {
    String R = Text;
    R.remove(QChar(u'\r'));
    R.remove(QChar(u'\n'));
    return R;
}

void RpFormDatasets(TComponent* Form, TStrings* List) {
    if (Form) AddDatasets(Form, List);
    if (!Screen) return;
    for (int i = 0; i < Screen->DataModuleCount(); ++i) {
        TDataModule* M = Screen->DataModules(i);
        if (M == Form) continue;
        for (int k = 0; k < M->ComponentCount(); ++k)
            if (auto D = dynamic_cast<TDataSet*>(M->Components(k))) List->AddObject(D->Name(), D);
    }
}

// ---- TWordWrapEdit -------------------------------------------------------------------------------

void TWordWrapEdit::AfterConstruction() {
    inherited::AfterConstruction();
    SetWordWrap(true);
    SetScrollBars(ssNone);
}

// ---- TRpExpressionBuilder ------------------------------------------------------------------------

TPanel* TRpExpressionBuilder::NewPage(const char* Name) {
    TPanel* P = NewControl<TPanel>(this, this, Name, 0, PageTop, PageWidth, PageHeight);
    P->SetCaption(String());
    P->SetVisible(false);
    return P;
}

TButton* TRpExpressionBuilder::NewButton(TWinControl* Parent, const char* Name, const char* Caption, int Left, int Top,
                                         int Width) {
    TButton* B = NewControl<TButton>(this, Parent, Name, Left, Top, Width, 25);
    B->SetCaption(QString::fromUtf8(Caption));
    return B;
}

void TRpExpressionBuilder::AfterConstruction() {
    SetName(u"RpExpressionBuilder"_s);
    SetCaption(u"Expression Builder"_s);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(PageWidth);
    SetClientHeight(PageTop + PageHeight);

    TopPanel = NewControl<TPanel>(this, this, "TopPanel", 0, 0, PageWidth, PageTop);
    TopPanel->SetCaption(String());
    TopLabel = NewControl<TLabel>(this, TopPanel, "TopLabel", 10, 10, 300, 20);
    TopLabel->SetCaption(u"Expression Builder"_s);

    // The main page: the expression and what can be inserted into it.
    MainPage = NewPage("MainPage");
    Heading = NewControl<TLabel>(this, MainPage, "Heading", 20, 12, 341, 20);
    Heading->SetCaption(u"Enter expression:"_s);
    Expr = NewControl<TWordWrapEdit>(this, MainPage, "Expr", 20, 36, 341, 91);
    InsertGroup = NewControl<TGroupBox>(this, MainPage, "InsertGroup", 20, 135, 360, 135);
    InsertGroup->SetCaption(u"Insert at cursor position"_s);
    InsertDataFieldBtn = NewButton(InsertGroup, "InsertDataFieldBtn", "&Database field", 10, 20, 110);
    InsertFunctionBtn = NewButton(InsertGroup, "InsertFunctionBtn", "&Function", 125, 20, 110);
    InsertVariableBtn = NewButton(InsertGroup, "InsertVariableBtn", "&Variable", 240, 20, 110);
    const char* Ops[] = {"+", "-", "*", "/", "=", "<", ">", "<>", "<=", ">=", "Not", "And", "Or"};
    for (int i = 0; i < 13; ++i) {
        TButton* B = NewButton(InsertGroup, ("Op" + std::to_string(i + 1)).c_str(), Ops[i], 10 + (i % 7) * 49,
                               55 + (i / 7) * 32, 45);
        B->OnClick = [this, B](TObject*) { InsertText(u" "_s + B->Caption() + u" "_s); };
        OperatorButtons.push_back(B);
    }
    ValidateBtn = NewButton(MainPage, "ValidateBtn", "Valida&te", 20, 280, 80);
    Clear = NewButton(MainPage, "Clear", "&Clear", 105, 280, 80);
    OK = NewButton(MainPage, "OK", "OK", 210, 280, 80);
    OK->SetDefault(true);
    Cancel = NewButton(MainPage, "Cancel", "Cancel", 295, 280, 80);
    Cancel->SetCancel(true);
    InsertDataFieldBtn->OnClick = TNotifyEvent(this, &TRpExpressionBuilder::InsertDataFieldClick);
    InsertFunctionBtn->OnClick = TNotifyEvent(this, &TRpExpressionBuilder::InsertFunctionClick);
    InsertVariableBtn->OnClick = TNotifyEvent(this, &TRpExpressionBuilder::InsertVariableClick);
    ValidateBtn->OnClick = TNotifyEvent(this, &TRpExpressionBuilder::ValidateClick);
    Clear->OnClick = [this](TObject*) { Expr->SetText(String()); };
    OK->OnClick = [this](TObject*) {
        FExprResult = 1;
        if (FormState().Contains(fsModal)) SetModalResult(mrOk);
    };
    Cancel->OnClick = [this](TObject*) {
        FExprResult = 2;
        if (FormState().Contains(fsModal)) SetModalResult(mrCancel);
    };

    // A dataset field.
    DataFieldPage = NewPage("DataFieldPage");
    auto* G = NewControl<TGroupBox>(this, DataFieldPage, "DataFieldGroup", 10, 10, 380, 260);
    G->SetCaption(u"Insert database field in expression"_s);
    NewControl<TLabel>(this, G, "DatasetsLabel", 10, 20, 170, 18)->SetCaption(u"Select dataset"_s);
    AvailableDatasets = NewControl<TListBox>(this, G, "AvailableDatasets", 10, 40, 170, 210);
    NewControl<TLabel>(this, G, "FieldsLabel", 195, 20, 170, 18)->SetCaption(u"Available fields"_s);
    AvailableFields = NewControl<TListBox>(this, G, "AvailableFields", 195, 40, 175, 210);
    DataFieldOKBtn = NewButton(DataFieldPage, "DataFieldOKBtn", "OK", 210, 280, 80);
    DataFieldCancelBtn = NewButton(DataFieldPage, "DataFieldCancelBtn", "Cancel", 295, 280, 80);
    AvailableDatasets->OnClick = TNotifyEvent(this, &TRpExpressionBuilder::DatasetChosen);
    AvailableFields->OnDblClick = [this](TObject*) { FDatafieldResult = 1; };
    DataFieldOKBtn->OnClick = [this](TObject*) { FDatafieldResult = 1; };
    DataFieldCancelBtn->OnClick = [this](TObject*) { FDatafieldResult = 2; };

    // A function.
    FunctionPage = NewPage("FunctionPage");
    G = NewControl<TGroupBox>(this, FunctionPage, "FunctionGroup", 10, 10, 380, 260);
    G->SetCaption(u"Select function"_s);
    NewControl<TLabel>(this, G, "CategoryLabel", 10, 20, 170, 18)->SetCaption(u"Category"_s);
    Categories = NewControl<TComboBox>(this, G, "Categories", 10, 40, 170, 24);
    Categories->SetStyle(csDropDownList);
    for (const char* C : CategoryNames) Categories->Items()->Add(QString::fromLatin1(C));
    Categories->SetItemIndex(0);
    NewControl<TLabel>(this, G, "FunctionsLabel", 195, 20, 170, 18)->SetCaption(u"Available functions"_s);
    AvailableFunc = NewControl<TListBox>(this, G, "AvailableFunc", 195, 40, 175, 130);
    FuncName = NewControl<TLabel>(this, G, "FuncName", 10, 180, 360, 18);
    FuncDescription = NewControl<TLabel>(this, G, "FuncDescription", 10, 200, 360, 55);
    FuncDescription->SetAutoSize(false);
    FuncDescription->SetWordWrap(true);
    FuncDescription->SetBounds(10, 200, 360, 55);
    FunctionOKBtn = NewButton(FunctionPage, "FunctionOKBtn", "Continue", 210, 280, 80);
    FunctionCancelBtn = NewButton(FunctionPage, "FunctionCancelBtn", "Cancel", 295, 280, 80);
    Categories->OnChange = [this](TObject*) { FillFunctions(std::max(0, Categories->ItemIndex())); };
    AvailableFunc->OnClick = [this](TObject*) { ShowFunctionDetails(); };
    AvailableFunc->OnDblClick = [this](TObject*) { FFuncResult = 1; };
    FunctionOKBtn->OnClick = [this](TObject*) { FFuncResult = 1; };
    FunctionCancelBtn->OnClick = [this](TObject*) { FFuncResult = 2; };

    // The arguments of a function.
    FuncParamsPage = NewPage("FuncParamsPage");
    G = NewControl<TGroupBox>(this, FuncParamsPage, "FuncParamsGroup", 10, 10, 380, 260);
    G->SetCaption(u"Enter parameters for function"_s);
    CopyFuncName = NewControl<TLabel>(this, G, "CopyFuncName", 10, 20, 360, 18);
    CopyFuncDescription = NewControl<TLabel>(this, G, "CopyFuncDescription", 10, 40, 360, 36);
    CopyFuncDescription->SetAutoSize(false);
    CopyFuncDescription->SetWordWrap(true);
    CopyFuncDescription->SetBounds(10, 40, 360, 36);
    FuncParamSB = NewControl<TScrollBox>(this, G, "FuncParamSB", 10, 80, 360, 170);
    FuncParamOkBtn = NewButton(FuncParamsPage, "FuncParamOkBtn", "OK", 210, 280, 80);
    FuncArgCancelBtn = NewButton(FuncParamsPage, "FuncArgCancelBtn", "Cancel", 295, 280, 80);
    FuncParamOkBtn->OnClick = [this](TObject*) { FFuncParamsResult = 1; };
    FuncArgCancelBtn->OnClick = [this](TObject*) { FFuncParamsResult = 2; };

    // A variable of the environments.
    VariablePage = NewPage("VariablePage");
    G = NewControl<TGroupBox>(this, VariablePage, "VariableGroup", 10, 10, 380, 260);
    G->SetCaption(u"Select variable"_s);
    AvailableVariables = NewControl<TListBox>(this, G, "AvailableVariables", 10, 20, 360, 170);
    NewControl<TLabel>(this, G, "ValueLabel", 10, 200, 50, 18)->SetCaption(u"Value :"_s);
    VariableValue = NewControl<TLabel>(this, G, "VariableValue", 65, 200, 305, 50);
    VariableOKBtn = NewButton(VariablePage, "VariableOKBtn", "OK", 210, 280, 80);
    VariableCancelBtn = NewButton(VariablePage, "VariableCancelBtn", "Cancel", 295, 280, 80);
    ModifyVariables = NewButton(VariablePage, "ModifyVariables", "&Modify variables", 10, 280, 120);
    AvailableVariables->OnClick = TNotifyEvent(this, &TRpExpressionBuilder::VariableChosen);
    AvailableVariables->OnDblClick = [this](TObject*) { FVariableResult = 1; };
    VariableOKBtn->OnClick = [this](TObject*) { FVariableResult = 1; };
    VariableCancelBtn->OnClick = [this](TObject*) { FVariableResult = 2; };
    ModifyVariables->OnClick = TNotifyEvent(this, &TRpExpressionBuilder::ModifyVariablesClick);

    OnKeyDown = [this](TObject*, Word& Key, TShiftState) { FormKey(Key); };
    OnKeyPress = [this](TObject*, Char& Key) { FormKey(Key.unicode()); };
    inherited::AfterConstruction();
    FillFunctions(0);
    ShowPage(MainPage);
}

void TRpExpressionBuilder::FormKey(Word Key) {
    if (Key == 27 || Key == 32) Cancelled = true;
}

void TRpExpressionBuilder::ShowPage(TPanel* Page) {
    for (TPanel* P : {MainPage, DataFieldPage, FunctionPage, FuncParamsPage, VariablePage}) {
        P->SetVisible(P == Page);
        P->SetEnabled(P == Page);
    }
    Page->BringToFront();
}

void TRpExpressionBuilder::WaitFor(const int& Result) {
    while (Result == 0 && !Cancelled && !Application->Terminated()) Application->HandleMessage();
}

void TRpExpressionBuilder::Activate() {
    inherited::Activate();
    FillLists();
    if (Expr->CanFocus()) SetActiveControl(Expr);
}

void TRpExpressionBuilder::DoClose(TCloseAction& Action) {
    inherited::DoClose(Action);
    FDatafieldResult = FFuncResult = FFuncParamsResult = FVariableResult = 2;
    if (FExprResult != 1) FExprResult = 2;
}

void TRpExpressionBuilder::FillLists() {
    // Datasets of the form and of the data modules; the first is chosen.
    AvailableDatasets->Items()->Clear();
    RpFormDatasets(FDatasetForm, AvailableDatasets->Items());
    AvailableFields->Items()->Clear();
    if (AvailableDatasets->Items()->Count() > 0) {
        AvailableDatasets->SetItemIndex(0);
        DatasetChosen(AvailableDatasets);
    }
    // Variables: the local environment's names, then the global one's.
    AvailableVariables->Items()->Clear();
    try {
        if (FLocalEnvironment)
            for (int i = 0; i < FLocalEnvironment->Count(); ++i) AvailableVariables->Items()->Add(FLocalEnvironment->Strings(i));
        TRpEvEnvironment* Global = GlobalEnvironment();
        for (int i = 0; i < Global->Count(); ++i) AvailableVariables->Items()->Add(Global->Strings(i));
    } catch (const Exception&) {
        // the list keeps what was added before
    }
    if (AvailableVariables->Items()->Count() > 0) {
        AvailableVariables->SetItemIndex(0);
        VariableChosen(AvailableVariables);
    }
}

void TRpExpressionBuilder::DatasetChosen(TObject*) {
    AvailableFields->Items()->Clear();
    const int i = AvailableDatasets->ItemIndex();
    if (i < 0) return;
    auto D = static_cast<TDataSet*>(AvailableDatasets->Items()->Objects(i));
    if (!D) return;
    if (D->FieldCount() > 0)
        D->GetFieldNames(AvailableFields->Items());
    else
        for (int k = 0; k < D->FieldDefs()->Count(); ++k) AvailableFields->Items()->Add(D->FieldDefs()->Items(k)->Name());
}

void TRpExpressionBuilder::VariableChosen(TObject*) {
    const int i = AvailableVariables->ItemIndex();
    VariableValue->SetCaption(String());
    if (i < 0) return;
    const String Name = AvailableVariables->Items()->Strings(i);
    auto ExpressionOf = [&Name](TRpEvEnvironment* E, String& Text) {
        if (!E) return false;
        const int k = E->IndexOf(Name);
        if (k < 0) return false;
        TRpEvEmbeddedFunction* F = E->EmbeddedFunction(k);
        Text = F ? F->Expression() : String();
        return true;
    };
    String Text;
    if (!ExpressionOf(FLocalEnvironment, Text)) ExpressionOf(GlobalEnvironment(), Text);
    VariableValue->SetCaption(Text);
}

void TRpExpressionBuilder::FillFunctions(int Category) {
    AvailableFunc->Items()->Clear();
    TRpFunctionLibrary* Lib = GlobalFunctionLibrary();
    for (int i = 0; i < Lib->EntryList()->Count(); ++i) {
        TRpLibraryEntry* E = Lib->GetEntry(i);
        if (!E) continue;
        bool Match = Category == 0;
        if (!Match && !E->Data().isEmpty()) {
            bool Ok = false;
            const int K = E->Data().left(1).toInt(&Ok);
            Match = Ok && K == Category;
        }
        if (Match) AvailableFunc->Items()->AddObject(E->Name(), E);
    }
    if (AvailableFunc->Items()->Count() > 0) AvailableFunc->SetItemIndex(0);
    ShowFunctionDetails();
}

void TRpExpressionBuilder::ShowFunctionDetails() {
    const int i = AvailableFunc->ItemIndex();
    if (i < 0) {
        FuncName->SetCaption(String());
        FuncDescription->SetCaption(String());
        return;
    }
    auto E = static_cast<TRpLibraryEntry*>(AvailableFunc->Items()->Objects(i));
    const String D = E ? E->Description() : String();
    const qsizetype Bar = D.indexOf(u'|');
    FuncName->SetCaption(Bar < 0 ? D : D.left(Bar));
    FuncDescription->SetCaption(Bar < 0 ? String() : D.mid(Bar + 1));
}

void TRpExpressionBuilder::InsertText(const String& Text) {
    Expr->SetSelText(Text);
    if (Expr->CanFocus()) SetActiveControl(Expr);
}

void TRpExpressionBuilder::InsertDataFieldClick(TObject*) {
    FDatafieldResult = 0;
    ShowPage(DataFieldPage);
    WaitFor(FDatafieldResult);
    const int D = AvailableDatasets->ItemIndex(), F = AvailableFields->ItemIndex();
    const bool Ok = FDatafieldResult == 1 && !Cancelled;
    if (!ComponentState().Contains(csDestroying)) ShowPage(MainPage);
    if (Ok && D >= 0 && F >= 0)
        InsertText(AvailableDatasets->Items()->Strings(D) + u"."_s + AvailableFields->Items()->Strings(F));
}

void TRpExpressionBuilder::InsertFunctionClick(TObject*) {
    FFuncResult = 0;
    ShowPage(FunctionPage);
    WaitFor(FFuncResult);
    const int i = AvailableFunc->ItemIndex();
    if (FFuncResult != 1 || Cancelled || i < 0) {
        ShowPage(MainPage);
        return;
    }
    auto E = static_cast<TRpLibraryEntry*>(AvailableFunc->Items()->Objects(i));
    const String Name = E->Name();
    const String Kinds = E->Data().mid(1);
    String Insert = Name;
    if (!Kinds.isEmpty()) {
        String Arguments;
        if (!RunArguments(Name, Kinds, Arguments)) {
            ShowPage(MainPage);
            return;
        }
        Insert = Name + u"("_s + Arguments + u")"_s;
    }
    ShowPage(MainPage);
    InsertText(Insert);
}

bool TRpExpressionBuilder::RunArguments(const String& Name, const String& Kinds, String& Arguments) {
    CopyFuncName->SetCaption(FuncName->Caption());
    CopyFuncDescription->SetCaption(FuncDescription->Caption());
    std::vector<TControl*> Made;
    const int W = FuncParamSB->Width();
    for (int i = 0; i < Kinds.size(); ++i) {
        String Text;
        switch (Kinds[i].unicode()) {
            case u'B': Text = u"Argument %1 - logical value"_s; break;
            case u'N': Text = u"Argument %1 - numeric value"_s; break;
            case u'S': Text = u"Argument %1 - text Value"_s; break;
            case u'V': Text = u"Argument %1 - value"_s; break;
            default: break;
        }
        auto* L = New<TLabel>(this);
        L->SetBounds(10, 40 * i, W - 60, 15);
        L->SetParent(FuncParamSB);
        L->SetCaption(Text.isEmpty() ? Text : Text.arg(i + 1));
        auto* E = New<TEdit>(this);
        E->SetBounds(10, 40 * i + 15, W - 60, 21);
        E->SetParent(FuncParamSB);
        E->SetTag(i);
        auto* B = New<TSpeedButton>(this);
        B->SetBounds(W - 40, 40 * i + 15, 20, 20);
        B->SetParent(FuncParamSB);
        B->SetCaption(u"..."_s);
        B->SetTag(i);
        B->OnClick = [this, i, Name](TObject*) { ArgumentBuilderClick(i, Name); };
        Made.insert(Made.end(), {L, E, B});
        ArgumentEdits.push_back(E);
        ArgumentButtons.push_back(B);
    }
    FuncParamSB->VertScrollBar()->SetRange(40 * int(Kinds.size()));
    FuncParamSB->VertScrollBar()->SetIncrement(40);
    FFuncParamsResult = 0;
    ShowPage(FuncParamsPage);
    WaitFor(FFuncParamsResult);
    const bool Ok = FFuncParamsResult == 1 && !Cancelled;
    if (Ok) {
        QStringList Parts;
        for (TEdit* E : ArgumentEdits) Parts << E->Text();
        Arguments = Parts.join(u',');
    }
    ArgumentEdits.clear();
    ArgumentButtons.clear();
    for (auto it = Made.rbegin(); it != Made.rend(); ++it) (*it)->Free();
    return Ok;
}

void TRpExpressionBuilder::ArgumentBuilderClick(int Index, const String& Function) {
    if (Index < 0 || Index >= int(ArgumentEdits.size())) return;
    TEdit* E = ArgumentEdits[size_t(Index)];
    String Value = E->Text();
    if (RunExpressionBuilder(u"Enter %1. parameter for %2"_s.arg(Index + 1).arg(Function), Value, FDatasetForm,
                             FLocalEnvironment, this))
        E->SetText(Value);
    ShowPage(FuncParamsPage);
    if (E->CanFocus()) SetActiveControl(E);
    E->SelectAll();
}

void TRpExpressionBuilder::InsertVariableClick(TObject*) {
    FVariableResult = 0;
    ShowPage(VariablePage);
    WaitFor(FVariableResult);
    const int i = AvailableVariables->ItemIndex();
    const bool Ok = FVariableResult == 1 && !Cancelled;
    ShowPage(MainPage);
    if (Ok && i >= 0) InsertText(AvailableVariables->Items()->Strings(i));
}

void TRpExpressionBuilder::ModifyVariablesClick(TObject*) {
    EditEnvironment(FLocalEnvironment, true);
    FillLists();
}

String TRpExpressionBuilder::ValidationMessage() {
    TRpEvEnvironment* Global = GlobalEnvironment();
    Global->Prepare();
    if (FLocalEnvironment) FLocalEnvironment->Prepare();
    TRpEvResult R;
    try {
        TOwned<TRpEvaluator> E = NewOwned<TRpEvaluator>();
        TOwned<TRpDataSetList> Sets = NewOwned<TRpDataSetList>();
        for (int i = 0; i < AvailableDatasets->Items()->Count(); ++i)
            if (auto D = static_cast<TDataSet*>(AvailableDatasets->Items()->Objects(i))) Sets->Add(D);
        E->SetDataSets(Sets.get());
        E->SetEnvironment(FLocalEnvironment);
        try {
            E->Calculate(StripLineBreaks(Expr->Text()), R);
        } catch (const Exception& X) {
            // a text the language cannot read is reported like any other error
            R = TRpEvResult();
            R.Kind = resError;
            R.StringVal = X.Message();
        }
    } catch (...) {
        if (FLocalEnvironment) FLocalEnvironment->Unprepare();
        Global->Unprepare();
        throw;
    }
    if (FLocalEnvironment) FLocalEnvironment->Unprepare();
    Global->Unprepare();
    if (R.Kind == resError) return u"ERROR: "_s + R.StringVal;
    return u"There are no errors. The result is : "_s + ResultText(R);
}

void TRpExpressionBuilder::ValidateClick(TObject*) { ShowMessage(ValidationMessage()); }

// ---- running the builder -------------------------------------------------------------------------

bool RunExpressionBuilder(const String& AHeading, String& Expression, TComponent* DatasetForm,
                          TRpEvEnvironment* LocalEnvironment, TWinControl* ParentWindow) {
    TOwned<TRpExpressionBuilder> B = NewOwned<TRpExpressionBuilder>(nullptr);
    B->SetDatasetForm(DatasetForm);
    B->SetLocalEnvironment(LocalEnvironment);
    if (ParentWindow) {
        // Over the parent window's top-left corner, without a border, in place of a dialog.
        B->SetBorderStyle(bsNone);
        B->SetPosition(poDesigned);
        const TPoint Origin = ParentWindow->ClientToScreen(TPoint(0, 0));
        B->SetBounds(Origin.X, Origin.Y, B->Width(), B->Height());
        B->FillLists();
    }
    if (!AHeading.isEmpty()) B->Heading->SetCaption(AHeading);
    B->Expr->SetText(Expression);
    B->Expr->SelectAll();
    B->FExprResult = 0;
    B->Cancelled = false;
    if (ParentWindow) {
        B->Show();
        B->BringToFront();
        while (B->FExprResult == 0 && !B->Cancelled && !Application->Terminated()) Application->HandleMessage();
        B->Hide();
    } else {
        B->ShowModal();
        if (B->FExprResult == 0) B->FExprResult = B->ModalResult() == mrOk ? 1 : 2;
    }
    const bool Ok = B->FExprResult == 1;
    Expression = Ok ? StripLineBreaks(B->Expr->Text()) : String();
    return Ok;
}
