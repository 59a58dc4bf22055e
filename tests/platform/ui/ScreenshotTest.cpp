// Screenshots of a sample page in both device families, alone, with its menu bar's popup open and
// with its combo list dropped down, saved in the build folder for a look.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

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

std::string shotFolder;
std::string family;
std::vector<std::string> saved;   // the shots written, in order
HWND sampleBar = nullptr;

void Shoot(const char* name)
{
    wce::automation::PaintPendingWindows();
    std::string path = shotFolder + "/" + name + "-" + family + ".png";
    if (wce::automation::SaveScreenshot(path.c_str()))
        saved.push_back(path);
}

// The bar's popup opens and waits in its own loop; this timer falls due inside it, takes the
// picture and dismisses the popup with a queued choice of nothing.
void CALLBACK ShootPopup(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    HWND popup = FindWindowW(u"menu_popup", nullptr);
    if (popup)
        Shoot("ui-popup");
    wce::automation::QueueMenuChoice(0);
}

void ShootAll(HWND dlg)
{
    Shoot("SamplePage");
    wce::automation::SetPopupsWait(true);
    SetTimer(nullptr, 0, 10, ShootPopup);
    RECT bar {};
    GetClientRect(sampleBar, &bar);
    SendMessageW(sampleBar, WM_LBUTTONUP, 0, MAKELPARAM(bar.right - 5, 5));
    wce::automation::SetPopupsWait(false);
    HWND combo = GetDlgItem(dlg, 13);
    SetFocus(combo);
    SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 0);   // the highlight moves in the open list
    Shoot("ui-combo");
    SendMessageW(combo, WM_KEYDOWN, VK_ESCAPE, 0);
}

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
        sampleBar = bar.hwndMB;
        FillSample(dlg);
        SetTimer(dlg, 1, 10, nullptr);
        return TRUE;
    }
    if (message == WM_TIMER) {
        KillTimer(dlg, 1);
        ShootAll(dlg);
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

// The screenshots are for people to look at; what is checked here is that each was taken with
// its window up and that the open popup and list show on the screen.
TEST_P(ScreenshotTest, PagePopupAndComboListAreSaved)
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
    shotFolder = ORV_UI_SCREENSHOT_DIR;
    family = GetParam();
    std::filesystem::create_directories(shotFolder);
    saved.clear();
    ASSERT_EQ(IDOK, DialogBoxParamW(sampleModule, MAKEINTRESOURCEW(100), nullptr, SampleProc, 0));
    ASSERT_EQ(3u, saved.size());
    for (const std::string& path : saved)
        EXPECT_GT(std::filesystem::file_size(path), 100u) << path;
    EXPECT_NE(std::string::npos, saved[1].find("ui-popup"));
    EXPECT_NE(std::string::npos, saved[2].find("ui-combo"));
    EXPECT_EQ(nullptr, FindWindowW(u"menu_popup", nullptr));
    EXPECT_EQ(nullptr, FindWindowW(u"ComboLBox", nullptr));
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
