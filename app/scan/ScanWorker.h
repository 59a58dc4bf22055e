// ScanWorker: the background run behind the scan page: walks the device from "\", scans each file
// through the bridge, keeps the findings and publishes counters and texts for the dialog's timer.
#pragma once

#include <atomic>

#include <windows.h>

#include "ScanBridge.h"
#include "ScanView.h"
#include "TextSlot.h"

class LogWriter;

// Bits of the flags word.
constexpr uint32_t SCAN_RUNNING = 0x1000000;
constexpr uint32_t SCAN_DISPLAY_DIRTY = 0x4000000;
constexpr uint32_t SCAN_STOP_REQUESTED = 0x10000000;

constexpr uint32_t SCAN_TIMER_ID = 1;
constexpr uint32_t SCAN_TICK_MS = 500;
constexpr int32_t STOP_WAIT_ROUNDS = 256;
constexpr int32_t FINDING_SLOTS_STEP = 16;

// Owned by the scan page, which implements the view and must call WaitForExit before it frees
// anything the view uses. Texts are the page's; they must stay put while the worker lives.
// The page's StopAndWait, StartScan, RequestStop, UpdateElapsed and IsRunning slots and its timer
// (OnScanTimer) forward here; OnInitDialog calls StartScan, OnClose StopAndWait.
//
// Lifetime: every run is one thread whose handle the worker keeps. StopAndWait gives up after
// 256 ms, as the page's close does, but WaitForExit (the page's destructor) waits for that thread
// to have returned, dispatching the dialog thread's messages meanwhile so that a worker blocked in
// a window call can finish; a worker that waits for the final timer tick stops waiting once the
// page is going away.
//
// A stop takes effect inside a file too: while a run goes on the worker is its thread's read gate,
// and once a stop is requested the engine's reads of the file it is in are refused. That file is
// then not finished: it is neither counted as scanned nor taken for clean. The treatment pass at
// the end is not stopped (the user asked for it), so its reads are never refused.
class ScanWorker final : private ReadGate {
public:
    ScanWorker(ScanView* view, const ScanTexts* texts, ScanBridge* bridge) noexcept;
    ~ScanWorker();
    ScanWorker(const ScanWorker&) = delete;
    ScanWorker& operator=(const ScanWorker&) = delete;

    void SetLogWriter(LogWriter* log) noexcept;

    // Dialog thread.
    void StartScan() noexcept;
    void RequestStop() noexcept;
    void StopAndWait() noexcept;
    bool IsRunning() const noexcept;
    bool IsStopRequested() const noexcept { return StopRequested(); }
    void UpdateElapsed() noexcept;
    void OnScanTimer(uint32_t timerId) noexcept;
    void WaitForExit() noexcept;

    // Results of the last run, for the dialog thread once IsRunning is false.
    int32_t GetScannedCount() const noexcept { return scannedCount.load(); }
    int32_t GetInfectedCount() const noexcept { return infectedCount.load(); }
    int32_t GetNotScannedCount() const noexcept { return notScannedCount.load(); }
    int32_t GetFindingCount() const noexcept { return findingCount; }
    const WCHAR* GetFindingPath(int32_t index) const noexcept;

private:
    static DWORD ScanThreadMain(void* param) noexcept;
    void RunScan() noexcept;
    void AskTreatAll() noexcept;
    void BeginScanRun() noexcept;
    void EndScanRun() noexcept;
    void FinishScanRun() noexcept;
    void ScanRoot(const WCHAR* path) noexcept;
    int32_t CountFiles(WCHAR* path) noexcept;
    void ScanTree(WCHAR* path, int32_t base, int32_t span, int32_t* done, int32_t* total) noexcept;
    void ScanOneFile(const WCHAR* path) noexcept;
    void RecordFinding(const WCHAR* path, const WCHAR* virusName, int32_t labelIndex) noexcept;
    void RecordNotScanned(const WCHAR* path) noexcept;
    const WCHAR* EndMessage(WCHAR* notScannedText) noexcept;
    bool AddFindingPath(const WCHAR* path) noexcept;
    void TreatListedFiles() noexcept;

    void SetCurrentItem(const WCHAR* text, bool counted) noexcept;
    void AppendResult(const WCHAR* text) noexcept;
    void WriteLog(const WCHAR* text) noexcept;
    void ResetCounters() noexcept;
    void ShowCounters() noexcept;
    void ShowNumber(int32_t controlId, int32_t value, bool asTime) noexcept;
    void SetNumberText(int32_t controlId, int32_t value, bool asTime) noexcept;
    void SetProgress(int32_t percent) noexcept;
    void ShowCurrentItem(const WCHAR* item) noexcept;
    bool StopRequested() const noexcept;
    static int64_t NowSeconds() noexcept;
    bool RefusesReads() noexcept override;

    ScanView* const view;
    const ScanTexts* const texts;
    ScanBridge* scanBridge;               // one reference; set at construction only
    LogWriter* logWriter = nullptr;       // set by the dialog thread while no run goes on
    HANDLE thread = nullptr;              // dialog thread only

    std::atomic<uint32_t> stateFlags { 0 };      // running: worker; stopRequested: both; dirty: both
    std::atomic<bool> leaving { false };         // dialog thread writes once, worker reads
    std::atomic<int64_t> startSeconds { 0 };     // worker writes, timer reads
    std::atomic<int32_t> scannedCount { 0 };     // worker writes, timer reads
    std::atomic<int32_t> infectedCount { 0 };    // worker writes, timer reads
    std::atomic<int32_t> notScannedCount { 0 };  // worker writes; read once the run is over
    std::atomic<int32_t> elapsedSeconds { 0 };   // both write: the same value from the same clock

    // Worker only while a run goes on.
    WCHAR** findingPaths = nullptr;
    int32_t findingCount = 0;
    int32_t findingCapacity = 0;
    bool retreating = false;
    bool readRefused = false;             // a read of the file being scanned was refused

    TextSlot currentItem { MAX_PATH - 1, MAX_PATH };  // worker publishes, timer takes
    TextSlot pendingText { 0, 1024 };                 // worker appends, timer takes
};
