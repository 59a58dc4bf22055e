// Menus built in code, and the menu resource reader's limits.
#include <gtest/gtest.h>

#include <algorithm>

#include "MenuResource.h"
#include "wce/WinBase.h"
#include "wce/WinUser.h"

namespace {

TEST(MenuTest, ItemStatesReturnTheirPreviousValues)
{
    HMENU popup = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuW(popup, MF_STRING, 10, u"&Open"));
    ASSERT_TRUE(AppendMenuW(popup, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuW(popup, MF_STRING | MF_GRAYED, 11, u"Close"));
    ASSERT_TRUE(InsertMenuW(popup, 0, MF_BYPOSITION | MF_STRING, 9, u"First"));
    EXPECT_EQ(4, GetMenuItemCount(popup));
    EXPECT_EQ(UINT(9), GetMenuItemID(popup, 0));
    EXPECT_EQ(DWORD(MF_UNCHECKED), CheckMenuItem(popup, 10, MF_BYCOMMAND | MF_CHECKED));
    EXPECT_EQ(DWORD(MF_CHECKED), CheckMenuItem(popup, 10, MF_BYCOMMAND | MF_UNCHECKED));
    EXPECT_EQ(DWORD(-1), CheckMenuItem(popup, 99, MF_BYCOMMAND | MF_CHECKED));
    EXPECT_EQ(MF_GRAYED, EnableMenuItem(popup, 11, MF_BYCOMMAND | MF_ENABLED));
    EXPECT_EQ(MF_ENABLED, EnableMenuItem(popup, 3, MF_BYPOSITION | MF_GRAYED));
    EXPECT_EQ(-1, EnableMenuItem(popup, 99, MF_BYCOMMAND | MF_GRAYED));
    EXPECT_TRUE(DestroyMenu(popup));
}

TEST(MenuTest, ItemTextIsCutToTheBufferAndSubMenusGoWithTheirParent)
{
    HMENU bar = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuW(popup, MF_STRING, 20, u"Settings");
    AppendMenuW(bar, MF_POPUP, UINT_PTR(popup), u"Tools");
    WCHAR text[5];
    std::fill(std::begin(text), std::end(text), WCHAR(0xCCCC));
    MENUITEMINFOW info {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_TYPE | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 4;
    ASSERT_TRUE(GetMenuItemInfoW(bar, 0, TRUE, &info));
    EXPECT_EQ(std::u16string(u"Too"), std::u16string(text));
    EXPECT_EQ(UINT(3), info.cch);
    EXPECT_EQ(WCHAR(0xCCCC), text[4]);
    EXPECT_EQ(popup, info.hSubMenu);
    EXPECT_EQ(UINT(MF_CHECKED), (CheckMenuItem(bar, 20, MF_BYCOMMAND | MF_CHECKED), GetMenuState(bar, 20, MF_BYCOMMAND)) & MF_CHECKED);
    EXPECT_TRUE(DeleteMenu(bar, 0, MF_BYPOSITION));
    SetLastError(0);
    EXPECT_FALSE(DestroyMenu(popup));   // deleted with its item
    EXPECT_EQ(DWORD(ERROR_INVALID_MENU_HANDLE), GetLastError());
    DestroyMenu(bar);
}

std::vector<uint8_t> MenuBytes(int popups)
{
    std::vector<uint8_t> bytes = { 0, 0, 0, 0 };
    for (int i = 0; i < popups; ++i) {
        uint16_t flags = 0x10 | (i == popups - 1 ? 0 : 0);
        bytes.insert(bytes.end(), { uint8_t(flags), 0, 'p', 0, 0, 0 });
    }
    // The innermost popup holds one command that ends every level.
    bytes.insert(bytes.end(), { 0x80, 0, 1, 0, 'c', 0, 0, 0 });
    return bytes;
}

TEST(MenuTest, ReaderRefusesNestingBeyondItsLimitAndTruncation)
{
    std::vector<wce::ui::MenuItemTemplate> items;
    std::vector<uint8_t> shallow = MenuBytes(3);
    EXPECT_FALSE(wce::ui::ReadMenuTemplate(ByteReader(shallow.data(), shallow.size()), items));   // levels not ended
    std::vector<uint8_t> deep = MenuBytes(wce::ui::MAX_MENU_DEPTH + 2);
    EXPECT_FALSE(wce::ui::ReadMenuTemplate(ByteReader(deep.data(), deep.size()), items));
    std::vector<uint8_t> one = { 0, 0, 0, 0, 0x80, 0, 5, 0, 'a', 0, 0, 0 };
    ASSERT_TRUE(wce::ui::ReadMenuTemplate(ByteReader(one.data(), one.size()), items));
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(5, items[0].id);
    EXPECT_FALSE(wce::ui::ReadMenuTemplate(ByteReader(one.data(), one.size() - 1), items));
    std::vector<uint8_t> barTooMany = { 0, 0, 17, 0 };
    wce::ui::MenuBarTemplate bar;
    EXPECT_FALSE(wce::ui::ReadMenuBarTemplate(ByteReader(barTooMany.data(), barTooMany.size()), bar));
}

}  // namespace
