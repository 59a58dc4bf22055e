// IniDocument loading: the file's bytes, its encoding and its text, bounded by INI_MAX_FILE_BYTES.
#include "IniDocument.h"

#include <cstring>

#include "common/ByteReader.h"
#include <new>

namespace {

struct FileBytes {
    unsigned char* data = nullptr;
    uint32_t size = 0;
    ~FileBytes() { delete[] data; }
};

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) noexcept : handle(handle) {}
    ~FileHandle()
    {
        if (IsValid())
            CloseHandle(handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    bool IsValid() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    HANDLE Get() const { return handle; }

private:
    HANDLE handle;
};

enum class ReadOutcome { Missing, Failed, Read };

// Reads until the file's whole size is in or the platform gives no more.
uint32_t ReadAll(HANDLE file, unsigned char* data, uint32_t size)
{
    uint32_t done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file, data + done, size - done, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    return done;
}

ReadOutcome ReadFileBytes(const WCHAR* path, FileBytes& bytes)
{
    if (!path)
        return ReadOutcome::Missing;
    FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadOutcome::Missing
                                                                              : ReadOutcome::Failed;
    }
    DWORD high = 0;
    DWORD size = GetFileSize(file.Get(), &high);
    if ((size == 0xFFFFFFFF && GetLastError() != NO_ERROR) || high != 0 || size > INI_MAX_FILE_BYTES)
        return ReadOutcome::Failed;
    bytes.data = new (std::nothrow) unsigned char[size + 1];
    if (!bytes.data)
        return ReadOutcome::Failed;
    bytes.size = ReadAll(file.Get(), bytes.data, size);
    // A short read would make a later save drop the unread tail.
    return bytes.size == size ? ReadOutcome::Read : ReadOutcome::Failed;
}

// Room for the text, a CR LF that may be added and the terminating zero.
WCHAR* NewText(size_t length)
{
    return new (std::nothrow) WCHAR[length + 3];
}

// UTF-16 after the byte-order mark: whole code units only, up to the first zero unit.
WCHAR* DecodeUtf16(const FileBytes& bytes, size_t& length)
{
    ByteReader reader(bytes.data, bytes.size);
    size_t units = (bytes.size - 2) / 2;
    WCHAR* text = NewText(units);
    if (!text)
        return nullptr;
    length = 0;
    uint16_t unit = 0;
    while (length < units && reader.ReadU16(2 + 2 * length, unit) && unit != 0)
        text[length++] = WCHAR(unit);
    return text;
}

// ANSI text in the system code page, up to the first zero byte.
WCHAR* DecodeAnsi(const FileBytes& bytes, size_t& length)
{
    size_t count = 0;
    while (count < bytes.size && bytes.data[count] != 0)
        ++count;
    length = 0;
    if (count == 0)
        return NewText(0);
    const char* source = reinterpret_cast<const char*>(bytes.data);
    int needed = MultiByteToWideChar(CP_ACP, 0, source, int(count), nullptr, 0);
    if (needed <= 0)
        return nullptr;
    WCHAR* text = NewText(size_t(needed));
    if (!text)
        return nullptr;
    int converted = MultiByteToWideChar(CP_ACP, 0, source, int(count), text, needed);
    if (converted <= 0) {
        delete[] text;
        return nullptr;
    }
    length = size_t(converted);
    return text;
}

// Keeps the bytes from offset on, which the text does not take in. False when memory is short.
bool KeepTail(IniDocument& document, const FileBytes& bytes, uint32_t offset)
{
    if (offset >= bytes.size)
        return true;
    document.tailSize = bytes.size - offset;
    document.tail = new (std::nothrow) unsigned char[document.tailSize];
    if (!document.tail) {
        document.tailSize = 0;
        return false;
    }
    std::memcpy(document.tail, bytes.data + offset, document.tailSize);
    return true;
}

// Where the text ends: the first zero byte, or for UTF-16 the first zero unit after the mark.
uint32_t TextEnd(const FileBytes& bytes, bool unicode)
{
    if (!unicode) {
        uint32_t end = 0;
        while (end < bytes.size && bytes.data[end] != 0)
            ++end;
        return end;
    }
    uint32_t end = 2;
    while (end + 1 < bytes.size && (bytes.data[end] != 0 || bytes.data[end + 1] != 0))
        end += 2;
    return end + 1 < bytes.size ? end : bytes.size;
}

bool HasByteOrderMark(const FileBytes& bytes)
{
    uint16_t mark = 0;
    return ByteReader(bytes.data, bytes.size).ReadU16(0, mark) && mark == 0xFEFF;
}

}  // namespace

void LoadIniDocument(IniDocument& document, const WCHAR* path) noexcept
{
    document.lines.Clear();
    document.unicode = 0;
    document.complete = true;
    delete[] document.tail;
    document.tail = nullptr;
    document.tailSize = 0;
    FileBytes bytes;
    ReadOutcome outcome = ReadFileBytes(path, bytes);
    if (outcome != ReadOutcome::Read) {
        // Either way the document reads as empty; only a missing file may be written afresh.
        document.complete = outcome == ReadOutcome::Missing;
        return;
    }
    size_t length = 0;
    bool unicode = HasByteOrderMark(bytes);
    WCHAR* text = unicode ? DecodeUtf16(bytes, length) : DecodeAnsi(bytes, length);
    if (text && !KeepTail(document, bytes, TextEnd(bytes, unicode))) {
        delete[] text;
        text = nullptr;
    }
    if (!text) {
        document.complete = false;
        return;
    }
    document.unicode = unicode ? 1 : 0;
    // A last line without its line end reads as if it had one.
    if (length == 0 || text[length - 1] != u'\n') {
        text[length++] = u'\r';
        text[length++] = u'\n';
    }
    text[length] = 0;
    ParseIniText(document, text, length);
    delete[] text;
}
