// DialogPage: the base operations of every page and the dialog procedure that all pages share.
#include "DialogPage.h"

#include "AppState.h"
#include "BitmapImage.h"
#include "MenuBar.h"

#include <wce/CommCtrl.h>
#include <wce/Shell.h>

namespace {

DialogPage* PageOf(HWND dialog)
{
    return reinterpret_cast<DialogPage*>(GetWindowLongW(dialog, GWL_USERDATA));
}

const WCHAR* HelpTopic(int pageKind)
{
    switch (pageKind) {
    case PAGE_KIND_LOG: return u"log";
    case PAGE_KIND_BACKUP: return u"backup";
    case PAGE_KIND_OPTION: return u"option";
    case PAGE_KIND_SCAN: return u"scan";
    default: return nullptr;
    }
}

INT_PTR OnPageInit(HWND dialog, LPARAM second)
{
    auto* page = reinterpret_cast<DialogPage*>(second);
    SetWindowLongW(dialog, GWL_USERDATA, second);
    SHINITDLGINFO info = { SHIDIM_FLAGS, dialog, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN };
    SHInitDialog(&info);
    g_app.activeDialog = dialog;
    if (page) {
        page->dialog = dialog;
        page->OnInitDialog(dialog, 0, 0);
    }
    // The picture stays loaded until the program ends; a failed load leaves pages without one.
    if (!g_app.pageBackground)
        g_app.pageBackground = BitmapImage::Create(g_app.instance, BITMAP_PAGE_BACKGROUND);
    if (g_app.pageBackground && !g_app.pageBrush)
        g_app.pageBrush = CreatePatternBrush(g_app.pageBackground->bitmap);
    return 1;
}

// A pattern brush starts at the corner of the control that paints with it; moved to the dialog's
// corner, a control's background continues the picture drawn behind it instead of repeating its top.
void AlignPageBrush(HWND dialog, HDC dc, HWND control)
{
    POINT corner = { 0, 0 };
    MapWindowPoints(control, dialog, &corner, 1);
    SetBrushOrgEx(dc, -corner.x, -corner.y, nullptr);
}

INT_PTR OnPageErase(HDC dc)
{
    if (!g_app.pageBackground)
        return 0;
    if (GetSystemMetrics(SM_CXSCREEN) > 180) {
        g_app.pageBackground->Draw(dc, nullptr);
    } else {
        RECT target = { 0, 0, 176, 180 };
        g_app.pageBackground->Draw(dc, &target);
    }
    return 1;
}

void ForgetOpenPage(DialogPage* page)
{
    g_app.activeDialog = nullptr;
    if (page)
        page->dialog = nullptr;
    if (g_app.pageBrush) {
        DeleteObject(g_app.pageBrush);
        g_app.pageBrush = nullptr;
    }
}

INT_PTR OnPageClosing(HWND dialog, DialogPage* page, int id)
{
    if (page)
        page->OnClose(id);
    EndDialog(dialog, id);
    ForgetOpenPage(page);
    return 1;
}

// The program is ending under an open page (its quit ended the page's modal loop): the page
// closes as Cancel would close it, so nothing is saved, its run is stopped and nothing refers to
// the dialog afterwards. A page closed by its commands has already done this.
void OnPageDestroyed(HWND dialog, DialogPage* page)
{
    if (page->dialog != dialog)
        return;
    page->OnClose(IDCANCEL);
    ForgetOpenPage(page);
}

INT_PTR OnPageCommand(HWND dialog, DialogPage* page, WPARAM first, LPARAM second)
{
    int id = LOWORD(first);
    if (id == IDOK || id == IDCANCEL)
        return OnPageClosing(dialog, page, id);
    // A scrolled edit repaints its own background, or the picture behind it would smear.
    if (HIWORD(first) == EN_VSCROLL) {
        InvalidateRect(reinterpret_cast<HWND>(second), nullptr, TRUE);
        return 0;
    }
    if (page)
        page->OnCommand(id, first, second);
    return 0;
}

} // namespace

INT_PTR CALLBACK PageDialogProc(HWND dialog, UINT message, WPARAM first, LPARAM second)
{
    if (message == WM_INITDIALOG)
        return OnPageInit(dialog, second);
    DialogPage* page = PageOf(dialog);
    if (message == WM_COMMAND)
        return OnPageCommand(dialog, page, first, second);
    if (!page)
        return 0;
    switch (message) {
    case WM_ERASEBKGND: return OnPageErase(reinterpret_cast<HDC>(first));
    case WM_DESTROY: OnPageDestroyed(dialog, page); return 0;
    case WM_NOTIFY: page->OnNotify(second); return 0;
    case WM_TIMER: page->OnTimer(int(first)); return 0;
    case WM_INITMENUPOPUP: page->OnInitMenuPopup(reinterpret_cast<HMENU>(first), LOWORD(second)); return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        SetBkMode(reinterpret_cast<HDC>(first), TRANSPARENT);
        AlignPageBrush(dialog, reinterpret_cast<HDC>(first), reinterpret_cast<HWND>(second));
        return reinterpret_cast<INT_PTR>(g_app.pageBrush);
    case APPMSG_REVEAL_PAGE:
        CommandBar_Show(page->menuBar, TRUE);
        return 1;
    default: return 0;
    }
}

void DialogPage::Destroy(unsigned flags) noexcept
{
    this->~DialogPage();
    if (flags & 1)
        ::operator delete(this);
}

int DialogPage::SetItemState(int id, int state, HMENU menu) noexcept
{
    if (!menu) {
        SendMessageW(GetControl(this, id), BM_SETCHECK, WPARAM(state), 0);
        return 0;
    }
    CheckMenuItem(menu, UINT(id), MF_BYCOMMAND | ((state & 1) ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu, UINT(id), MF_BYCOMMAND | ((state & 2) ? MF_GRAYED : MF_ENABLED));
    return 0;
}

int DialogPage::OnTimer(int) noexcept { return 0; }
int DialogPage::Reserved3() noexcept { return 0; }
int DialogPage::Reserved6() noexcept { return 0; }
int DialogPage::OnNotify(LPARAM) noexcept { return 0; }
void DialogPage::OnInitMenuPopup(HMENU, int) noexcept {}
const LayoutEntry* DialogPage::GetLayout() noexcept { return nullptr; }

bool DialogPage::GetItemState(int id, int, HMENU menu) noexcept
{
    if (!menu)
        return SendMessageW(GetControl(this, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
    MENUITEMINFOW info = {};
    info.cbSize = 44;
    info.fMask = MIIM_STATE;
    if (!GetMenuItemInfoW(menu, UINT(id), FALSE, &info))
        return false;
    return (info.fState & MFS_CHECKED) != 0;
}

int DialogPage::OnInitDialog(HWND dialogWindow, WPARAM, LPARAM) noexcept
{
    if (menuBarId != 0)
        menuBar = CreateMenuBar(dialogWindow, menuBarId);
    WCHAR caption[64] = {};
    GetWindowTextW(dialogWindow, caption, 64);
    SetCaption(this, caption);
    ApplyLayout(this);
    return 0;
}

int DialogPage::OnCommand(int id, WPARAM, LPARAM) noexcept
{
    if (id != CMD_PAGE_HELP)
        return 0;
    // The about page has no help topic: help from it opens nothing.
    if (const WCHAR* topic = HelpTopic(GetPageKind()))
        ShowHelp(dialog, topic);
    return 0;
}

int DialogPage::OnClose(int) noexcept
{
    if (menuBar) {
        DestroyWindow(menuBar);
        menuBar = nullptr;
    }
    SetWindowTextW(GetParent(dialog), g_app.title);
    return 0;
}

INT_PTR DialogPage::DoModal(HWND owner, int, const PageTemplate* pageTemplate) noexcept
{
    if (!pageTemplate)
        return 1;
    menuBarId = pageTemplate->menuBarId;
    return DialogBoxParamW(g_app.resourceModule, MAKEINTRESOURCEW(pageTemplate->dialogId), owner,
                           PageDialogProc, reinterpret_cast<LPARAM>(this));
}
