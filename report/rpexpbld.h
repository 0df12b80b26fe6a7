// The expression builder: the report library's dialog for composing an expression. The user types,
// or inserts at the cursor a dataset field, a function with its arguments, a variable of an
// environment or an operator, and can validate the expression by evaluating it once.
//
// A sub-step (choose a field, a function, its arguments, a variable) is a panel of the same window
// brought to the front; the builder waits for the panel's OK or Cancel in a nested message loop,
// reading a result its buttons set (0 waiting, 1 OK, 2 cancel). Esc or Space reaching the window
// itself ends every wait. Run as a separate modal dialog, or inside a parent window (an argument's
// own builder inside the builder), where it waits in a nested loop as well.
#pragma once

#include "platform/gui/forms.h"
#include "platform/gui/memo.h"

class TButton;
class TComboBox;
class TDataSet;
class TGroupBox;
class TLabel;
class TListBox;
class TPanel;
class TScrollBox;
class TSpeedButton;
class TRpEvEnvironment;
class TRpLibraryEntry;

// The expression edit: a multi-line edit without horizontal scrolling, so the text wraps.
class TWordWrapEdit : public TMemo {
    SDELKA_CLASS(TWordWrapEdit, TMemo)
protected:
    explicit TWordWrapEdit(TComponent* AOwner) : TMemo(AOwner) {}
    ~TWordWrapEdit() override = default;

public:
    void AfterConstruction() override;
};

class TRpExpressionBuilder : public TForm {
    SDELKA_CLASS(TRpExpressionBuilder, TForm)
protected:
    explicit TRpExpressionBuilder(TComponent* AOwner) : TForm(AOwner) {}
    ~TRpExpressionBuilder() override = default;

public:
    void AfterConstruction() override;

    TComponent* DatasetForm() const { return FDatasetForm; }
    void SetDatasetForm(TComponent* Value) { FDatasetForm = Value; }
    TRpEvEnvironment* LocalEnvironment() const { return FLocalEnvironment; }
    void SetLocalEnvironment(TRpEvEnvironment* Value) { FLocalEnvironment = Value; }

    // Fills the dataset and variable lists (every activation does).
    void FillLists();
    // Replaces the selection of Expr by Text, puts the caret after it and focuses Expr.
    void InsertText(const String& Text);
    // The message validation shows for the current expression.
    String ValidationMessage();

    TPanel* TopPanel = nullptr;
    TLabel* TopLabel = nullptr;

    TPanel* MainPage = nullptr;
    TLabel* Heading = nullptr;
    TWordWrapEdit* Expr = nullptr;
    TGroupBox* InsertGroup = nullptr;
    TButton* InsertDataFieldBtn = nullptr;
    TButton* InsertFunctionBtn = nullptr;
    TButton* InsertVariableBtn = nullptr;
    std::vector<TButton*> OperatorButtons;
    TButton* ValidateBtn = nullptr;
    TButton* Clear = nullptr;
    TButton* OK = nullptr;
    TButton* Cancel = nullptr;

    TPanel* DataFieldPage = nullptr;
    TListBox* AvailableDatasets = nullptr;
    TListBox* AvailableFields = nullptr;
    TButton* DataFieldOKBtn = nullptr;
    TButton* DataFieldCancelBtn = nullptr;

    TPanel* FunctionPage = nullptr;
    TComboBox* Categories = nullptr;
    TListBox* AvailableFunc = nullptr;
    TLabel* FuncName = nullptr;
    TLabel* FuncDescription = nullptr;
    TButton* FunctionOKBtn = nullptr;
    TButton* FunctionCancelBtn = nullptr;

    TPanel* FuncParamsPage = nullptr;
    TLabel* CopyFuncName = nullptr;
    TLabel* CopyFuncDescription = nullptr;
    TScrollBox* FuncParamSB = nullptr;
    TButton* FuncParamOkBtn = nullptr;
    TButton* FuncArgCancelBtn = nullptr;
    // The argument edits while the arguments panel runs.
    std::vector<TEdit*> ArgumentEdits;
    std::vector<TSpeedButton*> ArgumentButtons;

    TPanel* VariablePage = nullptr;
    TListBox* AvailableVariables = nullptr;
    TLabel* VariableValue = nullptr;
    TButton* VariableOKBtn = nullptr;
    TButton* VariableCancelBtn = nullptr;
    TButton* ModifyVariables = nullptr;

    int FExprResult = 0;
    int FDatafieldResult = 0;
    int FFuncResult = 0;
    int FFuncParamsResult = 0;
    int FVariableResult = 0;
    bool Cancelled = false;

protected:
    void Activate() override;
    void DoClose(TCloseAction& Action) override;

private:
    TPanel* NewPage(const char* Name);
    TButton* NewButton(TWinControl* Parent, const char* Name, const char* Caption, int Left, int Top, int Width);
    void ShowPage(TPanel* Page);
    // Processes messages until Result is set or the user cancelled.
    void WaitFor(const int& Result);
    void FillFunctions(int Category);
    void ShowFunctionDetails();
    void DatasetChosen(TObject* Sender);
    void VariableChosen(TObject* Sender);
    void InsertDataFieldClick(TObject* Sender);
    void InsertFunctionClick(TObject* Sender);
    void InsertVariableClick(TObject* Sender);
    void ModifyVariablesClick(TObject* Sender);
    void ValidateClick(TObject* Sender);
    // Runs the arguments panel for the argument kinds; false when cancelled.
    bool RunArguments(const String& Name, const String& Kinds, String& Arguments);
    void ArgumentBuilderClick(int Index, const String& Function);
    void FormKey(Word Key);

    TComponent* FDatasetForm = nullptr;
    TRpEvEnvironment* FLocalEnvironment = nullptr;
};

// Runs the builder. With a parent window the builder is shown in its place (over its top-left
// corner, without a border) and waits in a nested loop; without, it is a modal dialog. True on OK with the built expression
// (line breaks removed); false empties the expression.
bool RunExpressionBuilder(const String& AHeading, String& Expression, TComponent* DatasetForm,
                          TRpEvEnvironment* LocalEnvironment, TWinControl* ParentWindow);
// The text with every carriage return and line feed removed, so a multi-line expression becomes one
// line.
String StripLineBreaks(const String& Text);
// The datasets offered for a form: those it owns (also through its windowed controls, at any depth),
// then those of every data module of the application, each under its component name with the
// dataset as the object.
void RpFormDatasets(TComponent* Form, TStrings* List);
