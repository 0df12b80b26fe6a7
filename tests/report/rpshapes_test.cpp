#include "report/rpshapes.h"

#include "platform/db/fields.h"
#include "platform/testing/memdata.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/streams.h"
#include "rpprintables_support.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

using namespace Qt::StringLiterals;

struct Rec {
    unsigned Type;
    std::vector<int> Ints;  // the record's 32-bit words after type and size
};

std::vector<Rec> Records(const QByteArray& Page, std::initializer_list<unsigned> Types) {
    std::vector<Rec> R;
    EnumEnhMetaFile(Page, [&](const TEnhMetaRecord& E) {
        for (unsigned T : Types)
            if (E.Type == T) {
                Rec X{E.Type, {}};
                for (qsizetype o = 8; o + 4 <= E.Bytes.size() && o < 8 + 4 * 20; o += 4)
                    X.Ints.push_back(qFromLittleEndian<qint32>(E.Bytes.data() + o));
                R.push_back(X);
            }
        return true;
    });
    return R;
}

// Native units of whole screen pixels at 96 per inch: N pixels.
Extended Px(int N) { return N * 254.0L / 96; }

void Place(TRpPrintable* P, int L, int T, int W, int H) {
    P->Size()->SetUnits(Native);
    P->Size()->SetLeft(Px(L));
    P->Size()->SetTop(Px(T));
    P->Size()->SetWidth(Px(W));
    P->Size()->SetHeight(Px(H));
}

TEST(RpShape, DefaultsAndFiguresOnThePage) {
    TPrintableFixture F;
    auto* S = F.Add<TRpShape>("Shape1");
    EXPECT_EQ(S->Width(), 65);
    EXPECT_EQ(S->Height(), 65);
    EXPECT_EQ(S->Shape(), rpsRectangle);
    Place(S, 10, 20, 100, 50);
    F.Report->BeginDocument();
    S->Prepare();
    S->Print(Px(5), Px(5));
    S->SetShape(rpsRoundRect);
    S->SetRoundFactor(0.25f);
    S->Print(0, 0);
    S->SetRoundFactor(0);
    S->Print(0, 0);
    S->SetEnabled(false);
    S->SetShape(rpsCircle);
    S->Print(0, 0);  // disabled and visible: nothing
    S->Unprepare();
    F.Report->EndDocument();
    auto Rects = Records(F.Report->Pages[0], {EMR_RECTANGLE, EMR_ROUNDRECT, EMR_ELLIPSE});
    ASSERT_EQ(Rects.size(), 3u);
    EXPECT_EQ(Rects[0].Ints, (std::vector<int>{15, 25, 115, 75}));
    EXPECT_EQ(Rects[1].Type, unsigned(EMR_ROUNDRECT));
    // The corner: a quarter of the control's 100-pixel width, scaled to the page like the rest.
    EXPECT_EQ(Rects[1].Ints, (std::vector<int>{10, 20, 110, 70, 25, 25}));
    EXPECT_EQ(Rects[2].Ints[4], 0);  // no rounding: square corners
}

// A bitmap of W x H pixels.
TOwned<TBitmap> Bitmap(int W, int H) {
    TOwned<TBitmap> B = NewOwned<TBitmap>();
    B->SetSize(W, H);
    B->Canvas()->Brush()->SetColor(clRed);
    B->Canvas()->FillRect(TRect(0, 0, W, H));
    return B;
}

TEST(RpImage, StretchCentreAndClip) {
    TPrintableFixture F;
    auto* I = F.Add<TRpImage>("Image1");
    EXPECT_EQ(I->Width(), 105);
    EXPECT_EQ(I->Height(), 105);
    Place(I, 100, 100, 50, 40);
    TOwned<TBitmap> B = Bitmap(80, 60);
    I->Picture()->SetGraphic(B.get());
    F.Report->BeginDocument();
    I->Prepare();
    I->SetStretch(true);
    I->Print(0, 0);
    I->SetStretch(false);
    I->Print(0, 0);
    I->SetCenter(true);
    I->Print(0, 0);
    I->SetEnabled(false);  // a disabled image still prints
    I->Print(0, 0);
    I->Unprepare();
    F.Report->EndDocument();
    auto Dibs = Records(F.Report->Pages[0], {EMR_STRETCHDIBITS});
    ASSERT_EQ(Dibs.size(), 4u);
    // xDest, yDest at words 4 and 5, cxDest, cyDest at 16 and 17.
    auto Dest = [](const Rec& R) { return std::vector<int>{R.Ints[4], R.Ints[5], R.Ints[16], R.Ints[17]}; };
    EXPECT_EQ(Dest(Dibs[0]), (std::vector<int>{100, 100, 50, 40}));   // stretched into the box
    EXPECT_EQ(Dest(Dibs[1]), (std::vector<int>{100, 100, 80, 60}));   // natural size at the corner
    EXPECT_EQ(Dest(Dibs[2]), (std::vector<int>{85, 90, 80, 60}));     // centred on the box
    EXPECT_EQ(Dest(Dibs[3]), (std::vector<int>{85, 90, 80, 60}));
    // The unstretched pictures are clipped to the box.
    auto Clips = Records(F.Report->Pages[0], {EMR_INTERSECTCLIPRECT});
    ASSERT_GE(Clips.size(), 3u);
    EXPECT_EQ(Clips[0].Ints, (std::vector<int>{100, 100, 150, 140}));
}

TEST(RpDBImage, EmptyBlobFillsTheBoxOnlyWhenStretched) {
    TPrintableFixture F;
    TTestTableDataSet* Data = New<TTestTableDataSet>(F.Report);
    Data->FieldDefs()->Add(u"PIC"_s, ftGraphic);
    Data->CreateDataSet();
    Data->AppendRecord({Null()});
    auto* I = F.Add<TRpDBImage>("DBImage1");
    EXPECT_TRUE(I->Center());
    EXPECT_EQ(I->Width(), 105);
    Place(I, 10, 10, 50, 50);
    I->SetDataSet(Data);
    I->SetDataField(u"PIC"_s);
    F.Report->BeginDocument();
    I->Prepare();
    EXPECT_NE(I->Field(), nullptr);
    I->Print(0, 0);
    I->SetStretch(true);
    I->Print(0, 0);
    I->Unprepare();
    F.Report->EndDocument();
    auto Fills = Records(F.Report->Pages[0], {EMR_FILLRGN});
    ASSERT_EQ(Fills.size(), 1u);
    EXPECT_EQ((std::vector<int>(Fills[0].Ints.begin(), Fills[0].Ints.begin() + 4)),
              (std::vector<int>{10, 10, 59, 59}));
}

TEST(RpHTMLImage, PrintsNothingOnPaper) {
    TPrintableFixture F;
    auto* I = F.Add<TRpHTMLImage>("Html1");
    I->SetImageURL(u"logo.png"_s);
    F.Report->BeginDocument();
    I->Prepare();
    I->Print(0, 0);
    I->Unprepare();
    F.Report->EndDocument();
    EXPECT_TRUE(Records(F.Report->Pages[0], {EMR_STRETCHDIBITS, EMR_EXTTEXTOUTW, EMR_RECTANGLE}).empty());
}

}  // namespace
