// Screenshots of a sample page in both device families, saved in the build folder for a look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "wce/Automation.h"
#include "wce/CommCtrl.h"
#include "wce/DeviceProfile.h"
#include "wce/GdiInternal.h"
#include "wce/Shell.h"
#include "wce/WinModule.h"

namespace {

HMODULE sampleModule = nullptr;

void FillSample(HWND dlg)
{
    HWND combo = GetDlgItem(dlg, 13);
    for (const char16_t* text : { u"Ask for each file", u"Repair", u"Delete" })
        SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(text));
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    CheckDlgButton(dlg, 11, BST_CHECKED);
    HWND bar = GetDlgItem(dlg, 15);
    SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageW(bar, PBM_SETPOS, 60, 0);
    HWND list = GetDlgItem(dlg, 14);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    LVCOLUMNW column {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 110;
    column.pszText = const_cast<LPWSTR>(u"File");
    SendMessageW(list, LVM_INSERTCOLUMN, 0, LPARAM(&column));
    column.pszText = const_cast<LPWSTR>(u"Virus");
    SendMessageW(list, LVM_INSERTCOLUMN, 1, LPARAM(&column));
    const char16_t* rows[][2] = { { u"\\My Documents\\a.exe", u"Test.Virus.A" }, { u"\\Temp\\b.dll", u"Test.Virus.B" } };
    for (int i = 0; i < 2; ++i) {
        LVITEMW item {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<LPWSTR>(rows[i][0]);
        SendMessageW(list, LVM_INSERTITEM, 0, LPARAM(&item));
        item.iSubItem = 1;
        item.pszText = const_cast<LPWSTR>(rows[i][1]);
        SendMessageW(list, LVM_SETITEMTEXT, i, LPARAM(&item));
    }
    ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
    SetDlgItemTextW(dlg, 12, u"Scan started.\r\n\\Temp\\b.dll: Test.Virus.B found and left.\r\nLast line");
}

std::string shotPath;
bool shotSaved = false;

INT_PTR SampleProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SHINITDLGINFO init { SHIDIM_FLAGS, dlg, SHIDIF_DONEBUTTON | SHIDIF_SIZEDLGFULLSCREEN | SHIDIF_SIPDOWN };
        SHInitDialog(&init);
        SHMENUBARINFO bar {};
        bar.cbSize = sizeof(bar);
        bar.hwndParent = dlg;
        bar.nToolBarId = 300;
        bar.hInstRes = sampleModule;
        SHCreateMenuBar(&bar);
        FillSample(dlg);
        SetTimer(dlg, 1, 10, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER) {
        KillTimer(dlg, 1);
        wce::automation::PaintPendingWindows();
        shotSaved = wce::automation::SaveScreenshot(shotPath.c_str());
        EndDialog(dlg, IDOK);
        return TRUE;
    }
    return FALSE;
}

class ScreenshotTest : public ::testing::TestWithParam<const char*> {
protected:
    void TearDown() override
    {
        unsetenv("WCE_PLATFORM");
        wce::ReloadDeviceProfile();
        WceResetSurface();
        if (sampleModule)
            FreeLibrary(sampleModule);
        sampleModule = nullptr;
    }
};

TEST_P(ScreenshotTest, SamplePageIsSaved)
{
#if defined(ORV_UI_TEST_DLL) && defined(ORV_UI_SCREENSHOT_DIR)
    std::u16string device;
    if (!wce::DevicePathFromHost(ORV_UI_TEST_DLL, device))
        GTEST_SKIP() << "the test resource library is not reachable from the device root";
    setenv("WCE_PLATFORM", GetParam(), 1);
    wce::ReloadDeviceProfile();
    WceResetSurface();
    sampleModule = LoadLibraryW(device.c_str());
    ASSERT_NE(nullptr, sampleModule);
    std::filesystem::create_directories(ORV_UI_SCREENSHOT_DIR);
    shotPath = std::string(ORV_UI_SCREENSHOT_DIR) + "/SamplePage-" + GetParam() + ".png";
    std::filesystem::remove(shotPath);
    shotSaved = false;
    ASSERT_EQ(IDOK, DialogBoxParamW(sampleModule, MAKEINTRESOURCEW(100), nullptr, SampleProc, 0));
    EXPECT_TRUE(shotSaved);
    EXPECT_GT(std::filesystem::file_size(shotPath), 100u);
    WceSurfaceInfo info {};
    WceLockSurface(&info);
    int width = info.width;
    WceUnlockSurface();
    EXPECT_EQ(wce::GetDeviceProfile().screenWidth, width);
#else
    GTEST_SKIP() << "no resource library or screenshot folder in this build";
#endif
}

INSTANTIATE_TEST_SUITE_P(Families, ScreenshotTest, ::testing::Values("PocketPC", "SmartPhone"));

}  // namespace
