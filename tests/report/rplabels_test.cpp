#include "report/rplabels.h"

#include "platform/rtl/filer.h"
#include "platform/rtl/lists.h"
#include "report/rpframe.h"
#include "report/rpshapes.h"
#include "rpprintables_support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

std::vector<String> LinesOf(TRpCustomLabel* L) {
    std::vector<String> R;
    for (int i = 0; i < L->FormattedLines()->Count(); ++i) R.push_back(L->FormattedLines()->Strings(i));
    return R;
}

std::vector<String> S(std::initializer_list<const char*> L) {
    std::vector<String> R;
    for (auto s : L) R.push_back(QString::fromUtf8(s));
    return R;
}

// ---- the printable base --------------------------------------------------------------------------

TEST(RpPrintable, NewPrintableAndSizeObject) {
    TOwned<TRpPrintableSize> Alone = NewOwned<TRpPrintableSize>(nullptr);
    Alone->SetUnits(Native);
    EXPECT_EQ(Alone->Height(), 20);
    EXPECT_EQ(Alone->Left(), 20);
    EXPECT_EQ(Alone->Top(), 20);
    EXPECT_EQ(Alone->Width(), 20);

    TOwned<TRpLabel> L = NewOwned<TRpLabel>(nullptr);
    EXPECT_EQ(L->Width(), 10);
    EXPECT_EQ(L->Height(), 10);
    EXPECT_EQ(L->Color(), TColor(0xFFFFFF));
    EXPECT_EQ(L->Alignment(), taLeftJustify);
    EXPECT_FALSE(L->AlignToBand());
    EXPECT_TRUE(L->PrintFinished());
    EXPECT_EQ(L->MaxBreakChars(), 5);
    // The pixel bounds were written into the native values.
    EXPECT_NEAR(double(L->Size()->NativeWidth()), 10 * 254.0 / 96, 1e-6);
    EXPECT_NEAR(double(L->Size()->NativeLeft()), 0, 1e-9);
}

TEST(RpPrintable, BoundsAndNativeSizeStayInStep) {
    TPrintableFixture F;
    auto* P = F.Add<TRpLabel>("L1");
    P->SetAutoSize(false);
    P->SetBounds(10, 20, 96, 48);
    EXPECT_NEAR(double(P->Size()->NativeWidth()), 254, 1e-6);
    EXPECT_NEAR(double(P->Size()->NativeHeight()), 127, 1e-6);
    EXPECT_NEAR(double(P->Size()->NativeLeft()), 254.0 * 10 / 96, 1e-6);
    P->Size()->SetUnits(MM);
    P->Size()->SetWidth(50.8);  // 2 inches
    EXPECT_EQ(P->Width(), 192);
    // The same bounds again do not touch the control.
    const int Before = F.Report->Modifications;
    P->SetBounds(P->Left(), P->Top(), P->Width(), P->Height());
    EXPECT_EQ(F.Report->Modifications, Before);
}

TEST(RpPrintable, ZoomedBandShowsPixelsAtItsZoom) {
    TPrintableFixture F;
    auto* P = F.Add<TRpLabel>("L1");
    P->SetAutoSize(false);
    P->SetBounds(0, 0, 50, 20);
    P->Size()->SetUnits(Pixels);
    EXPECT_NEAR(double(P->Size()->Width()), 50, 1e-6);
    F.Band->Zoom = 200;
    EXPECT_NEAR(double(P->Size()->Width()), 100, 1e-6);
}

TEST(RpPrintable, AlignmentInBand) {
    TPrintableFixture F;
    F.Band->SetBounds(0, 0, 100, 50);
    auto* P = F.Add<TRpLabel>("L1");
    P->SetAutoSize(false);
    struct Case {
        int Width;
        TAlignment Alignment;
        int Left;
    } Cases[] = {{89, taCenter, 5}, {111, taCenter, -5}, {30, taRightJustify, 70}, {30, taLeftJustify, 0}};
    for (auto& C : Cases) {
        P->SetAlignToBand(false);
        P->SetBounds(17, 0, C.Width, 10);
        P->SetAlignment(C.Alignment);
        P->SetAlignToBand(true);
        EXPECT_EQ(P->Left(), C.Left) << C.Width << " " << C.Alignment;
    }
    // Moving an aligned control puts it back.
    P->SetLeft(3);
    EXPECT_EQ(P->Left(), 0);

    // Not on a band: right and centre leave the control alone, left moves it to 0.
    TOwned<TRpLabel> Free = NewOwned<TRpLabel>(nullptr);
    Free->SetParent(F.Report);
    Free->SetAutoSize(false);
    Free->SetBounds(17, 0, 30, 10);
    Free->SetAlignment(taCenter);
    Free->SetAlignToBand(true);
    EXPECT_EQ(Free->Left(), 17);
    Free->SetAlignment(taLeftJustify);
    EXPECT_EQ(Free->Left(), 0);
}

TEST(RpPrintable, LoadingRemembersGivenBounds) {
    TOwned<TRpLabel> L = NewOwned<TRpLabel>(nullptr);
    L->SetAutoSize(false);
    L->SetBounds(0, 0, 0, 0);
    L->SetLoading(true);
    L->SetBounds(0, 12, 0, 30);
    EXPECT_EQ(L->Top(), 0);
    L->Loaded();
    EXPECT_EQ(L->Top(), 12);
    EXPECT_EQ(L->Height(), 30);
    EXPECT_EQ(L->Left(), 0);
    EXPECT_EQ(L->Width(), 0);
}

TEST(RpPrintable, PrintEnabledAndTransparent) {
    TOwned<TRpLabel> L = NewOwned<TRpLabel>(nullptr);
    EXPECT_TRUE(L->IsPrintEnabled());
    L->SetEnabled(false);
    EXPECT_FALSE(L->IsPrintEnabled());
    L->SetVisible(false);
    EXPECT_TRUE(L->IsPrintEnabled());
    EXPECT_FALSE(L->Transparent());
    L->SetTransparent(true);
    EXPECT_TRUE(L->Transparent());
}

TEST(RpPrintable, DesignPaletteByColourDepth) {
    EXPECT_EQ(RpDesignPaletteFor(-1).MarginPenStyle, psDot);
    EXPECT_EQ(RpDesignPaletteFor(-1).RulerMinorPenColor, TColor(0xF9F9F9));
    EXPECT_EQ(RpDesignPaletteFor(65536).BandFramePenColor, TColor(0x606060));
    EXPECT_EQ(RpDesignPaletteFor(256).MarginPenStyle, psDash);
    EXPECT_EQ(RpDesignPaletteFor(256).RulerMinorPenStyle, psDot);
    EXPECT_STREQ(DesignPalette().RulerFontName, "Small Fonts");
}

TEST(RpPrintable, SizeStreamsAsOneListOfFour) {
    TPrintableFixture F;
    auto* P = F.Add<TRpLabel>("Caption1");
    P->SetAutoSize(false);
    P->Size()->SetUnits(Native);
    P->Size()->SetLeft(100);
    P->Size()->SetTop(50);
    P->Size()->SetWidth(300);
    P->Size()->SetHeight(40);
    P->Frame()->SetDrawTop(true);
    P->SetCaption(QStringLiteral("Итого"));
    TOwned<TMemoryStream> M = NewOwned<TMemoryStream>();
    WriteComponentToStream(M.get(), P);

    TOwned<TRpLabel> Q = NewOwned<TRpLabel>(nullptr);
    M->SetPosition(0);
    ReadComponentFromStream(M.get(), Q.get());
    EXPECT_EQ(Q->Caption(), QStringLiteral("Итого"));
    EXPECT_NEAR(double(Q->Size()->NativeLeft()), 100, 1e-9);
    EXPECT_NEAR(double(Q->Size()->NativeTop()), 50, 1e-9);
    EXPECT_NEAR(double(Q->Size()->NativeWidth()), 300, 1e-9);
    EXPECT_NEAR(double(Q->Size()->NativeHeight()), 40, 1e-9);
    EXPECT_TRUE(Q->Frame()->DrawTop());
    EXPECT_EQ(Q->Width(), int(std::lround(300 * 96 / 254.0)));
}

// ---- line layout ---------------------------------------------------------------------------------

// Fixed metrics: every character 10 pixels wide.
struct WrapCase {
    const char* Name;
    int Width;
    const char* Text;
    TWrapStyle Style;
    bool WordWrap;
    std::vector<String> Lines;
};

TEST(RpLabelLayout, WrapCasesWithFixedWidthMetrics) {
    const WrapCase Cases[] = {
        {"two words narrower than a character", 5, "ab cd", BreakOnSpaces, true, S({"", "", ""})},
        {"long word keeps what leaves the line narrower", 35, "abcdefg", BreakOnSpaces, true, S({"abc", ""})},
        {"words that fit stay together", 60, "aa bb cc", BreakOnSpaces, true, S({"aa bb ", "cc"})},
        {"CR LF gives two lines", 100, "ab\r\ncd", BreakOnSpaces, true, S({"ab", "cd"})},
        {"a closing CR gives an empty line", 100, "ab\r", BreakOnSpaces, true, S({"ab", ""})},
        {"empty caption on spaces", 100, "", BreakOnSpaces, true, S({""})},
        {"empty caption anywhere", 100, "", BreakAnywhere, true, S({})},
        {"hyphen breaks after it", 60, "abc-defgh", BreakOnSpaces, true, S({"abc-", "defgh"})},
        {"word wrap off keeps the first words", 60, "aa bb cc", BreakOnSpaces, false, S({"aa bb "})},
        {"word wrap off: later overflow makes a line", 60, "aa bb cc dd ee ff gg", BreakOnSpaces, false,
         S({"aa bb ", "dd ee "})},
        {"anywhere cuts characters", 35, "abcdefg", BreakAnywhere, true, S({"abc", "def", "g"})},
        {"anywhere drops a blank rest", 30, "abc ", BreakAnywhere, true, S({"abc"})},
        {"cyrillic words", 100, "Готовая продукция", BreakOnSpaces, true, S({"Готовая ", "продукция"})},
    };
    TPrintableFixture F;
    F.Report->CharWidth = 10;
    auto* L = F.Add<TRpLabel>("L1");
    L->SetAutoSize(false);
    for (const auto& C : Cases) {
        L->SetBounds(0, 0, C.Width, 40);
        L->SetWrapStyle(C.Style);
        L->SetWordWrap(C.WordWrap);
        L->SetCaption(QString::fromUtf8(C.Text));
        EXPECT_EQ(LinesOf(L), C.Lines) << C.Name;
    }
}

TEST(RpLabelLayout, AutoSizeKeepsOneLineAndItsAnchor) {
    TPrintableFixture F;
    F.Report->CharWidth = 10;
    auto* L = F.Add<TRpLabel>("L1");
    L->SetBounds(200, 0, 50, 20);
    L->SetAlignment(taRightJustify);
    L->SetCaption(QStringLiteral("a long caption"));
    EXPECT_EQ(LinesOf(L), S({"a long caption"}));
    EXPECT_EQ(L->Width(), 140);
    EXPECT_EQ(L->Left() + L->Width(), 250);  // the right edge stays
    // Centred, it keeps the centre of the box it was placed in (200..250), not of the last fit.
    L->SetAlignment(taCenter);
    L->SetCaption(QStringLiteral("ab"));
    EXPECT_EQ(L->Width(), 20);
    EXPECT_EQ(L->Left(), 215);
    // At least one line of height.
    EXPECT_GE(L->Height(), F.Report->CharHeight + 1);
}

TEST(RpLabelLayout, ExpandedHeightCountsFormattedLines) {
    TPrintableFixture F;
    F.Report->CharWidth = 10;
    auto* M = F.Add<TRpMemo>("M1");
    M->SetAutoSize(false);
    M->SetBounds(0, 0, 60, 20);
    M->Lines()->SetText(QStringLiteral("aa bb cc\r\ndd"));
    Extended H = 0;
    M->GetExpandedHeight(H);
    EXPECT_EQ(H, 3 * 12);
    F.Report->ZoomValue = 200;
    M->SetZoom(200);
    M->GetExpandedHeight(H);
    EXPECT_EQ(H, 3 * 24);
}

TEST(RpLabelLayout, NameBecomesCaptionUntilCaptionIsSet) {
    TOwned<TRpLabel> L = NewOwned<TRpLabel>(nullptr);
    L->SetName(QStringLiteral("RpLabel1"));
    EXPECT_EQ(L->Caption(), QStringLiteral("RpLabel1"));
    L->SetName(QStringLiteral("RpLabel2"));
    EXPECT_EQ(L->Caption(), QStringLiteral("RpLabel2"));
    L->SetCaption(QStringLiteral("Итого"));
    L->SetName(QStringLiteral("RpLabel3"));
    EXPECT_EQ(L->Caption(), QStringLiteral("Итого"));
}

// ---- printing ------------------------------------------------------------------------------------

// Native line height of the font on the printer's page canvas.
Extended PageLineHeight(TTestReport* R, TFont* Font) {
    TCanvas* C = R->Printer()->Canvas();
    C->SetFont(Font);
    return C->TextHeight(QStringLiteral("W")) / R->Printer()->YFactor();
}

TEST(RpLabelPrint, LabelPrintsItsCaptionAsText) {
    TPrintableFixture F;
    auto* L = F.Add<TRpLabel>("Title");
    L->SetCaption(QStringLiteral("Табель сделка"));
    F.Report->BeginDocument();
    L->Prepare();
    L->Print(100, 200);
    L->Unprepare();
    F.Report->EndDocument();
    auto T = F.Report->PageTexts(0);
    ASSERT_EQ(T.size(), 1u);
    EXPECT_EQ(T[0].Text, QStringLiteral("Табель сделка"));
    EXPECT_EQ(T[0].Reference.X, int(std::lround((L->Size()->NativeLeft() + 100) * 96 / 254)));
    EXPECT_TRUE(L->PrintFinished());
}

TEST(RpLabelPrint, StretchingMemoContinuesAcrossPagesWithoutLosingALine) {
    TPrintableFixture F;
    auto* M = F.Add<TRpMemo>("Memo1");
    std::vector<String> Expected;
    for (int i = 1; i <= 8; ++i) Expected.push_back(QStringLiteral("Строка %1").arg(i));
    M->Lines()->SetText(QStringList(Expected.begin(), Expected.end()).join(QStringLiteral("\r\n")));
    M->SetAutoStretch(true);
    F.Report->BeginDocument();
    const Extended LH = PageLineHeight(F.Report, M->Font());
    M->Size()->SetUnits(Native);
    M->Size()->SetHeight(LH * 3.5L);
    M->Prepare();
    std::vector<int> PerPage;
    for (int Page = 0; Page < 5; ++Page) {
        if (Page > 0) F.Report->NewPage();
        F.Band->ResetExpansion();
        M->Print(0, 100);
        if (M->PrintFinished()) break;
    }
    M->Unprepare();
    F.Report->EndDocument();
    ASSERT_EQ(F.Report->Pages.size(), 3u);
    std::vector<String> All;
    for (int p = 0; p < 3; ++p) {
        auto Texts = F.Report->PageStrings(p);
        PerPage.push_back(int(Texts.size()));
        All.insert(All.end(), Texts.begin(), Texts.end());
    }
    EXPECT_EQ(PerPage, (std::vector<int>{3, 3, 2}));
    EXPECT_EQ(All, Expected);
    // Afterwards the memo shows its name.
    EXPECT_EQ(M->Caption(), QStringLiteral("Memo1"));
}

TEST(RpLabelPrint, BandGrowsOneLineAtATime) {
    TPrintableFixture F;
    auto* M = F.Add<TRpMemo>("Memo1");
    M->Lines()->SetText(QStringLiteral("1\r\n2\r\n3\r\n4\r\n5"));
    M->SetAutoStretch(true);
    F.Report->BeginDocument();
    const Extended LH = PageLineHeight(F.Report, M->Font());
    M->Size()->SetUnits(Native);
    M->Size()->SetHeight(LH * 2);
    F.Band->MaxExpansion = LH * 2.5L;  // room for two more lines
    M->Prepare();
    M->Print(0, 0);
    EXPECT_NEAR(double(F.Band->Expansion), double(LH * 2), 1e-6);
    EXPECT_FALSE(M->PrintFinished());
    F.Report->NewPage();
    F.Band->ResetExpansion();
    M->Print(0, 0);
    EXPECT_TRUE(M->PrintFinished());
    F.Report->EndDocument();
    EXPECT_EQ(F.Report->PageStrings(0), S({"1", "2", "3", "4"}));
    EXPECT_EQ(F.Report->PageStrings(1), S({"5"}));
}

TEST(RpLabelPrint, WithoutAutoStretchTheRestIsDropped) {
    TPrintableFixture F;
    auto* M = F.Add<TRpMemo>("Memo1");
    M->Lines()->SetText(QStringLiteral("1\r\n2\r\n3\r\n4\r\n5"));
    F.Report->BeginDocument();
    const Extended LH = PageLineHeight(F.Report, M->Font());
    M->Size()->SetUnits(Native);
    M->Size()->SetHeight(LH * 3);
    F.Band->MaxExpansion = 1000;
    M->Prepare();
    M->Print(0, 0);
    EXPECT_TRUE(M->PrintFinished());
    F.Report->EndDocument();
    EXPECT_EQ(F.Report->PageStrings(0), S({"1", "2", "3"}));
    EXPECT_EQ(F.Band->Expansion, 0);
}

TEST(RpLabelPrint, VerticalCentringOnlyForOneLine) {
    TPrintableFixture F;
    auto* L = F.Add<TRpLabel>("L1");
    L->SetAutoSize(false);
    L->SetVerticalAlignment(tlCenter);
    L->SetBounds(0, 0, 400, 100);
    L->SetCaption(QStringLiteral("one"));
    F.Report->BeginDocument();
    L->Prepare();
    L->Print(0, 0);
    L->SetCaption(QStringLiteral("one\r\ntwo"));
    L->Print(0, 1000);
    F.Report->EndDocument();
    auto T = F.Report->PageTexts(0);
    ASSERT_EQ(T.size(), 3u);
    EXPECT_GT(T[0].Reference.Y, 20);  // moved down into the middle of a 100-pixel box
    EXPECT_EQ(T[1].Reference.Y, int(std::lround(1000 * 96 / 254.0)));
}

TEST(RpLabelPrint, OnPrintChangesTheTextForThisPrintOnly) {
    TPrintableFixture F;
    auto* L = F.Add<TRpLabel>("L1");
    L->SetCaption(QStringLiteral("Caption"));
    L->OnPrint = [](TObject*, String& V) { V = QStringLiteral("Printed ") + V; };
    F.Report->BeginDocument();
    L->Prepare();
    L->Print(0, 0);
    L->Unprepare();
    F.Report->EndDocument();
    EXPECT_EQ(F.Report->PageStrings(0), S({"Printed Caption"}));
    EXPECT_EQ(L->Caption(), QStringLiteral("Caption"));
    EXPECT_EQ(L->PrintCaption(), QStringLiteral("Caption"));
}

TEST(RpLabelPrint, DisabledVisibleLabelPrintsNothingAndHiddenOneRegisters) {
    TPrintableFixture F;
    F.Report->PreviewLinks = true;
    auto* L = F.Add<TRpLabel>("L1");
    L->SetActiveInPreview(true);
    L->SetCaption(QStringLiteral("x"));
    F.Report->BeginDocument();
    L->Prepare();
    L->SetEnabled(false);
    L->Print(0, 0);
    EXPECT_EQ(F.Report->LinkPage()->Count(), 0);
    L->SetVisible(false);
    L->Print(0, 0);
    EXPECT_EQ(F.Report->LinkPage()->Count(), 1);
    EXPECT_EQ(F.Report->LinkPage()->getItemRec(0)->textcontent, QStringLiteral("x"));
    F.Report->EndDocument();
    EXPECT_TRUE(F.Report->PageStrings(0).empty());
}

TEST(RpLabelPrint, FullJustificationSpreadsWithinMaxBreakChars) {
    TPrintableFixture F;
    auto* M = F.Add<TRpMemo>("M1");
    M->SetAutoSize(false);
    M->SetFullJustify(true);
    M->SetBounds(0, 0, 300, 40);
    M->Lines()->SetText(QStringLiteral("ab cd"));
    struct Case {
        int MaxBreakChars;
        bool Spread;
    } Cases[] = {{0, false}, {5, false}, {1000, true}};
    for (const auto& C : Cases) {
        M->SetMaxBreakChars(C.MaxBreakChars);
        F.Report->Pages.clear();
        F.Report->BeginDocument();
        M->Prepare();
        M->Print(0, 0);
        M->Unprepare();
        F.Report->EndDocument();
        auto T = F.Report->PageTexts(0);
        ASSERT_EQ(T.size(), 2u);
        EXPECT_EQ(T[0].Text, QStringLiteral("ab"));
        EXPECT_EQ(T[1].Text, QStringLiteral("cd"));
        // Spread: the second word ends at the control's right edge.
        const int Gap = T[1].Reference.X - T[0].Reference.X;
        if (C.Spread)
            EXPECT_GT(Gap, 200) << C.MaxBreakChars;
        else
            EXPECT_LT(Gap, 60) << C.MaxBreakChars;
    }
}

TEST(RpLabelPrint, FrameAndBackgroundInTheFinalPass) {
    TPrintableFixture F;
    auto* L = F.Add<TRpLabel>("L1");
    L->SetCaption(QStringLiteral("x"));
    L->Frame()->SetDrawTop(true);
    L->Frame()->SetDrawBottom(true);
    F.Report->BeginDocument();
    L->Prepare();
    L->Print(0, 0);
    L->SetTransparent(true);
    L->Frame()->SetDrawTop(false);
    L->Frame()->SetDrawBottom(false);
    L->Print(0, 500);
    F.Report->EndDocument();
    // Opaque: one background fill, and two frame sides; transparent without frame: nothing.
    EXPECT_EQ(F.Report->CountRecords(0, EMR_FILLRGN) + F.Report->CountRecords(0, EMR_RECTANGLE), 3);
    EXPECT_EQ(F.Report->PageStrings(0).size(), 2u);
}

}  // namespace

namespace {

// Records what a report run hands to an export filter.
class TLabelRecordingFilter : public TRpExportFilter {
    SDELKA_CLASS(TLabelRecordingFilter, TRpExportFilter)
public:
    TLabelRecordingFilter() = default;
    void AcceptGraphic(Extended X, Extended Y, TControl* C) override { Graphics.push_back(C->ClassName()); }
    void TextOut(Extended X, Extended Y, TFont*, TColor, TAlignment, const String& Text) override {
        Texts.push_back(Text);
        Ys.push_back(Y);
        Xs.push_back(X);
    }
    std::vector<String> Graphics, Texts;
    std::vector<Extended> Xs, Ys;
};

TEST(RpLabelExport, LinesAndBackgroundGoToTheFilterNotToThePage) {
    TPrintableFixture F;
    TOwned<TLabelRecordingFilter> Filter = NewOwned<TLabelRecordingFilter>();
    F.Report->IsExporting = true;
    F.Report->Filter = Filter.get();
    auto* L = F.Add<TRpLabel>("L1");
    L->SetAutoSize(false);
    L->SetBounds(10, 10, 300, 80);
    L->SetColor(clRed);
    L->SetCaption(QStringLiteral("first\r\nsecond"));
    auto* Sh = F.Add<TRpShape>("Shape1");
    F.Report->BeginDocument();
    L->Prepare();
    L->Print(100, 200);
    Sh->Prepare();
    Sh->Print(0, 0);
    Sh->SetEnabled(false);
    Sh->Print(0, 0);  // a disabled visible shape is not exported
    F.Report->EndDocument();
    ASSERT_EQ(Filter->Texts, S({"first", "second"}));
    EXPECT_NEAR(double(Filter->Xs[0]), double(L->Size()->NativeLeft() + 100), 1e-6);
    EXPECT_NEAR(double(Filter->Ys[0]), double(L->Size()->NativeTop() + 200), 1e-6);
    EXPECT_GT(Filter->Ys[1], Filter->Ys[0]);
    EXPECT_EQ(Filter->Graphics, S({"TRpShape", "TRpShape"}));  // the label's background, the shape
    EXPECT_TRUE(F.Report->PageStrings(0).empty());
}

}  // namespace

namespace {

// An auto-sized text stays on the edge it is anchored to, whether its alignment was set before or
// after the control was fitted to its design-time text, and whatever width the printed text has.
TEST(RpLabelExport, AutoSizedTextKeepsItsPlacedEdge) {
    struct Case {
        TAlignment Alignment;
        bool AlignFirst;
    } Cases[] = {{taRightJustify, true}, {taRightJustify, false}, {taCenter, true}, {taCenter, false}};
    for (const Case& C : Cases) {
        TPrintableFixture F;
        F.Report->CharWidth = 10;
        TOwned<TLabelRecordingFilter> Filter = NewOwned<TLabelRecordingFilter>();
        F.Report->IsExporting = true;
        F.Report->Filter = Filter.get();
        auto* L = F.Add<TRpLabel>("L1");
        if (C.AlignFirst) L->SetAlignment(C.Alignment);
        L->SetBounds(200, 0, 300, 20);
        const Extended Left = L->Size()->NativeLeft(), Width = L->Size()->NativeWidth();
        const Extended Anchor = C.Alignment == taRightJustify ? Left + Width : Left + Width / 2;
        L->SetCaption(QStringLiteral("[SUM]"));
        if (!C.AlignFirst) L->SetAlignment(C.Alignment);
        const int Right = L->Left() + L->Width();
        if (C.Alignment == taRightJustify) EXPECT_EQ(Right, 500) << C.AlignFirst;
        F.Report->BeginDocument();
        L->Prepare();
        for (const char* Text : {"1", "12 345,67", "a much longer printed text than the box"}) {
            L->SetCaption(QString::fromLatin1(Text));
            L->Print(0, 0);
        }
        F.Report->EndDocument();
        ASSERT_EQ(Filter->Xs.size(), 3u);
        // Within a pixel of the placed edge (15 native units).
        for (Extended X : Filter->Xs)
            EXPECT_NEAR(double(X), double(Anchor), 15.0) << C.Alignment << " " << C.AlignFirst;
    }
}

}  // namespace
