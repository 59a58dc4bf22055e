// The COMBOBOX class as a drop-down list: a list of strings, one current selection, a list that
// drops down when tapped, and the arrow keys stepping through the choices.
#include <algorithm>
#include <cwctype>

#include "ControlPaint.h"
#include "WindowImpl.h"

namespace wce::ui {

HWND ShowComboDropDown(HWND combo, const std::vector<std::u16string>& items, int selection);
void CloseComboDropDown(HWND combo);

namespace {

struct ComboItem {
    std::u16string text;
    LPARAM data = 0;
};

struct ComboState : ControlState {
    std::vector<ComboItem> items;
    int selection = -1;
    HWND dropDown = nullptr;
};

char16_t Fold(char16_t c)
{
    return c < 0xD800 || c > 0xDFFF ? char16_t(std::towupper(wint_t(c))) : c;
}

bool StartsWithNoCase(const std::u16string& text, const std::u16string& prefix, bool exact)
{
    if (text.size() < prefix.size() || (exact && text.size() != prefix.size()))
        return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (Fold(text[i]) != Fold(prefix[i]))
            return false;
    return true;
}

// Searches from the item after start to the end and wraps round, as the platform does.
LRESULT Find(ComboState& state, WPARAM start, LPCWSTR text, bool exact)
{
    if (!text || state.items.empty())
        return CB_ERR;
    size_t count = state.items.size();
    size_t first = int(start) < 0 || size_t(start) >= count ? 0 : size_t(start) + 1;
    for (size_t n = 0; n < count; ++n) {
        size_t i = (first + n) % count;
        if (StartsWithNoCase(state.items[i].text, text, exact))
            return LRESULT(i);
    }
    return CB_ERR;
}

LRESULT Insert(HWND hwnd, ComboState& state, int index, LPCWSTR text, bool sorted)
{
    if (!text)
        text = u"";
    if (sorted) {
        auto before = std::find_if(state.items.begin(), state.items.end(),
                                   [&](const ComboItem& item) { return item.text > std::u16string(text); });
        index = int(before - state.items.begin());
    }
    if (index < 0 || size_t(index) > state.items.size())
        index = index < 0 ? int(state.items.size()) : -1;
    if (index < 0)
        return CB_ERR;
    state.items.insert(state.items.begin() + index, ComboItem { text, 0 });
    if (state.selection >= index)
        ++state.selection;
    InvalidateRect(hwnd, nullptr, TRUE);
    return index;
}

LRESULT CopyItem(ComboState& state, WPARAM index, LPWSTR buffer)
{
    if (size_t(index) >= state.items.size())
        return CB_ERR;
    const std::u16string& text = state.items[size_t(index)].text;
    if (buffer) {
        std::copy(text.begin(), text.end(), buffer);
        buffer[text.size()] = 0;
    }
    return LRESULT(text.size());
}

void Select(HWND hwnd, ComboState& state, int index, bool notify)
{
    if (index < 0 || size_t(index) >= state.items.size() || index == state.selection)
        return;
    state.selection = index;
    InvalidateRect(hwnd, nullptr, TRUE);
    if (notify)
        NotifyParent(hwnd, CBN_SELCHANGE);
}

void Paint(HWND hwnd, ComboState& state)
{
    std::u16string text = state.selection >= 0 ? state.items[size_t(state.selection)].text : std::u16string();
    bool enabled = IsWindowEnabled(hwnd);
    bool focused = GetFocus() == hwnd;
    PaintControl(hwnd, WM_CTLCOLOREDIT, [&](HDC hdc, RECT client) {
        FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        int arrow = client.bottom - client.top;
        RECT button { client.right - arrow, client.top, client.right, client.bottom };
        FrameRect(hdc, &button, GetSysColorBrush(COLOR_WINDOWFRAME));
        POINT tip[3] = { { button.left + arrow / 4, button.top + arrow * 3 / 8 },
                         { button.right - arrow / 4, button.top + arrow * 3 / 8 },
                         { (button.left + button.right) / 2, button.bottom - arrow * 3 / 8 } };
        HGDIOBJ old = SelectObject(hdc, GetStockObject(BLACK_BRUSH));
        Polygon(hdc, tip, 3);
        SelectObject(hdc, old);
        RECT textRect { client.left + 3, client.top, button.left - 2, client.bottom };
        if (focused)
            FillRect(hdc, &textRect, GetSysColorBrush(COLOR_HIGHLIGHT));
        if (focused)
            SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        SetBkMode(hdc, TRANSPARENT);
        DrawControlText(hdc, text, textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS,
                        enabled);
    });
}

void ToggleDropDown(HWND hwnd, ComboState& state, bool show)
{
    if (show == (state.dropDown != nullptr))
        return;
    if (show) {
        std::vector<std::u16string> texts;
        for (const ComboItem& item : state.items)
            texts.push_back(item.text);
        NotifyParent(hwnd, CBN_DROPDOWN);
        state.dropDown = ShowComboDropDown(hwnd, texts, state.selection);
    } else {
        HWND list = state.dropDown;
        state.dropDown = nullptr;
        CloseComboDropDown(list);
        NotifyParent(hwnd, CBN_CLOSEUP);
    }
}

LRESULT ComboMessage(HWND hwnd, ComboState& state, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool sorted = (GetWindowLongW(hwnd, GWL_STYLE) & CBS_SORT) != 0;
    switch (message) {
    case CB_ADDSTRING: return Insert(hwnd, state, -1, reinterpret_cast<LPCWSTR>(lParam), sorted);
    case CB_INSERTSTRING: return Insert(hwnd, state, int(wParam), reinterpret_cast<LPCWSTR>(lParam), false);
    case CB_DELETESTRING:
        if (size_t(wParam) >= state.items.size())
            return CB_ERR;
        state.items.erase(state.items.begin() + ptrdiff_t(wParam));
        if (state.selection == int(wParam))
            state.selection = -1;
        else if (state.selection > int(wParam))
            --state.selection;
        InvalidateRect(hwnd, nullptr, TRUE);
        return LRESULT(state.items.size());
    case CB_GETCOUNT: return LRESULT(state.items.size());
    case CB_GETCURSEL: return state.selection;
    case CB_SETCURSEL:
        if (int(wParam) < 0 || size_t(wParam) >= state.items.size()) {
            state.selection = -1;
            InvalidateRect(hwnd, nullptr, TRUE);
            return CB_ERR;
        }
        state.selection = int(wParam);
        InvalidateRect(hwnd, nullptr, TRUE);
        return state.selection;
    case CB_GETLBTEXT: return CopyItem(state, wParam, reinterpret_cast<LPWSTR>(lParam));
    case CB_GETLBTEXTLEN: return CopyItem(state, wParam, nullptr);
    case CB_RESETCONTENT:
        state.items.clear();
        state.selection = -1;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;   // CB_OKAY
    case CB_FINDSTRING: return Find(state, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
    case CB_FINDSTRINGEXACT: return Find(state, wParam, reinterpret_cast<LPCWSTR>(lParam), true);
    case CB_SELECTSTRING: {
        LRESULT found = Find(state, wParam, reinterpret_cast<LPCWSTR>(lParam), false);
        if (found != CB_ERR)
            state.selection = int(found);
        InvalidateRect(hwnd, nullptr, TRUE);
        return found;
    }
    case CB_GETITEMDATA: return size_t(wParam) < state.items.size() ? state.items[size_t(wParam)].data : CB_ERR;
    case CB_SETITEMDATA:
        if (size_t(wParam) >= state.items.size())
            return CB_ERR;
        state.items[size_t(wParam)].data = lParam;
        return TRUE;
    case CB_SHOWDROPDOWN: ToggleDropDown(hwnd, state, wParam != 0); return TRUE;
    case CB_GETDROPPEDSTATE: return state.dropDown != nullptr;
    default: return 0;
    }
}

// A drop-down list's window is only as tall as its selection field; the height a template gives
// is that of the field and its dropped list together.
void FitToField(HWND hwnd, HGDIOBJ font)
{
    RECT rect {};
    GetClientRect(hwnd, &rect);
    int field = LineHeight(font) + 6;
    if (rect.bottom != field)
        SetWindowPos(hwnd, nullptr, 0, 0, rect.right, field, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// Called by the drop-down list when a row is chosen (or -1 when dismissed).
void ComboDropDownChosen(HWND combo, int index)
{
    ComboState* state = ControlOf<ComboState>(combo);
    if (!state)
        return;
    ToggleDropDown(combo, *state, false);
    if (index >= 0) {
        Select(combo, *state, index, true);
        NotifyParent(combo, CBN_SELENDOK);
    }
}

LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ComboState* state = ControlOf<ComboState>(hwnd);
    if (!state)
        return 0;
    if (message >= CB_GETEDITSEL && message <= CB_FINDSTRINGEXACT)
        return ComboMessage(hwnd, *state, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: FitToField(hwnd, nullptr); return 0;
    case WM_SETFONT:
        DefWindowProcW(hwnd, message, wParam, lParam);
        FitToField(hwnd, reinterpret_cast<HGDIOBJ>(wParam));
        return 0;
    case WM_KEYDOWN:
        if (state->dropDown)   // while the list is down, it takes the keys
            SendMessageW(state->dropDown, WM_KEYDOWN, wParam, lParam);
        else if (wParam == VK_LEFT || wParam == VK_UP)
            Select(hwnd, *state, state->selection - 1, true);
        else if (wParam == VK_RIGHT || wParam == VK_DOWN)
            Select(hwnd, *state, state->selection + 1, true);
        else if (wParam == VK_RETURN)
            ToggleDropDown(hwnd, *state, state->dropDown == nullptr);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        ToggleDropDown(hwnd, *state, state->dropDown == nullptr);
        return 0;
    case WM_SETFOCUS:
        InvalidateRect(hwnd, nullptr, TRUE);
        NotifyParent(hwnd, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        InvalidateRect(hwnd, nullptr, TRUE);
        NotifyParent(hwnd, CBN_KILLFOCUS);
        return 0;
    case WM_DESTROY: ToggleDropDown(hwnd, *state, false); return 0;
    // An open list wants Enter and Esc too: they choose and close it, not the dialog.
    case WM_GETDLGCODE: return state->dropDown ? DLGC_WANTALLKEYS | DLGC_WANTARROWS : DLGC_WANTARROWS;
    case WM_PAINT: Paint(hwnd, *state); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace wce::ui
