// The desktop window on a virtual X server: what it shows matches the device screen, input from
// the desktop reaches menus and dialogs, the window follows the profile's screen, and closing it
// asks the program to close. Skipped where Xvfb is not installed.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "X11Display.h"
#include "XvfbServer.h"
#include "wce/Automation.h"
#include "wce/DeviceProfile.h"
#include "wce/GdiInternal.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"
#include "wce/WinModule.h"

namespace {

using Clock = std::chrono::steady_clock;

class X11DisplayTest : public ::testing::Test {
public:
    void SetUp() override
    {
        std::string program = displaytest::FindXvfb();
        if (program.empty())
            GTEST_SKIP() << "no Xvfb on this machine";
        ASSERT_TRUE(server.Start(program));
        wce::display::StopX11Display();   // one started at load for the developer's own desktop
        ASSERT_TRUE(wce::display::StartX11Display(server.Name().c_str()));
        peer = XOpenDisplay(server.Name().c_str());
        ASSERT_NE(nullptr, peer);
        ASSERT_TRUE(WaitFor([&] { return (device = FindDeviceWindow()) != 0; }));
    }

    void TearDown() override
    {
        wce::display::StopX11Display();
        if (peer)
            XCloseDisplay(peer);
        unsetenv("WCE_PLATFORM");
        wce::ReloadDeviceProfile();
        WceResetSurface();
    }

    template <typename Condition>
    static bool WaitFor(Condition condition, int timeoutMs = 5000)
    {
        auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (Clock::now() > end)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }

    // The desktop window's _NET_WM_ICON: width, height, then the pixels; empty when unset.
    std::vector<unsigned long> IconProperty()
    {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::vector<unsigned long> values;
        if (XGetWindowProperty(peer, device, XInternAtom(peer, "_NET_WM_ICON", False), 0, 1 << 16, False,
                               AnyPropertyType, &type, &format, &count, &after, &data) == Success && data && format == 32)
            // Xlib hands format-32 data out as longs, sign-extended: only the low 32 bits count.
            for (unsigned long i = 0; i < count; ++i)
                values.push_back(reinterpret_cast<unsigned long*>(data)[i] & 0xFFFFFFFFul);
        if (data)
            XFree(data);
        return values;
    }

    ::Window FindDeviceWindow()
    {
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        ::Window found = 0;
        if (!XQueryTree(peer, DefaultRootWindow(peer), &root, &parent, &children, &count))
            return 0;
        for (unsigned i = 0; i < count && !found; ++i) {
            char* name = nullptr;
            XWindowAttributes attributes {};
            if (XFetchName(peer, children[i], &name) && name && std::string(name) == "Windows CE device" &&
                XGetWindowAttributes(peer, children[i], &attributes) && attributes.map_state == IsViewable)
                found = children[i];
            if (name)
                XFree(name);
        }
        if (children)
            XFree(children);
        return found;
    }

    // True when the desktop window shows every pixel of the device screen at twice its size.
    bool ShowsTheScreen()
    {
        WceSurfaceInfo info {};
        WceLockSurface(&info);
        int width = info.width;
        int height = info.height;
        std::vector<uint32_t> frame;
        for (int y = 0; y < height; ++y) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(info.pixels) +
                                                                    size_t(y) * size_t(info.strideBytes));
            frame.insert(frame.end(), row, row + width);
        }
        WceUnlockSurface();
        XImage* shown = XGetImage(peer, device, 0, 0, unsigned(width * 2), unsigned(height * 2), AllPlanes, ZPixmap);
        if (!shown)
            return false;
        bool same = true;
        for (int y = 0; y < height * 2 && same; ++y)
            for (int x = 0; x < width * 2 && same; ++x)
                same = (XGetPixel(shown, x, y) & 0xFFFFFF) == frame[size_t(y / 2) * size_t(width) + size_t(x / 2)];
        XDestroyImage(shown);
        return same;
    }

    void SendButton(int type, int x, int y)
    {
        XEvent event {};
        event.xbutton.type = type;
        event.xbutton.display = peer;
        event.xbutton.window = device;
        event.xbutton.root = DefaultRootWindow(peer);
        event.xbutton.x = x;
        event.xbutton.y = y;
        event.xbutton.button = Button1;
        event.xbutton.same_screen = True;
        XSendEvent(peer, device, False, type == ButtonPress ? ButtonPressMask : ButtonReleaseMask, &event);
        XFlush(peer);
    }

    void Tap(int x, int y)
    {
        SendButton(ButtonPress, x, y);
        SendButton(ButtonRelease, x, y);
    }

    void PressKey(KeySym sym)
    {
        XEvent event {};
        event.xkey.type = KeyPress;
        event.xkey.display = peer;
        event.xkey.window = device;
        event.xkey.root = DefaultRootWindow(peer);
        event.xkey.keycode = XKeysymToKeycode(peer, sym);
        event.xkey.same_screen = True;
        XSendEvent(peer, device, False, KeyPressMask, &event);
        XFlush(peer);
    }

    displaytest::XvfbServer server;
    Display* peer = nullptr;
    ::Window device = 0;
};

// The run of the menu test: the dialog's thread opens the bar's popup twice, and while each is up
// the test looks at the desktop and answers through it (keys the first time, a tap the second).
struct MenuRun {
    X11DisplayTest* test = nullptr;
    HMODULE module = nullptr;
    HWND bar = nullptr;
    std::vector<UINT> commands;
    int popupsSeen = 0;
    bool screenShown = false;
};
MenuRun* menuRun = nullptr;

void AnswerOpenPopup(MenuRun& run)
{
    HWND popup = FindWindowW(u"menu_popup", nullptr);
    if (!popup)
        return;
    ++run.popupsSeen;
    wce::automation::PaintPendingWindows();
    run.screenShown = X11DisplayTest::WaitFor([&] { return run.test->ShowsTheScreen(); });
    RECT rect {};
    GetWindowRect(popup, &rect);
    if (run.commands.empty()) {
        run.test->PressKey(XK_Down);     // from "Scan" to "Scan all"
        run.test->PressKey(XK_Return);
    } else {
        run.test->Tap(2 * (rect.left + 20), 2 * (rect.top + 5));   // "Scan", the first row
    }
}

INT_PTR MenuDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    MenuRun& run = *menuRun;
    if (message == WM_INITDIALOG) {
        SHINITDLGINFO init { SHIDIM_FLAGS, dlg, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN };
        SHInitDialog(&init);
        SHMENUBARINFO bar {};
        bar.cbSize = sizeof(bar);
        bar.hwndParent = dlg;
        bar.nToolBarId = 300;
        bar.hInstRes = run.module;
        SHCreateMenuBar(&bar);
        run.bar = bar.hwndMB;
        SetTimer(dlg, 1, 20, nullptr);
        SetTimer(dlg, 3, 10000, nullptr);   // a step that never comes fails the test, not hangs it
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 3) {
        wce::automation::ResetPopups();
        EndDialog(dlg, IDABORT);
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 1) {
        KillTimer(dlg, 1);
        SetTimer(dlg, 2, 20, nullptr);   // falls due inside the popup's own loop
        RECT rect {};
        GetClientRect(run.bar, &rect);
        size_t before = run.commands.size();
        SendMessageW(run.bar, WM_LBUTTONUP, 0, MAKELPARAM(rect.right - 5, 5));
        if (run.commands.size() == before)
            EndDialog(dlg, IDABORT);     // the popup closed without a choice
        return TRUE;
    }
    if (message == WM_TIMER && wParam == 2) {
        KillTimer(dlg, 2);
        AnswerOpenPopup(run);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == 20043 || LOWORD(wParam) == 20044)) {
        run.commands.push_back(LOWORD(wParam));
        if (run.commands.size() == 1)
            SetTimer(dlg, 1, 20, nullptr);
        else   // the Done button on the caption bar ends the dialog
            run.test->Tap(2 * (wce::GetDeviceProfile().screenWidth - 15), CAPTION_BAR_HEIGHT);
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        EndDialog(dlg, IDOK);
        return TRUE;
    }
    return FALSE;
}

TEST_F(X11DisplayTest, ShowsTheScreenAndItsPopupAndTakesKeysAndTaps)
{
#ifdef ORV_UI_TEST_DLL
    std::u16string path;
    ASSERT_TRUE(wce::DevicePathFromHost(ORV_UI_TEST_DLL, path));
    MenuRun run;
    run.test = this;
    run.module = LoadLibraryW(path.c_str());
    ASSERT_NE(nullptr, run.module);
    menuRun = &run;
    EXPECT_EQ(IDOK, DialogBoxParamW(run.module, MAKEINTRESOURCEW(100), nullptr, MenuDialogProc, 0));
    menuRun = nullptr;
    FreeLibrary(run.module);
    EXPECT_EQ(2, run.popupsSeen);
    EXPECT_TRUE(run.screenShown);
    EXPECT_EQ((std::vector<UINT> { 20044, 20043 }), run.commands);
#else
    GTEST_SKIP() << "no resource library in this build";
#endif
}

TEST_F(X11DisplayTest, WindowFollowsTheProfileScreenAndClosingItClosesTheProgram)
{
    XWindowAttributes attributes {};
    ASSERT_TRUE(XGetWindowAttributes(peer, device, &attributes));
    EXPECT_EQ(2 * wce::GetDeviceProfile().screenWidth, attributes.width);
    setenv("WCE_PLATFORM", "SmartPhone", 1);
    wce::ReloadDeviceProfile();
    WceResetSurface();
    EXPECT_TRUE(WaitFor([&] {
        XGetWindowAttributes(peer, device, &attributes);
        return attributes.width == 2 * 176 && attributes.height == 2 * 220 && ShowsTheScreen();
    }));

    static bool closeAsked = false;
    closeAsked = false;
    WNDCLASSW cls {};
    cls.lpszClassName = u"DisplayTestMain";
    cls.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        closeAsked |= m == WM_CLOSE;
        return DefWindowProcW(h, m, w, l);
    };
    HMODULE icons = nullptr;
#ifdef ORV_UI_TEST_DLL
    std::u16string path;
    if (wce::DevicePathFromHost(ORV_UI_TEST_DLL, path))
        icons = LoadLibraryW(path.c_str());
    cls.hIcon = icons ? LoadIconW(icons, MAKEINTRESOURCEW(99)) : nullptr;
#endif
    RegisterClassW(&cls);
    HWND main = CreateWindowExW(0, u"DisplayTestMain", u"Main", WS_VISIBLE, 0, CAPTION_BAR_HEIGHT, 176, 100, nullptr,
                                nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, main);
    if (cls.hIcon) {
        // The desktop shows the class's icon: 32 x 32 straight-alpha pixels after the size.
        EXPECT_TRUE(WaitFor([&] { return IconProperty().size() == 2 + 32 * 32; }));
        std::vector<unsigned long> icon = IconProperty();
        if (icon.size() == 2 + 32 * 32) {
            EXPECT_EQ(32u, icon[0]);
            EXPECT_EQ(0u, icon[2] >> 24);                       // a transparent corner
            EXPECT_EQ(0xFFFF0000u, icon[2 + 16 * 32 + 4]);      // the red disc
        }
    }
    // A question from a worker that is up when the desktop closes gets No, not its first button.
    wce::automation::SetMessageBoxesWait(true);
    int answer = 0;
    std::thread worker([&] { answer = MessageBoxW(main, u"Delete it?", u"Scan", MB_YESNO | MB_ICONQUESTION); });
    wce::automation::MessageBoxRecord box;
    ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 5000));
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = device;
    event.xclient.message_type = XInternAtom(peer, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(peer, "WM_DELETE_WINDOW", False));
    XSendEvent(peer, device, False, NoEventMask, &event);
    XFlush(peer);
    EXPECT_TRUE(WaitFor([&] {
        MSG msg {};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        return closeAsked;
    }));
    EXPECT_TRUE(WaitFor([] { return !wce::display::IsX11DisplayRunning(); }));
    worker.join();
    EXPECT_EQ(IDNO, answer);
    wce::automation::ResetMessageBoxes();
    EXPECT_FALSE(IsWindow(main));
    // With the desktop gone, a popup no longer waits for a user.
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 7, u"Item");
    HWND owner = CreateWindowExW(0, u"DisplayTestMain", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(TrackPopupMenuEx(popup, 0, 0, 0, owner, nullptr));
    DestroyWindow(owner);
    DestroyMenu(popup);
    UnregisterClassW(u"DisplayTestMain", nullptr);
    if (cls.hIcon)
        DestroyIcon(cls.hIcon);
    if (icons)
        FreeLibrary(icons);
}

TEST_F(X11DisplayTest, LosingTheDesktopEndsTheDisplayNotTheProgram)
{
#if defined(__SANITIZE_THREAD__)
    // When the server goes while a request is in flight, Xlib unlocks its display lock twice on
    // its way back from the lost-connection handler; ThreadSanitizer reports that inside libX11.
    GTEST_SKIP() << "libX11's lost-connection path is not ThreadSanitizer-clean";
#endif
    XCloseDisplay(peer);
    peer = nullptr;
    server.Stop();
    EXPECT_TRUE(WaitFor([] { return !wce::display::IsX11DisplayRunning(); }));
}

}  // namespace
