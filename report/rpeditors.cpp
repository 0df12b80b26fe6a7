#include "report/rpeditors.h"

#include "platform/gui/buttons.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/memo.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/sysutils.h"
#include "report/rpdbtexts.h"
#include "report/rpeditorforms.h"
#include "report/rpexpbld.h"
#include "report/rphtmllabel.h"
#include "report/rplabels.h"

using namespace Qt::StringLiterals;

// ---- the dialogs ---------------------------------------------------------------------------------

void TRpLabelEditorForm::AfterConstruction() {
    SetCaption(u"Text Settings"_s);
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(330);
    SetClientHeight(210);
    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 314, 160);
    GroupBox1->SetCaption(u"Properties"_s);
    NewControl<TLabel>(this, GroupBox1, "ValueLabel", 10, 24, 80, 18)->SetCaption(ValueCaption());
    Value = NewControl<TEdit>(this, GroupBox1, "Value", 90, 20, 184, 24);
    NewControl<TLabel>(this, GroupBox1, "WidthLabel", 10, 56, 80, 18)->SetCaption(u"Width"_s);
    // Sizes in the report's units may have decimals: no digit mask, a length that holds them.
    Width = NewControl<TMaskEdit>(this, GroupBox1, "Width", 90, 52, 70, 24);
    Width->SetMaxLength(12);
    NewControl<TLabel>(this, GroupBox1, "HeightLabel", 170, 56, 50, 18)->SetCaption(u"Height"_s);
    Height = NewControl<TMaskEdit>(this, GroupBox1, "Height", 224, 52, 70, 24);
    Height->SetMaxLength(12);
    AutoSize = NewControl<TCheckBox>(this, GroupBox1, "AutoSize", 10, 120, 95, 20);
    AutoSize->SetCaption(u"Autosize"_s);
    Stretch = NewControl<TCheckBox>(this, GroupBox1, "Stretch", 110, 120, 95, 20);
    Stretch->SetCaption(u"Stretch"_s);
    Transparent = NewControl<TCheckBox>(this, GroupBox1, "Transparent", 210, 120, 100, 20);
    Transparent->SetCaption(u"Transparent"_s);
    OKBtn = NewControl<TButton>(this, this, "OKBtn", 150, 176, 80, 26);
    OKBtn->SetCaption(u"OK"_s);
    OKBtn->SetDefault(true);
    OKBtn->SetModalResult(mrOk);
    Button4 = NewControl<TButton>(this, this, "Button4", 240, 176, 80, 26);
    Button4->SetCaption(u"Cancel"_s);
    Button4->SetCancel(true);
    Button4->SetModalResult(mrCancel);
    inherited::AfterConstruction();
}

void TRpExprEditorForm::AfterConstruction() {
    inherited::AfterConstruction();
    SetCaption(u"Expression settings"_s);
    Value->SetWidth(184 - 28);
    ShowExprBuilder = NewControl<TSpeedButton>(this, GroupBox1, "ShowExprBuilder", 90 + 184 - 24, 20, 24, 24);
    ShowExprBuilder->SetCaption(u"..."_s);
    ShowExprBuilder->OnClick = TNotifyEvent(this, &TRpExprEditorForm::ShowExprBuilderClick);
    NewControl<TLabel>(this, GroupBox1, "MaskLabel", 10, 88, 80, 18)->SetCaption(u"Format mask"_s);
    Mask = NewControl<TComboBox>(this, GroupBox1, "Mask", 90, 84, 184, 24);
}

void TRpExprEditorForm::ShowExprBuilderClick(TObject*) {
    String Expression = Value->Text();
    if (RunExpressionBuilder(String(), Expression, DSForm, nullptr, nullptr)) Value->SetText(Expression);
}

// ---- TRpLabelEditor ------------------------------------------------------------------------------

TRpCustomLabel* TRpLabelEditor::Label() const { return dynamic_cast<TRpCustomLabel*>(FControl); }

TColor TRpLabelEditor::GetColor() { return FControl->Color(); }
TFont* TRpLabelEditor::GetFont() { return FControl->Font(); }
TClass TRpLabelEditor::GetPrintableClass() { return TRpLabel::StaticClass(); }
String TRpLabelEditor::GetValue() {
    if (auto H = dynamic_cast<TRpCustomHTMLLabel*>(FControl)) return H->Caption();
    return Label() ? Label()->Caption() : String();
}
TAlignment TRpLabelEditor::GetAlignment() { return FControl->Alignment(); }
void TRpLabelEditor::SetAlignment(TAlignment Value) { FControl->SetAlignment(Value); }
void TRpLabelEditor::SetColor(TColor Value) { FControl->SetColor(Value); }
void TRpLabelEditor::SetFont(TFont* Value) { FControl->SetFont(Value); }

void TRpLabelEditor::SetValue(const String& Value) {
    if (auto H = dynamic_cast<TRpCustomHTMLLabel*>(FControl)) H->SetCaption(Value);
    if (TRpCustomLabel* L = Label()) L->SetCaption(Value);
}

bool TRpLabelEditor::RunDialog(TRpLabelEditorForm* Form) {
    TRpCustomLabel* L = Label();
    Form->Value->SetText(GetValue());
    Form->Width->SetText(FloatToStr(FControl->Size()->Width()));
    Form->Height->SetText(FloatToStr(FControl->Size()->Height()));
    auto Html = dynamic_cast<TRpCustomHTMLLabel*>(FControl);
    if (L) {
        Form->AutoSize->SetChecked(L->AutoSize());
        Form->Stretch->SetChecked(L->AutoStretch());
    } else if (Html) {
        Form->AutoSize->SetChecked(Html->AutoSize());
        Form->Stretch->SetChecked(Html->AutoStretch());
    }
    Form->Transparent->SetChecked(FControl->Transparent());
    if (Form->ShowModal() != mrOk) return false;
    // Both sizes are read first: a size that is no number writes nothing.
    const Extended W = StrToFloat(Form->Width->Text().trimmed());
    const Extended H = StrToFloat(Form->Height->Text().trimmed());
    SetValue(Form->Value->Text());
    FControl->Size()->SetWidth(W);
    FControl->Size()->SetHeight(H);
    if (L) {
        L->StoreAutoSize(Form->AutoSize->Checked());
        L->SetAutoStretch(Form->Stretch->Checked());
    } else if (Html) {
        Html->SetAutoSize(Form->AutoSize->Checked());
        Html->SetAutoStretch(Form->Stretch->Checked());
    }
    FControl->SetTransparent(Form->Transparent->Checked());
    return true;
}

bool TRpLabelEditor::ShowEditor() {
    TOwned<TRpLabelEditorForm> F = NewOwned<TRpLabelEditorForm>(nullptr);
    return RunDialog(F.get());
}

// ---- TRpExprEditor -------------------------------------------------------------------------------

TClass TRpExprEditor::GetPrintableClass() { return TRpExpr::StaticClass(); }

String TRpExprEditor::GetValue() {
    auto E = dynamic_cast<TRpExpr*>(FControl);
    return E ? E->Expression() : String();
}

void TRpExprEditor::SetValue(const String& Value) {
    if (auto E = dynamic_cast<TRpExpr*>(FControl)) E->SetExpression(Value);
}

bool TRpExprEditor::ShowEditor() {
    TOwned<TRpExprEditorForm> F = NewOwned<TRpExprEditorForm>(nullptr);
    auto E = dynamic_cast<TRpExpr*>(FControl);
    if (E) F->Mask->SetText(E->Mask());
    for (TWinControl* P = FControl->Parent(); P; P = P->Parent())
        if (auto Form = dynamic_cast<TCustomForm*>(P)) {
            F->DSForm = Form;
            break;
        }
    if (!RunDialog(F.get())) return false;
    if (E) E->SetMask(F->Mask->Text());
    return true;
}

// ---- the editor classes of the printables --------------------------------------------------------

TClass TRpLabel::GetEditorClass() { return TRpLabelEditor::StaticClass(); }
TClass TRpExpr::GetEditorClass() { return TRpExprEditor::StaticClass(); }
TClass TRpHTMLLabel::GetEditorClass() { return TRpLabelEditor::StaticClass(); }
