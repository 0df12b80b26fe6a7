// What a drop-down form opened by an edit button needs: which form (a form, a registered form
// class, or whatever a callback answers), how big and aligned how, which values go into it
// (field values, the record, named fields) and which come back when the user accepts it.
// CheckShowDropDownForm drives one opening through the form's IDropDownFormVz; the form calls
// DropDownFormCallbackProc exactly once when it closes. The owner (an editor, a grid column) fills
// the call context (edit control, button, data link, field, value callbacks) before each opening.
#pragma once

#include "grid/core/valueutilsvz.h"
#include "platform/db/db.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"

#include <functional>

class TControl;
class TCustomForm;
class TDataLink;
class TFont;
class TDynVarsVz;
class TEditButtonControlVz;
class TEditButtonVz;
class TWinControl;
enum TDropDownAlign : int;

// The system parameters of one opening: whether the form is freed when it closes.
class TDropDownFormSysParams : public TPersistent {
    SDELKA_CLASS(TDropDownFormSysParams, TPersistent)
protected:
    TDropDownFormSysParams() = default;
    ~TDropDownFormSysParams() override = default;

public:
    bool FreeFormOnClose() const { return FFreeFormOnClose; }
    void SetFreeFormOnClose(bool Value) { FFreeFormOnClose = Value; }

private:
    bool FFreeFormOnClose = false;
};

class TEditControlDropDownFormSysParams : public TDropDownFormSysParams {
    SDELKA_CLASS(TEditControlDropDownFormSysParams, TDropDownFormSysParams)
protected:
    TEditControlDropDownFormSysParams() = default;
    ~TEditControlDropDownFormSysParams() override = default;

public:
    TControl* FEditControl = nullptr;
    TEditButtonVz* FEditButton = nullptr;
    TObject* FEditButtonObj = nullptr;
};

// Called by the form exactly once when it closes; it frees DynParams and SysParams.
using TDropDownFormCallbackProcVz =
    std::function<void(TCustomForm* DropDownForm, bool Accept, TDynVarsVz* DynParams, TDropDownFormSysParams* SysParams)>;

// What every drop-down form offers (the forms themselves are the editors' layer).
class IDropDownFormVz {
public:
    virtual ~IDropDownFormVz() = default;
    virtual bool GetReadOnly() = 0;
    // Shows the form next to RelativePosRect (screen coordinates) without a modal loop, keeps the
    // parameters and the callback, and returns at once.
    virtual void ExecuteNomodal(const TRect& RelativePosRect, TControl* DownStateControl, TDropDownAlign Align,
                                TDynVarsVz* DynParams, TDropDownFormSysParams* SysParams,
                                TDropDownFormCallbackProcVz CallbackProc) = 0;
    virtual void Close() = 0;
    virtual void SetReadOnly(bool Value) = 0;
    // While set, the form stays visible (around the report of a failure while it closes).
    virtual void SetKeepFormVisible(bool) {}
};

// How editors talk to their drop-down calendar. The picker calls CloseCallback once when it
// closes, with Accept set when a value was chosen.
using TPopupDateTimePickerCloseProcVz = std::function<void(TObject* Picker, bool Accept, TObject* CallbackData)>;
class IPopupDateTimePickerVz {
public:
    virtual ~IPopupDateTimePickerVz() = default;
    virtual TDateTime GetDateTime() = 0;
    virtual TCalendarDateTimeUnitsVz GetTimeUnits() = 0;
    virtual bool IsDropDownPicker() = 0;
    // The picker keeps the focus while it is open.
    virtual bool GetWantFocus() = 0;
    virtual void ClosePicker() = 0;
    virtual void SetTimeUnits(TCalendarDateTimeUnitsVz Units) = 0;
    virtual void SetPickerFont(TFont* Font) = 0;
    // Opens the picker at the screen point Pos with ADateTime.
    virtual void ShowPicker(const TPoint& Pos, TPopupDateTimePickerCloseProcVz CloseCallback, TObject* CallbackData,
                            TDateTime ADateTime) = 0;
    virtual void UpdatePickerSize() = 0;
};

// The shared instance of a drop-down form class, installed by the editors' layer (none here).
using TDropDownFormGlobalRefVz = std::function<TCustomForm*(TClass FormClass)>;
TDropDownFormGlobalRefVz& DropDownFormGlobalRefVz();

enum TDropDownPassParamsVz { pspByFieldNamesVz, pspFieldValueVz, pspRecordValuesVz, pspCustomValuesVz };

using TCheckDataIsReadOnlyEventVz = TEvent<void(bool& ReadOnly)>;
using TEditControlCloseDropDownFormEventVz = std::function<void(TWinControl* EditControl, TEditButtonVz* Button,
                                                                bool Accept, TCustomForm* DropDownForm,
                                                                TDynVarsVz* DynParams)>;
using TGetDropDownFormEventVz = std::function<void(TCustomForm*& DropDownForm, bool& FreeFormOnClose)>;
using TGetVarValueProcVz = std::function<void(Variant& VarValue)>;
using TEditControlShowDropDownFormEventVz =
    std::function<void(TWinControl* EditControl, TEditButtonVz* Button, TCustomForm*& DropDownForm, TDynVarsVz* DynParams)>;
using TSetVarValueProcVz = std::function<void(const Variant& VarValue)>;

class TDropDownFormCallParamsVz : public TPersistent {
    SDELKA_CLASS(TDropDownFormCallParamsVz, TPersistent)
protected:
    TDropDownFormCallParamsVz();
    ~TDropDownFormCallParamsVz() override;

public:
    // ---- configuration
    TDropDownAlign Align() const { return FAlign; }
    void SetAlign(TDropDownAlign Value) { FAlign = Value; }
    const String& AssignBackFieldNames() const { return FAssignBackFieldNames; }
    void SetAssignBackFieldNames(const String& Value) { FAssignBackFieldNames = Value; }
    TCustomForm* DropDownForm() const { return FDropDownForm; }
    void SetDropDownForm(TCustomForm* Value);
    const String& DropDownFormClassName() const { return FDropDownFormClassName; }
    void SetDropDownFormClassName(const String& Value);
    int FormHeight() const { return FFormHeight; }
    void SetFormHeight(int Value) { FFormHeight = Value; }
    int FormWidth() const { return FFormWidth; }
    void SetFormWidth(int Value) { FFormWidth = Value; }
    int OldFormHeight() const { return FOldFormHeight; }
    int OldFormWidth() const { return FOldFormWidth; }
    const String& PassFieldNames() const { return FPassFieldNames; }
    void SetPassFieldNames(const String& Value) { FPassFieldNames = Value; }
    TDropDownPassParamsVz PassParams() const { return FPassParams; }
    void SetPassParams(TDropDownPassParamsVz Value) { FPassParams = Value; }
    bool SaveFormSize() const { return FSaveFormSize; }
    void SetSaveFormSize(bool Value) { FSaveFormSize = Value; }

    // ---- call context, filled by the owner before each opening
    TDataLink* FDataLink = nullptr;
    TEditButtonVz* FEditButton = nullptr;
    TEditButtonControlVz* FEditButtonControl = nullptr;
    TWinControl* FEditControl = nullptr;
    TRect FEditControlScreenRect;
    TField* FField = nullptr;
    TEditControlCloseDropDownFormEventVz FOnCloseDropDownFormProc;
    TGetDropDownFormEventVz FOnGetActualDropDownFormProc;
    TGetVarValueProcVz FOnGetVarValueProc;
    TEditControlShowDropDownFormEventVz FOnOpenDropDownFormProc;
    TSetVarValueProcVz FOnSetVarValueProc;

    // Opens the form; Handled becomes True only when a form was shown. An unregistered class name
    // raises "Class 'NAME' is not registered" before anything is made.
    virtual void CheckShowDropDownForm(bool& Handled);
    // The same with a close callback of the caller's instead of DropDownFormCallbackProc.
    virtual void ShowDropDownForm(bool& Handled, TDropDownFormCallbackProcVz CloseCallback);
    // After the form closed: keeps its size for the next opening (SaveFormSize) and gives it back
    // the size it had before.
    void KeepFormSize(TCustomForm* Form);
    // The form's call when it closes.
    virtual void DropDownFormCallbackProc(TCustomForm* DropDownForm, bool Accept, TDynVarsVz* DynParams,
                                          TDropDownFormSysParams* SysParams);

    virtual TWinControl* GetEditControl() { return FEditControl; }
    virtual TEditButtonVz* GetEditButton() { return FEditButton; }
    virtual TEditButtonControlVz* GetEditButtonControl() { return FEditButtonControl; }
    virtual TCustomForm* GetActualDropDownForm(bool& FreeFormOnClose);
    virtual TDataLink* GetDataLink() { return FDataLink; }
    virtual TField* GetField() { return FField; }
    // Unassigned without a get-value callback, else Null handed to the callback.
    virtual void GetVarValue(Variant& Value);
    virtual bool CheckDataIsReadOnly();
    virtual void GetEditControlScreenRect(TRect& Rect);
    virtual TDropDownFormSysParams* CreateSysParams();
    virtual void DoCloseDropDownForm(bool, TCustomForm*, TDynVarsVz*, TDropDownFormSysParams*) {}
    virtual void PrepareDropDownForm(TCustomForm* Form, TDynVarsVz* DynParams, TDropDownFormSysParams* SysParams);
    virtual void Changed();
    virtual void FillPassParams(TDynVarsVz* DynParams);
    // Writes the returned values back: into the fields named in AssignBackFieldNames (parameters
    // the form did not return are left out), else the first parameter through the set-value
    // callback. An edit it started is posted, or cancelled when the write fails.
    virtual void AssignBackParams(TDynVarsVz* DynParams);
    virtual void DoOpenDropDownForm(TCustomForm*& Form, TDynVarsVz* DynParams, TDropDownFormSysParams* SysParams);
    virtual void FillSysParams(TDropDownFormSysParams* SysParams);
    virtual void SetVarValue(const Variant& Value);

    static void Published(TPublished<TDropDownFormCallParamsVz>& P);

    TNotifyEvent OnChanged;
    TCheckDataIsReadOnlyEventVz OnCheckDataIsReadOnly;

private:
    TDataSet* DataSetOfLink();

    TDropDownAlign FAlign;
    String FAssignBackFieldNames;
    TCustomForm* FDropDownForm = nullptr;
    String FDropDownFormClassName;
    int FFormHeight = -1;
    int FFormWidth = -1;
    int FOldFormHeight = -1;
    int FOldFormWidth = -1;
    String FPassFieldNames;
    TDropDownPassParamsVz FPassParams = pspFieldValueVz;
    bool FSaveFormSize = true;
};
