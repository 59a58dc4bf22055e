// The program's entry point: single instance, resource library, device family, the welcome
// window during which InitInstance runs, the message loop, and the teardown.
#include "AppMain.h"

#include "AppState.h"
#include "BitmapImage.h"
#include "DialogPage.h"
#include "MainFrame.h"
#include "MainWindow.h"

#include <wce/CommCtrl.h>

namespace {

constexpr UINT CODE_PAGE_SIMPLIFIED_CHINESE = 936;
constexpr UINT CODE_PAGE_TRADITIONAL_CHINESE = 950;

// The handle stays open for the life of the process: other starts see the name while we run.
HANDLE g_instanceSemaphore = nullptr;

// 0: go on; otherwise AppMain's result + 1 (another instance answered, or should have).
int CheckSingleInstance()
{
    if (!g_instanceSemaphore) {
        HANDLE semaphore = CreateSemaphoreW(nullptr, 0, 256, INSTANCE_SEMAPHORE_NAME);
        if (semaphore && GetLastError() == ERROR_ALREADY_EXISTS) {
            CloseHandle(semaphore);
            return ActivateRunningInstance() ? 1 : 2;
        }
        g_instanceSemaphore = semaphore;
    }
    return ActivateRunningInstance() ? 1 : 0;
}

uint32_t FlagsOfPlatformType(const WCHAR* type)
{
    if (lstrcmpW(type, u"SmartPhone") == 0)
        return PLATFORM_FLAGS_SMARTPHONE;
    if (lstrcmpW(type, u"PocketPC") == 0)
        return PLATFORM_FLAGS_POCKETPC;
    if (lstrcmpW(type, u"Palm PC2") == 0)
        return PLATFORM_FLAGS_PALM_PC2;
    return PLATFORM_FLAGS_OTHER;
}

// Returns the quit message's code; the main window posts 0.
int RunMessageLoop()
{
    MSG message = {};
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return int(message.wParam);
}

} // namespace

bool LoadResourceLibrary()
{
    const WCHAR* name = u"OrvResEN.DLL";
    if (GetACP() == CODE_PAGE_SIMPLIFIED_CHINESE)
        name = u"OrvResCN.DLL";
    else if (GetACP() == CODE_PAGE_TRADITIONAL_CHINESE)
        name = u"OrvResTW.DLL";
    g_app.resourceModule = LoadLibraryW(name);
    if (!g_app.resourceModule)
        g_app.resourceModule = LoadLibraryW(u"OrvResEN.DLL");
    return g_app.resourceModule != nullptr;
}

int AppMain(HINSTANCE instance)
{
    if (int answered = CheckSingleInstance())
        return answered - 1;
    InitCommonControls();
    g_app.instance = instance;
    if (!LoadResourceLibrary()) {
        MessageBoxW(nullptr, u"No resource file", u"DaskMobile", MB_OK | MB_ICONSTOP);
        return 0;
    }
    DetectPlatform();
    ShowWelcome(instance);
    if (!g_app.started) {
        TearDown();
        return -1;
    }
    ActivateRunningInstance();
    const int exitCode = RunMessageLoop();
    TearDown();
    return exitCode;
}

void TearDown()
{
    if (g_app.frame) {
        g_app.frame->Destroy(1);
        g_app.frame = nullptr;
    }
    BitmapImage::Delete(g_app.frameBackground);
    g_app.frameBackground = nullptr;
    BitmapImage::Delete(g_app.pageBackground);
    g_app.pageBackground = nullptr;
}

bool ActivateRunningInstance()
{
    HWND running = FindWindowW(MAIN_CLASS_NAME, nullptr);
    if (!running)
        return false;
    auto reply = reinterpret_cast<HWND>(SendMessageW(running, APPMSG_QUERY_ACTIVE, 0, 0));
    SetForegroundWindow(reinterpret_cast<HWND>(reinterpret_cast<uintptr_t>(running) | 1));
    if (reply != running) {
        Sleep(50);
        PostMessageW(running, APPMSG_REVEAL_PAGE, 0, 0);
    }
    return true;
}

void DetectPlatform()
{
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version) || version.dwPlatformId != 3)
        return;
    WCHAR type[MAX_PATH] = {};
    if (SystemParametersInfoW(SPI_GETPLATFORMTYPE, sizeof(type), type, 0) != 1)
        return;
    g_app.platformFlags = FlagsOfPlatformType(type);
}

bool InitInstance()
{
    WCHAR modulePath[MAX_PATH] = {};
    GetModuleFileNameW(g_app.instance, modulePath, MAX_PATH);
    g_app.frame = CreateMainFrame();
    // Without the frame, or without the service library's context, nothing can run: start-up
    // ends as when the main window cannot be made.
    if (!g_app.frame || g_app.frame->Init(modulePath) != 0)
        return false;
    g_app.frame->LoadEngine();
    const UINT picture = GetSystemMetrics(SM_CXSCREEN) > 180 ? BITMAP_FRAME_WIDE : BITMAP_WELCOME;
    g_app.frameBackground = BitmapImage::Create(g_app.instance, picture);
    if (!CreateMainWindow(g_app.instance, SW_SHOWNORMAL))
        return false;
    g_app.started = true;
    return true;
}
