// The backup file the engine writes before it treats a file: a 48-byte header, the file's path and
// the virus name as zero-terminated ANSI text within the first 1024 bytes, then the content with
// every byte complemented. The program's backup store lists and restores these files.
#pragma once

#include <stdint.h>

namespace orv {

constexpr uint32_t BACKUP_HEADER_SIZE = 48;
constexpr uint32_t BACKUP_TEXT_LIMIT = 1024;
// The store copies the path into a 260-byte field; a longer path could not be restored.
constexpr uint32_t BACKUP_MAX_PATH = 259;
constexpr uint32_t BACKUP_MAX_NAME = 63;
extern const uint8_t BACKUP_MAGIC[16];

// Fills out (BACKUP_TEXT_LIMIT bytes) with the header and the two texts; returns the data offset,
// or 0 when the path is empty or too long to be restored.
uint32_t BuildBackupHeader(uint8_t* out, const char* path, const char* name, uint32_t dataSize);
void ComplementBytes(uint8_t* data, uint32_t size);

} // namespace orv
