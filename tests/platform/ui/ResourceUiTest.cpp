// Dialogs, menus and menu bars loaded from a resource library compiled by llvm-rc.
#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <functional>
#include <thread>

#include "UiTestSupport.h"
#include "wce/Automation.h"
#include "wce/CommCtrl.h"
#include "wce/DeviceProfile.h"
#include "wce/GdiInternal.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"
#include "wce/WinModule.h"

using namespace uitest;

namespace {

class ResourceUiTest : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifdef ORV_UI_TEST_DLL
        std::u16string device;
        std::error_code ec;
        if (!std::filesystem::exists(ORV_UI_TEST_DLL, ec) || !wce::DevicePathFromHost(ORV_UI_TEST_DLL, device))
            GTEST_SKIP() << "the test resource library is not reachable from the device root";
        module = LoadLibraryW(device.c_str());
        ASSERT_NE(nullptr, module);
#else
        GTEST_SKIP() << "the test resource library was not built (llvm-rc or lld-link missing)";
#endif
        wce::automation::ResetPopups();
        Log().clear();
    }
    void TearDown() override
    {
        wce::automation::ResetPopups();
        if (module)
            FreeLibrary(module);
    }
    HMODULE module = nullptr;
};

struct PageRun {
    std::function<void(HWND)> body;
    std::vector<std::pair<UINT, HWND>> colours;   // WM_CTLCOLOR* message and control, in order
};
PageRun* page = nullptr;
HBRUSH pageBrush = reinterpret_cast<HBRUSH>(intptr_t(0x4321));

INT_PTR PageProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        SHINITDLGINFO info { SHIDIM_FLAGS, dlg, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN };
        SHInitDialog(&info);
        page->body(dlg);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
        page->colours.emplace_back(message, reinterpret_cast<HWND>(lParam));
        return INT_PTR(pageBrush);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, LOWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

TEST_F(ResourceUiTest, DialogFromLibraryHasEveryControlAndFillsTheScreen)
{
    PageRun run;
    page = &run;
    run.body = [](HWND dlg) {
        WCHAR text[64];
        GetDlgItemTextW(dlg, 10, text, 64);
        EXPECT_EQ(std::u16string(u"Scanning \\Windows\\calc.exe"), text);
        WCHAR className[32];
        struct { int id; const char16_t* name; } expected[] = {
            { 10, u"STATIC" }, { 11, u"BUTTON" }, { 12, u"EDIT" }, { 13, u"COMBOBOX" },
            { 14, u"SysListView32" }, { 15, u"msctls_progress32" }, { 1, u"BUTTON" } };
        for (auto& row : expected) {
            SCOPED_TRACE(row.id);
            ASSERT_NE(nullptr, GetDlgItem(dlg, row.id));
            GetClassNameW(GetDlgItem(dlg, row.id), className, 32);
            EXPECT_EQ(std::u16string(row.name), className);
        }
        RECT rect {};
        GetWindowRect(dlg, &rect);
        const wce::DeviceProfile& profile = wce::GetDeviceProfile();
        EXPECT_EQ(0, rect.left);
        EXPECT_EQ(CAPTION_BAR_HEIGHT, rect.top);
        EXPECT_EQ(profile.screenWidth, rect.right);
        EXPECT_EQ(profile.screenHeight - MENU_BAR_HEIGHT, rect.bottom);
        EXPECT_TRUE(GetWindowLongW(dlg, GWL_EXSTYLE) & WS_EX_CAPTIONOKBTN);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(IDOK, DialogBoxParamW(module, MAKEINTRESOURCEW(100), nullptr, PageProc, 0));
}

TEST_F(ResourceUiTest, ControlsPaintWithTheBrushTheDialogReturns)
{
    PageRun run;
    page = &run;
    run.body = [](HWND dlg) {
        // Painting happens in the modal loop; the dialog is closed once the loop has drawn.
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    };
    DialogBoxParamW(module, MAKEINTRESOURCEW(100), nullptr, PageProc, 0);
    // Without a screen nothing is painted and no colours are asked for; with one, every static,
    // button and edit asks with its own message.
    for (auto& [message, control] : run.colours) {
        WCHAR className[32] = {};
        GetClassNameW(control, className, 32);
        SCOPED_TRACE(message);
        EXPECT_TRUE(message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN || message == WM_CTLCOLOREDIT);
    }
}

TEST_F(ResourceUiTest, MenuStatesComeFromTheResourceAndInitMenuPopup)
{
    HMENU menu = LoadMenuW(module, MAKEINTRESOURCEW(300));
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(2, GetMenuItemCount(menu));
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, popup);
    EXPECT_EQ(UINT(MF_CHECKED), GetMenuState(popup, 20044, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_EQ(UINT(MF_GRAYED), GetMenuState(popup, 20045, MF_BYCOMMAND) & MF_GRAYED);
    WCHAR text[32];
    MENUITEMINFOW info {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_TYPE | MIIM_ID | MIIM_STATE;
    info.dwTypeData = text;
    info.cch = 32;
    ASSERT_TRUE(GetMenuItemInfoW(popup, 1, TRUE, &info));
    EXPECT_EQ(UINT(20044), info.wID);
    EXPECT_EQ(std::u16string(u"Scan &all"), text);
    EXPECT_EQ(UINT(MFT_SEPARATOR), GetMenuState(popup, 2, MF_BYPOSITION) & MF_SEPARATOR);

    // The owner changes the states while the popup opens; the choice then follows them.
    static HMENU seenPopup = nullptr;
    WNDCLASSW cls {};
    cls.lpszClassName = u"UiTestMenuOwner";
    cls.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_INITMENUPOPUP) {
            seenPopup = reinterpret_cast<HMENU>(w);
            EnableMenuItem(seenPopup, 20043, MF_BYCOMMAND | MF_GRAYED);
            EnableMenuItem(seenPopup, 20045, MF_BYCOMMAND | MF_ENABLED);
            CheckMenuItem(seenPopup, 20044, MF_BYCOMMAND | MF_UNCHECKED);
        }
        Log().push_back(Received { h, m, w, l });
        return DefWindowProcW(h, m, w, l);
    };
    RegisterClassW(&cls);
    HWND owner = CreateWindowExW(0, u"UiTestMenuOwner", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    wce::automation::QueueMenuChoice(20043);   // grayed by the owner: dismissed
    EXPECT_TRUE(TrackPopupMenuEx(popup, 0, 0, 0, owner, nullptr));
    wce::automation::QueueMenuChoice(20045);   // enabled by the owner: chosen
    EXPECT_TRUE(TrackPopupMenuEx(popup, 0, 0, 0, owner, nullptr));
    PumpPending();
    EXPECT_EQ(popup, seenPopup);
    std::vector<Received> commands = Only(WM_COMMAND);
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(20045, LOWORD(commands[0].wParam));
    auto history = wce::automation::GetPopupHistory();
    ASSERT_EQ(2u, history.size());
    EXPECT_EQ(0u, history[0].chosen);
    EXPECT_EQ(u"Scan all", history[1].items[1].label);
    EXPECT_EQ(0u, history[1].items[1].state & MF_CHECKED);
    DestroyWindow(owner);
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_FALSE(DestroyMenu(menu));
}

TEST_F(ResourceUiTest, MenuBarButtonsSendCommandsAndOpenPopups)
{
    HWND owner = CreateRecorder(u"bar owner");
    SHMENUBARINFO info {};
    info.cbSize = sizeof(info);
    info.hwndParent = owner;
    info.nToolBarId = 300;
    info.hInstRes = module;
    ASSERT_TRUE(SHCreateMenuBar(&info));
    HWND bar = info.hwndMB;
    ASSERT_TRUE(IsWindow(bar));
    EXPECT_TRUE(IsWindowVisible(bar));
    RECT rect {};
    GetWindowRect(bar, &rect);
    EXPECT_EQ(wce::GetDeviceProfile().screenHeight, rect.bottom);
    EXPECT_EQ(MENU_BAR_HEIGHT, rect.bottom - rect.top);
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETMENU, 0, 0));
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(GetSubMenu(menu, 0), reinterpret_cast<HMENU>(SendMessageW(bar, SHCMBM_GETSUBMENU, 0, 0)));

    Log().clear();
    SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));   // the left button: "Exit", command 1
    wce::automation::QueueMenuChoice(20043);
    SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(rect.right - 5, 5));   // the right button opens the popup
    std::vector<Received> commands = Only(WM_COMMAND);
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ(1, LOWORD(commands[0].wParam));
    EXPECT_EQ(20043, LOWORD(commands[1].wParam));
    ASSERT_EQ(1u, Only(WM_INITMENUPOPUP).size());

    CommandBar_Show(bar, FALSE);
    EXPECT_FALSE(IsWindowVisible(bar));
    CommandBar_Show(bar, TRUE);
    EXPECT_TRUE(IsWindowVisible(bar));
    DestroyWindow(owner);
    EXPECT_FALSE(IsWindow(bar));   // an owned window goes with its owner
}

RECT openPopupRect {};

void CALLBACK NotePopupAndChoose(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowW(u"menu_popup", nullptr);
    if (!popup)
        return;
    KillTimer(nullptr, id);
    GetWindowRect(popup, &openPopupRect);
    wce::automation::QueueMenuChoice(20043);
}

uint32_t ScreenPixel(int x, int y)
{
    WceSurfaceInfo info {};
    WceLockSurface(&info);
    uint32_t pixel = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(info.pixels) +
                                                       size_t(y) * size_t(info.strideBytes))[x];
    WceUnlockSurface();
    return pixel;
}

// A Smartphone bar is two soft keys on a dark strip: each half of the bar (and each soft key)
// presses one of them, and the right one's popup opens above it at the right edge.
TEST_F(ResourceUiTest, SmartphoneBarHasTwoSoftKeysAndItsPopupOpensAboveTheRightOne)
{
    setenv("WCE_PLATFORM", "SmartPhone", 1);
    wce::ReloadDeviceProfile();
    WceResetSurface();
    const wce::DeviceProfile& profile = wce::GetDeviceProfile();
    HWND owner = CreateRecorder(u"soft keys");
    SHMENUBARINFO info {};
    info.cbSize = sizeof(info);
    info.hwndParent = owner;
    info.nToolBarId = 300;
    info.hInstRes = module;
    ASSERT_TRUE(SHCreateMenuBar(&info));
    UpdateWindow(info.hwndMB);
    EXPECT_EQ(0x242C3Cu, ScreenPixel(profile.screenWidth / 2, profile.screenHeight - 2));

    Log().clear();
    SendMessageW(info.hwndMB, WM_LBUTTONUP, 0, MAKELPARAM(profile.screenWidth / 2 - 2, 5));   // left half: "Exit"
    SendMessageW(info.hwndMB, WM_KEYDOWN, VK_TSOFT1, 0);
    wce::automation::SetPopupsWait(true);
    openPopupRect = RECT {};
    SetTimer(nullptr, 0, 1, NotePopupAndChoose);
    SendMessageW(info.hwndMB, WM_LBUTTONUP, 0, MAKELPARAM(profile.screenWidth / 2 + 2, 5));   // right half: the popup
    std::vector<Received> commands = Only(WM_COMMAND);
    ASSERT_EQ(3u, commands.size());
    EXPECT_EQ(1, LOWORD(commands[0].wParam));
    EXPECT_EQ(1, LOWORD(commands[1].wParam));
    EXPECT_EQ(20043, LOWORD(commands[2].wParam));
    EXPECT_EQ(profile.screenWidth, openPopupRect.right);
    EXPECT_EQ(profile.screenHeight - MENU_BAR_HEIGHT, openPopupRect.bottom);

    // A script's soft keys reach the active window's bar as the device's do: the left one sends
    // its command, the right one opens the popup, which waits for the script's Enter.
    Log().clear();
    SetActiveWindow(owner);
    std::thread script([] {
        wce::automation::RunAutomationCommand("key 112");
        wce::automation::RunAutomationCommand("key 113");
        for (int i = 0; i < 2000 && !FindWindowW(u"menu_popup", nullptr); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        wce::automation::RunAutomationCommand("key 13");
    });
    for (int i = 0; i < 3000 && Only(WM_COMMAND).size() < 2; ++i) {
        PumpPending();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    script.join();
    commands = Only(WM_COMMAND);
    ASSERT_EQ(2u, commands.size());
    EXPECT_EQ(1, LOWORD(commands[0].wParam));
    EXPECT_EQ(20043, LOWORD(commands[1].wParam));
    DestroyWindow(owner);
    unsetenv("WCE_PLATFORM");
    wce::ReloadDeviceProfile();
    WceResetSurface();
}

TEST_F(ResourceUiTest, MissingMenuBarFailsAndLeavesNoWindow)
{
    HWND owner = CreateRecorder(u"bar owner");
    SHMENUBARINFO info {};
    info.cbSize = 36;
    info.hwndParent = owner;
    info.nToolBarId = 999;
    info.hInstRes = module;
    EXPECT_FALSE(SHCreateMenuBar(&info));
    EXPECT_EQ(nullptr, info.hwndMB);
    DestroyWindow(owner);
}

}  // namespace

namespace {

// Icon 99 of the library has a 16x16 and a 32x32 image; the system size (32) is loaded, its AND
// mask cuts the corners out, and drawing it leaves what the mask cuts out as it was.
TEST_F(ResourceUiTest, IconLoadsTheSystemSizeAndDrawsThroughItsMask)
{
    HICON icon = LoadIconW(module, MAKEINTRESOURCEW(99));
    ASSERT_NE(nullptr, icon);
    int width = 0, height = 0;
    ASSERT_TRUE(WceGetIconPixels(icon, &width, &height, nullptr, 0));
    EXPECT_EQ(32, width);
    EXPECT_EQ(32, height);
    std::vector<uint32_t> argb(size_t(width * height));
    ASSERT_TRUE(WceGetIconPixels(icon, &width, &height, argb.data(), argb.size()));
    EXPECT_EQ(0u, argb[0] >> 24);                       // a corner, outside the disc
    EXPECT_EQ(0xFFFF0000u, argb[size_t(16 * 32 + 4)]);  // red, opaque
    EXPECT_EQ(0xFFFFFFFFu, argb[size_t(16 * 32 + 16)]); // the white square in the middle

    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), 40, -40, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP canvas = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, canvas);
    HGDIOBJ old = SelectObject(dc, canvas);
    RECT all { 0, 0, 40, 40 };
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(dc, &all, green);
    EXPECT_TRUE(DrawIcon(dc, 4, 4, icon));
    const uint32_t* pixels = static_cast<const uint32_t*>(bits);
    EXPECT_EQ(0x00FF00u, pixels[4 * 40 + 4] & 0xFFFFFF);             // masked: the ground shows
    EXPECT_EQ(0xFF0000u, pixels[(4 + 16) * 40 + 4 + 4] & 0xFFFFFF);  // the disc
    SelectObject(dc, old);
    DeleteObject(canvas);
    DeleteObject(green);
    DeleteDC(dc);

    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, LoadIconW(module, MAKEINTRESOURCEW(98)));
    EXPECT_EQ(DWORD(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}

}  // namespace
