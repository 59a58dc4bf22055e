// Locating and reading a library's file: device-path rules of LoadLibraryW and the host file read.
#include "ModuleFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ModuleImage.h"
#include "wce/DeviceProfile.h"

namespace wce {
namespace {

bool IsSeparator(WCHAR c)
{
    return c == u'\\' || c == u'/';
}

bool IsRegularFile(const std::string& hostPath)
{
    struct stat info;
    return ::stat(hostPath.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

std::u16string NormalizeDevicePath(const WCHAR* path)
{
    std::u16string normal;
    if (!IsSeparator(path[0]))
        normal += u'\\';
    for (const WCHAR* p = path; *p; ++p)
        normal += IsSeparator(*p) ? u'\\' : *p;
    return normal;
}

std::u16string BaseNameOf(const std::u16string& path)
{
    size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

std::u16string FolderOf(const std::u16string& path)
{
    size_t separator = path.find_last_of(u"\\/");
    return separator == std::u16string::npos ? std::u16string(u"\\") : path.substr(0, separator + 1);
}

std::u16string WithDllExtension(const WCHAR* name)
{
    std::u16string text = name;
    if (BaseNameOf(text).find(u'.') == std::u16string::npos)
        text += u".dll";
    return text;
}

bool HasFolder(const WCHAR* name)
{
    for (const WCHAR* p = name; *p; ++p) {
        if (IsSeparator(*p))
            return true;
    }
    return false;
}

ModuleFileStatus ReadModuleFile(const std::u16string& devicePath, std::vector<uint8_t>& bytes)
{
    std::string found;
    if (!ExistingHostPath(devicePath.c_str(), found) || !IsRegularFile(found))
        return ModuleFileStatus::NotFound;
    int fd = ::open(found.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? ModuleFileStatus::NotFound : ModuleFileStatus::Unreadable;
    struct stat info;
    bool fits = ::fstat(fd, &info) == 0 && info.st_size > 0 && uint64_t(info.st_size) <= MAX_IMAGE_SIZE;
    if (fits)
        bytes.resize(size_t(info.st_size));
    size_t done = 0;
    while (fits && done < bytes.size()) {
        ssize_t count = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        done += size_t(count);
    }
    ::close(fd);
    return fits && done == bytes.size() ? ModuleFileStatus::Read : ModuleFileStatus::Unreadable;
}

}  // namespace wce
