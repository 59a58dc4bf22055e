// Screenshots of the backup page with a few backups, in both device families, saved into the
// build folder (screenshots/backup-ppc.png and backup-sp.png) for a person to look at.
#include <gtest/gtest.h>

#include <filesystem>

#include "BackupPageDriver.h"

namespace {

using namespace backuptest;

struct Family {
    const char* platform;   // WCE_PLATFORM, empty for the default Pocket PC
    const char* file;
};

class BackupPageScreenshotTest : public ::testing::TestWithParam<Family> {};

TEST_P(BackupPageScreenshotTest, PageWithThreeBackupsIsSaved)
{
    std::vector<std::pair<std::string, std::string>> environment = { { "WCE_FAKE_TIME", "2026-12-07T10:20:30" } };
    if (*GetParam().platform)
        environment.push_back({ "WCE_PLATFORM", GetParam().platform });
    ShellDevice device(environment);
    device.InstallResources({ "OrvResEN.DLL" });
    device.InstallEngine();
    ShellDevice::AttachPictures();
    const std::vector<std::string> infected = { "\\My Documents\\Letters\\invoice.exe", "\\Storage Card\\game.com",
                                                "\\Windows\\Start Menu\\tool.exe" };
    for (const std::string& path : infected)
        WriteHost(HostPath(device, path), TestFileText());
    shelltest::RunningProgram program;
    HWND main = program.MainWindow();
    ASSERT_NE(nullptr, main);
    ASSERT_EQ(std::vector<int32_t>(3, SCAN_DELETED), ScanWithProgram(main, infected));
    HWND dialog = program.OpenPage(main, CMD_SHOW_BACKUP);
    ASSERT_NE(nullptr, dialog);
    PressKey(dialog, VK_DOWN);

    EXPECT_TRUE(shelltest::SaveScreen(dialog, GetParam().file));
    EXPECT_TRUE(program.ClosePage(main, dialog));
}

INSTANTIATE_TEST_SUITE_P(Families, BackupPageScreenshotTest,
                         ::testing::Values(Family { "", "backup-ppc" }, Family { "SmartPhone", "backup-sp" }),
                         [](const auto& info) { return *info.param.platform ? "SmartPhone" : "PocketPC"; });

} // namespace
