// The backup page in the running program: backups made by the engine are listed with their
// details, restored, deleted one by one or all at once; damaged backups and taken places lose nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "BackupPageDriver.h"
#include "ScanPage.h"

namespace {

using namespace backuptest;
namespace automation = wce::automation;

const std::vector<std::string> INFECTED = { "\\My Documents\\one.exe", "\\My Documents\\Sub\\two.com",
                                            "\\My Documents\\three.doc" };

class BackupPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        automation::ResetMessageBoxes();
        automation::ResetPopups();
        device.InstallResources({ "OrvResEN.DLL" });
        device.InstallEngine();
        ShellDevice::AttachPictures();
        program = std::make_unique<shelltest::RunningProgram>();
        main = program->MainWindow();
        ASSERT_NE(nullptr, main);
    }
    void TearDown() override
    {
        automation::ResetMessageBoxes();
        if (dialog && IsWindow(dialog))
            shelltest::RunningProgram::ClosePage(main, dialog);
        program.reset();
    }

    // Writes the infected files (each a different size) and lets the engine treat them.
    void MakeScanBackups()
    {
        for (size_t i = 0; i < INFECTED.size(); ++i)
            WriteHost(HostPath(device, INFECTED[i]), Content(i));
        ASSERT_EQ(std::vector<int32_t>(INFECTED.size(), SCAN_DELETED), ScanWithProgram(main, INFECTED));
    }
    static std::string Content(size_t i) { return TestFileText() + std::string(i + 1, '\n'); }

    void OpenPage()
    {
        dialog = shelltest::RunningProgram::OpenPage(main, CMD_SHOW_BACKUP);
        ASSERT_NE(nullptr, dialog);
    }
    std::filesystem::path BackupFolder() const { return device.programFolder / "Orv-Back.Vir"; }
    size_t BackupFileCount() const
    {
        size_t count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(BackupFolder()))
            count += entry.is_regular_file() ? 1 : 0;
        return count;
    }
    std::u16string DetailsFor(size_t i, const std::u16string& date = u"2026.12.07") const
    {
        return u"File: " + Wide(INFECTED[i]) + u"\r\nVirus: Eicar-Test-Signature\r\nBacked up: " + date
            + u"\r\nSize: " + Wide(std::to_string(Content(i).size())) + u" bytes";
    }

    ShellDevice device { { { "WCE_FAKE_TIME", "2026-12-07T10:20:30" } } };
    std::unique_ptr<shelltest::RunningProgram> program;
    HWND main = nullptr;
    HWND dialog = nullptr;
};

TEST_F(BackupPageTest, ScanBackupsAreListedWithPathVirusDateAndSize)
{
    MakeScanBackups();
    OpenPage();
    ListState list = ListOf(dialog);
    ASSERT_EQ(3u, list.rows.size());
    for (size_t i = 0; i < INFECTED.size(); ++i)
        EXPECT_EQ(Wide(INFECTED[i]), list.rows[i]);
    EXPECT_EQ(0, list.selected);
    EXPECT_EQ(DetailsFor(0), Details(dialog));
    PressKey(dialog, VK_DOWN);
    PressKey(dialog, VK_DOWN);
    EXPECT_EQ(2, ListOf(dialog).selected);
    EXPECT_EQ(DetailsFor(2), Details(dialog));
}

TEST_F(BackupPageTest, BackupsOfAScanPageRunAreListed)
{
    for (size_t i = 0; i < INFECTED.size(); ++i)
        WriteHost(HostPath(device, INFECTED[i]), Content(i));
    HWND scan = shelltest::RunningProgram::OpenPage(main, CMD_SHOW_SCAN);
    ASSERT_NE(nullptr, scan);
    auto running = [&] {
        bool busy = true;
        automation::RunOnWindowThread(scan, [&] {
            busy = static_cast<ScanPage*>(reinterpret_cast<DialogPage*>(GetWindowLongW(scan, GWL_USERDATA)))->IsRunning();
        });
        return busy;
    };
    ASSERT_TRUE(shelltest::WaitUntil([&] { return !running(); }, 60000));
    ASSERT_TRUE(shelltest::RunningProgram::ClosePage(main, scan));
    for (const std::string& path : INFECTED)
        EXPECT_FALSE(std::filesystem::exists(HostPath(device, path))) << path;

    OpenPage();
    std::vector<std::u16string> rows = ListOf(dialog).rows;
    std::sort(rows.begin(), rows.end());
    std::vector<std::u16string> expected;
    for (const std::string& path : INFECTED)
        expected.push_back(Wide(path));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, rows);
}

TEST_F(BackupPageTest, RestoreBringsTheFileBackByteForByteAndRemovesTheEntry)
{
    MakeScanBackups();
    OpenPage();
    PressKey(dialog, VK_DOWN);
    PressKey(dialog, VK_DOWN);
    automation::QueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(CMD_BACKUP_RESTORE, OpenMenu(dialog, CMD_BACKUP_RESTORE).chosen);
    ASSERT_TRUE(shelltest::WaitUntil([&] { return RowCount(dialog) == 2; }, 5000));

    std::vector<automation::MessageBoxRecord> boxes = automation::GetMessageBoxHistory();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(u"Restore " + Wide(INFECTED[2]) + u" from its backup? The file may still contain the virus.",
              boxes[0].text);
    EXPECT_EQ(Content(2), ShellDevice::ReadHost(HostPath(device, INFECTED[2])));
    EXPECT_EQ(2u, BackupFileCount());
    ListState list = ListOf(dialog);
    EXPECT_EQ((std::vector<std::u16string> { Wide(INFECTED[0]), Wide(INFECTED[1]) }), list.rows);
    EXPECT_EQ(1, list.selected);
    EXPECT_EQ(DetailsFor(1), Details(dialog));
}

TEST_F(BackupPageTest, DeleteAsksAndRemovesOnlyTheBackup)
{
    MakeScanBackups();
    OpenPage();
    CommandAnswered(dialog, CMD_BACKUP_DELETE, IDNO);
    EXPECT_EQ(3u, RowCount(dialog));
    EXPECT_EQ(3u, BackupFileCount());

    CommandAnswered(dialog, CMD_BACKUP_DELETE, IDYES);
    std::vector<automation::MessageBoxRecord> boxes = automation::GetMessageBoxHistory();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(u"Delete the backup of " + Wide(INFECTED[0]) + u"? The file cannot be restored afterwards.",
              boxes[1].text);
    EXPECT_EQ(shelltest::ResString(IDS_QUESTION_CAPTION), boxes[1].caption);
    ListState list = ListOf(dialog);
    EXPECT_EQ((std::vector<std::u16string> { Wide(INFECTED[1]), Wide(INFECTED[2]) }), list.rows);
    EXPECT_EQ(0, list.selected);
    EXPECT_EQ(DetailsFor(1), Details(dialog));
    EXPECT_EQ(2u, BackupFileCount());
    EXPECT_FALSE(std::filesystem::exists(HostPath(device, INFECTED[0])));
}

TEST_F(BackupPageTest, DeleteAllAsksThenEmptiesListAndFolderAndGraysTheMenu)
{
    MakeScanBackups();
    std::filesystem::create_directories(BackupFolder() / "Older");
    WriteHost(BackupFolder() / "Older" / "20260101-000000-000.bak", "not even a backup");
    OpenPage();
    automation::PopupRecord menu = OpenMenu(dialog, 0);
    for (UINT id : { CMD_BACKUP_RESTORE, CMD_BACKUP_DELETE, CMD_BACKUP_DELETE_ALL })
        EXPECT_EQ(0u, StateOf(menu, id)) << id;

    automation::SetMessageBoxesWait(true);
    OpenMenu(dialog, CMD_BACKUP_DELETE_ALL);
    automation::MessageBoxRecord box;
    ASSERT_TRUE(automation::WaitForMessageBox(box, 5000));
    EXPECT_EQ(shelltest::ResString(IDS_ASK_DELETE_ALL), box.text);
    EXPECT_EQ(UINT(MB_YESNO | MB_ICONQUESTION), box.style);
    EXPECT_EQ(4u, BackupFileCount());   // nothing is gone while it asks
    EXPECT_TRUE(automation::AnswerMessageBox(IDYES));
    automation::SetMessageBoxesWait(false);
    ASSERT_TRUE(shelltest::WaitUntil([&] { return RowCount(dialog) == 0; }, 5000));

    EXPECT_EQ(shelltest::ResString(IDS_NO_BACKUPS), Details(dialog));
    EXPECT_EQ(0u, BackupFileCount());
    EXPECT_TRUE(std::filesystem::is_directory(BackupFolder() / "Older"));
    menu = OpenMenu(dialog, CMD_BACKUP_RESTORE);
    EXPECT_EQ(0u, menu.chosen);
    for (UINT id : { CMD_BACKUP_RESTORE, CMD_BACKUP_DELETE, CMD_BACKUP_DELETE_ALL })
        EXPECT_EQ(UINT(MF_GRAYED), StateOf(menu, id)) << id;
}

TEST_F(BackupPageTest, WithoutSelectionRestoreAndDeleteAreGrayedAndDoNothing)
{
    MakeScanBackups();
    OpenPage();
    ClearSelection(dialog);
    automation::PopupRecord menu = OpenMenu(dialog, 0);
    EXPECT_EQ(UINT(MF_GRAYED), StateOf(menu, CMD_BACKUP_RESTORE));
    EXPECT_EQ(UINT(MF_GRAYED), StateOf(menu, CMD_BACKUP_DELETE));
    EXPECT_EQ(0u, StateOf(menu, CMD_BACKUP_DELETE_ALL));
    // The menu bar's own Restore button cannot be grayed: without a selection it asks nothing.
    PostMessageW(dialog, WM_COMMAND, CMD_BACKUP_RESTORE, 0);
    PostMessageW(dialog, WM_COMMAND, CMD_BACKUP_DELETE, 0);
    automation::RunOnWindowThread(dialog, [] {});
    EXPECT_TRUE(automation::GetMessageBoxHistory().empty());
    EXPECT_EQ(3u, RowCount(dialog));
    EXPECT_EQ(3u, BackupFileCount());
}

TEST_F(BackupPageTest, EmptyFolderShowsTheEmptyText)
{
    OpenPage();
    EXPECT_EQ(0u, RowCount(dialog));
    EXPECT_EQ(shelltest::ResString(IDS_NO_BACKUPS), Details(dialog));
    PostMessageW(dialog, WM_COMMAND, CMD_BACKUP_DELETE_ALL, 0);
    automation::RunOnWindowThread(dialog, [] {});
    EXPECT_TRUE(automation::GetMessageBoxHistory().empty());
}

// A restore never replaces what stands at the source path now, and does not make a missing folder;
// either way the user is told, and the backup and its row stay.
TEST_F(BackupPageTest, RestoreKeepsAFileAlreadyThereAndNeedsItsFolder)
{
    MakeScanBackups();
    WriteHost(HostPath(device, INFECTED[0]), "the user's new file");
    std::filesystem::remove_all(HostPath(device, "\\My Documents\\Sub"));
    OpenPage();
    for (int row : { 0, 1 }) {
        SCOPED_TRACE(row);
        if (row == 1)
            PressKey(dialog, VK_DOWN);
        CommandAnswered(dialog, CMD_BACKUP_RESTORE, IDYES);
        std::vector<automation::MessageBoxRecord> boxes = automation::GetMessageBoxHistory();
        ASSERT_EQ(size_t(2 * (row + 1)), boxes.size());
        EXPECT_EQ(Wide(INFECTED[size_t(row)]) + u" was not restored: a file of that name is already there, "
                  u"or its folder is gone. The backup is kept.", boxes.back().text);
        EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), boxes.back().style);
        EXPECT_EQ(3u, RowCount(dialog));
        EXPECT_EQ(3u, BackupFileCount());
    }
    EXPECT_EQ("the user's new file", ShellDevice::ReadHost(HostPath(device, INFECTED[0])));
    EXPECT_FALSE(std::filesystem::exists(HostPath(device, "\\My Documents\\Sub")));
}

// Files in the backup folder that are not backups are left out; a backup whose content is cut
// short is listed but never restored as part of a file.
TEST_F(BackupPageTest, DamagedBackupsAreLeftOutOrListedButNotRestored)
{
    const std::string content = "0123456789";
    WriteHost(BackupFolder() / "20250102-030405-000.bak",
              BackupBytes("\\My Documents\\cut.exe", "Cut.Short", content, 5000));
    std::string noMagic = BackupBytes("\\My Documents\\odd.exe", "Odd", content, 10);
    noMagic[15] = 1;
    WriteHost(BackupFolder() / "20250102-030405-001.bak", noMagic);
    WriteHost(BackupFolder() / "20250102-030405-002.bak", noMagic.substr(0, 30));
    std::string outside = BackupBytes("\\My Documents\\far.exe", "Far", content, 10);
    outside[20] = char(0xFF);   // the source path lies far beyond the file
    WriteHost(BackupFolder() / "x.bak", outside);
    OpenPage();

    ListState list = ListOf(dialog);
    EXPECT_EQ((std::vector<std::u16string> { u"\\My Documents\\cut.exe", u"" }), list.rows);
    EXPECT_EQ(u"File: \\My Documents\\cut.exe\r\nVirus: Cut.Short\r\nBacked up: 2025.01.02\r\nSize: 5000 bytes",
              Details(dialog));
    CommandAnswered(dialog, CMD_BACKUP_RESTORE, IDYES);
    EXPECT_FALSE(std::filesystem::exists(HostPath(device, "\\My Documents\\cut.exe")));
    EXPECT_EQ(2u, RowCount(dialog));

    PressKey(dialog, VK_DOWN);
    EXPECT_EQ(u"File: \r\nVirus: Far\r\nBacked up: \r\nSize: 10 bytes", Details(dialog));
    CommandAnswered(dialog, CMD_BACKUP_RESTORE, IDYES);
    EXPECT_EQ(2u, RowCount(dialog));
    EXPECT_EQ(4u, BackupFileCount());
}

} // namespace
