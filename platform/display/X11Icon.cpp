// The desktop window's icon from the program's class icon (icon 99 of OrvMobile).
#include "X11Icon.h"

#include <X11/Xatom.h>
#include <vector>

#include "wce/GdiInternal.h"

namespace wce::ui {
std::vector<HWND> TopLevelWindows();
bool IsRemoteWindow(HWND hwnd);
}  // namespace wce::ui

namespace {

HICON ProgramIcon()
{
    for (HWND top : wce::ui::TopLevelWindows()) {
        if (wce::ui::IsRemoteWindow(top))
            continue;
        if (HICON icon = reinterpret_cast<HICON>(GetClassLongW(top, GCL_HICON)))
            return icon;
    }
    return nullptr;
}

}  // namespace

void ShowProgramIcon(Display* display, ::Window window, HICON& shown)
{
    HICON icon = ProgramIcon();
    if (icon == shown)
        return;
    int width = 0, height = 0;
    if (!icon || !WceGetIconPixels(icon, &width, &height, nullptr, 0))
        return;
    std::vector<uint32_t> argb(size_t(width) * size_t(height));
    if (!WceGetIconPixels(icon, &width, &height, argb.data(), argb.size()))
        return;
    // Format-32 properties travel as longs on the client side, whatever their width.
    std::vector<unsigned long> property { (unsigned long)width, (unsigned long)height };
    property.insert(property.end(), argb.begin(), argb.end());
    Atom netWmIcon = XInternAtom(display, "_NET_WM_ICON", False);
    XChangeProperty(display, window, netWmIcon, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(property.data()), int(property.size()));
    XFlush(display);
    shown = icon;
}
