// Start-up and exit of the program in-process: welcome window, main window, menu bar, log lines,
// single instance and the choice of the resource library.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include <wce/Automation.h>
#include <wce/Shell.h>

#include <ResourceIds.h>

#include "AppMain.h"
#include "AppState.h"
#include "MainWindow.h"
#include "RunningProgram.h"
#include "ShellDevice.h"

namespace {

using shelltest::ResString;
using shelltest::RunningProgram;
using shelltest::WaitForWindow;

std::u16string ModuleFileName(HMODULE module)
{
    WCHAR buffer[MAX_PATH] = {};
    GetModuleFileNameW(module, buffer, MAX_PATH);
    return buffer;
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShellDevice::AttachPictures();
        wce::automation::ResetMessageBoxes();
    }
    std::u16string Log() const
    {
        std::string bytes = ShellDevice::ReadHost(device->programFolder / "OrvMobile.Log");
        std::u16string text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            text.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
        return text;
    }
    std::unique_ptr<ShellDevice> device;
};

TEST_F(StartupTest, WelcomeThenMainWindowWithTitleMenuBarAndLogLines)
{
    device = std::make_unique<ShellDevice>();
    device->InstallResources();
    device->InstallEngine();
    RunningProgram program;
    HWND welcome = WaitForWindow(u"Welcome", 5000);
    ASSERT_NE(nullptr, welcome);
    HWND main = WaitForWindow(MAIN_CLASS_NAME, 10000);
    ASSERT_NE(nullptr, main);
    for (int i = 0; i < 5000 && IsWindow(welcome); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_FALSE(IsWindow(welcome));

    std::u16string title;
    HWND bar = nullptr;
    RECT barRect = {}, frame = {};
    wce::automation::RunOnWindowThread(main, [&] {
        WCHAR text[128] = {};
        GetWindowTextW(main, text, 128);
        title = text;
        bar = g_app.mainMenuBar;
        GetWindowRect(bar, &barRect);
        GetWindowRect(main, &frame);
    });
    EXPECT_EQ(ResString(IDS_APP_TITLE), title);
    EXPECT_FALSE(title.empty());
    ASSERT_NE(nullptr, bar);
    EXPECT_EQ(main, GetWindow(bar, GW_OWNER));
    EXPECT_EQ(barRect.top, frame.bottom);   // the window ends where its menu bar begins
    EXPECT_NE(0u, GetClassLongW(main, GCL_HICON));   // icon 99, which the desktop shows
    EXPECT_TRUE(g_app.started);

    PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, program.Join());
    EXPECT_FALSE(IsWindow(main));
    const std::u16string log = Log();
    const size_t start = log.find(ResString(IDS_LOG_START));
    const size_t end = log.find(ResString(IDS_LOG_END));
    ASSERT_NE(std::u16string::npos, start);
    ASSERT_NE(std::u16string::npos, end);
    EXPECT_LT(start, end);
    EXPECT_EQ(nullptr, g_app.frame);
}

// An engine that faults while it starts (the probe build, told so by a marker in its folder)
// leaves the program running without an engine, and the log says in which step.
TEST_F(StartupTest, AnEngineThatFaultsInInitIsLoggedAndTheProgramRunsOn)
{
    device = std::make_unique<ShellDevice>();
    device->InstallResources({ "OrvResEN.DLL" });
    device->InstallEngine();
    std::filesystem::copy_file(std::filesystem::path(ORV_ENGINE_PROBE_DIR) / "Verdane.dll",
                               device->programFolder / "Lib" / "Verdane.dll",
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(device->programFolder / "Lib" / "fault-init.probe");
    RunningProgram program;
    HWND main = WaitForWindow(MAIN_CLASS_NAME, 10000);
    ASSERT_NE(nullptr, main);
    PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, program.Join());
    std::u16string line = ResString(IDS_FMT_ENGINE_FAULT);
    line.replace(line.find(u"%s"), 2, u"Init");
    EXPECT_NE(std::u16string::npos, Log().find(line));
}

// A library whose title is longer than the program keeps, and which has no welcome caption: the
// main window shows the title's first 99 characters, the welcome window the program's "Welcome".
TEST_F(StartupTest, TitleKeepsNinetyNineCharactersAndTheWelcomeCaptionFallsBack)
{
#ifdef ORV_SHELL_STRINGS_DLL
    device = std::make_unique<ShellDevice>();
    std::filesystem::copy_file(ORV_SHELL_STRINGS_DLL, device->programFolder / "OrvResEN.DLL");
    RunningProgram program;
    HWND welcome = WaitForWindow(u"Welcome", 5000);
    ASSERT_NE(nullptr, welcome);
    // The window may be found while it is still being made: its caption is read once it has one
    // (or the window is gone, in which case the caption never came).
    WCHAR caption[128] = {};
    shelltest::WaitUntil([&] { return GetWindowTextW(welcome, caption, 128) > 0 || !IsWindow(welcome); }, 5000);
    EXPECT_EQ(std::u16string(u"Welcome"), caption);
    HWND main = WaitForWindow(MAIN_CLASS_NAME, 10000);
    ASSERT_NE(nullptr, main);
    const std::u16string title = ResString(IDS_APP_TITLE);
    ASSERT_GT(title.size(), 99u);
    WCHAR text[128] = {};
    GetWindowTextW(main, text, 128);
    EXPECT_EQ(title.substr(0, 99), std::u16string(text));
    PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, program.Join());
#else
    GTEST_SKIP() << "the shell tests' resource library was not built";
#endif
}

// The test library holds the Smartphone bar 200 and not the Pocket PC bar 300: a Smartphone's
// main window has a bar, a Pocket PC's none.
TEST_F(StartupTest, SmartphoneStartsWithItsMenuBarAndFamilyFlags)
{
#ifdef ORV_SHELL_STRINGS_DLL
    const struct {
        const char* platform;
        uint32_t flags;
        bool bar;
    } rows[] = { { "SmartPhone", 0x20000200u, true }, { "PocketPC", 0x10000002u, false } };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.platform);
        device = std::make_unique<ShellDevice>(std::vector<std::pair<std::string, std::string>> {
            { "WCE_PLATFORM", row.platform } });
        std::filesystem::copy_file(ORV_SHELL_STRINGS_DLL, device->programFolder / "OrvResEN.DLL");
        RunningProgram program;
        HWND main = WaitForWindow(MAIN_CLASS_NAME, 10000);
        ASSERT_NE(nullptr, main);
        HWND bar = nullptr;
        wce::automation::RunOnWindowThread(main, [&] { bar = g_app.mainMenuBar; });
        EXPECT_EQ(row.bar, bar != nullptr);
        EXPECT_EQ(row.flags, g_app.platformFlags);
        PostMessageW(main, WM_COMMAND, CMD_OK, 0);
        EXPECT_EQ(0, program.Join());
        device.reset();
    }
#else
    GTEST_SKIP() << "the shell tests' resource library was not built";
#endif
}

TEST_F(StartupTest, RunningInstanceIsFoundAndAnswersWithItsMainWindow)
{
    device = std::make_unique<ShellDevice>();
    device->InstallResources({ "OrvResEN.DLL" });
    RunningProgram program;
    HWND main = WaitForWindow(MAIN_CLASS_NAME, 10000);
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(LRESULT(main), SendMessageW(main, 0x8002, 0, 0));   // no page open
    EXPECT_TRUE(ActivateRunningInstance());
    PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, program.Join());
    EXPECT_FALSE(ActivateRunningInstance());
}

TEST_F(StartupTest, WithoutAnyResourceLibraryTheStopBoxIsShownAndTheProgramEnds)
{
    device = std::make_unique<ShellDevice>();
    EXPECT_EQ(0, AppMain(GetModuleHandleW(nullptr)));
    auto boxes = wce::automation::GetMessageBoxHistory();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(u"No resource file", boxes[0].text);
    EXPECT_EQ(u"DaskMobile", boxes[0].caption);
    EXPECT_EQ(16u, boxes[0].style);
    EXPECT_EQ(nullptr, FindWindowW(MAIN_CLASS_NAME, nullptr));
}

TEST_F(StartupTest, ResourceLibraryFollowsTheCodePageAndFallsBackToEnglish)
{
    struct Row {
        const char* codePage;
        std::vector<std::string> installed;
        const char16_t* expected;
    };
    const Row rows[] = {
        { "936", { "OrvResCN.DLL", "OrvResEN.DLL" }, u"OrvResCN.DLL" },
        { "936", { "OrvResEN.DLL" }, u"OrvResEN.DLL" },
        { "950", { "OrvResTW.DLL", "OrvResEN.DLL" }, u"OrvResTW.DLL" },
        { "1252", { "OrvResCN.DLL", "OrvResTW.DLL", "OrvResEN.DLL" }, u"OrvResEN.DLL" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.codePage);
        ShellDevice rowDevice(std::vector<std::pair<std::string, std::string>> { { "WCE_CODEPAGE", row.codePage } });
        rowDevice.InstallResources(row.installed);
        ASSERT_TRUE(LoadResourceLibrary());
        const std::u16string path = ModuleFileName(g_app.resourceModule);
        EXPECT_EQ(row.expected, path.substr(path.size() - std::u16string(row.expected).size()));
    }
}

} // namespace
