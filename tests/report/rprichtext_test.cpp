#include "report/rprichtext.h"

#include "platform/gui/rtf.h"
#include "platform/rtl/lists.h"
#include "rpprintables_support.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

// RTF text in code page 1251: bytes above 127 as \'hh.
QByteArray Rtf1251(const String& Text) {
    QByteArray R;
    for (char c : StringToCodePage(Text, 1251)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 128)
            R += c;
        else
            R += "\\'" + QByteArray::number(u, 16);
    }
    return R;
}

// Paragraphs of Cyrillic text with a bold word in each.
QByteArray SampleRtf(int Paragraphs) {
    QByteArray R = "{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
    for (int i = 1; i <= Paragraphs; ++i) {
        R += Rtf1251(QStringLiteral("Абзац %1: сдельная ").arg(i));
        R += "{\\b " + Rtf1251(u"оплата"_s) + "}";
        R += Rtf1251(u" за смену"_s) + "\\par ";
    }
    R += "}";
    return R;
}

// Every word printed on the pages, in order.
QStringList PrintedWords(TTestReport* R) {
    QStringList Words;
    for (size_t p = 0; p < R->Pages.size(); ++p)
        for (const String& T : R->PageStrings(int(p))) Words << T.split(u' ', Qt::SkipEmptyParts);
    return Words;
}

TEST(RpRichText, ContinuesAcrossPagesWithoutLosingACharacter) {
    TPrintableFixture F;
    auto* R = F.Add<TRpCustomRichText>("Rich1");
    R->RichEdit()->LoadText(QString::fromLatin1(SampleRtf(12)));
    const String Plain = DocumentPlainText(*R->RichEdit()->Document());
    R->SetAutoStretch(true);
    R->Size()->SetUnits(Native);
    R->Size()->SetWidth(1500);
    R->Size()->SetHeight(100);  // a few lines per page
    F.Band->MaxExpansion = 50;
    F.Report->BeginDocument();
    R->Prepare();
    int Pages = 1;
    R->Print(0, 0);
    while (!R->PrintFinished() && Pages < 50) {
        F.Report->NewPage();
        F.Band->ResetExpansion();
        R->Print(0, 0);
        ++Pages;
    }
    R->Unprepare();
    F.Report->EndDocument();
    ASSERT_TRUE(R->PrintFinished());
    EXPECT_GT(Pages, 2);
    EXPECT_EQ(R->LastCharIndex(), DocumentTextLength(*R->RichEdit()->Document()));
    EXPECT_EQ(PrintedWords(F.Report), Plain.split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts));
    // The bold word is a text run of its own.
    EXPECT_EQ(F.Report->PageStrings(0).at(1), u"оплата"_s);
}

// A step of 0 or less counts as 1: the text stretches, and a page that cannot take more ends the
// growing instead of looping for ever.
TEST(RpRichText, AStretchStepOfZeroOrLessStillEnds) {
    for (int Step : {0, -5}) {
        SCOPED_TRACE(Step);
        TPrintableFixture F;
        auto* R = F.Add<TRpCustomRichText>("Rich1");
        R->RichEdit()->LoadText(QString::fromLatin1(SampleRtf(6)));
        R->SetAutoStretch(true);
        R->SetYIncrement(Step);
        R->Size()->SetUnits(Native);
        R->Size()->SetWidth(1500);
        R->Size()->SetHeight(100);
        F.Band->MaxExpansion = 40;
        F.Report->BeginDocument();
        R->Prepare();
        R->Print(0, 0);
        EXPECT_FALSE(R->PrintFinished());
        EXPECT_GE(F.Band->Expansion, 39);  // grown in steps of one as far as the page allows
        EXPECT_LE(F.Band->Expansion, 40);
        R->Unprepare();
        F.Report->EndDocument();
    }
}

TEST(RpRichText, WithoutStretchPrintsWhatFitsAndFinishes) {
    TPrintableFixture F;
    auto* R = F.Add<TRpCustomRichText>("Rich1");
    R->RichEdit()->LoadText(QString::fromLatin1(SampleRtf(12)));
    R->Size()->SetUnits(Native);
    R->Size()->SetWidth(1500);
    R->Size()->SetHeight(150);
    F.Report->BeginDocument();
    R->Prepare();
    R->Print(0, 0);
    EXPECT_TRUE(R->PrintFinished());
    F.Report->EndDocument();
    const QStringList Words = PrintedWords(F.Report);
    EXPECT_GT(Words.size(), 0);
    EXPECT_LT(Words.size(), 12 * 6);
}

TEST(RpRichText, BandThatCannotGrowAsksForAnotherPrint) {
    TPrintableFixture F;
    auto* R = F.Add<TRpCustomRichText>("Rich1");
    R->RichEdit()->LoadText(QString::fromLatin1(SampleRtf(12)));
    R->SetAutoStretch(true);
    R->Size()->SetUnits(Native);
    R->Size()->SetWidth(1500);
    R->Size()->SetHeight(150);
    F.Report->BeginDocument();
    R->Prepare();
    R->Print(0, 0);
    EXPECT_FALSE(R->PrintFinished());
    EXPECT_GT(R->LastCharIndex(), 0);
    F.Report->EndDocument();
}

TEST(RpRichText, EmptyEditorFinishesAtOnceAndExpandedHeightFitsAll) {
    TPrintableFixture F;
    auto* R = F.Add<TRpCustomRichText>("Rich1");
    F.Report->BeginDocument();
    R->Prepare();
    R->Print(0, 0);
    EXPECT_TRUE(R->PrintFinished());
    R->Unprepare();
    F.Report->EndDocument();
    EXPECT_TRUE(F.Report->PageStrings(0).empty());

    R->RichEdit()->LoadText(QString::fromLatin1(SampleRtf(6)));
    R->Size()->SetUnits(Native);
    R->Size()->SetWidth(1500);
    R->Size()->SetHeight(100);
    Extended H = 0;
    R->GetExpandedHeight(H);
    // Six lines of 10-point text need more than 100 native units (38 pixels).
    EXPECT_GT(H, 60);
    EXPECT_LT(H, 400);
}

TEST(RpRichText, TransparentIsOneFlagForAll) {
    TRpCustomRichText::SetTransparent(false);
    TOwned<TRpCustomRichText> A = NewOwned<TRpCustomRichText>(nullptr);
    A->SetTransparentProp(true);
    TOwned<TRpCustomRichText> B = NewOwned<TRpCustomRichText>(nullptr);
    EXPECT_TRUE(B->TransparentProp());
    TRpCustomRichText::SetTransparent(false);
    EXPECT_EQ(A->YIncrement(), 50);
    EXPECT_FALSE(A->AutoStretch());
    EXPECT_EQ(A->RichEdit()->Width(), A->Width() - 2);
}

}  // namespace
