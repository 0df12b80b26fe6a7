// Geometry value types of the framework: TPoint, TSize, TRect and the rectangle helpers.
// A rectangle is Left/Top/Right/Bottom with the right and bottom edges exclusive, as the
// drawing rules use them: Width() == Right - Left.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <limits>

// Arithmetic on coordinates that may come from a damaged file: results beyond the int range
// stop at its ends instead of overflowing.
constexpr int SatInt(long long V) {
    return V > std::numeric_limits<int>::max()   ? std::numeric_limits<int>::max()
           : V < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                                 : int(V);
}
constexpr int SatAdd(int A, int B) { return SatInt((long long)A + B); }
constexpr int SatSub(int A, int B) { return SatInt((long long)A - B); }

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int AX, int AY) : X(AX), Y(AY) {}
    constexpr bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
    constexpr bool operator!=(const TPoint& o) const { return !(*this == o); }
    constexpr TPoint operator+(const TPoint& o) const { return {SatAdd(X, o.X), SatAdd(Y, o.Y)}; }
    constexpr TPoint operator-(const TPoint& o) const { return {SatSub(X, o.X), SatSub(Y, o.Y)}; }
    QPoint ToQPoint() const { return QPoint(X, Y); }
    static TPoint FromQPoint(const QPoint& p) { return {p.x(), p.y()}; }
};

struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr TSize() = default;
    constexpr TSize(int ACx, int ACy) : cx(ACx), cy(ACy) {}
    constexpr bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
    constexpr bool operator!=(const TSize& o) const { return !(*this == o); }
    constexpr int Width() const { return cx; }
    constexpr int Height() const { return cy; }
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int ALeft, int ATop, int ARight, int ABottom)
        : Left(ALeft), Top(ATop), Right(ARight), Bottom(ABottom) {}
    constexpr TRect(const TPoint& TopLeft, const TPoint& BottomRight)
        : Left(TopLeft.X), Top(TopLeft.Y), Right(BottomRight.X), Bottom(BottomRight.Y) {}

    constexpr int Width() const { return SatSub(Right, Left); }
    constexpr int Height() const { return SatSub(Bottom, Top); }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr TPoint BottomRight() const { return {Right, Bottom}; }
    constexpr TPoint CenterPoint() const {
        return {int(((long long)Left + Right) / 2), int(((long long)Top + Bottom) / 2)};
    }
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    constexpr bool Contains(const TPoint& P) const {
        return P.X >= Left && P.X < Right && P.Y >= Top && P.Y < Bottom;
    }
    constexpr void SetWidth(int W) { Right = SatAdd(Left, W); }
    constexpr void SetHeight(int H) { Bottom = SatAdd(Top, H); }
    constexpr void Offset(int DX, int DY) {
        Left = SatAdd(Left, DX), Right = SatAdd(Right, DX), Top = SatAdd(Top, DY), Bottom = SatAdd(Bottom, DY);
    }
    constexpr void Inflate(int DX, int DY) {
        Left = SatSub(Left, DX), Right = SatAdd(Right, DX), Top = SatSub(Top, DY), Bottom = SatAdd(Bottom, DY);
    }
    constexpr bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    constexpr bool operator!=(const TRect& o) const { return !(*this == o); }

    // Qt's QRect is inclusive at the right/bottom; these convert by width and height.
    QRect ToQRect() const { return QRect(Left, Top, Width(), Height()); }
    static TRect FromQRect(const QRect& r) { return {r.x(), r.y(), r.x() + r.width(), r.y() + r.height()}; }
};

constexpr TPoint Point(int AX, int AY) { return {AX, AY}; }
constexpr TRect Rect(int ALeft, int ATop, int ARight, int ABottom) { return {ALeft, ATop, ARight, ABottom}; }
constexpr TRect Bounds(int ALeft, int ATop, int AWidth, int AHeight) {
    return {ALeft, ATop, SatAdd(ALeft, AWidth), SatAdd(ATop, AHeight)};
}

constexpr bool PtInRect(const TRect& R, const TPoint& P) { return R.Contains(P); }
constexpr bool IsRectEmpty(const TRect& R) { return R.IsEmpty(); }
constexpr bool EqualRect(const TRect& A, const TRect& B) { return A == B; }

// Intersection of R1 and R2 into Dest; an empty intersection gives (0,0,0,0) and false.
constexpr bool IntersectRect(TRect& Dest, const TRect& R1, const TRect& R2) {
    TRect r{std::max(R1.Left, R2.Left), std::max(R1.Top, R2.Top), std::min(R1.Right, R2.Right),
            std::min(R1.Bottom, R2.Bottom)};
    if (r.IsEmpty()) {
        Dest = TRect();
        return false;
    }
    Dest = r;
    return true;
}

// Smallest rectangle holding both; empty rectangles are ignored. False when the result is empty.
constexpr bool UnionRect(TRect& Dest, const TRect& R1, const TRect& R2) {
    if (R1.IsEmpty()) {
        Dest = R2.IsEmpty() ? TRect() : R2;
    } else if (R2.IsEmpty()) {
        Dest = R1;
    } else {
        Dest = TRect(std::min(R1.Left, R2.Left), std::min(R1.Top, R2.Top), std::max(R1.Right, R2.Right),
                     std::max(R1.Bottom, R2.Bottom));
    }
    return !Dest.IsEmpty();
}

constexpr bool OffsetRect(TRect& R, int DX, int DY) { R.Offset(DX, DY); return true; }
constexpr bool InflateRect(TRect& R, int DX, int DY) { R.Inflate(DX, DY); return true; }
constexpr bool SetRect(TRect& R, int ALeft, int ATop, int ARight, int ABottom) {
    R = TRect(ALeft, ATop, ARight, ABottom);
    return true;
}
constexpr bool SetRectEmpty(TRect& R) { R = TRect(); return true; }
