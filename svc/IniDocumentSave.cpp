// IniDocument saving: the text of the lines, its encoding, and a replace that never loses the old file.
#include "IniDocument.h"

#include <cstring>
#include <new>
#include <utility>

#include "ReplacementFile.h"

namespace {

// Grows as needed; once an allocation fails it stays failed, so a save of half a text never happens.
class TextBuilder {
public:
    ~TextBuilder() { delete[] data; }
    void Append(const WCHAR* text, size_t length)
    {
        if (failed || !Reserve(length))
            return;
        if (length)
            std::memcpy(data + used, text, length * sizeof(WCHAR));
        used += length;
    }
    void Append(const WCHAR* text) { Append(text ? text : u"", TextLength(text)); }
    bool Failed() const { return failed; }
    const WCHAR* Data() const { return data; }
    size_t Length() const { return used; }

private:
    bool Reserve(size_t more)
    {
        if (capacity - used >= more)
            return true;
        size_t grown = capacity * 2 > used + more ? capacity * 2 : used + more + 256;
        WCHAR* bigger = new (std::nothrow) WCHAR[grown];
        if (!bigger) {
            failed = true;
            return false;
        }
        if (used)
            std::memcpy(bigger, data, used * sizeof(WCHAR));
        delete[] data;
        data = bigger;
        capacity = grown;
        return true;
    }

    WCHAR* data = nullptr;
    size_t used = 0;
    size_t capacity = 0;
    bool failed = false;
};

// Strings are appended directly rather than through the "%s" formats: wsprintfW stops at 1024
// characters, and a long line must come back whole. The characters produced are the same.
void AppendLine(TextBuilder& out, const IniLine& line)
{
    // Every section header but one that opens the file gets an empty line before it.
    if (line.kind == IniLineKind::Section && out.Length() > 2)
        out.Append(u"\r\n", 2);
    if (!line.modified) {
        out.Append(line.text);
    } else if (line.kind == IniLineKind::Section) {
        out.Append(u"[", 1);
        out.Append(line.name);
        out.Append(u"]", 1);
    } else {
        out.Append(line.name);
        out.Append(u"=", 1);
        out.Append(line.value);
        if (line.comment) {
            out.Append(u"     ; ", 7);
            out.Append(line.comment);
        }
    }
    out.Append(u"\r\n", 2);
}

struct Bytes {
    unsigned char* data = nullptr;
    uint32_t size = 0;
    ~Bytes() { delete[] data; }
};

bool EncodeUtf16(const TextBuilder& text, Bytes& bytes)
{
    // Nothing is written that the next load would refuse as too large.
    if (text.Length() > INI_MAX_FILE_BYTES / 2)
        return false;
    bytes.size = uint32_t(text.Length() * 2);
    bytes.data = new (std::nothrow) unsigned char[bytes.size];
    if (!bytes.data)
        return false;
    for (size_t i = 0; i < text.Length(); ++i) {
        bytes.data[2 * i] = uint8_t(text.Data()[i]);
        bytes.data[2 * i + 1] = uint8_t(text.Data()[i] >> 8);
    }
    return true;
}

// The byte-order mark stays out of an ANSI file.
bool EncodeAnsi(const TextBuilder& text, Bytes& bytes)
{
    constexpr DWORD CONVERSION_FLAGS = WC_COMPOSITECHECK | WC_SEPCHARS;
    if (text.Length() > INI_MAX_FILE_BYTES)
        return false;
    const WCHAR* source = text.Data() + 1;
    int count = int(text.Length() - 1);
    int needed = WideCharToMultiByte(CP_ACP, CONVERSION_FLAGS, source, count, nullptr, 0, nullptr, nullptr);
    if (needed <= 0 || uint32_t(needed) > INI_MAX_FILE_BYTES)
        return false;
    bytes.data = new (std::nothrow) unsigned char[size_t(needed)];
    if (!bytes.data)
        return false;
    char* target = reinterpret_cast<char*>(bytes.data);
    int converted = WideCharToMultiByte(CP_ACP, CONVERSION_FLAGS, source, count, target, needed, nullptr, nullptr);
    if (converted <= 0)
        return false;
    bytes.size = uint32_t(converted);
    return true;
}

// The new text goes to a temporary file beside the old one, which it replaces in one rename: a
// write that fails half-way (a full store card, a removed card) or a kill at any moment leaves the
// old settings or the new ones. The text that an ANSI file held after a zero byte, which the load
// does not read, follows the new text unchanged.
void ReplaceFile(const WCHAR* path, const Bytes& bytes, const IniDocument& document)
{
    ReplacementFile replacement;
    if (!replacement.Begin(path) || !replacement.Write(bytes.data, bytes.size)
        || !replacement.Write(document.tail, document.tailSize))
        return;
    replacement.Commit();
}

}  // namespace

void SaveIniDocument(IniDocument& document, const WCHAR* path) noexcept
{
    if (!path)
        return;
    TextBuilder text;
    const WCHAR mark = 0xFEFF;
    text.Append(&mark, 1);
    for (LockedListNode* node = document.lines.Head(); node; node = node->next)
        AppendLine(text, *LineOf(node));
    Bytes bytes;
    if (text.Failed())
        return;
    bool encoded = document.unicode ? EncodeUtf16(text, bytes) : EncodeAnsi(text, bytes);
    // ANSI text that begins with the bytes FF FE would read back as UTF-16 with a byte-order mark
    // and lose every setting; such a file is kept as UTF-16 instead, which reads back as written.
    // Unread ANSI bytes after a zero could not follow such a file as they were, so it stays as it is.
    if (encoded && !document.unicode && bytes.size >= 2 && bytes.data[0] == 0xFF && bytes.data[1] == 0xFE) {
        if (document.tailSize != 0)
            return;
        Bytes wide;
        encoded = EncodeUtf16(text, wide);
        std::swap(bytes.data, wide.data);
        std::swap(bytes.size, wide.size);
    }
    // An empty document still makes an empty ANSI file, as creating it anew would.
    if (!encoded && !(document.unicode == 0 && text.Length() == 1))
        return;
    ReplaceFile(path, bytes, document);
}
