// The scan worker over a temporary device: counting, findings, stopping, the treatment pass at the
// end, progress, long paths and a page that goes away while its worker is still busy.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <set>
#include <thread>

#include "ScanFakes.h"
#include "ScanWorker.h"
#include "TestDevice.h"
#include "components/resources/ResourceIds.h"

namespace {

template <size_t N>
void Copy(WCHAR (&out)[N], const std::u16string& text)
{
    size_t length = text.copy(out, N - 1);
    out[length] = 0;
}

ScanTexts MakeTexts()
{
    ScanTexts texts {};
    Copy(texts.fmtCurrentItem, u"> %s");
    Copy(texts.msgDoneClean, u"clean");
    Copy(texts.msgStart, u"start");
    Copy(texts.fmtFinding, u"%s|%s|%s");
    Copy(texts.msgStopped, u"stopped");
    Copy(texts.fmtAskTreatAll, u"%d infected, %d listed");
    Copy(texts.actionLabels[0], u"deleted");
    Copy(texts.actionLabels[1], u"renamed");
    Copy(texts.actionLabels[2], u"spare");
    Copy(texts.actionLabels[3], u"left");
    Copy(texts.msgDoneInfected, u"infected");
    Copy(texts.fmtNotScanned, u"unscanned %s");
    Copy(texts.fmtDoneNotScanned, u"%d unscanned");
    return texts;
}

std::u16string Wide(const std::string& text) { return std::u16string(text.begin(), text.end()); }

class ScanWorkerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        worker = new ScanWorker(&view, &texts, &bridge);
        worker->SetLogWriter(&log);
    }
    void TearDown() override { delete worker; }

    // Plays the dialog thread: starts a run and ticks the timer until the run has ended.
    void RunToEnd()
    {
        worker->StartScan();
        TickUntilIdle();
    }
    void TickUntilIdle()
    {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (worker->IsRunning() && std::chrono::steady_clock::now() < deadline) {
            worker->OnScanTimer(SCAN_TIMER_ID);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(worker->IsRunning());
    }
    std::vector<std::u16string> ResultLines()
    {
        std::vector<std::u16string> lines;
        std::u16string all = view.Results();
        for (size_t start = 0, end; (end = all.find(u"\r\n", start)) != std::u16string::npos; start = end + 2)
            lines.push_back(all.substr(start, end - start));
        return lines;
    }
    void Infect(const std::string& devicePath, int32_t result, const std::u16string& name)
    {
        device.Write(devicePath, "x");
        std::string path = "\\" + devicePath;
        std::replace(path.begin(), path.end(), '/', '\\');
        bridge.findings[Wide(path)] = { result, name };
    }

    TestDevice device;
    ScanTexts texts = MakeTexts();
    FakeBridge bridge;
    FakeView view;
    FakeLog log;
    ScanWorker* worker = nullptr;
};

TEST_F(ScanWorkerTest, EveryFileInNestedFoldersIsScannedOnceAndCounted)
{
    for (const char* path : { "a.txt", "My Documents/b.doc", "My Documents/deep/er/c", "Storage Card/d.bin",
                              "dots/.../e.txt", "Storage Card/empty/.keep" })
        device.Write(path, "data");
    std::filesystem::create_directories(device.Host("only/folders/here"));
    RunToEnd();

    EXPECT_EQ(6, worker->GetScannedCount());
    std::set<std::u16string> distinct(bridge.scanned.begin(), bridge.scanned.end());
    EXPECT_EQ(6u, bridge.scanned.size());
    EXPECT_EQ(6u, distinct.size());
    EXPECT_TRUE(distinct.count(u"\\My Documents\\deep\\er\\c"));
    EXPECT_TRUE(distinct.count(u"\\dots\\...\\e.txt"));
    EXPECT_EQ(u"6", view.Text(IDC_SCAN_SCANNED));
    EXPECT_EQ(u"0", view.Text(IDC_SCAN_INFECTED));
    EXPECT_EQ(u"clean", view.Text(IDC_SCAN_CURRENT));
    EXPECT_EQ((std::vector<std::u16string> { u"start", u"clean" }), ResultLines());
    EXPECT_EQ((std::vector<std::u16string> { u"start", u"clean" }), log.lines);
    EXPECT_EQ(1, bridge.beginCalls.load());
    EXPECT_EQ(1, bridge.endCalls.load());
    EXPECT_EQ(1, view.timerStarts.load());
    EXPECT_EQ(1, view.timerStops.load());
    EXPECT_TRUE(view.idleButtons.load());
}

// A host name holding backslashes would make the path name another file: it is left out of the
// walk, so no treatment can reach that other file.
TEST_F(ScanWorkerTest, ANameThatIsNotOnePathComponentIsNeitherCountedNorScanned)
{
    device.Write("d/plain.exe", "x");
    device.Write("victim.exe", "x");
    std::ofstream(device.Host("d").string() + "/..\\victim.exe") << "x";
    RunToEnd();
    std::set<std::u16string> scanned(bridge.scanned.begin(), bridge.scanned.end());
    EXPECT_EQ(1u, scanned.count(u"\\victim.exe"));
    EXPECT_EQ(1u, scanned.count(u"\\d\\plain.exe"));
    for (const std::u16string& path : scanned)
        EXPECT_EQ(std::u16string::npos, path.find(u"\\..\\")) << std::string(path.begin(), path.end());
}

TEST_F(ScanWorkerTest, ProgressRisesToOneHundredWithTheLastFile)
{
    for (int i = 0; i < 7; ++i)
        device.Write("f/" + std::to_string(i), "x");
    RunToEnd();
    std::vector<int32_t> progress = view.Progress();
    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(100, progress.back());
    // The walk itself reaches 100 before the end of the run sets it again.
    EXPECT_GE(std::count(progress.begin(), progress.end(), 100), 2);
}

TEST_F(ScanWorkerTest, FoldersWithoutFilesEndAtOneHundredWithoutDividing)
{
    std::filesystem::create_directories(device.Host("a/b/c"));
    std::filesystem::create_directories(device.Host("d"));
    RunToEnd();
    EXPECT_EQ(0, worker->GetScannedCount());
    EXPECT_EQ(100, view.Progress().back());
    EXPECT_EQ(u"clean", view.Text(IDC_SCAN_CURRENT));
}

TEST_F(ScanWorkerTest, FindingsAreListedWithVirusNameAndActionLabel)
{
    device.Write("clean.txt", "x");
    Infect("x/left.exe", SCAN_FOUND_LEFT, u"Worm.A");
    Infect("x/gone.exe", SCAN_DELETED, u"Worm.B");
    Infect("renamed.exe", SCAN_RENAMED, u"Worm.C");
    RunToEnd();

    EXPECT_EQ(3, worker->GetInfectedCount());
    EXPECT_EQ(3, worker->GetFindingCount());
    std::vector<std::u16string> lines = ResultLines();
    std::set<std::u16string> findingLines(lines.begin() + 1, lines.end() - 1);
    EXPECT_EQ((std::set<std::u16string> { u"Worm.A|\\x\\left.exe|left", u"Worm.B|\\x\\gone.exe|deleted",
                                         u"Worm.C|\\renamed.exe|renamed" }),
              findingLines);
    EXPECT_EQ(u"infected", lines.back());
    EXPECT_EQ(5u, log.lines.size());
    EXPECT_EQ(u"3", view.Text(IDC_SCAN_INFECTED));
    EXPECT_EQ(u"infected", view.Text(IDC_SCAN_CURRENT));
    EXPECT_TRUE(view.Questions().empty());   // virus action 0 asks nothing at the end
}

// Files the engine could not examine are listed and logged by name and counted apart; the end of
// the run never calls such a run clean.
TEST_F(ScanWorkerTest, FilesThatCouldNotBeScannedAreReportedAndTheRunIsNotCalledClean)
{
    struct Row {
        const char* what;
        bool withFinding;
        std::u16string end;            // the end message
        std::u16string countLine;      // a line after it, when the end message is another
    } rows[] = {
        { "only files not scanned", false, u"2 unscanned", u"" },
        { "with a finding as well", true, u"infected", u"2 unscanned" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        bridge.findings.clear();
        log.lines.clear();
        device.Write("clean.txt", "x");
        Infect("a/broken.exe", SCAN_NOT_SCANNED, u"");
        Infect("b/broken.doc", SCAN_NOT_SCANNED, u"");
        if (row.withFinding)
            Infect("left.exe", SCAN_FOUND_LEFT, u"V");
        RunToEnd();
        EXPECT_EQ(2, worker->GetNotScannedCount());
        EXPECT_EQ(row.withFinding ? 1 : 0, worker->GetInfectedCount());
        EXPECT_EQ(row.withFinding ? 1 : 0, worker->GetFindingCount());   // not listed for treatment
        std::vector<std::u16string> lines = ResultLines();
        EXPECT_EQ(1, std::count(lines.begin(), lines.end(), u"unscanned \\a\\broken.exe"));
        EXPECT_EQ(1, std::count(log.lines.begin(), log.lines.end(), u"unscanned \\b\\broken.doc"));
        EXPECT_EQ(row.end, view.Text(IDC_SCAN_CURRENT));
        std::u16string last = row.countLine.empty() ? row.end : row.countLine;
        EXPECT_EQ(last, lines.back());
        EXPECT_EQ(last, log.lines.back());
        EXPECT_EQ(0, std::count(lines.begin(), lines.end(), u"clean"));
    }
}

TEST_F(ScanWorkerTest, StopDuringTheWalkFinishesTheCurrentFileAndEndsStopped)
{
    for (int i = 0; i < 10; ++i)
        Infect("f/" + std::to_string(i), SCAN_FOUND_LEFT, u"V");
    bridge.virusAction = 3;
    bridge.onScan = [&](const std::u16string&) {
        if (bridge.scanned.size() == 2)
            worker->RequestStop();
    };
    RunToEnd();
    EXPECT_EQ(2, worker->GetScannedCount());
    EXPECT_EQ(2u, bridge.scanned.size());
    EXPECT_EQ(u"stopped", ResultLines().back());
    EXPECT_EQ(100, view.Progress().back());
    EXPECT_TRUE(view.Questions().empty());
    EXPECT_EQ(1, bridge.endCalls.load());
}

// The engine reads the files: a stop requested while it is inside the third file refuses the rest
// of that file's reads, so the file neither counts as scanned nor shows as clean; a finding made
// in what was read before the stop still counts. Reads on other threads are never refused.
TEST_F(ScanWorkerTest, StopInsideAFileRefusesItsReadsAndLeavesItUncounted)
{
    for (int i = 0; i < 6; ++i)
        device.Write("f/" + std::to_string(i), std::string(20000, 'x'));
    bridge.readsFiles = true;
    size_t otherThreadRead = 0;
    bridge.onScan = [&](const std::u16string& path) {
        if (bridge.scanned.size() == 3) {
            worker->RequestStop();
            std::thread([&] { otherThreadRead = FakeBridge::ReadWhole(path.c_str()); }).join();
        }
    };
    RunToEnd();
    ASSERT_EQ(3u, bridge.bytesRead.size());
    EXPECT_EQ((std::vector<size_t> { 20000, 20000, 0 }), bridge.bytesRead);
    EXPECT_EQ(20000u, otherThreadRead);
    EXPECT_EQ(2, worker->GetScannedCount());
    EXPECT_EQ(u"stopped", ResultLines().back());

    // The same stop inside a file the engine found infected before it was cut short.
    bridge.scanned.clear();
    bridge.bytesRead.clear();
    for (int i = 0; i < 6; ++i)
        Infect("f/" + std::to_string(i), SCAN_FOUND_LEFT, u"V");
    bridge.onScan = [&](const std::u16string&) { worker->RequestStop(); };
    RunToEnd();
    EXPECT_EQ(1, worker->GetScannedCount());
    EXPECT_EQ(1, worker->GetInfectedCount());
}

TEST_F(ScanWorkerTest, StopDuringTheCountSkipsTheScan)
{
    for (int i = 0; i < 5; ++i)
        device.Write("f/" + std::to_string(i), "x");
    bridge.onBegin = [&] { worker->RequestStop(); };
    RunToEnd();
    EXPECT_TRUE(bridge.scanned.empty());
    EXPECT_EQ(u"stopped", view.Text(IDC_SCAN_CURRENT));
    EXPECT_EQ(100, view.Progress().back());
}

TEST_F(ScanWorkerTest, SecondRunStartsFromEmptyCountersListAndResults)
{
    Infect("a.exe", SCAN_FOUND_LEFT, u"V");
    Infect("b.exe", SCAN_FOUND_LEFT, u"V");
    RunToEnd();
    ASSERT_EQ(2, worker->GetFindingCount());
    bridge.findings.erase(u"\\a.exe");
    RunToEnd();
    EXPECT_EQ(2, worker->GetScannedCount());
    EXPECT_EQ(1, worker->GetInfectedCount());
    ASSERT_EQ(1, worker->GetFindingCount());
    EXPECT_EQ(u"\\b.exe", std::u16string(worker->GetFindingPath(0)));
    EXPECT_EQ((std::vector<std::u16string> { u"start", u"V|\\b.exe|left", u"infected" }), ResultLines());
    EXPECT_EQ(u"1", view.Text(IDC_SCAN_INFECTED));
}

TEST(ScanWorkerWithoutBridgeTest, WalksAndCountsButFindsNothing)
{
    TestDevice device;
    device.Write("x/a.exe", "x");
    device.Write("b.exe", "x");
    ScanTexts texts = MakeTexts();
    FakeView view;
    ScanWorker worker(&view, &texts, nullptr);
    worker.StartScan();
    while (worker.IsRunning()) {
        worker.OnScanTimer(SCAN_TIMER_ID);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(2, worker.GetScannedCount());
    EXPECT_EQ(0, worker.GetInfectedCount());
    EXPECT_EQ(u"clean", view.Text(IDC_SCAN_CURRENT));
    EXPECT_EQ(100, view.Progress().back());
}

class TreatAllTest : public ScanWorkerTest {
protected:
    void SetUp() override
    {
        ScanWorkerTest::SetUp();
        device.Write("clean.txt", "x");
        Infect("a/one.exe", SCAN_FOUND_LEFT, u"V1");
        Infect("two.exe", SCAN_FOUND_LEFT, u"V2");
        bridge.virusAction = 3;
        bridge.forcedFindings[u"\\a\\one.exe"] = { SCAN_DELETED, u"V1" };
        bridge.forcedFindings[u"\\two.exe"] = { SCAN_RENAMED, u"V2" };
    }
};

TEST_F(TreatAllTest, YesRescansEveryListedFileWithForceTreatAndKeepsTheCounts)
{
    view.answer = IDYES;
    RunToEnd();
    EXPECT_EQ((std::vector<std::u16string> { u"2 infected, 2 listed" }), view.Questions());
    std::set<std::u16string> forced(bridge.forced.begin(), bridge.forced.end());
    EXPECT_EQ((std::set<std::u16string> { u"\\a\\one.exe", u"\\two.exe" }), forced);
    EXPECT_EQ(2u, bridge.forced.size());
    EXPECT_EQ(3, worker->GetScannedCount());
    EXPECT_EQ(2, worker->GetInfectedCount());
    EXPECT_EQ(2, worker->GetFindingCount());      // the same paths are not listed again
    std::vector<std::u16string> lines = ResultLines();
    EXPECT_EQ(6u, lines.size());
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), u"V1|\\a\\one.exe|deleted"));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), u"V2|\\two.exe|renamed"));
    EXPECT_EQ(u"infected", lines.back());
}

TEST_F(TreatAllTest, NoLeavesEveryFileAsItIs)
{
    view.answer = IDNO;
    RunToEnd();
    EXPECT_EQ(1u, view.Questions().size());
    EXPECT_TRUE(bridge.forced.empty());
    EXPECT_EQ(u"infected", ResultLines().back());
}

TEST_F(TreatAllTest, StopDuringTheTreatmentPassStillTreatsEveryListedFile)
{
    view.answer = IDYES;
    bridge.onScan = [&](const std::u16string&) {
        if (!bridge.forced.empty())
            worker->RequestStop();
    };
    bridge.readsFiles = true;
    RunToEnd();
    EXPECT_EQ(2u, bridge.forced.size());
    EXPECT_EQ(std::vector<size_t>(5, 1), bridge.bytesRead);   // three scanned, two treated: all read whole
    EXPECT_EQ(u"stopped", ResultLines().back());
}

// Entries whose full path would not fit 260 characters are left out of the count and the scan
// alike; a path that just fits is scanned, and its finding line is shown whole.
TEST_F(ScanWorkerTest, PathsBeyondTheBufferAreSkippedAndLongFindingLinesKeptWhole)
{
    std::string folder(200, 'f');
    const size_t fitName = MAX_PATH - 1 - 1 - 200 - 1;                        // 259 chars with the root
    std::string fits = folder + "/" + std::string(fitName, 'n');
    std::string tooLong = folder + "/" + std::string(80, 'x');
    std::string deepFolder = folder + "/" + std::string(55, 'd') + "/short";  // folder fits, its pattern not
    std::u16string virus(259, u'v');
    Infect(fits, SCAN_FOUND_LEFT, virus);
    device.Write(tooLong, "x");
    device.Write(deepFolder, "x");
    device.Write("small", "x");
    RunToEnd();

    EXPECT_EQ(2, worker->GetScannedCount());
    ASSERT_EQ(1, worker->GetFindingCount());
    std::u16string path = u"\\" + Wide(folder) + u"\\" + std::u16string(fitName, u'n');
    EXPECT_EQ(259u, path.size());
    EXPECT_EQ(path, std::u16string(worker->GetFindingPath(0)));
    std::vector<std::u16string> lines = ResultLines();
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), virus + u"|" + path + u"|left"));
    EXPECT_EQ(100, view.Progress().back());
}

TEST_F(ScanWorkerTest, StartWhileRunningDoesNothing)
{
    device.Write("a", "x");
    device.Write("b", "x");
    std::atomic<bool> release { false };
    bridge.onScan = [&](const std::u16string&) {
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    worker->StartScan();
    worker->StartScan();
    release = true;
    TickUntilIdle();
    EXPECT_EQ(2, worker->GetScannedCount());
    EXPECT_EQ(1, bridge.beginCalls.load());
    EXPECT_EQ(2u, bridge.scanned.size());
}

// The clock is fixed while the walk is held inside the bridge, then moved on before it goes on.
TEST_F(ScanWorkerTest, ElapsedTimeShowsMinutesWithoutWrappingAndTwoDigitSeconds)
{
    device.Write("a", "x");
    const struct { const char* later; const char16_t* shown; } rows[] = {
        { "2026-01-01T01:02:05", u"62:05" },
        { "2026-01-01T00:00:59", u"0:59" },
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.later);
        setenv("WCE_FAKE_TIME", "2026-01-01T00:00:00", 1);
        std::atomic<bool> entered { false }, release { false };
        bridge.onScan = [&](const std::u16string&) {
            entered = true;
            while (!release.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        worker->StartScan();
        while (!entered.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        setenv("WCE_FAKE_TIME", row.later, 1);
        release = true;
        TickUntilIdle();
        EXPECT_EQ(row.shown, view.Text(IDC_SCAN_ELAPSED));
    }
    unsetenv("WCE_FAKE_TIME");
}

// The page closes while the bridge is still busy: the bounded wait gives up, the destruction
// waits for the thread to return before the bridge and log lose the worker's references.
TEST_F(ScanWorkerTest, DestructionWaitsForAWorkerThatOutlivesStopAndWait)
{
    device.Write("a", "x");
    std::atomic<bool> entered { false }, release { false };
    bridge.onScan = [&](const std::u16string&) {
        entered = true;
        while (!release.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    worker->StartScan();
    while (!entered.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    worker->StopAndWait();
    EXPECT_TRUE(worker->IsRunning());
    EXPECT_EQ(2, bridge.refs.load());

    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        release = true;
    });
    delete worker;
    worker = nullptr;
    EXPECT_TRUE(release.load());
    EXPECT_EQ(1, bridge.endCalls.load());
    EXPECT_EQ(1, bridge.refs.load());
    EXPECT_EQ(1, log.refs.load());
    releaser.join();
}

}  // namespace
