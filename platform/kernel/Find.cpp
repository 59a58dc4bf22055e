// Directory searches: FindFirstFileW, FindNextFileW, FindClose.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "FileStat.h"
#include "FindPattern.h"
#include "HandleTable.h"
#include "HostName.h"
#include "HostPath.h"
#include "LastErrorMap.h"
#include "TimeConvert.h"

namespace wce {
namespace {

// The names of one folder that match the pattern, taken when the search starts; each is checked
// again when it is reported, so a name deleted meanwhile is skipped.
class FindObject : public KernelObject {
public:
    struct Entry {
        std::string hostName;
        std::u16string deviceName;
    };
    FindObject(int folderFd, std::vector<Entry> entries)
        : KernelObject(ObjectType::Find), folderFd(folderFd), entries(std::move(entries)) {}
    ~FindObject() override { close(folderFd); }

    const int folderFd;
    std::vector<Entry> entries;   // the search's thread only
    size_t next = 0;
};

bool IsPseudoFileSystem(int fd)
{
    struct statfs info {};
    if (fstatfs(fd, &info) != 0)
        return true;
    switch (static_cast<unsigned long>(info.f_type)) {
    case PROC_SUPER_MAGIC: case SYSFS_MAGIC: case DEVPTS_SUPER_MAGIC: case DEBUGFS_MAGIC:
    case CGROUP_SUPER_MAGIC: case CGROUP2_SUPER_MAGIC: case SECURITYFS_MAGIC: case TRACEFS_MAGIC:
    case BPF_FS_MAGIC:
        return true;
    default:
        return false;
    }
}

// Opens the folder of a search, refusing the host's pseudo file systems; -1 with the last error.
int OpenSearchFolder(std::string& hostFolder)
{
    int fd = open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int error = errno;
    if (fd < 0 && RespellAfterMiss(error, hostFolder)) {
        fd = open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        error = errno;
    }
    char* real = fd < 0 ? nullptr : realpath(hostFolder.c_str(), nullptr);
    bool pseudo = fd >= 0 && ((real != nullptr && IsPseudoHostPath(real)) || IsPseudoFileSystem(fd));
    free(real);
    if (pseudo) {
        close(fd);
        fd = -1;
    }
    if (fd < 0)
        SetLastError(pseudo || error == ENOENT || error == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
    return fd;
}

std::string JoinHost(const std::string& folder, const char* name)
{
    return folder == "/" ? "/" + std::string(name) : folder + "/" + name;
}

// The matching entries of the folder in host byte order. Searches list neither "." nor "..", as
// the device's do not; each name is spelled as the device may hold it (see HostNameToDevice).
std::vector<FindObject::Entry> ListMatches(int fd, const std::string& hostFolder, const std::u16string& pattern)
{
    std::vector<FindObject::Entry> entries;
    DIR* folder = fdopendir(dup(fd));
    if (folder == nullptr)
        return entries;
    while (dirent* entry = readdir(folder)) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || IsPseudoHostPath(JoinHost(hostFolder, name)))
            continue;
        std::u16string deviceName = HostNameToDevice(name);
        if (MatchFindPattern(pattern, deviceName))
            entries.push_back(FindObject::Entry { name, std::move(deviceName) });
    }
    closedir(folder);
    std::sort(entries.begin(), entries.end(),
              [](const FindObject::Entry& a, const FindObject::Entry& b) { return a.hostName < b.hostName; });
    return entries;
}

// A pattern is one name with '*' and '?' as its only wildcards; the other refused characters
// make it no name at all.
bool IsValidPattern(const std::u16string& pattern)
{
    for (char16_t c : pattern) {
        if (c != u'*' && c != u'?' && IsRefusedNameChar(c))
            return false;
    }
    return true;
}

// A regular file or folder by its name in the folder; a link counts as the regular file it points
// to, and as nothing when it points to a folder or nowhere.
bool StatReportable(int folderFd, const std::string& name, struct stat& info)
{
    if (fstatat(folderFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    if (S_ISLNK(info.st_mode))
        return fstatat(folderFd, name.c_str(), &info, 0) == 0 && S_ISREG(info.st_mode);
    return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode);
}

// The birth time where the file system keeps one, else the last change, as GetFileTime reports it.
FILETIME CreationTime(int folderFd, const std::string& name, const struct stat& info)
{
    struct statx extra {};
    if (statx(folderFd, name.c_str(), 0, STATX_BTIME, &extra) == 0 && (extra.stx_mask & STATX_BTIME))
        return FileTimeFromTimespec(timespec { extra.stx_btime.tv_sec, extra.stx_btime.tv_nsec });
    return FileTimeFromTimespec(info.st_ctim);
}

void FillFindData(const std::u16string& name, const struct stat& info, WIN32_FIND_DATAW& data)
{
    data = WIN32_FIND_DATAW {};
    data.dwFileAttributes = AttributesFromStat(info);
    data.ftLastAccessTime = FileTimeFromTimespec(info.st_atim);
    data.ftLastWriteTime = FileTimeFromTimespec(info.st_mtim);
    if (!S_ISDIR(info.st_mode)) {
        data.nFileSizeHigh = DWORD(uint64_t(info.st_size) >> 32);
        data.nFileSizeLow = DWORD(info.st_size);
    }
    name.copy(data.cFileName, name.size());
}

// Reports the next entry that still exists and can be named in cFileName; false at the end.
bool ReportNext(FindObject& search, WIN32_FIND_DATAW& data)
{
    while (search.next < search.entries.size()) {
        const FindObject::Entry& entry = search.entries[search.next++];
        struct stat info {};
        if (entry.deviceName.size() < MAX_PATH && StatReportable(search.folderFd, entry.hostName, info)) {
            FillFindData(entry.deviceName, info, data);
            data.ftCreationTime = CreationTime(search.folderFd, entry.hostName, info);
            return true;
        }
    }
    return false;
}

// Splits "\folder\pattern" into the folder's device path and the pattern.
void SplitSearchPath(const WCHAR* path, std::u16string& folder, std::u16string& pattern)
{
    std::u16string text(path, WideLength(path, 32768));
    size_t slash = text.find_last_of(u"\\/");
    folder = slash == std::u16string::npos ? u"\\" : text.substr(0, slash + 1);
    pattern = slash == std::u16string::npos ? text : text.substr(slash + 1);
}

}  // namespace
}  // namespace wce

using wce::FindObject;

HANDLE FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData)
{
    if (lpFileName == nullptr || lpFindFileData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::u16string folder;
    std::u16string pattern;
    wce::SplitSearchPath(lpFileName, folder, pattern);
    std::string hostFolder;
    if (!wce::HostPathForCall(folder.c_str(), hostFolder))
        return INVALID_HANDLE_VALUE;
    if (!wce::IsValidPattern(pattern)) {
        SetLastError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
    }
    int fd = wce::OpenSearchFolder(hostFolder);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    FindObject* search = new FindObject(fd, pattern.empty() ? std::vector<FindObject::Entry>()
                                                             : wce::ListMatches(fd, hostFolder, pattern));
    if (!wce::ReportNext(*search, *lpFindFileData)) {
        search->Release();
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    HANDLE handle = wce::InsertHandle(search);
    return handle == nullptr ? INVALID_HANDLE_VALUE : handle;
}

BOOL FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData)
{
    wce::ObjectRef<FindObject> search(hFindFile, wce::ObjectType::Find);
    if (!search)
        return FALSE;
    if (lpFindFileData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!wce::ReportNext(*search.get(), *lpFindFileData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
}

BOOL FindClose(HANDLE hFindFile)
{
    wce::ObjectRef<FindObject> search(hFindFile, wce::ObjectType::Find);
    if (!search)
        return FALSE;
    return CloseHandle(hFindFile);
}
