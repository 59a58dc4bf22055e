// Helpers for the backup page tests: backups made by the running program's engine, backup files
// written by hand, and the page's list, details and menu seen as a user sees them.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <ResourceIds.h>
#include <wce/Automation.h>
#include <wce/CommCtrl.h>
#include <windows.h>

#include "AppState.h"
#include "MainFrame.h"
#include "RunningProgram.h"
#include "ScanBridge.h"
#include "ShellDevice.h"

namespace backuptest {

// Put together at run time so that no source file is itself a test file.
inline std::string TestFileText()
{
    return std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*";
}

inline std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// A device path such as "\My Documents\a.exe" on the host.
inline std::filesystem::path HostPath(const ShellDevice& device, const std::string& devicePath)
{
    std::string relative = devicePath.substr(1);
    for (char& c : relative)
        c = c == '\\' ? '/' : c;
    return device.root / relative;
}

inline void WriteHost(const std::filesystem::path& path, const std::string& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A backup as the engine writes one: header, the two texts, then the content complemented.
inline std::string BackupBytes(const std::string& source, const std::string& virus, const std::string& content,
                               uint32_t claimedSize)
{
    static const uint8_t MAGIC[16] = { 0x51, 0x00, 0x7A, 0x00, 0x07, 0x59, 0xFD, 0x4E,
                                       0x02, 0x03, 0x54, 0x21, 0x43, 0x09, 0x00, 0x00 };
    std::string bytes(48, '\0');
    std::memcpy(bytes.data(), MAGIC, sizeof MAGIC);
    auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = char(value >> (8 * i));
    };
    const uint32_t pathOffset = 48;
    const uint32_t nameOffset = pathOffset + uint32_t(source.size()) + 1;
    const uint32_t dataOffset = nameOffset + uint32_t(virus.size()) + 1;
    put(16, dataOffset);
    put(20, pathOffset);
    put(24, nameOffset);
    put(40, claimedSize);
    bytes += source + '\0' + virus + '\0';
    for (char c : content)
        bytes.push_back(char(~c));
    return bytes;
}

// The running program's engine bridge scans the files as a scan run would; with the default options
// each infected file is deleted and a backup of it kept. The bridge's results, in order.
inline std::vector<int32_t> ScanWithProgram(HWND main, const std::vector<std::string>& devicePaths)
{
    std::vector<int32_t> results;
    wce::automation::RunOnWindowThread(main, [&] {
        ScanBridge* bridge = g_app.frame ? g_app.frame->scanBridge : nullptr;
        if (!bridge)
            return;
        bridge->BeginScan(nullptr);
        for (const std::string& path : devicePaths) {
            WCHAR name[MAX_PATH] = {};
            results.push_back(bridge->ScanFile(Wide(path).c_str(), name, 0));
        }
        bridge->EndScan();
    });
    return results;
}

// The rows of the page's list and the selected one (-1 for none).
struct ListState {
    std::vector<std::u16string> rows;
    int selected = -1;
};

inline ListState ListOf(HWND dialog)
{
    ListState state;
    wce::automation::RunOnWindowThread(dialog, [&] {
        HWND list = GetDlgItem(dialog, IDC_BACKUP_LIST);
        const int count = int(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            WCHAR text[MAX_PATH] = {};
            LVITEMW item = {};
            item.pszText = text;
            item.cchTextMax = MAX_PATH;
            SendMessageW(list, LVM_GETITEMTEXTW, WPARAM(row), LPARAM(&item));
            state.rows.push_back(text);
        }
        state.selected = int(SendMessageW(list, LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED));
    });
    return state;
}

inline size_t RowCount(HWND dialog) { return ListOf(dialog).rows.size(); }

inline std::u16string Details(HWND dialog) { return shelltest::TextOf(dialog, IDC_BACKUP_DETAILS); }

// The key a user presses on the list: VK_DOWN or VK_UP.
inline void PressKey(HWND dialog, WPARAM key)
{
    wce::automation::RunOnWindowThread(dialog, [&] {
        SendMessageW(GetDlgItem(dialog, IDC_BACKUP_LIST), WM_KEYDOWN, key, 0);
    });
}

inline void ClearSelection(HWND dialog)
{
    wce::automation::RunOnWindowThread(dialog, [&] {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        SendMessageW(GetDlgItem(dialog, IDC_BACKUP_LIST), LVM_SETITEMSTATE, WPARAM(-1), LPARAM(&item));
    });
}

// The page's menu bar: its right-hand button opens the page's menu.
inline HWND MenuBarOf(HWND dialog)
{
    HWND bar = nullptr;
    wce::automation::RunOnWindowThread(dialog, [&] {
        if (g_app.frame && g_app.frame->currentPage)
            bar = g_app.frame->currentPage->menuBar;
    });
    return bar;
}

// Opens the page's menu and chooses command (0 only looks); the menu as it was shown.
inline wce::automation::PopupRecord OpenMenu(HWND dialog, UINT command)
{
    HWND bar = MenuBarOf(dialog);
    EXPECT_NE(nullptr, bar);
    const size_t before = wce::automation::GetPopupHistory().size();
    wce::automation::QueueMenuChoice(command);
    RECT rect = {};
    GetWindowRect(bar, &rect);
    PostMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(rect.right - rect.left - 5, 5));
    shelltest::WaitUntil([&] { return wce::automation::GetPopupHistory().size() > before; }, 5000);
    std::vector<wce::automation::PopupRecord> history = wce::automation::GetPopupHistory();
    return history.size() > before ? history.back() : wce::automation::PopupRecord();
}

inline UINT StateOf(const wce::automation::PopupRecord& menu, UINT id)
{
    for (const wce::automation::PopupItem& item : menu.items) {
        if (item.id == id)
            return item.state & MF_GRAYED;
    }
    ADD_FAILURE() << "no menu item " << id;
    return 0;
}

// Posts a page command with the answer for the question it asks and waits until it was answered.
inline void CommandAnswered(HWND dialog, UINT command, int answer)
{
    const size_t before = wce::automation::GetMessageBoxHistory().size();
    wce::automation::QueueMessageBoxAnswer(answer);
    PostMessageW(dialog, WM_COMMAND, command, 0);
    EXPECT_TRUE(shelltest::WaitUntil(
        [&] { return wce::automation::GetMessageBoxHistory().size() > before; }, 5000));
    wce::automation::RunOnWindowThread(dialog, [] {});
}

} // namespace backuptest
