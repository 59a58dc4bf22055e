// X11Display: shows the device screen in a desktop window at twice its size, with the mouse as the
// stylus and the keyboard as the device's keys (arrows, Enter, Esc, Tab, digits; F1/F2 the soft
// keys). It runs on a thread of its own and reaches the windows only through their queues.
#include "X11Display.h"
#include "X11Icon.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "wce/Automation.h"
#include "wce/GdiInternal.h"
#include "wce/Shell.h"
#include "wce/WinUser.h"

namespace wce::ui {
// From the window manager: every top-level window (and whether it stands for another process's),
// and the shell caption bar's button.
std::vector<HWND> TopLevelWindows();
bool IsRemoteWindow(HWND hwnd);
bool TapCaptionBar(POINT point);
}  // namespace wce::ui

namespace {

constexpr int SCALE = 2;
constexpr int FRAME_MS = 30;

// A failing request must never end the program: errors are ignored here and the screen simply
// stops being shown.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// A lost connection (the desktop went away) ends the display, not the process: Xlib's own
// handlers would exit. Ours note it, and Xlib returns to the call that failed.
int IgnoreIOError(Display*)
{
    return 0;
}

void NoteLostConnection(Display*, void* lost)
{
    static_cast<std::atomic<bool>*>(lost)->store(true);
}

bool WantDesktop()
{
    const char* display = std::getenv("DISPLAY");
    const char* headless = std::getenv("WCE_HEADLESS");
    return display && *display && !(headless && *headless && std::string(headless) != "0");
}

bool ClassIs(HWND hwnd, const char16_t* name)
{
    WCHAR buffer[32] = {};
    GetClassNameW(hwnd, buffer, 32);
    return std::u16string(buffer) == name;
}

// Input is posted, as the device's own input is: a tap that opens a menu must not hold up the
// display while the menu waits for the next tap. A window with the capture (an open menu or
// list) gets every tap, even outside it; a disabled window (under a modal one) gets none, and
// the caption bar along the top answers taps of its own.
void SendStylus(UINT message, int x, int y)
{
    POINT point { x / SCALE, y / SCALE };
    HWND capture = GetCapture();
    if (!capture && point.y < CAPTION_BAR_HEIGHT) {
        if (message == WM_LBUTTONUP)
            wce::ui::TapCaptionBar(point);
        return;
    }
    HWND hit = capture ? capture : WindowFromPoint(point);
    if (!hit || (!capture && !IsWindowEnabled(hit)))
        return;
    ScreenToClient(hit, &point);
    PostMessageW(hit, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(point.x, point.y));
}

int VirtualKey(KeySym sym)
{
    switch (sym) {
    case XK_Left: case XK_KP_Left: return VK_LEFT;
    case XK_Right: case XK_KP_Right: return VK_RIGHT;
    case XK_Up: case XK_KP_Up: return VK_UP;
    case XK_Down: case XK_KP_Down: return VK_DOWN;
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_Tab: return VK_TAB;
    case XK_F1: return VK_TSOFT1;
    case XK_F2: return VK_TSOFT2;
    case XK_space: return VK_SPACE;
    case XK_BackSpace: return VK_BACK;
    default:
        // The digits are the device's number keys (a Smartphone's keypad).
        if (sym >= XK_0 && sym <= XK_9)
            return int('0' + (sym - XK_0));
        return sym >= XK_KP_0 && sym <= XK_KP_9 ? int('0' + (sym - XK_KP_0)) : 0;
    }
}

// An open menu or list takes every key; otherwise the soft keys go to the active window's menu
// bar and the other keys to the window with the focus.
HWND KeyTarget(int key)
{
    if (HWND capture = GetCapture())
        return capture;
    HWND active = GetActiveWindow();
    if (key == VK_TSOFT1 || key == VK_TSOFT2) {
        for (HWND top : wce::ui::TopLevelWindows())
            if (ClassIs(top, u"menu_worker") && GetWindow(top, GW_OWNER) == active && IsWindowVisible(top))
                return top;
    }
    return GetFocus() ? GetFocus() : active;
}

void SendKey(UINT message, int key)
{
    if (HWND target = KeyTarget(key))
        PostMessageW(target, message, WPARAM(key), 0);
}

// Closing the desktop window ends the program as closing its windows would: open menus close,
// open message boxes get the answer that changes nothing (No, or Cancel where they have one) and
// every main window is asked to close.
void EndProgram()
{
    wce::automation::ResetPopups();
    for (int box = 0; box < 16 && wce::automation::CloseMessageBox(); ++box) {
    }
    for (HWND top : wce::ui::TopLevelWindows())
        if (!wce::ui::IsRemoteWindow(top) && !GetWindow(top, GW_OWNER) && IsWindowVisible(top))
            PostMessageW(top, WM_CLOSE, 0, 0);
}

// The records of connections whose server hung up: Xlib cannot free them safely, so they are kept
// on purpose (one per lost desktop) rather than dropped as if forgotten.
void KeepAbandoned(Display* display, GC gc)
{
    struct Abandoned {
        Display* display;
        GC gc;
    };
    static std::mutex lock;
    static auto* kept = new std::vector<Abandoned>();   // never destroyed: it outlives the process's exit
    std::lock_guard<std::mutex> guard(lock);
    kept->push_back({ display, gc });
}

class X11Screen {
public:
    bool Open(const char* name)
    {
        XSetErrorHandler(IgnoreXError);
        XSetIOErrorHandler(IgnoreIOError);
        display = XOpenDisplay(name);
        if (!display)
            return false;
        XSetIOErrorExitHandler(display, NoteLostConnection, &lost);
        int screen = DefaultScreen(display);
        Visual* visual = DefaultVisual(display, screen);
        // The frame is copied out as 32-bit 0x00RRGGBB pixels; other visuals are not drawn on.
        if (DefaultDepth(display, screen) < 24 || visual->red_mask != 0xFF0000 || visual->blue_mask != 0xFF) {
            Close();
            return false;
        }
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 1, 1, 0, BlackPixel(display, screen),
                                     WhitePixel(display, screen));
        XStoreName(display, window, "Windows CE device");
        XSelectInput(display, window, ExposureMask | ButtonPressMask | ButtonReleaseMask | ButtonMotionMask |
                                          KeyPressMask | KeyReleaseMask);
        deleteAtom = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, window, &deleteAtom, 1);
        gc = XCreateGC(display, window, 0, nullptr);
        if (!FitToScreen()) {
            Close();
            return false;
        }
        XMapWindow(display, window);
        XFlush(display);
        return true;
    }

    // Shows frames until asked to stop or until the user closes the window.
    void Run(const std::atomic<bool>& stop)
    {
        while (!stop.load() && !lost.load()) {
            if (ServerHungUp() || !HandleEvents())
                return;
            ShowProgramIcon(display, window, shownIcon);
            Present(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(FRAME_MS));
        }
    }

    void Close()
    {
        if (image) {
            image->data = nullptr;   // the pixels belong to the vector
            XDestroyImage(image);
            image = nullptr;
        }
        // After the server hung up, Xlib would only fail its way through the goodbyes: the
        // connection's record is left behind and just its socket is closed.
        if (display && lost) {
            close(ConnectionNumber(display));
            KeepAbandoned(display, gc);
        } else if (display) {
            if (gc)
                XFreeGC(display, gc);
            if (window)
                XDestroyWindow(display, window);
            XCloseDisplay(display);
        }
        gc = nullptr;
        window = 0;
        display = nullptr;
    }

private:
    // The window is the profile's screen at twice its size, fixed: the device screen does not
    // stretch. A test or a profile change that rebuilds the screen at another size resizes it.
    bool FitToScreen()
    {
        WceSurfaceInfo info {};
        WceLockSurface(&info);
        int newWidth = info.width;
        int newHeight = info.height;
        WceUnlockSurface();
        if (newWidth <= 0 || newHeight <= 0)
            return false;
        if (image && newWidth == width && newHeight == height)
            return true;
        if (image) {
            image->data = nullptr;
            XDestroyImage(image);
        }
        width = newWidth;
        height = newHeight;
        pixels.assign(size_t(width) * SCALE * size_t(height) * SCALE, 0);
        int screen = DefaultScreen(display);
        image = XCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)), ZPixmap, 0,
                             reinterpret_cast<char*>(pixels.data()), unsigned(width * SCALE), unsigned(height * SCALE), 32, 0);
        XSizeHints* hints = XAllocSizeHints();
        if (hints) {
            hints->flags = PMinSize | PMaxSize;
            hints->min_width = hints->max_width = width * SCALE;
            hints->min_height = hints->max_height = height * SCALE;
            XSetWMNormalHints(display, window, hints);
            XFree(hints);
        }
        XResizeWindow(display, window, unsigned(width * SCALE), unsigned(height * SCALE));
        return image != nullptr;
    }

    // The server closing the connection shows on the socket before a request fails; noticing it
    // here keeps us off Xlib's lost-connection path, which the handlers above only make survivable.
    bool ServerHungUp()
    {
        pollfd check { ConnectionNumber(display), POLLRDHUP, 0 };
        if (poll(&check, 1, 0) > 0 && (check.revents & (POLLRDHUP | POLLHUP | POLLERR)))
            lost = true;
        return lost;
    }

    // False once the user closed the window.
    bool HandleEvents()
    {
        while (!lost && XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && Atom(event.xclient.data.l[0]) == deleteAtom) {
                EndProgram();
                return false;
            }
            HandleInput(event);
            if (event.type == Expose && event.xexpose.count == 0)
                Present(true);
        }
        return true;
    }

    void HandleInput(XEvent& event)
    {
        if (event.type == ButtonPress && event.xbutton.button == Button1) {
            pressed = true;
            SendStylus(WM_LBUTTONDOWN, event.xbutton.x, event.xbutton.y);
        } else if (event.type == ButtonRelease && event.xbutton.button == Button1 && pressed) {
            pressed = false;
            SendStylus(WM_LBUTTONUP, event.xbutton.x, event.xbutton.y);
        } else if (event.type == MotionNotify && pressed) {
            SendStylus(WM_MOUSEMOVE, event.xmotion.x, event.xmotion.y);
        } else if (event.type == KeyPress || event.type == KeyRelease) {
            int key = VirtualKey(XLookupKeysym(&event.xkey, 0));
            if (key)
                SendKey(event.type == KeyPress ? WM_KEYDOWN : WM_KEYUP, key);
        }
    }

    // Copies the screen scaled up when it changed (or when the desktop asks for a redraw).
    void Present(bool always)
    {
        RECT dirty {};
        if ((!WceTakeSurfaceDirty(&dirty) && !always) || ServerHungUp())
            return;
        if (!FitToScreen())
            return;
        WceSurfaceInfo info {};
        WceLockSurface(&info);
        if (info.pixels && info.width == width && info.height == height) {
            for (int y = 0; y < height * SCALE; ++y) {
                const uint32_t* row = reinterpret_cast<const uint32_t*>(reinterpret_cast<const uint8_t*>(info.pixels) +
                                                                        size_t(y / SCALE) * size_t(info.strideBytes));
                uint32_t* out = &pixels[size_t(y) * size_t(width) * SCALE];
                for (int x = 0; x < width * SCALE; ++x)
                    out[x] = row[x / SCALE];
            }
        }
        WceUnlockSurface();
        XPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(width * SCALE), unsigned(height * SCALE));
        XFlush(display);
    }

    Display* display = nullptr;
    ::Window window = 0;
    HICON shownIcon = nullptr;
    Atom deleteAtom = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    std::vector<uint32_t> pixels;   // the scaled frame; the XImage points into it
    int width = 0;
    int height = 0;
    bool pressed = false;
    std::atomic<bool> lost { false };   // set from inside Xlib, on this thread
};

// The one display of the process. It is never destroyed: the thread of a display started at
// load may still run while the process exits.
struct Runner {
    std::mutex lock;
    std::condition_variable changed;
    int state = 0;                  // 0 opening, 1 showing, -1 failed or ended; under lock
    std::thread thread;             // started and joined by Start/Stop callers, under lock
    std::atomic<bool> stop { false };
};

Runner& TheRunner()
{
    static Runner* runner = new Runner;
    return *runner;
}

void SetState(Runner& runner, int state)
{
    std::lock_guard<std::mutex> guard(runner.lock);
    runner.state = state;
    runner.changed.notify_all();
}

// With a user at the desktop, message boxes and popup menus wait for them instead of being
// answered at once.
void ShowUntilClosed(Runner& runner, const std::string& name, bool named)
{
    X11Screen screen;
    if (!screen.Open(named ? name.c_str() : nullptr)) {
        SetState(runner, -1);
        return;
    }
    wce::automation::SetPopupsWait(true);
    wce::automation::SetMessageBoxesWait(true);
    SetState(runner, 1);
    screen.Run(runner.stop);
    screen.Close();
    wce::automation::SetPopupsWait(false);
    wce::automation::SetMessageBoxesWait(false);
    SetState(runner, -1);
}

bool Launch(const char* displayName, bool waitForOpen)
{
    Runner& runner = TheRunner();
    std::unique_lock<std::mutex> guard(runner.lock);
    if (runner.thread.joinable()) {
        if (runner.state != -1)
            return false;
        std::thread ended = std::move(runner.thread);
        guard.unlock();
        ended.join();
        guard.lock();
    }
    runner.state = 0;
    runner.stop = false;
    std::string name = displayName ? displayName : "";
    runner.thread = std::thread(ShowUntilClosed, std::ref(runner), name, displayName != nullptr);
    if (!waitForOpen)
        return true;
    runner.changed.wait(guard, [&] { return runner.state != 0; });
    return runner.state == 1;
}

// The display starts with the library when a desktop is there; headless otherwise.
[[maybe_unused]] const bool started = WantDesktop() && Launch(nullptr, false);

}  // namespace

namespace wce::display {

bool StartX11Display(const char* displayName)
{
    return Launch(displayName, true);
}

void StopX11Display()
{
    Runner& runner = TheRunner();
    std::unique_lock<std::mutex> guard(runner.lock);
    if (!runner.thread.joinable())
        return;
    runner.stop = true;
    std::thread running = std::move(runner.thread);
    guard.unlock();
    running.join();
}

bool IsX11DisplayRunning()
{
    Runner& runner = TheRunner();
    std::lock_guard<std::mutex> guard(runner.lock);
    return runner.state == 1;
}

}  // namespace wce::display
