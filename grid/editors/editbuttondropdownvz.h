// How a data-aware editor opens the drop-down form of one of its edit buttons and takes the values
// back when the form closes. The button's drop-down parameters say which form, where and which
// values; the editor hands its own close callback, which calls CloseEditButtonDropDownFormVz.
#pragma once

#include "grid/base/dropdownparamsvz.h"

class TFieldDataLinkVz;

// Opens the button's form. Handled becomes True when a form was shown, or when this press is the
// one that has just closed the button's form (it must not reopen it).
void ShowEditButtonDropDownFormVz(TWinControl* EditControl, TFieldDataLinkVz* DataLink, TField* Field,
                                  const Variant& Value, TEditButtonVz* EditButton,
                                  TEditButtonControlVz* EditButtonControl,
                                  const TEditControlShowDropDownFormEventVz& OnOpenDropDownForm,
                                  TDropDownFormCallbackProcVz CloseCallback, bool& Handled);

// Takes the values back on Accept (a write that fails leaves the record as it was), hides the form,
// tells OnCloseDropDownForm and marks the edit control's queue so that the press that closed the
// form does not open it again. A failure is reported through the application while the form stays
// up. DynParams and SysParams are freed in every case.
void CloseEditButtonDropDownFormVz(TWinControl* EditControl, TFieldDataLinkVz* DataLink, TCustomForm* DropDownForm,
                                   const TEditControlCloseDropDownFormEventVz& OnCloseDropDownForm,
                                   const TSetVarValueProcVz& SetValueProc, TEditControlDropDownFormSysParams* SysParams,
                                   TDynVarsVz* DynParams, bool Accept);
