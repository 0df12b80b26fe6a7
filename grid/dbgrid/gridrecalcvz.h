// The arithmetic of the data grid's layout recalculation, apart from the grid so that it can be
// checked on its own: fitting a row height to whole text lines and scaling widths without letting
// rounding add up.
#pragma once

#include <vector>

// A row height rounded to whole lines of text (T pixels each) inside a border of B pixels: the
// remainder is dropped when it is at most half a line (and a line remains), else a line is added.
int FitRowHeightToTextVz(int Height, int TextHeight, int Border);

// Each width becomes MulDiv(sum after it, M, D) - MulDiv(sum before it, M, D), so the scaled sum
// is the scaled total.
void ScaleWidthsCumulativeVz(std::vector<int>& Widths, int M, int D);
