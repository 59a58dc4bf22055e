// IniDocument: parsing an INI text into lines, and finding sections and keys in it.
#include "IniDocument.h"

#include <cstring>
#include <new>

namespace {

void ReleaseIniLine(void* record)
{
    IniLine* line = static_cast<IniLine*>(record);
    delete[] line->name;
    delete[] line->value;
    delete[] line->comment;
    delete[] line->text;
}

// Only space and tab are blanks in a settings file; other control characters are kept as text.
bool IsBlank(WCHAR c) { return c == u' ' || c == u'\t'; }
bool IsLineEnd(WCHAR c) { return c == u'\r' || c == u'\n'; }

size_t FindChar(const WCHAR* text, size_t begin, size_t end, WCHAR c)
{
    for (size_t i = begin; i < end; ++i) {
        if (text[i] == c)
            return i;
    }
    return end;
}

void TrimBlanks(const WCHAR* text, size_t& begin, size_t& end)
{
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
}

// Takes the line apart as name '=' value ';' comment. Returns false when memory is short.
bool SplitKeyLine(const WCHAR* line, size_t length, IniLine& out)
{
    size_t end = FindChar(line, 0, length, u';');
    if (end < length) {
        size_t commentStart = end + 1;
        while (commentStart < length && IsBlank(line[commentStart]))
            ++commentStart;
        out.comment = DupText(line + commentStart, length - commentStart);
        if (!out.comment)
            return false;
    }
    size_t begin = 0;
    TrimBlanks(line, begin, end);
    size_t equals = FindChar(line, begin, end, u'=');
    // A ';' ahead of every '=' leaves no '=' to split at: the line keeps no name, so no lookup
    // finds it and a save writes it back as it was read.
    if (equals == end)
        return true;
    size_t nameBegin = begin, nameEnd = equals;
    size_t valueBegin = equals + 1, valueEnd = end;
    TrimBlanks(line, nameBegin, nameEnd);
    TrimBlanks(line, valueBegin, valueEnd);
    out.name = DupText(line + nameBegin, nameEnd - nameBegin);
    out.value = DupText(line + valueBegin, valueEnd - valueBegin);
    return out.name && out.value;
}

// The first character alone decides the kind: a blank before '[' or ';' makes an ordinary line.
bool ClassifyLine(const WCHAR* line, size_t length, IniLine& out)
{
    if (line[0] == u';' || line[0] == u'/')
        return true;
    if (line[0] == u'[') {
        size_t close = FindChar(line, 1, length, u']');
        out.kind = IniLineKind::Section;
        out.name = DupText(line + 1, close - 1);
        return out.name != nullptr;
    }
    if (FindChar(line, 0, length, u'=') == length)
        return true;
    out.kind = IniLineKind::Key;
    return SplitKeyLine(line, length, out);
}

void AddParsedLine(IniDocument& document, const WCHAR* line, size_t length)
{
    IniLine parsed { IniLineKind::Other, nullptr, nullptr, nullptr, nullptr, 0 };
    parsed.text = DupText(line, length);
    if (parsed.text && ClassifyLine(line, length, parsed) && document.lines.Append(&parsed))
        return;
    ReleaseIniLine(&parsed);
    document.complete = false;
}

}  // namespace

IniDocument::IniDocument() noexcept : lines(sizeof(IniLine), ReleaseIniLine) {}

size_t TextLength(const WCHAR* text) noexcept
{
    size_t length = 0;
    if (text) {
        while (text[length])
            ++length;
    }
    return length;
}

WCHAR* DupText(const WCHAR* text, size_t length) noexcept
{
    WCHAR* copy = new (std::nothrow) WCHAR[length + 1];
    if (!copy)
        return nullptr;
    if (length)
        std::memcpy(copy, text, length * sizeof(WCHAR));
    copy[length] = 0;
    return copy;
}

WCHAR* DupText(const WCHAR* text) noexcept
{
    return text ? DupText(text, TextLength(text)) : DupText(u"", 0);
}

// Lines are cut at every run of CR and LF, so empty lines vanish and a lone CR ends a line.
void ParseIniText(IniDocument& document, const WCHAR* text, size_t length) noexcept
{
    size_t pos = 0;
    while (pos < length) {
        while (pos < length && IsLineEnd(text[pos]))
            ++pos;
        size_t start = pos;
        while (pos < length && !IsLineEnd(text[pos]))
            ++pos;
        if (pos > start)
            AddParsedLine(document, text + start, pos - start);
    }
}

LockedListNode* FindIniSection(IniDocument& document, const WCHAR* section) noexcept
{
    if (!section)
        return nullptr;
    for (LockedListNode* node = document.lines.Head(); node; node = node->next) {
        IniLine* line = LineOf(node);
        if (line->kind == IniLineKind::Section && line->name && _wcsicmp(line->name, section) == 0)
            return node;
    }
    return nullptr;
}

// Only the first section of a name counts, and of duplicate keys in it the first wins.
LockedListNode* FindIniKey(IniDocument& document, const WCHAR* section, const WCHAR* key, WCHAR* out,
                           int32_t outChars) noexcept
{
    LockedListNode* header = FindIniSection(document, section);
    if (!header || !key)
        return nullptr;
    for (LockedListNode* node = header->next; node; node = node->next) {
        IniLine* line = LineOf(node);
        if (line->kind == IniLineKind::Section)
            return nullptr;
        if (line->kind != IniLineKind::Key || !line->name || _wcsicmp(line->name, key) != 0)
            continue;
        if (out && outChars > 0) {
            size_t length = TextLength(line->value);
            if (length > size_t(outChars - 1))
                length = size_t(outChars - 1);
            if (length)
                std::memcpy(out, line->value, length * sizeof(WCHAR));
            out[length] = 0;
        }
        return node;
    }
    return nullptr;
}
