#include "platform/gui/rtf.h"

#include "platform/gui/metafile.h"
#include "support/testutil.h"

#include <QImage>
#include <QPainter>
#include <QRect>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <gtest/gtest.h>

namespace {

using sdelka::test::S;

QTextCharFormat CharFmt(const char* Family, double Points, bool Bold = false, bool Italic = false,
                        bool Underline = false, bool Strike = false, QColor Color = QColor()) {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromLatin1(Family)});
    f.setFontPointSize(Points);
    f.setFontWeight(Bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(Italic);
    f.setFontUnderline(Underline);
    f.setFontStrikeOut(Strike);
    if (Color.isValid()) f.setForeground(Color);
    return f;
}

// The format of the character at a document position.
QTextCharFormat FormatAt(QTextDocument& Doc, int Pos) {
    QTextCursor c(&Doc);
    c.setPosition(Pos + 1);
    return c.charFormat();
}

int Find(const QTextDocument& Doc, const String& Text) {
    return static_cast<int>(Doc.toPlainText().indexOf(Text));
}

QTextBlock BlockNo(const QTextDocument& Doc, int N) { return Doc.findBlockByNumber(N); }

void ExpectChar(QTextDocument& Doc, const String& At, const char* Family, double Points, bool Bold, bool Italic,
                bool Underline, bool Strike, QColor Color) {
    SCOPED_TRACE(S(At));
    const int pos = Find(Doc, At);
    ASSERT_GE(pos, 0);
    const QTextCharFormat f = FormatAt(Doc, pos);
    EXPECT_EQ(S(f.fontFamilies().toStringList().value(0)), Family);
    EXPECT_DOUBLE_EQ(f.fontPointSize(), Points);
    EXPECT_EQ(f.fontWeight() > QFont::Medium, Bold);
    EXPECT_EQ(f.fontItalic(), Italic);
    EXPECT_EQ(f.fontUnderline(), Underline);
    EXPECT_EQ(f.fontStrikeOut(), Strike);
    if (Color.isValid())
        EXPECT_EQ(f.foreground().color().rgb(), Color.rgb());
    else
        EXPECT_FALSE(f.hasProperty(QTextFormat::ForegroundBrush));
}

}  // namespace

TEST(Rtf, CodePages) {
    const QByteArray bytes("\xcf\xf0\xe8\xe2\xe5\xf2 \xa8\xb8 \x88 \xb9", 13);
    EXPECT_EQ(S(CodePageToString(bytes, 1251)), "Привет Ёё € №");
    EXPECT_EQ(StringToCodePage(u"Привет Ёё € №"_S, 1251), bytes);
    EXPECT_EQ(S(CodePageToString("caf\xe9 \x80", 1252)), "café €");
    EXPECT_EQ(StringToCodePage(u"Жä"_S, 1252), QByteArray("?\xe4"));
    EXPECT_TRUE(IsRtf(QByteArray("{\\rtf1 x}")));
    EXPECT_TRUE(IsRtf(u"{urtf1 x}"_S));
    EXPECT_FALSE(IsRtf(u" {\\rtf1 x}"_S));
}

TEST(Rtf, WrittenDocumentReadsBackTheSame) {
    QTextDocument doc;
    QTextCursor c(&doc);
    QTextBlockFormat centered;
    centered.setAlignment(Qt::AlignHCenter);
    c.setBlockFormat(centered);
    c.insertText(u"Привет, "_S, CharFmt("Arial", 14, true, false, false, false, QColor(255, 0, 0)));
    c.insertText(u"мир"_S, CharFmt("Times New Roman", 10, false, true));

    QTextBlockFormat right;
    right.setAlignment(Qt::AlignRight);
    c.insertBlock(right);
    c.insertText(u"tab\there"_S, CharFmt("Arial", 9, false, false, true));
    c.insertText(QString(QChar(0x2028)) + u"next line {x} \\ ä ☺"_S, CharFmt("Arial", 9));

    QTextBlockFormat indented;
    indented.setAlignment(Qt::AlignJustify);
    indented.setLeftMargin(40);
    indented.setRightMargin(20);
    indented.setTextIndent(-10);
    indented.setTopMargin(8);
    indented.setBottomMargin(4);
    c.insertBlock(indented);
    c.insertText(u"зачёркнуто"_S, CharFmt("Courier New", 11, false, false, false, true, QColor(0, 0, 128)));

    c.insertBlock(QTextBlockFormat());
    QTextListFormat lf;
    lf.setStyle(QTextListFormat::ListDisc);
    c.createList(lf);
    c.insertText(u"один"_S, CharFmt("Arial", 10));
    c.insertBlock();
    c.insertText(u"два"_S, CharFmt("Arial", 10));
    c.insertBlock(QTextBlockFormat());
    c.insertText(u"после"_S, CharFmt("Arial", 10));

    const QByteArray rtf = DocumentToRtf(doc);
    EXPECT_TRUE(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1251\\deff0"));
    EXPECT_TRUE(rtf.contains("\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2"));   // Привет in code page 1251
    EXPECT_TRUE(rtf.contains("\\u228?"));                        // ä is not in 1251
    EXPECT_TRUE(rtf.contains("\\u9786?"));
    EXPECT_TRUE(rtf.contains("\\{x\\} \\\\"));
    EXPECT_TRUE(rtf.contains("\\fs28"));
    for (char c : rtf) EXPECT_GT(static_cast<unsigned char>(c), 0) << "RTF is 7-bit text";

    QTextDocument back;
    RtfToDocument(rtf, back);
    EXPECT_EQ(S(DocumentPlainText(back)), S(DocumentPlainText(doc)));
    EXPECT_EQ(S(DocumentPlainText(back)),
              "Привет, мир\r\ntab\there\r\nnext line {x} \\ ä ☺\r\nзачёркнуто\r\nодин\r\nдва\r\nпосле");
    ASSERT_EQ(back.blockCount(), 6);

    EXPECT_EQ(BlockNo(back, 0).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(BlockNo(back, 1).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    const QTextBlockFormat bf = BlockNo(back, 2).blockFormat();
    EXPECT_EQ(bf.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignJustify);
    EXPECT_DOUBLE_EQ(bf.leftMargin(), 40);
    EXPECT_DOUBLE_EQ(bf.rightMargin(), 20);
    EXPECT_DOUBLE_EQ(bf.textIndent(), -10);
    EXPECT_DOUBLE_EQ(bf.topMargin(), 8);
    EXPECT_DOUBLE_EQ(bf.bottomMargin(), 4);
    EXPECT_FALSE(BlockNo(back, 2).textList());
    ASSERT_TRUE(BlockNo(back, 3).textList());
    EXPECT_EQ(BlockNo(back, 3).textList(), BlockNo(back, 4).textList());
    EXPECT_EQ(BlockNo(back, 3).textList()->format().style(), QTextListFormat::ListDisc);
    EXPECT_FALSE(BlockNo(back, 5).textList());

    ExpectChar(back, u"Привет"_S, "Arial", 14, true, false, false, false, QColor(255, 0, 0));
    ExpectChar(back, u"мир"_S, "Times New Roman", 10, false, true, false, false, QColor());
    ExpectChar(back, u"tab"_S, "Arial", 9, false, false, true, false, QColor());
    ExpectChar(back, u"next"_S, "Arial", 9, false, false, false, false, QColor());
    ExpectChar(back, u"зачёркнуто"_S, "Courier New", 11, false, false, false, true, QColor(0, 0, 128));
    ExpectChar(back, u"два"_S, "Arial", 10, false, false, false, false, QColor());

    // Written again, the document gives the same RTF.
    EXPECT_EQ(DocumentToRtf(back), rtf);
}

// A document as another program writes it, made by hand from the format's description.
TEST(Rtf, ForeignDocumentLoads) {
    const QByteArray rtf =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049"
        "{\\fonttbl{\\f0\\froman\\fcharset204{\\*\\panose 02020603050405020304}Times New Roman;}"
        "{\\f1\\fswiss\\fcharset0 Arial{\\*\\falt Helvetica};}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
        "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
        "{\\stylesheet{\\s0\\snext0 Normal;}{\\*\\cs10 Default Paragraph Font;}}"
        "{\\info{\\title \\'d2\\'e5\\'f1\\'f2}{\\author Someone}}{\\*\\generator Hand 1.0;}\r\n"
        "\\viewkind4\\uc1\\pard\\qc\\f0\\fs28\\b \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2\\b0\\par\r\n"
        "\\pard\\li720\\fi-360\\sb120\\sa240 {\\i italic {\\ul nested \\cf1 red}} plain "
        "\\u1046?\\u8364\\'88 {\\uc2\\u1071\\'df\\'df}x\\par\r\n"
        "\\pard{\\pntext\\f2\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'B7}}\\plain\\f1\\fs20 item "
        "\\'e9\\par\r\n"
        "\\pard\\qr\\strike gone\\strike0\\tab end\\line next\\~one\\emdash two\\par\r\n"
        "{\\*\\unknowndestination skipped}{\\pict\\wmetafile8 0102ab}\\cf2 blue\\cf0  \\{\\}\\\\\r\n"
        "}";
    QTextDocument doc;
    RtfToDocument(rtf, doc);
    EXPECT_EQ(S(DocumentPlainText(doc)),
              "Привет\r\nitalic nested red plain Ж€ Яx\r\nitem é\r\ngone\tend\r\nnext\u00a0one—two\r\nblue {}\\");
    EXPECT_EQ(S(RtfToPlainText(rtf)), S(DocumentPlainText(doc)));
    ASSERT_EQ(doc.blockCount(), 5);

    EXPECT_EQ(BlockNo(doc, 0).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    const QTextBlockFormat bf = BlockNo(doc, 1).blockFormat();
    EXPECT_DOUBLE_EQ(bf.leftMargin(), 48);     // 720 twips
    EXPECT_DOUBLE_EQ(bf.textIndent(), -24);
    EXPECT_DOUBLE_EQ(bf.topMargin(), 8);
    EXPECT_DOUBLE_EQ(bf.bottomMargin(), 16);
    EXPECT_TRUE(BlockNo(doc, 2).textList());
    EXPECT_DOUBLE_EQ(BlockNo(doc, 2).blockFormat().leftMargin(), 0);   // \pard reset
    EXPECT_FALSE(BlockNo(doc, 3).textList());
    EXPECT_EQ(BlockNo(doc, 3).blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);

    ExpectChar(doc, u"Привет"_S, "Times New Roman", 14, true, false, false, false, QColor());
    ExpectChar(doc, u"italic"_S, "Times New Roman", 14, false, true, false, false, QColor());
    ExpectChar(doc, u"nested"_S, "Times New Roman", 14, false, true, true, false, QColor());
    ExpectChar(doc, u"red"_S, "Times New Roman", 14, false, true, true, false, QColor(255, 0, 0));
    ExpectChar(doc, u"plain"_S, "Times New Roman", 14, false, false, false, false, QColor());
    ExpectChar(doc, u"item"_S, "Arial", 10, false, false, false, false, QColor());
    ExpectChar(doc, u"gone"_S, "Arial", 10, false, false, false, true, QColor());
    ExpectChar(doc, u"blue"_S, "Arial", 10, false, false, false, false, QColor(0, 0, 128));
}

TEST(Rtf, CodePageOfTheDocumentAndOfTheFont) {
    struct Case { const char* Rtf; const char16_t* Text; };
    const Case cases[] = {
        {"{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}caf\\'e9}", u"café"},                       // default 1252
        {"{\\rtf1\\ansi\\ansicpg1251 \\'e0\\'e1}", u"аб"},
        {"{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset204 Arial;}}\\f0 \\'e0\\'e1}", u"аб"},  // by \fcharset
        {"{\\rtf1\\ansi \\u1071\\'3f\\u-4064?}", u"Я\uF020"},                                   // negative \u
        {"{\\rtf1\\ansi \\uc0\\u1071\\u1072 b}", u"Яаb"},
        {"{\\rtf1 a\\line b\\par c}", u"a\r\nb\r\nc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Rtf);
        EXPECT_EQ(S(RtfToPlainText(c.Rtf)), S(String::fromUtf16(c.Text)));
    }
    // Text handed over as a string keeps its characters beyond ASCII.
    QTextDocument doc;
    RtfToDocument(u"{\\rtf1\\ansi Жук\\par}"_S, doc);
    EXPECT_EQ(S(doc.firstBlock().text()), "Жук");
}

TEST(Rtf, MalformedInputIsReadAsFarAsItGoes) {
    const char* inputs[] = {"{\\rtf1 abc}}}{", "{\\rtf1 abc", "{\\rtf1 \\'", "{\\rtf1 \\u", "{\\rtf1 \\", "", "}}}",
                            "{\\rtf1 {\\fonttbl{\\f99999999999 X;}}\\f99999999999 t}"};
    for (const char* in : inputs) {
        SCOPED_TRACE(in);
        QTextDocument doc;
        EXPECT_NO_THROW(RtfToDocument(QByteArray(in), doc));
    }
    EXPECT_EQ(S(RtfToPlainText("{\\rtf1 abc}}}{")), "abc");
    EXPECT_EQ(S(RtfToPlainText("{\\rtf1 abc")), "abc");
}

// Braces nested past any real document still read the text inside and after them, and the
// reader keeps no state per brace beyond a fixed depth.
TEST(Rtf, DeepGroupsKeepTheirText) {
    const int deep = 1000000;
    const QByteArray rtf = "{\\rtf1 " + QByteArray(deep, '{') + "deep" + QByteArray(deep, '}') + " after}";
    EXPECT_EQ(S(RtfToPlainText(rtf)), "deep after");
    const QByteArray bold = "{\\rtf1 {\\b " + QByteArray(300, '{') + "x" + QByteArray(300, '}') + "}y}";
    QTextDocument doc;
    RtfToDocument(bold, doc);
    EXPECT_EQ(S(DocumentPlainText(doc)), "xy");
}

TEST(Rtf, FormatRangeFitsWholeLinesAndContinues) {
    QTextDocument doc;
    QFont font("DejaVu Sans");
    font.setPointSize(10);
    doc.setDefaultFont(font);
    QTextCursor c(&doc);
    for (int i = 0; i < 40; ++i) {
        if (i) c.insertBlock();
        c.insertText(QStringLiteral("Line %1 of the text").arg(i));
    }
    const int length = DocumentTextLength(doc);
    EXPECT_EQ(length, doc.toPlainText().size());

    const int dpi = 96;
    const QRect big(0, 0, 600, 100000);
    EXPECT_EQ(RichTextFormatRange(doc, 0, -1, big, dpi, dpi), length);
    EXPECT_EQ(RichTextFormatRange(doc, 0, -1, QRect(0, 0, 600, 2), dpi, dpi), 0);   // not one line
    EXPECT_EQ(RichTextFormatRange(doc, length, -1, big, dpi, dpi), length);

    // Page by page: every page ends at a paragraph start, pages cover the text once.
    const QRect page(10, 20, 600, 150);
    std::vector<int> starts;
    int from = 0;
    while (from < length) {
        starts.push_back(from);
        const int next = RichTextFormatRange(doc, from, -1, page, dpi, dpi);
        ASSERT_GT(next, from);
        from = next;
    }
    ASSERT_GT(starts.size(), 3u);
    for (int s : starts) EXPECT_EQ(doc.findBlock(s).position(), s);
    const int perPage = doc.findBlock(starts[1]).blockNumber();
    EXPECT_EQ(doc.findBlock(starts[2]).blockNumber(), 2 * perPage);

    // A higher resolution needs more device units for the same lines.
    const int at300 = RichTextFormatRange(doc, 0, -1, QRect(0, 0, 1875, 150), 300, 300);
    EXPECT_LT(at300, starts[1]);

    // Drawing puts ink inside the rectangle only, and measures the same.
    QImage img(700, 400, QImage::Format_ARGB32);
    img.setDotsPerMeterX(static_cast<int>(dpi / 0.0254 + 0.5));
    img.setDotsPerMeterY(static_cast<int>(dpi / 0.0254 + 0.5));
    img.fill(Qt::white);
    {
        QPainter p(&img);
        EXPECT_EQ(RichTextFormatRange(doc, starts[1], -1, page, dpi, dpi, &p), starts[2]);
    }
    int inside = 0, outside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128) (page.contains(x, y) ? inside : outside)++;
    EXPECT_GT(inside, 100);
    EXPECT_EQ(outside, 0);
    EXPECT_EQ(doc.pageCount(), 1) << "the caller's document is not relaid";
}

TEST(Rtf, FormatRangeOnADeviceContextRecordsTextRuns) {
    QTextDocument doc;
    RtfToDocument(QByteArray("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 "
                             "\\'cf\\'f0\\'e8\\'e2\\'e5\\'f2 {\\b \\'ec\\'e8\\'f0}\\par "
                             "Second line\\par Third line\\par}"),
                  doc);
    const int length = DocumentTextLength(doc);
    TMetafileDC dc(96, 96, TSize(800, 1100));
    // Room for two lines: the third is left for the next call.
    const int next = RichTextFormatRangeDC(doc, 0, -1, TRect(100, 200, 500, 238), &dc);
    EXPECT_EQ(doc.findBlock(next).blockNumber(), 2);
    EXPECT_EQ(RichTextFormatRangeDC(doc, next, -1, TRect(100, 300, 500, 400), &dc), length);
    QByteArray emf = dc.Finish();
    std::vector<TEnhMetaText> texts;
    EnumEnhMetaFile(emf, [&](const TEnhMetaRecord& r) {
        TEnhMetaText t;
        if (DecodeExtTextOutW(r, t)) texts.push_back(t);
        return true;
    });
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(S(texts[0].Text), "Привет");
    EXPECT_EQ(S(texts[1].Text), "мир");  // the bold run is a text call of its own
    EXPECT_EQ(texts[0].Reference.Y, texts[1].Reference.Y);
    EXPECT_GT(texts[1].Reference.X, texts[0].Reference.X);
    EXPECT_EQ(S(texts[2].Text), "Second line");
    EXPECT_EQ(S(texts[3].Text), "Third line");
    EXPECT_GT(texts[2].Reference.Y, texts[0].Reference.Y);
    EXPECT_GE(texts[0].Reference.X, 100);
    EXPECT_GT(texts[3].Reference.Y, 300);
}
