// LogWriter: the log file's bytes after writes, trims and start-ups, and the text Read shows.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "common/DiskFile.h"
#include "common/TempDeviceRoot.h"
#include "svc/LogWriterImpl.h"

namespace {

constexpr char16_t LOG_PATH[] = u"\\OrvMobile.Log";

// Forwards to a real file; when shortWrite is set, the next write stops after that many bytes, as
// on a full or removed store card, and later writes work again.
class ShortWriteFile final : public DiskFile {
public:
    ShortWriteFile(DiskFile* inner, int64_t* shortWrite, uint32_t* readChunk)
        : inner(inner), shortWrite(shortWrite), readChunk(readChunk) {}
    int32_t AddRef() noexcept override { return ++refs; }
    int32_t Release() noexcept override
    {
        int32_t count = --refs;
        if (count == 0) {
            inner->Release();
            delete this;
        }
        return count;
    }
    int32_t Open(const WCHAR* path, int32_t mode) noexcept override { return inner->Open(path, mode); }
    int32_t MakeWritable() noexcept override { return inner->MakeWritable(); }
    int32_t Close() noexcept override { return inner->Close(); }
    uint32_t Read(void* buffer, uint32_t count) noexcept override
    {
        return inner->Read(buffer, count < *readChunk ? count : *readChunk);
    }
    int32_t Write(const void* buffer, uint32_t count) noexcept override
    {
        if (*shortWrite < 0 || *shortWrite >= int64_t(count))
            return inner->Write(buffer, count);
        uint32_t allowed = uint32_t(*shortWrite);
        *shortWrite = -1;
        return allowed ? inner->Write(buffer, allowed) : -1;
    }
    int64_t Seek(uint32_t low, int32_t high, uint32_t origin) noexcept override { return inner->Seek(low, high, origin); }
    int64_t GetSize() noexcept override { return inner->GetSize(); }
    int32_t SetSize(int32_t size) noexcept override { return inner->SetSize(size); }
    HANDLE GetHandle() noexcept override { return inner->GetHandle(); }

private:
    DiskFile* inner;
    int64_t* shortWrite;
    uint32_t* readChunk;
    int32_t refs = 1;
};

// Just what the log writer asks of its context: files and the util settings.
class FakeContext final : public ServiceContext {
public:
    int32_t Reserved0() noexcept override { return 0; }
    int32_t Reserved1() noexcept override { return 0; }
    int32_t Reserved2() noexcept override { return 0; }
    int32_t Reserved3() noexcept override { return 0; }
    WCHAR* GetBackupFolder(WCHAR* out, int32_t) noexcept override { return out; }
    int32_t AddRef() noexcept override { return ++refs; }
    int32_t Release() noexcept override { return --refs; }
    int32_t Free() noexcept override { return 0; }
    int32_t SetEngineInfo(int32_t, const EngineDate*) noexcept override { return 0; }
    int32_t GetEngineInfo(EngineDate*) noexcept override { return 0; }
    int32_t SetAppFolder(const WCHAR*) noexcept override { return 0; }
    int32_t SetLibFolder(const WCHAR*) noexcept override { return 0; }
    int32_t GetLibFolder(WCHAR*) noexcept override { return 0; }
    WCHAR* MakeAppPath(WCHAR* out, const WCHAR*) noexcept override { return out; }
    DiskFile* OpenFile(const WCHAR* path, int32_t mode) noexcept override
    {
        DiskFile* file = OpenDiskFile(path, mode);
        return file ? new ShortWriteFile(file, &shortWrite, &readChunk) : nullptr;
    }
    int32_t PutSettings(int32_t, const void*) noexcept override { return 0; }
    int32_t GetSettings(int32_t which, void* out) noexcept override
    {
        if (which == SETTINGS_UTIL)
            std::memcpy(out, &util, sizeof(util));
        return 0;
    }
    void Destroy(uint32_t) noexcept override {}

    int32_t refs = 1;
    int64_t shortWrite = -1;    // -1: every write is whole
    uint32_t readChunk = UINT32_MAX;   // no read returns more than this
    UtilSettings util { 12, 8, 2 };
};

std::string Utf16(const std::string& ascii)
{
    std::string bytes;
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}

const std::string SEPARATOR = Utf16("\r\n====\r\n");

class LogWriterTest : public ::testing::Test {
protected:
    LogWriterTest() { setenv("WCE_FAKE_TIME", "2006-09-15T13:05:00", 1); }
    ~LogWriterTest() override
    {
        if (log)
            log->Release();
        unsetenv("WCE_FAKE_TIME");
    }

    LogWriter* Start()
    {
        log = CreateLogWriter(&context, LOG_PATH);
        return log;
    }
    std::string LogBytes() const { return device.Read("\\OrvMobile.Log"); }
    void WriteLog(const std::string& bytes) { device.Write("\\OrvMobile.Log", bytes); }
    std::u16string Shown()
    {
        int32_t size = log->Read(nullptr, 0);
        std::u16string text(size_t(size) / 2 + 1, u'\0');
        int32_t bytes = log->Read(text.data(), uint32_t(size));
        text.resize(size_t(bytes) / 2);
        return text;
    }

    TempDeviceRoot device;
    FakeContext context;
    LogWriter* log = nullptr;
};

TEST_F(LogWriterTest, NewLogHoldsTheSeparatorThenTheStartEntry)
{
    ASSERT_NE(nullptr, Start());
    EXPECT_EQ(2, context.refs);
    log->Write(u"Start", nullptr);
    EXPECT_EQ(SEPARATOR + Utf16("2006.9.15 13:5 Start\r\n"), LogBytes());
}

TEST_F(LogWriterTest, EntriesAreDatedLinesAndEmptyTextMakesAnEmptyLine)
{
    Start();
    log->Write(u"Scan", u"x.exe");
    log->Write(u"Scan", nullptr);
    log->Write(u"", u"ignored");
    log->Write(nullptr, u"ignored");
    log->Write(nullptr, nullptr);   // only flushes
    EXPECT_EQ(SEPARATOR + Utf16("2006.9.15 13:5 Scan x.exe\r\n2006.9.15 13:5 Scan\r\n\r\n\r\n"), LogBytes());
}

TEST_F(LogWriterTest, EntryLongerThanTheBufferIsWrittenWhole)
{
    Start();
    std::u16string path(6000, u'p');
    log->Write(u"Found", path.c_str());
    EXPECT_EQ(SEPARATOR + Utf16("2006.9.15 13:5 Found " + std::string(6000, 'p') + "\r\n"), LogBytes());
}

TEST_F(LogWriterTest, TrimZeroClearsAndMinusOneKeepsTheCurrentRun)
{
    WriteLog(SEPARATOR + Utf16("old\r\n"));
    Start();
    log->Write(u"new", nullptr);
    const std::string currentRun = SEPARATOR + Utf16("2006.9.15 13:5 new\r\n");
    log->Trim(-1);
    EXPECT_EQ(currentRun, LogBytes());
    log->Trim(-1);                  // the current run now starts the file
    EXPECT_EQ(currentRun, LogBytes());
    log->Trim(0);
    EXPECT_EQ(SEPARATOR, LogBytes());
}

TEST_F(LogWriterTest, ReadShowsRunsSeparatedByEmptyLines)
{
    WriteLog(SEPARATOR + Utf16("a\r\n") + SEPARATOR + Utf16("b\r\n"));
    Start();
    EXPECT_EQ(int32_t(2 * (16 + 6) + 16 + 2), log->Read(nullptr, 0));
    EXPECT_EQ(u"a\r\n\r\nb\r\n\r\n", Shown());   // the third run has no entries yet
}

TEST_F(LogWriterTest, ReadNeverWritesPastTheCallersBuffer)
{
    Start();
    log->Write(u"x", nullptr);
    uint32_t size = uint32_t(log->Read(nullptr, 0)) - 2;   // the file alone, no room for the end
    std::u16string buffer(size / 2 + 4, char16_t(0xCCCC));
    int32_t shown = log->Read(buffer.data(), size);
    EXPECT_EQ(std::u16string(u"2006.9.15 13:5 x\r"), buffer.substr(0, size_t(shown) / 2));
    EXPECT_EQ(char16_t(0xCCCC), buffer[size / 2]);
    EXPECT_EQ(0, log->Read(buffer.data(), 1));
}

TEST_F(LogWriterTest, SizeCapKeepsTheRunsWhoseSeparatorLiesInTheLastHalf)
{
    // 8192 bytes: an old run, then a run whose separator starts 4000 bytes before the end.
    std::string oldRun = SEPARATOR + Utf16(std::string(2086, 'o') + "\r\n");
    std::string keptEntries = Utf16(std::string(1990, 'k') + "\r\n");
    ASSERT_EQ(8192u, oldRun.size() + SEPARATOR.size() + keptEntries.size());
    WriteLog(oldRun + SEPARATOR + keptEntries);
    Start();
    EXPECT_EQ(keptEntries + SEPARATOR, LogBytes());
}

TEST_F(LogWriterTest, LogJustUnderTheCapIsLeftAlone)
{
    std::string log8190 = SEPARATOR + Utf16(std::string(4085, 'a') + "\r\n");
    ASSERT_EQ(8190u, log8190.size());
    WriteLog(log8190);
    Start();
    EXPECT_EQ(log8190 + SEPARATOR, LogBytes());
}

TEST_F(LogWriterTest, OverCapWithoutSeparatorInLastHalfIsEmptied)
{
    WriteLog(SEPARATOR + Utf16(std::string(5000, 'a') + "\r\n"));
    Start();
    log->Write(u"Start", nullptr);
    EXPECT_EQ(SEPARATOR + SEPARATOR + Utf16("2006.9.15 13:5 Start\r\n"), LogBytes());
}

TEST_F(LogWriterTest, PositiveKeepLargerThanTheFileKeepsEveryRunFromItsFirstEntry)
{
    WriteLog(SEPARATOR + Utf16("a\r\n"));
    Start();
    log->Trim(1 << 30);
    EXPECT_EQ(Utf16("a\r\n") + SEPARATOR, LogBytes());
}

// A trim writes its result beside the log and renames it into place; what a killed trim left
// behind goes at the next start, and no temporary file of its own stays.
TEST_F(LogWriterTest, TrimReplacesTheLogAndTemporaryFilesOfAKilledTrimGoAtTheNextStart)
{
    WriteLog(SEPARATOR + Utf16("old\r\n"));
    device.Write("\\~orv0badf00d.tmp", "half a trim");
    device.Write("\\~other.tmp", "not ours");
    Start();
    EXPECT_FALSE(device.Exists("\\~orv0badf00d.tmp"));
    EXPECT_TRUE(device.Exists("\\~other.tmp"));
    log->Write(u"new", nullptr);
    log->Trim(-1);
    log->Write(u"after", nullptr);   // the writer works on the new file
    EXPECT_EQ(SEPARATOR + Utf16("2006.9.15 13:5 new\r\n2006.9.15 13:5 after\r\n"), LogBytes());
    for (const auto& entry : std::filesystem::directory_iterator(device.Host("\\")))
        EXPECT_NE(0u, entry.path().filename().string().find("~orv")) << entry.path();
}

TEST_F(LogWriterTest, ReadsThatReturnLittleAtATimeStillSeeTheWholeLog)
{
    WriteLog(SEPARATOR + Utf16("a\r\n"));
    context.readChunk = 7;
    Start();
    log->Write(u"b", nullptr);
    EXPECT_EQ(u"a\r\n\r\n2006.9.15 13:5 b\r\n", Shown());
    log->Trim(-1);
    EXPECT_EQ(SEPARATOR + Utf16("2006.9.15 13:5 b\r\n"), LogBytes());
}

TEST_F(LogWriterTest, EntryCutShortByAFullStoreIsTakenOffAgain)
{
    Start();
    log->Write(u"one", nullptr);
    const std::string before = LogBytes();
    context.shortWrite = 7;
    log->Write(u"two", nullptr);
    EXPECT_EQ(before, LogBytes());
}

// An odd byte, or the part of an entry a kill cut short, is dropped when the log is opened, so
// the entries written after it read whole.
TEST_F(LogWriterTest, AnOddByteOrACutEntryAtTheEndIsDroppedOnOpen)
{
    const std::string whole = SEPARATOR + Utf16("a\r\n");
    const struct {
        const char* what;
        std::string end;
    } rows[] = {
        { "odd byte", "z" },
        { "an entry cut short", Utf16("2006.9.15 13:5 hal") },
        { "cut between CR and LF", Utf16("2006.9.15 13:5 b\r") },
        { "odd byte after a cut entry", Utf16("2006.9") + "\x01" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        if (log)
            log->Release();
        WriteLog(whole + row.end);
        Start();
        log->Write(u"b", nullptr);
        EXPECT_EQ(whole + SEPARATOR + Utf16("2006.9.15 13:5 b\r\n"), LogBytes());
        EXPECT_EQ(u"a\r\n\r\n2006.9.15 13:5 b\r\n", Shown());
    }
}

// A positive trim moves the current run to the front; keeping the current run afterwards keeps
// it, rather than everything being cut away by a start that no longer fits.
TEST_F(LogWriterTest, KeepingTheCurrentRunAfterAPositiveTrimKeepsIt)
{
    WriteLog(SEPARATOR + Utf16(std::string(300, 'o') + "\r\n"));
    Start();
    log->Write(u"mine", nullptr);
    log->Trim(200);
    const std::string kept = Utf16("2006.9.15 13:5 mine\r\n");
    EXPECT_EQ(kept, LogBytes());
    log->Trim(-1);
    EXPECT_EQ(kept, LogBytes());
}

TEST_F(LogWriterTest, RunStartBeyondAShortenedFileKeepsNothing)
{
    WriteLog(SEPARATOR + Utf16(std::string(100, 'a') + "\r\n"));
    Start();
    WriteLog(Utf16("ab"));                          // shortened behind the writer's back
    log->Trim(-1);
    EXPECT_EQ("", LogBytes());
}

TEST_F(LogWriterTest, LogThatCannotBeOpenedLeavesAWriterThatDoesNothing)
{
    log = CreateLogWriter(&context, u"\\NoSuchFolder\\OrvMobile.Log");
    ASSERT_NE(nullptr, log);
    EXPECT_EQ(0, log->Write(u"x", nullptr));
    EXPECT_EQ(0, log->Trim(-1));
    EXPECT_EQ(0, log->Read(nullptr, 0));
    log->Release();
    log = nullptr;
    EXPECT_EQ(1, context.refs);
}

TEST_F(LogWriterTest, WritersOnTwoThreadsNeverInterleaveEntries)
{
    Start();
    auto writeMany = [this](const char16_t* text) {
        for (int i = 0; i < 200; ++i)
            log->Write(text, u"detail");
    };
    std::thread worker(writeMany, u"worker");
    writeMany(u"ui");
    worker.join();
    std::string bytes = LogBytes();
    std::string workerLine = Utf16("2006.9.15 13:5 worker detail\r\n");
    std::string uiLine = Utf16("2006.9.15 13:5 ui detail\r\n");
    size_t offset = SEPARATOR.size();
    int lines = 0;
    while (offset < bytes.size()) {
        bool isWorker = bytes.compare(offset, workerLine.size(), workerLine) == 0;
        bool isUi = bytes.compare(offset, uiLine.size(), uiLine) == 0;
        ASSERT_TRUE(isWorker || isUi) << "entry " << lines << " is damaged";
        offset += isWorker ? workerLine.size() : uiLine.size();
        ++lines;
    }
    EXPECT_EQ(400, lines);
}

// The service library is shared: two programs may append to one log at once. Their appends take
// the log's file lock, so every entry of both arrives whole.
TEST_F(LogWriterTest, TwoProcessesAppendingToOneLogLoseNothing)
{
    context.util.logMaxKB = 0;
    WriteLog("");
    const int perProcess = 2000;
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        children[c] = fork();
        if (children[c] == 0) {
            LogWriter* own = CreateLogWriter(&context, LOG_PATH);
            for (int i = 0; i < perProcess; ++i)
                own->Write(c == 0 ? u"first" : u"second", u"detail");
            own->Release();
            _exit(0);
        }
    }
    for (pid_t child : children)
        waitpid(child, nullptr, 0);
    std::string bytes = LogBytes();
    const std::string lines[] = { SEPARATOR, Utf16("2006.9.15 13:5 first detail\r\n"), Utf16("2006.9.15 13:5 second detail\r\n") };
    int counts[3] = {};
    for (size_t offset = 0; offset < bytes.size();) {
        int kind = 0;
        while (kind < 3 && bytes.compare(offset, lines[kind].size(), lines[kind]) != 0)
            ++kind;
        ASSERT_LT(kind, 3) << "damaged at byte " << offset;
        offset += lines[kind].size();
        ++counts[kind];
    }
    EXPECT_EQ(2, counts[0]);
    EXPECT_EQ(perProcess, counts[1]);
    EXPECT_EQ(perProcess, counts[2]);
}

}  // namespace
