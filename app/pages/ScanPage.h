// ScanPage: the page in which a scan of the whole device runs. It owns the scan worker, shows
// what the worker publishes on its 500 ms timer, and asks the user about findings for the bridge.
#pragma once

#include <atomic>

#include "ScanBridge.h"
#include "ScanPageBase.h"
#include "ScanView.h"
#include "ScanWorker.h"

class LogWriter;

class ScanPage final : public ScanPageBase, public PromptHandler, private ScanView {
public:
    explicit ScanPage(ScanBridge* bridge) noexcept;

    void Destroy(unsigned flags) noexcept override;
    int OnInitDialog(HWND dialogWindow, WPARAM first, LPARAM second) noexcept override;
    int OnClose(int id) noexcept override;
    void OnInitMenuPopup(HMENU menu, int position) noexcept override;

    int StopAndWait() noexcept override;
    void StartScan() noexcept override;
    void RequestStop() noexcept override;
    void UpdateElapsed() noexcept override;
    bool IsRunning() noexcept override;
    int OnScanTimer(int timerId) noexcept override;

    void SetLogWriter(LogWriter* log) noexcept;

    // PromptHandler, called by the bridge on the worker thread. The page outlives every run, so
    // no count is kept and nothing is freed through it.
    int32_t Reserved0() noexcept override;
    int32_t AddRef() noexcept override;
    int32_t Release() noexcept override;
    int32_t Ask(const WCHAR* file, const WCHAR* virusName, int32_t* applyToAll) noexcept override;

private:
    ~ScanPage();
    void LoadTexts() noexcept;

    // ScanView, in ScanPageView.cpp.
    void SetControlText(int32_t controlId, const WCHAR* text) noexcept override;
    void AppendResults(const WCHAR* text) noexcept override;
    void ClearResults() noexcept override;
    void SetProgress(int32_t percent) noexcept override;
    void ShowIdleButtons(bool idle) noexcept override;
    int32_t AskQuestion(const WCHAR* text) noexcept override;
    void StartScanTimer() noexcept override;
    void StopScanTimer() noexcept override;
    void DispatchPending() noexcept override;
    PromptHandler* GetPromptHandler() noexcept override;

    // The dialog as the worker sees it: set when the dialog opens, cleared once its close has
    // stopped the run, so that a worker outliving the close touches no window. The dialog thread
    // writes it; both threads read it. DialogPage::dialog itself stays the dialog thread's.
    std::atomic<HWND> viewWindow { nullptr };
    std::atomic<HWND> viewMenuBar { nullptr };   // the same, for the page's menu bar

    // Start enabled only when idle; Stop, the button and the Stop soft key, only while a run goes
    // on that no stop was asked of yet. Either thread.
    void ShowRunState(bool running) noexcept;

    ScanTexts texts {};              // written before any run, read by the worker
    WCHAR fmtAskTreat[256] {};       // file, then virus name
    ScanWorker worker;               // after the texts: it must go before they do
};
