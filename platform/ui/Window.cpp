// The window table, class registration, creation and destruction.
#include <algorithm>
#include <functional>
#include <atomic>
#include <map>
#include <unordered_map>

#include "MessageQueueImpl.h"
#include "ModalWait.h"
#include "RemoteProtocol.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"

namespace wce::ui {

namespace {

struct Table {
    std::recursive_mutex lock;
    std::unordered_map<HWND, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevel;                                   // creation order
    std::map<std::u16string, std::shared_ptr<WindowClass>> classes;  // by upper-cased name
    uintptr_t nextHandle = 0x10010;
};

Table& TheTable()
{
    static Table* table = new Table;   // windows may be touched by threads ending after main
    return *table;
}

std::u16string ClassKey(const std::u16string& name)
{
    std::u16string key = name;
    for (char16_t& c : key)
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - 32);
    return key;
}

}  // namespace

std::recursive_mutex& TableLock()
{
    return TheTable().lock;
}

Window* FindWindowRecord(HWND hwnd)
{
    auto& windows = TheTable().windows;
    auto found = windows.find(hwnd);
    return found == windows.end() ? nullptr : found->second.get();
}

std::shared_ptr<WindowClass> FindClass(const std::u16string& name)
{
    EnsureSystemClasses();
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    auto found = TheTable().classes.find(ClassKey(name));
    return found == TheTable().classes.end() ? nullptr : found->second;
}

static bool AddClass(const WNDCLASSW& info, bool system)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    auto record = std::make_shared<WindowClass>();
    record->name = info.lpszClassName;
    record->info = info;
    record->info.lpszClassName = nullptr;   // the caller's text is not ours to keep
    record->info.lpszMenuName = nullptr;
    record->system = system;
    return TheTable().classes.emplace(ClassKey(record->name), record).second;
}

void RegisterSystemClass(const char16_t* name, WNDPROC proc, int extraBytes)
{
    WNDCLASSW info {};
    info.lpfnWndProc = proc;
    info.cbWndExtra = extraBytes;
    info.lpszClassName = name;
    AddClass(info, true);
}

std::vector<HWND> TopLevelWindows()
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    return TheTable().topLevel;
}

std::vector<HWND> ChildWindows(HWND parent)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(parent);
    return window ? window->children : std::vector<HWND>();
}

std::u16string ClassNameOf(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    return window ? window->windowClass->name : std::u16string();
}

bool ClassIs(HWND hwnd, const char16_t* name)
{
    return ClassKey(ClassNameOf(hwnd)) == ClassKey(name);
}

// Work handed to a window's thread by automation arrives as this message and never reaches the
// window procedure.
constexpr UINT RUN_ON_THREAD_MESSAGE = 0x03FE;

LRESULT CallWindowOnThisThread(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == RUN_ON_THREAD_MESSAGE && wParam == 0x5753) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 1;
    }
    WNDPROC proc = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hwnd);
        if (!window)
            return 0;
        proc = window->proc;
    }
    return proc ? proc(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT NotifyParent(HWND control, WORD code)
{
    HWND parent = GetParent(control);
    if (!parent)
        return 0;
    return SendMessageW(parent, WM_COMMAND, MAKELONG(GetDlgCtrlID(control), code), LPARAM(control));
}

namespace {

// A top-level window left to the platform fills the screen below the shell's caption bar, as on
// the device; its owner shortens it when it gets a menu bar.
void DefaultPlacement(Window& window, int x, int y, int width, int height)
{
    const DeviceProfile& profile = GetDeviceProfile();
    if (x == CW_USEDEFAULT) {
        x = 0;
        y = window.parent ? 0 : CAPTION_BAR_HEIGHT;
    }
    if (width == CW_USEDEFAULT) {
        width = profile.screenWidth - x;
        height = profile.screenHeight - y;
    }
    window.rect = RECT { x, y, x + width, y + height };
}

HWND InsertWindow(std::unique_ptr<Window> window)
{
    Table& table = TheTable();
    std::lock_guard<std::recursive_mutex> guard(table.lock);
    HWND handle = reinterpret_cast<HWND>(table.nextHandle);
    table.nextHandle += 4;
    window->handle = handle;
    if (window->parent) {
        Window* parent = FindWindowRecord(window->parent);
        if (!parent || parent->destroying)
            return nullptr;
        parent->children.push_back(handle);
    } else {
        table.topLevel.push_back(handle);
    }
    table.windows.emplace(handle, std::move(window));
    return handle;
}

std::unique_ptr<Window> NewWindow(const std::shared_ptr<WindowClass>& windowClass, DWORD exStyle,
                                  LPCWSTR name, DWORD style, HWND parent, HMENU menu, HINSTANCE instance)
{
    auto window = std::make_unique<Window>();
    window->windowClass = windowClass;
    window->proc = windowClass->info.lpfnWndProc;
    window->style = style;
    window->exStyle = exStyle;
    if (style & WS_CHILD) {
        window->parent = parent;
        window->id = UINT_PTR(menu);
    } else {
        window->owner = parent;
    }
    window->instance = instance;
    window->text = name ? name : u"";
    window->extra.resize((std::max(windowClass->info.cbWndExtra, 0) + sizeof(LONG_PTR) - 1) / sizeof(LONG_PTR));
    window->threadId = CurrentUiThreadId();
    return window;
}

}  // namespace

void ReleaseWindowRecord(HWND hwnd);

}  // namespace wce::ui

using namespace wce::ui;

ATOM RegisterClassW(const WNDCLASSW* lpWndClass)
{
    static std::atomic<ATOM> nextAtom { 0xC000 };
    if (!lpWndClass || !lpWndClass->lpszClassName || IS_INTRESOURCE(lpWndClass->lpszClassName) ||
        !lpWndClass->lpfnWndProc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    EnsureSystemClasses();
    if (!AddClass(*lpWndClass, false)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return nextAtom++;
}

BOOL UnregisterClassW(LPCWSTR lpClassName, HINSTANCE hInstance)
{
    if (!lpClassName || IS_INTRESOURCE(lpClassName))
        return FALSE;
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    auto& classes = TheTable().classes;
    auto found = classes.find(ClassKey(lpClassName));
    if (found == classes.end() || found->second->system) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    classes.erase(found);   // windows of the class keep their shared record
    return TRUE;
}

BOOL GetClassInfoW(HINSTANCE hInstance, LPCWSTR lpClassName, LPWNDCLASSW lpWndClass)
{
    if (!lpClassName || IS_INTRESOURCE(lpClassName) || !lpWndClass)
        return FALSE;
    auto record = FindClass(lpClassName);
    if (!record) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *lpWndClass = record->info;
    lpWndClass->lpszClassName = lpClassName;
    return TRUE;
}

int GetClassNameW(HWND hWnd, LPWSTR lpClassName, int nMaxCount)
{
    std::u16string name = ClassNameOf(hWnd);
    if (!lpClassName || nMaxCount <= 0 || !IsWindow(hWnd))
        return 0;
    int count = std::min<int>(int(name.size()), nMaxCount - 1);
    std::copy_n(name.begin(), count, lpClassName);
    lpClassName[count] = 0;
    return count;
}

HWND CreateWindowExW(DWORD dwExStyle, LPCWSTR lpClassName, LPCWSTR lpWindowName, DWORD dwStyle, int X,
                     int Y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu, HINSTANCE hInstance,
                     LPVOID lpParam)
{
    if (!lpClassName || IS_INTRESOURCE(lpClassName)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return nullptr;
    }
    auto windowClass = FindClass(lpClassName);
    if (!windowClass) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return nullptr;
    }
    if ((dwStyle & WS_CHILD) && !IsWindow(hWndParent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    auto window = NewWindow(windowClass, dwExStyle, lpWindowName, dwStyle & ~WS_VISIBLE, hWndParent, hMenu,
                            hInstance);
    DefaultPlacement(*window, X, Y, nWidth, nHeight);
    HWND hwnd = InsertWindow(std::move(window));
    if (!hwnd)
        return nullptr;
    CREATESTRUCTW create { lpParam, hInstance, hMenu, hWndParent, nHeight, nWidth, Y, X, LONG(dwStyle),
                           lpWindowName, lpClassName, dwExStyle };
    if (!SendMessageW(hwnd, WM_NCCREATE, 0, LPARAM(&create)) ||
        SendMessageW(hwnd, WM_CREATE, 0, LPARAM(&create)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (IsWindow(hwnd) && !(dwStyle & WS_CHILD))
        PublishTopLevel(hwnd);
    if (IsWindow(hwnd) && (dwStyle & WS_VISIBLE))
        ShowWindow(hwnd, SW_SHOW);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

namespace wce::ui {

void ReleaseWindowRecord(HWND hwnd)
{
    Table& table = TheTable();
    std::unique_ptr<Window> record;
    std::lock_guard<std::recursive_mutex> guard(table.lock);
    auto found = table.windows.find(hwnd);
    if (found == table.windows.end())
        return;
    record = std::move(found->second);
    table.windows.erase(found);
    if (!record->parent)
        UnpublishTopLevel(hwnd);
    std::erase(table.topLevel, hwnd);
    if (Window* parent = FindWindowRecord(record->parent))
        std::erase(parent->children, hwnd);
}

}  // namespace wce::ui

namespace wce::ui {

void MoveTopLevelToFront(HWND hwnd)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    auto& tops = TheTable().topLevel;
    auto found = std::find(tops.begin(), tops.end(), hwnd);
    if (found != tops.end()) {
        tops.erase(found);
        tops.push_back(hwnd);
    }
}

}  // namespace wce::ui

namespace wce::ui {

int InternalGetText(HWND hwnd, WCHAR* buffer, int size)
{
    if (!buffer || size <= 0)
        return 0;
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    int count = window ? std::min<int>(int(window->text.size()), size - 1) : 0;
    if (window)
        std::copy_n(window->text.begin(), count, buffer);
    buffer[count] = 0;
    return count;
}

}  // namespace wce::ui

namespace wce::automation {

bool RunOnWindowThread(HWND hwnd, const std::function<void()>& work)
{
    return SendMessageW(hwnd, wce::ui::RUN_ON_THREAD_MESSAGE, 0x5753, LPARAM(&work)) == 1;
}

}  // namespace wce::automation
