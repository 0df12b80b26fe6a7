// The XML document viewer: the page image of an XML report document with zoom, page navigation,
// a thumbnail column, a text search with its result list, copying the page to the clipboard,
// printing, loading another document, and the report's viewer events for clicks and mouse
// movement over report controls.
//
// The document never names the window: it talks to a preview interface made through
// RpXMLPreviewInterfaceClass, which RpInstallXMLViewer points at the standard interface here. The
// form belongs to the application and releases itself when it is closed.
//
// Buttons start disabled: NewPage enables the navigation while a report arrives page by page,
// ReportCompleted the rest. The status bar's panels: 0 zoom or progress, 1 "Page: n of m",
// 2 the title, 3 the hint of the control under the mouse.
#pragma once

#include "platform/gui/forms.h"
#include "platform/gui/gridtypes.h"
#include "report/export/rpxdocument.h"

class TCheckBox;
class TDrawGrid;
class TEdit;
class TGroupBox;
class TImageList;
class TLabel;
class TListBox;
class TMenuItem;
class TPageControl;
class TPopupMenu;
class TProgressBar;
class TScrollBox;
class TSpeedButton;
class TSplitter;
class TStatusBar;
class TTabSheet;
class TToolBar;
class TToolButton;
class TRpXStandardViewer;

// Points RpXMLPreviewInterfaceClass at the standard viewer (RpRegisterExportFilters calls it).
void RpInstallXMLViewer();

class TRpXMLStandardPreviewInterface : public TRpXMLPreviewInterface {
    SDELKA_CLASS(TRpXMLStandardPreviewInterface, TRpXMLPreviewInterface)
protected:
    // Creates the viewer form, owned by the application.
    explicit TRpXMLStandardPreviewInterface(TComponent* AOwner);
    ~TRpXMLStandardPreviewInterface() override = default;

public:
    void Show() override;
    void ShowModal() override;
    TImage* GetImageControl() override;
    void SetDocument(TRpXDocument* aDoc) override;
    void newpage(int pnum) override;
    void ReportCompleted(int pnum) override;
    TRpXStandardViewer* Viewer() const { return FStandPrev; }

private:
    TRpXStandardViewer* FStandPrev = nullptr;
};

// The search dialog: a text and the match-case choice; cancel is set only by its Cancel button.
class TRpXSearchDlg : public TForm {
    SDELKA_CLASS(TRpXSearchDlg, TForm)
protected:
    explicit TRpXSearchDlg(TComponent* AOwner) : TForm(AOwner) {}
    ~TRpXSearchDlg() override = default;

public:
    void AfterConstruction() override;
    // The edit's text (GetText is the control's own caption reader).
    String GetSearchText() const;
    bool GetCase() const;
    void SpeedButton1Click(TObject* Sender);  // cancel
    void SpeedButton2Click(TObject* Sender);  // search

    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    bool cancel = false;
};

class TRpXStandardViewer : public TForm {
    SDELKA_CLASS(TRpXStandardViewer, TForm)
protected:
    explicit TRpXStandardViewer(TComponent* AOwner) : TForm(AOwner) {}
    ~TRpXStandardViewer() override = default;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    // The viewer with its progress gauge.
    static TRpXStandardViewer* CreatePreview(TComponent* AOwner);

    // ---- what the preview interface calls
    void Show();
    TImage* GetImage() const { return Image1; }
    void SetDocument(TRpXDocument* aDoc);
    void NewPage(int pnum);
    void ReportCompleted(int pnum);
    TRpXDocument* Document() const { return FRpXDocument; }

    void UpdateInfo();
    void CenterImage();
    void SelectPage(int aPageNumber);
    void ResizeThumb(TObject* Sender = nullptr);
    bool GetTextSearch(bool& MatchCase, String& AText);
    void RpPreviewProgressUpdate(int Progress);

    // ---- handlers
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormResize(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormActivate(TObject* Sender);
    void ZoomToFitClick(TObject* Sender);
    void ZoomToWidthClick(TObject* Sender);
    void ZoomTo100Click(TObject* Sender);
    void ZoomPickButtonClick(TObject* Sender);
    void N50Click(TObject* Sender);
    void FirstPageClick(TObject* Sender);
    void PrevPageClick(TObject* Sender);
    void NextPageClick(TObject* Sender);
    void LastPageClick(TObject* Sender);
    void GotoPageButtonClick(TObject* Sender);
    void FindButtonClick(TObject* Sender);
    void PrintSetupClick(TObject* Sender);
    void PrintClick(TObject* Sender);
    // The report's printer settings into the printer's device mode (raising the report's
    // OnApplyPrinterSettings with the viewer as sender); nothing without printers.
    void ApplyPrinterSettings();
    void SaveClick(TObject* Sender);
    void LoadClick(TObject* Sender);
    void copybuttonClick(TObject* Sender);
    void cancelbuttonClick(TObject* Sender);
    void ExitClick(TObject* Sender);
    void ThumbGridDrawCell(TObject* Sender, int ACol, int ARow, TRect ARect, TGridDrawState State);
    void ThumbGridSelectCell(TObject* Sender, int ACol, int ARow, bool& CanSelect);
    void SearchResultBoxClick(TObject* Sender);
    void Image1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Image1MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

    // ---- the layout
    TToolBar* ToolBar1 = nullptr;
    TImageList* Images = nullptr;
    TToolButton *ZoomFit = nullptr, *ZoomToWidth = nullptr, *Zoom100 = nullptr;
    TSpeedButton* ZoomPickButton = nullptr;
    TToolButton *FirstPage = nullptr, *PreviousPage = nullptr, *nextpage = nullptr, *LastPage = nullptr;
    TToolButton *GotoPageButton = nullptr, *FindButton = nullptr;
    TToolButton *PrintSetup = nullptr, *Print = nullptr, *SaveReport = nullptr, *LoadReport = nullptr;
    TToolButton *copybutton = nullptr, *cancelbutton = nullptr;
    TSpeedButton* ExitButton = nullptr;
    TPageControl* Tabs = nullptr;
    TTabSheet* TabThumbs = nullptr;
    TDrawGrid* ThumbGrid = nullptr;
    TTabSheet* TabSearchResult = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TLabel* SearchTextLabel = nullptr;
    TListBox* SearchResultBox = nullptr;
    TSplitter* Splitter2 = nullptr;
    TScrollBox* ScrollBox1 = nullptr;
    TImage* Image1 = nullptr;
    TSplitter* Splitter1 = nullptr;
    TStatusBar* StatusBar = nullptr;
    TPopupMenu* Zoommenu = nullptr;
    TProgressBar* Gauge = nullptr;

    int PageNumber = 1;
    bool UseRpPrinterSetup = false;
    bool ShowThumbs = false;
    bool ShowSearch = false;
    int ThumbFontHeight = 0, ThumbDrawHeight = 0, ThumbDrawWidth = 0, ThumbTopMargin = 0, ThumbLeftMargin = 0;
    TRpZoomState ZoomState() const { return FZoomState; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void BuildLayout();
    void ApplyPreviewController();
    void SetNavigation(bool Enabled);
    TToolButton* NewButton(const char* Name, int Image, const String& Hint, void (TRpXStandardViewer::*Click)(TObject*));

    TRpXDocument* FRpXDocument = nullptr;
    TRpZoomState FZoomState = rpZoomToFit;
    TPrinterOrientation FReportOrientation = poPortrait;
    int LastProgress = 0;
    String FTitle;
    bool doneActivate = false;
    int FInitTop = 0, FInitLeft = 0;
    bool reportFinished = false;
    bool FSelecting = false;  // keeps ThumbGridSelectCell from acting while SelectPage sets the row
};
