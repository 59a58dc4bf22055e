// The main window: its class, creation, menu commands and the page switch.
#pragma once

#include <windows.h>

#include <ResourceIds.h>   // the command ids (CMD_...) the menu bars send

inline constexpr const WCHAR* MAIN_CLASS_NAME = u"OrvMobileApp";

ATOM RegisterMainClass(HINSTANCE instance, const WCHAR* className);
bool CreateMainWindow(HINSTANCE instance, int showCommand);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM first, LPARAM second);
int OnMainCommand(HWND window, int id, int notification);
void PaintFrameBackground(HWND window);
