// ScanView: what the scan worker needs of the scan page's dialog; the page implements it.
#pragma once

#include <windows.h>

class PromptHandler;

// Calls come from the worker thread unless marked; the page hands each window operation to the
// dialog's thread, as the platform does for controls touched from another thread.
class ScanView {
public:
    virtual void SetControlText(int32_t controlId, const WCHAR* text) noexcept = 0;
    // Adds text at the end of the results view (dialog thread, from the timer).
    virtual void AppendResults(const WCHAR* text) noexcept = 0;
    virtual void ClearResults() noexcept = 0;
    virtual void SetProgress(int32_t percent) noexcept = 0;
    // Start enabled and Stop disabled when idle is true; the reverse while a run goes on.
    virtual void ShowIdleButtons(bool idle) noexcept = 0;
    // The framework's Yes/No question box owned by the dialog; returns the answer code (6 = Yes).
    virtual int32_t AskQuestion(const WCHAR* text) noexcept = 0;
    // Timer 1 of the dialog, 500 ms; its ticks end up in ScanWorker::OnScanTimer.
    virtual void StartScanTimer() noexcept = 0;
    virtual void StopScanTimer() noexcept = 0;
    // Dispatches the messages already queued for the calling thread (dialog thread), without
    // waiting for new ones and leaving a quit message queued.
    virtual void DispatchPending() noexcept = 0;
    virtual PromptHandler* GetPromptHandler() noexcept = 0;

protected:
    ~ScanView() = default;
};

// The page's texts from the resource library; sizes in characters, terminator included.
struct ScanTexts {
    WCHAR fmtCurrentItem[128];
    WCHAR msgDoneClean[128];
    WCHAR msgStart[32];
    WCHAR fmtFinding[128];
    WCHAR msgStopped[128];
    WCHAR fmtAskTreatAll[256];
    WCHAR actionLabels[4][32];
    WCHAR msgDoneInfected[128];
    WCHAR fmtNotScanned[128];       // one string: the path of a file that could not be scanned
    WCHAR fmtDoneNotScanned[128];   // one integer: how many files of the run could not be scanned
};
