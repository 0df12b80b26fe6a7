#include "platform/testing/scriptedresponder.h"
#include "report/export/rpwebfilter.h"

#include "report/export/rpwebcontrols.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "report/rpdbtexts.h"
#include "report/rpgrimage.h"
#include "report/rphtmllabel.h"
#include "report/rplabels.h"
#include "report/rpprintable.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "support/tools.h"
#include "support/report_page.h"

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// The filter's process-wide settings are put back after each test.
struct HtmlSharedSettings {
    bool Scripts = HTMLScriptsEnabled;
    TTextEncoding Encoding = TRpGHTMLDocumentFilter::TextEncoding;
    bool FirstLast = TRpGHTMLDocumentFilter::FirstLastLinks;
    ~HtmlSharedSettings() {
        HTMLScriptsEnabled = Scripts;
        TRpGHTMLDocumentFilter::TextEncoding = Encoding;
        TRpGHTMLDocumentFilter::FirstLastLinks = FirstLast;
        TRpGHTMLDocumentFilter::MultiPage = false;
        TRpGHTMLDocumentFilter::PageLinks = false;
        TRpGHTMLDocumentFilter::Concat = false;
        TRpGHTMLDocumentFilter::PictureDir.clear();
    }
};

String ReadFile(const String& Name) {
    QFile F(Name);
    if (!F.open(QIODevice::ReadOnly)) return String();
    return String::fromUtf8(F.readAll());
}

String StreamText(TRpGHTMLDocumentFilter* F) {
    auto* S = static_cast<TMemoryStream*>(F->Stream());
    if (!S) return String();
    return String::fromUtf8(static_cast<const char*>(S->Memory()), qsizetype(S->Size()));
}

// Drives a filter the way the engine does, without a report: Start, an EndPage before the first
// page, then each page's texts.
void Drive(TRpGHTMLDocumentFilter* F, const std::vector<std::vector<String>>& Pages, int PaperHeight = 2970) {
    TFont Font;
    Font.SetName(u"Arial"_s);
    Font.SetSize(10);
    F->Start(2100, PaperHeight, &Font);
    F->EndPage();
    for (const auto& Page : Pages) {
        F->NewPage();
        Extended Y = 100;
        for (const String& T : Page) {
            TExportInfoRec R;
            R.Xpos = 254;
            R.Ypos = Y += 100;
            R.Font = &Font;
            R.Text = T;
            R.ControlName = u"Label1"_s;
            F->TextOutRec(R);
        }
        F->EndPage();
    }
    F->Finish();
}

TEST(RpWebFilter, UnitFunctions) {
    EXPECT_EQ(EscapeHTML(u"a&b<c>'d\"£"_s), u"a&amp;b&lt;c&gt;&apos;d&quot;&pound;"_s);
    EXPECT_EQ(HTMLColor(TColor(0x0080FF)), u"#ff8000"_s);
    EXPECT_EQ(HTMLColor(clWindow), u"#ffffff"_s);
    EXPECT_EQ(BaseFileName(u"/tmp/dir.v2/report.page.htm"_s), u"report"_s);
    EXPECT_EQ(BaseFileName(u"report"_s), u"report"_s);
    EXPECT_EQ(EscapeJS(u"a\"b'c\\d\n</script><!--x"_s), u"a\\\"b\\'c\\\\d\\n\\u003C/script>\\u003C!--x"_s);
}

TEST(RpWebFilter, TextsAreEscapedAndPlacedPageBelowPage) {
    HtmlSharedSettings Keep;
    auto F = NewOwned<TRpGHTMLDocumentFilter>();
    Drive(F.get(), {{u"one"_s}, {u"two"_s}, {u"<script>alert('x & y')</script>  end"_s}});
    const String Doc = StreamText(F.get());
    // Page 3 of an A4 document starts two page heights down: round(3.7795275590551181 * 297 * 2).
    EXPECT_TRUE(Doc.contains(u"<a name=\"page3\" ID=\"page3\" class=\"pagemarker\" style=\"position:absolute;left:0px;top:2245px;\"></a>"_s))
        << Doc.toStdString();
    EXPECT_TRUE(Doc.contains(u"\r\n&lt;script&gt;alert('x&nbsp;&amp;&nbsp;y')&lt;/script&gt;&nbsp;&nbsp;end\r\n"_s)) << Doc.toStdString();
    EXPECT_FALSE(Doc.contains(u"<script>alert"_s));
    // The element: the control's name, its position (page 3's offset added) and the font; black
    // text has no colour.
    EXPECT_TRUE(Doc.contains(u"<div ID=\"Label1\" name=\"\" style=\"cursor:default;position:absolute;top:%1px;left:96px;"
                             "font-family:Arial;font-size:10pt;\">"_s.arg(2245 + 76)))
        << Doc.toStdString();
    // Scripts off: no style or script element, no handlers; the body still calls formLoaded and
    // the hint box is there.
    EXPECT_FALSE(Doc.contains(u"<script"_s));
    EXPECT_FALSE(Doc.contains(u"<style>"_s));
    EXPECT_FALSE(Doc.contains(u"onclick"_s));
    EXPECT_TRUE(Doc.contains(u"onload=\"formLoaded()\""_s));
    EXPECT_TRUE(Doc.contains(u"<DIV ID=\"hintbox\""_s));
    EXPECT_TRUE(Doc.contains(u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"_s));
    EXPECT_EQ(Doc.count(u"</html>"_s), 1);
    EXPECT_FALSE(F->Active());
}

TEST(RpWebFilter, TheHeadNamesTheEncodingWritten) {
    HtmlSharedSettings Keep;
    QTemporaryDir Dir;
    const String Name = Dir.filePath(u"a.htm"_s);
    TRpGHTMLDocumentFilter::TextEncoding = AnsiEncoding;
    {
        auto F = NewOwned<TRpGHTMLDocumentFilter>(Name);
        Drive(F.get(), {{u"café Цех"_s}});
    }
    QFile File(Name);
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    const QByteArray B = File.readAll();
    EXPECT_TRUE(B.contains("charset=windows-1252"));
    EXPECT_TRUE(B.contains("caf\xE9&nbsp;&#1062;&#1077;&#1093;")) << B.toStdString();
}

TEST(RpWebFilter, ConcatenatedReportsMakeOneDocument) {
    HtmlSharedSettings Keep;
    auto F = NewOwned<TRpGHTMLDocumentFilter>();
    TRpGHTMLDocumentFilter::Concat = true;
    Drive(F.get(), {{u"first"_s}});
    EXPECT_TRUE(F->Active());
    EXPECT_TRUE(StreamText(F.get()).isEmpty());  // nothing written yet
    // The second report gets no second head: the engine starts only an inactive filter.
    F->EndPage();
    F->NewPage();
    TExportInfoRec R;
    R.Text = u"second"_s;
    F->TextOutRec(R);
    F->EndPage();
    F->Finish();
    F->EndConcat();
    const String Doc = StreamText(F.get());
    EXPECT_EQ(Doc.count(u"<html>"_s), 1);
    EXPECT_EQ(Doc.count(u"</html>"_s), 1);
    EXPECT_EQ(Doc.count(u"<DIV ID=\"hintbox\""_s), 1);
    EXPECT_TRUE(Doc.indexOf(u"first"_s) < Doc.indexOf(u"second"_s));
    EXPECT_TRUE(Doc.contains(u"ID=\"page2\""_s));
}

TEST(RpWebFilter, PageFilesLinkOnlyToPagesThatExist) {
    HtmlSharedSettings Keep;
    QTemporaryDir Dir;
    const String Name = Dir.filePath(u"rep.htm"_s);
    struct Case {
        int Pages;
        bool FirstLast;
        std::vector<QStringList> Links;  // per page
    } Cases[] = {
        {3, false, {{u"Next page"_s}, {u"Previous page"_s, u"Next page"_s}, {u"Previous page"_s}}},
        {2, true, {{u"Next page"_s, u"Last page"_s}, {u"First page"_s, u"Previous page"_s}}},
        {1, true, {{u"First page"_s, u"Last page"_s}}},
    };
    for (const Case& C : Cases) {
        TRpGHTMLDocumentFilter::FirstLastLinks = C.FirstLast;
        auto F = NewOwned<TRpGHTMLDocumentFilter>(Name);
        TRpGHTMLDocumentFilter::MultiPage = true;
        TRpGHTMLDocumentFilter::PageLinks = true;
        std::vector<std::vector<String>> Pages;
        for (int i = 1; i <= C.Pages; ++i) Pages.push_back({u"Page %1"_s.arg(i)});
        Drive(F.get(), Pages);
        for (int i = 1; i <= C.Pages; ++i) {
            const String Page = ReadFile(Dir.filePath(u"rep%1.html"_s).arg(i));
            ASSERT_FALSE(Page.isEmpty()) << C.Pages << " " << i;
            EXPECT_TRUE(Page.contains(u"Page&nbsp;%1"_s.arg(i)));
            EXPECT_EQ(Page.count(u"</html>"_s), 1);
            QStringList Found;
            static const QRegularExpression Href(u"<a href=\"(rep(\\d+)\\.html)\">([^<]+)</a>"_s);
            for (auto M = Href.globalMatch(Page); M.hasNext();) {
                const auto Match = M.next();
                Found << Match.captured(3);
                const int Target = Match.captured(2).toInt();
                EXPECT_TRUE(Target >= 1 && Target <= C.Pages) << Match.captured(1).toStdString();
            }
            EXPECT_EQ(Found, C.Links[std::size_t(i - 1)]) << C.Pages << " " << i;
        }
        EXPECT_FALSE(QFile::exists(Dir.filePath(u"rep%1.html"_s).arg(C.Pages + 1)));
        for (int i = 1; i <= C.Pages; ++i) QFile::remove(Dir.filePath(u"rep%1.html"_s).arg(i));
    }
}

// ---- a report exported as a web form, read by PythonProgram's html.parser and node -----------------------

String PythonProgram() { return QFile::exists(u"/usr/bin/python3"_s) ? u"/usr/bin/python3"_s : u"python3"_s; }

// Reads every page: tags must nest and close, scripts are checked by node, texts are collected.
const char* const PageReader = R"PY(
import json, os, subprocess, sys, tempfile
from html.parser import HTMLParser
VOID = {"area","base","br","col","embed","hr","img","input","link","meta","source","track","wbr"}
class Reader(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.stack, self.errors, self.scripts, self.texts, self.imgs, self.srcs = [], [], [], [], [], []
        self.in_script = False
    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if tag == "img": self.imgs.append(a.get("src"))
        if tag == "script":
            self.in_script = True
            if "src" in a: self.srcs.append(a["src"])
            else: self.scripts.append("")
        if tag not in VOID: self.stack.append(tag)
    def handle_startendtag(self, tag, attrs):
        if tag == "img": self.imgs.append(dict(attrs).get("src"))
    def handle_endtag(self, tag):
        if tag == "script": self.in_script = False
        if not self.stack or self.stack[-1] != tag:
            self.errors.append("unexpected </%s> with open %s" % (tag, self.stack[-3:]))
        else:
            self.stack.pop()
    def handle_data(self, data):
        if self.in_script:
            if self.scripts: self.scripts[-1] += data
        elif data.strip():
            self.texts.append(data.strip())
out = {"pages": []}
for page in sys.argv[1:]:
    r = Reader()
    r.feed(open(page, encoding="utf-8").read())
    r.close()
    if r.stack: r.errors.append("unclosed %s" % r.stack)
    checks = []
    for s in r.scripts:
        with tempfile.NamedTemporaryFile("w", suffix=".js", delete=False) as f:
            f.write(s)
        p = subprocess.run(["node", "--check", f.name], capture_output=True, text=True)
        os.unlink(f.name)
        checks.append(p.stderr if p.returncode else "")
    out["pages"].append({"errors": r.errors, "scripts": len(r.scripts), "node": checks, "texts": r.texts,
                         "imgs": r.imgs, "srcs": r.srcs})
print(json.dumps(out, ensure_ascii=False))
)PY";

QJsonObject ReadPages(const QStringList& Pages) {
    const sdelka::test::TRun R = sdelka::test::RunTool(PythonProgram(), QStringList{u"-c"_s, QString::fromLatin1(PageReader)} + Pages, 120000);
    EXPECT_EQ(R.Code, 0) << R.Err.toStdString();
    return QJsonDocument::fromJson(R.Out).object();
}

bool NodeAvailable() {
    return sdelka::test::RunTool(u"node"_s, {u"--version"_s}, 30000).Code == 0;
}

struct WebReport {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TTestTableDataSet* Data = nullptr;
    TRpBand* Detail = nullptr;

    WebReport() {
        Report = NewReportOnCustomPage(Root.get(), -1);
        Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"FIO"_s, ftString, 40);
        Data->FieldDefs()->Add(u"PIC"_s, ftGraphic);
        Data->CreateDataSet();
        Report->SetDataSet(Data);
        TRpBand* Title = Report->CreateBand(rbTitle);
        Title->SetNativeHeight(300);
        Label(Title, u"Выработка <script>alert(1)</script>"_s, 0);
        auto* Img = New<TRpImage>(Root.get());
        Img->SetName(u"Logo"_s);
        Img->SetParent(Title);
        Place(Img, 1000, 0, 400, 200);
        TBitmap Bmp;
        Bmp.SetSize(60, 30);
        Bmp.Canvas()->Brush()->SetColor(clRed);
        Bmp.Canvas()->FillRect(TRect(0, 0, 60, 30));
        Img->Picture()->Assign(&Bmp);
        auto* Line = New<TRpShape>(Root.get());
        Line->SetParent(Title);
        Line->SetShape(rpsHorLine);
        Place(Line, 0, 200, 2000, 10);
        Detail = Report->CreateBand(rbDetail);
        Detail->SetNativeHeight(100);
        auto* T = New<TRpDBText>(Root.get());
        T->SetParent(Detail);
        Place(T, 0, 0, 600, 80);
        T->SetDataSet(Data);
        T->SetDataField(u"FIO"_s);
    }
    TRpLabel* Label(TRpCustomBand* B, const String& Text, int Left) {
        auto* L = New<TRpLabel>(Root.get());
        L->SetParent(B);
        Place(L, Left, 0, 900, 80);
        L->SetCaption(Text);
        return L;
    }
    static void Place(TRpPrintable* P, int L, int T, int W, int H) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(L);
        P->Size()->SetTop(T);
        P->Size()->SetWidth(W);
        P->Size()->SetHeight(H);
    }
};

TEST(RpWebFilter, AWebFormReadsBackWithValidScriptsAndPictures) {
    HtmlSharedSettings Keep;
    WebReport R;
    for (int i = 1; i <= 12; ++i) R.Data->AppendRecord({u"Рабочий №%1 & сын"_s.arg(i), Variant()});
    R.Data->First();
    QTemporaryDir Dir;
    const String Name = Dir.filePath(u"выработка.htm"_s);
    {
        auto F = NewOwned<TRpGHTMLDocumentFilter>(Name);
        R.Report->ExportWebForm(F.get());
        EXPECT_TRUE(F->ScriptsOn());
    }
    EXPECT_FALSE(R.Report->g_lob);
    const QJsonObject J = ReadPages({Name});
    ASSERT_EQ(J[u"pages"_s].toArray().size(), 1);
    const QJsonObject Page = J[u"pages"_s].toArray()[0].toObject();
    EXPECT_TRUE(Page[u"errors"_s].toArray().isEmpty()) << QJsonDocument(Page[u"errors"_s].toArray()).toJson().toStdString();
    EXPECT_EQ(Page[u"scripts"_s].toInt(), 1);
    if (NodeAvailable()) {
        for (const auto& N : Page[u"node"_s].toArray()) EXPECT_EQ(N.toString(), String());
    } else {
        ADD_FAILURE() << "node is not installed: the scripts were not checked";
    }
    QStringList Texts;
    for (const auto& T : Page[u"texts"_s].toArray()) Texts << T.toString();
    EXPECT_TRUE(Texts.contains(u"Выработка\u00a0<script>alert(1)</script>"_s)) << Texts.join(u'|').toStdString();
    for (int i = 1; i <= 12; ++i) EXPECT_TRUE(Texts.contains(u"Рабочий\u00a0№%1\u00a0&\u00a0сын"_s.arg(i))) << i;
    // The picture sits beside the page, a JPEG, and the page names it relative to itself.
    const QJsonArray Imgs = Page[u"imgs"_s].toArray();
    ASSERT_FALSE(Imgs.isEmpty());
    for (const auto& I : Imgs) {
        QFile P(Dir.filePath(I.toString()));
        ASSERT_TRUE(P.open(QIODevice::ReadOnly)) << I.toString().toStdString();
        EXPECT_TRUE(P.read(3) == QByteArray("\xFF\xD8\xFF"));
    }
    const String Doc = ReadFile(Name);
    EXPECT_TRUE(Doc.contains(u"class=\"rpcontrol\" onclick=\"elemClick('"_s));
    // Each band printed leaves a hidden placeholder at its place on its page.
    static const QRegularExpression Band(u"<DIV id=\"DetailBand1\" name=\"[^\"]+\" class=\"rpband\" style=\"visibility:hidden;position:absolute;left:\\d+px;top:(\\d+)px;width:\\d+px;height:\\d+px;\"></div>"_s);
    EXPECT_EQ(Doc.count(Band), 12) << Doc.toStdString();
    EXPECT_TRUE(Doc.contains(u"<hr width="_s));
}

TEST(RpWebFilter, ADataBoundPictureFitsInsideItsBox) {
    HtmlSharedSettings Keep;
    WebReport R;
    auto* DB = New<TRpDBImage>(R.Root.get());
    DB->SetName(u"Photo"_s);
    DB->SetParent(R.Detail);
    WebReport::Place(DB, 1000, 0, 400, 400);
    DB->SetDataSet(R.Data);
    DB->SetDataField(u"PIC"_s);
    TBitmap Bmp;
    Bmp.SetSize(100, 50);
    TBytesStream Bytes;
    Bmp.SaveToStream(&Bytes);
    R.Data->AppendRecord({u"A"_s, VarByteArrayOf(QByteArray(reinterpret_cast<const char*>(Bytes.Bytes().data()), qsizetype(Bytes.Bytes().size())))});
    R.Data->First();
    QTemporaryDir Dir;
    const String Name = Dir.filePath(u"pic.htm"_s);
    {
        auto F = NewOwned<TRpGHTMLDocumentFilter>(Name);
        R.Report->ExportToFilter(F.get());
    }
    const String Doc = ReadFile(Name);
    const int W = DB->Width(), H = DB->Height();
    ASSERT_GT(W, 0);
    EXPECT_TRUE(Doc.contains(u"width:%1px;height:%2px\"><img src=\"TRpDBImage"_s.arg(W).arg(W / 2)) ||
                Doc.contains(u"width:%1px;height:%2px\"><img src=\""_s.arg(W).arg(W / 2)))
        << Doc.toStdString() << " box " << W << "x" << H;
    QStringList Jpegs = QDir(Dir.path()).entryList({u"Photo*.jpg"_s});
    ASSERT_EQ(Jpegs.size(), 1) << Jpegs.join(u',').toStdString();
    EXPECT_EQ(Jpegs[0], DB->Name() + u"1.jpg"_s);
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(Jpegs[0])));
}

TEST(RpWebFilter, LinkLabelsRulesAndAddOnShapes) {
    HtmlSharedSettings Keep;
    WebReport R;
    auto* Title = static_cast<TRpBand*>(R.Report->Controls(0));
    auto* Link = New<TRpHTMLLabel>(R.Root.get());
    Link->SetParent(Title);
    Link->SetName(u"Link1"_s);
    WebReport::Place(Link, 0, 100, 900, 80);
    Link->SetCaption(u"Сайт <цеха>"_s);
    Link->SetLinkText(u"http://factory/?a=1&b=2"_s);
    auto* Anchor = New<TRpHTMLLabel>(R.Root.get());
    Anchor->SetParent(Title);
    Anchor->SetName(u"Anchor1"_s);
    WebReport::Place(Anchor, 1000, 100, 500, 80);
    Anchor->SetCaption(u"x"_s);
    Anchor->SetLinkText(u"top"_s);
    Anchor->SetLinkType(ldNameLabel);
    auto* Rule = New<TRpHRule>(R.Root.get());
    Rule->SetParent(Title);
    WebReport::Place(Rule, 0, 250, 1000, 10);
    R.Data->AppendRecord({u"%!Link1!%"_s, Variant()});  // a data text that only looks like a placeholder
    R.Data->First();
    auto F = NewOwned<TRpGHTMLDocumentFilter>();
    R.Report->ExportToFilter(F.get());
    const String Doc = StreamText(F.get());
    EXPECT_TRUE(Doc.contains(u"\r\n<a href=\"http://factory/?a=1&amp;b=2\">Сайт&nbsp;&lt;цеха&gt;</a>\r\n"_s)) << Doc.toStdString();
    EXPECT_TRUE(Doc.contains(u"\r\n<a name=\"top\"></a>\r\n"_s));
    // A rule at its own top; the fixture's shape line is lifted by 8 pixels.
    const int RuleTop = int(Round(250 * 96 / 254.0)) + int(Round(100 * 96 / 254.0));
    static const QRegularExpression Rules(u"<DIV name=\"[^\"]*\" style=\"position:absolute;left:\\d+px;top:(\\d+)px;height:1px;\"><hr "_s);
    QList<int> Tops;
    for (auto M = Rules.globalMatch(Doc); M.hasNext();) Tops << M.next().captured(1).toInt();
    EXPECT_EQ(Tops, (QList<int>{int(Round(200 * 96 / 254.0)) + int(Round(100 * 96 / 254.0)) - 8, RuleTop})) << Doc.toStdString();

    // The add-on shape's horizontal line is not lifted; a circle writes nothing.
    auto* Line = New<TRpPDFShape>(R.Root.get());
    Line->SetShapeType(rpsHorLine);
    Line->SetBounds(0, 0, 200, 10);
    auto* Circle = New<TRpPDFShape>(R.Root.get());
    Circle->SetShapeType(rpsCircle);
    auto G = NewOwned<TRpGHTMLDocumentFilter>();
    TFont Font;
    G->Start(2100, 2970, &Font);
    G->NewPage();
    G->AcceptGraphic(10, 100, Line);
    G->AcceptGraphic(10, 200, Circle);
    G->EndPage();
    G->Finish();
    const String Shapes = StreamText(G.get());
    EXPECT_TRUE(Shapes.contains(u"style=\"position:absolute;left:10px;top:100px;height:1px;\"><hr width=\"200\""_s))
        << Shapes.toStdString();
    EXPECT_FALSE(Shapes.contains(u"top:200px"_s));
}

// Every kind of web control on the first band, with texts that need escaping in scripts.
struct WebForm : WebReport {
    TRpBand* Title = nullptr;
    template <class T>
    T* Add(const char* Name, int Left, int Top, int W = 300, int H = 60) {
        auto* C = New<T>(Root.get());
        C->SetParent(Title);
        C->SetName(QString::fromLatin1(Name));
        Place(C, Left, Top, W, H);
        return C;
    }
    WebForm() {
        Title = static_cast<TRpBand*>(Report->Controls(0));
        Title->SetNativeHeight(2000);
        Add<TRpReportFrame>("Frame1", 0, 400, 1500, 600);
        auto* Frame2 = Add<TRpReportFrame>("Frame2", 0, 1020, 1500, 400);
        Frame2->SetAutoLoad(true);
        Frame2->SetRequestURL(u"list.htm?a=1&b=\"x\""_s);
        Frame2->SetRoundedCorners(true);
        Frame2->SetFrameMode(TRpFrameMode::subForm);
        auto* Status = Add<TRpWebLabel>("Status", 1600, 0);
        Status->SetCaption(u"<b>status</b>"_s);
        auto* Input = Add<TRpWebInput>("Input1", 1600, 100);
        Input->SetInitialValue(u"\"100\""_s);
        int Top = 0;
        const TRpButtonAction Actions[] = {TRpButtonAction::get,  TRpButtonAction::post, TRpButtonAction::inWindow,
                                           TRpButtonAction::first, TRpButtonAction::prev, TRpButtonAction::next,
                                           TRpButtonAction::last, TRpButtonAction::zoom, TRpButtonAction::scripted,
                                           TRpButtonAction::testEcho, TRpButtonAction::null};
        int i = 0;
        for (TRpButtonAction A : Actions) {
            auto* B = Add<TRpWebButton>(QStringLiteral("Btn%1").arg(++i).toLatin1().constData(), 1900, Top += 70);
            B->SetCaption(u"Кнопка %1"_s.arg(i));
            B->SetButtonAction(A);
            B->SetRequestURL(u"report.php?q=\"</script>\""_s);
            B->SetDisplayControl(u"Frame1"_s);
            B->SetWebInputName(u"Input1"_s);
            B->SetWebStatusLabel(u"Status"_s);
            B->SetWebPageLabel(u"Status"_s);
            B->SetWebStatusMessage(u"It's \"quoted\"\nand </script>"_s);
            B->SetHint(u"Подсказка 'a'"_s);
            B->ClickScript()->Add(u"function Btn9Click() { setStatus(\"Status\", \"scripted\"); }"_s);
            B->SetUseHTMLButton(i == 2);
        }
        for (int k = 0; k < 3; ++k) {
            auto* C = Add<TRpWebCheckBox>(QStringLiteral("Check%1").arg(k).toLatin1().constData(), 1600, 200 + 70 * k);
            C->SetCheckBoxStyle(TRpCheckBoxStyle(k));
            C->SetText(u"Слово \"целиком\""_s);
            C->SetCheckedText(u"да"_s);
        }
        for (int k = 0; k <= int(wLocale); ++k) {
            auto* D = Add<TRpWebData>(QStringLiteral("Data%1").arg(k).toLatin1().constData(), 2300, 70 * k);
            D->SetDataType(TRpWebDataType(k));
            D->SetUpdateInterval(k == 0 ? 5 : 0);
        }
        auto* List = Add<TRpWebDropList>("List1", 2700, 0);
        List->Items()->Add(u"Сумма"_s);
        List->Items()->Add(u"Часы & <минуты>"_s);
        auto* Drop = Add<TRpDropDown>("Drop1", 2700, 200);
        Drop->SetDropHeight(100);
        Drop->SetHTMLOpen(u"<b>-</b>"_s);
        Drop->SetHTMLClosed(u"<b>+</b> \"it's\""_s);
        Drop->SetDropDownLoadMethod(lm_fromFile);
        Drop->SetURLDropdownContent(u"more.htm"_s);
        auto* Menu = Add<TRpWebMenu>("Menu1", 3000, 0);
        auto* Sub = Add<TRpWebMenu>("Menu2", 3000, 70);
        Sub->SetMenuMode(subMenu);
        Sub->SetParentMenu(u"Menu1"_s);
        auto* Opt = Add<TRpWebMenuOption>("Opt1", 3000, 140);
        Opt->SetParentMenu(u"Menu1"_s);
        Opt->SetButtonAction(TRpButtonAction::next);
        auto* Opt2 = Add<TRpWebMenuOption>("Opt2", 3000, 210);
        Opt2->SetParentMenu(u"Menu2"_s);
        Opt2->SetButtonAction(TRpButtonAction::testEcho);
        Opt2->SetDisplayControl(u"Frame1"_s);
        Menu->SetCaption(u"Меню"_s);
        auto* Finder = Add<TRpWebFinder>("Finder1", 0, 0);
        Finder->SetSearchButton(u"Btn1"_s);
        Finder->SetNextButton(u"Btn11"_s);
        Finder->SetSearchInput(u"Input1"_s);
        Finder->SetSearchWordCheck(u"Check0"_s);
        Finder->SetSearchLabel(u"Status"_s);
        Finder->SetTargetFrame(u"Frame1"_s);
        Finder->SetNoTextErrorMsg(u"Введите \"текст\""_s);
        auto* Index = Add<TRpWebIndex>("Index1", 0, 0);
        Index->SetIndexButton(u"Btn10"_s);
        Index->SetContentFrame(u"Frame1"_s);
        Index->SetIndexFrame(u"Frame2"_s);
        Index->SetIndexControl(u"FIOText"_s);
        for (const char* Name : {"Extract1", "Extract2"}) {
            auto* E = Add<TRpWebPageExtractor>(Name, 0, 0);
            E->SetContentFrame(u"Frame1"_s);
            E->SetDisplayFrame(u"Frame2"_s);
            E->SetPageInput(u"Input1"_s);
            E->SetPageLabel(u"Status"_s);
        }
        auto* X = Add<TRpWebCrossTab>("XTab1", 0, 0);
        X->SetContentFrame(u"Frame1"_s);
        X->SetDisplayFrame(u"Frame2"_s);
        X->SetRowField(u"FIO"_s);
        X->SetColumnField(u"DATE"_s);
        X->SetDataVariable(u"SUM"_s);
        X->SetXTabTitle(u"Итоги \"месяца\""_s);
        X->SetDoRowTotals(true);
        X->SetDoColumnTotals(true);
        auto* Tabs = Add<TRpWebTabs>("Tabs1", 0, 0);
        Tabs->SetTabButtons(u"Btn4, Btn5"_s);
        Add<TRpWebCanvas>("Canvas1", 3300, 0);
        auto* Select = Add<TRpWebPageSelect>("Select1", 0, 0);
        Select->SetPageButton(u"Btn6"_s);
        Select->SetPageInput(u"Input1"_s);
        Select->SetWebPageLabel(u"Status"_s);
        struct {
            const char* Name;
            TRpWebSplitterAction Action;
            TSplitterDirection Dir;
        } Splitters[] = {{"Split1", marker, UpDown}, {"Split2", click, UpDown}, {"Split3", click, LeftRight},
                         {"Split4", toSplitter, UpDown}, {"Split5", drag, UpDown}, {"Split6", drag, LeftRight}};
        int Left = 0;
        for (const auto& Sp : Splitters) {
            auto* S = Add<TRpWebSplitter>(Sp.Name, Left += 200, 1005, 150, 10);
            S->SetActionMode(Sp.Action);
            S->SetDirection(Sp.Dir);
            S->SetText(u"Свернуть"_s);
            S->SetTextClosed(u"Развернуть \"всё\""_s);
            S->SetWebStatusLabel(u"Status"_s);
            S->SetWebStatusMessage(u"Перетащите"_s);
            S->SetTopSplitterName(u"Split2"_s);
            // A collapsing splitter and a dragging one start closed: only the first has a click.
            if (QLatin1String(Sp.Name) == "Split2" || QLatin1String(Sp.Name) == "Split5") S->SetInitialState(isClosed);
        }
        auto* Image = Add<TRpWebImage>("WebImage1", 3300, 300, 200, 200);
        TBitmap Bmp;
        Bmp.SetSize(20, 20);
        Image->Picture()->Assign(&Bmp);
    }
};

TEST(RpWebControls, EveryWebControlGivesParsableElementsAndValidScripts) {
    HtmlSharedSettings Keep;
    TScriptedResponder Responder;
    TResponderScope Scope(&Responder);
    WebForm R;
    R.Data->AppendRecord({u"Иванов"_s, Variant()});
    R.Data->First();
    QTemporaryDir Dir;
    const String Name = Dir.filePath(u"form.htm"_s);
    {
        auto F = NewOwned<TRpGHTMLDocumentFilter>(Name);
        R.Report->ExportWebForm(F.get());
    }
    EXPECT_EQ(Responder.MessageCount(), 0) << (Responder.MessageCount() ? Responder.LastCall().Text.toStdString() : std::string());
    const QJsonObject J = ReadPages({Name});
    const QJsonObject Page = J[u"pages"_s].toArray()[0].toObject();
    EXPECT_TRUE(Page[u"errors"_s].toArray().isEmpty()) << QJsonDocument(Page[u"errors"_s].toArray()).toJson().toStdString();
    ASSERT_TRUE(NodeAvailable()) << "node is not installed: the scripts cannot be checked";
    for (const auto& N : Page[u"node"_s].toArray()) EXPECT_EQ(N.toString(), String());
    EXPECT_TRUE(Page[u"srcs"_s].toArray().contains(u"rphilitor.js"_s));
    const sdelka::test::TRun Node = sdelka::test::RunTool(u"node"_s, {u"--check"_s, Dir.filePath(u"rphilitor.js"_s)});
    EXPECT_EQ(Node.Code, 0) << Node.Err.toStdString();

    const String Doc = ReadFile(Name);
    // One definition of the shared page extractor, the load function calls what the controls need.
    EXPECT_EQ(Doc.count(u"function extractPage("_s), 1);
    EXPECT_EQ(Doc.count(u"function formLoaded(){"_s), 1);
    EXPECT_TRUE(Doc.contains(u"   Split2Click();"_s));
    EXPECT_FALSE(Doc.contains(u"   Split5Click();"_s));
    EXPECT_TRUE(Doc.contains(u"   Frame2LoadContent();"_s));
    EXPECT_TRUE(Doc.contains(u"   Data0setData();"_s));
    EXPECT_TRUE(Doc.contains(u"   Btn4TClick();"_s) || Doc.contains(u"   Btn5TClick();"_s));
    // Texts in script strings and in elements are escaped.
    EXPECT_FALSE(Doc.contains(u"q=\"</script>"_s));
    EXPECT_TRUE(Doc.contains(u"&lt;b&gt;status&lt;/b&gt;"_s));
    EXPECT_TRUE(Doc.contains(u"Часы&nbsp;&amp;&nbsp;&lt;минуты&gt;"_s) || Doc.contains(u"Часы &amp; &lt;минуты&gt;"_s));
    // The menu lists: a sub-menu and an option under Menu1; the option closes its menu.
    EXPECT_TRUE(Doc.contains(u"var Menu1Kids = [\"Menu2\", \"Opt1\"];"_s)) << Doc.toStdString();
    EXPECT_TRUE(Doc.contains(u"Menu1CloseParent();"_s));
}

TEST(RpWebControls, PageFilesOfAWebFormEachCarryTheirOwnScripts) {
    HtmlSharedSettings Keep;
    TScriptedResponder Responder;
    TResponderScope Scope(&Responder);
    WebForm R;
    for (int i = 1; i <= 20; ++i) R.Data->AppendRecord({u"Рабочий %1"_s.arg(i), Variant()});
    R.Data->First();
    QTemporaryDir Dir;
    const String Name = Dir.filePath(u"form.htm"_s);
    {
        auto F = NewOwned<TRpGHTMLDocumentFilter>(Name);
        TRpGHTMLDocumentFilter::MultiPage = true;
        TRpGHTMLDocumentFilter::PageLinks = true;
        R.Report->ExportWebForm(F.get());
    }
    const QStringList Pages = QDir(Dir.path()).entryList({u"form*.html"_s}, QDir::Files, QDir::Name);
    ASSERT_GT(Pages.size(), 1);
    QStringList Paths;
    for (const String& P : Pages) Paths << Dir.filePath(P);
    const QJsonArray Read = ReadPages(Paths)[u"pages"_s].toArray();
    ASSERT_EQ(Read.size(), Pages.size());
    ASSERT_TRUE(NodeAvailable()) << "node is not installed: the scripts cannot be checked";
    for (int i = 0; i < Read.size(); ++i) {
        const QJsonObject Page = Read[i].toObject();
        EXPECT_TRUE(Page[u"errors"_s].toArray().isEmpty()) << Pages[i].toStdString();
        EXPECT_EQ(Page[u"scripts"_s].toInt(), 1) << Pages[i].toStdString();
        for (const auto& N : Page[u"node"_s].toArray()) EXPECT_EQ(N.toString(), String()) << Pages[i].toStdString();
        const String Doc = ReadFile(Paths[i]);
        EXPECT_EQ(Doc.count(u"function formLoaded(){"_s), 1) << Pages[i].toStdString();
        EXPECT_LE(Doc.count(u"function extractPage("_s), 1) << Pages[i].toStdString();
    }
}

TEST(RpWebControls, AStreamedButtonKeepsItsSettingsAndNamesResolveAfterLoading) {
    HtmlSharedSettings Keep;
    WebReport R;
    auto* Title = static_cast<TRpBand*>(R.Report->Controls(0));
    // A stream names controls it has not read yet: references are taken while loading.
    auto* Option = New<TRpWebMenuOption>(R.Root.get());
    Option->SetParent(Title);
    Option->SetName(u"Opt1"_s);
    Option->SetLoading(true);
    Option->SetParentMenu(u"Menu1"_s);
    Option->SetDisplayControl(u"Frame9"_s);
    Option->SetButtonAction(TRpButtonAction::zoom);
    Option->SetWebStatusMessage(u"Масштаб \"100\""_s);
    Option->SetLoading(false);
    EXPECT_EQ(Option->ParentMenu(), u"Menu1"_s);
    auto* Menu = New<TRpWebMenu>(R.Root.get());
    Menu->SetParent(Title);
    Menu->SetName(u"Menu1"_s);
    Menu->Prepare();
    EXPECT_EQ(Menu->MenuOptions(), u"Opt1,"_s);
    EXPECT_EQ(Menu->SubMenus(), String());

    TOwned<TMemoryStream> M = NewOwned<TMemoryStream>();
    WriteComponentToStream(M.get(), Option);
    TOwned<TRpWebMenuOption> Copy = NewOwned<TRpWebMenuOption>(nullptr);
    M->SetPosition(0);
    ReadComponentFromStream(M.get(), Copy.get());
    EXPECT_EQ(Copy->ParentMenu(), u"Menu1"_s);
    EXPECT_EQ(Copy->DisplayControl(), u"Frame9"_s);
    EXPECT_EQ(Copy->ButtonAction(), TRpButtonAction::zoom);
    EXPECT_EQ(Copy->WebStatusMessage(), u"Масштаб \"100\""_s);
    EXPECT_EQ(Copy->Color(), TColor(0xE0E0E0));
}

TEST(RpWebControls, ReferencesAndColoursAreCheckedAsTheyAreSet) {
    HtmlSharedSettings Keep;
    TScriptedResponder Responder;
    TResponderScope Scope(&Responder);
    WebReport R;
    auto* Title = static_cast<TRpBand*>(R.Report->Controls(0));
    auto Make = [&](auto* C, const char* Name) {
        C->SetParent(Title);
        C->SetName(QString::fromLatin1(Name));
        return C;
    };
    auto* Frame = Make(New<TRpReportFrame>(R.Root.get()), "Frame1");
    auto* Button = Make(New<TRpWebButton>(R.Root.get()), "Btn1");
    auto* Label = Make(New<TRpWebLabel>(R.Root.get()), "Label1");
    EXPECT_EQ(Button->Color(), TColor(0xE0E0E0));
    EXPECT_EQ(Label->RpWebColor(), u"#FFFFFF"_s);
    Button->SetDisplayControl(u"Frame1"_s);
    EXPECT_EQ(Button->DisplayControl(), u"Frame1"_s);
    Button->SetDisplayControl(u"Label1"_s);  // not a frame
    EXPECT_EQ(Button->DisplayControl(), u"Frame1"_s);
    Button->SetDisplayControl(u"  "_s);
    EXPECT_EQ(Button->DisplayControl(), u"  "_s);
    for (const auto& [Text, Ok] : std::vector<std::pair<String, bool>>{{u"#a0b0c0"_s, true}, {u"A0B0C0"_s, false}, {u"#A0B0C"_s, false}, {u"#A0B0CG"_s, false}}) {
        Label->SetRpWebColor(u"#FFFFFF"_s);
        Label->SetRpWebColor(Text);
        EXPECT_EQ(Label->RpWebColor() == Text, Ok) << Text.toStdString();
    }
    Label->SetRpWebColor(u"#a0b0c0"_s);
    EXPECT_EQ(Label->Color(), TColor(0xC0B0A0));
    auto* Tabs = Make(New<TRpWebTabs>(R.Root.get()), "Tabs1");
    Tabs->SetTabButtons(u"Btn1, Label1"_s);
    ASSERT_EQ(Responder.MessageCount(), 1);
    EXPECT_EQ(Responder.LastCall().Text, u"'Label1' is not a TRpWebButton control name"_s);
    EXPECT_EQ(Tabs->TabButtons(), String());
    Tabs->SetTabButtons(u"Btn1"_s);
    EXPECT_EQ(Tabs->TabButtons(), u"Btn1"_s);
    (void)Frame;
}

}  // namespace
