// Text printed to the "PDF file" printer keeps its size in points on every way a page reaches the
// printer: the preview's Print button, the report's own Print (all pages or a range), the stored
// pages, a page file loaded back, and stored pages printed straight to the application's printer.
// The height and width of a word are read back from the PDF with pdftotext -bbox.
#include "platform/testing/scriptedresponder.h"
#include "report/rpprev.h"

#include "../support/input.h"
#include "../support/tools.h"
#include "platform/gui/comctrls.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/printers.h"
#include "platform/rtl/fileutils.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rppreview.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <functional>

namespace {

using namespace Qt::StringLiterals;
using namespace sdelka::test;

void PumpMessages() {
    Application->ProcessMessages();
    DispatchPostedMessages();
}

// A report of one A5 page per record; each page holds a label in 10 pt and one in 20 pt.
struct FontFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    int Records = 3;
    int Given = 0;

    FontFixture() {
        Report = NewReportOnA5(Root.get());
        Report->SetReportTitle(u"Наряд"_s);
        TRpBand* Detail = Report->CreateBand(rbDetail);
        Detail->SetNativeHeight(1800);
        Label(Detail, 100, u"Выработка"_s, 10);
        Label(Detail, 400, u"Бригада"_s, 20);
        auto* E = New<TRpExpr>(Root.get());
        E->SetParent(Detail);
        Place(E, 800);
        E->SetExpression(u"'Страница '+STR(PAGENUMBER)"_s);
        Report->BeforePrint = [this](TObject*, bool&) { Given = 0; };
        Report->OnNeedData = [this](TObject*, bool& More) {
            More = Given < Records;
            if (More) ++Given;
        };
    }
    void Label(TRpBand* Band, int Top, const String& Caption, int Size) {
        auto* L = New<TRpLabel>(Root.get());
        L->SetParent(Band);
        Place(L, Top);
        L->Font()->SetName(u"DejaVu Sans"_s);
        L->Font()->SetSize(Size);
        L->SetCaption(Caption);
    }
    static void Place(TRpPrintable* P, int Top) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(100);
        P->Size()->SetTop(Top);
        P->Size()->SetWidth(1500);
        P->Size()->SetHeight(250);
    }
};

struct TWordBox {
    int Page = 0;
    double Width = 0, Height = 0;
};

// The boxes of a word in a PDF, in points, with the page each stands on.
std::vector<TWordBox> WordBoxes(const String& Pdf, const String& Word) {
    std::vector<TWordBox> boxes;
    const String html = ToolText(u"pdftotext"_s, {u"-bbox"_s, Pdf, u"-"_s}, 30000);
    static const QRegularExpression tag(
        uR"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"_s);
    int page = 0;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith(u"<page"_s)) {
            ++page;
            continue;
        }
        if (m.captured(5) != Word) continue;
        boxes.push_back({page, m.captured(3).toDouble() - m.captured(1).toDouble(),
                         m.captured(4).toDouble() - m.captured(2).toDouble()});
    }
    return boxes;
}

String PdfTempFile(const String& Name) {
    return QDir::temp().filePath(u"rpprintfont_%1_%2.pdf"_s.arg(QCoreApplication::applicationPid()).arg(Name));
}

// Answers the "PDF file" printer's question for its file with Out.
void AnswerPdfFile(TScriptedResponder& R, const String& Out) {
    R.AnswerPrintFile(true, Out);
}

int PdfPrinterIndex() { return Printer()->Printers()->IndexOf(PdfFilePrinterName()); }

// Each way to the printer, printing the fixture's report (prepared or not, as the way needs).
struct PrintPath {
    const char* Name;
    int FirstPage, LastPage;  // the pages expected in the PDF
    std::function<void(FontFixture&, TScriptedResponder&, const String&)> Print;
};

void PrepareForPages(FontFixture& F) {
    F.Report->ReportPrinterSettings()->SetPrinterIndex(PdfPrinterIndex());
    F.Report->Prepare();
    ASSERT_EQ(F.Report->RpPrinter()->PageCount(), 3);
}

const PrintPath Paths[] = {
    {"PreviewPrintButton", 1, 3,
     [](FontFixture& F, TScriptedResponder& R, const String& Out) {
         PrepareForPages(F);
         TRpStandardPreview* W = TRpStandardPreview::CreatePreview(nullptr, F.Report->RpPrinter());
         W->SetBounds(0, 0, 900, 700);
         W->Show();
         PumpMessages();
         ASSERT_TRUE(W->Print->Enabled());
         AnswerPdfFile(R, Out);
         TWinControl* bar = W->Print->Parent();
         Click(bar->Handle(), QPointF(W->Print->Left() + W->Print->Width() / 2.0, W->Print->Top() + W->Print->Height() / 2.0));
         PumpMessages();
         W->Free();
         PumpMessages();
     }},
    {"ReportPrint", 1, 3,
     [](FontFixture& F, TScriptedResponder& R, const String& Out) {
         F.Report->ReportPrinterSettings()->SetPrinterIndex(PdfPrinterIndex());
         AnswerPdfFile(R, Out);
         F.Report->Print();
     }},
    {"ReportPrintPageRange", 2, 3,
     [](FontFixture& F, TScriptedResponder& R, const String& Out) {
         F.Report->ReportPrinterSettings()->SetPrinterIndex(PdfPrinterIndex());
         F.Report->ReportPrinterSettings()->SetFirstPage(2);
         F.Report->ReportPrinterSettings()->SetLastPage(3);
         AnswerPdfFile(R, Out);
         F.Report->Print();
     }},
    {"StoredPages", 1, 3,
     [](FontFixture& F, TScriptedResponder& R, const String& Out) {
         PrepareForPages(F);
         F.Report->RpPrinter()->SetPrintMetafile(true);
         AnswerPdfFile(R, Out);
         F.Report->RpPrinter()->Print();
     }},
    {"StoredPagesRange", 2, 3,
     [](FontFixture& F, TScriptedResponder& R, const String& Out) {
         PrepareForPages(F);
         F.Report->RpPrinter()->SetPrintMetafile(true);
         F.Report->ReportPrinterSettings()->SetFirstPage(2);
         F.Report->ReportPrinterSettings()->SetLastPage(3);
         AnswerPdfFile(R, Out);
         F.Report->RpPrinter()->Print();
     }},
    {"LoadedPageFile", 1, 3,
     [](FontFixture& F, TScriptedResponder& R, const String& Out) {
         PrepareForPages(F);
         const String file = Out + u".rpp"_s;
         F.Report->RpPrinter()->Save(file);
         TOwned<TRpPrinter> Loaded = NewOwned<TRpPrinter>();
         Loaded->SetPrinterIndex(PdfPrinterIndex());
         Loaded->Load(file);  // the paper guessed from the pages: A5
         QFile::remove(file);
         ASSERT_EQ(Loaded->PageCount(), 3);
         AnswerPdfFile(R, Out);
         Loaded->Print();
     }},
    {"StoredPagesToTheApplicationPrinter", 2, 3,
     [](FontFixture& F, TScriptedResponder& R, const String& Out) {
         PrepareForPages(F);
         // The pages are stretched over the sheet: an A5 sheet takes them as they are.
         Printer()->SetPrinterIndex(PdfPrinterIndex());
         String device, driver, port;
         TDeviceMode* mode = nullptr;
         Printer()->GetPrinter(device, driver, port, mode);
         ASSERT_TRUE(mode);
         TDeviceMode a5 = *mode;
         a5.dmPaperSize = RpPaperCode(A5);
         Printer()->SetPrinter(device, driver, port, &a5);
         AnswerPdfFile(R, Out);
         F.Report->RpPrinter()->PrintMetafileDirect(String(), 2, 3);
     }},
};

class RpPrintFont : public ::testing::TestWithParam<PrintPath> {
protected:
    void SetUp() override {
        Saved = PreviewInterfaceClass;
        RpInstallStandardPreview();
        PrintFromPagesFlag = false;
        SetPrinter(nullptr);  // the standard backend and its "PDF file" printer
    }
    void TearDown() override {
        PreviewInterfaceClass = Saved;
        PrintFromPagesFlag = false;
        SetPrinter(nullptr);
        PumpMessages();
    }
    TComponentClass Saved = nullptr;
};

}  // namespace

TEST_P(RpPrintFont, TextKeepsItsSizeInPoints) {
    const PrintPath& Path = GetParam();
    ASSERT_GE(PdfPrinterIndex(), 0);
    TScriptedResponder R;
    TResponderScope scope(&R);
    FontFixture F;
    const String out = PdfTempFile(QString::fromLatin1(Path.Name));
    QFile::remove(out);
    Path.Print(F, R, out);
    ASSERT_TRUE(FileExists(out));
    EXPECT_TRUE(ToolText(u"pdfinfo"_s, {out}, 30000).contains(
        QRegularExpression(u"Pages:\\s+%1\\b"_s.arg(Path.LastPage - Path.FirstPage + 1))));
    const String text = ToolText(u"pdftotext"_s, {out, u"-"_s}, 30000);
    EXPECT_TRUE(text.contains(u"Страница %1"_s.arg(Path.FirstPage))) << text.toStdString();

    // A word's box is its font's line: a little over its size in points.
    for (const auto& [word, size] : {std::pair{u"Выработка"_s, 10.0}, std::pair{u"Бригада"_s, 20.0}}) {
        const std::vector<TWordBox> boxes = WordBoxes(out, word);
        ASSERT_EQ(int(boxes.size()), Path.LastPage - Path.FirstPage + 1) << word.toStdString();
        for (const TWordBox& b : boxes) {
            EXPECT_GE(b.Height, size * 0.9) << word.toStdString() << " on sheet " << b.Page;
            EXPECT_LE(b.Height, size * 1.5) << word.toStdString() << " on sheet " << b.Page;
        }
    }
    // Twice the size is twice the width.
    const double w10 = WordBoxes(out, u"Выработка"_s).front().Width;
    const double w20 = WordBoxes(out, u"Бригада"_s).front().Width;
    EXPECT_GT(w10, 40.0);  // "Выработка" in 10 pt is about 50 pt wide
    EXPECT_LT(w10, 65.0);
    EXPECT_GT(w20, w10);
    QFile::remove(out);
}

INSTANTIATE_TEST_SUITE_P(EveryWayToThePrinter, RpPrintFont, ::testing::ValuesIn(Paths),
                         [](const ::testing::TestParamInfo<PrintPath>& I) { return std::string(I.param.Name); });
