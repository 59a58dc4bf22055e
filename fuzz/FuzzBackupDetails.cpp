// Fuzz target: arbitrary bytes as a backup record the page shows; the texts end inside their
// buffers whatever the fields hold.
#include <cstdint>
#include <cstring>
#include <memory>

#include "BackupDetails.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    BackupRecord record;
    std::memset(&record, 0, sizeof record);
    if (size > 0)
        std::memcpy(&record, data, size < sizeof record ? size : sizeof record);
    // Exact-size buffers, so that a write past the end is caught.
    auto date = std::make_unique<WCHAR[]>(BACKUP_DATE_CHARS);
    auto source = std::make_unique<WCHAR[]>(MAX_PATH);
    auto details = std::make_unique<WCHAR[]>(BACKUP_DETAILS_CHARS);
    BackupDateText(record, date.get());
    BackupSourceText(record, source.get());
    FormatBackupDetails(record, u"File: %s\r\nVirus: %s\r\nBacked up: %s\r\nSize: %d bytes", details.get());
    if (std::char_traits<WCHAR>::length(date.get()) >= size_t(BACKUP_DATE_CHARS))
        __builtin_trap();
    return 0;
}
