// Modal waits: until the message queues land, a waiter sleeps on one condition variable.
#include "ModalWait.h"

#include <condition_variable>
#include <mutex>
#include <pthread.h>

namespace wce::ui {

namespace {
std::mutex& WaitLock() { static std::mutex* m = new std::mutex; return *m; }
std::condition_variable& WaitSignal() { static auto* c = new std::condition_variable; return *c; }
}  // namespace

DWORD CurrentUiThreadId()
{
    return DWORD(reinterpret_cast<uintptr_t>(reinterpret_cast<void*>(pthread_self())) & 0xFFFFFFFFu);
}

void ModalWaitUntil(HWND owner, const std::function<bool()>& done)
{
    std::unique_lock<std::mutex> guard(WaitLock());
    while (!done())
        WaitSignal().wait_for(guard, std::chrono::milliseconds(20));
}

void WakeModalWaiters()
{
    std::lock_guard<std::mutex> guard(WaitLock());
    WaitSignal().notify_all();
}

}  // namespace wce::ui
