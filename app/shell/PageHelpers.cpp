// The helpers pages call on their dialog: strings, caption, layout and question boxes.
#include "DialogPage.h"

#include "AppState.h"

#include <new>

namespace {

void ToClient(HWND dialog, RECT& rect)
{
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
}

void StretchControl(HWND control, const RECT& client, const RECT& own, uint32_t mode)
{
    const int width = client.right - own.left;
    if (mode == 1) {
        if (client.bottom - own.bottom > 3 || client.right - own.right > 3)
            MoveWindow(control, own.left, own.top, width, client.bottom - own.top - 2, TRUE);
    } else if (client.right - own.right > 3) {
        MoveWindow(control, own.left, own.top, width, own.bottom - own.top, TRUE);
    }
}

} // namespace

HWND GetControl(DialogPage* page, int id)
{
    return GetDlgItem(page->dialog, id);
}

int LoadResString(WCHAR* buffer, UINT id, int size)
{
    // A missing string leaves the caller's prepared text in place.
    LoadStringW(g_app.resourceModule, id, buffer, size - 1);
    return 0;
}

int SetCaption(DialogPage* page, const WCHAR* text)
{
    WCHAR caption[166] = {};
    WCHAR composed[1025] = {};
    wsprintfW(composed, u"%s %s", g_app.title, text);
    lstrcpynW(caption, composed, 166);
    HWND target = IsPocketPcFamily() ? GetParent(page->dialog) : page->dialog;
    SetWindowTextW(target, caption);
    return 0;
}

void ApplyLayout(DialogPage* page)
{
    const LayoutEntry* entry = page->GetLayout();
    if (!entry)
        return;
    RECT client = {};
    GetClientRect(page->dialog, &client);
    for (; entry->controlId != 0; ++entry) {
        HWND control = GetControl(page, int(entry->controlId));
        if (!control)
            continue;
        RECT own = {};
        GetWindowRect(control, &own);
        ToClient(page->dialog, own);
        StretchControl(control, client, own, entry->mode);
    }
}

int ShowMessage(DialogPage* page, const WCHAR* text)
{
    WCHAR caption[64] = {};
    LoadResString(caption, 40092, 64);
    return MessageBoxW(page->dialog, text, caption, MB_YESNO | MB_ICONQUESTION);
}

namespace {

// Both buffers are 4096 characters; without memory for them the answer is No, which leaves
// everything as it is.
template <typename Arg>
int AskWith(DialogPage* page, UINT formatId, Arg first, Arg second)
{
    static constexpr int BUFFER_CHARS = 4096;
    WCHAR* format = new (std::nothrow) WCHAR[BUFFER_CHARS]();
    WCHAR* text = new (std::nothrow) WCHAR[BUFFER_CHARS]();
    int answer = IDNO;
    if (format && text) {
        LoadResString(format, formatId, 128);
        wsprintfW(text, format, first, second);
        answer = ShowMessage(page, text);
    }
    delete[] format;
    delete[] text;
    return answer;
}

} // namespace

int AskFormatted(DialogPage* page, UINT formatId, const WCHAR* first, const WCHAR* second)
{
    return AskWith(page, formatId, first ? first : u"", second ? second : u"");
}

int AskFormatted(DialogPage* page, UINT formatId, int first, int second)
{
    return AskWith(page, formatId, first, second);
}
