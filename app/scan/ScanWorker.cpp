// ScanWorker: the run's thread, its start and end, and the hand-over of its output to the dialog.
#include "ScanWorker.h"

#include "OrvMobileEngCE.h"
#include "ScanBridge.h"
#include "components/resources/ResourceIds.h"

ScanWorker::ScanWorker(ScanView* view, const ScanTexts* texts, ScanBridge* bridge) noexcept
    : view(view), texts(texts), scanBridge(bridge)
{
    if (scanBridge)
        scanBridge->AddRef();
}

ScanWorker::~ScanWorker()
{
    WaitForExit();
    for (int32_t i = 0; i < findingCapacity; ++i)
        delete[] findingPaths[i];
    delete[] findingPaths;
    if (logWriter)
        logWriter->Release();
    if (scanBridge)
        scanBridge->Release();
}

void ScanWorker::SetLogWriter(LogWriter* log) noexcept
{
    if (logWriter)
        logWriter->Release();
    logWriter = log;
    if (logWriter)
        logWriter->AddRef();
}

// running is set here rather than by the new thread, so that a second Start pressed before the
// thread got going cannot start a second run; a stop pressed in that moment is kept.
void ScanWorker::StartScan() noexcept
{
    uint32_t flags = stateFlags.load();
    do {
        if (flags & SCAN_RUNNING)
            return;
    } while (!stateFlags.compare_exchange_weak(flags, (flags | SCAN_RUNNING) & ~SCAN_STOP_REQUESTED));
    if (thread) {
        // The previous run has cleared running; its thread is only returning.
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        thread = nullptr;
    }
    view->ShowIdleButtons(false);
    view->SetProgress(0);
    view->ClearResults();
    thread = CreateThread(nullptr, 0, ScanThreadMain, this, 0, nullptr);
    if (!thread) {
        stateFlags.fetch_and(~SCAN_RUNNING);
        view->ShowIdleButtons(true);
    }
}

void ScanWorker::RequestStop() noexcept
{
    stateFlags.fetch_or(SCAN_STOP_REQUESTED);
}

void ScanWorker::StopAndWait() noexcept
{
    if (!IsRunning())
        return;
    RequestStop();
    for (int32_t round = 0; round < STOP_WAIT_ROUNDS && IsRunning(); ++round) {
        Sleep(1);
        view->DispatchPending();
    }
}

bool ScanWorker::IsRunning() const noexcept
{
    return (stateFlags.load() & SCAN_RUNNING) != 0;
}

bool ScanWorker::StopRequested() const noexcept
{
    return (stateFlags.load() & SCAN_STOP_REQUESTED) != 0;
}

// The page's destruction: the thread may still be inside the bridge or a window call after
// StopAndWait gave up, so wait for it to return while the dialog thread's queue keeps moving.
void ScanWorker::WaitForExit() noexcept
{
    if (!thread)
        return;
    leaving.store(true);
    RequestStop();
    while (WaitForSingleObject(thread, 1) == WAIT_TIMEOUT)
        view->DispatchPending();
    CloseHandle(thread);
    thread = nullptr;
}

DWORD ScanWorker::ScanThreadMain(void* param) noexcept
{
    static_cast<ScanWorker*>(param)->RunScan();
    return 0;
}

void ScanWorker::RunScan() noexcept
{
    SetReadGate(this);
    stateFlags.fetch_or(SCAN_RUNNING);
    startSeconds.store(NowSeconds());
    view->StartScanTimer();
    BeginScanRun();
    ScanRoot(u"\\");
    UpdateElapsed();
    if (!StopRequested() && infectedCount.load() != 0 && scanBridge && scanBridge->GetVirusAction() == 3)
        AskTreatAll();
    FinishScanRun();
}

void ScanWorker::AskTreatAll() noexcept
{
    WCHAR text[WSPRINTF_MAX + 1];
    wsprintfW(text, texts->fmtAskTreatAll, int(infectedCount.load()), int(findingCount));
    if (view->AskQuestion(text) == IDYES)
        TreatListedFiles();
}

void ScanWorker::BeginScanRun() noexcept
{
    SetProgress(0);
    if (scanBridge)
        scanBridge->BeginScan(view->GetPromptHandler());
    SetCurrentItem(texts->msgStart, false);
    WriteLog(texts->msgStart);
    ResetCounters();
    ShowCounters();
    AppendResult(texts->msgStart);
    view->ShowIdleButtons(false);
}

// A run with files that could not be scanned is never called clean: without a finding or a stop
// its end message is the count of those files; with one, the count follows as a line of its own.
const WCHAR* ScanWorker::EndMessage(WCHAR* notScannedText) noexcept
{
    notScannedText[0] = 0;
    if (notScannedCount.load() != 0)
        wsprintfW(notScannedText, texts->fmtDoneNotScanned, int(notScannedCount.load()));
    if (StopRequested())
        return texts->msgStopped;
    if (infectedCount.load() != 0)
        return texts->msgDoneInfected;
    return notScannedText[0] != 0 ? notScannedText : texts->msgDoneClean;
}

void ScanWorker::EndScanRun() noexcept
{
    WCHAR notScanned[WSPRINTF_MAX + 1];
    const WCHAR* message = EndMessage(notScanned);
    bool countApart = notScanned[0] != 0 && message != notScanned;
    SetCurrentItem(message, false);
    WriteLog(message);
    if (countApart)
        WriteLog(notScanned);
    SetProgress(100);
    if (scanBridge)
        scanBridge->EndScan();
    AppendResult(message);
    if (countApart)
        AppendResult(notScanned);
    stateFlags.fetch_or(SCAN_DISPLAY_DIRTY);
    view->ShowIdleButtons(true);
}

// The last texts are shown by the timer; once the page is going away no tick will come.
void ScanWorker::FinishScanRun() noexcept
{
    EndScanRun();
    while ((stateFlags.load() & SCAN_DISPLAY_DIRTY) && !leaving.load())
        Sleep(1);
    view->StopScanTimer();
    SetReadGate(nullptr);
    stateFlags.fetch_and(~(SCAN_RUNNING | SCAN_STOP_REQUESTED));
}

// On the worker thread, inside the engine's reads.
bool ScanWorker::RefusesReads() noexcept
{
    if (retreating || !StopRequested())
        return false;
    readRefused = true;
    return true;
}

void ScanWorker::UpdateElapsed() noexcept
{
    elapsedSeconds.store(int32_t(uint32_t(NowSeconds() - startSeconds.load())));
    ShowNumber(IDC_SCAN_ELAPSED, elapsedSeconds.load(), true);
}

// The dirty bit is cleared before the texts are taken: whatever the worker published before it
// set the bit is then shown by this tick, and a bit set during the tick waits for the next one.
void ScanWorker::OnScanTimer(uint32_t timerId) noexcept
{
    if (timerId != SCAN_TIMER_ID)
        return;
    stateFlags.fetch_and(~SCAN_DISPLAY_DIRTY);
    if (IsRunning()) {
        elapsedSeconds.store(int32_t(uint32_t(NowSeconds() - startSeconds.load())));
        SetNumberText(IDC_SCAN_ELAPSED, elapsedSeconds.load(), true);
    }
    if (WCHAR* item = currentItem.Take()) {
        ShowCurrentItem(item);
        delete[] item;
    }
    if (WCHAR* results = pendingText.Take()) {
        view->AppendResults(results);
        delete[] results;
    }
}

// Paths (drive form or from the root) go through the item format; run messages stand as they are.
void ScanWorker::ShowCurrentItem(const WCHAR* item) noexcept
{
    WCHAR text[WSPRINTF_MAX + 1];
    if (item[0] == u'\\' || (item[0] && item[1] == u':')) {
        wsprintfW(text, texts->fmtCurrentItem, item);
        view->SetControlText(IDC_SCAN_CURRENT, text);
    } else {
        view->SetControlText(IDC_SCAN_CURRENT, item);
    }
    SetNumberText(IDC_SCAN_SCANNED, scannedCount.load(), false);
}

void ScanWorker::SetCurrentItem(const WCHAR* text, bool counted) noexcept
{
    currentItem.Set(text);
    if (counted && !retreating)
        scannedCount.fetch_add(1);
}

// A text the buffer cannot grow for is lost to the results view; the log still gets it.
void ScanWorker::AppendResult(const WCHAR* text) noexcept
{
    pendingText.Append(text, u"\r\n");
}

void ScanWorker::WriteLog(const WCHAR* text) noexcept
{
    if (logWriter)
        logWriter->Write(text, nullptr);
}

void ScanWorker::ResetCounters() noexcept
{
    scannedCount.store(0);
    infectedCount.store(0);
    notScannedCount.store(0);
    elapsedSeconds.store(0);
    findingCount = 0;
    retreating = false;
}

void ScanWorker::ShowCounters() noexcept
{
    ShowNumber(IDC_SCAN_ELAPSED, elapsedSeconds.load(), true);
    ShowNumber(IDC_SCAN_SCANNED, scannedCount.load(), false);
    ShowNumber(IDC_SCAN_INFECTED, infectedCount.load(), false);
}

// The worker's numbers mark the display dirty; the timer's own (SetNumberText alone) do not, or
// the worker's final wait would always wait for one more tick.
void ScanWorker::ShowNumber(int32_t controlId, int32_t value, bool asTime) noexcept
{
    SetNumberText(controlId, value, asTime);
    stateFlags.fetch_or(SCAN_DISPLAY_DIRTY);
}

// Minutes do not wrap at 60: 3725 seconds show as 62:05.
void ScanWorker::SetNumberText(int32_t controlId, int32_t value, bool asTime) noexcept
{
    WCHAR text[32];
    if (asTime)
        wsprintfW(text, u"%u:%02u", unsigned(value) / 60, unsigned(value) % 60);
    else
        wsprintfW(text, u"%d", int(value));
    view->SetControlText(controlId, text);
}

void ScanWorker::SetProgress(int32_t percent) noexcept
{
    view->SetProgress(percent < 100 ? percent : 100);
}

int64_t ScanWorker::NowSeconds() noexcept
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    FILETIME fileTime {};
    SystemTimeToFileTime(&now, &fileTime);
    uint64_t ticks = (uint64_t(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    return int64_t(ticks / 10000000);
}

const WCHAR* ScanWorker::GetFindingPath(int32_t index) const noexcept
{
    return index >= 0 && index < findingCount ? findingPaths[index] : nullptr;
}
