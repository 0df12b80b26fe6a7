#include "report/export/rpxmlfilter.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/canvas.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"
#include "report/export/rpencoders.h"
#include "report/export/rpexportfilters.h"
#include "report/rpdbtexts.h"
#include "report/rpgrimage.h"
#include "report/rplabels.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"
#include "report/rptypes.h"

#include "../../support/tools.h"
#include "support/report_page.h"

#include <gtest/gtest.h>
#include <QDomDocument>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <map>

namespace {

using namespace Qt::StringLiterals;

// Runs a program; its exit code and what it wrote.
using sdelka::test::RunTool;
using sdelka::test::TRun;

// What Python's minidom finds in a document: the page numbers, the item types and the texts.
const char* const MinidomScript = R"(
import sys, json
from xml.dom import minidom
doc = minidom.parse(sys.argv[1])
pages = doc.getElementsByTagName('Page')
out = {'numbers': [p.getAttribute('Number') for p in pages], 'types': [], 'texts': [],
       'title': ''.join(n.data for n in doc.getElementsByTagName('Title')[0].childNodes)}
for p in pages:
    for it in p.getElementsByTagName('Item'):
        out['types'].append(it.getAttribute('Type'))
        if it.getAttribute('Type') == 'Text':
            out['texts'].append(''.join(n.data for n in it.childNodes if n.nodeType == n.TEXT_NODE).strip())
sys.stdout.buffer.write(json.dumps(out, ensure_ascii=False).encode('utf-8'))
)";

QJsonObject Minidom(const String& File) {
    const TRun R = RunTool(u"python3"_s, {u"-c"_s, String::fromLatin1(MinidomScript), File});
    EXPECT_EQ(R.Code, 0) << R.Err.toStdString();
    return QJsonDocument::fromJson(R.Out).object();
}

std::vector<String> Strings(const QJsonValue& V) {
    std::vector<String> R;
    for (const QJsonValue& X : V.toArray()) R.push_back(X.toString());
    return R;
}

TOwned<TBitmap> Picture(int W, int H) {
    TOwned<TBitmap> B = NewOwned<TBitmap>();
    B->SetPixelFormat(pf24bit);
    B->SetSize(W, H);
    B->Canvas()->Brush()->SetColor(clRed);
    B->Canvas()->FillRect(TRect(0, 0, W, H));
    B->Canvas()->Brush()->SetColor(clBlue);
    B->Canvas()->FillRect(TRect(0, 0, W / 2, H / 2));
    return B;
}

// A report of three pages on a small page (2100 × 1000 tenths of a millimetre, margins 100): a page
// header with a Cyrillic title, a detail band per worker with the name, a filled rectangle, a
// line shape and a rule, and a picture, and a page footer with the page number.
struct XmlReportFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TTestTableDataSet* Data = nullptr;
    static inline const String Title = u"Табель учёта «Цех №1» & <итоги> \"сдельно\""_s;

    XmlReportFixture() {
        Report = NewReportOnCustomPage(Root.get());
        Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"NAME"_s, ftString, 40);
        Data->CreateDataSet();
        for (int i = 1; i <= 15; ++i) Data->AppendRecord({u"Рабочий Пётр №%1"_s.arg(i)});
        Data->First();
        Report->SetDataSet(Data);

        TRpBand* Header = Band(rbPageHeader);
        auto* L = New<TRpLabel>(Root.get());
        L->SetParent(Header);
        Place(L, 0, 0, 1200, 80);
        L->SetCaption(Title);

        TRpBand* Detail = Band(rbDetail);
        auto* T = New<TRpDBText>(Root.get());
        T->SetParent(Detail);
        Place(T, 0, 0, 800, 80);
        T->SetDataSet(Data);
        T->SetDataField(u"NAME"_s);
        auto* S = New<TRpShape>(Root.get());
        S->SetParent(Detail);
        Place(S, 900, 10, 200, 60);
        S->Brush()->SetColor(TColor(0x00FFCC));
        auto* Rule = New<TRpShape>(Root.get());
        Rule->SetParent(Detail);
        Place(Rule, 1200, 40, 300, 10);
        Rule->SetShape(rpsHorLine);
        auto* HRule = New<TRpHRule>(Root.get());  // hands itself to the PDF and HTML filters only
        HRule->SetParent(Detail);
        Place(HRule, 1200, 60, 300, 10);
        auto* I = New<TRpImage>(Root.get());
        I->SetParent(Detail);
        Place(I, 1600, 0, 200, 90);
        I->SetStretch(true);
        TOwned<TBitmap> B = Picture(40, 20);
        I->Picture()->SetGraphic(B.get());

        TRpBand* Footer = Band(rbPageFooter);
        auto* E = New<TRpExpr>(Root.get());
        E->SetParent(Footer);
        Place(E, 0, 0, 1900, 80);
        E->SetAlignment(taRightJustify);
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

TEST(RpXDocumentFilter, AThreePageReportIsAValidDocumentWithItsTextsVerbatim) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"report.rpx"_s);
    XmlReportFixture R;
    FormatSettings.DecimalSeparator = u',';
    R.Export(File);

    const TRun Lint = RunTool(u"xmllint"_s, {u"--noout"_s, u"--valid"_s, File});
    EXPECT_EQ(Lint.Code, 0) << Lint.Err.toStdString();

    const QJsonObject Doc = Minidom(File);
    EXPECT_EQ(Strings(Doc[u"numbers"_s]), (std::vector<String>{u"1"_s, u"2"_s, u"3"_s}));
    EXPECT_EQ(Doc[u"title"_s].toString(), XmlReportFixture::Title);
    const std::vector<String> Texts = Strings(Doc[u"texts"_s]);
    auto Has = [&Texts](const String& S) { return std::find(Texts.begin(), Texts.end(), S) != Texts.end(); };
    EXPECT_EQ(std::count(Texts.begin(), Texts.end(), XmlReportFixture::Title), 3);
    for (int i = 1; i <= 15; ++i) EXPECT_TRUE(Has(u"Рабочий Пётр №%1"_s.arg(i))) << i;
    for (int i = 1; i <= 3; ++i) EXPECT_TRUE(Has(u"Страница %1"_s.arg(i))) << i;
    const std::vector<String> Types = Strings(Doc[u"types"_s]);
    EXPECT_EQ(std::count(Types.begin(), Types.end(), u"Graphic"_s), 30);  // a rectangle and a rule per worker
    EXPECT_EQ(std::count(Types.begin(), Types.end(), u"Image"_s), 15);

    // Qt's reader sees the same document; the stored pictures decode back to bitmaps.
    QFile F(File);
    ASSERT_TRUE(F.open(QIODevice::ReadOnly));
    const QByteArray Bytes = F.readAll();
    EXPECT_TRUE(Bytes.startsWith("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"));
    EXPECT_FALSE(Bytes.contains(",00\"")) << "numbers follow the format settings";
    QDomDocument Dom;
    ASSERT_TRUE(Dom.setContent(Bytes));
    int Graphics = 0, Rules = 0;
    const QDomNodeList Items = Dom.elementsByTagName(u"Item"_s);
    for (int i = 0; i < Items.size(); ++i) {
        const QDomElement E = Items.at(i).toElement();
        if (E.attribute(u"Type"_s) == u"Graphic"_s) {
            ++Graphics;
            if (E.attribute(u"SP"_s) == u"2"_s) {  // the horizontal rule
                ++Rules;
                EXPECT_EQ(E.attribute(u"FT"_s), u"Out"_s);
            } else {
                EXPECT_EQ(E.attribute(u"SP"_s), u"0"_s);
                EXPECT_EQ(E.attribute(u"FT"_s), u"SF"_s);
                EXPECT_EQ(E.attribute(u"LY"_s), u"2"_s);
                EXPECT_EQ(E.attribute(u"BC"_s), u"#CCFF00"_s);
            }
        }
        if (E.attribute(u"Type"_s) != u"Image"_s) continue;
        EXPECT_EQ(E.attribute(u"Cmp"_s), u"lzw"_s);
        EXPECT_EQ(E.attribute(u"CID"_s), String());
        const QByteArray Packed = QByteArray::fromHex(E.text().simplified().remove(u' ').toLatin1());
        TMemoryStream Bmp;
        const QByteArray Plain = LZWDecode(Packed);
        ASSERT_TRUE(Plain.startsWith("BM"));
        Bmp.WriteBuffer(Plain.constData(), Integer(Plain.size()));
        Bmp.SetPosition(0);
        TBitmap Back;
        Back.LoadFromStream(&Bmp);
        EXPECT_EQ(String::number(Back.Width()), E.attribute(u"Width"_s));
        EXPECT_EQ(String::number(Back.Height()), E.attribute(u"Height"_s));
        // the picture is stretched over the whole box: blue top-left, red bottom-right
        const QImage Img = Back.ToImage();
        EXPECT_EQ(Img.pixelColor(1, 1), QColor(Qt::blue));
        EXPECT_EQ(Img.pixelColor(Img.width() - 2, Img.height() - 2), QColor(Qt::red));
    }
    EXPECT_EQ(Graphics, 30);
    EXPECT_EQ(Rules, 15);
}

// Drives the filter by hand and returns the document's lines.
std::vector<String> Lines(TRpXDocumentFilter* F) {
    auto* M = dynamic_cast<TMemoryStream*>(F->Stream());
    EXPECT_NE(M, nullptr);
    if (!M) return {};
    const QByteArray B(static_cast<const char*>(M->Memory()), qsizetype(M->Size()));
    EXPECT_TRUE(B.startsWith("\xEF\xBB\xBF"));
    QStringList L = String::fromUtf8(B.mid(3)).split(u"\r\n"_s);
    EXPECT_EQ(L.takeLast(), String());  // every line ends with CR LF
    return std::vector<String>(L.begin(), L.end());
}

TEST(RpXDocumentFilter, HeaderItemsNumbersAndEscapes) {
    FormatSettings.DecimalSeparator = u',';
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    EXPECT_EQ(F->Creator, u"RpXDocumentFilter"_s);
    EXPECT_EQ(F->Orientation, u"Portrait"_s);
    EXPECT_FALSE(F->DocDate.isEmpty());
    F->SetDocumentProperties(u"Автор"_s, u"A & B <c> 'd' \"e\""_s, u"©"_s);
    F->DocDate = u"10.12.2026"_s;
    F->XLStyleURL = u"   "_s;
    F->LeftMarginAdjust = 5;
    TFont Font;
    Font.SetName(u"Arial"_s);
    Font.SetSize(10);
    Font.SetStyle({fsBold, fsUnderline});
    Font.SetColor(TColor(0x336699));
    F->Start(2159, 2794, &Font);  // Letter paper
    F->NewPage();

    TRpRunState Run;
    Run.CurrentControlName = u"Lbl\"<&>"_s;
    Run.CurrentRecordNumber = 7;
    F->SetRunState(&Run);
    TExportInfoRec R;
    R.Xpos = 250;
    R.Ypos = 125;
    R.Font = &Font;
    R.Text = String();
    R.controlLeft = 200;
    R.controlTop = 100;
    R.ControlWidth = 300;
    R.controlHeight = 45;
    R.VAlignment = tlCenter;
    F->TextOutRec(R);  // an empty text has no middle line

    // A right-aligned text: its left edge is the right edge less the text's width, unshifted.
    TBitmap Scratch;
    Scratch.SetSize(1, 1);
    Scratch.Canvas()->Font()->Assign(&Font);
    const int W = Scratch.Canvas()->TextWidth(u"Итого"_s);
    const Extended ExpectedX = Round(Round(1000 * RpDefaultPixelFactor) - W) * 0.1L / RpDefaultPixelFactor;
    F->TextOut(1000, 300, &Font, clWhite, taRightJustify, u" Итого "_s);

    // A shape one pixel high is half a millimetre high; a picture stored by reference.
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* S = New<TRpShape>(Root.get());
    S->SetName(u"Line1"_s);
    S->SetShape(rpsVertLine);
    S->Brush()->SetStyle(bsClear);
    S->SetBounds(0, 0, 50, 1);
    F->AcceptGraphic(96, 192, S);
    auto* I = New<TRpImage>(Root.get());
    I->SetName(u"Img"_s);
    I->SetBounds(0, 0, 20, 10);
    F->OnImageURLNeeded = [](TObject*, TControl*, String& URL, bool& ByRef) {
        URL = u"pics/a&b.jpg"_s;
        ByRef = true;
    };
    F->AcceptGraphic(0, 0, I);
    F->EndPage();
    F->Finish();
    EXPECT_TRUE(F->Active());

    const std::vector<String> L = Lines(F.get());
    EXPECT_EQ(L[0], u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"_s);
    EXPECT_EQ(L[1], u"<?xml-stylesheet type=\"text/xsl\" href=\"RpXDStylesheet.xsl\"?>"_s);
    EXPECT_EQ(L[2], u"<!DOCTYPE RpXDocument ["_s);
    EXPECT_EQ(L[34], u"<!-- 0=rect, 1=ellipse, 2=hline,3=vline,4=roundrect,5=rightdiag,6=leftdiag-->"_s);
    EXPECT_EQ(L[51], u"]>"_s);
    const std::vector<String> Expected = {
        u"<RpXDocument>"_s,
        u"<Header Pagewidth=\"215.90\" Pageheight=\"279.40\" PaperName=\"A4\" Units=\"mm\">"_s,
        u"   <Title>A &amp; B &lt;c&gt; &apos;d&apos; &quot;e&quot;</Title>"_s,
        u"   <DocType></DocType>"_s,
        u"   <Creator>RpXDocumentFilter</Creator>"_s,
        u"   <Author>Автор</Author>"_s,
        u"   <Date>10.12.2026</Date>"_s,
        u"   <Copyright>©</Copyright>"_s,
        u"   <Orientation>Portrait</Orientation>"_s,
        u"</Header>"_s,
        String(),
        u"<Page Number=\"1\">"_s,
        u"<Item Type=\"Text\" LY=\"0\" Font=\"Arial\" X=\"30.00\" Y=\"12.50\" Height=\"10\" Color=\"#996633\" "
        u"FR=\"  0\" FW=\"Bold\" Dec=\"none Underline \" CID=\"Lbl&quot;&lt;&amp;&gt;\" DBR=\"7\" HA=\"L\" VA=\"C\" "
        u"OX=\"20.00\" OY=\"10.00\" IW=\"300.00\" IH=\"45.00\">"_s,
        u"</Item>"_s,
        u"<Item Type=\"Text\" LY=\"0\" Font=\"Arial\" X=\""_s + String::asprintf("%-4.2f", double(ExpectedX)) +
            u"\" Y=\"30.00\" Height=\"10\" Color=\"#996633\" FR=\"  0\" FW=\"Bold\" Dec=\"none Underline \" "
            u"CID=\"Lbl&quot;&lt;&amp;&gt;\" DBR=\"7\" HA=\"R\" VA=\"C\" OX=\"20.00\" OY=\"10.00\" IW=\"300.00\" "
            u"IH=\"45.00\">"_s,
        u" Итого "_s,
        u"</Item>"_s,
        u"<Item Type=\"Graphic\" LY=\"1\" X=\"30.40\" Y=\"50.80\" LW=\"0.26\" SP=\"3\" Width=\"13.23\" "
        u"Height=\"0.50\" Color=\"#000000\" BC=\"#FFFFFF\" FT=\"Out\" CID=\"Line1\" DBR=\"7\">"_s,
        u"</Item>"_s,
        u"<Item Type=\"Image\" X=\"5.00\" Y=\"0.00\" Width=\"20\" Height=\"10\" LY=\"1\" XS=\" 0.265\" "
        u"YS=\" 0.265\" Cmp=\"lzw\" ImageFile=\"pics/a&amp;b.jpg\">"_s,
        u"</Item>"_s,
        u"</Page>"_s,
        u"</RpXDocument>"_s,
    };
    ASSERT_EQ(L.size(), 52 + Expected.size());
    for (size_t i = 0; i < Expected.size(); ++i) EXPECT_EQ(L[52 + i], Expected[i]) << "line " << 52 + i;
}

TEST(RpXDocumentFilter, DocumentsWithoutPagesAndEmptyDocumentsAreValid) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"empty.rpx"_s);
    {
        TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(File);
        F->Start(2100, 2970, nullptr);
        F->EndPage();
        F->Finish();
    }
    const TRun Lint = RunTool(u"xmllint"_s, {u"--noout"_s, u"--valid"_s, File});
    EXPECT_EQ(Lint.Code, 0) << Lint.Err.toStdString();
    QFile In(File);
    ASSERT_TRUE(In.open(QIODevice::ReadOnly));
    const QByteArray B = In.readAll();
    EXPECT_FALSE(B.contains("</Page>"));
    EXPECT_TRUE(B.endsWith("</Header>\r\n\r\n</RpXDocument>\r\n"));

    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    F->XLStyleURL = u" style.xsl"_s;
    TOwned<TStringList> Doc = NewOwned<TStringList>();
    F->NewDocument(Doc.get(), 99.5, 297, u"Letter"_s, u"Landscape"_s);
    EXPECT_EQ(Doc->Strings(1), u"<?xml-stylesheet type=\"text/xsl\" href=\" style.xsl\"?>"_s);
    EXPECT_EQ(Doc->Strings(53), u"<Header Pagewidth=\" 99.50\" Pageheight=\"297.00\" PaperName=\"A4\" Units=\"mm\">"_s);
    EXPECT_EQ(Doc->Strings(Doc->Count() - 1), u"</RpXDocument>"_s);
    const String NewFile = Dir.filePath(u"new.rpx"_s);
    Doc->SaveToFile(NewFile);
    const TRun Lint2 = RunTool(u"xmllint"_s, {u"--noout"_s, u"--valid"_s, NewFile});
    EXPECT_EQ(Lint2.Code, 0) << Lint2.Err.toStdString();
}

// Receives the pages of a single-page run as an XML report document does.
class TPageCollector : public IRpXPageReceiver {
public:
    void acceptPage(TStringList* plist) override {
        String S;
        for (int i = 0; i < plist->Count(); ++i) S += plist->Strings(i) + u'\n';
        Pages.push_back(S);
    }
    void FinishReport() override { ++Finished; }
    std::vector<String> Pages;
    int Finished = 0;
};

TEST(RpXDocumentFilter, SinglePageModeHandsOverEachPage) {
    XmlReportFixture R;
    TPageCollector C;
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    F->SetSinglePageMode(true);
    F->SetRpXDocument(&C);
    F->DoImages = false;
    R.Report->ExportToFilter(F.get());
    ASSERT_EQ(C.Pages.size(), 3u);
    EXPECT_EQ(C.Finished, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(C.Pages[size_t(i)].startsWith(u"<Page Number=\"%1\">\n"_s.arg(i + 1)));
        EXPECT_TRUE(C.Pages[size_t(i)].endsWith(u"</Item>\n</Page>\n"_s));
        EXPECT_TRUE(C.Pages[size_t(i)].contains(u"Страница %1"_s.arg(i + 1)));
        // no picture data with DoImages off: the image item's start tag is followed by its end
        EXPECT_TRUE(C.Pages[size_t(i)].contains(QRegularExpression(u"Type=\"Image\"[^\n]*>\n</Item>\n"_s)));
        EXPECT_FALSE(C.Pages[size_t(i)].contains(QRegularExpression(u"\n[0-9A-F]{64}"_s)));
    }
    EXPECT_EQ(F->Stream()->Size(), 0);
}

TEST(RpXDocumentFilter, EveryEncodingIsDeclaredAndKeepsTheText) {
    struct Case {
        TTextEncoding Encoding;
        QByteArray Signature;
        const char* Declared;
        const char* Python;  // codec of the whole file, to read the text back
    };
    const Case Cases[] = {
        {UTF8Encoding, "\xEF\xBB\xBF", "UTF-8", "utf-8-sig"},
        {UnicodeEncoding, "\xFF\xFE", "UTF-16", "utf-16"},
        {BigEndianUnicodeEncoding, "\xFE\xFF", "UTF-16", "utf-16"},
        {AnsiEncoding, "", "windows-1252", "cp1252"},
        {DefaultEncoding, "", "windows-1251", "cp1251"},
        {ASCIIEncoding, "", "US-ASCII", "ascii"},
        {UTF7Encoding, "", "UTF-7", "utf-7"},
    };
    const String Text = u"Привет, café + 𝄞 <&>"_s;
    QTemporaryDir Dir;
    const TTextEncoding Saved = TRpXDocumentFilter::TextEncoding();
    // One Python run reads every file back: its first line in the file's own encoding, and with
    // minidom (expat reads no UTF-7; xmllint does) the title and the texts.
    QStringList Args{u"-c"_s, u"import sys, json\n"
                              "from xml.dom import minidom\n"
                              "out = []\n"
                              "for name, codec in zip(sys.argv[1::2], sys.argv[2::2]):\n"
                              "    data = open(name, 'rb').read()\n"
                              "    r = {'decl': data.decode(codec).splitlines()[0]}\n"
                              "    if codec != 'utf-7':\n"
                              "        doc = minidom.parseString(data)\n"
                              "        r['title'] = ''.join(n.data for n in doc.getElementsByTagName('Title')[0].childNodes)\n"
                              "        r['texts'] = [''.join(n.data for n in i.childNodes).strip() for i in doc.getElementsByTagName('Item')]\n"
                              "    out.append(r)\n"
                              "sys.stdout.buffer.write(json.dumps(out, ensure_ascii=False).encode('utf-8'))\n"_s};
    for (const Case& K : Cases) {
        TRpXDocumentFilter::SetTextEncoding(K.Encoding);
        const String File = Dir.filePath(u"doc%1.rpx"_s.arg(int(K.Encoding)));
        {
            TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(File);
            F->Title = Text;
            TFont Font;
            F->Start(2100, 2970, &Font);
            F->NewPage();
            F->TextOut(100, 100, &Font, clWhite, taLeftJustify, Text);
            F->EndPage();
            F->Finish();
        }
        QFile In(File);
        ASSERT_TRUE(In.open(QIODevice::ReadOnly));
        EXPECT_TRUE(In.readAll().startsWith(K.Signature)) << K.Declared;
        const TRun Lint = RunTool(u"xmllint"_s, {u"--noout"_s, u"--valid"_s, File});
        EXPECT_EQ(Lint.Code, 0) << K.Declared << ": " << Lint.Err.toStdString();
        Args << File << String::fromLatin1(K.Python);
    }
    TRpXDocumentFilter::SetTextEncoding(Saved);
    const TRun Py = RunTool(u"python3"_s, Args);
    ASSERT_EQ(Py.Code, 0) << Py.Err.toStdString();
    const QJsonArray Back = QJsonDocument::fromJson(Py.Out).array();
    ASSERT_EQ(Back.size(), qsizetype(std::size(Cases)));
    for (size_t i = 0; i < std::size(Cases); ++i) {
        const Case& K = Cases[i];
        const QJsonObject R = Back[qsizetype(i)].toObject();
        EXPECT_EQ(R[u"decl"_s].toString(), u"<?xml version=\"1.0\" encoding=\"%1\"?>"_s.arg(String::fromLatin1(K.Declared)));
        if (K.Encoding == UTF7Encoding) continue;
        EXPECT_EQ(R[u"title"_s].toString(), Text) << K.Declared;
        EXPECT_EQ(Strings(R[u"texts"_s]), std::vector<String>{Text}) << K.Declared;
    }
}

TEST(RpXDocumentFilter, ConcatenatedReportsMakeOneDocument) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"both.rpx"_s);
    XmlReportFixture A, B;
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(File);
    F->Concatenating = true;
    A.Report->ExportToFilter(F.get());
    B.Report->ExportToFilter(F.get());
    EXPECT_FALSE(QFile::exists(File));
    F->EndConcat();
    EXPECT_FALSE(F->Concatenating);
    const TRun Lint = RunTool(u"xmllint"_s, {u"--noout"_s, u"--valid"_s, File});
    EXPECT_EQ(Lint.Code, 0) << Lint.Err.toStdString();
    QFile In(File);
    ASSERT_TRUE(In.open(QIODevice::ReadOnly));
    QDomDocument Dom;
    ASSERT_TRUE(Dom.setContent(In.readAll()));
    const QDomNodeList Pages = Dom.elementsByTagName(u"Page"_s);
    ASSERT_EQ(Pages.size(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Pages.at(i).toElement().attribute(u"Number"_s), String::number(i + 1));
    EXPECT_EQ(Dom.elementsByTagName(u"Header"_s).size(), 1);
}

TEST(RpXDocumentFilter, BandAndVectorItems) {
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    F->Start(2100, 2970, nullptr);
    F->NewPage();
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* S = New<TRpShape>(Root.get());
    S->SetName(u"Band1"_s);
    S->SetBounds(0, 0, 700, 40);
    TRpRunState Run;
    Run.CurrentRecordNumber = 3;
    F->SetRunState(&Run);
    F->AcceptBand(S, 12.5, 30, 4.5);
    TOwned<TStringList> Commands = NewOwned<TStringList>();
    F->AcceptVector(Commands.get());
    Commands->Add(u"M 1 2"_s);
    Commands->Add(u"L 3 4"_s);
    F->AcceptVector(Commands.get());
    TOwned<TStringList> Extra = NewOwned<TStringList>();
    Extra->Add(u"<Item Type=\"Text\">x</Item>"_s);
    Extra->Add(String());
    F->AddToStream(Extra.get());
    F->Finish();
    const std::vector<String> L = Lines(F.get());
    const std::vector<String> Expected = {
        u"<Page Number=\"1\">"_s,
        u"<Item Type=\"Band\" X=\"12.50\" Y=\"30.00\" Width=\"700\" Height=\"44\" LY=\"1\" XS=\" 1.000\" "
        u"YS=\" 1.000\" Cmp=\"none\" CID=\"Band1\" DBR=\"3\"></Item>"_s,
        String(),
        u"<Item Type=\"Vector\">"_s,
        u"</Item>"_s,
        u"<Item Type=\"Vector\">"_s,
        u" M 1 2!L 3 4"_s,
        u"</Item>"_s,
        u"<Item Type=\"Text\">x</Item>"_s,
        u"</Page>"_s,
        u"</RpXDocument>"_s,
    };
    ASSERT_GE(L.size(), Expected.size());
    EXPECT_EQ(std::vector<String>(L.end() - qsizetype(Expected.size()), L.end()), Expected);
}

// A picture from a blob field: fitted into its box (keeping its proportions, from the top-left
// corner) or stored as it is when stretched; the scales say how large a pixel prints.
TEST(RpXDocumentFilter, PicturesFromAFieldAreFittedOrStoredAsTheyAre) {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* Report = New<TRpReport>(Root.get());
    auto* Data = New<TTestTableDataSet>(Root.get());
    Data->FieldDefs()->Add(u"PIC"_s, ftGraphic);
    Data->CreateDataSet();
    TOwned<TBitmap> Pic = Picture(40, 20);
    TMemoryStream Bmp;
    Pic->SaveToStream(&Bmp);
    Data->AppendRecord({VarByteArrayOf(QByteArray(static_cast<const char*>(Bmp.Memory()), qsizetype(Bmp.Size())))});
    Data->First();
    Report->SetDataSet(Data);
    TRpBand* Detail = Report->CreateBand(rbDetail);
    Detail->SetNativeHeight(400);
    for (bool Stretch : {false, true}) {
        auto* I = New<TRpDBImage>(Root.get());
        I->SetName(Stretch ? u"Stretched"_s : u"Fitted"_s);
        I->SetParent(Detail);
        XmlReportFixture::Place(I, Stretch ? 300 : 0, 0, 265, 265);  // 100 × 100 screen pixels
        I->SetDataSet(Data);
        I->SetDataField(u"PIC"_s);
        I->SetStretch(Stretch);
    }
    // the add-on pictures: from the layout fitted inside its box and centred, from a field as the
    // plain one; a rule is not a shape of the filter's kind and, handed over, goes as a blank picture
    auto* Gr = New<TRpGrImage>(Root.get());
    Gr->SetName(u"GrFit"_s);
    Gr->SetParent(Detail);
    XmlReportFixture::Place(Gr, 600, 0, 265, 265);
    Gr->Picture()->SetGraphic(Pic.get());
    Gr->SetFitMode(fmInsideProp);
    auto* GrDB = New<TRpGrDBImage>(Root.get());
    GrDB->SetName(u"GrField"_s);
    GrDB->SetParent(Detail);
    XmlReportFixture::Place(GrDB, 900, 0, 265, 265);
    GrDB->SetDataSet(Data);
    GrDB->SetDataField(u"PIC"_s);
    auto* Rule = New<TRpHRule>(Root.get());
    Rule->SetName(u"Rule"_s);
    Rule->SetParent(Detail);
    XmlReportFixture::Place(Rule, 1200, 0, 265, 21);
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    F->CompressImages = false;
    Report->ExportToFilter(F.get());
    auto* M = dynamic_cast<TMemoryStream*>(F->Stream());
    ASSERT_NE(M, nullptr);
    QDomDocument Dom;
    ASSERT_TRUE(Dom.setContent(QByteArray(static_cast<const char*>(M->Memory()), qsizetype(M->Size()))));
    std::map<String, QDomElement> Images;
    const QDomNodeList Items = Dom.elementsByTagName(u"Item"_s);
    for (int i = 0; i < Items.size(); ++i)
        if (Items.at(i).toElement().attribute(u"Type"_s) == u"Image"_s)
            Images[Items.at(i).toElement().attribute(u"CID"_s)] = Items.at(i).toElement();
    ASSERT_EQ(Images.size(), 4u);  // the rule hands itself to other filters only
    const QDomElement Fit = Images[u"Fitted"_s], Str = Images[u"Stretched"_s];
    ASSERT_EQ(Fit.attribute(u"Width"_s), u"100"_s);
    EXPECT_EQ(Fit.attribute(u"Height"_s), u"100"_s);
    EXPECT_EQ(Fit.attribute(u"Cmp"_s), u"None"_s);
    EXPECT_EQ(Fit.attribute(u"XS"_s), u" 0.265"_s);  // full width: a pixel is 0.265 mm
    EXPECT_EQ(Fit.attribute(u"YS"_s), u" 0.132"_s);  // half the height is used
    EXPECT_EQ(Str.attribute(u"Width"_s), u"40"_s);
    EXPECT_EQ(Str.attribute(u"Height"_s), u"20"_s);
    EXPECT_EQ(Str.attribute(u"XS"_s), u" 0.661"_s);  // 26.46 mm over 40 pixels
    EXPECT_EQ(Str.attribute(u"YS"_s), u" 1.323"_s);
    // the fitted picture fills the upper half of its bitmap, the rest stays white
    const QByteArray Stored = QByteArray::fromHex(Fit.text().simplified().remove(u' ').toLatin1());
    TMemoryStream S;
    S.WriteBuffer(Stored.constData(), Integer(Stored.size()));
    S.SetPosition(0);
    TBitmap Back;
    Back.LoadFromStream(&S);
    const QImage Img = Back.ToImage();
    EXPECT_EQ(Img.pixelColor(2, 2), QColor(Qt::blue));
    EXPECT_EQ(Img.pixelColor(97, 47), QColor(Qt::red));
    EXPECT_EQ(Img.pixelColor(50, 75), QColor(Qt::white));

    auto Decode = [](const QDomElement& E) {
        const QByteArray Bytes = QByteArray::fromHex(E.text().simplified().remove(u' ').toLatin1());
        TMemoryStream S;
        S.WriteBuffer(Bytes.constData(), Integer(Bytes.size()));
        S.SetPosition(0);
        TBitmap B;
        B.LoadFromStream(&S);
        return B.ToImage();
    };
    const QDomElement GrFit = Images[u"GrFit"_s];
    EXPECT_EQ(GrFit.attribute(u"Width"_s), u"100"_s);
    EXPECT_EQ(GrFit.attribute(u"Height"_s), u"50"_s);
    EXPECT_NEAR(GrFit.attribute(u"Y"_s).toDouble() - Fit.attribute(u"Y"_s).toDouble(), 6.61, 0.015);  // 25 pixels lower
    const QImage GrImg = Decode(GrFit);
    EXPECT_EQ(GrImg.pixelColor(2, 2), QColor(Qt::blue));
    EXPECT_EQ(GrImg.pixelColor(97, 47), QColor(Qt::red));
    const QDomElement GrField = Images[u"GrField"_s];
    EXPECT_EQ(GrField.attribute(u"YS"_s), u" 0.132"_s);
    EXPECT_EQ(Decode(GrField).pixelColor(2, 2), QColor(Qt::blue));
    TOwned<TRpXDocumentFilter> RuleFilter = NewOwned<TRpXDocumentFilter>(String());
    RuleFilter->Start(2100, 2970, nullptr);
    RuleFilter->NewPage();
    RuleFilter->AcceptGraphic(0, 0, Rule);
    RuleFilter->Finish();
    auto* RM = dynamic_cast<TMemoryStream*>(RuleFilter->Stream());
    QDomDocument RuleDom;
    ASSERT_TRUE(RuleDom.setContent(QByteArray(static_cast<const char*>(RM->Memory()), qsizetype(RM->Size()))));
    const QDomElement R = RuleDom.elementsByTagName(u"Item"_s).at(0).toElement();
    EXPECT_EQ(R.attribute(u"Type"_s), u"Image"_s);
    EXPECT_EQ(R.attribute(u"CID"_s), u"Rule"_s);
    EXPECT_EQ(R.attribute(u"Width"_s), u"100"_s);
    EXPECT_EQ(R.attribute(u"Height"_s), u"8"_s);
    const QByteArray RuleBytes = LZWDecode(QByteArray::fromHex(R.text().simplified().remove(u' ').toLatin1()));
    TMemoryStream RS;
    RS.WriteBuffer(RuleBytes.constData(), Integer(RuleBytes.size()));
    RS.SetPosition(0);
    TBitmap RuleBmp;
    RuleBmp.LoadFromStream(&RS);
    const QImage RuleImg = RuleBmp.ToImage();
    EXPECT_EQ(RuleImg.pixelColor(50, 4), QColor(Qt::white));
}

TEST(RpXDocumentFilter, IsRegisteredForItsExtension) {
    RpRegisterExportFilters();
    RpRegisterExportFilters();
    TRpExportFilterLibraryEntry* E = RpExportFilterLibrary()->GetFilterByExtension(u"rpx"_s);
    ASSERT_NE(E, nullptr);
    EXPECT_EQ(E->FilterName, u"RPX document (XML)"_s);
    EXPECT_TRUE(RpExportFilterLibrary()->SaveDialogFilterString().contains(u"|RPX document (XML) (*.RPX)|*.RPX"_s));
    TOwned<TRpExportFilter> F(E->ExportFilterClass->Create(u"a.rpx"_s));
    EXPECT_TRUE(F->InheritsFrom(TRpXDocumentFilter::StaticClass()));
}

TEST(RpXDocumentFilter, AFileThatCannotBeCreatedRaises) {
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(u"/nonexistent-dir/x.rpx"_s);
    F->Start(2100, 2970, nullptr);
    EXPECT_THROW(F->Finish(), EFCreateError);
}

}  // namespace
