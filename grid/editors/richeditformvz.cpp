#include "grid/editors/richeditformvz.h"

#include "grid/core/dynvarsvz.h"
#include "grid/core/uitextsvz.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/fontfiles.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/messages.h"
#include "platform/gui/richedit.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/fileutils.h"

#include <cmath>

namespace {

TRichEditWinVz* SharedRichEditWin = nullptr;

struct TRichEditFormsUnitVz {
    TRichEditFormsUnitVz() {
        if (!GetClass(u"TRichEditWinVz"_S)) RegisterClass(TRichEditWinVz::StaticClass());
        TCustomDropDownFormVz::RegisterGlobalRef(TRichEditWinVz::StaticClass(), [] {
            return static_cast<TCustomForm*>(TRichEditWinVz::GetGlobalRef());
        });
    }
} RichEditFormsUnitVz;

// The ruler: pixels per indent unit, and the gutter at its left.
constexpr double RulerScaleVz = 4.0 / 3.0;
constexpr int RulerGutterVz = 6;

const char16_t* const RichEditFontSizesVz[] = {u"8",  u"9",  u"10", u"11", u"12", u"14", u"16", u"18",
                                               u"20", u"22", u"24", u"26", u"28", u"36", u"48", u"72"};

}  // namespace

// ---- RTF in and out of a rich edit ------------------------------------------------------------------

String GetRichEditRtfTextVz(TCustomRichEdit* RichEdit) {
    const bool plain = RichEdit->PlainText();
    RichEdit->SetPlainText(false);
    TMemoryStream s;
    RichEdit->Lines()->SaveToStream(&s);
    RichEdit->SetPlainText(plain);
    // RTF is 7-bit text: other characters are written as escapes.
    return String::fromLatin1(static_cast<const char*>(s.Memory()), static_cast<int>(s.Size()));
}

void SetRichEditRtfTextVz(TCustomRichEdit* RichEdit, const String& Text) {
    if (Text.startsWith(u"{\\rtf"_S) || Text.startsWith(u"{urtf"_S)) {
        const bool plain = RichEdit->PlainText();
        RichEdit->SetPlainText(false);
        // Some writers begin with "{urtf": the reader takes it as the usual header.
        RichEdit->LoadText(Text.startsWith(u"{urtf"_S) ? u"{\\rtf"_S + Text.mid(5) : Text);
        RichEdit->SetPlainText(plain);
    } else {
        // Anything else is plain text, even when it holds RTF further on.
        const bool plain = RichEdit->PlainText();
        RichEdit->SetPlainText(true);
        RichEdit->SetText(Text);
        RichEdit->SetPlainText(plain);
    }
}

String RichEditSaveFileNameVz(const String& FileName) {
    if (FileName.right(4).toUpper() != u".RTF"_S) return FileName + u".rtf"_S;
    return FileName;
}

// ---- the window ---------------------------------------------------------------------------------------

TRichEditWinVz* TRichEditWinVz::GetGlobalRef() {
    if (!SharedRichEditWin) {
        SharedRichEditWin = New<TRichEditWinVz>(Application);
        // Forget the window if the application frees it first.
        SharedRichEditWin->OnDestroy = [](TObject*) { SharedRichEditWin = nullptr; };
    }
    return SharedRichEditWin;
}

TToolButton* TRichEditWinVz::AddButton(const char16_t* Name, const char16_t* Caption, const char16_t* Hint,
                                       void (TRichEditWinVz::*Click)(TObject*)) {
    TToolButton* b = New<TToolButton>(this);
    b->SetName(String::fromUtf16(Name));
    b->SetCaption(String::fromUtf16(Caption));
    b->SetHint(String::fromUtf16(Hint));
    b->SetParent(FToolBar);
    if (Click) b->OnClick = TNotifyEvent(this, Click);
    return b;
}

void TRichEditWinVz::AddSeparator() {
    TToolButton* b = New<TToolButton>(this);
    b->SetStyle(tbsSeparator);
    b->SetWidth(8);
    b->SetParent(FToolBar);
}

TRichEditWinVz::TRichEditWinVz(TComponent* AOwner) : TCustomDropDownFormVz(AOwner) {
    SetCaption(u"Rich Editor"_S);
    SetBorderIcons({});
    SetPosition(poScreenCenter);
    SetFormElements({ddfeLeftGripVz, ddfeRightGripVz});
    SetClientWidth(771);
    SetClientHeight(408);

    FStatusBar = New<TStatusBar>(this);
    FStatusBar->SetParent(this);
    FStatusBar->SetAlign(alBottom);
    for (int w : {20, 120, 60, 50}) {
        auto* p = static_cast<TStatusPanel*>(FStatusBar->Panels()->Add());
        p->SetWidth(w);
        if (w == 60) p->SetAlignment(taCenter);
    }

    FPanel1 = New<TPanel>(this);
    FPanel1->SetParent(this);
    FPanel1->SetAlign(alBottom);
    FPanel1->SetHeight(41);
    FPanel1->SetBevelOuter(bvNone);
    FPanel1->SetCaption(String());
    TPanel* buttons = New<TPanel>(this);
    buttons->SetParent(FPanel1);
    buttons->SetAlign(alRight);
    buttons->SetWidth(185);
    buttons->SetBevelOuter(bvNone);
    buttons->SetCaption(String());
    FOKButton = New<TButton>(this);
    FOKButton->SetName(u"OKButton"_S);
    FOKButton->SetParent(buttons);
    FOKButton->SetBounds(8, 8, 80, 25);
    FOKButton->SetCaption(u"&OK"_S);
    FOKButton->SetDefault(true);
    FOKButton->SetModalResult(mrOk);
    FOKButton->OnClick = TNotifyEvent(this, &TRichEditWinVz::OKButtonClick);
    FCancelButton = New<TButton>(this);
    FCancelButton->SetName(u"CancelButton"_S);
    FCancelButton->SetParent(buttons);
    FCancelButton->SetBounds(96, 8, 80, 25);
    FCancelButton->SetCaption(u"Cancel"_S);
    FCancelButton->SetCancel(true);
    FCancelButton->SetModalResult(mrCancel);
    FCancelButton->OnClick = TNotifyEvent(this, &TRichEditWinVz::CancelButtonClick);

    FToolBar = New<TToolBar>(this);
    FToolBar->SetName(u"StandardToolBar"_S);
    FToolBar->SetParent(this);
    FToolBar->SetAlign(alTop);
    FToolBar->SetShowCaptions(true);
    FToolBar->SetFlat(true);
    FToolBar->SetShowHint(true);
    FToolBar->SetButtonWidth(44);
    FOpenButton = AddButton(u"OpenButton", u"Откр.", u"Open an existing file", &TRichEditWinVz::OpenClick);
    FSaveButton = AddButton(u"SaveButton", u"Сохр.", u"Save current file", &TRichEditWinVz::SaveClick);
    FPrintButton = AddButton(u"PrintButton", u"Печ.", u"Print current file", &TRichEditWinVz::PrintClick);
    AddSeparator();
    FCutButton = AddButton(u"CutButton", u"Выр.", u"Delete selected item", &TRichEditWinVz::CutClick);
    FCopyButton = AddButton(u"CopyButton", u"Коп.", u"Copy selected item to clipboard", &TRichEditWinVz::CopyClick);
    FPasteButton = AddButton(u"PasteButton", u"Вст.", u"Paste contents of clipboard", &TRichEditWinVz::PasteClick);
    FUndoButton = AddButton(u"UndoButton", u"Отм.", u"Undo the last action", &TRichEditWinVz::UndoClick);
    AddSeparator();
    FBoldButton = AddButton(u"BoldButton", u"Ж", u"Bold", &TRichEditWinVz::BoldClick);
    FItalicButton = AddButton(u"ItalicButton", u"К", u"Italic", &TRichEditWinVz::ItalicClick);
    FUnderlineButton = AddButton(u"UnderlineButton", u"Ч", u"Underline", &TRichEditWinVz::UnderlineClick);
    for (TToolButton* b : {FBoldButton, FItalicButton, FUnderlineButton}) b->SetStyle(tbsCheck);
    AddSeparator();
    FLeftAlign = AddButton(u"LeftAlign", u"Л", u"Align Left", &TRichEditWinVz::AlignClick);
    FCenterAlign = AddButton(u"CenterAlign", u"Ц", u"Center", &TRichEditWinVz::AlignClick);
    FRightAlign = AddButton(u"RightAlign", u"П", u"Align Right", &TRichEditWinVz::AlignClick);
    FLeftAlign->SetTag(0);
    FCenterAlign->SetTag(2);
    FRightAlign->SetTag(1);
    for (TToolButton* b : {FLeftAlign, FCenterAlign, FRightAlign}) {
        b->SetStyle(tbsCheck);
        b->SetGrouped(true);
    }
    AddSeparator();
    FBulletsButton = AddButton(u"BulletsButton", u"•", u"Bullets|Enter bullet mode", &TRichEditWinVz::BulletsClick);
    FBulletsButton->SetStyle(tbsCheck);
    AddSeparator();
    FSelectFontButton = AddButton(u"tbSelectFont", u"Шрифт", u"Select font", &TRichEditWinVz::SelectFontClick);
    FToolBar->ArrangeButtons();
    int bottom = 0;
    for (int i = 0; i < FToolBar->ButtonCount(); ++i)
        bottom = std::max(bottom, FToolBar->Buttons(i)->Top() + FToolBar->Buttons(i)->Height());
    FToolBar->SetHeight(bottom + 28);
    FFontName = New<TComboBox>(this);
    FFontName->SetName(u"FontName"_S);
    FFontName->SetParent(FToolBar);
    FFontName->SetBounds(4, bottom + 2, 173, 22);
    FFontName->SetDropDownCount(10);
    FFontName->SetHint(u"Font Name|Select font name"_S);
    FFontName->OnChange = TNotifyEvent(this, &TRichEditWinVz::FontNameChange);
    FFontSize = New<TComboBox>(this);
    FFontSize->SetName(u"FontSize"_S);
    FFontSize->SetParent(FToolBar);
    FFontSize->SetBounds(181, bottom + 2, 55, 22);
    FFontSize->SetDropDownCount(16);
    for (const char16_t* s : RichEditFontSizesVz) FFontSize->Items()->Add(String::fromUtf16(s));
    FFontSize->OnChange = TNotifyEvent(this, &TRichEditWinVz::FontSizeChange);

    FRuler = New<TPanel>(this);
    FRuler->SetName(u"Ruler"_S);
    FRuler->SetParent(this);
    FRuler->SetAlign(alTop);
    FRuler->SetHeight(26);
    FRuler->SetBevelOuter(bvNone);
    FRuler->SetAlignment(taLeftJustify);
    FRuler->Font()->SetName(u"Arial"_S);
    String ticks;
    for (int i = 0; i < 100; ++i) ticks += u"\t|"_S;
    FRuler->SetCaption(String());
    FRulerLine = New<TBevel>(this);
    FRulerLine->SetParent(FRuler);
    FRulerLine->SetBounds(4, 12, FRuler->ClientWidth() - 8, 2);
    auto marker = [&](const char16_t* Name, const char16_t* Caption, int Left, int Top, int W, int H) {
        TLabel* l = New<TLabel>(this);
        l->SetName(String::fromUtf16(Name));
        l->SetParent(FRuler);
        l->SetAutoSize(false);
        l->SetBounds(Left, Top, W, H);
        l->SetCaption(String::fromUtf16(Caption));
        l->OnMouseDown = TMouseEvent(this, &TRichEditWinVz::RulerItemMouseDown);
        l->OnMouseMove = TMouseMoveEvent(this, &TRichEditWinVz::RulerItemMouseMove);
        return l;
    };
    // The markers: a downward triangle for the first line, an upward one for the other lines.
    FFirstInd = marker(u"FirstInd", u"▼", 2, 2, 10, 9);
    FLeftInd = marker(u"LeftInd", u"▲", 2, 12, 10, 11);
    FRightInd = marker(u"RightInd", u"▲", 575, 14, 10, 11);
    FFirstInd->OnMouseUp = TMouseEvent(this, &TRichEditWinVz::FirstIndMouseUp);
    FLeftInd->OnMouseUp = TMouseEvent(this, &TRichEditWinVz::LeftIndMouseUp);
    FRightInd->OnMouseUp = TMouseEvent(this, &TRichEditWinVz::RightIndMouseUp);

    // The ruler lies under the tool bar.
    FRuler->SetTop(FToolBar->Top() + FToolBar->Height());

    FEditor = New<TRichEdit>(this);
    FEditor->SetName(u"Editor"_S);
    FEditor->SetParent(this);
    FEditor->SetAlign(alClient);
    FEditor->Font()->SetName(u"Courier New"_S);
    FEditor->Font()->SetHeight(-11);
    FEditor->SetHideSelection(false);
    FEditor->SetScrollBars(ssVertical);
    FEditor->SetWantTabs(true);
    FEditor->OnSelectionChange = TNotifyEvent(this, &TRichEditWinVz::SelectionChange);
    FEditor->OnChange = TNotifyEvent(this, &TRichEditWinVz::EditorChange);
    FEditor->OnKeyDown = TKeyEvent(this, &TRichEditWinVz::EditorKeyDown);

    FOpenDialog = New<TOpenDialog>(this);
    FSaveDialog = New<TSaveDialog>(this);
    for (TOpenDialog* d : {FOpenDialog, static_cast<TOpenDialog*>(FSaveDialog)})
        d->SetFilter(u"Rich Text Files (*.RTF)|*.RTF|Text Files (*.TXT)|*.TXT"_S);
    FPrintDialog = New<TPrintDialog>(this);
    FFontDialog = New<TFontDialog>(this);

    // The font names of the screen, sorted; the selection starts in the framework's default font.
    TOwned<TStringList> fonts = NewOwned<TStringList>();
    GetScreenFontNames(fonts.get());
    fonts->Sort();
    FFontName->Items()->Assign(fonts.get());
    SelectionChange(this);
}

// ---- values in and out

void TRichEditWinVz::SetInDynParams(TDynVarsVz* DynParams) {
    TCustomDropDownFormVz::SetInDynParams(DynParams);
    if (DynParams && DynParams->Count() > 0) SetRichEditRtfTextVz(FEditor, DynParams->GetItem(0)->AsString());
}

void TRichEditWinVz::GetOutDynParams(TDynVarsVz*& DynParams) {
    TCustomDropDownFormVz::GetOutDynParams(DynParams);
    if (DynParams && DynParams->Count() > 0) DynParams->GetItem(0)->SetValue(Variant(GetRichEditRtfTextVz(FEditor)));
}

void TRichEditWinVz::InitForm(TComponent* Host, TDynVarsVz* DynParams) {
    const int count = DynParams ? DynParams->Count() : 0;
    FPassParams = count == 0 ? pspByFieldNamesVz : count == 1 ? pspFieldValueVz : pspRecordValuesVz;
    // A window shared by every editor must not show the previous editor's text.
    SetRichEditRtfTextVz(FEditor, count > 0 ? DynParams->GetItem(0)->AsString() : String());
    FEditor->SetModified(false);
    FOKButton->SetEnabled(!ReadOnly());
    FEditor->SetReadOnly(ReadOnly());
    UpdateModified();
    TCustomDropDownFormVz::InitForm(Host, DynParams);
    SelectionChange(this);
}

void TRichEditWinVz::ReturnParams(TComponent* Host, TDynVarsVz* DynParams) {
    // Only a value that was passed in goes back.
    if (DynParams && DynParams->Count() > 0) DynParams->GetItem(0)->SetValue(Variant(GetRichEditRtfTextVz(FEditor)));
    TCustomDropDownFormVz::ReturnParams(Host, DynParams);
}

void TRichEditWinVz::OKButtonClick(TObject*) {
    SetModalResult(mrOk);
    if (DropDownMode()) Close();
}

void TRichEditWinVz::CancelButtonClick(TObject*) {
    SetModalResult(mrCancel);
    if (DropDownMode()) Close();
}

void TRichEditWinVz::EditorKeyDown(TObject*, Word& Key, TShiftState) {
    if (Key == VK_ESCAPE) {
        Key = 0;
        SetModalResult(mrCancel);
        Close();
    }
}

// ---- following the selection

void TRichEditWinVz::SelectionChange(TObject*) {
    FUpdating = true;
    try {
        TParaAttributes* para = FEditor->Paragraph();
        const int first = para->FirstIndent();
        const int left = para->LeftIndent();
        const int right = para->RightIndent();
        FFirstInd->SetLeft(static_cast<int>(std::trunc(first * RulerScaleVz)) + 2);
        FLeftInd->SetLeft(static_cast<int>(std::trunc((left + first) * RulerScaleVz)) + 2);
        FRightInd->SetLeft(FRuler->ClientWidth() - RulerGutterVz -
                           static_cast<int>(std::trunc((right + RulerGutterVz) * RulerScaleVz)));
        const TFontStyles style = FEditor->SelAttributes()->Style();
        FBoldButton->SetDown(style.Contains(fsBold));
        FItalicButton->SetDown(style.Contains(fsItalic));
        FUnderlineButton->SetDown(style.Contains(fsUnderline));
        FBulletsButton->SetDown(para->Numbering() == nsBullet);
        FFontSize->SetText(IntToStr(FEditor->SelAttributes()->Size()));
        FFontName->SetText(FEditor->SelAttributes()->Name());
        switch (para->Alignment()) {
        case taRightJustify: FRightAlign->SetDown(true); break;
        case taCenter: FCenterAlign->SetDown(true); break;
        default: FLeftAlign->SetDown(true); break;
        }
        UpdateCursorPos();
    } catch (...) {
        FUpdating = false;
        throw;
    }
    FUpdating = false;
}

void TRichEditWinVz::UpdateCursorPos() {
    const int line = static_cast<int>(FEditor->Perform(EM_EXLINEFROMCHAR, 0, FEditor->SelStart()));
    const int column = FEditor->SelStart() - static_cast<int>(FEditor->Perform(EM_LINEINDEX, line, 0)) + 1;
    FStatusBar->Panels()->Items(1)->SetText(Format(u"Line: %3d   Col: %3d"_S, {line + 1, column}));
    const bool selected = FEditor->SelLength() > 0;
    FCopyButton->SetEnabled(selected);
    FCutButton->SetEnabled(selected);
}

void TRichEditWinVz::EditorChange(TObject*) { UpdateModified(); }

void TRichEditWinVz::UpdateModified() {
    FStatusBar->Panels()->Items(2)->SetText(FEditor->Modified() ? u"Modified"_S : String());
}

void TRichEditWinVz::Resize() {
    TCustomDropDownFormVz::Resize();
    if (!FRuler) return;
    FRulerLine->SetWidth(FRuler->ClientWidth() - 2 * FRulerLine->Left());
    const TRect r(6, 0, FEditor->ClientWidth() - 6, FEditor->ClientHeight());
    FEditor->Perform(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
    SelectionChange(this);
}

// ---- tool bar commands

void TRichEditWinVz::SetStyle(TFontStyle Style, bool On) {
    TFontStyles s = FEditor->SelAttributes()->Style();
    if (On)
        s.Include(Style);
    else
        s.Exclude(Style);
    FEditor->SelAttributes()->SetStyle(s);
}

void TRichEditWinVz::BoldClick(TObject*) {
    if (!FUpdating) SetStyle(fsBold, FBoldButton->Down());
}

void TRichEditWinVz::ItalicClick(TObject*) {
    if (!FUpdating) SetStyle(fsItalic, FItalicButton->Down());
}

void TRichEditWinVz::UnderlineClick(TObject*) {
    if (!FUpdating) SetStyle(fsUnderline, FUnderlineButton->Down());
}

void TRichEditWinVz::AlignClick(TObject* Sender) {
    if (FUpdating) return;
    const int tag = static_cast<TComponent*>(Sender)->Tag();
    FEditor->Paragraph()->SetAlignment(tag == 1 ? taRightJustify : tag == 2 ? taCenter : taLeftJustify);
}

void TRichEditWinVz::BulletsClick(TObject*) {
    if (!FUpdating) FEditor->Paragraph()->SetNumbering(FBulletsButton->Down() ? nsBullet : nsNone);
}

void TRichEditWinVz::FontNameChange(TObject*) {
    if (!FUpdating && !FFontName->Text().isEmpty()) FEditor->SelAttributes()->SetName(FFontName->Text());
}

void TRichEditWinVz::FontSizeChange(TObject*) {
    if (!FUpdating) FEditor->SelAttributes()->SetSize(StrToInt(FFontSize->Text()));
}

void TRichEditWinVz::SelectFontClick(TObject*) {
    SetKeepFormVisible(true);
    try {
        FFontDialog->Font()->Assign(FEditor->SelAttributes());
        if (FFontDialog->Execute()) FEditor->SelAttributes()->Assign(FFontDialog->Font());
        SelectionChange(this);
        if (FEditor->CanFocus()) FEditor->SetFocus();
    } catch (...) {
        SetKeepFormVisible(false);
        throw;
    }
    SetKeepFormVisible(false);
}

void TRichEditWinVz::UndoClick(TObject*) { FEditor->Undo(); }
void TRichEditWinVz::CutClick(TObject*) { FEditor->CutToClipboard(); }
void TRichEditWinVz::CopyClick(TObject*) { FEditor->CopyToClipboard(); }
void TRichEditWinVz::PasteClick(TObject*) { FEditor->PasteFromClipboard(); }

// ---- files

void TRichEditWinVz::OpenFile(const String& FileName, bool ReadOnly) {
    FEditor->Lines()->LoadFromFile(FileName);
    if (FEditor->CanFocus()) FEditor->SetFocus();
    FEditor->SetModified(false);
    UpdateModified();
    FEditor->SetReadOnly(ReadOnly);
}

void TRichEditWinVz::SaveFile(const String& FileName) {
    const String name = RichEditSaveFileNameVz(FileName);
    if (FileExists(name) &&
        MessageDlg(Format(u"OK to overwrite %s"_S, {name}), mtConfirmation, {mbYes, mbNo, mbCancel}, 0) != mrYes)
        return;
    FEditor->Lines()->SaveToFile(name);
    FEditor->SetModified(false);
    UpdateModified();
}

void TRichEditWinVz::OpenClick(TObject*) {
    if (FOpenDialog->Execute()) OpenFile(FOpenDialog->FileName(), FOpenDialog->Options().Contains(ofReadOnly));
}

void TRichEditWinVz::SaveClick(TObject*) {
    if (FSaveDialog->Execute()) SaveFile(FSaveDialog->FileName());
}

void TRichEditWinVz::PrintClick(TObject*) {
    if (FPrintDialog->Execute()) FEditor->Print(FFileName);
}

// ---- ruler

void TRichEditWinVz::RulerItemMouseDown(TObject* Sender, TMouseButton, TShiftState, int X, int) {
    auto* marker = static_cast<TLabel*>(Sender);
    FDragOfs = marker->Width() / 2;
    marker->SetLeft(X + marker->Left() - FDragOfs);
    FDragging = true;
}

void TRichEditWinVz::RulerItemMouseMove(TObject* Sender, TShiftState, int X, int) {
    if (!FDragging) return;
    auto* marker = static_cast<TLabel*>(Sender);
    marker->SetLeft(X + marker->Left() - FDragOfs);
}

void TRichEditWinVz::FirstIndMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y) {
    FDragging = false;
    FEditor->Paragraph()->SetFirstIndent(
        static_cast<int>(std::trunc((FFirstInd->Left() + FDragOfs - RulerGutterVz) / RulerScaleVz)));
    LeftIndMouseUp(Sender, Button, Shift, X, Y);
}

void TRichEditWinVz::LeftIndMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    FDragging = false;
    FEditor->Paragraph()->SetLeftIndent(
        static_cast<int>(std::trunc((FLeftInd->Left() + FDragOfs - RulerGutterVz) / RulerScaleVz)) -
        FEditor->Paragraph()->FirstIndent());
    SelectionChange(this);
}

void TRichEditWinVz::RightIndMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    FDragging = false;
    FEditor->Paragraph()->SetRightIndent(
        static_cast<int>(std::trunc((FRuler->ClientWidth() - FRightInd->Left() + FDragOfs - 2) / RulerScaleVz)) - 12);
    SelectionChange(this);
}
