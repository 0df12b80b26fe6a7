// The grids' own cursors: the arrows that show where a dragged column goes. Their pictures are the
// program's cursor resources "DOWNCURVZ", "RIGHTCURVZ" and "LEFTCURVZ"; on first use each is
// registered in a free slot of the screen's cursor table, and the slot's number is the cursor a
// control sets. Whether the title drag window paints without a back buffer is a process setting.
#pragma once

#include "platform/gui/controls.h"

TCursor DownCursorVz();
TCursor RightCursorVz();
TCursor LeftCursorVz();

extern bool DragWinNoDoubleBuffering;
