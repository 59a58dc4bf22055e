// LogWriter: the log file's bytes after writes, trims and start-ups, and the text Read shows.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <cstring>
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

TEST_F(LogWriterTest, TrimWhoseWriteFailsLeavesTheLogAsItWas)
{
    WriteLog(SEPARATOR + Utf16("old\r\n"));
    Start();
    log->Write(u"new", nullptr);
    const std::string before = LogBytes();
    context.shortWrite = 10;
    log->Trim(-1);
    EXPECT_EQ(before, LogBytes());
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

TEST_F(LogWriterTest, OddByteCountsAreShownAndTrimmedWithoutHarm)
{
    WriteLog(SEPARATOR + Utf16("a\r\n") + "z");   // a stray odd byte: the new run starts at 23
    Start();
    log->Write(u"b", nullptr);
    std::u16string shown = Shown();
    EXPECT_EQ(29u, shown.size());
    EXPECT_EQ(u"a\r\n", shown.substr(0, 3));
    log->Trim(-1);                                  // the run is kept byte for byte
    EXPECT_EQ(SEPARATOR + Utf16("2006.9.15 13:5 b\r\n"), LogBytes());
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

}  // namespace
