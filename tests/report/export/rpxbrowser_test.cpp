#include "platform/testing/scriptedresponder.h"
#include "report/export/rpxbrowser.h"

#include "../../support/input.h"
#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
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
#include "platform/gui/messages.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/lists.h"
#include "report/export/rpxmlfilter.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

namespace {

using namespace Qt::StringLiterals;
using namespace sdelka::test;

void Pump() {
    Application->ProcessMessages();
    DispatchPostedMessages();
}

// A report of three pages (210 × 100 mm): a page header, a worker per detail line, a footer.
struct ViewerReport {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;

    ViewerReport() {
        Report = NewReportOnCustomPage(Root.get());
        auto* Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"NAME"_s, ftString, 40);
        Data->CreateDataSet();
        for (int i = 1; i <= 15; ++i) Data->AppendRecord({u"Рабочий Пётр №%1"_s.arg(i)});
        Data->First();
        Report->SetDataSet(Data);
        auto* L = New<TRpLabel>(Root.get());
        L->SetParent(Band(rbPageHeader));
        Place(L, 0, 0, 1200, 80);
        L->SetCaption(u"Табель учёта"_s);
        auto* T = New<TRpDBText>(Root.get());
        T->SetName(u"NameText"_s);
        T->SetParent(Band(rbDetail));
        Place(T, 0, 0, 800, 80);
        T->SetDataSet(Data);
        T->SetDataField(u"NAME"_s);
        auto* E = New<TRpExpr>(Root.get());
        E->SetParent(Band(rbPageFooter));
        Place(E, 0, 0, 1900, 80);
        E->SetExpression(u"'Страница '+STR(PAGENUMBER)"_s);
    }
    TRpBand* Band(TRpBandType Type) {
        TRpBand* B = Report->CreateBand(Type);
        B->SetNativeHeight(100);
        return B;
    }
    static void Place(TRpPrintable* P, int L, int T, int W, int H) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(L);
        P->Size()->SetTop(T);
        P->Size()->SetWidth(W);
        P->Size()->SetHeight(H);
    }
};

// Installs the standard viewer for one test and puts the silent interface back.
struct TViewerScope {
    TRpXMLPreviewInterfaceClass Previous = RpXMLPreviewInterfaceClass;
    TViewerScope() { RpInstallXMLViewer(); }
    ~TViewerScope() { RpXMLPreviewInterfaceClass = Previous; }
};

TRpXStandardViewer* ViewerOf(TRpXDocument* D) {
    return D->ImageControl() ? dynamic_cast<TRpXStandardViewer*>(D->ImageControl()->Owner()) : nullptr;
}

void ClickTool(TControl* B) {
    Click(B->Parent()->Handle(), QPointF(B->Left() + B->Width() / 2.0, B->Top() + B->Height() / 2.0));
}

String PagePanel(TRpXStandardViewer* W) { return W->StatusBar->Panels()->Items(1)->Text(); }

TEST(RpXStandardViewer, OpensADocumentPagesSearchesAndCopies) {
    TViewerScope Viewer;
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    ViewerReport R;
    {
        TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(File);
        F->Title = u"Табель учёта"_s;
        R.Report->ExportToFilter(F.get());
    }
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* D = New<TRpXDocument>(Root.get());
    D->Showthumbs = true;
    D->ShowSearch = true;
    D->InitViewerZoomState = rpZoom100;
    std::vector<std::tuple<TPrevEventType, String, String, int>> Events;
    D->OnPrevXEvent = [&Events](TObject*, TPrevEventType E, const String& Name, const String& Text, int Rec) {
        Events.emplace_back(E, Name, Text, Rec);
    };
    D->LoadAndViewXML(File, nullptr, false);
    ASSERT_TRUE(D->DocumentLoaded());
    EXPECT_EQ(CurrentXMLPreview, nullptr);
    TRpXStandardViewer* W = ViewerOf(D);
    ASSERT_NE(W, nullptr);
    Pump();
    EXPECT_TRUE(W->Visible());
    EXPECT_EQ(PagePanel(W), u"Page: 1 of 3"_s);
    EXPECT_EQ(W->StatusBar->Panels()->Items(0)->Text(), u"Zoom: 100  %"_s);
    EXPECT_TRUE(W->nextpage->Enabled());
    EXPECT_TRUE(W->copybutton->Enabled());
    EXPECT_FALSE(W->SaveReport->Enabled()) << "a loaded document is not saved again";

    // Paging by keys.
    SendKey(W->Handle(), Qt::Key_PageDown);
    EXPECT_EQ(PagePanel(W), u"Page: 2 of 3"_s);
    EXPECT_EQ(D->CurrentPage(), 1);
    W->Image1->Picture()->Bitmap()->ToImage().save(u"/tmp/xmldoc_viewer_page2.png"_s);
    SendKey(W->Handle(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(PagePanel(W), u"Page: 3 of 3"_s);
    SendKey(W->Handle(), Qt::Key_Home);
    EXPECT_EQ(PagePanel(W), u"Page: 1 of 3"_s);
    SendKey(W->Handle(), Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(PagePanel(W), u"Page: 2 of 3"_s);

    // The zoom menu.
    W->N50Click(W->Zoommenu->Items()->Items(10));  // "150%"
    EXPECT_EQ(W->StatusBar->Panels()->Items(0)->Text(), u"Zoom: 150  %"_s);
    EXPECT_EQ(W->Image1->Width(), 1191);
    W->ZoomTo100Click(W);

    // The go-to-page box: a number beyond the pages, a letter, a good number.
    TScriptedResponder Rs;
    TResponderScope Scope(&Rs);
    for (const auto& [Answer, Page] : std::vector<std::pair<String, int>>{{u"7"_s, 1}, {u"ж"_s, 1}, {u"3"_s, 3}}) {
        Rs.AnswerInput(true, Answer);
        ClickTool(W->GotoPageButton);
        EXPECT_EQ(W->PageNumber, Page) << Answer.toStdString();
    }

    // Search a Cyrillic word in another case: the result shows its page.
    Rs.AnswerModal([](TCustomForm* F) {
        auto* S = static_cast<TRpXSearchDlg*>(F);
        EXPECT_EQ(S->Caption(), u"RPX Text Search"_s);
        S->Edit1->SetText(u"пётр №14"_s);
        Click(S->Handle(), QPointF(S->SpeedButton2->Left() + 5, S->SpeedButton2->Top() + 5));
    });
    W->SelectPage(1);
    ClickTool(W->FindButton);
    EXPECT_EQ(W->Tabs->ActivePage(), W->TabSearchResult);
    ASSERT_EQ(W->SearchResultBox->Items()->Count(), 1);
    EXPECT_EQ(W->SearchResultBox->Items()->Strings(0), u"Рабочий Пётр №14"_s);
    EXPECT_TRUE(W->SearchResultBox->Enabled());
    EXPECT_EQ(PagePanel(W), u"Page: 3 of 3"_s);
    // The result stays usable after the page is drawn again.
    W->SelectPage(1);
    D->RenderPage(0);
    W->SearchResultBox->SetItemIndex(0);
    W->SearchResultBox->OnClick(W->SearchResultBox);
    EXPECT_EQ(PagePanel(W), u"Page: 3 of 3"_s);
    // No match: one disabled entry.
    Rs.AnswerModal([](TCustomForm* F) {
        auto* S = static_cast<TRpXSearchDlg*>(F);
        S->Edit1->SetText(u"бригадир"_s);
        S->SpeedButton2Click(S);
    });
    ClickTool(W->FindButton);
    ASSERT_EQ(W->SearchResultBox->Items()->Count(), 1);
    EXPECT_EQ(W->SearchResultBox->Items()->Strings(0), u"No matching text"_s);
    EXPECT_FALSE(W->SearchResultBox->Enabled());

    // A click on a worker's name is a control click with the record number plus one.
    W->SelectPage(1);
    Pump();
    const int Px = int(10 * 96 / 25.4) + 5, Py = int(20 * 96 / 25.4) + 4;  // the first detail line
    Events.clear();
    Click(W->ScrollBox1->Handle(), QPointF(W->Image1->Left() + Px, W->Image1->Top() + Py));
    ASSERT_FALSE(Events.empty());
    EXPECT_EQ(std::get<0>(Events.back()), etControlClick);
    EXPECT_EQ(std::get<1>(Events.back()), u"NameText"_s);
    EXPECT_EQ(std::get<2>(Events.back()), u"Рабочий Пётр №1"_s);

    // Copy: the page at its own size on the clipboard.
    ClickTool(W->copybutton);
    TBitmap Copied;
    Copied.Assign(Clipboard());
    EXPECT_EQ(Copied.Width(), 794);
    EXPECT_EQ(Copied.Height(), 378);

    W->Handle()->grab().save(u"/tmp/xmldoc_viewer.png"_s);

    // Closing frees the window; the document no longer hands pages to it.
    ClickTool(W->ExitButton);
    Pump();
    EXPECT_EQ(D->ImageControl(), nullptr);
    D->RenderPage(0);
}

TEST(RpXStandardViewer, AReportArrivesPageByPage) {
    TViewerScope Viewer;
    ViewerReport R;
    R.Report->SetReportTitle(u"Табель"_s);
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* D = New<TRpXDocument>(Root.get());
    D->ViewReport(R.Report);
    EXPECT_TRUE(D->DocumentLoaded());
    EXPECT_EQ(D->Pagecount(), 3);
    EXPECT_TRUE(D->DisplayFinished());
    EXPECT_EQ(D->RpReport(), R.Report);
    TRpXStandardViewer* W = ViewerOf(D);
    ASSERT_NE(W, nullptr);
    EXPECT_EQ(W->Caption(), u"Табель"_s);
    EXPECT_TRUE(W->SaveReport->Enabled());
    EXPECT_FALSE(W->cancelbutton->Enabled());
    EXPECT_EQ(R.Report->PrinterSettings()->LastPage(), 3);
    D->MakeTextIndex();
    TOwned<TStringList> Res = NewOwned<TStringList>();
    D->FindText(u"Страница 3"_s, true, Res.get());
    ASSERT_EQ(Res->Count(), 1);
    EXPECT_EQ(static_cast<TPageItem*>(Res->Objects(0))->DBRecord, 2);
    W->Close();
    Pump();
}

TEST(RpXStandardViewer, ThumbnailsShowThePages) {
    TViewerScope Viewer;
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    ViewerReport R;
    {
        TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(File);
        R.Report->ExportToFilter(F.get());
    }
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* D = New<TRpXDocument>(Root.get());
    D->Showthumbs = true;
    D->ExternalLoadFromFile(File);
    ASSERT_TRUE(D->DocumentLoaded());
    ASSERT_NE(D->RpReport(), nullptr);  // a report of its own for printing and events
    D->ViewDocument(false);
    TRpXStandardViewer* W = ViewerOf(D);
    ASSERT_NE(W, nullptr);
    Pump();
    EXPECT_EQ(W->ThumbGrid->RowCount(), 3);
    EXPECT_FALSE(W->FindButton->Visible());
    // A thumbnail is drawn on the grid: the grab holds the page's white beside the grid's colour.
    const QImage Shot = W->Handle()->grab().toImage();
    Shot.save(u"/tmp/xmldoc_viewer_thumbs.png"_s);
    const QPoint InGrid(W->Tabs->Left() + 40, W->Tabs->Top() + 60);  // inside the first thumbnail
    EXPECT_EQ(Shot.pixelColor(InGrid), QColor(Qt::white));
    // Clicking another thumbnail shows its page.
    W->SelectPage(3);
    EXPECT_EQ(W->ThumbGrid->Row(), 2);
    EXPECT_EQ(PagePanel(W), u"Page: 3 of 3"_s);
    W->Close();
    Pump();
}

}  // namespace
