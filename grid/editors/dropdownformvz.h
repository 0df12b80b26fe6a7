// The drop-down form: a borderless form above every window that an edit button opens under (or
// above) its edit control, where the user chooses or edits values that go back when it closes.
// A form runs as a non-modal drop-down (ExecuteNomodal: the caller hears the result through its
// callback, exactly once), as a modal drop-down (Execute: a local message loop) or as an ordinary
// dialog (Show, ShowModal). Values travel in and out in a named parameter list: InitForm loads the
// form from it, ReturnParams writes the result into it (on OK only). Losing the activation closes
// a drop-down, unless KeepFormVisible holds it open (around an error message, say).
#pragma once

#include "grid/base/dropdownparamsvz.h"
#include "grid/base/popupformvz.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

#include <functional>

class TCanvas;
class TDynVarsVz;
class TSpeedButtonVz;
class TCustomDropDownFormVz;

enum TDropLayoutVz { dlAboveControlVz, dlUnderControlVz };
enum TDropDownFormElementVz { ddfeLeftGripVz, ddfeRightGripVz, ddfeCloseButtonVz, ddfeSizingBarVz };
using TDropDownFormElementsVz = TSet<TDropDownFormElementVz, 4>;

using TInitDropDownFormEventVz = TEvent<void(TCustomDropDownFormVz* Sender, TDynVarsVz* DynParams)>;
using TPutBackFormParamsEventVz = TEvent<void(TCustomDropDownFormVz* Sender, TDynVarsVz* DynParams)>;

// Lets a caller hand a parameter list to a form shown as an ordinary dialog and read it back.
class IDynParamsInteractableVz {
public:
    virtual ~IDynParamsInteractableVz() = default;
    virtual void SetInDynParams(TDynVarsVz* DynParams) = 0;
    virtual void GetOutDynParams(TDynVarsVz*& DynParams) = 0;
};

// The close button in a corner of a drop-down form.
class TDDFCloseButtonVz : public TWinControl {
    SDELKA_CLASS(TDDFCloseButtonVz, TWinControl)
protected:
    explicit TDDFCloseButtonVz(TComponent* AOwner);
    ~TDDFCloseButtonVz() override = default;

public:
    TSpeedButtonVz* ButtonControl() const { return FButtonControl; }

private:
    void ButtonPaint(TObject* Sender);
    void ButtonClick(TObject* Sender);
    TSpeedButtonVz* FButtonControl = nullptr;
};

// The bar along the free edge of a drop-down form that resizes the form by its grab strip.
class TDDFSizingBarVz : public TPanel {
    SDELKA_CLASS(TDDFSizingBarVz, TPanel)
protected:
    explicit TDDFSizingBarVz(TComponent* AOwner);
    ~TDDFSizingBarVz() override = default;

public:
    TWinControl* HostControl() const { return FHostControl; }
    void SetHostControl(TWinControl* Value) { FHostControl = Value; }
    int SizingArea() const { return FSizingArea; }
    // The point lies in the grab strip.
    bool InSizingArea(int Y) const;

protected:
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TWinControl* FHostControl = nullptr;
    TPoint FMouseDownPos{-1, -1};
    int FSizingArea = 10;
};

class TCustomDropDownFormVz : public TForm, public IDropDownFormVz, public IDynParamsInteractableVz {
    SDELKA_CLASS(TCustomDropDownFormVz, TForm)
protected:
    explicit TCustomDropDownFormVz(TComponent* AOwner);
    ~TCustomDropDownFormVz() override;

public:
    void BeforeDestruction() override;

    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    const TDropDownFormCallbackProcVz& CallbackProc() const { return FCallbackProc; }
    bool DropDownMode() const { return FDropDownMode; }
    void SetDropDownMode(bool Value);
    TDropDownFormElementsVz FormElements() const { return FFormElements; }
    void SetFormElements(TDropDownFormElementsVz Value);
    bool KeepFormVisible() const { return FKeepFormVisible; }
    void SetKeepFormVisible(bool Value) override { FKeepFormVisible = Value; }
    bool ReadOnly() const { return FReadOnly; }
    TDropLayoutVz DropLayout() const { return FDropLayout; }
    // The area inside the frame.
    TRect ControlClientRect() const { return AdjustClientRect(); }
    TSizeGripVz* SizeGrip() const { return FSizeGrip; }
    TSizeGripVz* SizeGrip2() const { return FSizeGrip2; }
    TDDFCloseButtonVz* CloseButton() const { return FCloseButton; }
    TDDFSizingBarVz* SizingBar() const { return FSizingBar; }

    // ---- running
    // Modal drop-down under RelativePosControl; True when it ended with mrOk.
    virtual bool Execute(TControl* RelativePosControl, TControl* DownStateControl, TDropDownAlign Align,
                         TDynVarsVz* DynParams);
    void ExecuteNomodal(const TRect& RelativePosRect, TControl* DownStateControl, TDropDownAlign Align,
                        TDynVarsVz* DynParams, TDropDownFormSysParams* SysParams,
                        TDropDownFormCallbackProcVz CallbackProc) override;
    // Closes the form and gives the focus back to the control that had it when the form opened.
    void Close() override;
    bool GetReadOnly() override { return FReadOnly; }
    void SetReadOnly(bool Value) override { FReadOnly = Value; }
    // As an ordinary window.
    void Show();
    int ShowModal() override;
    // Places the form under (or above) Rect, in screen coordinates, within the work area.
    TDropLayoutVz PlaceForRect(const TRect& Rect, TDropDownAlign Align);

    // ---- the form's own part
    virtual void InitForm(TComponent* Host, TDynVarsVz* DynParams);
    virtual void ReturnParams(TComponent* Host, TDynVarsVz* DynParams);
    // Descendants size themselves to their content before they are placed.
    virtual void UpdateSize() {}
    // Lays out the close button, the sizing bar and the grips for the current layout.
    virtual void InitElements();
    void SetInDynParams(TDynVarsVz* DynParams) override { FDynParams = DynParams; }
    void GetOutDynParams(TDynVarsVz*& DynParams) override { DynParams = FDynParams; }
    TRect AdjustClientRect() const override;

    // The shared instance of a form class (nil: a form is made for each opening). A class that
    // keeps one registers it here; the edit buttons then show that one.
    static TCustomForm* GetGlobalRef(TClass FormClass);
    static void RegisterGlobalRef(TClass FormClass, std::function<TCustomForm*()> Ref);
    static void UnregisterGlobalRef(TClass FormClass);

    TInitDropDownFormEventVz OnInitForm;
    TPutBackFormParamsEventVz OnReturnParams;

protected:
    void PaintWindow(HDC DC) override;
    virtual void DrawBorder();
    TCanvas* Canvas() const { return FCanvas.get(); }
    void DoClose(TCloseAction& Action) override;
    void Deactivate() override;
    void Resize() override;

private:
    TOwned<TCanvas> FCanvas;
    int FBorderWidth = 3;
    TDropDownFormCallbackProcVz FCallbackProc;
    bool FDropDownMode = true;
    TDropDownFormElementsVz FFormElements{ddfeLeftGripVz, ddfeRightGripVz, ddfeCloseButtonVz, ddfeSizingBarVz};
    bool FKeepFormVisible = false;
    bool FReadOnly = false;
    TSizeGripVz* FSizeGrip = nullptr;
    TSizeGripVz* FSizeGrip2 = nullptr;
    TDDFCloseButtonVz* FCloseButton = nullptr;
    TDDFSizingBarVz* FSizingBar = nullptr;
    TDropLayoutVz FDropLayout = dlUnderControlVz;
    TDynVarsVz* FDynParams = nullptr;
    TDropDownFormSysParams* FSysParams = nullptr;
    TCustomForm* FMasterForm = nullptr;
    TWinControl* FMasterFocusControl = nullptr;
    bool FModalMode = false;
    bool FClosing = false;
    bool FActivateClosing = false;
    bool FActivateShowing = false;
};
