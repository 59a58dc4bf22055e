// Device paths and host paths, and UTF-16 <-> UTF-8 for host file names.
#include <string_view>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "HostName.h"
#include "HostPath.h"

namespace wce {
namespace {

// A device path is never longer than this; longer text is refused rather than read without end.
constexpr size_t MAX_DEVICE_PATH = 32767;

bool IsSeparator(WCHAR c)
{
    return c == u'\\' || c == u'/';
}

}  // namespace

size_t WideLength(const WCHAR* text, size_t limit)
{
    size_t length = 0;
    while (length < limit && text[length] != 0)
        ++length;
    return length;
}

std::string Utf16ToUtf8(const WCHAR* text, size_t length)
{
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(code, out);
    }
    return out;
}

std::u16string Utf8ToUtf16(const char* text, size_t length)
{
    std::u16string out;
    out.reserve(length);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    size_t at = 0;
    while (at < length) {
        char32_t code = 0;
        AppendUtf16(DecodeUtf8(bytes, length, at, code) ? code : 0xFFFD, out);
    }
    return out;
}

bool IsDriveLetter(std::u16string_view part)
{
    return part.size() == 2 && part[1] == u':';
}

// The host path of a device path, or the error that refuses it. Components are appended as they
// come; "." is skipped and ".." drops the last one, and at the root stays at the root, as it does
// on the device. A drive letter names no device path.
DWORD MapDevicePath(const WCHAR* devicePath, std::string& hostPath)
{
    if (devicePath == nullptr)
        return ERROR_PATH_NOT_FOUND;
    size_t length = WideLength(devicePath, MAX_DEVICE_PATH + 1);
    if (length > MAX_DEVICE_PATH)
        return ERROR_FILENAME_EXCED_RANGE;
    if (length == 0)
        return ERROR_PATH_NOT_FOUND;
    const std::string& root = GetDeviceProfile().rootFolder;
    hostPath.assign(root);
    hostPath.reserve(root.size() + length + 8);
    size_t rootEnd = hostPath.size();
    std::u16string_view path(devicePath, length);
    for (size_t at = 0; at < length;) {
        while (at < length && IsSeparator(path[at]))
            ++at;
        size_t start = at;
        while (at < length && !IsSeparator(path[at]))
            ++at;
        std::u16string_view part = path.substr(start, at - start);
        if (part.empty() || part == u".")
            continue;
        if (part == u"..") {
            size_t slash = hostPath.find_last_of('/');
            hostPath.resize(slash == std::string::npos || slash < rootEnd ? rootEnd : slash);
            continue;
        }
        if (start == 0 && IsDriveLetter(part))
            return ERROR_PATH_NOT_FOUND;
        if (hostPath.back() != '/')
            hostPath += '/';
        if (!AppendHostName(part, hostPath))
            return ERROR_INVALID_NAME;
    }
    return ERROR_SUCCESS;
}

bool HostPathFromDevice(const WCHAR* devicePath, std::string& hostPath)
{
    return MapDevicePath(devicePath, hostPath) == ERROR_SUCCESS;
}

// Each host component is spelled as a search would list it, so the path names the same entries
// when it is handed back.
bool DevicePathFromHost(const std::string& hostPath, std::u16string& devicePath)
{
    const std::string& root = GetDeviceProfile().rootFolder;
    size_t at = 0;
    if (root == "/") {
        if (hostPath.empty() || hostPath[0] != '/')
            return false;
        at = 1;
    } else if (hostPath == root) {
        at = hostPath.size();
    } else if (hostPath.size() > root.size() && hostPath.compare(0, root.size(), root) == 0 &&
               hostPath[root.size()] == '/') {
        at = root.size() + 1;
    } else {
        return false;
    }
    devicePath.assign(1, u'\\');
    while (at < hostPath.size()) {
        size_t slash = hostPath.find('/', at);
        size_t end = slash == std::string::npos ? hostPath.size() : slash;
        devicePath += HostNameToDevice(std::string_view(hostPath).substr(at, end - at));
        if (slash != std::string::npos)
            devicePath += u'\\';
        at = end + 1;
    }
    return true;
}

bool HostPathForCall(const WCHAR* devicePath, std::string& hostPath)
{
    DWORD error = MapDevicePath(devicePath, hostPath);
    if (error != ERROR_SUCCESS)
        SetLastError(error);
    return error == ERROR_SUCCESS;
}

bool IsPseudoHostPath(const std::string& hostPath)
{
    static const char* const pseudo[] = { "/proc", "/sys", "/dev", "/run" };
    for (const char* prefix : pseudo) {
        size_t n = std::char_traits<char>::length(prefix);
        if (hostPath.compare(0, n, prefix) == 0 && (hostPath.size() == n || hostPath[n] == '/'))
            return true;
    }
    return false;
}

std::string HostParentFolder(const std::string& hostPath)
{
    size_t slash = hostPath.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return "/";
    return hostPath.substr(0, slash);
}

}  // namespace wce
