// Shared by the units of the XML report document (not included elsewhere): the DOM, attribute
// reading with the type definition's defaults, numbers and colours of the format, item geometry.
#pragma once

#include "platform/gui/graphics.h"
#include "report/export/rpxdocument.h"

#include <QByteArray>
#include <QDomDocument>
#include <QDomElement>
#include <QHash>

#include <cmath>

struct TRpXDocument::TDom {
    QDomDocument Doc;
    // Attribute defaults declared by the document's type definition: element name -> (attribute
    // name -> value). Empty for a document without one (read back from SaveToStream).
    QHash<String, QHash<String, String>> Defaults;

    // Parses a text; false when it is not a well-formed document. The DOM changes only on success.
    bool Parse(const String& Text);
    // An attribute, or the declared default; Has tells whether either exists.
    String Attr(const QDomElement& E, const String& Name, bool* Has = nullptr) const;
    bool HasAttr(const QDomElement& E, const String& Name) const {
        bool Has = false;
        Attr(E, Name, &Has);
        return Has;
    }
    // The Page elements in document order.
    QDomElement Page(int Index) const;
    int PageCount() const;
};

namespace rpxdoc {

// nearest(): to the nearest integer, a half to the even neighbour.
inline int Nearest(double V) {
    const double R = std::nearbyint(V);  // the default rounding mode: ties to even
    if (!(R > -2147483648.0 && R < 2147483647.0)) return R > 0 ? 2147483647 : (R < 0 ? -2147483647 : 0);
    return static_cast<int>(R);
}
inline int Trunc(double V) {
    const double R = std::trunc(V);
    if (!(R > -2147483648.0 && R < 2147483647.0)) return R > 0 ? 2147483647 : (R < 0 ? -2147483647 : 0);
    return static_cast<int>(R);
}

// A number of the format: "." as the separator (a "," is read too); EConvertError otherwise.
double ToFloat(const String& S);
int ToInt(const String& S);
// "#RRGGBB" or "RRGGBB"; EConvertError otherwise.
TColor WebColor(const String& S);
// "#RRGGBB" of a colour.
String ColorHex(TColor C);

// Hexadecimal digit pairs (0-9, A-F; everything else skipped) to bytes; an unpaired last digit is
// dropped.
QByteArray HexToBytes(const String& Text);

// Pages larger than this (pixels) are not drawn: a damaged header must not exhaust the memory.
constexpr qint64 MaxPagePixels = 80'000'000;
// The largest picture a document item may unpack to: a bitmap of the largest page at 32 bits a
// pixel and its headers. Anything beyond is a damaged or hostile stream.
constexpr Int64 MaxPictureBytes = MaxPagePixels * 4 + 65536;

// The picture bytes of an image item: its hexadecimal text as it is ("None"), run-length ("RLE")
// or LZW packed ("LZW"), any case. An LZW stream stops at MaxBytes of output (what was decoded
// so far stays) and at its first fault. Empty for another packing.
QByteArray ItemPictureData(const String& Cmp, const String& Text, Int64 MaxBytes = MaxPictureBytes);

// The item's geometry at the document's zoom and printer offsets; reading stops silently at the
// first bad attribute.
struct TGeometry {
    double X = 0, Y = 0, W = 0, H = 0;
    int LY = 0;
    TColor Color = TColor(0xFFFFFF);
};
TGeometry ItemGeometry(const TRpXDocument::TDom& Dom, const QDomElement& E, double Zoom, double OffsetX,
                       double OffsetY);

// The item's text content.
String ItemText(const QDomElement& E);

// The prolog of a new document: declaration, stylesheet and type definition, lines ending in CR LF.
String HeadText();
// An element's XML text.
String RootText(const QDomElement& Root);

// Cuts a text at a separator: each piece trimmed, empty pieces dropped.
QStringList SplitList(const String& Text, QChar Sep);

}  // namespace rpxdoc
