#include "report/rpprev.h"

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
#include "platform/gui/metafile.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "report/rpcomposite.h"
#include "report/rpexportfilter.h"
#include "report/rppageinfo.h"
#include "report/rppreview.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "report/rpsearchdlg.h"
#include "report/rpsupport.h"

#include <cmath>
#include <cstdint>

// ---- the interface -----------------------------------------------------------------------------

TWinControl* TRpStandardPreviewInterface::Show(TRpPrinter* ARpPrinter) {
    TRpStandardPreview* w = TRpStandardPreview::CreatePreview(Application, ARpPrinter);
    w->Show();
    return w;
}

TWinControl* TRpStandardPreviewInterface::ShowModal(TRpPrinter* ARpPrinter) {
    TRpStandardPreview* w = TRpStandardPreview::CreatePreview(Application, ARpPrinter);
    // The window frees itself when it closes; the application frees one left open at the end.
    w->ShowModal();
    return nullptr;
}

void RpInstallStandardPreview() { PreviewInterfaceClass = TRpStandardPreviewInterface::StaticClass(); }

// ---- the toolbar's pictures --------------------------------------------------------------------

namespace {

enum TGlyph {
    gZoomFit, gZoomWidth, gZoom100, gZoomPick, gFirst, gPrev, gNext, gLast, gGoto, gFind, gCopy,
    gSetup, gPrint, gLoad, gSave, gCancel, gGlyphCount
};

constexpr int GlyphSize = 24;

void DrawGlyph(TCanvas* C, TGlyph G) {
    const TColor ink = TColor(0x404040), blue = TColor(0xA05020), paper = clWhite;
    C->Pen()->SetColor(ink);
    C->Pen()->SetWidth(1);
    C->Brush()->SetColor(ink);
    auto sheet = [&](int L, int T, int R, int B) {
        C->Brush()->SetColor(paper);
        C->Rectangle(L, T, R, B);
        C->Brush()->SetColor(ink);
    };
    auto tri = [&](int x, int dir) {  // an arrow head pointing left (dir -1) or right (1)
        std::vector<TPoint> p{TPoint(x, 6), TPoint(x, 18), TPoint(x + dir * 6, 12)};
        C->Brush()->SetColor(blue);
        C->Pen()->SetColor(blue);
        C->Polygon(p);
        C->Pen()->SetColor(ink);
    };
    auto bar = [&](int x) {
        C->Brush()->SetColor(blue);
        C->Pen()->SetColor(blue);
        C->Rectangle(x, 6, x + 2, 18);
        C->Pen()->SetColor(ink);
    };
    auto lens = [&](int x, int y) {
        C->Brush()->SetStyle(bsClear);
        C->Pen()->SetWidth(2);
        C->Ellipse(x, y, x + 10, y + 10);
        C->MoveTo(x + 9, y + 9);
        C->LineTo(x + 14, y + 14);
        C->Pen()->SetWidth(1);
        C->Brush()->SetStyle(bsSolid);
    };
    switch (G) {
    case gZoomFit: sheet(6, 3, 18, 21); lens(5, 6); break;
    case gZoomWidth:
        sheet(3, 5, 21, 19);
        C->MoveTo(5, 12);
        C->LineTo(19, 12);
        break;
    case gZoom100:
        sheet(6, 3, 18, 21);
        C->Pen()->SetColor(blue);
        C->Pen()->SetWidth(2);
        C->MoveTo(10, 8);
        C->LineTo(10, 17);
        C->MoveTo(14, 8);
        C->LineTo(14, 17);
        C->Pen()->SetWidth(1);
        C->Pen()->SetColor(ink);
        break;
    case gZoomPick: lens(4, 4); break;
    case gFirst: bar(7); tri(15, -1); break;
    case gPrev: tri(15, -1); break;
    case gNext: tri(9, 1); break;
    case gLast: tri(9, 1); bar(16); break;
    case gGoto: sheet(5, 3, 17, 21); tri(11, 1); break;
    case gFind: sheet(4, 2, 16, 20); lens(9, 8); break;
    case gCopy: sheet(3, 2, 14, 16); sheet(9, 7, 21, 22); break;
    case gSetup:
        sheet(4, 8, 20, 18);
        C->Brush()->SetColor(blue);
        C->Rectangle(7, 3, 17, 8);
        break;
    case gPrint:
        sheet(7, 2, 17, 9);
        C->Brush()->SetColor(TColor(0xC0C0C0));
        C->Rectangle(3, 9, 21, 18);
        sheet(7, 15, 17, 22);
        break;
    case gLoad:
        C->Brush()->SetColor(TColor(0x40C0E0));
        C->Rectangle(3, 7, 21, 20);
        C->Rectangle(3, 5, 10, 8);
        break;
    case gSave:
        C->Brush()->SetColor(blue);
        C->Rectangle(4, 4, 20, 20);
        sheet(7, 4, 17, 11);
        break;
    case gCancel:
        C->Pen()->SetColor(TColor(0x0000C0));
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

// ---- construction ------------------------------------------------------------------------------

TRpStandardPreview* TRpStandardPreview::CreatePreview(TComponent* AOwner, TRpPrinter* aRpPrinter) {
    TRpStandardPreview* w = New<TRpStandardPreview>(AOwner);
    try {
        w->Setup(aRpPrinter);
    } catch (...) {
        w->Free();
        throw;
    }
    return w;
}

void TRpStandardPreview::AfterConstruction() {
    BuildLayout();
    OnResize = TNotifyEvent(this, &TRpStandardPreview::FormResize);
    OnKeyDown = TKeyEvent(this, &TRpStandardPreview::FormKeyDown);
    OnCloseQuery = TCloseQueryEvent(this, &TRpStandardPreview::FormCloseQuery);
    OnClose = TCloseEvent(this, &TRpStandardPreview::FormClose);
    inherited::AfterConstruction();
}

void TRpStandardPreview::BeforeDestruction() {
    if (TRpPrinter* p = RpPrinter(); p && p->PreviewControl() == this) p->SetPreviewControl(nullptr);
    inherited::BeforeDestruction();
}

TToolButton* TRpStandardPreview::NewButton(const char* Name, int Image, const String& Hint,
                                           void (TRpStandardPreview::*Click)(TObject*)) {
    TToolButton* b = New<TToolButton>(this);
    b->SetName(QString::fromLatin1(Name));
    b->SetImageIndex(Image);
    b->SetHint(Hint);
    b->SetParent(ToolBar1);
    if (Click) b->OnClick = TNotifyEvent(this, Click);
    return b;
}

void TRpStandardPreview::NewSeparator(const char* Name) {
    TToolButton* b = New<TToolButton>(this);
    b->SetName(QString::fromLatin1(Name));
    b->SetStyle(tbsSeparator);
    b->SetWidth(8);
    b->SetParent(ToolBar1);
}

void TRpStandardPreview::BuildLayout() {
    SetName(QStringLiteral("RpStandardPreview"));
    SetCaption(QStringLiteral("Print Preview"));
    SetFormStyle(fsStayOnTop);
    SetKeyPreview(true);
    SetShowHint(true);
    SetClientWidth(951);
    SetClientHeight(669);

    Images = New<TImageList>(this);
    Images->SetName(QStringLiteral("Images"));
    Images->SetWidth(GlyphSize);
    Images->SetHeight(GlyphSize);
    for (int g = 0; g < gGlyphCount; ++g) {
        TBitmap bmp;
        bmp.SetSize(GlyphSize, GlyphSize);
        bmp.Canvas()->Brush()->SetColor(clFuchsia);
        bmp.Canvas()->FillRect(TRect(0, 0, GlyphSize, GlyphSize));
        DrawGlyph(bmp.Canvas(), TGlyph(g));
        Images->AddMasked(&bmp, clFuchsia);
    }

    StatusBar = New<TStatusBar>(this);
    StatusBar->SetName(QStringLiteral("StatusBar"));
    StatusBar->SetParent(this);
    StatusBar->SetAlign(alBottom);
    const struct {
        int Width;
        const char* Text;
    } panels[] = {{60, "0%"}, {120, "Page"}, {120, "Zoom"}, {50, "Report"}};
    for (const auto& p : panels) {
        TStatusPanel* sp = StatusBar->Panels()->Add();
        sp->SetWidth(p.Width);
        sp->SetText(QString::fromLatin1(p.Text));
    }
    StatusBar->Panels()->Items(0)->SetAlignment(taRightJustify);

    ToolBar1 = New<TToolBar>(this);
    ToolBar1->SetName(QStringLiteral("ToolBar1"));
    ToolBar1->SetParent(this);
    ToolBar1->SetAlign(alTop);
    ToolBar1->SetHeight(38);
    ToolBar1->SetButtonWidth(32);
    ToolBar1->SetButtonHeight(32);
    ToolBar1->SetImages(Images);
    ZoomFit = NewButton("ZoomFit", gZoomFit, QStringLiteral("Zoom to fit"), &TRpStandardPreview::ZoomToFitClick);
    ZoomToWidth = NewButton("ZoomToWidth", gZoomWidth, QStringLiteral("Zoom to width"), &TRpStandardPreview::ZoomToWidthClick);
    Zoom100 = NewButton("Zoom100", gZoom100, QStringLiteral("100% Size"), &TRpStandardPreview::ZoomTo100Click);
    for (TToolButton* b : {ZoomFit, ZoomToWidth, Zoom100}) {
        b->SetStyle(tbsCheck);
        b->SetGrouped(true);
    }
    ZoomPickButton = NewButton("ZoomPickButton", gZoomPick, QStringLiteral("Set Display Zoom"), &TRpStandardPreview::ZoomPickButtonClick);
    NewSeparator("ToolButton1");
    FirstPage = NewButton("FirstPage", gFirst, QStringLiteral("First page"), &TRpStandardPreview::FirstPageClick);
    PreviousPage = NewButton("PreviousPage", gPrev, QStringLiteral("Previous page"), &TRpStandardPreview::PrevPageClick);
    nextPage = NewButton("nextPage", gNext, QStringLiteral("Next page"), &TRpStandardPreview::NextPageClick);
    LastPage = NewButton("LastPage", gLast, QStringLiteral("Last page"), &TRpStandardPreview::LastPageClick);
    NewSeparator("ToolButton2");
    GotoPageButton = NewButton("GotoPageButton", gGoto, QStringLiteral("Select a Page"), &TRpStandardPreview::GotoPageButtonClick);
    FindButton = NewButton("FindButton", gFind, QStringLiteral("Search for Text"), &TRpStandardPreview::FindButtonClick);
    NewSeparator("ToolButton3");
    copybutton = NewButton("copybutton", gCopy, QStringLiteral("Copy page to clipboard"), &TRpStandardPreview::copybuttonClick);
    PrintSetup = NewButton("PrintSetup", gSetup, QStringLiteral("Printer setup"), &TRpStandardPreview::PrintSetupClick);
    Print = NewButton("Print", gPrint, QStringLiteral("Print"), &TRpStandardPreview::PrintClick);
    LoadReport = NewButton("LoadReport", gLoad, QStringLiteral("Load report"), &TRpStandardPreview::LoadClick);
    SaveReport = NewButton("SaveReport", gSave, QStringLiteral("Save report"), &TRpStandardPreview::SaveClick);
    NewSeparator("ToolButton4");
    CancelButton = NewButton("CancelButton", gCancel, QStringLiteral("Cancel the report"), &TRpStandardPreview::CancelButtonClick);
    for (TToolButton* b : {FirstPage, PreviousPage, nextPage, LastPage, GotoPageButton, FindButton, copybutton,
                           PrintSetup, Print, LoadReport, SaveReport, CancelButton})
        b->SetEnabled(false);
    ToolBar1->ArrangeButtons();
    ExitButton = New<TSpeedButton>(this);
    ExitButton->SetName(QStringLiteral("ExitButton"));
    ExitButton->SetFlat(true);
    ExitButton->SetCaption(QStringLiteral("&Close"));
    ExitButton->SetHint(QStringLiteral("Close Preview"));
    ExitButton->Font()->SetName(QStringLiteral("Arial"));
    ExitButton->Font()->SetHeight(-15);
    ExitButton->OnClick = TNotifyEvent(this, &TRpStandardPreview::ExitClick);
    {
        const TControl* last = CancelButton;
        ExitButton->SetBounds(last->Left() + last->Width() + 4, last->Top(), 67, last->Height());
    }
    ExitButton->SetParent(ToolBar1);

    Tabs = New<TPageControl>(this);
    Tabs->SetName(QStringLiteral("Tabs"));
    Tabs->SetParent(this);
    Tabs->SetAlign(alLeft);
    Tabs->SetWidth(193);
    TabThumbs = New<TTabSheet>(this);
    TabThumbs->SetName(QStringLiteral("TabThumbs"));
    TabThumbs->SetPageControl(Tabs);
    TabThumbs->SetCaption(QStringLiteral("ThumbNails"));
    ThumbGrid = New<TDrawGrid>(this);
    ThumbGrid->SetName(QStringLiteral("ThumbGrid"));
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
    ThumbGrid->OnDrawCell = TDrawCellEvent(this, &TRpStandardPreview::ThumbGridDrawCell);
    ThumbGrid->OnSelectCell = TSelectCellEvent(this, &TRpStandardPreview::ThumbGridSelectCell);
    ThumbGrid->OnResize = TNotifyEvent(this, &TRpStandardPreview::ResizeThumb);
    TabSearchResult = New<TTabSheet>(this);
    TabSearchResult->SetName(QStringLiteral("TabSearchResult"));
    TabSearchResult->SetPageControl(Tabs);
    TabSearchResult->SetCaption(QStringLiteral("Search Results"));
    GroupBox1 = New<TGroupBox>(this);
    GroupBox1->SetName(QStringLiteral("GroupBox1"));
    GroupBox1->SetParent(TabSearchResult);
    GroupBox1->SetAlign(alClient);
    GroupBox1->SetCaption(QStringLiteral("Search Text"));
    SearchTextLabel = New<TLabel>(this);
    SearchTextLabel->SetName(QStringLiteral("SearchTextLabel"));
    SearchTextLabel->SetParent(GroupBox1);
    SearchTextLabel->SetAlign(alTop);
    SearchTextLabel->SetCaption(String());
    SearchResultBox = New<TListBox>(this);
    SearchResultBox->SetName(QStringLiteral("SearchResultBox"));
    SearchResultBox->SetParent(GroupBox1);
    SearchResultBox->SetAlign(alClient);
    SearchResultBox->SetEnabled(false);
    SearchResultBox->OnClick = TNotifyEvent(this, &TRpStandardPreview::SearchResultBoxClick);
    Tabs->SetActivePage(TabThumbs);

    Splitter1 = New<TSplitter>(this);
    Splitter1->SetName(QStringLiteral("Splitter1"));
    Splitter1->SetParent(this);
    Splitter1->SetAlign(alLeft);
    Splitter1->SetLeft(Tabs->Width() + 1);

    RpPreview = New<TRpPreview>(this);
    RpPreview->SetName(QStringLiteral("RpPreview"));
    RpPreview->SetParent(this);
    RpPreview->SetAlign(alClient);
    RpPreview->SetColor(clAppWorkSpace);
    RpPreview->OnPageAvailable = TRpPageAvailableEvent(this, &TRpStandardPreview::RpPreviewPageAvailable);
    RpPreview->OnProgressUpdate = TRpProgressUpdateEvent(this, &TRpStandardPreview::RpPreviewProgressUpdate);
    // The wheel pages through the document as the arrow keys do.
    RpPreview->OnMouseWheel = TMouseWheelEvent(this, &TRpStandardPreview::RpPreviewMouseWheel);
    // Clicks and moves over the page reach the report's link handler.
    RpPreview->OnMouseDown = TMouseEvent(this, &TRpStandardPreview::RpPreviewMouseDown);
    RpPreview->OnMouseMove = TMouseMoveEvent(this, &TRpStandardPreview::RpPreviewMouseMove);

    Zoommenu = New<TPopupMenu>(this);
    Zoommenu->SetName(QStringLiteral("Zoommenu"));
    for (int z = 50; z <= 200; z += 10) {
        TMenuItem* m = New<TMenuItem>(this);
        m->SetName(QStringLiteral("N%1").arg(z));
        m->SetCaption(QStringLiteral("%1%").arg(z));
        m->OnClick = TNotifyEvent(this, &TRpStandardPreview::N50Click);
        Zoommenu->Items()->Add(m);
    }
}

void TRpStandardPreview::Setup(TRpPrinter* aRpPrinter) {
    pageSelected = false;
    RpPreview->SetRpPrinter(aRpPrinter);
    udpifact = aRpPrinter ? double(aRpPrinter->CurrentScreenDPI()) : 1.0;
    int designZoom = 100;
    FPreviewReport = aRpPrinter ? dynamic_cast<TCustomRpReport*>(aRpPrinter->ParentReport()) : nullptr;
    if (TCustomRpReport* r = FPreviewReport) {
        FPreviewTitle = r->ReportTitle();
        FReportOrientation = r->Page()->Orientation();
        designZoom = r->Zoom();
        if (r->PreviewController()) {
            SetupFromController();
        } else {
            SetFormStyle(r->PrevFormStyle);
            ShowThumbs = r->PrevShowThumbs;
            ShowSearch = r->PrevShowSearch;
            InitZoom = r->PrevInitialZoom;
            SetWindowState(r->PreviewInitialState);
            if (r->PreviewInitialState != wsMaximized)
                SetBounds(r->PreviewLeft, r->PreviewTop, r->PreviewWidth(), r->PreviewHeight());
        }
        RaiseEvent(spOpen, String());
    } else {
        SetWindowState(wsMaximized);
        ShowThumbs = true;
        ShowSearch = true;
        FReportOrientation = aRpPrinter ? aRpPrinter->Orientation() : poPortrait;
    }
    if (aRpPrinter) {
        aRpPrinter->SetOrientation(FReportOrientation);
        if (!aRpPrinter->Title().isEmpty()) SetCaption(QStringLiteral("Report Preview : ") + aRpPrinter->Title());
        else SetCaption(QStringLiteral("Report Preview : "));
    }
    LastProgress = 0;
    ThumbGrid->SetRowCount(1);
    const bool side = ShowThumbs || ShowSearch;
    Tabs->SetVisible(side);
    Splitter1->SetVisible(side);
    try {
        if (side && aRpPrinter && aRpPrinter->PageCount() > 0) ThumbGrid->SetRowCount(aRpPrinter->PageCount());
        TabThumbs->SetTabVisible(ShowThumbs);
        FindButton->SetVisible(ShowSearch && FindButton->Visible());
        if (!ShowSearch) TabSearchResult->SetTabVisible(false);
        if (!ShowThumbs && ShowSearch) Tabs->SetActivePage(TabSearchResult);
    } catch (const Exception&) {
    }
    switch (InitZoom) {
    case rpZoomToFit:
        RpPreview->ZoomToFit();
        ZoomFit->SetDown(true);
        break;
    case rpZoomToWidth:
        RpPreview->ZoomToWidth();
        ZoomToWidth->SetDown(true);
        break;
    default:
        RpPreview->SetZoom(designZoom);
        RpPreview->UpdateZoom();
        Zoom100->SetDown(true);
        break;
    }
    ResizeThumb();
    if (aRpPrinter && aRpPrinter->Status() == mpFinished) RpPreviewPageAvailable(RpPreview, aRpPrinter->PageCount());
    if (aRpPrinter) aRpPrinter->SetPreviewControl(this);
}

void TRpStandardPreview::SetupFromController() {
    TCustomRpReport* r = FPreviewReport;
    TRpPreviewController* c = r ? r->PreviewController() : nullptr;
    if (!c) return;
    SetFormStyle(c->PrevWindowStyle);
    ShowThumbs = c->ShowThumbs;
    ShowSearch = c->ShowFindButton;
    InitZoom = c->PrevInitZoom;
    SetWindowState(c->PrevInitState);
    if (c->PrevInitState != wsMaximized) SetBounds(c->PrevInitLeft, c->PrevInitTop, c->prevInitWidth, c->prevInitHeight);
    LoadReport->SetVisible(c->ShowLoadReportButton);
    SaveReport->SetVisible(c->ShowSaveReportButton);
    CancelButton->SetVisible(c->ShowCancelButton);
    Print->SetVisible(c->ShowPrintButton);
    PrintSetup->SetVisible(c->ShowPrintSetupButton);
    FindButton->SetVisible(c->ShowFindButton);
    GotoPageButton->SetVisible(c->ShowGotoButton);
    ZoomPickButton->SetVisible(c->ShowZoomPickButton);
    Zoom100->SetVisible(c->ShowZoom100Button);
    ZoomFit->SetVisible(c->ShowZoomFitButton);
    ZoomToWidth->SetVisible(c->ShowZoomToWidthButton);
    FirstPage->SetVisible(c->ShowFirstButton);
    PreviousPage->SetVisible(c->ShowPrevButton);
    nextPage->SetVisible(c->ShowNextButton);
    LastPage->SetVisible(c->ShowLastButton);
    copybutton->SetVisible(c->ShowCopyButton);
    TBorderIcons icons = BorderIcons();
    if (!c->ShowMinimise) icons.Exclude(biMinimize);
    if (!c->ShowMaximise) icons.Exclude(biMaximize);
    if (!c->ShowSysMenu) icons.Exclude(biSystemMenu);
    SetBorderIcons(icons);
    ToolBar1->ArrangeButtons();
}

void TRpStandardPreview::Show() {
    TForm::Show();
    UpdateInfo();
}

TRpPrinter* TRpStandardPreview::RpPrinter() const { return RpPreview ? RpPreview->RpPrinter() : nullptr; }

bool TRpStandardPreview::DocumentFinished() const {
    TRpPrinter* p = RpPrinter();
    return p && p->Status() == mpFinished;
}

bool TRpStandardPreview::DocumentBusy() const {
    TRpPrinter* p = RpPrinter();
    return p && p->Status() == mpBusy;
}

TRpLinkPage* TRpStandardPreview::MouseLinkPage(int X, int Y, double& PageX, double& PageY) const {
    TCustomRpReport* r = FPreviewReport;
    if (!r || !r->UsePreviewLinks() || !r->onStandPrevMouseEvent || !r->PageLinkInfoList()) return nullptr;
    const double scale = RpPreview->Zoom() * udpifact;
    if (scale <= 0) return nullptr;
    PageX = std::round(X * 100.0 / scale);
    PageY = std::round(Y * 100.0 / scale);
    return r->PageLinkInfoList()->getPageRec(RpPreview->PageNumber());
}

void TRpStandardPreview::RpPreviewMouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    double px = 0, py = 0;
    if (TRpLinkPage* page = MouseLinkPage(X, Y, px, py))
        if (TPageItemRec* item = page->HitTest(px, py)) FPreviewReport->onStandPrevMouseEvent(this, meMouseClick, item);
}

void TRpStandardPreview::RpPreviewMouseMove(TObject*, TShiftState, int X, int Y) {
    double px = 0, py = 0;
    if (TRpLinkPage* page = MouseLinkPage(X, Y, px, py)) {
        TPageItemRec* item = page->HitTest(px, py);
        FPreviewReport->onStandPrevMouseEvent(this, item ? meMouseOver : meMouseOut, item);
    }
}

bool TRpStandardPreview::RaiseEvent(TStandPrevEventType Type, const String& Name) {
    FPreviewEventHandled = false;
    if (FPreviewReport && FPreviewReport->OnStandPrevEvent)
        FPreviewReport->OnStandPrevEvent(this, Type, Name, FPreviewEventHandled);
    return FPreviewEventHandled;
}

// ---- status and navigation ---------------------------------------------------------------------

void TRpStandardPreview::ShowZoomInStatus() {
    StatusBar->Panels()->Items(2)->SetText(QStringLiteral("Zoom ") + QString::number(RpPreview->Zoom()) + QStringLiteral("%"));
}

void TRpStandardPreview::UpdateInfo() {
    if (TRpPrinter* p = RpPrinter())
        StatusBar->Panels()->Items(1)->SetText(QStringLiteral("Page %1 of %2").arg(RpPreview->PageNumber()).arg(p->PageCount()));
    const String Error = RpPrinter() ? RpPrinter()->RunError() : String();
    StatusBar->Panels()->Items(3)->SetText(Error.isEmpty() ? FPreviewTitle
                                                           : QStringLiteral("The document is incomplete: ") + Error);
    ShowZoomInStatus();
}

void TRpStandardPreview::SelectPage(int PageNumber) {
    try {
        RpPreview->SetPageNumber(PageNumber);
        UpdateInfo();
        TRpPrinter* p = RpPrinter();
        if (p && PageNumber >= 1 && PageNumber <= p->PageCount() && PageNumber <= ThumbGrid->RowCount()) {
            FSelectingThumb = true;
            try {
                ThumbGrid->SetRow(PageNumber - 1);
            } catch (...) {
                FSelectingThumb = false;
                throw;
            }
            FSelectingThumb = false;
        }
    } catch (const Exception&) {
    }
}

void TRpStandardPreview::FirstPageClick(TObject*) { SelectPage(1); }
void TRpStandardPreview::PrevPageClick(TObject*) { SelectPage(RpPreview->PageNumber() - 1); }
void TRpStandardPreview::NextPageClick(TObject*) { SelectPage(RpPreview->PageNumber() + 1); }

void TRpStandardPreview::LastPageClick(TObject*) {
    TRpPrinter* p = RpPrinter();
    if (!p) return;
    // While the document grows, its last page is still being drawn.
    SelectPage(p->Status() == mpFinished ? p->PageCount() : p->PageCount() - 1);
}

void TRpStandardPreview::GotoPageButtonClick(TObject*) {
    TRpPrinter* p = RpPrinter();
    if (!p) return;
    const int count = p->PageCount();
    const String answer = InputBox(QStringLiteral("Select a page from 1 to %1").arg(count), QStringLiteral("Enter page number"),
                                   QString::number(RpPreview->PageNumber()));
    bool ok = false;
    int page = answer.trimmed().toInt(&ok);
    if (!ok || page < 1 || page > count) page = 1;
    SelectPage(page);
}

void TRpStandardPreview::ExitClick(TObject*) { Close(); }

void TRpStandardPreview::ZoomToFitClick(TObject*) {
    if (Application) Application->ProcessMessages();
    RpPreview->ZoomToFit();
    ZoomFit->SetDown(true);
    ShowZoomInStatus();
}

void TRpStandardPreview::ZoomToWidthClick(TObject*) {
    if (Application) Application->ProcessMessages();
    RpPreview->ZoomToWidth();
    ZoomToWidth->SetDown(true);
    ShowZoomInStatus();
}

void TRpStandardPreview::ZoomTo100Click(TObject*) {
    if (Application) Application->ProcessMessages();
    RpPreview->SetZoom(100);
    Zoom100->SetDown(true);
    ShowZoomInStatus();
}

void TRpStandardPreview::ZoomPickButtonClick(TObject*) {
    const TPoint at = ZoomPickButton->ClientToScreen(TPoint(ZoomPickButton->Width() / 2, ZoomPickButton->Height() / 2));
    Zoommenu->Popup(at.X, at.Y);
}

void TRpStandardPreview::N50Click(TObject* Sender) {
    auto* item = dynamic_cast<TComponent*>(Sender);
    if (!item) return;
    bool ok = false;
    const int z = item->Name().mid(1).toInt(&ok);
    if (!ok) return;
    RpPreview->SetZoom(z);
    ShowZoomInStatus();
}

void TRpStandardPreview::FormResize(TObject*) {
    if (!RpPreview) return;
    RpPreview->UpdateZoom();
    ShowZoomInStatus();
}

void TRpStandardPreview::RpPreviewMouseWheel(TObject*, TShiftState, int WheelDelta, TPoint, bool& Handled) {
    Word key = WheelDelta <= 0 ? VK_DOWN : VK_UP;
    FormKeyDown(this, key, TShiftState());
    Handled = true;
}

void TRpStandardPreview::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
    if (Key == VK_ESCAPE) {
        Close();
        return;
    }
    if (ThumbGrid->Focused()) return;
    const bool ctrlOnly = Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt);
    TControlScrollBar* v = RpPreview->VertScrollBar();
    const int extent = v->Range() - RpPreview->Height();
    switch (Key) {
    case VK_PRIOR:
        if (ctrlOnly) FirstPageClick(this);
        else PrevPageClick(this);
        break;
    case VK_NEXT:
        if (ctrlOnly) LastPageClick(this);
        else NextPageClick(this);
        break;
    case VK_END: LastPageClick(this); break;
    case VK_HOME: FirstPageClick(this); break;
    case VK_UP:
        if (v->Position() - v->Increment() <= 0) {
            const int page = RpPreview->PageNumber();
            if (page > 1) {
                PrevPageClick(this);
                v->SetPosition(v->Range() - RpPreview->Height() - v->Increment());
            } else {
                v->SetPosition(0);
            }
        } else {
            v->SetPosition(v->Position() - v->Increment());
        }
        break;
    case VK_DOWN:
        if (v->Position() + v->Increment() < extent) v->SetPosition(v->Position() + v->Increment());
        else NextPageClick(this);
        break;
    default: return;
    }
    Key = 0;
}

// ---- pages as they come ------------------------------------------------------------------------

void TRpStandardPreview::RpPreviewPageAvailable(TObject*, int PageNum) {
    TRpPrinter* p = RpPrinter();
    if (!p) return;
    CancelButton->SetEnabled(true);
    UpdateInfo();
    ThumbGrid->SetRowCount(std::max(1, p->PageCount()));
    ThumbGrid->Invalidate();
    if (!pageSelected && p->PageCount() > 0 && PageNum > 0) {
        pageSelected = true;
        SelectPage(1);
    }
    if (p->PageCount() > 0 && !FirstPage->Enabled()) {
        for (TToolButton* b : {FirstPage, nextPage, PreviousPage, LastPage, copybutton, ZoomPickButton}) b->SetEnabled(true);
    }
    if (p->Status() == mpFinished) {
        for (TToolButton* b : {PrintSetup, Print, SaveReport, LoadReport, FindButton, GotoPageButton}) b->SetEnabled(true);
        CancelButton->SetEnabled(false);
    }
    if (FPreviewReport && FPreviewReport->PagesInPreview != 0 && FPreviewReport->PagesInPreview == p->PageCount())
        FPreviewReport->UserCancel = true;
}

void TRpStandardPreview::RpPreviewProgressUpdate(TObject*, int Progress) {
    if (Progress < LastProgress + 5) return;
    StatusBar->Panels()->Items(0)->SetText(QString::number(Progress) + QStringLiteral("%"));
    LastProgress = Progress;
}

// ---- thumbnails --------------------------------------------------------------------------------

void TRpStandardPreview::ResizeThumb(TObject*) {
    TRpPrinter* p = RpPrinter();
    {
        // Measured on a bitmap: the grid's canvas draws only while the grid paints.
        TBitmap probe;
        probe.SetSize(1, 1);
        probe.Canvas()->Font()->Assign(ThumbGrid->Font());
        ThumbFontHeight = probe.Canvas()->TextHeight(QStringLiteral("P"));
    }
    const int colWidth = std::max(8, ThumbGrid->Width() - 4);
    ThumbGrid->SetDefaultColWidth(colWidth);
    ThumbDrawWidth = colWidth - 20;
    Extended pageHeight = ThumbDrawWidth * 297.0L / 210.0L;
    if (p && p->PaperWidth() > 0 && p->PaperLength() > 0) {
        pageHeight = FReportOrientation == poLandscape ? Extended(ThumbDrawWidth) / p->PaperLength() * p->PaperWidth()
                                                       : Extended(ThumbDrawWidth) / p->PaperWidth() * p->PaperLength();
    }
    ThumbDrawHeight = std::max(8, static_cast<int>(Round(pageHeight - ThumbFontHeight)));
    ThumbGrid->SetDefaultRowHeight(ThumbDrawHeight);
    ThumbLeftMargin = static_cast<int>(Round((colWidth - ThumbDrawWidth) / 2.0L));
    ThumbTopMargin = 0;
}

void TRpStandardPreview::ThumbGridDrawCell(TObject*, int, int ARow, TRect Rect, TGridDrawState) {
    TCanvas* c = ThumbGrid->Canvas();
    c->Brush()->SetColor(clAppWorkSpace);
    c->FillRect(Rect);
    TRpPrinter* p = RpPrinter();
    if (p && ARow + 1 <= p->AvailablePages()) {
        TOwned<TMetafile> page(p->GetPage(ARow + 1));
        if (page) {
            ClipPagePainting = true;
            try {
                PaintPage(page.get(), c,
                          TRect(Rect.Left + ThumbLeftMargin, Rect.Top + 10, Rect.Right - 30, Rect.Bottom - 10), true);
            } catch (...) {
                ClipPagePainting = false;
                throw;
            }
            ClipPagePainting = false;
        }
    }
    c->Brush()->SetColor(clBtnFace);
    c->Pen()->SetColor(clBlack);
    const int oldMode = SetBkMode(c->Handle(), TRANSPARENT);
    c->TextOut(Rect.Left, Rect.Top, QString::number(ARow + 1));
    SetBkMode(c->Handle(), oldMode);
}

void TRpStandardPreview::ThumbGridSelectCell(TObject*, int, int ARow, bool& CanSelect) {
    CanSelect = true;
    if (FSelectingThumb) return;
    if (ARow + 1 != RpPreview->PageNumber()) SelectPage(ARow + 1);
    UpdateInfo();
}

// ---- closing -----------------------------------------------------------------------------------

void TRpStandardPreview::FormCloseQuery(TObject*, bool& CanClose) {
    TRpPrinter* p = RpPrinter();
    if ((FPreviewReport && FPreviewReport->Exporting()) || (p && p->Status() == mpBusy)) {
        ShowMessage(QStringLiteral("The report is still executing"));
        CanClose = false;
    }
}

void TRpStandardPreview::FormClose(TObject*, TCloseAction& Action) {
    if (DocumentBusy() || !ExitButton->Enabled()) {
        Action = caNone;
        return;
    }
    RaiseEvent(spClose, String());
    if (TRpPrinter* p = RpPrinter()) {
        if (p->PreviewControl() == this) p->SetPreviewControl(nullptr);
        // The master (the report) lets go of the document, which may free the printer.
        p->ClosePreview(this);
        RpPreview->SetRpPrinter(nullptr);
    }
    if (Application) Application->ProcessMessages();
    Action = caFree;
}

// ---- the commands ------------------------------------------------------------------------------

bool TRpStandardPreview::GetTextSearch(bool& MatchCase, String& Text) {
    TOwned<TSearchDlg> dlg = NewOwned<TSearchDlg>(nullptr);
    dlg->ShowModal();
    if (dlg->cancel) return false;
    MatchCase = dlg->GetCase();
    Text = dlg->GetSearchText();
    return true;
}

void TRpStandardPreview::FindButtonClick(TObject*) {
    TRpPrinter* p = RpPrinter();
    if (!p || p->Status() == mpBusy) return;
    bool matchCase = false;
    String text;
    if (GetTextSearch(matchCase, text)) {
        SearchResultBox->SetEnabled(true);
        SearchTextLabel->SetCaption(text);
        SearchResultBox->Items()->Clear();
        for (int i = 1; i <= p->PageCount(); ++i) {
            TOwned<TMetafile> page(p->GetPage(i));
            if (page && SearchPageText(text, page.get(), matchCase))
                SearchResultBox->Items()->AddObject(QStringLiteral("Page %1").arg(i),
                                                    reinterpret_cast<TObject*>(static_cast<std::intptr_t>(i)));
        }
        if (SearchResultBox->Items()->Count() == 0) {
            SearchResultBox->Items()->Add(QStringLiteral("No matching text"));
            SearchResultBox->SetEnabled(false);
        }
    }
    Tabs->SetActivePage(TabSearchResult);
}

void TRpStandardPreview::SearchResultBoxClick(TObject*) {
    const int i = SearchResultBox->ItemIndex();
    int page = 1;
    if (i >= 0) {
        const auto v = reinterpret_cast<std::intptr_t>(SearchResultBox->Items()->Objects(i));
        if (v > 0) page = static_cast<int>(v);
    }
    SelectPage(page);
}

void TRpStandardPreview::copybuttonClick(TObject*) {
    if (RaiseEvent(spCopy, QStringLiteral("Copy"))) return;
    TMetafile* page = RpPreview->PreviewImage()->Metafile();
    if (!page) return;
    TClipboard* clip = Clipboard();
    clip->Open();
    try {
        clip->SetAsHandle(RegisterClipboardFormat(QStringLiteral("Enhanced Metafile")), page->Data());
        TBitmap bmp;
        bmp.SetSize(page->Width(), page->Height());
        bmp.Canvas()->Brush()->SetColor(clWhite);
        bmp.Canvas()->FillRect(TRect(0, 0, page->Width(), page->Height()));
        bmp.Canvas()->StretchDraw(TRect(0, 0, page->Width(), page->Height()), page);
        clip->Assign(&bmp);
    } catch (...) {
        clip->Close();
        throw;
    }
    clip->Close();
}

void TRpStandardPreview::PrintClick(TObject*) {
    ExitButton->SetEnabled(false);
    try {
        if (!RaiseEvent(spPrint, QStringLiteral("Print"))) {
            auto* report = dynamic_cast<TRpReport*>(FPreviewReport);
            if (!PrintFromPagesFlag && report) {
                report->Print();
                if (!RpPreview->RpPrinter() && report->RpPrinter()) RpPreview->SetRpPrinter(report->RpPrinter());
            } else if (TRpPrinter* p = RpPrinter()) {
                p->Print();
            }
        }
    } catch (...) {
        ExitButton->SetEnabled(true);
        throw;
    }
    ExitButton->SetEnabled(true);
}

void TRpStandardPreview::PrintSetupClick(TObject*) {
    if (RaiseEvent(spPrintSetup, QStringLiteral("PrintSetup"))) return;
    TRpPrinter* p = RpPrinter();
    if (!p) return;
    ::Printer()->Refresh();
    TCustomRpReport* r = FPreviewReport;
    if (!r) return;
    r->PrinterSetup();
    if (r->Tag() == 1) return;
    p->SetPrinterIndex(r->ReportPrinterSettings()->PrinterIndex());
    TRpPrinterSettings* u = r->UserPrinterSettings();
    TRpPrinterSettings* s = r->ReportPrinterSettings();
    const int bin = u->CustomBinCode();
    bool knownBin = false;
    TRpBin tableBin = First;
    for (int b = int(First); b <= int(Last) && !knownBin; ++b)
        if (RpBinCode(TRpBin(b)) == bin) {
            tableBin = TRpBin(b);
            knownBin = true;
        }
    auto* composite = dynamic_cast<TRpCompositeReport*>(r->ParentComposite);
    if (!composite) {
        if (bin < 13) {
            p->SetOutputBin(TRpBin(std::max(0, bin)));
            p->SetUseCustomBinCode(false);
        } else {
            p->SetCustomBinCode(bin);
            p->SetUseCustomBinCode(true);
        }
    } else {
        // The bin through the bin table; a code the table does not know stays a custom code.
        if (knownBin) {
            p->SetOutputBin(tableBin);
            p->SetUseCustomBinCode(s->UseCustomBinCode());
        } else {
            p->SetUseCustomBinCode(true);
        }
        p->SetCustomBinCode(bin);
    }
    p->SetCollate(u->Collate());
    p->SetColorOption(u->ColorOption());
    p->SetPrintQuality(u->PrintQuality());
    p->SetCopies(u->Copies());
    p->SetDuplex(u->Duplex());
    p->SetFirstPage(s->FirstPage());
    p->SetLastPage(s->LastPage());
    p->SetExtendedDuplex(u->ExtendedDuplex());
    p->SetUseExtendedDuplex(u->ExtendedDuplex() > 1);
    u->SetUseExtendedDuplex(u->ExtendedDuplex() > 1);
    if (composite) {
        TRpPrinterSettings* c = composite->PrinterSettings();
        c->SetPrinterIndex(s->PrinterIndex());
        c->SetFirstPage(s->FirstPage());
        c->SetLastPage(s->LastPage());
        if (knownBin) c->SetOutputBin(tableBin);
        c->SetUseCustomBinCode(!knownBin || s->UseCustomBinCode());
        c->SetCollate(u->Collate());
        c->SetColorOption(u->ColorOption());
        c->SetPrintQuality(u->PrintQuality());
        c->SetCopies(u->Copies());
        c->SetDuplex(u->Duplex());
        c->SetCustomBinCode(bin);
    } else if (!PrintFromPagesFlag) {
        s->SetCopies(u->Copies());
        s->SetDuplex(u->Duplex());
        s->SetExtendedDuplex(u->ExtendedDuplex());
        s->SetUseExtendedDuplex(u->UseExtendedDuplex());
        s->SetOutputBin(p->OutputBin());
        s->SetUseCustomBinCode(p->UseCustomBinCode());
        s->SetCustomBinCode(p->CustomBinCode());
        s->SetCustomPaperCode(u->CustomPaperCode());
        s->SetPrintQuality(u->PrintQuality());
        s->SetCollate(u->Collate());
        s->SetColorOption(u->ColorOption());
        s->SetOrientation(u->Orientation());
    }
    if (r->PrintAfterSetup) PrintClick(this);
}

void TRpStandardPreview::LoadClick(TObject*) {
    if (RaiseEvent(spLoad, QStringLiteral("Load"))) return;
    TRpPrinter* p = RpPrinter();
    if (!p) return;
    TOwned<TOpenDialog> dlg = NewOwned<TOpenDialog>(nullptr);
    dlg->SetTitle(QStringLiteral("Load report"));
    dlg->SetFilter(QStringLiteral("Raport file (*.RPP)|*.RPP"));
    if (!dlg->Execute()) return;
    const String file = dlg->FileName();
    if (!FileExists(file)) {
        ShowMessage(QStringLiteral("File does not exist"));
        return;
    }
    p->Load(file);
    FPreviewTitle = file;
    RpPreview->PreviewImage()->SetPageNumber(1);
    RpPreview->SetPageNumber(1);
    FReportOrientation = p->Orientation();
    if (FPreviewReport) {
        FPreviewReport->Page()->SetPaperSize(p->PaperSize());
        FPreviewReport->Page()->SetOrientation(FReportOrientation);
    }
    RpPreview->ApplyZoomState();
    ResizeThumb();
    pageSelected = false;
    RpPreviewPageAvailable(RpPreview, 1);
    SelectPage(1);
    PrintFromPagesFlag = true;
    Print->SetEnabled(true);
    UpdateInfo();
}

bool TRpStandardPreview::IsFileInUse(const String& FileName) {
    if (!FileExists(FileName)) return false;
    try {
        TFileStream f(FileName, fmOpenReadWrite | fmShareExclusive);
    } catch (const Exception&) {
        return true;
    }
    return false;
}

void TRpStandardPreview::SaveClick(TObject*) {
    if (RaiseEvent(spSave, QStringLiteral("Save"))) return;
    TRpPrinter* p = RpPrinter();
    if (!p) return;
    TRpExportFilterLibrary* library = RpExportFilterLibrary();
    const String defaultExt = PrevSaveTypeExtension(FPreviewReport ? FPreviewReport->PreviewDefaultSaveType : stRpP);
    TOwned<TSaveDialog> dlg = NewOwned<TSaveDialog>(nullptr);
    dlg->SetTitle(QStringLiteral("Save report"));
    dlg->SetFilter(library->SaveDialogFilterString());
    dlg->SetFileName(QStringLiteral("*") + defaultExt);
    if (!dlg->Execute()) return;
    String file = dlg->FileName();
    if (IsFileInUse(file)) {
        ShowMessage(QStringLiteral("The file is read-only or in use - save abandoned."));
        return;
    }
    auto bare = [](String e) {
        e = e.trimmed();
        if (e.startsWith(u'.')) e = e.mid(1);
        return e.left(4).trimmed().toUpper();
    };
    String ext = ExtractFileExt(file).toUpper();
    if (ext.isEmpty()) {
        const int k = dlg->FilterIndex();
        if (k <= 1) ext = QStringLiteral("RPP");
        else if (k - 2 < library->Count()) ext = library->Filters(k - 2)->Extension;
        else ext = defaultExt;
        ext = bare(ext);
        file += QStringLiteral(".") + ext;
    }
    ext = bare(ext);
    if (ext == QStringLiteral("RPP")) {
        p->Save(file);
        return;
    }
    TRpExportFilterLibraryEntry* entry = library->GetFilterByExtension(ext);
    auto* composite = FPreviewReport ? dynamic_cast<TRpCompositeReport*>(FPreviewReport->ParentComposite) : nullptr;
    if (!entry || (!FPreviewReport && !composite)) {
        // Saving nothing without a word would leave the user believing the file was written.
        ShowMessage(QStringLiteral("There is no export filter for files of type %1 - save abandoned.").arg(ext));
        return;
    }
    if (ext == QStringLiteral("XLSX")) file = QStringLiteral("+++") + file;
    TOwned<TRpExportFilter> filter(entry->ExportFilterClass->Create(file));
    if (composite) composite->ExportToFilter(filter.get());
    else FPreviewReport->ExportToFilter(filter.get());
}

void TRpStandardPreview::CancelButtonClick(TObject*) {
    if (RaiseEvent(spCancel, QStringLiteral("Cancel"))) return;
    if (FPreviewReport) FPreviewReport->UserCancel = true;
    else if (TRpPrinter* p = RpPrinter()) p->Cancel();
}
