#include "report/export/rpwebfilter.h"

#include "report/export/rpwebcontrols.h"

#include "platform/gui/canvas.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"
#include "report/rpgrimage.h"
#include "report/rphtmllabel.h"
#include "report/rpshapes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace Qt::StringLiterals;

bool HTMLScriptsEnabled = false;
Extended HTMLPixelsPerMM = 96.0L / 25.4L;

bool TRpGHTMLDocumentFilter::TransparentTextBG = false;
String TRpGHTMLDocumentFilter::PictureDir;
bool TRpGHTMLDocumentFilter::MultiPage = false;
bool TRpGHTMLDocumentFilter::PageLinks = false;
int TRpGHTMLDocumentFilter::FinalPage = 0;
bool TRpGHTMLDocumentFilter::FirstLastLinks = false;
bool TRpGHTMLDocumentFilter::Concat = false;
int TRpGHTMLDocumentFilter::ConcatCount = 1;
int TRpGHTMLDocumentFilter::LinkFontSize = 12;
String TRpGHTMLDocumentFilter::LinkFontName = u"Arial"_s;
TTextEncoding TRpGHTMLDocumentFilter::TextEncoding = UTF8Encoding;

// One page file of a multi-page document, finished when the document ends (so its links name
// only pages that exist).
struct TRpGHTMLDocumentFilter::TPageFile {
    QStringList Lines;
    QStringList Scripts, Styles, Splitters, Loads;
    int MaxY = 0;
};

namespace {

// The script library of a web form's head. Functions the elements call (elemClick and the mouse
// handlers of texts) have empty defaults that a control's own script may replace.
const char* const LibraryAlways = R"JS(var Target_num_pages = 0;
var Target_Control = "";
var CurrentPage = 1;
var CurrentZoom = 1.0;
var CurrentRequestURL = "";
var plist = [];
function getDivContents() {
  var tc = document.getElementById(Target_Control);
  if (!tc) { plist = []; Target_num_pages = 0; return; }
  plist = tc.getElementsByClassName("pagemarker");
  Target_num_pages = plist.length;
}
function setInputValue(cname, cvalue) {
  var el = document.getElementById(cname);
  if (el) el.value = cvalue;
}
var indexPending = true;
var searchPending = false;
function getInputValue(cname) {
  var el = document.getElementById(cname);
  if (!el) return 0;
  if (el.value !== undefined) return el.value;
  return getText(cname);
}
function getContText(contt) {
  if (document.body.innerText !== undefined) return contt.innerText;
  return contt.textContent;
}
function setText(cname, ctext) {
  var el = document.getElementById(cname);
  if (!el) return 0;
  if (document.body.innerText !== undefined) el.innerText = ctext; else el.textContent = ctext;
  return 1;
}
function getText(cname) {
  var el = document.getElementById(cname);
  if (!el) return 0;
  return getContText(el);
}
function rpEscapeHtml(s) {
  return String(s).replace(/&/g, "&amp;").replace(/</g, "&lt;").replace(/>/g, "&gt;").replace(/"/g, "&quot;");
}
function showMessage(msgtext) {
  var w = window.open("", "MsgWindow", "left=300,top=200, width=500, height=250");
  return w;
}
function showHint(atControl, htext) {
  var ctl = document.getElementById(atControl);
  var hb = document.getElementById("hintbox");
  if (!ctl || !hb) return 0;
  var hh = 26;
  var hw = 240;
  if (htext.length < 30) hw = 8 * htext.length;
  hh = (Math.floor(htext.length / 30) + 1) * 22;
  var sx = numericStyleVal(ctl.style.left);
  var sy = numericStyleVal(ctl.style.top);
  var sw = numericStyleVal(ctl.style.width);
  hb.style.width = hw + "px";
  hb.style.height = hh + "px";
  if (sx - hw < 10) hb.style.left = (sx + sw) + "px"; else hb.style.left = (sx - hw) + "px";
  hb.style.top = (sy - hh / 2) + "px";
  hb.style.visibility = "visible";
  setStatus("hintbox", htext);
  return 1;
}
function hideHint() {
  var hb = document.getElementById("hintbox");
  if (hb) hb.style.visibility = "hidden";
}
function elemClick(cname) {}
function elemMouseEnter(cname) {}
function elemMouseLeave(cname) {}
)JS";

const char* const LibraryRequest = R"JS(var xmlhttp = null;
var ReportCont = "";
var qresponseText = "";
)JS";

const char* const LibraryGet = R"JS(function initHTTPRequest() {
  xmlhttp = new XMLHttpRequest();
  xmlhttp.onreadystatechange = function() {
    if (xmlhttp.readyState == 4 && xmlhttp.status == 200) {
      qresponseText = xmlhttp.responseText;
      var rc = document.getElementById(ReportCont);
      if (rc) rc.innerHTML = qresponseText;
    }
  };
}
function SetRequestContent(reqUrl, contID) {
  xmlhttp.open("GET", reqUrl, true);
  xmlhttp.setRequestHeader("Content-Type", "utf8");
  xmlhttp.send();
}
)JS";

const char* const LibraryPost = R"JS(function makePost(url, sendstr, callBackfn) {
  xmlhttp = new XMLHttpRequest();
  xmlhttp.onreadystatechange = callBackfn;
  xmlhttp.open("POST", url, true);
  xmlhttp.setRequestHeader("Content-type", "application/x-www-form-urlencoded");
  xmlhttp.send(sendstr);
  setStatus("statuslabel", "Posted");
}
)JS";

const char* const LibraryScale = R"JS(function numericStyleVal(ststr) {
  var v = parseInt(String(ststr).slice(0, -2), 10);
  if (isNaN(v)) return 0;
  return v;
}
function scaleV(oldv, inputName) {
  var sc = parseFloat(getInputValue(inputName));
  return Math.round(oldv * sc / 100.0) + "px";
}
function scaleF(oldv, inputName) {
  var sc = parseFloat(getInputValue(inputName));
  return Math.round(oldv * sc / 100.0) + "pt";
}
)JS";

const char* const LibraryIndex = R"JS(
var indNames = [];
var sindNames = [];
var indYs = [];
var indexCount = 0;
var indexElems = [];
var selIndex = 0;
var selIndexobj = 0;
function getHits(tnode, yval) {
  for (var i = 0; i < indexElems.length; i++) {
    if (indexElems[i].offsetTop == 0) continue;
    if (indexElems[i].offsetTop > yval) {
      selIndex = Math.max(i - 1, 0);
      return indexElems[selIndex];
    }
  }
  selIndex = indexElems.length - 1;
  return indexElems[selIndex];
}
function makeIndex(dcont, indcont, contc, scrolltotop) {
  var dc = document.getElementById(dcont);
  var ic = document.getElementById(indcont);
  if (!dc || !ic) return 0;
  ic.innerHTML = "";
  indNames = [];
  sindNames = [];
  indYs = [];
  var kids = dc.children;
  for (var i = 0; i < kids.length; i++) {
    if (kids[i].id == contc) {
      var t = getContText(kids[i]);
      indNames.push(t);
      sindNames.push(t);
      indYs.push(kids[i].style.top);
    }
  }
  indexCount = indNames.length;
  sindNames.sort();
  var h = "";
  for (var j = 0; j < sindNames.length; j++) h += "<div>&nbsp;" + rpEscapeHtml(sindNames[j]) + "</div>";
  h += "Done index. " + indexCount + "<br>";
  ic.innerHTML = h;
  indexElems = ic.getElementsByTagName("DIV");
  if (indexElems.length > 0 && scrolltotop) dc.scrollTop = 0;
  return indexCount;
}
)JS";

const char* const LibraryStatus = R"JS(function setStatus(cname, ctext) {
  var el = document.getElementById(cname);
  if (!el) return 0;
  if (document.body.innerText !== undefined) el.innerText = ctext; else el.textContent = ctext;
  return 1;
}
)JS";

// The highlighter the finder uses: Hilitor(container id, tag, hits) wraps every match of a text
// inside the container in an element of the tag and collects those elements in hits.
const char* const HilitorScript = R"JS(function Hilitor(id, tag, hits) {
  var targetNode = document.getElementById(id) || document.body;
  var hiliteTag = tag || "EM";
  var found = hits || [];
  var matchType = "open";
  var skipTags = /^(SCRIPT|STYLE|TEXTAREA|INPUT|BUTTON)$/;
  function escapeRegExp(s) { return s.replace(/[.*+?^${}()|[\]\\]/g, "\\$&"); }
  this.setMatchType = function(kind) { matchType = kind; };
  this.remove = function() {
    var arr = targetNode.getElementsByTagName(hiliteTag);
    while (arr.length > 0) {
      var el = arr[0];
      var parent = el.parentNode;
      parent.replaceChild(document.createTextNode(el.textContent), el);
      parent.normalize();
    }
    found.length = 0;
  };
  this.apply = function(text) {
    this.remove();
    if (!text) return 0;
    var pattern = escapeRegExp(String(text));
    if (matchType == "def") pattern = "\\b" + pattern + "\\b";
    var re = new RegExp(pattern, "i");
    function walk(node) {
      if (node.nodeType == 1) {
        if (skipTags.test(node.nodeName) || node.nodeName == hiliteTag) return;
        for (var i = 0; i < node.childNodes.length; i++) walk(node.childNodes[i]);
        return;
      }
      if (node.nodeType != 3) return;
      var m = re.exec(node.nodeValue);
      if (!m) return;
      var match = node.splitText(m.index);
      var rest = match.splitText(m[0].length);
      var el = document.createElement(hiliteTag);
      el.style.backgroundColor = "#FFFF66";
      el.appendChild(match.cloneNode(true));
      match.parentNode.replaceChild(el, match);
      found.push(el);
      walk(rest);
    }
    walk(targetNode);
    return found.length;
  };
}
)JS";

void AddScriptLines(QStringList& Doc, const char* Text) {
    QStringList L = QString::fromUtf8(Text).split(u'\n');
    if (!L.isEmpty() && L.last().isEmpty()) L.removeLast();
    Doc << L;
}

// The page's text in the encoding; the legacy "default" encoding of pages is plain ASCII.
TTextEncoding PageEncoding(TTextEncoding Encoding) { return Encoding == DefaultEncoding ? ASCIIEncoding : Encoding; }

QByteArray Encode(const QStringList& Lines, TTextEncoding Encoding) {
    return RpXEncodeDocument(Lines.join(u"\r\n"_s) + u"\r\n"_s, PageEncoding(Encoding));
}

String CharsetName(TTextEncoding Encoding) { return RpXEncodingName(PageEncoding(Encoding)).toLower(); }

}  // namespace

// ---- unit functions ------------------------------------------------------------------------------

String HTMLColor(TColor Color) {
    const COLORREF C = ColorToRGB(Color);
    return u"#%1%2%3"_s.arg(GetRValue(C), 2, 16, QChar(u'0')).arg(GetGValue(C), 2, 16, QChar(u'0')).arg(GetBValue(C), 2, 16, QChar(u'0'));
}

String EscapeHTML(const String& S) {
    String R;
    R.reserve(S.size());
    for (const Char C : S) {
        switch (C.unicode()) {
            case u'&': R += u"&amp;"_s; break;
            case u'<': R += u"&lt;"_s; break;
            case u'>': R += u"&gt;"_s; break;
            case u'\'': R += u"&apos;"_s; break;
            case u'"': R += u"&quot;"_s; break;
            case u'£': R += u"&pound;"_s; break;
            default: R += C;
        }
    }
    return R;
}

String BaseFileName(const String& S) {
    const String Name = ExtractFileName(S);
    const qsizetype Dot = Name.indexOf(u'.');
    return Dot < 0 ? Name : Name.left(Dot);
}

String EscapeJS(const String& S) {
    String R;
    R.reserve(S.size());
    for (qsizetype i = 0; i < S.size(); ++i) {
        const Char C = S[i];
        switch (C.unicode()) {
            case u'\\': R += u"\\\\"_s; break;
            case u'"': R += u"\\\""_s; break;
            case u'\'': R += u"\\'"_s; break;
            case u'\n': R += u"\\n"_s; break;
            case u'\r': R += u"\\r"_s; break;
            case 0x2028: R += u"\\u2028"_s; break;
            case 0x2029: R += u"\\u2029"_s; break;
            case u'<':
                // "</script" or "<!--" inside a script element would end or confuse it.
                R += (i + 1 < S.size() && (S[i + 1] == u'/' || S[i + 1] == u'!')) ? u"\\u003C"_s : u"<"_s;
                break;
            default:
                if (C.unicode() < 0x20) R += u"\\u%1"_s.arg(int(C.unicode()), 4, 16, QChar(u'0'));
                else R += C;
        }
    }
    return R;
}

// ---- the family base ------------------------------------------------------------------------------

TRpGAbstractExportFilter::TRpGAbstractExportFilter(const String& AFilename) : TRpExportFilter(AFilename) {}
TRpGAbstractExportFilter::~TRpGAbstractExportFilter() = default;

void TRpGAbstractExportFilter::ProcessPage() {
    FPageProcessed = true;
    StorePage();
}

// ---- the HTML filter ------------------------------------------------------------------------------

TRpGHTMLDocumentFilter::TRpGHTMLDocumentFilter(const String& AFilename) : TRpGAbstractExportFilter(AFilename) {
    TransparentTextBG = false;
    Concat = false;
    MultiPage = false;
    PageLinks = false;
    FinalPage = 0;
    PictureDir.clear();
    LinkFontName = u"Arial"_s;
    LinkFontSize = 12;
    ConcatCount = 1;
    HTMLPixelsPerMM = 96.0L / 25.4L;
}

TRpGHTMLDocumentFilter::~TRpGHTMLDocumentFilter() = default;

void TRpGHTMLDocumentFilter::AcceptImageURL(TControl* Image, int XPos, int YPos) {
    if (auto* I = dynamic_cast<TRpHTMLImage*>(Image)) acceptImageURL(I, XPos, YPos);
}

bool TRpGHTMLDocumentFilter::EnableWebForm(TComponent* Report) {
    HTMLScriptsEnabled = true;
    EnableJavascript(dynamic_cast<TCustomRpReport*>(Report));
    return true;
}

int TRpGHTMLDocumentFilter::PageOffset() const {
    const Extended L = HTMLPixelsPerMM * FPaperHeight / 10;
    return int(Round(L * (FPageNumber - 1)));
}

void TRpGHTMLDocumentFilter::EnableJavascript(TCustomRpReport* rpep) {
    FEnableJavascript = HTMLScriptsEnabled;
    parentreport = rpep;
}

void TRpGHTMLDocumentFilter::SetHTMLBody(TColor BodyCol, const String& BGPic, const String& BExtra) {
    FBodyColor = BodyCol;
    FBackgroundPic = BGPic;
    FExtraBody = BExtra;
}

void TRpGHTMLDocumentFilter::CreateStream(const String& FileName) {
    if (!FileName.isEmpty()) return;
    if (!FStream) {
        FMemoryStream = NewOwned<TMemoryStream>();
        FStream = FMemoryStream.get();
    }
    FFreeStream = false;
}

void TRpGHTMLDocumentFilter::CloseStream() {
    if (FFreeStream && FStream == FMemoryStream.get()) {
        FMemoryStream.reset();
        FStream = nullptr;
    }
}

void TRpGHTMLDocumentFilter::ProcessPage() { TRpGAbstractExportFilter::ProcessPage(); }

String TRpGHTMLDocumentFilter::BodyAttributes() const {
    String B = u" bgcolor=\""_s + HTMLColor(FBodyColor) + u"\" "_s;
    if (!FBackgroundPic.trimmed().isEmpty()) B += u" background=\""_s + EscapeHTML(FBackgroundPic) + u"\""_s;
    if (!FExtraBody.trimmed().isEmpty()) B += u" "_s + FExtraBody;
    return B;
}

void TRpGHTMLDocumentFilter::WriteHead(const String& Title, bool Charset) {
    AddLine(u"<!DOCTYPE html>"_s);
    AddLine(u"<html>"_s);
    AddLine(u"<head>"_s);
    if (Charset)
        AddLine(u" <meta http-equiv=\"Content-Type\" content=\"text/html; charset=%1\" />"_s.arg(CharsetName(TextEncoding)));
    AddLine(u" <meta name=\"viewport\" content=\"width=device-width, initial-scale=1\" />"_s);
    AddLine(u" <title>"_s + EscapeHTML(Title) + u"</title>"_s);
    WriteHeadScripts();
    AddLine(u"</head>"_s);
    AddLine(u"<body "_s + BodyAttributes() + u" onload=\"formLoaded()\">"_s);
}

void TRpGHTMLDocumentFilter::WriteHeadScripts() {
    if (!FEnableJavascript) return;
    RpWebScanHeadFlags(this);
    AddLine(u"<style>"_s);
    AddLine(u"</style>"_s);
    if (SearchCode) AddLine(u"<script type=\"text/javascript\" src=\"rphilitor.js\"></script>"_s);
    AddLine(u"<script type=\"text/javascript\">"_s);
    AddScriptLines(*FLines, LibraryAlways);
    if (GetCode || PostCode) AddScriptLines(*FLines, LibraryRequest);
    if (GetCode) AddScriptLines(*FLines, LibraryGet);
    if (PostCode) AddScriptLines(*FLines, LibraryPost);
    AddScriptLines(*FLines, LibraryScale);
    if (IndexCode) AddScriptLines(*FLines, LibraryIndex);
    AddScriptLines(*FLines, LibraryStatus);
    AddLine(u"</script>"_s);
}

void TRpGHTMLDocumentFilter::Start(int PaperWidth, int PaperHeight, TFont* Font) {
    doneHintBox = false;
    if (MultiPage) return;
    CreateStream(Filename());
    FFont = NewOwned<TFont>();
    if (Font) FFont->Assign(Font);
    FActiveFont = NewOwned<TFont>();
    FCharWidth = FCharHeight = Extended(FFont->Size()) * 254 / 72;
    FPaperHeight = PaperHeight;
    FPaperWidth = PaperWidth;
    FLineCount = FCharHeight > 0 ? int(Round(PaperHeight / FCharHeight)) : 0;
    FPageProcessed = false;
    TRpExportFilter::Start(PaperWidth, PaperHeight, Font);
    FLines = &FDoc;
    WriteHead(ExtractFileName(Filename()), true);
}

void TRpGHTMLDocumentFilter::NewPage() {
    FPageProcessed = false;
    HTMFirstPage = false;
    if (!MultiPage) {
        FPageOpen = true;
        AddLine(u"<a name=\"page%1\" ID=\"page%1\" class=\"pagemarker\" style=\"position:absolute;left:0px;top:%2px;\"></a>"_s
                    .arg(FPageNumber)
                    .arg(PageOffset()));
        return;
    }
    // A page file of its own: its scripts, styles and load statements are its own too.
    FPageMaxY = 0;
    javalist.clear();
    FStylesheet.clear();
    FSplittersToClose.clear();
    FDropDownsToLoad.clear();
    DoneExtractPage = DoneCrossTab = DoneFinder = DoneWebData = false;
    doneHintBox = false;
    FPages.emplace_back();
    FLines = &FPages.back().Lines;
    FPageOpen = true;
    WriteHead(BaseFileName(Filename()) + String::number(FPageNumber) + u".html"_s, true);
}

void TRpGHTMLDocumentFilter::EndPage() {
    ProcessPage();
    if (!FPageOpen) return;  // the engine ends a page before the first one of every report
    if (!MultiPage) {
        ++FPageNumber;
        FPageOpen = false;
        return;
    }
    // The page is complete but for its navigation block, which waits for the page count.
    TPageFile& P = FPages.back();
    P.MaxY = FPageMaxY;
    P.Scripts = javalist;
    P.Styles = FStylesheet;
    P.Splitters = FSplittersToClose;
    P.Loads = FDropDownsToLoad;
    if (!doneHintBox) WriteHintBox();
    P.Styles = FStylesheet;
    FPageOpen = false;
    FLines = &FDoc;
    ++FPageNumber;
}

void TRpGHTMLDocumentFilter::WriteHintBox() {
    AddLine(u"<DIV ID=\"hintbox\"  data-cont=\"TRpWebLabel\"  class=\"rpcontrol\" style=\"overflow:hidden;visibility:hidden;"
            "cursor:default;position:absolute;top:28px;left:13px;width:120px;height:40px;text-align:left;font-family:Arial;"
            "font-size:12pt;font-weight:normal;color:#808080;background-color:#FFFFD1;border-style:solid;"
            "border-color:#808080;border-width:1px;\">Hint</DIV>"_s);
    FStylesheet << u"#hintbox{position: relative;border: 8px solid #666;\t-webkit-border-radius: 5px; -moz-border-radius: 5px;"
                   "border-radius: 5px;-webkit-box-shadow: 2px 2px 4px #888;-moz-box-shadow: 2px 2px 4px #888;\t"
                   "box-shadow: 2px 2px 4px #888;}"_s;
    doneHintBox = true;
}

void TRpGHTMLDocumentFilter::InsertScriptsAndStyles(QStringList& Doc) {
    if (!FEnableJavascript) return;
    const qsizetype S = Doc.indexOf(u"</script>"_s);
    if (S < 0) return;
    for (qsizetype i = 0; i < javalist.size(); ++i) Doc.insert(S + i, javalist[i]);
    const qsizetype T = Doc.indexOf(u"</style>"_s);
    if (T >= 0)
        for (qsizetype i = 0; i < FStylesheet.size(); ++i) Doc.insert(T + i, FStylesheet[i]);
}

void TRpGHTMLDocumentFilter::CloseBody(QStringList& Doc) {
    Doc << u"</body>"_s << u"</html>"_s;
    javalist << u"function formLoaded(){"_s;
    for (const String& N : FSplittersToClose) javalist << u"   "_s + N + u"Click();"_s;
    for (const String& L : FDropDownsToLoad) javalist << L;
    javalist << u"}"_s;
}

String TRpGHTMLDocumentFilter::OutputFolder() const {
    if (Filename().isEmpty()) return String();
    return QFileInfo(Filename()).absolutePath();
}

void TRpGHTMLDocumentFilter::PictureFile(const String& Name, String& Path, String& Src) const {
    if (!PictureDir.trimmed().isEmpty()) {
        Src = IncludeTrailingPathDelimiter(PictureDir) + Name;
        Path = QDir::isAbsolutePath(PictureDir) || OutputFolder().isEmpty() ? Src : OutputFolder() + u'/' + Src;
        return;
    }
    Src = Name;
    Path = OutputFolder().isEmpty() ? Name : OutputFolder() + u'/' + Name;
}

void TRpGHTMLDocumentFilter::SaveLines(const QStringList& Doc, const String& FileName) {
    const QByteArray Bytes = Encode(Doc, TextEncoding);
    if (FileName.isEmpty()) {
        if (!FStream) CreateStream(String());
        FStream->WriteBuffer(Bytes.constData(), Integer(Bytes.size()));
        return;
    }
    SaveBytesToFileSafely(FileName, Bytes.constData(), Bytes.size());
}

void TRpGHTMLDocumentFilter::WriteFinder() {
    if (!SearchCode || Filename().isEmpty()) return;
    const String Path = OutputFolder() + u"/rphilitor.js"_s;
    SaveBytesToFileSafely(Path, HilitorScript, Int64(std::strlen(HilitorScript)));
}

void TRpGHTMLDocumentFilter::FinishPages() {
    const int Count = int(FPages.size());
    const String Base = BaseFileName(Filename());
    const String Folder = OutputFolder();
    auto Link = [&](int Page, const String& Text) {
        return u"<a href=\""_s + EscapeHTML(Base) + String::number(Page) + u".html\">"_s + Text + u"</a>"_s;
    };
    const String Gap = u"&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;"_s;
    const int Last = FinalPage >= 1 && FinalPage <= Count ? FinalPage : Count;
    for (int i = 0; i < Count; ++i) {
        TPageFile& P = FPages[std::size_t(i)];
        const int N = i + 1;
        const bool IsLast = N == Count;
        String Nav;
        if (PageLinks) {
            Nav = u"<div style=\"position:absolute;top:%1px;left:10mm;font-family:%2;font-size:%3pt;"
                  "text-decoration:none;text-align:left;\">"_s.arg(P.MaxY + 30).arg(EscapeHTML(LinkFontName)).arg(LinkFontSize);
            if (FirstLastLinks && IsLast) Nav += Link(1, u"First page"_s) + Gap;
            if (N > 1) Nav += Link(N - 1, u"Previous page"_s) + Gap;
            if (!IsLast) Nav += Link(N + 1, u"Next page"_s);
            if (FirstLastLinks && N == 1) Nav += Gap + Link(Last, u"Last page"_s);
            Nav += u"<br><br></div>"_s;
        }
        // The navigation block goes before the hint box and the end of the body.
        const qsizetype Hint = P.Lines.lastIndexOf(QRegularExpression(u"^<DIV ID=\"hintbox\""_s));
        P.Lines.insert(Hint >= 0 ? Hint : P.Lines.size(), Nav);
        javalist = P.Scripts;
        FStylesheet = P.Styles;
        FSplittersToClose = P.Splitters;
        FDropDownsToLoad = P.Loads;
        CloseBody(P.Lines);
        InsertScriptsAndStyles(P.Lines);
        const String Name = Base + String::number(N) + u".html"_s;
        SaveLines(P.Lines, Folder.isEmpty() ? Name : Folder + u'/' + Name);
    }
    FPages.clear();
}

void TRpGHTMLDocumentFilter::Finish() {
    if (Concat) {
        // The document stays open for the next report; it is counted.
        ++FReportNumber;
        return;
    }
    if (MultiPage) {
        FinishPages();
    } else {
        if (!doneHintBox) WriteHintBox();
        CloseBody(FDoc);
        InsertScriptsAndStyles(FDoc);
        SaveLines(FDoc, Filename());
        FDoc.clear();
        if (!Filename().isEmpty()) CloseStream();
        FFont.reset();
        FActiveFont.reset();
    }
    WriteFinder();
    TRpExportFilter::Finish();
    FFirstReport = false;
}

void TRpGHTMLDocumentFilter::EndConcat() {
    Concat = false;
    Finish();
    MultiPage = false;
}

void TRpGHTMLDocumentFilter::acceptHTMLTag(const String& anstr, int yp) {
    String S = anstr;
    AddLine(S.replace(u"!xx!"_s, String::number(yp + PageOffset())));
}

void TRpGHTMLDocumentFilter::acceptImageURL(TRpHTMLImage* htmlImg, int xp, int yp) {
    AddLine(u"<div ID=\""_s + htmlImg->Name() + u"\" style=\"cursor:default;position:absolute;top:"_s +
            String::number(yp + PageOffset()) + u"px;left:"_s + String::number(xp) + u"px;\"><img src=\""_s +
            EscapeHTML(htmlImg->ImageURL()) + u"\"></div>"_s);
}

void TRpGHTMLDocumentFilter::TextOutRec(TExportInfoRec ExportInfo) {
    FControlName = ExportInfo.ControlName;
    TextOut(ExportInfo.Xpos, ExportInfo.Ypos, ExportInfo.Font, ExportInfo.BGColor, ExportInfo.Alignment, ExportInfo.Text);
}

TRpHTMLLabel* TRpGHTMLDocumentFilter::FindHTMLLabel(const String& Text) const {
    if (!Text.startsWith(u"%!"_s) || !Text.endsWith(u"!%"_s)) return nullptr;
    auto* R = dynamic_cast<TCustomRpReport*>(Owner());
    if (!R) return nullptr;
    for (int i = 0; i < R->ControlCount(); ++i) {
        auto* B = dynamic_cast<TRpCustomBand*>(R->Controls(i));
        if (!B) continue;
        for (int j = 0; j < B->ControlCount(); ++j) {
            TControl* C = B->Controls(j);
            if (u"%!"_s + C->Name() + u"!%"_s == Text) return dynamic_cast<TRpHTMLLabel*>(C);
        }
    }
    return nullptr;
}

void TRpGHTMLDocumentFilter::TextOut(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                                     const String& Text) {
    String Caption = Text;
    String Measured = Text;
    String Link;
    TLinkDef LinkKind = ldHTTPJump;
    // A link label hands over "%!" + its name + "!%": its caption and link go in its place.
    if (TRpHTMLLabel* HL = FindHTMLLabel(Text)) {
        Link = HL->LinkText();
        Caption = Measured = HL->Caption();
        LinkKind = HL->LinkType();
    }
    // Texts are escaped; every blank is kept.
    Caption = EscapeHTML(Caption).replace(u"&apos;"_s, u"'"_s).replace(u"&quot;"_s, u"\""_s).replace(u' ', u"&nbsp;"_s);
    if (!Link.isEmpty()) {
        const String L = EscapeHTML(Link);
        if (LinkKind == ldHTTPJump) Caption = u"<a href=\""_s + L + u"\">"_s + Caption + u"</a>"_s;
        else if (LinkKind == ldNameJump) Caption = u"<a href=\"#"_s + L + u"\">"_s + Caption + u"</a>"_s;
        else Caption = u"<a name=\""_s + L + u"\"></a>"_s;
    }

    TRpPrinter* P = nullptr;
    if (auto* R = dynamic_cast<TCustomRpReport*>(Owner())) P = R->RpPrinter();
    int x = P ? P->XPos(X) : int(Round(X * 96 / 254));
    int y = P ? P->YPos(Y) : int(Round(Y * 96 / 254));
    if (Alignment != taLeftJustify && Font) {
        TBitmap Bmp;
        Bmp.SetSize(1, 1);
        Bmp.Canvas()->SetFont(Font);
        const int W = Bmp.Canvas()->TextWidth(Measured);
        x -= Alignment == taRightJustify ? W : W / 2;
    }
    FPageMaxY = std::max(FPageMaxY, y);
    y = int(Round(HTMLPixelsPerMM * FPaperHeight / 10 * (FPageNumber - 1) + y));

    const String Id = FControlName.isEmpty() ? String() : u"ID=\""_s + EscapeHTML(FControlName) + u"\" "_s;
    const String Events =
        FEnableJavascript ? u" class=\"rpcontrol\" onclick=\"elemClick('%1')\" onmouseenter=\"elemMouseEnter('%1')\" "
                            "onmouseleave=\"elemMouseLeave('%1')\" "_s.arg(EscapeHTML(EscapeJS(FControlName)))
                          : String();
    String Tag = u"<div "_s + Id + u"name=\""_s + EscapeHTML(RunState().CurrentBandName) + u"\" "_s + Events +
                 u"style=\"cursor:default;position:absolute;top:"_s + String::number(y) + u"px;left:"_s + String::number(x) +
                 u"px;"_s;
    if (Font) {
        Tag += u"font-family:"_s + EscapeHTML(Font->Name().trimmed()) + u";font-size:"_s + String::number(Font->Size()) + u"pt;"_s;
        if (Font->Style().Contains(fsItalic)) Tag += u"font-style:italic;"_s;
        if (Font->Style().Contains(fsBold)) Tag += u"font-weight:bold;"_s;
        if (ColorToRGB(Font->Color()) != 0) Tag += u"color:"_s + HTMLColor(Font->Color()) + u";"_s;
    }
    Tag += u"\">"_s;
    ++FNextTextNum;
    AddLine(Tag);
    AddLine(Caption);
    AddLine(u"</DIV>"_s);
}

// ---- rules, shapes and pictures -----------------------------------------------------------------

namespace {

String RuleElement(const String& Band, int x, int y, int W, int PenWidth, const String& PenColor) {
    return u"<DIV name=\"%1\" style=\"position:absolute;left:%2px;top:%3px;height:%4px;\"><hr width=\"%5\" size=\"%4\" "
           "color=\"%6\"></div>"_s.arg(Band).arg(x).arg(y).arg(PenWidth).arg(W).arg(PenColor);
}

String BarElement(const String& Band, int x, int y, int W, int H, const String& Color) {
    return u"<DIV name=\"%1\" style=\"position:absolute;left:%2px;top:%3px;height:%4px;width:%5px; background-color: %6\"></div>"_s
        .arg(Band).arg(x).arg(y).arg(H).arg(W).arg(Color);
}

// The picture as the page shows it: a bitmap keeps its own size; any other graphic is drawn into
// the box.
QImage PictureImage(TGraphic* G, int W, int H) {
    if (auto* B = dynamic_cast<TBitmap*>(G)) {
        if (!B->Empty()) return B->ToImage();
    }
    TBitmap Bmp;
    Bmp.SetSize(std::max(W, 1), std::max(H, 1));
    if (G && !G->Empty()) Bmp.Canvas()->StretchDraw(TRect(0, 0, std::max(W, 1), std::max(H, 1)), G);
    return Bmp.ToImage();
}

void SaveJpeg(const QImage& Image, const String& Path) {
    QImage I = Image.isNull() || Image.width() == 0 || Image.height() == 0 ? QImage(1, 1, QImage::Format_RGB32) : Image;
    if (Image.isNull()) I.fill(Qt::white);
    TJPEGImage Jpeg;
    const QByteArray Bytes = TJPEGImage::Encode(I.convertToFormat(QImage::Format_RGB32), Jpeg.CompressionQuality());
    SaveBytesToFileSafely(Path, Bytes.constData(), Bytes.size());
}

}  // namespace

void TRpGHTMLDocumentFilter::AcceptGraphic(Extended Xoff, Extended Yoff, TControl* GControl) {
    if (!GControl) return;
    const int x = int(Xoff);
    const int y = int(Round(HTMLPixelsPerMM * FPaperHeight / 10 * (FPageNumber - 1) + Round(Yoff)));
    int W = GControl->Width(), H = GControl->Height();
    const String Band = EscapeHTML(RunState().CurrentBandName);

    // Rules and shapes: DIV bars and HR rules.
    auto Shape = [&](TRpShapeType Type, TPen* Pen, TBrush* Brush, int VertAdjust, int HorLineLift) {
        const int PW = Pen->Width();
        const String PC = HTMLColor(Pen->Color());
        switch (Type) {
            case rpsHorLine:
                AddLine(RuleElement(Band, x, y - HorLineLift, W, PW, PC));
                FPageMaxY = std::max(FPageMaxY, y - HorLineLift);
                break;
            case rpsVertLine:
                AddLine(BarElement(Band, (x + (x + W)) / 2, y, PW, H, PC));
                FPageMaxY = std::max(FPageMaxY, y);
                break;
            case rpsRectangle:
                if (Brush->Style() == bsSolid) {
                    AddLine(BarElement(Band, x, y, W, H, HTMLColor(Brush->Color())));
                } else {
                    AddLine(BarElement(Band, x, y, PW, H, PC));
                    AddLine(BarElement(Band, (x + W) - PW, y, PW, H, PC));
                    AddLine(RuleElement(Band, x, y - VertAdjust - 8, W, PW, PC));
                    AddLine(RuleElement(Band, x, (y + H) - 8, W, PW, PC));
                    FPageMaxY = std::max(FPageMaxY, y - VertAdjust - 8);
                }
                break;
            default: break;
        }
    };
    if (auto* R = dynamic_cast<TRpHRule*>(GControl)) {
        AddLine(RuleElement(Band, x, y, W, R->Pen()->Width(), HTMLColor(R->Pen()->Color())));
        FPageMaxY = std::max(FPageMaxY, y);
        return;
    }
    if (auto* S = dynamic_cast<TRpShape*>(GControl)) {
        Shape(S->Shape(), S->Pen(), S->Brush(), S->VertAdjust(), 8);
        return;
    }
    if (auto* S = dynamic_cast<TRpPDFShape*>(GControl)) {
        Shape(S->ShapeType(), S->Pen(), S->Brush(), S->VertAdjust(), 0);
        return;
    }

    QImage Image;
    String Name;
    if (auto* I = dynamic_cast<TRpImage*>(GControl)) {
        Name = (I->Name().isEmpty() ? u"picture"_s + String::number(++FNextPicnum) : I->Name()) + u".jpg"_s;
        Image = PictureImage(I->Picture()->Graphic(), W, H);
    } else if (auto* G = dynamic_cast<TRpGrImage*>(GControl)) {
        Name = (G->Name().isEmpty() ? u"picture"_s + String::number(++FNextPicnum) : G->Name()) + u".jpg"_s;
        Image = PictureImage(G->Picture()->Graphic(), W, H);
    } else if (dynamic_cast<TRpDBImage*>(GControl) || dynamic_cast<TRpGrDBImage*>(GControl)) {
        auto* D = dynamic_cast<TRpDBImage*>(GControl);
        auto* GD = dynamic_cast<TRpGrDBImage*>(GControl);
        if (D) D->LoadPicture(); else GD->LoadPicture();
        TGraphic* G = (D ? D->Picture() : GD->Picture())->Graphic();
        const bool Stretch = D ? D->Stretch() : GD->Stretch();
        const TFitMode Mode = D ? fmProportional : GD->FitMode();
        const int PW = G ? G->Width() : 0, PH = G ? G->Height() : 0;
        // Unless stretched, the picture keeps its proportions and stays inside its box.
        if (!Stretch && PW > 0 && PH > 0 && W > 0 && H > 0) {
            const double r = double(PW) / PH;
            switch (Mode) {
                case fmProportional:
                    if (double(PW) / W >= double(PH) / H)
                        H = int(std::trunc(W / r));
                    else
                        W = int(std::trunc(H * r));
                    break;
                case fmKeepWidth: H = int(std::trunc(W / r)); break;
                case fmKeepHeight: W = int(std::trunc(H * r)); break;
                case fmInsideProp: break;
            }
        }
        ++FNextPicnum;
        Name = (GControl->Name().isEmpty() ? u"picture"_s : GControl->Name()) + String::number(FNextPicnum) + u".jpg"_s;
        Image = G && !G->Empty() ? G->ToImage().scaled(std::max(W, 1), std::max(H, 1)) : QImage();
    } else {
        return;
    }
    String Path, Src;
    PictureFile(Name, Path, Src);
    SaveJpeg(Image, Path);
    const bool Web = GControl->ClassType()->ClassName() == u"TRpWebImage"_s;
    AddLine(u"<DIV"_s + (GControl->Name().isEmpty() ? String() : u" ID=\""_s + EscapeHTML(GControl->Name()) + u"\""_s) + (Web ? u" class=\"rpcontrol\""_s : u" data-cont=\"TRpImage\" "_s) +
            u" name=\""_s + Band + u"\" style=\"position:absolute;left:%1px;top:%2px;width:%3px;height:%4px\"><img src=\""_s.arg(x).arg(y).arg(W).arg(H) +
            EscapeHTML(Src) + u"\"></div>"_s);
    FPageMaxY = std::max({FPageMaxY, y + H, y});
}
