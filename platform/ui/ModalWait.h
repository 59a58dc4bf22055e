// Waiting inside a modal loop (message box, dialog) while the thread keeps handling its messages.
#pragma once

#include <functional>

#include "wce/WinTypes.h"

namespace wce::ui {

// The calling thread's id as the window manager knows it (same numbering as GetCurrentThreadId).
DWORD CurrentUiThreadId();

// Runs the calling thread's messages until done() is true; owner is disabled meanwhile. Keys
// for a modal dialog go through its keyboard handling (IsDialogMessageW) first.
void ModalWaitUntil(HWND owner, const std::function<bool()>& done, HWND dialog = nullptr);

// Makes every modal wait look at its condition again (after automation changed something).
void WakeModalWaiters();

// The message boxes a window owns that are still up get their safe answer (IDNO for Yes/No,
// IDCANCEL where there is a Cancel, IDOK for OK alone): the window is being destroyed.
void CloseBoxesOwnedBy(HWND owner);

}  // namespace wce::ui

namespace wce::ui {
// Moves the message-loop clock forward (timers fall due without waiting in real time).
void AdvanceUiClock(DWORD milliseconds);
}  // namespace wce::ui
