// ImageView: bounded reads and writes inside a mapped image. Offsets are RVAs taken from the file,
// so every access is checked against the image's size before it happens.
#pragma once

#include <cstdint>

#include "ByteReader.h"

class ImageView {
public:
    ImageView() = default;
    ImageView(uint8_t* base, uint32_t size) : base(base), reader(base, size) {}

    uint32_t Size() const { return uint32_t(reader.Size()); }
    bool Contains(uint64_t offset, uint64_t length) const
    {
        return offset <= reader.Size() && reader.Size() - offset >= length;
    }

    bool ReadU16(uint64_t offset, uint16_t& value) const { return Contains(offset, 2) && reader.ReadU16(offset, value); }
    bool ReadU32(uint64_t offset, uint32_t& value) const { return Contains(offset, 4) && reader.ReadU32(offset, value); }
    bool ReadU64(uint64_t offset, uint64_t& value) const { return Contains(offset, 8) && reader.ReadU64(offset, value); }

    bool WriteU16(uint64_t offset, uint16_t value) { return Write(offset, value, 2); }
    bool WriteU32(uint64_t offset, uint32_t value) { return Write(offset, value, 4); }
    bool WriteU64(uint64_t offset, uint64_t value) { return Write(offset, value, 8); }

    // Copies length bytes to offset; nothing is written unless all of them fit.
    bool WriteBytes(uint64_t offset, const uint8_t* bytes, uint64_t length)
    {
        if (!Contains(offset, length))
            return false;
        for (uint64_t i = 0; i < length; ++i)
            base[offset + i] = bytes[i];
        return true;
    }

    // Whether the zero-terminated 8-bit text at offset equals name; a text that runs to the end of
    // the image without a terminator equals nothing.
    bool TextEquals(uint64_t offset, const char* name, bool ignoreCase) const
    {
        for (uint64_t i = 0;; ++i) {
            if (!Contains(offset + i, 1) || offset + i < offset)
                return false;
            char mine = char(base[offset + i]);
            char theirs = name[i];
            if (ignoreCase) {
                mine = Fold(mine);
                theirs = Fold(theirs);
            }
            if (mine != theirs)
                return false;
            if (mine == 0)
                return true;
        }
    }

private:
    static char Fold(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

    bool Write(uint64_t offset, uint64_t value, int bytes)
    {
        if (!Contains(offset, uint64_t(bytes)))
            return false;
        for (int i = 0; i < bytes; ++i)
            base[offset + i] = uint8_t(value >> (8 * i));
        return true;
    }

    uint8_t* base = nullptr;
    ByteReader reader;
};
