// Dialogs from templates: building the dialog and its controls in pixels from dialog units,
// WM_INITDIALOG, the modal loop, EndDialog and the default dialog procedure.
#include <algorithm>

#include "ControlPaint.h"
#include "DialogTemplate.h"
#include "GdiLink.h"
#include "MessageQueueImpl.h"
#include "ModalWait.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"
#include "wce/WinModule.h"

namespace wce::ui {

namespace {

// Dialog units: a quarter of the font's average character width across, an eighth of its
// height down. Without a drawing layer the system font's measures are assumed.
struct DialogUnits {
    int charWidth = 6;
    int charHeight = 13;
    int X(int units) const { return units * charWidth / 4; }
    int Y(int units) const { return units * charHeight / 8; }
};

HFONT MakeTemplateFont(const DialogTemplate& dialog, DialogUnits& units)
{
    if (!dialog.hasFont || !CanPaint())
        return nullptr;
    LOGFONTW font {};
    font.lfHeight = -int(dialog.pointSize) * 96 / 72;   // the device screens are 96 dots per inch
    font.lfWeight = dialog.weight ? dialog.weight : 400;
    font.lfItalic = dialog.italic;
    font.lfCharSet = dialog.charSet;
    size_t length = std::min<size_t>(dialog.faceName.size(), LF_FACESIZE - 1);
    std::copy_n(dialog.faceName.begin(), length, font.lfFaceName);
    if (WceGetFontCharSize)
        WceGetFontCharSize(&font, &units.charWidth, &units.charHeight);
    units.charWidth = std::max(units.charWidth, 1);
    units.charHeight = std::max(units.charHeight, 1);
    return CreateFontIndirectW(&font);
}

RECT DialogPlacement(const DialogTemplate& dialog, const DialogUnits& units, HWND owner)
{
    const DeviceProfile& profile = GetDeviceProfile();
    int width = units.X(dialog.cx);
    int height = units.Y(dialog.cy);
    int x = units.X(dialog.x);
    int y = units.Y(dialog.y);
    // A Smartphone shows every dialog full-screen, under the title strip and above the soft keys.
    if (IsSmartphoneLook() && !(dialog.style & WS_CHILD))
        return RECT { 0, CAPTION_BAR_HEIGHT, profile.screenWidth, profile.screenHeight - MENU_BAR_HEIGHT };
    if (dialog.style & DS_CENTER) {
        x = (profile.screenWidth - width) / 2;
        y = (profile.screenHeight - height) / 2;
    } else if (owner && !(dialog.style & DS_ABSALIGN)) {
        POINT origin { 0, 0 };
        ClientToScreen(owner, &origin);
        x += origin.x;
        y += origin.y;
    }
    return RECT { x, y, x + width, y + height };
}

HWND CreateItem(HWND dialog, HINSTANCE instance, const DialogItemTemplate& item, const DialogUnits& units,
                HFONT font)
{
    std::u16string className = item.windowClass.isOrdinal ? PredefinedClassName(item.windowClass.ordinal)
                                                          : item.windowClass.text;
    if (className.empty())
        return nullptr;
    const void* creation = item.creationData.empty() ? nullptr : item.creationData.data();
    HWND control = CreateWindowExW(item.exStyle, className.c_str(), item.title.text.c_str(),
                                   (item.style | WS_CHILD) & ~WS_POPUP, units.X(item.x), units.Y(item.y),
                                   units.X(item.cx), units.Y(item.cy), dialog, reinterpret_cast<HMENU>(UINT_PTR(WORD(item.id))),
                                   instance, const_cast<void*>(creation));
    if (!control)
        return nullptr;
    if (font)
        SendMessageW(control, WM_SETFONT, WPARAM(font), FALSE);
    // A static picture names its bitmap by resource ordinal in the title field.
    if (item.title.isOrdinal && (item.style & SS_TYPEMASK) == SS_BITMAP && ClassIs(control, u"STATIC") && CanPaint())
        SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP,
                     LPARAM(LoadBitmapW(instance, MAKEINTRESOURCEW(item.title.ordinal))));
    return control;
}

HWND FirstTabStop(HWND dialog)
{
    for (HWND child : ChildWindows(dialog)) {
        DWORD style = DWORD(GetWindowLongW(child, GWL_STYLE));
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED))
            return child;
    }
    return nullptr;
}

void MarkDialog(HWND hwnd, DLGPROC proc, HFONT font)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    if (Window* window = FindWindowRecord(hwnd)) {
        window->isDialog = true;
        window->dialogProc = proc;
        window->font = font;
        window->templateFont = font;
    }
}

}  // namespace

LRESULT DialogClassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefDlgProcW(hwnd, message, wParam, lParam);
}

HWND BuildDialog(HINSTANCE instance, const DialogTemplate& dialog, HWND owner, DLGPROC proc, LPARAM param)
{
    DialogUnits units;
    HFONT font = MakeTemplateFont(dialog, units);
    RECT place = DialogPlacement(dialog, units, owner);
    std::u16string className = dialog.windowClass.IsEmpty() || dialog.windowClass.isOrdinal
                                   ? std::u16string(u"Dialog") : dialog.windowClass.text;
    DWORD style = dialog.style & ~(WS_VISIBLE | WS_CHILD);
    HWND hwnd = CreateWindowExW(dialog.exStyle, className.c_str(), dialog.title.c_str(), style, place.left,
                                place.top, place.right - place.left, place.bottom - place.top, owner, nullptr,
                                instance, nullptr);
    if (!hwnd) {
        if (font)
            DeleteObject(font);
        return nullptr;
    }
    MarkDialog(hwnd, proc, font);
    for (const DialogItemTemplate& item : dialog.items) {
        if (!CreateItem(hwnd, instance, item, units, font)) {
            DestroyWindow(hwnd);
            return nullptr;
        }
    }
    HWND focus = FirstTabStop(hwnd);
    if (SendMessageW(hwnd, WM_INITDIALOG, WPARAM(focus), param) && focus && IsWindow(focus))
        SetFocus(focus);
    return IsWindow(hwnd) ? hwnd : nullptr;
}

INT_PTR RunModalDialog(HWND hwnd, HWND owner)
{
    ShowWindow(hwnd, SW_SHOW);
    ModalWaitUntil(owner, [hwnd] {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hwnd);
        return !window || window->dialogEnded;
    }, hwnd);
    INT_PTR result = -1;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        if (Window* window = FindWindowRecord(hwnd))
            result = window->dialogResult;
    }
    if (IsWindow(hwnd))
        DestroyWindow(hwnd);
    if (owner && IsWindow(owner))
        SetActiveWindow(owner);
    return result;
}

}  // namespace wce::ui

using namespace wce::ui;

namespace {

// The caller of the indirect form gives no size; a template is never larger than this, and
// reading stops at the template's own end when it is well formed.
constexpr size_t MAX_INDIRECT_TEMPLATE = 0x10000;

bool LoadTemplate(HINSTANCE instance, LPCWSTR name, DialogTemplate& dialog)
{
    HRSRC resource = FindResourceW(instance, name, RT_DIALOG);
    HGLOBAL loaded = resource ? LoadResource(instance, resource) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return false;
    }
    if (!ReadDialogTemplate(ByteReader(bytes, SizeofResource(instance, resource)), dialog)) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    return true;
}

}  // namespace

INT_PTR DialogBoxParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    DialogTemplate dialog;
    if (!LoadTemplate(hInstance, lpTemplateName, dialog))
        return -1;
    HWND hwnd = BuildDialog(hInstance, dialog, hWndParent, lpDialogFunc, dwInitParam);
    return hwnd ? RunModalDialog(hwnd, hWndParent) : -1;
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW hDialogTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    DialogTemplate dialog;
    if (!hDialogTemplate || !ReadDialogTemplate(ByteReader(hDialogTemplate, MAX_INDIRECT_TEMPLATE), dialog)) {
        SetLastError(ERROR_INVALID_DATA);
        return -1;
    }
    HWND hwnd = BuildDialog(hInstance, dialog, hWndParent, lpDialogFunc, dwInitParam);
    return hwnd ? RunModalDialog(hwnd, hWndParent) : -1;
}

HWND CreateDialogIndirectParamW(HINSTANCE hInstance, LPCDLGTEMPLATEW lpTemplate, HWND hWndParent,
                                DLGPROC lpDialogFunc, LPARAM dwInitParam)
{
    DialogTemplate dialog;
    if (!lpTemplate || !ReadDialogTemplate(ByteReader(lpTemplate, MAX_INDIRECT_TEMPLATE), dialog)) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    HWND hwnd = BuildDialog(hInstance, dialog, hWndParent, lpDialogFunc, dwInitParam);
    if (hwnd && (dialog.style & WS_VISIBLE))
        ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

HWND CreateDialogParamW(HINSTANCE hInstance, LPCWSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                        LPARAM dwInitParam)
{
    DialogTemplate dialog;
    if (!LoadTemplate(hInstance, lpTemplateName, dialog))
        return nullptr;
    HWND hwnd = BuildDialog(hInstance, dialog, hWndParent, lpDialogFunc, dwInitParam);
    if (hwnd && (dialog.style & WS_VISIBLE))
        ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL EndDialog(HWND hDlg, INT_PTR nResult)
{
    DWORD threadId = 0;
    {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hDlg);
        if (!window || !window->isDialog) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        window->dialogEnded = true;
        window->dialogResult = nResult;
        threadId = window->threadId;
    }
    // The dialog disappears now; the modal loop destroys it once it notices.
    ShowWindow(hDlg, SW_HIDE);
    WakeThread(threadId);
    return TRUE;
}
