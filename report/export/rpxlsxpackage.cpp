#include "report/export/rpxlsxpackage.h"

#include "platform/office/excel.h"
#include "platform/office/zipfile.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/formatsettings.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

#include <QLocale>

#include <cmath>

namespace {

const char* const XmlDecl = R"(<?xml version="1.0" encoding="utf-8"?>)";
const char* const SpreadsheetMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
const char* const RelationshipsNs = "http://schemas.openxmlformats.org/package/2006/relationships";
const char* const OfficeDocRels = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

constexpr int FirstCustomNumFmt = 164;

// The explicit formats of the currency formats, from 164 on.
String CurrencyFormatCode(TXLNumFormat Format) {
    String Sign = FormatSettings.CurrencyString;
    Sign.remove(u'"');
    const String Unit = QStringLiteral(" \"%1\"").arg(Sign);
    const String Int = QStringLiteral("#,##0") + Unit, Dec = QStringLiteral("#,##0.00") + Unit;
    switch (Format) {
        case nfCurrency: return Int;
        case nfCurrency2: return Int + QStringLiteral(";[Red]-") + Int;
        case nfCurrencyDec: return Dec;
        default: return Dec + QStringLiteral(";[Red]-") + Dec;
    }
}

bool IsDateFormat(TXLNumFormat F) { return (F >= nfDate1 && F <= nfDate4) || F == nfDateTime; }
bool IsTimeFormat(TXLNumFormat F) { return F >= nfTime1 && F <= nfTime4; }

bool NumberOf(String S, double& Value) {
    S = S.trimmed();
    const String Sign = FormatSettings.CurrencyString;
    if (!Sign.isEmpty()) {
        if (S.endsWith(Sign)) S.chop(Sign.size());
        else if (S.startsWith(Sign)) S.remove(0, Sign.size());
    }
    bool Percent = false;
    S = S.trimmed();
    if (S.endsWith(u'%')) {
        Percent = true;
        S.chop(1);
    }
    // Group separators: the local one and the blanks that stand for it.
    String Plain;
    for (const Char C : S)
        if (C != FormatSettings.ThousandSeparator && C != u' ' && C != QChar(0x00A0) && C != QChar(0x202F))
            Plain += C;
    if (FormatSettings.ThousandSeparator == FormatSettings.DecimalSeparator) Plain = S;
    Extended V = 0;
    if (!TryStrToFloat(Plain, V, FormatSettings) && !TryStrToFloat(Plain, V, TFormatSettings::Invariant()))
        return false;
    if (!std::isfinite(double(V))) return false;
    Value = double(Percent ? V / 100 : V);
    return true;
}

// The serial number of a date in the workbook's 1900 date system, which counts a 29 February 1900
// that never was: days before March 1900 are one less than the day number.
bool DateOf(const String& S, bool TimeOnly, double& Value) {
    TDateTime D = 0;
    if (TimeOnly ? !TryStrToTime(S.trimmed(), D) : !TryStrToDateTime(S.trimmed(), D)) return false;
    if (!std::isfinite(D)) return false;
    if (D >= 1 && D < 2) return false;  // 31 December 1899: before the first serial day
    if (D >= 2 && D < 61) D -= 1;
    if (D < 0) return false;
    Value = D;
    return true;
}

String Attr(const char* Name, const String& Value) {
    return QStringLiteral(" %1=\"%2\"").arg(QLatin1String(Name), XlsxEscape(Value));
}

QByteArray PartBytes(const QStringList& Lines) {
    QByteArray B("\xEF\xBB\xBF");
    for (const String& L : Lines) {
        B += L.toUtf8();
        B += "\r\n";
    }
    return B;
}

// The text of a cell: XML's characters escaped; blanks at either end are kept.
String InlineText(const String& Text) {
    const bool Blanks = !Text.isEmpty() && (Text.front().isSpace() || Text.back().isSpace());
    return (Blanks ? QStringLiteral("<x:t xml:space=\"preserve\">") : QStringLiteral("<x:t>")) + XlsxEscape(Text) +
           QStringLiteral("</x:t>");
}

}  // namespace

int XLSXNumFmtId(TXLNumFormat Format) {
    switch (Format) {
        case nfCurrency: return FirstCustomNumFmt;
        case nfCurrency2: return FirstCustomNumFmt + 1;
        case nfCurrencyDec: return FirstCustomNumFmt + 2;
        case nfCurrencyDec2: return FirstCustomNumFmt + 3;
        default: break;
    }
    // General to the integer and two-decimal group formats, and the two percent formats, have the
    // built-in ids of their ordinals; from the fractions on the built-in ids run one higher (11 is
    // the scientific format, which the report formats do not have).
    const int N = int(Format);
    return N <= int(nfPercentDec2) ? N : N + 1;
}

bool XLSXNumberValue(const String& Text, TXLNumFormat Format, double& Value) {
    if (IsDateFormat(Format)) return DateOf(Text, false, Value) || NumberOf(Text, Value);
    if (IsTimeFormat(Format)) return DateOf(Text, true, Value) || DateOf(Text, false, Value) || NumberOf(Text, Value);
    return NumberOf(Text, Value);
}

String XLSXNumberText(double Value) {
    if (Value == 0) return QStringLiteral("0");
    return QString::number(Value, 'g', QLocale::FloatingPointShortest);
}

String XLSXValidSheetName(const String& Name) {
    String R;
    for (const Char C : Name) {
        static const String Bad = QStringLiteral("[]:*?/\\");
        R += (Bad.contains(C) || C.unicode() < 0x20) ? Char(u'_') : C;
    }
    if (R.startsWith(u'\'')) R[0] = u'_';
    if (R.size() > 31) {
        R.truncate(31);
        if (R.back().isHighSurrogate()) R.chop(1);
    }
    if (R.endsWith(u'\'')) R.back() = u'_';
    if (R.trimmed().isEmpty()) R = QStringLiteral("Untitled Sheet");
    return R;
}

String XLSXColorToARGB(TColor Color) {
    const COLORREF C = ColorToRGB(Color);
    return QStringLiteral("FF%1%2%3")
        .arg(GetRValue(C), 2, 16, QChar(u'0'))
        .arg(GetGValue(C), 2, 16, QChar(u'0'))
        .arg(GetBValue(C), 2, 16, QChar(u'0'))
        .toUpper();
}

// ---- the package -----------------------------------------------------------------------------------

TRpXLSXPackage::TRpXLSXPackage() {
    FFonts << QStringLiteral(R"(<font><sz val="10"/><name val="Arial"/><color rgb="FF000000"/></font>)");
    FFills << QStringLiteral(R"(<fill><patternFill patternType="none"/></fill>)")
           << QStringLiteral(R"(<fill><patternFill patternType="solid"><fgColor rgb="BADBADEF"/></patternFill></fill>)")
           << QStringLiteral(R"(<fill><patternFill patternType="solid"><fgColor rgb="FADEFADE"/></patternFill></fill>)");
    FCellFormats << QStringLiteral(R"(<xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>)");
}

namespace {
int IndexOrAppend(QStringList& Table, const String& Entry) {
    const int I = int(Table.indexOf(Entry));
    if (I >= 0) return I;
    Table << Entry;
    return int(Table.size()) - 1;
}
}  // namespace

int TRpXLSXPackage::FontIndex(const String& Name, bool Bold, bool Italic, int Size, const String& ARGB) {
    String E = QStringLiteral("<font>");
    if (Bold) E += QStringLiteral("<b/>");
    if (Italic) E += QStringLiteral("<i/>");
    E += QStringLiteral("<sz%1/><name%2/><color%3/></font>")
             .arg(Attr("val", String::number(Size)), Attr("val", Name), Attr("rgb", ARGB));
    return IndexOrAppend(FFonts, E);
}

int TRpXLSXPackage::FillIndex(const String& ARGB) {
    return IndexOrAppend(FFills, QStringLiteral("<fill><patternFill patternType=\"solid\"><fgColor%1/></patternFill></fill>")
                                     .arg(Attr("rgb", ARGB)));
}

int TRpXLSXPackage::CellFormatIndex(TXLNumFormat Format, int FontId, int FillId, TAlignment Alignment) {
    const int NumFmt = XLSXNumFmtId(Format);
    if (NumFmt >= FirstCustomNumFmt && std::find(FUsedNumFmts.begin(), FUsedNumFmts.end(), NumFmt) == FUsedNumFmts.end())
        FUsedNumFmts.push_back(NumFmt);
    const char* H = Alignment == taLeftJustify ? "left" : Alignment == taRightJustify ? "right" : "center";
    return IndexOrAppend(FCellFormats,
                         QStringLiteral("<xf numFmtId=\"%1\" fontId=\"%2\" fillId=\"%3\" borderId=\"0\" xfId=\"0\">"
                                        "<alignment vertical=\"center\" horizontal=\"%4\"/></xf>")
                             .arg(NumFmt)
                             .arg(FontId)
                             .arg(FillId)
                             .arg(QLatin1String(H)));
}

void TRpXLSXPackage::AddColumnWidth(int StartCol, int EndCol, double Width) {
    FColWidths << QStringLiteral("  <x:col min=\"%1\" max=\"%2\" width=\"%3\" customWidth=\"1\"/>")
                      .arg(StartCol)
                      .arg(EndCol)
                      .arg(XLSXNumberText(Width));
}

void TRpXLSXPackage::BeginRow() { FRows << QStringLiteral("   <x:row>"); }
void TRpXLSXPackage::EndRow() { FRows << QStringLiteral("   </x:row>"); }

void TRpXLSXPackage::AddTextCell(const String& Ref, const String& Text, int Style) {
    FRows << QStringLiteral("    <x:c%1 t=\"inlineStr\"%2><x:is>%3 </x:is></x:c>")
                 .arg(Attr("r", Ref), Attr("s", String::number(Style)), InlineText(Text));
}

void TRpXLSXPackage::AddNumberCell(const String& Ref, const String& Text, TXLNumFormat Format, int Style) {
    double V = 0;
    if (!XLSXNumberValue(Text, Format, V)) {
        AddTextCell(Ref, Text, Style);
        return;
    }
    FRows << QStringLiteral("    <x:c%1%2><x:v>%3</x:v></x:c>")
                 .arg(Attr("r", Ref), Attr("s", String::number(Style)), XLSXNumberText(V));
}

void TRpXLSXPackage::AddFormulaCell(const String& Ref, const String& Text, int Style) {
    String F = Text.trimmed();
    if (F.startsWith(u'=')) F.remove(0, 1);
    FRows << QStringLiteral("    <x:c%1%2><x:f>%3</x:f></x:c>")
                 .arg(Attr("r", Ref), Attr("s", String::number(Style)), XlsxEscape(F));
}

QStringList TRpXLSXPackage::ContentTypes() const {
    const String Ml = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.");
    return {QLatin1String(XmlDecl),
            QStringLiteral("<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"),
            QStringLiteral("    <Default Extension=\"xml\" ContentType=\"%1sheet.main+xml\"/>").arg(Ml),
            QStringLiteral("    <Default Extension=\"rels\" "
                           "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"),
            QStringLiteral("    <Override PartName=\"/xl/worksheets/sheet.xml\" ContentType=\"%1worksheet+xml\"/>").arg(Ml),
            QStringLiteral("    <Override PartName=\"/xl/styles.xml\" ContentType=\"%1styles+xml\"/>").arg(Ml),
            QStringLiteral("</Types>")};
}

QStringList TRpXLSXPackage::Rels() const {
    return {QLatin1String(XmlDecl), QStringLiteral("<Relationships xmlns=\"%1\">").arg(QLatin1String(RelationshipsNs)),
            QStringLiteral("    <Relationship Type=\"%1/officeDocument\" Target=\"/xl/workbook.xml\" "
                           "Id=\"R9e4add5772f8421c\"/>")
                .arg(QLatin1String(OfficeDocRels)),
            QStringLiteral("</Relationships>")};
}

QStringList TRpXLSXPackage::WorkbookRels() const {
    return {QLatin1String(XmlDecl), QStringLiteral("<Relationships xmlns=\"%1\">").arg(QLatin1String(RelationshipsNs)),
            QStringLiteral("    <Relationship Type=\"%1/worksheet\" Target=\"/xl/worksheets/sheet.xml\" Id=\"rId1\"/>")
                .arg(QLatin1String(OfficeDocRels)),
            QStringLiteral("    <Relationship Target=\"/xl/styles.xml\" Type=\"%1/styles\" Id=\"rId2\"/>")
                .arg(QLatin1String(OfficeDocRels)),
            QStringLiteral("</Relationships>")};
}

QStringList TRpXLSXPackage::Workbook(const String& SheetName) const {
    return {QLatin1String(XmlDecl),
            QStringLiteral("<x:workbook xmlns:r=\"%1\" xmlns:x=\"%2\">")
                .arg(QLatin1String(OfficeDocRels), QLatin1String(SpreadsheetMain)),
            QStringLiteral("    <x:sheets>"),
            QStringLiteral("        <x:sheet%1 sheetId=\"1\" r:id=\"rId1\"/>").arg(Attr("name", XLSXValidSheetName(SheetName))),
            QStringLiteral("    </x:sheets>"), QStringLiteral("</x:workbook>")};
}

QStringList TRpXLSXPackage::Styles() const {
    QStringList L{QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"),
                  QStringLiteral("<styleSheet xmlns=\"%1\" "
                                 "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
                                 "mc:Ignorable=\"x14ac\" "
                                 "xmlns:x14ac=\"http://schemas.microsoft.com/office/spreadsheetml/2009/9/ac\">")
                      .arg(QLatin1String(SpreadsheetMain))};
    if (!FUsedNumFmts.empty()) {
        L << QStringLiteral("<numFmts count=\"%1\" >").arg(FUsedNumFmts.size());
        for (const int Id : FUsedNumFmts)
            L << QStringLiteral("<numFmt numFmtId=\"%1\"%2/>")
                     .arg(Id)
                     .arg(Attr("formatCode", CurrencyFormatCode(TXLNumFormat(int(nfCurrency) + Id - FirstCustomNumFmt))));
        L << QStringLiteral("</numFmts>");
    }
    L << QStringLiteral("<fonts count=\"%1\" >").arg(FFonts.size()) << FFonts << QStringLiteral("</fonts>");
    L << QStringLiteral("<fills count=\"%1\" >").arg(FFills.size()) << FFills << QStringLiteral("</fills>");
    L << QStringLiteral("<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>");
    L << QStringLiteral(R"(<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>)");
    L << QStringLiteral("<cellXfs count=\"%1\" >").arg(FCellFormats.size()) << FCellFormats << QStringLiteral("</cellXfs>");
    L << QStringLiteral("</styleSheet>");
    return L;
}

QStringList TRpXLSXPackage::Sheet() const {
    QStringList L{QLatin1String(XmlDecl),
                  QStringLiteral("<x:worksheet xmlns:x=\"%1\">").arg(QLatin1String(SpreadsheetMain))};
    if (!FColWidths.isEmpty()) L << QStringLiteral("<x:cols>") << FColWidths << QStringLiteral("</x:cols>");
    L << QStringLiteral("    <x:sheetData>") << FRows << QStringLiteral(" </x:sheetData>") << QStringLiteral(" </x:worksheet>");
    return L;
}

namespace {
void AddParts(TZipFile& Zip, const TRpXLSXPackage& P, const String& SheetName) {
    const std::pair<const char*, QStringList> Parts[] = {
        {"[Content_Types].xml", P.ContentTypes()}, {"_rels/.rels", P.Rels()},
        {"xl/_rels/workbook.xml.rels", P.WorkbookRels()}, {"xl/workbook.xml", P.Workbook(SheetName)},
        {"xl/styles.xml", P.Styles()}, {"xl/worksheets/sheet.xml", P.Sheet()}};
    for (const auto& [Name, Lines] : Parts) {
        const QByteArray B = PartBytes(Lines);
        Zip.Add(TZipBytes(B.begin(), B.end()), QLatin1String(Name), zcDeflate);
    }
    Zip.Close();
}
}  // namespace

void TRpXLSXPackage::SaveToFile(const String& FileName, const String& SheetName) const {
    TZipFile Zip;
    Zip.Open(FileName, zmWrite);
    AddParts(Zip, *this, SheetName);
}

void TRpXLSXPackage::SaveToStream(TStream* Stream, const String& SheetName) const {
    TZipFile Zip;
    Zip.Open(Stream);
    AddParts(Zip, *this, SheetName);
}
