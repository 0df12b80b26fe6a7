#include "report/rppctrls.h"

#include "platform/testing/memdata.h"
#include "platform/gui/canvas.h"
#include "platform/gui/imaging.h"
#include "platform/gui/metafile.h"
#include "platform/gui/printers.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/streams.h"
#include "platform/db/fields.h"

#include <QtEndian>
#include "report/rpframe.h"
#include "report/rpgrimage.h"
#include "report/rphtmllabel.h"
#include "report/rplabelreport.h"
#include "report/rplabels.h"
#include "report/rpreport.h"
#include "tests/report/rpprintables_support.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

// Records what printables hand to an export filter. The families below answer the optional parts
// of the protocol as the real ones do.
class TGridRecordingFilter : public TRpExportFilter {
    SDELKA_CLASS(TGridRecordingFilter, TRpExportFilter)
public:
    TGridRecordingFilter() = default;
    struct TGraphic {
        String Class, Name;
        Extended X, Y;
        int W, H;
        TColor Brush;
    };
    void AcceptGraphic(Extended X, Extended Y, TControl* C) override {
        TColor B = clNone;
        if (auto S = dynamic_cast<TRpShape*>(C)) B = S->Brush()->Color();
        Graphics.push_back({C->ClassName(), C->Name(), X, Y, C->Width(), C->Height(), B});
    }
    void TextOut(Extended X, Extended Y, TFont*, TColor, TAlignment, const String& Text) override {
        Texts.push_back(Text);
    }
    void TextOutRec(TExportInfoRec R) override { Records.push_back(R); }
    std::vector<TGraphic> Graphics;
    std::vector<String> Texts;
    std::vector<TExportInfoRec> Records;
};
class TRpXLSXDocumentFilter : public TGridRecordingFilter {
    SDELKA_CLASS(TRpXLSXDocumentFilter, TGridRecordingFilter)
public:
    bool TakesExportInfo() override { return true; }
    bool TakesGridCells() override { return true; }
};
class TRpGHTMLDocumentFilter : public TGridRecordingFilter {
    SDELKA_CLASS(TRpGHTMLDocumentFilter, TGridRecordingFilter)
public:
    bool TakesExportInfo() override { return true; }
    bool TakesRules() override { return true; }
    bool TakesHTMLTags() override { return true; }
};
class TRpPDFDocumentFilter : public TGridRecordingFilter {
    SDELKA_CLASS(TRpPDFDocumentFilter, TGridRecordingFilter)
public:
    bool TakesRules() override { return true; }
    bool TakesPDFShapes() override { return true; }
};

TOwned<TStringList> Lines(std::initializer_list<const char*> L) {
    TOwned<TStringList> S = NewOwned<TStringList>();
    for (auto l : L) S->Add(QString::fromLatin1(l));
    return S;
}

QStringList ListOf(TStrings* S) {
    QStringList R;
    for (int i = 0; i < S->Count(); ++i) R << S->Strings(i);
    return R;
}

// ---- the grid's model ----------------------------------------------------------------------------

TEST(RpPGrid, ANewGridIsThreeByThreeWhiteOpaqueWithTheFirstRowLine) {
    TPrintableFixture F;
    auto G = F.Add<TRpPGrid>("G");
    EXPECT_EQ(G->Width(), 65);
    EXPECT_EQ(G->Height(), 65);
    EXPECT_EQ(G->Columns(), 3);
    EXPECT_EQ(G->Rows(), 3);
    EXPECT_EQ(G->Brush()->Color(), TColor(0xFFFFFF));
    EXPECT_EQ(G->FirstRowColor(), TColor(0xFFFFFF));
    EXPECT_EQ(G->FirstCellColor(), TColor(0xFFFFFF));
    EXPECT_TRUE(G->DrawFirstRowLine());
    EXPECT_FALSE(G->FirstRowJoined());
    EXPECT_FALSE(G->Transparent());
    EXPECT_EQ(G->CellHorizAlignment(), haNone);
}

TEST(RpPGrid, ColumnSizesAreCheckedCutToTheColumnsAndSetTheWidthWhenComplete) {
    struct Case {
        std::initializer_list<const char*> In;
        bool Frame;
        QStringList Kept;
        int Width;
    } Cases[] = {
        {{"40", "x", "30"}, false, {u"40"_s, u"20"_s, u"30"_s}, 90},
        {{"40", "x", "30"}, true, {u"40"_s, u"20"_s, u"30"_s}, 94},
        {{"40", "30"}, false, {u"40"_s, u"30"_s}, 65},
        {{"10", "20", "30", "40"}, false, {u"10"_s, u"20"_s, u"30"_s}, 60},
    };
    for (const Case& C : Cases) {
        TPrintableFixture F;
        auto G = F.Add<TRpPGrid>("G");
        if (C.Frame) {
            G->Frame()->SetWidth(2);
            G->Frame()->SetDrawLeft(true);
            G->Frame()->SetDrawRight(true);
        }
        G->SetColumnSizes(Lines(C.In).get());
        EXPECT_EQ(ListOf(G->ColumnSizes()), C.Kept);
        EXPECT_EQ(G->Width(), C.Width);
    }
    // two listed columns of a three-column grid: the third takes what is left
    TPrintableFixture F;
    auto G = F.Add<TRpPGrid>("G");
    G->SetWidth(100);
    G->SetColumnSizes(Lines({"40", "30"}).get());
    EXPECT_EQ(G->ColumnWidth(2), 30);
    G->SetColumnSizes(Lines({}).get());
    EXPECT_EQ(G->ColumnWidth(1), 33);
}

TEST(RpPGrid, ColumnsAndRowsKeepCellsAndSizeListsInStep) {
    TPrintableFixture F;
    auto G = F.Add<TRpPGrid>("G");
    G->SetColumnSizes(Lines({"10", "20", "30"}).get());
    G->Cells(2, 1)->Caption = u"gone"_s;
    G->SetColumns(2);
    EXPECT_EQ(G->ColumnSizes()->Count(), 2);
    EXPECT_EQ(G->Cells(2, 1), nullptr);
    G->SetColumns(5);
    ASSERT_NE(G->Cells(4, 2), nullptr);
    EXPECT_TRUE(G->Cells(2, 1)->Caption.isEmpty());
    G->SetRows(4);
    EXPECT_NE(G->Cells(4, 3), nullptr);
    EXPECT_EQ(G->Cells(5, 0), nullptr);
    EXPECT_EQ(G->Cells(-1, 0), nullptr);
    G->SetRows(0);
    EXPECT_EQ(G->Cells(0, 0), nullptr);
    EXPECT_EQ(G->RowHeight(0), 0);  // no division by zero rows or columns
    G->SetColumns(0);
    EXPECT_EQ(G->ColumnWidth(0), 0);
}

TEST(RpPGrid, FirstColoursFollowTheGridBrushUnlessARowOrColumnIsJoined) {
    TPrintableFixture F;
    auto G = F.Add<TRpPGrid>("G");
    TOwned<TBrush> Yellow = NewOwned<TBrush>();
    Yellow->SetColor(clYellow);
    G->SetBrush(Yellow.get());
    EXPECT_EQ(G->FirstCellColor(), clYellow);
    EXPECT_EQ(G->FirstColumnColor(), clYellow);
    EXPECT_EQ(G->FirstRowColor(), clYellow);
    EXPECT_EQ(G->Cells(1, 1)->Brush()->Color(), TColor(0xFFFFFF));

    auto J = F.Add<TRpPGrid>("J");
    J->SetFirstRowJoined(true);
    J->SetBrush(Yellow.get());
    EXPECT_EQ(J->FirstCellColor(), TColor(0xFFFFFF));
    EXPECT_EQ(J->Brush()->Color(), clYellow);

    auto One = F.Add<TRpPGrid>("One");
    One->SetColumns(1);
    One->Cells(0, 0)->Brush()->SetColor(clRed);
    EXPECT_EQ(One->FirstRowColor(), clRed);
}

// ---- the grid's printing -------------------------------------------------------------------------

struct GridPrint : TPrintableFixture {
    TRpPGrid* G = nullptr;
    GridPrint() {
        G = Add<TRpPGrid>("G");
        G->SetBounds(10, 10, 300, 90);
        for (int c = 0; c < 3; ++c)
            for (int r = 0; r < 3; ++r) G->Cells(c, r)->Caption = u"c%1r%2"_s.arg(c).arg(r);
    }
    void PrintOnce() {
        Report->BeginDocument();
        G->Prepare();
        G->Print(0, 0);
        G->Unprepare();
        Report->EndDocument();
    }
};

TEST(RpPGridPrint, CellTextsPrintInColumnOrderInsideTheirCells) {
    GridPrint F;
    F.PrintOnce();
    const auto Texts = F.Report->PageTexts(0);
    ASSERT_EQ(Texts.size(), 9u);
    EXPECT_EQ(Texts[0].Text, u"c0r0"_s);
    EXPECT_EQ(Texts[3].Text, u"c1r0"_s);
    // a column to the right, a row lower, each text clipped to its cell
    EXPECT_GT(Texts[3].Reference.X, Texts[0].Reference.X + 50);
    EXPECT_GT(Texts[1].Reference.Y, Texts[0].Reference.Y + 15);
    EXPECT_EQ(Texts[0].Options & ETO_CLIPPED, unsigned(ETO_CLIPPED));
    EXPECT_LT(Texts[0].Rect.Right, Texts[3].Rect.Left + 1);
}

TEST(RpPGridPrint, NoRowsPrintNothingNotEvenTheFrame) {
    GridPrint F;
    F.G->Frame()->SetDrawTop(true);
    F.G->SetRows(0);
    F.PrintOnce();
    EXPECT_TRUE(F.Report->PageTexts(0).empty());
    EXPECT_EQ(F.Report->CountRecords(0, EMR_LINETO), 0);
}

TEST(RpPGridPrint, TheLineEventCanDrawALineItselfOrHaveItsBitmapUsed) {
    GridPrint F;
    F.G->SetDrawFirstRowLine(false);
    F.G->SetFirstColumnJoined(true);
    std::vector<std::array<double, 4>> Rows, Cols;
    F.G->OnDrawLine = [&](TObject*, double X1, double Y1, double X2, double Y2, TCanvas*, TBitmap*& Bmp, bool& Done,
                          bool& UseBmp) {
        (X1 == X2 ? Cols : Rows).push_back({X1, Y1, X2, Y2});
        Done = true;  // every line drawn by the handler
        if (X1 == X2 && Cols.size() == 1) UseBmp = true;
    };
    auto Filter = NewOwned<TGridRecordingFilter>();
    F.Report->IsExporting = true;
    F.Report->Filter = Filter.get();
    F.PrintOnce();
    ASSERT_EQ(Rows.size(), 1u);  // only the line below the second row
    EXPECT_LT(Rows[0][0], Rows[0][2]);  // joined first column: the line starts after it
    ASSERT_EQ(Cols.size(), 2u);
    // the first column line came out as its bitmap, the second not at all
    int Images = 0, Lines = 0;
    for (auto& G : Filter->Graphics) {
        Images += G.Name == u"LineImage_V"_s;
        Lines += G.Class == u"TRpShape"_s && G.H > 1 && G.W == 1;
    }
    EXPECT_EQ(Images, 1);
    EXPECT_EQ(Lines, 0);
}

TEST(RpPGridPrint, OnlyColouredBackgroundsGoToTheFilterAsRectanglesOfTheirCell) {
    GridPrint F;
    F.G->Cells(1, 1)->Brush()->SetColor(clSilver);
    auto Filter = NewOwned<TGridRecordingFilter>();
    F.Report->IsExporting = true;
    F.Report->Filter = Filter.get();
    F.PrintOnce();
    std::vector<TGridRecordingFilter::TGraphic> Rects;
    for (auto& G : Filter->Graphics)
        if (G.Class == u"TRpShape"_s && G.Brush != clNone && G.W > 1 && G.H > 1) Rects.push_back(G);
    ASSERT_EQ(Rects.size(), 1u);
    EXPECT_EQ(Rects[0].Brush, clSilver);
    EXPECT_NEAR(Rects[0].W, 100, 1);
    EXPECT_NEAR(Rects[0].H, 30, 1);
    EXPECT_EQ(Filter->Texts.size(), 9u);  // the plain filter takes TextOut
}

TEST(RpPGridPrint, TheSpreadsheetFilterGetsColumnsFromXLColumnAndTheFirstColours) {
    GridPrint F;
    F.G->SetXLColumn(3);
    F.G->SetFirstRowColor(clAqua);
    F.G->Cells(1, 2)->ExportType = exptNumeric;
    auto Filter = NewOwned<TRpXLSXDocumentFilter>();
    F.Report->IsExporting = true;
    F.Report->Filter = Filter.get();
    F.PrintOnce();
    ASSERT_EQ(Filter->Records.size(), 9u);
    const TExportInfoRec& R = Filter->Records[5];  // column 1, row 2
    EXPECT_EQ(R.Text, u"c1r2"_s);
    EXPECT_EQ(R.Column, 4);
    EXPECT_EQ(R.ExportAs, exptNumeric);
    EXPECT_EQ(Filter->Records[3].BGColor, clAqua);  // column 1, row 0
    EXPECT_TRUE(Filter->Texts.empty());
}

TEST(RpPGridPrint, ACellPictureIsPlacedOnceByItsOffsetOnPagesAndInTheExport) {
    GridPrint F;
    TOwned<TPicture> Pic = NewOwned<TPicture>();
    TOwned<TBitmap> Bmp = NewOwned<TBitmap>();
    Bmp->SetSize(8, 6);
    Pic->SetGraphic(Bmp.get());
    TRpPGridCell* Cell = F.G->Cells(2, 1);
    Cell->Picture = Pic.get();
    Cell->PicXoff = 10;
    Cell->PicYoff = 4;
    std::vector<TRect> Rects;
    F.G->OnPrintImage = [&](TObject*, int C, int R, TRect& Rect, TCanvas*) {
        if (C == 2 && R == 1) Rects.push_back(Rect);
    };
    auto Filter = NewOwned<TGridRecordingFilter>();
    F.Report->IsExporting = true;
    F.Report->Filter = Filter.get();
    F.PrintOnce();
    ASSERT_EQ(Rects.size(), 1u);
    const TGridRecordingFilter::TGraphic* Image = nullptr;
    for (auto& G : Filter->Graphics)
        if (G.Name == u"G21"_s) Image = &G;
    ASSERT_NE(Image, nullptr);
    EXPECT_EQ(Image->W, 8);
    EXPECT_EQ(Image->H, 6);
    // the offset in screen pixels from the cell's corner, once
    EXPECT_NEAR(double(Image->X), Rects[0].Left + 10, 1);
    EXPECT_NEAR(double(Image->Y), Rects[0].Top + 4, 1);

    F.Report->IsExporting = false;
    F.Report->Filter = nullptr;
    F.PrintOnce();
    int Blits = 0;
    EnumEnhMetaFile(F.Report->Pages.back(), [&](const TEnhMetaRecord& R) {
        if (R.Type == EMR_STRETCHDIBITS || R.Type == EMR_BITBLT) ++Blits;
        return true;
    });
    EXPECT_GE(Blits, 1);
}

TEST(RpPGridPrint, ATransparentGridPrintsLinesAndTextsButNoBackgroundsOrPictures) {
    GridPrint F;
    F.G->SetTransparent(true);
    int PrintImage = 0;
    F.G->OnPrintImage = [&](TObject*, int, int, TRect&, TCanvas*) { ++PrintImage; };
    F.PrintOnce();
    EXPECT_EQ(PrintImage, 0);
    EXPECT_EQ(F.Report->PageTexts(0).size(), 9u);
    EXPECT_GT(F.Report->CountRecords(0, EMR_LINETO), 0);
}

TEST(RpPGridPrint, ABandsExpansionMovesABottomFixedGridAndStretchesAStretchingOne) {
    TOwned<TComponent> Root = NewOwned<TComponent>(nullptr);
    auto Report = New<TRpReport>(Root.get());
    TRpBand* Band = Report->CreateBand(rbDetail);
    Band->SetNativeHeight(500);
    auto G = New<TRpPGrid>(Root.get());
    G->SetParent(Band);
    G->SetBounds(0, 10, 100, 40);
    G->SetRows(1);
    G->SetColumns(1);
    G->Frame()->SetDrawBottom(true);
    TOwned<TRpPrinter> P = NewOwned<TRpPrinter>(nullptr);
    P->BeginDoc();
    P->NewPage();
    G->SetRpPrinter(P.get());
    Band->ExpandBand(100);
    // the bottom-fixed grid moves down by the expansion; the stretching one grows by it and
    // comes back to its design height
    G->SetStretchHeightWithBand(true);
    std::vector<int> Heights;
    G->OnDrawCell = [&](TObject*, int, int, TRect& R, TCanvas*) { Heights.push_back(R.Height()); };
    G->Print(0, 0);
    EXPECT_EQ(G->Height(), 40);
    G->SetStretchHeightWithBand(false);
    G->Print(0, 0);
    ASSERT_EQ(Heights.size(), 2u);
    EXPECT_NEAR(Heights[0] - Heights[1], P->YSize(100), 2);
    std::vector<int> Tops;
    G->OnDrawCell = [&](TObject*, int, int, TRect& R, TCanvas*) { Tops.push_back(R.Top); };
    G->Print(0, 0);
    G->SetFixBottomPosition(true);
    G->Print(0, 0);
    ASSERT_EQ(Tops.size(), 2u);
    EXPECT_NEAR(Tops[1] - Tops[0], P->YSize(100), 1);
    P->EndDoc();
    G->SetRpPrinter(nullptr);
}

// ---- the check box -------------------------------------------------------------------------------

TEST(RpPCheckBox, ANewBoxIsAFramedCheckedCross) {
    TPrintableFixture F;
    auto B = F.Add<TRpPCheckBox>("B");
    EXPECT_EQ(B->Width(), 17);
    EXPECT_EQ(B->Height(), 17);
    EXPECT_TRUE(B->Checked());
    EXPECT_EQ(B->CheckmarkType(), cmCross);
    EXPECT_EQ(B->CheckmarkDistance(), 3);
    EXPECT_TRUE(B->Frame()->DrawTop() && B->Frame()->DrawLeft() && B->Frame()->DrawBottom() && B->Frame()->DrawRight());
}

TEST(RpPCheckBox, SymbolsByStateAndKind) {
    struct Case {
        TRpPCheckmarkType Kind;
        bool Checked;
        int SymbolLines;
    } Cases[] = {{cmCross, true, 2}, {cmHook, true, 2}, {cmCross, false, 0}, {cmHook, false, 0}};
    for (const Case& C : Cases) {
        TPrintableFixture F;
        auto B = F.Add<TRpPCheckBox>("B");
        B->SetCheckmarkType(C.Kind);
        B->SetChecked(C.Checked);
        for (int i = 0; i < 4; ++i) B->Frame()->SetSide(i, false);
        F.Report->BeginDocument();
        B->Prepare();
        B->Print(0, 0);
        F.Report->EndDocument();
        EXPECT_EQ(F.Report->CountRecords(0, EMR_LINETO), C.SymbolLines) << int(C.Kind) << C.Checked;
    }
}

TEST(RpPCheckBox, AGlyphGoesToTheFilterEvenWhenThePictureIsEmptyAndTheFrameAsAnOutline) {
    TPrintableFixture F;
    auto B = F.Add<TRpPCheckBox>("B");
    B->SetCheckmarkType(cmGlyph);
    B->SetChecked(false);
    auto Filter = NewOwned<TGridRecordingFilter>();
    F.Report->IsExporting = true;
    F.Report->Filter = Filter.get();
    F.Report->BeginDocument();
    B->Prepare();
    B->Print(0, 0);
    F.Report->EndDocument();
    ASSERT_EQ(Filter->Graphics.size(), 2u);
    EXPECT_EQ(Filter->Graphics[0].Class, u"TRpImage"_s);
    EXPECT_EQ(Filter->Graphics[1].Class, u"TRpShape"_s);  // the frame, all four sides

    B->SetEnabled(false);
    F.Report->IsExporting = false;
    F.Report->BeginDocument();
    B->Prepare();
    B->Print(0, 0);
    F.Report->EndDocument();
    EXPECT_EQ(Filter->Graphics.size(), 2u);
    EXPECT_GT(F.Report->CountRecords(1, EMR_LINETO) + F.Report->CountRecords(1, EMR_POLYLINE16) +
                  F.Report->CountRecords(1, EMR_RECTANGLE) + F.Report->CountRecords(1, EMR_FILLRGN) +
                  F.Report->CountRecords(1, EMR_BITBLT),
              0);  // a disabled box prints its frame
}

// ---- rule, PDF shape, pictures and the link label -------------------------------------------------

TEST(RpHRule, TheHtmlAndPdfFiltersGetTheRuleEvenWhenDisabledOthersDoNot) {
    TPrintableFixture F;
    auto R = F.Add<TRpHRule>("R");
    auto S = F.Add<TRpPDFShape>("S");
    R->SetEnabled(false);
    S->SetEnabled(false);
    EXPECT_EQ(R->Width(), 100);
    EXPECT_EQ(R->Height(), 10);
    auto Html = NewOwned<TRpGHTMLDocumentFilter>();
    auto Plain = NewOwned<TGridRecordingFilter>();
    auto Pdf = NewOwned<TRpPDFDocumentFilter>();
    F.Report->IsExporting = true;
    for (TGridRecordingFilter* Flt : {static_cast<TGridRecordingFilter*>(Html.get()), Plain.get(),
                                      static_cast<TGridRecordingFilter*>(Pdf.get())}) {
        F.Report->Filter = Flt;
        F.Report->BeginDocument();
        R->Prepare();
        R->Print(0, 0);
        S->Prepare();
        S->Print(0, 0);
        F.Report->EndDocument();
    }
    EXPECT_EQ(Html->Graphics.size(), 1u);
    EXPECT_EQ(Plain->Graphics.size(), 0u);
    EXPECT_EQ(Pdf->Graphics.size(), 1u);  // the rule; the disabled shape is not handed over
    S->SetEnabled(true);
    F.Report->Filter = Pdf.get();
    F.Report->BeginDocument();
    S->Prepare();
    S->Print(0, 0);
    F.Report->EndDocument();
    EXPECT_EQ(Pdf->Graphics.size(), 2u);
}

TEST(RpGrImage, FitModesOfAWidePictureInASquareBox) {
    TPrintableFixture F;
    auto I = F.Add<TRpGrImage>("I");
    TOwned<TBitmap> Bmp = NewOwned<TBitmap>();
    Bmp->SetSize(200, 100);
    I->Picture()->SetGraphic(Bmp.get());
    I->SetBounds(0, 0, 105, 105);
    auto PrintWith = [&](TFitMode M) {
        I->SetFitMode(M);
        F.Report->BeginDocument();
        I->Prepare();
        I->Print(0, 0);
        const TRect R = I->DrawnRect();
        const TRect Box(F.Report->Printer()->XPos(I->Size()->NativeLeft()), F.Report->Printer()->YPos(0),
                        F.Report->Printer()->XPos(I->Size()->NativeLeft() + I->Size()->NativeWidth()),
                        F.Report->Printer()->YPos(I->Size()->NativeHeight()));
        F.Report->EndDocument();
        return std::pair{R, Box};
    };
    auto [Inside, Box] = PrintWith(fmInsideProp);
    EXPECT_EQ(Inside.Width(), Box.Width());
    EXPECT_NEAR(Inside.Height(), Box.Width() / 2, 1);
    EXPECT_NEAR(Inside.Top - Box.Top, (Box.Height() - Inside.Height()) / 2, 1);
    auto [Prop, Box2] = PrintWith(fmProportional);
    EXPECT_NEAR(Prop.Width(), Box2.Height() * 2, 2);  // keeps the height, widens to the aspect
    // a picture without pixels is no division by zero
    Bmp->SetSize(0, 0);
    I->Picture()->SetGraphic(Bmp.get());
    PrintWith(fmInsideProp);
}

TEST(RpGrDBImage, ABlobPictureIsFittedAndAFieldThatIsNoBlobPrintsNone) {
    TPrintableFixture F;
    TTestTableDataSet* Data = New<TTestTableDataSet>(F.Report);
    Data->FieldDefs()->Add(u"PIC"_s, ftGraphic);
    Data->FieldDefs()->Add(u"NAME"_s, ftString, 10);
    Data->CreateDataSet();
    TOwned<TBitmap> Bmp = NewOwned<TBitmap>();
    Bmp->SetSize(200, 100);
    TOwned<TMemoryStream> S = NewOwned<TMemoryStream>();
    Bmp->SaveToStream(S.get());
    Data->Append();
    Data->FieldByName(u"PIC"_s)->SetAsBytes(TBytes(static_cast<const Byte*>(S->Memory()),
                                                   static_cast<const Byte*>(S->Memory()) + S->Size()));
    Data->FieldByName(u"NAME"_s)->SetAsString(u"x"_s);
    Data->Post();
    auto* I = F.Add<TRpGrDBImage>("Pic");
    I->SetBounds(0, 0, 105, 105);
    I->SetDataSet(Data);
    I->SetFitMode(fmInsideProp);
    auto StretchedPictures = [&](const String& Field) {
        I->SetDataField(Field);
        F.Report->BeginDocument();
        I->Prepare();
        I->Print(0, 0);
        I->Unprepare();
        F.Report->EndDocument();
        std::vector<std::pair<int, int>> Sizes;  // destination width and height
        EnumEnhMetaFile(F.Report->Pages.back(), [&](const TEnhMetaRecord& R) {
            if (R.Type == EMR_STRETCHDIBITS && R.Bytes.size() >= 8 + 4 * 18)
                Sizes.emplace_back(qFromLittleEndian<qint32>(R.Bytes.data() + 8 + 4 * 16),
                                   qFromLittleEndian<qint32>(R.Bytes.data() + 8 + 4 * 17));
            return true;
        });
        return Sizes;
    };
    const auto Fitted = StretchedPictures(u"PIC"_s);
    ASSERT_EQ(Fitted.size(), 1u);
    EXPECT_NEAR(Fitted[0].second * 2, Fitted[0].first, 2);  // the picture's aspect inside the box
    EXPECT_TRUE(StretchedPictures(u"NAME"_s).empty());
    EXPECT_TRUE(StretchedPictures(u"MISSING"_s).empty());
}

TEST(RpHTMLLabel, PagesShowTheCaptionAsPlainTextAndTheHtmlFilterGetsThePlaceholder) {
    TPrintableFixture F;
    auto L = F.Add<TRpHTMLLabel>("Link1");
    L->SetCaption(u"<b>Home</b>"_s);
    L->SetLinkText(u"http://example.org/"_s);
    L->SetBounds(10, 10, 200, 30);
    F.Report->BeginDocument();
    L->Prepare();
    L->Print(0, 0);
    F.Report->EndDocument();
    EXPECT_EQ(F.Report->PageStrings(0), std::vector<String>{u"<b>Home</b>"_s});

    auto Html = NewOwned<TRpGHTMLDocumentFilter>();
    F.Report->IsExporting = true;
    F.Report->Filter = Html.get();
    L->SetShowOnDocs(false);
    F.Report->BeginDocument();
    L->Prepare();
    L->Print(0, 0);
    F.Report->EndDocument();
    EXPECT_EQ(Html->Texts, std::vector<String>{u"%!Link1!%"_s});

    // renaming renames a caption equal to the old name only
    auto M = F.Add<TRpHTMLLabel>("Name1");
    EXPECT_EQ(M->Caption(), u"Name1"_s);
    M->SetName(u"Name2"_s);
    EXPECT_EQ(M->Caption(), u"Name2"_s);
    L->SetName(u"Link2"_s);
    EXPECT_EQ(L->Caption(), u"<b>Home</b>"_s);
}

TEST(RpHTMLLabel, ALineThatDoesNotFitItsBandPrintsNothing) {
    TPrintableFixture F;
    auto L = F.Add<TRpHTMLLabel>("L");
    L->SetCaption(u"Text"_s);
    L->SetAutoSize(false);
    L->SetBounds(10, 10, 200, 30);
    auto Html = NewOwned<TRpGHTMLDocumentFilter>();
    F.Report->Filter = Html.get();
    F.Report->BeginDocument();
    L->Prepare();
    L->Size()->SetHeight(1);
    L->Print(0, 0);
    F.Report->EndDocument();
    EXPECT_TRUE(F.Report->PageStrings(0).empty());
    F.Report->IsExporting = true;
    F.Report->BeginDocument();
    L->Prepare();
    L->Size()->SetHeight(1);
    L->Print(0, 0);
    F.Report->EndDocument();
    EXPECT_TRUE(Html->Texts.empty());
}

}  // namespace
