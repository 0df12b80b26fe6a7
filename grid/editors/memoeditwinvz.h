// The memo editor window: a text too long for a cell or an edit line is edited in it. It is the
// default drop-down form of the data-aware edits (one shared instance, kept for the process), and
// EditMemoTextProcVz shows it as a dialog. Nothing passed in: it starts empty and hands nothing
// back; one value: it edits that value and returns it as the first item.
#pragma once

#include "grid/editors/dropdownformvz.h"

#include <functional>

class TMemo;
class TPanel;
class TSpeedButtonVz;

class TMemoEditWinVz : public TCustomDropDownFormVz {
    SDELKA_CLASS(TMemoEditWinVz, TCustomDropDownFormVz)
protected:
    explicit TMemoEditWinVz(TComponent* AOwner);
    ~TMemoEditWinVz() override = default;

public:
    // The shared window, made with the application as owner on first use.
    static TMemoEditWinVz* Shared();

    TMemo* Memo1() const { return FMemo1; }
    TSpeedButtonVz* sbOk() const { return FsbOk; }
    TSpeedButtonVz* sbCancel() const { return FsbCancel; }
    TDropDownPassParamsVz PassParams() const { return FPassParams; }

    void InitForm(TComponent* Host, TDynVarsVz* DynParams) override;
    void ReturnParams(TComponent* Host, TDynVarsVz* DynParams) override;

private:
    void ButtonClick(TObject* Sender);

    TDropDownPassParamsVz FPassParams = pspByFieldNamesVz;
    TMemo* FMemo1 = nullptr;
    TPanel* FPanel1 = nullptr;
    TSpeedButtonVz* FsbOk = nullptr;
    TSpeedButtonVz* FsbCancel = nullptr;
};

// Edits Text in a dialog; True (and the new text) when closed with OK.
using TEditMemoTextProcVz = std::function<bool(String& Text, const TRect& Rect, bool ReadOnly)>;
TEditMemoTextProcVz& EditMemoTextProcVz();
bool DefaultEditMemoTextVz(String& Text, const TRect& Rect, bool ReadOnly);
