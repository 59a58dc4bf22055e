// The EDIT class: single-line and multi-line edits, read-only or not, with word wrap, selection,
// scrolling by keys and by dragging with the stylus, and the EN_ notifications.
#include <algorithm>

#include "ControlPaint.h"
#include "EditLayout.h"
#include "WindowImpl.h"

namespace wce::ui {

namespace {

struct EditState : ControlState {
    size_t selStart = 0;
    size_t selEnd = 0;
    int firstLine = 0;
    int dragY = -1;        // stylus position of a scroll drag, -1 when none
    size_t limit = 30000;
};

struct EditView {
    HWND hwnd;
    EditState* state;
    std::u16string text;
    DWORD style;
    HGDIOBJ font;
};

EditView Open(HWND hwnd)
{
    EditView view { hwnd, ControlOf<EditState>(hwnd), {}, 0, nullptr };
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    if (Window* window = FindWindowRecord(hwnd)) {
        view.text = window->text;
        view.style = window->style;
        view.font = window->font;
    }
    return view;
}

void StoreText(HWND hwnd, const std::u16string& text)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    if (Window* window = FindWindowRecord(hwnd))
        window->text = text;
}

std::vector<EditLine> Lines(const EditView& view)
{
    RECT client {};
    GetClientRect(view.hwnd, &client);
    bool wrap = (view.style & ES_MULTILINE) && !(view.style & WS_HSCROLL) && !(view.style & ES_AUTOHSCROLL);
    HGDIOBJ font = view.font;
    return LayoutEditLines(view.text, wrap ? int(client.right - client.left) - 4 : 0,
                           [font](const char16_t* text, int count) { return MeasureText(font, text, count); });
}

int VisibleLineCount(const EditView& view)
{
    RECT client {};
    GetClientRect(view.hwnd, &client);
    return std::max(1, int(client.bottom - client.top) / LineHeight(view.font));
}

int LineOfChar(const std::vector<EditLine>& lines, size_t index)
{
    int line = 0;
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].start <= index)
            line = int(i);
    return line;
}

// Scrolls to make firstLine the top line, within range; tells the parent when the view moved.
bool ScrollTo(const EditView& view, int firstLine)
{
    int count = int(Lines(view).size());
    int top = std::clamp(firstLine, 0, std::max(0, count - VisibleLineCount(view)));
    if (top == view.state->firstLine)
        return false;
    view.state->firstLine = top;
    InvalidateRect(view.hwnd, nullptr, TRUE);
    NotifyParent(view.hwnd, EN_VSCROLL);
    return true;
}

LRESULT SetSelection(EditView view, WPARAM start, LPARAM end)
{
    size_t size = view.text.size();
    if (int(start) == -1) {   // -1 removes the selection and keeps the caret
        view.state->selStart = view.state->selEnd;
        return 0;
    }
    size_t from = std::min<size_t>(size_t(int(start) < 0 ? 0 : start), size);
    size_t to = int(end) < 0 ? size : std::min<size_t>(size_t(end), size);
    view.state->selStart = std::min(from, to);
    view.state->selEnd = std::max(from, to);
    InvalidateRect(view.hwnd, nullptr, TRUE);
    return 0;
}

LRESULT ReplaceSelection(EditView view, LPCWSTR replacement)
{
    std::u16string insert = replacement ? replacement : u"";
    size_t start = std::min(view.state->selStart, view.text.size());
    size_t end = std::min(view.state->selEnd, view.text.size());
    size_t room = view.state->limit > view.text.size() - (end - start) ? view.state->limit - (view.text.size() - (end - start)) : 0;
    if (insert.size() > room)
        insert.resize(room);   // the rest is dropped, as the platform does at the text limit
    view.text.replace(start, end - start, insert);
    StoreText(view.hwnd, view.text);
    view.state->selStart = view.state->selEnd = start + insert.size();
    InvalidateRect(view.hwnd, nullptr, TRUE);
    NotifyParent(view.hwnd, EN_UPDATE);
    NotifyParent(view.hwnd, EN_CHANGE);
    return 0;
}

LRESULT ScrollCaret(const EditView& view)
{
    std::vector<EditLine> lines = Lines(view);
    int caretLine = LineOfChar(lines, view.state->selEnd);
    int visible = VisibleLineCount(view);
    if (caretLine < view.state->firstLine)
        ScrollTo(view, caretLine);
    else if (caretLine >= view.state->firstLine + visible)
        ScrollTo(view, caretLine - visible + 1);
    return TRUE;
}

LRESULT ScrollBy(const EditView& view, int code)
{
    int page = VisibleLineCount(view);
    int lines = 0;
    switch (code) {
    case SB_LINEUP: lines = -1; break;
    case SB_LINEDOWN: lines = 1; break;
    case SB_PAGEUP: lines = -page; break;
    case SB_PAGEDOWN: lines = page; break;
    case SB_TOP: lines = -view.state->firstLine; break;
    case SB_BOTTOM: lines = int(Lines(view).size()); break;
    default: return FALSE;
    }
    int before = view.state->firstLine;
    ScrollTo(view, before + lines);
    return MAKELRESULT(WORD(view.state->firstLine - before), TRUE);
}

bool HandleKey(const EditView& view, WPARAM key)
{
    switch (key) {
    case VK_UP: ScrollBy(view, SB_LINEUP); return true;
    case VK_DOWN: ScrollBy(view, SB_LINEDOWN); return true;
    case VK_PRIOR: ScrollBy(view, SB_PAGEUP); return true;
    case VK_NEXT: ScrollBy(view, SB_PAGEDOWN); return true;
    case VK_HOME: ScrollBy(view, SB_TOP); return true;
    case VK_END: ScrollBy(view, SB_BOTTOM); return true;
    default: return false;
    }
}

void TypeChar(EditView view, WPARAM ch)
{
    if (view.style & ES_READONLY)
        return;
    if (ch == VK_BACK) {
        if (view.state->selStart == view.state->selEnd && view.state->selStart > 0)
            --view.state->selStart;
        ReplaceSelection(view, u"");
        return;
    }
    if (ch == VK_RETURN && !(view.style & ES_MULTILINE))
        return;
    std::u16string text = ch == VK_RETURN ? std::u16string(u"\r\n") : std::u16string(1, char16_t(ch));
    if (ch >= 0x20 || ch == VK_RETURN)
        ReplaceSelection(view, text.c_str());
}

// The stylus scrolls the text by whole lines as it is dragged.
void Drag(const EditView& view, int y)
{
    if (view.state->dragY < 0)
        return;
    int lineHeight = LineHeight(view.font);
    int lines = (view.state->dragY - y) / lineHeight;
    if (lines != 0) {
        ScrollTo(view, view.state->firstLine + lines);
        view.state->dragY -= lines * lineHeight;
    }
}

void Paint(const EditView& view)
{
    std::vector<EditLine> lines = Lines(view);
    bool enabled = IsWindowEnabled(view.hwnd);
    int lineHeight = LineHeight(view.font);
    UINT colour = (view.style & ES_READONLY) ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT;
    PaintControl(view.hwnd, colour, [&](HDC hdc, RECT client) {
        HGDIOBJ old = view.font ? SelectObject(hdc, view.font) : nullptr;
        if (view.style & WS_BORDER)
            FrameRect(hdc, &client, GetSysColorBrush(COLOR_WINDOWFRAME));
        int y = client.top + 1;
        for (size_t i = size_t(view.state->firstLine); i < lines.size() && y < client.bottom; ++i, y += lineHeight) {
            RECT row { client.left + 2, y, client.right - 2, y + lineHeight };
            DrawControlText(hdc, view.text.substr(lines[i].start, lines[i].length), row,
                            DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, enabled);
        }
        if (old)
            SelectObject(hdc, old);
    });
}

LRESULT LineIndex(const EditView& view, WPARAM line)
{
    std::vector<EditLine> lines = Lines(view);
    int index = int(line) == -1 ? LineOfChar(lines, view.state->selEnd) : int(line);
    return index >= 0 && size_t(index) < lines.size() ? LRESULT(lines[size_t(index)].start) : -1;
}

LRESULT EditMessage(const EditView& view, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case EM_GETSEL:
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = DWORD(view.state->selStart);
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = DWORD(view.state->selEnd);
        return MAKELRESULT(WORD(view.state->selStart), WORD(view.state->selEnd));
    case EM_SETSEL: return SetSelection(view, wParam, lParam);
    case EM_REPLACESEL: return ReplaceSelection(view, reinterpret_cast<LPCWSTR>(lParam));
    case EM_SCROLLCARET: return ScrollCaret(view);
    case EM_GETLINECOUNT: return LRESULT(Lines(view).size());
    case EM_GETFIRSTVISIBLELINE: return view.state->firstLine;
    case EM_SCROLL: return ScrollBy(view, int(wParam));
    case EM_LINESCROLL: ScrollTo(view, view.state->firstLine + int(lParam)); return TRUE;
    case EM_LINEINDEX: return LineIndex(view, wParam);
    case EM_LINEFROMCHAR: return LineOfChar(Lines(view), int(wParam) < 0 ? view.state->selEnd : size_t(wParam));
    case EM_LINELENGTH: {
        std::vector<EditLine> lines = Lines(view);
        return LRESULT(lines[size_t(LineOfChar(lines, size_t(wParam)))].length);
    }
    case EM_LIMITTEXT: view.state->limit = wParam ? size_t(wParam) : 0x7FFFFFFE; return 0;
    case EM_SETREADONLY:
        SetWindowLongW(view.hwnd, GWL_STYLE, wParam ? (view.style | ES_READONLY) : (view.style & ~ES_READONLY));
        return TRUE;
    default: return 0;
    }
}

}  // namespace

LRESULT EditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= EM_GETSEL && message <= EM_SETREADONLY)
        return EditMessage(Open(hwnd), message, wParam, lParam);
    switch (message) {
    case WM_SETTEXT: {
        LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        EditState* state = ControlOf<EditState>(hwnd);
        state->selStart = state->selEnd = 0;
        state->firstLine = 0;
        return result;
    }
    case WM_SETFOCUS: NotifyParent(hwnd, EN_SETFOCUS); return 0;
    case WM_KILLFOCUS: NotifyParent(hwnd, EN_KILLFOCUS); return 0;
    case WM_KEYDOWN: return HandleKey(Open(hwnd), wParam) ? 0 : DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_CHAR: TypeChar(Open(hwnd), wParam); return 0;
    case WM_VSCROLL: ScrollBy(Open(hwnd), LOWORD(wParam)); return 0;
    case WM_LBUTTONDOWN:
        SetFocus(hwnd);
        SetCapture(hwnd);
        ControlOf<EditState>(hwnd)->dragY = short(HIWORD(lParam));
        return 0;
    case WM_MOUSEMOVE:
        if (wParam & MK_LBUTTON)
            Drag(Open(hwnd), short(HIWORD(lParam)));
        return 0;
    case WM_LBUTTONUP:
        ControlOf<EditState>(hwnd)->dragY = -1;
        ReleaseCapture();
        return 0;
    case WM_GETDLGCODE: return DLGC_HASSETSEL | DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_PAINT: Paint(Open(hwnd)); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace wce::ui
