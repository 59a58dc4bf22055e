// The page framework on plain windows: layout, help by page kind, captions, combo keys, wrappers.
#include <gtest/gtest.h>

#include <filesystem>

#include <wce/Automation.h>
#include <wce/CommCtrl.h>

#include "AppState.h"
#include "DialogPage.h"
#include "common/TempDeviceRoot.h"

#include <ResourceIds.h>

namespace {

class TestPage : public AppPage {
public:
    int GetPageKind() noexcept override { return kind; }
    const LayoutEntry* GetLayout() noexcept override { return layout; }
    int Create(ServiceContext*, void*) noexcept override { return 0; }
    void Destroy(unsigned flags) noexcept override { DialogPage::Destroy(flags); }
    int kind = PAGE_KIND_SCAN;
    const LayoutEntry* layout = nullptr;
};

class DialogPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_app = AppState();
        g_app.platformFlags = PLATFORM_FLAGS_POCKETPC;
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = u"PageTestHost";
        RegisterClassW(&windowClass);
        host = CreateWindowExW(0, u"PageTestHost", u"", WS_POPUP, 0, 0, 200, 150, nullptr, nullptr, nullptr, nullptr);
        page.dialog = host;
        wce::automation::ResetLaunches();
        wce::automation::ResetMessageBoxes();
    }
    void TearDown() override
    {
        DestroyWindow(host);
        if (g_app.resourceModule)
            FreeLibrary(g_app.resourceModule);
        g_app.resourceModule = nullptr;
        unsetenv("WCE_DEVICE_ROOT");
        unsetenv("WCE_CODEPAGE");
        wce::ReloadDeviceProfile();
    }

    HWND Child(const WCHAR* className, int id, int left, int top, int width, int height)
    {
        return CreateWindowExW(0, className, u"", WS_CHILD | WS_VISIBLE, left, top, width, height, host,
                               reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
    }
    RECT ClientRectOf(HWND control)
    {
        RECT rect = {};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, host, reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }

    TempDeviceRoot device;
    HWND host = nullptr;
    TestPage page;
};

TEST_F(DialogPageTest, LayoutWidensToTheRightEdgeAndKeepsHeight)
{
    RECT client = {};
    GetClientRect(host, &client);
    HWND control = Child(u"STATIC", 1001, 5, 20, client.right - 5 - 10, 20);
    const LayoutEntry layout[] = { { 1001, 0 }, { 0, 0 } };
    page.layout = layout;
    ApplyLayout(&page);
    RECT moved = ClientRectOf(control);
    EXPECT_EQ(client.right, moved.right);
    EXPECT_EQ(20, moved.top);
    EXPECT_EQ(40, moved.bottom);
}

TEST_F(DialogPageTest, LayoutLeavesControlsWithinThreePixelsAndStretchesFromFour)
{
    RECT client = {};
    GetClientRect(host, &client);
    const int w = client.right, h = client.bottom;
    HWND near = Child(u"STATIC", 1001, 0, 10, w - 3, h - 10 - 3);
    HWND far = Child(u"STATIC", 1002, 0, 10, w - 3, h - 10 - 4);
    const LayoutEntry layout[] = { { 1001, 1 }, { 1002, 1 }, { 1003, 1 }, { 0, 0 } };
    page.layout = layout;
    ApplyLayout(&page);
    EXPECT_EQ(h - 3, ClientRectOf(near).bottom);
    EXPECT_EQ(w - 3, ClientRectOf(near).right);
    EXPECT_EQ(w, ClientRectOf(far).right);
    EXPECT_EQ(h - 2, ClientRectOf(far).bottom);   // two pixels are kept free at the bottom
}

TEST_F(DialogPageTest, HelpOpensTheTopicOfThePageKindAndNothingOnTheAboutPage)
{
    struct Row {
        int kind;
        const char16_t* anchor;
    };
    const Row rows[] = { { PAGE_KIND_LOG, u"log" }, { PAGE_KIND_BACKUP, u"backup" }, { PAGE_KIND_OPTION, u"option" },
                         { PAGE_KIND_SCAN, u"scan" }, { PAGE_KIND_ABOUT, nullptr } };
    device.MakeFolder("\\Windows");
    device.Write("\\Windows\\OrvMobileEN.htm", "<html></html>");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind);
        wce::automation::ResetLaunches();
        page.kind = row.kind;
        EXPECT_EQ(0, page.OnCommand(CMD_PAGE_HELP, CMD_PAGE_HELP, 0));
        auto launches = wce::automation::GetLaunchHistory();
        if (!row.anchor) {
            EXPECT_TRUE(launches.empty());
            continue;
        }
        ASSERT_EQ(1u, launches.size());
        EXPECT_EQ(u"\\Windows\\peghelp.exe", launches[0].file);
        EXPECT_EQ(std::u16string(u"\\Windows\\OrvMobileEN.htm#") + row.anchor, launches[0].parameters);
    }
}

TEST_F(DialogPageTest, SmartphoneHelpOpensTheFileInTheHelpFolder)
{
    g_app.platformFlags = PLATFORM_FLAGS_SMARTPHONE;
    lstrcpynW(g_app.helpFolder, u"\\Program Files\\Orv\\Help\\", MAX_PATH);
    device.MakeFolder("\\Program Files\\Orv\\Help");
    device.Write("\\Program Files\\Orv\\Help\\OrvMobileEN.htm", "<html></html>");
    page.kind = PAGE_KIND_LOG;
    page.OnCommand(CMD_PAGE_HELP, 0, 0);
    auto launches = wce::automation::GetLaunchHistory();
    ASSERT_EQ(1u, launches.size());
    EXPECT_EQ(u"file://\\Program Files\\Orv\\Help\\OrvMobileEN.htm#log", launches[0].file);
    EXPECT_EQ(u"open", launches[0].verb);
}

// Where the family looks finds no help file: a box says which file is missing, and nothing is
// launched. Help where only the other family looks does not count.
TEST_F(DialogPageTest, MissingHelpFileIsSaidInABoxAndNothingIsLaunched)
{
    std::filesystem::copy_file(std::filesystem::path(ORV_RES_DIR) / "OrvResEN.DLL", device.Host("\\OrvResEN.DLL"));
    g_app.resourceModule = LoadLibraryW(u"\\OrvResEN.DLL");
    ASSERT_NE(nullptr, g_app.resourceModule);
    lstrcpynW(g_app.helpFolder, u"\\Program Files\\Orv\\Help\\", MAX_PATH);
    device.MakeFolder("\\Program Files\\Orv\\Help");
    device.Write("\\Program Files\\Orv\\Help\\OrvMobileEN.htm", "<html></html>");
    page.kind = PAGE_KIND_SCAN;
    EXPECT_EQ(0, page.OnCommand(CMD_PAGE_HELP, 0, 0));
    EXPECT_TRUE(wce::automation::GetLaunchHistory().empty());
    auto boxes = wce::automation::GetMessageBoxHistory();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(u"The help file \\Windows\\OrvMobileEN.htm is not on this device.", boxes[0].text);
    EXPECT_EQ(UINT(MB_OK | MB_ICONEXCLAMATION), boxes[0].style);
    EXPECT_EQ(host, boxes[0].owner);
}

TEST_F(DialogPageTest, CaptionJoinsTitleAndTextOnTheDialogOutsideThePocketPcFamily)
{
    g_app.platformFlags = PLATFORM_FLAGS_SMARTPHONE;
    lstrcpynW(g_app.title, u"Orv", 100);
    SetCaption(&page, u"Scan");
    WCHAR text[64] = {};
    GetWindowTextW(host, text, 64);
    EXPECT_EQ(std::u16string(u"Orv Scan"), text);
}

TEST_F(DialogPageTest, SmartphoneComboKeysStopAtBothEnds)
{
    g_app.platformFlags = PLATFORM_FLAGS_SMARTPHONE;
    HWND combo = Child(u"COMBOBOX", 1007, 0, 0, 100, 20);
    ComboBox box(combo);
    box.AddUnique(u"one");
    box.AddUnique(u"two");
    box.SetCurSel(0);
    ASSERT_EQ(1, InstallComboKeys(combo));
    SendMessageW(combo, WM_KEYDOWN, VK_LEFT, 0);
    EXPECT_EQ(0, box.GetCurSel());
    SendMessageW(combo, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageW(combo, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(1, box.GetCurSel());
    DestroyWindow(combo);
    EXPECT_EQ(0, g_app.subclassCount);

    HWND empty = Child(u"COMBOBOX", 1008, 0, 0, 100, 20);
    ASSERT_EQ(1, InstallComboKeys(empty));
    SendMessageW(empty, WM_KEYDOWN, VK_RIGHT, 0);
    EXPECT_EQ(-1, ComboBox(empty).GetCurSel());
}

TEST_F(DialogPageTest, ComboKeysNeedASmartphoneAndAFreeSlot)
{
    g_app.platformFlags = PLATFORM_FLAGS_POCKETPC;
    HWND combo = Child(u"COMBOBOX", 1007, 0, 0, 100, 20);
    EXPECT_EQ(1, InstallComboKeys(combo));
    EXPECT_EQ(0, g_app.subclassCount);
    g_app.platformFlags = PLATFORM_FLAGS_SMARTPHONE;
    for (int i = 0; i < SUBCLASS_SLOT_COUNT; ++i)
        ASSERT_EQ(1, InstallComboKeys(Child(u"COMBOBOX", 2000 + i, 0, 0, 10, 10)));
    EXPECT_EQ(0, InstallComboKeys(combo));
    EXPECT_EQ(SUBCLASS_SLOT_COUNT, g_app.subclassCount);
    DestroyWindow(host);   // the children go with it and free their slots
    host = nullptr;
    EXPECT_EQ(0, g_app.subclassCount);
}

TEST_F(DialogPageTest, AddUniqueFindsAnItemThatBeginsWithTheTextIgnoringCase)
{
    ComboBox box(Child(u"COMBOBOX", 1008, 0, 0, 100, 20));
    EXPECT_EQ(0, box.AddUnique(u"Alpha"));
    EXPECT_EQ(1, box.AddUnique(u"Beta"));
    EXPECT_EQ(0, box.AddUnique(u"al"));
    EXPECT_EQ(2, box.GetCount());
}

TEST_F(DialogPageTest, EditAppendsAtTheEndWhateverTheSelection)
{
    EditBox edit(Child(u"EDIT", 1001, 0, 0, 100, 40));
    edit.SetText(u"first");
    SendMessageW(edit.window, EM_SETSEL, 0, 2);
    edit.AppendText(u" second");
    WCHAR text[64] = {};
    EXPECT_EQ(12, edit.GetText(text, 64));
    EXPECT_EQ(std::u16string(u"first second"), text);
}

TEST_F(DialogPageTest, ListViewAppendsAtTheEndAndFindsTheSelection)
{
    ListView list(Child(WC_LISTVIEWW, 1001, 0, 0, 100, 80));
    EXPECT_EQ(0, list.AppendItem(u"a"));
    EXPECT_EQ(1, list.AppendItem(u"b"));
    EXPECT_EQ(-1, list.GetNextSelected(-1));
    list.SelectItem(1);
    EXPECT_EQ(1, list.GetNextSelected(-1));
    list.DeleteAll();
    EXPECT_EQ(-1, list.GetNextSelected(-1));
}

} // namespace
