#include "platform/testing/fakeprinter.h"
#include "report/export/rpxdocument.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/canvas.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/imaging.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "report/export/rpencoders.h"
#include "report/export/rpxbrowser.h"
#include "report/export/rpxdocprivate.h"
#include "report/export/rppdffilt.h"
#include "report/export/rpwebfilter.h"
#include "report/export/rpxlsxfilter.h"
#include "report/export/rpxmlfilter.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include "../../support/tools.h"
#include "support/report_page.h"
#include "support/safefile_check.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QDomElement>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

using namespace Qt::StringLiterals;

using sdelka::test::RunTool;
using sdelka::test::TRun;

// A report of three pages on a small page (210 × 100 mm): a Cyrillic page header, a detail band
// per worker with the name, a filled rectangle, a line and a picture, and a page footer.
struct XDocReportFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TTestTableDataSet* Data = nullptr;
    static inline const String Title = u"Табель «Цех №1» & <итоги>"_s;

    XDocReportFixture() {
        Report = NewReportOnCustomPage(Root.get());
        Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"NAME"_s, ftString, 40);
        Data->CreateDataSet();
        for (int i = 1; i <= 15; ++i) Data->AppendRecord({u"Рабочий Пётр №%1"_s.arg(i)});
        Data->First();
        Report->SetDataSet(Data);

        auto* L = New<TRpLabel>(Root.get());
        L->SetName(u"HeaderLabel"_s);
        L->SetParent(Band(rbPageHeader));
        Place(L, 0, 0, 1200, 80);
        L->SetCaption(Title);

        TRpBand* Detail = Band(rbDetail);
        auto* T = New<TRpDBText>(Root.get());
        T->SetName(u"NameText"_s);
        T->SetParent(Detail);
        Place(T, 0, 0, 800, 80);
        T->SetDataSet(Data);
        T->SetDataField(u"NAME"_s);
        auto* S = New<TRpShape>(Root.get());
        S->SetName(u"Box"_s);
        S->SetParent(Detail);
        Place(S, 900, 10, 200, 60);
        S->Brush()->SetColor(TColor(0x00FFCC));
        auto* Rule = New<TRpShape>(Root.get());
        Rule->SetParent(Detail);
        Place(Rule, 1200, 40, 300, 10);
        Rule->SetShape(rpsHorLine);
        auto* I = New<TRpImage>(Root.get());
        I->SetName(u"Pic"_s);
        I->SetParent(Detail);
        Place(I, 1600, 0, 200, 90);
        I->SetStretch(true);
        TBitmap B;
        B.SetPixelFormat(pf24bit);
        B.SetSize(40, 20);
        B.Canvas()->Brush()->SetColor(clRed);
        B.Canvas()->FillRect(TRect(0, 0, 40, 20));
        B.Canvas()->Brush()->SetColor(clBlue);
        B.Canvas()->FillRect(TRect(0, 0, 20, 10));
        I->Picture()->SetGraphic(&B);

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
    void Export(const String& File) {
        TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(File);
        F->Title = Title;
        Report->ExportToFilter(F.get());
    }
};

// A document written by hand: header, then the pages' items.
String Doc(const QStringList& Pages, bool WithDtd = true, const String& Header = String()) {
    String S;
    if (WithDtd) {
        TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
        TOwned<TStringList> L = NewOwned<TStringList>();
        F->LoadDTD(L.get());
        S = L->Text();
    }
    S += u"<RpXDocument>\r\n"_s;
    S += Header.isEmpty() ? u"<Header Pagewidth=\"100.00\" Pageheight=\" 50.00\" PaperName=\"A4\" Units=\"mm\">"
                            u"<Title>Т</Title><Orientation>Portrait</Orientation></Header>\r\n"_s
                          : Header;
    for (int i = 0; i < Pages.size(); ++i)
        S += u"<Page Number=\"%1\">\r\n"_s.arg(i + 1) + Pages[i] + u"</Page>\r\n"_s;
    return S + u"</RpXDocument>\r\n"_s;
}

String TextItem(double X, double Y, const String& Text, const String& Cid = u"L1"_s, const String& Extra = String()) {
    return u"<Item Type=\"Text\" LY=\"0\" Font=\"Arial\" X=\"%1\" Y=\"%2\" Height=\"10\" Color=\"#000000\" FR=\"  0\" "
           "FW=\"normal\" Dec=\"none none \" CID=\"%3\" DBR=\"4\" HA=\"L\" VA=\"T\" %4>\r\n%5\r\n</Item>\r\n"_s
        .arg(X, 0, 'f', 2)
        .arg(Y, 0, 'f', 2)
        .arg(Cid, Extra, Text);
}

TOwned<TRpXDocument> Loaded(const String& Text) {
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    D->LoadDocumentText(Text);
    return D;
}

// A page drawn on a bitmap at 96 pixels per inch.
QImage PageImage(TRpXDocument* D, int Page) {
    TBitmap B;
    D->RenderPageToBM(&B, Page);
    return B.ToImage();
}

int CountColour(const QImage& I, QRgb C) {
    int N = 0;
    for (int y = 0; y < I.height(); ++y)
        for (int x = 0; x < I.width(); ++x) N += (I.pixel(x, y) & 0xFFFFFF) == (C & 0xFFFFFF);
    return N;
}

// ---- loading ---------------------------------------------------------------------------------------

TEST(RpXDocument, AnExportedReportLoadsBackAndDrawsItsPages) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    FormatSettings.DecimalSeparator = u',';
    XDocReportFixture R;
    R.Export(File);

    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* D = New<TRpXDocument>(Root.get());
    auto* Image = New<TImage>(Root.get());
    D->SetImageControl(Image);
    D->LoadFromFile(File);
    ASSERT_TRUE(D->DocumentLoaded());
    EXPECT_EQ(D->CurrentFile, File);
    EXPECT_EQ(D->Pagecount(), 3);
    EXPECT_DOUBLE_EQ(D->Pagewidth(), 210);
    EXPECT_DOUBLE_EQ(D->Pageheight(), 100);
    EXPECT_EQ(D->PaperName(), u"A4"_s);
    EXPECT_EQ(D->LastPage, 3);

    D->SetCurrentPage(1);
    const QImage Page = Image->Picture()->Bitmap()->ToImage();
    EXPECT_EQ(Page.width(), 794);  // 210 mm at 96 pixels per inch
    EXPECT_EQ(Page.height(), 378);
    Page.save(u"/tmp/xmldoc_page2.png"_s);
    // The rectangles' fill (#CCFF00 written as BC) and the pictures' blue and red are on the page.
    EXPECT_GT(CountColour(Page, qRgb(0xCC, 0xFF, 0x00)), 100);
    EXPECT_GT(CountColour(Page, qRgb(0, 0, 255)), 50);
    EXPECT_GT(CountColour(Page, qRgb(255, 0, 0)), 50);
    EXPECT_GT(CountColour(Page, qRgb(0, 0, 0)), 200);  // text

    // The worker names are controls under the mouse; their record numbers come along.
    String Text;
    int Rec = -1;
    bool Found = false;
    for (int y = 0; y < Page.height() && !Found; y += 2)
        for (int x = 0; x < 200 && !Found; x += 2) {
            const String Id = D->GetControlFromPosition(x, y, Text, Rec);
            if (Id == u"NameText"_s) Found = true;
        }
    EXPECT_TRUE(Found);
    EXPECT_TRUE(Text.startsWith(u"Рабочий Пётр №"_s)) << Text.toStdString();
    // A point on no item is no control, and leaves the outputs alone.
    Text = u"x"_s;
    Rec = 99;
    EXPECT_EQ(D->GetControlFromPosition(790, 370, Text, Rec), String());
    EXPECT_EQ(Text, u"x"_s);
    EXPECT_EQ(Rec, 99);
}

TEST(RpXDocument, DamagedDocumentsFailCleanly) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    XDocReportFixture R;
    R.Export(File);
    QFile F(File);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    const QByteArray Good = F.readAll();

    const std::vector<std::pair<const char*, QByteArray>> Cases = {
        {"empty", QByteArray()},
        {"truncated in the middle", Good.left(Good.size() / 2)},
        {"truncated at the header", Good.left(Good.indexOf("<Header") + 20)},
        {"no XML", QByteArray("PK\x03\x04 not a document at all")},
        {"no header", QByteArray("<RpXDocument><Page Number=\"1\"></Page></RpXDocument>")},
        {"no page width", QByteArray("<RpXDocument><Header Pageheight=\"10\"/></RpXDocument>")},
        {"no page height", QByteArray("<RpXDocument><Header Pagewidth=\"10\"/></RpXDocument>")},
        {"width no number", QByteArray("<RpXDocument><Header Pagewidth=\"wide\" Pageheight=\"10\"/></RpXDocument>")},
        {"absurd size", QByteArray("<RpXDocument><Header Pagewidth=\"1e300\" Pageheight=\"1e300\"/></RpXDocument>")},
    };
    for (const auto& [Name, Bytes] : Cases) {
        SCOPED_TRACE(Name);
        TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
        auto* D = New<TRpXDocument>(Root.get());
        auto* Image = New<TImage>(Root.get());
        D->SetImageControl(Image);
        D->LoadFromFile(File);  // a good document first: a failed load must not keep it
        ASSERT_TRUE(D->DocumentLoaded());
        const String Bad = Dir.filePath(u"bad.rpx"_s);
        QFile B(Bad);
        ASSERT_TRUE(B.open(QIODevice::WriteOnly | QIODevice::Truncate));
        B.write(Bytes);
        B.close();
        D->LoadFromFile(Bad);
        EXPECT_FALSE(D->DocumentLoaded());
        EXPECT_EQ(D->CurrentFile, String());
        // Everything done with a document that did not load does nothing harmful.
        D->RenderPage(0);
        D->MakeTextIndex();
        EXPECT_EQ(D->TextIndex()->Count(), 0);
        TMemoryStream Out;
        D->SaveToStream(&Out);
        EXPECT_EQ(Out.Size(), 0);
        D->SaveAsHTMLStream(&Out, Dir.path());
        D->Print(Printer());
        D->ViewDocument(false);
    }
    // The load from a stream fails the same way.
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    TMemoryStream S;
    S.WriteBuffer(Good.constData(), Integer(Good.size() / 3));
    D->LoadFromStream(&S);
    EXPECT_FALSE(D->DocumentLoaded());
}

TEST(RpXDocument, HeaderDefaultsAndStreamsRoundTrip) {
    // Without a paper name the paper is "Unknown"; without an orientation the previous one stays.
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    ASSERT_TRUE(D->LoadDocumentText(Doc({TextItem(5, 5, u"а"_s)}, true,
                                        u"<Header Pagewidth=\"297\" Pageheight=\"210\"><Orientation>Landscape"
                                        "</Orientation></Header>"_s)));
    EXPECT_EQ(D->PrintOrientation(), 1);
    EXPECT_EQ(D->PaperName(), u"A4"_s);  // the type definition's default
    ASSERT_TRUE(D->LoadDocumentText(Doc({}, false, u"<Header Pagewidth=\"297\" Pageheight=\"210\"/>"_s)));
    EXPECT_EQ(D->PaperName(), u"Unknown"_s);
    EXPECT_EQ(D->PrintOrientation(), 1);
    EXPECT_EQ(D->Pagecount(), 0);
    EXPECT_TRUE(D->GetPage(0).isNull());

    // A new empty document reports its load; pages are added to it.
    EXPECT_TRUE(D->InitialiseDoc(u"Заголовок"_s, 210, 297, u"paper"_s, u"portrait"_s, String()));
    EXPECT_EQ(D->Pagecount(), 0);
    EXPECT_DOUBLE_EQ(D->Pageheight(), 297);
    TOwned<TRpXDocument> Src = Loaded(Doc({TextItem(1, 2, u"Один"_s), TextItem(1, 2, u"Два"_s)}));
    D->AddPage(Src->GetPage(1));
    TOwned<TStringList> Page = NewOwned<TStringList>();
    Page->Add(u"<Page Number=\"2\">"_s);
    Page->Add(TextItem(1, 2, u"Три"_s));
    Page->Add(u"</Page>"_s);
    D->acceptPage(Page.get());
    Page->Clear();
    Page->Add(u"<Item Type=\"Text\">no page</Item>"_s);
    D->acceptPage(Page.get());
    EXPECT_EQ(D->Pagecount(), 2);
    EXPECT_TRUE(D->GetPage(-1).isNull());
    EXPECT_TRUE(D->GetPage(2).isNull());

    // The stream holds UTF-8 text without the type definition, and reads back.
    TMemoryStream S;
    D->SaveToStream(&S);
    const QByteArray Bytes(static_cast<const char*>(S.Memory()), qsizetype(S.Size()));
    EXPECT_TRUE(Bytes.startsWith("<RpXDocument>"));
    EXPECT_TRUE(Bytes.contains(u"Заголовок"_s.toUtf8()));
    EXPECT_FALSE(Bytes.contains("DOCTYPE"));
    TOwned<TRpXDocument> Back = NewOwned<TRpXDocument>(nullptr);
    Back->LoadFromStream(&S);
    ASSERT_TRUE(Back->DocumentLoaded());
    EXPECT_EQ(Back->Pagecount(), 2);
    Back->MakeTextIndex();
    ASSERT_EQ(Back->TextIndex()->Count(), 2);
    EXPECT_EQ(Back->TextIndex()->Strings(0), u"Два"_s);
    EXPECT_EQ(Back->TextIndex()->Strings(1), u"Три"_s);

    // A file keeps the type definition: read back, the defaults apply again.
    QTemporaryDir Dir;
    const String Saved = Dir.filePath(u"saved.rpx"_s);
    D->SaveToFile(Saved);
    TOwned<TRpXDocument> Again = NewOwned<TRpXDocument>(nullptr);
    Again->LoadFromFile(Saved);
    ASSERT_TRUE(Again->DocumentLoaded());
    EXPECT_EQ(Again->Pagecount(), 2);
    EXPECT_EQ(Again->PaperName(), u"A4"_s);
    EXPECT_EQ(Again->ReportTitle(), String());

    // Hints: the first of a name, in any case.
    D->AddHint(u"Total"_s, u"first"_s);
    D->AddHint(u"Total"_s, u"second"_s);
    EXPECT_EQ(D->GetHint(u"TOTAL"_s), u"first"_s);
    EXPECT_EQ(D->GetHint(u"none"_s), String());
    EXPECT_THROW(D->SetRpReport(nullptr), Exception);
}

// ---- drawing ---------------------------------------------------------------------------------------

TEST(RpXDocument, EveryShapeTheWriterProducesIsDrawn) {
    // One shape per page, 20 × 10 mm at (10, 10), red pen 0.5 mm, green brush.
    QStringList Pages;
    for (int Sp = 0; Sp <= 8; ++Sp)
        Pages << u"<Item Type=\"Graphic\" LY=\"1\" X=\"10\" Y=\"10\" LW=\"0.5\" SP=\"%1\" Width=\"20\" Height=\"10\" "
                 "Color=\"#FF0000\" BC=\"#00FF00\" FT=\"SF\" CID=\"S\" DBR=\"0\"></Item>\r\n"_s.arg(Sp);
    TOwned<TRpXDocument> D = Loaded(Doc(Pages));
    ASSERT_EQ(D->Pagecount(), 9);
    const QRgb Red = qRgb(255, 0, 0), Green = qRgb(0, 255, 0);
    // Pixels: the box is (38, 38)-(113, 76); the middle of each edge, the centre, a diagonal's point.
    struct TCase {
        int Sp;
        bool Top, Bottom, Left, Right, Inside, Diagonal;
    };
    const TCase Cases[] = {
        {0, true, true, true, true, true, false},    {1, true, true, true, true, true, false},
        {2, true, false, false, false, false, false}, {3, false, false, true, false, false, false},
        {4, true, true, false, false, false, false},  {5, false, false, true, true, false, false},
        {6, true, true, true, true, true, false},     {7, false, false, false, false, false, true},
        {8, false, false, false, false, false, true},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Sp);
        const QImage I = PageImage(D.get(), C.Sp);
        ASSERT_EQ(I.width(), 378);
        auto Is = [&](int X, int Y, QRgb Col) { return (I.pixel(X, Y) & 0xFFFFFF) == (Col & 0xFFFFFF); };
        auto Near = [&](int X, int Y) {  // the pen's colour within two pixels
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx)
                    if (Is(X + dx, Y + dy, Red)) return true;
            return false;
        };
        EXPECT_EQ(Near(75, 38), C.Top);
        EXPECT_EQ(Near(75, 75), C.Bottom);
        EXPECT_EQ(Near(38, 57), C.Left);
        EXPECT_EQ(Near(112, 57), C.Right);
        EXPECT_EQ(Is(75, 57, Green), C.Inside);
        EXPECT_EQ(Near(57, 48) || Near(94, 48), C.Diagonal);  // off the edges, on a diagonal
    }
}

TEST(RpXDocument, TextsLayersAndVectors) {
    // Layer 3 is never drawn on a canvas; a bad layer drops its item alone.
    const String Items =
        TextItem(5, 5, u"шапка"_s, u"T1"_s) +
        u"<Item Type=\"Graphic\" LY=\"3\" X=\"0\" Y=\"0\" LW=\"1\" SP=\"0\" Width=\"100\" Height=\"50\" Color=\"#0000FF\" "
        "BC=\"#0000FF\" FT=\"Fill\"></Item>\r\n"
        "<Item Type=\"Graphic\" LY=\"x\" X=\"0\" Y=\"0\" LW=\"1\" SP=\"0\" Width=\"100\" Height=\"50\" Color=\"#0000FF\" "
        "BC=\"#0000FF\" FT=\"Fill\"></Item>\r\n"
        "<Item Type=\"Vector\"> 1?10?20! 2?110?20 ! 5?255 ! 1?0?0!2?zz?1!2?5?5</Item>\r\n"_s;
    TOwned<TRpXDocument> D = Loaded(Doc({Items}));
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* Image = New<TImage>(Root.get());
    D->SetImageControl(Image);
    D->SetZoomFactor(200);
    const QImage I = Image->Picture()->Bitmap()->ToImage();
    EXPECT_EQ(I.width(), 756);
    EXPECT_EQ(CountColour(I, qRgb(0, 0, 255)), 0);
    // The vector line: from (20, 40) to (220, 40) at zoom 200, in black.
    EXPECT_EQ(I.pixel(120, 40) & 0xFFFFFF, 0u);
    EXPECT_EQ(I.pixel(120, 44) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_GT(CountColour(I, qRgb(0, 0, 0)), 200);

    // Search highlights draw a red frame around the item holding the text, in any case.
    D->SetSearchText(u"ШАП"_s);
    D->SetZoomFactor(100);
    EXPECT_GT(CountColour(Image->Picture()->Bitmap()->ToImage(), qRgb(255, 0, 0)), 20);
    D->SetSearchText(String());
    D->SetZoomFactor(100);
    EXPECT_EQ(CountColour(Image->Picture()->Bitmap()->ToImage(), qRgb(255, 0, 0)), 0);

    // Without an image control the page is still drawn and its items recorded.
    D->SetImageControl(nullptr);
    D->RenderPage(0);
    String Text;
    int Rec = 0;
    const int X = int(5 * 96 / 25.4) + 2, Y = int(5 * 96 / 25.4) + 3;
    EXPECT_EQ(D->GetControlFromPosition(X, Y, Text, Rec), u"T1"_s);
    EXPECT_EQ(Text, u"шапка"_s);
    EXPECT_EQ(Rec, 4);
    EXPECT_EQ(D->GetControlFromPosition(int(5 * 96 / 25.4), Y, Text, Rec), String()) << "the border is no hit";
}

TEST(RpXDocument, ImagesStoredPlainOrCompressed) {
    TBitmap B;
    B.SetPixelFormat(pf24bit);
    B.SetSize(30, 20);
    B.Canvas()->Brush()->SetColor(clBlue);
    B.Canvas()->FillRect(TRect(0, 0, 30, 20));
    TMemoryStream Bmp;
    B.SaveToStream(&Bmp);
    const QByteArray Bytes(static_cast<const char*>(Bmp.Memory()), qsizetype(Bmp.Size()));
    auto Item = [](const String& Cmp, const QByteArray& Data, int X) {
        return u"<Item Type=\"Image\" X=\"%1\" Y=\"10\" Width=\"30\" Height=\"20\" LY=\"1\" XS=\" 0.265\" YS=\" 0.265\" "
               "Cmp=\"%2\" CID=\"I\" DBR=\"0\">\r\n%3\r\n</Item>\r\n"_s.arg(X)
            .arg(Cmp, String::fromLatin1(Data.toHex().toUpper()));
    };
    const String Items = Item(u"None"_s, Bytes, 5) + Item(u"lzw"_s, LZWEncode(Bytes), 40) +
                         Item(u"None"_s, "not a bitmap", 70) + Item(u"lzw"_s, "\x01\x02", 80);
    TOwned<TRpXDocument> D = Loaded(Doc({Items}));
    const QImage I = PageImage(D.get(), 0);
    EXPECT_EQ(CountColour(I, qRgb(0, 0, 255)), 2 * 30 * 20);  // drawn at their own size
}

// An LZW stream of zeros at the packing's best: each table of 4,096 codes unpacks to about 7.4 MB,
// so a few kilobytes stand for megabytes. Cycles tables, then the end code.
QByteArray LzwBomb(int Cycles) {
    QByteArray Out;
    uint32_t Bits = 0;
    int Count = 0;
    auto Put = [&](int Code, int Width) {
        Bits = (Bits << Width) | uint32_t(Code);
        Count += Width;
        while (Count >= 8) {
            Count -= 8;
            Out.append(char((Bits >> Count) & 0xFF));
        }
        Bits &= (1u << Count) - 1;
    };
    auto Grow = [](int Code, int Width) { return (Code == 511 || Code == 1023 || Code == 2047) ? Width + 1 : Width; };
    int Width = 9;
    for (int c = 0; c < Cycles; ++c) {
        Put(256, Width);  // clear
        Width = 9;
        Put(0, Width);
        int Next = 258;
        Width = Grow(Next++, Width);
        for (int Code = 258; Code <= 4094; ++Code) {
            Put(Code, Width);
            Width = Grow(Next++, Width);
        }
    }
    Put(257, Width);
    if (Count > 0) Out.append(char((Bits << (8 - Count)) & 0xFF));
    return Out;
}

// A picture that would unpack beyond what any page can show stops at the cap, in the document's
// HTML output as on its pages.
TEST(RpXDocument, ALzwPictureStopsUnpackingAtTheCap) {
    const QByteArray Bomb = LzwBomb(3);
    const String Hex = String::fromLatin1(Bomb.toHex().toUpper());
    const QByteArray Whole = rpxdoc::ItemPictureData(u"LZW"_s, Hex);
    EXPECT_GT(Whole.size(), 20'000'000);  // under the cap: all of it
    EXPECT_EQ(Whole.count('\0'), Whole.size());
    const QByteArray Cut = rpxdoc::ItemPictureData(u"lzw"_s, Hex, 1'000'000);
    EXPECT_LE(Cut.size(), 1'000'000);
    EXPECT_GT(Cut.size(), 990'000);
    EXPECT_LT(rpxdoc::MaxPictureBytes, Int64(Bomb.size()) * 20'000);  // a 2.7 MB file cannot ask for 2 GB

    const String Item = u"<Item Type=\"Image\" X=\"5\" Y=\"10\" Width=\"30\" Height=\"20\" LY=\"1\" XS=\" 0.265\" "
                        "YS=\" 0.265\" Cmp=\"lzw\" CID=\"I\" DBR=\"0\">\r\n"_s + Hex + u"\r\n</Item>\r\n"_s;
    TOwned<TRpXDocument> D = Loaded(Doc({Item}));
    ASSERT_NE(D.get(), nullptr);
    TMemoryStream S;
    QTemporaryDir Dir;
    D->SaveAsHTMLStream(&S, Dir.path());
    EXPECT_GT(S.Size(), 0);
    PageImage(D.get(), 0);  // drawn without the picture, which is no bitmap
}

TEST(RpXDocument, ThumbnailsOfADocumentStillArriving) {
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    ASSERT_TRUE(D->InitialiseDoc(u"Т"_s, 100, 50, u"paper"_s, u"portrait"_s, String()));
    TOwned<TStringList> Page = NewOwned<TStringList>();
    for (int i = 1; i <= 7; ++i) {
        Page->Clear();
        Page->Add(u"<Page Number=\"%1\">"_s.arg(i));
        Page->Add(TextItem(5, 5, u"Лист %1"_s.arg(i)));
        Page->Add(u"</Page>"_s);
        D->acceptPage(Page.get());
    }
    EXPECT_EQ(D->Pagecount(), 7);
    EXPECT_EQ(D->TextIndex()->Count(), 7);  // pages are indexed as they arrive
    const TRect Cell(0, 0, 80, 80);
    EXPECT_NE(D->RenderThumbnail(5, Cell), nullptr);
    EXPECT_EQ(D->RenderThumbnail(6, Cell), nullptr);
    D->FinishReport();
    TOwned<TBitmap> Thumb = D->RenderThumbnail(6, Cell);
    ASSERT_NE(Thumb, nullptr);
    EXPECT_EQ(Thumb->Width(), 64);  // 80 % of the cell's width
    EXPECT_EQ(D->RenderThumbnail(7, Cell), nullptr);
}

// ---- index, search and rewrites ------------------------------------------------------------------

TEST(RpXDocument, SearchFindsTextsByPageAndResultsOutliveTheIndex) {
    TOwned<TRpXDocument> D = Loaded(Doc({TextItem(10, 20, u"Total 12"_s), TextItem(1, 1, u"Итого: ноль"_s),
                                         TextItem(30, 40, u"total 7"_s) +
                                             u"<Item Type=\"Graphic\" LY=\"1\" X=\"1\" Y=\"1\" LW=\"1\" SP=\"0\" "
                                             "Width=\"1\" Height=\"1\" Color=\"#000000\" BC=\"#000000\" FT=\"Out\">"
                                             "total</Item>\r\n"_s}));
    D->MakeTextIndex();
    EXPECT_EQ(D->TextIndex()->Count(), 3);  // text items only
    TOwned<TStringList> Res = NewOwned<TStringList>();
    D->FindText(u"total"_s, false, Res.get());
    ASSERT_EQ(Res->Count(), 2);
    auto Item = [&](int i) { return static_cast<TPageItem*>(Res->Objects(i)); };
    EXPECT_EQ(Item(0)->DBRecord, 0);
    EXPECT_EQ(Item(1)->DBRecord, 2);
    EXPECT_EQ(Item(1)->ypos, 151);  // 40 mm at 96 pixels per inch
    D->FindText(u"total"_s, true, Res.get());  // appended, not cleared
    ASSERT_EQ(Res->Count(), 3);
    EXPECT_EQ(Res->Strings(2), u"total 7"_s);
    D->FindText(u"ИТОГО"_s, false, Res.get());
    ASSERT_EQ(Res->Count(), 4);
    EXPECT_EQ(Item(3)->DBRecord, 1);
    D->FindText(String(), false, Res.get());
    EXPECT_EQ(Res->Count(), 4);

    // Drawing a page empties the index; the results stay readable.
    D->RenderPage(1);
    EXPECT_EQ(D->TextIndex()->Count(), 0);
    EXPECT_EQ(Item(1)->cText, u"total 7"_s);
    EXPECT_EQ(Item(1)->DBRecord, 2);
    D->ClearSearchResults();
}

TEST(RpXDocument, PagesAreNumberedAndTokensReplacedInTextsOnly) {
    const String Footer = u"Страница #P из #N"_s;
    TOwned<TRpXDocument> D = Loaded(
        Doc({TextItem(1, 1, Footer), TextItem(1, 1, Footer), TextItem(1, 1, Footer, u"#P"_s)}, true,
            u"<Header Pagewidth=\"100\" Pageheight=\"50\"><Title>#P</Title></Header>\r\n"_s));
    ASSERT_TRUE(D->ReNumberpages(u"#P"_s, u"#N"_s));
    ASSERT_TRUE(D->DocumentLoaded());
    D->MakeTextIndex();
    ASSERT_EQ(D->TextIndex()->Count(), 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(D->TextIndex()->Strings(i), u"Страница %1 из 3"_s.arg(i + 1));
    EXPECT_EQ(D->GetPage(2).attribute(u"CID"_s), String());
    EXPECT_EQ(D->GetPage(2).firstChildElement().attribute(u"CID"_s), u"#P"_s) << "attributes are no text";

    // A replacement with markup characters stays text; the token in attributes stays.
    ASSERT_TRUE(D->ReplaceToken(u"Страница"_s, u"<b>Лист</b> & \"итог\""_s));
    D->MakeTextIndex();
    EXPECT_EQ(D->TextIndex()->Strings(0), u"<b>Лист</b> & \"итог\" 1 из 3"_s);
    EXPECT_EQ(D->Pagecount(), 3);
    // A token that occurs nowhere reloads the document unchanged.
    ASSERT_TRUE(D->ReplaceToken(u"нет такого"_s, u"x"_s));
    D->MakeTextIndex();
    EXPECT_EQ(D->TextIndex()->Count(), 3);
    // Element names are not text: the document keeps its pages.
    ASSERT_TRUE(D->ReplaceToken(u"Page"_s, u"Seite"_s));
    EXPECT_EQ(D->Pagecount(), 3);
}

// ---- output ------------------------------------------------------------------------------------------

TEST(RpXDocument, PdfHoldsEveryPageWithItsTexts) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    XDocReportFixture R;
    R.Export(File);
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    D->LoadFromFile(File);
    ASSERT_TRUE(D->DocumentLoaded());
    D->SetZoomFactor(150);
    const String Pdf = Dir.filePath(u"report.pdf"_s);
    D->SaveAsPDFFile(Pdf);
    EXPECT_EQ(D->ZoomFactor(), 150);

    const TRun Check = RunTool(u"qpdf"_s, {u"--check"_s, Pdf});
    EXPECT_EQ(Check.Code, 0) << Check.Out.toStdString();
    const TRun Info = RunTool(u"pdfinfo"_s, {Pdf});
    EXPECT_TRUE(Info.Out.contains("Pages:           3")) << Info.Out.toStdString();
    EXPECT_TRUE(Info.Out.contains("595 x 283 pts")) << Info.Out.toStdString();  // 210 × 100 mm
    for (int Page = 1; Page <= 3; ++Page) {
        const TRun T = RunTool(u"pdftotext"_s, {u"-f"_s, String::number(Page), u"-l"_s, String::number(Page),
                                                u"-layout"_s, Pdf, u"-"_s});
        const String Text = String::fromUtf8(T.Out);
        EXPECT_TRUE(Text.contains(XDocReportFixture::Title)) << Text.toStdString();
        EXPECT_TRUE(Text.contains(u"Страница %1"_s.arg(Page))) << Text.toStdString();
        EXPECT_TRUE(Text.contains(u"Рабочий Пётр №"_s)) << Text.toStdString();
    }
    const TRun All = RunTool(u"pdftotext"_s, {Pdf, u"-"_s});
    for (int i = 1; i <= 15; ++i) EXPECT_TRUE(String::fromUtf8(All.Out).contains(u"Рабочий Пётр №%1"_s.arg(i))) << i;
}

TEST(RpXDocument, AReportSavedAsADocumentFile) {
    QTemporaryDir Dir;
    XDocReportFixture R;
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    const String File = Dir.filePath(u"saved.rpx"_s);
    D->SaveReportAsXML(R.Report, File);
    ASSERT_TRUE(D->DocumentLoaded());
    TOwned<TRpXDocument> Back = NewOwned<TRpXDocument>(nullptr);
    Back->LoadFromFile(File);
    ASSERT_TRUE(Back->DocumentLoaded());
    EXPECT_EQ(Back->Pagecount(), 3);
    const TRun Lint = RunTool(u"xmllint"_s, {u"--noout"_s, u"--valid"_s, File});
    EXPECT_EQ(Lint.Code, 0) << Lint.Err.toStdString();
}

const char* const HtmlReader = R"PY(
import json, sys
from html.parser import HTMLParser
VOID = {"br","hr","img","meta"}
class Reader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors, self.texts, self.imgs, self.title, self.in_title = [], [], [], [], "", False
        self.charset = None
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "img": self.imgs.append(a.get("src"))
        if tag == "meta": self.charset = a.get("charset")
        if tag == "title": self.in_title = True
        if tag not in VOID: self.stack.append(tag)
    def handle_endtag(self, tag):
        if tag == "title": self.in_title = False
        if not self.stack or self.stack[-1] != tag: self.errors.append("unexpected </%s>" % tag)
        else: self.stack.pop()
    def handle_data(self, d):
        if self.in_title: self.title += d
        elif d.strip(): self.texts.append(d.strip())
r = Reader()
r.feed(open(sys.argv[1], encoding="utf-8").read())
r.close()
if r.stack: r.errors.append("unclosed " + ",".join(r.stack))
sys.stdout.buffer.write(json.dumps({"errors": r.errors, "texts": r.texts, "imgs": r.imgs, "title": r.title,
                                    "charset": r.charset}, ensure_ascii=False).encode("utf-8"))
)PY";

TEST(RpXDocument, HtmlIsReadByAParserWithItsPicturesBesideIt) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    FormatSettings.DecimalSeparator = u',';
    XDocReportFixture R;
    R.Export(File);
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    D->LoadFromFile(File);
    ASSERT_TRUE(D->DocumentLoaded());
    D->SetReportTitle(u"Итоги & <цех>"_s);
    // A file of the same name as a first picture is not overwritten.
    QFile Old(Dir.filePath(u"out_Image0.jpg"_s));
    ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
    Old.write("keep");
    Old.close();
    const String Html = Dir.filePath(u"out.html"_s);
    D->SaveAsHTMLFile(Html);

    const TRun Run = RunTool(u"python3"_s, {u"-c"_s, String::fromLatin1(HtmlReader), Html});
    ASSERT_EQ(Run.Code, 0) << Run.Err.toStdString();
    const QJsonObject O = QJsonDocument::fromJson(Run.Out).object();
    EXPECT_TRUE(O[u"errors"_s].toArray().isEmpty()) << Run.Out.toStdString();
    EXPECT_EQ(O[u"title"_s].toString().trimmed(), u"Итоги & <цех>"_s);
    EXPECT_EQ(O[u"charset"_s].toString(), u"utf-8"_s);
    QStringList Texts;
    for (const QJsonValue& V : O[u"texts"_s].toArray()) Texts << V.toString();
    EXPECT_EQ(Texts.count(XDocReportFixture::Title), 3);
    for (int i = 1; i <= 15; ++i) EXPECT_TRUE(Texts.contains(u"Рабочий Пётр №%1"_s.arg(i))) << i;
    const QJsonArray Imgs = O[u"imgs"_s].toArray();
    ASSERT_EQ(Imgs.size(), 15);
    QSet<String> Names;
    for (const QJsonValue& V : Imgs) {
        const String Name = V.toString();
        Names.insert(Name);
        EXPECT_TRUE(Name.startsWith(u"out_Image"_s));
        QImage Pic(Dir.filePath(Name));
        ASSERT_FALSE(Pic.isNull()) << Name.toStdString();
        // The compressed pictures are decoded: blue top-left, red bottom-right.
        EXPECT_GT(Pic.pixelColor(2, 2).blue(), 200);
        EXPECT_GT(Pic.pixelColor(Pic.width() - 3, Pic.height() - 3).red(), 200);
    }
    EXPECT_EQ(Names.size(), 15);
    EXPECT_FALSE(Names.contains(u"out_Image0.jpg"_s));
    ASSERT_TRUE(Old.open(QIODevice::ReadOnly));
    EXPECT_EQ(Old.readAll(), QByteArray("keep"));

    // Positions: numbers are CSS numbers whatever the format settings.
    QFile H(Html);
    ASSERT_TRUE(H.open(QIODevice::ReadOnly));
    const QByteArray Bytes = H.readAll();
    EXPECT_TRUE(Bytes.contains("font-size:10.0pt")) << "sizes are written with a point";
    EXPECT_TRUE(Bytes.contains("font-style:normal"));
}

TEST(RpXDocument, HtmlItalicAndRunLengthData) {
    TOwned<TRpXDocument> D = Loaded(
        Doc({TextItem(1, 1, u"курсив"_s).replace(u"Dec=\"none none \""_s, u"Dec=\"Italic none \""_s) +
             TextItem(1, 10, u"a &lt; b"_s)}));
    TMemoryStream S;
    QTemporaryDir Dir;
    D->SaveAsHTMLStream(&S, Dir.path());
    const String Html = String::fromUtf8(static_cast<const char*>(S.Memory()), qsizetype(S.Size()));
    EXPECT_TRUE(Html.contains(u"font-style:italic;font-weight :normal;white-space:pre;\">\r\nкурсив"_s)) << Html.toStdString();
    EXPECT_TRUE(Html.contains(u"a &lt; b"_s));

    struct TCase {
        QByteArray In, Out;
    };
    const TCase Cases[] = {
        {QByteArray("\x02" "abc"), QByteArray("abc")},
        {QByteArray("\xFF" "x"), QByteArray("xx")},
        {QByteArray("\x81" "y"), QByteArray(128, 'y')},
        {QByteArray("\x80" "z"), QByteArray(129, 'z')},
        {QByteArray("\x00" "q" "\xFE" "r", 4), QByteArray("qrrr")},
        {QByteArray("\x05" "ab"), QByteArray("ab")},  // cut short
    };
    for (const TCase& C : Cases) {
        TMemoryStream In, Out;
        In.WriteBuffer(C.In.constData(), Integer(C.In.size()));
        TRpXDocument::RLEDecode(&In, &Out);
        EXPECT_EQ(QByteArray(static_cast<const char*>(Out.Memory()), qsizetype(Out.Size())), C.Out);
    }
}

// A fake printer for one test: every job's sheets recorded as metafiles.
struct TFakePrinter {
    TFakePrinterBackend Backend;
    TPrinterBackend* Previous;
    TFakePrinter() {
        Backend.Table = {TFakePrinterBackend::Device(u"Fake"_s)};
        Previous = SetPrinterBackend(&Backend);
        SetPrinter(nullptr);
    }
    ~TFakePrinter() {
        SetPrinter(nullptr);
        SetPrinterBackend(Previous == QtPrinterBackend() ? nullptr : Previous);
    }
};

QStringList SheetTexts(const QByteArray& Data) {
    QStringList Texts;
    EnumEnhMetaFile(Data, [&Texts](const TEnhMetaRecord& R) {
        TEnhMetaText T;
        if (DecodeExtTextOutW(R, T)) Texts << T.Text;
        return true;
    });
    return Texts;
}

TEST(RpXDocument, PrintsTheSettingsRange) {
    TFakePrinter Fake;
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    QStringList Pages;
    for (int i = 1; i <= 5; ++i) Pages << TextItem(5, 5, u"Лист %1"_s.arg(i));
    auto* D = New<TRpXDocument>(Root.get());
    ASSERT_TRUE(D->LoadDocumentText(Doc(Pages)));
    D->SetZoomFactor(50);
    D->Print(Printer());  // no report: nothing happens
    EXPECT_TRUE(Fake.Backend.Jobs.empty());
    auto* Rep = New<TRpReport>(Root.get());
    D->SetRpReport(Rep);
    Rep->PrinterSettings()->SetLastPage(0);
    D->Print(Printer());
    EXPECT_TRUE(Fake.Backend.Jobs.empty());
    Rep->PrinterSettings()->SetFirstPage(2);
    Rep->PrinterSettings()->SetLastPage(3);
    D->Print(Printer());
    ASSERT_EQ(Fake.Backend.Jobs.size(), 1u);
    const auto& Job = Fake.Backend.Jobs[0];
    EXPECT_TRUE(Job.Ended);
    ASSERT_EQ(Job.Sheets.size(), 2u);
    EXPECT_EQ(SheetTexts(Job.Sheets[0]), QStringList{u"Лист 2"_s});
    EXPECT_EQ(SheetTexts(Job.Sheets[1]), QStringList{u"Лист 3"_s});
    EXPECT_EQ(D->ZoomFactor(), 100);
}

// The viewer's Print writes the report's printer settings into the printer's device mode and
// raises the report's OnApplyPrinterSettings with the viewer as sender; the viewer's events reach
// the report.
TEST(RpXDocument, TheViewerPrintsWithTheReportsSettingsAndRaisesItsEventsOnTheReport) {
    TFakePrinter Fake;
    const TRpXMLPreviewInterfaceClass Previous = RpXMLPreviewInterfaceClass;
    RpInstallXMLViewer();
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* R = NewReportOnCustomPage(Root.get());
    TRpBand* Title = R->CreateBand(rbTitle);
    Title->SetNativeHeight(100);
    auto* L = New<TRpLabel>(Root.get());
    L->SetParent(Title);
    L->SetCaption(u"Наряд"_s);
    TRpPrinterSettings* S = R->PrinterSettings();
    S->SetCopies(2);
    S->SetOutputBin(Lower);
    S->SetCollate(DMCOLLATE_TRUE);
    S->SetColorOption(DMCOLOR_MONOCHROME);
    S->SetPrintQuality(300);
    std::vector<TPrevEventType> Events;
    TObject* EventSender = nullptr;
    R->OnPrevXEvent = [&](TObject* Sender, TPrevEventType E, const String&, const String&, int) {
        Events.push_back(E);
        EventSender = Sender;
    };
    TObject* ApplySender = nullptr;
    R->OnApplyPrinterSettings = [&](TObject* Sender, bool&, TDeviceMode*) { ApplySender = Sender; };

    auto* D = New<TRpXDocument>(Root.get());
    D->ViewReport(R);
    auto* W = D->ImageControl() ? dynamic_cast<TRpXStandardViewer*>(D->ImageControl()->Owner()) : nullptr;
    ASSERT_NE(W, nullptr);
    W->PrintClick(nullptr);
    EXPECT_EQ(Events, std::vector<TPrevEventType>{etPrintButton});
    EXPECT_EQ(EventSender, D);
    EXPECT_EQ(ApplySender, W);
    ASSERT_EQ(Fake.Backend.Jobs.size(), 1u);
    const TDeviceMode& M = Fake.Backend.Jobs[0].Mode;
    EXPECT_EQ(M.dmCopies, 2);
    EXPECT_EQ(M.dmDefaultSource, DMBIN_LOWER);
    EXPECT_EQ(M.dmCollate, DMCOLLATE_TRUE);
    EXPECT_EQ(M.dmColor, DMCOLOR_MONOCHROME);
    EXPECT_EQ(M.dmPrintQuality, 300);
    EXPECT_EQ(SheetTexts(Fake.Backend.Jobs[0].Sheets.at(0)), QStringList{u"Наряд"_s});
    W->Close();
    Application->ProcessMessages();
    RpXMLPreviewInterfaceClass = Previous;
}

// ---- a disk that fails under the savers ---------------------------------------------------------

TEST(RpXDocument, EverySaverKeepsTheOldFileWhenTheDiskFails) {
    using sdelka::test::ExpectSaverKeepsOldFile;
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    XDocReportFixture R;
    R.Export(File);
    TOwned<TRpXDocument> D = NewOwned<TRpXDocument>(nullptr);
    D->LoadFromFile(File);
    ASSERT_TRUE(D->DocumentLoaded());

    {
        SCOPED_TRACE("the XML document filter");
        ExpectSaverKeepsOldFile([&](const String& Name) { R.Export(Name); }, u"export.rpx"_s);
    }
    {
        SCOPED_TRACE("the XML document");
        ExpectSaverKeepsOldFile([&](const String& Name) { D->SaveToFile(Name); }, u"saved.rpx"_s);
    }
    {
        SCOPED_TRACE("PDF from the XML document");
        ExpectSaverKeepsOldFile([&](const String& Name) { D->SaveAsPDFFile(Name); }, u"doc.pdf"_s);
    }
    {
        SCOPED_TRACE("HTML from the XML document");
        ExpectSaverKeepsOldFile([&](const String& Name) { D->SaveAsHTMLFile(Name); }, u"doc.html"_s);
    }
    {
        SCOPED_TRACE("PDF from the report");
        ExpectSaverKeepsOldFile([&](const String& Name) {
            TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(Name);
            R.Report->ExportToFilter(F.get());
        }, u"report.pdf"_s);
    }
    {
        SCOPED_TRACE("HTML from the report");
        ExpectSaverKeepsOldFile([&](const String& Name) {
            TOwned<TRpGHTMLDocumentFilter> F = NewOwned<TRpGHTMLDocumentFilter>(Name);
            R.Report->ExportToFilter(F.get());
        }, u"report.html"_s);
    }
    {
        SCOPED_TRACE("a workbook from the report");
        ExpectSaverKeepsOldFile([&](const String& Name) {
            TOwned<TRpXLSXDocumentFilter> F = NewOwned<TRpXLSXDocumentFilter>(Name);
            R.Report->ExportToFilter(F.get());
        }, u"report.xlsx"_s);
    }
}

}  // namespace
