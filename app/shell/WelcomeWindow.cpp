// The welcome window: the welcome picture while InitInstance runs on its first timer tick.
#include "AppMain.h"

#include "AppState.h"
#include "BitmapImage.h"
#include "DialogPage.h"

#include <ResourceIds.h>

namespace {

constexpr UINT_PTR WELCOME_TIMER_ID = 1;
constexpr UINT WELCOME_TICK_MS = 100;
constexpr int WELCOME_WIDTH = 176;
constexpr int WELCOME_HEIGHT = 180;

void PaintWelcome(HWND window)
{
    RECT client = {};
    GetClientRect(window, &client);
    BitmapImage* picture = BitmapImage::Create(g_app.instance, BITMAP_WELCOME);
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(window, &paint);
    if (picture)
        picture->Draw(dc, &client);
    BitmapImage::Delete(picture);
    EndPaint(window, &paint);
}

LRESULT CALLBACK WelcomeWindowProc(HWND window, UINT message, WPARAM first, LPARAM second)
{
    switch (message) {
    case WM_CREATE:
        SetTimer(window, WELCOME_TIMER_ID, WELCOME_TICK_MS, nullptr);
        break;
    case WM_PAINT:
        PaintWelcome(window);
        break;
    case WM_TIMER:
        KillTimer(window, WELCOME_TIMER_ID);
        InitInstance();
        DestroyWindow(window);
        break;
    case WM_CLOSE:
        DestroyWindow(window);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, first, second);
}

} // namespace

bool PumpPendingMessages()
{
    MSG message = {};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_QUIT)
            return false;
        PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

void ShowWelcome(HINSTANCE instance)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WelcomeWindowProc;
    windowClass.hInstance = instance;
    // The desktop shows it as the program's icon; a module without it gets no icon, nothing worse.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = u"Welcome";
    RegisterClassW(&windowClass);
    // A library without the caption leaves "Welcome" in place: the string load writes nothing
    // when the string is not there.
    WCHAR caption[64] = u"Welcome";
    LoadResString(caption, IDS_WELCOME_CAPTION, 64);
    const int left = (GetSystemMetrics(SM_CXSCREEN) - WELCOME_WIDTH) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - WELCOME_HEIGHT) / 2;
    HWND window = CreateWindowExW(0, u"Welcome", caption, WS_VISIBLE, left, top, WELCOME_WIDTH, WELCOME_HEIGHT,
                                  nullptr, nullptr, instance, nullptr);
    if (!window)
        return;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    while (IsWindow(window)) {
        PumpPendingMessages();
        Sleep(0);
    }
}
