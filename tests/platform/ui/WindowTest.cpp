// Windows: creation and destruction order, longs, text, relations and geometry.
#include <gtest/gtest.h>

#include <algorithm>

#include "UiTestSupport.h"
#include "wce/WinBase.h"

using namespace uitest;

namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { Log().clear(); }
    void TearDown() override
    {
        for (HWND hwnd : created)
            if (IsWindow(hwnd))
                DestroyWindow(hwnd);
        PumpPending();
    }
    HWND Track(HWND hwnd)
    {
        created.push_back(hwnd);
        return hwnd;
    }
    std::vector<HWND> created;
};

TEST_F(WindowTest, CreateSendsNcCreateThenCreate)
{
    HWND hwnd = Track(CreateRecorder());
    ASSERT_TRUE(IsWindow(hwnd));
    ASSERT_GE(Log().size(), 2u);
    EXPECT_EQ(UINT(WM_NCCREATE), Log()[0].message);
    EXPECT_EQ(UINT(WM_CREATE), Log()[1].message);
}

TEST_F(WindowTest, UnknownClassFailsWithClassDoesNotExist)
{
    SetLastError(0xDEADBEEF);
    EXPECT_EQ(nullptr, CreateWindowExW(0, u"NoSuchClass", u"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(DWORD(ERROR_CLASS_DOES_NOT_EXIST), GetLastError());
}

TEST_F(WindowTest, DestroySendsDestroyParentFirstAndNcDestroyChildFirst)
{
    HWND parent = Track(CreateRecorder(u"parent"));
    HWND child = CreateRecorder(u"child", parent, WS_CHILD);
    Log().clear();
    ASSERT_TRUE(DestroyWindow(parent));
    std::vector<Received> destroys = Only(WM_DESTROY);
    std::vector<Received> ncDestroys = Only(WM_NCDESTROY);
    ASSERT_EQ(2u, destroys.size());
    ASSERT_EQ(2u, ncDestroys.size());
    EXPECT_EQ(parent, destroys[0].hwnd);
    EXPECT_EQ(child, destroys[1].hwnd);
    EXPECT_EQ(child, ncDestroys[0].hwnd);
    EXPECT_EQ(parent, ncDestroys[1].hwnd);
    EXPECT_FALSE(IsWindow(parent));
    EXPECT_FALSE(IsWindow(child));
}

TEST_F(WindowTest, WindowLongsKeepUserDataProcAndExtraBytes)
{
    HWND hwnd = Track(CreateRecorder());
    EXPECT_EQ(0, SetWindowLongW(hwnd, GWL_USERDATA, 0x1234));
    EXPECT_EQ(0x1234, GetWindowLongW(hwnd, GWL_USERDATA));
    EXPECT_EQ(0, SetWindowLongW(hwnd, 8, 77));
    EXPECT_EQ(77, GetWindowLongW(hwnd, 8));
    SetLastError(0);
    EXPECT_EQ(0, GetWindowLongW(hwnd, 64));   // past cbWndExtra
    EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());

    // Subclassing: the new procedure sees the message first and passes it on.
    static WNDPROC previous = nullptr;
    static int seen = 0;
    seen = 0;
    WNDPROC hook = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER + 50)
            ++seen;
        return CallWindowProcW(previous, h, m, w, l);
    };
    previous = reinterpret_cast<WNDPROC>(SetWindowLongW(hwnd, GWL_WNDPROC, LONG_PTR(hook)));
    ASSERT_NE(nullptr, previous);
    EXPECT_EQ(42, SendMessageW(hwnd, WM_USER + 50, 21, 0));
    EXPECT_EQ(1, seen);
}

TEST_F(WindowTest, WindowTextTruncatesAndTerminates)
{
    HWND hwnd = Track(CreateRecorder(u"abcdef"));
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(3, GetWindowTextW(hwnd, buffer, 4));
    EXPECT_EQ(std::u16string(u"abc"), std::u16string(buffer));
    EXPECT_EQ(WCHAR(0xCCCC), buffer[4]);
    EXPECT_TRUE(SetWindowTextW(hwnd, u"xy"));
    EXPECT_EQ(2, GetWindowTextLengthW(hwnd));
}

TEST_F(WindowTest, RelationsAndLookup)
{
    HWND parent = Track(CreateRecorder(u"UniqueTitle-Relations"));
    HWND child = CreateRecorder(u"child", parent, WS_CHILD | WS_VISIBLE);
    EXPECT_EQ(parent, GetParent(child));
    EXPECT_EQ(child, GetWindow(parent, GW_CHILD));
    EXPECT_EQ(child, GetDlgItem(parent, 100));
    EXPECT_EQ(100, GetDlgCtrlID(child));
    EXPECT_TRUE(IsChild(parent, child));
    EXPECT_EQ(parent, FindWindowW(u"UiTestRecorder", u"UniqueTitle-Relations"));
    EXPECT_EQ(parent, FindWindowW(nullptr, u"UniqueTitle-Relations"));
    EXPECT_EQ(nullptr, FindWindowW(u"OtherClass", u"UniqueTitle-Relations"));
    EXPECT_FALSE(IsWindowVisible(child));   // the parent is hidden
    ShowWindow(parent, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_EQ(parent, GetForegroundWindow());
}

TEST_F(WindowTest, GeometryMapsBetweenChildAndScreen)
{
    DestroyWindow(CreateRecorder());   // registers the recorder class
    HWND parent = Track(CreateWindowExW(0, u"UiTestRecorder", u"", 0, 10, 20, 200, 100, nullptr, nullptr, nullptr, nullptr));
    HWND child = CreateWindowExW(0, u"UiTestRecorder", u"", WS_CHILD, 5, 6, 50, 40, parent, nullptr, nullptr, nullptr);
    RECT rect {};
    ASSERT_TRUE(GetWindowRect(child, &rect));
    EXPECT_EQ(15, rect.left);
    EXPECT_EQ(26, rect.top);
    EXPECT_EQ(65, rect.right);
    ASSERT_TRUE(GetClientRect(child, &rect));
    EXPECT_EQ(50, rect.right);
    EXPECT_EQ(40, rect.bottom);
    POINT point { 1, 2 };
    ClientToScreen(child, &point);
    EXPECT_EQ(16, point.x);
    EXPECT_EQ(28, point.y);
    ScreenToClient(parent, &point);
    EXPECT_EQ(6, point.x);
    EXPECT_EQ(8, point.y);
    Log().clear();
    MoveWindow(child, 0, 0, 30, 30, TRUE);
    ASSERT_EQ(1u, Only(WM_SIZE).size());
    EXPECT_EQ(MAKELONG(30, 30), LONG(Only(WM_SIZE)[0].lParam));
}

TEST_F(WindowTest, DisabledWindowLosesFocusAndReportsState)
{
    HWND hwnd = Track(CreateRecorder());
    SetFocus(hwnd);
    EXPECT_EQ(hwnd, GetFocus());
    EXPECT_FALSE(EnableWindow(hwnd, FALSE));   // was enabled
    EXPECT_FALSE(IsWindowEnabled(hwnd));
    EXPECT_NE(hwnd, GetFocus());
    EXPECT_TRUE(EnableWindow(hwnd, TRUE));     // was disabled
}

// Bit 0 of the handle brings the window up with the windows it owns: the open modal dialog of a
// program that another start asks to come forward becomes the active window.
TEST_F(WindowTest, ForegroundWithOwnedWindowsActivatesTheOwnedDialog)
{
    HWND main = Track(CreateRecorder(u"main", nullptr, WS_VISIBLE));
    HWND dialog = Track(CreateRecorder(u"dialog", main, WS_VISIBLE | WS_POPUP));
    HWND other = Track(CreateRecorder(u"other", nullptr, WS_VISIBLE));
    ASSERT_EQ(main, GetWindow(dialog, GW_OWNER));
    SetActiveWindow(other);
    ASSERT_EQ(other, GetActiveWindow());

    HWND withOwned = reinterpret_cast<HWND>(uintptr_t(main) | 1);
    EXPECT_TRUE(SetForegroundWindow(withOwned));
    EXPECT_EQ(main, GetActiveWindow());        // an owned window of an enabled one (its menu bar) stays behind focus

    EnableWindow(main, FALSE);                 // as under a modal dialog
    SetActiveWindow(other);
    EXPECT_TRUE(SetForegroundWindow(withOwned));
    EXPECT_EQ(dialog, GetActiveWindow());
    EnableWindow(main, TRUE);

    SetActiveWindow(other);
    EXPECT_TRUE(SetForegroundWindow(main));   // without the bit only the window itself
    EXPECT_EQ(main, GetActiveWindow());
}

}  // namespace
