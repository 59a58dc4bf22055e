// Single instance across processes: FindWindowW finds another process's window, the private
// messages reach it and its reply comes back, SetForegroundWindow raises it, PostMessageW posts.
#include <gtest/gtest.h>

#include <chrono>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "wce/DeviceProfile.h"
#include "wce/WinBase.h"
#include "wce/WinUser.h"

extern char** environ;

namespace {

HWND WaitForWindow(const char16_t* className, const char16_t* title)
{
    for (int i = 0; i < 500; ++i) {
        if (HWND found = FindWindowW(className, title))
            return found;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

TEST(CrossProcessTest, PrivateMessagesReachAnotherProcessAndRepliesComeBack)
{
    std::string title = "peer-" + std::to_string(getpid());
    std::u16string wideTitle(title.begin(), title.end());
    const char* argv[] = { ORV_UI_PEER, title.c_str(), nullptr };
    pid_t child = 0;
    ASSERT_EQ(0, posix_spawn(&child, ORV_UI_PEER, nullptr, nullptr, const_cast<char**>(argv), environ));

    HWND peer = WaitForWindow(u"UiPeerApp", wideTitle.c_str());
    ASSERT_NE(nullptr, peer);
    EXPECT_EQ(peer, FindWindowW(u"uipeerapp", nullptr) ? FindWindowW(u"UiPeerApp", wideTitle.c_str()) : nullptr);
    EXPECT_TRUE(IsWindow(peer));
    EXPECT_EQ(42, SendMessageW(peer, 0x8001, 40, 2));
    EXPECT_EQ(0, SendMessageW(peer, WM_SETTEXT, 0, LPARAM(u"pointer")));   // pointers do not cross
    EXPECT_TRUE(SetForegroundWindow(peer));
    EXPECT_TRUE(SetForegroundWindow(reinterpret_cast<HWND>(uintptr_t(peer) | 1)));   // with its owned windows
    EXPECT_TRUE(PostMessageW(peer, 0x8002, 7, 0));

    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(7, WEXITSTATUS(status));
    EXPECT_FALSE(IsWindow(peer));
    EXPECT_EQ(nullptr, FindWindowW(u"UiPeerApp", wideTitle.c_str()));
    // The ended process left no socket behind in the device's runtime folder.
    const std::string socket = wce::DeviceRuntimeFolder() + "/ui-" + std::to_string(child) + ".sock";
    EXPECT_NE(0, access(socket.c_str(), F_OK)) << socket;
}

}  // namespace
