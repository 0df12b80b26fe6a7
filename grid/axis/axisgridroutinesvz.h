// The process-wide routines that edit a memo text and a picture for the grids' ellipsis buttons.
// The editors install them at start-up; a grid calls a routine only when it is installed, and an
// ellipsis press on a bar whose routine is missing is simply not handled.
#pragma once

#include "platform/gui/types.h"
#include "platform/rtl/classes.h"

#include <functional>

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
