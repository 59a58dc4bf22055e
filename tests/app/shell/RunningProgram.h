// The program run in-process for a test: AppMain on a thread of its own as the user-interface
// thread, with helpers that wait for its windows and open its pages as a user would.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <wce/Automation.h>
#include <wce/GdiInternal.h>
#include <windows.h>

#include "AppMain.h"
#include "AppState.h"
#include "DialogPage.h"
#include "MainWindow.h"

namespace shelltest {

inline HWND WaitForWindow(const WCHAR* className, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; ++waited) {
        if (HWND window = FindWindowW(className, nullptr))
            return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return nullptr;
}

// Waits until condition() holds, polling every millisecond; false on timeout.
template <typename Condition>
bool WaitUntil(Condition condition, int timeoutMs)
{
    for (int waited = 0; waited < timeoutMs; ++waited) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}

// A string of the resource library the program loaded.
inline std::u16string ResString(UINT id)
{
    WCHAR buffer[512] = {};
    LoadStringW(g_app.resourceModule, id, buffer, 512);
    return buffer;
}

// The text of a dialog's control, read on the thread that owns it.
inline std::u16string TextOf(HWND dialog, int id)
{
    std::u16string text;
    wce::automation::RunOnWindowThread(dialog, [&] {
        WCHAR buffer[4096] = {};
        GetWindowTextW(GetDlgItem(dialog, id), buffer, 4096);
        text = buffer;
    });
    return text;
}

// The static texts of the window's thread's visible windows whose lines do not all fit their
// control's height: the last of them shows cut through, or not at all. Run on that thread.
inline std::vector<std::u16string> StaticTextsTooTall(HWND window)
{
    std::vector<std::u16string> tall;
    for (HWND top = GetWindow(window, GW_HWNDFIRST); top; top = GetWindow(top, GW_HWNDNEXT)) {
        if (!IsWindowVisible(top) || GetWindowThreadProcessId(top, nullptr) != GetCurrentThreadId())
            continue;
        for (HWND child = GetWindow(top, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            WCHAR className[32] = {};
            WCHAR text[512] = {};
            GetClassNameW(child, className, 32);
            if (std::u16string(className) != u"STATIC" || !IsWindowVisible(child) || !GetWindowTextW(child, text, 512))
                continue;
            RECT client = {};
            GetClientRect(child, &client);
            RECT needed = { 0, 0, client.right, 0 };
            HDC dc = GetDC(child);
            HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(child, WM_GETFONT, 0, 0)));
            DrawTextW(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            SelectObject(dc, old);
            ReleaseDC(child, dc);
            if (needed.bottom > client.bottom)
                tall.push_back(text);
        }
    }
    return tall;
}

// Repaints the whole device screen on window's thread and saves it as
// <build>/screenshots/<name>.png for a person to look at. It succeeds when the picture was saved
// and no text on it is cut off at the edge of its control (texts that do not fit must end with an
// ellipsis), nor a static text taller than its control; the message lists the texts that are.
inline testing::AssertionResult SaveScreen(HWND window, const std::string& name)
{
    const std::filesystem::path folder =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "screenshots";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    bool saved = false;
    std::vector<WceCutText> cut(64);
    size_t cutCount = 0;
    std::vector<std::u16string> tall;
    wce::automation::RunOnWindowThread(window, [&] {
        WceTakeCutTexts(cut.data(), cut.size());
        InvalidateRect(nullptr, nullptr, TRUE);
        wce::automation::PaintPendingWindows();
        cutCount = WceTakeCutTexts(cut.data(), cut.size());
        tall = StaticTextsTooTall(window);
        saved = wce::automation::SaveScreenshot((folder / (name + ".png")).c_str());
    });
    if (!saved)
        return testing::AssertionFailure() << name << ".png was not saved";
    if (cutCount == 0 && tall.empty())
        return testing::AssertionSuccess();
    auto narrow = [](const std::u16string& text) {
        std::string out;
        for (char16_t c : text)
            out.push_back(c < 0x80 ? char(c) : '?');
        return out;
    };
    testing::AssertionResult failure = testing::AssertionFailure();
    failure << name << ": " << cutCount << " text(s) cut off at the side:";
    for (size_t i = 0; i < cutCount; ++i)
        failure << " \"" << narrow(cut[i].text) << "\" at x " << cut[i].clip.left << ".." << cut[i].clip.right;
    failure << "; " << tall.size() << " static text(s) taller than their control:";
    for (const std::u16string& text : tall)
        failure << " \"" << narrow(text) << "\"";
    return failure;
}

class RunningProgram {
public:
    RunningProgram() : thread([this] { result = AppMain(GetModuleHandleW(nullptr)); }) {}
    ~RunningProgram()
    {
        if (thread.joinable()) {
            if (HWND main = FindWindowW(MAIN_CLASS_NAME, nullptr))
                PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
            thread.join();
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    int Join()
    {
        thread.join();
        return result;
    }
    // The main window once the welcome window has handed over to it; null on timeout.
    HWND MainWindow(int timeoutMs = 10000) { return WaitForWindow(MAIN_CLASS_NAME, timeoutMs); }

    // Posts a page command to the main window and returns the page's dialog once it is up.
    static HWND OpenPage(HWND main, UINT command, int timeoutMs = 10000)
    {
        PostMessageW(main, WM_COMMAND, command, 0);
        HWND dialog = nullptr;
        WaitUntil(
            [&] {
                dialog = reinterpret_cast<HWND>(SendMessageW(main, APPMSG_QUERY_ACTIVE, 0, 0));
                return dialog && dialog != main;
            },
            timeoutMs);
        return dialog != main ? dialog : nullptr;
    }
    // Closes a page with Done (IDOK) and waits until the main window is active again.
    static bool ClosePage(HWND main, HWND dialog, int timeoutMs = 10000)
    {
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        return WaitUntil([&] { return LRESULT(main) == SendMessageW(main, APPMSG_QUERY_ACTIVE, 0, 0); },
                         timeoutMs);
    }

    std::atomic<int> result { 12345 };
    std::thread thread;
};

}  // namespace shelltest
