#include "platform/gui/clipbrd.h"

#include "platform/gui/imaging.h"
#include "support/testutil.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>

#include <gtest/gtest.h>

namespace {

using sdelka::test::S;

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override { Clipboard()->Clear(); }
    void TearDown() override { Clipboard()->Clear(); }
};

}  // namespace

TEST_F(ClipboardTest, TextGoesThroughTheSystemClipboard) {
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    Clipboard()->SetAsText(u"Наряд №5"_S);
    EXPECT_EQ(S(QGuiApplication::clipboard()->text()), "Наряд №5");
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_TRUE(Clipboard()->HasFormat(CF_UNICODETEXT));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_BITMAP));

    QGuiApplication::clipboard()->setText("from elsewhere");
    EXPECT_EQ(S(Clipboard()->AsText()), "from elsewhere");

    // Text as byte blocks: UTF-16 and the Cyrillic ANSI page, each with its terminating zero.
    const QByteArray ansi = Clipboard()->GetAsHandle(CF_TEXT);
    EXPECT_EQ(ansi, QByteArray("from elsewhere", 15));
    Clipboard()->SetAsHandle(CF_TEXT, QByteArray("\xc4\xe0\0junk", 7));
    EXPECT_EQ(S(Clipboard()->AsText()), "Да");
    const QByteArray wide = Clipboard()->GetAsHandle(CF_UNICODETEXT);
    EXPECT_EQ(wide, QByteArray("\x14\x04\x30\x04\0\0", 6));
    Clipboard()->SetAsHandle(CF_UNICODETEXT, QByteArray("\x2f\x04\0\0", 4));
    EXPECT_EQ(S(Clipboard()->AsText()), "Я");

    Clipboard()->Clear();
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(S(Clipboard()->AsText()), "");
}

TEST_F(ClipboardTest, RegisteredFormats) {
    const Word csv = RegisterClipboardFormat("Csv");
    EXPECT_GE(csv, 0xC000);
    EXPECT_EQ(RegisterClipboardFormat("csv"), csv);
    const Word rtf = RegisterClipboardFormat("Rich Text Format");
    EXPECT_NE(rtf, csv);
    EXPECT_EQ(S(GetClipboardFormatName(rtf)), "Rich Text Format");
    EXPECT_EQ(RegisterClipboardFormat(""), 0);

    const QByteArray bytes("a;b\r\n1;2\r\n\0tail", 15);
    Clipboard()->SetAsHandle(csv, bytes);
    EXPECT_TRUE(Clipboard()->HasFormat(csv));
    EXPECT_FALSE(Clipboard()->HasFormat(rtf));
    EXPECT_EQ(Clipboard()->GetAsHandle(csv), bytes);   // byte blocks are kept whole
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat("application/x-sdelka-Csv"));
    EXPECT_EQ(Clipboard()->GetAsHandle(rtf), QByteArray());
    EXPECT_EQ(Clipboard()->GetAsHandle(0x7777), QByteArray());

    // Outside Open/Close each change replaces the clipboard.
    Clipboard()->SetAsText("text");
    EXPECT_FALSE(Clipboard()->HasFormat(csv));
}

TEST_F(ClipboardTest, OpenCloseCollectsFormatsAndPublishesOnLastClose) {
    const Word csv = RegisterClipboardFormat("Csv");
    const Word xml = RegisterClipboardFormat("XML Spreadsheet");
    Clipboard()->SetAsText("old");

    Clipboard()->Open();
    Clipboard()->Open();   // nested
    Clipboard()->SetAsText("a\tb");
    Clipboard()->SetAsHandle(csv, "a;b");
    Clipboard()->Close();
    // Still inside the outer bracket: the system clipboard has not changed, this object sees
    // what it collected.
    EXPECT_EQ(S(QGuiApplication::clipboard()->text()), "old");
    EXPECT_TRUE(Clipboard()->HasFormat(csv));
    Clipboard()->SetAsHandle(xml, "<x/>");
    Clipboard()->Close();

    EXPECT_EQ(S(QGuiApplication::clipboard()->text()), "a\tb");
    EXPECT_EQ(S(Clipboard()->AsText()), "a\tb");
    EXPECT_EQ(Clipboard()->GetAsHandle(csv), QByteArray("a;b"));
    EXPECT_EQ(Clipboard()->GetAsHandle(xml), QByteArray("<x/>"));
    EXPECT_EQ(Clipboard()->FormatCount(), 4);   // Unicode text, text, two registered formats

    // A bracket without changes leaves the clipboard alone; an extra Close is harmless.
    Clipboard()->Open();
    EXPECT_EQ(S(Clipboard()->AsText()), "a\tb");
    Clipboard()->Close();
    Clipboard()->Close();
    EXPECT_TRUE(Clipboard()->HasFormat(csv));
}

TEST_F(ClipboardTest, Bitmaps) {
    TBitmap bmp;
    QImage img(4, 3, QImage::Format_RGB32);
    img.fill(qRgb(10, 200, 30));
    bmp.SetImage(img);
    Clipboard()->Assign(&bmp);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
    EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));

    TBitmap back;
    back.Assign(Clipboard());
    EXPECT_EQ(back.Width(), 4);
    EXPECT_EQ(back.Height(), 3);
    EXPECT_EQ(back.Image().pixel(1, 1), qRgb(10, 200, 30));

    const QByteArray bmpFile = Clipboard()->GetAsHandle(CF_BITMAP);
    EXPECT_TRUE(bmpFile.startsWith("BM"));
    Clipboard()->Clear();
    Clipboard()->SetAsHandle(CF_BITMAP, bmpFile);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
}

TEST_F(ClipboardTest, ReplacingTheClipboardObject) {
    TClipboard* mine = New<TClipboard>();
    TClipboard* old = SetClipboard(mine);
    EXPECT_EQ(Clipboard(), mine);
    EXPECT_EQ(SetClipboard(old), mine);
    mine->Free();
    EXPECT_EQ(Clipboard(), old);
}
