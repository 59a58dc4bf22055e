// A device for the scan page tests: the program with its resources and engine, the options file it
// reads at start, ordinary files and copies of the standard anti-virus test file in nested folders.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ShellDevice.h"

namespace scantest {

// Put together at run time so that no source or data file is itself a test file.
inline std::string TestFileText()
{
    return std::string("X5O!P%@AP[4\\PZX54(P^)7CC)7}$") + "EICAR-STANDARD-ANTIVIRUS-" + "TEST-FILE!$H+H*";
}

// "a/b.txt" as the program sees it: "\a\b.txt".
inline std::u16string DevicePath(const std::string& relative)
{
    std::u16string path = u"\\";
    for (char c : relative)
        path.push_back(c == '/' ? u'\\' : char16_t(uint8_t(c)));
    return path;
}

class ScanDevice : public ShellDevice {
public:
    explicit ScanDevice(std::vector<std::pair<std::string, std::string>> environment = {})
        : ShellDevice(std::move(environment))
    {
        InstallResources({ "OrvResEN.DLL" });
        InstallEngine();
        AttachPictures();
    }

    // The options the program loads at start: Flag (bit 8 keeps backups) and VirOp.
    void WriteOptions(int virusAction, unsigned flag = 0x103) const
    {
        std::ofstream(programFolder / "OrvMobile.ini", std::ios::binary)
            << "[Option]\r\nFlag=" << flag << "\r\nFileType=0\r\nVirOp=" << virusAction
            << "\r\n[Util]\r\nLogMax=8\r\nBackup=2\r\n";
    }
    void Write(const std::string& relative, const std::string& content) const
    {
        std::filesystem::create_directories(Host(relative).parent_path());
        std::ofstream(Host(relative), std::ios::binary) << content;
    }
    std::string Read(const std::string& relative) const { return ReadHost(Host(relative)); }
    bool Exists(const std::string& relative) const { return std::filesystem::exists(Host(relative)); }
    std::filesystem::path Host(const std::string& relative) const { return root / relative; }

    void AddOrdinaryFiles() const
    {
        Write("My Documents/notes.txt", "shopping list");
        Write("My Documents/Work/report.doc", std::string(5000, 'r'));
        Write("My Documents/Work/2026/plan.txt", "");
        Write("Storage Card/readme.txt", "card");
    }
    // Three copies in nested folders; returns their paths relative to the root.
    std::vector<std::string> AddTestFiles() const
    {
        std::vector<std::string> files = { "My Documents/eicar.com", "My Documents/Work/copy.exe",
                                           "My Documents/Work/Deep/Deeper/third.txt" };
        for (const std::string& file : files)
            Write(file, TestFileText() + "\r\n");
        return files;
    }

    // Files the walk can reach: those whose device path fits the 260-character buffers with its
    // terminator (the tests keep every folder well inside the limit or well outside it).
    int CountFiles() const
    {
        int count = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
            if (entry.is_regular_file() && entry.path().string().size() - root.string().size() < 260)
                ++count;
        }
        return count;
    }
    std::vector<std::filesystem::path> Backups() const
    {
        std::vector<std::filesystem::path> files;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(programFolder / "Orv-Back.Vir", ec))
            files.push_back(entry.path());
        return files;
    }
};

}  // namespace scantest
