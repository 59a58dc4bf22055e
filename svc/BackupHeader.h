// The backup file's header: what the engine writes in front of a backed-up file's inverted bytes.
#pragma once

#include <cstdint>

#include "include/OrvMobileEngCE.h"

class ByteReader;

constexpr uint32_t BACKUP_HEADER_SIZE = 48;
constexpr uint32_t BACKUP_STRINGS_LIMIT = 1024;   // both strings lie within the file's first bytes

struct BackupHeader {
    uint32_t dataOffset = 0;   // where the stored content begins
    uint32_t pathOffset = 0;   // the backed-up file's ANSI path, zero-terminated
    uint32_t nameOffset = 0;   // the virus name, ANSI, zero-terminated
    uint32_t dataSize = 0;     // stored content bytes
};

// Reads the fixed header from the file's first bytes; false when they are too few or the magic
// differs (the file is not a backup).
bool ParseBackupHeader(const ByteReader& bytes, BackupHeader& header) noexcept;

// Copies the zero-terminated text at offset into out (capacity bytes, terminator included). Text
// without a terminator inside bytes, or longer than out, is cut; an offset outside bytes gives "".
void CopyHeaderString(const ByteReader& bytes, uint32_t offset, char* out, uint32_t capacity) noexcept;

// True when the content [dataOffset, dataOffset + dataSize) lies inside a file of fileSize bytes.
bool ContentFits(const BackupHeader& header, int64_t fileSize) noexcept;
