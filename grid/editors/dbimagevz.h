// The data-aware image control: it shows the picture held in a blob field (a bitmap or a JPEG,
// told apart by the first bytes), or a picture of its own when it has no data source and no field.
// The picture zooms (the wheel, in steps of 10 percent, about the corner or centre its placement
// anchors it to) and pans (dragging with the mouse); the clipboard keys, the context menu, a file
// and the picture editor dialog change it. A change marks the data link modified only once a
// picture was loaded, so showing a record never writes it back: the field receives the
// picture's bytes only when the user changed the picture.
#pragma once

#include "grid/base/buttonsvz.h"
#include "grid/base/dropdownparamsvz.h"
#include "grid/base/picturevz.h"
#include "grid/base/toolsvz.h"
#include "grid/editors/editimagevz.h"
#include "grid/editors/editlabelvz.h"
#include "grid/editors/fielddatalinkvz.h"

class TCustomDBImageVz;
class TDynVarsVz;
class TEditButtonVz;
class TEditButtonControlVz;
class TPopupMenu;
class TMenuItem;

enum TSelectionDrawStyleVz { sdsDefaultVz, sdsClassicVz, sdsFramedVz, sdsThemedVz };

// JPEG data: the first bytes are FF D8 FF.
class TJPEGGraphicProviderVz : public TGraphicProviderVz {
    SDELKA_CLASS(TJPEGGraphicProviderVz, TGraphicProviderVz)
public:
    static TClass GetImageClassForStream(const Byte* Start, int Size);
};

// The hint an empty image control shows in its middle.
class TDBImageEmptyDataInfoVz : public TCustomControlEmptyDataInfoVz {
    SDELKA_CLASS(TDBImageEmptyDataInfoVz, TCustomControlEmptyDataInfoVz)
protected:
    explicit TDBImageEmptyDataInfoVz(TCustomDBImageVz* AImage);
    ~TDBImageEmptyDataInfoVz() override = default;

public:
    TAlignment DefaultAlignment() const override { return taCenter; }
    TFont* DefaultFont() const override;
    TColor DefaultColor() const override;
    bool ControlIsEmpty() const override;
    void PaintEmptyDataInfo() override;

private:
    TCustomDBImageVz* FImage;
};

class TCustomDBImageVz : public TCustomControlVz, public IControlLabelOwnerVz {
    SDELKA_CLASS(TCustomDBImageVz, TCustomControlVz)
protected:
    explicit TCustomDBImageVz(TComponent* AOwner);
    ~TCustomDBImageVz() override;

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
    bool ReadOnly() const { return FDataLink->ReadOnly(); }
    void SetReadOnly(bool Value) { FDataLink->SetReadOnly(Value); }
    // Not read-only, and the data can be modified.
    bool CanModify() const { return !ReadOnly() && FDataLink->CanModify(); }

    // ---- appearance
    bool AutoDisplay() const { return FAutoDisplay; }
    void SetAutoDisplay(bool Value);
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);
    TPictureVz* Picture() const { return FPicture.get(); }
    void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
    bool PictureLoaded() const { return FPictureLoaded; }
    TImagePlacementVz PicturePlacement() const { return FPicturePlacement; }
    void SetPicturePlacement(TImagePlacementVz Value);
    TSelectionDrawStyleVz SelectionDrawStyle() const { return FSelectionDrawStyle; }
    void SetSelectionDrawStyle(TSelectionDrawStyleVz Value);
    // Percent; a negative value becomes 0.
    int Zoom() const { return FZoom; }
    void SetZoom(int Value);
    bool ZoomAllowed() const { return FZoomAllowed; }
    void SetZoomAllowed(bool Value) { FZoomAllowed = Value; }
    bool ZoomIsTemporary() const { return FZoomIsTemporary; }
    // The pan offset.
    TPoint ImagePos() const { return FImagePos; }
    TEditButtonVz* EditButton() const { return FEditButton; }
    TEditButtonControlVz* EditButtonControl() const { return FEditButtonControl; }
    TDynVarsVz* DynProps() const { return FDynProps; }
    TDBImageEmptyDataInfoVz* EmptyDataInfo() const { return FEmptyDataInfo; }

    // ---- operations
    // Reads the picture from the bound blob field unless it is loaded already.
    virtual void LoadPicture();
    virtual bool IsEmpty() const;
    virtual bool CanDropDown() const;
    virtual void CopyToClipboard();
    virtual void CutToClipboard();
    virtual void PasteFromClipboard();
    virtual void TemporaryMoveImageTo(const TPoint& Pos);
    virtual void TemporaryZoomTo(int Percent);
    void ResetPos();
    void ResetZoom() { SetZoom(100); }
    // Where the picture is drawn in the client area: its placement, then the zoom about the
    // placement's anchor, then the pan offset.
    TRect PictureDestRect();
    // The control's own popup menu, else the default one (filled afresh on every call).
    TCustomPopupMenu* GetPopupMenu();
    virtual TPopupMenu* GetDefaultPopupMenu();

    // The context menu's commands.
    virtual void MenuItemCopy(TObject* Sender);
    virtual void MenuItemCut(TObject* Sender);
    virtual void MenuItemDefaultZoom(TObject* Sender);
    virtual void MenuItemDelete(TObject* Sender);
    virtual void MenuItemLoad(TObject* Sender);
    virtual void MenuItemPaste(TObject* Sender);
    virtual void MenuItemSave(TObject* Sender);

    TButtonClickEventVz OnButtonClick;
    TButtonDownEventVz OnButtonDown;
    TEditControlShowDropDownFormEventVz OnOpenDropDownForm;
    TEditControlCloseDropDownFormEventVz OnCloseDropDownForm;

protected:
    virtual void FormPopupMenu(TPopupMenu* Menu);
    virtual TSelectionDrawStyleVz ActualSelectionDrawStyle() const;
    virtual void EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);
    virtual void EditButtonClick(TObject* Sender);
    // Whether the button's default action applies: no click or down handler and no drop-down form.
    bool EditButtonDefaultActionApplies() const;
    void UpdateEditButtonControl();
    // Writes the picture into the field and ends the edit of the data link.
    void UpdateField();

    void Paint() override;
    void Resize() override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(Char& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    void DoEnter() override;
    void DoExit() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void VisibleChanged() override;
    void TextChanged() override;

private:
    void DataChange(TObject* Sender);
    void LinkUpdateData(TObject* Sender);
    void PictureChanged(TObject* Sender);
    void EditButtonChanged(TObject* Sender);
    void ButtonControlClick(TObject* Sender);
    void ButtonControlDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled);

    TOwned<TFieldDataLinkVz> FDataLink;
    TOwned<TPictureVz> FPicture;
    TDynVarsVz* FDynProps = nullptr;
    TEditButtonVz* FEditButton = nullptr;
    TEditButtonControlVz* FEditButtonControl = nullptr;
    TDBImageEmptyDataInfoVz* FEmptyDataInfo = nullptr;
    TPopupMenu* FDefaultPopupMenu = nullptr;
    TControlLabelVz* FControlLabel = nullptr;
    TOwned<TControlLabelLocationVz> FControlLabelLocation;
    bool FAutoDisplay = true;
    TFormBorderStyle FBorderStyle = bsSingle;
    bool FPictureLoaded = false;
    TImagePlacementVz FPicturePlacement = ipReduceFitVz;
    TSelectionDrawStyleVz FSelectionDrawStyle = sdsDefaultVz;
    int FZoom = 100;
    bool FZoomAllowed = true;
    bool FZoomIsTemporary = false;
    TPoint FImagePos;
    TPoint FDownMousePos;
    TPoint FDownImagePos;
    bool FPanning = false;
};

class TDBImageVz : public TCustomDBImageVz {
    SDELKA_CLASS(TDBImageVz, TCustomDBImageVz)
protected:
    explicit TDBImageVz(TComponent* AOwner) : TCustomDBImageVz(AOwner) {}
    ~TDBImageVz() override = default;
};

// The default commands of the image control: the context menu's items, and the edit button's
// action (a drop-down style pops the menu up under the button; the ellipsis edits a copy of the
// picture in the picture editor dialog).
using TDBImageVzFormPopupMenuProc = std::function<void(TCustomDBImageVz* Control, TPopupMenu* Menu)>;
TDBImageVzFormPopupMenuProc& DBImageVzFormPopupMenuProc();
void DefaultDBImageVzFormPopupMenu(TCustomDBImageVz* Control, TPopupMenu* Menu);

using TDBImageVzButtonActionProc = std::function<void(TCustomDBImageVz* Control, TEditButtonVz* EditButton,
                                                      TEditButtonControlVz* EditButtonControl, bool& Handled,
                                                      bool IsDown)>;
TDBImageVzButtonActionProc& DBImageVzDefaultButtonActionProc();
void DefaultDBImageVzButtonAction(TCustomDBImageVz* Control, TEditButtonVz* EditButton,
                                  TEditButtonControlVz* EditButtonControl, bool& Handled, bool IsDown);

// Scales a placed rectangle by Percent about the point its placement anchors it to (its left or
// right edge, its top or bottom, or its centre): a centred picture stays centred.
TRect ZoomPlacedRectVz(const TRect& R, int Percent, TImagePlacementVz Placement);
