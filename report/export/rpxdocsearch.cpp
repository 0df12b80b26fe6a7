// The text index of the XML report document, its search and the rewrites of its texts.
#include "platform/rtl/lists.h"
#include "report/export/rpxdocprivate.h"
#include "report/export/rpxmlfilter.h"

#include <QDomNodeList>
#include <QTextStream>

#include <functional>

using namespace Qt::StringLiterals;
using namespace rpxdoc;

void TRpXDocument::ClearTextIndex() { FTextindex->Clear(); }

void TRpXDocument::IndexOnePage(int pn) {
    if (!FDocumentLoaded) return;
    const QDomElement Pg = FDom->Page(pn);
    for (QDomElement E = Pg.firstChildElement(); !E.isNull(); E = E.nextSiblingElement()) {
        if (FDom->Attr(E, u"Type"_s).toLower() != u"text"_s) continue;
        const TGeometry G = ItemGeometry(*FDom, E, FZoomfactor, FPrinterOffsetX, FPrinterOffsetY);
        const String Text = ItemText(E);
        auto* P = New<TPageItem>();
        P->cText = Text;
        P->DBRecord = pn;
        P->xpos = Nearest(PixelsPerMM * G.X);
        P->ypos = Nearest(PixelsPerMM * G.Y);
        FTextindex->AddObject(Text, P);
    }
}

void TRpXDocument::MakeTextIndex() {
    ClearTextIndex();
    if (!FDocumentLoaded) return;
    for (int i = 0; i < FPagecount; ++i) IndexOnePage(i);
}

void TRpXDocument::FindText(const String& cText, bool matchCase, TStrings* resList) {
    if (cText.isEmpty() || !resList) return;
    const Qt::CaseSensitivity Cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
    for (int i = 0; i < FTextindex->Count(); ++i) {
        const String& S = FTextindex->Strings(i);
        if (!S.contains(cText, Cs)) continue;
        const auto* Entry = static_cast<TPageItem*>(FTextindex->Objects(i));
        auto* Copy = New<TPageItem>();
        Copy->xpos = Entry->xpos;
        Copy->ypos = Entry->ypos;
        Copy->width = Entry->width;
        Copy->height = Entry->height;
        Copy->DBRecord = Entry->DBRecord;
        Copy->controlID = Entry->controlID;
        Copy->cText = Entry->cText;
        FSearchResults->AddObject(S, Copy);
        resList->AddObject(S, Copy);
    }
}

void TRpXDocument::ClearSearchResults() { FSearchResults->Clear(); }

bool TRpXDocument::SwapInText(const String& Text) {
    TDom Check;
    if (!Check.Parse(Text)) return false;
    return LoadDocumentText(Text);
}

namespace {

// Replaces in every text node below N (never in names or attributes).
void ReplaceIn(QDomNode N, const std::function<String(const String&)>& Fn) {
    for (QDomNode C = N.firstChild(); !C.isNull(); C = C.nextSibling()) {
        if (C.isText() || C.isCDATASection())
            C.setNodeValue(Fn(C.nodeValue()));
        else if (C.isElement())
            ReplaceIn(C, Fn);
    }
}

}  // namespace

bool TRpXDocument::ReplaceToken(const String& token, const String& replacement) {
    if (!FDocumentLoaded || token.isEmpty()) return false;
    // The rewrite works on a copy; the DOM escapes what it writes, so a replacement holding markup
    // characters stays text.
    QDomDocument Copy = FDom->Doc.cloneNode(true).toDocument();
    ReplaceIn(Copy.documentElement(), [&](const String& S) {
        String R = S;
        return R.replace(token, replacement);
    });
    return SwapInText(HeadText() + RootText(Copy.documentElement()));
}

bool TRpXDocument::ReNumberpages(const String& pagetoken, const String& counttoken) {
    if (!FDocumentLoaded) return false;
    QDomDocument Copy = FDom->Doc.cloneNode(true).toDocument();
    const QDomNodeList Pages = Copy.elementsByTagName(u"Page"_s);
    const int N = int(Pages.size());
    for (int i = 0; i < N; ++i) {
        const String Number = String::number(i + 1), Count = String::number(N);
        ReplaceIn(Pages.at(i), [&](const String& S) {
            String R = S;
            if (!pagetoken.isEmpty()) R.replace(pagetoken, Number);
            if (!counttoken.isEmpty()) R.replace(counttoken, Count);
            return R;
        });
    }
    return SwapInText(HeadText() + RootText(Copy.documentElement()));
}
