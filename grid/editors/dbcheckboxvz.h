// A data-aware three-state check box. It shows and edits a field, or its own value when unbound:
// ValueChecked and ValueUnchecked (';'-separated, compared without case) tell which texts mean
// checked and unchecked, anything else is grayed; a Boolean field with the default lists is read
// and written as a Boolean. A click or the space bar toggles through the data link (which puts the
// dataset into edit); the value is written when the box is left or the record is posted, and at
// once when State is set in code. The box paints itself: the check box, the caption, the focus.
#pragma once

#include "grid/editors/fielddatalinkvz.h"
#include "platform/gui/controls.h"
#include "platform/gui/stdctrls.h"

class TDynVarsVz;

using TUpdateDataEventVz = TEvent<void(TObject* Sender, bool& Handled)>;

class TCustomDBCheckBoxVz : public TCustomControl {
    SDELKA_CLASS(TCustomDBCheckBoxVz, TCustomControl)
protected:
    explicit TCustomDBCheckBoxVz(TComponent* AOwner);
    ~TCustomDBCheckBoxVz() override;

public:
    void BeforeDestruction() override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
    bool AlwaysShowBorder() const { return FAlwaysShowBorder; }
    void SetAlwaysShowBorder(bool Value);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TDynVarsVz* DynProps() const { return FDynProps; }
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }
    TCheckBoxState State() const { return FState; }
    // Sets the state and writes it at once (a bound box puts its dataset into edit first); a
    // failing write makes the box read the data again and raises.
    void SetState(TCheckBoxState Value);
    const String& ValueChecked() const { return FValueCheck; }
    void SetValueChecked(const String& Value);
    const String& ValueUnchecked() const { return FValueUncheck; }
    void SetValueUnchecked(const String& Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TField* Field() const { return FDataLink->Field(); }
    bool Modified() const { return FModified; }
    TFieldDataLinkVz* DataLink() const { return FDataLink.get(); }
    bool ToggleKeyDown() const { return FToggleKeyDown; }

    // Writes the state into the data (unless OnUpdateData handles it).
    virtual void UpdateData(TObject* Sender = nullptr);
    // The state the data stands for.
    TCheckBoxState GetFieldState() const;
    virtual void Toggle();
    virtual bool DataIndepended() const { return FDataLink->DataIndepended(); }

    TUpdateDataEventVz OnUpdateData;

protected:
    void Click() override;
    void Paint() override;
    virtual void DrawState(TCheckBoxState AState, bool AFocused, bool Hot, bool Pressed);
    virtual void DrawCaption(const TRect& ARect, bool AFocused);
    virtual void DrawCheckBox(const TRect& ARect, TCheckBoxState AState, bool AFocused, bool Hot, bool Pressed);
    virtual void InternalSetState(TCheckBoxState Value);
    virtual void InternalUpdateData();
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void DoEnter() override;
    void DoExit() override;
    void TextChanged() override;
    void EnabledChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange(TObject* Sender);

    TOwned<TFieldDataLinkVz> FDataLink;
    TDynVarsVz* FDynProps = nullptr;
    TCheckBoxState FState = cbUnchecked;
    String FValueCheck;
    String FValueUncheck;
    TAlignment FAlignment = taRightJustify;
    bool FAllowGrayed = false;
    bool FAlwaysShowBorder = false;
    bool FFlat = false;
    bool FWordWrap = false;
    bool FModified = false;
    bool FMouseAboveControl = false;
    bool FMousePressed = false;
    bool FToggleKeyDown = false;
    bool FClicksDisabled = false;
    bool FDropClick = false;
    bool FDataPosting = false;
};

class TDBCheckBoxVz : public TCustomDBCheckBoxVz {
    SDELKA_CLASS(TDBCheckBoxVz, TCustomDBCheckBoxVz)
protected:
    explicit TDBCheckBoxVz(TComponent* AOwner) : TCustomDBCheckBoxVz(AOwner) {}
    ~TDBCheckBoxVz() override = default;
};

// Text is one of the ';'-separated Values (without case); an empty Text also matches an empty
// list or one that ends with ';'.
bool CheckBoxValueMatchesVz(const String& Values, const String& Text);
