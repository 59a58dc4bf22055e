// Reading the backup header through the bounded reader.
#include "BackupHeader.h"

#include "common/ByteReader.h"

namespace {

// "Qz", U+5907, U+4EFD in UTF-16LE, then eight fixed bytes.
constexpr uint8_t BACKUP_MAGIC[16] = { 0x51, 0x00, 0x7A, 0x00, 0x07, 0x59, 0xFD, 0x4E,
                                       0x02, 0x03, 0x54, 0x21, 0x43, 0x09, 0x00, 0x00 };

constexpr uint32_t OFFSET_DATA_OFFSET = 16;
constexpr uint32_t OFFSET_PATH_OFFSET = 20;
constexpr uint32_t OFFSET_NAME_OFFSET = 24;
constexpr uint32_t OFFSET_DATA_SIZE = 40;

}  // namespace

bool ParseBackupHeader(const ByteReader& bytes, BackupHeader& header) noexcept
{
    const uint8_t* magic = bytes.Pointer(0, BACKUP_HEADER_SIZE);
    if (magic == nullptr)
        return false;
    for (uint32_t i = 0; i < sizeof BACKUP_MAGIC; ++i) {
        if (magic[i] != BACKUP_MAGIC[i])
            return false;
    }
    return bytes.ReadU32(OFFSET_DATA_OFFSET, header.dataOffset)
        && bytes.ReadU32(OFFSET_PATH_OFFSET, header.pathOffset)
        && bytes.ReadU32(OFFSET_NAME_OFFSET, header.nameOffset)
        && bytes.ReadU32(OFFSET_DATA_SIZE, header.dataSize);
}

void CopyHeaderString(const ByteReader& bytes, uint32_t offset, char* out, uint32_t capacity) noexcept
{
    if (capacity == 0)
        return;
    uint32_t used = 0;
    uint8_t value = 0;
    while (used + 1 < capacity && bytes.ReadU8(size_t(offset) + used, value) && value != 0)
        out[used++] = char(value);
    out[used] = 0;
}

bool ContentFits(const BackupHeader& header, int64_t fileSize) noexcept
{
    if (fileSize < 0 || uint64_t(header.dataOffset) > uint64_t(fileSize))
        return false;
    return uint64_t(header.dataSize) <= uint64_t(fileSize) - header.dataOffset;
}
