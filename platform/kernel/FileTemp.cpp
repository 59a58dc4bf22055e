// The temporary folder and temporary file names.
#include <cerrno>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "HostPath.h"

namespace {

constexpr char16_t TEMP_PATH[] = u"\\Temp\\";
constexpr UINT UNIQUE_MASK = 0xFFFF;   // only the low 16 bits of a unique number form the name

// "<path>\<up to 3 prefix chars><hex>.tmp", or false when it does not fit in MAX_PATH.
bool FormTempName(LPCWSTR path, LPCWSTR prefix, UINT unique, std::u16string& name)
{
    name.assign(path, wce::WideLength(path, MAX_PATH));
    if (name.empty() || (name.back() != u'\\' && name.back() != u'/'))
        name += u'\\';
    if (prefix != nullptr)
        name.append(prefix, wce::WideLength(prefix, 3));
    static const char16_t digits[] = u"0123456789abcdef";
    char16_t hex[8];
    int count = 0;
    do {
        hex[count++] = digits[unique & 0xF];
        unique >>= 4;
    } while (unique != 0);
    while (count > 0)
        name += hex[--count];
    name += u".tmp";
    return name.size() < MAX_PATH;
}

UINT StartingUnique()
{
    UINT seed = UINT(getpid()) * 2654435761u ^ UINT(GetTickCount());
    return (seed & UNIQUE_MASK) == 0 ? 1 : seed & UNIQUE_MASK;
}

// Creates the file under the first free number from a pseudo-random start; 0 when every number is
// taken or the folder cannot take a new file.
UINT CreateUniqueFile(LPCWSTR path, LPCWSTR prefix, std::u16string& name)
{
    UINT unique = StartingUnique();
    for (UINT tries = 0; tries < UNIQUE_MASK; ++tries, unique = unique % UNIQUE_MASK + 1) {
        if (!FormTempName(path, prefix, unique, name)) {
            SetLastError(ERROR_BUFFER_OVERFLOW);
            return 0;
        }
        HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return unique;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    SetLastError(ERROR_FILE_EXISTS);
    return 0;
}

}  // namespace

DWORD GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer)
{
    constexpr DWORD length = sizeof TEMP_PATH / sizeof TEMP_PATH[0] - 1;
    std::string hostPath;
    if (wce::HostPathFromDevice(TEMP_PATH, hostPath))
        mkdir(hostPath.c_str(), 0777);   // on demand; a failure shows when the folder is used
    if (lpBuffer == nullptr || nBufferLength <= length)
        return length + 1;
    for (DWORD i = 0; i <= length; ++i)
        lpBuffer[i] = TEMP_PATH[i];
    return length;
}

UINT GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName)
{
    if (lpPathName == nullptr || lpTempFileName == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // The folder must be there, whether or not a file is to be made in it.
    std::string hostFolder;
    struct stat info {};
    if (!wce::ExistingHostPath(lpPathName, hostFolder) || stat(hostFolder.c_str(), &info) != 0 ||
        !S_ISDIR(info.st_mode)) {
        SetLastError(ERROR_DIRECTORY);
        return 0;
    }
    std::u16string name;
    UINT unique = uUnique & UNIQUE_MASK;
    if (unique != 0) {
        // With a number of the caller's, the name is only formed: nothing is created or checked.
        if (!FormTempName(lpPathName, lpPrefixString, unique, name)) {
            SetLastError(ERROR_BUFFER_OVERFLOW);
            return 0;
        }
    } else {
        unique = CreateUniqueFile(lpPathName, lpPrefixString, name);
        if (unique == 0)
            return 0;
    }
    name.copy(lpTempFileName, name.size());
    lpTempFileName[name.size()] = 0;
    return unique;
}
