// GetMessageW and PeekMessageW: sent messages first, then posted ones, quit, paint and timers,
// the order in which the platform hands them out.
#include <algorithm>
#include <atomic>

#include "MessageQueueImpl.h"
#include "ModalWait.h"
#include "WindowImpl.h"
#include "wce/WinBase.h"

namespace wce::ui {

HWND FindWindowNeedingPaint(DWORD threadId, HWND filter);

namespace {

bool InRange(UINT message, UINT low, UINT high)
{
    return (low == 0 && high == 0) || (message >= low && message <= high);
}

bool MatchesWindow(HWND hwnd, HWND filter)
{
    return !filter || hwnd == filter || IsChild(filter, hwnd);
}

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg {};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = DWORD(UiNow());
    return msg;
}

bool TakePosted(ThreadQueue& queue, MSG& out, HWND filter, UINT low, UINT high, bool remove)
{
    std::lock_guard<std::mutex> guard(queue.lock);
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (InRange(it->message, low, high) && MatchesWindow(it->hwnd, filter)) {
            out = *it;
            if (remove)
                queue.posted.erase(it);
            return true;
        }
    }
    if (queue.quit && InRange(WM_QUIT, low, high)) {
        out = MakeMessage(nullptr, WM_QUIT, WPARAM(queue.quitCode), 0);
        if (remove)
            queue.quit = false;
        return true;
    }
    return false;
}

// A timer that fell behind gives one WM_TIMER, not one per missed interval.
bool TakeTimer(ThreadQueue& queue, MSG& out, HWND filter, UINT low, UINT high, bool remove)
{
    if (!InRange(WM_TIMER, low, high))
        return false;
    std::lock_guard<std::mutex> guard(queue.lock);
    int64_t now = UiNow();
    for (Timer& timer : queue.timers) {
        if (timer.due <= now && MatchesWindow(timer.hwnd, filter)) {
            out = MakeMessage(timer.hwnd, WM_TIMER, timer.id, LPARAM(timer.proc));
            if (remove)
                timer.due = now + timer.interval;
            return true;
        }
    }
    return false;
}

bool FetchMessage(MSG& out, HWND filter, UINT low, UINT high, bool remove, bool wait)
{
    auto queue = CurrentQueue();
    for (;;) {
        ProcessSentMessages(*queue);
        if (TakePosted(*queue, out, filter, low, high, remove))
            return true;
        if (InRange(WM_PAINT, low, high)) {
            if (HWND dirty = FindWindowNeedingPaint(queue->threadId, filter)) {
                out = MakeMessage(dirty, WM_PAINT, 0, 0);
                return true;
            }
        }
        if (TakeTimer(*queue, out, filter, low, high, remove))
            return true;
        if (!wait)
            return false;
        WaitForWork(*queue);
    }
}

}  // namespace

void ModalWaitUntil(HWND owner, const std::function<bool()>& done, HWND dialog)
{
    auto queue = CurrentQueue();
    // An owner on another thread (a worker's question to the dialog) is left enabled: disabling
    // it would mean a send to a thread that may be waiting for this one.
    bool ownThread = owner && GetWindowThreadProcessId(owner, nullptr) == CurrentUiThreadId();
    bool disabled = ownThread && IsWindowEnabled(owner);
    if (disabled)
        EnableWindow(owner, FALSE);
    ++queue->modalDepth;
    while (!done()) {
        MSG msg {};
        if (!FetchMessage(msg, nullptr, 0, 0, true, false)) {
            WaitForWork(*queue);
            continue;
        }
        if (msg.message == WM_QUIT) {
            // The loop outside the modal one must see the quit too.
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (dialog && IsDialogMessageW(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    --queue->modalDepth;
    if (disabled && IsWindow(owner))
        EnableWindow(owner, TRUE);
}

}  // namespace wce::ui

using namespace wce::ui;

BOOL GetMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg || (hWnd && !IsWindow(hWnd))) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    FetchMessage(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, true, true);
    return lpMsg->message != WM_QUIT;
}

BOOL PeekMessageW(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg)
        return FALSE;
    return FetchMessage(*lpMsg, hWnd, wMsgFilterMin, wMsgFilterMax, (wRemoveMsg & PM_REMOVE) != 0, false);
}

// Key presses need no character translation here: the keys we get are already characters or
// virtual keys.
BOOL TranslateMessage(const MSG* lpMsg)
{
    if (!lpMsg || lpMsg->message != WM_KEYDOWN)
        return FALSE;
    WPARAM key = lpMsg->wParam;
    if (key == VK_RETURN || key == VK_ESCAPE || key == VK_BACK || key == VK_TAB || key == VK_SPACE)
        return PostMessageW(lpMsg->hwnd, WM_CHAR, key, lpMsg->lParam);
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* lpMsg)
{
    if (!lpMsg)
        return 0;
    if (lpMsg->message == WM_TIMER && lpMsg->lParam) {
        reinterpret_cast<TIMERPROC>(lpMsg->lParam)(lpMsg->hwnd, WM_TIMER, UINT(lpMsg->wParam), lpMsg->time);
        return 0;
    }
    if (!lpMsg->hwnd)
        return 0;
    return CallWindowOnThisThread(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

DWORD GetMessagePos()
{
    return 0;
}

LONG GetMessageTime()
{
    return LONG(UiNow());
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR nIDEvent, UINT uElapse, TIMERPROC lpTimerFunc)
{
    static std::atomic<UINT_PTR> nextThreadTimer { 0x7000 };
    DWORD threadId = CurrentUiThreadId();
    if (hWnd) {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (!window) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        threadId = window->threadId;
    } else {
        nIDEvent = nextThreadTimer++;
    }
    auto queue = QueueOfThread(threadId);
    if (!queue)
        return 0;
    UINT interval = std::max<UINT>(uElapse, 1);
    std::lock_guard<std::mutex> guard(queue->lock);
    Timer timer { hWnd, nIDEvent, interval, UiNow() + interval, lpTimerFunc };
    auto same = std::find_if(queue->timers.begin(), queue->timers.end(),
                             [&](const Timer& t) { return t.hwnd == hWnd && t.id == nIDEvent; });
    if (same != queue->timers.end())
        *same = timer;   // setting a running timer again restarts it with the new interval
    else
        queue->timers.push_back(timer);
    queue->wake.notify_all();
    return hWnd ? (nIDEvent ? nIDEvent : 1) : nIDEvent;
}

BOOL KillTimer(HWND hWnd, UINT_PTR uIDEvent)
{
    DWORD threadId = CurrentUiThreadId();
    if (hWnd) {
        std::lock_guard<std::recursive_mutex> guard(TableLock());
        Window* window = FindWindowRecord(hWnd);
        if (window)
            threadId = window->threadId;
    }
    auto queue = QueueOfThread(threadId);
    if (!queue)
        return FALSE;
    std::lock_guard<std::mutex> guard(queue->lock);
    size_t removed = std::erase_if(queue->timers, [&](const Timer& t) { return t.hwnd == hWnd && t.id == uIDEvent; });
    // A WM_TIMER already taken is not recalled, as on the platform; one still to come is.
    return removed ? TRUE : FALSE;
}
