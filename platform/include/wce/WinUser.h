// Windows, classes, messages, timers, dialogs, controls, menus and message boxes of the platform.
//
// Each thread that creates a window has one message queue. A message sent to a window of another
// thread (or another process of the same device, for the program's private messages) is handled on
// the owning thread while that thread waits in GetMessageW, PeekMessageW, a modal dialog or a
// message box; the sender blocks until then and still handles messages sent to its own windows.
#pragma once

#include "WinTypes.h"

// ---- Message boxes ----------------------------------------------------------------------------

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_YESNOCANCEL 0x00000003u
#define MB_YESNO 0x00000004u
#define MB_ICONHAND 0x00000010u
#define MB_ICONSTOP MB_ICONHAND
#define MB_ICONERROR MB_ICONHAND
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONEXCLAMATION 0x00000030u
#define MB_ICONWARNING MB_ICONEXCLAMATION
#define MB_ICONASTERISK 0x00000040u
#define MB_ICONINFORMATION MB_ICONASTERISK
#define MB_DEFBUTTON1 0x00000000u
#define MB_DEFBUTTON2 0x00000100u
#define MB_APPLMODAL 0x00000000u
#define MB_SETFOREGROUND 0x00010000u
#define MB_TOPMOST 0x00040000u

#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

// Callable from any thread. The box is modal to its owner: the calling thread keeps handling
// messages sent to its windows while the box is up.
int MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);
