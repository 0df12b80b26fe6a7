#include "report/export/rpxbrowser.h"

#include "platform/gui/buttons.h"
#include "platform/gui/canvas.h"
#include "platform/gui/clipbrd.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/grids.h"
#include "platform/gui/imaging.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/menus.h"
#include "platform/gui/printers.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "report/rpprintersettings.h"
#include "report/rpprnsu.h"
#include "report/rpreport.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

TRpXMLPreviewInterface* StandardPreview(TComponent* AOwner) {
    return New<TRpXMLStandardPreviewInterface>(AOwner);
}

// ---- the toolbar's pictures --------------------------------------------------------------------

enum TGlyph {
    gZoomFit, gZoomWidth, gZoom100, gFirst, gPrev, gNext, gLast, gGoto, gFind, gSetup, gPrint, gSave, gLoad,
    gCopy, gCancel, gGlyphCount
};
constexpr int GlyphSize = 24;

void DrawGlyph(TCanvas* C, TGlyph G) {
    const TColor Ink = TColor(0x404040), Blue = TColor(0xA05020);
    C->Pen()->SetColor(Ink);
    C->Brush()->SetColor(clWhite);
    auto Page = [C](int L, int T, int R, int B) { C->Rectangle(L, T, R, B); };
    auto Arrow = [C, Blue](bool Left, bool Bar) {
        C->Brush()->SetColor(Blue);
        C->Pen()->SetColor(Blue);
        if (Left)
            C->Polygon({TPoint(16, 5), TPoint(16, 19), TPoint(8, 12)});
        else
            C->Polygon({TPoint(8, 5), TPoint(8, 19), TPoint(16, 12)});
        if (Bar) C->Rectangle(Left ? 5 : 17, 5, Left ? 7 : 19, 19);
    };
    switch (G) {
        case gZoomFit: Page(6, 3, 18, 21); break;
        case gZoomWidth: Page(2, 6, 22, 18); break;
        case gZoom100:
            Page(4, 4, 20, 20);
            C->Font()->SetSize(7);
            C->TextOut(6, 6, u"1:1"_s);
            break;
        case gFirst: Arrow(true, true); break;
        case gPrev: Arrow(true, false); break;
        case gNext: Arrow(false, false); break;
        case gLast: Arrow(false, true); break;
        case gGoto:
            Page(5, 3, 19, 21);
            C->Font()->SetSize(8);
            C->TextOut(8, 6, u"#"_s);
            break;
        case gFind:
            C->Ellipse(3, 3, 15, 15);
            C->Pen()->SetWidth(3);
            C->MoveTo(14, 14);
            C->LineTo(21, 21);
            C->Pen()->SetWidth(1);
            break;
        case gSetup:
        case gPrint:
            Page(7, 2, 17, 10);
            C->Brush()->SetColor(G == gPrint ? Blue : TColor(0xC0C0C0));
            C->Rectangle(3, 10, 21, 18);
            break;
        case gSave:
        case gLoad:
            C->Brush()->SetColor(G == gSave ? Blue : TColor(0x40A0E0));
            C->Rectangle(3, 5, 21, 20);
            break;
        case gCopy:
            Page(3, 3, 14, 17);
            Page(9, 7, 20, 21);
            break;
        case gCancel:
            C->Pen()->SetColor(clRed);
            C->Pen()->SetWidth(3);
            C->MoveTo(6, 6);
            C->LineTo(18, 18);
            C->MoveTo(18, 6);
            C->LineTo(6, 18);
            C->Pen()->SetWidth(1);
            break;
        default: break;
    }
}

}  // namespace

void RpInstallXMLViewer() { RpXMLPreviewInterfaceClass = StandardPreview; }

// ---- the preview interface ----------------------------------------------------------------------

TRpXMLStandardPreviewInterface::TRpXMLStandardPreviewInterface(TComponent* AOwner)
    : TRpXMLPreviewInterface(AOwner), FStandPrev(TRpXStandardViewer::CreatePreview(Application)) {}

void TRpXMLStandardPreviewInterface::Show() {
    if (FStandPrev) FStandPrev->Show();
}
void TRpXMLStandardPreviewInterface::ShowModal() {
    if (FStandPrev) FStandPrev->ShowModal();
}
TImage* TRpXMLStandardPreviewInterface::GetImageControl() { return FStandPrev ? FStandPrev->GetImage() : nullptr; }
void TRpXMLStandardPreviewInterface::SetDocument(TRpXDocument* aDoc) {
    if (FStandPrev) FStandPrev->SetDocument(aDoc);
}
void TRpXMLStandardPreviewInterface::newpage(int pnum) {
    if (FStandPrev) FStandPrev->NewPage(pnum);
}
void TRpXMLStandardPreviewInterface::ReportCompleted(int pnum) {
    if (FStandPrev) FStandPrev->ReportCompleted(pnum);
}

// ---- the search dialog -----------------------------------------------------------------------------

void TRpXSearchDlg::AfterConstruction() {
    SetName(u"RpXSearchDlg"_s);
    SetCaption(u"RPX Text Search"_s);
    SetBorderStyle(bsDialog);
    SetBorderIcons({});
    SetClientWidth(305);
    SetClientHeight(118);
    SetPosition(poOwnerFormCenter);
    Font()->SetName(u"MS Sans Serif"_s);
    Font()->SetHeight(-11);
    Label1 = New<TLabel>(this);
    Label1->SetParent(this);
    Label1->SetCaption(u"Search for :"_s);
    Label1->SetBounds(8, 8, 100, 13);
    Edit1 = New<TEdit>(this);
    Edit1->SetName(u"Edit1"_s);
    Edit1->SetParent(this);
    Edit1->SetBounds(8, 24, 289, 21);
    CheckBox1 = New<TCheckBox>(this);
    CheckBox1->SetName(u"CheckBox1"_s);
    CheckBox1->SetParent(this);
    CheckBox1->SetCaption(u"Match Case"_s);
    CheckBox1->SetBounds(8, 56, 120, 17);
    SpeedButton1 = New<TSpeedButton>(this);
    SpeedButton1->SetName(u"SpeedButton1"_s);
    SpeedButton1->SetParent(this);
    SpeedButton1->SetCaption(u"Cancel"_s);
    SpeedButton1->SetBounds(8, 88, 113, 25);
    SpeedButton1->OnClick = TNotifyEvent(this, &TRpXSearchDlg::SpeedButton1Click);
    SpeedButton2 = New<TSpeedButton>(this);
    SpeedButton2->SetName(u"SpeedButton2"_s);
    SpeedButton2->SetParent(this);
    SpeedButton2->SetCaption(u"Search"_s);
    SpeedButton2->SetBounds(184, 88, 113, 25);
    SpeedButton2->OnClick = TNotifyEvent(this, &TRpXSearchDlg::SpeedButton2Click);
    TForm::AfterConstruction();
}

String TRpXSearchDlg::GetSearchText() const { return Edit1->Text(); }
bool TRpXSearchDlg::GetCase() const { return CheckBox1->Checked(); }
void TRpXSearchDlg::SpeedButton1Click(TObject*) {
    cancel = true;
    Close();
}
void TRpXSearchDlg::SpeedButton2Click(TObject*) {
    cancel = false;
    Close();
}

// ---- the viewer: construction ------------------------------------------------------------------

TRpXStandardViewer* TRpXStandardViewer::CreatePreview(TComponent* AOwner) {
    TRpXStandardViewer* W = New<TRpXStandardViewer>(AOwner);
    W->Gauge = New<TProgressBar>(W);
    W->Gauge->SetBounds(2, 2, 100, 10);
    W->LastProgress = 0;
    W->PageNumber = 1;
    W->reportFinished = false;
    return W;
}

void TRpXStandardViewer::AfterConstruction() {
    BuildLayout();
    OnClose = TCloseEvent(this, &TRpXStandardViewer::FormClose);
    OnResize = TNotifyEvent(this, &TRpXStandardViewer::FormResize);
    OnKeyDown = TKeyEvent(this, &TRpXStandardViewer::FormKeyDown);
    OnActivate = TNotifyEvent(this, &TRpXStandardViewer::FormActivate);
    TForm::AfterConstruction();
}

void TRpXStandardViewer::BeforeDestruction() {
    FRpXDocument = nullptr;
    TForm::BeforeDestruction();
}

void TRpXStandardViewer::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FRpXDocument) FRpXDocument = nullptr;
}

TToolButton* TRpXStandardViewer::NewButton(const char* Name, int Image, const String& Hint,
                                           void (TRpXStandardViewer::*Click)(TObject*)) {
    TToolButton* B = New<TToolButton>(this);
    B->SetName(String::fromLatin1(Name));
    B->SetImageIndex(Image);
    B->SetHint(Hint);
    B->SetParent(ToolBar1);
    B->OnClick = TNotifyEvent(this, Click);
    return B;
}

void TRpXStandardViewer::BuildLayout() {
    SetCaption(u"Report Preview : "_s);
    SetKeyPreview(true);
    SetShowHint(true);
    SetClientWidth(828);
    SetClientHeight(542);
    SetPosition(poScreenCenter);

    Images = New<TImageList>(this);
    Images->SetName(u"Images"_s);
    Images->SetWidth(GlyphSize);
    Images->SetHeight(GlyphSize);
    for (int g = 0; g < gGlyphCount; ++g) {
        TBitmap Bmp;
        Bmp.SetSize(GlyphSize, GlyphSize);
        Bmp.Canvas()->Brush()->SetColor(clFuchsia);
        Bmp.Canvas()->FillRect(TRect(0, 0, GlyphSize, GlyphSize));
        DrawGlyph(Bmp.Canvas(), TGlyph(g));
        Images->AddMasked(&Bmp, clFuchsia);
    }

    StatusBar = New<TStatusBar>(this);
    StatusBar->SetName(u"StatusBar"_s);
    StatusBar->SetParent(this);
    StatusBar->SetAlign(alBottom);
    for (int W : {80, 120, 200, 200}) StatusBar->Panels()->Add()->SetWidth(W);
    StatusBar->Panels()->Items(0)->SetAlignment(taRightJustify);
    Splitter1 = New<TSplitter>(this);
    Splitter1->SetName(u"Splitter1"_s);
    Splitter1->SetParent(this);
    Splitter1->SetAlign(alBottom);
    Splitter1->SetHeight(3);

    ToolBar1 = New<TToolBar>(this);
    ToolBar1->SetName(u"ToolBar1"_s);
    ToolBar1->SetParent(this);
    ToolBar1->SetAlign(alTop);
    ToolBar1->SetHeight(40);
    ToolBar1->SetButtonWidth(32);
    ToolBar1->SetButtonHeight(32);
    ToolBar1->SetImages(Images);
    using V = TRpXStandardViewer;
    ZoomFit = NewButton("ZoomFit", gZoomFit, u"Zoom to fit"_s, &V::ZoomToFitClick);
    ZoomToWidth = NewButton("ZoomToWidth", gZoomWidth, u"Zoom to width"_s, &V::ZoomToWidthClick);
    Zoom100 = NewButton("Zoom100", gZoom100, u"100% Size"_s, &V::ZoomTo100Click);
    ZoomPickButton = New<TSpeedButton>(this);
    ZoomPickButton->SetName(u"ZoomPickButton"_s);
    ZoomPickButton->SetFlat(true);
    ZoomPickButton->SetCaption(u"%"_s);
    ZoomPickButton->SetHint(u"Set Zoom"_s);
    ZoomPickButton->OnClick = TNotifyEvent(this, &V::ZoomPickButtonClick);
    auto Separator = [this](const char* Name, int Width) {
        TToolButton* B = New<TToolButton>(this);
        B->SetName(String::fromLatin1(Name));
        B->SetStyle(tbsSeparator);
        B->SetParent(ToolBar1);
        B->SetWidth(Width);  // the toolbar gives a new separator its standard width
        return B;
    };
    TToolButton* PickPlace = Separator("ToolButton1", 41);  // room for the pick button
    FirstPage = NewButton("FirstPage", gFirst, u"First page"_s, &V::FirstPageClick);
    PreviousPage = NewButton("PreviousPage", gPrev, u"Previous page"_s, &V::PrevPageClick);
    nextpage = NewButton("nextpage", gNext, u"Next page"_s, &V::NextPageClick);
    LastPage = NewButton("LastPage", gLast, u"Last page"_s, &V::LastPageClick);
    GotoPageButton = NewButton("GotoPageButton", gGoto, u"Select a Page"_s, &V::GotoPageButtonClick);
    FindButton = NewButton("FindButton", gFind, u"Search for Text"_s, &V::FindButtonClick);
    Separator("ToolButton2", 8);
    PrintSetup = NewButton("PrintSetup", gSetup, u"Printer setup"_s, &V::PrintSetupClick);
    Print = NewButton("Print", gPrint, u"Print"_s, &V::PrintClick);
    Separator("ToolButton3", 8);
    SaveReport = NewButton("SaveReport", gSave, u"Save report"_s, &V::SaveClick);
    LoadReport = NewButton("LoadReport", gLoad, u"Load report"_s, &V::LoadClick);
    Separator("ToolButton4", 8);
    copybutton = NewButton("copybutton", gCopy, u"Copy page to clipboard"_s, &V::copybuttonClick);
    cancelbutton = NewButton("cancelbutton", gCancel, u"Cancel the report"_s, &V::cancelbuttonClick);
    ToolBar1->ArrangeButtons();
    ZoomPickButton->SetBounds(PickPlace->Left(), Zoom100->Top(), 33, 32);
    ZoomPickButton->SetParent(ToolBar1);
    ExitButton = New<TSpeedButton>(this);
    ExitButton->SetName(u"ExitButton"_s);
    ExitButton->SetFlat(true);
    ExitButton->SetCaption(u"&Close"_s);
    ExitButton->SetHint(u"Close Preview"_s);
    ExitButton->Font()->SetName(u"Arial"_s);
    ExitButton->Font()->SetHeight(-15);
    ExitButton->OnClick = TNotifyEvent(this, &V::ExitClick);
    ExitButton->SetBounds(cancelbutton->Left() + cancelbutton->Width() + 4, cancelbutton->Top(), 69, 32);
    ExitButton->SetParent(ToolBar1);

    Tabs = New<TPageControl>(this);
    Tabs->SetName(u"Tabs"_s);
    Tabs->SetParent(this);
    Tabs->SetAlign(alLeft);
    Tabs->SetWidth(144);
    TabThumbs = New<TTabSheet>(this);
    TabThumbs->SetName(u"TabThumbs"_s);
    TabThumbs->SetPageControl(Tabs);
    TabThumbs->SetCaption(u"ThumbNails"_s);
    ThumbGrid = New<TDrawGrid>(this);
    ThumbGrid->SetName(u"ThumbGrid"_s);
    ThumbGrid->SetParent(TabThumbs);
    ThumbGrid->SetAlign(alClient);
    ThumbGrid->SetFixedCols(0);
    ThumbGrid->SetFixedRows(0);
    ThumbGrid->SetColCount(1);
    ThumbGrid->SetRowCount(1);
    ThumbGrid->SetDefaultColWidth(90);
    ThumbGrid->SetDefaultRowHeight(90);
    ThumbGrid->SetOptions({goRowSelect});
    ThumbGrid->SetScrollBars(ssVertical);
    ThumbGrid->OnDrawCell = TDrawCellEvent(this, &V::ThumbGridDrawCell);
    ThumbGrid->OnSelectCell = TSelectCellEvent(this, &V::ThumbGridSelectCell);
    ThumbGrid->OnResize = TNotifyEvent(this, &V::ResizeThumb);
    TabSearchResult = New<TTabSheet>(this);
    TabSearchResult->SetName(u"TabSearchResult"_s);
    TabSearchResult->SetPageControl(Tabs);
    TabSearchResult->SetCaption(u"Search Results"_s);
    GroupBox1 = New<TGroupBox>(this);
    GroupBox1->SetName(u"GroupBox1"_s);
    GroupBox1->SetParent(TabSearchResult);
    GroupBox1->SetAlign(alTop);
    GroupBox1->SetHeight(41);
    GroupBox1->SetCaption(u"Search Text"_s);
    SearchTextLabel = New<TLabel>(this);
    SearchTextLabel->SetName(u"SearchTextLabel"_s);
    SearchTextLabel->SetParent(GroupBox1);
    SearchTextLabel->SetBounds(8, 18, 120, 13);
    SearchTextLabel->SetCaption(String());
    SearchResultBox = New<TListBox>(this);
    SearchResultBox->SetName(u"SearchResultBox"_s);
    SearchResultBox->SetParent(TabSearchResult);
    SearchResultBox->SetAlign(alClient);
    SearchResultBox->SetEnabled(false);
    SearchResultBox->OnClick = TNotifyEvent(this, &V::SearchResultBoxClick);
    Tabs->SetActivePage(TabThumbs);
    Splitter2 = New<TSplitter>(this);
    Splitter2->SetName(u"Splitter2"_s);
    Splitter2->SetParent(this);
    Splitter2->SetAlign(alLeft);
    Splitter2->SetLeft(Tabs->Width() + 1);

    ScrollBox1 = New<TScrollBox>(this);
    ScrollBox1->SetName(u"ScrollBox1"_s);
    ScrollBox1->SetParent(this);
    ScrollBox1->SetAlign(alClient);
    ScrollBox1->SetColor(clAppWorkSpace);
    Image1 = New<TImage>(this);
    Image1->SetName(u"Image1"_s);
    Image1->SetParent(ScrollBox1);
    Image1->SetBounds(0, 0, 10, 10);
    Image1->OnMouseDown = TMouseEvent(this, &V::Image1MouseDown);
    Image1->OnMouseMove = TMouseMoveEvent(this, &V::Image1MouseMove);

    Zoommenu = New<TPopupMenu>(this);
    Zoommenu->SetName(u"Zoommenu"_s);
    for (int Z = 50; Z <= 200; Z += 10) {
        TMenuItem* M = New<TMenuItem>(this);
        M->SetName(u"N%1"_s.arg(Z));
        M->SetCaption(u"%1%"_s.arg(Z));
        M->OnClick = TNotifyEvent(this, &V::N50Click);
        Zoommenu->Items()->Add(M);
    }

    PageNumber = 1;
    ThumbGrid->SetRow(0);
    for (TControl* C : std::initializer_list<TControl*>{cancelbutton, Print, SaveReport, PrintSetup, copybutton,
                                                        ZoomFit, Zoom100, ZoomToWidth, ZoomPickButton, LoadReport,
                                                        FirstPage, nextpage, LastPage, PreviousPage})
        C->SetEnabled(false);
}

void TRpXStandardViewer::Show() {
    TForm::Show();
    UpdateInfo();
}

void TRpXStandardViewer::SetNavigation(bool Enabled) {
    for (TControl* C : std::initializer_list<TControl*>{FirstPage, nextpage, LastPage, PreviousPage})
        C->SetEnabled(Enabled);
}

// ---- the document ---------------------------------------------------------------------------------

void TRpXStandardViewer::SetDocument(TRpXDocument* aDoc) {
    if (!aDoc) return;
    FRpXDocument = aDoc;
    aDoc->FreeNotification(this);
    ShowThumbs = aDoc->Showthumbs;
    ShowSearch = aDoc->ShowSearch;
    const bool TabsVisible = ShowThumbs || ShowSearch;
    Tabs->SetVisible(TabsVisible);
    Splitter2->SetVisible(TabsVisible);
    try {
        if (TabsVisible && aDoc->Pagecount() > 0) ThumbGrid->SetRowCount(aDoc->Pagecount());
        ThumbGrid->SetRow(0);
        if (TabsVisible) {
            TabThumbs->SetTabVisible(ShowThumbs);
            if (!ShowSearch) {
                TabSearchResult->SetTabVisible(false);
                FindButton->SetVisible(false);
            }
        }
    } catch (const std::exception&) {
    }
    if (ShowSearch) aDoc->MakeTextIndex();
    FTitle = aDoc->ReportTitle();
    SetCaption(FTitle);
    TCustomRpReport* Rep = aDoc->RpReport();
    if (Rep && Rep->PreviewController()) {
        ApplyPreviewController();
    } else {
        FReportOrientation = Rep ? Rep->Page()->Orientation() : aDoc->Orientation();
        ToolBar1->SetVisible(aDoc->ShowToolbar);
        Print->SetVisible(aDoc->ShowPrintButtons);
        PrintSetup->SetVisible(aDoc->ShowPrintButtons);
        LoadReport->SetVisible(aDoc->ShowLoadButton);
        SaveReport->SetVisible(aDoc->ShowSaveButton);
        SetWidth(aDoc->InitViewerWidth);
        SetHeight(aDoc->InitViewerHeight);
        FindButton->SetVisible(ShowSearch);
        SetWindowState(aDoc->InitViewerState);
        FInitTop = aDoc->InitViewerTop;
        FInitLeft = aDoc->InitViewerLeft;
        switch (aDoc->InitViewerZoomState) {
            case rpZoomToFit: ZoomToFitClick(this); break;
            case rpZoomToWidth: ZoomToWidthClick(this); break;
            case rpZoom100: ZoomTo100Click(this); break;
            default: break;
        }
    }
    PageNumber = 1;
    ResizeThumb();
    UpdateInfo();
}

void TRpXStandardViewer::ApplyPreviewController() {
    TCustomRpReport* Rep = FRpXDocument->RpReport();
    TRpPreviewController* Pc = Rep->PreviewController();
    SetFormStyle(Pc->PrevWindowStyle);
    ShowThumbs = Pc->ShowThumbs;
    ShowSearch = Pc->ShowFindButton;
    FZoomState = Pc->PrevInitZoom;
    FReportOrientation = Rep->Page()->Orientation();
    SetWindowState(Pc->PrevInitState);
    if (Pc->PrevInitState != wsMaximized) SetBounds(Pc->PrevInitLeft, Pc->PrevInitTop, Pc->prevInitWidth, Pc->prevInitHeight);
    LoadReport->SetVisible(Pc->ShowLoadReportButton);
    SaveReport->SetVisible(Pc->ShowSaveReportButton);
    cancelbutton->SetVisible(Pc->ShowCancelButton);
    Print->SetVisible(Pc->ShowPrintButton);
    PrintSetup->SetVisible(Pc->ShowPrintSetupButton);
    FindButton->SetVisible(Pc->ShowFindButton);
    GotoPageButton->SetVisible(Pc->ShowGotoButton);
    Zoom100->SetVisible(Pc->ShowZoom100Button);
    ZoomFit->SetVisible(Pc->ShowZoomFitButton);
    ZoomToWidth->SetVisible(Pc->ShowZoomToWidthButton);
    FirstPage->SetVisible(Pc->ShowFirstButton);
    PreviousPage->SetVisible(Pc->ShowPrevButton);
    nextpage->SetVisible(Pc->ShowNextButton);
    LastPage->SetVisible(Pc->ShowLastButton);
    FInitLeft = Pc->PrevInitLeft;
    FInitTop = Pc->PrevInitTop;
    TBorderIcons Icons = BorderIcons();
    if (!Pc->ShowMinimise) Icons.Exclude(biMinimize);
    if (!Pc->ShowMaximise) Icons.Exclude(biMaximize);
    if (!Pc->ShowSysMenu) Icons.Exclude(biSystemMenu);
    SetBorderIcons(Icons);
    switch (Pc->PrevInitZoom) {
        case rpZoomToFit: ZoomToFitClick(this); break;
        case rpZoomToWidth: ZoomToWidthClick(this); break;
        case rpZoom100: ZoomTo100Click(this); break;
        default: break;
    }
}

void TRpXStandardViewer::UpdateInfo() {
    const int Count = FRpXDocument ? FRpXDocument->Pagecount() : 0;
    StatusBar->Panels()->Items(1)->SetText(String::asprintf("Page: %-d of %-d", PageNumber, Count));
    StatusBar->Panels()->Items(2)->SetText(FTitle);
    if (FRpXDocument)
        StatusBar->Panels()->Items(0)->SetText(String::asprintf("Zoom: %-4.0f %%", double(FRpXDocument->GetZoom())));
    CenterImage();
}

void TRpXStandardViewer::CenterImage() {
    if (Image1->Width() < ScrollBox1->Width()) Image1->SetLeft((ScrollBox1->Width() - Image1->Width()) / 2);
}

void TRpXStandardViewer::NewPage(int pnum) {
    UpdateInfo();
    ThumbGrid->SetRowCount(std::max(pnum, 1));
    cancelbutton->SetEnabled(true);
    SetNavigation(true);
    if (pnum == 1 && FRpXDocument) FRpXDocument->RenderPage(0);
}

void TRpXStandardViewer::ReportCompleted(int) {
    const bool FromFile = FRpXDocument && FRpXDocument->LoadedFromFile();
    cancelbutton->SetEnabled(false);
    for (TControl* C : std::initializer_list<TControl*>{Print, PrintSetup, copybutton, ZoomFit, Zoom100,
                                                        ZoomToWidth, ZoomPickButton, LoadReport})
        C->SetEnabled(true);
    SaveReport->SetEnabled(!FromFile);
    if (FromFile) SetNavigation(true);
    reportFinished = true;
    if (FRpXDocument && FRpXDocument->RpReport()) {
        FRpXDocument->RpReport()->PrinterSettings()->SetFirstPage(1);
        FRpXDocument->RpReport()->PrinterSettings()->SetLastPage(FRpXDocument->Pagecount());
    }
}

void TRpXStandardViewer::RpPreviewProgressUpdate(int Progress) {
    if (Progress >= LastProgress + 5) {
        StatusBar->Panels()->Items(0)->SetText(String::number(Progress) + u'%');
        LastProgress = Progress;
    }
    if (Progress == 0 || Progress == 100) StatusBar->Panels()->Items(0)->SetText(String());
}

// ---- zoom -------------------------------------------------------------------------------------------

void TRpXStandardViewer::ZoomToFitClick(TObject*) {
    if (FRpXDocument) FRpXDocument->ZoomToHeight(ScrollBox1->Height() - 30);
    FZoomState = rpZoomToFit;
    UpdateInfo();
    Application->ProcessMessages();
}

void TRpXStandardViewer::ZoomToWidthClick(TObject*) {
    if (FRpXDocument) FRpXDocument->ZoomToWidth(ScrollBox1->Width() - 25);
    FZoomState = rpZoomToWidth;
    UpdateInfo();
    Image1->SetLeft(1);
    Application->ProcessMessages();
}

void TRpXStandardViewer::ZoomTo100Click(TObject*) {
    if (FRpXDocument) FRpXDocument->SetZoomFactor(100);
    UpdateInfo();
    FZoomState = rpZoom100;
    Application->ProcessMessages();
}

void TRpXStandardViewer::N50Click(TObject* Sender) {
    auto* Item = dynamic_cast<TComponent*>(Sender);
    if (!Item) return;
    bool Ok = false;
    const int Zoom = Item->Name().mid(1).toInt(&Ok);
    if (!Ok) return;
    FZoomState = rpZoomOther;
    if (FRpXDocument) FRpXDocument->SetZoomFactor(Zoom);
    UpdateInfo();
}

void TRpXStandardViewer::ZoomPickButtonClick(TObject*) {
    const TPoint P = ZoomPickButton->ClientToScreen(TPoint(0, 0));
    Zoommenu->Popup(P.X + ZoomPickButton->Width() / 2, P.Y + ZoomPickButton->Height() / 2);
}

void TRpXStandardViewer::FormResize(TObject*) {
    if (FZoomState == rpZoomToFit)
        ZoomToFitClick(this);
    else if (FZoomState == rpZoomToWidth)
        ZoomToWidthClick(this);
    CenterImage();
}

// ---- pages ------------------------------------------------------------------------------------------

void TRpXStandardViewer::SelectPage(int aPageNumber) {
    if (!FRpXDocument) return;
    FRpXDocument->SetCurrentPage(aPageNumber - 1);
    PageNumber = aPageNumber;
    UpdateInfo();
    if (aPageNumber > 0 && aPageNumber <= FRpXDocument->Pagecount() && ShowThumbs) {
        FSelecting = true;
        ThumbGrid->SetRow(aPageNumber - 1);
        FSelecting = false;
    }
}

void TRpXStandardViewer::FirstPageClick(TObject*) { SelectPage(1); }
void TRpXStandardViewer::PrevPageClick(TObject*) { SelectPage(std::max(PageNumber - 1, 1)); }
void TRpXStandardViewer::NextPageClick(TObject*) {
    if (!FRpXDocument) return;
    const int From = PageNumber == 0 ? 1 : PageNumber;
    SelectPage(std::max(std::min(From + 1, FRpXDocument->Pagecount()), 1));
}
void TRpXStandardViewer::LastPageClick(TObject*) {
    if (FRpXDocument) SelectPage(std::max(FRpXDocument->Pagecount(), 1));
}

void TRpXStandardViewer::GotoPageButtonClick(TObject*) {
    if (!FRpXDocument) return;
    String Value = String::number(PageNumber);
    InputQuery(u"Select Page"_s, u"Go to page >>"_s, Value);
    bool Ok = false;
    int N = Value.trimmed().toInt(&Ok);
    if (!Ok || N <= 0 || N > FRpXDocument->Pagecount()) N = 1;
    SelectPage(N);
}

void TRpXStandardViewer::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
    const bool OnlyCtrl = Shift == TShiftState{ssCtrl};
    switch (Key) {
        case VK_ESCAPE: Close(); break;
        case VK_PRIOR:
            if (OnlyCtrl)
                FirstPageClick(this);
            else
                PrevPageClick(this);
            break;
        case VK_HOME: FirstPageClick(this); break;
        case VK_NEXT:
            if (OnlyCtrl)
                LastPageClick(this);
            else
                NextPageClick(this);
            break;
        case VK_END: LastPageClick(this); break;
        default: return;
    }
    Key = 0;
}

void TRpXStandardViewer::FormClose(TObject*, TCloseAction& Action) {
    ThumbGrid->SetRow(0);
    // The document may outlive the window: it must not hand its pages to a freed image.
    if (FRpXDocument && FRpXDocument->ImageControl() == Image1) FRpXDocument->SetImageControl(nullptr);
    Action = caFree;
}

void TRpXStandardViewer::FormActivate(TObject*) {
    if (doneActivate) return;
    doneActivate = true;
    if (WindowState() != wsMaximized) {
        SetLeft(FInitLeft);
        SetTop(FInitTop);
    }
}

// ---- thumbnails ------------------------------------------------------------------------------------

void TRpXStandardViewer::ResizeThumb(TObject*) {
    if (!FRpXDocument || !FRpXDocument->DocumentLoaded()) return;
    {
        // Measured on a bitmap: the grid's canvas draws only while the grid paints.
        TBitmap Measure;
        Measure.SetSize(1, 1);
        Measure.Canvas()->Font()->Assign(ThumbGrid->Font());
        ThumbFontHeight = Measure.Canvas()->TextHeight(u"P"_s);
    }
    const int ColWidth = ThumbGrid->Width() - 4;
    ThumbGrid->SetColWidths(0, std::max(ColWidth, 1));
    ThumbDrawWidth = std::max(ColWidth - 20, 1);
    const double W = FRpXDocument->Pagewidth(), H = FRpXDocument->Pageheight();
    if (W > 0 && H > 0)
        ThumbDrawHeight = FReportOrientation == poLandscape ? RoundToInt(ThumbDrawWidth / H * W) : RoundToInt(ThumbDrawWidth / W * H);
    ThumbGrid->SetDefaultRowHeight(std::max(ThumbDrawHeight, 1));
    ThumbLeftMargin = RoundToInt((ColWidth - ThumbDrawWidth) / 2.0);
    ThumbTopMargin = 0;
    switch (FZoomState) {
        case rpZoomToFit: ZoomToFitClick(this); break;
        case rpZoomToWidth: ZoomToWidthClick(this); break;
        default: SelectPage(PageNumber); break;
    }
}

void TRpXStandardViewer::ThumbGridDrawCell(TObject*, int, int ARow, TRect ARect, TGridDrawState) {
    if (!FRpXDocument) return;
    TOwned<TBitmap> Thumb =
        FRpXDocument->RenderThumbnail(ARow, TRect(ARect.Left, ARect.Top, ARect.Right - 10, ARect.Bottom - 10));
    if (Thumb) ThumbGrid->Canvas()->Draw(ARect.Left + 5, ARect.Top + 5, Thumb.get());
}

void TRpXStandardViewer::ThumbGridSelectCell(TObject*, int, int ARow, bool&) {
    if (FSelecting) return;
    PageNumber = ARow + 1;
    SelectPage(PageNumber);
    UpdateInfo();
}

// ---- search ------------------------------------------------------------------------------------------

bool TRpXStandardViewer::GetTextSearch(bool& MatchCase, String& AText) {
    TOwned<TRpXSearchDlg> Dlg = NewOwned<TRpXSearchDlg>(this);
    Dlg->ShowModal();
    if (Dlg->cancel) return false;
    AText = Dlg->GetSearchText();
    MatchCase = Dlg->GetCase();
    return true;
}

void TRpXStandardViewer::FindButtonClick(TObject*) {
    if (!FRpXDocument) return;
    FRpXDocument->MakeTextIndex();
    Tabs->SetActivePage(TabSearchResult);
    bool MatchCase = false;
    String Text;
    if (!GetTextSearch(MatchCase, Text)) return;
    SearchResultBox->SetEnabled(true);
    SearchTextLabel->SetCaption(Text);
    SearchResultBox->Items()->Clear();
    FRpXDocument->ClearSearchResults();
    FRpXDocument->SetSearchText(Text);
    FRpXDocument->FindText(Text, MatchCase, SearchResultBox->Items());
    if (SearchResultBox->Items()->Count() > 0) {
        SearchResultBox->SetEnabled(true);
        SearchResultBox->SetItemIndex(0);
        SearchResultBoxClick(this);
    } else {
        SearchResultBox->Items()->Add(u"No matching text"_s);
        SearchResultBox->SetEnabled(false);
    }
    FRpXDocument->SetZoomFactor(FRpXDocument->GetZoom());
    ThumbGrid->Invalidate();
}

void TRpXStandardViewer::SearchResultBoxClick(TObject*) {
    if (!FRpXDocument) return;
    const int i = SearchResultBox->ItemIndex();
    if (i < 0) return;
    auto* Item = dynamic_cast<TPageItem*>(SearchResultBox->Items()->Objects(i));
    if (!Item) return;
    const double Z = FRpXDocument->GetZoom(), P = TRpXDocument::PixelsPerMM;
    const int Y = RoundToInt(Z * Item->ypos * P / 100);
    const int H = RoundToInt(Z * P * FRpXDocument->Pageheight() / 100);
    SelectPage(Item->DBRecord + 1);
    if (H > 0) {
        const int V = RoundToInt(double(Y - ScrollBox1->Height()) * 150 / H);
        if (V > 1) ScrollBox1->VertScrollBar()->SetPosition(V);
    }
}

// ---- clicks and hints ---------------------------------------------------------------------------

void TRpXStandardViewer::Image1MouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    if (!FRpXDocument) return;
    String Text;
    int Rec = 0;
    const String Id = FRpXDocument->GetControlFromPosition(X, Y, Text, Rec);
    if (!Id.trimmed().isEmpty()) {
        FRpXDocument->FireEvent(etControlClick, Id, Text, Rec + 1);
        return;
    }
    const String Band = FRpXDocument->GetBandFromPosition(X, Y, Text, Rec);
    if (!Band.isEmpty()) FRpXDocument->FireEvent(etBandClick, Band, u"band"_s, Rec);
}

void TRpXStandardViewer::Image1MouseMove(TObject*, TShiftState, int X, int Y) {
    if (!FRpXDocument) return;
    String Text;
    int Rec = 0;
    const String Id = FRpXDocument->GetControlFromPosition(X, Y, Text, Rec);
    if (!Id.isEmpty()) {
        StatusBar->Panels()->Items(3)->SetText(FRpXDocument->GetHint(Id));
        FRpXDocument->FireEvent(etMouseOver, Id, Text, Rec + 1);
    } else {
        StatusBar->Panels()->Items(3)->SetText(String());
        FRpXDocument->FireEvent(etMouseOut, String(), String(), 0);
    }
}

// ---- commands --------------------------------------------------------------------------------------

void TRpXStandardViewer::SaveClick(TObject*) {
    if (FRpXDocument) FRpXDocument->FireEvent(etSaveButton, String(), String(), 0);
}

void TRpXStandardViewer::PrintClick(TObject*) {
    if (!FRpXDocument) return;
    FRpXDocument->FireEvent(etPrintButton, String(), String(), 0);
    TCustomRpReport* Rep = FRpXDocument->RpReport();
    if (!Rep) return;
    TPrinter* Prn = Printer();
    const int Index = Rep->PrinterSettings()->PrinterIndex();
    if (Index >= 0 && Index < Prn->Printers()->Count()) Prn->SetPrinterIndex(Index);
    ApplyPrinterSettings();
    FRpXDocument->Print(Prn);
}

void TRpXStandardViewer::ApplyPrinterSettings() {
    TCustomRpReport* Rep = FRpXDocument ? FRpXDocument->RpReport() : nullptr;
    TPrinter* Prn = Printer();
    if (!Rep || Prn->Printers()->Count() == 0) return;
    TRpPrinterSettings* S = Rep->PrinterSettings();
    if (S->PrinterIndex() >= 0 && S->PrinterIndex() < Prn->Printers()->Count()) Prn->SetPrinterIndex(S->PrinterIndex());
    // The device settings write the wishes into the device mode, each as the device allows.
    TOwned<TPrinterSettings> D = NewOwned<TPrinterSettings>();
    D->SetPrinter(Prn);
    TRpPage* Pg = Rep->Page();
    D->SetPaperSize(Pg->PaperSize());
    D->SetPaperWidth(int(std::lround(double(Pg->NativeValue(3)))));
    D->SetPaperLength(int(std::lround(double(Pg->NativeValue(1)))));
    D->SetOrientation(Pg->Orientation());
    D->SetCopies(S->Copies());
    D->SetDuplex(S->Duplex());
    D->SetUseExtendedDuplex(S->UseExtendedDuplex());
    D->SetExtendedDuplex(S->ExtendedDuplex());
    D->SetOutputBin(S->OutputBin());
    D->SetUseCustomBinCode(S->UseCustomBinCode());
    D->SetCustomBinCode(S->CustomBinCode());
    D->SetUseCustomPaperCode(S->UseCustomPaperCode());
    D->SetCustomPaperCode(S->CustomPaperCode());
    D->SetCollate(S->Collate());
    D->SetPrintQuality(S->PrintQuality());
    D->SetColorOption(S->ColorOption());
    D->OnApplyPrinterSettings = [this, Rep](TObject*, bool& Cancel, TDeviceMode* Mode) {
        if (Rep->OnApplyPrinterSettings) Rep->OnApplyPrinterSettings(this, Cancel, Mode);
    };
    D->ApplySettings();
}

void TRpXStandardViewer::PrintSetupClick(TObject*) {
    if (!FRpXDocument) return;
    TCustomRpReport* Rep = FRpXDocument->RpReport();
    if (!Rep) return;
    TPrinter* Prn = Printer();
    Prn->Refresh();
    if (!reportFinished) return;
    TOwned<TRpPrintDialog> Dlg = NewOwned<TRpPrintDialog>(Application);
    Dlg->MinPage = 1;
    Dlg->MaxPage = FRpXDocument->Pagecount();
    Dlg->FromPage = 1;
    Dlg->ToPage = FRpXDocument->Pagecount();
    Dlg->Options = {poPageNums, poWarning};
    Prn->SetOrientation(Rep->Page()->Orientation());
    Dlg->SetCopies(Rep->PrinterSettings()->Copies());
    if (!Dlg->Execute()) {
        SetTag(1);
        return;
    }
    TRpPrinterSettings* S = Rep->PrinterSettings();
    S->SetCopies(Dlg->Copies());
    S->SetPrinterIndex(Prn->PrinterIndex());
    const TPrinterOrientation O = Dlg->Orientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
    Rep->Page()->SetOrientation(O);
    S->SetCustomBinCode(Dlg->OutputBin);
    S->SetExtendedDuplex(Dlg->DuplexCode);
    S->SetPrintQuality(Dlg->PrintQuality);
    S->SetCollate(Dlg->Collate);
    S->SetColorOption(Dlg->ColorOption);
    S->SetOrientation(O);
    S->SetFirstPage(Dlg->FromPage);
    S->SetLastPage(Dlg->ToPage);
    if (TRpBin bin; RpBinOfDeviceCode(Dlg->OutputBin, bin)) S->SetOutputBin(bin);
    S->SetCustomPaperCode(Dlg->PaperSize);
    S->SetDuplex(Dlg->Duplex);
    SetTag(0);
}

void TRpXStandardViewer::LoadClick(TObject*) {
    if (!FRpXDocument) return;
    TOwned<TOpenDialog> Open1 = NewOwned<TOpenDialog>(this);
    Open1->SetFilter(u"XML and RPX files|*.xml;*.rpx"_s);
    if (!Open1->Execute()) return;
    FRpXDocument->ExternalLoadFromFile(Open1->FileName());
    if (!FRpXDocument->DocumentLoaded()) return;
    FRpXDocument->SetImageControl(Image1);
    SetDocument(FRpXDocument);
    FRpXDocument->RenderPage(0);
}

void TRpXStandardViewer::copybuttonClick(TObject*) {
    if (!FRpXDocument) return;
    TBitmap Page;
    FRpXDocument->RenderPageToBM(&Page, PageNumber - 1);
    Clipboard()->Assign(&Page);
}

void TRpXStandardViewer::cancelbuttonClick(TObject*) {
    if (FRpXDocument && FRpXDocument->RpReport()) FRpXDocument->RpReport()->Cancel();
}

void TRpXStandardViewer::ExitClick(TObject*) { Close(); }
