#include "grid/base/gridaxisvz.h"

#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

// A grid that owns a horizontal and a vertical axis and records what they tell it.
class TRecordingGrid : public TGridAxisOwnerVz {
public:
    TRecordingGrid() : Horz(this), Vert(this) {}

    TGridAxisDataVz Horz;
    TGridAxisDataVz Vert;
    std::vector<std::string> Log;

    std::string Name(TGridAxisDataVz* Axis) const { return Axis == &Horz ? "H" : "V"; }

    void CellCountsChanged() override { Log.push_back("CellCountsChanged"); }
    void UpdateBoundaries() override { Log.push_back("UpdateBoundaries"); }
    void AxisCelLenChanged(TGridAxisDataVz* Axis, Integer Index, Integer OldLen) override {
        Log.push_back("AxisCelLenChanged " + Name(Axis) + " " + std::to_string(Index) + " " + std::to_string(OldLen));
    }
    void AxisCelMoved(TGridAxisDataVz* Axis, Integer FromIndex, Integer ToIndex) override {
        Log.push_back("AxisCelMoved " + Name(Axis) + " " + std::to_string(FromIndex) + " " + std::to_string(ToIndex));
    }
    void RolCelPosArrRebuilt() override { Log.push_back("RolCelPosArrRebuilt"); }
    void UpdateRolCelPosArrs() override {
        Log.push_back("UpdateRolCelPosArrs");
        Horz.CheckUpdateRolCelPosArr();
        Vert.CheckUpdateRolCelPosArr();
    }
    void AxisRolStartVisPosChanged(TGridAxisDataVz* Axis, Int64 OldPos) override {
        Log.push_back("AxisRolStartVisPosChanged " + Name(Axis) + " " + std::to_string(OldPos));
    }
};

std::string MessageOf(const Exception& E) { return E.Message().toStdString(); }

template <class F>
std::string RaisedText(F&& Action) {
    try {
        Action();
    } catch (const Exception& E) {
        return MessageOf(E);
    }
    return "<nothing raised>";
}

// Gives the axis rolling cells of the given lengths and a viewport of ClientLen pixels starting at
// client coordinate 10, as the grid's layout would.
void SetUpRolling(TGridAxisDataVz& Axis, const std::vector<Integer>& Lens, Integer ClientLen) {
    Axis.SetRolCelCount(static_cast<Integer>(Lens.size()));
    for (Integer I = 0; I < static_cast<Integer>(Lens.size()); ++I) Axis.SetRolCelLens(I, Lens[I]);
    Axis.SetFixedBoundary(10);
    Axis.SetContraStart(10 + ClientLen);
    Axis.CheckUpdateRolCelPosArr();
    Axis.UpdateVisCells();
}

// ---- integer-array routines ---------------------------------------------------------------------

TEST(GridAxisArrays, InsertDeleteFillMove) {
    TIntegerDynArrayVz A{1, 2, 3};
    ArrayInsertRange(A, 1, 2);
    ASSERT_EQ(A.size(), 5u);
    EXPECT_EQ(A[0], 1);
    EXPECT_EQ(A[3], 2);
    EXPECT_EQ(A[4], 3);
    ArrayFillRange(A, 1, 2, 9);
    EXPECT_EQ(A, (TIntegerDynArrayVz{1, 9, 9, 2, 3}));
    ArrayInsertRange(A, 5, 1);  // at the end
    EXPECT_EQ(A.size(), 6u);
    ArrayDeleteRange(A, 4, 2);
    EXPECT_EQ(A, (TIntegerDynArrayVz{1, 9, 9, 2}));
    ArrayDeleteRange(A, 0, 0);
    EXPECT_EQ(A.size(), 4u);

    struct Case { Integer From, To; TIntegerDynArrayVz Expected; };
    const Case Cases[] = {
        {0, 3, {20, 30, 40, 10, 50}},
        {3, 0, {40, 10, 20, 30, 50}},
        {4, 1, {10, 50, 20, 30, 40}},
        {2, 2, {10, 20, 30, 40, 50}},
    };
    for (const auto& C : Cases) {
        TIntegerDynArrayVz M{10, 20, 30, 40, 50};
        ArrayMoveItem(M, C.From, C.To);
        EXPECT_EQ(M, C.Expected) << C.From << " -> " << C.To;
    }
    TIntegerDynArrayVz Empty;
    ArrayMoveItem(Empty, 0, 0);
    EXPECT_TRUE(Empty.empty());
}

TEST(GridAxisArrays, RangeErrorsLeaveTheArrayAlone) {
    TIntegerDynArrayVz A{1, 2, 3};
    EXPECT_EQ(RaisedText([&] { ArrayInsertRange(A, 0, -1); }), "ArrayInsertRange: (Amount < 0)");
    EXPECT_EQ(RaisedText([&] { ArrayInsertRange(A, 4, 1); }), "ArrayInsertRange: StartIndex > Length(Extents)");
    EXPECT_EQ(RaisedText([&] { ArrayDeleteRange(A, 0, -1); }), "ArrayDeleteRange: (Amount < 0)");
    EXPECT_EQ(RaisedText([&] { ArrayDeleteRange(A, 2, 2); }),
              "ArrayDeleteRange: StartIndex + Amount > Length(Extents)");
    EXPECT_EQ(A, (TIntegerDynArrayVz{1, 2, 3}));
}

// ---- locating a cell by position ----------------------------------------------------------------

TEST(GridAxisFindCel, TableOfPositions) {
    // Lengths 10, 0, 0, 30, 5: starts 0, 10, 10, 10, 40 (end 45).
    const TInt64DynArrayVz Starts{0, 10, 10, 10, 40};
    struct Case { Int64 Pos; Integer Cel; Int64 Offset; };
    const Case Cases[] = {
        {-7, 0, -7},  // before the first start
        {0, 0, 0},    // exactly at the first start
        {9, 0, 9},
        {11, 3, 1},   // past the zero-length cells
        {39, 3, 29},
        {40, 4, 0},   // exactly at the last start
        {44, 4, 4},
        {100, 4, 60}, // past the end: offset beyond the cell's length
    };
    for (const auto& C : Cases) {
        Integer Cel = -2;
        Int64 Offset = -2;
        FindCelAtPos(Starts, C.Pos, Cel, Offset);
        EXPECT_EQ(Cel, C.Cel) << "Pos " << C.Pos;
        EXPECT_EQ(Offset, C.Offset) << "Pos " << C.Pos;
    }
    // At a start shared by zero-length cells any of them may answer, with offset 0.
    Integer Cel = -2;
    Int64 Offset = -2;
    FindCelAtPos(Starts, 10, Cel, Offset);
    EXPECT_GE(Cel, 1);
    EXPECT_LE(Cel, 3);
    EXPECT_EQ(Offset, 0);

    FindCelAtPos(TInt64DynArrayVz{}, 5, Cel, Offset);
    EXPECT_EQ(Cel, -1);
    EXPECT_EQ(Offset, 0);
}

TEST(GridAxisFindCel, AgreesWithALinearScan) {
    std::mt19937 Rng(20240611);
    for (int Round = 0; Round < 300; ++Round) {
        const int N = 1 + static_cast<int>(Rng() % 12);
        TInt64DynArrayVz Starts(N);
        for (int I = 1; I < N; ++I) Starts[I] = Starts[I - 1] + static_cast<Int64>(Rng() % 4) * 3;  // zeros often
        const Int64 End = Starts[N - 1] + 3;
        for (Int64 Pos = -2; Pos <= End + 2; ++Pos) {
            Integer Cel = -1;
            Int64 Offset = 0;
            FindCelAtPos(Starts, Pos, Cel, Offset);
            ASSERT_GE(Cel, 0);
            ASSERT_LT(Cel, N);
            // The greatest start not above Pos (cell 0 before the first start).
            Int64 Expected = Starts[0];
            for (int I = 0; I < N; ++I)
                if (Starts[I] <= Pos) Expected = Starts[I];
            ASSERT_EQ(Starts[Cel], Expected) << "round " << Round << " pos " << Pos;
            ASSERT_EQ(Offset, Pos - Starts[Cel]);
        }
    }
}

// ---- counts -------------------------------------------------------------------------------------

TEST(GridAxisCounts, NewAxisIsEmpty) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    EXPECT_EQ(A.FixedCelCount(), 0);
    EXPECT_EQ(A.RolCelCount(), 0);
    EXPECT_EQ(A.ContraCelCount(), 0);
    EXPECT_EQ(A.FullCelCount(), 0);
    EXPECT_EQ(A.Grid(), &G);
    // Reading positions of an empty axis is harmless: nothing to see, nothing to scroll.
    EXPECT_EQ(A.RolLen(), 0);
    EXPECT_EQ(A.RolLastVisCel(), -1);
    EXPECT_EQ(A.RolLastFullVisCel(), -1);
    Integer Cel = 0;
    Int64 Offset = 0;
    A.RolCellAtPos(0, Cel, Offset);
    EXPECT_EQ(Cel, -1);
    EXPECT_EQ(A.CheckRolStartVisPos(50), 0);
    A.SafeSetRolStartVisCel(3, sstByCellVz);
    EXPECT_EQ(A.RolStartVisPos(), 0);
    EXPECT_EQ(RaisedText([&] { A.SetRolStartVisPos(1); }), "RolStartVisPos can't be > RolLen");
    A.UpdateVisCells();
    EXPECT_EQ(A.RolLastVisCel(), -1);
    EXPECT_TRUE(G.Log.empty());
}

TEST(GridAxisCounts, RefusedCountsKeepTheAxis) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Vert;
    A.SetRolCelCount(3);
    A.SetFixedCelCount(1);
    A.SetContraCelCount(1);
    G.Log.clear();
    EXPECT_EQ(RaisedText([&] { A.SetRolCelCount(0); }), "RolCelCount can't be less then 1");
    EXPECT_EQ(RaisedText([&] { A.SetRolCelCount(-4); }), "RolCelCount can't be less then 1");
    EXPECT_EQ(RaisedText([&] { A.SetFixedCelCount(-1); }), "RolColCount can't be less then 0");
    EXPECT_EQ(RaisedText([&] { A.SetContraCelCount(-1); }), "ContraCelCount can't be less then 0");
    EXPECT_EQ(A.RolCelCount(), 3);
    EXPECT_EQ(A.FixedCelCount(), 1);
    EXPECT_EQ(A.ContraCelCount(), 1);
    EXPECT_TRUE(G.Log.empty());
}

TEST(GridAxisCounts, AddedCellsTakeTheDefaultLength) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    A.SetDefaultCelLen(64);
    A.SetFixedCelCount(1);
    A.SetFixedCelLens(0, 12);
    A.SetDefaultCelLen(20);  // existing cells keep theirs
    EXPECT_EQ(A.GetFixedCelLens(0), 12);
    G.Log.clear();
    A.SetFixedCelCount(3);
    EXPECT_EQ(A.GetFixedCelLens(0), 12);
    EXPECT_EQ(A.GetFixedCelLens(1), 20);
    EXPECT_EQ(A.GetFixedCelLens(2), 20);
    EXPECT_EQ(G.Log, (std::vector<std::string>{"CellCountsChanged", "UpdateBoundaries"}));
    G.Log.clear();
    A.SetFixedCelCount(3);  // unchanged
    A.SetFrozenCelCount(0);
    EXPECT_TRUE(G.Log.empty());
    A.SetFrozenCelCount(2);
    EXPECT_EQ(A.FrozenCelCount(), 2);
    EXPECT_EQ(G.Log, (std::vector<std::string>{"UpdateBoundaries"}));

    // Rolling cells grow and shrink at the end; the survivors keep their lengths.
    A.SetRolCelCount(2);
    A.SetRolCelLens(0, 5);
    A.SetRolCelCount(4);
    EXPECT_EQ(A.GetRolCelLens(0), 5);
    EXPECT_EQ(A.GetRolCelLens(3), 20);
    EXPECT_EQ(A.RolLen(), 5 + 20 * 3);
    A.SetRolCelCount(1);
    EXPECT_EQ(A.RolCelCount(), 1);
    EXPECT_EQ(A.RolLen(), 5);

    A.SetContraCelCount(2);
    EXPECT_EQ(A.GetContraCelLens(1), 20);
    EXPECT_EQ(A.CelCount(), 4);
    EXPECT_EQ(A.FullCelCount(), 6);
}

TEST(GridAxisCounts, InsertAndDeleteInTheMiddle) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Vert;
    A.SetDefaultCelLen(10);
    SetUpRolling(A, {1, 2, 3, 4}, 100);
    G.Log.clear();
    A.InsertRolCels(1, 2);
    EXPECT_EQ(G.Log, (std::vector<std::string>{"CellCountsChanged"}));
    EXPECT_TRUE(A.RolLocCelPosArrObsolete());
    EXPECT_EQ(A.RolCelCount(), 6);
    const Int64 Starts[] = {0, 1, 11, 21, 23, 26};
    for (Integer I = 0; I < 6; ++I) EXPECT_EQ(A.GetRolLocCelPosArr(I), Starts[I]) << I;
    EXPECT_EQ(A.RolLen(), 30);
    A.DeleteRolCels(0, 3);
    EXPECT_EQ(A.RolCelCount(), 3);
    EXPECT_EQ(A.GetRolCelLens(0), 2);
    EXPECT_EQ(A.RolLen(), 9);
    EXPECT_EQ(RaisedText([&] { A.DeleteRolCels(2, 2); }), "ArrayDeleteRange: StartIndex + Amount > Length(Extents)");
    EXPECT_EQ(A.RolCelCount(), 3);
}

// ---- lengths and positions ----------------------------------------------------------------------

TEST(GridAxisLengths, ZonesByAbsoluteIndex) {
    struct Case {
        std::vector<Integer> Fixed, Rolling, Contra;
        std::vector<Int64> Starts;
        Int64 RolLen;
    };
    const Case Cases[] = {
        {{}, {25}, {}, {0}, 25},
        {{30, 18}, {64, 64, 17}, {21}, {0, 64, 128}, 145},
        {{5}, {0, 0, 40, 0}, {}, {0, 0, 0, 40}, 40},
        {{}, {0}, {8, 9}, {0}, 0},
    };
    for (const auto& C : Cases) {
        TRecordingGrid G;
        TGridAxisDataVz& A = G.Horz;
        A.SetFixedCelCount(static_cast<Integer>(C.Fixed.size()));
        A.SetRolCelCount(static_cast<Integer>(C.Rolling.size()));
        A.SetContraCelCount(static_cast<Integer>(C.Contra.size()));
        std::vector<Integer> All = C.Fixed;
        All.insert(All.end(), C.Rolling.begin(), C.Rolling.end());
        All.insert(All.end(), C.Contra.begin(), C.Contra.end());
        for (Integer I = 0; I < static_cast<Integer>(All.size()); ++I) A.SetCelLens(I, All[I]);
        ASSERT_EQ(A.FullCelCount(), static_cast<Integer>(All.size()));
        for (Integer I = 0; I < A.FullCelCount(); ++I) EXPECT_EQ(A.GetCelLens(I), All[I]) << I;
        for (Integer I = 0; I < A.RolCelCount(); ++I) {
            EXPECT_EQ(A.GetRolCelLens(I), C.Rolling[I]);
            EXPECT_EQ(A.GetRolLocCelPosArr(I), C.Starts[I]) << I;
        }
        Integer FixedPos = 0;
        for (Integer I = 0; I <= A.FixedCelCount(); ++I) {
            EXPECT_EQ(A.GetFixedCelPos(I), FixedPos);
            if (I < A.FixedCelCount()) FixedPos += C.Fixed[I];
        }
        EXPECT_EQ(A.RolLen(), C.RolLen);
    }
}

TEST(GridAxisLengths, ChangesNotifyWithAbsoluteIndexAndOldLength) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    A.SetDefaultCelLen(10);
    A.SetFixedCelCount(2);
    A.SetRolCelCount(3);
    A.SetContraCelCount(2);
    A.CheckUpdateRolCelPosArr();
    G.Log.clear();

    A.SetCelLens(1, 15);
    A.SetCelLens(3, 40);
    A.SetCelLens(6, 7);
    A.SetCelLens(6, 7);  // unchanged: nothing
    EXPECT_EQ(G.Log, (std::vector<std::string>{"AxisCelLenChanged H 1 10", "AxisCelLenChanged H 3 10",
                                               "CellCountsChanged", "AxisCelLenChanged H 6 10"}));
    EXPECT_EQ(A.GetFixedCelLens(1), 15);
    EXPECT_EQ(A.GetRolCelLens(1), 40);
    EXPECT_EQ(A.GetContraCelLens(1), 7);
}

TEST(GridAxisLengths, PositionsRebuildOnceOnTheNextRead) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Vert;
    A.SetDefaultCelLen(10);
    A.SetRolCelCount(4);
    A.CheckUpdateRolCelPosArr();
    G.Log.clear();
    for (Integer I = 0; I < 4; ++I) A.SetRolCelLens(I, 20 + I);
    EXPECT_TRUE(A.RolLocCelPosArrObsolete());
    G.Log.clear();
    EXPECT_EQ(A.GetRolLocCelPosArr(3), 20 + 21 + 22);
    EXPECT_EQ(A.RolLen(), 86);
    EXPECT_FALSE(A.RolLocCelPosArrObsolete());
    EXPECT_EQ(G.Log, (std::vector<std::string>{"RolCelPosArrRebuilt"}));

    // Reading the grid client bounds asks the grid to bring both axes up to date.
    A.SetRolCelLens(0, 1);
    A.SetGridClientStart(3);
    A.SetGridClientStop(90);
    G.Log.clear();
    EXPECT_EQ(A.GridClientLen(), 87);
    EXPECT_FALSE(A.RolLocCelPosArrObsolete());
    EXPECT_EQ(G.Log[0], "UpdateRolCelPosArrs");
    EXPECT_EQ(G.Log[1], "RolCelPosArrRebuilt");
    EXPECT_EQ(A.GetRolLocCelPosArr(1), 1);
}

TEST(GridAxisLengths, SixtyFourBitPositions) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Vert;
    A.SetDefaultCelLen(1000);
    A.SetRolCelCount(5'000'000);
    A.SetRolCelLens(4'999'999, 2'000'000'000);
    const Int64 LastStart = Int64(4'999'999) * 1000;
    EXPECT_EQ(A.GetRolLocCelPosArr(4'999'999), LastStart);
    EXPECT_EQ(A.RolLen(), LastStart + 2'000'000'000);
    Integer Cel = 0;
    Int64 Offset = 0;
    A.RolCellAtPos(Int64(3'000'000'123), Cel, Offset);
    EXPECT_EQ(Cel, 3'000'000);
    EXPECT_EQ(Offset, 123);
    A.RolCellAtPos(LastStart + 1'999'999'999, Cel, Offset);
    EXPECT_EQ(Cel, 4'999'999);
    EXPECT_EQ(Offset, 1'999'999'999);
}

// ---- visible cells ------------------------------------------------------------------------------

TEST(GridAxisVisible, FirstAndLastVisibleCells) {
    struct Case {
        const char* What;
        std::vector<Integer> Lens;
        Integer ClientLen;
        Int64 Pos;
        Integer Start, StartOfst, LastVis, LastFull;
    };
    const Case Cases[] = {
        {"cells fit exactly", {50, 50}, 100, 0, 0, 0, 1, 1},
        {"last cell cut", {50, 50, 50}, 120, 0, 0, 0, 2, 1},
        {"last pixel of a cell is the last viewport pixel", {50, 50, 50}, 100, 0, 0, 0, 1, 1},
        {"scrolled inside a cell", {50, 50, 50}, 60, 30, 0, 30, 1, 0},
        {"viewport longer than the rolling zone", {20, 20}, 300, 0, 0, 0, 1, 1},
        {"one cell longer than the viewport", {500, 10}, 100, 0, 0, 0, 0, 0},
        {"scrolled into a cell longer than the viewport", {10, 500, 10}, 100, 20, 1, 10, 1, 1},
        {"scrolled to the end", {50, 50, 50}, 100, 50, 1, 0, 2, 2},
        {"zero-length cells at the viewport end", {50, 0, 0, 50}, 50, 0, 0, 0, 2, 2},
        {"zero-length cells inside the viewport", {50, 0, 0, 50}, 60, 0, 0, 0, 3, 2},
        {"zero-length cells at the very end", {50, 50, 0, 0}, 100, 0, 0, 0, 3, 3},
        {"zero-length cells at the viewport start", {0, 0, 30, 30}, 40, 0, 0, 0, 3, 2},
    };
    for (const auto& C : Cases) {
        TRecordingGrid G;
        TGridAxisDataVz& A = G.Horz;
        SetUpRolling(A, C.Lens, C.ClientLen);
        A.SetRolStartVisPos(C.Pos);
        EXPECT_EQ(A.RolStartVisCel(), C.Start) << C.What;
        EXPECT_EQ(A.RolStartVisCelOfst(), C.StartOfst) << C.What;
        EXPECT_EQ(A.RolLastVisCel(), C.LastVis) << C.What;
        EXPECT_EQ(A.RolLastFullVisCel(), C.LastFull) << C.What;
    }
}

TEST(GridAxisVisible, NoViewportShowsOnlyTheStartCell) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    SetUpRolling(A, {30, 30, 30}, 0);
    A.SetFixedBoundary(80);
    A.SetContraStart(70);  // the fixed zone overlaps the contra zone
    A.SetRolStartVisPos(35);
    EXPECT_EQ(A.RolClientLen(), 0);
    EXPECT_EQ(A.RolStartVisCel(), 1);
    EXPECT_EQ(A.RolLastVisCel(), 1);
    EXPECT_EQ(A.RolLastFullVisCel(), 1);
    EXPECT_EQ(A.GetScrollStep(), 1);
}

TEST(GridAxisVisible, StartCellIsAbsoluteAndBoundariesFollowTheScroll) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    A.SetFixedCelCount(2);
    SetUpRolling(A, {40, 40, 40, 40}, 100);  // viewport 10 .. 110, RolLen 160
    EXPECT_EQ(A.StartVisCel(), 2);
    EXPECT_EQ(A.RolInClientBoundary(), 110);
    EXPECT_FALSE(A.InEndOfRol());
    A.SetRolStartVisPos(60);
    EXPECT_EQ(A.StartVisCel(), 3);
    EXPECT_EQ(A.RolStartVisCelOfst(), 20);
    EXPECT_EQ(A.RolInClientBoundary(), 110);  // 10 + 160 - 60
    EXPECT_TRUE(A.InEndOfRol());
    EXPECT_EQ(A.RolStopVisPos(), 60 + 160);
    A.SetRolStartVisPos(100);
    EXPECT_EQ(A.RolInClientBoundary(), 70);  // the cells end before the contra zone
    EXPECT_TRUE(A.InEndOfRol());
    EXPECT_EQ(A.GetScrollStep(), 5);
}

// ---- scrolling ----------------------------------------------------------------------------------

TEST(GridAxisScroll, SetRolStartVisPosNotifiesOncePerChange) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Vert;
    SetUpRolling(A, {20, 20, 20}, 30);
    G.Log.clear();
    A.SetRolStartVisPos(25);
    A.SetRolStartVisPos(25);
    EXPECT_EQ(G.Log, (std::vector<std::string>{"AxisRolStartVisPosChanged V 0"}));
    EXPECT_EQ(A.RolStartVisCel(), 1);
    EXPECT_EQ(A.RolStartVisCelOfst(), 5);

    // Past the viewport end is accepted; past RolLen and below 0 are refused.
    A.SetRolStartVisPos(60);
    EXPECT_EQ(A.RolStartVisCel(), 2);
    EXPECT_EQ(A.RolStartVisCelOfst(), 20);
    G.Log.clear();
    EXPECT_EQ(RaisedText([&] { A.SetRolStartVisPos(61); }), "RolStartVisPos can't be > RolLen");
    EXPECT_EQ(RaisedText([&] { A.SetRolStartVisPos(-1); }), "RolStartVisPos can't be < 0");
    EXPECT_EQ(A.RolStartVisPos(), 60);
    EXPECT_TRUE(G.Log.empty());
}

TEST(GridAxisScroll, CheckRolStartVisPosLimits) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    SetUpRolling(A, {40, 40, 40}, 100);  // RolLen 120, last start position 20
    struct Case { Int64 Pos, Expected; };
    const Case Cases[] = {{-5, 0}, {0, 0}, {19, 19}, {20, 20}, {21, 20}, {1000, 20}};
    for (const auto& C : Cases) EXPECT_EQ(A.CheckRolStartVisPos(C.Pos), C.Expected) << C.Pos;
    A.SetContraStart(10 + 500);  // everything fits
    EXPECT_EQ(A.CheckRolStartVisPos(30), 0);
}

TEST(GridAxisScroll, CalcMaxStartCellFor) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    SetUpRolling(A, {30, 20, 10, 40, 120, 5}, 70);
    struct Case { Integer Index, Expected; };
    const Case Cases[] = {
        {0, 0},
        {2, 0},  // 30 + 20 + 10 = 60 fits
        {3, 1},  // 20 + 10 + 40 = 70 is exactly the viewport
        {4, 4},  // longer than the viewport on its own
        {5, 5},  // 120 + 5 does not fit
    };
    for (const auto& C : Cases) EXPECT_EQ(A.CalcMaxStartCellFor(C.Index), C.Expected) << C.Index;
}

TEST(GridAxisScroll, SafeSetRolStartVisCelNearTheEnd) {
    // Lengths 30 x 10, viewport 75: RolLen 300, exact end 225 (inside cell 7).
    struct Case { Integer Cell; TScrollStepTypeVz Step; Int64 Expected; };
    const Case Cases[] = {
        {2, sstByCellVz, 60},
        {7, sstByCellVz, 210},   // still before the exact end
        {8, sstByCellVz, 240},   // 225 is not a cell start: cells 8 and 9 end inside the viewport
        {9, sstByCellVz, 240},
        {8, sstByPixelVz, 225},
        {20, sstByPixelVz, 225}, // clamped to the last cell
        {-3, sstByCellVz, 0},
    };
    for (const auto& C : Cases) {
        TRecordingGrid G;
        TGridAxisDataVz& A = G.Horz;
        SetUpRolling(A, std::vector<Integer>(10, 30), 75);
        A.SetRolStartVisPos(15);
        A.SafeSetRolStartVisCel(C.Cell, C.Step);
        EXPECT_EQ(A.RolStartVisPos(), C.Expected) << C.Cell << " " << C.Step;
        if (C.Cell >= 8) {
            EXPECT_EQ(A.RolLastFullVisCel(), 9) << C.Cell << " " << C.Step;
        }
    }
}

// ---- moving cells -------------------------------------------------------------------------------

TEST(GridAxisMove, InsideEachZone) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    A.SetFixedCelCount(2);
    A.SetRolCelCount(3);
    A.SetContraCelCount(2);
    const Integer Lens[] = {1, 2, 10, 20, 30, 100, 200};
    for (Integer I = 0; I < 7; ++I) A.SetCelLens(I, Lens[I]);
    A.CheckUpdateRolCelPosArr();
    G.Log.clear();

    A.MoveCel(0, 1);
    A.MoveCel(4, 2);
    EXPECT_TRUE(A.RolLocCelPosArrObsolete());
    A.MoveCel(6, 5);
    const Integer Expected[] = {2, 1, 30, 10, 20, 200, 100};
    for (Integer I = 0; I < 7; ++I) EXPECT_EQ(A.GetCelLens(I), Expected[I]) << I;
    EXPECT_EQ(A.GetRolLocCelPosArr(1), 30);
    EXPECT_EQ(A.GetRolLocCelPosArr(2), 40);
    EXPECT_EQ(G.Log[0], "AxisCelMoved H 0 1");
    EXPECT_EQ(G.Log[1], "AxisCelMoved H 4 2");
    EXPECT_EQ(G.Log[2], "AxisCelMoved H 6 5");
}

TEST(GridAxisMove, AcrossZonesOrOutsideTheAxisIsRefused) {
    TRecordingGrid G;
    TGridAxisDataVz& A = G.Horz;
    A.SetDefaultCelLen(10);
    A.SetFixedCelCount(2);
    A.SetRolCelCount(3);
    A.SetContraCelCount(1);
    G.Log.clear();
    EXPECT_EQ(RaisedText([&] { A.MoveCel(1, 3); }), "MoveCel in different areas[FromIndex:1, ToIndex:3");
    EXPECT_EQ(RaisedText([&] { A.MoveCel(4, 5); }), "MoveCel in different areas[FromIndex:4, ToIndex:5");
    EXPECT_EQ(RaisedText([&] { A.MoveCel(2, 6); }), "Grid index out of range");
    EXPECT_EQ(RaisedText([&] { A.MoveCel(-1, 0); }), "Grid index out of range");
    EXPECT_TRUE(G.Log.empty());
}

// ---- comparing and mirroring --------------------------------------------------------------------

TEST(GridAxisMisc, CelLensEqualAndRightToLeft) {
    TRecordingGrid G1, G2;
    for (TGridAxisDataVz* A : {&G1.Horz, &G2.Horz}) {
        A->SetDefaultCelLen(10);
        A->SetFixedCelCount(1);
        A->SetRolCelCount(2);
    }
    EXPECT_TRUE(AxisCelLensEqual(&G1.Horz, &G2.Horz));
    G2.Horz.SetCelLens(2, 11);
    EXPECT_FALSE(AxisCelLensEqual(&G1.Horz, &G2.Horz));
    G2.Horz.SetCelLens(2, 10);
    G2.Horz.SetContraCelCount(1);
    EXPECT_FALSE(AxisCelLensEqual(&G1.Horz, &G2.Horz));
    // The zones differ but every absolute length is the same.
    G1.Horz.SetRolCelCount(3);
    G2.Horz.SetContraCelCount(0);
    G2.Horz.SetFixedCelCount(2);
    EXPECT_TRUE(AxisCelLensEqual(&G1.Horz, &G2.Horz));

    TGridAxisDataVz& A = G1.Vert;
    A.SetWinClientBoundSta(0);
    A.SetWinClientBoundSto(200);
    EXPECT_EQ(A.RightToLeftReflect(30), 170);
    Integer Left = 30, Right = 80;
    A.SwapRightToLeftPoses(Left, Right);
    EXPECT_EQ(Left, 120);
    EXPECT_EQ(Right, 170);
}

TEST(GridAxisMisc, AxisWithoutGrid) {
    TGridAxisDataVz A(nullptr);
    A.SetDefaultCelLen(15);
    A.SetRolCelCount(4);
    A.SetFixedBoundary(0);
    A.SetContraStart(40);
    EXPECT_EQ(A.GridClientStart(), 0);
    EXPECT_FALSE(A.RolLocCelPosArrObsolete());
    A.SetRolStartVisPos(20);
    EXPECT_EQ(A.RolStartVisCel(), 1);
    EXPECT_EQ(A.RolLastVisCel(), 3);
    EXPECT_EQ(A.RolLastFullVisCel(), 3);
}

}  // namespace
