// Threads, waits, events, semaphores, critical sections and interlocked operations.
#include <atomic>

#include <gtest/gtest.h>

#include <windows.h>

namespace {

struct Gate {
    HANDLE go;
    DWORD result;
};

DWORD WaitThenReturn(LPVOID parameter)
{
    Gate* gate = static_cast<Gate*>(parameter);
    WaitForSingleObject(gate->go, INFINITE);
    return gate->result;
}

TEST(SyncTest, ThreadsAreSignalledWhenTheyEndAndKeepTheirExitCode)
{
    Gate gate { CreateEventW(nullptr, TRUE, FALSE, nullptr), 42 };
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, WaitThenReturn, &gate, 0, &id);
    ASSERT_NE(nullptr, thread);
    EXPECT_NE(0u, id);
    EXPECT_NE(GetCurrentThreadId(), id);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(DWORD(STILL_ACTIVE), code);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(thread, 0));

    SetEvent(gate.go);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread, INFINITE));
    ASSERT_TRUE(GetExitCodeThread(thread, &code));
    EXPECT_EQ(42u, code);
    EXPECT_TRUE(CloseHandle(thread));
    EXPECT_TRUE(CloseHandle(gate.go));
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(CloseHandle(thread));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(SyncTest, AutoResetEventReleasesOneWaitManualResetStaysSet)
{
    HANDLE autoEvent = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    HANDLE manual = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(autoEvent, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(autoEvent, 5));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(manual, 0));
    ResetEvent(manual);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(manual, 0));

    HANDLE both[] = { manual, autoEvent };
    SetEvent(autoEvent);
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, both, FALSE, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, FALSE, 0));
    CloseHandle(autoEvent);
    CloseHandle(manual);
}

TEST(SyncTest, SemaphoreCountsAndRefusesReleasesPastItsMaximum)
{
    HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 2, nullptr);
    ASSERT_NE(nullptr, semaphore);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(semaphore, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(semaphore, 0));

    LONG previous = -1;
    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 3, &previous));
    EXPECT_EQ(DWORD(ERROR_TOO_MANY_POSTS), GetLastError());
    EXPECT_EQ(-1, previous);
    EXPECT_TRUE(ReleaseSemaphore(semaphore, 2, &previous));
    EXPECT_EQ(0, previous);
    EXPECT_FALSE(ReleaseSemaphore(semaphore, 1, nullptr));
    CloseHandle(semaphore);

    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, CreateSemaphoreW(nullptr, 3, 2, nullptr));
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(SyncTest, WaitOnAHandleThatCannotBeWaitedForFails)
{
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(WAIT_FAILED, WaitForSingleObject(reinterpret_cast<HANDLE>(0x1234), 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

// The running process is never signalled: a wait on it times out, and beside another object the
// other one decides.
TEST(SyncTest, WaitOnTheCurrentProcessTimesOut)
{
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(GetCurrentProcess(), 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(GetCurrentProcess(), 5));
    HANDLE event = CreateEventW(nullptr, TRUE, TRUE, nullptr);
    HANDLE both[] = { GetCurrentProcess(), event };
    EXPECT_EQ(WAIT_OBJECT_0 + 1, WaitForMultipleObjects(2, both, FALSE, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForMultipleObjects(2, both, TRUE, 0));
    CloseHandle(event);
}

struct Shared {
    CRITICAL_SECTION section;
    LONG counter;
    std::atomic<int> tryResult;
};

DWORD TryFromOtherThread(LPVOID parameter)
{
    Shared* shared = static_cast<Shared*>(parameter);
    shared->tryResult = TryEnterCriticalSection(&shared->section);
    if (shared->tryResult)
        LeaveCriticalSection(&shared->section);
    return 0;
}

DWORD CountUp(LPVOID parameter)
{
    Shared* shared = static_cast<Shared*>(parameter);
    for (int i = 0; i < 10000; ++i)
        InterlockedIncrement(&shared->counter);
    return 0;
}

TEST(SyncTest, CriticalSectionIsRecursiveAndExcludesOtherThreads)
{
    Shared shared {};
    InitializeCriticalSection(&shared.section);
    EnterCriticalSection(&shared.section);
    EXPECT_TRUE(TryEnterCriticalSection(&shared.section));   // the owner may enter again
    LeaveCriticalSection(&shared.section);

    HANDLE other = CreateThread(nullptr, 0, TryFromOtherThread, &shared, 0, nullptr);
    WaitForSingleObject(other, INFINITE);
    CloseHandle(other);
    EXPECT_FALSE(shared.tryResult);
    LeaveCriticalSection(&shared.section);

    other = CreateThread(nullptr, 0, TryFromOtherThread, &shared, 0, nullptr);
    WaitForSingleObject(other, INFINITE);
    CloseHandle(other);
    EXPECT_TRUE(shared.tryResult);
    DeleteCriticalSection(&shared.section);
}

TEST(SyncTest, InterlockedOperationsAreAtomicAndReturnThePlatformsValues)
{
    Shared shared {};
    HANDLE threads[2];
    for (HANDLE& thread : threads)
        thread = CreateThread(nullptr, 0, CountUp, &shared, 0, nullptr);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, INFINITE));
    for (HANDLE thread : threads)
        CloseHandle(thread);
    EXPECT_EQ(20000, shared.counter);

    LONG value = 5;
    EXPECT_EQ(6, InterlockedIncrement(&value));
    EXPECT_EQ(5, InterlockedDecrement(&value));
    EXPECT_EQ(5, InterlockedExchange(&value, 9));
    EXPECT_EQ(9, InterlockedCompareExchange(&value, 1, 8));   // no match: unchanged
    EXPECT_EQ(9, InterlockedCompareExchange(&value, 1, 9));
    EXPECT_EQ(1, value);
}

TEST(VirtualMemoryTest, CommittedPagesCanBeWrittenProtectedAndReleased)
{
    char* base = static_cast<char*>(VirtualAlloc(nullptr, 3 * 4096, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(nullptr, base);
    EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(base) % 65536);
    ASSERT_EQ(base + 4096, VirtualAlloc(base + 4096, 4096, MEM_COMMIT, PAGE_READWRITE));
    base[4096] = 'x';
    DWORD old = 0;
    ASSERT_TRUE(VirtualProtect(base + 4096, 4096, PAGE_EXECUTE_READ, &old));
    EXPECT_EQ(DWORD(PAGE_READWRITE), old);
    EXPECT_EQ('x', base[4096]);
    EXPECT_TRUE(FlushInstructionCache(GetCurrentProcess(), base, 4096));

    SetLastError(0xDEADBEEF);
    EXPECT_FALSE(VirtualFree(base, 4096, MEM_RELEASE));   // a release takes the whole reservation
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_TRUE(VirtualFree(base, 0, MEM_RELEASE));
    EXPECT_FALSE(VirtualProtect(base, 4096, PAGE_READWRITE, &old));
}

}  // namespace
