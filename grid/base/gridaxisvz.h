// The axis model of the library's grids. A grid measures its columns with one axis and its rows
// with another. Along an axis the cells lie in three zones, in client order:
//
//   fixed   absolute 0 .. FixedCelCount-1       pinned at the near edge; the last FrozenCelCount of
//                                               them are the frozen cells (data cells that do not scroll)
//   rolling absolute FixedCelCount .. CelCount-1  scroll inside the viewport FixedBoundary .. ContraStart
//   contra  absolute CelCount .. FullCelCount-1  pinned at the far edge
//
// Rolling cells are addressed by pixel through a cumulative array of 64-bit start positions, so a
// grid of many millions of rows can be scrolled by pixel; client coordinates stay 32-bit. The array
// is rebuilt lazily: changes only mark it obsolete and the next reader of a position rebuilds it.
// The boundary fields (client coordinates of the zones) are written by the grid when it lays
// itself out; the axis reports every change of counts, lengths, order and scroll position to it.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/system.h"

#include <vector>

class TGridAxisDataVz;

using TIntegerDynArrayVz = std::vector<Integer>;
using TInt64DynArrayVz = std::vector<Int64>;

// How a grid scrolls to a cell near the end of the rolling zone: to the exact end (by pixel), or
// so that the viewport still begins at a cell start (by cell).
enum TScrollStepTypeVz { sstByPixelVz, sstByCellVz };

// What an axis tells the grid that owns it. The base grid implements these operations.
class TGridAxisOwnerVz {
public:
    virtual void CellCountsChanged() = 0;
    virtual void UpdateBoundaries() = 0;
    // Index is absolute; OldLen the length before the change.
    virtual void AxisCelLenChanged(TGridAxisDataVz* Axis, Integer Index, Integer OldLen) = 0;
    virtual void AxisCelMoved(TGridAxisDataVz* Axis, Integer FromIndex, Integer ToIndex) = 0;
    // An axis rebuilt its position array.
    virtual void RolCelPosArrRebuilt() = 0;
    // Runs CheckUpdateRolCelPosArr on both axes.
    virtual void UpdateRolCelPosArrs() = 0;
    virtual void AxisRolStartVisPosChanged(TGridAxisDataVz* Axis, Int64 OldPos) = 0;

protected:
    ~TGridAxisOwnerVz() = default;
};

class TGridAxisDataVz : public TPersistent {
    SDELKA_CLASS(TGridAxisDataVz, TPersistent)
public:
    // A new axis is empty (all counts 0). AGrid is not owned; without a grid the axis sends no
    // notifications and updates only its own position array.
    explicit TGridAxisDataVz(TGridAxisOwnerVz* AGrid) : FGrid(AGrid) {}

    TGridAxisOwnerVz* Grid() const { return FGrid; }

    // ---- counts ------------------------------------------------------------------------------
    Integer FixedCelCount() const { return FFixedCelCount; }
    void SetFixedCelCount(Integer Value);
    Integer FrozenCelCount() const { return FFrozenCelCount; }
    void SetFrozenCelCount(Integer Value);
    Integer RolCelCount() const { return FRolCelCount; }
    void SetRolCelCount(Integer Value);
    Integer ContraCelCount() const { return FContraCelCount; }
    void SetContraCelCount(Integer Value);
    Integer CelCount() const { return FFixedCelCount + FRolCelCount; }
    Integer FullCelCount() const { return FFixedCelCount + FRolCelCount + FContraCelCount; }

    // Opens Count cells of DefaultCelLen at rolling index Index / removes Count cells at Index.
    void InsertRolCels(Integer Index, Integer Count);
    void DeleteRolCels(Integer Index, Integer Count);

    // ---- lengths -----------------------------------------------------------------------------
    Integer DefaultCelLen() const { return FDefaultCelLen; }
    // Length given to cells added later; existing cells keep theirs.
    void SetDefaultCelLen(Integer Value) { FDefaultCelLen = Value; }

    // By absolute index; the index is not checked.
    Integer GetCelLens(Integer Index) const;
    void SetCelLens(Integer Index, Integer Value);
    // By the zone's own index; not checked.
    Integer GetFixedCelLens(Integer Index) const { return FFixedCelLens[Index]; }
    Integer GetRolCelLens(Integer Index) const { return FRolCelLens[Index]; }
    Integer GetContraCelLens(Integer Index) const { return FContraCelLens[Index]; }
    void SetFixedCelLens(Integer Index, Integer Value);
    void SetRolCelLens(Integer Index, Integer Value);
    void SetContraCelLens(Integer Index, Integer Value);
    // Sum of the fixed lengths before Index.
    Integer GetFixedCelPos(Integer Index) const;

    // ---- reordering --------------------------------------------------------------------------
    // Absolute indexes, both in the same zone.
    void MoveCel(Integer FromIndex, Integer ToIndex);

    // ---- boundaries (client coordinates, written by the grid's UpdateBoundaries) -------------
    // Reading the cell-area bounds first brings both axes' position arrays up to date.
    Integer GridClientStart();
    Integer GridClientStop();
    Integer GridClientLen() { return GridClientStop() - GridClientStart(); }
    Integer FixedBoundary() const { return FFixedBoundary; }
    Integer ContraStart() const { return FContraStart; }
    Integer ContraLen() const { return FContraLen; }
    Integer FrozenLen() const { return FFrozenLen; }
    Integer WinClientBoundSta() const { return FWinClientBoundSta; }
    Integer WinClientBoundSto() const { return FWinClientBoundSto; }
    // Raw writers for the grid's layout; they notify nobody (the grid recomputes the visible
    // cells with CalcLastVisCels when it is done).
    void SetGridClientStart(Integer Value) { FGridClientStart = Value; }
    void SetGridClientStop(Integer Value) { FGridClientStop = Value; }
    void SetFixedBoundary(Integer Value) { FFixedBoundary = Value; }
    void SetContraStart(Integer Value) { FContraStart = Value; }
    void SetContraLen(Integer Value) { FContraLen = Value; }
    void SetFrozenLen(Integer Value) { FFrozenLen = Value; }
    void SetWinClientBoundSta(Integer Value) { FWinClientBoundSta = Value; }
    void SetWinClientBoundSto(Integer Value) { FWinClientBoundSto = Value; }

    // Length of the rolling viewport, not below 0.
    Integer RolClientLen() const;
    // Summed length of the rolling cells (0 for an empty rolling zone).
    Int64 RolLen();
    // Where the rolling cells end in the client area, at most ContraStart.
    Integer RolInClientBoundary();
    // Scrolled to the end, or everything fits.
    bool InEndOfRol();

    // ---- positions and scrolling -------------------------------------------------------------
    Int64 RolStartVisPos() const { return FRolStartVisPos; }
    // Raises when Pos is outside 0 .. RolLen; positions past the viewport end are accepted
    // (callers limit them with CheckRolStartVisPos).
    void SetRolStartVisPos(Int64 Pos);
    Int64 RolStopVisPos() { return FRolStartVisPos + RolLen(); }
    Integer RolStartVisCel() const { return FRolStartVisCel; }
    Integer RolStartVisCelOfst() const { return FRolStartVisCelOfst; }
    // Absolute index of the first visible rolling cell.
    Integer StartVisCel() const { return FFixedCelCount + FRolStartVisCel; }
    // Rolling indexes of the last (partly) and last completely visible cells; -1 with no
    // rolling cells.
    Integer RolLastVisCel();
    Integer RolLastFullVisCel();

    // Start of rolling cell Index (not checked), after bringing the array up to date.
    Int64 GetRolLocCelPosArr(Integer Index);
    // Writes one entry as it is.
    void SetRolLocCelPosArr(Integer Index, Int64 Value) { FRolLocCelPosArr[Index] = Value; }
    bool RolLocCelPosArrObsolete() const { return FRolLocCelPosArrObsolete; }
    void CheckUpdateRolCelPosArr();
    void CheckUpdateAxises();
    void RebuildRolLocCelPosArr();

    // Rolling cell and offset inside it for a position (Cel -1 with no rolling cells).
    void RolCellAtPos(Int64 Pos, Integer& Cel, Int64& Offset);
    // Pos limited to 0 .. RolLen - RolClientLen (0 when that is negative).
    Int64 CheckRolStartVisPos(Int64 Pos);
    // Scrolls so that rolling cell NewStartCell begins the viewport, as far as the end allows.
    void SafeSetRolStartVisCel(Integer NewStartCell, TScrollStepTypeVz ScrollStepType);
    // Smallest rolling start cell from which rolling cell Index still ends inside the viewport
    // (Index itself when it alone is longer than the viewport).
    Integer CalcMaxStartCellFor(Integer Index);
    // First visible cell and its offset from the scroll position, then the last visible ones.
    void UpdateVisCells();
    void CalcLastVisCels();
    // A line step for scrolling: a twentieth of the viewport, at least 1.
    Integer GetScrollStep() const;

    // Mirroring of client coordinates for right-to-left grids.
    Integer RightToLeftReflect(Integer APos) const;
    // Reflects both and exchanges them, so a left/right pair stays ordered.
    void SwapRightToLeftPoses(Integer& Pos1, Integer& Pos2) const;

private:
    void NotifyCellCountsChanged();
    void NotifyUpdateBoundaries();
    void ResizeZone(TIntegerDynArrayVz& Lens, Integer& Count, Integer Value);

    Integer FContraCelCount = 0;
    TIntegerDynArrayVz FContraCelLens;
    Integer FContraLen = 0;
    Integer FContraStart = 0;
    Integer FDefaultCelLen = 0;
    Integer FFixedBoundary = 0;
    Integer FFixedCelCount = 0;
    TIntegerDynArrayVz FFixedCelLens;
    Integer FFrozenCelCount = 0;
    Integer FFrozenLen = 0;
    TGridAxisOwnerVz* FGrid = nullptr;
    Integer FGridClientStart = 0;
    Integer FGridClientStop = 0;
    Integer FRolCelCount = 0;
    TIntegerDynArrayVz FRolCelLens;
    Integer FRolLastFullVisCel = -1;
    Integer FRolLastVisCel = -1;
    TInt64DynArrayVz FRolLocCelPosArr;
    bool FRolLocCelPosArrObsolete = false;
    Integer FRolStartVisCel = 0;
    Integer FRolStartVisCelOfst = 0;
    Int64 FRolStartVisPos = 0;
    Integer FWinClientBoundSta = 0;
    Integer FWinClientBoundSto = 0;
};

// ---- integer-array routines of the axis ---------------------------------------------------------

// Grows the array by Amount and moves the items from StartIndex up by Amount; the opened items
// keep stale values (callers fill them).
void ArrayInsertRange(TIntegerDynArrayVz& Extents, Integer StartIndex, Integer Amount);
// Removes Amount items at StartIndex.
void ArrayDeleteRange(TIntegerDynArrayVz& Extents, Integer StartIndex, Integer Amount);
void ArrayFillRange(TIntegerDynArrayVz& Extents, Integer StartIndex, Integer Count, Integer Value);
// Takes the item out of FromIndex and puts it at ToIndex, shifting the items between.
void ArrayMoveItem(TIntegerDynArrayVz& Extents, Integer FromIndex, Integer ToIndex);
// Same full count and the same length at every absolute index.
bool AxisCelLensEqual(const TGridAxisDataVz* Axis1, const TGridAxisDataVz* Axis2);
// Binary search over ascending starts: the cell whose start is the greatest start not above Pos
// (cell 0 for a position before the first start, the last cell for one past the last start) and
// Pos's offset from that start. An empty array gives Cel -1 and Offset 0.
void FindCelAtPos(const TInt64DynArrayVz& Positions, Int64 Pos, Integer& Cel, Int64& Offset);
