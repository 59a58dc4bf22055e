// The main window: menu bar, picture, menu commands, and the pages opened from them.
#include "MainWindow.h"

#include "AppMain.h"
#include "AppState.h"
#include "BitmapImage.h"
#include "DialogPage.h"
#include "MainFrame.h"
#include "MenuBar.h"
#include "PageFactories.h"

#include <ResourceIds.h>

#include <wce/CommCtrl.h>
#include <wce/Shell.h>

namespace {

enum PageIndex { PAGE_LOG, PAGE_BACKUP, PAGE_SCAN, PAGE_OPTION, PAGE_ABOUT, PAGE_NONE };

constexpr PageTemplate POCKETPC_TEMPLATES[5] = {
    { 16, IDD_LOG_PPC, IDR_LOG_PPC, 0 },       { 16, IDD_BACKUP_PPC, IDR_BACKUP_PPC, 0 },
    { 16, IDD_SCAN_PPC, IDR_SCAN_PPC, 0 },     { 16, IDD_OPTION_PPC, IDR_OPTION_PPC, 0 },
    { 16, IDD_ABOUT_PPC, IDR_ABOUT, 0 },
};
constexpr PageTemplate OTHER_TEMPLATES[5] = {
    { 16, IDD_LOG_SP, IDR_LOG_SP, 0 },         { 16, IDD_BACKUP_SP, IDR_BACKUP_SP, 0 },
    { 16, IDD_SCAN_SP, IDR_SCAN_SP, 0 },       { 16, IDD_OPTION_SP, IDR_OPTION_SP, 0 },
    { 16, IDD_ABOUT_SP, IDR_ABOUT, 0 },
};

PageIndex PageOfCommand(int id)
{
    switch (id) {
    case CMD_SHOW_LOG: return PAGE_LOG;
    case CMD_SHOW_ABOUT: return PAGE_ABOUT;
    case CMD_SHOW_OPTIONS: return PAGE_OPTION;
    case CMD_SHOW_BACKUP: return PAGE_BACKUP;
    case CMD_SHOW_SCAN: return PAGE_SCAN;
    default: return id >= CMD_SCAN_1 && id <= CMD_SCAN_5 ? PAGE_SCAN : PAGE_NONE;
    }
}

// Shortens the window so that the menu bar along the screen's bottom does not cover it.
void FitAboveMenuBar(HWND window)
{
    RECT bar = {};
    GetWindowRect(window, &g_app.frameRect);
    GetWindowRect(g_app.mainMenuBar, &bar);
    if (g_app.frameRect.bottom == bar.top)
        return;
    RECT& frame = g_app.frameRect;
    frame.bottom -= bar.bottom - bar.top;
    MoveWindow(window, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, FALSE);
    GetWindowRect(window, &g_app.frameRect);
}

LRESULT OnMainDestroy()
{
    if (g_app.frame)
        g_app.frame->Shutdown();
    if (g_app.mainMenuBar) {
        DestroyWindow(g_app.mainMenuBar);
        g_app.mainMenuBar = nullptr;
    }
    PostQuitMessage(0);
    return 0;
}

// A page command that comes while a closed page is still going (it waits for its worker) is
// carried out once that page has gone, rather than lost. The latest such command wins.
struct DeferredCommand {
    HWND window = nullptr;
    int id = 0;
};
DeferredCommand g_deferredCommand;

void RevealActivePage()
{
    if (g_app.activeDialog && IsWindow(g_app.activeDialog)) {
        ShowWindow(g_app.activeDialog, SW_SHOW);
        PostMessageW(g_app.activeDialog, APPMSG_REVEAL_PAGE, 0, 0);
    }
}

} // namespace

ATOM RegisterMainClass(HINSTANCE instance, const WCHAR* className)
{
    WNDCLASSW windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    // The desktop shows it as the program's icon; a module without it gets no icon, nothing worse.
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = className;
    return RegisterClassW(&windowClass);
}

bool CreateMainWindow(HINSTANCE instance, int showCommand)
{
    DetectPlatform();
    g_app.instance = instance;
    // The whole buffer is offered: the title keeps 99 characters, where LoadResString's rule
    // (one fewer than its size) would keep 98.
    LoadStringW(g_app.resourceModule, IDS_APP_TITLE, g_app.title, 100);
    if (ActivateRunningInstance())
        return false;
    RegisterMainClass(instance, MAIN_CLASS_NAME);
    HWND window = CreateWindowExW(0, MAIN_CLASS_NAME, g_app.title, WS_VISIBLE, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!window)
        return false;
    if (g_app.mainMenuBar)
        FitAboveMenuBar(window);
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM first, LPARAM second)
{
    switch (message) {
    case WM_CREATE:
        g_app.mainMenuBar = CreateMenuBar(window, IsPocketPcFamily() ? IDR_MAIN_PPC : IDR_MAIN_SP);
        break;
    case WM_DESTROY:
        OnMainDestroy();
        break;
    case WM_ACTIVATE:
        SHHandleWMActivate(window, first, second, &g_app.activateInfo, 0);
        return 0;
    case WM_PAINT:
        PaintFrameBackground(window);
        break;
    case WM_SETTINGCHANGE:
        SHHandleWMSettingChange(window, first, second, &g_app.activateInfo);
        break;
    case WM_COMMAND:
        if (OnMainCommand(window, LOWORD(first), HIWORD(first)) == 1)
            DefWindowProcW(window, message, first, second);
        return 0;
    case APPMSG_REVEAL_PAGE:
        RevealActivePage();
        return 0;
    case APPMSG_QUERY_ACTIVE:
        return reinterpret_cast<LRESULT>(g_app.activeDialog ? g_app.activeDialog : window);
    default:
        break;
    }
    return DefWindowProcW(window, message, first, second);
}

int OnMainCommand(HWND window, int id, int)
{
    if (id == CMD_OK || id == CMD_EXIT) {
        SendMessageW(window, WM_CLOSE, 0, 0);
        return 0;
    }
    if (id == CMD_HELP) {
        ShowHelp(window, nullptr);
        return 0;
    }
    if (PageOfCommand(id) == PAGE_NONE)
        return 1;
    if (g_app.frame && g_app.frame->currentPage && !g_app.activeDialog) {
        g_deferredCommand = { window, id };
        return 0;
    }
    if (g_app.frame)
        g_app.frame->ShowPage(id);
    return 0;
}

void PaintFrameBackground(HWND window)
{
    PAINTSTRUCT paint = {};
    HDC dc = BeginPaint(window, &paint);
    if (g_app.frameBackground)
        g_app.frameBackground->Draw(dc, nullptr);
    EndPaint(window, &paint);
}

// One page at a time: a command that reaches the main window while a page is open (a second
// start's request, a script) would otherwise open a page inside that page's modal loop, whose
// closing then clears the outer page's dialog record and deletes the brush it still paints with.
// The open page is brought forward instead. (A page that has closed and only waits for its
// worker has its next command deferred by OnMainCommand.)
int MainFrame::ShowPage(int commandId) noexcept
{
    if (currentPage) {
        RevealActivePage();
        return 0;
    }
    AppPage* page = nullptr;
    const PageIndex index = PageOfCommand(commandId);
    switch (index) {
    case PAGE_LOG: page = CreateLogPage(serviceContext, logWriter); break;
    case PAGE_BACKUP: page = CreateBackupPage(serviceContext); break;
    case PAGE_SCAN: page = CreateScanPage(serviceContext, scanBridge, logWriter); break;
    case PAGE_OPTION: page = CreateOptionPage(serviceContext); break;
    case PAGE_ABOUT: page = CreateAboutPage(serviceContext); break;
    case PAGE_NONE: return 0;
    }
    if (!page)
        return 0;
    currentPage = page;
    const PageTemplate* templates = IsPocketPcFamily() ? POCKETPC_TEMPLATES : OTHER_TEMPLATES;
    page->DoModal(nullptr, 0, &templates[index]);
    static_cast<PageDisposer*>(page)->Destroy(1);
    currentPage = nullptr;
    if (g_deferredCommand.id != 0) {
        PostMessageW(g_deferredCommand.window, WM_COMMAND, WPARAM(g_deferredCommand.id), 0);
        g_deferredCommand = {};
    }
    return 0;
}
