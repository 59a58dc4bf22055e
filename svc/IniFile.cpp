// IniFile: string and integer settings by section and key, each call loading and saving the file whole.
#include "IniFile.h"

#include <cstring>
#include <new>

#include "IniDocument.h"

namespace {

constexpr int32_t INI_GETSTRING_CHARS = 512;
constexpr int32_t INI_NUMBER_CHARS = 32;

// Decimal value as the C library reads it: leading white space, an optional sign, then digits up to
// the first other character. Values beyond 32 bits stop at the nearest limit.
int32_t ParseDecimal(const char* text)
{
    while (*text == ' ' || (*text >= '\t' && *text <= '\r'))
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > int64_t(INT32_MAX) + 1)
            value = int64_t(INT32_MAX) + 1;
    }
    if (negative)
        return int32_t(-value);
    return value > INT32_MAX ? INT32_MAX : int32_t(value);
}

class IniFileImpl final : public IniFile {
public:
    explicit IniFileImpl(WCHAR* path) noexcept : path(path) {}

    void Free() noexcept override
    {
        delete[] path;
        delete this;
    }
    int32_t GetInt(const WCHAR* section, const WCHAR* key, int32_t defaultValue) noexcept override
    {
        return ReadIniInt(section, key, defaultValue, path);
    }
    int32_t SetInt(const WCHAR* section, const WCHAR* key, int32_t value) noexcept override
    {
        return WriteIniInt(section, key, value, path);
    }
    int32_t GetString(const WCHAR* section, const WCHAR* key, WCHAR* out, const WCHAR* defaultValue) noexcept override
    {
        return ReadIniString(section, key, defaultValue, out, INI_GETSTRING_CHARS, path);
    }
    int32_t SetString(const WCHAR* section, const WCHAR* key, const WCHAR* value) noexcept override
    {
        return WriteIniString(section, key, value, path);
    }

private:
    WCHAR* path;   // owned; null when memory was short at creation (every call then acts on no file)
};

// New key lines go directly under their section header, so a section's newest keys come first.
bool AddKeyLine(IniDocument& document, LockedListNode* header, const WCHAR* key, const WCHAR* value)
{
    IniLine line { IniLineKind::Key, DupText(key), DupText(value), nullptr, nullptr, 1 };
    if (line.name && line.value && document.lines.InsertAfter(header, &line))
        return true;
    delete[] line.name;
    delete[] line.value;
    return false;
}

bool AddSectionWithKey(IniDocument& document, const WCHAR* section, const WCHAR* key, const WCHAR* value)
{
    IniLine line { IniLineKind::Section, DupText(section), nullptr, nullptr, nullptr, 1 };
    LockedListNode* header = line.name ? document.lines.Append(&line) : nullptr;
    if (!header) {
        delete[] line.name;
        return false;
    }
    return AddKeyLine(document, header, key, value);
}

bool SetKeyValue(IniDocument& document, const WCHAR* section, const WCHAR* key, const WCHAR* value)
{
    if (LockedListNode* node = FindIniKey(document, section, key, nullptr, 0)) {
        WCHAR* copy = DupText(value);
        if (!copy)
            return false;
        IniLine* line = LineOf(node);
        delete[] line->value;
        line->value = copy;
        line->modified = 1;
        return true;
    }
    if (LockedListNode* header = FindIniSection(document, section))
        return AddKeyLine(document, header, key, value);
    return AddSectionWithKey(document, section, key, value);
}

}  // namespace

IniFile* CreateIniFile(const WCHAR* path) noexcept
{
    WCHAR* copy = path ? DupText(path) : nullptr;
    IniFile* file = new (std::nothrow) IniFileImpl(copy);
    if (!file)
        delete[] copy;
    return file;
}

int32_t ReadIniString(const WCHAR* section, const WCHAR* key, const WCHAR* defaultValue, WCHAR* out,
                      int32_t outChars, const WCHAR* path) noexcept
{
    if (!out || outChars <= 0)
        return 0;
    // The default is cut to the buffer as a found value would be.
    size_t length = TextLength(defaultValue);
    if (length > size_t(outChars - 1))
        length = size_t(outChars - 1);
    if (length)
        std::memcpy(out, defaultValue, length * sizeof(WCHAR));
    out[length] = 0;
    if (!section || !key)
        return int32_t(length);
    IniDocument document;
    LoadIniDocument(document, path);
    FindIniKey(document, section, key, out, outChars);
    return int32_t(TextLength(out));
}

int32_t ReadIniInt(const WCHAR* section, const WCHAR* key, int32_t defaultValue, const WCHAR* path) noexcept
{
    WCHAR defaultText[INI_NUMBER_CHARS];
    wsprintfW(defaultText, u"%d", defaultValue);
    WCHAR text[INI_NUMBER_CHARS];
    int32_t length = ReadIniString(section, key, defaultText, text, INI_NUMBER_CHARS, path);
    // A key that is there with an empty value reads as 0, not as the default.
    if (length == 0)
        return 0;
    char ansi[INI_NUMBER_CHARS * 2 + 1];
    int converted = WideCharToMultiByte(CP_ACP, 0, text, length, ansi, int(sizeof(ansi) - 1), nullptr, nullptr);
    ansi[converted > 0 ? converted : 0] = 0;
    return ParseDecimal(ansi);
}

int32_t WriteIniString(const WCHAR* section, const WCHAR* key, const WCHAR* value, const WCHAR* path) noexcept
{
    int32_t result = int32_t(TextLength(value));
    if (!section || !key)
        return result;
    IniDocument document;
    LoadIniDocument(document, path);
    // A file that was there but could not be read whole is left alone: the change is lost, as it is
    // when the file cannot be written, but nothing else is.
    if (document.complete && SetKeyValue(document, section, key, value))
        SaveIniDocument(document, path);
    return result;
}

int32_t WriteIniInt(const WCHAR* section, const WCHAR* key, int32_t value, const WCHAR* path) noexcept
{
    WCHAR text[INI_NUMBER_CHARS];
    wsprintfW(text, u"%d", value);
    return WriteIniString(section, key, text, path);
}

void WriteIniInts(const IniIntSetting* settings, size_t count, const WCHAR* path) noexcept
{
    IniDocument document;
    LoadIniDocument(document, path);
    if (!document.complete)
        return;
    for (size_t i = 0; i < count; ++i) {
        WCHAR text[INI_NUMBER_CHARS];
        wsprintfW(text, u"%d", settings[i].value);
        // A change that cannot be made (memory short) loses the whole batch, not part of it.
        if (!settings[i].section || !settings[i].key || !SetKeyValue(document, settings[i].section, settings[i].key, text))
            return;
    }
    SaveIniDocument(document, path);
}
