#include "grid/addons/xmlspreadsheetvz.h"

#include "platform/rtl/formatsettings.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

namespace {

String Attr(const String& Name, const String& Value) {
    return u' ' + Name + u"=\""_S + TXMLSpreadsheetExportVz::EscapeXMLAttr(Value) + u'"';
}

String Attr(const String& Name, Integer Value) { return Attr(Name, String::number(Value)); }

bool SameBorder(const TSpShBorderVz& A, const TSpShBorderVz& B) {
    return A.Line == B.Line && A.Weight == B.Weight && A.Color == B.Color;
}

// Equal look: everything but the number, the name and the merge spans.
bool SameLook(const TSpShStyleVz& A, const TSpShStyleVz& B) {
    for (int I = 0; I < 4; ++I)
        if (!SameBorder(A.Border[I], B.Border[I])) return false;
    return A.AlignmentHorizontal == B.AlignmentHorizontal && A.AlignmentVertical == B.AlignmentVertical &&
           A.AlignmentRotate == B.AlignmentRotate && A.AlignmentWrapText == B.AlignmentWrapText &&
           A.Interior.Pattern == B.Interior.Pattern && A.Interior.Color == B.Interior.Color &&
           A.Font.Name == B.Font.Name && A.Font.CharSet == B.Font.CharSet && A.Font.Family == B.Font.Family &&
           A.Font.Size == B.Font.Size && A.Font.Color == B.Font.Color && A.Font.Style == B.Font.Style &&
           A.SpShNumberFormat == B.SpShNumberFormat;
}

bool AllowedInXml(char32_t C) {
    if (C == 0x9 || C == 0xA || C == 0xD) return true;
    if (C < 0x20) return false;
    if (C >= 0xD800 && C <= 0xDFFF) return false;  // a lone half of a surrogate pair
    if (C == 0xFFFE || C == 0xFFFF) return false;
    return true;
}

String Escape(const String& Text, bool Attribute) {
    String R;
    R.reserve(Text.size());
    for (qsizetype I = 0; I < Text.size(); ++I) {
        QChar C = Text[I];
        if (C.isHighSurrogate() && I + 1 < Text.size() && Text[I + 1].isLowSurrogate()) {
            R += C;
            R += Text[++I];
            continue;
        }
        char16_t U = C.unicode();
        if (!AllowedInXml(U)) continue;
        switch (U) {
            case u'&': R += u"&amp;"_S; break;
            case u'<': R += u"&lt;"_S; break;
            case u'>': R += u"&gt;"_S; break;
            case u'"':
                if (Attribute) R += u"&quot;"_S;
                else R += C;
                break;
            default: R += C;
        }
    }
    return R;
}

}  // namespace

TXMLSpreadsheetExportVz::TXMLSpreadsheetExportVz() {
    TSpShStyleVz Default;
    InitializeStyle(Default);
    Default.StyleNum = 64;
    Default.StyleName = u"Default"_S;
    FStyles.push_back(Default);
}

void TXMLSpreadsheetExportVz::InitializeStyle(TSpShStyleVz& Style) { Style = TSpShStyleVz(); }

void TXMLSpreadsheetExportVz::SetFont(TSpShStyleVz& Style, TFont* Font) {
    Style.Font.Name = Font->Name();
    Style.Font.Size = Font->Size();
    Style.Font.Style = Font->Style();
    Style.Font.Color = Font->Color();
}

void TXMLSpreadsheetExportVz::Line(QByteArray& Out, const String& Text) {
    Out += Text.toUtf8();
    Out += "\r\n";
}

String TXMLSpreadsheetExportVz::EscapeXMLText(const String& Text) { return Escape(Text, false); }
String TXMLSpreadsheetExportVz::EscapeXMLAttr(const String& Text) { return Escape(Text, true); }

String TXMLSpreadsheetExportVz::ColorToHexRGB(TColor Color) {
    COLORREF Rgb = ColorToRGB(Color);
    return u'#' + String::asprintf("%02X%02X%02X", unsigned(Rgb & 0xFF), unsigned((Rgb >> 8) & 0xFF),
                                   unsigned((Rgb >> 16) & 0xFF));
}

void TXMLSpreadsheetExportVz::AddColumn(Integer ColumnWidth) {
    String Points = FloatToStr(Extended(ColumnWidth) * 72 / 96, TFormatSettings::Invariant());
    Line(u"    <Column"_S + Attr(u"ss:Width"_S, Points) + Attr(u"ss:AutoFitWidth"_S, 0) + u"/>"_S);
    ++FColCount;
}

void TXMLSpreadsheetExportVz::BeginRow() { Line(u"    <Row>"_S); }

void TXMLSpreadsheetExportVz::EndRow() {
    Line(u"    </Row>"_S);
    ++FRowCount;
}

void TXMLSpreadsheetExportVz::AddCell(const TSpShStyleVz& Style, const String& ColIndex, const String& CellValue,
                                      const String& CellType) {
    String Name = FindOrAddStyle(Style);
    String S = u"      <Cell"_S;
    if (!ColIndex.isEmpty()) S += Attr(u"ss:Index"_S, ColIndex);
    if (!Name.isEmpty() && Name != u"Default"_S) S += Attr(u"ss:StyleID"_S, Name);
    if (Style.MergeCells.ColSpan > 0) S += Attr(u"ss:MergeAcross"_S, Style.MergeCells.ColSpan);
    if (Style.MergeCells.RowSpan > 0) S += Attr(u"ss:MergeDown"_S, Style.MergeCells.RowSpan);
    S += u"><Data"_S + Attr(u"ss:Type"_S, CellType) + u'>' + EscapeXMLText(CellValue) + u"</Data></Cell>"_S;
    Line(S);
}

String TXMLSpreadsheetExportVz::FindOrAddStyle(const TSpShStyleVz& Style) {
    for (const TSpShStyleVz& S : FStyles)
        if (SameLook(S, Style)) return S.StyleName;
    TSpShStyleVz Copy = Style;
    if (Copy.StyleNum == 0) {
        Copy.StyleNum = FStyles.empty() ? 1 : FStyles.back().StyleNum + 1;
        Copy.StyleName = u's' + String::number(Copy.StyleNum);
    }
    FStyles.push_back(Copy);
    return Copy.StyleName;
}

void TXMLSpreadsheetExportVz::WriteWorkbookHeader(QByteArray& Out) {
    Line(Out, u"<?xml version=\"1.0\"?>"_S);
    Line(Out, u"<?mso-application progid=\"Excel.Sheet\"?>"_S);
    Line(Out, u"<Workbook xmlns=\"urn:schemas-microsoft-com:office:spreadsheet\""_S);
    Line(Out, u" xmlns:o=\"urn:schemas-microsoft-com:office:office\""_S);
    Line(Out, u" xmlns:x=\"urn:schemas-microsoft-com:office:excel\""_S);
    Line(Out, u" xmlns:ss=\"urn:schemas-microsoft-com:office:spreadsheet\""_S);
    Line(Out, u" xmlns:html=\"http://www.w3.org/TR/REC-html40\">"_S);
}

void TXMLSpreadsheetExportVz::WriteStyles(QByteArray& Out) {
    static const char16_t* const Positions[4] = {u"Left", u"Top", u"Right", u"Bottom"};
    Line(Out, u"  <Styles>"_S);
    for (const TSpShStyleVz& S : FStyles) {
        Line(Out, u"  <Style"_S + Attr(u"ss:ID"_S, S.StyleName) + u'>');
        if (!S.SpShNumberFormat.isEmpty())
            Line(Out, u"    <NumberFormat"_S + Attr(u"ss:Format"_S, S.SpShNumberFormat) + u"/>"_S);
        if (S.AlignmentHorizontal != haDefaultVz || S.AlignmentVertical != vaDefaultVz || S.AlignmentRotate != 0 ||
            S.AlignmentWrapText) {
            String A = u"    <Alignment"_S;
            static const char16_t* const H[] = {u"", u"Left", u"Right", u"Center"};
            static const char16_t* const V[] = {u"", u"Top", u"Center", u"Bottom"};
            if (S.AlignmentHorizontal != haDefaultVz) A += Attr(u"ss:Horizontal"_S, String::fromUtf16(H[S.AlignmentHorizontal]));
            if (S.AlignmentVertical != vaDefaultVz) A += Attr(u"ss:Vertical"_S, String::fromUtf16(V[S.AlignmentVertical]));
            if (S.AlignmentRotate != 0) A += Attr(u"ss:Rotate"_S, S.AlignmentRotate);
            if (S.AlignmentWrapText) A += Attr(u"ss:WrapText"_S, 1);
            Line(Out, A + u"/>"_S);
        }
        bool AnyBorder = false;
        for (const TSpShBorderVz& B : S.Border) AnyBorder = AnyBorder || B.Line != 0;
        if (AnyBorder) {
            Line(Out, u"    <Borders>"_S);
            for (int I = 0; I < 4; ++I) {
                const TSpShBorderVz& B = S.Border[I];
                if (B.Line == 0) continue;
                Line(Out, u"      <Border"_S + Attr(u"ss:LineStyle"_S, u"Continuous"_S) + Attr(u"ss:Weight"_S, B.Weight) +
                              Attr(u"ss:Position"_S, String::fromUtf16(Positions[I])) +
                              Attr(u"ss:Color"_S, ColorToHexRGB(B.Color)) + u"/>"_S);
            }
            Line(Out, u"    </Borders>"_S);
        }
        String F = u"    <Font"_S;
        if (!S.Font.Name.isEmpty()) F += Attr(u"ss:FontName"_S, S.Font.Name);
        if (S.Font.Style.Contains(fsBold)) F += Attr(u"ss:Bold"_S, 1);
        if (S.Font.Style.Contains(fsItalic)) F += Attr(u"ss:Italic"_S, 1);
        if (S.Font.Style.Contains(fsUnderline)) F += Attr(u"ss:Underline"_S, u"Single"_S);
        if (S.Font.Style.Contains(fsStrikeOut)) F += Attr(u"ss:StrikeThrough"_S, 1);
        if (S.Font.Color != clDefault) F += Attr(u"ss:Color"_S, ColorToHexRGB(S.Font.Color));
        F += Attr(u"ss:Size"_S, S.Font.Size);
        Line(Out, F + u"/>"_S);
        if (S.Interior.Color != clDefault)
            Line(Out, u"    <Interior"_S + Attr(u"ss:Color"_S, ColorToHexRGB(S.Interior.Color)) +
                          Attr(u"ss:Pattern"_S, u"Solid"_S) + u"/>"_S);
        Line(Out, u"  </Style>"_S);
    }
    Line(Out, u"  </Styles>"_S);
}

void TXMLSpreadsheetExportVz::ExportToStream(TStream* AStream) {
    QByteArray Out;
    WriteWorkbookHeader(Out);
    WriteStyles(Out);
    Line(Out, u"  <Worksheet"_S + Attr(u"ss:Name"_S, u"Sheet1"_S) + u'>');
    Line(Out, u"  <Table"_S + Attr(u"ss:ExpandedColumnCount"_S, FColCount) +
                  Attr(u"ss:ExpandedRowCount"_S, FRowCount) + Attr(u"x:FullColumns"_S, 1) +
                  Attr(u"x:FullRows"_S, 1) + u'>');
    Out += FXMLStream;
    Line(Out, u"  </Table>"_S);
    Line(Out, u"  </Worksheet>"_S);
    Line(Out, u"</Workbook>"_S);
    AStream->WriteBuffer(Out.constData(), static_cast<Integer>(Out.size()));
}
