// The single-line data-aware edit: it shows and edits one field through a TFieldDataLinkVz, or
// keeps its own value when it has no data source and no field. While focused on a modifiable
// field it shows the field's edit text, otherwise its display text. Typing puts the dataset into
// edit (and is refused when the data cannot be modified), Esc reads the data again, and the text
// is written when the editor is left, on Enter, or at once when Text or Value are set in code.
// An empty editor shows the empty-data hint in grey. Edit buttons stand at its right edge (the
// main EditButton first, then EditButtons), the most-recently-used values drop down while typing,
// and a caption label can stand beside it. A grid hosts it as its in-place editor through
// IInplaceEditVz and its own IInplaceEditHolderVz.
#pragma once

#include "grid/base/dropdownparamsvz.h"
#include "grid/base/mrulistvz.h"
#include "grid/editors/editbuttonsvz.h"
#include "grid/editors/editimagevz.h"
#include "grid/editors/editlabelvz.h"
#include "grid/editors/fielddatalinkvz.h"
#include "platform/gui/forms.h"
#include "platform/gui/memo.h"

class TDynVarsVz;
class TCustomDBEditVz;
class TMRUListboxVz;

// A combo-like editor closes its open drop-down.
class IComboEditVz {
public:
    virtual ~IComboEditVz() = default;
    virtual void CloseUp(bool Accept) = 0;
};

// The grid side of an in-place editor: the grid sees the editor's messages and keys first (a
// message it answers with a non-zero Result, or a key it sets to 0, ends there).
class IInplaceEditHolderVz {
public:
    virtual ~IInplaceEditHolderVz() = default;
    virtual bool CheckEditorCanModify(TWinControl* Editor) = 0;
    // The grid's last mouse press (screen point, time in ms of the day; 0 when none); the time is
    // cleared once taken.
    virtual void TakeMouseDownPoint(TPoint& Pos, unsigned& Time) = 0;
    virtual void HandleEditorMessage(TWinControl* Editor, TMessage& Message) = 0;
    virtual void HandleEditorKeyDown(TWinControl* Editor, Word& Key, TShiftState Shift) = 0;
    virtual void HandleEditorKeyPress(TWinControl* Editor, Char& Key) = 0;
    virtual void HandleEditorKeyUp(TWinControl* Editor, Word& Key, TShiftState Shift) = 0;
};

// The editor side of in-place use.
class IInplaceEditVz {
public:
    virtual ~IInplaceEditVz() = default;
    virtual TFont* GetFont() = 0;
    virtual void SetInplaceEditHolder(TWinControl* Holder) = 0;
    virtual void SetBorderStyle(TFormBorderStyle Value) = 0;
    virtual void SetFont(TFont* Value) = 0;
    virtual void SetColor(TColor Value) = 0;
    virtual void SetOnKeyPress(const TKeyPressEvent& Value) = 0;
    virtual void SetOnExit(const TNotifyEvent& Value) = 0;
};

using TCheckDrawRequiredStateEventVz = TEvent<void(TObject* Sender, bool& DrawState)>;
using TGetImageIndexEventVz = TEvent<void(TObject* Sender, int& ImageIndex)>;
using TEditOpenDropDownFormEventVz =
    TEvent<void(TObject* Sender, TEditButtonVz* EditButton, TCustomForm*& Form, TDynVarsVz* DynParams)>;
using TEditCloseDropDownFormEventVz = TEvent<void(TObject* Sender, TEditButtonVz* EditButton, bool Accept,
                                                  TCustomForm* Form, TDynVarsVz* DynParams)>;

// The default action of the edit family's buttons, called on the press (IsDown) and again on the
// click: a drop-down button opens its drop-down form, an ellipsis or glyph button edits the text
// in the memo window.
using TDBEditVzDefaultButtonActionProcVz = std::function<void(
    TCustomDBEditVz* Editor, TEditButtonVz* EditButton, TEditButtonControlVz* EditButtonControl, bool& Handled,
    bool IsDown)>;
TDBEditVzDefaultButtonActionProcVz& DBEditVzDefaultButtonActionProc();
void DefaultDBEditVzButtonAction(TCustomDBEditVz* Editor, TEditButtonVz* EditButton,
                                 TEditButtonControlVz* EditButtonControl, bool& Handled, bool IsDown);
// The form class whose shared window a drop-down button shows when it names no form.
TClass& DBEditVzDropDownFormClass();


// Which of Alignment and EditMask were given explicitly.
enum TDBEditVzValue { evAlignmentVz, evEditMaskVz };
using TDBEditVzValues = TSet<TDBEditVzValue>;

// The grey hint of an empty edit.
class TDBEditEmptyDataInfoVz : public TCustomControlEmptyDataInfoVz {
    SDELKA_CLASS(TDBEditEmptyDataInfoVz, TCustomControlEmptyDataInfoVz)
protected:
    explicit TDBEditEmptyDataInfoVz(TCustomDBEditVz* AEdit);
    ~TDBEditEmptyDataInfoVz() override = default;

public:
    TAlignment DefaultAlignment() const override;
    bool ControlIsEmpty() const override;
    void PaintEmptyDataInfo() override;

private:
    TCustomDBEditVz* FEdit;
};

class TCustomDBEditVz : public TCustomMaskEdit,
                        public IControlLabelOwnerVz,
                        public IComboEditVz,
                        public IInplaceEditVz {
    SDELKA_CLASS(TCustomDBEditVz, TCustomMaskEdit)
protected:
    explicit TCustomDBEditVz(TComponent* AOwner);
    ~TCustomDBEditVz() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;

    // ---- buttons
    TEditButtonVz* EditButton() const { return FEditButton; }
    void SetEditButton(TEditButtonVz* Value) { FEditButton->Assign(Value); }
    TEditButtonsVz* EditButtons() const { return FEditButtons; }
    void SetEditButtons(TEditButtonsVz* Value) { FEditButtons->Assign(Value); }
    TEditButtonsBoxVz* ButtonsBox() const { return FButtonsBox; }
    // The control of an edit button, nil when none.
    TEditButtonControlVz* GetEditButtonControlByEditButton(TEditButtonVz* EditButton) const;
    // The main button when its default action is on and it is visible, else the first such of
    // EditButtons, else nil.
    TEditButtonVz* GetFirstDefaultActionEditButton() const;
    // Enables the button controls and settles each button's default action (the main button's is
    // its visibility; another's is on while it has no handler, form or menu of its own).
    void UpdateEditButtonsState();
    bool Flat() const { return FFlat; }
    void SetFlat(bool Value);
    bool AlwaysShowBorder() const { return FAlwaysShowBorder; }
    void SetAlwaysShowBorder(bool Value);
    bool BorderActive() const { return FBorderActive; }
    // The image at the left of the text: Images writes the list and makes the image visible.
    TEditImageVz* EditImage() const { return FEditImage.get(); }
    TCustomImageList* Images() const { return FEditImage->Images(); }
    void SetImages(TCustomImageList* Value);
    TRect ImageRect() const;
    // The height follows the font (or a taller image with UseImageHeight).
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool HighlightRequired() const { return FHighlightRequired; }
    void SetHighlightRequired(bool Value);
    // The text area between the image and the buttons, in client coordinates.
    TRect EditRect() const;
    TRect ButtonsRect() const;
    bool DroppedDown() const { return FDroppedDown; }
    TEditButtonVz* DroppedDownButton() const { return FDroppedDownButton; }
    // Closes an open drop-down (nothing in the base).
    void CloseUp(bool Accept) override;

    // ---- most-recently-used values
    TMRUListVz* MRUList() const { return FMRUList.get(); }
    void SetMRUList(TMRUListVz* Value) { FMRUList->Assign(Value); }
    // The list box, made at the first opening (nil before).
    TMRUListboxVz* MRUListControl() const { return FMRUListControl; }
    // Whether an MRU item matches the current text (its first characters equal the text).
    virtual void FilterMRUItem(const String& AText, bool& Accept);

    // ---- caption label
    TControlLabelVz* ControlLabel() const { return FControlLabel; }
    TControlLabelLocationVz* ControlLabelLocation() const { return FControlLabelLocation.get(); }
    void SetControlLabelLocation(TControlLabelLocationVz* Value) { FControlLabelLocation->Assign(Value); }
    void GetControlLabelCaption(String& Caption) override;
    int GetControlTextBaseLine() override;
    void AdjustLabelBounds() override;
    void LabelLocationChanged() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    // The label follows the editor to its parent.
    void SetParent(TWinControl* AParent) override;

    // ---- in-place use
    bool InplaceMode() const { return FIntfInplaceEditHolder != nullptr; }
    TWinControl* InplaceEditHolder() const { return FInplaceEditHolder; }
    TFont* GetFont() override { return Font(); }
    // Raises when the holder does not offer IInplaceEditHolderVz.
    void SetInplaceEditHolder(TWinControl* Holder) override;
    void SetBorderStyle(TFormBorderStyle Value) override;
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetFont(TFont* Value) override;
    void SetColor(TColor Value) override;
    void SetOnKeyPress(const TKeyPressEvent& Value) override { OnKeyPress = Value; }
    void SetOnExit(const TNotifyEvent& Value) override { OnExit = Value; }
    // In place: an empty rectangle hides, otherwise the editor shows there and takes the focus
    // when the holder has it. Not in place: the bounds.
    void Move(const TRect& Loc);
    void UpdateLoc(const TRect& Loc) { Move(Loc); }
    // In place: hides and gives the focus back to the holder.
    void HideEditor();

    const String& DataField() const { return FDataLink->FieldName(); }
    void SetDataField(const String& Value);
    TDataSource* DataSource() const { return FDataLink->DataSource(); }
    void SetDataSource(TDataSource* Value);
    TField* Field() const { return FDataLink->Field(); }
    TFieldDataLinkVz* DataLink() const { return FDataLink.get(); }
    virtual bool DataIndepended() const { return FDataLink->DataIndepended(); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    TAlignment Alignment() const;
    void SetAlignment(TAlignment Value);
    void SetEditMask(const String& Value);
    TDBEditVzValues AssignedValues() const { return FAssignedValues; }
    TDBEditEmptyDataInfoVz* EmptyDataInfo() const { return FEmptyDataInfo; }
    TDynVarsVz* DynProps() const { return FDynProps; }
    bool Focused() const { return FFocused; }
    // The hint shows when ShowHint is on; with Tooltips on a text that does not fit shows whole
    // under the editor.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value);
    bool Tooltips() const { return FTooltips; }
    void SetTooltips(bool Value);
    // The text is wider or taller than the text area.
    bool TextClipped();

    // Shows the text and writes it at once (a bound editor puts its dataset into edit first); a
    // failing write makes the editor read the data again and raises.
    void SetText(const String& Value);
    Variant Value() const { return InternalGetValue(); }
    void SetValue(const Variant& Value);
    // With an edit mask: the edit text is the mask applied to nothing; otherwise Text is empty.
    virtual bool IsEmpty() const;
    virtual void Clear() { SetText(String()); }
    // Takes back the last change of the text (a bound editor puts its dataset into edit first);
    // when not focused, writes the result at once.
    void Undo();
    // Reads the data again and selects all.
    void Reset();
    // Validates, then writes the text into the data unless OnUpdateData handles it.
    virtual void UpdateData();
    // The editor is enabled and its link active.
    virtual bool CanDropDown() const;
    // Pastes the clipboard's text when the data can be modified; text of several lines goes in as
    // one line, the breaks turned into blanks.
    virtual void PasteFromClipboard();

    TUpdateDataEventVz OnUpdateData;
    TGetFieldDataEventVz OnGetFieldData;
    TButtonClickEventVz OnButtonClick;
    TButtonDownEventVz OnButtonDown;
    TEditOpenDropDownFormEventVz OnOpenDropDownForm;
    TEditCloseDropDownFormEventVz OnCloseDropDownForm;
    TCheckDrawRequiredStateEventVz OnCheckDrawRequiredState;
    // Which image of Images the edit shows (a numeric value is its own index by default).
    TGetImageIndexEventVz OnGetImageIndex;

protected:
    virtual TEditButtonVz* CreateEditButton();
    virtual TEditButtonsVz* CreateEditButtons();
    virtual TEditButtonControlVz* CreateEditButtonControl();
    virtual TMRUListboxVz* CreateMRUListControl();
    virtual bool GetEditButtonDefaultAction(TEditButtonVz* AEditButton);
    virtual void EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
    virtual void EditButtonClick(TObject* Sender);
    virtual void EditButtonMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    virtual void EditButtonMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void EditButtonDefaultActionDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl, bool& Handled);
    virtual void EditButtonDefaultActionClick(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl,
                                              bool& Handled);
    // Closes an open MRU list; descendants open their own lists.
    virtual void EditButtonDropDown(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl);
    virtual void SetDroppedDownState(TEditButtonVz* AEditButton, TEditButtonControlVz* AControl);
    virtual void ClearDroppedDownState();
    friend void DefaultDBEditVzButtonAction(TCustomDBEditVz*, TEditButtonVz*, TEditButtonControlVz*, bool&, bool);
    virtual void OpenDropDownFormProc(TWinControl* EditControl, TEditButtonVz* Button, TCustomForm*& Form,
                                      TDynVarsVz* DynParams);
    virtual void GetActualDropDownFormProc(TCustomForm*& Form, bool& FreeFormOnClose);
    virtual void GetVarValueProc(Variant& Value);
    virtual void SetVarValueProc(const Variant& Value);
    void CloseDropDownFormProc(TWinControl* EditControl, TEditButtonVz* Button, bool Accept, TCustomForm* Form,
                               TDynVarsVz* DynParams);
    void DropDownFormCallbackProc(TCustomForm* Form, bool Accept, TDynVarsVz* DynParams,
                                  TDropDownFormSysParams* SysParams);
    virtual int DefaultImageIndex() const { return -1; }
    virtual void UpdateImageIndex();
    virtual void AdjustHeight();
    int AutoHeight() const;
    void UpdateHeight();
    void ImageChanged();
    virtual void FillMRUAutogenItems(TMRUListVz* Sender, TStrings* AutogenItems);
    virtual void UserTextChanged();
    virtual void PaintRequiredState(TCanvas* ACanvas);
    // The red dotted line under a required value that is empty.
    bool NeedsRequiredState();
    virtual String GetDisplayTextForPaintCopy();
    virtual TColor GetActualColor();
    virtual TColor GetActualFontColor();
    void UpdateEditButtons();
    void UpdateBorderActive();
    // A flat editor's border: sunken while active (focus, hover or AlwaysShowBorder), else flat.
    void PaintFlatBorder();
    void SetEditRect();
    void ReleaseButtonControls();
    void UpdateRequiredLine();
    bool FNoClickCloseUp = false;

    virtual TAlignment DefaultAlignment() const;
    virtual String DefaultEditMask() const;
    virtual bool IsValidChar(Char InputChar) const;
    // Drops trailing line breaks and turns each remaining one into a blank.
    virtual String PreparePasteText(const String& AText) const;
    virtual Variant InternalGetValue() const;
    virtual void InternalSetText(const String& AText);
    virtual void InternalSetValue(const Variant& AValue);
    virtual void InternalUpdateData();
    virtual void DataLinkDataChanged();
    virtual void DataLinkEditingChanged();
    virtual void ActiveChanged();
    virtual void UpdateControlReadOnly();
    virtual void SetFocused(bool Value);
    virtual void ResetMaxLength();
    bool EditCanModify();

    void InitWidget() override;
    void WndProc(TMessage& Message) override;
    bool HostEvent(QEvent* Event) override;
    void Resize() override;
    void FontChanged() override;
    void VisibleChanged() override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void CMCancelMode(TMessage& Message) override;
    void Change() override;
    void CMHintShow(TMessage& Message) override;
    virtual void UpdateShowHint();
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyUp(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void DoEnter() override;
    void DoExit() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void DataChange(TObject* Sender);
    void EditingChange(TObject* Sender);
    void LinkUpdateData(TObject* Sender);
    void LinkActiveChange(TObject* Sender);
    void DoOnUpdateData(bool& Handled);
    void UpdateEmptyHint();
    void ApplyAlignment();
    void EditButtonsChanged(TObject* Sender);
    void MRUListDropDown(TObject* Sender);
    void MRUListCloseUp(TObject* Sender, bool Accept);
    void MRUListMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    bool MRUListKey(Word Key, TShiftState Shift);
    bool ButtonShortCut(Word Key, TShiftState Shift);

    TEditButtonVz* FEditButton = nullptr;
    TEditButtonsVz* FEditButtons = nullptr;
    TEditButtonsBoxVz* FButtonsBox = nullptr;
    TOwned<TMRUListVz> FMRUList;
    TMRUListboxVz* FMRUListControl = nullptr;
    TControlLabelVz* FControlLabel = nullptr;
    TOwned<TControlLabelLocationVz> FControlLabelLocation;
    TWinControl* FRequiredLine = nullptr;
    TOwned<TEditImageVz> FEditImage;
    TWinControl* FImageBox = nullptr;
    bool FAutoSize = true;
    bool FAdjustingHeight = false;
    bool FFlat = false;
    bool FAlwaysShowBorder = false;
    bool FBorderActive = false;
    bool FMouseAboveControl = false;
    bool FHighlightRequired = false;
    bool FDroppedDown = false;
    TEditButtonVz* FDroppedDownButton = nullptr;
    TEditButtonControlVz* FDroppedDownButtonControl = nullptr;
    bool FUserTextChanged = false;
    bool FMRUCharPending = false;
    TFormBorderStyle FBorderStyle = bsSingle;
    TWinControl* FInplaceEditHolder = nullptr;
    IInplaceEditHolderVz* FIntfInplaceEditHolder = nullptr;

    TOwned<TFieldDataLinkVz> FDataLink;
    TDBEditEmptyDataInfoVz* FEmptyDataInfo = nullptr;
    TDynVarsVz* FDynProps = nullptr;
    TDBEditVzValues FAssignedValues;
    TAlignment FAlignment = taLeftJustify;
    bool FReadOnly = false;
    bool FShowHint = false;
    bool FTooltips = false;
    bool FFocused = false;
    bool FDataPosting = false;
    bool FInternalTextSetting = false;
};

class TDBEditVz : public TCustomDBEditVz {
    SDELKA_CLASS(TDBEditVz, TCustomDBEditVz)
protected:
    explicit TDBEditVz(TComponent* AOwner) : TCustomDBEditVz(AOwner) {}
    ~TDBEditVz() override = default;
};
