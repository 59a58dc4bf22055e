// The about page: the engine facts from the service context, and the page opened from the menu.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <wce/Automation.h>

#include "AboutPage.h"
#include "AppMain.h"
#include "AppState.h"
#include "MainWindow.h"
#include "PageFactories.h"
#include "ServiceLibrary.h"
#include "RunningProgram.h"
#include "ShellDevice.h"

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

// The main window and the about page opened from its menu, in both families; the screens are
// saved for a person to look at.
class AboutPageFromMenu : public ::testing::TestWithParam<const char*> {};

TEST_P(AboutPageFromMenu, OpensAsADialogAndClosesWithDone)
{
    const std::string platform = GetParam();
    ShellDevice device({ { "WCE_PLATFORM", platform } });
    device.InstallResources({ "OrvResEN.DLL" });
    device.InstallEngine();
    ShellDevice::AttachPictures();
    shelltest::RunningProgram program;
    HWND main = program.MainWindow();
    ASSERT_NE(nullptr, main);
    const std::string family = platform == "SmartPhone" ? "sp" : "ppc";
    EXPECT_TRUE(shelltest::SaveScreen(main, "main-" + family));
    HWND dialog = program.OpenPage(main, CMD_SHOW_ABOUT);
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(u"2006.09.15", TextOf(dialog, 1024));
    EXPECT_NE(u"0.0.0", TextOf(dialog, 1022));   // the engine's version, not the zeros of no engine
    EXPECT_TRUE(shelltest::SaveScreen(dialog, "about-" + family));
    EXPECT_TRUE(program.ClosePage(main, dialog));
    EXPECT_FALSE(IsWindow(dialog));
    PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
    EXPECT_EQ(0, program.Join());
}

INSTANTIATE_TEST_SUITE_P(Families, AboutPageFromMenu, ::testing::Values("PocketPC", "SmartPhone"));

} // namespace
