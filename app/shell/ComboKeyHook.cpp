// Smartphone combo boxes: left and right keys step through the items, as the keypad expects.
#include "DialogPage.h"

#include "AppState.h"

#include <new>

class ComboKeyHook final {
public:
    ComboKeyHook(HWND combo, WNDPROC previous) : window(combo), previousProc(previous) {}
    virtual void Destroy() noexcept {}
    virtual LRESULT WindowProc(HWND target, UINT message, WPARAM first, LPARAM second) noexcept;

    HWND window;
    WNDPROC previousProc;
};

LRESULT ComboKeyHook::WindowProc(HWND target, UINT message, WPARAM first, LPARAM second) noexcept
{
    if (message != WM_KEYDOWN || (first != VK_LEFT && first != VK_RIGHT))
        return CallWindowProcW(previousProc, target, message, first, second);
    ComboBox combo(target);
    int index = combo.GetCurSel() + (first == VK_RIGHT ? 1 : -1);
    const int count = combo.GetCount();
    if (index < 0)
        index = 0;
    if (index >= count)
        index = count - 1;
    combo.SetCurSel(index);
    return 0;
}

int InstallComboKeys(HWND combo)
{
    if (!IsSmartphone())
        return 1;
    for (ComboKeyHook*& slot : g_app.subclassSlots) {
        if (slot)
            continue;
        auto previous = reinterpret_cast<WNDPROC>(GetWindowLongW(combo, GWL_WNDPROC));
        slot = new (std::nothrow) ComboKeyHook(combo, previous);
        if (!slot)
            return 0;
        ++g_app.subclassCount;
        SetWindowLongW(combo, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc));
        return 1;
    }
    return 0;
}

LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM first, LPARAM second)
{
    for (ComboKeyHook*& slot : g_app.subclassSlots) {
        if (!slot || slot->window != window)
            continue;
        ComboKeyHook* hook = slot;
        LRESULT result = hook->WindowProc(window, message, first, second);
        if (message == WM_DESTROY) {
            hook->Destroy();
            delete hook;
            slot = nullptr;
            --g_app.subclassCount;
        }
        return result;
    }
    return 0;
}
