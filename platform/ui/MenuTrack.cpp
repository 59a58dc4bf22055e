// TrackPopupMenuEx: the owner prepares the popup in WM_INITMENUPOPUP, then the user's choice (given
// through automation on this headless screen) becomes the command.
#include <deque>

#include "MenuImpl.h"
#include "wce/Automation.h"
#include "wce/WinBase.h"

namespace wce::ui {

namespace {

struct TrackState {
    std::mutex lock;
    std::deque<UINT> choices;                                // queued by automation; 0 dismisses
    std::vector<wce::automation::PopupRecord> history;
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

}  // namespace

// Sends WM_INITMENUPOPUP for the popup and returns the command chosen (0 when dismissed).
UINT RunPopupMenu(HMENU menu, HWND owner, UINT position)
{
    SendMessageW(owner, WM_INITMENUPOPUP, WPARAM(menu), MAKELPARAM(position, FALSE));
    wce::automation::PopupRecord record = Snapshot(menu, owner);
    UINT choice = TakeChoice();
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
    UINT choice = RunPopupMenu(hMenu, hWnd, 0);
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
}

}  // namespace wce::automation
