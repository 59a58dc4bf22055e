// Events, semaphores, waits, critical sections.
#include <chrono>
#include <vector>

#include <pthread.h>

#include <windows.h>

#include "HostPath.h"
#include "SyncObjects.h"

namespace wce {
namespace {

std::mutex waitLock;
std::condition_variable waitSignal;

bool IsWaitable(ObjectType type)
{
    return type == ObjectType::Thread || type == ObjectType::Event || type == ObjectType::Semaphore ||
           type == ObjectType::Process;
}

// What GetCurrentProcess names: a process that is running, so a wait on it is never satisfied; it
// times out, or lasts for ever.
class RunningProcess : public WaitableObject {
public:
    RunningProcess() : WaitableObject(ObjectType::Process) {}
    bool IsSignaled() const override { return false; }
};

// One reference added; the object itself is never freed.
KernelObject* ReferenceCurrentProcess()
{
    static RunningProcess* process = new RunningProcess;
    process->AddRef();
    return process;
}

// References to the objects of the handles, or false (ERROR_INVALID_HANDLE) when one is not waitable.
bool ReferenceWaitables(DWORD count, const HANDLE* handles, std::vector<WaitableObject*>& objects)
{
    for (DWORD i = 0; i < count; ++i) {
        KernelObject* object = handles[i] == GetCurrentProcess() ? ReferenceCurrentProcess() : ReferenceAnyHandle(handles[i]);
        if (object != nullptr && !IsWaitable(object->type)) {
            object->Release();
            object = nullptr;
            SetLastError(ERROR_INVALID_HANDLE);
        }
        if (object == nullptr)
            return false;
        objects.push_back(static_cast<WaitableObject*>(object));
    }
    return true;
}

// The index of the object that satisfies the wait (count for "all"), or -1; WaitLock held.
int Satisfied(const std::vector<WaitableObject*>& objects, bool all)
{
    if (all) {
        for (WaitableObject* object : objects) {
            if (!object->IsSignaled())
                return -1;
        }
        for (WaitableObject* object : objects)
            object->Consume();
        return 0;
    }
    for (size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->IsSignaled()) {
            objects[i]->Consume();
            return int(i);
        }
    }
    return -1;
}

DWORD WaitFor(const std::vector<WaitableObject*>& objects, bool all, DWORD milliseconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock<std::mutex> guard(waitLock);
    for (;;) {
        int index = Satisfied(objects, all);
        if (index >= 0)
            return WAIT_OBJECT_0 + DWORD(index);
        if (milliseconds == INFINITE)
            waitSignal.wait(guard);
        else if (waitSignal.wait_until(guard, deadline) == std::cv_status::timeout && Satisfied(objects, all) < 0)
            return WAIT_TIMEOUT;
    }
}

HANDLE InsertNamed(NamedObject* object, LPCWSTR name)
{
    bool existed = false;
    if (name != nullptr && name[0] != 0) {
        object = OpenOrCreateNamed(name, object, existed);
        if (object == nullptr)
            return nullptr;
    }
    HANDLE handle = InsertHandle(object);
    if (handle != nullptr)
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

pthread_mutex_t* MutexOf(LPCRITICAL_SECTION section)
{
    static_assert(sizeof(pthread_mutex_t) <= sizeof(CRITICAL_SECTION::opaque), "CRITICAL_SECTION too small");
    static_assert(alignof(pthread_mutex_t) <= 8, "CRITICAL_SECTION misaligned");
    return reinterpret_cast<pthread_mutex_t*>(section->opaque);
}

}  // namespace

std::mutex& WaitLock()
{
    return waitLock;
}

void WakeWaiters()
{
    waitSignal.notify_all();
}

}  // namespace wce

using wce::EventObject;
using wce::ObjectRef;
using wce::ObjectType;
using wce::SemaphoreObject;

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    return WaitForMultipleObjects(1, &hHandle, FALSE, dwMilliseconds);
}

DWORD WaitForMultipleObjects(DWORD nCount, const HANDLE* lpHandles, BOOL bWaitAll, DWORD dwMilliseconds)
{
    if (nCount == 0 || nCount > MAXIMUM_WAIT_OBJECTS || lpHandles == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    std::vector<wce::WaitableObject*> objects;
    DWORD result = WAIT_FAILED;
    if (wce::ReferenceWaitables(nCount, lpHandles, objects))
        result = wce::WaitFor(objects, bWaitAll != FALSE, dwMilliseconds);
    for (wce::WaitableObject* object : objects)
        object->Release();
    return result;
}

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName)
{
    return wce::InsertNamed(new EventObject(bManualReset != FALSE, bInitialState != FALSE), lpName);
}

BOOL SetEvent(HANDLE hEvent)
{
    ObjectRef<EventObject> event(hEvent, ObjectType::Event);
    if (!event)
        return FALSE;
    std::lock_guard<std::mutex> guard(wce::WaitLock());
    event->signaled = true;
    wce::WakeWaiters();
    return TRUE;
}

BOOL ResetEvent(HANDLE hEvent)
{
    ObjectRef<EventObject> event(hEvent, ObjectType::Event);
    if (!event)
        return FALSE;
    std::lock_guard<std::mutex> guard(wce::WaitLock());
    event->signaled = false;
    return TRUE;
}

HANDLE CreateSemaphoreW(LPSECURITY_ATTRIBUTES lpSemaphoreAttributes, LONG lInitialCount, LONG lMaximumCount,
                        LPCWSTR lpName)
{
    if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return wce::InsertNamed(new SemaphoreObject(lInitialCount, lMaximumCount), lpName);
}

// A release that would lift the count above the maximum changes nothing and fails.
BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount)
{
    ObjectRef<SemaphoreObject> semaphore(hSemaphore, ObjectType::Semaphore);
    if (!semaphore)
        return FALSE;
    std::lock_guard<std::mutex> guard(wce::WaitLock());
    if (lReleaseCount <= 0 || lReleaseCount > semaphore->maximum - semaphore->count) {
        SetLastError(lReleaseCount <= 0 ? ERROR_INVALID_PARAMETER : ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    if (lpPreviousCount != nullptr)
        *lpPreviousCount = semaphore->count;
    semaphore->count += lReleaseCount;
    wce::WakeWaiters();
    return TRUE;
}

void InitializeCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(wce::MutexOf(lpCriticalSection), &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void DeleteCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    pthread_mutex_destroy(wce::MutexOf(lpCriticalSection));
}

void EnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    pthread_mutex_lock(wce::MutexOf(lpCriticalSection));
}

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    return pthread_mutex_trylock(wce::MutexOf(lpCriticalSection)) == 0 ? TRUE : FALSE;
}

void LeaveCriticalSection(LPCRITICAL_SECTION lpCriticalSection)
{
    pthread_mutex_unlock(wce::MutexOf(lpCriticalSection));
}
