// Messages: posting, sending across threads (also while the owner is in a modal loop), timers.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "UiTestSupport.h"
#include "wce/Automation.h"
#include "wce/WinBase.h"

using namespace uitest;

namespace {

class MessageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Log().clear();
        hwnd = CreateRecorder();
        PumpPending();
        Log().clear();
    }
    void TearDown() override
    {
        DestroyWindow(hwnd);
        PumpPending();
        wce::automation::ResetMessageBoxes();
    }
    HWND hwnd = nullptr;
};

TEST_F(MessageTest, PostedMessagesArriveInOrderAndQuitEndsTheLoop)
{
    PostMessageW(hwnd, WM_USER + 1, 1, 0);
    PostMessageW(hwnd, WM_USER + 2, 2, 0);
    PostQuitMessage(5);
    MSG msg;
    std::vector<UINT> got;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        if (msg.message != WM_PAINT)
            got.push_back(msg.message);
        else
            DispatchMessageW(&msg);
    EXPECT_EQ((std::vector<UINT> { WM_USER + 1, WM_USER + 2 }), got);
    EXPECT_EQ(UINT(WM_QUIT), msg.message);
    EXPECT_EQ(WPARAM(5), msg.wParam);
}

TEST_F(MessageTest, PeekWithFilterLeavesOtherMessagesQueued)
{
    PostMessageW(hwnd, WM_USER + 1, 0, 0);
    PostMessageW(hwnd, WM_USER + 2, 0, 0);
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 2, WM_USER + 2, PM_REMOVE));
    EXPECT_EQ(UINT(WM_USER + 2), msg.message);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 10, PM_NOREMOVE));
    EXPECT_EQ(UINT(WM_USER + 1), msg.message);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
}

TEST_F(MessageTest, SendFromWorkerIsHandledOnOwnerThreadWhileItWaits)
{
    DWORD ownerThread = GetCurrentThreadId();
    std::atomic<LRESULT> reply { 0 };
    std::atomic<bool> finished { false };
    std::thread worker([&] {
        reply = SendMessageW(hwnd, WM_USER + 50, 21, 0);
        finished = true;
        PostMessageW(hwnd, WM_USER + 9, 0, 0);
    });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_USER + 9)
        DispatchMessageW(&msg);
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_EQ(42, reply.load());
    ASSERT_EQ(1u, Only(WM_USER + 50).size());
    EXPECT_EQ(ownerThread, GetWindowThreadProcessId(hwnd, nullptr));
}

// The owner sends back to the worker's window while handling the worker's message: both
// threads are inside SendMessageW and neither may block the other.
TEST_F(MessageTest, SendBackFromOwnerWhileWorkerWaitsDoesNotDeadlock)
{
    static HWND workerWindow = nullptr;
    static std::atomic<LRESULT> nestedReply { 0 };
    WNDCLASSW info {};
    info.lpszClassName = u"UiTestSendBack";
    info.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER + 60)
            nestedReply = SendMessageW(workerWindow, WM_USER + 61, 0, 0);
        if (m == WM_USER + 61)
            return 7;
        return DefWindowProcW(h, m, w, l);
    };
    RegisterClassW(&info);
    HWND owner = CreateWindowExW(0, u"UiTestSendBack", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    std::atomic<bool> done { false };
    std::thread worker([&] {
        workerWindow = CreateWindowExW(0, u"UiTestSendBack", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        SendMessageW(owner, WM_USER + 60, 0, 0);
        DestroyWindow(workerWindow);
        done = true;
        PostMessageW(owner, WM_USER + 9, 0, 0);
    });
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0 && msg.message != WM_USER + 9)
        DispatchMessageW(&msg);
    worker.join();
    EXPECT_TRUE(done);
    EXPECT_EQ(7, nestedReply.load());
    DestroyWindow(owner);
}

TEST_F(MessageTest, SendFromWorkerReachesOwnerInsideMessageBox)
{
    wce::automation::SetMessageBoxesWait(true);
    std::atomic<LRESULT> reply { 0 };
    std::thread worker([&] {
        wce::automation::MessageBoxRecord box;
        ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 5000));
        reply = SendMessageW(hwnd, WM_USER + 50, 5, 0);   // handled by the box's modal loop
        wce::automation::AnswerMessageBox(IDNO);
    });
    EXPECT_EQ(IDNO, MessageBoxW(hwnd, u"Stop?", u"Scan", MB_YESNO | MB_ICONQUESTION));
    worker.join();
    EXPECT_EQ(10, reply.load());
    EXPECT_TRUE(IsWindowEnabled(hwnd));   // the owner is enabled again after the box
}

TEST_F(MessageTest, TimerFiresWhenDueAndCoalescesMissedTicks)
{
    ASSERT_EQ(UINT_PTR(1), SetTimer(hwnd, 1, 500, nullptr));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    wce::automation::AdvanceUiClock(1600);   // three intervals pass
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_EQ(hwnd, msg.hwnd);
    EXPECT_EQ(WPARAM(1), msg.wParam);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));   // one tick, not three
    wce::automation::AdvanceUiClock(500);
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_TRUE(KillTimer(hwnd, 1));
    wce::automation::AdvanceUiClock(1000);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
    EXPECT_FALSE(KillTimer(hwnd, 1));
}

TEST_F(MessageTest, TimerOfDestroyedWindowStops)
{
    HWND other = CreateRecorder();
    SetTimer(other, 1, 100, nullptr);
    DestroyWindow(other);
    wce::automation::AdvanceUiClock(200);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}

TEST_F(MessageTest, PostThreadMessageReachesThreadQueue)
{
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);   // makes the queue
    ASSERT_TRUE(PostThreadMessageW(GetCurrentThreadId(), WM_USER + 3, 9, 0));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_USER + 3, WM_USER + 3, PM_REMOVE));
    EXPECT_EQ(nullptr, msg.hwnd);
    EXPECT_EQ(WPARAM(9), msg.wParam);
}

TEST_F(MessageTest, SendToDestroyedWindowFails)
{
    HWND other = CreateRecorder();
    DestroyWindow(other);
    SetLastError(0);
    EXPECT_EQ(0, SendMessageW(other, WM_USER + 50, 1, 0));
    EXPECT_EQ(DWORD(ERROR_INVALID_WINDOW_HANDLE), GetLastError());
    EXPECT_FALSE(PostMessageW(other, WM_USER, 0, 0));
}

}  // namespace
