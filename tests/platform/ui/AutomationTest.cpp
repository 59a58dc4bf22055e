// The automation commands, run from another thread while the UI thread sits in a modal dialog,
// the way the socket runs them.
#include <gtest/gtest.h>

#include <thread>

#include "TemplateBuilder.h"
#include "wce/Automation.h"
#include "wce/CommCtrl.h"

using namespace uitest;

namespace {

std::string listing;
std::string comboReply;
std::string waitReply;
std::string waitWindowReply;
std::string waitBoxReply;
int selection = -2;
std::vector<std::pair<WORD, WORD>> commands;

INT_PTR AutomatedProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        HWND combo = GetDlgItem(dlg, 13);
        SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(u"one"));
        SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(u"two"));
        PostMessageW(dlg, WM_APP, 0, 0);   // handled once the dialog is up and active
        return TRUE;
    }
    if (message == WM_APP) {
        std::thread([dlg] {
            listing = wce::automation::RunAutomationCommand("list");
            comboReply = wce::automation::RunAutomationCommand("combo 13 1");
            wce::automation::RunOnWindowThread(dlg, [dlg] { SetDlgItemTextW(dlg, 10, u"done"); });
            waitReply = wce::automation::RunAutomationCommand("wait 10 \"done\" 2000");
            waitWindowReply = wce::automation::RunAutomationCommand("wait 0 Automated 2000");
            waitBoxReply = wce::automation::RunAutomationCommand("waitbox 20");   // no box comes
            wce::automation::RunAutomationCommand("command 0 1");
        }).detach();
        return TRUE;
    }
    if (message == WM_COMMAND) {
        commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        if (LOWORD(wParam) == IDOK) {
            selection = int(SendDlgItemMessageW(dlg, 13, CB_GETCURSEL, 0, 0));
            EndDialog(dlg, IDOK);
        }
        return TRUE;
    }
    return FALSE;
}

TEST(AutomationTest, CommandsListChooseWaitAndEndTheDialog)
{
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 120, 100, u"Automated");
    t.Item(0x82, nullptr, SS_LEFT, 4, 4, 100, 10, 10, u"working")
        .Item(0x85, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP, 4, 20, 100, 60, 13, u"");
    EXPECT_EQ(IDOK, DialogBoxIndirectParamW(nullptr, t.Get(), nullptr, AutomatedProc, 0));
    EXPECT_NE(std::string::npos, listing.find("class=COMBOBOX id=13"));
    EXPECT_NE(std::string::npos, listing.find("text=\"working\""));
    EXPECT_EQ("ok\n", comboReply);
    EXPECT_EQ("ok\n", waitReply);
    EXPECT_EQ("ok\n", waitWindowReply);
    EXPECT_EQ("timeout\n", waitBoxReply);
    EXPECT_EQ(1, selection);
    bool selChange = false;
    for (auto& command : commands)
        selChange |= command == std::make_pair(WORD(13), WORD(CBN_SELCHANGE));
    EXPECT_TRUE(selChange);
}

}  // namespace
