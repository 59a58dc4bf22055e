// One path component between the device's spelling and the host's bytes.
#pragma once

#include <string>
#include <string_view>

#include <wce/WinTypes.h>

namespace wce {

// The characters a device file name may not hold: the controls, '"', '*', '/', ':', '<', '>', '?',
// '\' and '|'.
inline bool IsRefusedNameChar(char32_t c)
{
    switch (c) {
    case u'"': case u'*': case u'/': case u':': case u'<': case u'>': case u'?': case u'\\': case u'|':
        return true;
    default:
        return c < 0x20;
    }
}

// Appends the host bytes of a device name to host. Private-use characters U+F000 + code stand for
// the host byte "code" that a device name cannot hold (the refused characters, and bytes that are
// not UTF-8); the rest is UTF-8. False, with host partly appended, when the name holds a refused
// character itself.
bool AppendHostName(std::u16string_view name, std::string& host);

// The device spelling of a host name: UTF-8 decoded, and each refused character or undecodable byte
// given as U+F000 + its code, so the result is always one valid component and maps back to the
// same bytes.
std::u16string HostNameToDevice(std::string_view host);

// Decodes one UTF-8 sequence at text[at] and moves at past it; a malformed, overlong or surrogate
// sequence is refused (false) and at moves past its first byte only.
bool DecodeUtf8(const unsigned char* text, size_t length, size_t& at, char32_t& code);
void AppendUtf8(char32_t code, std::string& out);
void AppendUtf16(char32_t code, std::u16string& out);

// The key two names share when they differ only in letter case.
std::u16string FoldNameCase(std::u16string_view name);

}  // namespace wce
