// The dialogs of the text printables' editors (rpeditors.h).
#pragma once

#include "platform/gui/forms.h"

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TMaskEdit;
class TSpeedButton;

class TRpLabelEditorForm : public TForm {
    SDELKA_CLASS(TRpLabelEditorForm, TForm)
protected:
    explicit TRpLabelEditorForm(TComponent* AOwner) : TForm(AOwner) {}
    ~TRpLabelEditorForm() override = default;

public:
    void AfterConstruction() override;

    TGroupBox* GroupBox1 = nullptr;  // "Properties"
    TEdit* Value = nullptr;
    TMaskEdit* Width = nullptr;
    TMaskEdit* Height = nullptr;
    TCheckBox* AutoSize = nullptr;
    TCheckBox* Stretch = nullptr;
    TCheckBox* Transparent = nullptr;
    TButton* OKBtn = nullptr;
    TButton* Button4 = nullptr;

protected:
    // The caption of the value's label.
    virtual String ValueCaption() const { return QStringLiteral("Text"); }
};

class TRpExprEditorForm : public TRpLabelEditorForm {
    SDELKA_CLASS(TRpExprEditorForm, TRpLabelEditorForm)
protected:
    explicit TRpExprEditorForm(TComponent* AOwner) : TRpLabelEditorForm(AOwner) {}
    ~TRpExprEditorForm() override = default;

public:
    void AfterConstruction() override;

    TSpeedButton* ShowExprBuilder = nullptr;
    TComboBox* Mask = nullptr;
    // The form whose datasets the expression builder offers (none: only the data modules').
    TComponent* DSForm = nullptr;

    void ShowExprBuilderClick(TObject* Sender);

protected:
    String ValueCaption() const override { return QStringLiteral("Expression"); }
};
