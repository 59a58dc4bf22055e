// Threads: CreateThread, exit codes, thread ids, Sleep.
#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>

#include <pthread.h>
#include <sched.h>
#include <unistd.h>

#include <windows.h>

#include "SyncObjects.h"

namespace wce {
namespace {

std::atomic<DWORD> nextThreadId { 1 };
thread_local DWORD currentThreadId = 0;

DWORD NewThreadId()
{
    return nextThreadId.fetch_add(1, std::memory_order_relaxed);
}

// Signalled when the thread's routine has returned.
class ThreadObject : public WaitableObject {
public:
    ThreadObject(LPTHREAD_START_ROUTINE start, LPVOID parameter)
        : WaitableObject(ObjectType::Thread), start(start), parameter(parameter), id(NewThreadId()) {}
    bool IsSignaled() const override { return finished; }

    const LPTHREAD_START_ROUTINE start;
    const LPVOID parameter;
    const DWORD id;
    DWORD exitCode = STILL_ACTIVE;   // WaitLock
    bool finished = false;           // WaitLock
};

// The thread holds its own reference to the object, so closing the handle early is harmless.
void* RunThread(void* argument)
{
    ThreadObject* thread = static_cast<ThreadObject*>(argument);
    currentThreadId = thread->id;
    DWORD code = thread->start(thread->parameter);
    {
        std::lock_guard<std::mutex> guard(WaitLock());
        thread->exitCode = code;
        thread->finished = true;
        WakeWaiters();
    }
    thread->Release();
    return nullptr;
}

bool StartThread(ThreadObject* thread, SIZE_T stackSize)
{
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    if (stackSize >= SIZE_T(PTHREAD_STACK_MIN))
        pthread_attr_setstacksize(&attributes, stackSize);
    pthread_t handle;
    int error = pthread_create(&handle, &attributes, RunThread, thread);
    pthread_attr_destroy(&attributes);
    return error == 0;
}

}  // namespace
}  // namespace wce

HANDLE CreateThread(LPSECURITY_ATTRIBUTES lpThreadAttributes, SIZE_T dwStackSize,
                    LPTHREAD_START_ROUTINE lpStartAddress, LPVOID lpParameter, DWORD dwCreationFlags,
                    LPDWORD lpThreadId)
{
    if (lpStartAddress == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (dwCreationFlags & CREATE_SUSPENDED) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return nullptr;
    }
    wce::ThreadObject* thread = new wce::ThreadObject(lpStartAddress, lpParameter);
    thread->AddRef();   // the running thread's reference
    DWORD id = thread->id;
    HANDLE handle = wce::InsertHandle(thread);
    if (handle == nullptr) {
        thread->Release();
        return nullptr;
    }
    if (!wce::StartThread(thread, dwStackSize)) {
        thread->Release();
        CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (lpThreadId != nullptr)
        *lpThreadId = id;
    return handle;
}

BOOL GetExitCodeThread(HANDLE hThread, LPDWORD lpExitCode)
{
    wce::ObjectRef<wce::ThreadObject> thread(hThread, wce::ObjectType::Thread);
    if (!thread)
        return FALSE;
    std::lock_guard<std::mutex> guard(wce::WaitLock());
    if (lpExitCode != nullptr)
        *lpExitCode = thread->exitCode;
    return TRUE;
}

// Threads not made by CreateThread (the main thread among them) get an id on first asking.
DWORD GetCurrentThreadId()
{
    if (wce::currentThreadId == 0)
        wce::currentThreadId = wce::NewThreadId();
    return wce::currentThreadId;
}

DWORD GetCurrentProcessId()
{
    return DWORD(getpid());
}

HANDLE GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(intptr_t(-1));
}

void Sleep(DWORD dwMilliseconds)
{
    if (dwMilliseconds == 0) {
        sched_yield();
        return;
    }
    while (dwMilliseconds == INFINITE)
        pause();
    timespec wait { time_t(dwMilliseconds / 1000), long(dwMilliseconds % 1000) * 1000000L };
    while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
}
