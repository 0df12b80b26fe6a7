#include "platform/office/excel.h"

#include "platform/office/zipfile.h"
#include "platform/rtl/formatsettings.h"

#include <QDesktopServices>
#include <QDir>
#include <QGuiApplication>
#include <QHash>
#include <QTemporaryFile>
#include <QUrl>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>

namespace {

const String TextFormat = QStringLiteral("@");
const String GeneralFormat = QStringLiteral("General");

struct TServer {
    std::vector<TExcelApplicationRef> Running;
    TExcelFileOpener Opener;
    bool Available = true;
};

TServer& Server() {
    static TServer S;
    return S;
}

bool DefaultOpener(const String& FileName) {
    auto* App = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!App) return false;
    const String Platform = QGuiApplication::platformName();
    if (Platform == u"offscreen" || Platform == u"minimal") return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(FileName));
}

bool IsExcelClass(const String& ClassName) {
    return ClassName.compare(QStringLiteral("Excel.Application"), Qt::CaseInsensitive) == 0;
}

[[noreturn]] void InvalidIndex() { throw EOleException(QStringLiteral("Invalid index.")); }

// The text a user would see in the cell, for fitting the column.
String DisplayText(const TExcelCellData& C) {
    switch (C.Value.VType()) {
        case varEmpty:
        case varNull: return String();
        case varBoolean: return C.Value.AsBoolean() ? QStringLiteral("ИСТИНА") : QStringLiteral("ЛОЖЬ");
        case varDouble: {
            String S = QString::number(C.Value.AsDouble(), 'g', 15);
            S.replace(u'.', FormatSettings.DecimalSeparator);
            return S;
        }
        default: return C.Value.AsString();
    }
}

// The width of a cell's text in characters of the default font: bold type is a little wider, plus
// the cell's inner margins; 0 for a cell that shows nothing.
double TextWidth(const TExcelCellData& C) {
    const String T = DisplayText(C);
    return T.isEmpty() ? 0 : T.size() * (C.Bold ? 1.1 : 1.0) + 0.71;
}

// A text typed into a General cell that reads as a number in the local notation: an optional sign,
// digits, and optionally the decimal separator with more digits.
bool ReadsAsNumber(const String& Text, double& Value) {
    const String S = Text.trimmed();
    if (S.isEmpty()) return false;
    int i = 0;
    if (S[0] == u'-' || S[0] == u'+') ++i;
    int Digits = 0;
    bool Separator = false;
    String Plain = S.left(i);
    for (; i < S.size(); ++i) {
        const Char C = S[i];
        if (C >= u'0' && C <= u'9') {
            ++Digits;
            Plain += C;
        } else if (C == FormatSettings.DecimalSeparator && !Separator) {
            Separator = true;
            Plain += u'.';
        } else {
            return false;
        }
    }
    if (Digits == 0 || Plain.endsWith(u'.')) return false;
    bool Ok = false;
    Value = Plain.toDouble(&Ok);
    return Ok && std::isfinite(Value);
}

String XmlAttr(const String& Name, const String& Value) {
    return QStringLiteral(" %1=\"%2\"").arg(Name, XlsxEscape(Value));
}

String NumberText(double V) { return QString::number(V, 'g', QLocale::FloatingPointShortest); }

String XlsxUnescape(const String& S) {
    if (!S.contains(QStringLiteral("_x"))) return S;
    String R;
    for (int i = 0; i < S.size(); ++i) {
        if (S[i] == u'_' && i + 6 < S.size() && S[i + 1] == u'x' && S[i + 6] == u'_') {
            bool Ok = false;
            const uint Code = S.mid(i + 2, 4).toUInt(&Ok, 16);
            if (Ok) {
                R += QChar(static_cast<char16_t>(Code));
                i += 6;
                continue;
            }
        }
        R += S[i];
    }
    return R;
}

// (row, column) of "B12".
bool ParseRef(const String& Ref, int& Row, int& Col) {
    Col = 0;
    int i = 0;
    for (; i < Ref.size() && Ref[i].isLetter(); ++i) Col = Col * 26 + (Ref[i].toUpper().unicode() - u'A' + 1);
    bool Ok = false;
    Row = Ref.mid(i).toInt(&Ok);
    return Ok && Col >= 1 && Col <= TExcelWorksheet::MaxColumns && Row >= 1 && Row <= TExcelWorksheet::MaxRows;
}

QByteArray Utf8Of(const TZipBytes& B) { return QByteArray(reinterpret_cast<const char*>(B.data()), static_cast<qsizetype>(B.size())); }
TZipBytes BytesOf(const String& S) {
    const QByteArray U = S.toUtf8();
    return TZipBytes(U.begin(), U.end());
}

}  // namespace

String XlsxEscape(const String& S) {
    String R;
    R.reserve(S.size());
    for (int i = 0; i < S.size(); ++i) {
        const Char C = S[i];
        const char16_t U = C.unicode();
        if (C.isHighSurrogate() && i + 1 < S.size() && S[i + 1].isLowSurrogate()) {
            R += C;
            R += S[++i];
            continue;
        }
        if (C.isSurrogate() || U == 0xFFFE || U == 0xFFFF || (U < 0x20 && U != u'\t' && U != u'\n' && U != u'\r')) {
            R += QStringLiteral("_x%1_").arg(static_cast<uint>(U), 4, 16, QLatin1Char('0')).toUpper().replace(u'X', u'x');
            continue;
        }
        switch (U) {
            case u'&': R += QStringLiteral("&amp;"); break;
            case u'<': R += QStringLiteral("&lt;"); break;
            case u'>': R += QStringLiteral("&gt;"); break;
            case u'"': R += QStringLiteral("&quot;"); break;
            case u'\r': R += QStringLiteral("&#13;"); break;
            case u'_':
                // "_x0041_" would read back as "A": its underscore is escaped.
                if (i + 6 < S.size() && S[i + 1] == u'x' && S[i + 6] == u'_') {
                    bool Ok = false;
                    S.mid(i + 2, 4).toUInt(&Ok, 16);
                    if (Ok) {
                        R += QStringLiteral("_x005F_");
                        break;
                    }
                }
                R += C;
                break;
            default: R += C;
        }
    }
    return R;
}

String XlsxColumnName(int Col) {
    String R;
    while (Col > 0) {
        const int D = (Col - 1) % 26;
        R.prepend(QChar(u'A' + D));
        Col = (Col - 1) / 26;
    }
    return R;
}

// ---- font, cell, column ------------------------------------------------------------------------
bool TExcelFont::Bold() const {
    const TExcelCellData* C = FSheet->Find(FRow, FCol);
    return C && C->Bold;
}

void TExcelFont::SetBold(bool Value) {
    TExcelCellData& C = FSheet->Cell(FRow, FCol);
    const bool Fitted = FSheet->FFits.count(FCol) != 0;
    const double Before = Fitted ? TextWidth(C) : 0;
    C.Bold = Value;
    if (Fitted) FSheet->Refit(FCol, Before, TextWidth(C));
    FSheet->Changed();
}

Variant TExcelRange::Value() const {
    const TExcelCellData* C = FSheet->Find(FRow, FCol);
    return C ? C->Value : Variant();
}

void TExcelRange::SetValue(const Variant& V) {
    TExcelCellData& C = FSheet->Cell(FRow, FCol);
    const bool Fitted = FSheet->FFits.count(FCol) != 0;
    const double Before = Fitted ? TextWidth(C) : 0;
    switch (V.VType()) {
        case varEmpty:
        case varNull: C.Value = Variant(); break;
        case varBoolean: C.Value = V.AsBoolean(); break;
        case varSmallint: case varInteger: case varSingle: case varDouble: case varCurrency:
        case varDate: case varShortInt: case varByte: case varWord: case varLongWord:
        case varInt64: case varUInt64: case varFMTBcd:
            C.Value = V.AsDouble();
            break;
        default: {
            const String S = V.AsString();
            double D = 0;
            if (!C.TextFormat && ReadsAsNumber(S, D))
                C.Value = D;
            else
                C.Value = S;
        }
    }
    if (Fitted) FSheet->Refit(FCol, Before, TextWidth(C));
    FSheet->Changed();
}

String TExcelRange::NumberFormat() const {
    const TExcelCellData* C = FSheet->Find(FRow, FCol);
    return C && C->TextFormat ? TextFormat : GeneralFormat;
}

void TExcelRange::SetNumberFormat(const String& Format) {
    bool Text = false;
    if (Format == TextFormat)
        Text = true;
    else if (Format.compare(GeneralFormat, Qt::CaseInsensitive) != 0)
        throw EOleException(QStringLiteral("Unable to set the NumberFormat property of the Range class"));
    FSheet->Cell(FRow, FCol).TextFormat = Text;
    FSheet->Changed();
}

void TExcelColumn::AutoFit() {
    const double Width = FSheet->FitWidth(FCol);
    if (Width > 0)
        FSheet->FWidths[FCol] = std::min(255.0, std::round(Width * 100) / 100);
    else
        FSheet->FWidths.erase(FCol);
    FSheet->Changed();
}

double TExcelColumn::ColumnWidth() const {
    auto It = FSheet->FWidths.find(FCol);
    return It == FSheet->FWidths.end() ? 0 : It->second;
}

// ---- worksheet ---------------------------------------------------------------------------------
TExcelRange TExcelWorksheet::Cells(int Row, int Col) {
    FBook->FApp->CheckRunning();
    if (Row < 1 || Row > MaxRows || Col < 1 || Col > MaxColumns)
        throw EOleException(QStringLiteral("Application-defined or object-defined error"));
    return TExcelRange(this, Row, Col);
}

TExcelColumn TExcelWorksheet::Columns(int Col) {
    FBook->FApp->CheckRunning();
    if (Col < 1 || Col > MaxColumns) throw EOleException(QStringLiteral("Application-defined or object-defined error"));
    return TExcelColumn(this, Col);
}

TExcelCellData* TExcelWorksheet::Find(int Row, int Col) {
    auto It = FCells.find({Row, Col});
    return It == FCells.end() ? nullptr : &It->second;
}

TExcelCellData& TExcelWorksheet::Cell(int Row, int Col) {
    FBook->FApp->CheckRunning();
    return FCells[{Row, Col}];
}

void TExcelWorksheet::Changed() { FBook->FDirty = true; }

void TExcelWorksheet::Refit(int Col, double Before, double After) {
    TFit& F = FFits[Col];
    if (F.Stale) return;
    if (After >= F.Widest)
        F.Widest = After;
    else if (Before >= F.Widest)
        F.Stale = true;  // the widest text got narrower: the next fit looks at the column again
}

double TExcelWorksheet::FitWidth(int Col) {
    TFit& F = FFits[Col];
    if (F.Stale || F.Widest == 0) {
        F = TFit();
        for (const auto& [Key, C] : FCells)
            if (Key.second == Col) F.Widest = std::max(F.Widest, TextWidth(C));
    }
    return F.Widest;
}

// ---- workbook ----------------------------------------------------------------------------------
TExcelWorkbook::TExcelWorkbook(TExcelApplication* App, const String& Name) : FApp(App), FName(Name) {}
TExcelWorkbook::~TExcelWorkbook() = default;

TExcelWorksheet* TExcelWorkbook::Worksheets(int Index) {
    FApp->CheckRunning();
    if (Index < 1 || Index > WorksheetCount()) InvalidIndex();
    return FSheets[static_cast<std::size_t>(Index - 1)].get();
}

TExcelWorksheet* TExcelWorkbook::AddWorksheet(const String& Name) {
    FSheets.push_back(std::make_unique<TExcelWorksheet>(this, Name));
    FDirty = true;
    return FSheets.back().get();
}

namespace {

// Styles: 0 plain, 1 text format, 2 bold, 3 bold with text format (cellXfs in this order).
int StyleIndex(const TExcelCellData& C) { return (C.Bold ? 2 : 0) + (C.TextFormat ? 1 : 0); }

String SheetXml(const TExcelWorksheet& Sheet) {
    String X = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
        "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">");
    if (!Sheet.ColumnWidths().empty()) {
        X += QStringLiteral("<cols>");
        for (const auto& [Col, Width] : Sheet.ColumnWidths())
            X += QStringLiteral("<col min=\"%1\" max=\"%1\" width=\"%2\" bestFit=\"1\" customWidth=\"1\"/>")
                     .arg(Col)
                     .arg(NumberText(Width));
        X += QStringLiteral("</cols>");
    }
    X += QStringLiteral("<sheetData>");
    int Row = 0;
    for (const auto& [Key, C] : Sheet.CellData()) {
        if (Key.first != Row) {
            if (Row) X += QStringLiteral("</row>");
            Row = Key.first;
            X += QStringLiteral("<row r=\"%1\">").arg(Row);
        }
        const String Ref = XlsxColumnName(Key.second) + String::number(Key.first);
        const int S = StyleIndex(C);
        const String Style = S ? QStringLiteral(" s=\"%1\"").arg(S) : String();
        switch (C.Value.VType()) {
            case varEmpty: X += QStringLiteral("<c r=\"%1\"%2/>").arg(Ref, Style); break;
            case varBoolean:
                X += QStringLiteral("<c r=\"%1\"%2 t=\"b\"><v>%3</v></c>").arg(Ref, Style, C.Value.AsBoolean() ? u"1" : u"0");
                break;
            case varDouble:
                X += QStringLiteral("<c r=\"%1\"%2><v>%3</v></c>").arg(Ref, Style, NumberText(C.Value.AsDouble()));
                break;
            default:
                X += QStringLiteral("<c r=\"%1\"%2 t=\"inlineStr\"><is><t xml:space=\"preserve\">%3</t></is></c>")
                         .arg(Ref, Style, XlsxEscape(C.Value.AsString()));
        }
    }
    if (Row) X += QStringLiteral("</row>");
    X += QStringLiteral("</sheetData></worksheet>");
    return X;
}

const char* const StylesXml =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<fonts count=\"2\">"
    "<font><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/><charset val=\"204\"/></font>"
    "<font><b/><sz val=\"11\"/><name val=\"Calibri\"/><family val=\"2\"/><charset val=\"204\"/></font>"
    "</fonts>"
    "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill><fill><patternFill patternType=\"gray125\"/></fill></fills>"
    "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
    "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
    "<cellXfs count=\"4\">"
    "<xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
    "<xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>"
    "<xf numFmtId=\"49\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\" applyFont=\"1\"/>"
    "</cellXfs>"
    "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
    "</styleSheet>";

}  // namespace

void TExcelWorkbook::SaveAs(const String& FileName) {
    FApp->CheckRunning();
    const String Head = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n");
    const int N = WorksheetCount();
    String Types = Head + QStringLiteral(
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>");
    String Book = Head + QStringLiteral(
        "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>");
    String BookRels = Head + QStringLiteral("<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">");
    for (int i = 1; i <= N; ++i) {
        Types += QStringLiteral("<Override PartName=\"/xl/worksheets/sheet%1.xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>").arg(i);
        Book += QStringLiteral("<sheet%1 sheetId=\"%2\" r:id=\"rId%2\"/>").arg(XmlAttr(QStringLiteral("name"), FSheets[static_cast<std::size_t>(i - 1)]->Name())).arg(i);
        BookRels += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet%1.xml\"/>").arg(i);
    }
    Types += QStringLiteral("</Types>");
    Book += QStringLiteral("</sheets></workbook>");
    BookRels += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/></Relationships>").arg(N + 1);
    const String Rels = Head + QStringLiteral(
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/>"
        "</Relationships>");
    try {
        TZipFile Zip;
        Zip.Open(FileName, zmWrite);
        Zip.Add(BytesOf(Types), QStringLiteral("[Content_Types].xml"));
        Zip.Add(BytesOf(Rels), QStringLiteral("_rels/.rels"));
        Zip.Add(BytesOf(Book), QStringLiteral("xl/workbook.xml"));
        Zip.Add(BytesOf(BookRels), QStringLiteral("xl/_rels/workbook.xml.rels"));
        for (int i = 1; i <= N; ++i)
            Zip.Add(BytesOf(SheetXml(*FSheets[static_cast<std::size_t>(i - 1)])), QStringLiteral("xl/worksheets/sheet%1.xml").arg(i));
        Zip.Add(BytesOf(String::fromLatin1(StylesXml)), QStringLiteral("xl/styles.xml"));
        Zip.Close();
    } catch (const EZipException& E) {
        throw EOleException(E.Message());
    }
}

void TExcelWorkbook::LoadFromFile(const String& FileName) {
    auto Fail = [&] { throw EOleException(QStringLiteral("Cannot open the file \"%1\".").arg(FileName)); };
    try {
        TZipFile Zip;
        Zip.Open(FileName, zmRead);
        auto Part = [&](const String& Name) { return Zip.IndexOf(Name) >= 0 ? Utf8Of(Zip.Read(Name)) : QByteArray(); };

        // Styles: which cell formats are bold and which have the text format.
        std::vector<bool> BoldFonts;
        std::vector<std::pair<bool, bool>> Xfs;  // (text format, bold)
        {
            QXmlStreamReader R(Part(QStringLiteral("xl/styles.xml")));
            bool InFonts = false, InXfs = false;
            while (!R.atEnd()) {
                R.readNext();
                if (R.isStartElement()) {
                    const auto N = R.name();
                    if (N == u"fonts") InFonts = true;
                    else if (N == u"cellXfs") InXfs = true;
                    else if (InFonts && N == u"font") BoldFonts.push_back(false);
                    else if (InFonts && N == u"b" && !BoldFonts.empty())
                        BoldFonts.back() = R.attributes().value(QLatin1String("val")) != u"0" && R.attributes().value(QLatin1String("val")) != u"false";
                    else if (InXfs && N == u"xf") {
                        const int Font = R.attributes().value(QLatin1String("fontId")).toInt();
                        const bool Bold = Font >= 0 && Font < static_cast<int>(BoldFonts.size()) && BoldFonts[static_cast<std::size_t>(Font)];
                        Xfs.emplace_back(R.attributes().value(QLatin1String("numFmtId")).toInt() == 49, Bold);
                    }
                } else if (R.isEndElement()) {
                    if (R.name() == u"fonts") InFonts = false;
                    if (R.name() == u"cellXfs") InXfs = false;
                }
            }
        }
        // Shared strings.
        std::vector<String> Shared;
        {
            QXmlStreamReader R(Part(QStringLiteral("xl/sharedStrings.xml")));
            while (!R.atEnd()) {
                R.readNext();
                if (R.isStartElement() && R.name() == u"si") Shared.emplace_back();
                else if (R.isStartElement() && R.name() == u"t" && !Shared.empty())
                    Shared.back() += XlsxUnescape(R.readElementText());
            }
        }
        // Sheet parts by relationship id.
        QHash<String, String> Targets;
        {
            QXmlStreamReader R(Part(QStringLiteral("xl/_rels/workbook.xml.rels")));
            while (!R.atEnd()) {
                R.readNext();
                if (R.isStartElement() && R.name() == u"Relationship") {
                    String T = R.attributes().value(QLatin1String("Target")).toString();
                    T = T.startsWith(u'/') ? T.mid(1) : QStringLiteral("xl/") + T;
                    Targets.insert(R.attributes().value(QLatin1String("Id")).toString(), T);
                }
            }
        }
        std::vector<std::pair<String, String>> Sheets;  // name, part
        {
            const QByteArray Book = Part(QStringLiteral("xl/workbook.xml"));
            if (Book.isEmpty()) Fail();
            QXmlStreamReader R(Book);
            while (!R.atEnd()) {
                R.readNext();
                if (R.isStartElement() && R.name() == u"sheet") {
                    String Id;
                    for (const auto& A : R.attributes())
                        if (A.name() == u"id") Id = A.value().toString();
                    Sheets.emplace_back(XlsxUnescape(R.attributes().value(QLatin1String("name")).toString()), Targets.value(Id));
                }
            }
            if (R.hasError() || Sheets.empty()) Fail();
        }
        FSheets.clear();
        for (const auto& [Name, PartName] : Sheets) {
            TExcelWorksheet* Sheet = AddWorksheet(Name);
            QXmlStreamReader R(Part(PartName));
            TExcelCellData* C = nullptr;
            String Type;
            while (!R.atEnd()) {
                R.readNext();
                if (R.isStartElement()) {
                    const auto N = R.name();
                    if (N == u"c") {
                        int Row = 0, Col = 0;
                        if (!ParseRef(R.attributes().value(QLatin1String("r")).toString(), Row, Col)) Fail();
                        C = &Sheet->FCells[{Row, Col}];
                        Type = R.attributes().value(QLatin1String("t")).toString();
                        const int S = R.attributes().value(QLatin1String("s")).toInt();
                        if (S > 0 && S < static_cast<int>(Xfs.size())) {
                            C->TextFormat = Xfs[static_cast<std::size_t>(S)].first;
                            C->Bold = Xfs[static_cast<std::size_t>(S)].second;
                        }
                    } else if (N == u"col") {
                        const int Min = R.attributes().value(QLatin1String("min")).toInt();
                        const int Max = R.attributes().value(QLatin1String("max")).toInt();
                        const double W = R.attributes().value(QLatin1String("width")).toDouble();
                        for (int K = std::max(1, Min); K <= std::min(Max, TExcelWorksheet::MaxColumns) && W > 0; ++K) Sheet->FWidths[K] = W;
                    } else if (C && N == u"v") {
                        const String V = R.readElementText();
                        if (Type == u"s") {
                            const int I = V.toInt();
                            C->Value = I >= 0 && I < static_cast<int>(Shared.size()) ? Shared[static_cast<std::size_t>(I)] : String();
                        } else if (Type == u"b") {
                            C->Value = V == u"1";
                        } else if (Type == u"str" || Type == u"e") {
                            C->Value = XlsxUnescape(V);
                        } else {
                            C->Value = V.toDouble();
                        }
                    } else if (C && N == u"t" && Type == u"inlineStr") {
                        C->Value = C->Value.VType() == varEmpty ? Variant(XlsxUnescape(R.readElementText()))
                                                                : Variant(C->Value.AsString() + XlsxUnescape(R.readElementText()));
                    }
                } else if (R.isEndElement() && R.name() == u"c") {
                    C = nullptr;
                }
            }
            if (R.hasError()) Fail();
        }
    } catch (const EZipException&) {
        Fail();
    }
    FDirty = true;
}

// ---- workbooks ---------------------------------------------------------------------------------
TExcelWorkbook* TExcelWorkbooks::Add() {
    FApp->CheckRunning();
    auto Book = std::make_unique<TExcelWorkbook>(FApp, QStringLiteral("Книга%1").arg(FApp->FNextBook++));
    Book->AddWorksheet(QStringLiteral("Лист1"));
    FApp->FBooks.push_back(std::move(Book));
    FApp->FActive = FApp->FBooks.back().get();
    return FApp->FActive;
}

TExcelWorkbook* TExcelWorkbooks::Open(const String& FileName) {
    FApp->CheckRunning();
    auto Book = std::make_unique<TExcelWorkbook>(FApp, FileName.section(u'/', -1));
    Book->LoadFromFile(FileName);
    FApp->FBooks.push_back(std::move(Book));
    FApp->FActive = FApp->FBooks.back().get();
    return FApp->FActive;
}

int TExcelWorkbooks::Count() const {
    FApp->CheckRunning();
    return static_cast<int>(FApp->FBooks.size());
}

TExcelWorkbook* TExcelWorkbooks::Item(int Index) {
    FApp->CheckRunning();
    if (Index < 1 || Index > Count()) InvalidIndex();
    return FApp->FBooks[static_cast<std::size_t>(Index - 1)].get();
}

// ---- application -------------------------------------------------------------------------------
TExcelApplication::TExcelApplication() : FWorkbooks(std::make_unique<TExcelWorkbooks>(this)) {}
TExcelApplication::~TExcelApplication() = default;

void TExcelApplication::CheckRunning() const {
    if (FQuit) throw EOleSysError(QStringLiteral("The object invoked has disconnected from its clients"));
}

TExcelWorkbooks* TExcelApplication::Workbooks() {
    CheckRunning();
    return FWorkbooks.get();
}

TExcelWorkbook* TExcelApplication::ActiveWorkbook() {
    CheckRunning();
    if (!FActive) throw EOleException(QStringLiteral("There is no active workbook."));
    return FActive;
}

TExcelWorksheet* TExcelApplication::Worksheets(int Index) { return ActiveWorkbook()->Worksheets(Index); }

void TExcelApplication::SetVisible(bool Value) {
    CheckRunning();
    FVisible = Value;
    if (Value) ShowWorkbooks();
}

void TExcelApplication::ShowWorkbooks() {
    FLastShown.clear();
    for (auto& Book : FBooks) {
        if (!Book->FDirty) continue;
        QTemporaryFile Tmp(QDir::tempPath() + QStringLiteral("/%1-XXXXXX.xlsx").arg(Book->Name().section(u'.', 0, 0)));
        Tmp.setAutoRemove(false);
        if (!Tmp.open()) throw EOleException(QStringLiteral("Cannot create a temporary file: %1").arg(Tmp.errorString()));
        const String Name = Tmp.fileName();
        Tmp.close();
        Book->SaveAs(Name);
        Book->FShownFile = Name;
        Book->FDirty = false;
        const TExcelFileOpener& Opener = Server().Opener;
        Book->FShownOpened = Opener ? Opener(Name) : DefaultOpener(Name);
        FLastShown.push_back(Book.get());
    }
}

void TExcelApplication::Quit() {
    if (FQuit) return;
    FQuit = true;
    FVisible = false;
    FActive = nullptr;
    FLastShown.clear();
    FBooks.clear();
    auto& Running = Server().Running;
    Running.erase(std::remove_if(Running.begin(), Running.end(), [this](const TExcelApplicationRef& A) { return A.get() == this; }),
                  Running.end());
}

TExcelApplicationRef CreateOleObject(const String& ClassName) {
    if (!IsExcelClass(ClassName) || !Server().Available) throw EOleSysError(QStringLiteral("Invalid class string"));
    auto App = std::make_shared<TExcelApplication>();
    Server().Running.push_back(App);
    return App;
}

TExcelApplicationRef GetActiveOleObject(const String& ClassName) {
    if (!IsExcelClass(ClassName)) throw EOleSysError(QStringLiteral("Invalid class string"));
    auto& Running = Server().Running;
    if (Running.empty()) throw EOleSysError(QStringLiteral("Operation unavailable"));
    return Running.front();
}

TExcelFileOpener SetExcelFileOpener(TExcelFileOpener Opener) {
    TExcelFileOpener Old = std::move(Server().Opener);
    Server().Opener = std::move(Opener);
    return Old;
}

bool SetExcelAvailable(bool Available) {
    const bool Old = Server().Available;
    Server().Available = Available;
    return Old;
}
