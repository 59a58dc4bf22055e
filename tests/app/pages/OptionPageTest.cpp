// The option page in the running program: what it shows from the settings, what a confirm, the
// defaults command and a cancel leave in the settings file, what the next scan is given, and the
// Smartphone's templates and combo keys.
#include <gtest/gtest.h>

#include <ResourceIds.h>

#include "AppState.h"
#include "MainFrame.h"
#include "OptionLogPageDriver.h"
#include "ScanBridge.h"

#include <OrvMobileEngCE.h>

namespace {

using optlogtest::PageProgram;

const std::string DEFAULT_INI =
    "[Option]\r\nVirOp=0\r\nFileType=0\r\nFlag=259\r\n\r\n[Util]\r\nBackup=2\r\nLogMax=8\r\n";

std::string IniOf(uint32_t flag, int fileType, int virusAction, uint32_t logMaxKB, uint32_t backup)
{
    return "[Option]\r\nVirOp=" + std::to_string(virusAction) + "\r\nFileType=" + std::to_string(fileType) +
           "\r\nFlag=" + std::to_string(flag) + "\r\n\r\n[Util]\r\nBackup=" + std::to_string(backup) +
           "\r\nLogMax=" + std::to_string(logMaxKB) + "\r\n";
}

// Put together at run time so that this source file is not itself a test file.
std::string TestFileText()
{
    return std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*";
}

// What the controls show: the two boxes and the selected label of each combo box ("" for none).
struct Shown {
    bool flag0 = false;
    bool flag1 = false;
    std::u16string fileType, virusAction, logSize, backup;
};

std::u16string SelectedLabel(HWND combo)
{
    const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    WCHAR text[256] = {};
    if (index >= 0)
        SendMessageW(combo, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text));
    return text;
}

Shown ShownOn(HWND dialog)
{
    Shown shown;
    wce::automation::RunOnWindowThread(dialog, [&] {
        shown.flag0 = IsDlgButtonChecked(dialog, IDC_OPTION_FLAG0) == BST_CHECKED;
        shown.flag1 = IsDlgButtonChecked(dialog, IDC_OPTION_FLAG1) == BST_CHECKED;
        shown.fileType = SelectedLabel(GetDlgItem(dialog, IDC_OPTION_FILETYPE));
        shown.virusAction = SelectedLabel(GetDlgItem(dialog, IDC_OPTION_ACTION));
        shown.logSize = SelectedLabel(GetDlgItem(dialog, IDC_OPTION_LOGSIZE));
        shown.backup = SelectedLabel(GetDlgItem(dialog, IDC_OPTION_BACKUP));
    });
    return shown;
}

// Picks the item with exactly this label, as a user would in the drop-down list.
void Pick(HWND dialog, int comboId, const std::u16string& label)
{
    HWND combo = GetDlgItem(dialog, comboId);
    const LRESULT index = SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(label.c_str()));
    ASSERT_GE(index, 0) << std::string(label.begin(), label.end());
    SendMessageW(combo, CB_SETCURSEL, WPARAM(index), 0);
}

void SetBox(HWND dialog, int id, bool checked)
{
    SendMessageW(GetDlgItem(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

class OptionPageTest : public ::testing::Test {
protected:
    void Start(const std::string& ini)
    {
        if (!ini.empty())
            program.WriteFile(program.HostPath("OrvMobile.ini"), ini);
        ASSERT_NE(nullptr, program.Start());
        dialog = program.Open(CMD_SHOW_OPTIONS);
        ASSERT_NE(nullptr, dialog);
    }
    OptionSettings ContextOptions() const
    {
        OptionSettings options = {};
        wce::automation::RunOnWindowThread(program.main,
            [&] { g_app.frame->serviceContext->GetSettings(SETTINGS_OPTIONS, &options); });
        return options;
    }
    UtilSettings ContextUtil() const
    {
        UtilSettings util = {};
        wce::automation::RunOnWindowThread(program.main,
            [&] { g_app.frame->serviceContext->GetSettings(SETTINGS_UTIL, &util); });
        return util;
    }
    std::u16string Label(UINT id) const { return shelltest::ResString(id); }

    PageProgram program;
    HWND dialog = nullptr;
};

TEST_F(OptionPageTest, ConfirmingWithoutChangesWritesBackTheLoadedValues)
{
    // Loose spacing, so that the rewrite shows: each key line is rebuilt as name=value.
    Start("[Option]\r\nVirOp = 2\r\nFileType= 1\r\nFlag =258\r\n[Util]\r\nBackup=7\r\n  LogMax = 32\r\n");
    const Shown shown = ShownOn(dialog);
    EXPECT_FALSE(shown.flag0);
    EXPECT_TRUE(shown.flag1);
    EXPECT_EQ(Label(IDS_FILETYPE_PROGRAMS), shown.fileType);
    EXPECT_EQ(Label(IDS_ACTION_ASK), shown.virusAction);
    EXPECT_EQ(u"32 KB", shown.logSize);
    EXPECT_EQ(u"7%", shown.backup);
    ASSERT_TRUE(program.Close(dialog, IDOK));
    EXPECT_EQ(IniOf(258, 1, 2, 32, 7), program.ReadFile("OrvMobile.ini"));
}

TEST_F(OptionPageTest, ActionListIsInItsOwnOrderWhileTheStoredValuesKeepTheirs)
{
    Start("");
    std::vector<std::u16string> items;
    wce::automation::RunOnWindowThread(dialog, [&] {
        HWND combo = GetDlgItem(dialog, IDC_OPTION_ACTION);
        for (LRESULT i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
            WCHAR text[256] = {};
            SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
    });
    const std::vector<std::u16string> expected = { Label(IDS_ACTION_REPORT), Label(IDS_ACTION_RENAME),
                                                   Label(IDS_ACTION_ASK), Label(IDS_ACTION_DELETE) };
    EXPECT_EQ(expected, items);
    // The first row of the list is stored as 3.
    Pick(dialog, IDC_OPTION_ACTION, Label(IDS_ACTION_REPORT));
    ASSERT_TRUE(program.Close(dialog, IDOK));
    EXPECT_EQ(3, ContextOptions().virusAction);
}

TEST_F(OptionPageTest, SavingOnAFreshDeviceWritesExactlyTheChosenValues)
{
    Start("");
    EXPECT_FALSE(std::filesystem::exists(program.HostPath("OrvMobile.ini")));
    EXPECT_TRUE(optlogtest::SaveShot(dialog, "option-ppc"));
    SetBox(dialog, IDC_OPTION_FLAG0, false);
    Pick(dialog, IDC_OPTION_ACTION, Label(IDS_ACTION_ASK));
    Pick(dialog, IDC_OPTION_LOGSIZE, u"64 KB");
    Pick(dialog, IDC_OPTION_BACKUP, u"10%");
    ASSERT_TRUE(program.Close(dialog, IDOK));
    EXPECT_EQ("[Option]\r\nVirOp=2\r\nFileType=0\r\nFlag=258\r\n\r\n[Util]\r\nBackup=10\r\nLogMax=64\r\n",
              program.ReadFile("OrvMobile.ini"));
    const UtilSettings util = ContextUtil();
    EXPECT_EQ(64u, util.logMaxKB);
    EXPECT_EQ(10u, util.backupCount);
}

TEST_F(OptionPageTest, TheBoxesChangeOnlyTheirOwnBitsOfTheFlagWord)
{
    Start(IniOf(0x500, 0, 0, 8, 2));   // bits 8 and 10, neither box checked
    EXPECT_FALSE(ShownOn(dialog).flag0);
    SetBox(dialog, IDC_OPTION_FLAG0, true);
    ASSERT_TRUE(program.Close(dialog, IDOK));
    EXPECT_EQ(0x501u, ContextOptions().flag);
    EXPECT_EQ(IniOf(0x501, 0, 0, 8, 2), program.ReadFile("OrvMobile.ini"));
}

TEST_F(OptionPageTest, TheDefaultsCommandShowsTheDefaultsAndSavesThemOnlyWhenConfirmed)
{
    Start(IniOf(0, 1, 3, 64, 9));
    optlogtest::ChooseFromMenu(dialog, CMD_OPTION_DEFAULTS);
    const Shown shown = ShownOn(dialog);
    EXPECT_TRUE(shown.flag0);
    EXPECT_TRUE(shown.flag1);
    EXPECT_EQ(Label(IDS_FILETYPE_ALL), shown.fileType);
    EXPECT_EQ(Label(IDS_ACTION_DELETE), shown.virusAction);
    EXPECT_EQ(u"8 KB", shown.logSize);
    EXPECT_EQ(u"2%", shown.backup);
    EXPECT_EQ(IniOf(0, 1, 3, 64, 9), program.ReadFile("OrvMobile.ini"));
    ASSERT_TRUE(program.Close(dialog, IDOK));
    EXPECT_EQ(DEFAULT_INI, program.ReadFile("OrvMobile.ini"));
    EXPECT_EQ(259u, ContextOptions().flag);
}

TEST_F(OptionPageTest, CancelAfterChangesAndDefaultsLeavesContextAndFileAsTheyWere)
{
    const std::string ini = IniOf(1, 1, 3, 16, 5);
    Start(ini);
    SetBox(dialog, IDC_OPTION_FLAG1, true);
    Pick(dialog, IDC_OPTION_LOGSIZE, u"1 KB");
    optlogtest::ChooseFromMenu(dialog, CMD_OPTION_DEFAULTS);
    // The Pocket PC bar's left key is Cancel.
    optlogtest::PressLeftSoftKey(dialog);
    ASSERT_TRUE(shelltest::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_EQ(ini, program.ReadFile("OrvMobile.ini"));
    const OptionSettings options = ContextOptions();
    EXPECT_EQ(1u, options.flag);
    EXPECT_EQ(1, options.fileType);
    EXPECT_EQ(3, options.virusAction);
    EXPECT_EQ(16u, ContextUtil().logMaxKB);
}

TEST_F(OptionPageTest, StoredValuesThatNoRowCarriesAreKeptWhenConfirmed)
{
    // Both are accepted by the settings store but offered by no row of the page.
    Start(IniOf(259, -3, 0, 2, 2));
    const Shown shown = ShownOn(dialog);
    EXPECT_EQ(u"", shown.fileType);
    EXPECT_EQ(u"", shown.logSize);
    Pick(dialog, IDC_OPTION_BACKUP, u"3%");
    ASSERT_TRUE(program.Close(dialog, IDOK));
    EXPECT_EQ(IniOf(259, -3, 0, 2, 3), program.ReadFile("OrvMobile.ini"));
}

// Starts the program with a test file named as a program and as a document, and saves
// report-only on programs and documents (from delete-all-files, the defaults) on the option page.
std::filesystem::path SaveReportOnlyOnPrograms(PageProgram& program, const std::string& stem)
{
    const std::filesystem::path folder = program.device.root / "My Documents";
    program.WriteFile(folder / (stem + ".exe"), TestFileText());
    program.WriteFile(folder / (stem + ".txt"), TestFileText());
    HWND dialog = program.Start() ? program.Open(CMD_SHOW_OPTIONS) : nullptr;
    if (!dialog)
        return {};
    Pick(dialog, IDC_OPTION_FILETYPE, shelltest::ResString(IDS_FILETYPE_PROGRAMS));
    Pick(dialog, IDC_OPTION_ACTION, shelltest::ResString(IDS_ACTION_REPORT));
    return program.Close(dialog, IDOK) ? folder : std::filesystem::path();
}

TEST(OptionPageScan, TheNextScanIsGivenTheSavedOptions)
{
    PageProgram program({}, true);
    const std::filesystem::path folder = SaveReportOnlyOnPrograms(program, "a");
    ASSERT_FALSE(folder.empty());

    int32_t exeResult = -1, txtResult = -1;
    wce::automation::RunOnWindowThread(program.main, [&] {
        ScanBridge* bridge = g_app.frame->scanBridge;
        ASSERT_NE(nullptr, bridge);
        WCHAR name[MAX_PATH] = {};
        bridge->BeginScan(nullptr);
        exeResult = bridge->ScanFile(u"\\My Documents\\a.exe", name, 0);
        txtResult = bridge->ScanFile(u"\\My Documents\\a.txt", name, 0);
        bridge->EndScan();
    });
    EXPECT_EQ(SCAN_FOUND_LEFT, exeResult);
    EXPECT_EQ(SCAN_CLEAN, txtResult);
    EXPECT_TRUE(std::filesystem::exists(folder / "a.exe"));
    EXPECT_TRUE(std::filesystem::exists(folder / "a.txt"));
}

TEST(OptionPageScan, TheScanPageRunsWithTheSavedOptions)
{
    PageProgram program({}, true);
    const std::filesystem::path folder = SaveReportOnlyOnPrograms(program, "b");
    ASSERT_FALSE(folder.empty());

    // Report-only asks at the end of the run; No leaves the finding as it is.
    wce::automation::QueueMessageBoxAnswer(IDNO);
    HWND scan = program.Open(CMD_SHOW_SCAN);
    ASSERT_NE(nullptr, scan);
    std::u16string results;
    const std::u16string done = shelltest::ResString(IDS_MSG_DONE_INFECTED);
    EXPECT_TRUE(shelltest::WaitUntil(
        [&] {
            results = shelltest::TextOf(scan, IDC_SCAN_RESULTS);
            return results.find(done) != std::u16string::npos;
        },
        60000));
    EXPECT_NE(std::u16string::npos, results.find(u"\\My Documents\\b.exe: " + shelltest::ResString(IDS_LABEL_LEFT)));
    EXPECT_EQ(std::u16string::npos, results.find(u"b.txt"));
    EXPECT_TRUE(program.Close(scan, IDOK));
    EXPECT_TRUE(std::filesystem::exists(folder / "b.exe"));
}

TEST(OptionPageSmartphone, SecondColumnTemplateAndCombosMoveWithLeftAndRight)
{
    PageProgram program(optlogtest::Environment { { "WCE_PLATFORM", "SmartPhone" } });
    ASSERT_NE(nullptr, program.Start());
    HWND dialog = program.Open(CMD_SHOW_OPTIONS);
    ASSERT_NE(nullptr, dialog);
    uint32_t menuBarId = 0;
    bool hooked = false;
    HWND action = GetDlgItem(dialog, IDC_OPTION_ACTION);
    wce::automation::RunOnWindowThread(dialog, [&] {
        menuBarId = optlogtest::PageOf(dialog)->menuBarId;
        hooked = GetWindowLongW(action, GWL_WNDPROC) == reinterpret_cast<LONG_PTR>(SubclassProc);
    });
    EXPECT_EQ(uint32_t(IDR_OPTION_SP), menuBarId);
    EXPECT_TRUE(hooked);
    EXPECT_TRUE(optlogtest::SaveShot(dialog, "option-sp"));

    // The defaults select "delete", the last row; right stays there, left walks up to the first.
    EXPECT_EQ(3, SendMessageW(action, CB_GETCURSEL, 0, 0));
    SendMessageW(action, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(3, SendMessageW(action, CB_GETCURSEL, 0, 0));
    for (int i = 0; i < 4; ++i)
        SendMessageW(action, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(0, SendMessageW(action, CB_GETCURSEL, 0, 0));
    SendMessageW(action, WM_KEYDOWN, VK_RIGHT, 0);
    HWND fileType = GetDlgItem(dialog, IDC_OPTION_FILETYPE);
    SendMessageW(fileType, WM_KEYDOWN, VK_RIGHT, 0);
    // The bar's left key is Save on a Smartphone.
    optlogtest::PressLeftSoftKey(dialog);
    ASSERT_TRUE(shelltest::WaitUntil([&] { return !IsWindow(dialog); }, 10000));
    EXPECT_EQ(IniOf(259, 1, 1, 8, 2), program.ReadFile("OrvMobile.ini"));
}

} // namespace
