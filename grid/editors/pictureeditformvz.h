// The picture editor dialog: a preview image control with load, save, clear, clipboard and zoom
// buttons, which edits a copy of a picture and gives it back on OK. The caller says which commands
// it allows (AllowsOperations bits); a Load enables Save and Clear only when the caller allowed
// them. EditPictureProcVz is how the rest of the library edits a picture (the image control's
// ellipsis button, the grid's image cells); by default it runs one shared dialog with everything
// allowed.
#pragma once

#include "platform/gui/forms.h"

#include <functional>

class TButton;
class TGroupBox;
class TOpenPictureDialog;
class TPicture;
class TSavePictureDialog;
class TShape;
class TDBImageVz;

// The commands a caller of TCustomPictureEditorDialog::Edit allows.
enum : int {
    peaCutVz = 1, peaCopyVz = 2, peaPasteVz = 4, peaLoadVz = 8, peaSaveVz = 16, peaClearVz = 32, peaZoomVz = 64,
    peaResetVz = 128, peaAllVz = 255
};

class TCustomPictureEditorDialog : public TForm {
    SDELKA_CLASS(TCustomPictureEditorDialog, TForm)
protected:
    explicit TCustomPictureEditorDialog(TComponent* AOwner) : TForm(AOwner) {}
    ~TCustomPictureEditorDialog() override = default;

public:
    // True (and Picture changed) when the user closed the dialog with OK.
    virtual bool Edit(TPicture* Picture, int AllowsOperations) { return false; }
};

class TPictureEditorDialog : public TCustomPictureEditorDialog {
    SDELKA_CLASS(TPictureEditorDialog, TCustomPictureEditorDialog)
protected:
    explicit TPictureEditorDialog(TComponent* AOwner);
    ~TPictureEditorDialog() override = default;

public:
    bool Edit(TPicture* Picture, int AllowsOperations) override;
    virtual void UpdateLanguageVars();

    TDBImageVz* Image() const { return FImage; }
    TButton* OKButton() const { return FOKButton; }
    TButton* CancelButton() const { return FCancelButton; }
    TButton* Load() const { return FLoad; }
    TButton* Save() const { return FSave; }
    TButton* Clear() const { return FClear; }
    TButton* bCut() const { return FbCut; }
    TButton* bCopy() const { return FbCopy; }
    TButton* bPaste() const { return FbPaste; }
    TButton* bZoomIn() const { return FbZoomIn; }
    TButton* bZoomOut() const { return FbZoomOut; }
    TButton* bReset() const { return FbReset; }
    TOpenPictureDialog* OpenDialog() const { return FOpenDialog; }
    TSavePictureDialog* SaveDialog() const { return FSaveDialog; }

private:
    void LoadClick(TObject* Sender);
    void SaveClick(TObject* Sender);
    void ClearClick(TObject* Sender);
    void CutClick(TObject* Sender);
    void CopyClick(TObject* Sender);
    void PasteClick(TObject* Sender);
    void ZoomInClick(TObject* Sender);
    void ZoomOutClick(TObject* Sender);
    void ResetClick(TObject* Sender);
    // Save and Clear follow the caller's bits and whether there is a picture.
    void UpdateSaveClear();
    TButton* MakeButton(TWinControl* Parent, const char16_t* Name, int Left, int Top, int Width, int Height,
                        TAnchors Anchors, void (TPictureEditorDialog::*Click)(TObject*));

    int FAllowsOperations = peaAllVz;
    TDBImageVz* FImage = nullptr;
    TGroupBox* FGroupBox1 = nullptr;
    TButton* FOKButton = nullptr;
    TButton* FCancelButton = nullptr;
    TButton* FLoad = nullptr;
    TButton* FSave = nullptr;
    TButton* FClear = nullptr;
    TButton* FbCut = nullptr;
    TButton* FbCopy = nullptr;
    TButton* FbPaste = nullptr;
    TButton* FbZoomIn = nullptr;
    TButton* FbZoomOut = nullptr;
    TButton* FbReset = nullptr;
    TOpenPictureDialog* FOpenDialog = nullptr;
    TSavePictureDialog* FSaveDialog = nullptr;
};

// The dialog class DefaultEditPictureVz makes its shared instance of.
TClass& PictureEditorDialogClass();
using TEditPictureProcVz = std::function<bool(TPicture* Picture)>;
TEditPictureProcVz& EditPictureProcVz();
// The shared dialog (made with the application as owner on first use), every command allowed.
bool DefaultEditPictureVz(TPicture* Picture);
