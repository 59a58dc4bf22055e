// The window of a message box that waits for its answer: caption, text and its buttons, centred
// on the screen. A button's command answers the box; so does automation.
#include <algorithm>

#include "ControlPaint.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"

namespace wce::ui {

void AnswerBoxFromWindow(HWND box, int answer);

namespace {

// Caption strip above the text, the buttons' row below it.
constexpr int TEXT_TOP = 24;
constexpr int BUTTON_ROW = 30;
constexpr int MIN_BOX_HEIGHT = 110;

struct BoxText : ControlState {
    std::u16string text;
};

void Paint(HWND hwnd)
{
    std::u16string caption(128, u'\0');
    caption.resize(size_t(InternalGetText(hwnd, caption.data(), 128)));
    std::u16string text = ControlOf<BoxText>(hwnd)->text;
    PaintControl(hwnd, WM_CTLCOLORMSGBOX, [&](HDC hdc, RECT client) {
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        RECT title { client.left + 1, client.top + 1, client.right - 1, client.top + 20 };
        FillRect(hdc, &title, GetSysColorBrush(COLOR_ACTIVECAPTION));
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, GetSysColor(COLOR_CAPTIONTEXT));
        title.left += 4;
        DrawTextW(hdc, caption.c_str(), -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        RECT body { client.left + 6, client.top + TEXT_TOP, client.right - 6, client.bottom - BUTTON_ROW };
        DrawTextW(hdc, text.c_str(), -1, &body, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    });
}

void AddButton(HWND box, int id, const char16_t* label, int index, int count)
{
    RECT client {};
    GetClientRect(box, &client);
    int width = 60;
    int gap = 10;
    int left = (client.right - (count * width + (count - 1) * gap)) / 2 + index * (width + gap);
    CreateWindowExW(0, u"BUTTON", label, WS_CHILD | WS_VISIBLE | WS_TABSTOP, left, client.bottom - 26, width, 20, box,
                    reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
}

// Grows the box, still centred, until its text fits between caption and buttons, but never past
// the screen: a long question (a file's whole path) is shown whole.
void FitBoxToText(HWND box, const std::u16string& text, const DeviceProfile& profile)
{
    RECT client {};
    GetClientRect(box, &client);
    RECT needed { 0, 0, client.right - 12, 0 };
    HDC hdc = GetDC(box);
    DrawTextW(hdc, text.c_str(), -1, &needed, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    ReleaseDC(box, hdc);
    int height = std::clamp(TEXT_TOP + int(needed.bottom) + 6 + BUTTON_ROW, MIN_BOX_HEIGHT,
                            std::max(MIN_BOX_HEIGHT, profile.screenHeight - 16));
    MoveWindow(box, 8, (profile.screenHeight - height) / 2, client.right, height, FALSE);
}

}  // namespace

LRESULT MessageBoxWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: AnswerBoxFromWindow(hwnd, LOWORD(wParam)); return 0;
    case WM_CLOSE: AnswerBoxFromWindow(hwnd, IDCANCEL); return 0;
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// The box shows Yes and No for MB_YESNO (and the question styles), OK otherwise.
HWND CreateMessageBoxWindow(HWND owner, const std::u16string& text, const std::u16string& caption, UINT style)
{
    const DeviceProfile& profile = GetDeviceProfile();
    int width = profile.screenWidth - 16;
    int height = MIN_BOX_HEIGHT;
    HWND top = owner && GetWindowThreadProcessId(owner, nullptr) == GetCurrentThreadId() ? owner : nullptr;
    HWND box = CreateWindowExW(WS_EX_TOPMOST, u"WceMessageBox", caption.c_str(), WS_POPUP, 8,
                               (profile.screenHeight - height) / 2, width, height, top, nullptr, nullptr, nullptr);
    if (!box)
        return nullptr;
    ControlOf<BoxText>(box)->text = text;
    FitBoxToText(box, text, profile);
    UINT buttons = style & 0xF;
    if (buttons == MB_YESNO || buttons == MB_YESNOCANCEL) {
        AddButton(box, IDYES, u"Yes", 0, 2);
        AddButton(box, IDNO, u"No", 1, 2);
    } else {
        AddButton(box, IDOK, u"OK", 0, 1);
    }
    ShowWindow(box, SW_SHOW);
    return box;
}

}  // namespace wce::ui
