// The data-aware rich edit: formatted text held in a field (Rich Text Format in a blob field, the
// plain text in any other), or text of its own when it has no data source and no field. A bound
// control is writable only while its dataset edits: typing puts the dataset into edit, and leaving
// the control writes the text back. A blob is shown at once (AutoDisplay) or as "(label)" until the
// user double-clicks or presses Enter; such a placeholder is never written back. A row of edit
// buttons at the right edge opens the rich-text editor window, as a drop-down or as a dialog.
#pragma once

#include "grid/base/buttonsvz.h"
#include "grid/base/dropdownparamsvz.h"
#include "grid/editors/editbuttonsvz.h"
#include "grid/editors/editlabelvz.h"
#include "grid/editors/fielddatalinkvz.h"
#include "platform/gui/richedit.h"

class TDynVarsVz;
class TCustomDBRichEditVz;

class TCustomDBRichEditVz : public TCustomRichEdit, public IControlLabelOwnerVz {
    SDELKA_CLASS(TCustomDBRichEditVz, TCustomRichEdit)
protected:
    explicit TCustomDBRichEditVz(TComponent* AOwner);
    ~TCustomDBRichEditVz() override;

public:
    void BeforeDestruction() override;

    // ---- caption label
    TControlLabelVz* ControlLabel() const { return FControlLabel; }
    TControlLabelLocationVz* ControlLabelLocation() const { return FControlLabelLocation.get(); }
    void SetControlLabelLocation(TControlLabelLocationVz* Value) { FControlLabelLocation->Assign(Value); }
    // The field's display name, else the control's name.
    void GetControlLabelCaption(String& Caption) override;
    int GetControlTextBaseLine() override;
    void AdjustLabelBounds() override;
    void LabelLocationChanged() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void SetParent(TWinControl* AParent) override;
    void SetName(const String& NewName) override;

    // ---- binding
    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value) { FDataLink->SetFieldName(Value); }
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TField* Field() const { return FDataLink->Field(); }
    TFieldDataLinkVz* DataLink() const { return FDataLink.get(); }
    virtual bool DataIndepended() const { return FDataLink->DataIndepended(); }
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool Value);
    bool AutoDisplay() const { return FAutoDisplay; }
    void SetAutoDisplay(bool Value);
    bool MemoLoaded() const { return FMemoLoaded; }
    TDynVarsVz* DynProps() const { return FDynProps; }
    TEditButtonsVz* EditButtons() const { return FEditButtons; }
    // The row of button controls at the right edge: entry i draws EditButtons()[i].
    TEditButtonsBoxVz* ButtonsBox() const { return FButtonsBox; }

    // ---- the text
    // The text in Rich Text Format.
    String RtfText();
    // Puts the text in (RTF when it starts with "{\rtf" or "{urtf", else plain) and, bound, writes
    // it into the field (the dataset enters edit; nothing posts it).
    void SetRtfText(const String& Value);
    // Reads the blob field into the control unless it is loaded already.
    virtual void LoadMemo();

    TEditControlShowDropDownFormEventVz OnOpenDropDownForm;
    TEditControlCloseDropDownFormEventVz OnCloseDropDownForm;

    // The room the buttons take at the right edge.
    int ButtonsWidth() const { return FButtonsBox->ButtonsWidth(); }
    TRect GetButtonsRect() const;
    TRect CalcEditRect() const;
    // Lays the buttons out, gives the first button without handlers or form the default action,
    // and keeps the text out of the buttons' room.
    void EditButtonsChanged(TObject* Sender);
    void UpdateEditButtons();
    void UpdateEditButtonsState();

protected:
    // True when the data link edits, or could be put into edit.
    bool BeginEditing();
    virtual void DataLinkDataChanged();
    virtual void DataLinkEditingChanged();
    virtual void DataLinkUpdateData();
    virtual void EditButtonDown(TEditButtonControlVz* Control, bool TopButton, bool& AutoRepeat, bool& Handled);
    virtual void EditButtonClick(TEditButtonControlVz* Control);
    virtual void EditButtonDropDown(TEditButtonVz* Button, TEditButtonControlVz* Control, bool& Handled);
    virtual void CloseUp(bool Accept);
    virtual TEditButtonControlVz* CreateEditButtonControl();

    void Change() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void DblClick() override;
    void DoEnter() override;
    void DoExit() override;
    void Resize() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void VisibleChanged() override;

private:
    friend void DefaultDBRichEditVzButtonAction(TCustomDBRichEditVz*, TEditButtonVz*, TEditButtonControlVz*, bool&,
                                                bool);
    void DataChange(TObject* Sender);
    void EditingChange(TObject* Sender);
    void LinkUpdateData(TObject* Sender);
    void SetFocused(bool Value);
    void ShowPlaceholder(const String& Text);
    void ButtonControlDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
    void ButtonControlClick(TObject* Sender);
    void PrepareDropDownParams(TEditButtonVz* Button, TEditButtonControlVz* Control);
    TEditButtonVz* ButtonOf(TEditButtonControlVz* Control) const;

    TOwned<TFieldDataLinkVz> FDataLink;
    TDynVarsVz* FDynProps = nullptr;
    TEditButtonsVz* FEditButtons = nullptr;
    TEditButtonsBoxVz* FButtonsBox = nullptr;
    TControlLabelVz* FControlLabel = nullptr;
    TOwned<TControlLabelLocationVz> FControlLabelLocation;
    bool FAutoDisplay = true;
    bool FFocused = false;
    bool FMemoLoaded = false;
    String FDataSave;
};

class TDBRichEditVz : public TCustomDBRichEditVz {
    SDELKA_CLASS(TDBRichEditVz, TCustomDBRichEditVz)
protected:
    explicit TDBRichEditVz(TComponent* AOwner) : TCustomDBRichEditVz(AOwner) {}
    ~TDBRichEditVz() override = default;
};

// The edit buttons' default action: a drop-down style opens the shared rich-text editor window as
// the button's drop-down; the ellipsis edits the text in it as a dialog.
using TDBRichEditVzButtonActionProc = std::function<void(TCustomDBRichEditVz* Control, TEditButtonVz* Button,
                                                         TEditButtonControlVz* ButtonControl, bool& Handled,
                                                         bool IsDown)>;
TDBRichEditVzButtonActionProc& DBRichEditVzDefaultButtonActionProc();
void DefaultDBRichEditVzButtonAction(TCustomDBRichEditVz* Control, TEditButtonVz* Button,
                                     TEditButtonControlVz* ButtonControl, bool& Handled, bool IsDown);
