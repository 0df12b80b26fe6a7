// The report engine side by side with its practical limit, over one grouped layout: a page header,
// a group header by a Cyrillic text key over 50 groups, a detail band of six fields (money and a
// computed amount among them), group sums, a grand total and page numbers, on A4 pages.
//
//   ours, generate      the report prepares its pages (the page stream)
//   ours, + PDF         the report exported through the PDF export filter (generation included)
//   ours, Qt printer    the prepared pages printed to Qt's "PDF file" printer (generation included)
//   limit, generate     a hand-written loop: the same data, formatting (FormatFloat masks), text
//                       measuring (one measuring context per font), paging and positioned texts
//   limit, + PDF        that loop writing its pages as a PDF with a code-page font
//
// Every case runs in its own child process, so the peak memory (getrusage) is the case's own. The
// grand total each case printed is shown as its checksum: they must agree.
//
//   bench_report [rows...]     (default 20000 100000; 1000000 is worth a run of its own)
//
// BENCH_CASES=gen,pdf,qt,limit,limitpdf runs only the cases named; BENCH_KEEP_PDF=<file> keeps the
// PDF our export wrote (for qpdf --check and pdftotext) instead of removing it; BENCH_INPROCESS=1
// runs a single case in the process itself (for a heap profiler); BENCH_COMPRESS=1
// turns on the report's Compression option (the page file's own coding of its pages).
#include "platform/db/fields.h"
#include "grid/memtable/memtablevz.h"
#include "platform/gui/canvas.h"
#include "platform/gui/forms.h"
#include "platform/gui/printers.h"
#include "platform/rtl/codepages.h"
#include "platform/rtl/sysutils.h"
#include "report/export/rppdffilt.h"
#include "report/rpdbtexts.h"
#include "report/rppages.h"
#include "report/rpreport.h"

#include <QDir>
#include <QFile>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

constexpr int Groups = 50;
const char* const Money = "#,##0.00";

// Layout in tenths of a millimetre.
constexpr int PageW = 2100, PageH = 2970, Margin = 100, BandH = 50;
struct Column {
    int Left, Width;
    bool Right;
};
constexpr Column Columns[6] = {{0, 150, true},   {170, 600, false}, {790, 250, false},
                               {1060, 200, true}, {1280, 250, true}, {1550, 350, true}};

String GroupKey(int Row, int Rows) {
    static const char16_t* const Names[] = {u"Сборочный", u"Механический", u"Литейный", u"Кузнечный", u"Малярный"};
    const int G = int((long long)Row * Groups / Rows);
    return QStringLiteral("Участок %1 %2").arg(QString::fromUtf16(Names[G % 5])).arg(G + 1, 2, 10, QLatin1Char('0'));
}

// The rows in the grid library's in-memory table, which appends in constant time (a million rows
// are a few seconds' work).
TDataSet* MakeData(TComponent* Owner, int Rows) {
    auto Data = New<TMemTableVz>(Owner);
    Data->FieldDefs()->Add(QStringLiteral("ID"), ftInteger);
    Data->FieldDefs()->Add(QStringLiteral("SHOP"), ftString, 40);
    Data->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 40);
    Data->FieldDefs()->Add(QStringLiteral("OPER"), ftString, 20);
    Data->FieldDefs()->Add(QStringLiteral("QTY"), ftInteger);
    Data->FieldDefs()->Add(QStringLiteral("PRICE"), ftFloat);
    Data->CreateDataSet();
    Data->DisableControls();
    TFields* F = Data->Fields();
    for (int i = 0; i < Rows; ++i) {
        Data->Append();
        F->Fields(0)->SetAsInteger(i + 1);
        F->Fields(1)->SetAsString(GroupKey(i, Rows));
        F->Fields(2)->SetAsString(QStringLiteral("Рабочий Пётр №%1").arg(i % 997 + 1));
        F->Fields(3)->SetAsString(QStringLiteral("Операция %1").arg(i % 13));
        F->Fields(4)->SetAsInteger(i % 7 + 1);
        F->Fields(5)->SetAsFloat((i % 101) * 1.25 + 10);
        Data->Post();
    }
    Data->EnableControls();
    Data->First();
    return Data;
}

struct Result {
    double Seconds = 0;
    int Pages = 0;
    long long Bytes = 0;  // the page stream or the PDF file
    char Total[64] = {};
};

// ---- ours ----------------------------------------------------------------------------------------

// The grand total as the summary band printed it.
struct OurReport {
    TRpReport* Report;
    std::shared_ptr<String> Grand;
};

OurReport MakeReport(TComponent* Root, TDataSet* Data) {
    auto Report = New<TRpReport>(Root);
    Report->SetUnits(Native);
    if (const char* C = std::getenv("BENCH_COMPRESS"); C && *C == '1') Report->Options.Include(Compression);
    TRpPage* Pg = Report->Page();
    Pg->SetPaperSize(Custom);
    Pg->SetUnits(Native);
    Pg->SetWidth(PageW);
    Pg->SetLength(PageH);
    for (auto Set : {&TRpPage::SetLeftMargin, &TRpPage::SetRightMargin, &TRpPage::SetTopMargin,
                     &TRpPage::SetBottomMargin})
        (Pg->*Set)(Margin);
    Report->SetDataSet(Data);
    auto Place = [](TRpPrintable* P, int Left, int Width) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(Left);
        P->Size()->SetTop(0);
        P->Size()->SetWidth(Width);
        P->Size()->SetHeight(40);
    };
    auto Band = [&](TRpBandType T) {
        TRpBand* B = Report->CreateBand(T);
        B->SetNativeHeight(BandH);
        return B;
    };
    auto Expr = [&](TRpCustomBand* B, const QString& E, int Left, int Width, bool Right = false,
                    const char* Mask = nullptr) {
        auto X = New<TRpExpr>(Root);
        X->SetParent(B);
        Place(X, Left, Width);
        X->SetExpression(E);
        if (Right) X->SetAlignment(taRightJustify);
        if (Mask) X->SetMask(QString::fromLatin1(Mask));
        return X;
    };
    Expr(Band(rbPageHeader), QStringLiteral("'Выработка по участкам'"), 0, 1900);
    auto G = New<TRpGroup>(Root);
    G->SetParent(Report);
    G->SetNativeHeight(BandH);
    G->SetExpression(QStringLiteral("SHOP"));
    Expr(G, QStringLiteral("SHOP"), 0, 1900);
    TRpBand* D = Band(rbDetail);
    int c = 0;
    for (const char* F : {"ID", "NAME", "OPER"}) {
        auto T = New<TRpDBText>(Root);
        T->SetParent(D);
        Place(T, Columns[c].Left, Columns[c].Width);
        if (Columns[c].Right) T->SetAlignment(taRightJustify);
        T->SetDataSet(Data);
        T->SetDataField(QString::fromLatin1(F));
        ++c;
    }
    Expr(D, QStringLiteral("QTY"), Columns[3].Left, Columns[3].Width, true);
    Expr(D, QStringLiteral("PRICE"), Columns[4].Left, Columns[4].Width, true, Money);
    Expr(D, QStringLiteral("QTY*PRICE"), Columns[5].Left, Columns[5].Width, true, Money);
    TRpBand* Foot = Band(rbGroupFooter);
    Expr(Foot, QStringLiteral("'Итого по участку'"), 0, 1000);
    Expr(Foot, QStringLiteral("SUM(QTY*PRICE)"), Columns[5].Left, Columns[5].Width, true, Money)
        ->SetResetAfterPrint(true);
    G->SetFooterBand(Foot);
    TRpBand* Summary = Band(rbSummary);
    Expr(Summary, QStringLiteral("'Всего'"), 0, 1000);
    auto Grand = std::make_shared<String>();
    Expr(Summary, QStringLiteral("SUM(QTY*PRICE)"), Columns[5].Left, Columns[5].Width, true, Money)->OnPrint =
        [Grand](TObject*, String& V) { *Grand = V; };
    Expr(Band(rbPageFooter), QStringLiteral("'Страница '+STR(PAGENUMBER)"), 0, 1900, true);
    return {Report, Grand};
}

void CopyTotal(Result& R, const String& S) { std::snprintf(R.Total, sizeof R.Total, "%s", S.toUtf8().constData()); }

Result OursGenerate(int Rows) {
    Result R;
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TDataSet* Data = MakeData(Root.get(), Rows);
    OurReport O = MakeReport(Root.get(), Data);
    auto t0 = Clock::now();
    O.Report->Prepare();
    R.Seconds = Seconds(t0, Clock::now());
    TRpPrinter* P = O.Report->RpPrinter();
    R.Pages = P->PageList()->PageCount();
    R.Bytes = P->PageList()->Stream() ? P->PageList()->Stream()->Size() : 0;
    CopyTotal(R, *O.Grand);
    return R;
}

Result OursPdf(int Rows) {
    Result R;
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TDataSet* Data = MakeData(Root.get(), Rows);
    OurReport O = MakeReport(Root.get(), Data);
    const QString File = QDir::temp().filePath(QStringLiteral("bench_report_%1.pdf").arg(getpid()));
    auto t0 = Clock::now();
    {
        TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(File);
        O.Report->ExportToFilter(F.get());
    }
    R.Seconds = Seconds(t0, Clock::now());
    R.Pages = O.Report->PageNumber();
    R.Bytes = QFile(File).size();
    CopyTotal(R, *O.Grand);
    if (const char* Keep = std::getenv("BENCH_KEEP_PDF"); Keep && *Keep) {
        QFile::remove(QString::fromLocal8Bit(Keep));
        QFile::rename(File, QString::fromLocal8Bit(Keep));
    }
    QFile::remove(File);
    return R;
}

Result OursQtPrinter(int Rows) {
    Result R;
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TDataSet* Data = MakeData(Root.get(), Rows);
    OurReport O = MakeReport(Root.get(), Data);
    const QString File = QDir::temp().filePath(QStringLiteral("bench_report_qt_%1.pdf").arg(getpid()));
    auto t0 = Clock::now();
    O.Report->Prepare();
    TRpPrinter* P = O.Report->RpPrinter();
    SetPrinter(nullptr);
    P->SetPrinterIndex(P->Printers()->IndexOf(PdfFilePrinterName()));
    P->PrinterObject()->SetFileName(File);
    P->Print();
    R.Seconds = Seconds(t0, Clock::now());
    R.Pages = P->PageList()->PageCount();
    R.Bytes = QFile(File).size();
    CopyTotal(R, *O.Grand);
    QFile::remove(File);
    return R;
}

// ---- the hand-written limit ----------------------------------------------------------------------

// A positioned text of a page: the x of its left edge and the y of its top, in tenths of a mm.
struct PlacedText {
    int X, Y;
    String Text;
};
using Page = std::vector<PlacedText>;

struct Limit {
    TMeasureDC DC{96};
    int Ascent = 0;
    std::vector<Page> Pages;
    Page Current;
    int Y = 0;
    double Total = 0, GroupTotal = 0;

    Limit() {
        TOwned<TFont> F = NewOwned<TFont>();
        DC.SelectFont(F->LogFont());
        TTextMetric TM;
        DC.GetTextMetrics(TM);
        Ascent = TM.tmAscent;
    }
    // Screen pixels at 96 dpi to tenths of a mm.
    int Measure(const String& S) { return int((long long)DC.GetTextExtent(S).cx * 254 / 96); }
    void Put(const Column& C, int Top, const String& S) {
        Current.push_back({C.Right ? C.Left + C.Width - Measure(S) : C.Left, Top, S});
    }
    void Header() { Current.push_back({0, Y, QStringLiteral("Выработка по участкам")}), Y += BandH; }
    void Footer() {
        const String S = QStringLiteral("Страница ") + QString::number(Pages.size() + 1);
        Put({0, 1900, true}, PageH - 2 * Margin - BandH, S);
        Pages.push_back(std::move(Current));
        Current = Page();
        Y = 0;
    }
    // Room for a band above the page footer, opening a new page when there is none.
    void Room() {
        if (Y + BandH > PageH - 2 * Margin - BandH) {
            Footer();
            Header();
        }
    }

    void Run(TDataSet* Data) {
        TField* Id = Data->FieldByName(QStringLiteral("ID"));
        TField* Shop = Data->FieldByName(QStringLiteral("SHOP"));
        TField* Name = Data->FieldByName(QStringLiteral("NAME"));
        TField* Oper = Data->FieldByName(QStringLiteral("OPER"));
        TField* Qty = Data->FieldByName(QStringLiteral("QTY"));
        TField* Price = Data->FieldByName(QStringLiteral("PRICE"));
        const String M = QString::fromLatin1(Money);
        Header();
        String Key;
        bool First = true;
        auto GroupFooter = [&] {
            Room();
            Current.push_back({0, Y, QStringLiteral("Итого по участку")});
            Put(Columns[5], Y, FormatFloat(M, GroupTotal));
            Y += BandH;
            GroupTotal = 0;
        };
        for (Data->First(); !Data->Eof(); Data->Next()) {
            const String K = Shop->AsString();
            if (First || K != Key) {
                if (!First) GroupFooter();
                First = false;
                Key = K;
                Room();
                Current.push_back({0, Y, K});
                Y += BandH;
            }
            Room();
            const int q = Qty->AsInteger();
            const double p = Price->AsFloat();
            const double a = q * p;
            Put(Columns[0], Y, Id->AsString());
            Put(Columns[1], Y, Name->AsString());
            Put(Columns[2], Y, Oper->AsString());
            Put(Columns[3], Y, QString::number(q));
            Put(Columns[4], Y, FormatFloat(M, p));
            Put(Columns[5], Y, FormatFloat(M, a));
            GroupTotal += a;
            Total += a;
            Y += BandH;
        }
        if (!First) GroupFooter();
        Room();
        Current.push_back({0, Y, QStringLiteral("Всего")});
        Put(Columns[5], Y, FormatFloat(M, Total));
        Y += BandH;
        Footer();
    }

    // The pages as a PDF: one code-page (1251) font with its widths, a content stream per page.
    long long WritePdf(const QString& FileName) {
        QFile F(FileName);
        if (!F.open(QIODevice::WriteOnly)) return -1;
        std::vector<long long> Offsets;
        long long At = 0;
        QByteArray Buf;
        auto Flush = [&] {
            F.write(Buf);
            At += Buf.size();
            Buf.clear();
        };
        auto Obj = [&] {
            Offsets.push_back(At + Buf.size());
            Buf += QByteArray::number(qsizetype(Offsets.size())) + " 0 obj\n";
        };
        Buf += "%PDF-1.4\n";
        const int NPages = int(Pages.size());
        // 1 catalog, 2 page tree, 3 font, then a page and its content for each page.
        Obj();
        Buf += "<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
        Obj();
        Buf += "<< /Type /Pages /Count " + QByteArray::number(NPages) + " /Kids [";
        for (int i = 0; i < NPages; ++i) Buf += ' ' + QByteArray::number(4 + 2 * i) + " 0 R";
        Buf += " ] >>\nendobj\n";
        Obj();
        Buf += "<< /Type /Font /Subtype /TrueType /BaseFont /Helvetica /FirstChar 32 /LastChar 255 /Widths [";
        for (int c = 32; c < 256; ++c)
            Buf += ' ' + QByteArray::number(
                             DC.GetTextExtent(QString(CodePageByteToChar((unsigned char)c, 1251))).cx * 75);
        Buf += " ] /Encoding << /Type /Encoding /BaseEncoding /WinAnsiEncoding >> >>\nendobj\n";
        const double K = 72.0 / 254;
        for (int i = 0; i < NPages; ++i) {
            QByteArray S;
            for (const PlacedText& T : Pages[size_t(i)]) {
                const double x = (Margin + T.X) * K, y = (PageH - Margin - T.Y) * K - Ascent * 0.75;
                S += "BT /F1 10 Tf " + QByteArray::number(x, 'f', 2) + ' ' + QByteArray::number(y, 'f', 2) + " Td (";
                for (char c : StringToCodePage(T.Text, 1251)) {
                    if (c == '(' || c == ')' || c == '\\') S += '\\';
                    S += c;
                }
                S += ") Tj ET\n";
            }
            Obj();
            Buf += "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595.28 841.89] /Resources << /Font << /F1 3 0 R >> >> "
                   "/Contents " +
                   QByteArray::number(5 + 2 * i) + " 0 R >>\nendobj\n";
            Obj();
            Buf += "<< /Length " + QByteArray::number(S.size()) + " >>\nstream\n" + S + "\nendstream\nendobj\n";
            if (Buf.size() > (1 << 20)) Flush();
        }
        const long long Xref = At + Buf.size();
        Buf += "xref\n0 " + QByteArray::number(qsizetype(Offsets.size() + 1)) + "\n0000000000 65535 f \n";
        char Entry[24];
        for (long long O : Offsets) {
            std::snprintf(Entry, sizeof Entry, "%010lld 00000 n \n", O);
            Buf += Entry;
        }
        Buf += "trailer\n<< /Size " + QByteArray::number(qsizetype(Offsets.size() + 1)) +
               " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(Xref) + "\n%%EOF\n";
        Flush();
        return At;
    }
};

Result LimitRun(int Rows, bool Pdf) {
    Result R;
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TDataSet* Data = MakeData(Root.get(), Rows);
    const QString File = QDir::temp().filePath(QStringLiteral("bench_report_limit_%1.pdf").arg(getpid()));
    auto t0 = Clock::now();
    Limit L;
    L.Run(Data);
    if (Pdf) R.Bytes = L.WritePdf(File);
    R.Seconds = Seconds(t0, Clock::now());
    R.Pages = int(L.Pages.size());
    if (!Pdf) {
        long long Held = 0;
        for (const Page& P : L.Pages)
            for (const PlacedText& T : P) Held += qsizetype(sizeof T) + T.Text.size() * 2;
        R.Bytes = Held;
    }
    CopyTotal(R, FormatFloat(QString::fromLatin1(Money), L.Total));
    QFile::remove(File);
    return R;
}

// The rows made and nothing else: the memory every case starts from.
Result RowsOnly(int Rows) {
    Result R;
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto t0 = Clock::now();
    TDataSet* Data = MakeData(Root.get(), Rows);
    R.Seconds = Seconds(t0, Clock::now());
    CopyTotal(R, QString::number(Data->RecordCount()) + QStringLiteral(" rows"));
    return R;
}

// ---- running the cases ---------------------------------------------------------------------------

enum Case { cOursGenerate, cOursPdf, cOursQt, cLimitGenerate, cLimitPdf, cRowsOnly };
const char* const CaseNames[] = {"ours: generate pages", "ours: generate + PDF", "ours: pages via Qt PDF printer",
                                 "limit: generate pages", "limit: generate + PDF", "the rows alone (every case's base)"};
const char* const BytesNames[] = {"page file", "PDF", "PDF", "held", "PDF", "none"};
const char* const CaseKeys[] = {"gen", "pdf", "qt", "limit", "limitpdf", "rows"};

// Whether BENCH_CASES (a comma-separated list of case keys) asks for the case; all when unset.
bool Wanted(Case C) {
    const char* Cases = std::getenv("BENCH_CASES");
    if (!Cases || !*Cases) return true;
    for (const QString& K : QString::fromLatin1(Cases).split(QLatin1Char(',')))
        if (K.trimmed() == QLatin1String(CaseKeys[C])) return true;
    return false;
}

// Runs one case in a child process; its result comes back through a pipe.
Result Run(Case C, int Rows) {
    switch (C) {
        case cOursGenerate: return OursGenerate(Rows);
        case cOursPdf: return OursPdf(Rows);
        case cOursQt: return OursQtPrinter(Rows);
        case cLimitGenerate: return LimitRun(Rows, false);
        case cLimitPdf: return LimitRun(Rows, true);
        case cRowsOnly: return RowsOnly(Rows);
    }
    return Result();
}

bool RunCase(Case C, int Rows, int argc, char** argv, Result& R, long& PeakKb) {
    // BENCH_INPROCESS=1 runs one case without a child, so that a heap profiler sees it.
    if (const char* In = std::getenv("BENCH_INPROCESS"); In && *In == '1') {
        Application->Initialize(argc, argv);
        R = Run(C, Rows);
        DoneApplication();
        rusage U{};
        getrusage(RUSAGE_SELF, &U);
        PeakKb = U.ru_maxrss;
        return true;
    }
    int Fd[2];
    if (pipe(Fd) != 0) return false;
    const pid_t Pid = fork();
    if (Pid == 0) {
        close(Fd[0]);
        Application->Initialize(argc, argv);
        Result Out = Run(C, Rows);
        DoneApplication();
        const bool Ok = write(Fd[1], &Out, sizeof Out) == ssize_t(sizeof Out);
        _exit(Ok ? 0 : 1);
    }
    close(Fd[1]);
    const bool Read = Pid > 0 && read(Fd[0], &R, sizeof R) == ssize_t(sizeof R);
    close(Fd[0]);
    int Status = 0;
    rusage U{};
    if (Pid > 0) wait4(Pid, &Status, 0, &U);
    PeakKb = U.ru_maxrss;
    return Read && WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        static std::string Dir = QDir::temp().filePath(QStringLiteral("runtime-%1").arg(getuid())).toStdString();
        QDir().mkpath(QString::fromStdString(Dir));
        QFile::setPermissions(QString::fromStdString(Dir), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setenv("XDG_RUNTIME_DIR", Dir.c_str(), 1);
    }
    std::vector<int> RowCounts;
    for (int i = 1; i < argc; ++i) RowCounts.push_back(std::atoi(argv[i]));
    if (RowCounts.empty()) RowCounts = {20000, 100000};
    int Failed = 0;
    for (int Rows : RowCounts) {
        std::printf("\n%d rows\n", Rows);
        std::printf("%-32s %9s %7s %9s %10s %14s %8s  %s\n", "", "seconds", "pages", "pages/s", "peak MB", "bytes",
                    "B/page", "grand total");
        double LimitGen = 0, LimitPdf = 0, OurGen = 0, OurPdf = 0;
        for (Case C : {cRowsOnly, cOursGenerate, cOursPdf, cOursQt, cLimitGenerate, cLimitPdf}) {
            if (!Wanted(C)) continue;
            Result R;
            long Peak = 0;
            if (!RunCase(C, Rows, 1, argv, R, Peak)) {
                std::printf("%-32s failed\n", CaseNames[C]);
                ++Failed;
                continue;
            }
            std::printf("%-32s %9.2f %7d %9.0f %10.1f %14lld %8lld  %s (%s)\n", CaseNames[C], R.Seconds, R.Pages,
                        R.Pages / R.Seconds, Peak / 1024.0, R.Bytes, R.Pages ? R.Bytes / R.Pages : 0, R.Total,
                        BytesNames[C]);
            std::fflush(stdout);
            if (C == cOursGenerate) OurGen = R.Seconds;
            if (C == cOursPdf) OurPdf = R.Seconds;
            if (C == cLimitGenerate) LimitGen = R.Seconds;
            if (C == cLimitPdf) LimitPdf = R.Seconds;
        }
        if (OurGen > 0 && LimitGen > 0 && OurPdf > 0 && LimitPdf > 0)
            std::printf("ratios to the limit: generate %.1fx, generate + PDF %.1fx\n", OurGen / LimitGen,
                        OurPdf / LimitPdf);
    }
    return Failed ? 1 : 0;
}
