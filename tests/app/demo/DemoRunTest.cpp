// The program on the demo device, out of process: started headless with its automation socket and
// driven by wce-auto as the README shows, including a second start while a page is open.
#include <chrono>
#include <functional>
#include <sstream>
#include <thread>

#include <ResourceIds.h>

#include "DemoDevice.h"

namespace {

namespace fs = std::filesystem;
using demotest::ChildProcess;
using demotest::WindowLine;

constexpr int START_TIMEOUT_MS = 20000;
constexpr int STEP_TIMEOUT_MS = 10000;
constexpr int SECOND_START_TIMEOUT_MS = 5000;

using Windows = std::vector<WindowLine>;

const WindowLine* ActiveTopLevel(const Windows& windows)
{
    for (const WindowLine& window : windows) {
        if (!window.child && window.active)
            return &window;
    }
    return nullptr;
}

// The text of a control of the active window, or "<none>".
std::string ActiveControlText(const Windows& windows, int id)
{
    bool inActive = false;
    for (const WindowLine& window : windows) {
        if (!window.child)
            inActive = window.active;
        else if (inActive && window.id == id)
            return window.text;
    }
    return "<none>";
}

// The engine version and database date the about page shows, from the installed info file.
std::pair<std::string, std::string> InfoFileTexts(const fs::path& infoFile)
{
    std::string text = demotest::ReadHost(infoFile);
    std::smatch version;
    std::smatch date;
    std::regex_search(text, version, std::regex(R"(version=(\d+\.\d+\.\d+))"));
    std::regex_search(text, date, std::regex(R"(date=(\d+)-(\d+)-(\d+))"));
    if (version.empty() || date.empty())
        return {};
    return { version[1], std::to_string(std::stoi(date[1])) + "." + std::to_string(std::stoi(date[2])) + "." +
                             std::to_string(std::stoi(date[3])) };
}

// The words of one line of a shell script as the README writes them: blanks separate words, double
// quotes keep blanks inside one, and a '#' that starts a word starts a comment.
std::vector<std::string> ShellWords(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else if (!quoted && c == '#' && !inWord) {
            break;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// The lines of the README's headless walk-through: the first sh block after its heading.
std::vector<std::string> WalkThrough()
{
    std::istringstream readme(demotest::ReadHost(fs::path(ORV_SOURCE_DIR) / "README.md"));
    std::vector<std::string> lines;
    bool heading = false, block = false;
    for (std::string line; std::getline(readme, line);) {
        if (!heading) {
            heading = line == "### A walk through the demo device";
        } else if (!block) {
            block = line == "```sh";
        } else if (line == "```") {
            break;
        } else {
            lines.push_back(line);
        }
    }
    return lines;
}

class DemoRunTest : public demotest::DemoDevice {
protected:
    void SetUp() override
    {
        DemoDevice::SetUp();
        demotest::ToolResult installed = Install();
        ASSERT_TRUE(installed.finished && installed.status == 0) << installed.output;
        device = fs::canonical(device);   // the program knows itself by its real path
        program = device / "Program Files" / "OrvMobile";
    }
    demotest::Environment Device() const
    {
        return { { "WCE_DEVICE_ROOT", device.string() }, { "WCE_HEADLESS", "1" }, { "WCE_AUTOMATION", "1" } };
    }
    bool Start(ChildProcess& process, const char* outputName)
    {
        return process.Start({ (program / "OrvMobile").string() }, Device(), (folder / outputName).string());
    }
    // One wce-auto command to the first program; its reply, or "" when the tool failed.
    std::string Auto(std::vector<std::string> arguments)
    {
        std::vector<std::string> argv { (demotest::BUILD_DIR / "bin" / "wce-auto").string(), "-p",
                                        std::to_string(first.Pid()) };
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        demotest::ToolResult result = demotest::RunTool(argv, Device(), demotest::TOOL_TIMEOUT_MS);
        return result.finished && result.status == 0 ? result.output : std::string();
    }
    // Polls `list` until condition holds; the last listing (empty on timeout).
    Windows WaitForWindows(const std::function<bool(const Windows&)>& condition, int timeoutMs)
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            Windows windows = demotest::ParseList(Auto({ "list" }));
            if (condition(windows))
                return windows;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return {};
    }
    std::u16string Log() const
    {
        std::string bytes = demotest::ReadHost(program / "OrvMobile.Log");
        std::u16string text;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            text.push_back(char16_t(uint8_t(bytes[i]) | uint8_t(bytes[i + 1]) << 8));
        return text;
    }
    static size_t Count(const std::u16string& text, const std::string& ascii)
    {
        std::u16string wanted(ascii.begin(), ascii.end());
        size_t count = 0;
        for (size_t at = text.find(wanted); !wanted.empty() && at != std::u16string::npos; at = text.find(wanted, at + 1))
            ++count;
        return count;
    }

    // The main window once it is up and active: its handle, or "" on timeout.
    std::string WaitForMainWindow(const std::string& title)
    {
        Windows windows = WaitForWindows(
            [&](const Windows& w) {
                const WindowLine* active = ActiveTopLevel(w);
                return active && active->className == "OrvMobileApp" && active->text == title && active->visible;
            },
            START_TIMEOUT_MS);
        return windows.empty() ? std::string() : ActiveTopLevel(windows)->handle;
    }
    // Opens the about page by its menu command and checks its texts; its handle, or "" on timeout.
    std::string OpenAboutPage(const std::string& mainWindow)
    {
        auto [version, date] = InfoFileTexts(program / "Lib" / "orv.info");
        EXPECT_EQ("ok\n", Auto({ "command", mainWindow, std::to_string(CMD_SHOW_ABOUT) }));
        Windows windows = WaitForWindows(
            [&](const Windows& w) { return ActiveControlText(w, IDC_ABOUT_BUILD) == "2006.09.15"; }, STEP_TIMEOUT_MS);
        if (windows.empty())
            return std::string();
        EXPECT_EQ(version, ActiveControlText(windows, IDC_ABOUT_VERSION));
        EXPECT_EQ(date, ActiveControlText(windows, IDC_ABOUT_DBDATE));
        return ActiveTopLevel(windows)->handle;
    }
    // The log holds one start line and, after it, one end line.
    void ExpectOneRunLogged() const
    {
        const std::u16string log = Log();
        const std::string start = EnglishString(IDS_LOG_START);
        const std::string end = EnglishString(IDS_LOG_END);
        EXPECT_EQ(1u, Count(log, start));
        EXPECT_EQ(1u, Count(log, end));
        EXPECT_LT(log.find(std::u16string(start.begin(), start.end())), log.find(std::u16string(end.begin(), end.end())));
    }

    ChildProcess first;   // killed by its destructor when a step fails
};

TEST_F(DemoRunTest, DrivenOverTheSocketKeepsOneInstanceAndLogsStartAndExit)
{
    const std::string title = EnglishString(IDS_APP_TITLE);
    ASSERT_FALSE(title.empty());
    ASSERT_TRUE(Start(first, "first.out"));
    const std::string mainWindow = WaitForMainWindow(title);
    ASSERT_NE("", mainWindow) << "no main window titled \"" << title << "\"";
    const std::string page = OpenAboutPage(mainWindow);
    ASSERT_NE("", page) << "the about page did not open";

    const fs::path shot = folder / "about.png";
    EXPECT_EQ("ok\n", Auto({ "screenshot", shot.string() }));
    EXPECT_EQ("\x89PNG", demotest::ReadHost(shot).substr(0, 4));

    // A second start hands over to the running program and ends; the page stays in front.
    ChildProcess second;
    ASSERT_TRUE(Start(second, "second.out"));
    int status = -1;
    ASSERT_TRUE(second.Wait(SECOND_START_TIMEOUT_MS, status)) << "the second instance did not end";
    EXPECT_EQ(0, status);
    Windows windows = WaitForWindows([&](const Windows& w) { return ActiveTopLevel(w) != nullptr; }, STEP_TIMEOUT_MS);
    ASSERT_NE(nullptr, ActiveTopLevel(windows));
    EXPECT_EQ(page, ActiveTopLevel(windows)->handle);
    EXPECT_TRUE(ActiveTopLevel(windows)->visible);

    ASSERT_EQ("ok\n", Auto({ "command", "0", std::to_string(IDOK) }));
    windows = WaitForWindows(
        [&](const Windows& w) { return ActiveTopLevel(w) && ActiveTopLevel(w)->handle == mainWindow; }, STEP_TIMEOUT_MS);
    ASSERT_FALSE(windows.empty()) << "the about page did not close";
    ASSERT_EQ("ok\n", Auto({ "command", mainWindow, std::to_string(CMD_EXIT) }));
    ASSERT_TRUE(first.Wait(STEP_TIMEOUT_MS, status)) << "the program did not exit";
    EXPECT_EQ(0, status);
    ExpectOneRunLogged();
}

// A device folder copied elsewhere, with the one it came from gone, still starts: the program
// finds its platform libraries beside itself, not in the build folder.
TEST_F(DemoRunTest, ACopiedDeviceStartsWithTheLibrariesBesideTheProgram)
{
    const fs::path moved = folder / "moved";
    fs::copy(device, moved, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    fs::remove_all(device);
    device = moved;
    program = device / "Program Files" / "OrvMobile";

    demotest::ToolResult trace = demotest::RunTool({ (program / "OrvMobile").string() },
                                                   { { "LD_TRACE_LOADED_OBJECTS", "1" }, { "LD_LIBRARY_PATH", "" } },
                                                   demotest::TOOL_TIMEOUT_MS);
    ASSERT_TRUE(trace.finished) << trace.output;
    for (const char* library : { "libwcecore.so", "libwceui.so", "libwcegdi.so", "libwcedisplay.so" })
        EXPECT_NE(std::string::npos, trace.output.find(std::string(library) + " => " + (program / library).string()))
            << trace.output;

    ASSERT_TRUE(Start(first, "moved.out"));
    const std::string mainWindow = WaitForMainWindow(EnglishString(IDS_APP_TITLE));
    ASSERT_NE("", mainWindow) << demotest::ReadHost(folder / "moved.out");
    ASSERT_EQ("ok\n", Auto({ "command", mainWindow, std::to_string(CMD_EXIT) }));
    int status = -1;
    ASSERT_TRUE(first.Wait(STEP_TIMEOUT_MS, status));
    EXPECT_EQ(0, status);
}

// The README's walk-through, line by line as it stands there, on a device of the test's own: the
// script starts the program headless, and every wce-auto line must succeed. Afterwards one
// treated file is back, no backup is left and the log holds nothing from before it was cleared.
TEST_F(DemoRunTest, TheReadmeWalkThroughWorksAsWritten)
{
    const std::vector<std::string> lines = WalkThrough();
    ASSERT_GE(lines.size(), 10u) << "no walk-through in the README";
    std::vector<fs::path> testFiles;
    for (const char* file : { "My Documents/Downloads/testfile.com", "My Documents/Downloads/Tools/update.exe",
                              "My Documents/Mail/Attachments/invoice.txt", "Storage Card/Photos/slides.com" })
        testFiles.push_back(device / file);
    int autoLines = 0;
    for (const std::string& line : lines) {
        SCOPED_TRACE(line);
        std::vector<std::string> words = ShellWords(line);
        if (words.empty())
            continue;
        if (words[0] == "export") {
            ASSERT_EQ(0u, words[1].rfind("WCE_DEVICE_ROOT=", 0));   // the test's device stands in for it
            continue;
        }
        if (words[0] == "bash") {
            // The script line, pointed at this build and this test's device.
            ASSERT_EQ("scripts/demo-device.sh", words[1]);
            ASSERT_EQ("&", words.back());
            std::vector<std::string> argv { "/bin/bash", demotest::SCRIPT.string() };
            argv.insert(argv.end(), words.begin() + 2, words.end() - 1);
            for (const std::string& extra : { std::string("--build-dir"), demotest::BUILD_DIR.string(),
                                              std::string("--device"), device.string() })
                argv.push_back(extra);
            ASSERT_TRUE(first.Start(argv, {}, (folder / "walk.out").string()));
            continue;
        }
        ASSERT_EQ("build/bin/wce-auto", words[0]);
        std::vector<std::string> argv { (demotest::BUILD_DIR / "bin" / "wce-auto").string() };
        argv.insert(argv.end(), words.begin() + 1, words.end());
        demotest::ToolResult result = demotest::RunTool(argv, { { "WCE_DEVICE_ROOT", device.string() } }, 40000);
        ASSERT_TRUE(result.finished && result.status == 0) << result.output << demotest::ReadHost(folder / "walk.out");
        ++autoLines;
    }
    EXPECT_GE(autoLines, 10);
    int status = -1;
    ASSERT_TRUE(first.Wait(STEP_TIMEOUT_MS, status)) << "the program did not exit";
    EXPECT_EQ(0, status);

    int back = 0;
    for (const fs::path& file : testFiles)
        back += fs::exists(file) ? 1 : 0;
    EXPECT_EQ(1, back);
    const fs::path backups = program / "Orv-Back.Vir";
    EXPECT_TRUE(!fs::exists(backups) || fs::is_empty(backups));
    const std::u16string log = Log();
    EXPECT_EQ(0u, Count(log, EnglishString(IDS_LOG_START)));
    EXPECT_EQ(0u, Count(log, EnglishString(IDS_MSG_DONE_INFECTED)));
    EXPECT_EQ(1u, Count(log, EnglishString(IDS_LOG_END)));
}

}  // namespace
