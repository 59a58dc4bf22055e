// The window of a message box that waits for its answer: caption, the style's icon, the text and
// its buttons, centred on the screen. A button's command answers the box; so does automation.
#include <algorithm>

#include "ControlPaint.h"
#include "MessageBoxIcon.h"
#include "WindowImpl.h"
#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"

namespace wce::ui {

void AnswerBoxFromWindow(HWND box, int answer);

namespace {

// Caption strip above the text, the buttons' row below it, the icon at the text's left.
constexpr int TEXT_TOP = 24;
constexpr int BUTTON_ROW = 30;
constexpr int MIN_BOX_HEIGHT = 110;
constexpr int TEXT_MARGIN = 6;
constexpr int ICON_GAP = 6;

struct BoxText : ControlState {
    std::u16string text;
    UINT style = 0;
};

// The text's left edge: after the icon when the style asks for one.
int TextLeft(UINT style)
{
    return HasMessageBoxIcon(style) ? TEXT_MARGIN + MessageBoxIconSize() + ICON_GAP : TEXT_MARGIN;
}

void Paint(HWND hwnd)
{
    std::u16string caption(128, u'\0');
    caption.resize(size_t(InternalGetText(hwnd, caption.data(), 128)));
    const BoxText* box = ControlOf<BoxText>(hwnd);
    std::u16string text = box->text;
    UINT style = box->style;
    PaintControl(hwnd, WM_CTLCOLORMSGBOX, [&](HDC hdc, RECT client) {
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        RECT title { client.left + 1, client.top + 1, client.right - 1, client.top + 20 };
        FillRect(hdc, &title, GetSysColorBrush(COLOR_ACTIVECAPTION));
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, GetSysColor(COLOR_CAPTIONTEXT));
        title.left += 4;
        title.right -= 4;
        DrawTextW(hdc, caption.c_str(), -1, &title,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        DrawMessageBoxIcon(hdc, POINT { client.left + TEXT_MARGIN, client.top + TEXT_TOP }, style);
        SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        RECT body { client.left + TextLeft(style), client.top + TEXT_TOP, client.right - TEXT_MARGIN,
                    client.bottom - BUTTON_ROW };
        DrawTextW(hdc, text.c_str(), -1, &body, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    });
}

void AddButton(HWND box, int id, const char16_t* label, int index, int count)
{
    RECT client {};
    GetClientRect(box, &client);
    int gap = 6;
    int width = std::min(60, (int(client.right) - 8 - (count - 1) * gap) / count);
    int left = (client.right - (count * width + (count - 1) * gap)) / 2 + index * (width + gap);
    CreateWindowExW(0, u"BUTTON", label, WS_CHILD | WS_VISIBLE | WS_TABSTOP, left, client.bottom - 26, width, 20, box,
                    reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
}

struct ButtonSet {
    int count;
    int ids[3];
    const char16_t* labels[3];
};

// The buttons of each style the platform knows; any other style gets OK alone.
ButtonSet ButtonsOf(UINT style)
{
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL: return { 2, { IDOK, IDCANCEL }, { u"OK", u"Cancel" } };
    case MB_YESNOCANCEL: return { 3, { IDYES, IDNO, IDCANCEL }, { u"Yes", u"No", u"Cancel" } };
    case MB_YESNO: return { 2, { IDYES, IDNO }, { u"Yes", u"No" } };
    default: return { 1, { IDOK }, { u"OK" } };
    }
}

// Grows the box, still centred, until its text fits between caption and buttons, but never past
// the screen: a long question (a file's whole path) is shown whole.
void FitBoxToText(HWND box, const std::u16string& text, UINT style, const DeviceProfile& profile)
{
    RECT client {};
    GetClientRect(box, &client);
    RECT needed { 0, 0, client.right - TextLeft(style) - TEXT_MARGIN, 0 };
    HDC hdc = GetDC(box);
    DrawTextW(hdc, text.c_str(), -1, &needed, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX | DT_CALCRECT);
    ReleaseDC(box, hdc);
    int textHeight = std::max(int(needed.bottom), HasMessageBoxIcon(style) ? MessageBoxIconSize() : 0);
    int height = std::clamp(TEXT_TOP + textHeight + 6 + BUTTON_ROW, MIN_BOX_HEIGHT,
                            std::max(MIN_BOX_HEIGHT, profile.screenHeight - 16));
    MoveWindow(box, 8, (profile.screenHeight - height) / 2, client.right, height, FALSE);
}

}  // namespace

// Closing the box's window (the desktop's close, a WM_CLOSE from a program) gives the answer that
// changes nothing, never the first button's.
LRESULT MessageBoxWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND: AnswerBoxFromWindow(hwnd, LOWORD(wParam)); return 0;
    case WM_CLOSE: AnswerBoxFromWindow(hwnd, 0); return 0;
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

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
    BoxText* state = ControlOf<BoxText>(box);
    state->text = text;
    state->style = style;
    FitBoxToText(box, text, style, profile);
    ButtonSet buttons = ButtonsOf(style);
    for (int i = 0; i < buttons.count; ++i)
        AddButton(box, buttons.ids[i], buttons.labels[i], i, buttons.count);
    ShowWindow(box, SW_SHOW);
    return box;
}

}  // namespace wce::ui
