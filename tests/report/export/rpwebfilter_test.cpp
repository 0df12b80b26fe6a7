#include "report/export/rpwebfilter.h"

#include "platform/db/fields.h"
#include "platform/db/memdata.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/streams.h"
#include "report/rpdbtexts.h"
#include "report/rplabels.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// The filter's process-wide settings are put back after each test.
struct SharedSettings {
    bool Scripts = HTMLScriptsEnabled;
    TTextEncoding Encoding = TRpGHTMLDocumentFilter::TextEncoding;
    bool FirstLast = TRpGHTMLDocumentFilter::FirstLastLinks;
    ~SharedSettings() {
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
    SharedSettings Keep;
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
    SharedSettings Keep;
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
    SharedSettings Keep;
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
    SharedSettings Keep;
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

// ---- a report exported as a web form, read by Python's html.parser and node -----------------------

String Python() { return QFile::exists(u"/usr/bin/python3"_s) ? u"/usr/bin/python3"_s : u"python3"_s; }

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
    QProcess P;
    P.start(Python(), QStringList{u"-c"_s, QString::fromLatin1(PageReader)} + Pages);
    P.waitForFinished(120000);
    const QByteArray Err = P.readAllStandardError();
    EXPECT_EQ(P.exitCode(), 0) << Err.toStdString();
    return QJsonDocument::fromJson(P.readAllStandardOutput()).object();
}

bool NodeAvailable() {
    QProcess P;
    P.start(u"node"_s, {u"--version"_s});
    return P.waitForFinished(30000) && P.exitCode() == 0;
}

struct WebReport {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TTestTableDataSet* Data = nullptr;
    TRpBand* Detail = nullptr;

    WebReport() {
        Report = New<TRpReport>(Root.get());
        Report->SetUnits(Native);
        TRpPage* Pg = Report->Page();
        Pg->SetPaperSize(Custom);
        Pg->SetUnits(Native);
        Pg->SetWidth(2100);
        Pg->SetLength(1000);
        Data = New<TTestTableDataSet>(Root.get());
        Data->FieldDefs()->Add(u"FIO"_s, ftString, 40);
        Data->FieldDefs()->Add(u"PIC"_s, ftGraphic);
        Data->CreateDataSet();
        Report->SetDataSet(Data);
        TRpBand* Title = Report->CreateBand(rbTitle);
        Title->SetNativeHeight(300);
        Label(Title, u"Выработка <script>alert(1)</script>"_s, 0);
        auto* Img = New<TRpImage>(Root.get());
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
    SharedSettings Keep;
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
    EXPECT_TRUE(Doc.contains(u"<hr width="_s));
}

TEST(RpWebFilter, ADataBoundPictureFitsInsideItsBox) {
    SharedSettings Keep;
    WebReport R;
    auto* DB = New<TRpDBImage>(R.Root.get());
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
    QStringList Jpegs = QDir(Dir.path()).entryList({u"*.jpg"_s});
    ASSERT_EQ(Jpegs.size(), 1) << Jpegs.join(u',').toStdString();
    EXPECT_EQ(Jpegs[0], DB->Name() + u"1.jpg"_s);
    EXPECT_FALSE(QFile::exists(QDir::current().filePath(Jpegs[0])));
}

}  // namespace
