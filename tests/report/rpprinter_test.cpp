#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/metafile.h"
#include "platform/rtl/lists.h"
#include "platform/testing/fakeprinter.h"
#include "report/rppages.h"
#include "report/rpprinter.h"
#include "report/rpprintersettings.h"
#include "report/rpunits.h"
#include "rpprinter_support.h"
#include "../support/tools.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <atomic>
#include <thread>

namespace {

// Draws "Страница N" at 10 mm, 10 mm on each of Count pages and ends the document.
void MakePages(TRpPrinter* P, int Count) {
    P->BeginDoc();
    for (int i = 1; i <= Count; ++i) {
        P->NewPage();
        P->Canvas()->TextOut(P->XPos(100), P->YPos(100), QStringLiteral("Страница %1").arg(i));
    }
    P->EndDoc();
}

QByteArray PrinterPageBytes(TRpPrinter* P, int N) {
    TOwned<TMetafile> m(P->GetPage(N));
    return m ? m->Data() : QByteArray();
}

}  // namespace

TEST(RpPrinter, UnitsAndWastes) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    EXPECT_TRUE(p->PrinterOK());
    EXPECT_DOUBLE_EQ(double(p->XFactor()), 0.37795);
    // Recorded pages: the screen's 96 per inch, no waste.
    p->BeginDoc();
    EXPECT_EQ(p->XPos(2100), 794);
    EXPECT_EQ(p->YSize(2970), 1123);
    p->AbortDoc();
    p->Cleanup();
    // Straight to the printer: 600 per inch, the device's 4 mm margins subtracted.
    p->SetDestination(rpdPrinter);
    EXPECT_EQ(p->LeftWaste(), 40);
    EXPECT_EQ(p->TopWaste(), 40);
    p->BeginDoc();
    EXPECT_EQ(p->XPos(40), 0);
    EXPECT_EQ(p->YPos(40), 0);
    EXPECT_LT(p->XPos(30), 0);
    EXPECT_EQ(p->XSize(254), 600);
    EXPECT_EQ(p->YPos(294), 600);
    p->AbortDoc();
}

TEST(RpPrinter, DocumentStates) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    EXPECT_EQ(p->Status(), mpReady);
    try {
        p->NewPage();
        ADD_FAILURE();
    } catch (const ERpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Illegal call to NewPage"));
    }
    p->BeginDoc();
    EXPECT_EQ(p->Status(), mpBusy);
    try {
        p->BeginDoc();
        ADD_FAILURE();
    } catch (const ERpError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("RpPrinter not ready"));
    }
    p->NewPage();
    p->EndDoc();
    EXPECT_EQ(p->Status(), mpFinished);
    EXPECT_EQ(p->PageCount(), 1);
    EXPECT_EQ(p->AvailablePages(), 1);
    EXPECT_EQ(p->PageList()->PageCount(), 1);
    p->EndDoc();  // nothing while not busy
    EXPECT_EQ(p->AvailablePages(), 1);

    p->Cleanup();
    EXPECT_EQ(p->Status(), mpReady);
    EXPECT_EQ(p->GetPage(1), nullptr);
    MakePages(p.get(), 3);
    EXPECT_EQ(p->AvailablePages(), 3);
    EXPECT_EQ(p->PageList()->PageCount(), 3);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(MetafileTexts(PrinterPageBytes(p.get(), i)), QStringList{QStringLiteral("Страница %1").arg(i)});
    EXPECT_EQ(p->GetPage(0), nullptr);
    EXPECT_EQ(p->GetPage(4), nullptr);
}

TEST(RpPrinter, PagesAreThePaperInScreenPixels) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    p->SetPaperSize(A5);
    p->SetOrientation(poLandscape);
    EXPECT_EQ(p->PaperWidthValue(), 2100);
    EXPECT_EQ(p->PaperLengthValue(), 1480);
    MakePages(p.get(), 1);
    TOwned<TMetafile> m(p->GetPage(1));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->Width(), 794);
    EXPECT_EQ(m->Height(), 559);
}

TEST(RpPrinter, AbortKeepsTheOpenPageAndCleanupDropsAll) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    p->BeginDoc();
    p->NewPage();
    p->NewPage();
    p->Canvas()->TextOut(0, 0, QStringLiteral("x"));
    p->AbortDoc();
    EXPECT_EQ(p->Status(), mpFinished);
    EXPECT_EQ(p->PageList()->PageCount(), 2);
    EXPECT_EQ(MetafileTexts(PrinterPageBytes(p.get(), 2)), QStringList{QStringLiteral("x")});
    // A busy document cleaned up is cancelled and its open page dropped.
    p->Cleanup();
    p->BeginDoc();
    p->NewPage();
    p->Cleanup();
    EXPECT_TRUE(p->Cancelled());
    EXPECT_EQ(p->Status(), mpReady);
    EXPECT_EQ(p->PageList()->PageCount(), 0);
}

TEST(RpPrinter, DirectPrintingOfARange) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    p->SetDestination(rpdPrinter);
    p->SetTitle(QStringLiteral("Табель"));
    p->SetFirstPage(3);
    p->SetLastPage(5);
    MakePages(p.get(), 7);
    ASSERT_EQ(fake.Backend.Jobs.size(), 1u);
    const TFakePrinterBackend::TJob& job = fake.Backend.Jobs[0];
    EXPECT_TRUE(job.Ended);
    EXPECT_EQ(job.Title, QStringLiteral("Табель"));
    ASSERT_EQ(job.Sheets.size(), 3u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(MetafileTexts(job.Sheets[i]), QStringList{QStringLiteral("Страница %1").arg(i + 3)}) << i;
    EXPECT_EQ(p->PageList()->PageCount(), 0);  // nothing stored
}

// ---- printing to the PDF file printer ----------------------------------------------------------

namespace {

using sdelka::test::ToolText;

// Three pages with a Cyrillic line, a rectangle and a picture.
void MakeRichPages(TRpPrinter* P) {
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(QColor(200, 30, 30));
    P->BeginDoc();
    for (int i = 1; i <= 3; ++i) {
        P->NewPage();
        TCanvas* c = P->Canvas();
        c->Font()->SetName(QStringLiteral("Arial"));
        c->Font()->SetSize(12);
        c->TextOut(P->XPos(200), P->YPos(200), QStringLiteral("Выработка за смену %1").arg(i));
        c->Rectangle(P->XPos(200), P->YPos(400), P->XPos(1000), P->YPos(700));
        c->Handle()->StretchBlt(TRect(P->XPos(1200), P->YPos(400), P->XPos(1600), P->YPos(600)), picture,
                                TRect(0, 0, 40, 20));
    }
    P->EndDoc();
}

int PdfPages(const String& File) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(ToolText(QStringLiteral("pdfinfo"), {File}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

String PdfPageSize(const String& File) {
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s+([^\\n]*)")).match(ToolText(QStringLiteral("pdfinfo"), {File}));
    return m.hasMatch() ? m.captured(1) : String();
}

String PdfText(const String& File, int Page) {
    const String n = QString::number(Page);
    return ToolText(QStringLiteral("pdftotext"), {QStringLiteral("-f"), n, QStringLiteral("-l"), n, File, QStringLiteral("-")});
}

// Page 1 rendered at 50 pixels per inch.
QImage PdfPicture(const String& File) {
    const String base = File + QStringLiteral(".p1");
    ToolText(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-png"), QStringLiteral("-singlefile"),
                                         QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"), File, base});
    QImage img(base + QStringLiteral(".png"));
    QFile::remove(base + QStringLiteral(".png"));
    return img;
}

class RpPrinterPdf : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrinter(nullptr);  // the standard backend with its PDF file printer
        P = NewOwned<TRpPrinter>();
        const int pdf = P->Printers()->IndexOf(PdfFilePrinterName());
        ASSERT_GE(pdf, 0);
        P->SetPrinterIndex(pdf);
        P->SetPaperSize(A5);
        P->SetOrientation(poLandscape);
    }
    void TearDown() override {
        P.reset();
        SetPrinter(nullptr);
        for (const String& f : Files) QFile::remove(f);
    }
    String NewFile() {
        Files << QDir::temp().filePath(QStringLiteral("rpprinter_%1_%2.pdf").arg(QCoreApplication::applicationPid()).arg(Files.size()));
        return Files.last();
    }
    TOwned<TRpPrinter> P;
    QStringList Files;
};

}  // namespace

TEST_F(RpPrinterPdf, StoredPagesPrintWithTheirTextOnTheChosenPaper) {
    MakeRichPages(P.get());
    const String all = NewFile();
    P->PrinterObject()->SetFileName(all);
    P->Print();
    EXPECT_EQ(PdfPages(all), 3);
    EXPECT_EQ(PdfPageSize(all), QStringLiteral("595 x 420 pts (A5)"));  // turned
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(PdfText(all, i).contains(QStringLiteral("Выработка за смену %1").arg(i))) << i;
    EXPECT_TRUE(ToolText(QStringLiteral("qpdf"), {QStringLiteral("--check"), all}).contains(QStringLiteral("No syntax or stream encoding errors")));
    // The picture (red, 14..16 cm from the left, 4..6 cm from the top) and the rectangle's left
    // edge at 2 cm, seen at 50 pixels per inch.
    const QImage img = PdfPicture(all);
    ASSERT_FALSE(img.isNull());
    EXPECT_NEAR(img.width(), 413, 1);
    EXPECT_NEAR(img.height(), 292, 1);
    const QColor picture = img.pixelColor(275, 98);
    EXPECT_GT(picture.red(), 150);
    EXPECT_LT(picture.green(), 80);
    int dark = 0;
    for (int x = 37; x <= 41; ++x) dark += qGray(img.pixel(x, 100)) < 100;
    EXPECT_GT(dark, 0);
    EXPECT_GT(qGray(img.pixel(100, 100)), 200);  // inside the rectangle: paper

    const String second = NewFile();
    P->PrinterObject()->SetFileName(second);
    P->SetFirstPage(2);
    P->SetLastPage(2);
    P->Print();
    EXPECT_EQ(PdfPages(second), 1);
    EXPECT_TRUE(PdfText(second, 1).contains(QStringLiteral("Выработка за смену 2")));
    EXPECT_EQ(P->FirstPage(), 0);  // the range is used once
}

TEST_F(RpPrinterPdf, DirectPrintingOfOnePage) {
    const String file = NewFile();
    P->PrinterObject()->SetFileName(file);
    P->SetDestination(rpdPrinter);
    P->SetFirstPage(2);
    P->SetLastPage(2);
    MakeRichPages(P.get());
    EXPECT_EQ(PdfPages(file), 1);
    EXPECT_EQ(PdfPageSize(file), QStringLiteral("595 x 420 pts (A5)"));
    const String text = PdfText(file, 1);
    EXPECT_TRUE(text.contains(QStringLiteral("Выработка за смену 2"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("смену 1")));
}

// ---- page files --------------------------------------------------------------------------------

namespace {

// An independent reader of the page file layout: the header's fields and the record chain.
const char* const PageFileChecker = R"PY(
import struct, sys
d = open(sys.argv[1], 'rb').read()
compressed, pages = int(sys.argv[2]), int(sys.argv[3])
assert struct.unpack_from('<HH', d, 0) == (3, 60), 'signature words'
assert struct.unpack_from('<i', d, 8)[0] == pages, 'page count'
assert 40000 < struct.unpack_from('<d', d, 16)[0] < 80000, 'date'
assert d[25] == compressed, 'compression flag'
assert d[26:126] == b'H' * 100, 'filler'
pos, n = 128, 0
while pos < len(d):
    number, nxt = struct.unpack_from('<ii', d, pos)
    n += 1
    assert number == n, 'page number'
    if compressed:
        assert struct.unpack_from('<i', d, pos + 8)[0] > 88, 'uncompressed length'
    else:
        assert struct.unpack_from('<I', d, pos + 8)[0] == 1 and d[pos + 48:pos + 52] == b' EMF', 'metafile header'
        assert pos + 8 + struct.unpack_from('<I', d, pos + 56)[0] + 4 == nxt, 'metafile length'
    assert struct.unpack_from('<i', d, nxt - 4)[0] == pos, 'trailing start'
    pos = nxt
assert pos == len(d) and n == pages, 'chain end'
print('OK')
)PY";

QByteArray ReadAll(const String& File) {
    QFile f(File);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const String& File, const QByteArray& Bytes) {
    QFile f(File);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(Bytes);
}

class RpPrinterFiles : public ::testing::Test {
protected:
    void TearDown() override {
        for (const String& f : Files) QFile::remove(f);
    }
    String NewFile() {
        Files << QDir::temp().filePath(QStringLiteral("rpprinter_%1_%2.rpp").arg(QCoreApplication::applicationPid()).arg(Files.size()));
        return Files.last();
    }
    TFakePrinterScope Fake;
    QStringList Files;
};

}  // namespace

TEST_F(RpPrinterFiles, SavedPagesLoadBackIdentical) {
    for (const bool compressed : {false, true}) {
        TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
        p->SetCompression(compressed);
        MakePages(p.get(), 3);
        const String file = NewFile();
        p->Save(file);
        EXPECT_EQ(ToolText(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(PageFileChecker), file,
                                                      QString::number(compressed), QStringLiteral("3")})
                      .trimmed(),
                  QStringLiteral("OK"))
            << compressed;

        TOwned<TRpPrinter> q = NewOwned<TRpPrinter>();
        q->Load(file);
        EXPECT_EQ(q->Status(), mpFinished);
        EXPECT_TRUE(q->ReportLoaded());
        EXPECT_TRUE(PrintFromPagesFlag);
        EXPECT_EQ(q->Compression(), compressed);
        ASSERT_EQ(q->PageCount(), 3);
        for (int i : {3, 1, 2}) EXPECT_EQ(PrinterPageBytes(q.get(), i), PrinterPageBytes(p.get(), i)) << compressed << i;
        const String again = NewFile();
        q->Save(again);
        EXPECT_EQ(ReadAll(again), ReadAll(file));

        TMemoryStream m;
        const QByteArray bytes = ReadAll(file);
        m.WriteBuffer(bytes.constData(), static_cast<Integer>(bytes.size()));
        TOwned<TRpPrinter> r = NewOwned<TRpPrinter>();
        r->LoadFromStream(&m);
        EXPECT_EQ(PrinterPageBytes(r.get(), 2), PrinterPageBytes(p.get(), 2));
    }
}

TEST_F(RpPrinterFiles, UnfinishedDocumentsAreNotSaved) {
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    const String file = NewFile();
    EXPECT_THROW(p->Save(file), ERpError);
    p->BeginDoc();
    p->NewPage();
    EXPECT_THROW(p->Save(file), ERpError);
    EXPECT_FALSE(QFile::exists(file));
}

TEST_F(RpPrinterFiles, DamagedFilesAreRefusedAndThePagesShownStay) {
    for (const bool compressed : {false, true}) {
        TOwned<TRpPrinter> source = NewOwned<TRpPrinter>();
        source->SetCompression(compressed);
        MakePages(source.get(), 3);
        const String good = NewFile();
        source->Save(good);
        const QByteArray bytes = ReadAll(good);

        TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
        p->Load(good);
        const String bad = NewFile();
        // Every truncation is refused.
        for (qsizetype n = 0; n < bytes.size(); n += (n < 300 ? 1 : 7)) {
            WriteAll(bad, bytes.left(n));
            EXPECT_THROW(p->Load(bad), Exception) << compressed << " " << n;
            ASSERT_EQ(p->PageCount(), 3);
        }
        EXPECT_EQ(PrinterPageBytes(p.get(), 3), PrinterPageBytes(source.get(), 3));
        // Corrupted bytes: a load either refuses the file or gives pages that read or raise.
        quint32 seed = 12345;
        auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
        for (int round = 0; round < 300; ++round) {
            QByteArray c = bytes;
            for (int k = 0; k < 1 + round % 4; ++k) c[next() % c.size()] = static_cast<char>(next() >> 24);
            WriteAll(bad, c);
            TOwned<TRpPrinter> q = NewOwned<TRpPrinter>();
            try {
                q->Load(bad);
                for (int i = q->PageCount(); i >= 1; --i) {
                    try {
                        TOwned<TMetafile> m(q->GetPage(i));
                    } catch (const Exception&) {
                    }
                }
            } catch (const Exception&) {
                EXPECT_EQ(q->Status(), mpReady);
            }
        }
    }
}

TEST_F(RpPrinterFiles, PaperIsGuessedFromTheFirstPage) {
    struct TCase {
        TRpPaperSize Paper;
        TPrinterOrientation Orientation;
        int Width, Length;  // 0.1 mm, for Custom
        TRpPaperSize Expected;
        TPrinterOrientation ExpectedOrientation;
    };
    const TCase cases[] = {
        {A4, poPortrait, 0, 0, A4, poPortrait},          // the first match, not A4Small
        {A4, poLandscape, 0, 0, A4, poLandscape},
        {Letter, poPortrait, 0, 0, Letter, poPortrait},  // not Note
        {A5, poLandscape, 0, 0, A5, poLandscape},        // a page a little short of its paper
        {A3, poPortrait, 0, 0, A3, poPortrait},
        {Custom, poPortrait, 3000, 2000, A4, poLandscape},  // no paper: the size stays, turned
    };
    for (const TCase& c : cases) {
        TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
        p->SetPaperSize(c.Paper);
        p->SetOrientation(c.Orientation);
        p->SetPaperWidth(c.Width);
        p->SetPaperLength(c.Length);
        MakePages(p.get(), 1);
        const String file = NewFile();
        p->Save(file);
        TOwned<TRpPrinter> q = NewOwned<TRpPrinter>();
        q->SetPaperSize(A4);
        q->Load(file);
        EXPECT_EQ(q->PaperSize(), c.Expected) << c.Paper;
        EXPECT_EQ(q->Orientation(), c.ExpectedOrientation) << c.Paper;
    }
}

// ---- printing stored pages ---------------------------------------------------------------------

TEST(RpPrinterPrint, StoredPagesGoToTheDeviceInRange) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    MakePages(p.get(), 4);
    p->SetCopies(2);
    p->Print();
    ASSERT_EQ(fake.Backend.Jobs.size(), 1u);
    EXPECT_EQ(fake.Backend.Jobs[0].Sheets.size(), 4u);
    EXPECT_EQ(fake.Backend.Jobs[0].Mode.dmCopies, 2);
    EXPECT_TRUE(fake.Backend.Jobs[0].Ended);
    p->SetFirstPage(2);
    p->SetLastPage(3);
    p->Print();
    ASSERT_EQ(fake.Backend.Jobs.size(), 2u);
    ASSERT_EQ(fake.Backend.Jobs[1].Sheets.size(), 2u);
    EXPECT_EQ(MetafileTexts(fake.Backend.Jobs[1].Sheets[0]), QStringList{QStringLiteral("Страница 2")});
    EXPECT_EQ(MetafileTexts(fake.Backend.Jobs[1].Sheets[1]), QStringList{QStringLiteral("Страница 3")});

    // A cancel request lets the page being printed finish and stops the job after it; a cancel
    // left from before the print does not stop it.
    fake.Backend.Jobs.clear();
    p->Cancel();
    fake.Backend.OnNewSheet = [&p](int Sheets) {
        if (Sheets == 2) p->Cancel();
    };
    p->Print();
    ASSERT_EQ(fake.Backend.Jobs.size(), 1u);
    EXPECT_EQ(fake.Backend.Jobs[0].Sheets.size(), 2u);
    EXPECT_TRUE(fake.Backend.Jobs[0].Aborted);
    EXPECT_FALSE(fake.Backend.Jobs[0].Ended);
}

TEST(RpPrinterPrint, FailuresAreReported) {
    {
        TFakePrinterScope fake;
        TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
        EXPECT_THROW(p->Print(), ERpError);  // nothing finished yet
        MakePages(p.get(), 1);
        fake.Backend.RefuseJobs = true;
        try {
            p->Print();
            ADD_FAILURE();
        } catch (const ERpError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("The print job did not start"));
        }
    }
    {
        TFakePrinterScope none(std::vector<TPrinterDevice>{});
        TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
        EXPECT_FALSE(p->PrinterOK());
        MakePages(p.get(), 1);
        try {
            p->Print();
            ADD_FAILURE();
        } catch (const ERpError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("No printer is installed"));
        }
    }
}

// ---- messages to the client window -------------------------------------------------------------

namespace {

class TPageWatcher : public TWinControl {
    SDELKA_CLASS(TPageWatcher, TWinControl)
protected:
    ~TPageWatcher() override = default;

private:
public:
    using TWinControl::TWinControl;
    std::vector<std::pair<UINT, WPARAM>> Got;
    void WndProc(TMessage& M) override {
        if (M.Msg == RP_WM_PROGRESS || M.Msg == RP_WM_PAGES) {
            Got.emplace_back(M.Msg, M.WParam);
            return;
        }
        TWinControl::WndProc(M);
    }
};

}  // namespace

TEST(RpPrinterMessages, PagesAndProgressArePostedToTheClient) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    TPageWatcher* w = New<TPageWatcher>(nullptr);
    p->SetClient(w);  // makes the window's handle
    MakePages(p.get(), 3);
    p->SetProgress(50);
    DispatchPostedMessages();
    const std::vector<std::pair<UINT, WPARAM>> expected{
        {RP_WM_PAGES, 1}, {RP_WM_PAGES, 2}, {RP_WM_PAGES, 3}, {RP_WM_PROGRESS, 50}};
    EXPECT_EQ(w->Got, expected);

    // A report thread keeps posting while the client window is freed: the posts are dropped.
    p->Cleanup();
    w->Got.clear();
    std::atomic<int> stored{0};
    std::thread generator([&p, &stored] {
        p->BeginDoc();
        for (int i = 0; i < 200; ++i) {
            p->NewPage();
            p->Canvas()->Rectangle(10, 10, 50, 50);
            stored = i;
        }
        p->EndDoc();
    });
    while (stored < 20) std::this_thread::yield();
    DispatchPostedMessages();
    EXPECT_FALSE(w->Got.empty());
    w->Free();
    generator.join();
    DispatchPostedMessages();
    EXPECT_EQ(p->PageCount(), 200);
    EXPECT_EQ(p->AvailablePages(), 200);
    EXPECT_EQ(PostedMessageCount(), 0);
}

// ---- the parent report, the master window and the preview --------------------------------------

namespace {

class TFakePrinterReport : public TObject, public IRpPrinterReport {
public:
    TFakePrinterReport() {
        Page->SetUnits(Native);
        Page->SetWidth(2100);
        Page->SetLength(2970);
    }
    TRpPrinterSettings* PrinterSettings() override { return Settings.get(); }
    TRpPage* PageSetup() override { return Page.get(); }
    bool ShowProgress() override { return false; }
    bool AdjustScreenRes() override { return false; }
    bool Exporting() override { return IsExporting; }
    void DoAfterPrint() override { ++AfterPrints; }

    TOwned<TRpPrinterSettings> Settings = NewOwned<TRpPrinterSettings>();
    TOwned<TRpPage> Page = NewOwned<TRpPage>();
    int AfterPrints = 0;
    bool IsExporting = false;
};

// The reference point of the first text record of a metafile.
TPoint FirstTextAt(const QByteArray& Data) {
    TPoint at(-1, -1);
    EnumEnhMetaFile(Data, [&at](const TEnhMetaRecord& R) {
        TEnhMetaText t;
        if (!DecodeExtTextOutW(R, t)) return true;
        at = t.Reference;
        return false;
    });
    return at;
}

class TPreviewRecorder : public TRpPreviewInterface {
    SDELKA_CLASS(TPreviewRecorder, TRpPreviewInterface)
protected:
    ~TPreviewRecorder() override = default;

private:
public:
    using TRpPreviewInterface::TRpPreviewInterface;
    static inline int Shown = 0;
    static inline int ShownModal = 0;
    TWinControl* Show(TRpPrinter*) override {
        ++Shown;
        return nullptr;
    }
    TWinControl* ShowModal(TRpPrinter*) override {
        ++ShownModal;
        return nullptr;
    }
};

}  // namespace

TEST(RpPrinterReport, StoredPagesCoverTheWholeSheet) {
    TFakePrinterScope fake;
    TFakePrinterReport report;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>(&report);
    EXPECT_EQ(p->ParentReport(), &report);
    MakePages(p.get(), 3);
    report.Settings->SetFirstPage(2);
    report.Settings->SetLastPage(2);
    p->Print();
    ASSERT_EQ(fake.Backend.Jobs.size(), 1u);
    ASSERT_EQ(fake.Backend.Jobs[0].Sheets.size(), 1u);
    EXPECT_EQ(MetafileTexts(fake.Backend.Jobs[0].Sheets[0]), QStringList{QStringLiteral("Страница 2")});
    EXPECT_EQ(report.AfterPrints, 1);
    EXPECT_EQ(report.Settings->FirstPage(), 0);
    EXPECT_EQ(report.Settings->LastPage(), 0);
    // 10 mm from the sheet's edge is 10 - 4 mm from the printable area's at 600 per inch.
    const TPoint at = FirstTextAt(fake.Backend.Jobs[0].Sheets[0]);
    EXPECT_NEAR(at.X, 142, 3);
    EXPECT_NEAR(at.Y, 142, 3);

    // Without a report the page is stretched over the printable area.
    TOwned<TRpPrinter> q = NewOwned<TRpPrinter>();
    MakePages(q.get(), 1);
    q->Print();
    ASSERT_EQ(fake.Backend.Jobs.size(), 2u);
    EXPECT_NEAR(FirstTextAt(fake.Backend.Jobs[1].Sheets[0]).X, 227, 3);
}

TEST(RpPrinterReport, AnAbortedExportStoresNoOpenPage) {
    TFakePrinterScope fake;
    TFakePrinterReport report;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>(&report);
    report.IsExporting = true;
    p->BeginDoc();
    p->NewPage();
    p->NewPage();
    p->AbortDoc();
    EXPECT_EQ(p->PageList()->PageCount(), 1);
}

TEST(RpPrinterReport, MasterPreviewAndHooks) {
    TFakePrinterScope fake;
    TOwned<TRpPrinter> p = NewOwned<TRpPrinter>();
    TPageWatcher* master = New<TPageWatcher>(nullptr);
    master->HandleNeeded();
    p->SetMaster(master);
    MakePages(p.get(), 1);
    // Pages made for the preview are printed by running the report again for the printer.
    TMsg m;
    p->Print();
    EXPECT_TRUE(PeekMessage(m, master->Handle(), RP_WM_PRINT, RP_WM_PRINT, PM_REMOVE));
    EXPECT_TRUE(fake.Backend.Jobs.empty());
    p->SetPrintMetafile(true);
    p->Print();
    EXPECT_EQ(fake.Backend.Jobs.size(), 1u);

    // Closing the preview: AfterPreview, a running generation cancelled, the master told.
    int afterPreview = 0;
    p->AfterPreview = [&afterPreview](TObject*) { ++afterPreview; };
    p->SetShowingPreview(true);
    p->ClosePreview(nullptr);
    EXPECT_EQ(afterPreview, 1);
    EXPECT_FALSE(p->ShowingPreview());
    p->ClosePreview(nullptr);
    EXPECT_EQ(afterPreview, 1);  // only when it was showing
    p->AfterPreview = [](TObject*) { throw Exception(QStringLiteral("x")); };
    p->SetShowingPreview(true);
    EXPECT_THROW(p->SetShowingPreview(false), Exception);
    EXPECT_FALSE(p->ShowingPreview());  // the flag changes also when the event raises
    master->Free();

    // The preview factory, unless OnPreview replaces it.
    const TComponentClass saved = PreviewInterfaceClass;
    PreviewInterfaceClass = TPreviewRecorder::StaticClass();
    p->Preview();
    p->PreviewModal();
    EXPECT_EQ(TPreviewRecorder::Shown, 1);
    EXPECT_EQ(TPreviewRecorder::ShownModal, 1);
    int previews = 0;
    p->OnPreview = [&previews](TObject*) { ++previews; };
    p->Preview();
    EXPECT_EQ(previews, 1);
    EXPECT_EQ(TPreviewRecorder::Shown, 1);
    PreviewInterfaceClass = saved;

    // Setup and export hooks do nothing else; a loaded document drops them.
    int setups = 0;
    p->OnPrintSetup = [&setups] { ++setups; };
    p->PrintSetup();
    EXPECT_EQ(setups, 1);
    EXPECT_THROW(p->ExportMetafile(QStringLiteral("x.pdf"), 1, 1), ERpError);
}
