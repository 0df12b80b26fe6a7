#include "report/export/rpxdocument.h"

#include "platform/gui/canvas.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/printers.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "report/export/rpencoders.h"
#include "report/export/rpxdocprivate.h"
#include "report/export/rpxmlfilter.h"
#include "report/rpcomposite.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "report/rpunits.h"

#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {
TRpXMLPreviewInterface* SilentPreview(TComponent* AOwner) { return New<TRpXMLPreviewInterface>(AOwner); }
}  // namespace

TRpXMLPreviewInterfaceClass RpXMLPreviewInterfaceClass = SilentPreview;
TRpXMLPreviewInterface* CurrentXMLPreview = nullptr;
double TRpXDocument::PixelsPerMM = 96.0 / 25.4;

// ---- the DOM ------------------------------------------------------------------------------------

bool TRpXDocument::TDom::Parse(const String& Text) {
    QDomDocument D;
    if (!D.setContent(Text)) return false;
    Doc = D;
    Defaults.clear();
    // <!ATTLIST Element Attribute CDATA "default">
    static const QRegularExpression AttList(uR"RX(<!ATTLIST\s+(\S+)\s+(\S+)\s+CDATA\s+"([^"]*)"\s*>)RX"_s);
    const String Subset = Doc.doctype().internalSubset();
    for (auto It = AttList.globalMatch(Subset); It.hasNext();) {
        const QRegularExpressionMatch M = It.next();
        Defaults[M.captured(1)].insert(M.captured(2), M.captured(3));
    }
    return true;
}

String TRpXDocument::TDom::Attr(const QDomElement& E, const String& Name, bool* Has) const {
    if (E.hasAttribute(Name)) {
        if (Has) *Has = true;
        return E.attribute(Name);
    }
    const auto El = Defaults.constFind(E.tagName());
    if (El != Defaults.constEnd()) {
        const auto A = El->constFind(Name);
        if (A != El->constEnd()) {
            if (Has) *Has = true;
            return *A;
        }
    }
    if (Has) *Has = false;
    return String();
}

QDomElement TRpXDocument::TDom::Page(int Index) const {
    if (Index < 0) return QDomElement();
    const QDomNodeList Pages = Doc.elementsByTagName(u"Page"_s);
    if (Index >= Pages.size()) return QDomElement();
    return Pages.at(Index).toElement();
}

int TRpXDocument::TDom::PageCount() const { return int(Doc.elementsByTagName(u"Page"_s).size()); }

namespace rpxdoc {

double ToFloat(const String& S) {
    String T = S.trimmed();
    T.replace(u',', u'.');
    bool Ok = false;
    const double V = T.toDouble(&Ok);
    if (!Ok || !std::isfinite(V)) throw EConvertError(u"'"_s + S + u"' is not a valid floating point value"_s);
    return V;
}

int ToInt(const String& S) {
    bool Ok = false;
    const int V = S.trimmed().toInt(&Ok);
    if (!Ok) throw EConvertError(u"'"_s + S + u"' is not a valid integer value"_s);
    return V;
}

TColor WebColor(const String& S) {
    String T = S;
    if (T.size() == 7 && T[0] == u'#') T = T.mid(1);
    bool Ok = T.size() == 6;
    for (QChar C : T) Ok = Ok && isxdigit(C.toLatin1()) && C.unicode() < 128;
    if (!Ok) throw EConvertError(u"'"_s + S + u"' is not a valid colour"_s);
    const unsigned V = T.toUInt(nullptr, 16);
    const unsigned R = (V >> 16) & 0xFF, G = (V >> 8) & 0xFF, B = V & 0xFF;
    return TColor(R | (G << 8) | (B << 16));
}

String ColorHex(TColor C) {
    const COLORREF Rgb = ColorToRGB(C);
    return String::asprintf("#%02X%02X%02X", unsigned(Rgb & 0xFF), unsigned((Rgb >> 8) & 0xFF),
                            unsigned((Rgb >> 16) & 0xFF));
}

QByteArray HexToBytes(const String& Text) {
    QByteArray R;
    R.reserve(Text.size() / 2);
    int High = -1;
    for (QChar C : Text) {
        const char16_t U = C.unicode();
        int D;
        if (U >= u'0' && U <= u'9')
            D = U - u'0';
        else if (U >= u'A' && U <= u'F')
            D = U - u'A' + 10;
        else
            continue;
        if (High < 0) {
            High = D;
        } else {
            R.append(char((High << 4) | D));
            High = -1;
        }
    }
    return R;
}

TGeometry ItemGeometry(const TRpXDocument::TDom& Dom, const QDomElement& E, double Zoom, double OffsetX,
                       double OffsetY) {
    TGeometry G;
    try {
        bool Has = false;
        String V = Dom.Attr(E, u"X"_s, &Has);
        if (Has) G.X = (OffsetX + ToFloat(V)) * Zoom / 100;
        V = Dom.Attr(E, u"Y"_s, &Has);
        if (Has) G.Y = (OffsetY + ToFloat(V)) * Zoom / 100;
        V = Dom.Attr(E, u"Width"_s, &Has);
        if (Has) G.W = Zoom * ToFloat(V) / 100;
        V = Dom.Attr(E, u"Height"_s, &Has);
        if (Has) G.H = Zoom * ToFloat(V) / 100;
        V = Dom.Attr(E, u"LY"_s, &Has);
        if (Has) G.LY = ToInt(V);
        V = Dom.Attr(E, u"Color"_s, &Has);
        if (Has) G.Color = WebColor(V);
    } catch (const Exception&) {
    }
    return G;
}

QByteArray ItemPictureData(const String& Cmp, const String& Text, Int64 MaxBytes) {
    const String Kind = Cmp.toLower();
    if (Kind == u"none"_s) return HexToBytes(Text);
    if (Kind != u"rle"_s && Kind != u"lzw"_s) return QByteArray();
    TMemoryStream Packed, Plain;
    const QByteArray B = HexToBytes(Text);
    Packed.WriteBuffer(B.constData(), Integer(B.size()));
    if (Kind == u"rle"_s) {
        TRpXDocument::RLEDecode(&Packed, &Plain);
    } else {
        try {
            LZWDecode(&Packed, &Plain, MaxBytes);
        } catch (const std::exception&) {
            // what was decoded so far stays
        }
    }
    return QByteArray(static_cast<const char*>(Plain.Memory()), qsizetype(Plain.Size()));
}

String ItemText(const QDomElement& E) {
    String T = E.text();
    // The writer puts the text on a line of its own between the tags.
    if (T.startsWith(u"\r\n"_s))
        T.remove(0, 2);
    else if (T.startsWith(u'\n') || T.startsWith(u'\r'))
        T.remove(0, 1);
    if (T.endsWith(u"\r\n"_s))
        T.chop(2);
    else if (T.endsWith(u'\n') || T.endsWith(u'\r'))
        T.chop(1);
    return T;
}

String HeadText() {
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    TOwned<TStringList> L = NewOwned<TStringList>();
    F->LoadDTD(L.get());
    String Head;
    for (int i = 0; i < L->Count(); ++i) Head += L->Strings(i) + u"\r\n"_s;
    return Head;
}

String RootText(const QDomElement& Root) {
    String Xml;
    QTextStream Ts(&Xml);
    Root.save(Ts, -1);
    Ts.flush();
    return Xml;
}

QStringList SplitList(const String& Text, QChar Sep) {
    QStringList R;
    for (const String& P : Text.split(Sep)) {
        const String T = P.trimmed();
        if (!T.isEmpty()) R << T.left(65000);
    }
    return R;
}

}  // namespace rpxdoc

using namespace rpxdoc;

// ---- the component ------------------------------------------------------------------------------

TRpXDocument::TRpXDocument(TComponent* AOwner)
    : TComponent(AOwner),
      FDom(std::make_unique<TDom>()),
      FPageItems(NewOwned<TStringList>(true)),
      FPageBands(NewOwned<TStringList>(true)),
      FHintlist(NewOwned<TStringList>(true)),
      FTextindex(NewOwned<TStringList>(true)),
      FSearchResults(NewOwned<TStringList>(true)) {
    CurrentXMLPreview = nullptr;
    PixelsPerMM = 96.0 / 25.4;
}

TRpXDocument::~TRpXDocument() = default;

void TRpXDocument::BeforeDestruction() {
    ClearPageLists();
    TComponent::BeforeDestruction();
}

void TRpXDocument::Published(TPublished<TRpXDocument>& P) {
    using D = TRpXDocument;
    P.Boolean("ShowImagesInThumbs", &D::ShowImagesInThumbs, [](D* d, bool v) { d->ShowImagesInThumbs = v; });
    P.Boolean("ShowSaveButton", &D::ShowSaveButton, [](D* d, bool v) { d->ShowSaveButton = v; });
    P.Boolean("ShowLoadButton", &D::ShowLoadButton, [](D* d, bool v) { d->ShowLoadButton = v; });
    P.Boolean("ShowPrintButtons", &D::ShowPrintButtons, [](D* d, bool v) { d->ShowPrintButtons = v; });
    P.Boolean("ShowToolbar", &D::ShowToolbar, [](D* d, bool v) { d->ShowToolbar = v; });
    P.Boolean("Showthumbs", &D::Showthumbs, [](D* d, bool v) { d->Showthumbs = v; });
    P.Boolean("ShowSearch", &D::ShowSearch, [](D* d, bool v) { d->ShowSearch = v; });
    P.Boolean("DocumentLoaded", &D::DocumentLoaded);
    P.Integer("InitViewerWidth", &D::InitViewerWidth, [](D* d, int v) { d->InitViewerWidth = v; });
    P.Integer("InitViewerHeight", &D::InitViewerHeight, [](D* d, int v) { d->InitViewerHeight = v; });
    P.Integer("InitViewerTop", &D::InitViewerTop, [](D* d, int v) { d->InitViewerTop = v; });
    P.Integer("InitViewerLeft", &D::InitViewerLeft, [](D* d, int v) { d->InitViewerLeft = v; });
    P.Extended("InitViewerZoom", &D::InitViewerZoom, [](D* d, Extended v) { d->InitViewerZoom = v; });
    P.Enum("InitViewerZoomState", &D::InitViewerZoomState,
           [](D* d, TRpZoomState v) { d->InitViewerZoomState = v; },
           {"rpZoomToFit", "rpZoomToWidth", "rpZoomOther", "rpZoom100"});
    P.Enum("InitViewerState", &D::InitViewerState, [](D* d, TWindowState v) { d->InitViewerState = v; },
           {"wsNormal", "wsMinimized", "wsMaximized"});
    P.Boolean("ShowProgress", &D::ShowProgress, [](D* d, bool v) { d->ShowProgress = v; });
    P.Extended("ZoomFactor", &D::ZoomFactor, &D::SetZoomFactor);
    P.String("DocumentFile", &D::DocumentFile, &D::SetDocumentFile);
    P.String("ReportTitle", &D::ReportTitle, &D::SetReportTitle);
    P.Integer("CurrentPage", &D::CurrentPage, &D::SetCurrentPage);
    P.Integer("Pagecount", &D::Pagecount);
    P.Double("Pagewidth", &D::Pagewidth);
    P.Double("Pageheight", &D::Pageheight);
    P.Enum("Orientation", &D::Orientation, &D::SetOrientation, {"poPortrait", "poLandscape"});
}

void TRpXDocument::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FCurrentRp) FCurrentRp = nullptr;
    if (AComponent == FOwnReport) FOwnReport = nullptr;
    if (AComponent == FImageControl) FImageControl = nullptr;
}

void TRpXDocument::SetRpReport(TCustomRpReport* Value) {
    if (!Value) throw Exception(u"Cannot assign a nil RpReport property"_s);
    FCurrentRp = Value;
    Value->FreeNotification(this);
}

void TRpXDocument::SetOrientation(TPrinterOrientation Value) {
    FPOrientation = Value;
    FOrientation = Value == poLandscape ? 1 : 0;
}

void TRpXDocument::SetDocumentFile(const String& Value) {
    if (!ComponentState().Contains(csDesigning)) {
        LoadFromFile(Value);
        if (FDocumentLoaded) RenderPage(FCurrentPage);
    }
    FDocumentFile = Value;
}

void TRpXDocument::SetCurrentPage(int Value) {
    if (Value != FCurrentPage && !ComponentState().Contains(csDesigning)) {
        PageHasChanged = true;
        RenderPage(Value);
    }
    FCurrentPage = Value;
}

void TRpXDocument::ClearPageLists() {
    FPageItems->Clear();
    FPageBands->Clear();
    ClearTextIndex();
}

// ---- loading --------------------------------------------------------------------------------------

bool TRpXDocument::ReadDocumentHeader() {
    try {
        const QDomNodeList Headers = FDom->Doc.elementsByTagName(u"Header"_s);
        if (Headers.isEmpty()) throw ERangeError(u"header missing"_s);
        const QDomElement H = Headers.at(0).toElement();
        FPagewidth = 0;
        FPageheight = 0;
        bool Has = false;
        String V = FDom->Attr(H, u"Pagewidth"_s, &Has);
        if (!Has) throw ERangeError(u"page width missing"_s);
        const double W = ToFloat(V);
        V = FDom->Attr(H, u"Pageheight"_s, &Has);
        if (!Has) throw ERangeError(u"page height missing"_s);
        const double Ht = ToFloat(V);
        // A page of no size or of an absurd one is no page to draw.
        if (!(W > 0 && W < 10000 && Ht > 0 && Ht < 10000)) throw ERangeError(u"page size out of range"_s);
        FPagewidth = W;
        FPageheight = Ht;
        V = FDom->Attr(H, u"PaperName"_s, &Has);
        FPapername = Has ? V : u"Unknown"_s;
        const QDomNodeList O = FDom->Doc.elementsByTagName(u"Orientation"_s);
        if (!O.isEmpty()) FOrientation = O.at(0).toElement().text().toLower() == u"portrait"_s ? 0 : 1;
        FPagecount = FDom->PageCount();
        FDocumentLoaded = true;
        FirstPage = 1;
        LastPage = FPagecount;
    } catch (const std::exception&) {
        FDocumentLoaded = false;
    }
    return FDocumentLoaded;
}

bool TRpXDocument::LoadDocumentText(const String& Text) {
    try {
        if (!FDom->Parse(Text)) {
            FDocumentLoaded = false;
            FPagecount = 0;
            return false;
        }
        // Drawn items of the old document no longer apply.
        ClearPageLists();
        return ReadDocumentHeader();
    } catch (const std::exception&) {
        FDocumentLoaded = false;
        return false;
    }
}

namespace {
// A document's bytes as text: a byte-order signature or the XML declaration's encoding decides,
// else UTF-8 when the bytes are valid UTF-8, else the Cyrillic code page.
String DecodeDocument(const QByteArray& Bytes) {
    if (auto E = QStringConverter::encodingForData(Bytes)) {
        QStringDecoder D(*E, QStringDecoder::Flag::Stateless);
        String S = D.decode(Bytes);
        if (!S.isEmpty() && S[0] == QChar(0xFEFF)) S.remove(0, 1);
        return S;
    }
    if (auto E = QStringConverter::encodingForHtml(Bytes); E && *E != QStringConverter::Utf8) {
        QStringDecoder D(*E);
        return D.decode(Bytes);
    }
    QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    String S = Utf8.decode(Bytes);
    if (!Utf8.hasError()) return S;
    QStringDecoder Cp("windows-1251");
    if (Cp.isValid()) return Cp.decode(Bytes);
    return String::fromLatin1(Bytes);
}
}  // namespace

bool TRpXDocument::LoadDocumentFile(const String& FileName) {
    QFile F(FileName);
    if (!F.open(QIODevice::ReadOnly)) {
        FDocumentLoaded = false;
        return false;
    }
    return LoadDocumentText(DecodeDocument(F.readAll()));
}

void TRpXDocument::LoadFromFile(const String& filename) {
    LoadDocumentFile(filename);
    CurrentFile = FDocumentLoaded ? filename : String();
}

void TRpXDocument::ExternalLoadFromFile(const String& filename) {
    LoadFromFile(filename);
    if (!FDocumentLoaded) return;
    if (!FOwnReport) FOwnReport = New<TRpReport>(this);
    FCurrentRp = FOwnReport;
}

void TRpXDocument::LoadFromStream(TStream* instream) {
    if (!instream) {
        FDocumentLoaded = false;
        return;
    }
    instream->SetPosition(0);
    const Int64 Size = instream->Size();
    QByteArray Bytes;
    if (Size > 0) {
        Bytes.resize(qsizetype(Size));
        Bytes.resize(instream->Read(Bytes.data(), Integer(Size)));
    }
    LoadDocumentText(DecodeDocument(Bytes));
}

bool TRpXDocument::InitialiseDoc(const String& title, double pagewidth, double pageheight, const String& papername,
                                 const String& orient, const String& stylesheetURI) {
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    F->XLStyleURL = stylesheetURI;
    F->Title = title;
    TOwned<TStringList> L = NewOwned<TStringList>();
    F->NewDocument(L.get(), pagewidth, pageheight, papername, orient);
    return LoadDocumentText(L->Text());
}

namespace {
String WithLineEnds(const String& Xml) {
    String Text;
    for (const String& Line : Xml.split(u'\n')) Text += Line + u"\r\n"_s;
    return Text;
}
}  // namespace

void TRpXDocument::SaveToFile(const String& filename) {
    if (!FDocumentLoaded) return;
    // The prolog with the type definition, then the document, in the writer's encoding.
    const QByteArray Bytes = RpXEncodeDocument(HeadText() + WithLineEnds(RootText(FDom->Doc.documentElement())),
                                               TRpXDocumentFilter::TextEncoding());
    SaveBytesToFileSafely(filename, Bytes.constData(), Bytes.size());
}

void TRpXDocument::SaveToStream(TStream* outstr) {
    if (!FDocumentLoaded || !outstr) return;
    const String Xml = RootText(FDom->Doc.documentElement());
    String Text;
    for (const String& Line : Xml.split(u'\n')) Text += Line + u"\r\n"_s;
    const QByteArray Bytes = Text.toUtf8();
    outstr->WriteBuffer(Bytes.constData(), Integer(Bytes.size()));
}

void TRpXDocument::SaveReportAsXML(TCustomRpReport* RReport, const String& fileName) {
    if (!RReport) return;
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    F->CompressImages = true;
    RReport->ExportToFilter(F.get());
    LoadFromStream(F->Stream());
    if (FDocumentLoaded) SaveToFile(fileName);
}

// ---- pages ------------------------------------------------------------------------------------------

int TRpXDocument::Pagecount() const { return FDom->PageCount(); }

QDomElement TRpXDocument::GetPage(int Pagenum) {
    FPagecount = FDom->PageCount();
    return FDom->Page(Pagenum);
}

void TRpXDocument::AddPage(const QDomNode& pagenode) {
    QDomElement Root = FDom->Doc.documentElement();
    if (Root.isNull() || pagenode.isNull()) return;
    Root.appendChild(FDom->Doc.importNode(pagenode, true));
    ++FPagecount;
}

void TRpXDocument::acceptPage(TStringList* plist) {
    if (!plist) return;
    QDomDocument Temp;
    if (!Temp.setContent(u"<?xml version=\"1.0\"?>\r\n"_s + plist->Text())) return;
    const QDomNodeList Pages = Temp.elementsByTagName(u"Page"_s);
    if (Pages.isEmpty()) return;
    QDomElement Root = FDom->Doc.documentElement();
    if (Root.isNull()) return;
    Root.appendChild(FDom->Doc.importNode(Pages.at(0), true));
    ++FPagecount;
    LastPage = FPagecount;
    if (CurrentXMLPreview) CurrentXMLPreview->newpage(FPagecount);
    IndexOnePage(FPagecount - 1);
}

void TRpXDocument::FinishReport() {
    if (CurrentXMLPreview) CurrentXMLPreview->ReportCompleted(-1);
    FDisplayFinished = true;
}

// ---- hints and events ---------------------------------------------------------------------------

void TRpXDocument::AddHint(const String& controlName, const String& hintText) {
    auto* H = New<THintItem>();
    H->controlID = controlName;
    H->hint = hintText;
    FHintlist->AddObject(controlName, H);
}

String TRpXDocument::GetHint(const String& cName) const {
    for (int i = 0; i < FHintlist->Count(); ++i)
        if (FHintlist->Strings(i).compare(cName, Qt::CaseInsensitive) == 0)
            return static_cast<THintItem*>(FHintlist->Objects(i))->hint;
    return String();
}

void TRpXDocument::FireEvent(TPrevEventType eventNum, const String& cName, const String& CText, int rec) {
    // The report of the document hears the viewer's events; the document's own handler too.
    if (FCurrentRp && FCurrentRp->OnPrevXEvent) FCurrentRp->OnPrevXEvent(this, eventNum, cName, CText, rec);
    if (OnPrevXEvent) OnPrevXEvent(this, eventNum, cName, CText, rec);
}

// ---- zoom -------------------------------------------------------------------------------------------

void TRpXDocument::SetZoomFactor(Extended value) {
    FZoomfactor = value;
    RenderPage(FCurrentPage);
}

void TRpXDocument::ZoomToWidth(Extended reqWidth) {
    if (FPagewidth <= 0) return;
    SetZoomFactor(reqWidth * 100 / (FPagewidth * PixelsPerMM));
}

void TRpXDocument::ZoomToHeight(Extended reqHeight) {
    if (FPageheight <= 0) return;
    SetZoomFactor(reqHeight * 100 / (FPageheight * PixelsPerMM));
}

// ---- viewing ----------------------------------------------------------------------------------------

namespace {
// The preview interface of one viewing operation, released at its end.
struct TPreviewScope {
    TPreviewScope() { CurrentXMLPreview = RpXMLPreviewInterfaceClass(nullptr); }
    ~TPreviewScope() {
        TRpXMLPreviewInterface* P = CurrentXMLPreview;
        CurrentXMLPreview = nullptr;
        if (P) P->Free();
    }
};
}  // namespace

void TRpXDocument::ShowReport(TCustomRpReport* RReport) {
    if (!RReport) return;
    SetRpReport(RReport);
    FTitle = RReport->ReportTitle();
    TPreviewScope Scope;
    FSearchText.clear();
    SetImageControl(CurrentXMLPreview->GetImageControl());
    TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
    F->SetRpXDocument(this);
    F->CompressImages = true;
    TRpPage* Pg = RReport->Page();  // value 3 is the width, 1 the length (tenths of a millimetre)
    InitialiseDoc(RReport->ReportTitle(), double(Pg->NativeValue(3)) / 10,
                  double(Pg->NativeValue(1)) / 10, u"paper"_s, u"portrait"_s, String());
    CurrentXMLPreview->SetDocument(this);
    CurrentXMLPreview->Show();
    F->SetSinglePageMode(true);
    RReport->ExportToFilter(F.get());
}

void TRpXDocument::ViewReport(TCustomRpReport* RReport) {
    FLoadedFromFile = false;
    ShowReport(RReport);
}

void TRpXDocument::ViewReportModal(TCustomRpReport* RReport) {
    FLoadedFromFile = false;
    ShowReport(RReport);
}

void TRpXDocument::ShowCompositeReport(TRpCompositeReport* CReport, bool modal) {
    if (!CReport) return;
    FLoadedFromFile = false;
    if (CReport->Reports()->Count() > 0)
        if (auto* First = dynamic_cast<TCustomRpReport*>(CReport->Reports()->Items(0))) SetRpReport(First);
    FTitle = CReport->ReportTitle();
    TPreviewScope Scope;
    FSearchText.clear();
    SetImageControl(CurrentXMLPreview->GetImageControl());
    {
        TOwned<TRpXDocumentFilter> F = NewOwned<TRpXDocumentFilter>(String());
        F->CompressImages = true;
        CReport->ExportToFilter(F.get());
        LoadFromStream(F->Stream());
    }
    // A composite that names its reports during the run has them only now.
    if (!FCurrentRp && CReport->Reports()->Count() > 0)
        if (auto* First = dynamic_cast<TCustomRpReport*>(CReport->Reports()->Items(0))) SetRpReport(First);
    if (!FDocumentLoaded) return;
    CurrentXMLPreview->SetDocument(this);
    RenderPage(FCurrentPage);
    if (modal)
        CurrentXMLPreview->ShowModal();
    else
        CurrentXMLPreview->Show();
}

void TRpXDocument::ViewCompositeReport(TRpCompositeReport* CReport) { ShowCompositeReport(CReport, false); }

void TRpXDocument::ViewDocument(bool modal) {
    if (!FDocumentLoaded) return;
    TPreviewScope Scope;
    SetImageControl(CurrentXMLPreview->GetImageControl());
    CurrentXMLPreview->SetDocument(this);
    RenderPage(FCurrentPage);
    if (modal)
        CurrentXMLPreview->ShowModal();
    else
        CurrentXMLPreview->Show();
}

void TRpXDocument::LoadAndViewXML(const String& filename, TStream* inStream, bool modal) {
    TPreviewScope Scope;
    FSearchText.clear();
    SetImageControl(CurrentXMLPreview->GetImageControl());
    if (inStream)
        LoadFromStream(inStream);
    else if (FileExists(filename))
        LoadFromFile(filename);
    else
        return;
    if (FDocumentLoaded) {
        // The viewer's print and setup commands need a report.
        if (!FCurrentRp) {
            if (!FOwnReport) FOwnReport = New<TRpReport>(this);
            FCurrentRp = FOwnReport;
        }
        FLoadedFromFile = true;
        CurrentXMLPreview->SetDocument(this);
        RenderPage(FCurrentPage);
        CurrentXMLPreview->ReportCompleted(Pagecount());
        if (modal)
            CurrentXMLPreview->ShowModal();
        else
            CurrentXMLPreview->Show();
    }
    FLoadedFromFile = false;
}

// ---- printing -----------------------------------------------------------------------------------------

void TRpXDocument::Print(TPrinter* aprinter) {
    if (!FDocumentLoaded || !aprinter || !FCurrentRp) return;
    HDC DC = aprinter->Handle();
    FPixelsPerX = DC ? DC->LogPixelsX() : 0;
    FPixelsPerY = DC ? DC->LogPixelsY() : 0;
    FPrinterOffsetX = 0;
    FPrinterOffsetY = 0;
    aprinter->SetOrientation(FOrientation != 0 ? poLandscape : poPortrait);
    FZoomfactor = 100;
    FirstPage = FCurrentRp->PrinterSettings()->FirstPage();
    LastPage = FCurrentRp->PrinterSettings()->LastPage();
    bool Any = false;
    for (int i = 0; i < Pagecount(); ++i) Any = Any || (i >= FirstPage - 1 && i <= LastPage - 1);
    if (!Any) return;
    aprinter->BeginDoc();
    if (!aprinter->Printing()) return;
    bool First = true;
    for (int i = 0; i < Pagecount(); ++i) {
        if (i < FirstPage - 1 || i > LastPage - 1) continue;
        if (!First) aprinter->NewPage();
        First = false;
        RenderPageToCanvas(i, 0, 0, true, aprinter->Canvas());
    }
    if (aprinter->Printing()) aprinter->EndDoc();
}

void TRpXDocument::SetImageControl(TImage* iCont) {
    FImageControl = iCont;
    if (iCont) iCont->FreeNotification(this);
}

// ---- hit tests ----------------------------------------------------------------------------------------

String TRpXDocument::GetControlFromPosition(int x, int y, String& cText, int& DBRecordNum) const {
    const int N = FPageItems->Count();
    for (int i = N - 1; i >= 0; --i) {
        auto* P = static_cast<TPageItem*>(FPageItems->Objects(i));
        if (!(P->xpos < x && x < P->xpos + P->width && P->ypos < y && y < P->ypos + P->height)) continue;
        for (int j = i; j < N; ++j) {
            auto* Q = static_cast<TPageItem*>(FPageItems->Objects(j));
            if (Q->xpos != P->xpos || Q->ypos != P->ypos || Q->controlID.isEmpty()) continue;
            cText = Q->cText;
            DBRecordNum = Q->DBRecord;
            return Q->controlID;
        }
        return String();
    }
    return String();
}

String TRpXDocument::GetBandFromPosition(int x, int y, String& cText, int& DBRecordNum) const {
    for (int i = FPageBands->Count() - 1; i >= 0; --i) {
        auto* P = static_cast<TPageItem*>(FPageBands->Objects(i));
        if (P->xpos < x && x < P->xpos + P->width && P->ypos - P->height < y && y < P->ypos) {
            cText = u"band"_s;
            DBRecordNum = P->DBRecord;
            return P->controlID;
        }
    }
    return String();
}
