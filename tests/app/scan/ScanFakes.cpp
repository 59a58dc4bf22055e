// Fakes for the scan worker's tests.
#include "ScanFakes.h"

#include "HostFile.h"

// Reads the file chunk by chunk until a read gives nothing, as the engine's scanner does.
size_t FakeBridge::ReadWhole(const WCHAR* path) noexcept
{
    orv::HostFile* file = orv::OpenHostFile(path, 1);
    if (!file)
        return 0;
    size_t total = 0;
    char chunk[4096];
    for (uint32_t got; (got = file->Read(chunk, sizeof chunk)) != 0;)
        total += got;
    file->Release();
    return total;
}

int32_t FakeBridge::ScanFile(const WCHAR* path, WCHAR* nameOut, int32_t forceTreat) noexcept
{
    std::u16string key(path);
    (forceTreat ? forced : scanned).push_back(key);
    if (onScan)
        onScan(key);
    if (readsFiles)
        bytesRead.push_back(ReadWhole(path));
    auto& table = forceTreat ? forcedFindings : findings;
    auto found = table.find(key);
    if (found == table.end())
        return SCAN_CLEAN;
    std::fill(nameOut, nameOut + MAX_PATH, WCHAR(0xCCCC));
    found->second.virusName.copy(nameOut, MAX_PATH - 1);
    nameOut[std::min<size_t>(found->second.virusName.size(), MAX_PATH - 1)] = 0;
    return found->second.result;
}

void FakeView::SetControlText(int32_t controlId, const WCHAR* text) noexcept
{
    std::lock_guard<std::mutex> guard(lock);
    texts[controlId] = text;
}

void FakeView::AppendResults(const WCHAR* text) noexcept
{
    std::lock_guard<std::mutex> guard(lock);
    results += text;
}

void FakeView::ClearResults() noexcept
{
    std::lock_guard<std::mutex> guard(lock);
    results.clear();
}

void FakeView::SetProgress(int32_t percent) noexcept
{
    std::lock_guard<std::mutex> guard(lock);
    progress.push_back(percent);
}

void FakeView::ShowIdleButtons(bool idle) noexcept
{
    idleButtons = idle;
}

int32_t FakeView::AskQuestion(const WCHAR* text) noexcept
{
    std::lock_guard<std::mutex> guard(lock);
    questions.push_back(text);
    return answer;
}

std::u16string FakeView::Text(int32_t controlId)
{
    std::lock_guard<std::mutex> guard(lock);
    return texts[controlId];
}

std::u16string FakeView::Results()
{
    std::lock_guard<std::mutex> guard(lock);
    return results;
}

std::vector<int32_t> FakeView::Progress()
{
    std::lock_guard<std::mutex> guard(lock);
    return progress;
}

std::vector<std::u16string> FakeView::Questions()
{
    std::lock_guard<std::mutex> guard(lock);
    return questions;
}
