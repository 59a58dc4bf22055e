// Dialogs from templates: WM_INITDIALOG, commands and notifications from each control kind,
// WM_CTLCOLOR* answers, EndDialog and the template reader's refusal of damaged templates.
#include <gtest/gtest.h>

#include <functional>

#include "DialogTemplate.h"
#include "TemplateBuilder.h"
#include "UiTestSupport.h"
#include "wce/CommCtrl.h"

using namespace uitest;

namespace {

enum : WORD { ID_TEXT = 10, ID_CHECK = 11, ID_EDIT = 12, ID_COMBO = 13, ID_LIST = 14, ID_BAR = 15 };

struct DialogRun {
    std::function<void(HWND)> onInit;              // runs inside WM_INITDIALOG
    std::vector<std::pair<WORD, WORD>> commands;   // (id, code) of each WM_COMMAND
    std::vector<NMLISTVIEW> listChanges;
    LPARAM initParam = 0;
    int focusAtLastCommand = 0;                    // control id of the focus at the last WM_COMMAND
};

DialogRun* current = nullptr;

INT_PTR TestDialogProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        current->initParam = lParam;
        if (current->onInit)
            current->onInit(dlg);
        return TRUE;
    case WM_COMMAND:
        current->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
        current->focusAtLastCommand = GetDlgCtrlID(GetFocus());
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            EndDialog(dlg, LOWORD(wParam) == IDOK ? 100 : 200);
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == LVN_ITEMCHANGED)
            current->listChanges.push_back(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        return TRUE;
    }
    default: return FALSE;
    }
}

TemplateBuilder SampleTemplate()
{
    TemplateBuilder t(WS_POPUP | WS_CAPTION, 160, 200, u"Sample");
    t.Item(0x82, nullptr, SS_LEFT, 4, 4, 100, 10, ID_TEXT, u"Scanning")
        .Item(0x80, nullptr, BS_AUTOCHECKBOX | WS_TABSTOP, 4, 16, 100, 10, ID_CHECK, u"Backup")
        .Item(0x81, nullptr, ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP, 4, 28, 150, 30, ID_EDIT, u"")
        .Item(0x85, nullptr, CBS_DROPDOWNLIST | WS_TABSTOP, 4, 62, 100, 60, ID_COMBO, u"")
        .Item(0, WC_LISTVIEW, LVS_REPORT | LVS_SINGLESEL, 4, 80, 150, 60, ID_LIST, u"")
        .Item(0, PROGRESS_CLASS, 0, 4, 144, 150, 8, ID_BAR, u"")
        .Item(0x80, nullptr, BS_PUSHBUTTON | WS_TABSTOP, 4, 160, 50, 14, IDOK, u"OK");
    return t;
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { current = &run; }
    // Runs the sample dialog; body runs inside WM_INITDIALOG and usually ends the dialog.
    INT_PTR RunSample(std::function<void(HWND)> body, LPARAM param = 0)
    {
        run.onInit = std::move(body);
        TemplateBuilder t = SampleTemplate();
        return DialogBoxIndirectParamW(nullptr, t.Get(), nullptr, TestDialogProc, param);
    }
    DialogRun run;
};

TEST_F(DialogTest, InitDialogGetsParameterAndEndDialogResultIsReturned)
{
    INT_PTR result = RunSample([](HWND dlg) { PostMessageW(dlg, WM_COMMAND, IDOK, 0); }, 0x5A5A);
    EXPECT_EQ(100, result);
    EXPECT_EQ(0x5A5A, run.initParam);
}

TEST_F(DialogTest, ControlsAreBuiltFromTheTemplateInDialogUnits)
{
    RunSample([](HWND dlg) {
        HWND text = GetDlgItem(dlg, ID_TEXT);
        ASSERT_NE(nullptr, text);
        WCHAR buffer[32];
        GetDlgItemTextW(dlg, ID_TEXT, buffer, 32);
        EXPECT_EQ(std::u16string(u"Scanning"), buffer);
        RECT rect {};
        GetClientRect(GetDlgItem(dlg, IDOK), &rect);
        EXPECT_GT(rect.right, 50);   // 50 units are wider than 50 pixels for any usable font
        EXPECT_GT(rect.bottom, 14);
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
    });
    // WM_INITDIALOG returned TRUE, so the first tab stop got the focus.
    EXPECT_EQ(ID_CHECK, run.focusAtLastCommand);
}

TEST_F(DialogTest, CheckBoxTogglesOnClickAndNotifies)
{
    RunSample([this](HWND dlg) {
        EXPECT_EQ(UINT(BST_UNCHECKED), IsDlgButtonChecked(dlg, ID_CHECK));
        SendDlgItemMessageW(dlg, ID_CHECK, BM_CLICK, 0, 0);
        EXPECT_EQ(UINT(BST_CHECKED), IsDlgButtonChecked(dlg, ID_CHECK));
        CheckDlgButton(dlg, ID_CHECK, BST_UNCHECKED);
        EXPECT_EQ(0, SendDlgItemMessageW(dlg, ID_CHECK, BM_GETCHECK, 0, 0));
        ASSERT_FALSE(run.commands.empty());
        EXPECT_EQ(std::make_pair(WORD(ID_CHECK), WORD(BN_CLICKED)), run.commands.back());
        EndDialog(dlg, 0);
    });
}

TEST_F(DialogTest, EnterPressesOkAndEscapeCancels)
{
    INT_PTR result = RunSample([](HWND dlg) { PostMessageW(GetDlgItem(dlg, ID_CHECK), WM_KEYDOWN, VK_RETURN, 0); });
    EXPECT_EQ(100, result);
    result = RunSample([](HWND dlg) { PostMessageW(GetDlgItem(dlg, ID_CHECK), WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_EQ(200, result);
}

TEST_F(DialogTest, ComboFindsByPrefixIgnoringCaseAndNotifiesSelectionByKeys)
{
    RunSample([this](HWND dlg) {
        HWND combo = GetDlgItem(dlg, ID_COMBO);
        EXPECT_EQ(0, SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(u"Delete")));
        EXPECT_EQ(1, SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(u"Repair")));
        EXPECT_EQ(0, SendMessageW(combo, CB_INSERTSTRING, 0, LPARAM(u"Ask")));
        EXPECT_EQ(3, SendMessageW(combo, CB_GETCOUNT, 0, 0));
        EXPECT_EQ(2, SendMessageW(combo, CB_FINDSTRING, WPARAM(-1), LPARAM(u"rep")));
        EXPECT_EQ(CB_ERR, SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(u"rep")));
        EXPECT_EQ(1, SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), LPARAM(u"DELETE")));
        EXPECT_EQ(CB_ERR, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        EXPECT_EQ(1, SendMessageW(combo, CB_SETCURSEL, 1, 0));
        run.commands.clear();
        SendMessageW(combo, WM_KEYDOWN, VK_RIGHT, 0);
        EXPECT_EQ(2, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        SendMessageW(combo, WM_KEYDOWN, VK_RIGHT, 0);   // already the last: nothing changes
        EXPECT_EQ(2, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        ASSERT_EQ(1u, run.commands.size());
        EXPECT_EQ(std::make_pair(WORD(ID_COMBO), WORD(CBN_SELCHANGE)), run.commands[0]);
        WCHAR text[16];
        EXPECT_EQ(6, SendMessageW(combo, CB_GETLBTEXT, 2, LPARAM(text)));
        EXPECT_EQ(std::u16string(u"Repair"), text);
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        EXPECT_EQ(0, SendMessageW(combo, CB_GETCOUNT, 0, 0));
        EndDialog(dlg, 0);
    });
}

TEST_F(DialogTest, ComboDropDownChoosesTappedRow)
{
    RunSample([this](HWND dlg) {
        HWND combo = GetDlgItem(dlg, ID_COMBO);
        for (const char16_t* text : { u"one", u"two", u"three" })
            SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(text));
        SendMessageW(combo, WM_LBUTTONDOWN, 0, 0);
        ASSERT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
        HWND list = FindWindowW(u"ComboLBox", nullptr);
        ASSERT_NE(nullptr, list);
        RECT row {};
        GetClientRect(list, &row);
        int rowHeight = (row.bottom - 2) / 3;
        SendMessageW(list, WM_LBUTTONDOWN, 0, MAKELPARAM(5, rowHeight + rowHeight / 2 + 1));
        EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
        EXPECT_FALSE(IsWindow(list));
        EXPECT_EQ(1, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        EndDialog(dlg, 0);
    });
    bool selChange = false;
    for (auto& command : run.commands)
        selChange |= command == std::make_pair(WORD(ID_COMBO), WORD(CBN_SELCHANGE));
    EXPECT_TRUE(selChange);
}

// While the list is down the combo box passes its keys to it, and asks the dialog for Enter and
// Esc so that they choose and close the list instead of ending the dialog.
TEST_F(DialogTest, OpenComboListTakesTheKeysAndATapBesideItClosesIt)
{
    RunSample([this](HWND dlg) {
        HWND combo = GetDlgItem(dlg, ID_COMBO);
        for (const char16_t* text : { u"one", u"two", u"three" })
            SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(text));
        SendMessageW(combo, CB_SETCURSEL, 0, 0);
        EXPECT_FALSE(SendMessageW(combo, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
        SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        EXPECT_TRUE(SendMessageW(combo, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS);
        SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 0);
        SendMessageW(combo, WM_KEYDOWN, VK_DOWN, 0);
        EXPECT_EQ(0, SendMessageW(combo, CB_GETCURSEL, 0, 0));   // only the highlight moved
        SendMessageW(combo, WM_KEYDOWN, VK_RETURN, 0);
        EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
        EXPECT_EQ(2, SendMessageW(combo, CB_GETCURSEL, 0, 0));

        SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        HWND list = FindWindowW(u"ComboLBox", nullptr);
        ASSERT_NE(nullptr, list);
        EXPECT_EQ(list, GetCapture());
        RECT client {};
        GetClientRect(list, &client);
        SendMessageW(list, WM_LBUTTONDOWN, 0, MAKELPARAM(client.right + 4, 3));   // level with the first row
        EXPECT_FALSE(IsWindow(list));
        EXPECT_EQ(2, SendMessageW(combo, CB_GETCURSEL, 0, 0));
        SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
        SendMessageW(combo, WM_KEYDOWN, VK_TSOFT2, 0);
        EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
        EndDialog(dlg, 0);
    });
    int endOks = 0;
    for (auto& command : run.commands)
        endOks += command == std::make_pair(WORD(ID_COMBO), WORD(CBN_SELENDOK));
    EXPECT_EQ(1, endOks);
}

TEST_F(DialogTest, ReadOnlyEditAppendsScrollsAndNotifies)
{
    RunSample([this](HWND dlg) {
        HWND edit = GetDlgItem(dlg, ID_EDIT);
        SetWindowTextW(edit, u"first");
        for (int i = 0; i < 20; ++i) {
            int end = GetWindowTextLengthW(edit);
            SendMessageW(edit, EM_SETSEL, end, end);
            SendMessageW(edit, EM_REPLACESEL, FALSE, LPARAM(u"\r\nline"));
        }
        EXPECT_EQ(21, SendMessageW(edit, EM_GETLINECOUNT, 0, 0));
        EXPECT_EQ(0, SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
        run.commands.clear();
        SendMessageW(edit, EM_SCROLLCARET, 0, 0);
        EXPECT_GT(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
        ASSERT_FALSE(run.commands.empty());
        EXPECT_EQ(std::make_pair(WORD(ID_EDIT), WORD(EN_VSCROLL)), run.commands.back());
        SendMessageW(edit, WM_KEYDOWN, VK_HOME, 0);
        EXPECT_EQ(0, SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0));
        SendMessageW(edit, WM_CHAR, 'x', 0);   // read-only: typing changes nothing
        EXPECT_EQ(5 + 20 * 6, GetWindowTextLengthW(edit));
        run.commands.clear();
        SetFocus(edit);
        ASSERT_FALSE(run.commands.empty());
        EXPECT_EQ(std::make_pair(WORD(ID_EDIT), WORD(EN_SETFOCUS)), run.commands.back());
        EndDialog(dlg, 0);
    });
}

TEST_F(DialogTest, EditWrapsLongWordsAndLinesAtTheWidth)
{
    RunSample([](HWND dlg) {
        HWND edit = GetDlgItem(dlg, ID_EDIT);
        std::u16string longText(400, u'w');
        SetWindowTextW(edit, longText.c_str());
        EXPECT_GT(SendMessageW(edit, EM_GETLINECOUNT, 0, 0), 1);
        EndDialog(dlg, 0);
    });
}

TEST_F(DialogTest, ListViewKeepsRowsAndReportsStateChanges)
{
    RunSample([this](HWND dlg) {
        HWND list = GetDlgItem(dlg, ID_LIST);
        LVCOLUMNW column {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = 80;
        column.pszText = const_cast<LPWSTR>(u"File");
        EXPECT_EQ(0, SendMessageW(list, LVM_INSERTCOLUMN, 0, LPARAM(&column)));
        column.pszText = const_cast<LPWSTR>(u"Virus");
        EXPECT_EQ(1, SendMessageW(list, LVM_INSERTCOLUMN, 1, LPARAM(&column)));
        for (int i = 0; i < 3; ++i) {
            LVITEMW item {};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = const_cast<LPWSTR>(u"\\a.exe");
            ASSERT_EQ(i, SendMessageW(list, LVM_INSERTITEM, 0, LPARAM(&item)));
            item.iSubItem = 1;
            item.pszText = const_cast<LPWSTR>(u"Test.Virus");
            EXPECT_TRUE(SendMessageW(list, LVM_SETITEMTEXT, i, LPARAM(&item)));
        }
        EXPECT_EQ(3, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        EXPECT_EQ(-1, SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
        ListView_SetItemState(list, 1, LVIS_SELECTED, LVIS_SELECTED);
        EXPECT_EQ(1, ListView_GetNextItem(list, -1, LVNI_SELECTED));
        EXPECT_EQ(-1, ListView_GetNextItem(list, 1, LVNI_SELECTED));
        ASSERT_EQ(1u, run.listChanges.size());
        EXPECT_EQ(1, run.listChanges[0].iItem);
        EXPECT_EQ(UINT(LVIS_SELECTED), run.listChanges[0].uNewState);
        EXPECT_EQ(UINT(ID_LIST), run.listChanges[0].hdr.idFrom);
        // Single selection: choosing row 2 deselects row 1.
        ListView_SetItemState(list, 2, LVIS_SELECTED, LVIS_SELECTED);
        EXPECT_EQ(2, ListView_GetNextItem(list, -1, LVNI_SELECTED));
        WCHAR text[32];
        LVITEMW get {};
        get.iSubItem = 1;
        get.pszText = text;
        get.cchTextMax = 32;
        EXPECT_EQ(10, SendMessageW(list, LVM_GETITEMTEXT, 2, LPARAM(&get)));
        EXPECT_EQ(std::u16string(u"Test.Virus"), text);
        EXPECT_TRUE(ListView_DeleteItem(list, 0));
        EXPECT_EQ(1, ListView_GetNextItem(list, -1, LVNI_SELECTED));   // the selection moved up with its row
        EXPECT_TRUE(ListView_DeleteAllItems(list));
        EXPECT_EQ(0, ListView_GetItemCount(list));
        EndDialog(dlg, 0);
    });
}

TEST_F(DialogTest, ProgressBarKeepsPositionInRangeAndSteps)
{
    RunSample([](HWND dlg) {
        HWND bar = GetDlgItem(dlg, ID_BAR);
        SendMessageW(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 50));
        SendMessageW(bar, PBM_SETSTEP, 20, 0);
        EXPECT_EQ(0, SendMessageW(bar, PBM_SETPOS, 80, 0));
        EXPECT_EQ(50, SendMessageW(bar, PBM_GETPOS, 0, 0));   // clamped to the range
        SendMessageW(bar, PBM_SETPOS, 20, 0);
        SendMessageW(bar, PBM_STEPIT, 0, 0);
        EXPECT_EQ(40, SendMessageW(bar, PBM_GETPOS, 0, 0));
        EndDialog(dlg, 0);
    });
}

TEST_F(DialogTest, DamagedTemplatesAreRefused)
{
    TemplateBuilder t = SampleTemplate();
    const std::vector<uint8_t>& whole = t.Bytes();
    wce::ui::DialogTemplate parsed;
    ASSERT_TRUE(wce::ui::ReadDialogTemplate(ByteReader(whole.data(), whole.size()), parsed));
    EXPECT_EQ(7u, parsed.items.size());
    EXPECT_EQ(u"Tahoma", parsed.faceName);
    for (size_t cut : { size_t(0), size_t(10), size_t(30), whole.size() / 2, whole.size() - 1 }) {
        SCOPED_TRACE(cut);
        EXPECT_FALSE(wce::ui::ReadDialogTemplate(ByteReader(whole.data(), cut), parsed));
    }
    std::vector<uint8_t> tooMany = whole;
    tooMany[8] = 0xFF;
    tooMany[9] = 0xFF;   // 65535 controls claimed
    EXPECT_FALSE(wce::ui::ReadDialogTemplate(ByteReader(tooMany.data(), tooMany.size()), parsed));
}

}  // namespace
