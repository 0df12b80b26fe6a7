// The environment editor ("User Defined Functions Edtor"): lists the named expressions of an
// environment, the local one of a report or the process-wide one, in an editable grid of name and
// expression, adds entries through its "New entry" panel and edits one entry's expression in the
// expression builder, and deletes the current entry. A name typed in the grid is stored
// upper-cased; an expression typed, or an entry deleted, while the environment is prepared is
// refused.
#pragma once

#include "platform/gui/forms.h"

class TButton;
class TEdit;
class TGroupBox;
class TRadioButton;
class TSpeedButton;
class TStringGrid;
class TRpEvEnvironment;

class TRpEnvironmentEditor : public TForm {
    SDELKA_CLASS(TRpEnvironmentEditor, TForm)
protected:
    explicit TRpEnvironmentEditor(TComponent* AOwner) : TForm(AOwner) {}
    ~TRpEnvironmentEditor() override = default;

public:
    void AfterConstruction() override;

    // The environment the grid shows: Environment while "&Local defines" is checked, else the
    // process-wide one.
    TRpEvEnvironment* CurrentEnvironment() const;
    void PopulateGrid();

    TRpEvEnvironment* Environment = nullptr;
    bool CloseDialog = false;
    int NewResult = 0;

    TGroupBox* AvailableGB = nullptr;
    TRadioButton* LocalCB = nullptr;
    TRadioButton* GlobalCB = nullptr;
    TStringGrid* UDFGrid = nullptr;
    TButton* AddBtn = nullptr;
    TButton* EditBtn = nullptr;
    TButton* DeleteBtn = nullptr;
    TButton* VariableOKBtn = nullptr;
    TGroupBox* NewEntryGB = nullptr;
    TEdit* Name = nullptr;
    TEdit* Expression = nullptr;
    TSpeedButton* ExpressionBuilderBtn = nullptr;
    TButton* NewOKBtn = nullptr;
    TButton* NewCancelBtn = nullptr;

private:
    void GridSetEditText(TObject* Sender, int ACol, int ARow, const String& Value);
    void EditClick(TObject* Sender);
    void DeleteClick(TObject* Sender);
    void AddClick(TObject* Sender);
    void NewExpressionBuilderClick(TObject* Sender);
};

// Shows the environment editor modally on Environment (none: only the global entries, "&Local
// defines" disabled); AllowGlobal false disables "&Global defines".
void EditEnvironment(TRpEvEnvironment* Environment, bool AllowGlobal);
