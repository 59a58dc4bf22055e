// Text conversion, string joining, extension lookup and settings-record defaults.
#include "TextHelpers.h"

#include <new>
#include <string>

#include "svc/include/OrvMobileEngCE.h"

namespace {

constexpr uint32_t DEFAULT_OPTION_FLAG = 0x103;
constexpr uint32_t DEFAULT_LOG_MAX_KB = 8;
constexpr uint32_t DEFAULT_BACKUP_COUNT = 2;

// The platform refuses the whole conversion when the output is too small, so a long input is
// converted in full into scratch space and its head copied; the cut never splits a surrogate pair.
void CopyWideCut(WCHAR* out, const WCHAR* text) noexcept
{
    size_t length = std::char_traits<WCHAR>::length(text);
    if (length > size_t(TEXT_BUFFER_CHARS - 1)) {
        length = TEXT_BUFFER_CHARS - 1;
        if (text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF)
            --length;
    }
    std::char_traits<WCHAR>::copy(out, text, length);
    out[length] = 0;
}

void ConvertToWide(WCHAR* out, const char* text) noexcept
{
    out[0] = 0;
    if (text == nullptr)
        return;
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, out, TEXT_BUFFER_CHARS) > 0) {
        out[TEXT_BUFFER_CHARS - 1] = 0;
        return;
    }
    out[0] = 0;
    int needed = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 0)
        return;
    WCHAR* whole = new (std::nothrow) WCHAR[size_t(needed)];
    if (whole == nullptr)
        return;   // memory is short: the caller sees an empty text rather than a wrong one
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, whole, needed) > 0) {
        whole[needed - 1] = 0;
        CopyWideCut(out, whole);
    }
    delete[] whole;
}

// Converting character by character keeps a multi-byte character whole: the cut falls before the
// first character whose bytes would not fit.
void ConvertToAnsi(char* out, const WCHAR* text) noexcept
{
    out[0] = 0;
    if (text == nullptr)
        return;
    int written = WideCharToMultiByte(CP_ACP, 0, text, -1, out, TEXT_BUFFER_CHARS, nullptr, nullptr);
    if (written > 0) {
        out[TEXT_BUFFER_CHARS - 1] = 0;
        return;
    }
    size_t used = 0;
    for (size_t i = 0; text[i] != 0; ) {
        size_t units = (text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] != 0) ? 2 : 1;
        char bytes[8];
        int n = WideCharToMultiByte(CP_ACP, 0, text + i, int(units), bytes, sizeof bytes, nullptr,
                                    nullptr);
        if (n <= 0 || used + size_t(n) > size_t(TEXT_BUFFER_CHARS - 1))
            break;
        std::char_traits<char>::copy(out + used, bytes, size_t(n));
        used += size_t(n);
        i += units;
    }
    out[used] = 0;
}

template <typename Char>
const Char* FindExtension(const Char* path) noexcept
{
    if (path == nullptr)
        return nullptr;
    const Char* dot = nullptr;
    const Char* slash = nullptr;
    const Char* backslash = nullptr;
    for (const Char* p = path; *p != 0; ++p) {
        if (*p == Char('.'))
            dot = p;
        else if (*p == Char('/'))
            slash = p;
        else if (*p == Char('\\'))
            backslash = p;
    }
    const Char* separator = slash ? slash : backslash;
    if (separator == nullptr || (dot != nullptr && dot > separator))
        return dot;
    return nullptr;
}

}  // namespace

WCHAR* ConcatDup(const WCHAR* first, const WCHAR* second) noexcept
{
    if (first == nullptr)
        return nullptr;
    size_t firstLength = std::char_traits<WCHAR>::length(first);
    size_t secondLength = second ? std::char_traits<WCHAR>::length(second) : 0;
    WCHAR* joined = new (std::nothrow) WCHAR[firstLength + secondLength + 1];
    if (joined == nullptr)
        return nullptr;
    std::char_traits<WCHAR>::copy(joined, first, firstLength);
    if (second)
        std::char_traits<WCHAR>::copy(joined + firstLength, second, secondLength);
    joined[firstLength + secondLength] = 0;
    return joined;
}

WCHAR* AnsiToWideDup(const char* text) noexcept
{
    WCHAR* out = new (std::nothrow) WCHAR[TEXT_BUFFER_CHARS];
    if (out)
        ConvertToWide(out, text);
    return out;
}

char* WideToAnsiDup(const WCHAR* text) noexcept
{
    char* out = new (std::nothrow) char[TEXT_BUFFER_CHARS];
    if (out)
        ConvertToAnsi(out, text);
    return out;
}

WCHAR* AnsiToWide(WCHAR* out, const char* text) noexcept
{
    ConvertToWide(out, text);
    return out;
}

const char* FindExtensionA(const char* path) noexcept
{
    return FindExtension(path);
}

const WCHAR* FindExtensionW(const WCHAR* path) noexcept
{
    return FindExtension(path);
}

void InitSettingsRecords(OptionSettings* options, UtilSettings* util, bool useDefaults) noexcept
{
    if (options) {
        *options = OptionSettings {};
        options->size = sizeof(OptionSettings);
        if (useDefaults)
            options->flag = DEFAULT_OPTION_FLAG;
    }
    if (util) {
        *util = UtilSettings {};
        util->size = sizeof(UtilSettings);
        if (useDefaults) {
            util->logMaxKB = DEFAULT_LOG_MAX_KB;
            util->backupCount = DEFAULT_BACKUP_COUNT;
        }
    }
}
