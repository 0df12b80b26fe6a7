// A report of 1 000 pages exported to PDF: pages per second of the PDF export filter, next to the
// same report generated and printed through Qt's own PDF writer (the "PDF file" printer). The
// checksums are the page counts each file declares and their sizes.
//
//   bench_pdfexport [pages]     (default 1000; six workers a page)
#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"
#include "platform/gui/printers.h"
#include "report/export/rppdffilt.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rppages.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

void Place(TRpPrintable* P, int Left, int Top, int Width, int Height) {
    P->Size()->SetUnits(Native);
    P->Size()->SetLeft(Left);
    P->Size()->SetTop(Top);
    P->Size()->SetWidth(Width);
    P->Size()->SetHeight(Height);
}

// The page count a PDF file declares in its page tree.
int DeclaredPages(const QString& File) {
    QFile F(File);
    if (!F.open(QIODevice::ReadOnly)) return -1;
    const QByteArray B = F.readAll();
    int Best = -1;
    auto It = QRegularExpression(QStringLiteral("/Type\\s*/Pages[^>]*?/Count\\s+(\\d+)|/Count\\s+(\\d+)[^>]*?/Type\\s*/Pages"))
                  .globalMatch(QString::fromLatin1(B));
    while (It.hasNext()) {
        const auto M = It.next();
        Best = std::max(Best, (M.captured(1).isEmpty() ? M.captured(2) : M.captured(1)).toInt());
    }
    return Best;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int Pages = argc > 1 ? std::atoi(argv[1]) : 1000;
    Application->Initialize(argc, argv);
    {
        TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
        auto Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 40);
        Data->FieldDefs()->Add(QStringLiteral("QTY"), ftInteger);
        Data->CreateDataSet();
        for (int i = 0; i < Pages * 6; ++i)
            Data->AppendRecord({QStringLiteral("Рабочий Пётр №%1").arg(i + 1), i % 97});
        Data->First();

        // Page 210 × 100 mm: a header with a title and a picture, six detail bands, a footer.
        auto Report = New<TRpReport>(Root.get());
        Report->SetUnits(Native);
        TRpPage* Pg = Report->Page();
        Pg->SetPaperSize(Custom);
        Pg->SetUnits(Native);
        Pg->SetWidth(2100);
        Pg->SetLength(1000);
        for (auto Set : {&TRpPage::SetLeftMargin, &TRpPage::SetRightMargin, &TRpPage::SetTopMargin,
                         &TRpPage::SetBottomMargin})
            (Pg->*Set)(100);
        Report->SetDataSet(Data);
        auto Band = [&](TRpBandType T) {
            TRpBand* B = Report->CreateBand(T);
            B->SetNativeHeight(100);
            return B;
        };
        TRpBand* Header = Band(rbPageHeader);
        auto Title = New<TRpLabel>(Root.get());
        Title->SetParent(Header);
        Place(Title, 0, 0, 1200, 80);
        Title->SetCaption(QStringLiteral("Выработка за месяц"));
        Title->Font()->SetStyle({fsBold});
        auto Pic = New<TRpImage>(Root.get());
        Pic->SetParent(Header);
        Place(Pic, 1600, 0, 300, 90);
        Pic->SetStretch(true);
        {
            TOwned<TBitmap> B = NewOwned<TBitmap>();
            B->SetPixelFormat(pf24bit);
            B->SetSize(60, 18);
            B->Canvas()->Brush()->SetColor(clNavy);
            B->Canvas()->FillRect(TRect(0, 0, 60, 18));
            B->Canvas()->Brush()->SetColor(clYellow);
            B->Canvas()->FillRect(TRect(10, 4, 50, 14));
            Pic->Picture()->SetGraphic(B.get());
        }
        TRpBand* D = Band(rbDetail);
        auto Name = New<TRpDBText>(Root.get());
        Name->SetParent(D);
        Place(Name, 0, 0, 900, 80);
        Name->SetDataSet(Data);
        Name->SetDataField(QStringLiteral("NAME"));
        auto Qty = New<TRpDBText>(Root.get());
        Qty->SetParent(D);
        Place(Qty, 1000, 0, 300, 80);
        Qty->SetAlignment(taRightJustify);
        Qty->SetDataSet(Data);
        Qty->SetDataField(QStringLiteral("QTY"));
        auto Box = New<TRpShape>(Root.get());
        Box->SetParent(D);
        Place(Box, 1400, 10, 200, 60);
        auto Rule = New<TRpShape>(Root.get());
        Rule->SetParent(D);
        Place(Rule, 0, 90, 1900, 10);
        Rule->SetShape(rpsHorLine);
        TRpBand* Footer = Band(rbPageFooter);
        auto Num = New<TRpExpr>(Root.get());
        Num->SetParent(Footer);
        Place(Num, 0, 0, 1900, 80);
        Num->SetAlignment(taRightJustify);
        Num->SetExpression(QStringLiteral("'Страница '+STR(PAGENUMBER)"));

        const QString Ours = QDir::temp().filePath(QStringLiteral("bench_pdfexport.pdf"));
        auto t0 = Clock::now();
        {
            TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(Ours);
            Report->ExportToFilter(F.get());
        }
        auto t1 = Clock::now();
        const int OurPages = DeclaredPages(Ours);
        std::printf("PDF export filter: %d pages in %.2f s, %.0f pages/s (%lld bytes)\n", OurPages, Seconds(t0, t1),
                    OurPages / Seconds(t0, t1), static_cast<long long>(QFile(Ours).size()));

        Data->First();
        const QString Qts = QDir::temp().filePath(QStringLiteral("bench_pdfexport_qt.pdf"));
        auto t2 = Clock::now();
        Report->Prepare();
        auto t3 = Clock::now();
        TRpPrinter* P = Report->RpPrinter();
        SetPrinter(nullptr);
        P->SetPrinterIndex(P->Printers()->IndexOf(PdfFilePrinterName()));
        P->PrinterObject()->SetFileName(Qts);
        P->Print();
        auto t4 = Clock::now();
        const int QtPages = DeclaredPages(Qts);
        std::printf("Qt's PDF printer: %d pages in %.2f s (generation %.2f s, printing %.2f s), %.0f pages/s "
                    "(%lld bytes)\n",
                    QtPages, Seconds(t2, t4), Seconds(t2, t3), Seconds(t3, t4), QtPages / Seconds(t2, t4),
                    static_cast<long long>(QFile(Qts).size()));
        std::printf("export / Qt printer: %.2f x the rate\n", (OurPages / Seconds(t0, t1)) / (QtPages / Seconds(t2, t4)));
        QFile::remove(Ours);
        QFile::remove(Qts);
    }
    DoneApplication();
    return 0;
}
