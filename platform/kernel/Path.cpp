// Device paths and host paths, and UTF-16 <-> UTF-8 for host file names.
#include <vector>

#include <windows.h>
#include <wce/DeviceProfile.h>

#include "HostPath.h"

namespace wce {
namespace {

// A device path is never longer than this; longer text is refused rather than read without end.
constexpr size_t MAX_DEVICE_PATH = 32767;

bool IsSeparator(WCHAR c)
{
    return c == u'\\' || c == u'/';
}

// Splits a device path into components, resolving "." and ".."; ".." at the root stays at the root,
// as it does on the device. False for a drive-letter path.
bool SplitDevicePath(const WCHAR* path, size_t length, std::vector<std::u16string>& parts)
{
    size_t at = 0;
    while (at < length) {
        while (at < length && IsSeparator(path[at]))
            ++at;
        size_t start = at;
        while (at < length && !IsSeparator(path[at]))
            ++at;
        std::u16string part(path + start, at - start);
        if (part.empty() || part == u".")
            continue;
        if (part == u"..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        if (parts.empty() && start == 0 && part.size() == 2 && part[1] == u':')
            return false;
        parts.push_back(std::move(part));
    }
    return true;
}

void AppendUtf8(char32_t code, std::string& out)
{
    if (code < 0x80) {
        out += char(code);
    } else if (code < 0x800) {
        out += char(0xC0 | (code >> 6));
        out += char(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += char(0xE0 | (code >> 12));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    } else {
        out += char(0xF0 | (code >> 18));
        out += char(0x80 | ((code >> 12) & 0x3F));
        out += char(0x80 | ((code >> 6) & 0x3F));
        out += char(0x80 | (code & 0x3F));
    }
}

void AppendUtf16(char32_t code, std::u16string& out)
{
    if (code < 0x10000) {
        out += char16_t(code);
    } else {
        code -= 0x10000;
        out += char16_t(0xD800 | (code >> 10));
        out += char16_t(0xDC00 | (code & 0x3FF));
    }
}

// Decodes one UTF-8 sequence at text[at]; a malformed or overlong one yields U+FFFD and one byte.
char32_t DecodeUtf8(const unsigned char* text, size_t length, size_t& at)
{
    unsigned char lead = text[at];
    size_t extra = lead < 0xC2 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : 0;
    if (lead < 0x80 || extra == 0 || length - at <= extra) {
        ++at;
        return lead < 0x80 ? lead : 0xFFFD;
    }
    char32_t code = lead & (0x3F >> extra);
    for (size_t i = 1; i <= extra; ++i) {
        if ((text[at + i] & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        code = (code << 6) | (text[at + i] & 0x3F);
    }
    static const char32_t minimum[] = { 0, 0x80, 0x800, 0x10000 };
    if (code < minimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000)) {
        ++at;
        return 0xFFFD;
    }
    at += extra + 1;
    return code;
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
    while (at < length)
        AppendUtf16(DecodeUtf8(bytes, length, at), out);
    return out;
}

bool HostPathFromDevice(const WCHAR* devicePath, std::string& hostPath)
{
    if (devicePath == nullptr)
        return false;
    size_t length = WideLength(devicePath, MAX_DEVICE_PATH + 1);
    std::vector<std::u16string> parts;
    if (length == 0 || length > MAX_DEVICE_PATH || !SplitDevicePath(devicePath, length, parts))
        return false;
    const std::string& root = GetDeviceProfile().rootFolder;
    hostPath = root;
    for (const std::u16string& part : parts) {
        if (hostPath.back() != '/')
            hostPath += '/';
        hostPath += Utf16ToUtf8(part.data(), part.size());
    }
    return true;
}

bool DevicePathFromHost(const std::string& hostPath, std::u16string& devicePath)
{
    const std::string& root = GetDeviceProfile().rootFolder;
    std::string rest;
    if (root == "/") {
        if (hostPath.empty() || hostPath[0] != '/')
            return false;
        rest = hostPath.substr(1);
    } else if (hostPath == root) {
        rest.clear();
    } else if (hostPath.size() > root.size() && hostPath.compare(0, root.size(), root) == 0 &&
               hostPath[root.size()] == '/') {
        rest = hostPath.substr(root.size() + 1);
    } else {
        return false;
    }
    std::u16string tail = Utf8ToUtf16(rest.data(), rest.size());
    for (char16_t& c : tail) {
        if (c == u'/')
            c = u'\\';
    }
    devicePath = u"\\" + tail;
    return true;
}

bool HostPathForCall(const WCHAR* devicePath, std::string& hostPath)
{
    if (devicePath == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (WideLength(devicePath, MAX_DEVICE_PATH + 1) > MAX_DEVICE_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    if (!HostPathFromDevice(devicePath, hostPath)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return true;
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
