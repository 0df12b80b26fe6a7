// Our own DrawText engine and the classic DrawEdge / DrawFrameControl, on a device context.
//
// DrawText lays text out in a rectangle with the DC's selected font, text colour and background
// mode: horizontal alignment, vertical alignment (single line only, as the framework's rule is),
// word break at spaces (a word longer than the line overflows unless DT_EDITCONTROL breaks it),
// CR, LF and CR LF line breaks (not with DT_SINGLELINE, where they are left out), end/path/word
// ellipsis, tab expansion, "&" prefixes ("&&" is a literal "&"), margins, DT_CALCRECT. It returns
// the height of the text (from the rectangle's top to the bottom of the last line).
#pragma once

#include "platform/gui/canvas.h"
#include "platform/gui/types.h"

constexpr unsigned DT_TOP = 0x00000000;
constexpr unsigned DT_LEFT = 0x00000000;
constexpr unsigned DT_CENTER = 0x00000001;
constexpr unsigned DT_RIGHT = 0x00000002;
constexpr unsigned DT_VCENTER = 0x00000004;
constexpr unsigned DT_BOTTOM = 0x00000008;
constexpr unsigned DT_WORDBREAK = 0x00000010;
constexpr unsigned DT_SINGLELINE = 0x00000020;
constexpr unsigned DT_EXPANDTABS = 0x00000040;
constexpr unsigned DT_TABSTOP = 0x00000080;
constexpr unsigned DT_NOCLIP = 0x00000100;
constexpr unsigned DT_EXTERNALLEADING = 0x00000200;
constexpr unsigned DT_CALCRECT = 0x00000400;
constexpr unsigned DT_NOPREFIX = 0x00000800;
constexpr unsigned DT_INTERNAL = 0x00001000;
constexpr unsigned DT_EDITCONTROL = 0x00002000;
constexpr unsigned DT_PATH_ELLIPSIS = 0x00004000;
constexpr unsigned DT_END_ELLIPSIS = 0x00008000;
constexpr unsigned DT_MODIFYSTRING = 0x00010000;
constexpr unsigned DT_RTLREADING = 0x00020000;
constexpr unsigned DT_WORD_ELLIPSIS = 0x00040000;
constexpr unsigned DT_NOFULLWIDTHCHARBREAK = 0x00080000;
constexpr unsigned DT_HIDEPREFIX = 0x00100000;
constexpr unsigned DT_PREFIXONLY = 0x00200000;

struct TDrawTextParams {
    unsigned cbSize = sizeof(TDrawTextParams);
    int iTabLength = 0;    // in average character widths (0: 8)
    int iLeftMargin = 0;   // pixels
    int iRightMargin = 0;
    unsigned uiLengthDrawn = 0;  // out: characters processed
};

int DrawText(HDC DC, const String& Text, TRect& Rect, unsigned Format);
int DrawTextEx(HDC DC, const String& Text, TRect& Rect, unsigned Format, TDrawTextParams* Params);

// DrawEdge
constexpr unsigned BDR_RAISEDOUTER = 0x0001;
constexpr unsigned BDR_SUNKENOUTER = 0x0002;
constexpr unsigned BDR_RAISEDINNER = 0x0004;
constexpr unsigned BDR_SUNKENINNER = 0x0008;
constexpr unsigned BDR_OUTER = BDR_RAISEDOUTER | BDR_SUNKENOUTER;
constexpr unsigned BDR_INNER = BDR_RAISEDINNER | BDR_SUNKENINNER;
constexpr unsigned BDR_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned BDR_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;

constexpr unsigned BF_LEFT = 0x0001;
constexpr unsigned BF_TOP = 0x0002;
constexpr unsigned BF_RIGHT = 0x0004;
constexpr unsigned BF_BOTTOM = 0x0008;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_TOPRIGHT = BF_TOP | BF_RIGHT;
constexpr unsigned BF_BOTTOMLEFT = BF_BOTTOM | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_DIAGONAL = 0x0010;
constexpr unsigned BF_MIDDLE = 0x0800;
constexpr unsigned BF_SOFT = 0x1000;
constexpr unsigned BF_ADJUST = 0x2000;
constexpr unsigned BF_FLAT = 0x4000;
constexpr unsigned BF_MONO = 0x8000;

// Draws one-pixel borders in the classic colours: outer raised light/dark = 3D light/3D dark
// shadow, inner raised = button highlight/button shadow (sunken: the same pairs swapped). BF_FLAT
// and BF_MONO draw a single-colour frame. BF_ADJUST shrinks Rect by the borders drawn.
bool DrawEdge(HDC DC, TRect& Rect, unsigned Edge, unsigned Flags);

// DrawFrameControl
constexpr unsigned DFC_CAPTION = 1;
constexpr unsigned DFC_MENU = 2;
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFC_BUTTON = 4;

constexpr unsigned DFCS_BUTTONCHECK = 0x0000;
constexpr unsigned DFCS_BUTTONRADIOIMAGE = 0x0001;
constexpr unsigned DFCS_BUTTONRADIOMASK = 0x0002;
constexpr unsigned DFCS_BUTTONRADIO = 0x0004;
constexpr unsigned DFCS_BUTTON3STATE = 0x0008;
constexpr unsigned DFCS_BUTTONPUSH = 0x0010;

constexpr unsigned DFCS_SCROLLUP = 0x0000;
constexpr unsigned DFCS_SCROLLDOWN = 0x0001;
constexpr unsigned DFCS_SCROLLLEFT = 0x0002;
constexpr unsigned DFCS_SCROLLRIGHT = 0x0003;
constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x0005;
constexpr unsigned DFCS_SCROLLSIZEGRIP = 0x0008;
constexpr unsigned DFCS_SCROLLSIZEGRIPRIGHT = 0x0010;

constexpr unsigned DFCS_INACTIVE = 0x0100;
constexpr unsigned DFCS_PUSHED = 0x0200;
constexpr unsigned DFCS_CHECKED = 0x0400;
constexpr unsigned DFCS_TRANSPARENT = 0x0800;
constexpr unsigned DFCS_HOT = 0x1000;
constexpr unsigned DFCS_ADJUSTRECT = 0x2000;
constexpr unsigned DFCS_FLAT = 0x4000;
constexpr unsigned DFCS_MONO = 0x8000;

// Push buttons, check boxes, radio buttons (DFC_BUTTON); scroll arrows, the combo-box arrow and the
// size grip (DFC_SCROLL). Check and radio marks are 13 pixels, centred in Rect.
bool DrawFrameControl(HDC DC, const TRect& Rect, unsigned Type, unsigned State);
