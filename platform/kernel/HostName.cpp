// Host file names as the device spells them, and back: UTF-8, with the private-use characters
// U+F000 + code standing for the host bytes a device name cannot hold.
#include "HostName.h"

#include "wce/WinString.h"

namespace wce {
namespace {

constexpr char32_t PRIVATE_BASE = 0xF000;

// Host bytes that reach the device as U+F000 + byte. '/' and NUL never occur in a host name.
bool IsMappedHostByte(unsigned char byte)
{
    return byte >= 0x80 || (byte != 0 && byte != '/' && IsRefusedNameChar(byte));
}

}  // namespace

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

bool DecodeUtf8(const unsigned char* text, size_t length, size_t& at, char32_t& code)
{
    unsigned char lead = text[at];
    size_t extra = lead < 0xC2 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : lead < 0xF5 ? 3 : 0;
    code = lead;
    if (lead < 0x80 || extra == 0 || length - at <= extra) {
        ++at;
        return lead < 0x80;
    }
    char32_t value = lead & (0x3F >> extra);
    for (size_t i = 1; i <= extra; ++i) {
        if ((text[at + i] & 0xC0) != 0x80) {
            ++at;
            return false;
        }
        value = (value << 6) | (text[at + i] & 0x3F);
    }
    static const char32_t minimum[] = { 0, 0x80, 0x800, 0x10000 };
    if (value < minimum[extra] || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) {
        ++at;
        return false;
    }
    at += extra + 1;
    code = value;
    return true;
}

// Every path of every file call passes through here, so plain ASCII takes the short way.
bool AppendHostName(std::u16string_view name, std::string& host)
{
    for (size_t i = 0; i < name.size(); ++i) {
        char32_t code = name[i];
        if (IsRefusedNameChar(code))
            return false;
        if (code < 0x80) {
            host += char(code);
            continue;
        }
        if (code >= PRIVATE_BASE && code <= PRIVATE_BASE + 0xFF && IsMappedHostByte(code - PRIVATE_BASE)) {
            host += char(code - PRIVATE_BASE);
            continue;
        }
        bool pair = code >= 0xD800 && code < 0xDC00 && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
                    name[i + 1] < 0xE000;
        if (pair)
            code = 0x10000 + ((code - 0xD800) << 10) + (char32_t(name[++i]) - 0xDC00);
        else if (code >= 0xD800 && code < 0xE000)
            code = 0xFFFD;
        AppendUtf8(code, host);
    }
    return true;
}

std::u16string HostNameToDevice(std::string_view host)
{
    std::u16string name;
    name.reserve(host.size());
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(host.data());
    size_t at = 0;
    while (at < host.size()) {
        size_t start = at;
        char32_t code = 0;
        if (!DecodeUtf8(bytes, host.size(), at, code))
            code = PRIVATE_BASE + bytes[start];   // DecodeUtf8 moved past this one byte
        else if (code < 0x80 && IsMappedHostByte((unsigned char)code))
            code += PRIVATE_BASE;
        AppendUtf16(code, name);
    }
    return name;
}

std::u16string FoldNameCase(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded)
        c = towupper(c);
    return folded;
}

}  // namespace wce
