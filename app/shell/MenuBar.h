// CreateMenuBar and ShowHelp: the shell services that the main window and the pages share.
#pragma once

#include <windows.h>

// The menu bar comes from the resource library; null when the platform could not make it.
HWND CreateMenuBar(HWND window, UINT menuBarId);

// Starts the help viewer at a topic (null: the contents); true when the launch was accepted.
bool ShowHelp(HWND window, const WCHAR* topic);
