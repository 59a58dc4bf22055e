// AppState: the one application-wide state record that the shell and the pages read.
#pragma once

#include <windows.h>
#include <wce/Shell.h>

#include <cstdint>

class MainFrame;
class BitmapImage;
class EngineContext;
class ComboKeyHook;

constexpr uint32_t PLATFORM_POCKETPC_FAMILY = 0x10000000;
constexpr uint32_t PLATFORM_SMARTPHONE = 0x20000000;
constexpr uint32_t PLATFORM_FLAGS_POCKETPC = 0x10000002;
constexpr uint32_t PLATFORM_FLAGS_PALM_PC2 = 0x10000000;
constexpr uint32_t PLATFORM_FLAGS_SMARTPHONE = 0x20000200;
constexpr uint32_t PLATFORM_FLAGS_OTHER = 0x40000000;

constexpr int SUBCLASS_SLOT_COUNT = 16;

// Everything here is touched on the user-interface thread only; the scan worker reads it.
struct AppState {
    HINSTANCE instance = nullptr;
    HINSTANCE resourceModule = nullptr;
    uint32_t platformFlags = PLATFORM_FLAGS_OTHER;
    bool started = false;
    WCHAR title[100] = {};
    MainFrame* frame = nullptr;
    BitmapImage* frameBackground = nullptr;
    BitmapImage* pageBackground = nullptr;
    HBRUSH pageBrush = nullptr;
    HWND mainMenuBar = nullptr;
    HWND activeDialog = nullptr;
    RECT frameRect = {};
    SHACTIVATEINFO activateInfo = { 12, nullptr, 0, 0, 0, 0 };
    int32_t subclassCount = 0;
    ComboKeyHook* subclassSlots[SUBCLASS_SLOT_COUNT] = {};
    WCHAR helpFolder[MAX_PATH] = { u'\\' };
    EngineContext* engineContext = nullptr;
};

extern AppState g_app;

inline bool IsPocketPcFamily() { return (g_app.platformFlags & PLATFORM_POCKETPC_FAMILY) != 0; }
inline bool IsSmartphone() { return (g_app.platformFlags & PLATFORM_SMARTPHONE) != 0; }
