#include "grid/editors/editbuttondropdownvz.h"

#include "grid/base/buttonsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/editors/fielddatalinkvz.h"
#include "platform/gui/forms.h"
#include "platform/gui/messages.h"

void ShowEditButtonDropDownFormVz(TWinControl* EditControl, TFieldDataLinkVz* DataLink, TField* Field,
                                  const Variant& Value, TEditButtonVz* EditButton,
                                  TEditButtonControlVz* EditButtonControl,
                                  const TEditControlShowDropDownFormEventVz& OnOpenDropDownForm,
                                  TDropDownFormCallbackProcVz CloseCallback, bool& Handled) {
    if (EditButtonControl && EditButtonControl->AlwaysDown()) return;
    TMsg msg;
    if (PeekMessage(msg, EditControl->Handle(), WM_USER, WM_USER, PM_NOREMOVE) &&
        msg.wParam == reinterpret_cast<WPARAM>(EditControl->Handle()) &&
        msg.lParam == reinterpret_cast<LPARAM>(EditButton ? static_cast<TObject*>(EditButton) : EditControl)) {
        Handled = true;
        return;
    }
    TDropDownFormCallParamsVz* p = EditButton->DropDownFormParams();
    p->FEditControl = EditControl;
    p->FDataLink = DataLink;
    p->FField = Field;
    p->FEditButton = EditButton;
    p->FEditButtonControl = EditButtonControl;
    p->FOnOpenDropDownFormProc = OnOpenDropDownForm;
    p->FOnGetVarValueProc = [Value](Variant& V) { V = Value; };
    p->ShowDropDownForm(Handled, std::move(CloseCallback));
}

void CloseEditButtonDropDownFormVz(TWinControl* EditControl, TFieldDataLinkVz* DataLink, TCustomForm* DropDownForm,
                                   const TEditControlCloseDropDownFormEventVz& OnCloseDropDownForm,
                                   const TSetVarValueProcVz& SetValueProc, TEditControlDropDownFormSysParams* SysParams,
                                   TDynVarsVz* DynParams, bool Accept) {
    TEditButtonVz* button = SysParams ? SysParams->FEditButton : nullptr;
    TDropDownFormCallParamsVz* p = button ? button->DropDownFormParams() : nullptr;
    try {
        if (Accept && p) {
            p->FDataLink = DataLink;
            p->FOnSetVarValueProc = SetValueProc;
            p->AssignBackParams(DynParams);
        }
        DropDownForm->Hide();
        if (p) p->KeepFormSize(DropDownForm);
        if (OnCloseDropDownForm)
            OnCloseDropDownForm(EditControl, nullptr, Accept, p ? p->DropDownForm() : nullptr, DynParams);
        TObject* mark = button ? static_cast<TObject*>(button) : EditControl;
        PostMessage(EditControl->Handle(), WM_USER, reinterpret_cast<WPARAM>(EditControl->Handle()),
                    reinterpret_cast<LPARAM>(mark));
    } catch (...) {
        auto* dd = dynamic_cast<IDropDownFormVz*>(DropDownForm);
        if (dd) dd->SetKeepFormVisible(true);
        Application->HandleException(EditControl);
        if (dd) dd->SetKeepFormVisible(false);
    }
    if (DynParams) DynParams->Free();
    if (SysParams) SysParams->Free();
}
