// The standard preview window: the pages of one report printer in a preview control, beside a side
// panel with page thumbnails and text-search results, with zoom, page navigation, go-to-page and
// the toolbar commands (find, copy, printer setup, print, load and save page files or exports
// through the registered filters, cancel a running generation).
//
// The report that owns the printer configures the window (initial zoom, size, visible buttons),
// directly or through its preview controller, and may veto each command through OnStandPrevEvent.
// The report, the title and the veto flag belong to each window, so several previews can be open.
//
// The window reads its printer through the preview control: a printer freed behind its back (the
// report lets go of it when the window sends the preview-closed notice) leaves the window without
// a document, never with a dangling one. Closing is refused while the document is generated.
#pragma once

#include "platform/gui/forms.h"
#include "platform/gui/gridtypes.h"
#include "report/rpprinter.h"

class TStatusBar;
class TToolBar;
class TToolButton;
class TSpeedButton;
class TPageControl;
class TTabSheet;
class TDrawGrid;
class TGroupBox;
class TLabel;
class TListBox;
class TPopupMenu;
class TMenuItem;
class TSplitter;
class TImageList;
class TRpPreview;
class TCustomRpReport;
class TRpLinkPage;
enum TStandPrevEventType : int;

// Opens the standard preview window for a printer (the application is the owner).
class TRpStandardPreviewInterface : public TRpPreviewInterface {
    SDELKA_CLASS(TRpStandardPreviewInterface, TRpPreviewInterface)
protected:
    explicit TRpStandardPreviewInterface(TComponent* AOwner) : TRpPreviewInterface(AOwner) {}
    ~TRpStandardPreviewInterface() override = default;

public:
    // Shows the window and returns it.
    TWinControl* Show(TRpPrinter* ARpPrinter) override;
    // Shows the window modally; it has freed itself when this returns (nullptr).
    TWinControl* ShowModal(TRpPrinter* ARpPrinter) override;
};

// Makes the standard preview window the one that report printers open (PreviewInterfaceClass).
// The application calls it once at start-up.
void RpInstallStandardPreview();

class TRpStandardPreview : public TForm {
    SDELKA_CLASS(TRpStandardPreview, TForm)
protected:
    explicit TRpStandardPreview(TComponent* AOwner) : TForm(AOwner) {}
    ~TRpStandardPreview() override = default;

public:
    // The window for the printer, configured by the printer's report.
    static TRpStandardPreview* CreatePreview(TComponent* AOwner, TRpPrinter* aRpPrinter);

    void AfterConstruction() override;
    void BeforeDestruction() override;
    // Shows the window, then updates the status panels.
    void Show();

    // The printer shown (nullptr once it has gone).
    TRpPrinter* RpPrinter() const;
    // The report whose document is shown (nullptr for a document without report).
    TCustomRpReport* PreviewReport() const { return FPreviewReport; }
    const String& PreviewTitle() const { return FPreviewTitle; }
    bool PreviewEventHandled() const { return FPreviewEventHandled; }

    void SetupFromController();
    void UpdateInfo();
    void SelectPage(int PageNumber);
    void ResizeThumb(TObject* Sender = nullptr);

    // ---- handlers of the controls
    void ZoomToFitClick(TObject* Sender);
    void ZoomTo100Click(TObject* Sender);
    void ZoomToWidthClick(TObject* Sender);
    void ZoomPickButtonClick(TObject* Sender);
    void N50Click(TObject* Sender);
    void FirstPageClick(TObject* Sender);
    void PrevPageClick(TObject* Sender);
    void NextPageClick(TObject* Sender);
    void LastPageClick(TObject* Sender);
    void GotoPageButtonClick(TObject* Sender);
    void ExitClick(TObject* Sender);
    void ThumbGridDrawCell(TObject* Sender, int ACol, int ARow, TRect Rect, TGridDrawState State);
    void ThumbGridSelectCell(TObject* Sender, int ACol, int ARow, bool& CanSelect);
    void RpPreviewPageAvailable(TObject* Sender, int PageNum);
    void RpPreviewProgressUpdate(TObject* Sender, int Progress);
    void RpPreviewMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled);
    void RpPreviewMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void RpPreviewMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void FormResize(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);

    // ---- the commands
    void FindButtonClick(TObject* Sender);
    void SearchResultBoxClick(TObject* Sender);
    // Runs the search dialog; false when it was cancelled.
    bool GetTextSearch(bool& MatchCase, String& Text);
    void copybuttonClick(TObject* Sender);
    void PrintClick(TObject* Sender);
    void PrintSetupClick(TObject* Sender);
    void LoadClick(TObject* Sender);
    void SaveClick(TObject* Sender);
    void CancelButtonClick(TObject* Sender);
    // The file exists and cannot be opened for exclusive reading and writing.
    static bool IsFileInUse(const String& FileName);

    // ---- the layout
    TStatusBar* StatusBar = nullptr;
    TToolBar* ToolBar1 = nullptr;
    TImageList* Images = nullptr;
    TToolButton* ZoomFit = nullptr;
    TToolButton* ZoomToWidth = nullptr;
    TToolButton* Zoom100 = nullptr;
    TToolButton* ZoomPickButton = nullptr;
    TToolButton* FirstPage = nullptr;
    TToolButton* PreviousPage = nullptr;
    TToolButton* nextPage = nullptr;
    TToolButton* LastPage = nullptr;
    TToolButton* GotoPageButton = nullptr;
    TToolButton* FindButton = nullptr;
    TToolButton* copybutton = nullptr;
    TToolButton* PrintSetup = nullptr;
    TToolButton* Print = nullptr;
    TToolButton* LoadReport = nullptr;
    TToolButton* SaveReport = nullptr;
    TToolButton* CancelButton = nullptr;
    TSpeedButton* ExitButton = nullptr;
    TPageControl* Tabs = nullptr;
    TTabSheet* TabThumbs = nullptr;
    TDrawGrid* ThumbGrid = nullptr;
    TTabSheet* TabSearchResult = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TLabel* SearchTextLabel = nullptr;
    TListBox* SearchResultBox = nullptr;
    TSplitter* Splitter1 = nullptr;
    TRpPreview* RpPreview = nullptr;
    TPopupMenu* Zoommenu = nullptr;

    bool ShowThumbs = true;
    bool ShowSearch = true;
    TRpZoomState InitZoom = rpZoomToFit;
    int ThumbFontHeight = 0, ThumbDrawHeight = 0, ThumbDrawWidth = 0, ThumbTopMargin = 0, ThumbLeftMargin = 0;

private:
    void BuildLayout();
    void Setup(TRpPrinter* aRpPrinter);
    // Raises the report's OnStandPrevEvent; true when a handler vetoed the command.
    bool RaiseEvent(TStandPrevEventType Type, const String& Name);
    // The link page of the shown page when the report keeps preview links and listens to the
    // mouse; (X, Y) in the page image becomes page coordinates at 96 pixels per inch.
    TRpLinkPage* MouseLinkPage(int X, int Y, double& PageX, double& PageY) const;
    bool DocumentFinished() const;
    bool DocumentBusy() const;
    void ShowZoomInStatus();
    TToolButton* NewButton(const char* Name, int Image, const String& Hint, void (TRpStandardPreview::*Click)(TObject*));
    void NewSeparator(const char* Name);

    TCustomRpReport* FPreviewReport = nullptr;
    String FPreviewTitle;
    bool FPreviewEventHandled = false;
    TPrinterOrientation FReportOrientation = poPortrait;
    int LastProgress = 0;
    bool pageSelected = false;
    double udpifact = 1;
    bool FSelectingThumb = false;
};
