#include "platform/testing/scriptedresponder.h"

#include "platform/gui/forms.h"

TScriptedResponder& TScriptedResponder::Answer(int Result) {
    TAnswer a;
    a.Result = Result;
    a.Ok = Result != mrCancel && Result != mrNone;
    FScript.push_back(std::move(a));
    return *this;
}

TScriptedResponder& TScriptedResponder::AnswerModal(TFormAction Action, int Result) {
    TAnswer a;
    a.Result = Result;
    a.FormAction = std::move(Action);
    FScript.push_back(std::move(a));
    return *this;
}

TScriptedResponder& TScriptedResponder::AnswerInput(bool Ok, const String& Value) {
    TAnswer a;
    a.Ok = Ok;
    a.Result = Ok ? mrOk : mrCancel;
    a.Value = Value;
    FScript.push_back(std::move(a));
    return *this;
}

TScriptedResponder& TScriptedResponder::AnswerDialog(TDialogAction Action) {
    TAnswer a;
    a.DialogAction = std::move(Action);
    FScript.push_back(std::move(a));
    return *this;
}

bool TScriptedResponder::Next(TAnswer& A) {
    if (FScript.empty()) return false;
    A = std::move(FScript.front());
    FScript.pop_front();
    return true;
}

int TScriptedResponder::MessageCount() const {
    int n = 0;
    for (auto& c : FCalls)
        if (c.Kind == ckMessage) ++n;
    return n;
}

int TScriptedResponder::Message(const TMessageRequest& Request) {
    TCall c;
    c.Kind = ckMessage;
    c.Caption = Request.Caption;
    c.Text = Request.Text;
    c.DlgType = Request.DlgType;
    c.Buttons = Request.Buttons;
    FCalls.push_back(c);
    TAnswer a;
    if (Next(a)) return a.Result;
    return ButtonResult(Request.DefaultButton);
}

void TScriptedResponder::ShowModal(TCustomForm* Form) {
    TCall c;
    c.Kind = ckShowModal;
    c.Caption = Form->Caption();
    c.Text = Form->ClassName();
    c.Target = Form;
    FCalls.push_back(c);
    TAnswer a;
    int result = mrCancel;
    if (Next(a)) {
        result = a.Result;
        if (a.FormAction) a.FormAction(Form);
    }
    if (Application->Terminated()) {
        Form->SetModalResult(mrCancel);
        return;
    }
    // The form decides as in a real modal loop: a refused close keeps the scripted result out.
    if (Form->ModalResult() == mrNone) Form->SetModalResult(result == mrNone ? mrCancel : result);
    Form->CloseModal();
}

bool TScriptedResponder::InputQuery(const String& Caption, const String& Prompt, String& Value) {
    TCall c;
    c.Kind = ckInput;
    c.Caption = Caption;
    c.Text = Prompt;
    FCalls.push_back(c);
    TAnswer a;
    if (!Next(a) || !a.Ok) return false;
    Value = a.Value;
    return true;
}

bool TScriptedResponder::ExecuteDialog(TCommonDialog* Dialog) {
    TCall c;
    c.Kind = ckDialog;
    c.Caption = Dialog->Title();
    c.Text = Dialog->ClassName();
    c.Target = Dialog;
    FCalls.push_back(c);
    TAnswer a;
    if (!Next(a)) return false;
    if (a.DialogAction) return a.DialogAction(Dialog);
    return a.Ok;
}

TScriptedResponder& TScriptedResponder::AnswerPrintFile(bool Ok, const String& FileName) {
    return AnswerInput(Ok, FileName);
}

bool TScriptedResponder::PrintFileName(const String& Title, String& FileName) {
    TCall c;
    c.Kind = ckPrintFile;
    c.Caption = Title;
    c.Text = FileName;
    FCalls.push_back(c);
    TAnswer a;
    if (!Next(a) || !a.Ok) return false;
    FileName = a.Value;
    return true;
}
