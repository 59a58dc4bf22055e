// Shell services: launches of the help viewer and of documents, activation records, word wrap.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "EditLayout.h"
#include "UiTestSupport.h"
#include "wce/Automation.h"
#include "wce/CommCtrl.h"
#include "wce/DeviceProfile.h"
#include "wce/Shell.h"
#include "wce/WinBase.h"

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wce::automation::ResetLaunches();
        std::string host = std::filesystem::temp_directory_path().string() + "/ShellTest-help-" + std::to_string(getpid()) + ".htm";
        FILE* file = std::fopen(host.c_str(), "w");
        ASSERT_NE(nullptr, file);
        std::fputs("<a name=\"scan\"></a>", file);
        std::fclose(file);
        hostHelp = host;
        if (!wce::DevicePathFromHost(host, deviceHelp))
            GTEST_SKIP() << "the temporary folder is outside the device root";
    }
    void TearDown() override { std::filesystem::remove(hostHelp); }
    std::string hostHelp;
    std::u16string deviceHelp;
};

TEST_F(ShellTest, HelpViewerLaunchIsRecordedWithDocumentAndAnchor)
{
    setenv("WCE_HEADLESS", "1", 1);
    std::u16string parameter = deviceHelp + u"#scan";
    SHELLEXECUTEINFOW info {};
    info.cbSize = 60;
    info.lpFile = u"\\Windows\\peghelp.exe";
    info.lpParameters = parameter.c_str();
    info.nShow = 1;
    EXPECT_TRUE(ShellExecuteExW(&info));
    std::u16string url = u"file://" + deviceHelp + u"#option";
    info.lpFile = url.c_str();
    info.lpParameters = nullptr;
    info.lpVerb = u"open";
    EXPECT_TRUE(ShellExecuteExW(&info));
    // Device file names ignore case: the help file is found under another spelling too.
    std::u16string upper = deviceHelp;
    for (char16_t& c : upper)
        c = c >= u'a' && c <= u'z' ? char16_t(c - u'a' + u'A') : c;
    info.lpFile = upper.c_str();
    EXPECT_TRUE(ShellExecuteExW(&info));
    auto launches = wce::automation::GetLaunchHistory();
    ASSERT_EQ(3u, launches.size());
    EXPECT_EQ(deviceHelp, launches[0].documentPath);
    EXPECT_EQ(u"scan", launches[0].anchor);
    EXPECT_EQ(deviceHelp, launches[1].documentPath);
    EXPECT_EQ(u"option", launches[1].anchor);
    EXPECT_EQ(u"open", launches[1].verb);
}

TEST_F(ShellTest, LaunchOfMissingDocumentFailsAndBadRecordIsRefused)
{
    SHELLEXECUTEINFOW info {};
    info.cbSize = sizeof(info);
    info.lpFile = u"\\No\\Such\\help.htm";
    SetLastError(0);
    EXPECT_FALSE(ShellExecuteExW(&info));
    EXPECT_EQ(DWORD(ERROR_FILE_NOT_FOUND), GetLastError());
    info.cbSize = 12;
    EXPECT_FALSE(ShellExecuteExW(&info));
    INITCOMMONCONTROLSEX controls { 4, ICC_LISTVIEW_CLASSES };
    EXPECT_FALSE(InitCommonControlsEx(&controls));
    controls.dwSize = sizeof(controls);
    EXPECT_TRUE(InitCommonControlsEx(&controls));
}

TEST_F(ShellTest, ActivationRecordGivesTheFocusBack)
{
    HWND top = uitest::CreateRecorder(u"activation");
    HWND child = uitest::CreateRecorder(u"child", top, WS_CHILD | WS_VISIBLE);
    SetFocus(child);
    SHACTIVATEINFO info {};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(SHHandleWMActivate(top, 0, 0, &info, 0));   // losing activation keeps the focus
    EXPECT_EQ(child, info.hwndLastFocus);
    SetFocus(top);
    EXPECT_TRUE(SHHandleWMActivate(top, 1, 0, &info, 0));
    EXPECT_EQ(child, GetFocus());
    EXPECT_TRUE(SHHandleWMSettingChange(top, 0, 0, &info));
    DestroyWindow(top);
}

TEST(EditLayoutTest, WrapsAtSpacesBreaksLongWordsAndKeepsHardLines)
{
    auto measure = [](const char16_t*, int count) { return count * 10; };
    auto lines = wce::ui::LayoutEditLines(u"aaa bbb ccc\r\nd", 75, measure);
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ(0u, lines[0].start);
    EXPECT_EQ(4u, lines[0].length);    // "aaa " fits, "aaa bbb" does not
    EXPECT_EQ(4u, lines[1].start);
    EXPECT_EQ(7u, lines[1].length);    // "bbb ccc" without the CR LF
    EXPECT_EQ(13u, lines[2].start);
    lines = wce::ui::LayoutEditLines(u"abcdefghij", 35, measure);
    ASSERT_EQ(4u, lines.size());       // no space: cut where it stops fitting
    EXPECT_EQ(3u, lines[0].length);
    EXPECT_EQ(1u, wce::ui::LayoutEditLines(u"", 50, measure).size());
}

}  // namespace
