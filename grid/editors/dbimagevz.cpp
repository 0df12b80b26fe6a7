#include "grid/editors/dbimagevz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/base/buttonsvz.h"
#include "grid/base/graphutilsvz.h"
#include "grid/core/dynvarsvz.h"
#include "grid/core/uitextsvz.h"
#include "grid/editors/editbuttondropdownvz.h"
#include "grid/editors/pictureeditformvz.h"
#include "platform/db/fields.h"
#include "platform/gui/canvas.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/menus.h"
#include "platform/gui/messages.h"

namespace {

struct TDBImageUnitVz {
    TDBImageUnitVz() {
        RegisterGraphicProviderVz<TJPEGGraphicProviderVz>();
        DBImageVzFormPopupMenuProc() = DefaultDBImageVzFormPopupMenu;
        DBImageVzDefaultButtonActionProc() = DefaultDBImageVzButtonAction;
    }
} DBImageUnitVz;

constexpr int DBImageZoomStepVz = 10;

}  // namespace

TClass TJPEGGraphicProviderVz::GetImageClassForStream(const Byte* Start, int Size) {
    if (!Start || Size < 3) return nullptr;
    return Start[0] == 0xFF && Start[1] == 0xD8 && Start[2] == 0xFF ? TJPEGImage::StaticClass() : nullptr;
}

TDBImageVzFormPopupMenuProc& DBImageVzFormPopupMenuProc() {
    static TDBImageVzFormPopupMenuProc proc;
    return proc;
}

TDBImageVzButtonActionProc& DBImageVzDefaultButtonActionProc() {
    static TDBImageVzButtonActionProc proc;
    return proc;
}

TRect ZoomPlacedRectVz(const TRect& R, int Percent, TImagePlacementVz Placement) {
    const int w = R.Width() * Percent / 100;
    const int h = R.Height() * Percent / 100;
    TRect z;
    switch (Placement) {
    case ipTopLeftVz: case ipCenterLeftVz: case ipBottomLeftVz: z.Left = R.Left; break;
    case ipTopRightVz: case ipCenterRightVz: case ipBottomRightVz: z.Left = R.Right - w; break;
    default: z.Left = R.Left + (R.Width() - w) / 2; break;
    }
    switch (Placement) {
    case ipTopLeftVz: case ipTopCenterVz: case ipTopRightVz: z.Top = R.Top; break;
    case ipBottomLeftVz: case ipBottomCenterVz: case ipBottomRightVz: z.Top = R.Bottom - h; break;
    default: z.Top = R.Top + (R.Height() - h) / 2; break;
    }
    z.Right = z.Left + w;
    z.Bottom = z.Top + h;
    return z;
}

// ---- TDBImageEmptyDataInfoVz ----------------------------------------------------------------------

TDBImageEmptyDataInfoVz::TDBImageEmptyDataInfoVz(TCustomDBImageVz* AImage)
    : TCustomControlEmptyDataInfoVz(AImage), FImage(AImage) {}

TFont* TDBImageEmptyDataInfoVz::DefaultFont() const { return FImage->Font(); }

TColor TDBImageEmptyDataInfoVz::DefaultColor() const { return FImage->Color(); }

bool TDBImageEmptyDataInfoVz::ControlIsEmpty() const { return FImage->IsEmpty(); }

void TDBImageEmptyDataInfoVz::PaintEmptyDataInfo() {
    TCanvas* canvas = FImage->Canvas();
    canvas->Font()->Assign(Font());
    const TSize ext = canvas->TextExtent(Text());
    const TRect client = FImage->ClientRect();
    TRect r(0, 0, ext.cx, ext.cy + 2);
    MoveRectToVz(r, client.Left + (client.Width() - r.Width()) / 2, client.Top + (client.Height() - r.Height()) / 2);
    r.Inflate(5, 5);
    canvas->Brush()->SetColor(ActualColor());
    canvas->FillRect(r);
    WriteCellTextVz(canvas, r, false, 6, 6, Text(), taCenter, tlCenter, false, false, 0, 0, false, true);
    r.Inflate(1, 1);
    canvas->Brush()->SetColor(BlendColorsVz(canvas->Font()->Color(), FImage->Color(), 192.0 / 255.0));
    canvas->FrameRect(r);
}

// ---- TCustomDBImageVz -----------------------------------------------------------------------------

TCustomDBImageVz::TCustomDBImageVz(TComponent* AOwner)
    : TCustomControlVz(AOwner), FDataLink(NewOwned<TFieldDataLinkVz>()), FPicture(NewOwned<TPictureVz>()) {
    SetBounds(Left(), Top(), 100, 100);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
    TControlStyle style = ControlStyle();
    for (TControlStyleItem s : {csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque}) style.Include(s);
    SetControlStyle(style);
    FPicture->OnChange = TNotifyEvent(this, &TCustomDBImageVz::PictureChanged);
    FDataLink->SetControl(this);
    FDataLink->OnDataChange = TNotifyEvent(this, &TCustomDBImageVz::DataChange);
    FDataLink->OnUpdateData = TNotifyEvent(this, &TCustomDBImageVz::LinkUpdateData);
    FDynProps = New<TDynVarsVz>(this);
    FEditButton = NewEditButtonVz(this);
    FEditButton->OnChanged = TNotifyEvent(this, &TCustomDBImageVz::EditButtonChanged);
    FEditButtonControl = New<TEditButtonControlVz>(this);
    FEditButtonControl->SetControlStyle(FEditButtonControl->ControlStyle() + TControlStyle{csReplicatable});
    FEditButtonControl->SetBounds(0, 0, 10, 17);
    FEditButtonControl->SetParent(this);
    FEditButtonControl->SetTag(0);
    FEditButtonControl->OnClick = TNotifyEvent(this, &TCustomDBImageVz::ButtonControlClick);
    FEditButtonControl->OnDown = TButtonDownEventVz(this, &TCustomDBImageVz::ButtonControlDown);
    FEmptyDataInfo = New<TDBImageEmptyDataInfoVz>(this);
    FControlLabelLocation = NewOwned<TControlLabelLocationVz>(static_cast<IControlLabelOwnerVz*>(this));
    FControlLabel = New<TControlLabelVz>(static_cast<TWinControl*>(this), static_cast<IControlLabelOwnerVz*>(this));
    FControlLabel->FreeNotification(this);
    UpdateEditButtonControl();
}

TCustomDBImageVz::~TCustomDBImageVz() = default;

void TCustomDBImageVz::BeforeDestruction() {
    FDataLink->SetDataSource(nullptr);
    FDataLink->OnDataChange = nullptr;
    FDataLink->OnUpdateData = nullptr;
    FPicture->OnChange = nullptr;
    if (FEditButton) FreeAndNil(FEditButton);
    if (FEmptyDataInfo) FreeAndNil(FEmptyDataInfo);
    if (FDynProps) FreeAndNil(FDynProps);
    TCustomControlVz::BeforeDestruction();
}

void TCustomDBImageVz::SetDataSource(TDataSource* Value) {
    if (Value == FDataLink->DataSource()) return;
    if (FDataLink->DataSourceFixed() &&
        (ComponentState().Contains(csLoading) || ComponentState().Contains(csDestroying)))
        return;
    if (FDataLink->DataSource()) FDataLink->DataSource()->RemoveFreeNotification(this);
    FDataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TCustomDBImageVz::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControlVz::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FControlLabel) FControlLabel = nullptr;
    if (FDataLink && AComponent == FDataLink->DataSource()) SetDataSource(nullptr);
    if (AComponent == FDefaultPopupMenu) FDefaultPopupMenu = nullptr;
    if (AComponent == FEditButtonControl) FEditButtonControl = nullptr;
}

void TCustomDBImageVz::SetAutoDisplay(bool Value) {
    if (FAutoDisplay == Value) return;
    FAutoDisplay = Value;
    if (Value) LoadPicture();
}

void TCustomDBImageVz::SetBorderStyle(TFormBorderStyle Value) {
    if (FBorderStyle == Value) return;
    FBorderStyle = Value;
    Invalidate();
}

void TCustomDBImageVz::SetPicturePlacement(TImagePlacementVz Value) {
    if (FPicturePlacement == Value) return;
    FPicturePlacement = Value;
    Invalidate();
}

void TCustomDBImageVz::SetSelectionDrawStyle(TSelectionDrawStyleVz Value) {
    if (FSelectionDrawStyle == Value) return;
    FSelectionDrawStyle = Value;
    Invalidate();
}

void TCustomDBImageVz::SetZoom(int Value) {
    if (Value < 0) Value = 0;
    FZoomIsTemporary = false;
    if (FZoom == Value) return;
    FZoom = Value;
    Invalidate();
}

void TCustomDBImageVz::TemporaryZoomTo(int Percent) {
    SetZoom(Percent);
    FZoomIsTemporary = true;
}

void TCustomDBImageVz::TemporaryMoveImageTo(const TPoint& Pos) {
    FImagePos = Pos;
    Invalidate();
}

void TCustomDBImageVz::ResetPos() {
    FImagePos = TPoint(0, 0);
    Invalidate();
}

// ---- data -----------------------------------------------------------------------------------------

void TCustomDBImageVz::DataChange(TObject*) {
    FPicture->SetGraphic(nullptr);
    FPictureLoaded = false;
    if (FAutoDisplay) LoadPicture();
    Invalidate();
    if (FControlLabel) FControlLabel->UpdateCaption();
}

void TCustomDBImageVz::LinkUpdateData(TObject*) {
    if (FDataLink->DataIndepended()) return;
    TField* f = Field();
    if (!f) return;
    TGraphic* g = FPicture->Graphic();
    if (!g || g->Empty()) {
        f->Clear();
        return;
    }
    TMemoryStream stream;
    g->SaveToStream(&stream);
    const auto* data = static_cast<const Byte*>(stream.Memory());
    f->SetAsBytes(TBytes(data, data + stream.Size()));
}

void TCustomDBImageVz::PictureChanged(TObject*) {
    if (FPictureLoaded) FDataLink->Modified();
    FPictureLoaded = true;
    Invalidate();
}

void TCustomDBImageVz::LoadPicture() {
    if (FPictureLoaded) return;
    TField* f = Field();
    if (!f || !f->IsBlob()) return;
    AssignPictureFromFieldVz(f, FPicture.get());
    FZoom = 100;
    FZoomIsTemporary = false;
    FImagePos = TPoint(0, 0);
    Invalidate();
}

void TCustomDBImageVz::UpdateField() {
    FDataLink->Modified();
    FDataLink->UpdateRecord();
}

bool TCustomDBImageVz::IsEmpty() const {
    const TGraphic* g = FPicture->Graphic();
    return !g || g->Empty();
}

bool TCustomDBImageVz::CanDropDown() const { return Enabled() && FDataLink->Active(); }

// ---- clipboard ------------------------------------------------------------------------------------

void TCustomDBImageVz::CopyToClipboard() {
    if (FPicture->Graphic()) Clipboard()->Assign(FPicture.get());
}

void TCustomDBImageVz::CutToClipboard() {
    if (FPicture->Graphic() && FDataLink->Edit()) {
        CopyToClipboard();
        FPicture->SetGraphic(nullptr);
    }
}

void TCustomDBImageVz::PasteFromClipboard() {
    if (Clipboard()->HasFormat(CF_BITMAP) && FDataLink->Edit()) FPicture->Bitmap()->Assign(Clipboard());
}

// ---- menu -----------------------------------------------------------------------------------------

TCustomPopupMenu* TCustomDBImageVz::GetPopupMenu() {
    if (PopupMenu()) return PopupMenu();
    if (ComponentState().Contains(csDestroying)) return nullptr;
    return GetDefaultPopupMenu();
}

TPopupMenu* TCustomDBImageVz::GetDefaultPopupMenu() {
    if (!FDefaultPopupMenu) {
        FDefaultPopupMenu = New<TPopupMenu>(this);
        FDefaultPopupMenu->FreeNotification(this);
    }
    FormPopupMenu(FDefaultPopupMenu);
    return FDefaultPopupMenu;
}

void TCustomDBImageVz::FormPopupMenu(TPopupMenu* Menu) {
    Menu->Items()->Clear();
    if (DBImageVzFormPopupMenuProc()) DBImageVzFormPopupMenuProc()(this, Menu);
}

void DefaultDBImageVzFormPopupMenu(TCustomDBImageVz* Control, TPopupMenu* Menu) {
    TViZevLanguageConsts* t = GetViZevLanguageConsts();
    const bool modifiable = Control->CanModify();
    auto add = [&](const String& Caption, void (TCustomDBImageVz::*Handler)(TObject*)) {
        Menu->Items()->Add(NewItem(Caption, 0, false, true, TNotifyEvent(Control, Handler)));
    };
    if (modifiable) add(t->PictureEditorDialog_Cut(), &TCustomDBImageVz::MenuItemCut);
    add(t->PictureEditorDialog_Copy(), &TCustomDBImageVz::MenuItemCopy);
    if (modifiable && Clipboard()->HasFormat(CF_BITMAP)) add(t->PictureEditorDialog_Paste(), &TCustomDBImageVz::MenuItemPaste);
    if (modifiable) add(t->PictureEditorDialog_Clear(), &TCustomDBImageVz::MenuItemDelete);
    Menu->Items()->Add(NewLine());
    if (modifiable) add(t->PictureEditorDialog_Load(), &TCustomDBImageVz::MenuItemLoad);
    if (Control->Picture()->Graphic()) add(t->PictureEditorDialog_Save(), &TCustomDBImageVz::MenuItemSave);
    Menu->Items()->Add(NewLine());
    add(t->PictureEditorDialog_Reset() + u" (Esc)"_S, &TCustomDBImageVz::MenuItemDefaultZoom);
}

void TCustomDBImageVz::MenuItemCopy(TObject*) { CopyToClipboard(); }
void TCustomDBImageVz::MenuItemCut(TObject*) { CutToClipboard(); }
void TCustomDBImageVz::MenuItemPaste(TObject*) { PasteFromClipboard(); }

void TCustomDBImageVz::MenuItemDelete(TObject*) {
    if (FDataLink->Edit()) FPicture->SetGraphic(nullptr);
}

void TCustomDBImageVz::MenuItemDefaultZoom(TObject*) {
    ResetZoom();
    ResetPos();
}

void TCustomDBImageVz::MenuItemLoad(TObject*) {
    TOwned<TOpenPictureDialog> dlg = NewOwned<TOpenPictureDialog>(nullptr);
    dlg->SetTitle(u"Load Picture"_S);
    if (dlg->Execute() && FDataLink->Edit()) {
        FPicture->LoadFromFile(dlg->FileName());
        UpdateField();
    }
}

void TCustomDBImageVz::MenuItemSave(TObject*) {
    TGraphic* g = FPicture->Graphic();
    if (!g) return;
    TOwned<TSavePictureDialog> dlg = NewOwned<TSavePictureDialog>(nullptr);
    dlg->SetTitle(u"Save Picture As"_S);
    dlg->SetDefaultExt(TPicture::GraphicExtension(g->ClassType()));
    dlg->SetFilter(TPicture::GraphicFilter(g->ClassType()));
    if (dlg->Execute()) FPicture->SaveToFile(dlg->FileName());
}

// ---- painting -------------------------------------------------------------------------------------

TSelectionDrawStyleVz TCustomDBImageVz::ActualSelectionDrawStyle() const {
    if (FSelectionDrawStyle == sdsThemedVz) return VistaThemesEnabledVz() ? sdsThemedVz : sdsFramedVz;
    return FSelectionDrawStyle == sdsDefaultVz ? sdsFramedVz : FSelectionDrawStyle;
}

TRect TCustomDBImageVz::PictureDestRect() {
    const TRect client = ClientRect();
    TRect dest = FPicture->GetDestRect(client, FPicturePlacement);
    if (FZoom != 100) dest = ZoomPlacedRectVz(dest, FZoom, FPicturePlacement);
    dest.Offset(FImagePos.X, FImagePos.Y);
    return dest;
}

void TCustomDBImageVz::Paint() {
    TCanvas* canvas = Canvas();
    const TRect client = ClientRect();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(client);
    const TSelectionDrawStyleVz sel = ActualSelectionDrawStyle();
    if (Focused() && sel == sdsClassicVz) {
        canvas->Brush()->SetColor(clHighlight);
        canvas->FillRect(client);
    }
    if (FPictureLoaded) {
        const TRect dest = PictureDestRect();
        FPicture->PaintTo(canvas, dest, FZoom != 100 ? ipFitVz : FPicturePlacement);
    } else {
        TField* f = Field();
        const String text = u"("_S + (f ? f->DisplayLabel() : Name()) + u")"_S;
        canvas->Font()->Assign(Font());
        canvas->Brush()->SetStyle(bsClear);
        TRect r = client;
        DrawTextVz(canvas->Handle(), text, -1, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        canvas->Brush()->SetStyle(bsSolid);
    }
    if (sel == sdsFramedVz || (sel == sdsThemedVz && Focused())) {
        TCustomForm* form = GetParentForm(this);
        if (form && form->ActiveControl() == this) {
            canvas->Brush()->SetColor(clWindowFrame);
            canvas->FrameRect(client);
        }
    }
    if (FBorderStyle == bsSingle) {
        TRect r = client;
        DrawEdge(canvas->Handle(), r, EDGE_SUNKEN, BF_RECT);
    }
    if (FEmptyDataInfo->Showing()) FEmptyDataInfo->PaintEmptyDataInfo();
}

void TCustomDBImageVz::TextChanged() {
    if (!FPictureLoaded) Invalidate();
}

// ---- input ----------------------------------------------------------------------------------------

void TCustomDBImageVz::KeyDown(Word& Key, TShiftState Shift) {
    TCustomControlVz::KeyDown(Key, Shift);
    if (Key == VK_INSERT && Shift == TShiftState{ssShift}) {
        PasteFromClipboard();
    } else if (Key == VK_INSERT && Shift == TShiftState{ssCtrl}) {
        CopyToClipboard();
    } else if (Key == VK_DELETE && Shift == TShiftState{ssShift}) {
        CutToClipboard();
    } else {
        return;
    }
    Key = 0;
}

void TCustomDBImageVz::KeyPress(Char& Key) {
    TCustomControlVz::KeyPress(Key);
    switch (Key.unicode()) {
    case 3: CopyToClipboard(); break;
    case 13: LoadPicture(); break;
    case 22: PasteFromClipboard(); break;
    case 24: CutToClipboard(); break;
    case 27: MenuItemDefaultZoom(this); break;
    default: return;
    }
    Key = Char();
}

void TCustomDBImageVz::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && TabStop() && CanFocus()) SetFocus();
    TCustomControlVz::MouseDown(Button, Shift, X, Y);
    if (Button == mbLeft) {
        FPanning = true;
        FDownMousePos = TPoint(X, Y);
        FDownImagePos = FImagePos;
    } else if (Button == mbRight) {
        if (TCustomPopupMenu* menu = GetPopupMenu()) {
            const TPoint p = ClientToScreen(TPoint(X, Y));
            menu->Popup(p.X, p.Y);
        }
    }
}

void TCustomDBImageVz::MouseMove(TShiftState Shift, int X, int Y) {
    TCustomControlVz::MouseMove(Shift, X, Y);
    if (FPanning)
        TemporaryMoveImageTo(TPoint(FDownImagePos.X + X - FDownMousePos.X, FDownImagePos.Y + Y - FDownMousePos.Y));
}

void TCustomDBImageVz::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) FPanning = false;
    TCustomControlVz::MouseUp(Button, Shift, X, Y);
}

void TCustomDBImageVz::DblClick() {
    LoadPicture();
    TCustomControlVz::DblClick();
}

bool TCustomDBImageVz::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TCustomControlVz::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (!FZoomAllowed) return false;
    TemporaryZoomTo(FZoom + (WheelDelta > 0 ? DBImageZoomStepVz : -DBImageZoomStepVz));
    return true;
}

void TCustomDBImageVz::DoEnter() {
    Invalidate();
    TCustomControlVz::DoEnter();
}

void TCustomDBImageVz::DoExit() {
    TDataSet* ds = FDataLink->DataSet();
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert)) {
        try {
            FDataLink->UpdateRecord();
        } catch (...) {
            SetFocus();
            throw;
        }
    }
    Invalidate();
    TCustomControlVz::DoExit();
}

// ---- edit button ----------------------------------------------------------------------------------

void TCustomDBImageVz::Resize() {
    TCustomControlVz::Resize();
    UpdateEditButtonControl();
}

void TCustomDBImageVz::EditButtonChanged(TObject*) { UpdateEditButtonControl(); }

void TCustomDBImageVz::UpdateEditButtonControl() {
    if (!FEditButtonControl || !FEditButton) return;
    TEditButtonControlVz* c = FEditButtonControl;
    c->SetStyle(FEditButton->Style());
    c->SetVisible(FEditButton->Visible());
    c->SetEnabled(Enabled() && FEditButton->Enabled());
    c->SetHint(FEditButton->Hint());
    const int w = FEditButton->Width() > 0 ? FEditButton->Width() : DefaultEditButtonWidthVz();
    const int h = GetEditButtonHeightVz(w, true);
    c->SetBounds(ClientWidth() - w - 2, 2, w, h);
}

bool TCustomDBImageVz::EditButtonDefaultActionApplies() const {
    TDropDownFormCallParamsVz* p = FEditButton->DropDownFormParams();
    return !FEditButton->OnClick && !FEditButton->OnDown && !p->DropDownForm() && p->DropDownFormClassName().isEmpty();
}

void TCustomDBImageVz::ButtonControlDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
    EditButtonDown(Sender, TopButton, AutoRepeat, Handled);
}

void TCustomDBImageVz::ButtonControlClick(TObject* Sender) { EditButtonClick(Sender); }

void TCustomDBImageVz::EditButtonDown(TObject* Sender, bool TopButton, bool& AutoRepeat, bool& Handled) {
    if (CanFocus()) SetFocus();
    if (!FEditButtonControl || !FEditButtonControl->Enabled()) return;
    if (OnButtonDown) OnButtonDown(this, TopButton, AutoRepeat, Handled);
    if (!Handled) {
        ShowEditButtonDropDownFormVz(
            this, FDataLink.get(), Field(), Variant(Text()), FEditButton, FEditButtonControl, OnOpenDropDownForm,
            [this](TCustomForm* Form, bool Accept, TDynVarsVz* D, TDropDownFormSysParams* S) {
                if (FEditButtonControl) FEditButtonControl->SetAlwaysDown(false);
                // The picture itself is not a value a form hands back: only AssignBackFieldNames
                // write fields.
                CloseEditButtonDropDownFormVz(this, FDataLink.get(), Form, OnCloseDropDownForm,
                                              [](const Variant&) {},
                                              static_cast<TEditControlDropDownFormSysParams*>(S), D, Accept);
            },
            Handled);
    }
    if (!Handled && EditButtonDefaultActionApplies() && DBImageVzDefaultButtonActionProc())
        DBImageVzDefaultButtonActionProc()(this, FEditButton, FEditButtonControl, Handled, true);
    (void)Sender;
}

void TCustomDBImageVz::EditButtonClick(TObject* Sender) {
    bool handled = false;
    FEditButton->Click(Sender, handled);
    if (!handled && OnButtonClick) OnButtonClick(this, handled);
    if (!handled && EditButtonDefaultActionApplies() && DBImageVzDefaultButtonActionProc())
        DBImageVzDefaultButtonActionProc()(this, FEditButton, FEditButtonControl, handled, false);
}

void DefaultDBImageVzButtonAction(TCustomDBImageVz* Control, TEditButtonVz* EditButton,
                                  TEditButtonControlVz* EditButtonControl, bool& Handled, bool IsDown) {
    const TEditButtonStyleVz style = EditButton->Style();
    if (IsDown && (style == ebsDropDownVz || style == ebsAltDropDownVz)) {
        TCustomPopupMenu* menu = EditButton->DropdownMenu();
        if (!menu && !EditButton->Action()) menu = Control->GetPopupMenu();
        if (menu) {
            const TPoint p = EditButtonControl->ClientToScreen(TPoint(0, EditButtonControl->Height()));
            menu->Popup(p.X, p.Y);
        }
        EditButtonControl->SetAlwaysDown(false);
        Handled = true;
    } else if (!IsDown && style == ebsEllipsisVz) {
        TOwned<TPicture> copy = NewOwned<TPicture>();
        copy->Assign(Control->Picture());
        if (EditPictureProcVz() && EditPictureProcVz()(copy.get()) && Control->DataLink()->Edit()) {
            Control->Picture()->Assign(copy.get());
            Control->DataLink()->Modified();
            Control->DataLink()->UpdateRecord();
        }
        Handled = true;
    }
}

// ---- caption label

void TCustomDBImageVz::GetControlLabelCaption(String& Caption) {
    Caption = Field() ? Field()->DisplayName() : Name();
}

int TCustomDBImageVz::GetControlTextBaseLine() { return ControlTextBaseLineVz(Font()); }

void TCustomDBImageVz::AdjustLabelBounds() {
    if (ComponentState().Contains(csLoading)) return;
    PlaceControlLabelVz(this, FControlLabel, FControlLabelLocation.get(), GetControlTextBaseLine());
}

void TCustomDBImageVz::LabelLocationChanged() { AdjustLabelBounds(); }

void TCustomDBImageVz::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomControlVz::SetBounds(ALeft, ATop, AWidth, AHeight);
    AdjustLabelBounds();
}

void TCustomDBImageVz::SetParent(TWinControl* AParent) {
    TCustomControlVz::SetParent(AParent);
    if (FControlLabel) {
        FControlLabel->UpdateParent();
        FControlLabel->UpdateVisibility();
        AdjustLabelBounds();
    }
}

void TCustomDBImageVz::SetName(const String& NewName) {
    TCustomControlVz::SetName(NewName);
    if (FControlLabel) {
        FControlLabel->UpdateCaption();
        AdjustLabelBounds();
    }
}

void TCustomDBImageVz::VisibleChanged() {
    TCustomControlVz::VisibleChanged();
    if (FControlLabel) FControlLabel->UpdateVisibility();
}
