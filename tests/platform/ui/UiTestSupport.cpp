// Helpers for the window manager tests.
#include "UiTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace uitest {

std::vector<Received>& Log()
{
    static thread_local std::vector<Received> log;
    return log;
}

static LRESULT RecorderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log().push_back(Received { hwnd, message, wParam, lParam });
    if (message == WM_USER + 50)
        return LRESULT(wParam * 2);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CreateRecorder(const char16_t* title, HWND parent, DWORD style)
{
    static bool registered = [] {
        WNDCLASSW info {};
        info.lpfnWndProc = RecorderProc;
        info.lpszClassName = u"UiTestRecorder";
        info.cbWndExtra = 16;
        return RegisterClassW(&info) != 0;
    }();
    (void)registered;
    return CreateWindowExW(0, u"UiTestRecorder", title, style, 0, 0, 100, 80, parent,
                           parent && (style & WS_CHILD) ? reinterpret_cast<HMENU>(100) : nullptr, nullptr, nullptr);
}

int PumpPending()
{
    int count = 0;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            break;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        ++count;
    }
    return count;
}

std::vector<Received> Only(UINT message)
{
    std::vector<Received> found;
    for (const Received& entry : Log())
        if (entry.message == message)
            found.push_back(entry);
    return found;
}

}  // namespace uitest

namespace {

// ctest runs the window tests as separate processes side by side on the same device root. Each
// process gets a runtime folder of its own, so that none finds, taps or answers another's windows
// (a child process such as the cross-process peer inherits the folder).
struct OwnRuntimeFolder {
    OwnRuntimeFolder()
    {
        char pattern[] = "/tmp/wce-uitest-XXXXXX";
        if (const char* folder = mkdtemp(pattern)) {
            path = folder;
            setenv("WCE_RUNTIME_DIR", folder, 1);
        }
    }
    ~OwnRuntimeFolder()
    {
        std::error_code ec;
        if (!path.empty())
            std::filesystem::remove_all(path, ec);
    }
    std::string path;
};

OwnRuntimeFolder ownRuntimeFolder;

}  // namespace
