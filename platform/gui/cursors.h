// Cursor resources and the screen's table of numbered cursors.
//
// A cursor handle stands for one loaded cursor picture (a Qt cursor kept by the framework until
// DestroyCursor). Libraries register their cursor pictures under a resource name at start-up;
// LoadCursor finds them by that name, or the standard ones by their IDC_ numbers. The screen's
// table maps a positive TCursor to such a handle, so a control whose Cursor is that number shows it.
#pragma once

#include "platform/gui/controls.h"

#include <cstdint>
#include <functional>

class QCursor;

struct TCursorHandle;
using HCURSOR = TCursorHandle*;
// The program's own module: there is one on this platform, every library's resources are in it.
using HINSTANCE = void*;
inline HINSTANCE const HInstance = nullptr;

// The standard cursors, as resource "names" (small integers, as the window system has them).
inline const char* const IDC_ARROW = reinterpret_cast<const char*>(32512);
inline const char* const IDC_IBEAM = reinterpret_cast<const char*>(32513);
inline const char* const IDC_WAIT = reinterpret_cast<const char*>(32514);
inline const char* const IDC_CROSS = reinterpret_cast<const char*>(32515);
inline const char* const IDC_UPARROW = reinterpret_cast<const char*>(32516);
inline const char* const IDC_SIZEALL = reinterpret_cast<const char*>(32646);
inline const char* const IDC_NO = reinterpret_cast<const char*>(32648);
inline const char* const IDC_HAND = reinterpret_cast<const char*>(32649);

// Loading a resource failed (the window system ran out of, or has no, such resource).
SDELKA_EXCEPTION(EOutOfResources, EOutOfMemory)

// Registers a named cursor picture of the program's resources; Make is called on each load.
// A second registration under the same name replaces the first.
void RegisterCursorResource(const char* Name, std::function<QCursor()> Make);
// A new handle for the named resource (a standard IDC_ number, or a registered name, compared
// without case), or nullptr when there is none. Instance must be HInstance for a registered name
// and nullptr for a standard cursor, as on the window system.
HCURSOR LoadCursor(HINSTANCE Instance, const char* Name);
// Frees a handle from LoadCursor; nullptr is ignored.
void DestroyCursor(HCURSOR Cursor);
// The Qt cursor behind a handle (the arrow for nullptr).
QCursor CursorHandleToQCursor(HCURSOR Cursor);
// The Qt cursor a control with this Cursor shows: a built-in shape for crDefault and the negative
// numbers, the screen's table for the positive ones (the default arrow where nothing is registered).
QCursor CursorToQCursor(TCursor Cursor);
