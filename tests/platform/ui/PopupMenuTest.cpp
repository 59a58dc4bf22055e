// Popup menus on the screen: where they open, what a tap, the keys and automation choose, and
// that the thread keeps handling its messages while one is up.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

#include "UiTestSupport.h"
#include "wce/Automation.h"
#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"

using namespace uitest;

namespace {

enum : UINT { ID_OPEN = 10, ID_CLOSE = 11, ID_SAVE = 12, ID_INNER = 13 };

// Runs once the popup is up, inside its loop; gets the popup's window.
std::function<void(HWND)> whilePopupIsUp;

void CALLBACK RunWhileUp(HWND, UINT, UINT_PTR id, DWORD)
{
    HWND popup = FindWindowW(u"menu_popup", nullptr);
    if (!popup)
        return;   // not up yet: the timer comes again
    KillTimer(nullptr, id);
    if (whilePopupIsUp)
        whilePopupIsUp(popup);
}

// A menu that a fault leaves up fails its test instead of hanging it.
void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    ADD_FAILURE() << "the popup was still up after 3 seconds";
    wce::automation::ResetPopups();
}

class PopupMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wce::automation::ResetPopups();
        wce::automation::SetPopupsWait(true);
        owner = CreateRecorder(u"popup owner");
        menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, ID_OPEN, u"&Open");
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING | MF_GRAYED, ID_CLOSE, u"Close");
        AppendMenuW(menu, MF_STRING | MF_CHECKED, ID_SAVE, u"Save");
        inner = CreatePopupMenu();
        AppendMenuW(inner, MF_STRING, ID_INNER, u"Inner");
        AppendMenuW(menu, MF_POPUP, UINT_PTR(inner), u"More");
        Log().clear();
    }

    void TearDown() override
    {
        whilePopupIsUp = nullptr;
        wce::automation::ResetPopups();
        DestroyWindow(owner);
        DestroyMenu(menu);
    }

    // Opens the popup and runs step once it is up; the choice TrackPopupMenuEx returns.
    UINT Track(std::function<void(HWND)> step, UINT flags = TPM_RETURNCMD, POINT at = { 20, 40 })
    {
        whilePopupIsUp = std::move(step);
        SetTimer(nullptr, 0, 1, RunWhileUp);
        UINT_PTR guard = SetTimer(nullptr, 0, 3000, GiveUp);
        UINT chosen = UINT(TrackPopupMenuEx(menu, flags, at.x, at.y, owner, nullptr));
        KillTimer(nullptr, guard);
        return chosen;
    }

    // The middle of a row in the popup's client coordinates, from the rows' measures: text rows
    // share the height left over by the one separator.
    static LPARAM RowPoint(HWND popup, int row)
    {
        RECT client {};
        GetClientRect(popup, &client);
        int rowHeight = (client.bottom - 2 - 7) / 4;
        int top = 1 + row * rowHeight + (row > 1 ? 7 - rowHeight : 0);
        return MAKELPARAM(10, top + rowHeight / 2);
    }

    static void Tap(HWND popup, LPARAM point)
    {
        SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageW(popup, WM_LBUTTONUP, 0, point);
    }

    HWND owner = nullptr;
    HMENU menu = nullptr;
    HMENU inner = nullptr;
};

TEST_F(PopupMenuTest, OpensAtTheAnchorWithCaptureAndATapChooses)
{
    RECT placed {};
    bool captured = false;
    UINT chosen = Track([&](HWND popup) {
        GetWindowRect(popup, &placed);
        captured = GetCapture() == popup;
        Tap(popup, RowPoint(popup, 2));   // "Close" is grayed: the menu stays up
        ASSERT_TRUE(IsWindowVisible(popup));
        Tap(popup, RowPoint(popup, 0));
    }, TPM_RETURNCMD | TPM_RIGHTALIGN | TPM_BOTTOMALIGN, POINT { 200, 300 });
    EXPECT_EQ(UINT(ID_OPEN), chosen);
    EXPECT_EQ(200, placed.right);
    EXPECT_EQ(300, placed.bottom);
    EXPECT_TRUE(captured);
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(nullptr, FindWindowW(u"menu_popup", nullptr));
    auto history = wce::automation::GetPopupHistory();
    ASSERT_EQ(1u, history.size());
    EXPECT_EQ(UINT(ID_OPEN), history[0].chosen);
}

TEST_F(PopupMenuTest, KeysMovePastSeparatorsAndGrayedItemsAndEnterChooses)
{
    UINT chosen = Track([&](HWND) {
        // Keys meant for the owner go to the menu while it is up.
        PostMessageW(owner, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(owner, WM_KEYDOWN, VK_RETURN, 0);
    }, 0);
    EXPECT_EQ(1u, UINT(chosen));   // TrackPopupMenuEx without TPM_RETURNCMD: TRUE, and a command posted
    PumpPending();
    std::vector<Received> commands = Only(WM_COMMAND);
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(ID_SAVE, LOWORD(commands[0].wParam));
    EXPECT_TRUE(Only(WM_KEYDOWN).empty());
}

TEST_F(PopupMenuTest, TapOutsideEscapeAndTheRightSoftKeyDismiss)
{
    auto outside = [](HWND popup) { SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(-5, 3)); };
    auto escape = [](HWND popup) { PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0); };
    auto softKey = [](HWND popup) { PostMessageW(popup, WM_KEYDOWN, VK_TSOFT2, 0); };
    for (auto& dismiss : { std::function<void(HWND)>(outside), std::function<void(HWND)>(escape),
                           std::function<void(HWND)>(softKey) })
        EXPECT_EQ(0u, Track(dismiss));
    PumpPending();
    EXPECT_TRUE(Only(WM_COMMAND).empty());
    EXPECT_EQ(3u, wce::automation::GetPopupHistory().size());
}

TEST_F(PopupMenuTest, AutomationTapsGoToTheOpenPopupLikeTheStylus)
{
    std::string outsideReply;
    EXPECT_EQ(0u, Track([&](HWND popup) {
        RECT placed {};
        GetWindowRect(popup, &placed);
        outsideReply = wce::automation::RunAutomationCommand(
            "tap " + std::to_string(placed.right + 4) + " " + std::to_string(placed.top + 2));
    }));
    EXPECT_EQ(0u, outsideReply.rfind("ok", 0)) << outsideReply;
    EXPECT_TRUE(Only(WM_LBUTTONDOWN).empty());   // the owner under the point got nothing

    EXPECT_EQ(UINT(ID_OPEN), Track([&](HWND popup) {
        POINT row { 10, HIWORD(RowPoint(popup, 0)) };
        ClientToScreen(popup, &row);
        wce::automation::RunAutomationCommand("tap " + std::to_string(row.x) + " " + std::to_string(row.y));
    }));
}

TEST_F(PopupMenuTest, SubmenuOpensInPlaceAfterItsOwnerPreparesIt)
{
    UINT chosen = Track([&](HWND popup) {
        for (int i = 0; i < 2; ++i)
            SendMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);   // Open -> Save -> More
        SendMessageW(popup, WM_KEYDOWN, VK_RIGHT, 0);
        SendMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);     // back to the top level, still up
        ASSERT_TRUE(IsWindow(popup));
        SendMessageW(popup, WM_KEYDOWN, VK_RIGHT, 0);
        SendMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(UINT(ID_INNER), chosen);
    std::vector<Received> inits = Only(WM_INITMENUPOPUP);
    ASSERT_EQ(3u, inits.size());
    EXPECT_EQ(menu, reinterpret_cast<HMENU>(inits[0].wParam));
    EXPECT_EQ(inner, reinterpret_cast<HMENU>(inits[2].wParam));
}

// A Smartphone numbers the items (separators take no number) and its digit keys choose them.
TEST_F(PopupMenuTest, SmartphoneDigitKeysChooseNumberedItems)
{
    setenv("WCE_PLATFORM", "SmartPhone", 1);
    wce::ReloadDeviceProfile();
    UINT chosen = Track([&](HWND popup) {
        PostMessageW(popup, WM_KEYDOWN, '2', 0);   // "Close", grayed: nothing happens
        PostMessageW(popup, WM_KEYDOWN, '3', 0);
    });
    unsetenv("WCE_PLATFORM");
    wce::ReloadDeviceProfile();
    EXPECT_EQ(UINT(ID_SAVE), chosen);
}

// A worker thread's SendMessage reaches the owner while the menu is up, and a choice automation
// queues meanwhile is taken by the open menu.
TEST_F(PopupMenuTest, OtherThreadsSendsAreHandledAndAQueuedChoiceIsTaken)
{
    LRESULT reply = 0;
    std::thread worker;
    UINT chosen = Track([&](HWND) {
        worker = std::thread([&] {
            reply = SendMessageW(owner, WM_USER + 50, 21, 0);
            wce::automation::QueueMenuChoice(ID_SAVE);
        });
    });
    worker.join();
    EXPECT_EQ(42, reply);
    EXPECT_EQ(UINT(ID_SAVE), chosen);
    EXPECT_EQ(nullptr, FindWindowW(u"menu_popup", nullptr));
}

TEST_F(PopupMenuTest, ResetFromAnotherThreadClosesTheOpenMenu)
{
    std::thread worker;
    UINT chosen = Track([&](HWND) { worker = std::thread([] { wce::automation::ResetPopups(); }); });
    worker.join();
    EXPECT_EQ(0u, chosen);
    wce::automation::QueueMenuChoice(ID_OPEN);   // no longer waiting, a queued choice still picks
    EXPECT_EQ(UINT(ID_OPEN), UINT(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, owner, nullptr)));
}

}  // namespace

namespace {

// A menu of 40 more items is taller than the screen: the popup fills the screen's height with an
// arrow at each end. Up from the first item wraps to the last, which is scrolled into view just
// above the lower arrow, where a tap chooses it; taps on the lower arrow scroll the rows one by
// one, so that the first row under the upper arrow becomes "Save" after three.
TEST_F(PopupMenuTest, MenuTallerThanTheScreenScrollsWithItsArrows)
{
    for (UINT id = 100; id < 140; ++id)
        AppendMenuW(menu, MF_STRING, id, u"Item");
    const int screenHeight = wce::GetDeviceProfile().screenHeight;
    const int arrow = 12;
    RECT placed {};
    UINT chosen = Track([&](HWND popup) {
        GetWindowRect(popup, &placed);
        RECT client {};
        GetClientRect(popup, &client);
        SendMessageW(popup, WM_KEYDOWN, VK_UP, 0);
        Tap(popup, MAKELPARAM(10, client.bottom - 1 - arrow - 4));
    });
    EXPECT_EQ(139u, chosen);
    EXPECT_EQ(0, placed.top);
    EXPECT_EQ(screenHeight, placed.bottom);

    chosen = Track([&](HWND popup) {
        RECT client {};
        GetClientRect(popup, &client);
        Tap(popup, MAKELPARAM(10, 4));   // the upper arrow: nothing above, nothing chosen
        ASSERT_TRUE(IsWindowVisible(popup));
        for (int i = 0; i < 3; ++i)
            Tap(popup, MAKELPARAM(10, client.bottom - 4));
        Tap(popup, MAKELPARAM(10, 1 + arrow + 6));
    });
    EXPECT_EQ(UINT(ID_SAVE), chosen);
}

}  // namespace
