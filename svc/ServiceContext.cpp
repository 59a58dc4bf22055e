// ServiceContext and its FileOps interface.
#include "ServiceContextImpl.h"

#include <cstddef>
#include <cstring>
#include <new>
#include <string>

#include "common/DiskFile.h"
#include "common/TextHelpers.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(ServiceContextImpl, fileOps) == sizeof(void*),
              "GetFileOps relies on the FileOps table pointer following the context's own");
#pragma GCC diagnostic pop

namespace {

constexpr WCHAR BACKUP_FOLDER_NAME[] = u"Orv-Back.Vir";

size_t Length(const WCHAR* text) noexcept
{
    return text ? std::char_traits<WCHAR>::length(text) : 0;
}

bool EndsInSeparator(const WCHAR* text, size_t length) noexcept
{
    return length > 0 && (text[length - 1] == u'\\' || text[length - 1] == u'/');
}

// A copy of folder ending in a separator ("" becomes "\"), or null when memory is short.
WCHAR* CopyFolder(const WCHAR* folder) noexcept
{
    size_t length = Length(folder);
    bool addSlash = !EndsInSeparator(folder, length);
    WCHAR* copy = new (std::nothrow) WCHAR[length + 2];
    if (copy == nullptr)
        return nullptr;
    std::char_traits<WCHAR>::copy(copy, folder ? folder : u"", length);
    copy[length] = 0;
    if (addSlash) {
        copy[length] = u'\\';
        copy[length + 1] = 0;
    }
    return copy;
}

// out (MAX_PATH characters) = first followed by second. A path that would not fit is given as the
// empty string: a cut path could name some other file.
WCHAR* JoinPath(WCHAR* out, const WCHAR* first, const WCHAR* second) noexcept
{
    size_t firstLength = Length(first);
    size_t secondLength = Length(second);
    if (firstLength + secondLength >= MAX_PATH) {
        out[0] = 0;
        return out;
    }
    std::char_traits<WCHAR>::copy(out, first ? first : u"", firstLength);
    std::char_traits<WCHAR>::copy(out + firstLength, second ? second : u"", secondLength);
    out[firstLength + secondLength] = 0;
    return out;
}

}  // namespace

int32_t ContextFileOps::DeleteFile(const WCHAR* path) noexcept
{
    // Nobody is told about a file that could not be deleted: the caller lists the folder again.
    DeleteFileW(path);
    return 0;
}

ServiceContextImpl::ServiceContextImpl() noexcept
{
    InitSettingsRecords(&options, &util, true);
}

WCHAR* ServiceContextImpl::GetBackupFolder(WCHAR* out, int32_t which) noexcept
{
    if (out == nullptr)
        return nullptr;
    return JoinPath(out, which == 0 ? backupFolder : nullptr, nullptr);
}

int32_t ServiceContextImpl::AddRef() noexcept
{
    return ++refCount;
}

int32_t ServiceContextImpl::Release() noexcept
{
    int32_t count = --refCount;
    if (count == 0)
        Free();
    return count;
}

int32_t ServiceContextImpl::Free() noexcept
{
    Destroy(1);
    return 0;
}

int32_t ServiceContextImpl::SetEngineInfo(int32_t version, const EngineDate* date) noexcept
{
    engineVersion = version;
    if (date)
        engineDate = *date;
    return 0;
}

int32_t ServiceContextImpl::GetEngineInfo(EngineDate* out) noexcept
{
    if (out)
        *out = engineDate;
    return engineVersion;
}

int32_t ServiceContextImpl::SetAppFolder(const WCHAR* folder) noexcept
{
    delete[] appFolder;
    delete[] backupFolder;
    backupFolder = nullptr;
    appFolder = CopyFolder(folder);
    if (appFolder)
        MakeBackupFolder();
    return 0;
}

// The backup folder is appFolder + "Orv-Back.Vir" + '\'. When that does not fit in MAX_PATH the
// context keeps an empty backup folder and creates nothing; the backup store treats an empty folder
// as having no backups rather than walking the device root.
void ServiceContextImpl::MakeBackupFolder() noexcept
{
    backupFolder = new (std::nothrow) WCHAR[MAX_PATH];
    if (backupFolder == nullptr)
        return;
    JoinPath(backupFolder, appFolder, BACKUP_FOLDER_NAME);
    size_t length = Length(backupFolder);
    if (length == 0 || length + 1 >= MAX_PATH) {
        backupFolder[0] = 0;
        return;
    }
    // An existing folder is fine, so the result does not matter.
    CreateDirectoryW(backupFolder, nullptr);
    AppendSlash(backupFolder);
}

int32_t ServiceContextImpl::SetLibFolder(const WCHAR* folder) noexcept
{
    delete[] libFolder;
    delete[] libFolderCopy;
    libFolder = CopyFolder(folder);
    libFolderCopy = CopyFolder(folder);
    return 0;
}

int32_t ServiceContextImpl::GetLibFolder(WCHAR* out) noexcept
{
    if (out)
        JoinPath(out, libFolder, nullptr);
    return 0;
}

WCHAR* ServiceContextImpl::MakeAppPath(WCHAR* out, const WCHAR* name) noexcept
{
    if (out == nullptr)
        return nullptr;
    return JoinPath(out, appFolder, name);
}

DiskFile* ServiceContextImpl::OpenFile(const WCHAR* path, int32_t mode) noexcept
{
    return OpenDiskFile(path, mode);
}

// The records are copied whole; their size fields stay the fixed sizes, so a caller's record with
// a damaged size field cannot make a later copy run past either record.
int32_t ServiceContextImpl::PutSettings(int32_t which, const void* record) noexcept
{
    if (record == nullptr)
        return 0;
    if (which == SETTINGS_OPTIONS) {
        std::memcpy(&options, record, sizeof options);
        options.size = sizeof options;
    } else if (which == SETTINGS_UTIL) {
        std::memcpy(&util, record, sizeof util);
        util.size = sizeof util;
    }
    return 0;
}

int32_t ServiceContextImpl::GetSettings(int32_t which, void* out) noexcept
{
    if (out == nullptr)
        return 0;
    if (which == SETTINGS_OPTIONS)
        std::memcpy(out, &options, sizeof options);
    else if (which == SETTINGS_UTIL)
        std::memcpy(out, &util, sizeof util);
    return 0;
}

void ServiceContextImpl::FreeFolders() noexcept
{
    delete[] appFolder;
    delete[] libFolder;
    delete[] libFolderCopy;
    delete[] backupFolder;
    appFolder = libFolder = libFolderCopy = backupFolder = nullptr;
}

void ServiceContextImpl::Destroy(uint32_t flags) noexcept
{
    FreeFolders();
    if (flags & 1)
        delete this;
}
