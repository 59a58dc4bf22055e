// The desktop window's icon: the program's own (its window class's icon), as _NET_WM_ICON.
#pragma once

#include <X11/Xlib.h>

#include "wce/WinUser.h"

// Sets the window's icon from the class icon of the process's first top-level window that has
// one, once such a window exists and again when that icon changes; shown remembers which it is.
void ShowProgramIcon(Display* display, ::Window window, HICON& shown);
