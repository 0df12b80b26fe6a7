#include "grid/base/gridaxisvz.h"

#include "platform/rtl/exceptions.h"

#include <algorithm>

// ---- integer-array routines ---------------------------------------------------------------------

void ArrayInsertRange(TIntegerDynArrayVz& Extents, Integer StartIndex, Integer Amount) {
    if (Amount < 0) throw Exception(QStringLiteral("ArrayInsertRange: (Amount < 0)"));
    const auto OldLen = static_cast<Integer>(Extents.size());
    if (StartIndex > OldLen) throw Exception(QStringLiteral("ArrayInsertRange: StartIndex > Length(Extents)"));
    if (Amount == 0) return;
    Extents.resize(static_cast<std::size_t>(OldLen) + Amount);
    std::move_backward(Extents.begin() + StartIndex, Extents.begin() + OldLen, Extents.end());
}

void ArrayDeleteRange(TIntegerDynArrayVz& Extents, Integer StartIndex, Integer Amount) {
    if (Amount < 0) throw Exception(QStringLiteral("ArrayDeleteRange: (Amount < 0)"));
    if (static_cast<Int64>(StartIndex) + Amount > static_cast<Int64>(Extents.size()))
        throw Exception(QStringLiteral("ArrayDeleteRange: StartIndex + Amount > Length(Extents)"));
    Extents.erase(Extents.begin() + StartIndex, Extents.begin() + StartIndex + Amount);
}

void ArrayFillRange(TIntegerDynArrayVz& Extents, Integer StartIndex, Integer Count, Integer Value) {
    std::fill(Extents.begin() + StartIndex, Extents.begin() + StartIndex + Count, Value);
}

void ArrayMoveItem(TIntegerDynArrayVz& Extents, Integer FromIndex, Integer ToIndex) {
    if (Extents.empty() || FromIndex == ToIndex) return;
    const auto From = Extents.begin() + FromIndex;
    const auto To = Extents.begin() + ToIndex;
    if (FromIndex < ToIndex)
        std::rotate(From, From + 1, To + 1);
    else
        std::rotate(To, From, From + 1);
}

bool AxisCelLensEqual(const TGridAxisDataVz* Axis1, const TGridAxisDataVz* Axis2) {
    const Integer Count = Axis1->FullCelCount();
    if (Count != Axis2->FullCelCount()) return false;
    for (Integer I = 0; I < Count; ++I)
        if (Axis1->GetCelLens(I) != Axis2->GetCelLens(I)) return false;
    return true;
}

void FindCelAtPos(const TInt64DynArrayVz& Positions, Int64 Pos, Integer& Cel, Int64& Offset) {
    if (Positions.empty()) {
        Cel = -1;
        Offset = 0;
        return;
    }
    const auto Last = static_cast<Integer>(Positions.size()) - 1;
    if (Pos <= Positions[0]) {
        Cel = 0;
        Offset = Pos - Positions[0];
        return;
    }
    if (Pos >= Positions[Last]) {
        Cel = Last;
        Offset = Pos - Positions[Last];
        return;
    }
    // Here Positions[0] < Pos < Positions[Last]: the answer lies in lo .. hi-1.
    Integer Lo = 0, Hi = Last, Mid = (Hi - Lo) / 2;
    for (;;) {
        if (Positions[Mid] > Pos)
            Hi = Mid;
        else if (Positions[Mid] == Pos) {
            Cel = Mid;
            Offset = 0;
            return;
        } else
            Lo = Mid;
        const Integer Next = (Lo + Hi) / 2;
        if (Next == Mid) {
            Cel = Mid;
            Offset = Pos - Positions[Mid];
            return;
        }
        Mid = Next;
    }
}

// ---- TGridAxisDataVz ----------------------------------------------------------------------------

void TGridAxisDataVz::NotifyCellCountsChanged() {
    if (FGrid) FGrid->CellCountsChanged();
}

void TGridAxisDataVz::NotifyUpdateBoundaries() {
    if (FGrid) FGrid->UpdateBoundaries();
}

void TGridAxisDataVz::ResizeZone(TIntegerDynArrayVz& Lens, Integer& Count, Integer Value) {
    Lens.resize(static_cast<std::size_t>(Value), FDefaultCelLen);
    Count = Value;
    NotifyCellCountsChanged();
    NotifyUpdateBoundaries();
}

void TGridAxisDataVz::SetFixedCelCount(Integer Value) {
    if (Value == FFixedCelCount) return;
    if (Value < 0) throw Exception(QStringLiteral("RolColCount can't be less then 0"));
    ResizeZone(FFixedCelLens, FFixedCelCount, Value);
}

void TGridAxisDataVz::SetContraCelCount(Integer Value) {
    if (Value == FContraCelCount) return;
    if (Value < 0) throw Exception(QStringLiteral("ContraCelCount can't be less then 0"));
    ResizeZone(FContraCelLens, FContraCelCount, Value);
}

void TGridAxisDataVz::SetFrozenCelCount(Integer Value) {
    if (Value == FFrozenCelCount) return;
    FFrozenCelCount = Value;
    NotifyUpdateBoundaries();
}

void TGridAxisDataVz::SetRolCelCount(Integer Value) {
    if (Value == FRolCelCount) return;
    if (Value <= 0) throw Exception(QStringLiteral("RolCelCount can't be less then 1"));
    if (Value > FRolCelCount)
        InsertRolCels(FRolCelCount, Value - FRolCelCount);
    else
        DeleteRolCels(Value, FRolCelCount - Value);
}

void TGridAxisDataVz::InsertRolCels(Integer Index, Integer Count) {
    ArrayInsertRange(FRolCelLens, Index, Count);
    ArrayFillRange(FRolCelLens, Index, Count, FDefaultCelLen);
    FRolLocCelPosArr.resize(FRolCelLens.size());
    FRolCelCount = static_cast<Integer>(FRolCelLens.size());
    FRolLocCelPosArrObsolete = true;
    NotifyCellCountsChanged();
}

void TGridAxisDataVz::DeleteRolCels(Integer Index, Integer Count) {
    ArrayDeleteRange(FRolCelLens, Index, Count);
    FRolLocCelPosArr.resize(FRolCelLens.size());
    FRolCelCount = static_cast<Integer>(FRolCelLens.size());
    FRolLocCelPosArrObsolete = true;
    NotifyCellCountsChanged();
}

Integer TGridAxisDataVz::GetCelLens(Integer Index) const {
    if (Index < FFixedCelCount) return GetFixedCelLens(Index);
    if (Index < CelCount()) return GetRolCelLens(Index - FFixedCelCount);
    return GetContraCelLens(Index - CelCount());
}

void TGridAxisDataVz::SetCelLens(Integer Index, Integer Value) {
    if (Index < FFixedCelCount)
        SetFixedCelLens(Index, Value);
    else if (Index < CelCount())
        SetRolCelLens(Index - FFixedCelCount, Value);
    else
        SetContraCelLens(Index - CelCount(), Value);
}

void TGridAxisDataVz::SetFixedCelLens(Integer Index, Integer Value) {
    const Integer OldLen = FFixedCelLens[Index];
    if (OldLen == Value) return;
    FFixedCelLens[Index] = Value;
    if (FGrid) FGrid->AxisCelLenChanged(this, Index, OldLen);
}

void TGridAxisDataVz::SetRolCelLens(Integer Index, Integer Value) {
    const Integer OldLen = FRolCelLens[Index];
    if (OldLen == Value) return;
    FRolCelLens[Index] = Value;
    FRolLocCelPosArrObsolete = true;
    if (FGrid) FGrid->AxisCelLenChanged(this, FFixedCelCount + Index, OldLen);
    NotifyCellCountsChanged();
}

void TGridAxisDataVz::SetContraCelLens(Integer Index, Integer Value) {
    const Integer OldLen = FContraCelLens[Index];
    if (OldLen == Value) return;
    FContraCelLens[Index] = Value;
    if (FGrid) FGrid->AxisCelLenChanged(this, CelCount() + Index, OldLen);
}

Integer TGridAxisDataVz::GetFixedCelPos(Integer Index) const {
    Integer Result = 0;
    for (Integer I = 0; I < Index; ++I) Result += FFixedCelLens[I];
    return Result;
}

void TGridAxisDataVz::MoveCel(Integer FromIndex, Integer ToIndex) {
    // A move is a user's drag: an index outside the axis must not reach the arrays.
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= FullCelCount() || ToIndex >= FullCelCount())
        throw Exception(QStringLiteral("Grid index out of range"));
    if (FromIndex < FFixedCelCount && ToIndex < FFixedCelCount)
        ArrayMoveItem(FFixedCelLens, FromIndex, ToIndex);
    else if (FromIndex >= FFixedCelCount && ToIndex >= FFixedCelCount && FromIndex < CelCount() &&
             ToIndex < CelCount()) {
        ArrayMoveItem(FRolCelLens, FromIndex - FFixedCelCount, ToIndex - FFixedCelCount);
        FRolLocCelPosArrObsolete = true;
    } else if (FromIndex >= CelCount() && ToIndex >= CelCount())
        ArrayMoveItem(FContraCelLens, FromIndex - CelCount(), ToIndex - CelCount());
    else
        throw Exception(QStringLiteral("MoveCel in different areas[FromIndex:%D, ToIndex:%D"),
                        {FromIndex, ToIndex});
    if (FGrid) FGrid->AxisCelMoved(this, FromIndex, ToIndex);
}

Integer TGridAxisDataVz::GridClientStart() {
    CheckUpdateAxises();
    return FGridClientStart;
}

Integer TGridAxisDataVz::GridClientStop() {
    CheckUpdateAxises();
    return FGridClientStop;
}

Integer TGridAxisDataVz::RolClientLen() const {
    return std::max(FContraStart - FFixedBoundary, 0);
}

Int64 TGridAxisDataVz::RolLen() {
    CheckUpdateRolCelPosArr();
    if (FRolCelCount == 0) return 0;
    const Integer Last = FRolCelCount - 1;
    return FRolLocCelPosArr[Last] + FRolCelLens[Last];
}

Integer TGridAxisDataVz::RolInClientBoundary() {
    const Int64 Boundary = FFixedBoundary + RolLen() - FRolStartVisPos;
    return static_cast<Integer>(std::min<Int64>(Boundary, FContraStart));
}

bool TGridAxisDataVz::InEndOfRol() {
    return FContraStart >= FFixedBoundary + RolLen() - FRolStartVisPos;
}

void TGridAxisDataVz::SetRolStartVisPos(Int64 Pos) {
    if (Pos == FRolStartVisPos) return;
    if (Pos > RolLen()) throw Exception(QStringLiteral("RolStartVisPos can't be > RolLen"));
    if (Pos < 0) throw Exception(QStringLiteral("RolStartVisPos can't be < 0"));
    const Int64 OldPos = FRolStartVisPos;
    FRolStartVisPos = Pos;
    CheckUpdateRolCelPosArr();
    UpdateVisCells();
    if (FGrid) FGrid->AxisRolStartVisPosChanged(this, OldPos);
}

Integer TGridAxisDataVz::RolLastVisCel() {
    CheckUpdateRolCelPosArr();
    return FRolLastVisCel;
}

Integer TGridAxisDataVz::RolLastFullVisCel() {
    CheckUpdateRolCelPosArr();
    return FRolLastFullVisCel;
}

Int64 TGridAxisDataVz::GetRolLocCelPosArr(Integer Index) {
    CheckUpdateRolCelPosArr();
    return FRolLocCelPosArr[Index];
}

void TGridAxisDataVz::CheckUpdateRolCelPosArr() {
    if (!FRolLocCelPosArrObsolete) return;
    RebuildRolLocCelPosArr();
    if (FGrid) FGrid->RolCelPosArrRebuilt();
}

void TGridAxisDataVz::CheckUpdateAxises() {
    if (FGrid)
        FGrid->UpdateRolCelPosArrs();
    else
        CheckUpdateRolCelPosArr();
}

void TGridAxisDataVz::RebuildRolLocCelPosArr() {
    FRolLocCelPosArr.resize(FRolCelLens.size());
    for (Integer I = 0; I < FRolCelCount; ++I)
        FRolLocCelPosArr[I] = I == 0 ? 0 : FRolLocCelPosArr[I - 1] + static_cast<Int64>(FRolCelLens[I - 1]);
    UpdateVisCells();
    FRolLocCelPosArrObsolete = false;
}

void TGridAxisDataVz::RolCellAtPos(Int64 Pos, Integer& Cel, Int64& Offset) {
    CheckUpdateRolCelPosArr();
    FindCelAtPos(FRolLocCelPosArr, Pos, Cel, Offset);
}

Int64 TGridAxisDataVz::CheckRolStartVisPos(Int64 Pos) {
    const Int64 MaxPos = std::max<Int64>(RolLen() - RolClientLen(), 0);
    return std::clamp<Int64>(Pos, 0, MaxPos);
}

void TGridAxisDataVz::SafeSetRolStartVisCel(Integer NewStartCell, TScrollStepTypeVz ScrollStepType) {
    if (FRolCelCount == 0) return;
    NewStartCell = std::clamp(NewStartCell, 0, FRolCelCount - 1);
    const Int64 P = GetRolLocCelPosArr(NewStartCell);
    const Int64 EndPos = RolLen() - RolClientLen();
    if (P <= EndPos)
        SetRolStartVisPos(CheckRolStartVisPos(P));
    else if (ScrollStepType == sstByCellVz)
        SetRolStartVisPos(GetRolLocCelPosArr(CalcMaxStartCellFor(FRolCelCount - 1)));
    else
        SetRolStartVisPos(CheckRolStartVisPos(EndPos));
}

Integer TGridAxisDataVz::CalcMaxStartCellFor(Integer Index) {
    CheckUpdateRolCelPosArr();
    const Int64 CelEnd = FRolLocCelPosArr[Index] + FRolCelLens[Index];
    const Integer ClientLen = RolClientLen();
    Integer Result = Index;
    for (Integer I = Index; I >= 0; --I) {
        if (CelEnd - FRolLocCelPosArr[I] > ClientLen) break;
        Result = I;
    }
    return Result;
}

void TGridAxisDataVz::UpdateVisCells() {
    if (FRolCelCount == 0) {
        FRolStartVisCel = 0;
        FRolStartVisCelOfst = 0;
    } else {
        Integer Cel = 0;
        Int64 Offset = 0;
        FindCelAtPos(FRolLocCelPosArr, FRolStartVisPos, Cel, Offset);
        FRolStartVisCel = Cel;
        FRolStartVisCelOfst = static_cast<Integer>(Offset);
    }
    CalcLastVisCels();
}

void TGridAxisDataVz::CalcLastVisCels() {
    if (FRolCelCount == 0) {
        FRolLastVisCel = -1;
        FRolLastFullVisCel = -1;
        return;
    }
    if (FFixedBoundary >= FContraStart) {
        FRolLastVisCel = FRolStartVisCel;
        FRolLastFullVisCel = FRolStartVisCel;
        return;
    }
    const Int64 LastPos = FRolStartVisPos + RolClientLen() - 1;
    Integer Cel = 0;
    Int64 Offset = 0;
    FindCelAtPos(FRolLocCelPosArr, LastPos, Cel, Offset);
    // Cells that start inside the viewport are visible, and so are zero-length cells that start
    // (and end) exactly at its far edge.
    while (Cel + 1 < FRolCelCount &&
           (FRolLocCelPosArr[Cel + 1] <= LastPos ||
            (FRolLocCelPosArr[Cel + 1] == LastPos + 1 && FRolCelLens[Cel + 1] == 0)))
        ++Cel;
    Offset = LastPos - FRolLocCelPosArr[Cel];
    FRolLastVisCel = Cel;
    FRolLastFullVisCel = Cel;
    if (Offset < FRolCelLens[Cel] - 1 && Cel > FRolStartVisCel) FRolLastFullVisCel = Cel - 1;
}

Integer TGridAxisDataVz::GetScrollStep() const {
    const Integer Step = (FContraStart - FFixedBoundary) / 20;
    return Step == 0 ? 1 : Step;
}

Integer TGridAxisDataVz::RightToLeftReflect(Integer APos) const {
    return (FWinClientBoundSto - FWinClientBoundSta) - APos;
}

void TGridAxisDataVz::SwapRightToLeftPoses(Integer& Pos1, Integer& Pos2) const {
    const Integer Reflected1 = RightToLeftReflect(Pos1);
    Pos1 = RightToLeftReflect(Pos2);
    Pos2 = Reflected1;
}
