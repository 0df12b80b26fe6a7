// The scripted responder: a test double of the modal responder (platform/gui/dialogs.h).
#pragma once

#include "platform/gui/dialogs.h"

#include <deque>
#include <functional>
#include <vector>

// Records each request and answers from a script, in order. With no answer left: a message box
// returns its default button's result, ShowModal mrCancel, an input box, a dialog and a printer's
// file question false.
class TScriptedResponder : public TResponder {
public:
    enum TCallKind { ckMessage, ckShowModal, ckInput, ckDialog, ckPrintFile };
    struct TCall {
        TCallKind Kind = ckMessage;
        String Caption;
        String Text;   // message text, input prompt, the form's / dialog's class name, or the
                       // file name suggested to a printer that writes files
        TMsgDlgType DlgType = mtCustom;
        TMsgDlgButtons Buttons;
        TComponent* Target = nullptr;  // the form or dialog
    };
    using TFormAction = std::function<void(TCustomForm* Form)>;
    using TDialogAction = std::function<bool(TCommonDialog* Dialog)>;

    // The next message box or ShowModal returns Result.
    TScriptedResponder& Answer(int Result);
    // The next ShowModal runs Action while the form is shown (it may set ModalResult, click
    // buttons, show further forms); Result is used when the form's ModalResult is still mrNone.
    TScriptedResponder& AnswerModal(TFormAction Action, int Result = mrCancel);
    TScriptedResponder& AnswerInput(bool Ok, const String& Value = String());
    TScriptedResponder& AnswerDialog(TDialogAction Action);
    // The next question of a printer that writes files: Ok false cancels, else FileName is the
    // file chosen.
    TScriptedResponder& AnswerPrintFile(bool Ok, const String& FileName = String());

    const std::vector<TCall>& Calls() const { return FCalls; }
    int CallCount() const { return static_cast<int>(FCalls.size()); }
    const TCall& LastCall() const { return FCalls.back(); }
    int MessageCount() const;
    void Clear() { FCalls.clear(); FScript.clear(); }
    int PendingAnswers() const { return static_cast<int>(FScript.size()); }

    int Message(const TMessageRequest& Request) override;
    void ShowModal(TCustomForm* Form) override;
    bool InputQuery(const String& Caption, const String& Prompt, String& Value) override;
    bool ExecuteDialog(TCommonDialog* Dialog) override;
    bool PrintFileName(const String& Title, String& FileName) override;

private:
    struct TAnswer {
        int Result = mrNone;
        bool Ok = false;
        String Value;
        TFormAction FormAction;
        TDialogAction DialogAction;
    };
    bool Next(TAnswer& A);
    std::vector<TCall> FCalls;
    std::deque<TAnswer> FScript;
};
