// X11Display: shows the device screen in a desktop window at twice its size, with the mouse as the
// stylus and the keyboard as the device's keys (arrows, Enter, Esc, Tab; F1/F2 the soft keys).
// It runs on a thread of its own and reaches the windows only through their threads.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "wce/Automation.h"
#include "wce/GdiInternal.h"
#include "wce/Shell.h"
#include "wce/WinUser.h"

namespace {

constexpr int SCALE = 2;
constexpr int FRAME_MS = 30;

// A lost or failing desktop connection must never end the program: errors are ignored here and
// the screen simply stops being shown.
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

bool WantDesktop()
{
    const char* display = std::getenv("DISPLAY");
    const char* headless = std::getenv("WCE_HEADLESS");
    return display && *display && !(headless && *headless && std::string(headless) != "0");
}

void SendStylus(UINT message, int x, int y)
{
    POINT point { x / SCALE, y / SCALE };
    HWND hit = GetCapture() ? GetCapture() : WindowFromPoint(point);
    if (!hit)
        return;
    ScreenToClient(hit, &point);
    wce::automation::RunOnWindowThread(hit, [&] {
        SendMessageW(hit, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(point.x, point.y));
    });
}

int VirtualKey(KeySym sym)
{
    switch (sym) {
    case XK_Left: return VK_LEFT;
    case XK_Right: return VK_RIGHT;
    case XK_Up: return VK_UP;
    case XK_Down: return VK_DOWN;
    case XK_Return: case XK_KP_Enter: return VK_RETURN;
    case XK_Escape: return VK_ESCAPE;
    case XK_Tab: return VK_TAB;
    case XK_F1: return VK_TSOFT1;
    case XK_F2: return VK_TSOFT2;
    case XK_space: return VK_SPACE;
    case XK_BackSpace: return VK_BACK;
    default: return 0;
    }
}

// Soft keys go to the active window's menu bar; other keys to the window with the focus.
void SendKey(int key)
{
    HWND target = GetFocus() ? GetFocus() : GetActiveWindow();
    if (key == VK_TSOFT1 || key == VK_TSOFT2) {
        HWND active = GetActiveWindow();
        for (HWND top = GetWindow(active, GW_HWNDFIRST); top; top = GetWindow(top, GW_HWNDNEXT)) {
            WCHAR name[32] = {};
            GetClassNameW(top, name, 32);
            if (std::u16string(name) == u"menu_worker" && GetWindow(top, GW_OWNER) == active && IsWindowVisible(top))
                target = top;
        }
    }
    if (target)
        PostMessageW(target, WM_KEYDOWN, WPARAM(key), 0);
}

class X11Display {
public:
    bool Open()
    {
        XSetErrorHandler(IgnoreXError);
        display = XOpenDisplay(nullptr);
        if (!display)
            return false;
        WceSurfaceInfo info {};
        WceLockSurface(&info);
        width = info.width;
        height = info.height;
        WceUnlockSurface();
        if (width <= 0 || height <= 0)
            return false;
        int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, unsigned(width * SCALE),
                                     unsigned(height * SCALE), 0, BlackPixel(display, screen), WhitePixel(display, screen));
        XStoreName(display, window, "Windows CE device");
        XSelectInput(display, window, ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask);
        XMapWindow(display, window);
        gc = XCreateGC(display, window, 0, nullptr);
        pixels.assign(size_t(width) * SCALE * size_t(height) * SCALE, 0);
        image = XCreateImage(display, DefaultVisual(display, screen), unsigned(DefaultDepth(display, screen)), ZPixmap, 0,
                             reinterpret_cast<char*>(pixels.data()), unsigned(width * SCALE), unsigned(height * SCALE), 32, 0);
        return image != nullptr;
    }

    void Run()
    {
        bool pressed = false;
        for (;;) {
            while (XPending(display)) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == Expose)
                    Present(true);
                else if (event.type == ButtonPress && event.xbutton.button == Button1) {
                    pressed = true;
                    SendStylus(WM_LBUTTONDOWN, event.xbutton.x, event.xbutton.y);
                } else if (event.type == ButtonRelease && event.xbutton.button == Button1 && pressed) {
                    pressed = false;
                    SendStylus(WM_LBUTTONUP, event.xbutton.x, event.xbutton.y);
                } else if (event.type == MotionNotify && pressed) {
                    SendStylus(WM_MOUSEMOVE, event.xmotion.x, event.xmotion.y);
                } else if (event.type == KeyPress) {
                    int key = VirtualKey(XLookupKeysym(&event.xkey, 0));
                    if (key)
                        SendKey(key);
                }
            }
            Present(false);
            std::this_thread::sleep_for(std::chrono::milliseconds(FRAME_MS));
        }
    }

private:
    // Copies the screen scaled up when it changed (or when the desktop asks for a redraw).
    void Present(bool always)
    {
        RECT dirty {};
        if (!WceTakeSurfaceDirty(&dirty) && !always)
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
    GC gc = nullptr;
    XImage* image = nullptr;
    std::vector<uint32_t> pixels;   // the scaled frame; the XImage points into it
    int width = 0;
    int height = 0;
};

// The display starts with the library when a desktop is there; headless otherwise.
[[maybe_unused]] const bool started = [] {
    if (!WantDesktop())
        return false;
    std::thread([] {
        static X11Display display;   // lives as long as the process
        if (display.Open())
            display.Run();
    }).detach();
    return true;
}();

}  // namespace
