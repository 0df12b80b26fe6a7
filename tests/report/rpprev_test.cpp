// The preview control, the dialogs and the standard preview window, driven offscreen through their
// controls: paging, zoom, search, page files, printing to the PDF file printer, closing through the
// report, and a background run shown while it grows.
#include "platform/testing/fakeprinter.h"
#include "platform/testing/scriptedresponder.h"
#include "report/rpprev.h"

#include "../support/input.h"
#include "../support/tools.h"
#include "platform/gui/buttons.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/grids.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/fileutils.h"
#include "report/rpexportfilter.h"
#include "report/rpcomposite.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rppageinfo.h"
#include "report/rppages.h"
#include "report/rppreview.h"
#include "report/rpprgres.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "report/rpprnsu.h"
#include "report/rpreport.h"
#include "report/rpsearchdlg.h"
#include "rpprinter_support.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <atomic>

namespace {

using namespace Qt::StringLiterals;
using namespace sdelka::test;

void Pump(int Ms = 0) {
    QElapsedTimer t;
    t.start();
    do {
        Application->ProcessMessages();
        DispatchPostedMessages();
        if (Ms > 0) QThread::msleep(2);
    } while (t.elapsed() < Ms);
}

// Waits (handling messages) until Done answers true; false after Ms.
template <class F>
bool PumpUntil(F Done, int Ms = 20000) {
    QElapsedTimer t;
    t.start();
    while (!Done()) {
        if (t.elapsed() > Ms) return false;
        Application->ProcessMessages();
        DispatchPostedMessages();
        QThread::msleep(1);
    }
    return true;
}

// A report of one page per record on A5 paper: a heading, the page number and, on page 3, a
// foreman's line; OnNeedData gives Records records.
struct PreviewFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    int Records = 5;
    int Given = 0;
    std::function<void()> OnRecord;

    PreviewFixture() {
        Report = NewReportOnA5(Root.get());
        Report->SetReportTitle(u"Выработка"_s);
        TRpBand* Detail = Report->CreateBand(rbDetail);
        Detail->SetNativeHeight(1800);
        auto* L = New<TRpLabel>(Root.get());
        L->SetParent(Detail);
        Place(L, 100, 100);
        L->SetCaption(u"Выработка за смену"_s);
        auto* E = New<TRpExpr>(Root.get());
        E->SetParent(Detail);
        Place(E, 100, 300);
        E->SetExpression(u"'Страница '+STR(PAGENUMBER)"_s);
        auto* B = New<TRpExpr>(Root.get());
        B->SetParent(Detail);
        Place(B, 100, 500);
        B->SetExpression(u"IF(PAGENUMBER=3,'Бригадир участка','Рабочий')"_s);
        Report->BeforePrint = [this](TObject*, bool&) { Given = 0; };  // every run from the first record
        Report->OnNeedData = [this](TObject*, bool& More) {
            More = Given < Records;
            if (More) ++Given;
            if (OnRecord) OnRecord();
        };
    }
    static void Place(TRpPrintable* P, int Left, int Top) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(Left);
        P->Size()->SetTop(Top);
        P->Size()->SetWidth(1000);
        P->Size()->SetHeight(100);
    }
};

QByteArray PageBytes(TRpPrinter* P, int Page) {
    TOwned<TMetafile> m(P->GetPage(Page));
    return m ? m->Data() : QByteArray();
}

QImage Grab(TWinControl* W) { return W->Handle()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// Clicks a tool button where the user sees it.
void ClickTool(TToolButton* B) {
    TWinControl* bar = B->Parent();
    Click(bar->Handle(), QPointF(B->Left() + B->Width() / 2.0, B->Top() + B->Height() / 2.0));
}

String TempFile(const String& Name) {
    return QDir::temp().filePath(u"rpprev_%1_%2"_s.arg(QCoreApplication::applicationPid()).arg(Name));
}

// The standard preview installed for one test; the application-wide printer made again after it.
class RpPreviewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        Saved = PreviewInterfaceClass;
        RpInstallStandardPreview();
        PrintFromPagesFlag = false;
    }
    void TearDown() override {
        PreviewInterfaceClass = Saved;
        PrintFromPagesFlag = false;
        for (const String& f : Files) QFile::remove(f);
        SetPrinter(nullptr);
        Pump();
    }
    String NewFile(const String& Name) {
        Files << TempFile(Name);
        QFile::remove(Files.last());
        return Files.last();
    }
    TComponentClass Saved = nullptr;
    QStringList Files;
};

}  // namespace

// ---- the preview control -----------------------------------------------------------------------

TEST(RpPreviewControl, ZoomLimitsAndPaperSize) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> P = NewOwned<TRpPrinter>();
    P->SetPaperSize(A4);
    P->SetOrientation(poPortrait);
    TRpPreview* V = New<TRpPreview>(nullptr);
    V->SetRpPrinter(P.get());
    V->SetZoom(100);
    const Extended f = P->XFactor();
    EXPECT_EQ(V->PreviewImage()->Width(), static_cast<int>(std::lround(2100 * double(f))) + 4);
    EXPECT_EQ(V->PreviewImage()->Height(), static_cast<int>(std::lround(2970 * double(f))) + 4);
    for (int z : {1, 2001}) {
        V->SetZoom(z);
        EXPECT_EQ(V->Zoom(), 100) << z;
    }
    V->SetZoom(2);
    EXPECT_EQ(V->Zoom(), 2);
    EXPECT_EQ(V->ZoomState(), rpZoomOther);
    // Fitting follows the size; another zoom stays.
    V->SetBounds(0, 0, 300, 300);
    V->ZoomToFit();
    const int small = V->Zoom();
    V->SetBounds(0, 0, 600, 600);
    EXPECT_GT(V->Zoom(), small);
    EXPECT_EQ(V->ZoomState(), rpZoomToFit);
    V->SetZoom(70);
    V->SetBounds(0, 0, 900, 900);
    EXPECT_EQ(V->Zoom(), 70);
    V->Free();
    EXPECT_FALSE(P->ShowingPreview());
}

TEST(RpPreviewControl, PagesArriveThroughMessages) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> P = NewOwned<TRpPrinter>();
    TRpPreview* V = New<TRpPreview>(nullptr);
    std::vector<int> announced;
    V->OnPageAvailable = [&](TObject*, int N) { announced.push_back(N); };
    P->BeginDoc();
    V->SetRpPrinter(P.get());
    EXPECT_TRUE(P->ShowingPreview());
    EXPECT_EQ(P->Client(), V);
    EXPECT_FALSE(V->PreviewImage()->ImageOK());  // page 1 not stored yet
    P->NewPage();
    P->Canvas()->Rectangle(10, 10, 50, 50);
    P->NewPage();  // page 1 stored: announced with 1
    P->NewPage();
    P->NewPage();  // 3 announced while page 1 is shown
    DispatchPostedMessages();
    EXPECT_EQ(announced, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(V->PreviewImage()->ImageOK());
    EXPECT_EQ(V->PageNumber(), 1);
    V->SetPageNumber(5);  // beyond the pages begun: ignored
    EXPECT_EQ(V->PageNumber(), 1);
    // A printer freed while shown lets go of the control.
    P.reset();
    EXPECT_EQ(V->RpPrinter(), nullptr);
    EXPECT_FALSE(V->PreviewImage()->ImageOK());
    V->Free();
}

TEST(RpPreviewControl, PaintPageDrawsSheetBorderAndShadow) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> P = NewOwned<TRpPrinter>();
    P->SetPaperSize(A5);
    P->BeginDoc();
    P->NewPage();
    P->Canvas()->Brush()->SetColor(clRed);
    P->Canvas()->FillRect(TRect(0, 0, 2000, 2000));  // the whole page red
    P->EndDoc();
    TOwned<TMetafile> page(P->GetPage(1));
    TBitmap bmp;
    bmp.SetSize(100, 140);
    bmp.Canvas()->Brush()->SetColor(clBlue);
    bmp.Canvas()->FillRect(TRect(0, 0, 100, 140));
    ClipPagePainting = true;
    PaintPage(page.get(), bmp.Canvas(), TRect(0, 0, 100, 140), false);
    ClipPagePainting = false;
    const QImage img = bmp.ToImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(img.pixelColor(0, 50), QColor(Qt::black));    // border, left
    EXPECT_EQ(img.pixelColor(97, 50), QColor(Qt::black));   // border, right
    EXPECT_EQ(img.pixelColor(99, 50), QColor(Qt::black));   // shadow
    EXPECT_EQ(img.pixelColor(50, 139), QColor(Qt::black));  // shadow below
    EXPECT_EQ(img.pixelColor(50, 50), QColor(Qt::red));     // the page, clipped to the sheet
    EXPECT_EQ(img.pixelColor(99, 0), QColor(Qt::blue));     // the shadow starts 2 pixels down
}

// ---- the dialogs -------------------------------------------------------------------------------

TEST(RpDialogs, SearchDialogCountsOnlyTheSearchButton) {
    TScriptedResponder R;
    TResponderScope scope(&R);
    TOwned<TSearchDlg> D = NewOwned<TSearchDlg>(nullptr);
    EXPECT_EQ(D->Caption(), u"Search for Text"_s);
    EXPECT_TRUE(D->cancel);  // closed any other way: cancelled
    R.AnswerModal([](TCustomForm* F) {
        auto* S = static_cast<TSearchDlg*>(F);
        S->Edit1->SetText(u"смена"_s);
        S->CheckBox1->SetChecked(true);
        Click(S->Handle(), QPointF(S->SpeedButton2->Left() + 5, S->SpeedButton2->Top() + 5));
    });
    D->ShowModal();
    EXPECT_FALSE(D->cancel);
    EXPECT_EQ(D->GetSearchText(), u"смена"_s);
    EXPECT_TRUE(D->GetCase());
}

TEST(RpDialogs, ProgressShowsEveryFifthPercent) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> P = NewOwned<TRpPrinter>();
    TRpProgressForm* F = New<TRpProgressForm>(nullptr);
    F->FRpPrinter = P.get();
    P->SetClient(F);
    P->SetProgress(42);
    DispatchPostedMessages();
    EXPECT_EQ(F->Gauge->Position(), 0);
    P->SetProgress(45);
    DispatchPostedMessages();
    EXPECT_EQ(F->Gauge->Position(), 45);
    EXPECT_EQ(F->Info->Caption(), u"45%  Completed"_s);
    P->SetClient(nullptr);
    F->Free();
}

TEST(RpDialogs, PrintDialogKeepsThePrintersCopiesForOne) {
    TFakePrinterScope fake({TFakePrinterBackend::Device(u"Fake A"_s), TFakePrinterBackend::Device(u"Fake B"_s)});
    TScriptedResponder R;
    TResponderScope scope(&R);
    TOwned<TRpPrintDialog> D = NewOwned<TRpPrintDialog>(nullptr);
    D->SetCopies(3);
    R.AnswerDialog([](TCommonDialog* Dlg) {
        auto* pd = static_cast<TPrintDialog*>(Dlg);
        EXPECT_EQ(pd->Copies(), 3);
        pd->SetCopies(1);
        pd->SetPrintRange(prPageNums);
        pd->SetFromPage(2);
        pd->SetToPage(4);
        return true;
    });
    ASSERT_TRUE(D->Execute());
    EXPECT_EQ(D->Copies(), 3);  // one copy reported: the printer's own count stands
    EXPECT_EQ(D->PrintRange, prPageNums);
    EXPECT_EQ(D->FromPage, 2);
    EXPECT_EQ(D->ToPage, 4);
    R.AnswerDialog([](TCommonDialog*) { return false; });
    D->FromPage = 7;
    EXPECT_FALSE(D->Execute());
    EXPECT_EQ(D->FromPage, 7);
}

// ---- the standard window -----------------------------------------------------------------------

TEST_F(RpPreviewWindow, PagesZoomSearchFilesPrintAndClose) {
    SetPrinter(nullptr);  // the standard backend and its "PDF file" printer
    TScriptedResponder R;
    TResponderScope scope(&R);
    PreviewFixture F;
    F.Report->Prepare();
    TRpPrinter* P = F.Report->RpPrinter();
    ASSERT_EQ(P->PageCount(), 5);
    TRpStandardPreview* W = nullptr;
    {
        TOwned<TObject> pi(PreviewInterfaceClass->CreateObject(nullptr));
        W = static_cast<TRpStandardPreview*>(static_cast<TRpPreviewInterface*>(pi.get())->Show(P));
    }
    ASSERT_NE(W, nullptr);
    EXPECT_EQ(P->PreviewControl(), W);
    EXPECT_EQ(W->Caption(), u"Report Preview : Выработка"_s);
    EXPECT_EQ(W->PreviewReport(), F.Report);
    W->SetBounds(0, 0, 951, 700);
    Pump();
    EXPECT_EQ(W->StatusBar->Panels()->Items(1)->Text(), u"Page 1 of 5"_s);
    EXPECT_TRUE(W->ZoomFit->Down());
    EXPECT_TRUE(W->Print->Enabled());
    EXPECT_FALSE(W->CancelButton->Enabled());

    // Paging by buttons and keys.
    ClickTool(W->nextPage);
    EXPECT_EQ(W->RpPreview->PageNumber(), 2);
    ClickTool(W->LastPage);
    EXPECT_EQ(W->RpPreview->PageNumber(), 5);
    ClickTool(W->PreviousPage);
    EXPECT_EQ(W->RpPreview->PageNumber(), 4);
    SendKey(W->Handle(), Qt::Key_Home);
    EXPECT_EQ(W->RpPreview->PageNumber(), 1);
    SendKey(W->Handle(), Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(W->RpPreview->PageNumber(), 2);
    SendKey(W->Handle(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(W->RpPreview->PageNumber(), 5);
    EXPECT_EQ(W->StatusBar->Panels()->Items(1)->Text(), u"Page 5 of 5"_s);
    R.AnswerInput(true, u"3"_s);
    ClickTool(W->GotoPageButton);
    EXPECT_EQ(R.LastCall().Caption, u"Select a page from 1 to 5"_s);
    EXPECT_EQ(W->RpPreview->PageNumber(), 3);
    EXPECT_EQ(W->ThumbGrid->Row(), 2);
    R.AnswerInput(true, u"77"_s);
    ClickTool(W->GotoPageButton);
    EXPECT_EQ(W->RpPreview->PageNumber(), 1);

    // Zoom: 100% and to the width, each grabbed and looked at.
    ClickTool(W->Zoom100);
    Pump();
    EXPECT_EQ(W->RpPreview->Zoom(), 100);
    EXPECT_EQ(W->StatusBar->Panels()->Items(2)->Text(), u"Zoom 100%"_s);
    TRpPreviewImage* I = W->RpPreview->PreviewImage();
    EXPECT_EQ(I->Width(), P->XSize(1480) + 4);
    const QImage at100 = Grab(W);
    at100.save(u"/tmp/pv/preview100.png"_s);
    {
        // The sheet's border and the page's first line of text, where the page puts them.
        const QPoint o = I->Parent()->Handle()->mapTo(W->Handle(), QPoint(I->Left(), I->Top()));
        EXPECT_EQ(at100.pixelColor(o + QPoint(0, 40)), QColor(Qt::black));
        EXPECT_EQ(at100.pixelColor(o + QPoint(I->Width() - 3, 40)), QColor(Qt::black));
        EXPECT_EQ(at100.pixelColor(o + QPoint(20, 20)), QColor(Qt::white));
        int ink = 0;
        for (int y = P->YSize(200); y < P->YSize(300); ++y)
            for (int x = P->XSize(200); x < P->XSize(700); ++x) ink += qGray(at100.pixel(o + QPoint(x, y))) < 128;
        EXPECT_GT(ink, 50);
    }
    ClickTool(W->ZoomToWidth);
    Pump();
    EXPECT_TRUE(W->ZoomToWidth->Down());
    const int widthZoom = W->RpPreview->Zoom();
    EXPECT_NEAR(I->Width(), W->RpPreview->Width() * 90 / 100, 6);
    Grab(W).save(u"/tmp/pv/previewwidth.png"_s);
    W->SetBounds(0, 0, 1100, 700);  // the width follows a resized window
    Pump();
    EXPECT_GT(W->RpPreview->Zoom(), widthZoom);

    // Search for a Cyrillic word in another case: the entry shows its page.
    R.AnswerModal([](TCustomForm* D) {
        auto* S = static_cast<TSearchDlg*>(D);
        S->Edit1->SetText(u"бригадир"_s);
        Click(S->Handle(), QPointF(S->SpeedButton2->Left() + 5, S->SpeedButton2->Top() + 5));
    });
    ClickTool(W->FindButton);
    EXPECT_EQ(W->Tabs->ActivePage(), W->TabSearchResult);
    ASSERT_EQ(W->SearchResultBox->Items()->Count(), 1);
    EXPECT_EQ(W->SearchResultBox->Items()->Strings(0), u"Page 3"_s);
    EXPECT_TRUE(W->SearchResultBox->Enabled());
    W->SearchResultBox->SetItemIndex(0);
    W->SearchResultBox->OnClick(W->SearchResultBox);
    EXPECT_EQ(W->RpPreview->PageNumber(), 3);
    // Match case finds nothing: one disabled entry. A dialog closed otherwise changes nothing.
    R.AnswerModal([](TCustomForm* D) {
        auto* S = static_cast<TSearchDlg*>(D);
        S->Edit1->SetText(u"бригадир"_s);
        S->CheckBox1->SetChecked(true);
        Click(S->Handle(), QPointF(S->SpeedButton2->Left() + 5, S->SpeedButton2->Top() + 5));
    });
    ClickTool(W->FindButton);
    EXPECT_EQ(W->SearchResultBox->Items()->Strings(0), u"No matching text"_s);
    EXPECT_FALSE(W->SearchResultBox->Enabled());
    R.AnswerModal([](TCustomForm* D) { static_cast<TSearchDlg*>(D)->Edit1->SetText(u"Рабочий"_s); });
    ClickTool(W->FindButton);
    EXPECT_EQ(W->SearchResultBox->Items()->Strings(0), u"No matching text"_s);

    // Save as a page file, without extension: .RPP is added. An unknown extension is refused aloud.
    const String bare = NewFile(u"pages"_s);
    Files << bare + u".RPP"_s;
    R.AnswerDialog([&](TCommonDialog* D) {
        auto* S = static_cast<TSaveDialog*>(D);
        EXPECT_EQ(S->Title(), u"Save report"_s);
        EXPECT_EQ(S->FileName(), u"*.PDF"_s);
        EXPECT_TRUE(S->Filter().startsWith(u"Raport file"_s));
        S->SetFileName(bare);
        S->SetFilterIndex(1);
        return true;
    });
    ClickTool(W->SaveReport);
    ASSERT_TRUE(FileExists(bare + u".RPP"_s));
    const String odd = NewFile(u"pages.abc"_s);
    R.AnswerDialog([&](TCommonDialog* D) {
        static_cast<TSaveDialog*>(D)->SetFileName(odd);
        return true;
    });
    const int messages = R.MessageCount();
    ClickTool(W->SaveReport);
    EXPECT_EQ(R.MessageCount(), messages + 1);
    EXPECT_TRUE(R.LastCall().Text.contains(u"ABC"_s));
    EXPECT_FALSE(FileExists(odd));

    // The page file loaded into a new preview holds the same pages.
    {
        TOwned<TRpPrinter> Loaded = NewOwned<TRpPrinter>();
        Loaded->Load(bare + u".RPP"_s);
        TRpStandardPreview* W2 = TRpStandardPreview::CreatePreview(nullptr, Loaded.get());
        W2->Show();
        Pump();
        ASSERT_EQ(W2->RpPrinter()->PageCount(), 5);
        for (int i = 1; i <= 5; ++i) EXPECT_EQ(PageBytes(Loaded.get(), i), PageBytes(P, i)) << i;
        EXPECT_EQ(W2->PreviewReport(), nullptr);
        EXPECT_EQ(W2->StatusBar->Panels()->Items(1)->Text(), u"Page 1 of 5"_s);
        W2->Free();
        EXPECT_FALSE(Loaded->ShowingPreview());
        PrintFromPagesFlag = false;
    }

    // Print pages 2 and 3 to the PDF file printer: the report runs again for the printer.
    const int pdf = Printer()->Printers()->IndexOf(PdfFilePrinterName());
    ASSERT_GE(pdf, 0);
    F.Report->ReportPrinterSettings()->SetPrinterIndex(pdf);
    F.Report->ReportPrinterSettings()->SetFirstPage(2);
    F.Report->ReportPrinterSettings()->SetLastPage(3);
    const String out = NewFile(u"print.pdf"_s);
    R.AnswerPrintFile(true, out);
    const int callsBefore = R.CallCount();
    int printEvents = 0;
    F.Report->OnStandPrevEvent = [&](TObject*, TStandPrevEventType T, const String&, bool&) { printEvents += T == spPrint; };
    ClickTool(W->Print);
    EXPECT_EQ(printEvents, 1);
    EXPECT_EQ(R.CallCount(), callsBefore + 1);  // only where the PDF goes
    ASSERT_TRUE(FileExists(out));
    EXPECT_TRUE(ToolText(u"pdfinfo"_s, {out}, 30000).contains(QRegularExpression(u"Pages:\\s+2\\b"_s)));
    const String text = ToolText(u"pdftotext"_s, {out, u"-"_s}, 30000);
    EXPECT_TRUE(text.contains(u"Страница 2"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Бригадир участка"_s));
    EXPECT_FALSE(text.contains(u"Страница 1"_s));
    EXPECT_TRUE(W->ExitButton->Enabled());
    EXPECT_EQ(W->RpPrinter(), P);  // the preview still shows its document

    // Closing tells the report (+4), which lets go of the document.
    bool closedEvent = false;
    F.Report->OnStandPrevEvent = [&](TObject* S, TStandPrevEventType T, const String&, bool&) {
        EXPECT_EQ(S, W);
        closedEvent |= T == spClose;
    };
    Click(W->ExitButton->Parent()->Handle(), QPointF(W->ExitButton->Left() + 10, W->ExitButton->Top() + 10));
    Pump();
    EXPECT_TRUE(closedEvent);
    EXPECT_EQ(F.Report->RpPrinter(), nullptr);
}

// With preview links kept, the mouse over the page tells the report which printed control it is
// over, off, or clicked; without them the report hears nothing.
TEST_F(RpPreviewWindow, TheMouseOverThePageReachesTheReportsLinkHandler) {
    TFakePrinterScope fake;
    TScriptedResponder R;
    TResponderScope scope(&R);
    PreviewFixture F;
    auto* Linked = New<TRpLabel>(F.Root.get());
    Linked->SetName(u"Shift1"_s);
    Linked->SetParent(static_cast<TRpCustomBand*>(F.Report->BandList()->Items(0)));
    PreviewFixture::Place(Linked, 100, 700);
    Linked->SetCaption(u"Смена"_s);
    Linked->SetActiveInPreview(true);
    F.Report->SetUsePreviewLinks(true);
    F.Report->Prepare();
    TRpPrinter* P = F.Report->RpPrinter();
    TRpLinkPage* Links = F.Report->PageLinkInfoList()->getPageRec(1);
    ASSERT_NE(Links, nullptr);
    ASSERT_GE(Links->Count(), 1);
    TPageItemRec* Item = Links->getItemRec(0);
    EXPECT_EQ(Item->controlname, u"Shift1"_s);

    struct THeard {
        TStandPrevMouseEventType Type;
        TPageItemRec* Item;
    };
    std::vector<THeard> Heard;
    F.Report->onStandPrevMouseEvent = [&](TObject*, TStandPrevMouseEventType T, TPageItemRec* I) { Heard.push_back({T, I}); };
    TRpStandardPreview* W = TRpStandardPreview::CreatePreview(nullptr, P);
    W->Show();
    Pump();
    W->RpPreview->SetZoom(150);
    Pump();
    const double Scale = W->RpPreview->Zoom() / 100.0 * double(P->CurrentScreenDPI());
    TRpPreviewImage* Image = W->RpPreview->PreviewImage();
    auto Send = [&](QEvent::Type Type, double PageX, double PageY) {
        const QPointF At(Image->Left() + PageX * Scale, Image->Top() + PageY * Scale);
        SendMouse(Image->Parent()->Handle(), Type, At);
    };
    const double MidX = Item->left + Item->width / 2, MidY = Item->top + Item->height / 2;
    Send(QEvent::MouseMove, MidX, MidY);
    Send(QEvent::MouseMove, Item->left + Item->width + 40, MidY);
    Send(QEvent::MouseButtonPress, MidX, MidY);
    Send(QEvent::MouseButtonRelease, MidX, MidY);
    ASSERT_EQ(Heard.size(), 3u);
    EXPECT_EQ(Heard[0].Type, meMouseOver);
    EXPECT_EQ(Heard[0].Item, Item);
    EXPECT_EQ(Heard[1].Type, meMouseOut);
    EXPECT_EQ(Heard[1].Item, nullptr);
    EXPECT_EQ(Heard[2].Type, meMouseClick);
    EXPECT_EQ(Heard[2].Item, Item);
    // a click beside every control, and any mouse without preview links, say nothing
    Heard.clear();
    Send(QEvent::MouseButtonPress, Item->left + Item->width + 40, MidY);
    Send(QEvent::MouseButtonRelease, Item->left + Item->width + 40, MidY);
    F.Report->SetUsePreviewLinks(false);
    Send(QEvent::MouseMove, MidX, MidY);
    Send(QEvent::MouseButtonPress, MidX, MidY);
    Send(QEvent::MouseButtonRelease, MidX, MidY);
    EXPECT_TRUE(Heard.empty());
    W->Close();
    Pump();
}

TEST_F(RpPreviewWindow, VetoesProgressAndWindowsOfTheirOwn) {
    TFakePrinterScope fake;
    TScriptedResponder R;
    TResponderScope scope(&R);
    PreviewFixture A, B;
    A.Report->SetReportTitle(u"Первый"_s);
    B.Report->SetReportTitle(u"Второй"_s);
    A.Report->Prepare();
    B.Report->Prepare();
    TRpStandardPreview* WA = TRpStandardPreview::CreatePreview(nullptr, A.Report->RpPrinter());
    TRpStandardPreview* WB = TRpStandardPreview::CreatePreview(nullptr, B.Report->RpPrinter());
    WA->Show();
    WB->Show();
    // Two previews keep their own report and title.
    EXPECT_EQ(WA->PreviewReport(), A.Report);
    EXPECT_EQ(WB->PreviewReport(), B.Report);
    EXPECT_EQ(WA->StatusBar->Panels()->Items(3)->Text(), u"Первый"_s);
    EXPECT_EQ(WB->StatusBar->Panels()->Items(3)->Text(), u"Второй"_s);

    // A vetoed save asks nothing; the veto stays with its window.
    A.Report->OnStandPrevEvent = [](TObject*, TStandPrevEventType T, const String& Name, bool& Handled) {
        Handled = T == spSave && Name == u"Save"_s;
    };
    ClickTool(WA->SaveReport);
    EXPECT_EQ(R.CallCount(), 0);
    EXPECT_TRUE(WA->PreviewEventHandled());
    EXPECT_FALSE(WB->PreviewEventHandled());

    // Progress shows in steps of at least five.
    for (int p : {3, 7, 10}) WA->RpPreviewProgressUpdate(WA->RpPreview, p);
    EXPECT_EQ(WA->StatusBar->Panels()->Items(0)->Text(), u"7%"_s);

    // Loading a file that is not there says so.
    R.AnswerDialog([](TCommonDialog* D) {
        static_cast<TOpenDialog*>(D)->SetFileName(u"/nonexistent/pages.rpp"_s);
        return true;
    });
    ClickTool(WB->LoadReport);
    EXPECT_EQ(R.LastCall().Text, u"File does not exist"_s);
    WA->Close();
    WB->Close();
    Pump();
    EXPECT_EQ(A.Report->RpPrinter(), nullptr);
    EXPECT_EQ(B.Report->RpPrinter(), nullptr);
}

TEST_F(RpPreviewWindow, PreviewOfTheReportWaitsForTheWindow) {
    TFakePrinterScope fake;
    PreviewFixture F;
    int shown = 0, closed = 0;
    F.Report->OnPreviewShowing = [&](TObject*) { ++shown; };
    F.Report->AfterPreview = [&](TObject*) { ++closed; };
    // Once the window shows the finished document, the user presses Escape.
    QTimer timer;
    int pages = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        TRpPrinter* P = F.Report->RpPrinter();
        auto* W = P ? dynamic_cast<TRpStandardPreview*>(P->PreviewControl()) : nullptr;
        if (!W || P->Status() != mpFinished || !P->ReportLoaded()) return;
        timer.stop();
        pages = W->RpPrinter()->PageCount();
        SendKey(W->Handle(), Qt::Key_Escape);
    });
    timer.start(5);
    F.Report->Preview();  // returns once the window has closed
    EXPECT_EQ(pages, 5);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(F.Report->RpPrinter(), nullptr);
    Pump();
}

TEST_F(RpPreviewWindow, BackgroundRunShowsPagesAsTheyComeAndCancels) {
    TFakePrinterScope fake;
    PreviewFixture F;
    F.Records = 200;
    std::atomic<bool> firstSeen{false};
    std::atomic<int> records{0};
    // The run waits after a few pages until the test has seen page 1 (or gives up).
    F.OnRecord = [&] {
        if (++records == 5) {
            QElapsedTimer t;
            t.start();
            while (!firstSeen && t.elapsed() < 20000) QThread::msleep(1);
        }
    };
    F.Report->CreateInBGThread = true;
    F.Report->Preview();  // opens the window and returns while the run goes on
    TRpPrinter* P = F.Report->RpPrinter();
    ASSERT_NE(P, nullptr);
    auto* W = dynamic_cast<TRpStandardPreview*>(P->PreviewControl());
    ASSERT_NE(W, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return W->RpPreview->PreviewImage()->ImageOK(); }));
    EXPECT_EQ(P->Status(), mpBusy);
    EXPECT_TRUE(W->CancelButton->Enabled());
    EXPECT_FALSE(W->Print->Enabled());
    Grab(W).save(u"/tmp/pv/background.png"_s);
    // The last page while the run waits is the last one finished, not the one being drawn.
    ASSERT_TRUE(PumpUntil([&] { return W->LastPage->Enabled() && P->AvailablePages() >= P->PageCount() - 1; }));
    ClickTool(W->LastPage);
    EXPECT_EQ(W->RpPreview->PageNumber(), P->PageCount() - 1);
    EXPECT_GT(W->RpPreview->PageNumber(), 1);
    // Closing is refused while the run goes on; the window stays responsive.
    TScriptedResponder R;
    {
        TResponderScope scope(&R);
        W->Close();
        EXPECT_EQ(R.LastCall().Text, u"The report is still executing"_s);
    }
    ClickTool(W->CancelButton);
    firstSeen = true;
    ASSERT_TRUE(PumpUntil([&] { return F.Report->Available() && P->Status() == mpFinished; }));
    Pump(50);
    EXPECT_LT(P->PageCount(), 200);
    EXPECT_GE(P->PageCount(), 4);
    EXPECT_FALSE(W->CancelButton->Enabled());
    EXPECT_TRUE(W->Print->Enabled());
    W->Close();
    Pump();
    EXPECT_EQ(F.Report->RpPrinter(), nullptr);
}

namespace {

// A filter of the registry that records what it was given.
class TPreviewRecordingFilter : public TRpExportFilter {
    SDELKA_CLASS(TPreviewRecordingFilter, TRpExportFilter)
protected:
    explicit TPreviewRecordingFilter(const String& AFilename = String()) : TRpExportFilter(AFilename) { LastFile = AFilename; }
    ~TPreviewRecordingFilter() override = default;

public:
    String GetFileExtension() override { return u"TST"_s; }
    String GetName() override { return u"Recording filter"_s; }
    void NewPage() override { ++Pages; }
    static inline String LastFile;
    static inline int Pages = 0;
};

}  // namespace

TEST_F(RpPreviewWindow, SavesThroughRegisteredFiltersAndPagesByWheel) {
    TFakePrinterScope fake;
    TScriptedResponder R;
    TResponderScope scope(&R);
    RpExportFilterLibrary()->AddFilter(RpExportFilterClass<TPreviewRecordingFilter>());
    struct TUnregister {
        ~TUnregister() { RpExportFilterLibrary()->RemoveFilter(RpExportFilterClass<TPreviewRecordingFilter>()); }
    } unregister;
    TPreviewRecordingFilter::Pages = 0;
    PreviewFixture F;
    F.Report->Prepare();
    TRpStandardPreview* W = TRpStandardPreview::CreatePreview(nullptr, F.Report->RpPrinter());
    W->Show();
    Pump();

    // Without an extension the chosen filter's extension is added; the report runs through it.
    const String file = NewFile(u"export"_s);
    R.AnswerDialog([&](TCommonDialog* D) {
        auto* S = static_cast<TSaveDialog*>(D);
        EXPECT_TRUE(S->Filter().contains(u"Recording filter (*.TST)|*.TST"_s)) << S->Filter().toStdString();
        S->SetFileName(file);
        S->SetFilterIndex(2 + RpExportFilterLibrary()->Count() - 1);
        return true;
    });
    ClickTool(W->SaveReport);
    EXPECT_EQ(TPreviewRecordingFilter::LastFile, file + u".TST"_s);
    EXPECT_EQ(TPreviewRecordingFilter::Pages, 5);
    EXPECT_EQ(W->RpPrinter(), F.Report->RpPrinter());  // the preview keeps its document

    // The wheel turns pages like the arrow keys when the page fits.
    ASSERT_TRUE(W->ZoomFit->Down());
    QWidget* view = W->RpPreview->Handle();
    Wheel(view, QPointF(view->width() / 2.0, view->height() / 2.0), -1);
    EXPECT_EQ(W->RpPreview->PageNumber(), 2);
    Wheel(view, QPointF(view->width() / 2.0, view->height() / 2.0), 1);
    EXPECT_EQ(W->RpPreview->PageNumber(), 1);
    // At 200% the first turns scroll within the page.
    W->RpPreview->SetZoom(200);
    Wheel(view, QPointF(10, 10), -1);
    EXPECT_EQ(W->RpPreview->PageNumber(), 1);
    EXPECT_GT(W->RpPreview->VertScrollBar()->Position(), 0);
    W->Close();
    Pump();
}

TEST_F(RpPreviewWindow, CompositeBinGoesThroughTheBinTable) {
    TFakePrinterScope fake;
    TScriptedResponder R;
    TResponderScope scope(&R);
    PreviewFixture F;
    TOwned<TRpCompositeReport> Composite = NewOwned<TRpCompositeReport>(nullptr);
    F.Report->ParentComposite = Composite.get();
    F.Report->Prepare();
    TRpStandardPreview* W = TRpStandardPreview::CreatePreview(nullptr, F.Report->RpPrinter());
    W->Show();
    Pump();
    auto setup = [&](int Bin) {
        R.AnswerDialog([Bin](TCommonDialog*) {
            String d, dr, p;
            TDeviceMode* mode = nullptr;
            Printer()->GetPrinter(d, dr, p, mode);
            mode->dmDefaultSource = Bin;
            return true;
        });
        ClickTool(W->PrintSetup);
    };
    setup(DMBIN_CASSETTE);  // code 14: the table's Cassette, not the low byte
    TRpPrinterSettings* c = Composite->PrinterSettings();
    EXPECT_EQ(c->OutputBin(), Cassette);
    EXPECT_FALSE(c->UseCustomBinCode());
    EXPECT_FALSE(W->RpPrinter()->UseCustomBinCode());
    setup(300);  // a driver's own bin: kept as the custom code
    EXPECT_EQ(c->OutputBin(), Cassette);
    EXPECT_TRUE(c->UseCustomBinCode());
    EXPECT_EQ(c->CustomBinCode(), 300);
    EXPECT_TRUE(W->RpPrinter()->UseCustomBinCode());
    EXPECT_EQ(W->RpPrinter()->CustomBinCode(), 300);
    // A cancelled dialog changes nothing.
    R.AnswerDialog([](TCommonDialog*) { return false; });
    ClickTool(W->PrintSetup);
    EXPECT_EQ(F.Report->Tag(), 1);
    EXPECT_EQ(c->CustomBinCode(), 300);
    W->Close();
    Pump();
    F.Report->ParentComposite = nullptr;
}

TEST_F(RpPreviewWindow, StoredPagesPrintWithAProgressWindowThatCancels) {
    TFakePrinterScope fake;
    PreviewFixture F;
    F.Report->Prepare();
    TRpPrinter* P = F.Report->RpPrinter();
    TRpStandardPreview* W = TRpStandardPreview::CreatePreview(nullptr, P);
    W->Show();
    Pump();
    PrintFromPagesFlag = true;  // as after loading a page file: the stored pages print
    // The first page out, the user cancels in the progress window.
    int clients = 0;
    fake.Backend.OnNewSheet = [&](int Sheets) {
        auto* progress = dynamic_cast<TRpProgressForm*>(P->Client());
        if (!progress) return;
        ++clients;
        if (Sheets == 1) Click(progress->CancelButton);
    };
    ClickTool(W->Print);
    ASSERT_EQ(fake.Backend.Jobs.size(), 1u);
    EXPECT_EQ(clients, 1);
    EXPECT_TRUE(fake.Backend.Jobs[0].Aborted);
    EXPECT_EQ(P->Client(), W->RpPreview);  // the preview gets its messages back
    // Printed again without a cancel: every page.
    fake.Backend.OnNewSheet = nullptr;
    F.Report->UserCancel = false;
    ClickTool(W->Print);
    ASSERT_EQ(fake.Backend.Jobs.size(), 2u);
    EXPECT_TRUE(fake.Backend.Jobs[1].Ended);
    EXPECT_EQ(fake.Backend.Jobs[1].Sheets.size(), 5u);
    W->Close();
    Pump();
}
