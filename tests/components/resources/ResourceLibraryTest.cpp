// Every library holds every string, dialog and menu bar the program asks for, within the limits
// the program's buffers set.
#include <gtest/gtest.h>

#include <map>
#include <algorithm>
#include <set>
#include <string>

#include "ResourceIds.h"
#include "ResourceLibrary.h"

namespace {

struct StringRule {
    UINT id;
    size_t maxLength;        // the caller's buffer less the terminator
    const char* arguments;   // the conversions the caller passes, in order
};

const StringRule STRINGS[] = {
    { IDS_APP_TITLE, 99, "" },
    { IDS_FILETYPE_ALL, 127, "" }, { IDS_FILETYPE_PROGRAMS, 127, "" },
    { IDS_ACTION_DELETE, 127, "" }, { IDS_ACTION_RENAME, 127, "" }, { IDS_ACTION_REPORT, 127, "" },
    { IDS_ACTION_ASK, 127, "" },
    { IDS_LOG_START, 127, "" }, { IDS_LOG_END, 127, "" },
    { IDS_FMT_CURRENT_ITEM, 127, "s" }, { IDS_MSG_DONE_CLEAN, 127, "" }, { IDS_MSG_START, 31, "" },
    { IDS_FMT_FINDING, 127, "sss" }, { IDS_MSG_STOPPED, 127, "" }, { IDS_WELCOME_CAPTION, 62, "" },
    { IDS_ASK_DELETE_BACKUP, 127, "s" }, { IDS_ASK_RESTORE_BACKUP, 127, "s" }, { IDS_ASK_DELETE_ALL, 127, "" },
    { IDS_NO_BACKUPS, 127, "" }, { IDS_QUESTION_CAPTION, 62, "" },
    { IDS_FMT_ASK_TREAT, 255, "ss" }, { IDS_FMT_ASK_TREAT_ALL, 255, "dd" },
    { IDS_LABEL_DELETED, 31, "" }, { IDS_LABEL_RENAMED, 31, "" }, { IDS_LABEL_LEFT, 31, "" },
    { IDS_LABEL_SPARE, 31, "" }, { IDS_MSG_DONE_INFECTED, 127, "" }, { IDS_FMT_BACKUP_DETAILS, 255, "sssu" },
    { IDS_RESTORE_REFUSED, 127, "s" }, { IDS_FMT_NOT_SCANNED, 127, "s" }, { IDS_FMT_DONE_NOT_SCANNED, 127, "d" },
    { IDS_FMT_ENGINE_FAULT, 127, "s" }, { IDS_HELP_MISSING, 127, "s" },
};

// The conversions of a wsprintf format ("%%" is a literal percent sign).
std::string Conversions(const std::u16string& format)
{
    std::string found;
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != u'%')
            continue;
        size_t j = i + 1;
        while (j < format.size() && (format[j] == u'-' || (format[j] >= u'0' && format[j] <= u'9')))
            ++j;
        if (j < format.size() && format[j] != u'%')
            found.push_back(char(format[j]));
        i = j;
    }
    return found;
}

struct Page {
    const char* name;
    UINT ppcDialog, otherDialog;
    std::vector<WORD> controls;
    UINT ppcBar, otherBar;
    std::vector<WORD> commands;   // what the bar and its menu must be able to send
};

const Page PAGES[] = {
    { "log", IDD_LOG_PPC, IDD_LOG_SP, { 1001 }, IDR_LOG_PPC, IDR_LOG_SP, { 20057, 20058, 20045, 1 } },
    { "backup", IDD_BACKUP_PPC, IDD_BACKUP_SP, { 1001, 1025 }, IDR_BACKUP_PPC, IDR_BACKUP_SP,
      { 20008, 20054, 20055, 20045, 1 } },
    { "scan", IDD_SCAN_PPC, IDD_SCAN_SP, { 1001, 1011, 1013, 1026, 1027, 1028, 20050, 20051 }, IDR_SCAN_PPC,
      IDR_SCAN_SP, { 20050, 20051, 20045, 1 } },
    { "option", IDD_OPTION_PPC, IDD_OPTION_SP, { 1001, 1002, 1005, 1006, 1007, 1008 }, IDR_OPTION_PPC,
      IDR_OPTION_SP, { 20007, 20045, 1, 2 } },
    { "about", IDD_ABOUT_PPC, IDD_ABOUT_SP, { 1022, 1023, 1024 }, IDR_ABOUT, IDR_ABOUT, { 1 } },
    { "main", 0, 0, {}, IDR_MAIN_PPC, IDR_MAIN_SP,
      { 20004, 20043, 20044, 20045, 20047, 20048, 20046, 40060 } },
};

// Largest dialogs, in dialog units, that fit the two screens with the caption and the menu bar
// taken away, at our system font's 1.75 pixels per unit.
constexpr int PPC_MAX_CX = 137, PPC_MAX_CY = 153;
constexpr int OTHER_MAX_CX = 100, OTHER_MAX_CY = 96;

class ResourceLibraryTest : public testing::TestWithParam<const char16_t*> {
protected:
    ResourceLibrary library { GetParam() };

    void ExpectDialog(const Page& page, UINT id, int maxCx, int maxCy)
    {
        SCOPED_TRACE(testing::Message() << page.name << " dialog " << id);
        DialogTemplate dialog;
        ASSERT_TRUE(ParseDialog(library.Bytes(RT_DIALOG, id), dialog));
        EXPECT_FALSE(dialog.caption.empty());
        EXPECT_LE(dialog.cx, maxCx);
        EXPECT_LE(dialog.cy, maxCy);
        for (WORD control : page.controls) {
            SCOPED_TRACE(testing::Message() << "control " << control);
            auto item = std::find_if(dialog.items.begin(), dialog.items.end(),
                                     [&](const DialogItem& i) { return i.id == control; });
            ASSERT_NE(dialog.items.end(), item);
            EXPECT_GE(item->x, 0);
            EXPECT_GE(item->y, 0);
            EXPECT_LE(item->x + item->cx, dialog.cx);
            // Combo boxes list their drop-down height; only their edit part must fit.
            EXPECT_LE(item->y + std::min(item->cy, 14), dialog.cy);
        }
    }

    void ExpectMenuBar(const Page& page, UINT id)
    {
        SCOPED_TRACE(testing::Message() << page.name << " menu bar " << id);
        MenuBarRecord bar;
        ASSERT_TRUE(ParseMenuBar(library.Bytes(MAKEINTRESOURCEW(SHMENUBAR), id), bar));
        MenuResource menu;
        ASSERT_TRUE(ParseMenu(library.Bytes(RT_MENU, bar.menuId), menu)) << "menu " << bar.menuId;
        ASSERT_FALSE(bar.buttons.empty());
        std::set<WORD> sent = menu.commands;
        for (const MenuBarButton& button : bar.buttons) {
            EXPECT_FALSE(library.String(button.stringId).empty()) << "button text " << button.stringId;
            if (button.popup == 0xFFFF)   // a text button: no popup
                sent.insert(button.command);
            else
                EXPECT_LT(button.popup, menu.popupCount);
        }
        for (WORD command : page.commands)
            EXPECT_TRUE(sent.count(command)) << "command " << command;
    }
};

}  // namespace

TEST_P(ResourceLibraryTest, LibraryLoads)
{
    EXPECT_NE(nullptr, library.Module());
}

TEST_P(ResourceLibraryTest, EveryStringIsPresentWithinItsLengthAndTakesItsArguments)
{
    ASSERT_NE(nullptr, library.Module());
    for (const StringRule& rule : STRINGS) {
        SCOPED_TRACE(testing::Message() << "string " << rule.id);
        std::u16string text = library.String(rule.id);
        EXPECT_FALSE(text.empty());
        EXPECT_LE(text.size(), rule.maxLength);
        EXPECT_EQ(rule.arguments, Conversions(text));
    }
}

TEST_P(ResourceLibraryTest, StringIsCutToTheCallersBuffer)
{
    WCHAR buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), WCHAR(0xCCCC));
    EXPECT_EQ(3, LoadStringW(library.Module(), IDS_APP_TITLE, buffer, 4));
    EXPECT_EQ(WCHAR(0), buffer[3]);
    EXPECT_EQ(WCHAR(0xCCCC), buffer[4]);
}

TEST_P(ResourceLibraryTest, EveryPageDialogParsesAndHoldsItsControlsInsideTheScreen)
{
    ASSERT_NE(nullptr, library.Module());
    for (const Page& page : PAGES) {
        if (!page.ppcDialog)
            continue;
        ExpectDialog(page, page.ppcDialog, PPC_MAX_CX, PPC_MAX_CY);
        ExpectDialog(page, page.otherDialog, OTHER_MAX_CX, OTHER_MAX_CY);
    }
}

TEST_P(ResourceLibraryTest, EveryMenuBarNamesAnExistingMenuAndSendsThePageCommands)
{
    ASSERT_NE(nullptr, library.Module());
    for (const Page& page : PAGES) {
        ExpectMenuBar(page, page.ppcBar);
        ExpectMenuBar(page, page.otherBar);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, ResourceLibraryTest, testing::Values(u"OrvResEN.DLL", u"OrvResCN.DLL",
                                                                         u"OrvResTW.DLL"));

TEST(ResourceLibrarySetTest, AllLibrariesHoldTheSameDialogControls)
{
    ResourceLibrary english(u"OrvResEN.DLL");
    for (const char16_t* other : { u"OrvResCN.DLL", u"OrvResTW.DLL" }) {
        ResourceLibrary library(other);
        for (UINT id : { IDD_SCAN_PPC, IDD_SCAN_SP, IDD_OPTION_PPC, IDD_OPTION_SP }) {
            DialogTemplate a, b;
            ASSERT_TRUE(ParseDialog(english.Bytes(RT_DIALOG, id), a));
            ASSERT_TRUE(ParseDialog(library.Bytes(RT_DIALOG, id), b));
            ASSERT_EQ(a.items.size(), b.items.size()) << id;
            for (size_t i = 0; i < a.items.size(); ++i)
                EXPECT_EQ(a.items[i].id, b.items[i].id);
        }
        // The Chinese texts really are Chinese: the title is not the English one.
        EXPECT_NE(english.String(IDS_APP_TITLE), library.String(IDS_APP_TITLE));
    }
}
