// Crash safety of the service library's files: a child process saves, restores, trims or appends
// in a loop and is killed with SIGKILL at a random point; afterwards the file must be the old one
// or the new one, never a mix, and nothing the child finished may be lost. ORV_KILLS sets the
// number of kills per operation (a few dozen by default; scripts/crash-kills.sh runs hundreds).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "common/TempDeviceRoot.h"
#include "svc/IniFile.h"
#include "svc/include/OrvMobileEngCE.h"

namespace {

int Kills()
{
    const char* text = std::getenv("ORV_KILLS");
    int kills = text ? std::atoi(text) : 0;
    return kills > 0 ? kills : 24;
}

std::string Utf16(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

// Forks a child that runs step(i) for i = 0, 1, ... and reports each finished step on a pipe; the
// parent waits until the child has begun, lets a random part of window pass (busy, measured on the
// clock) and kills it. Returns the number of steps the child reported finished.
int RunAndKill(std::mt19937& random, std::chrono::nanoseconds window, const std::function<void(int)>& step)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return -1;
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        char mark = 1;
        for (int i = 0; write(pipeEnds[1], &mark, 1) == 1; ++i)
            step(i);
        _exit(0);
    }
    close(pipeEnds[1]);
    char mark = 0;
    read(pipeEnds[0], &mark, 1);   // the child has begun its first step
    auto delay = std::chrono::nanoseconds(std::uniform_int_distribution<int64_t>(0, window.count())(random));
    for (auto until = std::chrono::steady_clock::now() + delay; std::chrono::steady_clock::now() < until;) {
    }
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    int finished = 0;
    while (read(pipeEnds[0], &mark, 1) == 1)
        ++finished;
    close(pipeEnds[0]);
    return finished;
}

// How long one run of operation takes here, doubled: the window kills are spread over.
std::chrono::nanoseconds Window(const std::function<void()>& operation)
{
    auto begin = std::chrono::steady_clock::now();
    operation();
    return 2 * (std::chrono::steady_clock::now() - begin) + std::chrono::microseconds(50);
}

int TemporaryFiles(const std::string& hostFolder)
{
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(hostFolder))
        count += entry.path().filename().string().rfind("~orv", 0) == 0;
    return count;
}

class CrashSafetyTest : public ::testing::Test {
protected:
    void SetUp() override { device.MakeFolder("\\App"); }
    void Report(const char* operation, int kills, int bad)
    {
        std::printf("%s: %d kills, %d files lost or mixed\n", operation, kills, bad);
        RecordProperty(operation, bad);
    }
    TempDeviceRoot device;
    std::mt19937 random { 20061215 };
};

// Each version of the file is a section with one key whose value tells it apart and a long
// comment line that makes the write take a while.
TEST_F(CrashSafetyTest, AKilledIniSaveLeavesTheOldFileOrTheNewOne)
{
    const std::string comment = ";" + std::string(200000, 'c');
    // The form a save gives the file: an empty line before every section header but the first line.
    auto version = [&](int value) { return comment + "\r\n\r\n[S]\r\nK=" + std::to_string(value) + "\r\n"; };
    device.Write("\\App\\a.ini", version(0));
    auto window = Window([] { WriteIniInt(u"S", u"K", 0, u"\\App\\a.ini"); });
    int bad = 0;
    for (int kill = 0; kill < Kills(); ++kill) {
        RunAndKill(random, window, [&](int i) { WriteIniInt(u"S", u"K", (i % 2) ? 0 : 1, u"\\App\\a.ini"); });
        std::string file = device.Read("\\App\\a.ini");
        bad += file != version(0) && file != version(1);
    }
    WriteIniInt(u"S", u"K", 5, u"\\App\\a.ini");   // the next save clears what kills left
    EXPECT_EQ(version(5), device.Read("\\App\\a.ini"));
    EXPECT_EQ(0, TemporaryFiles(device.Host("\\App")));
    Report("INI save", Kills(), bad);
    EXPECT_EQ(0, bad);
}

// The five options of one Save belong together: a kill never leaves some old and some new.
TEST_F(CrashSafetyTest, AKilledSettingsSaveLeavesAllFiveOldOrAllFiveNew)
{
    ServiceContext* context = CreateServiceContext();
    context->SetAppFolder(u"\\App\\");
    auto save = [&](int generation) {
        OptionSettings options = { 16, 0, uint32_t(generation), generation % 2, generation % 4 };
        UtilSettings util = { 12, uint32_t(generation % 1000 + 1), uint32_t(generation % 10 + 1) };
        context->PutSettings(SETTINGS_OPTIONS, &options);
        context->PutSettings(SETTINGS_UTIL, &util);
        SettingsStore* store = CreateSettingsStore(context);
        store->Save();
        store->Free();
    };
    auto window = Window([&] { save(0); });
    int bad = 0;
    for (int kill = 0; kill < Kills(); ++kill) {
        RunAndKill(random, window, [&](int i) { save(kill * 1000 + i + 1); });
        const WCHAR* path = u"\\App\\OrvMobile.ini";
        int generation = ReadIniInt(u"Option", u"Flag", -1, path);
        bool together = generation >= 0 && ReadIniInt(u"Option", u"FileType", -1, path) == generation % 2
                     && ReadIniInt(u"Option", u"VirOp", -1, path) == generation % 4
                     && ReadIniInt(u"Util", u"LogMax", -1, path) == generation % 1000 + 1
                     && ReadIniInt(u"Util", u"Backup", -1, path) == generation % 10 + 1;
        bad += !together;
    }
    context->Release();
    Report("settings save", Kills(), bad);
    EXPECT_EQ(0, bad);
}

std::string BackupOf(const std::string& source, const std::string& content)
{
    std::string bytes = std::string("\x51\x00\x7A\x00\x07\x59\xFD\x4E\x02\x03\x54\x21\x43\x09\x00\x00", 16);
    bytes += std::string(32, '\0');
    auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = char(value >> (8 * i));
    };
    put(20, uint32_t(bytes.size()));
    bytes += source + '\0';
    put(24, uint32_t(bytes.size()));
    bytes += std::string("V") + '\0';
    put(16, uint32_t(bytes.size()));
    put(40, uint32_t(content.size()));
    for (char c : content)
        bytes += char(~uint8_t(c));
    return bytes;
}

// The backup goes only once the restored file is whole: after any kill either the backup is still
// there (and the target is the old file or the restored one), or the target is the restored file.
TEST_F(CrashSafetyTest, AKilledRestoreNeverLosesTheOnlyCopy)
{
    ServiceContext* context = CreateServiceContext();
    context->SetAppFolder(u"\\App\\");
    device.MakeFolder("\\App\\Orv-Back.Vir");
    device.MakeFolder("\\Docs");
    const std::string restored(3 << 20, 'r');
    const std::string backup = "\\App\\Orv-Back.Vir\\20261207-000000-000.bak";
    auto restore = [&] {
        BackupRecord record {};
        std::u16string path(backup.begin(), backup.end());
        path.copy(record.backupPath, MAX_PATH - 1);
        std::strcpy(record.sourcePath, "\\Docs\\a.doc");
        BackupStore* store = CreateBackupStore(context);
        int32_t result = store->Execute(BACKUP_RESTORE, &record);
        store->Release();
        return result;
    };
    device.Write(backup, BackupOf("\\Docs\\a.doc", restored));
    auto window = Window([&] { restore(); });
    int bad = 0;
    for (int kill = 0; kill < Kills(); ++kill) {
        device.Write("\\Docs\\a.doc", "old");
        device.Write(backup, BackupOf("\\Docs\\a.doc", restored));
        RunAndKill(random, window, [&](int) {
            restore();
            pause();   // one restore per child
        });
        std::string target = device.Read("\\Docs\\a.doc");
        bool backupKept = device.Exists(backup);
        bad += !(target == restored || (backupKept && target == "old"));
    }
    // Temporary files of killed restores beside the target go with the next restore there.
    device.Write(backup, BackupOf("\\Docs\\a.doc", "final"));
    EXPECT_EQ(0, restore());
    EXPECT_EQ("final", device.Read("\\Docs\\a.doc"));
    EXPECT_EQ(0, TemporaryFiles(device.Host("\\Docs")));
    context->Release();
    Report("restore", Kills(), bad);
    EXPECT_EQ(0, bad);
}

// A trim is one rename: the log is the old one (with or without the new run's separator) or the
// trimmed one, never the kept text written over the old start with the old tail behind.
TEST_F(CrashSafetyTest, AKilledLogTrimLeavesTheOldLogOrTheTrimmedOne)
{
    ServiceContext* context = CreateServiceContext();
    context->SetAppFolder(u"\\App\\");
    UtilSettings util = { 12, 1024, 2 };
    context->PutSettings(SETTINGS_UTIL, &util);
    const std::string separator = Utf16("\r\n====\r\n");
    std::string old;
    for (int run = 0; run < 40; ++run)
        old += separator + Utf16("run " + std::to_string(run) + " " + std::string(4000, 'e') + "\r\n");
    const std::string kept = Utf16("run 39 " + std::string(4000, 'e') + "\r\n") + separator;
    auto trim = [&] {
        LogWriter* log = CreateLogWriter(context, u"\\App\\OrvMobile.Log");
        log->Trim(9000);
        return log;
    };
    device.Write("\\App\\OrvMobile.Log", old);
    auto window = Window([&] { trim()->Release(); });
    int bad = 0;
    for (int kill = 0; kill < Kills(); ++kill) {
        device.Write("\\App\\OrvMobile.Log", old);
        RunAndKill(random, window, [&](int) {
            trim();
            pause();
        });
        std::string file = device.Read("\\App\\OrvMobile.Log");
        bad += file != old && file != old + separator && file != kept;
    }
    context->Release();
    Report("log trim", Kills(), bad);
    EXPECT_EQ(0, bad);
}

// Every entry the child finished is in the log, and the log reads as whole entries once opened.
TEST_F(CrashSafetyTest, AKilledAppendLosesNoFinishedEntryAndLeavesWholeEntries)
{
    setenv("WCE_FAKE_TIME", "2006-09-15T13:05:00", 1);
    ServiceContext* context = CreateServiceContext();
    context->SetAppFolder(u"\\App\\");
    UtilSettings util = { 12, 0, 2 };   // no size cap
    context->PutSettings(SETTINGS_UTIL, &util);
    const std::u16string detail(2100, u'd');   // an entry crosses page boundaries
    const std::string entry = Utf16("2006.9.15 13:5 e " + std::string(2100, 'd') + "\r\n");
    const std::string separator = Utf16("\r\n====\r\n");
    int bad = 0;
    for (int kill = 0; kill < Kills(); ++kill) {
        device.Write("\\App\\OrvMobile.Log", "");
        LogWriter* log = nullptr;
        int finished = RunAndKill(random, std::chrono::milliseconds(3), [&](int i) {
            if (i == 0)
                log = CreateLogWriter(context, u"\\App\\OrvMobile.Log");
            log->Write(u"e", detail.c_str());
        });
        LogWriter* reopened = CreateLogWriter(context, u"\\App\\OrvMobile.Log");
        reopened->Release();
        std::string file = device.Read("\\App\\OrvMobile.Log");
        size_t at = 0;
        int entries = 0;
        bool whole = true;
        while (at < file.size() && whole) {
            if (file.compare(at, separator.size(), separator) == 0)
                at += separator.size();
            else if (file.compare(at, entry.size(), entry) == 0)
                at += entry.size(), ++entries;
            else
                whole = false;
        }
        bad += !whole || entries < finished;
    }
    context->Release();
    unsetenv("WCE_FAKE_TIME");
    Report("log append", Kills(), bad);
    EXPECT_EQ(0, bad);
}

}  // namespace
