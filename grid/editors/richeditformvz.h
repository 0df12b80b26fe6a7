// The rich-text editor window: a tool bar (files, clipboard, font, style, alignment, bullets), a
// ruler whose three markers drag the paragraph's indents, a status bar with the caret's line and
// column, and OK/Cancel. One shared instance serves the process, as the rich edit's drop-down or
// as a modal dialog; it edits the first value passed in and hands it back as Rich Text Format.
// The two routines below move Rich Text Format between a string and a rich edit: a text that
// starts with "{\rtf" (or "{urtf") is read as RTF, anything else as plain text.
#pragma once

#include "grid/editors/dropdownformvz.h"

class TBevel;
class TComboBox;
class TCustomRichEdit;
class TFontDialog;
class TLabel;
class TOpenDialog;
class TPrintDialog;
class TRichEdit;
class TSaveDialog;
class TStatusBar;
class TToolBar;
class TToolButton;

String GetRichEditRtfTextVz(TCustomRichEdit* RichEdit);
void SetRichEditRtfTextVz(TCustomRichEdit* RichEdit, const String& Text);
// The name a document is saved under: ".rtf" appended unless the name ends in it (any case).
String RichEditSaveFileNameVz(const String& FileName);

class TRichEditWinVz : public TCustomDropDownFormVz {
    SDELKA_CLASS(TRichEditWinVz, TCustomDropDownFormVz)
protected:
    explicit TRichEditWinVz(TComponent* AOwner);
    ~TRichEditWinVz() override = default;

public:
    // The shared window, made with the application as owner on first use.
    static TRichEditWinVz* GetGlobalRef();

    TRichEdit* Editor() const { return FEditor; }
    TButton* OKButton() const { return FOKButton; }
    TButton* CancelButton() const { return FCancelButton; }
    TToolButton* BoldButton() const { return FBoldButton; }
    TToolButton* ItalicButton() const { return FItalicButton; }
    TToolButton* UnderlineButton() const { return FUnderlineButton; }
    TToolButton* LeftAlign() const { return FLeftAlign; }
    TToolButton* CenterAlign() const { return FCenterAlign; }
    TToolButton* RightAlign() const { return FRightAlign; }
    TToolButton* BulletsButton() const { return FBulletsButton; }
    TToolButton* CutButton() const { return FCutButton; }
    TToolButton* CopyButton() const { return FCopyButton; }
    TComboBox* FontName() const { return FFontName; }
    TComboBox* FontSize() const { return FFontSize; }
    TStatusBar* StatusBar() const { return FStatusBar; }
    TLabel* FirstInd() const { return FFirstInd; }
    TLabel* LeftInd() const { return FLeftInd; }
    TLabel* RightInd() const { return FRightInd; }
    TPanel* Ruler() const { return FRuler; }
    TDropDownPassParamsVz PassParams() const { return FPassParams; }

    void SetInDynParams(TDynVarsVz* DynParams) override;
    void GetOutDynParams(TDynVarsVz*& DynParams) override;
    void InitForm(TComponent* Host, TDynVarsVz* DynParams) override;
    void ReturnParams(TComponent* Host, TDynVarsVz* DynParams) override;

    // Brings the tool bar, the ruler and the status bar in line with the selection.
    void SelectionChange(TObject* Sender);
    // Opens FileName into the editor (the open dialog's choice, or a file dropped on the window).
    void OpenFile(const String& FileName, bool ReadOnly);
    // Saves under FileName with ".rtf" made sure; an existing file is overwritten only after a Yes.
    void SaveFile(const String& FileName);

protected:
    void Resize() override;

private:
    TToolButton* AddButton(const char16_t* Name, const char16_t* Caption, const char16_t* Hint,
                           void (TRichEditWinVz::*Click)(TObject*));
    void AddSeparator();
    void BoldClick(TObject* Sender);
    void ItalicClick(TObject* Sender);
    void UnderlineClick(TObject* Sender);
    void AlignClick(TObject* Sender);
    void BulletsClick(TObject* Sender);
    void FontNameChange(TObject* Sender);
    void FontSizeChange(TObject* Sender);
    void SelectFontClick(TObject* Sender);
    void UndoClick(TObject* Sender);
    void CutClick(TObject* Sender);
    void CopyClick(TObject* Sender);
    void PasteClick(TObject* Sender);
    void OpenClick(TObject* Sender);
    void SaveClick(TObject* Sender);
    void PrintClick(TObject* Sender);
    void OKButtonClick(TObject* Sender);
    void CancelButtonClick(TObject* Sender);
    void EditorChange(TObject* Sender);
    void EditorKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void RulerItemMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void RulerItemMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void FirstIndMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void LeftIndMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void RightIndMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void UpdateCursorPos();
    void UpdateModified();
    void SetStyle(TFontStyle Style, bool On);

    String FFileName;
    bool FUpdating = false;
    int FDragOfs = 0;
    bool FDragging = false;
    TDropDownPassParamsVz FPassParams = pspByFieldNamesVz;
    TToolBar* FToolBar = nullptr;
    TToolButton* FOpenButton = nullptr;
    TToolButton* FSaveButton = nullptr;
    TToolButton* FPrintButton = nullptr;
    TToolButton* FCutButton = nullptr;
    TToolButton* FCopyButton = nullptr;
    TToolButton* FPasteButton = nullptr;
    TToolButton* FUndoButton = nullptr;
    TToolButton* FBoldButton = nullptr;
    TToolButton* FItalicButton = nullptr;
    TToolButton* FUnderlineButton = nullptr;
    TToolButton* FLeftAlign = nullptr;
    TToolButton* FCenterAlign = nullptr;
    TToolButton* FRightAlign = nullptr;
    TToolButton* FBulletsButton = nullptr;
    TToolButton* FSelectFontButton = nullptr;
    TComboBox* FFontName = nullptr;
    TComboBox* FFontSize = nullptr;
    TPanel* FRuler = nullptr;
    TLabel* FFirstInd = nullptr;
    TLabel* FLeftInd = nullptr;
    TLabel* FRightInd = nullptr;
    TBevel* FRulerLine = nullptr;
    TRichEdit* FEditor = nullptr;
    TPanel* FPanel1 = nullptr;
    TButton* FOKButton = nullptr;
    TButton* FCancelButton = nullptr;
    TStatusBar* FStatusBar = nullptr;
    TOpenDialog* FOpenDialog = nullptr;
    TSaveDialog* FSaveDialog = nullptr;
    TPrintDialog* FPrintDialog = nullptr;
    TFontDialog* FFontDialog = nullptr;
};
