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
#include "HostPath.h"
#include "LastErrorMap.h"
#include "TimeConvert.h"

namespace wce {
namespace {

// The names of one folder that match the pattern, taken when the search starts; each is checked
// again when it is reported, so a name deleted meanwhile is skipped.
class FindObject : public KernelObject {
public:
    FindObject(int folderFd, std::vector<std::string> names)
        : KernelObject(ObjectType::Find), folderFd(folderFd), names(std::move(names)) {}
    ~FindObject() override { close(folderFd); }

    const int folderFd;
    std::vector<std::string> names;   // the search's thread only
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
int OpenSearchFolder(const std::string& hostFolder)
{
    char* real = realpath(hostFolder.c_str(), nullptr);
    bool pseudo = real != nullptr && IsPseudoHostPath(real);
    free(real);
    int fd = pseudo ? -1 : open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0 && IsPseudoFileSystem(fd)) {
        close(fd);
        fd = -1;
        pseudo = true;
    }
    if (fd < 0)
        SetLastError(pseudo || errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return fd;
}

std::string JoinHost(const std::string& folder, const char* name)
{
    return folder == "/" ? "/" + std::string(name) : folder + "/" + name;
}

// The matching names of the folder, "." and ".." first outside the root as the platform lists them.
std::vector<std::string> ListMatches(int fd, const std::string& hostFolder, const std::u16string& pattern)
{
    std::vector<std::string> names;
    bool isRoot = hostFolder == GetDeviceProfile().rootFolder;
    for (const char* dots : { ".", ".." }) {
        if (!isRoot && MatchFindPattern(pattern, Utf8ToUtf16(dots, strlen(dots))))
            names.push_back(dots);
    }
    DIR* folder = fdopendir(dup(fd));
    if (folder == nullptr)
        return names;
    std::vector<std::string> entries;
    while (dirent* entry = readdir(folder)) {
        const char* name = entry->d_name;
        if (strcmp(name, ".") == 0 || strcmp(name, "..") == 0 || IsPseudoHostPath(JoinHost(hostFolder, name)))
            continue;
        if (MatchFindPattern(pattern, Utf8ToUtf16(name, strlen(name))))
            entries.push_back(name);
    }
    closedir(folder);
    std::sort(entries.begin(), entries.end());
    names.insert(names.end(), entries.begin(), entries.end());
    return names;
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
    while (search.next < search.names.size()) {
        const std::string& name = search.names[search.next++];
        std::u16string wide = Utf8ToUtf16(name.data(), name.size());
        struct stat info {};
        if (wide.size() < MAX_PATH && StatReportable(search.folderFd, name, info)) {
            FillFindData(wide, info, data);
            data.ftCreationTime = CreationTime(search.folderFd, name, info);
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
    int fd = wce::OpenSearchFolder(hostFolder);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    FindObject* search = new FindObject(fd, pattern.empty() ? std::vector<std::string>()
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
