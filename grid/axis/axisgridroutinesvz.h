// The process-wide routines that edit a memo text and a picture for the grids' ellipsis buttons.
// The editors install them at start-up; a grid calls a routine only when it is installed, and an
// ellipsis press on a bar whose routine is missing is simply not handled.
#pragma once

#include "platform/gui/graphics.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"

#include <functional>

class TField;
class TPicture;

// Text in, the edited text out; true when the user confirmed.
using TEditMemoRoutineVz = std::function<bool(String& Text, const TRect& Rect, bool ReadOnly)>;
// True when the user confirmed, the picture then holding the new image.
using TEditPictureRoutineVz = std::function<bool(TPicture* Picture)>;

TEditMemoRoutineVz& EditMemoRoutine();
TEditPictureRoutineVz& EditPictureRoutine();

// The value a calculator drops down with for an editor's text: the number it holds, or 0 while the
// text is empty or not yet a number ("-", "1e", a lone separator).
double CalculatorStartValueVz(const String& Text);

// Two colours mixed half and half, then lightened towards 225 by 0.6 per channel; Ungray also pushes
// each channel away from the middle grey (122) by a quarter.
TColor MixAndLightenColor(TColor Color1, TColor Color2, bool Ungray);

// The field's value as a 32-bit integer for the integer, float, currency and BCD types when it fits;
// Default for any other type and for a value out of range.
int GetFieldIntegerValueVz(TField* Field, int Default);
