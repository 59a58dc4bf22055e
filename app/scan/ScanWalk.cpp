// ScanWorker's walk: the counting pre-pass, the scan proper, findings and the treatment pass.
#include <new>

#include "DiskFile.h"
#include "OrvMobileEngCE.h"
#include "ScanBridge.h"
#include "ScanWorker.h"
#include "components/resources/ResourceIds.h"

namespace {

const WCHAR ALL_ENTRIES[] = u"*.*";
constexpr int32_t ALL_ENTRIES_CHARS = 3;

// "." and "..", and any name that is not one path component: a '\' or '/' inside a name from the
// directory search would make the path name another file, which a treatment would then act on.
bool IsSkippedName(const WCHAR* name)
{
    if (lstrcmpW(name, u".") == 0 || lstrcmpW(name, u"..") == 0 || name[0] == 0)
        return true;
    for (const WCHAR* p = name; *p; ++p) {
        if (*p == u'\\' || *p == u'/')
            return true;
    }
    return false;
}

bool IsFolder(const WIN32_FIND_DATAW& entry)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Whether the entry's full path fits the path buffer: a file with its terminator, a folder with
// the '\' and the search pattern that its own walk appends. Entries that do not fit are left out
// of both walks alike, so the count and the scan still agree.
bool FitsBehind(int32_t folderChars, const WIN32_FIND_DATAW& entry)
{
    int32_t need = folderChars + lstrlenW(entry.cFileName) + 1;
    if (IsFolder(entry))
        need += 1 + ALL_ENTRIES_CHARS;
    return need <= MAX_PATH;
}

// Starts a search of every entry of the folder in path; n receives the folder's length with its
// '\'. INVALID_HANDLE_VALUE when the folder has nothing to give or no room for the pattern.
HANDLE BeginFolderSearch(WCHAR* path, int32_t* n, WIN32_FIND_DATAW* entry)
{
    if (lstrlenW(path) + 1 + ALL_ENTRIES_CHARS >= MAX_PATH) {
        *n = lstrlenW(path);
        return INVALID_HANDLE_VALUE;
    }
    *n = int32_t(AppendSlash(path));
    lstrcpyW(path + *n, ALL_ENTRIES);
    HANDLE search = FindFirstFileW(path, entry);
    path[*n] = 0;
    return search;
}

}  // namespace

void ScanWorker::ScanRoot(const WCHAR* root) noexcept
{
    WCHAR path[MAX_PATH];
    lstrcpynW(path, root, MAX_PATH);
    int32_t total = CountFiles(path);
    int32_t done = 0;
    if (!StopRequested())
        ScanTree(path, 0, 100, &done, &total);
}

int32_t ScanWorker::CountFiles(WCHAR* path) noexcept
{
    WIN32_FIND_DATAW entry;
    int32_t n = 0;
    HANDLE search = BeginFolderSearch(path, &n, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        path[n] = 0;
        return 0;
    }
    int32_t count = 0;
    do {
        if (IsSkippedName(entry.cFileName) || !FitsBehind(n, entry))
            continue;
        lstrcpyW(path + n, entry.cFileName);
        count += IsFolder(entry) ? CountFiles(path) : 1;
        path[n] = 0;
    } while (!StopRequested() && FindNextFileW(search, &entry));
    FindClose(search);
    path[n] = 0;
    return count;
}

// Progress is base + span * done / total; with a total of 0 (only folders, or files that came
// after the count) there is no share to show and the bar stays until the end of the run.
void ScanWorker::ScanTree(WCHAR* path, int32_t base, int32_t span, int32_t* done, int32_t* total) noexcept
{
    WIN32_FIND_DATAW entry;
    int32_t n = 0;
    HANDLE search = BeginFolderSearch(path, &n, &entry);
    if (search == INVALID_HANDLE_VALUE) {
        path[n] = 0;
        return;
    }
    do {
        if (IsSkippedName(entry.cFileName) || !FitsBehind(n, entry))
            continue;
        lstrcpyW(path + n, entry.cFileName);
        if (IsFolder(entry)) {
            ScanTree(path, base, span, done, total);
        } else {
            ScanOneFile(path);
            ++*done;
        }
        path[n] = 0;
        if (*total > 0)
            SetProgress(int32_t(base + int64_t(span) * *done / *total));
    } while (!StopRequested() && FindNextFileW(search, &entry));
    FindClose(search);
    path[n] = 0;
}

void ScanWorker::ScanOneFile(const WCHAR* path) noexcept
{
    SetCurrentItem(path, true);
    if (!scanBridge)
        return;
    WCHAR name[MAX_PATH] = {};
    readRefused = false;
    int32_t result = scanBridge->ScanFile(path, name, retreating ? 1 : 0);
    name[MAX_PATH - 1] = 0;
    // A stop cut the file short: what the engine did not read it could not judge. Unless it found
    // something in what it read, the file counts as not scanned rather than clean.
    const bool found = result == SCAN_FOUND_LEFT || result == SCAN_DELETED || result == SCAN_RENAMED;
    if (readRefused && !found) {
        scannedCount.fetch_sub(1);
        return;
    }
    switch (result) {
    case SCAN_FOUND_LEFT: RecordFinding(path, name, 3); break;
    case SCAN_DELETED: RecordFinding(path, name, 0); break;
    case SCAN_RENAMED: RecordFinding(path, name, 1); break;
    case SCAN_NOT_SCANNED: RecordNotScanned(path); break;
    default: break;
    }
}

// A file the engine could not examine is neither clean nor infected: it gets a line of its own in
// the results and the log, and a count of its own that the end of the run reports.
void ScanWorker::RecordNotScanned(const WCHAR* path) noexcept
{
    WCHAR line[WSPRINTF_MAX + 1];
    wsprintfW(line, texts->fmtNotScanned, path);
    AppendResult(line);
    WriteLog(line);
    if (!retreating)
        notScannedCount.fetch_add(1);
}

// The line is formatted into the platform's largest formatting buffer: a 259-character path and
// virus name with a label and the format's own text fit in it whole.
void ScanWorker::RecordFinding(const WCHAR* path, const WCHAR* virusName, int32_t labelIndex) noexcept
{
    AddFindingPath(path);
    WCHAR line[WSPRINTF_MAX + 1];
    wsprintfW(line, texts->fmtFinding, virusName, path, texts->actionLabels[labelIndex]);
    AppendResult(line);
    WriteLog(line);
    if (!retreating) {
        infectedCount.fetch_add(1);
        ShowNumber(IDC_SCAN_INFECTED, infectedCount.load(), false);
    }
}

// Lists the path once per run; buffers from earlier runs are reused. Without memory the finding
// is still reported, only not listed for the treatment pass.
bool ScanWorker::AddFindingPath(const WCHAR* path) noexcept
{
    for (int32_t i = 0; i < findingCount; ++i) {
        if (lstrcmpW(findingPaths[i], path) == 0)
            return true;
    }
    if (findingCount == findingCapacity) {
        WCHAR** bigger = new (std::nothrow) WCHAR*[findingCapacity + FINDING_SLOTS_STEP]();
        if (!bigger)
            return false;
        for (int32_t i = 0; i < findingCapacity; ++i)
            bigger[i] = findingPaths[i];
        delete[] findingPaths;
        findingPaths = bigger;
        findingCapacity += FINDING_SLOTS_STEP;
    }
    if (!findingPaths[findingCount])
        findingPaths[findingCount] = new (std::nothrow) WCHAR[MAX_PATH];
    if (!findingPaths[findingCount])
        return false;
    lstrcpynW(findingPaths[findingCount], path, MAX_PATH);
    ++findingCount;
    return true;
}

// Rescans every listed file with force-treat; a stop request does not cut this pass short.
void ScanWorker::TreatListedFiles() noexcept
{
    retreating = true;
    for (int32_t i = 0; i < findingCount; ++i)
        ScanOneFile(findingPaths[i]);
    retreating = false;
}
