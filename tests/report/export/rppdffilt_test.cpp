#include "report/export/rppdffilt.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/canvas.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"
#include "report/export/pdfconst.h"
#include "report/export/rpencoders.h"
#include "report/export/rpexportfilters.h"
#include "report/rpdbtexts.h"
#include "report/rpgrimage.h"
#include "report/rplabels.h"
#include "report/rpprintersettings.h"
#include "report/rpreport.h"
#include "report/rpshapes.h"

#include "../../support/tools.h"
#include "support/report_page.h"
#include "support/safefile_check.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <array>

namespace {

using namespace Qt::StringLiterals;

using sdelka::test::RunTool;
using sdelka::test::TRun;

// The checks of a PDF reader: qpdf finds no error, and the text poppler extracts.
void ExpectSound(const String& File) {
    const TRun Q = RunTool(u"qpdf"_s, {u"--check"_s, File});
    EXPECT_EQ(Q.Code, 0) << Q.Out.toStdString() << Q.Err.toStdString();
    EXPECT_TRUE(Q.Out.contains("No syntax or stream encoding errors found")) << Q.Out.toStdString();
}

String PdfText(const String& File) {
    const TRun T = RunTool(u"pdftotext"_s, {u"-enc"_s, u"UTF-8"_s, File, u"-"_s});
    EXPECT_EQ(T.Code, 0) << T.Err.toStdString();
    return String::fromUtf8(T.Out);
}

int PdfPages(const String& File) {
    const TRun I = RunTool(u"pdfinfo"_s, {File});
    const auto M = QRegularExpression(u"Pages:\\s+(\\d+)"_s).match(String::fromUtf8(I.Out));
    return M.hasMatch() ? M.captured(1).toInt() : -1;
}

// A filter driven by hand, without a report, writing into its memory stream.
struct Driven {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(String());
    TOwned<TFont> Font = NewOwned<TFont>();
    Driven() {
        F->SetSuppressDateTime(true);
        F->Start(2100, 2970, Font.get());
        Font->SetName(u"Arial"_s);
        Font->SetSize(10);
    }
    ~Driven() {
        if (F->Stream()) F->Stream()->Free();
        F->SetSuppressDateTime(false);
    }
    QByteArray Finish() {
        F->Finish();
        auto* M = static_cast<TMemoryStream*>(F->Stream());
        return QByteArray(static_cast<const char*>(M->Memory()), qsizetype(M->Size()));
    }
    TRpShape* Shape(TRpShapeType T, int W, int H) {
        auto* S = New<TRpShape>(Root.get());
        S->SetShape(T);
        S->SetBounds(0, 0, W, H);
        return S;
    }
};

// The content stream of page N (from 0) of a document.
QByteArray Content(const QByteArray& Doc, int N) {
    const QByteArray Head = QByteArray::number(2 * N + 5) + " 0 obj\r\n<< /Length ";
    const qsizetype At = Doc.indexOf(Head);
    if (At < 0) return QByteArray();
    const qsizetype LenAt = At + Head.size();
    const int Len = Doc.mid(LenAt, Doc.indexOf(' ', LenAt) - LenAt).toInt();
    const qsizetype Data = Doc.indexOf("stream\r\n", LenAt) + 8;
    return Doc.mid(Data, Len);
}

TEST(RpPDFDocumentFilter, ATextPageHasItsFontsOffsetsAndTrailer) {
    Driven D;
    D.F->TextOut(100, 200, D.Font.get(), clWhite, taLeftJustify, u"Total (net) €5 \\ 2"_s);
    const QByteArray Doc = D.Finish();
    EXPECT_TRUE(Doc.startsWith("%PDF-1.3\r\n%\xC5\xAD\x6F\x81\r\n1 0 obj\r\n"));
    const QByteArray C = Content(Doc, 0);
    EXPECT_TRUE(C.contains("(Total \\(net\\) \\2005 \\\\ 2) Tj\r\n")) << C.toStdString();
    EXPECT_TRUE(C.startsWith("BT\r\n0.00 0.00 0.00 rg\r\n/F00 10 Tf\r\n")) << C.toStdString();
    EXPECT_TRUE(C.endsWith("ET\r\n"));
    // Text only: "BT" and the text block, each with its line end.
    EXPECT_TRUE(Doc.contains("<< /Length " + QByteArray::number(C.size()) + " >>"));

    // Every cross-reference offset points at its object; the trailer names the information object.
    const qsizetype X = Doc.lastIndexOf("\r\nxref\r\n") + 2;
    EXPECT_TRUE(Doc.endsWith("startxref\r\n" + QByteArray::number(X) + "\r\n%%EOF\r\n"));
    const QList<QByteArray> Lines = Doc.mid(X).split('\n');
    const int Count = Lines[1].trimmed().split(' ')[1].toInt();
    for (int i = 1; i < Count; ++i) {
        const QByteArray E = Lines[2 + i];
        ASSERT_EQ(E.size(), 19) << i;  // 20 bytes with the CR LF
        EXPECT_TRUE(Doc.mid(E.left(10).toLongLong()).startsWith(QByteArray::number(i) + " 0 obj\r\n")) << i;
    }
    EXPECT_TRUE(Doc.contains("/Size " + QByteArray::number(Count) + "\r\n/Root 1 0 R\r\n/Info " +
                             QByteArray::number(Count - 2) + " 0 R"));
    EXPECT_FALSE(Doc.contains("/CreationDate"));
    EXPECT_TRUE(Doc.contains("/Producer (Raport PDF Export)\r\n/Subject ( )\r\n/Creator (Raport)\r\n"));
}

TEST(RpPDFDocumentFilter, DocumentInformationIsEscapedAndDated) {
    Driven D;
    D.F->SetSuppressDateTime(false);
    D.F->SetDocumentInfo(u"Сделка"_s, u"a)b"_s, u"Табель (май)"_s, String());
    TOwned<TStringList> Meta = NewOwned<TStringList>();
    for (const String& S : {u"Keywords, report"_s, u"a,b,c"_s, u"single"_s, u"x/y,(v)"_s}) Meta->Add(S);
    D.F->SetMetaData(Meta.get());
    const QByteArray Doc = D.Finish();
    D.F->SetMetaData(nullptr);
    EXPECT_TRUE(QRegularExpression(u"/CreationDate \\(D:\\d{14}\\)\r\n"_s).match(String::fromLatin1(Doc)).hasMatch());
    EXPECT_TRUE(Doc.contains("/Author (a\\)b)\r\n"));
    EXPECT_TRUE(Doc.contains("/Keywords(report)\r\n"));
    EXPECT_TRUE(Doc.contains("/xy(\\(v\\))\r\n"));
    EXPECT_FALSE(Doc.contains("/a(")) ;
    EXPECT_FALSE(Doc.contains("/single"));

    QTemporaryDir Dir;
    const String File = Dir.filePath(u"info.pdf"_s);
    QFile Out(File);
    ASSERT_TRUE(Out.open(QIODevice::WriteOnly));
    Out.write(Doc);
    Out.close();
    ExpectSound(File);
    const TRun I = RunTool(u"pdfinfo"_s, {File});
    EXPECT_TRUE(String::fromUtf8(I.Out).contains(u"Табель (май)"_s)) << I.Out.toStdString();
    EXPECT_TRUE(String::fromUtf8(I.Out).contains(u"Сделка"_s));
}

TEST(RpPDFDocumentFilter, BaseFourteenNamesFollowTheFontMap) {
    Driven D;
    auto K = [](const char16_t* Name, bool B, bool I) { return TRpPDFDocumentFilter::FontKey(String::fromUtf16(Name), B, I, 0); };
    EXPECT_EQ(K(u" Times New Roman ", true, true), u"Times New Roman\tBI\t0\tTimesNewRoman,BoldItalic"_s);
    struct Case {
        const char16_t* Name;
        bool Bold, Italic;
        const char16_t* Base;
    };
    for (const Case& C : std::initializer_list<Case>{{u"Arial", false, false, u"Helvetica"},
                                                    {u"Arial", true, true, u"Helvetica-BoldOblique"},
                                                    {u"Arial Narrow", false, false, u"Courier"},
                                                    {u"Times New Roman", true, true, u"Times-BoldItalic"},
                                                    {u"Times New Roman", false, true, u"Times-Italic"},
                                                    {u"Courier New", false, true, u"Courier-Oblique"},
                                                    {u"Tahoma", false, false, u"Courier"}})
        EXPECT_EQ(D.F->Base14Name(K(C.Name, C.Bold, C.Italic)), String::fromUtf16(C.Base)) << String::fromUtf16(C.Name).toStdString();
    D.F->AddFontMap(u" Verdana : Helvetica-Bold "_s);
    D.F->AddFontMap(u"Arial:Times"_s);
    EXPECT_EQ(D.F->SubstitutedFonts()->Strings(3), u"Verdana:Helvetica-Bold"_s);
    EXPECT_EQ(D.F->Base14Name(K(u"Verdana", true, false)), u"Helvetica-Bold"_s);
    EXPECT_EQ(D.F->Base14Name(K(u"Arial", false, false)), u"Helvetica"_s);
}

TEST(RpPDFDocumentFilter, CyrillicTakesTheTrueTypePathWithDifferencesOfItsCodePage) {
    Driven D;
    D.F->SetFontHandling(fhSubstitute);
    D.F->TextOut(100, 200, D.Font.get(), clWhite, taLeftJustify, u"Latin"_s);
    D.F->TextOut(100, 400, D.Font.get(), clWhite, taLeftJustify, u"Сдельная оплата"_s);
    const QByteArray Doc = D.Finish();
    EXPECT_TRUE(Doc.contains("/BaseFont /Helvetica\r\n/Encoding /WinAnsiEncoding"));
    EXPECT_TRUE(Doc.contains("/Subtype /TrueType\r\n/Name /F01\r\n/BaseFont /Arial\r\n"));
    EXPECT_TRUE(Doc.contains("/Encoding  <</Type/Encoding /Differences [ 2 /"));
    EXPECT_TRUE(Doc.contains("/afii10017/afii10018/afii10019"));  // А Б В at 192..194 of code page 1251
    EXPECT_TRUE(Doc.contains("/space/exclam/quotedbl"));
    EXPECT_TRUE(Doc.contains("/FontFile2 "));
    // The run itself is in code page 1251.
    EXPECT_TRUE(Content(Doc, 0).contains("(\xD1\xE4\xE5\xEB\xFC\xED\xE0\xFF \xEE\xEF\xEB\xE0\xF2\xE0) Tj"));
    EXPECT_STREQ(PDFGlyphName(0x00A0), "space");
    EXPECT_STREQ(PDFGlyphName(0x20AC), "Euro");
    EXPECT_STREQ(PDFGlyphName(0x0410), "afii10017");
}

// Western and Cyrillic runs of one face are two font resources (their own widths and encodings)
// over one embedded file; another style is another file.
TEST(RpPDFDocumentFilter, AFontFileIsEmbeddedOnceForAllItsCodePages) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"fonts.pdf"_s);
    {
        TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(File);
        TOwned<TFont> Font = NewOwned<TFont>();
        Font->SetName(u"Arial"_s);
        Font->SetSize(10);
        F->SetFontHandling(fhAutoEmbed);
        F->Start(2100, 2970, Font.get());
        F->TextOut(100, 200, Font.get(), clWhite, taLeftJustify, u"Piece rate"_s);
        F->TextOut(100, 400, Font.get(), clWhite, taLeftJustify, u"Сдельная оплата"_s);
        F->TextOut(100, 300, Font.get(), clWhite, taLeftJustify, u"Наряд на смену"_s);
        Font->SetStyle({fsBold});
        F->TextOut(100, 600, Font.get(), clWhite, taLeftJustify, u"Итого"_s);
        F->TextOut(100, 800, Font.get(), clWhite, taLeftJustify, u"Total"_s);
        F->Finish();
    }
    ExpectSound(File);
    QFile In(File);
    ASSERT_TRUE(In.open(QIODevice::ReadOnly));
    const String Doc = String::fromLatin1(In.readAll());
    QStringList Refs;
    for (const auto& M : QRegularExpression(u"/FontFile2 (\\d+) 0 R"_s).globalMatch(Doc)) Refs << M.captured(1);
    ASSERT_EQ(Refs.size(), 4) << Doc.count(u"/Subtype /TrueType"_s);  // two styles in two code pages
    EXPECT_EQ(Refs[0], Refs[1]);
    EXPECT_EQ(Refs[2], Refs[3]);
    EXPECT_NE(Refs[0], Refs[2]);
    EXPECT_EQ(Doc.count(u"/Length1 "_s), 2);

    const QStringList Rows = String::fromUtf8(RunTool(u"pdffonts"_s, {File}).Out).split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(Rows.size(), 4);
    for (const String& Row : Rows) EXPECT_TRUE(Row.contains(u" TrueType "_s) && Row.contains(u" yes "_s)) << Row.toStdString();
    const String Text = PdfText(File);
    for (const String& T : {u"Piece rate"_s, u"Сдельная оплата"_s, u"Наряд на смену"_s, u"Итого"_s, u"Total"_s})
        EXPECT_TRUE(Text.contains(T)) << T.toStdString() << "\n" << Text.toStdString();
}

TEST(RpPDFDocumentFilter, TrueTypeWidthsAreInThousandthsOfTheEm) {
    Driven D;
    D.F->TextOut(100, 200, D.Font.get(), clWhite, taLeftJustify, u"Ab"_s);
    const QByteArray Doc = D.Finish();
    const auto M = QRegularExpression(u"/Widths \\[ \r\n([0-9 ]+) \\]"_s).match(String::fromLatin1(Doc));
    ASSERT_TRUE(M.hasMatch());
    const QStringList W = M.captured(1).split(u' ', Qt::SkipEmptyParts);
    ASSERT_EQ(W.size(), 256);
    EXPECT_EQ(W[32].toInt(), 278);  // the space of a face metric-compatible with Arial
    EXPECT_EQ(W[65].toInt(), 667);  // "A"
    EXPECT_TRUE(Doc.contains("/ItalicAngle 0\r\n"));
    EXPECT_TRUE(QRegularExpression(u"/FontBBox \\[ -\\d{3} -\\d{3} \\d{4} \\d{3,4} \\]"_s).match(String::fromLatin1(Doc)).hasMatch());
    EXPECT_FALSE(Doc.contains("/FontFile2"));  // not embedded by default
}

TEST(RpPDFDocumentFilter, TooFewCustomWidthsAbortTheDocument) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"w.pdf"_s);
    TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(File);
    TOwned<TFont> Font = NewOwned<TFont>();
    Font->SetName(u"Arial"_s);
    Font->SetStyle({fsBold});
    F->Start(2100, 2970, Font.get());
    F->AddCustomWidths(u"Arial,Bold"_s, String(u"500 "_s).repeated(255));
    F->TextOut(0, 0, Font.get(), clWhite, taLeftJustify, u"x"_s);
    try {
        F->Finish();
        FAIL() << "no error";
    } catch (const ERangeError& E) {
        EXPECT_EQ(E.Message(), u"Not enough Custom widths (255 < 256) for font \"Arial\tB\t0\tArial,Bold\"  "_s);
    }
    EXPECT_FALSE(QFile::exists(File));
}

TEST(RpPDFDocumentFilter, ShapesFillThenOutlineAndLinesKeepTheirPlaces) {
    Driven D;
    TRpShape* Filled = D.Shape(rpsRectangle, 100, 50);
    Filled->Pen()->SetStyle(psClear);
    TRpShape* Both = D.Shape(rpsRoundRect, 100, 50);
    TRpShape* Circle = D.Shape(rpsCircle, 100, 50);
    Circle->Brush()->SetStyle(bsClear);
    TRpShape* Line = D.Shape(rpsHorLine, 96, 2);
    Line->Brush()->SetStyle(bsClear);
    for (TRpShape* S : {Filled, Both, Circle, Line}) D.F->AcceptGraphic(96, 96, S);
    const QByteArray C = Content(D.Finish(), 0);
    // 96 screen pixels are an inch, 72 points; a page without a report is 840 points high.
    EXPECT_EQ(C.count(" re f\r\n"), 2);
    EXPECT_EQ(C.count(" re s\r\n"), 1);
    EXPECT_TRUE(C.startsWith("0.75 w\r\n1.00 1.00 1.00 rg\r\n72 730 75 37 re f\r\n")) << C.toStdString();
    EXPECT_TRUE(C.contains("1.00 1.00 1.00 rg\r\n72 730 75 37 re f\r\n0.75 w\r\n0.00 0.00 0.00 RG\r\n72 730 75 37 re s\r\n"));
    EXPECT_TRUE(C.contains(" 1 w\r\n0.00 0.00 0.00 RG\r\n 109.5  768.0 m\r\n"));
    EXPECT_TRUE(C.contains("72.0   759.6    88.8   768.0   109.5   768.0 c s\r\n 1 w\r\n0.00 0.00 0.00 RG\r\n72 767 m 144 767 l s\r\n")) << C.toStdString();
    EXPECT_TRUE(C.endsWith("l s\r\nBT\r\nET\r\n"));  // the text block over the graphics
}

TEST(RpPDFDocumentFilter, AlignmentAndUnderlineAreMeasured) {
    Driven D;
    // The widths of the same text measured as the filter does.
    TOwned<TBitmap> B = NewOwned<TBitmap>();
    B->SetSize(1, 1);
    B->Canvas()->Font()->Assign(D.Font.get());
    const int W = B->Canvas()->TextWidth(u"Итого"_s);
    D.F->TextOut(1000, 100, D.Font.get(), clWhite, taRightJustify, u"Итого"_s);
    D.F->TextOut(1000, 200, D.Font.get(), clWhite, taCenter, u"Итого"_s);
    D.Font->SetStyle({fsUnderline, fsStrikeOut});
    D.F->TextOut(1000, 300, D.Font.get(), clWhite, taLeftJustify, u"Итого"_s);
    const QByteArray C = Content(D.Finish(), 0);
    const Extended k = 72.0L / 96;
    const long long X = std::llround(1000 * 96 / 254.0L);  // XPos of a filter without a report
    EXPECT_TRUE(C.contains(" 1 0 0 1 " + QByteArray::number(static_cast<long long>((X - W) * k)) + " ")) << C.toStdString();
    EXPECT_TRUE(C.contains(" 1 0 0 1 " + QByteArray::number(static_cast<long long>((X - W / 2) * k)) + " "));
    EXPECT_EQ(C.count(" l s\r\n"), 1);  // one line for underline and strike-out
    EXPECT_EQ(D.Root->ComponentCount(), 0);
}

TOwned<TBitmap> Quadrants(int W, int H) {
    TOwned<TBitmap> B = NewOwned<TBitmap>();
    B->SetPixelFormat(pf24bit);
    B->SetSize(W, H);
    B->Canvas()->Brush()->SetColor(clRed);
    B->Canvas()->FillRect(TRect(0, 0, W, H));
    B->Canvas()->Brush()->SetColor(clBlue);
    B->Canvas()->FillRect(TRect(0, 0, W / 2, H / 2));
    return B;
}

TEST(RpPDFDocumentFilter, PicturesAreInlineImagesOfTheirCapture) {
    Driven D;
    TOwned<TBitmap> Pic = Quadrants(40, 20);
    auto* Exact = New<TRpImage>(D.Root.get());
    Exact->SetBounds(0, 0, 120, 60);
    Exact->SetTag(999);
    Exact->Picture()->SetGraphic(Pic.get());
    auto* Empty = New<TRpImage>(D.Root.get());
    Empty->SetBounds(0, 0, 120, 60);
    auto* NoField = New<TRpDBImage>(D.Root.get());
    NoField->SetBounds(0, 0, 120, 60);
    for (TControl* C : std::initializer_list<TControl*>{Exact, Empty, NoField}) D.F->AcceptGraphic(0, 0, C);
    D.F->SetCompressionOn(false);
    D.F->AcceptGraphic(0, 0, Exact);
    const QByteArray C = Content(D.Finish(), 0);
    EXPECT_EQ(C.count("\r\nBI\r\n"), 2);
    EXPECT_TRUE(C.contains("q 90 0 0 45 0 795 cm\r\nBI\r\n/Width 40\r\n/Height 20\r\n")) << C.left(200).toStdString();
    EXPECT_TRUE(C.contains("/Filter [/ASCII85Decode /LZWDecode]\r\nID\r\n"));
    EXPECT_TRUE(C.contains("/Filter [/ASCII85Decode]\r\nID\r\n"));
    // The uncompressed image's bytes: red, with a blue top-left quadrant.
    const qsizetype At = C.indexOf("/Filter [/ASCII85Decode]\r\nID\r\n") + 30;
    const QByteArray A85 = C.mid(At, C.indexOf("~>", At) + 2 - At);
    QByteArray Raw;
    {
        const TRun P = RunTool(u"python3"_s, {u"-c"_s, u"import sys,base64;sys.stdout.buffer.write(base64.a85decode(sys.argv[1].encode(),adobe=True,ignorechars=b' \\r\\n'))"_s,
                                              u"<~"_s + String::fromLatin1(A85)});
        Raw = P.Out;
    }
    ASSERT_EQ(Raw.size(), 40 * 20 * 3);
    EXPECT_EQ(Raw.mid(0, 3), QByteArray("\x00\x00\xFF", 3));
    EXPECT_EQ(Raw.mid((19 * 40 + 39) * 3, 3), QByteArray("\xFF\x00\x00", 3));
}

// A report of three pages (2100 × 1000 tenths of a millimetre, margins 100): a page header with a
// bold Cyrillic title in one font and an italic note in another, a detail band per worker with the
// name, a filled rectangle, a rule, a JPEG and a BMP picture, and a page footer with the page number.
struct PdfReportFixture {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    TRpReport* Report = nullptr;
    TTestTableDataSet* Data = nullptr;
    static inline const String Title = u"Табель учёта «Цех №1»"_s;
    static inline const String Note = u"сдельная оплата"_s;

    PdfReportFixture() {
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
        L->Font()->SetName(u"Arial"_s);
        L->Font()->SetSize(12);
        L->Font()->SetStyle({fsBold});
        auto* N = New<TRpLabel>(Root.get());
        N->SetParent(Header);
        Place(N, 1300, 0, 600, 80);
        N->SetCaption(Note);
        N->Font()->SetName(u"Times New Roman"_s);
        N->Font()->SetSize(10);
        N->Font()->SetStyle({fsItalic});

        TRpBand* Detail = Band(rbDetail);
        auto* T = New<TRpDBText>(Root.get());
        T->SetParent(Detail);
        Place(T, 0, 0, 800, 80);
        T->SetDataSet(Data);
        T->SetDataField(u"NAME"_s);
        auto* S = New<TRpShape>(Root.get());
        S->SetParent(Detail);
        Place(S, 850, 10, 200, 60);
        S->Brush()->SetColor(TColor(0x00CC00));  // green
        auto* Rule = New<TRpHRule>(Root.get());
        Rule->SetParent(Detail);
        Place(Rule, 1100, 40, 300, 10);
        Rule->Pen()->SetWidth(2);
        TOwned<TBitmap> B = Quadrants(40, 20);
        auto* Jpeg = New<TRpImage>(Root.get());
        Jpeg->SetParent(Detail);
        Place(Jpeg, 1450, 0, 200, 90);
        Jpeg->SetStretch(true);
        TOwned<TJPEGImage> J = NewOwned<TJPEGImage>();
        J->Assign(B.get());
        Jpeg->Picture()->SetGraphic(J.get());
        auto* Bmp = New<TRpImage>(Root.get());
        Bmp->SetParent(Detail);
        Place(Bmp, 1700, 0, 200, 90);
        Bmp->SetStretch(true);
        Bmp->Picture()->SetGraphic(B.get());

        TRpBand* Footer = Band(rbPageFooter);
        auto* E = New<TRpExpr>(Root.get());
        E->SetParent(Footer);
        Place(E, 0, 0, 1900, 80);
        // Fitted to the expression's text first, right-aligned afterwards: the printed number
        // still ends on the box's right edge.
        E->SetExpression(u"'Страница '+STR(PAGENUMBER)"_s);
        E->SetAlignment(taRightJustify);
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
    void Export(const String& File, TFontHandling Handling) {
        TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(File);
        F->SetFontHandling(Handling);
        Report->ExportToFilter(F.get());
    }
};

TEST(RpPDFDocumentFilter, AThreePageReportReadsBackInEveryReader) {
    QTemporaryDir Dir;
    PdfReportFixture R;
    for (TFontHandling H : {fhNoEmbedding, fhAutoEmbed, fhSubstitute}) {
        SCOPED_TRACE(int(H));
        const String File = Dir.filePath(u"report%1.pdf"_s.arg(int(H)));
        R.Export(File, H);
        ExpectSound(File);
        EXPECT_EQ(PdfPages(File), 3);
        const String Text = PdfText(File);
        EXPECT_EQ(Text.count(PdfReportFixture::Title), 3) << Text.toStdString();
        EXPECT_EQ(Text.count(PdfReportFixture::Note), 3);
        for (int i = 1; i <= 15; ++i) EXPECT_TRUE(Text.contains(u"Рабочий Пётр №%1\n"_s.arg(i))) << i;
        for (int i = 1; i <= 3; ++i) EXPECT_TRUE(Text.contains(u"Страница %1"_s.arg(i))) << i;

        const String Fonts = String::fromUtf8(RunTool(u"pdffonts"_s, {File}).Out);
        const QStringList Rows = Fonts.split(u'\n', Qt::SkipEmptyParts).mid(2);
        EXPECT_EQ(Rows.size(), 3) << Fonts.toStdString();  // Arial bold, Times italic, Arial
        for (const String& Row : Rows)
            EXPECT_EQ(Row.contains(u" TrueType "_s) && Row.contains(u" yes "_s),
                      H != fhNoEmbedding) << Row.toStdString();
    }

    // The pictures where the layout puts them: the first detail band starts at 200 (margin and
    // header), the JPEG at 145 mm, the BMP at 170 mm, each 20 mm wide and 9 mm high.
    const String File = Dir.filePath(u"report2.pdf"_s);
    const String Png = Dir.filePath(u"page"_s);
    const TRun Render = RunTool(u"pdftoppm"_s, {u"-r"_s, u"254"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, u"-png"_s,
                                                u"-singlefile"_s, File, Png});
    ASSERT_EQ(Render.Code, 0) << Render.Err.toStdString();
    QImage Page(Png + u".png"_s);
    ASSERT_FALSE(Page.isNull());
    if (qEnvironmentVariableIsSet("SDELKA_KEEP_PNG")) Page.save(qEnvironmentVariable("SDELKA_KEEP_PNG"));
    // 254 dpi: one pixel per tenth of a millimetre.
    auto At = [&Page](int X, int Y) { return QColor(Page.pixel(X, Y)); };
    for (int X0 : {100 + 1450, 100 + 1700}) {
        const QColor Blue = At(X0 + 40, 200 + 20), Red = At(X0 + 160, 200 + 70);
        EXPECT_GT(Blue.blue(), 200) << X0;
        EXPECT_LT(Blue.red(), 60) << X0;
        EXPECT_GT(Red.red(), 200) << X0;
        EXPECT_LT(Red.blue(), 60) << X0;
    }
    const QColor Green = At(100 + 950, 200 + 40);
    EXPECT_GT(Green.green(), 150);
    EXPECT_LT(Green.red(), 60);
    EXPECT_LT(At(100 + 1250, 200 + 45).lightness(), 100);  // the rule
    EXPECT_GT(At(100 + 1250, 200 + 20).lightness(), 240);

    // The page number ends where its box ends: 100 + 1900 tenths of a millimetre from the left.
    const String Boxes = String::fromUtf8(RunTool(u"pdftotext"_s, {u"-bbox"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, File, u"-"_s}).Out);
    const auto Number = QRegularExpression(u"xMax=\"([0-9.]+)\"[^>]*>1</word>"_s).match(Boxes);
    ASSERT_TRUE(Number.hasMatch()) << Boxes.toStdString();
    EXPECT_NEAR(Number.captured(1).toDouble(), 2000 / 254.0 * 72, 1.5) << Boxes.toStdString();
}

TEST(RpPDFDocumentFilter, PageRangeConcatenationAndEmptyReports) {
    QTemporaryDir Dir;
    {
        PdfReportFixture R;
        R.Report->PrinterSettings()->SetFirstPage(2);
        R.Report->PrinterSettings()->SetLastPage(3);
        const String File = Dir.filePath(u"range.pdf"_s);
        R.Export(File, fhNoEmbedding);
        ExpectSound(File);
        EXPECT_EQ(PdfPages(File), 2);
        const String Text = PdfText(File);
        EXPECT_FALSE(Text.contains(u"Страница 1"_s));
        EXPECT_TRUE(Text.contains(u"Страница 2"_s) && Text.contains(u"Страница 3"_s));
    }
    {
        PdfReportFixture A, B;
        const String File = Dir.filePath(u"concat.pdf"_s);
        TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(File);
        F->SetConcatenating(true);
        A.Report->ExportToFilter(F.get());
        B.Report->ExportToFilter(F.get());
        EXPECT_FALSE(QFile::exists(File));
        F->EndConcat();
        ExpectSound(File);
        EXPECT_EQ(PdfPages(File), 6);
    }
    {
        Driven D;
        const QByteArray Doc = D.Finish();
        EXPECT_TRUE(Doc.contains("/Count 1\r\n/Kids [4 0 R]\r\n/MediaBox [0 0 595 840]"));
        EXPECT_EQ(Content(Doc, 0), QByteArray("BT\r\nET\r\n"));
    }
}

// The filter that is handed a printable's width may measure it itself instead.
class TSelfMeasuringPDF : public TRpPDFDocumentFilter {
    SDELKA_CLASS(TSelfMeasuringPDF, TRpPDFDocumentFilter)
protected:
    explicit TSelfMeasuringPDF(const String& AFilename) : TRpPDFDocumentFilter(AFilename) {}

public:
    bool MeasureHere = false;
    int Handed = 0;
    void TextOutMeasured(Extended X, Extended Y, TFont* Font, TColor BGColor, TAlignment Alignment,
                         const String& Text, int Width) override {
        ++Handed;
        if (MeasureHere)
            TextOut(X, Y, Font, BGColor, Alignment, Text);
        else
            TRpPDFDocumentFilter::TextOutMeasured(X, Y, Font, BGColor, Alignment, Text, Width);
    }
};

// A label's text is measured once: the width its auto-size measured goes to the filter, and the
// document is the one the filter writes when it measures every text itself, byte for byte.
TEST(RpPDFDocumentFilter, TextsPlacedByTheHandedWidthLandWhereMeasuredOnesDo) {
    QTemporaryDir Dir;
    PdfReportFixture R;
    auto Export = [&](bool MeasureHere, int& Handed) {
        const String File = Dir.filePath(MeasureHere ? u"self.pdf"_s : u"handed.pdf"_s);
        TOwned<TSelfMeasuringPDF> F = NewOwned<TSelfMeasuringPDF>(File);
        F->MeasureHere = MeasureHere;
        F->SetSuppressDateTime(true);
        R.Report->ExportToFilter(F.get());
        F->SetSuppressDateTime(false);
        Handed = F->Handed;
        QFile In(File);
        EXPECT_TRUE(In.open(QIODevice::ReadOnly));
        return In.readAll();
    };
    int HandedOver = 0, SelfMeasured = 0;
    const QByteArray Handed = Export(false, HandedOver);
    const QByteArray Self = Export(true, SelfMeasured);
    // Three pages: the title, the note and the page number on each, and the fifteen names.
    EXPECT_EQ(HandedOver, 3 * 3 + 15);
    EXPECT_EQ(SelfMeasured, HandedOver);
    ASSERT_FALSE(Handed.isEmpty());
    EXPECT_TRUE(Handed == Self) << "the documents differ";
}

// Pages of many lines driven by hand, each opened by NewPage as a report run does: line L of page P
// reads "Page P line L".
void DrivePages(TRpPDFDocumentFilter* F, TFont* Font, int FirstPage, int LastPage, int Lines = 60) {
    for (int P = FirstPage; P <= LastPage; ++P) {
        F->NewPage();
        for (int L = 1; L <= Lines; ++L)
            F->TextOut(100, 40 * L, Font, clWhite, taLeftJustify, u"Page %1 line %2"_s.arg(P).arg(L));
    }
}

TEST(RpPDFDocumentFilter, PagesGoOutAsTheyFinishAndTheTreeAndTableFollow) {
    QTemporaryDir Dir;
    const String File = Dir.filePath(u"long.pdf"_s);
    {
        QFile Old(File);
        ASSERT_TRUE(Old.open(QIODevice::WriteOnly));
        Old.write("old bytes");
    }
    auto Temporary = [&] {
        const QStringList L = QDir(Dir.path()).entryList({u".long.pdf.*"_s}, QDir::Files | QDir::Hidden);
        return L.size() == 1 ? Dir.filePath(L[0]) : String();
    };
    TOwned<TFont> Font = NewOwned<TFont>();
    Font->SetName(u"Arial"_s);
    Font->SetSize(10);
    TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(File);
    F->SetSuppressDateTime(true);
    F->Start(2100, 2970, Font.get());
    DrivePages(F.get(), Font.get(), 1, 30);
    // Mid-run the early pages are in the temporary file already; the target keeps its old bytes.
    {
        const String T = Temporary();
        ASSERT_FALSE(T.isEmpty());
        QFile Part(T);
        ASSERT_TRUE(Part.open(QIODevice::ReadOnly));
        const QByteArray Head = Part.readAll();
        EXPECT_TRUE(Head.startsWith("%PDF-1.3\r\n")) << Head.left(20).toStdString();
        EXPECT_TRUE(Head.contains("4 0 obj\r\n") && Head.contains("5 0 obj\r\n") && Head.contains("(Page 1 line 60) Tj"));
        EXPECT_FALSE(Head.contains("\n3 0 obj\r\n"));
    }
    QFile Target(File);
    ASSERT_TRUE(Target.open(QIODevice::ReadOnly));
    EXPECT_EQ(Target.readAll(), QByteArray("old bytes"));
    Target.close();
    F->Finish();
    F->SetSuppressDateTime(false);
    EXPECT_TRUE(Temporary().isEmpty());

    ExpectSound(File);
    EXPECT_EQ(PdfPages(File), 30);
    const String Text = PdfText(File);
    for (int P : {1, 2, 17, 30}) {
        EXPECT_TRUE(Text.contains(u"Page %1 line 1\n"_s.arg(P))) << P;
        EXPECT_TRUE(Text.contains(u"Page %1 line 60\n"_s.arg(P))) << P;
    }
    EXPECT_LT(Text.indexOf(u"Page 2 line 1\n"_s), Text.indexOf(u"Page 3 line 1\n"_s));

    // The cross-reference table is by object number: each entry points at its own object, the page
    // tree (3) comes after the last page's content (63), and the tree lists the pages in order.
    ASSERT_TRUE(Target.open(QIODevice::ReadOnly));
    const QByteArray Doc = Target.readAll();
    const qsizetype X = Doc.lastIndexOf("\r\nxref\r\n") + 2;
    const QList<QByteArray> Lines = Doc.mid(X).split('\n');
    const int Count = Lines[1].trimmed().split(' ')[1].toInt();
    ASSERT_GT(Count, 64);
    std::vector<qint64> At(size_t(Count), 0);
    for (int i = 1; i < Count; ++i) {
        At[size_t(i)] = Lines[2 + i].left(10).toLongLong();
        EXPECT_TRUE(Doc.mid(At[size_t(i)]).startsWith(QByteArray::number(i) + " 0 obj\r\n")) << i;
    }
    EXPECT_GT(At[3], At[63]);
    EXPECT_LT(At[4], At[62]);
    EXPECT_TRUE(Doc.contains("/Count 30\r\n/Kids [4 0 R 6 0 R 8 0 R "));
    EXPECT_TRUE(Doc.contains(" 62 0 R]\r\n/MediaBox [0 0 595 840]"));
}

// A run that fails or a document that cannot be finished leaves no part of itself: the old file
// keeps its bytes and no temporary file stays, whether the disk fills while the pages go out (the
// run raises), at the end, or at the final flush; a memory stream is cut back to where it was.
TEST(RpPDFDocumentFilter, AFailedExportLeavesNothingHalfWritten) {
    TOwned<TFont> Font = NewOwned<TFont>();
    Font->SetName(u"Arial"_s);
    Font->SetSize(10);
    {
        SCOPED_TRACE("many pages: the disk fills during the run");
        bool RaisedInRun = false;
        sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) {
            TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(Name);
            F->Start(2100, 2970, Font.get());
            try {
                DrivePages(F.get(), Font.get(), 1, 40);
            } catch (const EWriteError&) {
                RaisedInRun = true;
                throw;
            }
            F->Finish();
        }, u"long.pdf"_s);
        EXPECT_TRUE(RaisedInRun);
    }
    {
        SCOPED_TRACE("a report: the disk fills at the end");
        PdfReportFixture R;
        sdelka::test::ExpectSaverKeepsOldFile([&](const String& Name) { R.Export(Name, fhAutoEmbed); }, u"report.pdf"_s);
    }
    {
        SCOPED_TRACE("a memory stream");
        TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(String());
        F->CreateStream(String());
        TStream* Own = F->Stream();
        ASSERT_NE(Own, nullptr);
        Own->WriteBuffer("kept", 4);
        F->Start(2100, 2970, Font.get());
        F->AddCustomWidths(u"Arial"_s, u"500"_s);
        DrivePages(F.get(), Font.get(), 1, 40);
        EXPECT_GT(Own->Size(), 64 << 10);  // the early pages went out
        EXPECT_THROW(F->Finish(), ERangeError);
        EXPECT_EQ(Own->Size(), 4);
        EXPECT_EQ(Own->Position(), 4);
        Own->Free();
    }
}

TEST(RpPDFDocumentFilter, StoredPagesExportAsPicturesOfThePages) {
    RpRegisterExportFilters();
    QTemporaryDir Dir;
    PdfReportFixture R;
    R.Report->Prepare();
    const String File = Dir.filePath(u"pages.pdf"_s);
    R.Report->RpPrinter()->ExportMetafile(File, 2, 3);
    ExpectSound(File);
    EXPECT_EQ(PdfPages(File), 2);
    const TRun Images = RunTool(u"pdfimages"_s, {u"-list"_s, File});
    EXPECT_EQ(String::fromUtf8(Images.Out).split(u'\n', Qt::SkipEmptyParts).size(), 2 + 2) << Images.Out.toStdString();
    const TRun Info = RunTool(u"pdfinfo"_s, {File});
    EXPECT_TRUE(Info.Out.contains("595 x 283 pts")) << Info.Out.toStdString();
    // The first exported page is the report's second: its pictures are where the layout puts them.
    const String Png = Dir.filePath(u"stored"_s);
    ASSERT_EQ(RunTool(u"pdftoppm"_s, {u"-r"_s, u"254"_s, u"-f"_s, u"1"_s, u"-l"_s, u"1"_s, u"-png"_s, u"-singlefile"_s,
                                      File, Png}).Code, 0);
    const QImage Page(Png + u".png"_s);
    ASSERT_FALSE(Page.isNull());
    if (qEnvironmentVariableIsSet("SDELKA_KEEP_PNG")) Page.save(qEnvironmentVariable("SDELKA_KEEP_PNG") + u"-stored.png"_s);
    EXPECT_GT(QColor(Page.pixel(100 + 1450 + 40, 200 + 20)).blue(), 200);
    EXPECT_GT(QColor(Page.pixel(100 + 1700 + 160, 200 + 70)).red(), 200);
}

// The add-on printables of a report: the rule and the PDF shape as vector lines, pictures from a
// field fitted inside their box with their own pixels, or kept to the box's width.
TEST(RpPDFDocumentFilter, AddOnPrintablesAndPicturesFromAField) {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto* Report = NewReportOnCustomPage(Root.get(), 0);
    auto* Data = New<TTestTableDataSet>(Root.get());
    Data->FieldDefs()->Add(u"PIC"_s, ftGraphic);
    Data->CreateDataSet();
    TOwned<TBitmap> Pic = Quadrants(100, 50);
    TMemoryStream Bmp;
    Pic->SaveToStream(&Bmp);
    Data->AppendRecord({VarByteArrayOf(QByteArray(static_cast<const char*>(Bmp.Memory()), qsizetype(Bmp.Size())))});
    Data->First();
    Report->SetDataSet(Data);
    TRpBand* Detail = Report->CreateBand(rbDetail);
    Detail->SetNativeHeight(900);
    auto Place = [](TRpPrintable* P, int L, int T, int W, int H) {
        P->Size()->SetUnits(Native);
        P->Size()->SetLeft(L);
        P->Size()->SetTop(T);
        P->Size()->SetWidth(W);
        P->Size()->SetHeight(H);
    };
    auto* Fitted = New<TRpDBImage>(Root.get());
    Fitted->SetParent(Detail);
    Place(Fitted, 0, 0, 530, 530);
    Fitted->SetDataSet(Data);
    Fitted->SetDataField(u"PIC"_s);
    auto* Kept = New<TRpGrDBImage>(Root.get());
    Kept->SetParent(Detail);
    Place(Kept, 600, 0, 530, 530);
    Kept->SetDataSet(Data);
    Kept->SetDataField(u"PIC"_s);
    Kept->SetFitMode(fmKeepWidth);
    auto* Rule = New<TRpHRule>(Root.get());
    Rule->SetParent(Detail);
    Place(Rule, 1200, 100, 500, 20);
    Rule->Pen()->SetColor(clRed);
    auto* Oval = New<TRpPDFShape>(Root.get());
    Oval->SetParent(Detail);
    Place(Oval, 1200, 300, 500, 300);
    Oval->SetShapeType(rpsCircle);
    Oval->Brush()->SetStyle(bsClear);

    TOwned<TRpPDFDocumentFilter> F = NewOwned<TRpPDFDocumentFilter>(String());
    F->SetCompressionOn(false);
    Report->ExportToFilter(F.get());
    auto* M = static_cast<TMemoryStream*>(F->Stream());
    const QByteArray Doc(static_cast<const char*>(M->Memory()), qsizetype(M->Size()));
    M->Free();
    const String C = String::fromLatin1(Content(Doc, 0));
    // Both pictures keep their 100 × 50 pixels; the fitted one prints at the box's width and half
    // its height, lowered by a quarter of the box, the kept one at the box's width from its top.
    const auto Images = QRegularExpression(u"q (\\d+) 0 0 (\\d+) (\\d+) (\\d+) cm\r\nBI\r\n/Width 100\r\n/Height 50\r\n"_s).globalMatch(C);
    std::vector<std::array<int, 4>> Boxes;
    for (auto It = Images; It.hasNext();) {
        const auto Mt = It.next();
        Boxes.push_back({Mt.captured(1).toInt(), Mt.captured(2).toInt(), Mt.captured(3).toInt(), Mt.captured(4).toInt()});
    }
    ASSERT_EQ(Boxes.size(), 2u) << C.toStdString();
    const int Box = 150;   // 530 tenths of a millimetre: 200 screen pixels, 150 points
    const int Top = 283;   // the page's height in points
    for (const auto& B : Boxes) {
        EXPECT_NEAR(B[0], Box, 1);
        EXPECT_NEAR(B[1], Box / 2, 1);
    }
    EXPECT_NEAR(Boxes[0][3], Top - Box / 4 - Box / 2, 2);
    EXPECT_NEAR(Boxes[1][3], Top - Box / 2, 2);
    // The rule: a red line through the middle of its box; the oval: four curves, stroked.
    EXPECT_TRUE(QRegularExpression(u"1.00 0.00 0.00 RG\r\n340 (\\d+) m 48[12] \\1 l s"_s).match(C).hasMatch());
    EXPECT_EQ(C.count(u" c\r\n"_s) + C.count(u" c s\r\n"_s), 4);
}

TEST(RpPDFDocumentFilter, TheRegistryOffersTheFilter) {
    RpRegisterExportFilters();
    TRpExportFilterLibraryEntry* E = RpExportFilterLibrary()->GetFilterByExtension(u"pdf"_s);
    ASSERT_NE(E, nullptr);
    EXPECT_EQ(E->FilterName, u"PDF document"_s);
    EXPECT_TRUE(RpExportFilterLibrary()->SaveDialogFilterString().contains(u"|PDF document (*.PDF)|*.PDF"_s));
}

}  // namespace
