// Drives the option and log pages of the running program as a user would: a device with the
// program's folder, the page's soft keys and menu, its controls, and screenshots of the screen.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wce/Automation.h>
#include <windows.h>

#include "DialogPage.h"
#include "RunningProgram.h"
#include "ShellDevice.h"

namespace optlogtest {

using Environment = std::vector<std::pair<std::string, std::string>>;

inline DialogPage* PageOf(HWND dialog)
{
    return reinterpret_cast<DialogPage*>(GetWindowLongW(dialog, GWL_USERDATA));
}

// The program on a device of its own; the English resources and the pictures are installed.
class PageProgram {
public:
    explicit PageProgram(const Environment& environment = {}, bool withEngine = false) : device(environment)
    {
        device.InstallResources({ "OrvResEN.DLL" });
        if (withEngine)
            device.InstallEngine();
        ShellDevice::AttachPictures();
        wce::automation::ResetMessageBoxes();
        wce::automation::ResetPopups();
    }
    // Files that the program finds at start go in before this.
    HWND Start()
    {
        program = std::make_unique<shelltest::RunningProgram>();
        main = program->MainWindow();
        return main;
    }
    ~PageProgram()
    {
        if (program && main) {
            PostMessageW(main, WM_COMMAND, CMD_EXIT, 0);
            program->Join();
        }
    }

    std::filesystem::path HostPath(const std::string& name) const { return device.programFolder / name; }
    std::string ReadFile(const std::string& name) const { return ShellDevice::ReadHost(HostPath(name)); }
    void WriteFile(const std::filesystem::path& hostPath, const std::string& bytes) const
    {
        std::filesystem::create_directories(hostPath.parent_path());
        std::ofstream(hostPath, std::ios::binary | std::ios::trunc) << bytes;
    }

    HWND Open(UINT command) const { return shelltest::RunningProgram::OpenPage(main, command); }
    // Ends the page with a command (IDOK confirms, IDCANCEL cancels) and waits until it is gone.
    bool Close(HWND dialog, UINT command) const
    {
        PostMessageW(dialog, WM_COMMAND, command, 0);
        return shelltest::WaitUntil(
            [&] { return LRESULT(main) == SendMessageW(main, APPMSG_QUERY_ACTIVE, 0, 0); }, 10000);
    }

    ShellDevice device;
    std::unique_ptr<shelltest::RunningProgram> program;
    HWND main = nullptr;
};

inline HWND MenuBarOf(HWND dialog)
{
    HWND bar = nullptr;
    wce::automation::RunOnWindowThread(dialog, [&] { bar = PageOf(dialog)->menuBar; });
    return bar;
}

// Opens the page's menu with the right soft key and picks `command` in it.
inline void ChooseFromMenu(HWND dialog, UINT command)
{
    wce::automation::QueueMenuChoice(command);
    SendMessageW(MenuBarOf(dialog), WM_KEYDOWN, VK_TSOFT2, 0);
}

inline void PressLeftSoftKey(HWND dialog)
{
    SendMessageW(MenuBarOf(dialog), WM_KEYDOWN, VK_TSOFT1, 0);
}

// Saves the screen under <build>/screenshots/<name>.png once the page has repainted; fails when it
// could not be saved or a text on it is cut off.
inline testing::AssertionResult SaveShot(HWND dialog, const std::string& name)
{
    return shelltest::SaveScreen(dialog, name);
}

}  // namespace optlogtest
