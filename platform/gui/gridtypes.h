// The value types every grid shares, the framework's own grids and the grid library's alike: cell
// coordinates and ranges, the draw state handed to each cell's painting, and the scroll-bar codes
// of WM_HSCROLL/WM_VSCROLL. Kept apart so a grid's header needs no other grid's classes.
#pragma once

#include "platform/rtl/system.h"

// Scroll-bar codes and bars of WM_HSCROLL/WM_VSCROLL (the same values as TScrollCode).
constexpr int SB_HORZ = 0;
constexpr int SB_VERT = 1;
constexpr int SB_BOTH = 3;
constexpr int SB_LINEUP = 0;
constexpr int SB_LINELEFT = 0;
constexpr int SB_LINEDOWN = 1;
constexpr int SB_LINERIGHT = 1;
constexpr int SB_PAGEUP = 2;
constexpr int SB_PAGELEFT = 2;
constexpr int SB_PAGEDOWN = 3;
constexpr int SB_PAGERIGHT = 3;
constexpr int SB_THUMBPOSITION = 4;
constexpr int SB_THUMBTRACK = 5;
constexpr int SB_TOP = 6;
constexpr int SB_LEFT = 6;
constexpr int SB_BOTTOM = 7;
constexpr int SB_RIGHT = 7;
constexpr int SB_ENDSCROLL = 8;

// gdCurrent (the current cell, focused or not) is set by the grid library's grids only.
enum TGridDrawStateItem { gdSelected, gdFocused, gdFixed, gdHotTrack, gdPressed, gdRowSelected, gdCurrent };
using TGridDrawState = TSet<TGridDrawStateItem, 8>;

// A cell: X the column, Y the row; (-1, -1) stands for no cell.
struct TGridCoord {
    int X = 0;
    int Y = 0;
    constexpr bool operator==(const TGridCoord& o) const { return X == o.X && Y == o.Y; }
    constexpr bool operator!=(const TGridCoord& o) const { return !(*this == o); }
};

// A range of cells, bounds included.
struct TGridRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr TGridCoord TopLeft() const { return {Left, Top}; }
    constexpr TGridCoord BottomRight() const { return {Right, Bottom}; }
    constexpr bool Contains(int ACol, int ARow) const {
        return ACol >= Left && ACol <= Right && ARow >= Top && ARow <= Bottom;
    }
    constexpr bool operator==(const TGridRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    constexpr bool operator!=(const TGridRect& o) const { return !(*this == o); }
};
