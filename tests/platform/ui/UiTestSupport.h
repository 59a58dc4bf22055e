// Helpers for the window manager tests: a recording window class and message pumping.
#pragma once

#include <string>
#include <vector>

#include "wce/WinUser.h"

namespace uitest {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Messages seen by windows of the "UiTestRecorder" class, in order (this thread's windows only).
std::vector<Received>& Log();
// Registers the class once and creates a top-level window of it.
HWND CreateRecorder(const char16_t* title = u"recorder", HWND parent = nullptr, DWORD style = 0);
// Handles every message that is waiting, without blocking; returns how many were dispatched.
int PumpPending();
// Only the entries of one message.
std::vector<Received> Only(UINT message);

}  // namespace uitest
