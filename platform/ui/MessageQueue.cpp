// Thread queues and the delivery of sent and posted messages between threads.
#include "MessageQueueImpl.h"

#include <atomic>
#include <chrono>
#include <map>

#include "ModalWait.h"
#include "RemoteProtocol.h"
#include "WindowImpl.h"
#include "wce/WinBase.h"

namespace wce::ui {

namespace {

struct QueueRegistry {
    std::mutex lock;
    std::map<DWORD, std::shared_ptr<ThreadQueue>> queues;
};

QueueRegistry& Registry()
{
    static QueueRegistry* registry = new QueueRegistry;   // outlives every thread's queue
    return *registry;
}

std::atomic<int64_t> clockOffset { 0 };

void CompleteSent(SentMessage& message, LRESULT result)
{
    std::lock_guard<std::mutex> guard(message.sender->lock);
    message.result = result;
    message.done = true;
    message.sender->wake.notify_all();
}

// When a thread ends, senders still waiting on it get 0 instead of blocking forever.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder()
    {
        if (!queue)
            return;
        std::deque<std::shared_ptr<SentMessage>> orphans;
        {
            std::lock_guard<std::mutex> guard(queue->lock);
            queue->alive = false;
            orphans.swap(queue->sent);
        }
        for (auto& message : orphans)
            CompleteSent(*message, 0);
        std::lock_guard<std::mutex> guard(Registry().lock);
        Registry().queues.erase(queue->threadId);
    }
};

thread_local QueueHolder currentHolder;

}  // namespace

DWORD CurrentUiThreadId()
{
    return GetCurrentThreadId();   // the kernel's numbering, so PostThreadMessageW takes its ids
}

std::shared_ptr<ThreadQueue> CurrentQueue()
{
    if (!currentHolder.queue) {
        auto queue = std::make_shared<ThreadQueue>();
        queue->threadId = CurrentUiThreadId();
        std::lock_guard<std::mutex> guard(Registry().lock);
        Registry().queues[queue->threadId] = queue;
        currentHolder.queue = queue;
    }
    return currentHolder.queue;
}

std::shared_ptr<ThreadQueue> QueueOfThread(DWORD threadId)
{
    if (threadId == CurrentUiThreadId())
        return CurrentQueue();
    std::lock_guard<std::mutex> guard(Registry().lock);
    auto found = Registry().queues.find(threadId);
    return found == Registry().queues.end() ? nullptr : found->second;
}

int64_t UiNow()
{
    using namespace std::chrono;
    int64_t real = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return real + clockOffset.load();
}

void AdvanceUiClock(DWORD milliseconds)
{
    clockOffset += milliseconds;
    WakeModalWaiters();
}

void WakeModalWaiters()
{
    std::lock_guard<std::mutex> guard(Registry().lock);
    for (auto& entry : Registry().queues) {
        std::lock_guard<std::mutex> queueGuard(entry.second->lock);
        entry.second->woken = true;
        entry.second->wake.notify_all();
    }
}

void WakeThread(DWORD threadId)
{
    auto queue = QueueOfThread(threadId);
    if (!queue)
        return;
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->woken = true;
    queue->wake.notify_all();
}

void ProcessSentMessages(ThreadQueue& queue)
{
    for (;;) {
        std::shared_ptr<SentMessage> message;
        {
            std::lock_guard<std::mutex> guard(queue.lock);
            if (queue.sent.empty())
                return;
            message = queue.sent.front();
            queue.sent.pop_front();
        }
        LRESULT result = CallWindowOnThisThread(message->hwnd, message->message, message->wParam,
                                                message->lParam);
        CompleteSent(*message, result);
    }
}

static int64_t NextTimerDue(ThreadQueue& queue)
{
    int64_t next = INT64_MAX;
    for (const Timer& timer : queue.timers)
        next = std::min(next, timer.due);
    return next;
}

void WaitForWork(ThreadQueue& queue)
{
    std::unique_lock<std::mutex> guard(queue.lock);
    auto ready = [&] { return queue.woken || queue.quit || !queue.sent.empty() || !queue.posted.empty(); };
    // A window invalidated by another thread wakes us too; the cap on the wait is only a safety net.
    int64_t wait = std::min<int64_t>(NextTimerDue(queue) - UiNow(), 200);
    if (wait > 0)
        queue.wake.wait_for(guard, std::chrono::milliseconds(wait), ready);
    queue.woken = false;
}

void KillWindowTimers(HWND hwnd, DWORD threadId)
{
    auto queue = QueueOfThread(threadId);
    if (!queue)
        return;
    std::lock_guard<std::mutex> guard(queue->lock);
    std::erase_if(queue->timers, [hwnd](const Timer& timer) { return timer.hwnd == hwnd; });
}

static bool WindowThread(HWND hwnd, DWORD& threadId)
{
    std::lock_guard<std::recursive_mutex> guard(TableLock());
    Window* window = FindWindowRecord(hwnd);
    if (!window)
        return false;
    threadId = window->threadId;
    return true;
}

// Waits for a sent message to be handled, handling meanwhile what others send to us: a window
// procedure that sends back to our windows while handling ours must not deadlock.
static LRESULT WaitForReply(ThreadQueue& me, SentMessage& message)
{
    for (;;) {
        ProcessSentMessages(me);
        std::unique_lock<std::mutex> guard(me.lock);
        if (message.done)
            return message.result;
        me.wake.wait(guard, [&] { return message.done || !me.sent.empty(); });
        if (message.done)
            return message.result;
    }
}

}  // namespace wce::ui

using namespace wce::ui;

LRESULT SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (IsRemoteWindow(hWnd)) {
        LRESULT result = 0;
        if (!IsRemoteMessageAllowed(Msg) || !CallRemote(hWnd, REMOTE_SEND, Msg, wParam, lParam, result))
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return result;
    }
    DWORD threadId = 0;
    if (!WindowThread(hWnd, threadId)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (threadId == CurrentUiThreadId())
        return CallWindowOnThisThread(hWnd, Msg, wParam, lParam);
    auto target = QueueOfThread(threadId);
    if (!target)
        return 0;
    auto me = CurrentQueue();
    auto message = std::make_shared<SentMessage>();
    message->hwnd = hWnd;
    message->message = Msg;
    message->wParam = wParam;
    message->lParam = lParam;
    message->sender = me;
    {
        std::lock_guard<std::mutex> guard(target->lock);
        if (!target->alive)
            return 0;
        target->sent.push_back(message);
        target->wake.notify_all();
    }
    return WaitForReply(*me, *message);
}

static BOOL PostToQueue(const std::shared_ptr<ThreadQueue>& queue, HWND hwnd, UINT msg, WPARAM wParam,
                        LPARAM lParam)
{
    if (!queue)
        return FALSE;
    MSG message {};
    message.hwnd = hwnd;
    message.message = msg;
    message.wParam = wParam;
    message.lParam = lParam;
    message.time = DWORD(UiNow());
    std::lock_guard<std::mutex> guard(queue->lock);
    if (!queue->alive)
        return FALSE;
    queue->posted.push_back(message);
    queue->wake.notify_all();
    return TRUE;
}

BOOL PostMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!hWnd)
        return PostToQueue(CurrentQueue(), nullptr, Msg, wParam, lParam);
    if (IsRemoteWindow(hWnd)) {
        LRESULT posted = 0;
        return IsRemoteMessageAllowed(Msg) && CallRemote(hWnd, REMOTE_POST, Msg, wParam, lParam, posted) && posted;
    }
    DWORD threadId = 0;
    if (!WindowThread(hWnd, threadId)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostToQueue(QueueOfThread(threadId), hWnd, Msg, wParam, lParam);
}

BOOL PostThreadMessageW(DWORD idThread, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (!PostToQueue(QueueOfThread(idThread), nullptr, Msg, wParam, lParam)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

void PostQuitMessage(int nExitCode)
{
    auto queue = CurrentQueue();
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->quit = true;
    queue->quitCode = nExitCode;
}
