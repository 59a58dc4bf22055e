// TrackPopupMenuEx: the owner prepares the popup in WM_INITMENUPOPUP, then the choice becomes the
// command: one queued by automation at once, otherwise the user's, from the popup's window while
// the thread keeps handling its messages.
#include <deque>

#include "GdiLink.h"
#include "MenuImpl.h"
#include "MessageQueueImpl.h"
#include "ModalWait.h"
#include "wce/Automation.h"
#include "wce/WinBase.h"

namespace wce::ui {

namespace {

struct TrackState {
    std::mutex lock;
    std::deque<UINT> choices;                                // queued by automation; 0 dismisses
    std::vector<wce::automation::PopupRecord> history;
    bool wait = false;                                       // a popup without a queued choice stays up
    bool automation = false;                                 // so it does while the automation socket is on
    uint64_t resets = 0;                                     // ResetPopups closes the popups that are up
};

TrackState& Tracks()
{
    static TrackState* state = new TrackState;
    return *state;
}

wce::automation::PopupRecord Snapshot(HMENU menu, HWND owner)
{
    wce::automation::PopupRecord record;
    record.menu = menu;
    record.owner = owner;
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    if (Menu* popup = FindMenuRecord(menu))
        for (const MenuItem& item : popup->items)
            record.items.push_back({ item.id, MenuItemLabel(item.text), item.state, item.type == MFT_SEPARATOR,
                                     item.subMenu != nullptr });
    return record;
}

bool HasQueuedChoice()
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    return !Tracks().choices.empty();
}

bool ShouldWait(uint64_t& resets)
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    resets = Tracks().resets;
    return (Tracks().wait || Tracks().automation) && CanPaint();
}

bool WasReset(uint64_t resets)
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    return Tracks().resets != resets;
}

UINT TakeChoice()
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    if (Tracks().choices.empty())
        return 0;
    UINT choice = Tracks().choices.front();
    Tracks().choices.pop_front();
    return choice;
}

// A choice counts only when the popup (or one of its popups) holds it as an enabled command.
bool IsChoosable(HMENU menu, UINT id)
{
    std::lock_guard<std::recursive_mutex> guard(MenuLock());
    UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
    return state != UINT(-1) && !(state & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR | MF_POPUP));
}

// The menu's own loop: messages sent from other threads and posted ones keep being handled, and
// the keys go to the menu whichever window they were meant for. A choice automation queues
// meanwhile is taken in place of the user's.
UINT TrackOnScreen(HMENU menu, HWND owner, const PopupPlacement& place, uint64_t resets)
{
    HWND popup = OpenPopupWindow(menu, owner, place.anchor, place.flags);
    if (!popup)
        return 0;
    auto queue = CurrentQueue();
    UINT chosen = 0;
    bool queued = false;
    while (!PopupWindowEnded(popup, chosen) && !(queued = HasQueuedChoice()) && !WasReset(resets)) {
        MSG msg {};
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            WaitForWork(*queue);
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam));   // the loop outside the menu must see it too
            break;
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR)
            msg.hwnd = popup;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    ClosePopupWindow(popup);
    return queued ? TakeChoice() : chosen;
}

}  // namespace

UINT RunPopupMenu(HMENU menu, HWND owner, UINT position, const PopupPlacement& place)
{
    SendMessageW(owner, WM_INITMENUPOPUP, WPARAM(menu), MAKELPARAM(position, FALSE));
    wce::automation::PopupRecord record = Snapshot(menu, owner);
    uint64_t resets = 0;
    UINT choice = HasQueuedChoice() || !ShouldWait(resets) ? TakeChoice() : TrackOnScreen(menu, owner, place, resets);
    if (choice && !IsChoosable(menu, choice))
        choice = 0;
    record.chosen = choice;
    std::lock_guard<std::mutex> guard(Tracks().lock);
    Tracks().history.push_back(record);
    return choice;
}

}  // namespace wce::ui

using namespace wce::ui;

BOOL TrackPopupMenuEx(HMENU hMenu, UINT uFlags, int x, int y, HWND hWnd, LPTPMPARAMS lptpm)
{
    {
        std::lock_guard<std::recursive_mutex> guard(MenuLock());
        if (!FindMenuRecord(hMenu)) {
            SetLastError(ERROR_INVALID_MENU_HANDLE);
            return FALSE;
        }
    }
    if (!IsWindow(hWnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    UINT choice = RunPopupMenu(hMenu, hWnd, 0, PopupPlacement { POINT { x, y }, uFlags });
    if (uFlags & TPM_RETURNCMD)
        return BOOL(choice);
    if (choice && !(uFlags & TPM_NONOTIFY))
        PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(choice, 0), 0);
    return TRUE;
}

BOOL TrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int nReserved, HWND hWnd, const RECT* prcRect)
{
    return TrackPopupMenuEx(hMenu, uFlags, x, y, hWnd, nullptr);
}

namespace wce::automation {

void QueueMenuChoice(UINT commandId)
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    Tracks().choices.push_back(commandId);
    WakeModalWaiters();   // a popup that is up takes it
}

void SetPopupsWait(bool wait)
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    Tracks().wait = wait;
}

void SetPopupsWaitForAutomation(bool wait)
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    Tracks().automation = wait;
}

std::vector<PopupRecord> GetPopupHistory()
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    return Tracks().history;
}

void ResetPopups()
{
    std::lock_guard<std::mutex> guard(Tracks().lock);
    Tracks().choices.clear();
    Tracks().history.clear();
    Tracks().wait = false;
    ++Tracks().resets;
    WakeModalWaiters();
}

}  // namespace wce::automation
