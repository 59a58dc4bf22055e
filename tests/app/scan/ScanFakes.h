// Fakes for the scan worker's tests: a bridge answering from a table, a view that records what the
// dialog would show, and a log that keeps its lines.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "OrvMobileEngCE.h"
#include "ScanBridge.h"
#include "ScanView.h"

struct FakeFinding {
    int32_t result;
    std::u16string virusName;
};

class FakeBridge : public ScanBridge {
public:
    void Destroy(uint32_t) noexcept override {}
    int32_t AddRef() noexcept override { return ++refs; }
    int32_t Release() noexcept override { return --refs; }
    ScanBridge* Acknowledge(int32_t) noexcept override { return this; }
    EngineHost* GetEngineHost() noexcept override { return nullptr; }
    ScanBridge* GetSelf() noexcept override { return this; }
    int32_t LoadEngine(const WCHAR*, const WCHAR*) noexcept override { return 1; }
    int32_t ApplyOptions() noexcept override { return 0; }
    int32_t BeginScan(PromptHandler*) noexcept override
    {
        ++beginCalls;
        if (onBegin)
            onBegin();
        return 0;
    }
    int32_t EndScan() noexcept override { return ++endCalls, 0; }
    int32_t GetVirusAction() noexcept override { return virusAction; }
    int32_t ScanFile(const WCHAR* path, WCHAR* nameOut, int32_t forceTreat) noexcept override;
    static size_t ReadWhole(const WCHAR* path) noexcept;

    std::atomic<int32_t> refs { 1 };
    int32_t virusAction = 0;
    // Keyed by device path; forced results apply to the treatment pass.
    std::map<std::u16string, FakeFinding> findings;
    std::map<std::u16string, FakeFinding> forcedFindings;
    std::function<void()> onBegin;
    std::function<void(const std::u16string&)> onScan;    // runs on the worker, inside ScanFile
    // After onScan the file is read to its end through the engine's file object, as the engine
    // reads it; the bytes each scan got are kept in order.
    bool readsFiles = false;
    std::vector<size_t> bytesRead;

    std::atomic<int> beginCalls { 0 };
    std::atomic<int> endCalls { 0 };
    std::vector<std::u16string> scanned;                   // worker writes; read after the run
    std::vector<std::u16string> forced;
};

class FakeView : public ScanView {
public:
    void SetControlText(int32_t controlId, const WCHAR* text) noexcept override;
    void AppendResults(const WCHAR* text) noexcept override;
    void ClearResults() noexcept override;
    void SetProgress(int32_t percent) noexcept override;
    void ShowIdleButtons(bool idle) noexcept override;
    int32_t AskQuestion(const WCHAR* text) noexcept override;
    void StartScanTimer() noexcept override { ++timerStarts; }
    void StopScanTimer() noexcept override { ++timerStops; }
    void DispatchPending() noexcept override {}
    PromptHandler* GetPromptHandler() noexcept override { return nullptr; }

    std::u16string Text(int32_t controlId);
    std::u16string Results();
    std::vector<int32_t> Progress();
    std::vector<std::u16string> Questions();

    int32_t answer = IDNO;
    std::atomic<int> timerStarts { 0 };
    std::atomic<int> timerStops { 0 };
    std::atomic<bool> idleButtons { true };

private:
    std::mutex lock;
    std::map<int32_t, std::u16string> texts;
    std::u16string results;
    std::vector<int32_t> progress;
    std::vector<std::u16string> questions;
};

class FakeLog : public LogWriter {
public:
    int32_t AddRef() noexcept override { return ++refs; }
    int32_t Release() noexcept override { return --refs; }
    int32_t Free() noexcept override { return 0; }
    int32_t Write(const WCHAR* text, const WCHAR*) noexcept override
    {
        lines.push_back(text);
        return 0;
    }
    int32_t Trim(int32_t) noexcept override { return 0; }
    int32_t Read(WCHAR*, uint32_t) noexcept override { return 0; }
    int32_t Init(ServiceContext*, const WCHAR*) noexcept override { return 0; }
    void Destroy(uint32_t) noexcept override {}

    std::atomic<int32_t> refs { 1 };
    std::vector<std::u16string> lines;      // worker writes; read after the run
};
