// A grouped report over an in-memory dataset: pages generated per second, and pages printed to the
// "PDF file" printer per second.
//
//   bench_report [records]     (default 20000; 100 records a group)
#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/forms.h"
#include "platform/gui/printers.h"
#include "report/rpdbtexts.h"
#include "report/rppages.h"
#include "report/rpreport.h"

#include <QDir>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

void Place(TRpPrintable* P, int Left) {
    P->Size()->SetUnits(Native);
    P->Size()->SetLeft(Left);
    P->Size()->SetTop(0);
    P->Size()->SetWidth(800);
    P->Size()->SetHeight(40);
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const int Records = argc > 1 ? std::atoi(argv[1]) : 20000;
    Application->Initialize(argc, argv);
    {
        TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
        auto Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(QStringLiteral("GRP"), ftInteger);
        Data->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        Data->FieldDefs()->Add(QStringLiteral("QTY"), ftInteger);
        Data->CreateDataSet();
        for (int i = 0; i < Records; ++i)
            Data->AppendRecord({i / 100, QStringLiteral("Запись %1").arg(i + 1), i % 7});
        Data->First();

        auto Report = New<TRpReport>(Root.get());
        Report->SetUnits(Native);
        Report->SetDataSet(Data);
        auto Band = [&](TRpBandType T) {
            TRpBand* B = Report->CreateBand(T);
            B->SetNativeHeight(50);
            return B;
        };
        auto Expr = [&](TRpCustomBand* B, const QString& E, int Left) {
            auto X = New<TRpExpr>(Root.get());
            X->SetParent(B);
            Place(X, Left);
            X->SetExpression(E);
            return X;
        };
        Expr(Band(rbPageHeader), QStringLiteral("'Выработка'"), 100);
        auto G = New<TRpGroup>(Root.get());
        G->SetParent(Report);
        G->SetNativeHeight(50);
        G->SetExpression(QStringLiteral("GRP"));
        Expr(G, QStringLiteral("'Группа '+STR(GRP)"), 100);
        TRpBand* D = Band(rbDetail);
        auto T = New<TRpDBText>(Root.get());
        T->SetParent(D);
        Place(T, 100);
        T->SetDataSet(Data);
        T->SetDataField(QStringLiteral("NAME"));
        Expr(D, QStringLiteral("QTY"), 1000);
        TRpBand* Foot = Band(rbGroupFooter);
        Expr(Foot, QStringLiteral("'Итого '+STR(SUM(QTY))"), 100)->SetResetAfterPrint(true);
        G->SetFooterBand(Foot);
        Expr(Band(rbPageFooter), QStringLiteral("'Страница '+STR(PAGENUMBER)"), 100);

        auto t0 = Clock::now();
        Report->Prepare();
        auto t1 = Clock::now();
        TRpPrinter* P = Report->RpPrinter();
        const int Pages = P->PageList()->PageCount();
        std::printf("%d records, %d pages: generated in %.2f s, %.0f pages/s\n", Records, Pages, Seconds(t0, t1),
                    Pages / Seconds(t0, t1));

        SetPrinter(nullptr);
        P->SetPrinterIndex(P->Printers()->IndexOf(PdfFilePrinterName()));
        const QString File = QDir::temp().filePath(QStringLiteral("bench_report.pdf"));
        P->PrinterObject()->SetFileName(File);
        auto t2 = Clock::now();
        P->Print();
        auto t3 = Clock::now();
        std::printf("printed to PDF in %.2f s, %.0f pages/s (%lld bytes)\n", Seconds(t2, t3), Pages / Seconds(t2, t3),
                    static_cast<long long>(QFile(File).size()));
        QFile::remove(File);
    }
    DoneApplication();
    return 0;
}
