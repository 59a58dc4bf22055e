// The automation commands: each reads or drives the user interface on the windows' own threads.
//   list | command <hwnd> <id> | tap <x> <y> | tapid <id> | key <vk> | combo <id> <index>
//   row <id> <index> | box | waitbox <ms> | answer <code> | wait <id> <text> <ms> | screenshot <path>
// Windows are written as hex handles; ids are control ids in the active window (wait takes 0 for
// the active window itself); list marks the active top-level window with active=1.
#include <chrono>
#include <cstdio>
#include <iomanip>
#include <sstream>
#include <thread>

#include "wce/Automation.h"
#include "wce/CommCtrl.h"
#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"

namespace wce::automation {

namespace {

std::string Utf8(const std::u16string& text)
{
    return Utf16ToUtf8(text.data(), text.size());
}

std::string Hex(const void* value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%llx", static_cast<unsigned long long>(uintptr_t(value)));
    return buffer;
}

std::u16string TextOf(HWND hwnd)
{
    WCHAR buffer[512] = {};
    GetWindowTextW(hwnd, buffer, 512);
    return buffer;
}

// One window per line: line breaks, quotes and backslashes in a text are written as C escapes.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else
            out += c;
    }
    return out;
}

std::string Describe(HWND hwnd, bool child)
{
    WCHAR className[64] = {};
    GetClassNameW(hwnd, className, 64);
    RECT rect {};
    GetWindowRect(hwnd, &rect);
    std::ostringstream line;
    line << (child ? "  " : "") << Hex(hwnd) << " class=" << Utf8(className) << " id=" << GetDlgCtrlID(hwnd)
         << " text=\"" << Escaped(Utf8(TextOf(hwnd))) << "\" enabled=" << (IsWindowEnabled(hwnd) ? 1 : 0)
         << " visible=" << (IsWindowVisible(hwnd) ? 1 : 0) << " rect=" << rect.left << "," << rect.top << ","
         << rect.right << "," << rect.bottom;
    if (!child && hwnd == GetActiveWindow())
        line << " active=1";
    std::u16string name(className);
    if (name == u"BUTTON")
        line << " checked=" << SendMessageW(hwnd, BM_GETCHECK, 0, 0);
    if (name == u"COMBOBOX")
        line << " selection=" << SendMessageW(hwnd, CB_GETCURSEL, 0, 0);
    if (name == u"SysListView32")
        line << " selection=" << SendMessageW(hwnd, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED);
    return line.str() + "\n";
}

std::string List()
{
    std::string out;
    for (HWND top = GetWindow(GetActiveWindow(), GW_HWNDFIRST); top; top = GetWindow(top, GW_HWNDNEXT)) {
        out += Describe(top, false);
        for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            out += Describe(child, true);
    }
    return out.empty() ? "no windows\n" : out;
}

// The window under a screen point gets the stylus press and release in its own coordinates,
// unless a window holds the stylus (an open popup menu or list): then that one does, as on the
// screen, so a tap outside it dismisses it. A disabled window under a modal dialog gets nothing.
std::string Tap(int x, int y)
{
    POINT point { x, y };
    HWND capture = GetCapture();
    HWND hit = capture ? capture : WindowFromPoint(point);
    if (!hit)
        return "error: nothing at that point\n";
    if (!capture && !IsWindowEnabled(hit))
        return "error: the window at that point is disabled\n";
    ScreenToClient(hit, &point);
    RunOnWindowThread(hit, [&] {
        SendMessageW(hit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        SendMessageW(hit, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    });
    return "ok " + Hex(hit) + "\n";
}

HWND Control(int id)
{
    HWND active = GetActiveWindow();
    return active ? GetDlgItem(active, id) : nullptr;
}

std::string TapControl(int id)
{
    HWND control = Control(id);
    RECT rect {};
    if (!control || !GetWindowRect(control, &rect))
        return "error: no such control\n";
    return Tap((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

std::string Choose(int id, int index, bool combo)
{
    HWND control = Control(id);
    if (!control)
        return "error: no such control\n";
    bool done = RunOnWindowThread(control, [&] {
        if (combo) {
            SendMessageW(control, CB_SETCURSEL, WPARAM(index), 0);
            SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), LPARAM(control));
        } else {
            ListView_SetItemState(control, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        }
    });
    return done ? "ok\n" : "error: the control is gone\n";
}

// The soft keys belong to the active window's menu bar, as on the device (and as the desktop
// window sends them); an open menu or list takes every key.
HWND SoftKeyBar()
{
    HWND active = GetActiveWindow();
    for (HWND top = GetWindow(active, GW_HWNDFIRST); top; top = GetWindow(top, GW_HWNDNEXT)) {
        WCHAR className[32] = {};
        GetClassNameW(top, className, 32);
        if (std::u16string(className) == u"menu_worker" && GetWindow(top, GW_OWNER) == active && IsWindowVisible(top))
            return top;
    }
    return nullptr;
}

std::string Key(int key)
{
    HWND target = GetCapture();
    if (!target && (key == VK_TSOFT1 || key == VK_TSOFT2))
        target = SoftKeyBar();
    if (!target)
        target = GetFocus() ? GetFocus() : GetActiveWindow();
    if (!target)
        return "error: no window has the focus\n";
    PostMessageW(target, WM_KEYDOWN, WPARAM(key), 0);
    PostMessageW(target, WM_KEYUP, WPARAM(key), 0);
    return "ok\n";
}

std::string DescribeBox(const MessageBoxRecord& box)
{
    return "box caption=\"" + Escaped(Utf8(box.caption)) + "\" text=\"" + Escaped(Utf8(box.text)) +
           "\" style=" + std::to_string(box.style) + "\n";
}

std::string Box()
{
    MessageBoxRecord box;
    if (!GetOpenMessageBox(box))
        return "no box\n";
    return DescribeBox(box);
}

// A script that has just asked for something that raises a question waits for it here instead
// of sleeping; the box that comes up (or is already up) is described as `box` does.
std::string WaitBox(int timeoutMs)
{
    MessageBoxRecord box;
    if (timeoutMs < 0 || !WaitForMessageBox(box, DWORD(timeoutMs)))
        return "timeout\n";
    return DescribeBox(box);
}

// Id 0 stands for the active window itself: a script waits with it for a page or the main window
// to come to the front by its caption.
std::string Wait(int id, const std::string& wanted, int timeoutMs)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        HWND control = id == 0 ? GetActiveWindow() : Control(id);
        if (control && Utf8(TextOf(control)) == wanted)
            return "ok\n";
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return "timeout\n";
}

}  // namespace

std::string RunAutomationCommand(const std::string& line)
{
    std::istringstream in(line);
    std::string verb;
    in >> verb;
    if (verb == "list")
        return List();
    if (verb == "command") {
        unsigned long long hwnd = 0;
        int id = 0;
        in >> std::hex >> hwnd >> std::dec >> id;
        HWND target = hwnd ? reinterpret_cast<HWND>(uintptr_t(hwnd)) : GetActiveWindow();
        return PostMessageW(target, WM_COMMAND, MAKEWPARAM(id, 0), 0) ? "ok\n" : "error: no such window\n";
    }
    int a = 0;
    int b = 0;
    if (verb == "tap" && (in >> a >> b))
        return Tap(a, b);
    if (verb == "tapid" && (in >> a))
        return TapControl(a);
    if (verb == "key" && (in >> a))
        return Key(a);
    if ((verb == "combo" || verb == "row") && (in >> a >> b))
        return Choose(a, b, verb == "combo");
    if (verb == "box")
        return Box();
    if (verb == "waitbox" && (in >> a))
        return WaitBox(a);
    if (verb == "answer" && (in >> a))
        return AnswerMessageBox(a) ? "ok\n" : "no box\n";
    std::string text;
    if (verb == "wait" && (in >> a >> std::quoted(text) >> b))
        return Wait(a, text, b);
    if (verb == "screenshot" && (in >> std::quoted(text))) {
        if (HWND active = GetActiveWindow())
            RunOnWindowThread(active, [] { PaintPendingWindows(); });
        return SaveScreenshot(text.c_str()) ? "ok\n" : "error: not saved\n";
    }
    return "error: unknown command\n";
}

}  // namespace wce::automation
