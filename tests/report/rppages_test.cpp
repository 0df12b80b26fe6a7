#include "platform/rtl/dateutils.h"
#include "platform/rtl/fileutils.h"
#include "report/rpcompress.h"
#include "report/rppages.h"
#include "report/rppages_support.h"
#include "support/safefile_check.h"

#include <gtest/gtest.h>
#include <QFile>
#include <atomic>
#include <thread>

namespace {

QByteArray Bytes(TStream* S) {
    const Int64 saved = S->Position();
    QByteArray b(static_cast<qsizetype>(S->Size()), '\0');
    S->SetPosition(0);
    if (!b.isEmpty()) S->ReadBuffer(b.data(), static_cast<Integer>(b.size()));
    S->SetPosition(saved);
    return b;
}

QByteArray FileBytes(const String& Name) {
    TFileStream f(Name, fmOpenRead);
    return Bytes(&f);
}

void WriteFile(const String& Name, const QByteArray& B) {
    TFileStream f(Name, fmCreate);
    f.WriteBuffer(B.constData(), static_cast<Integer>(B.size()));
}

QByteArray Code(const QByteArray& Plain) {
    TMemoryStream out;
    {
        TRpCompress coder(&out, true);
        for (char c : Plain) coder.Compress(static_cast<Byte>(c));
    }
    return Bytes(&out);
}

// The current header as the format gives it, with a fixed date (45000.25).
QByteArray Header128(int Count, bool Compressed) {
    QByteArray h(128, '\0');
    h[0] = 3;
    h[2] = 60;
    PutLE32(h, 8, Count);
    h.replace(16, 8, QByteArray::fromHex("00000000 08f9e540"));
    h[25] = Compressed ? 1 : 0;
    h.replace(26, 100, QByteArray(100, 'H'));
    return h;
}

// A page file laid out by hand: Header, then one uncompressed record per page.
QByteArray BuildFile(const QByteArray& Header, const QList<QByteArray>& Pages) {
    QByteArray f = Header;
    int number = 1;
    for (const QByteArray& p : Pages) {
        const int start = static_cast<int>(f.size());
        QByteArray rec(8, '\0');
        PutLE32(rec, 0, number++);
        PutLE32(rec, 4, start + 8 + static_cast<int>(p.size()) + 4);
        rec += p;
        QByteArray tail(4, '\0');
        PutLE32(tail, 0, start);
        f += rec + tail;
    }
    return f;
}

TRpStream* StreamOf(const QByteArray& B, Integer Limit = 1000000) {
    TRpStream* s = New<TRpStream>(Limit);
    if (!B.isEmpty()) s->WriteBuffer(B.constData(), static_cast<Integer>(B.size()));
    s->SetPosition(0);
    return s;
}

class RpPages : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock([] { return 45000.25; });
        List = New<TRpPageList>();
        List->SetStream(New<TRpStream>(1000000));
    }
    void TearDown() override {
        List->Free();
        SetClock(nullptr);
        for (const String& f : Files) DeleteFile(f);
    }
    String TempFile() {
        Files.append(GetTempFileName(QStringLiteral("rpt")));
        return Files.last();
    }
    std::optional<QByteArray> Page(TRpPageList* L, int N) { return L->GetPage(N); }

    TRpPageList* List = nullptr;
    QStringList Files;
    const QList<QByteArray> Pages{MakeEmf(0, 1), MakeEmf(12, 2), MakeEmf(4, 3)};
};

}  // namespace

// ---- the page stream ---------------------------------------------------------------------------

TEST(RpStream, MovesToATemporaryFileBeyondTheLimit) {
    TRpStream* s = New<TRpStream>(100);
    QByteArray data(100, '\0');
    for (int i = 0; i < 100; ++i) data[i] = static_cast<char>(i);
    s->WriteBuffer(data.constData(), 100);
    EXPECT_TRUE(s->InMemory());  // exactly at the limit
    s->SetPosition(50);
    s->WriteBuffer(data.constData(), 10);  // not growing: still in memory
    EXPECT_TRUE(s->InMemory());
    data.replace(50, 10, data.left(10));
    s->Seek(0, soEnd);
    s->WriteBuffer("Z", 1);
    data += 'Z';
    ASSERT_FALSE(s->InMemory());
    const String name = s->TempFileName();
    EXPECT_TRUE(ExtractFileName(name).startsWith(QStringLiteral("RPP")));
    EXPECT_EQ(ExtractFilePath(name), GetTempPath());
    EXPECT_TRUE(FileExists(name));
    EXPECT_EQ(s->Position(), 101);  // the file continues where memory stood
    s->WriteBuffer("Q", 1);
    data += 'Q';
    EXPECT_EQ(Bytes(s), data);
    s->Free();
    EXPECT_FALSE(FileExists(name));
}

TEST(RpStream, FailedMoveToDiskKeepsTheContentInMemory) {
    const QByteArray oldTmp = qgetenv("TMPDIR");
    const bool hadTmp = qEnvironmentVariableIsSet("TMPDIR");
    // A temporary folder that is a plain file: no file can be made inside it.
    const String notADir = GetTempFileName(QStringLiteral("rpt"));
    qputenv("TMPDIR", notADir.toUtf8());
    TRpStream* s = New<TRpStream>(10);
    s->WriteBuffer("0123456789", 10);
    EXPECT_THROW(s->Write("AB", 2), EFCreateError);
    if (hadTmp)
        qputenv("TMPDIR", oldTmp);
    else
        qunsetenv("TMPDIR");
    DeleteFile(notADir);
    EXPECT_TRUE(s->InMemory());
    EXPECT_EQ(Bytes(s), QByteArray("0123456789AB"));
    // The lock was released: another thread gets through, and the next growing write moves.
    std::thread other([s] { s->Seek(0, soEnd), s->WriteBuffer("C", 1); });
    other.join();
    EXPECT_FALSE(s->InMemory());
    EXPECT_EQ(Bytes(s), QByteArray("0123456789ABC"));
    s->Free();
}

TEST(RpStream, CreateFromFileAndSaveInBlocks) {
    QByteArray data;
    for (int i = 0; i < 25000; ++i) data.append(static_cast<char>(i * 31));
    const String name = GetTempFileName(QStringLiteral("rpt"));
    WriteFile(name, data);
    TRpStream* s = TRpStream::CreateFromFile(name);
    EXPECT_EQ(s->MemoryLimit(), 26000);
    EXPECT_EQ(s->Position(), 0);
    EXPECT_TRUE(s->InMemory());
    TMemoryStream copy;
    s->SaveToStream(&copy);  // more than two 10240-byte blocks
    EXPECT_EQ(Bytes(&copy), data);
    s->Free();
    DeleteFile(name);
    EXPECT_THROW(TRpStream::CreateFromFile(name), EFOpenError);
}

TEST(RpStream, HeaderSizeFromTheSignaturePlace) {
    struct Case {
        QList<int> at;  // offsets of "EMF"
        int size;
    } cases[] = {
        {{173}, 124}, {{169}, 120}, {{145}, 96}, {{177}, 128}, {{177, 173}, 124}, {{300}, 251},
        {{}, 128},    {{1001}, 952}, {{1002}, 128}, {{10}, -39},
    };
    for (const Case& c : cases) {
        QByteArray b(1200, '\0');
        for (int at : c.at) b.replace(at, 3, "EMF");
        TRpStream* s = StreamOf(b);
        s->SetPosition(7);
        EXPECT_EQ(s->GetHeaderSize(), c.size) << c.at.value(0);
        EXPECT_EQ(s->Position(), 7);
        s->Free();
    }
    // A compressed file whose coded bytes happen to hold the letters keeps its own header size.
    for (const bool old : {false, true}) {
        QByteArray b(1200, '\0');
        b[0] = 3;
        b[2] = 60;
        b.replace(old ? 22 : 26, 100, QByteArray(100, 'H'));
        b[old ? 21 : 25] = 1;
        b.replace(400, 3, "EMF");
        TRpStream* s = StreamOf(b);
        EXPECT_EQ(s->GetHeaderSize(), old ? 124 : 128) << old;
        s->Free();
    }
}

TEST(RpStream, ConvertHeaderMovesTheOldLayout) {
    TRpPageHeader h{};
    for (int i = 0; i < 124; ++i) h[i] = static_cast<Byte>(i + 1);
    TRpStream::ConvertHeader(h);
    const int expected[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5},   {5, 0},    {8, 9},   {11, 12}, {12, 0},
                               {16, 13}, {23, 20}, {24, 21}, {25, 22}, {26, 23}, {125, 122}, {126, 0}, {127, 0}};
    for (const auto& e : expected) EXPECT_EQ(h[e[0]], e[1]) << e[0];
}

// ---- writing the layout ------------------------------------------------------------------------

TEST_F(RpPages, UncompressedFileIsByteExact) {
    List->AddPage(Pages[0]);
    EXPECT_EQ(LE32(Bytes(List->Stream()), 8), 1);  // the first page writes the header
    List->AddPage(Pages[1]);
    List->AddPage(Pages[2]);
    EXPECT_EQ(LE32(Bytes(List->Stream()), 8), 1);
    List->Finish();
    const QByteArray b = Bytes(List->Stream());
    EXPECT_EQ(b.toHex(), BuildFile(Header128(3, false), Pages).toHex());
    // By hand: records at 128 (108 bytes of page), 248 (120) and 380 (112); the file ends at 504.
    EXPECT_EQ(b.size(), 504);
    EXPECT_EQ(LE32(b, 128 + 4), 248);
    EXPECT_EQ(LE32(b, 248 + 4), 380);
    EXPECT_EQ(LE32(b, 380 + 4), 504);
    EXPECT_EQ(LE32(b, 500), 380);
    EXPECT_EQ(LE32(b, 244), 128);
}

TEST_F(RpPages, CompressedRecordLayout) {
    List->SetCompression(true);
    List->AddPage(Pages[0]);
    List->AddPage(Pages[1]);
    List->Finish();
    const QByteArray b = Bytes(List->Stream());
    const QByteArray c0 = Code(Pages[0]), c1 = Code(Pages[1]);
    QByteArray expected = Header128(2, true);
    const int r2 = 128 + 8 + 4 + static_cast<int>(c0.size()) + 4;
    QByteArray rec(12, '\0');
    PutLE32(rec, 0, 1);
    PutLE32(rec, 4, r2);
    PutLE32(rec, 8, 108);
    expected += rec + c0 + QByteArray::fromHex("80000000");
    PutLE32(rec, 0, 2);
    PutLE32(rec, 4, r2 + 12 + static_cast<int>(c1.size()) + 4);
    PutLE32(rec, 8, 120);
    QByteArray tail(4, '\0');
    PutLE32(tail, 0, r2);
    expected += rec + c1 + tail;
    EXPECT_EQ(b.toHex(), expected.toHex());
    EXPECT_EQ(List->Stream()->GetHeaderSize(), 128);  // no plain signature in a compressed file
    EXPECT_EQ(List->GetPage(2), Pages[1]);
    EXPECT_EQ(List->GetPage(1), Pages[0]);
}

TEST_F(RpPages, HyperlinkSection) {
    auto* links = New<THyperlinkList>();
    links->Add(New<THyperlink>(TRect(1, 2, 3, 4), QStringLiteral("ab")));
    links->Add(New<THyperlink>(TRect(-5, 6, 70, 80), QStringLiteral("Ссылка")));
    List->AddPageEx(Pages[0], links);
    List->AddPageEx(Pages[1], nullptr);
    List->AddPage(Pages[2]);  // a record without the section
    const QByteArray b = Bytes(List->Stream());
    const int data = 128 + 8 + 108;
    const QByteArray section = QByteArray::fromHex(
        "02000000"                                                        // count
        "01000000 02000000 03000000 04000000 02000000 61006200"           // (1,2,3,4) "ab"
        "fbffffff 06000000 46000000 50000000 06000000"                    // (-5,6,70,80), 6 chars
        "2104 4104 4b04 3b04 3a04 3004"                                   // "Ссылка" in UTF-16LE
        "80000000");                                                      // the record's start
    EXPECT_EQ(b.mid(data, section.size()).toHex(), section.toHex());
    EXPECT_EQ(LE32(b, 128 + 4), 308);  // record 2 starts after the 64-byte section
    EXPECT_EQ(b.mid(LE32(b, 128 + 4) + 8 + 120, 8).toHex(), QByteArray::fromHex("00000000 34010000").toHex());
    links->Free();

    QByteArray mf;
    THyperlinkList* got = nullptr;
    ASSERT_TRUE(List->GetPageEx(1, mf, got));
    EXPECT_EQ(mf, Pages[0]);
    ASSERT_NE(got, nullptr);
    ASSERT_EQ(got->Count(), 2);
    EXPECT_EQ(got->Items(1)->Area, TRect(-5, 6, 70, 80));
    EXPECT_EQ(got->Items(1)->Link, QStringLiteral("Ссылка"));
    EXPECT_EQ(got->Items(0)->Link, QStringLiteral("ab"));
    got->Free();
    for (int n : {2, 3}) {  // count 0, and no section at all
        ASSERT_TRUE(List->GetPageEx(n, mf, got));
        EXPECT_EQ(mf, Pages[n - 1]);
        EXPECT_EQ(got, nullptr);
    }
    EXPECT_EQ(List->GetPage(1), Pages[0]);  // plain reads skip the section
    EXPECT_EQ(List->GetPage(2), Pages[1]);
    EXPECT_FALSE(List->GetPageEx(4, mf, got));
    EXPECT_TRUE(mf.isEmpty());
}

TEST_F(RpPages, CompressedPagesCarryNoHyperlinks) {
    List->SetCompression(true);
    auto* links = New<THyperlinkList>();
    links->Add(New<THyperlink>(TRect(1, 2, 3, 4), QStringLiteral("x")));
    List->AddPageEx(Pages[1], links);
    links->Free();
    QByteArray mf;
    THyperlinkList* got = nullptr;
    ASSERT_TRUE(List->GetPageEx(1, mf, got));
    EXPECT_EQ(mf, Pages[1]);
    EXPECT_EQ(got, nullptr);
}

// ---- reading -----------------------------------------------------------------------------------

TEST_F(RpPages, FetchesInAnyOrder) {
    for (bool compressed : {false, true}) {
        List->Clear();
        List->SetCompression(compressed);
        for (const QByteArray& p : Pages) List->AddPage(p);
        for (int n : {3, 1, 2, 3, 2, 1, 1, 3}) EXPECT_EQ(Page(List, n), Pages[n - 1]) << n << compressed;
        for (int n : {0, 4, -1}) EXPECT_FALSE(Page(List, n).has_value());
        // The page printer's clean-up: it frees the stream and clears the list's reference.
        TRpStream* s = List->Stream();
        List->SetStream(nullptr);
        s->Free();
        List->SetStream(New<TRpStream>(1000000));
    }
}

TEST_F(RpPages, SaveAndLoadRoundTrip) {
    for (bool compressed : {false, true}) {
        TRpPageList* src = New<TRpPageList>();
        src->SetStream(New<TRpStream>(200));  // moves to disk on the way
        src->SetCompression(compressed);
        for (const QByteArray& p : Pages) src->AddPage(p);
        src->Finish();
        EXPECT_FALSE(src->Stream()->InMemory());
        const String name = TempFile();
        src->SaveToFile(name);
        const QByteArray saved = FileBytes(name);
        EXPECT_EQ(saved, Bytes(src->Stream()));
        EXPECT_EQ(src->GetPage(2), Pages[1]);  // saving left the position usable
        src->Free();

        TRpPageList* dst = New<TRpPageList>();
        dst->LoadFromFile(name);
        EXPECT_EQ(dst->PageCount(), 3);
        EXPECT_EQ(dst->Compression(), compressed);
        for (int n : {1, 3, 2}) EXPECT_EQ(dst->GetPage(n), Pages[n - 1]);
        TMemoryStream again;
        dst->SaveToStream(&again);
        EXPECT_EQ(Bytes(&again), saved);  // byte-identical

        TRpPageList* viaStream = New<TRpPageList>();
        viaStream->LoadFromStream(&again);
        EXPECT_EQ(viaStream->PageCount(), 3);
        EXPECT_EQ(viaStream->Compression(), compressed);
        EXPECT_EQ(viaStream->GetPage(3), Pages[2]);
        EXPECT_EQ(viaStream->GetPage(1), Pages[0]);
        viaStream->Free();
        dst->Free();
    }
}

TEST_F(RpPages, OlderHeaderLayouts) {
    // 124 bytes: count at 8, flag at 21.
    QByteArray h124(124, '\0');
    h124[0] = 3;
    h124[2] = 60;
    PutLE32(h124, 8, 3);
    h124.replace(22, 100, QByteArray(100, 'H'));
    const QByteArray f124 = BuildFile(h124, Pages);
    const String name = TempFile();
    WriteFile(name, f124);
    List->LoadFromFile(name);
    EXPECT_EQ(List->PageCount(), 3);
    EXPECT_FALSE(List->Compression());
    EXPECT_EQ(List->GetPage(2), Pages[1]);
    EXPECT_EQ(List->GetPage(1), Pages[0]);

    QByteArray flagged = f124;
    flagged[21] = 1;
    TMemoryStream m;
    m.WriteBuffer(flagged.constData(), static_cast<Integer>(flagged.size()));
    List->LoadFromStream(&m);
    EXPECT_TRUE(List->Compression());
    EXPECT_EQ(List->PageCount(), 3);

    // 120 bytes: the count as four bytes at offset 5, read as a little-endian int32.
    QByteArray h120(120, '\0');
    PutLE32(h120, 5, 3);
    WriteFile(name, BuildFile(h120, Pages));
    List->LoadFromFile(name);
    EXPECT_EQ(List->PageCount(), 3);
    EXPECT_EQ(List->GetPage(3), Pages[2]);
    // A count above the records present is refused, and the pages loaded before stay.
    PutLE32(h120, 5, 300);
    const QByteArray big = BuildFile(h120, Pages);
    TMemoryStream m2;
    m2.WriteBuffer(big.constData(), static_cast<Integer>(big.size()));
    EXPECT_THROW(List->LoadFromStream(&m2), ERpError);
    EXPECT_EQ(List->PageCount(), 3);
    EXPECT_EQ(List->GetPage(3), Pages[2]);

    // 96 bytes: no count; the records are counted, not left from the previous document.
    WriteFile(name, BuildFile(QByteArray(96, '\0'), Pages.mid(0, 2)));
    List->LoadFromFile(name);
    EXPECT_EQ(List->PageCount(), 2);
    EXPECT_EQ(List->GetPage(1), Pages[0]);
    EXPECT_EQ(List->GetPage(2), Pages[1]);
}

// ---- damaged input -----------------------------------------------------------------------------

TEST_F(RpPages, DamagedFilesFailInsteadOfReadingPastTheEnd) {
    const QByteArray good = BuildFile(Header128(3, false), Pages);
    QByteArray tooMany = good;
    PutLE32(tooMany, 8, 5);  // more pages in the header than records
    QByteArray loop = good;
    PutLE32(loop, 248 + 4, 128);  // record 2 points back to record 1
    QByteArray backLoop = good;
    PutLE32(backLoop, 376, 380);  // record 2's trailing start offset points at record 3
    PutLE32(backLoop, 244, 248);  // record 1's points at record 2
    QByteArray truncated = good.left(good.size() - 10);
    QByteArray badEmf = good;
    PutLE32(badEmf, 380 + 8 + 48, 100000);  // page 3 claims more bytes than its record holds
    QByteArray badCompressed = BuildFile(Header128(1, true), {QByteArray(20, '\0')});
    PutLE32(badCompressed, 136, 0x7FFFFFFF);  // absurd uncompressed length
    const QByteArray cases[] = {tooMany, loop, truncated, badEmf, badCompressed};
    int i = 0;
    for (const QByteArray& c : cases) {
        const String name = TempFile();
        WriteFile(name, c);
        TRpPageList* l = New<TRpPageList>();
        EXPECT_THROW(l->LoadFromFile(name), Exception) << i;
        EXPECT_EQ(l->PageCount(), 0) << i;
        l->Free();
        ++i;
    }
    // Backward links that point forwards are found when the stream is loaded.
    TMemoryStream m;
    m.WriteBuffer(backLoop.constData(), static_cast<Integer>(backLoop.size()));
    EXPECT_THROW(List->LoadFromStream(&m), ERpError);
    EXPECT_EQ(List->PageCount(), 0);
}

TEST_F(RpPages, AWalkThatPassesTheWantedPageEnds) {
    for (const QByteArray& p : Pages) List->AddPage(p);
    TRpStream* s = List->Stream();
    auto poke = [s](Int64 At, Integer V) {
        QByteArray b(4, '\0');
        PutLE32(b, 0, V);
        s->Seek(At, soBeginning);
        s->WriteBuffer(b.constData(), 4);
    };
    poke(248, 4);  // record 2 claims page 4: no record holds page 2 any more
    s->Seek(0, soEnd);
    EXPECT_THROW(List->GetPage(2), ERpError);  // backwards from the end, past the gap
    EXPECT_EQ(List->GetPage(1), Pages[0]);
    EXPECT_THROW(List->GetPage(2), ERpError);  // forwards from page 1, past the gap

    // A record damaged behind its hyperlink section hands no list out (nothing leaks).
    TOwned<TRpPageList> l = NewOwned<TRpPageList>();
    l->SetStream(New<TRpStream>(1000000));
    TOwned<THyperlinkList> links = NewOwned<THyperlinkList>();
    links->Add(New<THyperlink>(TRect(1, 2, 3, 4), QStringLiteral("ab")));
    l->AddPageEx(Pages[0], links.get());
    const QByteArray b = Bytes(l->Stream());
    QByteArray four(4, '\0');
    PutLE32(four, 0, 7);
    l->Stream()->Seek(LE32(b, 132) - 4, soBeginning);
    l->Stream()->WriteBuffer(four.constData(), 4);
    QByteArray mf;
    THyperlinkList* got = nullptr;
    EXPECT_THROW(l->GetPageEx(1, mf, got), ERpError);
    EXPECT_EQ(got, nullptr);
}

TEST_F(RpPages, AFileTooLargeForItsOffsetsIsRefusedBeforeReading) {
    const String name = TempFile();
    {
        QFile f(name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(Int64(0x7FFFFFFF) + 10));  // sparse: nothing is written
    }
    EXPECT_THROW(List->LoadFromFile(name), ERpError);
    EXPECT_EQ(List->PageCount(), 0);
}

TEST_F(RpPages, NotAPageFile) {
    QByteArray early(400, '\0');
    early.replace(10, 3, "EMF");
    for (const QByteArray& b : {early, QByteArray(), QByteArray(50, 'x')}) {
        TMemoryStream m;
        if (!b.isEmpty()) m.WriteBuffer(b.constData(), static_cast<Integer>(b.size()));
        EXPECT_THROW(List->LoadFromStream(&m), ERpError) << b.size();
        EXPECT_EQ(List->PageCount(), 0);
    }
}

TEST_F(RpPages, RefusedPagesLeaveTheListAlone) {
    QByteArray wrongCount = Pages[0];
    PutLE32(wrongCount, 48, 200);
    for (const QByteArray& bad : {QByteArray("not a metafile"), QByteArray(), wrongCount}) {
        EXPECT_THROW(List->AddPage(bad), ERpError);
        EXPECT_EQ(List->PageCount(), 0);
        EXPECT_EQ(List->Stream()->Size(), 0);
    }
    TRpPageList* bare = New<TRpPageList>();
    EXPECT_THROW(bare->AddPage(Pages[0]), ERpError);
    EXPECT_EQ(bare->PageCount(), 0);
    EXPECT_FALSE(bare->GetPage(1).has_value());
    bare->Free();
}

// ---- threads -----------------------------------------------------------------------------------

TEST_F(RpPages, GenerationThreadStoresWhileTheViewerReads) {
    for (bool compressed : {false, true}) {
        TRpPageList* l = New<TRpPageList>();
        l->SetStream(New<TRpStream>(3000));  // the move to disk happens during the run
        l->SetCompression(compressed);
        constexpr int N = 60;
        QList<QByteArray> pages;
        for (int i = 0; i < N; ++i) pages.append(MakeEmf(8 * (i % 7), i));
        std::atomic<int> stored{0};
        std::thread writer([&] {
            for (int i = 0; i < N; ++i) {
                l->AddPage(pages[i]);
                stored.store(i + 1);
            }
            l->Finish();
        });
        int bad = 0;
        unsigned seed = 1;
        while (stored.load() < N) {
            const int avail = stored.load();
            if (avail == 0) continue;
            seed = seed * 1103515245 + 12345;
            const int n = 1 + static_cast<int>((seed >> 8) % static_cast<unsigned>(avail));
            const auto got = l->GetPage(n);
            if (!got || *got != pages[n - 1]) ++bad;
        }
        writer.join();
        EXPECT_EQ(bad, 0);
        EXPECT_FALSE(l->Stream()->InMemory());
        for (int n = N; n >= 1; --n) EXPECT_EQ(l->GetPage(n), pages[n - 1]);
        EXPECT_EQ(LE32(Bytes(l->Stream()), 8), N);
        l->Free();
    }
}

TEST_F(RpPages, AFailedSaveKeepsTheOldPageFile) {
    for (bool onDisk : {false, true}) {
        TRpPageList* src = New<TRpPageList>();
        src->SetStream(New<TRpStream>(onDisk ? 200 : 1000000));
        for (const QByteArray& p : Pages) src->AddPage(p);
        src->Finish();
        sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) { src->SaveToFile(Name); }, QStringLiteral("pages.rpp"));
        src->Free();
    }
}
