// The responder and the standard dialogs.
//
// Every modal interaction — message boxes (MessageBox, MessageDlg, ShowMessage), ShowModal,
// input boxes, file, print, printer-setup and font dialogs, the output file of a printer that
// writes files — goes through one replaceable responder. The default one shows real Qt dialogs
// (ended by Application->Terminate like every nested loop); tests install the scripted responder
// of the testing library (platform/testing/scriptedresponder.h), which records what was asked and
// returns scripted answers, so they never block.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/messages.h"
#include "platform/gui/modalresults.h"
#include "platform/rtl/classes.h"

#include <memory>
#include <vector>

class TCustomForm;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose };
using TMsgDlgButtons = TSet<TMsgDlgBtn, 16>;
inline const TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesAllNoAllCancel{mbYes, mbYesToAll, mbNo, mbNoToAll, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};
inline const TMsgDlgButtons mbAbortIgnore{mbAbort, mbIgnore};

// The modal result of a button, and the buttons in display order.
int ButtonResult(TMsgDlgBtn Button);
std::vector<TMsgDlgBtn> ButtonsInOrder(TMsgDlgButtons Buttons);
// The caption MessageDlg gives a dialog type ("Ошибка", "Подтверждение", ...; mtCustom: the
// application's title).
String MsgDlgCaption(TMsgDlgType DlgType);

// One message box as the responder receives it. MessageBox flags are translated: MB_ICONERROR is
// mtError, MB_ICONQUESTION mtConfirmation, MB_ICONWARNING mtWarning, MB_ICONINFORMATION
// mtInformation, no icon mtCustom; MB_YESNO is {mbYes, mbNo} and so on.
struct TMessageRequest {
    String Caption;
    String Text;
    TMsgDlgType DlgType = mtCustom;
    TMsgDlgButtons Buttons{mbOK};
    TMsgDlgBtn DefaultButton = mbOK;
};
TMessageRequest MessageBoxRequest(const String& Text, const String& Caption, unsigned Flags);
// The caption of a message-box button ("&Да", "Отмена" …), also used by bit buttons.
String MsgDlgButtonCaption(TMsgDlgBtn B);

// ---- common dialogs ----------------------------------------------------------------------------
class TCommonDialog : public TComponent {
    SDELKA_CLASS(TCommonDialog, TComponent)
protected:
    explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
    ~TCommonDialog() override = default;

public:
    // Asks the responder; true when the user confirmed.
    virtual bool Execute();
    const String& Title() const { return FTitle; }
    void SetTitle(const String& Value) { FTitle = Value; }
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;

private:
    String FTitle;
};

enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
    ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
    ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
    ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent,
    ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption, 32>;

class TOpenDialog : public TCommonDialog {
    SDELKA_CLASS(TOpenDialog, TCommonDialog)
protected:
    explicit TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    ~TOpenDialog() override = default;

public:
    const String& FileName() const { return FFileName; }
    void SetFileName(const String& Value) { FFileName = Value; }
    // Every chosen file (ofAllowMultiSelect); FileName is the first.
    const std::vector<String>& Files() const { return FFiles; }
    void SetFiles(std::vector<String> Value) { FFiles = std::move(Value); }
    // "Description|*.ext;*.ext2|Description|*.*"
    const String& Filter() const { return FFilter; }
    void SetFilter(const String& Value) { FFilter = Value; }
    int FilterIndex() const { return FFilterIndex; }  // 1-based
    void SetFilterIndex(int Value) { FFilterIndex = Value; }
    const String& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const String& Value) { FInitialDir = Value; }
    const String& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const String& Value) { FDefaultExt = Value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions Value) { FOptions = Value; }
    // Qt's filter text ("Description (*.ext *.ext2);;...") of Filter.
    String QtFilter() const;
    virtual bool IsSaveDialog() const { return false; }

private:
    String FFileName, FFilter, FInitialDir, FDefaultExt;
    std::vector<String> FFiles;
    int FFilterIndex = 1;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
    SDELKA_CLASS(TSaveDialog, TOpenDialog)
protected:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    ~TSaveDialog() override = default;

public:
    bool IsSaveDialog() const override { return true; }
};

class TFontDialog : public TCommonDialog {
    SDELKA_CLASS(TFontDialog, TCommonDialog)
protected:
    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;

public:
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value) { FFont->Assign(Value); }

private:
    TOwned<TFont> FFont;
};

// A colour dialog: Color in and out.
class TColorDialog : public TCommonDialog {
    SDELKA_CLASS(TColorDialog, TCommonDialog)
protected:
    explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    ~TColorDialog() override = default;

public:
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }

private:
    TColor FColor = clBlack;
};

// Picture open and save dialogs: file dialogs whose filter lists the registered picture formats
// (TPicture's registry) unless the caller sets another.
class TOpenPictureDialog : public TOpenDialog {
    SDELKA_CLASS(TOpenPictureDialog, TOpenDialog)
protected:
    ~TOpenPictureDialog() override = default;
    explicit TOpenPictureDialog(TComponent* AOwner);
};

class TSavePictureDialog : public TOpenPictureDialog {
    SDELKA_CLASS(TSavePictureDialog, TOpenPictureDialog)
protected:
    explicit TSavePictureDialog(TComponent* AOwner) : TOpenPictureDialog(AOwner) {}
    ~TSavePictureDialog() override = default;

public:
    bool IsSaveDialog() const override { return true; }
};

enum TPrintRange { prAllPages, prSelection, prPageNums };
enum TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp, poDisablePrintToFile };
using TPrintDialogOptions = TSet<TPrintDialogOption, 8>;

class TPrintDialog : public TCommonDialog {
    SDELKA_CLASS(TPrintDialog, TCommonDialog)
protected:
    explicit TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    ~TPrintDialog() override = default;

public:
    int Copies() const { return FCopies; }
    void SetCopies(int Value) { FCopies = Value; }
    bool Collate() const { return FCollate; }
    void SetCollate(bool Value) { FCollate = Value; }
    int FromPage() const { return FFromPage; }
    void SetFromPage(int Value) { FFromPage = Value; }
    int ToPage() const { return FToPage; }
    void SetToPage(int Value) { FToPage = Value; }
    int MinPage() const { return FMinPage; }
    void SetMinPage(int Value) { FMinPage = Value; }
    int MaxPage() const { return FMaxPage; }
    void SetMaxPage(int Value) { FMaxPage = Value; }
    TPrintRange PrintRange() const { return FPrintRange; }
    void SetPrintRange(TPrintRange Value) { FPrintRange = Value; }
    TPrintDialogOptions Options() const { return FOptions; }
    void SetOptions(TPrintDialogOptions Value) { FOptions = Value; }

private:
    int FCopies = 1, FFromPage = 0, FToPage = 0, FMinPage = 0, FMaxPage = 0;
    bool FCollate = false;
    TPrintRange FPrintRange = prAllPages;
    TPrintDialogOptions FOptions;
};

class TPrinterSetupDialog : public TCommonDialog {
    SDELKA_CLASS(TPrinterSetupDialog, TCommonDialog)
protected:
    ~TPrinterSetupDialog() override = default;
    explicit TPrinterSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
};

// ---- the responder -----------------------------------------------------------------------------
class TResponder {
public:
    virtual ~TResponder() = default;
    // A message box; returns the modal result of the pressed button (mrNone when the box was ended
    // by Terminate).
    virtual int Message(const TMessageRequest& Request) = 0;
    // Runs a form that ShowModal has shown; returns when it is done (its ModalResult is set).
    virtual void ShowModal(TCustomForm* Form) = 0;
    virtual bool InputQuery(const String& Caption, const String& Prompt, String& Value) = 0;
    // File, font, print and printer-setup dialogs: fills the dialog and returns true on OK.
    virtual bool ExecuteDialog(TCommonDialog* Dialog) = 0;
    // Where a printer that writes files (the "PDF file" printer) puts the job titled Title:
    // FileName comes in as the suggestion and goes out as the choice; false when the user cancels.
    virtual bool PrintFileName(const String& Title, String& FileName) = 0;
};

// Real Qt dialogs; the form's own modal loop for ShowModal.
class TQtResponder : public TResponder {
public:
    int Message(const TMessageRequest& Request) override;
    void ShowModal(TCustomForm* Form) override;
    bool InputQuery(const String& Caption, const String& Prompt, String& Value) override;
    bool ExecuteDialog(TCommonDialog* Dialog) override;
    // A save dialog for PDF files.
    bool PrintFileName(const String& Title, String& FileName) override;
};

// The current responder (the Qt one unless replaced).
TResponder* Responder();
// Installs a responder (not owned; nullptr puts the Qt one back); returns the previous one.
TResponder* SetResponder(TResponder* R);

// Installs a responder for the lifetime of the scope.
class TResponderScope {
public:
    explicit TResponderScope(TResponder* R) : FPrevious(SetResponder(R)) {}
    ~TResponderScope() { SetResponder(FPrevious); }
    TResponderScope(const TResponderScope&) = delete;
    TResponderScope& operator=(const TResponderScope&) = delete;

private:
    TResponder* FPrevious;
};

// ---- the framework's calls ---------------------------------------------------------------------
// Returns IDOK/IDYES/... (the same numbers as the modal results).
int MessageBox(HWND Wnd, const String& Text, const String& Caption, unsigned Flags);
int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx, TMsgDlgBtn DefaultButton);
// A box with the application's title and an OK button.
void ShowMessage(const String& Msg);
bool InputQuery(const String& Caption, const String& Prompt, String& Value);
String InputBox(const String& Caption, const String& Prompt, const String& Default);
