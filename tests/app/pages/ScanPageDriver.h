// The scan page of a running program, driven and read as a user sees it: opening, controls, the
// menu bar's popup and the page's own run state.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <wce/Automation.h>
#include <wce/CommCtrl.h>
#include <wce/Shell.h>

#include <ResourceIds.h>

#include "RunningProgram.h"
#include "ScanPage.h"
#include "ScanTestDevice.h"

namespace scantest {

using shelltest::ResString;
using shelltest::RunningProgram;
using shelltest::WaitUntil;

// A resource format filled in as the program fills it.
template <typename... Args>
std::u16string Format(UINT formatId, Args... args)
{
    WCHAR text[WSPRINTF_MAX + 1] = {};
    wsprintfW(text, ResString(formatId).c_str(), args...);
    return text;
}

inline std::string Narrow(const std::u16string& text)
{
    std::string narrow;
    for (char16_t c : text)
        narrow.push_back(c < 0x80 ? char(c) : '?');
    return narrow;
}

inline size_t Occurrences(const std::u16string& text, const std::u16string& part)
{
    size_t count = 0;
    for (size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class ScanPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wce::automation::ResetMessageBoxes();
        wce::automation::ResetPopups();
    }
    void TearDown() override
    {
        // A test that failed with a question up must not leave the worker waiting for it.
        wce::automation::SetMessageBoxesWait(false);
        while (wce::automation::AnswerMessageBox(IDNO)) {
        }
        if (program && dialog && IsWindow(dialog))
            RunningProgram::ClosePage(main, dialog);
        program.reset();
        device.reset();
        wce::automation::ResetMessageBoxes();
    }
    // A device with ordinary files, the test files and the given options.
    void MakeDevice(int virusAction, unsigned flag = 0x103,
                    std::vector<std::pair<std::string, std::string>> environment = {})
    {
        device = std::make_unique<ScanDevice>(std::move(environment));
        device->AddOrdinaryFiles();
        testFiles = device->AddTestFiles();
        device->WriteOptions(virusAction, flag);
    }
    void Open(UINT command = CMD_SHOW_SCAN)
    {
        program = std::make_unique<RunningProgram>();
        main = program->MainWindow();
        ASSERT_NE(nullptr, main);
        dialog = RunningProgram::OpenPage(main, command);
        ASSERT_NE(nullptr, dialog);
    }
    // The page object behind the dialog; only for use on the dialog's thread.
    ScanPage* Page() const
    {
        return static_cast<ScanPage*>(reinterpret_cast<DialogPage*>(GetWindowLongW(dialog, GWL_USERDATA)));
    }
    template <typename Work>
    void OnDialogThread(Work work) const
    {
        wce::automation::RunOnWindowThread(dialog, work);
    }
    bool Running() const
    {
        bool running = false;
        OnDialogThread([&] { running = Page()->IsRunning(); });
        return running;
    }
    bool WaitForIdle(int timeoutMs = 30000) const { return WaitUntil([&] { return !Running(); }, timeoutMs); }
    std::u16string Text(int id) const { return shelltest::TextOf(dialog, id); }
    int Progress() const
    {
        int position = -1;
        OnDialogThread([&] { position = int(SendMessageW(GetDlgItem(dialog, IDC_SCAN_PROGRESS), PBM_GETPOS, 0, 0)); });
        return position;
    }
    bool Enabled(int id) const
    {
        bool enabled = false;
        OnDialogThread([&] { enabled = IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; });
        return enabled;
    }
    // Opens the page's menu from its menu bar (right button), dismisses it and gives its items.
    std::vector<wce::automation::PopupItem> MenuItems() const
    {
        wce::automation::ResetPopups();
        OnDialogThread([&] {
            HWND bar = Page()->menuBar;
            RECT client = {};
            GetClientRect(bar, &client);
            SendMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(client.right - 5, 5));
        });
        auto history = wce::automation::GetPopupHistory();
        return history.empty() ? std::vector<wce::automation::PopupItem>() : history.back().items;
    }
    static bool Grayed(const std::vector<wce::automation::PopupItem>& items, UINT id)
    {
        for (const auto& item : items) {
            if (item.id == id)
                return (item.state & MF_GRAYED) != 0;
        }
        ADD_FAILURE() << "no menu item " << id;
        return false;
    }
    // Whether the Pocket PC bar's left soft key, Stop, can be pressed.
    bool StopKeyEnabled() const
    {
        bool enabled = false;
        OnDialogThread([&] { enabled = SendMessageW(Page()->menuBar, TB_ISBUTTONENABLED, CMD_SCAN_STOP, 0) != 0; });
        return enabled;
    }
    // Menu, buttons and the Stop soft key as they are while a run goes on (running) or after it.
    void ExpectRunControls(bool running) const
    {
        EXPECT_EQ(!running, Enabled(IDC_SCAN_START));
        EXPECT_EQ(running, Enabled(IDC_SCAN_STOP));
        EXPECT_EQ(running, StopKeyEnabled());
        auto items = MenuItems();
        EXPECT_EQ(!running, Grayed(items, CMD_SCAN_STOP));
        for (UINT id : { CMD_SCAN_START, CMD_SCAN_START_AGAIN, CMD_SCAN_START_ALL })
            EXPECT_EQ(running, Grayed(items, id)) << id;
    }
    // The results line of one test file with the given action label.
    std::u16string FindingLine(const std::string& file, UINT labelId) const
    {
        return Format(IDS_FMT_FINDING, u"Eicar-Test-Signature", DevicePath(file).c_str(), ResString(labelId).c_str());
    }

    std::unique_ptr<ScanDevice> device;
    std::vector<std::string> testFiles;
    std::unique_ptr<RunningProgram> program;
    HWND main = nullptr;
    HWND dialog = nullptr;
};

}  // namespace scantest
