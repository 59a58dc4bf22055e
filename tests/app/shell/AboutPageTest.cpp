// The about page: the engine facts from the service context, and the page opened from the menu.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <tuple>

#include <wce/Automation.h>

#include "AboutPage.h"
#include "AppMain.h"
#include "AppState.h"
#include "MainWindow.h"
#include "PageFactories.h"
#include "ServiceLibrary.h"
#include "RunningProgram.h"
#include "ShellDevice.h"

#include <ResourceIds.h>

namespace {

using shelltest::TextOf;

class AboutPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(BindServiceLibrary());
        context = GetServiceFactories().createServiceContext();
        ASSERT_NE(nullptr, context);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = u"AboutTestHost";
        RegisterClassW(&windowClass);
        host = CreateWindowExW(0, u"AboutTestHost", u"", WS_POPUP, 0, 0, 200, 150, nullptr, nullptr, nullptr, nullptr);
        for (int id = 1022; id <= 1024; ++id)
            CreateWindowExW(0, u"STATIC", u"", WS_CHILD, 0, 0, 50, 10, host, reinterpret_cast<HMENU>(intptr_t(id)),
                            nullptr, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(host);
        if (context)
            context->Release();
    }
    ServiceContext* context = nullptr;
    HWND host = nullptr;
};

TEST_F(AboutPageTest, ShowsPackedVersionDatabaseDateAndBuildDate)
{
    EngineDate date = {};
    date.year = 2006;
    date.month = 9;
    date.day = 15;
    context->SetEngineInfo(0x020504D2, &date);
    AppPage* page = CreateAboutPage(context);
    ASSERT_NE(nullptr, page);
    page->dialog = host;
    page->OnInitDialog(host, 0, 0);
    EXPECT_EQ(u"2.5.1234", TextOf(host, 1022));
    EXPECT_EQ(u"2006.9.15", TextOf(host, 1023));
    EXPECT_EQ(u"2006.09.15", TextOf(host, 1024));
    EXPECT_EQ(PAGE_KIND_ABOUT, page->GetPageKind());
    static_cast<PageDisposer*>(page)->Destroy(1);
}

TEST_F(AboutPageTest, WithoutEngineFactsShowsZeros)
{
    AppPage* page = CreateAboutPage(context);
    ASSERT_NE(nullptr, page);
    page->dialog = host;
    page->OnInitDialog(host, 0, 0);
    EXPECT_EQ(u"0.0.0", TextOf(host, 1022));
    EXPECT_EQ(u"0.0.0", TextOf(host, 1023));
    static_cast<PageDisposer*>(page)->Destroy(1);
}

// The main window and every page opened from its menu, in both families and the three languages:
// the about page shows the engine's facts, and no screen shows a text cut off at the edge of its
// control. The screens are saved for a person to look at.
class PagesFromMenu : public ::testing::TestWithParam<std::tuple<const char*, const char*>> {};

TEST_P(PagesFromMenu, EveryPageShowsItsTextsWholeAndClosesWithDone)
{
    const auto [platform, codePage] = GetParam();
    ShellDevice device({ { "WCE_PLATFORM", platform }, { "WCE_CODEPAGE", codePage } });
    device.InstallResources();
    device.InstallEngine();
    ShellDevice::AttachPictures();
    shelltest::RunningProgram program;
    HWND main = program.MainWindow();
    ASSERT_NE(nullptr, main);
    const std::string suffix = std::string(std::string(platform) == "SmartPhone" ? "sp-" : "ppc-") + codePage;
    EXPECT_TRUE(shelltest::SaveScreen(main, "main-" + suffix));
    const std::pair<UINT, const char*> pages[] = { { CMD_SHOW_SCAN, "scan" }, { CMD_SHOW_OPTIONS, "option" },
                                                   { CMD_SHOW_BACKUP, "backup" }, { CMD_SHOW_LOG, "log" },
                                                   { CMD_SHOW_ABOUT, "about" } };
    for (const auto& [command, name] : pages) {
        SCOPED_TRACE(name);
        HWND dialog = program.OpenPage(main, command);
        ASSERT_NE(nullptr, dialog);
        if (command == CMD_SHOW_SCAN) {
            // The run over the small device ends at once; its end message is what the page shows.
            const std::u16string done = shelltest::ResString(IDS_MSG_DONE_CLEAN);
            EXPECT_TRUE(shelltest::WaitUntil([&] { return TextOf(dialog, IDC_SCAN_CURRENT) == done; }, 20000));
        }
        if (command == CMD_SHOW_ABOUT) {
            EXPECT_EQ(u"2006.09.15", TextOf(dialog, 1024));
            EXPECT_NE(u"0.0.0", TextOf(dialog, 1022));   // the engine's version, not the zeros of no engine
        }
        EXPECT_TRUE(shelltest::SaveScreen(dialog, std::string(name) + "-" + suffix));
        EXPECT_TRUE(program.ClosePage(main, dialog));
        EXPECT_FALSE(IsWindow(dialog));
    }
    PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, program.Join());
}

INSTANTIATE_TEST_SUITE_P(FamiliesAndLanguages, PagesFromMenu,
                         ::testing::Combine(::testing::Values("PocketPC", "SmartPhone"),
                                            ::testing::Values("1252", "936", "950")),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) + "_" + std::get<1>(info.param);
                         });

} // namespace
