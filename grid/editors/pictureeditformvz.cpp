#include "grid/editors/pictureeditformvz.h"

#include "grid/core/uitextsvz.h"
#include "grid/editors/dbimagevz.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/graphics.h"
#include "platform/gui/imaging.h"
#include "platform/gui/stdctrls.h"

namespace {

TCustomPictureEditorDialog* SharedPictureEditorDialog = nullptr;

struct TPictureEditFormsUnitVz {
    TPictureEditFormsUnitVz() {
        PictureEditorDialogClass() = TPictureEditorDialog::StaticClass();
        EditPictureProcVz() = DefaultEditPictureVz;
    }
} PictureEditFormsUnitVz;

constexpr int PictureZoomStepVz = 10;

}  // namespace

TClass& PictureEditorDialogClass() {
    static TClass cls = nullptr;
    return cls;
}

TEditPictureProcVz& EditPictureProcVz() {
    static TEditPictureProcVz proc;
    return proc;
}

bool DefaultEditPictureVz(TPicture* Picture) {
    if (!SharedPictureEditorDialog) {
        SharedPictureEditorDialog =
            static_cast<TCustomPictureEditorDialog*>(PictureEditorDialogClass()->CreateComponent(Application));
        // Forget the dialog if the application frees it first.
        SharedPictureEditorDialog->OnDestroy = [](TObject*) { SharedPictureEditorDialog = nullptr; };
    }
    return SharedPictureEditorDialog->Edit(Picture, peaAllVz);
}

TButton* TPictureEditorDialog::MakeButton(TWinControl* Parent, const char16_t* Name, int Left, int Top, int Width,
                                          int Height, TAnchors Anchors, void (TPictureEditorDialog::*Click)(TObject*)) {
    TButton* b = New<TButton>(this);
    b->SetName(String::fromUtf16(Name));
    b->SetParent(Parent);
    b->SetBounds(Left, Top, Width, Height);
    b->SetAnchors(Anchors);
    if (Click) b->OnClick = TNotifyEvent(this, Click);
    return b;
}

TPictureEditorDialog::TPictureEditorDialog(TComponent* AOwner) : TCustomPictureEditorDialog(AOwner) {
    SetCaption(u"Picture Editor"_S);
    SetBorderIcons({biSystemMenu});
    SetPosition(poScreenCenter);
    SetClientWidth(392);
    SetClientHeight(321);
    const TAnchors topRight{akTop, akRight};
    FOKButton = MakeButton(this, u"OKButton", 308, 12, 75, 25, topRight, nullptr);
    FOKButton->SetCaption(u"OK"_S);
    FOKButton->SetDefault(true);
    FOKButton->SetModalResult(mrOk);
    FCancelButton = MakeButton(this, u"CancelButton", 308, 41, 75, 25, topRight, nullptr);
    FCancelButton->SetCaption(u"Cancel"_S);
    FCancelButton->SetCancel(true);
    FCancelButton->SetModalResult(mrCancel);
    FGroupBox1 = New<TGroupBox>(this);
    FGroupBox1->SetName(u"GroupBox1"_S);
    FGroupBox1->SetParent(this);
    FGroupBox1->SetBounds(10, 7, 289, 306);
    FGroupBox1->SetAnchors({akLeft, akTop, akRight, akBottom});
    const TAnchors leftBottom{akLeft, akBottom};
    FLoad = MakeButton(FGroupBox1, u"Load", 10, 270, 75, 23, leftBottom, &TPictureEditorDialog::LoadClick);
    FSave = MakeButton(FGroupBox1, u"Save", 90, 270, 75, 23, leftBottom, &TPictureEditorDialog::SaveClick);
    FClear = MakeButton(FGroupBox1, u"Clear", 170, 270, 75, 23, leftBottom, &TPictureEditorDialog::ClearClick);
    FbCut = MakeButton(this, u"bCut", 308, 86, 75, 23, topRight, &TPictureEditorDialog::CutClick);
    FbCopy = MakeButton(this, u"bCopy", 308, 113, 75, 23, topRight, &TPictureEditorDialog::CopyClick);
    FbPaste = MakeButton(this, u"bPaste", 308, 140, 75, 23, topRight, &TPictureEditorDialog::PasteClick);
    FbZoomIn = MakeButton(this, u"bZoomIn", 308, 182, 75, 23, topRight, &TPictureEditorDialog::ZoomInClick);
    FbZoomOut = MakeButton(this, u"bZoomOut", 308, 209, 75, 23, topRight, &TPictureEditorDialog::ZoomOutClick);
    FbReset = MakeButton(this, u"bReset", 308, 236, 75, 23, topRight, &TPictureEditorDialog::ResetClick);
    FOpenDialog = New<TOpenPictureDialog>(this);
    FSaveDialog = New<TSavePictureDialog>(this);
    FSaveDialog->SetFilter(
        u"All (*.bmp;*.ico;*.emf;*.wmf)|*.bmp;*.ico;*.emf;*.wmf|Bitmaps (*.bmp)|*.bmp|Icons (*.ico)|*.ico|"
        "Enhanced Metafiles (*.emf)|*.emf|Metafiles (*.wmf)|*.wmf"_S);
    FSave->SetEnabled(false);
    // The preview takes the place of the image frame.
    FImage = New<TDBImageVz>(this);
    FImage->SetName(u"Image"_S);
    FImage->SetParent(FGroupBox1);
    FImage->SetBounds(8, 8, 274, 254);
    FImage->SetAnchors({akLeft, akTop, akRight, akBottom});
    FImage->SetColor(clMoneyGreen);
    UpdateLanguageVars();
}

void TPictureEditorDialog::UpdateLanguageVars() {
    TViZevLanguageConsts* t = GetViZevLanguageConsts();
    SetCaption(t->PictureEditorDialog_Caption());
    FLoad->SetCaption(t->PictureEditorDialog_Load());
    FSave->SetCaption(t->PictureEditorDialog_Save());
    FClear->SetCaption(t->PictureEditorDialog_Clear());
    FbCut->SetCaption(t->PictureEditorDialog_Cut());
    FbCopy->SetCaption(t->PictureEditorDialog_Copy());
    FbPaste->SetCaption(t->PictureEditorDialog_Paste());
    FbZoomIn->SetCaption(t->PictureEditorDialog_ZoomIn());
    FbZoomOut->SetCaption(t->PictureEditorDialog_ZoomOut());
    FbReset->SetCaption(t->PictureEditorDialog_Reset());
}

bool TPictureEditorDialog::Edit(TPicture* Picture, int AllowsOperations) {
    FAllowsOperations = AllowsOperations;
    FImage->Picture()->Assign(Picture);
    FbCut->SetEnabled(AllowsOperations & peaCutVz);
    FbCopy->SetEnabled(AllowsOperations & peaCopyVz);
    FbPaste->SetEnabled(AllowsOperations & peaPasteVz);
    FLoad->SetEnabled(AllowsOperations & peaLoadVz);
    FSave->SetEnabled(AllowsOperations & peaSaveVz);
    FClear->SetEnabled(AllowsOperations & peaClearVz);
    FbZoomIn->SetEnabled(AllowsOperations & peaZoomVz);
    FbZoomOut->SetEnabled(AllowsOperations & peaZoomVz);
    FbReset->SetEnabled(AllowsOperations & (peaZoomVz | peaResetVz));
    if (ShowModal() != mrOk) return false;
    Picture->Assign(FImage->Picture());
    return true;
}

void TPictureEditorDialog::UpdateSaveClear() {
    const TGraphic* g = FImage->Picture()->Graphic();
    const bool has = g && !g->Empty();
    FSave->SetEnabled(has && (FAllowsOperations & peaSaveVz));
    FClear->SetEnabled(has && (FAllowsOperations & peaClearVz));
}

void TPictureEditorDialog::LoadClick(TObject*) {
    if (!FOpenDialog->Execute()) return;
    FImage->Picture()->LoadFromFile(FOpenDialog->FileName());
    UpdateSaveClear();
}

void TPictureEditorDialog::SaveClick(TObject*) {
    TGraphic* g = FImage->Picture()->Graphic();
    if (!g) return;
    FSaveDialog->SetDefaultExt(TPicture::GraphicExtension(g->ClassType()));
    FSaveDialog->SetFilter(TPicture::GraphicFilter(g->ClassType()));
    if (FSaveDialog->Execute()) FImage->Picture()->SaveToFile(FSaveDialog->FileName());
}

void TPictureEditorDialog::ClearClick(TObject*) {
    FImage->Picture()->SetGraphic(nullptr);
    FSave->SetEnabled(false);
    FClear->SetEnabled(false);
}

void TPictureEditorDialog::CutClick(TObject*) {
    FImage->CutToClipboard();
    UpdateSaveClear();
}

void TPictureEditorDialog::CopyClick(TObject*) { FImage->CopyToClipboard(); }

void TPictureEditorDialog::PasteClick(TObject*) {
    FImage->PasteFromClipboard();
    UpdateSaveClear();
}

void TPictureEditorDialog::ZoomInClick(TObject*) { FImage->TemporaryZoomTo(FImage->Zoom() + PictureZoomStepVz); }

void TPictureEditorDialog::ZoomOutClick(TObject*) { FImage->TemporaryZoomTo(FImage->Zoom() - PictureZoomStepVz); }

void TPictureEditorDialog::ResetClick(TObject*) {
    FImage->ResetZoom();
    FImage->ResetPos();
}
