// Windows of other processes of the same device.
#include "WindowImpl.h"

namespace wce::ui {

HWND FindRemoteWindow(LPCWSTR className, LPCWSTR windowName)
{
    return nullptr;
}

bool IsRemoteWindow(HWND hwnd)
{
    return false;
}

BOOL RaiseRemoteWindow(HWND hwnd)
{
    return FALSE;
}

}  // namespace wce::ui
