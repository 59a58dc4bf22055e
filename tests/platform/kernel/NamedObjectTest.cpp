// Named semaphores: one name per device, shared by processes, gone with the last holder.
#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include "DeviceRoot.h"

namespace {

class NamedObjectTest : public DeviceRootTest {
protected:
    // Starts a child process that creates the named semaphore, tells us, then waits to be killed.
    pid_t StartHolder(const char16_t* name)
    {
        int ready[2];
        if (pipe(ready) != 0)
            return -1;
        pid_t child = fork();
        if (child == 0) {
            close(ready[0]);
            HANDLE semaphore = CreateSemaphoreW(nullptr, 1, 1, name);
            char state = semaphore == nullptr ? 'f' : GetLastError() == ERROR_ALREADY_EXISTS ? 'e' : 'n';
            if (write(ready[1], &state, 1) != 1)
                _exit(1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char state = 0;
        childState = read(ready[0], &state, 1) == 1 ? state : 0;
        close(ready[0]);
        return child;
    }
    void KillHolder(pid_t child)
    {
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
    }
    char childState = 0;
};

TEST_F(NamedObjectTest, SecondCreateInTheSameProcessReportsAlreadyExists)
{
    SetLastError(0xDEADBEEF);
    HANDLE first = CreateSemaphoreW(nullptr, 1, 1, u"OrvTestLocal");
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
    HANDLE second = CreateSemaphoreW(nullptr, 1, 1, u"OrvTestLocal");
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    // Both handles name one semaphore: taking it through one empties it for the other.
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(first, 0));
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(second, 0));
    CloseHandle(first);
    CloseHandle(second);

    HANDLE again = CreateSemaphoreW(nullptr, 1, 1, u"OrvTestLocal");
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
    CloseHandle(again);
}

TEST_F(NamedObjectTest, NameHeldByAnotherProcessIsReportedAndFreedWhenItDies)
{
    pid_t holder = StartHolder(u"OrvTestShared");
    ASSERT_GT(holder, 0);
    ASSERT_EQ('n', childState);

    SetLastError(0xDEADBEEF);
    HANDLE mine = CreateSemaphoreW(nullptr, 1, 1, u"OrvTestShared");
    ASSERT_NE(nullptr, mine);
    EXPECT_EQ(DWORD(ERROR_ALREADY_EXISTS), GetLastError());
    CloseHandle(mine);

    KillHolder(holder);   // no chance to clean up: the name must still be free afterwards
    SetLastError(0xDEADBEEF);
    mine = CreateSemaphoreW(nullptr, 1, 1, u"OrvTestShared");
    ASSERT_NE(nullptr, mine);
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());

    // While we hold it, a new process sees it.
    pid_t second = StartHolder(u"OrvTestShared");
    ASSERT_GT(second, 0);
    EXPECT_EQ('e', childState);
    KillHolder(second);
    CloseHandle(mine);
}

TEST_F(NamedObjectTest, NamesAreSeparatePerDeviceRoot)
{
    pid_t holder = StartHolder(u"OrvTestDevice");
    ASSERT_GT(holder, 0);
    std::string otherRoot = Host("other");
    ASSERT_EQ(0, mkdir(otherRoot.c_str(), 0777));
    setenv("WCE_DEVICE_ROOT", otherRoot.c_str(), 1);
    wce::ReloadDeviceProfile();
    SetLastError(0xDEADBEEF);
    HANDLE mine = CreateSemaphoreW(nullptr, 1, 1, u"OrvTestDevice");
    EXPECT_EQ(DWORD(ERROR_SUCCESS), GetLastError());
    CloseHandle(mine);
    KillHolder(holder);
}

TEST_F(NamedObjectTest, NameOfAnEventCannotBeOpenedAsASemaphore)
{
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, u"OrvTestEvent");
    ASSERT_NE(nullptr, event);
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, CreateSemaphoreW(nullptr, 1, 1, u"OrvTestEvent"));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
    CloseHandle(event);
}

}  // namespace
