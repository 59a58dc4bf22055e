// ByteReader: bounds-checked little-endian reads from a byte range that came from outside.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Every check compares by subtraction, so an offset or length taken from a file can never wrap
// around and pass. A failed read leaves the output untouched and returns false; the caller decides,
// next to the read, what a damaged value means.
class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const void* data, size_t size)
        : data(static_cast<const uint8_t*>(data)), size(data ? size : 0) {}

    const uint8_t* Data() const { return data; }
    size_t Size() const { return size; }

    bool Contains(size_t offset, size_t length) const
    {
        return offset <= size && size - offset >= length;
    }

    // The bytes [offset, offset + length), or null when they do not all lie inside.
    const uint8_t* Pointer(size_t offset, size_t length) const
    {
        return Contains(offset, length) ? data + offset : nullptr;
    }

    bool ReadU8(size_t offset, uint8_t& value) const
    {
        if (!Contains(offset, 1))
            return false;
        value = data[offset];
        return true;
    }

    bool ReadU16(size_t offset, uint16_t& value) const
    {
        if (!Contains(offset, 2))
            return false;
        const uint8_t* p = data + offset;
        value = uint16_t(p[0] | p[1] << 8);
        return true;
    }

    bool ReadU32(size_t offset, uint32_t& value) const
    {
        if (!Contains(offset, 4))
            return false;
        const uint8_t* p = data + offset;
        value = p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
        return true;
    }

    bool ReadU64(size_t offset, uint64_t& value) const
    {
        uint32_t low = 0;
        uint32_t high = 0;
        if (!Contains(offset, 8))
            return false;
        ReadU32(offset, low);
        ReadU32(offset + 4, high);
        value = uint64_t(high) << 32 | low;
        return true;
    }

    bool ReadBytes(size_t offset, void* out, size_t length) const
    {
        const uint8_t* p = Pointer(offset, length);
        if (!p)
            return false;
        for (size_t i = 0; i < length; ++i)
            static_cast<uint8_t*>(out)[i] = p[i];
        return true;
    }

    // A reader over [offset, offset + length) of this one; offsets in it start at 0.
    bool Sub(size_t offset, size_t length, ByteReader& out) const
    {
        if (!Contains(offset, length))
            return false;
        out = ByteReader(data + offset, length);
        return true;
    }

    // The rest of the range from offset on (empty when offset is at or past the end).
    ByteReader From(size_t offset) const
    {
        return offset < size ? ByteReader(data + offset, size - offset) : ByteReader();
    }

    // Exactly count UTF-16 code units at offset.
    bool ReadUtf16(size_t offset, size_t count, std::u16string& out) const
    {
        if (count > size / 2 || !Contains(offset, count * 2))
            return false;
        std::u16string text(count, u'\0');
        for (size_t i = 0; i < count; ++i)
            text[i] = char16_t(data[offset + 2 * i] | data[offset + 2 * i + 1] << 8);
        out.swap(text);
        return true;
    }

    // A zero-terminated UTF-16 string at offset of at most maxUnits code units before the
    // terminator; bytesUsed counts the terminator too. False when no terminator lies in reach.
    bool ReadUtf16Z(size_t offset, size_t maxUnits, std::u16string& out, size_t& bytesUsed) const
    {
        std::u16string text;
        for (size_t i = 0; i <= maxUnits; ++i) {
            if (offset > size || (size - offset) / 2 <= i)
                return false;
            uint16_t unit = uint16_t(data[offset + 2 * i] | data[offset + 2 * i + 1] << 8);
            if (unit == 0) {
                out.swap(text);
                bytesUsed = (i + 1) * 2;
                return true;
            }
            text.push_back(char16_t(unit));
        }
        return false;
    }

    // The same for an 8-bit string.
    bool ReadStringZ(size_t offset, size_t maxBytes, std::string& out, size_t& bytesUsed) const
    {
        if (offset > size)
            return false;
        size_t limit = size - offset;
        for (size_t i = 0; i < limit && i <= maxBytes; ++i) {
            if (data[offset + i] == 0) {
                out.assign(reinterpret_cast<const char*>(data + offset), i);
                bytesUsed = i + 1;
                return true;
            }
        }
        return false;
    }

private:
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// Sequential reads for formats laid out one field after another (dialog templates, menus). Once a
// read fails the cursor stays failed, so a parser may read a whole record and check Ok() once.
class ByteCursor {
public:
    explicit ByteCursor(const ByteReader& reader, size_t offset = 0) : reader(reader), offset(offset) {}

    bool Ok() const { return ok; }
    size_t Offset() const { return offset; }
    size_t Remaining() const { return ok && offset <= reader.Size() ? reader.Size() - offset : 0; }

    uint8_t U8() { uint8_t v = 0; Step(reader.ReadU8(offset, v), 1); return v; }
    uint16_t U16() { uint16_t v = 0; Step(reader.ReadU16(offset, v), 2); return v; }
    uint32_t U32() { uint32_t v = 0; Step(reader.ReadU32(offset, v), 4); return v; }

    void Skip(size_t count) { Step(reader.Contains(offset, count), count); }

    // Moves to the next multiple of alignment (a power of two), measured from the reader's start.
    void Align(size_t alignment)
    {
        size_t padding = (alignment - offset % alignment) % alignment;
        Skip(padding <= Remaining() ? padding : Remaining());
    }

    std::u16string Utf16Z(size_t maxUnits)
    {
        std::u16string text;
        size_t used = 0;
        bool read = ok && reader.ReadUtf16Z(offset, maxUnits, text, used);
        Step(read, used);
        return text;
    }

private:
    void Step(bool success, size_t count)
    {
        if (ok && success)
            offset += count;
        else
            ok = false;
    }

    ByteReader reader;
    size_t offset = 0;
    bool ok = true;
};
