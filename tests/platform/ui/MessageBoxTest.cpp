// Message boxes: recorded, answered from the queue, and answered through automation from another thread.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "wce/Automation.h"
#include "wce/GdiInternal.h"
#include "wce/WinUser.h"

namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override { wce::automation::ResetMessageBoxes(); }
    void TearDown() override { wce::automation::ResetMessageBoxes(); }
};

TEST_F(MessageBoxTest, UnansweredBoxReturnsOkAndIsRecorded)
{
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Free", u"Mem", MB_OK));
    auto history = wce::automation::GetMessageBoxHistory();
    ASSERT_EQ(1u, history.size());
    EXPECT_EQ(u"Free", history[0].text);
    EXPECT_EQ(u"Mem", history[0].caption);
    EXPECT_EQ(MB_OK, history[0].style);
    EXPECT_EQ(IDOK, history[0].answer);
}

TEST_F(MessageBoxTest, QueuedAnswersAreTakenInOrder)
{
    wce::automation::QueueMessageBoxAnswer(IDNO);
    wce::automation::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"a", u"c", MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(IDYES, MessageBoxW(nullptr, u"b", nullptr, MB_YESNO));
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, nullptr, nullptr, MB_OK));
    auto history = wce::automation::GetMessageBoxHistory();
    ASSERT_EQ(3u, history.size());
    EXPECT_EQ(MB_YESNO | MB_ICONQUESTION, history[0].style);
    EXPECT_EQ(u"", history[2].text);
}

TEST_F(MessageBoxTest, WaitingBoxFromWorkerIsAnsweredByAnotherThread)
{
    wce::automation::SetMessageBoxesWait(true);
    int result = 0;
    std::thread worker([&] { result = MessageBoxW(nullptr, u"Treat?", u"Scan", MB_YESNO | MB_ICONSTOP); });
    wce::automation::MessageBoxRecord box;
    ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 5000));
    EXPECT_EQ(u"Treat?", box.text);
    EXPECT_EQ(MB_YESNO | MB_ICONSTOP, box.style);
    EXPECT_TRUE(wce::automation::AnswerMessageBox(IDYES));
    worker.join();
    EXPECT_EQ(IDYES, result);
    EXPECT_FALSE(wce::automation::AnswerMessageBox(IDNO));   // nothing is up any more
}

}  // namespace

namespace {

// On a screen the waiting box is a window: tapping its No button answers it, and a screenshot
// taken meanwhile shows it.
TEST_F(MessageBoxTest, TapOnTheBoxButtonAnswersIt)
{
    wce::automation::SetMessageBoxesWait(true);
    std::string tapReply;
    std::thread worker([&] {
        wce::automation::MessageBoxRecord box;
        if (!wce::automation::WaitForMessageBox(box, 30000)) {
            ADD_FAILURE() << "no message box came up";
            return;
        }
        for (int i = 0; i < 2000 && !FindWindowW(u"WceMessageBox", nullptr); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (!FindWindowW(u"WceMessageBox", nullptr)) {
            wce::automation::AnswerMessageBox(IDNO);   // no screen: the box has no window to tap
            return;
        }
#ifdef ORV_UI_SCREENSHOT_DIR
        wce::automation::RunAutomationCommand(std::string("screenshot \"") + ORV_UI_SCREENSHOT_DIR + "/MessageBox.png\"");
#endif
        // The window may be up before its buttons are: tap until the box is answered, and
        // never leave it up, so a miss fails the test instead of hanging it.
        for (int attempt = 0; attempt < 100; ++attempt) {
            tapReply = wce::automation::RunAutomationCommand("tapid 7");
            if (!wce::automation::GetOpenMessageBox(box))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        wce::automation::AnswerMessageBox(IDCANCEL);
    });
    EXPECT_EQ(IDNO, MessageBoxW(nullptr, u"Virus found in \\Temp\\b.dll. Delete it?", u"Scan", MB_YESNO | MB_ICONQUESTION));
    worker.join();
    EXPECT_EQ(nullptr, FindWindowW(u"WceMessageBox", nullptr));
    if (!tapReply.empty()) {
        EXPECT_EQ(0u, tapReply.rfind("ok", 0));
    }
}

// A long question (a whole path) makes the box taller, up to the screen; a short one keeps the
// usual height.
TEST_F(MessageBoxTest, BoxGrowsToShowALongTextWhole)
{
    wce::automation::SetMessageBoxesWait(true);
    auto heightOfBox = [](const std::u16string& text) {
        int height = -1;
        std::thread worker([&] {
            wce::automation::MessageBoxRecord box;
            if (!wce::automation::WaitForMessageBox(box, 30000))
                return;
            HWND window = nullptr;
            // The box is shown once it has its size.
            for (int i = 0; i < 2000; ++i) {
                window = FindWindowW(u"WceMessageBox", nullptr);
                if (window && IsWindowVisible(window))
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            RECT rect {};
            if (window && GetWindowRect(window, &rect))
                height = rect.bottom - rect.top;
            wce::automation::AnswerMessageBox(IDNO);
        });
        MessageBoxW(nullptr, text.c_str(), u"Scan", MB_YESNO | MB_ICONQUESTION);
        worker.join();
        return height;
    };
    const int shortHeight = heightOfBox(u"Delete it?");
    if (shortHeight < 0)
        GTEST_SKIP() << "no screen: the box has no window";
    std::u16string longText = u"Virus found in \\My Documents";
    for (int i = 0; i < 12; ++i)
        longText += u"\\folder number " + std::u16string(1, char16_t(u'a' + i));
    longText += u"\\file.exe. Delete the file now?";
    const int longHeight = heightOfBox(longText);
    EXPECT_EQ(110, shortHeight);
    EXPECT_GT(longHeight, shortHeight);
    EXPECT_LE(longHeight, 320 - 16);
}

}  // namespace

namespace {

// Closes the box's window as the desktop's close does, once it is up; without a screen there is
// no window, and the box is closed through automation instead.
void CloseBoxWindow()
{
    wce::automation::MessageBoxRecord box;
    for (int i = 0; i < 2000 && wce::automation::GetOpenMessageBox(box); ++i) {
        HWND window = FindWindowW(u"WceMessageBox", nullptr);
        if (window && IsWindowVisible(window))
            PostMessageW(window, WM_CLOSE, 0, 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (wce::automation::GetOpenMessageBox(box))
        wce::automation::CloseMessageBox();
}

// A box that is closed instead of answered gives the answer that changes nothing, whichever way
// it goes: closed through automation, by the owner's destruction, or by closing its window.
TEST_F(MessageBoxTest, ClosedBoxGivesTheSafeAnswerOfItsStyle)
{
    struct Row {
        UINT style;
        int safe;
    };
    const Row rows[] = { { MB_YESNO | MB_ICONQUESTION, IDNO }, { MB_YESNOCANCEL, IDCANCEL },
                         { MB_OKCANCEL | MB_ICONEXCLAMATION, IDCANCEL }, { MB_OK | MB_ICONSTOP, IDOK } };
    enum How { AUTOMATION, OWNER_DESTROYED, WINDOW_CLOSED };
    for (How how : { AUTOMATION, OWNER_DESTROYED, WINDOW_CLOSED }) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << "style " << row.style << " closed by " << int(how));
            wce::automation::SetMessageBoxesWait(true);
            HWND owner = CreateWindowExW(0, u"STATIC", u"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
            int result = 0;
            // Asked from another thread, as the scan worker asks its page's questions.
            std::thread worker([&] { result = MessageBoxW(owner, u"Delete it?", u"Scan", row.style); });
            wce::automation::MessageBoxRecord box;
            ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 5000));
            if (how == AUTOMATION)
                EXPECT_TRUE(wce::automation::CloseMessageBox());
            else if (how == OWNER_DESTROYED)
                DestroyWindow(owner);
            else
                CloseBoxWindow();
            worker.join();
            EXPECT_EQ(row.safe, result);
            EXPECT_FALSE(wce::automation::GetOpenMessageBox(box));
            if (IsWindow(owner))
                DestroyWindow(owner);
            wce::automation::ResetMessageBoxes();
        }
    }
}

// With the automation socket on, a box waits for its answer (a script's `answer`) even though no
// desktop is there; in-process tests without it keep their queue and the default OK.
TEST_F(MessageBoxTest, BoxWaitsForAutomationWhileTheSocketIsOn)
{
    wce::automation::SetBoxesWaitForAutomation(true);
    int result = 0;
    std::thread worker([&] { result = MessageBoxW(nullptr, u"Restore it?", u"Backups", MB_YESNO); });
    wce::automation::MessageBoxRecord box;
    ASSERT_TRUE(wce::automation::WaitForMessageBox(box, 5000));
    EXPECT_EQ(u"Restore it?", box.text);
    EXPECT_TRUE(wce::automation::AnswerMessageBox(IDYES));
    worker.join();
    EXPECT_EQ(IDYES, result);
    wce::automation::SetBoxesWaitForAutomation(false);
    EXPECT_EQ(IDOK, MessageBoxW(nullptr, u"Done", u"Backups", MB_OK));
}

}  // namespace

namespace {

// The colour that most pixels of the icon's square show on the screen, 0 when the box has no
// window (no screen); the icon sits at the text's left, under the caption strip.
uint32_t IconColourOnScreen(UINT style)
{
    wce::automation::SetMessageBoxesWait(true);
    uint32_t found = 0;
    std::thread worker([&] {
        wce::automation::MessageBoxRecord box;
        if (!wce::automation::WaitForMessageBox(box, 30000))
            return;
        HWND window = nullptr;
        for (int i = 0; i < 2000; ++i) {
            window = FindWindowW(u"WceMessageBox", nullptr);
            if (window && IsWindowVisible(window))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        RECT rect {};
        if (window && GetWindowRect(window, &rect)) {
            wce::automation::RunOnWindowThread(window, [] { wce::automation::PaintPendingWindows(); });
            std::map<uint32_t, int> counts;
            WceSurfaceInfo info {};
            WceLockSurface(&info);
            for (int y = rect.top + 30; y < rect.top + 42; ++y)
                for (int x = rect.left + 10; x < rect.left + 22; ++x)
                    ++counts[info.pixels[size_t(y) * size_t(info.strideBytes / 4) + size_t(x)] & 0xFFFFFF];
            WceUnlockSurface();
            for (const auto& [colour, count] : counts)
                if (count > counts[found])
                    found = colour;
        }
        wce::automation::CloseMessageBox();
    });
    MessageBoxW(nullptr, u"Something happened.", u"Scan", style);
    worker.join();
    wce::automation::ResetMessageBoxes();
    return found;
}

TEST_F(MessageBoxTest, EachIconStyleShowsItsIcon)
{
    const uint32_t plain = IconColourOnScreen(MB_OK);
    if (plain == 0)
        GTEST_SKIP() << "no screen: the box has no window";
    const std::pair<UINT, uint32_t> rows[] = { { MB_ICONSTOP, 0xCC2020 }, { MB_ICONQUESTION, 0x2060C8 },
                                               { MB_ICONINFORMATION, 0x2060C8 }, { MB_ICONEXCLAMATION, 0xF8C820 } };
    for (const auto& [style, colour] : rows) {
        SCOPED_TRACE(testing::Message() << "style " << style);
        EXPECT_EQ(colour, IconColourOnScreen(MB_YESNO | style));
    }
    EXPECT_NE(0xCC2020u, plain);
    EXPECT_NE(0x2060C8u, plain);
}

}  // namespace
