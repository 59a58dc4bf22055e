// The program's entry point and start-up: single instance, resource library, device family,
// welcome window and InitInstance.
#pragma once

#include <windows.h>

inline constexpr const WCHAR* INSTANCE_SEMAPHORE_NAME = u"OrvMobileObj";

int AppMain(HINSTANCE instance);
bool ActivateRunningInstance();
void DetectPlatform();
void ShowWelcome(HINSTANCE instance);
bool InitInstance();
bool PumpPendingMessages();
// Loads the resource library of the code page into AppState.resourceModule; false when none loads.
bool LoadResourceLibrary();
// Ends a run: the frame's releases, then the pictures.
void TearDown();
